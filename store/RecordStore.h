// RecordStore: one connection to one record file.
//
// Several connections, in this process or in others, may have the same file
// open at once; they cooperate only through the file (see FileLocks.h for
// the locking protocol). A connection opens in its constructor and closes in
// its destructor; the open count in the file header counts connections.
//
// A file this user may read but not write (a read-only mount, another
// user's 0444 file) opens read-only with Reader rights: it is listed, and
// every change is refused with the Reader's code. A damaged file (see
// RecordFileView.h) opens for reading, and every change is refused with a
// message that says what is wrong.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "store/FileSystem.h"
#include "store/Format.h"
#include "store/Result.h"
#include "store/SlotReader.h"

namespace velmora {

using RecordPosition = uint64_t;
using Bytes = std::vector<uint8_t>;

// Access levels granted by the connection password.
inline constexpr int kAccessOwner = 102;
inline constexpr int kAccessAssistant = 103;
inline constexpr int kAccessReader = 104;
inline constexpr int kAccessNone = -1;

// Password used for short-lived connections that only read the header.
inline constexpr const char* kProbePassword = "zilt";

inline constexpr uint32_t kUnsetSize = 0xFFFFFFFFu;

// The most records and bytes RecordStore::AddRecords writes under one guard
// lock: a few milliseconds of writing, far below any lock wait.
inline constexpr size_t kMaxBatchRecords = 1024;
inline constexpr size_t kMaxBatchBytes = size_t(4) << 20;

class RecordStore {
 public:
  // Stores path and password, then opens; OpenFailed() tells whether that
  // first open failed.
  RecordStore(std::string path, std::string password);
  ~RecordStore();
  RecordStore(const RecordStore&) = delete;
  RecordStore& operator=(const RecordStore&) = delete;

  // Creates the file (replacing an unused existing one), writes the prologue,
  // header and category block, and opens this connection on it.
  Result Create(const Bytes& header, const Bytes& categories, uint32_t recordSize);

  Result Open();   // ok when open, also when already open
  Result Close();  // always ok; the handle is closed in every case
  Result Flush();  // makes written data durable; fails when not open
  bool IsOpen() const { return file_ != nullptr; }
  bool OpenFailed() const { return openFailed_; }
  // Why the last open failed (empty when it did not).
  const Result& OpenError() const { return openError_; }

  bool IsReadOnly() const { return readOnly_; }
  // Why changes are refused (ok when the file is sound). The slots are
  // scanned once per connection, on the first change or on this call, so a
  // connection that only reads never pays for reading the file twice.
  const Result& Damage();

  static bool FileExists(const std::string& path);
  // True when the file is missing or some connection anywhere has it open.
  static bool IsInUse(const std::string& path);
  // Whether some connection has the file open, found by trying the presence
  // lock; fails when the lock cannot be tried (a missing file, or one this
  // user may only read).
  static Result ProbeInUse(const std::string& path, bool& inUse);

  Result ReadHeader(Bytes& header);             // 1581 bytes at offset 12
  Result WriteHeader(const Bytes& header);
  Result ReadCategories(Bytes& block);          // the category block
  Result WriteCategories(const Bytes& block);
  Result ReadPrologue(Bytes& prologue);         // 12 bytes at offset 0
  Result WritePrologue(const Bytes& prologue);

  // Zeroes buffer to recordSize bytes and fills the common record header of
  // a new record (id, stamps from the file header, today's date and time).
  void InitRecord(Bytes& buffer, uint32_t recordSize);

  // Reads one whole slot (buffer is resized to the record size).
  Result ReadRecord(Bytes& buffer, RecordPosition position);
  // As ReadRecord, failing when the slot is free.
  Result ReadRecordIfLive(Bytes& buffer, RecordPosition position);
  // 104 for a Reader. where receives the slot used.
  Result AddRecord(const Bytes& record, RecordPosition* where = nullptr);
  // Adds records (whole slots laid end to end in records) as AddRecord
  // would one after the other, in batches of at most kMaxBatchRecords
  // records or kMaxBatchBytes bytes: one guard lock and one header write per
  // batch, so another connection waits for the guard at most one batch.
  // Other connections see each record whole or not at all. 104 for a
  // Reader. *added counts the records in the file when it returns, also on
  // failure; where, when given, receives their positions in order.
  Result AddRecords(std::span<const uint8_t> records, size_t* added = nullptr,
                    std::vector<RecordPosition>* where = nullptr);
  Result UpdateRecord(const Bytes& record, RecordPosition position);
  // Frees the slot and clears its edit lock in one guarded step; a lock this
  // connection held on it counts as released.
  Result DeleteRecord(RecordPosition position);
  // Test-and-set of the slot's edit-lock byte; clears *refresh allowed* on
  // success.
  Result LockRecord(RecordPosition position);
  // Sets *refresh allowed*, then clears a held lock byte. A lock this
  // connection took on a record that has since been deleted (by it or by
  // another user) is over: the slot is left alone and the unlock succeeds.
  Result UnlockRecord(RecordPosition position);
  bool IsSameRecord(uint64_t id, RecordPosition position);

