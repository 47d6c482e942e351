// The "Mail Merge" wizard driven through its pages: the recipients and the
// lookup, the checks that keep a page, the letter template page, the
// e-mail message page with its fields, attachments and template, the
// summary list, and what "Finish" hands over and remembers.
#include "addressbook/gui/MailMergeWizard.h"

#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "../shell/ShellTestSupport.h"
#include "CardoraTestSupport.h"
#include "addressbook/gui/CardoraFeatures.h"
#include "addressbook/gui/MailMergeConnection.h"
#include "addressbook/gui/MailMergeJobWindow.h"
#include "addressbook/mailmerge/AttachmentFile.h"
#include "addressbook/mailmerge/MailMergeSettings.h"
#include "addressbook/mailmerge/MergeTemplates.h"
#include "addressbook/model/Contact.h"
#include "shell/EnteredValues.h"
#include "store/Categories.h"
#include "tests/support/Files.h"
#include "tests/support/OtherUser.h"
#include "tests/support/WaitUntil.h"

// The SMTP sink finds its scripts beside the test data of the mail-merge
// tests.
#ifndef VELMORA_TEST_DATA
#define VELMORA_TEST_DATA QT_TESTCASE_SOURCEDIR "/../data"
#endif
#include "tests/mailmerge/SmtpSink.h"

namespace velmora {
namespace {

namespace c = contact;
namespace fs = std::filesystem;
using testing::Click;
using testing::Control;
using testing::ReadWholeFile;
using testing::Sandbox;
using testing::Type;
using testing::WaitUntil;


QPushButton* Button(QWidget* window, const char* name) { return Control<QPushButton>(window, name); }
int Page(QWidget* wizard) { return Control<QStackedWidget>(wizard, "pages")->currentIndex() + 1; }

class MailMergeWizardTest : public ::testing::Test {
 protected:
  Sandbox sandbox;
  std::string path = sandbox.File("book.adr");
  std::unique_ptr<RecordStore> store;
  std::vector<SendJob> jobs;
  std::vector<JobMailKind> kinds;
  std::optional<std::string> connection;
  MailMergeWizardHost host;

  void SetUp() override {
    ASSERT_TRUE(CreateRecordFile(path, format::FileKind::Address).ok());
    store = std::make_unique<RecordStore>(path, "");
    Bytes block;
    ASSERT_TRUE(store->ReadCategories(block).ok());
    SetCategoryNames(block, {"Friends", "Work"});
    ASSERT_TRUE(store->WriteCategories(block).ok());
    host.jobRunning = [] { return false; };
    host.connectionProblem = [this] { return connection; };
    host.startJob = [this](SendJob job, JobMailKind kind) {
      jobs.push_back(std::move(job));
      kinds.push_back(kind);
    };
  }

  uint64_t Add(const char* first, const char* last, const char* city, const char* workEmail) {
    Contact contact;
    InitContactRecord(*store, contact.bytes());
    contact.SetText(c::kFirstName, first);
    contact.SetText(c::kLastName, last);
    contact.SetText(c::kHomeCity, city);
    contact.SetText(c::kWorkEmail, workEmail);
    EXPECT_TRUE(store->AddRecord(contact.bytes()).ok());
    return contact.Id();
  }

  // Runs the wizard and the script on it once it shows; the script ends it.
  bool Run(std::optional<uint64_t> current, const std::function<void(QWidget*)>& script) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
      QWidget* wizard = QApplication::activeModalWidget();
      if (!wizard || wizard->objectName() != "mailMergeWizard") {
        ADD_FAILURE() << "the wizard did not show";
        if (wizard) wizard->close();
        return;
      }
      ran = true;
      script(wizard);
      if (wizard->isVisible()) Discard(wizard);
    });
    const bool finished = MailMergeWizard(*store, current, nullptr, host);
    EXPECT_TRUE(ran);
    return finished;
  }

  // "Cancel" that throws away what was entered: Yes to the question, when
  // it is asked.
  void Discard(QWidget* wizard) {
    sandbox.answers.push_back(true);
    const size_t before = sandbox.answers.size();
    Click(wizard, "cancel");
    if (sandbox.answers.size() == before) sandbox.answers.pop_back();
  }

  void FillMyRecord(QWidget* wizard) {
    Type(wizard, "myName", "Mia Ek");
    Type(wizard, "myCompany", "Ek AB");
    Type(wizard, "myEmail", "mia@ek.example");
    Type(wizard, "myPhone", "555");
    Control<QPlainTextEdit>(wizard, "myAddress")->setPlainText("Gata 1\nLund");
  }

  std::vector<std::string> Lines(QWidget* wizard) {
    auto* list = Control<QListWidget>(wizard, "recipients");
    std::vector<std::string> lines;
    for (int i = 0; i < list->count(); ++i) lines.push_back(list->item(i)->text().toStdString());
    return lines;
  }
};

