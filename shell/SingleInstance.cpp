#include "shell/SingleInstance.h"

#include <QDir>
#include <QStandardPaths>
#include <memory>

namespace velmora {

SingleInstanceLock::SingleInstanceLock(const QString& lockPath) : lock_(lockPath) {
  // A running instance keeps its lock however long it runs; only a lock
  // whose process is gone counts as stale.
  lock_.setStaleLockTime(0);
}

SingleInstanceLock::~SingleInstanceLock() = default;

bool SingleInstanceLock::TryAcquire() { return lock_.isLocked() || lock_.tryLock(0); }

QString SingleInstanceLock::PathFor(const QString& applicationName) {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (folder.isEmpty()) folder = QDir::tempPath();
  return folder + QStringLiteral("/TesselWndApp_") + applicationName + QStringLiteral(".lock");
}

bool AcquireSingleInstance(const QString& applicationName) {
  // Kept until the process ends; the operating system's exit releases it.
  static std::unique_ptr<SingleInstanceLock> held;
  if (held && held->held()) return true;
  auto lock = std::make_unique<SingleInstanceLock>(SingleInstanceLock::PathFor(applicationName));
  if (!lock->TryAcquire()) return false;
  held = std::move(lock);
  return true;
}

}  // namespace velmora
