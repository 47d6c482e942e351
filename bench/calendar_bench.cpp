// Calendar throughput over a file of 10,000 events (one-off, daily, weekly,
// monthly and yearly, spread over 2000..2030), page cache warm:
//
//   PlainRead         one pass over the file with 1 MiB preads, nothing else
//   Agenda42          the events of each of 42 days (a month view) in one pass
//   DayQueries42      the same 42 days as 42 separate day queries, each a
//                     scan of the whole file and a sort
//   AlarmCheck        the alarm check over 1,000 armed alarms, none due
//   DueAlarms1000     finding and ordering 1,000 due alarms (no ringing)
//
// The summary at the end gives each case as a multiple of PlainRead; the
// single pass should stay within 2x.
//
//   build/bench/calendar_bench
//   build/bench/calendar_bench --benchmark_min_time=0.2     quick run
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "calendar/model/Alarms.h"
#include "calendar/model/DayAgenda.h"
#include "calendar/model/Recurrence.h"
#include "store/RecordQuery.h"
#include "store/RecordStore.h"

namespace velmora {
namespace {

constexpr int kEvents = 10'000;
constexpr int kArmed = 1'000;
// The plain read takes the file in reads as large as the calendar scan uses.
constexpr size_t kPlainChunk = size_t(1) << 20;
const DateValue kFirstShown{1, 3, 2015};  // a Sunday: six weeks of a month view
const DateValue kLastShown{11, 4, 2015};

std::string g_folder;
std::string g_calendar;  // the event mix, no alarms
std::string g_alarms;    // the same mix with 1,000 armed alarms

DateValue DayToDate(int32_t day) {
  DateValue d;
  DateFromDayNumber(day, d);
  return d;
}

// A realistic mix: most events are one-off; series are mostly weekly
// meetings and short daily runs, some monthly and yearly ones, about a fifth
// of all series without end date.
void BuildCalendar(const std::string& path, int armed, const DateValue& alarmDay) {
  if (!CreateRecordFile(path, format::FileKind::Calendar)) std::abort();
  RecordStore store(path, "");
  std::mt19937 rng(2004);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const char* categories[] = {"", "Meetings", "Personal", "Projects", "Travel", "Calls"};
  const int32_t first = DayNumber(2000, 1, 1), last = DayNumber(2030, 12, 31);
  for (int i = 0; i < kEvents; ++i) {
    const int32_t day = pick(first, last);
    const DateValue date = DayToDate(day);
    EventRecord e = NewEventRecord(store);
    e.setEventDate(date);
    TimeValue start;
    SlotToTime(pick(84, 216), start);  // 7:00 .. 18:00
    TimeValue end;
    SlotToTime(std::min(287, TimeSlot(start) + 12), end);
    e.setStartTime(start);
    e.setEndTime(end);
    e.setAllDay(pick(0, 9) == 0);
    e.setSubject("Event " + std::to_string(i));
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
    e.setAlarmTime(start);
    if (i < armed) {
      // An alarm set on an upcoming event: its first occurrence lies within
      // a year of alarmDay.
      const DateValue upcoming = DayToDate(DayNumber(alarmDay) + pick(0, 365));
      e.setEventDate(upcoming);
      RepeatBlock block = e.repeat();
      if (block.kind == event::kRepeatMonthly) block.pattern = upcoming.day;
      if (block.kind == event::kRepeatYearly) block.pattern = upcoming.month * 65536 + upcoming.day;
      if (block.kind != event::kRepeatNone) block.end = kNoEndDate;
      e.setRepeat(block);
      e.setAlarmSet(true);
      e.setAlarmReferenceDate(upcoming);
      e.setAlarmLead(uint32_t(pick(0, 3)));
    }
    if (!store.AddRecord(e.bytes())) std::abort();
  }
}

uint64_t PlainRead(const std::string& path, std::vector<uint8_t>& buffer) {
  int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) std::abort();
  buffer.resize(kPlainChunk);
  uint64_t total = 0;
  for (;;) {
    ssize_t n = ::pread(fd, buffer.data(), buffer.size(), off_t(total));
    if (n <= 0) break;
    total += uint64_t(n);
  }
  ::close(fd);
  return total;
}

void BM_PlainRead(benchmark::State& state) {
  std::vector<uint8_t> buffer;
  uint64_t bytes = PlainRead(g_calendar, buffer);
  for (auto _ : state) benchmark::DoNotOptimize(PlainRead(g_calendar, buffer));
  state.SetBytesProcessed(int64_t(bytes) * state.iterations());
}

void BM_Agenda42(benchmark::State& state) {
  RecordStore store(g_calendar, "");
  size_t shown = 0;
  for (auto _ : state) {
    DayAgenda agenda;
    if (!LoadDayAgenda(store, kFirstShown, kLastShown, EventFilter{}, agenda)) state.SkipWithError("agenda");
    shown = 0;
    for (size_t d = 0; d < agenda.dayCount(); ++d) shown += agenda.EventsOn(d).size();
    benchmark::DoNotOptimize(shown);
  }
  state.counters["shown"] = double(shown);
}

void BM_DayQueries42(benchmark::State& state) {
  RecordStore store(g_calendar, "");
  size_t shown = 0;
  for (auto _ : state) {
    shown = 0;
    for (DateValue day = kFirstShown;; NextDay(day)) {
      RecordQuery query;
      if (!QueryDayEvents(store, day, EventFilter{}, query)) state.SkipWithError("query");
      shown += query.count();
      if (day == kLastShown) break;
    }
    benchmark::DoNotOptimize(shown);
  }
  state.counters["shown"] = double(shown);
}

void BM_AlarmCheck(benchmark::State& state) {
  RecordStore store(g_alarms, "");
  // The armed alarms ring from 29 May 2015 on (1 June, up to three days
  // before); the check runs a few days earlier.
  const AlarmMoment moment{DateValue{25, 5, 2015}, TimeValue{9, 0, 0, 1}};
  for (auto _ : state) {
    AlarmCheckOutcome outcome = RunAlarmCheck(store, moment, [](const EventRecord&) { return false; });
    if (outcome.rang) state.SkipWithError("an alarm rang");
    benchmark::DoNotOptimize(outcome);
  }
}

void BM_DueAlarms1000(benchmark::State& state) {
  RecordStore store(g_alarms, "");
  const AlarmMoment moment{DateValue{1, 1, 2017}, TimeValue{11, 55, 0, 2}};  // all of them due
  size_t due = 0;
  for (auto _ : state) {
    std::vector<DueAlarm> alarms;
    if (!FindDueAlarms(store, moment, alarms)) state.SkipWithError("due alarms");
    due = alarms.size();
    benchmark::DoNotOptimize(due);
  }
  state.counters["due"] = double(due);
}

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
    auto plain = seconds_.find("PlainRead");
    if (plain == seconds_.end()) return;
    std::printf("\nAgainst one plain read of the %d-event file (%.2f ms):\n", kEvents, plain->second * 1e3);
    for (const auto& [name, seconds] : seconds_) {
      if (name == "PlainRead") continue;
      const double ratio = seconds / plain->second;
      const char* verdict = name == "Agenda42" ? (ratio <= 2.0 ? "  within 2x" : "  OVER 2x") : "";
      std::printf("  %-16s %9.2f ms   ratio %7.2f%s\n", name.c_str(), seconds * 1e3, ratio, verdict);
    }
    auto agenda = seconds_.find("Agenda42");
    auto queries = seconds_.find("DayQueries42");
    if (agenda != seconds_.end() && queries != seconds_.end()) {
      std::printf("  42 day queries take %.1fx the single pass\n", queries->second / agenda->second);
    }
  }

 private:
  std::map<std::string, double> seconds_;
};

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
  using namespace velmora;
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/velmora-calendar-bench-XXXXXX";
  if (!::mkdtemp(pattern.data())) return 1;
  g_folder = pattern;
  ::setenv("VELMORA_HOME", g_folder.c_str(), 1);
  g_calendar = g_folder + "/events.cld";
  g_alarms = g_folder + "/alarms.cld";
  BuildCalendar(g_calendar, 0, {});
  BuildCalendar(g_alarms, kArmed, DateValue{1, 6, 2015});

  benchmark::RegisterBenchmark("PlainRead", BM_PlainRead)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Agenda42", BM_Agenda42)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("DayQueries42", BM_DayQueries42)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("AlarmCheck", BM_AlarmCheck)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("DueAlarms1000", BM_DueAlarms1000)->Unit(benchmark::kMillisecond);

  benchmark::Initialize(&argc, argv);
  RatioReporter reporter(::isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_ColorTabular
                                                 : benchmark::ConsoleReporter::OO_Tabular);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary();
  benchmark::Shutdown();

  std::error_code ignored;
  std::filesystem::remove_all(g_folder, ignored);
  return 0;
}
