// TesselFrameWnd: a top-level window that draws its own frame from the skin.
// Every 100 ms (timer 3000) while it is the active window it redraws a
// caption button whose hover state changed; pressing a caption button tracks
// the mouse, and releasing over the same button runs its action. Dragging the
// title bar moves the window, dragging the grip resizes it from the lower
// right corner, a right click opens the skin menu, and the frame's command
// routing handles the skin commands (1042, 1500 to 1999).
#pragma once

#include <array>

#include "store/Result.h"
#include "toolkit/FramePainter.h"
#include "toolkit/TesselWnd.h"

namespace velmora {

inline constexpr int kFrameTimer = 3000;

// The outline of a framed window of that size: rounded top corners, square
// lower ones.
QRegion FrameOutline(const QSize& window);

class TesselFrameWnd : public TesselWnd {
  Q_OBJECT

 public:
  explicit TesselFrameWnd(QWidget* parent = nullptr);

  // The client area inside the frame, in this window's coordinates.
  QRect ClientRect() const;
  FrameLayout layout() const;
  ButtonState buttonState(CaptionButton button) const { return states_[size_t(button)]; }

  qintptr OnCommand(const Command& command) override;

  // Rebuilds the window's outline (rounded top corners).
  void RebuildOutline();

 protected:
  void PrepareCreate(CreateParams& params) override;
  bool OnCreated() override;
  void OnTimer(int id) override;
  void Paint(QPainter& painter) override;

  // The caption buttons' actions: minimize, toggle size, close.
  virtual void OnCaptionButton(CaptionButton button);
  virtual void ToggleSize();
  virtual void OnFrameRightClick(const QPoint& globalPos);
  // Tells the user that a command of the frame failed (a skin that could not
  // be chosen); the programs show it in their message box, this frame on
  // the standard error.
  virtual void ShowFailure(const Result& failure);

  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  // A window that is left or loses activation shows no hovered button.
  void leaveEvent(QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  enum class Drag { None, Move, Resize };
  void SetButtonState(int button, ButtonState state);
  void UpdateHover(const QPoint& pos);

  std::array<ButtonState, 3> states_{ButtonState::Normal, ButtonState::Normal, ButtonState::Normal};
  int pressed_ = -1;
  Drag drag_ = Drag::None;
  QPoint dragOrigin_;
  QRect geometryAtPress_;
};

}  // namespace velmora
