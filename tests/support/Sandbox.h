// The places a test may write to: a temporary folder removed afterwards,
// environment variables set for the life of an object, and a sandbox that
// points the program folder and the desktop's data and runtime folders into
// a fresh temporary folder (FolderSandbox), so no test touches the real home
// folder.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace velmora::testing {

// Sets an environment variable for the life of the object; the old value,
// or its absence, comes back afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> saved_;
};

// A fresh temporary folder, removed with everything in it at the end. It is
// also the program folder (VELMORA_HOME) meanwhile.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
  std::optional<ScopedEnv> home_;
};

// A temporary program folder with the desktop folders inside it:
// XDG_DATA_HOME is <home>/xdg-data, XDG_CONFIG_HOME <home>/xdg-config and
// XDG_RUNTIME_DIR <home>/runtime
// (private, as the desktop makes it). The program name, when given, names the
// settings file for the life of the sandbox; the current directory comes back
// at the end.
class FolderSandbox {
 public:
  explicit FolderSandbox(const std::string& programName = "");
  ~FolderSandbox();
  FolderSandbox(const FolderSandbox&) = delete;
  FolderSandbox& operator=(const FolderSandbox&) = delete;

  const std::string& path() const { return home_.path(); }
  std::string File(const std::string& name) const { return home_.File(name); }
  std::string DataHome() const { return File("xdg-data"); }
  std::string RuntimeDir() const { return File("runtime"); }
  std::string ConfigHome() const { return File("xdg-config"); }

 private:
  TempDir home_;
  std::filesystem::path savedDirectory_;
  std::optional<ScopedEnv> dataHome_;
  std::optional<ScopedEnv> runtimeDir_;
  std::optional<ScopedEnv> configHome_;
  bool namedProgram_ = false;
};

}  // namespace velmora::testing
