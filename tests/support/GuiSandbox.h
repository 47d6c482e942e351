// The sandbox of a window test: the folders of FolderSandbox (program
// folder, desktop data and runtime folders, current directory) and a whole
// set of suite services of its own: the program "Cardora", message boxes
// and beeps recorded (question boxes answered from a queue), and scripted
// file dialogs. Quiet, it also switches off the sound, the animation and the
// splash and loads the default skin. Everything comes back at its end.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "shell/MessageBoxes.h"
#include "shell/SuiteServices.h"
#include "tests/support/Sandbox.h"
#include "tests/support/ScriptedFileDialogs.h"

namespace velmora::testing {

struct ShownMessage {
  MessageKind kind;
  std::string text;
};

class GuiSandbox {
 public:
  enum class Settings { AsTheyAre, Quiet };

  explicit GuiSandbox(Settings settings = Settings::AsTheyAre);
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
  SuiteServices Services();

  FolderSandbox folders_;
  ScopedSuiteServices services_;
};

}  // namespace velmora::testing
