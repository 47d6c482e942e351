// TesselWndList: an owner-drawn list of rows of equal height over column 0 of
// a model. A delegate draws each row. The list reports to its notify target
// (its parent unless set) by commands whose number is the code and whose
// parameter is the row (-1 for no row): 20 the selection moved, 21 a row was
// clicked, 22 double click, 23 right click.
#pragma once

#include <QPersistentModelIndex>
#include <QPointer>
#include <memory>
#include <optional>

#include "toolkit/DragTracker.h"
#include "toolkit/TesselWnd.h"

class QAbstractItemDelegate;
class QAbstractItemModel;

namespace velmora {

class ListTextDelegate;

class TesselWndList : public TesselWnd {
  Q_OBJECT

 public:
  explicit TesselWndList(QWidget* parent = nullptr);
  ~TesselWndList() override;

  // Neither is owned. Without a delegate, rows show the display text.
  void SetModel(QAbstractItemModel* model);
  QAbstractItemModel* model() const { return model_; }
  void SetDelegate(QAbstractItemDelegate* delegate);

  void SetRowHeight(int pixels);
  int rowHeight() const { return rowHeight_; }
  int rowCount() const;

  int selectedRow() const { return selected_; }
  // Selects row (-1 clears) and scrolls it into view, without notifying.
  void SelectRow(int row);
  int topRow() const { return top_; }
  void SetTopRow(int row);
  void ScrollToTop() { SetTopRow(0); }
  void EnsureVisible(int row);
  int fullyVisibleRows() const;
  int maxTopRow() const;

  int RowAt(const QPoint& pos) const;  // -1 below the last row
  QRect RowRect(int row) const;

  // Rows can be dragged to other windows (commands 1020 to 1022).
  void SetDragEnabled(bool enabled) { dragEnabled_ = enabled; }

 signals:
  void topRowChanged(int top);
  void rowCountChanged(int count);

 protected:
  void PrepareClass(WindowClass& windowClass) override;
  void Paint(QPainter& painter) override;

  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Selects row, scrolls it into view and reports 20 when it moved.
  void MoveSelection(int row);
  void OnRowsChanged();
  void EndDrag();

  QPointer<QAbstractItemModel> model_;
  QPointer<QAbstractItemDelegate> delegate_;
  std::unique_ptr<ListTextDelegate> textDelegate_;
  int rowHeight_ = 18;
  int selected_ = -1;
  int top_ = 0;
  bool dragEnabled_ = false;
  std::optional<QPoint> pressPos_;
  std::unique_ptr<DragTracker> drag_;
  bool dragCursorSet_ = false;
};

}  // namespace velmora
