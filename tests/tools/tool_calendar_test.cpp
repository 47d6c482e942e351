// velmora list, add, agenda, export, report and alarms on calendar files.
#include <algorithm>
#include <filesystem>

#include "ToolFixture.h"
#include "calendar/model/EventRecord.h"
#include "resources/Strings.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class ToolCalendarTest : public ToolTest {
 protected:
  std::string calendar = dir.File("diary.cld");

  void SetUp() override {
    // Dates and times in exports and reports on the 24-hour clock, day first.
    std::ofstream(dir.File("Velmora.ini")) << "[intl]\niTime=1\n";
    Ok({"create", "--kind", "calendar", calendar});
  }

  ToolRun Add(const std::string& lines, const std::string& password = "") {
    std::vector<std::string> args{"add", calendar};
    if (!password.empty()) args.insert(args.end(), {"--password", password});
    return Run(args, lines);
  }
  void MustAdd(const std::vector<json>& events) {
    std::string lines;
    for (const json& e : events) lines += e.dump() + "\n";
    ToolRun run = Add(lines);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_EQ(run.out, std::to_string(events.size()) + "\n");
  }
  Bytes Slot(size_t index) {
    RecordStore store(calendar, "");
    Bytes record;
    EXPECT_TRUE(store.ReadRecord(record, SlotPosition(event::kRecordSize, index)).ok());
    return record;
  }
  // (date, subject) of each agenda line.
  std::vector<std::pair<std::string, std::string>> Agenda(const std::vector<std::string>& extra) {
    std::vector<std::string> args{"agenda", calendar};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<std::pair<std::string, std::string>> days;
    for (const json& line : Ok(args).Json()) days.emplace_back(line["date"], line["subject"]);
    return days;
  }
  std::vector<std::string> DueAt(const std::string& at, const std::string& password = "") {
    std::vector<std::string> args{"alarms", calendar, "--at", at};
    if (!password.empty()) args.insert(args.end(), {"--password", password});
    std::vector<std::string> subjects;
    for (const json& line : Ok(args).Json()) subjects.push_back(line["subject"]);
    return subjects;
  }
};

using Days = std::vector<std::pair<std::string, std::string>>;
using Subjects = std::vector<std::string>;

TEST_F(ToolCalendarTest, AddThenListRoundTripsAnEvent) {
  MustAdd({{{"Date", "2004-01-07"},
            {"Start_Time", "13:30"},
            {"End_Time", "14:45"},
            {"Subject", "Review \xE2\x80\x94 Q1"},
            {"Notes", "bring\r\nslides"},
            {"category", "Meetings"},
            {"Repeat_Kind", 2},
            {"Repeat_Interval", 2},
            {"Repeat_Pattern", 18},
            {"Alarm_Set", 1},
            {"Alarm_Lead", 1},
            {"Tone_File", "ring.wav"},
            {"Start_Kind", 2},
            {"Start_Target", "https://example.org"},
            {"Attachment_Kind", 1},
            {"Attachment", "/tmp/agenda.txt"}}});
  std::vector<json> events = List(calendar);
  ASSERT_EQ(events.size(), 1u);
  const json& e = events[0];
  EXPECT_EQ(e["Date"], "2004-01-07");
  EXPECT_EQ(e["Start_Time"], "13:30");
  EXPECT_EQ(e["End_Time"], "14:45");
  EXPECT_EQ(e["All_Day"], 0);
  EXPECT_EQ(e["Subject"], "Review \xE2\x80\x94 Q1");
  EXPECT_EQ(e["Notes"], "bring\r\nslides");
  EXPECT_EQ(e["category"], "Meetings");
  EXPECT_EQ(e["Repeat_Kind"], 2);
  EXPECT_EQ(e["Repeat_End"], nullptr);  // a series without an end date
  EXPECT_EQ(e["Repeat_Interval"], 2);
  EXPECT_EQ(e["Repeat_Pattern"], 18);
  EXPECT_EQ(e["Alarm_Set"], 1);
  EXPECT_EQ(e["Alarm_Time"], "13:30");       // the start time when not given
  EXPECT_EQ(e["Alarm_Date"], "2004-01-07");  // the event date when not given
  EXPECT_EQ(e["Alarm_Lead"], 1);
  EXPECT_EQ(e["Tone_File"], "ring.wav");
  EXPECT_EQ(e["Start_Kind"], 2);
  EXPECT_EQ(e["Start_Target"], "https://example.org");
  EXPECT_EQ(e["Attachment_Kind"], 1);
  EXPECT_EQ(e["Attachment"], "/tmp/agenda.txt");

  // list | add gives the same event again.
  ToolRun copied = Add(Ok({"list", calendar}).out);
  ASSERT_EQ(copied.exitCode, 0) << copied.err;
  std::vector<json> both = List(calendar);
  ASSERT_EQ(both.size(), 2u);
  for (auto& [key, value] : both[0].items()) {
    if (key != "position" && key != "id" && key != "created_date" && key != "created_time") {
      EXPECT_EQ(both[1][key], value) << key;
    }
  }
}

