// JPEG reading and writing through libjpeg.
//
// libjpeg's error manager leaves by longjmp. Every function that calls
// setjmp below holds only plain pointers and numbers; buffers are allocated
// and the libjpeg objects destroyed by the C++ callers outside those frames.
#include <cstdio>
// clang-format off: jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <algorithm>
#include <climits>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/images/image_codecs.h"
#include "runtime/scope_exit.h"

namespace vn::platform {

namespace {

// Progressive files can hold any number of scans, each a pass over the
// whole picture; more than this many is treated as damage.
constexpr int kMaxScans = 1000;
// Memory libjpeg may take for one picture (coefficient buffers of
// progressive files, row buffers).
constexpr long kMaxJpegMemory = 1L << 30;

struct JpegContext {
  jpeg_error_mgr err;
  jpeg_progress_mgr progress;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX + 64] = {0};
  jpeg_decompress_struct d;
  jpeg_compress_struct c;
  bool d_made = false;
  bool c_made = false;
  unsigned char* out = nullptr;  // encoding: buffer of jpeg_mem_dest
  unsigned long out_size = 0;
  Diagnostics* report = nullptr;  // decoding: where warnings go
};

void OnErrorExit(j_common_ptr cinfo) {
  auto* ctx = reinterpret_cast<JpegContext*>(cinfo->err);  // err is the first member
  if (!ctx->message[0]) (*cinfo->err->format_message)(cinfo, ctx->message);
  std::longjmp(ctx->jump, 1);
}

// Warnings (corrupt entropy data, data ending early) are not fatal: libjpeg
// fills in what is missing. They are reported; trace messages are not.
void OnMessage(j_common_ptr cinfo, int level) {
  auto* ctx = reinterpret_cast<JpegContext*>(cinfo->err);
  if (level >= 0 || !ctx->report) return;
  char text[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, text);
  ctx->report->Report({.message = std::string("JPEG: ") + text});
}

void OnProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxScans) {
    auto* ctx = reinterpret_cast<JpegContext*>(cinfo->err);
    std::snprintf(ctx->message, sizeof ctx->message, "more than %d scans", kMaxScans);
    (*cinfo->err->error_exit)(cinfo);
  }
}

void InitErrors(JpegContext* ctx) {
  jpeg_std_error(&ctx->err);
  ctx->err.error_exit = OnErrorExit;
  ctx->err.emit_message = OnMessage;
  ctx->progress.progress_monitor = OnProgress;
}

bool ReadHeader(JpegContext* ctx, const unsigned char* data, unsigned long size) {
  if (setjmp(ctx->jump)) return false;
  ctx->d.err = &ctx->err;
  jpeg_create_decompress(&ctx->d);
  ctx->d_made = true;
  ctx->d.progress = &ctx->progress;
  ctx->d.mem->max_memory_to_use = kMaxJpegMemory;
  jpeg_mem_src(&ctx->d, data, size);
  jpeg_read_header(&ctx->d, TRUE);
  return true;
}

bool ReadPixels(JpegContext* ctx, J_COLOR_SPACE space, unsigned char** rows, JDIMENSION height) {
  if (setjmp(ctx->jump)) return false;
  ctx->d.out_color_space = space;
  jpeg_start_decompress(&ctx->d);
  if (ctx->d.output_height != height) {
    std::snprintf(ctx->message, sizeof ctx->message, "unexpected output size");
    (*ctx->err.error_exit)(reinterpret_cast<j_common_ptr>(&ctx->d));
  }
  while (ctx->d.output_scanline < ctx->d.output_height)
    jpeg_read_scanlines(&ctx->d, rows + ctx->d.output_scanline, ctx->d.output_height - ctx->d.output_scanline);
  jpeg_finish_decompress(&ctx->d);
  return true;
}

void Release(JpegContext* ctx) {
  if (ctx->d_made) jpeg_destroy_decompress(&ctx->d);
  if (ctx->c_made) jpeg_destroy_compress(&ctx->c);
  std::free(ctx->out);
}

