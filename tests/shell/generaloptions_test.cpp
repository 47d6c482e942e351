// "General Options" (dialog 1003): how it shows the suite switches, what OK
// writes and sets, and the start of the tray application.
#include "shell/GeneralOptionsDialog.h"

#include <QCheckBox>
#include <QAbstractItemView>
#include <QComboBox>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "ShellTestSupport.h"
#include "shell/SuiteFlags.h"
#include "shell/TrayApplication.h"
#include "tests/support/Files.h"
#include "store/Refresh.h"

namespace velmora::testing {
namespace {

std::string SuiteSetting(const char* key) {
  std::string value;
  ReadSettingText(SuiteSettingsPath(), "Preference", key, value);
  return value;
}

void SetSuite(const char* key, const char* value) {
  ASSERT_TRUE(WriteSettingText(SuiteSettingsPath(), "Preference", key, value).ok());
}

// What OK set in the running program.
struct Applied {
  std::optional<bool> sound, animation;
  int restarts = 0;
  int broadcasts = 0;
  int timerInterval = 0;  // the refresh timer as restarted
};

class GeneralOptionsTest : public ShellTest {
 protected:
  GeneralOptionsActions Actions() {
    GeneralOptionsActions actions;
    actions.setSoundFlag = [this](bool on) { applied.sound = on; };
    actions.setAnimationFlag = [this](bool on) { applied.animation = on; };
    actions.restartRefreshTimers = [this] {
      ++applied.restarts;
      refreshTimer.stop();
      refreshTimer.start(RefreshPeriodSeconds() * 1000);
      applied.timerInterval = refreshTimer.interval();
    };
    actions.broadcastOptionsChanged = [this] { ++applied.broadcasts; };
    return actions;
  }

