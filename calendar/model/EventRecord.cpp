#include "calendar/model/EventRecord.h"

#include <algorithm>
#include <cstring>

namespace velmora {

RepeatBlock RepeatBlock::Read(const uint8_t* record) {
  RepeatBlock block;
  block.kind = record[event::kRepeatKind];
  block.end = GetDate(record + event::kRepeatEnd);
  block.interval = GetU32(record + event::kRepeatInterval);
  block.pattern = GetU32(record + event::kRepeatPattern);
  return block;
}

void RepeatBlock::Write(uint8_t* record) const {
  record[event::kRepeatKind] = kind;
  PutDate(record + event::kRepeatEnd, end);
  PutU32(record + event::kRepeatInterval, interval);
  PutU32(record + event::kRepeatPattern, pattern);
}

EventRecord::EventRecord() : bytes_(event::kRecordSize, 0) {
  PutU32(bytes_.data() + format::record::kRecordSize, event::kRecordSize);
}

EventRecord::EventRecord(const uint8_t* bytes, size_t size)
    : bytes_(std::max<size_t>(size, event::kRecordSize), 0) {
  if (size) std::memcpy(bytes_.data(), bytes, size);
}

EventRecord NewEventRecord(RecordStore& store) {
  EventRecord record;
  store.InitRecord(record.bytes(), event::kRecordSize);
  return record;
}

int DayOrderKey(const uint8_t* record) {
  // Every timed key is at least -1 (an unreadable start time).
  return event::AllDay(record) ? -2 : TimeSlot(event::StartTime(record));
}

namespace {

int Sign(int64_t a, int64_t b) { return a < b ? -1 : (a > b ? 1 : 0); }

// Keys laid out as in the record from the start time on: start time,
// end time, all-day flag.
int CompareTimeKeys(const uint8_t* a, const uint8_t* b) {
  auto key = [](const uint8_t* k) {
    const uint32_t allDayAt = event::kAllDay - event::kStartTime;
    return GetU32(k + allDayAt) == 1 ? -2 : TimeSlot(GetTime(k));
  };
  return Sign(key(a), key(b));
}

}  // namespace

int CompareDayOrder(const uint8_t* a, const uint8_t* b) {
  return CompareTimeKeys(a + event::kStartTime, b + event::kStartTime);
}

int CompareEventOrder(const uint8_t* a, const uint8_t* b) {
  return CompareEventOrderKey(a + kEventOrderKeyOffset, b + kEventOrderKeyOffset, kEventOrderKeyLength);
}

int CompareEventOrderKey(const uint8_t* a, const uint8_t* b, size_t) {
  int byDate = Sign(DayNumber(GetDate(a)), DayNumber(GetDate(b)));
  if (byDate != 0) return byDate;
  const uint32_t timesAt = event::kStartTime - event::kEventDate;
  return CompareTimeKeys(a + timesAt, b + timesAt);
}

int CompareDayOrderKey(const uint8_t* a, const uint8_t* b, size_t) { return CompareTimeKeys(a, b); }

}  // namespace velmora
