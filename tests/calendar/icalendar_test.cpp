// iCalendar files: our export read back into an empty calendar, the files
// other calendar programs write, what an event could not keep, and the
// streamed reading of lines.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "calendar/model/EventSelection.h"
#include "calendar/model/ICalendar.h"
#include "calendar/model/Recurrence.h"
#include "tests/calendar/CalendarTestSupport.h"

namespace velmora::test {
namespace {

// The process's time zone for one test.
class ZoneScope {
 public:
  explicit ZoneScope(const char* zone) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ZoneScope() {
    if (old_) {
      setenv("TZ", old_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> old_;
};

std::vector<EventRecord> AllEvents(RecordStore& store) {
  ExportOptions options;
  options.range = EventRange::All;
  std::vector<SelectedEvent> selected;
  Result read = SelectEvents(store, options, selected);
  EXPECT_TRUE(read.ok()) << read.Message();
  std::vector<EventRecord> out;
  for (SelectedEvent& e : selected) out.push_back(e.record);
  return out;
}

const EventRecord* BySubject(const std::vector<EventRecord>& events, const std::string& subject) {
  for (const EventRecord& e : events) {
    if (e.subject() == subject) return &e;
  }
  ADD_FAILURE() << "no event \"" << subject << "\"";
  return nullptr;
}

std::string ExportAll(RecordStore& store) {
  std::string out = ICalendarBegin();
  for (const EventRecord& e : AllEvents(store)) out += ICalendarEvent(e, std::time_t(1700000000));
  return out + ICalendarEnd();
}

// The file without the lines that name the records of one file (UID).
std::string WithoutUids(const std::string& text) {
  std::string out;
  size_t from = 0;
  while (from < text.size()) {
    size_t end = text.find('\n', from);
    end = end == std::string::npos ? text.size() : end + 1;
    const std::string line = text.substr(from, end - from);
    if (line.rfind("UID:", 0) != 0) out += line;
    from = end;
  }
  return out;
}

std::string Fixture(const std::string& name) {
  return ReadWholeFile(std::string(VELMORA_TEST_DATA) + "/ical/" + name);
}

ImportCounts Import(RecordStore& store, const std::string& text) {
  ImportCounts counts;
  Result imported = ImportICalendar(store, text, counts);
  EXPECT_TRUE(imported.ok()) << imported.Message();
  return counts;
}

std::string Problems(const std::vector<ImportLineProblem>& problems) {
  std::string out;
  for (const ImportLineProblem& p : problems) out += std::to_string(p.line) + ": " + p.reason + "\n";
  return out;
}

// Events of every shape the record holds.
std::vector<EventRecord> EveryShape(TempCalendar& cal) {
  std::vector<EventRecord> events;
  EventRecord timed = cal.Make(D(14, 5, 2024), "Review, part 1; \"draft\"", At(9, 5), At(10, 40));
  timed.setNotes("First line\nSecond line: commas, semicolons; and a backslash \\ too. "
                 "A long note that the writer has to fold onto the next line, with \xc3\xa5\xc3\xa4\xc3\xb6 in it.");
  timed.setCategory("Meetings");
  timed.setConfidential(true);
  timed.setAttachmentKind(event::kAttachDocument);
  timed.setAttachment("/home/asa/Documents/minutes.odt");
  events.push_back(timed);

  EventRecord allDay = cal.Make(D(1, 1, 2025), "New year", At(0, 0), At(0, 0), true);
  allDay.setAttachmentKind(event::kAttachUrl);
  allDay.setAttachment("https://example.org/new-year?a=1&b=2");
  events.push_back(allDay);

  EventRecord daily = cal.Make(D(2, 2, 2024), "Stand-up", At(9, 0), At(9, 15));
  daily.setRepeat({event::kRepeatDaily, D(30, 4, 2024), 2, 0});
  events.push_back(daily);

  EventRecord weekly = cal.Make(D(5, 2, 2024), "Gym", At(18, 0), At(19, 30));
  weekly.setRepeat({event::kRepeatWeekly, kNoEndDate, 1, 0b0101010});  // Mon, Wed, Fri
  weekly.setAlarmSet(true);
  weekly.setAlarmLead(0);
  weekly.setAlarmTime(At(17, 30));
  events.push_back(weekly);

  EventRecord monthly = cal.Make(D(31, 1, 2024), "Pay the rent", At(8, 0), At(8, 0));
  monthly.setRepeat({event::kRepeatMonthly, D(31, 12, 2025), 3, 31});
  monthly.setAlarmSet(true);
  monthly.setAlarmLead(2);
  monthly.setAlarmTime(At(20, 0));  // later in the day than the start
  events.push_back(monthly);

  EventRecord yearly = cal.Make(D(29, 2, 2024), "Leap day", At(0, 0), At(0, 0), true);
  yearly.setRepeat({event::kRepeatYearly, kNoEndDate, 4, 2 * 65536 + 29});
  yearly.setAlarmSet(true);
  yearly.setAlarmLead(99);
  yearly.setAlarmTime(At(12, 0));
  events.push_back(yearly);

  EventRecord early = cal.Make(D(1, 1, 1800), "First day", At(0, 0), At(23, 55));
  events.push_back(early);
  EventRecord late = cal.Make(D(31, 12, 2199), "Last day", At(23, 55), At(23, 55));
  late.setCategory("\xc3\x85rsdag, fest");
  events.push_back(late);
  return events;
}

// The fields a file carries, compared one by one.
void ExpectSameEvent(const EventRecord& want, const EventRecord& got) {
  SCOPED_TRACE(want.subject());
  EXPECT_EQ(got.subject(), want.subject());
  EXPECT_EQ(got.notes(), want.notes());
  EXPECT_EQ(got.category(), want.category());
  EXPECT_EQ(got.confidential(), want.confidential());
  EXPECT_EQ(got.eventDate(), want.eventDate());
  EXPECT_EQ(got.allDay(), want.allDay());
  if (!want.allDay()) {
    EXPECT_EQ(TimeSlot(got.startTime()), TimeSlot(want.startTime()));
    EXPECT_EQ(TimeSlot(got.endTime()), TimeSlot(want.endTime()));
  }
  EXPECT_EQ(got.attachmentKind(), want.attachmentKind());
  EXPECT_EQ(got.attachment(), want.attachment());
  EXPECT_EQ(got.repeat(), want.repeat());
  EXPECT_EQ(got.alarmSet(), want.alarmSet());
  if (want.alarmSet()) {
    EXPECT_EQ(got.alarmLead(), want.alarmLead());
    EXPECT_EQ(TimeSlot(got.alarmTime()), TimeSlot(want.alarmTime()));
  }
}

TEST(ICalendarRoundTrip, ExportImportExportIsIdentical) {
  ZoneScope zone("Europe/Berlin");
  TempCalendar source;
  const std::vector<EventRecord> events = EveryShape(source);
  for (const EventRecord& e : events) source.Add(e);
  const std::string first = ExportAll(source.store());

  TempCalendar target;
  const ImportCounts counts = Import(target.store(), first);
  EXPECT_EQ(counts.linesRead, events.size());
  EXPECT_EQ(counts.added, events.size());
  EXPECT_EQ(counts.duplicates, 0u);
  EXPECT_TRUE(counts.unread.empty()) << Problems(counts.unread);
  EXPECT_TRUE(counts.partly.empty()) << Problems(counts.partly);

  const std::vector<EventRecord> back = AllEvents(target.store());
  ASSERT_EQ(back.size(), events.size());
  for (const EventRecord& want : events) {
    if (const EventRecord* got = BySubject(back, want.subject())) ExpectSameEvent(want, *got);
  }
  // The second export differs only in the ids of the new records.
  const std::string second = ExportAll(target.store());
  EXPECT_EQ(WithoutUids(second), WithoutUids(first));
  EXPECT_NE(first.find("UID:" + ICalendarUid(events[0].id()) + "\r\n"), std::string::npos);
}

TEST(ICalendarRoundTrip, AZoneDoesNotMoveFloatingTimes) {
  TempCalendar source;
  source.Add(source.Make(D(10, 3, 2024), "Breakfast", At(7, 30), At(8, 0)));
  std::string text;
  {
    ZoneScope zone("Asia/Tokyo");
    text = ExportAll(source.store());
  }
  ZoneScope zone("America/Los_Angeles");
  TempCalendar target;
  Import(target.store(), text);
  const std::vector<EventRecord> back = AllEvents(target.store());
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].eventDate(), D(10, 3, 2024));
  EXPECT_EQ(TimeSlot(back[0].startTime()), TimeSlot(At(7, 30)));
}

TEST(ICalendarExport, WritesTheEventsProperties) {
  TempCalendar cal;
  const std::vector<EventRecord> events = EveryShape(cal);
  const std::string timed = ICalendarEvent(events[0], std::time_t(1700000000));
  for (const char* line :
       {"BEGIN:VEVENT\r\n", "DTSTART:20240514T090500\r\n", "DTEND:20240514T104000\r\n", "CLASS:CONFIDENTIAL\r\n",
        "CATEGORIES:Meetings\r\n", "ATTACH:file:///home/asa/Documents/minutes.odt\r\n",
        "DTSTAMP:20231114T221320Z\r\n", "SUMMARY:Review\\, part 1\\; \"draft\"\r\n"}) {
    EXPECT_NE(timed.find(line), std::string::npos) << line << " in\n" << timed;
  }
  // Long lines are folded at 75 octets.
  size_t from = 0;
  while (from < timed.size()) {
    const size_t end = timed.find("\r\n", from);
    ASSERT_NE(end, std::string::npos);
    EXPECT_LE(end - from, 75u);
    from = end + 2;
  }
  struct Case {
    size_t index;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {1, {"DTSTART;VALUE=DATE:20250101\r\n", "DTEND;VALUE=DATE:20250102\r\n",
           "ATTACH:https://example.org/new-year?a=1&b=2\r\n"}},
      {2, {"RRULE:FREQ=DAILY;UNTIL=20240430T235959;INTERVAL=2\r\n"}},
      {3, {"RRULE:FREQ=WEEKLY;BYDAY=MO,WE,FR\r\n", "BEGIN:VALARM\r\n", "TRIGGER:-PT30M\r\n"}},
      {4, {"RRULE:FREQ=MONTHLY;UNTIL=20251231T235959;INTERVAL=3;BYMONTHDAY=31\r\n", "TRIGGER:-P1DT12H\r\n"}},
      {5, {"RRULE:FREQ=YEARLY;INTERVAL=4;BYMONTHDAY=29;BYMONTH=2\r\n", "TRIGGER:-P98DT12H\r\n"}},
  };
  for (const Case& c : cases) {
    const std::string text = ICalendarEvent(events[c.index], std::time_t(1700000000));
    for (const std::string& line : c.lines) EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
  }
  // No alarm, no repeat: neither is written.
  EXPECT_EQ(timed.find("VALARM"), std::string::npos);
  EXPECT_EQ(timed.find("RRULE"), std::string::npos);
}

// Files in the shapes other programs write.
TEST(ICalendarImport, OutlookMeetingWithItsTimeZone) {
  ZoneScope zone("America/New_York");
  TempCalendar cal;
  const ImportCounts counts = Import(cal.store(), Fixture("outlook-meeting.ics"));
  EXPECT_EQ(counts.linesRead, 2u);
  EXPECT_EQ(counts.added, 2u);
  EXPECT_TRUE(counts.unread.empty()) << Problems(counts.unread);
  const std::vector<EventRecord> events = AllEvents(cal.store());
  const EventRecord* sync = BySubject(events, "Platform sync");
  ASSERT_NE(sync, nullptr);
  // 10:00 in Berlin in winter is 04:00 in New York.
  EXPECT_EQ(sync->eventDate(), D(9, 1, 2024));
  EXPECT_EQ(TimeSlot(sync->startTime()), TimeSlot(At(4, 0)));
  EXPECT_EQ(TimeSlot(sync->endTime()), TimeSlot(At(4, 30)));
  EXPECT_EQ(sync->repeat(), (RepeatBlock{event::kRepeatWeekly, D(25, 6, 2024), 1, 1u << 2}));
  EXPECT_EQ(sync->notes(), "Weekly sync of the platform team.\nAgenda: status, risks, next steps.\nLocation: Room 4.12");
  EXPECT_TRUE(sync->alarmSet());
  EXPECT_EQ(sync->alarmLead(), 0u);
  EXPECT_EQ(TimeSlot(sync->alarmTime()), TimeSlot(At(3, 45)));
  EXPECT_FALSE(sync->confidential());
  // 23:30 to 01:00 in Berlin in summer: 17:30 to 19:00 in New York, one day.
  const EventRecord* night = BySubject(events, "Night release");
  ASSERT_NE(night, nullptr);
  EXPECT_EQ(night->eventDate(), D(4, 7, 2024));
  EXPECT_EQ(TimeSlot(night->startTime()), TimeSlot(At(17, 30)));
  EXPECT_EQ(TimeSlot(night->endTime()), TimeSlot(At(19, 0)));
  EXPECT_TRUE(night->confidential());
  EXPECT_TRUE(counts.partly.empty()) << Problems(counts.partly);
}

TEST(ICalendarImport, OutlookMeetingInItsOwnZoneKeepsItsTimesAndTellsTheNightSpan) {
  ZoneScope zone("Europe/Berlin");
  TempCalendar cal;
  const ImportCounts counts = Import(cal.store(), Fixture("outlook-meeting.ics"));
  const std::vector<EventRecord> events = AllEvents(cal.store());
  const EventRecord* night = BySubject(events, "Night release");
  ASSERT_NE(night, nullptr);
  EXPECT_EQ(TimeSlot(night->startTime()), TimeSlot(At(23, 30)));
  EXPECT_EQ(TimeSlot(night->endTime()), TimeSlot(At(23, 55)));
  ASSERT_EQ(counts.partly.size(), 1u);
  EXPECT_EQ(counts.partly[0].line, 46u);
  EXPECT_NE(counts.partly[0].reason.find("ending on 2024-07-05 at 01:00"), std::string::npos);
}

TEST(ICalendarImport, GoogleHolidayList) {
  ZoneScope zone("Pacific/Auckland");  // all-day dates stay as they are in every zone
  TempCalendar cal;
  const ImportCounts counts = Import(cal.store(), Fixture("google-holidays.ics"));
  EXPECT_EQ(counts.linesRead, 5u);
  EXPECT_EQ(counts.added, 5u);
  const std::vector<EventRecord> events = AllEvents(cal.store());
  struct Want {
    const char* subject;
    DateValue date;
  };
  for (const Want& w : {Want{"Christmas Day", D(25, 12, 2024)}, Want{"Boxing Day", D(26, 12, 2024)},
                        Want{"New Year's Day", D(1, 1, 2025)}, Want{"Burns Night", D(25, 1, 2024)}}) {
    const EventRecord* e = BySubject(events, w.subject);
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(e->allDay()) << w.subject;
    EXPECT_EQ(e->eventDate(), w.date) << w.subject;
  }
  const EventRecord* burns = BySubject(events, "Burns Night");
  ASSERT_NE(burns, nullptr);
  EXPECT_EQ(burns->repeat(), (RepeatBlock{event::kRepeatYearly, kNoEndDate, 1, 65536u + 25}));
  EXPECT_EQ(burns->category(), "Holidays");
  EXPECT_EQ(Problems(counts.partly),
            "45: categories after the first not kept: Scotland\n"
            "54: an all-day event to 2024-08-05 kept on its first day\n");
}

TEST(ICalendarImport, AppleAlarmsAndAUtcTime) {
  ZoneScope zone("America/New_York");
  TempCalendar cal;
  const ImportCounts counts = Import(cal.store(), Fixture("apple-alarms.ics"));
  EXPECT_EQ(counts.added, 3u);
  EXPECT_TRUE(counts.partly.empty()) << Problems(counts.partly);
  const std::vector<EventRecord> events = AllEvents(cal.store());
  // A TZID without a VTIMEZONE: the zone of that name.
  const EventRecord* dentist = BySubject(events, "Dentist");
  ASSERT_NE(dentist, nullptr);
  EXPECT_EQ(TimeSlot(dentist->startTime()), TimeSlot(At(9, 30)));
  EXPECT_TRUE(dentist->alarmSet());
  EXPECT_EQ(dentist->alarmLead(), 1u);
  EXPECT_EQ(TimeSlot(dentist->alarmTime()), TimeSlot(At(9, 0)));
  const EventRecord* birthday = BySubject(events, "Mum's birthday");
  ASSERT_NE(birthday, nullptr);
  EXPECT_EQ(birthday->repeat(), (RepeatBlock{event::kRepeatYearly, kNoEndDate, 1, 3 * 65536u + 20}));
  EXPECT_EQ(birthday->alarmLead(), 1u);
  EXPECT_EQ(TimeSlot(birthday->alarmTime()), TimeSlot(At(9, 0)));
  EXPECT_EQ(birthday->alarmReferenceDate(), D(20, 3, 2024));
  const EventRecord* call = BySubject(events, "Call with the New York office");
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(TimeSlot(call->startTime()), TimeSlot(At(12, 0)));
  EXPECT_EQ(call->attachmentKind(), event::kAttachUrl);
  EXPECT_EQ(call->attachment(), "https://example.org/agenda.pdf");
  EXPECT_EQ(call->notes(), "URL: https://meet.example.org/abc");
  EXPECT_FALSE(call->alarmSet());
}

TEST(ICalendarImport, RulesTheRecordCannotHoldAreToldPerEvent) {
  ZoneScope zone("Europe/Berlin");
  TempCalendar cal;
  ImportCounts counts;
  Result imported = ImportICalendar(cal.store(), Fixture("thunderbird-rules.ics"), counts);
  ASSERT_TRUE(imported.ok()) << imported.Message();
  EXPECT_EQ(counts.linesRead, 4u);
  EXPECT_EQ(counts.added, 2u);
  EXPECT_EQ(Problems(counts.unread), "42: a VTODO is not an event\n47: no start (DTSTART)\n");
  EXPECT_EQ(Problems(counts.partly),
            "22: COUNT=5 kept as the end date 2024-03-29; EXDATE 2024-03-15 not kept: the event occurs on that day "
            "too\n"
            "34: BYDAY of a monthly rule (a weekday of the month) kept as day 13 of each month\n");
  const std::vector<EventRecord> events = AllEvents(cal.store());
  const EventRecord* choir = BySubject(events, "Choir rehearsal");
  ASSERT_NE(choir, nullptr);
  EXPECT_EQ(choir->repeat(), (RepeatBlock{event::kRepeatWeekly, D(29, 3, 2024), 1, 1u << 5}));
  EXPECT_TRUE(OccursOn(*choir, D(29, 3, 2024)));
  EXPECT_FALSE(OccursOn(*choir, D(5, 4, 2024)));
}

TEST(ICalendarImport, TheSameFileTwiceAddsNothingTheSecondTime) {
  ZoneScope zone("UTC");
  TempCalendar cal;
  const std::string text = Fixture("google-holidays.ics");
  EXPECT_EQ(Import(cal.store(), text).added, 5u);
  const ImportCounts again = Import(cal.store(), text);
  EXPECT_EQ(again.linesRead, 5u);
  EXPECT_EQ(again.added, 0u);
  EXPECT_EQ(again.duplicates, 5u);
  EXPECT_EQ(AllEvents(cal.store()).size(), 5u);
}

TEST(ICalendarImport, AnEventRepeatedInOneFileIsADuplicate) {
  const std::string event =
      "BEGIN:VEVENT\r\nDTSTART:20240301T100000\r\nDTEND:20240301T110000\r\nSUMMARY:Twice\r\nEND:VEVENT\r\n";
  TempCalendar cal;
  const ImportCounts counts = Import(cal.store(), "BEGIN:VCALENDAR\r\n" + event + event + "END:VCALENDAR\r\n");
  EXPECT_EQ(counts.added, 1u);
  EXPECT_EQ(counts.duplicates, 1u);
}

TEST(ICalendarImport, FileShapesAreReadAlike) {
  // LF, CR LF and CR line ends, a byte-order mark, folds with a space or a
  // tab, lower-case keywords, and chunks cut anywhere, even inside a CR LF.
  const std::string body =
      "BEGIN:VCALENDAR|VERSION:2.0|BEGIN:VEVENT|DTSTART:20240301T100000|DTEND:20240301T110000|"
      "SUMMARY:A folded|  subject|DESCRIPTION:tab|\tfold|END:VEVENT|end:vcalendar|";
  struct Shape {
    const char* name;
    std::string text;
    size_t chunk;
  };
  auto ends = [&](const std::string& end) {
    std::string out;
    for (char c : body) out += c == '|' ? end : std::string(1, c);
    return out;
  };
  const Shape shapes[] = {
      {"crlf", ends("\r\n"), 1 << 16}, {"lf", ends("\n"), 1 << 16},        {"cr", ends("\r"), 1 << 16},
      {"bom", "\xEF\xBB\xBF" + ends("\r\n"), 1 << 16},                       {"crlf by 1", ends("\r\n"), 1},
      {"crlf by 2", ends("\r\n"), 2},   {"cr by 3", ends("\r"), 3},          {"lf by 7", ends("\n"), 7},
  };
  for (const Shape& shape : shapes) {
    SCOPED_TRACE(shape.name);
    TempCalendar cal;
    size_t at = 0;
    ICalendarInput input;
    input.next = [&](std::string& chunk) {
      chunk = shape.text.substr(std::min(at, shape.text.size()), shape.chunk);
      at += shape.chunk;
      return Result::Ok();
    };
    ImportCounts counts;
    Result imported = ImportICalendar(cal.store(), input, counts);
    ASSERT_TRUE(imported.ok()) << imported.Message();
    EXPECT_EQ(counts.added, 1u);
    const std::vector<EventRecord> events = AllEvents(cal.store());
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].subject(), "A folded subject");
    EXPECT_EQ(events[0].notes(), "tabfold");
  }
}

TEST(ICalendarImport, LineNumbersCountPhysicalLines) {
  const std::string text =
      "BEGIN:VCALENDAR\r\nX-NOTE:one\r\n two\r\n three\r\nBEGIN:VEVENT\r\nSUMMARY:no start\r\nEND:VEVENT\r\n"
      "END:VCALENDAR\r\n";
  TempCalendar cal;
  ImportCounts counts;
  Result imported = ImportICalendar(cal.store(), text, counts);
  EXPECT_FALSE(imported.ok());  // nothing could be read
  EXPECT_NE(imported.Message().find("None of the file's 1 events could be read"), std::string::npos)
      << imported.Message();
  EXPECT_EQ(Problems(counts.unread), "5: no start (DTSTART)\n");
}

TEST(ICalendarImport, ValuesLongerThanTheirFieldsAreCutAndTold) {
  const std::string subject(100, 'a');
  const std::string longSubject = subject + std::string(30, 'b') + "\xc3\xa5\xc3\xa5\xc3\xa5\xc3\xa5\xc3\xa5\xc3\xa5"
                                                                   "\xc3\xa5\xc3\xa5\xc3\xa5\xc3\xa5\xc3\xa5\xc3\xa5";
  const std::string text = "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART:20240301T100700\r\nDTEND:20240301T110000\r\n"
                           "SUMMARY:" + longSubject + "\r\nCATEGORIES:" + std::string(40, 'c') +
                           "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
  TempCalendar cal;
  const ImportCounts counts = Import(cal.store(), text);
  const std::vector<EventRecord> events = AllEvents(cal.store());
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].subject().size(), 148u);  // 149 would split the last character
  EXPECT_EQ(events[0].category(), std::string(29, 'c'));
  EXPECT_EQ(TimeSlot(events[0].startTime()), TimeSlot(At(10, 5)));
  EXPECT_EQ(Problems(counts.partly),
            "2: start 10:07 kept as 10:05; SUMMARY longer than 149 bytes, cut; CATEGORIES longer than 29 bytes, "
            "cut\n");
}

