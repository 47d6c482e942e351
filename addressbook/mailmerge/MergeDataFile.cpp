#include "addressbook/mailmerge/MergeDataFile.h"

#include <cerrno>
#include <memory>

#include "addressbook/mailmerge/MergeTemplates.h"
#include "importexport/TextFileOutput.h"
#include "store/FileSystem.h"

namespace velmora {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

template <class Visit>
void ForEachColumn(Visit visit) {
  for (std::string_view name : kContactMergeFields) visit(name);
  for (std::string_view name : kSenderMergeFields) visit(name);
}

// A value as one quoted field: a double quote inside it is doubled, and
// everything else (separators, tabs, line breaks) stands as it is between
// the quotes, so a reader of standard CSV takes the value back whole.
std::string QuotedField(std::string_view value) {
  std::string field;
  field.reserve(value.size() + 2);
  field += '"';
  for (char c : value) {
    if (c == '"') field += '"';
    field += c;
  }
  field += '"';
  return field;
}

std::string Joined(const std::vector<std::string>& values) {
  std::string line;
  for (size_t i = 0; i < values.size(); ++i) {
    if (i) line += ',';
    line += values[i];
  }
  line += kLineEnd;
  return line;
}

}  // namespace

std::string DataFileHeading() {
  std::vector<std::string> names;
  ForEachColumn([&](std::string_view name) { names.emplace_back(name); });
  return Joined(names);
}

std::string EmptyDataRecord() { return std::string(mailmerge::kDataFileColumns - 1, ',') + std::string(kLineEnd); }

std::string DataFileRow(const Contact& contact, const MergeContext& context, WordProcessor processor) {
  std::vector<std::string> values;
  ForEachColumn([&](std::string_view name) {
    std::string value = MergeFieldValue(name, contact, context);
    if (processor == WordProcessor::WordPerfect) {
      for (char& c : value) {
        if (c == '\r' || c == '\n' || c == ',') c = ' ';
      }
    } else {
      value = QuotedField(value);
    }
    values.push_back(std::move(value));
  });
  return Joined(values);
}

ResultOf<std::string> DataFilePath() { return TemplatePath(mailmerge::kDataFileName); }

Result CreateDataFile(const std::string& path, bool withEmptyRecord, const OutputMode& mode) {
  TextFileWriter writer;
  Result r = writer.Create(path, "Cannot create the data file", mode);
  if (r) r = writer.Write(DataFileHeading());
  if (r && withEmptyRecord) r = writer.Write(EmptyDataRecord());
  if (r) r = writer.Finish();
  return r;
}

Result AppendDataRow(const std::string& path, const std::string& row) {
  FileSystem& fs = FileSystem::Default();
  // The rows go into the file CreateDataFile made: a link put at its name
  // since is not written through.
  PathInfo info;
  if (Result inspected = fs.Inspect(path, info); !inspected) return inspected;
  if (info.kind == PathKind::Missing) return Result::Fail("The data file is missing", ENOENT, path);
  if (info.kind != PathKind::Regular) return Result::Fail("The data file is not a regular file:", 0, path);
  std::unique_ptr<File> file;
  Result r = fs.Open(path, file);
  if (!r) return r;
  // The whole file and beyond its end (length 0), while the row is written.
  constexpr uint64_t kWholeFile = 0;
  if (!file->TryLock(0, kWholeFile, true)) return Result::Fail("The data file is in use", EBUSY, path);
  uint64_t size = 0;
  r = file->Size(size);
  if (r) r = file->WriteAt(size, row.data(), row.size());
  if (r) r = file->Sync();
  file->Unlock(0, kWholeFile);
  return r;
}

}  // namespace velmora
