// The event record of the calendar: its byte layout, the value type
// `EventRecord` over those bytes, and the event order in which events are
// listed.
//
// An event is one 2,627-byte slot of a calendar file: the common record
// header (549 bytes, store/Format.h) followed by the body laid out in
// namespace `event` below. Every offset and width of the body lives in that
// namespace and nowhere else. Code that scans many slots reads fields
// straight from the slot bytes through the `event::` readers; code that
// keeps or edits one event holds an `EventRecord`.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "store/Bytes.h"
#include "store/Dates.h"
#include "store/Format.h"
#include "store/RecordHeader.h"
#include "store/RecordStore.h"

namespace velmora {

namespace event {

inline constexpr uint32_t kRecordSize = format::InfoOf(format::FileKind::Calendar).recordSize;  // 2627

// Alarm settings.
inline constexpr uint32_t kAlarmSet = 549;  // u8: 1 on, 0 off
inline constexpr uint32_t kToneFile = 550;  // char[260]
inline constexpr uint32_t kPathWidth = 260;
inline constexpr uint32_t kAlarmTime = 810;      // time value
inline constexpr uint32_t kAlarmReference = 826;  // date value
inline constexpr uint32_t kStartAction = 838;     // u8: 1 e-mail, 2 URL, 3 document/app
inline constexpr uint32_t kStartTarget = 839;     // char[260]

// Attachment.
inline constexpr uint32_t kAttachmentKind = 1099;  // u8: 0 none, 1 document, 2 URL
inline constexpr uint32_t kAttachment = 1100;      // char[260]

// Repeat block: 21 bytes, always copied and compared as one unit.
inline constexpr uint32_t kRepeatBlock = 1360;
inline constexpr uint32_t kRepeatBlockSize = 21;
inline constexpr uint32_t kRepeatKind = 1360;      // u8
inline constexpr uint32_t kRepeatEnd = 1361;       // date value
inline constexpr uint32_t kRepeatInterval = 1373;  // u32
inline constexpr uint32_t kRepeatPattern = 1377;   // u32
inline constexpr uint32_t kReservedAfterRepeat = 1381;  // 19 bytes, never read
inline constexpr uint32_t kReservedAfterRepeatSize = 19;

inline constexpr uint32_t kAlarmLead = 1400;          // u32 days
inline constexpr uint32_t kReservedAlarmByte = 1404;  // u8, written 0 on every reset

inline constexpr uint32_t kEventDate = 1405;  // date value
inline constexpr uint32_t kStartTime = 1417;  // time value
inline constexpr uint32_t kEndTime = 1433;    // time value
inline constexpr uint32_t kAllDay = 1449;     // u32: 1 all-day event
inline constexpr uint32_t kSubject = 1453;    // char[150]
inline constexpr uint32_t kSubjectWidth = 150;
inline constexpr uint32_t kNotes = 1603;  // char[1024]
inline constexpr uint32_t kNotesWidth = 1024;

// Start actions of a ringing alarm.
inline constexpr uint8_t kStartEmail = 1;
inline constexpr uint8_t kStartUrl = 2;
inline constexpr uint8_t kStartDocument = 3;

// Attachment kinds.
inline constexpr uint8_t kAttachNone = 0;
inline constexpr uint8_t kAttachDocument = 1;
inline constexpr uint8_t kAttachUrl = 2;

// Repeat kinds (3 is never written).
inline constexpr uint8_t kRepeatNone = 0;
inline constexpr uint8_t kRepeatDaily = 1;
inline constexpr uint8_t kRepeatWeekly = 2;
inline constexpr uint8_t kRepeatMonthly = 4;
inline constexpr uint8_t kRepeatYearly = 5;

// Readers over the bytes of one slot (at least kRecordSize long).
inline bool AlarmSet(const uint8_t* r) { return r[kAlarmSet] == 1; }
inline DateValue EventDate(const uint8_t* r) { return GetDate(r + kEventDate); }
inline TimeValue StartTime(const uint8_t* r) { return GetTime(r + kStartTime); }
inline TimeValue EndTime(const uint8_t* r) { return GetTime(r + kEndTime); }
inline uint32_t AllDayFlag(const uint8_t* r) { return GetU32(r + kAllDay); }
inline bool AllDay(const uint8_t* r) { return AllDayFlag(r) == 1; }
inline uint8_t RepeatKind(const uint8_t* r) { return r[kRepeatKind]; }
inline DateValue AlarmReference(const uint8_t* r) { return GetDate(r + kAlarmReference); }

}  // namespace event

// The repeat block of an event (see Recurrence.h for its meaning).
struct RepeatBlock {
  uint8_t kind = event::kRepeatNone;
  DateValue end;
  uint32_t interval = 0;
  // Weekly: weekday mask, bit 0 Sunday .. bit 6 Saturday. Monthly: day of
  // the month. Yearly: month * 65536 + day. Daily: 0.
  uint32_t pattern = 0;

  static RepeatBlock Read(const uint8_t* record);
  void Write(uint8_t* record) const;
  friend bool operator==(const RepeatBlock&, const RepeatBlock&) = default;
};

// One event record as a plain value over its bytes.
class EventRecord {
 public:
  // All 2,627 bytes zero, except the record size.
  EventRecord();
  // Copies a slot; size below kRecordSize is padded with zero bytes, bytes
  // beyond it (a file with larger slots) are kept and written back as read.
  EventRecord(const uint8_t* bytes, size_t size);
  explicit EventRecord(const Bytes& bytes) : EventRecord(bytes.data(), bytes.size()) {}

