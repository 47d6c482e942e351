#include "toolkit/Utf8Limit.h"

#include <algorithm>

#include <QComboBox>
#include <QLineEdit>

namespace velmora {
namespace {

// The UTF-8 length of the code point that ends just before index.
int BytesOfCodePointBefore(const QString& text, int index, int& units) {
  const QChar last = text.at(index - 1);
  if (last.isLowSurrogate() && index >= 2 && text.at(index - 2).isHighSurrogate()) {
    units = 2;
    return 4;
  }
  units = 1;
  const char16_t u = last.unicode();
  if (u < 0x80) return 1;
  if (u < 0x800) return 2;
  return 3;  // a lone surrogate is written as U+FFFD, three bytes as well
}

}  // namespace

int Utf8Bytes(const QString& text) { return int(text.toUtf8().size()); }

QString FitUtf8Bytes(QString text, int& cursor, int maxBytes) {
  int excess = Utf8Bytes(text) - maxBytes;
  if (excess <= 0) return text;
  cursor = std::clamp(cursor, 0, int(text.size()));
  // First what was just entered: the characters before the cursor.
  int start = cursor;
  while (excess > 0 && start > 0) {
    int units = 0;
    excess -= BytesOfCodePointBefore(text, start, units);
    start -= units;
  }
  text.remove(start, cursor - start);
  cursor = start;
  // Then, if the text was too long already, from its end.
  int end = int(text.size());
  while (excess > 0 && end > 0) {
    int units = 0;
    excess -= BytesOfCodePointBefore(text, end, units);
    end -= units;
  }
  text.truncate(end);
  cursor = std::min(cursor, end);
  return text;
}

QValidator::State Utf8LengthValidator::validate(QString& input, int& pos) const {
  input = FitUtf8Bytes(input, pos, maxBytes_);
  return Acceptable;
}

void Utf8LengthValidator::fixup(QString& input) const {
  int end = int(input.size());
  input = FitUtf8Bytes(input, end, maxBytes_);
}

void LimitUtf8Bytes(QLineEdit* edit, int maxBytes) {
  edit->setMaxLength(maxBytes);
  edit->setValidator(new Utf8LengthValidator(maxBytes, edit));
}

void LimitUtf8Bytes(QComboBox* editableBox, int maxBytes) {
  editableBox->lineEdit()->setMaxLength(maxBytes);
  editableBox->setValidator(new Utf8LengthValidator(maxBytes, editableBox));
}

}  // namespace velmora
