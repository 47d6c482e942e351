// The "With" window of the event editor: the contacts of an address book
// ("*.adr", read through the record store and never changed) by name, and
// ready phrases such as "Meeting with Ann Lee." that become the event's
// subject. The address book is the one "eContactFile" of "Almanor.ini"
// names, taken over from "DefaulFile" of "Cardora.ini" the first time.
#pragma once

#include <QDialog>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "addressbook/model/Contact.h"
#include "shell/RecordFileCommands.h"
#include "store/Result.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

namespace velmora {

// The phrases offered before a contact's name, in this order.
inline constexpr std::array<std::string_view, 3> kContactPhrases{"Appointment with", "Meeting with", "Call"};
// The most a phrase may hold, and the most the Description may.
inline constexpr size_t kContactPhraseLimit = 254;
inline constexpr size_t kContactDescriptionLimit = 5023;
// The message for an address book that is missing or cannot be read; the
// path follows the line break.
inline constexpr std::string_view kCantOpenContactFileText = "Can't open Cardora file.\r\n";

// The address book the picker reads: "eContactFile" of section "Preference"
// in "Almanor.ini"; when that is empty, "DefaulFile" of "Cardora.ini"
// (both in the program folder), which is then written to "eContactFile".
// Empty when neither names a file. remembered, when given, receives the
// result of that write (ok when nothing was written).
std::string ContactFileSetting(Result* remembered = nullptr);
// Writes path to "eContactFile".
Result RememberContactFile(const std::string& path);

// "First Last" of a contact record: the two fields with a blank between,
// so a contact without a last name is its first name and a blank.
std::string ContactPickerName(const Contact& contact);

// The Description list: the bare phrases without a name; with one, each
// phrase, a blank, the name and a full stop, then the name alone.
std::vector<std::string> ContactDescriptions(std::optional<std::string_view> name);

// Sorts names as the contact list shows them: letter case aside, then by
// their bytes (so equal names in different case keep one order).
void SortContactNames(std::vector<std::string>& names);

// Why the contacts of an address book could not be listed.
enum class ContactLoadFailure {
  None,
  CannotOpen,      // missing, not an address book, or unreadable
  WrongPassword,   // the password typed is none of the file's three
  Cancelled,       // the password prompt was cancelled
};
struct ContactLoad {
  ContactLoadFailure failure = ContactLoadFailure::None;
  std::vector<std::string> names;  // sorted; the contacts the password may see
};
// Opens path read-only through the record store, asking prompt for the
// password when the file has an Owner password (as the address book asks
// it), and gives the names of every readable contact. The connection is
// closed before it returns.
ContactLoad LoadContactNames(const std::string& path, const PasswordPrompt& prompt);

// The window (object name "contactPicker", titled "With"). Its controls
// carry object names for the tests: "description" (the editable phrase
// box), "contacts", "file" (read-only), "browse", "1" ("&Ok"), "2"
// ("Cancel").
class ContactPickerDialog : public QDialog {
  Q_OBJECT

 public:
  // Finds the address book and lists its contacts; a file that cannot be
  // read is told (the window stays usable with the bare phrases). prompt
  // asks a file's password; none: the suite's password window.
  explicit ContactPickerDialog(QWidget* owner = nullptr, PasswordPrompt prompt = {});

  // The Description as typed or chosen.
  std::string description() const;
  // The address book shown, and the names listed in order.
  std::string contactFile() const;
  std::vector<std::string> contactNames() const;

  // "Browse": a chosen address book that lists is shown and remembered in
  // "eContactFile"; one that does not is told, and nothing changes.
  void BrowseContactFile();

 private:
  // Lists path's contacts; false (after telling why) when it cannot.
  bool LoadContacts(const std::string& path);
  void RebuildDescriptions(std::optional<std::string_view> name);
  void ContactChosen();

  PasswordPrompt prompt_;
  QComboBox* description_;
  QListWidget* contacts_;
  QLineEdit* file_;
};

// Opens the picker over owner: the Description on "&Ok", nothing on
// "Cancel".
std::optional<std::string> PickContactDescription(QWidget* owner);

}  // namespace velmora
