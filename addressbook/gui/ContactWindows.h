// ContactWindows: the picture window and the history window of one main
// window, opened, followed and closed as the main window's timers 200 and
// 201 and its commands 1044 and 1045 ask (the members match the picture
// and history members of FeatureWindows one for one). Each window is placed
// beside the main window, 20 pixels further when the other one is open.
#pragma once

#include <QPointer>
#include <functional>
#include <string>

#include "addressbook/gui/ContactWindowHost.h"
#include "addressbook/gui/HistoryWindow.h"
#include "addressbook/gui/PictureWindow.h"

class QObject;

namespace velmora {

class ContactWindows {
 public:
  explicit ContactWindows(ContactWindowHost& host);
  ~ContactWindows();
  ContactWindows(const ContactWindows&) = delete;
  ContactWindows& operator=(const ContactWindows&) = delete;

  // Shows the picture at path (as stored in the record; empty: none),
  // opening the window when needed.
  void ShowPictureWindow(const std::string& path);
  // Saves the placement (unless maximised) and closes the window.
  void ClosePictureWindow();
  bool PictureWindowOpen() const { return picture_ != nullptr; }
  PictureWindow* pictureWindow() const { return picture_; }

  // Shows the history of contact (none: no contact), opening the window
  // when needed; the contact's position is the host's selected contact.
  void ShowHistoryWindow(RecordStore& addressBook, const Bytes* contact);
  void CloseHistoryWindow();
  bool HistoryWindowOpen() const { return history_ != nullptr; }
  HistoryWindow* historyWindow() const { return history_; }
  // The history window (as the target of Insert, Enter and Delete) and
  // whether its entry list has the keyboard focus.
  QObject* HistoryWindowObject() const;
  bool HistoryListHasFocus() const;

  // Called when the person closes a window with its close button, so the
  // main window clears its picture or history window flag.
  void SetPictureClosedHandler(std::function<void()> handler) { pictureClosed_ = std::move(handler); }
  void SetHistoryClosedHandler(std::function<void()> handler) { historyClosed_ = std::move(handler); }

 private:
  QRect Desktop() const;
  QRect MainFrame() const;

  ContactWindowHost& host_;
  QPointer<PictureWindow> picture_;
  QPointer<HistoryWindow> history_;
  std::function<void()> pictureClosed_, historyClosed_;
  bool closingByCall_ = false;
};

}  // namespace velmora
