// The ringing window "Alarm": shown modally over the calendar's main window
// when an alarm rings. It shows the occurrence's date and time, how many
// occurrences the alarm stands for when it was missed for several of them,
// the subject, and the start target with "Start" (open the e-mail address,
// web address, document or program on "OK"), and for a repeating event
// "Disable repeat alarm". It plays the event's tone file once, while the
// suite's sound switch is on, brings the program to the front and puts the
// focus on the subject.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>

#include "calendar/model/Alarms.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSoundEffect;

namespace velmora {

class AlarmRingingWindow : public QDialog {
  Q_OBJECT

 public:
  // Object names of the controls, for tests and for the keyboard's order.
  static constexpr const char* kDateName = "date";
  static constexpr const char* kTimeName = "time";
  static constexpr const char* kMissedName = "missed";
  static constexpr const char* kSubjectName = "subject";
  static constexpr const char* kTargetName = "target";
  static constexpr const char* kStartName = "start";
  static constexpr const char* kDisableName = "disableRepeat";
  static constexpr const char* kOkName = "1";
  static constexpr const char* kCancelName = "2";

  // Tone files larger than this are not played (a sound of minutes).
  static constexpr qint64 kLongestTone = 32 * 1024 * 1024;

  AlarmRingingWindow(const RingingAlarm& alarm, QWidget* owner = nullptr);
  ~AlarmRingingWindow() override;

  // The texts the window shows.
  static QString DateText(const RingingAlarm& alarm);
  static QString TimeText(const RingingAlarm& alarm);
  // "3 occurrences missed, 5/1/2004 to 19/1/2004"; empty for one occurrence.
  static QString MissedText(const RingingAlarm& alarm);
  // The day whose occurrence the window shows: the latest one due.
  static DateValue ShownOccurrence(const RingingAlarm& alarm);

  // After the window closed: whether "Disable repeat alarm" was marked and
  // "OK" closed it (Cancel hands nothing back).
  bool disableRepeat() const { return disableRepeat_; }
  // The tone file the window started playing; empty when it played none.
  const QString& tonePlaying() const { return tone_; }

  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void PlayTone(const std::string& path);
  void StartTarget();

  RingingAlarm alarm_;
  QPlainTextEdit* subject_;
  QCheckBox* start_;
  QCheckBox* disable_ = nullptr;
  QSoundEffect* effect_ = nullptr;
  QString tone_;
  bool disableRepeat_ = false;
};

}  // namespace velmora
