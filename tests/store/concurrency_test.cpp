// Several processes on one record file at once: adds, edits and deletes from
// different processes, racing edit locks, and a process killed while it
// holds a connection and an edit lock.
//
// Children are forked and run their part directly (no exec); they report
// through pipes and their exit status and never return into the test
// framework. The parent holds no connection while it forks, so no child
// shares a parent's open file description (and its OFD locks).
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "store/Bytes.h"
#include "store/Compact.h"
#include "store/FileLocks.h"
#include "store/RecordHeader.h"
#include "store/RecordQuery.h"
#include "store/RecordStore.h"
#include "store/Refresh.h"
#include "tests/support/Files.h"
#include "tests/support/ForwardingFiles.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

namespace h = format::header;
namespace r = format::record;

// Two text fields of an address-book record body that the tests mark
// records with: the first name and the notes.
constexpr uint32_t kNameOffset = 829;
constexpr uint32_t kNameWidth = 30;
constexpr uint32_t kNotesOffset = 2701;
constexpr uint32_t kNotesWidth = 1024;

// ---- Processes and pipes -------------------------------------------------------

class Pipe {
 public:
  Pipe() {
    if (::pipe(fds_) != 0) fds_[0] = fds_[1] = -1;
  }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;

  bool ok() const { return fds_[0] >= 0; }
  void CloseRead() { CloseFd(fds_[0]); }
  void CloseWrite() { CloseFd(fds_[1]); }
  bool Write(const void* data, size_t length) { return ::write(fds_[1], data, length) == ssize_t(length); }
  // Reads exactly length bytes; false at end of file or on error.
  bool Read(void* data, size_t length) {
    auto* p = static_cast<uint8_t*>(data);
    for (size_t done = 0; done < length;) {
      ssize_t n = ::read(fds_[0], p + done, length - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += size_t(n);
    }
    return true;
  }

 private:
  static void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  int fds_[2];
};

// A forked child running body; its exit status is body's result. A child
// not reaped by the test is killed and reaped when this goes away.
class Child {
 public:
  explicit Child(const std::function<int()>& body) {
    pid_ = ::fork();
    if (pid_ == 0) {
      int status = 99;
      try {
        status = body();
      } catch (...) {
        status = 98;
      }
      ::_exit(status);
    }
  }
  ~Child() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      (void)Wait();
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool started() const { return pid_ > 0; }
  // The raw wait status; -1 when there is nothing to wait for.
  int Wait() {
    if (pid_ <= 0) return -1;
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0) {
      if (errno != EINTR) return -1;
    }
    pid_ = -1;
    return status;
  }
  // Exit code of a normal exit, -1 otherwise.
  int WaitExitCode() {
    int status = Wait();
    return status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  void Kill() { ::kill(pid_, SIGKILL); }

 private:
  pid_t pid_ = -1;
};

// ---- Reading the file as it lies on disk -----------------------------------------

struct FileImage {
  Bytes bytes;
  uint32_t recordSize = 0;

  explicit FileImage(const std::string& path) {
    bytes = testing::ReadFileBytes(path);
    if (bytes.size() >= format::kPrologueSize) recordSize = GetU32(bytes.data() + format::kPrologueRecordSize);
  }
  const uint8_t* header() const { return bytes.data() + format::kHeaderOffset; }
  int32_t openCount() const { return GetI32(header() + h::kOpenCount); }
  int32_t balance() const { return GetI32(header() + h::kFreeSlotBalance); }
  uint64_t changeCounter() const { return GetU64(header() + h::kChangeCounter); }
  size_t slotCount() const { return (bytes.size() - format::kFirstSlotOffset) / recordSize; }
  const uint8_t* slot(size_t i) const { return bytes.data() + format::kFirstSlotOffset + i * recordSize; }
  RecordPosition position(size_t i) const { return format::kFirstSlotOffset + i * recordSize; }
};

std::string Name(const uint8_t* record) { return std::string(RawText(record + kNameOffset, kNameWidth)); }

Bytes NewRecord(RecordStore& store, const std::string& name) {
  Bytes record;
  store.InitRecord(record, store.recordSize());
  PutText(record.data() + kNameOffset, kNameWidth, name);
  return record;
}

class ConcurrencyTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(CreateRecordFile(path, format::FileKind::Address).ok()); }
  void TearDown() override { SetRefreshAllowed(true); }

  // Adds records named prefix0, prefix1, ... and returns their positions.
  std::vector<RecordPosition> AddNamed(const std::string& prefix, int count) {
    RecordStore store(path, "");
    std::vector<RecordPosition> positions;
    for (int i = 0; i < count; ++i) {
      RecordPosition at = 0;
      EXPECT_TRUE(store.AddRecord(NewRecord(store, prefix + std::to_string(i)), &at).ok());
      positions.push_back(at);
    }
    return positions;
  }

  testing::TempDir dir;
  std::string path = dir.File("shared.adr");
};

