// ListTextDelegate: draws a list row as one line of text (the model's display
// text), for lists that need nothing more, such as the skin list.
#pragma once

#include <QAbstractItemDelegate>

namespace velmora {

// Fills the row (selection colours when selected) and draws text 5 pixels
// from the left, cut with an ellipsis.
void PaintTextRow(QPainter& painter, const QRect& row, const QString& text, bool selected, bool focused);

class ListTextDelegate : public QAbstractItemDelegate {
  Q_OBJECT

 public:
  using QAbstractItemDelegate::QAbstractItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace velmora
