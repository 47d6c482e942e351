#include "tests/support/StubNotificationService.h"

#include <QStandardPaths>
#include <atomic>

#include "tests/support/WaitUntil.h"

namespace velmora::testing {

StubNotificationService::StubNotificationService(bool silent) {
  static std::atomic<int> serial{0};
  connectionName_ = QStringLiteral("velmora-notification-stub-%1").arg(++serial);
  const QString runSession = QStandardPaths::findExecutable(QStringLiteral("dbus-run-session"));
  if (runSession.isEmpty()) {
    problem_ = "dbus-run-session is not installed";
    return;
  }
  QStringList arguments{QStringLiteral("--"), QStringLiteral(NOTIFICATION_STUB_BINARY)};
  if (silent) arguments << QStringLiteral("--silent");
  process_.start(runSession, arguments);
  if (!process_.waitForStarted(10000)) {
    problem_ = "the stub did not start";
    return;
  }
  if (!WaitUntil([this] { return Has("ready") || Has("error"); }, 20000) || !Has("ready")) {
    problem_ = "the stub is not ready: " + output_.toStdString();
    return;
  }
  for (const QString& line : Lines()) {
    if (line.startsWith(QStringLiteral("address "))) address_ = line.mid(8);
  }
  bus_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address_, connectionName_));
  if (!bus_->isConnected()) problem_ = "cannot connect to " + address_.toStdString();
}

StubNotificationService::~StubNotificationService() {
  bus_.reset();
  QDBusConnection::disconnectFromBus(connectionName_);
  if (process_.state() != QProcess::NotRunning) {
    process_.write("quit\n");
    if (!process_.waitForFinished(10000)) process_.kill();
    process_.waitForFinished(5000);
  }
}

QStringList StubNotificationService::Lines() {
  output_ += process_.readAllStandardOutput();
  return QString::fromUtf8(output_).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool StubNotificationService::Has(const char* line) { return Has(QString::fromUtf8(line)); }

bool StubNotificationService::Has(const QString& line) { return Lines().contains(line); }

int StubNotificationService::NotifyCount() {
  int count = 0;
  for (const QString& line : Lines()) {
    if (line.startsWith(QStringLiteral("notify "))) ++count;
  }
  return count;
}

void StubNotificationService::Send(const QString& command) {
  process_.write((command + QLatin1Char('\n')).toUtf8());
}

std::map<QString, QString> StubNotificationService::Notified(uint id) {
  std::map<QString, QString> fields;
  bool inside = false;
  for (const QString& line : Lines()) {
    if (line == QStringLiteral("notify %1").arg(id)) {
      inside = true;
    } else if (inside && line == QStringLiteral("end")) {
      break;
    } else if (inside && line.startsWith(QStringLiteral("  "))) {
      QString rest = line.mid(2);
      if (rest.startsWith(QStringLiteral("hint "))) {
        const qsizetype space = rest.indexOf(QLatin1Char(' '), 5);
        fields[rest.left(space)] = rest.mid(space + 1);
      } else {
        const qsizetype space = rest.indexOf(QLatin1Char(' '));
        fields[space < 0 ? rest : rest.left(space)] = space < 0 ? QString() : rest.mid(space + 1);
      }
    }
  }
  return fields;
}

}  // namespace velmora::testing
