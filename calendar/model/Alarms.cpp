#include "calendar/model/Alarms.h"

#include <algorithm>
#include <atomic>

#include "calendar/model/EventScan.h"
#include "calendar/model/Recurrence.h"
#include "store/RecordHeader.h"

namespace velmora {

namespace {

std::atomic<bool> gRinging{false};

// Holds the ringing flag for the life of the ringing window, also when the
// window's code throws.
class RingingScope {
 public:
  RingingScope() { gRinging = true; }
  ~RingingScope() { gRinging = false; }
  RingingScope(const RingingScope&) = delete;
  RingingScope& operator=(const RingingScope&) = delete;
};

}  // namespace

AlarmMoment CurrentAlarmMoment() { return {Today(), Now(5)}; }

DateValue AlarmOccurrence(const EventRecord& record) {
  return record.repeats() ? record.alarmReferenceDate() : record.eventDate();
}

DateValue AlarmDate(const EventRecord& record) {
  const DateValue occurrence = AlarmOccurrence(record);
  const int32_t day = DayNumber(occurrence);
  const int64_t moved = int64_t(day) - record.alarmLead();
  DateValue out;
  if (day == kInvalidDayNumber || moved < FirstDayNumber() || !DateFromDayNumber(int32_t(moved), out)) {
    return occurrence;
  }
  return out;
}

bool IsAlarmDue(const EventRecord& record, const AlarmMoment& moment) {
  const int byDate = CompareDates(AlarmDate(record), moment.today);
  if (byDate != 0) return byDate < 0;
  return TimeSlot(record.alarmTime()) <= TimeSlot(moment.now);
}

TimeValue RingingTime(const EventRecord& record) {
  return record.repeats() ? record.alarmTime() : record.startTime();
}

bool NextAlarmOccurrence(const EventRecord& record, DateValue& next) {
  if (!record.repeats()) return false;
  const int32_t occurrence = DayNumber(AlarmOccurrence(record));
  if (occurrence == kInvalidDayNumber || occurrence >= LastDayNumber()) return false;
  const int32_t day = FirstOccurrenceFrom(record.repeat(), DayNumber(record.eventDate()), occurrence + 1);
  return day != kInvalidDayNumber && DateFromDayNumber(day, next);
}

void AdvanceRungAlarm(EventRecord& record, bool disableRepeat) {
  DateValue next;
  if (record.repeats() && !disableRepeat && NextAlarmOccurrence(record, next)) {
    record.setAlarmReferenceDate(next);
    record.setAlarmSet(true);
  } else {
    record.setAlarmSet(false);
  }
}

bool AlarmRinging() { return gRinging; }

Result FindDueAlarms(RecordStore& store, const AlarmMoment& moment, std::vector<DueAlarm>& out) {
  out.clear();
  struct Armed {
    int32_t reference;
    DueAlarm alarm;
  };
  std::vector<Armed> armed;
  Result scanned = ScanEvents(store, ScanVisibility::AsQuery, [&](const uint8_t* record, RecordPosition at) {
    if (!event::AlarmSet(record)) return;
    EventRecord copy(record, event::kRecordSize);
    if (!IsAlarmDue(copy, moment)) return;
    armed.push_back({DayNumber(event::AlarmReference(record)), {at, std::move(copy)}});
  });
  if (!scanned) return scanned;
  // Scanned in file order; the stable sort keeps it for equal dates.
  std::stable_sort(armed.begin(), armed.end(),
                   [](const Armed& a, const Armed& b) { return a.reference < b.reference; });
  out.reserve(armed.size());
  for (Armed& a : armed) out.push_back(std::move(a.alarm));
  return Result::Ok();
}

AlarmCheckOutcome RunAlarmCheck(RecordStore& store, const AlarmMoment& moment, const RingAlarm& ring) {
  AlarmCheckOutcome outcome;
  if (!store.IsOpen() || AlarmRinging()) return outcome;
  std::vector<DueAlarm> due;
  outcome.result = FindDueAlarms(store, moment, due);
  if (!outcome.result) return outcome;
  const bool owner = store.GetAccessLevel() == kAccessOwner;
  for (const DueAlarm& candidate : due) {
    EditLock lock(store, candidate.position);
    if (!lock.held()) continue;
    // Another machine may have rung this alarm between the scan and the
    // lock; what counts is the record as it stands under the lock.
    Bytes slot;
    if (!store.ReadRecordIfLive(slot, candidate.position) || rec::Id(slot.data()) != candidate.record.id()) continue;
    EventRecord record(slot);
    if (!record.alarmSet() || !IsAlarmDue(record, moment) || (record.confidential() && !owner)) continue;
    bool disableRepeat = false;
    {
      RingingScope ringing;
      disableRepeat = ring ? ring(record) : false;
    }
    AdvanceRungAlarm(record, disableRepeat);
    outcome.rang = true;
    outcome.position = candidate.position;
    outcome.result = store.UpdateRecord(record.bytes(), candidate.position);
    if (outcome.result) outcome.result = store.Flush();
    Result unlocked = lock.Release();
    if (outcome.result && !unlocked) outcome.result = unlocked;
    return outcome;
  }
  return outcome;
}

}  // namespace velmora