TEST_F(ToolCalendarTest, TimesAreStoredOnTheTwelveHourClockWithAHalf) {
  struct Case {
    const char* text;
    TimeValue stored;
  };
  const Case cases[] = {{"00:05", {0, 5, 0, kHalfAm}},
                        {"11:55", {11, 55, 0, kHalfAm}},
                        {"12:00", {0, 0, 0, kHalfPm}},
                        {"23:40", {11, 40, 0, kHalfPm}}};
  std::vector<json> events;
  for (const Case& c : cases) events.push_back({{"Date", "2004-05-10"}, {"Start_Time", c.text}, {"End_Time", c.text}});
  MustAdd(events);
  std::vector<json> listed = List(calendar);
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].text);
    Bytes slot = Slot(i);
    EXPECT_EQ(GetTime(slot.data() + event::kStartTime), cases[i].stored);
    EXPECT_EQ(GetTime(slot.data() + event::kEndTime), cases[i].stored);
    EXPECT_EQ(listed[i]["Start_Time"], cases[i].text);
  }
}

TEST_F(ToolCalendarTest, EventsTheCalendarCannotHandleAreRefused) {
  struct Case {
    const char* line;
    const char* message;
  };
  const Case cases[] = {
      {R"({"Subject": "no date"})", "line 1: key \"Date\": every event needs a date"},
      {R"({"Date": null})", "line 1: key \"Date\": expected a valid date"},
      {R"({"Date": "2004-02-30"})", "line 1: key \"Date\": expected a valid date"},
      {R"({"Date": "2004-05-10", "Start_Time": "25:00"})", "line 1: key \"Start_Time\": expected a time"},
      {R"({"Date": "2004-05-10", "Start_Time": "9:00"})", "line 1: key \"Start_Time\": expected a time"},
      {R"({"Date": "2004-05-10", "All_Day": 2})", "line 1: key \"All_Day\": expected 0 or 1"},
      {R"({"Date": "2004-05-10", "Repeat_Kind": 3})", "line 1: key \"Repeat_Kind\""},
      {R"({"Date": "2004-05-10", "Repeat_Kind": 1, "Repeat_Interval": 0})", "line 1: key \"Repeat_Interval\""},
      {R"({"Date": "2004-05-10", "Repeat_Kind": 1, "Repeat_Interval": 100})", "line 1: key \"Repeat_Interval\""},
      {R"({"Date": "2004-05-10", "Repeat_Kind": 2, "Repeat_Interval": 1})", "line 1: key \"Repeat_Pattern\""},
      {R"({"Date": "2004-05-10", "Repeat_Kind": 4, "Repeat_Interval": 1, "Repeat_Pattern": 32})",
       "line 1: key \"Repeat_Pattern\""},
      {R"({"Date": "2004-05-10", "Repeat_Kind": 5, "Repeat_Interval": 1, "Repeat_Pattern": 10})",
       "line 1: key \"Repeat_Pattern\""},
      {R"({"Date": "2004-05-10", "Repeat_Kind": 1, "Repeat_Interval": 1, "Repeat_End": "2004-05-09"})",
       "line 1: key \"Repeat_End\""},
      {R"({"Date": "2004-05-10", "Alarm_Lead": 100})", "line 1: key \"Alarm_Lead\""},
      {R"({"Date": "2004-05-10", "First_Name": "Ada"})", "line 1: unknown key \"First_Name\""},
      {R"({"Date": "2004-05-10", "Start_Time": "10:00", "End_Time": "09:55"})",
       "line 1: key \"End_Time\": expected a time not before \"Start_Time\" (10:00), not 09:55"},
      {R"({"Date": "2004-05-10", "Alarm_Set": 5})", "line 1: key \"Alarm_Set\": expected 0 or 1, not 5"},
      {R"({"Date": "2004-05-10", "Start_Kind": 9})",
       "line 1: key \"Start_Kind\": expected 1 (e-mail), 2 (URL) or 3 (document or program), not 9"},
      {R"({"Date": "2004-05-10", "Attachment_Kind": 9})",
       "line 1: key \"Attachment_Kind\": expected 0 (none), 1 (document) or 2 (URL), not 9"},
      {R"({"Date": "1799-12-31"})", "line 1: key \"Date\": expected a valid date from 1800-01-01 to 2199-12-31"},
      {R"({"Date": "2200-01-01"})", "line 1: key \"Date\": expected a valid date from 1800-01-01 to 2199-12-31"},
      {R"({"Date": "2004-05-10", "Subject": "x", "Subject": "y"})", "line 1: key \"Subject\" given twice"},
      {R"({"Date": "2004-05-10", "Repeat_Kind": 1, "Repeat_Interval": 1, "Repeat_End": "2004-02-30"})",
       "line 1: key \"Repeat_End\": expected a valid date"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    ToolRun run = Add(std::string(R"({"Date": "2004-05-10", "Subject": "fine"})") + "\n" + c.line + "\n");
    EXPECT_EQ(run.exitCode, 1);
    std::string message = c.message;
    message.replace(5, 1, "2");  // the bad event is on the second line
    EXPECT_EQ(run.err.rfind(message, 0), 0u) << run.err;
  }
  EXPECT_EQ(Info(calendar)["slot_count"], 0);
}

TEST_F(ToolCalendarTest, ARepeatingEventWithoutAnEndIsStoredAsNoEndAndListedAsNull) {
  struct Case {
    const char* line;
    nlohmann::json listed;  // Repeat_End as `list` prints it
    DateValue stored;
  };
  const Case cases[] = {
      {R"({"Subject": "daily", "Date": "2026-12-10", "Repeat_Kind": 1, "Repeat_Interval": 1})", nullptr,
       {31, 12, 2020}},
      {R"({"Subject": "thursdays", "Date": "2026-12-10", "Repeat_Kind": 2, "Repeat_Interval": 1,
           "Repeat_Pattern": 16, "Repeat_End": null})",
       nullptr, {31, 12, 2020}},
      {R"({"Subject": "old daily", "Date": "2004-05-10", "Repeat_Kind": 1, "Repeat_Interval": 1,
           "Repeat_End": "2020-12-31"})",
       nullptr, {31, 12, 2020}},
      {R"({"Subject": "three days", "Date": "2004-05-10", "Repeat_Kind": 1, "Repeat_Interval": 1,
           "Repeat_End": "2004-05-12"})",
       "2004-05-12", {12, 5, 2004}},
      {R"({"Subject": "once", "Date": "2004-05-10"})", nullptr, {0, 0, 0}},
  };
  std::string lines;
  for (const Case& c : cases) {
    std::string line = c.line;
    std::replace(line.begin(), line.end(), '\n', ' ');
    lines += line + "\n";
  }
  ToolRun added = Add(lines);
  ASSERT_EQ(added.exitCode, 0) << added.err;
  std::vector<json> listed = List(calendar);
  ASSERT_EQ(listed.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].line);
    EXPECT_EQ(listed[i]["Repeat_End"], cases[i].listed);
    EXPECT_EQ(GetDate(Slot(i).data() + event::kRepeatEnd), cases[i].stored);
  }
  // A series without an end runs on past 2020 (Sunday 1 March 2150 and the
  // Thursday after).
  EXPECT_EQ(Agenda({"--from", "2150-03-01", "--to", "2150-03-01"}),
            (Days{{"2150-03-01", "daily"}, {"2150-03-01", "old daily"}}));
  EXPECT_EQ(Agenda({"--from", "2150-03-05", "--to", "2150-03-05"}),
            (Days{{"2150-03-05", "daily"}, {"2150-03-05", "thursdays"}, {"2150-03-05", "old daily"}}));
  // What `list` prints, `add` takes back unchanged.
  ToolRun copied = Add(Ok({"list", calendar}).out);
  ASSERT_EQ(copied.exitCode, 0) << copied.err;
  for (size_t i = 0; i < std::size(cases); ++i) {
    Bytes original = Slot(i), copy = Slot(i + std::size(cases));
    EXPECT_TRUE(std::equal(original.begin() + event::kRepeatBlock,
                           original.begin() + event::kRepeatBlock + event::kRepeatBlockSize,
                           copy.begin() + event::kRepeatBlock))
        << cases[i].line;
  }
}

