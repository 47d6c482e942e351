#include "calendar/gui/CalendarViews.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <algorithm>

#include "resources/Strings.h"
#include "shell/MessageBoxes.h"
#include "store/RecordStore.h"
#include "toolkit/Fonts.h"
#include "toolkit/PaletteColours.h"
#include "toolkit/Skin.h"

namespace velmora {

namespace {

// The string numbers of the short weekday names "Su".."Sa".
constexpr int kFirstShortWeekdayName = 2030;

const QColor kTitleBlue(64, 64, 255);
const QColor kTodayRed(255, 0, 0);
const QColor kDayBlue(0, 0, 255);
const QColor kHeaderGrey(128, 128, 128);

void AppendTwoDigits(std::string& out, int64_t value) {
  if (value >= 0 && value < 10) out += '0';
  out += std::to_string(value);
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The skin's colour, or the suite's own where the skin has none.
QColor SkinOr(SkinColour which, std::uint32_t fallback) {
  const QColor colour = GetSkin().colour(which);
  return colour.isValid() && colour.rgba() != kAbsentSkinColour ? colour : look::Colour(fallback);
}

DateValue Valid(const DateValue& date) { return DayNumber(date) == kInvalidDayNumber ? Today() : date; }

DateValue FromDay(int32_t day) {
  DateValue date;
  DateFromDayNumber(day, date);
  return date;
}

}  // namespace

std::string ShortTimeText(const TimeValue& time, ClockStyle style) {
  std::string out;
  const bool pm = time.half == uint32_t(kHalfPm);
  if (style == ClockStyle::TwelveHour) {
    const int64_t shown = (time.hour == 0 && pm) ? 12 : int64_t(time.hour);
    AppendTwoDigits(out, shown);
    out += ':';
    AppendTwoDigits(out, time.minute);
    out += pm ? "p" : "a";
  } else {
    AppendTwoDigits(out, pm ? int64_t(time.hour) + 12 : int64_t(time.hour));
    out += ':';
    AppendTwoDigits(out, time.minute);
  }
  return out;
}

std::string ShortTimeText(const TimeValue& time) { return ShortTimeText(time, GetClockStyle()); }

std::string EventLineText(const EventRecord& event) {
  std::string subject = event.subject();
  for (char& c : subject) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  }
  if (event.allDay()) return subject;
  return ShortTimeText(event.startTime()) + " " + subject;
}

int EventLinesThatFit(int cellHeight, int linesTop) {
  const int room = cellHeight - kCellBottomMargin - linesTop;
  return room < kEventLineHeight ? 0 : room / kEventLineHeight;
}

std::vector<std::string> DayCellLines(const DayAgenda& agenda, size_t day, int maxLines) {
  std::vector<std::string> lines;
  if (day >= agenda.dayCount() || maxLines <= 0) return lines;
  for (uint32_t index : agenda.EventsOn(day)) {
    if (int(lines.size()) >= maxLines) break;
    lines.push_back(EventLineText(agenda.event(index)));
  }
  return lines;
}

// ---------------------------------------------------------------------------
// CalendarGridView

CalendarGridView::CalendarGridView(QWidget* parent) : TesselWnd(parent), date_(Today()) {
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::ArrowCursor);
}

void CalendarGridView::SetRecordFile(RecordStore* store) {
  store_ = store;
  DropAgenda();
  update();
}

void CalendarGridView::SetFilter(const EventFilter& filter) {
  filter_ = filter;
  DropAgenda();
  update();
}

void CalendarGridView::SetDate(const DateValue& date) {
  date_ = Valid(date);
  DropAgenda();
  update();
}

void CalendarGridView::Reload() {
  DropAgenda();
  update();
}

void CalendarGridView::DropAgenda() {
  agenda_ = DayAgenda{};
  agendaLoaded_ = false;
  loadResult_ = Result::Ok();
}

