// RecordQuery: the list of record positions a window shows, built by a scan
// of the file against up to 50 conditions and sorted by one key.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "store/RecordStore.h"

namespace velmora {

struct QueryCondition;
// Decides an operator-13 condition: gets the field's address within the
// record and the condition; returns 1 for true.
using ConditionCallback = std::function<int(const uint8_t* field, const QueryCondition& condition)>;
// Compares two keys of length bytes; negative, zero or positive.
using Comparer = int (*)(const uint8_t* a, const uint8_t* b, size_t length);

inline constexpr size_t kMaxConditions = 50;
inline constexpr size_t kOperandSize = 500;

enum QueryOperator : uint32_t {
  kOpAll = 0,
  kOpEqual = 1,
  kOpNotEqual = 2,
  kOpLessOrEqual = 3,
  kOpGreaterOrEqual = 4,
  kOpGreater = 5,
  kOpLess = 6,
  kOpContains = 7,
  kOpNotContains = 8,
  kOpBeginsWith = 9,
  kOpNotBeginsWith = 10,
  kOpEndsWith = 11,
  kOpNotEndsWith = 12,
  kOpCallback = 13,
};

inline constexpr uint32_t kConnectorAnd = 1;
inline constexpr uint32_t kConnectorOr = 2;

struct QueryCondition {
  uint8_t kind = 2;  // 2 field comparison, 0 callback
  uint8_t valueType = 0;
  uint32_t fieldOffset = 0;
  uint32_t fieldLength = 0;
  uint32_t op = kOpAll;
  std::array<uint8_t, kOperandSize> operand{};
  uint32_t operandLength = 0;
  uint32_t connector = kConnectorAnd;
  int32_t result = -1;
  ConditionCallback callback;
};

// Comparers per value type of the record format.
int CompareInt32(const uint8_t* a, const uint8_t* b, size_t n);
int CompareDouble(const uint8_t* a, const uint8_t* b, size_t n);
int CompareText(const uint8_t* a, const uint8_t* b, size_t n);
int CompareDate(const uint8_t* a, const uint8_t* b, size_t n);
int CompareTime(const uint8_t* a, const uint8_t* b, size_t n);
int CompareInt8(const uint8_t* a, const uint8_t* b, size_t n);
int CompareInt64(const uint8_t* a, const uint8_t* b, size_t n);
int CompareDateTime(const uint8_t* a, const uint8_t* b, size_t n);
// nullptr for an unknown type.
Comparer ComparerForType(int valueType);

class RecordQuery {
 public:
  RecordQuery();

  void Reset();
  Result Prepare();  // clears conditions and results

  bool AddMatchAll();
  bool AddByteCondition(uint32_t offset, uint32_t op, uint8_t value, uint32_t connector);
  bool AddInt64Condition(uint32_t offset, uint32_t op, uint32_t low, uint32_t high, uint32_t connector);
  bool AddTextCondition(uint32_t offset, uint32_t length, uint32_t op, std::string_view text,
                        uint32_t connector);
  bool AddCallbackCondition(uint32_t offset, const void* operand, size_t operandLength,
                            ConditionCallback callback, uint32_t connector);
  // Any value type (1..11) with raw operand bytes; for callers that filter on
  // numbers or dates.
  bool AddCondition(uint8_t valueType, uint32_t offset, uint32_t length, uint32_t op, const void* operand,
                    size_t operandLength, uint32_t connector);

  // Scans the store: live records, confidential ones only for an Owner,
  // that match the conditions. Holds every match. When a sort key is known
  // (from SetSortKey or an earlier Sort) the scan also gathers each match's
  // key, so the following Sort or Resort needs no second pass over the file.
  Result Run(RecordStore& store);
  // Remembers the key the list sorts by before the first Run.
  void SetSortKey(uint32_t keyOffset, uint32_t keyLength, Comparer comparer);
  // Sorts the positions by the key at offset; ties keep file order.
  Result Sort(RecordStore& store, uint32_t keyOffset, uint32_t keyLength, Comparer comparer);
  Result Resort();

  // Whether one record (recordSize bytes) passes the conditions; evaluates
  // and stores each condition's result.
  bool Matches(const uint8_t* record, size_t recordSize);

  const std::vector<RecordPosition>& positions() const { return positions_; }
  size_t count() const { return positions_.size(); }
  const std::vector<QueryCondition>& conditions() const { return conditions_; }

  // The text keys of the last sort, folded (A..Z to a..z, zero from the
  // terminator on), sortedKeyWidth() bytes per position and in the order of
  // positions(). Kept only after a sort with CompareText; empty (width 0)
  // otherwise, and cleared by Run, Reset, Prepare and any other sort.
  const Bytes& sortedKeys() const { return sortedKeys_; }
  size_t sortedKeyWidth() const { return sortedKeyWidth_; }
  RecordStore* boundStore() const { return store_; }

  // Change counter of the file when the list was last loaded; kUnsetCounter
  // before that.
  static constexpr uint64_t kUnsetCounter = ~uint64_t(0);
  uint64_t changeCounterSeen() const { return counterSeen_; }
  void SetChangeCounterSeen(uint64_t counter) { counterSeen_ = counter; }

 private:
  bool Evaluate(QueryCondition& c, const uint8_t* record, size_t recordSize) const;
  Result SortFromFile(RecordStore& store);
  Result SortInMemory(RecordStore& store);
  void ClearSortedKeys();
  // Takes keys (folded, in list order) as the sorted keys when keep is true.
  void KeepSortedKeys(bool keep, Bytes& keys, size_t width);

  std::vector<QueryCondition> conditions_;
  std::vector<RecordPosition> positions_;
  RecordStore* store_ = nullptr;
  Comparer comparer_ = nullptr;
  uint32_t keyOffset_ = kUnsetSize;
  uint32_t keyLength_ = kUnsetSize;
  uint64_t counterSeen_ = kUnsetCounter;
  // Keys gathered by the last Run, keyWidth_ bytes per position and in the
  // order of positions_; valid for the store and key they were gathered for.
  Bytes keys_;
  size_t keyWidth_ = 0;
  bool keysValid_ = false;
  const RecordStore* keysStore_ = nullptr;
  // Folded keys of the last text sort, in list order.
  Bytes sortedKeys_;
  size_t sortedKeyWidth_ = 0;
};

// Number of results from which Sort works on a memory image of the file
// rather than reading both records for every comparison.
inline constexpr size_t kInMemorySortThreshold = 100;

}  // namespace velmora
