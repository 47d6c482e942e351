// The suite's two message boxes and the beep. Every message the programs
// show goes through here: an information box (OK) or a question box (Yes and
// No), caption "Velmora". Tests install a handler that records the call and
// answers it, so no person has to.
#pragma once

#include <QMessageBox>
#include <functional>
#include <string>
#include <string_view>

class QWidget;

namespace velmora {

inline constexpr const char* kSuiteName = "Velmora";

enum class MessageKind { Information, Question, Warning };

// The box the suite shows a message in: the kind's icon and buttons (OK, or
// Yes and No), the text as plain text, and wide enough for its whole
// caption.
class SuiteMessageBox : public QMessageBox {
  Q_OBJECT

 public:
  SuiteMessageBox(MessageKind kind, const QString& caption, const QString& text, QWidget* owner = nullptr);

 protected:
  void showEvent(QShowEvent* event) override;
};

// Gets the kind and the text (UTF-8, as shown, line breaks as given) and
// returns the answer of a question box (true for Yes).
using MessageBoxHandler = std::function<bool(MessageKind kind, const std::string& text)>;
// Installs handler and returns the previous one; an empty handler restores
// the real boxes.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// Texts by number come from the running program's string table, cut to 255
// bytes. Literal texts are shown whole (they may carry a long path).
void InformationBox(QWidget* owner, int number);
void InformationBox(QWidget* owner, std::string_view text);
bool QuestionBox(QWidget* owner, int number);
bool QuestionBox(QWidget* owner, std::string_view text);
// An exclamation box (OK) with a caption of its own, for the failures other
// programs report ("Error - MS Word").
void WarningBox(QWidget* owner, const std::string& caption, std::string_view text);

// "Program can't use \"%s\".\r\nAccess has been denied"
std::string AccessDeniedText(const std::string& path);

// The beep of a refused command; tests count it through the handler.
using BeepHandler = std::function<void()>;
BeepHandler SetBeepHandler(BeepHandler handler);
void Beep();

}  // namespace velmora
