// The sandbox of a window test: the folders of FolderSandbox (program
// folder, desktop data and runtime folders, current directory) and a whole
// set of suite services of its own: the program "Cardora" (or "Almanor"), message boxes
// and beeps recorded (question boxes answered from a queue), scripted file
// dialogs, the 24-hour clock, a pane registry with no panes, the switches
// and the skin of its own settings. Quiet, it also switches off the sound,
// the animation and the splash. Everything comes back at its end.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "shell/MessageBoxes.h"
#include "shell/SuiteServices.h"
#include "tests/support/Sandbox.h"
#include "tests/support/ScriptedFileDialogs.h"
#include "toolkit/TesselPane.h"

namespace velmora::testing {

struct ShownMessage {
  MessageKind kind;
  std::string text;
};

class GuiSandbox {
 public:
  enum class Settings { AsTheyAre, Quiet };

  // program: whose settings file ("Cardora.ini", "Almanor.ini") and string
  // table the test sees.
  explicit GuiSandbox(Settings settings = Settings::AsTheyAre, Program program = Program::Cardora);
  ~GuiSandbox();
  GuiSandbox(const GuiSandbox&) = delete;
  GuiSandbox& operator=(const GuiSandbox&) = delete;

  const std::string& folder() const { return folders_.path(); }
  std::string File(const std::string& name) const { return folders_.File(name); }

  // "Preference" keys of "Velmora.ini" and of the program's own file.
  void SetSuite(const char* key, const std::string& value);
  void SetProgram(const char* key, const std::string& value);
  std::optional<std::string> ProgramSetting(const char* key) const;

  std::vector<std::string> MessageTexts() const;

  ScriptedFileDialogs dialogs;
  std::vector<ShownMessage> messages;
  std::deque<bool> answers;  // answers of question boxes, in order (No when none left)
  int beeps = 0;

 private:
  SuiteServices Services(Settings settings, Program program);

  FolderSandbox folders_;
  PaneRegistry panes_;  // the windows of the test go before it
  ScopedSuiteServices services_;
};

}  // namespace velmora::testing
