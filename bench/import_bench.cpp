// Importing contacts from a CSV file with the duplicate test, against adding
// the same records to the file without it (AddRecords in the same batches),
// each on a fresh address book. The summary gives the import as a multiple
// of the plain add (target: within 3x at 10,000 lines) and the time per
// line at 10,000 and 100,000 lines (it should not grow with the file beyond
// what the plain add's own time per line grows).
//
//   build/bench/import_bench                          full run
//   build/bench/import_bench --benchmark_filter=10000 only the small files
//   build/bench/import_bench --benchmark_filter=Stream the streamed reading only
//
// The streamed reading is measured as ratios in the same run: the time per
// input byte of splitting a file of 80 MB into lines and fields against a
// file of 8 MB (1 means linear), and the peak of the memory allocated while
// importing a file of 80 MB of line breaks against one of 8 MB, and while
// splitting the large CSV file against the small one (1 means a constant;
// every allocation of the program is counted).
//
// Files live in a fresh folder under $TMPDIR (default /tmp), removed at the
// end.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "addressbook/model/Contact.h"
#include "addressbook/model/ContactRules.h"
#include "importexport/ContactImport.h"
#include "importexport/ImportReader.h"
#include "store/RecordStore.h"

// Every allocation of the program counted: the bytes held now and the
// most held since the last reset.
namespace {
std::atomic<size_t> g_heldBytes{0};
std::atomic<size_t> g_peakBytes{0};

void* Counted(size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  const size_t held = g_heldBytes += malloc_usable_size(p);
  size_t peak = g_peakBytes.load();
  while (held > peak && !g_peakBytes.compare_exchange_weak(peak, held)) {
  }
  return p;
}

void Uncounted(void* p) {
  if (!p) return;
  g_heldBytes -= malloc_usable_size(p);
  std::free(p);
}
}  // namespace

void* operator new(size_t size) { return Counted(size); }
void* operator new[](size_t size) { return Counted(size); }
void operator delete(void* p) noexcept { Uncounted(p); }
void operator delete[](void* p) noexcept { Uncounted(p); }
void operator delete(void* p, size_t) noexcept { Uncounted(p); }
void operator delete[](void* p, size_t) noexcept { Uncounted(p); }

