// Desktop integration: the file-type association written under
// XDG_DATA_HOME, help pages, e-mail and web addresses, printing, text files
// and the dialler's result codes.
#include "shell/DesktopIntegration.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QStandardPaths>
#include <QTest>
#include <QTextBrowser>
#include <fstream>

#include "RecordFiles.h"
#include "ShellTestSupport.h"
#include "store/Settings.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

class DesktopTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    fs::create_directories(bin);
    SetUrlOpener([this](const QUrl& url) {
      opened.push_back(url.toString().toStdString());
      return openerAnswer;
    });
    ResetDialerForTesting();
  }
  void TearDown() override {
    SetUrlOpener({});
    ResetDialerForTesting();
    ShellTest::TearDown();
  }
  // A program on a PATH of its own (with the system folders, for /bin/sh).
  void Install(const std::string& name, const std::string& script) {
    const std::string program = bin + "/" + name;
    std::ofstream(program) << "#!/bin/sh\n" << script << "\n";
    fs::permissions(program, fs::perms::owner_all);
  }
  std::unique_ptr<ScopedEnv> PathWith(bool system) {
    return std::make_unique<ScopedEnv>("PATH", system ? bin + ":/usr/bin:/bin" : bin);
  }

  std::string bin = File("bin");
  std::vector<std::string> opened;
  bool openerAnswer = true;
};

// ---- File type -------------------------------------------------------------------

TEST_F(DesktopTest, RegisterFileTypeWritesTheMimePackageAndTheDesktopEntry) {
  const std::string dataHome = File("xdg-data");
  RegisterFileType("adr");
  EXPECT_EQ(MimePackagePath("adr"), dataHome + "/mime/packages/velmora-adr.xml");
  EXPECT_EQ(DesktopEntryPath(), dataHome + "/applications/org.velmora.Cardora.desktop");

  const std::string mime = ReadWholeFile(MimePackagePath("adr"));
  EXPECT_NE(mime.find("<mime-type type=\"application/x-velmora-addressbook\">"), std::string::npos) << mime;
  EXPECT_NE(mime.find("<comment>Velmora File</comment>"), std::string::npos);
  EXPECT_NE(mime.find("<glob pattern=\"*.adr\"/>"), std::string::npos);

  const std::string entry = ReadWholeFile(DesktopEntryPath());
  const std::string program = QCoreApplication::applicationFilePath().toStdString();
  EXPECT_NE(entry.find("\nExec=\"" + program + "\" %f\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nMimeType=application/x-velmora-addressbook;\n"), std::string::npos);
  EXPECT_NE(entry.find("\nName=Cardora\n"), std::string::npos);
  EXPECT_NE(entry.find("\nIcon=org.velmora.Cardora\n"), std::string::npos);

  if (!QStandardPaths::findExecutable(QStringLiteral("update-mime-database")).isEmpty()) {
    EXPECT_TRUE(fs::exists(dataHome + "/mime/mime.cache")) << "the mime database is rebuilt";
  }
}

TEST_F(DesktopTest, RegisteringAgainRewritesTheSameFiles) {
  RegisterFileType("adr");
  const std::string mime = ReadWholeFile(MimePackagePath("adr"));
  const std::string entry = ReadWholeFile(DesktopEntryPath());
  fs::remove(DesktopEntryPath());
  RegisterFileType("adr");
  EXPECT_EQ(ReadWholeFile(MimePackagePath("adr")), mime);
  EXPECT_EQ(ReadWholeFile(DesktopEntryPath()), entry);
}

