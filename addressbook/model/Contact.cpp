#include "addressbook/model/Contact.h"

#include "store/RecordHeader.h"

namespace velmora {

namespace c = contact;

namespace {

bool ValidIndex(int index, uint32_t count) { return index >= 0 && uint32_t(index) < count; }

}  // namespace

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

void InitContactRecord(RecordStore& store, Bytes& buffer) {
  buffer.assign(c::kRecordSize, 0);
  store.InitRecord(buffer, c::kRecordSize);
}

}  // namespace velmora