TEST(ICalendarImport, OtherFilesAreRefused) {
  for (const std::string& text : {std::string("BEGIN:VCARD\r\nFN:Asa\r\nEND:VCARD\r\n"), std::string("Date,Subject\n"),
                                 std::string()}) {
    TempCalendar cal;
    ImportCounts counts;
    Result imported = ImportICalendar(cal.store(), text, counts);
    EXPECT_FALSE(imported.ok()) << text;
    EXPECT_EQ(counts.added, 0u);
  }
  EXPECT_TRUE(LooksLikeICalendar("\xEF\xBB\xBF\r\nbegin:vcalendar\r\n"));
  EXPECT_FALSE(LooksLikeICalendar("BEGIN:VCALENDARX\r\n"));
  EXPECT_FALSE(LooksLikeICalendar("BEGIN:VCARD\r\n"));
}

TEST(ICalendarImport, ProgressCanCancelAndKeepsWhatWasAdded) {
  std::string text = "BEGIN:VCALENDAR\r\n";
  for (int i = 1; i <= 5; ++i) {
    text += "BEGIN:VEVENT\r\nDTSTART;VALUE=DATE:2024030" + std::to_string(i) + "\r\nSUMMARY:Day " +
            std::to_string(i) + "\r\nEND:VEVENT\r\n";
  }
  text += "END:VCALENDAR\r\n";
  TempCalendar cal;
  ImportCounts counts;
  Result imported = ImportICalendar(cal.store(), text, counts, [](size_t done, size_t) { return done < 3; });
  ASSERT_TRUE(imported.ok()) << imported.Message();
  EXPECT_TRUE(counts.cancelled);
  EXPECT_EQ(counts.linesRead, 3u);
  EXPECT_EQ(counts.added, 3u);
  EXPECT_EQ(AllEvents(cal.store()).size(), 3u);
}

