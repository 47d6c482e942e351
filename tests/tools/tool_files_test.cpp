// velmora create, info, compact and the command line itself.
#include <filesystem>

#include "ToolFixture.h"
#include "resources/Strings.h"

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

TEST_F(ToolTest, CreateRefusesExamplesForOtherKindsAndMakesNoFile) {
  for (const char* kind : {"calendar", "history", "partners", "outbox"}) {
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
