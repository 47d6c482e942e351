// ContactWindowHost: what the picture and history windows need from the
// main window they float beside. The main window (or a test) implements it.
#pragma once

#include <QApplication>
#include <QWidget>
#include <optional>
#include <string>

#include "store/RecordStore.h"

namespace velmora {

// The longest path a record keeps (picture, attachment): 259 bytes. A
// longer one would be stored cut, naming another file, so it is refused
// with this text.
inline constexpr size_t kStoredPathLimit = 259;
inline std::string PathTooLongText(const std::string& path) {
  return "The path \"" + path + "\" is too long. A path may have at most 259 characters.";
}

class ContactWindowHost {
 public:
  virtual ~ContactWindowHost() = default;

  // The main window: owner of the floating windows and the rectangle their
  // default placement starts from.
  virtual QWidget* mainWindow() = 0;
  // The open address book, or none.
  virtual RecordStore* addressBook() = 0;
  // The contact selected in the list, or none.
  virtual std::optional<RecordPosition> selectedContact() = 0;
  // After the contact at position changed: redraw the list with it selected.
  virtual void ContactChanged(RecordPosition position) = 0;
  // Reload the list (a contact this user may not see any more).
  virtual void ReloadContacts() = 0;
  // Give the list the keyboard focus.
  virtual void FocusContacts() = 0;

  // False while the main window is disabled or a modal dialog of the program
  // is open: the floating windows' commands then only beep.
  virtual bool mainWindowEnabled() {
    QWidget* main = mainWindow();
    return main && main->isEnabled() && !QApplication::activeModalWidget();
  }
};

}  // namespace velmora
