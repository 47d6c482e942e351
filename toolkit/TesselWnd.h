// TesselWnd: the base of every toolkit window. A QWidget that paints itself
// and takes numbered commands.
//
// The window's operations map onto Qt as follows: prepare class, prepare
// creation and created run inside Create(); the initialise operation runs
// when the private message 4000, posted by Create(), arrives; the close
// request is closeEvent(); paint and erase background run from paintEvent();
// the timer operation gets only this window's own timers, by the numbers the
// window gave them; mouse, key, wheel and size operations are Qt's event
// handlers, which subclasses override directly.
#pragma once

#include <QColor>
#include <QHash>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include "toolkit/Command.h"

namespace velmora {

// What a window class fixes for all its windows. The first window of a
// class registers it; later windows of that class get the registered values.
struct WindowClass {
  QString name = QStringLiteral("TesselWnd");
  Qt::CursorShape cursor = Qt::ArrowCursor;
  QColor background;  // invalid: the platform's button face
};

// Creation styles.
enum WindowStyle : int {
  kStyleChild = 1,
  kStyleVisible = 2,
  kStylePopup = 4,  // top-level without platform frame
  kStyleDefault = kStyleChild | kStyleVisible,
};

struct CreateParams {
  QString title;
  QRect rect;  // empty by default
  int style = kStyleDefault;
};

class TesselWnd : public QWidget, public CommandTarget {
  Q_OBJECT

 public:
  explicit TesselWnd(QWidget* parent = nullptr);
  ~TesselWnd() override;

  // Prepares and registers the class (unless registered), prepares creation,
  // binds the window to parent, runs the created operation and posts the
  // message 4000. style -1 is the default (child, visible). 1 on success;
  // 0 when a child has no parent or the created operation refused.
  int Create(QWidget* parent, int style = -1);
  bool IsCreated() const { return created_; }

  // The toolkit window a widget belongs to (the widget itself or its nearest
  // toolkit ancestor), or none.
  static TesselWnd* ObjectOf(QWidget* widget);

  static bool IsClassRegistered(const QString& name);
  // The window's class: the registered one after Create(); before, what the
  // window would register.
  const WindowClass& windowClass() const;

  // The number this window reports its commands and notifications with.
  int controlId() const { return controlId_; }
  void SetControlId(int id) { controlId_ = id; }
  // Where notifications go: the parent window unless set.
  QObject* notifyTarget() const;
  void SetNotifyTarget(QObject* target) { notifyTarget_ = target; }

  // Timers named by this window's own numbers; setting a running number
  // restarts it with the new period.
  void SetTimer(int id, int milliseconds);
  void KillTimer(int id);
  bool HasTimer(int id) const { return timers_.contains(id); }

  qintptr OnCommand(const Command& command) override;

 protected:
  virtual void PrepareClass(WindowClass& windowClass);
  virtual void PrepareCreate(CreateParams& params);
  virtual bool OnCreated();
  virtual void OnInitialise();
  virtual bool OnCloseRequest();
  virtual void OnTimer(int id);
  virtual void EraseBackground(QPainter& painter);
  virtual void Paint(QPainter& painter);

  // Posts the code with param to the notify target.
  void Notify(int code, qintptr param) const;

  void customEvent(QEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  mutable WindowClass class_;
  mutable bool classKnown_ = false;
  bool created_ = false;
  int controlId_ = 0;
  QPointer<QObject> notifyTarget_;
  QHash<int, int> timers_;  // own number -> Qt timer id
};

}  // namespace velmora
