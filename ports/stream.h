// Byte streams: files and a container's persistence stream look alike to the core.
#pragma once
#include <cstddef>

namespace kit {

class IByteStream {
 public:
  virtual ~IByteStream() = default;
  // Returns the bytes read; fewer than n only at the end of the stream.
  virtual std::size_t Read(void* buf, std::size_t n) = 0;
  // Writes all n bytes or throws FileError.
  virtual void Write(const void* buf, std::size_t n) = 0;
};

}  // namespace kit
