// A recording stand-in for the desktop's notification service, for the
// tests of desktop notifications. Run under dbus-run-session, it owns
// "org.freedesktop.Notifications" on that private session bus and talks on
// its standard streams:
//   out: "address <bus address>", then "ready"; one line per call it gets:
//        "notify <id>" followed by "  <field> <value>" lines and "end",
//        "close <id>";
//   in:  "invoke <id> <action key>" emits ActionInvoked, "quit" ends it.
// With "--silent" it leaves the service name free: a bus without a
// notification service.
// Texts are written with their line breaks as "\n" so that one value stays
// on one line.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QSocketNotifier>
#include <QVariantMap>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

QString OneLine(QString text) {
  text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
  text.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
  text.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
  return text;
}

void Say(const QString& line) {
  std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
  std::fflush(stdout);
}

// The hint's D-Bus type and value: "y 2" for a byte, "s text" for a string.
QString HintText(const QVariant& value) {
  switch (value.metaType().id()) {
    case QMetaType::UChar:
      return QStringLiteral("y %1").arg(value.value<uchar>());
    case QMetaType::QString:
      return QStringLiteral("s ") + OneLine(value.toString());
    case QMetaType::Int:
      return QStringLiteral("i %1").arg(value.toInt());
    case QMetaType::Bool:
      return QStringLiteral("b %1").arg(value.toBool() ? 1 : 0);
    default:
      return QStringLiteral("? ") + QString::fromLatin1(value.typeName());
  }
}

class Service : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  explicit Service(QDBusConnection bus) : bus_(std::move(bus)) {}

 public slots:
  QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }

  QString GetServerInformation(QString& vendor, QString& version, QString& protocolVersion) {
    vendor = QStringLiteral("Velmora tests");
    version = QStringLiteral("1");
    protocolVersion = QStringLiteral("1.2");
    return QStringLiteral("notification-stub");
  }

  uint Notify(const QString& appName, uint replacesId, const QString& icon, const QString& summary,
              const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout) {
    const uint id = ++lastId_;
    Say(QStringLiteral("notify %1").arg(id));
    Say(QStringLiteral("  app ") + OneLine(appName));
    Say(QStringLiteral("  replaces %1").arg(replacesId));
    Say(QStringLiteral("  icon ") + OneLine(icon));
    Say(QStringLiteral("  summary ") + OneLine(summary));
    Say(QStringLiteral("  body ") + OneLine(body));
    Say(QStringLiteral("  actions ") + OneLine(actions.join(QLatin1Char('|'))));
    for (auto it = hints.begin(); it != hints.end(); ++it) {
      QVariant value = it.value();
      if (value.canConvert<QDBusVariant>() && value.metaType().id() == qMetaTypeId<QDBusVariant>()) {
        value = value.value<QDBusVariant>().variant();
      }
      Say(QStringLiteral("  hint ") + it.key() + QLatin1Char(' ') + HintText(value));
    }
    Say(QStringLiteral("  timeout %1").arg(timeout));
    Say(QStringLiteral("end"));
    return id;
  }

  void CloseNotification(uint id) {
    Say(QStringLiteral("close %1").arg(id));
    Emit(QStringLiteral("NotificationClosed"), {QVariant::fromValue(id), QVariant::fromValue(uint(3))});
  }

 public:
  void Invoke(uint id, const QString& action) {
    Emit(QStringLiteral("ActionInvoked"), {QVariant::fromValue(id), action});
  }

 private:
  void Emit(const QString& name, const QList<QVariant>& arguments) {
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                     QStringLiteral("org.freedesktop.Notifications"), name);
    signal.setArguments(arguments);
    bus_.send(signal);
  }

  QDBusConnection bus_;
  uint lastId_ = 40;  // not 1: the ids the caller gets must come from here
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    Say(QStringLiteral("error no session bus"));
    return 1;
  }
  Service service(bus);
  if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                          QDBusConnection::ExportAllSlots)) {
    Say(QStringLiteral("error cannot register the object"));
    return 1;
  }
  const bool silent = application.arguments().contains(QStringLiteral("--silent"));
  if (!silent && !bus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
    Say(QStringLiteral("error cannot own the service name"));
    return 1;
  }
  Say(QStringLiteral("address ") + qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"));
  Say(QStringLiteral("ready"));

  QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
  std::string pending;
  QObject::connect(&input, &QSocketNotifier::activated, [&] {
    char buffer[512];
    const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (got <= 0) {
      application.quit();  // the test went away
      return;
    }
    pending.append(buffer, size_t(got));
    for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
      const QString line = QString::fromUtf8(pending.data(), qsizetype(end)).trimmed();
      pending.erase(0, end + 1);
      const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
      if (words.value(0) == QLatin1String("quit")) {
        application.quit();
      } else if (words.value(0) == QLatin1String("invoke") && words.size() == 3) {
        service.Invoke(words[1].toUInt(), words[2]);
      }
    }
  });
  return application.exec();
}

#include "NotificationStub.moc"
