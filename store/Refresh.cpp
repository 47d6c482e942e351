#include "store/Refresh.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "store/Settings.h"

namespace velmora {

namespace {
std::atomic<bool> g_refreshAllowed{true};
std::vector<RefreshView*>& Views() {
  static std::vector<RefreshView*> views;
  return views;
}
}  // namespace

bool RefreshAllowed() { return g_refreshAllowed.load(); }
void SetRefreshAllowed(bool allowed) { g_refreshAllowed.store(allowed); }

void RegisterRefreshView(RefreshView* view) {
  auto& views = Views();
  if (std::find(views.begin(), views.end(), view) == views.end()) views.push_back(view);
}

void UnregisterRefreshView(RefreshView* view) {
  auto& views = Views();
  views.erase(std::remove(views.begin(), views.end(), view), views.end());
}

void PollRefresh() {
  if (!RefreshAllowed()) return;
  // A reload may register or unregister views; walk a copy and skip views
  // that left meanwhile.
  std::vector<RefreshView*> snapshot = Views();
  for (RefreshView* view : snapshot) {
    auto& live = Views();
    if (std::find(live.begin(), live.end(), view) == live.end()) continue;
    RecordStore* store = view->refreshStore();
    RecordQuery* query = view->refreshQuery();
    if (!store || !query || !store->IsOpen()) continue;
    uint64_t counter = store->GetChangeCounter();
    if (counter == query->changeCounterSeen()) continue;
    const bool flag = view->refreshFlag();
    view->NotifyRefresh(flag ? 3 : 1);
    if (!query->Run(*store).ok()) continue;
    (void)query->Resort();  // a query that was never sorted keeps file order
    view->ReloadRows();
    query->SetChangeCounterSeen(counter);
    view->NotifyRefresh(flag ? 2 : 0);
  }
}

int RefreshPeriodSeconds() {
  int seconds = 2;
  (void)ReadSettingInt(SuiteSettingsPath(), "Preference", "NetworkRefresh", seconds);
  return std::clamp(seconds, 1, 60);
}

}  // namespace velmora
