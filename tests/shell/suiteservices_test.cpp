// The set of suite services: what a set brings is in force while it is
// installed, the switches it leaves out come from "Velmora.ini", and the set
// before comes back whole at the end of a scope.
#include <gtest/gtest.h>

#include <memory>

#include "shell/SuiteFlags.h"
#include "shell/SuiteServices.h"
#include "store/Settings.h"
#include "tests/support/GuiSandbox.h"
#include "tests/support/Sandbox.h"
#include "toolkit/Resources.h"
#include "toolkit/SoundPlayer.h"
#include "toolkit/TesselPane.h"

namespace velmora::testing {
namespace {

struct State {
  std::vector<std::string> folders;
  ClockStyle clock;
  bool animation, splash, sound;
  const std::vector<TesselPane*>* panes;
};

State Now() {
  return {ResourceFolders(),  GetClockStyle(),
          AnimationFlag(),    SplashFlag(),
          SoundPlayer::Instance().enabled(), &RegisteredPanes()};
}

TEST(SuiteServicesTest, ASetIsInForceWhileInstalledAndTheOneBeforeComesBack) {
  FolderSandbox folders;
  TempDir resources;  // the program folder from here on
  const State before = Now();
  PaneRegistry registry;
  {
    SuiteServices services;
    services.resourceFolders = {resources.path()};
    services.clockStyle = before.clock == ClockStyle::TwelveHour ? ClockStyle::TwentyFourHour : ClockStyle::TwelveHour;
    services.animation = !before.animation;
    services.splash = !before.splash;
    services.sound = !before.sound;
    services.panes = &registry;
    const ScopedSuiteServices installed(services);
    EXPECT_EQ(ResourceFolders(), std::vector<std::string>{resources.path()});
    EXPECT_EQ(GetClockStyle(), *services.clockStyle);
    EXPECT_EQ(AnimationFlag(), !before.animation);
    EXPECT_EQ(SplashFlag(), !before.splash);
    EXPECT_EQ(SoundPlayer::Instance().enabled(), !before.sound);
    // A pane joins the set's registry and leaves it again.
    {
      TesselPane pane(QStringLiteral("Only"));
      ASSERT_EQ(registry.panes.size(), 1u);
      EXPECT_EQ(registry.panes[0], &pane);
      EXPECT_EQ(CurrentPane(), &pane);
    }
    EXPECT_TRUE(registry.panes.empty());
  }
  const State after = Now();
  EXPECT_EQ(after.folders, before.folders);
  EXPECT_EQ(after.clock, before.clock);
  EXPECT_EQ(after.animation, before.animation);
  EXPECT_EQ(after.splash, before.splash);
  EXPECT_EQ(after.sound, before.sound);
  EXPECT_EQ(after.panes, before.panes);
}

TEST(SuiteServicesTest, SwitchesLeftOutAreReadFromTheSuiteFile) {
  FolderSandbox folders;
  ASSERT_TRUE(WriteSettingText(SuiteSettingsPath(), "Preference", "Annimation", "0").ok());
  ASSERT_TRUE(WriteSettingText(SuiteSettingsPath(), "Preference", "Splash", "1").ok());
  ASSERT_TRUE(WriteSettingText(SuiteSettingsPath(), "Preference", "Sound", "0").ok());
  SetAnimationFlag(true);
  SetSplashFlag(false);
  SoundPlayer::Instance().SetEnabled(true);
  {
    const ScopedSuiteServices installed(SuiteServices{});
    EXPECT_FALSE(AnimationFlag());
    EXPECT_TRUE(SplashFlag());
    EXPECT_FALSE(SoundPlayer::Instance().enabled());
  }
  EXPECT_TRUE(AnimationFlag());
  EXPECT_FALSE(SplashFlag());
  EXPECT_TRUE(SoundPlayer::Instance().enabled());
  SoundPlayer::Instance().SetEnabled(false);
}

TEST(SuiteServicesTest, EveryWindowSandboxStartsWithoutPanes) {
  std::unique_ptr<TesselPane> kept;
  {
    GuiSandbox first(GuiSandbox::Settings::Quiet);
    kept = std::make_unique<TesselPane>(QStringLiteral("Kept"));
    ASSERT_EQ(RegisteredPanes().size(), 1u);
    EXPECT_FALSE(AnimationFlag());
    EXPECT_EQ(GetClockStyle(), ClockStyle::TwentyFourHour);
  }
  GuiSandbox second(GuiSandbox::Settings::Quiet);
  EXPECT_TRUE(RegisteredPanes().empty());
  EXPECT_EQ(CurrentPaneIndex(), 0);
  EXPECT_FALSE(SoundPlayer::Instance().enabled());
  EXPECT_FALSE(SplashFlag());
  kept.reset();  // a pane that outlived its sandbox goes quietly
  EXPECT_TRUE(RegisteredPanes().empty());
}

}  // namespace
}  // namespace velmora::testing
