// PNG reading and writing through libpng.
//
// libpng reports errors by longjmp. Every function that calls setjmp below
// holds only plain pointers and numbers (no object with a destructor), and
// the C++ side allocates buffers and frees the libpng structures outside
// those frames.
#include <png.h>

#include <csetjmp>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "platform/images/image_codecs.h"
#include "runtime/scope_exit.h"

namespace vn::platform {

namespace {

struct PngContext {
  png_structp png = nullptr;
  png_infop info = nullptr;
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t pos = 0;
  std::string* out = nullptr;  // encoding: the file being written
  Diagnostics* report = nullptr;  // decoding: where warnings go
  char message[256] = {0};
  // Header facts after the transformations.
  png_uint_32 width = 0, height = 0;
  size_t rowbytes = 0;
  int has_alpha = 0;
  double dpi_x = 96, dpi_y = 96;
};

void OnError(png_structp png, png_const_charp msg) {
  auto* c = static_cast<PngContext*>(png_get_error_ptr(png));
  std::snprintf(c->message, sizeof c->message, "%s", msg ? msg : "unknown error");
  png_longjmp(png, 1);
}

void OnWarning(png_structp png, png_const_charp msg) {
  auto* c = static_cast<PngContext*>(png_get_error_ptr(png));
  ReportTo(c->report, {.message = std::string("PNG: ") + (msg ? msg : "warning")});
}

void OnRead(png_structp png, png_bytep out, size_t count) {
  auto* c = static_cast<PngContext*>(png_get_io_ptr(png));
  if (count > c->size - c->pos) png_error(png, "data are cut short");
  std::memcpy(out, c->data + c->pos, count);
  c->pos += count;
}

void OnWrite(png_structp png, png_bytep data, size_t count) {
  auto* c = static_cast<PngContext*>(png_get_io_ptr(png));
  bool failed = false;
  try {
    c->out->append(reinterpret_cast<const char*>(data), count);
  } catch (...) {
    failed = true;
  }
  if (failed) png_error(png, "out of memory");
}

void OnFlush(png_structp) {}

// Reads the header and sets up the conversion to 8-bit B, G, R, A rows.
bool ReadHeader(PngContext* c) {
  if (setjmp(png_jmpbuf(c->png))) return false;
  png_set_read_fn(c->png, c, OnRead);
  png_set_user_limits(c->png, 0x7FFFFFFF, 0x7FFFFFFF);
  png_read_info(c->png, c->info);
  int color_type = png_get_color_type(c->png, c->info);
  c->has_alpha = (color_type & PNG_COLOR_MASK_ALPHA) || png_get_valid(c->png, c->info, PNG_INFO_tRNS);
  png_set_expand(c->png);
  png_set_strip_16(c->png);
  png_set_gray_to_rgb(c->png);
  png_set_bgr(c->png);
  if (!(color_type & PNG_COLOR_MASK_ALPHA) && !png_get_valid(c->png, c->info, PNG_INFO_tRNS))
    png_set_filler(c->png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(c->png);
  png_read_update_info(c->png, c->info);
  c->width = png_get_image_width(c->png, c->info);
  c->height = png_get_image_height(c->png, c->info);
  c->rowbytes = png_get_rowbytes(c->png, c->info);
  png_uint_32 rx = 0, ry = 0;
  int unit = 0;
  if (png_get_pHYs(c->png, c->info, &rx, &ry, &unit) && unit == PNG_RESOLUTION_METER) {
    c->dpi_x = rx * 0.0254;
    c->dpi_y = ry * 0.0254;
  }
  return true;
}

bool ReadRows(PngContext* c, png_bytepp rows) {
  if (setjmp(png_jmpbuf(c->png))) return false;
  png_read_image(c->png, rows);
  return true;
}

struct WriteSetup {
  int width, height, bit_depth, color_type;
  png_colorp palette;
  int palette_size;
  png_bytep trans;
  int trans_count;
  png_uint_32 ppm_x, ppm_y;
  png_bytepp rows;
};

bool WriteAll(PngContext* c, const WriteSetup* s) {
  if (setjmp(png_jmpbuf(c->png))) return false;
  png_set_write_fn(c->png, c, OnWrite, OnFlush);
  png_set_IHDR(c->png, c->info, s->width, s->height, s->bit_depth, s->color_type, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (s->palette) png_set_PLTE(c->png, c->info, s->palette, s->palette_size);
  if (s->trans) png_set_tRNS(c->png, c->info, s->trans, s->trans_count, nullptr);
  png_set_pHYs(c->png, c->info, s->ppm_x, s->ppm_y, PNG_RESOLUTION_METER);
  png_write_info(c->png, c->info);
  if (s->color_type != PNG_COLOR_TYPE_PALETTE) png_set_bgr(c->png);
  png_write_image(c->png, s->rows);
  png_write_end(c->png, nullptr);
  return true;
}

}  // namespace

Bitmap DecodePng(std::span<const std::byte> data, const DecodeLimits& limits) {
  PngContext c;
  c.data = reinterpret_cast<const uint8_t*>(data.data());
  c.size = data.size();
  c.report = limits.Report;
  if (c.size < 8 || png_sig_cmp(c.data, 0, 8) != 0) throw EImageDecodeError("PNG: signature is missing");
  c.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &c, OnError, OnWarning);
  if (!c.png) throw EImageDecodeError("PNG: cannot start the decoder");
  ScopeExit guard([&c] { png_destroy_read_struct(&c.png, c.info ? &c.info : nullptr, nullptr); });
  c.info = png_create_info_struct(c.png);
  if (!c.info) throw EImageDecodeError("PNG: cannot start the decoder");
  if (!ReadHeader(&c)) throw EImageDecodeError(std::string("PNG: ") + c.message);
  CheckImageSize("PNG", c.width, c.height, limits);
  if (c.rowbytes != static_cast<size_t>(c.width) * 4) throw EImageDecodeError("PNG: unexpected row layout");

  Bitmap out(static_cast<int>(c.width), static_cast<int>(c.height), PixelFormat::pf32bit);
  std::vector<png_bytep> rows(c.height);
  for (png_uint_32 y = 0; y < c.height; ++y) rows[y] = out.MutableRow(static_cast<int>(y)).data();
  if (!ReadRows(&c, rows.data())) throw EImageDecodeError(std::string("PNG: ") + c.message);
  out.SetHasAlpha(c.has_alpha != 0);
  out.SetResolution(c.dpi_x, c.dpi_y);
  return out;
}

std::string EncodePng(const Bitmap& bitmap) {
  if (bitmap.Empty()) throw EImageEncodeError("PNG: the bitmap is empty");
  std::string out;
  PngContext c;
  c.out = &out;
  c.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &c, OnError, OnWarning);
  if (!c.png) throw EImageEncodeError("PNG: cannot start the encoder");
  ScopeExit guard([&c] { png_destroy_write_struct(&c.png, c.info ? &c.info : nullptr); });
  c.info = png_create_info_struct(c.png);
  if (!c.info) throw EImageEncodeError("PNG: cannot start the encoder");

