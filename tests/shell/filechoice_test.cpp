// The start-up file choice, "Create New File", the open dialog, "&Save As..."
// and the opening of a chosen file.
#include "shell/FileChoice.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <fstream>

#include "RecordFiles.h"
#include "ShellTestSupport.h"
#include "addressbook/model/ContactRecord.h"
#include "store/RecordStore.h"

namespace velmora::testing {
namespace {

namespace h = format::header;

class FileChoiceTest : public ShellTest {
 protected:
  std::string Works(const std::string& name) const { return File("Works/" + name); }
  void Remember(const std::string& path) {
    ASSERT_TRUE(WriteSettingText(ProgramSettingsPath(), "Preference", "DefaulFile", path).ok());
  }
};

// ---- Start-up choice ------------------------------------------------------

enum class Given { Absent, Existing, Missing };
enum class Expect { CommandLine, Remembered, FirstStartDefault, Nothing };

struct StartupCase {
  const char* name;
  Given commandLine;
  Given remembered;
  bool defaultFileExists;
  Expect expect;
};

class StartupChoiceTest : public FileChoiceTest, public ::testing::WithParamInterface<StartupCase> {};

TEST_P(StartupChoiceTest, YieldsTheFileOfItsSituation) {
  const StartupCase& c = GetParam();
  const std::string commandFile = File("given.adr");
  const std::string rememberedFile = File("remembered.adr");
  const std::string defaultFile = Works("cardora.adr");
  if (c.commandLine == Given::Existing) MakeRecordFile(commandFile);
  if (c.remembered == Given::Existing) MakeRecordFile(rememberedFile);
  if (c.remembered != Given::Absent) Remember(rememberedFile);
  if (c.defaultFileExists) {
    std::filesystem::create_directories(File("Works"));
    MakeRecordFile(defaultFile);
  }
  const std::string rememberedBefore = ProgramSetting("DefaulFile");

  const std::optional<ChosenFile> chosen =
      StartupFileChoice(nullptr, c.commandLine == Given::Absent ? "" : commandFile, "adr");

  switch (c.expect) {
    case Expect::CommandLine:
      ASSERT_TRUE(chosen);
      EXPECT_EQ(chosen->path, commandFile);
      EXPECT_EQ(ProgramSetting("DefaulFile"), rememberedBefore) << "a command-line file is not remembered";
      break;
    case Expect::Remembered:
      ASSERT_TRUE(chosen);
      EXPECT_EQ(chosen->path, rememberedFile);
      break;
    case Expect::FirstStartDefault:
      ASSERT_TRUE(chosen);
      EXPECT_EQ(chosen->path, defaultFile);
      EXPECT_EQ(ProgramSetting("DefaulFile"), defaultFile);
      EXPECT_EQ(ProgramSetting("RecordExample"), "1");
      break;
    case Expect::Nothing:
      EXPECT_FALSE(chosen);
      EXPECT_EQ(ProgramSetting("DefaulFile"), rememberedBefore);
      break;
  }
  if (chosen) {
    EXPECT_EQ(chosen->password, "");
  }
  EXPECT_TRUE(messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Situations, StartupChoiceTest,
    ::testing::Values(
        StartupCase{"CommandLineFile", Given::Existing, Given::Existing, false, Expect::CommandLine},
        StartupCase{"MissingCommandLineFileFallsBack", Given::Missing, Given::Existing, false, Expect::Remembered},
        StartupCase{"FirstStart", Given::Absent, Given::Absent, false, Expect::FirstStartDefault},
        StartupCase{"FirstStartWithDefaultFilePresent", Given::Absent, Given::Absent, true, Expect::Nothing},
        StartupCase{"RememberedFileMissing", Given::Absent, Given::Missing, false, Expect::Nothing},
        StartupCase{"RememberedFile", Given::Absent, Given::Existing, false, Expect::Remembered}),
    [](const ::testing::TestParamInfo<StartupCase>& info) { return std::string(info.param.name); });

TEST_F(FileChoiceTest, FirstStartCreatesTheDefaultFileWithTheSampleContacts) {
  const std::optional<ChosenFile> chosen = StartupFileChoice(nullptr, "", "adr");
  ASSERT_TRUE(chosen);
  // Only the file name is lower-cased; the folder keeps its spelling.
  EXPECT_EQ(chosen->path, File("Works/cardora.adr"));

  std::unique_ptr<RecordStore> store = OpenChosenFile(nullptr, chosen->path, chosen->password, true,
                                                      format::FileKind::Address, AddSampleContacts);
  ASSERT_TRUE(store);
  EXPECT_EQ(store->GetAccessLevel(), kAccessOwner);
  EXPECT_EQ(store->recordSize(), format::InfoOf(format::FileKind::Address).recordSize);
  EXPECT_EQ(LiveRecords(chosen->path), 3u);
  EXPECT_EQ(OpenCountOnDisk(chosen->path), 1);
}

TEST_F(FileChoiceTest, OpeningWithoutExamplesCreatesAnEmptyFile) {
  const std::string path = File("plain.adr");
  std::unique_ptr<RecordStore> store =
      OpenChosenFile(nullptr, path, "", false, format::FileKind::Address, AddSampleContacts);
  ASSERT_TRUE(store);
  EXPECT_EQ(LiveRecords(path), 0u);
}

TEST_F(FileChoiceTest, OpeningACrashedFileCompactsItFirst) {
  const std::string path = File("crashed.adr");
  MakeRecordFile(path, {}, 2);
  {
    // Marks the file as a crashed program leaves it: the open count stays
    // above zero after this connection closes.
    RecordStore leftOpen(path, "");
    Bytes header;
    ASSERT_TRUE(leftOpen.ReadHeader(header).ok());
    PutI32(header.data() + h::kOpenCount, 3);
    ASSERT_TRUE(leftOpen.WriteHeader(header).ok());
  }
  std::unique_ptr<RecordStore> store = OpenChosenFile(nullptr, path, "", false, format::FileKind::Address, {});
  ASSERT_TRUE(store);
  EXPECT_EQ(OpenCountOnDisk(path), 1) << "compacted to 0, then opened";
}

TEST_F(FileChoiceTest, ANonRecordFileIsRefusedWithItsReason) {
  const std::string path = File("notes.adr");
  std::ofstream(path) << "just some text";
  EXPECT_FALSE(StartupFileChoice(nullptr, path, "adr"));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages.front().text.find(path), std::string::npos);
}

// ---- Passwords asked at start-up and by the open dialog --------------------

struct PasswordCase {
  const char* name;
  std::optional<std::string> typed;  // nothing: Cancel
  bool opens;
  bool message103;
};

class StartupPasswordTest : public FileChoiceTest, public ::testing::WithParamInterface<PasswordCase> {};

TEST_P(StartupPasswordTest, OpensOnlyWithOneOfTheThreePasswords) {
  const PasswordCase& c = GetParam();
  const std::string path = File("secret.adr");
  MakeRecordFile(path, {"boss", "help", "look"});
  Remember(path);
  DialogScript script;
  script.Expect("1002", [&](QWidget* dialog) {
    if (!c.typed) return Click(dialog, "2");
    Type(dialog, "password", *c.typed);
    Click(dialog, "1");
  });
  const std::optional<ChosenFile> chosen = StartupFileChoice(nullptr, "", "adr");
  ASSERT_EQ(chosen.has_value(), c.opens);
  if (chosen) {
    EXPECT_EQ(chosen->password, *c.typed);
  }
  EXPECT_EQ(MessageTexts(), c.message103 ? std::vector<std::string>{LoadText(103)} : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Passwords, StartupPasswordTest,
                         ::testing::Values(PasswordCase{"Owner", "boss", true, false},
                                           PasswordCase{"Assistant", "help", true, false},
                                           PasswordCase{"Reader", "look", true, false},
                                           PasswordCase{"WrongCase", "BOSS", false, true},
                                           PasswordCase{"Empty", "", false, true},
                                           PasswordCase{"Cancel", std::nullopt, false, false}),
                         [](const ::testing::TestParamInfo<PasswordCase>& info) { return std::string(info.param.name); });

TEST_F(FileChoiceTest, OpenDialogRemembersAFileOpenedWithTheRightPassword) {
  const std::string path = File("shared.adr");
  MakeRecordFile(path, {"boss", "", ""});
  Remember(File("before.adr"));

  fileDialogs.answers = {path, path};
  DialogScript script;
  script.Expect("1002", [](QWidget* d) { Type(d, "password", "guess"); Click(d, "1"); });
  script.Expect("1002", [](QWidget* d) { Type(d, "password", "boss"); Click(d, "1"); });

  EXPECT_FALSE(RunOpenDialog(nullptr, "Cardora file (*.adr)|*.adr||", "adr"));
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Program can't open this file. Incorrect password."});
  EXPECT_EQ(ProgramSetting("DefaulFile"), File("before.adr"));

  const std::optional<ChosenFile> chosen = RunOpenDialog(nullptr, "Cardora file (*.adr)|*.adr||", "adr");
  ASSERT_TRUE(chosen);
  EXPECT_EQ(chosen->password, "boss");
  EXPECT_EQ(ProgramSetting("DefaulFile"), path);
  ASSERT_EQ(fileDialogs.requests.size(), 2u);
  EXPECT_EQ(fileDialogs.requests[0].mode, FileDialogMode::Open);
  EXPECT_EQ(fileDialogs.requests[0].start, StartFolder::Work);
  EXPECT_EQ(fileDialogs.requests[0].filter, "Cardora file (*.adr)|*.adr||");
}

TEST_F(FileChoiceTest, OpenDialogCancelledChangesNothing) {
  Remember(File("before.adr"));
  EXPECT_FALSE(RunOpenDialog(nullptr, "Cardora file (*.adr)|*.adr||", "adr"));
  EXPECT_EQ(ProgramSetting("DefaulFile"), File("before.adr"));
}

// ---- Create New File ---------------------------------------------------------

TEST_F(FileChoiceTest, CreateNewFileEnablesOkOnlyWithNameAndFolder) {
  DialogScript script;
  script.Expect("1001", [&](QWidget* d) {
    auto* ok = Control<QPushButton>(d, "1");
    EXPECT_EQ(Control<QLineEdit>(d, "101")->text().toStdString(), File("Works"));
    EXPECT_TRUE(Control<QCheckBox>(d, "104")->isChecked()) << "checked while RecordExample is absent";
    EXPECT_FALSE(ok->isEnabled());
    Type(d, "100", "friends");
    EXPECT_TRUE(ok->isEnabled());
    Type(d, "101", "");
    EXPECT_FALSE(ok->isEnabled());
    Click(d, "2");
  });
  EXPECT_FALSE(RunCreateNewFile(nullptr, "adr"));
  EXPECT_EQ(ProgramSetting("DefaulFile"), "");
  EXPECT_EQ(ProgramSetting("RecordExample"), "");
}

TEST_F(FileChoiceTest, CreateNewFileRefusesAnExistingNameAndStaysOpen) {
  MakeRecordFile(File("Works/taken.adr"));
  ASSERT_TRUE(WriteSettingText(ProgramSettingsPath(), "Preference", "RecordExample", "1").ok());
  DialogScript script;
  script.Expect("1001", [&](QWidget* d) {
    Type(d, "100", "taken");
    Click(d, "1");
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"This file alredy exists.\r\nPlease selact another file name."});
    Type(d, "100", "fresh");
    Control<QCheckBox>(d, "104")->setChecked(false);
    Click(d, "1");
  });
  const std::optional<NewFileChoice> choice = RunCreateNewFile(nullptr, "adr");
  ASSERT_TRUE(choice);
  EXPECT_EQ(choice->path, File("Works/fresh.adr"));
  EXPECT_FALSE(choice->examples);
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(choice->path))) << "the probe is removed again";
  EXPECT_EQ(ProgramSetting("DefaulFile"), choice->path);
  EXPECT_EQ(ProgramSetting("RecordExample"), "0");
}

