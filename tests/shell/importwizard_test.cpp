// The "Import" wizard over a real address book: the keyboard, how it reads
// the start of the file and what it shows of it, what page 2 detects, how
// page 3 maps, what Finish refuses, the import it streams (a file larger
// than the pages read, a read that fails) and how it is cancelled, the
// whole-file importers that skip the pages, and the settings it keeps.
#include "shell/ImportWizard.h"

#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <cerrno>
#include <filesystem>
#include <algorithm>
#include <iterator>
#include <optional>
#include <set>

#include "RecordFiles.h"
#include "ShellTestSupport.h"
#include "addressbook/model/Contact.h"
#include "importexport/ContactImportCatalogue.h"
#include "shell/EnteredValues.h"
#include "shell/WorkProgressWindow.h"
#include "tests/support/ForwardingFiles.h"

namespace velmora::testing {
namespace {

// Types the file on page 1 and clicks "&Next" until page (1 to 3) shows.
void GoToPage(QWidget* wizard, const std::string& file, int page) {
  Type(wizard, "importFile", file);
  for (int shown = 1; shown < page; ++shown) Click(wizard, "next");
}

int PageShown(QWidget* wizard) {
  auto* pages = Control<QStackedWidget>(wizard, "pages");
  return pages ? pages->currentIndex() + 1 : 0;
}

// Chooses entry of the drop-down list for row of the right-hand list.
void ChooseLabel(QWidget* wizard, int row, int entry) {
  Control<QListWidget>(wizard, "velmoraFields")->setCurrentRow(row);
  auto* choice = Control<QComboBox>(wizard, "fieldChoice");
  choice->setCurrentIndex(entry);
  emit choice->activated(entry);
}

void PressEnter(QWidget* wizard, const char* control) {
  if (auto* widget = Control<QWidget>(wizard, control)) QTest::keyClick(widget, Qt::Key_Return);
}

// Reads that fail at one path, with an errno of the test's choosing: at the
// opening, or at every read of the opened file from byte `from` on.
// Everything else is real.
class UnreadableFileSystem : public ForwardingFileSystem {
 public:
  enum class Step { Open, Read };
  UnreadableFileSystem(std::string path, Step step, int error, uint64_t from = 0)
      : path_(std::move(path)), step_(step), error_(error), from_(from) {}

  Result OpenReadOnly(const std::string& path, std::unique_ptr<File>& out) override {
    if (path == path_ && step_ == Step::Open) return Result::Fail("Cannot open", error_, path);
    return ForwardingFileSystem::OpenReadOnly(path, out);
  }

 protected:
  void Wrap(Opening, const std::string& path, std::unique_ptr<File>& file) override {
    if (path == path_ && step_ == Step::Read) {
      file = std::make_unique<FailingReads>(std::move(file), error_, path, from_);
    }
  }

 private:
  class FailingReads : public ForwardingFile {
   public:
    FailingReads(std::unique_ptr<File> inner, int error, std::string path, uint64_t from)
        : ForwardingFile(std::move(inner)), error_(error), path_(std::move(path)), from_(from) {}
    Result ReadAt(uint64_t offset, void* buffer, size_t length) override {
      if (offset + length > from_) return Result::Fail("Cannot read", error_, path_);
      return ForwardingFile::ReadAt(offset, buffer, length);
    }
    int64_t ReadSome(uint64_t offset, void* buffer, size_t length) override {
      if (offset >= from_) {
        errno = error_;
        return -1;
      }
      return ForwardingFile::ReadSome(offset, buffer, std::min<uint64_t>(length, from_ - offset));
    }

   private:
    int error_;
    std::string path_;
    uint64_t from_;
  };

  std::string path_;
  Step step_;
  int error_;
  uint64_t from_;
};

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
    host.run = [&store](std::istream& file, const ImportSettings& settings, ImportCounts& counts,
                        const ImportProgress& progress) {
      return ImportContacts(store, file, settings, counts, progress);
    };
    return host;
  }
  std::string TargetRow(QWidget* wizard, int row) {
    auto* list = Control<QListWidget>(wizard, "velmoraFields");
    return list && row < list->count() ? list->item(row)->text().toStdString() : "";
  }
  std::string SourceRow(QWidget* wizard, int row) {
    auto* list = Control<QListWidget>(wizard, "sourceFields");
    return list && row < list->count() ? list->item(row)->text().toStdString() : "";
  }
  // The text of field of every live contact of the book, in no set order.
  std::multiset<std::string> Texts(ContactField field) {
    RecordStore store(book, "boss");
    RecordQuery query;
    std::multiset<std::string> texts;
    if (!query.Prepare().ok() || !query.AddMatchAll() || !query.Run(store).ok()) return texts;
    for (RecordPosition position : query.positions()) {
      Bytes record;
      EXPECT_TRUE(store.ReadRecordIfLive(record, position).ok());
      texts.insert(Contact(std::move(record)).Text(field));
    }
    return texts;
  }

