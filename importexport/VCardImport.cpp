// Reading cards into contacts, and the import of a whole vCard file.
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <unordered_map>

#include "importexport/VCard.h"
#include "importexport/CountedText.h"
#include "store/Bytes.h"
#include "store/Dates.h"
#include "store/RecordHeader.h"

namespace velmora {

namespace c = contact;

namespace {

constexpr std::string_view kOwnTypeParameter = "X-CARDORA-TYPE";
constexpr std::string_view kOwnProductId = "-//Velmora//";
constexpr int kFirstMailType = 15;  // "E-mail1"
constexpr int kLastMailType = 17;   // "E-mail3"
// How much of a value a reason quotes.
constexpr size_t kShownValueLength = 60;

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& ch : out) {
    if (ch >= 'A' && ch <= 'Z') ch = char(ch + 32);
  }
  return out;
}

std::string Shown(std::string_view value) {
  return "\"" + std::string(value.substr(0, Utf8CutLength(value, kShownValueLength))) + "\"";
}

// Line breaks as the address book stores them in streets and notes: CR LF.
std::string WithCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\r\n";
    } else if (text[i] == '\n') {
      out += "\r\n";
    } else {
      out += text[i];
    }
  }
  return out;
}

// A value for a field of one line: each line break becomes a space.
std::string OneLine(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += ' ';
    } else {
      out += text[i];
    }
  }
  return out;
}

// The value as a field of that width keeps it: cut at a character boundary,
// without spaces at either end (line breaks made spaces, or the cut, may
// leave them there, and a card could not give them back: values are read
// trimmed).
std::string Fitted(std::string_view value, uint32_t width) {
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
  value = value.substr(0, Utf8CutLength(value, width - 1));
  while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
  return std::string(value);
}

std::string Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return std::string(text);
}

