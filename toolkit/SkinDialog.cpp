#include "toolkit/SkinDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "toolkit/Fonts.h"
#include "toolkit/SkinMenu.h"
#include "toolkit/TesselWndList.h"

namespace velmora {

SkinDialog::SkinDialog(QWidget* owner) : TesselDialog(kTemplate, owner) {
  setWindowTitle(QStringLiteral("Skins"));
  setFont(NormalFont());
  auto* label = new QLabel(QStringLiteral("Select skin"), this);
  list_ = new TesselWndList(this);
  list_->SetControlId(kListId);
  list_->SetModel(&names_);
  list_->setMinimumSize(220, 160);
  ok_ = new QPushButton(QStringLiteral("Ok"), this);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, [this] { OnCommand(Command{kCmdOk, 0, {}, {}}); });
  connect(cancel, &QPushButton::clicked, this, [this] { OnCommand(Command{kCmdCancel, 0, {}, {}}); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);
}

void SkinDialog::OnInitDialog() {
  skins_ = ListSkins();
  QStringList names;
  for (const SkinEntry& skin : skins_) names << QString::fromStdString(skin.name);
  names_.setStringList(names);
  ok_->setEnabled(false);
  const std::string current = CurrentSkinName();
  for (size_t i = 0; i < skins_.size(); ++i) {
    if (SameSkinFile(skins_[i].fileName, current)) {
      list_->SelectRow(int(i));
      ok_->setEnabled(true);
      break;
    }
  }
  adjustSize();
  CentreOver(this, parentWidget());
  list_->setFocus();
}

qintptr SkinDialog::OnCommand(const Command& command) {
  switch (command.id) {
    case kNotifySelectionMoved:
    case kNotifyClick:
      ok_->setEnabled(list_->selectedRow() >= 0);
      return 1;
    case kNotifyDoubleClick:
      if (command.param >= 0) OnCommand(Command{kCmdOk, 0, {}, {}});
      return 1;
    case kCmdOk: {
      const int row = list_->selectedRow();
      if (row >= 0 && size_t(row) < skins_.size()) chosen_ = ChooseSkin(skins_[size_t(row)].fileName);
      EndDialog(1);
      return 1;
    }
    default:
      return TesselDialog::OnCommand(command);
  }
}

}  // namespace velmora
