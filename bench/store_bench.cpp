// Record store throughput, each case measured against reading the same file
// once from front to back with plain preads of 4 MiB (page cache warm for
// both). The summary printed at the end gives every case as a multiple of
// that plain read; listing a whole address book (scan + sort by last name)
// should stay within 2x. Adding 100,000 contacts in batches is measured
// against writing the same bytes to a new file with plain 4 MiB writes (both
// made durable at the end) and should stay within 3x.
//
//   build/bench/store_bench                          full run
//   build/bench/store_bench --benchmark_min_time=0.2 quick run
//   build/bench/store_bench --benchmark_filter=10000 only the small files
//
// Files live in a fresh folder under $TMPDIR (default /tmp), built on first
// use and removed at the end.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "addressbook/model/ContactRecord.h"
#include "store/RecordQuery.h"
#include "store/RecordStore.h"

namespace velmora {
namespace {

constexpr int kSmall = 10'000;
constexpr int kLarge = 100'000;
constexpr size_t kPlainChunk = size_t(4) << 20;

std::string g_folder;

// ---- Realistic contacts ------------------------------------------------------

constexpr const char* kFirstNames[] = {
    "Anna", "Ben", "Carla", "David", "Elif", "Farid", "Greta", "Hiroshi", "Ines", "Jonas", "Katarzyna", "Liam",
    "Maria", "Noah", "Olga", "Pedro", "Quentin", "Rosa", "Sven", "Tamara", "Ulrich", "Valentina", "Wei", "Ximena",
    "Yusuf", "Zoë", "André", "Björn", "Chloé", "Dmitri", "Émile", "François", "Günther", "Håkon", "Ólafur",
    "Siobhán", "Thomas", "Sarah", "Michael", "Jennifer", "Robert", "Linda", "James", "Patricia", "john", "mary"};

constexpr const char* kLastNames[] = {
    "Smith", "Johnson", "Williams", "Brown", "Jones", "Garcia", "Miller", "Davis", "Rodriguez", "Martinez",
    "Hernandez", "Lopez", "Gonzalez", "Wilson", "Anderson", "Thomas", "Taylor", "Moore", "Jackson", "Martin",
    "Lee", "Perez", "Thompson", "White", "Harris", "Sanchez", "Clark", "Ramirez", "Lewis", "Robinson", "Müller",
    "Schmidt", "Schneider", "Fischer", "Weber", "Meyer", "Wagner", "Becker", "Schulz", "Hoffmann", "Dubois",
    "Lefèvre", "Moreau", "Rossi", "Russo", "Ferrari", "Esposito", "Bianchi", "Nowak", "Kowalski", "Wiśniewski",
    "Novák", "Svoboda", "Nielsen", "Jensen", "Hansen", "Andersson", "Johansson", "Øster", "Ødegaard", "Åberg",
    "O'Brien", "O'Neill", "McDonald", "MacLeod", "van der Berg", "van Dijk", "de Jong", "de la Cruz", "da Silva",
    "dos Santos", "Nguyen", "Tran", "Kim", "Park", "Tanaka", "Suzuki", "Yamamoto", "Wang", "Li", "Zhang", "Chen",
    "Papadopoulos", "Yilmaz", "Kaya", "Ivanov", "Petrov", "Smirnov", "Abdullah", "Haddad", "Okafor", "Mensah",
    "Fitzgerald-Hawthorne", "Alexandropoulou-Konstantinidou", "smith", "MÜLLER", "Zimmermann", "Zuckerberg"};

// Contacts with varied names: a last name, often a middle initial or a
// number suffix so keys are not all distinct words, and now and then a
// contact with no last name (a company entry).
std::vector<Bytes> MakeContacts(RecordStore& store, int count, uint32_t seed) {
  std::mt19937 random(seed);
  auto pick = [&](auto& list) { return std::string(list[random() % std::size(list)]); };
  std::vector<Bytes> contacts;
  contacts.reserve(size_t(count));
  for (int i = 0; i < count; ++i) {
    Bytes buffer;
    InitContactRecord(store, buffer);
    Contact contact(std::move(buffer));
    contact.SetText(contact::kFirstName, pick(kFirstNames));
    std::string last = pick(kLastNames);
    switch (random() % 10) {
      case 0: last += " " + pick(kLastNames); break;  // double-barrelled
      case 1: last += " " + std::to_string(random() % 1000); break;
      case 2: if (random() % 10 == 0) last.clear(); break;
      default: break;
    }
    contact.SetText(contact::kLastName, last);
    contact.SetText(contact::kMiddleName, std::string(1, char('A' + random() % 26)) + ".");
    contact.SetText(contact::kHomeCity, pick(kLastNames) + "ville");
    contact.SetText(contact::kHomeEmail, "contact" + std::to_string(i) + "@example.org");
    contacts.push_back(std::move(contact.bytes()));
  }
  return contacts;
}

// ---- Files -------------------------------------------------------------------

// live contacts; with freeSlots, as many free slots again, spread at random.
std::string BuildFile(int live, bool freeSlots) {
  std::string path = g_folder + "/contacts-" + std::to_string(live) + (freeSlots ? "-half-free" : "") + ".adr";
  if (!CreateRecordFile(path, format::FileKind::Address).ok()) return {};
  RecordStore store(path, "");
  int total = freeSlots ? 2 * live : live;
  std::vector<Bytes> contacts = MakeContacts(store, total, uint32_t(live) * 7 + freeSlots);
  std::vector<RecordPosition> positions;
  positions.reserve(contacts.size());
  for (const Bytes& contact : contacts) {
    RecordPosition at = 0;
    if (!store.AddRecord(contact, &at).ok()) return {};
    positions.push_back(at);
  }
  if (freeSlots) {
    std::shuffle(positions.begin(), positions.end(), std::mt19937(42));
    for (int i = 0; i < live; ++i) {
      if (!store.DeleteRecord(positions[size_t(i)]).ok()) return {};
    }
  }
  if (!store.Flush().ok()) return {};
  return path;
}

// Built once per run, on first use.
const std::string& FileFor(int live, bool freeSlots) {
  static std::map<std::pair<int, bool>, std::string> files;
  auto key = std::make_pair(live, freeSlots);
  auto found = files.find(key);
  if (found == files.end()) found = files.emplace(key, BuildFile(live, freeSlots)).first;
  return found->second;
}

// Reads the whole file in large chunks; returns the bytes read, 0 on error.
uint64_t PlainRead(const std::string& path, std::vector<uint8_t>& buffer) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  buffer.resize(kPlainChunk);
  uint64_t total = 0;
  for (;;) {
    ssize_t n = ::pread(fd, buffer.data(), buffer.size(), off_t(total));
    if (n <= 0) break;
    benchmark::DoNotOptimize(buffer.data());
    total += uint64_t(n);
  }
  ::close(fd);
  return total;
}

// ---- Benchmarks --------------------------------------------------------------

void BM_PlainRead(benchmark::State& state, int live, bool freeSlots) {
  const std::string& path = FileFor(int(live), freeSlots);
  if (path.empty()) return state.SkipWithError("cannot build the file");
  std::vector<uint8_t> buffer;
  uint64_t bytes = PlainRead(path, buffer);  // warms the page cache
  for (auto _ : state) benchmark::DoNotOptimize(PlainRead(path, buffer));
  state.SetBytesProcessed(int64_t(bytes) * state.iterations());
}

// The listing of a whole address book: every live record, sorted by last
// name. With keyKnown the query is told its sort key before the scan, as the
// contact list does (it knows its sort order), so the scan gathers the keys;
// without it Sort reads the file a second time.
void BM_RunAndSort(benchmark::State& state, int live, bool freeSlots, bool keyKnown) {
  const std::string& path = FileFor(live, freeSlots);
  if (path.empty()) return state.SkipWithError("cannot build the file");
  std::vector<uint8_t> buffer;
  uint64_t bytes = PlainRead(path, buffer);
  RecordStore store(path, "");
  RecordQuery query;
  for (auto _ : state) {
    query.Reset();
    if (keyKnown) query.SetSortKey(contact::kLastName.offset, contact::kLastName.width, CompareText);
    query.AddMatchAll();
    if (!query.Run(store).ok()) return state.SkipWithError("Run failed");
    if (!query.Sort(store, contact::kLastName.offset, contact::kLastName.width, CompareText).ok()) {
      return state.SkipWithError("Sort failed");
    }
  }
  if (query.count() != size_t(live)) return state.SkipWithError("wrong number of results");
  state.counters["results"] = double(query.count());
  state.SetBytesProcessed(int64_t(bytes) * state.iterations());
}

// 10,000 adds into an empty file, one flush at the end.
void BM_AddRecords(benchmark::State& state) {
  const int count = kSmall;
  const std::string path = g_folder + "/adds.adr";
  std::vector<Bytes> contacts;
  {
    if (!CreateRecordFile(path, format::FileKind::Address).ok()) return state.SkipWithError("cannot create");
    RecordStore store(path, "");
    contacts = MakeContacts(store, count, 99);
  }
  for (auto _ : state) {
    state.PauseTiming();
    if (!CreateRecordFile(path, format::FileKind::Address).ok()) return state.SkipWithError("cannot create");
    state.ResumeTiming();
    RecordStore store(path, "");
    for (const Bytes& contact : contacts) {
      if (!store.AddRecord(contact).ok()) return state.SkipWithError("AddRecord failed");
    }
    if (!store.Flush().ok()) return state.SkipWithError("Flush failed");
  }
  state.SetItemsProcessed(int64_t(count) * state.iterations());
}

// All contacts of a count, laid end to end as AddRecords takes them; built
// once per run.
const Bytes& ContactBytes(int count) {
  static std::map<int, Bytes> built;
  auto found = built.find(count);
  if (found != built.end()) return found->second;
  Bytes all;
  const std::string path = g_folder + "/maker.adr";
  if (CreateRecordFile(path, format::FileKind::Address).ok()) {
    RecordStore store(path, "");
    std::vector<Bytes> contacts = MakeContacts(store, count, 1234);
    all.reserve(contacts.size() * store.recordSize());
    for (const Bytes& contact : contacts) all.insert(all.end(), contact.begin(), contact.end());
  }
  return built.emplace(count, std::move(all)).first->second;
}

// The contacts added to a new file through the batch path, then flushed.
void BM_BatchAdd(benchmark::State& state, int count) {
  const Bytes& contacts = ContactBytes(count);
  if (contacts.empty()) return state.SkipWithError("cannot build the contacts");
  const std::string path = g_folder + "/batch.adr";
  for (auto _ : state) {
    state.PauseTiming();
    if (!CreateRecordFile(path, format::FileKind::Address).ok()) return state.SkipWithError("cannot create");
    state.ResumeTiming();
    RecordStore store(path, "");
    size_t added = 0;
    if (!store.AddRecords(contacts, &added).ok() || added != size_t(count)) {
      return state.SkipWithError("AddRecords failed");
    }
    if (!store.Flush().ok()) return state.SkipWithError("Flush failed");
  }
  state.SetItemsProcessed(int64_t(count) * state.iterations());
  state.SetBytesProcessed(int64_t(contacts.size()) * state.iterations());
}

// The same bytes written to a new file with plain 4 MiB writes, then synced.
void BM_PlainWrite(benchmark::State& state, int count) {
  const Bytes& contacts = ContactBytes(count);
  if (contacts.empty()) return state.SkipWithError("cannot build the contacts");
  const std::string path = g_folder + "/plain.bin";
  for (auto _ : state) {
    state.PauseTiming();
    ::unlink(path.c_str());
    state.ResumeTiming();
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return state.SkipWithError("cannot create");
    for (size_t done = 0; done < contacts.size();) {
      ssize_t n = ::write(fd, contacts.data() + done, std::min(kPlainChunk, contacts.size() - done));
      if (n <= 0) {
        ::close(fd);
        return state.SkipWithError("write failed");
      }
      done += size_t(n);
    }
    if (::fdatasync(fd) != 0) state.SkipWithError("fdatasync failed");
    ::close(fd);
  }
  state.SetItemsProcessed(int64_t(count) * state.iterations());
  state.SetBytesProcessed(int64_t(contacts.size()) * state.iterations());
}

void RegisterAll() {
  struct Case {
    int live;
    bool freeSlots;
  };
  for (Case c : {Case{kSmall, false}, Case{kSmall, true}, Case{kLarge, false}, Case{kLarge, true}}) {
    std::string suffix = std::to_string(c.live) + (c.freeSlots ? "/half_free" : "/packed");
    benchmark::RegisterBenchmark(("PlainRead/" + suffix).c_str(), BM_PlainRead, c.live, c.freeSlots)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("RunAndSort/" + suffix).c_str(), BM_RunAndSort, c.live, c.freeSlots, true)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("ColdRunAndSort/" + suffix).c_str(), BM_RunAndSort, c.live, c.freeSlots, false)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("AddRecords/10000/packed", BM_AddRecords)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("PlainWrite/100000/contacts", BM_PlainWrite, kLarge)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("BatchAdd/100000/contacts", BM_BatchAdd, kLarge)->Unit(benchmark::kMillisecond);
}

