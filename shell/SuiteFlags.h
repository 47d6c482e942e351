// The process-wide switches read at start-up from "Velmora.ini": the
// animation and splash flags (the sound flag belongs to the sound player).
// At start-up only the exact value "0" turns a switch off.
#pragma once

namespace velmora {

// Reads "Annimation" and "Splash" of section "Preference" again.
void LoadStartupFlags();

bool AnimationFlag();  // loaded on first use
void SetAnimationFlag(bool on);
bool SplashFlag();     // loaded on first use
void SetSplashFlag(bool on);

}  // namespace velmora
