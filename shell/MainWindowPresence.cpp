#include "shell/MainWindowPresence.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace velmora {

MainWindowPresence::MainWindowPresence(QString className) : className_(std::move(className)) {}

MainWindowPresence::~MainWindowPresence() {
  if (lock_) lock_->unlock();
}

QString MainWindowPresence::Folder() const {
  QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (runtime.isEmpty()) runtime = QDir::tempPath();
  return runtime + QLatin1Char('/') + className_ + QStringLiteral(".windows");
}

bool MainWindowPresence::OthersExist() const {
  const QDir folder(Folder());
  const QString own = QString::number(QCoreApplication::applicationPid()) + QStringLiteral(".lock");
  for (const QString& name : folder.entryList({QStringLiteral("*.lock")}, QDir::Files)) {
    if (name == own) continue;
    // A mark whose process is gone is stale: taking it succeeds, and it is
    // removed. A live one cannot be taken.
    QLockFile mark(folder.filePath(name));
    mark.setStaleLockTime(0);
    if (!mark.tryLock(0)) {
      if (mark.error() == QLockFile::LockFailedError) return true;
      continue;
    }
    mark.unlock();
  }
  return false;
}

bool MainWindowPresence::Announce() {
  if (lock_) return true;
  if (!QDir().mkpath(Folder())) return false;
  auto lock = std::make_unique<QLockFile>(Folder() + QLatin1Char('/') +
                                          QString::number(QCoreApplication::applicationPid()) +
                                          QStringLiteral(".lock"));
  lock->setStaleLockTime(0);
  if (!lock->tryLock(0)) return false;
  lock_ = std::move(lock);
  return true;
}

}  // namespace velmora
