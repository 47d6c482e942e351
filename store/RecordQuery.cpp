#include "store/RecordQuery.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <numeric>
#include <string>

#include "store/Bytes.h"
#include "store/Dates.h"
#include "store/RecordHeader.h"

namespace velmora {

namespace r = format::record;

namespace {

template <typename T>
int Sign(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

int CompareDoubles(double a, double b) { return Sign(a, b); }

// Width of a value type's encoding; 0 for text (its field length applies)
// and for unknown types.
size_t ValueWidth(int valueType) {
  switch (valueType) {
    case 1: case 2: return 4;
    case 3: case 8: return 8;
    case 5: return 12;
    case 6: return 16;
    case 7: return 12;
    case 9: return 1;
    case 10: return 8;
    case 11: return 28;
    default: return 0;
  }
}

// Lower-cased (A..Z only) copy of a text up to its terminator or limit.
std::string Folded(const uint8_t* text, size_t limit) {
  std::string_view raw = RawText(text, limit);
  std::string out(raw);
  for (char& c : out) c = static_cast<char>(FoldCase(static_cast<uint8_t>(c)));
  return out;
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

int CompareInt32(const uint8_t* a, const uint8_t* b, size_t) { return Sign(GetI32(a), GetI32(b)); }
int CompareDouble(const uint8_t* a, const uint8_t* b, size_t) { return CompareDoubles(GetDouble(a), GetDouble(b)); }
int CompareText(const uint8_t* a, const uint8_t* b, size_t n) { return CompareTextFields(a, b, n); }
int CompareDate(const uint8_t* a, const uint8_t* b, size_t) {
  return Sign(DayNumber(GetDate(a)), DayNumber(GetDate(b)));
}
int CompareTime(const uint8_t* a, const uint8_t* b, size_t) {
  return Sign(TimeSlot(GetTime(a)), TimeSlot(GetTime(b)));
}
int CompareInt8(const uint8_t* a, const uint8_t* b, size_t) {
  return Sign(static_cast<int8_t>(*a), static_cast<int8_t>(*b));
}
int CompareInt64(const uint8_t* a, const uint8_t* b, size_t) { return Sign(GetI64(a), GetI64(b)); }
int CompareDateTime(const uint8_t* a, const uint8_t* b, size_t n) {
  int byDate = CompareDate(a, b, n);
  return byDate != 0 ? byDate : CompareTime(a + format::kDateValueSize, b + format::kDateValueSize, n);
}

Comparer ComparerForType(int valueType) {
  switch (valueType) {
    case 1: case 2: return CompareInt32;
    case 3: case 7: case 8: return CompareDouble;
    case 4: return CompareText;
    case 5: return CompareDate;
    case 6: return CompareTime;
    case 9: return CompareInt8;
    case 10: return CompareInt64;
    case 11: return CompareDateTime;
    default: return nullptr;
  }
}

namespace {

bool SortByKeys(std::vector<RecordPosition>& positions, Bytes& keys, size_t stride, size_t keyLength,
                Comparer comparer);

// Bytes a comparer reads from each key: the width of its value type for the
// fixed-width comparers, which read that much whatever key length they are
// given; the key length for texts and for comparers of the caller's own.
size_t ComparedWidth(Comparer comparer, size_t keyLength) {
  size_t width = 0;
  if (comparer == CompareInt32) width = 4;
  else if (comparer == CompareDouble || comparer == CompareInt64) width = 8;
  else if (comparer == CompareDate) width = format::kDateValueSize;
  else if (comparer == CompareTime) width = format::kTimeValueSize;
  else if (comparer == CompareInt8) width = 1;
  else if (comparer == CompareDateTime) width = format::kDateValueSize + format::kTimeValueSize;
  return std::max(width, keyLength);
}

}  // namespace

RecordQuery::RecordQuery() { Reset(); }

void RecordQuery::Reset() {
  conditions_.clear();
  positions_.clear();
  store_ = nullptr;
  comparer_ = nullptr;
  keyOffset_ = kUnsetSize;
  keyLength_ = kUnsetSize;
  counterSeen_ = kUnsetCounter;
  keys_.clear();
  keysValid_ = false;
  ClearSortedKeys();
}

Result RecordQuery::Prepare() {
  conditions_.clear();
  positions_.clear();
  keys_.clear();
  keysValid_ = false;
  ClearSortedKeys();
  return Result::Ok();
}

bool RecordQuery::AddCondition(uint8_t valueType, uint32_t offset, uint32_t length, uint32_t op,
                               const void* operand, size_t operandLength, uint32_t connector) {
  if (conditions_.size() >= kMaxConditions) return false;
  QueryCondition c;
  c.kind = 2;
  c.valueType = valueType;
  c.fieldOffset = offset;
  c.fieldLength = length;
  c.op = op;
  c.operandLength = static_cast<uint32_t>(std::min(operandLength, kOperandSize - 1));
  if (operand && c.operandLength) std::memcpy(c.operand.data(), operand, c.operandLength);
  c.connector = connector;
  conditions_.push_back(std::move(c));
  return true;
}

bool RecordQuery::AddMatchAll() { return AddCondition(0, 0, 0, kOpAll, nullptr, 0, kConnectorAnd); }

bool RecordQuery::AddByteCondition(uint32_t offset, uint32_t op, uint8_t value, uint32_t connector) {
  return AddCondition(9, offset, 1, op, &value, 1, connector);
}

bool RecordQuery::AddInt64Condition(uint32_t offset, uint32_t op, uint32_t low, uint32_t high,
                                    uint32_t connector) {
  uint8_t bytes[8];
  PutU32(bytes, low);
  PutU32(bytes + 4, high);
  return AddCondition(10, offset, 8, op, bytes, 8, connector);
}

bool RecordQuery::AddTextCondition(uint32_t offset, uint32_t length, uint32_t op, std::string_view text,
                                   uint32_t connector) {
  // Operands hold at most 499 bytes, cut at a character boundary.
  size_t n = Utf8CutLength(text, kOperandSize - 1);
  return AddCondition(4, offset, length, op, text.data(), n, connector);
}

bool RecordQuery::AddCallbackCondition(uint32_t offset, const void* operand, size_t operandLength,
                                       ConditionCallback callback, uint32_t connector) {
  if (conditions_.size() >= kMaxConditions) return false;
  QueryCondition c;
  c.kind = 0;
  c.valueType = 0;
  c.fieldOffset = offset;
  c.op = kOpCallback;
  if (operand && operandLength < kOperandSize) {
    std::memcpy(c.operand.data(), operand, operandLength);
    c.operandLength = static_cast<uint32_t>(operandLength);
  }
  c.callback = std::move(callback);
  c.connector = connector;
  conditions_.push_back(std::move(c));
  return true;
}

bool RecordQuery::Evaluate(QueryCondition& c, const uint8_t* record, size_t recordSize) const {
  if (c.op == kOpAll || c.op > kOpCallback) return true;
  if (c.op == kOpCallback || c.kind == 0) {
    if (!c.callback || c.fieldOffset >= recordSize) return false;
    return c.callback(record + c.fieldOffset, c) == 1;
  }
  size_t width = c.valueType == 4 ? c.fieldLength : ValueWidth(c.valueType);
  // A condition on bytes the record does not have never holds.
  if (width == 0 || uint64_t(c.fieldOffset) + width > recordSize) {
    return c.op == kOpNotContains || c.op == kOpNotBeginsWith || c.op == kOpNotEndsWith;
  }
  const uint8_t* field = record + c.fieldOffset;
  if (c.op >= kOpContains) {
    bool negate = c.op == kOpNotContains || c.op == kOpNotBeginsWith || c.op == kOpNotEndsWith;
    if (c.valueType != 4) return negate;
    std::string text = Folded(field, c.fieldLength);
    std::string operand = Folded(c.operand.data(), kOperandSize - 1);
    bool hit;
    if (c.op <= kOpNotContains) hit = text.find(operand) != std::string::npos;
    else if (c.op <= kOpNotBeginsWith) hit = text.compare(0, operand.size(), operand) == 0;
    else hit = EndsWith(text, operand);
    return negate ? !hit : hit;
  }
  if (c.valueType < 1 || c.valueType > 10) return false;
  int cmp;
  if (c.valueType == 4) {
    cmp = CompareTextFields(field, c.operand.data(), std::min<size_t>(c.fieldLength, kOperandSize));
  } else {
    // Fixed-width operands shorter than the encoding read as zero bytes.
    uint8_t operand[16] = {};
    std::memcpy(operand, c.operand.data(), std::min<size_t>(width, sizeof operand));
    cmp = ComparerForType(c.valueType)(field, operand, width);
  }
  switch (c.op) {
    case kOpEqual: return cmp == 0;
    case kOpNotEqual: return cmp != 0;
    case kOpLessOrEqual: return cmp <= 0;
    case kOpGreaterOrEqual: return cmp >= 0;
    case kOpGreater: return cmp > 0;
    case kOpLess: return cmp < 0;
    default: return false;
  }
}

bool RecordQuery::Matches(const uint8_t* record, size_t recordSize) {
  if (conditions_.empty()) return true;
  if (conditions_.front().op == kOpAll) return true;
  for (QueryCondition& c : conditions_) c.result = Evaluate(c, record, recordSize) ? 1 : 0;
  if (conditions_.size() == 1) return conditions_.front().result == 1;
  // Adjacent pairs: both connectors "and" need both true, any other pair
  // needs one true; the record matches when every pair passes.
  for (size_t i = 0; i + 1 < conditions_.size(); ++i) {
    const QueryCondition& a = conditions_[i];
    const QueryCondition& b = conditions_[i + 1];
    bool both = a.connector == kConnectorAnd && b.connector == kConnectorAnd;
    bool pass = both ? (a.result == 1 && b.result == 1) : (a.result == 1 || b.result == 1);
    if (!pass) return false;
  }
  return true;
}

void RecordQuery::SetSortKey(uint32_t keyOffset, uint32_t keyLength, Comparer comparer) {
  keyOffset_ = keyOffset;
  keyLength_ = keyLength;
  comparer_ = comparer;
  keysValid_ = false;
}

Result RecordQuery::Run(RecordStore& store) {
  positions_.clear();
  keys_.clear();
  keysValid_ = false;
  ClearSortedKeys();
  if (!store.IsOpen()) return Result::Fail("Query on a closed file:", 0, store.path());
  const bool owner = store.GetAccessLevel() == kAccessOwner;
  const size_t size = store.recordSize();
  const size_t width = comparer_ ? ComparedWidth(comparer_, keyLength_) : 0;
  const bool gather = comparer_ && keyLength_ != 0 && keyLength_ != kUnsetSize &&
                      uint64_t(keyOffset_) + width <= size;
  // Room for every slot up front, so a large file is not copied while the
  // lists grow.
  uint64_t fileSize = 0;
  if (store.FileSize(fileSize).ok() && fileSize > store.firstSlot()) {
    const size_t slots = size_t((fileSize - store.firstSlot()) / size);
    positions_.reserve(slots);
    if (gather) keys_.reserve(slots * width);
  }
  Result scanned = store.ScanSlots([&](RecordPosition first, const uint8_t* slots, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* rec = slots + i * size;
      if (rec[r::kInUse] != 1) continue;
      if (rec[r::kConfidential] != 0 && !owner) continue;
      if (!Matches(rec, size)) continue;
      positions_.push_back(first + i * size);
      if (gather) keys_.insert(keys_.end(), rec + keyOffset_, rec + keyOffset_ + width);
    }
  });
  if (!scanned.ok()) return scanned;
  if (gather) {
    keyWidth_ = width;
    keysStore_ = &store;
    keysValid_ = true;
  }
  return Result::Ok();
}

Result RecordQuery::Sort(RecordStore& store, uint32_t keyOffset, uint32_t keyLength, Comparer comparer) {
  if (keyOffset != keyOffset_ || keyLength != keyLength_ || comparer != comparer_ || keysStore_ != &store) {
    keysValid_ = false;
  }
  store_ = &store;
  keyOffset_ = keyOffset;
  keyLength_ = keyLength;
  comparer_ = comparer;
  if (counterSeen_ == kUnsetCounter) counterSeen_ = store.GetChangeCounter();
  return Resort();
}

Result RecordQuery::Resort() {
  if (!store_ || !comparer_) return Result::Fail("Nothing to sort by");
  // Keys gathered by the scan serve the sort that follows it; later sorts
  // read the records again, since they may have changed meanwhile.
  ClearSortedKeys();
  if (keysValid_ && keysStore_ == store_ && keys_.size() == positions_.size() * keyWidth_) {
    keysValid_ = false;
    KeepSortedKeys(SortByKeys(positions_, keys_, keyWidth_, keyLength_, comparer_), keys_, keyWidth_);
    keys_.clear();
    return Result::Ok();
  }
  if (positions_.size() >= kInMemorySortThreshold) {
    Result sorted = SortInMemory(*store_);
    if (sorted.ok()) return sorted;
  }
  return SortFromFile(*store_);
}

namespace {

// Sorts positions by the keys gathered for them (keys[i] belongs to
// positions[i]); equal keys keep file order so both sort paths agree. Text
// keys end folded and in the new order (then the result is true); other
// keys are left in an unspecified state.
bool SortByKeys(std::vector<RecordPosition>& positions, Bytes& keys, size_t stride, size_t keyLength,
                Comparer comparer) {
  std::vector<size_t> order(positions.size());
  std::iota(order.begin(), order.end(), 0);
  if (comparer == CompareText) {
    // Folding every key once (A..Z to a..z, zero after the terminator) makes
    // a byte comparison give exactly CompareText's order, far faster.
    for (size_t i = 0; i < positions.size(); ++i) {
      uint8_t* key = keys.data() + i * stride;
      bool ended = false;
      for (size_t j = 0; j < stride; ++j) {
        ended = ended || key[j] == 0;
        key[j] = ended ? 0 : FoldCase(key[j]);
      }
    }
    // Sort small entries that carry the first eight key bytes as one
    // big-endian number; only equal prefixes look at the rest of the key.
    struct Entry {
      uint64_t prefix;
      size_t index;
    };
    std::vector<Entry> entries(positions.size());
    const size_t prefixBytes = std::min<size_t>(8, keyLength);
    for (size_t i = 0; i < positions.size(); ++i) {
      uint64_t prefix = 0;
      const uint8_t* key = keys.data() + i * stride;
      for (size_t j = 0; j < 8; ++j) prefix = (prefix << 8) | (j < prefixBytes ? key[j] : 0);
      entries[i] = {prefix, i};
    }
    std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
      if (a.prefix != b.prefix) return a.prefix < b.prefix;
      if (keyLength > prefixBytes) {
        int cmp = std::memcmp(keys.data() + a.index * stride + prefixBytes, keys.data() + b.index * stride + prefixBytes,
                              keyLength - prefixBytes);
        if (cmp != 0) return cmp < 0;
      }
      return positions[a.index] < positions[b.index];
    });
    for (size_t i = 0; i < entries.size(); ++i) order[i] = entries[i].index;
    std::vector<RecordPosition> sorted(positions.size());
    Bytes sortedKeys(keys.size());
    for (size_t i = 0; i < order.size(); ++i) {
      sorted[i] = positions[order[i]];
      std::memcpy(sortedKeys.data() + i * stride, keys.data() + order[i] * stride, stride);
    }
    positions.swap(sorted);
    keys.swap(sortedKeys);
    return true;
  } else {
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      int cmp = comparer(keys.data() + a * stride, keys.data() + b * stride, keyLength);
      return cmp != 0 ? cmp < 0 : positions[a] < positions[b];
    });
  }
  std::vector<RecordPosition> sorted(positions.size());
  for (size_t i = 0; i < order.size(); ++i) sorted[i] = positions[order[i]];
  positions.swap(sorted);
  return false;
}

}  // namespace

