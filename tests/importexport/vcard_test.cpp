// vCard files: the reader's handling of what address books write, cards
// from phone and web address books against their expected records, our own
// cards against golden files, and a round trip.
#include "importexport/VCard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
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

// Everything the reader gives for a file, one line per card, property,
// problem and unread card.
std::string Dump(const VCardFile& file) {
  std::string out;
  for (const VCard& card : file.cards) {
    out += "card " + std::to_string(card.line) + "\n";
    for (const VCardProperty& property : card.properties) {
      out += "  " + std::to_string(property.line) + " " + Values(property) + "\n";
    }
    for (const std::string& problem : card.problems) out += "  problem: " + problem + "\n";
  }
  for (const VCardProblem& problem : file.unread) out += "unread " + std::to_string(problem.line) + ": " + problem.reason + "\n";
  return out;
}

VCardFile ReadInPieces(std::string_view bytes, size_t piece) {
  VCardFile file;
  VCardStreamReader reader;
  for (size_t at = 0; at < bytes.size(); at += piece) reader.Feed(bytes.substr(at, piece), file);
  reader.Finish(file);
  return file;
}

TEST(VCardReaderTest, PiecesOfAnySizeReadAsTheWholeFile) {
  // Pieces that end between CR and LF, inside a UTF-16 unit, a fold or a
  // quoted-printable soft break.
  for (const char* name : {"shiftjis-phone", "koi8r", "iso-8859-2", "nokia-crcrlf", "stray-line", "utf16le-nobom",
                           "empty-n", "agent", "unclosed-agent", "unkept", "fold-split", "long-values", "google",
                           "apple", "outlook", "android", "nextcloud"}) {
    const std::string bytes = Data(std::string(name) + ".vcf");
    const std::string whole = Dump(ReadVCards(bytes));
    EXPECT_NE(whole.find("card "), std::string::npos) << name;
    for (size_t piece : {size_t(1), size_t(2), size_t(3), size_t(7), size_t(64)}) {
      EXPECT_EQ(Dump(ReadInPieces(bytes, piece)), whole) << name << " in pieces of " << piece;
    }
  }
}

TEST(VCardReaderTest, LineEndsFoldsAndCharacterSets) {
  struct Case {
    const char* what;
    std::string bytes;
    std::string dump;
  };
  const Case cases[] = {
      {"CR CR LF ends one line", "BEGIN:VCARD\r\r\nN:A;;;;\r\r\nEND:VCARD\r\r\nBEGIN:VCARD\r\r\nN:B\r\r\nEND:VCARD\r\r\n",
       "card 1\n  2 |N:A;;;;\ncard 4\n  5 |N:B\n"},
      {"a lone CR ends a line", "BEGIN:VCARD\rN:A;;;;\rEND:VCARD\r", "card 1\n  2 |N:A;;;;\n"},
      {"a fold inside a UTF-8 character", "BEGIN:VCARD\r\nN:M\xC3\r\n \xBCller\r\nEND:VCARD\r\n",
       "card 1\n  2 |N:M\xC3\xBCller\n"},
      {"one value in Windows-1252 leaves the others UTF-8",
       "BEGIN:VCARD\r\nN:M\xFCller\r\nNOTE:\xC3\x96land\r\nEND:VCARD\r\n",
       "card 1\n  2 |N:M\xC3\xBCller\n  3 |NOTE:\xC3\x96land\n"},
      {"a plain value in its CHARSET", "BEGIN:VCARD\r\nN;CHARSET=ISO-8859-7:\xC1\xE8\xDE\xED\xE1\r\nEND:VCARD\r\n",
       "card 1\n  2 |N;CHARSET=ISO-8859-7:\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1\n"},
      {"quoted-printable in Big5 over a soft break",
       "BEGIN:VCARD\r\nN;CHARSET=BIG5;ENCODING=QUOTED-PRINTABLE:=A4=FD=\r\n=A4=40\r\nEND:VCARD\r\n",
       "card 1\n  2 |N;CHARSET=BIG5;ENCODING=QUOTED-PRINTABLE:\xE7\x8E\x8B\xE4\xB8\x80\n"},
      {"an unknown set is told and read as UTF-8 or Windows-1252",
       "BEGIN:VCARD\r\nN;CHARSET=X-NOSUCH:Ren\xE9\r\nNOTE;CHARSET=X-NOSUCH:\xC3\xA9\r\nEND:VCARD\r\n",
       "card 1\n  2 |N;CHARSET=X-NOSUCH:Ren\xC3\xA9\n  3 |NOTE;CHARSET=X-NOSUCH:\xC3\xA9\n"
       "  problem: the character set \"X-NOSUCH\" is not known; its values were read as UTF-8, or as Windows-1252 "
       "where they are not UTF-8\n"},
      {"iconv's options are no character set", "BEGIN:VCARD\r\nN;CHARSET=UTF-16//IGNORE:A\r\nEND:VCARD\r\n",
       "card 1\n  2 |N;CHARSET=UTF-16//IGNORE:A\n  problem: the character set \"UTF-16//IGNORE\" is not known; its "
       "values were read as UTF-8, or as Windows-1252 where they are not UTF-8\n"},
      {"UTF-16 big-endian without a byte-order mark",
       std::string("\0B\0E\0G\0I\0N\0:\0V\0C\0A\0R\0D\0\r\0\n\0N\0:\0\xD6\0\r\0\n\0E\0N\0D\0:\0V\0C\0A\0R\0D", 54),
       "card 1\n  2 |N:\xC3\x96\n"},
  };
  for (const Case& test : cases) EXPECT_EQ(Dump(ReadVCards(test.bytes)), test.dump) << test.what;
}

