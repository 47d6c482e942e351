#include "importexport/CsvField.h"

namespace velmora {

std::string CsvField(std::string_view value) {
  std::string out;
  out.reserve(value.size() + 2);
  out += '"';
  for (char c : value) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

bool GuardedAsFormula(std::string_view value) {
  size_t at = 0;
  while (at < value.size() && value[at] == '\'') ++at;
  if (at == value.size()) return false;
  const char first = value[at];
  if (first == '=' || first == '@') return true;
  if (first != '+' && first != '-') return false;
  bool digit = false;
  for (size_t i = at + 1; i < value.size(); ++i) {
    const char c = value[i];
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c != ' ' && c != '(' && c != ')' && c != '.' && c != '/' && c != '-') {
      return true;
    }
  }
  return !digit;
}

}  // namespace velmora
