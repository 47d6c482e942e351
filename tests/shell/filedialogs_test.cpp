// The Qt file dialogs behind FileDialogs: filters, start folders, the
// existing-file rule of open mode and the confirmations of save mode.
#include "shell/QtFileDialogs.h"

#include <QFileDialog>
#include <fstream>

#include "ShellTestSupport.h"

namespace velmora::testing {
namespace {

TEST(QtNameFiltersTest, TurnsPipeFiltersIntoQtFilters) {
  const std::pair<const char*, const char*> cases[] = {
      {"Cardora file (*.adr)|*.adr||", "Cardora file (*.adr)"},
      {"Almanor file (*.cld)|*.cld||", "Almanor file (*.cld)"},
      {"Text files|*.txt;*.csv|All files|*.*||", "Text files (*.txt *.csv);;All files (*.*)"},
      {"", ""},
  };
  for (const auto& [pipes, qt] : cases) EXPECT_EQ(QtNameFilters(pipes), qt) << pipes;
}

// Types the name into the dialog's name field and presses Enter, as a user
// does.
void TypeName(QFileDialog* dialog, const char* name) {
  auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(edit, nullptr);
  edit->setText(QString::fromLatin1(name));
  QMetaObject::invokeMethod(dialog, "accept");
}

class QtFileDialogsTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    FileDialogs::SetCurrent(nullptr);  // the real dialogs
    std::filesystem::create_directories(File("Works"));
    std::ofstream(File("Works/book.adr")) << "x";
  }
  QtFileDialogs dialogs;
};

TEST_F(QtFileDialogsTest, OpenStartsInTheWorkFolderAndTakesAnExistingFile) {
  DialogScript script;
  script.Expect("fileDialog", [this](QWidget* w) {
    auto* dialog = static_cast<QFileDialog*>(w);
    EXPECT_EQ(dialog->directory().absolutePath().toStdString(), File("Works"));
    EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("Cardora file (*.adr)")});
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    TypeName(dialog, "book.adr");
  });
  const std::optional<std::string> chosen =
      dialogs.ChooseFile(nullptr, {FileDialogMode::Open, "Cardora file (*.adr)|*.adr||", "adr", StartFolder::Work, {}});
  EXPECT_EQ(chosen, File("Works/book.adr"));
}

TEST_F(QtFileDialogsTest, SaveAsksBeforeCreatingANewFile) {
  answers = {false, true};  // No: back to the dialog; Yes: take it
  DialogScript script;
  for (int i = 0; i < 2; ++i) {
    script.Expect("fileDialog", [](QWidget* w) {
      auto* dialog = static_cast<QFileDialog*>(w);
      EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
      TypeName(dialog, "copy");
    });
  }
  const std::optional<std::string> chosen =
      dialogs.ChooseFile(nullptr, {FileDialogMode::Save, "Cardora file (*.adr)|*.adr||", "adr", StartFolder::Work, {}});
  EXPECT_EQ(chosen, File("Works/copy.adr")) << "the default extension is added";
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].kind, MessageKind::Question);
  EXPECT_NE(messages[0].text.find(File("Works/copy.adr")), std::string::npos);
}

TEST_F(QtFileDialogsTest, ANameWithoutExtensionGetsThatOfTheChosenFileType) {
  struct Case {
    const char* chosen;  // the file type the user picks; none: the first
    const char* typed;
    const char* path;
  } cases[] = {{nullptr, "list", "Works/list.csv"},
               {"Text file (*.txt)", "list", "Works/list.txt"},
               {"Comma file (*.csv)", "back", "Works/back.csv"},
               {"All files (*)", "plain", "Works/plain.csv"},
               {"Text file (*.txt)", "named.csv", "Works/named.csv"}};
  for (const Case& t : cases) {
    SCOPED_TRACE(t.typed);
    messages.clear();
    answers = {true};
    DialogScript script;
    script.Expect("fileDialog", [&t](QWidget* w) {
      auto* dialog = static_cast<QFileDialog*>(w);
      if (t.chosen) {
        // As the dialog's file type box tells a choice of the user.
        dialog->selectNameFilter(QString::fromLatin1(t.chosen));
        emit dialog->filterSelected(QString::fromLatin1(t.chosen));
      }
      TypeName(dialog, t.typed);
    });
    const std::optional<std::string> chosen = dialogs.ChooseFile(
        nullptr, {FileDialogMode::Save, "Comma file (*.csv)|*.csv|Text file (*.txt)|*.txt|All files (*)|*||", "csv",
                  StartFolder::Work, {}});
    EXPECT_EQ(chosen, File(t.path));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].text.find(File(t.path)), std::string::npos) << "the question names the file written";
  }
}

TEST_F(QtFileDialogsTest, CancelYieldsNothing) {
  DialogScript script;
  script.Expect("folderDialog", [](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
  EXPECT_FALSE(dialogs.ChooseFolder(nullptr, "Pick a folder", File("Works")));
}

}  // namespace
}  // namespace velmora::testing
