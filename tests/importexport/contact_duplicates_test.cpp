// The duplicate test of a contact import.
#include "importexport/ContactDuplicates.h"

#include <gtest/gtest.h>

#include "addressbook/model/Contact.h"
#include "store/Format.h"
#include "store/RecordHeader.h"

namespace velmora {
namespace {

namespace c = contact;

TEST(ContactEquality, ComparesTheImportableFields) {
  Contact base;
  base.SetText(c::kFirstName, "Anna");
  base.SetText(c::kNotes, "Met at the fair");
  base.SetCategory("Friends");
  base.SetGender(1);
  base.SetBirthday({3, 5, 2002});
  base.SetOtherPhone(0, "555-0100");
  base.SetOtherPhoneType(0, 2);
  base.SetPicture("anna.jpg");

  struct Case {
    const char* what;
    void (*change)(Contact&);
    bool equal;
  };
  const Case cases[] = {
      {"nothing", [](Contact&) {}, true},
      {"record id", [](Contact& x) { rec::SetId(x.data(), 99); }, true},
      {"creation date", [](Contact& x) { PutDate(x.data() + format::record::kCreatedDate, {1, 1, 2001}); }, true},
      {"bytes after a terminator", [](Contact& x) { x.data()[c::kFirstName.offset + 10] = 'z'; }, true},
      {"confidential flag", [](Contact& x) { x.SetConfidential(true); }, true},
      {"attachment", [](Contact& x) { x.SetAttachment("a.doc");
         x.SetAttachmentKind(1); }, true},
      {"mail-merge flag", [](Contact& x) { x.SetNoMailMerge(true); }, true},
      {"reserved bytes", [](Contact& x) { x.data()[c::kReservedAfterSuffix.offset] = 7; }, true},
      {"first name case", [](Contact& x) { x.SetText(c::kFirstName, "anna"); }, false},
      {"last name", [](Contact& x) { x.SetText(c::kLastName, "Bergman"); }, false},
      {"notes", [](Contact& x) { x.SetText(c::kNotes, "Met at the fair."); }, false},
      {"category", [](Contact& x) { x.SetCategory("Family"); }, false},
      {"picture", [](Contact& x) { x.SetPicture("anna.png"); }, false},
      {"gender", [](Contact& x) { x.SetGender(2); }, false},
      {"other-phone type", [](Contact& x) { x.SetOtherPhoneType(0, 3); }, false},
      {"other-phone text", [](Contact& x) { x.SetOtherPhone(0, "555-0101"); }, false},
      {"birthday", [](Contact& x) { x.SetBirthday({4, 5, 2002}); }, false},
      {"anniversary set", [](Contact& x) { x.SetAnniversary({4, 5, 2002}); }, false},
      {"invalid anniversary", [](Contact& x) { x.SetAnniversary({30, 2, 2004}); }, true},
      {"last child", [](Contact& x) { x.SetChild(4, "Ida"); }, false},
      {"work e-mail", [](Contact& x) { x.SetText(c::kWorkEmail, "a@example.com"); }, false},
  };
  for (const Case& tc : cases) {
    Contact other = base;
    tc.change(other);
    EXPECT_EQ(ContactRecordsEqual(base.bytes(), other.bytes()), tc.equal) << tc.what;
    EXPECT_EQ(ContactRecordsEqual(other.bytes(), base.bytes()), tc.equal) << tc.what;
  }

  // Dates compare by day number: two different invalid dates are equal.
  Contact a, b;
  a.SetBirthday({29, 2, 2001});
  b.SetBirthday({1, 1, 1700});
  EXPECT_TRUE(ContactRecordsEqual(a.bytes(), b.bytes()));

  // A short buffer reads as zero-padded.
  EXPECT_TRUE(ContactRecordsEqual(Bytes(c::kBodyOffset, 0), Contact().bytes()));
  EXPECT_FALSE(ContactRecordsEqual(Bytes(c::kBodyOffset, 0), base.bytes()));
}

}  // namespace
}  // namespace velmora
