#include "toolkit/RefreshTimer.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

#include "store/Refresh.h"

namespace velmora {

namespace {
QTimer* Timer(bool create) {
  static QPointer<QTimer> timer;
  if (!timer && create && QCoreApplication::instance()) {
    timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, [] { PollRefresh(); });
  }
  return timer.data();
}
}  // namespace

void StartRefreshTimer() {
  QTimer* timer = Timer(true);
  if (timer && !timer->isActive()) timer->start(RefreshPeriodSeconds() * 1000);
}

void RestartRefreshTimer() {
  QTimer* timer = Timer(true);
  if (!timer) return;
  timer->stop();
  timer->start(RefreshPeriodSeconds() * 1000);
}

bool RefreshTimerRunning() {
  QTimer* timer = Timer(false);
  return timer && timer->isActive();
}

int RefreshTimerInterval() { return RefreshTimerRunning() ? Timer(false)->interval() : 0; }

}  // namespace velmora
