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
#include <regex>
#include <sstream>
#include <thread>

#include "addressbook/mailmerge/AttachmentFile.h"
#include "addressbook/mailmerge/MailMergeJob.h"
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

// A sink of its own, started with the given options (see smtp_sink.py).
std::unique_ptr<SmtpSink> SinkWith(const TempDir& dir, const std::string& name, const std::string& options) {
  fs::create_directories(dir.File(name));
  std::ofstream(dir.File(name + "/options")) << options;
  return std::make_unique<SmtpSink>(dir.File(name));
}

std::string PortOf(const std::string& server) { return server.substr(server.rfind(':') + 1); }

// The value of a "key=value" line of a message summary the sink wrote.
std::string SummaryValue(const SmtpSink& sink, int n, const std::string& key) {
  std::istringstream lines(sink.File(std::to_string(n) + ".summary"));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
  }
  return "<no " + key + ">";
}

// The header lines of a received message, without the sink's own
// envelope lines (X-Envelope-To, X-Mail-Options, X-Rcpt-Options).
std::vector<std::string> HeaderLines(const std::string& eml) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < eml.size()) {
    size_t end = eml.find("\r\n", at);
    if (end == std::string::npos || end == at) break;
    std::string line = eml.substr(at, end - at);
    if (line.rfind("X-Envelope-To:", 0) != 0 && line.rfind("X-Mail-Options:", 0) != 0 &&
        line.rfind("X-Rcpt-Options:", 0) != 0) {
      lines.push_back(line);
    }
    at = end + 2;
  }
  return lines;
}

// Every header line of the message (and of each MIME part) within 78
// characters, every encoded word within 75.
void ExpectShortHeaderLines(const std::string& eml) {
  std::vector<std::string> lines;
  // The message's head, then each part's head after a boundary line.
  for (size_t start = 0; start != std::string::npos;) {
    for (const std::string& line : HeaderLines(eml.substr(start))) lines.push_back(line);
    size_t boundary = eml.find("\r\n--=_velmora_", start + 1);
    start = boundary == std::string::npos ? boundary : eml.find("\r\n", boundary + 2) + 2;
  }
  ASSERT_FALSE(lines.empty());
  std::regex word("=\\?[^?]+\\?[BQbq]\\?[^?]*\\?=");
  for (const std::string& line : lines) {
    EXPECT_LE(line.size(), 78u) << line;
    for (auto it = std::sregex_iterator(line.begin(), line.end(), word); it != std::sregex_iterator(); ++it) {
      EXPECT_LE(it->length(), 75) << it->str();
    }
  }
}

TEST(MailboxCheck, OneMailboxOrAReason) {
  const char* mailboxes[] = {
      "anna@example.org", "a@b", "first.last+tag@sub.example.co", "o'brien@example.ie", "\"john doe\"@example.org",
      "\"a@b\"@example.org", "jørgen@bücher.example", "x@[192.0.2.1]", "x@[IPv6:2001:db8::1]", "user-1_x@xn--bcher-kva.example",
  };
  for (const char* address : mailboxes) {
    EXPECT_EQ(MailboxProblem(address), std::nullopt) << address;
    EXPECT_TRUE(UsableMailAddress(address)) << address;
  }
  struct Bad {
    std::string address;
    std::string reason;  // a part of the reason
  } bad[] = {
      {"", "empty"},
      {"a@b.c>,<extra@x.example", "before the at sign may hold only"},
      {"a@b.c> NOTIFY=SUCCESS,FAILURE", "not a host name"},
      {"a@b.c> ORCPT=rfc822;x@y", "before the at sign may hold only"},
      {"Anna <a@b.c>", "before the at sign may hold only"},
      {"a@b.c,b@c.d", "before the at sign may hold only"},
      {"no-at-sign.example", "no at sign"},
      {"@example.org", "nothing comes before"},
      {"anna@", "nothing comes after"},
      {"a..b@example.org", "before the at sign may hold only"},
      {".a@example.org", "before the at sign may hold only"},
      {"a.@example.org", "before the at sign may hold only"},
      {"a b@example.org", "before the at sign may hold only"},
      {"a@-example.org", "not a host name"},
      {"a@example..org", "not a host name"},
      {"a@example.org.", "not a host name"},
      {"a@exa_mple.org", "not a host name"},
      {"a@b.example\r\nBcc: x@y.example", "control character"},
      {"a@b.example\n", "control character"},
      {std::string(65, 'a') + "@example.org", "longer than 64"},
      {"a@" + std::string(63, 'b') + "." + std::string(63, 'c') + "." + std::string(63, 'd') + "." +
           std::string(63, 'e'), "longer than 254"},
      {"a@" + std::string(64, 'b') + ".example", "not a host name"},
      {"a@[300.1.1.1]", "not an IP address"},
      {"\"unterminated@example.org", "before the at sign may hold only"},
      {"a\xff@example.org", "not UTF-8"},
  };
  for (const Bad& b : bad) {
    std::optional<std::string> problem = MailboxProblem(b.address);
    ASSERT_TRUE(problem.has_value()) << b.address;
    EXPECT_NE(problem->find(b.reason), std::string::npos) << b.address << ": " << *problem;
    EXPECT_FALSE(UsableMailAddress(b.address)) << b.address;
  }
  EXPECT_EQ(AsciiDomainAddress("anna@bücher.example"), "anna@xn--bcher-kva.example");
  EXPECT_EQ(AsciiDomainAddress("jørgen@example.org"), "jørgen@example.org");
}

