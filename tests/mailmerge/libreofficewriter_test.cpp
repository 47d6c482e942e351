// The "MS Word" actions against a real LibreOffice: each test lets
// LibreOfficeWriter start a headless office with a private profile inside
// the test's temporary folder, and checks afterwards that no process of it
// is left. They are skipped only where LibreOffice Writer or Debian's UNO
// bridge is not installed (scripts/install-deps.sh installs both).
#include "addressbook/mailmerge/LibreOfficeWriter.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <utility>
#include <vector>

#include "addressbook/mailmerge/MergeDataFile.h"
#include "addressbook/mailmerge/MergeTemplates.h"
#include "addressbook/mailmerge/WordProcessorMerge.h"
#include "tests/support/Files.h"
#include "tests/support/OtherUser.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

using testing::CanActAsOtherUser;
using testing::PlantLinkAsOtherUser;
using testing::ReadWholeFile;
using testing::TempDir;
using testing::WriteWholeFile;
using Box = std::pair<std::string, std::string>;

// Why the real office cannot run here; empty when it can.
std::string WhyNoWriter() {
  if (::access(mailmerge::kWriterOffice, X_OK) != 0) return "LibreOffice (/usr/bin/soffice) is not installed";
  std::string probe = std::string(mailmerge::kWriterPython) + " -I -c 'import uno' >/dev/null 2>&1";
  if (std::system(probe.c_str()) != 0) return "Debian's python3-uno is not installed";
  if (FindWriterMergeScript().empty()) return "writer_merge.py is not in the build tree";
  return {};
}

#define SKIP_WITHOUT_WRITER()                          \
  do {                                                 \
    std::string why = WhyNoWriter();                   \
    if (!why.empty()) GTEST_SKIP() << why;             \
  } while (0)

std::string Capture(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
  ::pclose(pipe);
  return out;
}

// The processes whose command line mentions the text (other than this one).
std::vector<std::string> ProcessesMentioning(const std::string& text) {
  std::vector<std::string> found;
  DIR* proc = ::opendir("/proc");
  if (!proc) return found;
  std::string self = std::to_string(::getpid());
  while (dirent* entry = ::readdir(proc)) {
    std::string pid = entry->d_name;
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos || pid == self) continue;
    std::string line = ReadWholeFile("/proc/" + pid + "/cmdline");
    for (char& c : line) {
      if (c == '\0') c = ' ';
    }
    if (line.find(text) != std::string::npos) found.push_back(pid + ": " + line);
  }
  ::closedir(proc);
  return found;
}

// Prints an OpenDocument text page by page, the paragraphs of a page joined
// by " | ": a page begins at a paragraph whose style starts a page.
constexpr const char* kPagesScript = R"(import sys, zipfile, xml.etree.ElementTree as ET
O = "{urn:oasis:names:tc:opendocument:xmlns:office:1.0}"
S = "{urn:oasis:names:tc:opendocument:xmlns:style:1.0}"
T = "{urn:oasis:names:tc:opendocument:xmlns:text:1.0}"
with zipfile.ZipFile(sys.argv[1]) as z:
    root = ET.fromstring(z.read("content.xml"))
starts = {s.get(S + "name") for s in root.iter(S + "style") if s.get(S + "master-page-name")}
pages = []
for p in root.find(O + "body/" + O + "text").iter():
    if p.tag not in (T + "p", T + "h"):
        continue
    if not pages or p.get(T + "style-name") in starts:
        pages.append([])
    pages[-1].append("".join(p.itertext()))
for page in pages:
    print(" | ".join(page))
)";

// Prints what binds a document to its data: the document's merge settings,
// the data source of each database field, and the connection of a data
// source document.
constexpr const char* kBindingScript = R"(import sys, zipfile, xml.etree.ElementTree as ET
C = "{urn:oasis:names:tc:opendocument:xmlns:config:1.0}"
T = "{urn:oasis:names:tc:opendocument:xmlns:text:1.0}"
F = "{urn:oasis:names:tc:opendocument:xmlns:form:1.0}"
D = "{urn:oasis:names:tc:opendocument:xmlns:database:1.0}"
X = "{http://www.w3.org/1999/xlink}"
with zipfile.ZipFile(sys.argv[1]) as z:
    print("mimetype", z.read("mimetype").decode())
    if "settings.xml" in z.namelist():
        settings = ET.fromstring(z.read("settings.xml"))
        for item in settings.iter(C + "config-item"):
            if item.get(C + "name").startswith("CurrentDatabase"):
                print(item.get(C + "name"), item.text)
    content = ET.fromstring(z.read("content.xml"))
    for field in content.iter(T + "database-display"):
        print("field", field.get(T + "column-name"), field.get(T + "table-name"),
              field.find(F + "connection-resource").get(X + "href"))
    for database in content.iter(D + "file-based-database"):
        print("database", database.get(X + "href"), database.get(D + "media-type"), database.get(D + "extension"))
)";

