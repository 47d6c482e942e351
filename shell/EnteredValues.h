// What a person has entered into a dialog's controls, so that a dialog
// holding entries (a wizard half filled in) asks before Escape, "Cancel" or
// its close button throws them away.
#pragma once

#include <QStringList>

class QWidget;

namespace velmora {

// The question asked before entries are thrown away.
inline constexpr const char* kDiscardEntriesText =
    "Do you want to close the wizard?\r\nWhat you have entered will be lost.";

class EnteredValues {
 public:
  // Remembers what the input controls inside dialog hold now: texts that
  // may be typed into, choices of lists and drop-down lists, check boxes and
  // radio buttons, spin boxes.
  void Remember(const QWidget* dialog);
  // Whether any of those controls now holds something else.
  bool Changed(const QWidget* dialog) const;

  // The values of the input controls inside dialog, in the order of the
  // controls.
  static QStringList ValuesOf(const QWidget* dialog);

 private:
  QStringList remembered_;
};

// True when dialog may close without being used: nothing was entered since
// entered remembered it, or the person answered Yes to kDiscardEntriesText.
bool MayDiscardEntries(QWidget* dialog, const EnteredValues& entered);

}  // namespace velmora
