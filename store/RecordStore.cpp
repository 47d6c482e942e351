// RecordStore: connections, slots, the header's counters and edit locks.
// The locking protocol is written down in FileLocks.h.
#include "store/RecordStore.h"

#include <unistd.h>

#include <cassert>
#include <chrono>
#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <random>

#include "store/Bytes.h"
#include "store/Categories.h"
#include "store/Compact.h"
#include "store/FileLocks.h"
#include "store/RecordFileView.h"
#include "store/RecordHeader.h"
#include "store/RecordQuery.h"
#include "store/Refresh.h"
#include "store/Settings.h"

namespace velmora {

namespace h = format::header;
namespace r = format::record;

namespace {

// A change this connection may not make: code 104, with what was refused
// and the file for the message.
Result Refusal(const std::string& what, const std::string& path) {
  return Result(kReaderRefused).Reworded(what + ": this connection may not change \"" + path + "\"");
}

// Holds the guard lock of one file for the duration of a scope.
class GuardLock {
 public:
  explicit GuardLock(File& file) : file_(file), result_(file.Lock(locks::kGuard, locks::kLength, true)) {}
  ~GuardLock() {
    if (result_.ok()) file_.Unlock(locks::kGuard, locks::kLength);
  }
  const Result& result() const { return result_; }

