#include "shell/CompactProgressWindow.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace velmora {

namespace {
// The bar works in permille, so files of any size fit its int range.
constexpr int kBarRange = 1000;
}  // namespace

CompactProgressWindow::CompactProgressWindow(const std::string& fileName, uint64_t totalSlots, QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::FramelessWindowHint), total_(totalSlots) {
  setObjectName(QStringLiteral("compactProgress"));
  setWindowModality(Qt::ApplicationModal);
  auto* layout = new QVBoxLayout(this);
  auto* line = new QLabel(QStringLiteral("Compacting \"%1\"").arg(QString::fromStdString(fileName)), this);
  line->setObjectName(QStringLiteral("line"));
  layout->addWidget(line);
  bar_ = new QProgressBar(this);
  bar_->setRange(0, kBarRange);
  bar_->setValue(0);
  layout->addWidget(bar_);
  setFixedWidth(320);
  if (owner) {
    adjustSize();
    move(owner->geometry().center() - rect().center());
  }
}

void CompactProgressWindow::Step() {
  ++stepped_;
  const int value = total_ == 0 ? kBarRange : int(std::min<uint64_t>(stepped_, total_) * kBarRange / total_);
  if (value == shown_) return;
  shown_ = value;
  bar_->setValue(value);
  // Compaction runs on the interface thread: let the bar paint.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace velmora
