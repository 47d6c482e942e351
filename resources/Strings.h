// The numbered message and label texts of the two programs. Both programs use
// the same numbers; some texts differ, and shared code gets the text of the
// program it runs in.
#pragma once

#include <cstddef>
#include <string>

namespace velmora {

enum class Program { Cardora, Almanor };

void SetCurrentProgram(Program program);
Program CurrentProgram();  // Cardora until set

// The text of that number in the running program's table, cut to limit
// bytes at a UTF-8 boundary; empty when the table has no such number.
std::string LoadText(int number, size_t limit = 255);
std::string LoadText(Program program, int number, size_t limit = 255);

}  // namespace velmora
