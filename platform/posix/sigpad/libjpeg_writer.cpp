// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
#include "libjpeg_writer.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

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

// The compressed bytes go straight into the caller's vector, grown as the
// encoder asks, so the file is never copied out of a separate buffer.
struct VectorDest {
  jpeg_destination_mgr mgr;
  std::vector<std::uint8_t>* out;
  std::size_t initial;
};

void Grow(j_compress_ptr cinfo, std::size_t size) {
  auto* dest = reinterpret_cast<VectorDest*>(cinfo->dest);
  const std::size_t used = dest->out->size() - dest->mgr.free_in_buffer;
  bool grown = true;
  try {
    dest->out->resize(size);
  } catch (const std::bad_alloc&) {
    grown = false;
  }
  // The jump leaves from outside the handler, with no C++ object pending.
  if (!grown) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
  dest->mgr.next_output_byte = dest->out->data() + used;
  dest->mgr.free_in_buffer = dest->out->size() - used;
}

void InitDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDest*>(cinfo->dest);
  dest->out->clear();
  dest->mgr.free_in_buffer = 0;
  Grow(cinfo, dest->initial);
}
boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDest*>(cinfo->dest);
  // The encoder hands over a full buffer: everything in it is kept.
  dest->mgr.free_in_buffer = 0;
  Grow(cinfo, dest->out->size() * 2);
  return TRUE;
}
void TermDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDest*>(cinfo->dest);
  dest->out->resize(dest->out->size() - dest->mgr.free_in_buffer);
}

// Only plain C objects (and the caller's vector, which outlives the jump)
// live across setjmp here.
int EncodeC(const JpegImage& image, int quality, std::vector<std::uint8_t>& out) {
  jpeg_compress_struct cinfo;
  ErrorTrap trap;
  VectorDest dest;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = jpeg_std_error(&trap.mgr);
  trap.mgr.error_exit = OnError;
  trap.mgr.output_message = OnMessage;
  if (setjmp(trap.jump)) {
    jpeg_destroy_compress(&cinfo);
    return kJpegEncodeFailed;
  }
  jpeg_create_compress(&cinfo);
  dest.mgr.init_destination = InitDestination;
  dest.mgr.empty_output_buffer = EmptyOutputBuffer;
  dest.mgr.term_destination = TermDestination;
  dest.out = &out;
  // Room for a quarter of the raw pixels holds most pictures at any quality.
  dest.initial = std::max<std::size_t>(65536, static_cast<std::size_t>(image.width) * 3 * image.height / 4);
  cinfo.dest = &dest.mgr;
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
  int r = EncodeC(image, quality, out);
  if (r != kJpegOk) out.clear();
  return r;
}

void LibjpegWriter::Free() { ready_ = false; }

}  // namespace kit
