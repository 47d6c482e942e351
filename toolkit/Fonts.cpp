#include "toolkit/Fonts.h"

#include <QStringList>
#include <algorithm>
#include <cctype>
#include <array>
#include <memory>

namespace velmora {

namespace {
enum FontIndex { kSmall, kSmallBold, kNormal, kBold, kTitle, kCaption, kFontCount };

std::unique_ptr<std::array<QFont, kFontCount>>& Fonts() {
  static std::unique_ptr<std::array<QFont, kFontCount>> fonts;
  return fonts;
}

const QFont& Shared(FontIndex index) {
  if (!Fonts()) CreateSharedFonts();
  return (*Fonts())[index];
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}
}  // namespace

QFont MapFont(std::string_view face, int pixelHeight, int weight) {
  QFont font;
  if (EqualsIgnoringCase(face, "Arial")) {
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
  } else {
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
  }
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(std::max(1, pixelHeight));
  font.setWeight(weight >= kWeightBold ? QFont::Bold : QFont::Normal);
  // Small sizes read better without sub-pixel positioning.
  font.setHintingPreference(QFont::PreferFullHinting);
  return font;
}

void CreateSharedFonts() {
  if (Fonts()) return;
  auto fonts = std::make_unique<std::array<QFont, kFontCount>>();
  (*fonts)[kSmall] = MapFont("Small Fonts", 9, kWeightNormal);
  (*fonts)[kSmallBold] = MapFont("Small Fonts", 9, kWeightBold);
  (*fonts)[kNormal] = MapFont("MS Sans Serif", 11, kWeightNormal);
  (*fonts)[kBold] = MapFont("MS Sans Serif", 11, kWeightBold);
  (*fonts)[kTitle] = MapFont("Arial", 12, kWeightBold);
  (*fonts)[kCaption] = MapFont("MS Sans Serif", 12, kWeightBold);
  Fonts() = std::move(fonts);
}

void ReleaseSharedFonts() { Fonts().reset(); }

const QFont& SmallFont() { return Shared(kSmall); }
const QFont& SmallBoldFont() { return Shared(kSmallBold); }
const QFont& NormalFont() { return Shared(kNormal); }
const QFont& BoldFont() { return Shared(kBold); }
const QFont& TitleFont() { return Shared(kTitle); }
const QFont& CaptionFont() { return Shared(kCaption); }

}  // namespace velmora
