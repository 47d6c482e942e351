// TesselClassWndBin: the recycle-bin icon. It shows an empty or a full bin
// standing on its bottom edge, takes a row dropped from a list (asking its
// parent to delete it), and offers "&Undo delete" and "&Empty bin". What
// the bin holds lives with the program: the window asks it through
// BinHooks, and tells its parent with its command number (107 in the
// "Work" pane) and a parameter: 1023 take the last deleted record back,
// 1003 delete the selected record (the parent answers 1 when it did).
#pragma once

#include <QColor>
#include <QString>
#include <functional>

#include "toolkit/TesselWnd.h"

class QMenu;

namespace velmora {

struct BinHooks {
  std::function<bool()> holds;                // the bin holds a record
  std::function<void()> empty;                // forget it
  std::function<void(const QString&)> tell;   // the suite's information box
  // The program's window is the one in front; by default the bin's own
  // top-level window being active.
  std::function<bool()> foreground;
};

class TesselClassWndBin : public TesselWnd {
  Q_OBJECT

 public:
  static constexpr int kDefaultCommand = 107;
  static constexpr int kNotifyUndo = 1023;
  static constexpr int kNotifyDelete = 1003;
  static constexpr int kCmdMenuUndo = 1035;
  static constexpr int kCmdMenuEmpty = 1034;
  static constexpr int kIconHalfWidth = 20;   // the icon area each side of the centre line
  static constexpr int kDropLeft = 25;        // the drop area left of the centre line
  static constexpr int kDropRight = 20;

  explicit TesselClassWndBin(BinHooks hooks, QWidget* parent = nullptr, int command = kDefaultCommand);

  void SetBackground(const QColor& colour);
  bool holds() const { return hooks_.holds && hooks_.holds(); }
  // The bitmap drawn now: "recicle2.bmp" when holding, else "recicle1.bmp".
  const char* bitmapName() const;
  // The icon's area (client coordinates): the bitmap's height from the
  // bottom, 20 pixels each side of the centre line.
  QRect iconArea() const;
  // Whether a drop at the screen point is taken.
  bool AcceptsDrop(const QPoint& global) const;

  // The context menu's two entries, disabled while the bin is empty; each
  // sends its command to this window.
  void FillMenu(QMenu& menu);
  // The effect of a left click on the icon.
  void Click();

  // 1020 (may a drop land there), 1021 (a drop), 1035 and 1034 (the menu).
  qintptr OnCommand(const Command& command) override;

 protected:
  void PrepareClass(WindowClass& windowClass) override;
  void EraseBackground(QPainter& painter) override;
  void Paint(QPainter& painter) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  qintptr Tell(qintptr param);

  BinHooks hooks_;
  QColor background_;
  int bitmapHeight_ = 0;  // of the bitmap last drawn
};

}  // namespace velmora
