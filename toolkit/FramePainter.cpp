#include "toolkit/FramePainter.h"

#include <QPainter>

#include "toolkit/Bitmaps.h"
#include "toolkit/Fonts.h"

namespace velmora {

namespace {
const QImage& TitleImage(const Skin& skin) {
  const QImage& own = skin.bitmap(SkinBitmap::Title);
  return own.isNull() ? BitmapImage("window_title.bmp") : own;
}
}  // namespace

FrameLayout FrameLayout::For(const QSize& window, const Skin& skin) {
  FrameLayout l;
  const int w = window.width(), h = window.height();
  const QImage& middle = TitleImage(skin);
  const int titleHeight = middle.isNull() ? 24 : middle.height();
  const int leftWidth = skin.bitmap(SkinBitmap::TitleLeft).width();
  const int rightWidth = skin.bitmap(SkinBitmap::TitleRight).width();
  l.title = QRect(0, 0, w, titleHeight);
  l.titleLeft = QRect(0, 0, leftWidth, titleHeight);
  l.titleRight = QRect(w - rightWidth, 0, rightWidth, titleHeight);
  l.titleMiddle = QRect(leftWidth, 0, std::max(0, w - leftWidth - rightWidth), titleHeight);
  const QImage& strip = skin.bitmap(SkinBitmap::SubTitle);
  const int stripHeight = strip.isNull() ? 2 : strip.height();
  l.subTitle = QRect(kBorder, titleHeight, std::max(0, w - 2 * kBorder), stripHeight);

  int right = w - kButtonMargin;
  for (int b = 2; b >= 0; --b) {
    const QImage& image = skin.CaptionImage(CaptionButton(b), ButtonState::Normal);
    const QSize size = image.isNull() ? QSize(18, 18) : image.size();
    l.buttons[size_t(b)] = QRect(right - size.width(), (titleHeight - size.height()) / 2, size.width(), size.height());
    right -= size.width() + kButtonGap;
  }
  const QImage& grip = skin.ResizeImage();
  const QSize gripSize = grip.isNull() ? QSize(14, 14) : grip.size();
  l.grip = QRect(w - kBorder - gripSize.width(), h - kBorder - gripSize.height(), gripSize.width(), gripSize.height());
  const int clientTop = titleHeight + stripHeight;
  l.client = QRect(kBorder, clientTop, std::max(0, w - 2 * kBorder), std::max(0, h - clientTop - kBorder));
  return l;
}

int FrameLayout::ButtonAt(const QPoint& pos) const {
  for (size_t i = 0; i < buttons.size(); ++i) {
    if (buttons[i].contains(pos)) return int(i);
  }
  return -1;
}

void PaintFrame(QPainter& painter, const FrameLayout& layout, const QSize& window, const Skin& skin,
                const QString& title, const std::array<ButtonState, 3>& states) {
  painter.save();
  const QRect whole(QPoint(0, 0), window);
  painter.fillRect(whole, skin.colour(SkinColour::Back));

  // Border: the frame colour, lit at the outer top-left edge, shaded at the
  // outer bottom-right edge, and a lowered line around the client area.
  const int b = FrameLayout::kBorder;
  painter.fillRect(QRect(0, 0, b, window.height()), skin.colour(SkinColour::Frame));
  painter.fillRect(QRect(window.width() - b, 0, b, window.height()), skin.colour(SkinColour::Frame));
  painter.fillRect(QRect(0, window.height() - b, window.width(), b), skin.colour(SkinColour::Frame));
  painter.setPen(skin.colour(SkinColour::FrameUp));
  painter.drawLine(0, 0, 0, window.height() - 1);
  painter.setPen(skin.colour(SkinColour::FrameDown));
  painter.drawLine(window.width() - 1, 0, window.width() - 1, window.height() - 1);
  painter.drawLine(0, window.height() - 1, window.width() - 1, window.height() - 1);
  painter.setPen(skin.colour(SkinColour::BackDown));
  painter.drawRect(layout.client.adjusted(-1, -1, 0, 0));

  // Title bar.
  const QImage& left = skin.bitmap(SkinBitmap::TitleLeft);
  const QImage& right = skin.bitmap(SkinBitmap::TitleRight);
  const QImage& middle = TitleImage(skin);
  if (middle.isNull()) {
    QLinearGradient gradient(0, 0, 0, layout.title.height());
    gradient.setColorAt(0, skin.colour(SkinColour::TitleUp));
    gradient.setColorAt(1, skin.colour(SkinColour::TitleDown));
    painter.fillRect(layout.title, gradient);
  } else {
    DrawStretched(painter, layout.titleMiddle, middle);
  }
  if (!left.isNull()) painter.drawImage(layout.titleLeft.topLeft(), left);
  if (!right.isNull()) painter.drawImage(layout.titleRight.topLeft(), right);
  const QImage& strip = skin.bitmap(SkinBitmap::SubTitle);
  if (strip.isNull()) {
    painter.fillRect(layout.subTitle, skin.colour(SkinColour::TitleDown));
  } else {
    DrawStretched(painter, layout.subTitle, strip);
  }

  painter.setFont(TitleFont());
  painter.setPen(skin.colour(SkinColour::TextTitle));
  const int textLeft = std::max(layout.titleLeft.right() + 1, 0) + 8;
  const QRect textRect(textLeft, 0, std::max(0, layout.buttons[0].left() - 6 - textLeft), layout.title.height());
  painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   painter.fontMetrics().elidedText(title, Qt::ElideRight, textRect.width()));

  for (size_t i = 0; i < 3; ++i) {
    const QImage& image = skin.CaptionImage(CaptionButton(i), states[i]);
    if (!image.isNull()) painter.drawImage(layout.buttons[i].topLeft(), image);
  }
  const QImage& grip = skin.ResizeImage();
  if (!grip.isNull()) painter.drawImage(layout.grip.topLeft(), grip);
  painter.restore();
}

}  // namespace velmora
