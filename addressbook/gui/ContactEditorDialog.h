// The contact editor: one contact in seven sections ("Name" to "Notes /
// Other") chosen from the section list, with the file's "Categories" and the
// "Confidential" flag below them. Every input control carries its number as
// its object name ("106" is First Name), so the commands and the tests find
// it. The values move between record and controls by the editor rules of
// ContactEditorRules.h; what the action button, the date buttons and
// "&Open" hand to the desktop goes through ContactEditorActions, which
// tests replace.
#pragma once

#include <QDialog>
#include <QPoint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "addressbook/model/Contact.h"
#include "addressbook/model/ContactEditorRules.h"
#include "store/Dates.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QToolButton;

namespace velmora {

class TesselClassPictureWnd;

// The section titles, in the order of the section list.
inline constexpr int kEditorSectionCount = 7;
const char* EditorSectionTitle(int section);
// The control that gets the focus when a section is shown.
int EditorSectionFocus(int section);

// What the editor hands to the desktop. Each member may be replaced; an
// empty member does what the program normally does (dial with the desktop's
// telephony handler, a new e-mail, open a document or address, the suite's
// date picker, the beep). Dial, Mail and Open answer whether it worked.
struct ContactEditorActions {
  std::function<bool(const std::string& number, const std::string& calledParty)> dial;
  std::function<bool(const std::string& address)> mail;
  std::function<bool(const std::string& pathOrAddress)> open;
  std::function<std::optional<DateValue>(QWidget* owner, const DateValue& initial, const QPoint& at)> pickDate;
};
// Installs actions for every editor made afterwards and returns the old ones.
ContactEditorActions SetContactEditorActions(ContactEditorActions actions);
// Opens a document or an address with the desktop through the installed
// open action; false when that did not work.
bool OpenWithDesktop(const std::string& pathOrAddress);

// What the editor needs to know about the open file.
struct ContactEditorSetup {
  int accessLevel = 0;                  // AccessLevel of the store
  std::vector<std::string> categories;  // the file's category names (at most 30 are offered)
  DateValue today;                      // offered for a contact without a date
};
// The setup of the store: its access level, its category names (none when
// the block cannot be read; the record's own category is still kept) and
// today.
ContactEditorSetup EditorSetupFor(RecordStore& store);

class ContactEditorDialog : public QDialog {
  Q_OBJECT

 public:
  enum class Mode { Edit = 1, New = 2 };

  // Shows contact (in New mode too: the caller passes the new record
  // buffer). values, when given, replace what the contact would show (a
  // second try after a failed save keeps what was typed).
  ContactEditorDialog(Mode mode, const Contact& contact, const ContactEditorSetup& setup, QWidget* owner = nullptr,
                      const std::optional<ContactEditorValues>& values = std::nullopt);

  // The values as the controls now stand; the confidential flag stays the
  // contact's unless the user is the Owner.
  ContactEditorValues values() const;
  // The contact with the values stored into it (what OK gives).
  Contact contact() const;

  int currentSection() const { return section_; }
  // Shows a section (nothing when it is the current one).
  void ShowSection(int section);
  // The control the action button now stands beside; 0 when hidden.
  int actionField() const { return actionField_; }

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The type list position (0..16) chosen for other phone 0..4; -1 none.
  int OtherPhoneType(int phone) const;
  void BuildName(QWidget* page);
  void BuildHome(QWidget* page);
  void BuildBusiness(QWidget* page);
  void BuildCustom(QWidget* page);
  void BuildPersonal(QWidget* page);
  void BuildAttach(QWidget* page);
  void BuildNotes(QWidget* page);

  QWidget* TextControl(int control, QWidget* parent, bool lines = false);
  void Load(const ContactEditorValues& values);
  void UpdateOk();
  void ShowActionButton(int control);
  void RunAction();
  void AddChild();
  void EditChild();
  void RemoveChild();
  void UpdateChildButtons();
  void PickDate(int button);
  void ShowDate(int button, const DateValue& date);
  std::string TextOf(int control) const;
  void SetTextOf(int control, const std::string& text);
  void Browse();
  void OpenAttachment();

  Mode mode_;
  Contact contact_;
  int accessLevel_;
  int section_ = -1;
  int actionField_ = 0;
  DateValue birthday_, anniversary_;

  std::map<int, QWidget*> texts_;  // text controls by number
  QListWidget* sections_;
  QGroupBox* frame_;
  QStackedWidget* pages_;
  QPushButton* ok_;
  QToolButton* action_;
  QListWidget* children_;
  TesselClassPictureWnd* picture_ = nullptr;
  QPushButton* editChild_;
  QPushButton* removeChild_;
  QPushButton* birthdayButton_;
  QPushButton* anniversaryButton_;
  QCheckBox* birthdayEnable_;
  QCheckBox* anniversaryEnable_;
  QComboBox* gender_;
  QComboBox* otherTypes_[5];
  QRadioButton* document_;
  QRadioButton* url_;
  QCheckBox* noMailMerge_;
  QComboBox* categories_;
  QCheckBox* confidential_;
};

// Runs the editor modally over owner on record (3,729 bytes; in New mode
// the caller has made it a new contact record). 1 on OK, with record
// holding the new values; 0 on Cancel, record unchanged.
int RunContactEditor(QWidget* owner, RecordStore& store, Bytes& record, ContactEditorDialog::Mode mode);

// The child dialog ("Chield"): one name of at most 254 characters; OK only
// with text. The name typed, or nothing on Cancel.
std::optional<std::string> AskChildName(QWidget* owner, const std::string& name);

}  // namespace velmora
