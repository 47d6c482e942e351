#include "addressbook/mailmerge/InternetMail.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "addressbook/mailmerge/AttachmentFile.h"
#include "addressbook/mailmerge/MergeFields.h"
#include "tests/mailmerge/SilentServer.h"
#include "tests/mailmerge/SmtpSink.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using testing::kPython;
using testing::SilentServer;
using testing::SmtpSink;
using testing::TempDir;

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
  auto said = [&](const std::string& line) {
    return std::find(statusLines.begin(), statusLines.end(), line) != statusLines.end();
  };
  EXPECT_TRUE(said("Sending to anna@example.org"));
  EXPECT_TRUE(said("Sent to anna@example.org"));
  EXPECT_FALSE(said("Sent to refuse@example.org"));
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

TEST_F(InternetMailTest, Pop3LoginBeforeSendingWhenArmed) {
  SmtpSink pop3(dir_.File("pop3"), "pop3_stub.py");
  ASSERT_TRUE(pop3.ready());
  InternetMail mail;
  mail.SecuredSMTP(pop3.server(), "karl", "pw");
  EXPECT_EQ(mail.RESendMailPlus(sink_->server(), "k@n.example", "a@example.org", "", "Hi", "x", "", nullptr, 0, 0),
            kMailSent);
  std::string commands = pop3.File("commands");
  EXPECT_NE(commands.find("USER karl\nPASS pw\n"), std::string::npos) << commands;
  EXPECT_EQ(sink_->MessageCount(), 1u);

  mail.SecuredSMTP(pop3.server(), "karl", "wrong");
  EXPECT_EQ(mail.RESendMailPlus(sink_->server(), "k@n.example", "a@example.org", "", "Hi", "x", "", nullptr, 0, 0),
            kMailPop3Failed);
  EXPECT_EQ(sink_->MessageCount(), 1u);
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

// Opens the FIFO for writing and closes it again once the wait is over,
// so that a reader blocked on it would get to its end; with nobody reading
// it the open fails at once and nothing happens.
class FifoUnblocker {
 public:
  FifoUnblocker(std::string path, std::chrono::milliseconds after)
      : thread_([this, path = std::move(path), after] {
          auto until = std::chrono::steady_clock::now() + after;
          while (!done_ && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
          }
          int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
          if (fd >= 0) ::close(fd);
        }) {}
  ~FifoUnblocker() {
    done_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> done_{false};
  std::thread thread_;
};

// Only regular files within the limit are attached: a FIFO, a folder, a
// device and a file beyond 25 MB each give kMailBadAttachment with the
// reason, before any connection is made.
TEST(InternetMailAttachments, OnlyRegularFilesWithinTheLimitAreRead) {
  TempDir dir;
  const std::string fifo = dir.File("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string big = dir.File("big.bin");
  {
    std::ofstream out(big, std::ios::binary);
    out.seekp(std::streamoff(mailmerge::kMaxAttachmentBytes));
    out.put('x');
  }
  fs::create_directories(dir.File("folder"));
  struct Case {
    std::string path;
    std::string reason;
  };
  const std::vector<Case> cases = {
      {fifo, "The attachment is not a regular file \"" + fifo + "\""},
      {dir.File("folder"), "The attachment is not a regular file \"" + dir.File("folder") + "\""},
      {big, "The attachment is larger than 25 MB \"" + big + "\""},
      {"/dev/zero", "The attachment is not a regular file \"/dev/zero\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    // Were the FIFO opened to be read whole, it would be let go after a
    // while and sent as an empty file.
    FifoUnblocker unblocker(fifo, std::chrono::seconds(5));
    InternetMail mail;
    std::vector<std::string> status;
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(mail.RESendMailPlus("127.0.0.1:1", "k@n.example", "a@example.org", "", "Hi", "x", c.path + "|",
                                  [&](const std::string& line) { status.push_back(line); }, 0, 0),
              kMailBadAttachment);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4)) << "it did not wait on the file";
    EXPECT_EQ(status, std::vector<std::string>{c.reason});
  }
}

// A message to a server that never answers is given up within about a
// second of the stop check saying so, not after the transfer's time-outs.
TEST(InternetMailStop, ASilentServerIsLeftWhenTheStopCheckSaysSo) {
  SilentServer server;
  ASSERT_TRUE(server.ready());
  InternetMail mail;
  const auto started = std::chrono::steady_clock::now();
  const auto stopAt = started + std::chrono::milliseconds(500);
  mail.SetStopCheck([stopAt] { return std::chrono::steady_clock::now() >= stopAt; });
  std::vector<std::string> status;
  EXPECT_EQ(mail.RESendMailPlus(server.server(), "k@n.example", "a@example.org", "", "Hi", "x", "",
                                [&](const std::string& line) { status.push_back(line); }, 0, 0),
            kMailStopped);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  ASSERT_FALSE(status.empty());
  EXPECT_EQ(status.back(), "Not sent: stopped");

  // Asked before anything is sent, the message is not begun.
  mail.SetStopCheck([] { return true; });
  EXPECT_EQ(mail.RESendMailPlus(server.server(), "k@n.example", "a@example.org", "", "Hi", "x", "", nullptr, 0, 0),
            kMailStopped);
}

}  // namespace
}  // namespace velmora
