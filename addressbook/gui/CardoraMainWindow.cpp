#include "addressbook/gui/CardoraMainWindow.h"

#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include "addressbook/gui/AboutDialog.h"
#include "addressbook/gui/AcceleratorFilter.h"
#include "addressbook/gui/CardoraApp.h"
#include "addressbook/gui/IntroPane.h"
#include "addressbook/gui/MainWindowRules.h"
#include "addressbook/gui/PaneSweep.h"
#include "addressbook/gui/WorkPane.h"
#include "addressbook/model/ContactRecord.h"
#include "resources/Strings.h"
#include "shell/CompactCommand.h"
#include "shell/DesktopIntegration.h"
#include "shell/FileChoice.h"
#include "shell/FileDialogs.h"
#include "shell/GeneralOptionsDialog.h"
#include "shell/MessageBoxes.h"
#include "shell/NetworkPasswordsDialog.h"
#include "shell/SuiteBroadcast.h"
#include "shell/SuiteFlags.h"
#include "store/Settings.h"
#include "store/UserFlows.h"
#include "toolkit/Bitmaps.h"
#include "toolkit/Fonts.h"
#include "toolkit/RefreshTimer.h"
#include "toolkit/Skin.h"
#include "toolkit/SoundPlayer.h"
#include "toolkit/SuiteBroadcast.h"
#include "toolkit/TesselPaneBar.h"
#include "toolkit/TesselToolBar.h"

