// The tray program's reminders: the alarm check of every watched calendar
// as desktop notifications (against the recording notification service on
// a private session bus), the record-lock rule shared with Almanor, snooze
// and pause on an injected clock, and the check after a wake from suspend.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFileInfo>
#include <map>
#include <vector>

#include "TrayTestSupport.h"
#include "calendar/model/Recurrence.h"
#include "tests/support/Files.h"
#include "tests/support/OtherUser.h"
#include "tests/support/WaitUntil.h"
#include "tray/TrayCalendars.h"
#include "tray/TrayReminders.h"

namespace velmora {
namespace {

using testing::At;
using testing::StubNotificationService;
using testing::WaitUntil;

QString Q(const char* text) { return QString::fromUtf8(text); }

class TrayRemindersTest : public testing::TrayCalendarFixture {
 protected:
  void SetUp() override {
    if (!service_.problem().empty()) GTEST_SKIP() << service_.problem();
    reminders_ = std::make_unique<TrayReminders>(service_.bus(), QDBusConnection(QStringLiteral("none")));
    reminders_->SetClock([this] { return now_; });
    reminders_->SetLauncher([this](const QString& program, const QStringList& arguments) {
      launched_.push_back(QFileInfo(program).fileName() + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')));
      return true;
    });
  }

  // Waits until the service got count notify calls; false when it did not.
  bool NotifiedCount(int count) {
    return WaitUntil([&] { return service_.NotifyCount() >= count; }, 10000) && service_.NotifyCount() == count;
  }

  StubNotificationService service_;
  std::unique_ptr<TrayReminders> reminders_;
  QDate today_{2026, 3, 9};
  QDateTime now_{today_, QTime(9, 0)};
  std::vector<QString> launched_;
};

TEST_F(TrayRemindersTest, AnAlarmDueNowRingsWithinOneCheckAsANotificationWithItsActions) {
  const RecordPosition at = Add(Make(today_, "Dentist & co", At(9, 0)));
  now_ = QDateTime(today_, QTime(8, 58));
  EXPECT_EQ(reminders_->Check(), 0);
  EXPECT_TRUE(Read(at).alarmSet());
  now_ = QDateTime(today_, QTime(9, 0));
  EXPECT_EQ(reminders_->Check(), 1);
  ASSERT_TRUE(NotifiedCount(1));
  ASSERT_TRUE(WaitUntil([&] { return service_.Notified(41).count(Q("timeout")) == 1; }, 10000));
  const std::map<QString, QString> expected{
      {Q("app"), Q("Velmora")},
      {Q("replaces"), Q("0")},
      {Q("icon"), Q("appointment-soon")},
      {Q("summary"), Q("Dentist & co")},
      {Q("body"), Q("Date: 9/3/2026\\nTime: 14:30")},
      {Q("actions"), Q("open|Open|snooze|Snooze 10 minutes|dismiss|Dismiss")},
      {Q("hint urgency"), Q("y 2")},
      {Q("hint category"), Q("s x-velmora.alarm")},
      {Q("timeout"), Q("-1")},
  };
  EXPECT_EQ(service_.Notified(41), expected);
  // Rung means written back: the file says so, and no check rings it again.
  EXPECT_FALSE(Read(at).alarmSet());
  EXPECT_EQ(reminders_->Check(), 0);
  testing::RunEventsFor(200);
  EXPECT_EQ(service_.NotifyCount(), 1);
}

TEST_F(TrayRemindersTest, EveryDueAlarmOfEveryWatchedCalendarRingsInTheSameCheck) {
  Add(Make(today_, "first", At(8, 0)));
  Add(Make(today_, "second", At(9, 0)));
  Add(Make(today_, "later today", At(11, 0)));
  const std::string other = sandbox_.File("club.cld");
  ASSERT_TRUE(CreateRecordFile(other, format::FileKind::Calendar).ok());
  {
    RecordStore club(other, "");
    EventRecord e = Make(today_, "club", At(9, 0));
    ASSERT_TRUE(club.AddRecord(e.bytes()).ok());
  }
  ASSERT_TRUE(SaveAddedCalendars({other, path_}).ok());
  EXPECT_EQ(reminders_->Check(), 3);
  ASSERT_TRUE(NotifiedCount(3));
  ASSERT_TRUE(WaitUntil([&] { return service_.Notified(43).count(Q("timeout")) == 1; }, 10000));
  std::vector<QString> summaries;
  for (uint id : {41u, 42u, 43u}) summaries.push_back(service_.Notified(id)[Q("summary")]);
  EXPECT_EQ(summaries, (std::vector<QString>{Q("first"), Q("second"), Q("club")}));
  EXPECT_EQ(reminders_->Check(), 0);
}

// Another process (Almanor editing or ringing the event) holds the record's
// lock: the tray passes it over, and it rings at the first check after the
// lock is gone, once.
TEST_F(TrayRemindersTest, AnAlarmWhoseRecordAnotherProcessHasLockedRingsLaterAndOnlyOnce) {
  const RecordPosition at = Add(Make(today_, "locked elsewhere", At(9, 0)));
  int toChild[2], fromChild[2];
  ASSERT_EQ(::pipe(toChild), 0);
  ASSERT_EQ(::pipe(fromChild), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The other program: locks the record, says so, waits, unlocks.
    RecordStore other(path_, "");
    const char locked = other.LockRecord(at).ok() ? 'L' : 'F';
    (void)!::write(fromChild[1], &locked, 1);
    char go;
    (void)!::read(toChild[0], &go, 1);
    const char unlocked = other.UnlockRecord(at).ok() ? 'U' : 'F';
    (void)!::write(fromChild[1], &unlocked, 1);
    (void)other.Close();
    ::_exit(0);
  }
  char answer = 0;
  ASSERT_EQ(::read(fromChild[0], &answer, 1), 1);
  ASSERT_EQ(answer, 'L');
  EXPECT_EQ(reminders_->Check(), 0);
  now_ = now_.addSecs(60);
  EXPECT_EQ(reminders_->Check(), 0);
  EXPECT_TRUE(Read(at).alarmSet());
  (void)!::write(toChild[1], "g", 1);
  ASSERT_EQ(::read(fromChild[0], &answer, 1), 1);
  EXPECT_EQ(answer, 'U');
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]}) ::close(fd);

