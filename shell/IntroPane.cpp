#include "shell/IntroPane.h"

#include <QPainter>

#include "resources/Strings.h"
#include "toolkit/Bitmaps.h"
#include "toolkit/Fonts.h"
#include "toolkit/PaletteColours.h"

namespace velmora {

namespace {
constexpr int kMargin = 12;
constexpr int kIntroPicture = 4000;
}  // namespace

IntroPane::IntroPane(QWidget* parent) : TesselPane(QStringLiteral("Intro"), parent) {}

QRect IntroPane::PictureRect(const QSize& pane, const QSize& picture) {
  return QRect(QPoint((pane.width() - picture.width()) / 2, kMargin), picture);
}

QRect IntroPane::TextRect(const QSize& pane, const QSize& picture) {
  const int top = kMargin + picture.height() + kMargin;
  return QRect(kMargin, top, std::max(0, pane.width() - 2 * kMargin), std::max(0, pane.height() - top - kMargin));
}

void IntroPane::Paint(QPainter& painter) {
  TesselPane::Paint(painter);
  const QImage& picture = BitmapImage(kIntroPicture);
  if (!picture.isNull()) painter.drawImage(PictureRect(size(), picture.size()), picture);
  painter.setFont(NormalFont());
  painter.setPen(look::Colour(look::kInk));
  painter.drawText(TextRect(size(), picture.size()), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                   QString::fromStdString(LoadText(kMsgIntro)));
}

}  // namespace velmora
