// Compaction copies the live slots into "<path>.temp", writes the final
// header there, makes it durable and renames it over the source in one
// step: at every moment either the old file or the complete new one is at
// the path, and nobody can open the file meanwhile (the presence byte is
// held exclusively, see FileLocks.h).
#include "store/Compact.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "store/Bytes.h"
#include "store/FileLocks.h"
#include "store/Format.h"
#include "store/RecordStore.h"

namespace velmora {

namespace h = format::header;
namespace r = format::record;

namespace {

std::string BaseName(const std::string& path) {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void Tell(const CompactUi& ui, const std::string& message) {
  if (ui.showMessage) ui.showMessage(message);
}

struct Prologue {
  uint32_t headerSize = 0;
  uint32_t categorySize = 0;
  uint32_t recordSize = 0;
  uint64_t prefix() const { return uint64_t(format::kPrologueSize) + headerSize + categorySize; }
};

bool ReadPrologue(File& file, Prologue& out) {
  uint8_t bytes[format::kPrologueSize];
  if (!file.ReadAt(0, bytes, sizeof bytes).ok()) return false;
  out.headerSize = GetU32(bytes + format::kPrologueHeaderSize);
  out.categorySize = GetU32(bytes + format::kPrologueCategorySize);
  out.recordSize = GetU32(bytes + format::kPrologueRecordSize);
  return out.headerSize >= format::kHeaderSize && out.headerSize <= format::kMaxHeaderSize &&
         out.categorySize >= format::kCategoryBlockSize && out.categorySize <= format::kMaxCategoryBlockSize &&
         out.recordSize >= format::kMinRecordSize && out.recordSize <= format::kMaxRecordSize;
}

}  // namespace

int CheckAndCompact(const std::string& path, int force, const CompactUi& ui) {
  if (RecordStore::IsInUse(path)) return 0;
  std::unique_ptr<File> source;
  if (!FileSystem::Default().Open(path, source).ok()) return 0;
  // Keep everybody out until the file is ready.
  if (!source->TryLock(locks::kPresence, locks::kLength, true)) return 0;
  // Replaced since it was opened: somebody else compacted it just now.
  if (!source->IsAt(path)) return 0;
  Prologue prologue;
  uint64_t size = 0;
  if (!source->Size(size).ok() || !ReadPrologue(*source, prologue) || size < prologue.prefix()) return 0;
  Bytes header(format::kHeaderSize);
  if (!source->ReadAt(format::kHeaderOffset, header.data(), header.size()).ok()) return 0;
  if (force == 0 && GetI32(header.data() + h::kOpenCount) == 0) return 1;
  return CompactFile(*source, path, ui).ok() ? 1 : 0;
}

Result CompactFile(File& source, const std::string& path, const CompactUi& ui) {
  FileSystem& fs = FileSystem::Default();
  const std::string tempPath = path + ".temp";
  Prologue prologue;
  uint64_t size = 0;
  if (!source.Size(size).ok() || !ReadPrologue(source, prologue) || size < prologue.prefix()) {
    return Result::Fail("Not a record file:", 0, path);
  }

  std::unique_ptr<File> temp;
  Result made = fs.OpenOrCreate(tempPath, temp);
  if (made.ok()) made = temp->Truncate(0);
  if (!made.ok()) {
    Tell(ui, "Program can't create \"" + tempPath + "\".");
    return made;
  }
  auto abandon = [&](Result why) {
    temp.reset();
    (void)fs.Remove(tempPath);
    return why;
  };

  Bytes prefix(prologue.prefix());
  if (Result rd = source.ReadAt(0, prefix.data(), prefix.size()); !rd.ok()) return abandon(rd);
  // The copy is a closed, consistent file: nobody has it open, no slot is
  // free, no edit lock is held.
  PutI32(prefix.data() + format::kHeaderOffset + h::kOpenCount, 0);
  PutI32(prefix.data() + format::kHeaderOffset + h::kFreeSlotBalance, 0);
  if (Result wr = temp->WriteAt(0, prefix.data(), prefix.size()); !wr.ok()) return abandon(wr);

  const uint32_t recordSize = prologue.recordSize;
  const uint64_t totalSlots = (size - prologue.prefix()) / recordSize;
  if (ui.begin) ui.begin(BaseName(path), totalSlots);
  auto finish = [&] {
    if (ui.end) ui.end();
  };

  Bytes chunk(size_t(recordSize) * 100);
  uint64_t readAt = prologue.prefix();
  uint64_t writeAt = prologue.prefix();
  for (;;) {
    int64_t got = source.ReadSome(readAt, chunk.data(), chunk.size());
    if (got < 0) {
      finish();
      return abandon(Result::Fail("Cannot read", errno, path));
    }
    size_t whole = size_t(got) / recordSize;
    for (size_t i = 0; i < whole; ++i) {
      uint8_t* slot = chunk.data() + i * recordSize;
      if (ui.step) ui.step();
      if (slot[r::kInUse] != 1) continue;
      slot[r::kEditLock] = 0;
      if (Result wr = temp->WriteAt(writeAt, slot, recordSize); !wr.ok()) {
        finish();
        return abandon(wr);
      }
      writeAt += recordSize;
    }
    if (size_t(got) < chunk.size()) break;
    readAt += whole * recordSize;
  }

  if (Result synced = temp->Sync(); !synced.ok()) {
    finish();
    return abandon(synced);
  }
  temp.reset();
  Result moved = fs.Rename(tempPath, path);
  if (!moved.ok()) {
    // The source is untouched; the copy stays for the user to inspect.
    Tell(ui, "Compact: MoveFile: error.\r\n\"" + tempPath + "\"\r\nto\r\n\"" + path + "\"\r\n");
    finish();
    return moved;
  }
  (void)fs.SyncFolderOf(path);
  finish();
  return Result::Ok();
}

Result CopyRecordFile(const std::string& source, const std::string& target) {
  FileSystem& fs = FileSystem::Default();
  std::unique_ptr<File> in;
  if (Result opened = fs.Open(source, in); !opened.ok()) return opened;
  const std::string tempPath = target + ".copy";
  std::unique_ptr<File> out;
  if (Result made = fs.OpenOrCreate(tempPath, out); !made.ok()) return made;
  auto abandon = [&](Result why) {
    out.reset();
    (void)fs.Remove(tempPath);
    return why;
  };
  if (Result cut = out->Truncate(0); !cut.ok()) return abandon(cut);
  Bytes chunk(size_t(1) << 20);
  for (uint64_t at = 0;;) {
    int64_t got = in->ReadSome(at, chunk.data(), chunk.size());
    if (got < 0) return abandon(Result::Fail("Cannot read", errno, source));
    if (got == 0) break;
    if (Result wr = out->WriteAt(at, chunk.data(), size_t(got)); !wr.ok()) return abandon(wr);
    at += uint64_t(got);
  }
  if (Result synced = out->Sync(); !synced.ok()) return abandon(synced);
  out.reset();
  if (Result moved = fs.Rename(tempPath, target); !moved.ok()) {
    (void)fs.Remove(tempPath);
    return moved;
  }
  (void)fs.SyncFolderOf(target);
  return Result::Ok();
}

}  // namespace velmora