// ---- Adds, edits and deletes from seven processes at once --------------------

struct Counts {
  int32_t adds = 0;
  int32_t updates = 0;
  int32_t deletes = 0;
};

constexpr int kAdders = 4;
constexpr int kAddsPerAdder = 500;
constexpr int kUpdaters = 2;
constexpr int kUpdateAttempts = 400;
constexpr int kInitialRecords = 40;
constexpr int kDeleteAttempts = 15;

// Exit codes of the children: 0 fine, anything else names the step that
// went wrong.
enum ChildError { kNoConnection = 10, kAddFailed, kReadFailed, kUpdateFailed, kUnlockFailed, kDeleteFailed };

int RunAdder(const std::string& path, int adder, Pipe& go, Pipe& report) {
  char start;
  (void)go.Read(&start, 1);  // end of file: everybody starts together
  Counts counts;
  {
    RecordStore store(path, "");
    if (!store.IsOpen()) return kNoConnection;
    for (int i = 0; i < kAddsPerAdder; ++i) {
      Bytes record = NewRecord(store, "adder-" + std::to_string(adder) + "-" + std::to_string(i));
      if (!store.AddRecord(record).ok()) return kAddFailed;
      ++counts.adds;
      ::sched_yield();  // let the other adders in between
    }
  }
  return report.Write(&counts, sizeof counts) ? 0 : 1;
}

// Locks random live records (the list is refreshed now and then so new
// records become targets too), rewrites their notes and unlocks them.
int RunUpdater(const std::string& path, int updater, Pipe& go, Pipe& report) {
  char start;
  (void)go.Read(&start, 1);
  Counts counts;
  {
    RecordStore store(path, "");
    if (!store.IsOpen()) return kNoConnection;
    std::mt19937 random(unsigned(1000 + updater));
    RecordQuery query;
    for (int attempt = 0; attempt < kUpdateAttempts; ++attempt) {
      if (attempt % 40 == 0) {
        (void)query.Prepare();
        query.AddMatchAll();
        if (!query.Run(store).ok()) return kReadFailed;
      }
      if (query.count() == 0) continue;
      RecordPosition at = query.positions()[random() % query.count()];
      if (!store.LockRecord(at).ok()) continue;  // deleted, or edited by somebody else
      Bytes record;
      if (!store.ReadRecordIfLive(record, at).ok()) return kReadFailed;
      PutText(record.data() + kNotesOffset, kNotesWidth,
              "edited by " + std::to_string(updater) + " in round " + std::to_string(attempt));
      if (!store.UpdateRecord(record, at).ok()) return kUpdateFailed;
      ++counts.updates;
      if (!store.UnlockRecord(at).ok()) return kUnlockFailed;
    }
  }
  return report.Write(&counts, sizeof counts) ? 0 : 1;
}

