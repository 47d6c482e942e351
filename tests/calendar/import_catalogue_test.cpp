// The calendar's import catalogue, its heading aliases, and the clean-up and
// duplicate test of imported events.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "calendar/model/CalendarImportCatalogue.h"
#include "calendar/model/DayAgenda.h"
#include "calendar/model/EventScan.h"
#include "tests/calendar/CalendarTestSupport.h"

namespace velmora {
namespace {

using test::At;
using test::D;

TEST(ImportCatalogue, SevenFieldsInOrder) {
  struct Expected {
    const char* label;
    uint32_t offset, kind, width;
  } expected[] = {
      {"Date", 1405, 4, 12},    {"Start Time", 1417, 5, 16}, {"End Time", 1433, 5, 16}, {"Category", 16, 6, 30},
      {"All day event", 1449, 2, 4}, {"Subject", 1453, 6, 150}, {"Notes", 1603, 6, 1024},
  };
  auto catalogue = CalendarImportCatalogue();
  ASSERT_EQ(catalogue.size(), 7u);
  for (size_t i = 0; i < catalogue.size(); ++i) {
    EXPECT_EQ(catalogue[i].label, expected[i].label);
    EXPECT_EQ(catalogue[i].mapped, 0);
    EXPECT_EQ(catalogue[i].column, int32_t(i));
    EXPECT_EQ(catalogue[i].offset, expected[i].offset);
    EXPECT_EQ(catalogue[i].kind, expected[i].kind);
    EXPECT_EQ(catalogue[i].width, expected[i].width);
  }
}

// The wizard's heading match: spaces removed, ASCII case ignored, the last
// matching entry wins.
std::string_view MapHeading(std::string_view heading) {
  auto squeeze = [](std::string_view s) {
    std::string out;
    for (char c : s) {
      if (c != ' ') out += char(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
  };
  std::string_view label;
  for (const FieldAlias& alias : CalendarImportAliases()) {
    if (squeeze(alias.heading) == squeeze(heading)) label = alias.label;
  }
  return label;
}

TEST(ImportCatalogue, TwentyThreeAliasesInTableOrder) {
  auto aliases = CalendarImportAliases();
  ASSERT_EQ(aliases.size(), 23u);
  EXPECT_EQ(aliases.front().label, "Date");
  EXPECT_EQ(aliases.front().heading, "Date1");
  EXPECT_EQ(aliases[3].heading, "Calendar Time");
  EXPECT_EQ(aliases[3].label, "Start Time");
  EXPECT_EQ(aliases[7].heading, "Calendar Time");
  EXPECT_EQ(aliases[7].label, "End Time");
  EXPECT_EQ(aliases.back().label, "Notes");
  EXPECT_EQ(aliases.back().heading, "Notes");
  for (const FieldAlias& alias : aliases) {
    EXPECT_LT(alias.heading.size(), 255u);
    auto catalogue = CalendarImportCatalogue();
    EXPECT_TRUE(std::any_of(catalogue.begin(), catalogue.end(),
                            [&](const ImportField& f) { return f.label == alias.label; }))
        << alias.label;
  }
  EXPECT_EQ(MapHeading("Calendar Time"), "End Time");
  EXPECT_EQ(MapHeading("calendartime1"), "Start Time");
  EXPECT_EQ(MapHeading("Start Date"), "Date");
  EXPECT_EQ(MapHeading("No Time"), "All day event");
  EXPECT_EQ(MapHeading("Description"), "Notes");
  EXPECT_EQ(MapHeading("Location"), "");
}

const ImportClock kClock{D(9, 12, 2024), At(10, 40)};

TEST(ImportCleanUp, RepairsWhatCannotBeStored) {
  EventRecord e;
  e.setEventDate(D(31, 2, 2004));
  e.setStartTime(TimeValue{14, 30, 0, 2});  // "14:30" read as hour 14
  e.setEndTime(TimeValue{9, 57, 0, 1});
  e.setAllDayFlag(7);
  e.setAlarmTime(At(3, 0));
  CleanUpImportedEvent(e, kClock);
  EXPECT_EQ(e.eventDate(), kClock.today);
  EXPECT_EQ(e.startTime(), kClock.now);
  EXPECT_EQ(e.endTime(), kClock.now);
  EXPECT_EQ(e.allDayFlag(), 0u);
  EXPECT_EQ(e.alarmTime(), kClock.now);
  EXPECT_EQ(e.alarmReferenceDate(), kClock.today);

  EventRecord good;
  good.setEventDate(D(29, 2, 2004));
  good.setStartTime(TimeValue{0, 55, 0, 2});
  good.setEndTime(TimeValue{12, 0, 0, 1});  // hour 12 still has a slot
  good.setAllDayFlag(1);
  CleanUpImportedEvent(good, kClock);
  EXPECT_EQ(good.eventDate(), D(29, 2, 2004));
  EXPECT_EQ(good.startTime(), (TimeValue{0, 55, 0, 2}));
  EXPECT_EQ(good.endTime(), (TimeValue{12, 0, 0, 1}));
  EXPECT_EQ(good.allDayFlag(), 1u);
}

// What the wizard builds from one line of a file.
struct Line {
  DateValue date;
  TimeValue start, end;
  uint32_t allDay;
  const char* category;
  const char* subject;
  const char* notes;
};

size_t Import(test::TempCalendar& cal, const std::vector<Line>& lines) {
  CalendarImportAcceptor acceptor(cal.store(), kClock);
  size_t added = 0;
  for (const Line& line : lines) {
    EventRecord e = NewEventRecord(cal.store());
    e.setEventDate(line.date);
    e.setStartTime(line.start);
    e.setEndTime(line.end);
    e.setAllDayFlag(line.allDay);
    e.setCategory(line.category);
    e.setSubject(line.subject);
    e.setNotes(line.notes);
    if (!acceptor.Accept(e.bytes())) continue;  // the wizard hands over its buffer
    cal.Add(e);
    ++added;
  }
  EXPECT_TRUE(acceptor.status().ok()) << acceptor.status().Message();
  return added;
}

size_t CountRecords(RecordStore& store) {
  size_t n = 0;
  EXPECT_TRUE(ScanEvents(store, ScanVisibility::AllLive, [&](const uint8_t*, RecordPosition) { ++n; }).ok());
  return n;
}

TEST(ImportDuplicates, ImportingOneFileTwiceStoresEachEventOnce) {
  test::TempCalendar cal;
  const std::vector<Line> file = {
      {D(5, 1, 2004), At(9, 0), At(10, 0), 0, "Meetings", "Review", "Room 1"},
      {D(5, 1, 2004), At(9, 0), At(10, 30), 0, "Meetings", "Review", "Room 1"},  // other end time
      {D(5, 1, 2004), At(9, 0), At(10, 0), 0, "Meetings", "Review", "Room 2"},   // other notes
      {D(5, 1, 2004), At(9, 0), At(10, 0), 0, "meetings", "Review", "Room 1"},   // category differs in case
      {D(6, 1, 2004), At(0, 0), At(0, 0), 1, "", "Holiday", ""},
      {D(6, 1, 2004), At(8, 0), At(9, 0), 1, "", "Holiday", ""},  // all-day: times do not count
      {D(31, 2, 2004), At(9, 0), At(9, 0), 0, "", "Bad date", ""},
  };
  EXPECT_EQ(Import(cal, file), 6u);
  EXPECT_EQ(Import(cal, file), 0u);
  EXPECT_EQ(CountRecords(cal.store()), 6u);
  // The line dated 31 February is stored on today's date.
  DayAgenda today;
  ASSERT_TRUE(LoadDayAgenda(cal.store(), kClock.today, kClock.today, EventFilter{}, today).ok());
  ASSERT_EQ(today.EventsOn(0).size(), 1u);
  EXPECT_EQ(today.event(today.EventsOn(0)[0]).subject(), "Bad date");
}

TEST(ImportDuplicates, ConfidentialRecordsCountAsPresent) {
  test::TempCalendar cal;
  EventRecord secret = cal.Make(D(5, 1, 2004), "Secret", At(9, 0), At(10, 0));
  secret.setConfidential(true);
  cal.Add(secret);
  cal.SetPasswords("own", "asst", "read");
  RecordStore assistant(cal.path(), "asst");
  CalendarImportAcceptor acceptor(assistant, kClock);
  EventRecord again = cal.Make(D(5, 1, 2004), "Secret", At(9, 0), At(10, 0));
  EXPECT_FALSE(acceptor.Accept(again));
  EXPECT_TRUE(SameImportedEvent(again.data(), secret.data()));
}

}  // namespace
}  // namespace velmora
