// The address book's import through the "Import" wizard: files larger than
// what the wizard's pages read, delimited text and vCards, are streamed
// into the book whole, and a file that is not text is refused.
#include <QPlainTextEdit>
#include <set>
#include <string>

#include "../shell/RecordFiles.h"
#include "../shell/ShellTestSupport.h"
#include "CardoraTestSupport.h"
#include "addressbook/gui/CardoraFeatures.h"
#include "addressbook/model/Contact.h"
#include "importexport/ContactImport.h"
#include "importexport/VCard.h"
#include "shell/ImportWizard.h"
#include "store/RecordQuery.h"
#include "store/RecordStore.h"

namespace velmora {
namespace {

using testing::Click;
using testing::Control;
using testing::DialogScript;
using testing::LiveRecords;
using testing::Sandbox;
using testing::Type;
using testing::WriteWholeFile;

class CardoraImportTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(CreateRecordFile(book, format::FileKind::Address).ok()); }

  // The first names of every live contact.
  std::multiset<std::string> FirstNames() {
    RecordStore store(book, "");
    RecordQuery query;
    std::multiset<std::string> names;
    if (!query.Prepare().ok() || !query.AddMatchAll() || !query.Run(store).ok()) return names;
    for (RecordPosition position : query.positions()) {
      Bytes record;
      EXPECT_TRUE(store.ReadRecordIfLive(record, position).ok());
      names.insert(Contact(std::move(record)).Text(contact::kFirstName));
    }
    return names;
  }

  // Every name from "Person 0" to "Person count-1" once.
  static std::multiset<std::string> People(size_t count) {
    std::multiset<std::string> names;
    for (size_t i = 0; i < count; ++i) names.insert("Person " + std::to_string(i));
    return names;
  }

  Sandbox sandbox;
  std::string book = sandbox.File("book.adr");
  CardoraFeatures features;
};

TEST_F(CardoraImportTest, AVCardFileOfManyPiecesIsImportedWhole) {
  std::string text;
  size_t cards = 0;
  const std::string note(300, 'n');
  while (text.size() < kImportStartBytes + 3 * kVCardChunkBytes) {
    const std::string name = "Person " + std::to_string(cards);
    text += "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;" + name + ";;;\r\nFN:" + name + " Lee\r\nNOTE:" + note +
            "\r\nEND:VCARD\r\n";
    ++cards;
  }
  const std::string file = sandbox.File("people.vcf");
  ASSERT_TRUE(WriteWholeFile(file, text));
  {
    RecordStore store(book, "");
    DialogScript script;
    script.Expect("importWizard", [&](QWidget* w) {
      Type(w, "importFile", file);
      Click(w, "next");
    });
    EXPECT_TRUE(features.RunImportWizard(nullptr, store));
  }
  EXPECT_EQ(LiveRecords(book), cards);
  EXPECT_EQ(FirstNames(), People(cards));
  const std::vector<std::string> texts = sandbox.MessageTexts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_NE(texts[0].find(std::to_string(cards) + " records added."), std::string::npos) << texts[0];
}

TEST_F(CardoraImportTest, ADelimitedFileLargerThanThePagesReadIsImportedWhole) {
  std::string text = "First Name,Last Name,Notes\r\n";
  size_t lines = 0;
  const std::string notes(900, 'n');
  while (text.size() < (size_t{3} << 20)) {
    text += "Person " + std::to_string(lines) + ",Lee," + notes + "\r\n";
    ++lines;
  }
  const std::string file = sandbox.File("people.csv");
  ASSERT_TRUE(WriteWholeFile(file, text));
  {
    RecordStore store(book, "");
    DialogScript script;
    script.Expect("importWizard", [&](QWidget* w) {
      Type(w, "importFile", file);
      Click(w, "next");
      const QString preview = Control<QPlainTextEdit>(w, "preview")->toPlainText();
      EXPECT_TRUE(preview.endsWith("(The rest of the file is not shown.)"));
      Click(w, "next");
      Click(w, "defaultMap");
      Click(w, "next");
    });
    EXPECT_TRUE(features.RunImportWizard(nullptr, store));
  }
  EXPECT_EQ(LiveRecords(book), lines);
  EXPECT_EQ(FirstNames(), People(lines));
}

TEST_F(CardoraImportTest, AFileThatIsNotTextIsRefusedWithNothingAdded) {
  std::string bytes;
  for (int i = 0; i < 4096; ++i) bytes += static_cast<char>(1 + i % 8);
  const std::string file = sandbox.File("people.csv");
  ASSERT_TRUE(WriteWholeFile(file, bytes));
  {
    RecordStore store(book, "");
    DialogScript script;
    script.Expect("importWizard", [&](QWidget* w) {
      Type(w, "importFile", file);
      Click(w, "next");
      Click(w, "next");
      Click(w, "next");
    });
    EXPECT_FALSE(features.RunImportWizard(nullptr, store));
  }
  EXPECT_EQ(LiveRecords(book), 0u);
  const std::vector<std::string> texts = sandbox.MessageTexts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_TRUE(texts[0].starts_with(std::string(kNotAContactsFile))) << texts[0];
  EXPECT_NE(texts[0].find("0 records added."), std::string::npos) << texts[0];
}

}  // namespace
}  // namespace velmora