JpegColorModel Model(J_COLOR_SPACE s) {
  switch (s) {
    case JCS_GRAYSCALE: return JpegColorModel::Gray;
    case JCS_RGB: return JpegColorModel::RGB;
    case JCS_YCbCr: return JpegColorModel::YCbCr;
    case JCS_CMYK: return JpegColorModel::CMYK;
    case JCS_YCCK: return JpegColorModel::YCCK;
    default: return JpegColorModel::Other;
  }
}

JpegInfo InfoOf(const jpeg_decompress_struct& d) {
  JpegInfo info;
  info.Width = static_cast<int>(std::min<JDIMENSION>(d.image_width, INT32_MAX));
  info.Height = static_cast<int>(std::min<JDIMENSION>(d.image_height, INT32_MAX));
  info.Components = d.num_components;
  info.ColorModel = Model(d.jpeg_color_space);
  info.AdobeMarker = d.saw_Adobe_marker;
  info.Progressive = d.progressive_mode;
  if (d.saw_JFIF_marker && d.X_density > 0 && d.Y_density > 0) {
    if (d.density_unit == 1) {
      info.DpiX = d.X_density;
      info.DpiY = d.Y_density;
    } else if (d.density_unit == 2) {
      info.DpiX = d.X_density * 2.54;
      info.DpiY = d.Y_density * 2.54;
    }
  }
  return info;
}

void StartDecoder(JpegContext& ctx, std::span<const std::byte> data) {
  if (data.size() < 3 || data.size() > ULONG_MAX) throw EImageDecodeError("JPEG: signature is missing");
  InitErrors(&ctx);
  if (!ReadHeader(&ctx, reinterpret_cast<const unsigned char*>(data.data()), static_cast<unsigned long>(data.size())))
    throw EImageDecodeError(std::string("JPEG: ") + ctx.message);
}

bool WriteAll(JpegContext* ctx, unsigned char** rows, int width, int height, int components, int quality,
              unsigned dpi_x, unsigned dpi_y) {
  if (setjmp(ctx->jump)) return false;
  ctx->c.err = &ctx->err;
  jpeg_create_compress(&ctx->c);
  ctx->c_made = true;
  jpeg_mem_dest(&ctx->c, &ctx->out, &ctx->out_size);
  ctx->c.image_width = static_cast<JDIMENSION>(width);
  ctx->c.image_height = static_cast<JDIMENSION>(height);
  ctx->c.input_components = components;
  ctx->c.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&ctx->c);
  jpeg_set_quality(&ctx->c, quality, TRUE);
  // At high qualities colours keep their full resolution: halving it
  // blends the colours of neighbouring pixels, which shows on small and
  // enlarged pictures.
  if (components == 3 && quality >= 90)
    for (int i = 0; i < ctx->c.num_components; ++i) ctx->c.comp_info[i].h_samp_factor = ctx->c.comp_info[i].v_samp_factor = 1;
  ctx->c.write_JFIF_header = TRUE;
  ctx->c.density_unit = 1;
  ctx->c.X_density = static_cast<UINT16>(std::min(dpi_x, 65535u));
  ctx->c.Y_density = static_cast<UINT16>(std::min(dpi_y, 65535u));
  jpeg_start_compress(&ctx->c, TRUE);
  while (ctx->c.next_scanline < ctx->c.image_height)
    jpeg_write_scanlines(&ctx->c, rows + ctx->c.next_scanline, ctx->c.image_height - ctx->c.next_scanline);
  jpeg_finish_compress(&ctx->c);
  return true;
}

}  // namespace

JpegInfo ReadJpegInfo(std::span<const std::byte> data) {
  auto ctx = std::make_unique<JpegContext>();
  ScopeExit release([c = ctx.get()] { Release(c); });
  StartDecoder(*ctx, data);
  return InfoOf(ctx->d);
}

