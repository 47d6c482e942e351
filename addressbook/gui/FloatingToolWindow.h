// FloatingToolWindow: the frameless tool windows that float beside the main
// window (the picture window and the history window). They draw their own
// title bar from "pic_ttl.bmp" with the title text and the close button
// "pic_close.bmp", and a resize grip in the lower right corner; dragging
// the title moves the window, dragging the grip resizes it, a double click
// on the title maximises it or gives it its size back. Their placement is
// kept in section "Preference" of the program's settings under four keys
// "<prefix>X", "<prefix>Y", "<prefix>W" and "<prefix>H", written when the
// window closes unless it is maximised.
#pragma once

#include <QImage>
#include <QRect>
#include <functional>
#include <optional>
#include <string>

#include "store/Result.h"
#include "toolkit/TesselWnd.h"

namespace velmora {

// The placement of a floating window: the saved one, or the default (left
// at the main window's right edge + 3, top at its top, defaultSize; 20
// pixels further right and lower when the other floating window is open);
// then moved left or up just enough to end inside the desktop, and never
// above or left of it.
QRect FloatingPlacement(const std::optional<QRect>& saved, const QRect& mainFrame, QSize defaultSize,
                        bool otherOpen, const QRect& desktop);
// The saved placement under prefix ("PWnd_", "HWnd_"); nothing when any key
// is absent or the size is not positive.
std::optional<QRect> ReadFloatingPlacement(const std::string& prefix);
Result WriteFloatingPlacement(const std::string& prefix, const QRect& rect);

class FloatingToolWindow : public TesselWnd {
  Q_OBJECT

 public:
  static constexpr int kTitleHeight = 18;
  static constexpr int kGripSize = 12;
  static constexpr int kCloseSize = 14;

  // owner: the main window (the window floats above it). grip: the resize
  // grip's bitmap.
  FloatingToolWindow(QWidget* owner, const QString& title, const char* gripBitmap, std::string placementPrefix);
  ~FloatingToolWindow() override;

  // Creates the window at placement and shows it.
  bool Open(const QRect& placement);
  // Saves the placement (unless maximised), tells the closed handler and
  // destroys the window (later, so a caller on its stack is safe).
  void CloseWindow();
  // Called once when the window goes, by CloseWindow or the close button.
  void SetClosedHandler(std::function<void()> handler) { closed_ = std::move(handler); }

  void SetTitle(const QString& title);
  const QString& title() const { return title_; }
  // The part of the window below the title bar.
  QRect ContentRect() const;
  QRect CloseButtonRect() const;
  QRect GripRect() const;

 protected:
  void PrepareClass(WindowClass& windowClass) override;
  bool OnCloseRequest() override;
  void EraseBackground(QPainter& painter) override;
  void Paint(QPainter& painter) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  // Lays out the window's own controls in ContentRect().
  virtual void LayoutContent() {}
  void resizeEvent(QResizeEvent* event) override;

 private:
  enum class Drag { None, Move, Resize, Close };

  QString title_;
  const char* grip_;
  std::string prefix_;
  std::function<void()> closed_;
  bool closing_ = false;
  Drag drag_ = Drag::None;
  QPoint dragStart_;
  QRect startGeometry_;
};

}  // namespace velmora
