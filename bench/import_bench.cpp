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
// The vCard import's own block (further down) reads a phone's export of
// 10,000 and 100,000 cards and one long quoted-printable card:
//   build/bench/import_bench --benchmark_filter=VCard
//
// Files live in a fresh folder under $TMPDIR (default /tmp), removed at the
// end.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
#include "importexport/VCard.h"
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


// ---------------------------------------------------------------------------
// vCard import. A file of cards as a phone writes them, streamed from disk
// the way `velmora import` reads it, at 10,000 and 100,000 cards: the time
// per card, and the peak memory the import adds (VmHWM from
// /proc/self/status, reset before each run through /proc/self/clear_refs),
// should not grow with the file. And one card whose quoted-printable note
// runs over 2,000 and 20,000 continuation lines: the time per line should
// not grow with the value's length.
// ---------------------------------------------------------------------------

// Kilobytes of a field of /proc/self/status ("VmHWM:", "VmRSS:"); -1 when
// it cannot be read.
long StatusKilobytes(const char* field) {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (!status) return -1;
  char line[256];
  long value = -1;
  const size_t length = std::strlen(field);
  while (std::fgets(line, sizeof line, status)) {
    if (std::strncmp(line, field, length) == 0) value = std::strtol(line + length, nullptr, 10);
  }
  std::fclose(status);
  return value;
}

// Starts the peak resident size again from the present one.
bool ResetPeakMemory() {
  std::FILE* refs = std::fopen("/proc/self/clear_refs", "w");
  if (!refs) return false;
  const bool written = std::fputs("5", refs) >= 0;
  return std::fclose(refs) == 0 && written;
}

// A phone's export of that many contacts, written to disk card by card.
std::string VCardFileOf(int cards) {
  const std::string path = g_folder + "/cards-" + std::to_string(cards) + ".vcf";
  if (std::filesystem::exists(path)) return path;
  std::ofstream out(path, std::ios::binary);
  char card[1024];
  for (int i = 0; i < cards; ++i) {
    std::snprintf(card, sizeof card,
                  "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:%s %d;%s;;;\r\n"
                  "TEL;CELL:+46 70 %06d\r\nTEL;HOME:+46 46 %06d\r\nEMAIL;HOME:person%d@example.org\r\n"
                  "ADR;HOME:;;Storgatan %d;%s;;223 50;Sverige\r\nBDAY:%04d%02d%02d\r\n"
                  "NOTE;ENCODING=QUOTED-PRINTABLE:Met at the %d fair.=0D=0AA second line, long enough to be =\r\n"
                  "continued on the next line.\r\nEND:VCARD\r\n",
                  kLastNames[i % 14], i, kFirstNames[i % 16], i, i, i, i % 100, kCities[i % 8], 1950 + i % 60,
                  1 + i % 12, 1 + i % 28, i);
    out << card;
  }
  if (!out.flush()) std::abort();
  return path;
}

// Imports the file as the tool does: read piece by piece from disk.
void ImportVCardFile(RecordStore& store, const std::string& path, ImportCounts& counts) {
  std::ifstream in(path, std::ios::binary);
  VCardInput input;
  input.next = [&](std::string& chunk) {
    chunk.resize(kVCardChunkBytes);
    in.read(chunk.data(), std::streamsize(chunk.size()));
    chunk.resize(size_t(in.gcount()));
    return in.bad() ? Result::Fail("read") : Result::Ok();
  };
  if (!ImportVCards(store, input, counts).ok()) std::abort();
}

std::map<std::string, double> g_vcardPeakKb;

void BM_VCardImport(benchmark::State& state) {
  const int cards = int(state.range(0));
  const std::string file = VCardFileOf(cards);
  double seconds = 0;
  long peak = 0;
  for (auto _ : state) {
    const std::string path = FreshBook();
    {
      RecordStore store(path, "");
      ImportCounts counts;
      const bool reset = ResetPeakMemory();
      const long before = StatusKilobytes("VmRSS:");
      const auto start = Clock::now();
      ImportVCardFile(store, file, counts);
      const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
      if (reset && before >= 0) peak = std::max(peak, StatusKilobytes("VmHWM:") - before);
      if (counts.added != size_t(cards)) std::abort();
      state.SetIterationTime(elapsed);
      seconds += elapsed;
    }
    std::filesystem::remove(path);
  }
  g_seconds["vcard/" + std::to_string(cards)] = seconds / double(state.iterations());
  g_vcardPeakKb["vcard/" + std::to_string(cards)] = double(peak);
  state.counters["us_per_card"] = benchmark::Counter(seconds * 1e6 / double(cards) / double(state.iterations()));
  state.counters["peak_growth_kb"] = benchmark::Counter(double(peak));
}

