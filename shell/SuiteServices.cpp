#include "shell/SuiteServices.h"

#include "shell/FileDialogs.h"
#include "store/FileSystem.h"
#include "store/Refresh.h"
#include "store/Settings.h"

namespace velmora {

SuiteServices InstallSuiteServices(SuiteServices services) {
  SuiteServices previous;
  previous.strings = CurrentProgram();
  previous.refreshAllowed = RefreshAllowed();
  SetProgramName(std::move(services.programName));
  SetCurrentProgram(services.strings);
  previous.messageBoxes = SetMessageBoxHandler(std::move(services.messageBoxes));
  previous.beep = SetBeepHandler(std::move(services.beep));
  previous.fileDialogs = FileDialogs::SetCurrent(services.fileDialogs);
  previous.urlOpener = SetUrlOpener(std::move(services.urlOpener));
  previous.broadcaster = SetSuiteBroadcaster(std::move(services.broadcaster));
  SetFileSystemForTesting(services.fileSystem);
  SetRefreshAllowed(services.refreshAllowed);
  return previous;
}

ScopedSuiteServices::ScopedSuiteServices(SuiteServices services)
    : previous_(InstallSuiteServices(std::move(services))) {}

ScopedSuiteServices::~ScopedSuiteServices() { (void)InstallSuiteServices(std::move(previous_)); }

}  // namespace velmora
