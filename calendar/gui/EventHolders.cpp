#include "calendar/gui/EventHolders.h"

namespace velmora {

EventHolder& EventRecycleBin() {
  static EventHolder bin;
  return bin;
}

EventHolder& EventClipboard() {
  static EventHolder clipboard;
  return clipboard;
}

}  // namespace velmora
