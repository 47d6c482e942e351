// The accelerator table "ACC" both programs share: the key commands a key
// press posts to the main window before each becomes the command it stands
// for, and the indices of the two panes.
#pragma once

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

inline constexpr int kIntroPaneIndex = 0;
inline constexpr int kWorkPaneIndex = 1;

// The command a key press posts to the main window (a key command, or
// 1043 to 1045 directly); 0 when the key is not in the table. key is a
// Qt::Key, modifiers the Qt::KeyboardModifiers of the press.
int AcceleratorCommand(int key, int modifiers);

}  // namespace velmora
