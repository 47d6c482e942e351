#include "toolkit/SkinMenu.h"

#include <QMenu>
#include <QWidget>

#include "toolkit/Command.h"
#include "toolkit/Fonts.h"

namespace velmora {

namespace {
std::vector<SkinEntry>& LastShown() {
  static std::vector<SkinEntry> skins;
  return skins;
}
}  // namespace

bool SameSkinFile(const std::string& a, const std::string& b) {
  return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

void FillSkinMenu(QMenu& menu, const std::vector<SkinEntry>& skins, const std::string& current) {
  for (size_t i = 0; i < skins.size() && i < kMaxSkins; ++i) {
    QAction* action = menu.addAction(QString::fromStdString(skins[i].name));
    action->setData(kCmdFirstSkin + int(i));
    if (SameSkinFile(skins[i].fileName, current)) {
      action->setCheckable(true);
      action->setChecked(true);
      action->setEnabled(false);
    }
  }
}

void ShowSkinMenu(QWidget* owner, const QPoint& globalPos) {
  LastShown() = ListSkins();
  QMenu menu(owner);
  menu.setFont(NormalFont());
  FillSkinMenu(menu, LastShown(), CurrentSkinName());
  if (menu.isEmpty()) return;
  if (QAction* chosen = menu.exec(globalPos)) PostCommand(owner, chosen->data().toInt());
}

Result RunSkinMenuCommand(int command) {
  const int index = command - kCmdFirstSkin;
  if (index < 0 || size_t(index) >= LastShown().size()) {
    return Result::Fail("No skin of the menu has the command " + std::to_string(command));
  }
  return ChooseSkin(LastShown()[size_t(index)].fileName);
}

}  // namespace velmora
