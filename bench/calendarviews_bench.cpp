// The calendar's month and week views over a file of 10,000 events (most
// one-off, the rest daily, weekly, monthly and yearly series, spread over
// 2000..2030), painted into an offscreen image, page cache warm:
//
//   AgendaMonth       one LoadDayAgenda of the month shown (the baseline)
//   PaintEmptyMonth   a month view of an empty file: the drawing alone
//   PaintMonth        a month view read afresh and painted (Reload, paint)
//   PaintMonthKept    the same paint again with the agenda kept
//   PaintWeek         a week view read afresh and painted
//
// The summary gives each case in milliseconds and as a multiple of
// AgendaMonth; a month paint read afresh must stay well under 100 ms.
//
//   QT_QPA_PLATFORM=offscreen build/bench/calendarviews_bench
//   build/bench/calendarviews_bench --benchmark_min_time=0.2     quick run
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "calendar/gui/CalendarViews.h"
#include "calendar/model/DayAgenda.h"
#include "calendar/model/EventRecord.h"
#include "calendar/model/Recurrence.h"
#include "store/RecordStore.h"
#include "toolkit/Fonts.h"

namespace velmora {
namespace {

constexpr int kEvents = 10'000;
constexpr int kWidth = 760;
constexpr int kHeight = 540;
constexpr double kTargetMs = 100.0;
const DateValue kShown{15, 3, 2015};

std::string g_calendar;  // the event mix
std::string g_empty;     // no events

DateValue DayToDate(int32_t day) {
  DateValue d;
  DateFromDayNumber(day, d);
  return d;
}

// Most events are one-off; series are mostly weekly meetings and short
// daily runs, some monthly and yearly ones, a fifth without end date.
void BuildCalendar(const std::string& path, int events) {
  if (!CreateRecordFile(path, format::FileKind::Calendar)) std::abort();
  RecordStore store(path, "");
  std::mt19937 rng(2015);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const char* categories[] = {"", "Meetings", "Personal", "Projects", "Travel", "Calls"};
  const int32_t first = DayNumber(2000, 1, 1), last = DayNumber(2030, 12, 31);
  for (int i = 0; i < events; ++i) {
    const int32_t day = pick(first, last);
    const DateValue date = DayToDate(day);
    EventRecord e = NewEventRecord(store);
    e.setEventDate(date);
    TimeValue start;
    SlotToTime(pick(84, 216), start);
    TimeValue end;
    SlotToTime(std::min(287, TimeSlot(start) + 12), end);
    e.setStartTime(start);
    e.setEndTime(end);
    e.setAllDay(pick(0, 9) == 0);
    e.setSubject("Event number " + std::to_string(i));
    e.setCategory(categories[pick(0, 5)]);
    const int kind = pick(0, 99);
    const bool noEnd = pick(0, 4) == 0;
    auto endAfter = [&](int days) { return noEnd ? kNoEndDate : DayToDate(std::min(last, day + days)); };
    if (kind < 70) {
      // one-off
    } else if (kind < 78) {
      e.setRepeat(RepeatBlock{event::kRepeatDaily, endAfter(pick(1, 60)), uint32_t(pick(1, 3)), 0});
    } else if (kind < 90) {
      uint32_t mask = 1u << WeekdayOf(day);
      if (pick(0, 2) == 0) mask |= 1u << pick(0, 6);
      e.setRepeat(RepeatBlock{event::kRepeatWeekly, endAfter(pick(30, 1000)), uint32_t(pick(1, 2)), mask});
    } else if (kind < 96) {
      e.setRepeat(RepeatBlock{event::kRepeatMonthly, endAfter(pick(90, 2000)), uint32_t(pick(1, 3)), date.day});
    } else {
      e.setRepeat(RepeatBlock{event::kRepeatYearly, kNoEndDate, 1, date.month * 65536 + date.day});
    }
    e.setAlarmReferenceDate(date);
    if (!store.AddRecord(e.bytes())) std::abort();
  }
}

QImage& Canvas() {
  static QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
  return image;
}

void BM_AgendaMonth(benchmark::State& state) {
  RecordStore store(g_calendar, "");
  size_t shown = 0;
  for (auto _ : state) {
    DayAgenda agenda;
    if (!LoadDayAgenda(store, DateValue{1, kShown.month, kShown.year}, DateValue{31, kShown.month, kShown.year},
                       EventFilter{}, agenda)) {
      state.SkipWithError("agenda");
    }
    shown = 0;
    for (size_t d = 0; d < agenda.dayCount(); ++d) shown += agenda.EventsOn(d).size();
    benchmark::DoNotOptimize(shown);
  }
  state.counters["shown"] = double(shown);
}

template <typename View>
void PaintCase(benchmark::State& state, const std::string& path, bool reload) {
  RecordStore store(path, "");
  View view;
  view.resize(kWidth, kHeight);
  view.SetRecordFile(&store);
  view.SetDate(kShown);
  view.render(&Canvas());  // the first reading, outside the timing
  const int loadsBefore = view.agendaLoads();
  for (auto _ : state) {
    if (reload) view.Reload();
    view.render(&Canvas());
    benchmark::DoNotOptimize(Canvas().constBits());
  }
  if (!view.loadResult().ok()) state.SkipWithError("the view could not read the file");
  state.counters["reads"] = double(view.agendaLoads() - loadsBefore) / double(state.iterations());
}

void BM_PaintEmptyMonth(benchmark::State& state) { PaintCase<MonthView>(state, g_empty, true); }
void BM_PaintMonth(benchmark::State& state) { PaintCase<MonthView>(state, g_calendar, true); }
void BM_PaintMonthKept(benchmark::State& state) { PaintCase<MonthView>(state, g_calendar, false); }
void BM_PaintWeek(benchmark::State& state) { PaintCase<WeekView>(state, g_calendar, true); }

// Passes everything to the console and keeps the mean time per iteration of
// each case for the summary.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  using ConsoleReporter::ConsoleReporter;
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) continue;
      seconds_[run.benchmark_name()] = run.real_accumulated_time / double(run.iterations);
    }
  }
  void PrintSummary() const {
    auto base = seconds_.find("AgendaMonth");
    if (base == seconds_.end()) return;
    std::printf("\nAgainst one reading of the month from the %d-event file (%.2f ms):\n", kEvents,
                base->second * 1e3);
    for (const auto& [name, seconds] : seconds_) {
      if (name == "AgendaMonth") continue;
      const double ms = seconds * 1e3;
      const char* verdict = name == "PaintMonth" ? (ms < kTargetMs ? "  under 100 ms" : "  OVER 100 ms") : "";
      std::printf("  %-16s %9.2f ms   ratio %7.2f%s\n", name.c_str(), ms, seconds / base->second, verdict);
    }
  }

 private:
  std::map<std::string, double> seconds_;
};

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  using namespace velmora;
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  std::string pattern = (fs::temp_directory_path() / "velmora-viewsbench-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  // Settings and skins are looked for in the bench's own folder.
  ::setenv("VELMORA_HOME", pattern.c_str(), 1);
  QApplication application(argc, argv);
  CreateSharedFonts();
  g_calendar = pattern + "/events.cld";
  g_empty = pattern + "/empty.cld";
  BuildCalendar(g_calendar, kEvents);
  BuildCalendar(g_empty, 0);

  benchmark::RegisterBenchmark("AgendaMonth", BM_AgendaMonth)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("PaintEmptyMonth", BM_PaintEmptyMonth)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("PaintMonth", BM_PaintMonth)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("PaintMonthKept", BM_PaintMonthKept)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("PaintWeek", BM_PaintWeek)->Unit(benchmark::kMillisecond);

  benchmark::Initialize(&argc, argv);
  RatioReporter reporter(::isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_ColorTabular
                                                 : benchmark::ConsoleReporter::OO_Tabular);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary();
  benchmark::Shutdown();
  std::error_code ignored;
  fs::remove_all(pattern, ignored);
  return 0;
}
