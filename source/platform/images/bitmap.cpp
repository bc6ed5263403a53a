#include "platform/images/bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "runtime/numbers.h"

namespace vn::platform {

namespace {

constexpr size_t kMaxBitmapBytes = size_t{1} << 31;

std::string SizeText(int64_t width, int64_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

int Bpp(PixelFormat f) {
  switch (f) {
    case PixelFormat::pf1bit: return 1;
    case PixelFormat::pf8bit: return 8;
    case PixelFormat::pf24bit: return 24;
    case PixelFormat::pf32bit: return 32;
  }
  return 32;
}

uint8_t Grey(BGRA c) { return static_cast<uint8_t>((c.R * 299 + c.G * 587 + c.B * 114 + 500) / 1000); }

// A colour composited onto white by its alpha.
BGRA OnWhite(BGRA c) {
  if (c.A == 255) return c;
  auto mix = [&](uint8_t v) { return static_cast<uint8_t>((v * c.A + 255 * (255 - c.A) + 127) / 255); };
  return BGRA{mix(c.B), mix(c.G), mix(c.R), 255};
}

std::vector<BGRA> GreyRamp(int entries) {
  std::vector<BGRA> p(entries);
  for (int i = 0; i < entries; ++i) {
    auto v = static_cast<uint8_t>(i * 255 / (entries - 1));
    p[i] = BGRA{v, v, v, 255};
  }
  return p;
}

}  // namespace

void CheckImageSize(const char* format, int64_t width, int64_t height, const DecodeLimits& limits) {
  if (width <= 0 || height <= 0)
    throw EImageDecodeError(std::string(format) + ": image of " + SizeText(width, height) + " pixels has no pixels");
  // Both are positive and below 2^63, and their product is compared without overflow.
  if (static_cast<uint64_t>(width) > limits.MaxPixels || static_cast<uint64_t>(height) > limits.MaxPixels ||
      static_cast<uint64_t>(width) > limits.MaxPixels / static_cast<uint64_t>(height) ||
      width > INT32_MAX || height > INT32_MAX)
    throw EImageDecodeError(std::string(format) + ": image of " + SizeText(width, height) + " pixels is too large");
}

Bitmap::Bitmap(int width, int height, PixelFormat format) : format_(format) {
  if (width < 0 || height < 0) throw EArgumentException("Bitmap size " + SizeText(width, height) + " is invalid");
  auto stride = CheckedMul(static_cast<size_t>(width), static_cast<size_t>(Bpp(format)));
  auto total = stride ? CheckedMul((*stride + 7) / 8, static_cast<size_t>(height)) : std::nullopt;
  if (!total || *total > kMaxBitmapBytes)
    throw EArgumentException("Bitmap size " + SizeText(width, height) + " is invalid");
  width_ = width;
  height_ = height;
  stride_ = (*stride + 7) / 8;
  bits_.assign(*total, 0);
  if (format == PixelFormat::pf1bit) palette_ = GreyRamp(2);
  if (format == PixelFormat::pf8bit) palette_ = GreyRamp(256);
}

int Bitmap::BitsPerPixel() const { return Bpp(format_); }

void Bitmap::SetResolution(double dpi_x, double dpi_y) {
  dpi_x_ = dpi_x > 0 && std::isfinite(dpi_x) ? dpi_x : 96;
  dpi_y_ = dpi_y > 0 && std::isfinite(dpi_y) ? dpi_y : 96;
}

void Bitmap::SetPalette(std::vector<BGRA> palette) {
  size_t most = format_ == PixelFormat::pf1bit ? 2 : 256;
  if (palette.size() > most) palette.resize(most);
  palette_ = std::move(palette);
  jpeg_.reset();
}

std::span<const uint8_t> Bitmap::Row(int y) const {
  return std::span<const uint8_t>(bits_.data() + static_cast<size_t>(y) * stride_, stride_);
}

std::span<uint8_t> Bitmap::MutableRow(int y) {
  jpeg_.reset();
  return std::span<uint8_t>(bits_.data() + static_cast<size_t>(y) * stride_, stride_);
}

uint8_t* Bitmap::MutableBits() {
  jpeg_.reset();
  return bits_.data();
}

BGRA Bitmap::Pixel(int x, int y) const {
  const uint8_t* row = bits_.data() + static_cast<size_t>(y) * stride_;
  auto indexed = [&](size_t i) { return i < palette_.size() ? palette_[i] : BGRA{0, 0, 0, 255}; };
  switch (format_) {
    case PixelFormat::pf1bit: return indexed((row[x >> 3] >> (7 - (x & 7))) & 1);
    case PixelFormat::pf8bit: return indexed(row[x]);
    case PixelFormat::pf24bit: return BGRA{row[x * 3], row[x * 3 + 1], row[x * 3 + 2], 255};
    case PixelFormat::pf32bit: {
      const uint8_t* p = row + x * 4;
      return BGRA{p[0], p[1], p[2], has_alpha_ ? p[3] : uint8_t{255}};
    }
  }
  return {};
}

void Bitmap::SetPixel(int x, int y, BGRA c) {
  uint8_t* row = MutableRow(y).data();
  auto nearest = [&] {
    int best = 0;
    int best_distance = INT32_MAX;
    for (size_t i = 0; i < palette_.size(); ++i) {
      const BGRA& p = palette_[i];
      int d = (p.R - c.R) * (p.R - c.R) + (p.G - c.G) * (p.G - c.G) + (p.B - c.B) * (p.B - c.B) +
              (p.A - c.A) * (p.A - c.A);
      if (d < best_distance) {
        best_distance = d;
        best = static_cast<int>(i);
      }
    }
    return best;
  };
  switch (format_) {
    case PixelFormat::pf1bit: {
      uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
      if (nearest())
        row[x >> 3] |= mask;
      else
        row[x >> 3] &= static_cast<uint8_t>(~mask);
      break;
    }
    case PixelFormat::pf8bit: row[x] = static_cast<uint8_t>(nearest()); break;
    case PixelFormat::pf24bit:
      row[x * 3] = c.B;
      row[x * 3 + 1] = c.G;
      row[x * 3 + 2] = c.R;
      break;
    case PixelFormat::pf32bit:
      row[x * 4] = c.B;
      row[x * 4 + 1] = c.G;
      row[x * 4 + 2] = c.R;
      row[x * 4 + 3] = c.A;
      break;
  }
}

std::vector<uint8_t> Bitmap::ToBGRA() const {
  std::vector<uint8_t> out(static_cast<size_t>(width_) * height_ * 4);
  size_t at = 0;
  // Direct colours row by row; indexed ones through their palette below.
  if (format_ == PixelFormat::pf32bit || format_ == PixelFormat::pf24bit) {
    for (int y = 0; y < height_; ++y) {
      const uint8_t* row = bits_.data() + static_cast<size_t>(y) * stride_;
      if (format_ == PixelFormat::pf32bit) {
        std::memcpy(out.data() + at, row, static_cast<size_t>(width_) * 4);
        if (!has_alpha_)
          for (int x = 0; x < width_; ++x) out[at + static_cast<size_t>(x) * 4 + 3] = 255;
        at += static_cast<size_t>(width_) * 4;
      } else {
        for (int x = 0; x < width_; ++x, row += 3) {
          out[at++] = row[0];
          out[at++] = row[1];
          out[at++] = row[2];
          out[at++] = 255;
        }
      }
    }
    return out;
  }
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      BGRA c = Pixel(x, y);
      out[at++] = c.B;
      out[at++] = c.G;
      out[at++] = c.R;
      out[at++] = c.A;
    }
  return out;
}

std::string Bitmap::ToRGB24OnWhite() const {
  std::string out(static_cast<size_t>(width_) * height_ * 3, '\0');
  size_t at = 0;
  // Opaque direct colours row by row.
  if (format_ == PixelFormat::pf24bit || (format_ == PixelFormat::pf32bit && !has_alpha_)) {
    const size_t step = format_ == PixelFormat::pf24bit ? 3 : 4;
    for (int y = 0; y < height_; ++y) {
      const uint8_t* row = bits_.data() + static_cast<size_t>(y) * stride_;
      for (int x = 0; x < width_; ++x, row += step) {
        out[at++] = static_cast<char>(row[2]);
        out[at++] = static_cast<char>(row[1]);
        out[at++] = static_cast<char>(row[0]);
      }
    }
    return out;
  }
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      BGRA c = OnWhite(Pixel(x, y));
      out[at++] = static_cast<char>(c.R);
      out[at++] = static_cast<char>(c.G);
      out[at++] = static_cast<char>(c.B);
    }
  return out;
}

