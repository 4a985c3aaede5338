// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
#include "sim/capture/inprocess_clipboard.h"

namespace kit::sim {

bool InProcessClipboard::Open() {
  if (open_) return false;
  open_ = true;
  return true;
}
void InProcessClipboard::Close() { open_ = false; }
bool InProcessClipboard::Empty() {
  if (!open_) return false;
  metafile_.reset();
  bitmap_.reset();
  return true;
}
bool InProcessClipboard::HasFormat(unsigned format) {
  if (format == kCfEnhMetaFile) return metafile_.has_value();
  if (format == kCfBitmap) return bitmap_.has_value();
  return false;
}
EnhMetaFilePtr InProcessClipboard::GetEnhMetaFile(IMetafileFactory& factory) {
  if (!open_ || !metafile_) return nullptr;
  return factory.FromBits(metafile_->data(), metafile_->size());
}
std::optional<ClipboardBitmap> InProcessClipboard::GetBitmap() {
  if (!open_) return std::nullopt;
  return bitmap_;
}
bool InProcessClipboard::SetMetafile(std::vector<std::uint8_t> bits) {
  if (!open_) return false;
  metafile_ = std::move(bits);
  return true;
}
bool InProcessClipboard::SetBitmap(ClipboardBitmap bitmap) {
  if (!open_) return false;
  bitmap_ = std::move(bitmap);
  return true;
}

InProcessClipboard& ProcessClipboard() {
  static InProcessClipboard clipboard;
  return clipboard;
}

}  // namespace kit::sim
