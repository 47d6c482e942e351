// The contact record: layout, value type, validity rules, list sort keys,
// display fields and columns, and the sample contacts of a new file.
#include "addressbook/model/ContactRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "store/RecordHeader.h"
#include "store/Settings.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

namespace c = contact;

// A fresh program folder per test, so settings and files never touch the
// real home folder.
class ContactRecordTest : public ::testing::Test {
 protected:
  velmora::testing::FolderSandbox sandbox_{"Cardora"};
  std::string folder_ = sandbox_.path();
};

// ---- Layout ----------------------------------------------------------------

TEST(ContactLayout, SortKeysOneToTen) {
  struct Case {
    int key;
    uint32_t offset, length;
  };
  const Case cases[] = {{1, 829, 30},   {2, 889, 30},   {3, 919, 30},   {4, 1638, 45}, {5, 1293, 35},
                        {6, 1328, 35},  {7, 1398, 35},  {8, 1823, 35},  {9, 1858, 35}, {10, 1928, 35}};
  for (const Case& tc : cases) {
    std::optional<ContactSortKey> key = FindContactSortKey(tc.key);
    ASSERT_TRUE(key.has_value()) << tc.key;
    EXPECT_EQ(key->offset, tc.offset) << tc.key;
    EXPECT_EQ(key->length, tc.length) << tc.key;
  }
  EXPECT_FALSE(FindContactSortKey(0).has_value());
  EXPECT_FALSE(FindContactSortKey(11).has_value());
}

// ---- The value type ------------------------------------------------------------

TEST(ContactValue, FirstNameIsCutAtTwentyNineBytesOnACharacterBoundary) {
  struct Case {
    std::string input;
    std::string stored;
  };
  const std::string e = "\xC3\xA9";         // é, two bytes
  const std::string euro = "\xE2\x82\xAC";  // €, three bytes
  const Case cases[] = {
      {std::string(29, 'a'), std::string(29, 'a')},
      {std::string(30, 'a'), std::string(29, 'a')},
      {std::string(27, 'a') + e, std::string(27, 'a') + e},  // 29 bytes: whole
      {std::string(28, 'a') + e, std::string(28, 'a')},      // é would need bytes 29 and 30
      {std::string(27, 'a') + euro, std::string(27, 'a')},   // € would end at byte 30
      {std::string(26, 'a') + euro, std::string(26, 'a') + euro},
      {std::string(15, 'x') + e + e + e + e + e + e + e, std::string(15, 'x') + e + e + e + e + e + e + e},
      {std::string(16, 'x') + e + e + e + e + e + e + e, std::string(16, 'x') + e + e + e + e + e + e},
  };
  for (const Case& tc : cases) {
    Contact contact;
    contact.SetText(c::kMiddleName, "untouched");
    EXPECT_EQ(contact.SetText(c::kFirstName, tc.input), tc.stored.size());
    EXPECT_EQ(contact.Text(c::kFirstName), tc.stored) << tc.input;
    EXPECT_EQ(contact.Text(c::kMiddleName), "untouched");  // the neighbour keeps its text
    EXPECT_EQ(contact.data()[c::kFirstName.offset + c::kFirstName.width - 1], 0);
  }
}