TEST(ICalendarImport, AReaderIsRefused) {
  TempCalendar cal;
  cal.SetPasswords("owner", "assistant", "reader");
  RecordStore reader(cal.path(), "reader");
  ASSERT_TRUE(reader.IsOpen()) << reader.OpenError().Message();
  ImportCounts counts;
  Result imported = ImportICalendar(reader, Fixture("google-holidays.ics"), counts);
  EXPECT_EQ(imported.code(), kReaderRefused);
  EXPECT_EQ(counts.linesRead, 0u);
}

}  // namespace
}  // namespace velmora::test

namespace velmora::test {
namespace {

TEST(ICalendarImport, TextThatIsNotUtf8IsReadAsWindows1252) {
  const std::string text =
      "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20240301\r\nSUMMARY:Caf\xe9 \x80 " + std::string(70, '\xff') +
      "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
  TempCalendar cal;
  const ImportCounts counts = Import(cal.store(), text);
  const std::vector<EventRecord> events = AllEvents(cal.store());
  ASSERT_EQ(events.size(), 1u);
  // 9 bytes and 70 two-byte characters, cut to 149 bytes at a character.
  EXPECT_EQ(events[0].subject(), "Caf\xc3\xa9 \xe2\x82\xac " + [] {
    std::string y;
    for (int i = 0; i < 69; ++i) y += "\xc3\xbf";
    return y;
  }());
  EXPECT_EQ(Problems(counts.partly), "2: SUMMARY longer than 149 bytes, cut\n");
  // What was stored exports and reads back as it is.
  TempCalendar copy;
  const ImportCounts back = Import(copy.store(), ExportAll(cal.store()));
  EXPECT_TRUE(back.partly.empty()) << Problems(back.partly);
  ASSERT_EQ(AllEvents(copy.store()).size(), 1u);
  EXPECT_EQ(AllEvents(copy.store())[0].subject(), events[0].subject());
}

}  // namespace
}  // namespace velmora::test