void RowToBgrOnWhite(const Bitmap& source, int y, uint8_t* out) {
  const uint8_t* p = source.Row(y).data();
  const bool alpha = source.HasAlpha();
  for (int x = 0; x < source.Width(); ++x, p += 4, out += 3) {
    const BGRA c = OnWhite(BGRA{p[0], p[1], p[2], alpha ? p[3] : uint8_t{255}});
    out[0] = c.B;
    out[1] = c.G;
    out[2] = c.R;
  }
}

Bitmap Bitmap::ConvertTo(PixelFormat format) const {
  if (format == format_) return *this;
  Bitmap out(width_, height_, format);
  out.dpi_x_ = dpi_x_;
  out.dpi_y_ = dpi_y_;
  out.has_alpha_ = format == PixelFormat::pf32bit && (has_alpha_ || format_ != PixelFormat::pf24bit);
  if (format_ == PixelFormat::pf32bit && format == PixelFormat::pf24bit) {
    // Row by row, without the per-pixel dispatch of Pixel and SetPixel.
    for (int y = 0; y < height_; ++y) RowToBgrOnWhite(*this, y, out.bits_.data() + static_cast<size_t>(y) * out.stride_);
    return out;
  }
  for (int y = 0; y < height_; ++y) {
    uint8_t* row = out.bits_.data() + static_cast<size_t>(y) * out.stride_;
    for (int x = 0; x < width_; ++x) {
      BGRA c = Pixel(x, y);
      switch (format) {
        case PixelFormat::pf1bit:
          if (Grey(OnWhite(c)) >= 128) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
          break;
        case PixelFormat::pf8bit: row[x] = Grey(OnWhite(c)); break;
        case PixelFormat::pf24bit: out.SetPixel(x, y, OnWhite(c)); break;
        case PixelFormat::pf32bit: out.SetPixel(x, y, c); break;
      }
    }
  }
  if (out.has_alpha_) {
    // Indexed sources without any translucent entry stay opaque.
    bool any = false;
    for (int y = 0; y < height_ && !any; ++y)
      for (int x = 0; x < width_ && !any; ++x) any = out.bits_[y * out.stride_ + x * 4 + 3] != 255;
    out.has_alpha_ = any;
  }
  return out;
}

