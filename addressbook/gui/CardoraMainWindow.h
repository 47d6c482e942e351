// CardoraMainWindow: the address book's main window on the suite's frame
// (SuiteMainWindow). It adds the panes "Intro" and "Work", the toolbar
// buttons and menus of the address book, hands record commands to the
// "Work" pane (see CommandRouting.h), opens the feature windows, and keeps
// the picture and history windows on the selected contact (timers 200 and
// 201).
#pragma once

#include <optional>
#include <string>

#include "addressbook/gui/CommandRouting.h"
#include "addressbook/gui/FeatureWindows.h"
#include "shell/SuiteMainWindow.h"

namespace velmora {

class CardoraApp;
class IntroPane;
class WorkPane;

class CardoraMainWindow : public SuiteMainWindow {
  Q_OBJECT

 public:
  static constexpr int kPictureTimer = 200;
  static constexpr int kHistoryTimer = 201;
  static constexpr int kFollowMilliseconds = 500;

  // placement: the saved outer rectangle, or nothing for the default.
  CardoraMainWindow(CardoraApp& app, FeatureWindows& features, std::optional<QRect> placement);
  ~CardoraMainWindow() override;

  IntroPane* introPane() const { return intro_; }
  WorkPane* workPane() const { return work_; }

  bool pictureWanted() const { return pictureWanted_; }
  bool historyWanted() const { return historyWanted_; }
  const std::string& shownPicture() const { return shownPicture_; }
  // The person closed the picture or history window with its own close
  // button: the timers stop showing it.
  void PictureWindowClosed();
  void HistoryWindowClosed();

  qintptr OnCommand(const Command& command) override;

  void SetRecordFile(RecordStore* store) override;
  void AddProgramState(std::vector<SettingValue>& values) const override;

 protected:
  bool CreatePanes() override;
  void AddToolBarButtons(TesselToolBar& toolBar) override;
  AcceleratorTable Accelerators() const override;
  void FocusWork() override;
  bool MayClose() override;
  void Closing() override;
  void OnTimer(int id) override;

 private:
  void HandleCommand(const Command& command);
  void ServerSetup();
  void TogglePicture();
  void ToggleHistory();
  void FollowPicture();
  void FollowHistory();
  ContactSelection Selection() const;

  FeatureWindows& features_;
  IntroPane* intro_ = nullptr;
  WorkPane* work_ = nullptr;
  bool pictureWanted_ = false;
  bool historyWanted_ = false;
  std::string shownPicture_;
};

}  // namespace velmora
