#include "addressbook/model/ContactRecord.h"

#include <algorithm>
#include <iterator>

#include "store/RecordHeader.h"
#include "store/Settings.h"

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

bool ValidIndex(int index, uint32_t count) { return index >= 0 && uint32_t(index) < count; }

// Pointer to a full record's bytes: the buffer itself, or a zero-padded copy
// in scratch when the buffer is shorter than a record.
const uint8_t* FullRecord(const Bytes& buffer, Bytes& scratch) {
  if (buffer.size() >= c::kRecordSize) return buffer.data();
  scratch.assign(c::kRecordSize, 0);
  std::copy(buffer.begin(), buffer.end(), scratch.begin());
  return scratch.data();
}

// The attachment and the mail-merge flag cannot come from an import, so the
// duplicate test leaves them out.
bool ComparedByDuplicateTest(const BodyKey& key) {
  return key.offset != c::kAttachmentKind && key.offset != c::kAttachment.offset && key.offset != c::kNoMailMerge;
}

// The sample contacts. Their texts are checked at compile time to fit their
// fields, so nothing is ever cut when they are stored.
struct SampleContact {
  std::string_view firstName, middleName, lastName, nickName, picture;
  std::string_view homeStreet, homeCity, homeState, homeZip, homeCountry;
  std::string_view homeEmail, homePhone, homeFax, homeMobile, homeWeb;
  std::string_view company, jobTitle;
  std::string_view workStreet, workCity, workState, workZip, workCountry;
  std::string_view workEmail, workPhone, workFax, workMobile, workWeb;
  std::string_view spouse;
  std::array<std::string_view, 2> children;
  std::array<std::string_view, c::kOtherPhoneCount> otherPhones;
};

constexpr std::string_view kSampleTitle = c::kTitles[3];  // "Ms."
constexpr std::string_view kSampleDepartment = "Department";
constexpr std::string_view kSampleOffice = "Office";

constexpr std::array<SampleContact, 3> kSamples{{
    {"Anna", "Louise", "Bergman", "Annie", "anna_bergman.jpg",
     "1420 Maple Avenue\r\nApartment 3B", "Springfield", "IL", "62704", "USA",
     "anna.bergman@example.com", "(217) 555-0142", "(217) 555-0143", "(217) 555-0178",
     "www.example.com/~abergman",
     "Prairie Lantern Design", c::kJobTitles[4],  // Director
     "200 Commerce Plaza\r\nSuite 1200", "Springfield", "IL", "62701", "USA",
     "a.bergman@prairielantern.example.com", "(217) 555-0100", "(217) 555-0101", "(217) 555-0179",
     "www.prairielantern.example.com",
     "David Bergman", {"Emma", "Lucas"},
     {"(217) 555-0110", "(217) 555-0111", "(217) 555-0112", "(217) 555-0113", "(217) 555-0114"}},
    {"Maria", "Elena", "Santos", "Mari", "",
     "88 Willow Creek Drive\r\nUnit 12", "Austin", "TX", "78745", "USA",
     "maria.santos@example.net", "(512) 555-0134", "(512) 555-0135", "(512) 555-0163",
     "www.example.net/msantos",
     "Lone Star Analytics", c::kJobTitles[3],  // Consultant
     "5100 Congress Avenue\r\nFloor 7", "Austin", "TX", "78701", "USA",
     "msantos@lonestaranalytics.example.com", "(512) 555-0190", "(512) 555-0191", "(512) 555-0164",
     "www.lonestaranalytics.example.com",
     "Rafael Santos", {"Sofia", ""},
     {"(512) 555-0120", "(512) 555-0121", "(512) 555-0122", "(512) 555-0123", "(512) 555-0124"}},
    {"Grace", "Ann", "O'Connell", "Gracie", "",
     "3107 Alder Street\r\nPO Box 455", "Portland", "OR", "97214", "USA",
     "grace.oconnell@example.org", "(503) 555-0156", "(503) 555-0157", "(503) 555-0185",
     "www.example.org/goconnell",
     "Cascade Bridgeworks", c::kJobTitles[5],  // Engineer
     "900 River Parkway\r\nBuilding C", "Portland", "OR", "97201", "USA",
     "g.oconnell@cascadebridge.example.com", "(503) 555-0170", "(503) 555-0171", "(503) 555-0186",
     "www.cascadebridge.example.com",
     "Thomas O'Connell", {"Liam", "Nora"},
     {"(503) 555-0130", "(503) 555-0131", "(503) 555-0132", "(503) 555-0133", "(503) 555-0134"}},
}};

