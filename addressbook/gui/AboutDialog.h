// The "About" dialog (1006): the program's icon, name and version and the
// suite it belongs to, with an OK button.
#pragma once

#include "toolkit/TesselDialog.h"

namespace velmora {

class AboutDialog : public TesselDialog {
  Q_OBJECT

 public:
  static constexpr int kTemplate = 1006;
  explicit AboutDialog(QWidget* owner = nullptr);

 protected:
  void OnInitDialog() override;
};

}  // namespace velmora
