// Contacts files as other programs write them (Google Contacts in both of
// its forms, Outlook in English and German, Thunderbird, iCloud by way of
// a converter, LinkedIn, UTF-16 with and without a byte-order mark, LF-only
// and CR-only lines): what lands in which field, what is told, what is
// refused. Each file is imported from memory and streamed from disk, with
// the same result.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "addressbook/model/Contact.h"
#include "importexport/ContactFields.h"
#include "importexport/ContactImport.h"
#include "store/Dates.h"
#include "tests/importexport/ImportTestSupport.h"
#include "tests/support/Files.h"
#include "tests/support/Records.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

namespace c = contact;
using testing::Contacts;
using testing::TempDir;

std::string DataPath(const std::string& name) { return std::string(VELMORA_TEST_DATA) + "/contacts/" + name; }

std::string ReadData(const std::string& name) { return testing::ReadWholeFile(DataPath(name)); }

std::string DateText(const DateValue& date) {
  if (date.IsEmpty()) return "";
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", date.year, date.month, date.day);
  return text;
}

// A field of a contact as text: the internal names, "Category", "Gender",
// "Birthday", "Anniversary" and "CustomN_ID".
std::string Value(const Contact& contact, std::string_view name) {
  if (name == "Category") return contact.Category();
  if (name == "Gender") return std::to_string(contact.Gender());
  if (name == "Birthday") return DateText(contact.Birthday());
  if (name == "Anniversary") return DateText(contact.Anniversary());
  if (name.starts_with("Custom") && name.ends_with("_ID")) {
    return std::to_string(contact.OtherPhoneType(name[6] - '1'));
  }
  const std::optional<ContactField> field = FindContactField(name);
  EXPECT_TRUE(field.has_value()) << name;
  return field ? contact.Text(*field) : std::string();
}

struct FieldIs {
  size_t contact;
  std::string_view field;
  std::string value;
};

struct Told {
  size_t line;
  std::string reasonPart;  // a part of the reason
};

struct FileCase {
  const char* file;
  size_t linesRead;
  size_t added;
  std::vector<FieldIs> fields;
  std::vector<Told> partly;  // exactly these, in order
  std::vector<Told> unread;
};

