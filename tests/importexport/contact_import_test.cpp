// The import of contacts into an address book: acceptance, duplicates,
// counts, cancelling and a disk that fills up half-way.
#include "importexport/ContactImport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "addressbook/model/Contact.h"
#include "addressbook/model/ContactRules.h"
#include "importexport/ContactDuplicates.h"
#include "importexport/ContactImportCatalogue.h"
#include "store/Bytes.h"
#include "store/Refresh.h"
#include "tests/importexport/ImportTestSupport.h"
#include "tests/support/ForwardingFiles.h"
#include "tests/support/Records.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

namespace c = contact;
using testing::Contacts;
using testing::TempDir;

class ContactImportTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string path = dir.File("book.adr");

  ClockStyle savedStyle = GetClockStyle();

  // Dates whose order the text does not show are read month first, as the
  // export writes them on the 12-hour clock.
  void SetUp() override {
    testing::MakeRecordFile(path, format::FileKind::Address);
    SetClockStyle(ClockStyle::TwelveHour);
  }
  void TearDown() override { SetClockStyle(savedStyle); }

  ImportCounts Import(RecordStore& store, const std::string& file, bool heading = true,
                      ImportMapChoice choice = ImportMapChoice::Default) {
    ImportCounts counts;
    const ImportSettings settings = ProposedImportSettings(file, heading, choice);
    const Result imported = ImportContacts(store, file, settings, counts);
    EXPECT_TRUE(imported.ok()) << imported.Message();
    return counts;
  }
};

TEST_F(ContactImportTest, ImportsMappedColumnsAndMendedValues) {
  const std::string file =
      "\xEF\xBB\xBF\"First Name\",\"Last Name\",\"Birthday\",\"Gender\",\"Anniversary\",\"Notes\",\"Shoe\"\r\n"
      "\"Ada\",\"Lovelace\",\"1975-05-03\",\"7\",\"12/25/2004\",\"said \"\"hi\"\"\",\"44\"\r\n"
      "\"Bo\",\"M\xFC\"\"ller\",\"5/3/1975\",\"-1\",\"2/30/2004\",\"a, b\nc\",\"\"\r\n";
  RecordStore store(path, "");
  const ImportCounts counts = Import(store, file);
  EXPECT_EQ(counts.linesRead, 2u);
  EXPECT_EQ(counts.added, 2u);
  EXPECT_EQ(counts.duplicates, 0u);
  EXPECT_TRUE(counts.unread.empty());
  const std::vector<Contact> contacts = Contacts(store);
  ASSERT_EQ(contacts.size(), 2u);
  EXPECT_EQ(contacts[0].Text(c::kFirstName), "Ada");
  EXPECT_EQ(contacts[0].Birthday(), (DateValue{3, 5, 1975}));  // a 1975 birthday is kept
  EXPECT_EQ(contacts[0].Gender(), 2);                          // gender 7 becomes 2
  EXPECT_EQ(contacts[0].Anniversary(), (DateValue{25, 12, 2004}));
  EXPECT_EQ(contacts[0].Notes(), "said \"hi\"");
  EXPECT_EQ(contacts[1].Text(c::kLastName), "M\xC3\xBC\"ller");  // Windows-1252 read as such
  EXPECT_EQ(contacts[1].Birthday(), (DateValue{3, 5, 1975}));
  EXPECT_EQ(contacts[1].Gender(), 0);
  EXPECT_TRUE(contacts[1].Anniversary().IsEmpty());  // 30 February cleared
  EXPECT_EQ(contacts[1].Notes(), "a, b\nc");
  EXPECT_NE(contacts[0].Id(), contacts[1].Id());
}

TEST_F(ContactImportTest, ImportingTheSameFileTwiceAddsNothing) {
  const std::string file = "First Name,Last Name\r\nAda,Lovelace\r\nAda,Lovelace\r\nBo,Berg\r\n";
  RecordStore store(path, "");
  const ImportCounts first = Import(store, file);
  EXPECT_EQ(first.added, 2u);
  EXPECT_EQ(first.duplicates, 1u);  // the repeated line of the same file
  const ImportCounts second = Import(store, file);
  EXPECT_EQ(second.linesRead, 3u);
  EXPECT_EQ(second.added, 0u);
  EXPECT_EQ(second.duplicates, 3u);
  EXPECT_EQ(Contacts(store).size(), 2u);
}

