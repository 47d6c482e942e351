// velmora list and add on address books: the JSON form of a contact, the
// validation of input lines and the access levels.
#include "ToolFixture.h"
#include "addressbook/model/ContactRecord.h"
#include "resources/Strings.h"

namespace velmora::testing {
namespace {

using format::FileKind;
using nlohmann::json;

constexpr const char* kHeaderKeys[] = {"position",       "id",           "confidential",   "category",
                                       "locked",         "created_date", "created_time",   "creator_name",
                                       "creator_address", "exchange_subject", "exchange_state",
                                       "exchange_flag",  "exchange_mark"};

// Keys that describe where and when a record was stored, not what it holds.
bool DescribesStorage(const std::string& key) {
  return key == "position" || key == "id" || key == "created_date" || key == "created_time";
}

class ToolRecordsTest : public ToolTest {
 protected:
  void SetUp() override { Ok({"create", book}); }

  ToolRun Add(const std::string& lines, const std::string& password = "") {
    std::vector<std::string> args{"add", book};
    if (!password.empty()) args.insert(args.end(), {"--password", password});
    return Run(args, lines);
  }
};

TEST_F(ToolRecordsTest, ExamplesListAsThreeContactsWithTheirFields) {
  const std::string examples = dir.File("examples.adr");
  Ok({"create", "--examples", examples});
  std::vector<json> contacts = List(examples);
  ASSERT_EQ(contacts.size(), 3u);
  const uint32_t size = format::InfoOf(FileKind::Address).recordSize;
  for (size_t i = 0; i < contacts.size(); ++i) {
    SCOPED_TRACE(i);
    const json& c = contacts[i];
    EXPECT_EQ(c["position"], SlotPosition(size, i));
    EXPECT_EQ(c["confidential"], false);
    EXPECT_EQ(c["category"], "");
    EXPECT_EQ(c["locked"], false);
    EXPECT_EQ(c["exchange_mark"], 1);
    EXPECT_EQ(c["creator_name"], format::kDefaultOwnerName);
    EXPECT_TRUE(c["created_date"].is_string());
    EXPECT_EQ(c["created_time"].get<std::string>().size(), 5u);
    // The id is a decimal string of a 64-bit number.
    const std::string id = c["id"];
    EXPECT_FALSE(id.empty());
    EXPECT_EQ(id.find_first_not_of("0123456789"), std::string::npos);
    for (const char* text : {"First_Name", "Last_Name", "Home_City", "Work_Email", "Spouse_Name", "Chield1"}) {
      EXPECT_FALSE(c[text].get<std::string>().empty()) << text;
    }
    EXPECT_EQ(c["Department"], "Department");
    EXPECT_EQ(c["Office"], "Office");
    EXPECT_EQ(c["Gender"], 1);
    EXPECT_EQ(c["Birthday"], nullptr);
    EXPECT_EQ(c["Anniversary"], nullptr);
    for (int k = 1; k <= 5; ++k) EXPECT_EQ(c["Custom" + std::to_string(k) + "_ID"], k);
    EXPECT_EQ(c["Notes"], "");
    EXPECT_EQ(c["Attachment"], "");
    EXPECT_EQ(c["No_Mail_Merge"], 0);
    const std::string picture = c["Picture"];
    EXPECT_EQ(i == 0, picture.size() > 4 && picture.substr(picture.size() - 4) == ".jpg") << picture;
  }
  EXPECT_NE(contacts[0]["id"], contacts[1]["id"]);
}

TEST_F(ToolRecordsTest, ListPrintsTheHeaderKeysThenTheBodyKeysInRecordOrder) {
  ASSERT_EQ(Add("{}\n").out, "1\n");
  std::vector<std::string> lines = Ok({"list", book}).Lines();
  ASSERT_EQ(lines.size(), 1u);
  std::vector<std::string> keys;
  const nlohmann::ordered_json contact = nlohmann::ordered_json::parse(lines[0]);
  for (auto& [key, value] : contact.items()) keys.push_back(key);
  // 42 internal names, gender, two dates, five types, picture, attachment
  // kind and text, and the mail-merge flag.
  ASSERT_EQ(keys.size(), std::size(kHeaderKeys) + 42 + 12);
  EXPECT_TRUE(std::equal(std::begin(kHeaderKeys), std::end(kHeaderKeys), keys.begin()));
  std::vector<std::string> body(keys.begin() + std::size(kHeaderKeys), keys.end());
  const std::vector<std::string> inRecordOrder{
      "Attachment_Kind", "Attachment", "First_Name", "Middle_Name", "Last_Name", "Nick_Name", "Title", "Suffix",
      "Picture", "Home_Street_Address", "Home_City", "Home_State_Province", "Home_Zip_Postal_Code",
      "Home_Country", "Home_Phone", "Home_Fax", "Home_Mobile", "Home_Web", "Home_Email", "Company", "Job_Title",
      "Department", "Office", "Work_Street_Address", "Work_City", "Work_State_Province", "Work_Zip_Postal_Code",
      "Work_Country", "Work_Phone", "Work_Fax", "Work_Mobile", "Work_Web", "Work_Email", "Spouse_Name",
      "Chield1", "Chield2", "Chield3", "Chield4", "Chield5", "Gender", "Birthday", "Anniversary", "Custom1",
      "Custom1_ID", "Custom2", "Custom2_ID", "Custom3", "Custom3_ID", "Custom4", "Custom4_ID", "Custom5",
      "Custom5_ID", "Notes", "No_Mail_Merge"};
  EXPECT_EQ(body, inRecordOrder);
}

TEST_F(ToolRecordsTest, AddThenListRoundTripsEveryKindOfField) {
  const std::string fullTitle = "Prof. Emeritus";                // 14 bytes: a 15-byte field is full
  const std::string fullName = std::string(27, 'a') + "\xC3\xA9";  // é ends at byte 29
  json input = {{"First_Name", "Zo\xC3\xAB"},
                {"Last_Name", "\xE5\xB1\xB1\xE7\x94\xB0"},
                {"Middle_Name", fullName},
                {"Title", fullTitle},
                {"Notes", "line one\r\nline two"},
                {"Gender", 2},
                {"Custom2", "555-0102"},
                {"Custom2_ID", 0},
                {"Custom3_ID", 17},
                {"Birthday", "2004-02-29"},
                {"Anniversary", nullptr},
                {"category", "Calls"},
                {"confidential", true},
                {"Attachment_Kind", 2},
                {"Attachment", "https://example.org"},
                {"No_Mail_Merge", 1}};
  ToolRun added = Add(input.dump() + "\n");
  ASSERT_EQ(added.exitCode, 0) << added.err;
  EXPECT_EQ(added.out, "1\n");

  std::vector<json> contacts = List(book);
  ASSERT_EQ(contacts.size(), 1u);
  const json& c = contacts[0];
  EXPECT_EQ(c["First_Name"], "Zo\xC3\xAB");
  EXPECT_EQ(c["Last_Name"], "\xE5\xB1\xB1\xE7\x94\xB0");
  EXPECT_EQ(c["Middle_Name"], fullName);
  EXPECT_EQ(c["Title"], fullTitle);
  EXPECT_EQ(c["Notes"], "line one\r\nline two");
  EXPECT_EQ(c["Gender"], 2);
  EXPECT_EQ(c["Custom2"], "555-0102");
  EXPECT_EQ(c["Custom2_ID"], 0);
  EXPECT_EQ(c["Custom3_ID"], 17);
  EXPECT_EQ(c["Birthday"], "2004-02-29");
  EXPECT_EQ(c["Anniversary"], nullptr);
  EXPECT_EQ(c["category"], "Calls");
  EXPECT_EQ(c["confidential"], true);
  EXPECT_EQ(c["Attachment_Kind"], 2);
  EXPECT_EQ(c["Attachment"], "https://example.org");
  EXPECT_EQ(c["No_Mail_Merge"], 1);
  EXPECT_EQ(c["exchange_mark"], 1);
  EXPECT_EQ(Info(book)["open_count"], 0);
}

// Values the record would have to cut, bend or drop are refused: the
// message names the line, the key, the problem and the limit.
TEST_F(ToolRecordsTest, ValuesThatCannotBeStoredAsGivenAreRefused) {
  struct Case {
    json line;
    std::string message;
  };
  const Case cases[] = {
      {{{"Title", "Professor Emeritus"}},
       "line 2: key \"Title\": expected a text of at most 14 bytes (UTF-8), not 18 bytes"},
      {{{"Middle_Name", std::string(28, 'a') + "\xC3\xA9"}},
       "line 2: key \"Middle_Name\": expected a text of at most 29 bytes (UTF-8), not 30 bytes"},
      {{{"First_Name", std::string(100, 'x')}},
       "line 2: key \"First_Name\": expected a text of at most 29 bytes (UTF-8), not 100 bytes"},
      {{{"Notes", std::string(5000, 'n')}},
       "line 2: key \"Notes\": expected a text of at most 1023 bytes (UTF-8), not 5000 bytes"},
      {{{"category", std::string(30, 'c')}},
       "line 2: key \"category\": expected a text of at most 29 bytes (UTF-8), not 30 bytes"},
      {{{"First_Name", std::string("ab\0cd", 5)}},
       "line 2: key \"First_Name\": expected a text without NUL characters (\\u0000), found one at byte 3"},
      {{{"Birthday", "2004-02-30"}},
       "line 2: key \"Birthday\": expected a valid date from 1800-01-01 to 2199-12-31, not \"2004-02-30\""},
      {{{"Birthday", "1799-12-31"}},
       "line 2: key \"Birthday\": expected a valid date from 1800-01-01 to 2199-12-31, not \"1799-12-31\""},
      {{{"Anniversary", "2200-01-01"}},
       "line 2: key \"Anniversary\": expected a valid date from 1800-01-01 to 2199-12-31, not \"2200-01-01\""},
      {{{"Anniversary", "2001-02-29"}},
       "line 2: key \"Anniversary\": expected a valid date from 1800-01-01 to 2199-12-31, not \"2001-02-29\""},
      {{{"Birthday", "0000-00-00"}},
       "line 2: key \"Birthday\": expected a valid date from 1800-01-01 to 2199-12-31, not \"0000-00-00\""},
      {{{"Gender", -5}}, "line 2: key \"Gender\": expected 0 (unspecified), 1 (female) or 2 (male), not -5"},
      {{{"Gender", 7}}, "line 2: key \"Gender\": expected 0 (unspecified), 1 (female) or 2 (male), not 7"},
      {{{"Custom2_ID", -3}}, "line 2: key \"Custom2_ID\": expected 0 (no type) to 17, not -3"},
      {{{"Custom5_ID", 18}}, "line 2: key \"Custom5_ID\": expected 0 (no type) to 17, not 18"},
      {{{"No_Mail_Merge", 5}}, "line 2: key \"No_Mail_Merge\": expected 0 or 1, not 5"},
      {{{"Attachment_Kind", 9}},
       "line 2: key \"Attachment_Kind\": expected 0 (none), 1 (document) or 2 (URL), not 9"},
      {{{"Confidential", true}}, "line 2: unknown key \"Confidential\" (the key is \"confidential\")"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    ToolRun run = Add("{\"First_Name\": \"fine\"}\n" + c.line.dump() + "\n");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, c.message + "\n");
  }
  json info = Info(book);
  EXPECT_EQ(info["slot_count"], 0);
  EXPECT_EQ(info["open_count"], 0);
}

TEST_F(ToolRecordsTest, ListOutputFedToAddCopiesTheContacts) {
  const std::string examples = dir.File("examples.adr");
  Ok({"create", "--examples", examples});
  ToolRun listed = Ok({"list", examples});
  ToolRun added = Add(listed.out);
  ASSERT_EQ(added.exitCode, 0) << added.err;
  EXPECT_EQ(added.out, "3\n");

  std::vector<json> original = listed.Json();
  std::vector<json> copy = List(book);
  ASSERT_EQ(copy.size(), original.size());
  for (size_t i = 0; i < copy.size(); ++i) {
    EXPECT_NE(copy[i]["id"], original[i]["id"]);  // a new record, not a clone
    for (auto& [key, value] : original[i].items()) {
      if (!DescribesStorage(key)) {
        EXPECT_EQ(copy[i][key], value) << key;
      }
    }
  }
}

TEST_F(ToolRecordsTest, AddFailsWhenTheCountCannotBeWritten) {
  ToolRun added = RunTool(dir.path(), {"add", book}, "{\"First_Name\": \"Ada\"}\n", "/dev/full");
  EXPECT_EQ(added.exitCode, 1);
  EXPECT_NE(added.err.find("Cannot write the standard output"), std::string::npos) << added.err;
  EXPECT_EQ(List(book).size(), 1u) << "the records themselves are in";
}

TEST_F(ToolRecordsTest, LowerCaseHeaderKeysAndBlankLinesAreAccepted) {
  ToolRun added = Add("{\"category\": \"Ideas\", \"confidential\": false}\n\n  \r\n{\"First_Name\": null}\r\n");
  ASSERT_EQ(added.exitCode, 0) << added.err;
  EXPECT_EQ(added.out, "2\n");
  std::vector<json> contacts = List(book);
  ASSERT_EQ(contacts.size(), 2u);
  EXPECT_EQ(contacts[0]["category"], "Ideas");
  EXPECT_EQ(contacts[1]["First_Name"], "");
}

TEST_F(ToolRecordsTest, AnyBadLineRefusesTheWholeInput) {
  const std::string good = "{\"First_Name\": \"Ada\"}\n";
  struct Case {
    std::string input;
    std::string message;
  };
  const Case cases[] = {
      {"not json\n", "line 1: not a JSON object"},
      {good + "[1, 2]\n", "line 2: not a JSON object"},
      {good + "\"text\"\n", "line 2: not a JSON object"},
      {good + good + "{\"First_Name\": \"x\"\n", "line 3: not a JSON object"},
      {good + "{\"Bogus\": 1}\n", "line 2: unknown key \"Bogus\""},
      {"{\"first_name\": \"Ada\"}\n", "line 1: unknown key \"first_name\""},
      {"{\"Gender\": \"male\"}\n", "line 1: key \"Gender\": expected a whole number"},
      {"{\"Gender\": 1.5}\n", "line 1: key \"Gender\": expected a whole number"},
      {"{\"Gender\": 4294967296}\n", "line 1: key \"Gender\": expected a whole number"},
      {"{\"Attachment_Kind\": 256}\n", "line 1: key \"Attachment_Kind\": expected a whole number from 0 to 255"},
      {"{\"First_Name\": 5}\n", "line 1: key \"First_Name\": expected a text"},
      {"{\"Birthday\": \"3 May 2004\"}\n", "line 1: key \"Birthday\": expected a date"},
      {"{\"Birthday\": \"2004-05\"}\n", "line 1: key \"Birthday\": expected a date"},
      {"{\"confidential\": \"yes\"}\n", "line 1: key \"confidential\": expected true or false"},
      {"{\"category\": \"A\", \"category\": \"B\"}\n", "line 1: key \"category\" given twice"},
      {"{\"Category\": \"A\"}\n", "line 1: unknown key \"Category\" (the key is \"category\")"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    ToolRun run = Add(c.input);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind(c.message, 0), 0u) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
  }
  json info = Info(book);
  EXPECT_EQ(info["slot_count"], 0);
  EXPECT_EQ(info["change_counter"], format::kNewChangeCounter);
  EXPECT_EQ(info["open_count"], 0);
}

TEST_F(ToolRecordsTest, InvalidStoredDatesAreWrittenFromTheirNumbers) {
  ASSERT_EQ(Add("{\"First_Name\": \"Ada\"}\n").exitCode, 0);
  const uint64_t birthday = SlotPosition(contact::kRecordSize, 0) + contact::kBirthday;
  Bytes date(12);
  PutDate(date.data(), DateValue{31, 2, 2005});
  Patch(book, birthday, date);
  EXPECT_EQ(List(book)[0]["Birthday"], "2005-02-31");
}

class ToolAccessTest : public ToolRecordsTest {
 protected:
  void SetUp() override {
    ToolRecordsTest::SetUp();
    ASSERT_EQ(Add("{\"First_Name\": \"Open\"}\n{\"First_Name\": \"Secret\", \"confidential\": true}\n").out, "2\n");
    SetPasswords(book, "owner-pw", "assistant-pw", "reader-pw");
  }
  std::vector<std::string> Names(const std::string& password) {
    std::vector<std::string> names;
    for (const json& c : List(book, password)) names.push_back(c["First_Name"]);
    return names;
  }
};

TEST_F(ToolAccessTest, ConfidentialRecordsAreListedForTheOwnerOnly) {
  using Names_ = std::vector<std::string>;
  EXPECT_EQ(Names("owner-pw"), (Names_{"Open", "Secret"}));
  EXPECT_EQ(Names("assistant-pw"), (Names_{"Open"}));
  EXPECT_EQ(Names("reader-pw"), (Names_{"Open"}));
}

TEST_F(ToolAccessTest, APasswordWithoutAccessGetsMessage103) {
  for (const std::string& password : {std::string("wrong"), std::string(""), std::string("OWNER-PW")}) {
    SCOPED_TRACE(password);
    ToolRun run = Run({"list", book, "--password", password});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, LoadText(Program::Cardora, 103) + "\n");
    EXPECT_EQ(Add("{}\n", password).err, LoadText(Program::Cardora, 103) + "\n");
  }
  EXPECT_EQ(Info(book)["open_count"], 0);
}

TEST_F(ToolAccessTest, AReaderCannotAddAndGetsMessage102) {
  ToolRun run = Add("{\"First_Name\": \"New\"}\n", "reader-pw");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, LoadText(Program::Cardora, 102) + "\n");
  EXPECT_EQ(Info(book)["slot_count"], 2);
}

TEST_F(ToolAccessTest, AnAssistantAddsButMayNotMarkConfidential) {
  ToolRun refused = Add("{\"First_Name\": \"New\", \"confidential\": true}\n", "assistant-pw");
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("only the Owner"), std::string::npos) << refused.err;
  EXPECT_EQ(Info(book)["slot_count"], 2);

  ToolRun added = Add("{\"First_Name\": \"New\", \"confidential\": false}\n", "assistant-pw");
  ASSERT_EQ(added.exitCode, 0) << added.err;
  EXPECT_EQ(Names("assistant-pw"), (std::vector<std::string>{"Open", "New"}));
}

}  // namespace
}  // namespace velmora::testing
