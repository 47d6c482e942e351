// The result of a store operation: the codes callers test (1 success,
// 0 failure, 104 refused to a Reader) plus the errno and path of the system
// call that failed, for the message shown to the user.
#pragma once

#include <cassert>
#include <optional>
#include <string>
#include <utility>

namespace velmora {

inline constexpr int kOk = 1;
inline constexpr int kFailed = 0;
inline constexpr int kReaderRefused = 104;

class [[nodiscard]] Result {
 public:
  Result() = default;
  explicit Result(int code) : code_(code) {}
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

// The result of an operation that gives back data: the value when it
// succeeded, else the failure. ok() and value() go together; a Result that
// says ok but carries no value is turned into a failure, so ok() always
// means a value is there.
template <class T>
class [[nodiscard]] ResultOf {
 public:
  ResultOf(T value) : result_(Result::Ok()), value_(std::move(value)) {}  // NOLINT: a value is a success
  ResultOf(Result failure)  // NOLINT: a failure converts like a value does
      : result_(failure.ok() ? Result::Fail("Operation gave no value") : std::move(failure)) {}

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }
  const Result& result() const { return result_; }
  std::string Message() const { return result_.Message(); }

  // Only when ok().
  const T& value() const& {
    assert(ok());
    return *value_;
  }
  T& value() & {
    assert(ok());
    return *value_;
  }
  T&& value() && {
    assert(ok());
    return std::move(*value_);
  }
  const T& operator*() const& { return value(); }
  const T* operator->() const { return &value(); }

 private:
  Result result_;
  std::optional<T> value_;
};

// The system's own text for an errno value; the one place errno becomes
// words.
std::string SystemErrorText(int sysError);

}  // namespace velmora
