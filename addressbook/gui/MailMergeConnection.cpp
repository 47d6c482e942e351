#include "addressbook/gui/MailMergeConnection.h"

#include <QCursor>
#include <QGuiApplication>
#include <QNetworkInformation>

#include "shell/MessageBoxes.h"

namespace velmora {

namespace {

ConnectionProbe& Probe() {
  static ConnectionProbe probe;
  return probe;
}

class WaitCursor {
 public:
  WaitCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
  ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

bool IsRasOpen() {
  if (Probe()) return Probe()();
  // The backend is loaded once and kept for the life of the process.
  if (!QNetworkInformation::instance() && !QNetworkInformation::loadDefaultBackend()) return true;
  const QNetworkInformation* info = QNetworkInformation::instance();
  if (!info) return true;
  return info->reachability() != QNetworkInformation::Reachability::Disconnected;
}

std::optional<std::string> InternetConnectionProblem() {
  if (IsRasOpen()) return std::nullopt;
  return std::string(kNoInternetConnectionText);
}

bool CheckInternetConnection(QWidget* owner) {
  std::optional<std::string> problem;
  {
    WaitCursor wait;
    problem = InternetConnectionProblem();
  }
  if (!problem) return true;
  InformationBox(owner, *problem);
  return false;
}

ConnectionProbe SetConnectionProbe(ConnectionProbe probe) {
  ConnectionProbe previous = std::move(Probe());
  Probe() = std::move(probe);
  return previous;
}

}  // namespace velmora