namespace velmora {

namespace {

constexpr const char* kPreference = "Preference";
constexpr int kAppIcon = 1000;
constexpr int kNoPermission = 102;
constexpr const char* kMailMergeRunning =
    "You need to close mail merge thread\r\nbefore you exit from the application.";
// The frame's background before the skin paints.
const QColor kBackground(212, 210, 218);

QString Text(int number) { return QString::fromStdString(LoadText(number)); }

}  // namespace

CardoraMainWindow::CardoraMainWindow(CardoraApp& app, std::optional<QRect> placement)
    : app_(app), placement_(placement) {
  setMinimumSize(kSmallestWindowSize);
  setMaximumSize(kLargestWindowSize);
  setWindowIcon(QIcon(QPixmap::fromImage(BitmapImage(kAppIcon))));
}

CardoraMainWindow::~CardoraMainWindow() = default;

void CardoraMainWindow::PrepareClass(WindowClass& windowClass) {
  windowClass.name = CardoraApp::WindowClassName();
  windowClass.cursor = Qt::ArrowCursor;
  windowClass.background = kBackground;
}

void CardoraMainWindow::PrepareCreate(CreateParams& params) {
  TesselFrameWnd::PrepareCreate(params);
  params.title = QString::fromLatin1(CardoraApp::kSuiteName);
  if (placement_) {
    params.rect = *placement_;
  } else {
    // The desktop chooses where the window goes.
    resize(kSmallestWindowSize);
  }
}

bool CardoraMainWindow::OnCreated() {
  // The application's part: the two panes and the timers that follow the
  // selected contact.
  intro_ = new IntroPane(this);
  work_ = new WorkPane(this);
  if (!intro_->Create(this) || !work_->Create(this)) return false;
  SetTimer(kPictureTimer, kFollowMilliseconds);
  SetTimer(kHistoryTimer, kFollowMilliseconds);

  // The frame's part: the toolbar, the pane bar and the caption-button timer.
  if (!TesselFrameWnd::OnCreated()) return false;
  toolBar_ = new TesselToolBar(this);
  toolBar_->AddButton({kCmdFileMenu, 2000, Text(3004), true});
  toolBar_->AddButton({kCmdNewContact, 2001, Text(3000), false});
  toolBar_->AddButton({kCmdEditContact, 2002, Text(3001), false});
  toolBar_->AddButton({kCmdDeleteContact, 2003, Text(3002), false});
  toolBar_->AddButton({kCmdFind, 2004, Text(3003), false});
  toolBar_->AddButton({kCmdHelpMenu, 2005, Text(3005), true});
  paneBar_ = new TesselPaneBar(this);
  if (!toolBar_->Create(this) || !paneBar_->Create(this)) return false;

  // Only the current pane is visible.
  for (TesselPane* pane : RegisteredPanes()) pane->setVisible(pane == CurrentPane());
  accelerators_ = new AcceleratorFilter(this);
  Relayout();
  return true;
}

void CardoraMainWindow::Relayout() {
  if (!toolBar_ || !paneBar_) return;
  const MainWindowLayout layout = MainWindowLayout::For(ClientRect());
  paneBar_->setGeometry(layout.paneBar);
  toolBar_->setGeometry(layout.toolBar);
  for (TesselPane* pane : RegisteredPanes()) {
    if (pane->parentWidget() == this) pane->setGeometry(layout.pane);
  }
}

void CardoraMainWindow::resizeEvent(QResizeEvent* event) {
  TesselFrameWnd::resizeEvent(event);  // also rebuilds the outline
  Relayout();
}

void CardoraMainWindow::changeEvent(QEvent* event) {
  TesselFrameWnd::changeEvent(event);
  // The caption is drawn by the window itself.
  if (event->type() == QEvent::WindowTitleChange) update(layout().title);
  if (event->type() != QEvent::WindowStateChange || !isMaximized()) return;
  // The desktop's maximize request toggles between the two sizes like the
  // size button.
  QTimer::singleShot(0, this, [this] {
    showNormal();
    ToggleSize();
  });
}

QRect CardoraMainWindow::Desktop() const {
  const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
  return shown ? shown->availableGeometry() : QRect(0, 0, 1024, 768);
}

void CardoraMainWindow::ToggleSize() {
  setGeometry(ToggledWindowRect(geometry(), Desktop()));
  update();
}

// --- File opening (message 4000) -------------------------------------------

void CardoraMainWindow::OnInitialise() {
  RegisterFileType(CardoraApp::kExtension);

  int paneId = 1;
  (void)ReadSettingInt(ProgramSettingsPath(), kPreference, "PaneId", paneId);
  ShowPane(StartPaneIndex(paneId, int(RegisteredPanes().size())), false);

  bool opened = false;
  if (const std::optional<ChosenFile> chosen =
          StartupFileChoice(this, app_.commandLine().toStdString(), CardoraApp::kExtension)) {
    opened = app_.OpenRecordFile(chosen->path, chosen->password, true);
  }
  if (!opened) {
    const std::optional<NewFileChoice> created = RunCreateNewFile(this, CardoraApp::kExtension);
    if (!created || !app_.OpenRecordFile(created->path, "", created->examples)) {
      close();
      return;
    }
  }
  work_->FocusList();
}

// --- Panes --------------------------------------------------------------------

void CardoraMainWindow::ShowPane(int index, bool animate) {
  const std::vector<TesselPane*>& panes = RegisteredPanes();
  if (panes.empty()) return;
  const MainWindowLayout layout = MainWindowLayout::For(ClientRect());
  if (animate && AnimationFlag()) {
    (void)SoundPlayer::Instance().Play("chpane.wav");
    PlayPaneSweep(this, layout.pane);
  }
  if (index < 0 || index >= int(panes.size())) index = 0;
  TesselPane* current = CurrentPane();
  TesselPane* next = panes[size_t(index)];
  if (current && !current->MayLeave()) return;
  if (!next->MayEnter()) return;

  if (current && current != next) current->hide();
  SetCurrentPaneIndex(index);
  next->setGeometry(layout.pane);
  next->show();
  if (toolBar_) toolBar_->update();
  if (paneBar_) paneBar_->update();
  update();
  next->setFocus(Qt::OtherFocusReason);
  next->Entered();
}

// --- Commands -------------------------------------------------------------------

qintptr CardoraMainWindow::OnCommand(const Command& command) {
  const RouteContext context{CurrentPaneIndex(), HistoryListHasFocus()};
  const Route route = RouteCommand(command.id, command.param, context);
  switch (route.target) {
    case RouteTarget::Ignore:
      return 0;
    case RouteTarget::WorkPane:
      return app_.ForwardToPane(QStringLiteral("Work"), Command{route.command, route.param, command.text,
                                                                command.point})
                 ? 1
                 : 0;
    case RouteTarget::HistoryWindow:
      PostCommand(HistoryWindow(), route.command, route.param);
      return 1;
    case RouteTarget::Repost:
      PostCommand(this, route.command, route.param);
      return 1;
    case RouteTarget::Frame:
      return TesselFrameWnd::OnCommand(command);
    case RouteTarget::MainWindow:
      HandleCommand(command);
      return 1;
  }
  return 0;
}

void CardoraMainWindow::HandleCommand(const Command& command) {
  switch (command.id) {
    case kCmdCustomView:
      if (RunCustomViewDialog(this)) work_->update();
      work_->FocusList();
      break;
    case kCmdPane: ShowPane(int(command.param), true); break;
    case kCmdFileMenu: ShowDropDownMenu(kCmdFileMenu, FileMenuItems()); break;
    case kCmdHelpMenu: ShowDropDownMenu(kCmdHelpMenu, HelpMenuItems()); break;
    case kCmdNewFile: NewFile(); break;
    case kCmdOpenFile: OpenFile(); break;
    case kCmdGeneralOptions: GeneralOptions(); break;
    case kCmdNetworkPasswords: ChangePasswords(); break;
    case kCmdCompact: Compact(); break;
    case kCmdExit: close(); break;
    case kCmdPartnerList: RunPartnerList(this); break;
    case kCmdAbout: {
      AboutDialog about(this);
      about.RunModal();
      break;
    }
    case kCmdServerSetup: ServerSetup(); break;
    case kCmdSaveAs: SaveAs(); break;
    case kCmdPrintReport: RunReportDialog(this, Selection()); break;
    case kCmdImport:
      if (store() && RunImportWizard(this, *store())) work_->Reload();
      break;
    case kCmdExport: RunExportDialog(this, Selection()); break;
    case kCmdHelpContents: (void)OpenHelp("address.htm"); break;
    case kCmdMailMerge: RunMailMerge(this, Selection()); break;
    case kCmdPicture: TogglePicture(); break;
    case kCmdHistory: ToggleHistory(); break;
    default: break;
  }
}

void CardoraMainWindow::ShowDropDownMenu(int button, const std::vector<MenuItem>& items) {
  QMenu menu(this);
  menu.setFont(NormalFont());
  for (const MenuItem& item : items) {
    if (item.separator()) {
      menu.addSeparator();
    } else {
      menu.addAction(QString::fromStdString(item.text))->setData(item.command);
    }
  }
  // Below the button, at its left edge and 4 pixels below its bottom edge.
  const QRect r = toolBar_ ? toolBar_->ButtonScreenRect(button) : QRect();
  const QPoint at = r.isNull() ? mapToGlobal(ClientRect().topLeft()) : QPoint(r.left(), r.top() + r.height() + 4);
  if (QAction* chosen = menu.exec(at)) PostCommand(this, chosen->data().toInt());
}

RecordStore* CardoraMainWindow::store() const { return app_.recordFile(); }

ContactSelection CardoraMainWindow::Selection() const {
  return ContactSelection{store(), work_ ? work_->SelectedPosition() : std::nullopt};
}

bool CardoraMainWindow::ReplaceRecordFile(const std::string& path, const std::string& password, bool examples) {
  if (!app_.OpenRecordFile(path, password, examples)) return false;
  work_->FocusList();
  return true;
}

void CardoraMainWindow::NewFile() {
  const std::optional<NewFileChoice> choice = RunCreateNewFile(this, CardoraApp::kExtension);
  if (!choice) {
    work_->FocusList();
    return;
  }
  if (!ReplaceRecordFile(choice->path, "", choice->examples)) close();
}

void CardoraMainWindow::OpenFile() {
  const std::optional<ChosenFile> chosen = RunOpenDialog(this, CardoraApp::kFileFilter, CardoraApp::kExtension);
  if (!chosen) {
    work_->FocusList();
    return;
  }
  if (!ReplaceRecordFile(chosen->path, chosen->password, false)) close();
}

namespace {
// The store's flows talk to the user through the suite's boxes; said tells
// whether they did.
FlowUi MakeFlowUi(QWidget* owner, bool* said) {
  FlowUi ui;
  ui.message = [owner, said](int number) {
    *said = true;
    InformationBox(owner, number);
  };
  ui.messageText = [owner, said](const std::string& text) {
    *said = true;
    InformationBox(owner, text);
  };
  ui.beep = [said] {
    *said = true;
    Beep();
  };
  ui.play = [](const std::string& sound) { (void)SoundPlayer::Instance().Play(sound); };
  return ui;
}
}  // namespace

void CardoraMainWindow::SaveAs() {
  RecordStore* open = store();
  if (!open) return;
  const std::optional<std::string> target = FileDialogs::Current().ChooseFile(
      this, {FileDialogMode::Save, CardoraApp::kFileFilter, CardoraApp::kExtension, StartFolder::Work});
  if (!target) return;
  bool said = false;
  FlowUi ui = MakeFlowUi(this, &said);
  // The wait cursor covers the copy only, not the messages.
  ui.busy = [](bool on) {
    if (on) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else QGuiApplication::restoreOverrideCursor();
  };
  const bool copied = SaveAsCommand(*open, *target, true, ui);
  // A copy that failed without saying why still tells the user.
  if (!copied && !said) InformationBox(this, AccessDeniedText(*target));
}

void CardoraMainWindow::Compact() {
  const std::optional<std::string> path = FileDialogs::Current().ChooseFile(
      this, {FileDialogMode::Open, CardoraApp::kFileFilter, CardoraApp::kExtension, StartFolder::Work});
  if (!path) return;
  bool said = false;
  const CompactUi progress = MakeCompactUi(this);
  (void)CompactCommand(*path, true, MakeFlowUi(this, &said), &progress);
}

void CardoraMainWindow::ChangePasswords() {
  if (RecordStore* open = store()) (void)ChangeNetworkPasswords(this, *open);
}

void CardoraMainWindow::GeneralOptions() {
  GeneralOptionsActions actions;
  actions.setSoundFlag = [](bool on) { SoundPlayer::Instance().SetEnabled(on); };
  actions.restartRefreshTimers = [] { RestartRefreshTimer(); };
  actions.broadcastOptionsChanged = [this] { PostSuiteBroadcast(kBroadcastOptions, qintptr(senderId())); };
  (void)ShowGeneralOptions(this, actions);
}

void CardoraMainWindow::ServerSetup() {
  RecordStore* open = store();
  if (!open) return;
  if (!open->HasDefaultIdentity() || open->GetAccessLevel() != kAccessOwner) {
    InformationBox(this, kNoPermission);
    return;
  }
  const std::optional<ServerIdentity> identity = RunServerSetup(this);
  if (!identity) return;
  (void)open->SetFileIdentity(identity->name, identity->address, identity->server, identity->port);
  setWindowTitle(MainWindowTitle(QString::fromLatin1(CardoraApp::kApplicationName), open->path()));
}

// --- Suite broadcast ------------------------------------------------------------

qint64 CardoraMainWindow::senderId() { return SuiteBroadcast::WindowSenderId(quintptr(winId())); }

void CardoraMainWindow::OnSuiteBroadcast(int what, qint64 sender) {
  if (what == kBroadcastOptions) {
    if (sender == senderId()) return;
    // Here a present switch takes its leading number: "1" is on, anything
    // not starting with a non-zero number is off.
    const std::string suite = SuiteSettingsPath();
    int value = 0;
    if (ReadSettingInt(suite, kPreference, "Sound", value) == 1) SoundPlayer::Instance().SetEnabled(value != 0);
    if (ReadSettingInt(suite, kPreference, "Annimation", value) == 1) SetAnimationFlag(value != 0);
    RestartRefreshTimer();
  } else if (what == kBroadcastSkin) {
    // Reloads the skin and lays out and repaints every window, this one's
    // frame and outline included.
    ApplySkinChange();
  }
}

// --- Picture and history windows ---------------------------------------------

void CardoraMainWindow::TogglePicture() {
  repaint();
  if (!pictureWanted_) {
    shownPicture_.clear();
    ShowPictureWindow(this, shownPicture_);
    pictureWanted_ = true;
    FollowPicture();
  } else {
    pictureWanted_ = false;
    shownPicture_.clear();
    ClosePictureWindow();
  }
}

void CardoraMainWindow::ToggleHistory() {
  repaint();
  if (!historyWanted_) {
    historyWanted_ = true;
    FollowHistory();
  } else {
    historyWanted_ = false;
    CloseHistoryWindow();
  }
}

void CardoraMainWindow::FollowPicture() {
  if (!pictureWanted_) {
    shownPicture_.clear();
    ClosePictureWindow();
    return;
  }
  const std::optional<RecordPosition> selected = work_->SelectedPosition();
  RecordStore* open = store();
  if (!selected || !open) {
    if (!shownPicture_.empty()) {
      shownPicture_.clear();
      ShowPictureWindow(this, shownPicture_);
    }
    return;
  }
  Bytes record;
  if (!open->ReadRecordIfLive(record, *selected).ok()) return;
  const std::string picture(Contact(std::move(record)).RawText(contact::kPicture));
  if (picture == shownPicture_) return;
  shownPicture_ = picture;
  ShowPictureWindow(this, shownPicture_);
}

void CardoraMainWindow::FollowHistory() {
  if (!historyWanted_) return;
  RecordStore* open = store();
  if (!open) return;
  const std::optional<RecordPosition> selected = work_->SelectedPosition();
  Bytes record;
  if (!selected || !open->ReadRecordIfLive(record, *selected).ok()) {
    ShowHistoryWindow(this, *open, nullptr);
    return;
  }
  ShowHistoryWindow(this, *open, &record);
}

void CardoraMainWindow::OnTimer(int id) {
  switch (id) {
    case kPictureTimer: FollowPicture(); break;
    case kHistoryTimer: FollowHistory(); break;
    default: TesselFrameWnd::OnTimer(id); break;
  }
}

// --- Closing ---------------------------------------------------------------------

bool CardoraMainWindow::OnCloseRequest() {
  if (MailMergeSending()) {
    InformationBox(this, kMailMergeRunning);
    return false;
  }
  pictureWanted_ = false;
  shownPicture_.clear();
  ClosePictureWindow();
  historyWanted_ = false;
  CloseHistoryWindow();

  const QRect outer = geometry();
  const std::string settings = ProgramSettingsPath();
  Result placed = WriteSettingInt(settings, kPreference, "WPLeft", outer.x());
  if (placed.ok()) placed = WriteSettingInt(settings, kPreference, "WPTop", outer.y());
  if (placed.ok()) placed = WriteSettingInt(settings, kPreference, "WPRight", outer.x() + outer.width());
  if (placed.ok()) placed = WriteSettingInt(settings, kPreference, "WPBottom", outer.y() + outer.height());
  if (!placed.ok()) InformationBox(this, placed.Message());
  KillTimer(kFrameTimer);
  emit closed();
  return true;
}

}  // namespace velmora
