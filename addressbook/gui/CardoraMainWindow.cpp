#include "addressbook/gui/CardoraMainWindow.h"

#include "addressbook/gui/CardoraApp.h"
#include "addressbook/gui/WorkPane.h"
#include "addressbook/model/ContactRecord.h"
#include "resources/Strings.h"
#include "shell/AboutDialog.h"
#include "shell/DesktopIntegration.h"
#include "shell/IntroPane.h"
#include "shell/MainWindowGeometry.h"
#include "shell/MessageBoxes.h"
#include "shell/SuiteApp.h"
#include "resources/Strings.h"
#include "store/Settings.h"
#include "toolkit/TesselPane.h"
#include "toolkit/TesselToolBar.h"

namespace velmora {

namespace {

constexpr const char* kPreference = "Preference";
constexpr const char* kMailMergeRunning =
    "You need to close mail merge thread\r\nbefore you exit from the application.";

QString Text(int number) { return QString::fromStdString(LoadText(number)); }

}  // namespace

CardoraMainWindow::CardoraMainWindow(CardoraApp& app, FeatureWindows& features, std::optional<QRect> placement)
    : SuiteMainWindow(app, placement), features_(features) {}

CardoraMainWindow::~CardoraMainWindow() = default;

bool CardoraMainWindow::CreatePanes() {
  // The two panes and the timers that follow the selected contact.
  intro_ = new IntroPane(this);
  work_ = new WorkPane(this);
  if (!intro_->Create(this) || !work_->Create(this)) return false;
  SetTimer(kPictureTimer, kFollowMilliseconds);
  SetTimer(kHistoryTimer, kFollowMilliseconds);
  return true;
}

void CardoraMainWindow::AddToolBarButtons(TesselToolBar& toolBar) {
  // Command, bitmap, label (string number), and whether it opens a menu.
  struct Button {
    int command, bitmap, label;
    bool menu;
  };
  static constexpr Button kButtons[] = {
      {kCmdFileMenu, 2000, 3004, true},       {kCmdNewContact, 2001, 3000, false},
      {kCmdEditContact, 2002, 3001, false},   {kCmdDeleteContact, 2003, 3002, false},
      {kCmdFind, 2004, 3003, false},          {kCmdHelpMenu, 2005, 3005, true},
  };
  for (const Button& b : kButtons) toolBar.AddButton({b.command, b.bitmap, Text(b.label), b.menu});
}

AcceleratorTable CardoraMainWindow::Accelerators() const { return AcceleratorCommand; }

void CardoraMainWindow::FocusWork() {
  if (work_) work_->FocusList();
}

void CardoraMainWindow::SetRecordFile(RecordStore* store) {
  if (work_) work_->SetRecordFile(store);
}

void CardoraMainWindow::AddProgramState(std::vector<SettingValue>& values) const {
  if (!work_) return;
  values.push_back({"Sort", std::to_string(work_->sortOrder())});
  values.push_back({"Tab", std::to_string(work_->viewTab())});
}

// --- Commands -------------------------------------------------------------------

qintptr CardoraMainWindow::OnCommand(const Command& command) {
  const RouteContext context{CurrentPaneIndex(), features_.HistoryListHasFocus()};
  const Route route = RouteCommand(command.id, command.param, context);
  switch (route.target) {
    case RouteTarget::Ignore:
      return 0;
    case RouteTarget::WorkPane:
      return app().ForwardToPane(QStringLiteral("Work"), Command{route.command, route.param, command.text,
                                                                command.point})
                 ? 1
                 : 0;
    case RouteTarget::HistoryWindow:
      PostCommand(features_.HistoryWindow(), route.command, route.param);
      return 1;
    case RouteTarget::Repost:
      PostCommand(this, route.command, route.param);
      return 1;
    case RouteTarget::Frame:
      return SuiteMainWindow::OnCommand(command);
    case RouteTarget::MainWindow:
      HandleCommand(command);
      return 1;
  }
  return 0;
}

void CardoraMainWindow::HandleCommand(const Command& command) {
  if (HandleSharedCommand(command.id, command.param)) return;
  switch (command.id) {
    case kCmdCustomView: SendCommand(work_, WorkPane::kTabsId, WorkPane::kCustomViewLink); break;
    case kCmdFileMenu: ShowDropDownMenu(kCmdFileMenu, FileMenuItems()); break;
    case kCmdHelpMenu: ShowDropDownMenu(kCmdHelpMenu, HelpMenuItems()); break;
    case kCmdPartnerList: features_.RunPartnerList(this); break;
    case kCmdAbout: {
      AboutDialog about(QString::fromLatin1(CardoraApp::kApplicationName),
                        QStringLiteral("The address book of the Velmora personal organizer."), this);
      about.RunModal();
      break;
    }
    case kCmdServerSetup: ServerSetup(); break;
    case kCmdPrintReport: features_.RunReportDialog(this, Selection()); break;
    case kCmdImport:
      if (store() && features_.RunImportWizard(this, *store())) work_->Reload();
      break;
    case kCmdExport: features_.RunExportDialog(this, Selection()); break;
    case kCmdHelpContents: (void)OpenHelp("address.htm"); break;
    case kCmdMailMerge: features_.RunMailMerge(this, Selection()); break;
    case kCmdPicture: TogglePicture(); break;
    case kCmdHistory: ToggleHistory(); break;
    default: break;
  }
}

ContactSelection CardoraMainWindow::Selection() const {
  return ContactSelection{store(), work_ ? work_->SelectedPosition() : std::nullopt};
}

void CardoraMainWindow::ServerSetup() {
  RecordStore* open = store();
  if (!open) return;
  if (!open->HasDefaultIdentity() || open->GetAccessLevel() != kAccessOwner) {
    InformationBox(this, kMsgNoPermission);
    return;
  }
  const std::optional<ServerIdentity> identity = features_.RunServerSetup(this);
  if (!identity) return;
  if (Result set = open->SetFileIdentity(identity->name, identity->address, identity->server, identity->port);
      !set.ok()) {
    InformationBox(this, set.Message());
  }
  setWindowTitle(MainWindowTitle(QString::fromLatin1(app().program().name), open->path()));
}

// --- Picture and history windows ---------------------------------------------

void CardoraMainWindow::TogglePicture() {
  repaint();
  if (!pictureWanted_) {
    shownPicture_.clear();
    features_.ShowPictureWindow(this, shownPicture_);
    pictureWanted_ = true;
    FollowPicture();
  } else {
    pictureWanted_ = false;
    shownPicture_.clear();
    features_.ClosePictureWindow();
  }
}

void CardoraMainWindow::ToggleHistory() {
  repaint();
  if (!historyWanted_) {
    historyWanted_ = true;
    FollowHistory();
  } else {
    historyWanted_ = false;
    features_.CloseHistoryWindow();
  }
}

void CardoraMainWindow::PictureWindowClosed() {
  pictureWanted_ = false;
  shownPicture_.clear();
}

void CardoraMainWindow::HistoryWindowClosed() { historyWanted_ = false; }

void CardoraMainWindow::FollowPicture() {
  if (!pictureWanted_) {
    shownPicture_.clear();
    features_.ClosePictureWindow();
    return;
  }
  const std::optional<RecordPosition> selected = work_->SelectedPosition();
  RecordStore* open = store();
  if (!selected || !open) {
    if (!shownPicture_.empty()) {
      shownPicture_.clear();
      features_.ShowPictureWindow(this, shownPicture_);
    }
    return;
  }
  Bytes record;
  if (!open->ReadRecordIfLive(record, *selected).ok()) return;
  const std::string picture(Contact(std::move(record)).RawText(contact::kPicture));
  if (picture == shownPicture_) return;
  shownPicture_ = picture;
  features_.ShowPictureWindow(this, shownPicture_);
}

void CardoraMainWindow::FollowHistory() {
  if (!historyWanted_) return;
  RecordStore* open = store();
  if (!open) return;
  const std::optional<RecordPosition> selected = work_->SelectedPosition();
  Bytes record;
  if (!selected || !open->ReadRecordIfLive(record, *selected).ok()) {
    features_.ShowHistoryWindow(this, *open, nullptr);
    return;
  }
  features_.ShowHistoryWindow(this, *open, &record);
}

void CardoraMainWindow::OnTimer(int id) {
  switch (id) {
    case kPictureTimer: FollowPicture(); break;
    case kHistoryTimer: FollowHistory(); break;
    default: SuiteMainWindow::OnTimer(id); break;
  }
}

// --- Closing ---------------------------------------------------------------------

bool CardoraMainWindow::MayClose() {
  if (!features_.MailMergeSending()) return true;
  InformationBox(this, kMailMergeRunning);
  return false;
}

void CardoraMainWindow::Closing() {
  pictureWanted_ = false;
  shownPicture_.clear();
  features_.ClosePictureWindow();
  historyWanted_ = false;
  features_.CloseHistoryWindow();
}

}  // namespace velmora
