// `agenda`, `export`, `report` and `alarms`: the calendar's views of its
// events, through a connection opened with the user's password.
#include <algorithm>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "calendar/model/Alarms.h"
#include "calendar/model/CalendarExport.h"
#include "calendar/model/CalendarReport.h"
#include "calendar/model/DayAgenda.h"
#include "calendar/model/EventSelection.h"
#include "calendar/model/ICalendar.h"
#include "importexport/RecordJson.h"
#include "resources/Strings.h"
#include "store/Dates.h"
#include "tools/Commands.h"
#include "tools/Interruption.h"
#include "tools/TextOutput.h"
#include "tools/ToolSupport.h"

namespace velmora::tool {

namespace {

using nlohmann::ordered_json;

// Opens a calendar file; the reason when it cannot be opened or holds no
// calendar.
ResultOf<std::unique_ptr<RecordStore>> OpenCalendar(const Arguments& args) {
  const std::string& path = args.positional()[0];
  ResultOf<OpenedStore> opened = OpenWithPassword(path, args.ValueOr("--password", ""));
  if (!opened.ok()) return opened.result();
  if (opened->kind != format::FileKind::Calendar) return Result::Fail("Not a calendar file: \"" + path + "\"");
  return std::move(opened.value().store);
}

ResultOf<DateValue> DateOption(const Arguments& args, const std::string& option) {
  std::optional<std::string> text = args.Value(option);
  DateValue date;
  if (text && ParseIsoDate(*text, date)) return date;
  return Result::Fail(option + ": expected a date \"YYYY-MM-DD\" from 1800-01-01 to 2199-12-31");
}

// --from and --to together (a date range), or neither; a failure when they
// are incomplete, malformed or out of order.
Result OptionalRange(const Arguments& args, bool& given, DateValue& from, DateValue& to) {
  const bool hasFrom = args.Value("--from").has_value();
  const bool hasTo = args.Value("--to").has_value();
  given = hasFrom || hasTo;
  if (!given) return Result::Ok();
  if (hasFrom != hasTo) return Result::Fail("Give both --from and --to, or neither.");
  const ResultOf<DateValue> first = DateOption(args, "--from");
  if (!first.ok()) return first.result();
  const ResultOf<DateValue> last = DateOption(args, "--to");
  if (!last.ok()) return last.result();
  from = first.value();
  to = last.value();
  if (!DateRangeAcceptable(from, to)) return Result::Fail(LoadText(kMsgFromAfterTo));
  return Result::Ok();
}

// The options of the Export and Print Report dialogs from the command line:
// "All", or "Date range" with --from and --to, and the subject filter.
Result SelectionOptions(const Arguments& args, ExportOptions& options) {
  bool ranged = false;
  if (Result range = OptionalRange(args, ranged, options.from, options.to); !range.ok()) return range;
  options.range = ranged ? EventRange::DateRange : EventRange::All;
  if (std::optional<std::string> subject = args.Value("--subject")) {
    if (subject->size() > kMaxSubjectFilterLength) {
      return Result::Fail("--subject: at most " + std::to_string(kMaxSubjectFilterLength) + " bytes");
    }
    options.subjectFilter = true;
    options.subject = *subject;
  }
  return Result::Ok();
}

// Writing an export or report over the calendar itself would destroy it.
Result DistinctOutput(const std::string& calendar, const std::string& output) {
  std::error_code ec;
  if (!std::filesystem::equivalent(calendar, output, ec)) return Result::Ok();
  return Result::Fail("The output file is the calendar file itself: \"" + output + "\"");
}

// Days of a range loaded at once.
constexpr int32_t kDaysPerStretch = 366;

// The exit status once an output file has been written.
int FinishFile(TextOutput& out) {
  Result finished = out.Finish();
  if (Interrupted()) return Fail("Interrupted; the output file was not written.");
  return finished.ok() ? kExitOk : Fail(finished.Message());
}

ordered_json TimeOrNull(bool allDay, const TimeValue& time) {
  return allDay ? ordered_json(nullptr) : ordered_json(IsoTime(time));
}

}  // namespace

int RunAgenda(const Arguments& args) {
  DateValue from, to;
  if (!args.Value("--from") || !args.Value("--to")) {
    return Fail("--from and --to are needed. Usage: velmora agenda FILE --from YYYY-MM-DD --to YYYY-MM-DD");
  }
  bool ranged = false;
  if (Result range = OptionalRange(args, ranged, from, to); !range.ok()) return Fail(range.Message());
  ResultOf<std::unique_ptr<RecordStore>> opened = OpenCalendar(args);
  if (!opened.ok()) return Fail(opened.Message());
  std::unique_ptr<RecordStore> store = std::move(opened).value();

  EventFilter filter;
  filter.category = args.ValueOr("--category", "");
  TextOutput out;
  // A stretch of days at a time, so a long range keeps memory bounded.
  const int32_t lastDay = DayNumber(to);
  for (int32_t start = DayNumber(from); start <= lastDay && !out.ended(); start += kDaysPerStretch) {
    DateValue stretchFrom, stretchTo;
    (void)DateFromDayNumber(start, stretchFrom);
    (void)DateFromDayNumber(std::min(lastDay, start + kDaysPerStretch - 1), stretchTo);
    DayAgenda agenda;
    if (Result loaded = LoadDayAgenda(*store, stretchFrom, stretchTo, filter, agenda); !loaded.ok()) {
      return Fail(loaded.Message());
    }
    for (size_t day = 0; day < agenda.dayCount() && !out.ended(); ++day) {
      const std::string date = IsoDate(agenda.DateAt(day));
      for (uint32_t index : agenda.EventsOn(day)) {
        const EventRecord& e = agenda.event(index);
        ordered_json line;
        line["date"] = date;
        line["position"] = agenda.position(index);
        line["id"] = std::to_string(e.id());
        line["all_day"] = e.allDay();
        line["start"] = TimeOrNull(e.allDay(), e.startTime());
        line["end"] = TimeOrNull(e.allDay(), e.endTime());
        line["subject"] = e.subject();
        line["category"] = e.category();
        line["repeats"] = e.repeats();
        if (!out.Write(JsonLine(line) + '\n')) break;
      }
    }
    if (lastDay - start < kDaysPerStretch) break;
  }
  return FinishListing(out);
}

int RunExport(const Arguments& args) {
  // The comma-separated export file, or iCalendar.
  const std::string format = args.ValueOr("--format", "csv");
  if (format != "csv" && format != "ics") return Fail("--format: expected csv or ics on a calendar file");
  ExportOptions options;
  if (Result selected = SelectionOptions(args, options); !selected.ok()) return Fail(selected.Message());
  if (Result distinct = DistinctOutput(args.positional()[0], args.positional()[1]); !distinct.ok()) {
    return Fail(distinct.Message());
  }
  ResultOf<std::unique_ptr<RecordStore>> opened = OpenCalendar(args);
  if (!opened.ok()) return Fail(opened.Message());
  std::unique_ptr<RecordStore> store = std::move(opened).value();
  std::vector<SelectedEvent> events;
  if (Result selected = SelectEvents(*store, options, events); !selected.ok()) return Fail(selected.Message());
  TextOutput out;
  // The export carries the calendar's events: no wider readable than it.
  if (Result created = out.Create(args.positional()[1], "Cannot create the export file",
                                  OutputMode::NoWiderThanFile(FileSystem::Default(), args.positional()[0]));
      !created.ok()) {
    return Fail(created.Message());
  }
  if (format == "ics") {
    const std::time_t stamp = std::time(nullptr);
    out.Write(ICalendarBegin());
    for (const SelectedEvent& e : events) {
      if (!out.Write(ICalendarEvent(e.record, stamp))) break;
    }
    out.Write(ICalendarEnd());
    return FinishFile(out);
  }
  out.Write(ExportHeaderLine());
  for (const SelectedEvent& e : events) {
    if (!out.Write(ExportLine(e.record))) break;
  }
  return FinishFile(out);
}

int RunReport(const Arguments& args) {
  ExportOptions options;
  if (Result selected = SelectionOptions(args, options); !selected.ok()) return Fail(selected.Message());
  if (Result distinct = DistinctOutput(args.positional()[0], args.positional()[1]); !distinct.ok()) {
    return Fail(distinct.Message());
  }
  ResultOf<std::unique_ptr<RecordStore>> opened = OpenCalendar(args);
  if (!opened.ok()) return Fail(opened.Message());
  std::unique_ptr<RecordStore> store = std::move(opened).value();
  TextOutput out;
  if (Result created = out.Create(args.positional()[1], "Cannot create the report file",
                                  OutputMode::NoWiderThanFile(FileSystem::Default(), args.positional()[0]));
      !created.ok()) {
    return Fail(created.Message());
  }
  Result streamed = StreamCalendarReport(*store, options, Today(), [&](std::string_view text) {
    return out.Write(text);
  });
  // The report's own failure is the one to tell; the unfinished file is
  // dropped with out, and the target stays as it was.
  if (!streamed.ok() && !out.ended()) return Fail(streamed.Message());
  return FinishFile(out);
}

int RunAlarms(const Arguments& args) {
  AlarmMoment moment = CurrentAlarmMoment();
  if (std::optional<std::string> at = args.Value("--at")) {
    const size_t space = at->find(' ');
    if (space == std::string::npos || !ParseIsoDate(at->substr(0, space), moment.today) ||
        !ParseIsoTime(at->substr(space + 1), moment.now)) {
      return Fail("--at: expected \"YYYY-MM-DD HH:MM\"");
    }
    // The check runs on five-minute steps.
    moment.now.minute -= moment.now.minute % 5;
  }
  ResultOf<std::unique_ptr<RecordStore>> opened = OpenCalendar(args);
  if (!opened.ok()) return Fail(opened.Message());
  std::unique_ptr<RecordStore> store = std::move(opened).value();

  std::vector<DueAlarm> due;
  if (Result found = FindDueAlarms(*store, moment, due); !found.ok()) return Fail(found.Message());
  TextOutput out;
  for (const DueAlarm& alarm : due) {
    const EventRecord& e = alarm.record;
    ordered_json line;
    line["position"] = alarm.position;
    line["id"] = std::to_string(e.id());
    line["subject"] = e.subject();
    line["category"] = e.category();
    line["date"] = IsoDate(e.eventDate());
    line["occurrence"] = IsoDate(AlarmOccurrence(e));
    line["alarm_date"] = IsoDate(AlarmDate(e));
    line["alarm_time"] = IsoTime(e.alarmTime());
    line["repeats"] = e.repeats();
    if (!out.Write(JsonLine(line) + '\n')) break;
  }
  return FinishListing(out);
}

}  // namespace velmora::tool
