// The contact record of the address book: its byte layout, the value type
// `Contact` over those bytes, the fixed lists the editor offers, the field
// catalogues (internal names, display labels, display fields, sort keys and
// the key table of the command-line tool), the validity rules and the
// duplicate test, and the sample contacts of a new file.
//
// A contact is one 3,729-byte slot of an address-book file: the common
// record header (549 bytes, store/Format.h) followed by the body laid out in
// namespace `contact` below. Every offset and width of the body lives in that
// namespace and nowhere else; everything else addresses fields through it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "store/Bytes.h"
#include "store/Dates.h"
#include "store/Format.h"
#include "store/RecordStore.h"
#include "store/Result.h"

namespace velmora {

// A fixed-width field of the record: offset from the start of the slot and
// width in bytes (for texts the width includes the terminator).
struct ContactField {
  uint32_t offset = 0;
  uint32_t width = 0;
  friend bool operator==(const ContactField&, const ContactField&) = default;
};

namespace contact {

inline constexpr uint32_t kRecordSize = format::InfoOf(format::FileKind::Address).recordSize;  // 3729
inline constexpr uint32_t kBodyOffset = format::record::kHeaderSize;                          // 549

// Fields of the common header that the address book uses.
inline constexpr uint32_t kConfidential = format::record::kConfidential;  // u8
inline constexpr ContactField kCategory{format::record::kCategory, format::record::kCategoryWidth};

// Attachment.
inline constexpr uint32_t kAttachmentKind = 549;  // u8: 1 document, 2 URL
inline constexpr ContactField kAttachment{550, 260};
inline constexpr ContactField kReservedAfterAttachment{810, 19};

// Name page.
inline constexpr ContactField kFirstName{829, 30};
inline constexpr ContactField kMiddleName{859, 30};
inline constexpr ContactField kLastName{889, 30};
inline constexpr ContactField kNickName{919, 30};
inline constexpr ContactField kTitle{949, 15};
inline constexpr ContactField kSuffix{964, 15};
inline constexpr ContactField kReservedAfterSuffix{979, 4};
inline constexpr ContactField kPicture{983, 260};

// Home page. The street may hold line breaks (CR LF).
inline constexpr ContactField kHomeStreet{1243, 50};
inline constexpr ContactField kHomeCity{1293, 35};
inline constexpr ContactField kHomeState{1328, 35};
inline constexpr ContactField kHomeZip{1363, 35};
inline constexpr ContactField kHomeCountry{1398, 35};
inline constexpr ContactField kHomePhone{1433, 25};
inline constexpr ContactField kHomeFax{1458, 25};
inline constexpr ContactField kHomeMobile{1483, 25};
inline constexpr ContactField kHomeWeb{1508, 70};
inline constexpr ContactField kHomeEmail{1578, 60};

// Business page. The street may hold line breaks (CR LF).
inline constexpr ContactField kCompany{1638, 45};
inline constexpr ContactField kJobTitle{1683, 30};
inline constexpr ContactField kDepartment{1713, 30};
inline constexpr ContactField kOffice{1743, 30};
inline constexpr ContactField kWorkStreet{1773, 50};
inline constexpr ContactField kWorkCity{1823, 35};
inline constexpr ContactField kWorkState{1858, 35};
inline constexpr ContactField kWorkZip{1893, 35};
inline constexpr ContactField kWorkCountry{1928, 35};
inline constexpr ContactField kWorkPhone{1963, 25};
inline constexpr ContactField kWorkFax{1988, 25};
inline constexpr ContactField kWorkMobile{2013, 25};
inline constexpr ContactField kWorkWeb{2038, 70};
inline constexpr ContactField kWorkEmail{2108, 60};

// Personal page.
inline constexpr ContactField kSpouseName{2168, 60};
inline constexpr uint32_t kChildCount = 5;
inline constexpr uint32_t kFirstChild = 2228;
inline constexpr uint32_t kChildWidth = 60;
inline constexpr uint32_t kGender = 2528;       // i32
inline constexpr uint32_t kBirthday = 2532;     // date value, all zero when not set
inline constexpr uint32_t kAnniversary = 2544;  // date value, all zero when not set

// Other phones: five pairs of a 25-byte text and its i32 type, one pair
// every 29 bytes. The type is the position in kOtherPhoneTypes plus 1; 0 is
// "no type".
inline constexpr uint32_t kOtherPhoneCount = 5;
inline constexpr uint32_t kFirstOtherPhone = 2556;
inline constexpr uint32_t kOtherPhoneTextWidth = 25;
inline constexpr uint32_t kOtherPhoneTypeWidth = 4;
inline constexpr uint32_t kOtherPhoneStride = kOtherPhoneTextWidth + kOtherPhoneTypeWidth;  // 29

// Notes page. The notes may hold line breaks.
inline constexpr ContactField kNotes{2701, 1024};
inline constexpr uint32_t kNoMailMerge = 3725;  // i32: 1 "Do not send Mail Merge message"

inline constexpr ContactField Child(uint32_t index) {  // index 0..4
  return {kFirstChild + index * kChildWidth, kChildWidth};
}
inline constexpr ContactField OtherPhone(uint32_t index) {  // index 0..4
  return {kFirstOtherPhone + index * kOtherPhoneStride, kOtherPhoneTextWidth};
}
inline constexpr uint32_t OtherPhoneType(uint32_t index) {  // index 0..4, i32
  return kFirstOtherPhone + index * kOtherPhoneStride + kOtherPhoneTextWidth;
}

// The layout is contiguous: each block ends where the next begins.
static_assert(kAttachment.offset == kAttachmentKind + 1);
static_assert(kReservedAfterAttachment.offset == kAttachment.offset + kAttachment.width);
static_assert(kFirstName.offset == kReservedAfterAttachment.offset + kReservedAfterAttachment.width);
static_assert(kPicture.offset == kReservedAfterSuffix.offset + kReservedAfterSuffix.width);
static_assert(kHomeStreet.offset == kPicture.offset + kPicture.width);
static_assert(kCompany.offset == kHomeEmail.offset + kHomeEmail.width);
static_assert(kSpouseName.offset == kWorkEmail.offset + kWorkEmail.width);
static_assert(kFirstChild == kSpouseName.offset + kSpouseName.width);
static_assert(kGender == kFirstChild + kChildCount * kChildWidth);
static_assert(kBirthday == kGender + 4 && kAnniversary == kBirthday + format::kDateValueSize);
static_assert(kFirstOtherPhone == kAnniversary + format::kDateValueSize);
static_assert(kNotes.offset == kFirstOtherPhone + kOtherPhoneCount * kOtherPhoneStride);
static_assert(kNoMailMerge == kNotes.offset + kNotes.width);
static_assert(kRecordSize == kNoMailMerge + 4);

// Attachment kinds.
inline constexpr uint8_t kAttachDocument = 1;
inline constexpr uint8_t kAttachUrl = 2;

// Genders (the stored value is the position in kGenders).
inline constexpr int32_t kGenderUnspecified = 0;
inline constexpr int32_t kGenderFemale = 1;
inline constexpr int32_t kGenderMale = 2;

// Fixed lists, in the order the editor offers them.
inline constexpr std::array<std::string_view, 6> kTitles{"Mr.", "Mrs.", "Miss", "Ms.", "Dr.", "Prof."};
inline constexpr std::array<std::string_view, 5> kSuffixes{"I", "II", "III", "Jr.", "Sr."};
inline constexpr std::array<std::string_view, 11> kJobTitles{
    "Analyst", "CEO", "Chairman", "Consultant", "Director", "Engineer",
    "Manager", "Owner", "Partner", "President", "Secretary"};
inline constexpr std::array<std::string_view, 3> kGenders{"Unspecified", "Female", "Male"};
inline constexpr std::array<std::string_view, 17> kOtherPhoneTypes{
    "Assistant", "Business 2", "Callback", "Car", "Company", "Home 2", "ISDN", "Other", "Other Fax",
    "Pager", "Primary", "Radio", "Telex", "TTY/TDD", "E-mail1", "E-mail2", "E-mail3"};
inline constexpr int32_t kMaxOtherPhoneType = static_cast<int32_t>(kOtherPhoneTypes.size());  // 17

// Number of internal field names and of display labels.
inline constexpr size_t kFieldNameCount = 42;
inline constexpr size_t kLabelCount = 46;

}  // namespace contact

// A cheap value over the bytes of one contact record. The bytes are the only
// state: every accessor reads or writes them at the offsets of `contact`, so
// a Contact can be handed to the store as it is (bytes()).
class Contact {
 public:
  Contact();                       // all 3,729 bytes zero
  explicit Contact(Bytes record);  // a shorter buffer is padded with zeros

