// `Contact`, the value type over the bytes of one contact record, and the
// start of a new record.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "addressbook/model/ContactLayout.h"
#include "store/Bytes.h"
#include "store/Dates.h"
#include "store/RecordStore.h"

namespace velmora {

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

}  // namespace velmora