  const Bytes& bytes() const { return bytes_; }
  Bytes& bytes() { return bytes_; }
  const uint8_t* data() const { return bytes_.data(); }

  // Common record header.
  uint64_t id() const { return rec::Id(data()); }
  bool confidential() const { return rec::Confidential(data()); }
  void setConfidential(bool on) { rec::SetConfidential(bytes_.data(), on); }
  std::string category() const { return rec::Category(data()); }
  void setCategory(std::string_view name) { rec::SetCategory(bytes_.data(), name); }

  // Alarm settings.
  bool alarmSet() const { return event::AlarmSet(data()); }
  void setAlarmSet(bool on) { bytes_[event::kAlarmSet] = on ? 1 : 0; }
  std::string toneFile() const { return GetText(data() + event::kToneFile, event::kPathWidth); }
  void setToneFile(std::string_view path) { PutText(bytes_.data() + event::kToneFile, event::kPathWidth, path); }
  TimeValue alarmTime() const { return GetTime(data() + event::kAlarmTime); }
  void setAlarmTime(const TimeValue& t) { PutTime(bytes_.data() + event::kAlarmTime, t); }
  DateValue alarmReferenceDate() const { return event::AlarmReference(data()); }
  void setAlarmReferenceDate(const DateValue& d) { PutDate(bytes_.data() + event::kAlarmReference, d); }
  uint8_t startAction() const { return bytes_[event::kStartAction]; }
  void setStartAction(uint8_t kind) { bytes_[event::kStartAction] = kind; }
  std::string startTarget() const { return GetText(data() + event::kStartTarget, event::kPathWidth); }
  void setStartTarget(std::string_view t) { PutText(bytes_.data() + event::kStartTarget, event::kPathWidth, t); }
  uint32_t alarmLead() const { return GetU32(data() + event::kAlarmLead); }
  void setAlarmLead(uint32_t days) { PutU32(bytes_.data() + event::kAlarmLead, days); }
  uint8_t reservedAlarmByte() const { return bytes_[event::kReservedAlarmByte]; }
  void setReservedAlarmByte(uint8_t v) { bytes_[event::kReservedAlarmByte] = v; }

  // Attachment.
  uint8_t attachmentKind() const { return bytes_[event::kAttachmentKind]; }
  void setAttachmentKind(uint8_t kind) { bytes_[event::kAttachmentKind] = kind; }
  std::string attachment() const { return GetText(data() + event::kAttachment, event::kPathWidth); }
  void setAttachment(std::string_view t) { PutText(bytes_.data() + event::kAttachment, event::kPathWidth, t); }

  // Recurrence.
  RepeatBlock repeat() const { return RepeatBlock::Read(data()); }
  void setRepeat(const RepeatBlock& block) { block.Write(bytes_.data()); }
  bool repeats() const { return event::RepeatKind(data()) != event::kRepeatNone; }

  // Date, times and texts.
  DateValue eventDate() const { return event::EventDate(data()); }
  void setEventDate(const DateValue& d) { PutDate(bytes_.data() + event::kEventDate, d); }
  TimeValue startTime() const { return event::StartTime(data()); }
  void setStartTime(const TimeValue& t) { PutTime(bytes_.data() + event::kStartTime, t); }
  TimeValue endTime() const { return event::EndTime(data()); }
  void setEndTime(const TimeValue& t) { PutTime(bytes_.data() + event::kEndTime, t); }
  uint32_t allDayFlag() const { return event::AllDayFlag(data()); }
  bool allDay() const { return event::AllDay(data()); }
  void setAllDayFlag(uint32_t flag) { PutU32(bytes_.data() + event::kAllDay, flag); }
  void setAllDay(bool on) { setAllDayFlag(on ? 1 : 0); }
  std::string subject() const { return GetText(data() + event::kSubject, event::kSubjectWidth); }
  void setSubject(std::string_view t) { PutText(bytes_.data() + event::kSubject, event::kSubjectWidth, t); }
  std::string notes() const { return GetText(data() + event::kNotes, event::kNotesWidth); }
  void setNotes(std::string_view t) { PutText(bytes_.data() + event::kNotes, event::kNotesWidth, t); }

 private:
  Bytes bytes_;
};

// A new event: zero bytes with the common header of a new record of the
// store (id, creation stamp, owner stamps, exchange mark).
EventRecord NewEventRecord(RecordStore& store);

// The event order. Across days: by event date (day number; invalid dates
// first), then all-day before timed, then by start slot. Within one day the
// day itself is the date key, so only the last two keys count: a weekly
// meeting that began last year and this morning's appointment are ordered
// by their times. Equal keys are equal; lists keep file order for them.
int CompareEventOrder(const uint8_t* a, const uint8_t* b);
int CompareDayOrder(const uint8_t* a, const uint8_t* b);
// Time key of the order within a day: all-day events below every slot.
int DayOrderKey(const uint8_t* record);

// The same orders as comparers of RecordQuery::Sort over a key that starts
// at the event date (full order) or the start time (order within a day).
inline constexpr uint32_t kEventOrderKeyOffset = event::kEventDate;
inline constexpr uint32_t kEventOrderKeyLength = event::kAllDay + 4 - event::kEventDate;  // 48
inline constexpr uint32_t kDayOrderKeyOffset = event::kStartTime;
inline constexpr uint32_t kDayOrderKeyLength = event::kAllDay + 4 - event::kStartTime;  // 36
int CompareEventOrderKey(const uint8_t* a, const uint8_t* b, size_t length);
int CompareDayOrderKey(const uint8_t* a, const uint8_t* b, size_t length);

}  // namespace velmora
