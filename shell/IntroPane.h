// The welcome pane "Intro" (index 0) of both programs: the picture 4000
// beside the text of string 100 of the running program.
#pragma once

#include "toolkit/TesselPane.h"

namespace velmora {

class IntroPane : public TesselPane {
  Q_OBJECT

 public:
  explicit IntroPane(QWidget* parent = nullptr);

  // Where the picture and the text go in a pane of that size.
  static QRect PictureRect(const QSize& pane, const QSize& picture);
  static QRect TextRect(const QSize& pane, const QSize& picture);

 protected:
  void Paint(QPainter& painter) override;
};

}  // namespace velmora
