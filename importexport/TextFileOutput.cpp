#include "importexport/TextFileOutput.h"

namespace velmora {

Result WriteTextFile(const std::string& path, std::string_view contents, const std::string& what,
                     const OutputMode& mode) {
  return ReplaceFileAtomically(FileSystem::Default(), path, contents, mode, what);
}

Result TextFileWriter::Create(const std::string& path, const std::string& what, const OutputMode& mode) {
  return output_.Create(FileSystem::Default(), path, mode, what);
}

Result TextFileWriter::Write(std::string_view text) { return output_.Write(text); }

Result TextFileWriter::Finish() { return output_.Commit(); }

}  // namespace velmora
