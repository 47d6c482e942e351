#include "toolkit/BroadcastDispatch.h"

#include <QCoreApplication>
#include <QTimer>
#include <utility>

#include "toolkit/RefreshTimer.h"
#include "toolkit/Skin.h"
#include "toolkit/SoundPlayer.h"

namespace velmora {

namespace {
SuiteBroadcaster& Broadcaster() {
  static SuiteBroadcaster broadcaster;
  return broadcaster;
}

void DispatchInProcess(int what) {
  if (what == kBroadcastOptions) {
    SoundPlayer::Instance().ReloadSwitch();
    RestartRefreshTimer();
  } else if (what == kBroadcastSkin) {
    ApplySkinChange();
  }
}
}  // namespace

SuiteBroadcaster SetSuiteBroadcaster(SuiteBroadcaster broadcaster) {
  return std::exchange(Broadcaster(), std::move(broadcaster));
}

void PostSuiteBroadcast(int what, qintptr sender) {
  if (Broadcaster()) {
    Broadcaster()(what, sender);
    return;
  }
  if (QCoreApplication* app = QCoreApplication::instance()) {
    QTimer::singleShot(0, app, [what] { DispatchInProcess(what); });
  }
}

}  // namespace velmora
