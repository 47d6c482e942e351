// The splash (an empty borderless dialog, 1010): 261 x 226 pixels centred on
// the desktop, showing "splash.bmp" for 800 ms (timer 100), then closing.
#pragma once

#include "toolkit/TesselDialog.h"

namespace velmora {

class SplashWindow : public TesselDialog {
  Q_OBJECT

 public:
  static constexpr int kTemplate = 1010;
  static constexpr int kTimer = 100;
  static constexpr int kMilliseconds = 800;
  static constexpr QSize kSize{261, 226};

  explicit SplashWindow(QWidget* owner = nullptr);

 protected:
  void OnInitDialog() override;
  void paintEvent(QPaintEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  int timer_ = 0;
};

}  // namespace velmora
