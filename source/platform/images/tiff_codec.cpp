// TIFF reading (every frame, on demand) and multi-page writing through
// libtiff, over memory instead of files. libtiff reports errors through a
// handler and return codes; the handler keeps the first message so the
// exception can say what went wrong.
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/images/image_codecs.h"

namespace vn::platform {

namespace {

// The largest single allocation libtiff may make (strip and tile buffers).
constexpr tmsize_t kMaxTiffAlloc = tmsize_t{256} << 20;

}  // namespace

struct TiffReader::State {
  std::string data;   // the file (reading) or the file being written
  uint64_t pos = 0;
  std::string error;  // the first error message libtiff reported
  Diagnostics* report = nullptr;  // reading: where warnings go
  TIFF* tif = nullptr;
  ~State() {
    if (tif) TIFFClose(tif);
  }
};

namespace {

using State = TiffReader::State;

tmsize_t OnRead(thandle_t h, void* buf, tmsize_t size) {
  auto* s = static_cast<State*>(h);
  if (size <= 0 || s->pos >= s->data.size()) return 0;
  size_t n = std::min<uint64_t>(static_cast<uint64_t>(size), s->data.size() - s->pos);
  std::memcpy(buf, s->data.data() + s->pos, n);
  s->pos += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t OnWrite(thandle_t h, void* buf, tmsize_t size) {
  auto* s = static_cast<State*>(h);
  if (size <= 0) return 0;
  try {
    uint64_t end = s->pos + static_cast<uint64_t>(size);
    if (end > s->data.size()) s->data.resize(end, '\0');
    std::memcpy(s->data.data() + s->pos, buf, static_cast<size_t>(size));
    s->pos = end;
  } catch (...) {
    return 0;
  }
  return size;
}

toff_t OnSeek(thandle_t h, toff_t offset, int whence) {
  auto* s = static_cast<State*>(h);
  uint64_t base = whence == SEEK_CUR ? s->pos : whence == SEEK_END ? s->data.size() : 0;
  // Offsets are unsigned; a "negative" one relative to the current position wraps.
  uint64_t target = base + offset;
  if (target > (uint64_t{1} << 40)) return static_cast<toff_t>(-1);
  s->pos = target;
  return target;
}

int OnClose(thandle_t) { return 0; }
toff_t OnSize(thandle_t h) { return static_cast<State*>(h)->data.size(); }
int OnMap(thandle_t, void**, toff_t*) { return 0; }
void OnUnmap(thandle_t, void*, toff_t) {}

int OnError(TIFF*, void* user, const char* /*module*/, const char* fmt, va_list ap) {
  auto* s = static_cast<State*>(user);
  if (s->error.empty()) {
    char text[512];
    std::vsnprintf(text, sizeof text, fmt, ap);
    s->error = text;
  }
  return 1;  // handled: nothing goes to stderr
}

int OnWarning(TIFF*, void* user, const char*, const char* fmt, va_list ap) {
  auto* s = static_cast<State*>(user);
  if (s->report) {
    char text[512];
    std::vsnprintf(text, sizeof text, fmt, ap);
    s->report->Report({.message = std::string("TIFF: ") + text});
  }
  return 1;
}

TIFF* Open(State& s, const char* mode) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) return nullptr;
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxTiffAlloc);
  TIFFOpenOptionsSetErrorHandlerExtR(options, OnError, &s);
  TIFFOpenOptionsSetWarningHandlerExtR(options, OnWarning, &s);
  TIFF* tif = TIFFClientOpenExt("memory", mode, &s, OnRead, OnWrite, OnSeek, OnClose, OnSize, OnMap, OnUnmap, options);
  TIFFOpenOptionsFree(options);
  return tif;
}

[[noreturn]] void Damaged(const State& s, const char* what) {
  throw EImageDecodeError(std::string("TIFF: ") + (s.error.empty() ? what : s.error));
}

double ToDpi(float value, uint16_t unit) {
  if (!(value > 0) || !std::isfinite(value)) return 96;
  if (unit == RESUNIT_CENTIMETER) return value * 2.54;
  if (unit == RESUNIT_NONE) return 96;
  return value;
}

}  // namespace

