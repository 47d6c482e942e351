// The user's commands on a record file, without windows: choosing the
// password when opening it, changing its passwords, editing an entry under
// its edit lock, editing its categories, and "Co&mpact..." and
// "&Save As...". They decide which message (by number), beep or sound
// ("add.wav") the user gets; the windows take part only through the
// callbacks (FlowUi), so the programs show their own dialogs and tests answer
// them directly. Free of Qt.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "store/Categories.h"
#include "store/RecordStore.h"

namespace velmora {

// How a flow talks to the user; every member may be empty.
struct FlowUi {
  std::function<void(int number)> message;            // information box with text number
  std::function<void(const std::string&)> messageText;  // information box with a text
  std::function<void()> beep;
  std::function<void(const std::string& sound)> play;   // e.g. "add.wav"
  // Around a long step without a window of its own (copying a file): true
  // before it, false after, so the program can show a wait cursor.
  std::function<void(bool on)> busy;
};

struct CompactUi;

struct NetworkPasswords {
  std::string owner, assistant, reader;
  friend bool operator==(const NetworkPasswords&, const NetworkPasswords&) = default;
};

// The three passwords of path's header, read through a short-lived
// connection with the password "zilt". A failure with the reason for the
// user when the file cannot be read as a record file.
ResultOf<NetworkPasswords> ReadNetworkPasswords(const std::string& path);

// Opens a short-lived connection with the password "zilt" and reads the
// header. No Owner password: the empty password (Owner). Otherwise asks
// prompt(file name) (nullopt = Cancel) and accepts a text equal to one of
// the three passwords; a wrong one shows message 103. A file that cannot be
// read as a record file shows the reason. nullopt abandons the opening.
using PasswordPrompt = std::function<std::optional<std::string>(const std::string& fileName)>;
std::optional<std::string> ChooseOpenPassword(const std::string& path, const PasswordPrompt& prompt,
                                              const FlowUi& ui = {});

using PasswordsDialog = std::function<std::optional<NetworkPasswords>()>;

// "Network Passwords": only the Owner may continue (else message 102).
// enter() shows "Network Passwords", verify() "Verify Network Passwords",
// again after message 101 until both agree or the user cancels. The new
// passwords are written (each cut to 19 bytes) and flushed, and the
// connection keeps Owner access with the new Owner password. A file that
// cannot be read, or a failed write, shows the reason (the connection then
// keeps the password it had). True when they were changed.
bool ChangeNetworkPasswords(RecordStore& store, const PasswordsDialog& enter, const PasswordsDialog& verify,
                            const FlowUi& ui = {});

enum class EditOutcome { NoPermission, Locked, Skipped, Cancelled, Saved, Failed };

// Editing an entry: Readers get message 102, a record held by another user
// message 106; a record being sent by the exchange (state 9) beeps, a
// confidential one is skipped for non-Owners. editor(record) shows the
// editor and returns true on OK with the record changed in place; the record
// is then written back ("add.wav" plays), unlocked and flushed. A record
// that cannot be read, or a failed write, unlock or flush, shows the reason.
using RecordEditor = std::function<bool(Bytes& record)>;
EditOutcome EditEntry(RecordStore& store, RecordPosition position, const RecordEditor& editor,
                      const FlowUi& ui = {});

// "Co&mpact...": a file in use (also by this program) gets the access-denied
// message; otherwise it is compacted, and so is "<path>.history" when it
// exists and compactHistory is set; a compaction that fails shows why (once:
// not again when progress already told the user). True when the file was
// compacted.
bool CompactCommand(const std::string& path, bool compactHistory, const FlowUi& ui = {},
                    const struct CompactUi* progress = nullptr);

// "&Save As...": the open file itself beeps, whether named by its own path
// (compared ignoring case) or by another path to the same file (same device
// and inode: "..", a link); a target in use elsewhere gets the access-denied
// message; otherwise the open file is flushed, copied (a failed flush, copy
// or compaction shows the reason) and the copy compacted, showing progress when given (with
// "<path>.history" when copyHistory is set and it exists). True when the
// copy was made.
bool SaveAsCommand(RecordStore& current, const std::string& target, bool copyHistory, const FlowUi& ui = {},
                   const CompactUi* progress = nullptr);

// "Categories": Readers (and connections without access) get message 102;
// a category block that cannot be read shows the reason. editor(list) shows
// the list and returns true on OK with the list changed in place; the block
// is then written and flushed (a failure shows the reason). True when the
// block was written.
using CategoriesEditor = std::function<bool(CategoryList& list)>;
bool EditCategories(RecordStore& store, const CategoriesEditor& editor, const FlowUi& ui = {});

// "Program can't use \"%s\".\r\nAccess has been denied"
std::string AccessDeniedMessage(const std::string& path);

}  // namespace velmora