const FileCase kFiles[] = {
    {"google-2024.csv", 2, 2,
     {{0, "First_Name", "Ada"},
      {0, "Last_Name", "Lovelace"},
      {0, "Title", "Dr."},
      {0, "Nick_Name", "Countess"},
      {0, "Company", "Analytical Engines Ltd"},
      {0, "Job_Title", "Senior Vice President of Engi"},
      {0, "Department", "Research"},
      {0, "Birthday", "1815-12-10"},
      {0, "Notes", "Wrote the first program, \"Note G\""},
      {0, "Category", "Friends"},
      {0, "Home_Email", "ada@home.example"},
      {0, "Work_Email", "ada@work.example"},
      {0, "Home_Mobile", "+44 7700 900123"},
      {0, "Home_Phone", "+44 20 7946 0018"},
      {0, "Work_Fax", "+44 20 7946 0019"},
      {0, "Home_Street_Address", "12 St James's Square"},
      {0, "Home_City", "London"},
      {0, "Home_Zip_Postal_Code", "SW1Y 4JH"},
      {0, "Home_Country", "United Kingdom"},
      {0, "Home_Web", "https://ada.example"},
      {0, "Anniversary", "1835-07-08"},
      {0, "Spouse_Name", "William King"},
      {1, "First_Name", "Charles"},
      {1, "Anniversary", ""},
      {1, "Birthday", ""},
      {1, "Category", ""},
      {1, "Work_Email", "charles@example.org"},
      {1, "Home_Email", "babbage@example.net"},
      {1, "Work_Phone", "+44 20 7946 0020"},
      {1, "Work_Street_Address", "1 Dorset Street"},
      {1, "Work_Zip_Postal_Code", "W1U 4EF"},
      {1, "Home_Street_Address", ""}},
     {{2, "Job Title: longer than its limit of 29 bytes; left out \"neering\""},
      {2, "Category: a contact has one category; left out \"Work\""},
      {4, "Birthday: \"--12-26\" is not a date"}},  // the line after a two-line address
     {}},
    {"google-legacy.csv", 2, 2,
     {{0, "First_Name", "Grace"},
      {0, "Middle_Name", "Brewster"},
      {0, "Last_Name", "Hopper"},
      {0, "Nick_Name", "Amazing Grace"},
      {0, "Birthday", "1906-12-09"},
      {0, "Gender", "1"},
      {0, "Category", "Navy"},
      {0, "Work_Email", "grace@navy.example"},
      {0, "Home_Email", "grace@home.example"},
      {0, "Home_Mobile", "+1 202 555 0101"},
      {0, "Custom1", "+1 202 555 0102"},
      {0, "Custom1_ID", "10"},  // Pager
      {0, "Work_Street_Address", "Navy Yard"},
      {0, "Work_State_Province", "DC"},
      {0, "Company", "US Navy"},
      {0, "Job_Title", "Rear Admiral"},
      {0, "Department", "Computing"},
      {0, "Home_Web", "https://grace.example"},
      {1, "First_Name", "Alan"},
      {1, "Gender", "2"},
      {1, "Work_Email", "alan@example.org"},
      {1, "Custom1", "+44 161 555 0103"},
      {1, "Custom1_ID", "11"}},  // Primary
     {{3, "Birthday: \"--06-23\" is not a date"}},
     {}},
    {"outlook-en.csv", 2, 2,
     {{0, "Title", "Mr."},
      {0, "First_Name", "John"},
      {0, "Middle_Name", "Q"},
      {0, "Last_Name", "Public"},
      {0, "Suffix", "Jr."},
      {0, "Company", "Contoso Ltd"},
      {0, "Work_Street_Address", "1 Microsoft Way\r\nBuilding 9"},
      {0, "Work_City", "Redmond"},
      {0, "Work_Zip_Postal_Code", "98052"},
      {0, "Home_Street_Address", "22 Elm Street"},
      {0, "Work_Fax", "+1 425 555 0110"},
      {0, "Work_Phone", "+1 425 555 0111"},
      {0, "Custom1", "+1 425 555 0112"},
      {0, "Custom1_ID", "2"},  // Business 2
      {0, "Custom2", "+1 425 555 0113"},
      {0, "Custom2_ID", "4"},  // Car
      {0, "Home_Phone", "+1 217 555 0114"},
      {0, "Home_Mobile", "+1 217 555 0115"},
      {0, "Anniversary", "2010-06-12"},
      {0, "Birthday", "1991-01-20"},
      {0, "Category", "Customers"},
      {0, "Chield1", "Tim"},
      {0, "Work_Email", "john@contoso.example"},
      {0, "Home_Email", "jq@home.example"},
      {0, "Gender", "2"},
      {0, "Notes", "Prefers calls\r\nafter 10\r\nE-mail 3 Address: john.public@example.net"},
      {0, "Office", "B9/1021"},
      {0, "Spouse_Name", "Jane Public"},
      {0, "Work_Web", "http://contoso.example/john"},
      {1, "First_Name", "Mary"},
      {1, "Birthday", ""},
      {1, "Anniversary", ""},
      {1, "Work_Email", "mary@example.com"},
      {1, "Gender", "0"}},
     {{2, "Category: a contact has one category; left out \"VIP\""}},
     {}},
    {"outlook-de.csv", 2, 2,
     {{0, "Title", "Frau"},
      {0, "First_Name", "J\xC3\xBCrgen-Anne"},
      {0, "Last_Name", "M\xC3\xBCller"},
      {0, "Company", "B\xC3\xA4" "ckerei M\xC3\xBCller GmbH"},
      {0, "Job_Title", "Gesch\xC3\xA4" "ftsf\xC3\xBChrerin"},
      {0, "Work_Street_Address", "Hauptstra\xC3\x9F" "e 5\r\nHinterhaus"},
      {0, "Work_City", "M\xC3\xBCnchen"},
      {0, "Home_City", "Gr\xC3\xBCnwald"},
      {0, "Home_Zip_Postal_Code", "82031"},
      {0, "Work_Fax", "+49 89 555 0120"},
      {0, "Work_Phone", "+49 89 555 0121"},
      {0, "Custom1", "+49 89 555 0122"},
      {0, "Custom1_ID", "2"},
      {0, "Home_Phone", "+49 89 555 0123"},
      {0, "Home_Mobile", "+49 170 555 0124"},
      {0, "Birthday", "1991-01-20"},
      {0, "Anniversary", "2015-02-14"},
      {0, "Category", "Kunden"},
      {0, "Work_Email", "anne@baeckerei.example"},
      {0, "Home_Email", "anne@privat.example"},
      {0, "Gender", "1"},
      {0, "Notes", "\xC3\x96" "ffnet um 6 Uhr"},
      {0, "Work_Web", "www.baeckerei.example"},
      {1, "Last_Name", "Sch\xC3\xA4" "fer"},
      {1, "Home_Phone", "+49 30 555 0125"},
      {1, "Birthday", ""},
      {1, "Gender", "2"}},
     {},
     {}},
    {"thunderbird.csv", 2, 2,
     {{0, "First_Name", "Linus"},
      {0, "Last_Name", "Benedict"},
      {0, "Nick_Name", "lb"},
      {0, "Work_Email", "linus@example.org"},
      {0, "Home_Email", "lb@home.example"},
      {0, "Work_Phone", "+358 9 555 0130"},
      {0, "Home_Phone", "+358 9 555 0131"},
      {0, "Custom1", "+358 9 555 0132"},
      {0, "Custom1_ID", "10"},
      {0, "Home_Mobile", "+358 40 555 0133"},
      {0, "Home_Street_Address", "Kalevankatu 1\r\nA 4"},
      {0, "Home_City", "Helsinki"},
      {0, "Home_Zip_Postal_Code", "00100"},
      {0, "Work_Street_Address", "Work Road 2"},
      {0, "Work_City", "Espoo"},
      {0, "Job_Title", "Kernel Hacker"},
      {0, "Company", "Kernel Org"},
      {0, "Work_Web", "https://kernel.example"},
      {0, "Home_Web", "https://linus.example"},
      {0, "Birthday", "1969-12-28"},
      {0, "Custom2", ""},
      {0, "Notes", "Met at a conference\nin 1996\r\nScreen Name: lbirc\r\nCustom 1: Likes penguins\r\nCustom 2: Shoe size 44"},
      {0, "Category", ""},
      {1, "First_Name", "Margaret"},
      {1, "Birthday", ""}},
     {{4, "Birthday: year \"\", month \"\", day \"14\" is not a date"}},
     {}},
    {"icloud.csv", 1, 1,
     {{0, "First_Name", "Tim"},
      {0, "Company", "Apple Inc."},
      {0, "Job_Title", "CEO"},
      {0, "Home_Email", "tim@me.example"},
      {0, "Work_Email", "tim@apple.example"},
      {0, "Home_Mobile", "+1 408 555 0140"},
      {0, "Home_Phone", "+1 408 555 0141"},
      {0, "Work_Phone", "+1 408 555 0142"},
      {0, "Home_State_Province", "CA"},
      {0, "Home_Web", "https://tim.example"},
      {0, "Birthday", "1960-11-01"},
      {0, "Notes", "Note with \"quotes\""}},
     {},
     {}},
    {"linkedin.csv", 2, 2,
     {{0, "First_Name", "Satya"},
      {0, "Company", "Microsoft"},
      {0, "Job_Title", "Chairman and CEO"},
      {0, "Work_Web", "https://www.linkedin.com/in/satyanadella"},
      {0, "Notes", "Connected On: 20 Jan 2021"},
      {1, "Work_Email", "reid@example.com"},
      {1, "Notes", "Connected On: 03 Feb 2019"}},
     {},
     {}},
    {"utf16le-bom.csv", 2, 2,
     {{0, "First_Name", "Zo\xC3\xAB"},
      {0, "Last_Name", "\xC3\x85ngstr\xC3\xB6m"},
      {0, "Work_Email", "zoe@example.se"},
      {0, "Home_Mobile", "+46 70 555 0150"},
      {1, "First_Name", "\xE7\x8E\x8B"},
      {1, "Last_Name", "\xE5\xB0\x8F\xE6\x98\x8E"}},
     {},
     {}},
    {"utf16le-nobom.csv", 2, 2,
     {{0, "First_Name", "Zo\xC3\xAB"}, {1, "Work_Email", "xiaoming@example.cn"}},
     {},
     {}},
    {"lf-only.csv", 2, 2,
     {{0, "First_Name", "Katherine"},
      {0, "Birthday", "1918-08-26"},
      {1, "Job_Title", "Supervisor,\nWest Computers"},
      {1, "Birthday", "1910-09-20"}},
     {},
     {}},
    {"cr-only.csv", 2, 2,
     {{0, "Last_Name", "Johnson"}, {1, "Job_Title", "Supervisor,\rWest Computers"}, {1, "Birthday", "1910-09-20"}},
     {},
     {}},
};

