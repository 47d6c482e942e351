// The tray's menu: its fixed entries, today's and tomorrow's appointments
// of the watched calendars (each opening Almanor on its calendar), pause,
// "Don't start at login"; and the settings dialog of the watched calendars.
#include <gtest/gtest.h>

#include <QAction>
#include <QFileInfo>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "TrayTestSupport.h"
#include "shell/FileDialogs.h"
#include "shell/TrayApplication.h"
#include "tests/support/Files.h"
#include "store/Settings.h"
#include "tray/TrayCalendars.h"
#include "tray/TrayMenu.h"
#include "tray/TrayReminders.h"
#include "tray/TraySettingsDialog.h"

namespace velmora {
namespace {

using testing::At;

QString Q(const char* text) { return QString::fromUtf8(text); }

class TrayMenuTest : public testing::TrayCalendarFixture {
 protected:
  TrayMenuTest() {
    reminders_.SetClock([this] { return now_; });
    reminders_.SetLauncher([this](const QString& program, const QStringList& arguments) {
      launched_.push_back(QFileInfo(program).fileName() + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')));
      return true;
    });
  }

  // The menu's entries as texts ("-" for a separator).
  QStringList Texts() {
    QStringList out;
    for (QAction* action : menu_.menu()->actions()) out << (action->isSeparator() ? Q("-") : action->text());
    return out;
  }
  QAction* Entry(const char* name) { return menu_.menu()->findChild<QAction*>(Q(name)); }

  QDate today_{2026, 3, 9};
  QDateTime now_{today_, QTime(8, 0)};
  TrayReminders reminders_{QDBusConnection(Q("none")), QDBusConnection(Q("none"))};
  TrayMenu menu_{reminders_, /*trayAvailable=*/false};
  std::vector<QString> launched_;
};

TEST_F(TrayMenuTest, TheEntriesInTheirOrderWithoutAppointments) {
  menu_.Refresh();
  EXPECT_EQ(Texts(), (QStringList{Q("Open &Cardora"), Q("Open &Almanor"), Q("-"),
                                  Q("No appointments today or tomorrow"), Q("-"),
                                  Q("&Pause reminders for an hour"), Q("&Settings..."),
                                  Q("&Don't start at login"), Q("-"), Q("&Quit")}));
  EXPECT_FALSE(Entry(TrayMenu::kNoAppointmentsName)->isEnabled());
  EXPECT_FALSE(menu_.iconShown());
}

TEST_F(TrayMenuTest, TodaysAndTomorrowsAppointmentsOfEveryWatchedCalendarInOrder) {
  EventRecord allDay = Make(today_, "Holiday", At(9, 0));
  allDay.setAllDay(true);
  Add(allDay);
  const quint64 tomorrowId = Read(Add(Make(today_.addDays(1), "Tomorrow's & later", At(9, 0)))).id();
  EventRecord early = Make(today_, "Dentist\nbring the card", At(9, 0));
  early.setStartTime(At(8, 15));
  Add(early);
  Add(Make(today_.addDays(2), "the day after", At(9, 0)));
  Add(Make(today_.addDays(-1), "yesterday", At(9, 0)));
  const std::string club = sandbox_.File("club.cld");
  quint64 clubId = 0;
  ASSERT_TRUE(CreateRecordFile(club, format::FileKind::Calendar).ok());
  {
    RecordStore store(club, "");
    EventRecord e = Make(today_, "Club", At(9, 0));
    e.setStartTime(At(10, 0));
    clubId = e.id();
    ASSERT_TRUE(store.AddRecord(e.bytes()).ok());
  }
  ASSERT_TRUE(SaveAddedCalendars({club}).ok());
  menu_.menu()->aboutToShow();
  EXPECT_EQ(Texts().mid(3, 4), (QStringList{Q("Today All day  Holiday"), Q("Today 08:15  Dentist"),
                                            Q("Today 10:00  Club"), Q("Tomorrow 14:30  Tomorrow's && later")}));
  EXPECT_EQ(Texts().at(7), Q("-"));
  EXPECT_EQ(Entry(TrayMenu::kNoAppointmentsName), nullptr);
  // A click opens Almanor on the appointment, in the calendar it is in.
  QList<QAction*> appointments;
  for (QAction* action : menu_.menu()->actions()) {
    if (action->objectName() == Q(TrayMenu::kAppointmentName)) appointments << action;
  }
  ASSERT_EQ(appointments.size(), 4);
  appointments[2]->trigger();
  appointments[3]->trigger();
  const auto on = [](const QDate& day, quint64 id) {
    return QStringLiteral("--event=%1:%2 ").arg(day.toString(Qt::ISODate)).arg(id);
  };
  EXPECT_EQ(launched_, (std::vector<QString>{Q("Almanor ") + on(today_, clubId) + QString::fromStdString(club),
                                             Q("Almanor ") + on(today_.addDays(1), tomorrowId) +
                                                 QString::fromStdString(path_)}));
  // Opened again the next day, the menu has moved on.
  now_ = now_.addDays(1);
  menu_.Refresh();
  EXPECT_EQ(Texts().mid(3, 2), (QStringList{Q("Today 14:30  Tomorrow's && later"), Q("Tomorrow 14:30  the day after")}));
}

TEST_F(TrayMenuTest, ABusyDayListsFifteenAndOpensAlmanorForTheRest) {
  for (int i = 0; i < 20; ++i) Add(Make(today_, ("meeting " + std::to_string(i)).c_str(), At(9, 0)));
  menu_.Refresh();
  int listed = 0;
  for (QAction* action : menu_.menu()->actions()) listed += action->objectName() == Q(TrayMenu::kAppointmentName);
  EXPECT_EQ(listed, 15);
  QAction* more = Entry(TrayMenu::kMoreAppointmentsName);
  ASSERT_NE(more, nullptr);
  EXPECT_EQ(more->text(), Q("5 more..."));
  more->trigger();
  EXPECT_EQ(launched_, std::vector<QString>{Q("Almanor ")});
}

TEST_F(TrayMenuTest, OpenEntriesStartTheProgramsAndPauseIsCheckedWhilePaused) {
  Entry(TrayMenu::kOpenCardoraName)->trigger();
  Entry(TrayMenu::kOpenAlmanorName)->trigger();
  EXPECT_EQ(launched_, (std::vector<QString>{Q("Cardora "), Q("Almanor ")}));
  QAction* pause = Entry(TrayMenu::kPauseName);
  ASSERT_TRUE(pause->isCheckable());
  pause->trigger();
  EXPECT_TRUE(pause->isChecked());
  EXPECT_TRUE(reminders_.paused());
  EXPECT_EQ(reminders_.pausedUntil(), now_.addSecs(3600));
  now_ = now_.addSecs(3600);
  menu_.Refresh();
  EXPECT_FALSE(pause->isChecked());
  pause->trigger();
  pause->trigger();  // unticked by hand: reminders run again at once
  EXPECT_FALSE(reminders_.paused());
}

TEST_F(TrayMenuTest, DontStartAtLoginRemovesTheAutostartEntryAndUntickedWritesItAgain) {
  const QString program = QString::fromStdString(sandbox_.File("bin/Velmora"));
  ASSERT_TRUE(WriteTrayAutostart(program).ok());
  const std::string written = testing::ReadWholeFile(TrayAutostartPath().toStdString());
  EXPECT_NE(written.find("\nExec=\"" + program.toStdString() + "\"\n"), std::string::npos) << written;
  EXPECT_EQ(TrayAutostartPath(), QString::fromStdString(sandbox_.File("xdg-config/autostart/org.velmora.Tray.desktop")));
  menu_.Refresh();
  QAction* noAutostart = Entry(TrayMenu::kNoAutostartName);
  EXPECT_FALSE(noAutostart->isChecked());
  noAutostart->trigger();
  EXPECT_TRUE(noAutostart->isChecked());
  EXPECT_FALSE(TrayAutostartExists());
  // Removing what is not there is no failure.
  EXPECT_TRUE(RemoveTrayAutostart().ok());
}

TEST(TrayAutostartEntry, TheExecLineQuotesWhatTheDesktopWouldReadOtherwise) {
  struct Case {
    const char* program;
    const char* exec;
  } cases[] = {
      {"/usr/bin/Velmora", "Exec=\"/usr/bin/Velmora\""},
      {"/opt/my apps/Velmora", "Exec=\"/opt/my apps/Velmora\""},
      {"/opt/50%/$x`y\"z/Velmora", "Exec=\"/opt/50%%/\\\\$x\\\\`y\\\\\"z/Velmora\""},
  };
  for (const Case& c : cases) {
    const std::string entry = TrayAutostartEntry(Q(c.program));
    EXPECT_NE(entry.find(std::string("\n") + c.exec + "\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos);
  }
}

TEST(TrayCalendarsTest, AlmanorsLastFileFirstThenTheAddedOnesEachOnce) {
  testing::GuiSandbox sandbox(testing::GuiSandbox::Settings::Quiet, Program::Almanor);
  EXPECT_TRUE(WatchedCalendars().empty());
  sandbox.SetProgram("DefaulFile", "/data/work.cld");
  ASSERT_TRUE(SaveAddedCalendars({"/data/club.cld", "/data/work.cld", "/data/family.cld"}).ok());
  EXPECT_EQ(WatchedCalendars(), (std::vector<std::string>{"/data/work.cld", "/data/club.cld", "/data/family.cld"}));
  // A shorter list leaves nothing of the longer one behind.
  ASSERT_TRUE(SaveAddedCalendars({"/data/family.cld"}).ok());
  EXPECT_EQ(AddedCalendars(), std::vector<std::string>{"/data/family.cld"});
  std::string stale;
  EXPECT_FALSE(ReadSettingText(SuiteSettingsPath(), kTraySection, "Calendar2", stale));
  EXPECT_FALSE(SaveAddedCalendars(std::vector<std::string>(kMostAddedCalendars + 1, "/x.cld")).ok());
  EXPECT_EQ(AddedCalendars(), std::vector<std::string>{"/data/family.cld"});
}

TEST(TraySettingsDialogTest, AddRemoveAndOkStoreTheWatchedCalendars) {
  testing::GuiSandbox sandbox(testing::GuiSandbox::Settings::Quiet, Program::Almanor);
  ASSERT_TRUE(SaveAddedCalendars({"/data/club.cld"}).ok());
  sandbox.dialogs.answers = {std::string("/data/family.cld"), std::string("/data/club.cld"), std::nullopt};
  TraySettingsDialog dialog;
  auto* list = dialog.findChild<QListWidget*>(Q(TraySettingsDialog::kListName));
  auto* add = dialog.findChild<QPushButton*>(Q(TraySettingsDialog::kAddName));
  auto* remove = dialog.findChild<QPushButton*>(Q(TraySettingsDialog::kRemoveName));
  ASSERT_TRUE(list && add && remove);
  EXPECT_EQ(dialog.calendars(), std::vector<std::string>{"/data/club.cld"});
  add->click();  // a new one
  add->click();  // one already there: selected, not added twice
  add->click();  // cancelled
  EXPECT_EQ(dialog.calendars(), (std::vector<std::string>{"/data/club.cld", "/data/family.cld"}));
  ASSERT_EQ(sandbox.dialogs.requests.size(), 3u);
  EXPECT_EQ(sandbox.dialogs.requests[0].filter, "Almanor file (*.cld)|*.cld||");
  EXPECT_EQ(list->currentRow(), 0);
  remove->click();
  EXPECT_EQ(dialog.calendars(), std::vector<std::string>{"/data/family.cld"});
  // Nothing is stored before OK.
  EXPECT_EQ(AddedCalendars(), std::vector<std::string>{"/data/club.cld"});
  dialog.findChild<QPushButton*>(Q(TraySettingsDialog::kOkName))->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(AddedCalendars(), std::vector<std::string>{"/data/family.cld"});
  EXPECT_TRUE(sandbox.messages.empty());
}

}  // namespace
}  // namespace velmora
