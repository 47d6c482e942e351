#include <gtest/gtest.h>

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <cstdlib>

#include "ToolkitTestSupport.h"
#include "toolkit/Bitmaps.h"
#include "toolkit/Fonts.h"
#include "toolkit/TFlyMenu.h"
#include "toolkit/TTabsWnd.h"
#include "toolkit/TesselClassWndGButton.h"
#include "toolkit/TesselClassWndScrollBar.h"
#include "toolkit/TesselPane.h"
#include "toolkit/TesselPaneBar.h"
#include "toolkit/TesselSlideBar.h"
#include "toolkit/TesselSpinButton.h"
#include "toolkit/TesselToolBar.h"

namespace velmora {
namespace {

using testing::Recorder;
using testing::Seen;

void Click(QWidget* widget, QPoint pos) {
  for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
  }
}

QImage Canvas(QSize size, QColor fill) {
  QImage image(size, QImage::Format_ARGB32);
  image.fill(fill);
  return image;
}

TEST(PaneTest, RegistryKeepsConstructionOrderAndResetsTheCurrentPane) {
  Recorder main;
  auto* intro = new TesselPane(QStringLiteral("Intro"), &main);
  SetCurrentPaneIndex(0);
  auto* work = new TesselPane(QStringLiteral("Work"), &main);
  ASSERT_EQ(RegisteredPanes().size(), 2u);
  EXPECT_EQ(RegisteredPanes()[0], intro);
  EXPECT_EQ(RegisteredPanes()[1], work);
  SetCurrentPaneIndex(1);
  EXPECT_EQ(CurrentPane(), work);
  {
    TesselPane third(QStringLiteral("Third"));  // a new pane makes the first current
    EXPECT_EQ(CurrentPaneIndex(), 0);
    SetCurrentPaneIndex(2);
  }
  EXPECT_EQ(RegisteredPanes().size(), 2u);
  EXPECT_EQ(CurrentPaneIndex(), 0);  // the current pane went away
  SetCurrentPaneIndex(7);  // out of range: the first pane
  EXPECT_EQ(CurrentPaneIndex(), 0);
  EXPECT_EQ(FindPane(QStringLiteral("Work")), work);
  EXPECT_FALSE(ForwardToPane(QStringLiteral("Nowhere"), Command{1001, 0, {}, {}}));

  // The pane bar: a click on the current pane's button sends nothing.
  auto* bar = new TesselPaneBar(&main);
  bar->setGeometry(0, 0, 300, 25);
  Click(bar, PaneBarLayout::ButtonRect(0, 25).center());
  Click(bar, PaneBarLayout::ButtonRect(1, 25).center());
  Click(bar, QPoint(PaneBarLayout::kLeft + PaneBarLayout::kButtonWidth + 1, 20));  // the gap
  EXPECT_EQ(main.Take(), (std::vector<Seen>{{kCmdShowPane, 1}}));
  delete work;
  EXPECT_EQ(RegisteredPanes().size(), 1u);
  delete intro;
}

TEST(PaneTest, PaneBarShowsTheCurrentButtonDown) {
  QImage image = Canvas(QSize(200, 25), Qt::white);
  QPainter painter(&image);
  PaintPaneBar(painter, image.rect(), {QStringLiteral("Intro"), QStringLiteral("Work")}, 1);
  painter.end();
  const QImage& up = BitmapImage("section_button_up.bmp");
  const QImage& down = BitmapImage("section_button_down.bmp");
  // A corner pixel of each button (no label there) comes from its bitmap.
  const QPoint probe(2, 1);
  EXPECT_EQ(image.pixel(PaneBarLayout::ButtonRect(0, 25).topLeft() + probe), up.pixel(probe));
  EXPECT_EQ(image.pixel(PaneBarLayout::ButtonRect(1, 25).topLeft() + probe), down.pixel(probe));
}

TEST(ToolBarTest, TheCommandRunsOnlyWhenReleasedOverThePressedButton) {
  Recorder main;
  auto* bar = new TesselToolBar(&main);
  bar->setGeometry(0, 0, 400, 25);
  bar->AddButton({1005, 2000, QStringLiteral("File"), true});
  bar->AddButton({1001, 2001, QStringLiteral("New"), false});
  const QRect file = bar->ButtonRect(1005), add = bar->ButtonRect(1001);
  ASSERT_FALSE(file.isEmpty());
  EXPECT_LT(file.right(), add.left());
  Click(bar, add.center());
  // Pressed on File, released on New: nothing.
  QMouseEvent press(QEvent::MouseButtonPress, file.center(), bar->mapToGlobal(file.center()), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(bar, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, add.center(), bar->mapToGlobal(add.center()), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(bar, &release);
  EXPECT_EQ(main.Take(), (std::vector<Seen>{{1001, 0}}));
}

TEST(ToolBarTest, IconsAreDrawnWithoutTheirMagenta) {
  const std::vector<ToolButton> buttons = {{1001, 2001, QString(), false}};
  const auto rects = LayoutToolBar(buttons, QFontMetrics(NormalFont()), 25);
  QImage image = Canvas(QSize(60, 25), Qt::white);
  QPainter painter(&image);
  PaintToolBar(painter, image.rect(), buttons, rects, -1, -1);
  painter.end();
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) ASSERT_NE(image.pixel(x, y), kTransparentRgb) << x << "," << y;
  }
}

TEST(GraphicButtonTest, ShowsTheSecondBitmapUnderTheMouse) {
  const QImage normal = BitmapImage("pic_button1.bmp"), active = BitmapImage("pic_button2.bmp");
  ASSERT_NE(normal, active);
  for (bool hover : {false, true}) {
    QImage image = Canvas(normal.size(), Qt::red);
    QPainter painter(&image);
    PaintGraphicButton(painter, image.rect(), normal, active, hover, false);
    painter.end();
    const QImage& expected = hover ? active : normal;
    const QPoint centre(image.width() / 2, image.height() / 2);
    EXPECT_EQ(image.pixel(centre), expected.pixel(centre)) << hover;
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::red)) << hover;  // the magenta corner lets the red through
  }
  Recorder parent;
  auto* button = new TesselClassWndGButton("pic_button1.bmp", "pic_button2.bmp", 1044, &parent);
  EXPECT_EQ(button->size(), normal.size());
  Click(button, QPoint(5, 5));
  EXPECT_EQ(parent.Take(), (std::vector<Seen>{{1044, 0}}));
}