Bitmap ScaleBitmap(const Bitmap& source, int width, int height) {
  Bitmap out(width, height, PixelFormat::pf32bit);
  out.SetResolution(source.DpiX(), source.DpiY());
  out.SetHasAlpha(source.Format() == PixelFormat::pf32bit && source.HasAlpha());
  if (source.Empty() || out.Empty()) return out;
  const int sw = source.Width(), sh = source.Height();
  // Colours are weighted by alpha, so transparent pixels do not darken edges.
  for (int y = 0; y < height; ++y) {
    // Source span of this output row.
    double y0 = static_cast<double>(y) * sh / height, y1 = static_cast<double>(y + 1) * sh / height;
    for (int x = 0; x < width; ++x) {
      double x0 = static_cast<double>(x) * sw / width, x1 = static_cast<double>(x + 1) * sw / width;
      double sum[4] = {0, 0, 0, 0};
      double weight = 0;
      auto add = [&](int sx, int sy, double w) {
        if (w <= 0) return;
        BGRA c = source.Pixel(sx, sy);
        double a = c.A / 255.0;
        sum[0] += c.B * a * w;
        sum[1] += c.G * a * w;
        sum[2] += c.R * a * w;
        sum[3] += c.A * w;
        weight += w;
      };
      if (x1 - x0 >= 1 || y1 - y0 >= 1) {
        // Shrinking along at least one axis: average the covered area.
        int ix0 = static_cast<int>(x0), iy0 = static_cast<int>(y0);
        int ix1 = std::min(sw, static_cast<int>(std::ceil(x1))), iy1 = std::min(sh, static_cast<int>(std::ceil(y1)));
        for (int sy = iy0; sy < iy1; ++sy) {
          double wy = std::min<double>(y1, sy + 1) - std::max<double>(y0, sy);
          for (int sx = ix0; sx < ix1; ++sx) add(sx, sy, wy * (std::min<double>(x1, sx + 1) - std::max<double>(x0, sx)));
        }
      } else {
        // Enlarging: bilinear between the four nearest source centres.
        double cx = (x0 + x1) / 2 - 0.5, cy = (y0 + y1) / 2 - 0.5;
        int ax = static_cast<int>(std::floor(cx)), ay = static_cast<int>(std::floor(cy));
        double fx = cx - ax, fy = cy - ay;
        for (int j = 0; j < 2; ++j)
          for (int i = 0; i < 2; ++i)
            add(std::clamp(ax + i, 0, sw - 1), std::clamp(ay + j, 0, sh - 1),
                (i ? fx : 1 - fx) * (j ? fy : 1 - fy));
      }
      BGRA c{0, 0, 0, 0};
      if (weight > 0 && sum[3] > 0) {
        double alpha = sum[3] / weight;
        auto channel = [&](double v) { return static_cast<uint8_t>(std::clamp(std::lround(v / weight / (alpha / 255.0)), 0L, 255L)); };
        c = BGRA{channel(sum[0]), channel(sum[1]), channel(sum[2]),
                 static_cast<uint8_t>(std::clamp(std::lround(alpha), 0L, 255L))};
      }
      out.SetPixel(x, y, c);
    }
  }
  return out;
}

