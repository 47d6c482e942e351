// The alarm ringer of the calendar's main window: the check at its moment,
// the ringing window's texts and buttons, the tone, the start target, and
// the desktop notification (against a recording notification service on a
// private session bus).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QDBusConnection>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "calendar/gui/AlarmRinger.h"
#include "calendar/gui/AlarmRingingWindow.h"
#include "calendar/model/Alarms.h"
#include "calendar/model/EventRecord.h"
#include "calendar/model/Recurrence.h"
#include "shell/DesktopIntegration.h"
#include "shell/DesktopNotification.h"
#include "store/Dates.h"
#include "store/RecordStore.h"
#include "tests/support/Files.h"
#include "tests/support/GuiSandbox.h"
#include "tests/support/Records.h"
#include "tests/support/StubNotificationService.h"
#include "tests/support/WaitUntil.h"
#include "toolkit/SoundPlayer.h"

namespace velmora {
namespace {

using testing::GuiSandbox;
using testing::WaitUntil;

constexpr DateValue D(uint32_t day, uint32_t month, uint32_t year) { return {day, month, year}; }
TimeValue At(int hour24, int minute) {
  return {uint32_t(hour24 % 12), uint32_t(minute), 0, uint32_t(hour24 < 12 ? kHalfAm : kHalfPm)};
}

QString Q(const char* text) { return QString::fromUtf8(text); }

template <class T>
T* Child(QWidget* parent, const char* name) {
  return parent->findChild<T*>(QString::fromLatin1(name));
}

// What one ringing window showed, and how the test closed it.
struct Seen {
  QString title, date, time, missed, subject, target;
  bool hasMissed = false;
  bool startEnabled = false, startChecked = false;
  bool hasDisable = false;
  bool subjectHasFocus = false;
  bool modal = false;
  QWidget* owner = nullptr;
  QString tone;
};

enum class Close { Ok, Cancel };

struct Answer {
  Answer(Close how = Close::Cancel, std::optional<bool> startSet = std::nullopt, bool disable = false,
         std::function<void()> before = {})
      : close(how), start(startSet), disableRepeat(disable), whileOpen(std::move(before)) {}
  Close close;
  std::optional<bool> start;  // sets "Start" before closing
  bool disableRepeat;
  std::function<void()> whileOpen;  // runs before the window is closed
};

Seen Look(AlarmRingingWindow* window) {
  Seen seen;
  seen.title = window->windowTitle();
  seen.date = Child<QLabel>(window, AlarmRingingWindow::kDateName)->text();
  seen.time = Child<QLabel>(window, AlarmRingingWindow::kTimeName)->text();
  if (QLabel* missed = Child<QLabel>(window, AlarmRingingWindow::kMissedName)) {
    seen.hasMissed = true;
    seen.missed = missed->text();
  }
  QPlainTextEdit* subject = Child<QPlainTextEdit>(window, AlarmRingingWindow::kSubjectName);
  seen.subject = subject->toPlainText();
  seen.subjectHasFocus = window->focusWidget() == subject;
  seen.target = Child<QLabel>(window, AlarmRingingWindow::kTargetName)->text();
  QCheckBox* start = Child<QCheckBox>(window, AlarmRingingWindow::kStartName);
  seen.startEnabled = start->isEnabled();
  seen.startChecked = start->isChecked();
  seen.hasDisable = Child<QCheckBox>(window, AlarmRingingWindow::kDisableName) != nullptr;
  seen.tone = window->tonePlaying();
  seen.modal = window->isModal() && window->isVisible();
  seen.owner = window->parentWidget();
  return seen;
}

class AlarmRingerTest : public ::testing::Test {
 protected:
  AlarmRingerTest() {
    path_ = sandbox_.File("alarms.cld");
    Result created = CreateRecordFile(path_, format::FileKind::Calendar);
    EXPECT_TRUE(created.ok()) << created.Message();
    store_ = std::make_unique<RecordStore>(path_, "");
    EXPECT_TRUE(store_->IsOpen());
    main_.resize(400, 300);
    ringer_ = new AlarmRinger(&main_);
    // No notifications unless a test brings a bus of its own.
    ringer_->SetNotificationBus(QDBusConnection(QStringLiteral("none")));
    ringer_->SetMomentSource([this] { return moment_; });
    QObject::connect(ringer_, &AlarmRinger::ringingShown, [this](AlarmRingingWindow* window) {
      seen_.push_back(Look(window));
      const Answer answer = answers_.empty() ? Answer{} : answers_.front();
      if (!answers_.empty()) answers_.erase(answers_.begin());
      if (answer.whileOpen) answer.whileOpen();
      if (answer.start) Child<QCheckBox>(window, AlarmRingingWindow::kStartName)->setChecked(*answer.start);
      if (QCheckBox* disable = Child<QCheckBox>(window, AlarmRingingWindow::kDisableName)) {
        disable->setChecked(answer.disableRepeat);
      }
      Child<QPushButton>(window, answer.close == Close::Ok ? AlarmRingingWindow::kOkName
                                                           : AlarmRingingWindow::kCancelName)
          ->click();
    });
  }

