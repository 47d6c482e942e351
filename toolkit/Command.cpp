#include "toolkit/Command.h"

#include <QCoreApplication>
#include <QObject>

namespace velmora {

QEvent::Type CommandEvent::EventType() {
  static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

CommandTarget* CommandTargetOf(QObject* object) { return dynamic_cast<CommandTarget*>(object); }

void PostCommand(QObject* target, Command command) {
  if (!target) return;
  QCoreApplication::postEvent(target, new CommandEvent(std::move(command)));
}

void PostCommand(QObject* target, int id, qintptr param) { PostCommand(target, Command{id, param, {}, {}}); }

qintptr SendCommand(QObject* target, const Command& command) {
  CommandTarget* receiver = CommandTargetOf(target);
  return receiver ? receiver->OnCommand(command) : 0;
}

qintptr SendCommand(QObject* target, int id, qintptr param) {
  return SendCommand(target, Command{id, param, {}, {}});
}

}  // namespace velmora
