// The contact list's rules without a window: what a row shows, how the list
// is loaded, filtered and sorted, and what the search box, the index bar and
// "Find" select.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "addressbook/model/ContactLayout.h"
#include "addressbook/model/ContactRows.h"
#include "addressbook/model/ContactSearch.h"
#include "store/Bytes.h"
#include "store/RecordHeader.h"
#include "store/RecordStore.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

namespace c = contact;

Contact Named(const std::string& first, const std::string& last) {
  Contact contact;
  contact.SetText(c::kFirstName, first);
  contact.SetText(c::kLastName, last);
  return contact;
}

// ---- Rows ------------------------------------------------------------------------

TEST(ContactRows, FirstAndLastNameKeepTheTrailingBlankOfAFirstNameAlone) {
  struct Case {
    const char* first;
    const char* last;
    const char* firstLast;
    const char* lastFirst;
  };
  const Case cases[] = {{"Anne", "Berg", "Anne Berg", "Berg Anne"},
                        {"Anne", "", "Anne ", "Anne"},
                        {"", "Berg", "Berg", "Berg "},
                        {"", "", "", ""}};
  for (const Case& tc : cases) {
    SCOPED_TRACE(std::string(tc.first) + "|" + tc.last);
    const Contact contact = Named(tc.first, tc.last);
    EXPECT_EQ(FirstLastName(contact), tc.firstLast);
    EXPECT_EQ(LastFirstName(contact), tc.lastFirst);
  }
}

TEST(ContactRows, TheNameBlockFollowsTheSortOrder) {
  Contact full = Named("Anne", "Berg");
  full.SetText(c::kNickName, "Nix");
  full.SetText(c::kCompany, "Acme\r\nNorth");
  full.SetText(c::kHomeCity, "Oslo");
  full.SetText(c::kHomeState, "OS");
  full.SetText(c::kHomeCountry, "Norway");
  full.SetText(c::kWorkCity, "Lima");
  full.SetText(c::kWorkState, "LI");
  full.SetText(c::kWorkCountry, "Peru\n");
  struct Case {
    int sortOrder;
    const char* first;
    const char* second;
  };
  const Case cases[] = {{1, "Anne Berg", "Acme  North"}, {2, "Berg Anne", "Acme  North"},
                        {3, "Nix", "Anne Berg"},         {4, "Acme  North", "Anne Berg"},
                        {5, "Oslo", "Anne Berg"},        {6, "OS", "Anne Berg"},
                        {7, "Norway", "Anne Berg"},      {8, "Lima", "Anne Berg"},
                        {9, "LI", "Anne Berg"},          {10, "Peru ", "Anne Berg"}};
  for (const Case& tc : cases) {
    const ContactNameBlock block = BuildNameBlock(full, tc.sortOrder);
    EXPECT_EQ(block.first, tc.first) << tc.sortOrder;
    EXPECT_EQ(block.second, tc.second) << tc.sortOrder;
  }
}

TEST(ContactRows, AnEmptyFirstLineShowsNotAvailable) {
  struct Case {
    const char* name;
    Contact contact;
    int sortOrder;
    const char* first;
    const char* second;
  };
  Contact onlyLast = Named("", "Berg");
  Contact onlyFirst = Named("Anne", "");
  Contact lineBreaks = Named("A\rB", "C\nD");
  const Case cases[] = {
      {"no name at all", Contact(), 1, "n/a", ""},
      {"no name, by last name", Contact(), 2, "n/a", ""},
      {"only a last name", onlyLast, 1, "Berg", ""},
      {"only a first name keeps its blank", onlyFirst, 1, "Anne ", ""},
      {"no nick name", onlyFirst, 3, "n/a", "Anne "},
      {"no company", onlyLast, 4, "n/a", "Berg"},
      {"no business country", onlyLast, 10, "n/a", "Berg"},
      {"line breaks read as blanks", lineBreaks, 2, "C D A B", ""},
  };
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.name);
    const ContactNameBlock block = BuildNameBlock(tc.contact, tc.sortOrder);
    EXPECT_EQ(block.first, tc.first);
    EXPECT_EQ(block.second, tc.second);
  }
}

