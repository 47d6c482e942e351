#include "addressbook/mailmerge/LibreOfficeWriter.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

#include "addressbook/mailmerge/ChildProcess.h"
#include "store/FileSystem.h"
#include "store/OutputFile.h"

extern char** environ;

namespace velmora {

namespace {

namespace fs = std::filesystem;

constexpr int kExitWrongArguments = 64;

const char* CommandOf(WriterAction action) {
  switch (action) {
    case WriterAction::CreateTemplate:
      return "create";
    case WriterAction::EditTemplate:
      return "edit";
    case WriterAction::Merge:
      return "merge";
  }
  return "";
}

std::string ProgramFolderOfExecutable() {
  std::error_code error;
  fs::path executable = fs::read_symlink("/proc/self/exe", error);
  return error ? std::string() : executable.parent_path().string();
}

// The private folder of one run, removed with everything in it at the end.
class WorkFolder {
 public:
  explicit WorkFolder(const std::string& parent) {
    std::string base = parent;
    if (base.empty()) {
      const char* tmp = std::getenv("TMPDIR");
      base = tmp && *tmp == '/' ? tmp : "/tmp";
    }
    std::string pattern = base + "/velmora-writer-XXXXXX";
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~WorkFolder() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// What the script tells on its standard output: the step it is at and the
// process group of the office it started.
struct ScriptProgress {
  int step = 0;
  pid_t officeGroup = 0;

  // Takes the whole lines of pending; each step that begins is told to
  // stepBegun, also when one read brought several.
  void Read(std::string& pending, const std::function<void(int)>& stepBegun) {
    size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
      std::istringstream line(pending.substr(0, end));
      pending.erase(0, end + 1);
      std::string word;
      long number = 0;
      if (line >> word >> number) {
        if (word == "step" && int(number) != step) {
          step = int(number);
          if (stepBegun) stepBegun(step);
        }
        if (word == "office-group" && number > 1) officeGroup = pid_t(number);
      }
    }
  }
};

void EndGroup(pid_t group) {
  if (group > 1) ::kill(-group, SIGKILL);
}

// Copies a file the office wrote in the work folder to target through the
// suite's output routine.
Result PlaceFile(const std::string& written, const std::string& target, const OutputMode& mode) {
  FileSystem& files = FileSystem::Default();
  std::unique_ptr<File> in;
  if (Result opened = files.OpenReadOnly(written, in); !opened.ok()) return opened;
  OutputFile out;
  if (Result created = out.Create(files, target, mode, "Cannot create"); !created.ok()) return created;
  std::string block(size_t(1) << 16, '\0');
  uint64_t offset = 0;
  for (;;) {
    const int64_t got = in->ReadSome(offset, block.data(), block.size());
    if (got < 0) return Result::Fail("Cannot read", errno, written);
    if (got == 0) break;
    if (Result put = out.Write(std::string_view(block.data(), size_t(got))); !put.ok()) return put;
    offset += uint64_t(got);
  }
  return out.Commit();
}

// Puts the document a finished run left in the work folder in place: the
// template, or the merged document, which carries the data file's rows and
// so is no wider readable than it.
void PlaceResults(WriterRun& run, WriterAction action, const std::string& work, const std::string& dataFile,
                  const std::string& document) {
  const OutputMode mode = action == WriterAction::Merge ? OutputMode::NoWiderThanFile(FileSystem::Default(), dataFile)
                                                        : OutputMode::Usual();
  Result placed = PlaceFile(work + "/" + mailmerge::kWriterDocumentName, document, mode);
  if (!placed.ok()) {
    run.failedStep = action == WriterAction::Merge ? mailmerge::kStepMerge : mailmerge::kStepDataSource;
    run.detail = placed.Message();
  }
}

}  // namespace

std::string FindWriterMergeScript() {
  std::vector<std::string> folders;
  std::string programFolder = ProgramFolderOfExecutable();
  if (!programFolder.empty()) {
    folders.push_back(programFolder);
    folders.push_back(programFolder + "/share/velmora");
    folders.push_back(programFolder + "/../share/velmora");
  }
  folders.push_back(VELMORA_BUILD_SHARE_DIR);
  folders.push_back(VELMORA_INSTALL_SHARE_DIR);
  for (const std::string& folder : folders) {
    std::string candidate = folder + "/" + mailmerge::kWriterScriptName;
    if (::access(candidate.c_str(), R_OK) == 0) return fs::path(candidate).lexically_normal().string();
  }
  return {};
}

LibreOfficeWriter::LibreOfficeWriter(WriterSetup setup) : setup_(std::move(setup)) {}

WriterRun LibreOfficeWriter::Run(WriterAction action, const std::string& dataFile, const std::string& templatePath,
                                 const std::string& output) {
  WriterRun run;
  if (setup_.script.empty() || ::access(setup_.script.c_str(), R_OK) != 0) {
    run.failedStep = mailmerge::kStepBridge;
    run.detail = "the script " + std::string(mailmerge::kWriterScriptName) + " is missing";
    return run;
  }
  WorkFolder work(setup_.workParent);
  if (work.path().empty()) {
    run.failedStep = mailmerge::kStepBridge;
    run.detail = "no private work folder can be made";
    return run;
  }

  // -I: Debian's Python as it is, whatever PYTHONPATH the user's own Python
  // wants.
  std::vector<std::string> args{setup_.python, "-I", setup_.script, CommandOf(action), "--work", work.path(),
                                "--data", dataFile, "--template", templatePath, "--soffice", setup_.office};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0) {
    run.failedStep = mailmerge::kStepBridge;
    run.detail = "no pipe";
    return run;
  }
  if (::pipe2(err, O_CLOEXEC) != 0) {
    ::close(out[0]);
    ::close(out[1]);
    run.failedStep = mailmerge::kStepBridge;
    run.detail = "no pipe";
    return run;
  }
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&files, out[1], 1);
  posix_spawn_file_actions_adddup2(&files, err[1], 2);
  // Its own process group, so that a run out of time is ended whole.
  const ChildAttributes attributes(POSIX_SPAWN_SETPGROUP);
  pid_t pid = -1;
  int spawned = posix_spawn(&pid, setup_.python.c_str(), &files, attributes.get(), argv.data(), environ);
  posix_spawn_file_actions_destroy(&files);
  ::close(out[1]);
  ::close(err[1]);
  if (spawned != 0) {
    ::close(out[0]);
    ::close(err[0]);
    run.failedStep = mailmerge::kStepBridge;
    run.detail = setup_.python + " cannot be run";
    return run;
  }