TEST(ContactValue, AccessorsReadAndWriteTheRecordBytes) {
  Contact contact(Bytes(100, 0xAB));  // short: padded with zeros
  ASSERT_EQ(contact.bytes().size(), c::kRecordSize);
  EXPECT_EQ(contact.bytes()[99], 0xAB);
  EXPECT_EQ(contact.bytes()[100], 0);

  contact.SetGender(c::kGenderMale);
  contact.SetBirthday({3, 5, 2002});
  contact.SetAnniversary({29, 2, 2004});
  contact.SetChild(4, "Ida");
  contact.SetChild(5, "ignored");
  contact.SetOtherPhone(2, "555-0199");
  contact.SetOtherPhoneType(2, 10);
  contact.SetNoMailMerge(true);
  contact.SetAttachmentKind(c::kAttachUrl);
  contact.SetAttachment("https://example.com/");
  contact.SetConfidential(true);
  contact.SetCategory("Friends");

  const uint8_t* r = contact.data();
  EXPECT_EQ(GetI32(r + 2528), 2);
  EXPECT_EQ(GetU32(r + 2532), 3u);
  EXPECT_EQ(GetU32(r + 2536), 5u);
  EXPECT_EQ(GetU32(r + 2540), 2002u);
  EXPECT_EQ(GetU32(r + 2552), 2004u);
  EXPECT_EQ(RawText(r + 2468, 60), "Ida");
  EXPECT_EQ(RawText(r + 2614, 25), "555-0199");
  EXPECT_EQ(GetI32(r + 2639), 10);
  EXPECT_EQ(GetI32(r + 3725), 1);
  EXPECT_EQ(r[549], 2);
  EXPECT_EQ(r[14], 1);
  EXPECT_EQ(RawText(r + 16, 30), "Friends");

  EXPECT_EQ(contact.Child(4), "Ida");
  EXPECT_EQ(contact.Child(5), "");
  EXPECT_EQ(contact.OtherPhoneType(-1), 0);
  EXPECT_TRUE(contact.HasAttachment());
  contact.SetAttachment("");
  EXPECT_FALSE(contact.HasAttachment());
  contact.SetAttachment("report.doc");
  contact.SetAttachmentKind(0);
  EXPECT_FALSE(contact.HasAttachment());
}

// ---- Validity rules --------------------------------------------------------------

TEST(ContactNormalise, ClampsGenderAndOtherPhoneTypes) {
  struct Case {
    int32_t gender, type;
    int32_t expectGender, expectType;
  };
  const Case cases[] = {{7, -3, 2, 0},   {-1, 18, 0, 17},  {2, 17, 2, 17}, {0, 0, 0, 0},
                        {1, 5, 1, 5},    {INT32_MIN, INT32_MAX, 0, 17}, {INT32_MAX, INT32_MIN, 2, 0}};
  for (const Case& tc : cases) {
    for (int pair = 0; pair < 5; ++pair) {
      Contact contact;
      contact.SetGender(tc.gender);
      contact.SetOtherPhoneType(pair, tc.type);
      NormaliseContactRecord(contact.bytes());
      EXPECT_EQ(contact.Gender(), tc.expectGender) << tc.gender;
      for (int i = 0; i < 5; ++i) EXPECT_EQ(contact.OtherPhoneType(i), i == pair ? tc.expectType : 0);
    }
  }
}

TEST(ContactNormalise, ClearsDatesWithoutADayNumber) {
  struct Case {
    DateValue date;
    bool kept;
  };
  const Case cases[] = {
      {{29, 2, 2001}, false}, {{29, 2, 2004}, true},  {{31, 12, 1799}, false}, {{1, 1, 1800}, true},
      {{3, 5, 1999}, true},   {{1, 6, 2021}, true},   {{31, 12, 2199}, true},  {{1, 1, 2200}, false},
      {{30, 2, 2004}, false}, {{29, 2, 1900}, false}, {{29, 2, 2000}, true},   {{1, 13, 2004}, false},
      {{0, 5, 2004}, false},  {{31, 4, 2004}, false}, {{0, 0, 0}, false},
  };
  for (const Case& tc : cases) {
    SCOPED_TRACE(std::to_string(tc.date.day) + "/" + std::to_string(tc.date.month) + "/" +
                 std::to_string(tc.date.year));
    const DateValue other{14, 7, 2010};
    Contact birthday, anniversary;
    birthday.SetBirthday(tc.date);
    birthday.SetAnniversary(other);
    anniversary.SetAnniversary(tc.date);
    anniversary.SetBirthday(other);
    NormaliseContactRecord(birthday.bytes());
    NormaliseContactRecord(anniversary.bytes());
    const DateValue expected = tc.kept ? tc.date : DateValue{};
    EXPECT_EQ(birthday.Birthday(), expected);
    EXPECT_EQ(birthday.Anniversary(), other);  // each date on its own
    EXPECT_EQ(anniversary.Anniversary(), expected);
    EXPECT_EQ(anniversary.Birthday(), other);
  }
}

