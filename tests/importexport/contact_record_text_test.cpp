// The address book's export file and report: selection, sort, the formats
// (against golden files, byte for byte) and the file written whole.
#include "importexport/ContactRecordText.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "importexport/ContactImport.h"
#include "store/Dates.h"
#include "tests/support/Files.h"
#include "tests/support/ForwardingFiles.h"
#include "tests/support/OtherUser.h"
#include "tests/support/Records.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

namespace c = contact;
using testing::ModeOf;
using testing::ReadWholeFile;
using testing::TempDir;

std::string Golden(const std::string& name) {
  return ReadWholeFile(std::string(VELMORA_TEST_DATA) + "/contacts/" + name);
}

class ContactRecordTextTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string path = dir.File("book.adr");
  std::string out = dir.File("out.txt");

  void SetUp() override {
    SetClockStyle(ClockStyle::TwelveHour);
    testing::MakeRecordFile(path, format::FileKind::Address);
  }
  void TearDown() override { SetClockStyle(ClockStyle::TwelveHour); }

  uint64_t Add(RecordStore& store, const std::function<void(Contact&)>& fill) {
    Contact contact;
    InitContactRecord(store, contact.bytes());
    fill(contact);
    EXPECT_TRUE(store.AddRecord(contact.bytes()).ok());
    return contact.Id();
  }

  // Three contacts added out of name order.
  void AddThree(RecordStore& store) {
    Add(store, [](Contact& x) {
      x.SetText(c::kFirstName, "zoe");
      x.SetText(c::kLastName, "Quinn");
      x.SetCategory("Business");
      x.SetText(c::kCompany, "Quinn & Co, \"Ltd\"");
      x.SetText(c::kWorkStreet, "1 Dock Rd\r\nUnit 4");
      x.SetText(c::kWorkPhone, "555-0101");
      x.SetOtherPhone(0, "555-0199");
      x.SetOtherPhoneType(0, 10);
      x.SetOtherPhone(1, "lost");
      x.SetOtherPhoneType(1, 0);
      x.SetGender(1);
    });
    Add(store, [](Contact& x) {
      x.SetText(c::kFirstName, "Adam");
      x.SetText(c::kLastName, "Berg");
      x.SetCategory("Friends");
      x.SetText(c::kHomeCity, "Lund");
      x.SetText(c::kHomeEmail, "adam@example.org");
      x.SetBirthday({3, 5, 1975});
      x.SetAnniversary({30, 2, 2004});
      x.SetChild(0, "Ida");
      x.SetText(c::kNotes, "Likes tea");
    });
    Add(store, [](Contact& x) {
      x.SetText(c::kFirstName, "Bea");
      x.SetText(c::kLastName, "Stone");
      x.SetCategory("Friends of work");
      x.SetText(c::kJobTitle, "Engineer");
      x.SetGender(2);
    });
  }

  std::string Written(RecordStore& store, RecordTextMode mode, const RecordTextOptions& options) {
    const Result written = WriteRecordText(store, mode, options, out);
    EXPECT_TRUE(written.ok()) << written.Message();
    return ReadWholeFile(out);
  }
  std::vector<std::string> FirstNames(RecordStore& store, const RecordTextOptions& options) {
    std::vector<RecordPosition> positions;
    EXPECT_TRUE(SelectContacts(store, options, positions).ok());
    std::vector<std::string> names;
    Bytes record;
    for (RecordPosition p : positions) {
      EXPECT_TRUE(store.ReadRecord(record, p).ok());
      names.push_back(Contact(record).Text(c::kFirstName));
    }
    return names;
  }
};

TEST_F(ContactRecordTextTest, ExportOfAnEmptyFileIsTheHeadingOnly) {
  RecordStore store(path, "");
  EXPECT_EQ(Written(store, RecordTextMode::Export, {}), Golden("empty-export.csv"));
}

