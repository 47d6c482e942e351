#include "toolkit/TesselFrameWnd.h"

#include <algorithm>

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>

#include "toolkit/SkinDialog.h"
#include "toolkit/SkinMenu.h"

namespace velmora {

namespace {
constexpr int kCornerRadius = 6;
}

TesselFrameWnd::TesselFrameWnd(QWidget* parent) : TesselWnd(parent) {
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TesselFrameWnd::PrepareCreate(CreateParams& params) {
  params.style &= ~kStyleChild;
  params.style |= kStylePopup;
}

bool TesselFrameWnd::OnCreated() {
  SetTimer(kFrameTimer, 100);
  return true;
}

FrameLayout TesselFrameWnd::layout() const { return FrameLayout::For(size(), GetSkin()); }

QRect TesselFrameWnd::ClientRect() const { return layout().client; }

qintptr TesselFrameWnd::OnCommand(const Command& command) {
  if (command.id >= kCmdFirstSkin && command.id <= kCmdLastSkin) {
    const Result chosen = RunSkinMenuCommand(command.id);
    if (!chosen.ok()) ShowFailure(chosen);
    return chosen.ok() ? 1 : 0;
  }
  if (command.id == kCmdSkinsDialog) {
    SkinDialog dialog(this);
    const int ended = dialog.RunModal();
    if (!dialog.chosen().ok()) ShowFailure(dialog.chosen());
    return ended;
  }
  return 0;
}

void TesselFrameWnd::ShowFailure(const Result& failure) { qWarning("%s", failure.Message().c_str()); }

QRegion FrameOutline(const QSize& window) {
  const QRectF whole(QPointF(0, 0), QSizeF(window));
  QPainterPath rounded;
  rounded.addRoundedRect(whole, kCornerRadius, kCornerRadius);
  QPainterPath lower;  // square lower corners
  lower.addRect(QRectF(0, kCornerRadius, whole.width(), std::max<qreal>(0, whole.height() - kCornerRadius)));
  // One outline, so the overlapping parts stay inside the region.
  return QRegion(rounded.united(lower).toFillPolygon().toPolygon(), Qt::WindingFill);
}

void TesselFrameWnd::RebuildOutline() {
  if (!isWindow()) return;
  setMask(FrameOutline(size()));
}

void TesselFrameWnd::OnTimer(int id) {
  if (id != kFrameTimer || !isActiveWindow() || pressed_ >= 0) return;
  UpdateHover(mapFromGlobal(QCursor::pos()));
}

void TesselFrameWnd::UpdateHover(const QPoint& pos) {
  const int at = layout().ButtonAt(pos);
  for (int i = 0; i < 3; ++i) {
    const ButtonState wanted = i == at ? ButtonState::Hover : ButtonState::Normal;
    if (states_[size_t(i)] != ButtonState::Pressed) SetButtonState(i, wanted);
  }
}

void TesselFrameWnd::SetButtonState(int button, ButtonState state) {
  if (states_[size_t(button)] == state) return;
  states_[size_t(button)] = state;
  update(layout().buttons[size_t(button)]);
}

void TesselFrameWnd::Paint(QPainter& painter) {
  PaintFrame(painter, layout(), size(), GetSkin(), windowTitle(), states_);
}

void TesselFrameWnd::OnCaptionButton(CaptionButton button) {
  switch (button) {
    case CaptionButton::Minimize: showMinimized(); break;
    case CaptionButton::Restore: ToggleSize(); break;
    case CaptionButton::Close: close(); break;
  }
}

void TesselFrameWnd::ToggleSize() {
  if (isMaximized()) {
    showNormal();
  } else {
    showMaximized();
  }
}

void TesselFrameWnd::OnFrameRightClick(const QPoint& globalPos) { ShowSkinMenu(this, globalPos); }

void TesselFrameWnd::resizeEvent(QResizeEvent*) {
  RebuildOutline();
  update();
}

void TesselFrameWnd::leaveEvent(QEvent* event) {
  TesselWnd::leaveEvent(event);
  // A pressed button keeps tracking the grabbed mouse until the release.
  if (pressed_ < 0) UpdateHover(QPoint(-1, -1));
}

bool TesselFrameWnd::event(QEvent* event) {
  // An inactive window gets no hover timer ticks, so a button highlighted
  // now would stay so; a press or a drag in progress is dropped as well,
  // because the release may go to the window that took the activation.
  if (event->type() == QEvent::WindowDeactivate) {
    pressed_ = -1;
    drag_ = Drag::None;
    for (int i = 0; i < 3; ++i) SetButtonState(i, ButtonState::Normal);
  }
  return TesselWnd::event(event);
}

void TesselFrameWnd::mousePressEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (event->button() == Qt::RightButton) {
    OnFrameRightClick(event->globalPosition().toPoint());
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  const FrameLayout l = layout();
  pressed_ = l.ButtonAt(pos);
  if (pressed_ >= 0) {
    SetButtonState(pressed_, ButtonState::Pressed);
    return;
  }
  const bool onGrip = l.grip.contains(pos);
  if (!onGrip && !l.title.contains(pos)) return;
  // The platform moves and resizes the window where it can; elsewhere the
  // window follows the mouse itself.
  QWindow* window = windowHandle();
  if (window && (onGrip ? window->startSystemResize(Qt::BottomEdge | Qt::RightEdge) : window->startSystemMove())) {
    return;
  }
  drag_ = onGrip ? Drag::Resize : Drag::Move;
  dragOrigin_ = event->globalPosition().toPoint();
  geometryAtPress_ = geometry();
}

void TesselFrameWnd::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  const QPoint delta = event->globalPosition().toPoint() - dragOrigin_;
  if (drag_ == Drag::Move) {
    move(geometryAtPress_.topLeft() + delta);
    return;
  }
  if (drag_ == Drag::Resize) {
    resize(geometryAtPress_.width() + delta.x(), geometryAtPress_.height() + delta.y());
    return;
  }
  const FrameLayout l = layout();
  if (pressed_ >= 0) {
    SetButtonState(pressed_, l.ButtonAt(pos) == pressed_ ? ButtonState::Pressed : ButtonState::Normal);
    return;
  }
  setCursor(l.grip.contains(pos) ? Qt::SizeFDiagCursor : windowClass().cursor);
  UpdateHover(pos);
}

void TesselFrameWnd::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  drag_ = Drag::None;
  const int pressed = pressed_;
  pressed_ = -1;
  if (pressed < 0) return;
  const bool over = layout().ButtonAt(event->position().toPoint()) == pressed;
  SetButtonState(pressed, over ? ButtonState::Hover : ButtonState::Normal);
  // The action runs only when the mouse is still over the pressed button.
  if (over) OnCaptionButton(CaptionButton(pressed));
}

void TesselFrameWnd::mouseDoubleClickEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  const FrameLayout l = layout();
  if (event->button() == Qt::LeftButton && l.title.contains(pos) && l.ButtonAt(pos) < 0) ToggleSize();
}

}  // namespace velmora
