#include <gtest/gtest.h>

#include <QDir>
#include <fstream>

#include "resources/Strings.h"
#include "store/Settings.h"
#include "tests/support/Sandbox.h"
#include "toolkit/Bitmaps.h"
#include "toolkit/Fonts.h"
#include "toolkit/Resources.h"
#include "toolkit/SoundPlayer.h"

namespace velmora {
namespace {

TEST(BitmapTest, EveryBitmapOfTheInterfaceLoadsWithItsSize) {
  struct Case {
    const char* name;
    QSize size;  // empty: any
  } cases[] = {
      {"splash.bmp", {261, 226}},           {"window_title.bmp", {}},       {"minimize_button1.bmp", {}},
      {"minimize_button2.bmp", {}},         {"minimize_button3.bmp", {}},   {"maximize_button1.bmp", {}},
      {"maximize_button2.bmp", {}},         {"maximize_button3.bmp", {}},   {"close_button1.bmp", {}},
      {"close_button2.bmp", {}},            {"close_button3.bmp", {}},      {"resize.bmp", {}},
      {"section_button_up.bmp", {72, 16}},  {"section_button_down.bmp", {72, 16}},
      {"tbar1.bmp", {}},                    {"tbar1_corner.bmp", {}},       {"flymenu_arrow.bmp", {10, 8}},
      {"pic_button1.bmp", {60, 20}},        {"pic_button2.bmp", {60, 20}},  {"his_button1.bmp", {60, 20}},
      {"his_button2.bmp", {60, 20}},        {"recicle1.bmp", {}},           {"recicle2.bmp", {}},
      {"pic_ttl.bmp", {}},                  {"pic_close.bmp", {}},          {"pic_resize.bmp", {}},
      {"his_resize.bmp", {}},               {"field_button.bmp", {}},       {"mail_marge.bmp", {}},
      {"mm_true.bmp", {}},                  {"mm_false.bmp", {}},           {"all_day.bmp", {}},
      {"all_day_left.bmp", {}},             {"all_day_right.bmp", {}},
  };
  for (const auto& c : cases) {
    const BitmapLoad load = LoadBitmapResource(c.name);
    ASSERT_TRUE(load.ok()) << c.name << ": " << load.error.toStdString();
    if (!c.size.isEmpty()) {
      EXPECT_EQ(load.image.size(), c.size) << c.name;
    }
  }
  for (int number : {2000, 2001, 2002, 2003, 2004, 2005, 2014, 2015, 2016, 2017, 2018, 2019, 4000, 4006, 1000}) {
    EXPECT_TRUE(LoadBitmapResource(number).ok()) << number;
  }
  EXPECT_EQ(LoadBitmapResource(2000).image.size(), QSize(16, 16));
  EXPECT_EQ(LoadBitmapResource("SPLASH.BMP").image.size(), QSize(261, 226));  // names ignore case
}

TEST(BitmapTest, EachProgramGetsItsOwnVersionOfAResource) {
  const QImage cardora = LoadBitmapResource(2019).image;
  SetCurrentProgram(Program::Almanor);
  const QImage almanor = LoadBitmapResource(2019).image;
  const QImage shared = LoadBitmapResource(2017).image;
  SetCurrentProgram(Program::Cardora);
  ASSERT_FALSE(almanor.isNull());
  EXPECT_NE(cardora, almanor);  // repeat icon instead of the picture icon
  EXPECT_EQ(shared, LoadBitmapResource(2017).image);
}

TEST(BitmapTest, LoadingErrors) {
  EXPECT_EQ(LoadBitmapResource("no_such.bmp").error, "Unable to find resource");
  EXPECT_EQ(LoadBitmapResource(9999).error, "Unable to find resource");
  EXPECT_EQ(DecodeBitmap("PK\x03\x04 not a bitmap").error, "Bad file format");
  EXPECT_EQ(DecodeBitmap("B").error, "Bad file format");
  EXPECT_EQ(DecodeBitmap("BM truncated").error, "Bad file format");

  velmora::testing::TempDir dir;
  std::ofstream(dir.File("fake.bmp")) << "GIF89a";
  EXPECT_EQ(LoadBitmapFile(dir.File("fake.bmp")).error, "Bad file format");
  EXPECT_EQ(LoadBitmapFile(dir.File("missing.bmp")).error, "Unable to find resource");
}

TEST(BitmapTest, MagentaBecomesTransparentAndNothingElse) {
  QImage image(3, 1, QImage::Format_RGB32);
  image.setPixel(0, 0, qRgb(255, 0, 255));
  image.setPixel(1, 0, qRgb(254, 0, 255));
  image.setPixel(2, 0, qRgb(10, 20, 30));
  const QImage out = WithTransparency(image);
  EXPECT_EQ(qAlpha(out.pixel(0, 0)), 0);
  EXPECT_EQ(out.pixel(1, 0), qRgb(254, 0, 255));
  EXPECT_EQ(out.pixel(2, 0), qRgb(10, 20, 30));
  // The shipped icons use it: their corners are transparent.
  const QImage& icon = BitmapImage(2017);
  ASSERT_FALSE(icon.isNull());
  EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
}

TEST(BitmapTest, CursorsOfTheDragAreShipped) {
  for (const char* name : {"CUR_DRAG_TRUE", "CUR_DRAG_TRUE_COPY", "CUR_DRAG_STOP", "CUR_HAND1"}) {
    const QCursor cursor = LoadCursorResource(name);
    EXPECT_EQ(cursor.shape(), Qt::BitmapCursor) << name;
  }
}

TEST(FontTest, FacesMapToDesktopFontsAtTheirPixelHeights) {
  struct Case {
    const char* face;
    int pixels;
    int weight;
    const char* family;
  } cases[] = {
      {"Small Fonts", 9, 400, "DejaVu Sans"},
      {"MS Sans Serif", 11, 700, "DejaVu Sans"},
      {"Verdana", 9, 700, "DejaVu Sans"},
      {"arial", 12, 400, "Liberation Sans"},
  };
  for (const auto& c : cases) {
    const QFont font = MapFont(c.face, c.pixels, c.weight);
    EXPECT_EQ(font.pixelSize(), c.pixels) << c.face;
    EXPECT_EQ(font.bold(), c.weight == 700) << c.face;
    EXPECT_EQ(font.families().value(0), c.family) << c.face;
  }
  CreateSharedFonts();
  EXPECT_EQ(SmallFont().pixelSize(), 9);
  EXPECT_TRUE(BoldFont().bold());
  ReleaseSharedFonts();
}

TEST(ResourceTest, TheProgramFolderComesFirstThenTheOthers) {
  velmora::testing::TempDir first;
  velmora::testing::TempDir second;
  SetResourceFoldersForTesting({first.path(), second.path()});
  QDir().mkpath(QString::fromStdString(second.path() + "/sounds"));
  std::ofstream(second.File("sounds/add.wav")) << "x";
  EXPECT_EQ(FindResource("sounds/add.wav"), second.File("sounds/add.wav"));
  std::ofstream(first.File("add.wav")) << "x";
  EXPECT_EQ(SoundPlayer::SourceFor("add.wav").toLocalFile().toStdString(), first.File("add.wav"));
  EXPECT_EQ(FindResource("nothing.here"), "");
  EXPECT_EQ(ResourceFolder(), first.path());
  SetResourceFoldersForTesting({});
  EXPECT_EQ(ResourceFolders().front(), ProgramFolder());
}

TEST(SoundTest, PlaysOnlyWhileSwitchedOnAndKnowsItsSounds) {
  velmora::testing::TempDir dir;
  SetResourceFoldersForTesting({dir.path()});
  SoundPlayer& player = SoundPlayer::Instance();
  for (const char* name : {"add.wav", "bindel.wav", "chpane.wav", "close.wav", "copy.wav", "delete.wav", "move.wav",
                           "open.wav", "select.wav"}) {
    EXPECT_EQ(SoundPlayer::SourceFor(name).scheme(), "qrc") << name;  // compiled in
  }
  EXPECT_TRUE(SoundPlayer::SourceFor("missing.wav").isEmpty());
  EXPECT_TRUE(SoundPlayer::SourceFor("../add.wav").isEmpty());

  ASSERT_TRUE(WriteSettingText(SuiteSettingsPath(), "Preference", "Sound", "0"));
  player.ReloadSwitch();
  EXPECT_FALSE(player.Play("add.wav"));
  ASSERT_TRUE(WriteSettingText(SuiteSettingsPath(), "Preference", "Sound", "no"));  // only "0" is off
  player.ReloadSwitch();
  EXPECT_TRUE(player.enabled());
  EXPECT_TRUE(player.Play("add.wav"));  // without an audio device: silence, no error
  EXPECT_FALSE(player.Play("missing.wav"));
  SetResourceFoldersForTesting({});
}

}  // namespace
}  // namespace velmora
