// The event record: layout, event order, new-event defaults, the editor's
// rules and the Repeat dialog's rules.
#include <gtest/gtest.h>

#include <cstring>

#include "calendar/model/EventEditorRules.h"
#include "calendar/model/EventRecord.h"
#include "calendar/model/Recurrence.h"
#include "calendar/model/RepeatChoices.h"
#include "tests/calendar/CalendarTestSupport.h"

namespace velmora {
namespace {

using test::At;
using test::D;

// Where each field lands in the 2,627 bytes, written through the value type
// and found at the offset of the record layout.
TEST(EventRecordLayout, FieldsSitAtTheirOffsets) {
  EventRecord e;
  ASSERT_EQ(e.bytes().size(), 2627u);
  EXPECT_EQ(GetU32(e.data()), 2627u);
  e.setAlarmSet(true);
  e.setToneFile("ring.wav");
  e.setAlarmTime(At(9, 5));
  e.setAlarmReferenceDate(D(9, 5, 2004));
  e.setStartAction(2);
  e.setStartTarget("http://x");
  e.setAttachmentKind(1);
  e.setAttachment("/doc");
  e.setRepeat(RepeatBlock{2, D(31, 12, 2020), 3, 18});
  e.setAlarmLead(7);
  e.setEventDate(D(10, 5, 2004));
  e.setStartTime(At(13, 30));
  e.setEndTime(At(14, 45));
  e.setAllDay(true);
  e.setSubject("Dentist");
  e.setNotes("Bring the card");
  e.setCategory("Personal");
  e.setConfidential(true);
  const uint8_t* r = e.data();
  EXPECT_EQ(r[549], 1);
  EXPECT_STREQ(reinterpret_cast<const char*>(r + 550), "ring.wav");
  EXPECT_EQ(GetTime(r + 810), At(9, 5));
  EXPECT_EQ(GetDate(r + 826), D(9, 5, 2004));
  EXPECT_EQ(r[838], 2);
  EXPECT_STREQ(reinterpret_cast<const char*>(r + 839), "http://x");
  EXPECT_EQ(r[1099], 1);
  EXPECT_STREQ(reinterpret_cast<const char*>(r + 1100), "/doc");
  EXPECT_EQ(r[1360], 2);
  EXPECT_EQ(GetDate(r + 1361), D(31, 12, 2020));
  EXPECT_EQ(GetU32(r + 1373), 3u);
  EXPECT_EQ(GetU32(r + 1377), 18u);
  EXPECT_EQ(GetU32(r + 1400), 7u);
  EXPECT_EQ(GetDate(r + 1405), D(10, 5, 2004));
  EXPECT_EQ(GetTime(r + 1417), (TimeValue{1, 30, 0, 2}));
  EXPECT_EQ(GetTime(r + 1433), (TimeValue{2, 45, 0, 2}));
  EXPECT_EQ(GetU32(r + 1449), 1u);
  EXPECT_STREQ(reinterpret_cast<const char*>(r + 1453), "Dentist");
  EXPECT_STREQ(reinterpret_cast<const char*>(r + 1603), "Bring the card");
  EXPECT_STREQ(reinterpret_cast<const char*>(r + 16), "Personal");
  EXPECT_EQ(r[14], 1);
  // The repeat block is the 21 bytes from 1360.
  EXPECT_EQ(RepeatBlock::Read(r), (RepeatBlock{2, D(31, 12, 2020), 3, 18}));
}

TEST(EventRecordLayout, TextsAreCutToTheirFields) {
  EventRecord e;
  e.setSubject(std::string(200, 's'));
  e.setNotes(std::string(2000, 'n'));
  e.setCategory(std::string(40, 'c'));
  EXPECT_EQ(e.subject().size(), 149u);
  EXPECT_EQ(e.notes().size(), 1023u);
  EXPECT_EQ(e.category().size(), 29u);
}

struct OrderCase {
  const char* what;
  DateValue dateA;
  TimeValue startA;
  bool allDayA;
  DateValue dateB;
  TimeValue startB;
  bool allDayB;
  int full;  // CompareEventOrder(a, b)
  int day;   // CompareDayOrder(a, b)
};

class EventOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(EventOrder, Compares) {
  const OrderCase& c = GetParam();
  EventRecord a, b;
  a.setEventDate(c.dateA);
  a.setStartTime(c.startA);
  a.setAllDay(c.allDayA);
  b.setEventDate(c.dateB);
  b.setStartTime(c.startB);
  b.setAllDay(c.allDayB);
  EXPECT_EQ(CompareEventOrder(a.data(), b.data()), c.full) << c.what;
  EXPECT_EQ(CompareEventOrder(b.data(), a.data()), -c.full) << c.what;
  EXPECT_EQ(CompareDayOrder(a.data(), b.data()), c.day) << c.what;
  // The sort comparers of the store see the same order.
  EXPECT_EQ(CompareEventOrderKey(a.data() + kEventOrderKeyOffset, b.data() + kEventOrderKeyOffset,
                                 kEventOrderKeyLength),
            c.full)
      << c.what;
  EXPECT_EQ(CompareDayOrderKey(a.data() + kDayOrderKeyOffset, b.data() + kDayOrderKeyOffset, kDayOrderKeyLength),
            c.day)
      << c.what;
}

const TimeValue kNoon{0, 0, 0, 2};
const TimeValue k1155Am{11, 55, 0, 1};
const TimeValue kMidnight{0, 0, 0, 1};

INSTANTIATE_TEST_SUITE_P(
    Table, EventOrder,
    ::testing::Values(
        OrderCase{"all-day before 00:00 am", D(5, 1, 2004), At(15, 0), true, D(5, 1, 2004), kMidnight, false, -1, -1},
        OrderCase{"noon after 11:55 am", D(5, 1, 2004), kNoon, false, D(5, 1, 2004), k1155Am, false, 1, 1},
        OrderCase{"earlier date first, whatever the time", D(4, 1, 2004), At(23, 0), false, D(5, 1, 2004),
                  At(8, 0), false, -1, 1},
        OrderCase{"same slot is equal", D(5, 1, 2004), At(9, 0), false, D(5, 1, 2004), TimeValue{9, 4, 59, 1}, false,
                  0, 0},
        OrderCase{"two all-day events are equal", D(5, 1, 2004), At(9, 0), true, D(5, 1, 2004), At(7, 0), true, 0,
                  0},
        OrderCase{"an invalid date sorts first", D(30, 2, 2004), At(9, 0), false, D(1, 1, 1800), At(9, 0), false,
                  -1, 0},
        OrderCase{"a meeting from last year at 10:00 and this morning's 8:00", D(5, 1, 2003), At(10, 0), false,
                  D(5, 1, 2004), At(8, 0), false, -1, 1}));

TEST(NewEvent, DefaultsFromThePickedDateAndTheClock) {
  EventRecord e;
  e.setSubject("old");
  e.setAlarmLead(5);
  ApplyNewEventDefaults(e, D(10, 5, 2004), TimeValue{10, 43, 12, 1});
  EXPECT_EQ(e.eventDate(), D(10, 5, 2004));
  EXPECT_EQ(e.startTime(), (TimeValue{10, 40, 0, 1}));
  EXPECT_EQ(e.endTime(), (TimeValue{10, 40, 0, 1}));
  EXPECT_FALSE(e.allDay());
  EXPECT_EQ(e.subject(), "");
  EXPECT_FALSE(e.alarmSet());
  EXPECT_EQ(e.startAction(), 3);
  EXPECT_EQ(e.alarmReferenceDate(), D(10, 5, 2004));
  EXPECT_EQ(e.alarmTime(), (TimeValue{10, 40, 0, 1}));
  EXPECT_EQ(e.alarmLead(), 0u);
  EXPECT_EQ(e.repeat(), RepeatBlock{});
  EXPECT_EQ(e.attachmentKind(), 0);
}

class EditorConfirm : public ::testing::Test {
 protected:
  void SetUp() override {
    opened.setEventDate(D(7, 1, 2004));
    opened.setStartTime(At(9, 0));
    opened.setSubject("Team");
    opened.setRepeat(RepeatBlock{2, kNoEndDate, 1, 2});
    opened.setAlarmSet(true);
    opened.setAlarmReferenceDate(D(26, 1, 2004));  // the alarm has moved on
    opened.setAlarmLead(1);
    opened.setToneFile("bell.wav");
  }
  EventRecord opened;
};

TEST_F(EditorConfirm, AlarmOffResetsTheAlarmSettings) {
  EventRecord e = opened;
  e.setAlarmSet(false);
  e.setStartAction(1);
  e.setStartTarget("a@b.c");
  e.setReservedAlarmByte(9);
  ConfirmEventEditor(e, &opened);
  EXPECT_EQ(e.toneFile(), "");
  EXPECT_EQ(e.startTarget(), "");
  EXPECT_EQ(e.startAction(), 3);
  EXPECT_EQ(e.alarmReferenceDate(), D(7, 1, 2004));
  EXPECT_EQ(e.alarmTime(), At(9, 0));
  EXPECT_EQ(e.alarmLead(), 0u);
  EXPECT_EQ(e.reservedAlarmByte(), 0);
}

TEST_F(EditorConfirm, ReferenceDateRestartsOnlyWhenTheSeriesChanged) {
  struct Case {
    const char* what;
    void (*change)(EventRecord&);
    DateValue reference;
  } cases[] = {
      {"subject only", [](EventRecord& e) { e.setSubject("Team meeting"); }, D(26, 1, 2004)},
      {"interval", [](EventRecord& e) { e.setRepeat(RepeatBlock{2, kNoEndDate, 2, 2}); }, D(7, 1, 2004)},
      {"pattern", [](EventRecord& e) { e.setRepeat(RepeatBlock{2, kNoEndDate, 1, 4}); }, D(7, 1, 2004)},
      {"end date", [](EventRecord& e) { e.setRepeat(RepeatBlock{2, D(1, 6, 2004), 1, 2}); }, D(7, 1, 2004)},
      {"kind", [](EventRecord& e) { e.setRepeat(RepeatBlock{1, kNoEndDate, 1, 0}); }, D(7, 1, 2004)},
      {"event date", [](EventRecord& e) { e.setEventDate(D(8, 1, 2004)); }, D(8, 1, 2004)},
  };
  for (const Case& c : cases) {
    EventRecord e = opened;
    c.change(e);
    ConfirmEventEditor(e, &opened);
    EXPECT_TRUE(e.alarmSet()) << c.what;
    EXPECT_EQ(e.alarmReferenceDate(), c.reference) << c.what;
    EXPECT_EQ(e.toneFile(), "bell.wav") << c.what;
    EXPECT_EQ(e.alarmLead(), 1u) << c.what;
  }
}

TEST_F(EditorConfirm, NewEventAlarmStartsAtItsEventDate) {
  // The alarm was set while the date was still 7 January; then the date
  // moved to the 9th.
  EventRecord e = opened;
  e.setAlarmReferenceDate(D(7, 1, 2004));
  e.setEventDate(D(9, 1, 2004));
  ConfirmEventEditor(e, nullptr);
  EXPECT_EQ(e.alarmReferenceDate(), D(9, 1, 2004));
}

TEST(EditorDate, RepeatingEventRefusesADateAfterItsEnd) {
  EventRecord e;
  e.setEventDate(D(7, 1, 2004));
  EXPECT_TRUE(EventDateAcceptable(e, D(1, 1, 2030)));  // one-off
  e.setRepeat(RepeatBlock{1, D(14, 1, 2004), 1, 0});
  EXPECT_TRUE(EventDateAcceptable(e, D(14, 1, 2004)));
  EXPECT_FALSE(EventDateAcceptable(e, D(15, 1, 2004)));
  e.setRepeat(RepeatBlock{1, kNoEndDate, 1, 0});
  EXPECT_TRUE(EventDateAcceptable(e, D(1, 3, 2021)));  // no end date
}

TEST(EditorAttachment, EmptyEditStoresNoAttachment) {
  EXPECT_EQ(AttachmentKindFor(true, ""), 0);
  EXPECT_EQ(AttachmentKindFor(false, ""), 0);
  EXPECT_EQ(AttachmentKindFor(false, "/home/a.txt"), 1);
  EXPECT_EQ(AttachmentKindFor(true, "http://a"), 2);
}

TEST(RepeatDialog, OpensWithTheStoredChoices) {
  const DateValue wednesday = D(7, 1, 2004);
  RepeatChoices noEnd = OpenRepeatChoices(RepeatBlock{1, kNoEndDate, 4, 0}, wednesday);
  EXPECT_EQ(noEnd.kind, RepeatChoice::Day);
  EXPECT_EQ(noEnd.interval, 4u);
  EXPECT_TRUE(noEnd.noEndDate);
  EXPECT_EQ(noEnd.endDate, wednesday);

  RepeatChoices withEnd = OpenRepeatChoices(RepeatBlock{4, D(1, 6, 2004), 0, 7}, wednesday);
  EXPECT_EQ(withEnd.kind, RepeatChoice::Month);
  EXPECT_EQ(withEnd.interval, 1u);  // a stored 0 selects the first entry
  EXPECT_FALSE(withEnd.noEndDate);
  EXPECT_EQ(withEnd.endDate, D(1, 6, 2004));

  RepeatChoices weekly = OpenRepeatChoices(RepeatBlock{2, D(0, 0, 0), 1, 0}, wednesday);
  EXPECT_EQ(weekly.weekdays, 1u << 3);  // empty mask: the event's weekday
  EXPECT_TRUE(weekly.noEndDate);        // invalid end date
  EXPECT_EQ(OpenRepeatChoices(RepeatBlock{2, kNoEndDate, 1, 0x22}, wednesday).weekdays, 0x22u);
  EXPECT_EQ(OpenRepeatChoices(RepeatBlock{3, kNoEndDate, 1, 0}, wednesday).kind, RepeatChoice::None);
}

TEST(RepeatDialog, RebuildsTheBlockFromZero) {
  const DateValue event = D(29, 2, 2004);
  struct Case {
    RepeatChoices choices;
    RepeatBlock block;
  } cases[] = {
      {{RepeatChoice::None, 5, false, D(1, 1, 2005), 0x7F}, RepeatBlock{}},
      {{RepeatChoice::Day, 3, true, D(1, 1, 2005), 0x7F}, RepeatBlock{1, kNoEndDate, 3, 0}},
      {{RepeatChoice::Week, 2, false, D(1, 1, 2005), 2 | 16}, RepeatBlock{2, D(1, 1, 2005), 2, 18}},
      {{RepeatChoice::Month, 1, true, event, 0}, RepeatBlock{4, kNoEndDate, 1, 29}},
      {{RepeatChoice::Year, 99, true, event, 0}, RepeatBlock{5, kNoEndDate, 99, 2 * 65536 + 29}},
  };
  for (const Case& c : cases) EXPECT_EQ(BuildRepeatBlock(c.choices, event), c.block);
  // What the dialog writes for " No End &Date" reads back as no end date.
  const RepeatBlock written = BuildRepeatBlock(cases[1].choices, event);
  EXPECT_TRUE(OpenRepeatChoices(written, event).noEndDate);
  EXPECT_EQ(RepeatEndDayNumber(written.end), LastDayNumber());
}

TEST(RepeatDialog, RefusesAnEndBeforeTheEventAndKeepsOneWeekday) {
  EXPECT_FALSE(RepeatEndAcceptable(D(7, 1, 2004), D(6, 1, 2004)));
  EXPECT_TRUE(RepeatEndAcceptable(D(7, 1, 2004), D(7, 1, 2004)));
  EXPECT_EQ(ToggleWeekday(1u << 3, 3), 1u << 3);  // the last checked day stays
  EXPECT_EQ(ToggleWeekday(1u << 3, 5), (1u << 3) | (1u << 5));
  EXPECT_EQ(ToggleWeekday((1u << 3) | (1u << 5), 3), 1u << 5);
  EXPECT_STREQ(RepeatUnitLabel(RepeatChoice::Week), "Week(s)");
  EXPECT_STREQ(RepeatKindCaption(RepeatChoice::Year), "Year");
}

}  // namespace
}  // namespace velmora