TEST(ContactNormalise, PadsAShortBufferAndLeavesTextsAlone) {
  Bytes shortRecord(600, 0);
  NormaliseContactRecord(shortRecord);
  EXPECT_EQ(shortRecord.size(), c::kRecordSize);

  Contact contact;
  contact.SetText(c::kNotes, "line one\r\nline two");
  contact.SetGender(9);
  Bytes before = contact.bytes();
  NormaliseContactRecord(contact.bytes());
  PutI32(before.data() + c::kGender, 2);
  EXPECT_EQ(contact.bytes(), before);  // only the gender changed
}

// ---- Display fields and list columns ----------------------------------------------

TEST(ContactDisplay, CatalogueLabelsAndKinds) {
  std::span<const DisplayField> fields = DisplayFields();
  ASSERT_EQ(fields.size(), 25u);
  const char* fixedLabels[] = {"Home:", "Business:", "H.Mobile:", "B.Mobile:", "H.E-mail:", "B.E-mail:", "H.Web:",
                               "B.Web:"};
  for (int p = 0; p < 8; ++p) EXPECT_EQ(fields[p].label, fixedLabels[p]);
  for (int p = 8; p < 25; ++p) {
    EXPECT_EQ(fields[p].label, std::string(c::kOtherPhoneTypes[p - 8]) + ":");
    EXPECT_EQ(fields[p].otherPhoneType, p - 7);
  }
  for (int p = 0; p < 25; ++p) {
    DisplayKind expected = (p <= 3 || (p >= 8 && p <= 21)) ? DisplayKind::Phone
                           : (p == 6 || p == 7)            ? DisplayKind::Web
                                                           : DisplayKind::Email;
    EXPECT_EQ(fields[p].kind, expected) << p;
  }
}

TEST(ContactDisplay, ValuesComeFromFixedFieldsOrTheFirstPairWithTheType) {
  Contact contact;
  contact.SetText(c::kHomePhone, "home");
  contact.SetText(c::kWorkPhone, "work");
  contact.SetText(c::kHomeMobile, "hmobile");
  contact.SetText(c::kWorkMobile, "wmobile");
  contact.SetText(c::kHomeEmail, "hmail");
  contact.SetText(c::kWorkEmail, "wmail");
  contact.SetText(c::kHomeWeb, "hweb");
  contact.SetText(c::kWorkWeb, "wweb");
  const char* fixed[] = {"home", "work", "hmobile", "wmobile", "hmail", "wmail", "hweb", "wweb"};
  for (int p = 0; p < 8; ++p) EXPECT_EQ(DisplayFieldValue(contact, p), fixed[p]) << p;

  const int pager = 8 + 9;  // "Pager:"
  contact.SetOtherPhone(0, "untyped");  // type 0: shown nowhere
  contact.SetOtherPhone(1, "first pager");
  contact.SetOtherPhoneType(1, 10);
  contact.SetOtherPhone(3, "second pager");
  contact.SetOtherPhoneType(3, 10);
  contact.SetOtherPhone(4, "mail3");
  contact.SetOtherPhoneType(4, 17);
  EXPECT_EQ(DisplayFieldValue(contact, pager), "first pager");
  EXPECT_EQ(DisplayFieldValue(contact, 24), "mail3");
  EXPECT_EQ(DisplayFieldValue(contact, 8), "");  // no "Assistant" pair
  EXPECT_EQ(DisplayFieldValue(contact, 25), "");
  EXPECT_EQ(DisplayFieldValue(contact, -1), "");

  // "Custom2" with type 0 shows under no display field.
  Contact untyped;
  untyped.SetOtherPhone(1, "555-0123");
  for (int p = 0; p < 25; ++p) EXPECT_EQ(DisplayFieldValue(untyped, p), "") << p;
}

