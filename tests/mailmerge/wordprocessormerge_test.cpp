#include "addressbook/mailmerge/WordProcessorMerge.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <fstream>
#include <utility>
#include <vector>

#include "addressbook/mailmerge/MergeDataFile.h"
#include "tests/support/Files.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

using testing::ReadWholeFile;
using testing::ScopedEnv;
using testing::TempDir;
using testing::WriteWholeFile;

using Box = std::pair<std::string, std::string>;  // caption, text

// A stand-in for writer_merge.py that announces the steps as the real one
// does and stops where FAKE_WRITER_FAILS_AT says: with that step's status,
// or ("die") by a signal after step 6; at the step FAKE_WRITER_HANGS_AT
// says it waits for ever, as an office starting for the first time seems
// to. With FAKE_WRITER_BURST set it announces every step in one write, as a
// busy machine may hand them over. It writes its arguments to the file
// FAKE_WRITER_ARGS, and leaves in its work folder the document a finished
// run leaves there.
constexpr const char* kFakeScript = R"(import os, signal, sys, time
with open(os.environ["FAKE_WRITER_ARGS"], "w") as f:
    f.write("\n".join(sys.argv[1:]))
fail = os.environ.get("FAKE_WRITER_FAILS_AT", "0")
hang = os.environ.get("FAKE_WRITER_HANGS_AT", "0")
steps = (1, 2, 3, 4, 6, 7, 8, 9)
burst = "FAKE_WRITER_BURST" in os.environ
if burst:
    sys.stdout.write("".join("step %d\n" % step for step in steps))
    sys.stdout.flush()
for step in steps:
    if not burst:
        print("step %d" % step, flush=True)
    if str(step) == hang:
        time.sleep(600)
    if fail == "die" and step == 6:
        os.kill(os.getpid(), signal.SIGKILL)
    if str(step) == fail:
        print("stopped at step %d" % step, file=sys.stderr)
        sys.exit(step)
work = sys.argv[sys.argv.index("--work") + 1]
with open(os.path.join(work, "document.odt"), "w") as f:
    f.write(sys.argv[1] + " document.odt")
)";

struct Fixture {
  TempDir dir;
  std::string script = dir.File("fake_writer.py");
  std::string args = dir.File("args");
  ScopedEnv argsEnv{"FAKE_WRITER_ARGS", args};
  std::vector<Box> boxes;
  std::vector<std::string> opened;
  OpenOutcome openOutcome = OpenOutcome::Opened;

  Fixture() { EXPECT_TRUE(WriteWholeFile(script, kFakeScript)); }

  WriterSetup Setup() const {
    WriterSetup setup;
    setup.script = script;
    setup.workParent = dir.path();
    setup.timeout = std::chrono::seconds(60);
    return setup;
  }
  MergeMessageBox Show() {
    return [this](const std::string& caption, const std::string& text) { boxes.emplace_back(caption, text); };
  }
  DocumentOpener Open() {
    return [this](const std::string& path) {
      opened.push_back(path);
      return openOutcome;
    };
  }
};

enum class Act { Create, Edit, Merge };

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

Result Do(WordProcessorMerge& merge, Act act, WordProcessor processor, const std::string& data,
          const std::string& letter) {
  switch (act) {
    case Act::Create:
      return merge.CreateLetterTemplate(processor, data, letter);
    case Act::Edit:
      return merge.EditLetterTemplate(processor, letter, data);
    case Act::Merge:
      break;
  }
  return merge.RunLetterMerge(processor, data, letter).result();
}

