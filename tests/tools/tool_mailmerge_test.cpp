// velmora mailmerge: the merge "MailMerge.inf" describes, run without a
// window, to a real SMTP server on loopback and through LibreOffice.
#include <filesystem>
#include <fstream>

#include "ToolFixture.h"
#include "addressbook/mailmerge/LibreOfficeWriter.h"
#include "addressbook/mailmerge/MailMergeSettings.h"
#include "addressbook/mailmerge/MergeDataFile.h"
#include "addressbook/mailmerge/WordProcessorMerge.h"
#include "tests/mailmerge/SmtpSink.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

class ToolMailMergeTest : public ToolTest {
 protected:
  std::string settingsPath = dir.File("merge.inf");

  void SetUp() override {
    Ok({"create", book});
    Ok({"add", book},
       "{\"First_Name\":\"Anna\",\"Last_Name\":\"Berg\",\"Work_Email\":\"anna@example.org\",\"Home_City\":\"Lund\"}\n"
       "{\"First_Name\":\"Petter\",\"Last_Name\":\"Dahl\",\"Work_Email\":\"refuse@example.org\"}\n"
       "{\"First_Name\":\"Mona\",\"Last_Name\":\"Lie\",\"Work_Email\":\"mona@example.org\",\"No_Mail_Merge\":0}\n"
       "{\"First_Name\":\"Olle\",\"Work_Email\":\"olle@example.org\",\"No_Mail_Merge\":1}\n");
  }
  MailMergeSettings Settings(MergeDestination destination) {
    MailMergeSettings settings;
    settings.recipients = RecipientChoice::AllRecords;
    settings.destination = destination;
    settings.myName = "Mia Ek";
    settings.myCompany = "Ek AB";
    settings.myEmail = "mia@ek.example";
    settings.myPhone = "555";
    settings.myAddress = "Gata 1";
    settings.subject = "Welcome";
    return settings;
  }
};

TEST_F(ToolMailMergeTest, InternetMailGoesToEachRecipientWithTheJobsLog) {
  SmtpSink sink(dir.File("sink"));
  ASSERT_TRUE(sink.ready()) << "the SMTP sink did not start (python3-aiosmtpd missing?)";
  MailMergeSettings settings = Settings(MergeDestination::Email);
  settings.smtpServer = sink.server();
  ASSERT_TRUE(WriteMailMergeSettings(settingsPath, settings).ok());
  const std::string message = dir.File("message.txt");
  ASSERT_TRUE(WriteWholeFile(message, "Dear <<First_Name>> of <<Home_City>>,\r\n<<MY_Company>>"));

  ToolRun run = Run({"mailmerge", book, "--settings", settingsPath, "--message", message});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out,
            "1 : Internet mail : Send to : Anna Berg : True\n2 : Internet mail : Send to : Mona Lie : True\n"
            "3 : Internet mail : Send to : Petter Dahl : False\nItems 3, True 2, False 1\n");
  EXPECT_NE(run.err.find("1 of 3 messages could not be sent."), std::string::npos) << run.err;
  // The mail server's own reason for the refusal, not the mail library's.
  EXPECT_NE(run.err.find("Not sent: 550 5.1.1 Recipient refused\n"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("peer"), std::string::npos) << run.err;
  ASSERT_EQ(sink.MessageCount(), 2u);  // Olle asked not to get mail merges
  EXPECT_NE(sink.Message(1).find("Dear Anna of Lund,\r\nEk AB"), std::string::npos) << sink.Message(1);
  EXPECT_NE(sink.Message(2).find("Dear Mona of ,\r\nEk AB"), std::string::npos) << sink.Message(2);
}

// A server that refuses a recipient while the message (here with a large
// attachment) is still coming, and drops the connection: the command tells
// the server's reply, not the failed send.
TEST_F(ToolMailMergeTest, ARecipientRefusedDuringTheMessageIsToldWithTheServersReply) {
  fs::create_directories(dir.File("refusing"));
  ASSERT_TRUE(WriteWholeFile(dir.File("refusing/options"), "data"));
  SmtpSink refusing(dir.File("refusing"), "refusing_smtp.py");
  ASSERT_TRUE(refusing.ready());
  const std::string attachment = dir.File("large.bin");
  ASSERT_TRUE(WriteWholeFile(attachment, std::string(size_t(12) << 20, 'x')));
  MailMergeSettings settings = Settings(MergeDestination::Email);
  settings.smtpServer = refusing.server();
  settings.attachments = {attachment};
  ASSERT_TRUE(WriteMailMergeSettings(settingsPath, settings).ok());
  const std::string message = dir.File("message.txt");
  ASSERT_TRUE(WriteWholeFile(message, "Hello"));

  ToolRun run = Run({"mailmerge", book, "--settings", settingsPath, "--message", message});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("Not sent: 550 5.1.1 <anna@example.org>: Recipient address rejected\n"), std::string::npos)
      << run.err;
  EXPECT_EQ(run.err.find("peer"), std::string::npos) << run.err;
}

