// velmora update and delete: one contact changed under its edit lock, with
// the window's refusals, and the contact's history deleted with it.
#include "ToolFixture.h"
#include "addressbook/model/ContactHistory.h"
#include "resources/Strings.h"

namespace velmora::testing {
namespace {

using nlohmann::json;

class ToolEditTest : public ToolTest {
 protected:
  void SetUp() override {
    Ok({"create", book});
    Ok({"add", book}, "{\"First_Name\": \"Ann\", \"Last_Name\": \"Lee\", \"Birthday\": \"1975-05-03\"}\n"
                      "{\"First_Name\": \"Bob\", \"confidential\": true}\n");
    std::vector<json> contacts = List(book);
    ASSERT_EQ(contacts.size(), 2u);
    ann_ = contacts[0];
    bob_ = contacts[1];
  }

  std::string Pos(const json& contact) const { return std::to_string(contact["position"].get<uint64_t>()); }
  uint64_t Id(const json& contact) const { return std::stoull(contact["id"].get<std::string>()); }

  void AddHistory(uint64_t id) {
    std::unique_ptr<RecordStore> history;
    ASSERT_TRUE(OpenHistoryFile(book, true, history).ok());
    Bytes entry;
    history->InitRecord(entry, history::kRecordSize);
    PutU64(entry.data() + history::kContactId, id);
    ASSERT_TRUE(history->AddRecord(entry).ok());
  }

  json ann_, bob_;
};

TEST_F(ToolEditTest, UpdateChangesTheGivenKeysAndKeepsTheRest) {
  ToolRun run = Ok({"update", book, Pos(ann_)}, "\n{\"Last_Name\": \"Lee-Smith\", \"category\": \"Friends\"}\n");
  std::vector<json> printed = run.Json();
  ASSERT_EQ(printed.size(), 1u);
  std::vector<json> contacts = List(book);
  ASSERT_EQ(contacts.size(), 2u);
  EXPECT_EQ(printed[0], contacts[0]);
  EXPECT_EQ(contacts[0]["Last_Name"], "Lee-Smith");
  EXPECT_EQ(contacts[0]["category"], "Friends");
  EXPECT_EQ(contacts[0]["First_Name"], "Ann");
  EXPECT_EQ(contacts[0]["Birthday"], "1975-05-03");
  EXPECT_EQ(contacts[0]["id"], ann_["id"]);
  EXPECT_EQ(contacts[0]["locked"], false);
  EXPECT_EQ(contacts[1], bob_);
}

TEST_F(ToolEditTest, BadInputAndPositionsAreRefusedWithoutAChange) {
  struct Case {
    std::vector<std::string> args;
    std::string input;
    std::string message;
  };
  const std::string partners = dir.File("partners.tb1");
  Ok({"create", "--kind", "partners", partners});
  const Case cases[] = {
      {{"update", book, Pos(ann_)}, "", "No record on standard input"},
      {{"update", book, Pos(ann_)}, "{\"First_Name\": \"A\"}\n{\"First_Name\": \"B\"}\n", "line 2: a second record"},
      {{"update", book, Pos(ann_)}, "{\"Gender\": 7}\n", "line 1: "},
      {{"update", book, Pos(ann_)}, "{\"First_Name\": \"" + std::string(40, 'x') + "\"}\n", "First_Name"},
      {{"update", book, "12x"}, "{}\n", "POSITION must be a record position"},
      {{"update", book, std::to_string(ann_["position"].get<uint64_t>() + 1)}, "{}\n", "no record at position"},
      {{"delete", book, "999999999"}, "", "no record at position"},
      {{"delete", partners, "0"}, "", "address books and calendars only"},
      {{"update", partners, "0"}, "{}\n", "address books and calendars only"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[2] + " " + c.input);
    ToolRun run = Run(c.args, c.input);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
  std::vector<json> contacts = List(book);
  ASSERT_EQ(contacts.size(), 2u);
  EXPECT_EQ(contacts[0], ann_);
}

TEST_F(ToolEditTest, DeleteTakesTheContactAndItsHistory) {
  AddHistory(Id(ann_));
  AddHistory(Id(bob_));
  Ok({"delete", book, Pos(ann_)});
  std::vector<json> contacts = List(book);
  ASSERT_EQ(contacts.size(), 1u);
  EXPECT_EQ(contacts[0]["First_Name"], "Bob");
  std::vector<json> history = List(HistoryPath(book));
  ASSERT_EQ(history.size(), 1u);
  EXPECT_EQ(history[0]["locked"], false);
  EXPECT_EQ(history[0]["Contact_Id"], bob_["id"]);  // list shows the entry's body too
  EXPECT_TRUE(history[0].contains("Description"));

  ToolRun again = Run({"delete", book, Pos(ann_)});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_NE(again.err.find("There is no contact at position"), std::string::npos) << again.err;
}

// Another process (this test) holds the contact's edit lock while the tool
// runs: the tool gets the window's message and changes nothing.
TEST_F(ToolEditTest, AContactLockedByAnotherProcessIsLeftAlone) {
  RecordStore other(book, "");
  ASSERT_FALSE(other.OpenFailed());
  const RecordPosition position = ann_["position"].get<uint64_t>();
  ASSERT_TRUE(other.LockRecord(position).ok());
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"update", book, Pos(ann_)}, std::vector<std::string>{"delete", book, Pos(ann_)}}) {
    ToolRun run = Run(args, "{\"First_Name\": \"Changed\"}\n");
    EXPECT_EQ(run.exitCode, 1) << args[0];
    EXPECT_EQ(run.err, OneLineOf(LoadText(Program::Cardora, 106)) + "\n");
  }
  ASSERT_TRUE(other.UnlockRecord(position).ok());
  std::vector<json> contacts = List(book);
  ASSERT_EQ(contacts.size(), 2u);
  EXPECT_EQ(contacts[0], ann_);
}