TEST_F(InternetMailTest, AnAddressThatIsNotOneMailboxSendsNothing) {
  struct Case {
    const char* from;
    const char* to;
  } cases[] = {
      {"karl@nordlys.example", "a@example.org>,<extra@example.org"},
      {"karl@nordlys.example", "a@example.org> NOTIFY=SUCCESS,FAILURE"},
      {"karl@nordlys.example", "Anna <a@example.org>"},
      {"karl@nordlys.example> BODY=8BITMIME", "a@example.org"},
      {"karl@nordlys.example", "no-at-sign"},
  };
  InternetMail mail;
  for (const Case& k : cases) {
    std::vector<std::string> said;
    EXPECT_EQ(mail.RESendMailPlus(sink_->server(), k.from, k.to, "", "Hi", "Body", "",
                                  [&](const std::string& s) { said.push_back(s); }, 0, 0),
              kMailBadAddress)
        << k.to;
    ASSERT_FALSE(said.empty());
    EXPECT_EQ(said.back().rfind("Not an e-mail address (", 0), 0u) << said.back();
  }
  EXPECT_EQ(sink_->MessageCount(), 0u);
}

TEST_F(InternetMailTest, MessageIdDateAndALongSubjectInShortLines) {
  // 46 characters, 52 bytes, five times: 260 bytes of UTF-8.
  std::string subject;
  for (int i = 0; i < 5; ++i) subject += "Møte om årsbudsjettet og planene for neste år ";
  subject.pop_back();
  std::string ascii;
  for (int i = 0; i < 12; ++i) ascii += "Quarterly meeting notes ";
  ascii.pop_back();
  InternetMail mail;
  ASSERT_EQ(mail.RESendMailPlus(sink_->server(), "karl@nordlys.example", "anna@example.org", "", subject, "Hello",
                                "", nullptr, 0, 0),
            kMailSent);
  ASSERT_EQ(mail.RESendMailPlus(sink_->server(), "karl@nordlys.example", "anna@example.org", "", ascii, "Hello", "",
                                nullptr, 0, 0),
            kMailSent);
  for (int n : {1, 2}) {
    SCOPED_TRACE(n);
    ExpectShortHeaderLines(sink_->Message(n));
    EXPECT_TRUE(std::regex_match(SummaryValue(*sink_, n, "Message-ID"),
                                 std::regex("<[0-9a-f]{32}@nordlys\\.example>")))
        << SummaryValue(*sink_, n, "Message-ID");
    EXPECT_TRUE(std::regex_match(SummaryValue(*sink_, n, "Date"), std::regex("20[0-9][0-9]-.*")));
    EXPECT_EQ(SummaryValue(*sink_, n, "Defects"), "0");
  }
  EXPECT_NE(SummaryValue(*sink_, 1, "Message-ID"), SummaryValue(*sink_, 2, "Message-ID"));
  EXPECT_EQ(SummaryValue(*sink_, 1, "Subject"), subject);
  EXPECT_GE(std::stoi(SummaryValue(*sink_, 1, "SubjectWords")), 6);
  EXPECT_EQ(SummaryValue(*sink_, 1, "SubjectWordsWhole"), "yes");  // no word splits a character
  EXPECT_EQ(SummaryValue(*sink_, 2, "Subject"), ascii);
  EXPECT_EQ(SummaryValue(*sink_, 2, "SubjectWords"), "0");  // folded at its spaces
}

