#include "Files.h"

#include <fstream>
#include <iterator>

namespace velmora::testing {

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

Bytes ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

bool WriteWholeFile(const std::string& path, std::string_view contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  out.close();
  return !out.fail();
}

bool WriteWholeFile(const std::string& path, const Bytes& contents) {
  return WriteWholeFile(path, std::string_view(reinterpret_cast<const char*>(contents.data()), contents.size()));
}

bool PatchFile(const std::string& path, uint64_t offset, const Bytes& bytes) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(static_cast<std::streamoff>(offset));
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  file.close();
  return !file.fail();
}

}  // namespace velmora::testing