namespace velmora::test {
namespace {

TEST(ICalendarImport, AnUnknownZoneIsReadAsLocalTimeAndTold) {
  ZoneScope zone("Europe/Berlin");
  const std::string text =
      "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART;TZID=Custom Zone 7:20240301T101000\r\n"
      "DTEND;TZID=Custom Zone 7:20240301T110000\r\nSUMMARY:Somewhere\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
  TempCalendar cal;
  const ImportCounts counts = Import(cal.store(), text);
  const std::vector<EventRecord> events = AllEvents(cal.store());
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(TimeSlot(events[0].startTime()), TimeSlot(At(10, 10)));
  EXPECT_EQ(Problems(counts.partly), "2: time zone Custom Zone 7 unknown, its times read as local times\n");
}

}  // namespace
}  // namespace velmora::test

namespace velmora::test {
namespace {

TEST(ICalendarImport, EventsBeyondTheBoundsAreToldAndTheRestRead) {
  struct Case {
    const char* name;
    std::string event;
  };
  const Case cases[] = {
      {"a long line", "BEGIN:VEVENT\r\nDTSTART:20240301T100000\r\nDESCRIPTION:" + std::string(kICalendarMaxLine + 10, 'x') +
                          "\r\nSUMMARY:Long\r\nEND:VEVENT\r\n"},
      {"a long folded line", "BEGIN:VEVENT\r\nDTSTART:20240301T100000\r\nDESCRIPTION:" + [] {
         std::string folded;
         for (size_t i = 0; i < kICalendarMaxLine / 70 + 10; ++i) folded += std::string(70, 'y') + "\r\n ";
         return folded;
       }() + "\r\nSUMMARY:Long\r\nEND:VEVENT\r\n"},
      {"many lines", "BEGIN:VEVENT\r\nDTSTART:20240301T100000\r\n" + [] {
         std::string lines;
         while (lines.size() <= kICalendarMaxEvent) lines += "X-NOTE:" + std::string(500, 'z') + "\r\n";
         return lines;
       }() + "SUMMARY:Long\r\nEND:VEVENT\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = "BEGIN:VCALENDAR\r\n" + c.event +
                             "BEGIN:VEVENT\r\nDTSTART:20240302T100000\r\nSUMMARY:After\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    TempCalendar cal;
    const ImportCounts counts = Import(cal.store(), text);
    EXPECT_EQ(counts.linesRead, 2u);
    EXPECT_EQ(counts.added, 1u);
    ASSERT_EQ(counts.unread.size(), 1u);
    EXPECT_EQ(counts.unread[0].line, 2u);
    EXPECT_NE(counts.unread[0].reason.find("longer than the import reads"), std::string::npos);
    const std::vector<EventRecord> events = AllEvents(cal.store());
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].subject(), "After");
  }
}

}  // namespace
}  // namespace velmora::test