TEST(InternetMailText, HeaderFolding) {
  EXPECT_EQ(FoldedHeader("Subject", "Welcome"), "Subject: Welcome");
  EXPECT_EQ(FoldedHeader("Subject", ""), "Subject: ");
  EXPECT_EQ(FoldedHeader("Subject", "Grüße"), "Subject: =?UTF-8?B?R3LDvMOfZQ==?=");
  // Looks like an encoded word: encoded, so that it is read as typed.
  EXPECT_EQ(FoldedHeader("Subject", "=?x?"), "Subject: =?UTF-8?B?PT94Pw==?=");
  // One ASCII word longer than a line cannot be folded at spaces.
  std::string longWord(90, 'x');
  std::string folded = FoldedHeader("Subject", longWord);
  EXPECT_EQ(folded.rfind("Subject: =?UTF-8?B?", 0), 0u);
  EXPECT_NE(folded.find("\r\n =?UTF-8?B?"), std::string::npos);
  // Four-byte characters are never cut between two words.
  std::string emoji;
  for (int i = 0; i < 30; ++i) emoji += "\xF0\x9F\x98\x80";
  std::string words = FoldedHeader("Subject", emoji);
  std::regex word("=\\?UTF-8\\?B\\?([^?]*)\\?=");
  int count = 0;
  for (auto it = std::sregex_iterator(words.begin(), words.end(), word); it != std::sregex_iterator(); ++it) {
    ++count;
    // Whole four-byte characters: each word decodes to a multiple of four bytes.
    std::string b64 = (*it)[1];
    size_t pad = std::count(b64.begin(), b64.end(), '=');
    EXPECT_EQ((b64.size() / 4 * 3 - pad) % 4, 0u) << b64;
    EXPECT_LE(it->length(), 75);
  }
  EXPECT_GE(count, 2);
}

TEST(InternetMailText, AttachmentNames) {
  EXPECT_EQ(AttachmentFileNameParameters("one.txt"), ";\r\n filename=\"one.txt\"");
  EXPECT_EQ(AttachmentFileNameParameters("Års plan.pdf"),
            ";\r\n filename=\"_rs plan.pdf\";\r\n filename*=UTF-8''%C3%85rs%20plan.pdf");
  EXPECT_EQ(AttachmentFileNameParameters("say \"hi\".txt"),
            ";\r\n filename=\"say _hi_.txt\";\r\n filename*=UTF-8''say%20%22hi%22.txt");
  EXPECT_EQ(AsciiFileName("€ 5\n.txt"), "_ 5_.txt");
}

