// The "Skins" dialog (2020): the skin names in a list; "Ok" makes the
// selected skin current for the whole suite, "Cancel" changes nothing.
#pragma once

#include <QStringListModel>
#include <vector>

#include "toolkit/Skin.h"
#include "toolkit/TesselDialog.h"

class QPushButton;

namespace velmora {

class TesselWndList;

class SkinDialog : public TesselDialog {
  Q_OBJECT

 public:
  static constexpr int kTemplate = 2020;
  static constexpr int kListId = 100;

  explicit SkinDialog(QWidget* owner = nullptr);

  TesselWndList* list() const { return list_; }
  QPushButton* okButton() const { return ok_; }
  const std::vector<SkinEntry>& skins() const { return skins_; }
  // Whether "Ok" could make the selected skin current (ok until then).
  const Result& chosen() const { return chosen_; }

  qintptr OnCommand(const Command& command) override;

 protected:
  void OnInitDialog() override;

 private:
  std::vector<SkinEntry> skins_;
  Result chosen_ = Result::Ok();
  QStringListModel names_;
  TesselWndList* list_;
  QPushButton* ok_;
};

}  // namespace velmora
