// The "About" dialog (1006) both programs share: the program's icon, name
// and version and what it is within the suite, with an OK button.
#pragma once

#include <QString>

#include "toolkit/TesselDialog.h"

namespace velmora {

class AboutDialog : public TesselDialog {
  Q_OBJECT

 public:
  static constexpr int kTemplate = 1006;
  // program: "Cardora"; description: one line saying what the program is.
  AboutDialog(const QString& program, const QString& description, QWidget* owner = nullptr);

 protected:
  void OnInitDialog() override;
};

}  // namespace velmora
