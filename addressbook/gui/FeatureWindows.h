// FeatureWindows: the windows of the address book's features that the main
// window opens for its commands: reports, import, export,
// mail merge, the partner list, the exchange server setup, and the picture
// and history windows that follow the selected contact. The program passes
// one to its main window; each member is where its feature plugs in, and a
// feature that is not part of the program yet does nothing (the defaults).
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

// The exchange server identity to give the file when the server password
// and setup dialogs both end with OK.
struct ServerIdentity {
  std::string name, address, server, port;
};

class FeatureWindows {
 public:
  virtual ~FeatureWindows();

  // "&Print Report..": the report dialog for the open file.
  virtual void RunReportDialog(QWidget* owner, const ContactSelection& selection);
  // "&Import...": true when records were imported (the list is reloaded).
  virtual bool RunImportWizard(QWidget* owner, RecordStore& store);
  // "&Export...".
  virtual void RunExportDialog(QWidget* owner, const ContactSelection& selection);
  // "Mail &Merge...".
  virtual void RunMailMerge(QWidget* owner, const ContactSelection& selection);
  // Whether a mail-merge sending thread runs (the main window then refuses
  // to close).
  virtual bool MailMergeSending();
  // The partner list dialog.
  virtual void RunPartnerList(QWidget* owner);
  // The exchange server password and setup dialogs.
  virtual std::optional<ServerIdentity> RunServerSetup(QWidget* owner);

  // The picture window: shows the picture at path (empty: no picture),
  // opening the window when needed; and closes it.
  virtual void ShowPictureWindow(QWidget* owner, const std::string& path);
  virtual void ClosePictureWindow();

  // The history window: shows the history of the contact (none: no
  // contact), opening the window when needed; and closes it.
  virtual void ShowHistoryWindow(QWidget* owner, RecordStore& addressBook, const Bytes* contact);
  virtual void CloseHistoryWindow();
  // The history window when it exists, and whether its list has the focus.
  virtual QObject* HistoryWindow();
  virtual bool HistoryListHasFocus();
};

}  // namespace velmora
