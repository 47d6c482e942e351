#include "toolkit/OpeningEffect.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QWidget>

#include "toolkit/PaletteColours.h"

namespace velmora {

namespace {
constexpr int kStep = 20;
constexpr int kHoldMs = 5;

// A frameless overlay that shows one outline and lets the mouse through.
class Outline : public QWidget {
 public:
  Outline()
      : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                             Qt::WindowTransparentForInput) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setPen(QPen(look::Colour(look::kInk), 1, Qt::DotLine));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  }
};

void Hold(int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < milliseconds) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 1);
}
}  // namespace

std::vector<QRect> OpeningEffectSteps(const QRect& screenRect) {
  std::vector<QRect> steps;
  for (int height = kStep; height < screenRect.height() + kStep; height += kStep) {
    steps.emplace_back(screenRect.left(), screenRect.top(), screenRect.width(), std::min(height, screenRect.height()));
  }
  return steps;
}

void PlayOpeningEffect(const QRect& screenRect) {
  if (screenRect.isEmpty()) return;
  Outline outline;
  for (const QRect& step : OpeningEffectSteps(screenRect)) {
    outline.setGeometry(step);
    outline.show();
    outline.repaint();
    Hold(kHoldMs);
  }
  outline.hide();
}

}  // namespace velmora