TEST_F(ContactRecordTextTest, ExportMatchesTheGoldenFile) {
  RecordStore store(path, "");
  AddThree(store);
  EXPECT_EQ(Written(store, RecordTextMode::Export, {}), Golden("three-export.csv"));
}

TEST_F(ContactRecordTextTest, ReportsMatchTheGoldenFiles) {
  RecordStore store(path, "");
  AddThree(store);
  const std::pair<ReportFieldSet, const char*> sets[] = {{ReportFieldSet::All, "three-report-all.txt"},
                                                          {ReportFieldSet::Home, "three-report-home.txt"},
                                                          {ReportFieldSet::Business, "three-report-business.txt"}};
  for (const auto& [fields, golden] : sets) {
    RecordTextOptions options;
    options.fields = fields;
    EXPECT_EQ(Written(store, RecordTextMode::Report, options), Golden(golden)) << golden;
  }
}

TEST_F(ContactRecordTextTest, ReportOfAnEmptySelectionIsTheTitleOnly) {
  RecordStore store(path, "");
  AddThree(store);
  RecordTextOptions options;
  options.scope = ContactScope::Category;
  options.category = "Nobody";
  EXPECT_EQ(Written(store, RecordTextMode::Report, options), "Cardora Report (Nobody)\r\n\r\n");
}

TEST_F(ContactRecordTextTest, SelectsByNameAndCategoryAndSortsByFirstName) {
  RecordStore store(path, "");
  AddThree(store);
  using Names = std::vector<std::string>;
  struct Case {
    const char* what;
    RecordTextOptions options;
    Names names;
  } cases[] = {
      {"all, sorted ignoring case", {}, {"Adam", "Bea", "zoe"}},
      {"name in first or last name", {ContactScope::All, "All", true, "E", {}, {}}, {"Adam", "Bea", "zoe"}},
      {"name in the last name only", {ContactScope::All, "All", true, "stone", {}, {}}, {"Bea"}},
      {"category contained", {ContactScope::Category, "friends", false, "", {}, {}}, {"Adam", "Bea"}},
      {"category and name", {ContactScope::Category, "Friends", true, "ad", {}, {}}, {"Adam"}},
      {"no match", {ContactScope::Category, "Friends", true, "quinn", {}, {}}, {}},
  };
  for (const Case& tc : cases) EXPECT_EQ(FirstNames(store, tc.options), tc.names) << tc.what;
}

TEST_F(ContactRecordTextTest, CurrentRecordIgnoresTheName) {
  RecordStore store(path, "");
  AddThree(store);
  const uint64_t id = Add(store, [](Contact& x) { x.SetText(c::kFirstName, "Cid"); });
  RecordTextOptions options;
  options.scope = ContactScope::CurrentRecord;
  options.currentId = id;
  options.nameFlag = true;
  options.name = "nothing like it";
  EXPECT_EQ(FirstNames(store, options), std::vector<std::string>{"Cid"});
  options.currentId.reset();
  EXPECT_TRUE(FirstNames(store, options).empty());
}

TEST_F(ContactRecordTextTest, AnExportImportsBackIntoAnEmptyFileUnchanged) {
  RecordStore store(path, "");
  AddThree(store);
  const std::string exported = Written(store, RecordTextMode::Export, {});
  const std::string second = dir.File("second.adr");
  testing::MakeRecordFile(second, format::FileKind::Address);
  RecordStore other(second, "");
  ImportCounts counts;
  const Result imported =
      ImportContacts(other, exported, ProposedImportSettings(exported, true, ImportMapChoice::Default), counts);
  ASSERT_TRUE(imported.ok()) << imported.Message();
  EXPECT_EQ(counts.added, 3u);
  const std::string again = dir.File("again.csv");
  ASSERT_TRUE(WriteRecordText(other, RecordTextMode::Export, {}, again).ok());
  // The other phone without a type was not exported, so it cannot come back;
  // everything else does.
  EXPECT_EQ(ReadWholeFile(again), exported);
}

