// SuiteMainWindow: the self-drawn main window of a program of the suite.
// From top to bottom its client area holds the pane bar, the toolbar and the
// current pane. The frame places and sizes itself, shows panes (with the
// sweep), opens the record file once it is shown (message 4000), carries out
// the file commands shared by the programs (New, Open, Save As, Compact,
// Network Passwords, General Options, Exit), answers the suite broadcast and
// saves its placement when it closes. The program's main window adds its
// panes, toolbar buttons, accelerator keys, menus and own commands.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "shell/AcceleratorFilter.h"
#include "shell/MenuItem.h"
#include "store/Settings.h"
#include "toolkit/TesselFrameWnd.h"

namespace velmora {

class RecordStore;
class SuiteApp;
class TesselPaneBar;
class TesselToolBar;

class SuiteMainWindow : public TesselFrameWnd {
  Q_OBJECT

 public:
  // placement: the saved outer rectangle, or nothing for the default.
  SuiteMainWindow(SuiteApp& app, std::optional<QRect> placement);
  ~SuiteMainWindow() override;

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

  // The program's part. The record file was opened (or, with nothing,
  // closed): the panes that show it get it.
  virtual void SetRecordFile(RecordStore* store) = 0;
  // At the program's end: what the panes keep in the program's settings
  // (written with the frame's own keys in one rewrite of the file).
  virtual void AddProgramState(std::vector<SettingValue>& values) const = 0;

 signals:
  // The close request was granted: the program ends.
  void closed();

 protected:
  // The program's panes (registered in order), its toolbar buttons and its
  // accelerator keys.
  virtual bool CreatePanes() = 0;
  virtual void AddToolBarButtons(TesselToolBar& toolBar) = 0;
  virtual AcceleratorTable Accelerators() const = 0;
  // Where the keyboard goes after a file was opened or a file dialog ended.
  virtual void FocusWork() {}
  // Whether the program lets the window close now (it says why not itself),
  // and what it closes before the window does.
  virtual bool MayClose() { return true; }
  virtual void Closing() {}
  // A failed frame command (a skin that could not be chosen) in the message
  // box.
  void ShowFailure(const Result& failure) override;

  // Carries out the file commands the programs share, the pane command and
  // "&Exit"; false for any other command.
  bool HandleSharedCommand(int command, qintptr param);
  // A drop-down menu below the toolbar button: at its left edge, 4 pixels
  // below its bottom edge. The chosen item is posted to this window.
  void ShowDropDownMenu(int button, const std::vector<MenuItem>& items);

  SuiteApp& app() const { return app_; }
  RecordStore* store() const;

  void PrepareClass(WindowClass& windowClass) override;
  void PrepareCreate(CreateParams& params) override;
  bool OnCreated() override;
  void OnInitialise() override;
  bool OnCloseRequest() override;
  void ToggleSize() override;

  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Relayout();
  QRect Desktop() const;
  bool ReplaceRecordFile(const std::string& path, const std::string& password, bool examples);
  void NewFile();
  void OpenFile();
  void SaveAs();
  void Compact();
  void ChangePasswords();
  void GeneralOptions();

  SuiteApp& app_;
  std::optional<QRect> placement_;
  TesselToolBar* toolBar_ = nullptr;
  TesselPaneBar* paneBar_ = nullptr;
  AcceleratorFilter* accelerators_ = nullptr;
};

}  // namespace velmora