  // "Cancel" that throws away what was entered: Yes to the question, when
  // it is asked.
  void Discard(QWidget* wizard) {
    answers.push_back(true);
    const size_t before = answers.size();
    Click(wizard, "cancel");
    if (answers.size() == before) answers.pop_back();
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

TEST_F(ImportWizardTest, EnterGoesOnFromPageToPageAndFinishes) {
  ASSERT_TRUE(WriteWholeFile(csv, "e-mail,x\r\na@b.c,1\r\n"));
  RecordStore store(book, "boss");
  DialogScript script;
  script.Expect("importWizard", [&](QWidget* w) {
    EXPECT_TRUE(Control<QPushButton>(w, "next")->isDefault());
    Type(w, "importFile", csv);
    PressEnter(w, "importFile");
    EXPECT_EQ(PageShown(w), 2);
    EXPECT_FALSE(Control<QPlainTextEdit>(w, "preview")->toPlainText().isEmpty());
    PressEnter(w, "comma");
    EXPECT_EQ(PageShown(w), 3);
    PressEnter(w, "velmoraFields");
  });
  EXPECT_EQ(RunImportWizard(nullptr, store, Host(store)), 1);
  EXPECT_EQ(LiveRecords(book, "boss"), 1u);
}

TEST_F(ImportWizardTest, AFileThatCannotBeReadIsToldWithItsCause) {
  ASSERT_TRUE(WriteWholeFile(csv, "Name\r\nAnn\r\n"));
  struct Case {
    UnreadableFileSystem::Step step;
    int error;
  } cases[] = {{UnreadableFileSystem::Step::Open, EACCES}, {UnreadableFileSystem::Step::Read, EIO}};
  for (const Case& c : cases) {
    messages.clear();
    UnreadableFileSystem fs(csv, c.step, c.error);
    ScopedFileSystem installed(&fs);
    RecordStore store(book, "boss");
    DialogScript script;
    script.Expect("importWizard", [&](QWidget* w) {
      GoToPage(w, csv, 2);
      EXPECT_EQ(PageShown(w), 1) << "stays on the file page";
      EXPECT_TRUE(Control<QPlainTextEdit>(w, "preview")->toPlainText().isEmpty());
      Discard(w);
    });
    EXPECT_EQ(RunImportWizard(nullptr, store, Host(store)), 0);
    ASSERT_EQ(MessageTexts().size(), 2u) << c.error;
    EXPECT_EQ(MessageTexts()[1], kDiscardEntriesText);
    EXPECT_NE(MessageTexts()[0].find(csv), std::string::npos) << MessageTexts()[0];
    EXPECT_NE(MessageTexts()[0].find(SystemErrorText(c.error)), std::string::npos) << MessageTexts()[0];
  }
}

TEST_F(ImportWizardTest, AFileWithoutReadPermissionIsToldWithItsCause) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop the superuser";
  ASSERT_TRUE(WriteWholeFile(csv, "Name\r\nAnn\r\n"));
  std::filesystem::permissions(csv, std::filesystem::perms::none);
  RecordStore store(book, "boss");
  DialogScript script;
  script.Expect("importWizard", [&](QWidget* w) {
    GoToPage(w, csv, 2);
    EXPECT_EQ(PageShown(w), 1);
    Discard(w);
  });
  EXPECT_EQ(RunImportWizard(nullptr, store, Host(store)), 0);
  ASSERT_EQ(MessageTexts().size(), 2u) << "the cause, then the question on Cancel";
  EXPECT_EQ(MessageTexts()[1], kDiscardEntriesText);
  EXPECT_NE(MessageTexts()[0].find(SystemErrorText(EACCES)), std::string::npos) << MessageTexts()[0];
}

TEST_F(ImportWizardTest, ThePreviewIsCutBetweenCharacters) {
  // A two-byte character that ends at the last byte shown, and one that
  // would be split by the cut.
  struct Case {
    size_t start;
    bool shown;
  } cases[] = {{kImportPreviewBytes - 2, true}, {kImportPreviewBytes - 1, false}};
  const std::string e = "\xC3\xA9";
  for (const Case& c : cases) {
    std::string text = "Name\r\n";
    const std::string line = std::string(98, 'x') + "\r\n";
    while (text.size() + line.size() < c.start) text += line;
    text.append(c.start - text.size(), 'x');
    text += e + "\r\nmore\r\n";
    ASSERT_TRUE(WriteWholeFile(csv, text));
    RecordStore store(book, "boss");
    DialogScript script;
    script.Expect("importWizard", [&](QWidget* w) {
      GoToPage(w, csv, 2);
      const QString preview = Control<QPlainTextEdit>(w, "preview")->toPlainText();
      EXPECT_FALSE(preview.contains(QChar(QChar::ReplacementCharacter))) << c.start;
      EXPECT_EQ(preview.contains(QString::fromUtf8(e)), c.shown) << c.start;
      EXPECT_TRUE(preview.endsWith("(The rest of the file is not shown.)")) << c.start;
      Discard(w);
    });
    EXPECT_EQ(RunImportWizard(nullptr, store, Host(store)), 0);
  }
}

TEST_F(ImportWizardTest, DetectsTheReadingAndMapsByHeadings) {
  struct Case {
    std::string text;
    const char* separator;  // the radio button chosen
    bool quote;
  } cases[] = {{"\"a\",b\r\n", "comma", true},
               {"a\tb,c\r\n", "tab", false},
               {"a,b\tc\r\n", "comma", false},
               {"\"Vorname\";\"Nachname\";\"Firma\"\n", "semicolon", true}};
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteWholeFile(csv, c.text));
    RecordStore store(book, "boss");
    DialogScript script;
    script.Expect("importWizard", [&](QWidget* w) {
      GoToPage(w, csv, 2);
      for (const char* radio : {"comma", "tab", "semicolon"}) {
        EXPECT_EQ(Control<QRadioButton>(w, radio)->isChecked(), std::string_view(radio) == c.separator) << c.text;
      }
      EXPECT_EQ(Control<QComboBox>(w, "qualifier")->currentIndex() == 0, c.quote) << c.text;
      Discard(w);
    });
    EXPECT_EQ(RunImportWizard(nullptr, store, Host(store)), 0);
  }
}