TEST_F(DesktopTest, RegisteringReplacesALinkAtAFileNameInsteadOfWritingThroughIt) {
  const std::string victim = File("victim.txt");
  ASSERT_TRUE(WriteWholeFile(victim, "someone else's file\n"));
  for (const std::string& path : {MimePackagePath("adr"), DesktopEntryPath()}) {
    fs::create_directories(fs::path(path).parent_path());
    fs::create_symlink(victim, path);
  }
  RegisterFileType("adr");
  EXPECT_EQ(ReadWholeFile(victim), "someone else's file\n");
  for (const std::string& path : {MimePackagePath("adr"), DesktopEntryPath()}) {
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(path))) << path;
  }
  EXPECT_NE(ReadWholeFile(MimePackagePath("adr")).find("<glob pattern=\"*.adr\"/>"), std::string::npos);
}

TEST_F(DesktopTest, TheCalendarRegistersItsOwnType) {
  SetProgramName("Almanor");
  RegisterFileType("cld");
  EXPECT_NE(ReadWholeFile(MimePackagePath("cld")).find("<glob pattern=\"*.cld\"/>"), std::string::npos);
  EXPECT_NE(ReadWholeFile(DesktopEntryPath()).find("MimeType=application/x-velmora-calendar;"), std::string::npos);
  EXPECT_TRUE(ReadWholeFile(MimePackagePath("adr")).empty());
}

TEST_F(DesktopTest, AnInstalledSuiteLeavesTheUsersDataAlone) {
  // The suite installed into a system data folder: its entry and the types.
  const std::string system = File("system-share");
  fs::create_directories(system + "/applications");
  fs::create_directories(system + "/mime/packages");
  ASSERT_TRUE(WriteWholeFile(system + "/applications/org.velmora.Cardora.desktop", "[Desktop Entry]\n"));
  const ScopedEnv dirs("XDG_DATA_DIRS", system);
  // Only the calendar's entry is missing there.
  RegisterFileType("adr");
  EXPECT_TRUE(fs::exists(DesktopEntryPath())) << "without the types the program still registers itself";
  fs::remove(DesktopEntryPath());
  fs::remove(MimePackagePath("adr"));

  ASSERT_TRUE(WriteWholeFile(system + "/mime/packages/org.velmora.xml", "<mime-info/>\n"));
  RegisterFileType("adr");
  EXPECT_FALSE(fs::exists(DesktopEntryPath()));
  EXPECT_FALSE(fs::exists(MimePackagePath("adr")));

  SetProgramName("Almanor");
  RegisterFileType("cld");
  EXPECT_TRUE(fs::exists(DesktopEntryPath())) << "the calendar is not installed there";
}

// ---- Help ---------------------------------------------------------------------------

TEST_F(DesktopTest, HelpPagesShipWithThePrograms) {
  for (const char* page : {"address.htm", "calendar.htm"}) {
    const std::optional<std::string> found = FindHelpFile(page);
    ASSERT_TRUE(found) << page;
    EXPECT_NE(ReadWholeFile(*found).find("</html>"), std::string::npos);
  }
  EXPECT_EQ(OpenHelp("address.htm", true), 1);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], QUrl::fromLocalFile(QString::fromStdString(*FindHelpFile("address.htm"))).toString().toStdString());
}

TEST_F(DesktopTest, HelpInTheProgramFolderComesFirst) {
  fs::create_directories(File("help"));
  std::ofstream(File("help/address.htm")) << "<html>local</html>";
  EXPECT_EQ(FindHelpFile("address.htm"), File("help/address.htm"));
}

TEST_F(DesktopTest, AMissingHelpFileIsReportedWithItsPath) {
  EXPECT_EQ(OpenHelp("nothing.htm", false), 0);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Help file '" + File("help/nothing.htm") + "'\r\ndoes not exist."});
  EXPECT_TRUE(opened.empty());
}

// The help window the program shows a page in, when there is one.
QWidget* HelpWindow() {
  QWidget* found = nullptr;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == QStringLiteral("HelpWindow") && widget->isVisible()) {
      EXPECT_EQ(found, nullptr) << "one help window at a time";
      found = widget;
    }
  }
  return found;
}

