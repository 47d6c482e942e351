// The contact field catalogues: internal names, column labels and the keys
// of a whole body.
#include "importexport/ContactFields.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace velmora {
namespace {

TEST(ContactLayout, FortyTwoNamesMapToTheirFields) {
  struct Case {
    const char* name;
    uint32_t offset, width;
  };
  const Case cases[] = {
      {"First_Name", 829, 30},           {"Middle_Name", 859, 30},         {"Last_Name", 889, 30},
      {"Nick_Name", 919, 30},            {"Title", 949, 15},               {"Suffix", 964, 15},
      {"Home_Street_Address", 1243, 50}, {"Home_City", 1293, 35},          {"Home_State_Province", 1328, 35},
      {"Home_Zip_Postal_Code", 1363, 35}, {"Home_Country", 1398, 35},      {"Home_Phone", 1433, 25},
      {"Home_Fax", 1458, 25},            {"Home_Mobile", 1483, 25},        {"Home_Email", 1578, 60},
      {"Home_Web", 1508, 70},            {"Company", 1638, 45},            {"Job_Title", 1683, 30},
      {"Department", 1713, 30},          {"Office", 1743, 30},             {"Work_Street_Address", 1773, 50},
      {"Work_City", 1823, 35},           {"Work_State_Province", 1858, 35}, {"Work_Zip_Postal_Code", 1893, 35},
      {"Work_Country", 1928, 35},        {"Work_Phone", 1963, 25},         {"Work_Fax", 1988, 25},
      {"Work_Mobile", 2013, 25},         {"Work_Email", 2108, 60},         {"Work_Web", 2038, 70},
      {"Spouse_Name", 2168, 60},         {"Chield1", 2228, 60},            {"Chield2", 2288, 60},
      {"Chield3", 2348, 60},             {"Chield4", 2408, 60},            {"Chield5", 2468, 60},
      {"Custom1", 2556, 25},             {"Custom2", 2585, 25},            {"Custom3", 2614, 25},
      {"Custom4", 2643, 25},             {"Custom5", 2672, 25},            {"Notes", 2701, 1024},
  };
  ASSERT_EQ(std::size(cases), 42u);
  ASSERT_EQ(ContactFieldNames().size(), 42u);
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].name);
    std::optional<ContactField> f = FindContactField(cases[i].name);
    ASSERT_TRUE(f.has_value());
    EXPECT_EQ(f->offset, cases[i].offset);
    EXPECT_EQ(f->width, cases[i].width);
    EXPECT_EQ(ContactFieldNames()[i].name, cases[i].name);  // listed in this order
  }
}

TEST(ContactLayout, OtherNamesFindNothing) {
  for (const char* name : {"first_name", "FIRST_NAME", "First_Name ", "", "First Name", "Gender", "Birthday",
                           "Custom1_ID", "Picture", "Attachment", "Category", "Chield6", "Custom0"}) {
    EXPECT_FALSE(FindContactField(name).has_value()) << name;
  }
}

TEST(ContactLayout, LabelsCoverPositionsZeroToFortyFive) {
  struct Case {
    int position;
    const char* label;
  };
  const Case cases[] = {{0, "First Name"}, {5, "Suffix"},      {6, "Picture"},     {7, "Home Street"},
                        {15, "Home Email"}, {16, "Home Web"},  {31, "Spouse Name"}, {32, "Chield1"},
                        {37, "Gender"},     {38, "Birthday"},  {39, "Anniversary"}, {40, "Custom1"},
                        {44, "Custom5"},    {45, "Notes"}};
  for (const Case& tc : cases) EXPECT_EQ(ContactFieldLabel(tc.position), tc.label) << tc.position;
  std::set<std::string> seen;
  for (int p = 0; p <= 45; ++p) {
    std::optional<std::string> label = ContactFieldLabel(p);
    ASSERT_TRUE(label.has_value()) << p;
    EXPECT_FALSE(label->empty()) << p;
    EXPECT_TRUE(seen.insert(*label).second) << "repeated label " << *label;
  }
  EXPECT_FALSE(ContactFieldLabel(46).has_value());
  EXPECT_FALSE(ContactFieldLabel(-1).has_value());
}

TEST(ContactLayout, BodyKeysDescribeEveryFillableField) {
  std::span<const BodyKey> keys = ContactBodyKeys();
  EXPECT_EQ(keys.size(), 54u);
  std::set<std::string_view> names;
  for (const BodyKey& key : keys) {
    EXPECT_TRUE(names.insert(key.name).second) << "repeated key " << key.name;
    EXPECT_EQ(FindContactBodyKey(key.name), &key);
  }
  // The 42 internal names are text keys at their field.
  for (const NamedContactField& named : ContactFieldNames()) {
    const BodyKey* key = FindContactBodyKey(named.name);
    ASSERT_NE(key, nullptr) << named.name;
    EXPECT_EQ(key->type, BodyKeyType::Text);
    EXPECT_EQ(key->offset, named.field.offset);
    EXPECT_EQ(key->width, named.field.width);
  }
  struct Case {
    const char* name;
    uint32_t offset, width;
    BodyKeyType type;
  };
  const Case extras[] = {
      {"Gender", 2528, 4, BodyKeyType::I32},       {"Birthday", 2532, 12, BodyKeyType::Date},
      {"Anniversary", 2544, 12, BodyKeyType::Date}, {"Custom1_ID", 2581, 4, BodyKeyType::I32},
      {"Custom2_ID", 2610, 4, BodyKeyType::I32},   {"Custom3_ID", 2639, 4, BodyKeyType::I32},
      {"Custom4_ID", 2668, 4, BodyKeyType::I32},   {"Custom5_ID", 2697, 4, BodyKeyType::I32},
      {"Picture", 983, 260, BodyKeyType::Text},    {"Attachment_Kind", 549, 1, BodyKeyType::U8},
      {"Attachment", 550, 260, BodyKeyType::Text}, {"No_Mail_Merge", 3725, 4, BodyKeyType::I32},
  };
  for (const Case& tc : extras) {
    const BodyKey* key = FindContactBodyKey(tc.name);
    ASSERT_NE(key, nullptr) << tc.name;
    EXPECT_EQ(key->offset, tc.offset) << tc.name;
    EXPECT_EQ(key->width, tc.width) << tc.name;
    EXPECT_EQ(key->type, tc.type) << tc.name;
  }
  EXPECT_EQ(FindContactBodyKey("first_name"), nullptr);
}

}  // namespace
}  // namespace velmora