void RecordQuery::ClearSortedKeys() {
  sortedKeys_.clear();
  sortedKeyWidth_ = 0;
}

void RecordQuery::KeepSortedKeys(bool keep, Bytes& keys, size_t width) {
  ClearSortedKeys();
  if (!keep) return;
  sortedKeys_.swap(keys);
  sortedKeyWidth_ = width;
}

// Below the threshold each record's key is read on its own; a failed read
// marks the sort failed, but the sort still completes.
Result RecordQuery::SortFromFile(RecordStore& store) {
  const size_t width = ComparedWidth(comparer_, keyLength_);
  if (uint64_t(keyOffset_) + width > store.recordSize() || keyLength_ == 0) {
    return Result::Fail("Sort key outside the record in", 0, store.path());
  }
  Bytes keys(positions_.size() * width, 0);
  bool failed = false;
  for (size_t i = 0; i < positions_.size(); ++i) {
    int64_t got = store.ReadSlots(positions_[i] + keyOffset_, keys.data() + i * width, width);
    if (got != int64_t(width)) failed = true;
  }
  // Keys that could not be read are not worth keeping.
  KeepSortedKeys(SortByKeys(positions_, keys, width, keyLength_, comparer_) && !failed, keys, width);
  return failed ? Result::Fail("Cannot read every record of", 0, store.path()) : Result::Ok();
}

