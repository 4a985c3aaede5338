// Little-endian fields of the kit's file and wire formats (remark data file,
// bitmap headers, the interface table, the registry store), whatever the
// byte order of the host.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kit {

inline void Put16(std::uint8_t* at, std::uint32_t v) {
  at[0] = static_cast<std::uint8_t>(v);
  at[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void Put32(std::uint8_t* at, std::uint32_t v) {
  Put16(at, v & 0xFFFFu);
  Put16(at + 2, v >> 16);
}

// Appended to `out`.
inline void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  const std::size_t at = out.size();
  out.resize(at + 2);
  Put16(out.data() + at, v);
}

inline void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  const std::size_t at = out.size();
  out.resize(at + 4);
  Put32(out.data() + at, v);
}

// Over the four bytes at `at`, which `bytes` holds already.
inline void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t v) { Put32(bytes.data() + at, v); }

}  // namespace kit
