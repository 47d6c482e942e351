// The "Export" and "Print Report" dialogs driven through their controls:
// the records chosen, the files written, "ExportFile", the messages of
// success, failure and cancel, the vCard writer, the preview appearing
// once, and printing through the suite's printer.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <unistd.h>

#include "../shell/ShellTestSupport.h"
#include "CardoraTestSupport.h"
#include "addressbook/gui/ExportDialog.h"
#include "addressbook/gui/RecordTextDialog.h"
#include "addressbook/gui/ReportDialog.h"
#include "addressbook/model/Contact.h"
#include "addressbook/model/ContactHistory.h"
#include "shell/SuiteServices.h"
#include "shell/WorkProgressWindow.h"
#include "store/Categories.h"
#include "tests/support/Files.h"
#include "tests/support/Records.h"

namespace velmora {
namespace {

namespace c = contact;
using testing::Control;
using testing::ReadWholeFile;
using testing::Sandbox;
using testing::WaitUntil;


// Clicks "Cancel" on the progress window as soon as the work reports.
void CancelTheProgressWindow() {
  QTimer::singleShot(0, [] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* window = qobject_cast<WorkProgressWindow*>(w)) {
        if (auto* cancel = window->findChild<QPushButton*>(QStringLiteral("cancel"))) cancel->click();
      }
    }
  });
}

class RecordTextDialogsTest : public ::testing::Test {
 protected:
  Sandbox sandbox;
  std::string path = sandbox.File("book.adr");
  std::unique_ptr<RecordStore> store;
  QWidget main;

  void SetUp() override {
    ASSERT_TRUE(CreateRecordFile(path, format::FileKind::Address).ok());
    store = std::make_unique<RecordStore>(path, "");
    SetCategories({"Friends", "Work"});
    main.setGeometry(40, 40, 600, 500);
    main.show();
  }

  void SetCategories(const std::vector<std::string>& names) {
    Bytes block;
    ASSERT_TRUE(store->ReadCategories(block).ok());
    SetCategoryNames(block, names);
    ASSERT_TRUE(store->WriteCategories(block).ok());
  }

  uint64_t Add(const char* first, const char* last, const char* category, const char* city = "") {
    Contact contact;
    InitContactRecord(*store, contact.bytes());
    contact.SetText(c::kFirstName, first);
    contact.SetText(c::kLastName, last);
    contact.SetCategory(category);
    contact.SetText(c::kHomeCity, city);
    EXPECT_TRUE(store->AddRecord(contact.bytes()).ok());
    return contact.Id();
  }

  // The contacts with the first names given, as the export writes them.
  std::string ExportLines(const std::vector<std::string>& firstNames) {
    std::string text;
    for (const std::string& name : firstNames) {
      RecordQuery query;
      query.AddMatchAll();
      EXPECT_TRUE(query.Run(*store).ok());
      Bytes record;
      for (RecordPosition position : query.positions()) {
        EXPECT_TRUE(store->ReadRecord(record, position).ok());
        const Contact contact(record);
        if (contact.Text(c::kFirstName) == name) text += ContactExportLine(contact);
      }
    }
    return text;
  }
};

// --- Export ------------------------------------------------------------------

TEST_F(RecordTextDialogsTest, ExportOfAnEmptyFileIsTheHeadingAndTheSuccessMessage) {
  const std::string out = sandbox.File("out.csv");
  sandbox.SetProgram(kExportFileKey, out);
  ExportDialog dialog(*store, {}, &main);
  EXPECT_EQ(dialog.windowTitle().toStdString(), "Export");
  EXPECT_EQ(Control<QLineEdit>(&dialog, "path")->text().toStdString(), out) << "the path of \"ExportFile\"";
  EXPECT_TRUE(Control<QRadioButton>(&dialog, "all")->isChecked());
  Control<QPushButton>(&dialog, "exportButton")->click();
  EXPECT_EQ(ReadWholeFile(out), ContactExportHeading());
  EXPECT_EQ(sandbox.MessageTexts(), std::vector<std::string>{"Operation successful."});
  ASSERT_EQ(sandbox.messages.size(), 1u);
  EXPECT_EQ(sandbox.messages[0].kind, MessageKind::Information);
  EXPECT_EQ(dialog.result(), 1);
}

