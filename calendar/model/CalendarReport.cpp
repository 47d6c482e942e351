#include "calendar/model/CalendarReport.h"

#include <algorithm>

#include "importexport/TextFileOutput.h"
#include "resources/Strings.h"
#include "store/Settings.h"

namespace velmora {

namespace {

constexpr const char* kRule = "----------------------------------------\r\n";  // 40 hyphens

std::string TimeRange(const EventRecord& e, const char* separator) {
  return FormatTime(e.startTime()) + separator + FormatTime(e.endTime());
}

void AppendDayEvent(std::string& out, const EventRecord& e) {
  out += e.allDay() ? "All day event" : TimeRange(e, " - ");
  out += "\r\n";
  out += e.subject() + "\r\n";
  const std::string category = e.category();
  if (!category.empty()) out += "Category: " + category + "\r\n";
  const std::string notes = e.notes();
  if (!notes.empty()) out += "Notes: " + notes + "\r\n";
  out += "\r\n";
}

void AppendListedEvent(std::string& out, const EventRecord& e) {
  out += "Date: " + FormatDate(e.eventDate()) + "\r\n";
  out += "Time: " + (e.allDay() ? std::string("All day event") : TimeRange(e, " - ")) + "\r\n";
  out += "Subject: " + e.subject() + "\r\n";
  out += "Category: " + e.category() + "\r\n";
  out += "Notes: " + e.notes() + "\r\n\r\n";
}

// Days of a date range loaded at once while streaming a report.
constexpr int32_t kDaysPerStretch = 366;

std::string DayText(const DayAgenda& agenda, size_t day) {
  std::string out = ReportDayLine(agenda.DateAt(day));
  out += kRule;
  for (uint32_t index : agenda.EventsOn(day)) AppendDayEvent(out, agenda.event(index));
  return out;
}

// The dates an event-list report's header shows.
void ListReportDates(const std::vector<SelectedEvent>& events, bool headerFromEvents, const DateValue& today,
                     DateValue& first, DateValue& last) {
  if (!headerFromEvents) return;
  // Events are in event order, so the valid dates run from the first valid
  // one to the last.
  first = last = today;
  bool found = false;
  for (const SelectedEvent& e : events) {
    const DateValue date = e.record.eventDate();
    if (DayNumber(date) == kInvalidDayNumber) continue;
    if (!found) first = date;
    last = date;
    found = true;
  }
}

Result Stopped() { return Result::Fail("The report was not written to the end"); }

}  // namespace

std::string ReportHeader(const DateValue& from, const DateValue& to) {
  return "Almanor Report (from " + FormatDate(from) + " to " + FormatDate(to) + ")\r\n\r\n";
}

std::string ReportDayLine(const DateValue& date) {
  const std::string weekday = WeekdayName(Weekday(date.year, date.month, date.day));
  const std::string month = MonthName(int(date.month));
  return weekday + ", " + month + " " + std::to_string(date.day) + ", " + std::to_string(date.year) + "\r\n";
}

std::string FormatDayRangeReport(const DayAgenda& agenda, const DateValue& from, const DateValue& to,
                                 const ReportProgress& progress) {
  std::string out = ReportHeader(from, to);
  if (progress.begin) progress.begin(agenda.dayCount());
  for (size_t day = 0; day < agenda.dayCount(); ++day) {
    const auto& events = agenda.EventsOn(day);
    if (!events.empty()) out += DayText(agenda, day);
    if (progress.step) progress.step();
  }
  if (progress.end) progress.end();
  return out;
}

std::string FormatEventListReport(const std::vector<SelectedEvent>& events, const DateValue& from,
                                  const DateValue& to, bool headerFromEvents, const DateValue& today) {
  DateValue first = from, last = to;
  ListReportDates(events, headerFromEvents, today, first, last);
  std::string out = ReportHeader(first, last);
  for (const SelectedEvent& e : events) AppendListedEvent(out, e.record);
  return out;
}

Result MakeCalendarReport(RecordStore& store, const ExportOptions& options, const DateValue& today,
                          std::string& text, const ReportProgress& progress) {
  text.clear();
  if (options.range == EventRange::DateRange) {
    EventFilter filter;
    filter.subjectFilter = options.subjectFilter;
    filter.subject = options.subject;
    DayAgenda agenda;
    Result loaded = LoadDayAgenda(store, options.from, options.to, filter, agenda);
    if (!loaded) return loaded;
    text = FormatDayRangeReport(agenda, options.from, options.to, progress);
    return Result::Ok();
  }
  std::vector<SelectedEvent> events;
  Result selected = SelectEvents(store, options, events);
  if (!selected) return selected;
  text = FormatEventListReport(events, options.from, options.to, options.range == EventRange::All, today);
  return Result::Ok();
}

Result StreamCalendarReport(RecordStore& store, const ExportOptions& options, const DateValue& today,
                            const ReportSink& write) {
  if (options.range == EventRange::DateRange) {
    EventFilter filter;
    filter.subjectFilter = options.subjectFilter;
    filter.subject = options.subject;
    const int32_t firstDay = DayNumber(options.from), lastDay = DayNumber(options.to);
    if (firstDay == kInvalidDayNumber || lastDay == kInvalidDayNumber || firstDay > lastDay) {
      return Result::Fail("The report needs a valid date range");
    }
    if (!write(ReportHeader(options.from, options.to))) return Stopped();
    for (int32_t start = firstDay; start <= lastDay; start += kDaysPerStretch) {
      DateValue from, to;
      (void)DateFromDayNumber(start, from);
      (void)DateFromDayNumber(std::min(lastDay, start + kDaysPerStretch - 1), to);
      DayAgenda agenda;
      Result loaded = LoadDayAgenda(store, from, to, filter, agenda);
      if (!loaded) return loaded;
      for (size_t day = 0; day < agenda.dayCount(); ++day) {
        if (!agenda.EventsOn(day).empty() && !write(DayText(agenda, day))) return Stopped();
      }
      if (lastDay - start < kDaysPerStretch) break;
    }
    return Result::Ok();
  }
  std::vector<SelectedEvent> events;
  Result selected = SelectEvents(store, options, events);
  if (!selected) return selected;
  DateValue first = options.from, last = options.to;
  ListReportDates(events, options.range == EventRange::All, today, first, last);
  if (!write(ReportHeader(first, last))) return Stopped();
  std::string text;
  for (const SelectedEvent& e : events) {
    text.clear();
    AppendListedEvent(text, e.record);
    if (!write(text)) return Stopped();
  }
  return Result::Ok();
}

Result WriteCalendarReport(RecordStore& store, const ExportOptions& options, const std::string& path,
                           std::string& text, const ReportProgress& progress) {
  Result made = MakeCalendarReport(store, options, Today(), text, progress);
  if (!made) return made;
  // The report carries the calendar's events: no wider readable than it.
  return WriteTextFile(path, text, "Cannot create the report file",
                       OutputMode::NoWiderThanFile(FileSystem::Default(), store.path()));
}


}  // namespace velmora
