// The suite broadcast "TESSEL_UNIQUE_MSG201270": how the running programs of
// the suite tell each other that the general options (100) or the skin (101)
// changed. It travels as a D-Bus signal on the session bus with the two
// parameters; the second names the sending main window across processes
// (WindowSenderId). Without a session bus nothing is sent or received and the
// program works on.
#pragma once

#include <QDBusConnection>
#include <QObject>

class QDBusMessage;

namespace velmora {

class DBusBroadcast : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kPath = "/org/velmora/Suite";
  static constexpr const char* kInterface = "org.velmora.Suite";
  static constexpr const char* kName = "TESSEL_UNIQUE_MSG201270";

  // On the session bus.
  explicit DBusBroadcast(QObject* parent = nullptr);
  // On a given bus (tests use a private one).
  explicit DBusBroadcast(const QDBusConnection& bus, QObject* parent = nullptr);

  // True when a bus carries the broadcast.
  bool connected() const { return listening_; }

  // Sends (what, sender) to every other program of the suite. False when
  // there is no bus.
  bool send(int what, qint64 sender);
  // The same, returning only once the bus has the message: for a process
  // that leaves right after sending.
  bool sendAndWait(int what, qint64 sender);

  // A sender value unique across processes: the process id in the high 32
  // bits and the window's id in the low 32.
  static qint64 WindowSenderId(quintptr windowId);

 signals:
  // Broadcasts of other processes; those of this process's own bus
  // connection (its own) are not reported.
  void received(int what, qint64 sender);

 private slots:
  void onMessage(const QDBusMessage& message);

 private:
  QDBusConnection bus_;
  bool listening_ = false;
};

}  // namespace velmora