  testing::RunEventsFor(200);
  EXPECT_EQ(service_.NotifyCount(), 0);
  now_ = now_.addSecs(60);
  EXPECT_EQ(reminders_->Check(), 1);
  EXPECT_EQ(reminders_->Check(), 0);
  ASSERT_TRUE(NotifiedCount(1));
  EXPECT_FALSE(Read(at).alarmSet());
}

// Two programs check the same file (the tray on two machines, or the tray
// and Almanor): each alarm rings in one of them only.
TEST_F(TrayRemindersTest, TwoCheckersOfOneFileRingEachAlarmOnce) {
  for (const char* subject : {"a", "b", "c", "d"}) Add(Make(today_, subject, At(9, 0)));
  TrayReminders second(service_.bus(), QDBusConnection(QStringLiteral("none")));
  second.SetClock([this] { return now_; });
  int rang = 0;
  for (int round = 0; round < 3; ++round) rang += reminders_->Check() + second.Check();
  EXPECT_EQ(rang, 4);
  EXPECT_TRUE(NotifiedCount(4));
}

TEST_F(TrayRemindersTest, SnoozeBringsTheReminderBackTenMinutesLater) {
  Add(Make(today_, "Call the bank", At(9, 0)));
  EXPECT_EQ(reminders_->Check(), 1);
  ASSERT_TRUE(NotifiedCount(1));
  service_.Send(Q("invoke 41 snooze"));
  ASSERT_TRUE(WaitUntil([&] { return reminders_->snoozedCount() == 1; }, 10000));
  EXPECT_TRUE(WaitUntil([&] { return service_.Has("close 41"); }, 10000));
  now_ = now_.addSecs(9 * 60 + 59);
  EXPECT_EQ(reminders_->Check(), 0);
  testing::RunEventsFor(200);
  EXPECT_EQ(service_.NotifyCount(), 1);
  now_ = now_.addSecs(1);
  EXPECT_EQ(reminders_->Check(), 1);
  ASSERT_TRUE(NotifiedCount(2));
  ASSERT_TRUE(WaitUntil([&] { return service_.Notified(42).count(Q("timeout")) == 1; }, 10000));
  EXPECT_EQ(service_.Notified(42)[Q("summary")], Q("Call the bank"));
  EXPECT_EQ(service_.Notified(42)[Q("body")], service_.Notified(41)[Q("body")]);
  EXPECT_EQ(reminders_->snoozedCount(), 0u);
  EXPECT_EQ(reminders_->Check(), 0);
}

TEST_F(TrayRemindersTest, OpenStartsAlmanorOnTheCalendarDismissOnlyTakesItAway) {
  const quint64 oneId = Read(Add(Make(today_, "one", At(9, 0)))).id();
  Add(Make(today_, "two", At(9, 0)));
  EXPECT_EQ(reminders_->Check(), 2);
  ASSERT_TRUE(NotifiedCount(2));
  // Another program's notification's action is not ours.
  service_.Send(Q("invoke 7 open"));
  service_.Send(Q("invoke 41 open"));
  ASSERT_TRUE(WaitUntil([&] { return !launched_.empty(); }, 10000));
  // On the event, on the day its notification named.
  EXPECT_EQ(launched_, (std::vector<QString>{Q("Almanor --event=%1:%2 ").arg(today_.toString(Qt::ISODate)).arg(oneId) +
                                             QString::fromStdString(path_)}));
  service_.Send(Q("invoke 42 dismiss"));
  EXPECT_TRUE(WaitUntil([&] { return service_.Has("close 42"); }, 10000));
  testing::RunEventsFor(200);
  EXPECT_EQ(launched_.size(), 1u);
  EXPECT_EQ(reminders_->snoozedCount(), 0u);
}