// Every field filled, with values a spreadsheet would run as formulas and
// dates whose day is 12 or less, so that day and month could swap.
void FillEveryField(Contact& x, int n) {
  const std::string k = std::to_string(n);
  x.SetText(c::kFirstName, "=HYPERLINK(\"x.example\",\"" + k + "\")");
  x.SetText(c::kMiddleName, "'=already quoted");
  x.SetText(c::kLastName, "O'Brien " + k);
  x.SetText(c::kNickName, "@handle");
  x.SetText(c::kTitle, "Dr.");
  x.SetText(c::kSuffix, "Jr.");
  x.SetCategory("-minus");
  x.SetPicture("/home/me/p" + k + ".jpg");
  x.SetText(c::kHomeStreet, "1 Main St\r\nFlat \"2\", rear");
  x.SetText(c::kHomeCity, "G\xC3\xB6teborg");
  x.SetText(c::kHomeState, "VG");
  x.SetText(c::kHomeZip, "411 01");
  x.SetText(c::kHomeCountry, "Sverige");
  x.SetText(c::kHomePhone, "+46 31 555 0100");
  x.SetText(c::kHomeFax, "+46 31 555 0101");
  x.SetText(c::kHomeMobile, "+46 70 555 0102");
  x.SetText(c::kHomeEmail, "me@home.example");
  x.SetText(c::kHomeWeb, "https://home.example");
  x.SetText(c::kCompany, "=cmd|' /C calc'!A0");
  x.SetText(c::kJobTitle, "Engineer");
  x.SetText(c::kDepartment, "R&D");
  x.SetText(c::kOffice, "B2");
  x.SetText(c::kWorkStreet, "2 Dock Rd");
  x.SetText(c::kWorkCity, "Lund");
  x.SetText(c::kWorkState, "SK");
  x.SetText(c::kWorkZip, "223 50");
  x.SetText(c::kWorkCountry, "Sweden");
  x.SetText(c::kWorkPhone, "555-0103");
  x.SetText(c::kWorkFax, "555-0104");
  x.SetText(c::kWorkMobile, "555-0105");
  x.SetText(c::kWorkEmail, "me@work.example");
  x.SetText(c::kWorkWeb, "https://work.example");
  x.SetText(c::kSpouseName, "Kim");
  for (int i = 0; i < 5; ++i) x.SetChild(i, "Child " + std::to_string(i));
  x.SetGender(n % 3);
  x.SetBirthday({3, 5, 1975});
  x.SetAnniversary({12, 11, 2004 + n});
  for (int i = 0; i < 5; ++i) {
    x.SetOtherPhone(i, "+1 555 01" + std::to_string(i));
    x.SetOtherPhoneType(i, i + 1 + n);
  }
  x.SetText(c::kNotes, "Line one\r\nLine \"two\", with a comma\r\n=1+2");
}