TEST_F(ContactRecordTest, ListColumnsDefaultWhenMissingOrOutOfRange) {
  EXPECT_EQ(ReadListColumns(), kDefaultListColumns);
  EXPECT_EQ(kDefaultListColumns[0], (ListColumn{0, true}));
  EXPECT_EQ(kDefaultListColumns[1], (ListColumn{1, true}));
  EXPECT_EQ(kDefaultListColumns[2], (ListColumn{5, false}));

  const std::string ini = ProgramSettingsPath();
  ASSERT_EQ(ini, folder_ + "/Cardora.ini");
  ASSERT_TRUE(WriteSettingText(ini, "Preference", "CustomID_1", "17"));
  ASSERT_TRUE(WriteSettingText(ini, "Preference", "CustomState_1", "0"));
  ASSERT_TRUE(WriteSettingText(ini, "Preference", "CustomID_2", "25"));
  ASSERT_TRUE(WriteSettingText(ini, "Preference", "CustomID_3", "-1"));
  ASSERT_TRUE(WriteSettingText(ini, "Preference", "CustomState_3", "1"));
  const std::array<ListColumn, 3> expected{{{17, false}, {1, true}, {5, true}}};
  EXPECT_EQ(ReadListColumns(), expected);

  const std::array<ListColumn, 3> written{{{24, true}, {0, false}, {8, true}}};
  ASSERT_TRUE(WriteListColumns(written).ok());
  EXPECT_EQ(ReadListColumns(), written);
}

// ---- Records in a real file --------------------------------------------------------

TEST_F(ContactRecordTest, InitContactRecordGivesAFreshRecord) {
  const std::string path = folder_ + "/init.adr";
  ASSERT_TRUE(CreateRecordFile(path, format::FileKind::Address).ok());
  RecordStore store(path, "");
  ASSERT_FALSE(store.OpenFailed());
  Bytes buffer(10, 0xFF);
  InitContactRecord(store, buffer);
  ASSERT_EQ(buffer.size(), c::kRecordSize);
  EXPECT_EQ(GetU32(buffer.data()), c::kRecordSize);
  EXPECT_EQ(buffer[format::record::kInUse], 1);
  EXPECT_TRUE(std::all_of(buffer.begin() + c::kBodyOffset, buffer.end(), [](uint8_t b) { return b == 0; }));
}

bool IsOneOf(std::string_view text, std::span<const std::string_view> list) {
  return std::find(list.begin(), list.end(), text) != list.end();
}

// A two-line street: two non-empty lines joined by CR LF.
bool IsTwoLineStreet(const std::string& street) {
  size_t br = street.find("\r\n");
  return br != std::string::npos && br > 0 && br + 2 < street.size() &&
         street.find_first_of("\r\n", br + 2) == std::string::npos;
}

bool IsTwoLetterState(const std::string& state) {
  return state.size() == 2 && std::all_of(state.begin(), state.end(), [](char ch) { return ch >= 'A' && ch <= 'Z'; });
}

