#include "calendar/gui/TimeRangeDialog.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "shell/DatePickerDialog.h"
#include "shell/SuiteFlags.h"
#include "toolkit/Fonts.h"
#include "toolkit/OpeningEffect.h"
#include "toolkit/SoundPlayer.h"

namespace velmora {

namespace {

// Room above the first and below the last time, so their labels fit.
constexpr int kTopMargin = 7;
constexpr int kBottomMargin = 7;
// How near an edge of the band a press has to be to take that edge.
constexpr int kGrip = 4;
constexpr int kSlotsPerHour = 12;

TimeValue TimeOfSlot(int slot) {
  TimeValue time;
  (void)SlotToTime(slot, time);
  time.second = 0;
  return time;
}

}  // namespace

// ---------------------------------------------------------------------------
// The track.

TesselTimeTrack::TesselTimeTrack(const TimeValue& first, const TimeValue& last, const TimeValue& start,
                                 const TimeValue& end, bool singleTime, QWidget* parent)
    : QWidget(parent), first_(TimeSlot(first)), last_(TimeSlot(last)), single_(singleTime) {
  setObjectName(QString::number(kControlId));
  setFocusPolicy(Qt::StrongFocus);
  setAccessibleName(singleTime ? QStringLiteral("Time") : QStringLiteral("Start and end time"));
  if (first_ < 0) first_ = 0;
  if (last_ < first_) last_ = first_;
  int s = TimeSlot(start);
  int e = singleTime ? s : TimeSlot(end);
  // A time the track cannot show (or an invalid one) puts the band at the
  // track's first time.
  if (s < first_ || e > last_ || s < 0 || e < 0) s = e = first_;
  if (e < s) e = s;
  start_ = s;
  end_ = e;
}

TimeValue TesselTimeTrack::start() const { return TimeOfSlot(start_); }
TimeValue TesselTimeTrack::end() const { return TimeOfSlot(end_); }

void TesselTimeTrack::SetStartSlot(int slot) {
  slot = std::clamp(slot, first_, last_);
  const int oldStart = start_, oldEnd = end_;
  if (single_) {
    start_ = end_ = slot;
  } else {
    start_ = std::min(slot, end_);
  }
  if (start_ != oldStart || end_ != oldEnd) {
    update();
    emit selectionChanged();
  }
}

void TesselTimeTrack::SetEndSlot(int slot) {
  slot = std::clamp(slot, first_, last_);
  const int oldStart = start_, oldEnd = end_;
  if (single_) {
    start_ = end_ = slot;
  } else {
    end_ = std::max(slot, start_);
  }
  if (start_ != oldStart || end_ != oldEnd) {
    update();
    emit selectionChanged();
  }
}

void TesselTimeTrack::MoveBand(int steps) {
  const int length = end_ - start_;
  const int newStart = std::clamp(start_ + steps, first_, last_ - length);
  if (newStart == start_) return;
  start_ = newStart;
  end_ = newStart + length;
  update();
  emit selectionChanged();
}

int TesselTimeTrack::YOfSlot(int slot) const {
  const int span = std::max(1, last_ - first_);
  const int usable = std::max(1, height() - kTopMargin - kBottomMargin);
  return kTopMargin + int((int64_t(slot - first_) * usable + span / 2) / span);
}

int TesselTimeTrack::SlotAtY(int y) const {
  const int span = std::max(1, last_ - first_);
  const int usable = std::max(1, height() - kTopMargin - kBottomMargin);
  const int64_t offset = std::clamp(y - kTopMargin, 0, usable);
  return std::clamp(first_ + int((offset * span + usable / 2) / usable), first_, last_);
}

QString TesselTimeTrack::LengthText(int steps) {
  const int minutes = std::max(0, steps) * 5;
  return QString::asprintf("%02d:%02d", minutes / 60, minutes % 60);
}

int TesselTimeTrack::LabelWidth() const {
  // The widest hour label in the clock style in use ("23:00", "11:00 pm").
  const QFontMetrics metrics(NormalFont());
  int widest = 0;
  for (int slot = first_ - first_ % kSlotsPerHour; slot <= last_; slot += kSlotsPerHour) {
    widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(FormatTime(TimeOfSlot(slot)))));
  }
  return widest + 8;
}

QSize TesselTimeTrack::sizeHint() const { return QSize(LabelWidth() + 80, 2 * Rows() + kTopMargin + kBottomMargin); }

