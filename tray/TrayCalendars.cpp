#include "tray/TrayCalendars.h"

#include <algorithm>

#include "store/Settings.h"

namespace velmora {

namespace {
constexpr size_t kPathCapacity = 4096;
}  // namespace

std::string AlmanorLastFile() {
  std::string path;
  ReadSettingText(SuiteSettingsPath("Almanor.ini"), "Preference", "DefaulFile", path, kPathCapacity);
  return path;
}

std::vector<std::string> AddedCalendars() {
  const std::string file = SuiteSettingsPath();
  int count = 0;
  ReadSettingInt(file, kTraySection, "Calendars", count);
  std::vector<std::string> out;
  for (int i = 1; i <= std::clamp(count, 0, kMostAddedCalendars); ++i) {
    std::string path;
    if (ReadSettingText(file, kTraySection, "Calendar" + std::to_string(i), path, kPathCapacity)) {
      out.push_back(path);
    }
  }
  return out;
}

Result SaveAddedCalendars(const std::vector<std::string>& paths) {
  if (paths.size() > size_t(kMostAddedCalendars)) {
    return Result::Fail("At most " + std::to_string(kMostAddedCalendars) + " calendars can be added.");
  }
  const std::string file = SuiteSettingsPath();
  int before = 0;
  ReadSettingInt(file, kTraySection, "Calendars", before);
  std::vector<SettingValue> values{{"Calendars", std::to_string(paths.size())}};
  for (size_t i = 0; i < paths.size(); ++i) values.push_back({"Calendar" + std::to_string(i + 1), paths[i]});
  // Keys of a longer list before are emptied, so nothing stale is left.
  for (int i = int(paths.size()) + 1; i <= std::clamp(before, 0, kMostAddedCalendars); ++i) {
    values.push_back({"Calendar" + std::to_string(i), ""});
  }
  return WriteSettingTexts(file, kTraySection, values);
}

std::vector<std::string> WatchedCalendars() {
  std::vector<std::string> out;
  auto add = [&out](const std::string& path) {
    if (!path.empty() && std::find(out.begin(), out.end(), path) == out.end()) out.push_back(path);
  };
  add(AlmanorLastFile());
  for (const std::string& path : AddedCalendars()) add(path);
  return out;
}

}  // namespace velmora
