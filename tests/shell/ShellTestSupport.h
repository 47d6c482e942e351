// What every shell test needs: the window-test sandbox (tests/support), and
// a script that answers the modal dialogs the code under test opens.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "store/Settings.h"
#include "tests/support/GuiSandbox.h"

namespace velmora::testing {

// Answers modal dialogs in order: each expectation names the dialog's
// objectName and what to do with it. A modal dialog nobody expects is
// rejected after a while and reported, so a test never hangs.
class DialogScript {
 public:
  DialogScript() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start();
    qApp->installEventFilter(&shown_);
  }
  ~DialogScript() {
    EXPECT_TRUE(steps_.empty()) << steps_.size() << " expected dialog(s) never appeared, first "
                                << steps_.front().name.toStdString();
    EXPECT_TRUE(unexpected_.empty()) << "unexpected dialog " << unexpected_;
  }
  DialogScript(const DialogScript&) = delete;
  DialogScript& operator=(const DialogScript&) = delete;

  DialogScript& Expect(const QString& name, std::function<void(QWidget*)> action) {
    steps_.push_back({name, std::move(action)});
    return *this;
  }

 private:
  struct Step {
    QString name;
    std::function<void(QWidget*)> action;
  };

  void Poll() {
    // A dialog that was closed and is shown again counts as a new one.
    std::erase_if(handled_, [](const QPointer<QWidget>& w) { return !w || !w->isVisible(); });
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) {
      waited_ = 0;
      return;
    }
    bool handled = false;
    for (const QPointer<QWidget>& done : handled_) handled = handled || done.data() == modal;
    if (!handled && !steps_.empty() && modal->objectName() == steps_.front().name) {
      handled_.push_back(modal);
      auto action = std::move(steps_.front().action);
      steps_.pop_front();
      waited_ = 0;
      // Run from a timer of its own: the action may open a nested dialog,
      // and this poll must keep running (a timer never fires inside its own
      // handler).
      QPointer<QWidget> target(modal);
      QTimer::singleShot(0, [action = std::move(action), target] {
        if (target) action(target);
      });
      return;
    }
    // A dialog nobody expects, or one its action left open, is closed after
    // about ten seconds (the actions of nested dialogs run meanwhile).
    if (++waited_ > 2000) {
      unexpected_ = modal->objectName().toStdString() + (handled ? " (left open)" : "") + " " +
                    modal->metaObject()->className();
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
      waited_ = 0;
    }
  }

  // A dialog shown again (hidden and re-shown between two polls) counts as
  // a new one: its Show event takes it off the handled list.
  struct ShowWatcher : QObject {
    explicit ShowWatcher(DialogScript* script) : script(script) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
      if (event->type() == QEvent::Show && watched->isWidgetType()) {
        std::erase_if(script->handled_, [watched](const QPointer<QWidget>& w) { return w.data() == watched; });
      }
      return false;
    }
    DialogScript* script;
  };

  QTimer timer_;
  ShowWatcher shown_{this};
  std::deque<Step> steps_;
  std::vector<QPointer<QWidget>> handled_;
  std::string unexpected_;
  int waited_ = 0;
};

template <typename T>
T* Control(QWidget* dialog, const char* name) {
  T* control = dialog->findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(control, nullptr) << "no control " << name << " in " << dialog->objectName().toStdString();
  return control;
}

inline void Type(QWidget* dialog, const char* name, const std::string& text) {
  if (auto* edit = Control<QLineEdit>(dialog, name)) edit->setText(QString::fromStdString(text));
}

inline void Click(QWidget* dialog, const char* name) {
  if (auto* button = Control<QPushButton>(dialog, name)) button->click();
}

// The sandbox of one test (GuiSandbox): program folder, XDG data and
// runtime folders; message boxes, beeps and file dialogs answered by the
// test. The program is Cardora.
class ShellTest : public ::testing::Test {
 protected:
  std::string File(const std::string& name) const { return sandbox_.File(name); }
  std::string ProgramSetting(const char* key) const { return sandbox_.ProgramSetting(key).value_or(""); }
  std::vector<std::string> MessageTexts() const { return sandbox_.MessageTexts(); }

 private:
  GuiSandbox sandbox_;

 protected:
  ScriptedFileDialogs& fileDialogs = sandbox_.dialogs;
  std::vector<ShownMessage>& messages = sandbox_.messages;
  std::deque<bool>& answers = sandbox_.answers;  // answers of question boxes, in order (No when none left)
  int& beeps = sandbox_.beeps;
};

}  // namespace velmora::testing
