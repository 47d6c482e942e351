#include "addressbook/gui/ContactRecycleBin.h"

#include <QPointer>
#include <QWidget>

#include "addressbook/model/ContactHolders.h"
#include "shell/MessageBoxes.h"
#include "toolkit/TesselClassWndBin.h"

namespace velmora {

TesselClassWndBin* MakeContactRecycleBin(QWidget* pane) {
  QPointer<QWidget> owner(pane);
  BinHooks hooks;
  hooks.holds = [] { return RecycleBin().Holds(); };
  hooks.empty = [] { RecycleBin().Empty(); };
  hooks.tell = [owner](const QString& text) {
    InformationBox(owner ? owner->window() : nullptr, text.toStdString());
  };
  return new TesselClassWndBin(std::move(hooks), pane);
}

}  // namespace velmora