TEST_F(FileChoiceTest, CreateNewFileReportsAFolderItCannotWriteTo) {
  ASSERT_TRUE(WriteSettingText(ProgramSettingsPath(), "Preference", "RecordExample", "0").ok());
  fileDialogs.answers = {File("elsewhere")};
  std::filesystem::create_directories(File("elsewhere"));
  DialogScript script;
  script.Expect("1001", [&](QWidget* d) {
    EXPECT_FALSE(Control<QCheckBox>(d, "104")->isChecked());
    Type(d, "100", "book");
    Type(d, "101", File("no/such/folder"));
    Click(d, "1");
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Error in creating a file."});
    Click(d, "102");  // Browse
    EXPECT_EQ(Control<QLineEdit>(d, "101")->text().toStdString(), File("elsewhere"));
    Control<QCheckBox>(d, "104")->setChecked(true);
    Click(d, "1");
  });
  const std::optional<NewFileChoice> choice = RunCreateNewFile(nullptr, "adr");
  ASSERT_TRUE(choice);
  EXPECT_EQ(choice->path, File("elsewhere/book.adr"));
  EXPECT_TRUE(choice->examples);
  EXPECT_EQ(fileDialogs.folderPrompts,
            std::vector<std::string>{
                "Please select a folder where program can save your new file and then click on Ok button."});
}