TEST(ContactRows, DetailLinesPerViewTab) {
  Contact contact = Named("Anne", "Berg");
  contact.SetText(c::kHomePhone, "111");
  contact.SetText(c::kHomeMobile, "222");
  contact.SetText(c::kHomeEmail, "anne@home.example");
  contact.SetText(c::kWorkPhone, "333");
  contact.SetText(c::kWorkMobile, "444\r\n5");
  contact.SetText(c::kWorkEmail, "anne@work.example");
  contact.SetText(c::kHomeWeb, "https://anne.example");
  using Line = std::tuple<std::string, std::string, DisplayKind>;
  auto lines = [&](int tab, const std::array<ListColumn, 3>& columns) {
    std::vector<Line> out;
    for (const ContactDetailLine& line : BuildDetailLines(contact, tab, columns)) {
      out.emplace_back(line.label, line.value, line.kind);
    }
    return out;
  };
  const auto P = DisplayKind::Phone, E = DisplayKind::Email, W = DisplayKind::Web;
  struct Case {
    const char* name;
    int tab;
    std::array<ListColumn, 3> columns;
    std::vector<Line> expected;
  };
  const Case cases[] = {
      {"Home", kViewHome, kDefaultListColumns,
       {{"Home:", "111", P}, {"Mobile:", "222", P}, {"Email:", "anne@home.example", E}}},
      {"Business", kViewBusiness, kDefaultListColumns,
       {{"Business:", "333", P}, {"Mobile:", "444  5", P}, {"Email:", "anne@work.example", E}}},
      {"Custom, all three on", kViewCustom, {{{6, true}, {1, true}, {5, true}}},
       {{"H.Web:", "https://anne.example", W}, {"Business:", "333", P}, {"B.E-mail:", "anne@work.example", E}}},
      {"Custom, an off column takes no space", kViewCustom, {{{0, false}, {1, true}, {2, false}}},
       {{"Business:", "333", P}}},
      {"Custom, all columns off", kViewCustom, {{{0, false}, {1, false}, {2, false}}}, {}},
  };
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.name);
    EXPECT_EQ(lines(tc.tab, tc.columns), tc.expected);
  }
}

TEST(ContactRows, PagerShowsTheFirstOtherPhoneOfThatType) {
  constexpr int kPager = 17;  // "Pager:", other-phone type 10
  ASSERT_EQ(DisplayFields()[kPager].label, "Pager:");
  const std::array<ListColumn, 3> columns{{{kPager, true}, {0, false}, {0, false}}};
  struct Case {
    const char* name;
    std::vector<std::pair<int32_t, const char*>> phones;  // type and number of others 0..4
    const char* shown;
  };
  const Case cases[] = {
      {"the first of two pagers", {{4, "car"}, {10, "first pager"}, {0, ""}, {10, "second pager"}}, "first pager"},
      {"a pager in the last place", {{1, "a"}, {2, "b"}, {3, "c"}, {4, "d"}, {10, "last"}}, "last"},
      {"no pager", {{4, "car"}, {11, "primary"}}, ""},
  };
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.name);
    Contact contact = Named("Anne", "Berg");
    for (size_t i = 0; i < tc.phones.size(); ++i) {
      contact.SetOtherPhoneType(int(i), tc.phones[i].first);
      contact.SetOtherPhone(int(i), tc.phones[i].second);
    }
    const std::vector<ContactDetailLine> lines = BuildDetailLines(contact, kViewCustom, columns);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].label, "Pager:");
    EXPECT_EQ(lines[0].value, tc.shown);
  }
}

TEST(ContactRows, StatusIconsInTheirOrder) {
  struct Case {
    const char* name;
    uint8_t exchangeFlag, exchangeState;
    bool confidential, picture, attachment;
    std::vector<int> icons;
  };
  const Case cases[] = {
      {"nothing", 0, 0, false, false, false, {}},
      {"exchange state 1", 0, 1, false, false, false, {2015}},
      {"exchange state 7", 0, 7, false, false, false, {2015}},
      {"exchange state 8", 0, 8, false, false, false, {}},
      {"second state wins over the first", 1, 3, false, false, false, {2016}},
      {"second state alone", 9, 0, false, false, false, {2016}},
      {"confidential, picture, attachment", 0, 0, true, true, true, {2017, 2019, 2018}},
      {"everything", 2, 5, true, true, true, {2016, 2017, 2019, 2018}},
      {"picture only", 0, 0, false, true, false, {2019}},
  };
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.name);
    Contact contact = Named("Anne", "Berg");
    contact.data()[format::record::kExchangeFlag] = tc.exchangeFlag;
    contact.data()[format::record::kExchangeState] = tc.exchangeState;
    contact.SetConfidential(tc.confidential);
    if (tc.picture) contact.SetPicture("/pictures/anne.jpg");
    if (tc.attachment) {
      contact.SetAttachmentKind(1);
      contact.SetAttachment("/files/cv.pdf");
    }
    EXPECT_EQ(StatusIcons(contact), tc.icons);
  }
  // An attachment path without its kind is no attachment.
  Contact pathOnly = Named("Anne", "Berg");
  pathOnly.SetAttachment("/files/cv.pdf");
  EXPECT_EQ(StatusIcons(pathOnly), std::vector<int>{});
}