TEST_F(RecordTextDialogsTest, ExportTellsWhyFormulaLikeValuesGetAnApostrophe) {
  ExportDialog dialog(*store, {}, &main);
  const std::string note = Control<QLabel>(&dialog, "formulaNote")->text().toStdString();
  EXPECT_NE(note.find("=, +, - or @ is written with an apostrophe before it"), std::string::npos) << note;
  EXPECT_NE(note.find("takes the apostrophe away again"), std::string::npos) << note;
}

TEST_F(RecordTextDialogsTest, ExportControlsEnableEachOther) {
  ExportDialog dialog(*store, {}, &main);
  dialog.show();
  ASSERT_TRUE(WaitUntil([&] { return dialog.isActiveWindow(); }));
  auto* categories = Control<QComboBox>(&dialog, "categories");
  auto* name = Control<QLineEdit>(&dialog, "name");
  EXPECT_FALSE(categories->isEnabled());
  EXPECT_FALSE(name->isEnabled());
  EXPECT_EQ(name->maxLength(), 1023);
  ASSERT_EQ(categories->count(), 2);
  EXPECT_EQ(categories->currentText().toStdString(), "Friends") << "the first selected";
  Control<QRadioButton>(&dialog, "category")->click();
  EXPECT_TRUE(categories->isEnabled());
  Control<QRadioButton>(&dialog, "all")->click();
  EXPECT_FALSE(categories->isEnabled());
  Control<QCheckBox>(&dialog, "nameCheck")->click();
  EXPECT_TRUE(name->isEnabled());
  EXPECT_TRUE(WaitUntil([&] { return QApplication::focusWidget() == name; })) << "turning it on focuses the field";
}

TEST_F(RecordTextDialogsTest, CategoryAndNameSelectByContainment) {
  SetCategories({"Friends", "Friends of work", "Work"});
  Add("Zane", "Hill", "Friends");
  Add("Bob", "Oak", "Friends");          // no "an" in the name
  Add("Dan", "Ray", "Friends of work");  // a longer category beginning with the chosen one
  Add("Jane", "Ash", "Work");            // another category
  Add("Ola", "ANDERS", "Friends");       // "an" in the last name, in capitals
  const std::string out = sandbox.File("out.csv");
  ExportDialog dialog(*store, {}, &main);
  Control<QRadioButton>(&dialog, "category")->click();
  Control<QComboBox>(&dialog, "categories")->setCurrentIndex(0);
  Control<QCheckBox>(&dialog, "nameCheck")->click();
  Control<QLineEdit>(&dialog, "name")->setText(QStringLiteral("an"));
  Control<QLineEdit>(&dialog, "path")->setText(QString::fromStdString(out));
  Control<QPushButton>(&dialog, "exportButton")->click();
  EXPECT_EQ(ReadWholeFile(out), ContactExportHeading() + ExportLines({"Dan", "Ola", "Zane"}));
}

TEST_F(RecordTextDialogsTest, ExportFileIsStoredOnlyForAPath) {
  struct Case {
    std::string path;
    bool stored;
  } cases[] = {{"", false}, {sandbox.File("kept.csv"), true}};
  for (const Case& t : cases) {
    SCOPED_TRACE(t.path);
    sandbox.messages.clear();
    ExportDialog dialog(*store, {}, &main);
    Control<QLineEdit>(&dialog, "path")->setText(QString::fromStdString(t.path));
    Control<QPushButton>(&dialog, "exportButton")->click();
    EXPECT_EQ(sandbox.ProgramSetting(kExportFileKey), t.stored ? std::optional(t.path) : std::nullopt);
    ASSERT_EQ(sandbox.messages.size(), 1u);
    if (t.stored) {
      EXPECT_EQ(sandbox.messages[0].text, "Operation successful.");
    } else {
      EXPECT_NE(sandbox.messages[0].text.find("Nothing was exported"), std::string::npos) << "an empty path is said";
      EXPECT_EQ(dialog.result(), 0) << "the dialog stays for a path";
    }
  }
}

TEST_F(RecordTextDialogsTest, AnUnwritablePathShowsTheCauseAndWritesNothing) {
  Add("Ann", "Lee", "Friends");
  const std::string out = sandbox.File("missing/out.csv");
  ExportDialog dialog(*store, {}, &main);
  Control<QLineEdit>(&dialog, "path")->setText(QString::fromStdString(out));
  Control<QPushButton>(&dialog, "exportButton")->click();
  ASSERT_EQ(sandbox.messages.size(), 1u);
  const std::string& text = sandbox.messages[0].text;
  EXPECT_NE(text.find("Cannot create the export file"), std::string::npos) << text;
  EXPECT_NE(text.find(out), std::string::npos) << text;
  EXPECT_NE(text.find("No such file or directory"), std::string::npos) << text;
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(out)));
  EXPECT_EQ(dialog.result(), 0);
}

