#include "calendar/model/ExampleEvents.h"

#include "calendar/model/EventEditorRules.h"

namespace velmora {

namespace {

struct Example {
  const char* subject;
  const char* category;
  bool allDay;
  TimeValue start;
  TimeValue end;
};

constexpr TimeValue At(uint32_t hour, uint32_t minute, uint32_t half) { return TimeValue{hour, minute, 0, half}; }

constexpr Example kExamples[] = {
    {"Business meeting with Robert Hall", "", true, At(10, 0, kHalfAm), At(10, 20, kHalfAm)},
    {"Lunch with Susan Parker", "", false, At(2, 10, kHalfPm), At(3, 0, kHalfPm)},
    {"Call Northwind Traders about the delivery", "Calls", false, At(4, 20, kHalfPm), At(4, 20, kHalfPm)},
};

}  // namespace

std::vector<EventRecord> ExampleEvents(RecordStore& store, const DateValue& day) {
  std::vector<EventRecord> events;
  for (const Example& example : kExamples) {
    EventRecord record = NewEventRecord(store);
    // The editor's defaults give the alarm and repeat fields a new event's
    // values; the example then sets its own times and texts.
    ApplyNewEventDefaults(record, day, example.start);
    record.setStartTime(example.start);
    record.setEndTime(example.end);
    record.setAlarmTime(example.start);
    record.setAllDay(example.allDay);
    record.setSubject(example.subject);
    record.setCategory(example.category);
    events.push_back(std::move(record));
  }
  return events;
}

Result AddExampleEvents(RecordStore& store) {
  for (const EventRecord& record : ExampleEvents(store, Today())) {
    if (Result added = store.AddRecord(record.bytes()); !added.ok()) return added;
  }
  return store.Flush();
}

}  // namespace velmora