// Deletes some of the initial records, each under its edit lock as the
// editors do, so that adders reuse free slots while the others work.
int RunDeleter(const std::string& path, Pipe& go, Pipe& report) {
  char start;
  (void)go.Read(&start, 1);
  Counts counts;
  {
    RecordStore store(path, "");
    if (!store.IsOpen()) return kNoConnection;
    RecordQuery query;
    query.AddTextCondition(kNameOffset, kNameWidth, kOpBeginsWith, "initial-", kConnectorAnd);
    if (!query.Run(store).ok()) return kReadFailed;
    std::vector<RecordPosition> targets = query.positions();
    std::shuffle(targets.begin(), targets.end(), std::mt19937(7));
    targets.resize(std::min<size_t>(targets.size(), kDeleteAttempts));
    for (RecordPosition at : targets) {
      if (!store.LockRecord(at).ok()) continue;
      if (!store.DeleteRecord(at).ok()) return kDeleteFailed;
      ++counts.deletes;
    }
  }
  return report.Write(&counts, sizeof counts) ? 0 : 1;
}

TEST_F(ConcurrencyTest, AddsEditsAndDeletesFromManyProcessesKeepTheFileConsistent) {
  (void)AddNamed("initial-", kInitialRecords);

  Pipe go;
  ASSERT_TRUE(go.ok());
  std::vector<std::unique_ptr<Pipe>> reports;
  std::vector<std::unique_ptr<Child>> children;
  auto spawn = [&](std::function<int(Pipe&)> body) {
    reports.push_back(std::make_unique<Pipe>());
    Pipe& report = *reports.back();
    children.push_back(std::make_unique<Child>([&] {
      go.CloseWrite();
      return body(report);
    }));
    report.CloseWrite();
  };
  for (int a = 0; a < kAdders; ++a) spawn([&, a](Pipe& rep) { return RunAdder(path, a, go, rep); });
  for (int u = 0; u < kUpdaters; ++u) spawn([&, u](Pipe& rep) { return RunUpdater(path, u, go, rep); });
  spawn([&](Pipe& rep) { return RunDeleter(path, go, rep); });
  go.CloseWrite();  // every child reads end of file at once and starts

  Counts total;
  for (size_t i = 0; i < children.size(); ++i) {
    Counts counts;
    EXPECT_TRUE(reports[i]->Read(&counts, sizeof counts)) << "child " << i << " reported nothing";
    EXPECT_EQ(children[i]->WaitExitCode(), 0) << "child " << i;
    total.adds += counts.adds;
    total.updates += counts.updates;
    total.deletes += counts.deletes;
  }
  EXPECT_EQ(total.adds, kAdders * kAddsPerAdder);
  EXPECT_GT(total.updates, 0);
  EXPECT_GT(total.deletes, 0);

  FileImage file(path);
  ASSERT_EQ(file.recordSize, 3729u);
  EXPECT_EQ(file.openCount(), 0);
  EXPECT_EQ(file.changeCounter(),
            format::kNewChangeCounter + kInitialRecords + uint64_t(total.adds + total.updates + total.deletes));

  std::map<std::string, int> added;  // name -> live copies
  std::set<uint64_t> ids;
  int live = 0, free = 0, initial = 0, repeatedIds = 0;
  int interleavings = 0;  // neighbouring new records from different adders
  std::string lastAdder;
  for (size_t i = 0; i < file.slotCount(); ++i) {
    const uint8_t* slot = file.slot(i);
    if (slot[r::kInUse] == 0) {
      ++free;
      continue;
    }
    ++live;
    EXPECT_EQ(slot[r::kInUse], 1) << "slot " << i;
    EXPECT_EQ(slot[r::kEditLock], 0) << "slot " << i << " is still locked";
    if (!ids.insert(rec::Id(slot)).second) ++repeatedIds;
    std::string name = Name(slot);
    if (name.rfind("adder-", 0) == 0) {
      ++added[name];
      std::string adder = name.substr(0, name.find('-', 6));
      if (!lastAdder.empty() && adder != lastAdder) ++interleavings;
      lastAdder = adder;
    }
    else if (name.rfind("initial-", 0) == 0) ++initial;
    else ADD_FAILURE() << "slot " << i << " holds a torn record named \"" << name << "\"";
  }
  EXPECT_EQ(repeatedIds, 0) << "every record needs its own id";
  EXPECT_EQ(added.size(), size_t(kAdders * kAddsPerAdder));
  for (const auto& [name, copies] : added) EXPECT_EQ(copies, 1) << name;
  for (int a = 0; a < kAdders; ++a) {
    for (int i = 0; i < kAddsPerAdder; i += 97) {
      EXPECT_EQ(added.count("adder-" + std::to_string(a) + "-" + std::to_string(i)), 1u);
    }
  }
  EXPECT_EQ(initial, kInitialRecords - total.deletes);
  EXPECT_EQ(live, kInitialRecords - total.deletes + kAdders * kAddsPerAdder);
  EXPECT_EQ(file.balance(), -free) << "the balance must count the free slots";
  EXPECT_GE(interleavings, kAdders) << "the adders did not run at the same time";
  std::cout << "[ info ] " << total.updates << " edits, " << total.deletes << " deletes, " << interleavings
            << " switches between adders in file order\n";
  EXPECT_EQ(file.bytes.size(), format::kFirstSlotOffset + file.slotCount() * file.recordSize)
      << "no partial slot at the end";
}