constexpr bool Fits(std::string_view text, ContactField f) { return text.size() < f.width; }

constexpr bool SampleFits(const SampleContact& s) {
  bool ok = Fits(s.firstName, c::kFirstName) && Fits(s.middleName, c::kMiddleName) &&
            Fits(s.lastName, c::kLastName) && Fits(s.nickName, c::kNickName) && Fits(kSampleTitle, c::kTitle) &&
            Fits(s.picture, c::kPicture) && Fits(s.homeStreet, c::kHomeStreet) && Fits(s.homeCity, c::kHomeCity) &&
            Fits(s.homeState, c::kHomeState) && Fits(s.homeZip, c::kHomeZip) &&
            Fits(s.homeCountry, c::kHomeCountry) && Fits(s.homeEmail, c::kHomeEmail) &&
            Fits(s.homePhone, c::kHomePhone) && Fits(s.homeFax, c::kHomeFax) &&
            Fits(s.homeMobile, c::kHomeMobile) && Fits(s.homeWeb, c::kHomeWeb) && Fits(s.company, c::kCompany) &&
            Fits(s.jobTitle, c::kJobTitle) && Fits(kSampleDepartment, c::kDepartment) &&
            Fits(kSampleOffice, c::kOffice) && Fits(s.workStreet, c::kWorkStreet) &&
            Fits(s.workCity, c::kWorkCity) && Fits(s.workState, c::kWorkState) && Fits(s.workZip, c::kWorkZip) &&
            Fits(s.workCountry, c::kWorkCountry) && Fits(s.workEmail, c::kWorkEmail) &&
            Fits(s.workPhone, c::kWorkPhone) && Fits(s.workFax, c::kWorkFax) &&
            Fits(s.workMobile, c::kWorkMobile) && Fits(s.workWeb, c::kWorkWeb) && Fits(s.spouse, c::kSpouseName);
  for (std::string_view child : s.children) ok = ok && Fits(child, c::Child(0));
  for (std::string_view phone : s.otherPhones) ok = ok && Fits(phone, c::OtherPhone(0));
  return ok;
}
static_assert(SampleFits(kSamples[0]) && SampleFits(kSamples[1]) && SampleFits(kSamples[2]));

void FillSample(Contact& contact, const SampleContact& s) {
  contact.SetText(c::kFirstName, s.firstName);
  contact.SetText(c::kMiddleName, s.middleName);
  contact.SetText(c::kLastName, s.lastName);
  contact.SetText(c::kNickName, s.nickName);
  contact.SetText(c::kTitle, kSampleTitle);
  contact.SetPicture(s.picture);
  contact.SetText(c::kHomeStreet, s.homeStreet);
  contact.SetText(c::kHomeCity, s.homeCity);
  contact.SetText(c::kHomeState, s.homeState);
  contact.SetText(c::kHomeZip, s.homeZip);
  contact.SetText(c::kHomeCountry, s.homeCountry);
  contact.SetText(c::kHomeEmail, s.homeEmail);
  contact.SetText(c::kHomePhone, s.homePhone);
  contact.SetText(c::kHomeFax, s.homeFax);
  contact.SetText(c::kHomeMobile, s.homeMobile);
  contact.SetText(c::kHomeWeb, s.homeWeb);
  contact.SetText(c::kCompany, s.company);
  contact.SetText(c::kJobTitle, s.jobTitle);
  contact.SetText(c::kDepartment, kSampleDepartment);
  contact.SetText(c::kOffice, kSampleOffice);
  contact.SetText(c::kWorkStreet, s.workStreet);
  contact.SetText(c::kWorkCity, s.workCity);
  contact.SetText(c::kWorkState, s.workState);
  contact.SetText(c::kWorkZip, s.workZip);
  contact.SetText(c::kWorkCountry, s.workCountry);
  contact.SetText(c::kWorkEmail, s.workEmail);
  contact.SetText(c::kWorkPhone, s.workPhone);
  contact.SetText(c::kWorkFax, s.workFax);
  contact.SetText(c::kWorkMobile, s.workMobile);
  contact.SetText(c::kWorkWeb, s.workWeb);
  contact.SetText(c::kSpouseName, s.spouse);
  for (size_t i = 0; i < s.children.size(); ++i) contact.SetChild(int(i), s.children[i]);
  for (size_t i = 0; i < s.otherPhones.size(); ++i) {
    contact.SetOtherPhone(int(i), s.otherPhones[i]);
    contact.SetOtherPhoneType(int(i), int32_t(i + 1));  // "Assistant" .. "Company"
  }
  contact.SetGender(c::kGenderFemale);
}

