// The features below are not part of the program yet: each entry does
// nothing and reports that nothing happened.
#include "addressbook/gui/FeatureWindows.h"

namespace velmora {

FeatureWindows::~FeatureWindows() = default;

void FeatureWindows::RunReportDialog(QWidget*, const ContactSelection&) {}
bool FeatureWindows::RunImportWizard(QWidget*, RecordStore&) { return false; }
void FeatureWindows::RunExportDialog(QWidget*, const ContactSelection&) {}
void FeatureWindows::RunMailMerge(QWidget*, const ContactSelection&) {}
bool FeatureWindows::MailMergeSending() { return false; }
void FeatureWindows::RunPartnerList(QWidget*) {}
std::optional<ServerIdentity> FeatureWindows::RunServerSetup(QWidget*) { return std::nullopt; }

void FeatureWindows::ShowPictureWindow(QWidget*, const std::string&) {}
void FeatureWindows::ClosePictureWindow() {}

void FeatureWindows::ShowHistoryWindow(QWidget*, RecordStore&, const Bytes*) {}
void FeatureWindows::CloseHistoryWindow() {}
QObject* FeatureWindows::HistoryWindow() { return nullptr; }
bool FeatureWindows::HistoryListHasFocus() { return false; }

}  // namespace velmora
