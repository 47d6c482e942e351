// Compaction copies the live slots into a new file beside the real one,
// writes the final header there, gives it the old file's permissions and
// owner, makes it durable and renames it over the source in one step: at
// every moment either the old file or the complete new one is at the path,
// and nobody can open the file meanwhile (the presence byte is held
// exclusively, see FileLocks.h).
#include "store/Compact.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "store/Bytes.h"
#include "store/FileLocks.h"
#include "store/Format.h"
#include "store/RecordFileView.h"
#include "store/RecordStore.h"
#include "store/SlotReader.h"

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

void Notify(const CompactUi& ui, const std::string& note) {
  if (ui.showNotice) {
    ui.showNotice(note);
  } else {
    Tell(ui, note);
  }
}

Result ReadShape(File& file, const std::string& path, RecordFileShape& shape) {
  if (Result read = ReadRecordFileShape(file, path, shape); !read.ok()) return read;
  std::vector<std::string> problems = shape.Problems();
  if (!problems.empty()) return DamageRefusal(problems.front(), path);
  return Result::Ok();
}

// Gives a new file the permission bits, owner and group of the file it is
// to replace. When the process may not set the owner or group, the copy is
// still acceptable if nobody loses or gains access by it; otherwise it is
// refused.
Result MatchOwnership(File& made, const FileOwnership& wanted, const std::string& path) {
  Result set = made.SetOwnership(wanted);
  if (set.ok()) return set;
  FileOwnership now;
  if (made.GetOwnership(now).ok()) {
    const bool groupMatters = (wanted.mode & 070) != 0;
    if (now.owner == wanted.owner && (now.group == wanted.group || !groupMatters) && now.mode == wanted.mode) {
      return Result::Ok();
    }
  }
  return Result::Fail(
      "Cannot rewrite the file without changing who may use it (the new file could not be given its owner and "
      "group); nothing was changed in",
      set.sysError(), path);
}

// The name a compaction's copy of a file gets, before its random part.
constexpr const char* kCopySuffix = ".compact";

// Whether name is prefix followed by the six letters and digits that
// mkstemp puts in.
bool IsCopyName(const std::string& name, const std::string& prefix) {
  if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) return false;
  return std::all_of(name.begin() + std::ptrdiff_t(prefix.size()), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
  });
}

// The permission bits a newly created file gets: 0666 less the umask.
mode_t NewFileMode() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0) return mode_t(0666) & ~mode_t(std::strtoul(line.c_str() + 6, nullptr, 8));
  }
  return 0644;
}

}  // namespace

std::vector<std::string> CompactReport::Notes(const std::string& path) const {
  std::vector<std::string> notes;
  if (partialSlotBytes != 0) {
    notes.push_back("Compacting \"" + path + "\" dropped 1 slot: the last one held only " +
                    std::to_string(partialSlotBytes) + " bytes (an addition that never finished).");
  }
  return notes;
}

Result CheckAndCompact(const std::string& path, int force, const CompactUi& ui, CompactReport* report) {
  if (report) *report = CompactReport();
  FileSystem& fs = FileSystem::Default();
  // Through a link, the real file is the one to rewrite; the link stays.
  std::string real;
  if (Result resolved = fs.Resolve(path, real); !resolved.ok()) return resolved;
  // When the presence lock cannot even be tried, the open below says why.
  bool inUse = false;
  if (RecordStore::ProbeInUse(real, inUse).ok() && inUse) {
    return Result::Fail("The file is in use by another user:", 0, path);
  }
  std::unique_ptr<File> source;
  if (Result opened = fs.Open(real, source); !opened.ok()) return opened;
  // Keep everybody out until the file is ready.
  if (!source->TryLock(locks::kPresence, locks::kLength, true)) {
    return Result::Fail("The file is in use by another user:", 0, path);
  }
  // Replaced since it was opened: somebody else compacted it just now.
  if (!source->IsAt(real)) return Result::Fail("The file was replaced while it was being opened:", 0, path);
  // Copies left by compactions of this file that died go first; nobody can
  // be compacting it while the presence lock is held here.
  LeftoverReport leftovers = RemoveLeftoversLocked(real);
  for (const std::string& line : leftovers.Lines()) Notify(ui, line);
  auto withLeftovers = [&] {
    if (report) report->leftovers = leftovers;
  };
  RecordFileShape shape;
  if (Result read = ReadShape(*source, path, shape); !read.ok()) {
    withLeftovers();
    return read;
  }
  Bytes header(format::kHeaderSize);
  if (Result rd = source->ReadAt(format::kHeaderOffset, header.data(), header.size()); !rd.ok()) {
    withLeftovers();
    return rd;
  }
  if (force == 0 && GetI32(header.data() + h::kOpenCount) == 0) {
    withLeftovers();
    return Result::Ok();
  }
  Result compacted = CompactFile(*source, real, ui, report);
  withLeftovers();
  return compacted;
}