std::string RunPython(const TempDir& dir, const char* script, const std::string& file) {
  std::string path = dir.File("check.py");
  EXPECT_TRUE(WriteWholeFile(path, script));
  return Capture(std::string(mailmerge::kWriterPython) + " -I '" + path + "' '" + file + "' 2>&1");
}

// A letter in flat OpenDocument XML, named as the wizard names templates;
// its fields still point at a data source somewhere else, as in a template
// brought from another folder.
std::string FieldOf(const char* column) {
  return std::string("<text:database-display text:table-name=\"people\" text:table-type=\"table\" "
                     "text:column-name=\"") +
         column + "\"><form:connection-resource xlink:href=\"file:///elsewhere/people.odb\"/>&lt;" + column +
         "&gt;</text:database-display>";
}

std::string Letter() {
  return std::string(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
             "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
             "xmlns:form=\"urn:oasis:names:tc:opendocument:xmlns:form:1.0\" "
             "xmlns:xlink=\"http://www.w3.org/1999/xlink\" office:version=\"1.3\" "
             "office:mimetype=\"application/vnd.oasis.opendocument.text\">\n"
             " <office:body><office:text>\n"
             "  <text:p>Dear ") +
         FieldOf("First_Name") + " " + FieldOf("Last_Name") + ",</text:p>\n  <text:p>" + FieldOf("Home_City") + " " +
         FieldOf("Home_Zip_Postal_Code") + "</text:p>\n  <text:p>From " + FieldOf("MY_Company") +
         "</text:p>\n </office:text></office:body>\n</office:document>\n";
}

MergeContext Sender() {
  MergeContext context;
  context.sender = MyRecord{"Karl Nilsen", "Nordlys AS", "karl@nordlys.example", "22 33 44 55", "Storgata 1"};
  return context;
}

// The data file of a job for two recipients, written as the job writes it.
std::string TwoRecipients() {
  ResultOf<std::string> path = DataFilePath();
  EXPECT_TRUE(path.ok());
  EXPECT_TRUE(CreateDataFile(path.value(), false).ok());
  Contact ann;
  ann.SetText(contact::kFirstName, "Ann");
  ann.SetText(contact::kLastName, "O'Hara");
  ann.SetText(contact::kHomeCity, "Springfield, East");
  ann.SetText(contact::kHomeZip, "01234");
  Contact bob;
  bob.SetText(contact::kFirstName, "Bob");
  bob.SetText(contact::kLastName, "Smith");
  bob.SetText(contact::kHomeCity, "Shelbyville");
  for (const Contact& c : {ann, bob}) {
    EXPECT_TRUE(AppendDataRow(path.value(), DataFileRow(c, Sender(), WordProcessor::MsWord)).ok());
  }
  return path.value();
}

struct Office {
  TempDir dir;
  std::string work = dir.File("work");
  std::vector<Box> boxes;
  std::vector<std::string> opened;
  LibreOfficeWriter writer{Setup()};
  WordProcessorMerge merge{writer,
                           [this](const std::string& caption, const std::string& text) {
                             boxes.emplace_back(caption, text);
                           },
                           [this](const std::string& path) {
                             opened.push_back(path);
                             return OpenOutcome::Opened;
                           }};

  WriterSetup Setup() {
    std::filesystem::create_directories(work);
    WriterSetup setup;
    setup.workParent = work;
    setup.timeout = std::chrono::seconds(240);
    return setup;
  }
  ~Office() { EXPECT_EQ(ProcessesMentioning(work), std::vector<std::string>{}) << "LibreOffice is left running"; }
};

