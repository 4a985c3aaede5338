// Writes whole bitmap files as seeds for fuzz_sigpad_bmp: DIR/<name>.
#include <cstdio>
#include <string>
#include <vector>

#include "sigpad/bmp_file.h"

namespace {

bool Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  using kit::sigpad::cDIBSection;
  const std::string dir = argv[1];
  bool ok = true;
  const int sizes[][2] = {{1, 1}, {3, 2}, {2, 5}};
  for (const auto& s : sizes) {
    cDIBSection d;
    if (!d.Create(s[0], s[1])) return 1;
    for (std::uint32_t i = 0; i < d.Header().biSizeImage; ++i) d.DIBSectionBitsPtr()[i] = static_cast<std::uint8_t>(i * 37);
    std::vector<std::uint8_t> b = kit::sigpad::BmpBytes(d);
    ok &= Write(dir + "/w" + std::to_string(s[0]) + "h" + std::to_string(s[1]) + ".bmp", b);
    // The same picture stored top-down.
    b[22] = static_cast<std::uint8_t>(-s[1]);
    b[23] = b[24] = b[25] = 0xFF;
    ok &= Write(dir + "/w" + std::to_string(s[0]) + "h" + std::to_string(s[1]) + "-top.bmp", b);
  }
  return ok ? 0 : 1;
}
