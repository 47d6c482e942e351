#include "tray/TrayReminders.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <optional>

#include "calendar/model/DayAgenda.h"
#include "shell/DesktopNotification.h"
#include "store/Dates.h"
#include "store/RecordStore.h"
#include "tray/TrayCalendars.h"

namespace velmora {

namespace {

constexpr const char* kLogin1Service = "org.freedesktop.login1";
constexpr const char* kLogin1Path = "/org/freedesktop/login1";
constexpr const char* kLogin1Manager = "org.freedesktop.login1.Manager";

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }
QString Latin(const char* text) { return QString::fromLatin1(text); }

DateValue DateOf(const QDate& date) { return {uint32_t(date.day()), uint32_t(date.month()), uint32_t(date.year())}; }

TimeValue TimeOf(const QTime& time) {
  const int hour = time.hour();
  return {uint32_t(hour % 12), uint32_t(time.minute()), uint32_t(time.second()),
          uint32_t(hour < 12 ? kHalfAm : kHalfPm)};
}

std::string FileName(const std::string& path) { return QFileInfo(Text(path)).fileName().toStdString(); }

}  // namespace

TrayReminders::TrayReminders(const QDBusConnection& notificationBus, const QDBusConnection& wakeBus, QObject* parent)
    : QObject(parent), notifications_(new DesktopNotification(notificationBus, this)), wakeBus_(wakeBus) {
  connect(notifications_, &DesktopNotification::actionInvoked, this, &TrayReminders::OnAction);
  connect(notifications_, &DesktopNotification::closed, this, [this](quint64 handle, uint) { shown_.erase(handle); });
  if (wakeBus_.isConnected()) {
    // Only logind's own signal counts (on the system bus nobody else can
    // own its name).
    listeningForWake_ = wakeBus_.connect(Latin(kLogin1Service), Latin(kLogin1Path), Latin(kLogin1Manager),
                                         QStringLiteral("PrepareForSleep"), this, SLOT(onPrepareForSleep(bool)));
  }
  timer_.setInterval(kCheckMilliseconds);
  connect(&timer_, &QTimer::timeout, this, [this] { (void)Check(); });
}

TrayReminders::~TrayReminders() {
  if (listeningForWake_) {
    wakeBus_.disconnect(Latin(kLogin1Service), Latin(kLogin1Path), Latin(kLogin1Manager),
                        QStringLiteral("PrepareForSleep"), this, SLOT(onPrepareForSleep(bool)));
  }
}

void TrayReminders::SetClock(Clock clock) { clock_ = std::move(clock); }

void TrayReminders::SetLauncher(Launcher launcher) { launcher_ = std::move(launcher); }

QDateTime TrayReminders::Now() const { return clock_ ? clock_() : QDateTime::currentDateTime(); }

DateValue TrayReminders::Today() const { return DateOf(Now().date()); }

void TrayReminders::Start() {
  timer_.start();
  (void)Check();
}

void TrayReminders::onPrepareForSleep(bool sleeping) {
  // The timer did not run while the computer slept: what came due meanwhile
  // rings now rather than up to a minute later.
  if (!sleeping) {
    QTimer::singleShot(0, this, [this] { (void)Check(); });
    if (timer_.isActive()) timer_.start();
  }
}

bool TrayReminders::paused() {
  if (pausedUntil_.isValid() && Now() >= pausedUntil_) {
    pausedUntil_ = QDateTime();
    emit pausedChanged(false);
  }
  return pausedUntil_.isValid();
}

void TrayReminders::PauseForAnHour() {
  pausedUntil_ = Now().addSecs(kPauseMinutes * 60);
  emit pausedChanged(true);
}

void TrayReminders::Resume() {
  if (!pausedUntil_.isValid()) return;
  pausedUntil_ = QDateTime();
  emit pausedChanged(false);
  (void)Check();
}

int TrayReminders::Check() {
  if (paused()) return 0;
  const QDateTime now = Now();
  int rang = RingSnoozed(now);
  const AlarmMoment moment = MakeAlarmMoment(DateOf(now.date()), TimeOf(now.time()));
  for (const std::string& path : WatchedCalendars()) rang += CheckCalendar(path, moment);
  emit checked(rang);
  return rang;
}

