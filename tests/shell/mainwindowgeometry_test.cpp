// The main window's pure rules: placement, the size toggle, the start pane,
// the layout of its children, the sweep and the title.
#include "shell/MainWindowGeometry.h"

#include <gtest/gtest.h>

#include <QRect>
#include <optional>
#include <string>
#include <vector>

namespace velmora {
namespace {

// A 1024 x 768 desktop: right edge 1024, bottom edge 768.
const QRect kDesktop(0, 0, 1024, 768);

std::string Show(const std::optional<QRect>& r) {
  if (!r) return "default";
  return std::to_string(r->x()) + "," + std::to_string(r->y()) + " " + std::to_string(r->width()) + "x" +
         std::to_string(r->height());
}

TEST(MainWindowGeometryTest, SavedPlacement) {
  const std::optional<int> none;
  struct Case {
    const char* name;
    SavedPlacement saved;
    bool otherWindow;
    std::optional<QRect> expected;  // nothing: the default placement
  };
  const Case cases[] = {
      {"saved inside", {100, 50, 600, 550}, false, QRect(100, 50, 500, 500)},
      {"left just before the right edge", {1023, 0, 1443, 430}, false, QRect(1023, 0, 420, 430)},
      {"left on the right edge", {1024, 0, 1444, 430}, false, std::nullopt},
      {"left beyond the desktop", {3000, 10, 3420, 440}, false, std::nullopt},
      {"top on the bottom edge", {10, 768, 430, 1198}, false, std::nullopt},
      {"left of the desktop still counts", {-200, 10, 300, 500}, false, QRect(-200, 10, 500, 490)},
      {"one key missing", {100, 50, 600, none}, false, std::nullopt},
      {"another main window exists", {100, 50, 600, 550}, true, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Show(SavedWindowRect(c.saved, kDesktop, c.otherWindow)), Show(c.expected)) << c.name;
  }
}

TEST(MainWindowGeometryTest, Toggle) {
  struct Case {
    const char* name;
    QRect window, desktop, expected;
  };
  const Case cases[] = {
      {"largest becomes smallest at the same corner", QRect(100, 50, 560, 580), kDesktop, QRect(100, 50, 420, 430)},
      {"largest near the edge stays put", QRect(900, 700, 560, 580), kDesktop, QRect(900, 700, 420, 430)},
      {"smallest grows where it fits", QRect(10, 20, 420, 430), kDesktop, QRect(10, 20, 560, 580)},
      {"one pixel short of the largest grows", QRect(10, 20, 560, 579), kDesktop, QRect(10, 20, 560, 580)},
      {"grows shifted left and up into the desktop", QRect(700, 500, 500, 450), kDesktop,
       QRect(464, 188, 560, 580)},
      {"shifted only as far as needed", QRect(464, 100, 420, 430), kDesktop, QRect(464, 100, 560, 580)},
      {"desktop of a second monitor", QRect(1900, 900, 420, 430), QRect(1024, 0, 1280, 1024),
       QRect(1744, 444, 560, 580)},
      {"desktop smaller than the window keeps the caption", QRect(50, 50, 420, 430), QRect(0, 0, 500, 400),
       QRect(0, 0, 560, 580)},
  };
  for (const Case& c : cases) EXPECT_EQ(Show(ToggledWindowRect(c.window, c.desktop)), Show(c.expected)) << c.name;
}

TEST(MainWindowGeometryTest, StartPane) {
  struct Case {
    const char* name;
    std::optional<int> paneId;
    int expected;
  };
  const Case cases[] = {
      {"absent shows Work", std::nullopt, 1}, {"0 shows Intro", 0, 0},
      {"1 shows Work", 1, 1},                 {"7 shows Intro", 7, 0},
      {"2 is beyond the panes", 2, 0},        {"negative shows Intro", -1, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(StartPaneIndex(c.paneId, 2), c.expected) << c.name;
}

TEST(MainWindowGeometryTest, Layout) {
  const MainWindowLayout layout = MainWindowLayout::For(QRect(4, 26, 412, 400));
  EXPECT_EQ(layout.paneBar, QRect(5, 26, 410, 25));
  EXPECT_EQ(layout.toolBar, QRect(9, 52, 402, 25));
  EXPECT_EQ(layout.pane, QRect(21, 92, 373, 305));
  // Nothing gets a negative size in a tiny client area.
  const MainWindowLayout tiny = MainWindowLayout::For(QRect(0, 0, 5, 5));
  EXPECT_TRUE(tiny.pane.width() >= 0 && tiny.pane.height() >= 0 && tiny.toolBar.width() >= 0);
}

TEST(MainWindowGeometryTest, SweepOffsets) {
  struct Case {
    const char* name;
    int height;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {"empty area", 0, {}},
      {"one step", 10, {0}},
      {"steps grow by ten", 101, {0, 10, 30, 60, 100}},
      {"last step before the bottom", 100, {0, 10, 30, 60}},
  };
  for (const Case& c : cases) EXPECT_EQ(SweepOffsets(c.height), c.expected) << c.name;
}

TEST(MainWindowGeometryTest, Title) {
  struct Case {
    const char* name;
    std::string path;
    const char* expected;
  };
  const Case cases[] = {
      {"folder dropped", "/home/anna/Works/contacts.adr", "Cardora : contacts.adr"},
      {"case kept", "/data/My Friends.ADR", "Cardora : My Friends.ADR"},
      {"no folder", "cardora.adr", "Cardora : cardora.adr"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MainWindowTitle(QStringLiteral("Cardora"), c.path).toStdString(), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace velmora
