// Runs the record store over one arbitrary file, as a program does when a
// user opens a damaged or hostile record file, and checks what must hold
// whatever the bytes are. Shared by the libFuzzer target (which aborts on a
// failed check) and the regression tests (which report it).
//
// The sequence: open a connection; list every record and sort it by last
// name; run queries built from the file's last bytes (so the fuzzer steers
// them) and their negations; read records at good and bad positions; lock,
// update and unlock a record; add a record, read it back and delete it;
// close; compact. Then compact, and copy, a fresh copy of the input.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "store/Bytes.h"
#include "store/Categories.h"
#include "store/Compact.h"
#include "store/FileSystem.h"
#include "store/Format.h"
#include "store/RecordHeader.h"
#include "store/RecordQuery.h"
#include "store/RecordStore.h"

namespace velmora::fuzzing {

namespace h = format::header;
namespace r = format::record;

// Sort key of the address-book listing: the last name.
inline constexpr uint32_t kLastNameOffset = 889;
inline constexpr uint32_t kLastNameWidth = 30;

inline bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
  return bool(out);
}

inline Bytes ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What the raw bytes of a file say, worked out without the store.
struct FileFacts {
  bool plausible = false;  // sizes in range and the whole prefix present
  bool shapeSound = false;  // sizes exactly those of one kind of record file
  bool slotsSound = true;   // every whole slot's in-use byte 0 or 1
  bool sound() const { return plausible && shapeSound && slotsSound; }
  uint32_t recordSize = 0;
  uint64_t firstSlot = 0;
  uint64_t slots = 0;  // whole slots
  int32_t openCount = 0;
  size_t live = 0;              // slots whose in-use byte is 1
  size_t liveConfidential = 0;  // of those, marked confidential

  FileFacts(const uint8_t* data, size_t size) {
    if (size < format::kPrologueSize) return;
    uint32_t headerSize = GetU32(data + format::kPrologueHeaderSize);
    uint32_t categorySize = GetU32(data + format::kPrologueCategorySize);
    recordSize = GetU32(data + format::kPrologueRecordSize);
    if (headerSize < format::kHeaderSize || headerSize > format::kMaxHeaderSize ||
        categorySize < format::kCategoryBlockSize || categorySize > format::kMaxCategoryBlockSize ||
        recordSize < format::kMinRecordSize || recordSize > format::kMaxRecordSize) {
      return;
    }
    firstSlot = uint64_t(format::kPrologueSize) + headerSize + categorySize;
    if (size < firstSlot) return;
    plausible = true;
    // The record size of the kind the header names.
    const uint8_t* kindField = data + format::kHeaderOffset + h::kKindName;
    const std::string kindName(reinterpret_cast<const char*>(kindField),
                               std::find(kindField, kindField + h::kNameWidth, 0) - kindField);
    uint32_t kindSize = 0;
    for (format::FileKind kind : {format::FileKind::Address, format::FileKind::Calendar, format::FileKind::History,
                                  format::FileKind::Partners, format::FileKind::Outbox}) {
      if (kindName == format::InfoOf(kind).kindName) kindSize = format::InfoOf(kind).recordSize;
    }
    shapeSound = headerSize == format::kHeaderSize && categorySize == format::kCategoryBlockSize &&
                 recordSize == kindSize;
    openCount = GetI32(data + format::kHeaderOffset + h::kOpenCount);
    slots = (size - firstSlot) / recordSize;
    for (uint64_t i = 0; i < slots; ++i) {
      const uint8_t* slot = data + firstSlot + i * recordSize;
      if (slot[r::kInUse] > 1 || (slot[r::kInUse] == 1 && GetU32(slot + r::kRecordSize) != recordSize)) {
        slotsSound = false;
      }
      if (slot[r::kInUse] != 1) continue;
      ++live;
      if (slot[r::kConfidential] != 0) ++liveConfidential;
    }
  }
  size_t Visible(bool owner) const { return owner ? live : live - liveConfidential; }
};