TEST_F(ToolEditTest, AccessLevelsApplyAsInTheWindow) {
  SetPasswords(book, "owner-pw", "assistant-pw", "reader-pw");
  const std::string reader102 = OneLineOf(LoadText(Program::Cardora, 102)) + "\n";
  EXPECT_EQ(Run({"update", book, Pos(ann_), "--password", "reader-pw"}, "{}\n").err, reader102);
  EXPECT_EQ(Run({"delete", book, Pos(ann_), "--password", "reader-pw"}).err, reader102);
  // The Assistant does not see the confidential contact at all.
  ToolRun hidden = Run({"delete", book, Pos(bob_), "--password", "assistant-pw"});
  EXPECT_EQ(hidden.exitCode, 1);
  EXPECT_NE(hidden.err.find("There is no contact at position"), std::string::npos) << hidden.err;
  ToolRun marked = Run({"update", book, Pos(ann_), "--password", "assistant-pw"}, "{\"confidential\": true}\n");
  EXPECT_EQ(marked.exitCode, 1);
  EXPECT_NE(marked.err.find("only the Owner"), std::string::npos) << marked.err;
  EXPECT_EQ(List(book, "owner-pw").size(), 2u);
  Ok({"update", book, Pos(ann_), "--password", "assistant-pw"}, "{\"Nick_Name\": \"Annie\"}\n");
  EXPECT_EQ(List(book, "owner-pw")[0]["Nick_Name"], "Annie");
}

