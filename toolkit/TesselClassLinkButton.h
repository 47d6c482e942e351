// TesselClassLinkButton: a text button drawn as a link, in the colours it is
// given; underlined under the mouse, with the hand cursor. A click posts its
// control id as a command to the notify target.
#pragma once

#include "toolkit/TesselWnd.h"

namespace velmora {

void PaintLinkButton(QPainter& painter, const QRect& rect, const QString& text, const QColor& colour, bool hover,
                     bool pressed, bool enabled);

class TesselClassLinkButton : public TesselWnd {
  Q_OBJECT

 public:
  TesselClassLinkButton(const QString& text, int command, QWidget* parent = nullptr,
                        QColor colour = QColor(0, 0, 226), QColor background = QColor());

  void SetText(const QString& text);
  const QString& text() const { return text_; }
  // The width the text needs.
  int idealWidth() const;

 protected:
  void PrepareClass(WindowClass& windowClass) override;
  void EraseBackground(QPainter& painter) override;
  void Paint(QPainter& painter) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QString text_;
  QColor colour_;
  QColor background_;
  bool hover_ = false;
  bool pressed_ = false;
};

}  // namespace velmora
