// vCard files: the reader's handling of what address books write, cards
// from phone and web address books against their expected records, our own
// cards against golden files, and a round trip.
#include "importexport/VCard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "importexport/ContactRecordText.h"
#include "store/Dates.h"
#include "tests/support/Files.h"
#include "tests/support/Records.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

namespace c = contact;
using testing::ReadWholeFile;
using testing::TempDir;

std::string Data(const std::string& name) { return ReadWholeFile(std::string(VELMORA_TEST_DATA) + "/vcard/" + name); }

std::string Values(const VCardProperty& property) {
  std::string out = property.group + "|" + property.name;
  for (const VCardParameter& parameter : property.parameters) {
    out += ";" + parameter.name + "=";
    for (size_t i = 0; i < parameter.values.size(); ++i) out += (i ? "," : "") + parameter.values[i];
  }
  return out + ":" + property.value;
}

TEST(VCardReaderTest, PropertiesAsAddressBooksWriteThem) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"N:Lind;Anna;;;", "|N:Lind;Anna;;;"},
      {"item1.EMAIL;type=INTERNET;type=pref:a@b", "item1|EMAIL;TYPE=INTERNET,pref:a@b"},
      {"TEL;WORK;VOICE:1", "|TEL;TYPE=WORK,VOICE:1"},  // 2.1's bare types
      {"TEL;TYPE=\"work,voice\";VALUE=uri:tel:+1", "|TEL;TYPE=work,voice;VALUE=uri:tel:+1"},
      {"NOTE:long li\r\n ne folded\r\n\tagain", "|NOTE:long line foldedagain"},
      {"NOTE;ENCODING=QUOTED-PRINTABLE:a=3Db=0D=0A=\r\nnext", "|NOTE;ENCODING=QUOTED-PRINTABLE:a=b\r\nnext"},
      {"NOTE;QUOTED-PRINTABLE;CHARSET=ISO-8859-1:M=FCller", "|NOTE;ENCODING=QUOTED-PRINTABLE;CHARSET=ISO-8859-1:M\xC3\xBCller"},
      {"NOTE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=C3=96", "|NOTE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:\xC3\x96"},
      {"X-A;LABEL=\"a:b;c\";X-Q=^'x^'^n:v", "|X-A;LABEL=a:b;c;X-Q=\"x\"\n:v"},
      {"url:https\\://x", "|URL:https\\://x"},
  };
  for (const Case& test : cases) {
    const VCardFile file = ReadVCards(std::string("BEGIN:VCARD\r\n") + test.text + "\r\nEND:VCARD\r\n");
    ASSERT_EQ(file.cards.size(), 1u) << test.text;
    ASSERT_EQ(file.cards[0].properties.size(), 1u) << test.text;
    EXPECT_EQ(Values(file.cards[0].properties[0]), test.expected) << test.text;
  }
}

TEST(VCardReaderTest, ValuesSplitAndUnescape) {
  EXPECT_EQ(UnescapeVCardText("a\\nb\\,c\\;d\\\\e\\:f\\x"), "a\nb,c;d\\e:f\\x");
  EXPECT_EQ(SplitVCardValue("Holm;Carl\\;Jr;;", ';'), (std::vector<std::string>{"Holm", "Carl;Jr", "", ""}));
  EXPECT_EQ(SplitVCardValue("Work\\, old,Golf", ','), (std::vector<std::string>{"Work, old", "Golf"}));
}

