// "Word Perfect" merges read their data from "WPDataFile.dat", written from
// the data file through the word processor's format library ("wpformat.dll"
// where WordPerfect runs). This desktop has no such library and no
// WordPerfect: the conversion then fails, as it does where the library is
// missing. The library's calls are one interface, so the conversion itself
// stands on its own.
#pragma once

#include <cstdint>
#include <string>

#include "store/Result.h"

namespace velmora {

namespace mailmerge {
inline constexpr const char* kWordPerfectDataFileName = "WPDataFile.dat";
inline constexpr const char* kWordPerfectFormatLibrary = "WPformat.dll";
}  // namespace mailmerge

// The exports of the format library the conversion calls.
class WordPerfectFormat {
 public:
  using Handle = intptr_t;  // 0: none
  virtual ~WordPerfectFormat() = default;
  virtual Handle MRGInitDataFile(int kind, const std::string& outputPath) = 0;
  // names: the field names separated by ";"
  virtual void MRGCreateFieldNames(Handle file, const std::string& names, int count) = 0;
  virtual void MRGAddField(Handle file, const std::string& value) = 0;
  virtual void MRGEndRecord(Handle file) = 0;
  virtual void MRGCloseDataFile(Handle file) = 0;
};

// Writes "WPDataFile.dat" beside the data file from it: the heading line's
// names become the field names, each further line one record, its values
// split at the commas; a line's CR stays at the end of its last value. With
// no format library (null), fails with "Could not load 'WPformat.dll'"; a
// data file that cannot be read fails with "Could not open %s." (its path).
Result ConvertForWordPerfect(WordPerfectFormat* format, const std::string& dataFile);

// The path the conversion writes.
std::string WordPerfectDataPath(const std::string& dataFile);

}  // namespace velmora
