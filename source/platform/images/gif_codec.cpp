// GIF reading (first frame) and writing through giflib.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "platform/images/image_codecs.h"

namespace vn::platform {

namespace {

struct Source {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

int OnRead(GifFileType* gif, GifByteType* out, int count) {
  auto* s = static_cast<Source*>(gif->UserData);
  size_t n = std::min(static_cast<size_t>(std::max(count, 0)), s->size - s->pos);
  std::memcpy(out, s->data + s->pos, n);
  s->pos += n;
  return static_cast<int>(n);
}

std::string Reason(int code) {
  const char* text = GifErrorString(code);
  return text ? text : "unknown error";
}

struct ReadHandle {
  GifFileType* gif = nullptr;
  ~ReadHandle() {
    int error = 0;
    if (gif) DGifCloseFile(gif, &error);
  }
};

[[noreturn]] void Damaged(GifFileType* gif) {
  throw EImageDecodeError("GIF: " + Reason(gif ? gif->Error : D_GIF_ERR_READ_FAILED));
}

}  // namespace

Bitmap DecodeGif(std::span<const std::byte> data, const DecodeLimits& limits) {
  Source source{reinterpret_cast<const uint8_t*>(data.data()), data.size(), 0};
  int error = 0;
  ReadHandle h;
  h.gif = DGifOpen(&source, OnRead, &error);
  if (!h.gif) throw EImageDecodeError("GIF: " + Reason(error));
  GifFileType* gif = h.gif;

  int transparent = -1;
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) Damaged(gif);
    if (type == TERMINATE_RECORD_TYPE) throw EImageDecodeError("GIF: the file holds no image");
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* ext = nullptr;
      if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR) Damaged(gif);
      // Graphic control: flags, delay (2 bytes), transparent index.
      if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4) transparent = (ext[1] & 1) ? ext[4] : -1;
      while (ext) {
        if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR) Damaged(gif);
      }
      continue;
    }
    if (type == IMAGE_DESC_RECORD_TYPE) break;
  }
  if (DGifGetImageDesc(gif) == GIF_ERROR) Damaged(gif);
  const GifImageDesc& d = gif->Image;
  int64_t left = d.Left, top = d.Top, fw = d.Width, fh = d.Height;
  // The picture is the logical screen; without one, the frame's extent.
  int64_t cw = gif->SWidth, ch = gif->SHeight;
  if (cw <= 0 || ch <= 0) {
    cw = left + fw;
    ch = top + fh;
  }
  CheckImageSize("GIF", cw, ch, limits);
  Bitmap out(static_cast<int>(cw), static_cast<int>(ch), PixelFormat::pf32bit);
  out.SetHasAlpha(true);
  if (fw <= 0 || fh <= 0) return out;
  CheckImageSize("GIF", fw, fh, limits);

  const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
  BGRA colors[256];
  for (int i = 0; i < 256; ++i) {
    if (map && i < map->ColorCount)
      colors[i] = BGRA{map->Colors[i].Blue, map->Colors[i].Green, map->Colors[i].Red, 255};
    else if (map)
      colors[i] = BGRA{0, 0, 0, 255};
    else  // no colour table at all: grey levels
      colors[i] = BGRA{static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i), 255};
  }
  if (transparent >= 0) colors[transparent].A = 0;

  std::vector<GifPixelType> line(static_cast<size_t>(fw));
  auto draw = [&](int64_t row) {
    if (DGifGetLine(gif, line.data(), static_cast<int>(fw)) == GIF_ERROR) Damaged(gif);
    int64_t y = top + row;
    if (y < 0 || y >= ch) return;
    auto dst = out.MutableRow(static_cast<int>(y));
    for (int64_t i = 0; i < fw; ++i) {
      int64_t x = left + i;
      if (x >= cw) break;
      BGRA c = colors[line[i]];
      std::memcpy(dst.data() + x * 4, &c, 4);
    }
  };
  if (d.Interlace) {
    static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
      for (int64_t row = kStart[pass]; row < fh; row += kStep[pass]) draw(row);
  } else {
    for (int64_t row = 0; row < fh; ++row) draw(row);
  }
  return out;
}

namespace {

int OnWrite(GifFileType* gif, const GifByteType* data, int count) {
  auto* out = static_cast<std::string*>(gif->UserData);
  try {
    out->append(reinterpret_cast<const char*>(data), static_cast<size_t>(count));
  } catch (...) {
    return 0;
  }
  return count;
}

struct WriteHandle {
  GifFileType* gif = nullptr;
  ColorMapObject* map = nullptr;
  ~WriteHandle() {
    int error = 0;
    if (gif) EGifCloseFile(gif, &error);
    if (map) GifFreeMapObject(map);
  }
};

}  // namespace