namespace velmora {
namespace {

namespace c = contact;
using Clock = std::chrono::steady_clock;

constexpr const char* kFirstNames[] = {"Anna", "Ben", "Carla", "David", "Elif", "Farid", "Greta", "Hiroshi",
                                       "Ines", "Jonas", "Liam", "Maria", "Noah", "Olga", "Pedro", "Rosa"};
constexpr const char* kLastNames[] = {"Smith", "Johnson", "Garcia", "Müller", "Schmidt", "Dubois", "Rossi",
                                      "Nowak", "Nielsen", "O'Brien", "van Dijk", "Nguyen", "Tanaka", "Chen"};
constexpr const char* kCities[] = {"Lund", "Berlin", "Lyon", "Porto", "Kraków", "Turin", "Leeds", "Osaka"};

std::string g_folder;
std::map<int, std::string> g_files;
// Seconds per run of each case, for the summary.
std::map<std::string, double> g_seconds;

// A realistic export: every line a different contact.
std::string MakeCsv(int lines) {
  std::string csv =
      "\"First Name\",\"Last Name\",\"Home City\",\"Home Phone\",\"Work Email\",\"Birthday\",\"Gender\","
      "\"Notes\"\r\n";
  char line[512];
  for (int i = 0; i < lines; ++i) {
    std::snprintf(line, sizeof line,
                  "\"%s\",\"%s %d\",\"%s\",\"+46 46 %06d\",\"person%d@example.org\",\"%d/%d/%d\",\"%d\","
                  "\"Met at the %d fair, said \"\"hello\"\"\"\r\n",
                  kFirstNames[i % 16], kLastNames[i % 14], i, kCities[i % 8], i, i, 1 + i % 12, 1 + i % 28,
                  1950 + i % 60, i % 3, i);
    csv += line;
  }
  return csv;
}

const std::string& Csv(int lines) {
  std::string& csv = g_files[lines];
  if (csv.empty()) csv = MakeCsv(lines);
  return csv;
}

std::string FreshBook() {
  static int counter = 0;
  const std::string path = g_folder + "/book" + std::to_string(counter++) + ".adr";
  if (!CreateRecordFile(path, format::FileKind::Address).ok()) std::abort();
  return path;
}

// The records the import makes of the file, built the same way, for the
// plain add.
Bytes RecordsOf(const std::string& csv, RecordStore& store) {
  const ImportSettings settings = ProposedImportSettings(csv, true, ImportMapChoice::Default);
  // Import once into a scratch file, then take its records as they lie.
  const std::string scratch = FreshBook();
  Bytes records;
  {
    RecordStore source(scratch, "");
    ImportCounts counts;
    if (!ImportContacts(source, csv, settings, counts).ok()) std::abort();
    (void)source.ScanSlots([&](RecordPosition, const uint8_t* slots, size_t count) {
      for (size_t i = 0; i < count; ++i) {
        const uint8_t* r = slots + i * source.recordSize();
        if (r[format::record::kInUse] == 1) records.insert(records.end(), r, r + source.recordSize());
      }
    });
  }
  std::filesystem::remove(scratch);
  // Fresh ids and stamps, as new records of this file would have.
  Bytes header;
  for (size_t at = 0; at < records.size(); at += c::kRecordSize) {
    store.InitRecord(header, c::kRecordSize);
    std::copy(header.begin(), header.begin() + format::record::kHeaderSize, records.begin() + long(at));
  }
  return records;
}

void BM_ImportWithDuplicateTest(benchmark::State& state) {
  const int lines = int(state.range(0));
  const std::string& csv = Csv(lines);
  double seconds = 0;
  for (auto _ : state) {
    const std::string path = FreshBook();
    {
      RecordStore store(path, "");
      const ImportSettings settings = ProposedImportSettings(csv, true, ImportMapChoice::Default);
      ImportCounts counts;
      const auto start = Clock::now();
      const Result imported = ImportContacts(store, csv, settings, counts);
      (void)store.Flush();
      const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
      if (!imported.ok() || counts.added != size_t(lines)) state.SkipWithError("import failed");
      state.SetIterationTime(elapsed);
      seconds += elapsed;
    }
    std::filesystem::remove(path);
  }
  g_seconds["import/" + std::to_string(lines)] = seconds / double(state.iterations());
  state.counters["us_per_line"] = benchmark::Counter(seconds * 1e6 / double(lines) / double(state.iterations()));
}

void BM_AddWithoutDuplicateTest(benchmark::State& state) {
  const int lines = int(state.range(0));
  Bytes records;
  {
    const std::string probe = FreshBook();
    RecordStore store(probe, "");
    records = RecordsOf(Csv(lines), store);
  }
  double seconds = 0;
  for (auto _ : state) {
    const std::string path = FreshBook();
    {
      RecordStore store(path, "");
      const auto start = Clock::now();
      for (size_t at = 0; at < records.size(); at += kImportBatchRecords * c::kRecordSize) {
        const size_t length = std::min(records.size() - at, kImportBatchRecords * c::kRecordSize);
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
  g_seconds["add/" + std::to_string(lines)] = seconds / double(state.iterations());
  state.counters["us_per_line"] = benchmark::Counter(seconds * 1e6 / double(lines) / double(state.iterations()));
}

// A file of about `bytes` bytes written once into the bench folder: CSV
// lines of contacts, or nothing but line breaks.
std::string BigFile(size_t bytes, bool blank) {
  const std::string path = g_folder + (blank ? "/blank-" : "/lines-") + std::to_string(bytes) + ".csv";
  if (std::filesystem::exists(path)) return path;
  std::ofstream out(path, std::ios::binary);
  const std::string piece = blank ? std::string(size_t(1) << 20, '\n') : Csv(5000);
  for (size_t written = 0; written < bytes; written += piece.size()) out << piece;
  return path;
}

// Streams the file through the reader, every line split into its fields.
size_t SplitFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  ImportTextStream source(in);
  ImportReader reader(source, ',', '"');
  std::vector<std::string> fields;
  size_t lines = 0;
  while (reader.NextLine(fields) == LineRead::Read) ++lines;
  return lines;
}

constexpr size_t kSmallFile = size_t(8) << 20;
constexpr size_t kLargeFile = size_t(80) << 20;

void BM_StreamSplitLines(benchmark::State& state) {
  const size_t bytes = size_t(state.range(0));
  const std::string path = BigFile(bytes, false);
  const size_t size = std::filesystem::file_size(path);
  double seconds = 0;
  size_t peak = 0;
  for (auto _ : state) {
    g_peakBytes = g_heldBytes.load();
    const size_t before = g_heldBytes.load();
    const auto start = Clock::now();
    benchmark::DoNotOptimize(SplitFile(path));
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    peak = std::max(peak, g_peakBytes.load() - before);
    state.SetIterationTime(elapsed);
    seconds += elapsed;
  }
  const std::string name = std::to_string(bytes >> 20);
  g_seconds["split/" + name] = seconds / double(state.iterations()) / double(size);  // per byte
  g_seconds["splitpeak/" + name] = double(peak);
  state.counters["ns_per_byte"] = benchmark::Counter(seconds * 1e9 / double(size) / double(state.iterations()));
  state.counters["peak_bytes"] = benchmark::Counter(double(peak));
}

void BM_StreamImportLineBreaks(benchmark::State& state) {
  const size_t bytes = size_t(state.range(0));
  const std::string path = BigFile(bytes, true);
  size_t peak = 0;
  double seconds = 0;
  for (auto _ : state) {
    const std::string book = FreshBook();
    {
      RecordStore store(book, "");
      ImportSettings settings;
      settings.mapping = {0};
      ImportCounts counts;
      std::ifstream in(path, std::ios::binary);
      g_peakBytes = g_heldBytes.load();
      const size_t before = g_heldBytes.load();
      const auto start = Clock::now();
      // Nothing but blank lines: a failure that says there are no contacts.
      if (ImportContacts(store, in, settings, counts).ok() || counts.added != 0) state.SkipWithError("imported");
      const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
      peak = std::max(peak, g_peakBytes.load() - before);
      state.SetIterationTime(elapsed);
      seconds += elapsed;
    }
    std::filesystem::remove(book);
  }
  const std::string name = std::to_string(bytes >> 20);
  g_seconds["blank/" + name] = seconds / double(state.iterations()) / double(bytes);
  g_seconds["blankpeak/" + name] = double(peak);
  state.counters["peak_bytes"] = benchmark::Counter(double(peak));
}

BENCHMARK(BM_StreamSplitLines)->Arg(kSmallFile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StreamSplitLines)->Arg(kLargeFile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_StreamImportLineBreaks)->Arg(kSmallFile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_StreamImportLineBreaks)->Arg(kLargeFile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK(BM_AddWithoutDuplicateTest)->Arg(10'000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddWithoutDuplicateTest)->Arg(100'000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ImportWithDuplicateTest)->Arg(10'000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportWithDuplicateTest)->Arg(100'000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
  using namespace velmora;
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/velmora-import-bench-XXXXXX";
  if (!::mkdtemp(pattern.data())) return 1;
  g_folder = pattern;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(g_folder);

  std::printf("\nSummary (seconds per run):\n");
  for (const auto& [name, seconds] : g_seconds) {
    if (name.starts_with("import/") || name.starts_with("add/")) std::printf("  %-14s %.3f\n", name.c_str(), seconds);
  }
  if (g_seconds.count("import/10000") && g_seconds.count("add/10000")) {
    std::printf("  import with the duplicate test / plain add, 10,000 lines: %.2fx (target within 3x)\n",
                g_seconds["import/10000"] / g_seconds["add/10000"]);
  }
  if (g_seconds.count("import/10000") && g_seconds.count("import/100000")) {
    std::printf("  import time per line, 100,000 / 10,000 lines: %.2f (1 means it does not grow)\n",
                (g_seconds["import/100000"] / 100000) / (g_seconds["import/10000"] / 10000));
  }
  if (g_seconds.count("add/10000") && g_seconds.count("add/100000")) {
    std::printf("  plain add time per line, 100,000 / 10,000 lines: %.2f (the file system's own growth)\n",
                (g_seconds["add/100000"] / 100000) / (g_seconds["add/10000"] / 10000));
  }
  const auto ratio = [](const char* large, const char* small) {
    return g_seconds.count(large) && g_seconds.count(small) && g_seconds[small] > 0 ? g_seconds[large] / g_seconds[small]
                                                                                    : -1.0;
  };
  if (g_seconds.count("split/80")) {
    std::printf("  streamed splitting, time per byte, 80 MB / 8 MB: %.2f (1 means linear)\n", ratio("split/80", "split/8"));
    std::printf("  streamed splitting, peak memory, 80 MB / 8 MB: %.2f (%.0f / %.0f bytes; 1 means constant)\n",
                ratio("splitpeak/80", "splitpeak/8"), g_seconds["splitpeak/80"], g_seconds["splitpeak/8"]);
  }
  if (g_seconds.count("blank/80")) {
    std::printf("  import of line breaks only, time per byte, 80 MB / 8 MB: %.2f\n", ratio("blank/80", "blank/8"));
    std::printf("  import of line breaks only, peak memory, 80 MB / 8 MB: %.2f (%.0f / %.0f bytes, %.4f bytes "
                "per input byte)\n",
                ratio("blankpeak/80", "blankpeak/8"), g_seconds["blankpeak/80"], g_seconds["blankpeak/8"],
                g_seconds["blankpeak/80"] / double(kLargeFile));
  }
  if (g_seconds.count("import/100000") && g_seconds.count("add/100000")) {
    std::printf("  import with the duplicate test / plain add, 100,000 lines: %.2fx\n",
                g_seconds["import/100000"] / g_seconds["add/100000"]);
  }
  return 0;
}
