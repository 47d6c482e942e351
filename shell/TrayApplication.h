// The suite's tray application "Velmora": a program of its own that rings
// the calendars' alarms while the calendar's window is closed. It is
// running when it owns its name on the session bus; it is started as the
// program "Velmora" found on the PATH or beside this program. Its absence is
// never an error.
#pragma once

#include <QDBusConnection>
#include <QString>
#include <string>

#include "store/Result.h"

namespace velmora {

inline constexpr const char* kTrayBusName = "org.velmora.Tray";
inline constexpr const char* kTrayProgram = "Velmora";
// The file name of its desktop entry, and of its autostart entry.
inline constexpr const char* kTrayDesktopFile = "org.velmora.Tray.desktop";

// The bus the tray application owns its name on: the session bus, unless
// another was installed (a private bus of the tests).
QDBusConnection TrayBus();
// Installs bus as the one TrayBus() answers; ResetTrayBus() brings the
// session bus back.
void SetTrayBus(const QDBusConnection& bus);
void ResetTrayBus();

bool TrayApplicationRunning();
// The installed program: on the PATH, else beside this program; empty when
// it is in neither place.
QString TrayProgramPath();
// Starts it detached; false when it could not be found or started.
bool StartTrayApplication();

// The autostart entry that starts it at login:
// "$XDG_CONFIG_HOME/autostart/org.velmora.Tray.desktop".
QString TrayAutostartPath();
bool TrayAutostartExists();
// The entry's text, starting program (an absolute path).
std::string TrayAutostartEntry(const QString& program);
// Writes the entry (through the suite's output routine) for the installed
// program; fails when the program cannot be found or the file not written.
Result WriteTrayAutostart();
Result WriteTrayAutostart(const QString& program);
// Removes it; ok when there was none.
Result RemoveTrayAutostart();

}  // namespace velmora
