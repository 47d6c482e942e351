#include "toolkit/TesselClassIndexSearchWnd.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

#include "toolkit/Fonts.h"

namespace velmora {

namespace {
const QColor kFrameIdle(230, 178, 178);
const QColor kFrameFocused(132, 185, 240);
}  // namespace

TesselClassIndexSearchWnd::TesselClassIndexSearchWnd(int command, QWidget* parent)
    : TesselWnd(parent), edit_(new QLineEdit(this)) {
  SetControlId(command);
  edit_->setObjectName(QStringLiteral("searchEdit"));
  edit_->setFrame(false);
  edit_->setMaxLength(kSearchTextLimit);
  edit_->setFont(NormalFont());
  edit_->installEventFilter(this);
  setFocusProxy(edit_);
  connect(edit_, &QLineEdit::textChanged, this, &TesselClassIndexSearchWnd::TextChanged);
}

void TesselClassIndexSearchWnd::PrepareClass(WindowClass& windowClass) {
  windowClass.name = QStringLiteral("TesselClassIndexSearchWnd");
  windowClass.background = Qt::white;
}

bool TesselClassIndexSearchWnd::focusedLook() const { return hasFocus() || edit_->hasFocus(); }

void TesselClassIndexSearchWnd::Paint(QPainter& painter) {
  const bool focused = focusedLook();
  const QRect all = rect();
  painter.fillRect(all, palette().window());
  painter.fillRect(QRect(kSearchLabelWidth, 0, std::max(0, all.width() - kSearchLabelWidth), all.height()),
                   Qt::white);
  painter.setFont(focused ? BoldFont() : NormalFont());
  painter.setPen(Qt::black);
  painter.drawText(QRect(3, 0, kSearchLabelWidth - 3, all.height()), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Search:"));
  painter.setPen(focused ? kFrameFocused : kFrameIdle);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(all.adjusted(0, 0, -1, -1));
}

void TesselClassIndexSearchWnd::resizeEvent(QResizeEvent*) {
  edit_->setGeometry(kSearchLabelWidth, 3, std::max(0, width() - 54), std::max(0, height() - 5));
}

void TesselClassIndexSearchWnd::mousePressEvent(QMouseEvent* event) {
  edit_->setFocus(Qt::MouseFocusReason);
  event->accept();
}

bool TesselClassIndexSearchWnd::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_) {
    if (event->type() == QEvent::FocusIn) {
      update();
    } else if (event->type() == QEvent::FocusOut) {
      // A popup taking the focus for a moment is not leaving the box.
      if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) edit_->clear();
      update();
    }
  }
  return TesselWnd::eventFilter(watched, event);
}

void TesselClassIndexSearchWnd::TextChanged(const QString& text) {
  text_ = text.left(kSearchTextLimit);
  PostCommand(notifyTarget(), controlId(), 0);
}

}  // namespace velmora
