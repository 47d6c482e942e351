// TrayReminders: the alarm service of the tray program. Every minute, and at
// once when the computer wakes from suspend, it runs the calendar's alarm
// check on every watched calendar and rings each due alarm as a desktop
// notification with the actions "Open", "Snooze 10 minutes" and "Dismiss".
//
// It follows the record-lock rule of the calendar program, so an alarm
// rings on one machine and in one program only: the record is locked, the
// alarm advanced as rung, the record written back and unlocked, and only
// then is the notification sent (nothing here waits on a person while
// holding a lock). A snoozed alarm comes back from this program's own
// timer, not from the file.
#pragma once

#include <QDBusConnection>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "calendar/model/Alarms.h"

namespace velmora {

class DesktopNotification;

// One appointment of today or tomorrow, for the tray's menu.
struct TrayAppointment {
  std::string calendar;  // the file it is in
  DateValue date;        // the day it occurs on
  bool allDay = false;
  TimeValue start;
  std::string subject;
  quint64 recordId = 0;
};

class TrayReminders : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kAppName = "Velmora";
  static constexpr const char* kCategory = "x-velmora.alarm";
  // The actions' keys and labels.
  static constexpr const char* kOpenAction = "open";
  static constexpr const char* kSnoozeAction = "snooze";
  static constexpr const char* kDismissAction = "dismiss";
  static constexpr int kSnoozeMinutes = 10;
  static constexpr int kPauseMinutes = 60;
  static constexpr int kCheckMilliseconds = 60 * 1000;
  // The most alarms of one calendar one check rings (a calendar whose
  // write-back keeps failing cannot keep a check busy).
  static constexpr int kMostPerCheck = 100;

  using Clock = std::function<QDateTime()>;
  // Starts a program detached with its arguments; true when started.
  using Launcher = std::function<bool(const QString& program, const QStringList& arguments)>;

  // notificationBus: where the desktop's notification service is (the
  // session bus); wakeBus: where logind tells of suspend (the system bus).
  // A bus that is not connected is no error: nothing is shown, or no wake
  // is heard.
  TrayReminders(const QDBusConnection& notificationBus, const QDBusConnection& wakeBus, QObject* parent = nullptr);
  ~TrayReminders() override;

  // The time it runs at (tests); an empty function restores the clock's.
  void SetClock(Clock clock);
  // How programs are started (tests); empty: QProcess::startDetached.
  void SetLauncher(Launcher launcher);

  // Starts the minute timer and runs a first check at once.
  void Start();

  // One check of every watched calendar at the clock's time: rings every
  // due alarm whose record it can lock, and the snoozed alarms whose time
  // has come. Nothing while reminders are paused. Returns how many rang.
  int Check();

  // Reminders wait for an hour (alarms that come due meanwhile ring when
  // it is over); Resume ends the pause at once.
  void PauseForAnHour();
  void Resume();
  bool paused();
  QDateTime pausedUntil() const { return pausedUntil_; }

  // Today by the clock it runs at.
  DateValue Today() const;

  // Today's and tomorrow's appointments of the watched calendars, by day
  // and within a day as the calendar lists them.
  std::vector<TrayAppointment> Appointments();

  // Opens the calendar program on a file (empty: its last one), or the
  // address book.
  bool OpenAlmanor(const std::string& calendar = {});
  // The same, showing the event recordId on date ("--event=YYYY-MM-DD:ID").
  bool OpenAlmanorOn(const std::string& calendar, const DateValue& date, quint64 recordId);
  bool OpenCardora();

  // Says once, as a notification, that the desktop has no tray for the icon.
  void TellNoIcon();

  // The notification's body of a rung alarm: date and time lines, and the
  // missed occurrences when there are several.
  static QString NotificationBody(const RingingAlarm& alarm);

  size_t snoozedCount() const { return snoozed_.size(); }
  // What was told about each calendar that could not be checked.
  const std::map<std::string, std::string>& toldProblems() const { return told_; }

 signals:
  // After every check that ran (not while paused), with how many rang.
  void checked(int rang);
  void pausedChanged(bool paused);

 private slots:
  void onPrepareForSleep(bool sleeping);

 private:
  struct Reminder {
    std::string calendar;
    QString summary;
    QString body;
    quint64 recordId = 0;
    DateValue date;  // the occurrence the notification names
  };
  QDateTime Now() const;
  int CheckCalendar(const std::string& path, const AlarmMoment& moment);
  int RingSnoozed(const QDateTime& now);
  void Notify(const Reminder& reminder);
  void OnAction(quint64 handle, const QString& action);
  // Tells a problem of a calendar once, until it checks well again.
  void TellOnce(const std::string& path, const std::string& text);
  bool Launch(const char* program, const QStringList& arguments);

  DesktopNotification* notifications_;
  QDBusConnection wakeBus_;
  bool listeningForWake_ = false;
  QTimer timer_;
  Clock clock_;
  Launcher launcher_;
  QDateTime pausedUntil_;
  std::map<quint64, Reminder> shown_;                    // notifications on the desktop
  std::multimap<QDateTime, Reminder> snoozed_;          // by when they come back
  std::map<std::string, std::string> told_;              // calendar -> problem told
  bool toldNoIcon_ = false;
};

}  // namespace velmora
