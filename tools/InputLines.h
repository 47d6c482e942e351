// The lines of an input stream (standard input of `add`), read through
// read(2) with a bound on the length of one line, so memory stays at one
// line however the input grows, and input without line breaks
// (`< /dev/zero`) is refused at the bound rather than read forever.
// A terminating signal ends the reading at once.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora::tool {

class InputLines {
 public:
  enum class Status { Line, End, TooLong, ReadError, Interrupted };

  InputLines(int fd, size_t maxLineLength);

  // The next line without its line end (LF, or CR LF); Line with line() and
  // number() set, else why there is none. TooLong: number() is the line
  // that passed the bound. ReadError: error() is the errno.
  Status Next();
  std::string_view line() const { return line_; }
  size_t number() const { return number_; }
  int error() const { return error_; }

 private:
  bool Fill();

  int fd_;
  size_t maxLineLength_;
  std::string buffer_;
  size_t start_ = 0;  // first byte of buffer_ not yet handed out
  bool eof_ = false;
  std::string_view line_;
  size_t number_ = 0;
  int error_ = 0;
};

}  // namespace velmora::tool
