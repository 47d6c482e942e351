// Small helpers shared by the calendar tests: dates and times written the
// way people say them, and a calendar file in a fresh temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "calendar/model/EventRecord.h"
#include "store/Bytes.h"
#include "store/Dates.h"
#include "store/RecordStore.h"
#include "tests/calendar/RecurrenceReference.h"
#include "tests/support/Files.h"
#include "tests/support/Records.h"
#include "tests/support/Sandbox.h"

namespace velmora::test {

constexpr DateValue D(uint32_t day, uint32_t month, uint32_t year) { return {day, month, year}; }

// A time of day on the 24-hour clock as a time value (12-hour clock, half).
inline TimeValue At(int hour24, int minute) {
  return {uint32_t(hour24 % 12), uint32_t(minute), 0, uint32_t(hour24 < 12 ? kHalfAm : kHalfPm)};
}

using testing::ReadWholeFile;

// A fresh temporary folder that is also the program folder (VELMORA_HOME),
// holding an empty calendar file with an Owner connection on it.
class TempCalendar {
 public:
  TempCalendar() {
    path_ = folder_.File("test.cld");
    Result created = CreateRecordFile(path_, format::FileKind::Calendar);
    EXPECT_TRUE(created.ok()) << created.Message();
    store_ = std::make_unique<RecordStore>(path_, "");
    EXPECT_TRUE(store_->IsOpen()) << store_->OpenError().Message();
  }
  TempCalendar(const TempCalendar&) = delete;
  TempCalendar& operator=(const TempCalendar&) = delete;

  RecordStore& store() { return *store_; }
  const std::string& path() const { return path_; }
  const std::string& folder() const { return folder_.path(); }

  // A new event with the store's header, on a date, with a subject; timed
  // from start to end unless allDay.
  EventRecord Make(const DateValue& date, std::string_view subject, TimeValue start = At(9, 0),
                   TimeValue end = At(10, 0), bool allDay = false) {
    EventRecord e = NewEventRecord(*store_);
    e.setEventDate(date);
    e.setStartTime(start);
    e.setEndTime(end);
    e.setAllDay(allDay);
    e.setSubject(subject);
    e.setAlarmReferenceDate(date);
    e.setStartAction(event::kStartDocument);
    return e;
  }

  RecordPosition Add(const EventRecord& e) {
    RecordPosition where = 0;
    Result added = store_->AddRecord(e.bytes(), &where);
    EXPECT_TRUE(added.ok()) << added.Message();
    return where;
  }

  EventRecord Read(RecordPosition position) {
    Bytes slot;
    Result read = store_->ReadRecord(slot, position);
    EXPECT_TRUE(read.ok()) << read.Message();
    return EventRecord(slot);
  }

  // Sets the three passwords of the file (Owner, Assistant, Reader).
  void SetPasswords(std::string_view owner, std::string_view assistant, std::string_view reader) {
    testing::SetPasswords(*store_, {std::string(owner), std::string(assistant), std::string(reader)});
  }

 private:
  testing::TempDir folder_;
  std::string path_;
  std::unique_ptr<RecordStore> store_;
};

}  // namespace velmora::test
