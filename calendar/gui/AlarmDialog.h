// The "Alarm" settings of an event: whether it rings, how many days before
// the event and at what time, the tone it plays and what the ringing window
// may open (an e-mail address, a URL or a document). It edits a copy of the
// record; only "OK" hands the settings back.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "calendar/model/EventRecord.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace velmora {

// Plays a tone file (a path) and returns at once; false when nothing could
// be started. Tests install their own; an empty one restores the desktop's
// sound output.
using TonePlayer = std::function<bool(const std::string& path)>;
TonePlayer SetTonePlayer(TonePlayer player);
bool PlayToneFile(const std::string& path);

// Whether a path a file dialog chose fits a 260-byte path field of the
// event; a longer one is refused with a message (cut, it would name another
// file).
bool ChosenPathFits(QWidget* owner, const std::string& path);

class AlarmDialog : public QDialog {
  Q_OBJECT

 public:
  // newEvent: the reference date starts at the event date, the alarm time at
  // the start time, lead and reserved byte at 0; otherwise the stored
  // settings show.
  AlarmDialog(const EventRecord& record, bool newEvent, QWidget* owner = nullptr);

  // The record with the settings as the controls now stand (what "OK"
  // gives).
  EventRecord record() const;
  // "Date: ...\nTime: ..." as the text area shows it.
  QString momentText() const;

  // "Alarm Time": the time picker in its single-time mode.
  void PickAlarmTime();

 private:
  void UpdateEnabled();
  void UpdateMoment();
  void Play();
  void BrowseTone();
  void BrowseTarget();

  EventRecord record_;
  QRadioButton* set_;
  QRadioButton* cancelAlarm_;
  QPushButton* time_;
  QComboBox* lead_;
  QLabel* moment_;
  QLineEdit* tone_;
  QPushButton* play_;
  QPushButton* browseTone_;
  QRadioButton* kinds_[3];
  QLineEdit* target_;
  QPushButton* browseTarget_;
  QGroupBox* groups_[3];
};

// Runs the dialog modally; the record with the new settings on "OK",
// nothing on "Cancel".
std::optional<EventRecord> EditAlarm(QWidget* owner, const EventRecord& record, bool newEvent);

}  // namespace velmora
