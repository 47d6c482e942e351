#include "shell/SuiteMainWindow.h"

#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include "shell/CompactCommand.h"
#include "shell/DBusBroadcast.h"
#include "shell/DesktopIntegration.h"
#include "shell/FileChoice.h"
#include "shell/GeneralOptionsDialog.h"
#include "shell/MainWindowGeometry.h"
#include "shell/MessageBoxes.h"
#include "shell/NetworkPasswordsDialog.h"
#include "shell/PaneSweep.h"
#include "shell/SuiteApp.h"
#include "shell/SuiteCommands.h"
#include "shell/SuiteFlags.h"
#include "store/Settings.h"
#include "toolkit/Bitmaps.h"
#include "toolkit/BroadcastDispatch.h"
#include "toolkit/Fonts.h"
#include "toolkit/RefreshTimer.h"
#include "toolkit/Skin.h"
#include "toolkit/SoundPlayer.h"
#include "toolkit/TesselPane.h"
#include "toolkit/TesselPaneBar.h"
#include "toolkit/TesselToolBar.h"

namespace velmora {

namespace {

constexpr const char* kPreference = "Preference";
constexpr int kAppIcon = 1000;
// The frame's background before the skin paints.
const QColor kBackground(212, 210, 218);

}  // namespace

SuiteMainWindow::SuiteMainWindow(SuiteApp& app, std::optional<QRect> placement) : app_(app), placement_(placement) {
  setMinimumSize(kSmallestWindowSize);
  setMaximumSize(kLargestWindowSize);
  setWindowIcon(QIcon(QPixmap::fromImage(BitmapImage(kAppIcon))));
}

SuiteMainWindow::~SuiteMainWindow() = default;

void SuiteMainWindow::PrepareClass(WindowClass& windowClass) {
  windowClass.name = app_.WindowClassName();
  windowClass.cursor = Qt::ArrowCursor;
  windowClass.background = kBackground;
}

void SuiteMainWindow::PrepareCreate(CreateParams& params) {
  TesselFrameWnd::PrepareCreate(params);
  params.title = QString::fromLatin1(SuiteApp::kSuiteName);
  if (placement_) {
    params.rect = *placement_;
  } else {
    // The desktop chooses where the window goes.
    resize(kSmallestWindowSize);
  }
}

bool SuiteMainWindow::OnCreated() {
  // The program's part first: its panes.
  if (!CreatePanes()) return false;

  // The frame's part: the toolbar, the pane bar and the caption-button timer.
  if (!TesselFrameWnd::OnCreated()) return false;
  toolBar_ = new TesselToolBar(this);
  AddToolBarButtons(*toolBar_);
  paneBar_ = new TesselPaneBar(this);
  if (!toolBar_->Create(this) || !paneBar_->Create(this)) return false;

  // Only the current pane is visible.
  for (TesselPane* pane : RegisteredPanes()) pane->setVisible(pane == CurrentPane());
  accelerators_ = new AcceleratorFilter(this, Accelerators());
  Relayout();
  return true;
}

void SuiteMainWindow::Relayout() {
  if (!toolBar_ || !paneBar_) return;
  const MainWindowLayout layout = MainWindowLayout::For(ClientRect());
  paneBar_->setGeometry(layout.paneBar);
  toolBar_->setGeometry(layout.toolBar);
  for (TesselPane* pane : RegisteredPanes()) {
    if (pane->parentWidget() == this) pane->setGeometry(layout.pane);
  }
}

void SuiteMainWindow::resizeEvent(QResizeEvent* event) {
  TesselFrameWnd::resizeEvent(event);  // also rebuilds the outline
  Relayout();
}

void SuiteMainWindow::changeEvent(QEvent* event) {
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

QRect SuiteMainWindow::Desktop() const {
  const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
  return shown ? shown->availableGeometry() : QRect(0, 0, 1024, 768);
}

void SuiteMainWindow::ToggleSize() {
  setGeometry(ToggledWindowRect(geometry(), Desktop()));
  update();
}

// --- File opening (message 4000) -------------------------------------------

void SuiteMainWindow::OnInitialise() {
  const char* extension = app_.program().extension;
  RegisterFileType(extension);

  int paneId = 1;
  (void)ReadSettingInt(ProgramSettingsPath(), kPreference, "PaneId", paneId);
  ShowPane(StartPaneIndex(paneId, int(RegisteredPanes().size())), false);

  bool opened = false;
  if (const std::optional<ChosenFile> chosen =
          StartupFileChoice(this, app_.commandLine().toStdString(), extension)) {
    opened = app_.OpenRecordFile(chosen->path, chosen->password, true);
  }
  if (!opened) {
    const std::optional<NewFileChoice> created = RunCreateNewFile(this, extension);
    if (!created || !app_.OpenRecordFile(created->path, "", created->examples)) {
      close();
      return;
    }
  }
  FocusWork();
  if (app_.newRecordWanted()) PostCommand(this, kCmdNewContact);
}

// --- Panes --------------------------------------------------------------------

void SuiteMainWindow::ShowPane(int index, bool animate) {
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

bool SuiteMainWindow::HandleSharedCommand(int command, qintptr param) {
  switch (command) {
    case kCmdPane: ShowPane(int(param), true); return true;
    case kCmdNewFile: NewFile(); return true;
    case kCmdOpenFile: OpenFile(); return true;
    case kCmdGeneralOptions: GeneralOptions(); return true;
    case kCmdNetworkPasswords: ChangePasswords(); return true;
    case kCmdCompact: Compact(); return true;
    case kCmdSaveAs: SaveAs(); return true;
    case kCmdExit: close(); return true;
    default: return false;
  }
}

void SuiteMainWindow::ShowDropDownMenu(int button, const std::vector<MenuItem>& items) {
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

RecordStore* SuiteMainWindow::store() const { return app_.recordFile(); }

bool SuiteMainWindow::ReplaceRecordFile(const std::string& path, const std::string& password, bool examples) {
  if (!app_.OpenRecordFile(path, password, examples)) return false;
  FocusWork();
  return true;
}

void SuiteMainWindow::NewFile() {
  const std::optional<NewFileChoice> choice = RunCreateNewFile(this, app_.program().extension);
  if (!choice) {
    FocusWork();
    return;
  }
  if (!ReplaceRecordFile(choice->path, "", choice->examples)) close();
}

void SuiteMainWindow::OpenFile() {
  const std::optional<ChosenFile> chosen = RunOpenDialog(this, app_.program().fileFilter, app_.program().extension);
  if (!chosen) {
    FocusWork();
    return;
  }
  if (!ReplaceRecordFile(chosen->path, chosen->password, false)) close();
}

// The file commands show their own failures; what they return is only
// whether something changed.
void SuiteMainWindow::SaveAs() {
  RecordStore* open = store();
  if (!open) return;
  (void)RunSaveAs(this, *open, app_.program().fileFilter, app_.program().extension, true);
}

void SuiteMainWindow::Compact() {
  (void)RunCompactCommand(this, app_.program().fileFilter, app_.program().extension, true);
}

void SuiteMainWindow::ChangePasswords() {
  if (RecordStore* open = store()) (void)ChangeNetworkPasswords(this, *open);
}

void SuiteMainWindow::GeneralOptions() {
  GeneralOptionsActions actions;
  actions.setSoundFlag = [](bool on) { SoundPlayer::Instance().SetEnabled(on); };
  actions.restartRefreshTimers = [] { RestartRefreshTimer(); };
  actions.broadcastOptionsChanged = [this] { PostSuiteBroadcast(kBroadcastOptions, qintptr(senderId())); };
  (void)ShowGeneralOptions(this, actions);
}

// --- Suite broadcast ------------------------------------------------------------

void SuiteMainWindow::ShowFailure(const Result& failure) { InformationBox(this, failure.Message()); }

qint64 SuiteMainWindow::senderId() { return DBusBroadcast::WindowSenderId(quintptr(winId())); }

void SuiteMainWindow::OnSuiteBroadcast(int what, qint64 sender) {
  if (what == kBroadcastOptions) {
    if (sender == senderId()) return;
    // Here a present switch takes its leading number: "1" is on, anything
    // not starting with a non-zero number is off.
    const std::string suite = SuiteSettingsPath();
    int value = 0;
    if (ReadSettingInt(suite, kPreference, "Sound", value) == 1) SoundPlayer::Instance().SetEnabled(value != 0);
    if (ReadSettingInt(suite, kPreference, "Annimation", value) == 1) SetAnimationFlag(value != 0);
    RestartRefreshTimer();
  } else if (what == app_.NewRecordBroadcast()) {
    // Another start of this program asked for a new record; the copy
    // started without a file (the one a second start finds) makes it.
    if (!app_.commandLine().isEmpty() || !store()) return;
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
    PostCommand(this, kCmdNewContact);  // each program's "New..."
  } else if (what == kBroadcastSkin) {
    // Reloads the skin and lays out and repaints every window, this one's
    // frame and outline included.
    ApplySkinChange();
  }
}

// --- Closing ---------------------------------------------------------------------

bool SuiteMainWindow::OnCloseRequest() {
  if (!MayClose()) return false;
  Closing();

  const QRect outer = geometry();
  const std::string settings = ProgramSettingsPath();
  // One rewrite of the settings file for the whole placement: each rewrite
  // is flushed to disk, and closing should not wait on four of them.
  Result placed = WriteSettingTexts(settings, kPreference,
                                    {{"WPLeft", std::to_string(outer.x())},
                                     {"WPTop", std::to_string(outer.y())},
                                     {"WPRight", std::to_string(outer.x() + outer.width())},
                                     {"WPBottom", std::to_string(outer.y() + outer.height())}});
  if (!placed.ok()) InformationBox(this, placed.Message());
  KillTimer(kFrameTimer);
  emit closed();
  return true;
}

}  // namespace velmora