void TesselTimeTrack::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  painter.setFont(NormalFont());
  const QFontMetrics metrics(painter.font());
  const int left = std::min(LabelWidth(), width() / 2);
  const QColor marker = QColor::fromRgba(kMarkerColour);

  // The lines of the day, then the band over them, then the texts.
  for (int slot = first_; slot <= last_; ++slot) {
    const int y = YOfSlot(slot);
    if (slot % kSlotsPerHour == 0) {
      painter.setPen(QColor(128, 128, 128));
      painter.drawLine(0, y, width(), y);
      painter.setPen(Qt::black);
      const QRect label(2, y - metrics.height() / 2, left - 4, metrics.height());
      painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter,
                       QString::fromStdString(FormatTime(TimeOfSlot(slot))));
    } else if (slot % 3 == 0) {
      painter.setPen(QColor(210, 210, 210));
      painter.drawLine(left, y, width(), y);
    }
  }

  const int top = YOfSlot(start_);
  const int bottom = YOfSlot(end_);
  painter.setPen(Qt::white);
  if (single_) {
    // One time: a marker line with the time written on a label centred on
    // it.
    painter.fillRect(QRect(left, top - 1, width() - left - 2, 3), marker);
    const QString text = QString::fromStdString(FormatTime(start()));
    const int labelWidth = std::min(width() - left - 2, metrics.horizontalAdvance(text) + 10);
    const QRect label(left + (width() - left - 2 - labelWidth) / 2, top - metrics.height() / 2 - 1, labelWidth,
                      metrics.height() + 2);
    painter.fillRect(label, marker);
    painter.drawText(label, Qt::AlignCenter, text);
  } else {
    const QRect band(left, top, width() - left - 2, std::max(2, bottom - top));
    painter.fillRect(band, marker);
    if (band.height() >= metrics.height() + 2) painter.drawText(band, Qt::AlignCenter, LengthText(end_ - start_));
  }

  painter.setPen(hasFocus() ? palette().color(QPalette::Highlight) : QColor(128, 128, 128));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TesselTimeTrack::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  setFocus(Qt::MouseFocusReason);
  const int y = event->position().toPoint().y();
  if (single_) {
    drag_ = Drag::End;
  } else if (start_ == end_ && std::abs(y - YOfSlot(start_)) <= kGrip) {
    // A band of no length is drawn out from its time, either way.
    drag_ = Drag::Anchored;
    anchor_ = start_;
  } else if (std::abs(y - YOfSlot(end_)) <= kGrip) {
    drag_ = Drag::End;
  } else if (std::abs(y - YOfSlot(start_)) <= kGrip) {
    drag_ = Drag::Start;
  } else {
    drag_ = Drag::Anchored;
    anchor_ = SlotAtY(y);
  }
  DragTo(y);
}

void TesselTimeTrack::mouseMoveEvent(QMouseEvent* event) {
  if (drag_ == Drag::None) return;
  const QPoint at = event->position().toPoint();
  DragTo(at.y());
  // The pointer stays on the track while it drags (on a desktop that lets
  // a program move the pointer).
  const QPoint inside(std::clamp(at.x(), 0, width() - 1), std::clamp(at.y(), 0, height() - 1));
  if (inside != at && QGuiApplication::platformName() == QLatin1String("xcb")) {
    QCursor::setPos(mapToGlobal(inside));
  }
}

void TesselTimeTrack::mouseReleaseEvent(QMouseEvent* event) {
  if (drag_ != Drag::None && event->button() == Qt::LeftButton) {
    DragTo(event->position().toPoint().y());
    drag_ = Drag::None;
  }
}

void TesselTimeTrack::DragTo(int y) {
  const int slot = SlotAtY(y);
  switch (drag_) {
    case Drag::None: break;
    case Drag::Start: SetStartSlot(slot); break;
    case Drag::End: SetEndSlot(slot); break;
    case Drag::Anchored: {
      const int oldStart = start_, oldEnd = end_;
      start_ = std::min(anchor_, slot);
      end_ = std::max(anchor_, slot);
      if (start_ != oldStart || end_ != oldEnd) {
        update();
        emit selectionChanged();
      }
      break;
    }
  }
}

void TesselTimeTrack::keyPressEvent(QKeyEvent* event) {
  int step = 0;
  switch (event->key()) {
    case Qt::Key_Down: step = 1; break;
    case Qt::Key_Up: step = -1; break;
    case Qt::Key_PageDown: step = kSlotsPerHour; break;
    case Qt::Key_PageUp: step = -kSlotsPerHour; break;
    case Qt::Key_Home: step = first_ - last_; break;
    case Qt::Key_End: step = last_ - first_; break;
    default: QWidget::keyPressEvent(event); return;
  }
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  if (modifiers & Qt::ControlModifier) {
    MoveBand(step);
  } else if (modifiers & Qt::ShiftModifier) {
    SetStartSlot(start_ + step);
  } else {
    SetEndSlot(end_ + step);
  }
  event->accept();
}

