#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QApplication>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "store/Settings.h"
#include "tests/support/Sandbox.h"
#include "toolkit/Bitmaps.h"
#include "toolkit/FramePainter.h"
#include "toolkit/Resources.h"
#include "toolkit/Skin.h"
#include "toolkit/SkinDialog.h"
#include "toolkit/SkinMenu.h"
#include "toolkit/TesselFrameWnd.h"
#include "toolkit/TesselWndList.h"

namespace velmora {
namespace {

// A program folder of its own, searched alone for resources.
class SkinFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    SetResourceFoldersForTesting({dir.path()});
    ReloadSkin();
  }
  void TearDown() override {
    SetResourceFoldersForTesting({});
    ReloadSkin();
  }
  std::string Styles() const { return dir.path() + "/Styles"; }
  void WriteSkin(const std::string& file, const std::string& body) const {
    QDir().mkpath(QString::fromStdString(Styles()));
    std::ofstream(Styles() + "/" + file) << "[Preference]\n" << body;
  }
  void CopyBitmap(const char* resource, const std::string& to) const {
    QDir().mkpath(QString::fromStdString(Styles() + "/Art"));
    const QImage image = LoadBitmapResource(resource).image;
    ASSERT_FALSE(image.isNull()) << resource;
    ASSERT_TRUE(image.save(QString::fromStdString(Styles() + "/Art/" + to), "BMP"));
  }

  velmora::testing::TempDir dir;
};

TEST(SkinColourTest, ComponentsAreTakenModulo256) {
  struct Case {
    const char* text;
    bool ok;
    QColor colour;
  } cases[] = {
      {"255,128,0", true, QColor(255, 128, 0)},
      {"300,0,0", true, QColor(44, 0, 0)},
      {"-1,256,512", true, QColor(255, 0, 0)},
      {" 1, 2, 3", true, QColor(1, 2, 3)},  // blanks before a number are read
      {"1 ,2,3", false, {}},                // but not before a comma
      {"1,2", false, {}},
      {"red", false, {}},
      {"", false, {}},
  };
  for (const auto& c : cases) {
    QColor out(9, 9, 9);
    EXPECT_EQ(ParseSkinColour(c.text, out), c.ok) << c.text;
    EXPECT_EQ(out, c.ok ? c.colour : QColor(9, 9, 9)) << c.text;
  }
}

TEST_F(SkinFixture, WithoutAStylesFolderNothingIsOfferedAndEverythingIsBuiltIn) {
  EXPECT_TRUE(ListSkins().empty());
  EXPECT_EQ(CurrentSkinName(), "1_Metallic.ini");
  const Skin& skin = GetSkin();
  for (size_t i = 0; i < size_t(SkinColour::Count); ++i) EXPECT_EQ(skin.colours[i], QColor(5, 0, 0)) << i;
  for (const QImage& bitmap : skin.bitmaps) EXPECT_TRUE(bitmap.isNull());
  // The caption buttons and the grip come from the program.
  EXPECT_EQ(skin.CaptionImage(CaptionButton::Close, ButtonState::Pressed), BitmapImage("close_button3.bmp"));
  EXPECT_FALSE(skin.ResizeImage().isNull());
}

TEST_F(SkinFixture, ListingSkipsFilesWithoutNameAndOrdersByFileName) {
  WriteSkin("2_Blue.ini", "name=Blue\n");
  WriteSkin("1_Metallic.ini", "name=Metallic\n");
  WriteSkin("3_Nameless.ini", "colorBack=1,2,3\n");
  WriteSkin("notes.txt", "name=Not a skin\n");
  const auto skins = ListSkins();
  ASSERT_EQ(skins.size(), 2u);
  EXPECT_EQ(skins[0].name, "Metallic");
  EXPECT_EQ(skins[0].fileName, "1_Metallic.ini");
  EXPECT_EQ(skins[1].fileName, "2_Blue.ini");

  // The nameless skin still applies when it is the current one.
  ASSERT_TRUE(WriteSettingText(SuiteSettingsPath(), "Preference", "CurrSkin", "3_Nameless.ini"));
  ReloadSkin();
  EXPECT_EQ(GetSkin().colour(SkinColour::Back), QColor(1, 2, 3));
  EXPECT_EQ(GetSkin().colour(SkinColour::Frame), QColor(5, 0, 0));  // absent
}

