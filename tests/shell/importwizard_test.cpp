// The "Import" wizard over a real address book: what page 2 detects, how
// page 3 maps, what Finish refuses, and the import it runs.
#include "shell/ImportWizard.h"

#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "RecordFiles.h"
#include "ShellTestSupport.h"
#include "importexport/ContactImportCatalogue.h"

namespace velmora::testing {
namespace {

class ImportWizardTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    MakeRecordFile(book, {"boss", "help", "look"});
  }
  ImportWizardHost Host(RecordStore& store) {
    ImportWizardHost host;
    host.catalogue = ContactImportCatalogue();
    host.aliases = ContactImportAliases();
    host.further = ContactTodayAliases();
    host.run = [&store](std::string_view bytes, const ImportSettings& settings, ImportCounts& counts,
                        const ImportProgress& progress) { return ImportContacts(store, bytes, settings, counts, progress); };
    return host;
  }
  std::string TargetRow(QWidget* wizard, int row) {
    auto* list = Control<QListWidget>(wizard, "velmoraFields");
    return list && row < list->count() ? list->item(row)->text().toStdString() : "";
  }

  std::string book = File("book.adr");
  std::string csv = File("people.csv");
};

TEST_F(ImportWizardTest, ReaderIsRefusedWithoutTheWizard) {
  RecordStore store(book, "look");
  DialogScript script;
  EXPECT_EQ(RunImportWizard(nullptr, store, Host(store)), 0);
  ASSERT_EQ(MessageTexts().size(), 1u);
  EXPECT_NE(MessageTexts()[0].find("permission"), std::string::npos) << MessageTexts()[0];
}

TEST_F(ImportWizardTest, DetectsTheReadingAndMapsByHeadings) {
  struct Case {
    std::string text;
    bool tab;
    bool quote;
  } cases[] = {{"\"a\",b\r\n", false, true}, {"a\tb,c\r\n", true, false}, {"a,b\tc\r\n", false, false}};
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteWholeFile(csv, c.text));
    RecordStore store(book, "boss");
    DialogScript script;
    script.Expect("importWizard", [&](QWidget* w) {
      Type(w, "importFile", csv);
      Click(w, "next");
      EXPECT_EQ(Control<QRadioButton>(w, "tab")->isChecked(), c.tab) << c.text;
      EXPECT_EQ(Control<QComboBox>(w, "qualifier")->currentIndex() == 0, c.quote) << c.text;
      static_cast<QDialog*>(w)->reject();
    });
    EXPECT_EQ(RunImportWizard(nullptr, store, Host(store)), 0);
  }
}

TEST_F(ImportWizardTest, DefaultMapClearMapAndChoosingALabel) {
  ASSERT_TRUE(WriteWholeFile(csv, "e-mail 2,EMAIL2,Email2\r\nx@y.z,a,b\r\n"));
  RecordStore store(book, "boss");
  DialogScript script;
  script.Expect("importWizard", [&](QWidget* w) {
    Type(w, "importFile", csv);
    Click(w, "next");
    Click(w, "next");
    Click(w, "defaultMap");
    EXPECT_EQ(TargetRow(w, 0), "Home Email");
    EXPECT_EQ(TargetRow(w, 1), "IGNORE THIS FIELD");
    EXPECT_EQ(TargetRow(w, 2), "IGNORE THIS FIELD");
    Click(w, "clearMap");
    auto catalogue = ContactImportCatalogue();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(TargetRow(w, i), std::string(catalogue[static_cast<size_t>(i)].label));
    // Row 1 takes row 0's label; row 0 is then ignored.
    Control<QListWidget>(w, "velmoraFields")->setCurrentRow(1);
    auto* choice = Control<QComboBox>(w, "fieldChoice");
    choice->setCurrentIndex(0);
    emit choice->activated(0);
    EXPECT_EQ(TargetRow(w, 1), std::string(catalogue[0].label));
    EXPECT_EQ(TargetRow(w, 0), "IGNORE THIS FIELD");
    static_cast<QDialog*>(w)->reject();
  });
  EXPECT_EQ(RunImportWizard(nullptr, store, Host(store)), 0);
  EXPECT_EQ(ProgramSetting("ImportFile"), "") << "stored on Finish only";
}

TEST_F(ImportWizardTest, MissingFileAndAllIgnoredStayOnThePage) {
  ASSERT_TRUE(WriteWholeFile(csv, "Name\r\nAnn\r\n"));
  RecordStore store(book, "boss");
  DialogScript script;
  script.Expect("importWizard", [&](QWidget* w) {
    Type(w, "importFile", File("missing.csv"));
    Click(w, "next");
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Import file could not be found."});
    Type(w, "importFile", csv);
    Click(w, "next");
    Click(w, "next");
    Control<QListWidget>(w, "velmoraFields")->setCurrentRow(0);
    auto* choice = Control<QComboBox>(w, "fieldChoice");
    choice->setCurrentIndex(choice->count() - 1);
    emit choice->activated(choice->count() - 1);
    Click(w, "next");
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(w->isVisible());
    static_cast<QDialog*>(w)->reject();
  });
  EXPECT_EQ(RunImportWizard(nullptr, store, Host(store)), 0);
}

TEST_F(ImportWizardTest, FinishImportsAndStoresTheFile) {
  ASSERT_TRUE(WriteWholeFile(csv, "e-mail,x\r\na@b.c,1\r\nd@e.f,2\r\n"));
  {
    RecordStore store(book, "boss");
    DialogScript script;
    script.Expect("importWizard", [&](QWidget* w) {
      Type(w, "importFile", csv);
      Click(w, "next");
      Click(w, "next");
      Click(w, "next");
    });
    EXPECT_EQ(RunImportWizard(nullptr, store, Host(store)), 2);
  }
  EXPECT_EQ(LiveRecords(book, "boss"), 2u);
  EXPECT_EQ(ProgramSetting("ImportFile"), csv);
}

}  // namespace
}  // namespace velmora::testing