TEST_F(InternetMailTest, InternationalAttachmentNamesAsParameterValues) {
  std::string folder = dir_.File("files");
  fs::create_directories(folder);
  const std::string shortName = "Årsrapport 2026 – endelig.txt";
  std::string longName;
  for (int i = 0; i < 6; ++i) longName += "Østlandet ";
  longName += "møtereferat.txt";
  std::ofstream(folder + "/" + shortName) << "one";
  std::ofstream(folder + "/" + longName) << "second";
  InternetMail mail;
  ASSERT_EQ(mail.RESendMailPlus(sink_->server(), "karl@nordlys.example", "anna@example.org", "", "Files", "See.",
                                folder + "/" + shortName + "|" + folder + "/" + longName + "|", nullptr, 0, 0),
            kMailSent);
  const std::string eml = sink_->Message(1);
  // The message is 7-bit: no raw UTF-8 in any header.
  EXPECT_TRUE(std::all_of(eml.begin(), eml.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
  ExpectShortHeaderLines(eml);
  EXPECT_NE(eml.find("filename*=UTF-8''%C3%85rsrapport%202026%20%E2%80%93%20endelig.txt"), std::string::npos);
  EXPECT_NE(eml.find("filename*0*=UTF-8''"), std::string::npos);
  std::string summary = sink_->File("1.summary");
  EXPECT_NE(summary.find("Attachment=" + shortName + "|_rsrapport 2026 _ endelig.txt|3\n"), std::string::npos)
      << summary;
  EXPECT_NE(summary.find("Attachment=" + longName + "|"), std::string::npos) << summary;
  EXPECT_EQ(SummaryValue(*sink_, 1, "Defects"), "0");
}

TEST_F(InternetMailTest, InternationalAddresses) {
  InternetMail mail;
  std::vector<std::string> said;
  auto status = [&](const std::string& s) { said.push_back(s); };
  // A server without SMTPUTF8: an international domain goes out as
  // A-labels, an international local part is refused with the reason.
  ASSERT_EQ(mail.RESendMailPlus(sink_->server(), "karl@nordlys.example", "anna@bücher.example", "", "Hi", "x", "",
                                status, 0, 0),
            kMailSent);
  std::string eml = sink_->Message(1);
  EXPECT_NE(eml.find("X-Envelope-To: anna@xn--bcher-kva.example\r\n"), std::string::npos);
  EXPECT_NE(eml.find("\r\nTo: <anna@xn--bcher-kva.example>\r\n"), std::string::npos);
  EXPECT_EQ(mail.RESendMailPlus(sink_->server(), "karl@nordlys.example", "jørgen@example.org", "", "Hi", "x", "",
                                status, 0, 0),
            kMailNeedsSmtpUtf8);
  EXPECT_NE(said.back().find("SMTPUTF8"), std::string::npos) << said.back();
  EXPECT_EQ(sink_->MessageCount(), 1u);

  // A server that offers SMTPUTF8 gets it asked for.
  std::unique_ptr<SmtpSink> utf8 = SinkWith(dir_, "utf8", "smtputf8");
  ASSERT_TRUE(utf8->ready());
  ASSERT_EQ(mail.RESendMailPlus(utf8->server(), "karl@nordlys.example", "jørgen@example.org", "", "Hi", "x", "",
                                status, 0, 0),
            kMailSent);
  eml = utf8->Message(1);
  EXPECT_NE(eml.find("X-Envelope-To: jørgen@example.org\r\n"), std::string::npos) << eml;
  EXPECT_NE(eml.find("X-Mail-Options: SMTPUTF8\r\n"), std::string::npos) << eml;
  EXPECT_NE(eml.find("\r\nTo: <jørgen@example.org>\r\n"), std::string::npos);
  // An ASCII message asks for nothing.
  ASSERT_EQ(mail.RESendMailPlus(utf8->server(), "karl@nordlys.example", "anna@example.org", "", "Hi", "x", "", status,
                                0, 0),
            kMailSent);
  EXPECT_NE(utf8->Message(2).find("X-Mail-Options: \r\nX-Rcpt-Options: \r\n"), std::string::npos);
}

// A login the server refuses is told with the server's own reply, not
// with the mail library's general words for it.
TEST_F(InternetMailTest, ARefusedLoginIsToldWithTheServersReply) {
  SmtpSink refusing(dir_.File("refusing"), "refusing_smtp.py");
  ASSERT_TRUE(refusing.ready());
  std::vector<std::string> said;
  auto status = [&](const std::string& s) { said.push_back(s); };
  InternetMail mail;
  mail.SecuredSMTP("", "karl", "wrong");
  EXPECT_EQ(mail.RESendMailPlus(refusing.server(), "k@n.example", "a@example.org", "", "Hi", "x", "", status, 0, 0),
            kMailSmtpFailed);
  ASSERT_FALSE(said.empty());
  EXPECT_EQ(said.back(), "Not sent: 535 5.7.8 Authentication credentials invalid");
}

// A server that refuses the recipient while the message is still coming
// and drops the connection: the reason told is its reply, not the failed
// send.
TEST_F(InternetMailTest, ARefusalWhileTheMessageIsSentIsToldWithTheServersReply) {
  fs::create_directories(dir_.File("refusing-data"));
  std::ofstream(dir_.File("refusing-data/options")) << "data";
  SmtpSink refusing(dir_.File("refusing-data"), "refusing_smtp.py");
  ASSERT_TRUE(refusing.ready());
  std::vector<std::string> said;
  auto status = [&](const std::string& s) { said.push_back(s); };
  InternetMail mail;
  // Large enough that the client is still sending when the server drops it.
  const std::string body(16 * 1024 * 1024, 'x');
  EXPECT_EQ(mail.RESendMailPlus(refusing.server(), "k@n.example", "refuse@example.org", "", "Hi", body, "", status,
                                0, 0),
            kMailSmtpFailed);
  ASSERT_FALSE(said.empty());
  EXPECT_EQ(said.back(), "Not sent: 550 5.1.1 <refuse@example.org>: Recipient address rejected");
}

TEST_F(InternetMailTest, ThePasswordGoesInClearOnlyToLoopbackOrWhenChosen) {
  std::unique_ptr<SmtpSink> auth = SinkWith(dir_, "auth", "auth");
  ASSERT_TRUE(auth->ready());
  const std::string port = PortOf(auth->server());
  const std::string named = "mail.velmora.test:" + port;  // not loopback by its name
  std::vector<std::string> said;
  auto status = [&](const std::string& s) { said.push_back(s); };

  InternetMail mail;
  mail.ResolveHostAt(named, "127.0.0.1");
  mail.SecuredSMTP("", "karl", "pw");
  EXPECT_EQ(mail.RESendMailPlus(named, "k@n.example", "a@example.org", "", "Hi", "x", "", status, 0, 0),
            kMailNeedsEncryption);
  EXPECT_NE(said.back().find("\"Send the password without encryption\""), std::string::npos) << said.back();
  EXPECT_EQ(auth->File("auth"), "");  // no login reached the server
  EXPECT_EQ(auth->MessageCount(), 0u);

  // The same server by its loopback address: the password may go.
  ASSERT_EQ(mail.RESendMailPlus(auth->server(), "k@n.example", "a@example.org", "", "Hi", "x", "", status, 0, 0),
            kMailSent);
  EXPECT_EQ(auth->File("auth"), "karl\n");

  // Chosen by the user: in clear to the named server too.
  mail.AllowPasswordInClear(true);
  ASSERT_EQ(mail.RESendMailPlus(named, "k@n.example", "a@example.org", "", "Hi", "x", "", status, 0, 0), kMailSent);
  EXPECT_EQ(auth->File("auth"), "karl\nkarl\n");
  EXPECT_EQ(auth->MessageCount(), 2u);

  // Without a login nothing needs encryption.
  InternetMail plain;
  plain.ResolveHostAt(named, "127.0.0.1");
  EXPECT_EQ(plain.RESendMailPlus(named, "k@n.example", "a@example.org", "", "Hi", "x", "", status, 0, 0), kMailSent);
}

TEST_F(InternetMailTest, ThePasswordGoesOverStartTlsWhenTheServerOffersIt) {
  if (system("command -v openssl >/dev/null 2>&1") != 0) GTEST_SKIP() << "no openssl to make a certificate";
  std::unique_ptr<SmtpSink> tls = SinkWith(dir_, "tls", "auth starttls smtputf8");
  ASSERT_TRUE(tls->ready());
  const std::string named = "mail.velmora.test:" + PortOf(tls->server());
  std::vector<std::string> said;
  InternetMail mail;
  mail.ResolveHostAt(named, "127.0.0.1");
  mail.TrustCertificatesIn(dir_.File("tls/cert.pem"));
  mail.SecuredSMTP("", "karl", "pw");
  // The extensions are those of the EHLO after STARTTLS: SMTPUTF8 is known.
  ASSERT_EQ(mail.RESendMailPlus(named, "k@n.example", "jørgen@example.org", "", "Hi", "x", "",
                                [&](const std::string& s) { said.push_back(s); }, 0, 0),
            kMailSent)
      << (said.empty() ? "" : said.back());
  EXPECT_EQ(tls->File("auth"), "karl\n");
  EXPECT_NE(tls->Message(1).find("X-Mail-Options: SMTPUTF8\r\n"), std::string::npos);
}

TEST_F(InternetMailTest, NoPop3PasswordInClearToAServerWithoutStls) {
  SmtpSink pop3(dir_.File("pop3"), "pop3_stub.py");
  ASSERT_TRUE(pop3.ready());
  const std::string named = "pop.velmora.test:" + PortOf(pop3.server());
  InternetMail mail;
  mail.ResolveHostAt(named, "127.0.0.1");
  mail.SecuredSMTP(named, "karl", "pw");
  EXPECT_EQ(mail.RESendMailPlus(sink_->server(), "k@n.example", "a@example.org", "", "Hi", "x", "", nullptr, 0, 0),
            kMailNeedsEncryption);
  EXPECT_EQ(pop3.File("commands").find("PASS"), std::string::npos) << pop3.File("commands");
  EXPECT_EQ(sink_->MessageCount(), 0u);
  mail.AllowPasswordInClear(true);
  EXPECT_EQ(mail.RESendMailPlus(sink_->server(), "k@n.example", "a@example.org", "", "Hi", "x", "", nullptr, 0, 0),
            kMailSent);
  EXPECT_NE(pop3.File("commands").find("USER karl\nPASS pw\n"), std::string::npos) << pop3.File("commands");
}

TEST(InternetMailText, LoopbackServers) {
  struct Case {
    const char* server;
    bool loopback;
  } cases[] = {
      {"127.0.0.1", true},       {"127.0.0.1:2525", true}, {"127.1.2.3:25", true},  {"localhost", true},
      {"LOCALHOST:587", true},   {"[::1]:25", true},       {"::1", true},           {"smtp.example.org", false},
      {"192.0.2.1:25", false},   {"[2001:db8::1]:25", false}, {"localhost.example:25", false},
      {"127.0.0.1.example", false},
  };
  for (const Case& k : cases) EXPECT_EQ(IsLoopbackServer(k.server), k.loopback) << k.server;
}

// Records what the job hands to the component.
class RecordingMail : public MailComponent {
 public:
  std::vector<std::string> calls;
  void AllowPasswordInClear(bool allow) override { calls.push_back(allow ? "clear" : "encrypted"); }
  void SecuredSMTP(const std::string&, const std::string& userName, const std::string&) override {
    calls.push_back("login " + userName);
  }
  int RESendMailPlus(const std::string&, const std::string& from, const std::string& to, const std::string&,
                     const std::string&, const std::string&, const std::string&, const MailStatusLine&, int,
                     int) override {
    calls.push_back("send " + from + " " + to);
    return kMailSent;
  }
};

TEST(InternetMailJob, ARecipientThatIsNotOneMailboxIsLoggedFalseAndTheJobGoesOn) {
  SendJob job;
  job.settings.destination = MergeDestination::Email;
  job.settings.smtpServer = "smtp.example";
  job.settings.myEmail = "karl@nordlys.example";
  job.message = "Dear <<First_Name>>";
  const char* people[][2] = {{"Anna", "anna@example.org"}, {"Petter", "p@example.org>,<extra@example.org"},
                             {"Mona", "mona@example.org"}};
  for (const auto& [name, address] : people) {
    RecipientEntry e;
    e.contact.SetText(contact::kFirstName, name);
    e.contact.SetText(contact::kWorkEmail, address);
    e.enabled = e.available = true;
    job.entries.push_back(e);
  }
  RecordingMail mail;
  SendJobCounts counts;
  counts.items = 3;
  std::string log;
  std::vector<std::string> said;
  for (size_t i = 0; i < 3; ++i) {
    ProcessInternetMailEntry(job, i, counts, log, mail, MergeContextFor(job.settings),
                             [&](const std::string& s) { said.push_back(s); });
  }
  EXPECT_EQ(log,
            "1 : Internet mail : Send to : Anna  : True\r\n"
            "2 : Internet mail : Send to : Petter  : False\r\n"
            "3 : Internet mail : Send to : Mona  : True");
  EXPECT_EQ(mail.calls, (std::vector<std::string>{"send karl@nordlys.example anna@example.org",
                                                  "send karl@nordlys.example mona@example.org"}));
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0].rfind("Not an e-mail address (", 0), 0u) << said[0];

  // A sender that is not one mailbox sends nothing at all.
  job.settings.myEmail = "karl@nordlys.example> BODY=8BITMIME";
  mail.calls.clear();
  EXPECT_FALSE(SendJobEmail(job, job.entries[0], mail, MergeContextFor(job.settings), nullptr));
  EXPECT_TRUE(mail.calls.empty());
}

TEST(InternetMailJob, TheChoiceAboutAPasswordInClearReachesTheComponent) {
  SendJob job;
  job.settings.smtpServer = "smtp.example";
  job.settings.myEmail = "karl@nordlys.example";
  job.settings.smtpAuth = SmtpAuthentication::On;
  job.settings.userName = "karl";
  RecipientEntry e;
  e.contact.SetText(contact::kWorkEmail, "anna@example.org");
  e.enabled = true;
  for (bool clear : {false, true}) {
    job.settings.sendPasswordInClear = clear;
    RecordingMail mail;
    EXPECT_TRUE(SendJobEmail(job, e, mail, MergeContextFor(job.settings), nullptr));
    ASSERT_GE(mail.calls.size(), 2u);
    EXPECT_EQ(mail.calls[0], clear ? "clear" : "encrypted");
    EXPECT_EQ(mail.calls[1], "login karl");
  }
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
