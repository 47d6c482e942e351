// The result of a store operation: the codes callers test (1 success,
// 0 failure, 104 refused to a Reader) plus the errno and path of the system
// call that failed, for the message shown to the user.
#pragma once

#include <string>

namespace velmora {

inline constexpr int kOk = 1;
inline constexpr int kFailed = 0;
inline constexpr int kReaderRefused = 104;

class [[nodiscard]] Result {
 public:
  Result() = default;
  Result(int code) : code_(code) {}  // NOLINT: results read as plain codes
  static Result Ok() { return Result(kOk); }
  static Result Fail(std::string what, int sysError = 0, std::string path = {}) {
    Result r(kFailed);
    r.what_ = std::move(what);
    r.sysError_ = sysError;
    r.path_ = std::move(path);
    return r;
  }

  int code() const { return code_; }
  bool ok() const { return code_ == kOk; }
  explicit operator bool() const { return ok(); }
  int sysError() const { return sysError_; }
  const std::string& path() const { return path_; }
  const std::string& what() const { return what_; }
  // One line for the user: what failed, the path and the system's reason.
  std::string Message() const;
  // A failure from another part of the system, with this failure's errno
  // and path kept, and its own words replaced.
  Result Reworded(std::string what) const {
    Result r = *this;
    r.what_ = std::move(what);
    return r;
  }

 private:
  int code_ = kFailed;
  int sysError_ = 0;
  std::string what_;
  std::string path_;
};

// The system's own text for an errno value; the one place errno becomes
// words.
std::string SystemErrorText(int sysError);

}  // namespace velmora