TEST_F(DesktopTest, HelpTheDesktopCannotOpenShowsInAWindowOfItsOwn) {
  openerAnswer = false;
  const std::string page = *FindHelpFile("address.htm");
  for (int call = 0; call < 2; ++call) {
    EXPECT_EQ(OpenHelp("address.htm", true), 1);
    QWidget* window = HelpWindow();
    ASSERT_NE(window, nullptr);
    auto* browser = window->findChild<QTextBrowser*>();
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->source(), QUrl::fromLocalFile(QString::fromStdString(page)));
    EXPECT_FALSE(browser->toPlainText().trimmed().isEmpty());
    EXPECT_FALSE(window->windowTitle().isEmpty());
  }
  EXPECT_EQ(opened.size(), 2u) << "the desktop is asked first";
  EXPECT_TRUE(MessageTexts().empty());
  HelpWindow()->close();
  QCoreApplication::processEvents();
}

TEST_F(DesktopTest, HelpTheDesktopOpensShowsNoWindowOfItsOwn) {
  EXPECT_EQ(OpenHelp("address.htm", true), 1);
  EXPECT_EQ(opened.size(), 1u);
  EXPECT_EQ(HelpWindow(), nullptr);
}

struct BrowserCase {
  const char* name;
  const char* xdgMime;  // the fake xdg-mime's output; nullptr: none installed
  const char* browser;  // $BROWSER
  bool browserProgram;  // an x-www-browser on the PATH
  bool shows;
};

class WebPageProgramTest : public DesktopTest, public ::testing::WithParamInterface<BrowserCase> {};

TEST_P(WebPageProgramTest, TheDesktopIsAskedForAProgramForWebPages) {
  const BrowserCase& c = GetParam();
  if (c.xdgMime) Install("xdg-mime", std::string("echo '") + c.xdgMime + "'");
  if (c.browserProgram) Install("x-www-browser", "exit 0");
  ScopedEnv browser("BROWSER", c.browser);
  const auto path = PathWith(false);
  EXPECT_EQ(DesktopShowsWebPages(), c.shows);
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, WebPageProgramTest,
    ::testing::Values(BrowserCase{"DefaultForHtml", "firefox-esr.desktop", "", false, true},
                      BrowserCase{"NoDefault", "", "", false, false},
                      BrowserCase{"BrowserVariable", "", "lynx", false, true},
                      BrowserCase{"BrowserProgram", "", "", true, true},
                      BrowserCase{"NothingToAsk", nullptr, "", false, true}),
    [](const ::testing::TestParamInfo<BrowserCase>& info) { return std::string(info.param.name); });

// ---- Addresses and documents -----------------------------------------------------------

TEST_F(DesktopTest, AddressesOpenAsTheirUrls) {
  const std::string document = File("letter.txt");
  std::ofstream(document) << "Dear Ann";
  struct Case {
    std::function<bool()> call;
    std::string url;
  };
  const std::vector<Case> cases = {
      {[] { return ComposeEmail(""); }, "mailto:"},
      {[] { return ComposeEmail("ann@example.com"); }, "mailto:ann@example.com"},
      {[] { return OpenDocument("www.example.com"); }, "http://www.example.com"},
      {[] { return OpenDocument("https://example.org/a?b=c"); }, "https://example.org/a?b=c"},
      {[&] { return OpenDocument(document); }, "file://" + document},
  };
  for (const Case& c : cases) {
    opened.clear();
    EXPECT_TRUE(c.call());
    EXPECT_EQ(opened, std::vector<std::string>{c.url});
  }
}

TEST_F(DesktopTest, AddressHasAtSign) {
  EXPECT_TRUE(AddressHasAtSign("ann@example.com"));
  EXPECT_TRUE(AddressHasAtSign("@"));
  EXPECT_FALSE(AddressHasAtSign("ann.example.com"));
  EXPECT_FALSE(AddressHasAtSign(""));
}

// ---- Printing and text files --------------------------------------------------------------

