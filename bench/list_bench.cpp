// The contact list over 100,000 contacts, each case against one plain read
// of the same file (4 MiB preads, page cache warm) measured in the same run:
//   LoadList/sort1, LoadList/sort2   loading and sorting the list and taking
//                                    its keys for the searches (target: 3x)
//   Find/name, Find/nothing          the "Find" dialog's query (target: 2x)
//   ListJson/writer                  `velmora list`'s output path: every
//                                    contact read and written as a JSON line
//   ListJson/value                   the same through a JSON value per record
//                                    (the way before the writer), for the
//                                    speed-up of the writer
// and, in microseconds over the loaded list, a search-box keystroke and an
// index-bar click (bisection), with the linear rules for contrast.
//
//   build/bench/list_bench                           full run
//   build/bench/list_bench --benchmark_min_time=0.2  quick run
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

#include "addressbook/model/ContactRecord.h"
#include "addressbook/model/ContactSearch.h"
#include "importexport/RecordJson.h"
#include "store/RecordQuery.h"
#include "store/RecordStore.h"

namespace velmora {
namespace {

constexpr int kContacts = 100'000;
constexpr size_t kPlainChunk = size_t(4) << 20;

std::string g_folder;

constexpr const char* kFirstNames[] = {"Anna",  "Ben",   "Carla", "David",  "Elif",   "Joanne", "Greta",
                                       "Hiroshi", "Ines", "Jonas", "Zoë",    "André", "Björn",  "john",
                                       "mary",  "Émile", "Olga",  "Pedro",  "Quentin", "Sven"};
constexpr const char* kLastNames[] = {"Smith",  "Johnson", "Brown",   "brown",   "Müller", "Schmidt", "Nguyen",
                                      "O'Brien", "van Dijk", "Zimmermann", "Lee", "Kowalski", "Ødegaard",
                                      "Åberg",  "Meyer",   "mayer",   "Rossi",   "[draft]", "_temp", "42nd Street"};

// The contacts file, built once per run.
const std::string& ContactsFile() {
  static const std::string path = [] {
    std::string file = g_folder + "/contacts.adr";
    if (!CreateRecordFile(file, format::FileKind::Address).ok()) return std::string();
    RecordStore store(file, "");
    std::mt19937 random(2026);
    auto pick = [&](auto& list) { return std::string(list[random() % std::size(list)]); };
    Bytes batch;
    size_t total = 0;
    for (int i = 0; i < kContacts; ++i) {
      Bytes buffer;
      InitContactRecord(store, buffer);
      Contact contact(std::move(buffer));
      contact.SetText(contact::kFirstName, pick(kFirstNames));
      contact.SetText(contact::kLastName, pick(kLastNames) + (i % 3 ? "" : " " + std::to_string(i % 1000)));
      contact.SetText(contact::kCompany, "Company " + std::to_string(i % 5000));
      contact.SetText(contact::kHomeCity, pick(kLastNames) + "ville");
      contact.SetText(contact::kHomePhone, "+49 30 " + std::to_string(1000000 + i));
      contact.SetText(contact::kHomeEmail, "contact" + std::to_string(i) + "@example.org");
      contact.SetNotes("Met at conference " + std::to_string(i % 300) + ".\nLikes tea.");
      contact.SetCategory(i % 4 == 0 ? "Business" : "");
      batch.insert(batch.end(), contact.bytes().begin(), contact.bytes().end());
      if (batch.size() >= kMaxBatchBytes / 2 || i + 1 == kContacts) {
        size_t added = 0;
        if (!store.AddRecords(batch, &added).ok()) return std::string();
        total += added;
        batch.clear();
      }
    }
    if (total != size_t(kContacts) || !store.Flush().ok()) return std::string();
    return file;
  }();
  return path;
}

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

void BM_PlainRead(benchmark::State& state) {
  const std::string& path = ContactsFile();
  if (path.empty()) return state.SkipWithError("cannot build the file");
  std::vector<uint8_t> buffer;
  PlainRead(path, buffer);  // warms the page cache
  for (auto _ : state) benchmark::DoNotOptimize(PlainRead(path, buffer));
}

void BM_LoadList(benchmark::State& state, int sortOrder) {
  const std::string& path = ContactsFile();
  if (path.empty()) return state.SkipWithError("cannot build the file");
  RecordStore store(path, "");
  RecordQuery query;
  ContactListKeys keys;
  for (auto _ : state) {
    if (!LoadContactList(store, query, "", sortOrder).ok()) return state.SkipWithError("load failed");
    if (!keys.Build(store, query, sortOrder).ok()) return state.SkipWithError("keys failed");
  }
  if (keys.rows() != size_t(kContacts) || !keys.sorted()) return state.SkipWithError("wrong keys");
}

// The keys of the list sorted by last name, loaded once.
const ContactListKeys& LoadedKeys() {
  static const ContactListKeys keys = [] {
    ContactListKeys built;
    RecordStore store(ContactsFile(), "");
    RecordQuery query;
    if (LoadContactList(store, query, "", 2).ok()) (void)built.Build(store, query, 2);
    return built;
  }();
  return keys;
}

// Texts typed one keystroke after another: the prefixes of a few names.
std::vector<std::string> Keystrokes() {
  std::vector<std::string> texts;
  for (const char* name : {"Meyer", "mü", "Zimmermann", "O'B", "ødeg", "brownie", "a", "zz"}) {
    const std::string full(name);
    for (size_t n = 1; n <= full.size(); ++n) texts.push_back(full.substr(0, n));
  }
  return texts;
}

void BM_SearchBox(benchmark::State& state, bool bisect) {
  const ContactListKeys& keys = LoadedKeys();
  if (keys.rows() != size_t(kContacts)) return state.SkipWithError("no keys");
  const std::vector<std::string> texts = Keystrokes();
  size_t next = 0;
  for (auto _ : state) {
    const std::string& text = texts[next++ % texts.size()];
    benchmark::DoNotOptimize(bisect ? SearchBoxRow(keys, text) : SearchBoxRowLinear(keys, text));
  }
}

void BM_IndexBar(benchmark::State& state, bool bisect) {
  const ContactListKeys& keys = LoadedKeys();
  if (keys.rows() != size_t(kContacts)) return state.SkipWithError("no keys");
  char letter = 'a';
  for (auto _ : state) {
    benchmark::DoNotOptimize(bisect ? IndexBarRow(keys, letter) : IndexBarRowLinear(keys, letter));
    letter = letter == 'z' ? 'a' : char(letter + 1);
  }
}

void BM_Find(benchmark::State& state, const char* text) {
  const std::string& path = ContactsFile();
  if (path.empty()) return state.SkipWithError("cannot build the file");
  RecordStore store(path, "");
  RecordQuery query;
  for (auto _ : state) {
    if (!RunFind(store, query, text, "").ok()) return state.SkipWithError("find failed");
  }
  state.counters["matches"] = double(query.count());
}

// Every contact, in file order, read and written as a JSON line into an
// output buffer handed on every 64 KiB, as `velmora list` does.
void BM_ListJson(benchmark::State& state, bool writer) {
  const std::string& path = ContactsFile();
  if (path.empty()) return state.SkipWithError("cannot build the file");
  RecordStore store(path, "");
  RecordQuery query;
  query.AddMatchAll();
  if (!query.Run(store).ok()) return state.SkipWithError("run failed");
  const FieldTable body = ContactJsonFields();
  const RecordJsonWriter json(body);
  Bytes record;
  std::string out;
  size_t bytes = 0;
  for (auto _ : state) {
    for (RecordPosition at : query.positions()) {
      if (!store.ReadRecordIfLive(record, at).ok()) return state.SkipWithError("read failed");
      if (writer) json.Append(out, record.data(), at);
      else out += JsonLine(RecordToJson(record.data(), at, body)) + '\n';
      if (out.size() >= 65536) {
        bytes += out.size();
        benchmark::DoNotOptimize(out.data());
        out.clear();
      }
    }
  }
  state.SetBytesProcessed(int64_t(bytes));
}

void RegisterAll() {
  using benchmark::kMicrosecond;
  using benchmark::kMillisecond;
  benchmark::RegisterBenchmark("PlainRead", BM_PlainRead)->Unit(kMillisecond);
  benchmark::RegisterBenchmark("LoadList/sort1", BM_LoadList, 1)->Unit(kMillisecond);
  benchmark::RegisterBenchmark("LoadList/sort2", BM_LoadList, 2)->Unit(kMillisecond);
  benchmark::RegisterBenchmark("Find/name", BM_Find, "joanne")->Unit(kMillisecond);
  benchmark::RegisterBenchmark("Find/nothing", BM_Find, "qqqq")->Unit(kMillisecond);
  benchmark::RegisterBenchmark("ListJson/writer", BM_ListJson, true)->Unit(kMillisecond);
  benchmark::RegisterBenchmark("ListJson/value", BM_ListJson, false)->Unit(kMillisecond);
  benchmark::RegisterBenchmark("SearchBox/bisection", BM_SearchBox, true)->Unit(kMicrosecond);
  benchmark::RegisterBenchmark("SearchBox/linear", BM_SearchBox, false)->Unit(kMicrosecond);
  benchmark::RegisterBenchmark("IndexBar/bisection", BM_IndexBar, true)->Unit(kMicrosecond);
  benchmark::RegisterBenchmark("IndexBar/linear", BM_IndexBar, false)->Unit(kMicrosecond);
}

// ---- Summary -----------------------------------------------------------------

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
    if (plain == seconds_.end()) {
      std::printf("\n(no plain read measured: no ratios)\n");
      return;
    }
    const double base = plain->second;
    std::printf("\nAgainst one plain read of the file (%.2f ms):\n", base * 1e3);
    struct Target {
      const char* prefix;
      double most;
    };
    const Target targets[] = {{"LoadList/", 3.0}, {"Find/", 2.0}, {"ListJson/", 0.0}};
    for (const auto& [name, seconds] : seconds_) {
      for (const Target& target : targets) {
        if (name.rfind(target.prefix, 0) != 0) continue;
        const double ratio = seconds / base;
        std::printf("  %-22s %9.2f ms   ratio %6.2f%s\n", name.c_str(), seconds * 1e3, ratio,
                    target.most == 0 ? "" : (ratio <= target.most ? "  within target" : "  OVER target"));
      }
    }
    auto writer = seconds_.find("ListJson/writer");
    auto value = seconds_.find("ListJson/value");
    if (writer != seconds_.end() && value != seconds_.end()) {
      std::printf("  JSON lines: the writer is %.2fx as fast as a JSON value per record\n",
                  value->second / writer->second);
    }
    std::printf("Over the loaded list of %d contacts (microseconds per answer):\n", kContacts);
    for (const char* name : {"SearchBox/bisection", "SearchBox/linear", "IndexBar/bisection", "IndexBar/linear"}) {
      auto found = seconds_.find(name);
      if (found != seconds_.end()) std::printf("  %-22s %9.3f us\n", name, found->second * 1e6);
    }
  }

 private:
  std::map<std::string, double> seconds_;
};

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::string pattern = (fs::temp_directory_path() / "velmora-listbench-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  velmora::g_folder = pattern;
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
