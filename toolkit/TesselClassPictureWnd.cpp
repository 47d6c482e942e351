#include "toolkit/TesselClassPictureWnd.h"

#include <QCache>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPointer>
#include <QThreadPool>
#include <atomic>

#include "toolkit/PaletteColours.h"
#include "toolkit/TesselClassLinkButton.h"

namespace velmora {

QSize FitPicture(QSize picture, QSize area) {
  const int pw = picture.width(), ph = picture.height();
  const int aw = area.width(), ah = area.height();
  if (pw <= 0 || ph <= 0 || aw <= 0 || ah <= 0) return {};
  if (pw <= aw && ph <= ah) return picture;
  auto scaled = [](int value, int num, int den) { return int(qint64(value) * num / den); };
  if (pw > ph) {
    int w = aw;
    int h = scaled(ph, w, pw);
    while (h > ah && w > 1) h = scaled(ph, --w, pw);
    return {w, qMax(h, 1)};
  }
  int h = ah;
  int w = scaled(pw, h, ph);
  while (w > aw && h > 1) w = scaled(pw, --h, ph);
  return {qMax(w, 1), h};
}

QRect PictureRect(QSize picture, const QRect& area) {
  const QSize size = FitPicture(picture, area.size());
  if (size.isEmpty()) return {};
  return {area.left() + (area.width() - size.width()) / 2, area.top() + (area.height() - size.height()) / 2,
          size.width(), size.height()};
}

namespace {

// Decoded pictures by path, modification time and drawn size; lives on the
// interface thread (only the decoding runs elsewhere).
QCache<QString, QImage>& PictureCache() {
  static QCache<QString, QImage> cache(48 * 1024);  // in KiB
  return cache;
}

QString CacheKey(const QString& path, qint64 modified, QSize size) {
  return QStringLiteral("%1|%2|%3x%4").arg(path).arg(modified).arg(size.width()).arg(size.height());
}

qint64 ModifiedOf(const QString& path) {
  return QFileInfo(path).lastModified().toMSecsSinceEpoch();
}

// Decodes the picture at path at the size FitPicture gives for area (a
// picture that knows its size is decoded straight to it).
QImage DecodePicture(const QString& path, QSize area) {
  QImageReader reader(path);
  const QSize own = reader.size();
  if (own.isValid()) {
    const QSize fitted = FitPicture(own, area);
    if (fitted.isEmpty()) return {};
    if (fitted != own) reader.setScaledSize(fitted);
    return reader.read();
  }
  const QImage whole = reader.read();
  if (whole.isNull()) return {};
  const QSize fitted = FitPicture(whole.size(), area);
  if (fitted.isEmpty()) return {};
  return fitted == whole.size() ? whole : whole.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

std::atomic<quint64> nextTicket{1};

}  // namespace

TesselClassPictureWnd::TesselClassPictureWnd(bool withButtons, QWidget* parent)
    : TesselWnd(parent), withButtons_(withButtons) {
  if (withButtons_) {
    newButton_ = new TesselClassLinkButton(QStringLiteral("New"), kCmdNew, this);
    removeButton_ = new TesselClassLinkButton(QStringLiteral("Remove"), kCmdRemove, this);
    for (TesselClassLinkButton* button : {newButton_, removeButton_}) {
      button->SetNotifyTarget(this);
      button->Create(this);
    }
  }
}

TesselClassPictureWnd::~TesselClassPictureWnd() = default;

void TesselClassPictureWnd::PrepareClass(WindowClass& windowClass) {
  windowClass.name = QStringLiteral("TesselClassPictureWnd");
}

QRect TesselClassPictureWnd::PictureArea() const {
  QRect area = rect().adjusted(kMargin, kMargin, -kMargin, -kMargin);
  if (withButtons_) area.setBottom(area.bottom() - kButtonStrip);
  return area;
}

bool TesselClassPictureWnd::Load(const QString& path) {
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  if (!info.isFile()) return false;
  QImageReader reader(path);
  if (!reader.canRead()) return false;
  path_ = path;
  pictureSize_ = reader.size();
  modified_ = ModifiedOf(path);
  shown_ = QImage();
  failed_ = false;
  RequestDecode();
  update();
  return true;
}

void TesselClassPictureWnd::Clear() {
  path_.clear();
  pictureSize_ = QSize();
  shown_ = QImage();
  failed_ = false;
  ++ticket_;  // an answer still on its way is no longer wanted
  update();
}

void TesselClassPictureWnd::ClearPictureCache() { PictureCache().clear(); }

void TesselClassPictureWnd::RequestDecode() {
  if (path_.isEmpty() || failed_) return;
  const QSize area = PictureArea().size();
  if (area.isEmpty()) return;
  const QSize target = pictureSize_.isValid() ? FitPicture(pictureSize_, area) : area;
  if (!shown_.isNull() && shown_.size() == target) return;
  const QString key = CacheKey(path_, modified_, area);
  if (const QImage* cached = PictureCache().object(key)) {
    shown_ = *cached;
    ++ticket_;
    update();
    return;
  }
  const quint64 ticket = nextTicket++;
  ticket_ = ticket;
  QPointer<TesselClassPictureWnd> self(this);
  const QString path = path_;
  QThreadPool::globalInstance()->start([self, ticket, path, area, key] {
    const QImage image = DecodePicture(path, area);
    QCoreApplication* application = QCoreApplication::instance();
    if (!application) return;  // the program is ending
    QMetaObject::invokeMethod(
        application,
        [self, ticket, image, key] {
          if (!image.isNull()) PictureCache().insert(key, new QImage(image), qMax<qsizetype>(1, image.sizeInBytes() / 1024));
          if (self) self->Decoded(ticket, image);
        },
        Qt::QueuedConnection);
  });
}

void TesselClassPictureWnd::Decoded(quint64 ticket, const QImage& image) {
  if (ticket != ticket_) return;
  if (image.isNull()) {
    // Not a picture after all: the empty box, as without one.
    failed_ = true;
    path_.clear();
    pictureSize_ = QSize();
    shown_ = QImage();
  } else {
    shown_ = image;
    if (!pictureSize_.isValid()) pictureSize_ = image.size();
  }
  update();
}

void TesselClassPictureWnd::resizeEvent(QResizeEvent* event) {
  if (withButtons_) {
    const int top = height() - kButtonStrip + (kButtonStrip - kButtonHeight) / 2;
    const int newWidth = newButton_->idealWidth() + 4, removeWidth = removeButton_->idealWidth() + 4;
    newButton_->setGeometry(4, top, newWidth, kButtonHeight);
    removeButton_->setGeometry(width() - 4 - removeWidth, top, removeWidth, kButtonHeight);
  }
  RequestDecode();
  TesselWnd::resizeEvent(event);
}

void TesselClassPictureWnd::EraseBackground(QPainter& painter) {
  painter.fillRect(rect(), withButtons_ ? look::Colour(look::kPaper) : QColor(Qt::white));
  if (withButtons_) {
    painter.setPen(look::Colour(look::kSteelLight));
    const int y = height() - kButtonStrip;
    painter.drawLine(0, y, width() - 1, y);
  }
}

void TesselClassPictureWnd::Paint(QPainter& painter) {
  if (shown_.isNull()) return;
  const QSize own = pictureSize_.isValid() ? pictureSize_ : shown_.size();
  const QRect target = PictureRect(own, PictureArea());
  if (target.isEmpty()) return;
  if (target.size() == shown_.size()) {
    painter.drawImage(target.topLeft(), shown_);
  } else {
    // A resize is waiting for its decode: the last picture, scaled.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, shown_);
  }
}

qintptr TesselClassPictureWnd::OnCommand(const Command& command) {
  if (command.id == kCmdNew || command.id == kCmdRemove) {
    if (handler_) handler_(command.id);
    return 1;
  }
  return TesselWnd::OnCommand(command);
}

}  // namespace velmora
