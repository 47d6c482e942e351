// libFuzzer target: the input is a record file. Every check of
// RecordFileExercise that fails aborts, so the fuzzer keeps it as a crash.
//
//   record_file_fuzzer -max_len=65536 -rss_limit_mb=2048 corpus-dir fuzz/corpus
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz/RecordFileExercise.h"

namespace {

std::string g_folder;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  namespace fs = std::filesystem;
  // Every input is written, opened, flushed and renamed: a folder in memory
  // keeps that cheap.
  std::error_code error;
  fs::path base = fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
  std::string pattern = (base / "velmora-fuzz-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    std::perror("mkdtemp");
    std::abort();
  }
  g_folder = pattern;
  // New headers read the suite settings from the program folder.
  ::setenv("VELMORA_HOME", g_folder.c_str(), 1);
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(g_folder, ignored);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string failure = velmora::fuzzing::RecordFileExercise(g_folder, data, size).Run();
  if (!failure.empty()) {
    std::fprintf(stderr, "record file check failed: %s\n", failure.c_str());
    std::abort();
  }
  return 0;
}