TEST(VCardReaderTest, CharacterSetsConvertThroughIconv) {
  struct Case {
    const char* charset;
    std::string bytes;
    std::optional<std::string> text;
  };
  const Case cases[] = {
      {"SHIFT_JIS", "\x93\x8C\x8B\x9E", "\xE6\x9D\xB1\xE4\xBA\xAC"},
      {"Shift_JIS", "\x83\x5C", "\xE3\x82\xBD"},  // a second byte that is a backslash
      {"KOI8-R", "\xED\xEF\xF3\xEB\xF7\xE1", "\xD0\x9C\xD0\x9E\xD0\xA1\xD0\x9A\xD0\x92\xD0\x90"},
      {"iso-8859-2", "\xA3\xF3" "d\xBC", "\xC5\x81\xC3\xB3" "d\xC5\xBA"},
      {"UTF-8", "\xC3\xA9", "\xC3\xA9"},
      {"utf-8", "\xE9", "\xC3\xA9"},  // not UTF-8 after all: Windows-1252
      {"SHIFT_JIS", "A\xFF" "B", "A\xC3\xBF" "B"},  // a byte the set lacks
      {"X-NOSUCH", "A", std::nullopt},
      {"UTF-8//IGNORE", "A", std::nullopt},
  };
  for (const Case& test : cases) EXPECT_EQ(CharsetToUtf8(test.bytes, test.charset), test.text) << test.charset;
}