const DayAgenda* CalendarGridView::Agenda() {
  if (!store_) return nullptr;
  if (!agendaLoaded_) {
    DateValue first, last;
    ShownRange(first, last);
    loadResult_ = LoadDayAgenda(*store_, first, last, filter_, agenda_);
    agendaLoaded_ = true;
    ++agendaLoads_;
    if (!loadResult_) agenda_ = DayAgenda{};
  }
  return loadResult_ ? &agenda_ : nullptr;
}

void CalendarGridView::MoveTo(const DateValue& date) {
  DateValue oldFirst, oldLast, newFirst, newLast;
  ShownRange(oldFirst, oldLast);
  date_ = date;
  ShownRange(newFirst, newLast);
  if (!(oldFirst == newFirst) || !(oldLast == newLast)) DropAgenda();
  update();
  emit dateChanged(DayNumber(date_));
}

bool CalendarGridView::MoveByDays(int days) {
  const int64_t target = int64_t(DayNumber(date_)) + days;
  if (target < FirstDayNumber() || target > LastDayNumber()) {
    Beep();
    return false;
  }
  MoveTo(FromDay(int32_t(target)));
  return true;
}

bool CalendarGridView::StepForward() {
  DateValue date = date_;
  if (!StepDate(date, +1)) {
    Beep();
    return false;
  }
  MoveTo(date);
  return true;
}

bool CalendarGridView::StepBack() {
  DateValue date = date_;
  if (!StepDate(date, -1)) {
    Beep();
    return false;
  }
  MoveTo(date);
  return true;
}

void CalendarGridView::GoToday() { MoveTo(Today()); }

QRect CalendarGridView::ButtonRect(Button button) const {
  int fromRight = 17;
  if (button == Button::Today) fromRight = 31;
  if (button == Button::Previous) fromRight = 45;
  return QRect(width() - fromRight, height() - 16, 10, 10);
}

QString CalendarGridView::TitleText() const {
  return Q(MonthName(int(date_.month))) + QStringLiteral(" %1").arg(date_.year);
}

QRect CalendarGridView::TitleRect() const {
  const QFontMetrics metrics(BoldFont());
  const int textWidth = metrics.horizontalAdvance(TitleText());
  const int bottom = height() - 15;
  return QRect(width() - 5 - textWidth, bottom - metrics.height(), textWidth, metrics.height());
}

QRect CalendarGridView::Usable() const {
  return QRect(kMargin, kMargin, std::max(0, width() - 2 * kMargin),
               std::max(0, height() - kMargin - kBottomStrip));
}

bool CalendarGridView::DayAt(const QPoint& point, DateValue& out) const {
  for (const DayCell& cell : Cells()) {
    if (cell.rect.contains(point)) {
      out = cell.date;
      return true;
    }
  }
  return false;
}

std::vector<std::string> CalendarGridView::LinesOf(const DateValue& date) {
  const DayAgenda* agenda = Agenda();
  if (!agenda || agenda->dayCount() == 0) return {};
  const int32_t offset = DayNumber(date) - DayNumber(agenda->first());
  if (DayNumber(date) == kInvalidDayNumber || offset < 0 || size_t(offset) >= agenda->dayCount()) return {};
  for (const DayCell& cell : Cells()) {
    if (cell.date == date) return DayCellLines(*agenda, size_t(offset), EventLinesThatFit(cell.rect.height(), kLinesTop));
  }
  return {};
}

void CalendarGridView::EraseBackground(QPainter& painter) {
  painter.fillRect(rect(), SkinOr(SkinColour::Back, look::kSilver));
}

void CalendarGridView::PaintHeader(QPainter&) {}