TEST(WordProcessorMerge, EachFailingStepShowsItsMessage) {
  const std::string word = mailmerge::kWordCaption;
  struct Case {
    std::string failsAt;
    Act act;
    Box box;
  } cases[] = {
      {"2", Act::Create, {word, "LibreOffice Writer is not installed or corrupted"}},
      {"2", Act::Edit, {word, "LibreOffice Writer is not installed or corrupted"}},
      {"2", Act::Merge, {word, "Could not start LibreOffice Writer.\r\n/usr/bin/soffice is missing"}},
      {"3", Act::Create, {word, "Could not start LibreOffice Writer"}},
      {"3", Act::Merge, {word, "Could not start LibreOffice Writer"}},
      {"4", Act::Edit, {word, "Documents collection could not be invoked"}},
      {"6", Act::Create, {word, "Could not invoke the Add method on the Documents collection object"}},
      {"6", Act::Edit, {word, "Could not open existing Word Template"}},
      {"6", Act::Merge, {word, "Could not open existing Word Template"}},
      {"die", Act::Merge, {word, "Could not open existing Word Template"}},
      {"7", Act::Create, {word, "Could not invoke the MailMerge method on the Document object"}},
      {"8", Act::Edit, {word, "Could not invoke the OpenDataSorce method on the Merge object"}},
      {"8", Act::Merge, {word, "Could not invoke the OpenDataSorce method on the Merge object"}},
      {"9", Act::Merge, {word, "Could not perform Merge"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("fails at " + c.failsAt);
    Fixture f;
    ScopedEnv fails("FAKE_WRITER_FAILS_AT", c.failsAt);
    LibreOfficeWriter writer(f.Setup());
    WordProcessorMerge merge(writer, f.Show(), f.Open());
    Result r = Do(merge, c.act, WordProcessor::MsWord, f.dir.File("__tdatafile.tmp"), f.dir.File("Letter.dot"));
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.what(), c.box.second);
    EXPECT_EQ(f.boxes, std::vector<Box>{c.box});
    EXPECT_TRUE(f.opened.empty()) << "nothing is opened after a failure";
    if (c.failsAt != "die") {
      EXPECT_EQ(merge.lastDetail(), "stopped at step " + c.failsAt) << "the script's own words are kept";
    }
  }
}

TEST(WordProcessorMerge, DoneActionsOpenTheirDocumentForTheUser) {
  Fixture f;
  LibreOfficeWriter writer(f.Setup());
  WordProcessorMerge merge(writer, f.Show(), f.Open());
  std::string data = f.dir.File("__tdatafile.tmp");
  std::string letter = f.dir.File("Letter.dot");

  ASSERT_TRUE(merge.CreateLetterTemplate(WordProcessor::MsWord, data, letter).ok());
  std::vector<std::string> args = Lines(ReadWholeFile(f.args));
  ASSERT_EQ(args.size(), 9u);
  args[2] = "(work)";
  EXPECT_EQ(args, (std::vector<std::string>{"create", "--work", "(work)", "--data", data, "--template", letter,
                                            "--soffice", "/usr/bin/soffice"}));
  ASSERT_TRUE(merge.EditLetterTemplate(WordProcessor::MsWord, letter, data).ok());
  EXPECT_EQ(Lines(ReadWholeFile(f.args)).front(), "edit");
  ResultOf<std::string> merged = merge.RunLetterMerge(WordProcessor::MsWord, data, letter);
  ASSERT_TRUE(merged.ok());
  EXPECT_EQ(merged.value(), f.dir.File("Letter merged.odt"));
  args = Lines(ReadWholeFile(f.args));
  ASSERT_EQ(args.size(), 9u);
  EXPECT_EQ(args.front(), "merge");
  // What the run left in its work folder is put in place.
  EXPECT_EQ(ReadWholeFile(merged.value()), "merge document.odt");
  EXPECT_EQ(ReadWholeFile(letter), "edit document.odt");
  EXPECT_EQ(f.opened, (std::vector<std::string>{letter, letter, merged.value()}));
  EXPECT_TRUE(f.boxes.empty());
}

TEST(WordProcessorMerge, TheDocumentIsPutInPlaceOnlyOverARegularFileOrANewName) {
  Fixture f;
  LibreOfficeWriter writer(f.Setup());
  WordProcessorMerge merge(writer, f.Show(), f.Open());
  const std::string data = f.dir.File("__tdatafile.tmp");
  const std::string letter = f.dir.File("Letter.dot");
  const std::string merged = f.dir.File("Letter merged.odt");
  ASSERT_EQ(::mkfifo(merged.c_str(), 0644), 0);
  // A pipe at the merged document's name is passed over, never written.
  ResultOf<std::string> r = merge.RunLetterMerge(WordProcessor::MsWord, data, letter);
  ASSERT_TRUE(r.ok()) << merge.lastDetail();
  EXPECT_EQ(r.value(), f.dir.File("Letter merged 2.odt"));
  struct stat info;
  ASSERT_EQ(::lstat(merged.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  ASSERT_EQ(::lstat(r.value().c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));

  ASSERT_EQ(::mkdir(letter.c_str(), 0755), 0);
  EXPECT_FALSE(merge.CreateLetterTemplate(WordProcessor::MsWord, data, letter).ok());
  EXPECT_NE(merge.lastDetail().find("this is a folder, not a file: \"" + letter + "\""), std::string::npos)
      << merge.lastDetail();
}

TEST(WordProcessorMerge, TheMergedDocumentIsNoWiderReadableThanTheDataFile) {
  Fixture f;
  LibreOfficeWriter writer(f.Setup());
  WordProcessorMerge merge(writer, f.Show(), f.Open());
  const std::string data = f.dir.File("__tdatafile.tmp");
  ASSERT_TRUE(WriteWholeFile(data, "heading\r\n"));
  ASSERT_EQ(::chmod(data.c_str(), 0600), 0);
  const mode_t saved = ::umask(022);
  ResultOf<std::string> merged = merge.RunLetterMerge(WordProcessor::MsWord, data, f.dir.File("Letter.dot"));
  ::umask(saved);
  ASSERT_TRUE(merged.ok()) << merge.lastDetail();
  struct stat info;
  ASSERT_EQ(::stat(merged.value().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, mode_t(0600));
}

TEST(WordProcessorMerge, EachRunHasAPrivateWorkFolderThatIsRemovedAfterwards) {
  Fixture f;
  LibreOfficeWriter writer(f.Setup());
  WordProcessorMerge merge(writer, f.Show(), f.Open());
  ASSERT_TRUE(merge.CreateLetterTemplate(WordProcessor::MsWord, f.dir.File("d.tmp"), f.dir.File("L.dot")).ok());
  std::string work = Lines(ReadWholeFile(f.args))[2];
  EXPECT_EQ(work.rfind(f.dir.path() + "/velmora-writer-", 0), 0u) << work;
  struct stat info;
  EXPECT_NE(::stat(work.c_str(), &info), 0) << "the work folder is gone";
}

// A document that was written is the action done, even where no program
// of the desktop opens it: the user is told where it lies, and nothing
// says the word processor failed.
TEST(WordProcessorMerge, AWrittenDocumentNoProgramOpensIsDoneAndToldWhereItIs) {
  struct Case {
    Act act;
    OpenOutcome outcome;
    std::string written;  // file name in the folder
    std::string text;
  } cases[] = {
      {Act::Create, OpenOutcome::NoOpener, "Letter.dot", "The letter template was written to"},
      {Act::Create, OpenOutcome::Failed, "Letter.dot", "The letter template was written to"},
      {Act::Edit, OpenOutcome::NoOpener, "Letter.dot", "The letter template was written to"},
      {Act::Merge, OpenOutcome::Failed, "Letter merged.odt", "The merged document was written to"},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.openOutcome = c.outcome;
    LibreOfficeWriter writer(f.Setup());
    WordProcessorMerge merge(writer, f.Show(), f.Open());
    Result r = Do(merge, c.act, WordProcessor::MsWord, f.dir.File("__tdatafile.tmp"), f.dir.File("Letter.dot"));
    EXPECT_TRUE(r.ok()) << r.Message();
    EXPECT_FALSE(ReadWholeFile(f.dir.File(c.written)).empty()) << "the document is in place";
    ASSERT_EQ(f.boxes.size(), 1u);
    EXPECT_EQ(f.boxes[0].first, "Velmora");
    EXPECT_EQ(f.boxes[0].second.rfind(c.text + "\r\n\"" + f.dir.File(c.written) + "\"\r\n", 0), 0u)
        << f.boxes[0].second;
    EXPECT_EQ(f.boxes[0].second.find("SetVisible"), std::string::npos) << f.boxes[0].second;
    EXPECT_EQ(f.opened.size(), 1u);
  }
}

// A run cancelled from another thread (the progress window's "Cancel")
// ends at once with everything it started, shows no message box and puts
// nothing in place; the steps reach the progress callback as they begin.
TEST(WordProcessorMerge, ACancelledRunEndsAtOnceAndPutsNothingInPlace) {
  Fixture f;
  ScopedEnv hangs("FAKE_WRITER_HANGS_AT", "3");
  WriterSetup setup = f.Setup();
  setup.cancel = std::make_shared<std::atomic<bool>>(false);
  std::vector<int> steps;
  std::mutex stepsMutex;
  setup.progress = [&](int step) {
    std::lock_guard lock(stepsMutex);
    steps.push_back(step);
    if (step == 3) setup.cancel->store(true);  // the user's click, while the office starts
  };
  LibreOfficeWriter writer(setup);
  WordProcessorMerge merge(writer, f.Show(), f.Open());
  const auto started = std::chrono::steady_clock::now();
  Result r = merge.CreateLetterTemplate(WordProcessor::MsWord, f.dir.File("d.tmp"), f.dir.File("L.dot"));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.what(), mailmerge::kWriterCancelled);
  EXPECT_TRUE(merge.lastCancelled());
  EXPECT_TRUE(f.boxes.empty());
  EXPECT_TRUE(f.opened.empty());
  EXPECT_FALSE(std::filesystem::exists(f.dir.File("L.dot")));
  std::lock_guard lock(stepsMutex);
  EXPECT_EQ(steps, (std::vector<int>{1, 2, 3}));
}

TEST(WordProcessorMerge, StepsThatArriveTogetherAreEachTold) {
  Fixture f;
  ScopedEnv burst("FAKE_WRITER_BURST", "1");
  WriterSetup setup = f.Setup();
  std::vector<int> steps;
  setup.progress = [&](int step) { steps.push_back(step); };
  LibreOfficeWriter writer(setup);
  WordProcessorMerge merge(writer, f.Show(), f.Open());
  Result r = merge.CreateLetterTemplate(WordProcessor::MsWord, f.dir.File("d.tmp"), f.dir.File("L.dot"));
  EXPECT_TRUE(r.ok()) << r.Message();
  EXPECT_EQ(steps, (std::vector<int>{1, 2, 3, 4, 6, 7, 8, 9}));
}

TEST(WordProcessorMerge, MissingPythonOrScriptIsTheComponentModelStep) {
  for (bool missingPython : {true, false}) {
    Fixture f;
    WriterSetup setup = f.Setup();
    if (missingPython) {
      setup.python = f.dir.File("no-python3");
    } else {
      setup.script = f.dir.File("no-script.py");
    }
    LibreOfficeWriter writer(setup);
    WordProcessorMerge merge(writer, f.Show(), f.Open());
    Result r = merge.CreateLetterTemplate(WordProcessor::MsWord, f.dir.File("d.tmp"), f.dir.File("L.dot"));
    EXPECT_EQ(f.boxes, (std::vector<Box>{{"Error - WP", "Could not initialize the COM libraries"}}));
    EXPECT_FALSE(r.ok());
  }
}

// Stand-ins for the desktop's programs in a folder of their own: each
// writes its name and arguments to <folder>/ran; xdg-mime answers with
// FAKE_MIME_ANSWER.
void WriteStandIn(const std::string& bin, const std::string& name, const std::string& ran) {
  const std::string path = bin + "/" + name;
  std::string body = "#!/bin/sh\necho \"" + name + " $*\" >> '" + ran + "'\n";
  if (name == "xdg-mime") body += "printf '%s\\n' \"$FAKE_MIME_ANSWER\"\n";
  ASSERT_TRUE(WriteWholeFile(path, body));
  ASSERT_EQ(::chmod(path.c_str(), 0755), 0);
}

// Without a program of the desktop for OpenDocument texts, LibreOffice
// opens the document itself; with one, xdg-open hands it to that program.
TEST(WordProcessorMerge, TheDocumentOpensWithLibreOfficeWhenTheDesktopHasNoProgramForIt) {
  struct Case {
    std::vector<std::string> programs;
    std::string mimeAnswer;
    OpenOutcome outcome;
    std::string ran;  // what was run, %s the document
  } cases[] = {
      {{"xdg-mime", "xdg-open", "soffice", "libreoffice"}, "libreoffice-writer.desktop", OpenOutcome::Opened,
       "xdg-mime query default application/vnd.oasis.opendocument.text\nxdg-open %s\n"},
      {{"xdg-mime", "xdg-open", "soffice", "libreoffice"}, "", OpenOutcome::Opened,
       "xdg-mime query default application/vnd.oasis.opendocument.text\nsoffice %s\n"},
      {{"xdg-open", "libreoffice"}, "", OpenOutcome::Opened, "libreoffice %s\n"},
      {{"xdg-mime", "xdg-open"}, "", OpenOutcome::NoOpener,
       "xdg-mime query default application/vnd.oasis.opendocument.text\n"},
      {{}, "", OpenOutcome::NoOpener, ""},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::string bin = dir.File("bin");
    ASSERT_EQ(::mkdir(bin.c_str(), 0755), 0);
    const std::string ran = dir.File("ran");
    for (const std::string& program : c.programs) WriteStandIn(bin, program, ran);
    ScopedEnv path("PATH", bin);
    ScopedEnv answer("FAKE_MIME_ANSWER", c.mimeAnswer);
    const std::string document = dir.File("Letter merged.odt");
    SCOPED_TRACE(c.ran);
    EXPECT_EQ(OpenMergedDocument(document), c.outcome);
    std::string expected = c.ran;
    if (size_t at = expected.find("%s"); at != std::string::npos) expected.replace(at, 2, document);
    EXPECT_EQ(ReadWholeFile(ran), expected);
  }
}

TEST(WordProcessorMerge, DesktopOpensTheDocumentWithXdgOpen) {
  TempDir dir;
  std::string bin = dir.File("bin");
  ASSERT_EQ(::mkdir(bin.c_str(), 0755), 0);
  {
    ScopedEnv path("PATH", bin);
    EXPECT_EQ(OpenMergedDocument(dir.File("Letter.dot")), OpenOutcome::NoOpener);
  }
  // The desktop has a program for OpenDocument texts.
  WriteStandIn(bin, "xdg-mime", dir.File("mime-ran"));
  ScopedEnv answer("FAKE_MIME_ANSWER", "libreoffice-writer.desktop");
  // A stand-in xdg-open that writes down its argument and answers as the
  // file name asks: "fails" exits 4 (the action failed), "slow" keeps
  // running as some desktops' openers do until the document is closed.
  std::string opener = bin + "/xdg-open";
  ASSERT_TRUE(WriteWholeFile(opener, "#!/bin/sh\nprintf '%s' \"$1\" > '" + dir.File("opened") +
                                         "'\ncase \"$1\" in *fails*) exit 4;; *slow*) echo $$ > '" + dir.File("slow.pid") + "'; exec sleep 30;; esac\n"));
  ASSERT_EQ(::chmod(opener.c_str(), 0755), 0);
  ScopedEnv path("PATH", bin + ":/usr/bin:/bin");

  EXPECT_EQ(OpenMergedDocument(dir.File("Letter merged.odt")), OpenOutcome::Opened);
  EXPECT_EQ(ReadWholeFile(dir.File("opened")), dir.File("Letter merged.odt"));
  EXPECT_EQ(OpenMergedDocument(dir.File("fails.odt")), OpenOutcome::Failed);
  auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(OpenMergedDocument(dir.File("slow.odt")), OpenOutcome::Opened);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
  EXPECT_EQ(ReadWholeFile(dir.File("opened")), dir.File("slow.odt"));
  std::string slow = ReadWholeFile(dir.File("slow.pid"));
  ASSERT_FALSE(slow.empty());
  ::kill(std::stoi(slow), SIGTERM);
}

TEST(WordProcessorMerge, MergedDocumentBesideTheTemplateNeverReplacesAnEarlierOne) {
  TempDir dir;
  std::string letter = dir.File("Letter.dot");
  EXPECT_EQ(MergedDocumentPath(letter), dir.File("Letter merged.odt"));
  // An earlier result, even one closed again, stays: the new one is numbered.
  ASSERT_TRUE(WriteWholeFile(dir.File("Letter merged.odt"), "old"));
  EXPECT_EQ(MergedDocumentPath(letter), dir.File("Letter merged 2.odt"));
  // A name LibreOffice holds open is passed over too, as is a link.
  ASSERT_TRUE(WriteWholeFile(dir.File(".~lock.Letter merged 2.odt#"), "user"));
  EXPECT_EQ(MergedDocumentPath(letter), dir.File("Letter merged 3.odt"));
  ASSERT_EQ(::symlink("nowhere", dir.File("Letter merged 3.odt").c_str()), 0);
  EXPECT_EQ(MergedDocumentPath(letter), dir.File("Letter merged 4.odt"));
}

// Two merges of one template one after the other: the first document stays
// as it was and the second gets the next number.
TEST(WordProcessorMerge, ASecondMergeKeepsTheFirstDocument) {
  Fixture f;
  LibreOfficeWriter writer(f.Setup());
  WordProcessorMerge merge(writer, f.Show(), f.Open());
  const std::string data = f.dir.File("__tdatafile.tmp");
  const std::string letter = f.dir.File("Letter.dot");
  ResultOf<std::string> first = merge.RunLetterMerge(WordProcessor::MsWord, data, letter);
  ASSERT_TRUE(first.ok());
  ASSERT_TRUE(WriteWholeFile(first.value(), "the first merge, edited by the user"));
  ResultOf<std::string> second = merge.RunLetterMerge(WordProcessor::MsWord, data, letter);
  ASSERT_TRUE(second.ok());
  EXPECT_EQ(second.value(), f.dir.File("Letter merged 2.odt"));
  EXPECT_EQ(ReadWholeFile(first.value()), "the first merge, edited by the user");
  EXPECT_EQ(ReadWholeFile(second.value()), "merge document.odt");
}

// Word Perfect: the data conversion needs the format library, and no
// WordPerfect answers afterwards.
class RecordingFormat : public WordPerfectFormat {
 public:
  std::vector<std::string> calls;
  Handle MRGInitDataFile(int kind, const std::string& outputPath) override {
    calls.push_back("init " + std::to_string(kind) + " " + outputPath);
    return 7;
  }
  void MRGCreateFieldNames(Handle file, const std::string& names, int count) override {
    calls.push_back("names " + std::to_string(file) + " " + std::to_string(count) + " " + names);
  }
  void MRGAddField(Handle, const std::string& value) override { calls.push_back("field " + value); }
  void MRGEndRecord(Handle) override { calls.push_back("end"); }
  void MRGCloseDataFile(Handle) override { calls.push_back("close"); }
};

TEST(WordPerfectMerge, WithoutTheFormatLibraryEveryActionEndsAtTheConversion) {
  for (Act act : {Act::Create, Act::Edit, Act::Merge}) {
    Fixture f;
    std::string data = f.dir.File("__tdatafile.tmp");
    ASSERT_TRUE(CreateDataFile(data, true).ok());
    LibreOfficeWriter writer(f.Setup());
    WordProcessorMerge merge(writer, f.Show(), f.Open());
    Result r = Do(merge, act, WordProcessor::WordPerfect, data, f.dir.File("Default.frm"));
    EXPECT_EQ(r.what(), "Could not make WordPerfect Data file");
    EXPECT_EQ(f.boxes, (std::vector<Box>{{"Error", "Could not load 'WPformat.dll'"},
                                         {"Error", "Could not make WordPerfect Data file"}}));
    EXPECT_TRUE(f.opened.empty());
    EXPECT_EQ(ReadWholeFile(f.args), "") << "LibreOffice is not asked";
  }
}

TEST(WordPerfectMerge, WithTheFormatLibraryNoWordPerfectAnswers) {
  const std::string wp = mailmerge::kWordPerfectCaption;
  struct Case {
    Act act;
    std::string text;
  } cases[] = {
      {Act::Create, "WordPerfect is not installed or corrupted"},
      {Act::Edit, "WordPerfect is not installed or corrupted"},
      {Act::Merge, "Could not start WordPerfect.\r\nCLSIDFromProgID(WordPerfect.PerfectScript)=false"},
  };
  for (const Case& c : cases) {
    Fixture f;
    std::string data = f.dir.File("__tdatafile.tmp");
    ASSERT_TRUE(CreateDataFile(data, true).ok());
    RecordingFormat format;
    LibreOfficeWriter writer(f.Setup());
    WordProcessorMerge merge(writer, f.Show(), f.Open(), &format);
    Result r = Do(merge, c.act, WordProcessor::WordPerfect, data, f.dir.File("Default.frm"));
    EXPECT_EQ(r.what(), c.text);
    EXPECT_EQ(f.boxes, (std::vector<Box>{{wp, c.text}}));
    EXPECT_EQ(format.calls.front(), "init 1 " + f.dir.File("WPDataFile.dat"));
    EXPECT_EQ(format.calls.back(), "close");
    EXPECT_TRUE(f.opened.empty());
  }
}

TEST(WordPerfectMerge, ConversionSplitsTheHeadingAndTheRecords) {
  TempDir dir;
  std::string data = dir.File("__tdatafile.tmp");
  ASSERT_TRUE(WriteWholeFile(data, "First_Name,Last_Name,Home_City\r\nAnna,Berg,Oslo\r\n,,\r\nleft over"));
  RecordingFormat format;
  ASSERT_TRUE(ConvertForWordPerfect(&format, data).ok());
  EXPECT_EQ(format.calls, (std::vector<std::string>{
                              "init 1 " + dir.File("WPDataFile.dat"),
                              "names 7 3 First_Name;Last_Name;Home_City\r",
                              "field Anna", "field Berg", "field Oslo\r", "end",
                              "field ", "field ", "field \r", "end",
                              "close",
                          }));
}

TEST(WordPerfectMerge, ConversionOfTheWholeDataFileGivesFortySevenNames) {
  TempDir dir;
  std::string data = dir.File("__tdatafile.tmp");
  ASSERT_TRUE(CreateDataFile(data, true).ok());
  RecordingFormat format;
  ASSERT_TRUE(ConvertForWordPerfect(&format, data).ok());
  ASSERT_EQ(format.calls.size(), 1u + 1u + 47u + 1u + 1u);
  EXPECT_EQ(format.calls[1].rfind("names 7 47 First_Name;Middle_Name;", 0), 0u) << format.calls[1];
  EXPECT_EQ(format.calls[49], "end");
}

TEST(WordPerfectMerge, UnreadableDataFileIsNamed) {
  Fixture f;
  RecordingFormat format;
  LibreOfficeWriter writer(f.Setup());
  WordProcessorMerge merge(writer, f.Show(), f.Open(), &format);
  std::string data = f.dir.File("missing.tmp");
  Result r = merge.RunLetterMerge(WordProcessor::WordPerfect, data, f.dir.File("Default.frm")).result();
  EXPECT_EQ(r.what(), "Could not make WordPerfect Data file");
  EXPECT_EQ(f.boxes, (std::vector<Box>{{"Error", "Could not open " + data + "."},
                                       {"Error", "Could not make WordPerfect Data file"}}));
  EXPECT_TRUE(format.calls.empty());
}

}  // namespace
}  // namespace velmora
