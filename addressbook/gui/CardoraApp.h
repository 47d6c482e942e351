// CardoraApp: the application object of the address book, one per process.
// It runs the start-up (single instance, suite broadcast, preferences,
// splash, main window, event loop), owns the main window and the open record
// file, and at its end saves the pane, sort order and view tab and closes the
// file.
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <string>

#include "toolkit/Command.h"

namespace velmora {

class CardoraMainWindow;
class MainWindowPresence;
class RecordStore;
class SuiteBroadcast;

class CardoraApp : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kApplicationName = "Cardora";
  static constexpr const char* kSuiteName = "Velmora";
  static constexpr const char* kExtension = "adr";
  static constexpr const char* kFileFilter = "Cardora file (*.adr)|*.adr||";

  // commandLine: the one optional path of a record file to open.
  explicit CardoraApp(QString commandLine = {});
  // Writes "PaneId", "Sort" and "Tab" when a main window was made, closes the
  // record file and destroys the panes and the main window.
  ~CardoraApp() override;
  CardoraApp(const CardoraApp&) = delete;
  CardoraApp& operator=(const CardoraApp&) = delete;

  // The application object of the process (none before one is made).
  static CardoraApp* Instance();

  // The program's start-up, event loop and end once the QApplication
  // exists; returns the exit code (0 also for a second instance, which
  // leaves at once).
  int Run();

  const QString& commandLine() const { return commandLine_; }
  // "TesselWndApp_Cardora": the main window's class and the instance lock.
  static QString WindowClassName();

  // Listens to the suite broadcast and sends this program's broadcasts to
  // the other programs and to its own main window.
  void RegisterSuiteBroadcast();
  // Posts the broadcast to every running program of the suite, this one
  // included.
  void Broadcast(int what, qint64 sender);

  // Makes the main window at its placement and shows it; its file opening
  // (message 4000) follows on the event loop.
  CardoraMainWindow* CreateMainWindow();
  CardoraMainWindow* mainWindow() const { return window_.get(); }

  // The open record file (none before the first opening).
  RecordStore* recordFile() const { return store_.get(); }
  // Opens path (creating it, with the sample contacts when examples is set,
  // when missing), makes it the record file, titles the main window after
  // it and gives it to the "Work" pane. False, after a message, on failure.
  bool OpenRecordFile(const std::string& path, const std::string& password, bool examples);
  // Takes the file from the "Work" pane and closes it.
  void CloseRecordFile();

  // Posts the command to the pane of that name; false when none has it.
  bool ForwardToPane(const QString& name, const Command& command);

 private:
  bool OtherMainWindowExists() const;

  QString commandLine_;
  std::unique_ptr<RecordStore> store_;
  std::unique_ptr<SuiteBroadcast> bus_;
  std::unique_ptr<MainWindowPresence> presence_;
  std::unique_ptr<CardoraMainWindow> window_;
};

}  // namespace velmora
