// The record-file commands' flows answered by the suite's message boxes:
// numbered and literal texts go to InformationBox, refusals to Beep, sounds
// to the sound player, and a long step shows the wait cursor. said, when
// given, is set once the user was told something (a box or a beep).
#pragma once

#include "shell/RecordFileCommands.h"

class QWidget;

namespace velmora {

FlowUi MessageBoxFlowUi(QWidget* owner, bool* said = nullptr);

}  // namespace velmora
