// What the contact editor shows and saves, without its controls: the text
// controls with their fields and limits, the values of one contact as the
// editor holds them, moving them between record and editor, when OK may be
// pressed, and what the action button beside a field does.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "addressbook/model/Contact.h"
#include "store/Dates.h"

namespace velmora {

// One text control of the editor: its control id, the field it edits and
// the number of characters it accepts.
struct EditorTextControl {
  int control;
  ContactField field;
  int limit;
};
// Every text control, in section order ("Name" to "Notes / Other"); the
// other phones' texts are 405..409.
std::span<const EditorTextControl> EditorTextControls();
const EditorTextControl* FindEditorTextControl(int control);

// The longest category name the editor accepts, in characters.
inline constexpr int kEditorCategoryLimit = 29;
inline constexpr int kMaxChildren = 5;

// A date of the editor: its "Enable" box and the date on its button.
struct EditorDate {
  bool enabled = false;
  DateValue date;
};

struct ContactEditorValues {
  std::vector<std::string> texts;          // one per EditorTextControls() entry, in its order
  std::array<int, 5> otherPhoneTypes{};    // list position 0..16; -1 no choice
  std::vector<std::string> children;       // at most five
  int gender = 0;                          // list position 0..2
  EditorDate birthday, anniversary;
  bool attachmentIsUrl = false;
  bool noMailMerge = false;
  bool confidential = false;
  std::string category;

  std::string& Text(int control);
  const std::string& Text(int control) const;
};

// The editor's values of a contact. A stored date is shown whole, year
// included, with "Enable" marked; a contact without a valid date shows
// today, not enabled.
ContactEditorValues LoadEditorValues(const Contact& contact, const DateValue& today);
// Moves the values into the contact: texts cut to fit their fields at a
// character boundary, the five children fields cleared before the list is
// stored, a date that is not enabled stored as no date, other-phone type
// position + 1 (0 for no choice), attachment kind 2 for "URL" else 1, the
// mail-merge opt-out, the confidential flag and the category (29 bytes at
// most, cut at a character boundary). Everything the editor does not show stays as it was.
void StoreEditorValues(const ContactEditorValues& values, Contact& contact);

// OK may be pressed when the first, last or nick name is not empty.
bool EditorMayConfirm(const ContactEditorValues& values);

// What the action button does for the field it stands beside.
enum class EditorAction { Beep, Dial, Mail, Open };
// The button's fields: 215, 217, 218, 219, 323, 325, 326, 327 and 405..409.
bool HasActionButton(int control);
// The action for control holding text; otherPhoneType is the list position
// chosen beside an other phone (405..409), -1 for none. An empty text, an
// other phone without a type and a control without the button beep.
EditorAction EditorActionFor(int control, const std::string& text, int otherPhoneType);

}  // namespace velmora