// ---- Two processes racing for one edit lock ---------------------------------------

constexpr int kLockRounds = 1000;

TEST_F(ConcurrencyTest, TwoProcessesNeverBothWinOneEditLock) {
  const RecordPosition target = AddNamed("contested-", 1).front();

  Pipe go[2], result[2];
  std::vector<std::unique_ptr<Child>> racers;
  for (int k = 0; k < 2; ++k) {
    racers.push_back(std::make_unique<Child>([&, k] {
      // Only this racer's own ends stay open, so a racer that dies shows
      // as end of file to the referee.
      go[k].CloseWrite();
      result[k].CloseRead();
      go[1 - k].CloseRead();
      go[1 - k].CloseWrite();
      result[1 - k].CloseRead();
      result[1 - k].CloseWrite();
      RecordStore store(path, "");
      if (!store.IsOpen()) return int(kNoConnection);
      for (;;) {
        uint8_t signal = 0;
        if (!go[k].Read(&signal, 1) || signal == 0) return 0;
        uint8_t won = store.LockRecord(target).ok() ? 1 : 0;
        if (!result[k].Write(&won, 1)) return 1;
      }
    }));
  }
  for (Pipe& p : go) p.CloseRead();
  for (Pipe& p : result) p.CloseWrite();

  RecordStore referee(path, "");
  ASSERT_TRUE(referee.IsOpen());
  int bothWon = 0, noneWon = 0, firstWon = 0;
  for (int round = 0; round < kLockRounds; ++round) {
    const uint8_t start = 1;
    const int first = round % 2;  // neither racer always gets the head start
    ASSERT_TRUE(go[first].Write(&start, 1) && go[1 - first].Write(&start, 1));
    uint8_t won[2];
    ASSERT_TRUE(result[0].Read(&won[0], 1) && result[1].Read(&won[1], 1)) << "a racer died in round " << round;
    if (won[0] && won[1]) ++bothWon;
    if (!won[0] && !won[1]) ++noneWon;
    firstWon += won[0];
    if (won[0] || won[1]) {
      ASSERT_TRUE(referee.UnlockRecord(target).ok()) << "round " << round;
    }
  }
  for (Pipe& p : go) {
    const uint8_t stop = 0;
    (void)p.Write(&stop, 1);
  }
  for (auto& racer : racers) EXPECT_EQ(racer->WaitExitCode(), 0);

  EXPECT_EQ(bothWon, 0);
  EXPECT_EQ(noneWon, 0) << "a free, live slot must be lockable by one of the two";
  Bytes record;
  ASSERT_TRUE(referee.ReadRecord(record, target).ok());
  EXPECT_EQ(record[r::kEditLock], 0);
  EXPECT_EQ(Name(record.data()), "contested-0");
  std::cout << "[ info ] first racer won " << firstWon << " of " << kLockRounds << " rounds\n";
}

