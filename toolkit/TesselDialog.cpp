#include "toolkit/TesselDialog.h"

#include <QGuiApplication>
#include <QScreen>

namespace velmora {

TesselDialog::TesselDialog(int templateNumber, QWidget* owner) : QDialog(owner), templateNumber_(templateNumber) {}

int TesselDialog::RunModal() {
  OnInitDialog();
  PostCommand(this, kMsgInitialise);
  return exec();
}

qintptr TesselDialog::OnCommand(const Command& command) {
  if (command.id == kCmdOk) {
    done(1);
    return 1;
  }
  if (command.id == kCmdCancel) {
    done(0);
    return 1;
  }
  return 0;
}

void TesselDialog::CentreOver(QWidget* widget, QWidget* over) {
  QRect area;
  QScreen* screen = over ? over->screen() : widget->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  area = over ? over->frameGeometry() : available;
  QRect placed(QPoint(0, 0), widget->frameGeometry().size());
  placed.moveCenter(area.center());
  if (placed.right() > available.right()) placed.moveRight(available.right());
  if (placed.bottom() > available.bottom()) placed.moveBottom(available.bottom());
  if (placed.left() < available.left()) placed.moveLeft(available.left());
  if (placed.top() < available.top()) placed.moveTop(available.top());
  widget->move(placed.topLeft());
}

void TesselDialog::OnInitDialog() {}
void TesselDialog::OnInitialise() {}

void TesselDialog::customEvent(QEvent* event) {
  if (event->type() != CommandEvent::EventType()) {
    QDialog::customEvent(event);
    return;
  }
  const Command& command = static_cast<CommandEvent*>(event)->command();
  if (command.id == kMsgInitialise) {
    OnInitialise();
  } else {
    OnCommand(command);
  }
}

void TesselDialog::reject() { OnCommand(Command{kCmdCancel, 0, {}, {}}); }

}  // namespace velmora
