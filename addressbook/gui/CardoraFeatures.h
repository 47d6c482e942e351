// CardoraFeatures: the address book's feature windows that exist so far —
// the report and export dialogs, and the picture and history windows that
// follow the selected contact — on top of FeatureWindows, whose other
// members still do nothing.
#pragma once

#include "addressbook/gui/ContactWindowHost.h"
#include "addressbook/gui/ContactWindows.h"
#include "addressbook/gui/FeatureWindows.h"
#include "addressbook/gui/MailMergeJobs.h"
#include "addressbook/gui/RecordTextDialog.h"
#include "addressbook/mailmerge/LibreOfficeWriter.h"
#include "addressbook/mailmerge/LibsecretStore.h"

namespace velmora {

class CardoraMainWindow;

class CardoraFeatures : public FeatureWindows, private ContactWindowHost {
 public:
  CardoraFeatures();
  ~CardoraFeatures() override;

  void RunReportDialog(QWidget* owner, const ContactSelection& selection) override;
  void RunExportDialog(QWidget* owner, const ContactSelection& selection) override;
  // Lets the export write ".vcf" files through writer (empty: it does not);
  // it writes 4.0 cards unless told otherwise.
  void SetVCardExportWriter(VCardExportWriter writer) { vcardWriter_ = std::move(writer); }

  void ShowPictureWindow(QWidget* owner, const std::string& path) override;
  void ClosePictureWindow() override;
  void ShowHistoryWindow(QWidget* owner, RecordStore& addressBook, const Bytes* contact) override;
  void CloseHistoryWindow() override;
  QObject* HistoryWindow() override;
  bool HistoryListHasFocus() override;
  bool RunImportWizard(QWidget* owner, RecordStore& store) override;
  void RunMailMerge(QWidget* owner, const ContactSelection& selection) override;
  // Whether a mail merge's job window exists.
  bool MailMergeSending() override;

  ContactWindows& windows() { return windows_; }
  // The program's one mail-merge send job.
  MailMergeJobs& mailMergeJobs() { return mailMergeJobs_; }

 private:
  // The main window is made after the features; it introduces itself as the
  // owner of the first window it opens.
  void Attach(QWidget* owner);

  QWidget* mainWindow() override;
  RecordStore* addressBook() override;
  std::optional<RecordPosition> selectedContact() override;
  void ContactChanged(RecordPosition position) override;
  void ReloadContacts() override;
  void FocusContacts() override;

  CardoraMainWindow* main_ = nullptr;
  VCardExportWriter vcardWriter_;
  // The mail merge's word processor and the keyring of its SMTP password.
  LibreOfficeWriter writer_;
  LibsecretStore secrets_;
  ContactWindows windows_{*this};
  MailMergeJobs mailMergeJobs_;
};

}  // namespace velmora
