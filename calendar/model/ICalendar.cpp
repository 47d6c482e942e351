#include "calendar/model/ICalendar.h"

#include <libical/ical.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <vector>

#include "calendar/model/CalendarImportCatalogue.h"
#include "importexport/TextFileOutput.h"
#include "calendar/model/Recurrence.h"
#include "store/Bytes.h"
#include "store/Dates.h"
#include "store/Refresh.h"

namespace velmora {

namespace {

// libical's errors are reported in its components (X-LIC-ERROR) and in its
// error state; none of them may end the process.
void QuietLibical() {
  static const bool done = [] {
    icalerror_set_errors_are_fatal(0);
    return true;
  }();
  (void)done;
}

struct CompFree {
  void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using CompPtr = std::unique_ptr<icalcomponent, CompFree>;

int Hour24(const TimeValue& t) { return int(t.hour % 12) + (t.half == kHalfPm ? 12 : 0); }

TimeValue FromHour24(int hour, int minute) {
  TimeValue t;
  t.hour = uint32_t(hour % 12);
  t.minute = uint32_t(minute);
  t.second = 0;
  t.half = hour >= 12 ? kHalfPm : kHalfAm;
  return t;
}

int MinuteOfDay(const TimeValue& t) { return Hour24(t) * 60 + int(t.minute); }

icaltimetype DateOnly(const DateValue& d) {
  icaltimetype t = icaltime_null_date();
  t.year = int(d.year);
  t.month = int(d.month);
  t.day = int(d.day);
  t.is_date = 1;
  return t;
}

icaltimetype Floating(const DateValue& d, int minuteOfDay) {
  icaltimetype t = icaltime_null_time();
  t.year = int(d.year);
  t.month = int(d.month);
  t.day = int(d.day);
  t.hour = minuteOfDay / 60;
  t.minute = minuteOfDay % 60;
  t.is_date = 0;
  return t;
}

// libical drops the spaces and tabs that start or end a value when it
// reads one; they are left out on both ways, so a text reads back as it was
// written.
std::string Trim(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
  const size_t first = text.find_first_not_of(" \t");
  text.erase(0, first == std::string::npos ? text.size() : first);
  return text;
}

std::string TwoDigits(int v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", v % 100);
  return buf;
}

std::string DateText(const DateValue& d) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04u%02u%02u", d.year % 10000, d.month % 100, d.day % 100);
  return buf;
}

const char* const kWeekdays[7] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

// The RRULE of a repeating event, as text.
std::string RuleText(const EventRecord& e) {
  const RepeatBlock r = e.repeat();
  std::string rule;
  switch (r.kind) {
    case event::kRepeatDaily: rule = "FREQ=DAILY"; break;
    case event::kRepeatWeekly: rule = "FREQ=WEEKLY"; break;
    case event::kRepeatMonthly: rule = "FREQ=MONTHLY"; break;
    case event::kRepeatYearly: rule = "FREQ=YEARLY"; break;
    default: return {};
  }
  rule += ";INTERVAL=" + std::to_string(EffectiveInterval(r.interval));
  if (r.kind == event::kRepeatWeekly) {
    std::string days;
    for (int k = 0; k < 7; ++k) {
      if (r.pattern & (1u << k)) days += std::string(days.empty() ? "" : ",") + kWeekdays[k];
    }
    if (!days.empty()) rule += ";BYDAY=" + days;
  } else if (r.kind == event::kRepeatMonthly) {
    rule += ";BYMONTHDAY=" + std::to_string(r.pattern);
  } else if (r.kind == event::kRepeatYearly) {
    rule += ";BYMONTH=" + std::to_string(r.pattern >> 16) + ";BYMONTHDAY=" + std::to_string(r.pattern & 0xFFFF);
  }
  if (r.end != kNoEndDate && DayNumber(r.end) != kInvalidDayNumber) {
    rule += ";UNTIL=" + DateText(r.end);
    if (!e.allDay()) rule += "T235959";
  }
  return rule;
}

}  // namespace

std::string ICalendarBegin() {
  return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Velmora//Almanor//EN\r\nCALSCALE:GREGORIAN\r\n";
}

std::string ICalendarEnd() { return "END:VCALENDAR\r\n"; }

std::string ICalendarUid(uint64_t id) { return std::to_string(id) + "@almanor.velmora"; }

std::string ICalendarEvent(const EventRecord& e, std::time_t stamp) {
  QuietLibical();
  CompPtr ev(icalcomponent_new_vevent());
  icalcomponent* c = ev.get();
  icalcomponent_add_property(c, icalproperty_new_uid(ICalendarUid(e.id()).c_str()));
  icalcomponent_add_property(c, icalproperty_new_dtstamp(icaltime_from_timet_with_zone(
                                    stamp, 0, icaltimezone_get_utc_timezone())));
  const DateValue date = e.eventDate();
  if (e.allDay()) {
    DateValue next = date;
    (void)NextDay(next);
    icalcomponent_add_property(c, icalproperty_new_dtstart(DateOnly(date)));
    if (next != date) icalcomponent_add_property(c, icalproperty_new_dtend(DateOnly(next)));
  } else {
    icalcomponent_add_property(c, icalproperty_new_dtstart(Floating(date, MinuteOfDay(e.startTime()))));
    icalcomponent_add_property(c, icalproperty_new_dtend(Floating(date, MinuteOfDay(e.endTime()))));
  }
  const std::string subject = Trim(e.subject());
  const std::string notes = Trim(e.notes());
  if (!subject.empty()) icalcomponent_add_property(c, icalproperty_new_summary(subject.c_str()));
  if (!notes.empty()) icalcomponent_add_property(c, icalproperty_new_description(notes.c_str()));
  if (e.confidential()) icalcomponent_add_property(c, icalproperty_new_class(ICAL_CLASS_CONFIDENTIAL));
  if (const std::string attachment = Trim(e.attachment());
      e.attachmentKind() != event::kAttachNone && !attachment.empty()) {
    const std::string target = e.attachmentKind() == event::kAttachDocument ? "file://" + attachment : attachment;
    icalattach* attach = icalattach_new_from_url(target.c_str());
    icalcomponent_add_property(c, icalproperty_new_attach(attach));
    icalattach_unref(attach);
  }
  if (e.repeats()) {
    const std::string rule = RuleText(e);
    if (!rule.empty()) {
      icalcomponent_add_property(c, icalproperty_new_rrule(icalrecurrencetype_from_string(rule.c_str())));
    }
  }
  if (e.alarmSet()) {
    // The alarm rings `lead` days before the event at the alarm time: as a
    // trigger relative to the start (midnight for an all-day event).
    const int start = e.allDay() ? 0 : MinuteOfDay(e.startTime());
    const int minutes = -int(e.alarmLead()) * 1440 + MinuteOfDay(e.alarmTime()) - start;
    icalcomponent* alarm = icalcomponent_new_valarm();
    icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
    icaltriggertype trigger;
    trigger.time = icaltime_null_time();
    trigger.duration = icaldurationtype_from_int(minutes * 60);
    icalcomponent_add_property(alarm, icalproperty_new_trigger(trigger));
    // A display alarm needs a description: the subject, or a word.
    icalcomponent_add_property(
        alarm, icalproperty_new_description(subject.empty() ? "Reminder" : subject.c_str()));
    icalcomponent_add_component(c, alarm);
  }
  char* text = icalcomponent_as_ical_string_r(c);
  std::string out = text ? text : "";
  free(text);
  // libical writes a comma inside CATEGORIES as it is, which splits the
  // category in two when read: the line is written here, escaped, before
  // the alarm (a category holds at most 29 bytes, so it needs no folding).
  if (const std::string category = Trim(e.category()); !category.empty()) {
    std::string line = "CATEGORIES:";
    for (char ch : category) {
      if (ch == '\\' || ch == ',' || ch == ';') line += '\\';
      if (ch == '\n') {
        line += "\\n";
      } else if (ch != '\r') {
        line += ch;
      }
    }
    line += "\n";
    size_t at = out.find("BEGIN:VALARM");
    if (at == std::string::npos) at = out.rfind("END:VEVENT");
    if (at == std::string::npos) at = out.size();
    out.insert(at, line);
  }
  // libical ends lines with LF after folding; the format's line end is CR LF.
  std::string crlf;
  crlf.reserve(out.size() + out.size() / 40);
  for (char ch : out) {
    if (ch == '\n' && (crlf.empty() || crlf.back() != '\r')) crlf += '\r';
    crlf += ch;
  }
  return crlf;
}

bool LooksLikeICalendar(std::string_view s) {
  if (s.substr(0, 3) == "\xEF\xBB\xBF") s.remove_prefix(3);
  size_t i = 0;
  while (i < s.size() && (s[i] == '\r' || s[i] == '\n' || s[i] == ' ' || s[i] == '\t')) ++i;
  s.remove_prefix(i);
  constexpr std::string_view kBegin = "BEGIN:VCALENDAR";
  if (s.size() < kBegin.size()) return false;
  for (size_t k = 0; k < kBegin.size(); ++k) {
    if (std::toupper(static_cast<unsigned char>(s[k])) != kBegin[k]) return false;
  }
  const std::string_view rest = s.substr(kBegin.size());
  return rest.empty() || rest[0] == '\r' || rest[0] == '\n' || rest[0] == ' ' || rest[0] == '\t';
}

namespace {

// A local wall-clock moment: a day number and the minute of that day.
struct LocalMoment {
  int32_t day = kInvalidDayNumber;
  int minute = 0;
  int second = 0;
  bool isDate = false;
};

bool MomentFromFields(int year, int month, int day, int hour, int minute, int second, LocalMoment& out) {
  const int32_t n = DayNumber(year, month, day);
  if (n == kInvalidDayNumber) return false;
  out.day = n;
  out.minute = hour * 60 + minute;
  out.second = second;
  return true;
}

// The time in the user's zone: a floating time as it is, a UTC time or a
// time with a zone converted.
bool ToLocal(icaltimetype t, LocalMoment& out) {
  if (icaltime_is_null_time(t) || !icaltime_is_valid_time(t)) return false;
  if (t.is_date) {
    out.isDate = true;
    return MomentFromFields(t.year, t.month, t.day, 0, 0, 0, out);
  }
  const icaltimezone* zone = t.zone;
  const bool utc = icaltime_is_utc(t);
  if (!zone && !utc) return MomentFromFields(t.year, t.month, t.day, t.hour, t.minute, t.second, out);
  if (!utc) icaltimezone_convert_time(&t, const_cast<icaltimezone*>(zone), icaltimezone_get_utc_timezone());
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  const std::time_t when = timegm(&tm);
  std::tm local{};
  if (!localtime_r(&when, &local)) return false;
  return MomentFromFields(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                          local.tm_sec, out);
}

std::string IsoOf(int32_t day) {
  DateValue d;
  return DateFromDayNumber(day, d) ? IsoDate(d) : std::string("?");
}

std::string HourMinute(int minute) { return TwoDigits(minute / 60) + ":" + TwoDigits(minute % 60); }

// Collects what an event lost, for one "kept in part" line.
struct Losses {
  std::vector<std::string> items;
  void Add(std::string text) { items.push_back(std::move(text)); }
  std::string Joined() const {
    std::string out;
    for (const std::string& s : items) out += (out.empty() ? "" : "; ") + s;
    return out;
  }
};

// Stores a text, telling when it was cut.
void PutField(const std::string& name, std::string_view text, size_t width, Losses& losses,
              const std::function<void(std::string_view)>& set) {
  // Bytes that are not UTF-8 are read as Windows-1252, as everywhere.
  std::string converted = IsValidUtf8(text) ? std::string(text) : Windows1252ToUtf8(text);
  converted = Trim(std::move(converted));
  text = converted;
  const size_t fits = Utf8CutLength(text, width - 1);
  set(text.substr(0, fits));
  if (fits < text.size()) {
    losses.Add(name + " longer than " + std::to_string(width - 1) + " bytes, cut");
  }
}

int WeekdayIndex(icalrecurrencetype_weekday w) { return int(w) - int(ICAL_SUNDAY_WEEKDAY); }

// The repeat block of an RRULE, as near as the record holds it.
void ApplyRule(const icalrecurrencetype& rule, const LocalMoment& start, EventRecord& e, Losses& losses) {
  DateValue date;
  (void)DateFromDayNumber(start.day, date);
  RepeatBlock block;
  block.end = kNoEndDate;
  int interval = rule.interval < 1 ? 1 : rule.interval;
  if (interval > 99) {
    losses.Add("INTERVAL=" + std::to_string(interval) + " kept as 99");
    interval = 99;
  }
  block.interval = uint32_t(interval);

  // The weekdays and their ordinals of BYDAY.
  uint32_t mask = 0;
  bool ordinals = false;
  for (int i = 0; i < ICAL_BY_DAY_SIZE && rule.by_day[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
    const int k = WeekdayIndex(icalrecurrencetype_day_day_of_week(rule.by_day[i]));
    if (k >= 0 && k < 7) mask |= 1u << k;
    if (icalrecurrencetype_day_position(rule.by_day[i]) != 0) ordinals = true;
  }
  const bool hasByDay = rule.by_day[0] != ICAL_RECURRENCE_ARRAY_MAX;
  const bool hasSetPos = rule.by_set_pos[0] != ICAL_RECURRENCE_ARRAY_MAX;
  const int monthDay0 = rule.by_month_day[0] != ICAL_RECURRENCE_ARRAY_MAX ? rule.by_month_day[0] : 0;
  const bool moreMonthDays = monthDay0 != 0 && rule.by_month_day[1] != ICAL_RECURRENCE_ARRAY_MAX;
  const int month0 = rule.by_month[0] != ICAL_RECURRENCE_ARRAY_MAX ? rule.by_month[0] : 0;
  const bool moreMonths = month0 != 0 && rule.by_month[1] != ICAL_RECURRENCE_ARRAY_MAX;
  const int startWeekday = WeekdayOf(start.day);

  switch (rule.freq) {
    case ICAL_DAILY_RECURRENCE:
      if (hasByDay && !ordinals && mask != 0) {
        // "Every weekday" and the like: a weekly series on those days.
        block.kind = event::kRepeatWeekly;
        block.pattern = mask;
        if (interval != 1) losses.Add("a daily rule on chosen weekdays every " + std::to_string(interval) +
                                      " days kept as every " + std::to_string(interval) + " weeks");
      } else {
        block.kind = event::kRepeatDaily;
        if (hasByDay) losses.Add("BYDAY of a daily rule not kept");
      }
      break;
    case ICAL_WEEKLY_RECURRENCE:
      block.kind = event::kRepeatWeekly;
      block.pattern = mask != 0 ? mask : (1u << startWeekday);
      if (ordinals) losses.Add("BYDAY ordinals not kept");
      break;
    case ICAL_MONTHLY_RECURRENCE:
      block.kind = event::kRepeatMonthly;
      block.pattern = date.day;
      if (monthDay0 > 0) {
        block.pattern = uint32_t(monthDay0);
        if (moreMonthDays) losses.Add("BYMONTHDAY kept as its first day " + std::to_string(monthDay0));
      } else if (monthDay0 < 0) {
        losses.Add("BYMONTHDAY=" + std::to_string(monthDay0) + " (counted from the month's end) kept as day " +
                   std::to_string(date.day));
      } else if (hasByDay) {
        losses.Add("BYDAY of a monthly rule (a weekday of the month) kept as day " + std::to_string(date.day) +
                   " of each month");
      }
      break;
    case ICAL_YEARLY_RECURRENCE: {
      block.kind = event::kRepeatYearly;
      uint32_t month = date.month, day = date.day;
      if (month0 > 0) month = uint32_t(month0);
      if (monthDay0 > 0) day = uint32_t(monthDay0);
      if (moreMonths || moreMonthDays || monthDay0 < 0) {
        losses.Add("BYMONTH/BYMONTHDAY kept as " + std::to_string(month) + "/" + std::to_string(day));
      }
      if (hasByDay) losses.Add("BYDAY of a yearly rule kept as " + std::to_string(month) + "/" + std::to_string(day));
      block.pattern = month * 65536u + day;
      break;
    }
    default:
      losses.Add("a repeat rule more often than daily not kept: a one-off event");
      return;
  }
  if (hasSetPos) losses.Add("BYSETPOS not kept");

  bool untilRead = false;
  if (!icaltime_is_null_time(rule.until)) {
    LocalMoment until;
    untilRead = ToLocal(rule.until, until);
    if (untilRead) {
      // A date-time UNTIL in UTC may fall on another local day; the series
      // holds whole days.
      DateValue end;
      (void)DateFromDayNumber(until.day < start.day ? start.day : until.day, end);
      block.end = end;
    } else {
      losses.Add("UNTIL outside 1800-01-01..2199-12-31, kept as no end date");
    }
  } else if (rule.count > 0) {
    // The last of COUNT occurrences as the end date.
    int32_t day = kInvalidDayNumber;
    int32_t from = start.day;
    int n = 0;
    for (; n < rule.count; ++n) {
      const int32_t next = FirstOccurrenceFrom(block, start.day, from);
      if (next == kInvalidDayNumber) break;
      day = next;
      from = next + 1;
    }
    if (day != kInvalidDayNumber && n == rule.count) {
      DateValue end;
      (void)DateFromDayNumber(day, end);
      block.end = end;
      losses.Add("COUNT=" + std::to_string(rule.count) + " kept as the end date " + IsoDate(end));
    } else {
      losses.Add("COUNT=" + std::to_string(rule.count) + " runs past 2199, kept as no end date");
    }
  }
  if (block.end == kNoEndDate && untilRead) {
    losses.Add("UNTIL 2020-12-31 reads as no end date");
  }
  e.setRepeat(block);
}

struct ParsedEvent {
  bool ok = false;
  std::string reason;  // not read
  Losses losses;       // kept in part
};

std::string PropertyText(icalproperty* p) {
  const char* v = icalproperty_get_value_as_string(p);
  return v ? v : "";
}

// Fills a new event from one VEVENT.
ParsedEvent FillEvent(icalcomponent* ev, EventRecord& e) {
  ParsedEvent r;
  Losses& losses = r.losses;
  for (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_XLICERROR_PROPERTY); p;
       p = icalcomponent_get_next_property(ev, ICAL_XLICERROR_PROPERTY)) {
    const std::string text = icalproperty_get_xlicerror(p) ? icalproperty_get_xlicerror(p) : "";
    // A property without a value loses nothing.
    if (text.rfind("No value for ", 0) == 0) continue;
    losses.Add("a line that could not be read: " + text);
  }
  icalproperty* dtstartProp = icalcomponent_get_first_property(ev, ICAL_DTSTART_PROPERTY);
  if (!dtstartProp) {
    r.reason = "no start (DTSTART)";
    return r;
  }
  const icaltimetype dtstart = icalcomponent_get_dtstart(ev);
  LocalMoment start;
  if (!ToLocal(dtstart, start)) {
    r.reason = "a start (DTSTART) that is not a date from 1800-01-01 to 2199-12-31";
    return r;
  }
  // A zone the file does not describe and that has no known name: its
  // times are read as local times, and that is told.
  if (icalparameter* tzid = icalproperty_get_first_parameter(dtstartProp, ICAL_TZID_PARAMETER);
      tzid && !dtstart.zone && !dtstart.is_date && !icaltime_is_utc(dtstart)) {
    const char* name = icalparameter_get_tzid(tzid);
    losses.Add(std::string("time zone ") + (name ? name : "") + " unknown, its times read as local times");
  }
  const bool allDay = start.isDate;
  DateValue date;
  (void)DateFromDayNumber(start.day, date);
  e.setEventDate(date);
  e.setAllDay(allDay);

  // The end: DTEND, else DTSTART + DURATION, else the start.
  LocalMoment end = start;
  bool hasEnd = false;
  if (icalcomponent_get_first_property(ev, ICAL_DTEND_PROPERTY) ||
      icalcomponent_get_first_property(ev, ICAL_DURATION_PROPERTY)) {
    const icaltimetype dtend = icalcomponent_get_dtend(ev);
    hasEnd = ToLocal(dtend, end);
    if (!hasEnd) {
      losses.Add("an end (DTEND) that could not be read");
      end = start;
    }
  }
  if (allDay) {
    if (hasEnd && end.day > start.day + 1) {
      losses.Add("an all-day event to " + IsoOf(end.day - 1) + " kept on its first day");
    }
    e.setStartTime(FromHour24(0, 0));
    e.setEndTime(FromHour24(0, 0));
  } else {
    int startMinute = start.minute;
    int endMinute = end.minute;
    if (end.day > start.day) {
      losses.Add("an event ending on " + IsoOf(end.day) + " at " + HourMinute(end.minute) + " kept to 23:55");
      endMinute = 23 * 60 + 55;
    } else if (end.day < start.day || endMinute < startMinute) {
      losses.Add("an end before the start kept as the start");
      endMinute = startMinute;
    }
    // The record keeps times on five-minute steps.
    if (startMinute % 5 != 0 || start.second != 0) {
      losses.Add("start " + HourMinute(startMinute) + " kept as " + HourMinute(startMinute - startMinute % 5));
    }
    if (endMinute % 5 != 0 || (end.second != 0 && end.day == start.day)) {
      losses.Add("end " + HourMinute(endMinute) + " kept as " + HourMinute(endMinute - endMinute % 5));
    }
    startMinute -= startMinute % 5;
    endMinute -= endMinute % 5;
    e.setStartTime(FromHour24(startMinute / 60, startMinute % 60));
    e.setEndTime(FromHour24(endMinute / 60, endMinute % 60));
  }

  // Texts.
  if (const char* summary = icalcomponent_get_summary(ev)) {
    PutField("SUMMARY", summary, event::kSubjectWidth, losses, [&](std::string_view t) { e.setSubject(t); });
  }
  {
    // The place has no field of its own: it goes to the notes.
    std::string notes;
    if (const char* description = icalcomponent_get_description(ev)) notes = description;
    if (const char* location = icalcomponent_get_location(ev); location && *location) {
      notes += (notes.empty() ? "" : "\n") + std::string("Location: ") + location;
    }
    if (icalproperty* url = icalcomponent_get_first_property(ev, ICAL_URL_PROPERTY)) {
      if (const char* link = icalproperty_get_url(url); link && *link) {
        notes += (notes.empty() ? "" : "\n") + std::string("URL: ") + link;
      }
    }
    PutField("DESCRIPTION", notes, event::kNotesWidth, losses, [&](std::string_view t) { e.setNotes(t); });
  }
  {
    std::vector<std::string> categories;
    for (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_CATEGORIES_PROPERTY); p;
         p = icalcomponent_get_next_property(ev, ICAL_CATEGORIES_PROPERTY)) {
      // libical reads "CATEGORIES:a,b" as one property per value; an
      // escaped comma stays inside its value.
      const char* v = icalproperty_get_categories(p);
      if (v && *v) categories.push_back(v);
    }
    if (!categories.empty()) {
      PutField("CATEGORIES", categories[0], 30, losses, [&](std::string_view t) { e.setCategory(t); });
      if (categories.size() > 1) {
        std::string rest;
        for (size_t i = 1; i < categories.size(); ++i) rest += (i > 1 ? "," : "") + categories[i];
        losses.Add("categories after the first not kept: " + rest);
      }
    }
  }
  if (icalproperty* cls = icalcomponent_get_first_property(ev, ICAL_CLASS_PROPERTY)) {
    const icalproperty_class v = icalproperty_get_class(cls);
    if (v == ICAL_CLASS_CONFIDENTIAL || v == ICAL_CLASS_PRIVATE) e.setConfidential(true);
  }
  {
    int attachments = 0;
    for (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_ATTACH_PROPERTY); p;
         p = icalcomponent_get_next_property(ev, ICAL_ATTACH_PROPERTY)) {
      icalattach* a = icalproperty_get_attach(p);
      if (!a || !icalattach_get_is_url(a)) {
        losses.Add("an attachment held inside the file not kept");
        continue;
      }
      if (++attachments > 1) {
        losses.Add("attachments after the first not kept");
        break;
      }
      std::string url = icalattach_get_url(a) ? icalattach_get_url(a) : "";
      uint8_t kind = event::kAttachUrl;
      if (url.rfind("file://", 0) == 0) {
        url.erase(0, 7);
        kind = event::kAttachDocument;
      }
      e.setAttachmentKind(kind);
      PutField("ATTACH", url, event::kPathWidth, losses, [&](std::string_view t) { e.setAttachment(t); });
    }
  }

