#include "addressbook/model/ContactSearch.h"

#include <algorithm>
#include <cstring>

#include "addressbook/model/ContactLayout.h"
#include "store/Bytes.h"
#include "store/Categories.h"

namespace velmora {

namespace c = contact;

namespace {

constexpr ContactField kFindFields[] = {
    c::kFirstName,       {889, 30},   {859, 30},   {919, 30},   {949, 15},   {964, 15},   {1243, 50},
    {1293, 35},          {1328, 35},  {1363, 35},  {1398, 35},  {1433, 25},  {1458, 25},  {1483, 25},
    {1578, 60},          {1508, 70},  {1638, 45},  {1683, 30},  {1713, 30},  {1743, 30},  {1773, 50},
    {1823, 35},          {1858, 35},  {1893, 35},  {1928, 35},  {1963, 25},  {1988, 25},  {2013, 25},
    {2108, 60},          {2038, 70},  {2168, 60},  {2228, 60},  {2288, 60},  {2348, 60},  {2408, 60},
    {2468, 60},          {2556, 25},  {2585, 25},  {2614, 25},  {2643, 25},  {2672, 25},  {2701, 1024}};
static_assert(std::size(kFindFields) == 42);

// Lower-cases one code point of the alphabets people write names in:
// Latin (with Latin-1 and Latin Extended-A), Greek and Cyrillic.
char32_t LowerCodePoint(char32_t cp) {
  if (cp >= 'A' && cp <= 'Z') return cp + 32;
  if (cp < 0xC0) return cp;
  if (cp <= 0xDE && cp != 0xD7) return cp + 32;
  if (cp >= 0x100 && cp <= 0x137 && cp % 2 == 0) return cp + 1;
  if (cp >= 0x139 && cp <= 0x148 && cp % 2 == 1) return cp + 1;
  if (cp >= 0x14A && cp <= 0x177 && cp % 2 == 0) return cp + 1;
  if (cp == 0x178) return 0xFF;
  if (cp >= 0x179 && cp <= 0x17E && cp % 2 == 1) return cp + 1;
  if (cp >= 0x391 && cp <= 0x3A9 && cp != 0x3A2) return cp + 32;
  if (cp >= 0x400 && cp <= 0x40F) return cp + 80;
  if (cp >= 0x410 && cp <= 0x42F) return cp + 32;
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

// Lower-cased copy of a UTF-8 text; bytes outside a valid two-byte sequence
// are copied with only A..Z folded.
std::string Lowered(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto b0 = uint8_t(text[i]);
    if (b0 < 0x80) {
      out += char(FoldCase(b0));
      ++i;
      continue;
    }
    if ((b0 & 0xE0) == 0xC0 && i + 1 < text.size() && (uint8_t(text[i + 1]) & 0xC0) == 0x80) {
      const char32_t cp = (char32_t(b0 & 0x1F) << 6) | char32_t(uint8_t(text[i + 1]) & 0x3F);
      AppendUtf8(out, LowerCodePoint(cp));
      i += 2;
      continue;
    }
    out += char(b0);
    ++i;
  }
  return out;
}

std::string_view FieldText(const uint8_t* record, const ContactField& field) {
  return RawText(record + field.offset, field.width);
}

// The signed value of a key's first byte raised to upper case.
int UpperSigned(uint8_t byte) {
  const uint8_t upper = (byte >= 'a' && byte <= 'z') ? uint8_t(byte - 32) : byte;
  return int(static_cast<int8_t>(upper));
}

}  // namespace

Result LoadContactList(RecordStore& store, RecordQuery& query, std::string_view category, int sortOrder) {
  const std::optional<ContactSortKey> key = FindContactSortKey(sortOrder);
  query.Reset();
  // Telling the query its key before the scan lets it sort without reading
  // the file again.
  if (key) query.SetSortKey(key->offset, key->length, CompareText);
  if (category.empty()) query.AddMatchAll();
  else (void)AddCategoryEqualsConditions(query, category);
  Result scanned = query.Run(store);
  if (scanned.ok() && key) scanned = query.Sort(store, key->offset, key->length, CompareText);
  return scanned;
}

void ContactListKeys::Clear() {
  keys_.clear();
  rows_ = 0;
  width_ = 0;
  sortOrder_ = 0;
}

Result ContactListKeys::Build(RecordStore& store, const RecordQuery& query, int sortOrder) {
  Clear();
  const std::optional<ContactSortKey> key = FindContactSortKey(sortOrder);
  if (!key) return Result::Ok();
  const auto& positions = query.positions();
  width_ = key->length;
  keys_.assign(positions.size() * width_, 0);
  Bytes record;
  for (size_t row = 0; row < positions.size(); ++row) {
    // A row deleted since the scan keeps an empty key.
    if (!store.ReadRecordIfLive(record, positions[row]).ok()) continue;
    uint8_t* out = keys_.data() + row * width_;
    for (size_t j = 0; j < width_ && record[key->offset + j] != 0; ++j) out[j] = FoldCase(record[key->offset + j]);
  }
  rows_ = positions.size();
  sortOrder_ = sortOrder;
  return Result::Ok();
}

std::optional<size_t> SearchBoxRowLinear(const ContactListKeys& keys, std::string_view text) {
  if (keys.rows() == 0 || text.empty()) return std::nullopt;
  Bytes typed(keys.width(), 0);
  std::memcpy(typed.data(), text.data(), std::min(text.size(), keys.width()));
  for (size_t row = 0; row < keys.rows(); ++row) {
    if (CompareTextFields(keys.KeyAt(row), typed.data(), keys.width()) >= 0) return row;
  }
  return keys.rows() - 1;
}

std::optional<size_t> IndexBarRowLinear(const ContactListKeys& keys, char letter) {
  if (keys.rows() == 0) return std::nullopt;
  const int wanted = UpperSigned(uint8_t(letter));
  for (size_t row = 0; row < keys.rows(); ++row) {
    if (UpperSigned(keys.KeyAt(row)[0]) >= wanted) return row;
  }
  return keys.rows() - 1;
}

std::optional<size_t> SearchBoxRow(const ContactListKeys& keys, std::string_view text) {
  return SearchBoxRowLinear(keys, text);
}

std::optional<size_t> IndexBarRow(const ContactListKeys& keys, char letter) {
  return IndexBarRowLinear(keys, letter);
}

std::span<const ContactField> FindFields() { return kFindFields; }

bool ContainsIgnoringCase(std::string_view text, std::string_view needle) {
  return Lowered(text).find(Lowered(needle)) != std::string::npos;
}

bool FindMatches(const uint8_t* record, std::string_view text, std::string_view category) {
  if (!category.empty() && !ContainsIgnoringCase(FieldText(record, c::kCategory), category)) return false;
  const std::string needle = Lowered(text.substr(0, kFindTextLimit));
  for (const ContactField& field : kFindFields) {
    if (Lowered(FieldText(record, field)).find(needle) != std::string::npos) return true;
  }
  return false;
}

Result RunFind(RecordStore& store, RecordQuery& query, std::string_view text, std::string_view category) {
  const std::string needle(text.substr(0, kFindTextLimit));
  const std::string wanted(category);
  query.Reset();
  query.SetSortKey(c::kFirstName.offset, c::kFirstName.width, CompareText);
  // The callback gets the record's first byte as its field.
  query.AddCallbackCondition(
      0, nullptr, 0,
      [needle, wanted](const uint8_t* record, const QueryCondition&) {
        return FindMatches(record, needle, wanted) ? 1 : 0;
      },
      kConnectorAnd);
  Result scanned = query.Run(store);
  if (scanned.ok()) scanned = query.Sort(store, c::kFirstName.offset, c::kFirstName.width, CompareText);
  return scanned;
}

}  // namespace velmora
