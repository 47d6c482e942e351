// Output written as it is produced, in blocks: standard output of the
// listing commands through write(2), and the export and report files through
// the store's output routine (a fresh file beside the target, put in its
// place only when complete). Memory stays at one block however long the
// output grows.
//
// On standard output a reader that went away (EPIPE, e.g. `| head -1`) is
// the end of the output, not a failure. A terminating signal ends the
// output at the next write.
#pragma once

#include <string>
#include <string_view>

#include "store/OutputFile.h"
#include "store/Result.h"

namespace velmora::tool {

class TextOutput {
 public:
  // Standard output.
  TextOutput();
  ~TextOutput();  // a file not finished is dropped; the target stays as it was
  TextOutput(const TextOutput&) = delete;
  TextOutput& operator=(const TextOutput&) = delete;

  // Starts the file that replaces path when Finish succeeds; mode bounds a
  // new file's permissions (no wider than the file the output comes from).
  // On failure the result names the path and the reason, with `what` as its
  // first words.
  Result Create(const std::string& path, const std::string& what, const OutputMode& mode);

  // false once the output has ended (reader gone, write failed, or the tool
  // was interrupted); the text is then dropped.
  bool Write(std::string_view text);
  bool Flush();
  // Flushes, and puts a created file in place, reporting a failure of
  // either. A file whose output ended early (a failed write, an
  // interruption) is dropped and its target left as it was.
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
  OutputFile file_;
  bool ended_ = false;
  bool readerGone_ = false;
  std::string path_;
  std::string buffer_;
  Result failure_ = Result::Ok();
};

}  // namespace velmora::tool