int HexDigit(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

std::string PercentDecoded(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
      out += char(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Apple's year for a date without one.
constexpr uint32_t kAppleNoYear = 1604;

// A date as cards write it: 19750503, 1975-05-03 (a time after it
// ignored). A date without a year (--0503, --05-03, or Apple's year 1604,
// which its X-APPLE-OMIT-YEAR names) sets yearless and gives no date: the
// record keeps a date only with its year, and a year made up would be a
// wrong birthday.
std::optional<DateValue> CardDate(const VCardProperty& property, bool& yearless) {
  std::string digits;
  std::string_view value = property.value;
  if (const size_t t = value.find_first_of("Tt"); t != std::string_view::npos) value = value.substr(0, t);
  yearless = value.substr(0, 2) == "--";
  for (char ch : value) {
    if (ch >= '0' && ch <= '9') {
      digits += ch;
    } else if (ch != '-' && ch != ' ') {
      return std::nullopt;
    }
  }
  DateValue date;
  if (yearless) return std::nullopt;
  if (digits.size() != 8) return std::nullopt;
  date.year = uint32_t(std::stoi(digits.substr(0, 4)));
  date.month = uint32_t(std::stoi(digits.substr(4, 2)));
  date.day = uint32_t(std::stoi(digits.substr(6, 2)));
  const std::string* omit = property.Parameter("X-APPLE-OMIT-YEAR");
  if (date.year == kAppleNoYear || (omit && *omit == digits.substr(0, 4))) {
    yearless = true;
    return std::nullopt;
  }
  if (DayNumber(date) == kInvalidDayNumber) return std::nullopt;
  return date;
}

// The kinds a property is marked with, in lower case: its TYPE values and,
// for a grouped property, the label the group gives it (X-ABLABEL, with
// Apple's "_$!<Spouse>!$_" wrapping taken off).
class Kinds {
 public:
  Kinds(const VCardProperty& property, const std::unordered_map<std::string, std::string>& labels) {
    for (const VCardParameter& parameter : property.parameters) {
      if (parameter.name == "PREF") words_.push_back("pref");
      if (parameter.name != "TYPE") continue;
      for (const std::string& value : parameter.values) {
        for (std::string part : SplitVCardValue(value, ',')) words_.push_back(Lower(Trimmed(part)));
      }
    }
    if (!property.group.empty()) {
      if (auto found = labels.find(Lower(property.group)); found != labels.end()) words_.push_back(found->second);
    }
  }
  bool Has(std::string_view kind) const { return std::find(words_.begin(), words_.end(), kind) != words_.end(); }
  bool HasAny(std::initializer_list<std::string_view> kinds) const {
    return std::any_of(kinds.begin(), kinds.end(), [&](std::string_view kind) { return Has(kind); });
  }

 private:
  std::vector<std::string> words_;
};

std::string LabelWord(std::string_view label) {
  std::string text = Trimmed(UnescapeVCardText(label));
  if (text.size() > 8 && text.substr(0, 4) == "_$!<" && text.substr(text.size() - 4) == ">!$_") {
    text = text.substr(4, text.size() - 8);
  }
  return Lower(text);
}

int OtherPhoneTypeNamed(std::string_view name) {
  for (size_t i = 0; i < c::kOtherPhoneTypes.size(); ++i) {
    if (c::kOtherPhoneTypes[i] == name) return int(i) + 1;
  }
  return -1;
}

int OtherPhoneTypeOf(std::string_view name) {
  const int type = OtherPhoneTypeNamed(name);
  if (type < 0) return c::kMaxOtherPhoneType + 1;  // unknown: never valid
  return type;
}

// Fills a contact field by field, keeping what found no room.
class CardFiller {
 public:
  CardFiller(Contact& contact, std::vector<std::string>& leftOut) : contact_(contact), leftOut_(leftOut) {}

  bool kept() const { return kept_; }

  // Stores value in the first empty field of the list; false when all are
  // in use. Only the streets keep line breaks. A value longer than its
  // field is cut, and the cut told under what.
  bool PutFirstFree(std::initializer_list<ContactField> fields, std::string_view value, std::string_view what) {
    return PutFirstFree(std::span<const ContactField>(fields.begin(), fields.size()), value, what);
  }
  bool PutFirstFree(std::span<const ContactField> fields, std::string_view value, std::string_view what) {
    if (value.empty()) return true;
    for (const ContactField& field : fields) {
      if (!contact_.RawText(field).empty()) continue;
      const bool lines = field == c::kHomeStreet || field == c::kWorkStreet;
      const std::string text = FittedTold(lines ? std::string(value) : OneLine(value), field.width, what);
      if (text.empty()) return true;  // line breaks and spaces only
      contact_.SetText(field, text);
      kept_ = true;
      return true;
    }
    return false;
  }

  // The value as a field of that width keeps it; a cut is told.
  std::string FittedTold(std::string_view value, uint32_t width, std::string_view what) {
    std::string text = Fitted(value, width);
    if (text.size() < Trimmed(value).size()) {
      leftOut_.push_back(std::string(what) + " " + Shown(Trimmed(value)) + " was cut to " + std::to_string(width - 1) +
                         " bytes, the length of its field");
    }
    return text;
  }

  void Put(ContactField field, std::string_view value, std::string_view what) {
    if (value.empty()) return;
    if (!PutFirstFree({field}, value, what)) LeftOut(what, value, "the field already holds a value");
  }

  // An other phone with its type (0 none, 1..17); whole is for e-mail
  // addresses, which are useless cut.
  bool PutOther(std::string_view value, int32_t type, bool whole, std::string_view what) {
    if (whole && value.size() >= c::kOtherPhoneTextWidth) return false;
    if (FreeOther() < 0) return false;
    const std::string text = FittedTold(OneLine(value), c::kOtherPhoneTextWidth, what);
    if (text.empty()) return true;
    for (int i = 0; i < int(c::kOtherPhoneCount); ++i) {
      if (!contact_.OtherPhone(i).empty()) continue;
      contact_.SetOtherPhone(i, text);
      contact_.SetOtherPhoneType(i, type);
      kept_ = true;
      return true;
    }
    return false;
  }

  int FreeOther() const {
    for (int i = 0; i < int(c::kOtherPhoneCount); ++i) {
      if (contact_.OtherPhone(i).empty()) return i;
    }
    return -1;
  }

  bool HasOtherType(int32_t type) const {
    for (int i = 0; i < int(c::kOtherPhoneCount); ++i) {
      if (!contact_.OtherPhone(i).empty() && contact_.OtherPhoneType(i) == type) return true;
    }
    return false;
  }

  void LeftOut(std::string_view what, std::string_view value, std::string_view why) {
    leftOut_.push_back(std::string(what) + " " + Shown(value) + " was left out: " + std::string(why));
  }

  void Keep() { kept_ = true; }
  Contact& contact() { return contact_; }

 private:
  Contact& contact_;
  std::vector<std::string>& leftOut_;
  bool kept_ = false;
};

// ownCard: a card we wrote, whose FN only shows the contact (its company,
// nickname or e-mail address when it has no name) and whose N is the name.
void ReadName(const VCard& card, bool ownCard, CardFiller& fill) {
  const VCardProperty* n = nullptr;
  const VCardProperty* fn = nullptr;
  const VCardProperty* org = nullptr;
  for (const VCardProperty& property : card.properties) {
    if (property.name == "N" && !n) n = &property;
    if (property.name == "FN" && !fn) fn = &property;
    if (property.name == "ORG" && !org) org = &property;
  }
  std::vector<std::string> parts;
  if (n) {
    parts = SplitVCardValue(n->value, ';');
    parts.resize(5);
  }
  // An N without a single part (N:;;;;, as phones write it for a name
  // typed in one field) says nothing: the formatted name gives the name.
  const bool named = std::any_of(parts.begin(), parts.end(), [](const std::string& part) { return !Trimmed(part).empty(); });
  if (named) {
    fill.Put(c::kLastName, Trimmed(parts[0]), "The last name");
    fill.Put(c::kFirstName, Trimmed(parts[1]), "The first name");
    fill.Put(c::kMiddleName, Trimmed(parts[2]), "The middle name");
    fill.Put(c::kTitle, Trimmed(parts[3]), "The title");
    fill.Put(c::kSuffix, Trimmed(parts[4]), "The suffix");
    return;
  }
  // Without N, the formatted name is split at its last space, unless it is
  // the organisation's name (a card for a company).
  if (!fn || ownCard) return;
  const std::string name = Trimmed(UnescapeVCardText(fn->value));
  if (name.empty()) return;
  if (org && Trimmed(SplitVCardValue(org->value, ';')[0]) == name) return;
  const size_t space = name.rfind(' ');
  if (space == std::string::npos) {
    fill.Put(c::kFirstName, name, "The name");
  } else {
    fill.Put(c::kFirstName, Trimmed(name.substr(0, space)), "The first name");
    fill.Put(c::kLastName, Trimmed(name.substr(space + 1)), "The last name");
  }
}

void ReadAddress(const VCardProperty& property, const Kinds& kinds, CardFiller& fill) {
  std::vector<std::string> parts = SplitVCardValue(property.value, ';');
  parts.resize(7);
  // Post office box and extended address become further lines of the street.
  std::string street = Trimmed(parts[2]);
  for (size_t part : {size_t(1), size_t(0)}) {
    const std::string extra = Trimmed(parts[part]);
    if (extra.empty()) continue;
    if (!street.empty()) street += "\n";
    street += extra;
  }
  street = WithCrLf(street);
  struct Block {
    ContactField street, city, state, zip, country;
  };
  const Block home{c::kHomeStreet, c::kHomeCity, c::kHomeState, c::kHomeZip, c::kHomeCountry};
  const Block work{c::kWorkStreet, c::kWorkCity, c::kWorkState, c::kWorkZip, c::kWorkCountry};
  const auto empty = [&](const Block& block) {
    for (ContactField field : {block.street, block.city, block.state, block.zip, block.country}) {
      if (!fill.contact().RawText(field).empty()) return false;
    }
    return true;
  };
  std::vector<const Block*> order;
  if (kinds.Has("work")) {
    order = {&work};
  } else if (kinds.Has("home")) {
    order = {&home};
  } else {
    order = {&home, &work};
  }
  std::string whole;
  for (const std::string& part : parts) {
    if (Trimmed(part).empty()) continue;
    if (!whole.empty()) whole += ", ";
    whole += Trimmed(part);
  }
  if (whole.empty()) return;
  for (const Block* block : order) {
    if (!empty(*block)) continue;
    fill.PutFirstFree({block->street}, street, "The street");
    fill.PutFirstFree({block->city}, Trimmed(parts[3]), "The city");
    fill.PutFirstFree({block->state}, Trimmed(parts[4]), "The state");
    fill.PutFirstFree({block->zip}, Trimmed(parts[5]), "The postal code");
    fill.PutFirstFree({block->country}, Trimmed(parts[6]), "The country");
    return;
  }
  fill.LeftOut("The address", whole, "the address book keeps one home and one work address");
}

struct PhoneRoute {
  std::optional<ContactField> field;  // the main field it goes to first
  int32_t otherType;                  // the other phone's type when that field is in use
};

PhoneRoute RoutePhone(const Kinds& kinds) {
  const auto type = [](std::string_view name) { return OtherPhoneTypeOf(name); };
  const bool work = kinds.Has("work");
  const bool home = kinds.Has("home");
  if (kinds.Has("pager")) return {std::nullopt, type("Pager")};
  if (kinds.Has("fax")) return {work ? c::kWorkFax : c::kHomeFax, type("Other Fax")};
  if (kinds.HasAny({"cell", "mobile", "iphone"})) return {work ? c::kWorkMobile : c::kHomeMobile, type("Other")};
  if (kinds.Has("car")) return {std::nullopt, type("Car")};
  if (kinds.Has("isdn")) return {std::nullopt, type("ISDN")};
  if (kinds.HasAny({"textphone", "tty", "tdd", "tty/tdd"})) return {std::nullopt, type("TTY/TDD")};
  if (kinds.HasAny({"assistant", "x-assistant"})) return {std::nullopt, type("Assistant")};
  if (kinds.HasAny({"callback", "x-callback"})) return {std::nullopt, type("Callback")};
  if (kinds.HasAny({"radio", "x-radio"})) return {std::nullopt, type("Radio")};
  if (kinds.HasAny({"telex", "x-telex"})) return {std::nullopt, type("Telex")};
  if (kinds.HasAny({"company", "x-company"})) return {std::nullopt, type("Company")};
  if (kinds.Has("main")) return {std::nullopt, type("Primary")};
  if (work) return {c::kWorkPhone, type("Business 2")};
  if (home) return {c::kHomePhone, type("Home 2")};
  if (kinds.Has("other")) return {std::nullopt, type("Other")};
  return {c::kHomePhone, type("Other")};
}

// 4.0 may write a number as a tel: URI.
std::string PhoneNumber(const VCardProperty& property) {
  std::string number = Trimmed(UnescapeVCardText(property.value));
  while (number.size() >= 4 && Lower(number.substr(0, 4)) == "tel:") number = Trimmed(number.substr(4));
  return number;
}

// The type our own cards give an other phone; nullopt when the property
// has none (or names a type we do not know).
std::optional<int32_t> OwnType(const VCardProperty& property) {
  const std::string* own = property.Parameter(kOwnTypeParameter);
  if (!own) return std::nullopt;
  if (own->empty()) return 0;
  const int type = OtherPhoneTypeNamed(*own);
  if (type < 0) return std::nullopt;
  return type;
}

void ReadPhone(const VCardProperty& property, const Kinds& kinds, CardFiller& fill) {
  const std::string number = PhoneNumber(property);
  if (number.empty()) return;
  if (std::optional<int32_t> own = OwnType(property)) {
    if (!fill.PutOther(number, *own, false, "The phone")) fill.LeftOut("The phone", number, "all five other phones are in use");
    return;
  }
  const PhoneRoute route = RoutePhone(kinds);
  if (route.field && fill.PutFirstFree({*route.field}, number, "The phone")) return;
  if (!fill.PutOther(number, route.otherType, false, "The phone")) {
    fill.LeftOut("The phone", number, "all five other phones are in use");
  }
}

void ReadEmail(const VCardProperty& property, const Kinds& kinds, CardFiller& fill) {
  const std::string address = Trimmed(UnescapeVCardText(property.value));
  if (address.empty()) return;
  if (std::optional<int32_t> own = OwnType(property)) {
    if (!fill.PutOther(address, *own, true, "The e-mail address")) {
      fill.LeftOut("The e-mail address", address, "no other phone is free for it");
    }
    return;
  }
  std::vector<ContactField> fields = {c::kHomeEmail, c::kWorkEmail};
  if (kinds.Has("work")) {
    fields = {c::kWorkEmail};
  } else if (kinds.Has("home")) {
    fields = {c::kHomeEmail};
  }
  if (fill.PutFirstFree(fields, address, "The e-mail address")) return;
  // Further addresses go among the other phones typed E-mail1..3, when
  // they fit whole.
  for (int type = kFirstMailType; type <= kLastMailType; ++type) {
    if (fill.HasOtherType(type)) continue;
    if (fill.PutOther(address, type, true, "The e-mail address")) return;
    break;
  }
  fill.LeftOut("The e-mail address", address,
               "the address book keeps a home and a work address and three short ones among the other phones");
}

void ReadWeb(const VCardProperty& property, const Kinds& kinds, CardFiller& fill) {
  const std::string url = Trimmed(UnescapeVCardText(property.value));
  if (url.empty()) return;
  std::vector<ContactField> fields = {c::kHomeWeb, c::kWorkWeb};
  if (kinds.Has("work")) {
    fields = {c::kWorkWeb};
  } else if (kinds.Has("home")) {
    fields = {c::kHomeWeb};
  }
  if (!fill.PutFirstFree(fields, url, "The web page")) fill.LeftOut("The web page", url, "the field already holds a web page");
}

void ReadPhoto(const VCardProperty& property, CardFiller& fill) {
  const std::string value = Trimmed(property.value);
  const std::string lower = Lower(value.substr(0, 7));
  const std::string* encoding = property.Parameter("ENCODING");
  const std::string* valueType = property.Parameter("VALUE");
  // An embedded picture (base64 text may well start with a slash).
  const bool embedded = (encoding && Lower(*encoding) != "8bit" && Lower(*encoding) != "7bit") ||
                        (valueType && Lower(*valueType) == "binary");
  std::string path;
  if (embedded) {
    // nothing to keep
  } else if (lower == "file://") {
    path = value.substr(7);
    if (Lower(path.substr(0, 9)) == "localhost") path = path.substr(9);
    path = PercentDecoded(path);
  } else if (!value.empty() && value[0] == '/') {
    path = PercentDecoded(value);
  }
  // Escaped bytes may be anything: a NUL would end the path, and bytes that
  // are not UTF-8 are read as Windows-1252 as everywhere.
  std::erase(path, '\0');
  if (!IsValidUtf8(path)) path = Windows1252ToUtf8(path);
  if (path.empty() || path[0] != '/') {
    fill.LeftOut("The picture", value.substr(0, 20) + (value.size() > 20 ? "..." : ""),
                 "the address book keeps the path of a picture file, not the picture itself or a web address");
    return;
  }
  if (path.size() >= c::kPicture.width) {
    fill.LeftOut("The picture path", path, "it is longer than 259 bytes");
    return;
  }
  fill.Put(c::kPicture, path, "The picture");
}

void ReadDate(const VCardProperty& property, bool birthday, CardFiller& fill) {
  bool yearless = false;
  std::optional<DateValue> date = CardDate(property, yearless);
  const char* what = birthday ? "The birthday" : "The anniversary";
  if (yearless) {
    fill.LeftOut(what, property.value, "it has no year, and the address book keeps a date only with its year");
    return;
  }
  if (!date) {
    fill.LeftOut(what, property.value, "it is not a date from 1800 to 2199");
    return;
  }
  Contact& contact = fill.contact();
  if (!(birthday ? contact.Birthday() : contact.Anniversary()).IsEmpty()) return;
  birthday ? contact.SetBirthday(*date) : contact.SetAnniversary(*date);
  fill.Keep();
}

// A related person's name: text, not a link to another card.
std::optional<std::string> RelatedName(const VCardProperty& property) {
  const std::string* valueType = property.Parameter("VALUE");
  const std::string name = Trimmed(UnescapeVCardText(property.value));
  if (name.empty()) return std::nullopt;
  if (valueType && Lower(*valueType) == "text") return name;
  // Without VALUE=text, a 4.0 RELATED is a URI (urn:uuid:..., http:...).
  if (property.name == "RELATED") {
    const size_t colon = name.find(':');
    if (colon != std::string::npos && name.find(' ') == std::string::npos) return std::nullopt;
  }
  return name;
}

void ReadChild(const std::string& name, CardFiller& fill) {
  for (int i = 0; i < int(c::kChildCount); ++i) {
    if (!fill.contact().Child(i).empty()) continue;
    const std::string text = fill.FittedTold(OneLine(name), c::kChildWidth, "The child");
    if (text.empty()) return;
    fill.contact().SetChild(i, text);
    fill.Keep();
    return;
  }
  fill.LeftOut("The child", name, "the address book keeps five children");
}

// A spouse or a child, of the properties that name related people; false
// for any other property, and for another relation or a link to a card.
bool ReadRelated(const VCardProperty& property, const Kinds& kinds, CardFiller& fill) {
  const std::string& name = property.name;
  std::optional<std::string> person = RelatedName(property);
  if (!person) return false;
  const bool spouse = name == "X-SPOUSE" || name == "X-EVOLUTION-SPOUSE" || name == "X-MS-SPOUSE" ||
                      name == "X-KADDRESSBOOK-X-SPOUSESNAME" ||
                      ((name == "RELATED" || name == "X-ABRELATEDNAMES") && kinds.HasAny({"spouse", "partner"}));
  const bool child = name == "X-CHILD" || name == "X-MS-CHILD" ||
                     ((name == "RELATED" || name == "X-ABRELATEDNAMES") && kinds.Has("child"));
  if (spouse) {
    fill.Put(c::kSpouseName, *person, "The spouse");
  } else if (child) {
    ReadChild(*person, fill);
  }
  return spouse || child;
}

// Android's own rows: "vnd.android.cursor.item/nickname;Bosse;1;..." and
// "vnd.android.cursor.item/relation;Eva;14;..." (14 spouse, 4 domestic
// partner, 10 partner, 3 child). False for the rows no field keeps.
bool ReadAndroidCustom(const VCardProperty& property, CardFiller& fill) {
  std::vector<std::string> parts = SplitVCardValue(property.value, ';');
  parts.resize(std::max<size_t>(parts.size(), 3));
  const std::string kind = Lower(Trimmed(parts[0]));
  const std::string value = Trimmed(parts[1]);
  if (value.empty()) return true;
  if (kind == "vnd.android.cursor.item/nickname") {
    fill.Put(c::kNickName, value, "The nickname");
    return true;
  }
  if (kind == "vnd.android.cursor.item/relation") {
    const std::string type = Trimmed(parts[2]);
    if (type == "14" || type == "4" || type == "10") {
      fill.Put(c::kSpouseName, value, "The spouse");
      return true;
    }
    if (type == "3") {
      ReadChild(value, fill);
      return true;
    }
  }
  return false;
}

// Outlook's gender: 1 female, 2 male.
void ReadOutlookGender(const VCardProperty& property, CardFiller& fill) {
  const std::string value = Trimmed(property.value);
  if (value != "1" && value != "2") return;
  fill.contact().SetGender(value == "1" ? c::kGenderFemale : c::kGenderMale);
  fill.Keep();
}

// Properties that carry no value of the user's: the card's version, maker,
// revision and identifiers, display forms of values kept elsewhere, and
// the writers' own bookkeeping. Whatever else finds no field is told.
bool CarriesNoUserData(std::string_view name) {
  static constexpr std::string_view kNames[] = {
      "VERSION",     "PRODID",          "REV",          "UID",          "X-ABUID",
      "CLIENTPIDMAP", "KIND",           "PROFILE",      "NAME",         "SOURCE",
      "SORT-STRING", "FN",              "X-ABLABEL",    "X-ABADR",      "X-ABSHOWAS",
      "X-IRMC-LUID", "X-EVOLUTION-FILE-AS", "X-MOZILLA-HTML", "X-MS-OL-DEFAULT-POSTAL-ADDRESS",
      "X-MS-OL-DESIGN"};
  return std::find(std::begin(kNames), std::end(kNames), name) != std::end(kNames);
}

// A property no field keeps, told with its value.
void TellUnkept(const VCardProperty& property, CardFiller& fill) {
  const std::string* encoding = property.Parameter("ENCODING");
  const bool binary = encoding && Lower(*encoding) != "8bit" && Lower(*encoding) != "7bit" &&
                      Lower(*encoding) != "quoted-printable";
  std::string value = binary ? property.value : Trimmed(UnescapeVCardText(property.value));
  if (binary && value.size() > 20) value = value.substr(0, 20) + "...";
  fill.LeftOut(property.name, value, "the address book has no field for it");
}

void ReadGender(const VCardProperty& property, CardFiller& fill) {
  const std::string value = Lower(Trimmed(SplitVCardValue(property.value, ';')[0]));
  int32_t gender = c::kGenderUnspecified;
  if (value == "f" || value == "female") gender = c::kGenderFemale;
  if (value == "m" || value == "male") gender = c::kGenderMale;
  if (gender == c::kGenderUnspecified) return;
  fill.contact().SetGender(gender);
  fill.Keep();
}

// ownCard: a card we wrote, whose category is the user's whatever its name.
void ReadCategories(const VCardProperty& property, bool ownCard, CardFiller& fill) {
  std::vector<std::string> names;
  for (const std::string& name : SplitVCardValue(property.value, ',')) {
    // Google puts every contact in its group "myContacts": no category of the user's.
    const bool google = !ownCard && Lower(Trimmed(name)) == "mycontacts";
    if (!Trimmed(name).empty() && !google) names.push_back(Trimmed(name));
  }
  if (names.empty()) return;
  fill.Put(c::kCategory, names[0], "The category");
  for (size_t i = 1; i < names.size(); ++i) {
    fill.LeftOut("The category", names[i], "a contact has one category");
  }
}

void ReadOrganisation(const VCardProperty& property, CardFiller& fill) {
  std::vector<std::string> parts = SplitVCardValue(property.value, ';');
  parts.resize(std::max<size_t>(parts.size(), 3));
  fill.Put(c::kCompany, Trimmed(parts[0]), "The company");
  fill.Put(c::kDepartment, Trimmed(parts[1]), "The department");
  fill.Put(c::kOffice, Trimmed(parts[2]), "The office");
  for (size_t i = 3; i < parts.size(); ++i) {
    if (!Trimmed(parts[i]).empty()) fill.LeftOut("The organisational unit", Trimmed(parts[i]), "no field is left for it");
  }
}

void ReadNote(const VCardProperty& property, CardFiller& fill) {
  const std::string note = WithCrLf(UnescapeVCardText(property.value));
  if (note.empty()) return;
  Contact& contact = fill.contact();
  std::string notes = contact.Notes();
  if (!notes.empty()) notes += "\r\n";
  notes += note;
  const size_t kept = Utf8CutLength(notes, c::kNotes.width - 1);
  if (kept < notes.size()) fill.LeftOut("The end of the notes", notes.substr(kept), "the notes keep 1023 bytes");
  contact.SetNotes(notes);
  fill.Keep();
}

}  // namespace

bool ContactFromVCard(const VCard& card, Contact& contact, std::vector<std::string>& leftOut) {
  CardFiller fill(contact, leftOut);
  std::unordered_map<std::string, std::string> labels;
  bool ownCard = false;
  bool hasAddress = false;
  for (const VCardProperty& property : card.properties) {
    if (property.name == "ADR") hasAddress = true;
    if (property.name == "PRODID" && property.value.starts_with(kOwnProductId)) ownCard = true;
    if (property.name == "X-ABLABEL" && !property.group.empty()) {
      labels[Lower(property.group)] = LabelWord(property.value);
    }
  }
  ReadName(card, ownCard, fill);
  const VCardProperty* role = nullptr;
  for (const VCardProperty& property : card.properties) {
    const Kinds kinds(property, labels);
    const std::string& name = property.name;
    if (name == "NICKNAME") {
      for (const std::string& nick : SplitVCardValue(property.value, ',')) fill.Put(c::kNickName, Trimmed(nick), "The nickname");
    } else if (name == "ADR") {
      ReadAddress(property, kinds, fill);
    } else if (name == "TEL") {
      ReadPhone(property, kinds, fill);
    } else if (name == "EMAIL") {
      ReadEmail(property, kinds, fill);
    } else if (name == "URL") {
      ReadWeb(property, kinds, fill);
    } else if (name == "ORG") {
      ReadOrganisation(property, fill);
    } else if (name == "TITLE") {
      fill.Put(c::kJobTitle, Trimmed(UnescapeVCardText(property.value)), "The job title");
    } else if (name == "ROLE") {
      if (!role) {
        role = &property;
      } else {
        fill.LeftOut("The role", Trimmed(UnescapeVCardText(property.value)), "a contact has one job title");
      }
    } else if (name == "NOTE") {
      ReadNote(property, fill);
    } else if (name == "BDAY") {
      ReadDate(property, true, fill);
    } else if (name == "ANNIVERSARY" || name == "X-ANNIVERSARY" || name == "X-MS-ANNIVERSARY" ||
               name == "X-EVOLUTION-ANNIVERSARY") {
      ReadDate(property, false, fill);
    } else if (name == "GENDER" || name == "X-GENDER") {
      ReadGender(property, fill);
    } else if (name == "CATEGORIES") {
      ReadCategories(property, ownCard, fill);
    } else if (name == "PHOTO") {
      ReadPhoto(property, fill);
    } else if (name == "X-WAB-GENDER") {
      ReadOutlookGender(property, fill);
    } else if (name == "N" || name == "LABEL") {
      // The name is read above; an address label repeats an ADR, and is
      // told only when the card has none.
      if (name == "LABEL" && !hasAddress) TellUnkept(property, fill);
    } else if (name == "X-ANDROID-CUSTOM") {
      if (!ReadAndroidCustom(property, fill)) TellUnkept(property, fill);
    } else if (!ReadRelated(property, kinds, fill) && !CarriesNoUserData(name)) {
      TellUnkept(property, fill);
    }
  }
  // A role fills the job title only when the card gives no title.
  if (role) {
    const std::string text = Trimmed(UnescapeVCardText(role->value));
    if (!fill.PutFirstFree({c::kJobTitle}, text, "The role")) {
      fill.LeftOut("The role", text, "the job title already holds a value");
    }
  }
  return fill.kept();
}

Result ImportVCards(RecordStore& store, const VCardInput& input, ImportCounts& counts,
                    const ImportProgress& progress) {
  counts = ImportCounts{};
  if (Result target = CheckContactImportTarget(store); !target.ok()) return target;
  ContactImportBatch batch(store, counts, 0);
  Bytes fresh;
  InitContactRecord(store, fresh);
  VCardStreamReader reader;
  VCardFile file;  // what the last piece completed
  std::string chunk;
  std::vector<std::string> leftOut;
  size_t read = 0;
  bool end = false;
  while (!end && !counts.cancelled) {
    chunk.clear();
    if (Result next = input.next(chunk); !next.ok()) {
      // What was added stays; the message says how far the import got.
      const Result finished = batch.Finish();
      if (!finished.ok()) return finished;
      return Result::Fail(next.Message() + "; " + CountedText(counts.added, "record", "records") + " " +
                          WasOrWere(counts.added) + " added before the import stopped");
    }
    if (chunk.empty()) {
      reader.Finish(file);
      end = true;
    } else {
      read += chunk.size();
      reader.Feed(chunk, file);
    }
    for (VCardProblem& problem : file.unread) counts.unread.push_back({problem.line, std::move(problem.reason)});
    file.unread.clear();
    for (VCard& card : file.cards) {
      ++counts.linesRead;
      Bytes record = fresh;
      rec::SetId(record.data(), NewRecordId());
      Contact contact(std::move(record));
      // What the reader left out of the card is told under it; for a card
      // not read at all, that is not told again.
      leftOut = std::move(card.problems);
      if (!ContactFromVCard(card, contact, leftOut)) {
        counts.unread.push_back({card.line, "the card holds nothing the address book keeps"});
      } else {
        for (std::string& reason : leftOut) counts.partly.push_back({card.line, std::move(reason)});
        // A failure has already said how far the import got.
        if (Result added = batch.Add(contact.bytes(), card.line); !added.ok()) return added;
      }
      if (progress && !progress(read, input.size)) {
        counts.cancelled = true;
        break;
      }
    }
    file.cards.clear();
  }
  std::stable_sort(counts.unread.begin(), counts.unread.end(),
                   [](const ImportLineProblem& a, const ImportLineProblem& b) { return a.line < b.line; });
  return batch.Finish();
}

Result ImportVCards(RecordStore& store, std::string_view fileBytes, ImportCounts& counts,
                    const ImportProgress& progress) {
  size_t at = 0;
  VCardInput input;
  input.size = fileBytes.size();
  input.next = [&](std::string& chunk) {
    const std::string_view piece = fileBytes.substr(at, kVCardChunkBytes);
    chunk.assign(piece);
    at += piece.size();
    return Result::Ok();
  };
  return ImportVCards(store, input, counts, progress);
}

}  // namespace velmora