TEST_F(TrayRemindersTest, PausedRemindersRingWhenTheHourIsOver) {
  const RecordPosition at = Add(Make(today_, "after the pause", At(9, 30)));
  reminders_->PauseForAnHour();
  EXPECT_TRUE(reminders_->paused());
  now_ = QDateTime(today_, QTime(9, 30));
  EXPECT_EQ(reminders_->Check(), 0);
  EXPECT_TRUE(Read(at).alarmSet());
  now_ = QDateTime(today_, QTime(10, 0));
  EXPECT_FALSE(reminders_->paused());
  EXPECT_EQ(reminders_->Check(), 1);
  EXPECT_FALSE(Read(at).alarmSet());

  // Resumed by hand, it checks at once.
  Add(Make(today_, "resumed", At(10, 0)));
  reminders_->PauseForAnHour();
  EXPECT_EQ(reminders_->Check(), 0);
  int checks = 0, rang = 0;
  QObject::connect(reminders_.get(), &TrayReminders::checked, [&](int n) {
    ++checks;
    rang += n;
  });
  reminders_->Resume();
  EXPECT_EQ(checks, 1);
  EXPECT_EQ(rang, 1);
}

TEST_F(TrayRemindersTest, AMissedWeeklySeriesRingsOnceSayingHowMany) {
  EventRecord weekly = Make(QDate(2026, 2, 16), "Team meeting", At(9, 0));  // Mondays
  weekly.setRepeat(RepeatBlock{event::kRepeatWeekly, kNoEndDate, 1, 2});
  const RecordPosition at = Add(weekly);
  EXPECT_EQ(reminders_->Check(), 1);
  EXPECT_EQ(reminders_->Check(), 0);
  ASSERT_TRUE(NotifiedCount(1));
  ASSERT_TRUE(WaitUntil([&] { return service_.Notified(41).count(Q("timeout")) == 1; }, 10000));
  EXPECT_EQ(service_.Notified(41)[Q("body")],
            Q("Date: 9/3/2026\\nTime: 09:00\\n4 occurrences missed, 16/2/2026 to 9/3/2026"));
  EXPECT_EQ(Read(at).alarmReferenceDate(), testing::DateOf(QDate(2026, 3, 16)));
}

TEST_F(TrayRemindersTest, ACalendarThatCannotBeCheckedIsToldOnceNotAtEveryCheck) {
  sandbox_.SetProgram("DefaulFile", sandbox_.File("gone.cld"));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(reminders_->Check(), 0);
  ASSERT_TRUE(NotifiedCount(1));
  ASSERT_TRUE(WaitUntil([&] { return service_.Notified(41).count(Q("timeout")) == 1; }, 10000));
  EXPECT_TRUE(service_.Notified(41)[Q("body")].contains(Q("gone.cld was not found")));

  // A calendar with passwords is not opened without them: told, not rung.
  const RecordPosition at = Add(Make(today_, "secret", At(9, 0)));
  testing::SetPasswords(*store_, {"own", "asst", "read"});
  sandbox_.SetProgram("DefaulFile", path_);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(reminders_->Check(), 0);
  ASSERT_TRUE(NotifiedCount(2));
  ASSERT_TRUE(WaitUntil([&] { return service_.Notified(42).count(Q("timeout")) == 1; }, 10000));
  EXPECT_TRUE(service_.Notified(42)[Q("body")].contains(Q("has passwords")));
  EXPECT_TRUE(Read(at).alarmSet());
}