// ---- A process killed while it holds a connection and an edit lock -------------

TEST_F(ConcurrencyTest, ACrashedHolderIsCleanedUpByTheNextCheck) {
  std::vector<RecordPosition> positions = AddNamed("kept-", 30);
  {
    RecordStore store(path, "");
    for (int i = 0; i < 30; i += 6) ASSERT_TRUE(store.DeleteRecord(positions[size_t(i)]).ok());
  }
  // The records the crashing processes will hold locked: 1, 2 and 3.
  const std::vector<RecordPosition> lockedAt(positions.begin() + 1, positions.begin() + 4);

  Pipe ready;
  std::vector<std::unique_ptr<Child>> victims;
  for (RecordPosition at : lockedAt) {
    victims.push_back(std::make_unique<Child>([&, at]() -> int {
      ready.CloseRead();
      RecordStore store(path, "");
      uint8_t locked = store.IsOpen() && store.LockRecord(at).ok() ? 1 : 0;
      (void)ready.Write(&locked, 1);
      for (;;) ::pause();  // until killed, connection and lock held
    }));
  }
  ready.CloseWrite();
  for (size_t k = 0; k < victims.size(); ++k) {
    uint8_t locked = 0;
    ASSERT_TRUE(ready.Read(&locked, 1));
    ASSERT_EQ(locked, 1) << "victim " << k << " could not lock its record";
  }
  for (auto& victim : victims) {
    victim->Kill();
    int status = victim->Wait();
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  }

  FileImage before(path);
  ASSERT_EQ(before.openCount(), 3) << "the killed connections never closed";
  std::vector<uint64_t> liveIds;
  std::map<uint64_t, Bytes> liveById;
  for (size_t i = 0; i < before.slotCount(); ++i) {
    const uint8_t* slot = before.slot(i);
    if (slot[r::kInUse] != 1) continue;
    liveIds.push_back(rec::Id(slot));
    liveById[rec::Id(slot)].assign(slot, slot + before.recordSize);
  }
  for (RecordPosition at : lockedAt) {
    EXPECT_EQ(before.bytes[at + r::kEditLock], 1);
  }
  EXPECT_FALSE(RecordStore::IsInUse(path)) << "the kernel drops a dead process's locks";

  ASSERT_TRUE(CheckAndCompact(path, 0).ok());

  FileImage after(path);
  EXPECT_EQ(after.openCount(), 0);
  EXPECT_EQ(after.balance(), 0);
  EXPECT_EQ(after.changeCounter(), before.changeCounter());
  ASSERT_EQ(after.bytes.size(), format::kFirstSlotOffset + liveIds.size() * after.recordSize)
      << "free slots are dropped";
  std::vector<uint64_t> keptIds;
  for (size_t i = 0; i < after.slotCount(); ++i) {
    EXPECT_EQ(after.slot(i)[r::kInUse], 1);
    EXPECT_EQ(after.slot(i)[r::kEditLock], 0) << "slot " << i;
    keptIds.push_back(rec::Id(after.slot(i)));
    // Everything but the lock byte is copied unchanged.
    Bytes original = liveById[keptIds.back()];
    ASSERT_EQ(original.size(), after.recordSize) << "slot " << i << " holds an unknown record";
    original[r::kEditLock] = 0;
    EXPECT_TRUE(std::equal(original.begin(), original.end(), after.slot(i))) << "slot " << i;
  }
  EXPECT_EQ(keptIds, liveIds) << "live records keep their order";
  // The prefix is unchanged apart from the counters compaction resets.
  Bytes prefixBefore(before.bytes.begin(), before.bytes.begin() + format::kFirstSlotOffset);
  PutI32(prefixBefore.data() + format::kHeaderOffset + h::kOpenCount, 0);
  PutI32(prefixBefore.data() + format::kHeaderOffset + h::kFreeSlotBalance, 0);
  EXPECT_TRUE(std::equal(prefixBefore.begin(), prefixBefore.end(), after.bytes.begin()));

  // The records the dead processes held are editable again.
  RecordStore store(path, "");
  RecordQuery query;
  query.AddMatchAll();
  ASSERT_TRUE(query.Run(store).ok());
  ASSERT_EQ(query.count(), liveIds.size());
  for (RecordPosition at : query.positions()) {
    ASSERT_TRUE(store.LockRecord(at).ok());
    ASSERT_TRUE(store.UnlockRecord(at).ok());
  }
}