TEST(ContactRows, CategoryTag) {
  Contact contact;
  EXPECT_EQ(CategoryTag(contact), "");
  contact.SetCategory("Business");
  EXPECT_EQ(CategoryTag(contact), "[Business]");
}

TEST(ContactRows, AllCategoriesClearsTheFilter) {
  EXPECT_EQ(CategoryFilterForChoice("All Categories"), "");
  EXPECT_EQ(CategoryFilterForChoice("Business"), "Business");
  EXPECT_EQ(CategoryFilterForChoice("all categories"), "all categories");  // a category of that name
}

// ---- The list over a real file ------------------------------------------------------

class ContactListTest : public ::testing::Test {
 protected:
  testing::TempDir dir_;
  std::string path_ = dir_.File("book.adr");
  std::unique_ptr<RecordStore> store_;

  void SetUp() override {
    ASSERT_TRUE(CreateRecordFile(path_, format::FileKind::Address).ok());
    store_ = std::make_unique<RecordStore>(path_, "");
  }

  RecordPosition Add(const Contact& values) {
    Bytes record;
    InitContactRecord(*store_, record);
    // Everything of the body from the values; the header stays the store's.
    const size_t body = c::kBodyOffset;
    std::copy(values.bytes().begin() + std::ptrdiff_t(body), values.bytes().end(),
              record.begin() + std::ptrdiff_t(body));
    rec::SetCategory(record.data(), values.Category());
    rec::SetConfidential(record.data(), values.Confidential());
    RecordPosition at = 0;
    EXPECT_TRUE(store_->AddRecord(record, &at).ok());
    return at;
  }
  RecordPosition Add(const std::string& first, const std::string& last, const std::string& category = "") {
    Contact contact = Named(first, last);
    contact.SetCategory(category);
    return Add(contact);
  }

  std::vector<std::string> Column(const RecordQuery& query, ContactField field) {
    std::vector<std::string> out;
    Bytes record;
    for (RecordPosition at : query.positions()) {
      EXPECT_TRUE(store_->ReadRecord(record, at).ok());
      out.push_back(std::string(RawText(record.data() + field.offset, field.width)));
    }
    return out;
  }

  // The list for a sort order and its keys; fails the test when either fails.
  ContactListKeys Loaded(RecordQuery& query, int sortOrder, std::string_view category = "") {
    EXPECT_TRUE(LoadContactList(*store_, query, category, sortOrder).ok());
    ContactListKeys keys;
    EXPECT_TRUE(keys.Build(*store_, query, sortOrder).ok());
    return keys;
  }
};

TEST_F(ContactListTest, SortingIgnoresTheCaseOfAToZAndPutsOtherLettersAfterZ) {
  for (const char* last : {"Browning", "\xC3\x9C" "bel", "Brown", "zed", "Brow", "brown", ""}) Add("x", last);
  RecordQuery query;
  ContactListKeys keys = Loaded(query, 2);
  std::vector<std::string> names = Column(query, c::kLastName);
  ASSERT_EQ(names.size(), 7u);
  // brown and Brown are equal: either may come first.
  if (names[2] == "brown") std::swap(names[2], names[3]);
  EXPECT_EQ(names, (std::vector<std::string>{"", "Brow", "Brown", "brown", "Browning", "zed", "\xC3\x9C" "bel"}));
  EXPECT_EQ(std::memcmp(keys.KeyAt(2), keys.KeyAt(3), keys.width()), 0);
  EXPECT_TRUE(keys.sorted());
}

