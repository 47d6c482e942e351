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
#include <filesystem>
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

// ---- A delete, another user's add into the freed slot, then the unlock --------

// The deleter locks a contact, deletes it and only then unlocks, as the
// window's delete does. In between, another process adds a contact that
// reuses the freed slot and locks it for editing. The deleter's unlock must
// not clear the newcomer's lock, or a third user could edit it at the same
// time and one of the two edits would be lost.
TEST_F(ConcurrencyTest, ADeletersUnlockLeavesTheLockOfARecordAddedIntoTheFreedSlot) {
  const RecordPosition target = AddNamed("doomed-", 1).front();
  (void)AddNamed("neighbour-", 1);  // the slot is not the last one
  Pipe deleted, relocked;
  ASSERT_TRUE(deleted.ok() && relocked.ok());
  Child deleter([&]() -> int {
    deleted.CloseRead();
    relocked.CloseWrite();
    RecordStore store(path, "");
    if (!store.IsOpen()) return kNoConnection;
    if (!store.LockRecord(target).ok()) return kReadFailed;
    if (!store.DeleteRecord(target).ok()) return kDeleteFailed;
    const uint8_t done = 1;
    if (!deleted.Write(&done, 1)) return 1;
    uint8_t go = 0;
    if (!relocked.Read(&go, 1)) return 2;
    return store.UnlockRecord(target).ok() ? 0 : int(kUnlockFailed);
  });
  Child adder([&]() -> int {
    deleted.CloseWrite();
    relocked.CloseRead();
    uint8_t go = 0;
    if (!deleted.Read(&go, 1)) return 2;
    RecordStore store(path, "");
    if (!store.IsOpen()) return kNoConnection;
    RecordPosition at = 0;
    if (!store.AddRecord(NewRecord(store, "newcomer"), &at).ok()) return kAddFailed;
    if (at != target) return 20;  // the add was to reuse the freed slot
    if (!store.LockRecord(at).ok()) return 21;
    const uint8_t done = 1;
    return relocked.Write(&done, 1) ? 0 : 1;  // exits with the lock held
  });
  deleted.CloseRead();
  deleted.CloseWrite();
  relocked.CloseRead();
  relocked.CloseWrite();
  EXPECT_EQ(adder.WaitExitCode(), 0);
  EXPECT_EQ(deleter.WaitExitCode(), 0) << "the deleter's unlock failed";

  FileImage file(path);
  const uint8_t* slot = file.bytes.data() + target;
  EXPECT_EQ(slot[r::kInUse], 1);
  EXPECT_EQ(Name(slot), "newcomer");
  EXPECT_EQ(slot[r::kEditLock], 1) << "the deleter's unlock cleared the newcomer's edit lock";
}

// A connection whose locked record another user deleted (and whose slot a
// third user's add reused and locked) leaves that slot alone at its unlock.
TEST_F(ConcurrencyTest, AnUnlockAfterAnotherUsersDeleteLeavesTheReusedSlotAlone) {
  const RecordPosition target = AddNamed("doomed-", 1).front();
  RecordStore holder(path, "");
  RecordStore deleter(path, "");
  RecordStore adder(path, "");
  ASSERT_TRUE(holder.LockRecord(target).ok());
  ASSERT_TRUE(deleter.DeleteRecord(target).ok());
  EXPECT_EQ(FileImage(path).bytes[target + r::kEditLock], 0) << "the delete leaves no lock behind";
  RecordPosition at = 0;
  ASSERT_TRUE(adder.AddRecord(NewRecord(adder, "newcomer"), &at).ok());
  ASSERT_EQ(at, target);
  ASSERT_TRUE(adder.LockRecord(at).ok());
  EXPECT_TRUE(holder.UnlockRecord(target).ok()) << "the holder's lock ended with its record";
  EXPECT_EQ(FileImage(path).bytes[target + r::kEditLock], 1);
  EXPECT_TRUE(adder.UnlockRecord(at).ok());
  EXPECT_EQ(FileImage(path).bytes[target + r::kEditLock], 0);
}

// ---- An add killed before it wrote the header ------------------------------------

// Ends the process (as a kill would) at the first whole-header write once
// armed: the moment between an add's record writes and its header write.
bool gKillArmed = false;
constexpr int kKilledExit = 42;

