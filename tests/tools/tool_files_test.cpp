// velmora create, info, compact and the command line itself.
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "ToolFixture.h"
#include "resources/Strings.h"
#include "store/Dates.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;
namespace h = format::header;
using format::FileKind;
using nlohmann::json;

TEST_F(ToolTest, CreateMakesAnEmptyFileOfEveryKind) {
  struct Case {
    const char* kind;
    FileKind fileKind;
  };
  const Case cases[] = {{"address", FileKind::Address},
                        {"calendar", FileKind::Calendar},
                        {"history", FileKind::History},
                        {"partners", FileKind::Partners},
                        {"outbox", FileKind::Outbox}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    const std::string path = dir.File(std::string("new.") + c.kind);
    ToolRun made = Ok({"create", "--kind", c.kind, path});
    EXPECT_EQ(made.out, "");
    EXPECT_EQ(fs::file_size(path), format::kFirstSlotOffset);

    json info = Info(path);
    format::KindInfo expected = format::InfoOf(c.fileKind);
    EXPECT_EQ(info["kind"], c.kind);
    EXPECT_EQ(info["file_size"], format::kFirstSlotOffset);
    EXPECT_EQ(info["prologue_header_size"], format::kHeaderSize);
    EXPECT_EQ(info["prologue_category_block_size"], format::kCategoryBlockSize);
    EXPECT_EQ(info["prologue_record_size"], expected.recordSize);
    EXPECT_EQ(info["header_size"], format::kHeaderSize);
    EXPECT_EQ(info["kind_name"], expected.kindName);
    EXPECT_EQ(info["family_name"], expected.familyName);
    EXPECT_EQ(info["kind_number"], expected.kindNumber);
    EXPECT_EQ(info["change_counter"], format::kNewChangeCounter);
    EXPECT_EQ(info["open_count"], 0);
    EXPECT_EQ(info["free_slot_balance"], 0);
    EXPECT_EQ(info["slot_count"], 0);
    EXPECT_EQ(info["owner_name"], format::kDefaultOwnerName);
    EXPECT_EQ(info["owner_address"], format::kDefaultOwnerAddress);
    EXPECT_EQ(info["owner_password_set"], false);
    EXPECT_EQ(info["categories"].size(), 15u);
    EXPECT_EQ(info["categories"][0], "Calls");
  }
}

TEST_F(ToolTest, CreateDefaultsToAnAddressBook) {
  Ok({"create", book});
  EXPECT_EQ(Info(book)["prologue_record_size"], format::InfoOf(FileKind::Address).recordSize);
}

TEST_F(ToolTest, CreateTakesTheExchangeServerFromTheSuiteSettings) {
  std::ofstream(dir.File("Velmora.ini")) << "[eServer]\nserver=mail.example.org\nport=8025\n";
  Ok({"create", book});
  json info = Info(book);
  EXPECT_EQ(info["exchange_server"], "mail.example.org");
  EXPECT_EQ(info["exchange_port"], "8025");
}

TEST_F(ToolTest, CreateWithExamplesAddsThreeClosedRecords) {
  Ok({"create", "--examples", book});
  json info = Info(book);
  EXPECT_EQ(info["slot_count"], 3);
  EXPECT_EQ(info["open_count"], 0);
  EXPECT_EQ(info["change_counter"], format::kNewChangeCounter + 3);
  EXPECT_EQ(fs::file_size(book), format::kFirstSlotOffset + 3 * format::InfoOf(FileKind::Address).recordSize);
}

TEST_F(ToolTest, CreateRefusesAnExistingFileAndLeavesItAlone) {
  Ok({"create", "--examples", book});
  const std::string before = ReadWholeFile(book);
  ToolRun again = Run({"create", book});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_EQ(again.err, OneLineOf(LoadText(Program::Cardora, 113)) + "\n");
  EXPECT_EQ(ReadWholeFile(book), before);
}

TEST_F(ToolTest, CreateWithExamplesGivesACalendarTheThreeExampleEventsOnToday) {
  const std::string calendar = dir.File("x.cld");
  Ok({"create", "--kind", "calendar", "--examples", calendar});
  json info = Info(calendar);
  EXPECT_EQ(info["slot_count"], 3);
  EXPECT_EQ(info["open_count"], 0);
  const DateValue today = Today();
  char iso[16];
  std::snprintf(iso, sizeof iso, "%04u-%02u-%02u", today.year, today.month, today.day);
  const ToolRun listed = Ok({"list", calendar});
  size_t lines = 0;
  for (size_t at = 0; (at = listed.out.find('\n', at)) != std::string::npos; ++at) ++lines;
  EXPECT_EQ(lines, 3u);
  for (const std::string& expected : {std::string("\"All_Day\":1"), std::string("\"category\":\"Calls\""),
                                      "\"Date\":\"" + std::string(iso) + "\""}) {
    EXPECT_NE(listed.out.find(expected), std::string::npos) << expected << "\n" << listed.out;
  }
}