TEST_F(RecordTextDialogsTest, ACancelledExportLeavesTheFileAsItWas) {
  Add("Ann", "Lee", "Friends");
  Add("Bo", "Berg", "Work");
  const std::string out = sandbox.File("out.csv");
  ASSERT_TRUE(testing::WriteWholeFile(out, "old contents"));
  ExportDialog dialog(*store, {}, &main);
  dialog.show();
  Control<QLineEdit>(&dialog, "path")->setText(QString::fromStdString(out));
  CancelTheProgressWindow();
  Control<QPushButton>(&dialog, "exportButton")->click();
  EXPECT_EQ(ReadWholeFile(out), "old contents");
  EXPECT_EQ(sandbox.MessageTexts(),
            std::vector<std::string>{"The export was cancelled: \"" + out + "\" was left as it was."});
  EXPECT_FALSE(WaitUntil([] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (qobject_cast<WorkProgressWindow*>(w)) return true;
    }
    return false;
  }, 100)) << "the progress window is gone";
}

TEST_F(RecordTextDialogsTest, BrowseAsksForAFileToSaveInTheProgramFolder) {
  const std::string chosen = sandbox.File("chosen.csv");
  for (bool withVCard : {false, true}) {
    SCOPED_TRACE(withVCard);
    sandbox.dialogs.requests.clear();
    sandbox.dialogs.answers = {chosen};
    VCardExportWriter writer;
    if (withVCard) writer = [](RecordStore&, const RecordTextOptions&, const std::string&, const auto&) {
      return Result::Ok();
    };
    ExportDialog dialog(*store, writer, &main);
    Control<QPushButton>(&dialog, "browse")->click();
    ASSERT_EQ(sandbox.dialogs.requests.size(), 1u);
    const FileDialogRequest& request = sandbox.dialogs.requests[0];
    EXPECT_EQ(request.mode, FileDialogMode::Save);
    EXPECT_EQ(request.filter, withVCard ? "Comma file (*.csv)|*.csv|Text file (*.txt)|*.txt|vCard file (*.vcf)|*.vcf||"
                                        : "Comma file (*.csv)|*.csv|Text file (*.txt)|*.txt||");
    EXPECT_EQ(request.defaultExtension, "csv");
    EXPECT_EQ(request.start, StartFolder::Program);
    EXPECT_EQ(Control<QLineEdit>(&dialog, "path")->text().toStdString(), chosen);
  }
}

TEST_F(RecordTextDialogsTest, TheVCardWriterTakesVcfPathsInAnyCase) {
  Add("Ann", "Lee", "Friends");
  struct Call {
    std::string path;
    RecordTextOptions options;
    size_t reports = 0;
  };
  std::vector<Call> calls;
  VCardExportWriter writer = [&](RecordStore& s, const RecordTextOptions& options, const std::string& target,
                                 const std::function<bool(size_t, size_t)>& progress) {
    EXPECT_EQ(&s, store.get());
    Call call{target, options};
    call.reports += progress(0, 1) ? 1 : 0;
    call.reports += progress(1, 1) ? 1 : 0;
    calls.push_back(call);
    return testing::WriteWholeFile(target, "BEGIN:VCARD") ? Result::Ok() : Result::Fail("Cannot write", 0, target);
  };
  struct Case {
    const char* name;
    bool vcard;
  } cases[] = {{"out.VCF", true}, {"out.vcf", true}, {"out.csv", false}, {"out.vcf.csv", false}};
  for (const Case& t : cases) {
    SCOPED_TRACE(t.name);
    calls.clear();
    const std::string out = sandbox.File(t.name);
    ExportDialog dialog(*store, writer, &main);
    Control<QCheckBox>(&dialog, "nameCheck")->click();
    Control<QLineEdit>(&dialog, "name")->setText(QStringLiteral("nn"));
    Control<QLineEdit>(&dialog, "path")->setText(QString::fromStdString(out));
    Control<QPushButton>(&dialog, "exportButton")->click();
    if (t.vcard) {
      ASSERT_EQ(calls.size(), 1u);
      EXPECT_EQ(calls[0].path, out);
      EXPECT_TRUE(calls[0].options.nameFlag);
      EXPECT_EQ(calls[0].options.name, "nn");
      EXPECT_EQ(calls[0].reports, 2u) << "the progress goes on";
      EXPECT_EQ(ReadWholeFile(out), "BEGIN:VCARD");
    } else {
      EXPECT_TRUE(calls.empty());
      EXPECT_EQ(ReadWholeFile(out), ContactExportHeading() + ExportLines({"Ann"}));
    }
    EXPECT_EQ(sandbox.MessageTexts().back(), "Operation successful.");
  }
}