TEST(VCardReaderTest, CardsLinesAndEncodings) {
  // Lone LF line ends, text between cards, a line that is no property, an
  // agent's card inside a card (read as a card of its own, after its
  // holder), and a last card never closed.
  const VCardFile file = ReadVCards(
      "junk\nBEGIN:VCARD\nN:A;;;;\nno colon here\nAGENT:BEGIN:VCARD\nN:Agent;;;;\nEND:VCARD\nTEL:1\nEND:VCARD\n"
      "BEGIN:VCARD\nN:B;;;;\nBEGIN:VCARD\nN:C;;;;\nEND:VCARD\nBEGIN:VCARD\nN:D;;;;\n");
  ASSERT_EQ(file.cards.size(), 3u);
  EXPECT_EQ(file.cards[0].line, 2u);
  ASSERT_EQ(file.cards[0].properties.size(), 2u);
  EXPECT_EQ(file.cards[0].properties[1].name, "TEL");
  EXPECT_EQ(file.cards[0].properties[1].line, 8u);
  EXPECT_EQ(file.cards[0].problems, (std::vector<std::string>{"line 4 is not a property and was left out"}));
  EXPECT_EQ(file.cards[1].line, 5u);
  EXPECT_EQ(file.cards[1].properties.at(0).value, "Agent;;;;");
  EXPECT_EQ(file.cards[2].properties.at(0).value, "C;;;;");
  ASSERT_EQ(file.unread.size(), 2u);  // B, cut off by C, and D at the end
  EXPECT_EQ(file.unread[0].line, 10u);
  EXPECT_EQ(file.unread[1].line, 15u);

  // UTF-16 with its byte-order mark, and Windows-1252.
  std::string utf16 = "\xFF\xFE";
  for (char ch : std::string("BEGIN:VCARD\r\nN:\xC3\x96;;;;\r\nEND:VCARD\r\n")) {
    if (uint8_t(ch) == 0xC3) continue;
    utf16 += ch == '\x96' ? '\xD6' : ch;
    utf16 += '\0';
  }
  EXPECT_TRUE(LooksLikeVCard(utf16));
  EXPECT_EQ(ReadVCards(utf16).cards.at(0).properties.at(0).value, "\xC3\x96;;;;");
  EXPECT_EQ(ReadVCards("BEGIN:VCARD\r\nN:M\xFCller\r\nEND:VCARD").cards.at(0).properties.at(0).value,
            "M\xC3\xBCller");
}

// text as UTF-16 without a byte-order mark (ASCII and Latin-1 only).
std::string Utf16(const std::string& latin1, bool bigEndian) {
  std::string out;
  for (char ch : latin1) {
    if (bigEndian) out += '\0';
    out += ch;
    if (!bigEndian) out += '\0';
  }
  return out;
}

TEST(VCardReaderTest, RecognisesFilesThatStartWithACardAfterAtMostOneStrayLine) {
  struct Case {
    std::string bytes;
    bool card;
  };
  const Case cases[] = {
      {"\xEF\xBB\xBF\r\n  \r\nbegin:vcard \r\n", true},
      // A title line some phones write before the first card.
      {"Contacts exported 2024-01-01\r\nBEGIN:VCARD\r\n", true},
      {"First Name,Last Name\r\nAnn,Lee\r\nBEGIN:VCARD\r\n", false},
      {Utf16("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lind;Anna;;;\r\nEND:VCARD\r\n", false), true},
      {Utf16("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lind;Anna;;;\r\nEND:VCARD\r\n", true), true},
      {Utf16("First Name,Last Name\r\nAnn,Lee\r\nBEGIN:VCARD\r\n", false), false},
      {"BEGIN:VCARDS\r\n", false},
      {"", false},
  };
  for (const Case& test : cases) EXPECT_EQ(LooksLikeVCard(test.bytes), test.card) << test.bytes;
}

class VCardImportTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string path = dir.File("book.adr");
  std::string out = dir.File("out.txt");

  void SetUp() override {
    SetClockStyle(ClockStyle::TwelveHour);
    testing::MakeRecordFile(path, format::FileKind::Address);
  }

  ImportCounts Import(RecordStore& store, const std::string& bytes) {
    ImportCounts counts;
    const Result imported = ImportVCards(store, bytes, counts);
    EXPECT_TRUE(imported.ok()) << imported.Message();
    return counts;
  }
  // The book as the export file writes it: every field, sorted by first name.
  std::string Exported(RecordStore& store) {
    EXPECT_TRUE(WriteRecordText(store, RecordTextMode::Export, {}, out).ok());
    return ReadWholeFile(out);
  }
  Contact Only(const std::string& card, std::vector<std::string>* leftOut = nullptr) {
    const VCardFile file = ReadVCards("BEGIN:VCARD\r\n" + card + "END:VCARD\r\n");
    EXPECT_EQ(file.cards.size(), 1u);
    Contact contact;
    std::vector<std::string> reasons;
    EXPECT_TRUE(ContactFromVCard(file.cards.at(0), contact, reasons)) << card;
    if (leftOut) *leftOut = reasons;
    return contact;
  }
};