constexpr std::string_view kPreference = "Preference";
constexpr std::array<std::string_view, 3> kColumnIdKeys{"CustomID_1", "CustomID_2", "CustomID_3"};
constexpr std::array<std::string_view, 3> kColumnStateKeys{"CustomState_1", "CustomState_2", "CustomState_3"};

}  // namespace

// ---- Contact ---------------------------------------------------------------

Contact::Contact() : bytes_(c::kRecordSize, 0) {}

Contact::Contact(Bytes record) : bytes_(std::move(record)) {
  if (bytes_.size() < c::kRecordSize) bytes_.resize(c::kRecordSize, 0);
}

std::string Contact::Text(ContactField field) const { return GetText(data() + field.offset, field.width); }

std::string_view Contact::RawText(ContactField field) const {
  return velmora::RawText(data() + field.offset, field.width);
}

size_t Contact::SetText(ContactField field, std::string_view text) {
  return PutText(data() + field.offset, field.width, text);
}

uint64_t Contact::Id() const { return rec::Id(data()); }
bool Contact::Confidential() const { return rec::Confidential(data()); }
void Contact::SetConfidential(bool on) { rec::SetConfidential(data(), on); }

std::string Contact::Child(int index) const {
  return ValidIndex(index, c::kChildCount) ? Text(c::Child(uint32_t(index))) : std::string();
}
void Contact::SetChild(int index, std::string_view name) {
  if (ValidIndex(index, c::kChildCount)) SetText(c::Child(uint32_t(index)), name);
}

std::string Contact::OtherPhone(int index) const {
  return ValidIndex(index, c::kOtherPhoneCount) ? Text(c::OtherPhone(uint32_t(index))) : std::string();
}
void Contact::SetOtherPhone(int index, std::string_view number) {
  if (ValidIndex(index, c::kOtherPhoneCount)) SetText(c::OtherPhone(uint32_t(index)), number);
}
int32_t Contact::OtherPhoneType(int index) const {
  return ValidIndex(index, c::kOtherPhoneCount) ? GetI32(data() + c::OtherPhoneType(uint32_t(index))) : 0;
}
void Contact::SetOtherPhoneType(int index, int32_t type) {
  if (ValidIndex(index, c::kOtherPhoneCount)) PutI32(data() + c::OtherPhoneType(uint32_t(index)), type);
}

int32_t Contact::Gender() const { return GetI32(data() + c::kGender); }
void Contact::SetGender(int32_t gender) { PutI32(data() + c::kGender, gender); }
DateValue Contact::Birthday() const { return GetDate(data() + c::kBirthday); }
void Contact::SetBirthday(const DateValue& date) { PutDate(data() + c::kBirthday, date); }
DateValue Contact::Anniversary() const { return GetDate(data() + c::kAnniversary); }
void Contact::SetAnniversary(const DateValue& date) { PutDate(data() + c::kAnniversary, date); }