TEST_F(ImportWizardTest, TheMappingPageReadsTheFileAgain) {
  ASSERT_TRUE(WriteWholeFile(csv, "First Name,Last Name\r\nAda,Lovelace\r\n"));
  RecordStore store(book, "boss");
  DialogScript script;
  script.Expect("importWizard", [&](QWidget* w) {
    GoToPage(w, csv, 2);
    // Changed while the reading page shows: the mapping takes what is there now.
    ASSERT_TRUE(WriteWholeFile(csv, "Given Name,Family Name,Nickname\r\nAda,Lovelace,Countess\r\n"));
    Click(w, "next");
    EXPECT_EQ(SourceRow(w, 0), "Given Name");
    EXPECT_EQ(SourceRow(w, 2), "Nickname");
    // Gone by then: told, and the page stays.
    ASSERT_TRUE(WriteWholeFile(csv, "x\r\n"));
    Click(w, "back");
    std::filesystem::remove(csv);
    Click(w, "next");
    EXPECT_EQ(PageShown(w), 2);
    Discard(w);
  });
  EXPECT_EQ(RunImportWizard(nullptr, store, Host(store)), 0);
  ASSERT_EQ(MessageTexts().size(), 2u) << "the cause, then the question on Cancel";
  EXPECT_EQ(MessageTexts()[1], kDiscardEntriesText);
  EXPECT_NE(MessageTexts()[0].find(csv), std::string::npos) << MessageTexts()[0];
}

TEST_F(ImportWizardTest, DefaultMapClearMapAndChoosingALabel) {
  ASSERT_TRUE(WriteWholeFile(csv, "e-mail 2,EMAIL2,Email2\r\nx@y.z,a,b\r\n"));
  RecordStore store(book, "boss");
  DialogScript script;
  script.Expect("importWizard", [&](QWidget* w) {
    GoToPage(w, csv, 3);
    EXPECT_FALSE(Control<QPushButton>(w, "defaultMap")->isHidden()) << "the first line holds headings";
    EXPECT_FALSE(Control<QPushButton>(w, "clearMap")->isHidden());
    Click(w, "defaultMap");
    EXPECT_EQ(TargetRow(w, 0), "Home Email");
    EXPECT_EQ(TargetRow(w, 1), "IGNORE THIS FIELD");
    EXPECT_EQ(TargetRow(w, 2), "IGNORE THIS FIELD");
    Click(w, "clearMap");
    auto catalogue = ContactImportCatalogue();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(TargetRow(w, i), std::string(catalogue[static_cast<size_t>(i)].label));
    // Row 1 takes row 0's label; row 0 is then ignored.
    ChooseLabel(w, 1, 0);
    EXPECT_EQ(TargetRow(w, 1), std::string(catalogue[0].label));
    EXPECT_EQ(TargetRow(w, 0), "IGNORE THIS FIELD");
    Discard(w);
  });
  EXPECT_EQ(RunImportWizard(nullptr, store, Host(store)), 0);
  EXPECT_EQ(ProgramSetting("ImportFile"), "") << "stored on Finish only";
}