class KillAtHeaderWrite : public testing::ForwardingFileSystem {
 protected:
  void Wrap(Opening how, const std::string&, std::unique_ptr<File>& file) override {
    if (how == Opening::Open) file = std::make_unique<Killing>(std::move(file));
  }

 private:
  class Killing : public testing::ForwardingFile {
   public:
    using ForwardingFile::ForwardingFile;
    Result WriteAt(uint64_t o, const void* b, size_t n) override {
      if (gKillArmed && o == format::kHeaderOffset && n == format::kHeaderSize) ::_exit(kKilledExit);
      return inner().WriteAt(o, b, n);
    }
  };
};

// Other users' lists reload when the change counter moves. An add killed
// after its records became live but before its header write must not leave
// them uncounted: the counter may be too high after a crash, never too low.
TEST_F(ConcurrencyTest, AnAddKilledMidwayLeavesNoLiveRecordUncounted) {
  struct Case {
    const char* name;
    bool batch;
    bool intoFreeSlots;
  };
  const Case cases[] = {
      {"one record at the end", false, false},
      {"one record into a free slot", false, true},
      {"a batch at the end", true, false},
      {"a batch into free slots", true, true},
  };
  constexpr int kBatch = 5;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(::unlink(path.c_str()) == 0);
    ASSERT_TRUE(CreateRecordFile(path, format::FileKind::Address).ok());
    std::vector<RecordPosition> old = AddNamed("old-", kBatch + 1);
    if (c.intoFreeSlots) {
      RecordStore store(path, "");
      for (int i = 0; i < kBatch; ++i) ASSERT_TRUE(store.DeleteRecord(old[size_t(i)]).ok());
    }
    const uint64_t before = FileImage(path).changeCounter();

    Child killed([&]() -> int {
      KillAtHeaderWrite fs;
      SetFileSystemForTesting(&fs);
      RecordStore store(path, "");
      if (!store.IsOpen()) return kNoConnection;
      gKillArmed = true;
      if (c.batch) {
        Bytes records;
        for (int i = 0; i < kBatch; ++i) {
          Bytes record = NewRecord(store, "killed-" + std::to_string(i));
          records.insert(records.end(), record.begin(), record.end());
        }
        (void)store.AddRecords(records);
      } else {
        (void)store.AddRecord(NewRecord(store, "killed-0"));
      }
      return 0;  // not killed: the add wrote no header
    });
    ASSERT_EQ(killed.WaitExitCode(), kKilledExit);

    FileImage file(path);
    uint64_t live = 0;
    for (size_t i = 0; i < file.slotCount(); ++i) {
      live += file.slot(i)[r::kInUse] == 1 && Name(file.slot(i)).starts_with("killed-");
    }
    ASSERT_GT(live, 0u) << "the records were to be written before the kill";
    EXPECT_GE(file.changeCounter(), before + live)
        << live << " live records, but the change counter rose by " << file.changeCounter() - before;
  }
}

// The same for a delete: killed before its header write, the record it
// freed is already counted as a change, so lists drop it.
TEST_F(ConcurrencyTest, ADeleteKilledMidwayIsCountedAlready) {
  const RecordPosition target = AddNamed("doomed-", 2).front();
  const uint64_t before = FileImage(path).changeCounter();
  Child killed([&]() -> int {
    KillAtHeaderWrite fs;
    SetFileSystemForTesting(&fs);
    RecordStore store(path, "");
    if (!store.IsOpen()) return kNoConnection;
    gKillArmed = true;
    (void)store.DeleteRecord(target);
    return 0;
  });
  ASSERT_EQ(killed.WaitExitCode(), kKilledExit);
  FileImage file(path);
  ASSERT_EQ(file.bytes[target + r::kInUse], 0) << "the slot was to be freed before the kill";
  EXPECT_GE(file.changeCounter(), before + 1);
}

// Ends the process at the whole-slot write of gKillSlot once armed, just
// before the write or just after it.
RecordPosition gKillSlot = 0;
bool gKillAfterSlotWrite = false;

class KillAtSlotWrite : public testing::ForwardingFileSystem {
 protected:
  void Wrap(Opening how, const std::string&, std::unique_ptr<File>& file) override {
    if (how == Opening::Open) file = std::make_unique<Killing>(std::move(file));
  }