std::string EncodeGif(const Bitmap& bitmap) {
  if (bitmap.Empty()) throw EImageEncodeError("GIF: the bitmap is empty");
  const int w = bitmap.Width(), h = bitmap.Height();
  if (w > 65535 || h > 65535) throw EImageEncodeError("GIF: the bitmap is too large");

  // Colour table and one index per pixel.
  std::vector<BGRA> table;
  std::vector<GifPixelType> pixels(static_cast<size_t>(w) * h);
  int transparent = -1;
  bool indexed = bitmap.Format() == PixelFormat::pf1bit || bitmap.Format() == PixelFormat::pf8bit;
  if (indexed) {
    table = bitmap.Palette();
    table.resize(size_t{1} << bitmap.BitsPerPixel(), BGRA{});
    for (size_t i = 0; i < table.size() && transparent < 0; ++i)
      if (table[i].A < 128) transparent = static_cast<int>(i);
    for (int y = 0; y < h; ++y) {
      auto row = bitmap.Row(y);
      for (int x = 0; x < w; ++x)
        pixels[static_cast<size_t>(y) * w + x] =
            bitmap.Format() == PixelFormat::pf8bit ? row[x] : static_cast<uint8_t>((row[x >> 3] >> (7 - (x & 7))) & 1);
    }
  } else {
    // Exact colours when there are few enough, else a fixed colour cube.
    std::map<uint32_t, int> exact;
    bool any_clear = false, fits = true;
    for (int y = 0; y < h && fits; ++y)
      for (int x = 0; x < w && fits; ++x) {
        BGRA c = bitmap.Pixel(x, y);
        if (c.A < 128) {
          any_clear = true;
          continue;
        }
        uint32_t key = c.R << 16 | c.G << 8 | c.B;
        if (!exact.count(key)) {
          if (exact.size() >= 256) fits = false;
          exact.emplace(key, static_cast<int>(exact.size()));
        }
      }
    fits = fits && exact.size() + (any_clear ? 1 : 0) <= 256;
    if (fits) {
      table.resize(exact.size());
      for (auto& [key, index] : exact)
        table[index] = BGRA{static_cast<uint8_t>(key), static_cast<uint8_t>(key >> 8), static_cast<uint8_t>(key >> 16), 255};
    } else {
      for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 7; ++g)
          for (int b = 0; b < 6; ++b)
            table.push_back(BGRA{static_cast<uint8_t>(b * 51), static_cast<uint8_t>(g * 255 / 6), static_cast<uint8_t>(r * 51), 255});
    }
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        BGRA c = bitmap.Pixel(x, y);
        int index;
        if (c.A < 128) {
          if (transparent < 0) {
            transparent = static_cast<int>(table.size());
            table.push_back(BGRA{0, 0, 0, 0});
          }
          index = transparent;
        } else if (fits) {
          index = exact[static_cast<uint32_t>(c.R << 16 | c.G << 8 | c.B)];
        } else {
          index = ((c.R * 5 + 127) / 255) * 42 + ((c.G * 6 + 127) / 255) * 6 + (c.B * 5 + 127) / 255;
        }
        pixels[static_cast<size_t>(y) * w + x] = static_cast<GifPixelType>(index);
      }
  }
  int size = 2;
  while (size < static_cast<int>(table.size())) size *= 2;
  table.resize(size, BGRA{});

  std::string out;
  WriteHandle handle;
  std::vector<GifColorType> colors(size);
  for (int i = 0; i < size; ++i) colors[i] = GifColorType{table[i].R, table[i].G, table[i].B};
  handle.map = GifMakeMapObject(size, colors.data());
  int error = 0;
  handle.gif = EGifOpen(&out, OnWrite, &error);
  if (!handle.map || !handle.gif) throw EImageEncodeError("GIF: " + Reason(error));
  GifFileType* gif = handle.gif;
  auto fail = [&] { throw EImageEncodeError("GIF: " + Reason(gif->Error)); };
  EGifSetGifVersion(gif, transparent >= 0);
  if (EGifPutScreenDesc(gif, w, h, 8, 0, handle.map) == GIF_ERROR) fail();
  if (transparent >= 0) {
    GifByteType control[4] = {1, 0, 0, static_cast<GifByteType>(transparent)};
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_ERROR) fail();
  }
  if (EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_ERROR) fail();
  for (int y = 0; y < h; ++y)
    if (EGifPutLine(gif, pixels.data() + static_cast<size_t>(y) * w, w) == GIF_ERROR) fail();
  handle.gif = nullptr;
  if (EGifCloseFile(gif, &error) == GIF_ERROR) throw EImageEncodeError("GIF: " + Reason(error));
  return out;
}

}  // namespace vn::platform
