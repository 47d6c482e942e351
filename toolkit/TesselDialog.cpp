#include "toolkit/TesselDialog.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

#include "toolkit/Fonts.h"

namespace velmora {

int CaptionTextWidth(const QString& caption) {
  return QFontMetrics(CaptionFont()).horizontalAdvance(caption);
}

int CaptionArea(int windowWidth) { return std::max(0, windowWidth - kCaptionChrome); }

int CaptionFitWidth(const QString& caption) {
  if (caption.isEmpty()) return 0;
  return CaptionTextWidth(caption) + kCaptionChrome;
}

void FitCaption(QWidget* window) {
  if (!window) return;
  int wanted = CaptionFitWidth(window->windowTitle());
  // A caption wider than the screen is cut in any case; the window stays
  // on the screen.
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (screen) wanted = std::min(wanted, screen->availableGeometry().width());
  if (wanted <= 0) return;
  if (window->minimumWidth() == window->maximumWidth()) {
    // A window of fixed width (a message box sizes itself so) keeps a fixed
    // width, wide enough for the caption.
    if (window->width() < wanted || window->minimumWidth() < wanted) window->setFixedWidth(wanted);
    return;
  }
  if (window->minimumWidth() < wanted) window->setMinimumWidth(wanted);
  if (window->width() < wanted) window->resize(wanted, window->height());
}

namespace {

bool FitsToCaption(QObject* watched) {
  auto* dialog = qobject_cast<QDialog*>(watched);
  return dialog && dialog->isWindow() && !dialog->windowFlags().testFlag(Qt::FramelessWindowHint);
}

}  // namespace

CaptionFitting::CaptionFitting() {
  if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

CaptionFitting::~CaptionFitting() {
  if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

bool CaptionFitting::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if ((type == QEvent::WindowTitleChange || type == QEvent::Show) && FitsToCaption(watched)) {
    FitCaption(static_cast<QWidget*>(watched));
  }
  return false;
}

TesselDialog::TesselDialog(int templateNumber, QWidget* owner) : QDialog(owner), templateNumber_(templateNumber) {}

int TesselDialog::RunModal() {
  OnInitDialog();
  PostCommand(this, kMsgInitialise);
  return exec();
}

qintptr TesselDialog::OnCommand(const Command& command) {
  if (command.id == kCmdOk) {
    done(1);
    return 1;
  }
  if (command.id == kCmdCancel) {
    done(0);
    return 1;
  }
  return 0;
}

void TesselDialog::CentreOver(QWidget* widget, QWidget* over) {
  QRect area;
  QScreen* screen = over ? over->screen() : widget->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  area = over ? over->frameGeometry() : available;
  QRect placed(QPoint(0, 0), widget->frameGeometry().size());
  placed.moveCenter(area.center());
  if (placed.right() > available.right()) placed.moveRight(available.right());
  if (placed.bottom() > available.bottom()) placed.moveBottom(available.bottom());
  if (placed.left() < available.left()) placed.moveLeft(available.left());
  if (placed.top() < available.top()) placed.moveTop(available.top());
  widget->move(placed.topLeft());
}

void TesselDialog::OnInitDialog() {}
void TesselDialog::OnInitialise() {}

void TesselDialog::customEvent(QEvent* event) {
  if (event->type() != CommandEvent::EventType()) {
    QDialog::customEvent(event);
    return;
  }
  const Command& command = static_cast<CommandEvent*>(event)->command();
  if (command.id == kMsgInitialise) {
    OnInitialise();
  } else {
    OnCommand(command);
  }
}

void TesselDialog::reject() { OnCommand(Command{kCmdCancel, 0, {}, {}}); }

}  // namespace velmora
