// The opening effect of dialogs: a rectangle outline as wide as the dialog
// that grows downwards from its top edge in steps of 20 pixels, each step
// shown for about 5 ms and then erased. The caller decides whether the
// animation is wanted.
#pragma once

#include <QRect>
#include <vector>

namespace velmora {

// The outlines drawn one after the other for a dialog at screenRect.
std::vector<QRect> OpeningEffectSteps(const QRect& screenRect);
// Draws them over the screen and returns when done.
void PlayOpeningEffect(const QRect& screenRect);

}  // namespace velmora