// ---- Compaction between another opener's open and its lock -------------------

// Passes everything to the real file system, and runs an action once, right
// after the n-th Open of the watched path: that is, between an opener's
// open and its presence lock.
class InterposingFileSystem : public testing::ForwardingFileSystem {
 public:
  void AfterOpen(std::string path, int n, std::function<void()> action) {
    path_ = std::move(path);
    remaining_ = n;
    action_ = std::move(action);
  }
  Result Open(const std::string& path, std::unique_ptr<File>& out) override {
    Result opened = ForwardingFileSystem::Open(path, out);
    if (action_ && path == path_ && --remaining_ == 0) {
      auto action = std::move(action_);
      action_ = nullptr;
      action();
    }
    return opened;
  }

 private:
  std::string path_;
  int remaining_ = 0;
  std::function<void()> action_;
};

class CompactionRaceTest : public ConcurrencyTest {
 protected:
  void SetUp() override {
    ConcurrencyTest::SetUp();
    (void)AddNamed("kept-", 3);
    SetFileSystemForTesting(&fs);
  }
  void TearDown() override {
    SetFileSystemForTesting(nullptr);
    ConcurrencyTest::TearDown();
  }
  int LiveNamed(const std::string& name) {
    FileImage file(path);
    int found = 0;
    for (size_t i = 0; i < file.slotCount(); ++i) {
      if (file.slot(i)[r::kInUse] == 1 && Name(file.slot(i)) == name) ++found;
    }
    return found;
  }
  InterposingFileSystem fs;
};

// A connection that opened the file just before a compaction replaced it
// must not go on working in the replaced (deleted) file: either it ends up
// on the file at the path, or its open fails.
TEST_F(CompactionRaceTest, AnOpenOvertakenByACompactionUsesTheNewFile) {
  fs.AfterOpen(path, 1, [&] { EXPECT_TRUE(CheckAndCompact(path, 1).ok()); });
  RecordStore store(path, "");
  if (!store.IsOpen()) GTEST_SKIP() << "the open was refused, which is sound";
  ASSERT_TRUE(store.AddRecord(NewRecord(store, "late")).ok());
  (void)store.Close();
  EXPECT_EQ(LiveNamed("late"), 1) << "the record went into the replaced file";
  EXPECT_EQ(FileImage(path).openCount(), 0);
}

// Two programs starting together both check the file. The second one opened
// it before the first compacted it; it must not compact the old contents
// over the new file that somebody has written to meanwhile.
TEST_F(CompactionRaceTest, ASecondCompactionDoesNotReplaceANewerFile) {
  // The second check opens the file twice: to test that nobody uses it, and
  // to compact it. The first check and a user's edit run between the two.
  fs.AfterOpen(path, 2, [&] {
    EXPECT_TRUE(CheckAndCompact(path, 1).ok());
    RecordStore user(path, "");
    ASSERT_TRUE(user.IsOpen());
    ASSERT_TRUE(user.AddRecord(NewRecord(user, "written")).ok());
  });
  (void)CheckAndCompact(path, 1);
  EXPECT_EQ(LiveNamed("written"), 1) << "a stale compaction replaced the file";
  EXPECT_EQ(LiveNamed("kept-0"), 1);
}

// ---- A stopped holder of the guard lock ---------------------------------------

