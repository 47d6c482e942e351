#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>

#include "ToolkitTestSupport.h"
#include "toolkit/TFlyMenu.h"
#include "toolkit/TesselCalMonth.h"
#include "toolkit/TesseMiniCalendar.h"

namespace velmora {
namespace {

using testing::Recorder;
using testing::Seen;

constexpr int kCalendarId = 7;
const QColor kBackground(Qt::white);
const QColor kSelection(200, 220, 120);
const QColor kToday(0, 160, 0);

void Click(QWidget* widget, QPoint pos) {
  for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
  }
}

// Drag events straight to the widget: the application passes them on only
// while a real drag runs.
void Deliver(QWidget* widget, QEvent* event) { static_cast<QObject*>(widget)->event(event); }

DateValue Date(int day, int month, int year) { return DateValue{uint32_t(day), uint32_t(month), uint32_t(year)}; }

std::string Text(const DateValue& d) {
  return std::to_string(d.day) + "/" + std::to_string(d.month) + "/" + std::to_string(d.year);
}

Seen Changed(const DateValue& d) { return {MakeCommandId(kCalendarId, 0), DateParam(d)}; }

TEST(CalMonthLayoutTest, DayOneStandsInItsWeekdayColumnAndTheMonthTakesItsRows) {
  struct Case {
    int year, month;
    int firstColumn, rows, days;
  } cases[] = {
      {2015, 2, 0, 4, 28},  // 1 February 2015 is a Sunday
      {2015, 8, 6, 6, 31},  // 1 August 2015 is a Saturday, 31 days
      {2000, 2, 2, 5, 29},  // a Tuesday, leap year
      {1800, 1, 3, 5, 31},  // 1 January 1800 is a Wednesday
      {2199, 12, 0, 5, 31},
  };
  for (const Case& c : cases) {
    const CalMonthLayout layout = CalMonthLayout::For(QRect(0, 0, 140, 120), c.year, c.month);
    EXPECT_EQ(layout.firstColumn, c.firstColumn) << c.year << "-" << c.month;
    EXPECT_EQ(layout.RowsUsed(), c.rows) << c.year << "-" << c.month;
    EXPECT_EQ(layout.days, c.days) << c.year << "-" << c.month;
    int row = -1, column = -1;
    ASSERT_TRUE(layout.CellOf(1, row, column));
    EXPECT_EQ(row, 0);
    EXPECT_EQ(column, c.firstColumn);
    ASSERT_TRUE(layout.CellOf(c.days, row, column));
    EXPECT_EQ(row, c.rows - 1) << c.year << "-" << c.month;
    EXPECT_FALSE(layout.CellOf(c.days + 1, row, column));
    EXPECT_FALSE(layout.CellOf(0, row, column));
  }
}

TEST(CalMonthLayoutTest, TheClientIsNarrowedToSevenBySixCells) {
  struct Case {
    QRect client;
    QRect grid;
    int cellWidth, cellHeight;
  } cases[] = {
      {QRect(0, 0, 140, 120), QRect(0, 0, 140, 120), 20, 20},
      {QRect(0, 0, 146, 125), QRect(0, 0, 140, 120), 20, 20},
      {QRect(5, 9, 100, 50), QRect(5, 9, 98, 48), 14, 8},
      {QRect(0, 0, 6, 5), QRect(0, 0, 0, 0), 0, 0},
  };
  for (const Case& c : cases) {
    const CalMonthLayout layout = CalMonthLayout::For(c.client, 2015, 2);
    EXPECT_EQ(layout.grid, c.grid);
    EXPECT_EQ(layout.cellWidth, c.cellWidth);
    EXPECT_EQ(layout.cellHeight, c.cellHeight);
  }
}

TEST(CalMonthLayoutTest, HitTestingACellGivesItsDayAndNothingElseGivesOne) {
  for (auto [year, month] : {std::pair{2015, 2}, std::pair{2015, 8}, std::pair{2004, 2}}) {
    const CalMonthLayout layout = CalMonthLayout::For(QRect(3, 4, 143, 126), year, month);
    for (int day = 1; day <= layout.days; ++day) {
      const QRect cell = layout.CellRect(day);
      for (QPoint p : {cell.center(), cell.topLeft(), cell.bottomRight()}) {
        EXPECT_EQ(layout.DayAt(p), day) << year << "-" << month << " day " << day;
      }
    }
  }
  const CalMonthLayout august = CalMonthLayout::For(QRect(0, 0, 145, 125), 2015, 8);
  struct Miss {
    const char* what;
    QPoint point;
  } misses[] = {
      {"before day 1", QPoint(10, 10)},
      {"after the last day", QPoint(50, 110)},
      {"the narrowed-off strip", QPoint(142, 105)},
      {"outside", QPoint(-1, 50)},
  };
  for (const Miss& m : misses) EXPECT_EQ(august.DayAt(m.point), 0) << m.what;
}

TEST(CalMonthTest, SetDateLowersTheDayAndIgnoresDatesOutsideTheCalendar) {
  TesselCalMonth grid(100, kBackground, kSelection, kToday);
  ASSERT_TRUE(grid.SetDate(2010, 6, 15).ok());
  struct Case {
    int year, month, day;
    bool ok;
    DateValue shown;
  } cases[] = {
      {2001, 2, 31, true, Date(28, 2, 2001)},
      {2000, 2, 30, true, Date(29, 2, 2000)},
      {2004, 4, 31, true, Date(30, 4, 2004)},
      {2004, 4, 0, true, Date(1, 4, 2004)},
      {1799, 5, 1, false, Date(1, 4, 2004)},
      {2200, 1, 1, false, Date(1, 4, 2004)},
      {2010, 13, 1, false, Date(1, 4, 2004)},
      {2010, 0, 1, false, Date(1, 4, 2004)},
      {1800, 1, 1, true, Date(1, 1, 1800)},
      {2199, 12, 31, true, Date(31, 12, 2199)},
  };
  for (const Case& c : cases) {
    const Result r = grid.SetDate(c.year, c.month, c.day);
    EXPECT_EQ(r.ok(), c.ok) << c.year << "-" << c.month << "-" << c.day;
    if (!c.ok) {
      EXPECT_FALSE(r.what().empty());
    }
    EXPECT_EQ(Text(grid.date()), Text(c.shown)) << c.year << "-" << c.month << "-" << c.day;
  }
}

TEST(PickedDateParamTest, ADateTravelsAsOneNumberAndBack) {
  for (const DateValue& d : {Date(1, 1, 1800), Date(29, 2, 2000), Date(31, 12, 2199), DateValue{}}) {
    EXPECT_EQ(Text(DateFromParam(DateParam(d))), Text(d));
  }
  EXPECT_EQ(DateParam(Date(4, 7, 1975)), 19750704);
  EXPECT_TRUE(DateFromParam(-1).IsEmpty());
}

class MiniCalendarFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    parent.resize(300, 260);
    calendar = new TesseMiniCalendar(kCalendarId, kBackground, kSelection, kToday, &parent);
  }
  void Start(const DateValue& d) {
    ASSERT_TRUE(calendar->SetDate(d).ok());
    parent.Take();
  }
  int ChosenYear() const { return calendar->yearSelector()->entries()[size_t(calendar->yearSelector()->chosenIndex())].command; }
  int ChosenMonth() const {
    return calendar->monthSelector()->entries()[size_t(calendar->monthSelector()->chosenIndex())].command;
  }

  Recorder parent;
  TesseMiniCalendar* calendar = nullptr;
};

