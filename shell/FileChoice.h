// Which record file a program works on: the choice at start-up, "Create New
// File", the open dialog and "&Save As...", and the opening of a chosen file
// (created with the example records when new).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "store/Format.h"
#include "store/Result.h"

class QWidget;

namespace velmora {

class RecordStore;

struct ChosenFile {
  std::string path;      // full path
  std::string password;  // what the connection presents; empty without passwords
};

struct NewFileChoice {
  std::string path;
  bool examples = false;  // whether the new file gets the example records
};

// The start-up choice for files with extension E ("adr"): a command-line file
// that exists (its password asked; "DefaulFile" untouched); else at first
// start the default "Works/<program name, lower-cased>.E" in the program
// folder (remembered, with "RecordExample" "1") unless such a file exists;
// else "DefaulFile" when it exists (its password asked). Nothing when none
// of these gives a file; the caller then offers "Create New File".
std::optional<ChosenFile> StartupFileChoice(QWidget* owner, const std::string& commandLine,
                                            std::string_view extension);

// "Create New File" (dialog 1001); on OK the path becomes "DefaulFile".
std::optional<NewFileChoice> RunCreateNewFile(QWidget* owner, std::string_view extension);

// The open dialog in the work folder; the password is asked, and a file
// opened this way becomes "DefaulFile".
std::optional<ChosenFile> RunOpenDialog(QWidget* owner, std::string_view filter, std::string_view extension);

// "&Save As...": copies the open file to a chosen path and compacts the
// copy, showing its progress; with withHistory the "<path>.history" beside it
// too. A beep for the open file's own path; the access-denied message for a
// target that somebody has open, and also for a copy that failed without
// saying why. The new path, or nothing.
std::optional<std::string> RunSaveAs(QWidget* owner, RecordStore& open, std::string_view filter,
                                     std::string_view extension, bool withHistory = false);

// Writes the example records of a new file through an Owner connection.
using SampleWriter = std::function<Result(RecordStore& store)>;

// Opens a chosen file as every program does: creates it when missing (kind,
// default categories, and the samples when examples is set), passes it
// through the compacting check, and opens the connection. Nothing, after a
// message saying why, when that fails.
std::unique_ptr<RecordStore> OpenChosenFile(QWidget* owner, const std::string& path, const std::string& password,
                                            bool examples, format::FileKind kind, const SampleWriter& samples);

}  // namespace velmora