// A process stopped while it holds the guard lock (kill -STOP in the middle
// of an add) must not freeze everybody else: every wait on that lock gives
// up after the limit and says the file is busy, having written nothing.
TEST_F(ConcurrencyTest, AStoppedHolderOfTheGuardLockMakesOthersFailBusyNotWait) {
  const std::vector<RecordPosition> positions = AddNamed("before-", 2);
  RecordStore early(path, "");  // open before the lock is taken
  ASSERT_TRUE(early.IsOpen());
  Pipe ready;
  ASSERT_TRUE(ready.ok());
  pid_t holder = ::fork();
  if (holder == 0) {
    ready.CloseRead();
    std::unique_ptr<File> file;
    if (!FileSystem::Default().Open(path, file).ok()) ::_exit(1);
    if (!file->Lock(locks::kGuard, locks::kLength, true).ok()) ::_exit(2);
    uint8_t one = 1;
    (void)ready.Write(&one, 1);
    ::raise(SIGSTOP);
    ::_exit(0);
  }
  ready.CloseWrite();
  uint8_t signal = 0;
  ASSERT_TRUE(ready.Read(&signal, 1));
  SetLockWaitLimitForTesting(300);
  const std::string before = testing::ReadWholeFile(path);

  struct Attempt {
    const char* what;
    std::function<Result()> run;
  };
  const Attempt attempts[] = {
      {"open", [&] { RecordStore late(path, ""); return late.OpenFailed() ? late.OpenError() : Result::Ok(); }},
      {"add", [&] { return early.AddRecord(NewRecord(early, "during")); }},
      {"delete", [&] { return early.DeleteRecord(positions[0]); }},
      {"lock", [&] { return early.LockRecord(positions[1]); }},
  };
  for (const Attempt& attempt : attempts) {
    SCOPED_TRACE(attempt.what);
    const auto start = std::chrono::steady_clock::now();
    Result outcome = attempt.run();
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(outcome.ok());
    EXPECT_EQ(outcome.Message().rfind(kFileBusy, 0), 0u) << outcome.Message();
    EXPECT_GE(waited, std::chrono::milliseconds(250));  // it did wait for the holder
    EXPECT_LT(waited, std::chrono::seconds(5));         // but not without end
  }
  EXPECT_EQ(testing::ReadWholeFile(path), before);  // nothing half-written

  ::kill(holder, SIGKILL);
  int status = 0;
  ::waitpid(holder, &status, 0);
  SetLockWaitLimitForTesting(-1);
  // The holder is gone and so is its lock.
  EXPECT_TRUE(early.AddRecord(NewRecord(early, "after")).ok());
}

// ---- Record ids across fork -------------------------------------------------------

// A process that forks (to run a helper, say) must not hand its child the
// generator state: both would then create records with the same ids.
TEST(RecordIdTest, AForkedChildDrawsDifferentIdsThanItsParent) {
  (void)NewRecordId();  // the generator is seeded in the parent
  constexpr int kIds = 8;
  Pipe ids;
  Child child([&] {
    ids.CloseRead();
    uint64_t drawn[kIds];
    for (uint64_t& id : drawn) id = NewRecordId();
    return ids.Write(drawn, sizeof drawn) ? 0 : 1;
  });
  ids.CloseWrite();
  uint64_t theirs[kIds];
  ASSERT_TRUE(ids.Read(theirs, sizeof theirs));
  EXPECT_EQ(child.WaitExitCode(), 0);
  std::set<uint64_t> mine;
  for (int i = 0; i < kIds; ++i) mine.insert(NewRecordId());
  for (uint64_t id : theirs) EXPECT_EQ(mine.count(id), 0u) << "the child repeats the parent's id " << id;
}

// ---- Batch adds seen by another process ------------------------------------------

// Writes of more than a few bytes land in two halves with a pause between,
// as a slow disk or a busy machine may let another process see them.
class HalvingFileSystem : public testing::ForwardingFileSystem {
 protected:
  void Wrap(Opening how, const std::string&, std::unique_ptr<File>& file) override {
    if (how == Opening::Open) file = std::make_unique<Halving>(std::move(file));
  }

