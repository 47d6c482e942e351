// The suite's tray application, a separate program outside this system. It
// is running when it owns its name on the session bus; it is started as the
// program "velmora-tray" found on the PATH or beside this program. Its
// absence is never an error.
#pragma once

namespace velmora {

inline constexpr const char* kTrayBusName = "org.velmora.Tray";
inline constexpr const char* kTrayProgram = "velmora-tray";

bool TrayApplicationRunning();
// Starts it detached; false when it could not be found or started.
bool StartTrayApplication();

}  // namespace velmora
