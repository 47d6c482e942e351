// The routing table of the main window, the accelerator keys and the menus,
// as tables.
#include <QTest>

#include "CardoraTestSupport.h"
#include "addressbook/gui/CommandRouting.h"

using namespace velmora;

Q_DECLARE_METATYPE(velmora::RouteTarget)

namespace {
constexpr int kIntro = kIntroPaneIndex;
constexpr int kWork = kWorkPaneIndex;
}  // namespace

class CommandRoutingTest : public QObject {
  Q_OBJECT

 private slots:
  void route_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<qlonglong>("param");
    QTest::addColumn<int>("pane");
    QTest::addColumn<bool>("historyFocus");
    QTest::addColumn<RouteTarget>("target");
    QTest::addColumn<int>("routed");
    QTest::addColumn<qlonglong>("routedParam");

    auto row = [](const char* name, int command, int pane, bool focus, RouteTarget target, int routed,
                  qlonglong routedParam = 0, qlonglong param = 0) {
      QTest::newRow(name) << command << param << pane << focus << target << routed << routedParam;
    };
    using T = RouteTarget;
    // Accepted and ignored.
    for (int pane : {kIntro, kWork}) {
      row(pane ? "1015 on Work" : "1015 on Intro", 1015, pane, false, T::Ignore, 0);
      row(pane ? "1018 on Work" : "1018 on Intro", 1018, pane, true, T::Ignore, 0);
      row(pane ? "1019 on Work" : "1019 on Intro", 1019, pane, false, T::Ignore, 0);
    }
    // Insert, Enter and Delete: the history window's when its list has the
    // focus, else the list's.
    row("Insert to history", keys::kInsert, kWork, true, T::HistoryWindow, history::kNewEntry);
    row("Enter to history", keys::kEnter, kWork, true, T::HistoryWindow, history::kEditEntry);
    row("Delete to history", keys::kDelete, kIntro, true, T::HistoryWindow, history::kDeleteEntry);
    row("Insert is new contact", keys::kInsert, kWork, false, T::Repost, kCmdNewContact);
    row("Enter is edit", keys::kEnter, kIntro, false, T::Repost, kCmdEditContact);
    row("Delete is delete", keys::kDelete, kWork, false, T::Repost, kCmdDeleteContact);
    // The other key commands.
    row("Ctrl+F", keys::kFind, kWork, false, T::Repost, kCmdFind);
    row("Ctrl+N", keys::kNewFile, kIntro, false, T::Repost, kCmdNewFile);
    row("Ctrl+O", keys::kOpenFile, kWork, false, T::Repost, kCmdOpenFile);
    row("Ctrl+P", keys::kPrint, kWork, false, T::Repost, kCmdPrintReport);
    row("F1", keys::kHelp, kIntro, false, T::Repost, kCmdHelpContents);
    row("Alt+F", keys::kFileMenu, kWork, false, T::Repost, kCmdFileMenu);
    row("Alt+H", keys::kHelpMenu, kWork, false, T::Repost, kCmdHelpMenu);
    row("Alt+1 on Work", keys::kIntroPane, kWork, false, T::Repost, kCmdPane, kIntro);
    row("Alt+1 on Intro", keys::kIntroPane, kIntro, false, T::Repost, kCmdPane, kIntro);
    row("Alt+2 on Intro", keys::kWorkPane, kIntro, false, T::Repost, kCmdPane, kWork);
    row("Alt+2 on Work does nothing", keys::kWorkPane, kWork, false, T::Ignore, 0);
    row("Ctrl+X on Work", keys::kCut, kWork, false, T::Repost, kCmdCut);
    row("Ctrl+X on Intro does nothing", keys::kCut, kIntro, false, T::Ignore, 0);
    row("Ctrl+C", keys::kCopy, kIntro, false, T::Repost, kCmdCopy);
    row("Ctrl+V", keys::kPaste, kWork, false, T::Repost, kCmdPaste);
    row("Ctrl+Z", keys::kUndo, kWork, false, T::Repost, kCmdUndoDelete);
    row("Ctrl+A", keys::kAttachment, kWork, false, T::Repost, kCmdOpenAttachment);
    // New contact goes to "Work" from any pane.
    row("1001 on Intro", kCmdNewContact, kIntro, false, T::WorkPane, kCmdNewContact);
    row("1001 on Work", kCmdNewContact, kWork, true, T::WorkPane, kCmdNewContact);
    // Record commands only while "Work" is current.
    for (int command : {kCmdEditContact, kCmdDeleteContact, kCmdFind, kCmdUndoDelete, kCmdCut, kCmdCopy, kCmdPaste,
                        kCmdSendContact, kCmdOpenAttachment}) {
      const QByteArray work = QByteArray::number(command) + " on Work";
      const QByteArray intro = QByteArray::number(command) + " on Intro";
      const QByteArray history = QByteArray::number(command) + " on Intro, history focused";
      row(work.constData(), command, kWork, false, T::WorkPane, command, 7, 7);
      row(intro.constData(), command, kIntro, false, T::Ignore, 0);
      row(history.constData(), command, kIntro, true, T::Ignore, 0);
    }
    // The main window's own commands, with their parameter.
    for (int command : {kCmdCustomView, kCmdPane, kCmdFileMenu, kCmdNewFile, kCmdOpenFile, kCmdGeneralOptions,
                        kCmdNetworkPasswords, kCmdCompact, kCmdExit, kCmdPartnerList, kCmdHelpMenu, kCmdAbout,
                        kCmdServerSetup, kCmdSaveAs, kCmdPrintReport, kCmdImport, kCmdExport, kCmdHelpContents,
                        kCmdMailMerge, kCmdPicture, kCmdHistory}) {
      const QByteArray name = QByteArray::number(command) + " main window";
      row(name.constData(), command, kIntro, false, T::MainWindow, command, 1, 1);
    }
    // The frame's skin commands.
    row("Skins dialog", kCmdSkins, kWork, false, T::Frame, kCmdSkins);
    row("first skin", kCmdFirstSkinEntry, kIntro, false, T::Frame, kCmdFirstSkinEntry);
    row("last skin", kCmdLastSkinEntry, kWork, false, T::Frame, kCmdLastSkinEntry);
    // Unknown numbers.
    row("99", 99, kWork, false, T::Ignore, 0);
    row("117", 117, kWork, false, T::Ignore, 0);
    row("1008", 1008, kWork, false, T::Ignore, 0);
    row("1017", 1017, kWork, false, T::Ignore, 0);
    row("2000", 2000, kWork, false, T::Ignore, 0);
  }
  void route() {
    QFETCH(int, command);
    QFETCH(qlonglong, param);
    QFETCH(int, pane);
    QFETCH(bool, historyFocus);
    QFETCH(RouteTarget, target);
    QFETCH(int, routed);
    QFETCH(qlonglong, routedParam);
    const Route route = RouteCommand(command, qintptr(param), RouteContext{pane, historyFocus});
    QCOMPARE(int(route.target), int(target));
    if (target != RouteTarget::Ignore) {
      QCOMPARE(route.command, routed);
      QCOMPARE(qlonglong(route.param), routedParam);
    }
  }

  void accelerator_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("command");
    const int none = Qt::NoModifier, ctrl = Qt::ControlModifier, alt = Qt::AltModifier;
    QTest::newRow("Insert") << int(Qt::Key_Insert) << none << keys::kInsert;
    QTest::newRow("Ctrl+F") << int(Qt::Key_F) << ctrl << keys::kFind;
    QTest::newRow("Ctrl+N") << int(Qt::Key_N) << ctrl << keys::kNewFile;
    QTest::newRow("Ctrl+O") << int(Qt::Key_O) << ctrl << keys::kOpenFile;
    QTest::newRow("Ctrl+P") << int(Qt::Key_P) << ctrl << keys::kPrint;
    QTest::newRow("F1") << int(Qt::Key_F1) << none << keys::kHelp;
    QTest::newRow("Alt+F") << int(Qt::Key_F) << alt << keys::kFileMenu;
    QTest::newRow("Alt+H") << int(Qt::Key_H) << alt << keys::kHelpMenu;
    QTest::newRow("Alt+1") << int(Qt::Key_1) << alt << keys::kIntroPane;
    QTest::newRow("Alt+2") << int(Qt::Key_2) << alt << keys::kWorkPane;
    QTest::newRow("Ctrl+X") << int(Qt::Key_X) << ctrl << keys::kCut;
    QTest::newRow("Ctrl+C") << int(Qt::Key_C) << ctrl << keys::kCopy;
    QTest::newRow("Ctrl+V") << int(Qt::Key_V) << ctrl << keys::kPaste;
    QTest::newRow("Ctrl+Z") << int(Qt::Key_Z) << ctrl << keys::kUndo;
    QTest::newRow("Ctrl+A") << int(Qt::Key_A) << ctrl << keys::kAttachment;
    QTest::newRow("Enter") << int(Qt::Key_Return) << none << keys::kEnter;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << keys::kEnter;
    QTest::newRow("Delete") << int(Qt::Key_Delete) << none << keys::kDelete;
    QTest::newRow("Ctrl+M direct") << int(Qt::Key_M) << ctrl << kCmdMailMerge;
    QTest::newRow("Ctrl+E direct") << int(Qt::Key_E) << ctrl << kCmdPicture;
    QTest::newRow("Ctrl+W direct") << int(Qt::Key_W) << ctrl << kCmdHistory;
    QTest::newRow("Shift+Delete") << int(Qt::Key_Delete) << int(Qt::ShiftModifier) << 0;
    QTest::newRow("Ctrl+Shift+C") << int(Qt::Key_C) << int(Qt::ControlModifier | Qt::ShiftModifier) << 0;
    QTest::newRow("Alt+3") << int(Qt::Key_3) << alt << 0;
    QTest::newRow("plain X") << int(Qt::Key_X) << none << 0;
    QTest::newRow("Ctrl+Insert") << int(Qt::Key_Insert) << ctrl << 0;
    QTest::newRow("F2") << int(Qt::Key_F2) << none << 0;
  }
  void accelerator() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, command);
    QCOMPARE(AcceleratorCommand(key, modifiers), command);
  }

  void menus() {
    auto commands = [](const std::vector<MenuItem>& items) {
      QList<int> out;
      for (const MenuItem& item : items) out << item.command;
      return out;
    };
    const QList<int> file{1006, 1007, 0, 1031, 1011, 0, 1037, 1038, 0, 1036, 0, 1043,
                          0,    120,  0, 1010, 0,    1009, 0, 1042, 0, 1012};
    QCOMPARE(commands(FileMenuItems()), file);
    QCOMPARE(commands(HelpMenuItems()), (QList<int>{1039, 0, 1016}));
    QCOMPARE(FileMenuItems().front().text, std::string("&New...\tCtrl+N"));
    QCOMPARE(FileMenuItems()[9].text, std::string("&Print Report..\tCtrl+P"));
    QCOMPARE(FileMenuItems().back().text, std::string("&Exit"));
    QCOMPARE(HelpMenuItems().front().text, std::string("&Contents...\tF1"));
    // Every command a menu offers reaches the main window or the frame.
    for (const auto& items : {FileMenuItems(), HelpMenuItems()}) {
      for (const MenuItem& item : items) {
        if (item.separator()) continue;
        const RouteTarget target = RouteCommand(item.command, 0, RouteContext{kIntro, false}).target;
        QVERIFY2(target == RouteTarget::MainWindow || target == RouteTarget::Frame, item.text.c_str());
      }
    }
  }
};

CARDORA_TEST_SUITE(CommandRoutingTest)
#include "commandrouting_test.moc"