  // Recurrence.
  int rules = 0;
  for (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_RRULE_PROPERTY); p;
       p = icalcomponent_get_next_property(ev, ICAL_RRULE_PROPERTY)) {
    if (++rules > 1) {
      losses.Add("a second RRULE not kept");
      break;
    }
    ApplyRule(icalproperty_get_rrule(p), start, e, losses);
  }
  for (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_EXDATE_PROPERTY); p;
       p = icalcomponent_get_next_property(ev, ICAL_EXDATE_PROPERTY)) {
    LocalMoment ex;
    const std::string when = ToLocal(icalproperty_get_exdate(p), ex) ? IsoOf(ex.day) : PropertyText(p);
    losses.Add("EXDATE " + when + " not kept: the event occurs on that day too");
  }
  for (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_RDATE_PROPERTY); p;
       p = icalcomponent_get_next_property(ev, ICAL_RDATE_PROPERTY)) {
    losses.Add("RDATE " + PropertyText(p) + " not kept");
  }
  if (icalcomponent_get_first_property(ev, ICAL_RECURRENCEID_PROPERTY) && !e.repeats()) {
    losses.Add("a changed occurrence (RECURRENCE-ID) added as an event of its own");
  }

  // Alarm settings: defaults of a new event, then the first VALARM.
  e.setStartAction(event::kStartDocument);
  e.setAlarmReferenceDate(date);
  e.setAlarmTime(e.startTime());
  int alarms = 0;
  for (icalcomponent* a = icalcomponent_get_first_component(ev, ICAL_VALARM_COMPONENT); a;
       a = icalcomponent_get_next_component(ev, ICAL_VALARM_COMPONENT)) {
    if (++alarms > 1) {
      losses.Add("alarms after the first not kept");
      break;
    }
    icalproperty* tp = icalcomponent_get_first_property(a, ICAL_TRIGGER_PROPERTY);
    if (!tp) {
      losses.Add("an alarm without a TRIGGER not kept");
      continue;
    }
    const icaltriggertype trigger = icalproperty_get_trigger(tp);
    LocalMoment ring;
    if (!icaltime_is_null_time(trigger.time)) {
      if (!ToLocal(trigger.time, ring)) {
        losses.Add("an alarm at a time that could not be read not kept");
        continue;
      }
    } else {
      const bool fromEnd = icalproperty_get_first_parameter(tp, ICAL_RELATED_PARAMETER) &&
                           icalparameter_get_related(icalproperty_get_first_parameter(tp, ICAL_RELATED_PARAMETER)) ==
                               ICAL_RELATED_END;
      const LocalMoment& base = fromEnd && hasEnd ? end : start;
      const int64_t seconds = icaldurationtype_as_int(trigger.duration);
      int64_t total = int64_t(base.day) * 1440 + (base.isDate ? 0 : base.minute);
      // Whole minutes; an alarm a few seconds early rings at its minute.
      total += seconds >= 0 ? seconds / 60 : -((-seconds + 59) / 60);
      int64_t day = total >= 0 ? total / 1440 : -((-total + 1439) / 1440);
      ring.day = int32_t(day);
      ring.minute = int(total - day * 1440);
    }
    int64_t lead = int64_t(start.day) - ring.day;
    int minute = ring.minute;
    if (lead < 0) {
      losses.Add("an alarm after the event's day kept on its day");
      lead = 0;
      minute = 23 * 60 + 55;
    } else if (lead > 99) {
      losses.Add("an alarm " + std::to_string(lead) + " days ahead kept as 99 days ahead");
      lead = 99;
    }
    if (minute % 5 != 0) {
      losses.Add("alarm time " + HourMinute(minute) + " kept as " + HourMinute(minute - minute % 5));
      minute -= minute % 5;
    }
    e.setAlarmSet(true);
    e.setAlarmLead(uint32_t(lead));
    e.setAlarmTime(FromHour24(minute / 60, minute % 60));
  }
  r.ok = true;
  return r;
}

