// Commands: numbers posted to windows, so that they run on a later turn of
// the event loop, or sent when the sender needs the answer at once. Lists and
// choosers put their notification code or entry text beside the number.
#pragma once

#include <QEvent>
#include <QPoint>
#include <QString>
#include <QtGlobal>

class QObject;

namespace velmora {

// The private message every toolkit window receives after its creation has
// returned (its initialise operation).
inline constexpr int kMsgInitialise = 4000;

// Notification codes of lists and list views.
inline constexpr int kNotifySelectionMoved = 20;
inline constexpr int kNotifyClick = 21;
inline constexpr int kNotifyDoubleClick = 22;
inline constexpr int kNotifyRightClick = 23;
// 24 is the refresh announcement (store/Refresh.h); a list view passes every
// code from 21 to 25 on to its parent.
inline constexpr int kNotifyFirstPassedOn = 21;
inline constexpr int kNotifyLastPassedOn = 25;

// Drag and drop between windows; the command carries the screen point.
inline constexpr int kCmdDragOver = 1020;   // answer 1 to accept a drop there
inline constexpr int kCmdDropMove = 1021;
inline constexpr int kCmdDropCopy = 1022;

// Dialog commands: OK and Cancel.
inline constexpr int kCmdOk = 1;
inline constexpr int kCmdCancel = 2;

struct Command {
  int id = 0;
  qintptr param = 0;
  QString text;   // the chosen entry's text, for choosers
  QPoint point;   // screen point, for the drag commands
};

// A command number whose low half is a control's number and whose high half
// is a notification code.
constexpr int MakeCommandId(int low, int high) { return (low & 0xFFFF) | ((high & 0xFFFF) << 16); }
constexpr int CommandLow(int id) { return id & 0xFFFF; }
constexpr int CommandHigh(int id) { return (id >> 16) & 0xFFFF; }

// Everything that takes commands: toolkit windows and dialogs.
class CommandTarget {
 public:
  virtual ~CommandTarget() = default;
  // The command operation. The answer matters only to senders.
  virtual qintptr OnCommand(const Command& command) = 0;
};

class CommandEvent : public QEvent {
 public:
  explicit CommandEvent(Command command) : QEvent(EventType()), command_(std::move(command)) {}
  static QEvent::Type EventType();
  const Command& command() const { return command_; }

 private:
  Command command_;
};

// The command target of an object (the object itself, when it takes
// commands), or none.
CommandTarget* CommandTargetOf(QObject* object);

// Queues the command for target; it runs on a later turn of the event loop.
// Nothing happens when target is null.
void PostCommand(QObject* target, Command command);
void PostCommand(QObject* target, int id, qintptr param = 0);
// Runs the command now and returns the answer; 0 when target takes no
// commands.
qintptr SendCommand(QObject* target, const Command& command);
qintptr SendCommand(QObject* target, int id, qintptr param = 0);

}  // namespace velmora
