// velmora update and delete on a calendar: one event changed or deleted
// under its edit lock, with the same --id check and refusals as on an
// address book.
#include "ToolFixture.h"
#include "addressbook/model/ContactHistory.h"
#include "resources/Strings.h"

namespace velmora::testing {
namespace {

using nlohmann::json;

class ToolCalendarEditTest : public ToolTest {
 protected:
  void SetUp() override {
    Ok({"create", "--kind", "calendar", calendar});
    Ok({"add", calendar},
       "{\"Date\": \"2010-03-04\", \"Start_Time\": \"09:00\", \"End_Time\": \"10:00\", \"Subject\": \"Dentist\", "
       "\"Notes\": \"Bring the card\", \"category\": \"Health\"}\n"
       "{\"Date\": \"2010-03-05\", \"All_Day\": 1, \"Subject\": \"Holiday\"}\n");
    std::vector<json> events = List(calendar);
    ASSERT_EQ(events.size(), 2u);
    dentist_ = events[0];
    holiday_ = events[1];
  }

  static std::string Pos(const json& event) { return std::to_string(event["position"].get<uint64_t>()); }
  static std::string Id(const json& event) { return event["id"].get<std::string>(); }

  std::string calendar = dir.File("days.cld");
  json dentist_, holiday_;
};

TEST_F(ToolCalendarEditTest, UpdateChangesTheGivenFieldsAndKeepsTheRest) {
  ToolRun run = Ok({"update", calendar, Pos(dentist_), "--id", Id(dentist_)},
                   "{\"Subject\": \"Doctor\", \"End_Time\": \"11:30\", \"Date\": \"2010-03-06\"}\n");
  std::vector<json> events = List(calendar);
  ASSERT_EQ(events.size(), 2u);
  ASSERT_EQ(run.Json().size(), 1u);
  EXPECT_EQ(run.Json()[0], events[0]);
  EXPECT_EQ(events[0]["Subject"], "Doctor");
  EXPECT_EQ(events[0]["End_Time"], "11:30");
  EXPECT_EQ(events[0]["Date"], "2010-03-06");
  // What the line left out keeps its stored value, the id too.
  EXPECT_EQ(events[0]["Start_Time"], "09:00");
  EXPECT_EQ(events[0]["Notes"], "Bring the card");
  EXPECT_EQ(events[0]["category"], "Health");
  EXPECT_EQ(events[0]["Alarm_Date"], dentist_["Alarm_Date"]);
  EXPECT_EQ(events[0]["id"], dentist_["id"]);
  EXPECT_EQ(events[0]["locked"], false);
  EXPECT_EQ(events[1], holiday_);
}

TEST_F(ToolCalendarEditTest, DeleteTakesOnlyThatEvent) {
  Ok({"delete", calendar, Pos(holiday_), "--id", Id(holiday_)});
  std::vector<json> events = List(calendar);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0], dentist_);
  ToolRun again = Run({"delete", calendar, Pos(holiday_)});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_NE(again.err.find("There is no event at position"), std::string::npos) << again.err;
}

TEST_F(ToolCalendarEditTest, RefusalsChangeNothing) {
  struct Case {
    std::vector<std::string> args;
    std::string input;
    std::string message;
  };
  const Case cases[] = {
      {{"update", calendar, Pos(dentist_), "--id", Id(holiday_)}, "{\"Subject\": \"X\"}\n",
       "is not the event with id " + Id(holiday_)},
      {{"delete", calendar, Pos(dentist_), "--id", Id(holiday_)}, "", "is not the event with id " + Id(holiday_)},
      {{"update", calendar, Pos(dentist_)}, "{\"End_Time\": \"08:00\"}\n", "line 1: key \"End_Time\""},
      {{"update", calendar, Pos(dentist_)}, "{\"Date\": \"2010-02-30\"}\n", "line 1: key \"Date\""},
      {{"update", calendar, Pos(dentist_)}, "{\"All_Day\": 2}\n", "All_Day"},
      {{"update", calendar, Pos(dentist_)}, "{\"First_Name\": \"Ann\"}\n", "First_Name"},
      {{"update", calendar, Pos(dentist_)}, "{\"Subject\": \"" + std::string(200, 's') + "\"}\n", "Subject"},
      {{"delete", calendar, "1"}, "", "no record at position"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.input);
    ToolRun run = Run(c.args, c.input);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
  std::vector<json> events = List(calendar);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0], dentist_);
  EXPECT_EQ(events[1], holiday_);
}