// Lines of the file, unfolded, with the line each starts on.
class LineReader {
 public:
  explicit LineReader(const ICalendarInput& input) : input_(input) {}

  // false at the end of the file; status() tells a read failure.
  bool Next(std::string& line, size_t& lineNumber, bool& tooLong) {
    tooLong = false;
    for (;;) {
      std::string physical;
      bool physicalLong = false;
      if (!havePending_) {
        if (!ReadPhysical(pending_, pendingLong_)) return false;
        pendingNumber_ = ++physicalNumber_;
        havePending_ = true;
      }
      line.swap(pending_);
      tooLong = pendingLong_;
      lineNumber = pendingNumber_;
      havePending_ = false;
      // Continuation lines start with a space or a tab.
      for (;;) {
        if (!ReadPhysical(physical, physicalLong)) return true;
        ++physicalNumber_;
        if (!physical.empty() && (physical[0] == ' ' || physical[0] == '\t')) {
          if (line.size() + physical.size() > kICalendarMaxLine) {
            tooLong = true;
          } else {
            line.append(physical, 1);
          }
          tooLong = tooLong || physicalLong;
          continue;
        }
        pending_.swap(physical);
        pendingLong_ = physicalLong;
        pendingNumber_ = physicalNumber_;
        havePending_ = true;
        return true;
      }
    }
  }
  const Result& status() const { return status_; }

