// The mail merge's job window: Internet mail to a real SMTP server on
// loopback (log, counts, merged texts and attachments, the POP3 login only
// with authentication), pause and stop between messages, the desktop's
// e-mail client, the word processor's data file and merge, the connection
// check, one job at a time, and the main window staying open meanwhile.
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sys/stat.h>

#include "CardoraTestSupport.h"
#include "tests/support/Files.h"
#include "tests/support/OtherUser.h"
#include "addressbook/gui/CardoraApp.h"
#include "addressbook/gui/CardoraFeatures.h"
#include "addressbook/gui/CardoraMainWindow.h"
#include "addressbook/gui/MailMergeConnection.h"
#include "addressbook/gui/MailMergeJobWindow.h"
#include "addressbook/gui/MailMergeJobs.h"
#include "addressbook/mailmerge/MergeDataFile.h"
#include "shell/SuiteCommands.h"
#include "tests/support/Files.h"

// The SMTP sink finds its scripts beside the test data of the mail-merge
// tests.
#ifndef VELMORA_TEST_DATA
#define VELMORA_TEST_DATA QT_TESTCASE_SOURCEDIR "/../data"
#endif
#include "tests/mailmerge/SilentServer.h"
#include "tests/mailmerge/SmtpSink.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using testing::kPython;
using testing::ReadWholeFile;
using testing::RunEventsFor;
using testing::Sandbox;
using testing::ScopedEnv;
using testing::SilentServer;
using testing::SmtpSink;
using testing::WaitUntil;

// The real InternetMail behind a door the test holds: it writes down the
// component calls and, when gated, keeps each message waiting until the
// test lets it go.
class GatedMail : public MailComponent {
 public:
  explicit GatedMail(bool gated) : gated_(gated) {}

  void SecuredSMTP(const std::string& pop3Host, const std::string& userName, const std::string& password) override {
    {
      std::lock_guard lock(mutex_);
      secured_.push_back(pop3Host + "," + userName + "," + password);
    }
    inner_.SecuredSMTP(pop3Host, userName, password);
  }
  int RESendMailPlus(const std::string& server, const std::string& from, const std::string& to,
                     const std::string& unused, const std::string& subject, const std::string& body,
                     const std::string& attachmentList, const MailStatusLine& status, int reserved,
                     int encoding) override {
    {
      std::unique_lock lock(mutex_);
      ++started_;
      encodings_.push_back(encoding);
      changed_.notify_all();
      changed_.wait(lock, [&] { return !gated_ || released_ >= started_; });
    }
    int sent = inner_.RESendMailPlus(server, from, to, unused, subject, body, attachmentList, status, reserved,
                                     encoding);
    std::lock_guard lock(mutex_);
    ++ended_;
    return sent;
  }

  void Release() {
    std::lock_guard lock(mutex_);
    ++released_;
    changed_.notify_all();
  }
  void ReleaseAll() {
    std::lock_guard lock(mutex_);
    gated_ = false;
    changed_.notify_all();
  }
  int started() {
    std::lock_guard lock(mutex_);
    return started_;
  }
  int ended() {
    std::lock_guard lock(mutex_);
    return ended_;
  }
  std::vector<std::string> secured() {
    std::lock_guard lock(mutex_);
    return secured_;
  }
  std::vector<int> encodings() {
    std::lock_guard lock(mutex_);
    return encodings_;
  }
  // Read after the job: the worker that used it has ended.
  int pop3Logins() const { return inner_.pop3Logins(); }

 private:
  InternetMail inner_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool gated_;
  int started_ = 0;
  int released_ = 0;
  int ended_ = 0;
  std::vector<std::string> secured_;
  std::vector<int> encodings_;
};

RecipientEntry Entry(const char* first, const char* last, const char* workEmail, bool enabled = true) {
  RecipientEntry e;
  e.contact.SetText(contact::kFirstName, first);
  e.contact.SetText(contact::kLastName, last);
  e.contact.SetText(contact::kWorkEmail, workEmail);
  e.contact.SetText(contact::kCompany, std::string(first) + " & Co");
  e.enabled = e.available = enabled;
  return e;
}

// Anna, a disabled Nils, Petter (refused by the server) and Mona.
std::vector<RecipientEntry> FourWithTheThirdRefused() {
  return {Entry("Anna", "Berg", "anna@example.org"), Entry("Nils", "Off", "nils@example.org", false),
          Entry("Petter", "Dahl", "refuse@example.org"), Entry("Mona", "Lie", "mona@example.org")};
}