TEST_F(VCardImportTest, CardsFromOtherAddressBooksGiveTheExpectedRecords) {
  struct Case {
    const char* file;
    size_t cards;
    std::vector<std::string> partly;
  };
  const Case cases[] = {
      {"google", 2, {}},
      {"apple", 1,
       {"The picture \"/9j/4AAQSkZJRgABAQAA...\" was left out: the address book keeps the path of a picture file, "
        "not the picture itself or a web address"}},
      {"outlook", 1, {}},
      {"android", 3, {}},  // the agent's card inside the first card is a contact too
      {"nextcloud", 1,
       {"RELATED \"urn:uuid:5c8e4b1e-0000-4000-8000-000000000001\" was left out: the address book has no field for it",
        "The category \"Golf\" was left out: a contact has one category"}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.file);
    testing::MakeRecordFile(path, format::FileKind::Address);
    RecordStore store(path, "");
    const ImportCounts counts = Import(store, Data(std::string(test.file) + ".vcf"));
    EXPECT_EQ(counts.linesRead, test.cards);
    EXPECT_EQ(counts.added, test.cards);
    EXPECT_TRUE(counts.unread.empty());
    std::vector<std::string> partly;
    for (const ImportLineProblem& problem : counts.partly) partly.push_back(problem.reason);
    EXPECT_EQ(partly, test.partly);
    EXPECT_EQ(Exported(store), Data(std::string(test.file) + ".expected.csv"));
  }
}

TEST_F(VCardImportTest, DatesKeepTheirYearsAndYearlessOnesAreToldNotGivenAYear) {
  struct Case {
    const char* card;
    DateValue birthday;
    std::vector<std::string> leftOut;
  };
  const std::string noYear = "\" was left out: it has no year, and the address book keeps a date only with its year";
  const Case cases[] = {
      {"BDAY:19750503\r\n", {3, 5, 1975}, {}},
      {"BDAY:1975-05-03T00:00:00Z\r\n", {3, 5, 1975}, {}},
      {"BDAY:1801-01-01\r\n", {1, 1, 1801}, {}},
      {"BDAY:--0503\r\n", {}, {"The birthday \"--0503" + noYear}},
      {"BDAY:--05-03\r\n", {}, {"The birthday \"--05-03" + noYear}},
      {"BDAY;X-APPLE-OMIT-YEAR=1604:1604-05-03\r\n", {}, {"The birthday \"1604-05-03" + noYear}},
      {"BDAY:1604-05-03\r\n", {}, {"The birthday \"1604-05-03" + noYear}},
      {"ANNIVERSARY:--0830\r\n", {}, {"The anniversary \"--0830" + noYear}},
      {"BDAY:1700-01-01\r\n", {}, {"The birthday \"1700-01-01\" was left out: it is not a date from 1800 to 2199"}},
      {"X-ANNIVERSARY:2004-02-30\r\n", {},
       {"The anniversary \"2004-02-30\" was left out: it is not a date from 1800 to 2199"}},
  };
  for (const Case& test : cases) {
    std::vector<std::string> leftOut;
    const Contact contact = Only(std::string("N:A;;;;\r\n") + test.card, &leftOut);
    EXPECT_EQ(contact.Birthday(), test.birthday) << test.card;
    EXPECT_TRUE(contact.Anniversary().IsEmpty()) << test.card;
    EXPECT_EQ(leftOut, test.leftOut) << test.card;
  }
}

