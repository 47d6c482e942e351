#include "toolkit/TesseMiniCalendar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "resources/Strings.h"
#include "toolkit/Bitmaps.h"
#include "toolkit/Fonts.h"
#include "toolkit/PaletteColours.h"
#include "toolkit/Skin.h"
#include "toolkit/TFlyMenu.h"
#include "toolkit/TesselCalMonth.h"

namespace velmora {

namespace {

constexpr int kMargin = 3;
constexpr int kRowHeight = 22;
constexpr int kHeaderHeight = 16;
constexpr int kButtonWidth = 20;
constexpr int kMinCellWidth = 28;
constexpr int kMinCellHeight = 18;
constexpr int kFirstWeekdayLetter = 2037;

DateValue& PickedRecord() {
  static DateValue picked;
  return picked;
}

// The width a chooser needs to show text whole: its left padding, the text,
// the arrow glyph and its padding (as PaintFlyMenu draws them).
int ChooserWidth(const QString& text) {
  const QImage& glyph = BitmapImage("flymenu_arrow.bmp");
  const int glyphWidth = glyph.isNull() ? 10 : glyph.width();
  return 7 + QFontMetrics(NormalFont()).horizontalAdvance(text) + glyphWidth + 12 + 2;
}

int MonthChooserWidth() {
  int widest = 0;
  for (int month = 1; month <= 12; ++month) {
    widest = std::max(widest, ChooserWidth(QString::fromStdString(MonthName(month))));
  }
  return widest;
}

int YearChooserWidth() { return ChooserWidth(QStringLiteral("8888")); }

// A skin colour, or the palette's when the skin lacks it.
QColor SkinOr(SkinColour which, std::uint32_t fallback) {
  const QColor colour = GetSkin().colour(which);
  return colour.isValid() && colour.rgba() != kAbsentSkinColour ? colour : look::Colour(fallback);
}

// The previous, next and today buttons: a small rounded box with an arrow
// or a dot. A click posts the button's id to the calendar.
class CalButton : public TesselWnd {
 public:
  CalButton(int id, QWidget* parent) : TesselWnd(parent) {
    SetControlId(id);
    setObjectName(QString::number(id));
  }

 protected:
  void PrepareClass(WindowClass& windowClass) override { windowClass.name = QStringLiteral("TesselCalButton"); }
  void EraseBackground(QPainter&) override {}
  void Paint(QPainter& painter) override {
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(1.5, 2.5, -1.5, -2.5);
    QPainterPath path;
    path.addRoundedRect(box, 3, 3);
    painter.fillPath(path, look::Colour(pressed_ ? look::kAccentPale : look::kWhite));
    painter.setPen(look::Colour(hover_ || pressed_ ? look::kAccent : look::kSteel));
    painter.drawPath(path);
    const QPointF c = box.center() + QPointF(pressed_ ? 1 : 0, pressed_ ? 1 : 0);
    const QColor ink = look::Colour(look::kInk);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    if (controlId() == TesseMiniCalendar::kTodayId) {
      painter.drawEllipse(c, 2.5, 2.5);
    } else {
      // Pointing left for the previous month, right for the next.
      const double d = controlId() == TesseMiniCalendar::kPreviousId ? -1 : 1;
      QPolygonF arrow;
      arrow << QPointF(c.x() - 2 * d, c.y() - 4) << QPointF(c.x() - 2 * d, c.y() + 4)
            << QPointF(c.x() + 2.5 * d, c.y());
      painter.drawPolygon(arrow);
    }
  }
  void enterEvent(QEnterEvent*) override {
    hover_ = true;
    update();
  }
  void leaveEvent(QEvent*) override {
    hover_ = false;
    update();
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) {
      event->ignore();
      return;
    }
    pressed_ = true;
    update();
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton || !pressed_) return;
    pressed_ = false;
    update();
    if (rect().contains(event->position().toPoint())) PostCommand(notifyTarget(), controlId());
  }

 private:
  bool hover_ = false;
  bool pressed_ = false;
};

}  // namespace

const DateValue& PickedDate() { return PickedRecord(); }