 private:
  // One physical line without its line end (LF, CR LF or CR).
  bool ReadPhysical(std::string& out, bool& tooLong) {
    out.clear();
    tooLong = false;
    bool any = false;
    for (;;) {
      if (pos_ >= chunk_.size()) {
        if (ended_) return any;
        chunk_.clear();
        pos_ = 0;
        if (Result read = input_.next(chunk_); !read.ok()) {
          status_ = read;
          ended_ = true;
          return false;
        }
        if (chunk_.empty()) {
          ended_ = true;
          return any;
        }
        if (first_) {
          first_ = false;
          if (chunk_.rfind("\xEF\xBB\xBF", 0) == 0) pos_ = 3;
        }
        continue;
      }
      if (skipLf_) {
        skipLf_ = false;
        if (chunk_[pos_] == '\n') {
          ++pos_;
          continue;
        }
      }
      any = true;
      const size_t stop = chunk_.find_first_of("\r\n", pos_);
      const size_t end = stop == std::string::npos ? chunk_.size() : stop;
      if (out.size() + (end - pos_) > kICalendarMaxLine) {
        tooLong = true;
      } else {
        out.append(chunk_, pos_, end - pos_);
      }
      pos_ = end;
      if (stop == std::string::npos) continue;
      skipLf_ = chunk_[pos_] == '\r';
      ++pos_;
      return true;
    }
  }