// Small numbers the fuzzer controls: the file's last bytes, read backwards.
class Knobs {
 public:
  Knobs(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte(size_t i) const { return size_ == 0 ? 0 : data_[size_ - 1 - i % size_]; }
  uint32_t Word(size_t i) const { return uint32_t(Byte(i)) | uint32_t(Byte(i + 1)) << 8; }
  // A short text taken from the middle of the file.
  std::string_view Text(size_t i) const {
    if (size_ == 0) return {};
    size_t at = (size_t(Word(i)) * 7) % size_;
    size_t length = std::min<size_t>(Byte(i + 2) % 24, size_ - at);
    return {reinterpret_cast<const char*>(data_ + at), length};
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

class RecordFileExercise {
 public:
  // folder: an empty scratch folder the exercise may fill.
  RecordFileExercise(std::string folder, const uint8_t* data, size_t size)
      : folder_(std::move(folder)), data_(data), size_(size), facts_(data, size), knobs_(data, size) {}

  // The first check that failed, empty when all held.
  std::string Run() {
    const std::string path = folder_ + "/input.adr";
    if (!WriteWholeFile(path, data_, size_)) return "cannot write the input file";
    Connection(path);
    if (failure_.empty()) CompactAfterUse(path);
    if (failure_.empty()) CompactCopy(folder_ + "/copy.adr");
    // Compaction and copying leave nothing beside the files they rewrite.
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder_, ec)) {
      const std::string name = entry.path().filename().string();
      if (name != "input.adr" && name != "copy.adr" && name != "copied.adr") {
        (void)Expect(false, ("a file was left behind: " + name).c_str(), __LINE__);
      }
      std::filesystem::remove(entry.path(), ec);
    }
    return failure_;
  }

 private:
#define VELMORA_EXPECT(condition) \
  do {                            \
    if (!Expect((condition), #condition, __LINE__)) return; \
  } while (0)

  bool Expect(bool ok, const char* what, int line) {
    if (!ok && failure_.empty()) failure_ = "line " + std::to_string(line) + ": " + what;
    return ok;
  }

  bool IsSlot(RecordPosition at) const {
    return at >= facts_.firstSlot && (at - facts_.firstSlot) % facts_.recordSize == 0 && at <= size_ &&
           facts_.recordSize <= size_ - at;
  }

  // Keys of consecutive positions are in order by comparer (the file still
  // holds the input bytes).
  bool SortedBy(const std::vector<RecordPosition>& positions, uint32_t offset, uint32_t length,
                Comparer comparer) const {
    for (size_t i = 1; i < positions.size(); ++i) {
      const uint8_t* a = data_ + positions[i - 1] + offset;
      const uint8_t* b = data_ + positions[i] + offset;
      int cmp = comparer(a, b, length);
      if (cmp > 0 || (cmp == 0 && positions[i - 1] > positions[i])) return false;
    }
    return true;
  }

  static bool SamePositions(std::vector<RecordPosition> a, std::vector<RecordPosition> b) {
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    return a == b;
  }

  void Connection(const std::string& path) {
    RecordStore store(path, "");
    VELMORA_EXPECT(store.IsOpen() == facts_.plausible);
    if (!store.IsOpen()) {
      Bytes buffer;
      VELMORA_EXPECT(!store.ReadRecord(buffer, format::kFirstSlotOffset).ok());
      VELMORA_EXPECT(!store.AddRecord(Bytes(format::kMinRecordSize)).ok());
      RecordQuery query;
      query.AddMatchAll();
      VELMORA_EXPECT(!query.Run(store).ok());
      return;
    }
    VELMORA_EXPECT(store.recordSize() == facts_.recordSize && store.firstSlot() == facts_.firstSlot);
    const int level = store.GetAccessLevel();
    const bool owner = level == kAccessOwner;
    (void)store.HasDefaultIdentity();
    Bytes block;
    if (store.ReadCategories(block).ok()) {
      (void)CategoryNames(block);
      (void)BuildCategoryMenu(block, 1000);
      CategoryList list(block);
      (void)list.Add(std::string(knobs_.Text(20)));
      VELMORA_EXPECT(list.ToBlock().size() == format::kCategoryBlockSize);
    }

    // The listing: every visible record, sorted by last name.
    RecordQuery all;
    all.AddMatchAll();
    VELMORA_EXPECT(all.Run(store).ok());
    VELMORA_EXPECT(all.count() == facts_.Visible(owner));
    for (size_t i = 0; i < all.count(); ++i) {
      VELMORA_EXPECT(IsSlot(all.positions()[i]));
      VELMORA_EXPECT(i == 0 || all.positions()[i - 1] < all.positions()[i]);
    }
    const std::vector<RecordPosition> inFileOrder = all.positions();
    Result sorted = all.Sort(store, kLastNameOffset, kLastNameWidth, CompareText);
    VELMORA_EXPECT(sorted.ok() == (facts_.recordSize >= kLastNameOffset + kLastNameWidth));
    VELMORA_EXPECT(SamePositions(all.positions(), inFileOrder));
    if (sorted.ok()) VELMORA_EXPECT(SortedBy(all.positions(), kLastNameOffset, kLastNameWidth, CompareText));

    Queries(store, all.count());
    if (!failure_.empty()) return;
    Reads(store);
    if (!failure_.empty()) return;
    Changes(store, level, all);
  }

  // A condition and its negation split the visible records between them.
  void Queries(RecordStore& store, size_t visible) {
    static constexpr uint32_t kNegations[][2] = {
        {kOpEqual, kOpNotEqual},          {kOpLessOrEqual, kOpGreater},     {kOpGreaterOrEqual, kOpLess},
        {kOpContains, kOpNotContains},    {kOpBeginsWith, kOpNotBeginsWith}, {kOpEndsWith, kOpNotEndsWith}};
    const auto& pair = kNegations[knobs_.Byte(0) % std::size(kNegations)];
    const uint32_t offset = knobs_.Word(1) % (facts_.recordSize + 64);
    const uint32_t length = knobs_.Byte(3) % 64;
    const std::string_view text = knobs_.Text(4);
    RecordQuery yes, no;
    yes.AddTextCondition(offset, length, pair[0], text, kConnectorAnd);
    no.AddTextCondition(offset, length, pair[1], text, kConnectorAnd);
    VELMORA_EXPECT(yes.Run(store).ok() && no.Run(store).ok());
    if (length > 0 && offset + length <= facts_.recordSize) {
      VELMORA_EXPECT(yes.count() + no.count() == visible);
    } else {
      VELMORA_EXPECT(yes.count() == 0);  // a field the record does not have never holds
    }

    // Several conditions of every kind, combined by the fuzzer's connectors.
    RecordQuery mixed;
    auto connector = [&](size_t i) { return uint32_t(knobs_.Byte(i) % 3); };
    mixed.AddTextCondition(offset, length, knobs_.Byte(7) % 15, text, connector(8));
    mixed.AddByteCondition(knobs_.Word(9) % (facts_.recordSize + 8), knobs_.Byte(11) % 15, knobs_.Byte(12),
                           connector(13));
    mixed.AddInt64Condition(r::kId, knobs_.Byte(14) % 15, knobs_.Word(15), knobs_.Word(17), connector(19));
    const uint8_t valueType = knobs_.Byte(20) % 13;
    const uint32_t typedOffset = knobs_.Word(21) % (facts_.recordSize + 32);
    const uint32_t typedLength = knobs_.Byte(23) % 40;
    const std::string_view operand = knobs_.Text(24);
    mixed.AddCondition(valueType, typedOffset, typedLength, knobs_.Byte(27) % 15, operand.data(), operand.size(),
                       connector(28));
    const uint32_t callbackOffset = knobs_.Word(29) % (facts_.recordSize + 8);
    const uint32_t recordSize = facts_.recordSize;
    mixed.AddCallbackCondition(
        callbackOffset, operand.data(), operand.size(),
        [callbackOffset, recordSize](const uint8_t* field, const QueryCondition&) {
          // A callback may read its field up to the end of the record.
          return callbackOffset < recordSize && field[0] % 2 == 0 ? 1 : 0;
        },
        connector(31));
    VELMORA_EXPECT(mixed.Run(store).ok());
    VELMORA_EXPECT(mixed.count() <= visible);
    for (RecordPosition at : mixed.positions()) VELMORA_EXPECT(IsSlot(at));
    if (Comparer comparer = ComparerForType(valueType)) {
      const std::vector<RecordPosition> before = mixed.positions();
      Result sorted = mixed.Sort(store, typedOffset, typedLength, comparer);
      VELMORA_EXPECT(SamePositions(mixed.positions(), before));
      if (sorted.ok() && typedLength >= 28) {  // every comparer reads at most 28 bytes
        VELMORA_EXPECT(SortedBy(mixed.positions(), typedOffset, typedLength, comparer));
      }
    }
  }

  // Whole slots read back exactly; anything else is refused.
  void Reads(RecordStore& store) {
    const uint64_t rs = facts_.recordSize;
    const RecordPosition tries[] = {
        facts_.firstSlot,
        facts_.firstSlot + rs * (knobs_.Byte(33) % (facts_.slots + 2)),
        facts_.firstSlot + knobs_.Word(34),
        size_,
        0,
        ~RecordPosition(0) - rs / 2,
    };
    for (RecordPosition at : tries) {
      Bytes buffer;
      Result read = store.ReadRecord(buffer, at);
      VELMORA_EXPECT(read.ok() == IsSlot(at));
      if (read.ok()) VELMORA_EXPECT(std::equal(buffer.begin(), buffer.end(), data_ + at));
      (void)store.ReadRecordIfLive(buffer, at);
      (void)store.IsSameRecord(knobs_.Word(36), at);
    }
  }

  // A writer's change: done on a sound file, refused with the Reader's code
  // to a Reader, refused otherwise on a damaged file.
  bool AsExpected(const Result& change, int level) const {
    const bool writer = level == kAccessOwner || level == kAccessAssistant;
    if (!writer) return change.code() == kReaderRefused;
    return facts_.sound() ? change.ok() : (!change.ok() && change.code() != kReaderRefused);
  }

  void Changes(RecordStore& store, int level, const RecordQuery& all) {
    VELMORA_EXPECT(store.Damage().ok() == facts_.sound());
    if (all.count() > 0) {
      RecordPosition at = all.positions()[knobs_.Word(37) % all.count()];
      if (store.LockRecord(at).ok()) {
        VELMORA_EXPECT(!store.LockRecord(at).ok());
        Bytes record;
        VELMORA_EXPECT(store.ReadRecord(record, at).ok());
        Result updated = store.UpdateRecord(record, at);
        VELMORA_EXPECT(AsExpected(updated, level));
        VELMORA_EXPECT(store.UnlockRecord(at).ok());
        VELMORA_EXPECT(!store.UnlockRecord(at).ok());
      }
    }

    const uint64_t counter = store.GetChangeCounter();
    Bytes fresh;
    store.InitRecord(fresh, store.recordSize());
    VELMORA_EXPECT(fresh.size() == store.recordSize());
    PutText(fresh.data() + r::kCategory, r::kCategoryWidth, knobs_.Text(38));
    RecordPosition where = 0;
    Result added = store.AddRecord(fresh, &where);
    VELMORA_EXPECT(AsExpected(added, level));
    if (!added.ok()) {
      VELMORA_EXPECT(store.GetChangeCounter() == counter);
      return;
    }
    VELMORA_EXPECT(store.GetChangeCounter() == counter + 1);
    VELMORA_EXPECT(where >= facts_.firstSlot && (where - facts_.firstSlot) % facts_.recordSize == 0);
    Bytes back;
    VELMORA_EXPECT(store.ReadRecord(back, where).ok() && back == fresh);
    VELMORA_EXPECT(store.IsSameRecord(rec::Id(fresh.data()), where));
    RecordQuery again;
    again.AddMatchAll();
    VELMORA_EXPECT(again.Run(store).ok() && again.count() == all.count() + 1);
    VELMORA_EXPECT(store.DeleteRecord(where).ok());
    VELMORA_EXPECT(!store.IsSameRecord(rec::Id(fresh.data()), where));
    VELMORA_EXPECT(!store.DeleteRecord(where).ok());
    VELMORA_EXPECT(store.GetChangeCounter() == counter + 2);

    if (level == kAccessOwner && knobs_.Byte(39) % 4 == 0) {
      bool restamped = false;
      VELMORA_EXPECT(store.SetFileIdentity("Fuzz", "fuzz@example.org", std::string(knobs_.Text(40)), "1", &restamped)
                         .ok());
      VELMORA_EXPECT(!store.HasDefaultIdentity());
    }
  }

  // The used file closes cleanly and compacts to whole live slots.
  void CompactAfterUse(const std::string& path) {
    Bytes used = ReadWholeFile(path);
    if (!facts_.plausible) {
      VELMORA_EXPECT(used == Bytes(data_, data_ + size_));
      VELMORA_EXPECT(!CheckAndCompact(path, 1).ok());
      return;
    }
    if (!facts_.sound()) {
      // Never a record dropped that cannot be proved free: refused, unchanged.
      VELMORA_EXPECT(!CheckAndCompact(path, 1).ok());
      VELMORA_EXPECT(ReadWholeFile(path) == used);
      return;
    }
    VELMORA_EXPECT(used.size() >= size_t(format::kHeaderOffset + h::kOpenCount + 4));
    VELMORA_EXPECT(GetI32(used.data() + format::kHeaderOffset + h::kOpenCount) == facts_.openCount);
    VELMORA_EXPECT(CheckAndCompact(path, 1).ok());
    Bytes compacted = ReadWholeFile(path);
    FileFacts after(compacted.data(), compacted.size());
    VELMORA_EXPECT(after.plausible && after.openCount == 0);
    VELMORA_EXPECT(compacted.size() == after.firstSlot + after.slots * after.recordSize);
    VELMORA_EXPECT(after.live == after.slots);
    for (uint64_t i = 0; i < after.slots; ++i) {
      VELMORA_EXPECT(compacted[after.firstSlot + i * after.recordSize + r::kEditLock] == 0);
    }
    VELMORA_EXPECT(GetI32(compacted.data() + format::kHeaderOffset + h::kFreeSlotBalance) == 0);
  }

  // A fresh copy of the input: untouched when it was closed cleanly and not
  // forced, otherwise exactly its live slots in order with locks cleared.
  void CompactCopy(const std::string& path) {
    VELMORA_EXPECT(WriteWholeFile(path, data_, size_));
    if (knobs_.Byte(42) % 4 == 0) {  // the copy is slow under the sanitizers: now and then
      const std::string copied = folder_ + "/copied.adr";
      VELMORA_EXPECT(CopyRecordFile(path, copied).ok());
      VELMORA_EXPECT(ReadWholeFile(copied) == Bytes(data_, data_ + size_));
    }

    const int force = knobs_.Byte(41) % 2;
    CompactReport report;
    const Result result = CheckAndCompact(path, force, {}, &report);
    Bytes out = ReadWholeFile(path);
    const bool untouched = force == 0 && facts_.openCount == 0;
    VELMORA_EXPECT(result.ok() == (facts_.plausible && facts_.shapeSound && (facts_.slotsSound || untouched)));
    if (!result.ok() || untouched) {
      VELMORA_EXPECT(out == Bytes(data_, data_ + size_));
      return;
    }
    const uint64_t prefix = facts_.firstSlot;
    VELMORA_EXPECT(out.size() == prefix + facts_.live * facts_.recordSize);
    Bytes expected(data_, data_ + prefix);
    PutI32(expected.data() + format::kHeaderOffset + h::kOpenCount, 0);
    PutI32(expected.data() + format::kHeaderOffset + h::kFreeSlotBalance, 0);
    for (uint64_t i = 0; i < facts_.slots; ++i) {
      const uint8_t* slot = data_ + prefix + i * facts_.recordSize;
      if (slot[r::kInUse] != 1) continue;
      size_t start = expected.size();
      expected.insert(expected.end(), slot, slot + facts_.recordSize);
      expected[start + r::kEditLock] = 0;
    }
    VELMORA_EXPECT(out == expected);
    VELMORA_EXPECT(report.compacted && report.recordsKept == facts_.live && report.slotsRead == facts_.slots);
    VELMORA_EXPECT(report.partialSlotBytes == (size_ - prefix) % facts_.recordSize);
  }

#undef VELMORA_EXPECT

  std::string folder_;
  const uint8_t* data_;
  size_t size_;
  FileFacts facts_;
  Knobs knobs_;
  std::string failure_;
};

}  // namespace velmora::fuzzing