std::vector<std::string> LeftoverReport::Lines() const {
  std::vector<std::string> lines;
  for (const Leftover& left : removed) {
    lines.push_back("Removed \"" + left.path + "\", the copy (" + std::to_string(left.bytes) +
                    " bytes) of a compaction that did not finish.");
  }
  for (const Failure& failed : notRemoved) {
    lines.push_back("Cannot remove \"" + failed.path + "\", the copy of a compaction that did not finish: " +
                    failed.why.Message());
  }
  return lines;
}

LeftoverReport RemoveLeftoversLocked(const std::string& realPath) {
  namespace fsys = std::filesystem;
  FileSystem& fs = FileSystem::Default();
  LeftoverReport report;
  const auto slash = realPath.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string(".") : realPath.substr(0, slash + 1);
  const std::string prefix = "." + BaseName(realPath) + kCopySuffix + ".";
  std::error_code error;
  // An unreadable folder has nothing to find; a listing cut short by an
  // error ends the search (the next one tries again).
  for (fsys::directory_iterator it(folder, error); !error && it != fsys::directory_iterator(); it.increment(error)) {
    const fsys::directory_entry& entry = *it;
    const std::string name = entry.path().filename().string();
    if (!IsCopyName(name, prefix)) continue;
    // Only plain files: a link or anything else of that name is not ours.
    std::error_code statError;
    if (!fsys::is_regular_file(entry.symlink_status(statError)) || statError) continue;
    const std::string candidate = (slash == std::string::npos ? std::string() : folder) + name;
    std::unique_ptr<File> copy;
    if (!fs.OpenReadOnly(candidate, copy).ok()) continue;  // gone meanwhile, or not ours to read
    // A live compaction holds the mark exclusively: leave its copy alone.
    if (!copy->TryLock(locks::kCompactCopy, locks::kLength, false)) continue;
    uint64_t bytes = 0;
    (void)copy->Size(bytes);
    if (Result removed = fs.Remove(candidate); removed.ok()) {
      report.removed.push_back({candidate, bytes});
    } else {
      report.notRemoved.push_back({candidate, removed});
    }
  }
  return report;
}

Result RemoveCompactionLeftovers(const std::string& path, LeftoverReport& report) {
  report = LeftoverReport();
  FileSystem& fs = FileSystem::Default();
  std::string real;
  if (Result resolved = fs.Resolve(path, real); !resolved.ok()) return resolved;
  std::unique_ptr<File> file;
  if (Result opened = fs.OpenReadOnly(real, file); !opened.ok()) return opened;
  // Shared: open connections may stay, but no compaction can start (or be
  // running) on the file meanwhile.
  if (!file->TryLock(locks::kPresence, locks::kLength, false)) {
    return Result::Fail("The file is being created or compacted by another user:", 0, path);
  }
  if (!file->IsAt(real)) return Result::Fail("The file was replaced while it was being opened:", 0, path);
  report = RemoveLeftoversLocked(real);
  return Result::Ok();
}

