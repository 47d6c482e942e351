// The "Define custom view" dialog: for each of the three columns of the
// list's "Custom" view, a box that switches it on and the display field it
// shows. OK keeps and saves the choice; Cancel changes nothing.
#pragma once

#include <array>

#include "addressbook/model/ContactList.h"
#include "toolkit/TesselDialog.h"

class QCheckBox;
class QComboBox;

namespace velmora {

inline constexpr int kCustomViewDialog = 3035;

class CustomViewDialog : public TesselDialog {
  Q_OBJECT

 public:
  CustomViewDialog(const std::array<ListColumn, 3>& columns, QWidget* owner = nullptr);

  // The columns as the dialog shows them.
  std::array<ListColumn, 3> columns() const;

  qintptr OnCommand(const Command& command) override;

 protected:
  void OnInitDialog() override;

 private:
  std::array<QCheckBox*, 3> boxes_{};
  std::array<QComboBox*, 3> fields_{};
};

// Runs the dialog over owner; on OK writes the six settings keys and stores
// the new columns in columns. True when the dialog ended with OK.
bool DefineCustomView(QWidget* owner, std::array<ListColumn, 3>& columns);

}  // namespace velmora