// The report's text of the contacts with these first names, all fields, in
// the order given, under the title of category.
std::string ReportText(RecordStore& store, const std::string& category, const std::vector<std::string>& firstNames) {
  std::string text = ContactReportTitle(category);
  for (const std::string& name : firstNames) {
    RecordQuery query;
    query.AddMatchAll();
    EXPECT_TRUE(query.Run(store).ok());
    Bytes record;
    for (RecordPosition position : query.positions()) {
      EXPECT_TRUE(store.ReadRecord(record, position).ok());
      const Contact contact(record);
      if (contact.Text(c::kFirstName) == name) text += ContactReportBlock(contact, ReportFieldSet::All);
    }
  }
  return text;
}

TEST_F(RecordTextDialogsTest, ATextFileGetsTheReportTextOfAllFieldsAndOtherPathsTheCommaFile) {
  Add("Zoe", "Berg", "Work", "Oslo");
  Add("Ann", "Lee", "Friends", "Lund");
  Add("Bo", "Ek", "Friends of work", "");
  enum class Kind { Text, Comma };
  struct Case {
    const char* name;
    bool byCategory;
    Kind kind;
  } cases[] = {{"out.txt", false, Kind::Text},    {"OUT.TXT", false, Kind::Text},
               {"friends.Txt", true, Kind::Text}, {"out.txt.csv", false, Kind::Comma},
               {"out.text", false, Kind::Comma},  {"out", true, Kind::Comma}};
  for (const Case& t : cases) {
    SCOPED_TRACE(t.name);
    sandbox.messages.clear();
    const std::string out = sandbox.File(t.name);
    ExportDialog dialog(*store, {}, &main);
    if (t.byCategory) {
      Control<QRadioButton>(&dialog, "category")->click();
      Control<QComboBox>(&dialog, "categories")->setCurrentIndex(0);  // "Friends"
    }
    Control<QLineEdit>(&dialog, "path")->setText(QString::fromStdString(out));
    Control<QPushButton>(&dialog, "exportButton")->click();
    const std::string written = ReadWholeFile(out);
    if (t.kind == Kind::Text) {
      const std::string expected = t.byCategory ? ReportText(*store, "Friends", {"Ann", "Bo"})
                                                : ReportText(*store, "All", {"Ann", "Bo", "Zoe"});
      EXPECT_EQ(written, expected);
      EXPECT_EQ(written.rfind(t.byCategory ? "Cardora Report (Friends)\r\n\r\n" : "Cardora Report (All)\r\n\r\n", 0),
                0u)
          << written;
      EXPECT_NE(written.find("First Name: Ann\r\nLast Name: Lee\r\nHome City: Lund\r\n"),
                std::string::npos)
          << written;
      EXPECT_EQ(written.find("\"First Name\""), std::string::npos) << "no comma file heading";
      // The same text as the report writer gives the command line's export
      // in text format.
      RecordTextOptions options;
      if (t.byCategory) {
        options.scope = ContactScope::Category;
        options.category = "Friends";
      }
      const std::string toolLike = sandbox.File("tool.txt");
      ASSERT_TRUE(WriteRecordText(*store, RecordTextMode::Report, options, toolLike).ok());
      EXPECT_EQ(written, ReadWholeFile(toolLike));
    } else {
      EXPECT_EQ(written, ContactExportHeading() + (t.byCategory ? ExportLines({"Ann", "Bo"})
                                                                : ExportLines({"Ann", "Bo", "Zoe"})));
    }
    EXPECT_EQ(sandbox.MessageTexts(), std::vector<std::string>{"Operation successful."});
    EXPECT_EQ(dialog.result(), 1);
  }
}

