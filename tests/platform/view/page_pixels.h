// Pixels of written pictures, as 0x00RRGGBB: a PNG read back with cairo, and
// the pages of a PDF rendered by poppler at 96 dpi, one pixel a page pixel.
#pragma once
#include <cairo.h>
#include <poppler-document.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kit::testing {

struct Pixels {
  int w = 0, h = 0;
  std::vector<std::uint32_t> px;
  // 0xFFFFFFFF outside the picture.
  std::uint32_t at(int x, int y) const {
    if (x < 0 || y < 0 || x >= w || y >= h) return 0xFFFFFFFFu;
    return px[static_cast<std::size_t>(y) * w + x];
  }
};

inline Pixels FromRows(const unsigned char* data, int w, int h, std::ptrdiff_t stride) {
  Pixels p;
  p.w = w;
  p.h = h;
  for (int y = 0; y < h; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
    for (int x = 0; x < w; ++x) p.px.push_back(row[x] & 0xFFFFFF);
  }
  return p;
}

// Empty when the file is no PNG.
inline Pixels ReadPng(const std::string& path) {
  Pixels p;
  cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
    p = FromRows(cairo_image_surface_get_data(s), cairo_image_surface_get_width(s), cairo_image_surface_get_height(s),
                 cairo_image_surface_get_stride(s));
  }
  cairo_surface_destroy(s);
  return p;
}

struct PdfPages {
  int count = -1;  // no document
  std::vector<Pixels> images;
  std::vector<double> widths, heights;  // points
};

inline PdfPages ReadPdf(const std::string& path) {
  PdfPages out;
  std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(path));
  if (!doc) return out;
  out.count = doc->pages();
  for (int i = 0; i < out.count; ++i) {
    std::unique_ptr<poppler::page> page(doc->create_page(i));
    out.widths.push_back(page->page_rect().width());
    out.heights.push_back(page->page_rect().height());
    poppler::page_renderer r;
    r.set_image_format(poppler::image::format_argb32);
    const poppler::image img = r.render_page(page.get(), 96, 96);
    out.images.push_back(FromRows(reinterpret_cast<const unsigned char*>(img.const_data()), img.width(), img.height(),
                                  img.bytes_per_row()));
  }
  return out;
}

}  // namespace kit::testing
