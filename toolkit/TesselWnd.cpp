#include "toolkit/TesselWnd.h"

#include <QCloseEvent>
#include <QPainter>
#include <QTimerEvent>

namespace velmora {

namespace {
QHash<QString, WindowClass>& ClassRegistry() {
  static QHash<QString, WindowClass> registry;
  return registry;
}
}  // namespace

TesselWnd::TesselWnd(QWidget* parent) : QWidget(parent) {}

TesselWnd::~TesselWnd() {
  for (int qtId : std::as_const(timers_)) killTimer(qtId);
}

int TesselWnd::Create(QWidget* parent, int style) {
  WindowClass wanted;
  PrepareClass(wanted);
  auto& registry = ClassRegistry();
  if (!registry.contains(wanted.name)) registry.insert(wanted.name, wanted);
  class_ = registry.value(wanted.name);
  classKnown_ = true;

  CreateParams params;
  params.style = style == -1 ? kStyleDefault : style;
  PrepareCreate(params);
  const bool child = (params.style & kStyleChild) != 0;
  if (child && !parent) return 0;

  if (child) {
    setParent(parent);
  } else {
    Qt::WindowFlags flags = Qt::Window;
    if (params.style & kStylePopup) flags |= Qt::FramelessWindowHint;
    setParent(parent, flags);
  }
  if (!params.rect.isNull()) setGeometry(params.rect);
  setWindowTitle(params.title);
  setCursor(class_.cursor);

  created_ = true;
  if (!OnCreated()) {
    created_ = false;
    return 0;
  }
  if (params.style & kStyleVisible) show();
  PostCommand(this, kMsgInitialise);
  return 1;
}

TesselWnd* TesselWnd::ObjectOf(QWidget* widget) {
  for (; widget; widget = widget->parentWidget()) {
    if (auto* wnd = qobject_cast<TesselWnd*>(widget)) return wnd;
  }
  return nullptr;
}

bool TesselWnd::IsClassRegistered(const QString& name) { return ClassRegistry().contains(name); }

const WindowClass& TesselWnd::windowClass() const {
  if (!classKnown_) {
    WindowClass wanted;
    const_cast<TesselWnd*>(this)->PrepareClass(wanted);
    const auto& registry = ClassRegistry();
    class_ = registry.contains(wanted.name) ? registry.value(wanted.name) : wanted;
    classKnown_ = true;
  }
  return class_;
}

QObject* TesselWnd::notifyTarget() const {
  if (notifyTarget_) return notifyTarget_.data();
  return parentWidget();
}

void TesselWnd::SetTimer(int id, int milliseconds) {
  KillTimer(id);
  const int qtId = startTimer(std::max(1, milliseconds));
  if (qtId != 0) timers_.insert(id, qtId);
}

void TesselWnd::KillTimer(int id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return;
  killTimer(it.value());
  timers_.erase(it);
}

qintptr TesselWnd::OnCommand(const Command&) { return 0; }

void TesselWnd::PrepareClass(WindowClass&) {}
void TesselWnd::PrepareCreate(CreateParams&) {}
bool TesselWnd::OnCreated() { return true; }
void TesselWnd::OnInitialise() {}
bool TesselWnd::OnCloseRequest() { return true; }
void TesselWnd::OnTimer(int) {}

void TesselWnd::EraseBackground(QPainter& painter) {
  const QColor& own = windowClass().background;
  const QColor background = own.isValid() ? own : palette().color(QPalette::Button);
  painter.fillRect(rect(), background);
}

void TesselWnd::Paint(QPainter&) {}

void TesselWnd::Notify(int code, qintptr param) const { PostCommand(notifyTarget(), code, param); }

void TesselWnd::customEvent(QEvent* event) {
  if (event->type() != CommandEvent::EventType()) {
    QWidget::customEvent(event);
    return;
  }
  const Command& command = static_cast<CommandEvent*>(event)->command();
  if (command.id == kMsgInitialise) {
    OnInitialise();
  } else {
    OnCommand(command);
  }
}

void TesselWnd::timerEvent(QTimerEvent* event) {
  for (auto it = timers_.cbegin(); it != timers_.cend(); ++it) {
    if (it.value() == event->timerId()) {
      OnTimer(it.key());
      return;
    }
  }
  // Not one of this window's timers: dropped.
}

void TesselWnd::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  EraseBackground(painter);
  Paint(painter);
}

void TesselWnd::closeEvent(QCloseEvent* event) {
  if (OnCloseRequest()) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace velmora