Result CompactFile(File& source, const std::string& path, const CompactUi& ui, CompactReport* report) {
  FileSystem& fs = FileSystem::Default();
  CompactReport done;
  RecordFileShape shape;
  if (Result read = ReadShape(source, path, shape); !read.ok()) return read;
  FileOwnership ownership;
  if (Result owned = source.GetOwnership(ownership); !owned.ok()) return owned;

  std::string tempPath;
  std::unique_ptr<File> temp;
  if (Result made = fs.CreateTemp(path + kCopySuffix, tempPath, temp); !made.ok()) {
    Tell(ui, "Program can't create \"" + tempPath + "\".");
    return made;
  }
  // Marks the copy as being written by a live compaction until the copy has
  // replaced the file (see RemoveLeftoversLocked). The copy is brand new, so
  // nobody else can hold this yet.
  if (!temp->TryLock(locks::kCompactCopy, locks::kLength, true)) {
    temp.reset();
    (void)fs.Remove(tempPath);
    return Result::Fail("Cannot mark the new copy as in use:", 0, tempPath);
  }
  auto abandon = [&](Result why) {
    temp.reset();
    (void)fs.Remove(tempPath);
    return why;
  };
  auto writeFailed = [&](const Result& why) {
    return abandon(Result::Fail("Cannot compact \"" + path + "\": writing the new copy failed in", why.sysError(),
                                tempPath));
  };
  if (Result owned = MatchOwnership(*temp, ownership, path); !owned.ok()) return abandon(owned);

  Bytes prefix(shape.prefix());
  if (Result rd = source.ReadAt(0, prefix.data(), prefix.size()); !rd.ok()) return abandon(rd);
  // The copy is a closed, consistent file: nobody has it open, no slot is
  // free, no edit lock is held.
  PutI32(prefix.data() + format::kHeaderOffset + h::kOpenCount, 0);
  PutI32(prefix.data() + format::kHeaderOffset + h::kFreeSlotBalance, 0);
  if (Result wr = temp->WriteAt(0, prefix.data(), prefix.size()); !wr.ok()) return writeFailed(wr);

  const uint32_t recordSize = shape.recordSize;
  if (ui.begin) ui.begin(BaseName(path), shape.WholeSlots());
  auto finish = [&] {
    if (ui.end) ui.end();
  };

  SlotReader reader(source, shape.prefix(), recordSize, path);
  uint64_t writeAt = shape.prefix();
  while (reader.Next()) {
    for (size_t i = 0; i < reader.count(); ++i) {
      uint8_t* slot = reader.slot(i);
      if (ui.step) ui.step();
      ++done.slotsRead;
      if (std::string problem = SlotProblem(slot, reader.positionOf(i), recordSize); !problem.empty()) {
        finish();
        return abandon(DamageRefusal(problem, path));
      }
      if (slot[r::kInUse] != 1) {
        ++done.freeSlotsDropped;
        continue;
      }
      if (slot[r::kEditLock] != 0) ++done.locksCleared;
      slot[r::kEditLock] = 0;
      if (Result wr = temp->WriteAt(writeAt, slot, recordSize); !wr.ok()) {
        finish();
        return writeFailed(wr);
      }
      writeAt += recordSize;
      ++done.recordsKept;
    }
  }
  if (Result read = reader.result(); !read.ok()) {
    finish();
    return abandon(read);
  }
  done.partialSlotBytes = reader.trailingBytes();

  if (Result synced = temp->Sync(); !synced.ok()) {
    finish();
    return writeFailed(synced);
  }
  // The copy stays open (and marked) until it is in place, so that it is
  // never taken for the leftover of a compaction that died.
  Result moved = fs.Rename(tempPath, path);
  if (!moved.ok()) {
    // The source is untouched and holds every record; the copy goes.
    Tell(ui, "Compact: MoveFile: error.\r\n\"" + tempPath + "\"\r\nto\r\n\"" + path + "\"\r\n");
    (void)fs.Remove(tempPath);
    temp.reset();
    finish();
    return moved;
  }
  temp.reset();
  (void)fs.SyncFolderOf(path);  // the copy is in place; this only adds durability
  finish();
  done.compacted = true;
  for (const std::string& note : done.Notes(path)) Notify(ui, note);
  if (report) *report = done;
  return Result::Ok();
}

Result CopyRecordFile(const std::string& source, const std::string& target) {
  FileSystem& fs = FileSystem::Default();
  std::unique_ptr<File> in;
  if (Result opened = fs.Open(source, in); !opened.ok()) return opened;
  // An existing target is replaced where it really lies, keeping its
  // permissions and owner; a new one gets those of any new file.
  std::string real = target;
  FileOwnership ownership;
  bool existed = false;
  if (fs.Exists(target)) {
    if (Result resolved = fs.Resolve(target, real); !resolved.ok()) return resolved;
    std::unique_ptr<File> old;
    if (Result opened = fs.OpenReadOnly(real, old); !opened.ok()) return opened;
    if (Result owned = old->GetOwnership(ownership); !owned.ok()) return owned;
    existed = true;
  }
  std::string tempPath;
  std::unique_ptr<File> out;
  if (Result made = fs.CreateTemp(real, tempPath, out); !made.ok()) return made;
  auto abandon = [&](Result why) {
    out.reset();
    (void)fs.Remove(tempPath);
    return why;
  };
  if (existed) {
    if (Result owned = MatchOwnership(*out, ownership, real); !owned.ok()) return abandon(owned);
  } else {
    FileOwnership fresh;
    if (Result owned = out->GetOwnership(fresh); !owned.ok()) return abandon(owned);
    fresh.mode = NewFileMode();
    if (Result owned = out->SetOwnership(fresh); !owned.ok()) return abandon(owned);
  }
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
  if (Result moved = fs.Rename(tempPath, real); !moved.ok()) {
    (void)fs.Remove(tempPath);
    return moved;
  }
  (void)fs.SyncFolderOf(real);  // the copy is in place; this only adds durability
  return Result::Ok();
}

}  // namespace velmora
