#include "addressbook/mailmerge/MergeRecipients.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/Records.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

struct Person {
  const char* first;
  const char* last;
  const char* category;
  const char* city;
  const char* homeEmail;
  const char* workEmail;
  bool noMailMerge = false;
};

// A small address book: five contacts added out of name order.
class MergeRecipientsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string book = dir_.File("book.adr");
    velmora::testing::MakeRecordFile(book, format::FileKind::Address);
    store_ = std::make_unique<RecordStore>(book, "");
    ASSERT_FALSE(store_->OpenFailed());
    const Person people[] = {
        {"Petter", "Dahl", "Customers", "Bergen", "petter@home.example", "petter@work.example"},
        {"Anna", "Berg", "Customers", "OSLO", "", "anna@work.example"},
        {"Mona", "", "Friends", "Trondheim", "mona@home.example", "mona@work.example>,<extra@x.example"},
        {"Erik", "Lund", "Customers", "Oslo", "erik@home.example", "erik@work.example", true},
        {"", "", "", "Tromsø", "", ""},
    };
    for (const Person& p : people) {
      Bytes record;
      InitContactRecord(*store_, record);
      Contact c(record);
      c.SetText(contact::kFirstName, p.first);
      c.SetText(contact::kLastName, p.last);
      c.SetCategory(p.category);
      c.SetText(contact::kHomeCity, p.city);
      c.SetText(contact::kHomeEmail, p.homeEmail);
      c.SetText(contact::kWorkEmail, p.workEmail);
      c.SetNoMailMerge(p.noMailMerge);
      ASSERT_TRUE(store_->AddRecord(c.bytes()).ok());
      ids_[p.first] = c.Id();
    }
  }

  // "first:enabled" for each entry, in list order.
  std::vector<std::string> Listed(const MailMergeSettings& settings, std::optional<uint64_t> current = std::nullopt) {
    ResultOf<std::vector<RecipientEntry>> list = BuildRecipientList(*store_, settings, current);
    EXPECT_TRUE(list.ok()) << list.Message();
    std::vector<std::string> out;
    if (!list.ok()) return out;
    for (const RecipientEntry& e : list.value()) {
      EXPECT_EQ(e.enabled, e.available);
      out.push_back(e.contact.Text(contact::kFirstName) + (e.enabled ? ":on" : ":off"));
    }
    return out;
  }

  velmora::testing::TempDir dir_;
  std::unique_ptr<RecordStore> store_;
  std::map<std::string, uint64_t> ids_;
};

using List = std::vector<std::string>;

TEST_F(MergeRecipientsTest, AllRecordsSortedByFirstNameWithoutTheMarkedOne) {
  MailMergeSettings s;
  s.recipients = RecipientChoice::AllRecords;
  EXPECT_EQ(Listed(s), (List{":on", "Anna:on", "Mona:on", "Petter:on"}));
}

TEST_F(MergeRecipientsTest, EmailAvailabilityFollowsTheChosenAddress) {
  MailMergeSettings s;
  s.recipients = RecipientChoice::AllRecords;
  s.destination = MergeDestination::Email;
  EXPECT_EQ(Listed(s), (List{":off", "Anna:on", "Mona:off", "Petter:on"}));
  s.emailAddress = EmailAddressUsed::Home;
  EXPECT_EQ(Listed(s), (List{":off", "Anna:off", "Mona:on", "Petter:on"}));
}

TEST_F(MergeRecipientsTest, SelectedCategoryExactly) {
  MailMergeSettings s;
  s.recipients = RecipientChoice::SelectedCategory;
  s.category = "Customers";
  EXPECT_EQ(Listed(s), (List{"Anna:on", "Petter:on"}));
  s.category = "customers";
  EXPECT_EQ(Listed(s), List{});
}

TEST_F(MergeRecipientsTest, CurrentRecordOnly) {
  MailMergeSettings s;
  s.recipients = RecipientChoice::CurrentRecord;
  EXPECT_EQ(Listed(s, ids_["Mona"]), List{"Mona:on"});
  EXPECT_EQ(Listed(s), List{});
  // Marked "Do not send Mail Merge message": never listed, even as current.
  EXPECT_EQ(Listed(s, ids_["Erik"]), List{});
}