uint8_t Contact::AttachmentKind() const { return bytes_[c::kAttachmentKind]; }
void Contact::SetAttachmentKind(uint8_t kind) { bytes_[c::kAttachmentKind] = kind; }
bool Contact::HasAttachment() const { return AttachmentKind() != 0 && !RawText(c::kAttachment).empty(); }

bool Contact::NoMailMerge() const { return GetI32(data() + c::kNoMailMerge) != 0; }
void Contact::SetNoMailMerge(bool on) { PutI32(data() + c::kNoMailMerge, on ? 1 : 0); }

// ---- Record operations -----------------------------------------------------

void InitContactRecord(RecordStore& store, Bytes& buffer) {
  buffer.assign(c::kRecordSize, 0);
  store.InitRecord(buffer, c::kRecordSize);
}

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

void NormaliseContactRecord(Bytes& buffer) {
  if (buffer.size() < c::kRecordSize) buffer.resize(c::kRecordSize, 0);
  uint8_t* r = buffer.data();
  PutI32(r + c::kGender, std::clamp(GetI32(r + c::kGender), c::kGenderUnspecified, c::kGenderMale));
  for (uint32_t i = 0; i < c::kOtherPhoneCount; ++i) {
    uint8_t* type = r + c::OtherPhoneType(i);
    PutI32(type, std::clamp(GetI32(type), int32_t(0), c::kMaxOtherPhoneType));
  }
  for (uint32_t offset : {c::kBirthday, c::kAnniversary}) {
    if (DayNumber(GetDate(r + offset)) == kInvalidDayNumber) PutDate(r + offset, DateValue{});
  }
}

bool ContactRecordsEqual(const Bytes& a, const Bytes& b) {
  Bytes scratchA, scratchB;
  const uint8_t* ra = FullRecord(a, scratchA);
  const uint8_t* rb = FullRecord(b, scratchB);
  auto sameText = [&](uint32_t offset, uint32_t width) {
    return RawText(ra + offset, width) == RawText(rb + offset, width);
  };
  if (!sameText(c::kCategory.offset, c::kCategory.width)) return false;
  for (const BodyKey& key : kBodyKeys) {
    if (!ComparedByDuplicateTest(key)) continue;
    const uint8_t* fa = ra + key.offset;
    const uint8_t* fb = rb + key.offset;
    switch (key.type) {
      case BodyKeyType::Text:
        if (!sameText(key.offset, key.width)) return false;
        break;
      case BodyKeyType::I32:
        if (GetI32(fa) != GetI32(fb)) return false;
        break;
      case BodyKeyType::Date:
        if (DayNumber(GetDate(fa)) != DayNumber(GetDate(fb))) return false;
        break;
      case BodyKeyType::U8:
        if (*fa != *fb) return false;
        break;
    }
  }
  return true;
}

Result AddSampleContacts(RecordStore& store) {
  for (const SampleContact& sample : kSamples) {
    Bytes buffer;
    InitContactRecord(store, buffer);
    Contact contact(std::move(buffer));
    FillSample(contact, sample);
    Result added = store.AddRecord(contact.bytes());
    if (!added.ok()) return added;
  }
  return Result::Ok();
}

// ---- Catalogues --------------------------------------------------------------

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

int WriteListColumns(const std::array<ListColumn, 3>& columns) {
  const std::string path = ProgramSettingsPath();
  int ok = 1;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (!WriteSettingInt(path, kPreference, kColumnIdKeys[i], columns[i].displayField)) ok = 0;
    if (!WriteSettingInt(path, kPreference, kColumnStateKeys[i], columns[i].on ? 1 : 0)) ok = 0;
  }
  return ok;
}

std::span<const BodyKey> ContactBodyKeys() { return kBodyKeys; }

const BodyKey* FindContactBodyKey(std::string_view name) {
  for (const BodyKey& key : kBodyKeys) {
    if (key.name == name) return &key;
  }
  return nullptr;
}

}  // namespace velmora
