#include "addressbook/mailmerge/MergeFields.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora {
namespace {

Contact Recipient() {
  Contact c;
  c.SetText(contact::kFirstName, "Anna");
  c.SetText(contact::kLastName, "Berg");
  c.SetText(contact::kHomeCity, "Oslo");
  c.SetText(contact::kWorkEmail, "anna@firm.example");
  c.SetChild(4, "Tove");
  c.SetOtherPhone(0, "555-0100");
  c.SetOtherPhoneType(0, 4);
  c.SetOtherPhone(4, "555-0199");
  c.SetNotes("secret notes");
  return c;
}

MergeContext Sender(std::string name = "Karl  Johan Nilsen") {
  MergeContext context;
  context.sender = MyRecord{std::move(name), "Nordlys AS", "karl@nordlys.example", "22 33 44 55", "Storgata 1"};
  context.clock = [] { return MergeMoment{DateValue{9, 3, 2026}, TimeValue{2, 5, 0, kHalfPm}}; };
  return context;
}

class ClockStyleGuard {
 public:
  explicit ClockStyleGuard(ClockStyle style) : saved_(GetClockStyle()) { SetClockStyle(style); }
  ~ClockStyleGuard() { SetClockStyle(saved_); }

 private:
  ClockStyle saved_;
};

TEST(MergeFieldLists, NamesInTheirOrder) {
  std::vector<std::string_view> list = MergeFieldList();
  ASSERT_EQ(list.size(), 49u);
  EXPECT_EQ(list.front(), "First_Name");
  EXPECT_EQ(list[40], "Custom5");
  EXPECT_EQ(list[41], "MY_First_Name");
  EXPECT_EQ(list[46], "MY_Address");
  EXPECT_EQ(list[47], "DATE");
  EXPECT_EQ(list[48], "TIME");

  std::vector<std::string_view> entries = InsertFieldEntries();
  ASSERT_EQ(entries.size(), 50u);
  EXPECT_EQ(entries[41], std::string(66, '.'));
  EXPECT_EQ(entries[42], "MY_First_Name");
  EXPECT_EQ(entries[49], "TIME");
  EXPECT_EQ(Placeholder("Home_City"), "<<Home_City>>");
}

TEST(MergeFieldValue, EveryKindOfField) {
  ClockStyleGuard clock(ClockStyle::TwentyFourHour);
  Contact c = Recipient();
  MergeContext context = Sender();
  struct Case {
    const char* name;
    const char* value;
  } cases[] = {
      {"First_Name", "Anna"},         {"Last_Name", "Berg"},
      {"Home_City", "Oslo"},          {"Work_Email", "anna@firm.example"},
      {"Chield5", "Tove"},            {"Custom1", "555-0100"},
      {"Custom5", "555-0199"},        {"Custom2", ""},
      {"MY_First_Name", "Karl"},      {"MY_Last_Name", "Johan Nilsen"},
      {"MY_Company", "Nordlys AS"},   {"MY_Email", "karl@nordlys.example"},
      {"MY_Phone", "22 33 44 55"},    {"MY_Address", "Storgata 1"},
      {"DATE", "9/3/2026"},           {"TIME", "14:05"},
      {"Notes", ""},                  {"first_name", ""},
      {"Custom6", ""},                {"", ""},
  };
  for (const Case& k : cases) EXPECT_EQ(MergeFieldValue(k.name, c, context), k.value) << k.name;
}

TEST(MergeFieldValue, DateAndTimeFollowTheClockStyle) {
  ClockStyleGuard clock(ClockStyle::TwelveHour);
  Contact c;
  EXPECT_EQ(MergeFieldValue("DATE", c, Sender()), "3/9/2026");
  EXPECT_EQ(MergeFieldValue("TIME", c, Sender()), "02:05 pm");
}

TEST(SenderName, SplitAtTheFirstSpace) {
  struct Case {
    const char* name;
    const char* first;
    const char* last;
  } cases[] = {
      {"Karl", "Karl", ""},
      {"Karl Nilsen", "Karl", "Nilsen"},
      {"Karl   Johan Nilsen", "Karl", "Johan Nilsen"},
      {"Karl ", "Karl", ""},
      {" Nilsen", "", "Nilsen"},
      {"", "", ""},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(SenderFirstName(k.name), k.first) << k.name;
    EXPECT_EQ(SenderLastName(k.name), k.last) << k.name;
  }
}

TEST(MergeText, Placeholders) {
  ClockStyleGuard clock(ClockStyle::TwentyFourHour);
  Contact c = Recipient();
  struct Case {
    const char* text;
    const char* merged;
  } cases[] = {
      {"Dear <<First_Name>> <<Last_Name>>", "Dear Anna Berg"},
      {"<<First_Name>>, yes <<First_Name>>!", "Anna, yes Anna!"},
      {"<<first_name>> stays", "<<first_name>> stays"},
      {"<<Notes>> and <<Unknown>>", "<<Notes>> and <<Unknown>>"},
      {"<<First_Name>><<Last_Name>>", "AnnaBerg"},
      {"<<<First_Name>>>", "<Anna>"},
      {"<<First_Name<<Last_Name>>", "<<First_NameBerg"},
      {"<<First_Name", "<<First_Name"},
      {"open << and <<First_Name>>", "open << and Anna"},
      {"<< First_Name>>", "<< First_Name>>"},
      {"<<Custom2>>|<<Chield1>>|", "||"},
      {"<<MY_First_Name>> <<MY_Last_Name>>, <<DATE>> <<TIME>>", "Karl Johan Nilsen, 9/3/2026 14:05"},
      {"", ""},
  };
  for (const Case& k : cases) EXPECT_EQ(MergeText(k.text, c, Sender()), k.merged) << k.text;
}

TEST(MergeText, ValuesAreNotMergedAgain) {
  Contact c;
  c.SetText(contact::kFirstName, "<<Last_Name>>");
  c.SetText(contact::kLastName, "Berg");
  EXPECT_EQ(MergeText("<<First_Name>> <<Last_Name>>", c, Sender()), "<<Last_Name>> Berg");
}

TEST(MergeText, ClockIsReadOncePerText) {
  int reads = 0;
  MergeContext context = Sender();
  context.clock = [&reads] {
    ++reads;
    return MergeMoment{DateValue{1, 1, 2026}, TimeValue{}};
  };
  Contact c;
  (void)MergeText("<<DATE>> <<TIME>> <<DATE>>", c, context);
  EXPECT_EQ(reads, 1);
  (void)MergeText("no moment", c, context);
  EXPECT_EQ(reads, 1);
}

TEST(MergeText, CutAtTheBufferSize) {
  Contact c = Recipient();
  std::string longText(mailmerge::kMaxMergedText + 100, 'x');
  EXPECT_EQ(MergeText(longText, c, Sender()).size(), mailmerge::kMaxMergedText);

  // A placeholder past the cut is lost with the rest; growth is cut too, at
  // a character boundary.
  std::string near(mailmerge::kMaxMergedText - 3, 'y');
  EXPECT_EQ(MergeText(near + "<<First_Name>>", c, Sender()), near + "<<F");
  Contact wide;
  std::string letters;
  for (int i = 0; i < 14; ++i) letters += "\xC3\xA6";  // 28 bytes of two-byte letters
  wide.SetText(contact::kFirstName, letters);
  std::string text = std::string(mailmerge::kMaxMergedText - 15, 'z') + "<<First_Name>>!";
  ASSERT_EQ(text.size(), mailmerge::kMaxMergedText);
  std::string merged = MergeText(text, wide, Sender());
  EXPECT_EQ(merged.size(), mailmerge::kMaxMergedText - 1);
  EXPECT_TRUE(IsValidUtf8(merged));
}

}  // namespace
}  // namespace velmora
