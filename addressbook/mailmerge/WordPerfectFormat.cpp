#include "addressbook/mailmerge/WordPerfectFormat.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>

namespace velmora {

namespace {

// The output kind the library's data files are opened with.
constexpr int kMergeDataKind = 1;

}  // namespace

std::string WordPerfectDataPath(const std::string& dataFile) {
  return (std::filesystem::path(dataFile).parent_path() / mailmerge::kWordPerfectDataFileName).string();
}

Result ConvertForWordPerfect(WordPerfectFormat* format, const std::string& dataFile) {
  if (!format) return Result::Fail("Could not load '" + std::string(mailmerge::kWordPerfectFormatLibrary) + "'");

  std::string text;
  try {
    std::ifstream in(dataFile, std::ios::binary);
    if (!in) return Result::Fail("Could not open " + dataFile + ".", errno, dataFile);
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) return Result::Fail("Could not open " + dataFile + ".", errno, dataFile);
  } catch (const std::bad_alloc&) {
    return Result::Fail("Memory problem");
  }

  std::string output = WordPerfectDataPath(dataFile);
  WordPerfectFormat::Handle file = format->MRGInitDataFile(kMergeDataKind, output);
  if (!file) return Result::Fail("Could not make WordPerfect Data file", 0, output);

  size_t at = 0;
  size_t headingEnd = text.find('\n');
  if (headingEnd != std::string::npos) {
    std::string names = text.substr(0, headingEnd);
    int count = 1;
    for (char& c : names) {
      if (c == ',') {
        c = ';';
        ++count;
      }
    }
    format->MRGCreateFieldNames(file, names, count);
    at = headingEnd + 1;

    // A value ends at a comma; a line ends its last value and the record.
    // Text after the last line end is no record.
    std::string value;
    for (; at < text.size(); ++at) {
      char c = text[at];
      if (c == ',') {
        format->MRGAddField(file, value);
        value.clear();
      } else if (c == '\n') {
        format->MRGAddField(file, value);
        format->MRGEndRecord(file);
        value.clear();
      } else {
        value += c;
      }
    }
  }
  format->MRGCloseDataFile(file);
  return Result::Ok();
}

}  // namespace velmora
