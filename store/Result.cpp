#include "store/Result.h"

#include <cstring>

namespace velmora {

std::string SystemErrorText(int sysError) {
  char buffer[256];
  // The GNU strerror_r returns the text (possibly a static one) rather than
  // filling the buffer; it is thread-safe unlike strerror.
  return std::string(strerror_r(sysError, buffer, sizeof buffer));
}

std::string Result::Message() const {
  std::string text = what_.empty() ? std::string("Operation failed") : what_;
  if (!path_.empty()) text += " \"" + path_ + "\"";
  if (sysError_ != 0) text += ": " + SystemErrorText(sysError_);
  return text;
}

}  // namespace velmora