TEST_F(ContactRecordTextTest, AnExportImportsBackUnchangedUnderEitherClock) {
  for (const ClockStyle style : {ClockStyle::TwelveHour, ClockStyle::TwentyFourHour}) {
    SCOPED_TRACE(style == ClockStyle::TwelveHour ? "12-hour clock" : "24-hour clock");
    SetClockStyle(style);
    const std::string source = dir.File(std::string("source-") + (style == ClockStyle::TwelveHour ? "12" : "24"));
    testing::MakeRecordFile(source, format::FileKind::Address);
    RecordStore store(source, "");
    std::vector<Contact> originals;
    for (int n = 0; n < 3; ++n) {
      Add(store, [&](Contact& x) {
        FillEveryField(x, n);
        originals.push_back(x);
      });
    }
    const std::string exported = Written(store, RecordTextMode::Export, {});
    // No value starts a formula in a spreadsheet.
    EXPECT_EQ(exported.find(",\"="), std::string::npos);
    EXPECT_EQ(exported.find(",\"@"), std::string::npos);
    EXPECT_NE(exported.find(",\"'=cmd|"), std::string::npos);
    // A phone number is no formula: other programs get it as it is.
    EXPECT_NE(exported.find(",\"+46 31 555 0100\","), std::string::npos);
    EXPECT_EQ(exported.find("\r\n\"="), std::string::npos);
    EXPECT_NE(exported.find("\"'=HYPERLINK("), std::string::npos);
    EXPECT_NE(exported.find("\"''=already quoted\""), std::string::npos);

    const std::string target = source + ".back";
    testing::MakeRecordFile(target, format::FileKind::Address);
    RecordStore back(target, "");
    ImportCounts counts;
    std::ifstream in(out, std::ios::binary);
    const Result imported =
        ImportContacts(back, in, ProposedImportSettings(exported, true, ImportMapChoice::Default), counts);
    ASSERT_TRUE(imported.ok()) << imported.Message();
    EXPECT_EQ(counts.added, 3u);
    EXPECT_TRUE(counts.partly.empty()) << counts.partly.front().reason;
    EXPECT_TRUE(counts.unread.empty());
    std::vector<Contact> imported3;
    ASSERT_TRUE(back.ScanSlots([&](RecordPosition, const uint8_t* slots, size_t count) {
                      for (size_t i = 0; i < count; ++i) {
                        const uint8_t* r = slots + i * back.recordSize();
                        if (r[format::record::kInUse] == 1) imported3.emplace_back(Bytes(r, r + back.recordSize()));
                      }
                    }).ok());
    ASSERT_EQ(imported3.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(ContactDuplicateKey(imported3[i].data()), ContactDuplicateKey(originals[i].data())) << i;
      EXPECT_EQ(imported3[i].Birthday(), (DateValue{3, 5, 1975}));
      EXPECT_EQ(imported3[i].Text(c::kFirstName), originals[i].Text(c::kFirstName));
      EXPECT_EQ(imported3[i].Text(c::kMiddleName), "'=already quoted");
    }
  }
}

// The fresh file beside the export fails at its second write.
class FailingWrites : public testing::ForwardingFileSystem {
 protected:
  class File : public testing::ForwardingFile {
   public:
    using ForwardingFile::ForwardingFile;
    Result WriteAt(uint64_t offset, const void* buffer, size_t length) override {
      if (offset > 0) return Result::Fail("Cannot write", ENOSPC);
      return ForwardingFile::WriteAt(offset, buffer, length);
    }
  };
  void Wrap(Opening how, const std::string&, std::unique_ptr<velmora::File>& file) override {
    if (how == Opening::CreateTemp) file = std::make_unique<File>(std::move(file));
  }
};

TEST_F(ContactRecordTextTest, AFailedWriteLeavesTheOldFileWhole) {
  RecordStore store(path, "");
  for (int i = 0; i < 3000; ++i) Add(store, [&](Contact& x) { x.SetText(c::kNotes, std::string(500, 'n')); });
  ASSERT_TRUE(testing::WriteWholeFile(out, "old contents"));
  FailingWrites failing;
  testing::ScopedFileSystem installed(&failing);
  const Result written = WriteRecordText(store, RecordTextMode::Export, {}, out);
  EXPECT_FALSE(written.ok());
  EXPECT_EQ(written.sysError(), ENOSPC);
  EXPECT_EQ(ReadWholeFile(out), "old contents");
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) files += entry.is_regular_file();
  EXPECT_EQ(files, 2u);  // the book and the old file: no fresh file left behind
}