TEST_F(ToolCalendarTest, TheCalendarsOwnMessagesAreUsed) {
  SetPasswords(calendar, "owner-pw", "assistant-pw", "reader-pw");
  ToolRun wrong = Run({"list", calendar, "--password", "nope"});
  EXPECT_EQ(wrong.exitCode, 1);
  EXPECT_EQ(wrong.err, LoadText(Program::Almanor, 103) + "\n");
  ASSERT_NE(LoadText(Program::Almanor, 103), LoadText(Program::Cardora, 103));

  ToolRun reader = Add(R"({"Date": "2004-05-10"})" "\n", "reader-pw");
  EXPECT_EQ(reader.exitCode, 1);
  EXPECT_EQ(reader.err, LoadText(Program::Almanor, 102) + "\n");

  ToolRun order = Run({"agenda", calendar, "--from", "2004-05-10", "--to", "2004-05-09", "--password", "owner-pw"});
  EXPECT_EQ(order.exitCode, 1);
  EXPECT_EQ(order.err, LoadText(Program::Almanor, 107) + "\n");
}

TEST_F(ToolCalendarTest, AgendaListsEachOccurrenceInDayOrder) {
  MustAdd({{{"Date", "2004-01-07"},  // Wednesday; every 2 weeks on Monday and Thursday
            {"Start_Time", "09:00"},
            {"Subject", "Standup"},
            {"category", "Meetings"},
            {"Repeat_Kind", 2},
            {"Repeat_Interval", 2},
            {"Repeat_Pattern", 2 | 16}},
           {{"Date", "2004-01-08"}, {"Start_Time", "08:00"}, {"Subject", "Early"}},
           {{"Date", "2004-01-08"}, {"All_Day", 1}, {"Subject", "Holiday"}},
           {{"Date", "2004-03-02"},  // every 3 days
            {"Start_Time", "10:00"},
            {"Subject", "Water plants"},
            {"Repeat_Kind", 1},
            {"Repeat_Interval", 3}}});

  EXPECT_EQ(Agenda({"--from", "2004-01-04", "--to", "2004-01-20"}),
            (Days{{"2004-01-08", "Holiday"},
                  {"2004-01-08", "Early"},
                  {"2004-01-08", "Standup"},
                  {"2004-01-19", "Standup"}}));
  EXPECT_EQ(Agenda({"--from", "2004-01-04", "--to", "2004-01-20", "--category", "MEETINGS"}),
            (Days{{"2004-01-08", "Standup"}, {"2004-01-19", "Standup"}}));
  // Thursday 4 March is in a week of the fortnightly series; the daily
  // series every third day from 2 March skips it.
  EXPECT_EQ(Agenda({"--from", "2004-03-04", "--to", "2004-03-05"}),
            (Days{{"2004-03-04", "Standup"}, {"2004-03-05", "Water plants"}}));

  std::vector<json> lines = Ok({"agenda", calendar, "--from", "2004-01-08", "--to", "2004-01-08"}).Json();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0]["all_day"], true);
  EXPECT_EQ(lines[0]["start"], nullptr);
  EXPECT_EQ(lines[2]["start"], "09:00");
  EXPECT_EQ(lines[2]["end"], "09:00");
  EXPECT_EQ(lines[2]["category"], "Meetings");
  EXPECT_EQ(lines[2]["repeats"], true);
  EXPECT_EQ(lines[2]["position"], SlotPosition(event::kRecordSize, 0));
  EXPECT_EQ(lines[1]["repeats"], false);
}

