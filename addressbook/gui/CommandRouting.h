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
#include "shell/SuiteKeys.h"

namespace velmora {

// Commands of the history window.
namespace history {
inline constexpr int kNewEntry = 101;
inline constexpr int kDeleteEntry = 102;
inline constexpr int kEditEntry = 103;
}  // namespace history

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

std::vector<MenuItem> FileMenuItems();
std::vector<MenuItem> HelpMenuItems();

}  // namespace velmora