TEST_F(ContactRecordTest, SampleContactsFollowTheRules) {
  const std::string path = folder_ + "/samples.adr";
  ASSERT_TRUE(CreateRecordFile(path, format::FileKind::Address).ok());
  RecordStore store(path, "");
  ASSERT_FALSE(store.OpenFailed());
  ASSERT_TRUE(AddSampleContacts(store).ok());

  uint64_t size = 0;
  ASSERT_TRUE(store.FileSize(size).ok());
  ASSERT_EQ(size, format::kFirstSlotOffset + 3 * uint64_t(c::kRecordSize));

  std::string title;
  std::set<uint64_t> ids;
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE("sample " + std::to_string(i));
    Bytes buffer;
    ASSERT_TRUE(store.ReadRecordIfLive(buffer, store.firstSlot() + uint64_t(i) * c::kRecordSize).ok());
    Contact s(buffer);
    EXPECT_EQ(GetU32(s.data()), c::kRecordSize);
    ids.insert(s.Id());

    for (ContactField f : {c::kFirstName, c::kMiddleName, c::kLastName, c::kNickName, c::kHomeCity, c::kHomeZip,
                           c::kHomeCountry, c::kHomeEmail, c::kHomePhone, c::kHomeFax, c::kHomeMobile, c::kHomeWeb,
                           c::kCompany, c::kWorkCity, c::kWorkZip, c::kWorkCountry, c::kWorkEmail, c::kWorkPhone,
                           c::kWorkFax, c::kWorkMobile, c::kWorkWeb, c::kSpouseName}) {
      EXPECT_FALSE(s.RawText(f).empty()) << "field at " << f.offset;
    }
    EXPECT_NE(s.Text(c::kHomeEmail).find('@'), std::string::npos);
    EXPECT_NE(s.Text(c::kWorkEmail).find('@'), std::string::npos);
    EXPECT_TRUE(IsOneOf(s.Text(c::kTitle), c::kTitles));
    if (i == 0) title = s.Text(c::kTitle);
    EXPECT_EQ(s.Text(c::kTitle), title);  // the same title for all three
    EXPECT_EQ(s.Text(c::kSuffix), "");
    EXPECT_TRUE(IsTwoLineStreet(s.Text(c::kHomeStreet))) << s.Text(c::kHomeStreet);
    EXPECT_TRUE(IsTwoLineStreet(s.Text(c::kWorkStreet))) << s.Text(c::kWorkStreet);
    EXPECT_TRUE(IsTwoLetterState(s.Text(c::kHomeState)));
    EXPECT_TRUE(IsTwoLetterState(s.Text(c::kWorkState)));
    EXPECT_TRUE(IsOneOf(s.Text(c::kJobTitle), c::kJobTitles));
    EXPECT_EQ(s.Text(c::kDepartment), "Department");
    EXPECT_EQ(s.Text(c::kOffice), "Office");

    int children = 0;
    while (children < 5 && !s.Child(children).empty()) ++children;
    EXPECT_TRUE(children == 1 || children == 2);
    for (int k = children; k < 5; ++k) EXPECT_EQ(s.Child(k), "");

    for (int k = 0; k < 5; ++k) {
      EXPECT_FALSE(s.OtherPhone(k).empty());
      EXPECT_EQ(s.OtherPhoneType(k), k + 1);
    }
    EXPECT_EQ(s.Gender(), c::kGenderFemale);

    const std::string picture = s.Picture();
    if (i == 0) {
      EXPECT_GT(picture.size(), 4u);
      EXPECT_EQ(picture.substr(picture.size() - 4), ".jpg");
      EXPECT_EQ(picture.find('/'), std::string::npos);  // a bare file name
    } else {
      EXPECT_EQ(picture, "");
    }

    EXPECT_EQ(s.Category(), "");
    EXPECT_FALSE(s.Confidential());
    EXPECT_TRUE(s.Birthday().IsEmpty());
    EXPECT_TRUE(s.Anniversary().IsEmpty());
    EXPECT_EQ(s.Notes(), "");
    EXPECT_EQ(s.AttachmentKind(), 0);
    EXPECT_EQ(s.Attachment(), "");
    EXPECT_FALSE(s.HasAttachment());
    EXPECT_FALSE(s.NoMailMerge());

    // A sample is already valid: normalising it changes nothing.
    Bytes normalised = s.bytes();
    NormaliseContactRecord(normalised);
    EXPECT_EQ(normalised, s.bytes());
  }
  EXPECT_EQ(ids.size(), 3u);
}

}  // namespace
}  // namespace velmora
