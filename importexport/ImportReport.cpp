#include "importexport/ImportReport.h"

#include <algorithm>
#include <cstring>

#include "store/Bytes.h"

namespace velmora {

std::string QuotedImportValue(std::string_view value) {
  const size_t shown = Utf8CutLength(value, kQuotedValueLength);
  std::string out = "\"" + std::string(value.substr(0, shown)) + "\"";
  if (shown < value.size()) out += "...";
  return out;
}

size_t PutImportedText(uint8_t* field, uint32_t width, std::string_view value, std::string_view fieldName,
                       size_t line, std::vector<ImportLineProblem>& partly) {
  if (width == 0) return 0;
  std::string withoutNul;
  if (value.find('\0') != std::string_view::npos) {
    withoutNul.reserve(value.size());
    for (char c : value) {
      if (c != '\0') withoutNul += c;
    }
    partly.push_back({line, std::string(fieldName) + ": a NUL character in the value was left out"});
    value = withoutNul;
  }
  const size_t kept = Utf8CutLength(value, width - 1);
  std::memset(field, 0, width);
  std::memcpy(field, value.data(), kept);
  if (kept < value.size()) {
    partly.push_back({line, std::string(fieldName) + ": longer than its limit of " + std::to_string(width - 1) +
                                " bytes; left out " + QuotedImportValue(value.substr(kept))});
  }
  return kept;
}

}  // namespace velmora
