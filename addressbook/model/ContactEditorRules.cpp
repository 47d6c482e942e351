#include "addressbook/model/ContactEditorRules.h"

#include <algorithm>

#include "store/Bytes.h"

namespace velmora {

namespace c = contact;

namespace {

constexpr EditorTextControl kTextControls[] = {
    {106, c::kFirstName, 30},   {107, c::kMiddleName, 30},  {108, c::kLastName, 30},    {109, c::kNickName, 30},
    {110, c::kTitle, 15},       {111, c::kSuffix, 15},      {210, c::kHomeStreet, 50},  {211, c::kHomeCity, 35},
    {212, c::kHomeState, 35},   {213, c::kHomeZip, 35},     {214, c::kHomeCountry, 35}, {215, c::kHomePhone, 25},
    {216, c::kHomeFax, 25},     {217, c::kHomeEmail, 60},   {218, c::kHomeMobile, 25},  {219, c::kHomeWeb, 70},
    {314, c::kJobTitle, 30},    {315, c::kDepartment, 30},  {316, c::kCompany, 45},     {317, c::kOffice, 30},
    {318, c::kWorkStreet, 50},  {319, c::kWorkCity, 35},    {320, c::kWorkState, 35},   {321, c::kWorkZip, 35},
    {322, c::kWorkCountry, 35}, {323, c::kWorkPhone, 25},   {324, c::kWorkFax, 25},     {325, c::kWorkEmail, 60},
    {326, c::kWorkMobile, 25},  {327, c::kWorkWeb, 70},     {405, c::OtherPhone(0), 25}, {406, c::OtherPhone(1), 25},
    {407, c::OtherPhone(2), 25}, {408, c::OtherPhone(3), 25}, {409, c::OtherPhone(4), 25}, {508, c::kSpouseName, 60},
    {702, c::kAttachment, 260}, {600, c::kNotes, 1024},
};

constexpr int kFirstMailType = 14;  // "E-mail1"; the types before it are numbers to dial

size_t IndexOf(int control) {
  for (size_t i = 0; i < std::size(kTextControls); ++i) {
    if (kTextControls[i].control == control) return i;
  }
  return std::size(kTextControls);
}

EditorDate LoadDate(const DateValue& stored, const DateValue& today) {
  if (DayNumber(stored) == kInvalidDayNumber) return {false, today};
  return {true, stored};
}

DateValue StoredDate(const EditorDate& date) {
  if (!date.enabled || DayNumber(date.date) == kInvalidDayNumber) return DateValue{};
  return date.date;
}

}  // namespace

std::span<const EditorTextControl> EditorTextControls() { return kTextControls; }

const EditorTextControl* FindEditorTextControl(int control) {
  const size_t index = IndexOf(control);
  return index < std::size(kTextControls) ? &kTextControls[index] : nullptr;
}

std::string& ContactEditorValues::Text(int control) {
  if (texts.size() < std::size(kTextControls)) texts.resize(std::size(kTextControls));
  return texts.at(IndexOf(control));
}

const std::string& ContactEditorValues::Text(int control) const { return texts.at(IndexOf(control)); }

ContactEditorValues LoadEditorValues(const Contact& contact, const DateValue& today) {
  ContactEditorValues values;
  values.texts.reserve(std::size(kTextControls));
  for (const EditorTextControl& control : kTextControls) values.texts.push_back(contact.Text(control.field));
  for (int i = 0; i < int(c::kOtherPhoneCount); ++i) {
    const int32_t type = contact.OtherPhoneType(i);
    values.otherPhoneTypes[size_t(i)] = type >= 1 && type <= c::kMaxOtherPhoneType ? type - 1 : -1;
  }
  for (int i = 0; i < kMaxChildren; ++i) {
    std::string child = contact.Child(i);
    if (!child.empty()) values.children.push_back(std::move(child));
  }
  values.gender = std::clamp(contact.Gender(), c::kGenderUnspecified, c::kGenderMale);
  values.birthday = LoadDate(contact.Birthday(), today);
  values.anniversary = LoadDate(contact.Anniversary(), today);
  values.attachmentIsUrl = contact.AttachmentKind() == c::kAttachUrl;
  values.noMailMerge = contact.NoMailMerge();
  values.confidential = contact.Confidential();
  values.category = contact.Category();
  return values;
}

void StoreEditorValues(const ContactEditorValues& values, Contact& contact) {
  for (size_t i = 0; i < std::size(kTextControls) && i < values.texts.size(); ++i) {
    contact.SetText(kTextControls[i].field, values.texts[i]);
  }
  for (int i = 0; i < int(c::kOtherPhoneCount); ++i) {
    const int position = values.otherPhoneTypes[size_t(i)];
    contact.SetOtherPhoneType(i, position >= 0 && position < c::kMaxOtherPhoneType ? position + 1 : 0);
  }
  for (int i = 0; i < kMaxChildren; ++i) {
    contact.SetChild(i, size_t(i) < values.children.size() ? values.children[size_t(i)] : std::string());
  }
  contact.SetGender(std::clamp(values.gender, int(c::kGenderUnspecified), int(c::kGenderMale)));
  contact.SetBirthday(StoredDate(values.birthday));
  contact.SetAnniversary(StoredDate(values.anniversary));
  contact.SetAttachmentKind(values.attachmentIsUrl ? c::kAttachUrl : c::kAttachDocument);
  contact.SetNoMailMerge(values.noMailMerge);
  contact.SetConfidential(values.confidential);
  contact.SetCategory(values.category);  // at most 29 bytes, cut at a character boundary
}

bool EditorMayConfirm(const ContactEditorValues& values) {
  return !values.Text(106).empty() || !values.Text(108).empty() || !values.Text(109).empty();
}

bool HasActionButton(int control) {
  switch (control) {
    case 215: case 217: case 218: case 219: case 323: case 325: case 326: case 327:
    case 405: case 406: case 407: case 408: case 409:
      return true;
    default:
      return false;
  }
}

EditorAction EditorActionFor(int control, const std::string& text, int otherPhoneType) {
  if (!HasActionButton(control) || text.empty()) return EditorAction::Beep;
  switch (control) {
    case 217: case 325:
      return EditorAction::Mail;
    case 219: case 327:
      return EditorAction::Open;
    case 215: case 218: case 323: case 326:
      return EditorAction::Dial;
    default:
      break;
  }
  if (otherPhoneType < 0 || otherPhoneType >= c::kMaxOtherPhoneType) return EditorAction::Beep;
  return otherPhoneType < kFirstMailType ? EditorAction::Dial : EditorAction::Mail;
}

}  // namespace velmora
