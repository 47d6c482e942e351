#include "shell/SuiteServices.h"

#include "shell/FileDialogs.h"
#include "shell/SuiteFlags.h"
#include "store/FileSystem.h"
#include "store/Refresh.h"
#include "store/Settings.h"
#include "toolkit/Resources.h"
#include "toolkit/Skin.h"
#include "toolkit/SoundPlayer.h"
#include "toolkit/TesselPane.h"

namespace velmora {

namespace {
FilePrinter& InstalledPrinter() {
  static FilePrinter printer;
  return printer;
}
}  // namespace

bool PrintTextFile(std::string_view path) {
  const FilePrinter& printer = InstalledPrinter();
  return printer ? printer(path) : PrintFile(path);
}

FilePrinter SetFilePrinter(FilePrinter printer) {
  FilePrinter previous = std::move(InstalledPrinter());
  InstalledPrinter() = std::move(printer);
  return previous;
}

SuiteServices InstallSuiteServices(SuiteServices services) {
  SuiteServices previous;
  previous.strings = CurrentProgram();
  previous.refreshAllowed = RefreshAllowed();
  previous.clockStyle = GetClockStyle();
  previous.animation = AnimationFlag();
  previous.splash = SplashFlag();
  previous.sound = SoundPlayer::Instance().enabled();
  SetProgramName(std::move(services.programName));
  SetCurrentProgram(services.strings);
  previous.messageBoxes = SetMessageBoxHandler(std::move(services.messageBoxes));
  previous.beep = SetBeepHandler(std::move(services.beep));
  previous.fileDialogs = FileDialogs::SetCurrent(services.fileDialogs);
  previous.urlOpener = SetUrlOpener(std::move(services.urlOpener));
  previous.printer = SetFilePrinter(std::move(services.printer));
  previous.broadcaster = SetSuiteBroadcaster(std::move(services.broadcaster));
  SetFileSystemForTesting(services.fileSystem);
  SetRefreshAllowed(services.refreshAllowed);
  previous.resourceFolders = SetResourceFoldersForTesting(std::move(services.resourceFolders));
  previous.panes = SetPaneRegistry(services.panes);
  if (services.clockStyle) SetClockStyle(*services.clockStyle);
  // The switches not given come from the (perhaps new) settings folder.
  if (!services.animation || !services.splash) LoadStartupFlags();
  if (services.animation) SetAnimationFlag(*services.animation);
  if (services.splash) SetSplashFlag(*services.splash);
  if (services.sound) {
    SoundPlayer::Instance().SetEnabled(*services.sound);
  } else {
    SoundPlayer::Instance().ReloadSwitch();
  }
  // The skin named in the settings, from the resource folders of the set.
  ReloadSkin();
  return previous;
}

ScopedSuiteServices::ScopedSuiteServices(SuiteServices services)
    : previous_(InstallSuiteServices(std::move(services))) {}

ScopedSuiteServices::~ScopedSuiteServices() { (void)InstallSuiteServices(std::move(previous_)); }

}  // namespace velmora