Bitmap DecodeJpeg(std::span<const std::byte> data, const DecodeLimits& limits) {
  auto ctx = std::make_unique<JpegContext>();
  ScopeExit release([c = ctx.get()] { Release(c); });
  ctx->report = limits.Report;
  StartDecoder(*ctx, data);
  JpegInfo info = InfoOf(ctx->d);
  CheckImageSize("JPEG", ctx->d.image_width, ctx->d.image_height, limits);
  const int w = info.Width, h = info.Height;

  J_COLOR_SPACE space;
  PixelFormat format;
  int components;
  switch (ctx->d.jpeg_color_space) {
    case JCS_GRAYSCALE:
      space = JCS_GRAYSCALE;
      format = PixelFormat::pf8bit;
      components = 1;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      space = JCS_CMYK;
      format = PixelFormat::pf24bit;
      components = 4;
      break;
    default:
      space = JCS_EXT_BGR;
      format = PixelFormat::pf24bit;
      components = 3;
      break;
  }
  Bitmap out(w, h, format);
  std::vector<uint8_t> cmyk;
  std::vector<unsigned char*> rows(h);
  if (components == 4) {
    cmyk.resize(static_cast<size_t>(w) * 4 * h);
    for (int y = 0; y < h; ++y) rows[y] = cmyk.data() + static_cast<size_t>(y) * w * 4;
  } else {
    for (int y = 0; y < h; ++y) rows[y] = out.MutableRow(y).data();
  }
  if (!ReadPixels(ctx.get(), space, rows.data(), static_cast<JDIMENSION>(h)))
    throw EImageDecodeError(std::string("JPEG: ") + ctx->message);

  if (components == 4) {
    // Adobe applications write CMYK inverted (0 = full ink); plain CMYK files
    // store ink amounts directly.
    bool inverted = info.AdobeMarker;
    for (int y = 0; y < h; ++y) {
      const uint8_t* s = rows[y];
      auto d = out.MutableRow(y);
      for (int x = 0; x < w; ++x, s += 4) {
        int c = s[0], m = s[1], yy = s[2], k = s[3];
        if (!inverted) {
          c = 255 - c;
          m = 255 - m;
          yy = 255 - yy;
          k = 255 - k;
        }
        d[x * 3] = static_cast<uint8_t>((yy * k + 127) / 255);
        d[x * 3 + 1] = static_cast<uint8_t>((m * k + 127) / 255);
        d[x * 3 + 2] = static_cast<uint8_t>((c * k + 127) / 255);
      }
    }
  }
  out.SetResolution(info.DpiX, info.DpiY);
  out.SetOriginalJpeg(std::make_shared<const std::string>(reinterpret_cast<const char*>(data.data()), data.size()));
  return out;
}

std::string EncodeJpeg(const Bitmap& bitmap, int quality) {
  if (bitmap.Empty()) throw EImageEncodeError("JPEG: the bitmap is empty");
  quality = std::clamp(quality, 1, 100);
  // Grey bitmaps are written as greyscale JPEG, everything else as colour.
  bool grey = bitmap.Format() == PixelFormat::pf8bit;
  if (grey)
    for (size_t i = 0; i < bitmap.Palette().size() && grey; ++i) {
      const BGRA& p = bitmap.Palette()[i];
      grey = p.R == p.G && p.G == p.B && p.A == 255;
    }
  const int w = bitmap.Width(), h = bitmap.Height();
  const int components = grey ? 1 : 3;
  std::string pixels;
  if (grey) {
    pixels.resize(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) pixels[static_cast<size_t>(y) * w + x] = static_cast<char>(bitmap.Pixel(x, y).R);
  } else {
    pixels = bitmap.ToRGB24OnWhite();
  }
  std::vector<unsigned char*> rows(h);
  for (int y = 0; y < h; ++y)
    rows[y] = reinterpret_cast<unsigned char*>(pixels.data()) + static_cast<size_t>(y) * w * components;

  auto ctx = std::make_unique<JpegContext>();
  ScopeExit release([c = ctx.get()] { Release(c); });
  InitErrors(ctx.get());
  if (!WriteAll(ctx.get(), rows.data(), w, h, components, quality, static_cast<unsigned>(std::lround(bitmap.DpiX())),
                static_cast<unsigned>(std::lround(bitmap.DpiY()))))
    throw EImageEncodeError(std::string("JPEG: ") + ctx->message);
  return std::string(reinterpret_cast<const char*>(ctx->out), ctx->out_size);
}

}  // namespace vn::platform
