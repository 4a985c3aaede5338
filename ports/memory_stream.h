// An in-memory byte stream: the body of a response, a container's stream in
// tests, a fuzzer's input.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "ports/stream.h"

namespace kit {

class MemoryStream : public IByteStream {
 public:
  MemoryStream() = default;
  explicit MemoryStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  MemoryStream(const std::uint8_t* data, std::size_t n) : bytes_(data, data + n) {}

  std::size_t Read(void* buf, std::size_t n) override {
    std::size_t take = std::min(n, bytes_.size() - pos_);
    if (take != 0) std::memcpy(buf, bytes_.data() + pos_, take);
    pos_ += take;
    return take;
  }
  void Write(const void* buf, std::size_t n) override {
    const auto* p = static_cast<const std::uint8_t*>(buf);
    bytes_.insert(bytes_.end(), p, p + n);
  }

  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  std::size_t position() const { return pos_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

}  // namespace kit
