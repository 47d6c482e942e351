#include "toolkit/TesselWndList.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionViewItem>
#include <QWheelEvent>

#include "toolkit/Bitmaps.h"
#include "toolkit/ListTextDelegate.h"
#include "toolkit/PaletteColours.h"

namespace velmora {

TesselWndList::TesselWndList(QWidget* parent)
    : TesselWnd(parent), textDelegate_(std::make_unique<ListTextDelegate>()) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

TesselWndList::~TesselWndList() { EndDrag(); }

void TesselWndList::PrepareClass(WindowClass& windowClass) {
  windowClass.name = QStringLiteral("TesselWndList");
  windowClass.background = look::Colour(look::kPaper);
}

void TesselWndList::SetModel(QAbstractItemModel* model) {
  if (model_) disconnect(model_, nullptr, this, nullptr);
  model_ = model;
  if (model_) {
    connect(model_, &QAbstractItemModel::modelReset, this, &TesselWndList::OnRowsChanged);
    connect(model_, &QAbstractItemModel::rowsInserted, this, &TesselWndList::OnRowsChanged);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, &TesselWndList::OnRowsChanged);
    connect(model_, &QAbstractItemModel::layoutChanged, this, &TesselWndList::OnRowsChanged);
    connect(model_, &QAbstractItemModel::dataChanged, this, qOverload<>(&QWidget::update));
  }
  selected_ = -1;
  top_ = 0;
  OnRowsChanged();
}

void TesselWndList::SetDelegate(QAbstractItemDelegate* delegate) {
  delegate_ = delegate;
  update();
}

void TesselWndList::SetRowHeight(int pixels) {
  rowHeight_ = std::max(1, pixels);
  SetTopRow(top_);
  update();
}

int TesselWndList::rowCount() const { return model_ ? model_->rowCount() : 0; }

void TesselWndList::OnRowsChanged() {
  const int count = rowCount();
  if (selected_ >= count) selected_ = count - 1;
  SetTopRow(top_);
  emit rowCountChanged(count);
  update();
}

int TesselWndList::fullyVisibleRows() const { return std::max(1, height() / rowHeight_); }

int TesselWndList::maxTopRow() const { return std::max(0, rowCount() - fullyVisibleRows()); }

void TesselWndList::SetTopRow(int row) {
  const int top = std::clamp(row, 0, maxTopRow());
  if (top == top_) return;
  top_ = top;
  emit topRowChanged(top_);
  update();
}

void TesselWndList::EnsureVisible(int row) {
  if (row < 0 || row >= rowCount()) return;
  if (row < top_) {
    SetTopRow(row);
  } else if (row >= top_ + fullyVisibleRows()) {
    SetTopRow(row - fullyVisibleRows() + 1);
  }
}

void TesselWndList::SelectRow(int row) {
  const int count = rowCount();
  selected_ = (row >= 0 && row < count) ? row : -1;
  EnsureVisible(selected_);
  update();
}

void TesselWndList::MoveSelection(int row) {
  const int before = selected_;
  SelectRow(row);
  if (selected_ != before) Notify(kNotifySelectionMoved, selected_);
}

int TesselWndList::RowAt(const QPoint& pos) const {
  if (pos.y() < 0 || pos.x() < 0 || pos.x() >= width()) return -1;
  const int row = top_ + pos.y() / rowHeight_;
  return row < rowCount() ? row : -1;
}

QRect TesselWndList::RowRect(int row) const { return QRect(0, (row - top_) * rowHeight_, width(), rowHeight_); }


void TesselWndList::Paint(QPainter& painter) {
  if (!model_) return;
  QAbstractItemDelegate* delegate = delegate_ ? delegate_.data() : textDelegate_.get();
  const int count = rowCount();
  const bool focused = hasFocus();
  for (int row = top_; row < count; ++row) {
    const QRect r = RowRect(row);
    if (r.top() >= height()) break;
    QStyleOptionViewItem option;
    option.initFrom(this);
    option.rect = r;
    option.font = font();
    option.state = QStyle::State_Enabled;
    if (row == selected_) option.state |= QStyle::State_Selected;
    if (focused) option.state |= QStyle::State_HasFocus;
    painter.save();
    painter.setClipRect(r);
    delegate->paint(&painter, option, model_->index(row, 0));
    painter.restore();
  }
}

void TesselWndList::keyPressEvent(QKeyEvent* event) {
  const int count = rowCount();
  switch (event->key()) {
    case Qt::Key_Down:
    case Qt::Key_Right:
      if (count > 0) MoveSelection(std::min(selected_ + 1, count - 1));
      break;
    case Qt::Key_Up:
    case Qt::Key_Left:
      if (count > 0) MoveSelection(std::max(selected_ - 1, 0));
      break;
    case Qt::Key_Home:
      if (count > 0) MoveSelection(0);
      break;
    case Qt::Key_End:
      if (count > 0) MoveSelection(count - 1);
      break;
    case Qt::Key_Escape:
      selected_ = -1;
      update();
      break;
    default:
      TesselWnd::keyPressEvent(event);
      return;
  }
  event->accept();
}

void TesselWndList::wheelEvent(QWheelEvent* event) {
  const int notches = event->angleDelta().y() / 120;
  if (notches != 0) {
    // A notch toward the user (negative) scrolls down.
    SetTopRow(top_ - notches);
    Notify(kNotifySelectionMoved, selected_);
  }
  event->accept();
}

void TesselWndList::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  const int row = RowAt(event->position().toPoint());
  if (event->button() == Qt::LeftButton) {
    if (row >= 0) MoveSelection(row);
    Notify(kNotifyClick, row);
    if (row >= 0 && dragEnabled_) pressPos_ = event->position().toPoint();
  } else if (event->button() == Qt::RightButton) {
    if (row >= 0) MoveSelection(row);
    Notify(kNotifyRightClick, row);
  }
  event->accept();
}

void TesselWndList::mouseMoveEvent(QMouseEvent* event) {
  if (!pressPos_ || !(event->buttons() & Qt::LeftButton)) return;
  const QPoint pos = event->position().toPoint();
  if (!drag_) {
    if ((pos - *pressPos_).manhattanLength() < QApplication::startDragDistance()) return;
    drag_ = std::make_unique<DragTracker>(this);
    QApplication::setOverrideCursor(LoadCursorResource("CUR_DRAG_STOP"));
    dragCursorSet_ = true;
  }
  const bool copy = event->modifiers() & Qt::ControlModifier;
  const DragCursor cursor = drag_->Move(event->globalPosition().toPoint(), copy);
  QApplication::changeOverrideCursor(LoadCursorResource(DragTracker::CursorName(cursor)));
}

void TesselWndList::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressPos_.reset();
  if (!drag_) return;
  const bool copy = event->modifiers() & Qt::ControlModifier;
  const QPoint global = event->globalPosition().toPoint();
  auto drag = std::move(drag_);
  EndDrag();
  drag->Drop(global, copy);
}

void TesselWndList::EndDrag() {
  if (dragCursorSet_) {
    QApplication::restoreOverrideCursor();
    dragCursorSet_ = false;
  }
  drag_.reset();
}

void TesselWndList::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) Notify(kNotifyDoubleClick, RowAt(event->position().toPoint()));
  event->accept();
}

void TesselWndList::focusInEvent(QFocusEvent*) { update(); }
void TesselWndList::focusOutEvent(QFocusEvent*) { update(); }

void TesselWndList::resizeEvent(QResizeEvent*) {
  SetTopRow(top_);
  EnsureVisible(selected_);
}

}  // namespace velmora