TEST_F(MiniCalendarFixture, ANarrowCalendarShowsTheMonthsFirstLettersInsteadOfDots) {
  Start(Date(11, 12, 2026));
  parent.show();  // a shown window is laid out on every resize
  const auto shownMonth = [this] {
    return calendar->monthSelector()->entries()[size_t(calendar->monthSelector()->chosenIndex())].text;
  };
  calendar->resize(calendar->sizeHint());
  EXPECT_EQ(shownMonth(), QStringLiteral("December"));
  calendar->resize(150, 160);
  EXPECT_EQ(shownMonth(), QStringLiteral("Dec"));
  EXPECT_EQ(ChosenMonth(), 11) << "the month shown stays chosen";
  EXPECT_EQ(calendar->monthSelector()->entries().size(), 12u);
  calendar->resize(calendar->sizeHint());
  EXPECT_EQ(shownMonth(), QStringLiteral("December"));
}

TEST_F(MiniCalendarFixture, CommandsStepTheDateWithinTheCalendarAndNotifyOnlyOnChange) {
  const DateValue today = Today();
  DateValue notToday = today;
  notToday.day = today.day == 1 ? 2 : 1;
  struct Case {
    const char* what;
    DateValue start;
    int command;
    DateValue shown;
    bool notifies;
  } cases[] = {
      {"29 February 2000, year 2001", Date(29, 2, 2000), 2001, Date(28, 2, 2001), true},
      {"year entry far back", Date(15, 6, 2000), 1800, Date(15, 6, 1800), true},
      {"month entry February from 31 January", Date(31, 1, 2001), 1, Date(28, 2, 2001), true},
      {"month entry December", Date(31, 1, 2001), 11, Date(31, 12, 2001), true},
      {"previous from 31 March 2004", Date(31, 3, 2004), TesseMiniCalendar::kPreviousId, Date(29, 2, 2004), true},
      {"previous across the year", Date(10, 1, 2005), TesseMiniCalendar::kPreviousId, Date(10, 12, 2004), true},
      {"next across the year", Date(31, 12, 2003), TesseMiniCalendar::kNextId, Date(31, 1, 2004), true},
      {"next on December 2199", Date(15, 12, 2199), TesseMiniCalendar::kNextId, Date(15, 12, 2199), false},
      {"previous on January 1800", Date(1, 1, 1800), TesseMiniCalendar::kPreviousId, Date(1, 1, 1800), false},
      {"today on today", today, TesseMiniCalendar::kTodayId, today, false},
      {"today from another day", notToday, TesseMiniCalendar::kTodayId, today, true},
      {"today from another year", Date(3, 3, 1900), TesseMiniCalendar::kTodayId, today, true},
  };
  for (const Case& c : cases) {
    Start(c.start);
    PostCommand(calendar, c.command);
    const std::vector<Seen> seen = parent.Take();
    EXPECT_EQ(Text(calendar->date()), Text(c.shown)) << c.what;
    EXPECT_EQ(ChosenYear(), int(c.shown.year)) << c.what;
    EXPECT_EQ(ChosenMonth(), int(c.shown.month) - 1) << c.what;
    if (c.notifies) {
      EXPECT_EQ(seen, std::vector<Seen>{Changed(c.shown)}) << c.what;
      EXPECT_EQ(Text(PickedDate()), Text(c.shown)) << c.what;
    } else {
      EXPECT_TRUE(seen.empty()) << c.what;
    }
  }
}