TEST_F(SkinFixture, AtMostFiveHundredSkinsAreListed) {
  for (int i = 0; i < 501; ++i) WriteSkin(QString::asprintf("s%03d.ini", i).toStdString(), "name=S\n");
  const auto skins = ListSkins();
  ASSERT_EQ(skins.size(), kMaxSkins);
  EXPECT_EQ(skins.back().fileName, "s499.ini");
}

TEST_F(SkinFixture, LoadsBitmapsFromTheSkinsFolderAndLeavesBrokenOnesAbsent) {
  CopyBitmap("close_button2.bmp", "close.bmp");
  std::ofstream(Styles() + "/Art/broken.bmp") << "not a bitmap";
  WriteSkin("1_Metallic.ini",
            "name=Metallic\nfolder=Art\nbmpButtonClose_1=close.bmp\nbmpButtonClose_2=broken.bmp\n"
            "bmpResize=missing.bmp\ncolorTextTitle=255,255,255\n");
  ReloadSkin();
  const Skin& skin = GetSkin();
  EXPECT_FALSE(skin.bitmap(SkinBitmap::Close1).isNull());
  EXPECT_TRUE(skin.bitmap(SkinBitmap::Close2).isNull());
  EXPECT_TRUE(skin.bitmap(SkinBitmap::Resize).isNull());
  EXPECT_EQ(skin.CaptionImage(CaptionButton::Close, ButtonState::Normal), skin.bitmap(SkinBitmap::Close1));
  EXPECT_EQ(skin.CaptionImage(CaptionButton::Close, ButtonState::Hover), BitmapImage("close_button2.bmp"));
  EXPECT_EQ(skin.colour(SkinColour::TextTitle), QColor(255, 255, 255));
}

TEST_F(SkinFixture, PaneBarButtonsComeFromTheSkinsFolderUnderTheirBuiltInNames) {
  CopyBitmap("close_button2.bmp", "section_button_down.bmp");
  WriteSkin("1_Metallic.ini", "name=Metallic\nfolder=Art\n");
  ReloadSkin();
  const Skin& skin = GetSkin();
  ASSERT_FALSE(skin.paneButtons[1].isNull());
  EXPECT_EQ(skin.PaneButtonImage(true), skin.paneButtons[1]);
  EXPECT_NE(skin.PaneButtonImage(true), BitmapImage("section_button_down.bmp"));
  // Absent from the folder: the built-in one.
  EXPECT_TRUE(skin.paneButtons[0].isNull());
  EXPECT_EQ(skin.PaneButtonImage(false), BitmapImage("section_button_up.bmp"));
}

TEST_F(SkinFixture, ASkinWithoutAFolderKeepsTheBuiltInPaneBarButtons) {
  QDir().mkpath(QString::fromStdString(Styles()));
  ASSERT_TRUE(LoadBitmapResource("close_button2.bmp").image.save(
      QString::fromStdString(Styles() + "/section_button_down.bmp"), "BMP"));
  WriteSkin("1_Metallic.ini", "name=Metallic\n");
  ReloadSkin();
  EXPECT_TRUE(GetSkin().paneButtons[1].isNull());
  EXPECT_EQ(GetSkin().PaneButtonImage(true), BitmapImage("section_button_down.bmp"));
}

// The mean colour of the opaque pixels of a bitmap.
QColor MeanColour(const QImage& image) {
  long long r = 0, g = 0, b = 0, n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.alpha() < 255) continue;
      r += c.red(), g += c.green(), b += c.blue(), ++n;
    }
  }
  return n ? QColor(int(r / n), int(g / n), int(b / n)) : QColor();
}

// The skins shipped beside the programs of the build tree.
TEST(ShippedSkinTest, EachSkinHasPaneBarButtonsOfItsOwnColours) {
  const std::string folder = SkinsFolder();
  const Skin metallic = LoadSkinFile(folder, "1_Metallic.ini");
  const Skin ocean = LoadSkinFile(folder, "2_Ocean.ini");
  const Skin graphite = LoadSkinFile(folder, "3_Graphite.ini");
  for (const Skin* skin : {&metallic, &ocean, &graphite}) {
    for (const QImage& button : skin->paneButtons) EXPECT_FALSE(button.isNull()) << skin->fileName << " in " << folder;
  }
  // Metallic keeps the program's own buttons; the others differ from it.
  EXPECT_EQ(metallic.PaneButtonImage(true), BitmapImage("section_button_down.bmp"));
  EXPECT_EQ(metallic.PaneButtonImage(false), BitmapImage("section_button_up.bmp"));
  for (const Skin* skin : {&ocean, &graphite}) {
    EXPECT_NE(skin->PaneButtonImage(true), metallic.PaneButtonImage(true)) << skin->fileName;
    EXPECT_NE(skin->PaneButtonImage(false), metallic.PaneButtonImage(false)) << skin->fileName;
  }
  // Metallic's current pane is blue; Graphite's is grey like its title bar.
  const QColor blue = MeanColour(metallic.PaneButtonImage(true));
  EXPECT_GT(blue.blue() - blue.red(), 60) << blue.name().toStdString();
  const QColor grey = MeanColour(graphite.PaneButtonImage(true));
  EXPECT_LT(std::abs(grey.blue() - grey.red()), 25) << grey.name().toStdString();
  EXPECT_LT(grey.lightness(), 140) << grey.name().toStdString();
}

