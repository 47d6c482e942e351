// The attachment of an event: a document (a file path) or a URL, with
// "&Browse" for a file and "&Open" to show it through the desktop.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QLineEdit;
class QRadioButton;

namespace velmora {

struct EventAttachment {
  uint8_t kind = 0;  // 0 none, 1 document, 2 URL
  std::string target;
  friend bool operator==(const EventAttachment&, const EventAttachment&) = default;
};

class AttachDialog : public QDialog {
  Q_OBJECT

 public:
  AttachDialog(const EventAttachment& attachment, QWidget* owner = nullptr);

  // What "OK" gives: the kind is 0 for an empty edit, whatever is chosen.
  EventAttachment attachment() const;

 private:
  void Browse();
  void Open();

  QRadioButton* document_;
  QRadioButton* url_;
  QLineEdit* target_;
};

// Runs the dialog modally; the attachment on "OK", nothing on "Cancel".
std::optional<EventAttachment> EditAttachment(QWidget* owner, const EventAttachment& attachment);

}  // namespace velmora
