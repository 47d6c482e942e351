// The rules of the Repeat dialog, apart from its drawing: what it shows
// when it opens, which choices it refuses, and the repeat block it builds
// from the user's choices on "&Ok".
#pragma once

#include <cstdint>

#include "calendar/model/EventRecord.h"
#include "store/Dates.h"

namespace velmora {

enum class RepeatChoice { None, Day, Week, Month, Year };

inline constexpr uint32_t kMaxRepeatInterval = 99;

struct RepeatChoices {
  RepeatChoice kind = RepeatChoice::None;
  uint32_t interval = 1;  // 1..99, the number chosen in "Every:"
  bool noEndDate = true;  // " No End &Date"
  DateValue endDate;      // the date button's date
  uint32_t weekdays = 0;  // bit 0 "Sun" .. bit 6 "Sat"
  friend bool operator==(const RepeatChoices&, const RepeatChoices&) = default;
};

// What the dialog shows for a stored block and the event date: the kind
// (unknown kinds show as None), the interval (0 shows as 1, above 99 as 99),
// the end date when it is a valid date other than 31 December 2020 (else
// " No End &Date" with the event date on the disabled button), and for a
// weekly block its mask, or the event date's weekday when the mask is empty.
RepeatChoices OpenRepeatChoices(const RepeatBlock& block, const DateValue& eventDate);

// A picked end date earlier than the event date is refused (message 500).
bool RepeatEndAcceptable(const DateValue& eventDate, const DateValue& picked);

// Toggles weekday 0..6 in a mask; unchecking the last checked day is undone.
uint32_t ToggleWeekday(uint32_t mask, int weekday);

// The block rebuilt from zero on "&Ok": None clears it; otherwise the
// interval, the end date (31 December 2020 for " No End &Date", which every
// reader takes as "no end date"), the kind and its pattern: 0 for Day, the
// weekday mask for Week, the event date's day for Month, and event month *
// 65536 + event day for Year.
RepeatBlock BuildRepeatBlock(const RepeatChoices& choices, const DateValue& eventDate);

// The unit label of "Every:" and the group caption for a kind.
const char* RepeatUnitLabel(RepeatChoice kind);  // "Day(s)" .. "Year(s)", "" for None
const char* RepeatKindCaption(RepeatChoice kind);  // "None" .. "Year"

}  // namespace velmora
