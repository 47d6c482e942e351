#include "shell/SuiteApp.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include "shell/DBusBroadcast.h"
#include "shell/MainWindowGeometry.h"
#include "shell/MainWindowPresence.h"
#include "shell/SingleInstance.h"
#include "shell/SplashWindow.h"
#include "shell/SuiteFlags.h"
#include "shell/SuiteMainWindow.h"
#include "store/RecordStore.h"
#include "store/Settings.h"
#include "toolkit/Bitmaps.h"
#include "toolkit/BroadcastDispatch.h"
#include "toolkit/Fonts.h"
#include "toolkit/TesselDialog.h"
#include "toolkit/TesselPane.h"

namespace velmora {

namespace {

constexpr const char* kPreference = "Preference";
constexpr int kAppIcon = 1000;

SuiteApp*& InstancePointer() {
  static SuiteApp* instance = nullptr;
  return instance;
}

std::optional<int> ReadOptionalInt(const char* key) {
  int value = 0;
  if (ReadSettingInt(ProgramSettingsPath(), kPreference, key, value) != 1) return std::nullopt;
  return value;
}

}  // namespace

SuiteApp::SuiteApp(SuiteProgram program, QString commandLine)
    : program_(std::move(program)),
      commandLine_(std::move(commandLine)),
      presence_(std::make_unique<MainWindowPresence>(WindowClassName())) {
  if (commandLine_.trimmed() == QStringLiteral("--new")) {
    newRecord_ = true;
    commandLine_.clear();
  }
  InstancePointer() = this;
  SetCurrentProgram(program_.strings);
}

SuiteApp::~SuiteApp() {
  if (window_) {
    const std::string settings = ProgramSettingsPath();
    std::vector<SettingValue> values{{"PaneId", std::to_string(CurrentPaneIndex())}};
    window_->AddProgramState(values);
    Result saved = WriteSettingTexts(settings, kPreference, values);
    // The windows are going: the failure goes to the program's error output.
    if (!saved.ok()) qWarning("%s", saved.Message().c_str());
  }
  CloseRecordFile();
  window_.reset();
  if (bus_) SetSuiteBroadcaster({});
  if (InstancePointer() == this) InstancePointer() = nullptr;
}

SuiteApp* SuiteApp::Instance() { return InstancePointer(); }

QString SuiteApp::WindowClassName() const {
  return QStringLiteral("TesselWndApp_%1").arg(QString::fromLatin1(program_.name));
}

int SuiteApp::Run() {
  // One instance per program, but only for a start without a file: a start
  // with a file (the desktop's file association) runs beside the others.
  if (commandLine_.isEmpty() && !AcquireSingleInstance(QString::fromLatin1(program_.name))) {
    // The copy that runs makes the new record; this one leaves.
    if (newRecord_) {
      DBusBroadcast bus;
      (void)bus.sendAndWait(NewRecordBroadcast(), 0);  // no bus: nothing to ask, as a second start without it
    }
    return 0;
  }

  RegisterSuiteBroadcast();

  // The switches and the skin came with the set of suite services.
  CreateSharedFonts();
  QApplication::setWindowIcon(QIcon(QPixmap::fromImage(BitmapImage(kAppIcon))));
  // Every dialog as wide as its caption, from the file choice on.
  const CaptionFitting captionFitting;

  if (SplashFlag()) {
    SplashWindow splash;
    splash.RunModal();
  }

  // The program ends when its main window has closed, not when some other
  // window (a splash, a dialog) happens to be the last one.
  QApplication::setQuitOnLastWindowClosed(false);
  SuiteMainWindow* window = CreateMainWindow();
  if (!window) {
    ReleaseSharedFonts();
    return 0;
  }
  connect(window, &SuiteMainWindow::closed, qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  window->repaint();

  const int code = QCoreApplication::exec();
  ReleaseSharedFonts();
  return code;
}

void SuiteApp::RegisterSuiteBroadcast() {
  if (bus_) return;
  bus_ = std::make_unique<DBusBroadcast>();
  connect(bus_.get(), &DBusBroadcast::received, this, [this](int what, qint64 sender) {
    if (window_) window_->OnSuiteBroadcast(what, sender);
  });
  SetSuiteBroadcaster([this](int what, qintptr sender) { Broadcast(what, qint64(sender)); });
}

void SuiteApp::Broadcast(int what, qint64 sender) {
  if (bus_) (void)bus_->send(what, sender);  // other programs may have no bus; nothing waits for them
  // The bus does not hand a program its own broadcasts; its main window
  // hears them like every other top-level window, on a later turn.
  QTimer::singleShot(0, this, [this, what, sender] {
    if (window_) window_->OnSuiteBroadcast(what, sender);
  });
}

bool SuiteApp::OtherMainWindowExists() const {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget != window_.get() && qobject_cast<SuiteMainWindow*>(widget)) return true;
  }
  return presence_->OthersExist();
}

SuiteMainWindow* SuiteApp::CreateMainWindow() {
  if (!program_.makeMainWindow) return nullptr;
  SavedPlacement saved;
  saved.left = ReadOptionalInt("WPLeft");
  saved.top = ReadOptionalInt("WPTop");
  saved.right = ReadOptionalInt("WPRight");
  saved.bottom = ReadOptionalInt("WPBottom");
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect desktop = screen ? screen->virtualGeometry() : QRect(0, 0, 1024, 768);
  const std::optional<QRect> placement = SavedWindowRect(saved, desktop, OtherMainWindowExists());

  window_ = program_.makeMainWindow(*this, placement);
  if (!window_ || !window_->Create(nullptr)) {
    window_.reset();
    return nullptr;
  }
  (void)presence_->Announce();  // without the mark other programs only miss this window
  return window_.get();
}

bool SuiteApp::OpenRecordFile(const std::string& path, const std::string& password, bool examples) {
  // The current file is closed first, so that reopening it passes the
  // compacting check like any file nobody has open.
  CloseRecordFile();
  store_ = OpenChosenFile(window_.get(), path, password, examples, program_.kind, program_.samples);
  if (!store_) return false;
  if (window_) {
    window_->setWindowTitle(MainWindowTitle(QString::fromLatin1(program_.name), store_->path()));
    window_->SetRecordFile(store_.get());
  }
  return true;
}

void SuiteApp::CloseRecordFile() {
  if (window_) window_->SetRecordFile(nullptr);
  store_.reset();
}

bool SuiteApp::ForwardToPane(const QString& name, const Command& command) {
  return velmora::ForwardToPane(name, command);
}

}  // namespace velmora
