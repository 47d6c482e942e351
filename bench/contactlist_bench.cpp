// The contact list on a 100,000-contact file, against one plain read of the
// same file in the same run (page cache warm for both): opening the file,
// loading and sorting the list, taking its search keys and painting the
// first screen of rows into an offscreen image (and each of these parts on
// its own); then scrolling one page,
// which paints only the rows that come into view. The summary gives each
// case as a multiple of the plain read.
//
//   QT_QPA_PLATFORM=offscreen build/bench/contactlist_bench
//
// The file lives in a fresh folder under $TMPDIR, built on first use and
// removed at the end.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "addressbook/gui/ContactRowDelegate.h"
#include "addressbook/model/ContactRecord.h"
#include "addressbook/model/ContactSearch.h"
#include "store/RecordQuery.h"
#include "store/RecordStore.h"
#include "toolkit/Fonts.h"
#include "toolkit/RecordQueryModel.h"
#include "toolkit/TesselWndList.h"

namespace velmora {
namespace {

constexpr int kContacts = 100'000;
constexpr int kScreenWidth = 700;
constexpr int kScreenHeight = 580;  // ten rows of 58 pixels
std::string g_folder;

constexpr const char* kFirst[] = {"Anna", "Ben", "Carla", "David", "Elif", "Farid", "Greta", "Hiroshi", "Ines",
                                  "Jonas", "Liam", "Maria", "Noah", "Olga", "Pedro", "Rosa", "Sven", "Wei"};
constexpr const char* kLast[] = {"Smith", "Johnson", "Brown", "Garcia", "Miller", "Lee", "Müller", "Schmidt",
                                 "Dubois", "Rossi", "Nowak", "Nielsen", "O'Brien", "Nguyen", "Tanaka", "Okafor"};

const std::string& File() {
  static std::string path;
  if (!path.empty()) return path;
  path = g_folder + "/contacts.adr";
  if (!CreateRecordFile(path, format::FileKind::Address).ok()) std::abort();
  RecordStore store(path, "");
  std::mt19937 random(7);
  Bytes all;
  all.reserve(size_t(kContacts) * contact::kRecordSize);
  for (int i = 0; i < kContacts; ++i) {
    Bytes buffer;
    InitContactRecord(store, buffer);
    Contact c(std::move(buffer));
    c.SetText(contact::kFirstName, kFirst[random() % std::size(kFirst)]);
    c.SetText(contact::kLastName, std::string(kLast[random() % std::size(kLast)]) + " " + std::to_string(i));
    c.SetText(contact::kCompany, "Company " + std::to_string(random() % 5000));
    c.SetText(contact::kHomePhone, "555 " + std::to_string(1000 + random() % 9000));
    c.SetText(contact::kHomeEmail, "contact" + std::to_string(i) + "@example.org");
    if (i % 7 == 0) c.SetCategory("Clients");
    all.insert(all.end(), c.bytes().begin(), c.bytes().end());
  }
  if (!store.AddRecords(all).ok() || !store.Flush().ok()) std::abort();
  return path;
}

void BM_PlainRead(benchmark::State& state) {
  const std::string& path = File();
  std::vector<char> buffer(size_t(4) << 20);
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    off_t at = 0;
    ssize_t got = 0;
    while ((got = ::pread(fd, buffer.data(), buffer.size(), at)) > 0) at += got;
    ::close(fd);
    benchmark::DoNotOptimize(at);
  }
}

// The list widget over the file: the rows that fit the screen.
struct Screen {
  RecordQueryModel model;
  ContactRowDelegate delegate;
  TesselWndList list;
  QImage image{kScreenWidth, kScreenHeight, QImage::Format_RGB32};
  Screen() {
    list.SetModel(&model);
    list.SetDelegate(&delegate);
    list.SetRowHeight(kContactRowHeight);
    list.resize(kScreenWidth, kScreenHeight);
  }
  void Paint() { list.render(&image); }
};

void BM_OpenLoadPaint(benchmark::State& state) {
  const std::string& path = File();
  for (auto _ : state) {
    RecordStore store(path, "");
    RecordQuery query;
    ContactListKeys keys;
    if (!LoadContactList(store, query, "", 2).ok() || !keys.Build(store, query, 2).ok()) {
      state.SkipWithError("load failed");
      break;
    }
    Screen screen;
    screen.model.SetSource(&store, &query);
    screen.Paint();
    benchmark::DoNotOptimize(keys.rows());
  }
}

// The parts of the case above, to show where its time goes.
void BM_OpenLoad(benchmark::State& state) {
  const std::string& path = File();
  for (auto _ : state) {
    RecordStore store(path, "");
    RecordQuery query;
    if (!LoadContactList(store, query, "", 2).ok()) {
      state.SkipWithError("load failed");
      break;
    }
    benchmark::DoNotOptimize(query.count());
  }
}

void BM_KeysBuild(benchmark::State& state) {
  RecordStore store(File(), "");
  RecordQuery query;
  if (!LoadContactList(store, query, "", 2).ok()) {
    state.SkipWithError("load failed");
    return;
  }
  for (auto _ : state) {
    ContactListKeys keys;
    if (!keys.Build(store, query, 2).ok()) {
      state.SkipWithError("keys failed");
      break;
    }
    benchmark::DoNotOptimize(keys.rows());
  }
}

void BM_FirstScreen(benchmark::State& state) {
  RecordStore store(File(), "");
  RecordQuery query;
  if (!LoadContactList(store, query, "", 2).ok()) {
    state.SkipWithError("load failed");
    return;
  }
  for (auto _ : state) {
    Screen screen;
    screen.model.SetSource(&store, &query);
    screen.Paint();
  }
}

void BM_ScrollOnePage(benchmark::State& state) {
  RecordStore store(File(), "");
  RecordQuery query;
  if (!LoadContactList(store, query, "", 2).ok()) {
    state.SkipWithError("load failed");
    return;
  }
  Screen screen;
  screen.model.SetSource(&store, &query);
  int top = 0;
  for (auto _ : state) {
    top = (top + screen.list.fullyVisibleRows()) % (kContacts - 20);
    screen.list.SetTopRow(top);
    screen.Paint();
  }
}

BENCHMARK(BM_PlainRead)->Name("PlainRead")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenLoadPaint)->Name("OpenLoadKeysPaint")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenLoad)->Name("OpenLoad")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeysBuild)->Name("KeysBuild")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstScreen)->Name("FirstScreen")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollOnePage)->Name("ScrollOnePage")->Unit(benchmark::kMicrosecond);

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
      seconds_[run.benchmark_name()] = run.real_accumulated_time / double(run.iterations);
    }
  }
  void PrintSummary() const {
    const auto plain = seconds_.find("PlainRead");
    if (plain == seconds_.end()) return;
    std::printf("\nAgainst one plain read of the %d-contact file (%.2f ms):\n", kContacts, plain->second * 1e3);
    for (const auto& [name, seconds] : seconds_) {
      if (name == "PlainRead") continue;
      std::printf("  %-20s %10.3f ms   ratio %7.3f\n", name.c_str(), seconds * 1e3, seconds / plain->second);
    }
  }

 private:
  std::map<std::string, double> seconds_;
};

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  velmora::CreateSharedFonts();
  std::string pattern = (fs::temp_directory_path() / "velmora-listbench-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  velmora::g_folder = pattern;
  benchmark::Initialize(&argc, argv);
  velmora::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary();
  benchmark::Shutdown();
  std::error_code ignored;
  fs::remove_all(pattern, ignored);
  return 0;
}
