// The month and week views of the calendar: the short time text, where the
// days of a month or a week stand, the lines a day cell draws, the category
// filter, the steps at the calendar's ends, the mouse and the keyboard, one
// reading of the file per set of days, and the skin's colours.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "calendar/gui/CalendarViews.h"
#include "calendar/model/EventRecord.h"
#include "calendar/model/Recurrence.h"
#include "resources/Palette.h"
#include "store/Dates.h"
#include "store/RecordStore.h"
#include "tests/support/GuiSandbox.h"
#include "tests/support/Sandbox.h"
#include "toolkit/Resources.h"
#include "toolkit/Skin.h"

namespace velmora {
namespace {

using testing::GuiSandbox;

constexpr DateValue D(uint32_t day, uint32_t month, uint32_t year) { return {day, month, year}; }

// A time of day on the 24-hour clock as a time value.
TimeValue At(int hour24, int minute) {
  return {uint32_t(hour24 % 12), uint32_t(minute), 0, uint32_t(hour24 < 12 ? kHalfAm : kHalfPm)};
}

std::string Text(const DateValue& d) { return IsoDate(d); }

// A calendar file in the sandbox with an Owner connection.
class Calendar {
 public:
  explicit Calendar(const std::string& path) {
    Result created = CreateRecordFile(path, format::FileKind::Calendar);
    EXPECT_TRUE(created.ok()) << created.Message();
    store_ = std::make_unique<RecordStore>(path, "");
    EXPECT_TRUE(store_->IsOpen());
  }
  RecordStore& store() { return *store_; }

  void Add(const DateValue& date, const std::string& subject, TimeValue start = At(9, 0), bool allDay = false,
           const std::string& category = {}, RepeatBlock repeat = {}) {
    EventRecord e = NewEventRecord(*store_);
    e.setEventDate(date);
    e.setStartTime(start);
    e.setEndTime(start);
    e.setAllDay(allDay);
    e.setSubject(subject);
    e.setCategory(category);
    e.setAlarmReferenceDate(date);
    e.setRepeat(repeat);
    Result added = store_->AddRecord(e.bytes());
    EXPECT_TRUE(added.ok()) << added.Message();
  }

