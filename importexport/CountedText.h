// A count with its noun in the right number: "1 line", "2 lines", "0 lines".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora {

inline std::string CountedText(size_t count, std::string_view one, std::string_view many) {
  std::string text = std::to_string(count);
  text += ' ';
  text += count == 1 ? one : many;
  return text;
}

// "was" for one, "were" for any other count.
inline const char* WasOrWere(size_t count) { return count == 1 ? "was" : "were"; }

}  // namespace velmora