namespace velmora::test {
namespace {

TEST(ICalendarRoundTrip, SpacesAroundATextAreLeftOutBothWays) {
  TempCalendar source;
  EventRecord e = source.Make(D(3, 3, 2024), "Lunch \t ", At(12, 0), At(13, 0));
  e.setNotes("  Bring the\nreport  ");
  e.setCategory("Home ");
  source.Add(e);
  const std::string first = ExportAll(source.store());
  EXPECT_NE(first.find("SUMMARY:Lunch\r\n"), std::string::npos) << first;
  TempCalendar target;
  const ImportCounts counts = Import(target.store(), first);
  EXPECT_TRUE(counts.partly.empty()) << Problems(counts.partly);
  const std::vector<EventRecord> back = AllEvents(target.store());
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].subject(), "Lunch");
  EXPECT_EQ(back[0].notes(), "Bring the\nreport");
  EXPECT_EQ(back[0].category(), "Home");
  EXPECT_EQ(WithoutUids(ExportAll(target.store())), WithoutUids(first));
  // A foreign file's value that ends in spaces is read without them too.
  TempCalendar foreign;
  Import(foreign.store(),
         "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20240301\r\nSUMMARY: Tea  \r\nEND:VEVENT\r\n"
         "END:VCALENDAR\r\n");
  ASSERT_EQ(AllEvents(foreign.store()).size(), 1u);
  EXPECT_EQ(AllEvents(foreign.store())[0].subject(), "Tea");
}

}  // namespace
}  // namespace velmora::test
