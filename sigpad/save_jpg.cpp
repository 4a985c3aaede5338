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
  auto fail = [&](int r) { return RaisedError(kErrJpegLibrary, source, "Failed to save to JPG " + std::to_string(r)); };
  // A picture without pixels is refused before any file is touched.
  if (dib.DIBSectionBitsPtr() == nullptr || dib.Width() <= 0 || dib.Height() <= 0) throw fail(kJpegBadImage);
  JpegImage image;
  image.bits = dib.DIBSectionBitsPtr();
  image.width = dib.Width();
  image.height = dib.Height();
  image.stride = dib.BytesPerScanLine();
  std::vector<std::uint8_t> bytes;
  if (int r = saver.writer.Encode(image, static_cast<int>(lQuality), bytes); r != kJpegOk) throw fail(r);

  std::optional<FileStamp> old_stamp;
  // The stamps say nothing of a file that is not there.
  if (saver.stamps) old_stamp = saver.stamps->Get(fileName);
  // The new file is written beside the old one and takes its place only when
  // complete, so a failure never leaves the user without a signature file.
  const std::string partial = fileName + ".part";
  try {
    std::unique_ptr<IByteStream> out = saver.files.CreateWrite(partial);
    out->Write(bytes.data(), bytes.size());
  } catch (const FileError&) {
    saver.files.Remove(partial);
    throw fail(kJpegFileFailed);
  }
  // The old file goes only once the new one is complete; one that cannot be
  // deleted (read-only, open elsewhere) stays, and so does the caller's
  // error for it.
  if (saver.files.Exists(fileName) && !saver.files.Remove(fileName)) {
    saver.files.Remove(partial);
    throw FileError(FileError::Cause::AccessDenied, fileName, "cannot delete " + fileName);
  }
  saver.files.Rename(partial, fileName);
  if (old_stamp) saver.stamps->Set(fileName, *old_stamp);
  return true;
}

}  // namespace kit::sigpad
