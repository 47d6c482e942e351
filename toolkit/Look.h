// The toolkit's own colours: one palette for the self-drawn widgets and the
// artwork (the artwork generator draws with the same values), so that
// everything looks made by one hand. Colours that a window is given at
// construction, or that come from the skin, take precedence.
#pragma once

#include <QColor>

namespace velmora::look {

inline constexpr QRgb kInk = 0xFF2B3440;          // text and outlines
inline constexpr QRgb kSteelDark = 0xFF5E6A7C;    // shadows, borders
inline constexpr QRgb kSteel = 0xFF8A96A8;        // mid tones
inline constexpr QRgb kSteelLight = 0xFFBEC4D0;   // raised edges
inline constexpr QRgb kSilver = 0xFFD4D2DA;       // window background (212, 210, 218)
inline constexpr QRgb kPaper = 0xFFF6F6F9;        // list and field background
inline constexpr QRgb kWhite = 0xFFFFFFFF;
inline constexpr QRgb kAccent = 0xFF2F6FD0;       // selection, focus
inline constexpr QRgb kAccentDark = 0xFF1F4E9A;
inline constexpr QRgb kAccentLight = 0xFF7FB0F0;
inline constexpr QRgb kAccentPale = 0xFFD6E4F8;   // selection without focus, hover
inline constexpr QRgb kRed = 0xFFD0453A;
inline constexpr QRgb kGreen = 0xFF3C9A4A;
inline constexpr QRgb kAmber = 0xFFE5A630;
inline constexpr QRgb kLink = 0xFF4040FF;         // (64, 64, 255)

inline QColor Colour(QRgb rgb) { return QColor::fromRgba(rgb); }

}  // namespace velmora::look
