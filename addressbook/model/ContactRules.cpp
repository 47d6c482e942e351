#include "addressbook/model/ContactRules.h"

#include <algorithm>

#include "addressbook/model/ContactLayout.h"
#include "store/Bytes.h"
#include "store/Dates.h"

namespace velmora {

namespace c = contact;

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

}  // namespace velmora
