#include "toolkit/TTabsWnd.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "toolkit/Fonts.h"
#include "toolkit/PaletteColours.h"

namespace velmora {

TabsLayout TabsLayout::For(const QStringList& titles, const QString& linkText, bool linkShown, const QSize& size,
                           const QFontMetrics& metrics) {
  TabsLayout layout;
  int x = 0;
  for (const QString& title : titles) {
    const int width = std::max(48, metrics.horizontalAdvance(title) + 20);
    layout.tabs.emplace_back(x, 0, width, size.height());
    x += width - 1;  // neighbouring tabs share an edge
  }
  if (linkShown && !linkText.isEmpty()) {
    const int width = metrics.horizontalAdvance(linkText) + 6;
    const int left = std::max(x + 6, size.width() - width);
    layout.link = QRect(left, 0, size.width() - left, size.height());
  }
  return layout;
}

void PaintTabs(QPainter& painter, const QRect& rect, const QStringList& titles, int selected,
               const TabsLayout& layout, const QString& linkText, bool linkHover) {
  painter.save();
  painter.translate(rect.topLeft());
  painter.setFont(NormalFont());
  // The line the tabs hang from.
  painter.setPen(look::Colour(look::kSteel));
  painter.drawLine(0, 0, rect.width() - 1, 0);
  painter.setRenderHint(QPainter::Antialiasing);
  // Unselected tabs first, so that the selected one overlaps its neighbours.
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < titles.size() && i < int(layout.tabs.size()); ++i) {
      const bool isSelected = i + 1 == selected;
      if (isSelected != (pass == 1)) continue;
      const QRectF r = QRectF(layout.tabs[size_t(i)]).adjusted(0.5, isSelected ? -0.5 : 0.5, -0.5, -1.5);
      QPainterPath path;
      path.moveTo(r.topLeft());
      path.lineTo(r.left() + 3, r.bottom() - 3);
      path.quadTo(r.left() + 3.5, r.bottom(), r.left() + 7, r.bottom());
      path.lineTo(r.right() - 7, r.bottom());
      path.quadTo(r.right() - 3.5, r.bottom(), r.right() - 3, r.bottom() - 3);
      path.lineTo(r.topRight());
      painter.fillPath(path, look::Colour(isSelected ? look::kWhite : look::kSilver));
      painter.setPen(look::Colour(look::kSteel));
      painter.drawPath(path);
      if (isSelected) {
        painter.setPen(look::Colour(look::kWhite));
        painter.drawLine(QPointF(r.left() + 1, r.top()), QPointF(r.right() - 1, r.top()));
      }
      QFont font = NormalFont();
      font.setBold(isSelected);
      painter.setFont(font);
      painter.setPen(look::Colour(isSelected ? look::kInk : look::kSteelDark));
      painter.drawText(layout.tabs[size_t(i)], Qt::AlignCenter | Qt::TextSingleLine, titles[i]);
    }
  }
  if (!layout.link.isEmpty()) {
    QFont font = NormalFont();
    font.setUnderline(linkHover);
    painter.setFont(font);
    painter.setPen(look::Colour(look::kLink));
    painter.drawText(layout.link, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, linkText);
  }
  painter.restore();
}

TTabsWnd::TTabsWnd(const QStringList& titles, int command, QWidget* parent) : TesselWnd(parent), titles_(titles) {
  SetControlId(command);
  setMouseTracking(true);
}

void TTabsWnd::PrepareClass(WindowClass& windowClass) { windowClass.name = QStringLiteral("TTabsWnd"); }

void TTabsWnd::SetLink(const QString& text, int param, int shownForTab) {
  linkText_ = text;
  linkParam_ = param;
  linkTab_ = shownForTab;
  Relayout();
}

void TTabsWnd::SetSelected(int tab) {
  if (tab < 1 || tab > titles_.size()) return;
  selected_ = tab;
  Relayout();
}

void TTabsWnd::Relayout() {
  layout_ = TabsLayout::For(titles_, linkText_, selected_ == linkTab_, size(), QFontMetrics(NormalFont()));
  update();
}

void TTabsWnd::Paint(QPainter& painter) { PaintTabs(painter, rect(), titles_, selected_, layout_, linkText_, linkHover_); }

void TTabsWnd::resizeEvent(QResizeEvent*) { Relayout(); }

void TTabsWnd::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  const QPoint pos = event->position().toPoint();
  if (layout_.link.contains(pos)) {
    PostCommand(notifyTarget(), controlId(), linkParam_);
    return;
  }
  for (size_t i = 0; i < layout_.tabs.size(); ++i) {
    if (!layout_.tabs[i].contains(pos)) continue;
    SetSelected(int(i) + 1);
    PostCommand(notifyTarget(), controlId(), int(i) + 1);
    return;
  }
}

void TTabsWnd::mouseMoveEvent(QMouseEvent* event) {
  const bool hover = layout_.link.contains(event->position().toPoint());
  if (hover != linkHover_) {
    linkHover_ = hover;
    setCursor(hover ? Qt::PointingHandCursor : Qt::ArrowCursor);
    update();
  }
}

void TTabsWnd::leaveEvent(QEvent*) {
  linkHover_ = false;
  update();
}

}  // namespace velmora
