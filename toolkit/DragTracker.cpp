#include "toolkit/DragTracker.h"

#include <QApplication>
#include <QWidget>

#include "toolkit/Command.h"

namespace velmora {

DragTracker::DragTracker(QWidget* source, WindowAt windowAt) : source_(source), windowAt_(std::move(windowAt)) {
  if (!windowAt_) windowAt_ = [](const QPoint& global) { return QApplication::widgetAt(global); };
}

QObject* DragTracker::TargetAt(const QPoint& global) const {
  for (QWidget* widget = windowAt_(global); widget; widget = widget->parentWidget()) {
    if (widget == source_ || CommandTargetOf(widget)) return widget;
  }
  return nullptr;
}

DragCursor DragTracker::Move(const QPoint& global, bool copy) {
  QObject* target = TargetAt(global);
  const bool accepted =
      target && (target == source_ || SendCommand(target, Command{kCmdDragOver, 0, {}, global}) == 1);
  if (!accepted) return DragCursor::Stop;
  return copy ? DragCursor::AcceptCopy : DragCursor::Accept;
}

QObject* DragTracker::Drop(const QPoint& global, bool copy) {
  QObject* target = TargetAt(global);
  if (!target || target == source_) return nullptr;
  SendCommand(target, Command{copy ? kCmdDropCopy : kCmdDropMove, 0, {}, global});
  return target;
}

const char* DragTracker::CursorName(DragCursor cursor) {
  switch (cursor) {
    case DragCursor::Accept: return "CUR_DRAG_TRUE";
    case DragCursor::AcceptCopy: return "CUR_DRAG_TRUE_COPY";
    case DragCursor::Stop: break;
  }
  return "CUR_DRAG_STOP";
}

}  // namespace velmora
