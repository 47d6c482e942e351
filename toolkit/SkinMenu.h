// The skin menu (a right click on the main window) and the "Skins" dialog
// (command 1042): both list the skins and make the chosen one current for the
// whole suite.
#pragma once

#include <QPoint>
#include <string>
#include <vector>

#include "toolkit/Skin.h"

class QMenu;
class QWidget;

namespace velmora {

inline constexpr int kCmdSkinsDialog = 1042;
inline constexpr int kCmdFirstSkin = 1500;
inline constexpr int kCmdLastSkin = 1999;

// One entry per skin, in list order, with the command 1500 + index; the
// current skin's entry (file name compared ignoring case) is checked and
// disabled.
void FillSkinMenu(QMenu& menu, const std::vector<SkinEntry>& skins, const std::string& current);
// Opens the skin menu at globalPos; the chosen entry's command is posted to
// owner.
void ShowSkinMenu(QWidget* owner, const QPoint& globalPos);
// Carries out a skin menu command: makes the skin at (command - 1500) of the
// list last shown in the menu current; a failure when the command names no
// skin of that list or the choice could not be written.
Result RunSkinMenuCommand(int command);

bool SameSkinFile(const std::string& a, const std::string& b);

}  // namespace velmora
