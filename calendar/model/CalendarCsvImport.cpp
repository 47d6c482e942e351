#include "calendar/model/CalendarCsvImport.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "calendar/model/EventRecord.h"
#include "importexport/ImportConversion.h"
#include "importexport/ImportReader.h"
#include "store/Dates.h"

namespace velmora {

namespace {

bool BlankLine(const std::vector<std::string>& fields) {
  for (const std::string& field : fields) {
    if (field.find_first_not_of(" \t") != std::string::npos) return false;
  }
  return true;
}

// Other programs write a yes-or-no column such as "All day event" as a
// word; the catalogue's number field takes 1 or 0 for it.
std::optional<std::string_view> FlagWord(std::string_view value) {
  std::string word;
  for (char c : value) {
    if (c != ' ') word += static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
  }
  if (word == "true" || word == "yes" || word == "on") return "1";
  if (word == "false" || word == "no" || word == "off") return "0";
  return std::nullopt;
}

std::string Quoted(const std::string& value) {
  return "\"" + (value.size() > kQuotedValueLength ? value.substr(0, kQuotedValueLength) + "..." : value) + "\"";
}

}  // namespace

Result ImportEvents(RecordStore& store, std::istream& file, const ImportSettings& settings, const ImportClock& clock,
                    ImportCounts& counts, const ImportProgress& progress) {
  if (store.GetAccessLevel() == kAccessReader) return Result(kReaderRefused);
  const auto catalogue = CalendarImportCatalogue();
  const DateOrder order = settings.dateOrder.value_or(DateOrderOf(GetClockStyle()));
  ImportTextStream text(file);
  ImportReader reader(text, settings.separator, settings.qualifier);
  CalendarImportAcceptor acceptor(store, clock);
  std::vector<std::string> fields;
  size_t skip = settings.skipLines + (settings.heading ? 1 : 0);
  for (;;) {
    const LineRead read = reader.NextLine(fields);
    if (!text.status().ok()) return text.status();
    if (read == LineRead::End) break;
    if (read == LineRead::Partial) {
      counts.unread.push_back({reader.lineNumber(), "a quoted value is not closed before the end of the file"});
      break;
    }
    if (skip > 0) {
      --skip;
      continue;
    }
    if (BlankLine(fields)) continue;
    ++counts.linesRead;
    const size_t line = reader.lineNumber();
    EventRecord record = NewEventRecord(store);
    Bytes& bytes = record.bytes();
    bool anyValue = false;
    for (size_t column = 0; column < fields.size() && column < settings.mapping.size(); ++column) {
      const int target = settings.mapping[column];
      if (target < 0 || static_cast<size_t>(target) >= catalogue.size()) continue;
      const ImportField& entry = catalogue[static_cast<size_t>(target)];
      if (fields[column].empty()) continue;
      anyValue = true;
      std::string_view value = fields[column];
      if (entry.kind == kImportInteger) {
        if (std::optional<std::string_view> flag = FlagWord(value)) value = *flag;
      }
      bool read = ConvertImportValue(entry, value, bytes.data(), bytes.size(), order);
      // A date read in its parts that is no day of the calendar (31
      // February) is replaced by the clean-up as well; the user is told.
      if (read && entry.kind == kImportDate) read = DayNumber(record.eventDate()) != kInvalidDayNumber;
      if (!read) {
        // The clean-up's stand-ins: today for the date (an invalid date
        // becomes today there), the current time for a time.
        if (entry.kind == kImportTime) PutTime(bytes.data() + entry.offset, clock.now);
        // Left for the clean-up: no date becomes today, no time the current
        // time.
        counts.partly.push_back({line, std::string(entry.label) + " " + Quoted(fields[column]) +
                                           (entry.kind == kImportDate ? " is not a date; today's date was used"
                                                                      : " is not a time; the current time was used")});
      }
    }
    if (!anyValue) {
      counts.unread.push_back({line, "no value of the line goes to a field"});
      continue;
    }
    if (!acceptor.Accept(record)) {
      if (!acceptor.status().ok()) return acceptor.status();
      ++counts.duplicates;
    } else if (Result added = store.AddRecord(record.bytes()); !added.ok()) {
      return Result::Fail("Import stopped at line " + std::to_string(line) + " after adding " +
                          std::to_string(counts.added) + " events: " + added.Message());
    } else {
      ++counts.added;
    }
    if (progress && !progress(reader.linesPassed(), 0)) {
      counts.cancelled = true;
      break;
    }
  }
  if (Result flushed = store.Flush(); !flushed.ok()) return flushed;
  if (counts.linesRead > 0 && counts.added == 0 && counts.duplicates == 0 && counts.unread.size() == counts.linesRead) {
    return Result::Fail("None of the file's lines could be read as an event.");
  }
  return Result::Ok();
}

}  // namespace velmora
