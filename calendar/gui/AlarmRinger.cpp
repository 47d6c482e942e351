#include "calendar/gui/AlarmRinger.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "calendar/gui/AlarmRingingWindow.h"
#include "shell/DesktopNotification.h"
#include "shell/MessageBoxes.h"
#include "store/Dates.h"
#include "store/RecordStore.h"

namespace velmora {

AlarmRinger::AlarmRinger(QWidget* window) : QObject(window), window_(window) {
  SetNotificationBus(QDBusConnection::sessionBus());
}

AlarmRinger::~AlarmRinger() = default;

void AlarmRinger::SetNotificationBus(const QDBusConnection& bus) {
  delete notifications_;
  shown_.clear();
  notifications_ = new DesktopNotification(bus, this);
  connect(notifications_, &DesktopNotification::actionInvoked, this, &AlarmRinger::OnAction);
  connect(notifications_, &DesktopNotification::closed, this,
          [this](quint64 handle, uint) { shown_.erase(handle); });
}

void AlarmRinger::SetMomentSource(std::function<AlarmMoment()> source) { moment_ = std::move(source); }

bool AlarmRinger::Check(RecordStore& store) {
  const AlarmMoment moment = moment_ ? moment_() : CurrentAlarmMoment();
  std::string subject;
  const AlarmCheckOutcome outcome = RunAlarmCheck(store, moment, [this, &subject](const RingingAlarm& alarm) {
    subject = alarm.record.subject();
    return Ring(alarm);
  });
  if (outcome.result.ok()) {
    lastReadFailure_.clear();
  } else if (outcome.rang) {
    InformationBox(window_, "The alarm of \"" + subject +
                                "\" rang, but the calendar file could not be updated; it may ring again.\r\n" +
                                outcome.result.Message());
  } else if (outcome.result.Message() != lastReadFailure_) {
    // The check runs every two minutes: the same failure is told once.
    lastReadFailure_ = outcome.result.Message();
    InformationBox(window_, "The alarms could not be checked.\r\n" + lastReadFailure_);
  }
  return outcome.rang;
}

bool AlarmRinger::Ring(const RingingAlarm& alarm) {
  QPointer<AlarmRingingWindow> ringing = new AlarmRingingWindow(alarm, window_);
  // The notification call returns at once, whatever the bus does.
  Notify(alarm);
  // Told from inside the window's own loop, so that a listener may close it.
  QTimer::singleShot(0, ringing, [this, ringing] {
    if (ringing) emit ringingShown(ringing);
  });
  ringing->exec();
  if (!ringing) return false;  // the main window went away meanwhile
  const bool disable = ringing->result() == QDialog::Accepted && ringing->disableRepeat();
  delete ringing;
  return disable;
}

QString AlarmRinger::NotificationBody(const RingingAlarm& alarm) {
  QString body = QStringLiteral("Date: %1\nTime: %2")
                     .arg(AlarmRingingWindow::DateText(alarm), AlarmRingingWindow::TimeText(alarm));
  const QString missed = AlarmRingingWindow::MissedText(alarm);
  if (!missed.isEmpty()) body += QLatin1Char('\n') + missed;
  return body;
}

void AlarmRinger::Notify(const RingingAlarm& alarm) {
  if (!notifications_ || !notifications_->available()) return;
  DesktopNotification::Message message;
  message.appName = QString::fromLatin1(kAppName);
  message.icon = QStringLiteral("appointment-soon");
  message.summary = QString::fromStdString(alarm.record.subject());
  if (message.summary.isEmpty()) message.summary = QStringLiteral("Alarm");
  message.body = NotificationBody(alarm);
  message.category = QString::fromLatin1(kCategory);
  message.urgency = DesktopNotification::kCritical;
  message.actions = {QString::fromLatin1(kOpenAction), QString::fromLatin1(kOpenAction),
                     QString::fromLatin1(kDismissAction), QString::fromLatin1(kDismissAction)};
  const quint64 handle = notifications_->show(message);
  if (handle != 0) {
    shown_[handle] = Shown{DayNumber(AlarmRingingWindow::ShownOccurrence(alarm)), alarm.record.id()};
  }
}

void AlarmRinger::OnAction(quint64 handle, const QString& action) {
  auto it = shown_.find(handle);
  if (it == shown_.end()) return;
  const Shown event = it->second;
  shown_.erase(it);
  notifications_->close(handle);
  if (action != QLatin1String(kOpenAction)) return;  // "Dismiss": just gone
  if (window_) {
    QWidget* top = window_->window();
    if (top->isMinimized()) top->setWindowState(top->windowState() & ~Qt::WindowMinimized);
    top->show();
    top->raise();
    top->activateWindow();
  }
  emit openEvent(event.dayNumber, event.recordId);
}

}  // namespace velmora