// ---- Save As ----------------------------------------------------------------------

class SaveAsTest : public FileChoiceTest {
 protected:
  void SetUp() override {
    FileChoiceTest::SetUp();
    MakeRecordFile(source, {}, 3);
    open = std::make_unique<RecordStore>(source, "");
    ASSERT_FALSE(open->OpenFailed());
  }
  std::optional<std::string> SaveAs() { return RunSaveAs(nullptr, *open, "Cardora file (*.adr)|*.adr||", "adr"); }

  std::string source = File("Works/book.adr");
  std::unique_ptr<RecordStore> open;
};

TEST_F(SaveAsTest, OntoTheOpenFileOnlyBeeps) {
  for (const std::string& same : {source, File("Works/BOOK.ADR"), File("Works/../Works/book.adr")}) {
    fileDialogs.answers = {same};
    EXPECT_FALSE(SaveAs()) << same;
  }
  EXPECT_EQ(beeps, 3);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(OpenCountOnDisk(source), 1);
}

TEST_F(SaveAsTest, OntoAFileInUseIsDenied) {
  const std::string target = File("Works/busy.adr");
  MakeRecordFile(target);
  RecordStore other(target, "");
  fileDialogs.answers = {target};
  EXPECT_FALSE(SaveAs());
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Program can't use \"" + target + "\".\r\nAccess has been denied"});
  EXPECT_EQ(LiveRecords(target), 0u);
}