void CalendarGridView::PaintButton(QPainter& painter, Button button) const {
  const QRect box = ButtonRect(button);
  painter.setPen(SkinOr(SkinColour::FrameDown, look::kSteelDark));
  painter.setBrush(SkinOr(SkinColour::BackUp, look::kPaper));
  painter.drawRect(box.adjusted(0, 0, -1, -1));
  painter.setPen(Qt::NoPen);
  painter.setBrush(look::Colour(look::kInk));
  const QPoint c = box.center();
  if (button == Button::Today) {
    painter.drawRect(c.x() - 1, c.y() - 1, 3, 3);
  } else if (button == Button::Next) {
    painter.drawPolygon(QPolygon({QPoint(c.x() - 1, c.y() - 3), QPoint(c.x() + 2, c.y()), QPoint(c.x() - 1, c.y() + 3)}));
  } else {
    painter.drawPolygon(QPolygon({QPoint(c.x() + 1, c.y() - 3), QPoint(c.x() - 2, c.y()), QPoint(c.x() + 1, c.y() + 3)}));
  }
  painter.setBrush(Qt::NoBrush);
}

void CalendarGridView::PaintCell(QPainter& painter, const DayCell& cell, const DayAgenda* agenda,
                                 const DateValue& today) {
  const QRect r = cell.rect;
  const bool selected = cell.date == date_;
  painter.fillRect(r, selected ? look::Colour(look::kAccentPale) : look::Colour(look::kPaper));
  painter.setPen(SkinOr(SkinColour::PanelFrame, look::kSteel));
  painter.drawRect(r.adjusted(0, 0, -1, -1));
  if (selected) {
    // The selected day, framed so that the keyboard's moves can be followed.
    painter.setPen(look::Colour(hasFocus() ? look::kAccent : look::kAccentLight));
    painter.drawRect(r.adjusted(1, 1, -2, -2));
  }

  painter.setFont(SmallBoldFont());
  painter.setPen(cell.date == today ? kTodayRed : kDayBlue);
  const QRect label(r.left() + 3, r.top() + 1, r.width() - 6, kLinesTop - 1);
  painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, Q(CellLabel(cell.date)));

  if (!agenda) return;
  const int32_t offset = DayNumber(cell.date) - DayNumber(agenda->first());
  if (offset < 0 || size_t(offset) >= agenda->dayCount()) return;
  const std::vector<std::string> lines =
      DayCellLines(*agenda, size_t(offset), EventLinesThatFit(r.height(), kLinesTop));
  painter.setFont(SmallFont());
  painter.setPen(look::Colour(look::kInk));
  const QFontMetrics metrics(SmallFont());
  for (size_t i = 0; i < lines.size(); ++i) {
    const QRect line(r.left() + 3, r.top() + kLinesTop + int(i) * kEventLineHeight, r.width() - 6, kEventLineHeight);
    const QString text = metrics.elidedText(Q(lines[i]), Qt::ElideRight, line.width());
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
  }
}

void CalendarGridView::Paint(QPainter& painter) {
  // The frame around the cells, in the skin's shades.
  const QRect grid = GridRect();
  if (grid.isValid()) {
    const QRect frame = grid.adjusted(-2, -2, 1, 1);
    painter.setPen(SkinOr(SkinColour::BackDown, look::kSteelDark));
    painter.drawLine(frame.topLeft(), frame.topRight());
    painter.drawLine(frame.topLeft(), frame.bottomLeft());
    painter.setPen(SkinOr(SkinColour::BackUp, look::kWhite));
    painter.drawLine(frame.bottomLeft(), frame.bottomRight());
    painter.drawLine(frame.topRight(), frame.bottomRight());
    painter.fillRect(grid, SkinOr(SkinColour::Back, look::kSilver).darker(108));
  }
  PaintHeader(painter);

  const DayAgenda* agenda = Agenda();
  const DateValue today = Today();
  for (const DayCell& cell : Cells()) PaintCell(painter, cell, agenda, today);

  if (!loadResult_) {
    // The file could not be read: said in the view itself, which stays
    // usable for moving around.
    painter.setFont(SmallBoldFont());
    painter.setPen(kTodayRed);
    painter.drawText(QRect(kMargin, height() - kBottomStrip + 2, std::max(0, width() - 60), 28),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, Q(loadResult_.Message()));
  }

  painter.setFont(BoldFont());
  painter.setPen(kTitleBlue);
  painter.drawText(TitleRect(), Qt::AlignRight | Qt::AlignBottom | Qt::TextSingleLine, TitleText());
  for (Button button : {Button::Next, Button::Today, Button::Previous}) PaintButton(painter, button);
}