 private:
  class Killing : public testing::ForwardingFile {
   public:
    using ForwardingFile::ForwardingFile;
    Result WriteAt(uint64_t o, const void* b, size_t n) override {
      const bool target = gKillArmed && o == gKillSlot && n > r::kInUse;
      if (target && !gKillAfterSlotWrite) ::_exit(kKilledExit);
      Result written = inner().WriteAt(o, b, n);
      if (target) ::_exit(kKilledExit);
      return written;
    }
  };
};

// An update killed around its slot write has already counted the change:
// other users' lists reload and show the record as it now lies in the file.
TEST_F(ConcurrencyTest, AnUpdateKilledAtItsSlotWriteIsCountedAlready) {
  struct Case {
    const char* name;
    bool afterWrite;
    const char* nameAfter;  // of the record in the file after the kill
  };
  const Case cases[] = {
      {"killed before the slot write", false, "kept-0"},
      {"killed after the slot write", true, "edited"},
  };
  const RecordPosition target = AddNamed("kept-", 2).front();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    {
      // The record starts each case under its first name.
      RecordStore store(path, "");
      Bytes record;
      ASSERT_TRUE(store.ReadRecord(record, target).ok());
      PutText(record.data() + kNameOffset, kNameWidth, "kept-0");
      ASSERT_TRUE(store.UpdateRecord(record, target).ok());
    }
    const uint64_t before = FileImage(path).changeCounter();
    Child killed([&]() -> int {
      KillAtSlotWrite fs;
      SetFileSystemForTesting(&fs);
      RecordStore store(path, "");
      if (!store.IsOpen()) return kNoConnection;
      Bytes record;
      if (!store.ReadRecord(record, target).ok()) return kReadFailed;
      PutText(record.data() + kNameOffset, kNameWidth, "edited");
      gKillSlot = target;
      gKillAfterSlotWrite = c.afterWrite;
      gKillArmed = true;
      (void)store.UpdateRecord(record, target);
      return 0;  // not killed: the update wrote no slot
    });
    ASSERT_EQ(killed.WaitExitCode(), kKilledExit);
    FileImage file(path);
    ASSERT_EQ(Name(file.bytes.data() + target), c.nameAfter);
    EXPECT_EQ(file.changeCounter(), before + 1) << "the update was to be counted before its slot write";
  }
}

// Slot writes (not header writes) of the adder wait a while first: a slow
// disk between an add's counting and its records.
class SlowSlotWrites : public testing::ForwardingFileSystem {
 protected:
  void Wrap(Opening how, const std::string&, std::unique_ptr<File>& file) override {
    if (how == Opening::Open) file = std::make_unique<Slow>(std::move(file));
  }

 private:
  class Slow : public testing::ForwardingFile {
   public:
    using ForwardingFile::ForwardingFile;
    Result WriteAt(uint64_t o, const void* b, size_t n) override {
      if (o >= format::kFirstSlotOffset) ::usleep(30000);
      return inner().WriteAt(o, b, n);
    }
  };
};

// Counting an add before its records are written must not let another
// user's list see the new counter, reload, find nothing new and then miss
// the records until the next change: whenever the counter is seen raised,
// the records it counts are there.
TEST_F(ConcurrencyTest, AChangeCounterSeenRaisedFindsTheRecordsItCounts) {
  constexpr int kAdds = 20;
  Pipe go;
  Child adder([&]() -> int {
    go.CloseWrite();
    char start;
    (void)go.Read(&start, 1);
    SlowSlotWrites fs;
    SetFileSystemForTesting(&fs);
    RecordStore store(path, "");
    if (!store.IsOpen()) return kNoConnection;
    for (int i = 0; i < kAdds; ++i) {
      if (!store.AddRecord(NewRecord(store, "added-" + std::to_string(i))).ok()) return kAddFailed;
      // A user adding one contact after another: the guard is free between
      // adds, so the watcher reads the counter on the way and not only
      // after the last add.
      ::usleep(20000);
    }
    return 0;
  });
  RecordStore watcher(path, "");
  ASSERT_TRUE(watcher.IsOpen());
  const uint64_t start = watcher.GetChangeCounter();
  go.CloseRead();
  go.CloseWrite();
  int ahead = 0, looks = 0, midway = 0;
  for (uint64_t seen = start; seen < start + kAdds && looks < 200000; ++looks) {
    seen = watcher.GetChangeCounter();
    midway += seen > start && seen < start + kAdds;
    int live = 0;
    ASSERT_TRUE(watcher
                    .ScanSlots([&](RecordPosition, const uint8_t* slots, size_t count) {
                      for (size_t i = 0; i < count; ++i) {
                        live += slots[i * watcher.recordSize() + r::kInUse] == 1;
                      }
                    })
                    .ok());
    if (uint64_t(live) < seen - start && ++ahead <= 3) {
      ADD_FAILURE() << "the counter says " << seen - start << " records were added, but " << live << " are there";
    }
  }
  EXPECT_EQ(adder.WaitExitCode(), 0);
  EXPECT_EQ(ahead, 0);
  EXPECT_GT(looks, kAdds);
  EXPECT_GT(midway, 0) << "the watcher saw the adds on their way, not only before and after";
}