  const Bytes& bytes() const { return bytes_; }
  Bytes& bytes() { return bytes_; }
  const uint8_t* data() const { return bytes_.data(); }
  uint8_t* data() { return bytes_.data(); }

  // Text fields: the stored text (Windows-1252 read as such), and the store
  // of a text cut to width - 1 bytes at a character boundary; SetText
  // returns the number of bytes kept.
  std::string Text(ContactField field) const;
  std::string_view RawText(ContactField field) const;  // bytes up to the terminator
  size_t SetText(ContactField field, std::string_view text);

  // Header fields the address book uses.
  uint64_t Id() const;
  bool Confidential() const;
  void SetConfidential(bool on);
  std::string Category() const { return Text(contact::kCategory); }
  size_t SetCategory(std::string_view name) { return SetText(contact::kCategory, name); }

  std::string Picture() const { return Text(contact::kPicture); }
  size_t SetPicture(std::string_view path) { return SetText(contact::kPicture, path); }
  std::string Notes() const { return Text(contact::kNotes); }
  size_t SetNotes(std::string_view notes) { return SetText(contact::kNotes, notes); }

  // Children and other phones by index 0..4; other indexes read as empty
  // and are ignored on write.
  std::string Child(int index) const;
  void SetChild(int index, std::string_view name);
  std::string OtherPhone(int index) const;
  void SetOtherPhone(int index, std::string_view number);
  int32_t OtherPhoneType(int index) const;  // 0 none, 1..17
  void SetOtherPhoneType(int index, int32_t type);

