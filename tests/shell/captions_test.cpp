// Captions of the suite's message boxes and the shell's dialogs: the whole
// caption fits the room the window manager's title bar leaves it, in each
// skin the programs ship ("Velmora" over a one-word message, "Verify
// Network Passwords" over three short fields).
#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ShellTestSupport.h"
#include "shell/CategoriesDialog.h"
#include "shell/CreateNewFileDialog.h"
#include "shell/GeneralOptionsDialog.h"
#include "shell/MessageBoxes.h"
#include "shell/NetworkPasswordsDialog.h"
#include "shell/NewCategoryDialog.h"
#include "shell/PasswordDialog.h"
#include "toolkit/Fonts.h"
#include "toolkit/Skin.h"
#include "toolkit/TesselDialog.h"

namespace velmora::testing {
namespace {

::testing::AssertionResult CaptionFits(const QWidget& window) {
  const int text = QFontMetrics(CaptionFont()).horizontalAdvance(window.windowTitle());
  const int room = window.width() - kCaptionChrome;
  if (text <= room) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "\"" << window.windowTitle().toStdString() << "\" is " << text
                                       << " pixels wide; a window " << window.width() << " wide has room for "
                                       << room;
}

class CaptionsTest : public ShellTest {
 protected:
  void TearDown() override { ReloadSkin(); }

  // Runs check once with each skin of the build tree current.
  void InEachSkin(const std::function<void()>& check) {
    const std::vector<SkinEntry> skins = ListSkins();
    ASSERT_GE(skins.size(), 3u) << "the skins of the build tree, in " << SkinsFolder();
    for (const SkinEntry& skin : skins) {
      SCOPED_TRACE(skin.fileName);
      ASSERT_TRUE(ChooseSkin(skin.fileName).ok());
      ReloadSkin();
      check();
    }
  }
};

TEST_F(CaptionsTest, MessageBoxesShowTheirWholeCaption) {
  struct Case {
    MessageKind kind;
    const char* caption;
    const char* text;
  } cases[] = {{MessageKind::Information, "Velmora", "Old"},
               {MessageKind::Information, "Velmora", "Operation successful."},
               {MessageKind::Question, "Velmora", "New"},
               {MessageKind::Warning, "Error - MS Word", "?"},
               {MessageKind::Warning, "Error - LibreOffice Writer mail merge", "No."}};
  InEachSkin([&] {
    for (const Case& t : cases) {
      SCOPED_TRACE(std::string(t.caption) + ": " + t.text);
      SuiteMessageBox box(t.kind, QString::fromUtf8(t.caption), QString::fromUtf8(t.text));
      box.show();
      EXPECT_EQ(box.windowTitle().toStdString(), t.caption);
      EXPECT_TRUE(CaptionFits(box));
      box.hide();
    }
  });
}

TEST_F(CaptionsTest, TheBoxesTheMessagesOpenAreFittedToo) {
  // The real boxes, not the test's handler: each is looked at while open.
  const MessageBoxHandler handler = SetMessageBoxHandler({});
  std::vector<std::string> seen;
  const auto lookAndClose = [&seen] {
    QTimer::singleShot(0, [&seen] {
      auto* box = qobject_cast<SuiteMessageBox*>(QApplication::activeModalWidget());
      if (!box) {
        seen.push_back("no box");
        return;
      }
      seen.push_back(box->windowTitle().toStdString());
      EXPECT_TRUE(CaptionFits(*box));
      box->done(QMessageBox::No);
    });
  };
  lookAndClose();
  InformationBox(nullptr, std::string_view("Old"));
  lookAndClose();
  (void)QuestionBox(nullptr, std::string_view("New"));
  lookAndClose();
  WarningBox(nullptr, "Error - MS Word", "?");
  SetMessageBoxHandler(handler);
  EXPECT_EQ(seen, (std::vector<std::string>{"Velmora", "Velmora", "Error - MS Word"}));
}

TEST_F(CaptionsTest, TheShellsDialogsShowTheirWholeCaption) {
  // As the programs run: one fitting for the whole application.
  const CaptionFitting fitting;
  const std::vector<std::function<std::unique_ptr<QDialog>()>> makers = {
      [] { return std::make_unique<NetworkPasswordsDialog>(NetworkPasswordsDialog::Step::Verify); },
      [] { return std::make_unique<NetworkPasswordsDialog>(NetworkPasswordsDialog::Step::Enter); },
      [] { return std::make_unique<PasswordDialog>(QStringLiteral("a.adr")); },
      [] { return std::make_unique<NewCategoryDialog>(); },
      [] { return std::make_unique<CategoriesDialog>(std::vector<std::string>{"Calls"}); },
      [] { return std::make_unique<CreateNewFileDialog>("adr"); },
      [] { return std::make_unique<GeneralOptionsDialog>(GeneralOptionsActions{}); },
  };
  InEachSkin([&] {
    for (const auto& make : makers) {
      std::unique_ptr<QDialog> dialog = make();
      SCOPED_TRACE(dialog->windowTitle().toStdString());
      dialog->show();
      EXPECT_TRUE(CaptionFits(*dialog));
      dialog->hide();
    }
  });
}

TEST_F(CaptionsTest, AFittedDialogIsWideEnoughBeforeItIsShown) {
  // Fitted when its caption is set, so that a dialog centred before it is
  // shown is centred at its final width.
  const CaptionFitting fitting;
  NetworkPasswordsDialog dialog(NetworkPasswordsDialog::Step::Verify);
  dialog.adjustSize();
  EXPECT_TRUE(CaptionFits(dialog)) << "fitted when its caption was set, before it is shown";
}

}  // namespace
}  // namespace velmora::testing
