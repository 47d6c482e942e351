// The commands of Cardora's main window and where each one goes. Every menu
// item, toolbar button and accelerator key ends as one numbered command
// posted to the main window; RouteCommand decides, from the command, the
// current pane and whether the history window's list has the keyboard focus,
// who carries it out. Pure functions, so the whole table can be tested.
#pragma once

#include <QtGlobal>
#include <string>
#include <vector>

namespace velmora {

// Commands of the main window.
inline constexpr int kCmdCustomView = 120;
inline constexpr int kCmdPane = 1000;  // parameter: the pane index
inline constexpr int kCmdNewContact = 1001;
inline constexpr int kCmdEditContact = 1002;
inline constexpr int kCmdDeleteContact = 1003;
inline constexpr int kCmdFind = 1004;
inline constexpr int kCmdFileMenu = 1005;
inline constexpr int kCmdNewFile = 1006;
inline constexpr int kCmdOpenFile = 1007;
inline constexpr int kCmdGeneralOptions = 1009;
inline constexpr int kCmdNetworkPasswords = 1010;
inline constexpr int kCmdCompact = 1011;
inline constexpr int kCmdExit = 1012;
inline constexpr int kCmdPartnerList = 1013;
inline constexpr int kCmdHelpMenu = 1014;
inline constexpr int kCmdAbout = 1016;
inline constexpr int kCmdUndoDelete = 1023;
inline constexpr int kCmdCut = 1024;
inline constexpr int kCmdCopy = 1025;
inline constexpr int kCmdPaste = 1026;
inline constexpr int kCmdSendContact = 1027;
inline constexpr int kCmdServerSetup = 1028;
inline constexpr int kCmdSaveAs = 1031;
inline constexpr int kCmdOpenAttachment = 1033;
inline constexpr int kCmdPrintReport = 1036;
inline constexpr int kCmdImport = 1037;
inline constexpr int kCmdExport = 1038;
inline constexpr int kCmdHelpContents = 1039;
inline constexpr int kCmdSkins = 1042;
inline constexpr int kCmdMailMerge = 1043;
inline constexpr int kCmdPicture = 1044;
inline constexpr int kCmdHistory = 1045;
inline constexpr int kCmdFirstSkinEntry = 1500;
inline constexpr int kCmdLastSkinEntry = 1999;

// Key commands of the accelerator table "ACC".
inline constexpr int kKeyInsert = 100;
inline constexpr int kKeyFind = 101;        // Ctrl+F
inline constexpr int kKeyNewFile = 102;     // Ctrl+N
inline constexpr int kKeyOpenFile = 103;    // Ctrl+O
inline constexpr int kKeyPrint = 104;       // Ctrl+P
inline constexpr int kKeyHelp = 105;        // F1
inline constexpr int kKeyFileMenu = 106;    // Alt+F
inline constexpr int kKeyHelpMenu = 107;    // Alt+H
inline constexpr int kKeyIntroPane = 108;   // Alt+1
inline constexpr int kKeyWorkPane = 109;    // Alt+2
inline constexpr int kKeyCut = 110;         // Ctrl+X
inline constexpr int kKeyCopy = 111;        // Ctrl+C
inline constexpr int kKeyPaste = 112;       // Ctrl+V
inline constexpr int kKeyUndo = 113;        // Ctrl+Z
inline constexpr int kKeyAttachment = 114;  // Ctrl+A
inline constexpr int kKeyEnter = 115;
inline constexpr int kKeyDelete = 116;

// Commands of the history window.
inline constexpr int kHistoryNewEntry = 101;
inline constexpr int kHistoryDeleteEntry = 102;
inline constexpr int kHistoryEditEntry = 103;

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

// One item of a drop-down menu; a separator has command 0.
struct MenuItem {
  std::string text;
  int command = 0;
  bool separator() const { return command == 0; }
};
std::vector<MenuItem> FileMenuItems();
std::vector<MenuItem> HelpMenuItems();

}  // namespace velmora
