#include "calendar/model/RepeatChoices.h"

#include <algorithm>

#include "calendar/model/Recurrence.h"

namespace velmora {

RepeatChoices OpenRepeatChoices(const RepeatBlock& block, const DateValue& eventDate) {
  RepeatChoices choices;
  switch (block.kind) {
    case event::kRepeatDaily: choices.kind = RepeatChoice::Day; break;
    case event::kRepeatWeekly: choices.kind = RepeatChoice::Week; break;
    case event::kRepeatMonthly: choices.kind = RepeatChoice::Month; break;
    case event::kRepeatYearly: choices.kind = RepeatChoice::Year; break;
    default: choices.kind = RepeatChoice::None; break;
  }
  choices.interval = std::clamp<uint32_t>(block.interval, 1, kMaxRepeatInterval);
  if (DayNumber(block.end) != kInvalidDayNumber && block.end != kNoEndDate) {
    choices.noEndDate = false;
    choices.endDate = block.end;
  } else {
    choices.noEndDate = true;
    choices.endDate = eventDate;
  }
  choices.weekdays = block.kind == event::kRepeatWeekly ? (block.pattern & 0x7F) : 0;
  if (choices.weekdays == 0) {
    int32_t day = DayNumber(eventDate);
    if (day != kInvalidDayNumber) choices.weekdays = 1u << WeekdayOf(day);
  }
  return choices;
}

bool RepeatEndAcceptable(const DateValue& eventDate, const DateValue& picked) {
  return CompareDates(picked, eventDate) >= 0;
}

uint32_t ToggleWeekday(uint32_t mask, int weekday) {
  if (weekday < 0 || weekday > 6) return mask;
  uint32_t toggled = mask ^ (1u << weekday);
  return (toggled & 0x7F) == 0 ? mask : toggled;
}

RepeatBlock BuildRepeatBlock(const RepeatChoices& choices, const DateValue& eventDate) {
  RepeatBlock block;
  if (choices.kind == RepeatChoice::None) return block;
  block.interval = std::clamp<uint32_t>(choices.interval, 1, kMaxRepeatInterval);
  block.end = choices.noEndDate ? kNoEndDate : choices.endDate;
  switch (choices.kind) {
    case RepeatChoice::Day:
      block.kind = event::kRepeatDaily;
      break;
    case RepeatChoice::Week:
      block.kind = event::kRepeatWeekly;
      block.pattern = choices.weekdays & 0x7F;
      break;
    case RepeatChoice::Month:
      block.kind = event::kRepeatMonthly;
      block.pattern = eventDate.day;
      break;
    case RepeatChoice::Year:
      block.kind = event::kRepeatYearly;
      block.pattern = eventDate.month * 65536 + eventDate.day;
      break;
    case RepeatChoice::None: break;
  }
  return block;
}

const char* RepeatUnitLabel(RepeatChoice kind) {
  switch (kind) {
    case RepeatChoice::Day: return "Day(s)";
    case RepeatChoice::Week: return "Week(s)";
    case RepeatChoice::Month: return "Month(s)";
    case RepeatChoice::Year: return "Year(s)";
    case RepeatChoice::None: break;
  }
  return "";
}

const char* RepeatKindCaption(RepeatChoice kind) {
  switch (kind) {
    case RepeatChoice::None: return "None";
    case RepeatChoice::Day: return "Day";
    case RepeatChoice::Week: return "Week";
    case RepeatChoice::Month: return "Month";
    case RepeatChoice::Year: return "Year";
  }
  return "None";
}

}  // namespace velmora