TEST_F(ImportWizardTest, WithoutHeadingsTheFirstLineIsDataMappedByPosition) {
  ASSERT_TRUE(WriteWholeFile(csv, "Ann,Lee\r\nBob,Ray\r\n"));
  const auto catalogue = ContactImportCatalogue();
  {
    RecordStore store(book, "boss");
    DialogScript script;
    script.Expect("importWizard", [&](QWidget* w) {
      GoToPage(w, csv, 2);
      Control<QRadioButton>(w, "headingNo")->click();
      Click(w, "next");
      EXPECT_EQ(SourceRow(w, 0), "Ann");
      EXPECT_EQ(SourceRow(w, 1), "Lee");
      EXPECT_EQ(TargetRow(w, 0), std::string(catalogue[0].label));
      EXPECT_EQ(TargetRow(w, 1), std::string(catalogue[1].label));
      EXPECT_TRUE(Control<QPushButton>(w, "defaultMap")->isHidden()) << "no headings to map by";
      EXPECT_TRUE(Control<QPushButton>(w, "clearMap")->isHidden());
      Click(w, "next");
    });
    EXPECT_EQ(RunImportWizard(nullptr, store, Host(store)), 2);
  }
  ASSERT_EQ(std::string(catalogue[0].label), "First Name");
  ASSERT_EQ(std::string(catalogue[1].label), "Middle Name");
  EXPECT_EQ(Texts(contact::kFirstName), (std::multiset<std::string>{"Ann", "Bob"}));
  EXPECT_EQ(Texts(contact::kMiddleName), (std::multiset<std::string>{"Lee", "Ray"}));
}