// ---- Summary -----------------------------------------------------------------

// Passes everything to the console and keeps the mean time per iteration of
// each case, so the end of the run can relate each one to its plain read.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  using ConsoleReporter::ConsoleReporter;
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) continue;
      Sample& s = seconds_[run.benchmark_name()];
      s.total += run.real_accumulated_time / double(run.iterations);
      s.count += 1;
    }
  }

  void PrintSummary() const {
    std::printf("\nAgainst one plain read (or, for adds, one plain write) of the same bytes:\n");
    for (const auto& [name, sample] : seconds_) {
      if (name.rfind("Plain", 0) == 0) continue;
      const bool add = name.rfind("BatchAdd/", 0) == 0;
      std::string base = std::string(add ? "PlainWrite/" : "PlainRead/") + name.substr(name.find('/') + 1);
      auto plain = seconds_.find(base);
      double ms = sample.mean() * 1e3;
      if (plain == seconds_.end()) {
        std::printf("  %-28s %9.2f ms   (no plain case measured)\n", name.c_str(), ms);
        continue;
      }
      double ratio = sample.mean() / plain->second.mean();
      const char* verdict = "";
      if (name.rfind("RunAndSort/", 0) == 0) verdict = ratio <= 2.0 ? "  within 2x" : "  OVER 2x";
      if (add) verdict = ratio <= 3.0 ? "  within 3x" : "  OVER 3x";
      std::printf("  %-28s %9.2f ms   %s %8.2f ms   ratio %6.2f%s\n", name.c_str(), ms,
                  add ? "plain write" : "plain read ", plain->second.mean() * 1e3, ratio, verdict);
    }
  }

 private:
  struct Sample {
    double total = 0;
    int count = 0;
    double mean() const { return total / count; }
  };
  std::map<std::string, Sample> seconds_;
};

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::string pattern = (fs::temp_directory_path() / "velmora-bench-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  velmora::g_folder = pattern;
  // New files read their exchange settings from the program folder: keep it
  // inside the bench folder.
  ::setenv("VELMORA_HOME", pattern.c_str(), 1);

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  velmora::RegisterAll();
  velmora::RatioReporter reporter(::isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_ColorTabular
                                                         : benchmark::ConsoleReporter::OO_Tabular);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary();
  benchmark::Shutdown();

  std::error_code ignored;
  fs::remove_all(pattern, ignored);
  return 0;
}