  Applied applied;
  QTimer refreshTimer;
};

// ---- What the dialog shows -------------------------------------------------

struct ShownCase {
  const char* name;
  const char* value;  // nullptr: key absent
  bool checked;       // in the dialog: on only when absent or exactly "1"
  bool startupOn;     // at start-up: off only for exactly "0"
};

class SwitchShownTest : public GeneralOptionsTest, public ::testing::WithParamInterface<ShownCase> {};

TEST_P(SwitchShownTest, DialogAndStartUpReadTheSwitchesTheirOwnWay) {
  const ShownCase& c = GetParam();
  for (const char* key : {"Sound", "Annimation", "Splash"}) {
    if (c.value) SetSuite(key, c.value);
  }
  DialogScript script;
  script.Expect("1003", [&](QWidget* d) {
    for (const char* id : {"100", "101", "102"}) EXPECT_EQ(Control<QCheckBox>(d, id)->isChecked(), c.checked) << id;
    Click(d, "2");
  });
  EXPECT_EQ(ShowGeneralOptions(nullptr, Actions()), 0);

  LoadStartupFlags();
  EXPECT_EQ(AnimationFlag(), c.startupOn);
  EXPECT_EQ(SplashFlag(), c.startupOn);
  EXPECT_EQ(ReadSettingSwitch(SuiteSettingsPath(), "Preference", "Sound"), c.startupOn);
}

INSTANTIATE_TEST_SUITE_P(Values, SwitchShownTest,
                         ::testing::Values(ShownCase{"Absent", nullptr, true, true},
                                           ShownCase{"One", "1", true, true},
                                           ShownCase{"Zero", "0", false, false},
                                           ShownCase{"Yes", "yes", false, true},
                                           ShownCase{"No", "no", false, true},
                                           ShownCase{"Two", "2", false, true}),
                         [](const ::testing::TestParamInfo<ShownCase>& info) { return std::string(info.param.name); });

struct RefreshCase {
  const char* name;
  const char* stored;  // nullptr: absent
  int selected;        // seconds of the selected entry
};

class RefreshShownTest : public GeneralOptionsTest, public ::testing::WithParamInterface<RefreshCase> {};

TEST_P(RefreshShownTest, SelectsTheStoredPeriod) {
  if (GetParam().stored) SetSuite("NetworkRefresh", GetParam().stored);
  const int expected = GetParam().selected;
  DialogScript script;
  script.Expect("1003", [expected](QWidget* d) {
    auto* list = Control<QComboBox>(d, "103");
    ASSERT_EQ(list->count(), 120);
    EXPECT_EQ(list->itemText(0), QStringLiteral("1 sec."));
    EXPECT_EQ(list->itemText(119), QStringLiteral("120 sec."));
    EXPECT_EQ(list->currentText(), QStringLiteral("%1 sec.").arg(expected));
    Click(d, "2");
  });
  ShowGeneralOptions(nullptr, Actions());
}

// Values outside the list select their nearest entry instead of none.
INSTANTIATE_TEST_SUITE_P(Values, RefreshShownTest,
                         ::testing::Values(RefreshCase{"Absent", nullptr, 2}, RefreshCase{"Stored", "45", 45},
                                           RefreshCase{"Largest", "120", 120}, RefreshCase{"TooLarge", "500", 120},
                                           RefreshCase{"Zero", "0", 1}, RefreshCase{"Negative", "-3", 1}),
                         [](const ::testing::TestParamInfo<RefreshCase>& info) { return std::string(info.param.name); });

TEST_F(GeneralOptionsTest, TheRefreshListOpensAFewRowsTall) {
  DialogScript script;
  script.Expect("1003", [](QWidget* d) {
    auto* list = Control<QComboBox>(d, "103");
    ASSERT_GT(list->maxVisibleItems(), 0);
    EXPECT_LE(list->maxVisibleItems(), 15);
    list->showPopup();
    QWidget* popup = list->view()->window();
    ASSERT_TRUE(popup->isVisible());
    // The opened list holds at most the visible rows (and its frame), not
    // all 120 entries or the screen's height; it scrolls for the rest.
    const int row = list->view()->sizeHintForRow(0);
    ASSERT_GT(row, 0);
    EXPECT_LE(popup->height(), (list->maxVisibleItems() + 1) * row) << "popup " << popup->height() << " row " << row;
    EXPECT_GE(popup->height(), 3 * row);
    EXPECT_TRUE(list->view()->verticalScrollBar()->isVisible());
    list->hidePopup();
    Click(d, "2");
  });
  EXPECT_EQ(ShowGeneralOptions(nullptr, Actions()), 0);
}

// ---- OK and Cancel ---------------------------------------------------------------

TEST_F(GeneralOptionsTest, OkWritesTheKeysAndAppliesThem) {
  DialogScript script;
  script.Expect("1003", [](QWidget* d) {
    Control<QCheckBox>(d, "100")->setChecked(false);
    Control<QCheckBox>(d, "101")->setChecked(true);
    Control<QCheckBox>(d, "102")->setChecked(false);
    Control<QComboBox>(d, "103")->setCurrentIndex(89);  // "90 sec."
    Click(d, "1");
  });
  EXPECT_EQ(ShowGeneralOptions(nullptr, Actions()), 1);
  EXPECT_EQ(SuiteSetting("Sound"), "0");
  EXPECT_EQ(SuiteSetting("Annimation"), "1");
  EXPECT_EQ(SuiteSetting("Splash"), "0");
  EXPECT_EQ(SuiteSetting("NetworkRefresh"), "90");
  EXPECT_EQ(applied.sound, false);
  EXPECT_EQ(applied.animation, true);
  EXPECT_EQ(applied.restarts, 1);
  EXPECT_EQ(applied.timerInterval, 60 * 1000) << "90 seconds run as 60";
  EXPECT_EQ(applied.broadcasts, 1);
}

TEST_F(GeneralOptionsTest, CancelChangesNothing) {
  SetSuite("Sound", "yes");
  DialogScript script;
  script.Expect("1003", [](QWidget* d) {
    Control<QCheckBox>(d, "101")->setChecked(false);
    Control<QComboBox>(d, "103")->setCurrentIndex(9);
    Click(d, "2");
  });
  EXPECT_EQ(ShowGeneralOptions(nullptr, Actions()), 0);
  EXPECT_EQ(SuiteSetting("Sound"), "yes");
  EXPECT_EQ(SuiteSetting("Annimation"), "");
  EXPECT_EQ(SuiteSetting("NetworkRefresh"), "");
  EXPECT_FALSE(applied.sound.has_value());
  EXPECT_EQ(applied.restarts + applied.broadcasts, 0);
}

TEST_F(GeneralOptionsTest, AnimationFlagIsSetWhenTheCallerLeavesItToTheShell) {
  SetAnimationFlag(true);
  DialogScript script;
  script.Expect("1003", [](QWidget* d) {
    Control<QCheckBox>(d, "101")->setChecked(false);
    Click(d, "1");
  });
  EXPECT_EQ(ShowGeneralOptions(nullptr, {}), 1);
  EXPECT_FALSE(AnimationFlag());
}

// ---- Tray application ---------------------------------------------------------------

class TrayTest : public GeneralOptionsTest {
 protected:
  void SetUp() override {
    GeneralOptionsTest::SetUp();
    std::filesystem::create_directories(bin);
    path = std::make_unique<ScopedEnv>("PATH", bin);
  }
  void InstallFakeTray() {
    const std::string program = bin + "/Velmora";
    std::ofstream(program) << "#!/bin/sh\necho started > '" << marker << "'\n";
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  }
  bool TrayStarted(int waitMs = 3000) {
    for (int i = 0; i < waitMs / 10 && !std::filesystem::exists(marker); ++i) QTest::qWait(10);
    return std::filesystem::exists(marker);
  }
  void RunWithTrayBox(bool checked) {
    DialogScript script;
    script.Expect("1003", [checked](QWidget* d) {
      auto* box = Control<QCheckBox>(d, "104");
      EXPECT_EQ(box->text(), QStringLiteral("Start Velmora system tray application"));
      EXPECT_TRUE(box->isEnabled()) << "no tray application runs";
      box->setChecked(checked);
      Click(d, "1");
    });
    EXPECT_EQ(ShowGeneralOptions(nullptr, Actions()), 1);
  }

  std::string bin = File("bin");
  std::string marker = File("tray-started");
  std::unique_ptr<ScopedEnv> path;
};

TEST_F(TrayTest, CheckedBoxStartsTheTrayApplication) {
  InstallFakeTray();
  RunWithTrayBox(true);
  EXPECT_TRUE(TrayStarted());
  // And it starts at every login from now on.
  const std::string entry = ReadWholeFile(TrayAutostartPath().toStdString());
  EXPECT_NE(entry.find("\nExec=\"" + bin + "/Velmora\"\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nName=Velmora reminders\n"), std::string::npos) << entry;
}

TEST_F(TrayTest, UncheckedBoxStartsNothing) {
  InstallFakeTray();
  RunWithTrayBox(false);
  EXPECT_FALSE(TrayStarted(300));
  EXPECT_FALSE(TrayAutostartExists());
}

TEST_F(TrayTest, AMissingTrayApplicationIsNoError) {
  RunWithTrayBox(true);
  EXPECT_TRUE(messages.empty());
  EXPECT_FALSE(TrayAutostartExists());
  EXPECT_EQ(SuiteSetting("Sound"), "1");
}

}  // namespace
}  // namespace velmora::testing
