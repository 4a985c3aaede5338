// The desktop clipboard, as far as page pictures go.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "ports/emf.h"

namespace kit {

constexpr unsigned kCfBitmap = 2;        // CF_BITMAP
constexpr unsigned kCfEnhMetaFile = 14;  // CF_ENHMETAFILE

// A bitmap as 32-bit pixels, rows from the top, each pixel 0x00RRGGBB.
struct ClipboardBitmap {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint32_t> pixels;
};

class IClipboard {
 public:
  virtual ~IClipboard() = default;
  // OpenClipboard(NULL); false when another window holds it.
  virtual bool Open() = 0;
  virtual void Close() = 0;
  // Between Open and Close.
  virtual bool Empty() = 0;
  virtual bool HasFormat(unsigned format) = 0;
  // A copy owned by the caller; the clipboard keeps its own.
  virtual EnhMetaFilePtr GetEnhMetaFile(IMetafileFactory& factory) = 0;
  virtual std::optional<ClipboardBitmap> GetBitmap() = 0;
};

// Open for the life of the object; Close on every way out.
class ClipboardSession {
 public:
  explicit ClipboardSession(IClipboard& cb) : cb_(cb), open_(cb.Open()) {}
  ~ClipboardSession() {
    if (open_) cb_.Close();
  }
  ClipboardSession(const ClipboardSession&) = delete;
  ClipboardSession& operator=(const ClipboardSession&) = delete;
  bool is_open() const { return open_; }

 private:
  IClipboard& cb_;
  bool open_;
};

}  // namespace kit