TEST_F(ContactImportTest, HeadingOffImportsTheFirstLinePositionally) {
  RecordStore store(path, "");
  const ImportCounts counts = Import(store, "Ada,,Lovelace\r\nBo,Q,Berg", false);
  EXPECT_EQ(counts.added, 2u);
  const std::vector<Contact> contacts = Contacts(store);
  ASSERT_EQ(contacts.size(), 2u);
  EXPECT_EQ(contacts[0].Text(c::kLastName), "Lovelace");
  EXPECT_EQ(contacts[1].Text(c::kMiddleName), "Q");  // a last line without CR LF is read
}

TEST_F(ContactImportTest, AnUnreadableDateLosesTheDateNotTheContact) {
  const std::string file =
      "First Name,Birthday\r\n"
      "Ada,someday\r\n"
      "Bo,1/2/2003\r\n"
      "\"Cy,1/2/2003\r\n";
  RecordStore store(path, "");
  const ImportCounts counts = Import(store, file);
  EXPECT_EQ(counts.linesRead, 2u);
  EXPECT_EQ(counts.added, 2u);
  ASSERT_EQ(counts.partly.size(), 1u);
  EXPECT_EQ(counts.partly[0].line, 2u);
  EXPECT_EQ(counts.partly[0].reason,
            "Birthday: \"someday\" is not a date from 1800 to 2199 with day, month and year; the date was left empty");
  ASSERT_EQ(counts.unread.size(), 1u);
  EXPECT_EQ(counts.unread[0].line, 4u);
  EXPECT_NE(counts.unread[0].reason.find("not closed"), std::string::npos);
  const std::vector<Contact> contacts = Contacts(store);
  ASSERT_EQ(contacts.size(), 2u);
  EXPECT_EQ(contacts[0].Text(c::kFirstName), "Ada");
  EXPECT_TRUE(contacts[0].Birthday().IsEmpty());
  EXPECT_EQ(contacts[1].Birthday(), (DateValue{2, 1, 2003}));
}

TEST_F(ContactImportTest, BlankLinesAndLinesThatGoNowhereAddNoContact) {
  const std::string file =
      "First Name,Shoe\r\n"
      "\r\n"
      "Ada,\r\n"
      ",44\r\n"
      ",\r\n"
      "\r\n";
  RecordStore store(path, "");
  const ImportCounts counts = Import(store, file);
  EXPECT_EQ(counts.linesRead, 2u);
  EXPECT_EQ(counts.added, 1u);
  ASSERT_EQ(counts.unread.size(), 1u);
  EXPECT_EQ(counts.unread[0].line, 4u);
  EXPECT_EQ(counts.unread[0].reason,
            "none of its values goes to a field of a contact (column 2 (Shoe): no field takes \"44\")");
  ASSERT_EQ(Contacts(store).size(), 1u);
  EXPECT_EQ(Contacts(store)[0].Text(c::kFirstName), "Ada");
}

TEST_F(ContactImportTest, AValueIsCutOnlyWithAReport) {
  struct Case {
    const char* column;
    std::string value;
    ContactField field;
    std::string kept;
    std::string reason;
  } cases[] = {
      {"First Name", std::string(29, 'a') + "bc", c::kFirstName, std::string(29, 'a'),
       "First Name: longer than its limit of 29 bytes; left out \"bc\""},
      {"Home Street", std::string(48, 's') + "\xC3\xA4x", c::kHomeStreet, std::string(48, 's'),
       "Home Street: longer than its limit of 49 bytes; left out \"\xC3\xA4x\""},  // not inside a character
      {"Job Title", std::string(35, 'j'), c::kJobTitle, std::string(29, 'j'),
       "Job Title: longer than its limit of 29 bytes; left out \"jjjjjj\""},
      {"Home Phone", std::string(30, '5'), c::kHomePhone, std::string(24, '5'),
       "Home Phone: longer than its limit of 24 bytes; left out \"555555\""},
      {"Category", std::string(31, 'k'), c::kCategory, std::string(29, 'k'),
       "Category: longer than its limit of 29 bytes; left out \"kk\""},
      {"Notes", std::string("a\0b", 3), c::kNotes, "ab", "Notes: a NUL character in the value was left out"},
  };
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.column);
    const std::string book = dir.File(std::string(tc.column) + ".adr");
    testing::MakeRecordFile(book, format::FileKind::Address);
    RecordStore store(book, "");
    const std::string file = std::string(tc.column) + ",Last Name\r\n\"" + tc.value + "\",Lovelace\r\n";
    const ImportCounts counts = Import(store, file);
    EXPECT_EQ(counts.added, 1u);
    ASSERT_EQ(counts.partly.size(), 1u);
    EXPECT_EQ(counts.partly[0].line, 2u);
    EXPECT_EQ(counts.partly[0].reason, tc.reason);
    ASSERT_EQ(Contacts(store).size(), 1u);
    EXPECT_EQ(Contacts(store)[0].Text(tc.field), tc.kept);
  }
}