TiffReader::TiffReader(std::span<const std::byte> data, const DecodeLimits& limits)
    : state_(std::make_unique<State>()), limits_(limits) {
  state_->data.assign(reinterpret_cast<const char*>(data.data()), data.size());
  state_->report = limits.Report;
  state_->tif = Open(*state_, "rm");
  if (!state_->tif) Damaged(*state_, "not a readable TIFF file");
  // Walk the directory chain; a damaged directory after the first ends it
  // (the frames before it stay readable). libtiff stops at loops.
  do {
    FrameInfo f;
    uint32_t w = 0, h = 0;
    TIFFGetField(state_->tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(state_->tif, TIFFTAG_IMAGELENGTH, &h);
    f.Width = static_cast<int>(std::min<uint32_t>(w, INT32_MAX));
    f.Height = static_cast<int>(std::min<uint32_t>(h, INT32_MAX));
    float rx = 0, ry = 0;
    uint16_t unit = RESUNIT_INCH;
    TIFFGetField(state_->tif, TIFFTAG_XRESOLUTION, &rx);
    TIFFGetField(state_->tif, TIFFTAG_YRESOLUTION, &ry);
    TIFFGetFieldDefaulted(state_->tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    f.DpiX = ToDpi(rx, unit);
    f.DpiY = ToDpi(ry, unit);
    frames_.push_back(f);
  } while (static_cast<int>(frames_.size()) < kMaxTiffFrames && TIFFReadDirectory(state_->tif));
  if (!state_->error.empty())
    ReportTo(limits.Report, {.message = "TIFF: the directory chain is damaged (" + state_->error + "); the frames before it are kept"});
  state_->error.clear();
}

TiffReader::~TiffReader() = default;

const TiffReader::FrameInfo& TiffReader::Frame(int index) const {
  if (index < 0 || index >= FrameCount())
    throw EArgumentOutOfRangeException("TIFF frame index " + std::to_string(index) + " is out of range");
  return frames_[index];
}

Bitmap TiffReader::DecodeFrame(int index) const {
  const FrameInfo& info = Frame(index);
  State& s = *state_;
  s.error.clear();
  if (!TIFFSetDirectory(s.tif, static_cast<tdir_t>(index))) Damaged(s, "frame cannot be read");
  CheckImageSize("TIFF", info.Width, info.Height, limits_);
  const int w = info.Width, h = info.Height;

  uint16_t bits = 1, samples = 1, photometric = PHOTOMETRIC_MINISWHITE;
  TIFFGetFieldDefaulted(s.tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(s.tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  if (!TIFFGetField(s.tif, TIFFTAG_PHOTOMETRIC, &photometric)) photometric = PHOTOMETRIC_MINISWHITE;

  if (bits == 1 && samples == 1 && !TIFFIsTiled(s.tif) &&
      (photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK)) {
    // Bi-level: keep one bit per pixel, stored as 1 = white.
    Bitmap out(w, h, PixelFormat::pf1bit);
    out.SetResolution(info.DpiX, info.DpiY);
    tmsize_t line = TIFFScanlineSize(s.tif);
    if (line < static_cast<tmsize_t>(out.Stride())) Damaged(s, "unexpected scan-line size");
    std::vector<uint8_t> buffer(static_cast<size_t>(line));
    for (int y = 0; y < h; ++y) {
      if (TIFFReadScanline(s.tif, buffer.data(), static_cast<uint32_t>(y), 0) < 0) Damaged(s, "pixel data are damaged");
      auto row = out.MutableRow(y);
      for (size_t i = 0; i < row.size(); ++i)
        row[i] = photometric == PHOTOMETRIC_MINISWHITE ? static_cast<uint8_t>(~buffer[i]) : buffer[i];
    }
    return out;
  }

  uint16_t extra_count = 0;
  uint16_t* extra = nullptr;
  bool alpha = TIFFGetField(s.tif, TIFFTAG_EXTRASAMPLES, &extra_count, &extra) && extra_count > 0 &&
               (extra[0] == EXTRASAMPLE_ASSOCALPHA || extra[0] == EXTRASAMPLE_UNASSALPHA);
  bool premultiplied = alpha && extra[0] == EXTRASAMPLE_ASSOCALPHA;
  uint16_t planar = PLANARCONFIG_CONTIG;
  TIFFGetFieldDefaulted(s.tif, TIFFTAG_PLANARCONFIG, &planar);
  Bitmap out(w, h, PixelFormat::pf32bit);
  out.SetResolution(info.DpiX, info.DpiY);
  out.SetHasAlpha(alpha);
  // Stores one pixel, undoing premultiplication where the file has it.
  auto put = [](std::span<uint8_t> row, int x, uint8_t r, uint8_t g, uint8_t b, uint8_t a, bool undo) {
    if (undo && a != 255 && a != 0) {
      r = static_cast<uint8_t>(std::min(255, (r * 255 + a / 2) / a));
      g = static_cast<uint8_t>(std::min(255, (g * 255 + a / 2) / a));
      b = static_cast<uint8_t>(std::min(255, (b * 255 + a / 2) / a));
    }
    row[x * 4] = b;
    row[x * 4 + 1] = g;
    row[x * 4 + 2] = r;
    row[x * 4 + 3] = a;
  };

  if (photometric == PHOTOMETRIC_RGB && bits == 8 && (samples == 3 || (samples == 4 && alpha)) &&
      planar == PLANARCONFIG_CONTIG && !TIFFIsTiled(s.tif)) {
    // Plain 8-bit RGB(A) rows: read them as stored, keeping full precision
    // of colours under unassociated alpha.
    tmsize_t line = TIFFScanlineSize(s.tif);
    if (line < static_cast<tmsize_t>(w) * samples) Damaged(s, "unexpected scan-line size");
    std::vector<uint8_t> buffer(static_cast<size_t>(line));
    for (int y = 0; y < h; ++y) {
      if (TIFFReadScanline(s.tif, buffer.data(), static_cast<uint32_t>(y), 0) < 0) Damaged(s, "pixel data are damaged");
      auto row = out.MutableRow(y);
      for (int x = 0; x < w; ++x) {
        const uint8_t* p = buffer.data() + static_cast<size_t>(x) * samples;
        put(row, x, p[0], p[1], p[2], samples == 4 ? p[3] : 255, premultiplied);
      }
    }
    return out;
  }

  char reason[1024] = {0};
  if (!TIFFRGBAImageOK(s.tif, reason)) throw EImageDecodeError(std::string("TIFF: ") + reason);
  std::vector<uint32_t> raster(static_cast<size_t>(w) * h);
  if (!TIFFReadRGBAImageOriented(s.tif, static_cast<uint32_t>(w), static_cast<uint32_t>(h), raster.data(),
                                 ORIENTATION_TOPLEFT, 1))
    Damaged(s, "pixel data are damaged");
  // libtiff delivers premultiplied colours.
  for (int y = 0; y < h; ++y) {
    auto row = out.MutableRow(y);
    for (int x = 0; x < w; ++x) {
      uint32_t p = raster[static_cast<size_t>(y) * w + x];
      put(row, x, TIFFGetR(p), TIFFGetG(p), TIFFGetB(p), static_cast<uint8_t>(alpha ? TIFFGetA(p) : 255), true);
    }
  }
  return out;
}

Bitmap DecodeTiff(std::span<const std::byte> data, const DecodeLimits& limits) {
  TiffReader reader(data, limits);
  return reader.DecodeFrame(0);
}

std::string EncodeTiff(std::span<const Bitmap> pages) {
  if (pages.empty()) throw EImageEncodeError("TIFF: no page to write");
  State s;
  s.tif = Open(s, "w");
  if (!s.tif) throw EImageEncodeError("TIFF: cannot start the encoder");
  auto fail = [&s](const char* what) {
    throw EImageEncodeError(std::string("TIFF: ") + (s.error.empty() ? what : s.error));
  };
  const uint16_t count = static_cast<uint16_t>(std::min<size_t>(pages.size(), 65535));
  for (size_t page = 0; page < pages.size(); ++page) {
    const Bitmap& b = pages[page];
    if (b.Empty()) fail("a page is empty");
    TIFF* t = s.tif;
    const bool bilevel = b.Format() == PixelFormat::pf1bit;
    const bool alpha = !bilevel && b.Format() == PixelFormat::pf32bit && b.HasAlpha();
    const int samples = bilevel ? 1 : alpha ? 4 : 3;
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(b.Width()));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(b.Height()));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bilevel ? 1 : 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, bilevel ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_COMPRESSION, bilevel ? COMPRESSION_CCITTFAX4 : COMPRESSION_ADOBE_DEFLATE);
    if (alpha) {
      uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
      TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    TIFFSetField(t, TIFFTAG_XRESOLUTION, static_cast<float>(b.DpiX()));
    TIFFSetField(t, TIFFTAG_YRESOLUTION, static_cast<float>(b.DpiY()));
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
    if (pages.size() > 1) {
      TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
      TIFFSetField(t, TIFFTAG_PAGENUMBER, static_cast<uint16_t>(std::min<size_t>(page, 65535)), count);
    }
    std::vector<uint8_t> line(bilevel ? (static_cast<size_t>(b.Width()) + 7) / 8 : static_cast<size_t>(b.Width()) * samples);
    for (int y = 0; y < b.Height(); ++y) {
      std::fill(line.begin(), line.end(), 0);
      for (int x = 0; x < b.Width(); ++x) {
        BGRA c = b.Pixel(x, y);
        if (bilevel) {
          // Min-is-white: a set bit is black.
          if (c.R * 299 + c.G * 587 + c.B * 114 < 128000) line[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        } else {
          uint8_t* p = line.data() + static_cast<size_t>(x) * samples;
          p[0] = c.R;
          p[1] = c.G;
          p[2] = c.B;
          if (alpha) p[3] = c.A;
        }
      }
      if (TIFFWriteScanline(t, line.data(), static_cast<uint32_t>(y), 0) < 0) fail("cannot write pixel data");
    }
    if (!TIFFWriteDirectory(t)) fail("cannot write a directory");
  }
  TIFFClose(s.tif);
  s.tif = nullptr;
  if (!s.error.empty()) throw EImageEncodeError("TIFF: " + s.error);
  return std::move(s.data);
}

}  // namespace vn::platform