TEST_F(ToolTest, CreateRefusesExamplesForOtherKindsAndMakesNoFile) {
  for (const char* kind : {"history", "partners", "outbox"}) {
    SCOPED_TRACE(kind);
    const std::string path = dir.File(std::string("x.") + kind);
    ToolRun run = Run({"create", "--kind", kind, "--examples", path});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("address"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(path));
  }
}

TEST_F(ToolTest, CommandLineMistakesExitOneWithUsage) {
  struct Case {
    std::vector<std::string> args;
    const char* inMessage;
  };
  const Case cases[] = {
      {{}, "Usage: velmora COMMAND"},
      {{"frobnicate", "x"}, "Unknown command \"frobnicate\""},
      {{"list"}, "missing argument. Usage: velmora list FILE"},
      {{"info", "a", "b"}, "too many arguments. Usage: velmora info FILE"},
      {{"create", "--kind"}, "option --kind needs a value"},
      {{"create", "--kind", "diary", "x"}, "Unknown kind \"diary\""},
      {{"list", "--verbose", "x"}, "unknown option --verbose"},
      {{"check", "-v", "x"}, "unknown option -v"},
      {{"list", "--password", "a", "--password", "b", "x"}, "given twice"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.inMessage);
    ToolRun run = Run(c.args);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(c.inMessage), std::string::npos) << run.err;
  }
}

TEST_F(ToolTest, HelpGoesToStandardOutput) {
  ToolRun all = Run({"--help"});
  EXPECT_EQ(all.exitCode, 0);
  for (const char* command : {"create", "info", "list", "add", "check", "compact"}) {
    EXPECT_NE(all.out.find(std::string("velmora ") + command), std::string::npos) << command;
  }
  ToolRun one = Run({"add", "--help"});
  EXPECT_EQ(one.exitCode, 0);
  EXPECT_EQ(one.out.rfind("Usage: velmora add FILE", 0), 0u) << one.out;
}

TEST_F(ToolTest, MissingOrForeignFilesAreReportedOnOneLine) {
  const std::string missing = dir.File("missing.adr");
  const std::string foreign = dir.File("notes.txt");
  std::ofstream(foreign) << "just some text\n";
  for (const std::string& path : {missing, foreign}) {
    for (const char* command : {"info", "list", "check", "compact", "add"}) {
      SCOPED_TRACE(std::string(command) + " " + path);
      ToolRun run = Run({command, path});
      EXPECT_EQ(run.exitCode, 1);
      EXPECT_EQ(run.out, "");
      ASSERT_FALSE(run.err.empty());
      EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
      EXPECT_NE(run.err.find(path), std::string::npos) << run.err;
    }
  }
  EXPECT_EQ(ReadWholeFile(foreign), "just some text\n");
}

TEST_F(ToolTest, CompactOfAFileInUseIsDeniedAndChangesNothing) {
  Ok({"create", "--examples", book});
  {
    RecordStore store(book, "");
    ASSERT_TRUE(store.DeleteRecord(SlotPosition(store.recordSize(), 1)).ok());
  }
  const std::string before = ReadWholeFile(book);
  RecordStore holder(book, "");
  ASSERT_FALSE(holder.OpenFailed());
  const std::string whileOpen = ReadWholeFile(book);

  ToolRun run = Run({"compact", book});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "Program can't use \"" + book + "\". Access has been denied\n");
  EXPECT_EQ(ReadWholeFile(book), whileOpen);
  ASSERT_TRUE(holder.Close().ok());
  EXPECT_EQ(ReadWholeFile(book), before);
}

TEST_F(ToolTest, CompactDropsFreeSlotsAndClearsCrashMarks) {
  Ok({"create", "--examples", book});
  const uint32_t size = format::InfoOf(FileKind::Address).recordSize;
  std::vector<json> before = List(book);
  ASSERT_EQ(before.size(), 3u);
  {
    RecordStore store(book, "");
    ASSERT_TRUE(store.DeleteRecord(SlotPosition(size, 1)).ok());
  }
  // A crash left the file open and a record locked.
  PatchI32(book, HeaderFieldOffset(h::kOpenCount), 2);
  Patch(book, SlotPosition(size, 2) + format::record::kEditLock, {1});
  ASSERT_EQ(Info(book)["free_slot_balance"], -1);

  ToolRun run = Ok({"compact", book});
  EXPECT_EQ(run.out, "");
  json info = Info(book);
  EXPECT_EQ(info["slot_count"], 2);
  EXPECT_EQ(info["free_slot_balance"], 0);
  EXPECT_EQ(info["open_count"], 0);
  EXPECT_EQ(fs::file_size(book), format::kFirstSlotOffset + 2 * size);

  std::vector<json> after = List(book);
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0]["id"], before[0]["id"]);
  EXPECT_EQ(after[1]["id"], before[2]["id"]);
  EXPECT_EQ(after[1]["position"], SlotPosition(size, 1));
  EXPECT_EQ(after[1]["locked"], false);
  EXPECT_EQ(Ok({"check", book}).out, "ok\n");
}

}  // namespace
}  // namespace velmora::testing