TEST_F(ToolMailMergeTest, RefusalsNameTheirReason) {
  MailMergeSettings client = Settings(MergeDestination::Email);
  client.emailSystem = EmailSystem::DefaultClient;
  ASSERT_TRUE(WriteMailMergeSettings(settingsPath, client).ok());
  ToolRun desktop = Run({"mailmerge", book, "--settings", settingsPath});
  EXPECT_EQ(desktop.exitCode, 1);
  EXPECT_NE(desktop.err.find("run this mail merge from Cardora"), std::string::npos) << desktop.err;

  MailMergeSettings nobody = Settings(MergeDestination::Email);
  nobody.recipients = RecipientChoice::CurrentRecord;
  nobody.smtpServer = "127.0.0.1:1";
  ASSERT_TRUE(WriteMailMergeSettings(settingsPath, nobody).ok());
  ToolRun none = Run({"mailmerge", book, "--settings", settingsPath});
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_NE(none.err.find("No contact is chosen"), std::string::npos) << none.err;
  ToolRun badId = Run({"mailmerge", book, "--settings", settingsPath, "--id", "12x"});
  EXPECT_NE(badId.err.find("--id: expected a record id"), std::string::npos) << badId.err;

  MailMergeSettings incomplete = Settings(MergeDestination::Email);
  incomplete.myPhone.clear();
  ASSERT_TRUE(WriteMailMergeSettings(settingsPath, incomplete).ok());
  ToolRun phone = Run({"mailmerge", book, "--settings", settingsPath});
  EXPECT_NE(phone.err.find("The mail merge settings are not complete: Enter Phone."), std::string::npos) << phone.err;
  incomplete.myPhone = "555";
  ASSERT_TRUE(WriteMailMergeSettings(settingsPath, incomplete).ok());
  ToolRun server = Run({"mailmerge", book, "--settings", settingsPath});
  EXPECT_NE(server.err.find("Enter Outgoing mail (SMTP) server"), std::string::npos) << server.err;
}

TEST_F(ToolMailMergeTest, TheWordProcessorMergesTheDataFileIntoADocument) {
  if (!fs::exists(mailmerge::kWriterOffice) || !fs::exists(FindWriterMergeScript())) {
    GTEST_SKIP() << "LibreOffice Writer or the merge script is missing";
  }
  // A letter template bound to the data file, made as "Create new template" makes it.
  const std::string data = dir.File("Template/__tdatafile.tmp");
  fs::create_directories(dir.File("Template"));
  ASSERT_TRUE(CreateDataFile(data, true).ok());
  LibreOfficeWriter writer;
  WordProcessorMerge maker(writer, {}, [](const std::string&) { return OpenOutcome::Opened; });
  const std::string letter = dir.File("Template/Letter.dot");
  ASSERT_TRUE(maker.CreateLetterTemplate(WordProcessor::MsWord, data, letter).ok()) << maker.lastDetail();

  MailMergeSettings settings = Settings(MergeDestination::TextProcessor);
  settings.letterTemplate = letter;
  ASSERT_TRUE(WriteMailMergeSettings(settingsPath, settings).ok());
  ToolRun run = Run({"mailmerge", book, "--settings", settingsPath});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("1 : Text mail : Send to : Anna Berg : True\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Items 3, True 3, False 0\nMerged document: " + dir.File("Template/Letter merged.odt")),
            std::string::npos)
      << run.out;
  EXPECT_TRUE(fs::exists(dir.File("Template/Letter merged.odt")));
  const std::string rows = ReadWholeFile(data);
  EXPECT_NE(rows.find("\"Petter\""), std::string::npos);
  EXPECT_EQ(rows.find("\"Olle\""), std::string::npos);
}

