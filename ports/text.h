// Small text facts shared by the subsystems and their adapters.
#pragma once
#include <string_view>

namespace kit {

// Byte for byte: no case folding.
inline bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace kit