TEST_F(ContactImportTest, DatesAreReadAsWhatTheyPlainlyAre) {
  struct Case {
    std::string text;
    ClockStyle style;
    DateValue date;  // empty: lost and told
  } cases[] = {
      {"1991-01-20", ClockStyle::TwelveHour, {20, 1, 1991}},
      {"20/01/1991", ClockStyle::TwelveHour, {20, 1, 1991}},    // a day over 12 comes first
      {"1/20/1991", ClockStyle::TwentyFourHour, {20, 1, 1991}}, // and second
      {"3/5/1975", ClockStyle::TwelveHour, {5, 3, 1975}},       // the order the export writes
      {"3/5/1975", ClockStyle::TwentyFourHour, {3, 5, 1975}},
      {"20.1.1991", ClockStyle::TwelveHour, {20, 1, 1991}},     // full stops: day first
      {"--07-30", ClockStyle::TwelveHour, {}},
      {"14", ClockStyle::TwelveHour, {}},
      {"13/13/1991", ClockStyle::TwelveHour, {}},
      {"1/1/1799", ClockStyle::TwelveHour, {}},
  };
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.text);
    SetClockStyle(tc.style);
    const std::string book = dir.File("dates.adr");
    std::filesystem::remove(book);
    testing::MakeRecordFile(book, format::FileKind::Address);
    RecordStore store(book, "");
    const ImportCounts counts = Import(store, "First Name,Birthday\r\nAda," + tc.text + "\r\n");
    EXPECT_EQ(counts.added, 1u);  // never the whole contact
    ASSERT_EQ(Contacts(store).size(), 1u);
    EXPECT_EQ(Contacts(store)[0].Birthday(), tc.date);
    EXPECT_EQ(counts.partly.size(), tc.date.IsEmpty() ? 1u : 0u);
  }
}

TEST_F(ContactImportTest, ANonContactsFileSaysWhatWasExpected) {
  const std::string files[] = {
      "Shoe,Size\r\n1,2\r\n",
      std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\x10\0\0\0\x10\x08\x06\0\0\0", 29),
  };
  for (const std::string& file : files) {
    RecordStore store(path, "");
    ImportCounts counts;
    const Result refused =
        ImportContacts(store, file, ProposedImportSettings(file, true, ImportMapChoice::Default), counts);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.Message(), kNotAContactsFile);
  }
}

TEST_F(ContactImportTest, AFileWhoseLinesWereNotReadIsAFailureWithAReason) {
  struct Case {
    std::string file;
    std::string words;
  } cases[] = {
      {"First Name,Last Name\r\n\"Ada,Lovelace\r\nBo,Berg\r\n", "No line of the file could be read"},
      {"First Name,Last Name\r\n", "no contact lines below its heading"},
      {"First Name,Last Name\r\n\r\n\r\n", "no contact lines below its heading"},
  };
  for (const Case& tc : cases) {
    RecordStore store(path, "");
    ImportCounts counts;
    const Result failed =
        ImportContacts(store, tc.file, ProposedImportSettings(tc.file, true, ImportMapChoice::Default), counts);
    ASSERT_FALSE(failed.ok()) << tc.file;
    EXPECT_NE(failed.Message().find(tc.words), std::string::npos) << failed.Message();
    EXPECT_EQ(counts.added, 0u);
  }
}