std::vector<std::string> Lines(const std::string& log) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= log.size()) {
    size_t end = log.find("\r\n", start);
    if (end == std::string::npos) end = log.size();
    lines.push_back(log.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

QPushButton* Button(QWidget* window, const char* name) { return window->findChild<QPushButton*>(name); }
QString LabelText(QWidget* window, const char* name) { return window->findChild<QLabel*>(name)->text(); }

class MailMergeJobWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The loopback server needs no Internet; the desktop's answer is not
    // part of these tests.
    probe_ = SetConnectionProbe([this] { return connected_; });
  }
  void TearDown() override {
    // A message held at the door would keep a closing window waiting.
    if (mail_) mail_->ReleaseAll();
    jobs_.reset();
    SetConnectionProbe(probe_);
  }

  bool StartSink() {
    if (!fs::exists(kPython)) return false;
    sink_ = std::make_unique<SmtpSink>(sandbox_.File("sink"));
    return sink_->ready();
  }

  SendJob EmailJob(std::vector<RecipientEntry> entries) {
    SendJob job;
    job.settings.destination = MergeDestination::Email;
    job.settings.emailSystem = EmailSystem::InternetMail;
    job.settings.smtpServer = sink_ ? sink_->server() : "127.0.0.1:1";
    job.settings.myName = "Karl Nilsen";
    job.settings.myCompany = "Nordlys";
    job.settings.myEmail = "karl@nordlys.example";
    job.settings.subject = "Welcome";
    job.message = "Dear <<First_Name>> <<Last_Name>>,\nof <<Company>>.\n\nAll the best,\n<<MY_First_Name>> of <<MY_Company>>";
    job.entries = std::move(entries);
    return job;
  }

  // Starts an Internet mail job through the program's one job owner, with
  // the gated component.
  MailMergeJobWindow* StartInternet(SendJob job, bool gated, QWidget* owner = nullptr) {
    mail_ = std::make_shared<GatedMail>(gated);
    if (!jobs_) jobs_ = std::make_unique<MailMergeJobs>();
    jobs_->SetMailComponentFactory([mail = mail_] { return mail; });
    if (!jobs_->Start(std::move(job), JobMailKind::Internet, owner).ok()) return nullptr;
    return jobs_->window();
  }

  bool WaitClosed(MailMergeJobs& jobs) { return WaitUntil([&] { return !jobs.Running(); }); }

  Sandbox sandbox_;
  bool connected_ = true;
  ConnectionProbe probe_;
  std::unique_ptr<SmtpSink> sink_;
  std::shared_ptr<GatedMail> mail_;
  std::unique_ptr<MailMergeJobs> jobs_;
};

TEST_F(MailMergeJobWindowTest, InternetMailLogsEachRecipientAndCountsThem) {
  ASSERT_TRUE(StartSink()) << "the SMTP sink did not start (python3-aiosmtpd missing?)";
  MailMergeJobWindow* window = StartInternet(EmailJob(FourWithTheThirdRefused()), false);
  ASSERT_TRUE(window);
  EXPECT_TRUE(jobs_->Running());
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Cardora: mail merge thread"));
  EXPECT_TRUE(window->isVisible());
  // E-mail jobs wait in the desktop's bottom-right corner.
  const QRect desktop = window->screen()->availableGeometry();
  EXPECT_LE(window->frameGeometry().right(), desktop.right());
  EXPECT_GT(window->frameGeometry().right(), desktop.right() - 40);
  EXPECT_GT(window->frameGeometry().bottom(), desktop.bottom() - 40);
  EXPECT_EQ(Button(window, "pause")->text(), QStringLiteral("&Pause"));
  EXPECT_EQ(Button(window, "stop")->text(), QStringLiteral("&Stop"));
  EXPECT_TRUE(Button(window, "ok")->isHidden());

  ASSERT_TRUE(WaitUntil([&] { return window->finished(); }, 15000)) << window->logText();
  // Disabled entries leave no line and no number.
  EXPECT_EQ(Lines(window->logText()), (std::vector<std::string>{"1 : Internet mail : Send to : Anna Berg : True",
                                                                "2 : Internet mail : Send to : Petter Dahl : False",
                                                                "3 : Internet mail : Send to : Mona Lie : True"}));
  EXPECT_EQ(window->findChild<QPlainTextEdit*>("log")->toPlainText().toStdString(),
            "1 : Internet mail : Send to : Anna Berg : True\n2 : Internet mail : Send to : Petter Dahl : False\n"
            "3 : Internet mail : Send to : Mona Lie : True");
  EXPECT_EQ(LabelText(window, "counts"), QStringLiteral("Items 3, True 2, False 1"));
  // The component's progress reached the status line.
  EXPECT_EQ(window->statusText(), QStringLiteral("Sent to mona@example.org"));
  // Authentication off: the login is never armed, and no POP3 login made.
  EXPECT_TRUE(mail_->secured().empty());
  EXPECT_EQ(mail_->pop3Logins(), 0);
  EXPECT_EQ(sink_->MessageCount(), 2u);

  // The end: only "Ok", centred on the desktop (no main window here).
  EXPECT_TRUE(Button(window, "pause")->isHidden());
  EXPECT_TRUE(Button(window, "stop")->isHidden());
  EXPECT_FALSE(Button(window, "ok")->isHidden());
  EXPECT_LT((window->frameGeometry().center() - desktop.center()).manhattanLength(), 4);
  QSignalSpy closed(window, &MailMergeJobWindow::closed);
  QTest::mouseClick(Button(window, "ok"), Qt::LeftButton);
  EXPECT_EQ(closed.count(), 1);
  EXPECT_FALSE(jobs_->Running());
  EXPECT_TRUE(sandbox_.messages.empty());
}