  WriteSetup s{};
  s.width = bitmap.Width();
  s.height = bitmap.Height();
  s.ppm_x = static_cast<png_uint_32>(std::lround(bitmap.DpiX() / 0.0254));
  s.ppm_y = static_cast<png_uint_32>(std::lround(bitmap.DpiY() / 0.0254));
  std::vector<png_color> palette;
  std::vector<png_byte> trans;
  Bitmap converted;
  const Bitmap* src = &bitmap;
  switch (bitmap.Format()) {
    case PixelFormat::pf1bit:
    case PixelFormat::pf8bit: {
      s.bit_depth = bitmap.BitsPerPixel();
      s.color_type = PNG_COLOR_TYPE_PALETTE;
      size_t entries = size_t{1} << s.bit_depth;
      palette.resize(entries);
      trans.resize(entries, 255);
      bool translucent = false;
      for (size_t i = 0; i < entries; ++i) {
        BGRA p = i < bitmap.Palette().size() ? bitmap.Palette()[i] : BGRA{0, 0, 0, 255};
        palette[i] = png_color{p.R, p.G, p.B};
        trans[i] = p.A;
        translucent |= p.A != 255;
      }
      s.palette = palette.data();
      s.palette_size = static_cast<int>(entries);
      if (translucent) {
        s.trans = trans.data();
        s.trans_count = static_cast<int>(entries);
      }
      break;
    }
    case PixelFormat::pf24bit:
      s.bit_depth = 8;
      s.color_type = PNG_COLOR_TYPE_RGB;
      break;
    case PixelFormat::pf32bit:
      s.bit_depth = 8;
      if (bitmap.HasAlpha()) {
        s.color_type = PNG_COLOR_TYPE_RGB_ALPHA;
      } else {
        converted = bitmap.ConvertTo(PixelFormat::pf24bit);
        src = &converted;
        s.color_type = PNG_COLOR_TYPE_RGB;
      }
      break;
  }
  std::vector<png_bytep> rows(s.height);
  for (int y = 0; y < s.height; ++y) rows[y] = const_cast<png_bytep>(src->Row(y).data());
  s.rows = rows.data();
  if (!WriteAll(&c, &s)) throw EImageEncodeError(std::string("PNG: ") + c.message);
  return out;
}

}  // namespace vn::platform
