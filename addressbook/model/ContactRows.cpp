#include "addressbook/model/ContactRows.h"

#include <algorithm>

#include "addressbook/model/ContactLayout.h"
#include "store/Format.h"

namespace velmora {

namespace c = contact;

namespace {

// The list shows every text on one line.
std::string OneLine(std::string text) {
  std::replace_if(text.begin(), text.end(), [](char ch) { return ch == '\r' || ch == '\n'; }, ' ');
  return text;
}

std::string JoinNames(const std::string& first, const std::string& second) {
  std::string out;
  if (!first.empty()) out = first + ' ';
  if (!second.empty()) out += second;
  return out;
}

// The field of the first line for sort orders 5..10.
constexpr ContactField kPlaceFields[] = {c::kHomeCity, c::kHomeState, c::kHomeCountry,
                                         c::kWorkCity, c::kWorkState, c::kWorkCountry};

struct DetailSpec {
  const char* label;
  ContactField field;
  DisplayKind kind;
};
constexpr DetailSpec kHomeLines[] = {{"Home:", c::kHomePhone, DisplayKind::Phone},
                                     {"Mobile:", c::kHomeMobile, DisplayKind::Phone},
                                     {"Email:", c::kHomeEmail, DisplayKind::Email}};
constexpr DetailSpec kBusinessLines[] = {{"Business:", c::kWorkPhone, DisplayKind::Phone},
                                         {"Mobile:", c::kWorkMobile, DisplayKind::Phone},
                                         {"Email:", c::kWorkEmail, DisplayKind::Email}};

}  // namespace

std::string FirstLastName(const Contact& contact) {
  return JoinNames(contact.Text(c::kFirstName), contact.Text(c::kLastName));
}

std::string LastFirstName(const Contact& contact) {
  return JoinNames(contact.Text(c::kLastName), contact.Text(c::kFirstName));
}

ContactNameBlock BuildNameBlock(const Contact& contact, int sortOrder) {
  ContactNameBlock block;
  switch (sortOrder) {
    case 2:
      block.first = LastFirstName(contact);
      block.second = contact.Text(c::kCompany);
      break;
    case 3:
      block.first = contact.Text(c::kNickName);
      block.second = FirstLastName(contact);
      break;
    case 4:
      block.first = contact.Text(c::kCompany);
      block.second = FirstLastName(contact);
      break;
    case 5: case 6: case 7: case 8: case 9: case 10:
      block.first = contact.Text(kPlaceFields[sortOrder - 5]);
      block.second = FirstLastName(contact);
      break;
    default:
      block.first = FirstLastName(contact);
      block.second = contact.Text(c::kCompany);
      break;
  }
  if (block.first.empty()) block.first = kNoNameText;
  block.first = OneLine(std::move(block.first));
  block.second = OneLine(std::move(block.second));
  return block;
}

std::vector<ContactDetailLine> BuildDetailLines(const Contact& contact, int viewTab,
                                                const std::array<ListColumn, 3>& columns) {
  std::vector<ContactDetailLine> lines;
  if (viewTab == kViewCustom) {
    const auto fields = DisplayFields();
    for (const ListColumn& column : columns) {
      if (!column.on || column.displayField < 0 || column.displayField >= kDisplayFieldCount) continue;
      const DisplayField& field = fields[size_t(column.displayField)];
      lines.push_back({std::string(field.label), OneLine(DisplayFieldValue(contact, column.displayField)),
                       field.kind});
    }
    return lines;
  }
  for (const DetailSpec& spec : viewTab == kViewBusiness ? kBusinessLines : kHomeLines) {
    lines.push_back({spec.label, OneLine(contact.Text(spec.field)), spec.kind});
  }
  return lines;
}

std::vector<int> StatusIcons(const Contact& contact) {
  std::vector<int> icons;
  const uint8_t* r = contact.data();
  if (r[format::record::kExchangeFlag] != 0) icons.push_back(kIconExchangeChanged);
  else if (r[format::record::kExchangeState] >= 1 && r[format::record::kExchangeState] <= 7)
    icons.push_back(kIconExchangePending);
  if (contact.Confidential()) icons.push_back(kIconConfidential);
  if (!contact.Picture().empty()) icons.push_back(kIconPicture);
  if (contact.HasAttachment()) icons.push_back(kIconAttachment);
  return icons;
}

std::string CategoryTag(const Contact& contact) {
  const std::string category = contact.Category();
  return category.empty() ? std::string() : "[" + category + "]";
}

}  // namespace velmora
