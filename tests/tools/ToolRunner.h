// Runs the velmora tool as a child process: arguments, text on its standard
// input, and its exit status, standard output and standard error back. The
// child inherits the environment, so the VELMORA_HOME of the test's TempDir
// applies to it too.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/Files.h"

extern char** environ;

namespace velmora::testing {

struct ToolRun {
  int exitCode = -1;
  std::string out;
  std::string err;

  // Standard output split into lines (without their line ends).
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  // Every output line parsed as JSON.
  std::vector<nlohmann::json> Json() const {
    std::vector<nlohmann::json> values;
    for (const std::string& line : Lines()) values.push_back(nlohmann::json::parse(line));
    return values;
  }
};

// Runs VELMORA_TOOL with args; scratch is a folder for the redirections.
// Standard output goes to outputTo when given (e.g. "/dev/full"; out then
// stays empty).
inline ToolRun RunTool(const std::string& scratch, const std::vector<std::string>& args,
                       const std::string& input = "", const std::string& outputTo = "") {
  const std::string inPath = scratch + "/.tool-stdin";
  const std::string outPath = outputTo.empty() ? scratch + "/.tool-stdout" : outputTo;
  const std::string errPath = scratch + "/.tool-stderr";
  WriteWholeFile(inPath, input);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

  std::vector<std::string> words{VELMORA_TOOL};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  ToolRun run;
  pid_t pid = 0;
  if (posix_spawn(&pid, VELMORA_TOOL, &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  if (outputTo.empty()) run.out = ReadWholeFile(outPath);
  run.err = ReadWholeFile(errPath);
  return run;
}

}  // namespace velmora::testing