// The reading alone, without the address book: what the import holds of
// the file itself (the import adds the duplicate test's index of every
// record of the book, which grows with the book whatever its source).
void BM_VCardRead(benchmark::State& state) {
  const int cards = int(state.range(0));
  const std::string file = VCardFileOf(cards);
  long peak = 0;
  double seconds = 0;
  for (auto _ : state) {
    const bool reset = ResetPeakMemory();
    const long before = StatusKilobytes("VmRSS:");
    const auto start = Clock::now();
    std::ifstream in(file, std::ios::binary);
    VCardStreamReader reader;
    VCardFile read;
    std::string chunk(kVCardChunkBytes, '\0');
    size_t count = 0;
    while (in.read(chunk.data(), std::streamsize(chunk.size())) || in.gcount() > 0) {
      reader.Feed(std::string_view(chunk).substr(0, size_t(in.gcount())), read);
      count += read.cards.size();
      read.cards.clear();
    }
    reader.Finish(read);
    count += read.cards.size();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    if (count != size_t(cards)) std::abort();
    if (reset && before >= 0) peak = std::max(peak, StatusKilobytes("VmHWM:") - before);
    state.SetIterationTime(elapsed);
    seconds += elapsed;
  }
  g_seconds["vcard-read/" + std::to_string(cards)] = seconds / double(state.iterations());
  g_vcardPeakKb["vcard-read/" + std::to_string(cards)] = double(peak);
  state.counters["peak_growth_kb"] = benchmark::Counter(double(peak));
}

// One card whose quoted-printable note continues over that many lines.
std::string LongQuotedPrintableCard(int lines) {
  std::string card = "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Lind;Anna;;;\r\nNOTE;ENCODING=QUOTED-PRINTABLE:";
  for (int i = 0; i < lines; ++i) card += "Line " + std::to_string(i) + " of the note, =C3=A5=C3=A4=C3=B6 and more text=\r\n";
  card += "end\r\nEND:VCARD\r\n";
  return card;
}

void BM_VCardQuotedPrintableLines(benchmark::State& state) {
  const int lines = int(state.range(0));
  const std::string card = LongQuotedPrintableCard(lines);
  double seconds = 0;
  for (auto _ : state) {
    const std::string path = FreshBook();
    {
      RecordStore store(path, "");
      ImportCounts counts;
      const auto start = Clock::now();
      if (!ImportVCards(store, card, counts).ok() || counts.added != 1) std::abort();
      const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
      state.SetIterationTime(elapsed);
      seconds += elapsed;
    }
    std::filesystem::remove(path);
  }
  g_seconds["vcard-qp/" + std::to_string(lines)] = seconds / double(state.iterations());
  state.counters["us_per_line"] = benchmark::Counter(seconds * 1e6 / double(lines) / double(state.iterations()));
}

// The reading first, before the import's heap makes room it could reuse.
BENCHMARK(BM_VCardRead)->Arg(10'000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_VCardRead)->Arg(100'000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_VCardImport)->Arg(10'000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_VCardImport)->Arg(100'000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_VCardQuotedPrintableLines)->Arg(2'000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_VCardQuotedPrintableLines)->Arg(20'000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void PrintVCardSummary() {
  if (g_seconds.count("vcard/10000") && g_seconds.count("vcard/100000")) {
    std::printf("  vCard import time per card, 100,000 / 10,000 cards: %.2f (1 means it does not grow)\n",
                (g_seconds["vcard/100000"] / 100000) / (g_seconds["vcard/10000"] / 10000));
    const double small = g_vcardPeakKb["vcard/10000"], large = g_vcardPeakKb["vcard/100000"];
    std::printf("  vCard import peak memory growth, 10,000 cards: %.0f kB, 100,000 cards: %.0f kB, ratio %.2f\n",
                small, large, small > 0 ? large / small : 0.0);
  }
  if (g_vcardPeakKb.count("vcard-read/10000") && g_vcardPeakKb.count("vcard-read/100000")) {
    std::printf("  vCard reading alone, time per card, 100,000 / 10,000 cards: %.2f\n",
                (g_seconds["vcard-read/100000"] / 100000) / (g_seconds["vcard-read/10000"] / 10000));
    std::printf("  vCard reading alone, peak memory growth, 10,000 cards: %.0f kB, 100,000 cards: %.0f kB\n",
                g_vcardPeakKb["vcard-read/10000"], g_vcardPeakKb["vcard-read/100000"]);
  }
  if (g_seconds.count("vcard-qp/2000") && g_seconds.count("vcard-qp/20000")) {
    std::printf("  quoted-printable card time per line, 20,000 / 2,000 lines: %.2f (1 means linear)\n",
                (g_seconds["vcard-qp/20000"] / 20000) / (g_seconds["vcard-qp/2000"] / 2000));
  }
}
// --- end of the vCard import block -----------------------------------------
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
  PrintVCardSummary();
  return 0;
}
