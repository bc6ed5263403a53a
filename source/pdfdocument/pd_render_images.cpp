// Images of the rendering device decoded to bitmaps, with their masks as
// alpha, and glyph outline records turned into paths.
#include <algorithm>
#include <cmath>
#include <vector>

#include "pdfdocument/pd_image.h"
#include "pdfdocument/pd_image_color_map.h"
#include "pdfdocument/pd_image_stream.h"
#include "pdfdocument/pd_render_impl.h"

namespace vn::pdfdoc {

namespace gfx = vn::platform::gfx;

namespace {

// The samples of one image (one byte per sample, rows top first) at the
// size of the sampling grid, read line by line.
struct SampleGrid {
  int Width = 0, Height = 0, Comps = 0;
  std::vector<uint8_t> Samples;  // Width x Height x Comps
  // Per grid row, how many grid columns the data reached: the image's data
  // can end before its last sample, and what it lacks is not painted.
  std::vector<int> Filled;
  bool Ok = false;
  bool Short = false;

  bool Has(int AX, int AY) const { return AX < Filled[static_cast<size_t>(AY)]; }
};

// Reads the image's samples onto an AOutW x AOutH grid (nearest sample).
SampleGrid ReadSamples(TvnPDImage& AImage, int AComps, int AOutW, int AOutH) {
  SampleGrid grid;
  const int w = AImage.Width(), h = AImage.Height(), bits = AImage.BitsPerComponent();
  vn::pdf::TvnPDStream* stream = AImage.XObjectStream();
  if (w <= 0 || h <= 0 || bits <= 0 || !stream || AOutW <= 0 || AOutH <= 0) return grid;
  stream->Reset();
  TvnPDImageStream lines(stream->GetStream(), w, AComps, bits);
  if (!lines.IsOk()) return grid;
  grid.Width = AOutW;
  grid.Height = AOutH;
  grid.Comps = AComps;
  grid.Samples.assign(static_cast<size_t>(AOutW) * static_cast<size_t>(AOutH) * static_cast<size_t>(AComps), 0);
  grid.Filled.assign(static_cast<size_t>(AOutH), AOutW);
  int source_row = 0;
  for (int y = 0; y < AOutH; ++y) {
    const int wanted = static_cast<int>(static_cast<int64_t>(y) * h / AOutH);
    while (source_row < wanted) {
      lines.SkipLine();
      ++source_row;
    }
    const std::vector<uint8_t>& line = lines.GetLine();
    ++source_row;
    if (lines.ValidVals() < lines.NoVals()) {
      // Grid column x shows source column x * w / AOutW: the first column
      // past the data's last whole pixel is the first not filled.
      const int64_t pixels = lines.ValidVals() / AComps;
      grid.Filled[static_cast<size_t>(y)] = static_cast<int>(std::min<int64_t>(AOutW, (pixels * AOutW + w - 1) / w));
      grid.Short = true;
    }
    uint8_t* out = grid.Samples.data() + static_cast<size_t>(y) * static_cast<size_t>(AOutW) * static_cast<size_t>(AComps);
    for (int x = 0; x < AOutW; ++x) {
      const size_t sx = static_cast<size_t>(static_cast<int64_t>(x) * w / AOutW) * static_cast<size_t>(AComps);
      for (int c = 0; c < AComps; ++c)
        out[static_cast<size_t>(x * AComps + c)] = sx + static_cast<size_t>(c) < line.size() ? line[sx + static_cast<size_t>(c)] : 0;
    }
  }
  grid.Ok = true;
  return grid;
}

// A 1-bit image's samples onto a smaller AOutW x AOutH grid, each grid
// sample the share of set samples in the block it covers, 0 to 255: a
// stencil sampled more coarsely than it is drawn keeps its fine strokes as
// partial cover instead of dropping or keeping them whole.
SampleGrid MarkShares(TvnPDImage& AImage, int AOutW, int AOutH) {
  SampleGrid grid;
  const int w = AImage.Width(), h = AImage.Height();
  vn::pdf::TvnPDStream* stream = AImage.XObjectStream();
  if (w <= 0 || h <= 0 || !stream || AOutW <= 0 || AOutH <= 0 || AOutW > w || AOutH > h) return grid;
  stream->Reset();
  TvnPDImageStream lines(stream->GetStream(), w, 1, 1);
  if (!lines.IsOk()) return grid;
  grid.Width = AOutW;
  grid.Height = AOutH;
  grid.Comps = 1;
  grid.Samples.assign(static_cast<size_t>(AOutW) * static_cast<size_t>(AOutH), 0);
  grid.Filled.assign(static_cast<size_t>(AOutH), AOutW);
  // Source column sx lies in grid column sx * AOutW / w.
  std::vector<int> column(static_cast<size_t>(w));
  std::vector<int> widths(static_cast<size_t>(AOutW), 0);
  for (int sx = 0; sx < w; ++sx) {
    column[static_cast<size_t>(sx)] = static_cast<int>(static_cast<int64_t>(sx) * AOutW / w);
    ++widths[static_cast<size_t>(column[static_cast<size_t>(sx)])];
  }
  std::vector<uint32_t> set(static_cast<size_t>(AOutW));
  int source_row = 0;
  for (int y = 0; y < AOutH; ++y) {
    const int end = static_cast<int>(static_cast<int64_t>(y + 1) * h / AOutH);
    const int rows = end - source_row;
    std::fill(set.begin(), set.end(), 0);
    for (; source_row < end; ++source_row) {
      const std::vector<uint8_t>& line = lines.GetLine();
      if (lines.ValidVals() < lines.NoVals()) {
        const int64_t pixels = lines.ValidVals();
        grid.Filled[static_cast<size_t>(y)] = std::min(grid.Filled[static_cast<size_t>(y)],
                                                      static_cast<int>((pixels * AOutW + w - 1) / w));
        grid.Short = true;
      }
      for (int sx = 0; sx < w; ++sx) set[static_cast<size_t>(column[static_cast<size_t>(sx)])] += line[static_cast<size_t>(sx)];
    }
    uint8_t* out = grid.Samples.data() + static_cast<size_t>(y) * static_cast<size_t>(AOutW);
    for (int x = 0; x < AOutW; ++x) {
      const uint32_t block = static_cast<uint32_t>(rows * widths[static_cast<size_t>(x)]);
      out[x] = static_cast<uint8_t>(block ? (set[static_cast<size_t>(x)] * 255 + block / 2) / block : 0);
    }
  }
  grid.Ok = true;
  return grid;
}

// Whether a one-bit mask's /Decode starts with 1 (marks inverted).
bool DecodeInverted(TvnPDImage& AImage) {
  auto* stream = AImage.XObjectStream();
  vn::pdf::TvnPDDictionary* dict = stream ? stream->GetDict() : nullptr;
  if (!dict) return false;
  vn::pdf::TvnPDBaseObject* decode = dict->LookUp("Decode");
  if (!decode) decode = dict->LookUp("D");
  auto* array = decode ? decode->AsArray() : nullptr;
  const vn::pdf::TvnPDBaseObject* first = array && array->GetLength() > 0 ? array->Get(0) : nullptr;
  if (!first || !first->IsNumber()) return false;
  const double v = first->AsInteger() ? static_cast<double>(first->AsInteger()->GetValue()) : first->AsReal()->GetValue();
  return v >= 0.5;
}

// The grid size of an image within the pixel budget.
void SampledSize(int AWidth, int AHeight, int64_t AMaxPixels, int& AOutW, int& AOutH) {
  const double pixels = static_cast<double>(AWidth) * AHeight;
  const double step = pixels > static_cast<double>(AMaxPixels) ? std::ceil(std::sqrt(pixels / static_cast<double>(AMaxPixels))) : 1.0;
  AOutW = std::max(1, static_cast<int>(std::ceil(AWidth / step)));
  AOutH = std::max(1, static_cast<int>(std::ceil(AHeight / step)));
}

// Alpha from a mask image's samples on the colour image's grid: a soft
// mask's gray values, or a stencil's marks (a set sample, after /Decode,
// masks out).
bool MaskAlpha(TvnPDImage& AMask, bool ASoft, int AOutW, int AOutH, std::vector<uint8_t>& AAlpha) {
  const int mw = AMask.Width(), mh = AMask.Height();
  if (mw <= 0 || mh <= 0) return false;
  const int gw = std::min(mw, AOutW * 4), gh = std::min(mh, AOutH * 4);
  SampleGrid grid = ReadSamples(AMask, 1, gw, gh);
  if (!grid.Ok) return false;
  AAlpha.assign(static_cast<size_t>(AOutW) * static_cast<size_t>(AOutH), 255);
  TvnPDImageColorMap* map = ASoft ? AMask.ColorMap() : nullptr;
  const bool inverted = !ASoft && DecodeInverted(AMask);
  std::vector<uint8_t> one(1);
  for (int y = 0; y < AOutH; ++y) {
    const int gy = static_cast<int>(static_cast<int64_t>(y) * gh / AOutH);
    for (int x = 0; x < AOutW; ++x) {
      const int gx = static_cast<int>(static_cast<int64_t>(x) * gw / AOutW);
      const uint8_t sample = grid.Samples[static_cast<size_t>(gy) * static_cast<size_t>(gw) + static_cast<size_t>(gx)];
      uint8_t alpha = 255;
      if (ASoft) {
        if (map && map->IsOk()) {
          one[0] = sample;
          int32_t gray = 0;
          map->GetGray(one, 0, gray);
          alpha = ColorCompToByte(gray);
        } else {
          alpha = sample;
        }
      } else {
        const bool marked = (sample != 0) != inverted;
        alpha = marked ? 0 : 255;
      }
      AAlpha[static_cast<size_t>(y) * static_cast<size_t>(AOutW) + static_cast<size_t>(x)] = alpha;
    }
  }
  return true;
}

}  // namespace

vn::platform::Bitmap DecodeImageBitmap(TvnPDImage& AImage, const TvnRGB& AFillColor, int64_t AMaxPixels) {
  using vn::platform::Bitmap;
  const int w = AImage.Width(), h = AImage.Height();
  if (w <= 0 || h <= 0 || AImage.BitsPerComponent() <= 0) return Bitmap();
  int ow = 0, oh = 0;
  SampledSize(w, h, AMaxPixels, ow, oh);
  Bitmap bitmap(ow, oh, vn::platform::PixelFormat::pf32bit);
  if (AImage.ImageMask()) {
    // A stencil: the fill colour where a sample marks paint (0 unless the
    // decode is inverted), transparent elsewhere.
    // Sampled more coarsely than stored: each pixel covered by its share.
    const bool shares = (ow < w || oh < h) && AImage.BitsPerComponent() == 1;
    SampleGrid grid = shares ? MarkShares(AImage, ow, oh) : ReadSamples(AImage, 1, ow, oh);
    if (!grid.Ok) return Bitmap();
    const bool inverted = DecodeInverted(AImage);
    const uint8_t r = ColorCompToByte(AFillColor.R), g = ColorCompToByte(AFillColor.G), b = ColorCompToByte(AFillColor.B);
    for (int y = 0; y < oh; ++y) {
      uint8_t* row = bitmap.MutableRow(y).data();
      for (int x = 0; x < ow; ++x) {
        const uint8_t sample = grid.Samples[static_cast<size_t>(y) * static_cast<size_t>(ow) + static_cast<size_t>(x)];
        uint8_t cover = 0;
        if (grid.Has(x, y)) cover = shares ? (inverted ? sample : static_cast<uint8_t>(255 - sample))
                                           : ((sample != 0) == inverted ? 255 : 0);
        row[4 * x] = b;
        row[4 * x + 1] = g;
        row[4 * x + 2] = r;
        row[4 * x + 3] = cover;
      }
    }
    bitmap.SetHasAlpha(true);
    return bitmap;
  }
  TvnPDColorSpace* space = AImage.ColorSpace();
  const int comps = space ? std::max(1, space->GetNoOfComps()) : 1;
  TvnPDImageColorMap* map = AImage.ColorMap();
  if (!map || !map->IsOk()) return Bitmap();
  SampleGrid grid = ReadSamples(AImage, comps, ow, oh);
  if (!grid.Ok) return Bitmap();
  const bool gray = !space || (comps == 1 && space->GetMode() != TvnColorSpaceMode::csIndexed &&
                               space->GetMode() != TvnColorSpaceMode::csSeparation);
  std::vector<uint8_t> alpha;
  bool has_alpha = false;
  if (TvnPDImage* soft = AImage.SoftMask())
    has_alpha = MaskAlpha(*soft, true, ow, oh, alpha);
  else if (TvnPDImage* mask = AImage.Mask())
    has_alpha = MaskAlpha(*mask, false, ow, oh, alpha);
  const bool color_key = !has_alpha && AImage.HasColorKeyMask();
  const TvnColorKeyRange* key = color_key ? &AImage.ColorKeyRange() : nullptr;
  const int bits = AImage.BitsPerComponent();
  // A sample's colour depends on its components alone: one-component
  // samples (gray, indexed, separation) are looked up in a table of their
  // 256 possible values made once, and wider samples keep the colour of the
  // last one seen so flat areas convert once.
  std::vector<uint8_t> line(static_cast<size_t>(comps));
  auto convert = [&](const uint8_t* APx, uint8_t& r, uint8_t& g, uint8_t& b) {
    std::copy(APx, APx + comps, line.begin());
    if (gray) {
      int32_t v = 0;
      map->GetGray(line, 0, v);
      r = g = b = ColorCompToByte(v);
    } else {
      TvnRGB c;
      map->GetRGB(line, 0, c);
      r = ColorCompToByte(c.R);
      g = ColorCompToByte(c.G);
      b = ColorCompToByte(c.B);
    }
  };
  std::vector<uint8_t> table;
  if (comps == 1) {
    table.resize(3 * 256);
    for (int v = 0; v < 256; ++v) {
      const uint8_t value = static_cast<uint8_t>(v);
      convert(&value, table[3 * static_cast<size_t>(v)], table[3 * static_cast<size_t>(v) + 1],
              table[3 * static_cast<size_t>(v) + 2]);
    }
  }
  std::vector<uint8_t> last;
  uint8_t last_r = 0, last_g = 0, last_b = 0;
  for (int y = 0; y < oh; ++y) {
    uint8_t* row = bitmap.MutableRow(y).data();
    const uint8_t* samples = grid.Samples.data() + static_cast<size_t>(y) * static_cast<size_t>(ow) * static_cast<size_t>(comps);
    for (int x = 0; x < ow; ++x) {
      const uint8_t* px = samples + static_cast<size_t>(x) * static_cast<size_t>(comps);
      uint8_t r = 0, g = 0, b = 0;
      if (comps == 1) {
        const uint8_t* rgb = table.data() + 3 * static_cast<size_t>(px[0]);
        r = rgb[0];
        g = rgb[1];
        b = rgb[2];
      } else if (!last.empty() && std::equal(px, px + comps, last.begin())) {
        r = last_r;
        g = last_g;
        b = last_b;
      } else {
        convert(px, r, g, b);
        last.assign(px, px + comps);
        last_r = r;
        last_g = g;
        last_b = b;
      }
      uint8_t a = 255;
      if (has_alpha) {
        a = alpha[static_cast<size_t>(y) * static_cast<size_t>(ow) + static_cast<size_t>(x)];
      } else if (key) {
        // Masked out when every component lies inside its range.
        bool inside = true;
        for (int c = 0; c < comps && c < 4 && inside; ++c) {
          const double v = bits == 16 ? px[c] * 257.0 : px[c];
          inside = v >= key->MinRange[static_cast<size_t>(c)] && v <= key->MaxRange[static_cast<size_t>(c)];
        }
        a = inside ? 0 : 255;
      }
      if (!grid.Has(x, y)) a = 0;
      row[4 * x] = b;
      row[4 * x + 1] = g;
      row[4 * x + 2] = r;
      row[4 * x + 3] = a;
    }
  }
  bitmap.SetHasAlpha(has_alpha || color_key || grid.Short);
  return bitmap;
}

void AppendOutline(const TvnOutlineRecords& ARecords, const gfx::Matrix& AMatrix, gfx::Path& APath) {
  gfx::PointF current{0, 0};
  bool open = false;
  auto at = [&](size_t i) { return AMatrix.Apply({ARecords[i], ARecords[i + 1]}); };
  for (size_t i = 0; i < ARecords.size();) {
    const int kind = static_cast<int>(ARecords[i]);
    const size_t points = kind == 4 ? 3 : kind == 3 ? 2 : kind == 1 || kind == 2 ? 1 : 0;
    if (points == 0 || i + 1 + 2 * points > ARecords.size()) break;
    if (kind == 1) {
      if (open) APath.Close();
      current = at(i + 1);
      APath.MoveTo(current);
      open = true;
    } else if (kind == 2) {
      current = at(i + 1);
      APath.LineTo(current);
    } else if (kind == 3) {
      const gfx::PointF c = at(i + 1), p = at(i + 3);
      APath.CubicTo({current.x + 2.0 / 3.0 * (c.x - current.x), current.y + 2.0 / 3.0 * (c.y - current.y)},
                    {p.x + 2.0 / 3.0 * (c.x - p.x), p.y + 2.0 / 3.0 * (c.y - p.y)}, p);
      current = p;
    } else {
      const gfx::PointF c1 = at(i + 1), c2 = at(i + 3), p = at(i + 5);
      APath.CubicTo(c1, c2, p);
      current = p;
    }
    i += 1 + 2 * points;
  }
  if (open) APath.Close();
}

}  // namespace vn::pdfdoc
