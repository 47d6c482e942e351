#include "shell/DesktopNotification.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace velmora {

namespace {
QString Latin(const char* text) { return QString::fromLatin1(text); }
}  // namespace

DesktopNotification::DesktopNotification(QObject* parent)
    : DesktopNotification(QDBusConnection::sessionBus(), parent) {}

DesktopNotification::DesktopNotification(const QDBusConnection& bus, QObject* parent) : QObject(parent), bus_(bus) {
  if (!bus_.isConnected()) return;
  // Signals from the service only, whoever owns its name now.
  const bool actions = bus_.connect(Latin(kService), Latin(kPath), Latin(kInterface), QStringLiteral("ActionInvoked"),
                                    this, SLOT(onActionInvoked(QDBusMessage)));
  const bool closes = bus_.connect(Latin(kService), Latin(kPath), Latin(kInterface),
                                   QStringLiteral("NotificationClosed"), this, SLOT(onClosed(QDBusMessage)));
  listening_ = actions && closes;
}

DesktopNotification::~DesktopNotification() {
  if (!bus_.isConnected()) return;
  bus_.disconnect(Latin(kService), Latin(kPath), Latin(kInterface), QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(QDBusMessage)));
  bus_.disconnect(Latin(kService), Latin(kPath), Latin(kInterface), QStringLiteral("NotificationClosed"), this,
                  SLOT(onClosed(QDBusMessage)));
}

QString DesktopNotification::EscapeBody(const QString& text) { return text.toHtmlEscaped(); }

quint64 DesktopNotification::show(const Message& message) {
  if (!listening_) return 0;
  QDBusMessage call = QDBusMessage::createMethodCall(Latin(kService), Latin(kPath), Latin(kInterface),
                                                     QStringLiteral("Notify"));
  QVariantMap hints;
  hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(message.urgency));
  if (!message.category.isEmpty()) hints.insert(QStringLiteral("category"), message.category);
  call << message.appName << uint(0) << message.icon << message.summary << EscapeBody(message.body)
       << message.actions << hints << qint32(message.expireTimeoutMs);
  // Asked to start a service that is not running, the bus would hold the
  // call until the start times out; a desktop without one shows nothing.
  call.setAutoStartService(false);
  const quint64 handle = nextHandle_++;
  entries_[handle] = Entry{};
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, handle](QDBusPendingCallWatcher* w) { onReply(handle, w); });
  return handle;
}

void DesktopNotification::onReply(quint64 handle, QDBusPendingCallWatcher* watcher) {
  watcher->deleteLater();
  auto it = entries_.find(handle);
  if (it == entries_.end()) return;
  QDBusPendingReply<uint> reply = *watcher;
  if (reply.isError()) {
    // No service, or it refused: nothing is on the screen.
    entries_.erase(it);
    return;
  }
  it->second.desktopId = reply.value();
  if (it->second.closeWhenShown) {
    SendClose(it->second.desktopId);
    entries_.erase(it);
    return;
  }
  emit shown(handle, it->second.desktopId);
}

void DesktopNotification::close(quint64 handle) {
  auto it = entries_.find(handle);
  if (it == entries_.end()) return;
  if (it->second.desktopId == 0) {
    it->second.closeWhenShown = true;
    return;
  }
  SendClose(it->second.desktopId);
  entries_.erase(it);
}

void DesktopNotification::SendClose(uint desktopId) {
  QDBusMessage call = QDBusMessage::createMethodCall(Latin(kService), Latin(kPath), Latin(kInterface),
                                                     QStringLiteral("CloseNotification"));
  call << desktopId;
  call.setAutoStartService(false);
  bus_.send(call);
}

quint64 DesktopNotification::HandleOf(uint desktopId) const {
  if (desktopId == 0) return 0;
  for (const auto& [handle, entry] : entries_) {
    if (entry.desktopId == desktopId) return handle;
  }
  return 0;
}

void DesktopNotification::onActionInvoked(const QDBusMessage& message) {
  const QList<QVariant> arguments = message.arguments();
  if (arguments.size() < 2) return;
  // Other programs' notifications come from the same service: only ours count.
  const quint64 handle = HandleOf(arguments[0].toUInt());
  if (handle == 0) return;
  emit actionInvoked(handle, arguments[1].toString());
}

void DesktopNotification::onClosed(const QDBusMessage& message) {
  const QList<QVariant> arguments = message.arguments();
  if (arguments.size() < 2) return;
  const quint64 handle = HandleOf(arguments[0].toUInt());
  if (handle == 0) return;
  entries_.erase(handle);
  emit closed(handle, arguments[1].toUInt());
}

}  // namespace velmora