// From the threshold on, the file is read once, front to back in large
// chunks, and the sort compares keys in memory.
Result RecordQuery::SortInMemory(RecordStore& store) {
  const size_t size = store.recordSize();
  const size_t width = ComparedWidth(comparer_, keyLength_);
  if (uint64_t(keyOffset_) + width > size || keyLength_ == 0) {
    return Result::Fail("Sort key outside the record in", 0, store.path());
  }
  std::vector<size_t> byPosition(positions_.size());
  std::iota(byPosition.begin(), byPosition.end(), 0);
  std::sort(byPosition.begin(), byPosition.end(),
            [&](size_t a, size_t b) { return positions_[a] < positions_[b]; });
  Bytes keys(positions_.size() * width, 0);
  const size_t chunkSlots = std::max<size_t>(1, (size_t(4) << 20) / size);
  Bytes chunk(chunkSlots * size);
  size_t next = 0;
  while (next < byPosition.size()) {
    const size_t before = next;
    RecordPosition start = positions_[byPosition[next]];
    int64_t got = store.ReadSlots(start, chunk.data(), chunk.size());
    if (got < int64_t(keyOffset_ + width)) return Result::Fail("Cannot read", 0, store.path());
    while (next < byPosition.size()) {
      RecordPosition at = positions_[byPosition[next]];
      if (at < start) return Result::Fail("Malformed positions for", 0, store.path());
      uint64_t rel = at - start;
      if (rel + keyOffset_ + width > uint64_t(got)) break;
      std::memcpy(keys.data() + byPosition[next] * width, chunk.data() + rel + keyOffset_, width);
      ++next;
    }
    if (next == before) return Result::Fail("Cannot read", 0, store.path());
  }
  KeepSortedKeys(SortByKeys(positions_, keys, width, keyLength_, comparer_), keys, width);
  return Result::Ok();
}

}  // namespace velmora