// A file whose headings name fields starts mapped by them, so that Finish
// puts each column into the field its heading names; headings none of
// which is known start with the positional mapping.
TEST_F(ImportWizardTest, KnownHeadingsStartTheMappingByHeadings) {
  const auto catalogue = ContactImportCatalogue();
  struct Case {
    const char* text;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {"Last Name,First Name\r\nLee,Ann\r\n", {"Last Name", "First Name"}},
      {"Colour,Shoe\r\nred,42\r\n", {std::string(catalogue[0].label), std::string(catalogue[1].label)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ASSERT_TRUE(WriteWholeFile(csv, c.text));
    RecordStore store(book, "boss");
    DialogScript script;
    script.Expect("importWizard", [&](QWidget* w) {
      GoToPage(w, csv, 3);
      for (size_t row = 0; row < c.rows.size(); ++row) EXPECT_EQ(TargetRow(w, int(row)), c.rows[row]);
      Discard(w);
    });
    EXPECT_EQ(RunImportWizard(nullptr, store, Host(store)), 0);
  }
  // Finish straight away fills the fields the headings name.
  ASSERT_TRUE(WriteWholeFile(csv, "Last Name,First Name\r\nLee,Ann\r\nRay,Bob\r\n"));
  {
    RecordStore store(book, "boss");
    DialogScript script;
    script.Expect("importWizard", [&](QWidget* w) {
      GoToPage(w, csv, 3);
      Click(w, "next");
    });
    EXPECT_EQ(RunImportWizard(nullptr, store, Host(store)), 2);
  }
  EXPECT_EQ(Texts(contact::kFirstName), (std::multiset<std::string>{"Ann", "Bob"}));
  EXPECT_EQ(Texts(contact::kLastName), (std::multiset<std::string>{"Lee", "Ray"}));
}

// Escape, "Cancel" and the close button close a wizard with nothing entered
// at once; with something entered they first ask, and No keeps the wizard
// with what was entered.
TEST_F(ImportWizardTest, ClosingAFilledWizardAsksFirst) {
  ASSERT_TRUE(WriteWholeFile(csv, "Last Name,First Name\r\nLee,Ann\r\n"));
  enum class How { Escape, Cancel, CloseButton };
  struct Case {
    const char* name;
    How how;
    int filledPages;  // 0: nothing entered; 1: a file typed; 2: on the reading page
    bool answer;
    bool asked, closed;
  };
  const Case cases[] = {
      {"Escape, nothing entered", How::Escape, 0, false, false, true},
      {"Cancel, nothing entered", How::Cancel, 0, false, false, true},
      {"close, nothing entered", How::CloseButton, 0, false, false, true},
      {"Escape, a file typed, No", How::Escape, 1, false, true, false},
      {"Escape, on page 2, No", How::Escape, 2, false, true, false},
      {"Escape, on page 2, Yes", How::Escape, 2, true, true, true},
      {"Cancel, on page 2, No", How::Cancel, 2, false, true, false},
      {"close, on page 2, No", How::CloseButton, 2, false, true, false},
      {"close, on page 2, Yes", How::CloseButton, 2, true, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    messages.clear();
    RecordStore store(book, "boss");
    DialogScript script;
    script.Expect("importWizard", [&](QWidget* w) {
      if (c.filledPages >= 1) Type(w, "importFile", csv);
      if (c.filledPages >= 2) Click(w, "next");
      ASSERT_EQ(PageShown(w), c.filledPages >= 2 ? 2 : 1);
      answers = {c.answer};
      switch (c.how) {
        case How::Escape: QTest::keyClick(w, Qt::Key_Escape); break;
        case How::Cancel: Click(w, "cancel"); break;
        case How::CloseButton: w->close(); break;
      }
      EXPECT_EQ(MessageTexts(), c.asked ? std::vector<std::string>{kDiscardEntriesText} : std::vector<std::string>{});
      EXPECT_EQ(!w->isVisible(), c.closed);
      if (!w->isVisible()) return;
      // Kept as it was.
      EXPECT_EQ(PageShown(w), c.filledPages >= 2 ? 2 : 1);
      EXPECT_EQ(Control<QLineEdit>(w, "importFile")->text().toStdString(), csv);
      answers = {true};
      Click(w, "cancel");
      EXPECT_FALSE(w->isVisible());
    });
    EXPECT_EQ(RunImportWizard(nullptr, store, Host(store)), 0);
    EXPECT_EQ(LiveRecords(book, "boss"), 0u);
  }
}

TEST_F(ImportWizardTest, MissingFileAndAllIgnoredStayOnThePage) {
  ASSERT_TRUE(WriteWholeFile(csv, "Name\r\nAnn\r\n"));
  std::filesystem::create_directory(File("folder.csv"));
  RecordStore store(book, "boss");
  DialogScript script;
  script.Expect("importWizard", [&](QWidget* w) {
    GoToPage(w, File("missing.csv"), 2);
    GoToPage(w, File("folder.csv"), 2);
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>(2, "Import file could not be found.")));
    EXPECT_EQ(PageShown(w), 1);
    GoToPage(w, csv, 3);
    ChooseLabel(w, 0, Control<QComboBox>(w, "fieldChoice")->count() - 1);
    Click(w, "next");
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(w->isVisible());
    Discard(w);
  });
  EXPECT_EQ(RunImportWizard(nullptr, store, Host(store)), 0);
}

TEST_F(ImportWizardTest, FinishImportsAndStoresTheFile) {
  ASSERT_TRUE(WriteWholeFile(csv, "e-mail,x\r\na@b.c,1\r\nd@e.f,2\r\n"));
  {
    RecordStore store(book, "boss");
    DialogScript script;
    script.Expect("importWizard", [&](QWidget* w) {
      GoToPage(w, csv, 3);
      Click(w, "next");
    });
    EXPECT_EQ(RunImportWizard(nullptr, store, Host(store)), 2);
  }
  EXPECT_EQ(LiveRecords(book, "boss"), 2u);
  EXPECT_EQ(ProgramSetting("ImportFile"), csv);
}

TEST_F(ImportWizardTest, AFileNameThatCannotBeKeptIsToldAndTheImportGoesOn) {
  ASSERT_TRUE(WriteWholeFile(csv, "e-mail,x\r\na@b.c,1\r\nd@e.f,2\r\n"));
  // A folder where the settings file should be: no setting can be written.
  std::filesystem::create_directory(ProgramSettingsPath());
  {
    RecordStore store(book, "boss");
    DialogScript script;
    script.Expect("importWizard", [&](QWidget* w) {
      GoToPage(w, csv, 3);
      Click(w, "next");
    });
    EXPECT_EQ(RunImportWizard(nullptr, store, Host(store)), 2);
  }
  EXPECT_EQ(LiveRecords(book, "boss"), 2u);
  const std::vector<std::string> texts = MessageTexts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_TRUE(texts[0].starts_with("The name of the import file could not be kept")) << texts[0];
  EXPECT_NE(texts[0].find(ProgramSettingsPath()), std::string::npos) << texts[0];
  EXPECT_NE(texts[1].find("2 records added."), std::string::npos) << texts[1];
}

TEST_F(ImportWizardTest, CancelHalfWayKeepsTheRecordsAddedSoFar) {
  constexpr size_t kLines = 3000;
  constexpr size_t kCancelAt = 1000;
  std::string text = "First Name\r\n";
  for (size_t i = 0; i < kLines; ++i) text += "Person " + std::to_string(i) + "\r\n";
  ASSERT_TRUE(WriteWholeFile(csv, text));
  bool clicked = false;
  {
    RecordStore store(book, "boss");
    ImportWizardHost host = Host(store);
    // The import as the host runs it, with "Cancel" of the progress window
    // clicked once kCancelAt lines are done.
    host.run = [&](std::istream& file, const ImportSettings& settings, ImportCounts& counts,
                   const ImportProgress& progress) {
      return ImportContacts(store, file, settings, counts, [&](size_t done, size_t total) {
        if (done == kCancelAt) {
          for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<WorkProgressWindow*>(top);
            if (!window || !window->isVisible()) continue;
            if (auto* cancel = window->findChild<QPushButton*>("cancel")) {
              cancel->click();
              clicked = true;
            }
          }
        }
        return progress(done, total);
      });
    };
    DialogScript script;
    script.Expect("importWizard", [&](QWidget* w) {
      GoToPage(w, csv, 3);
      Click(w, "next");
    });
    EXPECT_EQ(RunImportWizard(nullptr, store, host), static_cast<int>(kCancelAt));
  }
  EXPECT_TRUE(clicked) << "the progress window offers Cancel";
  EXPECT_EQ(LiveRecords(book, "boss"), kCancelAt);
  ASSERT_FALSE(MessageTexts().empty());
  const std::string summary = MessageTexts().back();
  EXPECT_NE(summary.find(std::to_string(kCancelAt) + " records added."), std::string::npos) << summary;
  EXPECT_NE(summary.find("Cancelled: the " + std::to_string(kCancelAt) + " records added so far were kept."),
            std::string::npos)
      << summary;
}