int TrayReminders::CheckCalendar(const std::string& path, const AlarmMoment& moment) {
  if (!RecordStore::FileExists(path)) {
    TellOnce(path, "The calendar " + path + " was not found; its alarms are not checked.");
    return 0;
  }
  RecordStore store(path, "");
  if (!store.IsOpen()) {
    TellOnce(path, "The calendar " + path + " could not be opened; its alarms are not checked.\n" +
                       store.OpenError().Message());
    return 0;
  }
  const int access = store.GetAccessLevel();
  if (access == kAccessNone) {
    TellOnce(path, "The calendar " + path + " has passwords; its alarms ring only in Almanor.");
    return 0;
  }
  if (access == kAccessReader) {
    // No record of it can be locked, so none of its alarms could ever ring
    // here: said rather than passed over in silence.
    TellOnce(path, "The calendar " + path + " can only be read here; its alarms ring where it can be changed.");
    return 0;
  }
  int rang = 0;
  for (int i = 0; i < kMostPerCheck; ++i) {
    std::optional<RingingAlarm> due;
    // Nobody waits on this ringing: the alarm is only taken here, under
    // its record's lock; the check moves it on, writes it back and unlocks.
    const AlarmCheckOutcome outcome = RunAlarmCheck(store, moment, RingAlarm([&due](const RingingAlarm& alarm) {
                                                      due = alarm;
                                                      return false;
                                                    }));
    if (!outcome.rang || !due) {
      if (!outcome.result.ok()) {
        TellOnce(path, "The alarms of " + path + " could not be checked.\n" + outcome.result.Message());
      } else {
        told_.erase(path);
      }
      break;
    }
    ++rang;
    Reminder reminder;
    reminder.calendar = path;
    reminder.summary = Text(due->record.subject());
    if (reminder.summary.isEmpty()) reminder.summary = QStringLiteral("Alarm");
    reminder.body = NotificationBody(*due);
    reminder.recordId = due->record.id();
    reminder.date = RungOccurrence(*due);
    Notify(reminder);
    if (!outcome.result.ok()) {
      // Told, and this calendar is left for this check: the alarm may ring
      // again next time, but never in a loop here.
      TellOnce(path, "The alarm of \"" + due->record.subject() + "\" rang, but " + path +
                         " could not be updated; it may ring again.\n" + outcome.result.Message());
      break;
    }
  }
  return rang;
}

int TrayReminders::RingSnoozed(const QDateTime& now) {
  int rang = 0;
  while (!snoozed_.empty() && snoozed_.begin()->first <= now) {
    const Reminder reminder = snoozed_.begin()->second;
    snoozed_.erase(snoozed_.begin());
    Notify(reminder);
    ++rang;
  }
  return rang;
}

QString TrayReminders::NotificationBody(const RingingAlarm& alarm) {
  const DueOccurrences& due = alarm.occurrences;
  const DateValue shown = due.count > 0 ? due.last : AlarmOccurrence(alarm.record);
  QString body = QStringLiteral("Date: %1\nTime: %2")
                     .arg(Text(FormatDate(shown)), Text(FormatTime(RingingTime(alarm.record))));
  if (due.count >= 2) {
    body += QStringLiteral("\n%1 occurrences missed, %2 to %3")
                .arg(due.count)
                .arg(Text(FormatDate(due.first)), Text(FormatDate(due.last)));
  }
  return body;
}

void TrayReminders::Notify(const Reminder& reminder) {
  DesktopNotification::Message message;
  message.appName = Latin(kAppName);
  message.icon = QStringLiteral("appointment-soon");
  message.summary = reminder.summary;
  message.body = reminder.body;
  message.category = Latin(kCategory);
  message.urgency = DesktopNotification::kCritical;
  message.actions = {Latin(kOpenAction),    QStringLiteral("Open"),
                     Latin(kSnoozeAction),  QStringLiteral("Snooze 10 minutes"),
                     Latin(kDismissAction), QStringLiteral("Dismiss")};
  const quint64 handle = notifications_->show(message);
  if (handle != 0) shown_[handle] = reminder;
}