TEST_F(RecordTextDialogsTest, AnExportOverTheAddressBookOrItsHistoryIsRefused) {
  Add("Ann", "Lee", "Friends");
  const std::string history = HistoryPath(path);
  ASSERT_TRUE(testing::WriteWholeFile(history, "history entries"));
  const std::string link = sandbox.File("link.txt");
  ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
  const std::string bookBefore = ReadWholeFile(path);
  struct Case {
    std::string target;
    const char* named;
  } cases[] = {{path, "the address book itself"},
               {link, "the address book itself"},
               {history, "the address book's history itself"}};
  for (const Case& t : cases) {
    SCOPED_TRACE(t.target);
    sandbox.messages.clear();
    ExportDialog dialog(*store, {}, &main);
    Control<QLineEdit>(&dialog, "path")->setText(QString::fromStdString(t.target));
    Control<QPushButton>(&dialog, "exportButton")->click();
    ASSERT_EQ(sandbox.messages.size(), 1u);
    EXPECT_NE(sandbox.messages[0].text.find(t.named), std::string::npos) << sandbox.messages[0].text;
    EXPECT_EQ(dialog.result(), 0) << "the dialog stays for another name";
    EXPECT_EQ(sandbox.ProgramSetting(kExportFileKey), std::nullopt);
  }
  EXPECT_EQ(ReadWholeFile(path), bookBefore);
  EXPECT_EQ(ReadWholeFile(history), "history entries");
  EXPECT_TRUE(QFileInfo(QString::fromStdString(link)).isSymLink());
}

TEST_F(RecordTextDialogsTest, AVCardWriterThatFailsIsShown) {
  VCardExportWriter writer = [](RecordStore&, const RecordTextOptions&, const std::string& target, const auto&) {
    return Result::Fail("Cannot create the vCard file", 13, target);
  };
  const std::string out = sandbox.File("out.vcf");
  ExportDialog dialog(*store, writer, &main);
  Control<QLineEdit>(&dialog, "path")->setText(QString::fromStdString(out));
  Control<QPushButton>(&dialog, "exportButton")->click();
  ASSERT_EQ(sandbox.messages.size(), 1u);
  EXPECT_NE(sandbox.messages[0].text.find("Cannot create the vCard file \"" + out + "\""), std::string::npos);
  EXPECT_EQ(dialog.result(), 0);
}

// --- Report ------------------------------------------------------------------

class ReportDialogTest : public RecordTextDialogsTest {
 protected:
  std::string report = sandbox.File("report.txt");
  std::vector<std::string> printed;
  FilePrinter previousPrinter;
  bool printerWorks = true;

  void SetUp() override {
    RecordTextDialogsTest::SetUp();
    previousPrinter = SetFilePrinter([this](std::string_view file) {
      printed.emplace_back(file);
      return printerWorks;
    });
  }
  void TearDown() override { SetFilePrinter(std::move(previousPrinter)); }
};

TEST_F(ReportDialogTest, OpensWithAllAndAllFieldsAndNothingToPrint) {
  for (bool selected : {false, true}) {
    SCOPED_TRACE(selected);
    ReportDialog dialog(*store, selected ? std::optional<uint64_t>(7) : std::nullopt, &main, report);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Print Report");
    EXPECT_TRUE(Control<QRadioButton>(&dialog, "all")->isChecked());
    EXPECT_TRUE(Control<QRadioButton>(&dialog, "allFields")->isChecked());
    EXPECT_EQ(Control<QRadioButton>(&dialog, "current")->isEnabled(), selected);
    EXPECT_FALSE(Control<QComboBox>(&dialog, "categories")->isEnabled());
    EXPECT_FALSE(Control<QLineEdit>(&dialog, "name")->isEnabled());
    EXPECT_EQ(Control<QLineEdit>(&dialog, "name")->maxLength(), 1023);
    EXPECT_FALSE(Control<QPushButton>(&dialog, "print")->isEnabled()) << "disabled until a report is made";
    EXPECT_TRUE(Control<QPlainTextEdit>(&dialog, "preview")->isHidden());
    const QFont font = Control<QPlainTextEdit>(&dialog, "preview")->font();
    EXPECT_EQ(font.pixelSize(), 11);
    EXPECT_EQ(font.weight(), QFont::Normal);
    Control<QRadioButton>(&dialog, "category")->click();
    EXPECT_TRUE(Control<QComboBox>(&dialog, "categories")->isEnabled());
    Control<QCheckBox>(&dialog, "nameCheck")->click();
    EXPECT_TRUE(Control<QLineEdit>(&dialog, "name")->isEnabled());
  }
}

