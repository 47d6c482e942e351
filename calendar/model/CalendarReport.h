// The calendar's printable report: plain text, lines ending CR LF.
//
// For a date range it lists, day by day, the events of each day that has
// any (repeating events on every day they occur), in the order within a day.
// For "All" and "Current record" it lists each selected event once, with its
// own event date, in the event order; the header of "All" shows the dates of
// the earliest and the latest event listed (today twice when there is none).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "calendar/model/DayAgenda.h"
#include "calendar/model/EventSelection.h"
#include "store/RecordStore.h"
#include "store/Result.h"

namespace velmora {

// The "Report..." progress window: one step per day of a date range.
struct ReportProgress {
  std::function<void(size_t days)> begin;
  std::function<void()> step;
  std::function<void()> end;
};

std::string ReportHeader(const DateValue& from, const DateValue& to);
// "Monday, January 5, 2004"
std::string ReportDayLine(const DateValue& date);
std::string FormatDayRangeReport(const DayAgenda& agenda, const DateValue& from, const DateValue& to,
                                 const ReportProgress& progress = {});
// The header dates are the earliest and latest events' dates when
// headerFromEvents is set, else from and to.
std::string FormatEventListReport(const std::vector<SelectedEvent>& events, const DateValue& from,
                                  const DateValue& to, bool headerFromEvents, const DateValue& today);

// Builds the report text for the options.
Result MakeCalendarReport(RecordStore& store, const ExportOptions& options, const DateValue& today,
                          std::string& text, const ReportProgress& progress = {});

// The report for the options written piece by piece through write as it is
// produced, so memory stays bounded however long the report grows: a date
// range is loaded a stretch of days at a time. When write returns false the
// writing stops and the result is a failure.
using ReportSink = std::function<bool(std::string_view)>;
Result StreamCalendarReport(RecordStore& store, const ExportOptions& options, const DateValue& today,
                            const ReportSink& write);

// Builds the report and writes it to path, replacing the file; text receives
// the report for the preview also when the file cannot be written.
Result WriteCalendarReport(RecordStore& store, const ExportOptions& options, const std::string& path,
                           std::string& text, const ReportProgress& progress = {});

}  // namespace velmora
