#include "shell/MessageBoxFlowUi.h"

#include <QGuiApplication>
#include <QPointer>
#include <QWidget>

#include "shell/MessageBoxes.h"
#include "toolkit/SoundPlayer.h"

namespace velmora {

FlowUi MessageBoxFlowUi(QWidget* owner, bool* said) {
  QPointer<QWidget> guardedOwner(owner);
  const auto told = [said] {
    if (said) *said = true;
  };
  FlowUi ui;
  ui.message = [guardedOwner, told](int number) {
    told();
    InformationBox(guardedOwner, number);
  };
  ui.messageText = [guardedOwner, told](const std::string& text) {
    told();
    InformationBox(guardedOwner, text);
  };
  ui.beep = [told] {
    told();
    Beep();
  };
  ui.play = [](const std::string& sound) { (void)SoundPlayer::Instance().Play(sound); };
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
