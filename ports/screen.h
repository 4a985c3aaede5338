#pragma once

namespace kit {

class IScreenMetrics {
 public:
  virtual ~IScreenMetrics() = default;
  virtual int LogPixelsX() const = 0;  // GetDeviceCaps(LOGPIXELSX) of the screen
  virtual int LogPixelsY() const = 0;
};

}  // namespace kit