TEST_F(SaveAsTest, CopiesAndCompactsTheCopy) {
  // One record deleted: the copy drops its slot.
  RecordQuery query;
  ASSERT_TRUE(query.Prepare().ok());
  ASSERT_TRUE(query.AddMatchAll());
  ASSERT_TRUE(query.Run(*open).ok());
  ASSERT_TRUE(open->DeleteRecord(query.positions().front()).ok());
  const std::string target = File("Works/copy.adr");
  std::ofstream(target) << "an old file to replace";
  Remember(source);

  fileDialogs.answers = {target};
  const std::optional<std::string> saved = SaveAs();
  ASSERT_TRUE(saved);
  EXPECT_EQ(*saved, target);
  EXPECT_EQ(fileDialogs.requests.back().mode, FileDialogMode::Save);
  EXPECT_EQ(OpenCountOnDisk(target), 0);
  EXPECT_EQ(FileSize(target), format::kFirstSlotOffset + 2u * open->recordSize());
  EXPECT_EQ(LiveRecords(target), 2u);
  EXPECT_EQ(ProgramSetting("DefaulFile"), source) << "Save As does not change the remembered file";
  EXPECT_EQ(OpenCountOnDisk(source), 1) << "the open file stays open";
  EXPECT_TRUE(messages.empty());
}

TEST_F(SaveAsTest, CancelledDoesNothing) {
  EXPECT_FALSE(SaveAs());
  EXPECT_EQ(beeps, 0);
  EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace velmora::testing
