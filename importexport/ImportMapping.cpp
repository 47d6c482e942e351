#include "importexport/ImportMapping.h"

#include <algorithm>

#include "store/Bytes.h"

namespace velmora {

namespace {

constexpr size_t kComparedLength = 255;
constexpr size_t kLongestMappedHeading = 252;

std::string WithoutSpaces(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != ' ') out += char(FoldCase(uint8_t(c)));
  }
  if (out.size() > kComparedLength) out.resize(kComparedLength);
  return out;
}

int CatalogueIndex(std::span<const ImportField> catalogue, std::string_view label) {
  for (size_t i = 0; i < catalogue.size(); ++i) {
    if (catalogue[i].label == label) return int(i);
  }
  return kIgnoreColumn;
}

// The catalogue entry of the last alias entry matching the heading, or
// kIgnoreColumn.
int LastMatch(std::string_view folded, std::span<const ImportField> catalogue,
              std::span<const FieldAlias> aliases) {
  int row = kIgnoreColumn;
  for (const FieldAlias& alias : aliases) {
    if (WithoutSpaces(alias.heading) != folded) continue;
    if (int entry = CatalogueIndex(catalogue, alias.label); entry != kIgnoreColumn) row = entry;
  }
  return row;
}

// Whether a further entry without a label names the heading exactly (case
// of ASCII letters aside, spaces counted): such a column is left unmapped.
bool HeldBack(std::string_view heading, std::span<const FieldAlias> further) {
  for (const FieldAlias& alias : further) {
    if (!alias.label.empty() || alias.heading.size() != heading.size()) continue;
    bool same = true;
    for (size_t i = 0; i < heading.size() && same; ++i) {
      same = FoldCase(uint8_t(heading[i])) == FoldCase(uint8_t(alias.heading[i]));
    }
    if (same) return true;
  }
  return false;
}

}  // namespace

ImportMapping PositionalMapping(size_t sourceCount, size_t catalogueCount) {
  ImportMapping mapping(sourceCount, kIgnoreColumn);
  for (size_t i = 0; i < sourceCount && i < catalogueCount; ++i) mapping[i] = int(i);
  return mapping;
}

bool HeadingMatches(std::string_view tableHeading, std::string_view columnHeading) {
  return WithoutSpaces(tableHeading) == WithoutSpaces(columnHeading);
}

ImportMapping DefaultMapping(std::span<const std::string> headings, std::span<const ImportField> catalogue,
                             std::span<const FieldAlias> aliases, std::span<const FieldAlias> further) {
  ImportMapping mapping(headings.size(), kIgnoreColumn);
  if (aliases.empty()) return mapping;
  for (size_t i = 0; i < headings.size(); ++i) {
    if (headings[i].size() > kLongestMappedHeading || HeldBack(headings[i], further)) continue;
    const std::string folded = WithoutSpaces(headings[i]);
    int row = LastMatch(folded, catalogue, aliases);
    if (row == kIgnoreColumn) row = LastMatch(folded, catalogue, further);
    mapping[i] = row;
  }
  for (size_t top = 0; top < mapping.size(); ++top) {
    if (mapping[top] == kIgnoreColumn) continue;
    for (size_t other = top + 1; other < mapping.size(); ++other) {
      if (mapping[other] == mapping[top]) mapping[other] = kIgnoreColumn;
    }
  }
  return mapping;
}

void ApplyMapping(std::span<ImportField> catalogue, const ImportMapping& mapping) {
  for (ImportField& entry : catalogue) entry.mapped = 0;
  for (size_t row = 0; row < mapping.size(); ++row) {
    const int entry = mapping[row];
    if (entry < 0 || size_t(entry) >= catalogue.size()) continue;
    catalogue[size_t(entry)].column = int32_t(row);
    catalogue[size_t(entry)].mapped = 1;
  }
}

bool AnyColumnMapped(const ImportMapping& mapping) {
  return std::any_of(mapping.begin(), mapping.end(), [](int row) { return row != kIgnoreColumn; });
}

}  // namespace velmora