TEST_F(VCardImportTest, WhatFindsNoRoomIsToldAndTheRestKept) {
  std::vector<std::string> leftOut;
  const Contact contact = Only(
      "N:A;;;;\r\n"
      "EMAIL:one@x\r\nEMAIL:two@x\r\nEMAIL:three@x\r\nEMAIL:four@x\r\nEMAIL:a-very-long-address@example.com\r\n"
      "TEL;TYPE=pager:1\r\nTEL;TYPE=car:2\r\nTEL;TYPE=home:3\r\nTEL;TYPE=home:4\r\nTEL;TYPE=work:5\r\n"
      "TEL;TYPE=work:6\r\nTEL:7\r\n"
      "ADR;TYPE=home:;;h;;;;\r\nADR;TYPE=work:;;w;;;;\r\nADR:;;third;;;;\r\n",
      &leftOut);
  EXPECT_EQ(contact.Text(c::kHomeEmail), "one@x");
  EXPECT_EQ(contact.Text(c::kWorkEmail), "two@x");
  EXPECT_EQ(contact.OtherPhone(0), "three@x");
  EXPECT_EQ(contact.OtherPhoneType(0), 15);  // E-mail1
  EXPECT_EQ(contact.OtherPhone(1), "four@x");
  EXPECT_EQ(contact.OtherPhoneType(1), 16);
  EXPECT_EQ(contact.Text(c::kHomePhone), "3");
  EXPECT_EQ(contact.Text(c::kWorkPhone), "5");
  EXPECT_EQ(contact.OtherPhone(2), "1");
  EXPECT_EQ(contact.OtherPhoneType(2), 10);  // Pager
  EXPECT_EQ(contact.OtherPhone(3), "2");
  EXPECT_EQ(contact.OtherPhoneType(3), 4);  // Car
  EXPECT_EQ(contact.OtherPhone(4), "4");
  EXPECT_EQ(contact.OtherPhoneType(4), 6);  // Home 2
  EXPECT_EQ(contact.Text(c::kHomeStreet), "h");
  EXPECT_EQ(contact.Text(c::kWorkStreet), "w");
  EXPECT_EQ(leftOut,
            (std::vector<std::string>{
                "The e-mail address \"a-very-long-address@example.com\" was left out: the address book keeps a home "
                "and a work address and three short ones among the other phones",
                "The phone \"6\" was left out: all five other phones are in use",
                "The phone \"7\" was left out: all five other phones are in use",
                "The address \"third\" was left out: the address book keeps one home and one work address"}));
}

TEST_F(VCardImportTest, AValueCutToItsFieldComesBackFromOurOwnCard) {
  // Cut at 24 bytes the number would end in a space, which the card read
  // back could not give (values are read trimmed).
  const Contact contact = Only("TEL;TYPE=WORK:+46 8 555 0Second line, with\r\nTEL:\\n\r\n");
  EXPECT_EQ(contact.Text(c::kWorkPhone), "+46 8 555 0Second line,");
  EXPECT_TRUE(contact.Text(c::kHomePhone).empty());  // a line break alone is no value
  for (VCardVersion version : {VCardVersion::V4, VCardVersion::V3}) {
    const VCardFile again = ReadVCards(ContactVCard(contact, version));
    Contact back;
    std::vector<std::string> leftOut;
    ASSERT_TRUE(ContactFromVCard(again.cards.at(0), back, leftOut));
    EXPECT_EQ(back.bytes(), contact.bytes());
  }
}

TEST_F(VCardImportTest, GooglesOwnGroupIsNoCategoryButAUsersCategoryOfThatNameIs) {
  EXPECT_EQ(Only("N:A;;;;\r\nCATEGORIES:myContacts\r\n").Category(), "");
  EXPECT_EQ(Only("N:A;;;;\r\nCATEGORIES:myContacts,Golf\r\n").Category(), "Golf");
  Contact ours;
  ours.SetText(c::kFirstName, "A");
  ours.SetCategory("myContacts");
  const VCardFile again = ReadVCards(ContactVCard(ours, VCardVersion::V4));
  Contact back;
  std::vector<std::string> leftOut;
  ASSERT_TRUE(ContactFromVCard(again.cards.at(0), back, leftOut));
  EXPECT_EQ(back.Category(), "myContacts");
}

