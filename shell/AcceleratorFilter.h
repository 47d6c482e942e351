// The accelerator keys of a main window (the program's table "ACC"). A key press meant for the
// main window, or for a window it owns, that matches the table is posted to
// the main window as its command instead of being typed - unless the focus
// is in an edit field: there Insert, Delete, Enter and the clipboard keys
// keep their meaning for the text. Modal dialogs and open menus keep all
// their keys.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace velmora {

// Whether widget is a field the user types text into.
bool IsEditField(const QWidget* widget);

// The command a key press posts to the main window; 0 when the key is not in
// the table. key is a Qt::Key, modifiers the Qt::KeyboardModifiers.
using AcceleratorTable = std::function<int(int key, int modifiers)>;

class AcceleratorFilter : public QObject {
  Q_OBJECT

 public:
  // Watches every key press of the application for mainWindow.
  AcceleratorFilter(QWidget* mainWindow, AcceleratorTable table);
  ~AcceleratorFilter() override;

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool BelongsToMainWindow(const QWidget* widget) const;

  QPointer<QWidget> mainWindow_;
  AcceleratorTable table_;
};

}  // namespace velmora
