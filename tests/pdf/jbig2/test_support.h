// Test support for the JBIG2 decoder: a reference MQ encoder and the
// integer, generic-region and refinement encoders on top of it (contexts
// built pixel by pixel, independently of the decoder's incremental ones), a
// writer of segments, a small test document that reads an embedded stream
// and composes its page, and running jbig2dec and the PDF tools as oracles.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "pdf/jbig2/image_bitmap.h"
#include "pdf/jbig2/io_stream.h"
#include "pdf/jbig2/segment_header.h"
#include "pdf/jbig2/segments.h"
#include "../pdf_corpus.h"
#include "runtime/streams.h"

namespace vn::pdf::jbig2::testing {

// ---------------------------------------------------------------- bytes

inline std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<uint8_t> out;
  for (int v : values) out.push_back(static_cast<uint8_t>(v));
  return out;
}

inline std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// Bytes from small numbers, as text.
inline std::string Chars(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

// "0110 1" as bytes, padded with 0 bits (anything but 0 and 1 is ignored).
inline std::vector<uint8_t> BitString(const std::string& bits) {
  std::vector<uint8_t> out;
  int n = 0;
  for (char c : bits) {
    if (c != '0' && c != '1') continue;
    if (n % 8 == 0) out.push_back(0);
    if (c == '1') out.back() |= static_cast<uint8_t>(0x80 >> (n % 8));
    ++n;
  }
  return out;
}

// ---------------------------------------------------------------- images

// A bitmap as one byte per pixel (1 black), for building and comparing.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;

  Image() = default;
  Image(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h, 0) {}
  int At(int x, int y) const {
    return x < 0 || y < 0 || x >= width || y >= height ? 0 : pixels[static_cast<size_t>(y) * width + x];
  }
  void Set(int x, int y, int v) { pixels[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(v); }
  bool operator==(const Image&) const = default;
};

inline Image FromBitmap(const TvnImageBitmap& bitmap) {
  Image image(bitmap.GetWidth(), bitmap.GetHeight());
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) image.Set(x, y, bitmap.GetPixel(x, y));
  return image;
}

inline TvnImageBitmap ToBitmap(const Image& image) {
  TvnImageBitmap bitmap(image.width, image.height);
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) bitmap.SetPixel(x, y, image.At(x, y));
  return bitmap;
}

// Something like scanned text: blobs and strokes on white, a few runs of
// identical rows (so typical prediction has work) and some noise.
inline Image TextLikeImage(int width, int height, unsigned seed) {
  Image image(width, height);
  std::mt19937 rng(seed);
  for (int blob = 0; blob < width * height / 90; ++blob) {
    const int cx = static_cast<int>(rng() % static_cast<unsigned>(width));
    const int cy = static_cast<int>(rng() % static_cast<unsigned>(height));
    const int w = 1 + static_cast<int>(rng() % 7);
    const int h = 1 + static_cast<int>(rng() % 9);
    if (cy % 23 < 5) continue;  // blank bands between "lines"
    for (int y = cy; y < std::min(height, cy + h); ++y)
      for (int x = cx; x < std::min(width, cx + w); ++x) image.Set(x, y, 1);
  }
  for (int noise = 0; noise < width * height / 200; ++noise)
    image.Set(static_cast<int>(rng() % static_cast<unsigned>(width)),
              static_cast<int>(rng() % static_cast<unsigned>(height)), 1);
  return image;
}

