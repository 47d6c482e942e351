// A fresh temporary folder per test, removed afterwards. It also becomes the
// program folder (VELMORA_HOME) so no test touches the real home folder.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace velmora::testing {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velmora-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
    previousHome_ = std::getenv("VELMORA_HOME") ? std::getenv("VELMORA_HOME") : "";
    ::setenv("VELMORA_HOME", path_.c_str(), 1);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    if (previousHome_.empty()) ::unsetenv("VELMORA_HOME");
    else ::setenv("VELMORA_HOME", previousHome_.c_str(), 1);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
  std::string previousHome_;
};

}  // namespace velmora::testing
