// Writing contacts as vCards (4.0, or 3.0 for older address books).
#include <array>
#include <cstdio>

#include "importexport/VCard.h"
#include "store/Bytes.h"
#include "store/Dates.h"

namespace velmora {

namespace c = contact;

namespace {

constexpr size_t kFoldBytes = 75;

// A text value with vCard's escapes: backslash, comma, semicolon and line
// breaks (CR LF, or a lone CR or LF, as \n).
std::string Escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (ch == '\\' || ch == ',' || ch == ';') {
      out += '\\';
      out += ch;
    } else if (ch == '\r' || ch == '\n') {
      if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\\n";
    } else {
      out += ch;
    }
  }
  return out;
}

std::string Structured(std::initializer_list<std::string> parts) {
  std::string out;
  bool first = true;
  for (const std::string& part : parts) {
    if (!first) out += ';';
    first = false;
    out += Escaped(part);
  }
  return out;
}

// Appends the content line folded at 75 bytes, never inside a UTF-8
// character; each further line starts with a space.
void AppendLine(std::string& out, std::string_view line) {
  size_t limit = kFoldBytes;
  while (line.size() > limit) {
    size_t cut = Utf8CutLength(line, limit);
    if (cut == 0) cut = limit;  // not UTF-8: cut at the byte
    out.append(line.substr(0, cut));
    out += "\r\n ";
    line.remove_prefix(cut);
    limit = kFoldBytes - 1;
  }
  out.append(line);
  out += "\r\n";
}

bool IsUnreserved(char ch) {
  return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '-' || ch == '.' ||
         ch == '_' || ch == '~' || ch == '/';
}

std::string FileUri(std::string_view path) {
  std::string uri = "file://";
  for (char ch : path) {
    if (IsUnreserved(ch)) {
      uri += ch;
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", unsigned(uint8_t(ch)));
      uri += hex;
    }
  }
  return uri;
}

std::string CardDate(const DateValue& date, VCardVersion version) {
  char text[16];
  if (version == VCardVersion::V4) {
    std::snprintf(text, sizeof text, "%04u%02u%02u", date.year, date.month, date.day);
  } else {
    std::snprintf(text, sizeof text, "%04u-%02u-%02u", date.year, date.month, date.day);
  }
  return text;
}

bool ValidDate(const DateValue& date) { return DayNumber(date) != kInvalidDayNumber; }

// The TYPE an other phone is written with, beside its own type parameter:
// the nearest kind each version knows.
struct OtherPhoneKind {
  const char* v3;
  const char* v4;
};
constexpr std::array<OtherPhoneKind, 17> kOtherPhoneKinds{{
    {"voice", "voice"},       // Assistant
    {"work,voice", "work,voice"},  // Business 2
    {"voice", "voice"},       // Callback
    {"car", "voice"},         // Car
    {"work,voice", "work,voice"},  // Company
    {"home,voice", "home,voice"},  // Home 2
    {"isdn", "voice"},        // ISDN
    {"voice", "voice"},       // Other
    {"fax", "fax"},           // Other Fax
    {"pager", "pager"},       // Pager
    {"voice,pref", "voice"},  // Primary
    {"voice", "voice"},       // Radio
    {"voice", "voice"},       // Telex
    {"voice", "textphone"},   // TTY/TDD
    {"internet", ""},         // E-mail1
    {"internet", ""},         // E-mail2
    {"internet", ""},         // E-mail3
}};
static_assert(kOtherPhoneKinds.size() == c::kOtherPhoneTypes.size());

class CardWriter {
 public:

  void Line(std::string_view name, std::string_view value) {
    std::string line(name);
    line += ':';
    line += value;
    AppendLine(out_, line);
  }
  // A property whose value is one text.
  void Text(std::string_view name, std::string_view value) {
    if (!value.empty()) Line(name, Escaped(value));
  }
  std::string& text() { return out_; }

 private:
  std::string out_;
};

std::string FormattedName(const Contact& contact) {
  std::string name;
  for (ContactField field : {c::kTitle, c::kFirstName, c::kMiddleName, c::kLastName, c::kSuffix}) {
    const std::string part = contact.Text(field);
    if (part.empty()) continue;
    if (!name.empty()) name += ' ';
    name += part;
  }
  if (name.empty()) name = contact.Text(c::kCompany);
  if (name.empty()) name = contact.Text(c::kNickName);
  return name;
}

}  // namespace

