#include "shell/DatePickerDialog.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

#include "shell/SuiteFlags.h"
#include "toolkit/Fonts.h"
#include "toolkit/OpeningEffect.h"
#include "toolkit/SoundPlayer.h"
#include "toolkit/TFlyMenu.h"
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

  // The year is chosen in a spin box over the calendar's year chooser: a
  // pop-up of a hundred years covers half the screen, while the spin box
  // keeps the shown year in view and takes a typed year or the arrow keys.
  year_ = new QSpinBox(calendar_);
  year_->setObjectName(QStringLiteral("year"));
  year_->setRange(kFirstYear, kLastYear);
  year_->setValue(int(calendar_->date().year));
  year_->setAlignment(Qt::AlignCenter);
  year_->setFont(NormalFont());
  year_->setAccessibleName(QStringLiteral("Year"));
  calendar_->yearSelector()->hide();
  calendar_->yearSelector()->installEventFilter(this);
  PlaceYear();
  connect(year_, &QSpinBox::valueChanged, this, [this](int year) {
    if (int(calendar_->date().year) != year) SendCommand(calendar_, Command{year, 0, {}, {}});
  });

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QString::number(kCmdOk));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
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

void DatePickerDialog::PlaceYear() {
  year_->setGeometry(calendar_->yearSelector()->geometry());
  year_->raise();
}

void DatePickerDialog::ShowYear() {
  const int year = int(calendar_->date().year);
  if (year_->value() == year) return;
  const QSignalBlocker quiet(year_);
  year_->setValue(year);
}

bool DatePickerDialog::eventFilter(QObject* watched, QEvent* event) {
  // The calendar lays out its year chooser; the spin box takes its place.
  if (watched == calendar_->yearSelector()) {
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize) PlaceYear();
    if (event->type() == QEvent::Show) calendar_->yearSelector()->hide();
  }
  return TesselDialog::eventFilter(watched, event);
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
      // The calendar's notifications: the dialog reads its date on "OK";
      // the year box follows a month step across the new year.
      if (CommandLow(command.id) == kCalendarId) {
        ShowYear();
        return 1;
      }
      return TesselDialog::OnCommand(command);
  }
}

std::optional<DateValue> PickDate(QWidget* owner, const DateValue& initial, const QPoint& at, bool openingEffect) {
  DatePickerDialog dialog(initial, at, openingEffect, owner);
  if (dialog.RunModal() != 1) return std::nullopt;
  return dialog.picked();
}

}  // namespace velmora
