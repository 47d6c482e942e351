#include "calendar/gui/RepeatDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "shell/DatePickerDialog.h"
#include "shell/MessageBoxes.h"
#include "toolkit/Fonts.h"
#include "toolkit/TesselDialog.h"

namespace velmora {

namespace {

constexpr int kRefusedDateMessage = 500;
constexpr const char* kKindTexts[5] = {"None", "Day", "Week", "Month", "Year"};
constexpr const char* kKindNames[5] = {"none", "day", "week", "month", "year"};
constexpr const char* kWeekdayTexts[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

QString DateText(const DateValue& date) { return QString::fromStdString(FormatDate(date)); }

}  // namespace

RepeatDialog::RepeatDialog(const RepeatBlock& block, const DateValue& eventDate, QWidget* owner)
    : QDialog(owner), eventDate_(eventDate), choices_(OpenRepeatChoices(block, eventDate)) {
  setObjectName(QStringLiteral("Repeat"));
  setWindowTitle(QStringLiteral("Repeat"));
  setFont(NormalFont());

  auto* outer = new QVBoxLayout(this);
  outer->addWidget(new QLabel(QStringLiteral("Select how often this event should repeat:"), this));
  auto* kindRow = new QHBoxLayout();
  auto* kindGroup = new QButtonGroup(this);
  for (int i = 0; i < 5; ++i) {
    kinds_[i] = new QRadioButton(QString::fromLatin1(kKindTexts[i]), this);
    kinds_[i]->setObjectName(QString::fromLatin1(kKindNames[i]));
    kindGroup->addButton(kinds_[i], i);
    kindRow->addWidget(kinds_[i]);
  }
  kindRow->addStretch();
  outer->addLayout(kindRow);
  connect(kindGroup, &QButtonGroup::idClicked, this, [this](int id) { ChooseKind(RepeatChoice(id)); });

  group_ = new QGroupBox(this);
  group_->setObjectName(QStringLiteral("group"));
  auto* grid = new QGridLayout(group_);
  hint_ = new QLabel(QStringLiteral("Click on one of the selections above to set a repeat interval."), group_);
  hint_->setObjectName(QStringLiteral("hint"));
  hint_->setWordWrap(true);
  grid->addWidget(hint_, 0, 0, 1, 4);

  every_ = new QComboBox(group_);
  every_->setObjectName(QStringLiteral("every"));
  for (uint32_t n = 1; n <= kMaxRepeatInterval; ++n) every_->addItem(QString::number(n));
  everyLabel_ = new QLabel(QStringLiteral("&Every:"), group_);
  everyLabel_->setBuddy(every_);
  unit_ = new QLabel(group_);
  unit_->setObjectName(QStringLiteral("unit"));
  grid->addWidget(everyLabel_, 1, 0);
  grid->addWidget(every_, 1, 1);
  grid->addWidget(unit_, 1, 2, 1, 2);
  connect(every_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index >= 0) choices_.interval = uint32_t(index) + 1;
  });

  endLabel_ = new QLabel(QStringLiteral("End on:"), group_);
  noEnd_ = new QRadioButton(QStringLiteral(" No End &Date"), group_);
  noEnd_->setObjectName(QStringLiteral("noEnd"));
  endOn_ = new QRadioButton(group_);
  endOn_->setObjectName(QStringLiteral("endOn"));
  endOn_->setAccessibleName(QStringLiteral("End on the date"));
  endDate_ = new QPushButton(group_);
  endDate_->setObjectName(QStringLiteral("endDate"));
  endDate_->setAccessibleName(QStringLiteral("End date"));
  auto* endGroup = new QButtonGroup(this);
  endGroup->addButton(noEnd_);
  endGroup->addButton(endOn_);
  grid->addWidget(endLabel_, 2, 0);
  grid->addWidget(noEnd_, 2, 1, 1, 3);
  auto* endRow = new QHBoxLayout();
  endRow->addWidget(endOn_);
  endRow->addWidget(endDate_, 1);
  grid->addLayout(endRow, 3, 1, 1, 3);
  connect(noEnd_, &QRadioButton::toggled, this, [this](bool on) {
    choices_.noEndDate = on;
    endDate_->setEnabled(!on);
  });
  connect(endDate_, &QPushButton::clicked, this, &RepeatDialog::PickEndDate);