TEST_F(ContactListTest, EverySortOrderSortsByItsKey) {
  Contact first = Named("b", "c");
  first.SetText(c::kWorkCountry, "B");
  Contact second = Named("C", "a");
  second.SetText(c::kWorkCountry, "a");
  const RecordPosition one = Add(first), two = Add(second);
  struct Case {
    int sortOrder;
    std::vector<RecordPosition> order;
  };
  const Case cases[] = {{1, {one, two}}, {2, {two, one}}, {10, {two, one}}, {0, {one, two}}, {11, {one, two}}};
  for (const Case& tc : cases) {
    RecordQuery query;
    ASSERT_TRUE(LoadContactList(*store_, query, "", tc.sortOrder).ok());
    EXPECT_EQ(query.positions(), tc.order) << tc.sortOrder;
  }
}

TEST_F(ContactListTest, TheListsCategoryIsEqualityFindsIsContainment) {
  Add("Anna", "Xa", "Calls");
  Add("Bert", "Xa", "Call");
  Add("Cleo", "Xa", "CALL");
  Add("Dora", "Xa", "");
  Add("Emil", "Xa", "Recall");
  struct Case {
    const char* name;
    std::string category;
    bool find;
    std::vector<std::string> firstNames;
  };
  const Case cases[] = {
      {"the list: equal, A..Z case aside", "call", false, {"Bert", "Cleo"}},
      {"the list: no filter", "", false, {"Anna", "Bert", "Cleo", "Dora", "Emil"}},
      {"the list: All Categories after a category", CategoryFilterForChoice("All Categories"), false,
       {"Anna", "Bert", "Cleo", "Dora", "Emil"}},
      {"Find: contains", "Call", true, {"Anna", "Bert", "Cleo", "Emil"}},
      {"Find: no filter", "", true, {"Anna", "Bert", "Cleo", "Dora", "Emil"}},
      {"Find: nothing contains it", "Callsx", true, {}},
  };
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.name);
    RecordQuery query;
    const Result loaded = tc.find ? RunFind(*store_, query, "a", tc.category)
                                  : LoadContactList(*store_, query, tc.category, 1);
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(Column(query, c::kFirstName), tc.firstNames);
  }
}

TEST_F(ContactListTest, FindLooksInTheListedFieldsOnlyAndSortsByFirstName) {
  Contact notes = Named("Zed", "Notes");
  notes.SetNotes("Call ANN tomorrow");
  Contact attachment = Named("Bea", "Path");
  attachment.SetAttachmentKind(1);
  attachment.SetAttachment("/home/ann/cv.pdf");
  Contact picture = Named("Carl", "Picture");
  picture.SetPicture("/home/ann/carl.jpg");
  Contact otherPhone = Named("mia", "Phone");
  otherPhone.SetOtherPhone(4, "Hannah's pager");
  Contact child = Named("Ole", "Child");
  child.SetChild(2, "Annika");
  Add(notes);
  Add(attachment);
  Add(picture);
  Add(otherPhone);
  Add(child);
  Add("Joanne", "Name");
  Add("Anna", "First");
  Add("Bob", "Nobody", "Annual");  // the category is no field "Find" reads
  RecordQuery query;
  ASSERT_TRUE(RunFind(*store_, query, "ann", "").ok());
  EXPECT_EQ(Column(query, c::kFirstName), (std::vector<std::string>{"Anna", "Joanne", "mia", "Ole", "Zed"}));
  // The text is cut after 100 bytes, at a character boundary.
  ASSERT_TRUE(RunFind(*store_, query, "Joanne" + std::string(200, 'x'), "").ok());
  EXPECT_EQ(query.count(), 0u);
}

