#include "addressbook/mailmerge/InternetMail.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "addressbook/mailmerge/MergeFields.h"
#include "tests/mailmerge/SmtpSink.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using testing::kPython;
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

}  // namespace
}  // namespace velmora
