// The store's user flows answered by the suite's message boxes: numbered and
// literal texts go to InformationBox, refusals to Beep, and a long step shows
// the wait cursor.
#pragma once

#include "store/UserFlows.h"

class QWidget;

namespace velmora {

FlowUi MessageBoxFlowUi(QWidget* owner);

}  // namespace velmora
