#include "sigpad/save_jpg.h"

#include <vector>

#include "sigpad/raised_error.h"

namespace kit::sigpad {
namespace {

// The encoder's state lives for one call, released on every way out.
class WriterSession {
 public:
  explicit WriterSession(IJpegWriter& w) : w_(w) {}
  ~WriterSession() {
    if (live_) w_.Free();
  }
  WriterSession(const WriterSession&) = delete;
  WriterSession& operator=(const WriterSession&) = delete;
  int Init() {
    int r = w_.Init();
    live_ = r == kJpegOk;
    return r;
  }

 private:
  IJpegWriter& w_;
  bool live_ = false;
};

}  // namespace

bool SaveJPG(const JpegSaver& saver, const cDIBSection& dib, const std::string& fileName, std::int32_t lQuality) {
  const std::string source = saver.exe_name + ".mIntelJPEGLibrary";
  WriterSession session(saver.writer);
  if (int r = session.Init(); r != kJpegOk) {
    throw RaisedError(kErrJpegLibrary, source, "Failed to initialise the IJL library: " + std::to_string(r));
  }
  std::optional<FileStamp> old_stamp;
  if (saver.files.Exists(fileName)) {
    if (saver.stamps) old_stamp = saver.stamps->Get(fileName);
    if (!saver.files.Remove(fileName)) {
      throw FileError(FileError::Cause::AccessDenied, fileName, "cannot delete " + fileName);
    }
  }
  JpegImage image;
  image.bits = dib.DIBSectionBitsPtr();
  image.width = dib.Width();
  image.height = dib.Height();
  image.stride = image.bits ? dib.BytesPerScanLine() : 0;
  std::vector<std::uint8_t> bytes;
  int r = saver.writer.Encode(image, static_cast<int>(lQuality), bytes);
  if (r == kJpegOk) {
    try {
      std::unique_ptr<IByteStream> out = saver.files.CreateWrite(fileName);
      out->Write(bytes.data(), bytes.size());
    } catch (const FileError&) {
      r = kJpegFileFailed;
    }
  }
  if (r != kJpegOk) {
    throw RaisedError(kErrJpegLibrary, source, "Failed to save to JPG " + std::to_string(r));
  }
  if (old_stamp) saver.stamps->Set(fileName, *old_stamp);
  return true;
}

}  // namespace kit::sigpad
