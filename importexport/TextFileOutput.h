// Writes a finished text (an export, a report, a merged letter) to a file,
// replacing it through the store's one output routine (store/OutputFile.h):
// a fresh file beside the target, renamed into place when complete, never
// written through a link, and never wider than the file it comes from.
#pragma once

#include <string>
#include <string_view>

#include "store/FileSystem.h"
#include "store/OutputFile.h"
#include "store/Result.h"

namespace velmora {

// Writes contents to path, replacing the file there only once they are all
// written and durable. On failure the result's message names the file and
// the system's reason; what is its first words when the file cannot be
// created ("Cannot create the export file"), "Cannot write" when the
// contents cannot be written. mode bounds a new file's permissions.
Result WriteTextFile(const std::string& path, std::string_view contents, const std::string& what,
                     const OutputMode& mode = OutputMode::Usual());

// Writes a text piece by piece into a fresh file beside path and, on
// Finish, puts it in path's place: a failure at any step leaves the file at
// path as it was (or absent), never half-written. Goes through the store's
// file-system seam like WriteTextFile.
class TextFileWriter {
 public:
  TextFileWriter() = default;
  ~TextFileWriter() = default;  // the fresh file goes when Finish did not succeed
  TextFileWriter(const TextFileWriter&) = delete;
  TextFileWriter& operator=(const TextFileWriter&) = delete;

  // Starts the fresh file; what is the failure's first words when it cannot
  // be made ("Cannot create the export file"). mode bounds a new file's
  // permissions (an export is no wider than its address book).
  Result Create(const std::string& path, const std::string& what, const OutputMode& mode = OutputMode::Usual());
  // Appends text (held in a buffer of a few hundred kilobytes).
  Result Write(std::string_view text);
  // Writes what is held, makes the file durable, gives it its permissions
  // and puts it in place.
  Result Finish();

 private:
  OutputFile output_;
};

}  // namespace velmora