// A calendar another user's file system lets this user only read: none of
// its records can be locked, so none of its alarms could ring here. That is
// told, and the alarms stay armed for whoever can ring them.
TEST_F(TrayRemindersTest, ACalendarThatCanOnlyBeReadIsToldAndLeftArmed) {
  if (!testing::CanActAsOtherUser()) GTEST_SKIP() << "needs root to act as another user";
  const std::string shared = testing::MakeSharedFolder(sandbox_.folder());
  const std::string calendar = shared + "/theirs.cld";
  ASSERT_TRUE(CreateRecordFile(calendar, format::FileKind::Calendar).ok());
  RecordPosition at = 0;
  {
    RecordStore theirs(calendar, "");
    ASSERT_TRUE(theirs.AddRecord(Make(today_, "theirs", At(9, 0)).bytes(), &at).ok());
  }
  ASSERT_EQ(::chmod(calendar.c_str(), 0644), 0);
  ASSERT_TRUE(testing::WriteWholeFile(shared + "/Almanor.ini", "[Preference]\nDefaulFile=" + calendar + "\n"));
  ASSERT_EQ(::chmod((shared + "/Almanor.ini").c_str(), 0644), 0);
  const QDateTime now = now_;
  const bool told = testing::AsOtherUser([&] {
    ::setenv("VELMORA_HOME", shared.c_str(), 1);
    TrayReminders reader(QDBusConnection(QStringLiteral("none")), QDBusConnection(QStringLiteral("none")));
    reader.SetClock([now] { return now; });
    if (reader.Check() != 0 || reader.toldProblems().count(calendar) != 1) return false;
    return reader.toldProblems().at(calendar).find("can only be read here") != std::string::npos;
  });
  EXPECT_TRUE(told);
  RecordStore owner(calendar, "");
  Bytes slot;
  ASSERT_TRUE(owner.ReadRecord(slot, at).ok());
  EXPECT_TRUE(EventRecord(slot).alarmSet());
}

// logind says "PrepareForSleep(false)" on waking: a check runs at once, not
// at the next minute.
TEST_F(TrayRemindersTest, AWakeFromSuspendChecksAtOnce) {
  QDBusConnection logind = QDBusConnection::connectToBus(service_.address(), QStringLiteral("fake-logind"));
  ASSERT_TRUE(logind.isConnected());
  ASSERT_TRUE(logind.registerService(QStringLiteral("org.freedesktop.login1")));
  TrayReminders woken(service_.bus(), service_.bus());
  woken.SetClock([this] { return now_; });
  std::vector<int> checks;
  QObject::connect(&woken, &TrayReminders::checked, [&](int rang) { checks.push_back(rang); });
  Add(Make(today_, "while asleep", At(9, 0)));
  auto prepare = [&](bool sleeping) {
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                     QStringLiteral("org.freedesktop.login1.Manager"),
                                                     QStringLiteral("PrepareForSleep"));
    signal << sleeping;
    ASSERT_TRUE(logind.send(signal));
  };
  // Somebody who is not logind saying so does not count.
  QDBusMessage impostor = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                     QStringLiteral("org.freedesktop.login1.Manager"),
                                                     QStringLiteral("PrepareForSleep"));
  impostor << false;
  ASSERT_TRUE(service_.bus().send(impostor));
  prepare(true);  // going to sleep: nothing to do
  testing::RunEventsFor(300);
  EXPECT_TRUE(checks.empty());
  prepare(false);
  ASSERT_TRUE(WaitUntil([&] { return !checks.empty(); }, 10000));
  EXPECT_EQ(checks, std::vector<int>{1});
  EXPECT_TRUE(NotifiedCount(1));
  logind.unregisterService(QStringLiteral("org.freedesktop.login1"));
  QDBusConnection::disconnectFromBus(QStringLiteral("fake-logind"));
}

TEST_F(TrayRemindersTest, NoIconIsToldOnce) {
  reminders_->TellNoIcon();
  reminders_->TellNoIcon();
  ASSERT_TRUE(NotifiedCount(1));
  ASSERT_TRUE(WaitUntil([&] { return service_.Notified(41).count(Q("timeout")) == 1; }, 10000));
  EXPECT_EQ(service_.Notified(41)[Q("summary")], Q("Velmora reminders"));
  EXPECT_TRUE(service_.Notified(41)[Q("body")].contains(Q("no system tray")));
}

TEST(TrayRemindersWithoutABus, ChecksAndRingsNothingOnTheScreenWithoutFailing) {
  testing::GuiSandbox sandbox(testing::GuiSandbox::Settings::Quiet, Program::Almanor);
  const std::string path = sandbox.File("a.cld");
  ASSERT_TRUE(CreateRecordFile(path, format::FileKind::Calendar).ok());
  RecordStore store(path, "");
  EventRecord e = NewEventRecord(store);
  const QDate today = QDate::currentDate();
  e.setEventDate(testing::DateOf(today));
  e.setSubject("no desktop");
  e.setAlarmSet(true);
  e.setAlarmTime(At(0, 0));
  e.setAlarmReferenceDate(testing::DateOf(today));
  RecordPosition at = 0;
  ASSERT_TRUE(store.AddRecord(e.bytes(), &at).ok());
  sandbox.SetProgram("DefaulFile", path);
  TrayReminders reminders(QDBusConnection(QStringLiteral("no-bus")), QDBusConnection(QStringLiteral("no-bus")));
  EXPECT_EQ(reminders.Check(), 1);
  reminders.TellNoIcon();
  EXPECT_TRUE(sandbox.messages.empty());
}

}  // namespace
}  // namespace velmora