TEST_F(ContactImportTest, AnApostropheIsTakenOffOnlyInOurOwnExport) {
  // Another program's file keeps what it holds.
  RecordStore store(path, "");
  const ImportCounts counts = Import(store, "First Name,Last Name\r\n'=x,'-y\r\n");
  EXPECT_EQ(counts.added, 1u);
  ASSERT_EQ(Contacts(store).size(), 1u);
  EXPECT_EQ(Contacts(store)[0].Text(c::kFirstName), "'=x");
  EXPECT_EQ(Contacts(store)[0].Text(c::kLastName), "'-y");
}

TEST_F(ContactImportTest, TheStartOfAFileCutInsideACharacterProposesItsHeadings) {
  const std::string file = "Stra\xC3\x9F" "e privat;Vorname;Nachname\r\nHauptstra\xC3\x9F" "e 1;Anne;M\xC3\xBCller\r\n";
  // The start the tool reads may end in the middle of the last "\xC3\xBC".
  const std::string start = file.substr(0, file.size() - 8);
  const ImportSettings settings = ProposedImportSettings(start, true, ImportMapChoice::Default);
  EXPECT_EQ(settings.separator, ';');
  ASSERT_EQ(settings.mapping.size(), 3u);
  EXPECT_EQ(ContactImportCatalogue()[size_t(settings.mapping[0])].label, "Home Street");
}

TEST_F(ContactImportTest, AReaderIsRefusedAndNothingIsAdded) {
  {
    RecordStore owner(path, "");
    testing::SetPasswords(owner, {"own", "", "read"});
  }
  RecordStore store(path, "read");
  ASSERT_EQ(store.GetAccessLevel(), kAccessReader);
  ImportCounts counts;
  const std::string file = "First Name\r\nAda\r\n";
  const ImportSettings settings = ProposedImportSettings(file, true, ImportMapChoice::Default);
  const Result refused = ImportContacts(store, file, settings, counts);
  EXPECT_EQ(refused.code(), kReaderRefused);
  EXPECT_EQ(counts.added, 0u);
}

TEST_F(ContactImportTest, NoMappedColumnIsAFailure) {
  RecordStore store(path, "");
  ImportCounts counts;
  ImportSettings settings = ProposedImportSettings("Shoe\r\n1\r\n", true, ImportMapChoice::Default);
  EXPECT_FALSE(ImportContacts(store, "Shoe\r\n1\r\n", settings, counts).ok());
}

std::string ManyLines(size_t count) {
  std::string file = "First Name,Last Name\r\n";
  for (size_t i = 0; i < count; ++i) file += "Name" + std::to_string(i) + ",Family\r\n";
  return file;
}

TEST_F(ContactImportTest, CancelKeepsWhatWasAddedAndRestoresRefresh) {
  const std::string file = ManyLines(600);
  RecordStore store(path, "");
  ImportCounts counts;
  size_t lastTotal = 0;
  bool pausedDuring = false;
  const Result imported = ImportContacts(store, file, ProposedImportSettings(file, true, ImportMapChoice::Default),
                                         counts, [&](size_t done, size_t total) {
                                           lastTotal = total;
                                           pausedDuring |= !RefreshAllowed();
                                           return done < 300;
                                         });
  ASSERT_TRUE(imported.ok()) << imported.Message();
  EXPECT_TRUE(counts.cancelled);
  EXPECT_EQ(counts.linesRead, 300u);
  EXPECT_EQ(counts.added, 300u);
  EXPECT_EQ(lastTotal, 600u);
  EXPECT_TRUE(pausedDuring);
  EXPECT_TRUE(RefreshAllowed());
  EXPECT_EQ(Contacts(store).size(), 300u);
}

// Writes to the address book fail with a full disk once it would grow
// beyond a size.
class FullDisk : public testing::ForwardingFileSystem {
 public:
  FullDisk(std::string path, uint64_t limit) : path_(std::move(path)), limit_(limit) {}

 protected:
  class File : public testing::ForwardingFile {
   public:
    File(std::unique_ptr<velmora::File> inner, uint64_t limit) : ForwardingFile(std::move(inner)), limit_(limit) {}
    Result WriteAt(uint64_t offset, const void* buffer, size_t length) override {
      if (offset + length > limit_) return Result::Fail("Cannot write", ENOSPC);
      return ForwardingFile::WriteAt(offset, buffer, length);
    }