  repeatOnLabel_ = new QLabel(QStringLiteral("Repeat on:"), group_);
  grid->addWidget(repeatOnLabel_, 4, 0);
  auto* dayRow = new QHBoxLayout();
  for (int day = 0; day < 7; ++day) {
    weekdays_[day] = new QCheckBox(QString::fromLatin1(kWeekdayTexts[day]), group_);
    weekdays_[day]->setObjectName(QString::fromLatin1(kWeekdayTexts[day]));
    dayRow->addWidget(weekdays_[day]);
    connect(weekdays_[day], &QCheckBox::clicked, this, [this, day] { WeekdayToggled(day); });
  }
  grid->addLayout(dayRow, 5, 0, 1, 4);
  grid->setRowStretch(6, 1);
  outer->addWidget(group_, 1);

  auto* buttons = new QHBoxLayout();
  buttons->addStretch();
  auto* ok = new QPushButton(QStringLiteral("&Ok"), this);
  ok->setObjectName(QStringLiteral("1"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("2"));
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  outer->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  // What the stored block shows.
  every_->setCurrentIndex(int(choices_.interval) - 1);
  (choices_.noEndDate ? noEnd_ : endOn_)->setChecked(true);
  endDate_->setEnabled(!choices_.noEndDate);
  endDate_->setText(DateText(choices_.endDate));
  ShowChoices();
  setMinimumWidth(420);
  adjustSize();
  TesselDialog::CentreOver(this, owner);
}

void RepeatDialog::ChooseKind(RepeatChoice kind) {
  choices_.kind = kind;
  // A week chosen now with no day marked starts on the event's weekday.
  if (kind == RepeatChoice::Week && (choices_.weekdays & 0x7F) == 0) {
    const int weekday = Weekday(eventDate_.year, eventDate_.month, eventDate_.day);
    choices_.weekdays = weekday >= 0 ? 1u << weekday : 1u;
  }
  ShowChoices();
}

void RepeatDialog::ShowChoices() {
  const int kind = int(choices_.kind);
  kinds_[kind]->setChecked(true);
  group_->setTitle(QString::fromLatin1(RepeatKindCaption(choices_.kind)));
  unit_->setText(QString::fromLatin1(RepeatUnitLabel(choices_.kind)));
  const bool none = choices_.kind == RepeatChoice::None;
  const bool week = choices_.kind == RepeatChoice::Week;
  hint_->setVisible(none);
  for (QWidget* w : std::initializer_list<QWidget*>{everyLabel_, every_, unit_, endLabel_, noEnd_, endOn_, endDate_}) {
    w->setVisible(!none);
  }
  repeatOnLabel_->setVisible(week);
  for (int day = 0; day < 7; ++day) {
    weekdays_[day]->setVisible(week);
    weekdays_[day]->setChecked((choices_.weekdays >> day) & 1u);
  }
}

void RepeatDialog::WeekdayToggled(int weekday) {
  choices_.weekdays = ToggleWeekday(choices_.weekdays, weekday);
  // Unchecking the last day is undone: the box shows the mask again.
  weekdays_[weekday]->setChecked((choices_.weekdays >> weekday) & 1u);
}

void RepeatDialog::PickEndDate() {
  const QPoint at = endDate_->mapToGlobal(QPoint(0, endDate_->height()));
  std::optional<DateValue> picked = PickDate(this, choices_.endDate, at);
  if (!picked) return;
  if (!RepeatEndAcceptable(eventDate_, *picked)) {
    InformationBox(this, kRefusedDateMessage);
    return;
  }
  choices_.endDate = *picked;
  endDate_->setText(DateText(*picked));
}

std::optional<RepeatBlock> EditRepeat(QWidget* owner, const RepeatBlock& block, const DateValue& eventDate) {
  RepeatDialog dialog(block, eventDate, owner);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.block();
}

}  // namespace velmora
