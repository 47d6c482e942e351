// Writes a finished text (an export or a report) to a file, replacing it.
#pragma once

#include <string>
#include <string_view>

#include "store/Result.h"

namespace velmora {

// Creates the file anew and writes contents. On failure the result's
// message names the file and the system's reason; what is its first words
// when the file cannot be created ("Cannot create the export file").
Result WriteTextFile(const std::string& path, std::string_view contents, const std::string& what);

}  // namespace velmora
