// The suite broadcast: how the programs of the suite tell each other that the
// general options (100) or the skin (101) changed. The toolkit posts it
// through the broadcaster the shell installs (which reaches every running
// program); without one, only this process hears it.
#pragma once

#include <QtGlobal>
#include <functional>

namespace velmora {

inline constexpr int kBroadcastOptions = 100;
inline constexpr int kBroadcastSkin = 101;

using SuiteBroadcaster = std::function<void(int what, qintptr sender)>;

// Installs the broadcaster; an empty one restores the in-process default.
void SetSuiteBroadcaster(SuiteBroadcaster broadcaster);
// Sends the broadcast (asynchronously for its receivers).
void PostSuiteBroadcast(int what, qintptr sender);

// What the toolkit does when a broadcast arrives: 100 re-reads the sound
// switch and restarts the refresh timer with the current period; 101 reloads
// the skin and repaints every top-level window. The shell calls this from its
// receiver (after its own checks, such as ignoring its own options message).
void HandleSuiteBroadcast(int what, qintptr sender);

}  // namespace velmora
