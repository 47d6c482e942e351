// Export and reports: the selection of events and the written files,
// compared byte for byte with the expected files in tests/data/calendar.
#include <gtest/gtest.h>

#include "calendar/model/CalendarExport.h"
#include "calendar/model/CalendarReport.h"
#include "calendar/model/Recurrence.h"
#include "resources/Strings.h"
#include "tests/calendar/CalendarTestSupport.h"

namespace velmora {
namespace {

using test::At;
using test::D;

std::string Golden(const std::string& name) {
  return test::ReadWholeFile(std::string(VELMORA_TEST_DATA) + "/calendar/" + name);
}

class ExportReport : public ::testing::Test {
 protected:
  void SetUp() override {
    SetCurrentProgram(Program::Almanor);
    SetClockStyle(ClockStyle::TwentyFourHour);
  }
  test::TempCalendar cal;
};

class Export : public ExportReport {
 protected:
  void SetUp() override {
    ExportReport::SetUp();
    // Added out of order; the export lists them in the event order.
    EventRecord quote = cal.Make(D(15, 3, 2020), "Say \"hi\"", At(14, 0), At(15, 30));
    quote.setCategory("Meetings");
    quote.setNotes("Room 4, 2nd floor");
    cal.Add(quote);
    cal.Add(cal.Make(D(1, 1, 2004), "New Year", At(9, 0), At(10, 0), true));
    cal.Add(cal.Make(D(1, 6, 2150), "Far", At(7, 5), At(7, 10)));
    EventRecord standup = cal.Make(D(2, 3, 2004), "Standup", At(8, 30), At(8, 45));
    standup.setCategory("Projects");
    standup.setRepeat(RepeatBlock{1, kNoEndDate, 1, 0});
    cal.Add(standup);
  }
};

TEST_F(Export, AllWritesEveryEventWithQuotesDoubled) {
  const std::string path = cal.folder() + "/out.csv";
  Result exported = ExportEvents(cal.store(), ExportDialogOptions(D(1, 1, 2010)), path);
  ASSERT_TRUE(exported.ok()) << exported.Message();
  EXPECT_EQ(test::ReadWholeFile(path), Golden("export_all.csv"));
  EXPECT_EQ(ExportOutcomeMessage(exported), "Operation successful.");
}

TEST_F(Export, DateRangeAndSubjectFilter) {
  ExportOptions options = ExportDialogOptions(D(1, 1, 2010));
  options.range = EventRange::DateRange;
  options.from = D(10, 3, 2004);
  options.to = D(10, 3, 2004);
  std::vector<SelectedEvent> events;
  ASSERT_TRUE(SelectEvents(cal.store(), options, events).ok());
  ASSERT_EQ(events.size(), 1u);  // the daily series, once
  EXPECT_EQ(events[0].record.subject(), "Standup");
  EXPECT_EQ(FormatExport(events),
            ExportHeaderLine() + "\"2/3/2004\",\"08:30\",\"08:45\",\"Projects\",\"0\",\"Standup\",\"\"\r\n");

  options.range = EventRange::All;
  options.subjectFilter = true;
  options.subject = "SAY";
  ASSERT_TRUE(SelectEvents(cal.store(), options, events).ok());
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].record.eventDate(), D(15, 3, 2020));
}

TEST_F(Export, FileThatCannotBeCreatedIsAFailureNamingIt) {
  const std::string path = cal.folder() + "/missing-folder/out.csv";
  Result exported = ExportEvents(cal.store(), ExportDialogOptions(D(1, 1, 2010)), path);
  EXPECT_FALSE(exported.ok());
  const std::string message = ExportOutcomeMessage(exported);
  EXPECT_NE(message, "Operation successful.");
  EXPECT_NE(message.find(path), std::string::npos) << message;
}

TEST_F(Export, RemembersThePathInTheSettings) {
  ASSERT_TRUE(SaveExportPath(cal.folder() + "/events.csv"));
  EXPECT_EQ(LoadExportPath(), cal.folder() + "/events.csv");
}