TEST_F(ReportDialogTest, AReportOfAnEmptySelectionIsTheTitleAndAnEmptyLine) {
  Add("Ann", "Lee", "Friends");
  ReportDialog dialog(*store, std::nullopt, &main, report);
  Control<QCheckBox>(&dialog, "nameCheck")->click();
  Control<QLineEdit>(&dialog, "name")->setText(QStringLiteral("nobody"));
  Control<QPushButton>(&dialog, "make")->click();
  EXPECT_EQ(ReadWholeFile(report), "Cardora Report (All)\r\n\r\n");
  EXPECT_TRUE(sandbox.messages.empty());
  EXPECT_TRUE(Control<QPushButton>(&dialog, "print")->isEnabled());
  auto* preview = Control<QPlainTextEdit>(&dialog, "preview");
  EXPECT_FALSE(preview->isHidden());
  EXPECT_TRUE(preview->toPlainText().startsWith(QStringLiteral("Cardora Report (All)")));
}

TEST_F(ReportDialogTest, CurrentRecordIgnoresTheNameText) {
  Add("Ann", "Lee", "Friends", "Lund");
  const uint64_t bea = Add("Bea", "Stone", "Work", "Oslo");
  ReportDialog dialog(*store, bea, &main, report);
  Control<QRadioButton>(&dialog, "current")->click();
  Control<QCheckBox>(&dialog, "nameCheck")->click();
  Control<QLineEdit>(&dialog, "name")->setText(QStringLiteral("Ann"));
  Control<QRadioButton>(&dialog, "homeFields")->click();
  Control<QPushButton>(&dialog, "make")->click();
  EXPECT_EQ(ReadWholeFile(report),
            "Cardora Report (All)\r\n\r\n"
            "First Name: Bea\r\nLast Name: Stone\r\nHome City: Oslo\r\n"
            "..................................................\r\n\r\n");
  EXPECT_NE(Control<QPlainTextEdit>(&dialog, "preview")->toPlainText().indexOf(QStringLiteral("Home City: Oslo")), -1);
}

TEST_F(ReportDialogTest, CategoryAndFieldsChooseTheReport) {
  SetCategories({"Friends", "Work"});
  Add("Ann", "Lee", "Friends", "Lund");
  Add("Bea", "Stone", "Work", "Oslo");
  ReportDialog dialog(*store, std::nullopt, &main, report);
  Control<QRadioButton>(&dialog, "category")->click();
  Control<QComboBox>(&dialog, "categories")->setCurrentIndex(1);
  Control<QRadioButton>(&dialog, "businessFields")->click();
  Control<QPushButton>(&dialog, "make")->click();
  EXPECT_EQ(ReadWholeFile(report),
            "Cardora Report (Work)\r\n\r\n"
            "First Name: Bea\r\nLast Name: Stone\r\n"
            "..................................................\r\n\r\n");
}

TEST_F(ReportDialogTest, MakingTheReportTwiceEnlargesTheDialogOnce) {
  ReportDialog dialog(*store, std::nullopt, &main, report);
  dialog.show();
  ASSERT_TRUE(WaitUntil([&] { return dialog.isVisible(); }));
  const int before = dialog.height();
  const int growth = dialog.VerticalUnits(kReportGrowthUnits);
  const bool roomForAll = dialog.screen()->availableGeometry().height() - dialog.frameGeometry().height() >= growth;
  Control<QPushButton>(&dialog, "make")->click();
  QApplication::processEvents();
  const int once = dialog.height();
  EXPECT_GT(once, before);
  if (roomForAll) {
    EXPECT_EQ(once - before, growth) << "300 dialog units";
  } else {
    EXPECT_LT(once - before, growth) << "kept on the screen";
  }
  auto* preview = Control<QPlainTextEdit>(&dialog, "preview");
  EXPECT_TRUE(preview->isVisible());
  EXPECT_GE(preview->height(), dialog.VerticalUnits(60));
  Add("Ann", "Lee", "Friends");
  Control<QPushButton>(&dialog, "make")->click();
  QApplication::processEvents();
  EXPECT_EQ(dialog.height(), once);
  EXPECT_NE(preview->toPlainText().indexOf(QStringLiteral("First Name: Ann")), -1) << "the preview shows the new report";
}

