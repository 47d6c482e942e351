// velmora ends cleanly when its reader goes away (SIGPIPE) or it is told to
// stop (SIGINT, SIGTERM, SIGHUP): the connection closes, the open count goes
// back, and `check` finds a clean file.
#include <signal.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "ToolFixture.h"
#include "addressbook/mailmerge/MailMergeSettings.h"
#include "tests/mailmerge/SilentServer.h"

namespace velmora::testing {
namespace {

using nlohmann::json;

// The tool running with pipes on its standard input and output.
class RunningTool {
 public:
  RunningTool(const std::string& scratch, std::vector<std::string> args) : errPath_(scratch + "/.tool-stderr") {
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    for (int fd : {in[0], in[1], out[0], out[1]}) posix_spawn_file_actions_addclose(&actions, fd);
    args.insert(args.begin(), VELMORA_TOOL);
    std::vector<char*> argv;
    for (std::string& word : args) argv.push_back(word.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, VELMORA_TOOL, &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    input_ = in[1];
    output_ = out[0];
  }
  ~RunningTool() {
    CloseInput();
    CloseOutput();
    if (pid_ > 0 && !waited_) {
      ::kill(pid_, SIGKILL);
      Wait();
    }
  }

  bool started() const { return pid_ > 0; }
  void Write(const std::string& text) { ASSERT_EQ(::write(input_, text.data(), text.size()), ssize_t(text.size())); }
  // Reads up to and including the first line end.
  std::string ReadLine() {
    std::string line;
    char c = 0;
    while (::read(output_, &c, 1) == 1) {
      line += c;
      if (c == '\n') break;
    }
    return line;
  }
  void CloseInput() {
    if (input_ >= 0) ::close(input_);
    input_ = -1;
  }
  void CloseOutput() {
    if (output_ >= 0) ::close(output_);
    output_ = -1;
  }
  void Signal(int signal) { ::kill(pid_, signal); }
  // The wait status.
  int Wait() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    waited_ = true;
    return status;
  }
  std::string Err() const { return ReadWholeFile(errPath_); }

 private:
  std::string errPath_;
  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  bool waited_ = false;
};

class ToolSignalsTest : public ToolTest {
 protected:
  int OpenCount() { return Info(book)["open_count"].get<int>(); }
  // Waits until the tool has the file open; a bounded wait, not a timing.
  bool WaitUntilOpen() {
    for (int i = 0; i < 1000; ++i) {
      if (OpenCount() == 1) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  void ExpectCleanClose() {
    EXPECT_EQ(OpenCount(), 0);
    ToolRun check = Run({"check", book});
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    EXPECT_EQ(check.out, "ok\n");
  }
};

TEST_F(ToolSignalsTest, AListWhoseReaderGoesAwayEndsCleanly) {
  Ok({"create", book});
  std::string lines;
  for (int i = 0; i < 400; ++i) lines += "{\"Notes\": \"" + std::string(900, 'n') + "\"}\n";
  ASSERT_EQ(Ok({"add", book}, lines).out, "400\n");  // far more than a pipe holds

  RunningTool list(dir.path(), {"list", book});
  ASSERT_TRUE(list.started());
  list.CloseInput();
  EXPECT_EQ(json::parse(list.ReadLine())["Notes"].get<std::string>().size(), 900u);
  list.CloseOutput();  // as `| head -1` does
  const int status = list.Wait();
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(list.Err(), "");
  ExpectCleanClose();
}

TEST_F(ToolSignalsTest, AnAddToldToStopAddsNothingAndClosesTheFile) {
  Ok({"create", book});
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(strsignal(signal));
    RunningTool add(dir.path(), {"add", book});
    ASSERT_TRUE(add.started());
    add.Write("{\"First_Name\": \"first\"}\n{\"First_Name\": \"second\"}\n");  // and then nothing more yet
    ASSERT_TRUE(WaitUntilOpen());
    add.Signal(signal);
    const int status = add.Wait();
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), signal);
    EXPECT_EQ(add.Err(), "Interrupted; nothing was added.\n");
    EXPECT_EQ(Info(book)["slot_count"], 0);
    ExpectCleanClose();
  }
}

// Told to stop while a message waits on a mail server that never answers,
// the mail merge gives that message up at once and ends, rather than
// waiting for the transfer's time-outs.
TEST_F(ToolSignalsTest, AMailMergeToldToStopLeavesASilentServerAtOnce) {
  SilentServer server;
  ASSERT_TRUE(server.ready());
  Ok({"create", book});
  Ok({"add", book}, "{\"First_Name\":\"Anna\",\"Last_Name\":\"Berg\",\"Work_Email\":\"anna@example.org\"}\n"
                    "{\"First_Name\":\"Mona\",\"Last_Name\":\"Lie\",\"Work_Email\":\"mona@example.org\"}\n");
  MailMergeSettings settings;
  settings.recipients = RecipientChoice::AllRecords;
  settings.destination = MergeDestination::Email;
  settings.myName = "Mia Ek";
  settings.myCompany = "Ek AB";
  settings.myEmail = "mia@ek.example";
  settings.myPhone = "555";
  settings.myAddress = "Gata 1";
  settings.subject = "Welcome";
  settings.smtpServer = server.server();
  const std::string settingsPath = dir.File("merge.inf");
  ASSERT_TRUE(WriteMailMergeSettings(settingsPath, settings).ok());
  const std::string message = dir.File("message.txt");
  ASSERT_TRUE(WriteWholeFile(message, "Hello"));

  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(signal);
    RunningTool tool(dir.path(), {"mailmerge", book, "--settings", settingsPath, "--message", message});
    ASSERT_TRUE(tool.started());
    ASSERT_TRUE(WaitUntilOpen());
    // The first message is on its way to the silent server by now.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const auto signalled = std::chrono::steady_clock::now();
    tool.Signal(signal);
    std::string first = tool.ReadLine();
    const int status = tool.Wait();
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(5));
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
    EXPECT_EQ(first, "1 : Internet mail : Send to : Anna Berg : False\n");
    EXPECT_NE(tool.Err().find("Interrupted after 1 message."), std::string::npos) << tool.Err();
    ExpectCleanClose();
  }
}

}  // namespace
}  // namespace velmora::testing