TEST_F(VCardImportTest, CardsWithNothingToKeepAndUnclosedCardsAreToldNotAdded) {
  RecordStore store(path, "");
  const ImportCounts counts =
      Import(store, "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:1\r\nEND:VCARD\r\nBEGIN:VCARD\r\nN:Lind;Anna;;;\r\n");
  EXPECT_EQ(counts.linesRead, 1u);
  EXPECT_EQ(counts.added, 0u);
  ASSERT_EQ(counts.unread.size(), 2u);
  EXPECT_EQ(counts.unread[0].line, 1u);
  EXPECT_EQ(counts.unread[0].reason, "the card holds nothing the address book keeps");
  EXPECT_EQ(counts.unread[1].line, 5u);
  EXPECT_NE(counts.unread[1].reason.find("not closed"), std::string::npos);
}

TEST_F(VCardImportTest, ImportingTwiceAddsNothingAndACancelKeepsWhatWasAdded) {
  const std::string file = Data("android.vcf");
  {
    RecordStore store(path, "");
    EXPECT_EQ(Import(store, file).added, 3u);
    const ImportCounts again = Import(store, file);
    EXPECT_EQ(again.added, 0u);
    EXPECT_EQ(again.duplicates, 3u);
  }
  testing::MakeRecordFile(path, format::FileKind::Address);
  RecordStore store(path, "");
  ImportCounts counts;
  ASSERT_TRUE(ImportVCards(store, file, counts, [](size_t done, size_t) { return done < 1; }).ok());
  EXPECT_TRUE(counts.cancelled);
  EXPECT_EQ(counts.added, 1u);
  const std::string exported = Exported(store);
  EXPECT_EQ(std::count(exported.begin(), exported.end(), '\n'), 2);  // the heading and one contact
}

class VCardWriteTest : public VCardImportTest {
 protected:
  void AddContact(RecordStore& store, const std::function<void(Contact&)>& fill) {
    Contact contact;
    InitContactRecord(store, contact.bytes());
    fill(contact);
    ASSERT_TRUE(store.AddRecord(contact.bytes()).ok());
  }
  // Every field a card carries, with texts that need escapes and folding.
  void AddContacts(RecordStore& store) {
    AddContact(store, [](Contact& x) {
      x.SetText(c::kTitle, "Dr.");
      x.SetText(c::kFirstName, "\xC3\x85sa");
      x.SetText(c::kMiddleName, "Maria");
      x.SetText(c::kLastName, "\xC3\x96""berg");
      x.SetText(c::kSuffix, "Jr.");
      x.SetText(c::kNickName, "Sa; sa");
      x.SetCategory("Friends, old");
      x.SetPicture("/home/asa/Pictures/me and you.jpg");
      x.SetText(c::kHomeStreet, "Storgatan 1\r\nLgh 1102");
      x.SetText(c::kHomeCity, "Lund");
      x.SetText(c::kHomeZip, "223 50");
      x.SetText(c::kHomeCountry, "Sverige");
      x.SetText(c::kHomePhone, "046-12 34 56");
      x.SetText(c::kHomeFax, "046-12 34 57");
      x.SetText(c::kHomeMobile, "070-123 45 67");
      x.SetText(c::kHomeWeb, "https://asa.example.org");
      x.SetText(c::kHomeEmail, "asa@example.org");
      x.SetText(c::kCompany, "Nordic Tools");
      x.SetText(c::kJobTitle, "Engineer");
      x.SetText(c::kDepartment, "Research");
      x.SetText(c::kOffice, "Room 4");
      x.SetText(c::kWorkStreet, "Hamngatan 2");
      x.SetText(c::kWorkCity, "Malm\xC3\xB6");
      x.SetText(c::kWorkState, "Sk\xC3\xA5ne");
      x.SetText(c::kWorkPhone, "040-555 00 00");
      x.SetText(c::kWorkFax, "040-555 00 01");
      x.SetText(c::kWorkMobile, "070-555 00 02");
      x.SetText(c::kWorkWeb, "https://tools.example.com");
      x.SetText(c::kWorkEmail, "asa@tools.example.com");
      x.SetText(c::kSpouseName, "Erik \xC3\x96""berg");
      x.SetChild(0, "Ida");
      x.SetChild(1, "Olle");
      x.SetGender(c::kGenderFemale);
      x.SetBirthday({3, 5, 1975});
      x.SetAnniversary({30, 8, 2004});
      x.SetOtherPhone(0, "040-555 00 09");
      x.SetOtherPhoneType(0, 2);  // Business 2
      x.SetOtherPhone(1, "0740-555 000");
      x.SetOtherPhoneType(1, 10);  // Pager
      x.SetOtherPhone(2, "asa@home.se");
      x.SetOtherPhoneType(2, 15);  // E-mail1
      x.SetOtherPhone(3, "555 0000");
      x.SetOtherPhoneType(3, 0);
      x.SetOtherPhone(4, "555 1414");
      x.SetOtherPhoneType(4, 14);  // TTY/TDD
      x.SetNotes(
          "A note long enough to be folded: \xC3\xA5\xC3\xA4\xC3\xB6 \xC3\xA5\xC3\xA4\xC3\xB6 \xC3\xA5\xC3\xA4\xC3\xB6"
          " \xC3\xA5\xC3\xA4\xC3\xB6 \xC3\xA5\xC3\xA4\xC3\xB6 and a back\\slash.\r\nSecond line.");
    });
    AddContact(store, [](Contact& x) {
      x.SetText(c::kCompany, "Acme; Ltd");
      x.SetText(c::kWorkPhone, "555-0101");
      x.SetGender(c::kGenderMale);
    });
    AddContact(store, [](Contact& x) { x.SetText(c::kFirstName, "Bo"); });
  }
  std::string Cards(RecordStore& store, VCardVersion version) {
    const Result written = WriteVCards(store, {}, out, version);
    EXPECT_TRUE(written.ok()) << written.Message();
    return ReadWholeFile(out);
  }
};