namespace velmora::testing {
namespace {

// Compaction of things that are no record file, or a damaged one: one line
// that says what is wrong, and nothing changed.
TEST_F(ToolTest, CompactSaysWhatIsWrong) {
  Ok({"create", "--examples", book});
  const std::string folder = dir.File("folder.adr");
  const std::string fifo = dir.File("pipe.adr");
  const std::string loop = dir.File("loop.adr");
  const std::string shortFile = dir.File("short.adr");
  fs::create_directory(folder);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_symlink("loop.adr", loop);
  ASSERT_TRUE(WriteWholeFile(shortFile, ReadWholeFile(book).substr(0, 2000)));
  struct Case {
    std::string path;
    std::string says;
  };
  const Case cases[] = {
      {folder, "Not a record file: this is a folder: \"" + folder + "\""},
      {fifo, "Not a record file: this is a pipe (FIFO): \"" + fifo + "\""},
      {loop, "Cannot open \"" + loop + "\": Too many levels of symbolic links"},
      {shortFile, "The record file is damaged (length: 2000 bytes, shorter than the 2625 bytes of its prologue, "
                  "header and category block); nothing was changed in \"" + shortFile + "\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    ToolRun run = Run({"compact", c.path});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, c.says + "\n");
  }
  EXPECT_EQ(ReadWholeFile(shortFile), ReadWholeFile(book).substr(0, 2000));
}

TEST_F(ToolTest, DamagedFilesAreRefusedByCompactAndAddAsCheckReportsThem) {
  Ok({"create", "--examples", book});
  const uint32_t size = format::InfoOf(FileKind::Address).recordSize;
  struct Case {
    const char* what;
    uint64_t offset;
    Bytes bytes;
    bool addReachesTheStore;  // else add refuses the kind before it opens the file
  };
  const Case cases[] = {
      {"header size off by one", 0, {0x2e, 0x06}, true},
      {"record size of a history file", format::kPrologueRecordSize, {0x4c, 0x04, 0, 0}, false},
      {"record size of a calendar", format::kPrologueRecordSize, {0x43, 0x0a, 0, 0}, false},
      {"in-use byte neither 0 nor 1", SlotPosition(size, 1) + format::record::kInUse, {2}, true},
  };
  const std::string pristine = ReadWholeFile(book);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(WriteWholeFile(book, pristine));
    Patch(book, c.offset, c.bytes);
    const std::string damaged = ReadWholeFile(book);

    ToolRun check = Run({"check", book});
    EXPECT_EQ(check.exitCode, 1);
    const std::string finding = check.err.substr(0, check.err.find('\n'));
    const std::string refusal = "The record file is damaged (" + finding + "); nothing was changed in \"" + book +
                                "\"\n";
    ToolRun compact = Run({"compact", book});
    EXPECT_EQ(compact.exitCode, 1);
    EXPECT_EQ(compact.err, refusal);
    ToolRun add = Run({"add", book}, "{\"First_Name\": \"x\"}\n");
    EXPECT_EQ(add.exitCode, 1);
    if (c.addReachesTheStore) {
      EXPECT_NE(add.err.find(refusal.substr(0, refusal.size() - 1)), std::string::npos) << add.err;
    }
    EXPECT_EQ(ReadWholeFile(book), damaged);
  }
}

TEST_F(ToolTest, CompactSaysItDroppedACutShortLastSlot) {
  Ok({"create", "--examples", book});
  Append(book, 100);
  ToolRun run = Ok({"compact", book});
  EXPECT_EQ(run.out, "Compacting \"" + fs::canonical(book).string() +
                         "\" dropped 1 slot: the last one held only 100 bytes (an addition that never finished).\n");
  EXPECT_EQ(Info(book)["trailing_bytes"], 0);
  EXPECT_EQ(Info(book)["slot_count"], 3);
}

TEST_F(ToolTest, CompactThroughALinkKeepsTheLinkAndIgnoresPlantedLinks) {
  fs::create_directory(dir.File("s"));
  const std::string real = dir.File("s/b.adr");
  const std::string link = dir.File("l.adr");
  const std::string victim = dir.File("victim.txt");
  Ok({"create", "--examples", real});
  fs::create_symlink("s/b.adr", link);
  ASSERT_TRUE(WriteWholeFile(victim, std::string("keep\n")));
  fs::create_symlink(victim, link + ".temp");
  fs::create_symlink(victim, real + ".temp");

  Ok({"compact", link});
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_FALSE(fs::is_symlink(real));
  EXPECT_EQ(ReadWholeFile(victim), "keep\n");
  Ok({"add", link}, "{\"First_Name\": \"through the link\"}\n");
  EXPECT_EQ(List(real).size(), 4u);
  EXPECT_EQ(List(link).size(), 4u);
}

}  // namespace
}  // namespace velmora::testing
