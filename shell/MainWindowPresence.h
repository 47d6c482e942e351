// Whether a main window of a program is open in any of this user's
// processes, the way a window class is found on the desktop: every main
// window holds a lock file "<pid>.lock" in the folder
// "<runtime folder>/TesselWndApp_<program>.windows" for as long as it
// exists. A mark left by a process that no longer runs does not count and is
// removed.
#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace velmora {

class MainWindowPresence {
 public:
  // className: "TesselWndApp_Cardora".
  explicit MainWindowPresence(QString className);
  ~MainWindowPresence();
  MainWindowPresence(const MainWindowPresence&) = delete;
  MainWindowPresence& operator=(const MainWindowPresence&) = delete;

  // True when a main window of the class exists in another process.
  bool OthersExist() const;
  // Marks this process's main window; true when the mark is held.
  bool Announce();
  bool announced() const { return lock_ != nullptr; }

  QString Folder() const;

 private:
  QString className_;
  std::unique_ptr<QLockFile> lock_;
};

}  // namespace velmora