  const ICalendarInput& input_;
  std::string chunk_;
  size_t pos_ = 0;
  bool ended_ = false;
  bool first_ = true;
  bool skipLf_ = false;
  size_t physicalNumber_ = 0;
  std::string pending_;
  bool pendingLong_ = false;
  size_t pendingNumber_ = 0;
  bool havePending_ = false;
  Result status_ = Result::Ok();
};

// The name of a BEGIN: or END: line, upper case; empty for other lines.
std::string ComponentName(const std::string& line, std::string_view keyword) {
  if (line.size() <= keyword.size()) return {};
  for (size_t k = 0; k < keyword.size(); ++k) {
    if (std::toupper(static_cast<unsigned char>(line[k])) != keyword[k]) return {};
  }
  std::string name = line.substr(keyword.size());
  while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
  for (char& c : name) c = char(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

class Importer {
 public:
  Importer(RecordStore& store, ImportCounts& counts, const ImportProgress& progress)
      : store_(store), counts_(counts), progress_(progress), acceptor_(store, ImportClock{Today(), Now(5)}) {
    pending_.reserve(kImportBatchRecords * event::kRecordSize);
  }
  ~Importer() {
    if (zones_) icalcomponent_free(zones_);
  }

  Result Run(const ICalendarInput& input) {
    LineReader reader(input);
    std::string line;
    size_t lineNumber = 0;
    bool tooLong = false;
    bool sawCalendar = false;
    // Depth below VCALENDAR; the component being collected.
    enum class In { Outside, Calendar, Event, Zone, Other } in = In::Outside;
    int depth = 0;
    std::string collected;
    size_t startLine = 0;
    bool eventTooLong = false;
    std::string otherName;
    while (reader.Next(line, lineNumber, tooLong)) {
      const std::string begin = ComponentName(line, "BEGIN:");
      const std::string end = ComponentName(line, "END:");
      switch (in) {
        case In::Outside:
          if (begin == "VCALENDAR") {
            in = In::Calendar;
            sawCalendar = true;
          } else if (!sawCalendar && !IsBlank(line)) {
            return Result::Fail(std::string(kNotAnICalendarFile));
          }
          break;
        case In::Calendar:
          if (end == "VCALENDAR") {
            in = In::Outside;
          } else if (begin == "VEVENT" || begin == "VTIMEZONE") {
            in = begin == "VEVENT" ? In::Event : In::Zone;
            depth = 0;
            collected = line + "\r\n";
            startLine = lineNumber;
            eventTooLong = tooLong;
          } else if (!begin.empty()) {
            in = In::Other;
            otherName = begin;
            depth = 0;
            startLine = lineNumber;
          }
          break;
        case In::Event:
        case In::Zone:
          if (tooLong || collected.size() + line.size() > kICalendarMaxEvent) {
            eventTooLong = true;
          } else {
            collected += line;
            collected += "\r\n";
          }
          if (!begin.empty()) ++depth;
          if (!end.empty() && depth-- == 0) {
            if (in == In::Event) {
              if (Result done = OneEvent(collected, startLine, eventTooLong); !done.ok()) return done;
              if (counts_.cancelled) return Finish();
            } else {
              AddZone(collected, startLine, eventTooLong);
            }
            collected.clear();
            collected.shrink_to_fit();
            in = In::Calendar;
          }
          break;
        case In::Other:
          if (!begin.empty()) ++depth;
          if (!end.empty() && depth-- == 0) {
            // Tasks, journal entries and free/busy times are not events;
            // other components (a vendor's own) hold no user data.
            if (otherName == "VTODO" || otherName == "VJOURNAL" || otherName == "VFREEBUSY") {
              ++counts_.linesRead;
              counts_.unread.push_back({startLine, "a " + otherName + " is not an event"});
            }
            in = In::Calendar;
          }
          break;
      }
    }
    if (!reader.status().ok()) return reader.status();
    if (!sawCalendar) return Result::Fail(std::string(kNotAnICalendarFile));
    if (in == In::Event) {
      ++counts_.linesRead;
      counts_.unread.push_back({startLine, "the event has no END:VEVENT"});
    }
    if (Result finished = Finish(); !finished.ok()) return finished;
    if (counts_.linesRead > 0 && counts_.added == 0 && counts_.duplicates == 0 && !counts_.unread.empty()) {
      return Result::Fail("None of the file's " + std::to_string(counts_.linesRead) +
                          " events could be read: " + counts_.unread.front().reason);
    }
    return Result::Ok();
  }

 private:
  static bool IsBlank(const std::string& line) {
    return line.find_first_not_of(" \t") == std::string::npos;
  }

  void AddZone(const std::string& text, size_t line, bool tooLong) {
    zoneBytes_ += text.size();
    if (tooLong || zoneBytes_ > kICalendarMaxZones) {
      counts_.partly.push_back({line, "a time zone (VTIMEZONE) too long to read; its times are read as UTC"});
      return;
    }
    if (!zones_) zones_ = icalcomponent_new_vcalendar();
    icalcomponent* zone = icalparser_parse_string(text.c_str());
    if (!zone) return;
    if (icalcomponent_isa(zone) != ICAL_VTIMEZONE_COMPONENT) {
      icalcomponent_free(zone);
      return;
    }
    icalcomponent_add_component(zones_, zone);
  }

  Result OneEvent(const std::string& text, size_t line, bool tooLong) {
    ++counts_.linesRead;
    if (tooLong) {
      counts_.unread.push_back({line, "the event is longer than the import reads (a line over " +
                                          std::to_string(kICalendarMaxLine >> 20) + " MB or an event over " +
                                          std::to_string(kICalendarMaxEvent >> 20) + " MB)"});
      return Progress();
    }
    icalcomponent* parsed = text.find('\0') == std::string::npos ? icalparser_parse_string(text.c_str()) : nullptr;
    if (!parsed || icalcomponent_isa(parsed) != ICAL_VEVENT_COMPONENT) {
      if (parsed) icalcomponent_free(parsed);
      counts_.unread.push_back({line, "the event could not be read"});
      return Progress();
    }
    // In the calendar of the file's time zones, so that its TZIDs resolve.
    if (!zones_) zones_ = icalcomponent_new_vcalendar();
    icalcomponent_add_component(zones_, parsed);
    EventRecord record = NewEventRecord(store_);
    ParsedEvent result = FillEvent(parsed, record);
    icalcomponent_remove_component(zones_, parsed);
    icalcomponent_free(parsed);
    if (!result.ok) {
      counts_.unread.push_back({line, result.reason});
      return Progress();
    }
    EventRecord probe = record;
    if (!acceptor_.Accept(probe)) {
      if (!acceptor_.status().ok()) return Stopped(acceptor_.status(), line);
      ++counts_.duplicates;
      return Progress();
    }
    if (!result.losses.items.empty()) counts_.partly.push_back({line, result.losses.Joined()});
    pending_.insert(pending_.end(), record.bytes().begin(), record.bytes().begin() + event::kRecordSize);
    lastLine_ = line;
    if (++pendingCount_ == kImportBatchRecords) {
      if (Result flushed = Flush(); !flushed.ok()) return flushed;
    }
    return Progress();
  }

  Result Progress() {
    if (progress_ && !progress_(counts_.linesRead, 0)) counts_.cancelled = true;
    return Result::Ok();
  }

  Result Stopped(const Result& why, size_t line) {
    return why.Reworded(why.what() + " (the import stopped at line " + std::to_string(line) + " after adding " +
                        std::to_string(counts_.added) + " events)");
  }

  Result Flush() {
    if (pendingCount_ == 0) return Result::Ok();
    size_t added = 0;
    Result written = store_.AddRecords(pending_, &added);
    counts_.added += added;
    pending_.clear();
    pendingCount_ = 0;
    if (!written.ok()) return Stopped(written, lastLine_);
    return written;
  }

  Result Finish() { return Flush(); }

  RecordStore& store_;
  ImportCounts& counts_;
  const ImportProgress& progress_;
  CalendarImportAcceptor acceptor_;
  icalcomponent* zones_ = nullptr;
  size_t zoneBytes_ = 0;
  Bytes pending_;
  size_t pendingCount_ = 0;
  size_t lastLine_ = 0;
};

}  // namespace

Result ImportICalendar(RecordStore& store, const ICalendarInput& input, ImportCounts& counts,
                       const ImportProgress& progress) {
  QuietLibical();
  if (!store.IsOpen()) return Result::Fail("The calendar file is not open:", 0, store.path());
  if (store.GetAccessLevel() == kAccessReader) return Result(kReaderRefused);
  if (store.recordSize() != event::kRecordSize) {
    return Result::Fail("Not a calendar file (its records are not events):", 0, store.path());
  }
  const bool refreshWas = RefreshAllowed();
  SetRefreshAllowed(false);
  Importer importer(store, counts, progress);
  Result result = importer.Run(input);
  SetRefreshAllowed(refreshWas);
  return result;
}

Result ImportICalendar(RecordStore& store, std::string_view fileBytes, ImportCounts& counts,
                       const ImportProgress& progress) {
  bool given = false;
  ICalendarInput input;
  input.next = [&](std::string& chunk) {
    chunk.clear();
    if (!given) chunk.assign(fileBytes);
    given = true;
    return Result::Ok();
  };
  return ImportICalendar(store, input, counts, progress);
}

Result ExportICalendar(RecordStore& store, const ExportOptions& options, const std::string& path) {
  std::vector<SelectedEvent> events;
  if (Result selected = SelectEvents(store, options, events); !selected) return selected;
  const std::time_t stamp = std::time(nullptr);
  std::string text = ICalendarBegin();
  for (const SelectedEvent& e : events) text += ICalendarEvent(e.record, stamp);
  text += ICalendarEnd();
  return WriteTextFile(path, text, "Cannot create the export file",
                       OutputMode::NoWiderThanFile(FileSystem::Default(), store.path()));
}

}  // namespace velmora
