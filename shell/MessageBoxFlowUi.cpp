#include "shell/MessageBoxFlowUi.h"

#include <QGuiApplication>
#include <QPointer>
#include <QWidget>

#include "shell/MessageBoxes.h"

namespace velmora {

FlowUi MessageBoxFlowUi(QWidget* owner) {
  QPointer<QWidget> guardedOwner(owner);
  FlowUi ui;
  ui.message = [guardedOwner](int number) { InformationBox(guardedOwner, number); };
  ui.messageText = [guardedOwner](const std::string& text) { InformationBox(guardedOwner, text); };
  ui.beep = [] { Beep(); };
  ui.busy = [](bool on) {
    // Only a GUI application has a cursor to change.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
    if (on) {
      QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
      QGuiApplication::restoreOverrideCursor();
    }
  };
  return ui;
}

}  // namespace velmora
