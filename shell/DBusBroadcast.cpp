#include "shell/DBusBroadcast.h"

#include <QCoreApplication>
#include <QDBusMessage>

namespace velmora {

DBusBroadcast::DBusBroadcast(QObject* parent) : DBusBroadcast(QDBusConnection::sessionBus(), parent) {}

DBusBroadcast::DBusBroadcast(const QDBusConnection& bus, QObject* parent) : QObject(parent), bus_(bus) {
  if (!bus_.isConnected()) return;
  listening_ = bus_.connect(QString(), QString::fromLatin1(kPath), QString::fromLatin1(kInterface),
                            QString::fromLatin1(kName), this, SLOT(onMessage(QDBusMessage)));
}

bool DBusBroadcast::send(int what, qint64 sender) {
  if (!listening_) return false;
  QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kPath), QString::fromLatin1(kInterface),
                                                   QString::fromLatin1(kName));
  signal << what << sender;
  return bus_.send(signal);
}

bool DBusBroadcast::sendAndWait(int what, qint64 sender) {
  if (!send(what, sender)) return false;
  // A connection delivers in order: once the bus answers a call made after
  // the signal, the signal has reached it.
  const QDBusMessage ping = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
      QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
  return bus_.call(ping, QDBus::Block, 2000).type() != QDBusMessage::ErrorMessage;
}

qint64 DBusBroadcast::WindowSenderId(quintptr windowId) {
  return qint64(quint64(QCoreApplication::applicationPid()) << 32 | (quint64(windowId) & 0xFFFFFFFFu));
}

void DBusBroadcast::onMessage(const QDBusMessage& message) {
  // The bus hands a signal back to its own sender as well.
  if (message.service() == bus_.baseService()) return;
  const QList<QVariant> arguments = message.arguments();
  if (arguments.size() < 2) return;
  bool whatOk = false;
  bool senderOk = false;
  const int what = arguments[0].toInt(&whatOk);
  const qint64 sender = arguments[1].toLongLong(&senderOk);
  if (!whatOk || !senderOk) return;
  emit received(what, sender);
}

}  // namespace velmora