 private:
  class Halving : public testing::ForwardingFile {
   public:
    using ForwardingFile::ForwardingFile;
    Result WriteAt(uint64_t o, const void* b, size_t n) override {
      if (n < 2048) return inner().WriteAt(o, b, n);
      const size_t half = n / 2;
      if (Result first = inner().WriteAt(o, b, half); !first.ok()) return first;
      ::usleep(300);
      return inner().WriteAt(o + half, static_cast<const uint8_t*>(b) + half, n - half);
    }
  };
};

// One process adds records in batches, into free slots that still hold
// deleted records and past the end, while another scans the file as queries
// do, while every write of the adder lands in two halves. Every live slot
// the scanner meets must be one record whole: its name and its notes, far
// apart in the slot, belong together.
TEST_F(ConcurrencyTest, ARecordAddedInABatchIsSeenWholeOrNotAtAll) {
  constexpr int kOld = 2000;
  constexpr int kBatches = 12;
  constexpr int kPerBatch = 300;
  auto marked = [](RecordStore& store, const std::string& name) {
    Bytes record = NewRecord(store, name);
    PutText(record.data() + kNotesOffset, kNotesWidth, "notes of " + name);
    return record;
  };
  {
    RecordStore store(path, "");
    Bytes old;
    for (int i = 0; i < kOld; ++i) {
      Bytes record = marked(store, "old-" + std::to_string(i));
      old.insert(old.end(), record.begin(), record.end());
    }
    std::vector<RecordPosition> where;
    ASSERT_TRUE(store.AddRecords(old, nullptr, &where).ok());
    for (size_t i = 0; i < where.size(); i += 2) ASSERT_TRUE(store.DeleteRecord(where[i]).ok());
  }
  Pipe go;
  Child adder([&] {
    go.CloseWrite();
    char start;
    (void)go.Read(&start, 1);
    HalvingFileSystem halving;
    SetFileSystemForTesting(&halving);
    RecordStore store(path, "");
    if (!store.IsOpen()) return int(kNoConnection);
    for (int b = 0; b < kBatches; ++b) {
      Bytes batch;
      for (int i = 0; i < kPerBatch; ++i) {
        Bytes record = marked(store, "new-" + std::to_string(b) + "-" + std::to_string(i));
        batch.insert(batch.end(), record.begin(), record.end());
      }
      if (!store.AddRecords(batch).ok()) return int(kAddFailed);
    }
    return 0;
  });
  ASSERT_TRUE(adder.started());
  go.CloseRead();
  go.CloseWrite();  // the adder starts

  RecordStore scanner(path, "");
  ASSERT_TRUE(scanner.IsOpen());
  const size_t size = scanner.recordSize();
  int torn = 0, scans = 0, newSeen = 0;
  for (; scans < 100000 && newSeen < kBatches * kPerBatch; ++scans) {
    newSeen = 0;
    Result scanned = scanner.ScanSlots([&](RecordPosition first, const uint8_t* slots, size_t count) {
      for (size_t i = 0; i < count; ++i) {
        const uint8_t* slot = slots + i * size;
        if (slot[r::kInUse] != 1) continue;
        const std::string name = Name(slot);
        if (RawText(slot + kNotesOffset, kNotesWidth) != "notes of " + name) {
          if (++torn <= 3) ADD_FAILURE() << "a torn record at " << first + i * size << ": " << name;
        }
        newSeen += name.starts_with("new-");
      }
    });
    ASSERT_TRUE(scanned.ok()) << scanned.Message();
  }
  EXPECT_EQ(adder.WaitExitCode(), 0);
  EXPECT_EQ(torn, 0);
  EXPECT_GT(scans, 1);
  FileImage file(path);
  int live = 0;
  for (size_t i = 0; i < file.slotCount(); ++i) live += file.slot(i)[r::kInUse] == 1;
  EXPECT_EQ(live, kOld / 2 + kBatches * kPerBatch);
  EXPECT_EQ(file.balance(), 0);
}

}  // namespace
}  // namespace velmora