TEST_F(MailMergeJobWindowTest, MessagesArriveMergedWithTheirAttachments) {
  ASSERT_TRUE(StartSink()) << "the SMTP sink did not start (python3-aiosmtpd missing?)";
  const std::string notes = sandbox_.File("notes.txt");
  const std::string bytes = sandbox_.File("card.bin");
  std::ofstream(notes) << "first attachment";
  std::ofstream(bytes, std::ios::binary) << std::string("\x00\x01\x02\xFF", 4);
  struct Case {
    AttachmentEncoding encoding;
    int passed;
    std::vector<std::string> parts;
  };
  const Case cases[] = {
      {AttachmentEncoding::Mime,
       0,
       {"multipart/mixed", "filename=\"notes.txt\"", "Zmlyc3QgYXR0YWNobWVudA==", "filename=\"card.bin\"",
        "AAEC/w=="}},
      {AttachmentEncoding::Uuencode, 1, {Uuencode("notes.txt", "first attachment"), "begin 644 card.bin\r\n"}},
  };
  size_t delivered = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.encoding));
    SendJob job = EmailJob({Entry("Anna", "Berg", "anna@example.org"), Entry("Mona", "Lie", "mona@example.org")});
    job.settings.encoding = c.encoding;
    job.settings.attachments = {notes, bytes};
    MailMergeJobWindow* window = StartInternet(std::move(job), false);
    ASSERT_TRUE(window);
    ASSERT_TRUE(WaitUntil([&] { return window->finished(); }, 15000)) << window->logText();
    EXPECT_EQ(mail_->encodings(), (std::vector<int>{c.passed, c.passed}));
    ASSERT_EQ(sink_->MessageCount(), delivered + 2);
    const char* names[][3] = {{"anna@example.org", "Anna Berg", "Anna & Co"}, {"mona@example.org", "Mona Lie", "Mona & Co"}};
    for (int i = 0; i < 2; ++i) {
      const std::string message = sink_->Message(int(delivered) + i + 1);
      EXPECT_NE(message.find(std::string("X-Envelope-To: ") + names[i][0]), std::string::npos);
      EXPECT_NE(message.find("From: <karl@nordlys.example>"), std::string::npos);
      EXPECT_NE(message.find("Subject: Welcome\r\n"), std::string::npos);
      // The body merged for this recipient (quoted-printable keeps these
      // lines as they are).
      EXPECT_NE(message.find(std::string("Dear ") + names[i][1] + ",\r\nof " + names[i][2] +
                             ".\r\n\r\nAll the best,\r\nKarl of Nordlys"),
                std::string::npos)
          << message;
      for (const std::string& part : c.parts) EXPECT_NE(message.find(part), std::string::npos) << part;
    }
    delivered += 2;
    QTest::mouseClick(Button(window, "ok"), Qt::LeftButton);
    ASSERT_TRUE(WaitClosed(*jobs_));
  }
}

TEST_F(MailMergeJobWindowTest, AuthenticationLogsInOverPop3BeforeEachMessage) {
  ASSERT_TRUE(StartSink()) << "the SMTP sink did not start (python3-aiosmtpd missing?)";
  SmtpSink pop3(sandbox_.File("pop3"), "pop3_stub.py");
  ASSERT_TRUE(pop3.ready());
  SendJob job = EmailJob({Entry("Anna", "Berg", "anna@example.org"), Entry("Mona", "Lie", "mona@example.org")});
  job.settings.smtpAuth = SmtpAuthentication::On;
  job.settings.pop3Host = pop3.server();
  job.settings.userName = "karl";
  job.settings.password = "pw";
  MailMergeJobWindow* window = StartInternet(std::move(job), false);
  ASSERT_TRUE(window);
  ASSERT_TRUE(WaitUntil([&] { return window->finished(); }, 15000));
  const std::string armed = pop3.server() + ",karl,pw";
  EXPECT_EQ(mail_->secured(), (std::vector<std::string>{armed, ",,", armed, ",,"}));
  EXPECT_EQ(mail_->pop3Logins(), 2);
  EXPECT_EQ(LabelText(window, "counts"), QStringLiteral("Items 2, True 2, False 0"));
  EXPECT_EQ(sink_->MessageCount(), 2u);
  const std::string commands = pop3.File("commands");
  EXPECT_NE(commands.find("USER karl\nPASS pw\n"), std::string::npos) << commands;
}

