#include "shell/TrayApplication.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QStandardPaths>

namespace velmora {

bool TrayApplicationRunning() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || !bus.interface()) return false;
  return bus.interface()->isServiceRegistered(QString::fromLatin1(kTrayBusName)).value();
}

bool StartTrayApplication() {
  const QString name = QString::fromLatin1(kTrayProgram);
  QString program = QStandardPaths::findExecutable(name);
  if (program.isEmpty() && QCoreApplication::instance()) {
    program = QStandardPaths::findExecutable(name, {QCoreApplication::applicationDirPath()});
  }
  if (program.isEmpty()) return false;
  return QProcess::startDetached(program, {});
}

}  // namespace velmora
