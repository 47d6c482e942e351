// One running instance per program: a lock file "TesselWndApp_<name>.lock"
// in the user's runtime folder, held for the life of the process. A lock left
// by a process that no longer runs is taken over.
#pragma once

#include <QLockFile>
#include <QString>

namespace velmora {

class SingleInstanceLock {
 public:
  explicit SingleInstanceLock(const QString& lockPath);
  ~SingleInstanceLock();
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  // True when this object now holds the lock (at once; never waits).
  bool TryAcquire();
  bool held() const { return lock_.isLocked(); }
  QLockFile::LockError error() const { return lock_.error(); }

  // "<runtime folder>/TesselWndApp_<applicationName>.lock"
  static QString PathFor(const QString& applicationName);

 private:
  QLockFile lock_;
};

// For the program's entry point (started without a file): true when no
// other instance of applicationName runs; the lock is then held until the
// process ends. False when another instance holds it or the lock cannot be
// made; the program then leaves at once.
bool AcquireSingleInstance(const QString& applicationName);

}  // namespace velmora