TEST_F(ToolCalendarTest, AgendaNeedsAValidRange) {
  for (const std::vector<std::string>& extra : std::vector<std::vector<std::string>>{
           {"--from", "2004-01-01"}, {"--from", "2004-13-01", "--to", "2004-12-31"}, {"--from", "x", "--to", "y"}}) {
    std::vector<std::string> args{"agenda", calendar};
    args.insert(args.end(), extra.begin(), extra.end());
    ToolRun run = Run(args);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("--"), std::string::npos) << run.err;
  }
}

TEST_F(ToolCalendarTest, AlarmsDueAtAMomentInCheckOrderWithoutChangingTheFile) {
  MustAdd({{{"Date", "2004-05-10"},
            {"Start_Time", "14:00"},
            {"Subject", "Dentist"},
            {"Alarm_Set", 1},
            {"Alarm_Time", "09:00"},
            {"Alarm_Lead", 1}},
           {{"Date", "2004-05-03"}, {"Start_Time", "08:00"}, {"Subject", "Earlier"}, {"Alarm_Set", 1}},
           {{"Date", "2004-05-01"}, {"Start_Time", "08:00"}, {"Subject", "Silent"}},
           {{"Date", "2004-05-01"},
            {"Start_Time", "07:00"},
            {"Subject", "Secret"},
            {"Alarm_Set", 1},
            {"confidential", true}}});
  SetPasswords(calendar, "owner-pw", "assistant-pw", "");
  const std::string before = ReadWholeFile(calendar);

  EXPECT_EQ(DueAt("2004-05-09 08:58", "owner-pw"), (Subjects{"Secret", "Earlier"}));
  EXPECT_EQ(DueAt("2004-05-09 09:00", "owner-pw"), (Subjects{"Secret", "Earlier", "Dentist"}));
  EXPECT_EQ(DueAt("2004-05-09 09:04", "assistant-pw"), (Subjects{"Earlier", "Dentist"}));
  EXPECT_EQ(DueAt("2004-04-30 23:55", "owner-pw"), (Subjects{}));

  std::vector<json> due = Ok({"alarms", calendar, "--at", "2004-05-09 09:00", "--password", "owner-pw"}).Json();
  ASSERT_EQ(due.size(), 3u);
  EXPECT_EQ(due[2]["date"], "2004-05-10");
  EXPECT_EQ(due[2]["alarm_date"], "2004-05-09");
  EXPECT_EQ(due[2]["alarm_time"], "09:00");
  EXPECT_EQ(ReadWholeFile(calendar), before);

  ToolRun malformed = Run({"alarms", calendar, "--at", "2004-05-09T09:00"});
  EXPECT_EQ(malformed.exitCode, 1);
  EXPECT_NE(malformed.err.find("--at"), std::string::npos);
}

