// Skins: the look of the main window's frame, read from "*.ini" files in the
// "Styles" folder. The current skin is a suite-wide choice ("CurrSkin" in
// "Velmora.ini"); it is loaded once and kept until a skin change.
#pragma once

#include <QColor>
#include <QImage>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "store/Result.h"

namespace velmora {

inline constexpr const char* kDefaultSkin = "1_Metallic.ini";
inline constexpr size_t kMaxSkins = 500;
inline constexpr size_t kSkinNameCapacity = 255;  // 254 characters
// Every colour whose key is absent: red 5, green 0, blue 0.
inline constexpr QRgb kAbsentSkinColour = 0xFF050000u;

enum class SkinBitmap {
  Title, TitleLeft, TitleRight, SubTitle,
  Minimize1, Minimize2, Minimize3,
  Restore1, Restore2, Restore3,
  Close1, Close2, Close3,
  Resize,
  Count
};

enum class SkinColour {
  Back, BackUp, BackDown,
  Title, TitleUp, TitleDown,
  Frame, FrameUp, FrameDown,
  TextTitle, PanelFrame,
  Count
};

// The key of each item in section "Preference" of a skin file.
const char* SkinBitmapKey(SkinBitmap which);
const char* SkinColourKey(SkinColour which);

// The caption buttons and their three states (normal, under the mouse,
// pressed).
enum class CaptionButton { Minimize, Restore, Close };
enum class ButtonState { Normal = 0, Hover = 1, Pressed = 2 };

struct Skin {
  std::string fileName;
  std::array<QImage, size_t(SkinBitmap::Count)> bitmaps;  // null: absent
  std::array<QColor, size_t(SkinColour::Count)> colours;
  // The pane bar's buttons, raised and down (null: absent). The skin file
  // has no keys for them: a skin's bitmap folder holds them under the
  // built-in names "section_button_up.bmp" and "section_button_down.bmp".
  std::array<QImage, 2> paneButtons;

  Skin();
  const QImage& bitmap(SkinBitmap which) const { return bitmaps[size_t(which)]; }
  QColor colour(SkinColour which) const { return colours[size_t(which)]; }
  // The skin's caption button, or the built-in one when the skin has none.
  const QImage& CaptionImage(CaptionButton button, ButtonState state) const;
  // The skin's resize grip, or the built-in one.
  const QImage& ResizeImage() const;
  // The pane bar's section button (down: the current pane's): the skin's
  // own, or the built-in one.
  const QImage& PaneButtonImage(bool down) const;
};

struct SkinEntry {
  std::string name;      // at most 254 bytes
  std::string fileName;  // the file's name, without folder
};

// "r,g,b" (decimal, as "%d,%d,%d" reads it), each component modulo 256.
// False, and out untouched, unless all three numbers are there.
bool ParseSkinColour(std::string_view text, QColor& out);

// The "Styles" folder of the resource folders (the program folder's when
// none has one).
std::string SkinsFolder();
// "CurrSkin" of "Velmora.ini"; "1_Metallic.ini" when unset.
std::string CurrentSkinName();

// Reads one skin file; a missing file gives the empty skin (every bitmap
// absent, every colour red 5).
Skin LoadSkinFile(const std::string& skinsFolder, const std::string& fileName);

// The loaded current skin, loading it on first use.
const Skin& GetSkin();
// Frees the loaded skin and loads the current one again.
void ReloadSkin();
// Reloads the skin and repaints every top-level window (the broadcast 101).
void ApplySkinChange();

// The skins offered to the user: files "*.ini" of the skins folder that have
// a "name", at most 500, ordered by file name.
std::vector<SkinEntry> ListSkins();
// Makes fileName the current skin of the suite: writes "CurrSkin" and posts
// the broadcast 101; the failure when "CurrSkin" could not be written.
Result ChooseSkin(const std::string& fileName);

}  // namespace velmora
