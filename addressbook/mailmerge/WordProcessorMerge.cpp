#include "addressbook/mailmerge/WordProcessorMerge.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "addressbook/mailmerge/ChildProcess.h"

extern char** environ;

namespace velmora {

namespace {

namespace fs = std::filesystem;
using namespace mailmerge;

// How long an opener may take to report a failure; one still running then
// is taken to have found its program.
constexpr auto kOpenerAnswer = std::chrono::seconds(3);

bool Exists(const fs::path& path) {
  std::error_code ignored;
  return fs::exists(fs::symlink_status(path, ignored));
}

// How long xdg-mime may take to answer.
constexpr auto kMimeAnswer = std::chrono::seconds(5);

// Starts program with the document in a session of its own and waits a few
// seconds for it to report a failure.
OpenOutcome StartOpener(const std::string& program, const std::string& path) {
  std::vector<std::string> args{program, path};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
  const ChildAttributes attributes(POSIX_SPAWN_SETSID);
  pid_t pid = -1;
  int spawned = posix_spawn(&pid, program.c_str(), &files, attributes.get(), argv.data(), environ);
  posix_spawn_file_actions_destroy(&files);
  if (spawned != 0) return OpenOutcome::NoOpener;

  const auto deadline = std::chrono::steady_clock::now() + kOpenerAnswer;
  int status = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? OpenOutcome::Opened : OpenOutcome::Failed;
    if (done < 0 && errno != EINTR) return OpenOutcome::Failed;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  // Some desktops keep xdg-open until the document is closed again: it is
  // waited for in the background, so that it leaves no zombie.
  std::thread([pid] {
    int ignored = 0;
    while (::waitpid(pid, &ignored, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return OpenOutcome::Opened;
}

}  // namespace

std::string DesktopProgramFor(const std::string& mimeType) {
  const std::string program = FindProgramOnPath(kXdgMime);
  if (program.empty()) return {};
  std::vector<std::string> args{program, "query", "default", mimeType};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return {};
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&files, out[1], 1);
  posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
  // A process group of its own, so that one that hangs is ended whole.
  const ChildAttributes attributes(POSIX_SPAWN_SETPGROUP);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, program.c_str(), &files, attributes.get(), argv.data(), environ);
  posix_spawn_file_actions_destroy(&files);
  ::close(out[1]);
  if (spawned != 0) {
    ::close(out[0]);
    return {};
  }
  std::string answer;
  const auto deadline = std::chrono::steady_clock::now() + kMimeAnswer;
  bool ended = false;
  while (!ended) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd fd{out[0], POLLIN, 0};
    const int ready = ::poll(&fd, 1, int(left.count()));
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) continue;
    char buffer[512];
    const ssize_t got = ::read(out[0], buffer, sizeof buffer);
    if (got > 0 && answer.size() < 4096) answer.append(buffer, size_t(got));
    if (got == 0 || (got < 0 && errno != EINTR)) ended = true;
  }
  ::close(out[0]);
  if (!ended) ::kill(-pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!ended || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  while (!answer.empty() && std::isspace(static_cast<unsigned char>(answer.back()))) answer.pop_back();
  while (!answer.empty() && std::isspace(static_cast<unsigned char>(answer.front()))) answer.erase(0, 1);
  return answer;
}

OpenOutcome OpenMergedDocument(const std::string& path) {
  const std::string xdgOpen = FindProgramOnPath(kXdgOpen);
  if (!xdgOpen.empty() && !DesktopProgramFor(kOpenDocumentTextType).empty()) return StartOpener(xdgOpen, path);
  // No program of the desktop takes OpenDocument texts (xdg-open would give
  // up, or hand the file to a web browser): LibreOffice itself opens it.
  for (const char* starter : kOfficeStarters) {
    const std::string office = FindProgramOnPath(starter);
    if (!office.empty()) return StartOpener(office, path);
  }
  return OpenOutcome::NoOpener;
}

std::string MergedDocumentPath(const std::string& templatePath) {
  fs::path folder = fs::path(templatePath).parent_path();
  std::string stem = fs::path(templatePath).stem().string();
  for (int n = 1;; ++n) {
    std::string name = stem + " merged" + (n == 1 ? std::string() : " " + std::to_string(n)) + ".odt";
    if ((!Exists(folder / name) && !Exists(folder / (".~lock." + name + "#"))) || n == 100000) {
      return (folder / name).string();
    }
  }
}

WordProcessorMerge::WordProcessorMerge(LibreOfficeWriter& writer, MergeMessageBox show, DocumentOpener open,
                                       WordPerfectFormat* format)
    : writer_(writer), show_(std::move(show)), open_(std::move(open)), format_(format) {}

Result WordProcessorMerge::Fail(const char* caption, const std::string& text, const std::string& detail,
                                const std::string& shownAfter) {
  lastDetail_ = detail;
  if (show_) show_(caption, text + shownAfter);
  return Result::Fail(text);
}

Result WordProcessorMerge::CreateLetterTemplate(WordProcessor processor, const std::string& dataFile,
                                                const std::string& templatePath) {
  if (processor == WordProcessor::WordPerfect) return WordPerfect(Action::Create, dataFile);
  return Writer(Action::Create, dataFile, templatePath, {});
}

Result WordProcessorMerge::EditLetterTemplate(WordProcessor processor, const std::string& templatePath,
                                              const std::string& dataFile) {
  if (processor == WordProcessor::WordPerfect) return WordPerfect(Action::Edit, dataFile);
  return Writer(Action::Edit, dataFile, templatePath, {});
}

ResultOf<std::string> WordProcessorMerge::RunLetterMerge(WordProcessor processor, const std::string& dataFile,
                                                         const std::string& templatePath) {
  if (processor == WordProcessor::WordPerfect) return WordPerfect(Action::Merge, dataFile);
  std::string output = MergedDocumentPath(templatePath);
  Result r = Writer(Action::Merge, dataFile, templatePath, output);
  if (!r) return r;
  return output;
}

Result WordProcessorMerge::Writer(Action action, const std::string& dataFile, const std::string& templatePath,
                                  const std::string& output) {
  lastDetail_.clear();
  lastCancelled_ = false;
  WriterAction writerAction = action == Action::Create ? WriterAction::CreateTemplate
                              : action == Action::Edit ? WriterAction::EditTemplate
                                                       : WriterAction::Merge;
  WriterRun run = writer_.Run(writerAction, dataFile, templatePath, output);
  if (run.cancelled) {
    // The user stopped it: no message box, nothing was put in place.
    lastCancelled_ = true;
    lastDetail_ = run.detail;
    return Result::Fail(kWriterCancelled);
  }
  switch (run.failedStep) {
    case 0:
      break;
    case kStepBridge:
      return Fail(kWordPerfectCaption, "Could not initialize the COM libraries", run.detail);
    case kStepOfficeProgram:
      return Fail(kWordCaption,
                  action == Action::Merge
                      ? "Could not start LibreOffice Writer.\r\n" + writer_.setup().office + " is missing"
                      : "LibreOffice Writer is not installed or corrupted",
                  run.detail);
    case kStepOfficeStart:
      return Fail(kWordCaption, "Could not start LibreOffice Writer", run.detail);
    case kStepDesktop:
      return Fail(kWordCaption, "Documents collection could not be invoked", run.detail);
    case kStepDocument:
      return Fail(kWordCaption,
                  action == Action::Create ? "Could not invoke the Add method on the Documents collection object"
                                           : "Could not open existing Word Template",
                  run.detail);
    case kStepMergeSettings:
      return Fail(kWordCaption, "Could not invoke the MailMerge method on the Document object", run.detail);
    case kStepDataSource:
      return Fail(kWordCaption, "Could not invoke the OpenDataSorce method on the Merge object", run.detail);
    default:
      return Fail(kWordCaption, "Could not perform Merge", run.detail);
  }

  // The document is left open for the user, as the word processor would
  // leave it.
  const std::string& written = action == Action::Merge ? output : templatePath;
  OpenOutcome opened = open_ ? open_(written) : OpenOutcome::NoOpener;
  if (opened == OpenOutcome::Opened) return Result::Ok();
  // The action is done: the document is written. Only opening it for the
  // user did not work, so the user is told where it is, not that the word
  // processor failed.
  lastDetail_ = opened == OpenOutcome::NoOpener ? "no program on this desktop opens OpenDocument texts"
                                                : "the program for OpenDocument texts could not open " + written;
  if (show_) {
    show_(kNoticeCaption, std::string(action == Action::Merge ? "The merged document was written to"
                                                              : "The letter template was written to") +
                              "\r\n\"" + written +
                              "\"\r\nbut no program on this desktop could open it. Open it with LibreOffice "
                              "Writer.");
  }
  return Result::Ok();
}

Result WordProcessorMerge::WordPerfect(Action action, const std::string& dataFile) {
  lastDetail_.clear();
  Result converted = ConvertForWordPerfect(format_, dataFile);
  if (!converted) {
    const char* made = "Could not make WordPerfect Data file";
    if (show_ && converted.what() != made) show_(kErrorCaption, converted.what());
    return Fail(kErrorCaption, made, converted.Message());
  }
  // Nothing on this desktop answers to "WordPerfect.PerfectScript".
  return Fail(kWordPerfectCaption,
              action == Action::Merge
                  ? "Could not start WordPerfect.\r\nCLSIDFromProgID(WordPerfect.PerfectScript)=false"
                  : "WordPerfect is not installed or corrupted",
              "WordPerfect does not run on this desktop");
}

}  // namespace velmora
