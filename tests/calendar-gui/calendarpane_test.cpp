// The calendar pane: its layout, the tabs, the category filter, the day
// list's rows and their drawing, the date across openings, the mini
// calendar and the views choosing the date, and other users' changes.
#include <QImage>
#include <QPainter>
#include <QTest>

#include "AlmanorTestSupport.h"
#include "calendar/gui/CalendarViews.h"
#include "calendar/gui/EventHolders.h"
#include "calendar/gui/EventRowDelegate.h"
#include "store/Categories.h"
#include "store/Settings.h"
#include "toolkit/Bitmaps.h"
#include "toolkit/Fonts.h"
#include "toolkit/PaletteColours.h"
#include "toolkit/TFlyMenu.h"
#include "toolkit/TTabsWnd.h"
#include "toolkit/TesseMiniCalendar.h"
#include "toolkit/TesselWndList.h"
#include "toolkit/TesselClassWndBin.h"

namespace velmora {
namespace {

using testing::AddEvent;
using testing::AlmanorTest;
using testing::DaySubjects;
using testing::MakeEvent;
using testing::Settle;
using testing::WaitUntil;

TEST(CalendarPaneLayout, PlacesEachPartForThePaneSize) {
  const CalendarPaneLayout l = CalendarPaneLayout::For(QSize(400, 300));
  EXPECT_EQ(l.categories, QRect(0, 0, 400, 26));
  EXPECT_EQ(l.dayList, QRect(6, 35, 280, 240));
  EXPECT_EQ(l.miniCalendar, QRect(290, 35, 108, 130));
  EXPECT_EQ(l.bin, QRect(297, 208, 100, 72));
  EXPECT_EQ(l.tabs, QRect(10, 280, 380, 20));
  EXPECT_EQ(l.views, QRect(10, 10, 380, 266));
  for (const QRect& part : {l.categories, l.dayList, l.miniCalendar, l.bin, l.tabs, l.views}) {
    EXPECT_TRUE(QRect(0, 0, 400, 300).contains(part)) << "every part inside the pane";
  }
}

TEST(CalendarPaneLayout, AMiniCalendarThatNeedsMoreRoomTakesItFromTheDayList) {
  const CalendarPaneLayout l = CalendarPaneLayout::For(QSize(600, 300), QSize(200, 150));
  EXPECT_EQ(l.miniCalendar, QRect(398, 35, 200, 150));
  EXPECT_EQ(l.dayList, QRect(6, 35, 388, 240));
  EXPECT_LT(l.dayList.right(), l.miniCalendar.left());
  // A narrow pane gives it at most half its width.
  const CalendarPaneLayout narrow = CalendarPaneLayout::For(QSize(360, 300), QSize(200, 150));
  EXPECT_EQ(narrow.miniCalendar, QRect(178, 35, 180, 150));
  EXPECT_EQ(narrow.dayList, QRect(6, 35, 168, 240));
  EXPECT_EQ(narrow.bin, QRect(257, 208, 100, 72)) << "the bin stays in its corner";
  const CalendarPaneLayout small = CalendarPaneLayout::For(QSize(400, 300), QSize(90, 100));
  EXPECT_EQ(small.miniCalendar, QRect(290, 35, 108, 130)) << "never smaller than 108 by 130";
}

TEST_F(AlmanorTest, ThePartsSitWhereTheLayoutPutsThem) {
  ASSERT_TRUE(Start());
  const CalendarPaneLayout l = CalendarPaneLayout::For(pane()->size(), pane()->miniCalendar()->sizeHint());
  // At the default window size the mini calendar is wider than 108 pixels
  // and shows the month's name, and the day list keeps room beside it.
  EXPECT_GT(pane()->miniCalendar()->width(), 108);
  const TFlyMenu* months = pane()->miniCalendar()->monthSelector();
  const QString month = months->entries()[size_t(months->chosenIndex())].text;
  // The chooser's padding, text and arrow, as it paints them.
  const int arrow = BitmapImage("flymenu_arrow.bmp").isNull() ? 10 : BitmapImage("flymenu_arrow.bmp").width();
  EXPECT_GE(months->width(), 7 + QFontMetrics(NormalFont()).horizontalAdvance(month) + arrow + 14)
      << month.toStdString();
  EXPECT_GE(pane()->dayList()->width() + 24, pane()->miniCalendar()->width());
  EXPECT_EQ(pane()->categoryChooser()->geometry(), l.categories);
  EXPECT_EQ(pane()->dayList()->geometry(), l.dayList);
  EXPECT_EQ(pane()->miniCalendar()->geometry(), l.miniCalendar);
  EXPECT_EQ(pane()->recycleBin()->geometry(), l.bin);
  EXPECT_EQ(pane()->tabBar()->geometry(), l.tabs);
  EXPECT_EQ(pane()->monthView()->geometry(), l.views);
  EXPECT_EQ(pane()->weekView()->geometry(), l.views);
}

// --- Tabs -----------------------------------------------------------------------

struct TabCase {
  int tab;
  bool day, week, month;
};

class TabTest : public AlmanorTest, public ::testing::WithParamInterface<TabCase> {};

TEST_P(TabTest, ShowsTheTabsPartsAndHidesTheOthers) {
  const TabCase& c = GetParam();
  ASSERT_TRUE(Start());
  const DateValue day{11, 1, 2004};
  pane()->SelectDate(day);
  pane()->SetCategoryFilter("Calls");
  // The tab bar's own click: the tab's number.
  SendCommand(pane(), CalendarPane::kTabsId, c.tab + 1);
  EXPECT_EQ(pane()->currentTab(), c.tab);
  EXPECT_EQ(pane()->tabBar()->selected(), c.tab + 1);
  EXPECT_EQ(pane()->dayList()->isVisible(), c.day);
  EXPECT_EQ(pane()->miniCalendar()->isVisible(), c.day);
  EXPECT_EQ(pane()->recycleBin()->isVisible(), c.day);
  EXPECT_EQ(pane()->categoryChooser()->isVisible(), c.day);
  EXPECT_TRUE(pane()->tabBar()->isVisible());
  EXPECT_EQ(pane()->weekView()->isVisible(), c.week);
  EXPECT_EQ(pane()->monthView()->isVisible(), c.month);
  // The view shown has the pane's date.
  if (c.week) {
    EXPECT_EQ(pane()->weekView()->date(), day);
  }
  if (c.month) {
    EXPECT_EQ(pane()->monthView()->date(), day);
  }
}

INSTANTIATE_TEST_SUITE_P(Tabs, TabTest,
                         ::testing::Values(TabCase{CalendarPane::kDayTab, true, false, false},
                                           TabCase{CalendarPane::kWeekTab, false, true, false},
                                           TabCase{CalendarPane::kMonthTab, false, false, true}));

TEST_F(AlmanorTest, AViewsClickedDaySelectsThatDate) {
  ASSERT_TRUE(Start());
  const DateValue day{29, 2, 2004};
  AddEvent(store(), MakeEvent(store(), day, "Leap day"));
  pane()->SwitchTab(CalendarPane::kMonthTab);
  emit pane()->monthView()->dateClicked(DayNumber(day));
  EXPECT_EQ(pane()->selectedDate(), day);
  EXPECT_EQ(pane()->miniCalendar()->date(), day);
  EXPECT_EQ(DaySubjects(*pane()), std::vector<std::string>{"Leap day"});
  const DateValue other{5, 1, 2004};
  emit pane()->weekView()->dateClicked(DayNumber(other));
  EXPECT_EQ(pane()->selectedDate(), other);
  EXPECT_TRUE(DaySubjects(*pane()).empty());
}

TEST_F(AlmanorTest, TheMonthAViewMovesToIsTheOneTheOtherTabsShow) {
  ASSERT_TRUE(Start());
  const DateValue day{29, 2, 2004};
  const DateValue nextMonth{29, 3, 2004};
  AddEvent(store(), MakeEvent(store(), nextMonth, "Spring"));
  pane()->SelectDate(day);
  pane()->SwitchTab(CalendarPane::kMonthTab);
  pane()->monthView()->StepForward();
  EXPECT_EQ(pane()->selectedDate(), nextMonth);
  pane()->SwitchTab(CalendarPane::kWeekTab);
  EXPECT_EQ(pane()->weekView()->date(), nextMonth);
  pane()->SwitchTab(CalendarPane::kDayTab);
  EXPECT_EQ(pane()->miniCalendar()->date(), nextMonth);
  EXPECT_EQ(DaySubjects(*pane()), std::vector<std::string>{"Spring"});
}

TEST_F(AlmanorTest, AMiniCalendarPickSelectsTheDateAndReloads) {
  ASSERT_TRUE(Start());
  const DateValue day{3, 7, 2035};
  AddEvent(store(), MakeEvent(store(), day, "Holiday", {}, 9, 10, true));
  AddEvent(store(), MakeEvent(store(), day, "Flight", {}, 8, 9));
  SendCommand(pane(), MakeCommandId(CalendarPane::kMiniCalendarId, 0), DateParam(day));
  EXPECT_EQ(pane()->selectedDate(), day);
  // All-day events come first.
  EXPECT_EQ(DaySubjects(*pane()), (std::vector<std::string>{"Holiday", "Flight"}));
}

TEST_F(AlmanorTest, KeysSwitchTabsAndStepTheDate) {
  ASSERT_TRUE(Start());
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_));
  const DateValue day{31, 12, 2030};
  pane()->SelectDate(day);
  pane()->FocusList();
  QWidget* list = pane()->dayList()->list();
  ASSERT_TRUE(WaitUntil([&] { return list->hasFocus(); }));
  QTest::keyClick(list, Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(pane()->selectedDate(), (DateValue{1, 1, 2031}));
  QTest::keyClick(list, Qt::Key_Up, Qt::ControlModifier);
  EXPECT_EQ(pane()->selectedDate(), (DateValue{25, 12, 2030}));
  QTest::keyClick(list, Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(pane()->currentTab(), CalendarPane::kWeekTab);
  // The view shown has the keyboard; the keys go on working there.
  ASSERT_TRUE(WaitUntil([&] { return pane()->weekView()->hasFocus(); }));
  QTest::keyClick(pane()->weekView(), Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(pane()->currentTab(), CalendarPane::kMonthTab);
  QTest::keyClick(pane()->monthView(), Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(pane()->selectedDate(), Today());
  QTest::keyClick(pane()->monthView(), Qt::Key_PageUp, Qt::ControlModifier);
  EXPECT_EQ(pane()->currentTab(), CalendarPane::kWeekTab);
}

// --- Categories -------------------------------------------------------------------

TEST_F(AlmanorTest, TheCategoryChooserOffersAllTheFilesCategoriesAndEditing) {
  ASSERT_TRUE(Start());
  std::vector<std::string> texts;
  for (const FlyEntry& entry : pane()->categoryChooser()->entries()) {
    if (!entry.separator) texts.push_back(entry.text.toStdString());
  }
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(texts.front(), "All Categories");
  EXPECT_EQ(texts.back(), "Edit Categories");
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Meetings"), texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Calls"), texts.end());
  EXPECT_EQ(pane()->categoryChooser()->chosenText(), QStringLiteral("All Categories"));
}

TEST_F(AlmanorTest, TheMeetingsFilterHidesEventsOfOtherCategories) {
  ASSERT_TRUE(Start());
  const DateValue today = pane()->selectedDate();
  // A weekly series of calls that began long ago also occurs today.
  EventRecord series = MakeEvent(store(), DateValue{1, 1, 2001}, "Weekly call", "Calls", 8, 9);
  RepeatBlock weekly;
  weekly.kind = event::kRepeatDaily;
  weekly.interval = 1;
  weekly.end = DateValue{31, 12, 2020};  // no end date
  series.setRepeat(weekly);
  AddEvent(store(), series);
  AddEvent(store(), MakeEvent(store(), today, "Team meeting", "Meetings", 11, 12));
  pane()->Reload();
  ASSERT_EQ(DaySubjects(*pane()).size(), 5u);
  // Chosen from the chooser as the user does.
  int meetings = 0;
  for (const FlyEntry& entry : pane()->categoryChooser()->entries()) {
    if (entry.text == QStringLiteral("Meetings")) meetings = entry.command;
  }
  ASSERT_NE(meetings, 0);
  SendCommand(pane(), Command{meetings, 0, QStringLiteral("Meetings"), {}});
  EXPECT_EQ(pane()->categoryFilter(), "Meetings");
  EXPECT_EQ(DaySubjects(*pane()), std::vector<std::string>{"Team meeting"});
  EXPECT_EQ(pane()->monthView()->isVisible(), false);
  // "All Categories" shows everything again.
  SendCommand(pane(), Command{CalendarPane::kCategoryBase + kAllCategoriesOffset, 0,
                              QStringLiteral("All Categories"), {}});
  EXPECT_EQ(pane()->categoryFilter(), "");
  EXPECT_EQ(DaySubjects(*pane()).size(), 5u);
}

// --- Date across openings ---------------------------------------------------------

TEST_F(AlmanorTest, TheFirstFileOpensOnTodayALaterOneKeepsTheDate) {
  ASSERT_TRUE(Start());
  EXPECT_EQ(pane()->selectedDate(), Today());
  EXPECT_EQ(pane()->miniCalendar()->date(), Today());
  const DateValue day{9, 9, 2030};
  pane()->SelectDate(day);
  pane()->SetCategoryFilter("Calls");
  pane()->SwitchTab(CalendarPane::kWeekTab);
  ASSERT_TRUE(OpenNewFile("Works/second.cld"));
  EventRecord later = MakeEvent(store(), day, "On the kept date");
  AddEvent(store(), later);
  pane()->Reload();
  EXPECT_EQ(pane()->selectedDate(), day);
  EXPECT_EQ(pane()->miniCalendar()->date(), day);
  // Each opening starts on the Day tab without a filter.
  EXPECT_EQ(pane()->currentTab(), CalendarPane::kDayTab);
  EXPECT_EQ(pane()->categoryFilter(), "");
  EXPECT_EQ(DaySubjects(*pane()), std::vector<std::string>{"On the kept date"});
}

// --- Other users ------------------------------------------------------------------

TEST_F(AlmanorTest, AnotherUsersNewEventAppearsWithTheRefresh) {
  sandbox_.SetSuite("NetworkRefresh", "1");
  ASSERT_TRUE(Start());
  pane()->dayList()->SelectRow(1);
  const std::string kept = DaySubjects(*pane())[1];
  RecordStore other(store().path(), "");
  AddEvent(other, MakeEvent(other, pane()->selectedDate(), "Early call", {}, 5, 6));
  AddEvent(other, MakeEvent(other, DateValue{1, 1, 2033}, "Another day"));
  ASSERT_TRUE(WaitUntil([&] { return DaySubjects(*pane()).size() == 4; }, 10000));
  EXPECT_EQ(DaySubjects(*pane()).at(1), "Early call");
  // The selected event stays selected across the reload.
  EXPECT_EQ(DaySubjects(*pane()).at(size_t(pane()->dayList()->SelectedRow())), kept);
}

// --- Rows -----------------------------------------------------------------------------

struct IconCase {
  bool confidential, alarm, attachment, repeat;
  std::vector<int> icons;
};

class EventIconTest : public ::testing::TestWithParam<IconCase> {};

TEST_P(EventIconTest, ShowsTheStatusIconsInTheirOrder) {
  const IconCase& c = GetParam();
  EventRecord record;
  record.setConfidential(c.confidential);
  record.setAlarmSet(c.alarm);
  if (c.attachment) {
    record.setAttachmentKind(event::kAttachDocument);
    record.setAttachment("/home/a/agenda.odt");
  }
  if (c.repeat) {
    RepeatBlock block;
    block.kind = event::kRepeatWeekly;
    block.interval = 1;
    block.pattern = 2;
    record.setRepeat(block);
  }
  EXPECT_EQ(EventStatusIcons(record), c.icons);
}

INSTANTIATE_TEST_SUITE_P(
    Icons, EventIconTest,
    ::testing::Values(IconCase{false, false, false, false, {}},
                      IconCase{true, false, false, false, {kIconConfidential}},
                      IconCase{false, true, false, true, {kIconAlarm, kIconRepeat}},
                      IconCase{true, true, true, true, {kIconConfidential, kIconAlarm, kIconAttachment, kIconRepeat}},
                      IconCase{false, false, true, false, {kIconAttachment}}));

TEST(EventRows, ATimedRowShowsItsTimesIconsAndSubjectInPlace) {
  SetClockStyle(ClockStyle::TwentyFourHour);
  EventRecord record;
  record.setStartTime(TimeValue{2, 10, 0, kHalfPm});
  record.setEndTime(TimeValue{3, 0, 0, kHalfPm});
  record.setAlarmSet(true);
  record.setCategory("Calls");
  record.setSubject("Lunch");
  EXPECT_EQ(EventTimesText(record), "14:10-15:00");
  const QRect row(0, 0, 300, kEventRowHeight);
  const EventRowGeometry g = LayOutEventRow(record, row, false);
  EXPECT_FALSE(g.allDay);
  ASSERT_EQ(g.icons.size(), 1u);
  EXPECT_EQ(g.icons[0].at.x(), 95);
  EXPECT_GT(g.category.left(), 95);
  EXPECT_EQ(g.subject.left(), g.times.left() + 20);
  EXPECT_GE(g.subject.top(), row.height() / 2);
  EXPECT_TRUE(g.rule);
  EXPECT_EQ(g.ruleLine.width(), 200);
  EXPECT_FALSE(LayOutEventRow(record, row, true).rule);
}

TEST(EventRows, AnAllDayRowHasNoTimesAndNoRule) {
  EventRecord record;
  record.setAllDay(true);
  record.setSubject("Holiday");
  const EventRowGeometry g = LayOutEventRow(record, QRect(0, 0, 300, kEventRowHeight), false);
  EXPECT_TRUE(g.allDay);
  EXPECT_TRUE(g.times.isNull());
  EXPECT_FALSE(g.rule);
  EXPECT_TRUE(g.category.isNull());
}

// Pixels that are clearly red (the category and the deleted record's text).
int RedPixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.red() > 180 && c.green() < 90 && c.blue() < 90) ++count;
    }
  }
  return count;
}

