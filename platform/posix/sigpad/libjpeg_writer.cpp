#include "libjpeg_writer.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

namespace kit {
namespace {

struct ErrorTrap {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

void OnError(j_common_ptr cinfo) {
  auto* trap = reinterpret_cast<ErrorTrap*>(cinfo->err);
  std::longjmp(trap->jump, 1);
}
void OnMessage(j_common_ptr) {}

// Only plain C objects live across setjmp here.
int EncodeC(const JpegImage& image, int quality, unsigned char** buffer, unsigned long* size) {
  jpeg_compress_struct cinfo;
  ErrorTrap trap;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = jpeg_std_error(&trap.mgr);
  trap.mgr.error_exit = OnError;
  trap.mgr.output_message = OnMessage;
  if (setjmp(trap.jump)) {
    jpeg_destroy_compress(&cinfo);
    return kJpegEncodeFailed;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, buffer, size);
  cinfo.image_width = static_cast<JDIMENSION>(image.width);
  cinfo.image_height = static_cast<JDIMENSION>(image.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  // Rows are stored bottom-up: the last one in memory is the top of the picture.
  while (cinfo.next_scanline < cinfo.image_height) {
    const std::size_t row = static_cast<std::size_t>(image.height) - 1 - cinfo.next_scanline;
    JSAMPROW line = const_cast<JSAMPROW>(image.bits + row * static_cast<std::size_t>(image.stride));
    jpeg_write_scanlines(&cinfo, &line, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return kJpegOk;
}

}  // namespace

int LibjpegWriter::Init() {
  ready_ = true;
  return kJpegOk;
}

int LibjpegWriter::Encode(const JpegImage& image, int quality, std::vector<std::uint8_t>& out) {
  if (!ready_) return kJpegEncodeFailed;
  if (image.bits == nullptr || image.width <= 0 || image.height <= 0 || image.width > JPEG_MAX_DIMENSION ||
      image.height > JPEG_MAX_DIMENSION || static_cast<std::int64_t>(image.stride) < std::int64_t{image.width} * 3) {
    return kJpegBadImage;
  }
  if (quality < 0) quality = 0;
  if (quality > 100) quality = 100;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  int r = EncodeC(image, quality, &buffer, &size);
  if (r == kJpegOk && buffer != nullptr) out.assign(buffer, buffer + size);
  std::free(buffer);
  return r;
}

void LibjpegWriter::Free() { ready_ = false; }

}  // namespace kit
