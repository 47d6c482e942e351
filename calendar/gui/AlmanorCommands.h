// Where each command of Almanor's main window goes (the command numbers
// are the suite's, shell/SuiteCommands.h; the keys shell/SuiteKeys.h), and
// its toolbar and menus. Pure functions, so the whole table can be tested.
#pragma once

#include <QtGlobal>
#include <vector>

#include "shell/MenuItem.h"
#include "shell/SuiteCommands.h"
#include "shell/SuiteKeys.h"

namespace velmora {

// The calendar's names of the shared record commands.
inline constexpr int kCmdNewEvent = kCmdNewContact;        // 1001
inline constexpr int kCmdEditEvent = kCmdEditContact;      // 1002
inline constexpr int kCmdDeleteEvent = kCmdDeleteContact;  // 1003
inline constexpr int kCmdInternetEvents = kCmdSendContact; // 1027

enum class AlmanorRoute {
  Ignore,      // nothing happens
  Beep,        // refused with a beep
  WorkPane,    // posted, with both parameters, to the pane named "Work"
  Repost,      // posted to the main window again as another command
  MainWindow,  // the main window's own command table
  Frame,       // the frame's skin commands
};

struct AlmanorRouting {
  AlmanorRoute target = AlmanorRoute::Ignore;
  int command = 0;
  qintptr param = 0;
  friend bool operator==(const AlmanorRouting&, const AlmanorRouting&) = default;
};

// currentPane: the index of the pane shown (0 "Intro", 1 "Work").
AlmanorRouting RouteAlmanorCommand(int command, qintptr param, int currentPane);

std::vector<MenuItem> AlmanorFileMenu();
std::vector<MenuItem> AlmanorHelpMenu();

}  // namespace velmora
