#include "tray/TrayProgram.h"

#include <QApplication>
#include <QDBusConnectionInterface>
#include <QSocketNotifier>
#include <QDeadlineTimer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

#include "shell/SingleInstance.h"
#include "shell/TrayApplication.h"
#include "tray/TrayMenu.h"
#include "tray/TrayReminders.h"

namespace velmora {

const char* const kTrayUsage =
    "Usage: Velmora\n"
    "       Velmora --help | --version\n"
    "Velmora reminders: rings the alarms of your calendars (the one Almanor\n"
    "opened last and those added in its settings) as desktop notifications,\n"
    "with an icon in the desktop's tray. One runs per user.\n";

namespace {

// How long a tray may take to come up before its absence is told, how
// often it is looked for, and for how long.
constexpr int kTrayGraceMs = 5 * 1000;
constexpr int kTrayPollMs = 1000;
constexpr int kTrayWaitMs = 3 * 60 * 1000;

int gSignalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
  const char byte = 1;
  // Only a write, which is safe in a signal handler; the loop does the rest.
  (void)!::write(gSignalPipe[1], &byte, 1);
}

// Ends the event loop on SIGTERM, SIGINT and SIGHUP, so the program leaves
// as "Quit" does.
void QuitOnTerminationSignals(QObject* owner) {
  if (gSignalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, owner);
  QObject::connect(notifier, &QSocketNotifier::activated, owner, [] {
    char byte;
    (void)!::read(gSignalPipe[0], &byte, 1);
    QCoreApplication::quit();
  });
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

}  // namespace

TrayClaim ClaimTrayName(const QDBusConnection& bus) {
  if (!bus.isConnected() || !bus.interface()) return TrayClaim::NoBus;
  const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus.interface()->registerService(
      QString::fromLatin1(kTrayBusName), QDBusConnectionInterface::DontQueueService,
      QDBusConnectionInterface::DontAllowReplacement);
  if (!reply.isValid()) return TrayClaim::NoBus;
  return reply.value() == QDBusConnectionInterface::ServiceRegistered ? TrayClaim::Owned : TrayClaim::Taken;
}

int RunTrayProgram(const QDBusConnection& sessionBus, const QDBusConnection& systemBus) {
  switch (ClaimTrayName(sessionBus)) {
    case TrayClaim::Owned:
      break;
    case TrayClaim::Taken:
      std::fputs("Velmora reminders run already.\n", stderr);
      return 0;
    case TrayClaim::NoBus:
      // Nobody could see a name: the lock file keeps it to one all the same.
      if (!AcquireSingleInstance(QString::fromLatin1(kTrayProgram))) {
        std::fputs("Velmora reminders run already.\n", stderr);
        return 0;
      }
      break;
  }
  QApplication::setQuitOnLastWindowClosed(false);
  QObject lifetime;
  QuitOnTerminationSignals(&lifetime);
  TrayReminders reminders(sessionBus, systemBus);
  const bool trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
  TrayMenu menu(reminders, trayAvailable);
  QObject::connect(&menu, &TrayMenu::quitRequested, qApp, &QCoreApplication::quit);
  // At login the panel with the tray may come up after this program: the
  // icon goes in when it does. Only a tray still missing after a few
  // seconds is told (once); the icon still goes in if one comes later.
  QTimer trayWatch;
  if (!trayAvailable) {
    const QDeadlineTimer tellAfter(kTrayGraceMs);
    const QDeadlineTimer giveUpAfter(kTrayWaitMs);
    trayWatch.setInterval(kTrayPollMs);
    QObject::connect(&trayWatch, &QTimer::timeout, &lifetime, [&, tellAfter, giveUpAfter] {
      if (QSystemTrayIcon::isSystemTrayAvailable()) {
        menu.ShowIcon();
        trayWatch.stop();
        return;
      }
      if (tellAfter.hasExpired()) reminders.TellNoIcon();
      if (giveUpAfter.hasExpired()) trayWatch.stop();
    });
    trayWatch.start();
  }
  reminders.Start();
  const int code = QApplication::exec();
  if (sessionBus.isConnected() && sessionBus.interface()) {
    sessionBus.interface()->unregisterService(QString::fromLatin1(kTrayBusName));
  }
  return code;
}

}  // namespace velmora
