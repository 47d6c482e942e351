#include "addressbook/gui/CommandRouting.h"

namespace velmora {

namespace {

constexpr Route Ignore() { return {RouteTarget::Ignore, 0, 0}; }

bool IsMainWindowCommand(int command) {
  switch (command) {
    case kCmdCustomView:
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
    case kCmdMailMerge:
    case kCmdPicture:
    case kCmdHistory:
      return true;
    default:
      return false;
  }
}

// The key commands of the accelerator table, turned into the commands they
// stand for.
Route KeyCommand(int key, const RouteContext& context) {
  auto repost = [](int command, qintptr param = 0) { return Route{RouteTarget::Repost, command, param}; };
  switch (key) {
    case keys::kInsert: return repost(kCmdNewContact);
    case keys::kFind: return repost(kCmdFind);
    case keys::kNewFile: return repost(kCmdNewFile);
    case keys::kOpenFile: return repost(kCmdOpenFile);
    case keys::kPrint: return repost(kCmdPrintReport);
    case keys::kHelp: return repost(kCmdHelpContents);
    case keys::kFileMenu: return repost(kCmdFileMenu);
    case keys::kHelpMenu: return repost(kCmdHelpMenu);
    case keys::kIntroPane: return repost(kCmdPane, kIntroPaneIndex);
    case keys::kWorkPane:
      return context.currentPane == kIntroPaneIndex ? repost(kCmdPane, kWorkPaneIndex) : Ignore();
    case keys::kCut: return context.currentPane == kWorkPaneIndex ? repost(kCmdCut) : Ignore();
    case keys::kCopy: return repost(kCmdCopy);
    case keys::kPaste: return repost(kCmdPaste);
    case keys::kUndo: return repost(kCmdUndoDelete);
    case keys::kAttachment: return repost(kCmdOpenAttachment);
    case keys::kEnter: return repost(kCmdEditContact);
    case keys::kDelete: return repost(kCmdDeleteContact);
    default: return Ignore();
  }
}

}  // namespace

Route RouteCommand(int command, qintptr param, const RouteContext& context) {
  const bool onWork = context.currentPane == kWorkPaneIndex;
  const Route toWork{RouteTarget::WorkPane, command, param};
  switch (command) {
    case 1015:
    case 1018:
    case 1019:
      return Ignore();

    // Insert, Enter and Delete belong to the history window while its list
    // has the focus.
    case keys::kInsert:
    case keys::kEnter:
    case keys::kDelete:
      if (context.historyListFocused) {
        const int history = command == keys::kInsert  ? history::kNewEntry
                            : command == keys::kEnter ? history::kEditEntry
                                                   : history::kDeleteEntry;
        return {RouteTarget::HistoryWindow, history, 0};
      }
      return KeyCommand(command, context);

    case kCmdNewContact:
      return toWork;

    // Record commands need the contact list. Away from the "Work" pane they
    // do nothing: the history window has no cut, copy, paste, undo or
    // attachment command of its own, so these keys never start a new
    // history entry there.
    case kCmdEditContact:
    case kCmdFind:
    case kCmdUndoDelete:
    case kCmdCut:
    case kCmdCopy:
    case kCmdPaste:
    case kCmdOpenAttachment:
    case kCmdDeleteContact:
    case kCmdSendContact:
      return onWork ? toWork : Ignore();

    default:
      break;
  }
  if (command >= keys::kInsert && command <= keys::kDelete) return KeyCommand(command, context);
  if (IsMainWindowCommand(command)) return {RouteTarget::MainWindow, command, param};
  if (command == kCmdSkins || (command >= kCmdFirstSkinEntry && command <= kCmdLastSkinEntry)) {
    return {RouteTarget::Frame, command, param};
  }
  return Ignore();
}

std::vector<MenuItem> FileMenuItems() {
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
      {"Mail &Merge...\tCtrl+M", kCmdMailMerge},
      {},
      {"Define Custom &View...", kCmdCustomView},
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

std::vector<MenuItem> HelpMenuItems() {
  return {
      {"&Contents...\tF1", kCmdHelpContents},
      {},
      {"About...", kCmdAbout},
  };
}

}  // namespace velmora