TEST_F(ToolCalendarTest, ExportWritesTheSelectedEvents) {
  MustAdd({{{"Date", "2004-01-08"}, {"Start_Time", "13:30"}, {"End_Time", "14:00"}, {"Subject", "Say \"hi\""},
            {"category", "Calls"}},
           {{"Date", "2004-01-07"}, {"All_Day", 1}, {"Subject", "Holiday"}},
           {{"Date", "2004-02-01"}, {"Start_Time", "09:00"}, {"Subject", "Later"}}});
  const std::string out = dir.File("events.csv");
  const std::string header = "\"Date\",\"Start Time\",\"End Time\",\"Category\",\"All day event\",\"Subject\",\"Notes\"\r\n";

  Ok({"export", calendar, out, "--from", "2004-01-01", "--to", "2004-01-31"});
  std::string text = ReadWholeFile(out);
  ASSERT_EQ(text.rfind(header, 0), 0u) << text;
  std::string rows = text.substr(header.size());
  EXPECT_EQ(rows.find("Later"), std::string::npos);
  EXPECT_LT(rows.find("Holiday"), rows.find("hi"));  // event order: 7 January first
  EXPECT_NE(rows.find("\"8/1/2004\",\"13:30\",\"14:00\",\"Calls\",\"0\""), std::string::npos) << rows;

  Ok({"export", calendar, out, "--subject", "LATER"});
  std::string filtered = ReadWholeFile(out).substr(header.size());
  EXPECT_EQ(filtered.rfind("\"1/2/2004\",\"09:00\"", 0), 0u) << filtered;
  EXPECT_EQ(filtered.find("\r\n"), filtered.size() - 2);

  ToolRun half = Run({"export", calendar, out, "--from", "2004-01-01"});
  EXPECT_EQ(half.exitCode, 1);
  EXPECT_NE(half.err.find("both --from and --to"), std::string::npos);
}

