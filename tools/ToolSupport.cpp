#include "tools/ToolSupport.h"

#include <array>
#include <iostream>

#include "resources/Strings.h"
#include "store/Settings.h"
#include "tools/Interruption.h"
#include "tools/TerminalText.h"

namespace velmora::tool {

namespace {

using format::FileKind;

struct KindName {
  FileKind kind;
  std::string_view name;
};
constexpr std::array<KindName, 5> kKindNames{{{FileKind::Address, "address"},
                                             {FileKind::Calendar, "calendar"},
                                             {FileKind::History, "history"},
                                             {FileKind::Partners, "partners"},
                                             {FileKind::Outbox, "outbox"}}};

}  // namespace

std::string OneLine(std::string_view message) {
  std::string line;
  line.reserve(message.size());
  for (size_t i = 0; i < message.size(); ++i) {
    char c = message[i];
    if (c == '\r' && i + 1 < message.size() && message[i + 1] == '\n') {
      line += ' ';
      ++i;
    } else if (c == '\r' || c == '\n') {
      line += ' ';
    } else {
      line += c;
    }
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

int Fail(std::string_view message) {
  // Messages quote file names and file content: no control character of
  // theirs reaches the terminal.
  std::cerr << TerminalSafe(OneLine(message)) << '\n';
  return kExitFailure;
}

int FinishListing(TextOutput& out) {
  Result finished = out.Finish();
  if (Interrupted()) return kExitFailure;
  if (out.ReaderGone()) return kExitOk;
  return finished.ok() ? kExitOk : Fail(finished.Message());
}

std::optional<FileKind> KindFromName(std::string_view name) {
  for (const KindName& k : kKindNames) {
    if (k.name == name) return k.kind;
  }
  return std::nullopt;
}

std::string_view KindCommandName(FileKind kind) {
  for (const KindName& k : kKindNames) {
    if (k.kind == kind) return k.name;
  }
  return {};
}

std::optional<FileKind> KindFromRecordSize(uint32_t recordSize) {
  for (const KindName& k : kKindNames) {
    if (format::InfoOf(k.kind).recordSize == recordSize) return k.kind;
  }
  return std::nullopt;
}

void ActAsProgramFor(std::optional<FileKind> kind) {
  bool calendar = kind == FileKind::Calendar;
  SetCurrentProgram(calendar ? Program::Almanor : Program::Cardora);
  SetProgramName(calendar ? "Almanor" : "Cardora");
}

ResultOf<OpenedStore> OpenWithPassword(const std::string& path, const std::string& password) {
  auto store = std::make_unique<RecordStore>(path, password);
  if (store->OpenFailed()) return store->OpenError();
  const std::optional<format::FileKind> kind = KindFromRecordSize(store->recordSize());
  ActAsProgramFor(kind);
  const int accessLevel = store->GetAccessLevel();
  if (accessLevel == kAccessNone) return Result::Fail(LoadText(kMsgWrongPassword));
  return OpenedStore{std::move(store), kind, accessLevel};
}

}  // namespace velmora::tool
