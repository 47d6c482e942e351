#include "shell/ProgramOptions.h"

#include <cstdio>
#include <cstring>

namespace velmora {

std::optional<int> AnswerProgramOptions(int argc, char** argv, const char* program, const char* extension,
                                        const char* record, const char* version) {
  char usage[1024];
  std::snprintf(usage, sizeof usage,
                "Usage: %s [FILE.%s]\n"
                "       %s --new | --help | --version\n"
                "Opens FILE in a window of its own; without FILE, the file opened last,\n"
                "unless a %s started without a file runs already.\n"
                "--new opens the window for a new %s, in the %s that runs when there is one.\n",
                program, extension, program, program, record, program);
  return AnswerProgramOptionsWithUsage(argc, argv, program, version, usage);
}

std::optional<int> AnswerProgramOptionsWithUsage(int argc, char** argv, const char* program, const char* version,
                                                 const char* usage) {
  if (argc != 2) return std::nullopt;
  const char* option = argv[1];
  if (std::strcmp(option, "--version") == 0) {
    std::printf("%s %s\n", program, version);
    return 0;
  }
  if (std::strcmp(option, "--help") == 0 || std::strcmp(option, "-h") == 0) {
    std::fputs(usage, stdout);
    return 0;
  }
  return std::nullopt;
}

}  // namespace velmora
