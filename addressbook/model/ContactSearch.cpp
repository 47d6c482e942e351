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

// Lower-cases text into out, which has room for text.size() bytes: A..Z
// folded, and each valid two-byte UTF-8 sequence replaced by its lower-case
// letter, which is again two bytes; every other byte is copied. Returns the
// length, always text.size().
size_t FoldInto(std::string_view text, uint8_t* out) {
  const auto* in = reinterpret_cast<const uint8_t*>(text.data());
  const size_t size = text.size();
  size_t i = 0;
  while (i < size) {
    const uint8_t b0 = in[i];
    if (b0 < 0x80) {
      out[i] = FoldCase(b0);
      ++i;
      continue;
    }
    if ((b0 & 0xE0) == 0xC0 && i + 1 < size && (in[i + 1] & 0xC0) == 0x80) {
      const char32_t cp = LowerCodePoint((char32_t(b0 & 0x1F) << 6) | char32_t(in[i + 1] & 0x3F));
      // Every letter folded here stays below U+0800, so two bytes again; a
      // code point below U+0080 comes back only from an overlong form,
      // which LowerCodePoint leaves as it is.
      if (cp < 0x80) {
        out[i] = b0;
        out[i + 1] = in[i + 1];
      } else {
        out[i] = uint8_t(0xC0 | (cp >> 6));
        out[i + 1] = uint8_t(0x80 | (cp & 0x3F));
      }
      i += 2;
      continue;
    }
    out[i] = b0;
    ++i;
  }
  return size;
}

std::string Lowered(std::string_view text) {
  std::string out(text.size(), '\0');
  FoldInto(text, reinterpret_cast<uint8_t*>(out.data()));
  return out;
}

// Whether the folded needle occurs in text once text is folded; text is at
// most kLongestField bytes (every field "Find" reads is shorter).
constexpr size_t kLongestField = 1024;
bool FoldedContains(std::string_view text, std::string_view foldedNeedle) {
  if (foldedNeedle.size() > text.size()) return false;
  uint8_t buffer[kLongestField];
  const size_t n = FoldInto(text.substr(0, kLongestField), buffer);
  return std::string_view(reinterpret_cast<const char*>(buffer), n).find(foldedNeedle) != std::string_view::npos;
}

// FoldedContains for a needle of ASCII bytes only, straight on the field's
// bytes up to its terminator: folding turns every byte from 128 on into
// bytes from 128 on again, so only ASCII bytes, folded A..Z, can match.
bool AsciiFoldedContains(const uint8_t* field, size_t width, std::string_view foldedNeedle) {
  if (foldedNeedle.empty()) return true;
  const auto* needle = reinterpret_cast<const uint8_t*>(foldedNeedle.data());
  const size_t length = foldedNeedle.size();
  for (size_t i = 0; i < width && field[i] != 0; ++i) {
    if (FoldCase(field[i]) != needle[0]) continue;
    size_t j = 1;
    while (j < length && i + j < width && field[i + j] != 0 && FoldCase(field[i + j]) == needle[j]) ++j;
    if (j == length) return true;
  }
  return false;
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char ch) { return uint8_t(ch) < 0x80; });
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

std::string CategoryFilterForChoice(std::string_view name) {
  return name == kAllCategoriesText ? std::string() : std::string(name);
}

Result LoadContactList(RecordStore& store, RecordQuery& query, std::string_view category, int sortOrder) {
  const std::optional<ContactSortKey> key = FindContactSortKey(sortOrder);
  query.Reset();
  // Telling the query its key before the scan lets it sort without reading
  // the file again.
  if (key) query.SetSortKey(key->offset, key->length, CompareText);
  const bool prepared = category.empty() ? query.AddMatchAll() : AddCategoryEqualsConditions(query, category);
  if (!prepared) return Result::Fail("Cannot prepare the contact list's query");
  Result scanned = query.Run(store);
  if (scanned.ok() && key) scanned = query.Sort(store, key->offset, key->length, CompareText);
  return scanned;
}

void ContactListKeys::Clear() {
  keys_.clear();
  rows_ = 0;
  width_ = 0;
  sortOrder_ = 0;
  sorted_ = false;
}

Result ContactListKeys::Build(RecordStore& store, const RecordQuery& query, int sortOrder) {
  Clear();
  const std::optional<ContactSortKey> key = FindContactSortKey(sortOrder);
  if (!key) return Result::Ok();
  const auto& positions = query.positions();
  width_ = key->length;
  if (query.sortedKeyWidth() == width_ && query.sortedKeys().size() == positions.size() * width_) {
    // The query's last sort left exactly these keys, folded and in list order.
    keys_ = query.sortedKeys();
  } else {
    keys_.assign(positions.size() * width_, 0);
    Bytes record;
    for (size_t row = 0; row < positions.size(); ++row) {
      // A row deleted since the scan keeps an empty key.
      if (!store.ReadRecordIfLive(record, positions[row]).ok()) continue;
      uint8_t* out = keys_.data() + row * width_;
      for (size_t j = 0; j < width_ && record[key->offset + j] != 0; ++j) out[j] = FoldCase(record[key->offset + j]);
    }
  }
  rows_ = positions.size();
  sortOrder_ = sortOrder;
  // Keys read again after the sort may be out of order (another user
  // changed or deleted a record); the searches then read row by row.
  sorted_ = true;
  for (size_t row = 1; row < rows_ && sorted_; ++row) {
    sorted_ = std::memcmp(KeyAt(row - 1), KeyAt(row), width_) <= 0;
  }
  return Result::Ok();
}

