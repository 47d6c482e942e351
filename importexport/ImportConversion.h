// The conversion of one imported column value into a record field, by the
// field's kind.
#pragma once

#include <cstdint>
#include <string_view>

#include "importexport/ImportCatalogue.h"
#include "store/Dates.h"

namespace velmora {

// Decimal integer as text-to-integer conversion reads it: leading white
// space skipped, an optional sign, digits up to the first non-digit; no
// digits gives 0. Values beyond 32 bits are held at the nearest limit.
int32_t ReadImportInteger(std::string_view text);

// The order of a date's first two numbers when nothing in the text tells it.
enum class DateOrder { MonthFirst, DayFirst };

// The order FormatDate writes under the clock style: month first on the
// 12-hour clock, day first on the 24-hour clock.
DateOrder DateOrderOf(ClockStyle style);

// A date: three runs of digits with anything else between them. A first
// run of exactly four digits is the year and the date reads year, month,
// day ("2004-12-25"); numbers separated by full stops read day, month, year
// ("20.01.1991"); otherwise the first two numbers are read in the given
// order, unless one of them is over 12 and the other is not, which makes
// the one over 12 the day ("20/01/1991" is 20 January in either order).
// False when the text does not start with a digit or ends before the second
// or third number; the numbers read so far are stored even then.
bool ReadImportDate(std::string_view text, DateValue& date, DateOrder order = DateOrder::MonthFirst);

// A time: the hour's digits, anything else, the minute's digits, then a
// suffix (spaces removed). A suffix with "a" or "p" in either case reads the
// 12-hour clock: "a" before noon, otherwise after noon, and 12 after noon
// becomes hour 0. Without either letter the time is on the 24-hour clock
// ("14:30" is 2:30 after noon, "9:30" before noon). The second is left as
// it was. False when the text does not start with a digit or ends before
// the minutes.
bool ReadImportTime(std::string_view text, TimeValue& time);

// Converts value into the field of record (recordSize bytes) that entry
// describes. Kind 1 copies at most width bytes and zero-fills the rest; 2
// and 3 store a 32-bit integer; 4 a date value; 5 a time value; 6 a text
// cut to width - 1 bytes at a character boundary. False when a date or time
// cannot be read (the line is then dropped), or when the entry does not fit
// the record.
bool ConvertImportValue(const ImportField& entry, std::string_view value, uint8_t* record, size_t recordSize,
                        DateOrder order = DateOrder::MonthFirst);

}  // namespace velmora
