// PNG and JPEG fixtures made in memory with libpng's and libjpeg's writers.
#pragma once

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on
#include <png.h>

#include <cstdlib>
#include <vector>

#include "tests/images/image_test_util.h"

namespace testimg {

struct PngShape {
  int width;
  int height;
  int colorType;
  int bitDepth;
  Bytes rows;  // packed rows as PNG stores them (16-bit samples big-endian)
  std::vector<png_color> palette = {};
  Bytes trnsAlpha = {};       // palette images
  int trnsGrey = -1;          // grey images
  bool interlace = false;
};

inline Bytes WritePng(const PngShape& s) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t length) {
        auto* o = static_cast<Bytes*>(png_get_io_ptr(p));
        o->insert(o->end(), data, data + length);
      },
      nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(s.width), static_cast<png_uint_32>(s.height), s.bitDepth,
               s.colorType, s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
  png_color_16 grey{};
  if (!s.trnsAlpha.empty()) png_set_tRNS(png, info, s.trnsAlpha.data(), static_cast<int>(s.trnsAlpha.size()), nullptr);
  if (s.trnsGrey >= 0) {
    grey.gray = static_cast<png_uint_16>(s.trnsGrey);
    png_set_tRNS(png, info, nullptr, 0, &grey);
  }
  png_write_info(png, info);
  const size_t rowBytes = s.rows.size() / static_cast<size_t>(s.height);
  std::vector<png_bytep> rows;
  for (int y = 0; y < s.height; ++y)
    rows.push_back(const_cast<png_bytep>(s.rows.data()) + static_cast<size_t>(y) * rowBytes);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

struct JpegSpec {
  int width;
  int height;
  int components;  // 1 grey, 3 RGB, 4 CMYK
  Bytes samples;   // width x height x components
  int quality = 100;
};

inline Bytes WriteJpeg(const JpegSpec& s) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(s.width);
  cinfo.image_height = static_cast<JDIMENSION>(s.height);
  cinfo.input_components = s.components;
  cinfo.in_color_space = s.components == 1 ? JCS_GRAYSCALE : s.components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, s.quality, TRUE);
  for (int i = 0; i < cinfo.num_components; ++i) cinfo.comp_info[i].h_samp_factor = cinfo.comp_info[i].v_samp_factor = 1;
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(s.samples.data()) +
                   static_cast<size_t>(cinfo.next_scanline) * static_cast<size_t>(s.width * s.components);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

}  // namespace testimg