TesseMiniCalendar::TesseMiniCalendar(int controlId, QColor background, QColor selection, QColor today,
                                     QWidget* parent)
    : TesselWnd(parent), background_(background) {
  SetControlId(controlId);
  grid_ = new TesselCalMonth(kGridId, background, selection, today, this);
  grid_->setObjectName(QString::number(kGridId));
  months_ = new TFlyMenu(this);
  months_->setObjectName(QStringLiteral("months"));
  FillMonths(false);
  years_ = new TFlyMenu(this);
  years_->setObjectName(QStringLiteral("years"));
  const int ids[3] = {kPreviousId, kNextId, kTodayId};
  for (int i = 0; i < 3; ++i) buttons_[i] = new CalButton(ids[i], this);
  Show(grid_->date());
  resize(sizeHint());
  Arrange();
}

void TesseMiniCalendar::PrepareClass(WindowClass& windowClass) {
  windowClass.name = QStringLiteral("TesseMiniCalendar");
}

TesselWnd* TesseMiniCalendar::button(int id) const {
  for (TesselWnd* b : buttons_) {
    if (b->controlId() == id) return b;
  }
  return nullptr;
}

QSize TesseMiniCalendar::sizeHint() const {
  // Wide enough for whole month names and years, in whole grid columns.
  const int row = 3 * kButtonWidth + MonthChooserWidth() + YearChooserWidth();
  const int columns = std::max(7 * kMinCellWidth, (row + 6) / 7 * 7);
  return QSize(columns + 2 * kMargin, kRowHeight + 2 * kMargin + kHeaderHeight + 6 * kMinCellHeight + kMargin);
}

DateValue TesseMiniCalendar::date() const { return grid_->date(); }

Result TesseMiniCalendar::SetDate(int year, int month, int day) {
  if (Result r = grid_->SetDate(year, month, day); !r.ok()) return r;
  Show(grid_->date());
  return Result::Ok();
}

void TesseMiniCalendar::Show(const DateValue& date) {
  (void)grid_->SetDate(int(date.year), int(date.month), int(date.day));
  months_->SetChosen(int(date.month) - 1);
  // The year list is rebuilt around every newly shown year.
  const int chosen = years_->chosenIndex();
  if (chosen < 0 || years_->entries()[size_t(chosen)].command != int(date.year)) FillYears(int(date.year));
  update();
}

void TesseMiniCalendar::FillMonths(bool abbreviated) {
  const int chosen = months_->chosenIndex();
  const int shown = chosen >= 0 ? months_->entries()[size_t(chosen)].command : -1;
  months_->Clear();
  for (int month = 1; month <= 12; ++month) {
    const QString name = QString::fromStdString(MonthName(month));
    months_->AddEntry(abbreviated ? name.left(3) : name, month - 1);
  }
  if (shown >= 0) months_->SetChosen(shown);
  monthsAbbreviated_ = abbreviated;
}

void TesseMiniCalendar::FillYears(int shownYear) {
  years_->Clear();
  const int first = std::clamp(shownYear - kYearEntries / 2, kFirstYear, kLastYear - kYearEntries + 1);
  for (int year = first; year < first + kYearEntries && year <= kLastYear; ++year) {
    years_->AddEntry(QString::asprintf("%d", year), year);
  }
  years_->SetChosen(shownYear);
}

QRect TesseMiniCalendar::selectorRow() const {
  return QRect(kMargin, kMargin, width() - 2 * kMargin, kRowHeight);
}

QRect TesseMiniCalendar::headerRow() const {
  return QRect(kMargin, kMargin + kRowHeight + kMargin, width() - 2 * kMargin, kHeaderHeight);
}

QRect TesseMiniCalendar::HeaderCell(int weekday) const {
  const CalMonthLayout cells = grid_->layout();
  const QRect header = headerRow();
  return QRect(grid_->x() + cells.grid.left() + weekday * cells.cellWidth, header.top(), cells.cellWidth,
               header.height());
}

