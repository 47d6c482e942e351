#include "importexport/ContactImport.h"

#include <algorithm>

#include "addressbook/model/Contact.h"
#include "addressbook/model/ContactRules.h"
#include "importexport/ContactFields.h"
#include "importexport/ContactImportCatalogue.h"
#include "importexport/ImportConversion.h"
#include "importexport/ImportReader.h"
#include "store/Bytes.h"
#include "store/RecordHeader.h"
#include "store/Refresh.h"

namespace velmora {

namespace c = contact;

namespace {

// Read this many bytes of slots per call when loading the index.
constexpr size_t kScanChunkBytes = size_t(1) << 20;
// The most of a value that cannot be read that its line's reason quotes.
constexpr size_t kShownValueLength = 60;

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
          keys_.insert(ContactDuplicateKey(record));
        }
      },
      slotsPerRead);
}

bool ContactDuplicateIndex::Contains(const Bytes& record) const {
  if (record.size() < c::kRecordSize) {
    Bytes padded(record);
    padded.resize(c::kRecordSize, 0);
    return keys_.count(ContactDuplicateKey(padded.data())) != 0;
  }
  return keys_.count(ContactDuplicateKey(record.data())) != 0;
}

void ContactDuplicateIndex::Add(const Bytes& record) { (void)AddIfNew(record); }

bool ContactDuplicateIndex::AddIfNew(const Bytes& record) {
  if (record.size() < c::kRecordSize) {
    Bytes padded(record);
    padded.resize(c::kRecordSize, 0);
    return keys_.insert(ContactDuplicateKey(padded.data())).second;
  }
  return keys_.insert(ContactDuplicateKey(record.data())).second;
}

bool ContactImportAcceptor::Accept(Bytes& record) {
  if (!loaded_) {
    status_ = index_.Load(store_);
    index_.Reserve(expected_);
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

Result ImportContacts(RecordStore& store, std::string_view fileBytes, const ImportSettings& settings,
                      ImportCounts& counts, const ImportProgress& progress) {
  counts = ImportCounts{};
  if (Result target = CheckContactImportTarget(store); !target.ok()) return target;
  if (!AnyColumnMapped(settings.mapping)) return Result::Fail("No column of the file is mapped to a field.");
  const std::span<const ImportField> catalogue = ContactImportCatalogue();

  const ImportText prepared = PrepareImportText(fileBytes);
  const size_t totalLines = CountImportLines(prepared.text);
  const size_t dataLines = totalLines - (settings.heading && totalLines > 0 ? 1 : 0);
  ImportReader reader(prepared.text, settings.separator, settings.qualifier);
  std::vector<std::string> fields;
  if (settings.heading && reader.NextLine(fields) != LineRead::Read) return Result::Ok();

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
    ++counts.linesRead;
    record = fresh;
    rec::SetId(record.data(), NewRecordId());
    std::string problem;
    for (size_t column = 0; column < fields.size() && problem.empty(); ++column) {
      if (fields[column].empty() || column >= settings.mapping.size()) continue;
      const int entry = settings.mapping[column];
      if (entry < 0 || size_t(entry) >= catalogue.size()) continue;
      const ImportField& field = catalogue[size_t(entry)];
      if (!ConvertImportValue(field, fields[column], record.data(), record.size())) {
        const std::string& value = fields[column];
        problem = "column " + std::to_string(column + 1) + " (" + std::string(field.label) + "): \"" +
                  value.substr(0, Utf8CutLength(value, kShownValueLength)) + "\" is not a " +
                  (field.kind == kImportTime ? "time" : "date");
      }
    }
    if (!problem.empty()) {
      counts.unread.push_back({line, problem});
    } else if (Result added = batch.Add(record, line); !added.ok()) {
      return added;
    }
    ++done;
    if (progress && !progress(done, dataLines)) {
      counts.cancelled = true;
      break;
    }
  }
  return batch.Finish();
}

ImportSettings ProposedImportSettings(std::string_view fileBytes, bool heading, ImportMapChoice choice) {
  const ImportText prepared = PrepareImportText(fileBytes);
  ImportSettings settings;
  settings.heading = heading;
  settings.separator = DetectSeparator(prepared.text);
  settings.qualifier = DetectQualifier(prepared.text);
  const std::vector<std::string> source = FirstLineFields(prepared.text, settings.separator, settings.qualifier);
  const std::span<const ImportField> catalogue = ContactImportCatalogue();
  if (choice == ImportMapChoice::Default && heading) {
    settings.mapping = DefaultMapping(source, catalogue, ContactImportAliases(), ContactTodayAliases());
  } else {
    settings.mapping = PositionalMapping(source.size(), catalogue.size());
  }
  return settings;
}

}  // namespace velmora
