// The process-wide services a program of the suite works through, as one
// set: the settings file's name, the string table, the message boxes and the
// beep, the file dialogs, the desktop's URL opener, the suite broadcast, the
// file system, and whether lists refresh. The program installs its set at
// start; a test installs a set of its own whole and gets the one before back
// at the end (ScopedSuiteServices). An empty member means the real service.
#pragma once

#include <string>

#include "resources/Strings.h"
#include "shell/DesktopIntegration.h"
#include "shell/MessageBoxes.h"
#include "toolkit/BroadcastDispatch.h"

namespace velmora {

class FileDialogs;
class FileSystem;

struct SuiteServices {
  std::string programName;              // names "<program>.ini"; empty: the running program's
  Program strings = Program::Cardora;   // the string table of LoadText
  MessageBoxHandler messageBoxes;       // empty: the suite's boxes
  BeepHandler beep;                     // empty: the desktop's beep
  FileDialogs* fileDialogs = nullptr;   // nothing: Qt's dialogs (not owned)
  UrlOpener urlOpener;                  // empty: the desktop's
  SuiteBroadcaster broadcaster;         // empty: this process only
  FileSystem* fileSystem = nullptr;     // nothing: the real one (not owned)
  bool refreshAllowed = true;           // lists poll for other users' changes
};

// Installs every service of the set and returns the set it replaces. The
// store cannot say which file system was installed: the set returned names
// the real one, as it does the running program's name.
SuiteServices InstallSuiteServices(SuiteServices services);

// A set installed for the life of the object; the one before comes back.
class ScopedSuiteServices {
 public:
  explicit ScopedSuiteServices(SuiteServices services);
  ~ScopedSuiteServices();
  ScopedSuiteServices(const ScopedSuiteServices&) = delete;
  ScopedSuiteServices& operator=(const ScopedSuiteServices&) = delete;

 private:
  SuiteServices previous_;
};

}  // namespace velmora
