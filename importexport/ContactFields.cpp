#include "importexport/ContactFields.h"

#include <iterator>

namespace velmora {

namespace c = contact;

namespace {

// The internal names, in the order templates and lists present them.
constexpr NamedContactField kFieldNames[] = {
    {"First_Name", c::kFirstName},
    {"Middle_Name", c::kMiddleName},
    {"Last_Name", c::kLastName},
    {"Nick_Name", c::kNickName},
    {"Title", c::kTitle},
    {"Suffix", c::kSuffix},
    {"Home_Street_Address", c::kHomeStreet},
    {"Home_City", c::kHomeCity},
    {"Home_State_Province", c::kHomeState},
    {"Home_Zip_Postal_Code", c::kHomeZip},
    {"Home_Country", c::kHomeCountry},
    {"Home_Phone", c::kHomePhone},
    {"Home_Fax", c::kHomeFax},
    {"Home_Mobile", c::kHomeMobile},
    {"Home_Email", c::kHomeEmail},
    {"Home_Web", c::kHomeWeb},
    {"Company", c::kCompany},
    {"Job_Title", c::kJobTitle},
    {"Department", c::kDepartment},
    {"Office", c::kOffice},
    {"Work_Street_Address", c::kWorkStreet},
    {"Work_City", c::kWorkCity},
    {"Work_State_Province", c::kWorkState},
    {"Work_Zip_Postal_Code", c::kWorkZip},
    {"Work_Country", c::kWorkCountry},
    {"Work_Phone", c::kWorkPhone},
    {"Work_Fax", c::kWorkFax},
    {"Work_Mobile", c::kWorkMobile},
    {"Work_Email", c::kWorkEmail},
    {"Work_Web", c::kWorkWeb},
    {"Spouse_Name", c::kSpouseName},
    {"Chield1", c::Child(0)},
    {"Chield2", c::Child(1)},
    {"Chield3", c::Child(2)},
    {"Chield4", c::Child(3)},
    {"Chield5", c::Child(4)},
    {"Custom1", c::OtherPhone(0)},
    {"Custom2", c::OtherPhone(1)},
    {"Custom3", c::OtherPhone(2)},
    {"Custom4", c::OtherPhone(3)},
    {"Custom5", c::OtherPhone(4)},
    {"Notes", c::kNotes},
};
static_assert(std::size(kFieldNames) == c::kFieldNameCount);

constexpr std::string_view kLabels[] = {
    "First Name",   "Middle Name", "Last Name",   "Nick Name",   "Title",        "Suffix",      "Picture",
    "Home Street",  "Home City",   "Home State",  "Home Zip",    "Home Country", "Home Phone",  "Home Fax",
    "Home Mobile",  "Home Email",  "Home Web",    "Company",     "Job Title",    "Department",  "Office",
    "Work Street",  "Work City",   "Work State",  "Work Zip",    "Work Country", "Work Phone",  "Work Fax",
    "Work Mobile",  "Work Email",  "Work Web",    "Spouse Name", "Chield1",      "Chield2",     "Chield3",
    "Chield4",      "Chield5",     "Gender",      "Birthday",    "Anniversary",  "Custom1",     "Custom2",
    "Custom3",      "Custom4",     "Custom5",     "Notes"};
static_assert(std::size(kLabels) == c::kLabelCount);

constexpr uint32_t kI32Width = 4;

constexpr BodyKey TextKey(std::string_view name, ContactField f) { return {name, f.offset, f.width, BodyKeyType::Text}; }
constexpr BodyKey I32Key(std::string_view name, uint32_t offset) { return {name, offset, kI32Width, BodyKeyType::I32}; }
constexpr BodyKey DateKey(std::string_view name, uint32_t offset) {
  return {name, offset, format::kDateValueSize, BodyKeyType::Date};
}

constexpr BodyKey kBodyKeys[] = {
    {"Attachment_Kind", c::kAttachmentKind, 1, BodyKeyType::U8},
    TextKey("Attachment", c::kAttachment),
    TextKey("First_Name", c::kFirstName),
    TextKey("Middle_Name", c::kMiddleName),
    TextKey("Last_Name", c::kLastName),
    TextKey("Nick_Name", c::kNickName),
    TextKey("Title", c::kTitle),
    TextKey("Suffix", c::kSuffix),
    TextKey("Picture", c::kPicture),
    TextKey("Home_Street_Address", c::kHomeStreet),
    TextKey("Home_City", c::kHomeCity),
    TextKey("Home_State_Province", c::kHomeState),
    TextKey("Home_Zip_Postal_Code", c::kHomeZip),
    TextKey("Home_Country", c::kHomeCountry),
    TextKey("Home_Phone", c::kHomePhone),
    TextKey("Home_Fax", c::kHomeFax),
    TextKey("Home_Mobile", c::kHomeMobile),
    TextKey("Home_Web", c::kHomeWeb),
    TextKey("Home_Email", c::kHomeEmail),
    TextKey("Company", c::kCompany),
    TextKey("Job_Title", c::kJobTitle),
    TextKey("Department", c::kDepartment),
    TextKey("Office", c::kOffice),
    TextKey("Work_Street_Address", c::kWorkStreet),
    TextKey("Work_City", c::kWorkCity),
    TextKey("Work_State_Province", c::kWorkState),
    TextKey("Work_Zip_Postal_Code", c::kWorkZip),
    TextKey("Work_Country", c::kWorkCountry),
    TextKey("Work_Phone", c::kWorkPhone),
    TextKey("Work_Fax", c::kWorkFax),
    TextKey("Work_Mobile", c::kWorkMobile),
    TextKey("Work_Web", c::kWorkWeb),
    TextKey("Work_Email", c::kWorkEmail),
    TextKey("Spouse_Name", c::kSpouseName),
    TextKey("Chield1", c::Child(0)),
    TextKey("Chield2", c::Child(1)),
    TextKey("Chield3", c::Child(2)),
    TextKey("Chield4", c::Child(3)),
    TextKey("Chield5", c::Child(4)),
    I32Key("Gender", c::kGender),
    DateKey("Birthday", c::kBirthday),
    DateKey("Anniversary", c::kAnniversary),
    TextKey("Custom1", c::OtherPhone(0)),
    I32Key("Custom1_ID", c::OtherPhoneType(0)),
    TextKey("Custom2", c::OtherPhone(1)),
    I32Key("Custom2_ID", c::OtherPhoneType(1)),
    TextKey("Custom3", c::OtherPhone(2)),
    I32Key("Custom3_ID", c::OtherPhoneType(2)),
    TextKey("Custom4", c::OtherPhone(3)),
    I32Key("Custom4_ID", c::OtherPhoneType(3)),
    TextKey("Custom5", c::OtherPhone(4)),
    I32Key("Custom5_ID", c::OtherPhoneType(4)),
    TextKey("Notes", c::kNotes),
    I32Key("No_Mail_Merge", c::kNoMailMerge),
};
// The 42 internal names, gender, two dates, five types, picture, attachment
// kind and text, and the mail-merge flag.
static_assert(std::size(kBodyKeys) == c::kFieldNameCount + 12);

// The keys follow each other in record order without overlapping.
constexpr bool BodyKeysInRecordOrder() {
  for (size_t i = 1; i < std::size(kBodyKeys); ++i) {
    if (kBodyKeys[i].offset < kBodyKeys[i - 1].offset + kBodyKeys[i - 1].width) return false;
  }
  const BodyKey& last = kBodyKeys[std::size(kBodyKeys) - 1];
  return last.offset + last.width == c::kRecordSize;
}
static_assert(BodyKeysInRecordOrder());

}  // namespace

std::optional<ContactField> FindContactField(std::string_view name) {
  for (const NamedContactField& f : kFieldNames) {
    if (f.name == name) return f.field;
  }
  return std::nullopt;
}

std::span<const NamedContactField> ContactFieldNames() { return kFieldNames; }

std::optional<std::string> ContactFieldLabel(int position) {
  if (position < 0 || size_t(position) >= std::size(kLabels)) return std::nullopt;
  return std::string(kLabels[size_t(position)]);
}

std::span<const BodyKey> ContactBodyKeys() { return kBodyKeys; }

const BodyKey* FindContactBodyKey(std::string_view name) {
  for (const BodyKey& key : kBodyKeys) {
    if (key.name == name) return &key;
  }
  return nullptr;
}

}  // namespace velmora
