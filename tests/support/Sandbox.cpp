#include "Sandbox.h"

#include <sys/stat.h>

#include <cstdlib>
#include <system_error>

#include "store/Settings.h"

namespace velmora::testing {

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
  if (const char* old = std::getenv(name)) saved_ = old;
  ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
  if (saved_) {
    ::setenv(name_.c_str(), saved_->c_str(), 1);
  } else {
    ::unsetenv(name_.c_str());
  }
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "velmora-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();  // nowhere safe to write: stop before any test does
  path_ = pattern;
  home_.emplace("VELMORA_HOME", path_);
}

TempDir::~TempDir() {
  home_.reset();
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

FolderSandbox::FolderSandbox(const std::string& programName) {
  std::error_code ignored;
  savedDirectory_ = std::filesystem::current_path(ignored);
  dataHome_.emplace("XDG_DATA_HOME", DataHome());
  ::mkdir(RuntimeDir().c_str(), 0700);
  runtimeDir_.emplace("XDG_RUNTIME_DIR", RuntimeDir());
  configHome_.emplace("XDG_CONFIG_HOME", ConfigHome());
  if (!programName.empty()) {
    SetProgramName(programName);
    namedProgram_ = true;
  }
}

FolderSandbox::~FolderSandbox() {
  if (namedProgram_) SetProgramName("");
  std::error_code ignored;
  if (!savedDirectory_.empty()) std::filesystem::current_path(savedDirectory_, ignored);
}

}  // namespace velmora::testing
