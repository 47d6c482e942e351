#include "addressbook/mailmerge/MailMergeJob.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/mailmerge/SmtpSink.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

using testing::SmtpSink;
using testing::TempDir;

// Records the component calls in order.
class RecordingMail : public MailComponent {
 public:
  std::vector<std::string> calls;
  int answer = 0;
  void SecuredSMTP(const std::string& pop3Host, const std::string& userName, const std::string& password) override {
    calls.push_back("SecuredSMTP(" + pop3Host + "," + userName + "," + password + ")");
  }
  int RESendMailPlus(const std::string& server, const std::string& from, const std::string& to,
                     const std::string& unused, const std::string& subject, const std::string& body,
                     const std::string& attachmentList, const MailStatusLine&, int reserved, int encoding) override {
    calls.push_back("RESendMailPlus(" + server + "," + from + "," + to + "," + unused + "," + subject + "," + body +
                    "," + attachmentList + "," + std::to_string(reserved) + "," + std::to_string(encoding) + ")");
    return answer;
  }
};

RecipientEntry Entry(const char* first, const char* last, const char* workEmail, bool enabled = true) {
  RecipientEntry e;
  e.contact.SetText(contact::kFirstName, first);
  e.contact.SetText(contact::kLastName, last);
  e.contact.SetText(contact::kWorkEmail, workEmail);
  e.contact.SetText(contact::kHomeEmail, "home@example.org");
  e.enabled = e.available = enabled;
  return e;
}

SendJob Job() {
  SendJob job;
  job.settings.destination = MergeDestination::Email;
  job.settings.smtpServer = "smtp.example";
  job.settings.myName = "Karl Nilsen";
  job.settings.myEmail = "karl@nordlys.example";
  job.settings.subject = "Hello <<First_Name>>";
  job.message = "Dear <<First_Name>>";
  job.entries.push_back(Entry("Anna", "Berg", "anna@example.org"));
  return job;
}

TEST(SendJobEmail, CallsInTheirOrder) {
  struct Case {
    SmtpAuthentication auth;
    AttachmentEncoding encoding;
    std::vector<std::string> attachments;
    EmailAddressUsed address;
    std::vector<std::string> calls;
  } cases[] = {
      {SmtpAuthentication::Off, AttachmentEncoding::Mime, {}, EmailAddressUsed::Work,
       {"RESendMailPlus(smtp.example,karl@nordlys.example,anna@example.org,,Hello <<First_Name>>,Dear Anna,,0,0)"}},
      {SmtpAuthentication::On, AttachmentEncoding::Uuencode, {"/a/one", "/b/two"}, EmailAddressUsed::Home,
       {"SecuredSMTP(pop.example,karl,pw)",
        "RESendMailPlus(smtp.example,karl@nordlys.example,home@example.org,,Hello <<First_Name>>,Dear Anna,"
        "/a/one|/b/two|,0,1)",
        "SecuredSMTP(,,)"}},
  };
  for (const Case& k : cases) {
    SendJob job = Job();
    job.settings.smtpAuth = k.auth;
    job.settings.pop3Host = "pop.example";
    job.settings.userName = "karl";
    job.settings.password = "pw";
    job.settings.encoding = k.encoding;
    job.settings.attachments = k.attachments;
    job.settings.emailAddress = k.address;
    RecordingMail mail;
    EXPECT_TRUE(SendJobEmail(job, job.entries[0], mail, MergeContextFor(job.settings), nullptr));
    EXPECT_EQ(mail.calls, k.calls);
    mail.answer = 3;
    EXPECT_FALSE(SendJobEmail(job, job.entries[0], mail, MergeContextFor(job.settings), nullptr));
  }
}

TEST(SendJobTexts, LogAndCountsLines) {
  Contact c = Entry("Anna", "Berg", "").contact;
  EXPECT_EQ(JobLogLineStart(JobMailKind::Internet, 3, c), "3 : Internet mail : Send to : Anna Berg : ");
  EXPECT_EQ(JobLogLineStart(JobMailKind::Mapi, 1, c), "1 : Your e-mail program : Send to : Anna Berg : ");
  EXPECT_EQ(TextMailLogLine(2, c, true), "2 : Text mail : Send to : Anna Berg : True");
  EXPECT_EQ(TextMailLogLine(2, c, false), "2 : Text mail : Send to : Anna Berg : False");
  EXPECT_EQ(JobCountsLine(SendJobCounts{3, 2, 1}), "Items 3, True 2, False 1");
  // A name of several lines keeps the entry on one line of the log.
  Contact multi = Entry("Anna\r\nMaria", "Berg\nSvensson", "").contact;
  EXPECT_EQ(JobLogLineStart(JobMailKind::Internet, 1, multi),
            "1 : Internet mail : Send to : Anna Maria Berg Svensson : ");
  EXPECT_EQ(TextMailLogLine(4, multi, true), "4 : Text mail : Send to : Anna Maria Berg Svensson : True");
  MailMergeSettings s;
  s.attachments = {"/a", "", "/b"};
  EXPECT_EQ(AttachmentList(s), "/a|/b|");
}

