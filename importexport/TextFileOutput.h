// Writes a finished text (an export, a report, a merged letter) to a file,
// replacing it. The writes go through the store's file-system seam, so a
// failing disk can be simulated.
#pragma once

#include <string>
#include <string_view>

#include "store/Result.h"

namespace velmora {

// Creates the file anew (or empties it) and writes contents, then makes them
// durable. On failure the result's message names the file and the system's
// reason; what is its first words when the file cannot be created ("Cannot
// create the export file"), "Cannot write" when the contents cannot be
// written.
Result WriteTextFile(const std::string& path, std::string_view contents, const std::string& what);

}  // namespace velmora
