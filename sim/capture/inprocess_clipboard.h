// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
// A clipboard shared by everything in this process; what a POSIX host has in
// place of the desktop's.
#pragma once
#include <optional>
#include <vector>

#include "ports/clipboard.h"

namespace kit::sim {

class InProcessClipboard : public IClipboard {
 public:
  bool Open() override;
  void Close() override;
  bool Empty() override;
  bool HasFormat(unsigned format) override;
  EnhMetaFilePtr GetEnhMetaFile(IMetafileFactory& factory) override;
  std::optional<ClipboardBitmap> GetBitmap() override;

  // SetClipboardData: only between Open and Close, and each replaces the
  // other, as the clipboard of an owner that emptied it first.
  bool SetMetafile(std::vector<std::uint8_t> bits);
  bool SetBitmap(ClipboardBitmap bitmap);

 private:
  bool open_ = false;
  std::optional<std::vector<std::uint8_t>> metafile_;
  std::optional<ClipboardBitmap> bitmap_;
};

InProcessClipboard& ProcessClipboard();

}  // namespace kit::sim