TEST_F(SkinFixture, ChoosingASkinWritesItAndReloadsOnTheBroadcast) {
  WriteSkin("1_Metallic.ini", "name=Metallic\ncolorBack=10,10,10\n");
  WriteSkin("2_Blue.ini", "name=Blue\ncolorBack=0,0,200\n");
  ReloadSkin();
  EXPECT_EQ(GetSkin().colour(SkinColour::Back), QColor(10, 10, 10));
  ASSERT_TRUE(ChooseSkin("2_Blue.ini").ok());
  EXPECT_EQ(CurrentSkinName(), "2_Blue.ini");
  EXPECT_EQ(GetSkin().colour(SkinColour::Back), QColor(10, 10, 10));  // until the broadcast arrives
  QCoreApplication::processEvents();
  EXPECT_EQ(GetSkin().colour(SkinColour::Back), QColor(0, 0, 200));
}

TEST_F(SkinFixture, MenuChecksAndDisablesTheCurrentSkinIgnoringCase) {
  const std::vector<SkinEntry> skins = {{"Metallic", "1_Metallic.ini"}, {"Blue", "2_Blue.ini"}};
  QMenu menu;
  FillSkinMenu(menu, skins, "2_BLUE.INI");
  const auto actions = menu.actions();
  ASSERT_EQ(actions.size(), 2);
  EXPECT_EQ(actions[0]->text(), "Metallic");
  EXPECT_EQ(actions[0]->data().toInt(), 1500);
  EXPECT_TRUE(actions[0]->isEnabled());
  EXPECT_EQ(actions[1]->data().toInt(), 1501);
  EXPECT_TRUE(actions[1]->isChecked());
  EXPECT_FALSE(actions[1]->isEnabled());
  EXPECT_FALSE(RunSkinMenuCommand(1499).ok());
}

TEST_F(SkinFixture, DialogSelectsTheCurrentSkinAndOkChoosesTheSelectedOne) {
  WriteSkin("1_Metallic.ini", "name=Metallic\n");
  WriteSkin("2_Blue.ini", "name=Blue\n");
  ASSERT_TRUE(WriteSettingText(SuiteSettingsPath(), "Preference", "CurrSkin", "2_blue.ini"));
  SkinDialog dialog;
  int selectedAtOpening = -2;
  bool okEnabled = false;
  QTimer::singleShot(0, &dialog, [&] {
    selectedAtOpening = dialog.list()->selectedRow();
    okEnabled = dialog.okButton()->isEnabled();
    dialog.list()->SelectRow(0);
    dialog.OnCommand(Command{kCmdOk, 0, {}, {}});
  });
  EXPECT_EQ(dialog.RunModal(), 1);
  EXPECT_EQ(selectedAtOpening, 1);
  EXPECT_TRUE(okEnabled);
  EXPECT_EQ(CurrentSkinName(), "1_Metallic.ini");
}

TEST_F(SkinFixture, DialogWithoutSkinsKeepsOkDisabledAndCancelChangesNothing) {
  SkinDialog dialog;
  bool okEnabled = true;
  QTimer::singleShot(0, &dialog, [&] {
    okEnabled = dialog.okButton()->isEnabled();
    dialog.reject();
  });
  EXPECT_EQ(dialog.RunModal(), 0);
  EXPECT_FALSE(okEnabled);
  std::string stored;
  EXPECT_EQ(ReadSettingText(SuiteSettingsPath(), "Preference", "CurrSkin", stored), 0);
}

// A frame that keeps the failures it would show.
class FailureKeepingFrame : public TesselFrameWnd {
 public:
  std::vector<std::string> failures;

 protected:
  void ShowFailure(const Result& failure) override { failures.push_back(failure.Message()); }
};