// Reads a binary PBM (P4).
inline std::optional<Image> ReadPbm(const std::string& bytes) {
  size_t pos = 0;
  auto token = [&]() -> std::string {
    while (pos < bytes.size()) {
      if (bytes[pos] == '#') {
        while (pos < bytes.size() && bytes[pos] != '\n') ++pos;
      } else if (isspace(static_cast<unsigned char>(bytes[pos]))) {
        ++pos;
      } else {
        break;
      }
    }
    std::string t;
    while (pos < bytes.size() && !isspace(static_cast<unsigned char>(bytes[pos]))) t += bytes[pos++];
    return t;
  };
  if (token() != "P4") return std::nullopt;
  const int w = std::atoi(token().c_str());
  const int h = std::atoi(token().c_str());
  ++pos;
  const size_t stride = (static_cast<size_t>(w) + 7) / 8;
  if (w <= 0 || h <= 0 || bytes.size() < pos + stride * h) return std::nullopt;
  Image image(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      image.Set(x, y, (static_cast<uint8_t>(bytes[pos + y * stride + x / 8]) >> (7 - x % 8)) & 1);
  return image;
}

// ---------------------------------------------------------------- MQ encoder

// The arithmetic encoder of the standard (INITENC, CODEMPS/CODELPS,
// RENORME, BYTEOUT, FLUSH with the closing FF AC marker).
class MqEncoder {
 public:
  // Contexts packed as state << 1 | MPS, like the decoder's.
  void Encode(std::vector<uint8_t>& contexts, int cx, int bit) {
    uint8_t& context = contexts[static_cast<size_t>(cx)];
    const Row& row = kTable[context >> 1];
    const int mps = context & 1;
    a_ -= row.qe;
    if (bit == mps) {
      if ((a_ & 0x8000) == 0) {
        if (a_ < row.qe) a_ = row.qe;
        else c_ += row.qe;
        context = static_cast<uint8_t>(row.nmps << 1 | mps);
        Renorm();
      } else {
        c_ += row.qe;
      }
    } else {
      if (a_ < row.qe) c_ += row.qe;
      else a_ = row.qe;
      context = static_cast<uint8_t>(row.nlps << 1 | (row.switch_mps ? 1 - mps : mps));
      Renorm();
    }
  }

  std::string Finish() {
    const uint32_t temp = c_ + a_;
    c_ |= 0xFFFF;
    if (c_ >= temp) c_ -= 0x8000;
    c_ <<= ct_;
    ByteOut();
    c_ <<= ct_;
    ByteOut();
    if (b_ != 0xFF) Put(0xFF);
    Put(0xAC);
    return out_.substr(1);  // without the byte before the start
  }

 private:
  struct Row {
    uint32_t qe;
    uint8_t nmps, nlps, switch_mps;
  };
  static constexpr Row kTable[47] = {
      {0x5601, 1, 1, 1},   {0x3401, 2, 6, 0},   {0x1801, 3, 9, 0},   {0x0AC1, 4, 12, 0},  {0x0521, 5, 29, 0},
      {0x0221, 38, 33, 0}, {0x5601, 7, 6, 1},   {0x5401, 8, 14, 0},  {0x4801, 9, 14, 0},  {0x3801, 10, 14, 0},
      {0x3001, 11, 17, 0}, {0x2401, 12, 18, 0}, {0x1C01, 13, 20, 0}, {0x1601, 29, 21, 0}, {0x5601, 15, 14, 1},
      {0x5401, 16, 14, 0}, {0x5101, 17, 15, 0}, {0x4801, 18, 16, 0}, {0x3801, 19, 17, 0}, {0x3401, 20, 18, 0},
      {0x3001, 21, 19, 0}, {0x2801, 22, 19, 0}, {0x2401, 23, 20, 0}, {0x2201, 24, 21, 0}, {0x1C01, 25, 22, 0},
      {0x1801, 26, 23, 0}, {0x1601, 27, 24, 0}, {0x1401, 28, 25, 0}, {0x1201, 29, 26, 0}, {0x1101, 30, 27, 0},
      {0x0AC1, 31, 28, 0}, {0x09C1, 32, 29, 0}, {0x08A1, 33, 30, 0}, {0x0521, 34, 31, 0}, {0x0441, 35, 32, 0},
      {0x02A1, 36, 33, 0}, {0x0221, 37, 34, 0}, {0x0141, 38, 35, 0}, {0x0111, 39, 36, 0}, {0x0085, 40, 37, 0},
      {0x0049, 41, 38, 0}, {0x0025, 42, 39, 0}, {0x0015, 43, 40, 0}, {0x0009, 44, 41, 0}, {0x0005, 45, 42, 0},
      {0x0001, 45, 43, 0}, {0x5601, 46, 46, 0},
  };

  void Put(int byte) {
    out_.push_back(static_cast<char>(byte));
    b_ = byte;
  }
  void Renorm() {
    do {
      a_ <<= 1;
      c_ <<= 1;
      if (--ct_ == 0) ByteOut();
    } while ((a_ & 0x8000) == 0);
  }
  void ByteOut() {
    if (b_ == 0xFF) {
      Put(static_cast<int>(c_ >> 20));
      c_ &= 0xFFFFF;
      ct_ = 7;
    } else if (c_ < 0x8000000) {
      Put(static_cast<int>(c_ >> 19));
      c_ &= 0x7FFFF;
      ct_ = 8;
    } else {
      ++b_;
      out_.back() = static_cast<char>(b_);
      if (b_ == 0xFF) {
        c_ &= 0x7FFFFFF;
        Put(static_cast<int>(c_ >> 20));
        c_ &= 0xFFFFF;
        ct_ = 7;
      } else {
        Put(static_cast<int>(c_ >> 19));
        c_ &= 0x7FFFF;
        ct_ = 8;
      }
    }
  }

  std::string out_ = std::string(1, '\0');  // the byte before the start
  uint32_t a_ = 0x8000;
  uint32_t c_ = 0;
  int ct_ = 12;
  int b_ = 0;
};

// The integer procedures IAx and IAID on the encoder side.
inline void EncodeInteger(MqEncoder& mq, std::vector<uint8_t>& cx, std::optional<int64_t> value) {
  int prev = 1;
  auto bit = [&](int d) {
    mq.Encode(cx, prev, d);
    prev = prev < 256 ? (prev << 1) | d : (((prev << 1) | d) & 511) | 256;
  };
  auto bits = [&](int64_t v, int count) {
    for (int i = count - 1; i >= 0; --i) bit(static_cast<int>((v >> i) & 1));
  };
  if (!value) {  // out of band: S = 1, V = 0
    bit(1);
    bit(0);
    bits(0, 2);
    return;
  }
  const int64_t v = *value < 0 ? -*value : *value;
  bit(*value < 0 ? 1 : 0);
  struct Range {
    int prefix_ones;
    int width;
    int64_t low;
  };
  static constexpr Range kRanges[] = {{0, 2, 0}, {1, 4, 4}, {2, 6, 20}, {3, 8, 84}, {4, 12, 340}, {5, 32, 4436}};
  for (const Range& r : kRanges) {
    if (r.prefix_ones < 5 && v >= r.low + (int64_t{1} << r.width)) continue;
    for (int i = 0; i < r.prefix_ones; ++i) bit(1);
    if (r.prefix_ones < 5) bit(0);
    bits(v - r.low, r.width);
    return;
  }
}

inline void EncodeIaid(MqEncoder& mq, std::vector<uint8_t>& cx, int value, int code_length) {
  int prev = 1;
  for (int i = code_length - 1; i >= 0; --i) {
    const int d = (value >> i) & 1;
    mq.Encode(cx, prev, d);
    prev = prev << 1 | d;
  }
}

// ---------------------------------------------------------------- regions

struct Offset {
  int x, y;
};

struct GenericParams {
  int tmpl = 0;
  bool ext = false;
  bool tpgdon = false;
  std::vector<Offset> at;  // as written in the segment
};

// The nominal adaptive pixels of a template, as written in a segment.
inline std::vector<Offset> NominalAt(int tmpl, bool ext = false) {
  if (tmpl == 0 && ext)
    return {{-2, 0}, {0, -2}, {-2, -1}, {-1, -2}, {1, -2}, {2, -1}, {-3, 0}, {-4, 0}, {2, -2}, {3, -1}, {-2, -2}, {-3, -1}};
  if (tmpl == 0) return {{3, -1}, {-3, -1}, {2, -2}, {-2, -2}};
  if (tmpl == 1) return {{3, -1}};
  return {{2, -1}};
}

// The template's pixels in raster order, the first most significant, with
// the adaptive pixels where the parameters put them.
inline std::vector<Offset> GenericTemplate(const GenericParams& p) {
  const std::vector<Offset>& a = p.at;
  switch (p.ext && p.tmpl == 0 ? 4 : p.tmpl) {
    case 0:
      return {a[3], {-1, -2}, {0, -2}, {1, -2}, a[2], a[1], {-2, -1}, {-1, -1},
              {0, -1}, {1, -1}, {2, -1}, a[0], {-4, 0}, {-3, 0}, {-2, 0}, {-1, 0}};
    case 1:
      return {{-1, -2}, {0, -2}, {1, -2}, {2, -2}, {-2, -1}, {-1, -1}, {0, -1},
              {1, -1}, {2, -1}, a[0], {-3, 0}, {-2, 0}, {-1, 0}};
    case 2:
      return {{-1, -2}, {0, -2}, {1, -2}, {-2, -1}, {-1, -1}, {0, -1}, {1, -1}, a[0], {-2, 0}, {-1, 0}};
    case 3:
      return {{-3, -1}, {-2, -1}, {-1, -1}, {0, -1}, {1, -1}, a[0], {-4, 0}, {-3, 0}, {-2, 0}, {-1, 0}};
    default:
      return {a[10], a[3], a[1], a[4], a[8], a[11], a[2], {-1, -1},
              {0, -1}, {1, -1}, a[5], a[9], a[7], a[6], a[0], {-1, 0}};
  }
}

// Codes a generic region into `mq` with the contexts `cx` (65536 of them),
// which may be shared with other regions.
inline void EncodeGeneric(MqEncoder& mq, std::vector<uint8_t>& cx, const Image& image, const GenericParams& p) {
  static constexpr int kSltp[4] = {0x9B25, 0x0795, 0x00E5, 0x0195};
  const std::vector<Offset> tmpl = GenericTemplate(p);
  int ltp = 0;
  for (int y = 0; y < image.height; ++y) {
    if (p.tpgdon) {
      bool same = true;
      for (int x = 0; x < image.width && same; ++x) same = image.At(x, y) == image.At(x, y - 1);
      const int typical = same ? 1 : 0;
      mq.Encode(cx, kSltp[p.tmpl], typical ^ ltp);
      ltp = typical;
      if (ltp) continue;
    }
    for (int x = 0; x < image.width; ++x) {
      int context = 0;
      for (const Offset& o : tmpl) {
        // Pixels not coded yet (this row from x on, rows below) are 0.
        const bool coded = o.y < 0 || (o.y == 0 && o.x < 0);
        context = context << 1 | (coded ? image.At(x + o.x, y + o.y) : 0);
      }
      mq.Encode(cx, context, image.At(x, y));
    }
  }
}

// The arithmetic-coded data of a generic region.
inline std::string EncodeGeneric(const Image& image, const GenericParams& p) {
  MqEncoder mq;
  std::vector<uint8_t> cx(65536, 0);
  EncodeGeneric(mq, cx, image, p);
  return mq.Finish();
}

struct RefineParams {
  int tmpl = 0;
  bool tpgron = false;
  Offset at1{-1, -1};  // in the bitmap being coded
  Offset at2{-1, -1};  // in the reference
  int dx = 0;
  int dy = 0;
};

// The arithmetic-coded data of a refinement of `reference` into `image`.
inline std::string EncodeRefinement(const Image& image, const Image& reference, const RefineParams& p) {
  std::vector<Offset> own, ref;
  if (p.tmpl == 0) {
    own = {p.at1, {0, -1}, {1, -1}, {-1, 0}};
    ref = {p.at2, {0, -1}, {1, -1}, {-1, 0}, {0, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}};
  } else {
    own = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}};
    ref = {{0, -1}, {-1, 0}, {0, 0}, {1, 0}, {0, 1}, {1, 1}};
  }
  auto uniform = [&](int x, int y) {
    int sum = 0;
    for (int j = -1; j <= 1; ++j)
      for (int i = -1; i <= 1; ++i) sum += reference.At(x - p.dx + i, y - p.dy + j);
    return sum == 0 ? 0 : sum == 9 ? 1 : -1;
  };
  std::vector<uint8_t> cx(8192, 0);
  MqEncoder mq;
  int ltp = 0;
  for (int y = 0; y < image.height; ++y) {
    if (p.tpgron) {
      bool typical = true;
      for (int x = 0; x < image.width && typical; ++x) {
        const int u = uniform(x, y);
        typical = u < 0 || u == image.At(x, y);
      }
      // The typical-prediction bit's context: the reference pixel under the
      // pixel (template 0) or right of it (template 1), the others clear.
      mq.Encode(cx, p.tmpl == 0 ? 0x0010 : 0x0004, (typical ? 1 : 0) ^ ltp);
      ltp = typical ? 1 : 0;
    }
    for (int x = 0; x < image.width; ++x) {
      if (ltp && uniform(x, y) >= 0) continue;
      int context = 0;
      for (const Offset& o : own) {
        const bool coded = o.y < 0 || (o.y == 0 && o.x < 0);
        context = context << 1 | (coded ? image.At(x + o.x, y + o.y) : 0);
      }
      for (const Offset& o : ref) context = context << 1 | reference.At(x - p.dx + o.x, y - p.dy + o.y);
      mq.Encode(cx, context, image.At(x, y));
    }
  }
  return mq.Finish();
}