// ---- A compaction killed midway ----------------------------------------------

// Ends the process at the first slot written into a compaction's copy, once
// its prefix is written: a compaction killed halfway through.
class KillInCopy : public testing::ForwardingFileSystem {
 public:
  // With a pipe, the copy instead tells it that it has begun and waits for
  // a byte on the other pipe: a compaction that is still running.
  void PauseInstead(Pipe* begun, Pipe* resume) {
    begun_ = begun;
    resume_ = resume;
  }

 protected:
  void Wrap(Opening how, const std::string&, std::unique_ptr<File>& file) override {
    if (how == Opening::CreateTemp) file = std::make_unique<Copy>(std::move(file), begun_, resume_);
  }

 private:
  class Copy : public testing::ForwardingFile {
   public:
    Copy(std::unique_ptr<File> inner, Pipe* begun, Pipe* resume)
        : ForwardingFile(std::move(inner)), begun_(begun), resume_(resume) {}
    Result WriteAt(uint64_t o, const void* b, size_t n) override {
      if (o >= format::kFirstSlotOffset && !paused_) {
        if (!begun_) ::_exit(kKilledExit);
        paused_ = true;
        const uint8_t one = 1;
        uint8_t go = 0;
        if (!begun_->Write(&one, 1) || !resume_->Read(&go, 1)) ::_exit(3);
      }
      return inner().WriteAt(o, b, n);
    }

   private:
    Pipe* begun_;
    Pipe* resume_;
    bool paused_ = false;
  };
  Pipe* begun_ = nullptr;
  Pipe* resume_ = nullptr;
};

// The files beside path whose names begin with "." and path's own name:
// where compaction and the other writers put their copies.
std::vector<std::string> HiddenCopiesOf(const std::string& folder, const std::string& name) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string file = entry.path().filename().string();
    if (file.rfind("." + name + ".", 0) == 0) found.push_back(file);
  }
  return found;
}

int LiveRecords(const std::string& path) {
  FileImage file(path);
  int live = 0;
  for (size_t i = 0; i < file.slotCount(); ++i) live += file.slot(i)[r::kInUse] == 1;
  return live;
}

TEST_F(ConcurrencyTest, TheCopyOfAKilledCompactionIsRemovedByTheNextOne) {
  std::vector<RecordPosition> positions = AddNamed("kept-", 20);
  {
    RecordStore store(path, "");
    ASSERT_TRUE(store.DeleteRecord(positions[3]).ok());
  }
  Child compactor([&]() -> int {
    KillInCopy fs;
    SetFileSystemForTesting(&fs);
    (void)CheckAndCompact(path, 1);
    return 0;  // not killed: the copy got no slot
  });
  ASSERT_EQ(compactor.WaitExitCode(), kKilledExit);
  ASSERT_EQ(HiddenCopiesOf(dir.path(), "shared.adr").size(), 1u) << "the killed compaction left its copy";
  EXPECT_EQ(LiveRecords(path), 19) << "the file itself is untouched";

  // The next opening's check removes it, though the file was closed cleanly.
  CompactReport report;
  ASSERT_TRUE(CheckAndCompact(path, 0, {}, &report).ok());
  EXPECT_EQ(HiddenCopiesOf(dir.path(), "shared.adr"), std::vector<std::string>{});
  ASSERT_EQ(report.leftovers.removed.size(), 1u);
  EXPECT_GE(report.leftovers.removed[0].bytes, format::kFirstSlotOffset);
  EXPECT_EQ(LiveRecords(path), 19);
}

