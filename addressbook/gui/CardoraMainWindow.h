// CardoraMainWindow: the address book's self-drawn main window. From top to
// bottom its client area holds the pane bar, the toolbar and the current
// pane ("Intro" or "Work"). It carries out the file commands itself, hands
// record commands to the "Work" pane (see CommandRouting.h), opens the
// record file once it is shown (message 4000), keeps the picture and history
// windows on the selected contact (timers 200 and 201) and saves its
// placement when it closes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "addressbook/gui/AddressBookFeatures.h"
#include "addressbook/gui/CommandRouting.h"
#include "toolkit/TesselFrameWnd.h"

namespace velmora {

class AcceleratorFilter;
class CardoraApp;
class IntroPane;
class TesselPaneBar;
class TesselToolBar;
class WorkPane;
struct FlowUi;

class CardoraMainWindow : public TesselFrameWnd {
  Q_OBJECT

 public:
  static constexpr int kPictureTimer = 200;
  static constexpr int kHistoryTimer = 201;
  static constexpr int kFollowMilliseconds = 500;

  // placement: the saved outer rectangle, or nothing for the default.
  CardoraMainWindow(CardoraApp& app, std::optional<QRect> placement);
  ~CardoraMainWindow() override;

  IntroPane* introPane() const { return intro_; }
  WorkPane* workPane() const { return work_; }
  TesselToolBar* toolBar() const { return toolBar_; }
  TesselPaneBar* paneBar() const { return paneBar_; }

  // Shows the pane at index (0 for an index outside the panes); with the
  // sweep and its sound when animate is set and the animation is on.
  void ShowPane(int index, bool animate);

  // The suite broadcast: 100 re-reads "Sound" and "Annimation" and restarts
  // the refresh timer, unless this window sent it; 101 reloads the skin.
  void OnSuiteBroadcast(int what, qint64 sender);
  // This window as the sender of a broadcast, unique across processes.
  qint64 senderId();

  bool pictureWanted() const { return pictureWanted_; }
  bool historyWanted() const { return historyWanted_; }
  const std::string& shownPicture() const { return shownPicture_; }

  qintptr OnCommand(const Command& command) override;

 signals:
  // The close request was granted: the program ends.
  void closed();

 protected:
  void PrepareClass(WindowClass& windowClass) override;
  void PrepareCreate(CreateParams& params) override;
  bool OnCreated() override;
  void OnInitialise() override;
  bool OnCloseRequest() override;
  void OnTimer(int id) override;
  void ToggleSize() override;

  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Relayout();
  void HandleCommand(const Command& command);
  void ShowDropDownMenu(int button, const std::vector<MenuItem>& items);
  bool ReplaceRecordFile(const std::string& path, const std::string& password, bool examples);
  void NewFile();
  void OpenFile();
  void SaveAs();
  void Compact();
  void ChangePasswords();
  void GeneralOptions();
  void ServerSetup();
  void TogglePicture();
  void ToggleHistory();
  void FollowPicture();
  void FollowHistory();
  ContactSelection Selection() const;
  RecordStore* store() const;
  QRect Desktop() const;

  CardoraApp& app_;
  std::optional<QRect> placement_;
  IntroPane* intro_ = nullptr;
  WorkPane* work_ = nullptr;
  TesselToolBar* toolBar_ = nullptr;
  TesselPaneBar* paneBar_ = nullptr;
  AcceleratorFilter* accelerators_ = nullptr;
  bool pictureWanted_ = false;
  bool historyWanted_ = false;
  std::string shownPicture_;
};

}  // namespace velmora
