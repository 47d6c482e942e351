// Desktop notifications over the session bus (the freedesktop.org
// "org.freedesktop.Notifications" service): a pop-up with a summary, a body
// and buttons, shown by the desktop even while the program's windows are
// hidden. Everything is asynchronous: show() returns at once, whatever the
// bus or the service do, and a desktop without a session bus or without a
// notification service simply shows nothing; that is never an error.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <map>

class QDBusMessage;
class QDBusPendingCallWatcher;

namespace velmora {

class DesktopNotification : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kService = "org.freedesktop.Notifications";
  static constexpr const char* kPath = "/org/freedesktop/Notifications";
  static constexpr const char* kInterface = "org.freedesktop.Notifications";

  // Urgency levels of the "urgency" hint.
  static constexpr unsigned char kLow = 0;
  static constexpr unsigned char kNormal = 1;
  static constexpr unsigned char kCritical = 2;

  struct Message {
    QString appName;
    QString icon;      // an icon name or file URL; empty for none
    QString summary;   // one line, plain text
    QString body;      // plain text; '&', '<' and '>' are escaped for servers that read markup
    QString category;  // the "category" hint; empty for none
    unsigned char urgency = kNormal;
    QStringList actions;  // pairs: the key that comes back, then the button's label
    int expireTimeoutMs = -1;  // -1: as the desktop decides, 0: until dismissed
  };

  // On the session bus.
  explicit DesktopNotification(QObject* parent = nullptr);
  // On a given bus (tests use a private one).
  explicit DesktopNotification(const QDBusConnection& bus, QObject* parent = nullptr);
  ~DesktopNotification() override;

  // Whether a bus is there to carry notifications (a service may still be
  // missing: then nothing is shown).
  bool available() const { return listening_; }

  // Asks the desktop to show the message and returns at once with a handle
  // of this object's own (0 when there is no bus). The desktop's answer,
  // its own number for the notification, arrives later (shown()).
  quint64 show(const Message& message);
  // Takes the notification off the screen (also when the desktop's answer
  // is still on its way).
  void close(quint64 handle);

  // The wire form of a message's body.
  static QString EscapeBody(const QString& text);

 signals:
  // The desktop put the notification up under its number.
  void shown(quint64 handle, uint desktopId);
  // The person chose one of the message's actions (its key).
  void actionInvoked(quint64 handle, const QString& action);
  // The notification went away (reason as the desktop gives it: 1 expired,
  // 2 dismissed, 3 closed by a call, 4 other).
  void closed(quint64 handle, uint reason);

 private slots:
  void onActionInvoked(const QDBusMessage& message);
  void onClosed(const QDBusMessage& message);

 private:
  struct Entry {
    uint desktopId = 0;  // 0 while the answer is on its way
    bool closeWhenShown = false;
  };
  void onReply(quint64 handle, QDBusPendingCallWatcher* watcher);
  quint64 HandleOf(uint desktopId) const;
  void SendClose(uint desktopId);

  QDBusConnection bus_;
  bool listening_ = false;
  quint64 nextHandle_ = 1;
  std::map<quint64, Entry> entries_;
};

}  // namespace velmora