TEST(VCardReaderTest, AHostileFileCannotSwallowCardsOrFillTheMemory) {
  // A card with more text than any card holds keeps its start and is told.
  std::string huge = "BEGIN:VCARD\r\nN:Big;;;;\r\n";
  const std::string note = "NOTE:" + std::string(1000, 'x') + "\r\n";
  while (huge.size() < VCardStreamReader::kMaxCardBytes + 100'000) huge += note;
  huge += "END:VCARD\r\nBEGIN:VCARD\r\nN:Next;;;;\r\nEND:VCARD\r\n";
  const VCardFile file = ReadInPieces(huge, 65536);
  ASSERT_EQ(file.cards.size(), 2u);
  EXPECT_LT(file.cards[0].properties.size(), VCardStreamReader::kMaxCardBytes / note.size());
  ASSERT_EQ(file.cards[0].problems.size(), 1u);
  EXPECT_NE(file.cards[0].problems[0].find("its lines from line"), std::string::npos) << file.cards[0].problems[0];
  EXPECT_EQ(file.cards[1].properties.at(0).value, "Next;;;;");

  // One endless line in a card, and one after it outside any card.
  const std::string endless = "BEGIN:VCARD\r\nN:Long;;;;\r\nNOTE:" + std::string(VCardStreamReader::kMaxCardBytes + 10, 'x') +
                              "\r\nEND:VCARD\r\n" + std::string(VCardStreamReader::kMaxCardBytes, 'y') +
                              "\r\nBEGIN:VCARD\r\nN:Next;;;;\r\nEND:VCARD\r\n";
  const VCardFile cut = ReadInPieces(endless, 65536);
  ASSERT_EQ(cut.cards.size(), 2u);
  EXPECT_EQ(cut.cards[0].properties.size(), 1u);
  EXPECT_EQ(cut.cards[0].problems.size(), 1u);
  EXPECT_EQ(cut.cards[1].properties.at(0).value, "Next;;;;");

  // Agents of agents, never closed, end at the next card.
  std::string deep = "BEGIN:VCARD\r\nN:Top;;;;\r\n";
  for (int i = 0; i < 1000; ++i) deep += "AGENT:BEGIN:VCARD\r\nN:Inner;;;;\r\n";
  deep += "BEGIN:VCARD\r\nN:After;;;;\r\nEND:VCARD\r\n";
  const VCardFile nested = ReadVCards(deep);
  ASSERT_FALSE(nested.cards.empty());
  EXPECT_EQ(nested.cards.front().properties.at(0).value, "Top;;;;");
  EXPECT_EQ(nested.cards.back().properties.at(0).value, "After;;;;");
  EXPECT_TRUE(nested.unread.empty());
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

TEST_F(VCardImportTest, FilesFromPhonesAndOtherProgramsImportWhole) {
  struct Case {
    const char* file;
    size_t cards;
    std::vector<std::string> unread;  // "line: reason"
    std::vector<std::string> partly;
  };
  const std::string noField = " was left out: the address book has no field for it";
  const Case cases[] = {
      {"shiftjis-phone", 1, {}, {"1: SOUND \"\xEF\xBE\x94\xEF\xBE\x8F\xEF\xBE\x80\xEF\xBE\x9E;\xEF\xBE\x80\xEF\xBE\x9B\xEF\xBD\xB3;;;\"" + noField}},
      {"koi8r", 1, {}, {}},
      {"iso-8859-2", 1, {}, {}},
      {"nokia-crcrlf", 2, {}, {}},
      {"stray-line", 1, {}, {}},
      {"utf16le-nobom", 1, {}, {}},
      {"empty-n", 2, {}, {}},
      {"agent", 4, {}, {}},
      {"unclosed-agent", 5, {},
       {"1: END:VCARD is missing for this card or for the card in its AGENT property; the card ends where the next "
        "card or the file begins"}},
      {"unkept", 1, {},
       {"1: The nickname \"N.H.\" was left out: the field already holds a value",
        "1: IMPP \"xmpp:noor@chat.example.com\"" + noField, "1: RELATED \"Sami Aziz\"" + noField,
        "1: X-SHOESIZE \"38\"" + noField, "1: X-ABDATE \"2010-06-01\"" + noField,
        "1: The role \"Lead\" was left out: the job title already holds a value"}},
      {"fold-split", 2, {},
       {"8: the character set \"X-PHONE-ROMAN\" is not known; its values were read as UTF-8, or as Windows-1252 "
        "where they are not UTF-8"}},
      {"long-values", 1, {},
       {"1: The last name \"Wolfeschlegelsteinhausenbergerdorff\" was cut to 29 bytes, the length of its field",
        "1: The company \"Internationale Gesellschaft f\xC3\xBCr \xC3\x9C" "bersetzungswissenschaft\" was cut to 44 "
        "bytes, the length of its field",
        "1: The job title \"Senior Vice President of Customer Experience and Operations\" was cut to 29 bytes, the "
        "length of its field",
        "1: The phone \"+49 30 555 0100 extension 12345 ask for Hubert\" was cut to 24 bytes, the length of its field",
        "1: The category \"Conference speakers from abroad 2024\" was cut to 29 bytes, the length of its field"}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.file);
    testing::MakeRecordFile(path, format::FileKind::Address);
    RecordStore store(path, "");
    const ImportCounts counts = Import(store, Data(std::string(test.file) + ".vcf"));
    EXPECT_EQ(counts.linesRead, test.cards);
    EXPECT_EQ(counts.added, test.cards);
    std::vector<std::string> unread, partly;
    for (const ImportLineProblem& problem : counts.unread) unread.push_back(std::to_string(problem.line) + ": " + problem.reason);
    for (const ImportLineProblem& problem : counts.partly) partly.push_back(std::to_string(problem.line) + ": " + problem.reason);
    EXPECT_EQ(unread, test.unread);
    EXPECT_EQ(partly, test.partly);
    EXPECT_EQ(Exported(store), Data(std::string(test.file) + ".expected.csv"));
  }
}

TEST_F(VCardImportTest, AnUnclosedAgentCardDoesNotSwallowTheCardsAfterIt) {
  std::string file = "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Boss;Bert;;;\r\nAGENT:BEGIN:VCARD\r\nN:Helper;Hanna;;;\r\nEND:VCARD\r\n";
  for (int i = 0; i < 1000; ++i) {
    file += "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Card" + std::to_string(i) + ";Anna;;;\r\nTEL:" + std::to_string(i) +
            "\r\nEND:VCARD\r\n";
  }
  RecordStore store(path, "");
  const ImportCounts counts = Import(store, file);
  EXPECT_EQ(counts.linesRead, 1002u);
  EXPECT_EQ(counts.added, 1002u);
  EXPECT_TRUE(counts.unread.empty());
}

TEST_F(VCardImportTest, AnEmptyNameTakesTheFormattedName) {
  struct Case {
    const char* card;
    const char* first;
    const char* last;
  };
  const Case cases[] = {
      {"N:;;;;\r\nFN:Anna Lind\r\n", "Anna", "Lind"},
      {"N: ; ;;;\r\nFN:Bo\r\n", "Bo", ""},
      {"N:Lind;;;;\r\nFN:Anna Lind\r\n", "", "Lind"},  // a name given in N stays as given
      {"FN:Carl Holm\r\n", "Carl", "Holm"},
      // Our own card's FN only shows a contact without a name (by its nickname here).
      {"PRODID:-//Velmora//Cardora//EN\r\nN:;;;;\r\nFN:Nono\r\nNICKNAME:Nono\r\n", "", ""},
  };
  for (const Case& test : cases) {
    const Contact contact = Only(test.card);
    EXPECT_EQ(contact.Text(c::kFirstName), test.first) << test.card;
    EXPECT_EQ(contact.Text(c::kLastName), test.last) << test.card;
  }
  // A company's card: the formatted name is the organisation's, no person's.
  const Contact company = Only("N:;;;;\r\nFN:Nordic Tools\r\nORG:Nordic Tools\r\n");
  EXPECT_EQ(company.Text(c::kFirstName), "");
  EXPECT_EQ(company.Text(c::kCompany), "Nordic Tools");
}

TEST_F(VCardImportTest, PropertiesWithoutUserDataAreNotTold) {
  std::vector<std::string> leftOut;
  const Contact contact = Only(
      "VERSION:3.0\r\nPRODID:-//Example//EN\r\nREV:2024-01-01T00:00:00Z\r\nUID:abc\r\nX-ABUID:abc:ABPerson\r\n"
      "CLIENTPIDMAP:1;urn:uuid:1\r\nKIND:individual\r\nPROFILE:VCARD\r\nNAME:Anna\r\nSOURCE:http://example.com/a.vcf\r\n"
      "SORT-STRING:Lind\r\nFN:Anna Lind\r\nN:Lind;Anna;;;\r\nX-ABShowAs:PERSON\r\nX-IRMC-LUID:0012\r\n"
      "X-EVOLUTION-FILE-AS:Lind\\, Anna\r\nX-MOZILLA-HTML:FALSE\r\nX-MS-OL-DEFAULT-POSTAL-ADDRESS:2\r\n"
      "ADR;WORK:;;Hamngatan 2;Malm\xC3\xB6;;211 22;Sverige\r\nLABEL;WORK:Hamngatan 2\\nMalm\xC3\xB6\r\n"
      "item1.X-ABADR:se\r\n",
      &leftOut);
  EXPECT_EQ(contact.Text(c::kFirstName), "Anna");
  EXPECT_EQ(contact.Text(c::kWorkCity), "Malm\xC3\xB6");
  EXPECT_EQ(leftOut, std::vector<std::string>{});
  // Without an ADR, the label is the only address there is.
  Only("N:Lind;Anna;;;\r\nLABEL;HOME:Storgatan 1\\nLund\r\n", &leftOut);
  EXPECT_EQ(leftOut, (std::vector<std::string>{
                         "LABEL \"Storgatan 1\nLund\" was left out: the address book has no field for it"}));
}

TEST_F(VCardImportTest, AndroidRowsAndOutlooksGenderFindTheirFields) {
  std::vector<std::string> leftOut;
  const Contact contact = Only(
      "N:Lind;Anna;;;\r\nX-ANDROID-CUSTOM:vnd.android.cursor.item/nickname;Annie;1;;;;;;;;;;;;;\r\n"
      "X-ANDROID-CUSTOM:vnd.android.cursor.item/relation;Erik Lind;14;;;;;;;;;;;;;\r\n"
      "X-ANDROID-CUSTOM:vnd.android.cursor.item/relation;Ida;3;;;;;;;;;;;;;\r\n"
      "X-ANDROID-CUSTOM:vnd.android.cursor.item/relation;Eva;8;;;;;;;;;;;;;\r\n"
      "X-WAB-GENDER:1\r\n",
      &leftOut);
  EXPECT_EQ(contact.Text(c::kNickName), "Annie");
  EXPECT_EQ(contact.Text(c::kSpouseName), "Erik Lind");
  EXPECT_EQ(contact.Child(0), "Ida");
  EXPECT_EQ(contact.Gender(), c::kGenderFemale);
  EXPECT_EQ(leftOut, (std::vector<std::string>{"X-ANDROID-CUSTOM \"vnd.android.cursor.item/relation;Eva;8;;;;;;;;;;;;;\"" 
                                               " was left out: the address book has no field for it"}));
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
