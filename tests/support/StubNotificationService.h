// The recording notification service (tests/support/notification-stub) on
// a private session bus of its own, started by dbus-run-session. Other
// programs under test can be pointed at the same bus (address()).
#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <string>

namespace velmora::testing {

class StubNotificationService {
 public:
  // silent: the bus runs, but nobody owns the notification service.
  explicit StubNotificationService(bool silent = false);
  ~StubNotificationService();
  StubNotificationService(const StubNotificationService&) = delete;
  StubNotificationService& operator=(const StubNotificationService&) = delete;

  // Empty when the bus and the service run; else why not.
  const std::string& problem() const { return problem_; }
  const QDBusConnection& bus() const { return *bus_; }
  const QString& address() const { return address_; }

  // Everything the stub printed so far, line by line.
  QStringList Lines();
  bool Has(const char* line);
  bool Has(const QString& line);
  // How many "notify" calls it got.
  int NotifyCount();
  void Send(const QString& command);

  // The fields of the notify call with that id ("summary" -> text, "hint
  // urgency" -> "y 2").
  std::map<QString, QString> Notified(uint id);

 private:
  QString connectionName_;
  QProcess process_;
  QByteArray output_;
  QString address_;
  std::unique_ptr<QDBusConnection> bus_;
  std::string problem_;
};

}  // namespace velmora::testing
