// What an import tells about the lines it read: a line it could not read,
// and a value of a line that was added without all of it. Shared by the
// delimited-text and the vCard imports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

struct ImportLineProblem {
  size_t line = 0;  // from 1, counting line ends, the heading included
  std::string reason;
};

// The most of a value that a reason quotes.
inline constexpr size_t kQuotedValueLength = 60;

// value cut to kQuotedValueLength bytes at a character boundary, in double
// quotes, with "..." when it was cut.
std::string QuotedImportValue(std::string_view value);

// Stores value into a text field of width bytes: at most width - 1 bytes,
// cut at a UTF-8 character boundary, zero-filled after. A value that does
// not fit is not cut silently: a line goes to partly naming the field, its
// limit and what was left out ("Job Title: longer than its limit of 29
// bytes; left out \"...\""). A NUL in value, which would end the field's
// text early, is left out and told the same way. Returns the bytes stored.
size_t PutImportedText(uint8_t* field, uint32_t width, std::string_view value, std::string_view fieldName,
                       size_t line, std::vector<ImportLineProblem>& partly);

}  // namespace velmora
