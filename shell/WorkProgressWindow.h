// The small untitled window shown while a long piece of work runs on the
// interface thread (an import, an export, a report): a line of text over a
// bar filled from the left, and a "Cancel" button when the work can stop
// half-way.
#pragma once

#include <QWidget>
#include <cstddef>

class QLabel;
class QProgressBar;
class QPushButton;

namespace velmora {

class WorkProgressWindow : public QWidget {
  Q_OBJECT

 public:
  WorkProgressWindow(const QString& text, bool cancellable, QWidget* owner = nullptr);

  // Shows done of total (the bar never goes beyond full) and lets the
  // window paint and its button be clicked. False once the user cancelled,
  // so the caller's progress callback can return it as it stands.
  bool Report(size_t done, size_t total);
  bool cancelled() const { return cancelled_; }
  // The bar's value, in permille of the whole.
  int shownPermille() const;

 private:
  QProgressBar* bar_;
  QPushButton* cancel_ = nullptr;
  bool cancelled_ = false;
  int shown_ = -1;
};

}  // namespace velmora
