// The character index bar and the search box: cells and their colours,
// clicks, the focused and unfocused look, and the text's rules.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>

#include "ToolkitTestSupport.h"
#include "toolkit/Fonts.h"
#include "toolkit/TesselClassIndexBarWnd.h"
#include "toolkit/TesselClassIndexSearchWnd.h"

namespace velmora {
namespace {

using testing::Recorder;
using testing::Seen;

TEST(IndexBarTest, CellsFillRowsOfThreeAndAClickPostsTheLetter) {
  CreateSharedFonts();
  struct Case {
    char letter;
    QRect cell;
  };
  for (const Case& c : {Case{'a', {0, 0, 19, 19}}, Case{'c', {38, 0, 19, 19}}, Case{'d', {0, 19, 19, 19}},
                        Case{'z', {19, 152, 19, 19}}}) {
    EXPECT_EQ(TesselClassIndexBarWnd::CellRect(c.letter, 60), c.cell) << c.letter;
    EXPECT_EQ(TesselClassIndexBarWnd::LetterAt(c.cell.center(), 60), c.letter);
  }
  EXPECT_EQ(TesselClassIndexBarWnd::LetterAt(QPoint(58, 5), 60), 0) << "right of the third cell";
  EXPECT_EQ(TesselClassIndexBarWnd::LetterAt(QPoint(45, 160), 60), 0) << "after z";
  EXPECT_EQ(TesselClassIndexBarWnd::CellRect('e', 40), QRect(0, 38, 19, 19)) << "two per row";

  Recorder pane;
  auto* bar = new TesselClassIndexBarWnd(108, &pane);
  ASSERT_TRUE(bar->Create(&pane));
  bar->setGeometry(0, 0, 60, 180);
  EXPECT_EQ(bar->currentLetter(), 'a');
  QImage before = bar->grab().toImage();
  EXPECT_EQ(QColor(before.pixel(10, 2)), QColor(190, 190, 190)) << "the current cell";
  EXPECT_EQ(QColor(before.pixel(0, 0)), QColor(Qt::black)) << "its frame";
  EXPECT_EQ(QColor(before.pixel(21, 2)), QColor(230, 230, 230)) << "a normal cell";
  EXPECT_EQ(QColor(before.pixel(19, 0)), QColor(190, 190, 190)) << "its frame";
  EXPECT_EQ(QColor(before.pixel(59, 179)), QColor(250, 250, 250)) << "the bar";
  QTest::mouseClick(bar, Qt::LeftButton, {}, TesselClassIndexBarWnd::CellRect('m', 60).center());
  EXPECT_EQ(pane.Take(), (std::vector<Seen>{{108, 'm'}}));
  EXPECT_EQ(bar->currentLetter(), 'm');
  const QImage after = bar->grab().toImage();
  EXPECT_EQ(QColor(after.pixel(10, 2)), QColor(230, 230, 230));
  EXPECT_EQ(QColor(after.pixel(TesselClassIndexBarWnd::CellRect('m', 60).left() + 2,
                               TesselClassIndexBarWnd::CellRect('m', 60).top() + 2)),
            QColor(190, 190, 190));
}

TEST(SearchBoxTest, FocusLooksTextPostsAndLeavingClears) {
  CreateSharedFonts();
  QWidget top;
  top.resize(400, 60);
  Recorder pane(&top);
  pane.setGeometry(0, 0, 400, 60);
  auto* box = new TesselClassIndexSearchWnd(110, &pane);
  ASSERT_TRUE(box->Create(&pane));
  box->setGeometry(5, 5, 327, 19);
  auto* other = new QLineEdit(&top);
  other->setGeometry(0, 30, 100, 20);
  top.show();
  top.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&top));
  EXPECT_EQ(box->edit()->geometry(), QRect(50, 3, 327 - 54, 19 - 5));
  EXPECT_EQ(box->edit()->maxLength(), kSearchTextLimit);
  other->setFocus();
  QApplication::processEvents();
  const QImage idle = box->grab().toImage();
  EXPECT_EQ(QColor(idle.pixel(0, 10)), QColor(230, 178, 178));
  EXPECT_EQ(QColor(idle.pixel(51, 1)), QColor(Qt::white)) << "white right of the label";
  EXPECT_NE(QColor(idle.pixel(48, 1)), QColor(Qt::white)) << "the label's own ground";

  // A click on the label gives the edit field the focus.
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(10, 9));
  ASSERT_TRUE(box->edit()->hasFocus());
  EXPECT_TRUE(box->focusedLook());
  const QImage focused = box->grab().toImage();
  EXPECT_EQ(QColor(focused.pixel(0, 10)), QColor(132, 185, 240));
  pane.Take();
  QTest::keyClicks(box->edit(), QStringLiteral("bo"));
  EXPECT_EQ(pane.Take(), (std::vector<Seen>{{110, 0}, {110, 0}}));
  EXPECT_EQ(box->text(), QStringLiteral("bo"));

  other->setFocus();
  QApplication::processEvents();
  EXPECT_TRUE(box->edit()->text().isEmpty());
  EXPECT_TRUE(box->text().isEmpty());
  EXPECT_FALSE(box->focusedLook());
  EXPECT_EQ(pane.Take(), (std::vector<Seen>{{110, 0}}));
}

}  // namespace
}  // namespace velmora
