#include "shell/SplashWindow.h"

#include <QPainter>
#include <QTimerEvent>

#include "toolkit/Bitmaps.h"
#include "toolkit/PaletteColours.h"

namespace velmora {

SplashWindow::SplashWindow(QWidget* owner) : TesselDialog(kTemplate, owner) {
  setObjectName(QString::number(kTemplate));
  setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
  setFixedSize(kSize);
}

void SplashWindow::OnInitDialog() {
  CentreOver(this, nullptr);
  timer_ = startTimer(kMilliseconds);
}

void SplashWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), look::Colour(look::kSilver));
  const QImage& splash = BitmapImage("splash.bmp");
  if (!splash.isNull()) painter.drawImage(QPoint(0, 0), splash);
}

void SplashWindow::timerEvent(QTimerEvent* event) {
  if (event->timerId() != timer_) {
    TesselDialog::timerEvent(event);
    return;
  }
  killTimer(timer_);
  timer_ = 0;
  EndDialog(1);
}

}  // namespace velmora