 private:
  File& file_;
  Result result_;
};

std::string PasswordField(const Bytes& header, uint32_t offset) {
  return std::string(RawText(header.data() + offset, h::kPasswordWidth));
}

// Failures that mean "you may read this file but not write it".
bool WriteDenied(const Result& opened) {
  return opened.sysError() == EACCES || opened.sysError() == EROFS || opened.sysError() == EPERM;
}

}  // namespace

uint64_t NewRecordId() {
  static std::mutex mutex;
  static std::mt19937_64 generator;
  static pid_t seededFor = 0;
  std::lock_guard<std::mutex> hold(mutex);
  // Seeded once per process; a forked child must not repeat its parent's ids.
  if (seededFor != ::getpid()) {
    seededFor = ::getpid();
    std::random_device device;
    auto now = static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    std::seed_seq seed{uint64_t(device()), now, now >> 32, uint64_t(seededFor)};
    generator.seed(seed);
  }
  uint64_t id = 0;
  for (int i = 0; i < 8; ++i) id = id * 256 + (generator() & 0xFF);
  return id;
}

RecordStore::RecordStore(std::string path, std::string password)
    : path_(std::move(path)), password_(std::move(password)) {
  Result opened = Open();
  if (!opened.ok()) {
    openFailed_ = true;
    openError_ = opened;
  }
}

RecordStore::~RecordStore() { (void)Close(); }

Result RecordStore::RequireOpen(const char* what) const {
  if (!file_) return Result::Fail(std::string(what) + ": the file is not open:", 0, path_);
  return Result::Ok();
}

Result RecordStore::RequireWritable(const char* what) {
  if (Result open = RequireOpen(what); !open.ok()) return open;
  if (readOnly_) return Refusal(what, path_);
  return Damage();
}

const Result& RecordStore::Damage() {
  if (file_ && damage_.ok() && !slotsScanned_) {
    RecordFileShape shape;
    bool damaged = false;
    Result found = ReadRecordFileShape(*file_, path_, shape);
    if (found.ok()) found = FindDamage(*file_, shape, path_, &damaged);
    if (found.ok() || damaged) {
      damage_ = found;
      slotsScanned_ = true;
    } else {
      // A failed read proves nothing about the slots: refuse this change
      // and scan again before the next one.
      scanError_ = found;
      return scanError_;
    }
  }
  return damage_;
}

Result RecordStore::ValidatePrologue(const Bytes& prologue, uint64_t fileSize) {
  uint32_t headerSize = GetU32(prologue.data() + format::kPrologueHeaderSize);
  uint32_t categorySize = GetU32(prologue.data() + format::kPrologueCategorySize);
  uint32_t recordSize = GetU32(prologue.data() + format::kPrologueRecordSize);
  if (headerSize < format::kHeaderSize || headerSize > format::kMaxHeaderSize ||
      categorySize < format::kCategoryBlockSize || categorySize > format::kMaxCategoryBlockSize ||
      recordSize < format::kMinRecordSize || recordSize > format::kMaxRecordSize) {
    return Result::Fail("Not a record file (impossible sizes in its first bytes):", 0, path_);
  }
  if (fileSize < uint64_t(format::kPrologueSize) + headerSize + categorySize) {
    return Result::Fail("The record file is cut short (" + std::to_string(fileSize) + " bytes, but its header and " +
                            "category block end at byte " +
                            std::to_string(uint64_t(format::kPrologueSize) + headerSize + categorySize) + "):",
                        0, path_);
  }
  headerSize_ = headerSize;
  categorySize_ = categorySize;
  recordSize_ = recordSize;
  return Result::Ok();
}

Result RecordStore::Open() {
  if (file_) return Result::Ok();
  std::unique_ptr<File> file;
  bool readOnly = false;
  // A compaction may replace the file between our open and our lock; then
  // the file to use is the new one at the path.
  for (int attempt = 0;; ++attempt) {
    Result opened = FileSystem::Default().Open(path_, file);
    readOnly = false;
    if (!opened.ok() && WriteDenied(opened) && FileSystem::Default().OpenReadOnly(path_, file).ok()) {
      readOnly = true;
      opened = Result::Ok();
    }
    if (!opened.ok()) return opened;
    if (!file->TryLock(locks::kPresence, locks::kLength, false)) {
      return Result::Fail("The file is being created or compacted by another user:", 0, path_);
    }
    if (file->IsAt(path_)) break;
    if (attempt == 10) return Result::Fail("The file keeps being replaced:", 0, path_);
  }
  Bytes prologue(format::kPrologueSize);
  uint64_t size = 0;
  if (Result rd = file->Size(size); !rd.ok()) return rd;
  if (size < format::kPrologueSize) return Result::Fail("Not a record file (too short):", 0, path_);
  if (Result rd = file->ReadAt(0, prologue.data(), prologue.size()); !rd.ok()) return rd;
  bool first = headerSize_ == kUnsetSize;
  if (Result valid = ValidatePrologue(prologue, size); !valid.ok()) return valid;
  RecordFileShape shape;
  // Only the prologue's sizes here; the slots are scanned before the first
  // change (Damage()).
  Result damage = ReadRecordFileShape(*file, path_, shape);
  if (damage.ok()) {
    std::vector<std::string> problems = shape.Problems();
    if (!problems.empty()) damage = DamageRefusal(problems.front(), path_);
  }

  Bytes header(format::kHeaderSize);
  if (readOnly) {
    // Nothing can be written, the open count included.
    if (Result rd = file->ReadAt(format::kHeaderOffset, header.data(), header.size()); !rd.ok()) return rd;
  } else {
    GuardLock guard(*file);
    if (!guard.result().ok()) return guard.result();
    if (Result rd = file->ReadAt(format::kHeaderOffset, header.data(), header.size()); !rd.ok()) return rd;
    PutU32(header.data() + h::kOpenCount, GetU32(header.data() + h::kOpenCount) + 1);  // wraps like the field
    if (Result wr = file->WriteAt(format::kHeaderOffset, header.data(), header.size()); !wr.ok()) return wr;
  }
  if (first) changeCounterSeen_ = GetU64(header.data() + h::kChangeCounter);
  // The fallback of GetChangeCounter until it first reads the counter.
  lastCounter_ = GetU64(header.data() + h::kChangeCounter);
  file_ = std::move(file);
  readOnly_ = readOnly;
  damage_ = damage;
  slotsScanned_ = false;
  openFailed_ = false;
  openError_ = Result::Ok();
  return Result::Ok();
}

Result RecordStore::Close() {
  if (!file_) return Result::Ok();
  if (!readOnly_) {
    // Best effort: a count left too high only makes the next opening
    // compact the file, and the handle goes either way.
    (void)AdjustHeader(0, 0, -1);
    (void)file_->Sync();
  }
  file_.reset();  // closing the descriptor drops its presence lock
  return Result::Ok();
}

Result RecordStore::Flush() {
  if (Result open = RequireOpen("Flush"); !open.ok()) return open;
  return file_->Sync();
}

bool RecordStore::FileExists(const std::string& path) { return FileSystem::Default().Exists(path); }

Result RecordStore::ProbeInUse(const std::string& path, bool& inUse) {
  std::unique_ptr<File> file;
  if (Result opened = FileSystem::Default().Open(path, file); !opened.ok()) {
    if (WriteDenied(opened)) {
      return opened.Reworded("Could not take the presence lock (the file can only be read by this user), so "
                             "whether it is open is unknown:");
    }
    return opened;
  }
  inUse = !file->TryLock(locks::kPresence, locks::kLength, true);
  if (!inUse) file->Unlock(locks::kPresence, locks::kLength);
  return Result::Ok();
}

bool RecordStore::IsInUse(const std::string& path) {
  std::unique_ptr<File> file;
  if (!FileSystem::Default().Open(path, file).ok()) return true;
  bool free = file->TryLock(locks::kPresence, locks::kLength, true);
  if (free) file->Unlock(locks::kPresence, locks::kLength);
  return !free;
}

Result RecordStore::Create(const Bytes& header, const Bytes& categories, uint32_t recordSize) {
  if (header.size() != format::kHeaderSize || categories.size() != format::kCategoryBlockSize ||
      recordSize < format::kMinRecordSize || recordSize > format::kMaxRecordSize) {
    return Result::Fail("Cannot create a record file from a malformed header:", 0, path_);
  }
  (void)Close();
  {
    std::unique_ptr<File> file;
    if (Result made = FileSystem::Default().OpenOrCreate(path_, file); !made.ok()) return made;
    // Exclusive access: an existing file that somebody has open is not
    // replaced under their feet.
    if (!file->TryLock(locks::kPresence, locks::kLength, true)) {
      return Result::Fail("Cannot replace a file that is in use:", 0, path_);
    }
    Bytes prologue(format::kPrologueSize);
    PutU32(prologue.data() + format::kPrologueHeaderSize, format::kHeaderSize);
    PutU32(prologue.data() + format::kPrologueCategorySize, format::kCategoryBlockSize);
    PutU32(prologue.data() + format::kPrologueRecordSize, recordSize);
    Result step = file->Truncate(0);
    if (step.ok()) step = file->WriteAt(0, prologue.data(), prologue.size());
    if (step.ok()) step = file->WriteAt(format::kHeaderOffset, header.data(), header.size());
    if (step.ok()) step = file->WriteAt(format::kCategoryOffset, categories.data(), categories.size());
    if (step.ok()) step = file->Sync();
    if (!step.ok()) return step;
  }
  // The file is complete; a failed folder flush only weakens durability.
  (void)FileSystem::Default().SyncFolderOf(path_);
  headerSize_ = kUnsetSize;
  Result opened = Open();
  openFailed_ = !opened.ok();
  openError_ = opened;
  return opened;
}

Result RecordStore::ReadHeader(Bytes& header) {
  if (Result open = RequireOpen("ReadHeader"); !open.ok()) return open;
  header.resize(format::kHeaderSize);
  return file_->ReadAt(format::kHeaderOffset, header.data(), header.size());
}

Result RecordStore::WriteHeader(const Bytes& header) {
  if (readOnly_) return Refusal("WriteHeader", path_);
  if (Result open = RequireOpen("WriteHeader"); !open.ok()) return open;
  if (header.size() != format::kHeaderSize) return Result::Fail("Malformed header for", 0, path_);
  GuardLock guard(*file_);
  if (!guard.result().ok()) return guard.result();
  return file_->WriteAt(format::kHeaderOffset, header.data(), header.size());
}

Result RecordStore::ReadCategories(Bytes& block) {
  if (Result open = RequireOpen("ReadCategories"); !open.ok()) return open;
  block.resize(format::kCategoryBlockSize);
  return file_->ReadAt(format::kPrologueSize + uint64_t(headerSize_), block.data(), block.size());
}

Result RecordStore::WriteCategories(const Bytes& block) {
  if (readOnly_) return Refusal("WriteCategories", path_);
  if (Result open = RequireOpen("WriteCategories"); !open.ok()) return open;
  if (block.size() != format::kCategoryBlockSize) return Result::Fail("Malformed category block for", 0, path_);
  return file_->WriteAt(format::kPrologueSize + uint64_t(headerSize_), block.data(), block.size());
}

Result RecordStore::ReadPrologue(Bytes& prologue) {
  if (Result open = RequireOpen("ReadPrologue"); !open.ok()) return open;
  prologue.resize(format::kPrologueSize);
  return file_->ReadAt(0, prologue.data(), prologue.size());
}

Result RecordStore::WritePrologue(const Bytes& prologue) {
  if (readOnly_) return Refusal("WritePrologue", path_);
  if (Result open = RequireOpen("WritePrologue"); !open.ok()) return open;
  if (prologue.size() != format::kPrologueSize) return Result::Fail("Malformed prologue for", 0, path_);
  return file_->WriteAt(0, prologue.data(), prologue.size());
}

void RecordStore::InitRecord(Bytes& buffer, uint32_t recordSize) {
  buffer.assign(std::max<uint32_t>(recordSize, r::kHeaderSize), 0);
  uint8_t* rec = buffer.data();
  PutU32(rec + r::kRecordSize, recordSize);
  rec[r::kInUse] = 1;
  rec[r::kEditLock] = 0;
  rec::SetId(rec, NewRecordId());
  DateValue today = Today();
  TimeValue now = Now(5);
  PutDate(rec + r::kCreatedDate, today);
  PutTime(rec + r::kCreatedTime, now);
  PutDate(rec + r::kSecondDate, today);
  PutTime(rec + r::kSecondTime, now);

  Bytes header;
  if (!ReadHeader(header).ok()) {
    // No header to copy from: stamp the identity of a new file.
    header = BuildNewHeader(format::FileKind::Address);
  }
  // The creator stamps carry the file's identity (flag, name, address). The
  // third text is left empty: the bytes after the identity in the header are
  // the Owner password, which must not travel inside every record.
  for (uint32_t stampOffset : {r::kCreator, r::kSecondStamp}) {
    std::memcpy(rec + stampOffset, header.data() + h::kOwnerStamp, format::stamp::kIdentitySize);
  }
  rec[r::kExchangeState] = 0;
  rec[r::kExchangeFlag] = 0;
  rec[r::kExchangeMark] = 1;
}

bool RecordStore::SlotInRange(RecordPosition position, uint64_t fileSize) const {
  if (position < firstSlot()) return false;
  if ((position - firstSlot()) % recordSize_ != 0) return false;
  return position + recordSize_ <= fileSize;
}

Result RecordStore::ReadRecord(Bytes& buffer, RecordPosition position) {
  if (Result open = RequireOpen("ReadRecord"); !open.ok()) return open;
  buffer.resize(recordSize_);
  if (position < firstSlot() || (position - firstSlot()) % recordSize_ != 0) {
    return Result::Fail("Not a record position in", 0, path_);
  }
  return file_->ReadAt(position, buffer.data(), buffer.size());
}

Result RecordStore::ReadRecordIfLive(Bytes& buffer, RecordPosition position) {
  Result read = ReadRecord(buffer, position);
  if (!read.ok()) return read;
  if (buffer[r::kInUse] == 0) return Result::Fail("The record was deleted by another user:", 0, path_);
  return Result::Ok();
}

// The connection password is compared exactly with the Owner, Assistant and
// Reader passwords, in that order; the first equal one gives its level.
// An empty slot means "no such password", not "the empty password":
//  - A file without any password gives everybody Owner rights.
//  - An empty Owner password leaves the file without an owner to protect
//    it: the empty password gives Owner, whatever the other two are (else
//    nobody could ever change the file or its passwords again).
//  - Once the Owner password is set, an empty Assistant or Reader slot
//    grants nothing: opening with no password gets no access, not the
//    rights of the empty slot (which could exceed the Reader password's).
// A connection that could only open the file read-only is a Reader at most.
int RecordStore::AccessLevelFrom(const Bytes& header) const {
  const std::string owner = PasswordField(header, h::kOwnerPassword);
  const std::string assistant = PasswordField(header, h::kAssistantPassword);
  const std::string reader = PasswordField(header, h::kReaderPassword);
  if (password_.empty()) return owner.empty() ? (readOnly_ ? kAccessReader : kAccessOwner) : kAccessNone;
  if (password_ == owner) return readOnly_ ? kAccessReader : kAccessOwner;
  if (password_ == assistant) return readOnly_ ? kAccessReader : kAccessAssistant;
  if (password_ == reader) return kAccessReader;
  return kAccessNone;
}

int RecordStore::GetAccessLevel() {
  Bytes header;
  if (!ReadHeader(header).ok()) return kAccessNone;
  return AccessLevelFrom(header);
}

uint64_t RecordStore::GetChangeCounter() {
  if (!file_) return 0;
  // An add, update or delete raises the counter before it changes any slot,
  // all under the guard lock (so that a process killed midway leaves no
  // change uncounted).
  // The counter is therefore read with the guard held shared: a list that
  // sees the raised counter and reloads finds the records in place. While
  // other users keep the guard busy, the value last read that way is the
  // answer: a list then reloads a moment later, never too early.
  bool guarded = false;
  for (int attempt = 0; attempt < 50 && !guarded; ++attempt) {
    guarded = file_->TryLock(locks::kGuard, locks::kLength, false);
    if (!guarded) ::usleep(1000);
  }
  if (!guarded) return lastCounter_;
  uint8_t bytes[8];
  const bool read = file_->ReadAt(format::kHeaderOffset + h::kChangeCounter, bytes, sizeof bytes).ok();
  file_->Unlock(locks::kGuard, locks::kLength);
  if (!read) return 0;
  lastCounter_ = GetU64(bytes);
  return lastCounter_;
}

Result RecordStore::AdjustHeader(int balanceDelta, int counterDelta, int openDelta) {
  if (Result open = RequireOpen("Header update"); !open.ok()) return open;
  GuardLock guard(*file_);
  if (!guard.result().ok()) return guard.result();
  Bytes header(format::kHeaderSize);
  if (Result rd = file_->ReadAt(format::kHeaderOffset, header.data(), header.size()); !rd.ok()) return rd;
  uint8_t* p = header.data();
  // The counters wrap as the 32- and 64-bit fields they are; a damaged
  // header must not make the arithmetic overflow.
  PutU32(p + h::kFreeSlotBalance, GetU32(p + h::kFreeSlotBalance) + uint32_t(balanceDelta));
  PutU64(p + h::kChangeCounter, GetU64(p + h::kChangeCounter) + uint64_t(int64_t(counterDelta)));
  PutU32(p + h::kOpenCount, GetU32(p + h::kOpenCount) + uint32_t(openDelta));
  return file_->WriteAt(format::kHeaderOffset, header.data(), header.size());
}

// REQUIRES: the caller holds the guard lock and has read header.
Result RecordStore::RaiseChangeCounterLocked(Bytes& header, uint64_t by) {
  uint8_t* counter = header.data() + h::kChangeCounter;
  PutU64(counter, GetU64(counter) + by);
  return file_->WriteAt(format::kHeaderOffset + h::kChangeCounter, counter, 8);
}

int64_t RecordStore::ReadSlots(RecordPosition position, uint8_t* buffer, size_t length) {
  if (!file_) return -1;
  return file_->ReadSome(position, buffer, length);
}

Result RecordStore::ScanSlots(
    const std::function<void(RecordPosition first, const uint8_t* slots, size_t count)>& visit,
    size_t slotsPerRead) {
  if (Result open = RequireOpen("Scan"); !open.ok()) return open;
  SlotReader reader(*file_, firstSlot(), recordSize_, path_, slotsPerRead);
  while (reader.Next()) visit(reader.positionOf(0), reader.slot(0), reader.count());
  return reader.result();
}

Result RecordStore::FileSize(uint64_t& size) {
  if (Result open = RequireOpen("FileSize"); !open.ok()) return open;
  return file_->Size(size);
}

// REQUIRES: the caller holds the guard lock and has read the header.
Result RecordStore::FindSlotLocked(RecordPosition& position, Bytes& header) {
  uint64_t size = 0;
  if (Result sz = file_->Size(size); !sz.ok()) return sz;
  // A trailing partial slot (a write cut short by a crash) is overwritten.
  uint64_t slots = size > firstSlot() ? (size - firstSlot()) / recordSize_ : 0;
  uint64_t end = firstSlot() + slots * recordSize_;
  int32_t balance = GetI32(header.data() + h::kFreeSlotBalance);
  if (balance >= 0) {
    position = end;
    return Result::Ok();
  }
  SlotReader reader(*file_, firstSlot(), recordSize_, path_);
  while (reader.Next()) {
    for (size_t i = 0; i < reader.count(); ++i) {
      const uint64_t at = reader.positionOf(i);
      if (at >= end) break;
      const uint8_t* slot = reader.slot(i);
      // A slot whose in-use byte is neither 0 nor 1 cannot be proved free.
      if (std::string problem = SlotProblem(slot, at, recordSize_); !problem.empty()) return DamageRefusal(problem, path_);
      if (slot[r::kInUse] == 0) {
        position = at;
        PutI32(header.data() + h::kFreeSlotBalance, balance + 1);
        return Result::Ok();
      }
    }
  }
  if (Result read = reader.result(); !read.ok()) return read;
  // The balance claimed free slots that do not exist (a crash between a slot
  // write and its header write): append, and trust the balance no longer.
  PutI32(header.data() + h::kFreeSlotBalance, 0);
  position = end;
  return Result::Ok();
}

Result RecordStore::AddRecord(const Bytes& record, RecordPosition* where) {
  if (Result open = RequireOpen("AddRecord"); !open.ok()) return open;
  if (record.size() != recordSize_) return Result::Fail("Record of the wrong size for", 0, path_);
  if (readOnly_) return Refusal("AddRecord", path_);
  GuardLock guard(*file_);
  if (!guard.result().ok()) return guard.result();
  Bytes header(format::kHeaderSize);
  if (Result rd = file_->ReadAt(format::kHeaderOffset, header.data(), header.size()); !rd.ok()) return rd;
  int level = AccessLevelFrom(header);
  if (level == kAccessReader || level == kAccessNone) return Refusal("AddRecord", path_);
  if (const Result& damage = Damage(); !damage.ok()) return damage;
  RecordPosition position = 0;
  if (Result found = FindSlotLocked(position, header); !found.ok()) return found;
  // Counted before it becomes visible: a process killed after this leaves
  // the counter one too high (lists reload once for nothing), never a record
  // that other users' lists do not know about.
  if (Result counted = RaiseChangeCounterLocked(header, 1); !counted.ok()) return counted;
  if (Result wr = file_->WriteAt(position, record.data(), record.size()); !wr.ok()) {
    // Nothing was added: the count goes back (readers never saw it, as they
    // read it under the guard). Were this to fail, it only counts too high.
    (void)RaiseChangeCounterLocked(header, uint64_t(-1));
    return wr;
  }
  if (Result wr = file_->WriteAt(format::kHeaderOffset, header.data(), header.size()); !wr.ok()) return wr;
  if (where) *where = position;
  return Result::Ok();
}

Result RecordStore::AddRecords(std::span<const uint8_t> records, size_t* added, std::vector<RecordPosition>* where) {
  if (added) *added = 0;
  if (where) where->clear();
  if (Result open = RequireOpen("AddRecords"); !open.ok()) return open;
  if (records.size() % recordSize_ != 0) return Result::Fail("Records of the wrong size for", 0, path_);
  if (readOnly_) return Refusal("AddRecords", path_);
  const size_t total = records.size() / recordSize_;
  const size_t perBatch = std::max<size_t>(1, std::min(kMaxBatchRecords, kMaxBatchBytes / recordSize_));
  size_t done = 0;
  while (done < total) {
    const size_t count = std::min(perBatch, total - done);
    size_t batchAdded = 0;
    Result batch = AddBatchLocked(records.data() + done * recordSize_, count, batchAdded, where);
    done += batchAdded;
    if (added) *added = done;
    if (!batch.ok()) return batch;
  }
  return Result::Ok();
}

// One batch under one hold of the guard lock. Slots are chosen exactly as
// repeated AddRecord calls would choose them: while the balance says slots
// are free, the first free slots in file order, and once it says none are
// (or the file has fewer than it says, which resets it to 0), the end of the
// file. The order of the writes keeps every record whole or absent for
// other connections, which read slots without the guard lock:
//  0. First of all the change counter, raised by the whole batch: no record
//     is visible before it is counted.
//  1. Each reused free slot gets its record with the in-use byte still 0, so
//     readers keep skipping it; only when all are written does each slot's
//     in-use byte follow, a one-byte write that makes the record live at once.
//  2. The records past the end go in one write. The file grows only as the
//     bytes arrive, so a slot there is seen only once it is whole, and slot
//     scans ignore a partial last slot.
//  3. The header last: the balance, and the counter of step 0 corrected to
//     the records that went in (a failed write adds fewer); readers, who
//     read the counter under the guard, never see the value of step 0.
// A process killed at any step leaves whole records, live or free, a change
// counter that may be too high but never too low, and at worst a balance
// that counts reused slots as still free, which the next add that finds no
// free slot corrects, as after a killed AddRecord. A failed write ends the
// batch: records already live stay and are counted in the header, a partial
// slot past them is cut off, the rest are not added.
Result RecordStore::AddBatchLocked(const uint8_t* records, size_t count, size_t& added,
                                   std::vector<RecordPosition>* where) {
  added = 0;
  GuardLock guard(*file_);
  if (!guard.result().ok()) return guard.result();
  Bytes header(format::kHeaderSize);
  if (Result rd = file_->ReadAt(format::kHeaderOffset, header.data(), header.size()); !rd.ok()) return rd;
  int level = AccessLevelFrom(header);
  if (level == kAccessReader || level == kAccessNone) return Refusal("AddRecords", path_);
  if (const Result& damage = Damage(); !damage.ok()) return damage;
  uint64_t size = 0;
  if (Result sz = file_->Size(size); !sz.ok()) return sz;
  const uint64_t slots = size > firstSlot() ? (size - firstSlot()) / recordSize_ : 0;
  const uint64_t end = firstSlot() + slots * recordSize_;

  const int32_t balance = GetI32(header.data() + h::kFreeSlotBalance);
  std::vector<RecordPosition> reuse;
  bool balanceTooLow = false;  // the balance claims free slots the file lacks
  if (balance < 0) {
    const size_t wanted = size_t(std::min<int64_t>(int64_t(count), -int64_t(balance)));
    SlotReader reader(*file_, firstSlot(), recordSize_, path_);
    while (reuse.size() < wanted && reader.Next()) {
      for (size_t i = 0; i < reader.count() && reuse.size() < wanted; ++i) {
        if (reader.slot(i)[r::kInUse] == 0) reuse.push_back(reader.positionOf(i));
      }
    }
    if (!reader.result().ok()) return reader.result();
    balanceTooLow = reuse.size() < wanted;
  }

  if (Result counted = RaiseChangeCounterLocked(header, count); !counted.ok()) return counted;

  Result failure = Result::Ok();
  size_t reused = 0;
  Bytes slot(recordSize_);
  for (size_t i = 0; i < reuse.size() && failure.ok(); ++i) {
    std::memcpy(slot.data(), records + i * recordSize_, recordSize_);
    slot[r::kInUse] = 0;
    failure = file_->WriteAt(reuse[i], slot.data(), slot.size());
  }
  // A slot whose write failed is still free; none has been made live yet,
  // so the count goes back (best effort: were it to fail, the counter is
  // only too high).
  if (!failure.ok()) {
    (void)RaiseChangeCounterLocked(header, uint64_t(0) - count);
    return failure;
  }
  for (; reused < reuse.size() && failure.ok(); ++reused) {
    failure = file_->WriteAt(reuse[reused] + r::kInUse, records + reused * recordSize_ + r::kInUse, 1);
    if (!failure.ok()) break;
  }

  size_t appended = 0;
  const size_t toAppend = count - reuse.size();
  if (failure.ok() && toAppend > 0) {
    failure = file_->WriteAt(end, records + reuse.size() * recordSize_, toAppend * size_t(recordSize_));
    if (failure.ok()) {
      appended = toAppend;
    } else {
      // The bytes written before the failure are whole records up to the
      // last slot boundary; a partial slot after them is cut off (and were
      // the cut to fail, readers and the next add pass over it).
      uint64_t now = 0;
      if (file_->Size(now).ok() && now > end) appended = size_t(std::min<uint64_t>((now - end) / recordSize_, toAppend));
      (void)file_->Truncate(std::max(end + uint64_t(appended) * recordSize_, size));
    }
  }

  uint8_t* p = header.data();
  const int32_t newBalance = balanceTooLow && appended > 0 ? 0 : balance + int32_t(reused);
  PutI32(p + h::kFreeSlotBalance, newBalance);
  PutU64(p + h::kChangeCounter, GetU64(p + h::kChangeCounter) - (count - reused - appended));
  if (Result written = file_->WriteAt(format::kHeaderOffset, header.data(), header.size()); failure.ok()) {
    failure = written;
  }
  added = reused + appended;
  if (where) {
    where->insert(where->end(), reuse.begin(), reuse.begin() + std::ptrdiff_t(reused));
    for (size_t j = 0; j < appended; ++j) where->push_back(end + uint64_t(j) * recordSize_);
  }
  return failure;
}

Result RecordStore::UpdateRecord(const Bytes& record, RecordPosition position) {
  if (Result open = RequireOpen("UpdateRecord"); !open.ok()) return open;
  if (record.size() != recordSize_) return Result::Fail("Record of the wrong size for", 0, path_);
  int level = GetAccessLevel();
  if (level == kAccessReader || level == kAccessNone) return Refusal("UpdateRecord", path_);
  if (Result writable = RequireWritable("UpdateRecord"); !writable.ok()) return writable;
  GuardLock guard(*file_);
  if (!guard.result().ok()) return guard.result();
  uint64_t size = 0;
  if (Result sz = file_->Size(size); !sz.ok()) return sz;
  if (!SlotInRange(position, size)) return Result::Fail("Not a record position in", 0, path_);
  uint8_t inUse = 0;
  if (Result rd = file_->ReadAt(position + r::kInUse, &inUse, 1); !rd.ok()) return rd;
  if (inUse > 1) return DamageRefusal(InUseProblem(inUse, position), path_);
  // Counted before the slot changes, as for an add or a delete: a process
  // killed after this leaves the counter one too high (lists reload once
  // for nothing), never a changed record that other users' lists keep
  // showing as it was. Only the counter changes in the header.
  Bytes header(format::kHeaderSize);
  if (Result rd = file_->ReadAt(format::kHeaderOffset, header.data(), header.size()); !rd.ok()) return rd;
  if (Result counted = RaiseChangeCounterLocked(header, 1); !counted.ok()) return counted;
  // A failed slot write keeps the count: the write may have changed part
  // of the slot before it failed, and one reload too many is harmless.
  return file_->WriteAt(position, record.data(), record.size());
}

Result RecordStore::DeleteRecord(RecordPosition position) {
  if (Result open = RequireOpen("DeleteRecord"); !open.ok()) return open;
  int level = GetAccessLevel();
  if (level == kAccessReader || level == kAccessNone) return Refusal("DeleteRecord", path_);
  if (Result writable = RequireWritable("DeleteRecord"); !writable.ok()) return writable;
  GuardLock guard(*file_);
  if (!guard.result().ok()) return guard.result();
  uint64_t size = 0;
  if (Result sz = file_->Size(size); !sz.ok()) return sz;
  if (!SlotInRange(position, size)) return Result::Fail("Not a record position in", 0, path_);
  uint8_t inUse = 0;
  if (Result rd = file_->ReadAt(position + r::kInUse, &inUse, 1); !rd.ok()) return rd;
  // Deleting a slot that is already free would count it twice in the
  // balance; the record is gone either way.
  if (inUse == 0) return Result::Fail("The record was already deleted:", 0, path_);
  if (inUse > 1) return DamageRefusal(InUseProblem(inUse, position), path_);
  // The slot is freed and its edit lock cleared in one write under the
  // guard: once another user's add may reuse the slot, no lock of the
  // deleted record is left to clear, and the deleter's own unlock that
  // follows leaves the slot alone (see UnlockRecord).
  // The header follows in the same step, the change counter first, as
  // for an add: lists never miss the delete.
  Bytes header(format::kHeaderSize);
  if (Result rd = file_->ReadAt(format::kHeaderOffset, header.data(), header.size()); !rd.ok()) return rd;
  if (Result counted = RaiseChangeCounterLocked(header, 1); !counted.ok()) return counted;
  const uint8_t freed[2] = {0, 0};  // in-use and edit-lock bytes
  static_assert(r::kEditLock == r::kInUse + 1);
  if (Result wr = file_->WriteAt(position + r::kInUse, freed, sizeof freed); !wr.ok()) {
    (void)RaiseChangeCounterLocked(header, uint64_t(-1));  // nothing was deleted
    return wr;
  }
  heldLocks_.erase(position);
  releasedByDelete_.insert(position);
  PutU32(header.data() + h::kFreeSlotBalance, GetU32(header.data() + h::kFreeSlotBalance) - 1);  // wraps
  return file_->WriteAt(format::kHeaderOffset, header.data(), header.size());
}

Result RecordStore::LockRecord(RecordPosition position) {
  if (Result writable = RequireWritable("LockRecord"); !writable.ok()) return writable;
  {
    GuardLock guard(*file_);
    if (!guard.result().ok()) return guard.result();
    uint64_t size = 0;
    if (Result sz = file_->Size(size); !sz.ok()) return sz;
    if (!SlotInRange(position, size)) return Result::Fail("Not a record position in", 0, path_);
    uint8_t flags[2 + 8];  // in-use and edit-lock bytes, then the record id
    static_assert(r::kEditLock == r::kInUse + 1 && r::kId == r::kInUse + 2);
    if (Result rd = file_->ReadAt(position + r::kInUse, flags, sizeof flags); !rd.ok()) return rd;
    if (flags[0] == 0) return Result::Fail("The record was deleted by another user:", 0, path_);
    if (flags[0] > 1) return DamageRefusal(InUseProblem(flags[0], position), path_);
    if (flags[1] == 1) return Result::Fail("The record is being edited by another user:", 0, path_);
    uint8_t one = 1;
    if (Result wr = file_->WriteAt(position + r::kEditLock, &one, 1); !wr.ok()) return wr;
    heldLocks_[position] = GetU64(flags + 2);
    releasedByDelete_.erase(position);
  }
  SetRefreshAllowed(false);
  return Result::Ok();
}

Result RecordStore::UnlockRecord(RecordPosition position) {
  SetRefreshAllowed(true);
  if (Result open = RequireOpen("UnlockRecord"); !open.ok()) return open;
  if (readOnly_) return Refusal("UnlockRecord", path_);
  GuardLock guard(*file_);
  if (!guard.result().ok()) return guard.result();
  uint64_t size = 0;
  if (Result sz = file_->Size(size); !sz.ok()) return sz;
  // This connection deleted the record it had locked: the delete ended the
  // lock, and the slot may already hold another user's record and lock.
  if (releasedByDelete_.erase(position) != 0) return Result::Ok();
  if (!SlotInRange(position, size)) return Result::Fail("Not a record position in", 0, path_);
  uint8_t flags[2 + 8];  // in-use and edit-lock bytes, then the record id
  if (Result rd = file_->ReadAt(position + r::kInUse, flags, sizeof flags); !rd.ok()) return rd;
  if (auto held = heldLocks_.find(position); held != heldLocks_.end()) {
    const uint64_t lockedId = held->second;
    heldLocks_.erase(held);
    // Another user deleted the record this connection had locked; whatever
    // lies in the slot now is not ours to unlock.
    if (flags[0] == 0 || GetU64(flags + 2) != lockedId) return Result::Ok();
  }
  if (flags[1] == 0) return Result::Fail("The record was not locked:", 0, path_);
  uint8_t zero = 0;
  return file_->WriteAt(position + r::kEditLock, &zero, 1);
}

bool RecordStore::IsSameRecord(uint64_t id, RecordPosition position) {
  if (!file_ || position < firstSlot()) return false;
  uint8_t head[r::kId + 8];
  if (!file_->ReadAt(position, head, sizeof head).ok()) return false;
  return head[r::kInUse] != 0 && GetU64(head + r::kId) == id;
}

bool RecordStore::HasDefaultIdentity() {
  Bytes header;
  if (!ReadHeader(header).ok()) return false;
  const uint8_t* stamp = header.data() + h::kOwnerStamp;
  return RawText(stamp + format::stamp::kName, format::stamp::kNameWidth) == format::kDefaultOwnerName &&
         RawText(stamp + format::stamp::kAddress, format::stamp::kAddressWidth) == format::kDefaultOwnerAddress;
}

Result RecordStore::SetFileIdentity(const std::string& name, const std::string& address, const std::string& server,
                                    const std::string& port, bool* restamped) {
  namespace s = format::stamp;
  if (restamped) *restamped = false;
  if (Result writable = RequireWritable("SetFileIdentity"); !writable.ok()) return writable;
  Bytes header;
  if (Result rd = ReadHeader(header); !rd.ok()) return rd;
  uint8_t* owner = header.data() + h::kOwnerStamp;
  std::string oldName(RawText(owner + s::kName, s::kNameWidth));
  std::string oldAddress(RawText(owner + s::kAddress, s::kAddressWidth));
  PutText(header.data() + h::kServer, h::kServerWidth, server);
  PutText(header.data() + h::kPort, h::kServerWidth, port);

  Bytes probe(std::max(s::kNameWidth, s::kAddressWidth));
  PutText(probe.data(), s::kNameWidth, name);
  std::string storedName(RawText(probe.data(), s::kNameWidth));
  PutText(probe.data(), s::kAddressWidth, address);
  std::string storedAddress(RawText(probe.data(), s::kAddressWidth));
  if (oldName == storedName && oldAddress == storedAddress) return WriteHeader(header);
  for (uint32_t offset : {h::kOwnerStamp, h::kSecondStamp}) {
    PutText(header.data() + offset + s::kName, s::kNameWidth, name);
    PutText(header.data() + offset + s::kAddress, s::kAddressWidth, address);
  }
  if (Result wr = WriteHeader(header); !wr.ok()) return wr;
  if (restamped) *restamped = true;

  SetRefreshAllowed(false);
  RecordQuery query;
  query.AddMatchAll();
  Result outcome = query.Run(*this);
  if (outcome.ok()) {
    Bytes record;
    for (RecordPosition position : query.positions()) {
      Result step = ReadRecord(record, position);
      uint8_t* creator = record.data() + r::kCreator;
      if (step.ok() && (RawText(creator + s::kName, s::kNameWidth) != oldName ||
                        RawText(creator + s::kAddress, s::kAddressWidth) != oldAddress)) {
        continue;
      }
      if (step.ok()) {
        PutText(creator + s::kName, s::kNameWidth, name);
        PutText(creator + s::kAddress, s::kAddressWidth, address);
        step = UpdateRecord(record, position);
      }
      // Go on with the other records; report the first failure.
      if (!step.ok() && outcome.ok()) outcome = step;
    }
  }
  SetRefreshAllowed(true);
  return outcome;
}

EditLock::EditLock(RecordStore& store, RecordPosition position)
    : store_(store), position_(position), result_(store.LockRecord(position)) {
  held_ = result_.ok();
}

EditLock::~EditLock() {
  // A destructor cannot tell anybody; paths whose unlock matters call
  // Release and report what it says.
  if (held_) (void)store_.UnlockRecord(position_);
}

Result EditLock::Release() {
  if (!held_) return Result::Fail("The record is not locked:", 0, store_.path());
  held_ = false;
  return store_.UnlockRecord(position_);
}

Bytes BuildNewHeader(format::FileKind kind) {
  namespace s = format::stamp;
  format::KindInfo info = format::InfoOf(kind);
  Bytes header(format::kHeaderSize, 0);
  uint8_t* p = header.data();
  PutU32(p + h::kSize, format::kHeaderSize);
  PutText(p + h::kKindName, h::kNameWidth, info.kindName);
  PutText(p + h::kFamilyName, h::kNameWidth, info.familyName);
  PutU32(p + h::kKindNumber, info.kindNumber);
  PutU32(p + h::kFormatMark, 1);
  for (uint32_t offset : {h::kOwnerStamp, h::kSecondStamp}) {
    p[offset + s::kFlag] = 0;
    PutText(p + offset + s::kName, s::kNameWidth, format::kDefaultOwnerName);
    PutText(p + offset + s::kAddress, s::kAddressWidth, format::kDefaultOwnerAddress);
  }
  PutU32(p + h::kMark, 1);
  std::string suite = SuiteSettingsPath();
  std::string server, port;
  (void)ReadSettingText(suite, "eServer", "server", server, h::kServerWidth);
  (void)ReadSettingText(suite, "eServer", "port", port, h::kServerWidth);
  PutText(p + h::kServer, h::kServerWidth, server);
  PutText(p + h::kPort, h::kServerWidth, port);
  PutI32(p + h::kFreeSlotBalance, 0);
  PutU64(p + h::kChangeCounter, format::kNewChangeCounter);
  PutI32(p + h::kOpenCount, 0);
  return header;
}

Result CreateRecordFile(const std::string& path, format::FileKind kind) {
  Bytes categories;
  BuildDefaultCategories(categories);
  {
    RecordStore store(path, "");
    if (Result made = store.Create(BuildNewHeader(kind), categories, format::InfoOf(kind).recordSize);
        !made.ok()) {
      return made;
    }
  }
  return CheckAndCompact(path, 0);
}

}  // namespace velmora