// ---------------------------------------------------------------------------
// The dialog.

TimeRangeDialog::TimeRangeDialog(const TimeValue& start, const TimeValue& end, bool singleTime, const QPoint& at,
                                 bool openingEffect, QWidget* owner)
    : TesselDialog(kTemplate, owner), at_(at), openingEffect_(openingEffect), start_(start), end_(end) {
  setObjectName(QString::number(kTemplate));
  setWindowTitle(QStringLiteral("Time"));
  setFont(NormalFont());
  track_ = new TesselTimeTrack(FirstTime(), LastTime(), start, end, singleTime, this);
  ok_ = new QPushButton(QStringLiteral("&OK"), this);
  ok_->setObjectName(QString::number(kCmdOk));
  ok_->setDefault(true);
  cancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
  cancel_->setObjectName(QString::number(kCmdCancel));
  connect(ok_, &QPushButton::clicked, this, [this] { OnCommand(Command{kCmdOk, 0, {}, {}}); });
  connect(cancel_, &QPushButton::clicked, this, [this] { OnCommand(Command{kCmdCancel, 0, {}, {}}); });
  setTabOrder(track_, ok_);
  setTabOrder(ok_, cancel_);
  // A narrow window: the day from 7 AM to 11 PM at about 30 pixels an hour.
  setFixedSize(std::max(150, track_->LabelWidth() + 100), 540);
  PlaceTrack();
}

void TimeRangeDialog::PlaceTrack() {
  // 3 pixels from the left, 2 from the top; the foot keeps 38 pixels for
  // the buttons.
  track_->setGeometry(3, 2, width() - 5, height() - 38);
  const int buttonWidth = (width() - 12) / 2;
  const int buttonTop = height() - 38 + 6;
  ok_->setGeometry(4, buttonTop, buttonWidth, 26);
  cancel_->setGeometry(width() - 4 - buttonWidth, buttonTop, buttonWidth, 26);
}

void TimeRangeDialog::resizeEvent(QResizeEvent* event) {
  TesselDialog::resizeEvent(event);
  PlaceTrack();
}

void TimeRangeDialog::Place() {
  if (at_.isNull()) {
    CentreOver(this, parentWidget());
    return;
  }
  // At the point, moved back onto its screen: the tall window opened under
  // a button low on the screen would otherwise hide its buttons.
  QScreen* screen = QGuiApplication::screenAt(at_);
  if (!screen) screen = QGuiApplication::primaryScreen();
  const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  move(DatePickerDialog::PlaceOnScreen(at_, frameGeometry().size(), area));
}

void TimeRangeDialog::OnInitDialog() {
  Place();
  if (openingEffect_) {
    SoundPlayer::Instance().Play("open.wav");
    if (AnimationFlag()) PlayOpeningEffect(QRect(pos(), frameGeometry().size()));
  }
  PlaceTrack();
  track_->setFocus(Qt::OtherFocusReason);
}

void TimeRangeDialog::OnInitialise() {
  // Shown now: the frame's size is known and may push it back inside.
  if (!at_.isNull()) Place();
}

qintptr TimeRangeDialog::OnCommand(const Command& command) {
  switch (command.id) {
    case kCmdOk:
      start_ = track_->start();
      end_ = track_->end();
      SoundPlayer::Instance().Play("close.wav");
      EndDialog(1);
      return 1;
    case kCmdCancel:
      SoundPlayer::Instance().Play("close.wav");
      EndDialog(0);
      return 1;
    default: return TesselDialog::OnCommand(command);
  }
}

bool PickTimeRange(QWidget* owner, TimeValue& start, TimeValue& end, const QPoint& at, bool openingEffect) {
  TimeRangeDialog dialog(start, end, false, at, openingEffect, owner);
  if (dialog.RunModal() != 1) return false;
  start = dialog.start();
  end = dialog.end();
  return true;
}

bool PickTime(QWidget* owner, TimeValue& time, const QPoint& at, bool openingEffect) {
  TimeRangeDialog dialog(time, time, true, at, openingEffect, owner);
  if (dialog.RunModal() != 1) return false;
  time = dialog.start();
  return true;
}

}  // namespace velmora
