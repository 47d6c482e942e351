// The refresh timer (number 100) of the record lists: every "NetworkRefresh"
// seconds it lets every registered list notice other users' changes.
#pragma once

namespace velmora {

// Starts the timer when it does not run yet. List views call this when they
// get a store.
void StartRefreshTimer();
// Stops the timer and starts it again with the period read now.
void RestartRefreshTimer();
bool RefreshTimerRunning();
int RefreshTimerInterval();  // milliseconds; 0 when not running

}  // namespace velmora
