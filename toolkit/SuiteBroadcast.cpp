#include "toolkit/SuiteBroadcast.h"

#include <QCoreApplication>
#include <QTimer>

#include "toolkit/RefreshTimer.h"
#include "toolkit/Skin.h"
#include "toolkit/SoundPlayer.h"

namespace velmora {

namespace {
SuiteBroadcaster& Broadcaster() {
  static SuiteBroadcaster broadcaster;
  return broadcaster;
}
}  // namespace

void SetSuiteBroadcaster(SuiteBroadcaster broadcaster) { Broadcaster() = std::move(broadcaster); }

void PostSuiteBroadcast(int what, qintptr sender) {
  if (Broadcaster()) {
    Broadcaster()(what, sender);
    return;
  }
  if (QCoreApplication* app = QCoreApplication::instance()) {
    QTimer::singleShot(0, app, [what, sender] { HandleSuiteBroadcast(what, sender); });
  }
}

void HandleSuiteBroadcast(int what, qintptr) {
  if (what == kBroadcastOptions) {
    SoundPlayer::Instance().ReloadSwitch();
    RestartRefreshTimer();
  } else if (what == kBroadcastSkin) {
    ApplySkinChange();
  }
}

}  // namespace velmora
