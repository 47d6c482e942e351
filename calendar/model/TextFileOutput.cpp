#include "calendar/model/TextFileOutput.h"

#include <cerrno>
#include <cstdio>

namespace velmora {

Result WriteTextFile(const std::string& path, std::string_view contents, const std::string& what) {
  if (path.empty()) return Result::Fail(what + " (no file name given)", 0, path);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return Result::Fail(what, errno, path);
  bool written = std::fwrite(contents.data(), 1, contents.size(), file) == contents.size();
  int error = written ? 0 : errno;
  if (std::fflush(file) != 0 && written) {
    written = false;
    error = errno;
  }
  if (std::fclose(file) != 0 && written) {
    written = false;
    error = errno;
  }
  if (!written) return Result::Fail("Cannot write", error, path);
  return Result::Ok();
}

}  // namespace velmora
