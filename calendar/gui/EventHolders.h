// The two places an event is kept in memory for the running process: the
// recycle bin (the last deleted event, to take back) and the event clipboard
// (the last cut or copied event, to paste). Both survive a change of file
// and are lost at exit.
#pragma once

#include <optional>

#include "calendar/model/EventRecord.h"

namespace velmora {

class EventHolder {
 public:
  void Put(EventRecord record) { record_ = std::move(record); }
  bool Holds() const { return record_.has_value(); }
  const std::optional<EventRecord>& record() const { return record_; }
  void Empty() { record_.reset(); }

 private:
  std::optional<EventRecord> record_;
};

EventHolder& EventRecycleBin();
EventHolder& EventClipboard();

}  // namespace velmora
