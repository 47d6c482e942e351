#include "tests/support/GuiSandbox.h"

#include <gtest/gtest.h>

#include "store/Settings.h"

namespace velmora::testing {

namespace {
constexpr const char* kPreference = "Preference";
constexpr size_t kLongest = 4096;
}  // namespace

GuiSandbox::GuiSandbox(Settings settings, Program program) : services_(Services(settings, program)) {}

GuiSandbox::~GuiSandbox() = default;

SuiteServices GuiSandbox::Services(Settings settings, Program program) {
  // The suite settings are written before the set is installed, which
  // reads the switches not given from them.
  if (settings == Settings::Quiet) {
    SetSuite("Sound", "0");
    SetSuite("Annimation", "0");
    SetSuite("Splash", "0");
  }
  SuiteServices services;
  services.programName = program == Program::Almanor ? "Almanor" : "Cardora";
  services.strings = program;
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
  services.clockStyle = ClockStyle::TwentyFourHour;
  services.panes = &panes_;
  if (settings == Settings::Quiet) {
    services.animation = false;
    services.splash = false;
    services.sound = false;
  }
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