TEST(LibreOfficeWriterMerge, TwoRecipientsGiveOnePageEach) {
  SKIP_WITHOUT_WRITER();
  Office office;
  std::string data = TwoRecipients();
  std::string letter = TemplatePath("Letter.dot").value();
  ASSERT_TRUE(WriteWholeFile(letter, Letter()));

  auto started = std::chrono::steady_clock::now();
  ResultOf<std::string> merged = office.merge.RunLetterMerge(WordProcessor::MsWord, data, letter);
  auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  ::testing::Test::RecordProperty("seconds", std::to_string(seconds));
  std::printf("LibreOffice merge of two recipients: %.1f s\n", seconds);

  ASSERT_TRUE(merged.ok()) << merged.Message() << ": " << office.merge.lastDetail();
  EXPECT_EQ(merged.value(), TemplatePath("Letter merged.odt").value());
  EXPECT_EQ(office.opened, std::vector<std::string>{merged.value()});
  EXPECT_TRUE(office.boxes.empty());
  EXPECT_EQ(RunPython(office.dir, kPagesScript, merged.value()),
            "Dear Ann O'Hara, | Springfield, East 01234 | From Nordlys AS\n"
            "Dear Bob Smith, | Shelbyville  | From Nordlys AS\n");
  EXPECT_EQ(ReadWholeFile(letter), Letter()) << "the template stays as it was";
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(TemplateFolder().value())) {
    files.push_back(entry.path().filename().string());
  }
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"Letter merged.odt", "Letter.dot", "__tdatafile.odb", "__tdatafile.tmp"}))
      << "no lock or partial file is left";
}

// Prints the text of an OpenDocument's body paragraph by paragraph, a tab
// as "\t" and a line break inside a paragraph as "\n", so that a merged
// value's every character shows.
constexpr const char* kParagraphsScript = R"(import sys, zipfile, xml.etree.ElementTree as ET
O = "{urn:oasis:names:tc:opendocument:xmlns:office:1.0}"
T = "{urn:oasis:names:tc:opendocument:xmlns:text:1.0}"
def text(node):
    out = node.text or ""
    for child in node:
        if child.tag == T + "tab":
            out += "\\t"
        elif child.tag == T + "line-break":
            out += "\\n"
        elif child.tag == T + "s":
            out += " " * int(child.get(T + "c", "1"))
        else:
            out += text(child)
        out += child.tail or ""
    return out
with zipfile.ZipFile(sys.argv[1]) as z:
    root = ET.fromstring(z.read("content.xml"))
for p in root.find(O + "body/" + O + "text").iter():
    if p.tag in (T + "p", T + "h"):
        print(text(p))
)";

// Values holding the data file's own separator, its quote, a tab and a line
// break each reach the letter whole, and the values after them stay in
// their columns.
TEST(LibreOfficeWriterMerge, ValuesWithQuotesSeparatorsTabsAndLineBreaksMergeWhole) {
  SKIP_WITHOUT_WRITER();
  Office office;
  ResultOf<std::string> data = DataFilePath();
  ASSERT_TRUE(data.ok());
  ASSERT_TRUE(CreateDataFile(data.value(), false).ok());
  Contact acme;
  acme.SetText(contact::kFirstName, "Acme, \"Inc.\"");
  acme.SetText(contact::kLastName, "\"Quoted\"");
  acme.SetText(contact::kHomeCity, "Tab\there");
  acme.SetText(contact::kHomeZip, "Line one\r\nLine \"two\", end");
  MergeContext sender = Sender();
  sender.sender.company = "Nordlys \"AS\", Oslo";
  ASSERT_TRUE(AppendDataRow(data.value(), DataFileRow(acme, sender, WordProcessor::MsWord)).ok());
  std::string letter = TemplatePath("Letter.dot").value();
  ASSERT_TRUE(WriteWholeFile(letter, Letter()));

  ResultOf<std::string> merged = office.merge.RunLetterMerge(WordProcessor::MsWord, data.value(), letter);
  ASSERT_TRUE(merged.ok()) << merged.Message() << ": " << office.merge.lastDetail();
  EXPECT_EQ(RunPython(office.dir, kParagraphsScript, merged.value()),
            "Dear Acme, \"Inc.\" \"Quoted\",\n"
            "Tab\\there Line one\\nLine \"two\", end\n"
            "From Nordlys \"AS\", Oslo\n");
}