TEST_F(ReportDialogTest, AReportThatCannotBeWrittenIsShownWithTheOldFileInThePreview) {
  const std::string blocked = sandbox.File("missing/report.txt");
  ReportDialog dialog(*store, std::nullopt, &main, blocked);
  auto* preview = Control<QPlainTextEdit>(&dialog, "preview");
  Control<QPushButton>(&dialog, "make")->click();
  ASSERT_EQ(sandbox.messages.size(), 1u);
  EXPECT_NE(sandbox.messages[0].text.find("Cannot create the report file \"" + blocked + "\""), std::string::npos)
      << sandbox.messages[0].text;
  EXPECT_FALSE(preview->isHidden());
  EXPECT_TRUE(preview->toPlainText().isEmpty()) << "no file: an empty preview";

  ASSERT_TRUE(testing::WriteWholeFile(report, "an older report"));
  ReportDialog again(*store, std::nullopt, &main, report);
  CancelTheProgressWindow();
  Control<QPushButton>(&again, "make")->click();
  EXPECT_EQ(ReadWholeFile(report), "an older report");
  EXPECT_EQ(Control<QPlainTextEdit>(&again, "preview")->toPlainText().toStdString(), "an older report");
  EXPECT_EQ(sandbox.MessageTexts().back(), "The report was cancelled: \"" + report + "\" was left as it was.");
}

TEST_F(ReportDialogTest, PrintHandsTheReportToThePrinterAndCloses) {
  for (bool works : {true, false}) {
    SCOPED_TRACE(works);
    printerWorks = works;
    printed.clear();
    sandbox.messages.clear();
    ReportDialog dialog(*store, std::nullopt, &main, report);
    dialog.show();
    Control<QPushButton>(&dialog, "make")->click();
    Control<QPushButton>(&dialog, "print")->click();
    EXPECT_EQ(printed, std::vector<std::string>{report});
    if (works) {
      EXPECT_TRUE(sandbox.messages.empty());
    } else {
      ASSERT_EQ(sandbox.messages.size(), 1u);
      EXPECT_EQ(sandbox.messages[0].text, "The report \"" + report + "\" could not be handed to the printer.");
    }
    EXPECT_FALSE(dialog.isVisible()) << "closed";
  }
}

TEST_F(ReportDialogTest, PrintWithoutAReportFileSaysSo) {
  ReportDialog dialog(*store, std::nullopt, &main, report);
  Control<QPushButton>(&dialog, "make")->click();
  ASSERT_TRUE(QFile::remove(QString::fromStdString(report)));
  Control<QPushButton>(&dialog, "print")->click();
  EXPECT_TRUE(printed.empty());
  ASSERT_EQ(sandbox.messages.size(), 1u);
  EXPECT_NE(sandbox.messages[0].text.find("does not exist"), std::string::npos);
}

TEST_F(ReportDialogTest, TheCategoryListHoldsTheFilesCategoriesUpToThirty) {
  std::vector<std::string> many;
  for (int i = 0; i < 40; ++i) many.push_back("Group " + std::to_string(100 + i));
  SetCategories(many);
  Bytes block;
  ASSERT_TRUE(store->ReadCategories(block).ok());
  const std::vector<std::string> names = CategoryNames(block);
  ReportDialog report(*store, std::nullopt, &main);
  ExportDialog exporter(*store, {}, &main);
  for (QComboBox* list : {Control<QComboBox>(&report, "categories"), Control<QComboBox>(&exporter, "categories")}) {
    ASSERT_LE(list->count(), 30);
    ASSERT_EQ(size_t(list->count()), std::min<size_t>(names.size(), 30));
    for (int i = 0; i < list->count(); ++i) EXPECT_EQ(list->itemText(i).toStdString(), names[size_t(i)]);
    EXPECT_EQ(list->currentIndex(), 0);
  }
}

TEST_F(ReportDialogTest, TheCategoryListsAddTheCategoriesTheContactsCarry) {
  // An imported book: its contacts carry categories the file's list lacks.
  Add("Ann", "Lee", "Golf club");
  Add("Bo", "Ek", "golf CLUB");  // the same choice in other letters: once
  Add("Cy", "Ma", "friends");    // on the list already, in other letters
  Add("Di", "Nu", "Work");
  Add("Ed", "Ox", "");
  Add("Fa", "Pi", "Choir");
  ReportDialog report(*store, std::nullopt, &main);
  ExportDialog exporter(*store, {}, &main);
  for (QComboBox* list : {Control<QComboBox>(&report, "categories"), Control<QComboBox>(&exporter, "categories")}) {
    std::vector<std::string> shown;
    for (int i = 0; i < list->count(); ++i) shown.push_back(list->itemText(i).toStdString());
    EXPECT_EQ(shown, (std::vector<std::string>{"Friends", "Work", "Choir", "Golf club"}));
    EXPECT_EQ(list->currentIndex(), 0);
  }
  // Choosing one of the contacts' own categories exports its contacts.
  const std::string out = sandbox.File("golf.csv");
  Control<QRadioButton>(&exporter, "category")->click();
  Control<QComboBox>(&exporter, "categories")->setCurrentIndex(3);
  Control<QLineEdit>(&exporter, "path")->setText(QString::fromStdString(out));
  Control<QPushButton>(&exporter, "exportButton")->click();
  EXPECT_EQ(ReadWholeFile(out), ContactExportHeading() + ExportLines({"Ann", "Bo"}));
}

