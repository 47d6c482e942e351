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

AlarmMoment CurrentAlarmMoment() { return MakeAlarmMoment(Today(), Now(1)); }

AlarmMoment MakeAlarmMoment(const DateValue& today, const TimeValue& now) {
  return {today, TimeValue{now.hour, now.minute - now.minute % 5, 0, now.half}};
}

DateValue AlarmOccurrence(const EventRecord& record) {
  return record.repeats() ? record.alarmReferenceDate() : record.eventDate();
}

namespace {

// The day an occurrence's alarm rings (see AlarmDate), as a day number.
int32_t AlarmDayOf(int32_t occurrence, uint32_t lead) {
  if (occurrence == kInvalidDayNumber) return occurrence;
  const int64_t moved = int64_t(occurrence) - lead;
  return moved < FirstDayNumber() ? occurrence : int32_t(moved);
}

// Whether the alarm of an occurrence is due at the moment.
bool DueOn(int32_t occurrence, const EventRecord& record, const AlarmMoment& moment) {
  const int32_t alarmDay = AlarmDayOf(occurrence, record.alarmLead());
  const int32_t today = DayNumber(moment.today);
  if (alarmDay != today) return alarmDay < today;
  return TimeSlot(record.alarmTime()) <= TimeSlot(moment.now);
}

}  // namespace

DateValue AlarmDate(const EventRecord& record) {
  const DateValue occurrence = AlarmOccurrence(record);
  DateValue out;
  if (!DateFromDayNumber(AlarmDayOf(DayNumber(occurrence), record.alarmLead()), out)) return occurrence;
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

DueOccurrences FindDueOccurrences(const EventRecord& record, const AlarmMoment& moment) {
  DueOccurrences out;
  if (!IsAlarmDue(record, moment)) return out;
  out.count = 1;
  out.first = out.last = AlarmOccurrence(record);
  if (!record.repeats()) return out;
  const int32_t eventDay = DayNumber(record.eventDate());
  int32_t day = DayNumber(out.first);
  // The reference starts at the event date, which a weekly series need not
  // occur on (created on a Wednesday for Mondays and Thursdays). When real
  // occurrences are due after it, they are what the alarm stands for.
  if (day != kInvalidDayNumber && !OccursOn(record, out.first)) {
    const int32_t real = FirstOccurrenceFrom(record.repeat(), eventDay, day);
    if (real != kInvalidDayNumber && DueOn(real, record, moment)) out.count = 0;
  }
  // Each step finds the next occurrence in constant time; a daily series
  // over the whole valid range takes some 146,000 steps at most.
  while (day != kInvalidDayNumber && day < LastDayNumber()) {
    day = FirstOccurrenceFrom(record.repeat(), eventDay, day + 1);
    if (day == kInvalidDayNumber) break;
    if (!DueOn(day, record, moment)) {
      out.hasNext = DateFromDayNumber(day, out.next);
      break;
    }
    if (++out.count == 1) DateFromDayNumber(day, out.first);
    DateFromDayNumber(day, out.last);
  }
  return out;
}

void AdvanceRungAlarm(EventRecord& record, bool disableRepeat, const AlarmMoment& moment) {
  const DueOccurrences due = FindDueOccurrences(record, moment);
  if (due.count == 0) {
    // Not due (yet): ringing it anyway counts for its one occurrence.
    AdvanceRungAlarm(record, disableRepeat);
    return;
  }
  if (record.repeats() && !disableRepeat && due.hasNext) {
    record.setAlarmReferenceDate(due.next);
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
    const RingingAlarm alarm{record, FindDueOccurrences(record, moment)};
    bool disableRepeat = false;
    {
      RingingScope ringing;
      disableRepeat = ring ? ring(alarm) : false;
    }
    AdvanceRungAlarm(record, disableRepeat, moment);
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

AlarmCheckOutcome RunAlarmCheck(RecordStore& store, const AlarmMoment& moment, const RingAlarmRecord& ring) {
  return RunAlarmCheck(store, moment, RingAlarm([&ring](const RingingAlarm& alarm) {
                         return ring ? ring(alarm.record) : false;
                       }));
}

DateValue RungOccurrence(const RingingAlarm& alarm) {
  return alarm.occurrences.count > 0 ? alarm.occurrences.last : AlarmOccurrence(alarm.record);
}

}  // namespace velmora