TEST(LibreOfficeWriterMerge, LinksAnotherUserPlantedInTheTemplateFolderAreNotWrittenThrough) {
  SKIP_WITHOUT_WRITER();
  if (!CanActAsOtherUser()) GTEST_SKIP() << "needs root to act as another user";
  Office office;
  std::string data = TwoRecipients();
  std::string letter = TemplatePath("Letter.dot").value();
  ASSERT_TRUE(WriteWholeFile(letter, Letter()));
  const std::string folder = TemplateFolder().value();
  // The template folder is shared: another user may put names in it.
  ASSERT_EQ(::chmod(office.dir.path().c_str(), 0755), 0);
  ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
  const std::string kept = office.dir.File("kept.txt");
  ASSERT_TRUE(WriteWholeFile(kept, "the victim's own\n"));
  const std::string created = office.dir.File("created-in-the-victims-name");
  const std::string merged = folder + "/Letter merged.odt";
  ASSERT_TRUE(PlantLinkAsOtherUser(kept, merged + ".part"));
  ASSERT_TRUE(PlantLinkAsOtherUser(created, folder + "/__tdatafile.odb.part"));
  ASSERT_TRUE(PlantLinkAsOtherUser(kept, merged));

  ResultOf<std::string> result = office.merge.RunLetterMerge(WordProcessor::MsWord, data, letter);
  ASSERT_TRUE(result.ok()) << result.Message() << ": " << office.merge.lastDetail();
  // The name the link took is passed over: the merge gets the next one.
  EXPECT_EQ(result.value(), folder + "/Letter merged 2.odt");
  EXPECT_EQ(ReadWholeFile(kept), "the victim's own\n");
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(created)));
  EXPECT_TRUE(std::filesystem::is_symlink(std::filesystem::symlink_status(merged)));
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(result.value())));
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(folder + "/__tdatafile.odb")));
  EXPECT_EQ(RunPython(office.dir, kPagesScript, result.value()),
            "Dear Ann O'Hara, | Springfield, East 01234 | From Nordlys AS\n"
            "Dear Bob Smith, | Shelbyville  | From Nordlys AS\n");
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    files.push_back(entry.path().filename().string());
  }
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"Letter merged 2.odt", "Letter merged.odt", "Letter merged.odt.part",
                                             "Letter.dot", "__tdatafile.odb", "__tdatafile.odb.part",
                                             "__tdatafile.tmp"}))
      << "nothing but the results is left";
}

TEST(LibreOfficeWriterMerge, NewTemplateIsBoundToTheDataFile) {
  SKIP_WITHOUT_WRITER();
  Office office;
  std::string data = DataFilePath().value();
  ASSERT_TRUE(CreateDataFile(data, true).ok());
  std::string letter = TemplatePath("Default.dot").value();

  ASSERT_TRUE(office.merge.CreateLetterTemplate(WordProcessor::MsWord, data, letter).ok())
      << office.merge.lastDetail();
  EXPECT_EQ(office.opened, std::vector<std::string>{letter});
  std::string folder = TemplateFolder().value();
  // A starting letter: the sender, the recipient's name and home address,
  // the salutation and the signature, each field bound to the data file.
  std::string fields;
  for (const char* column : {"MY_Company", "MY_Address", "MY_Phone", "MY_Email", "First_Name", "Last_Name",
                             "Home_Street_Address", "Home_Zip_Postal_Code", "Home_City", "Home_Country", "First_Name",
                             "Last_Name", "MY_First_Name", "MY_Last_Name"}) {
    fields += std::string("field ") + column + " __tdatafile file://" + folder + "/__tdatafile.odb\n";
  }
  EXPECT_EQ(RunPython(office.dir, kBindingScript, letter),
            "mimetype application/vnd.oasis.opendocument.text\n"
            "CurrentDatabaseCommandType 0\n"
            "CurrentDatabaseCommand __tdatafile\n"
            "CurrentDatabaseDataSource file://" + folder + "/__tdatafile.odb\n" + fields);
  // The data source reads the ".tmp" files of its own folder as text tables.
  EXPECT_EQ(RunPython(office.dir, kBindingScript, folder + "/__tdatafile.odb"),
            "mimetype application/vnd.oasis.opendocument.base\n"
            "database ../ text/csv tmp\n");
}

// The first merge with a new template, before the user changed anything in
// it, already gives each recipient a letter with their name and address.
TEST(LibreOfficeWriterMerge, NewTemplateMergesIntoALetterForEachRecipient) {
  SKIP_WITHOUT_WRITER();
  Office office;
  std::string data = DataFilePath().value();
  ASSERT_TRUE(CreateDataFile(data, true).ok());
  std::string letter = TemplatePath("Default.dot").value();
  ASSERT_TRUE(office.merge.CreateLetterTemplate(WordProcessor::MsWord, data, letter).ok())
      << office.merge.lastDetail();
  data = TwoRecipients();
  ResultOf<std::string> merged = office.merge.RunLetterMerge(WordProcessor::MsWord, data, letter);
  ASSERT_TRUE(merged.ok()) << merged.Message() << ": " << office.merge.lastDetail();
  const std::string pages = RunPython(office.dir, kPagesScript, merged.value());
  const size_t second = pages.find("\nNordlys AS");
  ASSERT_NE(second, std::string::npos) << pages;
  const std::string ann = pages.substr(0, second);
  const std::string bob = pages.substr(second + 1);
  for (const char* part : {"Nordlys AS | Storgata 1 | 22 33 44 55 ", "karl@nordlys.example |", "| Ann O'Hara |",
                           "| 01234 Springfield, East |", "| Dear Ann O'Hara, |", "| Karl Nilsen"}) {
    EXPECT_NE(ann.find(part), std::string::npos) << part << " in " << ann;
  }
  for (const char* part : {"| Bob Smith |", "Shelbyville |", "| Dear Bob Smith, |", "| Karl Nilsen"}) {
    EXPECT_NE(bob.find(part), std::string::npos) << part << " in " << bob;
  }
}

