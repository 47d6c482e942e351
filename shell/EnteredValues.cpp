#include "shell/EnteredValues.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "shell/MessageBoxes.h"

namespace velmora {

namespace {

// One control's value with its kind and name, or nothing for a control
// that takes no input.
bool ValueOf(const QWidget* widget, QString& out) {
  const QString name = widget->objectName();
  if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(widget)) {
    out = QStringLiteral("spin ") + name + QLatin1Char('=') + spin->text();
    return true;
  }
  if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) {
    // The editor inside a spin box or an editable drop-down list counts
    // with its owner.
    if (qobject_cast<const QAbstractSpinBox*>(widget->parentWidget()) ||
        qobject_cast<const QComboBox*>(widget->parentWidget())) {
      return false;
    }
    out = QStringLiteral("line ") + name + QLatin1Char('=') + edit->text();
    return true;
  }
  if (const auto* edit = qobject_cast<const QPlainTextEdit*>(widget)) {
    if (edit->isReadOnly()) return false;  // a preview shows, nobody types there
    out = QStringLiteral("text ") + name + QLatin1Char('=') + edit->toPlainText();
    return true;
  }
  if (const auto* edit = qobject_cast<const QTextEdit*>(widget)) {
    if (edit->isReadOnly()) return false;
    out = QStringLiteral("rich ") + name + QLatin1Char('=') + edit->toPlainText();
    return true;
  }
  if (const auto* box = qobject_cast<const QComboBox*>(widget)) {
    out = QStringLiteral("choice ") + name + QLatin1Char('=') + QString::number(box->currentIndex()) +
          QLatin1Char(' ') + box->currentText();
    return true;
  }
  if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
    if (!button->isCheckable()) return false;
    out = QStringLiteral("check ") + name + QLatin1Char('=') + (button->isChecked() ? QLatin1Char('1') : QLatin1Char('0'));
    return true;
  }
  if (const auto* list = qobject_cast<const QListWidget*>(widget)) {
    out = QStringLiteral("list ") + name + QLatin1Char('=');
    for (int row = 0; row < list->count(); ++row) {
      const QListWidgetItem* item = list->item(row);
      out += item->text();
      if (item->flags() & Qt::ItemIsUserCheckable) out += item->checkState() == Qt::Checked ? QStringLiteral("[x]") : QStringLiteral("[ ]");
      out += QLatin1Char('\n');
    }
    return true;
  }
  return false;
}

}  // namespace

QStringList EnteredValues::ValuesOf(const QWidget* dialog) {
  QStringList values;
  if (!dialog) return values;
  QString value;
  for (const QWidget* widget : dialog->findChildren<QWidget*>()) {
    if (ValueOf(widget, value)) values.push_back(value);
  }
  return values;
}

void EnteredValues::Remember(const QWidget* dialog) { remembered_ = ValuesOf(dialog); }

bool EnteredValues::Changed(const QWidget* dialog) const { return ValuesOf(dialog) != remembered_; }

bool MayDiscardEntries(QWidget* dialog, const EnteredValues& entered) {
  if (!entered.Changed(dialog)) return true;
  return QuestionBox(dialog, kDiscardEntriesText);
}

}  // namespace velmora
