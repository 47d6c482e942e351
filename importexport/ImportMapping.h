// Which file column goes to which catalogue field: the positional mapping
// the wizard starts with, and the mapping by column headings ("&Default
// Map").
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "importexport/ImportCatalogue.h"

namespace velmora {

// A mapping row of a column that goes nowhere.
inline constexpr int kIgnoreColumn = -1;
inline constexpr std::string_view kIgnoreFieldLabel = "IGNORE THIS FIELD";

// One row per source column: the index of the catalogue entry it fills, or
// kIgnoreColumn.
using ImportMapping = std::vector<int>;

// Row i goes to catalogue entry i while there is one.
ImportMapping PositionalMapping(size_t sourceCount, size_t catalogueCount);

// Whether a column heading matches a table heading: equal once every space
// is removed from both, ignoring the case of ASCII letters, over at most 255
// characters.
bool HeadingMatches(std::string_view tableHeading, std::string_view columnHeading);

// Maps each column heading shorter than 253 characters by the alias table:
// every matching entry whose label names a catalogue entry (exactly, case
// and all) sets the row, so the last one wins. A heading no entry of aliases
// matches is looked up the same way in further. A heading that an entry of
// further with an empty label names exactly (spaces counted, ASCII case
// ignored) is left unmapped. Then, from the top, a label
// already taken by an earlier row is dropped from every later row. With an
// empty alias table every row is ignored.
ImportMapping DefaultMapping(std::span<const std::string> headings, std::span<const ImportField> catalogue,
                             std::span<const FieldAlias> aliases, std::span<const FieldAlias> further = {});

// Sets the catalogue as the wizard's Finish does: mapped cleared on every
// entry, then column = row and mapped = 1 on the entry each row names.
void ApplyMapping(std::span<ImportField> catalogue, const ImportMapping& mapping);

// Whether at least one row maps a column.
bool AnyColumnMapped(const ImportMapping& mapping);

}  // namespace velmora