TEST_F(MailMergeJobWindowTest, PauseLetsTheCurrentMessageFinishAndHoldsTheNext) {
  ASSERT_TRUE(StartSink()) << "the SMTP sink did not start (python3-aiosmtpd missing?)";
  MailMergeJobWindow* window = StartInternet(EmailJob(FourWithTheThirdRefused()), true);
  ASSERT_TRUE(window);
  ASSERT_TRUE(WaitUntil([&] { return mail_->started() == 1; }));
  QPushButton* pause = Button(window, "pause");
  QTest::mouseClick(pause, Qt::LeftButton);
  EXPECT_EQ(pause->text(), QStringLiteral("&Continue"));
  EXPECT_TRUE(window->paused());
  // The message on its way is not held back by the pause.
  mail_->Release();
  ASSERT_TRUE(WaitUntil([&] { return window->logText() == "1 : Internet mail : Send to : Anna Berg : True"; }));
  EXPECT_EQ(sink_->MessageCount(), 1u);
  // Many ticks later no further message has started.
  RunEventsFor(25 * MailMergeJobWindow::kTickMilliseconds);
  EXPECT_EQ(mail_->started(), 1);
  EXPECT_FALSE(window->finished());

  QTest::mouseClick(pause, Qt::LeftButton);
  EXPECT_EQ(pause->text(), QStringLiteral("&Pause"));
  EXPECT_FALSE(window->paused());
  ASSERT_TRUE(WaitUntil([&] { return mail_->started() == 2; }));
  mail_->ReleaseAll();
  ASSERT_TRUE(WaitUntil([&] { return window->finished(); }, 15000));
  EXPECT_EQ(LabelText(window, "counts"), QStringLiteral("Items 3, True 2, False 1"));
  EXPECT_EQ(sink_->MessageCount(), 2u);
}

TEST_F(MailMergeJobWindowTest, StopAnsweredNoChangesNothing) {
  ASSERT_TRUE(StartSink()) << "the SMTP sink did not start (python3-aiosmtpd missing?)";
  MailMergeJobWindow* window = StartInternet(EmailJob(FourWithTheThirdRefused()), true);
  ASSERT_TRUE(window);
  ASSERT_TRUE(WaitUntil([&] { return mail_->started() == 1; }));
  // Running, and paused: each stays as it was after "No".
  for (bool pausedBefore : {false, true}) {
    SCOPED_TRACE(pausedBefore);
    if (pausedBefore) QTest::mouseClick(Button(window, "pause"), Qt::LeftButton);
    sandbox_.messages.clear();
    sandbox_.answers = {false};
    QTest::mouseClick(Button(window, "stop"), Qt::LeftButton);
    ASSERT_EQ(sandbox_.messages.size(), 1u);
    EXPECT_EQ(sandbox_.messages[0].kind, MessageKind::Question);
    EXPECT_EQ(sandbox_.messages[0].text, kAbortMailMergeQuestion);
    EXPECT_EQ(window->paused(), pausedBefore);
    EXPECT_FALSE(window->stopRequested());
  }
  QTest::mouseClick(Button(window, "pause"), Qt::LeftButton);
  mail_->ReleaseAll();
  ASSERT_TRUE(WaitUntil([&] { return window->finished(); }, 15000));
  EXPECT_EQ(mail_->started(), 3);
  EXPECT_TRUE(jobs_->Running());
}

TEST_F(MailMergeJobWindowTest, StopAnsweredYesClosesAfterTheCurrentMessage) {
  ASSERT_TRUE(StartSink()) << "the SMTP sink did not start (python3-aiosmtpd missing?)";
  MailMergeJobWindow* window = StartInternet(EmailJob(FourWithTheThirdRefused()), true);
  ASSERT_TRUE(window);
  QSignalSpy closed(window, &MailMergeJobWindow::closed);
  ASSERT_TRUE(WaitUntil([&] { return mail_->started() == 1; }));
  sandbox_.answers = {true};
  QTest::mouseClick(Button(window, "stop"), Qt::LeftButton);
  EXPECT_TRUE(window->stopRequested());
  EXPECT_FALSE(window->paused());
  // The message on its way keeps the window open.
  RunEventsFor(10 * MailMergeJobWindow::kTickMilliseconds);
  EXPECT_EQ(closed.count(), 0);
  EXPECT_TRUE(jobs_->Running());
  mail_->Release();
  ASSERT_TRUE(WaitUntil([&] { return closed.count() == 1; }));
  EXPECT_FALSE(jobs_->Running());
  EXPECT_EQ(mail_->started(), 1);
  EXPECT_EQ(mail_->ended(), 1);
  EXPECT_EQ(sink_->MessageCount(), 1u);
  // A new job may start now.
  ASSERT_TRUE(StartInternet(EmailJob({Entry("Mona", "Lie", "mona@example.org")}), false));
  ASSERT_TRUE(WaitUntil([&] { return jobs_->window() && jobs_->window()->finished(); }));
}