QImage Painted(const QByteArray& data) {
  QImage image(300, kEventRowHeight, QImage::Format_ARGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  EventRowDelegate delegate;
  delegate.PaintRow(painter, image.rect(), data, false, false);
  painter.end();
  return image;
}

TEST(EventRows, TheCategoryAndADeletedRecordAreDrawnInRed) {
  EventRecord record;
  record.setSubject("Plain");
  const QByteArray plain(reinterpret_cast<const char*>(record.data()), qsizetype(record.bytes().size()));
  EXPECT_EQ(RedPixels(Painted(plain)), 0);
  record.setCategory("Calls");
  const QByteArray categorised(reinterpret_cast<const char*>(record.data()), qsizetype(record.bytes().size()));
  EXPECT_GT(RedPixels(Painted(categorised)), 10);
  EXPECT_GT(RedPixels(Painted(QByteArray())), 10);
}

TEST(EventRows, AnAllDayRowStandsOnTheBand) {
  EventRecord record;
  record.setAllDay(true);
  const QByteArray bytes(reinterpret_cast<const char*>(record.data()), qsizetype(record.bytes().size()));
  const QImage image = Painted(bytes);
  // The band covers the row's middle: it is not the paper's colour.
  EXPECT_NE(image.pixelColor(150, kEventRowHeight / 2), look::Colour(look::kPaper));
}

// --- Recycle bin ---------------------------------------------------------------------

TEST_F(AlmanorTest, TheBinShowsWhetherItHoldsAnEvent) {
  ASSERT_TRUE(Start());
  EventRecycleBin().Empty();
  EXPECT_STREQ(pane()->recycleBin()->bitmapName(), "recicle1.bmp");
  pane()->recycleBin()->Click();
  EXPECT_EQ(sandbox_.MessageTexts(), std::vector<std::string>{"Bin is empty."});
  EventRecycleBin().Put(EventRecord());
  EXPECT_STREQ(pane()->recycleBin()->bitmapName(), "recicle2.bmp");
  EventRecycleBin().Empty();
}

}  // namespace
}  // namespace velmora