 private:
  std::unique_ptr<RecordStore> store_;
};

// A view of a fixed size, shown on the offscreen platform.
template <typename View>
std::unique_ptr<View> MakeView(int width = 560, int height = 420) {
  auto view = std::make_unique<View>();
  view->resize(width, height);
  view->show();
  return view;
}

QImage Render(QWidget& view) {
  QImage image(view.size(), QImage::Format_ARGB32);
  image.fill(Qt::black);
  view.render(&image);
  return image;
}

// The dates of the cells, in cell order.
std::vector<std::string> CellDates(const CalendarGridView& view) {
  std::vector<std::string> out;
  for (const DayCell& cell : view.Cells()) out.push_back(Text(cell.date));
  return out;
}

void SendMouse(QWidget& view, QEvent::Type type, const QPoint& at, Qt::MouseButton button = Qt::NoButton) {
  QMouseEvent event(type, QPointF(at), view.mapToGlobal(QPointF(at)), button,
                    type == QEvent::MouseMove ? Qt::NoButton : Qt::MouseButtons(button), Qt::NoModifier);
  QApplication::sendEvent(&view, &event);
}

// ---------------------------------------------------------------------------
// Short time text

TEST(ShortTimeTextTest, TwelveHourClockPutsTheLetterRightAfterTheMinutes) {
  struct Case {
    TimeValue time;
    const char* text;
  };
  const Case cases[] = {
      {{0, 5, 0, kHalfAm}, "00:05a"},  {{9, 30, 0, kHalfAm}, "09:30a"}, {{0, 5, 0, kHalfPm}, "12:05p"},
      {{10, 45, 0, kHalfPm}, "10:45p"}, {{0, 0, 0, kHalfPm}, "12:00p"}, {{11, 55, 0, kHalfPm}, "11:55p"},
      {{1, 0, 0, kHalfPm}, "01:00p"},  {{10, 5, 0, kHalfAm}, "10:05a"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ShortTimeText(c.time, ClockStyle::TwelveHour), c.text) << c.text;
  }
}

TEST(ShortTimeTextTest, TwentyFourHourClockEqualsFormatTime) {
  GuiSandbox sandbox(GuiSandbox::Settings::Quiet);
  SetClockStyle(ClockStyle::TwentyFourHour);
  struct Case {
    TimeValue time;
    const char* text;
  };
  const Case cases[] = {
      {{9, 5, 0, kHalfAm}, "09:05"}, {{1, 30, 0, kHalfPm}, "13:30"}, {{0, 0, 0, kHalfAm}, "00:00"},
      {{0, 0, 0, kHalfPm}, "12:00"}, {{11, 55, 0, kHalfPm}, "23:55"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ShortTimeText(c.time, ClockStyle::TwentyFourHour), c.text);
    EXPECT_EQ(ShortTimeText(c.time), FormatTime(c.time)) << c.text;
    EXPECT_EQ(ShortTimeText(c.time), c.text);
  }
}

TEST(ShortTimeTextTest, FollowsTheClockStyleOfTheProcess) {
  GuiSandbox sandbox(GuiSandbox::Settings::Quiet);
  SetClockStyle(ClockStyle::TwelveHour);
  EXPECT_EQ(ShortTimeText(At(21, 5)), "09:05p");
  SetClockStyle(ClockStyle::TwentyFourHour);
  EXPECT_EQ(ShortTimeText(At(21, 5)), "21:05");
}

// ---------------------------------------------------------------------------
// Layout

TEST(MonthLayoutTest, GridIsCutToWholeCellsAndDaysStandUnderTheirWeekdays) {
  GuiSandbox sandbox(GuiSandbox::Settings::Quiet);
  struct Case {
    DateValue date;
    int firstColumn;  // 0 Sunday
    int days;
    int rows;
  };
  const Case cases[] = {
      {D(10, 5, 2004), 6, 31, 6},  // starts on a Saturday with 31 days: all six rows
      {D(1, 1, 2000), 6, 31, 6},
      {D(15, 2, 2004), 0, 29, 5},  // leap February from a Sunday
      {D(15, 2, 2015), 0, 28, 4},  // four full weeks
      {D(31, 12, 2199), 0, 31, 5},
      {D(1, 1, 1800), 3, 31, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Text(c.date));
    for (QSize size : {QSize(560, 420), QSize(503, 389), QSize(300, 200)}) {
      auto view = MakeView<MonthView>(size.width(), size.height());
      view->SetDate(c.date);
      const QRect grid = view->GridRect();
      EXPECT_EQ(grid.width() % 7, 0);
      EXPECT_EQ(grid.height() % 6, 0);
      EXPECT_GT(grid.width(), size.width() - 20);
      const int cellWidth = grid.width() / 7, cellHeight = grid.height() / 6;
      const std::vector<DayCell> cells = view->Cells();
      ASSERT_EQ(int(cells.size()), c.days);
      for (size_t i = 0; i < cells.size(); ++i) {
        const int index = c.firstColumn + int(i);
        EXPECT_EQ(cells[i].date, D(uint32_t(i + 1), c.date.month, c.date.year));
        EXPECT_EQ(cells[i].rect, QRect(grid.left() + index % 7 * cellWidth, grid.top() + index / 7 * cellHeight,
                                       cellWidth, cellHeight));
      }
      EXPECT_EQ((cells.back().rect.top() - grid.top()) / cellHeight + 1, c.rows);
      EXPECT_LE(cells.back().rect.bottom(), grid.bottom());
      EXPECT_EQ(view->HeaderRect(0).left(), grid.left());
      EXPECT_EQ(view->HeaderRect(6).right(), grid.right());
    }
  }
}

TEST(MonthLayoutTest, LeapFebruaryHasTwentyNineCellsAndNoFirstOfMarch) {
  GuiSandbox sandbox(GuiSandbox::Settings::Quiet);
  auto view = MakeView<MonthView>();
  view->SetDate(D(10, 2, 2004));
  const std::vector<std::string> dates = CellDates(*view);
  ASSERT_EQ(dates.size(), 29u);
  EXPECT_EQ(dates.back(), "2004-02-29");
  // Where 1 March would stand there is no day.
  const DayCell last = view->Cells().back();
  DateValue found;
  EXPECT_FALSE(view->DayAt(last.rect.center() + QPoint(last.rect.width(), 0), found));
  EXPECT_TRUE(view->DayAt(last.rect.center(), found));
  EXPECT_EQ(found, D(29, 2, 2004));
  DateValue first, end;
  view->ShownRange(first, end);
  EXPECT_EQ(first, D(1, 2, 2004));
  EXPECT_EQ(end, D(29, 2, 2004));
}

TEST(WeekLayoutTest, WeekRunsMondayToSundayInFourColumnsAndTwoRows) {
  GuiSandbox sandbox(GuiSandbox::Settings::Quiet);
  struct Case {
    DateValue date;
    std::vector<std::string> dates;
    int firstIndex;  // grid position of the first cell (0 Monday)
  };
  const Case cases[] = {
      {D(11, 1, 2004),
       {"2004-01-05", "2004-01-06", "2004-01-07", "2004-01-08", "2004-01-09", "2004-01-10", "2004-01-11"}, 0},
      {D(5, 1, 2004),
       {"2004-01-05", "2004-01-06", "2004-01-07", "2004-01-08", "2004-01-09", "2004-01-10", "2004-01-11"}, 0},
      {D(1, 3, 2004),
       {"2004-03-01", "2004-03-02", "2004-03-03", "2004-03-04", "2004-03-05", "2004-03-06", "2004-03-07"}, 0},
      // The calendar's first days: 1 January 1800 is a Wednesday.
      {D(3, 1, 1800), {"1800-01-01", "1800-01-02", "1800-01-03", "1800-01-04", "1800-01-05"}, 2},
      // Its last: 31 December 2199 is a Tuesday.
      {D(31, 12, 2199), {"2199-12-30", "2199-12-31"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Text(c.date));
    auto view = MakeView<WeekView>(563, 401);
    view->SetDate(c.date);
    EXPECT_EQ(CellDates(*view), c.dates);
    const QRect grid = view->GridRect();
    EXPECT_EQ(grid.width() % 4, 0);
    EXPECT_EQ(grid.height() % 2, 0);
    const int cellWidth = grid.width() / 4, cellHeight = grid.height() / 2;
    const std::vector<DayCell> cells = view->Cells();
    for (size_t i = 0; i < cells.size(); ++i) {
      const int index = c.firstIndex + int(i);
      EXPECT_EQ(cells[i].rect,
                QRect(grid.left() + index % 4 * cellWidth, grid.top() + index / 4 * cellHeight, cellWidth, cellHeight));
    }
    // The eighth cell stays empty.
    DateValue found;
    EXPECT_FALSE(view->DayAt(QPoint(grid.left() + 3 * cellWidth + cellWidth / 2, grid.top() + cellHeight * 3 / 2),
                             found));
  }
}

TEST(MonthLayoutTest, ColumnsCarryTheShortWeekdayNamesFromSunday) {
  std::vector<std::string> names;
  for (int column = -1; column <= 7; ++column) names.push_back(MonthView::HeaderText(column));
  EXPECT_EQ(names, (std::vector<std::string>{"", "Su", "Mo", "Tu", "We", "Th", "Fr", "Sa", ""}));
}

TEST(WeekLayoutTest, LabelsAreDayNumberAndWeekdayName) {
  GuiSandbox sandbox(GuiSandbox::Settings::Quiet);
  auto view = MakeView<WeekView>();
  view->SetDate(D(11, 1, 2004));
  std::vector<std::string> labels;
  for (const DayCell& cell : view->Cells()) labels.push_back(view->CellLabel(cell.date));
  EXPECT_EQ(labels, (std::vector<std::string>{"5 Monday", "6 Tuesday", "7 Wednesday", "8 Thursday", "9 Friday",
                                              "10 Saturday", "11 Sunday"}));
  MonthView month;
  EXPECT_EQ(month.CellLabel(D(9, 1, 2004)), "9");
}

TEST(TitleTest, MonthNameAndYearRightAlignedAboveTheButtons) {
  GuiSandbox sandbox(GuiSandbox::Settings::Quiet);
  auto month = MakeView<MonthView>(560, 420);
  month->SetDate(D(29, 2, 2004));
  EXPECT_EQ(month->TitleText(), QStringLiteral("February 2004"));
  EXPECT_EQ(month->TitleRect().right(), 560 - 5 - 1);
  EXPECT_EQ(month->TitleRect().bottom(), 420 - 15 - 1);
  EXPECT_EQ(month->ButtonRect(CalendarGridView::Button::Next), QRect(560 - 17, 420 - 16, 10, 10));
  EXPECT_EQ(month->ButtonRect(CalendarGridView::Button::Today), QRect(560 - 31, 420 - 16, 10, 10));
  EXPECT_EQ(month->ButtonRect(CalendarGridView::Button::Previous), QRect(560 - 45, 420 - 16, 10, 10));
  // The cells end above the title.
  EXPECT_LT(month->GridRect().bottom(), month->TitleRect().top());
  auto week = MakeView<WeekView>(560, 420);
  week->SetDate(D(11, 1, 2004));
  EXPECT_EQ(week->TitleText(), QStringLiteral("January 2004"));
  EXPECT_LT(week->GridRect().bottom(), week->TitleRect().top());
}

TEST(WindowClassTest, ViewsCarryTheirClassNames) {
  GuiSandbox sandbox(GuiSandbox::Settings::Quiet);
  MonthView month;
  WeekView week;
  EXPECT_EQ(month.windowClass().name, QStringLiteral("TMonthWndClass"));
  EXPECT_EQ(month.objectName(), QStringLiteral("TMonthWndClass"));
  EXPECT_EQ(week.windowClass().name, QStringLiteral("TWeekWndClass"));
  EXPECT_EQ(week.objectName(), QStringLiteral("TWeekWndClass"));
}

// ---------------------------------------------------------------------------
// Lines of a day cell

TEST(CellLinesTest, RoomLeavesTenPixelsAboveTheCellBottom) {
  struct Case {
    int height, top, lines;
  };
  const Case cases[] = {{54, 14, 3}, {53, 14, 2}, {34, 14, 1}, {33, 14, 0}, {10, 14, 0}, {0, 14, 0}, {124, 14, 10}};
  for (const Case& c : cases) EXPECT_EQ(EventLinesThatFit(c.height, c.top), c.lines) << c.height;
}

TEST(CellLinesTest, FullCellShowsTheFirstEventsAllDayFirstThenByStartTime) {
  GuiSandbox sandbox(GuiSandbox::Settings::Quiet);
  SetClockStyle(ClockStyle::TwentyFourHour);
  Calendar calendar(sandbox.File("full.cld"));
  const DateValue day = D(14, 1, 2004);
  calendar.Add(day, "Late call", At(17, 30));
  calendar.Add(day, "Breakfast", At(7, 15));
  calendar.Add(day, "Holiday", At(9, 0), true);
  calendar.Add(day, "Lunch", At(12, 0));
  calendar.Add(D(7, 1, 2004), "Weekly review", At(8, 0), false, {},
               RepeatBlock{event::kRepeatWeekly, kNoEndDate, 1, 1u << 3});  // Wednesdays
  calendar.Add(day, "Birthday", At(0, 0), true);
  calendar.Add(day, "Dinner", At(19, 0));
  calendar.Add(D(15, 1, 2004), "Next day", At(9, 0));
  const std::vector<std::string> all = {"Holiday",         "Birthday",      "07:15 Breakfast", "08:00 Weekly review",
                                        "12:00 Lunch",     "17:30 Late call", "19:00 Dinner"};

  auto month = MakeView<MonthView>(560, 420);
  month->SetRecordFile(&calendar.store());
  month->SetDate(day);
  const DayCell cell = [&] {
    for (const DayCell& c : month->Cells()) {
      if (c.date == day) return c;
    }
    return DayCell{};
  }();
  // Lines of 10 pixels below the label, each ending 10 pixels or more above
  // the cell's bottom.
  const int fit = (cell.rect.height() - CalendarGridView::kLinesTop - 10) / 10;
  EXPECT_EQ(EventLinesThatFit(cell.rect.height(), CalendarGridView::kLinesTop), fit);
  ASSERT_GT(fit, 0);
  ASSERT_LT(fit, int(all.size())) << "the cell must be too small for all events";
  EXPECT_EQ(month->LinesOf(day), std::vector<std::string>(all.begin(), all.begin() + fit));
  EXPECT_EQ(month->LinesOf(D(15, 1, 2004)), std::vector<std::string>{"09:00 Next day"});
  EXPECT_EQ(month->LinesOf(D(21, 1, 2004)), std::vector<std::string>{"08:00 Weekly review"});
  EXPECT_TRUE(month->LinesOf(D(16, 1, 2004)).empty());

  // The week view's cells are higher: all seven fit.
  auto week = MakeView<WeekView>(560, 420);
  week->SetRecordFile(&calendar.store());
  week->SetDate(day);
  EXPECT_EQ(week->LinesOf(day), all);

  // The paint draws exactly those lines: ink in each drawn line, none in the
  // place of the first line left out. (The 14th is not the selected day.)
  month->SetDate(D(1, 1, 2004));
  const QImage image = Render(*month);
  const QColor paper = QColor::fromRgba(look::kPaper);
  auto inkIn = [&](int line) {
    int count = 0;
    const int top = cell.rect.top() + CalendarGridView::kLinesTop + line * kEventLineHeight;
    for (int y = top; y < top + kEventLineHeight && y < cell.rect.bottom(); ++y) {
      for (int x = cell.rect.left() + 2; x < cell.rect.right() - 1; ++x) {
        if (QColor(image.pixel(x, y)) != paper) ++count;
      }
    }
    return count;
  };
  for (int line = 0; line < fit; ++line) EXPECT_GT(inkIn(line), 0) << "line " << line;
  EXPECT_EQ(inkIn(fit), 0);
}

TEST(CellLinesTest, SubjectControlCharactersShowAsBlanks) {
  EventRecord e;
  e.setSubject("Two\nlines\tand a tab");
  e.setAllDay(true);
  EXPECT_EQ(EventLineText(e), "Two lines and a tab");
  e.setAllDay(false);
  e.setStartTime(At(9, 5));
  EXPECT_EQ(EventLineText(e).substr(EventLineText(e).size() - 19), "Two lines and a tab");
  EXPECT_EQ(EventLineText(e), ShortTimeText(At(9, 5)) + " Two lines and a tab");
}

TEST(FilterTest, MeetingsFilterHidesARepeatingEventOfAnotherCategory) {
  GuiSandbox sandbox(GuiSandbox::Settings::Quiet);
  SetClockStyle(ClockStyle::TwentyFourHour);
  Calendar calendar(sandbox.File("filter.cld"));
  calendar.Add(D(5, 1, 2004), "Gym", At(18, 0), false, "Personal",
               RepeatBlock{event::kRepeatDaily, kNoEndDate, 1, 0});
  calendar.Add(D(8, 1, 2004), "Board", At(10, 0), false, "Meetings");
  calendar.Add(D(6, 1, 2004), "Standup", At(9, 0), false, "meetings",
               RepeatBlock{event::kRepeatWeekly, kNoEndDate, 1, 1u << 2 | 1u << 4});  // Tuesday, Thursday

  auto month = MakeView<MonthView>();
  auto week = MakeView<WeekView>();
  for (CalendarGridView* view : {static_cast<CalendarGridView*>(month.get()), static_cast<CalendarGridView*>(week.get())}) {
    view->SetRecordFile(&calendar.store());
    view->SetDate(D(11, 1, 2004));
    EXPECT_EQ(view->LinesOf(D(8, 1, 2004)), (std::vector<std::string>{"09:00 Standup", "10:00 Board", "18:00 Gym"}));
    EventFilter meetings;
    meetings.category = "Meetings";
    view->SetFilter(meetings);
    EXPECT_EQ(view->LinesOf(D(8, 1, 2004)), (std::vector<std::string>{"09:00 Standup", "10:00 Board"}));
    EXPECT_TRUE(view->LinesOf(D(7, 1, 2004)).empty());
    EXPECT_TRUE(view->LinesOf(D(10, 1, 2004)).empty());
    view->SetFilter(EventFilter{});
    EXPECT_EQ(view->LinesOf(D(10, 1, 2004)), std::vector<std::string>{"18:00 Gym"});
  }
}

// ---------------------------------------------------------------------------
// Steps, buttons, mouse and keys

TEST(StepTest, MonthAndWeekStepsKeepOrCutTheDayAndStopAtTheCalendarsEnds) {
  GuiSandbox sandbox(GuiSandbox::Settings::Quiet);
  struct Case {
    bool month;
    DateValue from;
    int direction;
    DateValue to;
    bool beeps;
  };
  const Case cases[] = {
      {true, D(31, 1, 2004), +1, D(29, 2, 2004), false},
      {true, D(31, 3, 2004), -1, D(29, 2, 2004), false},
      {true, D(15, 12, 2003), +1, D(15, 1, 2004), false},
      {true, D(15, 1, 2004), -1, D(15, 12, 2003), false},
      {true, D(1, 12, 2199), +1, D(1, 12, 2199), true},
      {true, D(31, 12, 2199), +1, D(31, 12, 2199), true},
      {true, D(31, 1, 1800), -1, D(31, 1, 1800), true},
      {false, D(11, 1, 2004), +1, D(18, 1, 2004), false},
      {false, D(11, 1, 2004), -1, D(4, 1, 2004), false},
      {false, D(28, 12, 2199), +1, D(31, 12, 2199), false},
      {false, D(31, 12, 2199), +1, D(31, 12, 2199), true},
      {false, D(4, 1, 1800), -1, D(1, 1, 1800), false},
      {false, D(1, 1, 1800), -1, D(1, 1, 1800), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Text(c.from) + (c.month ? " month " : " week ") + std::to_string(c.direction));
    std::unique_ptr<CalendarGridView> view;
    if (c.month) {
      view = MakeView<MonthView>();
    } else {
      view = MakeView<WeekView>();
    }
    view->SetDate(c.from);
    QSignalSpy changed(view.get(), &CalendarGridView::dateChanged);
    const int beepsBefore = sandbox.beeps;
    const bool moved = c.direction > 0 ? view->StepForward() : view->StepBack();
    EXPECT_EQ(moved, !c.beeps);
    EXPECT_EQ(view->date(), c.to);
    EXPECT_EQ(sandbox.beeps - beepsBefore, c.beeps ? 1 : 0);
    EXPECT_EQ(changed.count(), c.beeps ? 0 : 1);
  }
}

TEST(StepTest, NextMonthOnDecember2199LeavesTheViewUnchanged) {
  GuiSandbox sandbox(GuiSandbox::Settings::Quiet);
  Calendar calendar(sandbox.File("end.cld"));
  calendar.Add(D(24, 12, 2199), "Last Christmas");
  auto view = MakeView<MonthView>();
  view->SetRecordFile(&calendar.store());
  view->SetDate(D(24, 12, 2199));
  const QImage before = Render(*view);
  const int loads = view->agendaLoads();
  SendMouse(*view, QEvent::MouseButtonPress, view->ButtonRect(CalendarGridView::Button::Next).center(),
            Qt::LeftButton);
  EXPECT_EQ(sandbox.beeps, 1);
  EXPECT_EQ(view->date(), D(24, 12, 2199));
  EXPECT_EQ(Render(*view), before);
  EXPECT_EQ(view->agendaLoads(), loads);
}

TEST(ButtonTest, ButtonsMoveTheMonthOrWeekAndTodayReturns) {
  GuiSandbox sandbox(GuiSandbox::Settings::Quiet);
  auto month = MakeView<MonthView>();
  month->SetDate(D(31, 1, 2004));
  QTest::mouseClick(month.get(), Qt::LeftButton, {}, month->ButtonRect(CalendarGridView::Button::Next).center());
  EXPECT_EQ(month->date(), D(29, 2, 2004));
  QTest::mouseClick(month.get(), Qt::LeftButton, {}, month->ButtonRect(CalendarGridView::Button::Previous).center());
  EXPECT_EQ(month->date(), D(29, 1, 2004));
  QTest::mouseClick(month.get(), Qt::LeftButton, {}, month->ButtonRect(CalendarGridView::Button::Today).center());
  EXPECT_EQ(month->date(), Today());

  auto week = MakeView<WeekView>();
  week->SetDate(D(11, 1, 2004));
  QTest::mouseClick(week.get(), Qt::LeftButton, {}, week->ButtonRect(CalendarGridView::Button::Next).center());
  EXPECT_EQ(week->date(), D(18, 1, 2004));
  QTest::mouseClick(week.get(), Qt::LeftButton, {}, week->ButtonRect(CalendarGridView::Button::Previous).center());
  QTest::mouseClick(week.get(), Qt::LeftButton, {}, week->ButtonRect(CalendarGridView::Button::Previous).center());
  EXPECT_EQ(week->date(), D(4, 1, 2004));
  QTest::mouseClick(week.get(), Qt::LeftButton, {}, week->ButtonRect(CalendarGridView::Button::Today).center());
  EXPECT_EQ(week->date(), Today());
  EXPECT_EQ(sandbox.beeps, 0);
}

TEST(ClickTest, ClickOnADayCellSelectsItAndEmitsItsDayNumber) {
  GuiSandbox sandbox(GuiSandbox::Settings::Quiet);
  auto month = MakeView<MonthView>();
  month->SetDate(D(10, 2, 2004));
  QSignalSpy clicked(month.get(), &CalendarGridView::dateClicked);
  for (const DayCell& cell : month->Cells()) {
    if (cell.date.day != 23) continue;
    QTest::mouseClick(month.get(), Qt::LeftButton, {}, cell.rect.topLeft() + QPoint(2, 2));
  }
  ASSERT_EQ(clicked.count(), 1);
  EXPECT_EQ(clicked.at(0).at(0).toInt(), DayNumber(2004, 2, 23));
  EXPECT_EQ(month->date(), D(23, 2, 2004));
  // Outside the cells (the weekday names, the title, where 1 March would be)
  // nothing is clicked.
  QTest::mouseClick(month.get(), Qt::LeftButton, {}, month->HeaderRect(3).center());
  QTest::mouseClick(month.get(), Qt::LeftButton, {}, month->TitleRect().center());
  const QRect last = month->Cells().back().rect;
  QTest::mouseClick(month.get(), Qt::LeftButton, {}, last.center() + QPoint(last.width(), 0));
  EXPECT_EQ(clicked.count(), 1);
  EXPECT_EQ(month->date(), D(23, 2, 2004));

  auto week = MakeView<WeekView>();
  week->SetDate(D(11, 1, 2004));
  QSignalSpy weekClicked(week.get(), &CalendarGridView::dateClicked);
  const std::vector<DayCell> cells = week->Cells();
  QTest::mouseClick(week.get(), Qt::LeftButton, {}, cells[4].rect.center());
  ASSERT_EQ(weekClicked.count(), 1);
  EXPECT_EQ(weekClicked.at(0).at(0).toInt(), DayNumber(2004, 1, 9));
  EXPECT_EQ(week->date(), D(9, 1, 2004));
}

TEST(CursorTest, HandOverDayCellsArrowElsewhere) {
  GuiSandbox sandbox(GuiSandbox::Settings::Quiet);
  auto month = MakeView<MonthView>();
  month->SetDate(D(10, 2, 2004));
  const QRect last = month->Cells().back().rect;
  struct Case {
    QPoint at;
    Qt::CursorShape shape;
  };
  const Case cases[] = {
      {month->Cells().front().rect.center(), Qt::PointingHandCursor},
      {month->HeaderRect(2).center(), Qt::ArrowCursor},
      {last.center(), Qt::PointingHandCursor},
      {last.center() + QPoint(last.width(), 0), Qt::ArrowCursor},
      {month->TitleRect().center(), Qt::ArrowCursor},
      {month->ButtonRect(CalendarGridView::Button::Today).center(), Qt::ArrowCursor},
  };
  for (const Case& c : cases) {
    SendMouse(*month, QEvent::MouseMove, c.at);
    EXPECT_EQ(month->cursor().shape(), c.shape) << c.at.x() << "," << c.at.y();
  }
}

TEST(KeyboardTest, KeysMoveTheDateAndEnterChoosesIt) {
  GuiSandbox sandbox(GuiSandbox::Settings::Quiet);
  struct Case {
    bool month;
    DateValue from;
    std::vector<Qt::Key> keys;
    DateValue to;
  };
  const Case cases[] = {
      {true, D(31, 1, 2004), {Qt::Key_Right}, D(1, 2, 2004)},
      {true, D(1, 2, 2004), {Qt::Key_Left}, D(31, 1, 2004)},
      {true, D(10, 2, 2004), {Qt::Key_Down, Qt::Key_Down}, D(24, 2, 2004)},
      {true, D(10, 2, 2004), {Qt::Key_Up}, D(3, 2, 2004)},
      {true, D(31, 1, 2004), {Qt::Key_PageDown}, D(29, 2, 2004)},
      {true, D(29, 2, 2004), {Qt::Key_PageUp, Qt::Key_PageUp}, D(29, 12, 2003)},
      {true, D(31, 12, 2199), {Qt::Key_Right}, D(31, 12, 2199)},
      {true, D(1, 1, 1800), {Qt::Key_Up}, D(1, 1, 1800)},
      {false, D(11, 1, 2004), {Qt::Key_PageDown}, D(18, 1, 2004)},
      {false, D(11, 1, 2004), {Qt::Key_PageUp}, D(4, 1, 2004)},
      {false, D(11, 1, 2004), {Qt::Key_Right}, D(12, 1, 2004)},
      {false, D(11, 1, 2004), {Qt::Key_Down}, D(18, 1, 2004)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Text(c.from) + (c.month ? " month" : " week"));
    std::unique_ptr<CalendarGridView> view;
    if (c.month) {
      view = MakeView<MonthView>();
    } else {
      view = MakeView<WeekView>();
    }
    view->SetDate(c.from);
    for (Qt::Key key : c.keys) QTest::keyClick(view.get(), key);
    EXPECT_EQ(view->date(), c.to);
  }

  auto view = MakeView<MonthView>();
  view->SetDate(D(10, 2, 2004));
  QTest::keyClick(view.get(), Qt::Key_Home);
  EXPECT_EQ(view->date(), Today());
  view->SetDate(D(10, 2, 2004));
  QSignalSpy clicked(view.get(), &CalendarGridView::dateClicked);
  QTest::keyClick(view.get(), Qt::Key_Right);
  EXPECT_EQ(clicked.count(), 0);
  QTest::keyClick(view.get(), Qt::Key_Return);
  QTest::keyClick(view.get(), Qt::Key_Enter);
  ASSERT_EQ(clicked.count(), 2);
  EXPECT_EQ(clicked.at(0).at(0).toInt(), DayNumber(2004, 2, 11));
  EXPECT_EQ(clicked.at(1).at(0).toInt(), DayNumber(2004, 2, 11));
  EXPECT_EQ(view->focusPolicy(), Qt::StrongFocus);
}

// ---------------------------------------------------------------------------
// Reading the file

TEST(AgendaTest, OneReadingOfTheFilePerSetOfDaysShown) {
  GuiSandbox sandbox(GuiSandbox::Settings::Quiet);
  Calendar calendar(sandbox.File("loads.cld"));
  for (uint32_t day = 1; day <= 28; ++day) calendar.Add(D(day, 2, 2004), "Day " + std::to_string(day));
  auto view = MakeView<MonthView>();
  view->SetRecordFile(&calendar.store());
  view->SetDate(D(10, 2, 2004));
  EXPECT_EQ(view->agendaLoads(), 0);
  Render(*view);
  EXPECT_EQ(view->agendaLoads(), 1);  // one reading for all 29 cells
  Render(*view);
  EXPECT_EQ(view->LinesOf(D(3, 2, 2004)), std::vector<std::string>{ShortTimeText(At(9, 0)) + " Day 3"});
  EXPECT_EQ(view->agendaLoads(), 1);
  // Moving within the month keeps the agenda; into another month reads again.
  QTest::keyClick(view.get(), Qt::Key_Right);
  Render(*view);
  EXPECT_EQ(view->agendaLoads(), 1);
  QTest::keyClick(view.get(), Qt::Key_PageDown);
  Render(*view);
  EXPECT_EQ(view->agendaLoads(), 2);
  // Each setter and Reload read again, and a change of records shows.
  view->SetDate(D(10, 2, 2004));
  Render(*view);
  EXPECT_EQ(view->agendaLoads(), 3);
  calendar.Add(D(3, 2, 2004), "Added", At(8, 0));
  EXPECT_EQ(view->LinesOf(D(3, 2, 2004)).size(), 1u);  // still the agenda read before
  view->Reload();
  Render(*view);
  EXPECT_EQ(view->agendaLoads(), 4);
  EXPECT_EQ(view->LinesOf(D(3, 2, 2004)),
            (std::vector<std::string>{ShortTimeText(At(8, 0)) + " Added", ShortTimeText(At(9, 0)) + " Day 3"}));
  view->SetFilter(EventFilter{});
  Render(*view);
  EXPECT_EQ(view->agendaLoads(), 5);
  view->SetRecordFile(nullptr);
  Render(*view);
  EXPECT_EQ(view->agendaLoads(), 5);
  EXPECT_TRUE(view->LinesOf(D(3, 2, 2004)).empty());
  EXPECT_TRUE(view->loadResult().ok());
}

TEST(AgendaTest, AFileThatCannotBeReadIsToldInTheView) {
  GuiSandbox sandbox(GuiSandbox::Settings::Quiet);
  RecordStore missing(sandbox.File("gone.cld"), "");
  ASSERT_FALSE(missing.IsOpen());
  auto view = MakeView<MonthView>();
  view->SetDate(D(10, 2, 2004));
  // Reddish pixels in the strip under the cells, left of the title.
  auto redInStrip = [&](const QImage& image) {
    int n = 0;
    for (int y = view->GridRect().bottom() + 3; y < image.height(); ++y) {
      for (int x = 0; x < view->TitleRect().left() - 2; ++x) {
        const QColor c(image.pixel(x, y));
        n += c.red() > 180 && c.green() < 120 && c.blue() < 120;
      }
    }
    return n;
  };
  EXPECT_EQ(redInStrip(Render(*view)), 0);
  view->SetRecordFile(&missing);
  const QImage image = Render(*view);
  EXPECT_FALSE(view->loadResult().ok());
  EXPECT_NE(view->loadResult().Message().find("gone.cld"), std::string::npos) << view->loadResult().Message();
  EXPECT_GT(redInStrip(image), 0);
  EXPECT_TRUE(view->LinesOf(D(3, 2, 2004)).empty());
  // The cells are still there to move around in.
  EXPECT_EQ(view->Cells().size(), 29u);
}

// ---------------------------------------------------------------------------
// Skins

class SkinnedViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetResourceFoldersForTesting({dir.path()});
    QDir().mkpath(QString::fromStdString(dir.path() + "/Styles"));
    std::ofstream(dir.path() + "/Styles/1_Metallic.ini")
        << "[Preference]\nname=Test\ncolorBack=10,200,30\ncolorPanelFrame=200,10,90\n";
    std::ofstream(dir.path() + "/Styles/2_Other.ini")
        << "[Preference]\nname=Other\ncolorBack=120,60,240\ncolorPanelFrame=0,0,0\n";
    ReloadSkin();
  }
  void TearDown() override {
    SetResourceFoldersForTesting({});
    ReloadSkin();
  }
  GuiSandbox sandbox{GuiSandbox::Settings::Quiet};
  velmora::testing::TempDir dir;
};

TEST_F(SkinnedViewTest, BackgroundAndCellLinesFollowTheSkin) {
  for (bool month : {true, false}) {
    SCOPED_TRACE(month ? "month" : "week");
    std::unique_ptr<CalendarGridView> view;
    if (month) {
      view = MakeView<MonthView>();
    } else {
      view = MakeView<WeekView>();
    }
    view->SetDate(D(10, 2, 2004));
    const QRect cell = view->Cells().front().rect;
    const QPoint border(cell.left() + cell.width() / 2, cell.top());

    sandbox.SetSuite("CurrSkin", "1_Metallic.ini");
    ReloadSkin();
    QImage image = Render(*view);
    EXPECT_EQ(QColor(image.pixel(1, 1)), QColor(10, 200, 30));
    EXPECT_EQ(QColor(image.pixel(border)), QColor(200, 10, 90));

    sandbox.SetSuite("CurrSkin", "2_Other.ini");
    ReloadSkin();
    image = Render(*view);
    EXPECT_EQ(QColor(image.pixel(1, 1)), QColor(120, 60, 240));
    EXPECT_EQ(QColor(image.pixel(border)), QColor(0, 0, 0));
  }
}

TEST_F(SkinnedViewTest, TodayIsRedAndOtherDaysBlue) {
  auto view = MakeView<MonthView>();
  const DateValue today = Today();
  view->SetDate(today);
  // Leave today unselected, so that both cells have the same background.
  DateValue other = today;
  if (!NextDay(other) || other.month != today.month) {
    other = today;
    ASSERT_TRUE(PreviousDay(other));
  }
  view->SetDate(other);
  ASSERT_EQ(view->date().month, today.month);
  const QImage image = Render(*view);
  // Pixels of the label area whose colour leans clearly to red or to blue
  // (the text is smoothed at its edges).
  enum Hue { kReddish, kBluish };
  auto countOf = [&](const DateValue& day, Hue hue) {
    int n = 0;
    for (const DayCell& cell : view->Cells()) {
      if (!(cell.date == day)) continue;
      for (int y = cell.rect.top() + 1; y < cell.rect.top() + CalendarGridView::kLinesTop; ++y) {
        for (int x = cell.rect.left() + 1; x < cell.rect.right(); ++x) {
          const QColor c(image.pixel(x, y));
          if (hue == kReddish) n += c.red() > 180 && c.green() < 120 && c.blue() < 120;
          if (hue == kBluish) n += c.blue() > 180 && c.red() < 120 && c.green() < 120;
        }
      }
    }
    return n;
  };
  DateValue third = today;  // a day that is neither today nor selected
  third.day = today.day > 2 ? 1 : 5;
  EXPECT_GT(countOf(today, kReddish), 0);
  EXPECT_EQ(countOf(today, kBluish), 0);
  EXPECT_GT(countOf(third, kBluish), 0);
  EXPECT_EQ(countOf(third, kReddish), 0);
}

}  // namespace
}  // namespace velmora
