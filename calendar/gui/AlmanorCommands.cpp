#include "calendar/gui/AlmanorCommands.h"

namespace velmora {

namespace {

constexpr AlmanorRouting Ignore() { return {AlmanorRoute::Ignore, 0, 0}; }
constexpr AlmanorRouting Repost(int command, qintptr param = 0) { return {AlmanorRoute::Repost, command, param}; }

bool IsMainWindowCommand(int command) {
  switch (command) {
    case kCmdPane:
    case kCmdFileMenu:
    case kCmdNewFile:
    case kCmdOpenFile:
    case kCmdGeneralOptions:
    case kCmdNetworkPasswords:
    case kCmdCompact:
    case kCmdExit:
    case kCmdPartnerList:
    case kCmdHelpMenu:
    case kCmdAbout:
    case kCmdServerSetup:
    case kCmdSaveAs:
    case kCmdPrintReport:
    case kCmdImport:
    case kCmdExport:
    case kCmdHelpContents:
      return true;
    default:
      return false;
  }
}

// The key commands of the accelerator table, turned into the commands they
// stand for. The calendar has no history window: Insert, Enter and Delete
// are always the event commands.
AlmanorRouting KeyCommand(int key, int currentPane) {
  switch (key) {
    case keys::kInsert: return Repost(kCmdNewEvent);
    case keys::kFind: return Repost(kCmdFind);
    case keys::kNewFile: return Repost(kCmdNewFile);
    case keys::kOpenFile: return Repost(kCmdOpenFile);
    case keys::kPrint: return Repost(kCmdPrintReport);
    case keys::kHelp: return Repost(kCmdHelpContents);
    case keys::kFileMenu: return Repost(kCmdFileMenu);
    case keys::kHelpMenu: return Repost(kCmdHelpMenu);
    case keys::kIntroPane: return Repost(kCmdPane, kIntroPaneIndex);
    case keys::kWorkPane: return currentPane == kIntroPaneIndex ? Repost(kCmdPane, kWorkPaneIndex) : Ignore();
    case keys::kCut: return currentPane == kWorkPaneIndex ? Repost(kCmdCut) : Ignore();
    case keys::kCopy: return Repost(kCmdCopy);
    case keys::kPaste: return Repost(kCmdPaste);
    case keys::kUndo: return Repost(kCmdUndoDelete);
    case keys::kAttachment: return Repost(kCmdOpenAttachment);
    case keys::kEnter: return Repost(kCmdEditEvent);
    case keys::kDelete: return Repost(kCmdDeleteEvent);
    default: return Ignore();
  }
}

}  // namespace

AlmanorRouting RouteAlmanorCommand(int command, qintptr param, int currentPane) {
  const bool onWork = currentPane == kWorkPaneIndex;
  const AlmanorRouting toWork{AlmanorRoute::WorkPane, command, param};
  switch (command) {
    case 1015:
    case 1018:
    case 1019:
      return Ignore();
    // New event goes to the calendar pane from either pane.
    case kCmdNewEvent:
      return toWork;
    case kCmdEditEvent:
    case kCmdDeleteEvent:
    case kCmdFind:
    case kCmdUndoDelete:
    case kCmdCut:
    case kCmdCopy:
    case kCmdPaste:
    case kCmdOpenAttachment:
      return onWork ? toWork : Ignore();
    case kCmdInternetEvents:
      return onWork ? toWork : AlmanorRouting{AlmanorRoute::Beep, command, param};
    default:
      break;
  }
  if (command >= keys::kInsert && command <= keys::kDelete) return KeyCommand(command, currentPane);
  if (IsMainWindowCommand(command)) return {AlmanorRoute::MainWindow, command, param};
  if (command == kCmdSkins || (command >= kCmdFirstSkinEntry && command <= kCmdLastSkinEntry)) {
    return {AlmanorRoute::Frame, command, param};
  }
  // The address book's mail merge, custom view, picture and history
  // commands have no meaning here.
  return Ignore();
}

std::vector<MenuItem> AlmanorFileMenu() {
  return {
      {"&New...\tCtrl+N", kCmdNewFile},
      {"&Open...\tCtrl+O", kCmdOpenFile},
      {},
      {"&Save As...", kCmdSaveAs},
      {"Co&mpact...", kCmdCompact},
      {},
      {"&Import...", kCmdImport},
      {"&Export...", kCmdExport},
      {},
      {"&Print Report..\tCtrl+P", kCmdPrintReport},
      {},
      {"Network P&asswords...", kCmdNetworkPasswords},
      {},
      {"General O&ptions...", kCmdGeneralOptions},
      {},
      {"Ski&ns...", kCmdSkins},
      {},
      {"&Exit", kCmdExit},
  };
}

std::vector<MenuItem> AlmanorHelpMenu() {
  return {
      {"&Contents...\tF1", kCmdHelpContents},
      {},
      {"About...", kCmdAbout},
  };
}

}  // namespace velmora
