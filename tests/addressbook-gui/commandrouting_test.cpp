// The routing table of the main window, the accelerator keys and the menus,
// as tables.
#include <string>
#include <vector>

#include "CardoraTestSupport.h"
#include "addressbook/gui/CommandRouting.h"

namespace velmora {
namespace {

constexpr int kIntro = kIntroPaneIndex;
constexpr int kWork = kWorkPaneIndex;

struct RouteCase {
  std::string name;
  int command;
  int pane;
  bool historyFocus;
  RouteTarget target;
  int routed;
  qintptr routedParam = 0;
  qintptr param = 0;
};

std::vector<RouteCase> RouteCases() {
  std::vector<RouteCase> cases;
  auto row = [&](std::string name, int command, int pane, bool focus, RouteTarget target, int routed,
                 qintptr routedParam = 0, qintptr param = 0) {
    cases.push_back({std::move(name), command, pane, focus, target, routed, routedParam, param});
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
    const std::string number = std::to_string(command);
    row(number + " on Work", command, kWork, false, T::WorkPane, command, 7, 7);
    row(number + " on Intro", command, kIntro, false, T::Ignore, 0);
    row(number + " on Intro, history focused", command, kIntro, true, T::Ignore, 0);
  }
  // The main window's own commands, with their parameter.
  for (int command : {kCmdCustomView, kCmdPane, kCmdFileMenu, kCmdNewFile, kCmdOpenFile, kCmdGeneralOptions,
                      kCmdNetworkPasswords, kCmdCompact, kCmdExit, kCmdPartnerList, kCmdHelpMenu, kCmdAbout,
                      kCmdServerSetup, kCmdSaveAs, kCmdPrintReport, kCmdImport, kCmdExport, kCmdHelpContents,
                      kCmdMailMerge, kCmdPicture, kCmdHistory}) {
    row(std::to_string(command) + " main window", command, kIntro, false, T::MainWindow, command, 1, 1);
  }
  // The frame's skin commands.
  row("Skins dialog", kCmdSkins, kWork, false, T::Frame, kCmdSkins);
  row("first skin", kCmdFirstSkinEntry, kIntro, false, T::Frame, kCmdFirstSkinEntry);
  row("last skin", kCmdLastSkinEntry, kWork, false, T::Frame, kCmdLastSkinEntry);
  // Unknown numbers.
  for (int unknown : {99, 117, 1008, 1017, 2000}) row(std::to_string(unknown), unknown, kWork, false, T::Ignore, 0);
  return cases;
}

TEST(CommandRoutingTest, Route) {
  const std::vector<RouteCase> cases = RouteCases();
  ASSERT_EQ(cases.size(), 87u);
  for (const RouteCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Route route = RouteCommand(c.command, c.param, RouteContext{c.pane, c.historyFocus});
    EXPECT_EQ(int(route.target), int(c.target));
    if (c.target != RouteTarget::Ignore) {
      EXPECT_EQ(route.command, c.routed);
      EXPECT_EQ(route.param, c.routedParam);
    }
  }
}

TEST(CommandRoutingTest, Accelerator) {
  const int none = Qt::NoModifier, ctrl = Qt::ControlModifier, alt = Qt::AltModifier;
  const struct {
    const char* name;
    int key;
    int modifiers;
    int command;
  } cases[] = {
      {"Insert", Qt::Key_Insert, none, keys::kInsert},
      {"Ctrl+F", Qt::Key_F, ctrl, keys::kFind},
      {"Ctrl+N", Qt::Key_N, ctrl, keys::kNewFile},
      {"Ctrl+O", Qt::Key_O, ctrl, keys::kOpenFile},
      {"Ctrl+P", Qt::Key_P, ctrl, keys::kPrint},
      {"F1", Qt::Key_F1, none, keys::kHelp},
      {"Alt+F", Qt::Key_F, alt, keys::kFileMenu},
      {"Alt+H", Qt::Key_H, alt, keys::kHelpMenu},
      {"Alt+1", Qt::Key_1, alt, keys::kIntroPane},
      {"Alt+2", Qt::Key_2, alt, keys::kWorkPane},
      {"Ctrl+X", Qt::Key_X, ctrl, keys::kCut},
      {"Ctrl+C", Qt::Key_C, ctrl, keys::kCopy},
      {"Ctrl+V", Qt::Key_V, ctrl, keys::kPaste},
      {"Ctrl+Z", Qt::Key_Z, ctrl, keys::kUndo},
      {"Ctrl+A", Qt::Key_A, ctrl, keys::kAttachment},
      {"Enter", Qt::Key_Return, none, keys::kEnter},
      {"keypad Enter", Qt::Key_Enter, int(Qt::KeypadModifier), keys::kEnter},
      {"Delete", Qt::Key_Delete, none, keys::kDelete},
      {"Ctrl+M direct", Qt::Key_M, ctrl, kCmdMailMerge},
      {"Ctrl+E direct", Qt::Key_E, ctrl, kCmdPicture},
      {"Ctrl+W direct", Qt::Key_W, ctrl, kCmdHistory},
      {"Shift+Delete", Qt::Key_Delete, int(Qt::ShiftModifier), 0},
      {"Ctrl+Shift+C", Qt::Key_C, int(Qt::ControlModifier | Qt::ShiftModifier), 0},
      {"Alt+3", Qt::Key_3, alt, 0},
      {"plain X", Qt::Key_X, none, 0},
      {"Ctrl+Insert", Qt::Key_Insert, ctrl, 0},
      {"F2", Qt::Key_F2, none, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AcceleratorCommand(c.key, c.modifiers), c.command) << c.name;
  }
}

TEST(CommandRoutingTest, Menus) {
  auto commands = [](const std::vector<MenuItem>& items) {
    std::vector<int> out;
    for (const MenuItem& item : items) out.push_back(item.command);
    return out;
  };
  const std::vector<int> file{1006, 1007, 0, 1031, 1011, 0, 1037, 1038, 0, 1036, 0, 1043,
                              0,    120,  0, 1010, 0,    1009, 0, 1042, 0, 1012};
  EXPECT_EQ(commands(FileMenuItems()), file);
  EXPECT_EQ(commands(HelpMenuItems()), (std::vector<int>{1039, 0, 1016}));
  EXPECT_EQ(FileMenuItems().front().text, std::string("&New...\tCtrl+N"));
  EXPECT_EQ(FileMenuItems()[9].text, std::string("&Print Report..\tCtrl+P"));
  EXPECT_EQ(FileMenuItems().back().text, std::string("&Exit"));
  EXPECT_EQ(HelpMenuItems().front().text, std::string("&Contents...\tF1"));
  // Every command a menu offers reaches the main window or the frame.
  for (const auto& items : {FileMenuItems(), HelpMenuItems()}) {
    for (const MenuItem& item : items) {
      if (item.separator()) continue;
      const RouteTarget target = RouteCommand(item.command, 0, RouteContext{kIntro, false}).target;
      EXPECT_TRUE(target == RouteTarget::MainWindow || target == RouteTarget::Frame) << item.text;
    }
  }
}

}  // namespace
}  // namespace velmora
