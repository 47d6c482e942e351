#include "tests/support/GuiSandbox.h"

#include "shell/SuiteFlags.h"
#include "store/Settings.h"
#include "toolkit/Skin.h"
#include "toolkit/SoundPlayer.h"

namespace velmora::testing {

namespace {
constexpr const char* kPreference = "Preference";
constexpr size_t kLongest = 4096;
}  // namespace

GuiSandbox::GuiSandbox(Settings settings) : services_(Services()) {
  if (settings != Settings::Quiet) return;
  SetSuite("Sound", "0");
  SetSuite("Annimation", "0");
  SetSuite("Splash", "0");
  LoadStartupFlags();
  SoundPlayer::Instance().ReloadSwitch();
  ReloadSkin();
}

GuiSandbox::~GuiSandbox() = default;

SuiteServices GuiSandbox::Services() {
  SuiteServices services;
  services.programName = "Cardora";
  services.strings = Program::Cardora;
  services.messageBoxes = [this](MessageKind kind, const std::string& text) {
    messages.push_back({kind, text});
    if (kind != MessageKind::Question || answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  };
  services.beep = [this] { ++beeps; };
  services.fileDialogs = &dialogs;
  services.refreshAllowed = true;
  return services;
}

void GuiSandbox::SetSuite(const char* key, const std::string& value) {
  Result written = WriteSettingText(SuiteSettingsPath(), kPreference, key, value);
  EXPECT_TRUE(written.ok()) << written.Message();
}

void GuiSandbox::SetProgram(const char* key, const std::string& value) {
  Result written = WriteSettingText(ProgramSettingsPath(), kPreference, key, value);
  EXPECT_TRUE(written.ok()) << written.Message();
}

std::optional<std::string> GuiSandbox::ProgramSetting(const char* key) const {
  std::string value;
  if (ReadSettingText(ProgramSettingsPath(), kPreference, key, value, kLongest) == 0) return std::nullopt;
  return value;
}

std::vector<std::string> GuiSandbox::MessageTexts() const {
  std::vector<std::string> texts;
  for (const ShownMessage& m : messages) texts.push_back(m.text);
  return texts;
}

}  // namespace velmora::testing
