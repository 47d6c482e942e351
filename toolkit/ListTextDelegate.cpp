#include "toolkit/ListTextDelegate.h"

#include <QPainter>
#include <QStyleOptionViewItem>

#include "toolkit/Fonts.h"
#include "toolkit/PaletteColours.h"

namespace velmora {

void PaintTextRow(QPainter& painter, const QRect& row, const QString& text, bool selected, bool focused) {
  painter.save();
  QColor fill = look::Colour(look::kPaper), ink = look::Colour(look::kInk);
  if (selected) {
    fill = look::Colour(focused ? look::kAccent : look::kAccentPale);
    ink = look::Colour(focused ? look::kWhite : look::kInk);
  }
  painter.fillRect(row, fill);
  painter.setFont(NormalFont());
  painter.setPen(ink);
  const QRect textRect = row.adjusted(5, 0, -3, 0);
  painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   painter.fontMetrics().elidedText(text, Qt::ElideRight, textRect.width()));
  painter.restore();
}

void ListTextDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  PaintTextRow(*painter, option.rect, index.data(Qt::DisplayRole).toString(),
               option.state.testFlag(QStyle::State_Selected), option.state.testFlag(QStyle::State_HasFocus));
}

QSize ListTextDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const { return QSize(100, 18); }

}  // namespace velmora