TEST_F(MailMergeJobWindowTest, AfterTheEndEscapeAndStopCloseAtOnce) {
  struct Case {
    const char* name;
    std::function<void(MailMergeJobWindow*)> act;
  };
  const Case cases[] = {
      {"Escape", [](MailMergeJobWindow* w) { QTest::keyClick(w, Qt::Key_Escape); }},
      {"Close", [](MailMergeJobWindow* w) { w->close(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A refused address needs no server: the message fails at once.
    MailMergeJobWindow* window = StartInternet(EmailJob({Entry("Anna", "Berg", "anna\r\n@example.org")}), false);
    ASSERT_TRUE(window);
    ASSERT_TRUE(WaitUntil([&] { return window->finished(); }));
    EXPECT_EQ(window->logText(), "1 : Internet mail : Send to : Anna Berg : False");
    QSignalSpy closed(window, &MailMergeJobWindow::closed);
    c.act(window);
    ASSERT_TRUE(WaitUntil([&] { return closed.count() == 1; }));
    EXPECT_TRUE(sandbox_.messages.empty());  // no question after the end
  }
}

// An e-mail job shows when it gives up; at that time the message waiting on
// a server that never answers is given up, and the rest are left unsent.
TEST_F(MailMergeJobWindowTest, TheJobStopsAtItsShownTimeLimit) {
  SilentServer server;
  ASSERT_TRUE(server.ready());
  SendJob job = EmailJob(FourWithTheThirdRefused());
  job.settings.smtpServer = server.server();
  MailMergeTransport transport;
  transport.internetMail = std::make_shared<InternetMail>();
  transport.timeLimit = std::chrono::seconds(1);
  const QDateTime opened = QDateTime::currentDateTime();
  auto window = std::make_unique<MailMergeJobWindow>(std::move(job), JobMailKind::Internet, transport, nullptr);
  window->Open();
  EXPECT_LE(std::abs(window->deadline().msecsTo(opened.addSecs(1))), 2000);
  const QString shown = QStringLiteral("Stops at ") + window->deadline().toString(QStringLiteral("HH:mm")) +
                        QStringLiteral(" if not done");
  EXPECT_EQ(window->deadlineText(), shown);
  EXPECT_EQ(LabelText(window.get(), "deadline"), shown);
  EXPECT_FALSE(window->findChild<QLabel*>("deadline")->isHidden());

  ASSERT_TRUE(WaitUntil([&] { return window->finished(); }, 8000)) << window->logText();
  EXPECT_LE(opened.msecsTo(QDateTime::currentDateTime()), 6000);
  EXPECT_EQ(Lines(window->logText()), (std::vector<std::string>{"1 : Internet mail : Send to : Anna Berg : False",
                                                                "Time limit reached: 2 messages not sent"}));
  EXPECT_EQ(LabelText(window.get(), "counts"), QStringLiteral("Items 3, True 0, False 1"));
  EXPECT_TRUE(window->deadlineText().isEmpty());
  EXPECT_TRUE(window->findChild<QLabel*>("deadline")->isHidden());
  EXPECT_FALSE(Button(window.get(), "ok")->isHidden());
}

// Without a limit of its own, a job may take ten minutes and one more for
// each message; the word processor's job has none.
TEST_F(MailMergeJobWindowTest, TheDefaultTimeLimitGrowsWithTheMessages) {
  MailMergeTransport transport;
  transport.internetMail = std::make_shared<InternetMail>();
  const QDateTime opened = QDateTime::currentDateTime();
  MailMergeJobWindow mail(EmailJob(FourWithTheThirdRefused()), JobMailKind::Internet, transport, nullptr);
  EXPECT_LE(std::abs(mail.deadline().msecsTo(opened.addSecs(13 * 60))), 5000);
  EXPECT_EQ(mail.deadlineText(), JobDeadlineText(mail.deadline()));

  SendJob rows = EmailJob(FourWithTheThirdRefused());
  rows.settings.destination = MergeDestination::TextProcessor;
  MailMergeTransport text;
  text.dataFile = sandbox_.File("data.tmp");
  MailMergeJobWindow letters(std::move(rows), JobMailKind::Text, text, nullptr);
  EXPECT_FALSE(letters.deadline().isValid());
  EXPECT_TRUE(letters.deadlineText().isEmpty());
}

TEST_F(MailMergeJobWindowTest, OneJobAtATimeAndTheConnectionIsChecked) {
  MailMergeJobWindow* window = StartInternet(EmailJob({Entry("Anna", "Berg", "anna@example.org")}), true);
  ASSERT_TRUE(window);
  ASSERT_TRUE(WaitUntil([&] { return mail_->started() == 1; }));
  EXPECT_FALSE(jobs_->Start(EmailJob({Entry("Mona", "Lie", "mona@example.org")}), JobMailKind::Internet, nullptr).ok());
  EXPECT_EQ(jobs_->window(), window);
  mail_->ReleaseAll();
  ASSERT_TRUE(WaitUntil([&] { return window->finished(); }));
  QTest::mouseClick(Button(window, "ok"), Qt::LeftButton);
  ASSERT_FALSE(jobs_->Running());

  // Without a connection Internet mail does not start, and says why.
  connected_ = false;
  EXPECT_EQ(InternetConnectionProblem(), std::optional<std::string>(kNoInternetConnectionText));
  EXPECT_FALSE(jobs_->Start(EmailJob({Entry("Mona", "Lie", "mona@example.org")}), JobMailKind::Internet, nullptr).ok());
  EXPECT_FALSE(jobs_->Running());
  ASSERT_EQ(sandbox_.messages.size(), 1u);
  EXPECT_EQ(sandbox_.messages[0].kind, MessageKind::Information);
  EXPECT_EQ(sandbox_.messages[0].text,
            "To send this mail merge, please make sure you are\r\nconnected to the Internet. Once you have "
            "established\r\na connection, select Finish.\r\n");
  EXPECT_FALSE(CheckInternetConnection(nullptr));
  connected_ = true;
  EXPECT_TRUE(CheckInternetConnection(nullptr));
  EXPECT_EQ(sandbox_.messages.size(), 2u);
}

TEST_F(MailMergeJobWindowTest, DesktopClientGetsEachMessage) {
  // A stand-in for xdg-email that writes down its arguments and refuses
  // the address "busy@example.org".
  const std::string bin = sandbox_.File("bin");
  ASSERT_EQ(::mkdir(bin.c_str(), 0755), 0);
  const std::string calls = sandbox_.File("calls");
  std::ofstream(bin + "/xdg-email") << "#!/bin/sh\nfor a in \"$@\"; do printf '%s|' \"$a\"; done >> \"" << calls
                                    << "\"\necho >> \"" << calls << "\"\n[ \"$(eval echo \\${$#})\" != busy@example.org ]\n";
  ASSERT_EQ(::chmod((bin + "/xdg-email").c_str(), 0755), 0);
  ScopedEnv path("PATH", bin + ":/usr/bin:/bin");
  SendJob job = EmailJob({Entry("Anna", "Berg", "anna@example.org"), Entry("Petter", "Dahl", "busy@example.org")});
  job.settings.emailSystem = EmailSystem::DefaultClient;
  const std::string attachment = sandbox_.File("one.txt");
  std::ofstream(attachment) << "one";
  job.settings.attachments = {attachment};
  job.message = "Dear <<First_Name>>";
  MailMergeJobs jobs;
  ASSERT_TRUE(jobs.Start(std::move(job), JobMailKind::Mapi, nullptr).ok());
  MailMergeJobWindow* window = jobs.window();
  ASSERT_TRUE(window);
  ASSERT_TRUE(WaitUntil([&] { return window->finished(); }, 10000));
  EXPECT_EQ(Lines(window->logText()), (std::vector<std::string>{"1 : Your e-mail program : Send to : Anna Berg : True",
                                                                "2 : Your e-mail program : Send to : Petter Dahl : False"}));
  EXPECT_EQ(ReadWholeFile(calls),
            "--utf8|--subject|Welcome|--body|Dear Anna|--attach|" + attachment + "|anna@example.org|\n"
            "--utf8|--subject|Welcome|--body|Dear Petter|--attach|" + attachment + "|busy@example.org|\n");
  // Only Internet mail has a counts text; here the counts are the status.
  EXPECT_TRUE(window->findChild<QLabel*>("counts")->isHidden());
  EXPECT_EQ(window->statusText(), QStringLiteral("Items 2, True 1, False 1"));
  QTest::mouseClick(Button(window, "ok"), Qt::LeftButton);
  EXPECT_FALSE(jobs.Running());

  // Without xdg-email no job starts, and nothing is said.
  ScopedEnv nothing("PATH", sandbox_.File("nowhere"));
  EXPECT_FALSE(jobs.Start(EmailJob({Entry("Anna", "Berg", "anna@example.org")}), JobMailKind::Mapi, nullptr).ok());
  EXPECT_FALSE(jobs.Running());
  EXPECT_TRUE(sandbox_.messages.empty());
}

SendJob TextJob() {
  SendJob job;
  job.settings.destination = MergeDestination::TextProcessor;
  job.settings.wordProcessor = WordProcessor::MsWord;
  job.settings.myName = "Karl Nilsen";
  job.entries = {Entry("Anna", "Berg", "anna@example.org"), Entry("Nils", "Off", "nils@example.org", false),
                 Entry("Mona", "Lie", "mona@example.org")};
  return job;
}

TEST_F(MailMergeJobWindowTest, TextProcessorWritesTheRowsThenMerges) {
  MailMergeJobs jobs;
  std::vector<std::string> mergedFiles;
  std::string seenAtMerge;
  jobs.SetLetterMerge([&](QWidget*, const std::string& dataFile, const MailMergeSettings& settings) {
    mergedFiles.push_back(dataFile);
    seenAtMerge = ReadWholeFile(dataFile);
    EXPECT_EQ(settings.wordProcessor, WordProcessor::MsWord);
    return Result::Ok();
  });
  ASSERT_TRUE(jobs.Start(TextJob(), JobMailKind::Text, nullptr).ok());
  MailMergeJobWindow* window = jobs.window();
  ASSERT_TRUE(window);
  ASSERT_TRUE(WaitUntil([&] { return window->finished(); }));
  EXPECT_EQ(Lines(window->logText()), (std::vector<std::string>{"1 : Text mail : Send to : Anna Berg : True",
                                                                "2 : Text mail : Send to : Mona Lie : True"}));
  const ResultOf<std::string> dataFile = DataFilePath();
  ASSERT_TRUE(dataFile.ok());
  ASSERT_EQ(mergedFiles, std::vector<std::string>{*dataFile});
  const MergeContext context = MergeContextFor(TextJob().settings);
  const std::vector<RecipientEntry> entries = TextJob().entries;
  EXPECT_EQ(seenAtMerge, DataFileHeading() + DataFileRow(entries[0].contact, context, WordProcessor::MsWord) +
                             DataFileRow(entries[2].contact, context, WordProcessor::MsWord));
  EXPECT_EQ(window->statusText(), QStringLiteral("Items 2, True 2, False 0"));
  EXPECT_TRUE(sandbox_.messages.empty());
  QTest::mouseClick(Button(window, "ok"), Qt::LeftButton);
  EXPECT_FALSE(jobs.Running());
}

TEST_F(MailMergeJobWindowTest, TheDataFileIsNoWiderReadableThanTheAddressBook) {
  const std::string book = sandbox_.File("private.adr");
  ASSERT_TRUE(testing::WriteWholeFile(book, "records"));
  ASSERT_EQ(::chmod(book.c_str(), 0600), 0);
  const testing::ScopedUmask mask(022);
  MailMergeJobs jobs;
  mode_t seen = 0;
  jobs.SetLetterMerge([&](QWidget*, const std::string& dataFile, const MailMergeSettings&) {
    struct stat info;
    if (::stat(dataFile.c_str(), &info) == 0) seen = info.st_mode & 0777;
    return Result::Ok();
  });
  ASSERT_TRUE(jobs.Start(TextJob(), JobMailKind::Text, nullptr, book).ok());
  MailMergeJobWindow* window = jobs.window();
  ASSERT_TRUE(window);
  ASSERT_TRUE(WaitUntil([&] { return window->finished(); }));
  EXPECT_EQ(seen, mode_t(0600));
  QTest::mouseClick(Button(window, "ok"), Qt::LeftButton);
  EXPECT_FALSE(jobs.Running());
}

// The status line shows its whole text: a long one wraps onto further
// lines inside the window instead of being cut, in the window's font and
// in a larger one.
TEST_F(MailMergeJobWindowTest, TheStatusLineShowsItsWholeText) {
  for (int pointSize : {0, 18}) {
    SCOPED_TRACE(pointSize);
    MailMergeJobs jobs;
    jobs.SetLetterMerge([&](QWidget*, const std::string&, const MailMergeSettings&) {
      return Result::Fail("no office");
    });
    ASSERT_TRUE(jobs.Start(TextJob(), JobMailKind::Text, nullptr).ok());
    MailMergeJobWindow* window = jobs.window();
    ASSERT_TRUE(window);
    if (pointSize) {
      QFont font = window->font();
      font.setPointSize(pointSize);
      window->setFont(font);
    }
    ASSERT_TRUE(WaitUntil([&] { return window->finished(); }));
    RunEventsFor(50);
    const QString expected = QStringLiteral("Items 2, True 2, False 0. The word processor's merge did not run.");
    EXPECT_EQ(window->statusText(), expected);
    auto* status = window->findChild<QLabel*>(QStringLiteral("status"));
    ASSERT_TRUE(status);
    EXPECT_EQ(status->text(), expected) << "no part of the text is left out";
    // Every line of the text fits in the label, and the label in the window.
    const QRect room = status->contentsRect();
    const QRect needed = status->fontMetrics().boundingRect(room, Qt::TextWordWrap, expected);
    EXPECT_LE(needed.height(), room.height()) << "the wrapped text is taller than its line";
    EXPECT_LE(needed.width(), room.width());
    const QRect inWindow(status->mapTo(window, QPoint(0, 0)), status->size());
    EXPECT_TRUE(window->rect().contains(inWindow)) << "the status line lies outside the window";
    QTest::mouseClick(Button(window, "ok"), Qt::LeftButton);
  }
}

TEST_F(MailMergeJobWindowTest, TextProcessorWithoutAWordProcessorSaysSo) {
  MailMergeJobs jobs;
  ASSERT_TRUE(jobs.Start(TextJob(), JobMailKind::Text, nullptr).ok());
  MailMergeJobWindow* window = jobs.window();
  ASSERT_TRUE(window);
  ASSERT_TRUE(WaitUntil([&] { return window->finished(); }));
  const ResultOf<std::string> dataFile = DataFilePath();
  ASSERT_TRUE(dataFile.ok());
  ASSERT_EQ(sandbox_.messages.size(), 1u);
  EXPECT_EQ(sandbox_.messages[0].kind, MessageKind::Information);
  EXPECT_NE(sandbox_.messages[0].text.find(*dataFile), std::string::npos) << sandbox_.messages[0].text;
  EXPECT_NE(sandbox_.messages[0].text.find("no word processor"), std::string::npos);
  EXPECT_TRUE(window->statusText().startsWith(QStringLiteral("Items 2, True 2, False 0")));
  EXPECT_EQ(Lines(ReadWholeFile(*dataFile)).size(), 4u);  // heading, two rows, the last line end
}

TEST_F(MailMergeJobWindowTest, MainWindowStaysOpenWhileTheJobRuns) {
  ASSERT_TRUE(StartSink()) << "the SMTP sink did not start (python3-aiosmtpd missing?)";
  CardoraApp app;
  app.RegisterSuiteBroadcast();
  CardoraMainWindow* main = app.CreateMainWindow();
  ASSERT_TRUE(main);
  ASSERT_TRUE(WaitUntil([&] { return app.recordFile() != nullptr; }));
  auto& features = dynamic_cast<CardoraFeatures&>(app.features());
  EXPECT_FALSE(features.MailMergeSending());
  mail_ = std::make_shared<GatedMail>(true);
  features.mailMergeJobs().SetMailComponentFactory([mail = mail_] { return mail; });
  ASSERT_TRUE(features.mailMergeJobs()
                  .Start(EmailJob({Entry("Anna", "Berg", "anna@example.org")}), JobMailKind::Internet, main)
                  .ok());
  MailMergeJobWindow* window = features.mailMergeJobs().window();
  ASSERT_TRUE(window);
  EXPECT_EQ(window->parentWidget(), main);
  EXPECT_TRUE(features.MailMergeSending());
  ASSERT_TRUE(WaitUntil([&] { return mail_->started() == 1; }));

  QSignalSpy closed(main, &CardoraMainWindow::closed);
  sandbox_.messages.clear();
  PostCommand(main, kCmdExit);
  ASSERT_TRUE(WaitUntil([&] { return !sandbox_.messages.empty(); }));
  EXPECT_EQ(sandbox_.MessageTexts(),
            std::vector<std::string>{"You need to close mail merge thread\r\nbefore you exit from the application."});
  EXPECT_EQ(closed.count(), 0);
  EXPECT_TRUE(main->isVisible());

  // At the end the job window comes back over the main window.
  mail_->ReleaseAll();
  ASSERT_TRUE(WaitUntil([&] { return window->finished(); }));
  EXPECT_LT((window->frameGeometry().center() - main->frameGeometry().center()).manhattanLength(), 4);
  EXPECT_TRUE(features.MailMergeSending());  // until the window closes
  QTest::mouseClick(Button(window, "ok"), Qt::LeftButton);
  EXPECT_FALSE(features.MailMergeSending());
  PostCommand(main, kCmdExit);
  ASSERT_TRUE(WaitUntil([&] { return closed.count() == 1; }));
  EXPECT_EQ(sandbox_.messages.size(), 1u);
}

}  // namespace
}  // namespace velmora
