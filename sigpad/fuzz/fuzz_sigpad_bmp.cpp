// Bitmap files as a damaged or hostile folder may hold them. Reading one
// into a DIB must either refuse it, leaving the DIB empty, or give a DIB
// whose pixel memory matches its header; then it must survive a resample and
// a write back that reproduces the same rows. Reading it as a file gives
// the same answer and the same pixels.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz/fuzz_common.h"
#include "sigpad/bmp_file.h"
#include "sigpad/raised_error.h"
#include "tests/remark/fakes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kit::sigpad;
  cDIBSection dib;
  kit::testing::FakeFiles files;
  files.files["f.bmp"].assign(data, data + size);
  cDIBSection viaFile;
  const bool fileOk = ReadBmpFile(files, "f.bmp", viaFile);
  if (!ReadBmp(data, size, dib)) {
    FUZZ_CHECK(dib.DIBSectionBitsPtr() == nullptr && dib.Width() == 0);
    FUZZ_CHECK(!fileOk && viaFile.DIBSectionBitsPtr() == nullptr && viaFile.Width() == 0);
    return 0;
  }
  FUZZ_CHECK(fileOk && viaFile.Width() == dib.Width() && viaFile.Height() == dib.Height());
  FUZZ_CHECK(std::memcmp(viaFile.DIBSectionBitsPtr(), dib.DIBSectionBitsPtr(), dib.Header().biSizeImage) == 0);
  FUZZ_CHECK(dib.Width() > 0 && dib.Height() > 0);
  FUZZ_CHECK(dib.Header().biSizeImage ==
             static_cast<std::uint32_t>(dib.BytesPerScanLine()) * static_cast<std::uint32_t>(dib.Height()));
  // Touch every byte so that a short buffer shows up under the sanitizer.
  unsigned sum = 0;
  for (std::uint32_t i = 0; i < dib.Header().biSizeImage; ++i) sum += dib.DIBSectionBitsPtr()[i];
  (void)sum;

  try {
    auto small = dib.Resample(3, 2);
    FUZZ_CHECK(small && small->Width() == 2 && small->Height() == 3);
  } catch (const RaisedError& e) {
    // Only a source one pixel wide or high lacks the neighbours.
    FUZZ_CHECK(e.number() == kErrSubscriptOutOfRange && (dib.Width() == 1 || dib.Height() == 1));
  }

  std::vector<std::uint8_t> again = BmpBytes(dib);
  cDIBSection back;
  FUZZ_CHECK(ReadBmp(again.data(), again.size(), back));
  FUZZ_CHECK(back.Width() == dib.Width() && back.Height() == dib.Height());
  FUZZ_CHECK(std::memcmp(back.DIBSectionBitsPtr(), dib.DIBSectionBitsPtr(), dib.Header().biSizeImage) == 0);
  return 0;
}
