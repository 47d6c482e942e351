// The tray program's settings: the calendars it watches besides the one
// Almanor opened last. "&Add..." picks a calendar file, "&Remove" drops the
// selected one; OK stores the list.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;

namespace velmora {

class TraySettingsDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr const char* kListName = "calendars";
  static constexpr const char* kAddName = "add";
  static constexpr const char* kRemoveName = "remove";
  static constexpr const char* kOkName = "1";
  static constexpr const char* kCancelName = "2";

  explicit TraySettingsDialog(QWidget* owner = nullptr);

  std::vector<std::string> calendars() const;
  void accept() override;

 private:
  void Add();
  void Remove();
  void UpdateButtons();

  QListWidget* list_;
  QPushButton* add_;
  QPushButton* remove_;
};

}  // namespace velmora
