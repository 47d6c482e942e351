// Dialog captions: every dialog is wide enough for its whole caption in the
// window manager's title font, in each skin the programs ship, whether the
// caption is set before or after the dialog is laid out, for dialogs of a
// fixed size too; a caption wider than the screen keeps the dialog on it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "toolkit/Fonts.h"
#include "toolkit/Skin.h"
#include "toolkit/TesselDialog.h"

namespace velmora {
namespace {

// The captions the suite's dialogs carry, short and long.
const char* const kCaptions[] = {"Velmora", "Password", "Network Passwords", "Verify Network Passwords",
                                 "Print Report", "Export", "Create New File", "General Options", "Categories"};

// Whether the whole caption of window fits the room its title bar leaves.
::testing::AssertionResult CaptionFits(const QWidget& window) {
  const int text = QFontMetrics(CaptionFont()).horizontalAdvance(window.windowTitle());
  const int room = window.width() - kCaptionChrome;
  if (text <= room) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "\"" << window.windowTitle().toStdString() << "\" is " << text
                                       << " pixels wide; a window " << window.width() << " wide has room for "
                                       << room;
}

// A small dialog whose content is far narrower than its caption.
class SmallDialog : public QDialog {
 public:
  explicit SmallDialog(const QString& caption, bool fixed) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("OK?"), this));
    setWindowTitle(caption);
    if (fixed) setFixedSize(60, 40);
  }
};

// The skins of the build tree, each made current in turn; the one before
// comes back at the end.
std::vector<std::string> ShippedSkins() {
  std::vector<std::string> files;
  for (const SkinEntry& entry : ListSkins()) files.push_back(entry.fileName);
  return files;
}

class CaptionTest : public ::testing::Test {
 protected:
  void TearDown() override { ReloadSkin(); }
  CaptionFitting fitting;
};

TEST_F(CaptionTest, TheRoomForACaptionIsTheWindowLessTheTitleBarsButtons) {
  EXPECT_EQ(CaptionArea(400), 400 - kCaptionChrome);
  EXPECT_EQ(CaptionArea(kCaptionChrome - 5), 0);
  EXPECT_EQ(CaptionFitWidth(QString()), 0) << "no caption asks for no width";
  const QString caption = QStringLiteral("Verify Network Passwords");
  EXPECT_EQ(CaptionTextWidth(caption), QFontMetrics(CaptionFont()).horizontalAdvance(caption));
  EXPECT_EQ(CaptionArea(CaptionFitWidth(caption)), CaptionTextWidth(caption));
  EXPECT_TRUE(CaptionFont().bold());
  EXPECT_GE(CaptionFont().pixelSize(), 12) << "at least the title bar's 8 or 9 points";
}

TEST_F(CaptionTest, EveryDialogShowsItsWholeCaptionInEachSkin) {
  const std::vector<std::string> skins = ShippedSkins();
  ASSERT_GE(skins.size(), 3u) << "the skins of the build tree, in " << SkinsFolder();
  for (const std::string& skin : skins) {
    SCOPED_TRACE(skin);
    ASSERT_TRUE(ChooseSkin(skin).ok());
    ReloadSkin();
    ASSERT_EQ(GetSkin().fileName, skin);
    for (const char* caption : kCaptions) {
      for (bool fixed : {false, true}) {
        SCOPED_TRACE(std::string(caption) + (fixed ? ", fixed size" : ""));
        SmallDialog dialog(QString::fromUtf8(caption), fixed);
        dialog.adjustSize();
        dialog.show();
        EXPECT_TRUE(CaptionFits(dialog));
        EXPECT_GE(dialog.minimumWidth(), CaptionFitWidth(dialog.windowTitle())) << "kept when laid out again";
        dialog.adjustSize();
        EXPECT_TRUE(CaptionFits(dialog));
      }
    }
  }
}

TEST_F(CaptionTest, ACaptionSetOnAShownDialogWidensIt) {
  SmallDialog dialog(QStringLiteral("Ok"), false);
  dialog.show();
  const int before = dialog.width();
  dialog.setWindowTitle(QStringLiteral("Verify Network Passwords"));
  EXPECT_GT(dialog.width(), before);
  EXPECT_TRUE(CaptionFits(dialog));
}

TEST_F(CaptionTest, ADialogWiderThanItsCaptionKeepsItsWidth) {
  SmallDialog dialog(QStringLiteral("Velmora"), false);
  dialog.resize(700, 200);
  dialog.show();
  EXPECT_EQ(dialog.width(), 700);
}

TEST_F(CaptionTest, ACaptionWiderThanTheScreenKeepsTheDialogOnIt) {
  SmallDialog dialog(QString(400, QLatin1Char('W')), false);
  dialog.show();
  const int screen = dialog.screen()->availableGeometry().width();
  EXPECT_LE(dialog.width(), screen);
  EXPECT_LE(dialog.minimumWidth(), screen);
}

TEST_F(CaptionTest, WindowsThatAreNoDialogsAreLeftAlone) {
  QWidget plain;
  plain.setWindowTitle(QStringLiteral("Verify Network Passwords"));
  plain.resize(80, 40);
  plain.show();
  EXPECT_EQ(plain.width(), 80);
  QDialog frameless(nullptr, Qt::Dialog | Qt::FramelessWindowHint);
  frameless.setWindowTitle(QStringLiteral("Verify Network Passwords"));
  frameless.resize(80, 40);
  frameless.show();
  EXPECT_EQ(frameless.width(), 80) << "a dialog that draws its own frame has no title bar";
}

TEST(CaptionFittingTest, EndsWithItsObject) {
  {
    CaptionFitting fitting;
    SmallDialog fitted(QStringLiteral("Verify Network Passwords"), false);
    fitted.show();
    EXPECT_TRUE(CaptionFits(fitted));
  }
  SmallDialog dialog(QStringLiteral("Verify Network Passwords"), false);
  dialog.resize(80, 40);
  dialog.show();
  EXPECT_EQ(dialog.width(), 80) << "no fitting once the object is gone";
}

}  // namespace
}  // namespace velmora