TEST(ContactFind, MatchingFoldsAToZAndTwoByteLetters) {
  struct Case {
    const char* name;
    std::string notes;
    std::string text;
    bool match;
  };
  const Case cases[] = {
      {"ASCII", "Call ANN", "ann", true},
      {"upper-case text", "joanne", "ANN", true},
      {"Latin-1", "\xC3\x84RGER", "\xC3\xA4rger", true},                  // ÄRGER / ärger
      {"Latin Extended-A", "\xC5\x81\xC3\xB3" "d\xC5\xBA", "\xC5\x82\xC3\xB3", true},  // Łódź / łó
      {"Greek", "\xCE\x91\xCE\x98\xCE\x97\xCE\x9D\xCE\x91", "\xCE\xB8\xCE\xB7", true},  // ΑΘΗΝΑ / θη
      // МОСКВА / ос
      {"Cyrillic", "\xD0\x9C\xD0\x9E\xD0\xA1\xD0\x9A\xD0\x92\xD0\x90", "\xD0\xBE\xD1\x81", true},
      {"Windows-1252 bytes fold only A..Z", "\xC4RGER", "\xE4r", false},
      {"Windows-1252 bytes match themselves", "\xC4RGER", "\xC4r", true},
      {"no match", "Berlin", "bern", false},
      {"the needle longer than every field", "ann", std::string(60, 'a'), false},
  };
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.name);
    Contact contact = Named("x", "y");
    contact.SetNotes(tc.notes);
    EXPECT_EQ(FindMatches(contact.data(), tc.text, ""), tc.match);
    EXPECT_EQ(ContainsIgnoringCase(tc.notes, tc.text), tc.match);
  }
}

// "Find" as a reference reads it: both texts lower-cased into new strings
// (A..Z, and each valid two-byte UTF-8 letter; an overlong form is copied),
// then a substring search.
std::string ReferenceLowered(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b0 = uint8_t(text[i]);
    if (b0 >= 0xC2 && b0 < 0xE0 && i + 1 < text.size() && (uint8_t(text[i + 1]) & 0xC0) == 0x80) {
      char32_t cp = (char32_t(b0 & 0x1F) << 6) | char32_t(uint8_t(text[i + 1]) & 0x3F);
      if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) cp += 32;
      else if (cp >= 0x100 && cp <= 0x137 && cp % 2 == 0) cp += 1;
      else if (cp >= 0x139 && cp <= 0x148 && cp % 2 == 1) cp += 1;
      else if (cp >= 0x14A && cp <= 0x177 && cp % 2 == 0) cp += 1;
      else if (cp == 0x178) cp = 0xFF;
      else if (cp >= 0x179 && cp <= 0x17E && cp % 2 == 1) cp += 1;
      else if (cp >= 0x391 && cp <= 0x3A9 && cp != 0x3A2) cp += 32;
      else if (cp >= 0x400 && cp <= 0x40F) cp += 80;
      else if (cp >= 0x410 && cp <= 0x42F) cp += 32;
      out += char(0xC0 | (cp >> 6));
      out += char(0x80 | (cp & 0x3F));
      ++i;
    } else {
      out += char(FoldCase(b0));
    }
  }
  return out;
}

TEST(ContactFind, MatchesAgreeWithLowerCasedCopiesOnRandomRecords) {
  std::mt19937 random(20261210);
  // Letters of every folded range, their lower-case forms, stray lead and
  // continuation bytes, overlong forms and Windows-1252 bytes.
  const std::vector<std::string> pieces = {
      "a", "A", "n", "N", "z", "Z", " ", "\xC3\x84", "\xC3\xA4", "\xC3\x97", "\xC3\xB7", "\xC4\x80",
      "\xC4\x81", "\xC5\xB8", "\xC3\xBF", "\xCE\x91", "\xCE\xB1", "\xCE\xA2", "\xD0\x80", "\xD1\x90", "\xD0\x90",
      "\xD0\xB0", "\xC4", "\xE4", "\x80", "\xC1\x81", "\xC0\xAE", "\xE2\x82\xAC", "\xC3"};
  auto text = [&](size_t most) {
    std::string out;
    const size_t pieceCount = random() % 8;
    for (size_t i = 0; i < pieceCount; ++i) out += pieces[random() % pieces.size()];
    return out.substr(0, most);
  };
  const std::span<const ContactField> fields = FindFields();
  for (int round = 0; round < 3000; ++round) {
    Contact contact;
    std::vector<std::string> written;
    for (const ContactField& field : fields) {
      if (random() % 3 == 0) contact.SetText(field, text(field.width - 1));
      written.push_back(std::string(contact.RawText(field)));
    }
    const std::string category = text(29);
    contact.SetCategory(category);
    const std::string wanted = text(10);
    const std::string categoryFilter = random() % 2 ? std::string() : text(3);
    const std::string needle = ReferenceLowered(wanted);
    bool expected = categoryFilter.empty() ||
                    ReferenceLowered(contact.RawText(c::kCategory)).find(ReferenceLowered(categoryFilter)) !=
                        std::string::npos;
    expected = expected && std::any_of(written.begin(), written.end(), [&](const std::string& value) {
                 return ReferenceLowered(value).find(needle) != std::string::npos;
               });
    ASSERT_EQ(FindMatches(contact.data(), wanted, categoryFilter), expected)
        << "text " << ::testing::PrintToString(wanted) << " category " << ::testing::PrintToString(categoryFilter);
  }
}

