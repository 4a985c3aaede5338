// Small text facts shared by the subsystems and their adapters.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace kit {

// Byte for byte: no case folding.
inline bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Bytes as lower-case hex, two digits each.
inline std::string LowerHex(const unsigned char* bytes, std::size_t size) {
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  for (std::size_t i = 0; i < size; ++i) {
    text += kHex[bytes[i] >> 4];
    text += kHex[bytes[i] & 15];
  }
  return text;
}
inline std::string LowerHex(std::string_view bytes) {
  return LowerHex(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

}  // namespace kit