std::string ContactVCard(const Contact& contact, VCardVersion version) {
  const bool v4 = version == VCardVersion::V4;
  const auto text = [&](ContactField field) { return contact.Text(field); };
  CardWriter card;
  card.Line("BEGIN", "VCARD");
  card.Line("VERSION", v4 ? "4.0" : "3.0");
  card.Line("PRODID", "-//Velmora//Cardora//EN");
  card.Line("FN", Escaped(FormattedName(contact)));
  card.Line("N", Structured({text(c::kLastName), text(c::kFirstName), text(c::kMiddleName), text(c::kTitle),
                             text(c::kSuffix)}));
  card.Text("NICKNAME", text(c::kNickName));
  if (const int32_t gender = contact.Gender(); gender == c::kGenderFemale || gender == c::kGenderMale) {
    if (v4) {
      card.Line("GENDER", gender == c::kGenderFemale ? "F" : "M");
    } else {
      card.Line("X-GENDER", gender == c::kGenderFemale ? "Female" : "Male");
    }
  }
  if (ValidDate(contact.Birthday())) card.Line("BDAY", CardDate(contact.Birthday(), version));
  if (ValidDate(contact.Anniversary())) {
    card.Line(v4 ? "ANNIVERSARY" : "X-ANNIVERSARY", CardDate(contact.Anniversary(), version));
  }

  struct Address {
    const char* type;
    ContactField street, city, state, zip, country;
  };
  for (const Address& address : {Address{"home", c::kHomeStreet, c::kHomeCity, c::kHomeState, c::kHomeZip,
                                          c::kHomeCountry},
                                  Address{"work", c::kWorkStreet, c::kWorkCity, c::kWorkState, c::kWorkZip,
                                          c::kWorkCountry}}) {
    const std::string value = Structured({"", "", text(address.street), text(address.city), text(address.state),
                                          text(address.zip), text(address.country)});
    if (value != ";;;;;;") card.Line(std::string("ADR;TYPE=") + address.type, value);
  }

  struct Phone {
    const char* type;
    ContactField field;
  };
  for (const Phone& phone : {Phone{"home,voice", c::kHomePhone}, Phone{"home,fax", c::kHomeFax},
                             Phone{"home,cell", c::kHomeMobile}, Phone{"work,voice", c::kWorkPhone},
                             Phone{"work,fax", c::kWorkFax}, Phone{"work,cell", c::kWorkMobile}}) {
    card.Text(std::string("TEL;TYPE=") + phone.type, text(phone.field));
  }
  for (int i = 0; i < int(c::kOtherPhoneCount); ++i) {
    const std::string number = contact.OtherPhone(i);
    if (number.empty()) continue;
    const int32_t type = contact.OtherPhoneType(i);
    std::string name = "TEL";
    std::string own;
    if (type >= 1 && type <= c::kMaxOtherPhoneType) {
      const OtherPhoneKind& kind = kOtherPhoneKinds[size_t(type - 1)];
      const char* kinds = v4 ? kind.v4 : kind.v3;
      if (type >= 15) name = "EMAIL";
      if (*kinds != '\0') name += std::string(";TYPE=") + kinds;
      own = std::string(c::kOtherPhoneTypes[size_t(type - 1)]);
    } else {
      name += ";TYPE=voice";
    }
    // Quoted: the type names hold spaces and a slash.
    name += ";X-CARDORA-TYPE=\"" + own + "\"";
    card.Text(name, number);
  }
  card.Text("EMAIL;TYPE=home", text(c::kHomeEmail));
  card.Text("EMAIL;TYPE=work", text(c::kWorkEmail));
  card.Text("URL;TYPE=home", text(c::kHomeWeb));
  card.Text("URL;TYPE=work", text(c::kWorkWeb));
  const std::string company = text(c::kCompany), department = text(c::kDepartment), office = text(c::kOffice);
  if (!office.empty()) {
    card.Line("ORG", Structured({company, department, office}));
  } else if (!department.empty()) {
    card.Line("ORG", Structured({company, department}));
  } else if (!company.empty()) {
    card.Line("ORG", Structured({company}));
  }
  card.Text("TITLE", text(c::kJobTitle));
  card.Text("NOTE", contact.Notes());
  card.Text("CATEGORIES", contact.Category());
  if (const std::string picture = contact.Picture(); !picture.empty() && picture[0] == '/') {
    card.Line(v4 ? "PHOTO" : "PHOTO;VALUE=uri", FileUri(picture));
  }
  card.Text(v4 ? "RELATED;TYPE=spouse;VALUE=text" : "X-SPOUSE", text(c::kSpouseName));
  for (int i = 0; i < int(c::kChildCount); ++i) {
    card.Text(v4 ? "RELATED;TYPE=child;VALUE=text" : "X-CHILD", contact.Child(i));
  }
  card.Line("END", "VCARD");
  return std::move(card.text());
}

Result WriteVCards(RecordStore& store, const RecordTextOptions& options, const std::string& path, VCardVersion version,
                   const RecordTextProgress& progress) {
  return WriteContactTexts(
      store, options, "", [version](const Contact& contact) { return ContactVCard(contact, version); }, path,
      "Cannot create the vCard file", progress);
}

}  // namespace velmora
