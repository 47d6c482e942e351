// velmora list with the contact list's sort order and category filter, and
// velmora find with the "Find" dialog's matches.
#include "ToolFixture.h"

namespace velmora::testing {
namespace {

using nlohmann::json;

class ToolListFindTest : public ToolTest {
 protected:
  void SetUp() override {
    Ok({"create", book});
    Ok({"add", book},
       "{\"First_Name\": \"Joanne\", \"Last_Name\": \"Zorn\", \"category\": \"Calls\"}\n"
       "{\"First_Name\": \"bob\", \"Last_Name\": \"Brown\", \"category\": \"call\"}\n"
       "{\"First_Name\": \"Zed\", \"Last_Name\": \"adams\", \"Notes\": \"Ring ANN\"}\n"
       "{\"First_Name\": \"Carl\", \"Last_Name\": \"Miller\", \"Attachment_Kind\": 1, "
       "\"Attachment\": \"/home/ann/cv.pdf\", \"category\": \"Call\"}\n");
  }
  std::vector<std::string> Names(const std::vector<std::string>& args) {
    std::vector<std::string> names;
    for (const json& c : Ok(args).Json()) names.push_back(c["First_Name"]);
    return names;
  }
  using Names_ = std::vector<std::string>;
};

TEST_F(ToolListFindTest, ListFollowsTheSortOrderAndTheCategory) {
  struct Case {
    std::vector<std::string> options;
    Names_ names;
  };
  const Case cases[] = {
      {{}, {"Joanne", "bob", "Zed", "Carl"}},  // file order
      {{"--sort", "1"}, {"bob", "Carl", "Joanne", "Zed"}},
      {{"--sort", "2"}, {"Zed", "bob", "Carl", "Joanne"}},
      {{"--category", "CALL"}, {"bob", "Carl"}},  // equal, A..Z case aside; file order
      {{"--category", "Call", "--sort", "2"}, {"bob", "Carl"}},
      {{"--category", "All Categories"}, {"Joanne", "bob", "Zed", "Carl"}},
      {{"--category", ""}, {"Joanne", "bob", "Zed", "Carl"}},
      {{"--category", "Cal"}, {}},
  };
  for (const Case& tc : cases) {
    std::vector<std::string> args{"list", book};
    args.insert(args.end(), tc.options.begin(), tc.options.end());
    EXPECT_EQ(Names(args), tc.names) << ::testing::PrintToString(tc.options);
  }
}

TEST_F(ToolListFindTest, FindPrintsTheMatchesByFirstNameAsListPrintsThem) {
  const ToolRun list = Ok({"list", book});
  const ToolRun found = Ok({"find", book, "ann"});
  // Joanne by her first name, Zed by his notes; not Carl, whose only "ann"
  // is in the attachment path.
  EXPECT_EQ(Names({"find", book, "ann"}), (Names_{"Joanne", "Zed"}));
  const std::vector<std::string> listed = list.Lines();
  const std::vector<std::string> lines = found.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], listed[0]);
  EXPECT_EQ(lines[1], listed[2]);
  struct Case {
    std::vector<std::string> args;
    Names_ names;
  };
  const Case cases[] = {
      {{"ANN"}, {"Joanne", "Zed"}},
      {{"o"}, {"bob", "Joanne"}},
      {{"o", "--category", "Call"}, {"bob", "Joanne"}},  // containment: Calls, call
      {{"o", "--category", "alls"}, {"Joanne"}},
      {{"nobody"}, {}},
  };
  for (const Case& tc : cases) {
    std::vector<std::string> args{"find", book};
    args.insert(args.end(), tc.args.begin(), tc.args.end());
    EXPECT_EQ(Names(args), tc.names) << ::testing::PrintToString(tc.args);
  }
}

TEST_F(ToolListFindTest, WhatTheToolCannotDoIsRefused) {
  const std::string calendar = dir.File("dates.cld");
  Ok({"create", "--kind", "calendar", calendar});
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> saying;
  };
  const Case cases[] = {
      {{"list", book, "--sort", "0"}, {"--sort", "1 to 10", "\"0\""}},
      {{"list", book, "--sort", "11"}, {"--sort", "1 to 10", "\"11\""}},
      {{"list", book, "--sort", "two"}, {"--sort", "1 to 10", "\"two\""}},
      {{"list", book, "--sort", ""}, {"--sort", "1 to 10"}},
      {{"list", book, "--sort", "-1"}, {"--sort", "1 to 10"}},
      {{"list", calendar, "--sort", "1"}, {"--sort", "address books only"}},
      {{"list", calendar, "--category", "Business"}, {"--category", "address books only"}},
      {{"find", calendar, "ann"}, {"address books"}},
      {{"find", book, ""}, {"empty"}},
      {{"find", book}, {"missing argument", "find FILE TEXT"}},
  };
  for (const Case& tc : cases) {
    SCOPED_TRACE(::testing::PrintToString(tc.args));
    const ToolRun run = Run(tc.args);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    for (const std::string& words : tc.saying) EXPECT_NE(run.err.find(words), std::string::npos) << run.err;
  }
  // A calendar still lists in file order without the options.
  EXPECT_EQ(Ok({"list", calendar}).out, "");
}

TEST_F(ToolListFindTest, FindAndSortedListKeepTheAccessLevels) {
  Ok({"add", book}, "{\"First_Name\": \"Hannah\", \"confidential\": true}\n");
  SetPasswords(book, "owner-pw", "assistant-pw", "reader-pw");
  EXPECT_EQ(Names({"find", book, "ann", "--password", "owner-pw"}), (Names_{"Hannah", "Joanne", "Zed"}));
  EXPECT_EQ(Names({"find", book, "ann", "--password", "reader-pw"}), (Names_{"Joanne", "Zed"}));
  EXPECT_EQ(Names({"list", book, "--sort", "1", "--password", "assistant-pw"}),
            (Names_{"bob", "Carl", "Joanne", "Zed"}));
  EXPECT_EQ(Run({"find", book, "ann", "--password", "wrong"}).exitCode, 1);
}

}  // namespace
}  // namespace velmora::testing
