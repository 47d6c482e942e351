// The tray program's minute over a calendar of 10,000 events (one-off and
// repeating, 1,000 of them with an alarm set, none due), page cache warm:
//
//   ScanEvents     one pass over the file's events, nothing else (the base)
//   TrayCheck      one check of the tray: open the file, find the due
//                  alarms, ring none, close it
//   TrayMenu       today's and tomorrow's appointments for the menu
//
// The summary gives each case as a multiple of ScanEvents. The check runs
// every minute; it should stay within a few plain reads.
//
//   build/bench/tray_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "calendar/model/EventScan.h"
#include "calendar/model/Recurrence.h"
#include "store/RecordStore.h"
#include "store/Settings.h"
#include "tray/TrayReminders.h"

namespace velmora {
namespace {

constexpr int kEvents = 10'000;
constexpr int kArmed = 1'000;
std::string g_calendar;
const QDateTime kNow(QDate(2015, 5, 25), QTime(9, 0));  // the alarms ring from 29 May on

DateValue DayToDate(int32_t day) {
  DateValue d;
  DateFromDayNumber(day, d);
  return d;
}

void BuildCalendar(const std::string& path) {
  if (!CreateRecordFile(path, format::FileKind::Calendar)) std::abort();
  RecordStore store(path, "");
  std::mt19937 rng(2004);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int32_t first = DayNumber(2000, 1, 1), last = DayNumber(2030, 12, 31);
  const int32_t upcoming = DayNumber(2015, 6, 1);
  for (int i = 0; i < kEvents; ++i) {
    const int32_t day = i < kArmed ? upcoming + pick(0, 365) : pick(first, last);
    const DateValue date = DayToDate(day);
    EventRecord e = NewEventRecord(store);
    e.setEventDate(date);
    TimeValue start;
    SlotToTime(pick(84, 216), start);
    e.setStartTime(start);
    e.setEndTime(start);
    e.setSubject("Event " + std::to_string(i));
    const int kind = pick(0, 99);
    if (kind >= 70 && kind < 90) {
      e.setRepeat(RepeatBlock{event::kRepeatWeekly, kNoEndDate, 1, 1u << WeekdayOf(day)});
    } else if (kind >= 90) {
      e.setRepeat(RepeatBlock{event::kRepeatMonthly, kNoEndDate, 1, date.day});
    }
    e.setAlarmReferenceDate(date);
    e.setAlarmTime(start);
    if (i < kArmed) {
      e.setAlarmSet(true);
      e.setAlarmLead(uint32_t(pick(0, 3)));
    }
    if (!store.AddRecord(e.bytes())) std::abort();
  }
}

void BM_ScanEvents(benchmark::State& state) {
  RecordStore store(g_calendar, "");
  size_t seen = 0;
  for (auto _ : state) {
    seen = 0;
    if (!ScanEvents(store, ScanVisibility::AsQuery, [&](const uint8_t*, RecordPosition) { ++seen; })) {
      state.SkipWithError("scan");
    }
    benchmark::DoNotOptimize(seen);
  }
  state.counters["events"] = double(seen);
}

void BM_TrayCheck(benchmark::State& state) {
  TrayReminders reminders(QDBusConnection(QStringLiteral("none")), QDBusConnection(QStringLiteral("none")));
  reminders.SetClock([] { return kNow; });
  for (auto _ : state) {
    if (reminders.Check() != 0) state.SkipWithError("an alarm rang");
  }
}

void BM_TrayMenu(benchmark::State& state) {
  TrayReminders reminders(QDBusConnection(QStringLiteral("none")), QDBusConnection(QStringLiteral("none")));
  reminders.SetClock([] { return kNow; });
  size_t shown = 0;
  for (auto _ : state) {
    shown = reminders.Appointments().size();
    benchmark::DoNotOptimize(shown);
  }
  state.counters["shown"] = double(shown);
}

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
    auto base = seconds_.find("ScanEvents");
    if (base == seconds_.end()) return;
    std::printf("\nAgainst one ScanEvents pass over the %d-event file (%.2f ms):\n", kEvents, base->second * 1e3);
    for (const auto& [name, seconds] : seconds_) {
      if (name == "ScanEvents") continue;
      std::printf("  %-12s %9.2f ms   ratio %6.2f\n", name.c_str(), seconds * 1e3, seconds / base->second);
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
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/velmora-tray-bench-XXXXXX";
  if (!::mkdtemp(pattern.data())) return 1;
  const std::string folder = pattern;
  ::setenv("VELMORA_HOME", folder.c_str(), 1);
  ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
  QCoreApplication application(argc, argv);
  g_calendar = folder + "/events.cld";
  BuildCalendar(g_calendar);
  // The calendar Almanor opened last is the one the tray watches.
  if (!WriteSettingText(SuiteSettingsPath("Almanor.ini"), "Preference", "DefaulFile", g_calendar)) return 1;

  benchmark::RegisterBenchmark("ScanEvents", BM_ScanEvents)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("TrayCheck", BM_TrayCheck)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("TrayMenu", BM_TrayMenu)->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter(::isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_ColorTabular
                                                 : benchmark::ConsoleReporter::OO_Tabular);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary();
  benchmark::Shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return 0;
}
