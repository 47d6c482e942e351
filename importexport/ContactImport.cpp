#include "importexport/ContactImport.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <sstream>

#include "addressbook/model/Contact.h"
#include "addressbook/model/ContactRules.h"
#include "importexport/ContactFields.h"
#include "importexport/ContactImportCatalogue.h"
#include "importexport/CsvField.h"
#include "importexport/ImportConversion.h"
#include "importexport/ImportReader.h"
#include "store/Bytes.h"
#include "store/RecordHeader.h"
#include "store/Refresh.h"

namespace velmora {

namespace c = contact;

namespace {

// The most records the duplicate test makes room for ahead.
constexpr size_t kMostReserved = size_t(1) << 20;
// Read this many bytes of slots per call when loading the index.
constexpr size_t kScanChunkBytes = size_t(1) << 20;

void AppendU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += char(uint8_t(v >> (8 * i)));
}

void AppendText(std::string& out, std::string_view text) {
  AppendU32(out, uint32_t(text.size()));
  out += text;
}

// What ContactRecordsEqual leaves out.
bool Compared(const BodyKey& key) {
  return key.offset != c::kAttachmentKind && key.offset != c::kAttachment.offset && key.offset != c::kNoMailMerge;
}

std::string Plural(size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

Result StoppedAt(const Result& failure, size_t line, size_t added) {
  return failure.Reworded("The import stopped at line " + std::to_string(line) + " after adding " +
                          Plural(added, "record", "records") + ": " +
                          (failure.what().empty() ? std::string("the record could not be written") : failure.what()));
}

}  // namespace

std::string ContactDuplicateKey(const uint8_t* record) {
  std::string key;
  key.reserve(512);
  AppendText(key, RawText(record + c::kCategory.offset, c::kCategory.width));
  for (const BodyKey& field : ContactBodyKeys()) {
    if (!Compared(field)) continue;
    const uint8_t* at = record + field.offset;
    switch (field.type) {
      case BodyKeyType::Text:
        AppendText(key, RawText(at, field.width));
        break;
      case BodyKeyType::I32:
        AppendU32(key, GetU32(at));
        break;
      case BodyKeyType::Date:
        AppendU32(key, uint32_t(DayNumber(GetDate(at))));
        break;
      case BodyKeyType::U8:
        key += char(*at);
        break;
    }
  }
  return key;
}

// FNV-1a over the key, and the standard library's own string hash (a
// different function): two records are taken as equal only when both
// agree, which for different keys happens about once in 2^128 pairs.
ContactDuplicateIndex::Digest ContactDuplicateIndex::DigestOf(const std::string& key) {
  uint64_t fnv = 0xcbf29ce484222325ULL;
  for (unsigned char c : key) {
    fnv ^= c;
    fnv *= 0x100000001b3ULL;
  }
  return {fnv, uint64_t(std::hash<std::string_view>{}(key)) ^ (uint64_t(key.size()) << 56)};
}

Result ContactDuplicateIndex::Load(RecordStore& store) {
  keys_.clear();
  if (!store.IsOpen()) return Result::Fail("The address book is not open:", 0, store.path());
  const size_t size = store.recordSize();
  if (size == kUnsetSize || size < c::kRecordSize) {
    return Result::Fail("Not an address book (its records are too small):", 0, store.path());
  }
  const bool owner = store.GetAccessLevel() == kAccessOwner;
  const size_t slotsPerRead = std::max<size_t>(kSlotsPerRead, kScanChunkBytes / size);
  return store.ScanSlots(
      [&](RecordPosition, const uint8_t* slots, size_t count) {
        for (size_t i = 0; i < count; ++i) {
          const uint8_t* record = slots + i * size;
          if (record[format::record::kInUse] != 1) continue;
          if (record[format::record::kConfidential] != 0 && !owner) continue;
          keys_.insert(DigestOf(ContactDuplicateKey(record)));
        }
      },
      slotsPerRead);
}

bool ContactDuplicateIndex::Contains(const Bytes& record) const {
  if (record.size() < c::kRecordSize) {
    Bytes padded(record);
    padded.resize(c::kRecordSize, 0);
    return keys_.count(DigestOf(ContactDuplicateKey(padded.data()))) != 0;
  }
  return keys_.count(DigestOf(ContactDuplicateKey(record.data()))) != 0;
}

void ContactDuplicateIndex::Add(const Bytes& record) { (void)AddIfNew(record); }

bool ContactDuplicateIndex::AddIfNew(const Bytes& record) {
  if (record.size() < c::kRecordSize) {
    Bytes padded(record);
    padded.resize(c::kRecordSize, 0);
    return keys_.insert(DigestOf(ContactDuplicateKey(padded.data()))).second;
  }
  return keys_.insert(DigestOf(ContactDuplicateKey(record.data()))).second;
}

bool ContactImportAcceptor::Accept(Bytes& record) {
  if (!loaded_) {
    status_ = index_.Load(store_);
    // Room made at once for the lines announced, but not beyond a bound: a
    // file of blank lines would otherwise cost memory for nothing.
    index_.Reserve(std::min(expected_, kMostReserved));
    loaded_ = true;
  }
  if (!status_.ok()) return false;
  NormaliseContactRecord(record);
  return index_.AddIfNew(record);
}

Result CheckContactImportTarget(RecordStore& store) {
  if (!store.IsOpen()) return Result::Fail("The address book is not open:", 0, store.path());
  if (store.GetAccessLevel() == kAccessReader) return Result(kReaderRefused);
  if (store.recordSize() != c::kRecordSize) {
    return Result::Fail("Not an address book (its records are not contacts):", 0, store.path());
  }
  return Result::Ok();
}

ContactImportBatch::ContactImportBatch(RecordStore& store, ImportCounts& counts, size_t expected)
    : store_(store), counts_(counts), acceptor_(store), refreshWas_(RefreshAllowed()) {
  // Other users' changes are picked up once the import is over, not
  // between two batches.
  SetRefreshAllowed(false);
  acceptor_.Expect(expected);
  pending_.reserve(kImportBatchRecords * c::kRecordSize);
}

ContactImportBatch::~ContactImportBatch() { SetRefreshAllowed(refreshWas_); }

Result ContactImportBatch::Flush() {
  if (pendingCount_ == 0) return Result::Ok();
  size_t added = 0;
  Result written = store_.AddRecords(pending_, &added);
  counts_.added += added;
  pending_.clear();
  pendingCount_ = 0;
  if (!written.ok()) return StoppedAt(written, lastLine_, counts_.added);
  return written;
}

Result ContactImportBatch::Add(Bytes& record, size_t line) {
  lastLine_ = line;
  if (!acceptor_.Accept(record)) {
    if (!acceptor_.status().ok()) return StoppedAt(acceptor_.status(), line, counts_.added);
    ++counts_.duplicates;
    return Result::Ok();
  }
  pending_.insert(pending_.end(), record.begin(), record.end());
  if (++pendingCount_ == kImportBatchRecords) return Flush();
  return Result::Ok();
}

Result ContactImportBatch::Finish() { return Flush(); }

namespace {

// Where a column's values go.
enum class Goes {
  Nowhere,     // no field: a value is told as left out
  Silent,      // a column other fields already hold (a display name): skipped
  Field,       // the catalogue entry of the mapping
  Email,       // typed by a "... - Type" / "... - Label" column, or untyped
  Phone,
  Web,
  Address,     // part of a numbered postal address
  OtherPhone,  // the first free other phone, with a type
  StreetLine,  // a further line of a street
  NoteLine,    // "Heading: value" added to the notes
  DatePart,    // year, month or day of a date given in three columns
  Event,       // Google's dated events: an anniversary or a birthday
  Relation,    // Google's related people: a spouse or a child
};

struct ColumnPlan {
  Goes goes = Goes::Nowhere;
  int entry = kIgnoreColumn;  // Field: catalogue entry; StreetLine: the street's entry
  int typeColumn = -1;        // Email, Phone, Web, Address: the column naming the kind
  int group = 0;              // Address: the address's number; DatePart: 0 birthday, 1 anniversary
  int part = 0;               // Address: street, city, region, zip, country; DatePart: year, month, day
  int32_t otherType = 0;      // OtherPhone
  std::string heading;
};

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = char(FoldCase(uint8_t(c)));
  while (!out.empty() && out.back() == ' ') out.pop_back();
  while (!out.empty() && out.front() == ' ') out.erase(0, 1);
  return out;
}

bool OneOf(const std::string& lowered, std::span<const std::string_view> names) {
  for (std::string_view name : names) {
    if (lowered == Lower(name)) return true;
  }
  return false;
}

bool OneOf(const std::string& lowered, std::initializer_list<std::string_view> names) {
  return OneOf(lowered, std::span<const std::string_view>(names.begin(), names.size()));
}

// Other-phone types by the headings of Outlook's numbers that have no
// field of their own (the type list's position + 1).
constexpr std::pair<std::string_view, int32_t> kOtherPhoneHeadings[] = {
    {"Assistant's Phone", 1}, {"Business Phone 2", 2}, {"Callback", 3}, {"Car Phone", 4},
    {"Company Main Phone", 5}, {"Home Phone 2", 6}, {"ISDN", 7}, {"Other Phone", 8}, {"Other Fax", 9},
    {"Pager", 10}, {"Pager Number", 10}, {"Primary Phone", 11}, {"Radio Phone", 12}, {"Telex", 13},
    {"TTY/TDD Phone", 14}, {"Mobile Phone 2", 8},
    {"Telefon Assistent", 1}, {"Telefon gesch\xC3\xA4""ftlich 2", 2}, {"Gesch\xC3\xA4""ftlich Telefon 2", 2},
    {"R\xC3\xBC""ckmeldung", 3}, {"Autotelefon", 4}, {"Telefon Firma", 5}, {"Telefon privat 2", 6},
    {"Privat Telefon 2", 6}, {"Weiteres Telefon", 8}, {"Weiteres Fax", 9}, {"Haupttelefon", 11},
    {"Mobiltelefon 2", 8}, {"Funktelefon", 12}, {"Telefon f\xC3\xBCr H\xC3\xB6rbehinderte", 14},
};

// Columns with the further lines of a street: the street's catalogue label.
constexpr std::pair<std::string_view, std::string_view> kStreetLineHeadings[] = {
    {"Home Street 2", "Home Street"},     {"Home Street 3", "Home Street"},
    {"Home Address 2", "Home Street"},    {"Business Street 2", "Work Street"},
    {"Business Street 3", "Work Street"}, {"Work Address 2", "Work Street"},
    {"Stra\xC3\x9F""e privat 2", "Home Street"}, {"Stra\xC3\x9F""e privat 3", "Home Street"},
    {"Stra\xC3\x9F""e gesch\xC3\xA4""ftlich 2", "Work Street"},
    {"Stra\xC3\x9F""e gesch\xC3\xA4""ftlich 3", "Work Street"},
};

// Free text without a field of its own, kept in the notes.
constexpr std::string_view kNoteHeadings[] = {
    "Custom 1", "Custom 2", "Custom 3", "Custom 4", "Screen Name", "Connected On", "User 1", "User 2",
    "User 3", "User 4", "Benutzer 1", "Benutzer 2", "Benutzer 3", "Benutzer 4", "Hobby", "Profession",
    "Beruf", "Manager's Name", "Assistant's Name", "Name des Vorgesetzten", "Name Assistent", "Short Name",
    "Maiden Name", "Occupation", "E-mail 3 Address", "E-Mail 3: Adresse", "E-Mail 3-Adresse",
};

// Columns whose values other columns already hold, or that say how a
// program keeps its own records: skipped without a word.
constexpr std::string_view kSilentHeadings[] = {
    "Name", "Display Name", "File As", "Initials", "Yomi Name", "Given Name Yomi", "Additional Name Yomi",
    "Family Name Yomi", "Phonetic First Name", "Phonetic Middle Name", "Phonetic Last Name", "Photo",
    "Priority", "Sensitivity", "Private", "E-mail Type", "E-mail Display Name", "E-mail 2 Type",
    "E-mail 2 Display Name", "E-mail 3 Type", "E-mail 3 Display Name", "E-Mail-Typ",
    "E-Mail: Angezeigter Name", "E-Mail 2: Typ", "E-Mail 2: Angezeigter Name", "E-Mail 3: Typ",
    "E-Mail 3: Angezeigter Name", "Priorit\xC3\xA4t", "Vertraulichkeit", "Privat", "Initialen",
    "Internet Free Busy", "Internet-Frei/Gebucht", "Organization 1 - Yomi Name", "Organization 1 - Symbol",
};

// Google's numbered columns: "E-mail 1 - Value", "Address 2 - City"...
struct NumberedHeading {
  Goes kind = Goes::Nowhere;
  std::string number;
  std::string part;  // lowered
};

std::optional<NumberedHeading> ParseNumbered(const std::string& lowered) {
  const size_t dash = lowered.find(" - ");
  if (dash == std::string::npos) return std::nullopt;
  const std::string left = lowered.substr(0, dash);
  const size_t space = left.rfind(' ');
  if (space == std::string::npos) return std::nullopt;
  NumberedHeading numbered;
  const std::string kind = left.substr(0, space);
  numbered.number = left.substr(space + 1);
  numbered.part = lowered.substr(dash + 3);
  if (numbered.number.empty() || numbered.number.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  if (kind == "e-mail" || kind == "email") numbered.kind = Goes::Email;
  else if (kind == "phone") numbered.kind = Goes::Phone;
  else if (kind == "website") numbered.kind = Goes::Web;
  else if (kind == "address") numbered.kind = Goes::Address;
  else if (kind == "event") numbered.kind = Goes::Event;
  else if (kind == "relation") numbered.kind = Goes::Relation;
  return numbered;
}

int Catalogue(std::string_view label) {
  const auto catalogue = ContactImportCatalogue();
  for (size_t i = 0; i < catalogue.size(); ++i) {
    if (catalogue[i].label == label) return int(i);
  }
  return kIgnoreColumn;
}

// Where each column's values go: the mapping first, then what the import
// knows of the headings of the columns the mapping leaves out.
std::vector<ColumnPlan> PlanColumns(const std::vector<std::string>& headings, const ImportMapping& mapping,
                                    size_t columns) {
  std::vector<ColumnPlan> plan(std::max(columns, mapping.size()));
  std::map<std::string, int> typeColumns;  // "email 1" -> column of its type
  for (size_t i = 0; i < headings.size(); ++i) {
    const std::optional<NumberedHeading> numbered = ParseNumbered(Lower(headings[i]));
    if (numbered && (numbered->part == "type" || numbered->part == "label")) {
      typeColumns[std::to_string(int(numbered->kind)) + " " + numbered->number] = int(i);
    }
  }
  for (size_t i = 0; i < plan.size(); ++i) {
    ColumnPlan& column = plan[i];
    if (i < mapping.size() && mapping[i] != kIgnoreColumn) {
      column.goes = Goes::Field;
      column.entry = mapping[i];
      continue;
    }
    if (i >= headings.size()) continue;
    column.heading = headings[i];
    const std::string lowered = Lower(headings[i]);
    if (lowered.empty() || OneOf(lowered, std::span<const std::string_view>(kSilentHeadings))) {
      column.goes = Goes::Silent;
      continue;
    }
    if (const std::optional<NumberedHeading> numbered = ParseNumbered(lowered)) {
      // Type columns, Google's one-line address and any numbered column of
      // a kind without fields are read with their values or not at all.
      column.goes = numbered->part == "type" || numbered->part == "label" || numbered->part == "formatted"
                        ? Goes::Silent
                        : Goes::Nowhere;
      if (numbered->kind == Goes::Nowhere) continue;
      const auto type = typeColumns.find(std::to_string(int(numbered->kind)) + " " + numbered->number);
      column.typeColumn = type == typeColumns.end() ? -1 : type->second;
      if (numbered->kind == Goes::Address) {
        static constexpr std::string_view kParts[] = {"street", "city", "region", "postal code", "country",
                                                      "po box", "extended address"};
        for (int part = 0; part < int(std::size(kParts)); ++part) {
          if (numbered->part == kParts[size_t(part)]) {
            column.goes = Goes::Address;
            column.group = std::atoi(numbered->number.c_str());
            column.part = std::min(part, 5);
          }
        }
      } else if (numbered->part == "value") {
        column.goes = numbered->kind;
      }
      continue;
    }
    bool placed = false;
    for (const auto& [heading, type] : kOtherPhoneHeadings) {
      if (lowered == Lower(heading)) {
        column.goes = Goes::OtherPhone;
        column.otherType = type;
        placed = true;
      }
    }
    for (const auto& [heading, street] : kStreetLineHeadings) {
      if (lowered == Lower(heading)) {
        column.goes = Goes::StreetLine;
        column.entry = Catalogue(street);
        placed = true;
      }
    }
    if (placed) continue;
    if (OneOf(lowered, std::span<const std::string_view>(kNoteHeadings))) {
      column.goes = Goes::NoteLine;
      continue;
    }
    static constexpr std::string_view kDateParts[2][3] = {{"birth year", "birth month", "birth day"},
                                                          {"anniversary year", "anniversary month",
                                                           "anniversary day"}};
    for (int date = 0; date < 2; ++date) {
      for (int part = 0; part < 3; ++part) {
        if (lowered == kDateParts[date][part]) {
          column.goes = Goes::DatePart;
          column.group = date;
          column.part = part;
        }
      }
    }
  }
  return plan;
}


// The values of one column split where a program joined several (Google's
// " ::: ").
std::vector<std::string_view> SplitValues(std::string_view value) {
  std::vector<std::string_view> parts;
  constexpr std::string_view kJoin = " ::: ";
  for (size_t at = value.find(kJoin); at != std::string_view::npos; at = value.find(kJoin)) {
    if (at > 0) parts.push_back(value.substr(0, at));
    value.remove_prefix(at + kJoin.size());
  }
  if (!value.empty()) parts.push_back(value);
  return parts;
}

// A kind as the type column names it: lower case, Google's "* " mark of
// its own kinds removed.
std::string KindText(std::string_view type) {
  std::string lowered = Lower(type);
  if (lowered.starts_with("* ")) lowered.erase(0, 2);
  return lowered;
}

bool Has(const std::string& text, std::string_view word) { return text.find(word) != std::string::npos; }

// Turns one line's values into a contact.
class LineConverter {
 public:
  LineConverter(const std::vector<ColumnPlan>& plan, bool ourExport, DateOrder order)
      : plan_(plan), ourExport_(ourExport), order_(order), catalogue_(ContactImportCatalogue()) {}

  // False when no value of the line went anywhere.
  bool Convert(const std::vector<std::string>& fields, size_t line, Bytes& record,
               std::vector<ImportLineProblem>& partly) {
    line_ = line;
    record_ = record.data();
    size_ = record.size();
    partly_ = &partly;
    stored_ = false;
    notes_.clear();
    std::array<std::array<std::string, 3>, 2> dateParts;
    std::map<int, std::array<std::string, 6>> addresses;
    std::map<int, int> addressTypes;
    fields_ = &fields;
    // Mapped columns first, so that the typed ones find which fields are
    // still free.
    for (size_t column = 0; column < fields.size() && column < plan_.size(); ++column) {
      if (plan_[column].goes != Goes::Field || fields[column].empty()) continue;
      FieldValue(column, Unescaped(fields[column]));
    }
    for (size_t column = 0; column < fields.size(); ++column) {
      const std::string& value = fields[column];
      if (value.empty()) continue;
      if (column >= plan_.size()) {
        LeftOut(column, "", value);
        continue;
      }
      const ColumnPlan& p = plan_[column];
      switch (p.goes) {
        case Goes::Field:
        case Goes::Silent:
          break;
        case Goes::Nowhere:
          LeftOut(column, p.heading, value);
          break;
        case Goes::Email:
        case Goes::Phone:
        case Goes::Web:
          for (std::string_view one : SplitValues(value)) Typed(p, one);
          break;
        case Goes::Address:
          if (p.part == 5) {
            std::string& extra = addresses[p.group][5];
            extra += (extra.empty() ? "" : "\r\n") + value;
          } else {
            addresses[p.group][size_t(p.part)] = value;
          }
          addressTypes[p.group] = p.typeColumn;
          break;
        case Goes::OtherPhone:
          OtherPhone(p.otherType, value, p.heading);
          break;
        case Goes::StreetLine:
          StreetLine(p.entry, value);
          break;
        case Goes::NoteLine:
          notes_ += p.heading + ": " + value + "\r\n";
          break;
        case Goes::DatePart:
          dateParts[size_t(p.group)][size_t(p.part)] = value;
          break;
        case Goes::Event:
          EventDate(p, value);
          break;
        case Goes::Relation:
          Relation(p, value);
          break;
      }
    }
    for (const auto& [group, parts] : addresses) Address(parts, addressTypes[group]);
    for (int date = 0; date < 2; ++date) DateFromParts(date, dateParts[size_t(date)]);
    if (!notes_.empty()) AddNotes();
    return stored_;
  }

 private:
  const ImportField& Entry(std::string_view label) const { return catalogue_[size_t(Catalogue(label))]; }
  bool Free(const ImportField& entry) const { return record_[entry.offset] == 0; }
  std::string TypeOf(int column) const {
    if (column < 0 || size_t(column) >= fields_->size()) return {};
    return KindText((*fields_)[size_t(column)]);
  }

  std::string Unescaped(std::string_view value) const {
    // The export puts an apostrophe before a value a spreadsheet would run.
    if (ourExport_ && value.starts_with('\'') && GuardedAsFormula(value.substr(1))) value.remove_prefix(1);
    return std::string(value);
  }

  void Tell(std::string reason) { partly_->push_back({line_, std::move(reason)}); }

  void LeftOut(size_t column, std::string_view heading, std::string_view value) {
    Tell("column " + std::to_string(column + 1) + (heading.empty() ? "" : " (" + std::string(heading) + ")") +
         ": no field takes " + QuotedImportValue(value));
  }

  void PutTextField(const ImportField& entry, std::string_view value) {
    PutImportedText(record_ + entry.offset, entry.width, value, entry.label, line_, *partly_);
    stored_ = true;
  }

  void FieldValue(size_t column, const std::string& value) {
    const ImportField& entry = catalogue_[size_t(plan_[column].entry)];
    if (uint64_t(entry.offset) + entry.width > size_) return;
    switch (entry.kind) {
      case kImportText:
        if (entry.offset == contact::kCategory.offset && !ourExport_) {
          CategoryValue(entry, value);
        } else {
          PutTextField(entry, value);
        }
        return;
      case kImportDate:
        DateValueOf(entry, value);
        return;
      case kImportInteger:
      case kImportInteger3:
        if (entry.offset == contact::kGender) {
          GenderValue(entry, value);
        } else {
          PutI32(record_ + entry.offset, ReadImportInteger(value));
          stored_ = true;
        }
        return;
      default:
        if (ConvertImportValue(entry, value, record_, size_, order_)) stored_ = true;
        return;
    }
  }

  // Google's labels (" ::: ") and Outlook's categories (";"): the first
  // one that is not the program's own mark becomes the category.
  void CategoryValue(const ImportField& entry, std::string_view value) {
    std::vector<std::string> names;
    std::string rest(value);
    for (std::string_view part : SplitValues(rest)) {
      size_t start = 0;
      for (;;) {
        const size_t semicolon = part.find(';', start);
        std::string name(part.substr(start, semicolon == std::string_view::npos ? semicolon : semicolon - start));
        while (!name.empty() && name.front() == ' ') name.erase(0, 1);
        while (!name.empty() && name.back() == ' ') name.pop_back();
        const std::string lowered = Lower(name);
        if (!name.empty() && !name.starts_with("* ") && lowered != "mycontacts" && lowered != "starred") {
          names.push_back(name);
        }
        if (semicolon == std::string_view::npos) break;
        start = semicolon + 1;
      }
    }
    if (names.empty()) return;
    PutTextField(entry, names.front());
    if (names.size() > 1) {
      std::string others;
      for (size_t i = 1; i < names.size(); ++i) others += (i > 1 ? ", " : "") + QuotedImportValue(names[i]);
      Tell(std::string(entry.label) + ": a contact has one category; left out " + others);
    }
  }

  void GenderValue(const ImportField& entry, std::string_view value) {
    const std::string lowered = Lower(value);
    int32_t gender = 0;
    if (OneOf(lowered, {"female", "f", "weiblich", "w", "frau"})) {
      gender = 1;
    } else if (OneOf(lowered, {"male", "m", "m\xC3\xA4nnlich", "mann"})) {
      gender = 2;
    } else if (OneOf(lowered, {"unspecified", "unbekannt", "nicht angegeben", "other", ""})) {
      gender = 0;
    } else if (!lowered.empty() && (std::isdigit(uint8_t(lowered[0])) || lowered[0] == '-' || lowered[0] == '+')) {
      gender = ReadImportInteger(value);
    } else {
      Tell(std::string(entry.label) + ": " + QuotedImportValue(value) + " is not a gender");
      return;
    }
    PutI32(record_ + entry.offset, gender);
    stored_ = true;
  }

  // A date that is all zeros ("0/0/00", Outlook's empty date) is no date.
  static bool NoDate(std::string_view value) {
    return value.find_first_of("123456789") == std::string_view::npos && !value.empty() &&
           std::isdigit(uint8_t(value.front()));
  }

  void DateValueOf(const ImportField& entry, std::string_view value) {
    if (NoDate(value)) return;
    DateValue date;
    const bool read = ReadImportDate(value, date, order_);
    if (read && DayNumber(date) != kInvalidDayNumber) {
      PutDate(record_ + entry.offset, date);
      stored_ = true;
      return;
    }
    PutDate(record_ + entry.offset, DateValue{});
    Tell(std::string(entry.label) + ": " + QuotedImportValue(value) +
         " is not a date from 1800 to 2199 with day, month and year; the date was left empty");
  }

  void DateFromParts(int which, const std::array<std::string, 3>& parts) {
    if (parts[0].empty() && parts[1].empty() && parts[2].empty()) return;
    const ImportField& entry = Entry(which == 0 ? "Birthday" : "Anniversary");
    const std::string text = parts[0] + "-" + parts[1] + "-" + parts[2];
    DateValue date{uint32_t(ReadImportInteger(parts[2])), uint32_t(ReadImportInteger(parts[1])),
                   uint32_t(ReadImportInteger(parts[0]))};
    const bool digits = !parts[0].empty() && !parts[1].empty() && !parts[2].empty();
    if (digits && DayNumber(date) != kInvalidDayNumber) {
      PutDate(record_ + entry.offset, date);
      stored_ = true;
      return;
    }
    Tell(std::string(entry.label) + ": year " + QuotedImportValue(parts[0]) + ", month " +
         QuotedImportValue(parts[1]) + ", day " + QuotedImportValue(parts[2]) +
         " is not a date from 1800 to 2199; the date was left empty");
  }

  // A dated event goes to the anniversary or the birthday its kind names,
  // when that date is still empty.
  void EventDate(const ColumnPlan& p, std::string_view value) {
    const std::string kind = TypeOf(p.typeColumn);
    const char* label = Has(kind, "anniversary") ? "Anniversary" : Has(kind, "birthday") ? "Birthday" : nullptr;
    if (label && GetDate(record_ + Entry(label).offset).IsEmpty()) {
      DateValueOf(Entry(label), value);
      return;
    }
    Tell(p.heading + (kind.empty() ? "" : " (" + kind + ")") + ": no free field takes " + QuotedImportValue(value));
  }

  // A related person goes to the spouse or the first free child.
  void Relation(const ColumnPlan& p, std::string_view value) {
    const std::string kind = TypeOf(p.typeColumn);
    const std::string what = p.heading + (kind.empty() ? "" : " (" + kind + ")");
    if (Has(kind, "spouse") || Has(kind, "partner") || Has(kind, "husband") || Has(kind, "wife")) {
      Place({"Spouse Name"}, 0, value, what);
    } else if (Has(kind, "child") || Has(kind, "son") || Has(kind, "daughter")) {
      Place({"Chield1", "Chield2", "Chield3", "Chield4", "Chield5"}, 0, value, what);
    } else {
      Tell(what + ": no field takes " + QuotedImportValue(value));
    }
  }

  // The first free other phone gets the value and its type.
  bool OtherPhone(int32_t type, std::string_view value, std::string_view what) {
    for (uint32_t i = 0; i < contact::kOtherPhoneCount; ++i) {
      const ContactField text = contact::OtherPhone(i);
      const uint32_t typeAt = contact::OtherPhoneType(i);
      if (record_[text.offset] != 0 || GetI32(record_ + typeAt) != 0) continue;
      PutImportedText(record_ + text.offset, text.width, value,
                      std::string(contact::kOtherPhoneTypes[size_t(type - 1)]) + " (other phone)", line_, *partly_);
      PutI32(record_ + typeAt, type);
      stored_ = true;
      return true;
    }
    Tell(std::string(what) + ": all five other phones are taken; left out " + QuotedImportValue(value));
    return false;
  }

  // The first free field of the list, else an other phone of the type.
  void Place(std::initializer_list<std::string_view> labels, int32_t otherType, std::string_view value,
             std::string_view what) {
    for (std::string_view label : labels) {
      const ImportField& entry = Entry(label);
      if (Free(entry)) {
        PutTextField(entry, value);
        return;
      }
    }
    if (otherType > 0) {
      OtherPhone(otherType, value, what);
      return;
    }
    Tell(std::string(what) + ": no free field takes " + QuotedImportValue(value));
  }

  void Typed(const ColumnPlan& p, std::string_view value) {
    const std::string kind = TypeOf(p.typeColumn);
    const std::string what = p.heading + (kind.empty() ? "" : " (" + kind + ")");
    if (p.goes == Goes::Email) {
      int32_t nextEmail = 15;  // "E-mail1".."E-mail3"
      for (uint32_t i = 0; i < contact::kOtherPhoneCount; ++i) {
        const int32_t t = GetI32(record_ + contact::OtherPhoneType(i));
        if (t >= nextEmail && t <= 17) nextEmail = t + 1;
      }
      if (nextEmail > 17) nextEmail = 0;
      if (Has(kind, "home") || Has(kind, "personal") || Has(kind, "privat")) {
        Place({"Home Email", "Work Email"}, nextEmail, value, what);
      } else {
        Place({"Work Email", "Home Email"}, nextEmail, value, what);
      }
      return;
    }
    if (p.goes == Goes::Web) {
      if (Has(kind, "work") || Has(kind, "business") || Has(kind, "company")) {
        Place({"Work Web", "Home Web"}, 0, value, what);
      } else if (kind.empty() || Has(kind, "other")) {
        Place({"Work Web", "Home Web"}, 0, value, what);
      } else {
        Place({"Home Web", "Work Web"}, 0, value, what);
      }
      return;
    }
    const bool work = Has(kind, "work") || Has(kind, "business");
    const bool home = Has(kind, "home");
    if (Has(kind, "fax")) {
      if (home) Place({"Home Fax"}, 9, value, what);
      else if (work) Place({"Work Fax"}, 9, value, what);
      else Place({"Work Fax", "Home Fax"}, 9, value, what);
    } else if (Has(kind, "mobile") || Has(kind, "cell") || Has(kind, "iphone")) {
      if (work) Place({"Work Mobile", "Home Mobile"}, 8, value, what);
      else Place({"Home Mobile", "Work Mobile"}, 8, value, what);
    } else if (Has(kind, "pager")) {
      Place({}, 10, value, what);
    } else if (Has(kind, "main") || Has(kind, "primary")) {
      Place({}, 11, value, what);
    } else if (Has(kind, "assistant")) {
      Place({}, 1, value, what);
    } else if (Has(kind, "callback")) {
      Place({}, 3, value, what);
    } else if (Has(kind, "car")) {
      Place({}, 4, value, what);
    } else if (Has(kind, "company")) {
      Place({}, 5, value, what);
    } else if (Has(kind, "isdn")) {
      Place({}, 7, value, what);
    } else if (Has(kind, "radio")) {
      Place({}, 12, value, what);
    } else if (Has(kind, "telex")) {
      Place({}, 13, value, what);
    } else if (Has(kind, "tty")) {
      Place({}, 14, value, what);
    } else if (home) {
      Place({"Home Phone"}, 6, value, what);
    } else if (work) {
      Place({"Work Phone"}, 2, value, what);
    } else if (kind.empty()) {
      Place({"Work Phone", "Home Phone"}, 8, value, what);
    } else {
      Place({}, 8, value, what);
    }
  }

  void StreetLine(int entry, std::string_view value) {
    const ImportField& street = catalogue_[size_t(entry)];
    std::string text(RawText(record_ + street.offset, street.width));
    if (!text.empty()) text += "\r\n";
    text += value;
    PutTextField(street, text);
  }

  void Address(const std::array<std::string, 6>& parts, int typeColumn) {
    static constexpr std::string_view kHome[] = {"Home Street", "Home City", "Home State", "Home Zip",
                                                 "Home Country"};
    static constexpr std::string_view kWork[] = {"Work Street", "Work City", "Work State", "Work Zip",
                                                 "Work Country"};
    const auto allFree = [&](const std::string_view(&labels)[5]) {
      for (std::string_view label : labels) {
        if (!Free(Entry(label))) return false;
      }
      return true;
    };
    const std::string kind = TypeOf(typeColumn);
    const bool work = Has(kind, "work") || Has(kind, "business");
    const std::string_view(*target)[5] = nullptr;
    if (work ? allFree(kWork) : allFree(kHome)) {
      target = work ? &kWork : &kHome;
    } else if (work ? allFree(kHome) : allFree(kWork)) {
      target = work ? &kHome : &kWork;
    }
    std::string street = parts[0];
    if (!parts[5].empty()) street += (street.empty() ? "" : "\r\n") + parts[5];
    if (!target) {
      std::string whole = street;
      for (size_t i = 1; i < 5; ++i) {
        if (!parts[i].empty()) whole += (whole.empty() ? "" : ", ") + parts[i];
      }
      Tell("Address" + (kind.empty() ? std::string() : " (" + kind + ")") +
           ": the home and work addresses are taken; left out " + QuotedImportValue(whole));
      return;
    }
    for (size_t i = 0; i < 5; ++i) {
      const std::string& value = i == 0 ? street : parts[i];
      if (!value.empty()) PutTextField(Entry((*target)[i]), value);
    }
  }

  void AddNotes() {
    const ImportField& entry = Entry("Notes");
    std::string text(RawText(record_ + entry.offset, entry.width));
    if (!text.empty() && !text.ends_with("\r\n")) text += "\r\n";
    text += notes_;
    while (text.ends_with("\r\n")) text.resize(text.size() - 2);
    PutTextField(entry, text);
  }

  const std::vector<ColumnPlan>& plan_;
  bool ourExport_;
  DateOrder order_;
  std::span<const ImportField> catalogue_;
  const std::vector<std::string>* fields_ = nullptr;
  size_t line_ = 0;
  uint8_t* record_ = nullptr;
  size_t size_ = 0;
  std::vector<ImportLineProblem>* partly_ = nullptr;
  bool stored_ = false;
  std::string notes_;
};

bool AllEmpty(const std::vector<std::string>& fields) {
  return std::all_of(fields.begin(), fields.end(), [](const std::string& f) { return f.empty(); });
}

// Reads every line of the reader into the address book.
Result ImportLines(RecordStore& store, ImportReader& reader, const ImportSettings& settings, ImportCounts& counts,
                   const ImportProgress& progress, size_t dataLines) {
  counts = ImportCounts{};
  if (Result target = CheckContactImportTarget(store); !target.ok()) return target;
  if (!AnyColumnMapped(settings.mapping)) return Result::Fail(std::string(kNotAContactsFile));

  std::vector<std::string> fields;
  for (size_t skipped = 0; skipped < settings.skipLines; ++skipped) {
    if (reader.NextLine(fields) != LineRead::Read) break;
  }
  std::vector<std::string> headings;
  if (settings.heading) {
    const LineRead read = reader.NextLine(fields);
    if (read == LineRead::Partial) {
      return Result::Fail("The file's heading line has a quoted value that is not closed before the end of the file.");
    }
    if (read == LineRead::End) return Result::Fail("The file is empty: it has no heading line and no contacts.");
    headings = fields;
  }
  const bool ourExport = IsContactExportHeading(headings);
  const std::vector<ColumnPlan> plan = PlanColumns(headings, settings.mapping, headings.size());
  LineConverter converter(plan, ourExport, settings.dateOrder.value_or(DateOrderOf(GetClockStyle())));

  ContactImportBatch batch(store, counts, dataLines);
  // Every record starts as the same new record with an id of its own: the
  // header is read and the clock asked once, not once per line.
  Bytes fresh;
  InitContactRecord(store, fresh);
  Bytes record;
  size_t done = 0;
  for (;;) {
    const LineRead read = reader.NextLine(fields);
    if (read == LineRead::End) break;
    if (read == LineRead::Partial) {
      counts.unread.push_back({reader.lineNumber(), "a quoted value is not closed before the end of the file"});
      break;
    }
    const size_t line = reader.lineNumber();
    if (AllEmpty(fields)) {
      // A blank line (a last line end, a gap) holds no contact.
      continue;
    }
    ++counts.linesRead;
    record = fresh;
    rec::SetId(record.data(), NewRecordId());
    std::vector<ImportLineProblem> told;
    if (!converter.Convert(fields, line, record, told)) {
      std::string reason = "none of its values goes to a field of a contact";
      if (!told.empty()) reason += " (" + told.front().reason + ")";
      counts.unread.push_back({line, reason});
    } else {
      counts.partly.insert(counts.partly.end(), told.begin(), told.end());
      if (Result added = batch.Add(record, line); !added.ok()) return added;
    }
    ++done;
    if (progress && !progress(done, dataLines)) {
      counts.cancelled = true;
      break;
    }
  }
  if (Result finished = batch.Finish(); !finished.ok()) return finished;
  if (counts.cancelled || counts.linesRead > counts.unread.size()) return Result::Ok();
  // Nothing of the file became a contact: that is told, not counted as done.
  if (!counts.unread.empty()) {
    const ImportLineProblem& first = counts.unread.front();
    return Result::Fail("No line of the file could be read (" + Plural(counts.unread.size(), "line", "lines") +
                        " not read; line " + std::to_string(first.line) + ": " + first.reason + ").");
  }
  return Result::Fail(settings.heading ? "The file has no contact lines below its heading line."
                                       : "The file has no contact lines.");
}

// The first lines of a text, for the proposal.
constexpr size_t kHeadingSearchLines = 16;

}  // namespace

bool IsContactExportHeading(const std::vector<std::string>& headings) {
  const auto catalogue = ContactImportCatalogue();
  if (headings.size() != catalogue.size()) return false;
  for (size_t i = 0; i < headings.size(); ++i) {
    if (headings[i] != catalogue[i].label) return false;
  }
  return true;
}

namespace {

// The bytes of a file in memory as a stream, without a copy.
class ViewBuffer : public std::streambuf {
 public:
  explicit ViewBuffer(std::string_view bytes) {
    char* start = const_cast<char*>(bytes.data());
    setg(start, start, start + bytes.size());
  }
};

}  // namespace

Result ImportContacts(RecordStore& store, std::string_view fileBytes, const ImportSettings& settings,
                      ImportCounts& counts, const ImportProgress& progress) {
  counts = ImportCounts{};
  if (Result target = CheckContactImportTarget(store); !target.ok()) return target;
  if (!LooksLikeText(fileBytes)) return Result::Fail(std::string(kNotAContactsFile));
  // The lines for the progress; the text itself is read as a streamed
  // file's is, so both read alike.
  const size_t totalLines = DetectImportEncoding(fileBytes) == ImportEncoding::Utf8
                                ? CountImportLines(fileBytes) + (fileBytes.empty() || fileBytes.back() == '\n' ||
                                                                         fileBytes.back() == '\r'
                                                                     ? 0
                                                                     : 1)
                                : CountImportLines(PrepareImportText(fileBytes).text);
  const size_t above = settings.skipLines + (settings.heading ? 1 : 0);
  const size_t dataLines = totalLines > above ? totalLines - above : 0;
  ViewBuffer buffer(fileBytes);
  std::istream in(&buffer);
  ImportTextStream source(in);
  ImportReader reader(source, settings.separator, settings.qualifier);
  return ImportLines(store, reader, settings, counts, progress, dataLines);
}

Result ImportContacts(RecordStore& store, std::istream& file, const ImportSettings& settings, ImportCounts& counts,
                      const ImportProgress& progress) {
  counts = ImportCounts{};
  if (Result target = CheckContactImportTarget(store); !target.ok()) return target;
  ImportTextStream source(file);
  ImportReader reader(source, settings.separator, settings.qualifier);
  Result imported = ImportLines(store, reader, settings, counts, progress, 0);
  if (!source.status().ok()) return source.status();
  return imported;
}

ImportSettings ProposedImportSettings(std::string_view fileStart, bool heading, ImportMapChoice choice) {
  return ProposedImportSettings(fileStart, heading, choice, ContactImportCatalogue(), ContactImportAliases(),
                                ContactTodayAliases());
}

ImportSettings ProposedImportSettings(std::string_view fileStart, bool heading, ImportMapChoice choice,
                                      std::span<const ImportField> catalogue, std::span<const FieldAlias> aliases,
                                      std::span<const FieldAlias> further) {
  // The start of a file may end inside a character: only its complete
  // lines are looked at, so that a cut character does not make UTF-8 text
  // look like Windows-1252.
  if (DetectImportEncoding(fileStart) == ImportEncoding::Utf8) {
    const size_t lastEnd = fileStart.find_last_of("\r\n");
    if (lastEnd != std::string_view::npos) fileStart = fileStart.substr(0, lastEnd + 1);
  }
  const ImportText prepared = PrepareImportText(fileStart);
  ImportSettings settings;
  settings.heading = heading;
  settings.qualifier = DetectQualifier(prepared.text);
  std::string_view text = prepared.text;
  settings.separator = DetectSeparator(text);
  if (heading && choice == ImportMapChoice::Default) {
    // The heading is the first line whose headings map two columns or
    // more; a note above it (LinkedIn) is skipped.
    std::string_view rest = text;
    for (size_t line = 0; line < kHeadingSearchLines && !rest.empty(); ++line) {
      const char separator = DetectSeparator(rest);
      const std::vector<std::string> source = FirstLineFields(rest, separator, settings.qualifier);
      const ImportMapping mapping = DefaultMapping(source, catalogue, aliases, further);
      if (std::count_if(mapping.begin(), mapping.end(), [](int row) { return row != kIgnoreColumn; }) >= 2) {
        settings.skipLines = line;
        settings.separator = separator;
        settings.mapping = mapping;
        return settings;
      }
      ImportReader reader(rest, separator, settings.qualifier);
      std::vector<std::string> fields;
      if (reader.NextLine(fields) != LineRead::Read) break;
      rest.remove_prefix(reader.position());
    }
  }
  const std::vector<std::string> source = FirstLineFields(text, settings.separator, settings.qualifier);
  if (choice == ImportMapChoice::Default && heading) {
    settings.mapping = DefaultMapping(source, catalogue, aliases, further);
  } else {
    settings.mapping = PositionalMapping(source.size(), catalogue.size());
  }
  return settings;
}

}  // namespace velmora
