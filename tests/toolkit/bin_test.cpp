// The recycle-bin icon: its bitmaps, the hand cursor over the icon, the
// click and the context menu, and where and when it takes a drop.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QtTest/QTest>

#include "ToolkitTestSupport.h"
#include "toolkit/Bitmaps.h"
#include "toolkit/TesselClassWndBin.h"

namespace velmora::testing {
namespace {

class BinTest : public ::testing::Test {
 protected:
  BinTest() {
    pane.resize(200, 200);
    bin = new TesselClassWndBin(
        BinHooks{[this] { return full; }, [this] { full = false, ++emptied; },
                 [this](const QString& text) { told.push_back(text.toStdString()); }, [this] { return front; }},
        &pane);
    bin->setGeometry(100, 100, 50, 50);
    pane.show();
  }

  QPoint Global(int x, int y) const { return bin->mapToGlobal(QPoint(x, y)); }
  QRect Icon() const { return bin->iconArea(); }

  Recorder pane;
  TesselClassWndBin* bin;
  bool full = false;
  bool front = true;
  int emptied = 0;
  std::vector<std::string> told;
};

TEST_F(BinTest, DrawsTheBitmapOfItsStateStandingOnTheBottom) {
  EXPECT_STREQ(bin->bitmapName(), "recicle1.bmp");
  full = true;
  EXPECT_STREQ(bin->bitmapName(), "recicle2.bmp");
  const QImage& image = BitmapImage("recicle2.bmp");
  ASSERT_FALSE(image.isNull());
  const QImage shot = bin->grab().toImage();
  EXPECT_EQ(Icon(), QRect(5, 50 - image.height(), 40, image.height()));
  // A non-transparent pixel of the bitmap shows at its place on the bottom.
  const int left = (50 - image.width()) / 2, top = 50 - image.height();
  bool matched = false;
  for (int y = 0; y < image.height() && !matched; ++y) {
    for (int x = 0; x < image.width() && !matched; ++x) {
      if (qAlpha(image.pixel(x, y)) == 255) {
        EXPECT_EQ(shot.pixel(left + x, top + y), image.pixel(x, y));
        matched = true;
      }
    }
  }
  EXPECT_TRUE(matched);
}

TEST_F(BinTest, TheHandCursorShowsOverTheIconOnly) {
  QTest::mouseMove(bin, Icon().center());
  QMouseEvent over(QEvent::MouseMove, QPointF(Icon().center()), QPointF(Global(Icon().center().x(), Icon().center().y())),
                   Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(bin, &over);
  EXPECT_EQ(bin->cursor().shape(), LoadCursorResource("CUR_HAND1").shape());
  EXPECT_NE(bin->cursor().shape(), Qt::ArrowCursor);
  QMouseEvent beside(QEvent::MouseMove, QPointF(1, 1), QPointF(Global(1, 1)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
  QCoreApplication::sendEvent(bin, &beside);
  EXPECT_EQ(bin->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(BinTest, AClickOnAnEmptyBinSaysSoAndOnAFullOneAsksForTheUndo) {
  QTest::mouseClick(bin, Qt::LeftButton, Qt::NoModifier, Icon().center());
  EXPECT_EQ(told, std::vector<std::string>{"Bin is empty."});
  EXPECT_TRUE(pane.Take().empty());
  full = true;
  QTest::mouseClick(bin, Qt::LeftButton, Qt::NoModifier, Icon().center());
  EXPECT_EQ(pane.Take(), (std::vector<Seen>{{107, 1023}}));
  QTest::mouseClick(bin, Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));  // beside the icon
  EXPECT_TRUE(pane.Take().empty());
  EXPECT_EQ(told.size(), 1u);
}

TEST_F(BinTest, TheMenuIsDisabledWhileEmptyAndItsEntriesAct) {
  QMenu empty;
  bin->FillMenu(empty);
  QList<QAction*> entries = empty.actions();
  ASSERT_EQ(entries.size(), 3);
  EXPECT_EQ(entries[0]->text(), QStringLiteral("&Undo delete"));
  EXPECT_TRUE(entries[1]->isSeparator());
  EXPECT_EQ(entries[2]->text(), QStringLiteral("&Empty bin"));
  EXPECT_FALSE(entries[0]->isEnabled());
  EXPECT_FALSE(entries[2]->isEnabled());

  full = true;
  QMenu menu;
  bin->FillMenu(menu);
  entries = menu.actions();
  ASSERT_TRUE(entries[0]->isEnabled());
  entries[0]->trigger();
  EXPECT_EQ(pane.Take(), (std::vector<Seen>{{107, 1023}}));
  entries[2]->trigger();
  EXPECT_EQ(emptied, 1);
  EXPECT_FALSE(full);
  EXPECT_STREQ(bin->bitmapName(), "recicle1.bmp");
}

TEST_F(BinTest, DropsLandFrom25LeftTo20RightOfTheCentreOverTheIcon) {
  const int centre = 25, top = Icon().top(), bottom = 49;
  struct Case {
    int x, y;
    bool taken;
  } cases[] = {{centre, bottom, true},      {centre - 25, top, true},    {centre - 26, bottom, false},
               {centre + 20, bottom, true}, {centre + 21, bottom, false}, {centre, top - 1, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(SendCommand(bin, Command{kCmdDragOver, 0, {}, Global(c.x, c.y)}), c.taken ? 1 : 0)
        << c.x << "," << c.y;
  }
  front = false;  // another program's window in front
  EXPECT_EQ(SendCommand(bin, Command{kCmdDragOver, 0, {}, Global(centre, bottom)}), 0);
  EXPECT_EQ(SendCommand(bin, Command{kCmdDropMove, 0, {}, Global(centre, bottom)}), 0);
  EXPECT_TRUE(pane.seen.empty());
}

TEST_F(BinTest, ADropAsksTheParentAtOnceAndTellsItsAnswer) {
  pane.answer = 1;
  EXPECT_EQ(SendCommand(bin, Command{kCmdDropMove, 0, {}, Global(25, 49)}), 1);
  EXPECT_EQ(pane.seen, (std::vector<Seen>{{107, 1003}})) << "sent, not posted";
  pane.seen.clear();
  pane.answer = 0;
  EXPECT_EQ(SendCommand(bin, Command{kCmdDropMove, 0, {}, Global(25, 49)}), 0);
  EXPECT_EQ(SendCommand(bin, Command{kCmdDropMove, 0, {}, Global(0, 0)}), 0);
  EXPECT_EQ(pane.seen, (std::vector<Seen>{{107, 1003}}));
}

}  // namespace
}  // namespace velmora::testing
