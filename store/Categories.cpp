#include "store/Categories.h"

#include "store/Bytes.h"
#include "store/Format.h"

namespace velmora {

namespace c = format::category;

namespace {
constexpr const char* kDefaults[] = {"Calls",   "Clients",  "Expenses", "Follow up", "Ideas",
                                     "Meetings", "Issues",   "People",   "Personal",  "Projects",
                                     "Public",  "Holiday",  "Travel",   "Vacation",  "Test"};
}

void BuildDefaultCategories(Bytes& block) {
  std::vector<std::string> names(std::begin(kDefaults), std::end(kDefaults));
  SetCategoryNames(block, names);
}

std::vector<std::string> CategoryNames(const Bytes& block) {
  std::vector<std::string> names;
  if (block.size() < format::kCategoryBlockSize) return names;
  uint32_t count = GetU32(block.data() + c::kCount);
  for (uint32_t i = 0; i < count && i < c::kShownEntries; ++i) {
    names.push_back(GetText(block.data() + c::kEntries + i * c::kEntrySize, c::kNameWidth));
  }
  return names;
}

void SetCategoryNames(Bytes& block, const std::vector<std::string>& names) {
  block.assign(format::kCategoryBlockSize, 0);
  PutU32(block.data() + c::kSize, format::kCategoryBlockSize);
  PutU32(block.data() + c::kReserved, 0);
  PutU32(block.data() + c::kCount, static_cast<uint32_t>(names.size()));
  for (size_t i = 0; i < names.size() && i < c::kShownEntries; ++i) {
    uint8_t* entry = block.data() + c::kEntries + i * c::kEntrySize;
    PutText(entry, c::kNameWidth, names[i]);
    PutI32(entry + c::kValue, -1);
  }
}

bool AddCategoryEqualsConditions(RecordQuery& query, std::string_view name) {
  return query.AddTextCondition(format::record::kCategory, format::record::kCategoryWidth, kOpEqual, name,
                                kConnectorAnd) &&
         query.AddByteCondition(format::record::kInUse, kOpEqual, 1, kConnectorAnd);
}

bool AddCategoryContainsCondition(RecordQuery& query, std::string_view name, uint32_t connector) {
  return query.AddTextCondition(format::record::kCategory, format::record::kCategoryWidth, kOpContains, name,
                                connector);
}

}  // namespace velmora
