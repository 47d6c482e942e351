// Compaction: rewrites a record file without its free slots, clears every
// edit lock and resets the free-slot balance and the open count.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "store/FileSystem.h"
#include "store/Result.h"

namespace velmora {

// How compaction talks to the user; every member may be empty.
struct CompactUi {
  std::function<void(const std::string& message)> showMessage;
  // Progress window: "Compacting \"<file name>\"" over total slots.
  std::function<void(const std::string& fileName, uint64_t totalSlots)> begin;
  std::function<void()> step;
  std::function<void()> end;
};

// 1 when the file is ready to use: untouched when it was closed cleanly and
// force is 0, otherwise compacted. 0 when it is missing, in use anywhere, or
// compaction failed.
int CheckAndCompact(const std::string& path, int force, const CompactUi& ui = {});

// Copies the live slots of source into "<path>.temp" and replaces path with
// it in one rename. REQUIRES: nobody else has path open.
Result CompactFile(File& source, const std::string& path, const CompactUi& ui = {});

// Copies source to target, replacing target (through a temporary file and a
// rename, so a failed copy never leaves half a target).
Result CopyRecordFile(const std::string& source, const std::string& target);

}  // namespace velmora