TEST_F(SkinFixture, AChoiceThatCannotBeWrittenIsShownByTheFrame) {
  WriteSkin("1_Metallic.ini", "name=Metallic\n");
  WriteSkin("2_Blue.ini", "name=Blue\n");
  // A folder where the settings file belongs: "CurrSkin" cannot be written.
  const std::string settings = SuiteSettingsPath();
  const std::string aside = settings + ".aside";
  std::error_code ignored;
  std::filesystem::rename(settings, aside, ignored);
  ASSERT_TRUE(std::filesystem::create_directory(settings));

  FailureKeepingFrame frame;
  QTimer::singleShot(0, &frame, [&] {
    SkinDialog* dialog = frame.findChild<SkinDialog*>();
    if (!dialog) {
      ADD_FAILURE() << "no skins dialog";
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
      return;
    }
    dialog->list()->SelectRow(1);
    dialog->OnCommand(Command{kCmdOk, 0, {}, {}});
  });
  EXPECT_EQ(frame.OnCommand(Command{kCmdSkinsDialog, 0, {}, {}}), 1);
  std::filesystem::remove(settings);
  std::filesystem::rename(aside, settings, ignored);

  ASSERT_EQ(frame.failures.size(), 1u);
  EXPECT_NE(frame.failures[0].find(settings), std::string::npos) << frame.failures[0];
}

void MoveMouse(QWidget* window, QPoint pos) {
  QMouseEvent move(QEvent::MouseMove, QPointF(pos), QPointF(window->mapToGlobal(pos)), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(window, &move);
}

TEST_F(SkinFixture, CaptionButtonHoverEndsWhenTheMouseLeavesOrTheWindowIsDeactivated) {
  TesselFrameWnd frame;
  frame.resize(420, 300);
  const QPoint overClose = frame.layout().buttons[size_t(CaptionButton::Close)].center();
  for (const QEvent::Type ending : {QEvent::Leave, QEvent::WindowDeactivate}) {
    MoveMouse(&frame, overClose);
    ASSERT_EQ(frame.buttonState(CaptionButton::Close), ButtonState::Hover) << ending;
    EXPECT_EQ(frame.buttonState(CaptionButton::Minimize), ButtonState::Normal) << ending;
    QEvent event(ending);
    QCoreApplication::sendEvent(&frame, &event);
    EXPECT_EQ(frame.buttonState(CaptionButton::Close), ButtonState::Normal) << ending;
  }
  // A press that loses the activation is dropped: its release runs nothing.
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(overClose), QPointF(frame.mapToGlobal(overClose)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&frame, &press);
  ASSERT_EQ(frame.buttonState(CaptionButton::Close), ButtonState::Pressed);
  QEvent deactivate(QEvent::WindowDeactivate);
  QCoreApplication::sendEvent(&frame, &deactivate);
  EXPECT_EQ(frame.buttonState(CaptionButton::Close), ButtonState::Normal);
  frame.show();
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(overClose), QPointF(frame.mapToGlobal(overClose)),
                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&frame, &release);
  EXPECT_TRUE(frame.isVisible());
}

TEST_F(SkinFixture, FramePaintsBuiltInButtonsAndTheAbsentColour) {
  const Skin& skin = GetSkin();
  const QSize size(420, 430);
  const FrameLayout layout = FrameLayout::For(size, skin);
  EXPECT_TRUE(QRect(QPoint(0, 0), size).contains(layout.client));
  EXPECT_LT(layout.buttons[0].right(), layout.buttons[1].left());
  EXPECT_LT(layout.buttons[1].right(), layout.buttons[2].left());
  QImage image(size, QImage::Format_ARGB32);
  image.fill(Qt::green);
  QPainter painter(&image);
  PaintFrame(painter, layout, size, skin, QStringLiteral("Cardora"),
             {ButtonState::Normal, ButtonState::Normal, ButtonState::Pressed});
  painter.end();
  EXPECT_EQ(image.pixelColor(layout.client.center()), QColor(5, 0, 0));
  EXPECT_EQ(layout.ButtonAt(layout.buttons[2].center()), 2);
  // The close button is drawn from the built-in pressed bitmap.
  const QImage& pressed = BitmapImage("close_button3.bmp");
  const QPoint inside(pressed.width() / 2, pressed.height() / 2);
  EXPECT_EQ(image.pixel(layout.buttons[2].topLeft() + inside), pressed.pixel(inside));
}

}  // namespace
}  // namespace velmora