// Positions are reused: after Ann is deleted and Carl added, Carl lies where
// Ann was. A script that still holds Ann's position and id must not change
// or delete Carl.
TEST_F(ToolEditTest, AnIdThatIsNotTheContactAtThePositionIsRefused) {
  const std::string position = Pos(ann_);
  const std::string annId = std::to_string(Id(ann_));
  Ok({"delete", book, position, "--id", annId});
  Ok({"add", book}, "{\"First_Name\": \"Carl\"}\n");
  std::vector<json> contacts = List(book);
  ASSERT_EQ(contacts.size(), 2u);
  const json carl = contacts[0];
  ASSERT_EQ(carl["First_Name"], "Carl");
  ASSERT_EQ(Pos(carl), position) << "the add was to reuse Ann's slot";
  const std::string carlId = std::to_string(Id(carl));

  const std::string refusal = "The record at position " + position + " is not the contact with id " + annId +
                              " (it holds id " + carlId + "); nothing was changed.\n";
  for (const std::string& command : {std::string("update"), std::string("delete")}) {
    SCOPED_TRACE(command);
    ToolRun run = Run({command, book, position, "--id", annId}, "{\"First_Name\": \"Changed\"}\n");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, refusal);
  }
  contacts = List(book);
  ASSERT_EQ(contacts.size(), 2u);
  EXPECT_EQ(contacts[0], carl) << "Carl is untouched and not locked";

  // The right id is taken.
  ToolRun updated = Ok({"update", book, position, "--id", carlId}, "{\"Nick_Name\": \"C\"}\n");
  EXPECT_EQ(updated.Json().at(0)["Nick_Name"], "C");
  Ok({"delete", book, position, "--id", carlId});
  EXPECT_EQ(List(book).size(), 1u);
}

TEST_F(ToolEditTest, AnIdOptionIsCheckedAndExplained) {
  for (const std::string& command : {std::string("update"), std::string("delete")}) {
    SCOPED_TRACE(command);
    for (const char* bad : {"", "12x", "-1", "99999999999999999999999"}) {
      ToolRun run = Run({command, book, Pos(ann_), "--id", bad}, "{}\n");
      EXPECT_EQ(run.exitCode, 1);
      EXPECT_NE(run.err.find("--id must be a record id"), std::string::npos) << run.err;
    }
    // The usage warns about a position given alone.
    ToolRun help = Ok({command, "--help"});
    EXPECT_NE(help.out.find("[--id ID]"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("whoever it is"), std::string::npos) << help.out;
  }
  EXPECT_EQ(List(book)[0], ann_);
}

// A confidential contact's id is not told to a user who may not see it.
TEST_F(ToolEditTest, AnIdCheckDoesNotRevealAHiddenContact) {
  SetPasswords(book, "owner-pw", "assistant-pw", "reader-pw");
  ToolRun run = Run({"delete", book, Pos(bob_), "--id", "1", "--password", "assistant-pw"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "There is no contact at position " + Pos(bob_) + ".\n");
  EXPECT_EQ(List(book, "owner-pw").size(), 2u);
}

// The history file has no passwords of its own: listing it takes the
// address book's password, and only the Owner sees the entries of a
// confidential contact (Bob).
TEST_F(ToolEditTest, AHistoryIsListedWithTheRightsOfItsBook) {
  AddHistory(Id(ann_));
  AddHistory(Id(bob_));
  AddHistory(Id(bob_));
  SetPasswords(book, "owner-pw", "assistant-pw", "reader-pw");
  const std::string wrong = OneLineOf(LoadText(Program::Cardora, 103)) + "\n";
  struct Case {
    std::string password;
    std::vector<std::string> contacts;  // Contact_Id of each entry listed; none: refused
  };
  const std::string ann = ann_["id"].get<std::string>(), bob = bob_["id"].get<std::string>();
  const Case cases[] = {
      {"", {}},
      {"nobody", {}},
      {"reader-pw", {ann}},
      {"assistant-pw", {ann}},
      {"owner-pw", {ann, bob, bob}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.password);
    std::vector<std::string> args{"list", HistoryPath(book)};
    if (!c.password.empty()) args.insert(args.end(), {"--password", c.password});
    ToolRun run = Run(args);
    if (c.contacts.empty()) {
      EXPECT_EQ(run.exitCode, 1);
      EXPECT_EQ(run.out, "");
      EXPECT_EQ(run.err, wrong);
      continue;
    }
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> listed;
    for (const json& entry : run.Json()) listed.push_back(entry["Contact_Id"].get<std::string>());
    EXPECT_EQ(listed, c.contacts);
  }
}

}  // namespace
}  // namespace velmora::testing
