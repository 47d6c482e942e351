// SuiteApp: the application object of a program of the suite, one per
// process. It runs the start-up (single instance, suite broadcast,
// preferences, splash, main window, event loop), owns the main window and the
// open record file, and at its end saves the current pane (with what the main
// window keeps of its own) and closes the file. A program configures it with
// its name, file kind and main window (SuiteProgram).
#pragma once

#include <QObject>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "resources/Strings.h"
#include "shell/FileChoice.h"
#include "store/Format.h"
#include "toolkit/Command.h"

namespace velmora {

class DBusBroadcast;
class MainWindowPresence;
class RecordStore;
class SuiteApp;
class SuiteMainWindow;

// What makes a program of the suite.
struct SuiteProgram {
  const char* name = "";         // "Cardora": window class, instance lock, title
  Program strings = Program::Cardora;  // its string table
  const char* extension = "";    // "adr"
  const char* fileFilter = "";   // "Cardora file (*.adr)|*.adr||"
  format::FileKind kind = format::FileKind::Address;
  SampleWriter samples;          // the example records of a new file
  // Makes the main window at the saved placement (nothing: the default).
  std::function<std::unique_ptr<SuiteMainWindow>(SuiteApp&, std::optional<QRect>)> makeMainWindow;
};

class SuiteApp : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kSuiteName = "Velmora";

  // A copy of a program started with "--new" (the desktop's "New contact"
  // and "New event") asks the copy that runs without a file for a new
  // record: this broadcast plus the program's number (Program).
  static constexpr int kBroadcastNewRecord = 102;

  // commandLine: the one optional path of a record file to open, or "--new"
  // for the window of a new record once the file is open.
  SuiteApp(SuiteProgram program, QString commandLine);
  // Writes "PaneId" (and what the main window keeps) when a main window was
  // made, closes the record file and destroys the panes and the main window.
  ~SuiteApp() override;
  SuiteApp(const SuiteApp&) = delete;
  SuiteApp& operator=(const SuiteApp&) = delete;

  // The application object of the process (none before one is made).
  static SuiteApp* Instance();

  // The program's start-up, event loop and end once the QApplication
  // exists; returns the exit code (0 also for a second instance, which
  // leaves at once).
  int Run();

  const SuiteProgram& program() const { return program_; }
  const QString& commandLine() const { return commandLine_; }
  // Started with "--new" (the command line then names no file).
  bool newRecordWanted() const { return newRecord_; }
  // The broadcast that asks this program for a new record.
  int NewRecordBroadcast() const { return kBroadcastNewRecord + int(program_.strings); }
  // "TesselWndApp_Cardora": the main window's class and the instance lock.
  QString WindowClassName() const;

  // Listens to the suite broadcast and sends this program's broadcasts to
  // the other programs and to its own main window.
  void RegisterSuiteBroadcast();
  // Posts the broadcast to every running program of the suite, this one
  // included.
  void Broadcast(int what, qint64 sender);

  // Makes the main window at its placement and shows it; its file opening
  // (message 4000) follows on the event loop.
  SuiteMainWindow* CreateMainWindow();
  SuiteMainWindow* mainWindow() const { return window_.get(); }

  // The open record file (none before the first opening).
  RecordStore* recordFile() const { return store_.get(); }
  // Opens path (creating it, with the example records when examples is set,
  // when missing), makes it the record file, titles the main window after
  // it and gives it to the main window's panes. False, after a message, on
  // failure.
  bool OpenRecordFile(const std::string& path, const std::string& password, bool examples);
  // Takes the file from the panes and closes it.
  void CloseRecordFile();

  // Posts the command to the pane of that name; false when none has it.
  bool ForwardToPane(const QString& name, const Command& command);

 private:
  bool OtherMainWindowExists() const;

  SuiteProgram program_;
  QString commandLine_;
  bool newRecord_ = false;
  std::unique_ptr<RecordStore> store_;
  std::unique_ptr<DBusBroadcast> bus_;
  std::unique_ptr<MainWindowPresence> presence_;
  std::unique_ptr<SuiteMainWindow> window_;
};

}  // namespace velmora