namespace {

// The search text as a key: folded, cut to the key width, zero from its
// first NUL on; so a byte comparison with a folded key gives
// CompareTextFields' order.
Bytes TypedKey(std::string_view text, size_t width) {
  Bytes typed(width, 0);
  for (size_t j = 0; j < width && j < text.size() && text[j] != '\0'; ++j) typed[j] = FoldCase(uint8_t(text[j]));
  return typed;
}

// The first row at or after from whose key's first byte is at least byte.
size_t FirstRowFromByte(const ContactListKeys& keys, size_t from, uint8_t byte) {
  size_t low = from, high = keys.rows();
  while (low < high) {
    const size_t mid = low + (high - low) / 2;
    if (keys.KeyAt(mid)[0] < byte) low = mid + 1;
    else high = mid;
  }
  return low;
}

}  // namespace

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
  if (keys.rows() == 0 || text.empty()) return std::nullopt;
  if (!keys.sorted()) return SearchBoxRowLinear(keys, text);
  const Bytes typed = TypedKey(text, keys.width());
  size_t low = 0, high = keys.rows();
  while (low < high) {
    const size_t mid = low + (high - low) / 2;
    if (std::memcmp(keys.KeyAt(mid), typed.data(), keys.width()) < 0) low = mid + 1;
    else high = mid;
  }
  return low < keys.rows() ? low : keys.rows() - 1;
}

std::optional<size_t> IndexBarRow(const ContactListKeys& keys, char letter) {
  if (keys.rows() == 0) return std::nullopt;
  if (!keys.sorted()) return IndexBarRowLinear(keys, letter);
  // The rows are in order of their first byte, but whether a first byte
  // qualifies is not monotonic in it (bytes from 128 on read as negative,
  // a..z as A..Z). So walk the runs of qualifying byte values upwards: the
  // first row whose first byte lies in a run is the answer, and the run
  // values that no row has cost one bisection each.
  const int wanted = UpperSigned(uint8_t(letter));
  size_t from = 0;
  int byte = 0;
  while (byte < 256 && from < keys.rows()) {
    if (UpperSigned(uint8_t(byte)) < wanted) {
      ++byte;
      continue;
    }
    int end = byte;  // the run is byte..end
    while (end + 1 < 256 && UpperSigned(uint8_t(end + 1)) >= wanted) ++end;
    from = FirstRowFromByte(keys, from, uint8_t(byte));
    if (from < keys.rows() && keys.KeyAt(from)[0] <= end) return from;
    byte = end + 1;
  }
  return keys.rows() - 1;
}

std::span<const ContactField> FindFields() { return kFindFields; }

bool ContainsIgnoringCase(std::string_view text, std::string_view needle) {
  return Lowered(text).find(Lowered(needle)) != std::string::npos;
}

namespace {

// "Find"'s condition with its texts folded once.
class FindMatcher {
 public:
  FindMatcher(std::string_view text, std::string_view category)
      : needle_(Lowered(text.substr(0, Utf8CutLength(text, kFindTextLimit)))),
        category_(Lowered(category)),
        asciiNeedle_(IsAscii(needle_)),
        asciiCategory_(IsAscii(category_)) {}

  bool Matches(const uint8_t* record) const {
    if (!category_.empty() && !Contains(record, c::kCategory, category_, asciiCategory_)) return false;
    for (const ContactField& field : kFindFields) {
      if (Contains(record, field, needle_, asciiNeedle_)) return true;
    }
    return false;
  }

 private:
  static bool Contains(const uint8_t* record, const ContactField& field, std::string_view folded, bool ascii) {
    if (ascii) return AsciiFoldedContains(record + field.offset, field.width, folded);
    return FoldedContains(FieldText(record, field), folded);
  }

  std::string needle_;
  std::string category_;
  bool asciiNeedle_;
  bool asciiCategory_;
};

}  // namespace

bool FindMatches(const uint8_t* record, std::string_view text, std::string_view category) {
  return FindMatcher(text, category).Matches(record);
}

Result RunFind(RecordStore& store, RecordQuery& query, std::string_view text, std::string_view category) {
  // The query keeps its own copy of the condition for a reload.
  const FindMatcher matcher(text, category);
  query.Reset();
  query.SetSortKey(c::kFirstName.offset, c::kFirstName.width, CompareText);
  // The callback gets the record's first byte as its field.
  query.AddCallbackCondition(
      0, nullptr, 0,
      [matcher](const uint8_t* record, const QueryCondition&) { return matcher.Matches(record) ? 1 : 0; },
      kConnectorAnd);
  Result scanned = query.Run(store);
  if (scanned.ok()) scanned = query.Sort(store, c::kFirstName.offset, c::kFirstName.width, CompareText);
  return scanned;
}

}  // namespace velmora