TEST(SendJob, ThreeRecipientsOnASmtpServerWithTheSecondRefused) {
  TempDir dir;
  SmtpSink sink(dir.File("sink"));
  ASSERT_TRUE(sink.ready()) << "the SMTP sink did not start (python3-aiosmtpd missing?)";
  SendJob job = Job();
  job.settings.smtpServer = sink.server();
  job.settings.subject = "Welcome";
  job.message = "Dear <<First_Name>> <<Last_Name>>,\r\nwelcome.\r\n<<MY_First_Name>>";
  job.entries.push_back(Entry("Nils", "Disabled", "nils@example.org", false));
  job.entries.push_back(Entry("Petter", "Dahl", "refuse@example.org"));
  job.entries.push_back(Entry("Mona", "Lie", "mona@example.org"));

  SendJobCounts counts;
  counts.items = EnabledCount(job.entries);
  std::string log;
  InternetMail mail;
  for (size_t i = 0; i < job.entries.size(); ++i) {
    ProcessInternetMailEntry(job, i, counts, log, mail, MergeContextFor(job.settings), nullptr);
  }
  EXPECT_EQ(log,
            "1 : Internet mail : Send to : Anna Berg : True\r\n"
            "2 : Internet mail : Send to : Petter Dahl : False\r\n"
            "3 : Internet mail : Send to : Mona Lie : True");
  EXPECT_EQ(JobCountsLine(counts), "Items 3, True 2, False 1");
  EXPECT_FALSE(job.entries[2].enabled);
  EXPECT_TRUE(job.entries[3].enabled);
  EXPECT_EQ(mail.pop3Logins(), 0);
  ASSERT_EQ(sink.MessageCount(), 2u);
  EXPECT_NE(sink.Message(1).find("Dear Anna Berg,\r\nwelcome.\r\nKarl"), std::string::npos);
  EXPECT_NE(sink.Message(2).find("Dear Mona Lie,"), std::string::npos);
}

}  // namespace
}  // namespace velmora

#include "addressbook/mailmerge/MergeDataFile.h"
#include "store/FileSystem.h"

namespace velmora {
namespace {

TEST(SendJob, MessageKeptUpToItsLimit) {
  std::string message = std::string(31999, 'm') + "\xC3\xA6";
  SendJob job = MakeSendJob({}, MailMergeSettings(), message);
  EXPECT_EQ(job.message, std::string(31999, 'm'));
  EXPECT_EQ(MakeSendJob({}, MailMergeSettings(), "short").message, "short");
}

TEST(SendJob, TextProcessorRowsAndLog) {
  TempDir dir;
  std::string data = dir.File("__tdatafile.tmp");
  ASSERT_TRUE(CreateDataFile(data, false).ok());
  SendJob job = Job();
  job.settings.destination = MergeDestination::TextProcessor;
  job.entries.push_back(Entry("Nils", "Off", "", false));
  job.entries.push_back(Entry("Mona", "Lie", ""));
  SendJobCounts counts;
  counts.items = EnabledCount(job.entries);
  std::string log;
  MergeContext context = MergeContextFor(job.settings);
  ProcessTextEntry(job, 0, counts, log, data, context);
  ProcessTextEntry(job, 1, counts, log, data, context);
  {
    // The word processor holds the file: the row is not written.
    std::unique_ptr<File> holder;
    ASSERT_TRUE(FileSystem::Default().Open(data, holder).ok());
    ASSERT_TRUE(holder->TryLock(0, 0, true));
    ProcessTextEntry(job, 2, counts, log, data, context);
    holder->Unlock(0, 0);
  }
  EXPECT_EQ(log,
            "1 : Text mail : Send to : Anna Berg : True\r\n"
            "2 : Text mail : Send to : Mona Lie : False");
  EXPECT_EQ(JobCountsLine(counts), "Items 2, True 1, False 1");
  EXPECT_EQ(testing::ReadWholeFile(data),
            DataFileHeading() + DataFileRow(job.entries[0].contact, context, WordProcessor::MsWord));
}

}  // namespace
}  // namespace velmora
