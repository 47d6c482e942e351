#include "shell/SuiteKeys.h"

#include <Qt>

#include "shell/SuiteCommands.h"

namespace velmora {

int AcceleratorCommand(int key, int modifiers) {
  // The keypad flag does not make another key: Enter on the keypad is Enter.
  const int mods = modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  if (mods == Qt::NoModifier) {
    switch (key) {
      case Qt::Key_Insert: return keys::kInsert;
      case Qt::Key_F1: return keys::kHelp;
      case Qt::Key_Return:
      case Qt::Key_Enter: return keys::kEnter;
      case Qt::Key_Delete: return keys::kDelete;
      default: return 0;
    }
  }
  if (mods == Qt::ControlModifier) {
    switch (key) {
      case Qt::Key_F: return keys::kFind;
      case Qt::Key_N: return keys::kNewFile;
      case Qt::Key_O: return keys::kOpenFile;
      case Qt::Key_P: return keys::kPrint;
      case Qt::Key_X: return keys::kCut;
      case Qt::Key_C: return keys::kCopy;
      case Qt::Key_V: return keys::kPaste;
      case Qt::Key_Z: return keys::kUndo;
      case Qt::Key_A: return keys::kAttachment;
      case Qt::Key_M: return kCmdMailMerge;
      case Qt::Key_E: return kCmdPicture;
      case Qt::Key_W: return kCmdHistory;
      default: return 0;
    }
  }
  if (mods == Qt::AltModifier) {
    switch (key) {
      case Qt::Key_F: return keys::kFileMenu;
      case Qt::Key_H: return keys::kHelpMenu;
      case Qt::Key_1: return keys::kIntroPane;
      case Qt::Key_2: return keys::kWorkPane;
      default: return 0;
    }
  }
  return 0;
}

}  // namespace velmora
