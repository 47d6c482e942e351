// Output written as it is produced, in blocks through write(2): standard
// output of the listing commands, and the export and report files. Memory
// stays at one block however long the output grows.
//
// On standard output a reader that went away (EPIPE, e.g. `| head -1`) is
// the end of the output, not a failure. A terminating signal ends the
// output at the next write.
#pragma once

#include <string>
#include <string_view>

#include "store/Result.h"

namespace velmora::tool {

class TextOutput {
 public:
  // Standard output.
  TextOutput();
  ~TextOutput();  // closes a file it created; the caller flushes first
  TextOutput(const TextOutput&) = delete;
  TextOutput& operator=(const TextOutput&) = delete;

  // Creates or truncates path for writing. On failure the result names the
  // path and the reason, with `what` as its first words.
  Result Create(const std::string& path, const std::string& what);

  // false once the output has ended (reader gone, write failed, or the tool
  // was interrupted); the text is then dropped.
  bool Write(std::string_view text);
  bool Flush();
  // Flushes, and closes a created file, reporting a failure of either.
  Result Finish();

  // The output ended because its reader went away.
  bool ReaderGone() const { return readerGone_; }
  // Why writing failed; ok while it has not (also when the reader is gone
  // or the tool was interrupted).
  const Result& failure() const { return failure_; }
  bool ended() const { return ended_; }

 private:
  bool WriteOut(const char* data, size_t size);

  int fd_ = 1;
  bool owned_ = false;
  bool ended_ = false;
  bool readerGone_ = false;
  std::string path_;
  std::string buffer_;
  Result failure_ = Result::Ok();
};

}  // namespace velmora::tool
