// Bitmaps of the interface: resources named by their file names
// ("window_title.bmp") or by number (2000), compiled into the programs, and
// bitmap files read from disk for skins. A program may carry its own version
// of a resource (the calendar's icon 2019 shows a repeat, the address book's
// a picture); shared code asks by name or number and gets the running
// program's version.
#pragma once

#include <QColor>
#include <QCursor>
#include <QImage>
#include <QString>
#include <string>
#include <string_view>

class QPainter;

namespace velmora {

// Pixels of this colour are transparent in every bitmap.
inline constexpr QRgb kTransparentRgb = 0xFFFF00FFu;  // magenta (255, 0, 255)

inline const char* const kErrorNoResource = "Unable to find resource";
inline const char* const kErrorBadFormat = "Bad file format";

struct BitmapLoad {
  QImage image;   // null on failure
  QString error;  // one of the two texts above on failure
  bool ok() const { return !image.isNull(); }
};

// Registers the compiled-in resources (bitmaps, cursors, sounds); every
// loader calls it, others may too.
void RegisterCompiledResources();

// Decodes bitmap file data: "Bad file format" unless it starts with "BM" and
// decodes.
BitmapLoad DecodeBitmap(const QByteArray& data);
BitmapLoad LoadBitmapResource(std::string_view name);
BitmapLoad LoadBitmapResource(int number);
BitmapLoad LoadBitmapFile(const std::string& path);

// The image with its magenta pixels made transparent.
QImage WithTransparency(const QImage& image);

// The resource ready to draw (magenta already transparent), loaded once and
// kept; a null image when it cannot be loaded.
const QImage& BitmapImage(std::string_view name);
const QImage& BitmapImage(int number);

// The named cursor ("CUR_DRAG_TRUE", "CUR_DRAG_TRUE_COPY", "CUR_DRAG_STOP",
// "CUR_HAND1"); a standard cursor of the same meaning when it is missing.
QCursor LoadCursorResource(std::string_view name);

// Draws image stretched over rect: the way title bars and strips are drawn
// from a narrow bitmap (without smoothing, so edges stay crisp).
void DrawStretched(QPainter& painter, const QRect& rect, const QImage& image);

}  // namespace velmora
