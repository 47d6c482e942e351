#include "addressbook/model/ContactList.h"

#include <iterator>

#include "store/Settings.h"

namespace velmora {

namespace c = contact;

namespace {

// Sort keys 1..10, in key order; each compares its whole field.
constexpr ContactField kSortKeys[] = {
    c::kFirstName, c::kLastName, c::kNickName, c::kCompany, c::kHomeCity,
    c::kHomeState, c::kHomeCountry, c::kWorkCity, c::kWorkState, c::kWorkCountry};
static_assert(std::size(kSortKeys) == kLastSortKey - kFirstSortKey + 1);

constexpr ContactField kNoField{};
constexpr DisplayField kDisplayFields[] = {
    {"Home:", DisplayKind::Phone, c::kHomePhone, 0},
    {"Business:", DisplayKind::Phone, c::kWorkPhone, 0},
    {"H.Mobile:", DisplayKind::Phone, c::kHomeMobile, 0},
    {"B.Mobile:", DisplayKind::Phone, c::kWorkMobile, 0},
    {"H.E-mail:", DisplayKind::Email, c::kHomeEmail, 0},
    {"B.E-mail:", DisplayKind::Email, c::kWorkEmail, 0},
    {"H.Web:", DisplayKind::Web, c::kHomeWeb, 0},
    {"B.Web:", DisplayKind::Web, c::kWorkWeb, 0},
    {"Assistant:", DisplayKind::Phone, kNoField, 1},
    {"Business 2:", DisplayKind::Phone, kNoField, 2},
    {"Callback:", DisplayKind::Phone, kNoField, 3},
    {"Car:", DisplayKind::Phone, kNoField, 4},
    {"Company:", DisplayKind::Phone, kNoField, 5},
    {"Home 2:", DisplayKind::Phone, kNoField, 6},
    {"ISDN:", DisplayKind::Phone, kNoField, 7},
    {"Other:", DisplayKind::Phone, kNoField, 8},
    {"Other Fax:", DisplayKind::Phone, kNoField, 9},
    {"Pager:", DisplayKind::Phone, kNoField, 10},
    {"Primary:", DisplayKind::Phone, kNoField, 11},
    {"Radio:", DisplayKind::Phone, kNoField, 12},
    {"Telex:", DisplayKind::Phone, kNoField, 13},
    {"TTY/TDD:", DisplayKind::Phone, kNoField, 14},
    {"E-mail1:", DisplayKind::Email, kNoField, 15},
    {"E-mail2:", DisplayKind::Email, kNoField, 16},
    {"E-mail3:", DisplayKind::Email, kNoField, 17},
};
static_assert(std::size(kDisplayFields) == kDisplayFieldCount);

// Each other-phone display field carries the label of its type.
constexpr bool DisplayLabelsMatchTypes() {
  for (size_t i = 0; i < c::kOtherPhoneTypes.size(); ++i) {
    const DisplayField& f = kDisplayFields[8 + i];
    if (f.otherPhoneType != int32_t(i + 1)) return false;
    if (f.label.substr(0, f.label.size() - 1) != c::kOtherPhoneTypes[i] || f.label.back() != ':') return false;
  }
  return true;
}
static_assert(DisplayLabelsMatchTypes());

constexpr std::string_view kPreference = "Preference";
constexpr std::array<std::string_view, 3> kColumnIdKeys{"CustomID_1", "CustomID_2", "CustomID_3"};
constexpr std::array<std::string_view, 3> kColumnStateKeys{"CustomState_1", "CustomState_2", "CustomState_3"};

}  // namespace

std::optional<ContactSortKey> FindContactSortKey(int key) {
  if (key < kFirstSortKey || key > kLastSortKey) return std::nullopt;
  const ContactField& f = kSortKeys[size_t(key - kFirstSortKey)];
  return ContactSortKey{f.offset, f.width};
}

std::span<const DisplayField> DisplayFields() { return kDisplayFields; }

std::string DisplayFieldValue(const Contact& contact, int position) {
  if (position < 0 || position >= kDisplayFieldCount) return {};
  const DisplayField& f = kDisplayFields[size_t(position)];
  if (f.otherPhoneType == 0) return contact.Text(f.field);
  for (int i = 0; i < int(c::kOtherPhoneCount); ++i) {
    if (contact.OtherPhoneType(i) == f.otherPhoneType) return contact.OtherPhone(i);
  }
  return {};
}

std::array<ListColumn, 3> ReadListColumns() {
  std::array<ListColumn, 3> columns = kDefaultListColumns;
  const std::string path = ProgramSettingsPath();
  for (size_t i = 0; i < columns.size(); ++i) {
    int value = 0;
    if (ReadSettingInt(path, kPreference, kColumnIdKeys[i], value) && value >= 0 && value < kDisplayFieldCount) {
      columns[i].displayField = value;
    }
    if (ReadSettingInt(path, kPreference, kColumnStateKeys[i], value)) columns[i].on = value == 1;
  }
  return columns;
}

Result WriteListColumns(const std::array<ListColumn, 3>& columns) {
  const std::string path = ProgramSettingsPath();
  // Every key is tried; the first failure is the one reported.
  Result written = Result::Ok();
  const auto keep = [&written](Result result) {
    if (written.ok() && !result.ok()) written = std::move(result);
  };
  for (size_t i = 0; i < columns.size(); ++i) {
    keep(WriteSettingInt(path, kPreference, kColumnIdKeys[i], columns[i].displayField));
    keep(WriteSettingInt(path, kPreference, kColumnStateKeys[i], columns[i].on ? 1 : 0));
  }
  return written;
}

}  // namespace velmora
