// The process-wide services and state a program of the suite works
// through, as one set: the settings file's name, the string table, the
// message boxes and the beep, the file dialogs, the desktop's URL opener and
// printing, the suite broadcast, the file system, whether lists refresh, the folders of
// read-only files, the clock style, the animation, splash and sound
// switches, and the pane registry. The program installs its set at start; a
// test installs a set of its own whole and gets the one before back at the
// end (ScopedSuiteServices). An empty member means the real service.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "resources/Strings.h"
#include "shell/DesktopIntegration.h"
#include "shell/MessageBoxes.h"
#include "store/Dates.h"
#include "toolkit/BroadcastDispatch.h"

namespace velmora {

class FileDialogs;
class FileSystem;
struct PaneRegistry;

// Hands a text file to printing; true when printing was started.
using FilePrinter = std::function<bool(std::string_view path)>;

struct SuiteServices {
  std::string programName;              // names "<program>.ini"; empty: the running program's
  Program strings = Program::Cardora;   // the string table of LoadText
  MessageBoxHandler messageBoxes;       // empty: the suite's boxes
  BeepHandler beep;                     // empty: the desktop's beep
  FileDialogs* fileDialogs = nullptr;   // nothing: Qt's dialogs (not owned)
  UrlOpener urlOpener;                  // empty: the desktop's
  FilePrinter printer;                  // empty: PrintFile
  SuiteBroadcaster broadcaster;         // empty: this process only
  FileSystem* fileSystem = nullptr;     // nothing: the real one (not owned)
  bool refreshAllowed = true;           // lists poll for other users' changes
  // Where skins, sounds and help are found; empty: the program folder, the
  // executable's and the installation's. The skin is read again from there.
  std::vector<std::string> resourceFolders;
  // Nothing: as it is (read once from "Velmora.ini" or the locale).
  std::optional<ClockStyle> clockStyle;
  // The switches of "Velmora.ini"; nothing: read from the file now.
  std::optional<bool> animation;
  std::optional<bool> splash;
  std::optional<bool> sound;
  PaneRegistry* panes = nullptr;         // nothing: the process's own (not owned)
};

// Installs every service of the set and returns the set it replaces. The
// store cannot say which file system was installed: the set returned names
// the real one, as it does the running program's name. The set returned
// holds the clock style and the switches as they were, read if need be.
SuiteServices InstallSuiteServices(SuiteServices services);

// Prints the text file at path through the installed printer.
bool PrintTextFile(std::string_view path);
// Installs printer alone and returns the one before (empty: PrintFile).
FilePrinter SetFilePrinter(FilePrinter printer);

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