TEST_F(ReportDialogTest, AConfidentialContactsCategoryIsOfferedToTheOwnerOnly) {
  const std::string guarded = sandbox.File("guarded.adr");
  testing::MakeRecordFile(guarded, format::FileKind::Address, {"owner", "assist", "reader"});
  {
    RecordStore owner(guarded, "owner");
    Contact secret;
    InitContactRecord(owner, secret.bytes());
    secret.SetText(c::kFirstName, "Sam");
    secret.SetCategory("Board");
    secret.SetConfidential(true);
    ASSERT_TRUE(owner.AddRecord(secret.bytes()).ok());
    Contact open;
    InitContactRecord(owner, open.bytes());
    open.SetText(c::kFirstName, "Tia");
    open.SetCategory("Choir");
    ASSERT_TRUE(owner.AddRecord(open.bytes()).ok());
  }
  struct Case {
    const char* password;
    bool seesBoard;
  } cases[] = {{"owner", true}, {"assist", false}, {"reader", false}};
  for (const Case& t : cases) {
    SCOPED_TRACE(t.password);
    RecordStore connection(guarded, t.password);
    ASSERT_TRUE(connection.IsOpen());
    ReportDialog dialog(connection, std::nullopt, &main);
    auto* list = Control<QComboBox>(&dialog, "categories");
    EXPECT_EQ(list->findText(QStringLiteral("Board")) >= 0, t.seesBoard);
    EXPECT_GE(list->findText(QStringLiteral("Choir")), 0);
  }
}

TEST_F(ReportDialogTest, ASetOfServicesBringsItsPrinterAndGivesTheOneBeforeBack) {
  std::vector<std::string> inner;
  {
    SuiteServices services;
    services.printer = [&](std::string_view file) {
      inner.emplace_back(file);
      return false;
    };
    ScopedSuiteServices scoped(std::move(services));
    EXPECT_FALSE(PrintTextFile("a.txt"));
  }
  EXPECT_TRUE(PrintTextFile("b.txt"));
  EXPECT_EQ(inner, std::vector<std::string>{"a.txt"});
  EXPECT_EQ(printed, std::vector<std::string>{"b.txt"});
}

// --- Opening -----------------------------------------------------------------

TEST_F(RecordTextDialogsTest, RunOpensTheDialogOfTheModeCentredAndEscapeCancels) {
  struct Case {
    RecordTextMode mode;
    const char* title;
  } cases[] = {{RecordTextMode::Report, "Print Report"}, {RecordTextMode::Export, "Export"}};
  for (const Case& t : cases) {
    SCOPED_TRACE(t.title);
    QString title;
    QPoint offCentre;
    QTimer::singleShot(0, [&] {
      QWidget* dialog = QApplication::activeModalWidget();
      if (!dialog) return;
      title = dialog->windowTitle();
      offCentre = dialog->frameGeometry().center() - main.frameGeometry().center();
      QTest::keyClick(dialog, Qt::Key_Escape);
    });
    const int result = RunRecordTextDialog(t.mode, &main, *store, std::nullopt);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(title.toStdString(), t.title);
    EXPECT_LE(std::abs(offCentre.x()), 2);  // rounding of the centres
    EXPECT_LE(std::abs(offCentre.y()), 2);
    EXPECT_TRUE(sandbox.messages.empty());
  }
}

TEST_F(RecordTextDialogsTest, SelectedContactIdReadsTheRecord) {
  const uint64_t id = Add("Ann", "Lee", "Friends");
  RecordQuery query;
  query.AddMatchAll();
  ASSERT_TRUE(query.Run(*store).ok());
  ASSERT_EQ(query.count(), 1u);
  const RecordPosition position = query.positions()[0];
  EXPECT_EQ(SelectedContactId({store.get(), position}), id);
  EXPECT_EQ(SelectedContactId({store.get(), std::nullopt}), std::nullopt);
  EXPECT_EQ(SelectedContactId({nullptr, position}), std::nullopt);
}

}  // namespace
}  // namespace velmora
