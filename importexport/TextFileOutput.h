// Writes a finished text (an export, a report, a merged letter) to a file,
// replacing it. The writes go through the store's file-system seam, so a
// failing disk can be simulated.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "store/FileSystem.h"
#include "store/Result.h"

namespace velmora {

// Creates the file anew (or empties it) and writes contents, then makes them
// durable. On failure the result's message names the file and the system's
// reason; what is its first words when the file cannot be created ("Cannot
// create the export file"), "Cannot write" when the contents cannot be
// written.
Result WriteTextFile(const std::string& path, std::string_view contents, const std::string& what);

}  // namespace velmora

namespace velmora {

// Writes a text piece by piece into a fresh file beside path and, on
// Finish, puts it in path's place: a failure at any step leaves the file at
// path as it was (or absent), never half-written. Goes through the store's
// file-system seam like WriteTextFile.
class TextFileWriter {
 public:
  TextFileWriter() = default;
  ~TextFileWriter();  // removes the fresh file when Finish did not succeed
  TextFileWriter(const TextFileWriter&) = delete;
  TextFileWriter& operator=(const TextFileWriter&) = delete;

  // Starts the fresh file; what is the failure's first words when it cannot
  // be made ("Cannot create the export file").
  Result Create(const std::string& path, const std::string& what);
  // Appends text (held in a buffer of a few hundred kilobytes).
  Result Write(std::string_view text);
  // Writes what is held, makes the file durable, gives it the usual
  // permissions and puts it in place.
  Result Finish();

 private:
  Result Drain();

  std::string path_;
  std::string tempPath_;
  std::unique_ptr<File> file_;
  std::string buffer_;
  uint64_t written_ = 0;
  Result failure_ = Result::Ok();
  bool finished_ = false;
};

}  // namespace velmora