void TrayReminders::OnAction(quint64 handle, const QString& action) {
  auto it = shown_.find(handle);
  if (it == shown_.end()) return;
  const Reminder reminder = it->second;
  shown_.erase(it);
  notifications_->close(handle);
  if (action == QLatin1String(kOpenAction)) {
    (void)OpenAlmanorOn(reminder.calendar, reminder.date, reminder.recordId);
  } else if (action == QLatin1String(kSnoozeAction)) {
    snoozed_.emplace(Now().addSecs(kSnoozeMinutes * 60), reminder);
    // On time to the second, not at the next minute's check (which rings
    // it all the same if this timer is late, and only once).
    QTimer::singleShot(kSnoozeMinutes * 60 * 1000, this, [this] {
      if (!paused()) (void)RingSnoozed(Now());
    });
  }
  // "Dismiss": just gone.
}

void TrayReminders::TellOnce(const std::string& path, const std::string& text) {
  auto it = told_.find(path);
  if (it != told_.end() && it->second == text) return;
  told_[path] = text;
  DesktopNotification::Message message;
  message.appName = Latin(kAppName);
  message.icon = QStringLiteral("dialog-warning");
  message.summary = QStringLiteral("Velmora reminders: ") + Text(FileName(path));
  message.body = Text(text);
  notifications_->show(message);
}

void TrayReminders::TellNoIcon() {
  if (toldNoIcon_) return;
  toldNoIcon_ = true;
  DesktopNotification::Message message;
  message.appName = Latin(kAppName);
  message.icon = QStringLiteral("appointment-soon");
  message.summary = QStringLiteral("Velmora reminders");
  message.body = QStringLiteral(
      "This desktop has no system tray, so Velmora reminders runs without an icon. "
      "The alarms of your calendars still come as notifications.");
  notifications_->show(message);
}

std::vector<TrayAppointment> TrayReminders::Appointments() {
  const QDate today = Now().date();
  const DateValue from = DateOf(today);
  const DateValue to = DateOf(today.addDays(1));
  std::vector<TrayAppointment> out;
  std::vector<std::vector<TrayAppointment>> byDay(2);
  for (const std::string& path : WatchedCalendars()) {
    if (!RecordStore::FileExists(path)) continue;
    RecordStore store(path, "");
    if (!store.IsOpen() || store.GetAccessLevel() == kAccessNone) continue;
    DayAgenda agenda;
    if (!LoadDayAgenda(store, from, to, EventFilter{}, agenda).ok()) continue;
    for (size_t day = 0; day < agenda.dayCount() && day < 2; ++day) {
      for (uint32_t index : agenda.EventsOn(day)) {
        const EventRecord& event = agenda.event(index);
        TrayAppointment appointment;
        appointment.calendar = path;
        appointment.date = agenda.DateAt(day);
        appointment.allDay = event.allDay();
        appointment.start = event.startTime();
        appointment.subject = event.subject();
        appointment.recordId = event.id();
        byDay[day].push_back(std::move(appointment));
      }
    }
  }
  // Within a day, the calendars' events by start time (all-day ones first),
  // each calendar's own order kept for equal times.
  for (auto& day : byDay) {
    std::stable_sort(day.begin(), day.end(), [](const TrayAppointment& a, const TrayAppointment& b) {
      if (a.allDay != b.allDay) return a.allDay;
      if (a.allDay) return false;
      return TimeSlot(a.start) < TimeSlot(b.start);
    });
    for (auto& appointment : day) out.push_back(std::move(appointment));
  }
  return out;
}

bool TrayReminders::Launch(const char* program, const QStringList& arguments) {
  const QString name = Latin(program);
  QString path = QStandardPaths::findExecutable(name);
  if (path.isEmpty() && QCoreApplication::instance()) {
    path = QStandardPaths::findExecutable(name, {QCoreApplication::applicationDirPath()});
  }
  if (path.isEmpty()) path = name;
  if (launcher_) return launcher_(path, arguments);
  return QProcess::startDetached(path, arguments);
}

bool TrayReminders::OpenAlmanor(const std::string& calendar) {
  QStringList arguments;
  if (!calendar.empty()) arguments << Text(calendar);
  return Launch("Almanor", arguments);
}

bool TrayReminders::OpenAlmanorOn(const std::string& calendar, const DateValue& date, quint64 recordId) {
  if (calendar.empty() || DayNumber(date) == kInvalidDayNumber) return OpenAlmanor(calendar);
  const QString event = QString::asprintf("--event=%04u-%02u-%02u:%llu", date.year, date.month, date.day,
                                          static_cast<unsigned long long>(recordId));
  return Launch("Almanor", {event, Text(calendar)});
}

bool TrayReminders::OpenCardora() { return Launch("Cardora", {}); }

}  // namespace velmora
