// What the address book's window tests share: the registry of Qt Test
// suites, and a sandbox per test function with its own program folder,
// desktop data folder and runtime folder, quiet suite settings (no sound,
// animation or splash), recorded message boxes and beeps, and file dialogs
// answered by the test.
#pragma once

#include <sys/stat.h>

#include <QObject>
#include <QTest>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "resources/Strings.h"
#include "shell/FileDialogs.h"
#include "shell/MessageBoxes.h"
#include "shell/SuiteFlags.h"
#include "store/Refresh.h"
#include "store/Settings.h"
#include "tests/support/Sandbox.h"
#include "toolkit/Skin.h"
#include "toolkit/SoundPlayer.h"

namespace velmora::testing {

using SuiteFactory = std::function<std::unique_ptr<QObject>()>;
struct SuiteEntry {
  const char* name;
  SuiteFactory factory;
};
std::vector<SuiteEntry>& Suites();
bool RegisterSuite(const char* name, SuiteFactory factory);

#define CARDORA_TEST_SUITE(Class)                                               \
  static const bool kRegistered##Class = ::velmora::testing::RegisterSuite( \
      #Class, [] { return std::unique_ptr<QObject>(new Class); });

// File dialogs that answer from a queue (nothing = cancel).
class ScriptedFileDialogs : public FileDialogs {
 public:
  std::deque<std::optional<std::string>> answers;
  std::vector<FileDialogRequest> requests;

  std::optional<std::string> ChooseFile(QWidget*, const FileDialogRequest& request) override {
    requests.push_back(request);
    return Next();
  }
  std::optional<std::string> ChooseFolder(QWidget*, const std::string&, const std::string&) override {
    return Next();
  }

 private:
  std::optional<std::string> Next() {
    if (answers.empty()) return std::nullopt;
    std::optional<std::string> answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

class Sandbox {
 public:
  Sandbox()
      : dataHome_("XDG_DATA_HOME", home_.File("xdg-data")),
        runtime_("XDG_RUNTIME_DIR", MakeRuntimeFolder(home_.File("runtime"))) {
    SetProgramName("Cardora");
    SetCurrentProgram(Program::Cardora);
    SetSuite("Sound", "0");
    SetSuite("Annimation", "0");
    SetSuite("Splash", "0");
    LoadStartupFlags();
    SoundPlayer::Instance().ReloadSwitch();
    ReloadSkin();
    SetRefreshAllowed(true);
    previousBox_ = SetMessageBoxHandler([this](MessageKind, const std::string& text) {
      messages.push_back(text);
      return false;
    });
    previousBeep_ = SetBeepHandler([this] { ++beeps; });
    FileDialogs::SetCurrent(&dialogs);
  }
  ~Sandbox() {
    FileDialogs::SetCurrent(nullptr);
    SetBeepHandler(std::move(previousBeep_));
    SetMessageBoxHandler(std::move(previousBox_));
    SetProgramName("");
  }
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  const std::string& folder() const { return home_.path(); }
  std::string File(const std::string& name) const { return home_.File(name); }

  void SetSuite(const char* key, const std::string& value) {
    QVERIFY(WriteSettingText(SuiteSettingsPath(), "Preference", key, value).ok());
  }
  void SetProgram(const char* key, const std::string& value) {
    QVERIFY(WriteSettingText(ProgramSettingsPath(), "Preference", key, value).ok());
  }
  std::optional<std::string> ProgramSetting(const char* key) const {
    std::string value;
    if (ReadSettingText(ProgramSettingsPath(), "Preference", key, value, 4096) == 0) return std::nullopt;
    return value;
  }

  ScriptedFileDialogs dialogs;
  std::vector<std::string> messages;
  int beeps = 0;

 private:
  static std::string MakeRuntimeFolder(const std::string& path) {
    ::mkdir(path.c_str(), 0700);
    return path;
  }

  TempDir home_;
  ScopedEnv dataHome_;
  ScopedEnv runtime_;
  MessageBoxHandler previousBox_;
  BeepHandler previousBeep_;
};

}  // namespace velmora::testing