// A file of about 3 MiB, far beyond what the pages read: one heading line
// and lines of a name and long notes with two-byte characters, laid out so
// that the end of the start the pages read falls inside a character.
std::string LargeCsv(size_t& lines) {
  const std::string e = "\xC3\xA9";
  std::string notes;
  while (notes.size() < 900) notes += "caf" + e + " ";
  for (int pad = 0; pad < 2; ++pad) {
    std::string text = "First Name,Notes\r\n" + std::string(static_cast<size_t>(pad), 'x');
    lines = 0;
    while (text.size() < (size_t{3} << 20)) {
      text += "Person " + std::to_string(lines) + "," + notes + "\r\n";
      ++lines;
    }
    // The byte just beyond the start is the second byte of a character.
    if ((static_cast<unsigned char>(text[kImportStartBytes]) & 0xC0) == 0x80) return text;
  }
  return "";
}

TEST_F(ImportWizardTest, AFileLargerThanThePagesReadIsImportedWhole) {
  size_t lines = 0;
  const std::string text = LargeCsv(lines);
  ASSERT_GT(text.size(), kImportStartBytes * 2);
  ASSERT_TRUE(WriteWholeFile(csv, text));
  int midway = -1;
  {
    RecordStore store(book, "boss");
    ImportWizardHost host = Host(store);
    host.run = [&](std::istream& file, const ImportSettings& settings, ImportCounts& counts,
                   const ImportProgress& progress) {
      return ImportContacts(store, file, settings, counts, [&](size_t done, size_t total) {
        const bool go = progress(done, total);
        // Halfway through the lines the bar shows how much has been read.
        if (done == lines / 2) {
          for (QWidget* top : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<WorkProgressWindow*>(top); window && window->isVisible()) {
              midway = window->shownPermille();
            }
          }
        }
        return go;
      });
    };
    DialogScript script;
    script.Expect("importWizard", [&](QWidget* w) {
      GoToPage(w, csv, 2);
      const QString preview = Control<QPlainTextEdit>(w, "preview")->toPlainText();
      EXPECT_TRUE(preview.startsWith("First Name,Notes"));
      EXPECT_TRUE(preview.contains(QString::fromUtf8("caf\xC3\xA9"))) << "read as UTF-8";
      EXPECT_FALSE(preview.contains(QString::fromUtf8("\xC3\x83\xC2\xA9"))) << "not as Windows-1252";
      EXPECT_TRUE(preview.endsWith("(The rest of the file is not shown.)"));
      Click(w, "next");
      EXPECT_EQ(SourceRow(w, 0), "First Name");
      EXPECT_EQ(SourceRow(w, 1), "Notes");
      Click(w, "defaultMap");
      Click(w, "next");
    });
    EXPECT_EQ(RunImportWizard(nullptr, store, host), static_cast<int>(lines));
  }
  EXPECT_EQ(LiveRecords(book, "boss"), lines);
  const std::multiset<std::string> names = Texts(contact::kFirstName);
  EXPECT_EQ(names.count("Person 0"), 1u);
  EXPECT_EQ(names.count("Person " + std::to_string(lines - 1)), 1u);
  EXPECT_GT(midway, 300);
  EXPECT_LT(midway, 700);
  ASSERT_FALSE(MessageTexts().empty());
  EXPECT_NE(MessageTexts().back().find(std::to_string(lines) + " records added."), std::string::npos);
}

