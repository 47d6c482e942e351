#include "shell/PaneSweep.h"

#include <QPainter>
#include <QThread>
#include <QWidget>
#include <memory>

#include "shell/MainWindowGeometry.h"

namespace velmora {

namespace {

// A child covering the whole window that shows one picture.
class SweepOverlay : public QWidget {
 public:
  explicit SweepOverlay(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setGeometry(parent->rect());
  }
  void Show(QImage image) {
    image_ = std::move(image);
    repaint();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), image_);
  }

 private:
  QImage image_;
};

}  // namespace

QImage SweepFrame(const QImage& image, const QRect& area, int offset) {
  QImage frame = image.convertToFormat(QImage::Format_RGB32);
  QPainter painter(&frame);
  painter.setCompositionMode(QPainter::CompositionMode_Difference);
  painter.setPen(QPen(Qt::white, 1));
  const int y = area.top() + offset;
  painter.drawLine(area.left(), y, area.right(), y);
  painter.drawLine(area.left(), y, area.left(), area.top());
  painter.drawLine(area.right(), y, area.right(), area.top());
  return frame;
}

void PlayPaneSweep(QWidget* window, const QRect& area) {
  if (!window || !window->isVisible() || area.isEmpty()) return;
  const QImage base = window->grab().toImage();
  auto overlay = std::make_unique<SweepOverlay>(window);
  overlay->show();
  overlay->raise();
  const qreal ratio = base.devicePixelRatio();
  for (int offset : SweepOffsets(area.height())) {
    QImage frame = SweepFrame(base, QRect(area.topLeft() * ratio, area.size() * ratio), int(offset * ratio));
    frame.setDevicePixelRatio(ratio);
    overlay->Show(std::move(frame));
    QThread::msleep(kSweepHoldMilliseconds);
  }
}

}  // namespace velmora
