// DragTracker: a row dragged out of a list with the left button held. The
// window under the mouse is asked with command 1020 whether it takes a drop
// there; releasing over another window sends it 1021 (move) or 1022 (copy,
// Ctrl held). The source itself counts as accepting and never receives a
// drop.
#pragma once

#include <QPoint>
#include <QPointer>
#include <functional>

class QObject;
class QWidget;

namespace velmora {

enum class DragCursor { Accept, AcceptCopy, Stop };

class DragTracker {
 public:
  // windowAt finds the widget under a screen point (QApplication::widgetAt
  // when empty).
  using WindowAt = std::function<QWidget*(const QPoint& global)>;
  explicit DragTracker(QWidget* source, WindowAt windowAt = {});

  // The cursor to show with the mouse at global.
  DragCursor Move(const QPoint& global, bool copy);
  // Sends the drop to the window under global; returns it, or null when
  // nothing was sent (no window, or the source).
  QObject* Drop(const QPoint& global, bool copy);

  // "CUR_DRAG_TRUE", "CUR_DRAG_TRUE_COPY" or "CUR_DRAG_STOP".
  static const char* CursorName(DragCursor cursor);

 private:
  // The nearest window at global that takes commands.
  QObject* TargetAt(const QPoint& global) const;

  QPointer<QWidget> source_;
  WindowAt windowAt_;
};

}  // namespace velmora
