// The file and folder dialogs behind one small interface, so that the
// commands that ask for a path can be driven by tests. The default
// implementation is QtFileDialogs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

class QWidget;

namespace velmora {

// The folder new files are kept in: "Works" in the program folder. Asking
// for it makes it the current directory, creating it first when missing.
std::string WorkFolder();

enum class FileDialogMode { Open, Save };
// Given: the request's own folder.
enum class StartFolder { Current, Program, Work, Given };

struct FileDialogRequest {
  FileDialogMode mode = FileDialogMode::Open;
  // "Cardora file (*.adr)|*.adr||": description and pattern pairs.
  std::string filter;
  std::string defaultExtension;  // without the dot
  StartFolder start = StartFolder::Work;
  std::string folder;  // with StartFolder::Given
};

class FileDialogs {
 public:
  virtual ~FileDialogs() = default;

  // Open mode: the path of an existing file. Save mode: the path to write
  // (overwriting an existing file and creating a new one both confirmed).
  // Nothing when cancelled.
  virtual std::optional<std::string> ChooseFile(QWidget* owner, const FileDialogRequest& request) = 0;
  // A folder, or nothing when cancelled.
  virtual std::optional<std::string> ChooseFolder(QWidget* owner, const std::string& prompt,
                                                  const std::string& startFolder) = 0;

  // The dialogs in use; SetCurrent(nullptr) restores the Qt ones and
  // returns what was installed before (nothing: the Qt ones). The caller
  // keeps ownership of what it installs.
  static FileDialogs& Current();
  static FileDialogs* SetCurrent(FileDialogs* dialogs);
};

// The folder a request starts in (creating the work folder when needed).
std::string StartFolderPath(StartFolder start);
std::string StartFolderPath(const FileDialogRequest& request);

// "Cardora file (*.adr)|*.adr||" as Qt name filters: "Cardora file (*.adr)".
std::string QtNameFilters(std::string_view pipeFilter);

}  // namespace velmora