// ---------------------------------------------------------------- segments

inline void PutU32(std::string& s, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) s.push_back(static_cast<char>((v >> shift) & 0xFF));
}

// A segment header in the short form (at most 4 references) followed by its data.
inline std::string Segment(uint32_t number, int type, const std::vector<uint32_t>& refs, uint32_t page,
                           const std::string& data) {
  std::string s;
  PutU32(s, number);
  s.push_back(static_cast<char>(type | (page > 255 ? 0x40 : 0)));
  s.push_back(static_cast<char>(refs.size() << 5));
  const int width = number <= 256 ? 1 : number <= 65536 ? 2 : 4;
  for (uint32_t r : refs)
    for (int i = width - 1; i >= 0; --i) s.push_back(static_cast<char>((r >> (8 * i)) & 0xFF));
  if (page > 255) PutU32(s, page);
  else s.push_back(static_cast<char>(page));
  PutU32(s, static_cast<uint32_t>(data.size()));
  return s + data;
}

inline std::string PageInfo(uint32_t width, uint32_t height, int flags = 0, int striping = 0) {
  std::string s;
  PutU32(s, width);
  PutU32(s, height);
  PutU32(s, 0);
  PutU32(s, 0);
  s.push_back(static_cast<char>(flags));
  s.push_back(static_cast<char>(striping >> 8));
  s.push_back(static_cast<char>(striping & 0xFF));
  return s;
}