TEST_F(MiniCalendarFixture, ItsChildrenDriveIt) {
  Start(Date(10, 2, 2015));
  parent.show();
  // Clicking a day of the grid selects it and notifies through the calendar.
  TesselCalMonth* grid = calendar->grid();
  Click(grid, grid->layout().CellRect(21).center());
  EXPECT_EQ(parent.Take(), std::vector<Seen>{Changed(Date(21, 2, 2015))});
  EXPECT_EQ(Text(PickedDate()), Text(Date(21, 2, 2015)));
  Click(grid, QPoint(grid->width() - 1, grid->height() - 1));  // past the last day: nothing
  EXPECT_TRUE(parent.Take().empty());

  struct Case {
    const char* what;
    std::function<void()> act;
    DateValue shown;
  } cases[] = {
      {"previous button", [&] { Click(calendar->button(TesseMiniCalendar::kPreviousId), QPoint(5, 5)); },
       Date(21, 1, 2015)},
      {"next button", [&] { Click(calendar->button(TesseMiniCalendar::kNextId), QPoint(5, 5)); }, Date(21, 2, 2015)},
      {"month selector", [&] { calendar->monthSelector()->Choose(4); }, Date(21, 5, 2015)},
      {"year selector", [&] {
         const auto& years = calendar->yearSelector()->entries();
         for (size_t i = 0; i < years.size(); ++i) {
           if (years[i].command == 1999) calendar->yearSelector()->Choose(int(i));
         }
       },
       Date(21, 5, 1999)},
  };
  for (const Case& c : cases) {
    c.act();
    EXPECT_EQ(parent.Take(), std::vector<Seen>{Changed(c.shown)}) << c.what;
    EXPECT_EQ(Text(calendar->date()), Text(c.shown)) << c.what;
  }
  EXPECT_EQ(calendar->button(TesseMiniCalendar::kTodayId)->objectName(), QStringLiteral("103"));
}

TEST_F(MiniCalendarFixture, TheYearSelectorHoldsTheYearsAroundTheShownOneWithinTheCalendar) {
  struct Case {
    DateValue shown;
    int first, last;
  } cases[] = {
      {Date(1, 6, 2024), 1974, 2073},
      {Date(1, 1, 1800), 1800, 1899},
      {Date(1, 1, 1830), 1800, 1899},
      {Date(31, 12, 2199), 2100, 2199},
      {Date(31, 12, 2180), 2100, 2199},
  };
  for (const Case& c : cases) {
    Start(c.shown);
    const auto& years = calendar->yearSelector()->entries();
    ASSERT_LE(years.size(), size_t(TesseMiniCalendar::kYearEntries));
    ASSERT_FALSE(years.empty());
    EXPECT_EQ(years.front().command, c.first) << c.shown.year;
    EXPECT_EQ(years.back().command, c.last) << c.shown.year;
    for (size_t i = 0; i < years.size(); ++i) {
      EXPECT_EQ(years[i].command, c.first + int(i));
      EXPECT_EQ(years[i].text, QString::number(years[i].command));
    }
    EXPECT_EQ(ChosenYear(), int(c.shown.year));
  }
  // Every newly shown year gets the list around it.
  Start(Date(15, 12, 2073));
  PostCommand(calendar, TesseMiniCalendar::kNextId);
  parent.Take();
  EXPECT_EQ(ChosenYear(), 2074);
  EXPECT_EQ(calendar->yearSelector()->entries().front().command, 2024);
}

