// The small untitled window shown while a file is compacted: the line
// "Compacting "<file name>"" over a progress bar counting the slots.
#pragma once

#include <QWidget>
#include <cstdint>
#include <string>

class QLabel;
class QProgressBar;

namespace velmora {

class CompactProgressWindow : public QWidget {
  Q_OBJECT

 public:
  CompactProgressWindow(const std::string& fileName, uint64_t totalSlots, QWidget* owner = nullptr);

  // One slot read; repaints when the shown value moves.
  void Step();
  uint64_t stepped() const { return stepped_; }

 private:
  QProgressBar* bar_;
  uint64_t total_;
  uint64_t stepped_ = 0;
  int shown_ = -1;
};

}  // namespace velmora
