// AlarmRinger: the alarm check of the calendar's main window (every two
// minutes): rings a due alarm of the open file in the ringing window and as a
// desktop notification.
#pragma once

#include <QObject>

class QWidget;

namespace velmora {

class RecordStore;

class AlarmRinger : public QObject {
  Q_OBJECT

 public:
  // window: the main window the ringing window belongs to.
  explicit AlarmRinger(QWidget* window);
  ~AlarmRinger() override;

  // One alarm check of the open file at the current moment.
  void Check(RecordStore& store);

 signals:
  // The person asked to see the event that rang (the notification's "Open"):
  // its date (DayNumber) and record identity.
  void openEvent(int dayNumber, quint64 recordId);

 private:
  QWidget* window_;
};

}  // namespace velmora