TEST_F(ImportWizardTest, AFileThatCannotBeOpenedAtFinishIsToldAndNothingIsAdded) {
  ASSERT_TRUE(WriteWholeFile(csv, "e-mail,x\r\na@b.c,1\r\n"));
  RecordStore store(book, "boss");
  bool ran = false;
  ImportWizardHost host = Host(store);
  host.run = [&](std::istream&, const ImportSettings&, ImportCounts&, const ImportProgress&) {
    ran = true;
    return Result::Ok();
  };
  DialogScript script;
  script.Expect("importWizard", [&](QWidget* w) {
    GoToPage(w, csv, 3);
    {
      // Unreadable from now on: Finish tells why and the page stays.
      UnreadableFileSystem fs(csv, UnreadableFileSystem::Step::Open, EACCES);
      ScopedFileSystem installed(&fs);
      Click(w, "next");
    }
    EXPECT_EQ(PageShown(w), 3);
    EXPECT_TRUE(w->isVisible());
    Discard(w);
  });
  EXPECT_EQ(RunImportWizard(nullptr, store, host), 0);
  EXPECT_FALSE(ran);
  EXPECT_EQ(LiveRecords(book, "boss"), 0u);
  EXPECT_EQ(ProgramSetting("ImportFile"), "") << "not kept for an import that did not run";
  ASSERT_EQ(MessageTexts().size(), 2u) << "the cause, then the question on Cancel";
  EXPECT_EQ(MessageTexts()[1], kDiscardEntriesText);
  EXPECT_NE(MessageTexts()[0].find(csv), std::string::npos) << MessageTexts()[0];
  EXPECT_NE(MessageTexts()[0].find(SystemErrorText(EACCES)), std::string::npos) << MessageTexts()[0];
}

TEST_F(ImportWizardTest, AReadThatFailsDuringTheImportIsToldWithItsCause) {
  // Reads fail from the start of the file, or from the middle of a line far
  // beyond what the pages read: that line, cut short, is not added.
  const std::string rest = "," + std::string(900, 'x') + "\r\n";
  std::string text = "First Name,x\r\n";
  for (size_t i = 0; text.size() < 3 * kImportStartBytes; ++i) text += "Person " + std::to_string(i) + rest;
  const uint64_t middle = text.find("Person", 2 * kImportStartBytes) + 4;
  ASSERT_TRUE(WriteWholeFile(csv, text));
  // The lines wholly before the failure, below the heading.
  const auto lineEnds = std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(middle), '\n');
  const size_t before = static_cast<size_t>(lineEnds) - 1;
  for (const uint64_t from : {uint64_t{0}, middle}) {
    messages.clear();
    std::filesystem::remove(book);
    MakeRecordFile(book, {"boss", "help", "look"});
    size_t added = 0;
    {
      RecordStore store(book, "boss");
      std::optional<UnreadableFileSystem> fs;
      std::optional<ScopedFileSystem> installed;
      DialogScript script;
      script.Expect("importWizard", [&](QWidget* w) {
        GoToPage(w, csv, 3);
        // Reads fail from here on; the file opens.
        fs.emplace(csv, UnreadableFileSystem::Step::Read, EIO, from);
        installed.emplace(&*fs);
        Click(w, "next");
      });
      added = static_cast<size_t>(RunImportWizard(nullptr, store, Host(store)));
    }
    // What was added before the failure is kept; nothing from beyond it.
    if (from == 0) {
      EXPECT_EQ(added, 0u);
    } else {
      EXPECT_GT(added, 0u);
    }
    EXPECT_LE(added, before);
    EXPECT_EQ(LiveRecords(book, "boss"), added) << from;
    for (const std::string& name : Texts(contact::kFirstName)) {
      EXPECT_TRUE(text.find("\n" + name + rest) != std::string::npos) << "a line cut short: " << name;
    }
    ASSERT_FALSE(MessageTexts().empty());
    const std::string summary = MessageTexts().back();
    EXPECT_NE(summary.find(csv), std::string::npos) << summary;
    EXPECT_NE(summary.find(SystemErrorText(EIO)), std::string::npos) << summary;
    EXPECT_NE(summary.find(std::to_string(added) + " records added."), std::string::npos) << summary;
  }
}

