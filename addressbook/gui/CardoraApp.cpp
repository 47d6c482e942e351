#include "addressbook/gui/CardoraApp.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include "addressbook/gui/CardoraMainWindow.h"
#include "addressbook/gui/MainWindowPresence.h"
#include "addressbook/gui/MainWindowRules.h"
#include "addressbook/gui/SplashWindow.h"
#include "addressbook/gui/WorkPane.h"
#include "addressbook/model/ContactRecord.h"
#include "resources/Strings.h"
#include "shell/FileChoice.h"
#include "shell/SingleInstance.h"
#include "shell/SuiteBroadcast.h"
#include "shell/SuiteFlags.h"
#include "store/RecordStore.h"
#include "store/Settings.h"
#include "toolkit/Bitmaps.h"
#include "toolkit/Fonts.h"
#include "toolkit/SoundPlayer.h"
#include "toolkit/SuiteBroadcast.h"
#include "toolkit/TesselPane.h"

namespace velmora {

namespace {

constexpr const char* kPreference = "Preference";
constexpr int kAppIcon = 1000;

CardoraApp*& InstancePointer() {
  static CardoraApp* instance = nullptr;
  return instance;
}

std::optional<int> ReadOptionalInt(const char* key) {
  int value = 0;
  if (ReadSettingInt(ProgramSettingsPath(), kPreference, key, value) != 1) return std::nullopt;
  return value;
}

}  // namespace

CardoraApp::CardoraApp(QString commandLine)
    : commandLine_(std::move(commandLine)),
      presence_(std::make_unique<MainWindowPresence>(WindowClassName())) {
  InstancePointer() = this;
  SetCurrentProgram(Program::Cardora);
}

CardoraApp::~CardoraApp() {
  if (window_) {
    const std::string settings = ProgramSettingsPath();
    Result saved = WriteSettingInt(settings, kPreference, "PaneId", CurrentPaneIndex());
    if (WorkPane* work = window_->workPane()) {
      if (saved.ok()) saved = WriteSettingInt(settings, kPreference, "Sort", work->sortOrder());
      if (saved.ok()) saved = WriteSettingInt(settings, kPreference, "Tab", work->viewTab());
    }
    // The windows are going: the failure goes to the program's error output.
    if (!saved.ok()) qWarning("%s", saved.Message().c_str());
  }
  CloseRecordFile();
  window_.reset();
  if (bus_) SetSuiteBroadcaster({});
  if (InstancePointer() == this) InstancePointer() = nullptr;
}

CardoraApp* CardoraApp::Instance() { return InstancePointer(); }

QString CardoraApp::WindowClassName() {
  return QStringLiteral("TesselWndApp_%1").arg(QString::fromLatin1(kApplicationName));
}

int CardoraApp::Run() {
  // One instance per program, but only for a start without a file: a start
  // with a file (the desktop's file association) runs beside the others.
  if (commandLine_.isEmpty() && !AcquireSingleInstance(QString::fromLatin1(kApplicationName))) return 0;

  RegisterSuiteBroadcast();

  CreateSharedFonts();
  LoadStartupFlags();
  SoundPlayer::Instance().ReloadSwitch();
  QApplication::setWindowIcon(QIcon(QPixmap::fromImage(BitmapImage(kAppIcon))));

  if (SplashFlag()) {
    SplashWindow splash;
    splash.RunModal();
  }

  // The program ends when its main window has closed, not when some other
  // window (a splash, a dialog) happens to be the last one.
  QApplication::setQuitOnLastWindowClosed(false);
  CardoraMainWindow* window = CreateMainWindow();
  if (!window) {
    ReleaseSharedFonts();
    return 0;
  }
  connect(window, &CardoraMainWindow::closed, qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  window->repaint();

  const int code = QCoreApplication::exec();
  ReleaseSharedFonts();
  return code;
}

void CardoraApp::RegisterSuiteBroadcast() {
  if (bus_) return;
  bus_ = std::make_unique<SuiteBroadcast>();
  connect(bus_.get(), &SuiteBroadcast::received, this, [this](int what, qint64 sender) {
    if (window_) window_->OnSuiteBroadcast(what, sender);
  });
  SetSuiteBroadcaster([this](int what, qintptr sender) { Broadcast(what, qint64(sender)); });
}

void CardoraApp::Broadcast(int what, qint64 sender) {
  if (bus_) (void)bus_->send(what, sender);
  // The bus does not hand a program its own broadcasts; its main window
  // hears them like every other top-level window, on a later turn.
  QTimer::singleShot(0, this, [this, what, sender] {
    if (window_) window_->OnSuiteBroadcast(what, sender);
  });
}

bool CardoraApp::OtherMainWindowExists() const {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget != window_.get() && qobject_cast<CardoraMainWindow*>(widget)) return true;
  }
  return presence_->OthersExist();
}

CardoraMainWindow* CardoraApp::CreateMainWindow() {
  SavedPlacement saved;
  saved.left = ReadOptionalInt("WPLeft");
  saved.top = ReadOptionalInt("WPTop");
  saved.right = ReadOptionalInt("WPRight");
  saved.bottom = ReadOptionalInt("WPBottom");
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect desktop = screen ? screen->virtualGeometry() : QRect(0, 0, 1024, 768);
  const std::optional<QRect> placement = SavedWindowRect(saved, desktop, OtherMainWindowExists());

  window_ = std::make_unique<CardoraMainWindow>(*this, placement);
  if (!window_->Create(nullptr)) {
    window_.reset();
    return nullptr;
  }
  (void)presence_->Announce();
  return window_.get();
}

bool CardoraApp::OpenRecordFile(const std::string& path, const std::string& password, bool examples) {
  // The current file is closed first, so that reopening it passes the
  // compacting check like any file nobody has open.
  CloseRecordFile();
  store_ = OpenChosenFile(window_.get(), path, password, examples, format::FileKind::Address,
                          [](RecordStore& s) { return AddSampleContacts(s); });
  if (!store_) return false;
  if (window_) {
    window_->setWindowTitle(MainWindowTitle(QString::fromLatin1(kApplicationName), store_->path()));
    if (WorkPane* work = window_->workPane()) work->SetRecordFile(store_.get());
  }
  return true;
}

void CardoraApp::CloseRecordFile() {
  if (window_) {
    if (WorkPane* work = window_->workPane()) work->SetRecordFile(nullptr);
  }
  store_.reset();
}

bool CardoraApp::ForwardToPane(const QString& name, const Command& command) {
  return velmora::ForwardToPane(name, command);
}

}  // namespace velmora