inline std::string RegionInfo(uint32_t width, uint32_t height, uint32_t x = 0, uint32_t y = 0, int op = 0) {
  std::string s;
  PutU32(s, width);
  PutU32(s, height);
  PutU32(s, x);
  PutU32(s, y);
  s.push_back(static_cast<char>(op));
  return s;
}

// The data of an arithmetic-coded generic region segment.
inline std::string GenericRegionData(const Image& image, const GenericParams& p, uint32_t x = 0, uint32_t y = 0,
                                     int op = 0) {
  std::string s = RegionInfo(static_cast<uint32_t>(image.width), static_cast<uint32_t>(image.height), x, y, op);
  s.push_back(static_cast<char>((p.tmpl << 1) | (p.tpgdon ? 8 : 0) | (p.ext ? 16 : 0)));
  for (const Offset& o : p.at) {
    s.push_back(static_cast<char>(o.x));
    s.push_back(static_cast<char>(o.y));
  }
  return s + EncodeGeneric(image, p);
}

// The data of a refinement region segment (the reference is placed at the
// same origin, so the offsets must be 0).
inline std::string RefinementRegionData(const Image& image, const Image& reference, const RefineParams& p,
                                        uint32_t x = 0, uint32_t y = 0, int op = 0) {
  std::string s = RegionInfo(static_cast<uint32_t>(image.width), static_cast<uint32_t>(image.height), x, y, op);
  s.push_back(static_cast<char>(p.tmpl | (p.tpgron ? 2 : 0)));
  if (p.tmpl == 0) {
    for (int v : {p.at1.x, p.at1.y, p.at2.x, p.at2.y}) s.push_back(static_cast<char>(v));
  }
  return s + EncodeRefinement(image, reference, p);
}

