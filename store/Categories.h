// The category list kept in every record file's category block.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/RecordQuery.h"

namespace velmora {

// Fills a 1032-byte block with the fifteen default categories.
void BuildDefaultCategories(Bytes& block);
// The names of entries 1..count, at most 29, in block order.
std::vector<std::string> CategoryNames(const Bytes& block);
// Rewrites block from names: count = names.size(), the first 29 names
// written (value -1 each), every other byte zero.
void SetCategoryNames(Bytes& block, const std::vector<std::string>& names);

// Membership as the contact list filters it: category equal to name over its
// 30 bytes ignoring case, with the in-use byte 1; both with connector "and".
bool AddCategoryEqualsConditions(RecordQuery& query, std::string_view name);
// Membership as the export chooses it: category contains name ignoring case.
bool AddCategoryContainsCondition(RecordQuery& query, std::string_view name, uint32_t connector);

// One entry of the category menu; a separator has no text and id -1.
struct CategoryMenuItem {
  std::string text;
  int id = -1;
  bool separator() const { return id < 0; }
  friend bool operator==(const CategoryMenuItem&, const CategoryMenuItem&) = default;
};
inline constexpr int kAllCategoriesOffset = 29;
inline constexpr int kEditCategoriesOffset = 30;

// "All Categories" (base + 29), a separator, the names with base + 0..28, a
// separator, "Edit Categories" (base + 30).
std::vector<CategoryMenuItem> BuildCategoryMenu(const Bytes& block, int baseId);

// The list the "Categories" dialog edits: kept sorted ignoring case, at most
// 29 names (the block holds no more), no test for duplicates.
class CategoryList {
 public:
  explicit CategoryList(const Bytes& block);
  const std::vector<std::string>& names() const { return names_; }
  // False (list unchanged) for an empty name or when 29 names exist.
  // The name is cut to 29 bytes.
  bool Add(std::string name);
  bool Remove(size_t index);
  bool IsFull() const;
  // The block as "OK" writes it.
  Bytes ToBlock() const;

 private:
  std::vector<std::string> names_;
};

}  // namespace velmora
