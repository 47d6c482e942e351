// Initialisation files, read and written one key at a time.
//
// Reading parses the file afresh at every call. A line is a section
// ("[Name]"), a comment (first non-blank character ';') or a key line
// ("key=value", split at the first '='); spaces and tabs around names and
// values are ignored, lines end in LF or CR LF, and a UTF-8 byte-order mark
// at the start is skipped. The first matching key of the matching sections
// wins.
//
// Writing changes one line (or adds one or two) and keeps every other byte
// of the file. The new contents go to a temporary file beside the old one,
// which is flushed to disk and renamed over it, and the folder is flushed so
// that the rename itself survives a crash. Writers of one file take an
// exclusive flock on it (re-checked after the wait, since a rename swaps the
// file under the lock), so concurrent writers of two programs do not lose
// each other's keys.
#include "store/Settings.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "store/Bytes.h"
#include "store/FileSystem.h"
#include "store/OutputFile.h"

namespace velmora {

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::mutex gNameMutex;
std::string gProgramName;  // empty: the executable's own name

std::string_view Trim(std::string_view text) {
  size_t begin = text.find_first_not_of(kBlanks);
  if (begin == std::string_view::npos) return {};
  size_t end = text.find_last_not_of(kBlanks);
  return text.substr(begin, end - begin + 1);
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(uint8_t(a[i])) != FoldCase(uint8_t(b[i]))) return false;
  }
  return true;
}

std::string WithoutLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != '\r' && c != '\n') out += c;
  }
  return out;
}

// One line of the file: its text without the line ending, and the ending
// ("\n", "\r\n" or empty for a last line without one).
struct Line {
  std::string text;
  std::string ending;
};

enum class LineKind { Other, Section, Key };

struct ParsedLine {
  LineKind kind = LineKind::Other;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // key value, trimmed
};

ParsedLine Parse(std::string_view text) {
  ParsedLine parsed;
  std::string_view line = Trim(text);
  if (line.empty() || line[0] == ';') return parsed;
  if (line[0] == '[') {
    size_t close = line.find(']');
    parsed.kind = LineKind::Section;
    parsed.name = Trim(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    return parsed;
  }
  size_t equals = line.find('=');
  if (equals == std::string_view::npos) return parsed;
  parsed.name = Trim(line.substr(0, equals));
  if (parsed.name.empty()) return parsed;
  parsed.kind = LineKind::Key;
  parsed.value = Trim(line.substr(equals + 1));
  return parsed;
}

struct IniFile {
  std::string byteOrderMark;
  std::vector<Line> lines;
};

IniFile Split(std::string_view content) {
  IniFile ini;
  if (content.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    ini.byteOrderMark = std::string(kByteOrderMark);
    content.remove_prefix(kByteOrderMark.size());
  }
  while (!content.empty()) {
    size_t newline = content.find('\n');
    Line line;
    if (newline == std::string_view::npos) {
      line.text = std::string(content);
      content = {};
    } else {
      line.text = std::string(content.substr(0, newline));
      line.ending = "\n";
      content.remove_prefix(newline + 1);
    }
    if (!line.ending.empty() && !line.text.empty() && line.text.back() == '\r') {
      line.text.pop_back();
      line.ending = "\r\n";
    }
    ini.lines.push_back(std::move(line));
  }
  return ini;
}

std::string Join(const IniFile& ini) {
  std::string out = ini.byteOrderMark;
  for (const Line& line : ini.lines) out += line.text + line.ending;
  return out;
}

// Reads the whole file from an open descriptor.
bool ReadAll(int fd, std::string& out) {
  out.clear();
  char buffer[8192];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    out.append(buffer, size_t(n));
  }
}

// The file's contents; nullopt when it cannot be read (missing or not a
// file), which reads as a file without keys.
std::optional<std::string> ReadFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string content;
  bool ok = ReadAll(fd, content);
  ::close(fd);
  if (!ok) return std::nullopt;
  return content;
}

