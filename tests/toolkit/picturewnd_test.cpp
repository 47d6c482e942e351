// The picture box: the scaling rule, drawing centred, loading off the paint
// path with its cache, a missing or broken picture as the empty box, and
// the button strip.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "tests/support/WaitUntil.h"
#include "toolkit/TesselClassLinkButton.h"
#include "toolkit/TesselClassPictureWnd.h"

namespace velmora {
namespace {

using testing::WaitUntil;

struct FitCase {
  QSize picture, area, expected;
};

TEST(FitPictureTest, FitsKeepingProportionsInWholePixels) {
  const FitCase cases[] = {
      {{100, 50}, {196, 196}, {100, 50}},   // fits: its own size
      {{400, 100}, {196, 196}, {196, 49}},  // wider than tall: from the width
      {{100, 400}, {196, 196}, {49, 196}},  // taller: from the height
      {{300, 300}, {196, 196}, {196, 196}},
      {{196, 196}, {196, 196}, {196, 196}},
      {{400, 300}, {196, 100}, {134, 100}},  // wide, the height decides: 134 * 300 / 400 = 100
      {{1000, 3}, {196, 196}, {196, 1}},     // never thinner than a pixel
      {{0, 10}, {196, 196}, {}},
      {{10, 10}, {0, 196}, {}},
  };
  for (const FitCase& c : cases) {
    EXPECT_EQ(FitPicture(c.picture, c.area), c.expected) << c.picture.width() << "x" << c.picture.height();
  }
}

TEST(FitPictureTest, CentresInTheArea) {
  const QRect area(2, 2, 196, 196);
  EXPECT_EQ(PictureRect({100, 50}, area), QRect(50, 75, 100, 50));
  EXPECT_EQ(PictureRect({400, 100}, area), QRect(2, 75, 196, 49));
  EXPECT_TRUE(PictureRect({}, area).isNull());
}

// The rectangle covered by pixels of colour in image (empty when none).
QRect Covered(const QImage& image, QRgb colour) {
  QRect covered;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) covered |= QRect(x, y, 1, 1);
    }
  }
  return covered;
}

class PictureBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    TesselClassPictureWnd::ClearPictureCache();
  }
  QString Picture(const char* name, QSize size, QColor colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    const QString path = dir_.filePath(QString::fromUtf8(name));
    EXPECT_TRUE(image.save(path));
    return path;
  }
  std::unique_ptr<TesselClassPictureWnd> Box(bool withButtons) {
    auto box = std::make_unique<TesselClassPictureWnd>(withButtons);
    EXPECT_TRUE(box->Create(nullptr, kStylePopup | kStyleVisible));
    box->resize(200, 200);
    return box;
  }
  QTemporaryDir dir_;
};

TEST_F(PictureBoxTest, DrawsASmallPictureAtItsSizeAndALargeOneShrunkCentred) {
  struct Case {
    const char* name;
    QSize size;
    QRect drawn;
  };
  const Case cases[] = {{"small.png", {100, 50}, {50, 75, 100, 50}}, {"wide.bmp", {400, 100}, {2, 75, 196, 49}}};
  for (const Case& c : cases) {
    auto box = Box(false);
    ASSERT_TRUE(box->Load(Picture(c.name, c.size, Qt::red)));
    EXPECT_TRUE(box->HasPicture());
    EXPECT_EQ(box->pictureSize(), c.size);
    ASSERT_TRUE(WaitUntil([&] { return !box->Decoding(); }));
    const QImage shot = box->grab().toImage();
    EXPECT_EQ(Covered(shot, qRgb(255, 0, 0)), c.drawn) << c.name;
    EXPECT_EQ(shot.pixel(1, 1) & 0xFFFFFF, 0xFFFFFFu) << "white background without buttons";
  }
}