// Another process (this test) holds the event's edit lock while the tool
// runs: the tool gets the window's message 106 and changes nothing.
TEST_F(ToolCalendarEditTest, AnEventLockedByAnotherProcessIsLeftAlone) {
  RecordStore other(calendar, "");
  ASSERT_FALSE(other.OpenFailed());
  const RecordPosition position = dentist_["position"].get<uint64_t>();
  ASSERT_TRUE(other.LockRecord(position).ok());
  for (const std::vector<std::string>& args : {std::vector<std::string>{"update", calendar, Pos(dentist_)},
                                               std::vector<std::string>{"delete", calendar, Pos(dentist_)}}) {
    ToolRun run = Run(args, "{\"Subject\": \"Changed\"}\n");
    EXPECT_EQ(run.exitCode, 1) << args[0];
    EXPECT_EQ(run.err, OneLineOf(LoadText(Program::Almanor, 106)) + "\n");
  }
  ASSERT_TRUE(other.UnlockRecord(position).ok());
  std::vector<json> events = List(calendar);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0], dentist_);
}

TEST_F(ToolCalendarEditTest, AReaderIsRefusedWithMessage102) {
  SetPasswords(calendar, "owner-pw", "assistant-pw", "reader-pw");
  const std::string reader102 = OneLineOf(LoadText(Program::Almanor, 102)) + "\n";
  EXPECT_EQ(Run({"update", calendar, Pos(dentist_), "--password", "reader-pw"}, "{\"Subject\": \"X\"}\n").err,
            reader102);
  EXPECT_EQ(Run({"delete", calendar, Pos(dentist_), "--password", "reader-pw"}).err, reader102);
  EXPECT_EQ(List(calendar, "owner-pw").size(), 2u);
  EXPECT_EQ(List(calendar, "owner-pw")[0]["Subject"], "Dentist");
  // The Assistant may change the event.
  Ok({"update", calendar, Pos(dentist_), "--password", "assistant-pw"}, "{\"Subject\": \"Dentist, later\"}\n");
  EXPECT_EQ(List(calendar, "owner-pw")[0]["Subject"], "Dentist, later");
}

// A calendar keeps no history: deleting an event leaves a file that happens
// to lie where an address book's history would be as it was, even an entry
// that carries the event's id.
TEST_F(ToolCalendarEditTest, DeleteLeavesAFileNamedLikeAHistoryAlone) {
  const std::string beside = HistoryPath(calendar);
  {
    std::unique_ptr<RecordStore> history;
    ASSERT_TRUE(OpenHistoryFile(calendar, true, history).ok());
    Bytes entry;
    history->InitRecord(entry, history::kRecordSize);
    PutU64(entry.data() + history::kContactId, std::stoull(Id(dentist_)));
    ASSERT_TRUE(history->AddRecord(entry).ok());
    ASSERT_TRUE(history->Flush().ok());
  }
  ASSERT_EQ(List(beside).size(), 1u);
  const std::string before = ReadWholeFile(beside);
  Ok({"delete", calendar, Pos(dentist_)});
  EXPECT_EQ(List(calendar).size(), 1u);
  EXPECT_EQ(List(beside).size(), 1u);
  EXPECT_EQ(ReadWholeFile(beside), before);
}

}  // namespace
}  // namespace velmora::testing