// A contact's name cannot forge the tool's lines: its line breaks become
// spaces, as in the job window, and its other control characters are
// printed as escapes within its own log line.
TEST_F(ToolMailMergeTest, ControlCharactersOfANameAreShownEscapedInTheLog) {
  const std::string forged = dir.File("forged.adr");
  Ok({"create", forged});
  Ok({"add", forged},
     "{\"First_Name\":\"Eve\\u001b[2J\",\"Last_Name\":\"X\\r\\nItems 9, True 9, False 0\\u009b\","
     "\"Work_Email\":\"eve@example.org\"}\n");
  MailMergeSettings settings = Settings(MergeDestination::Email);
  settings.smtpServer = "127.0.0.1:1";  // nobody listens: the message is not sent
  ASSERT_TRUE(WriteMailMergeSettings(settingsPath, settings).ok());
  const std::string message = dir.File("message.txt");
  ASSERT_TRUE(WriteWholeFile(message, "Hello"));

  ToolRun run = Run({"mailmerge", forged, "--settings", settingsPath, "--message", message});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out,
            "1 : Internet mail : Send to : Eve\\x1b[2J X Items 9, True 9, False 0\\u009b : False\n"
            "Items 1, True 0, False 1\n");
}

TEST_F(ToolMailMergeTest, TheTimeLimitIsANumberOfMinutes) {
  MailMergeSettings settings = Settings(MergeDestination::Email);
  settings.smtpServer = "127.0.0.1:1";
  ASSERT_TRUE(WriteMailMergeSettings(settingsPath, settings).ok());
  const std::string message = dir.File("message.txt");
  ASSERT_TRUE(WriteWholeFile(message, "Hello"));
  for (const char* wrong : {"0", "-5", "ten", "", "10081", "99999999999999999999"}) {
    SCOPED_TRACE(wrong);
    ToolRun run = Run({"mailmerge", book, "--settings", settingsPath, "--message", message, "--time-limit", wrong});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "--time-limit: expected a number of minutes from 1 to 10080\n");
  }
  ToolRun run = Run({"mailmerge", book, "--settings", settingsPath, "--message", message, "--time-limit", "5"});
  EXPECT_NE(run.out.find("Items 3, True 0, False 3\n"), std::string::npos) << run.out << run.err;
  ToolRun usage = Run({"mailmerge", "--help"});
  EXPECT_NE(usage.out.find("[--time-limit MINUTES]"), std::string::npos) << usage.out;
  EXPECT_NE(usage.out.find("by default 10 plus 1 per message"), std::string::npos) << usage.out;
}

// An attachment that is not a regular file within 25 MB fails each message
// with its reason; the job neither hangs on it nor ends abnormally.
TEST_F(ToolMailMergeTest, AnAttachmentThatCannotBeSentFailsEachMessageWithItsReason) {
  const std::string message = dir.File("message.txt");
  ASSERT_TRUE(WriteWholeFile(message, "Hello"));
  const std::string big = dir.File("big.bin");
  {
    std::ofstream out(big, std::ios::binary);
    out.seekp(std::streamoff(25 * 1024 * 1024));
    out.put('x');
  }
  fs::create_directories(dir.File("folder"));
  struct Case {
    std::string path;
    std::string reason;
  };
  for (const Case& c : {Case{big, "The attachment is larger than 25 MB \"" + big + "\""},
                        Case{dir.File("folder"), "The attachment is not a regular file \"" + dir.File("folder") + "\""}}) {
    SCOPED_TRACE(c.path);
    MailMergeSettings settings = Settings(MergeDestination::Email);
    settings.smtpServer = "127.0.0.1:1";
    settings.attachments = {c.path};
    ASSERT_TRUE(WriteMailMergeSettings(settingsPath, settings).ok());
    ToolRun run = Run({"mailmerge", book, "--settings", settingsPath, "--message", message});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out,
              "1 : Internet mail : Send to : Anna Berg : False\n2 : Internet mail : Send to : Mona Lie : False\n"
              "3 : Internet mail : Send to : Petter Dahl : False\nItems 3, True 0, False 3\n");
    EXPECT_EQ(run.err, c.reason + "\n" + c.reason + "\n" + c.reason + "\n3 of 3 messages could not be sent.\n");
  }
}

}  // namespace
}  // namespace velmora::testing