  int32_t Gender() const;
  void SetGender(int32_t gender);
  DateValue Birthday() const;
  void SetBirthday(const DateValue& date);
  DateValue Anniversary() const;
  void SetAnniversary(const DateValue& date);

  uint8_t AttachmentKind() const;
  void SetAttachmentKind(uint8_t kind);
  std::string Attachment() const { return Text(contact::kAttachment); }
  size_t SetAttachment(std::string_view pathOrUrl) { return SetText(contact::kAttachment, pathOrUrl); }
  // A contact has an attachment when the kind is set and the text is not empty.
  bool HasAttachment() const;

  bool NoMailMerge() const;
  void SetNoMailMerge(bool on);

 private:
  Bytes bytes_;
};

// Zeroes buffer to 3,729 bytes and fills the common header of a new record.
void InitContactRecord(RecordStore& store, Bytes& buffer);

// Offset and width of the text field with that internal name ("First_Name"
// .. "Notes", the names mail-merge templates use); case-sensitive.
std::optional<ContactField> FindContactField(std::string_view name);

struct NamedContactField {
  std::string_view name;
  ContactField field;
};
// The 42 internal names with their fields, in their catalogue order.
std::span<const NamedContactField> ContactFieldNames();

// Label of a field listed by position (export columns, reports, import):
// positions 0..45.
std::optional<std::string> ContactFieldLabel(int position);

// Applies the validity rules: gender clamped to 0..2, each other-phone type
// to 0..17, and a birthday or anniversary without a valid day number cleared
// to all zero. A buffer shorter than a record is first padded with zeros.
void NormaliseContactRecord(Bytes& buffer);

// The duplicate test of the import. Compares exactly what an import can
// fill: the category name and the body fields of the import catalogue
// (every text field including the picture, gender, birthday, anniversary and
// the five other-phone types). Texts are compared byte for byte up to their
// terminator (case matters, bytes after the terminator do not), numbers by
// value, dates by day number (so every invalid date equals every other).
// The record header apart from the category, the attachment, the mail-merge
// flag and the reserved bytes are not compared: an import never sets them,
// so comparing them would let a re-imported export duplicate every contact
// that has them.
bool ContactRecordsEqual(const Bytes& a, const Bytes& b);

// Adds the three sample contacts of a new file, in a fixed order. Stops at
// the first add that does not succeed and returns its result.
Result AddSampleContacts(RecordStore& store);

// Sort keys 1..10 of the contact list: field offset and compared length.
struct ContactSortKey {
  uint32_t offset = 0;
  uint32_t length = 0;
};
inline constexpr int kFirstSortKey = 1;
inline constexpr int kLastSortKey = 10;
std::optional<ContactSortKey> FindContactSortKey(int key);

// The display fields the list's configurable columns choose from.
enum class DisplayKind { Phone = 1, Email = 2, Web = 3 };
struct DisplayField {
  std::string_view label;  // shown before the value, e.g. "Home:"
  DisplayKind kind;
  ContactField field;      // fixed fields (positions 0..7); width 0 otherwise
  int32_t otherPhoneType;  // positions 8..24: the other-phone type shown; 0 otherwise
};
inline constexpr int kDisplayFieldCount = 25;
std::span<const DisplayField> DisplayFields();
// The value shown for display field position 0..24: the fixed field's text,
// or the text of the first of the five other phones whose type is the
// field's type (empty when none has it). Empty for other positions.
std::string DisplayFieldValue(const Contact& contact, int position);

// The three configurable columns of the contact list.
struct ListColumn {
  int displayField = 0;  // position in DisplayFields()
  bool on = false;
  friend bool operator==(const ListColumn&, const ListColumn&) = default;
};
inline constexpr std::array<ListColumn, 3> kDefaultListColumns{{{0, true}, {1, true}, {5, false}}};
// Reads "CustomID_n" and "CustomState_n" (n = 1..3) of section "Preference"
// from the program's settings file. A missing or out-of-range position keeps
// the column's default position; a missing state keeps the default state,
// any present state is on exactly when it is 1.
std::array<ListColumn, 3> ReadListColumns();
// Writes the six keys (positions, and 1 or 0 for the states). 1 on success.
int WriteListColumns(const std::array<ListColumn, 3>& columns);

// Keys of a contact body as the command-line tool names them in JSON: the 42
// internal names plus the numbers, dates, picture and attachment, in record
// order.
enum class BodyKeyType { Text, I32, Date, U8 };
struct BodyKey {
  std::string_view name;
  uint32_t offset;
  uint32_t width;  // bytes: text width with terminator, 4, 12 or 1
  BodyKeyType type;
};
std::span<const BodyKey> ContactBodyKeys();
const BodyKey* FindContactBodyKey(std::string_view name);

}  // namespace velmora