TEST(LibreOfficeWriterMerge, EditedTemplateIsBoundAgainAndWrittenBack) {
  SKIP_WITHOUT_WRITER();
  Office office;
  std::string data = DataFilePath().value();
  ASSERT_TRUE(CreateDataFile(data, true).ok());
  std::string letter = TemplatePath("Letter.dot").value();
  ASSERT_TRUE(WriteWholeFile(letter, Letter()));

  ASSERT_TRUE(office.merge.EditLetterTemplate(WordProcessor::MsWord, letter, data).ok()) << office.merge.lastDetail();
  EXPECT_EQ(office.opened, std::vector<std::string>{letter});
  std::string source = "file://" + TemplateFolder().value() + "/__tdatafile.odb";
  std::string fields;
  for (const char* column : {"First_Name", "Last_Name", "Home_City", "Home_Zip_Postal_Code", "MY_Company"}) {
    fields += std::string("field ") + column + " __tdatafile " + source + "\n";
  }
  EXPECT_EQ(RunPython(office.dir, kBindingScript, letter),
            "mimetype application/vnd.oasis.opendocument.text\n"
            "CurrentDatabaseCommandType 0\n"
            "CurrentDatabaseCommand __tdatafile\n"
            "CurrentDatabaseDataSource " + source + "\n" + fields);
}

TEST(LibreOfficeWriterMerge, MissingTemplateCannotBeOpened) {
  SKIP_WITHOUT_WRITER();
  Office office;
  std::string data = DataFilePath().value();
  ASSERT_TRUE(CreateDataFile(data, true).ok());
  std::string letter = TemplatePath("Nowhere.dot").value();

  Result r = office.merge.EditLetterTemplate(WordProcessor::MsWord, letter, data);
  EXPECT_EQ(r.what(), "Could not open existing Word Template");
  EXPECT_EQ(office.boxes, (std::vector<Box>{{"Error - MS Word", "Could not open existing Word Template"}}));
  EXPECT_NE(office.merge.lastDetail().find("Nowhere.dot"), std::string::npos) << office.merge.lastDetail();
  EXPECT_TRUE(office.opened.empty());
}

TEST(LibreOfficeWriterMerge, OfficeThatNeverAnswersIsEndedWhole) {
  SKIP_WITHOUT_WRITER();
  TempDir dir;
  // An "office" that writes down its process group and waits for ever.
  std::string office = dir.File("soffice");
  ASSERT_TRUE(WriteWholeFile(office, "#!/bin/sh\necho $$ > '" + dir.File("group") + "'\nsleep 600\n"));
  ASSERT_EQ(::chmod(office.c_str(), 0755), 0);
  std::string data = dir.File("__tdatafile.tmp");
  ASSERT_TRUE(CreateDataFile(data, true).ok());
  WriterSetup setup;
  setup.office = office;
  setup.workParent = dir.path();
  setup.timeout = std::chrono::seconds(5);
  LibreOfficeWriter writer(setup);

  auto started = std::chrono::steady_clock::now();
  WriterRun run = writer.Run(WriterAction::CreateTemplate, data, dir.File("Default.dot"));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
  EXPECT_TRUE(run.timedOut);
  EXPECT_EQ(run.failedStep, mailmerge::kStepOfficeStart);
  EXPECT_EQ(run.detail, "no end within 5 seconds at step 3");
  std::string group = ReadWholeFile(dir.File("group"));
  ASSERT_FALSE(group.empty());
  // Ended at once; its processes, no longer ours, may take a moment to be
  // reaped by the system.
  pid_t office_group = std::stoi(group);
  auto gone = [&] { return ::kill(-office_group, 0) == -1 && errno == ESRCH; };
  for (int i = 0; i < 100 && !gone(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(gone()) << "the office's process group is gone";
  EXPECT_FALSE(std::filesystem::exists(dir.File("Default.dot")));
}

}  // namespace
}  // namespace velmora
