// TesselClassIndexBarWnd: the character index bar beside a list. The letters
// "a" to "z" sit in 19 x 19 cells, row by row, as many per row as fit the
// bar's width. A click makes the cell's letter current and posts the window's
// command number with the letter as parameter to the notify target.
#pragma once

#include <QRect>

#include "toolkit/TesselWnd.h"

namespace velmora {

inline constexpr int kIndexCellSize = 19;

class TesselClassIndexBarWnd : public TesselWnd {
  Q_OBJECT

 public:
  explicit TesselClassIndexBarWnd(int command, QWidget* parent = nullptr);

  char currentLetter() const { return current_; }
  // The cell of letter a..z in a bar of width; empty for other characters.
  static QRect CellRect(char letter, int width);
  // The letter whose cell holds pos, or 0.
  static char LetterAt(const QPoint& pos, int width);

 protected:
  void PrepareClass(WindowClass& windowClass) override;
  void Paint(QPainter& painter) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  char current_ = 'a';
};

}  // namespace velmora
