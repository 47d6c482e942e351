// The "Repeat" dialog: how often an event repeats (none, every n days,
// weeks on chosen weekdays, months or years) and until when. It edits a copy
// of the event's repeat block; the rules of what it shows and builds are
// those of RepeatChoices.h.
#pragma once

#include <QDialog>
#include <optional>

#include "calendar/model/EventRecord.h"
#include "calendar/model/RepeatChoices.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace velmora {

class RepeatDialog : public QDialog {
  Q_OBJECT

 public:
  RepeatDialog(const RepeatBlock& block, const DateValue& eventDate, QWidget* owner = nullptr);

  // The choices as the controls now stand.
  const RepeatChoices& choices() const { return choices_; }
  // The block "&Ok" builds from them.
  RepeatBlock block() const { return BuildRepeatBlock(choices_, eventDate_); }

  // Chooses a kind as its radio button does.
  void ChooseKind(RepeatChoice kind);
  // The end-date button: the date picker, then the check of the picked date.
  void PickEndDate();

 private:
  void ShowChoices();
  void WeekdayToggled(int weekday);

  DateValue eventDate_;
  RepeatChoices choices_;
  QRadioButton* kinds_[5];
  QGroupBox* group_;
  QLabel* hint_;
  QLabel* everyLabel_;
  QComboBox* every_;
  QLabel* unit_;
  QLabel* endLabel_;
  QRadioButton* noEnd_;
  QRadioButton* endOn_;
  QPushButton* endDate_;
  QLabel* repeatOnLabel_;
  QCheckBox* weekdays_[7];
};

// Runs the dialog modally; the new block on "&Ok", nothing on "Cancel".
std::optional<RepeatBlock> EditRepeat(QWidget* owner, const RepeatBlock& block, const DateValue& eventDate);

}  // namespace velmora