void CalendarGridView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    TesselWnd::mousePressEvent(event);
    return;
  }
  const QPoint pos = event->position().toPoint();
  if (ButtonRect(Button::Next).contains(pos)) {
    StepForward();
    return;
  }
  if (ButtonRect(Button::Previous).contains(pos)) {
    StepBack();
    return;
  }
  if (ButtonRect(Button::Today).contains(pos)) {
    GoToday();
    return;
  }
  DateValue day;
  if (DayAt(pos, day)) {
    if (!(day == date_)) MoveTo(day);
    emit dateClicked(DayNumber(day));
  }
}

void CalendarGridView::mouseMoveEvent(QMouseEvent* event) {
  DateValue day;
  setCursor(DayAt(event->position().toPoint(), day) ? Qt::PointingHandCursor : Qt::ArrowCursor);
  TesselWnd::mouseMoveEvent(event);
}

void CalendarGridView::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_PageUp:
      StepBack();
      break;
    case Qt::Key_PageDown:
      StepForward();
      break;
    case Qt::Key_Home:
      GoToday();
      break;
    case Qt::Key_Left:
      MoveByDays(-1);
      break;
    case Qt::Key_Right:
      MoveByDays(+1);
      break;
    case Qt::Key_Up:
      MoveByDays(-RowDays());
      break;
    case Qt::Key_Down:
      MoveByDays(+RowDays());
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      emit dateClicked(DayNumber(date_));
      break;
    default:
      TesselWnd::keyPressEvent(event);
      return;
  }
  event->accept();
}

void CalendarGridView::focusInEvent(QFocusEvent* event) {
  update();
  TesselWnd::focusInEvent(event);
}

void CalendarGridView::focusOutEvent(QFocusEvent* event) {
  update();
  TesselWnd::focusOutEvent(event);
}

// ---------------------------------------------------------------------------
// MonthView

MonthView::MonthView(QWidget* parent) : CalendarGridView(parent) { setObjectName(QStringLiteral("TMonthWndClass")); }

void MonthView::PrepareClass(WindowClass& windowClass) { windowClass.name = QStringLiteral("TMonthWndClass"); }

QRect MonthView::GridRect() const {
  const QRect usable = Usable();
  const int w = std::max(0, usable.width()) / kColumns * kColumns;
  const int h = std::max(0, usable.height() - kHeaderHeight) / kRows * kRows;
  return QRect(usable.left(), usable.top() + kHeaderHeight, w, h);
}

QRect MonthView::HeaderRect(int column) const {
  const QRect grid = GridRect();
  const int cellWidth = grid.width() / kColumns;
  return QRect(grid.left() + column * cellWidth, grid.top() - kHeaderHeight, cellWidth, kHeaderHeight);
}

std::vector<DayCell> MonthView::Cells() const {
  std::vector<DayCell> cells;
  const QRect grid = GridRect();
  const int cellWidth = grid.width() / kColumns;
  const int cellHeight = grid.height() / kRows;
  const DateValue d = date();
  const int days = MonthLength(d.year, d.month);
  const int first = Weekday(d.year, d.month, 1);
  if (days <= 0 || first < 0 || cellWidth <= 0 || cellHeight <= 0) return cells;
  cells.reserve(size_t(days));
  for (int day = 1; day <= days; ++day) {
    const int index = first + day - 1;
    const int row = index / kColumns;
    const int column = index % kColumns;
    cells.push_back({QRect(grid.left() + column * cellWidth, grid.top() + row * cellHeight, cellWidth, cellHeight),
                     DateValue{uint32_t(day), d.month, d.year}});
  }
  return cells;
}