TEST_F(ContactRecordTextTest, ExportsAndReportsAreNoWiderReadableThanTheBookAndKeepTheReplacedFilesBits) {
  struct Case {
    const char* name;
    mode_t book;
    int existing;  // the output's bits before, or -1 for a new file
    mode_t expected;
  };
  const Case cases[] = {
      {"private book, new output", 0600, -1, 0600},
      {"group book, new output", 0640, -1, 0640},
      {"readable book, new output", 0644, -1, 0644},
      {"readable book, private output kept", 0644, 0600, 0600},
  };
  const testing::ScopedUmask mask(022);
  for (const Case& k : cases) {
    for (RecordTextMode mode : {RecordTextMode::Export, RecordTextMode::Report}) {
      SCOPED_TRACE(std::string(k.name) + (mode == RecordTextMode::Export ? " (export)" : " (report)"));
      ASSERT_EQ(::chmod(path.c_str(), k.book), 0);
      std::filesystem::remove(out);
      if (k.existing >= 0) {
        ASSERT_TRUE(testing::WriteWholeFile(out, "old"));
        ASSERT_EQ(::chmod(out.c_str(), mode_t(k.existing)), 0);
      }
      RecordStore store(path, "");
      const Result written = WriteRecordText(store, mode, {}, out);
      ASSERT_TRUE(written.ok()) << written.Message();
      EXPECT_EQ(ModeOf(out), k.expected);
    }
  }
}

TEST_F(ContactRecordTextTest, ProgressCountsTheRecordsWrittenOfThoseSelected) {
  RecordStore store(path, "");
  AddThree(store);
  std::vector<std::pair<size_t, size_t>> calls;
  const Result written = WriteRecordText(store, RecordTextMode::Export, {}, out, [&](size_t done, size_t total) {
    calls.emplace_back(done, total);
    return true;
  });
  ASSERT_TRUE(written.ok()) << written.Message();
  const std::vector<std::pair<size_t, size_t>> expected{{0, 3}, {1, 3}, {2, 3}, {3, 3}};
  EXPECT_EQ(calls, expected);
  EXPECT_EQ(ReadWholeFile(out), Written(store, RecordTextMode::Export, {}));  // the same text as without
}

TEST_F(ContactRecordTextTest, ACancelLeavesTheOldFileAsItWas) {
  RecordStore store(path, "");
  AddThree(store);
  // Cancelled when told of this many records written: before the first,
  // half-way and after the last.
  for (size_t cancelAt : {size_t(0), size_t(1), size_t(3)}) {
    SCOPED_TRACE(cancelAt);
    for (RecordTextMode mode : {RecordTextMode::Export, RecordTextMode::Report}) {
      ASSERT_TRUE(testing::WriteWholeFile(out, "old contents"));
      size_t lastDone = 0;
      const Result written = WriteRecordText(store, mode, {}, out, [&](size_t done, size_t) {
        lastDone = done;
        return done < cancelAt;
      });
      EXPECT_FALSE(written.ok());
      EXPECT_TRUE(IsRecordTextCancelled(written)) << written.Message();
      EXPECT_EQ(written.path(), out);
      EXPECT_EQ(lastDone, cancelAt) << "no call after the one that cancelled";
      EXPECT_EQ(ReadWholeFile(out), "old contents");
      size_t files = 0;
      for (const auto& entry : std::filesystem::directory_iterator(dir.path())) files += entry.is_regular_file();
      EXPECT_EQ(files, 2u);  // the book and the old file: no fresh file left behind
    }
  }
}

TEST_F(ContactRecordTextTest, ACancelledStreamStopsBeforeTheNextRecord) {
  RecordStore store(path, "");
  AddThree(store);
  std::vector<std::string> pieces;
  const Result streamed = StreamRecordText(
      store, RecordTextMode::Export, {},
      [&](std::string_view text) {
        pieces.emplace_back(text);
        return Result::Ok();
      },
      [](size_t done, size_t) { return done < 1; });
  EXPECT_TRUE(IsRecordTextCancelled(streamed));
  ASSERT_EQ(pieces.size(), 2u);  // the heading and the first record
  EXPECT_EQ(pieces[0], ContactExportHeading());
  EXPECT_FALSE(IsRecordTextCancelled(Result::Fail("Cannot write", ENOSPC)));
  EXPECT_FALSE(IsRecordTextCancelled(Result::Ok()));
}

}  // namespace
}  // namespace velmora