TEST_F(ImportWizardTest, AWholeFileImporterTakesTheFilesItRecognises) {
  struct Case {
    std::string text;
    bool recognised;
  } cases[] = {{"BEGIN:VCARD\r\nFN:Ann\r\nEND:VCARD\r\n", true}, {"First Name\r\nAnn\r\n", false}};
  for (const Case& c : cases) {
    messages.clear();
    ASSERT_TRUE(WriteWholeFile(csv, c.text));
    std::vector<std::string> asked, run;
    int delimitedRuns = 0;
    {
      RecordStore store(book, "boss");
      ImportWizardHost host = Host(store);
      host.run = [&](std::istream&, const ImportSettings&, ImportCounts& counts, const ImportProgress&) {
        ++delimitedRuns;
        counts.added = 1;
        counts.unread.push_back({2, "The line has no value"});
        return Result::Ok();
      };
      host.wholeFile.recognises = [&](std::string_view bytes) {
        asked.emplace_back(bytes);
        return bytes.starts_with("BEGIN:VCARD");
      };
      host.wholeFile.run = [&](std::istream& file, uint64_t size, ImportCounts& counts, const ImportProgress&) {
        run.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        EXPECT_EQ(size, c.text.size());
        counts.added = 3;
        counts.partly.push_back({1, "The category \"Golf\" was left out"});
        return Result::Ok();
      };
      DialogScript script;
      script.Expect("importWizard", [&](QWidget* w) {
        GoToPage(w, csv, 2);
        EXPECT_EQ(w->isVisible(), !c.recognised) << c.text;
        if (c.recognised) return;
        EXPECT_EQ(PageShown(w), 2);
        EXPECT_FALSE(Control<QPlainTextEdit>(w, "preview")->toPlainText().isEmpty());
        Click(w, "next");
        Click(w, "next");
      });
      EXPECT_EQ(RunImportWizard(nullptr, store, host), c.recognised ? 3 : 1) << c.text;
    }
    EXPECT_EQ(asked, std::vector<std::string>{c.text});
    EXPECT_EQ(run, c.recognised ? std::vector<std::string>{c.text} : std::vector<std::string>{});
    EXPECT_EQ(delimitedRuns, c.recognised ? 0 : 1) << c.text;
    EXPECT_EQ(ProgramSetting("ImportFile"), csv);
    ASSERT_EQ(MessageTexts().size(), 1u);
    // Each count with its noun in the right number.
    EXPECT_NE(MessageTexts()[0].find(c.recognised ? "3 records added." : "1 record added."), std::string::npos)
        << MessageTexts()[0];
    if (c.recognised) {
      EXPECT_NE(MessageTexts()[0].find("1 value left out of records that were added:\r\nLine 1: The category "
                                       "\"Golf\" was left out"),
                std::string::npos)
          << MessageTexts()[0];
    } else {
      EXPECT_NE(MessageTexts()[0].find("1 line not read:\r\nLine 2: The line has no value"), std::string::npos)
          << MessageTexts()[0];
    }
  }
}

TEST_F(ImportWizardTest, BrowseFillsTheFileField) {
  fileDialogs.answers = {csv, std::nullopt};
  RecordStore store(book, "boss");
  DialogScript script;
  script.Expect("importWizard", [&](QWidget* w) {
    Click(w, "browse");
    EXPECT_EQ(Control<QLineEdit>(w, "importFile")->text().toStdString(), csv);
    Click(w, "browse");
    EXPECT_EQ(Control<QLineEdit>(w, "importFile")->text().toStdString(), csv) << "a cancelled choice keeps it";
    Discard(w);
  });
  EXPECT_EQ(RunImportWizard(nullptr, store, Host(store)), 0);
  ASSERT_EQ(fileDialogs.requests.size(), 2u);
  const FileDialogRequest& asked = fileDialogs.requests[0];
  EXPECT_EQ(asked.mode, FileDialogMode::Open);
  EXPECT_EQ(asked.filter, "Comma file (*.csv)|*.csv|Text file (*.txt)|*.txt||");
  EXPECT_EQ(asked.defaultExtension, "csv");
  EXPECT_EQ(asked.start, StartFolder::Program);
}

}  // namespace
}  // namespace velmora::testing