TEST(ScrollBarTest, ThumbFollowsTheValueAndPartsAreFound) {
  ScrollBarState state;
  state.maximum = 90;
  state.page = 10;
  const QSize size(16, 200);
  state.value = 0;
  const auto top = ScrollBarGeometry::For(size, state);
  state.value = 90;
  const auto bottom = ScrollBarGeometry::For(size, state);
  EXPECT_EQ(top.thumb.top(), top.track.top());
  EXPECT_EQ(bottom.thumb.bottom(), bottom.track.bottom());
  EXPECT_EQ(bottom.PartAt(QPoint(5, 2)), ScrollPart::UpArrow);
  EXPECT_EQ(bottom.PartAt(QPoint(5, 198)), ScrollPart::DownArrow);
  EXPECT_EQ(bottom.PartAt(QPoint(5, 40)), ScrollPart::PageUp);
  EXPECT_EQ(bottom.PartAt(bottom.thumb.center()), ScrollPart::Thumb);

  TesselClassWndScrollBar bar;
  bar.resize(size);
  bar.SetRange(90, 10);
  Click(&bar, QPoint(5, 198));
  EXPECT_EQ(bar.value(), 1);
  bar.SetValue(500);
  EXPECT_EQ(bar.value(), 90);
}

TEST(FlyMenuTest, ChoosingPostsTheEntrysCommandAndText) {
  Recorder pane;
  auto* chooser = new TFlyMenu(&pane);
  chooser->AddEntry(QStringLiteral("All Categories"), 529);
  chooser->AddSeparator();
  chooser->AddEntry(QStringLiteral("Business"), 500);
  EXPECT_EQ(chooser->chosenText(), "All Categories");
  chooser->Choose(1);  // a separator: nothing
  chooser->Choose(2);
  EXPECT_EQ(chooser->chosenText(), "Business");
  EXPECT_EQ(pane.Take(), (std::vector<Seen>{{500, 0}}));
  EXPECT_EQ(pane.texts.back(), "Business");
  EXPECT_TRUE(chooser->SetChosen(529));
  EXPECT_FALSE(chooser->SetChosen(12345));
  for (int i = 3; i < kMaxFlyEntries; ++i) ASSERT_TRUE(chooser->AddEntry(QStringLiteral("e"), i));
  EXPECT_FALSE(chooser->AddEntry(QStringLiteral("one too many"), 999));
}

