#include "toolkit/TesselPaneBar.h"

#include <QMouseEvent>
#include <QPainter>

#include "toolkit/Bitmaps.h"
#include "toolkit/Fonts.h"
#include "toolkit/PaletteColours.h"
#include "toolkit/Skin.h"
#include "toolkit/TesselPane.h"

namespace velmora {

QRect PaneBarLayout::ButtonRect(int index, int barHeight) {
  const int top = std::max(0, barHeight - kButtonHeight - 1);
  return QRect(kLeft + index * kPitch, top, kButtonWidth, kButtonHeight);
}

int PaneBarLayout::IndexAt(const QPoint& pos, int barHeight) {
  if (pos.x() < kLeft) return -1;
  const int index = (pos.x() - kLeft) / kPitch;
  return ButtonRect(index, barHeight).contains(pos) ? index : -1;
}

void PaintPaneBar(QPainter& painter, const QRect& rect, const QStringList& names, int current) {
  painter.save();
  const Skin& skin = GetSkin();
  painter.fillRect(rect, skin.colour(SkinColour::Back));
  painter.setPen(skin.colour(SkinColour::PanelFrame));
  painter.drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
  static const QFont font = MapFont("Verdana", 9, kWeightBold);
  painter.setFont(font);
  for (int i = 0; i < names.size(); ++i) {
    const QRect button = PaneBarLayout::ButtonRect(i, rect.height()).translated(rect.topLeft());
    const bool down = i == current;
    const QImage& image = skin.PaneButtonImage(down);
    if (!image.isNull()) {
      painter.drawImage(button, image);
    } else {
      painter.fillRect(button, look::Colour(down ? look::kAccent : look::kSteelLight));
    }
    painter.setPen(look::Colour(down ? look::kWhite : look::kInk));
    painter.drawText(button, Qt::AlignCenter | Qt::TextSingleLine, names[i]);
  }
  painter.restore();
}

TesselPaneBar::TesselPaneBar(QWidget* parent) : TesselWnd(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void TesselPaneBar::PrepareClass(WindowClass& windowClass) { windowClass.name = QStringLiteral("TesselPaneBar"); }

void TesselPaneBar::Paint(QPainter& painter) {
  QStringList names;
  for (TesselPane* pane : RegisteredPanes()) names << pane->name();
  PaintPaneBar(painter, rect(), names, CurrentPaneIndex());
}

void TesselPaneBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    TesselWnd::mousePressEvent(event);
    return;
  }
  const int index = PaneBarLayout::IndexAt(event->position().toPoint(), height());
  if (index >= 0 && index < int(RegisteredPanes().size()) && index != CurrentPaneIndex()) {
    PostCommand(notifyTarget(), kCmdShowPane, index);
  }
}

}  // namespace velmora
