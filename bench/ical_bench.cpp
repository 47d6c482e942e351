// Importing an iCalendar file of 10,000 events (recurring meetings in a
// time zone with its VTIMEZONE, all-day days, events with an alarm) into a
// fresh calendar, against adding the same records to a fresh calendar
// without the format (AddRecords in the import's batches). The summary
// gives the import as a multiple of the plain add, and the import's time
// per event at 50,000 events against 10,000 (1 means it does not grow).
//
//   build/bench/ical_bench
//
// Files live in a fresh folder under $TMPDIR (default /tmp), removed at the
// end.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "calendar/model/EventRecord.h"
#include "calendar/model/ICalendar.h"
#include "store/RecordStore.h"

namespace velmora {
namespace {

using Clock = std::chrono::steady_clock;

std::string g_folder;
std::map<std::string, double> g_seconds;
std::map<int, std::string> g_files;

std::string MakeIcs(int events) {
  std::string ics =
      "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Bench//EN\r\n"
      "BEGIN:VTIMEZONE\r\nTZID:Europe/Berlin\r\n"
      "BEGIN:DAYLIGHT\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\nDTSTART:19700329T020000\r\n"
      "RRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=3\r\nEND:DAYLIGHT\r\n"
      "BEGIN:STANDARD\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nDTSTART:19701025T030000\r\n"
      "RRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=10\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";
  char buf[1024];
  for (int i = 0; i < events; ++i) {
    const int year = 2000 + i % 50, month = 1 + i % 12, day = 1 + i % 28, hour = 8 + i % 10;
    switch (i % 3) {
      case 0:
        std::snprintf(buf, sizeof buf,
                      "BEGIN:VEVENT\r\nUID:m%d@bench\r\nDTSTAMP:20240101T000000Z\r\n"
                      "DTSTART;TZID=Europe/Berlin:%04d%02d%02dT%02d0000\r\n"
                      "DTEND;TZID=Europe/Berlin:%04d%02d%02dT%02d3000\r\n"
                      "SUMMARY:Team meeting %d\r\nDESCRIPTION:Agenda: status\\, risks\\, next steps of item %d.\r\n"
                      "CATEGORIES:Meetings\r\nRRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=MO,WE\r\nEND:VEVENT\r\n",
                      i, year, month, day, hour, year, month, day, hour, i, i);
        break;
      case 1:
        std::snprintf(buf, sizeof buf,
                      "BEGIN:VEVENT\r\nUID:d%d@bench\r\nDTSTAMP:20240101T000000Z\r\n"
                      "DTSTART;VALUE=DATE:%04d%02d%02d\r\nSUMMARY:Holiday %d\r\nRRULE:FREQ=YEARLY\r\nEND:VEVENT\r\n",
                      i, year, month, day, i);
        break;
      default:
        std::snprintf(buf, sizeof buf,
                      "BEGIN:VEVENT\r\nUID:a%d@bench\r\nDTSTAMP:20240101T000000Z\r\n"
                      "DTSTART:%04d%02d%02dT%02d1500Z\r\nDTEND:%04d%02d%02dT%02d4500Z\r\nSUMMARY:Dentist %d\r\n"
                      "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Reminder\r\nTRIGGER:-P1DT30M\r\nEND:VALARM\r\n"
                      "END:VEVENT\r\n",
                      i, year, month, day, hour, year, month, day, hour, i);
        break;
    }
    ics += buf;
  }
  return ics + "END:VCALENDAR\r\n";
}

const std::string& Ics(int events) {
  std::string& ics = g_files[events];
  if (ics.empty()) ics = MakeIcs(events);
  return ics;
}

std::string FreshCalendar() {
  static int counter = 0;
  const std::string path = g_folder + "/diary" + std::to_string(counter++) + ".cld";
  if (!CreateRecordFile(path, format::FileKind::Calendar).ok()) std::abort();
  return path;
}

void BM_ICalendarImport(benchmark::State& state) {
  const int events = int(state.range(0));
  const std::string& ics = Ics(events);
  double seconds = 0;
  for (auto _ : state) {
    const std::string path = FreshCalendar();
    {
      RecordStore store(path, "");
      ImportCounts counts;
      const auto start = Clock::now();
      const Result imported = ImportICalendar(store, ics, counts);
      (void)store.Flush();
      const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
      if (!imported.ok() || counts.added != size_t(events)) state.SkipWithError("import failed");
      state.SetIterationTime(elapsed);
      seconds += elapsed;
    }
    std::filesystem::remove(path);
  }
  g_seconds["import/" + std::to_string(events)] = seconds / double(state.iterations());
  state.counters["us_per_event"] = benchmark::Counter(seconds * 1e6 / double(events) / double(state.iterations()));
}

// The records the import makes, taken from a scratch import, with fresh
// ids and stamps as new records of the target file would have.
Bytes RecordsOf(const std::string& ics, RecordStore& target) {
  const std::string scratch = FreshCalendar();
  Bytes records;
  {
    RecordStore source(scratch, "");
    ImportCounts counts;
    if (!ImportICalendar(source, ics, counts).ok()) std::abort();
    (void)source.ScanSlots([&](RecordPosition, const uint8_t* slots, size_t count) {
      for (size_t i = 0; i < count; ++i) {
        const uint8_t* r = slots + i * source.recordSize();
        if (r[format::record::kInUse] == 1) records.insert(records.end(), r, r + source.recordSize());
      }
    });
  }
  std::filesystem::remove(scratch);
  Bytes header;
  for (size_t at = 0; at < records.size(); at += event::kRecordSize) {
    target.InitRecord(header, event::kRecordSize);
    std::copy(header.begin(), header.begin() + format::record::kHeaderSize, records.begin() + long(at));
  }
  return records;
}

void BM_AddSameRecords(benchmark::State& state) {
  const int events = int(state.range(0));
  Bytes records;
  {
    const std::string probe = FreshCalendar();
    RecordStore store(probe, "");
    records = RecordsOf(Ics(events), store);
  }
  double seconds = 0;
  for (auto _ : state) {
    const std::string path = FreshCalendar();
    {
      RecordStore store(path, "");
      const auto start = Clock::now();
      for (size_t at = 0; at < records.size(); at += kImportBatchRecords * event::kRecordSize) {
        const size_t length = std::min(records.size() - at, kImportBatchRecords * event::kRecordSize);
        if (!store.AddRecords(std::span<const uint8_t>(records.data() + at, length)).ok()) {
          state.SkipWithError("add failed");
        }
      }
      (void)store.Flush();
      const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
      state.SetIterationTime(elapsed);
      seconds += elapsed;
    }
    std::filesystem::remove(path);
  }
  g_seconds["add/" + std::to_string(events)] = seconds / double(state.iterations());
  state.counters["us_per_event"] = benchmark::Counter(seconds * 1e6 / double(events) / double(state.iterations()));
}

BENCHMARK(BM_AddSameRecords)->Arg(10'000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ICalendarImport)->Arg(10'000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_AddSameRecords)->Arg(50'000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ICalendarImport)->Arg(50'000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
  using namespace velmora;
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/velmora-ical-bench-XXXXXX";
  if (!::mkdtemp(pattern.data())) return 1;
  g_folder = pattern;
  // The times of the file are converted to one fixed zone.
  setenv("TZ", "Europe/Berlin", 1);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(g_folder);

  std::printf("\nSummary (seconds per run):\n");
  for (const auto& [name, seconds] : g_seconds) std::printf("  %-14s %.3f\n", name.c_str(), seconds);
  if (g_seconds.count("import/10000") && g_seconds.count("add/10000")) {
    std::printf("  iCalendar import / plain add of the same records, 10,000 events: %.2fx\n",
                g_seconds["import/10000"] / g_seconds["add/10000"]);
  }
  if (g_seconds.count("import/10000") && g_seconds.count("import/50000")) {
    std::printf("  import time per event, 50,000 / 10,000 events: %.2f (1 means it does not grow)\n",
                (g_seconds["import/50000"] / 50000) / (g_seconds["import/10000"] / 10000));
  }
  return 0;
}