Bitmap RotateBitmap(const Bitmap& source, int degrees) {
  if (degrees % 90 != 0) throw EArgumentException("Bitmap rotation of " + std::to_string(degrees) + " degrees is not a quarter turn");
  int turns = ((degrees / 90) % 4 + 4) % 4;
  const int w = source.Width(), h = source.Height();
  bool swap = turns % 2 == 1;
  Bitmap out(swap ? h : w, swap ? w : h, source.Format());
  if (swap)
    out.SetResolution(source.DpiY(), source.DpiX());
  else
    out.SetResolution(source.DpiX(), source.DpiY());
  out.SetHasAlpha(source.HasAlpha());
  if (source.Format() == PixelFormat::pf1bit || source.Format() == PixelFormat::pf8bit) out.SetPalette(source.Palette());
  const int bytes = source.BitsPerPixel() / 8;
  for (int y = 0; y < h; ++y) {
    auto src = source.Row(y);
    for (int x = 0; x < w; ++x) {
      int nx = x, ny = y;
      switch (turns) {
        case 1: nx = h - 1 - y; ny = x; break;
        case 2: nx = w - 1 - x; ny = h - 1 - y; break;
        case 3: nx = y; ny = w - 1 - x; break;
        default: break;
      }
      auto dst = out.MutableRow(ny);
      if (bytes == 0) {
        if ((src[x >> 3] >> (7 - (x & 7))) & 1) dst[nx >> 3] |= static_cast<uint8_t>(0x80 >> (nx & 7));
      } else {
        std::copy_n(src.data() + x * bytes, bytes, dst.data() + nx * bytes);
      }
    }
  }
  return out;
}

}  // namespace vn::platform
