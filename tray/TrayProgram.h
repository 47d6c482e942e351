// The tray program's life: one instance per user (it owns the bus name
// "org.velmora.Tray"; without a session bus, a lock file in the runtime
// folder), the reminders, the icon and its menu, and a clean end on
// "Quit", SIGTERM, SIGINT and SIGHUP (the calendars are closed in between
// checks, so nothing is left open).
#pragma once

#include <QDBusConnection>

namespace velmora {

enum class TrayClaim {
  Owned,   // this process now owns the name
  Taken,   // another process owns it: this one leaves
  NoBus,   // no bus to own it on
};
// Claims the tray's name on bus without queueing for it and without taking
// it from its owner.
TrayClaim ClaimTrayName(const QDBusConnection& bus);

// The usage "Velmora --help" prints.
extern const char* const kTrayUsage;

// Runs the tray program in an existing QApplication until it quits; the
// exit code.
int RunTrayProgram(const QDBusConnection& sessionBus, const QDBusConnection& systemBus);

}  // namespace velmora
