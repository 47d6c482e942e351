// iCalendar (RFC 5545) files of the calendar's events, through libical.
//
// Export writes one VEVENT per event. Times are floating local times (no
// TZID, no "Z"): an event record holds the wall-clock times of the user's
// day without a zone, and a floating time is read back by every calendar
// program as that same wall-clock time wherever it is opened. All-day events
// are VALUE=DATE. The UID is made from the record id, so a second export of
// the same calendar names the same events.
//
// Import streams the file: lines are read chunk by chunk, unfolded, and one
// VEVENT at a time is parsed (with the file's VTIMEZONEs), so memory holds
// one event and the time zones whatever the file's size. A time with a TZID
// or in UTC is converted to the user's local zone (the process's zone, TZ or
// /etc/localtime). What the record cannot hold (a COUNT, an EXDATE, a rule
// beyond the four repeat kinds, a second category, a multi-day span) is
// imported as near as the record allows and told per event as "kept in
// part"; an event that cannot be read at all is told as "not read". Nothing
// is dropped silently.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#include "calendar/model/EventRecord.h"
#include "calendar/model/EventSelection.h"
#include "importexport/ContactImport.h"
#include "store/RecordStore.h"
#include "store/Result.h"

namespace velmora {

// The file's first and last lines.
std::string ICalendarBegin();
std::string ICalendarEnd();
// One event as a VEVENT (CR LF line ends, long lines folded). stamp: the
// DTSTAMP, seconds since 1970 (UTC).
std::string ICalendarEvent(const EventRecord& event, std::time_t stamp);
// The events the options select, as an iCalendar file written to path
// through the suite's output routine (no wider readable than the calendar).
Result ExportICalendar(RecordStore& store, const ExportOptions& options, const std::string& path);
// The UID an event is exported under.
std::string ICalendarUid(uint64_t id);

// Whether the start of a file is an iCalendar file: its first line that is
// not blank (after a byte-order mark) is BEGIN:VCALENDAR.
bool LooksLikeICalendar(std::string_view fileStart);

// The file, piece by piece: next() fills chunk with the following bytes, an
// empty chunk at the end.
struct ICalendarInput {
  std::function<Result(std::string& chunk)> next;
};

// The longest unfolded line and the largest event read; longer ones are
// told as not read and skipped.
inline constexpr size_t kICalendarMaxLine = size_t(1) << 20;
inline constexpr size_t kICalendarMaxEvent = size_t(4) << 20;
// The time zones of one file together.
inline constexpr size_t kICalendarMaxZones = size_t(4) << 20;

// What a file that is not an iCalendar file is told.
inline constexpr std::string_view kNotAnICalendarFile =
    "The file is not an iCalendar file: expected BEGIN:VCALENDAR on its first line.";

// Imports the events of an iCalendar file into a calendar. counts tells
// what was read (linesRead counts the events), added, skipped as duplicate
// (the calendar import's duplicate test, also against events added earlier
// in the same import) and not read or kept in part, each with the line its
// event starts on. A Reader is refused with code 104 and nothing read; a
// file that is not iCalendar, or none of whose events could be read, is a
// failure that says why. progress is told after each event (done, 0);
// returning false cancels with counts.cancelled set, keeping what was added.
Result ImportICalendar(RecordStore& store, const ICalendarInput& input, ImportCounts& counts,
                       const ImportProgress& progress = {});
// The same over bytes in memory.
Result ImportICalendar(RecordStore& store, std::string_view fileBytes, ImportCounts& counts,
                       const ImportProgress& progress = {});

}  // namespace velmora