TEST_F(ToolCalendarTest, ReportListsDaysOfTheRange) {
  MustAdd({{{"Date", "2004-01-05"},
            {"Start_Time", "09:00"},
            {"End_Time", "09:30"},
            {"Subject", "Daily"},
            {"Repeat_Kind", 1},
            {"Repeat_Interval", 1},
            {"Repeat_End", "2004-01-06"}}});
  const std::string out = dir.File("report.txt");
  Ok({"report", calendar, out, "--from", "2004-01-04", "--to", "2004-01-07"});
  const std::string day = "09:00 - 09:30\r\nDaily\r\n\r\n";
  const std::string rule = std::string(40, '-') + "\r\n";
  EXPECT_EQ(ReadWholeFile(out), "Almanor Report (from 4/1/2004 to 7/1/2004)\r\n\r\n"
                                "Monday, January 5, 2004\r\n" + rule + day +
                                "Tuesday, January 6, 2004\r\n" + rule + day);
}

// Long ranges are written a stretch of days at a time; nothing is lost or
// repeated where one stretch ends and the next begins.
TEST_F(ToolCalendarTest, ReportsAndAgendasOverYearsListEveryDayOnce) {
  MustAdd({{{"Date", "2004-01-01"}, {"Start_Time", "09:00"}, {"End_Time", "09:30"}, {"Subject", "Daily"},
            {"Repeat_Kind", 1}, {"Repeat_Interval", 1}},
           {{"Date", "2004-01-01"}, {"All_Day", 1}, {"Subject", "Every 99 days"}, {"Repeat_Kind", 1},
            {"Repeat_Interval", 99}}});
  const std::string out = dir.File("report.txt");
  Ok({"report", calendar, out, "--from", "2004-01-01", "--to", "2007-12-31"});
  const std::string text = ReadWholeFile(out);
  const int days = 365 * 4 + 1;  // 2004 is a leap year
  size_t daily = 0, sparse = 0;
  for (size_t at = text.find("Daily\r\n"); at != std::string::npos; at = text.find("Daily\r\n", at + 1)) ++daily;
  for (size_t at = text.find("Every 99 days"); at != std::string::npos; at = text.find("Every 99 days", at + 1)) {
    ++sparse;
  }
  EXPECT_EQ(daily, size_t(days));
  EXPECT_EQ(sparse, size_t((days - 1) / 99 + 1));
  EXPECT_EQ(text.rfind("Almanor Report (from 1/1/2004 to 31/12/2007)\r\n\r\nThursday, January 1, 2004\r\n", 0), 0u);
  EXPECT_NE(text.find("Saturday, January 1, 2005\r\n"), std::string::npos);
  EXPECT_NE(text.find("Monday, December 31, 2007\r\n"), std::string::npos);

  std::vector<std::string> agendaDays;
  for (const auto& [date, subject] : Agenda({"--from", "2004-01-01", "--to", "2007-12-31"})) {
    if (subject == "Every 99 days") agendaDays.push_back(date);
  }
  const std::vector<std::string> expected{"2004-01-01", "2004-04-09", "2004-07-17", "2004-10-24", "2005-01-31",
                                          "2005-05-10", "2005-08-17", "2005-11-24", "2006-03-03", "2006-06-10",
                                          "2006-09-17", "2006-12-25", "2007-04-03", "2007-07-11", "2007-10-18"};
  EXPECT_EQ(agendaDays, expected);
}

