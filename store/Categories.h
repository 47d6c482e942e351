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

}  // namespace velmora
