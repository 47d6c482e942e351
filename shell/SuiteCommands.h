// The numbered commands of a main window, shared by the programs of the
// suite: every menu item, toolbar button and accelerator key ends as one of
// them, posted to the main window.
#pragma once

namespace velmora {

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

}  // namespace velmora
