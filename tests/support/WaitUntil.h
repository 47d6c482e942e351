// Waiting in a window test: the event loop runs until a condition holds or
// the time is up, so posted commands, timers and other processes can act.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <functional>

namespace velmora::testing {

// Runs the event loop until condition() is true; false when it still is not
// after timeoutMs milliseconds.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 5000) {
  const QDeadlineTimer deadline(timeoutMs);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QThread::msleep(5);
  }
  return true;
}

// Runs the event loop for milliseconds, whatever happens.
inline void RunEventsFor(int milliseconds) {
  const QDeadlineTimer deadline(milliseconds);
  while (!deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(5);
  }
}

}  // namespace velmora::testing