// ---- Search box and index bar ---------------------------------------------------

TEST_F(ContactListTest, SearchBoxSelectsTheFirstKeyNotLessThanTheText) {
  Add("Carl", "x");
  Add("Anne", "x");
  Add("Bob", "x");
  RecordQuery query;
  const ContactListKeys keys = Loaded(query, 1);
  ASSERT_EQ(Column(query, c::kFirstName), (std::vector<std::string>{"Anne", "Bob", "Carl"}));
  struct Case {
    std::string text;
    std::optional<size_t> row;
  };
  const Case cases[] = {
      {"b", 1},    {"bz", 2},   {"z", 2},    {"Carl", 2},   {"CARL", 2},  {"a", 0},
      {"Anne", 0}, {"annex", 1}, {"", std::nullopt},         {"Bob", 1},   {"bob ", 2},
      {std::string(300, 'a'), 0},  // longer than the key: compared over its 30 bytes
      {"bob" + std::string(297, 'z'), 2},
  };
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.text.substr(0, 10));
    EXPECT_EQ(SearchBoxRow(keys, tc.text), tc.row);
    EXPECT_EQ(SearchBoxRowLinear(keys, tc.text), tc.row);
  }
  EXPECT_EQ(SearchBoxRow(keys, std::string(300, 'a')), SearchBoxRow(keys, std::string(30, 'a')));
}

TEST_F(ContactListTest, IndexBarWithSortByLastName) {
  struct Case {
    const char* name;
    std::vector<std::string> lastNames;  // added in this order; listed sorted
    char letter;
    std::optional<size_t> row;
  };
  const Case cases[] = {
      {"m selects a lower-case m", {"Adams", "Zorn", "mayer", "Miller", "Brown"}, 'm', 2},
      {"M as m", {"Adams", "Zorn", "Miller", "Brown"}, 'M', 2},
      {"a later letter when no m", {"Adams", "Zz", "Zorn", "Brown"}, 'm', 2},
      {"none later: the last row", {"Adams", "Brown", "Cole"}, 'm', 2},
      {"Ü counts as smaller than every letter", {"Adams", "\xC3\x9C" "bel"}, 'm', 1},
      {"Ü before a later name", {"\xC3\x9C" "bel", "Adams", "Zorn"}, 'm', 1},
      {"an empty key is smallest", {"", "Adams"}, 'a', 1},
      {"digits never reach a letter", {"1st", "Cole", "Dora"}, 'b', 1},
      {"[ reaches every letter", {"[x]", "Adams", "Zorn"}, 'm', 0},
      {"a", {"Adams", "Brown"}, 'a', 0},
  };
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.name);
    store_.reset();
    path_ = dir_.File(std::string("bar") + std::to_string(&tc - cases) + ".adr");
    ASSERT_TRUE(CreateRecordFile(path_, format::FileKind::Address).ok());
    store_ = std::make_unique<RecordStore>(path_, "");
    for (const std::string& last : tc.lastNames) Add("x", last);
    RecordQuery query;
    const ContactListKeys keys = Loaded(query, 2);
    EXPECT_EQ(IndexBarRow(keys, tc.letter), tc.row);
    EXPECT_EQ(IndexBarRowLinear(keys, tc.letter), tc.row);
  }
}

TEST_F(ContactListTest, AnEmptyListOrNoSortOrderAnswersNothing) {
  RecordQuery query;
  ContactListKeys keys = Loaded(query, 1);
  EXPECT_EQ(SearchBoxRow(keys, "a"), std::nullopt);
  EXPECT_EQ(IndexBarRow(keys, 'a'), std::nullopt);
  Add("Anne", "Berg");
  for (int sortOrder : {0, 11, -1}) {
    keys = Loaded(query, sortOrder);
    EXPECT_EQ(query.count(), 1u);
    EXPECT_EQ(keys.rows(), 0u);
    EXPECT_EQ(SearchBoxRow(keys, "a"), std::nullopt) << sortOrder;
    EXPECT_EQ(IndexBarRow(keys, 'a'), std::nullopt) << sortOrder;
  }
}

