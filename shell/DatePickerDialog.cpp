#include "shell/DatePickerDialog.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "shell/SuiteFlags.h"
#include "toolkit/Fonts.h"
#include "toolkit/OpeningEffect.h"
#include "toolkit/SoundPlayer.h"
#include "toolkit/TesseMiniCalendar.h"

namespace velmora {

DatePickerDialog::DatePickerDialog(const DateValue& initial, const QPoint& at, bool openingEffect, QWidget* owner)
    : TesselDialog(kTemplate, owner), at_(at), openingEffect_(openingEffect) {
  setObjectName(QString::number(kTemplate));
  setWindowTitle(QStringLiteral("Date"));
  setFont(NormalFont());
  calendar_ = new TesseMiniCalendar(kCalendarId, QColor(Qt::white), palette().color(QPalette::Button),
                                    QColor::fromRgba(kTodayColour), this);
  calendar_->setObjectName(QStringLiteral("calendar"));
  calendar_->setFixedSize(calendar_->sizeHint());
  if (DayNumber(initial) != kInvalidDayNumber) (void)calendar_->SetDate(initial);

  auto* ok = new QPushButton(QStringLiteral("ok"), this);
  ok->setObjectName(QString::number(kCmdOk));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("cancel"), this);
  cancel->setObjectName(QString::number(kCmdCancel));
  connect(ok, &QPushButton::clicked, this, [this] { OnCommand(Command{kCmdOk, 0, {}, {}}); });
  connect(cancel, &QPushButton::clicked, this, [this] { OnCommand(Command{kCmdCancel, 0, {}, {}}); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setSpacing(6);
  layout->addWidget(calendar_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QPoint DatePickerDialog::PlaceOnScreen(const QPoint& at, const QSize& size, const QRect& screenArea) {
  QRect placed(at, size);
  if (placed.right() > screenArea.right()) placed.moveRight(screenArea.right());
  if (placed.bottom() > screenArea.bottom()) placed.moveBottom(screenArea.bottom());
  if (placed.left() < screenArea.left()) placed.moveLeft(screenArea.left());
  if (placed.top() < screenArea.top()) placed.moveTop(screenArea.top());
  return placed.topLeft();
}

void DatePickerDialog::Place() {
  QScreen* screen = QGuiApplication::screenAt(at_);
  if (!screen) screen = QGuiApplication::primaryScreen();
  const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  move(PlaceOnScreen(at_, frameGeometry().size(), area));
}

void DatePickerDialog::OnInitDialog() {
  adjustSize();
  Place();
  if (openingEffect_) {
    SoundPlayer::Instance().Play("open.wav");
    if (AnimationFlag()) PlayOpeningEffect(QRect(pos(), frameGeometry().size()));
  }
}

void DatePickerDialog::OnInitialise() {
  // Shown now: the frame's size is known and may push it back inside.
  Place();
}

qintptr DatePickerDialog::OnCommand(const Command& command) {
  switch (command.id) {
    case kCmdOk:
      picked_ = calendar_->date();
      SoundPlayer::Instance().Play("close.wav");
      EndDialog(1);
      return 1;
    case kCmdCancel:
      picked_.reset();
      SoundPlayer::Instance().Play("close.wav");
      EndDialog(0);
      return 1;
    default:
      // The calendar's notifications: the dialog reads its date on "ok".
      return CommandLow(command.id) == kCalendarId ? 1 : TesselDialog::OnCommand(command);
  }
}

std::optional<DateValue> PickDate(QWidget* owner, const DateValue& initial, const QPoint& at, bool openingEffect) {
  DatePickerDialog dialog(initial, at, openingEffect, owner);
  if (dialog.RunModal() != 1) return std::nullopt;
  return dialog.picked();
}

}  // namespace velmora