TEST_F(MiniCalendarFixture, TheMonthSelectorNamesTheMonths) {
  const auto& months = calendar->monthSelector()->entries();
  ASSERT_EQ(months.size(), 12u);
  EXPECT_EQ(months[0].text, QStringLiteral("January"));
  EXPECT_EQ(months[11].text, QStringLiteral("December"));
  for (size_t i = 0; i < months.size(); ++i) EXPECT_EQ(months[i].command, int(i));
}

TEST_F(MiniCalendarFixture, ADropOnAnotherDayNotifiesWithItsKindAndOnTheSelectedDayNothing) {
  Start(Date(10, 2, 2015));
  parent.show();
  parent.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&parent));
  TesselCalMonth* grid = calendar->grid();
  const auto at = [&](int day) { return grid->mapToGlobal(grid->layout().CellRect(day).center()); };
  EXPECT_EQ(SendCommand(grid, Command{kCmdDragOver, 0, {}, at(10)}), 1);  // hovering accepts

  struct Case {
    const char* what;
    int kind, day;
    std::vector<Seen> expected;
  } cases[] = {
      {"move onto the selected day", kCmdDropMove, 10, {}},
      {"copy onto the selected day", kCmdDropCopy, 10, {}},
      {"move onto another day", kCmdDropMove, 12, {{MakeCommandId(kCalendarId, kCmdDropMove), 20150212}}},
      {"copy onto another day", kCmdDropCopy, 28, {{MakeCommandId(kCalendarId, kCmdDropCopy), 20150228}}},
  };
  for (const Case& c : cases) {
    SendCommand(grid, Command{c.kind, 0, QStringLiteral("event"), at(c.day)});
    EXPECT_EQ(parent.Take(), c.expected) << c.what;
    if (!c.expected.empty()) {
      EXPECT_EQ(Text(PickedDate()), Text(Date(c.day, 2, 2015))) << c.what;
      EXPECT_EQ(parent.texts.back(), QStringLiteral("event")) << c.what;
    }
    EXPECT_EQ(Text(calendar->date()), Text(Date(10, 2, 2015))) << c.what;  // the shown date stays
  }

  // The same through Qt's drag and drop, the action deciding the kind.
  QMimeData data;
  data.setData(QString::fromLatin1(kCalendarDropMime), QByteArray("record 42"));
  struct QtCase {
    Qt::DropAction action;
    int day;
    bool accepted;
    std::vector<Seen> expected;
  } qtCases[] = {
      {Qt::MoveAction, 10, false, {}},
      {Qt::MoveAction, 3, true, {{MakeCommandId(kCalendarId, kCmdDropMove), 20150203}}},
      {Qt::CopyAction, 4, true, {{MakeCommandId(kCalendarId, kCmdDropCopy), 20150204}}},
  };
  for (const QtCase& c : qtCases) {
    const QPointF point(grid->layout().CellRect(c.day).center());
    QDragMoveEvent move(point.toPoint(), c.action, &data, Qt::LeftButton, Qt::NoModifier);
    Deliver(grid, &move);
    EXPECT_TRUE(move.isAccepted()) << c.day;
    QDropEvent drop(point, c.action, &data, Qt::LeftButton, Qt::NoModifier);
    Deliver(grid, &drop);
    EXPECT_EQ(drop.isAccepted(), c.accepted) << c.day;
    EXPECT_EQ(parent.Take(), c.expected) << c.day;
    if (c.accepted) {
      EXPECT_EQ(parent.texts.back(), QStringLiteral("record 42"));
    }
  }
  QMimeData other;
  other.setText(QStringLiteral("plain text"));
  QDropEvent foreign(QPointF(grid->layout().CellRect(5).center()), Qt::MoveAction, &other, Qt::LeftButton,
                     Qt::NoModifier);
  Deliver(grid, &foreign);
  EXPECT_FALSE(foreign.isAccepted());
  EXPECT_TRUE(parent.Take().empty());
}

