#include "shell/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

#include "resources/Strings.h"
#include "toolkit/TesselDialog.h"

namespace velmora {

namespace {

MessageBoxHandler& Handler() {
  static MessageBoxHandler handler;
  return handler;
}

BeepHandler& Beeper() {
  static BeepHandler handler;
  return handler;
}

}  // namespace

SuiteMessageBox::SuiteMessageBox(MessageKind kind, const QString& caption, const QString& text, QWidget* owner)
    : QMessageBox(kind == MessageKind::Question  ? QMessageBox::Question
                  : kind == MessageKind::Warning ? QMessageBox::Warning
                                                 : QMessageBox::Information,
                  caption, text,
                  kind == MessageKind::Question ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, owner) {
  setTextFormat(Qt::PlainText);
}

void SuiteMessageBox::showEvent(QShowEvent* event) {
  // The box gives itself a fixed size on showing, with room for a caption
  // of about half what the window manager's title bar takes; widen it so
  // that the whole caption shows.
  QMessageBox::showEvent(event);
  FitCaption(this);
}

namespace {

bool Show(QWidget* owner, MessageKind kind, const std::string& text, const char* caption = kSuiteName) {
  if (Handler()) return Handler()(kind, text);
  // The texts keep the "\r\n" line ends of the string tables; a label only
  // wants "\n".
  QString shown = QString::fromStdString(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  SuiteMessageBox box(kind, QString::fromUtf8(caption), shown, owner);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  MessageBoxHandler previous = std::move(Handler());
  Handler() = std::move(handler);
  return previous;
}

void InformationBox(QWidget* owner, int number) { Show(owner, MessageKind::Information, LoadText(number, 255)); }

void InformationBox(QWidget* owner, std::string_view text) {
  Show(owner, MessageKind::Information, std::string(text));
}

bool QuestionBox(QWidget* owner, int number) { return Show(owner, MessageKind::Question, LoadText(number, 255)); }

bool QuestionBox(QWidget* owner, std::string_view text) {
  return Show(owner, MessageKind::Question, std::string(text));
}

void WarningBox(QWidget* owner, const std::string& caption, std::string_view text) {
  Show(owner, MessageKind::Warning, std::string(text), caption.c_str());
}

std::string AccessDeniedText(const std::string& path) {
  return "Program can't use \"" + path + "\".\r\nAccess has been denied";
}

BeepHandler SetBeepHandler(BeepHandler handler) {
  BeepHandler previous = std::move(Beeper());
  Beeper() = std::move(handler);
  return previous;
}

void Beep() {
  if (Beeper()) {
    Beeper()();
    return;
  }
  QApplication::beep();
}

}  // namespace velmora