  ScriptProgress progress;
  std::string pendingOut, errors;
  const auto deadline = std::chrono::steady_clock::now() + setup_.timeout;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  int open = 2;
  // The cancel flag is looked at a few times a second.
  constexpr long long kCancelCheckMilliseconds = 100;
  while (open > 0 && !run.timedOut && !run.cancelled) {
    if (setup_.cancel && setup_.cancel->load()) {
      run.cancelled = true;
      break;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      run.timedOut = true;
      break;
    }
    int ready = ::poll(fds, 2, int(std::min<long long>(left.count(), kCancelCheckMilliseconds)));
    if (ready < 0 && errno != EINTR) break;
    for (pollfd& p : fds) {
      if (p.fd < 0 || !(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buffer[4096];
      ssize_t got = ::read(p.fd, buffer, sizeof buffer);
      if (got > 0) {
        if (p.fd == out[0]) {
          pendingOut.append(buffer, size_t(got));
          progress.Read(pendingOut, setup_.progress);
        } else if (errors.size() < 16384) {
          errors.append(buffer, size_t(got));
        }
      } else if (got == 0 || errno != EINTR) {
        ::close(p.fd);
        p.fd = -1;
        --open;
      }
    }
  }
  for (pollfd& p : fds) {
    if (p.fd >= 0) ::close(p.fd);
  }

  if (run.timedOut || run.cancelled) {
    EndGroup(pid);
    EndGroup(progress.officeGroup);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  bool finished = !run.timedOut && !run.cancelled && WIFEXITED(status);
  int code = finished ? WEXITSTATUS(status) : -1;
  // The script ends its office on every way out it knows; one that died
  // otherwise leaves that to us.
  if (code != 0) EndGroup(progress.officeGroup);

  while (!errors.empty() && (errors.back() == '\n' || errors.back() == '\r')) errors.pop_back();
  run.detail = errors;
  if (run.cancelled) {
    run.failedStep = progress.step > 0 ? progress.step : mailmerge::kStepBridge;
    run.detail = "cancelled at step " + std::to_string(run.failedStep);
  } else if (run.timedOut) {
    run.failedStep = progress.step > 0 ? progress.step : mailmerge::kStepBridge;
    run.detail = "no end within " + std::to_string(setup_.timeout.count()) + " seconds at step " +
                 std::to_string(run.failedStep);
  } else if (code == 0) {
    run.failedStep = 0;
    PlaceResults(run, action, work.path(), dataFile, action == WriterAction::Merge ? output : templatePath);
  } else if (code >= mailmerge::kStepBridge && code <= mailmerge::kStepMerge) {
    run.failedStep = code;
  } else {
    // Wrong arguments, or a script that died: the step it had reached.
    run.failedStep = progress.step > 0 ? progress.step : mailmerge::kStepBridge;
    if (code == kExitWrongArguments && run.detail.empty()) run.detail = "wrong arguments";
  }
  return run;
}

}  // namespace velmora