TEST_F(VCardWriteTest, CardsMatchTheGoldenFilesAndFoldAtCharacterBoundaries) {
  RecordStore store(path, "");
  AddContacts(store);
  const std::string v4 = Cards(store, VCardVersion::V4);
  EXPECT_EQ(v4, Data("written-v4.vcf"));
  EXPECT_EQ(Cards(store, VCardVersion::V3), Data("written-v3.vcf"));
  size_t start = 0;
  for (size_t end = v4.find("\r\n"); end != std::string::npos; start = end + 2, end = v4.find("\r\n", start)) {
    const std::string line = v4.substr(start, end - start);
    EXPECT_LE(line.size(), 75u) << line;
    EXPECT_TRUE(IsValidUtf8(line)) << line;
  }
}

TEST_F(VCardWriteTest, ARoundTripGivesTheSameCards) {
  for (VCardVersion version : {VCardVersion::V4, VCardVersion::V3}) {
    testing::MakeRecordFile(path, format::FileKind::Address);
    std::string first;
    {
      RecordStore store(path, "");
      AddContacts(store);
      first = Cards(store, version);
    }
    testing::MakeRecordFile(path, format::FileKind::Address);
    RecordStore store(path, "");
    const ImportCounts counts = Import(store, first);
    EXPECT_EQ(counts.added, 3u);
    EXPECT_TRUE(counts.partly.empty());
    EXPECT_EQ(Cards(store, version), first);
  }
}

TEST_F(VCardWriteTest, AnEmptyBookGivesAnEmptyFileAndAFailureNamesTheFile) {
  RecordStore store(path, "");
  EXPECT_EQ(Cards(store, VCardVersion::V4), "");
  const Result failed = WriteVCards(store, {}, dir.File("missing/out.vcf"), VCardVersion::V4);
  EXPECT_FALSE(failed.ok());
  EXPECT_NE(failed.Message().find("Cannot create the vCard file"), std::string::npos) << failed.Message();
}

}  // namespace
}  // namespace velmora
