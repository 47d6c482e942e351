#include "store/Categories.h"

#include <algorithm>

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

std::vector<CategoryMenuItem> BuildCategoryMenu(const Bytes& block, int baseId) {
  std::vector<CategoryMenuItem> items;
  items.push_back({"All Categories", baseId + kAllCategoriesOffset});
  items.push_back({});
  std::vector<std::string> names = CategoryNames(block);
  for (size_t i = 0; i < names.size(); ++i) items.push_back({names[i], baseId + int(i)});
  items.push_back({});
  items.push_back({"Edit Categories", baseId + kEditCategoriesOffset});
  return items;
}

namespace {
bool LessIgnoringCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return FoldCase(uint8_t(x)) < FoldCase(uint8_t(y));
  });
}
}  // namespace

CategoryList::CategoryList(const Bytes& block) : names_(CategoryNames(block)) {
  std::stable_sort(names_.begin(), names_.end(), LessIgnoringCase);
}

bool CategoryList::IsFull() const { return names_.size() >= c::kShownEntries; }

bool CategoryList::Add(std::string name) {
  name.resize(Utf8CutLength(name, c::kNameWidth - 1));
  if (name.empty() || IsFull()) return false;
  names_.insert(std::upper_bound(names_.begin(), names_.end(), name, LessIgnoringCase), std::move(name));
  return true;
}

bool CategoryList::Remove(size_t index) {
  if (index >= names_.size()) return false;
  names_.erase(names_.begin() + long(index));
  return true;
}

Bytes CategoryList::ToBlock() const {
  Bytes block;
  SetCategoryNames(block, names_);
  return block;
}

}  // namespace velmora
