// Whole files read and written in one call, byte for byte.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "store/RecordStore.h"

namespace velmora::testing {

// The contents of a file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
Bytes ReadFileBytes(const std::string& path);

// Creates or replaces a file with exactly these bytes; false when it cannot.
bool WriteWholeFile(const std::string& path, std::string_view contents);
bool WriteWholeFile(const std::string& path, const Bytes& contents);

// Overwrites bytes of an existing file in place, as a crash or a foreign tool
// might; false when the file cannot be written there.
bool PatchFile(const std::string& path, uint64_t offset, const Bytes& bytes);

}  // namespace velmora::testing
