// The calendars the tray program watches: the file the calendar program
// opened last ("DefaulFile" of "Almanor.ini"), then the ones the person
// added in the tray's settings dialog (section "Tray" of "Velmora.ini",
// "Calendars" the count and "Calendar1" ... the paths). Read when needed,
// never cached, so a file Almanor opens is watched from the next check on.
#pragma once

#include <string>
#include <vector>

#include "store/Result.h"

namespace velmora {

inline constexpr const char* kTraySection = "Tray";
// The most calendars the settings dialog keeps.
inline constexpr int kMostAddedCalendars = 50;

// The calendar program's last file; empty when it has none.
std::string AlmanorLastFile();
// The calendars added in the settings dialog, in their order.
std::vector<std::string> AddedCalendars();
// Stores the added calendars (all at once; on failure nothing changes).
Result SaveAddedCalendars(const std::vector<std::string>& paths);
// Almanor's last file first, then the added ones; each path once.
std::vector<std::string> WatchedCalendars();

}  // namespace velmora
