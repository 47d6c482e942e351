// The options a window program of the suite answers without opening a
// window: "--help" and "--version". Anything else on its command line is the
// record file to open.
#pragma once

#include <optional>

namespace velmora {

// Prints the usage or the version of program (with the extension of its
// files, "adr") to standard output when argv holds exactly one of those
// options, and returns the exit code; nothing otherwise. Runs before the
// QApplication exists, so it needs no display.
// record: what "--new" makes ("contact").
std::optional<int> AnswerProgramOptions(int argc, char** argv, const char* program, const char* extension,
                                        const char* record, const char* version);
// The same for a program that opens no file: usage is the whole text
// "--help" prints.
std::optional<int> AnswerProgramOptionsWithUsage(int argc, char** argv, const char* program, const char* version,
                                                 const char* usage);

}  // namespace velmora
