// Where read-only files of the programs (skins, sounds, help) are found: the
// program folder first, so that a user's own files win; then the folder of
// the executable and the share/velmora folders beside it; then the build
// tree's and the installation's share/velmora.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The folders searched, in order (they need not exist).
std::vector<std::string> ResourceFolders();
// The first searched folder that exists; the program folder when none does.
std::string ResourceFolder();
// The path of the first file or folder called name (may contain '/') in the
// searched folders; empty when there is none.
std::string FindResource(std::string_view name);

// Tests replace the searched folders; an empty list restores the default.
// Returns the list it replaces (empty: the default).
std::vector<std::string> SetResourceFoldersForTesting(std::vector<std::string> folders);

}  // namespace velmora