  EventRecord Make(const DateValue& date, const char* subject, TimeValue alarm = At(9, 0), uint32_t lead = 0) {
    EventRecord e = NewEventRecord(*store_);
    e.setEventDate(date);
    e.setStartTime(At(14, 30));
    e.setEndTime(At(15, 0));
    e.setSubject(subject);
    e.setStartAction(event::kStartDocument);
    e.setAlarmSet(true);
    e.setAlarmTime(alarm);
    e.setAlarmLead(lead);
    e.setAlarmReferenceDate(date);
    return e;
  }
  EventRecord Weekly(const char* subject) {
    EventRecord e = Make(D(5, 1, 2004), subject);  // Mondays
    e.setRepeat(RepeatBlock{event::kRepeatWeekly, kNoEndDate, 1, 2});
    return e;
  }
  RecordPosition Add(const EventRecord& e, RecordStore* store = nullptr) {
    RecordPosition at = 0;
    Result added = (store ? *store : *store_).AddRecord(e.bytes(), &at);
    EXPECT_TRUE(added.ok()) << added.Message();
    return at;
  }
  EventRecord Read(RecordPosition at) {
    Bytes slot;
    EXPECT_TRUE(store_->ReadRecord(slot, at).ok());
    return EventRecord(slot);
  }

  GuiSandbox sandbox_{GuiSandbox::Settings::Quiet};
  std::string path_;
  std::unique_ptr<RecordStore> store_;
  QWidget main_;
  AlarmRinger* ringer_;
  AlarmMoment moment_{D(21, 1, 2004), At(10, 0)};
  std::vector<Seen> seen_;
  std::vector<Answer> answers_;
};

TEST_F(AlarmRingerTest, AnAlarmAtNineIsNotDueAtEightFiftyEightAndRingsAtNine) {
  RecordPosition at = Add(Make(D(10, 5, 2004), "Dentist", At(9, 0), 1));
  moment_ = MakeAlarmMoment(D(9, 5, 2004), At(8, 58));
  EXPECT_FALSE(ringer_->Check(*store_));
  EXPECT_TRUE(seen_.empty());
  EXPECT_TRUE(Read(at).alarmSet());
  moment_ = MakeAlarmMoment(D(9, 5, 2004), At(9, 0));
  EXPECT_TRUE(ringer_->Check(*store_));
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_EQ(seen_[0].subject, Q("Dentist"));
  EXPECT_EQ(seen_[0].date, Q("10/5/2004"));  // the occurrence, not the alarm's day
  EXPECT_TRUE(sandbox_.messages.empty());
}

TEST_F(AlarmRingerTest, TwoDueAlarmsRingOnePerCheckTheEarlierFirst) {
  Add(Make(D(9, 1, 2004), "later"));
  Add(Make(D(8, 1, 2004), "earlier"));
  EXPECT_TRUE(ringer_->Check(*store_));
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_EQ(seen_[0].subject, Q("earlier"));
  EXPECT_TRUE(ringer_->Check(*store_));
  ASSERT_EQ(seen_.size(), 2u);
  EXPECT_EQ(seen_[1].subject, Q("later"));
  EXPECT_FALSE(ringer_->Check(*store_));
  EXPECT_EQ(seen_.size(), 2u);
}

TEST_F(AlarmRingerTest, CancelDisarmsAOneOffAlarmAllTheSame) {
  RecordPosition at = Add(Make(D(8, 1, 2004), "one-off"));
  answers_.push_back({Close::Cancel});
  EXPECT_TRUE(ringer_->Check(*store_));
  EXPECT_FALSE(Read(at).alarmSet());
  EXPECT_FALSE(ringer_->Check(*store_));
  EXPECT_EQ(seen_.size(), 1u);
}

TEST_F(AlarmRingerTest, AConfidentialAlarmDoesNotRingForAnAssistant) {
  EventRecord secret = Make(D(8, 1, 2004), "secret");
  secret.setConfidential(true);
  RecordPosition at = Add(secret);
  testing::SetPasswords(*store_, {"own", "asst", "read"});
  store_.reset();
  {
    RecordStore assistant(path_, "asst");
    ASSERT_EQ(assistant.GetAccessLevel(), kAccessAssistant);
    EXPECT_FALSE(ringer_->Check(assistant));
    EXPECT_TRUE(seen_.empty());
  }
  store_ = std::make_unique<RecordStore>(path_, "own");
  ASSERT_EQ(store_->GetAccessLevel(), kAccessOwner);
  EXPECT_TRUE(ringer_->Check(*store_));
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_EQ(seen_[0].subject, Q("secret"));
  EXPECT_FALSE(Read(at).alarmSet());
}

TEST_F(AlarmRingerTest, ARecordAnotherUserHasLockedIsPassedOver) {
  RecordPosition first = Add(Make(D(7, 1, 2004), "being edited"));
  Add(Make(D(8, 1, 2004), "free"));
  RecordStore other(path_, "");
  ASSERT_TRUE(other.LockRecord(first).ok());
  EXPECT_TRUE(ringer_->Check(*store_));
  EXPECT_FALSE(ringer_->Check(*store_));  // the locked one waits
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_EQ(seen_[0].subject, Q("free"));
  ASSERT_TRUE(other.UnlockRecord(first).ok());
  EXPECT_TRUE(ringer_->Check(*store_));
  ASSERT_EQ(seen_.size(), 2u);
  EXPECT_EQ(seen_[1].subject, Q("being edited"));
}

TEST_F(AlarmRingerTest, MissedWeeklyOccurrencesRingOnceSayingHowMany) {
  RecordPosition at = Add(Weekly("Team meeting"));
  moment_ = {D(21, 1, 2004), At(10, 0)};  // three Mondays rang while nobody ran the program
  EXPECT_TRUE(ringer_->Check(*store_));
  EXPECT_FALSE(ringer_->Check(*store_));
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_TRUE(seen_[0].hasMissed);
  EXPECT_EQ(seen_[0].missed, Q("3 occurrences missed, 5/1/2004 to 19/1/2004"));
  EXPECT_EQ(seen_[0].date, Q("19/1/2004"));
  EventRecord after = Read(at);
  EXPECT_TRUE(after.alarmSet());
  EXPECT_EQ(after.alarmReferenceDate(), D(26, 1, 2004));
}

TEST_F(AlarmRingerTest, TheRingingWindowShowsTheOccurrenceAndTheEvent) {
  EventRecord oneOff = Make(D(8, 1, 2004), "Dentist\nbring the card", At(9, 0));
  oneOff.setStartTarget("http://example.org/agenda");
  oneOff.setStartAction(event::kStartUrl);
  Add(oneOff);
  EXPECT_TRUE(ringer_->Check(*store_));
  Add(Weekly("Team meeting"));
  moment_ = {D(5, 1, 2004), At(9, 0)};  // on time
  EXPECT_TRUE(ringer_->Check(*store_));
  ASSERT_EQ(seen_.size(), 2u);

  const Seen& first = seen_[0];
  EXPECT_EQ(first.title, Q("Alarm"));
  EXPECT_TRUE(first.modal);
  EXPECT_EQ(first.owner, &main_);
  EXPECT_EQ(first.date, Q("8/1/2004"));
  EXPECT_EQ(first.time, Q("14:30"));  // a one-off event shows its start time
  EXPECT_EQ(first.subject, Q("Dentist\nbring the card"));
  EXPECT_TRUE(first.subjectHasFocus);
  EXPECT_EQ(first.target, Q("http://example.org/agenda"));
  EXPECT_TRUE(first.startEnabled);
  EXPECT_TRUE(first.startChecked);
  EXPECT_FALSE(first.hasDisable);
  EXPECT_FALSE(first.hasMissed);

  const Seen& second = seen_[1];
  EXPECT_EQ(second.date, Q("5/1/2004"));
  EXPECT_EQ(second.time, Q("09:00"));  // a repeating one its alarm time
  EXPECT_EQ(second.target, QString());
  EXPECT_FALSE(second.startEnabled);
  EXPECT_FALSE(second.startChecked);
  EXPECT_TRUE(second.hasDisable);
  EXPECT_FALSE(second.hasMissed);  // one occurrence is not a missed one
}

TEST_F(AlarmRingerTest, OkWithStartOpensTheTargetCancelOpensNothing) {
  std::vector<QString> opened;
  const UrlOpener before = SetUrlOpener([&](const QUrl& url) {
    opened.push_back(url.toString());
    return true;
  });
  const std::string document = sandbox_.File("minutes.txt");
  ASSERT_TRUE(testing::WriteWholeFile(document, "minutes"));
  struct Case {
    uint8_t kind;
    std::string target;
    Answer answer;
    std::vector<QString> opens;
  } cases[] = {
      {event::kStartUrl, "http://example.org/agenda", {Close::Ok}, {Q("http://example.org/agenda")}},
      {event::kStartEmail, "boss@example.org", {Close::Ok}, {Q("mailto:boss@example.org")}},
      {event::kStartDocument, document, {Close::Ok}, {QUrl::fromLocalFile(QString::fromStdString(document)).toString()}},
      {event::kStartUrl, "http://example.org/agenda", {Close::Cancel}, {}},
      {event::kStartUrl, "http://example.org/agenda", {Close::Ok, false}, {}},
  };
  int day = 1;
  for (const Case& c : cases) {
    EventRecord e = Make(D(uint32_t(day++), 1, 2004), "start");
    e.setStartAction(c.kind);
    e.setStartTarget(c.target);
    Add(e);
    opened.clear();
    answers_.push_back(c.answer);
    EXPECT_TRUE(ringer_->Check(*store_));
    EXPECT_EQ(opened, c.opens) << c.target;
  }
  SetUrlOpener(before);
  EXPECT_TRUE(sandbox_.messages.empty());
}

TEST_F(AlarmRingerTest, AStartTargetThatCannotBeOpenedIsTold) {
  const UrlOpener before = SetUrlOpener([](const QUrl&) { return false; });
  EventRecord e = Make(D(8, 1, 2004), "start");
  e.setStartAction(event::kStartUrl);
  e.setStartTarget("http://example.org/agenda");
  Add(e);
  answers_.push_back({Close::Ok});
  EXPECT_TRUE(ringer_->Check(*store_));
  SetUrlOpener(before);
  ASSERT_EQ(sandbox_.messages.size(), 1u);
  EXPECT_NE(sandbox_.messages[0].text.find("http://example.org/agenda"), std::string::npos);
}

TEST_F(AlarmRingerTest, DisableRepeatAlarmCountsOnlyWithOk) {
  RecordPosition cancelled = Add(Weekly("cancelled"));
  answers_.push_back({Close::Cancel, std::nullopt, /*disableRepeat=*/true});
  EXPECT_TRUE(ringer_->Check(*store_));
  EXPECT_TRUE(Read(cancelled).alarmSet());
  EXPECT_EQ(Read(cancelled).alarmReferenceDate(), D(26, 1, 2004));

  RecordPosition confirmed = Add(Weekly("confirmed"));
  answers_.push_back({Close::Ok, std::nullopt, /*disableRepeat=*/true});
  EXPECT_TRUE(ringer_->Check(*store_));
  EXPECT_FALSE(Read(confirmed).alarmSet());
}

TEST_F(AlarmRingerTest, TheToneFilePlaysOnlyWhileTheSoundIsOnAndOnlyFromAFile) {
  const std::string wav = sandbox_.File("bell.wav");
  ASSERT_TRUE(testing::WriteWholeFile(wav, "RIFF"));
  const std::string fifo = sandbox_.File("pipe.wav");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    std::string tone;
    bool sound;
    QString played;
  } cases[] = {
      {wav, true, QString::fromStdString(wav)},
      {wav, false, QString()},
      {"", true, QString()},
      {sandbox_.File("missing.wav"), true, QString()},
      {fifo, true, QString()},
      {sandbox_.folder(), true, QString()},
  };
  int day = 1;
  for (const Case& c : cases) {
    SoundPlayer::Instance().SetEnabled(c.sound);
    EventRecord e = Make(D(uint32_t(day++), 1, 2004), "tone");
    e.setToneFile(c.tone);
    Add(e);
    const size_t before = seen_.size();
    EXPECT_TRUE(ringer_->Check(*store_));
    ASSERT_EQ(seen_.size(), before + 1);
    EXPECT_EQ(seen_.back().tone, c.played) << c.tone << " sound " << c.sound;
  }
  SoundPlayer::Instance().SetEnabled(false);
}

TEST_F(AlarmRingerTest, NoCheckRunsWhileTheRingingWindowIsOpen) {
  Add(Make(D(7, 1, 2004), "first"));
  Add(Make(D(8, 1, 2004), "second"));
  bool nested = true;
  answers_.push_back({Close::Ok, std::nullopt, false, [&] { nested = ringer_->Check(*store_); }});
  EXPECT_TRUE(ringer_->Check(*store_));
  EXPECT_FALSE(nested);
  EXPECT_EQ(seen_.size(), 1u);
}

TEST_F(AlarmRingerTest, NotificationTextsOfAMissedSeries) {
  RingingAlarm alarm{Weekly("Team meeting"), {}};
  alarm.occurrences = FindDueOccurrences(alarm.record, AlarmMoment{D(21, 1, 2004), At(10, 0)});
  EXPECT_EQ(AlarmRinger::NotificationBody(alarm),
            Q("Date: 19/1/2004\nTime: 09:00\n3 occurrences missed, 5/1/2004 to 19/1/2004"));
  alarm.occurrences = FindDueOccurrences(alarm.record, AlarmMoment{D(5, 1, 2004), At(9, 0)});
  EXPECT_EQ(AlarmRinger::NotificationBody(alarm), Q("Date: 5/1/2004\nTime: 09:00"));
}

// The recording notification service on a private session bus.
using testing::StubNotificationService;

TEST_F(AlarmRingerTest, TheAlarmIsAlsoADesktopNotificationWhoseOpenShowsTheEvent) {
  StubNotificationService service;
  if (!service.problem().empty()) GTEST_SKIP() << service.problem();
  ringer_->SetNotificationBus(service.bus());
  std::vector<std::pair<int, quint64>> opened;
  QObject::connect(ringer_, &AlarmRinger::openEvent,
                   [&](int day, quint64 id) { opened.emplace_back(day, id); });
  const EventRecord weekly = Weekly("Team <meeting> & lunch");
  Add(weekly);
  // The notification goes out while the ringing window is up.
  bool notifiedWhileOpen = false;
  answers_.push_back({Close::Ok, std::nullopt, false,
                      [&] { notifiedWhileOpen = WaitUntil([&] { return service.Has("end"); }, 10000); }});
  EXPECT_TRUE(ringer_->Check(*store_));
  EXPECT_TRUE(notifiedWhileOpen);

  const std::map<QString, QString> sent = service.Notified(41);
  const std::map<QString, QString> expected{
      {Q("app"), Q("Almanor")},
      {Q("replaces"), Q("0")},
      {Q("icon"), Q("appointment-soon")},
      {Q("summary"), Q("Team <meeting> & lunch")},
      {Q("body"), Q("Date: 19/1/2004\\nTime: 09:00\\n3 occurrences missed, 5/1/2004 to 19/1/2004")},
      {Q("actions"), Q("Open|Open|Dismiss|Dismiss")},
      {Q("hint urgency"), Q("y 2")},
      {Q("hint category"), Q("s x-velmora.alarm")},
      {Q("timeout"), Q("-1")},
  };
  EXPECT_EQ(sent, expected);

  // Another program's notification's action is not ours.
  service.Send(Q("invoke 7 Open"));
  service.Send(Q("invoke 41 Open"));
  ASSERT_TRUE(WaitUntil([&] { return !opened.empty(); }, 10000));
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].first, DayNumber(D(19, 1, 2004)));
  EXPECT_EQ(opened[0].second, weekly.id());
  EXPECT_TRUE(WaitUntil([&] { return service.Has("close 41"); }, 10000));

  // "Dismiss" takes the next one away and opens nothing.
  moment_ = {D(26, 1, 2004), At(9, 0)};
  EXPECT_TRUE(ringer_->Check(*store_));
  ASSERT_TRUE(WaitUntil([&] { return service.Has("notify 42") && service.Has("end"); }, 10000));
  EXPECT_TRUE(WaitUntil([&] { return service.Notified(42).count(Q("timeout")) == 1; }, 10000));
  EXPECT_EQ(service.Notified(42)[Q("body")], Q("Date: 26/1/2004\\nTime: 09:00"));
  service.Send(Q("invoke 42 Dismiss"));
  EXPECT_TRUE(WaitUntil([&] { return service.Has("close 42"); }, 10000));
  testing::RunEventsFor(200);
  EXPECT_EQ(opened.size(), 1u);
  EXPECT_TRUE(sandbox_.messages.empty());
}