// ---------------------------------------------------------------- test document

// Reads the segments of an embedded stream (with optional globals) and
// composes page 1 from its immediate regions: enough of a document to test
// the segments and regions against whole streams.
class TestDocument : public TvnSegmentDirectory {
 public:
  explicit TestDocument(std::string data, TestDocument* globals = nullptr)
      : data_(std::move(data)), globals_(globals) {
    stream_ = std::make_unique<TvnIOStream>(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(data_.data()), data_.size()), INT64_MAX, 0);
    int64_t offset = 0;
    while (offset + 4 <= static_cast<int64_t>(data_.size())) {
      auto header = std::make_unique<TvnSegmentHeader>(this, TvnSegmentHeader::kSequential, offset, stream_.get());
      offset = header->SegmentDataStartOffset() + header->SegmentyDataLength();
      const int type = header->SegmentType();
      (header->PageAssociation() == 0 ? globals_by_number_ : page_by_number_)[header->SegmentNumber()] = header.get();
      headers_.push_back(std::move(header));
      if (type == 51) break;
    }
  }

  TvnSegmentHeader* FindSegment(int64_t page, int64_t number) override {
    if (page != 0) {
      auto it = page_by_number_.find(number);
      if (it != page_by_number_.end()) return it->second;
    }
    auto it = globals_by_number_.find(number);
    if (it != globals_by_number_.end()) return it->second;
    return globals_ ? globals_->FindSegment(0, number) : nullptr;
  }

  const std::vector<std::unique_ptr<TvnSegmentHeader>>& Headers() const { return headers_; }

  // Page 1 with its immediate generic and refinement regions.
  Image ComposePage() {
    TvnPageInformation* info = nullptr;
    int64_t height = 0;
    for (auto& [number, header] : page_by_number_) {
      if (header->SegmentType() == 48) info = static_cast<TvnPageInformation*>(header->GetSegmentData());
      if (header->SegmentType() == 50)
        height = std::max(height, static_cast<TvnEndOfStripe*>(header->GetSegmentData())->GetLineNumber() + 1);
    }
    if (!info) return Image();
    if (info->GetHeight() != TvnPageInformation::kUnknownHeight) height = info->GetHeight();
    TvnImageBitmap page(info->GetWidth(), height);
    if (info->GetDefaultPixelValue()) page.SetByteArray(0xFF);
    for (auto& [number, header] : page_by_number_) {
      const int type = header->SegmentType();
      if (type != 38 && type != 39 && type != 42 && type != 43) continue;
      auto* region = static_cast<TvnIRegion*>(header->GetSegmentData());
      TvnRegionSegmentInformation* ri = region->GetRegionInfo();
      const FCombinationOPerator op =
          info->IsCombinationOperatorOverrideAllowed() ? ri->GetCombinationOperator() : info->GetCombinationOperator();
      page.Blit(*region->GetRegionBitmap(), ri->GetXLocation(), ri->GetYLocation(), op);
    }
    return FromBitmap(page);
  }

 private:
  std::string data_;
  TestDocument* globals_;
  std::unique_ptr<TvnIOStream> stream_;
  std::vector<std::unique_ptr<TvnSegmentHeader>> headers_;
  std::map<int64_t, TvnSegmentHeader*> page_by_number_;
  std::map<int64_t, TvnSegmentHeader*> globals_by_number_;
};

