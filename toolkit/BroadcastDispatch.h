// Where the toolkit posts the suite broadcast (the general options, 100, or
// the skin, 101, changed). The program installs a broadcaster that reaches
// every running program of the suite; without one the broadcast is
// dispatched in this process only: 100 re-reads the sound switch and
// restarts the refresh timer, 101 reloads the skin and repaints every
// top-level window.
#pragma once

#include <QtGlobal>
#include <functional>

namespace velmora {

inline constexpr int kBroadcastOptions = 100;
inline constexpr int kBroadcastSkin = 101;

using SuiteBroadcaster = std::function<void(int what, qintptr sender)>;

// Installs the broadcaster and returns the one before; an empty one restores
// the in-process default.
SuiteBroadcaster SetSuiteBroadcaster(SuiteBroadcaster broadcaster);
// Sends the broadcast (asynchronously for its receivers).
void PostSuiteBroadcast(int what, qintptr sender);

}  // namespace velmora
