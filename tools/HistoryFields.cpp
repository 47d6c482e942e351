#include "tools/HistoryFields.h"

#include <array>
#include <string>

#include "addressbook/model/ContactHistory.h"
#include "store/Bytes.h"

namespace velmora::tool {

namespace {

namespace h = history;

// A 64-bit id is written as a decimal string, as the header's "id" is:
// JSON numbers do not keep 64 bits everywhere.
nlohmann::ordered_json ContactId(const uint8_t* record) { return std::to_string(GetU64(record + h::kContactId)); }

const std::array<JsonField, 5> kHistoryFields{{
    {"Contact_Id", h::kContactId, 8, FieldType::U32, 0, -1, {}, ContactId},
    {"Date", h::kDate, format::kDateValueSize, FieldType::Date},
    {"Time", h::kTime, format::kTimeValueSize, FieldType::Time},
    {"Description", h::kDescription.offset, h::kDescription.width, FieldType::Text},
    {"Attachment", h::kAttachment.offset, h::kAttachment.width, FieldType::Text},
}};

}  // namespace

FieldTable HistoryFields() { return kHistoryFields; }

}  // namespace velmora::tool
