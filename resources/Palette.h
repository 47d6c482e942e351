// The suite's own colours as 0xAARRGGBB numbers: one palette for the
// self-drawn widgets and for the artwork generator, so that everything looks
// made by one hand. Plain numbers without Qt, so that the toolkit and the
// generator below it share them.
#pragma once

#include <cstdint>

namespace velmora::look {

inline constexpr std::uint32_t kInk = 0xFF2B3440;          // text and outlines
inline constexpr std::uint32_t kSteelDark = 0xFF5E6A7C;    // shadows, borders
inline constexpr std::uint32_t kSteel = 0xFF8A96A8;        // mid tones
inline constexpr std::uint32_t kSteelLight = 0xFFBEC4D0;   // raised edges
inline constexpr std::uint32_t kSilver = 0xFFD4D2DA;       // window background (212, 210, 218)
inline constexpr std::uint32_t kPaper = 0xFFF6F6F9;        // list and field background
inline constexpr std::uint32_t kWhite = 0xFFFFFFFF;
inline constexpr std::uint32_t kAccent = 0xFF2F6FD0;       // selection, focus
inline constexpr std::uint32_t kAccentDark = 0xFF1F4E9A;
inline constexpr std::uint32_t kAccentLight = 0xFF7FB0F0;
inline constexpr std::uint32_t kAccentPale = 0xFFD6E4F8;   // selection without focus, hover
inline constexpr std::uint32_t kRed = 0xFFD0453A;
inline constexpr std::uint32_t kGreen = 0xFF3C9A4A;
inline constexpr std::uint32_t kAmber = 0xFFE5A630;
inline constexpr std::uint32_t kLink = 0xFF4040FF;         // (64, 64, 255)

}  // namespace velmora::look
