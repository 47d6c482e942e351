// What the address book hands to the import wizard: the catalogue of the 52
// importable contact fields, the table of accepted column headings, and a
// second table of the headings today's address books write.
#pragma once

#include <span>

#include "importexport/ImportCatalogue.h"

namespace velmora {

inline constexpr size_t kContactCatalogueCount = 52;
inline constexpr size_t kContactAliasCount = 246;

// The 52 fields in their order ("First Name" .. "Notes"), each pointing at
// the contact record field of that meaning; "Category" fills the record's
// category name.
std::span<const ImportField> ContactImportCatalogue();

// The 246 accepted headings in table order. A heading may stand for two
// labels ("FAX1"); the wizard lets the last matching entry win.
std::span<const FieldAlias> ContactImportAliases();

// Headings that Google Contacts, Outlook, Thunderbird and iCloud exports
// use ("Given Name", "E-mail 1 - Value", "Primary Email"...). Consulted only
// for a column that no entry of ContactImportAliases() matches.
std::span<const FieldAlias> ContactTodayAliases();

}  // namespace velmora
