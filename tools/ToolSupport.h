// Shared pieces of the velmora command-line tool: failure reporting, the
// kinds of record file and opening a connection with a password.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "store/Format.h"
#include "store/RecordStore.h"
#include "tools/TextOutput.h"

namespace velmora::tool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;

// Prints message on one line to stderr (line breaks become spaces) and
// returns kExitFailure, so commands end with `return Fail(...)`.
int Fail(std::string_view message);

// The exit status once a listing has been written to out: a reader that
// stopped reading (`| head`) has all it wanted; an interruption or a failed
// write is a failure (the latter with its message).
int FinishListing(TextOutput& out);

// The message as one line: CR LF, CR and LF each become one space.
std::string OneLine(std::string_view message);

// Kind names used on the command line: "address", "calendar", "history",
// "partners", "outbox".
std::optional<format::FileKind> KindFromName(std::string_view name);
std::string_view KindCommandName(format::FileKind kind);
// An existing file's kind is recognised from its record size alone; the
// kind name in its header is informational.
std::optional<format::FileKind> KindFromRecordSize(uint32_t recordSize);

// Makes the tool speak as the program that owns files of that kind: the
// calendar's messages for a calendar, the address book's otherwise.
void ActAsProgramFor(std::optional<format::FileKind> kind);

// A connection opened for reading or changing records.
struct OpenedStore {
  std::unique_ptr<RecordStore> store;
  std::optional<format::FileKind> kind;
  int accessLevel = kAccessNone;
};
// Opens path with the password: the open error's message when the file
// cannot be opened, message 103 of the owning program when the password
// grants no access level.
ResultOf<OpenedStore> OpenWithPassword(const std::string& path, const std::string& password);

}  // namespace velmora::tool