class Report : public ExportReport {
 protected:
  void SetUp() override {
    ExportReport::SetUp();
    EventRecord standup = cal.Make(D(1, 1, 2004), "Standup", At(9, 0), At(9, 15));
    standup.setCategory("Projects");
    standup.setRepeat(RepeatBlock{1, D(10, 1, 2004), 1, 0});
    cal.Add(standup);
    cal.Add(cal.Make(D(20, 1, 2004), "Later", At(10, 0), At(11, 0)));
    EventRecord lunch = cal.Make(D(7, 1, 2004), "Lunch", At(12, 0), At(13, 0));
    lunch.setCategory("Personal");
    cal.Add(lunch);
    EventRecord holiday = cal.Make(D(7, 1, 2004), "Holiday", At(0, 0), At(0, 0), true);
    holiday.setNotes("Office closed");
    cal.Add(holiday);
    cal.Add(cal.Make(D(7, 1, 2004), "Early bird", At(8, 0), At(8, 30)));
  }
};

TEST_F(Report, WeekWithADailyEventListsItEveryDay) {
  ExportOptions options = ReportDialogOptions(D(5, 1, 2004));
  options.to = D(11, 1, 2004);
  size_t steps = 0, total = 0;
  ReportProgress progress{[&](size_t days) { total = days; }, [&] { ++steps; }, {}};
  std::string text;
  const std::string path = cal.folder() + "/report.txt";
  Result written = WriteCalendarReport(cal.store(), options, path, text, progress);
  ASSERT_TRUE(written.ok()) << written.Message();
  EXPECT_EQ(text, Golden("report_week.txt"));
  EXPECT_EQ(test::ReadWholeFile(path), Golden("report_week.txt"));
  EXPECT_EQ(total, 7u);
  EXPECT_EQ(steps, 7u);
}

TEST_F(Report, AllListsEachEventOnceBetweenTheFirstAndLastDates) {
  ExportOptions options = ReportDialogOptions(D(5, 1, 2004));
  options.range = EventRange::All;
  std::string text;
  ASSERT_TRUE(MakeCalendarReport(cal.store(), options, D(1, 1, 2010), text).ok());
  EXPECT_EQ(text, Golden("report_all.txt"));
}

TEST_F(Report, CurrentRecordListsThatRecordOnly) {
  std::vector<SelectedEvent> all;
  ASSERT_TRUE(SelectEvents(cal.store(), ExportDialogOptions(D(1, 1, 2010)), all).ok());
  ASSERT_EQ(all.size(), 5u);
  ExportOptions options = ReportDialogOptions(D(5, 1, 2004));
  options.range = EventRange::CurrentRecord;
  options.hasCurrent = true;
  options.currentId = all[3].record.id();
  options.currentPosition = all[3].position;
  std::string text;
  ASSERT_TRUE(MakeCalendarReport(cal.store(), options, D(1, 1, 2010), text).ok());
  EXPECT_EQ(text, "Almanor Report (from 5/1/2004 to 5/1/2004)\r\n\r\n"
                  "Date: 7/1/2004\r\nTime: 12:00 - 13:00\r\nSubject: Lunch\r\nCategory: Personal\r\nNotes: \r\n\r\n");
}

TEST_F(ExportReport, AllOfAnEmptyFileShowsTodayTwice) {
  ExportOptions options = ReportDialogOptions(D(5, 1, 2004));
  options.range = EventRange::All;
  std::string text;
  ASSERT_TRUE(MakeCalendarReport(cal.store(), options, D(9, 12, 2024), text).ok());
  EXPECT_EQ(text, "Almanor Report (from 9/12/2024 to 9/12/2024)\r\n\r\n");
}

TEST(ExportReportOptions, DialogDefaultsAndDateRangeCheck) {
  ExportOptions exportOptions = ExportDialogOptions(D(3, 4, 2005));
  EXPECT_EQ(exportOptions.range, EventRange::All);
  EXPECT_EQ(exportOptions.from, D(3, 4, 2005));
  EXPECT_EQ(exportOptions.to, D(3, 4, 2005));
  EXPECT_FALSE(exportOptions.subjectFilter);
  ExportOptions reportOptions = ReportDialogOptions(D(7, 1, 2004));
  EXPECT_EQ(reportOptions.range, EventRange::DateRange);
  EXPECT_EQ(reportOptions.from, D(7, 1, 2004));
  EXPECT_TRUE(DateRangeAcceptable(D(7, 1, 2004), D(7, 1, 2004)));
  EXPECT_FALSE(DateRangeAcceptable(D(8, 1, 2004), D(7, 1, 2004)));
  EXPECT_EQ(ReportDayLine(D(29, 2, 2004)), "Sunday, February 29, 2004\r\n");
}

}  // namespace
}  // namespace velmora