std::optional<std::string> FindValue(const std::string& file, std::string_view section, std::string_view key) {
  std::optional<std::string> content = ReadFile(file);
  if (!content) return std::nullopt;
  IniFile ini = Split(*content);
  bool inSection = false;
  for (const Line& line : ini.lines) {
    ParsedLine parsed = Parse(line.text);
    if (parsed.kind == LineKind::Section) {
      inSection = SameName(parsed.name, section);
    } else if (inSection && parsed.kind == LineKind::Key && SameName(parsed.name, key)) {
      return std::string(parsed.value);
    }
  }
  return std::nullopt;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Replaces path with content through the store's output routine: a fresh
// file beside it, renamed over it once written and flushed, keeping the
// replaced file's permission bits; a link at path is replaced, not followed.
// On failure path is untouched.
Result ReplaceFile(const std::string& path, std::string_view content) {
  return ReplaceFileAtomically(FileSystem::Default(), path, content, OutputMode::Usual(),
                               "Cannot write the settings file");
}

// An exclusive lock on the file at path, held until destruction; a missing
// file is created empty first so that its first writers serialise too. The
// lock is taken on the file the path names when the wait ends: a writer
// that renamed a new file in meanwhile makes this one lock again.
class WriterLock {
 public:
  explicit WriterLock(const std::string& path) {
    for (int attempt = 0; attempt < 100; ++attempt) {
      // Never through a link: the caller resolved the links it may follow.
      fd_ = ::open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
      if (fd_ < 0) {
        error_ = errno;
        return;
      }
      // Best effort: a file system without flock leaves the write unlocked.
      if (::flock(fd_, LOCK_EX) != 0) return;
      struct stat locked, current;
      if (::fstat(fd_, &locked) == 0 && ::stat(path.c_str(), &current) == 0 && locked.st_dev == current.st_dev &&
          locked.st_ino == current.st_ino) {
        return;
      }
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~WriterLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  WriterLock(const WriterLock&) = delete;
  WriterLock& operator=(const WriterLock&) = delete;
  // The open file, or -1 when it could not be opened (error() says why).
  int fd() const { return fd_; }
  int error() const { return error_; }

 private:
  int fd_ = -1;
  int error_ = 0;
};

// A symbolic link this user made to a settings file keeps pointing at the
// file: the replacement goes where the link leads. A link another user
// planted (in a shared program folder, say) is not followed: the writer's
// lock refuses it, so nothing is read, created or written through it.
std::string ResolveLink(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  if (info.st_uid != ::geteuid()) return path;
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string resolved = real;
  std::free(real);
  return resolved;
}

std::string ExecutablePath() {
  std::string path(PATH_MAX, '\0');
  ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0 || size_t(n) >= path.size()) return {};
  path.resize(size_t(n));
  constexpr std::string_view kDeleted = " (deleted)";
  if (path.size() > kDeleted.size() && path.ends_with(kDeleted)) path.resize(path.size() - kDeleted.size());
  return path;
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  struct passwd entry;
  struct passwd* result = nullptr;
  std::vector<char> buffer(16384);
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result && result->pw_dir) {
    return result->pw_dir;
  }
  return {};
}

// mkdir -p; folders it creates are private to the user.
void MakeFolders(const std::string& path) {
  for (size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
    std::string part = path.substr(0, slash);
    ::mkdir(part.c_str(), 0700);
    if (slash == std::string::npos) break;
  }
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

bool IsSystemProgramFolder(const std::string& folder) {
  static const char* const kSystemFolders[] = {
      "/bin", "/sbin", "/usr/bin", "/usr/sbin", "/usr/local/bin", "/usr/local/sbin",
#ifdef VELMORA_INSTALL_BINDIR
      VELMORA_INSTALL_BINDIR,
#endif
  };
  char resolved[PATH_MAX];
  const std::string real = ::realpath(folder.c_str(), resolved) ? std::string(resolved) : folder;
  for (const char* system : kSystemFolders) {
    char systemResolved[PATH_MAX];
    const std::string systemReal = ::realpath(system, systemResolved) ? std::string(systemResolved) : system;
    if (real == systemReal || folder == system) return true;
  }
  return false;
}

std::string ProgramFolder() { return ProgramFolderFor(ExecutablePath()); }

std::string ProgramFolderFor(const std::string& executable) {
  const char* home = std::getenv("VELMORA_HOME");
  if (home && *home) return WithoutTrailingSlashes(home);

  // A folder the system keeps its programs in is writable for root, but an
  // installed program's data never goes there.
  if (!executable.empty()) {
    std::string folder = FolderOf(executable);
    if (::access(folder.c_str(), W_OK) == 0 && !IsSystemProgramFolder(folder)) return folder;
  }

  std::string folder;
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome && dataHome[0] == '/') {
    folder = WithoutTrailingSlashes(dataHome) + "/velmora";
  } else {
    std::string userHome = HomeFolder();
    if (userHome.empty()) return executable.empty() ? "." : FolderOf(executable);
    folder = WithoutTrailingSlashes(userHome) + "/.local/share/velmora";
  }
  MakeFolders(folder);
  return folder;
}

std::string DefaultReportPath() { return ProgramFolder() + "/report.txt"; }

std::string ProgramName() {
  {
    std::lock_guard<std::mutex> lock(gNameMutex);
    if (!gProgramName.empty()) return gProgramName;
  }
  std::string executable = ExecutablePath();
  size_t slash = executable.rfind('/');
  return slash == std::string::npos ? executable : executable.substr(slash + 1);
}

void SetProgramName(std::string name) {
  std::lock_guard<std::mutex> lock(gNameMutex);
  gProgramName = std::move(name);
}

std::string ProgramSettingsPath() { return ProgramFolder() + "/" + ProgramName() + ".ini"; }

std::string SuiteSettingsPath(std::string_view name) { return ProgramFolder() + "/" + std::string(name); }

bool ReadSettingText(const std::string& file, std::string_view section, std::string_view key, std::string& out,
                     size_t capacity) {
  std::optional<std::string> value = FindValue(file, section, key);
  out.clear();
  if (!value) return false;
  // Files written by older programs hold Windows-1252 text.
  if (!IsValidUtf8(*value)) *value = Windows1252ToUtf8(*value);
  size_t max = capacity > 0 ? capacity - 1 : 0;
  out = value->substr(0, Utf8CutLength(*value, max));
  return !out.empty();
}

bool ReadSettingInt(const std::string& file, std::string_view section, std::string_view key, int& out) {
  std::string text;
  if (!ReadSettingText(file, section, key, text, 255)) return false;
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Accumulate as a negative number so that INT_MIN fits; clamp on overflow.
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 - (text[i] - '0');
    if (value < -static_cast<long long>(INT_MAX) - 1) value = -static_cast<long long>(INT_MAX) - 1;
  }
  if (!negative) value = value < -static_cast<long long>(INT_MAX) ? INT_MAX : -value;
  out = int(value);
  return true;
}