   private:
    uint64_t limit_;
  };
  void Wrap(Opening, const std::string& path, std::unique_ptr<velmora::File>& file) override {
    if (path == path_) file = std::make_unique<File>(std::move(file), limit_);
  }

 private:
  std::string path_;
  uint64_t limit_;
};

TEST_F(ContactImportTest, AFullDiskHalfWaySaysHowFarItGot) {
  const uint64_t empty = std::filesystem::file_size(path);
  FullDisk disk(path, empty + (kImportBatchRecords + 10) * c::kRecordSize);
  testing::ScopedFileSystem installed(&disk);
  const std::string file = ManyLines(kImportBatchRecords * 3);
  RecordStore store(path, "");
  ASSERT_TRUE(store.IsOpen());
  ImportCounts counts;
  const Result imported =
      ImportContacts(store, file, ProposedImportSettings(file, true, ImportMapChoice::Default), counts);
  ASSERT_FALSE(imported.ok());
  EXPECT_EQ(counts.added, kImportBatchRecords);
  EXPECT_EQ(imported.sysError(), ENOSPC);
  const std::string message = imported.Message();
  EXPECT_NE(message.find("The import stopped at line " + std::to_string(2 * kImportBatchRecords + 1) +
                         " after adding " + std::to_string(kImportBatchRecords) + " records"),
            std::string::npos)
      << message;
  EXPECT_EQ(Contacts(store).size(), kImportBatchRecords);
  EXPECT_TRUE(RefreshAllowed());
}

// Random contacts over few values, so that equal ones are common.
Contact RandomContact(std::mt19937& random) {
  auto pick = [&](int n) { return int(random() % uint32_t(n)); };
  Contact contact;
  const char* names[] = {"", "Ada", "ada", "Bo"};
  contact.SetText(c::kFirstName, names[pick(4)]);
  contact.SetText(c::kNotes, names[pick(4)]);
  contact.SetCategory(names[pick(3)]);
  contact.SetGender(pick(3));
  contact.SetOtherPhoneType(pick(5), pick(2));
  const DateValue dates[] = {{0, 0, 0}, {30, 2, 2004}, {3, 5, 1975}, {0, 13, 2004}};
  contact.SetBirthday(dates[pick(4)]);
  if (pick(4) == 0) contact.data()[c::kFirstName.offset + 20] = 'z';  // after the terminator
  if (pick(4) == 0) contact.SetNoMailMerge(true);                      // not compared
  if (pick(4) == 0) contact.SetConfidential(true);                     // not compared
  return contact;
}

TEST(ContactDuplicateIndex, AnswersExactlyAsThePlainTestOnRandomData) {
  std::mt19937 random(20041225);
  std::vector<Contact> known;
  ContactDuplicateIndex index;
  size_t duplicates = 0;
  for (int i = 0; i < 3000; ++i) {
    const Contact candidate = RandomContact(random);
    bool plain = false;
    for (const Contact& k : known) plain |= ContactRecordsEqual(k.bytes(), candidate.bytes());
    ASSERT_EQ(index.Contains(candidate.bytes()), plain) << "record " << i;
    if (plain) {
      ++duplicates;
    } else {
      known.push_back(candidate);
      index.Add(candidate.bytes());
    }
  }
  EXPECT_GT(duplicates, 100u);
  EXPECT_GT(known.size(), 100u);
  EXPECT_EQ(index.size(), known.size());
}

TEST_F(ContactImportTest, TheIndexSeesOnlyVisibleRecords) {
  {
    RecordStore first(path, "");
    testing::SetPasswords(first, {"own", "assist", ""});
  }
  {
    RecordStore owner(path, "own");
    Contact hidden;
    InitContactRecord(owner, hidden.bytes());
    hidden.SetText(c::kFirstName, "Hidden");
    hidden.SetConfidential(true);
    ASSERT_TRUE(owner.AddRecord(hidden.bytes()).ok());
  }
  Contact same;
  same.SetText(c::kFirstName, "Hidden");
  for (const auto& [password, seen] : {std::pair{"own", true}, std::pair{"assist", false}}) {
    RecordStore store(path, password);
    ContactDuplicateIndex index;
    ASSERT_TRUE(index.Load(store).ok());
    EXPECT_EQ(index.Contains(same.bytes()), seen) << password;
  }
}

}  // namespace
}  // namespace velmora
