// Refresh of other connections' changes: every open list registers here, and
// a periodic tick (driven by the program's timer 100) reloads each list whose
// file's change counter moved since it was last loaded.
#pragma once

#include "store/RecordQuery.h"

namespace velmora {

// Cleared while this process holds an edit lock; the tick then does nothing.
bool RefreshAllowed();
void SetRefreshAllowed(bool allowed);

inline constexpr int kNotifyRefresh = 24;  // notification code of the reload

class RefreshView {
 public:
  virtual ~RefreshView() = default;
  virtual RecordStore* refreshStore() = 0;
  virtual RecordQuery* refreshQuery() = 0;
  // Sends notification 24 with param to the view's parent: 1 (3 with the
  // flag) before the reload, 0 (2 with the flag) after it.
  virtual void NotifyRefresh(int param) = 0;
  // Reloads the rows from the query's new positions.
  virtual void ReloadRows() = 0;
  virtual bool refreshFlag() const { return false; }
};

void RegisterRefreshView(RefreshView* view);
void UnregisterRefreshView(RefreshView* view);
// One tick of the refresh timer.
void PollRefresh();
// "NetworkRefresh" of the suite settings in seconds, default 2, clamped to
// 1..60.
int RefreshPeriodSeconds();

}  // namespace velmora
