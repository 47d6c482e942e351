#include "shell/AcceleratorFilter.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "toolkit/Command.h"

namespace velmora {

bool IsEditField(const QWidget* widget) {
  if (!widget) return false;
  if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
      qobject_cast<const QPlainTextEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget)) {
    return true;
  }
  const auto* combo = qobject_cast<const QComboBox*>(widget);
  return combo && combo->isEditable();
}

AcceleratorFilter::AcceleratorFilter(QWidget* mainWindow, AcceleratorTable table)
    : QObject(mainWindow), mainWindow_(mainWindow), table_(std::move(table)) {
  if (qApp) qApp->installEventFilter(this);
}

AcceleratorFilter::~AcceleratorFilter() {
  if (qApp) qApp->removeEventFilter(this);
}

bool AcceleratorFilter::BelongsToMainWindow(const QWidget* widget) const {
  if (!widget || !mainWindow_) return false;
  const QWidget* top = widget->window();
  if (top == mainWindow_) return true;
  // Floating windows of the main window (the picture and history windows),
  // but not its dialogs.
  return !top->isModal() && top->parentWidget() && top->parentWidget()->window() == mainWindow_ &&
         (top->windowType() == Qt::Tool || top->windowType() == Qt::Window);
}

bool AcceleratorFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
  if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) return false;
  if (!BelongsToMainWindow(static_cast<QWidget*>(watched))) return false;
  if (IsEditField(QApplication::focusWidget())) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  const int command = table_ ? table_(key->key(), int(key->modifiers())) : 0;
  if (command == 0) return false;
  PostCommand(mainWindow_, command);
  return true;
}

}  // namespace velmora
