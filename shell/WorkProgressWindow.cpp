#include "shell/WorkProgressWindow.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace velmora {

namespace {
// The bar works in permille, so any count fits its int range.
constexpr int kBarRange = 1000;
}  // namespace

WorkProgressWindow::WorkProgressWindow(const QString& text, bool cancellable, QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("workProgress"));
  setWindowModality(Qt::ApplicationModal);
  auto* layout = new QVBoxLayout(this);
  auto* line = new QLabel(text, this);
  line->setObjectName(QStringLiteral("line"));
  layout->addWidget(line);
  bar_ = new QProgressBar(this);
  bar_->setObjectName(QStringLiteral("bar"));
  bar_->setRange(0, kBarRange);
  bar_->setValue(0);
  bar_->setTextVisible(false);
  // Filled in black from the left.
  bar_->setStyleSheet(QStringLiteral("QProgressBar { border: 1px solid black; background: white; }"
                                     "QProgressBar::chunk { background: black; }"));
  bar_->setFixedHeight(14);
  layout->addWidget(bar_);
  if (cancellable) {
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancel"));
    connect(cancel_, &QPushButton::clicked, this, [this] {
      cancelled_ = true;
      cancel_->setEnabled(false);
    });
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(cancel_);
    layout->addLayout(row);
  }
  setFixedWidth(320);
  adjustSize();
  if (owner) move(owner->geometry().center() - rect().center());
}

bool WorkProgressWindow::Report(size_t done, size_t total) {
  const int value = total == 0 ? kBarRange : int(std::min(done, total) * kBarRange / total);
  if (value != shown_) {
    shown_ = value;
    bar_->setValue(value);
  }
  // The work runs on the interface thread: let the bar paint and, when the
  // window can be cancelled, the button take its click.
  QCoreApplication::processEvents(cancel_ ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
  return !cancelled_;
}

int WorkProgressWindow::shownPermille() const { return bar_->value(); }

}  // namespace velmora