// Random keys with the awkward bytes: those between Z and a ('[', '_', '`')
// that qualify for every letter, digits that never do, bytes from 128 on
// (UTF-8 and Windows-1252) that read as negative, mixed case, empty keys.
std::string RandomKey(std::mt19937& random) {
  static const std::vector<std::string> pieces = {
      "a", "b", "m", "M", "n", "z", "Z", "A", "x", "X", "[", "_", "`", "^", "]", "\\", "0", "9", " ",
      "{", "~", "\x7F", "\xC3\x9C", "\xC3\xA9", "\xFF", "\x80", "\xE4", "mm", "Mm", "ma"};
  std::string key;
  const size_t count = random() % 6;
  for (size_t i = 0; i < count; ++i) key += pieces[random() % pieces.size()];
  return key.substr(0, 29);
}

TEST_F(ContactListTest, BisectionGivesTheLinearRulesAnswersOnRandomLists) {
  std::mt19937 random(9);
  for (int list = 0; list < 4; ++list) {
    SCOPED_TRACE(list);
    store_.reset();
    path_ = dir_.File("random" + std::to_string(list) + ".adr");
    ASSERT_TRUE(CreateRecordFile(path_, format::FileKind::Address).ok());
    store_ = std::make_unique<RecordStore>(path_, "");
    const int count = list == 0 ? 1 : (list == 1 ? 40 : 700);
    std::vector<std::string> lasts;
    for (int i = 0; i < count; ++i) {
      lasts.push_back(RandomKey(random));
      Add(RandomKey(random), lasts.back());
    }
    RecordQuery query;
    const ContactListKeys keys = Loaded(query, 2);
    ASSERT_EQ(keys.rows(), size_t(count));
    ASSERT_TRUE(keys.sorted());
    // The keys are the rows' folded last names.
    const std::vector<std::string> listed = Column(query, c::kLastName);
    for (size_t row = 0; row < keys.rows(); ++row) {
      std::string folded(30, '\0');
      for (size_t j = 0; j < listed[row].size(); ++j) folded[j] = char(FoldCase(uint8_t(listed[row][j])));
      ASSERT_EQ(std::string(reinterpret_cast<const char*>(keys.KeyAt(row)), 30), folded) << row;
    }
    for (int letter = 0; letter < 256; ++letter) {
      ASSERT_EQ(IndexBarRow(keys, char(letter)), IndexBarRowLinear(keys, char(letter))) << letter;
    }
    for (int i = 0; i < 3000; ++i) {
      std::string text = RandomKey(random);
      if (i % 3 == 0) text = lasts[random() % lasts.size()].substr(0, random() % 6);
      if (i % 7 == 0) text += std::string(random() % 40, 'q');
      if (i % 11 == 0) text.push_back('\0');
      ASSERT_EQ(SearchBoxRow(keys, text), SearchBoxRowLinear(keys, text)) << ::testing::PrintToString(text);
    }
  }
}

// Keys read again from the records, here in file order, are not in order;
// the searches then still give the linear rules' answers.
TEST_F(ContactListTest, KeysOutOfOrderStillGiveTheLinearAnswers) {
  std::mt19937 random(4);
  for (int i = 0; i < 200; ++i) Add("x", RandomKey(random));
  RecordQuery query;
  ASSERT_TRUE(LoadContactList(*store_, query, "", 0).ok());  // file order
  ContactListKeys keys;
  ASSERT_TRUE(keys.Build(*store_, query, 2).ok());
  ASSERT_EQ(keys.rows(), 200u);
  EXPECT_FALSE(keys.sorted());
  for (int letter = 'a'; letter <= 'z'; ++letter) {
    EXPECT_EQ(IndexBarRow(keys, char(letter)), IndexBarRowLinear(keys, char(letter))) << letter;
  }
  for (int i = 0; i < 500; ++i) {
    const std::string text = RandomKey(random);
    ASSERT_EQ(SearchBoxRow(keys, text), SearchBoxRowLinear(keys, text)) << ::testing::PrintToString(text);
  }
}

}  // namespace
}  // namespace velmora
