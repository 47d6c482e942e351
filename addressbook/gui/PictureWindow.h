// PictureWindow: the floating window that shows the picture of the contact
// selected in the main list, with the buttons "New" and "Remove" that set
// or clear that contact's picture. Also the picture box's own "New" and
// "Remove" (the contact editor's box), which act on the box only.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "addressbook/gui/ContactWindowHost.h"
#include "addressbook/gui/FloatingToolWindow.h"

namespace velmora {

class TesselClassPictureWnd;

// The filters of the "Open Picture File" dialog, in order.
std::string PictureFileFilter();
inline constexpr const char* kPictureDialogTitle = "Open Picture File";
// Gives every file dialog shown while it lives the title (the suite's file
// dialogs take no caption of their own).
class ScopedFileDialogTitle : public QObject {
 public:
  explicit ScopedFileDialogTitle(QString title);
  ~ScopedFileDialogTitle() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QString title_;
};
// The "Open Picture File" dialog: the chosen existing file, or nothing.
std::optional<std::string> ChoosePictureFile(QWidget* owner);
// Gives a picture box (the contact editor's) its buttons: "New" loads the
// chosen picture; "Remove" clears the picture after "Do you wish to remove
// this attachment?" (nothing is asked without a picture). changed (when
// given) hears the new path, empty after a removal.
void ConnectPictureBoxButtons(TesselClassPictureWnd& box,
                              std::function<void(const std::string& path)> changed = {});

// Sets (path) or clears (nothing) the picture of the contact selected in
// the host's list under its edit lock, with the refusals of the list's
// record commands (102, 106, a beep for a frozen contact, a reload for a
// hidden one); "add.wav" and a redraw of the list after the change.
void SetSelectedContactPicture(ContactWindowHost& host, const std::optional<std::string>& path);

// "Open attachment" of the list (command 1033): a Reader gets 102;
// otherwise the contact at position is read and, when it has an attachment
// (a kind and a path), the path or address is opened with the desktop.
// True when something was opened.
bool OpenContactAttachment(QWidget* owner, RecordStore& store, RecordPosition position);

class PictureWindow : public FloatingToolWindow {
  Q_OBJECT

 public:
  static constexpr int kDefaultWidth = 250;
  static constexpr int kDefaultHeight = 250;

  explicit PictureWindow(ContactWindowHost& host);
  ~PictureWindow() override;

  // Shows the picture at path (text as stored in the record); an empty path
  // or a picture that cannot be loaded shows the empty box.
  void ShowPicture(const std::string& path);
  TesselClassPictureWnd* box() const { return box_; }

  // The buttons' commands (what a click on "New" and "Remove" runs).
  void NewPicture();
  void RemovePicture();

 protected:
  bool OnCreated() override;
  void LayoutContent() override;

 private:
  ContactWindowHost& host_;
  TesselClassPictureWnd* box_ = nullptr;
};

}  // namespace velmora
