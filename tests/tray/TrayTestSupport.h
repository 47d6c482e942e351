// What the tray tests share: a calendar file in a sandbox that Almanor
// opened last, events with alarms, and the recording notification service
// on a private session bus.
#pragma once

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDateTime>
#include <memory>
#include <string>

#include "calendar/model/EventRecord.h"
#include "store/Dates.h"
#include "store/RecordStore.h"
#include "tests/support/GuiSandbox.h"
#include "tests/support/Records.h"
#include "tests/support/StubNotificationService.h"

namespace velmora::testing {

inline TimeValue At(int hour24, int minute) {
  return {uint32_t(hour24 % 12), uint32_t(minute), 0, uint32_t(hour24 < 12 ? kHalfAm : kHalfPm)};
}
inline DateValue DateOf(const QDate& d) { return {uint32_t(d.day()), uint32_t(d.month()), uint32_t(d.year())}; }

// A calendar in the sandbox, remembered as Almanor's last file.
class TrayCalendarFixture : public ::testing::Test {
 protected:
  TrayCalendarFixture() {
    path_ = sandbox_.File("work.cld");
    Result created = CreateRecordFile(path_, format::FileKind::Calendar);
    EXPECT_TRUE(created.ok()) << created.Message();
    store_ = std::make_unique<RecordStore>(path_, "");
    EXPECT_TRUE(store_->IsOpen());
    sandbox_.SetProgram("DefaulFile", path_);
  }

  // A one-off event on date at 14:30 whose alarm rings at alarm.
  EventRecord Make(const QDate& date, const char* subject, TimeValue alarm) {
    EventRecord e = NewEventRecord(*store_);
    e.setEventDate(DateOf(date));
    e.setStartTime(At(14, 30));
    e.setEndTime(At(15, 0));
    e.setSubject(subject);
    e.setAlarmSet(true);
    e.setAlarmTime(alarm);
    e.setAlarmLead(0);
    e.setAlarmReferenceDate(DateOf(date));
    return e;
  }
  RecordPosition Add(const EventRecord& e) {
    RecordPosition at = 0;
    Result added = store_->AddRecord(e.bytes(), &at);
    EXPECT_TRUE(added.ok()) << added.Message();
    return at;
  }
  EventRecord Read(RecordPosition at) {
    Bytes slot;
    EXPECT_TRUE(store_->ReadRecord(slot, at).ok());
    return EventRecord(slot);
  }

  GuiSandbox sandbox_{GuiSandbox::Settings::Quiet, Program::Almanor};
  std::string path_;
  std::unique_ptr<RecordStore> store_;
};

}  // namespace velmora::testing
