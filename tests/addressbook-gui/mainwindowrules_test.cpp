// The main window's pure rules: placement, the size toggle, the start pane,
// the layout of its children, the sweep and the title.
#include <QTest>
#include <climits>

#include "CardoraTestSupport.h"
#include "addressbook/gui/MainWindowRules.h"

using namespace velmora;

Q_DECLARE_METATYPE(std::optional<int>)

namespace {
// A 1024 x 768 desktop: right edge 1024, bottom edge 768.
const QRect kDesktop(0, 0, 1024, 768);
constexpr int kAbsent = INT_MIN;
std::optional<int> Key(int v) { return v == kAbsent ? std::nullopt : std::optional<int>(v); }
}  // namespace

class MainWindowRulesTest : public QObject {
  Q_OBJECT

 private slots:
  void savedPlacement_data() {
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("right");
    QTest::addColumn<int>("bottom");
    QTest::addColumn<bool>("otherWindow");
    QTest::addColumn<QRect>("expected");  // null: the default placement
    QTest::newRow("saved inside") << 100 << 50 << 600 << 550 << false << QRect(100, 50, 500, 500);
    QTest::newRow("left just before the right edge") << 1023 << 0 << 1443 << 430 << false
                                                     << QRect(1023, 0, 420, 430);
    QTest::newRow("left on the right edge") << 1024 << 0 << 1444 << 430 << false << QRect();
    QTest::newRow("left beyond the desktop") << 3000 << 10 << 3420 << 440 << false << QRect();
    QTest::newRow("top on the bottom edge") << 10 << 768 << 430 << 1198 << false << QRect();
    QTest::newRow("left of the desktop still counts") << -200 << 10 << 300 << 500 << false
                                                      << QRect(-200, 10, 500, 490);
    QTest::newRow("one key missing") << 100 << 50 << 600 << kAbsent << false << QRect();
    QTest::newRow("another main window exists") << 100 << 50 << 600 << 550 << true << QRect();
  }
  void savedPlacement() {
    QFETCH(int, left);
    QFETCH(int, top);
    QFETCH(int, right);
    QFETCH(int, bottom);
    QFETCH(bool, otherWindow);
    QFETCH(QRect, expected);
    const SavedPlacement saved{Key(left), Key(top), Key(right), Key(bottom)};
    const std::optional<QRect> rect = SavedWindowRect(saved, kDesktop, otherWindow);
    if (expected.isNull()) {
      QVERIFY(!rect.has_value());
    } else {
      QVERIFY(rect.has_value());
      QCOMPARE(*rect, expected);
    }
  }

  void toggle_data() {
    QTest::addColumn<QRect>("window");
    QTest::addColumn<QRect>("desktop");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("largest becomes smallest at the same corner")
        << QRect(100, 50, 560, 580) << kDesktop << QRect(100, 50, 420, 430);
    QTest::newRow("largest near the edge stays put")
        << QRect(900, 700, 560, 580) << kDesktop << QRect(900, 700, 420, 430);
    QTest::newRow("smallest grows where it fits") << QRect(10, 20, 420, 430) << kDesktop << QRect(10, 20, 560, 580);
    QTest::newRow("one pixel short of the largest grows")
        << QRect(10, 20, 560, 579) << kDesktop << QRect(10, 20, 560, 580);
    QTest::newRow("grows shifted left and up into the desktop")
        << QRect(700, 500, 500, 450) << kDesktop << QRect(464, 188, 560, 580);
    QTest::newRow("shifted only as far as needed")
        << QRect(464, 100, 420, 430) << kDesktop << QRect(464, 100, 560, 580);
    QTest::newRow("desktop of a second monitor")
        << QRect(1900, 900, 420, 430) << QRect(1024, 0, 1280, 1024) << QRect(1744, 444, 560, 580);
    QTest::newRow("desktop smaller than the window keeps the caption")
        << QRect(50, 50, 420, 430) << QRect(0, 0, 500, 400) << QRect(0, 0, 560, 580);
  }
  void toggle() {
    QFETCH(QRect, window);
    QFETCH(QRect, desktop);
    QFETCH(QRect, expected);
    QCOMPARE(ToggledWindowRect(window, desktop), expected);
  }

  void startPane_data() {
    QTest::addColumn<std::optional<int>>("paneId");
    QTest::addColumn<int>("expected");
    QTest::newRow("absent shows Work") << std::optional<int>() << 1;
    QTest::newRow("0 shows Intro") << std::optional<int>(0) << 0;
    QTest::newRow("1 shows Work") << std::optional<int>(1) << 1;
    QTest::newRow("7 shows Intro") << std::optional<int>(7) << 0;
    QTest::newRow("2 is beyond the panes") << std::optional<int>(2) << 0;
    QTest::newRow("negative shows Intro") << std::optional<int>(-1) << 0;
  }
  void startPane() {
    QFETCH(std::optional<int>, paneId);
    QFETCH(int, expected);
    QCOMPARE(StartPaneIndex(paneId, 2), expected);
  }

  void layout() {
    const MainWindowLayout layout = MainWindowLayout::For(QRect(4, 26, 412, 400));
    QCOMPARE(layout.paneBar, QRect(5, 26, 410, 25));
    QCOMPARE(layout.toolBar, QRect(9, 52, 402, 25));
    QCOMPARE(layout.pane, QRect(21, 92, 373, 305));
    // Nothing gets a negative size in a tiny client area.
    const MainWindowLayout tiny = MainWindowLayout::For(QRect(0, 0, 5, 5));
    QVERIFY(tiny.pane.width() >= 0 && tiny.pane.height() >= 0 && tiny.toolBar.width() >= 0);
  }

  void sweepOffsets_data() {
    QTest::addColumn<int>("height");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("empty area") << 0 << QList<int>{};
    QTest::newRow("one step") << 10 << QList<int>{0};
    QTest::newRow("steps grow by ten") << 101 << QList<int>{0, 10, 30, 60, 100};
    QTest::newRow("last step before the bottom") << 100 << QList<int>{0, 10, 30, 60};
  }
  void sweepOffsets() {
    QFETCH(int, height);
    QFETCH(QList<int>, expected);
    const std::vector<int> offsets = SweepOffsets(height);
    QCOMPARE(QList<int>(offsets.begin(), offsets.end()), expected);
  }

  void title_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("folder dropped") << "/home/anna/Works/contacts.adr" << "Cardora : contacts.adr";
    QTest::newRow("case kept") << "/data/My Friends.ADR" << "Cardora : My Friends.ADR";
    QTest::newRow("no folder") << "cardora.adr" << "Cardora : cardora.adr";
  }
  void title() {
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(MainWindowTitle(QStringLiteral("Cardora"), path.toStdString()), expected);
  }
};

CARDORA_TEST_SUITE(MainWindowRulesTest)
#include "mainwindowrules_test.moc"
