#include "toolkit/Skin.h"

#include <QApplication>
#include <QDir>
#include <QResizeEvent>
#include <QWidget>
#include <algorithm>
#include <cctype>
#include <memory>

#include "store/Settings.h"
#include "toolkit/Bitmaps.h"
#include "toolkit/Resources.h"
#include "toolkit/BroadcastDispatch.h"

namespace velmora {

namespace {

constexpr const char* kSection = "Preference";

constexpr const char* kBitmapKeys[] = {
    "bmpTitle",          "bmpTitle_left",       "bmpTitle_right",      "bmpSubTitle",
    "bmpButtonMinimize_1", "bmpButtonMinimize_2", "bmpButtonMinimize_3",
    "bmpButtonRestore_1",  "bmpButtonRestore_2",  "bmpButtonRestore_3",
    "bmpButtonClose_1",    "bmpButtonClose_2",    "bmpButtonClose_3",
    "bmpResize",
};
static_assert(std::size(kBitmapKeys) == size_t(SkinBitmap::Count));

constexpr const char* kColourKeys[] = {
    "colorBack",  "colorBackUp",  "colorBackDown",  "colorTitle",     "colorTitleUp",    "colorTitleDown",
    "colorFrame", "colorFrameUp", "colorFrameDown", "colorTextTitle", "colorPanelFrame",
};
static_assert(std::size(kColourKeys) == size_t(SkinColour::Count));

// Built-in caption buttons, by button and state.
constexpr const char* kBuiltInButtons[3][3] = {
    {"minimize_button1.bmp", "minimize_button2.bmp", "minimize_button3.bmp"},
    {"maximize_button1.bmp", "maximize_button2.bmp", "maximize_button3.bmp"},
    {"close_button1.bmp", "close_button2.bmp", "close_button3.bmp"},
};

// Built-in pane-bar buttons, raised and down; a skin's folder may hold its
// own under the same names.
constexpr const char* kPaneButtons[2] = {"section_button_up.bmp", "section_button_down.bmp"};

std::unique_ptr<Skin>& LoadedSkin() {
  static std::unique_ptr<Skin> skin;
  return skin;
}

// One "%d": optional blanks, an optional sign, at least one digit. Values
// beyond the int range wrap as they would in a 32-bit scan.
bool ScanInt(std::string_view text, size_t& at, long long& value) {
  while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
  const size_t digits = at;
  unsigned long long magnitude = 0;
  while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
    magnitude = (magnitude * 10 + unsigned(text[at] - '0')) & 0xFFFFFFFFull;
    ++at;
  }
  if (at == digits) return false;
  value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
  return true;
}

int Modulo256(long long v) { return int(((v % 256) + 256) % 256); }

bool HasIniExtension(const QString& name) { return name.endsWith(QStringLiteral(".ini"), Qt::CaseInsensitive); }

}  // namespace

const char* SkinBitmapKey(SkinBitmap which) { return kBitmapKeys[size_t(which)]; }
const char* SkinColourKey(SkinColour which) { return kColourKeys[size_t(which)]; }

Skin::Skin() { colours.fill(QColor::fromRgb(kAbsentSkinColour)); }

const QImage& Skin::CaptionImage(CaptionButton button, ButtonState state) const {
  const size_t b = size_t(button), s = size_t(state);
  const QImage& own = bitmaps[size_t(SkinBitmap::Minimize1) + b * 3 + s];
  return own.isNull() ? BitmapImage(kBuiltInButtons[b][s]) : own;
}

const QImage& Skin::ResizeImage() const {
  const QImage& own = bitmap(SkinBitmap::Resize);
  return own.isNull() ? BitmapImage("resize.bmp") : own;
}

const QImage& Skin::PaneButtonImage(bool down) const {
  const QImage& own = paneButtons[down ? 1 : 0];
  return own.isNull() ? BitmapImage(kPaneButtons[down ? 1 : 0]) : own;
}

