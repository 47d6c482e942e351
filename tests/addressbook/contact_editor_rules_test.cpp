// The contact editor's values: moving a contact into the editor and back,
// dates kept whole, OK enabling and the action button's choices.
#include "addressbook/model/ContactEditorRules.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

namespace c = contact;

const DateValue kToday{10, 12, 2026};

TEST(ContactEditorRules, ABirthdayOf1975SurvivesEveryEdit) {
  Contact contact;
  contact.SetBirthday({3, 5, 1975});
  contact.SetAnniversary({29, 2, 2004});
  for (int edit = 0; edit < 3; ++edit) {
    ContactEditorValues values = LoadEditorValues(contact, kToday);
    EXPECT_TRUE(values.birthday.enabled);
    EXPECT_EQ(values.birthday.date, (DateValue{3, 5, 1975}));
    values.Text(106) = "Edit " + std::to_string(edit);
    StoreEditorValues(values, contact);
  }
  EXPECT_EQ(contact.Birthday(), (DateValue{3, 5, 1975}));
  EXPECT_EQ(contact.Anniversary(), (DateValue{29, 2, 2004}));
}

TEST(ContactEditorRules, NoDateShowsTodayAndStaysUnsetUnlessEnabled) {
  Contact contact;
  contact.SetAnniversary({29, 2, 2001});  // not a date
  ContactEditorValues values = LoadEditorValues(contact, kToday);
  for (const EditorDate* date : {&values.birthday, &values.anniversary}) {
    EXPECT_FALSE(date->enabled);
    EXPECT_EQ(date->date, kToday);
  }
  StoreEditorValues(values, contact);
  EXPECT_EQ(contact.Birthday(), DateValue{});
  EXPECT_EQ(contact.Anniversary(), DateValue{});
  values.birthday.enabled = true;
  StoreEditorValues(values, contact);
  EXPECT_EQ(contact.Birthday(), kToday);
}

TEST(ContactEditorRules, OkNeedsAFirstLastOrNickName) {
  struct Case {
    int control;
    bool mayConfirm;
  };
  for (const Case& tc : {Case{106, true}, Case{108, true}, Case{109, true}, Case{316, false}, Case{107, false}}) {
    ContactEditorValues values = LoadEditorValues(Contact(), kToday);
    EXPECT_FALSE(EditorMayConfirm(values));
    values.Text(tc.control) = "x";
    EXPECT_EQ(EditorMayConfirm(values), tc.mayConfirm) << tc.control;
  }
}

TEST(ContactEditorRules, ValuesMoveIntoTheRecordByTheirRules) {
  Contact contact;
  for (int i = 0; i < 5; ++i) contact.SetChild(i, "old " + std::to_string(i));
  contact.SetPicture("me.jpg");
  contact.SetOtherPhoneType(3, 4);
  ContactEditorValues values = LoadEditorValues(contact, kToday);
  EXPECT_EQ(values.children.size(), 5u);
  EXPECT_EQ(values.otherPhoneTypes, (std::array<int, 5>{-1, -1, -1, 3, -1}));

  values.children = {"Tom", "Ida"};
  values.otherPhoneTypes = {9, -1, 16, -1, 0};
  values.Text(106) = std::string(29, 'a') + "b";  // one character more than the field keeps
  values.Text(409) = "555";
  values.gender = 2;
  values.attachmentIsUrl = true;
  values.Text(702) = "https://example.org";
  values.noMailMerge = true;
  values.confidential = true;
  values.category = std::string(28, 'c') + "\xc3\xa9";  // 29 characters in 30 bytes
  StoreEditorValues(values, contact);

  EXPECT_EQ(contact.Text(c::kFirstName), std::string(29, 'a'));
  EXPECT_EQ(contact.Child(0), "Tom");
  EXPECT_EQ(contact.Child(1), "Ida");
  for (int i = 2; i < 5; ++i) EXPECT_EQ(contact.Child(i), "") << i;
  EXPECT_EQ(contact.OtherPhoneType(0), 10);  // "Pager"
  EXPECT_EQ(contact.OtherPhoneType(1), 0);
  EXPECT_EQ(contact.OtherPhoneType(2), 17);
  EXPECT_EQ(contact.OtherPhoneType(4), 1);
  EXPECT_EQ(contact.OtherPhone(4), "555");
  EXPECT_EQ(contact.Gender(), 2);
  EXPECT_EQ(contact.AttachmentKind(), c::kAttachUrl);
  EXPECT_TRUE(contact.HasAttachment());
  EXPECT_TRUE(contact.NoMailMerge());
  EXPECT_TRUE(contact.Confidential());
  EXPECT_EQ(contact.Category(), std::string(28, 'c'));  // never half a character
  EXPECT_EQ(contact.Picture(), "me.jpg");  // not the editor's to change

  values.attachmentIsUrl = false;
  values.confidential = false;
  StoreEditorValues(values, contact);
  EXPECT_EQ(contact.AttachmentKind(), c::kAttachDocument);
  EXPECT_FALSE(contact.Confidential());
}

TEST(ContactEditorRules, TheActionButtonDialsMailsOrOpensByField) {
  struct Case {
    int control;
    std::string text;
    int type;
    EditorAction action;
  };
  const Case cases[] = {
      {215, "555 1234", -1, EditorAction::Dial}, {218, "555", -1, EditorAction::Dial},
      {323, "555", -1, EditorAction::Dial},      {326, "555", -1, EditorAction::Dial},
      {217, "a@b.org", -1, EditorAction::Mail},  {325, "a@b.org", -1, EditorAction::Mail},
      {219, "example.org", -1, EditorAction::Open}, {327, "example.org", -1, EditorAction::Open},
      {215, "", -1, EditorAction::Beep},         {106, "Ann", -1, EditorAction::Beep},
      {405, "555", -1, EditorAction::Beep},      {405, "555", 0, EditorAction::Dial},
      {407, "555", 13, EditorAction::Dial},      {409, "a@b.org", 14, EditorAction::Mail},
      {408, "a@b.org", 15, EditorAction::Mail},  {406, "", 15, EditorAction::Beep},
  };
  for (const Case& tc : cases) {
    EXPECT_EQ(EditorActionFor(tc.control, tc.text, tc.type), tc.action) << tc.control << " " << tc.type;
  }
}

TEST(ContactEditorRules, EveryTextControlHasItsFieldsWidthAsLimit) {
  for (const EditorTextControl& control : EditorTextControls()) {
    EXPECT_EQ(uint32_t(control.limit), control.field.width) << control.control;
    EXPECT_EQ(FindEditorTextControl(control.control), &control);
  }
  EXPECT_EQ(FindEditorTextControl(999), nullptr);
}

}  // namespace
}  // namespace velmora
