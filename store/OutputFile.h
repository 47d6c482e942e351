// The one way the suite writes a file it produces (exports, reports, the
// mail merge's data file, templates and merged documents, settings): the
// text goes into a fresh file made exclusively beside the target under an
// unguessable name, is made durable and given its permissions, and only
// then is renamed into the target's place.
//
// - The target is never opened, so a link planted at its name is replaced
//   by the new file, not followed, and a pipe there cannot block the writer.
// - A target that is there and is no regular file (a folder, a pipe, a
//   socket, a device) is refused with a message naming it, also for root.
// - A failure at any step removes the fresh file and leaves the target as
//   it was (or absent).
// - A target that is replaced keeps its permission bits (and, where the
//   process may give them, its owner and group); a new one gets what the
//   process's file-creation mask allows of read-write for everyone, and
//   never more than OutputMode allows (the mode of the file whose contents
//   it carries).
//
// Everything goes through the file-system seam it is given, so tests can
// fail any step.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "store/FileSystem.h"
#include "store/Result.h"

namespace velmora {

// How the permission bits of a written file are chosen.
struct OutputMode {
  // The widest bits a new file may have.
  mode_t widest = 0666;
  // The file gets exactly `widest`, whether new or replacing one (a file
  // that may hold a password).
  bool exact = false;

  // Read-write for everyone the file-creation mask allows.
  static OutputMode Usual() { return {}; }
  // No wider than sourceMode (an export of a book only its owner may read
  // is readable by its owner only).
  static OutputMode NoWiderThan(mode_t sourceMode) { return {mode_t(sourceMode & 0666), false}; }
  // No wider than the file at sourcePath (followed through links); the usual
  // bits when it cannot be examined.
  static OutputMode NoWiderThanFile(FileSystem& fs, const std::string& sourcePath);
  // Read-write for its owner only, always.
  static OutputMode Private() { return {0600, true}; }
};

// The process's file-creation mask, read without changing it.
mode_t CurrentUmask();

// Writes contents to path as the rules above say. what is the failure's
// first words when the file cannot be made ("Cannot create the export
// file"); a failure to write names the target with "Cannot write".
Result ReplaceFileAtomically(FileSystem& fs, const std::string& path, std::string_view contents,
                             const OutputMode& mode, const std::string& what = "Cannot create");

// The same, written piece by piece: memory stays at one buffer however long
// the output grows. Nothing reaches path before Commit; destroying the
// writer without a successful Commit removes the fresh file.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Checks the target and makes the fresh file beside it.
  Result Create(FileSystem& fs, const std::string& path, const OutputMode& mode,
                const std::string& what = "Cannot create");
  // Appends data (held in a buffer of a few hundred kilobytes).
  Result Write(std::string_view data);
  // Writes what is held, makes it durable, gives it its permissions and
  // renames it over the target, then makes the rename durable.
  Result Commit();
  // Removes the fresh file; the target stays as it was.
  void Abandon();

  const std::string& path() const { return path_; }
  bool committed() const { return committed_; }

 private:
  Result Drain();
  Result Failed(Result failure);

  FileSystem* fs_ = nullptr;
  std::string path_;
  std::string tempPath_;
  std::unique_ptr<File> file_;
  OutputMode mode_;
  PathInfo target_;
  std::string buffer_;
  uint64_t written_ = 0;
  Result failure_ = Result::Ok();
  bool committed_ = false;
};

}  // namespace velmora