  // Reader for a connection that could only open the file read-only.
  int GetAccessLevel();
  // The file's change counter, read under the guard lock so that it never
  // runs ahead of the records it counts; while other users keep the guard
  // busy, the value last read.
  uint64_t GetChangeCounter();
  bool HasDefaultIdentity();
  // Rewrites the file's identity and exchange server, then re-stamps the
  // records the old identity created. *restamped tells whether the identity
  // changed (false when only the server or port did, or nothing); a failed
  // header or record write is a failure.
  Result SetFileIdentity(const std::string& name, const std::string& address, const std::string& server,
                         const std::string& port, bool* restamped = nullptr);

  // Reads up to length bytes starting at position; returns the count read,
  // -1 on error.
  int64_t ReadSlots(RecordPosition position, uint8_t* buffer, size_t length);
  // Calls visit for every chunk of whole slots, front to back, with the
  // position of the chunk's first slot.
  Result ScanSlots(const std::function<void(RecordPosition first, const uint8_t* slots, size_t count)>& visit,
                   size_t slotsPerRead = kSlotsPerRead);
  Result FileSize(uint64_t& size);

  const std::string& path() const { return path_; }
  const std::string& password() const { return password_; }
  void SetPassword(std::string password) { password_ = std::move(password); }
  uint32_t recordSize() const { return recordSize_; }
  uint32_t headerSize() const { return headerSize_; }
  uint32_t categoryBlockSize() const { return categorySize_; }
  // File offset of the first slot: 12 + header size + category block size.
  uint64_t firstSlot() const { return uint64_t(12) + headerSize_ + categorySize_; }
  uint64_t changeCounterSeen() const { return changeCounterSeen_; }

  // The underlying file, for compaction (which runs only when nobody has the
  // file open) and tests.
  File* file() { return file_.get(); }

 private:
  Result RequireOpen(const char* what) const;
  // Open, writable and sound; 104 when read-only.
  Result RequireWritable(const char* what);
  Result ValidatePrologue(const Bytes& prologue, uint64_t fileSize);
  bool SlotInRange(RecordPosition position, uint64_t fileSize) const;
  Result AdjustHeader(int balanceDelta, int counterDelta, int openDelta);
  // Adds by to the change counter in header and writes just that field.
  Result RaiseChangeCounterLocked(Bytes& header, uint64_t by);
  Result FindSlotLocked(RecordPosition& position, Bytes& header);
  Result AddBatchLocked(const uint8_t* records, size_t count, size_t& added, std::vector<RecordPosition>* where);
  int AccessLevelFrom(const Bytes& header) const;

  std::string path_;
  std::string password_;
  uint32_t headerSize_ = kUnsetSize;
  uint32_t categorySize_ = kUnsetSize;
  uint32_t recordSize_ = kUnsetSize;
  uint64_t changeCounterSeen_ = format::kNewChangeCounter;
  // The change counter as last read under the guard lock.
  uint64_t lastCounter_ = format::kNewChangeCounter;
  bool openFailed_ = false;
  bool readOnly_ = false;
  Result damage_ = Result::Ok();
  bool slotsScanned_ = false;
  Result scanError_ = Result::Ok();
  Result openError_ = Result::Ok();
  std::unique_ptr<File> file_;
  // The edit locks this connection took, with the id of the record locked.
  std::map<RecordPosition, uint64_t> heldLocks_;
  // Slots whose lock this connection's DeleteRecord ended.
  std::set<RecordPosition> releasedByDelete_;
};

// Holds a record's edit lock for a scope: locks on construction, unlocks
// on destruction unless released earlier, so no path forgets UnlockRecord.
class EditLock {
 public:
  EditLock(RecordStore& store, RecordPosition position);
  ~EditLock();
  EditLock(const EditLock&) = delete;
  EditLock& operator=(const EditLock&) = delete;

  bool held() const { return held_; }
  // Why the lock was not taken (ok when it was).
  const Result& result() const { return result_; }
  // Unlocks now and tells whether that worked.
  Result Release();

 private:
  RecordStore& store_;
  RecordPosition position_;
  bool held_ = false;
  Result result_;
};

// A new random 64-bit record id (generator seeded once per process).
uint64_t NewRecordId();

// Builds the 1581-byte header of a new file of that kind; the exchange
// server and port come from section "eServer" of the suite settings.
Bytes BuildNewHeader(format::FileKind kind);

// Creates a file of that kind with the default categories and leaves it
// closed and compacted-checked, ready to open. With examples, the caller adds
// sample records afterwards through its own connection.
Result CreateRecordFile(const std::string& path, format::FileKind kind);

}  // namespace velmora