Result WriteSettingText(const std::string& file, std::string_view section, std::string_view key,
                        std::string_view value) {
  return WriteSettingTexts(file, section, {SettingValue{std::string(key), std::string(value)}});
}

Result WriteSettingTexts(const std::string& file, std::string_view section, const std::vector<SettingValue>& values) {
  std::string sectionName(Trim(WithoutLineBreaks(section)));
  // Names that would read back as something else are refused.
  if (sectionName.empty() || sectionName.find(']') != std::string::npos) {
    return Result::Fail("No setting can be kept in a section named \"" + sectionName + "\" in", 0, file);
  }
  for (const SettingValue& setting : values) {
    std::string keyName(Trim(WithoutLineBreaks(setting.key)));
    if (keyName.empty() || keyName.find('=') != std::string::npos || keyName[0] == '[' || keyName[0] == ';') {
      return Result::Fail("No setting can be kept under the key \"" + keyName + "\" in", 0, file);
    }
  }

  std::string path = ResolveLink(file);
  WriterLock lock(path);
  // A file that cannot be opened and read is never replaced blindly.
  if (lock.fd() < 0 && lock.error() == ELOOP) {
    return Result::Fail("The settings file is a link another user made; nothing is written through it:", 0, path);
  }
  if (lock.fd() < 0) return Result::Fail("Cannot open the settings file", lock.error(), path);
  std::string content;
  struct stat info;
  if (::fstat(lock.fd(), &info) != 0) return Result::Fail("Cannot read the settings file", errno, path);
  if (!S_ISREG(info.st_mode)) return Result::Fail("The settings file is not a plain file:", 0, path);
  if (!ReadAll(lock.fd(), content)) return Result::Fail("Cannot read the settings file", errno, path);

  IniFile ini = Split(content);
  std::string newline = "\n";
  for (const Line& line : ini.lines) {
    if (!line.ending.empty()) {
      newline = line.ending;
      break;
    }
  }

  for (const SettingValue& setting : values) {
    const std::string keyName(Trim(WithoutLineBreaks(setting.key)));
    const std::string text = WithoutLineBreaks(setting.value);
    // The first matching key of the matching sections takes the value;
    // without one, the key goes after the last non-blank line of the first
    // matching section, or a new section goes at the end of the file.
    std::optional<size_t> keyLine, sectionLine;
    bool inSection = false;
    for (size_t i = 0; i < ini.lines.size(); ++i) {
      ParsedLine parsed = Parse(ini.lines[i].text);
      if (parsed.kind == LineKind::Section) {
        inSection = SameName(parsed.name, sectionName);
        if (inSection && !sectionLine) sectionLine = i;
      } else if (inSection && parsed.kind == LineKind::Key && SameName(parsed.name, keyName)) {
        keyLine = i;
        break;
      }
    }
    if (keyLine) {
      ini.lines[*keyLine].text = std::string(Parse(ini.lines[*keyLine].text).name) + "=" + text;
    } else {
      std::vector<Line> added;
      size_t insertAt = ini.lines.size();
      if (sectionLine) {
        insertAt = *sectionLine + 1;
        for (size_t i = insertAt; i < ini.lines.size() && Parse(ini.lines[i].text).kind != LineKind::Section; ++i) {
          if (!Trim(ini.lines[i].text).empty()) insertAt = i + 1;
        }
      } else {
        added.push_back({"[" + sectionName + "]", newline});
      }
      added.push_back({keyName + "=" + text, newline});
      if (insertAt > 0 && ini.lines[insertAt - 1].ending.empty()) ini.lines[insertAt - 1].ending = newline;
      ini.lines.insert(ini.lines.begin() + std::ptrdiff_t(insertAt), added.begin(), added.end());
    }
  }
  return ReplaceFile(path, Join(ini));
}

Result WriteSettingInt(const std::string& file, std::string_view section, std::string_view key, int value) {
  return WriteSettingText(file, section, key, std::to_string(value));
}

bool ReadSettingSwitch(const std::string& file, std::string_view section, std::string_view key) {
  std::string value;
  if (!ReadSettingText(file, section, key, value)) return true;
  return value != "0";
}

}  // namespace velmora