// Page 1 of an embedded stream.
inline Image DecodePage(const std::string& stream) { return TestDocument(stream).ComposePage(); }

// ---------------------------------------------------------------- oracles

// Skips the test when an oracle tool is missing, except in CI where that fails it.
#define VN_REQUIRE_TOOL(tool)                                                              \
  do {                                                                                     \
    if (::vn::pdf::testing::RunTool("command -v " tool) != 0) {                            \
      if (std::getenv("CI")) FAIL() << tool " is missing";                                 \
      GTEST_SKIP() << tool " is missing";                                                  \
    }                                                                                      \
  } while (0)

inline std::filesystem::path ScratchDir() {
  auto dir = std::filesystem::temp_directory_path() / ("jbig2_test_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  return dir;
}

// jbig2dec's page 1 of an embedded stream (with globals when given).
inline std::optional<Image> Jbig2dec(const std::string& stream, const std::string* globals = nullptr) {
  const auto dir = ScratchDir();
  const auto page = dir / "page.jb2";
  const auto glob = dir / "globals.jb2";
  const auto out = dir / "out.pbm";
  WriteFileBytes(page, stream);
  std::string args = "-e -t pbm -o " + pdf::testing::Quote(out.string()) + " ";
  if (globals) {
    WriteFileBytes(glob, *globals);
    args += pdf::testing::Quote(glob.string()) + " ";
  }
  std::filesystem::remove(out);
  pdf::testing::RunTool("jbig2dec -q " + args + pdf::testing::Quote(page.string()));
  if (!std::filesystem::exists(out)) return std::nullopt;
  return ReadPbm(ReadFileBytes(out));
}

}  // namespace vn::pdf::jbig2::testing
