// Text boxes over record fields whose widths count UTF-8 bytes, not
// characters: a box limited this way refuses what would not fit where it
// was typed or pasted, so the text shown is exactly the text saved.
#pragma once

#include <QString>
#include <QValidator>

class QLineEdit;
class QComboBox;
class QPlainTextEdit;

namespace velmora {

// The UTF-8 length of text, as the record would store it.
int Utf8Bytes(const QString& text);

// Removes whole characters just before cursor (where the last typing or
// paste ended) until text takes at most maxBytes in UTF-8; when that is not
// enough, from the end. cursor follows the removal.
QString FitUtf8Bytes(QString text, int& cursor, int maxBytes);

// Keeps a line edit's text within maxBytes, cutting what was just entered.
class Utf8LengthValidator : public QValidator {
 public:
  Utf8LengthValidator(int maxBytes, QObject* parent) : QValidator(parent), maxBytes_(maxBytes) {}
  State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override;
  int maxBytes() const { return maxBytes_; }

 private:
  int maxBytes_;
};

// Limits the box to maxBytes of UTF-8 (its character count too, which can
// never be the tighter limit).
void LimitUtf8Bytes(QLineEdit* edit, int maxBytes);
void LimitUtf8Bytes(QComboBox* editableBox, int maxBytes);

}  // namespace velmora