TEST_F(PictureBoxTest, MissingOrUnreadableFilesShowTheEmptyBox) {
  auto box = Box(false);
  ASSERT_TRUE(box->Load(Picture("first.png", {50, 50}, Qt::blue)));
  QFile text(dir_.filePath("notes.png"));
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("this is not a picture");
  text.close();
  for (const QString& path : {QString(), dir_.filePath("gone.png"), dir_.filePath("notes.png"), dir_.path()}) {
    EXPECT_FALSE(box->Load(path)) << path.toStdString();
    EXPECT_EQ(box->path(), dir_.filePath("first.png")) << "a failed load keeps the box as it was";
  }
  box->Clear();
  EXPECT_FALSE(box->HasPicture());
  EXPECT_FALSE(box->Load(dir_.filePath("gone.png")));
  EXPECT_TRUE(Covered(box->grab().toImage(), qRgb(255, 255, 255)) == box->rect());
}

TEST_F(PictureBoxTest, APictureThatFailsToDecodeLeavesTheBoxEmpty) {
  // A real header with its pixels cut off: the header reads, the decode fails.
  const QString whole = Picture("whole.png", {80, 80}, Qt::green);
  QFile file(whole);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray head = file.read(40);
  file.close();
  const QString cut = dir_.filePath("cut.png");
  QFile out(cut);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  out.write(head);
  out.close();
  auto box = Box(false);
  if (!box->Load(cut)) GTEST_SKIP() << "the reader refuses the cut file already";
  ASSERT_TRUE(WaitUntil([&] { return box->DecodeFailed(); }));
  EXPECT_FALSE(box->HasPicture());
  EXPECT_TRUE(Covered(box->grab().toImage(), qRgb(0, 255, 0)).isEmpty());
}

TEST_F(PictureBoxTest, TheSamePictureAtTheSameSizeComesFromTheCache) {
  const QString path = Picture("cached.png", {300, 150}, Qt::red);
  auto first = Box(false);
  ASSERT_TRUE(first->Load(path));
  ASSERT_TRUE(WaitUntil([&] { return !first->Decoding(); }));
  auto second = Box(false);
  ASSERT_TRUE(second->Load(path));
  EXPECT_FALSE(second->Decoding()) << "no second decode";
  auto smaller = Box(false);
  smaller->resize(100, 100);
  ASSERT_TRUE(smaller->Load(path));
  EXPECT_TRUE(smaller->Decoding()) << "another size is decoded anew";
  ASSERT_TRUE(WaitUntil([&] { return !smaller->Decoding(); }));
  EXPECT_EQ(Covered(smaller->grab().toImage(), qRgb(255, 0, 0)), QRect(2, 26, 96, 48));
}

TEST_F(PictureBoxTest, ButtonsSitInTheBottomStripAndGoToTheHandler) {
  auto box = Box(true);
  ASSERT_NE(box->newButton(), nullptr);
  ASSERT_NE(box->removeButton(), nullptr);
  EXPECT_EQ(box->PictureArea(), QRect(2, 2, 196, 196 - TesselClassPictureWnd::kButtonStrip));
  for (TesselClassLinkButton* button : {box->newButton(), box->removeButton()}) {
    EXPECT_EQ(button->height(), 17);
    EXPECT_GE(button->y(), 200 - TesselClassPictureWnd::kButtonStrip);
    EXPECT_LE(button->geometry().bottom(), 199);
  }
  EXPECT_EQ(box->newButton()->text(), "New");
  EXPECT_EQ(box->removeButton()->text(), "Remove");
  const QImage shot = box->grab().toImage();
  EXPECT_NE(shot.pixel(100, 100) & 0xFFFFFF, 0xFFFFFFu) << "a light background, not white, with buttons";
  std::vector<int> pressed;
  box->SetButtonHandler([&](int command) { pressed.push_back(command); });
  SendCommand(box.get(), TesselClassPictureWnd::kCmdNew);
  SendCommand(box.get(), TesselClassPictureWnd::kCmdRemove);
  EXPECT_EQ(pressed, (std::vector<int>{100, 101}));
}

}  // namespace
}  // namespace velmora