class ContactImportFilesTest : public ::testing::Test {
 protected:
  TempDir dir;
  ClockStyle saved = GetClockStyle();
  void SetUp() override { SetClockStyle(ClockStyle::TwelveHour); }
  void TearDown() override { SetClockStyle(saved); }
};

void Check(const FileCase& tc, RecordStore& store, const ImportCounts& counts) {
  EXPECT_EQ(counts.linesRead, tc.linesRead);
  EXPECT_EQ(counts.added, tc.added);
  const std::vector<Contact> contacts = Contacts(store);
  ASSERT_EQ(contacts.size(), tc.added);
  for (const FieldIs& f : tc.fields) {
    ASSERT_LT(f.contact, contacts.size());
    EXPECT_EQ(Value(contacts[f.contact], f.field), f.value) << "contact " << f.contact << " " << f.field;
  }
  const auto compare = [](const std::vector<ImportLineProblem>& got, const std::vector<Told>& want, const char* what) {
    std::string all;
    for (const ImportLineProblem& p : got) all += std::to_string(p.line) + ": " + p.reason + "\n";
    ASSERT_EQ(got.size(), want.size()) << what << ":\n" << all;
    for (size_t i = 0; i < want.size(); ++i) {
      EXPECT_EQ(got[i].line, want[i].line) << what << ":\n" << all;
      EXPECT_NE(got[i].reason.find(want[i].reasonPart), std::string::npos) << what << ":\n" << all;
    }
  };
  compare(counts.partly, tc.partly, "kept in part");
  compare(counts.unread, tc.unread, "not read");
}

TEST_F(ContactImportFilesTest, OtherProgramsFilesLandInTheirFields) {
  for (const FileCase& tc : kFiles) {
    SCOPED_TRACE(tc.file);
    const std::string bytes = ReadData(tc.file);
    {
      const std::string path = dir.File(std::string(tc.file) + ".memory.adr");
      testing::MakeRecordFile(path, format::FileKind::Address);
      RecordStore store(path, "");
      ImportCounts counts;
      const Result imported =
          ImportContacts(store, bytes, ProposedImportSettings(bytes, true, ImportMapChoice::Default), counts);
      ASSERT_TRUE(imported.ok()) << imported.Message();
      Check(tc, store, counts);
    }
    {
      const std::string path = dir.File(std::string(tc.file) + ".stream.adr");
      testing::MakeRecordFile(path, format::FileKind::Address);
      RecordStore store(path, "");
      ImportCounts counts;
      std::ifstream in(DataPath(tc.file), std::ios::binary);
      const Result imported =
          ImportContacts(store, in, ProposedImportSettings(bytes, true, ImportMapChoice::Default), counts);
      ASSERT_TRUE(imported.ok()) << imported.Message();
      Check(tc, store, counts);
    }
  }
}

}  // namespace
}  // namespace velmora