TEST_F(MiniCalendarFixture, DropsAreIgnoredWhileNoWindowOfTheProgramIsActive) {
  Start(Date(10, 2, 2015));
  parent.hide();
  QApplication::processEvents();
  if (QApplication::activeWindow() != nullptr) GTEST_SKIP() << "the platform keeps a window active";
  TesselCalMonth* grid = calendar->grid();
  EXPECT_EQ(SendCommand(grid, Command{kCmdDragOver, 0, {}, grid->mapToGlobal(QPoint(5, 5))}), 0);
  EXPECT_FALSE(grid->DropAt(grid->layout().CellRect(12).center(), kCmdDropMove));
  EXPECT_TRUE(parent.Take().empty());
}

// Pixels of colour within a rectangle of image.
int CountPixels(const QImage& image, const QRect& area, const std::function<bool(QColor)>& test) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) count += test(image.pixelColor(x, y)) ? 1 : 0;
  }
  return count;
}

bool Reddish(QColor c) { return c.red() > 180 && c.green() < 90 && c.blue() < 90; }
bool Dark(QColor c) { return c.red() < 90 && c.green() < 90 && c.blue() < 90; }

TEST(CalMonthPaintTest, FillsTheSelectionAndColoursTodaysNumber) {
  const CalMonthLayout layout = CalMonthLayout::For(QRect(0, 0, 210, 120), 2015, 2);
  QImage image(210, 120, QImage::Format_ARGB32);
  image.fill(Qt::magenta);
  {
    QPainter painter(&image);
    PaintCalMonth(painter, layout, 2015, 2, 10, Date(14, 2, 2015), CalMonthColours{kBackground, kSelection, kToday});
  }
  const auto isToday = [](QColor c) { return c == kToday; };
  struct Case {
    const char* what;
    int day;
    QColor fill;
    bool todayNumber;
  } cases[] = {
      {"selected", 10, kSelection, false},
      {"today", 14, kBackground, true},
      {"plain", 20, kBackground, false},
  };
  for (const Case& c : cases) {
    const QRect cell = layout.CellRect(c.day);
    EXPECT_EQ(image.pixelColor(cell.topLeft() + QPoint(2, 2)), c.fill) << c.what;
    EXPECT_EQ(CountPixels(image, cell, isToday) > 0, c.todayNumber) << c.what;
    if (!c.todayNumber) {
      EXPECT_GT(CountPixels(image, cell, Dark), 0) << c.what;
    }
  }
  const QRect selected = layout.CellRect(10);
  EXPECT_NE(image.pixelColor(selected.topLeft()), kSelection);  // the frame
  EXPECT_EQ(image.pixelColor(QPoint(5, layout.grid.bottom() - 2)), kBackground);  // the unused last row
  EXPECT_EQ(CountPixels(image, layout.grid, [](QColor c) { return c == QColor(Qt::magenta); }), 0);
}

TEST_F(MiniCalendarFixture, PaintsTheSelectionTheHeaderAndToday) {
  const DateValue today = Today();
  Start(today);
  const int other = today.day == 1 ? 2 : 1;
  calendar->show();
  const QImage image = calendar->grab().toImage();
  TesselCalMonth* grid = calendar->grid();
  const QPoint offset = grid->pos();
  const QRect selected = grid->layout().CellRect(int(today.day)).translated(offset);
  const QRect plain = grid->layout().CellRect(other).translated(offset);

  // The selected cell: filled, framed, its number in today's colour.
  EXPECT_EQ(image.pixelColor(selected.topLeft() + QPoint(2, 2)), kSelection);
  EXPECT_NE(image.pixelColor(selected.topLeft()), kSelection);  // the frame
  EXPECT_GT(CountPixels(image, selected, [](QColor c) { return c == kToday; }), 0);
  // Another cell: background and a black number.
  EXPECT_EQ(image.pixelColor(plain.topLeft() + QPoint(2, 2)), kBackground);
  EXPECT_EQ(CountPixels(image, plain, [](QColor c) { return c == kToday; }), 0);
  EXPECT_GT(CountPixels(image, plain, Dark), 0);

  // The header: Sunday's letter red, Monday's black.
  EXPECT_GT(CountPixels(image, calendar->HeaderCell(0), Reddish), 0);
  EXPECT_EQ(CountPixels(image, calendar->HeaderCell(1), Reddish), 0);
  EXPECT_GT(CountPixels(image, calendar->HeaderCell(1), Dark), 0);
  // Header columns stand over the grid's columns.
  for (int weekday = 0; weekday < 7; ++weekday) {
    EXPECT_EQ(calendar->HeaderCell(weekday).left(), offset.x() + grid->layout().cellWidth * weekday);
  }
}

}  // namespace
}  // namespace velmora