std::string MonthView::CellLabel(const DateValue& date) const { return std::to_string(date.day); }

void MonthView::ShownRange(DateValue& first, DateValue& last) const {
  const DateValue d = date();
  first = DateValue{1, d.month, d.year};
  last = DateValue{uint32_t(std::max(1, MonthLength(d.year, d.month))), d.month, d.year};
}

bool MonthView::StepDate(DateValue& date, int direction) const {
  return direction > 0 ? NextMonth(date) : PreviousMonth(date);
}

std::string MonthView::HeaderText(int column) {
  if (column < 0 || column >= kColumns) return {};
  return LoadText(kFirstShortWeekdayName + column);
}

void MonthView::PaintHeader(QPainter& painter) {
  painter.setFont(SmallBoldFont());
  painter.setPen(kHeaderGrey);
  for (int column = 0; column < kColumns; ++column) {
    painter.drawText(HeaderRect(column), Qt::AlignCenter | Qt::TextSingleLine,
                     Q(HeaderText(column)));
  }
}

// ---------------------------------------------------------------------------
// WeekView

WeekView::WeekView(QWidget* parent) : CalendarGridView(parent) { setObjectName(QStringLiteral("TWeekWndClass")); }

void WeekView::PrepareClass(WindowClass& windowClass) { windowClass.name = QStringLiteral("TWeekWndClass"); }

QRect WeekView::GridRect() const {
  const QRect usable = Usable();
  const int w = std::max(0, usable.width()) / kColumns * kColumns;
  const int h = std::max(0, usable.height()) / kRows * kRows;
  return QRect(usable.left(), usable.top(), w, h);
}

namespace {
// Day number of the Monday on or before the date (the week's first day, which
// may lie before the calendar's first day).
int64_t MondayOf(const DateValue& date) {
  const int weekday = Weekday(date.year, date.month, date.day);  // 0 Sunday
  return int64_t(DayNumber(date)) - (weekday + 6) % 7;
}
}  // namespace

std::vector<DayCell> WeekView::Cells() const {
  std::vector<DayCell> cells;
  const QRect grid = GridRect();
  const int cellWidth = grid.width() / kColumns;
  const int cellHeight = grid.height() / kRows;
  if (cellWidth <= 0 || cellHeight <= 0 || DayNumber(date()) == kInvalidDayNumber) return cells;
  const int64_t monday = MondayOf(date());
  for (int i = 0; i < 7; ++i) {
    const int64_t day = monday + i;
    if (day < FirstDayNumber() || day > LastDayNumber()) continue;
    const int row = i / kColumns;
    const int column = i % kColumns;
    cells.push_back({QRect(grid.left() + column * cellWidth, grid.top() + row * cellHeight, cellWidth, cellHeight),
                     FromDay(int32_t(day))});
  }
  return cells;
}

std::string WeekView::CellLabel(const DateValue& date) const {
  return std::to_string(date.day) + " " + WeekdayName(Weekday(date.year, date.month, date.day));
}

void WeekView::ShownRange(DateValue& first, DateValue& last) const {
  const int64_t monday = MondayOf(date());
  first = FromDay(int32_t(std::max<int64_t>(monday, FirstDayNumber())));
  last = FromDay(int32_t(std::min<int64_t>(monday + 6, LastDayNumber())));
}

bool WeekView::StepDate(DateValue& date, int direction) const {
  // Seven single-day steps; near the calendar's ends the date stops at its
  // first or last day. No step at all fails.
  bool moved = false;
  for (int i = 0; i < 7; ++i) {
    if (!(direction > 0 ? NextDay(date) : PreviousDay(date))) break;
    moved = true;
  }
  return moved;
}

}  // namespace velmora