void TesseMiniCalendar::Arrange() {
  const QRect row = selectorRow();
  int x = row.left();
  buttons_[0]->setGeometry(x, row.top(), kButtonWidth, row.height());
  x += kButtonWidth;
  const int right = row.right() + 1 - 2 * kButtonWidth;
  const int monthWidth = std::max(40, right - x - YearChooserWidth());
  // A chooser too narrow for whole month names shows "Dec" rather than "…".
  const bool abbreviate = monthWidth < MonthChooserWidth();
  if (abbreviate != monthsAbbreviated_) FillMonths(abbreviate);
  months_->setGeometry(x, row.top(), monthWidth, row.height());
  years_->setGeometry(x + monthWidth, row.top(), right - x - monthWidth, row.height());
  buttons_[1]->setGeometry(right, row.top(), kButtonWidth, row.height());
  buttons_[2]->setGeometry(right + kButtonWidth, row.top(), kButtonWidth, row.height());
  const QRect header = headerRow();
  const int top = header.bottom() + 1;
  grid_->setGeometry(kMargin, top, width() - 2 * kMargin, std::max(0, height() - top - kMargin));
}

void TesseMiniCalendar::resizeEvent(QResizeEvent*) { Arrange(); }

void TesseMiniCalendar::EraseBackground(QPainter& painter) {
  painter.fillRect(rect(), background_);
  const QRect strip(0, 0, width(), selectorRow().bottom() + 1 + kMargin);
  painter.fillRect(strip, SkinOr(SkinColour::Back, look::kSilver));
  painter.setPen(SkinOr(SkinColour::PanelFrame, look::kSteel));
  painter.drawLine(strip.bottomLeft(), strip.bottomRight());
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TesseMiniCalendar::Paint(QPainter& painter) {
  QFont font = NormalFont();
  font.setWeight(QFont::Bold);
  painter.setFont(font);
  for (int weekday = 0; weekday < 7; ++weekday) {
    painter.setPen(weekday == 0 ? QColor::fromRgba(kSundayLetter) : QColor(Qt::black));
    painter.drawText(HeaderCell(weekday), Qt::AlignCenter | Qt::TextSingleLine,
                     QString::fromStdString(LoadText(kFirstWeekdayLetter + weekday)));
  }
  const QRect header = headerRow();
  painter.setPen(look::Colour(look::kSteelLight));
  painter.drawLine(header.left(), header.bottom(), header.right(), header.bottom());
}

void TesseMiniCalendar::NotifyPicked(const DateValue& picked, int high, const QString& text) {
  PickedRecord() = picked;
  PostCommand(notifyTarget(), Command{MakeCommandId(controlId(), high), DateParam(picked), text, {}});
}

qintptr TesseMiniCalendar::OnCommand(const Command& command) {
  const int high = CommandHigh(command.id);
  if (CommandLow(command.id) == kGridId && (high == kCmdDropMove || high == kCmdDropCopy)) {
    DateValue dropped = date();
    dropped.day = uint32_t(command.param);
    if (!IsValidDay(dropped.day, dropped.month, dropped.year)) return 0;
    NotifyPicked(dropped, high, command.text);
    return 1;
  }
  DateValue next = date();
  switch (command.id) {
    case kGridId:
      NotifyPicked(next, 0);
      return 1;
    case kPreviousId:
      if (!PreviousMonth(next)) return 0;  // nothing before January of the first year
      break;
    case kNextId:
      if (!NextMonth(next)) return 0;  // nothing after December of the last year
      break;
    case kTodayId:
      next = Today();
      if (next == date() || DayNumber(next) == kInvalidDayNumber) return 0;
      break;
    default:
      if (command.id >= 0 && command.id <= 11) {
        next.month = uint32_t(command.id + 1);
      } else if (command.id >= kFirstYear && command.id <= kLastYear) {
        next.year = uint32_t(command.id);
      } else {
        return TesselWnd::OnCommand(command);
      }
      next.day = std::min(next.day, uint32_t(MonthLength(next.year, next.month)));
      break;
  }
  Show(next);
  NotifyPicked(next, 0);
  return 1;
}

}  // namespace velmora
