#include "addressbook/mailmerge/MergeFields.h"

#include <algorithm>
#include <optional>

#include "importexport/ContactFields.h"
#include "store/Bytes.h"

namespace velmora {

namespace {

constexpr std::string_view kOpen = "<<";
constexpr std::string_view kClose = ">>";
constexpr std::string_view kCustomPrefix = "Custom";

bool IsContactMergeField(std::string_view name) {
  return std::find(kContactMergeFields.begin(), kContactMergeFields.end(), name) != kContactMergeFields.end();
}

std::string_view CutToMerged(std::string_view text) {
  return text.substr(0, Utf8CutLength(text, mailmerge::kMaxMergedText));
}

// Everything a merge field can read, with the clock read at most once.
class FieldReader {
 public:
  FieldReader(const Contact& contact, const MergeContext& context) : contact_(contact), context_(context) {}

  std::string Value(std::string_view name) {
    if (IsContactMergeField(name)) return ContactValue(name);
    const MyRecord& me = context_.sender;
    if (name == "MY_First_Name") return SenderFirstName(me.name);
    if (name == "MY_Last_Name") return SenderLastName(me.name);
    if (name == "MY_Company") return me.company;
    if (name == "MY_Email") return me.email;
    if (name == "MY_Phone") return me.phone;
    if (name == "MY_Address") return me.address;
    if (name == kDateMergeField) return FormatDate(Moment().date);
    if (name == kTimeMergeField) return FormatTime(Moment().time);
    return {};
  }

 private:
  std::string ContactValue(std::string_view name) const {
    if (name.starts_with(kCustomPrefix)) {
      int index = name.back() - '1';
      return contact_.OtherPhone(index);
    }
    std::optional<ContactField> field = FindContactField(name);
    return field ? contact_.Text(*field) : std::string();
  }

  const MergeMoment& Moment() {
    if (!moment_) moment_ = context_.clock ? context_.clock() : SystemMergeMoment();
    return *moment_;
  }

  const Contact& contact_;
  const MergeContext& context_;
  std::optional<MergeMoment> moment_;
};

}  // namespace

std::vector<std::string_view> MergeFieldList() {
  std::vector<std::string_view> names(kContactMergeFields.begin(), kContactMergeFields.end());
  names.insert(names.end(), kSenderMergeFields.begin(), kSenderMergeFields.end());
  names.push_back(kDateMergeField);
  names.push_back(kTimeMergeField);
  return names;
}

std::vector<std::string_view> InsertFieldEntries() {
  std::vector<std::string_view> entries(kContactMergeFields.begin(), kContactMergeFields.end());
  entries.push_back(kInsertFieldSeparator);
  entries.insert(entries.end(), kSenderMergeFields.begin(), kSenderMergeFields.end());
  entries.push_back(kDateMergeField);
  entries.push_back(kTimeMergeField);
  return entries;
}

std::string Placeholder(std::string_view name) {
  std::string text(kOpen);
  text += name;
  text += kClose;
  return text;
}

MergeMoment SystemMergeMoment() { return MergeMoment{Today(), Now(0)}; }

std::string SenderFirstName(std::string_view name) {
  return std::string(name.substr(0, name.find(' ')));
}

std::string SenderLastName(std::string_view name) {
  size_t space = name.find(' ');
  if (space == std::string_view::npos) return {};
  size_t rest = name.find_first_not_of(' ', space);
  return rest == std::string_view::npos ? std::string() : std::string(name.substr(rest));
}

std::string MergeFieldValue(std::string_view name, const Contact& contact, const MergeContext& context) {
  return FieldReader(contact, context).Value(name);
}

std::string MergeText(std::string_view text, const Contact& contact, const MergeContext& context) {
  text = CutToMerged(text);
  const std::vector<std::string_view> names = MergeFieldList();
  FieldReader reader(contact, context);
  std::string merged;
  merged.reserve(text.size());
  size_t done = 0;
  // One pass from left to right: at every "<<" a merge field's placeholder
  // is replaced; anything else is copied. At most one name can match at a
  // position, because each placeholder ends at its first ">>".
  for (size_t open = text.find(kOpen); open != std::string_view::npos; open = text.find(kOpen, open + 1)) {
    std::string_view at = text.substr(open);
    for (std::string_view name : names) {
      if (at.size() >= name.size() + 4 && at.substr(2, name.size()) == name &&
          at.substr(2 + name.size(), 2) == kClose) {
        merged.append(text.substr(done, open - done));
        merged += reader.Value(name);
        done = open + name.size() + 4;
        open = done - 1;
        break;
      }
    }
    if (merged.size() > mailmerge::kMaxMergedText) break;
  }
  if (merged.size() <= mailmerge::kMaxMergedText) merged.append(text.substr(std::min(done, text.size())));
  return std::string(CutToMerged(merged));
}

}  // namespace velmora
