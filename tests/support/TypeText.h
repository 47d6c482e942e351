// Typing into a widget as a keyboard would, one character at a time, for
// window tests that need letters outside ASCII (QTest's own typing takes
// only ASCII).
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

namespace velmora::testing {

inline void TypeText(QWidget* widget, const QString& text) {
  for (int i = 0; i < text.size(); ++i) {
    const int units = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QString typed = text.mid(i, units);
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, typed);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, typed);
    QApplication::sendEvent(widget, &release);
    i += units - 1;
  }
}

}  // namespace velmora::testing
