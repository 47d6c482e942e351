// Compaction: rewrites a record file without its free slots, clears every
// edit lock and resets the free-slot balance and the open count.
//
// A link is followed: the real file is rewritten and the link stays a link.
// The new file is built beside the real one under a fresh, unguessable name
// (created exclusively, never through a planted link), keeps the old file's
// permission bits, owner and group, and replaces it in one rename. A damaged
// file (see RecordFileView.h) is refused and left as it is: compaction never
// drops a record it cannot prove free.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "store/FileSystem.h"
#include "store/Result.h"

namespace velmora {

// The copies of compactions that died (killed or cut off midway), found
// beside a file under the name its compactions give their copy.
struct LeftoverReport {
  struct Leftover {
    std::string path;
    uint64_t bytes = 0;
  };
  struct Failure {
    std::string path;
    Result why;
  };
  std::vector<Leftover> removed;
  std::vector<Failure> notRemoved;

  // One line for each copy removed or not removed.
  std::vector<std::string> Lines() const;
};

// What a compaction did with the slots it read.
struct CompactReport {
  bool compacted = false;  // false when a cleanly closed file was left as it was
  uint64_t slotsRead = 0;
  uint64_t recordsKept = 0;
  uint64_t freeSlotsDropped = 0;
  uint64_t locksCleared = 0;
  // Bytes of a slot cut short at the end of the file (an append that never
  // finished), dropped; 0 when the file ended on a whole slot.
  uint64_t partialSlotBytes = 0;
  // Copies of earlier compactions that died, removed before this one.
  LeftoverReport leftovers;

  // One line for each drop the user should hear of (free slots are the
  // point of compacting and are not mentioned); empty when there is none.
  std::vector<std::string> Notes(const std::string& path) const;
};

// How compaction talks to the user; every member may be empty.
struct CompactUi {
  std::function<void(const std::string& message)> showMessage;
  // The notes of CompactReport::Notes; showMessage gets them when this is
  // empty.
  std::function<void(const std::string& note)> showNotice;
  // Progress window: "Compacting \"<file name>\"" over total slots.
  std::function<void(const std::string& fileName, uint64_t totalSlots)> begin;
  std::function<void()> step;
  std::function<void()> end;
};

// Ok when the file is ready to use: untouched when it was closed cleanly
// and force is 0, otherwise compacted. Either way the copies that earlier
// compactions of the file left when they died are removed first (the ui's
// notice tells of each). Fails, saying why, when the file is
// missing, not a record file, damaged, in use anywhere, or compaction
// failed; the file is then unchanged. report (when given) tells what was
// dropped.
Result CheckAndCompact(const std::string& path, int force, const CompactUi& ui = {},
                       CompactReport* report = nullptr);

// Removes the copies of compactions of path that died: files beside the
// real file named as a compaction names its copy, which no running
// compaction holds. A copy that a compaction is writing right now is never
// touched. Fails (removing nothing) when the file is missing or being
// created or compacted.
Result RemoveCompactionLeftovers(const std::string& path, LeftoverReport& report);

// As RemoveCompactionLeftovers. REQUIRES: the caller holds the presence
// lock of realPath (the real file, no link), shared or exclusive.
LeftoverReport RemoveLeftoversLocked(const std::string& realPath);

// Copies the live slots of source into a new file beside path and replaces
// path with it in one rename. REQUIRES: path names the real file (no link)
// and source holds its presence byte exclusively.
Result CompactFile(File& source, const std::string& path, const CompactUi& ui = {},
                   CompactReport* report = nullptr);

// Copies source to target, replacing target (through a temporary file and a
// rename, so a failed copy never leaves half a target). A target that is a
// link is replaced at the file it names.
Result CopyRecordFile(const std::string& source, const std::string& target);

}  // namespace velmora
