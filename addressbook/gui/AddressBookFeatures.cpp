// The features below are not part of the program yet: each entry does
// nothing and reports that nothing happened.
#include "addressbook/gui/AddressBookFeatures.h"

namespace velmora {

bool RunCustomViewDialog(QWidget*) { return false; }
void RunReportDialog(QWidget*, const ContactSelection&) {}
bool RunImportWizard(QWidget*, RecordStore&) { return false; }
void RunExportDialog(QWidget*, const ContactSelection&) {}
void RunMailMerge(QWidget*, const ContactSelection&) {}
bool MailMergeSending() { return false; }
void RunPartnerList(QWidget*) {}
std::optional<ServerIdentity> RunServerSetup(QWidget*) { return std::nullopt; }

void ShowPictureWindow(QWidget*, const std::string&) {}
void ClosePictureWindow() {}

void ShowHistoryWindow(QWidget*, RecordStore&, const Bytes*) {}
void CloseHistoryWindow() {}
QObject* HistoryWindow() { return nullptr; }
bool HistoryListHasFocus() { return false; }

}  // namespace velmora
