// Fields of comma-separated files as export and mail merge write them.
#pragma once

#include <string>
#include <string_view>

namespace velmora {

// "value" with every double quote doubled.
std::string CsvField(std::string_view value);

// Whether a spreadsheet opening the file would take value as a formula, so
// the export writes an apostrophe before it: it starts, after any
// apostrophes, with "=" or "@", or with "+" or "-" followed by more than a
// plain number (digits, spaces, brackets, dots, slashes and dashes, as in
// "+46 70 555 05 00", stay as they are). The import of an exported file
// takes the apostrophe off by the same test, so every value comes back.
bool GuardedAsFormula(std::string_view value);

}  // namespace velmora
