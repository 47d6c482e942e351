// velmora import and export of iCalendar files on calendars.
#include <cstdlib>
#include <ctime>
#include <optional>

#include "ToolFixture.h"

namespace velmora::testing {
namespace {

// The tool inherits the zone of the test.
class ToolICalendarTest : public ToolTest {
 protected:
  std::string calendar = dir.File("diary.cld");
  std::optional<std::string> oldZone;

  void SetUp() override {
    if (const char* zone = std::getenv("TZ")) oldZone = zone;
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    Ok({"create", "--kind", "calendar", calendar});
  }
  void TearDown() override {
    if (oldZone) {
      setenv("TZ", oldZone->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

  static std::string Fixture(const std::string& name) {
    return std::string(VELMORA_TEST_DATA) + "/ical/" + name;
  }

  // The file without its DTSTAMP and UID lines, which name the moment of
  // the export and the records of one file.
  static std::string Comparable(const std::string& text) {
    std::string out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
      if (line.rfind("DTSTAMP:", 0) != 0 && line.rfind("UID:", 0) != 0) out += line + "\n";
    }
    return out;
  }
};

TEST_F(ToolICalendarTest, ImportTellsWhatEachEventKeptAndWhatWasNotRead) {
  const ToolRun run = Ok({"import", calendar, Fixture("thunderbird-rules.ics")});
  EXPECT_EQ(run.out,
            "Events read: 4\n"
            "Added: 2\n"
            "Skipped as duplicates: 0\n"
            "Event at line 42 not read: a VTODO is not an event\n"
            "Event at line 47 not read: no start (DTSTART)\n"
            "Event at line 22 kept in part: COUNT=5 kept as the end date 2024-03-29; EXDATE 2024-03-15 not kept: "
            "the event occurs on that day too\n"
            "Event at line 34 kept in part: BYDAY of a monthly rule (a weekday of the month) kept as day 13 of each "
            "month\n");
  const std::vector<nlohmann::json> events = List(calendar);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0]["Subject"], "Choir rehearsal");
  EXPECT_EQ(events[0]["Repeat_End"], "2024-03-29");
  EXPECT_EQ(events[0]["Start_Time"], "18:00");
  // Imported again: every event a duplicate.
  const ToolRun again = Ok({"import", calendar, Fixture("thunderbird-rules.ics")});
  EXPECT_NE(again.out.find("Added: 0\nSkipped as duplicates: 2\n"), std::string::npos) << again.out;
  EXPECT_EQ(List(calendar).size(), 2u);
}

TEST_F(ToolICalendarTest, ExportImportExportGivesTheSameFile) {
  const std::string source = dir.File("source.cld");
  Ok({"create", "--kind", "calendar", "--examples", source});
  Ok({"add", source},
     R"({"Date":"2024-02-05","Start_Time":"18:00","End_Time":"19:30","All_Day":0,"Subject":"Gym, \"weekly\"",)"
     R"("Notes":"Bring\nshoes","category":"Sport","confidential":true,"Repeat_Kind":2,"Repeat_End":"2024-06-28",)"
     R"("Repeat_Interval":2,"Repeat_Pattern":42,"Alarm_Set":1,"Alarm_Time":"17:30","Alarm_Lead":1,)"
     R"("Attachment_Kind":2,"Attachment":"https://example.org/plan"})"
     "\n");
  const std::string first = dir.File("first.ics");
  const std::string second = dir.File("second.ics");
  Ok({"export", source, first, "--format", "ics"});
  const ToolRun imported = Ok({"import", calendar, first});
  EXPECT_EQ(imported.out, "Events read: 4\nAdded: 4\nSkipped as duplicates: 0\n");
  Ok({"export", calendar, second, "--format", "ics"});
  const std::string a = ReadWholeFile(first);
  const std::string b = ReadWholeFile(second);
  EXPECT_NE(a.find("BEGIN:VCALENDAR\r\n"), std::string::npos);
  EXPECT_NE(a.find("RRULE:FREQ=WEEKLY;UNTIL=20240628T235959;INTERVAL=2;BYDAY=MO,WE,FR\r\n"), std::string::npos) << a;
  EXPECT_EQ(Comparable(b), Comparable(a));
}

TEST_F(ToolICalendarTest, FormatsAndFilesOfTheOtherKindAreRefused) {
  Ok({"create", book});
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::string binary = dir.File("events.bin");
  std::ofstream(binary) << std::string("\x00\x01\x02\xff\xfe binary", 13);
  const Case cases[] = {
      {{"export", calendar, dir.File("o.vcf"), "--format", "vcard"}, "--format: expected csv or ics"},
      {{"export", book, dir.File("o.ics"), "--format", "ics"}, "--format: expected csv, text or vcard"},
      {{"import", calendar, binary}, "a calendar takes iCalendar files (BEGIN:VCALENDAR on the first line) and delimited text"},
      {{"import", calendar, Fixture("thunderbird-rules.ics"), "--map", "default"}, "--map and --no-heading"},
  };
  for (const Case& c : cases) {
    const ToolRun run = Run(c.args);
    EXPECT_EQ(run.exitCode, 1) << c.args[0];
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
  EXPECT_TRUE(List(calendar).empty());
}

// What Almanor's import wizard reads, the tool reads too: another calendar
// program's comma file, its columns found by their headings.
TEST_F(ToolICalendarTest, AnotherProgramsCommaFileImportsIntoACalendar) {
  const std::string file = std::string(VELMORA_TEST_DATA) + "/calendar/outlook-calendar.csv";
  const ToolRun run = Ok({"import", calendar, file});
  EXPECT_NE(run.out.find("Added: 4\nSkipped as duplicates: 0\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Line 5 kept in part: Date \"2/31/2004\" is not a date; today's date was used"),
            std::string::npos)
      << run.out;
  bool sawBudget = false;
  for (const nlohmann::json& event : List(calendar)) {
    if (event["Subject"] != "Budget review") continue;
    sawBudget = true;
    EXPECT_EQ(event["Date"], "2010-03-15");
    EXPECT_EQ(event["Start_Time"], "09:00");
    EXPECT_EQ(event["End_Time"], "10:30");
    EXPECT_EQ(event["category"], "Work");
    EXPECT_EQ(event["Notes"], "Bring the figures");
  }
  EXPECT_TRUE(sawBudget) << run.out;
  const ToolRun again = Ok({"import", calendar, file});
  EXPECT_NE(again.out.find("Added: 0\nSkipped as duplicates: 4\n"), std::string::npos) << again.out;
  // By position the first column goes to the first field, the date: the
  // subjects are told as dates that could not be read.
  const std::string positional = dir.File("positional.cld");
  Ok({"create", "--kind", "calendar", positional});
  const ToolRun byPosition = Run({"import", positional, file, "--map", "positional"});
  EXPECT_NE(byPosition.out.find("Line 2 kept in part: Date \"Budget review\" is not a date"), std::string::npos)
      << byPosition.out;
}

TEST_F(ToolICalendarTest, FormatCsvIsTheCalendarsExportFile) {
  const std::string source = dir.File("source.cld");
  Ok({"create", "--kind", "calendar", "--examples", source});
  Ok({"export", source, dir.File("plain.csv")});
  Ok({"export", source, dir.File("csv.csv"), "--format", "csv"});
  const std::string plain = ReadWholeFile(dir.File("plain.csv"));
  EXPECT_NE(plain.find("\"Date\",\"Start Time\""), std::string::npos) << plain;
  EXPECT_EQ(ReadWholeFile(dir.File("csv.csv")), plain);
}

}  // namespace
}  // namespace velmora::testing
