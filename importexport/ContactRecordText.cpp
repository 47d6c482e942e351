#include "importexport/ContactRecordText.h"

#include <array>

#include "importexport/ContactImportCatalogue.h"
#include "importexport/CsvField.h"
#include "importexport/TextFileOutput.h"
#include "store/RecordQuery.h"

namespace velmora {

namespace c = contact;

namespace {

constexpr uint32_t kSortedLength = 30;
constexpr std::string_view kRecordRule = "..................................................\r\n\r\n";

bool KnownOtherPhoneType(int32_t type) { return type >= 1 && type <= c::kMaxOtherPhoneType; }

std::string DateText(const DateValue& date) {
  return DayNumber(date) == kInvalidDayNumber ? std::string() : FormatDate(date);
}

// The value of catalogue entry `entry` as it stands in the contact.
std::string StoredValue(const Contact& contact, const ImportField& entry) {
  if (entry.offset == c::kGender) return std::to_string(contact.Gender());
  if (entry.offset == c::kBirthday) return DateText(contact.Birthday());
  if (entry.offset == c::kAnniversary) return DateText(contact.Anniversary());
  for (uint32_t i = 0; i < c::kOtherPhoneCount; ++i) {
    if (entry.offset == c::OtherPhoneType(i)) return std::to_string(contact.OtherPhoneType(int(i)));
    if (entry.offset == c::OtherPhone(i).offset) {
      return KnownOtherPhoneType(contact.OtherPhoneType(int(i))) ? contact.OtherPhone(int(i)) : std::string();
    }
  }
  return contact.Text({entry.offset, entry.width});
}

// The value as the export writes it: one that a spreadsheet would run as
// a formula gets an apostrophe before it, which spreadsheets show as text
// and the import of an exported file takes away again.
std::string ExportValue(const Contact& contact, const ImportField& entry) {
  std::string value = StoredValue(contact, entry);
  if (GuardedAsFormula(value)) value.insert(value.begin(), '\'');
  return value;
}

// The report's fields, by the labels of the field catalogue.
enum class Shown { Text, Gender, Birthday, Anniversary, OtherPhone };
struct ReportField {
  std::string_view label;
  Shown shown;
  ContactField field;  // text fields
  int index = 0;       // other phones
};

constexpr ReportField T(std::string_view label, ContactField field) { return {label, Shown::Text, field, 0}; }
constexpr ReportField Other(int index) { return {"", Shown::OtherPhone, {}, index}; }

constexpr ReportField kNames[] = {T("First Name", c::kFirstName), T("Middle Name", c::kMiddleName),
                                  T("Last Name", c::kLastName),   T("Nick Name", c::kNickName),
                                  T("Title", c::kTitle),          T("Suffix", c::kSuffix)};
constexpr ReportField kHome[] = {T("Home Street", c::kHomeStreet),   T("Home City", c::kHomeCity),
                                 T("Home State", c::kHomeState),     T("Home Zip", c::kHomeZip),
                                 T("Home Country", c::kHomeCountry), T("Home Phone", c::kHomePhone),
                                 T("Home Fax", c::kHomeFax),         T("Home Mobile", c::kHomeMobile),
                                 T("Home Email", c::kHomeEmail),     T("Home Web", c::kHomeWeb)};
constexpr ReportField kBusiness[] = {
    T("Company", c::kCompany),         T("Job Title", c::kJobTitle),     T("Department", c::kDepartment),
    T("Office", c::kOffice),           T("Work Street", c::kWorkStreet), T("Work City", c::kWorkCity),
    T("Work State", c::kWorkState),    T("Work Zip", c::kWorkZip),       T("Work Country", c::kWorkCountry),
    T("Work Phone", c::kWorkPhone),    T("Work Fax", c::kWorkFax),       T("Work Mobile", c::kWorkMobile),
    T("Work Email", c::kWorkEmail),    T("Work Web", c::kWorkWeb)};
constexpr ReportField kPersonal[] = {
    T("Spouse Name", c::kSpouseName), T("Chield1", c::Child(0)), T("Chield2", c::Child(1)),
    T("Chield3", c::Child(2)),        T("Chield4", c::Child(3)), T("Chield5", c::Child(4)),
    {"Gender", Shown::Gender, {}, 0}, {"Birthday", Shown::Birthday, {}, 0},
    {"Anniversary", Shown::Anniversary, {}, 0},
    Other(0), Other(1), Other(2), Other(3), Other(4)};
constexpr ReportField kNotes = T("Notes", c::kNotes);

void AppendLine(std::string& out, std::string_view label, std::string_view value) {
  if (value.empty()) return;
  out += label;
  out += ": ";
  out += value;
  out += "\r\n";
}

void AppendField(std::string& out, const Contact& contact, const ReportField& f) {
  switch (f.shown) {
    case Shown::Text:
      AppendLine(out, f.label, contact.Text(f.field));
      return;
    case Shown::Gender: {
      const int32_t gender = contact.Gender();
      if (gender >= 0 && size_t(gender) < c::kGenders.size()) AppendLine(out, f.label, c::kGenders[size_t(gender)]);
      return;
    }
    case Shown::Birthday:
      AppendLine(out, f.label, DateText(contact.Birthday()));
      return;
    case Shown::Anniversary:
      AppendLine(out, f.label, DateText(contact.Anniversary()));
      return;
    case Shown::OtherPhone: {
      const int32_t type = contact.OtherPhoneType(f.index);
      if (KnownOtherPhoneType(type)) {
        AppendLine(out, c::kOtherPhoneTypes[size_t(type - 1)], contact.OtherPhone(f.index));
      }
      return;
    }
  }
}

template <size_t N>
void AppendFields(std::string& out, const Contact& contact, const ReportField (&fields)[N]) {
  for (const ReportField& f : fields) AppendField(out, contact, f);
}

}  // namespace

Result SelectContacts(RecordStore& store, const RecordTextOptions& options, std::vector<RecordPosition>& out) {
  out.clear();
  RecordQuery query;
  if (Result prepared = query.Prepare(); !prepared.ok()) return prepared;
  if (options.scope == ContactScope::CurrentRecord) {
    if (!options.currentId) return Result::Ok();
    const uint64_t id = *options.currentId;
    query.AddInt64Condition(format::record::kId, kOpEqual, uint32_t(id), uint32_t(id >> 32), kConnectorAnd);
  } else {
    bool any = false;
    if (options.nameFlag) {
      query.AddTextCondition(c::kFirstName.offset, c::kFirstName.width, kOpContains, options.name, kConnectorOr);
      query.AddTextCondition(c::kLastName.offset, c::kLastName.width, kOpContains, options.name, kConnectorOr);
      any = true;
    }
    if (options.category != kAllCategories) {
      // Given twice: the conditions are combined pair by pair, and only two
      // "and" conditions side by side make the category a must.
      for (int i = 0; i < 2; ++i) {
        query.AddTextCondition(c::kCategory.offset, c::kCategory.width, kOpContains, options.category,
                               kConnectorAnd);
      }
      any = true;
    }
    if (!any) query.AddMatchAll();
  }
  query.SetSortKey(c::kFirstName.offset, kSortedLength, CompareText);
  if (Result ran = query.Run(store); !ran.ok()) return ran;
  if (Result sorted = query.Sort(store, c::kFirstName.offset, kSortedLength, CompareText); !sorted.ok()) {
    return sorted;
  }
  out = query.positions();
  return Result::Ok();
}

std::string ContactExportHeading() {
  std::string line;
  for (const ImportField& entry : ContactImportCatalogue()) {
    if (!line.empty()) line += ',';
    line += '"';
    line += entry.label;
    line += '"';
  }
  return line + "\r\n";
}

std::string ContactExportLine(const Contact& contact) {
  std::string line;
  line.reserve(512);
  bool first = true;
  for (const ImportField& entry : ContactImportCatalogue()) {
    if (!first) line += ',';
    first = false;
    line += CsvField(ExportValue(contact, entry));
  }
  return line + "\r\n";
}

std::string ContactReportTitle(std::string_view category) {
  return "Cardora Report (" + std::string(category) + ")\r\n\r\n";
}

std::string ContactReportBlock(const Contact& contact, ReportFieldSet fields) {
  std::string block;
  AppendFields(block, contact, kNames);
  if (fields != ReportFieldSet::Business) AppendFields(block, contact, kHome);
  if (fields != ReportFieldSet::Home) AppendFields(block, contact, kBusiness);
  if (fields == ReportFieldSet::All) AppendFields(block, contact, kPersonal);
  AppendField(block, contact, kNotes);
  block += kRecordRule;
  return block;
}

bool IsRecordTextCancelled(const Result& result) {
  return !result.ok() && result.what() == kRecordTextCancelled;
}

Result StreamContactTexts(RecordStore& store, const RecordTextOptions& options, std::string_view heading,
                          const ContactText& text, const RecordTextSink& write, const RecordTextProgress& progress) {
  if (!store.IsOpen()) return Result::Fail("The address book is not open:", 0, store.path());
  if (store.recordSize() != c::kRecordSize) {
    return Result::Fail("Not an address book (its records are not contacts):", 0, store.path());
  }
  std::vector<RecordPosition> positions;
  if (Result selected = SelectContacts(store, options, positions); !selected.ok()) return selected;
  const auto cancelled = [&](size_t done) { return progress && !progress(done, positions.size()); };
  if (cancelled(0)) return Result::Fail(std::string(kRecordTextCancelled));
  if (!heading.empty()) {
    if (Result wrote = write(heading); !wrote.ok()) return wrote;
  }
  Bytes buffer;
  for (size_t i = 0; i < positions.size(); ++i) {
    if (Result read = store.ReadRecord(buffer, positions[i]); !read.ok()) return read;
    if (Result wrote = write(text(Contact(buffer))); !wrote.ok()) return wrote;
    if (cancelled(i + 1)) return Result::Fail(std::string(kRecordTextCancelled));
  }
  return Result::Ok();
}

Result WriteContactTexts(RecordStore& store, const RecordTextOptions& options, std::string_view heading,
                         const ContactText& text, const std::string& path, const std::string& what,
                         const RecordTextProgress& progress) {
  TextFileWriter writer;
  // The text carries the book's contacts: no wider readable than the book.
  if (Result created = writer.Create(path, what, OutputMode::NoWiderThanFile(FileSystem::Default(), store.path()));
      !created.ok()) {
    return created;
  }
  Result streamed = StreamContactTexts(
      store, options, heading, text, [&](std::string_view piece) { return writer.Write(piece); }, progress);
  if (IsRecordTextCancelled(streamed)) return Result::Fail(std::string(kRecordTextCancelled), 0, path);
  if (!streamed.ok()) return streamed;
  return writer.Finish();
}

namespace {

std::string RecordTextHeading(RecordTextMode mode, const RecordTextOptions& options) {
  if (mode == RecordTextMode::Export) return ContactExportHeading();
  return ContactReportTitle(options.scope == ContactScope::Category ? options.category
                                                                     : std::string(kAllCategories));
}

ContactText RecordTextOf(RecordTextMode mode, const RecordTextOptions& options) {
  if (mode == RecordTextMode::Export) return [](const Contact& contact) { return ContactExportLine(contact); };
  return [fields = options.fields](const Contact& contact) { return ContactReportBlock(contact, fields); };
}

}  // namespace

Result StreamRecordText(RecordStore& store, RecordTextMode mode, const RecordTextOptions& options,
                        const RecordTextSink& write, const RecordTextProgress& progress) {
  return StreamContactTexts(store, options, RecordTextHeading(mode, options), RecordTextOf(mode, options), write,
                            progress);
}

Result WriteRecordText(RecordStore& store, RecordTextMode mode, const RecordTextOptions& options,
                       const std::string& path, const RecordTextProgress& progress) {
  const std::string what =
      mode == RecordTextMode::Report ? "Cannot create the report file" : "Cannot create the export file";
  return WriteContactTexts(store, options, RecordTextHeading(mode, options), RecordTextOf(mode, options), path, what,
                           progress);
}

}  // namespace velmora
