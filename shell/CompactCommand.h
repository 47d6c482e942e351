// The windows of compaction: the progress window and messages that
// CheckAndCompact reports through, and the command "Co&mpact...".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "store/Compact.h"

class QWidget;

namespace velmora {

// Messages go to the suite's information box, progress to a
// CompactProgressWindow over owner; the end gives the focus back to owner.
CompactUi MakeCompactUi(QWidget* owner);

// Compacts path at the user's request: the access-denied message when
// anybody has it open (this program included), else CheckAndCompact with
// force; with withHistory "<path>.history" too when it exists. 1 when
// compacted.
int CompactNamedFile(QWidget* owner, const std::string& path, bool withHistory = false);

// "Co&mpact...": a record file chosen in the open dialog, then
// CompactNamedFile. The path when it was compacted, else nothing.
std::optional<std::string> RunCompactCommand(QWidget* owner, std::string_view filter, std::string_view extension,
                                             bool withHistory = false);

}  // namespace velmora
