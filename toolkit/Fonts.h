// The shared fonts, created once at start-up and released at exit. The faces
// the windows ask for ("Small Fonts", "MS Sans Serif", "Arial", "Verdana")
// map onto the free faces of the desktop at the same pixel heights.
#pragma once

#include <QFont>
#include <string_view>

namespace velmora {

inline constexpr int kWeightNormal = 400;
inline constexpr int kWeightBold = 700;

// The desktop font for a face name, pixel height and weight (400 or 700).
// Arial maps to Liberation Sans, the others to DejaVu Sans; each falls back
// to the other.
QFont MapFont(std::string_view face, int pixelHeight, int weight = kWeightNormal);

void CreateSharedFonts();
void ReleaseSharedFonts();

// "Small Fonts", 9 pixels.
const QFont& SmallFont();
const QFont& SmallBoldFont();
// "MS Sans Serif", 11 pixels.
const QFont& NormalFont();
const QFont& BoldFont();
// "Arial", 12 pixels: titles.
const QFont& TitleFont();
// The font the window manager writes dialog captions in, rounded up: bold
// sans, 12 pixels (the desktop's title bar font is 8 or 9 points bold).
// Dialogs are made wide enough for their caption in it.
const QFont& CaptionFont();

}  // namespace velmora
