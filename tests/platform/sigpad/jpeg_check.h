// What the adapter tests of the pad share: a JPEG decoder (libjpeg) and a
// test picture whose orientation and colours can be checked after decoding.
#pragma once
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "sigpad/dib_section.h"

namespace kit::sigpad {

struct Decoded {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;  // top row first
  const std::uint8_t* At(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

struct Trap {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};
inline void Throw(j_common_ptr c) { std::longjmp(reinterpret_cast<Trap*>(c->err)->jump, 1); }

inline bool Decode(const std::string& bytes, Decoded& out) {
  jpeg_decompress_struct cinfo;
  Trap trap;
  cinfo.err = jpeg_std_error(&trap.mgr);
  trap.mgr.error_exit = Throw;
  if (setjmp(trap.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  out.width = static_cast<int>(cinfo.output_width);
  out.height = static_cast<int>(cinfo.output_height);
  out.rgb.assign(static_cast<std::size_t>(out.width) * out.height * 3, 0);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out.rgb.data() + static_cast<std::size_t>(cinfo.output_scanline) * out.width * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

inline void ExpectNear(const std::uint8_t* rgb, int r, int g, int b, const char* where) {
  EXPECT_NEAR(rgb[0], r, 24) << where;
  EXPECT_NEAR(rgb[1], g, 24) << where;
  EXPECT_NEAR(rgb[2], b, 24) << where;
}

// A 353 x 201 picture: top half red, bottom half blue, a green block at the
// top-left corner.
inline void Paint(cDIBSection& d) {
  ASSERT_TRUE(d.Create(353, 201));
  for (int row = 0; row < d.Height(); ++row) {
    const bool top = row >= d.Height() / 2;  // rows are stored bottom-up
    for (int x = 0; x < d.Width(); ++x) {
      std::uint8_t b = top ? 0 : 255, g = 0, r = top ? 255 : 0;
      if (row >= d.Height() - 40 && x < 40) {
        b = 0;
        g = 255;
        r = 0;
      }
      d.SetByteAt(row, 3 * x, b);
      d.SetByteAt(row, 3 * x + 1, g);
      d.SetByteAt(row, 3 * x + 2, r);
    }
  }
}

}  // namespace kit::sigpad