TEST_F(AlarmRingerTest, WithoutANotificationServiceTheWindowRingsAllTheSame) {
  StubNotificationService bus(/*silent=*/true);
  if (!bus.problem().empty()) GTEST_SKIP() << bus.problem();
  ringer_->SetNotificationBus(bus.bus());
  Add(Make(D(8, 1, 2004), "no service"));
  EXPECT_TRUE(ringer_->Check(*store_));
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_EQ(seen_[0].subject, Q("no service"));
  testing::RunEventsFor(200);  // the failed call's answer comes and goes
  EXPECT_TRUE(sandbox_.messages.empty());
}

TEST(DesktopNotificationTest, ClosedBeforeTheDesktopAnsweredItIsTakenAwayWhenItDoes) {
  StubNotificationService service;
  if (!service.problem().empty()) GTEST_SKIP() << service.problem();
  DesktopNotification notifications(service.bus());
  ASSERT_TRUE(notifications.available());
  std::vector<uint> shown;
  QObject::connect(&notifications, &DesktopNotification::shown, [&](quint64, uint id) { shown.push_back(id); });
  DesktopNotification::Message message;
  message.appName = Q("Test");
  message.summary = Q("first");
  message.body = Q("a < b");
  const quint64 first = notifications.show(message);
  notifications.close(first);  // at once: the desktop's number is not known yet
  ASSERT_TRUE(WaitUntil([&] { return service.Has("close 41"); }, 10000));
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(service.Notified(41)[Q("body")], Q("a &lt; b"));
  EXPECT_EQ(service.Notified(41)[Q("hint urgency")], Q("y 1"));
  EXPECT_EQ(service.Notified(41).count(Q("hint category")), 0u);

  message.summary = Q("second");
  const quint64 second = notifications.show(message);
  EXPECT_NE(second, first);
  ASSERT_TRUE(WaitUntil([&] { return shown.size() == 1; }, 10000));
  EXPECT_EQ(shown[0], 42u);
  EXPECT_EQ(service.Notified(42)[Q("summary")], Q("second"));
}

TEST(DesktopNotificationTest, WithoutABusNothingIsSentAndNothingFails) {
  DesktopNotification notifications(QDBusConnection(QStringLiteral("no-bus")));
  EXPECT_FALSE(notifications.available());
  DesktopNotification::Message message;
  message.summary = Q("nothing");
  EXPECT_EQ(notifications.show(message), 0u);
  notifications.close(0);
}

}  // namespace
}  // namespace velmora