TEST_F(MailMergeWizardTest, ALookupToTheWordProcessorChecksEachPageAndHandsOverTheJob) {
  // A book only its owner may read gives a data file only its owner may read.
  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  const testing::ScopedUmask mask(022);
  Add("Ada", "Berg", "LUND", "");
  Add("Bo", "Ceder", "Malmo", "");
  Add("Cy", "", "Lundby", "");
  const bool finished = Run(std::nullopt, [&](QWidget* w) {
    // Nobody selected: "Current record" is off, "Create lookup" chosen.
    EXPECT_FALSE(Control<QRadioButton>(w, "currentRecord")->isEnabled());
    EXPECT_TRUE(Control<QRadioButton>(w, "createLookup")->isChecked());
    EXPECT_FALSE(Control<QPushButton>(w, "back")->isVisible());
    Click(w, "next");
    EXPECT_EQ(Page(w), 2);
    Click(w, "next");
    EXPECT_EQ(Page(w), 2);
    Type(w, "searchText", "lund");
    Click(w, "next");
    EXPECT_EQ(Page(w), 3);
    Click(w, "next");
    Type(w, "myName", "Mia Ek");
    Click(w, "next");
    EXPECT_EQ(Page(w), 3);
    FillMyRecord(w);
    Click(w, "next");
    EXPECT_EQ(Page(w), 4);
    EXPECT_TRUE(Control<QRadioButton>(w, "textProcessor")->isChecked());
    EXPECT_FALSE(Control<QComboBox>(w, "emailSystem")->isEnabled());
    Click(w, "next");
    EXPECT_EQ(Page(w), 6);
    // The default template does not exist yet: the page stays.
    const std::string dot = Control<QLineEdit>(w, "letterTemplate")->text().toStdString();
    EXPECT_EQ(fs::path(dot).filename(), "Default.dot");
    Click(w, "next");
    EXPECT_EQ(Page(w), 6);
    ASSERT_TRUE(testing::WriteWholeFile(dot, "template"));
    // Back returns to the page before, then forward again.
    Click(w, "back");
    EXPECT_EQ(Page(w), 4);
    Click(w, "next");
    Click(w, "next");
    ASSERT_EQ(Page(w), 8);
    EXPECT_FALSE(Control<QPushButton>(w, "next")->isVisible());
    ASSERT_TRUE(WaitUntil([&] { return Control<QListWidget>(w, "recipients")->count() == 2; }));
    EXPECT_EQ(Lines(w), (std::vector<std::string>{"Ada Berg", "Cy"}));
    EXPECT_EQ(Control<QLabel>(w, "system")->text().toStdString(), "Text Processor: MS Word");
    EXPECT_EQ(Control<QLabel>(w, "status")->text().toStdString(), " 2 for sending, 0 deselected");
    EXPECT_FALSE(Control<QPushButton>(w, "selectAll")->isEnabled());
    auto* list = Control<QListWidget>(w, "recipients");
    emit list->itemClicked(list->item(0));
    EXPECT_EQ(Control<QLabel>(w, "status")->text().toStdString(), " 1 for sending, 1 deselected");
    Click(w, "deselectAll");
    EXPECT_FALSE(Control<QPushButton>(w, "finish")->isEnabled());
    emit list->itemClicked(list->item(1));
    Click(w, "finish");
  });
  EXPECT_TRUE(finished);
  EXPECT_EQ(sandbox.MessageTexts(),
            (std::vector<std::string>{
                "Enter Data for search.", "Enter Name.", "Enter Company.",
                "The filename or path you have selected is not valid or the\r\nchosen template is currently opened in "
                "the Text Processor.\r\nYou should complete your Template and to close that document\r\nin the Text "
                "Processor (or to exit from the Text Processor) and\r\nto click on Next button again."}));
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(kinds[0], JobMailKind::Text);
  ASSERT_EQ(jobs[0].entries.size(), 2u);
  EXPECT_FALSE(jobs[0].entries[0].enabled);
  EXPECT_TRUE(jobs[0].entries[1].enabled);
  EXPECT_EQ(jobs[0].entries[1].contact.Text(c::kFirstName), "Cy");
  // The choices are remembered, the address with CR LF line ends.
  const MailMergeSettings kept = ReadMailMergeSettings(MailMergeSettingsPath());
  EXPECT_EQ(kept.recipients, RecipientChoice::CreateLookup);
  EXPECT_EQ(kept.lookupText, "lund");
  EXPECT_EQ(kept.myAddress, "Gata 1\r\nLund");
  EXPECT_EQ(kept.destination, MergeDestination::TextProcessor);
  // The data file is there with its heading.
  ResultOf<std::string> data = TemplatePath("__tdatafile.tmp");
  ASSERT_TRUE(data.ok());
  EXPECT_EQ(ReadWholeFile(data.value()).rfind("First_Name,Middle_Name,", 0), 0u);
  struct stat info;
  ASSERT_EQ(::stat(data.value().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, mode_t(0600));
}

// "Attach" takes only regular files within the limit the page states, and
// lists each as the file it is: absolute, its links resolved.
TEST_F(MailMergeWizardTest, AttachTakesOnlyRegularFilesWithinTheLimit) {
  const uint64_t ada = Add("Ada", "Berg", "Lund", "ada@work.example");
  const std::string fifo = sandbox.File("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_directories(sandbox.File("folder"));
  const std::string big = sandbox.File("big.bin");
  {
    std::ofstream out(big, std::ios::binary);
    out.seekp(std::streamoff(mailmerge::kMaxAttachmentBytes));
    out.put('x');
  }
  const std::string real = sandbox.File("price list.pdf");
  ASSERT_TRUE(testing::WriteWholeFile(real, "%PDF"));
  const std::string link = sandbox.File("link.pdf");
  ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
  sandbox.dialogs.answers = {fifo, sandbox.File("folder"), "/dev/zero", big, link};
  const bool finished = Run(ada, [&](QWidget* w) {
    Control<QRadioButton>(w, "allRecords")->click();
    Click(w, "next");
    FillMyRecord(w);
    Click(w, "next");
    Control<QRadioButton>(w, "email")->click();
    Click(w, "next");
    Type(w, "smtpServer", "127.0.0.1");
    Click(w, "next");
    ASSERT_EQ(Page(w), 7);
    EXPECT_EQ(Control<QLabel>(w, "attachmentLimit")->text().toStdString(),
              "Each attachment is a file of at most 25 MB.");
    for (int i = 0; i < 5; ++i) Click(w, "attach");
    auto* list = Control<QListWidget>(w, "attachments");
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text().toStdString(), fs::canonical(real).string());
  });
  EXPECT_FALSE(finished);
  const std::string limit = ".\r\nEach attachment is a file of at most 25 MB.";
  EXPECT_EQ(sandbox.MessageTexts(),
            (std::vector<std::string>{"The attachment is not a regular file \"" + fifo + "\"" + limit,
                                      "The attachment is not a regular file \"" + sandbox.File("folder") + "\"" + limit,
                                      "The attachment is not a regular file \"/dev/zero\"" + limit,
                                      "The attachment is larger than 25 MB \"" + big + "\"" + limit,
                                      kDiscardEntriesText}))
      << "then the question as the filled wizard is cancelled";
}

TEST_F(MailMergeWizardTest, AnInternetMailMergeTakesTheMessageFieldsAndAttachments) {
  const uint64_t ada = Add("Ada", "Berg", "Lund", "ada@work.example");
  Add("Bo", "Ceder", "Malmo", "no address");
  const std::string file = sandbox.File("price list.pdf");
  ASSERT_TRUE(testing::WriteWholeFile(file, "%PDF"));
  sandbox.dialogs.answers = {file, file};
  sandbox.answers = {false};  // the changed message is not saved into the template
  connection = "No connection";
  const bool finished = Run(ada, [&](QWidget* w) {
    EXPECT_TRUE(Control<QRadioButton>(w, "currentRecord")->isEnabled());
    Control<QRadioButton>(w, "allRecords")->click();
    Click(w, "next");
    EXPECT_EQ(Page(w), 3);
    FillMyRecord(w);
    Click(w, "next");
    Control<QRadioButton>(w, "email")->click();
    EXPECT_TRUE(Control<QComboBox>(w, "emailSystem")->isEnabled());
    EXPECT_FALSE(Control<QComboBox>(w, "wordProcessor")->isEnabled());
    Click(w, "next");
    EXPECT_EQ(Page(w), 5);
    Click(w, "next");
    Type(w, "smtpServer", "127.0.0.1");
    Control<QCheckBox>(w, "smtpAuth")->click();
    EXPECT_TRUE(Control<QLineEdit>(w, "pop3Host")->isEnabled());
    Click(w, "next");
    Control<QCheckBox>(w, "smtpAuth")->click();
    EXPECT_FALSE(Control<QLineEdit>(w, "password")->isEnabled());
    Click(w, "next");
    ASSERT_EQ(Page(w), 7);
    auto* message = Control<QPlainTextEdit>(w, "message");
    EXPECT_TRUE(message->toPlainText().startsWith("Dear <<First_Name>> <<Last_Name>>"));
    EXPECT_EQ(Control<QLineEdit>(w, "template")->text().toStdString(), "Default.txt");
    message->setPlainText("Hello ");
    QTextCursor end = message->textCursor();
    end.movePosition(QTextCursor::End);
    message->setTextCursor(end);
    auto* fields = Control<QComboBox>(w, "insertField");
    emit fields->activated(7);  // "Home_City"
    emit fields->activated(41);  // the separator: a beep, nothing inserted
    EXPECT_EQ(message->toPlainText().toStdString(), "Hello <<Home_City>>");
    Click(w, "attach");
    Click(w, "attach");  // the same file again: a beep
    EXPECT_EQ(Control<QListWidget>(w, "attachments")->count(), 1);
    Control<QRadioButton>(w, "uuen")->click();
    Click(w, "next");  // the changed text is asked about, then the subject is missing
    EXPECT_EQ(Page(w), 7);
    Type(w, "subject", "News");
    Click(w, "next");
    ASSERT_EQ(Page(w), 8);
    ASSERT_TRUE(WaitUntil([&] { return Control<QListWidget>(w, "recipients")->count() == 2; }));
    EXPECT_EQ(Lines(w), (std::vector<std::string>{"Ada Berg    work e-mail", "Bo Ceder    unavailable e-mail"}));
    EXPECT_EQ(Control<QLabel>(w, "status")->text().toStdString(), " 1 for sending, 0 deselected, 1 unavailable e-mail");
    auto* list = Control<QListWidget>(w, "recipients");
    emit list->itemClicked(list->item(1));  // unavailable: stays off
    EXPECT_EQ(Control<QLabel>(w, "status")->text().toStdString(), " 1 for sending, 0 deselected, 1 unavailable e-mail");
    Click(w, "finish");  // no connection: the page stays
    EXPECT_TRUE(w->isVisible());
    connection.reset();
    Click(w, "finish");
  });
  EXPECT_TRUE(finished);
  EXPECT_EQ(sandbox.beeps, 2);
  EXPECT_EQ(sandbox.MessageTexts(),
            (std::vector<std::string>{"Enter Outgoing mail (SMTP) server", "Enter Pop3Host",
                                      "The text in the template file has changed.\r\n\r\nDo you want to save changes ?",
                                      "Enter Subject", "No connection"}));
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(kinds[0], JobMailKind::Internet);
  EXPECT_EQ(jobs[0].message, "Hello <<Home_City>>");
  EXPECT_EQ(jobs[0].settings.subject, "News");
  EXPECT_EQ(jobs[0].settings.attachments, std::vector<std::string>{file});
  EXPECT_EQ(jobs[0].settings.encoding, AttachmentEncoding::Uuencode);
  EXPECT_EQ(jobs[0].settings.smtpServer, "127.0.0.1");
  // The template kept its built-in text: the change was not saved.
  ResultOf<std::string> template_ = TemplatePath("Default.txt");
  ASSERT_TRUE(template_.ok());
  EXPECT_EQ(ReadWholeFile(template_.value()).rfind("Dear <<First_Name>>", 0), 0u);
}

// Page 5: the sender's address must be one mailbox, the password goes in
// clear only when the user ticks it, and the page says where the password
// is kept.
TEST_F(MailMergeWizardTest, InternetMailOptionsCheckTheSenderAndKeepTheClearPasswordChoice) {
  Add("Ada", "Berg", "Lund", "ada@work.example");
  const auto toInternetPage = [&](QWidget* w, const char* senderEmail) {
    Control<QRadioButton>(w, "allRecords")->click();
    Click(w, "next");
    FillMyRecord(w);
    Type(w, "myEmail", senderEmail);
    Click(w, "next");
    Control<QRadioButton>(w, "email")->click();
    Click(w, "next");
    ASSERT_EQ(Page(w), 5);
  };
  EXPECT_TRUE(Run(std::nullopt, [&](QWidget* w) {
    toInternetPage(w, "mia@ek.example>, <boss@ek.example");
    auto* inClear = Control<QCheckBox>(w, "passwordInClear");
    EXPECT_FALSE(inClear->isChecked());
    EXPECT_FALSE(inClear->isEnabled());  // only with authentication
    Type(w, "smtpServer", "smtp.ek.example");
    Click(w, "next");
    EXPECT_EQ(Page(w), 5);  // the sender is not one mailbox
    Click(w, "back");
    Click(w, "back");
    ASSERT_EQ(Page(w), 3);
    Type(w, "myEmail", "mia@ek.example");
    Click(w, "next");
    Click(w, "next");
    ASSERT_EQ(Page(w), 5);
    Control<QCheckBox>(w, "smtpAuth")->click();
    EXPECT_TRUE(inClear->isEnabled());
    EXPECT_EQ(Control<QLabel>(w, "passwordKept")->text().toStdString(),
              "No keyring of the desktop answers: the password is stored as typed in \"MailMerge.inf\" in the "
              "program folder, a file only you can read.");
    Type(w, "pop3Host", "pop.ek.example");
    Type(w, "userName", "mia");
    Type(w, "password", "pw");
    inClear->click();
    Click(w, "next");
    ASSERT_EQ(Page(w), 7);
    Type(w, "subject", "News");
    Click(w, "next");
    ASSERT_EQ(Page(w), 8);
    ASSERT_TRUE(WaitUntil([&] { return Control<QListWidget>(w, "recipients")->count() == 1; }));
    Click(w, "finish");
  }));
  EXPECT_EQ(sandbox.MessageTexts(),
            std::vector<std::string>{"The E-mail of \"My record\" is not an e-mail address: the name before the at "
                                     "sign may hold only letters, digits, dots between them and "
                                     "!#$%&'*+-/=?^_`{|}~ (or be a quoted text)."});
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_TRUE(jobs[0].settings.sendPasswordInClear);
  // Kept beside the settings, not in the fixed block of "MailMerge.inf".
  EXPECT_TRUE(ReadPasswordInClearChoice());
  EXPECT_TRUE(ReadMailMergeSettings(MailMergeSettingsPath()).sendPasswordInClear);
  EXPECT_EQ(fs::file_size(MailMergeSettingsPath()), mailmerge::kSettingsSize);

  // The next run shows the choice; untick it and it is kept off.
  EXPECT_TRUE(Run(std::nullopt, [&](QWidget* w) {
    toInternetPage(w, "mia@ek.example");
    auto* inClear = Control<QCheckBox>(w, "passwordInClear");
    EXPECT_TRUE(inClear->isChecked());
    inClear->click();
    Click(w, "next");
    ASSERT_EQ(Page(w), 7);
    Click(w, "next");
    ASSERT_EQ(Page(w), 8);
    ASSERT_TRUE(WaitUntil([&] { return Control<QListWidget>(w, "recipients")->count() == 1; }));
    Click(w, "finish");
  }));
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_FALSE(jobs[1].settings.sendPasswordInClear);
  EXPECT_FALSE(ReadPasswordInClearChoice());
}

TEST_F(MailMergeWizardTest, CancelKeepsTheSettingsFileAndARunningJobKeepsTheWizardShut) {
  Add("Ada", "Berg", "Lund", "");
  EXPECT_FALSE(Run(std::nullopt, [&](QWidget* w) {
    Control<QRadioButton>(w, "allRecords")->click();
    Click(w, "next");
    FillMyRecord(w);
    sandbox.answers = {true};
    Click(w, "cancel");
    EXPECT_FALSE(w->isVisible());
  }));
  EXPECT_FALSE(fs::exists(MailMergeSettingsPath()));
  EXPECT_TRUE(jobs.empty());
  EXPECT_EQ(sandbox.MessageTexts(), std::vector<std::string>{kDiscardEntriesText});

  sandbox.messages.clear();
  host.jobRunning = [] { return true; };
  EXPECT_FALSE(MailMergeWizard(*store, std::nullopt, nullptr, host));
  EXPECT_EQ(sandbox.MessageTexts(), std::vector<std::string>{kMergeJobRunningText});
}

// Escape, "Cancel" and the close button close the wizard at once while
// nothing was entered; with something entered they first ask, and No keeps
// the wizard with what was typed.
TEST_F(MailMergeWizardTest, ClosingAFilledWizardAsksFirst) {
  Add("Ada", "Berg", "Lund", "");
  enum class How { Escape, Cancel, CloseButton };
  struct Case {
    const char* name;
    How how;
    bool filled;
    bool answer;
    bool asked, closed;
  };
  const Case cases[] = {
      {"Escape, nothing entered", How::Escape, false, false, false, true},
      {"close, nothing entered", How::CloseButton, false, false, false, true},
      {"Escape, typed, No", How::Escape, true, false, true, false},
      {"Escape, typed, Yes", How::Escape, true, true, true, true},
      {"Cancel, typed, No", How::Cancel, true, false, true, false},
      {"close, typed, No", How::CloseButton, true, false, true, false},
      {"close, typed, Yes", How::CloseButton, true, true, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sandbox.messages.clear();
    bool closed = false;
    EXPECT_FALSE(Run(std::nullopt, [&](QWidget* w) {
      if (c.filled) {
        Control<QRadioButton>(w, "allRecords")->click();
        Click(w, "next");
        FillMyRecord(w);
      }
      sandbox.answers = {c.answer};
      switch (c.how) {
        case How::Escape: QTest::keyClick(w, Qt::Key_Escape); break;
        case How::Cancel: Click(w, "cancel"); break;
        case How::CloseButton: w->close(); break;
      }
      EXPECT_EQ(sandbox.MessageTexts(),
                c.asked ? std::vector<std::string>{kDiscardEntriesText} : std::vector<std::string>{});
      closed = !w->isVisible();
      if (!closed) {
        EXPECT_EQ(Control<QLineEdit>(w, "myName")->text(), QStringLiteral("Mia Ek")) << "what was typed stays";
      }
    }));
    EXPECT_EQ(closed, c.closed);
    EXPECT_FALSE(fs::exists(MailMergeSettingsPath()));
  }
}

TEST_F(MailMergeWizardTest, AnEmptyLookupOffersNoFinish) {
  Add("Ada", "Berg", "Lund", "");
  Run(std::nullopt, [&](QWidget* w) {
    Click(w, "next");
    Type(w, "searchText", "nobody");
    Click(w, "next");
    FillMyRecord(w);
    Click(w, "next");
    Control<QRadioButton>(w, "email")->click();
    Control<QComboBox>(w, "emailSystem")->setCurrentIndex(1);
    emit Control<QComboBox>(w, "emailSystem")->activated(1);  // as the user's choice in the list
    Click(w, "next");
    EXPECT_EQ(Page(w), 7);  // "Default E-mail client" has no Internet options
    Type(w, "subject", "Hi");
    Click(w, "next");
    ASSERT_EQ(Page(w), 8);
    ASSERT_TRUE(WaitUntil([&] { return !Control<QLabel>(w, "system")->text().isEmpty(); }));
    EXPECT_TRUE(Control<QLabel>(w, "noRecipients")->isVisible());
    EXPECT_FALSE(Control<QListWidget>(w, "recipients")->isVisible());
    EXPECT_FALSE(Control<QPushButton>(w, "finish")->isEnabled());
    EXPECT_EQ(Control<QLabel>(w, "system")->text().toStdString(), "E-mail system: Default E-mail client");
  });
  EXPECT_TRUE(jobs.empty());
  // The warning about the desktop's e-mail program names it as a person
  // knows it on this desktop.
  const std::vector<std::string> texts = sandbox.MessageTexts();
  ASSERT_FALSE(texts.empty());
  EXPECT_TRUE(texts[0].starts_with("You have chosen to send e-mail through your e-mail program.")) << texts[0];
  for (const std::string& text : texts) EXPECT_EQ(text.find("MAPI"), std::string::npos) << text;
}

// The whole way a person goes: the program's Mail Merge command, the wizard
// to its end, and the job sending through a real SMTP server on loopback.
TEST_F(MailMergeWizardTest, AnEmailMergeFromTheProgramReachesARealMailServer) {
  ASSERT_TRUE(fs::exists(testing::kPython));
  testing::SmtpSink sink(sandbox.File("sink"));
  ASSERT_TRUE(sink.ready()) << "the SMTP sink did not start (python3-aiosmtpd missing?)";
  const ConnectionProbe probe = SetConnectionProbe([] { return true; });
  Add("Anna", "Berg", "Lund", "anna@example.org");
  Add("Petter", "Dahl", "Lund", "refuse@example.org");
  Add("Mona", "Lie", "Lund", "mona@example.org");
  CardoraFeatures features;
  QTimer::singleShot(0, [&] {
    QWidget* w = QApplication::activeModalWidget();
    ASSERT_TRUE(w && w->objectName() == "mailMergeWizard");
    Control<QRadioButton>(w, "allRecords")->click();
    Click(w, "next");
    FillMyRecord(w);
    Click(w, "next");
    Control<QRadioButton>(w, "email")->click();
    Click(w, "next");
    Type(w, "smtpServer", sink.server().c_str());
    Click(w, "next");
    Control<QPlainTextEdit>(w, "message")->setPlainText("Dear <<First_Name>> <<Last_Name>>,\nfrom <<MY_Company>>");
    Type(w, "subject", "Welcome");
    Click(w, "next");  // the changed text is not saved into the template
    ASSERT_TRUE(WaitUntil([&] { return Control<QListWidget>(w, "recipients")->count() == 3; }));
    Click(w, "finish");
  });
  features.RunMailMerge(nullptr, ContactSelection{store.get(), std::nullopt});
  ASSERT_TRUE(features.MailMergeSending());
  MailMergeJobWindow* window = features.mailMergeJobs().window();
  ASSERT_TRUE(window);
  ASSERT_TRUE(WaitUntil([&] { return window->finished(); }, 20000)) << window->logText();
  EXPECT_EQ(window->logText(),
            "1 : Internet mail : Send to : Anna Berg : True\r\n2 : Internet mail : Send to : Mona Lie : True\r\n"
            "3 : Internet mail : Send to : Petter Dahl : False");  // in the order of first names
  ASSERT_EQ(sink.MessageCount(), 2u);
  const std::string first = sink.Message(1) + sink.Message(2);
  EXPECT_NE(first.find("Dear Anna Berg,\r\nfrom Ek AB"), std::string::npos) << first;
  EXPECT_NE(first.find("Dear Mona Lie,\r\nfrom Ek AB"), std::string::npos) << first;
  EXPECT_NE(first.find("Subject: Welcome"), std::string::npos);
  Button(window, "ok")->click();
  EXPECT_FALSE(features.MailMergeSending());
  SetConnectionProbe(probe);
}

}  // namespace
}  // namespace velmora
