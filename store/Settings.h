// Initialisation files: "[Section]" lines and "key=value" lines, read from
// disk at every call (never cached). Sections and keys match ignoring ASCII
// case. A write rewrites the whole file through a temporary file beside it
// and a rename (all through the store's file system), so a crash or a
// failed write never leaves a half-written settings file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/Result.h"

namespace velmora {

// The program folder: $VELMORA_HOME when set; else the running executable's
// folder when it is writable and not a folder the system keeps programs in
// (/usr/bin, /usr/local/bin, the suite's installation folder ...); else
// $XDG_DATA_HOME/velmora (default ~/.local/share/velmora), created on demand.
// No trailing slash.
std::string ProgramFolder();
// The same for a program at executable (ProgramFolder gives the running
// one's).
std::string ProgramFolderFor(const std::string& executable);
// Whether folder is one the system keeps its programs in.
bool IsSystemProgramFolder(const std::string& folder);
// The default report file of both programs: "report.txt" in the program
// folder.
std::string DefaultReportPath();
// Base name of the running executable ("Cardora", "Almanor", "velmora").
std::string ProgramName();
// Overrides the program name (the command-line tool and tests act as one of
// the programs). An empty name restores the executable's own.
void SetProgramName(std::string name);

// <program folder>/<program name>.ini
std::string ProgramSettingsPath();
// <program folder>/<name>, "Velmora.ini" by default.
std::string SuiteSettingsPath(std::string_view name = "Velmora.ini");

// Reading cannot fail: a missing or unreadable file reads as one without
// keys, and every reader has its default.
// Copies the value (empty when absent) cut to capacity - 1 bytes at a UTF-8
// boundary; true when the value is not empty.
bool ReadSettingText(const std::string& file, std::string_view section, std::string_view key,
                     std::string& out, size_t capacity = 256);
// True and the leading decimal number of the value (no number reads as 0)
// when the value is not empty; false and out untouched otherwise.
bool ReadSettingInt(const std::string& file, std::string_view section, std::string_view key, int& out);
// Line breaks in section, key or value are removed so that a value can never
// create keys or sections; a name that would still read back as something
// else is refused. On failure the old file is left as it was.
Result WriteSettingText(const std::string& file, std::string_view section, std::string_view key,
                        std::string_view value);
Result WriteSettingInt(const std::string& file, std::string_view section, std::string_view key, int value);

struct SettingValue {
  std::string key;
  std::string value;
};
// Several keys of one section in one rewrite of the file: all of them or,
// on failure, none.
Result WriteSettingTexts(const std::string& file, std::string_view section, const std::vector<SettingValue>& values);

// The readers of "Sound", "Annimation" and "Splash": exactly "0" is off.
bool ReadSettingSwitch(const std::string& file, std::string_view section, std::string_view key);

}  // namespace velmora
