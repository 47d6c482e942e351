// TesselClassIndexSearchWnd: the one-line search box above a list. The label
// "Search:" sits in the left 50 pixels and an edit field fills the rest. The
// frame is light blue with a bold label while the box has the focus, rose
// otherwise. Every change of the text posts the window's command number with
// parameter 0 to the notify target; leaving the box clears the text, so a
// search never outlives the visit.
#pragma once

#include <QString>

#include "toolkit/TesselWnd.h"

class QLineEdit;

namespace velmora {

inline constexpr int kSearchTextLimit = 254;
inline constexpr int kSearchLabelWidth = 50;

class TesselClassIndexSearchWnd : public TesselWnd {
  Q_OBJECT

 public:
  explicit TesselClassIndexSearchWnd(int command, QWidget* parent = nullptr);

  // The copy of the edit field's text (at most 254 characters).
  const QString& text() const { return text_; }
  QLineEdit* edit() const { return edit_; }
  // Whether the box or its edit field has the keyboard focus.
  bool focusedLook() const;

 protected:
  void PrepareClass(WindowClass& windowClass) override;
  void Paint(QPainter& painter) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void TextChanged(const QString& text);

  QLineEdit* edit_;
  QString text_;
};

}  // namespace velmora
