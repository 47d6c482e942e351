// The address book's import catalogue, its heading table, today's headings,
// and the mapping by position and by headings.
#include "importexport/ContactImportCatalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "addressbook/model/ContactLayout.h"
#include "importexport/ContactFields.h"
#include "importexport/ImportMapping.h"

namespace velmora {
namespace {

namespace c = contact;

std::vector<std::string> Mapped(const std::vector<std::string>& headings) {
  const auto catalogue = ContactImportCatalogue();
  const ImportMapping mapping = DefaultMapping(headings, catalogue, ContactImportAliases(), ContactTodayAliases());
  std::vector<std::string> labels;
  for (int row : mapping) {
    labels.push_back(row == kIgnoreColumn ? std::string(kIgnoreFieldLabel)
                                          : std::string(catalogue[size_t(row)].label));
  }
  return labels;
}

TEST(ContactImportCatalogue, HasTheFieldsInOrder) {
  const auto catalogue = ContactImportCatalogue();
  ASSERT_EQ(catalogue.size(), 52u);
  for (size_t i = 0; i < catalogue.size(); ++i) {
    EXPECT_EQ(catalogue[i].column, int32_t(i));
    EXPECT_EQ(catalogue[i].mapped, 0);
  }
  struct Entry {
    size_t index;
    std::string_view label;
    uint32_t offset, kind, width;
  } expected[] = {
      {0, "First Name", c::kFirstName.offset, kImportText, 30},
      {6, "Category", c::kCategory.offset, kImportText, 30},
      {7, "Picture", c::kPicture.offset, kImportText, 260},
      {16, "Home Email", c::kHomeEmail.offset, kImportText, 60},
      {17, "Home Web", c::kHomeWeb.offset, kImportText, 70},
      {33, "Chield1", c::Child(0).offset, kImportText, 60},
      {38, "Gender", c::kGender, kImportInteger, 4},
      {39, "Birthday", c::kBirthday, kImportDate, 12},
      {40, "Anniversary", c::kAnniversary, kImportDate, 12},
      {41, "Custom1_ID", c::OtherPhoneType(0), kImportInteger, 4},
      {50, "Custom5", c::OtherPhone(4).offset, kImportText, 25},
      {51, "Notes", c::kNotes.offset, kImportText, 1024},
  };
  for (const Entry& e : expected) {
    const ImportField& f = catalogue[e.index];
    EXPECT_EQ(f.label, e.label);
    EXPECT_EQ(f.offset, e.offset) << e.label;
    EXPECT_EQ(f.kind, e.kind) << e.label;
    EXPECT_EQ(f.width, e.width) << e.label;
  }
  // Every text field of the catalogue lies within the contact's text fields.
  for (const ImportField& f : catalogue) {
    if (f.kind != kImportText || f.label == "Category") continue;
    bool known = false;
    for (const BodyKey& key : ContactBodyKeys()) known |= key.offset == f.offset && key.width == f.width;
    EXPECT_TRUE(known) << f.label;
  }
}

TEST(ContactImportAliases, HasTheTableInOrder) {
  const auto aliases = ContactImportAliases();
  ASSERT_EQ(aliases.size(), 246u);
  EXPECT_EQ(aliases[0].heading, "First Name");
  EXPECT_EQ(aliases[4].label, "Title");
  EXPECT_EQ(aliases[4].heading, "Mr/Ms");
  EXPECT_EQ(aliases[42].label, "Home Fax");
  EXPECT_EQ(aliases[42].heading, "FAX1");
  EXPECT_EQ(aliases[208].label, "Work Web");
  EXPECT_EQ(aliases[208].heading, "Web Location");
  EXPECT_EQ(aliases[166].label, "Work Fax");
  EXPECT_EQ(aliases[166].heading, "Fax1");
  EXPECT_EQ(aliases[245].label, "Notes");
  EXPECT_EQ(aliases[245].heading, "Notes");
  // Every label names a catalogue entry.
  for (const FieldAlias& alias : aliases) {
    bool found = false;
    for (const ImportField& f : ContactImportCatalogue()) found |= f.label == alias.label;
    EXPECT_TRUE(found) << alias.label;
  }
  for (const FieldAlias& alias : ContactTodayAliases()) {
    if (alias.label.empty()) continue;  // a heading held back from the table
    bool found = false;
    for (const ImportField& f : ContactImportCatalogue()) found |= f.label == alias.label;
    EXPECT_TRUE(found) << alias.label;
  }
}

TEST(ImportMapping, PositionalMappingIgnoresColumnsBeyondTheCatalogue) {
  EXPECT_EQ(PositionalMapping(3, 52), (ImportMapping{0, 1, 2}));
  EXPECT_EQ(PositionalMapping(4, 2), (ImportMapping{0, 1, kIgnoreColumn, kIgnoreColumn}));
}

TEST(ImportMapping, HeadingsMatchWithoutSpacesAndCase) {
  EXPECT_TRUE(HeadingMatches("Home E-mail 2 Address", "homee-mail2address"));
  EXPECT_TRUE(HeadingMatches("First Name", " FIRST  NAME "));
  EXPECT_FALSE(HeadingMatches("First Name", "First_Name"));
  EXPECT_FALSE(HeadingMatches("\xC3\x84rger", "\xC3\xA4rger"));  // only ASCII letters fold
}

TEST(ImportMapping, DefaultMapByHeadings) {
  struct Case {
    const char* what;
    std::vector<std::string> headings;
    std::vector<std::string> labels;
  } cases[] = {
      {"last match wins", {"FAX1", "Fax1"}, {"Work Fax", "IGNORE THIS FIELD"}},
      {"e-mail 2 spellings",
       {"e-mail 2", "EMAIL2", "Email2"},
       {"Home Email", "IGNORE THIS FIELD", "IGNORE THIS FIELD"}},
      {"unknown heading", {"Shoe size", "Last Name"}, {"IGNORE THIS FIELD", "Last Name"}},
      {"today's headings",
       {"Given Name", "Family Name", "Additional Name", "E-mail 1 - Value", "Phone 1 - Value",
        "Organization 1 - Name", "Primary Email", "Mobile Number"},
       {"First Name", "Last Name", "Middle Name", "IGNORE THIS FIELD", "IGNORE THIS FIELD", "Company",
        "Work Email", "Home Mobile"}},  // the typed columns are placed line by line
      {"Outlook in German",
       {"Vorname", "Nachname", "Firma", "Gesch\xC3\xA4" "ftlich Telefon", "E-Mail-Adresse", "Geburtstag"},
       {"First Name", "Last Name", "Company", "Work Phone", "Work Email", "Birthday"}},
      {"Thunderbird's free-text columns are not other phones",
       {"Custom 1", "custom 2", "Custom3"}, {"IGNORE THIS FIELD", "IGNORE THIS FIELD", "Custom3"}},
      {"LinkedIn", {"Position", "Connected On", "Email Address"}, {"Job Title", "IGNORE THIS FIELD", "Work Email"}},
      {"the address book's table wins on equal headings",
       {"Home Address", "E-mail Address", "Nickname"}, {"Home Street", "Work Email", "Nick Name"}},
      {"a heading of 253 characters is not mapped", {std::string(253, 'x'), "Notes"}, {"IGNORE THIS FIELD", "Notes"}},
  };
  for (const Case& tc : cases) EXPECT_EQ(Mapped(tc.headings), tc.labels) << tc.what;
}

TEST(ImportMapping, AnExportedHeadingMapsEveryColumnToItsLabel) {
  std::vector<std::string> headings;
  for (const ImportField& f : ContactImportCatalogue()) headings.emplace_back(f.label);
  EXPECT_EQ(Mapped(headings), headings);
}

TEST(ImportMapping, EmptyAliasTableIgnoresEverything) {
  const std::vector<std::string> headings{"First Name"};
  EXPECT_EQ(DefaultMapping(headings, ContactImportCatalogue(), {}), (ImportMapping{kIgnoreColumn}));
}

TEST(ImportMapping, ApplyMappingSetsTheCatalogue) {
  std::vector<ImportField> catalogue(ContactImportCatalogue().begin(), ContactImportCatalogue().end());
  catalogue[5].mapped = 1;
  ApplyMapping(catalogue, ImportMapping{2, kIgnoreColumn, 0});
  EXPECT_EQ(catalogue[2].mapped, 1);
  EXPECT_EQ(catalogue[2].column, 0);
  EXPECT_EQ(catalogue[0].mapped, 1);
  EXPECT_EQ(catalogue[0].column, 2);
  EXPECT_EQ(catalogue[5].mapped, 0);
  EXPECT_TRUE(AnyColumnMapped({kIgnoreColumn, 3}));
  EXPECT_FALSE(AnyColumnMapped({kIgnoreColumn}));
}

}  // namespace
}  // namespace velmora
