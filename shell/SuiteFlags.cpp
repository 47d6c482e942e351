#include "shell/SuiteFlags.h"

#include "store/Settings.h"

namespace velmora {

namespace {
struct Flags {
  bool loaded = false;
  bool animation = true;
  bool splash = true;
};

Flags& State() {
  static Flags flags;
  return flags;
}

Flags& Loaded() {
  if (!State().loaded) LoadStartupFlags();
  return State();
}
}  // namespace

void LoadStartupFlags() {
  const std::string suite = SuiteSettingsPath();
  State().animation = ReadSettingSwitch(suite, "Preference", "Annimation");
  State().splash = ReadSettingSwitch(suite, "Preference", "Splash");
  State().loaded = true;
}

bool AnimationFlag() { return Loaded().animation; }

void SetAnimationFlag(bool on) {
  Loaded().animation = on;
}

bool SplashFlag() { return Loaded().splash; }

void SetSplashFlag(bool on) { Loaded().splash = on; }

}  // namespace velmora
