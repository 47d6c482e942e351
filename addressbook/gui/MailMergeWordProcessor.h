// The word processor's actions of the mail merge ("Create new template",
// "Edit template" and the merge at the end of a job) run off the window
// thread: LibreOffice takes seconds, and on its first start a quarter of a
// minute, and the windows keep painting meanwhile. A progress window with
// "Cancel" stands over the owner while the action runs; "Cancel" ends the
// office at once with everything it started.
#pragma once

#include <QString>
#include <functional>

#include "addressbook/mailmerge/LibreOfficeWriter.h"
#include "addressbook/mailmerge/WordProcessorMerge.h"
#include "store/Result.h"

class QWidget;

namespace velmora {

// What the progress window says while each action runs (short enough for
// its one line).
inline constexpr const char* kCreatingTemplateText = "Creating the letter template...";
inline constexpr const char* kEditingTemplateText = "Preparing the letter template...";
inline constexpr const char* kMergingLettersText = "Merging the letters...";

using WordProcessorAction = std::function<Result(WordProcessorMerge& merge)>;

// Runs action on a worker thread with a WordProcessorMerge over a writer of
// setup (its cancel flag and step callback set here), while the progress
// window shows the office's steps over owner and lets the other windows
// paint. The message boxes the action asks for are shown over owner on the
// window thread once it has ended, in their order (a failed step with its
// caption and the warning icon, a note captioned "Velmora" with the
// information icon). Returns the action's result; after "Cancel" the
// action's result for a cancelled run (mailmerge::kWriterCancelled).
Result RunWordProcessorAction(QWidget* owner, const QString& text, WriterSetup setup, const WordProcessorAction& action,
                              DocumentOpener open = OpenMergedDocument);

}  // namespace velmora