TEST_F(DesktopTest, PrintingHandsTheReportToLp) {
  const std::string printed = File("printed");
  Install("lp", "printf '%s' \"$@\" > '" + printed + "'");
  auto path = PathWith(false);
  EXPECT_FALSE(PrintFile()) << "no report yet: nothing happens";
  std::ofstream(DefaultReportPath()) << "Report\r\n";
  EXPECT_EQ(DefaultReportPath(), File("report.txt"));
  EXPECT_TRUE(PrintFile());
  EXPECT_EQ(ReadWholeFile(printed), File("report.txt"));
  // A print service that refuses the job (no printer, a stopped service) is
  // a failure, not a print.
  Install("lp", "echo 'lp: Error - no default destination available.' >&2; exit 1");
  EXPECT_FALSE(PrintFile());
}

TEST_F(DesktopTest, ShowTextFileLoadsUtf8AndOlderFiles) {
  QPlainTextEdit window;
  std::ofstream(File("new.txt")) << "Caf\xc3\xa9";
  std::ofstream(File("old.txt")) << "Caf\xe9";
  ASSERT_EQ(ShowTextFile(&window, File("new.txt")), 1);
  EXPECT_EQ(window.toPlainText(), QStringLiteral("Caf\u00e9"));
  ASSERT_EQ(ShowTextFile(&window, File("old.txt")), 1);
  EXPECT_EQ(window.toPlainText(), QStringLiteral("Caf\u00e9"));
  EXPECT_EQ(ShowTextFile(&window, File("missing.txt")), 0);
  EXPECT_EQ(ShowTextFile(&window), 0) << "no default report";
}

// ---- Dialling ---------------------------------------------------------------------------------

TEST_F(DesktopTest, WithoutATelephonyHandlerDiallingFailsOnceThenAtOnce) {
  auto path = PathWith(false);  // no xdg-mime at all
  EXPECT_EQ(DialNumber("555 0101"), static_cast<long>(0x80000049L));
  // Installed later: the first answer stands, without checking again.
  Install("xdg-mime", "echo dialer.desktop");
  EXPECT_EQ(DialNumber("555 0101"), -16);
  EXPECT_EQ(DialNumber("555 0102"), -16);
  EXPECT_TRUE(opened.empty());
}

TEST_F(DesktopTest, AnEmptyHandlerAnswerMeansNoTelephony) {
  Install("xdg-mime", "exit 0");
  auto path = PathWith(false);
  EXPECT_EQ(DialNumber("555 0101"), kDialNoTelephony);
  EXPECT_EQ(DialNumber("555 0101"), kDialUnavailable);
}

TEST_F(DesktopTest, WithAHandlerTheNumberOpensAsATelUrl) {
  const std::string asked = File("asked");
  Install("xdg-mime", "echo \"$@\" >> '" + asked + "'; echo dialer.desktop");
  auto path = PathWith(false);
  struct Case {
    const char* number;
    bool openerAnswer;
    long result;
    const char* url;  // nullptr: nothing opened
  };
  const Case cases[] = {
      {"+1 (555) 010-7788", true, 0, "tel:+15550107788"},
      {"555 0101 ext. 12", true, 0, "tel:555010112"},
      {"*31#", true, 0, "tel:*31%23"},
      {"none", true, kDialInvalidNumber, nullptr},
      {"0101", false, kDialNoRecipient, "tel:0101"},
  };
  for (const Case& c : cases) {
    opened.clear();
    openerAnswer = c.openerAnswer;
    EXPECT_EQ(DialNumber(c.number, "Cardora", "Ann", ""), c.result) << c.number;
    EXPECT_EQ(opened, c.url ? std::vector<std::string>{c.url} : std::vector<std::string>{}) << c.number;
  }
  EXPECT_EQ(ReadWholeFile(asked), "query default x-scheme-handler/tel\n") << "checked once";
}

}  // namespace
}  // namespace velmora::testing
