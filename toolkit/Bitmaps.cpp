#include "toolkit/Bitmaps.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <mutex>

#include "resources/Strings.h"

// The compiled-in resources live in a static library; this pulls them in.
static void InitToolkitResources() { Q_INIT_RESOURCE(velmora_resources); }

namespace velmora {

namespace {

QString ResourcePath(const QString& key) {
  RegisterCompiledResources();
  const QString own = CurrentProgram() == Program::Almanor ? QStringLiteral(":/bmp/almanor/") + key : QString();
  if (!own.isEmpty() && QFile::exists(own)) return own;
  const QString shared = QStringLiteral(":/bmp/") + key;
  return QFile::exists(shared) ? shared : QString();
}

BitmapLoad LoadFromPath(const QString& path) {
  QFile file(path);
  if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) return BitmapLoad{{}, QString::fromLatin1(kErrorNoResource)};
  return DecodeBitmap(file.readAll());
}

struct CursorInfo {
  const char* name;
  int hotX, hotY;
  Qt::CursorShape fallback;
};
constexpr CursorInfo kCursors[] = {
    {"CUR_DRAG_TRUE", 1, 1, Qt::DragMoveCursor},
    {"CUR_DRAG_TRUE_COPY", 1, 1, Qt::DragCopyCursor},
    {"CUR_DRAG_STOP", 1, 1, Qt::ForbiddenCursor},
    {"CUR_HAND1", 8, 1, Qt::PointingHandCursor},
};

}  // namespace

void RegisterCompiledResources() {
  static std::once_flag once;
  std::call_once(once, [] { InitToolkitResources(); });
}

BitmapLoad DecodeBitmap(const QByteArray& data) {
  BitmapLoad result;
  if (data.size() < 2 || data[0] != 'B' || data[1] != 'M') {
    result.error = QString::fromLatin1(kErrorBadFormat);
    return result;
  }
  result.image = QImage::fromData(data, "BMP");
  if (result.image.isNull()) result.error = QString::fromLatin1(kErrorBadFormat);
  return result;
}

BitmapLoad LoadBitmapResource(std::string_view name) {
  const QString key = QString::fromUtf8(name.data(), qsizetype(name.size())).toLower();
  return LoadFromPath(ResourcePath(key));
}

BitmapLoad LoadBitmapResource(int number) { return LoadFromPath(ResourcePath(QString::number(number))); }

BitmapLoad LoadBitmapFile(const std::string& path) {
  return LoadFromPath(QString::fromStdString(path));
}

QImage WithTransparency(const QImage& image) {
  if (image.isNull()) return image;
  QImage out = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      if ((line[x] | 0xFF000000u) == kTransparentRgb) line[x] = 0;
    }
  }
  return out.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

const QImage& BitmapImage(std::string_view name) {
  static QHash<QString, QImage> cache;
  const QString key = QString::fromUtf8(name.data(), qsizetype(name.size())).toLower() +
                      (CurrentProgram() == Program::Almanor ? QStringLiteral("@a") : QString());
  auto it = cache.find(key);
  if (it == cache.end()) it = cache.insert(key, WithTransparency(LoadBitmapResource(name).image));
  return it.value();
}

const QImage& BitmapImage(int number) { return BitmapImage(std::to_string(number)); }

QCursor LoadCursorResource(std::string_view name) {
  RegisterCompiledResources();
  for (const CursorInfo& cursor : kCursors) {
    if (name != cursor.name) continue;
    QFile file(QStringLiteral(":/cur/") + QLatin1String(cursor.name));
    if (file.open(QIODevice::ReadOnly)) {
      const BitmapLoad load = DecodeBitmap(file.readAll());
      if (load.ok()) return QCursor(QPixmap::fromImage(WithTransparency(load.image)), cursor.hotX, cursor.hotY);
    }
    return QCursor(cursor.fallback);
  }
  return QCursor(Qt::ArrowCursor);
}

void DrawStretched(QPainter& painter, const QRect& rect, const QImage& image) {
  if (image.isNull() || rect.isEmpty()) return;
  painter.drawImage(rect, image);
}

}  // namespace velmora