TEST_F(ToolCalendarTest, OutputOverTheCalendarItselfIsRefused) {
  MustAdd({{{"Date", "2004-01-05"}, {"Subject", "Keep me"}}});
  const std::string before = ReadWholeFile(calendar);
  for (const char* command : {"export", "report"}) {
    ToolRun run = Run({command, calendar, calendar});
    EXPECT_EQ(run.exitCode, 1) << command;
    EXPECT_EQ(ReadWholeFile(calendar), before) << command;
  }
}

TEST_F(ToolCalendarTest, CalendarCommandsRefuseOtherKinds) {
  Ok({"create", book});
  // An address book has an export of its own; a contact history has none.
  const std::string history = dir.File("book.adr.history");
  Ok({"create", "--kind", "history", history});
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"agenda", book, "--from", "2004-01-01", "--to", "2004-01-02"},
           {"alarms", book},
           {"export", history, dir.File("x.csv")}}) {
    ToolRun run = Run(args);
    EXPECT_EQ(run.exitCode, 1) << args[0];
    EXPECT_NE(run.err.find("Not a calendar file"), std::string::npos) << run.err;
  }
  EXPECT_FALSE(fs::exists(dir.File("x.csv")));
}

TEST_F(ToolCalendarTest, OtherKindsListTheirRecordsButTakeNone) {
  struct Case {
    const char* kind;
    const char* file;
    size_t keys;  // the 13 header keys, and the body keys of the kind
  };
  for (const Case& c : {Case{"history", "book.adr.history", 13u + 5u}, Case{"partners", "Cardora.tb1", 13u}}) {
    SCOPED_TRACE(c.kind);
    const std::string path = dir.File(c.file);
    Ok({"create", "--kind", c.kind, path});
    {
      RecordStore store(path, "");
      Bytes record;
      store.InitRecord(record, store.recordSize());
      ASSERT_TRUE(store.AddRecord(record).ok());
    }
    std::vector<json> listed = List(path);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].size(), c.keys);
    ToolRun add = Run({"add", path}, "{}\n");
    EXPECT_EQ(add.exitCode, 1);
    EXPECT_NE(add.err.find("address books and calendars only"), std::string::npos);
  }
}

}  // namespace
}  // namespace velmora::testing