// The horizontal extent of what is drawn on a row of a rendered menu, inside
// the menu's frame: the columns holding a pixel clearly unlike the row's own
// background (taken at its right end, past every text).
int InkedWidth(const QImage& image, const QRect& rowRect) {
  const QRect row = rowRect.adjusted(3, 2, -3, -2);
  const QColor background = image.pixelColor(row.right(), row.center().y());
  int first = -1, last = -1;
  for (int x = row.left(); x <= row.right(); ++x) {
    for (int y = row.top(); y <= row.bottom(); ++y) {
      const QColor c = image.pixelColor(x, y);
      const int distance = std::abs(c.red() - background.red()) + std::abs(c.green() - background.green()) +
                           std::abs(c.blue() - background.blue());
      if (distance < 60) continue;
      if (first < 0) first = x;
      last = x;
      break;
    }
  }
  return first < 0 ? 0 : last - first + 1;
}

TEST(FlyMenuTest, OnlyTheChosenEntryShowsAMark) {
  Recorder pane;
  auto* chooser = new TFlyMenu(&pane);
  const QStringList texts = {QStringLiteral("All Categories"), QStringLiteral("Business"), QStringLiteral("Edit Categories")};
  chooser->AddEntry(texts[0], 529);
  chooser->AddEntry(texts[1], 500);
  chooser->AddSeparator();
  chooser->AddEntry(texts[2], 530);
  ASSERT_TRUE(chooser->SetChosen(500));

  QMenu menu;
  menu.setFont(NormalFont());
  chooser->FillList(menu);
  const QList<QAction*> actions = menu.actions();
  ASSERT_EQ(actions.size(), 4);
  menu.resize(menu.sizeHint());
  const QImage image = menu.grab().toImage();
  ASSERT_FALSE(image.isNull());
  const QFontMetrics metrics(menu.font());
  struct Row {
    int action;
    QString text;
    bool marked;
  };
  const std::vector<Row> rows = {{0, texts[0], false}, {1, texts[1], true}, {3, texts[2], false}};
  for (const auto& [index, text, marked] : rows) {
    QAction* action = actions[index];
    EXPECT_EQ(action->isChecked(), marked) << text.toStdString();
    const int textWidth = metrics.horizontalAdvance(text);
    const int inked = InkedWidth(image, menu.actionGeometry(action));
    if (marked) {
      // The mark stands apart from the text, before it.
      EXPECT_GT(inked, textWidth + 6) << text.toStdString();
    } else {
      // Nothing but the text: no box beside it.
      EXPECT_FALSE(action->isCheckable()) << text.toStdString();
      EXPECT_GT(inked, 0) << text.toStdString();
      EXPECT_LE(inked, textWidth + 2) << text.toStdString();
    }
  }
  EXPECT_EQ(actions[1]->data().toInt(), 1);
  EXPECT_EQ(actions[3]->data().toInt(), 3);
}

TEST(TabsTest, TabsPostTheirNumberAndTheLinkShowsOnlyForItsTab) {
  Recorder pane;
  auto* tabs = new TTabsWnd({QStringLiteral("Home"), QStringLiteral("Business"), QStringLiteral("Custom")}, 103, &pane);
  tabs->setGeometry(0, 0, 400, 20);
  tabs->SetLink(QStringLiteral("Define custom view"), 4, 3);
  EXPECT_TRUE(tabs->layout().link.isEmpty());
  Click(tabs, tabs->layout().tabs[2].center());
  EXPECT_EQ(tabs->selected(), 3);
  ASSERT_FALSE(tabs->layout().link.isEmpty());
  Click(tabs, tabs->layout().link.center());
  EXPECT_EQ(pane.Take(), (std::vector<Seen>{{103, 3}, {103, 4}}));
}

TEST(SpinAndSlideTest, ChangesPostTheNewValueWithinTheRange) {
  Recorder dialog;
  auto* spin = new TesselSpinButton(103, 1, 3, &dialog);
  spin->resize(16, 20);
  spin->SetValue(2);
  spin->Step(1);
  spin->Step(1);  // already at the maximum: nothing
  spin->Step(-1);
  auto* slide = new TesselSlideBar(104, 0, 10, &dialog);
  slide->resize(109, 20);
  Click(slide, QPoint(108, 10));
  Click(slide, QPoint(108, 10));  // unchanged: nothing
  EXPECT_EQ(dialog.Take(), (std::vector<Seen>{{103, 3}, {103, 2}, {104, 10}}));
  EXPECT_EQ(SlideBarGeometry::ValueAt(-50, QSize(109, 20), 0, 10), 0);
}

}  // namespace
}  // namespace velmora
