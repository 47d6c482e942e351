// The address-book features the main window hands its commands to: the
// custom view, reports, import, export, mail merge, the partner list, the
// exchange server setup, and the picture and history windows that follow the
// selected contact. Each entry is where its feature plugs in; a feature
// that is not part of the program yet does nothing.
#pragma once

#include <optional>
#include <string>

#include "store/RecordStore.h"

class QObject;
class QWidget;

namespace velmora {

// What a list command works on: the open file and the selected contact.
struct ContactSelection {
  RecordStore* store = nullptr;
  std::optional<RecordPosition> selected;
};

// "Define Custom &View...": true when the user confirmed a new view.
bool RunCustomViewDialog(QWidget* owner);
// "&Print Report..": the report dialog for the open file.
void RunReportDialog(QWidget* owner, const ContactSelection& selection);
// "&Import...": true when records were imported (the list is reloaded).
bool RunImportWizard(QWidget* owner, RecordStore& store);
// "&Export...".
void RunExportDialog(QWidget* owner, const ContactSelection& selection);
// "Mail &Merge...".
void RunMailMerge(QWidget* owner, const ContactSelection& selection);
// Whether a mail-merge sending thread runs (the main window then refuses to
// close).
bool MailMergeSending();
// The partner list dialog.
void RunPartnerList(QWidget* owner);

// The exchange server password and setup dialogs; the identity to give the
// file when both end with OK.
struct ServerIdentity {
  std::string name, address, server, port;
};
std::optional<ServerIdentity> RunServerSetup(QWidget* owner);

// The picture window: shows the picture at path (empty: no picture), opening
// the window when needed; and closes it.
void ShowPictureWindow(QWidget* owner, const std::string& path);
void ClosePictureWindow();

// The history window: shows the history of the contact (none: no contact),
// opening the window when needed; and closes it.
void ShowHistoryWindow(QWidget* owner, RecordStore& addressBook, const Bytes* contact);
void CloseHistoryWindow();
// The history window when it exists, and whether its list has the focus.
QObject* HistoryWindow();
bool HistoryListHasFocus();

}  // namespace velmora
