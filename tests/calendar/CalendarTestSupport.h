// Small helpers shared by the calendar tests: dates and times written the
// way people say them, and a calendar file in a fresh temporary folder.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "calendar/model/EventRecord.h"
#include "store/Bytes.h"
#include "store/Dates.h"
#include "store/RecordStore.h"
#include "tests/calendar/RecurrenceReference.h"

namespace velmora::test {

constexpr DateValue D(uint32_t day, uint32_t month, uint32_t year) { return {day, month, year}; }

// A time of day on the 24-hour clock as a time value (12-hour clock, half).
inline TimeValue At(int hour24, int minute) {
  return {uint32_t(hour24 % 12), uint32_t(minute), 0, uint32_t(hour24 < 12 ? kHalfAm : kHalfPm)};
}

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A fresh temporary folder that is also the program folder (VELMORA_HOME),
// holding an empty calendar file with an Owner connection on it.
class TempCalendar {
 public:
  TempCalendar() {
    char pattern[] = "/tmp/velmora-calendar-XXXXXX";
    const char* made = mkdtemp(pattern);
    EXPECT_NE(made, nullptr);
    folder_ = made ? made : "/tmp";
    setenv("VELMORA_HOME", folder_.c_str(), 1);
    path_ = folder_ + "/test.cld";
    Result created = CreateRecordFile(path_, format::FileKind::Calendar);
    EXPECT_TRUE(created.ok()) << created.Message();
    store_ = std::make_unique<RecordStore>(path_, "");
    EXPECT_TRUE(store_->IsOpen()) << store_->OpenError().Message();
  }
  ~TempCalendar() {
    store_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  TempCalendar(const TempCalendar&) = delete;
  TempCalendar& operator=(const TempCalendar&) = delete;

  RecordStore& store() { return *store_; }
  const std::string& path() const { return path_; }
  const std::string& folder() const { return folder_; }

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
    Bytes header;
    ASSERT_TRUE(store_->ReadHeader(header).ok());
    PutText(header.data() + format::header::kOwnerPassword, format::header::kPasswordWidth, owner);
    PutText(header.data() + format::header::kAssistantPassword, format::header::kPasswordWidth, assistant);
    PutText(header.data() + format::header::kReaderPassword, format::header::kPasswordWidth, reader);
    ASSERT_TRUE(store_->WriteHeader(header).ok());
  }

 private:
  std::string folder_;
  std::string path_;
  std::unique_ptr<RecordStore> store_;
};

}  // namespace velmora::test
