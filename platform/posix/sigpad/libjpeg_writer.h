// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
// IJpegWriter on libjpeg-turbo: BGR rows in, a baseline JPEG in memory out.
#pragma once
#include "ports/jpeg.h"

namespace kit {

class LibjpegWriter : public IJpegWriter {
 public:
  int Init() override;
  int Encode(const JpegImage& image, int quality, std::vector<std::uint8_t>& out) override;
  void Free() override;

 private:
  bool ready_ = false;
};

}  // namespace kit