// A compaction of the file that is running right now is not dead: its copy
// stays, and the compaction completes.
TEST_F(ConcurrencyTest, TheCopyOfARunningCompactionIsLeftAlone) {
  std::vector<RecordPosition> positions = AddNamed("kept-", 20);
  {
    RecordStore store(path, "");
    ASSERT_TRUE(store.DeleteRecord(positions[3]).ok());
  }
  Pipe begun, resume;
  ASSERT_TRUE(begun.ok() && resume.ok());
  Child compactor([&]() -> int {
    begun.CloseRead();
    resume.CloseWrite();
    KillInCopy fs;
    fs.PauseInstead(&begun, &resume);
    SetFileSystemForTesting(&fs);
    return CheckAndCompact(path, 1).ok() ? 0 : 1;
  });
  begun.CloseWrite();
  resume.CloseRead();
  uint8_t signal = 0;
  ASSERT_TRUE(begun.Read(&signal, 1)) << "the compaction never began its copy";
  const std::vector<std::string> copies = HiddenCopiesOf(dir.path(), "shared.adr");
  ASSERT_EQ(copies.size(), 1u);

  // Neither the check of a user (which waits for no compaction) nor a
  // cleaner that skips the file's presence lock may take the copy.
  LeftoverReport report;
  EXPECT_FALSE(RemoveCompactionLeftovers(path, report).ok()) << "the file is being compacted";
  std::string real;
  ASSERT_TRUE(FileSystem::Default().Resolve(path, real).ok());
  report = RemoveLeftoversLocked(real);
  EXPECT_TRUE(report.removed.empty());
  EXPECT_TRUE(report.notRemoved.empty());
  EXPECT_EQ(HiddenCopiesOf(dir.path(), "shared.adr"), copies);

  const uint8_t go = 1;
  ASSERT_TRUE(resume.Write(&go, 1));
  EXPECT_EQ(compactor.WaitExitCode(), 0) << "the compaction failed";
  EXPECT_EQ(HiddenCopiesOf(dir.path(), "shared.adr"), std::vector<std::string>{});
  FileImage file(path);
  EXPECT_EQ(file.slotCount(), 19u) << "the compaction completed";
}

// Only a compaction's own copies are taken: plain files of its naming that
// nobody holds. Others' copies, links and look-alikes stay.
TEST_F(ConcurrencyTest, OnlyCopiesOfACompactionsNamingAreRemoved) {
  (void)AddNamed("kept-", 2);
  struct Case {
    std::string name;
    bool link;
    bool removed;
  };
  const Case cases[] = {
      {".shared.adr.compact.Ab12Cd", false, true},
      {".shared.adr.Ab12Cd", false, false},            // another writer's copy
      {".shared.adr.compact.Ab12C", false, false},     // not mkstemp's six
      {".shared.adr.compact.Ab12C-", false, false},
      {".other.adr.compact.Ab12Cd", false, false},     // another file's
      {".shared.adr.history.compact.Ab12Cd", false, false},
      {".shared.adr.compact.Zz9999", true, false},     // a link is nobody's copy
  };
  const std::string outside = dir.File("outside");
  ASSERT_TRUE(testing::WriteWholeFile(outside, Bytes(100, 7)));
  for (const Case& c : cases) {
    const std::string at = dir.File(c.name);
    if (c.link) {
      ASSERT_EQ(::symlink(outside.c_str(), at.c_str()), 0);
    } else {
      ASSERT_TRUE(testing::WriteWholeFile(at, Bytes(3000, 1)));
    }
  }
  LeftoverReport report;
  ASSERT_TRUE(RemoveCompactionLeftovers(path, report).ok());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::error_code error;
    EXPECT_EQ(!std::filesystem::exists(std::filesystem::symlink_status(dir.File(c.name), error)), c.removed);
  }
  ASSERT_EQ(report.removed.size(), 1u);
  EXPECT_EQ(report.removed[0].path, dir.File(".shared.adr.compact.Ab12Cd"));
  EXPECT_EQ(report.removed[0].bytes, 3000u);
  EXPECT_TRUE(std::filesystem::exists(outside));
  EXPECT_EQ(LiveRecords(path), 2);
}

}  // namespace
}  // namespace velmora
