// One item of a main window's drop-down menu; a separator has command 0.
#pragma once

#include <string>

namespace velmora {

struct MenuItem {
  std::string text;
  int command = 0;
  bool separator() const { return command == 0; }
};

}  // namespace velmora
