// AlarmRinger: the alarm check of the calendar's main window (every two
// minutes): rings a due alarm of the open file in the ringing window and as a
// desktop notification.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QPointer>
#include <functional>
#include <map>
#include <string>

#include "calendar/model/Alarms.h"

class QWidget;

namespace velmora {

class AlarmRingingWindow;
class DesktopNotification;
class RecordStore;

class AlarmRinger : public QObject {
  Q_OBJECT

 public:
  // The notification's texts.
  static constexpr const char* kAppName = "Almanor";
  static constexpr const char* kCategory = "x-velmora.alarm";
  static constexpr const char* kOpenAction = "Open";
  static constexpr const char* kDismissAction = "Dismiss";

  // window: the main window the ringing window belongs to. Notifications go
  // over the session bus.
  explicit AlarmRinger(QWidget* window);
  ~AlarmRinger() override;

  // One alarm check of the open file at the current moment; true when an
  // alarm rang. A failure to write the rung alarm back is shown (the alarm
  // would ring again); a failure to read the file is shown once, not at
  // every check.
  bool Check(RecordStore& store);

  // Sends the notifications over another bus (tests use a private one).
  void SetNotificationBus(const QDBusConnection& bus);
  // The moment the checks run at (tests); an empty function restores the
  // clock's.
  void SetMomentSource(std::function<AlarmMoment()> source);

  // The notification's body: the date and time lines, and the missed
  // occurrences when there are several.
  static QString NotificationBody(const RingingAlarm& alarm);

 signals:
  // The person asked to see the event that rang (the notification's "Open"):
  // its date (DayNumber) and record identity.
  void openEvent(int dayNumber, quint64 recordId);
  // The ringing window is up (tests close it from here).
  void ringingShown(AlarmRingingWindow* window);

 private:
  bool Ring(const RingingAlarm& alarm);
  void Notify(const RingingAlarm& alarm);
  void OnAction(quint64 handle, const QString& action);

  struct Shown {
    int dayNumber = 0;
    quint64 recordId = 0;
  };

  QWidget* window_;
  DesktopNotification* notifications_ = nullptr;
  std::function<AlarmMoment()> moment_;
  std::map<quint64, Shown> shown_;  // notifications still on the desktop
  std::string lastReadFailure_;
};

}  // namespace velmora