TEST_F(MergeRecipientsTest, Lookup) {
  struct Case {
    LookupCategoryMode categoryMode;
    const char* category;
    LookupFieldMode fieldMode;
    const char* field;
    const char* text;
    List listed;
  } cases[] = {
      {LookupCategoryMode::AllCategories, "", LookupFieldMode::AllFields, "", "osl", {"Anna:on"}},
      {LookupCategoryMode::AllCategories, "", LookupFieldMode::AllFields, "", "E", {"Anna:on", "Mona:on", "Petter:on"}},
      {LookupCategoryMode::AllCategories, "", LookupFieldMode::SelectedField, "Home_City", "e", {"Mona:on", "Petter:on"}},
      {LookupCategoryMode::SelectedCategory, "Customers", LookupFieldMode::AllFields, "", "work", {"Anna:on", "Petter:on"}},
      {LookupCategoryMode::SelectedCategory, "Friends", LookupFieldMode::SelectedField, "Last_Name", "berg", {}},
      {LookupCategoryMode::AllCategories, "", LookupFieldMode::SelectedField, "Notes", "a", {}},
  };
  for (const Case& k : cases) {
    MailMergeSettings s;
    s.lookupCategoryMode = k.categoryMode;
    s.lookupCategory = k.category;
    s.lookupFieldMode = k.fieldMode;
    s.lookupField = k.field;
    s.lookupText = k.text;
    EXPECT_EQ(Listed(s), k.listed) << k.text << " in " << k.field;
  }
}

// A book of more contacts than the merge once took lists every one of them:
// the summary counts them all and nobody past the first ten thousand is
// left out without a word.
TEST(MergeRecipientsLarge, EveryContactOfALargeBookIsListed) {
  velmora::testing::TempDir dir;
  const std::string book = dir.File("large.adr");
  velmora::testing::MakeRecordFile(book, format::FileKind::Address);
  RecordStore store(book, "");
  ASSERT_FALSE(store.OpenFailed());
  constexpr size_t kContacts = 10'003;
  std::vector<uint8_t> slots;
  for (size_t i = 0; i < kContacts; ++i) {
    Bytes record;
    InitContactRecord(store, record);
    Contact c(record);
    c.SetText(contact::kFirstName, "Person " + std::to_string(i));
    // Every third one has a work address; the rest cannot get e-mail.
    if (i % 3 == 0) c.SetText(contact::kWorkEmail, "p" + std::to_string(i) + "@work.example");
    slots.insert(slots.end(), c.bytes().begin(), c.bytes().end());
  }
  size_t added = 0;
  ASSERT_TRUE(store.AddRecords(slots, &added).ok());
  ASSERT_EQ(added, kContacts);

  MailMergeSettings email;
  email.recipients = RecipientChoice::AllRecords;
  email.destination = MergeDestination::Email;
  ResultOf<std::vector<RecipientEntry>> list = BuildRecipientList(store, email, std::nullopt);
  ASSERT_TRUE(list.ok()) << list.Message();
  ASSERT_EQ(list.value().size(), kContacts);
  size_t available = 0;
  for (const RecipientEntry& e : list.value()) available += e.available;
  EXPECT_EQ(available, (kContacts + 2) / 3);

  MailMergeSettings letters;
  letters.recipients = RecipientChoice::AllRecords;
  ResultOf<std::vector<RecipientEntry>> rows = BuildRecipientList(store, letters, std::nullopt);
  ASSERT_TRUE(rows.ok()) << rows.Message();
  EXPECT_EQ(rows.value().size(), kContacts);
}

TEST(SingleLineText, LineBreaksBecomeOneSpace) {
  struct Case {
    const char* text;
    const char* shown;
  } cases[] = {
      {"Anna", "Anna"},
      {"Anna\r\nMaria", "Anna Maria"},
      {"Anna\n\n\rMaria", "Anna Maria"},
      {"Storgatan 1\nLund", "Storgatan 1 Lund"},
      {"\r\nAnna\r\n", "Anna"},
      {"A\vB\fC", "A B C"},
      {"A\xc2\x85" "B", "A B"},              // NEL
      {"A\xe2\x80\xa8" "B\xe2\x80\xa9" "C", "A B C"},  // line and paragraph separators
      {"Zo\xc3\xab", "Zo\xc3\xab"},        // other letters stay
      {"Tab\there", "Tab\there"},
      {"\r\n", ""},
  };
  for (const Case& k : cases) EXPECT_EQ(SingleLineText(k.text), k.shown) << k.text;
}

TEST(RecipientName, FirstAndLastAsTheyExist) {
  struct Case {
    const char* first;
    const char* last;
    const char* shown;
  } cases[] = {{"Anna", "Berg", "Anna Berg"},           {"Anna", "", "Anna"},
               {"", "Berg", "Berg"},                    {"", "", "*Empty name*"},
               {"Anna\r\nMaria", "Berg\nSvensson", "Anna Maria Berg Svensson"},
               {"\r\n", "Berg", "Berg"}};
  for (const Case& k : cases) {
    Contact c;
    c.SetText(contact::kFirstName, k.first);
    c.SetText(contact::kLastName, k.last);
    EXPECT_EQ(RecipientName(c), k.shown);
  }
}

}  // namespace
}  // namespace velmora
