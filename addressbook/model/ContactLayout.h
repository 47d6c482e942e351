// The byte layout of a contact: one 3,729-byte slot of an address-book file,
// the common record header (549 bytes, store/Format.h) followed by the body
// laid out in namespace `contact` below, with the fixed lists the editor
// offers. Every offset and width of the body lives in that namespace and
// nowhere else; everything else addresses fields through it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "store/Format.h"

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

}  // namespace contact

}  // namespace velmora
