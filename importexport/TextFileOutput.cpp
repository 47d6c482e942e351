#include "importexport/TextFileOutput.h"

#include <memory>

#include "store/FileSystem.h"

namespace velmora {

namespace {

Result WriteFailure(const Result& failed, const std::string& path) {
  return Result::Fail("Cannot write", failed.sysError(), path);
}

}  // namespace

Result WriteTextFile(const std::string& path, std::string_view contents, const std::string& what) {
  if (path.empty()) return Result::Fail(what + " (no file name given)", 0, path);
  std::unique_ptr<File> file;
  Result opened = FileSystem::Default().OpenOrCreate(path, file);
  if (!opened) return Result::Fail(what, opened.sysError(), path);
  if (Result emptied = file->Truncate(0); !emptied) return WriteFailure(emptied, path);
  if (Result written = file->WriteAt(0, contents.data(), contents.size()); !written) {
    return WriteFailure(written, path);
  }
  if (Result synced = file->Sync(); !synced) return WriteFailure(synced, path);
  return Result::Ok();
}

}  // namespace velmora
