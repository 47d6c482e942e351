// The main window's self-drawn frame: title bar with its text and the three
// caption buttons, the strip below it, the border and the resize grip, all
// from the current skin or the built-in bitmaps.
#pragma once

#include <QRect>
#include <QString>
#include <array>

#include "toolkit/Skin.h"

class QPainter;

namespace velmora {

struct FrameLayout {
  static constexpr int kBorder = 4;
  static constexpr int kButtonGap = 2;
  static constexpr int kButtonMargin = 6;

  QRect title;
  QRect titleLeft, titleMiddle, titleRight;
  QRect subTitle;
  std::array<QRect, 3> buttons;  // by CaptionButton: minimize, restore, close
  QRect grip;
  QRect client;

  static FrameLayout For(const QSize& window, const Skin& skin);
  // The caption button at pos, or -1.
  int ButtonAt(const QPoint& pos) const;
};

// states[i] is the state of CaptionButton i.
void PaintFrame(QPainter& painter, const FrameLayout& layout, const QSize& window, const Skin& skin,
                const QString& title, const std::array<ButtonState, 3>& states);

}  // namespace velmora
