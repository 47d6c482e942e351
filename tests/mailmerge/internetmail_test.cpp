#include "addressbook/mailmerge/InternetMail.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "addressbook/mailmerge/MergeFields.h"
#include "tests/support/Sandbox.h"

extern char** environ;

namespace velmora {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

constexpr const char* kPython = "/usr/bin/python3";

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The SMTP sink of smtp_sink.py on loopback, for the life of the object:
// it refuses recipients starting with "refuse" and keeps each message as
// <folder>/<n>.eml.
class SmtpSink {
 public:
  explicit SmtpSink(const std::string& folder) : folder_(folder) {
    fs::create_directories(folder_);
    int fds[2];
    if (pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    std::string script = std::string(VELMORA_TEST_DATA) + "/../mailmerge/smtp_sink.py";
    const char* argv[] = {kPython, script.c_str(), folder_.c_str(), nullptr};
    if (posix_spawn(&pid_, kPython, &actions, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    stdin_ = fds[1];
    // The server writes its port once it listens; it starts within seconds.
    for (int i = 0; i < 600 && pid_ > 0 && !fs::exists(folder_ + "/port"); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    port_ = ReadAll(folder_ + "/port");
  }
  ~SmtpSink() {
    if (stdin_ >= 0) close(stdin_);
    if (pid_ > 0) {
      int status = 0;
      for (int i = 0; i < 100 && waitpid(pid_, &status, WNOHANG) == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      if (waitpid(pid_, &status, WNOHANG) == 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
      }
    }
  }
  bool ready() const { return !port_.empty(); }
  std::string server() const { return "127.0.0.1:" + port_; }
  std::string Message(int n) const { return ReadAll(folder_ + "/" + std::to_string(n) + ".eml"); }
  size_t MessageCount() const {
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(folder_)) n += e.path().extension() == ".eml";
    return n;
  }

 private:
  std::string folder_;
  pid_t pid_ = -1;
  int stdin_ = -1;
  std::string port_;
};

class InternetMailTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kPython)) GTEST_SKIP() << "no " << kPython;
    sink_ = std::make_unique<SmtpSink>(dir_.File("sink"));
    ASSERT_TRUE(sink_->ready()) << "the SMTP sink did not start (python3-aiosmtpd missing?)";
  }
  TempDir dir_;
  std::unique_ptr<SmtpSink> sink_;
};

TEST_F(InternetMailTest, ThreeRecipientsWithTheSecondRefused) {
  Contact people[3];
  const char* addresses[] = {"anna@example.org", "refuse@example.org", "mona@example.org"};
  const char* names[] = {"Anna", "Petter", "Mona"};
  InternetMail mail;
  MergeContext context;
  context.sender.name = "Karl Nilsen";
  std::vector<int> results;
  std::vector<std::string> statusLines;
  for (int i = 0; i < 3; ++i) {
    people[i].SetText(contact::kFirstName, names[i]);
    std::string body = MergeText("Dear <<First_Name>>,\nwelcome.\n.\n<<MY_First_Name>>", people[i], context);
    results.push_back(mail.RESendMailPlus(sink_->server(), "karl@nordlys.example", addresses[i], "", "Welcome",
                                          body, "", [&](const std::string& s) { statusLines.push_back(s); }, 0,
                                          0));
  }
  EXPECT_EQ(results[0], kMailSent);
  EXPECT_NE(results[1], kMailSent);
  EXPECT_EQ(results[2], kMailSent);
  EXPECT_FALSE(statusLines.empty());
  ASSERT_EQ(sink_->MessageCount(), 2u);
  std::string first = sink_->Message(1);
  EXPECT_NE(first.find("X-Envelope-To: anna@example.org"), std::string::npos);
  EXPECT_NE(first.find("Subject: Welcome\r\n"), std::string::npos);
  EXPECT_NE(first.find("Dear Anna,\r\nwelcome.\r\n.\r\nKarl"), std::string::npos);
  EXPECT_NE(sink_->Message(2).find("Dear Mona,"), std::string::npos);
  EXPECT_EQ(mail.pop3Logins(), 0);  // authentication off: no POP3 login
}

TEST_F(InternetMailTest, LineBreaksNeverReachTheHeaders) {
  InternetMail mail;
  EXPECT_EQ(mail.RESendMailPlus(sink_->server(), "karl@nordlys.example", "a@example.org\r\nBcc: x@example.org", "",
                                "Hi", "Body", "", nullptr, 0, 0),
            kMailBadAddress);
  EXPECT_EQ(mail.RESendMailPlus(sink_->server(), "karl@n.example\nX: y", "a@example.org", "", "Hi", "Body", "",
                                nullptr, 0, 0),
            kMailBadAddress);
  EXPECT_EQ(sink_->MessageCount(), 0u);
  ASSERT_EQ(mail.RESendMailPlus(sink_->server(), "karl@nordlys.example", "a@example.org", "",
                                "Hello\r\nBcc: x@example.org\n\nthere", "Body", "", nullptr, 0, 0),
            kMailSent);
  std::string message = sink_->Message(1);
  EXPECT_NE(message.find("Subject: Hello Bcc: x@example.org there\r\n"), std::string::npos);
  EXPECT_EQ(message.find("\r\nBcc:"), std::string::npos);
}

TEST_F(InternetMailTest, AttachmentsAsMimeOrUuencoded) {
  std::string one = dir_.File("one.txt");
  std::string two = dir_.File("two.bin");
  std::ofstream(one) << "first attachment";
  std::ofstream(two, std::ios::binary) << std::string("\x00\x01\x02\xFF", 4);
  std::string list = one + "|" + two + "|";
  InternetMail mail;
  ASSERT_EQ(mail.RESendMailPlus(sink_->server(), "k@n.example", "a@example.org", "", "Files", "See the files.", list,
                                nullptr, 0, 0),
            kMailSent);
  std::string mime = sink_->Message(1);
  EXPECT_NE(mime.find("multipart/mixed"), std::string::npos);
  EXPECT_NE(mime.find("filename=\"one.txt\""), std::string::npos);
  EXPECT_NE(mime.find("Zmlyc3QgYXR0YWNobWVudA=="), std::string::npos);  // "first attachment"
  EXPECT_NE(mime.find("filename=\"two.bin\""), std::string::npos);
  EXPECT_NE(mime.find("AAEC/w=="), std::string::npos);

  ASSERT_EQ(mail.RESendMailPlus(sink_->server(), "k@n.example", "a@example.org", "", "Files", "See the files.", list,
                                nullptr, 0, 1),
            kMailSent);
  std::string uu = sink_->Message(2);
  EXPECT_NE(uu.find("See the files.\r\n\r\n" + Uuencode("one.txt", "first attachment")), std::string::npos);
  EXPECT_NE(uu.find("begin 644 two.bin\r\n$``$\"_P``\r\n`\r\nend\r\n"), std::string::npos);

  EXPECT_EQ(mail.RESendMailPlus(sink_->server(), "k@n.example", "a@example.org", "", "Files", "x",
                                dir_.File("missing") + "|", nullptr, 0, 0),
            kMailBadAttachment);
}

TEST_F(InternetMailTest, ArmedLoginFailsWithoutAPop3Server) {
  InternetMail mail;
  mail.SecuredSMTP("127.0.0.1:1", "karl", "secret");
  EXPECT_TRUE(mail.LoginArmed());
  EXPECT_EQ(mail.RESendMailPlus(sink_->server(), "k@n.example", "a@example.org", "", "Hi", "x", "", nullptr, 0, 0),
            kMailPop3Failed);
  EXPECT_EQ(mail.pop3Logins(), 1);
  EXPECT_EQ(sink_->MessageCount(), 0u);
  mail.SecuredSMTP("", "", "");
  EXPECT_FALSE(mail.LoginArmed());
  EXPECT_EQ(mail.RESendMailPlus(sink_->server(), "k@n.example", "a@example.org", "", "Hi", "x", "", nullptr, 0, 0),
            kMailSent);
  EXPECT_EQ(mail.pop3Logins(), 1);
}

TEST(InternetMailText, AttachmentListAndSubject) {
  EXPECT_EQ(SplitAttachmentList("/a/one|/b/two|"), (std::vector<std::string>{"/a/one", "/b/two"}));
  EXPECT_EQ(SplitAttachmentList(""), std::vector<std::string>{});
  EXPECT_EQ(SplitAttachmentList("/a/one||/c"), (std::vector<std::string>{"/a/one", "/c"}));
  EXPECT_EQ(OneLineSubject("a\r\nb\nc\rd"), "a b c d");
  EXPECT_TRUE(UsableMailAddress("a@b"));
  EXPECT_FALSE(UsableMailAddress(""));
  EXPECT_FALSE(UsableMailAddress("a@b\n"));
  // The classic example: "Cat" encodes as "#0V%T".
  EXPECT_EQ(Uuencode("c.txt", "Cat"), "begin 644 c.txt\r\n#0V%T\r\n`\r\nend\r\n");
}

}  // namespace
}  // namespace velmora
