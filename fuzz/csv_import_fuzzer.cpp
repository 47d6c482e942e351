// libFuzzer target: the input is a delimited text file for import. Its
// first byte picks the separator and the qualifier (or, with bit 2 set, the
// ones the wizard detects); the rest is the file. The reader must end
// without crash or hang; every line it reads must convert into a contact
// record by both mappings; and the fields of a line written back as quoted
// CSV must read back unchanged. A failed check aborts, so the fuzzer keeps
// it.
//
//   csv_import_fuzzer -max_len=65536 -rss_limit_mb=2048 csv-work fuzz/csv_import_corpus
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "addressbook/model/ContactLayout.h"
#include "addressbook/model/ContactRules.h"
#include "importexport/ContactImport.h"
#include "importexport/ContactImportCatalogue.h"
#include "importexport/CsvField.h"
#include "importexport/ImportConversion.h"
#include "importexport/ImportMapping.h"
#include "importexport/ImportReader.h"

namespace {

using namespace velmora;

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "csv import check failed: %s\n", what);
  std::abort();
}

// The fields written as the export writes them: each quoted, quotes doubled.
std::string QuotedLine(const std::vector<std::string>& fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) line += ',';
    line += CsvField(fields[i]);
  }
  return line + "\r\n";
}

void ConvertLine(const std::vector<std::string>& fields, const ImportMapping& mapping, Bytes& record) {
  const auto catalogue = ContactImportCatalogue();
  record.assign(contact::kRecordSize, 0);
  for (size_t column = 0; column < fields.size() && column < mapping.size(); ++column) {
    if (mapping[column] < 0 || fields[column].empty()) continue;
    const ImportField& entry = catalogue[size_t(mapping[column])];
    if (!ConvertImportValue(entry, fields[column], record.data(), record.size())) {
      Check(entry.kind == kImportDate || entry.kind == kImportTime, "only dates and times may fail");
      return;
    }
  }
  NormaliseContactRecord(record);
  Check(record.size() == contact::kRecordSize, "normalising keeps the record size");
  (void)ContactDuplicateKey(record.data());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t choice = data[0];
  const std::string_view file(reinterpret_cast<const char*>(data + 1), size - 1);
  const ImportText prepared = PrepareImportText(file);
  Check(prepared.text.empty() || prepared.text.back() == '\n' || prepared.text.back() == '\r',
        "the text is empty or ends with a line end");

  char separator = (choice & 1) ? '\t' : ',';
  std::optional<char> qualifier = (choice & 2) ? std::optional<char>('"') : std::nullopt;
  if (choice & 4) {
    separator = DetectSeparator(prepared.text);
    qualifier = DetectQualifier(prepared.text);
  }
  const auto catalogue = ContactImportCatalogue();
  const std::vector<std::string> headings = FirstLineFields(prepared.text, separator, qualifier);
  const ImportMapping byHeading = DefaultMapping(headings, catalogue, ContactImportAliases(), ContactTodayAliases());
  const ImportMapping byPosition = PositionalMapping(headings.size(), catalogue.size());
  Check(byHeading.size() == headings.size(), "one mapping row per source field");
  for (size_t i = 0; i < byHeading.size(); ++i) {
    for (size_t j = i + 1; j < byHeading.size(); ++j) {
      Check(byHeading[i] == kIgnoreColumn || byHeading[i] != byHeading[j], "no label mapped twice");
    }
  }

  const size_t lineEnds = CountImportLines(prepared.text);
  ImportReader reader(prepared.text, separator, qualifier);
  std::vector<std::string> fields;
  Bytes record;
  size_t lines = 0;
  size_t previous = 0;
  for (LineRead read; (read = reader.NextLine(fields)) == LineRead::Read;) {
    Check(++lines <= lineEnds, "no more lines than line ends");
    Check(reader.lineNumber() > previous && reader.lineNumber() <= lineEnds, "line numbers grow within the text");
    previous = reader.lineNumber();
    Check(!fields.empty(), "a line has a field");
    ConvertLine(fields, byHeading, record);
    ConvertLine(fields, byPosition, record);

    // Written back as quoted CSV, the fields read back unchanged.
    const std::string again = QuotedLine(fields);
    ImportReader back(again, ',', '"');
    std::vector<std::string> reread;
    Check(back.NextLine(reread) == LineRead::Read, "a written line reads back");
    Check(reread == fields, "written fields read back unchanged");
    Check(back.NextLine(reread) == LineRead::End, "a written line is one line");
  }

  // The file streamed from its bytes reads as the prepared text does.
  {
    std::istringstream in{std::string(file)};
    ImportTextStream source(in);
    ImportReader streamed(source, separator, qualifier);
    ImportReader whole(prepared.text, separator, qualifier);
    std::vector<std::string> a, b;
    for (;;) {
      const LineRead left = streamed.NextLine(a);
      const LineRead right = whole.NextLine(b);
      Check(left == right, "streamed and whole texts end alike");
      if (left != LineRead::Read) break;
      Check(a.size() == b.size(), "streamed and whole lines have as many fields");
      Check(streamed.lineNumber() == whole.lineNumber(), "streamed and whole lines have the same numbers");
    }
  }

  // Conversions of the raw input by themselves.
  DateValue date;
  (void)ReadImportDate(file, date);
  TimeValue time;
  (void)ReadImportTime(file, time);
  (void)ReadImportInteger(file);
  return 0;
}