bool ParseSkinColour(std::string_view text, QColor& out) {
  long long rgb[3];
  size_t at = 0;
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      if (at >= text.size() || text[at] != ',') return false;
      ++at;
    }
    if (!ScanInt(text, at, rgb[i])) return false;
  }
  out = QColor(Modulo256(rgb[0]), Modulo256(rgb[1]), Modulo256(rgb[2]));
  return true;
}

std::string SkinsFolder() {
  std::string found = FindResource("Styles");
  return found.empty() ? ProgramFolder() + "/Styles" : found;
}

std::string CurrentSkinName() {
  std::string name;
  if (!ReadSettingText(SuiteSettingsPath(), kSection, "CurrSkin", name, 260)) name = kDefaultSkin;
  return name;
}

Skin LoadSkinFile(const std::string& skinsFolder, const std::string& fileName) {
  Skin skin;
  skin.fileName = fileName;
  // A skin names files inside its own folder only.
  if (fileName.empty() || fileName.find('/') != std::string::npos) return skin;
  const std::string path = skinsFolder + "/" + fileName;
  std::string folder;
  (void)ReadSettingText(path, kSection, "folder", folder, 260);
  const bool folderSafe = folder.find("..") == std::string::npos;
  const std::string bitmapFolder = skinsFolder + "/" + (folder.empty() ? "" : folder + "/");
  for (size_t i = 0; i < size_t(SkinBitmap::Count); ++i) {
    std::string value;
    if (!folderSafe || !ReadSettingText(path, kSection, kBitmapKeys[i], value, 260)) continue;
    // A file that cannot be loaded leaves the bitmap absent.
    skin.bitmaps[i] = WithTransparency(LoadBitmapFile(bitmapFolder + value).image);
  }
  // Only a skin with a folder of its own has pane-bar buttons of its own.
  for (size_t i = 0; folderSafe && !folder.empty() && i < skin.paneButtons.size(); ++i) {
    skin.paneButtons[i] = WithTransparency(LoadBitmapFile(bitmapFolder + kPaneButtons[i]).image);
  }
  for (size_t i = 0; i < size_t(SkinColour::Count); ++i) {
    std::string value;
    if (!ReadSettingText(path, kSection, kColourKeys[i], value)) continue;
    (void)ParseSkinColour(value, skin.colours[i]);
  }
  return skin;
}

const Skin& GetSkin() {
  auto& skin = LoadedSkin();
  if (!skin) skin = std::make_unique<Skin>(LoadSkinFile(SkinsFolder(), CurrentSkinName()));
  return *skin;
}

void ReloadSkin() {
  LoadedSkin().reset();
  (void)GetSkin();
}

void ApplySkinChange() {
  ReloadSkin();
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (!window->isVisible()) continue;
    // A same-size resize lets windows lay out again for the new frame.
    QResizeEvent relayout(window->size(), window->size());
    QCoreApplication::sendEvent(window, &relayout);
    window->update();
    for (QWidget* child : window->findChildren<QWidget*>()) child->update();
  }
}

std::vector<SkinEntry> ListSkins() {
  std::vector<SkinEntry> skins;
  const QDir folder(QString::fromStdString(SkinsFolder()));
  if (!folder.exists()) return skins;
  QStringList files = folder.entryList(QDir::Files | QDir::Readable, QDir::Name);
  for (const QString& file : files) {
    if (!HasIniExtension(file)) continue;
    std::string name;
    const std::string path = folder.filePath(file).toStdString();
    if (!ReadSettingText(path, kSection, "name", name, kSkinNameCapacity)) continue;
    skins.push_back(SkinEntry{name, file.toStdString()});
    if (skins.size() == kMaxSkins) break;
  }
  return skins;
}

Result ChooseSkin(const std::string& fileName) {
  if (Result written = WriteSettingText(SuiteSettingsPath(), kSection, "CurrSkin", fileName); !written.ok()) {
    return written;
  }
  PostSuiteBroadcast(kBroadcastSkin, 0);
  return Result::Ok();
}

}  // namespace velmora
