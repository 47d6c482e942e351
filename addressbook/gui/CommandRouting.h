// Where each command of Cardora's main window goes (the command numbers are
// the suite's, shell/SuiteCommands.h), its accelerator keys and its menus.
// RouteCommand decides, from the command, the current pane and whether the
// history window's list has the keyboard focus, who carries it out. Pure
// functions, so the whole table can be tested.
#pragma once

#include <QtGlobal>
#include <string>
#include <vector>

#include "shell/MenuItem.h"
#include "shell/SuiteCommands.h"

namespace velmora {

// Key commands of the accelerator table "ACC": what a key posts before it
// becomes a main-window command.
namespace keys {
inline constexpr int kInsert = 100;
inline constexpr int kFind = 101;        // Ctrl+F
inline constexpr int kNewFile = 102;     // Ctrl+N
inline constexpr int kOpenFile = 103;    // Ctrl+O
inline constexpr int kPrint = 104;       // Ctrl+P
inline constexpr int kHelp = 105;        // F1
inline constexpr int kFileMenu = 106;    // Alt+F
inline constexpr int kHelpMenu = 107;    // Alt+H
inline constexpr int kIntroPane = 108;   // Alt+1
inline constexpr int kWorkPane = 109;    // Alt+2
inline constexpr int kCut = 110;         // Ctrl+X
inline constexpr int kCopy = 111;        // Ctrl+C
inline constexpr int kPaste = 112;       // Ctrl+V
inline constexpr int kUndo = 113;        // Ctrl+Z
inline constexpr int kAttachment = 114;  // Ctrl+A
inline constexpr int kEnter = 115;
inline constexpr int kDelete = 116;
}  // namespace keys

// Commands of the history window.
namespace history {
inline constexpr int kNewEntry = 101;
inline constexpr int kDeleteEntry = 102;
inline constexpr int kEditEntry = 103;
}  // namespace history

inline constexpr int kIntroPaneIndex = 0;
inline constexpr int kWorkPaneIndex = 1;

enum class RouteTarget {
  Ignore,         // nothing happens
  WorkPane,       // posted, with both parameters, to the pane named "Work"
  HistoryWindow,  // posted to the history window
  Repost,         // posted to the main window again as another command
  MainWindow,     // the main window's own command table
  Frame,          // the frame's skin commands
};

struct Route {
  RouteTarget target = RouteTarget::Ignore;
  int command = 0;
  qintptr param = 0;
  friend bool operator==(const Route&, const Route&) = default;
};

struct RouteContext {
  int currentPane = kWorkPaneIndex;
  bool historyListFocused = false;  // the history window exists and its list has the focus
};

Route RouteCommand(int command, qintptr param, const RouteContext& context);

// The command a key press posts to the main window (a key command, or
// 1043 to 1045 directly); 0 when the key is not in the table. key is a
// Qt::Key, modifiers the Qt::KeyboardModifiers of the press.
int AcceleratorCommand(int key, int modifiers);

std::vector<MenuItem> FileMenuItems();
std::vector<MenuItem> HelpMenuItems();

}  // namespace velmora
