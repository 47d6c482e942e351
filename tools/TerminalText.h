// Text from records and input files as the terminal may show it: a name or
// a line read from a file must not move the cursor, recolour the screen or
// start a line of its own that looks like the tool's output.
#pragma once

#include <string>
#include <string_view>

namespace velmora::tool {

// The text with every control character made visible: C0 controls and DEL
// as "\t", "\n", "\r" or "\xNN", C1 controls (U+0080..U+009F written in
// UTF-8) as "\u0080".."\u009f", and each byte that is not part of a UTF-8
// character as "\xNN". Printable UTF-8 (a backslash too) stays as it is.
std::string TerminalSafe(std::string_view text);

}  // namespace velmora::tool
