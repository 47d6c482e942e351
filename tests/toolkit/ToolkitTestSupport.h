// Helpers of the toolkit tests: a window that records the commands it gets.
#pragma once

#include <QCoreApplication>
#include <vector>

#include "toolkit/TesselWnd.h"

namespace velmora::testing {

struct Seen {
  int id;
  qintptr param;
  bool operator==(const Seen&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Seen& s) {
  return out << "{" << s.id << ", " << s.param << "}";
}

class Recorder : public TesselWnd {
 public:
  using TesselWnd::TesselWnd;
  qintptr OnCommand(const Command& command) override {
    seen.push_back({command.id, command.param});
    texts.push_back(command.text);
    return answer;
  }
  // What arrived, after letting the posted commands run (a command posted
  // while another is handled runs on the next turn).
  std::vector<Seen> Take() {
    for (int turn = 0; turn < 4; ++turn) QCoreApplication::processEvents();
    auto out = std::move(seen);
    seen.clear();
    return out;
  }
  std::vector<Seen> seen;
  std::vector<QString> texts;
  qintptr answer = 0;
};

}  // namespace velmora::testing
