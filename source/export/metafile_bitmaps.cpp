// The bitmap records of the metafile player: blits and stretched bitmaps
// become image items with image resources of the engine; successive blits
// onto one place combine by their raster operation; scan-line bands extend
// the image before them; blits without a bitmap become filled rectangles,
// tiled with the brush's pattern when it has one. JPEG data kept in a
// STRETCHDIBITS record pass through to the engine undecoded.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <system_error>
#include <thread>

#include "export/metafile_processor.h"
#include "platform/emf/dib.h"
#include "platform/images/image_codecs.h"
#include "runtime/numbers.h"

namespace vn::exporter {

using namespace vn::platform::emf;
using vn::platform::Bitmap;
using vn::platform::PixelFormat;

namespace {

// The bounds of a record include their last pixel; the rectangle here ends
// after it. Bounds that hold nothing give way to the destination rectangle.
RectL ExclusiveBounds(const RectL& b, int32_t x, int32_t y, int32_t cx, int32_t cy) {
  if (b.right >= b.left && b.bottom >= b.top && b.right < INT32_MAX && b.bottom < INT32_MAX)
    return {b.left, b.top, b.right + 1, b.bottom + 1};
  const int64_t r = int64_t{x} + cx, bo = int64_t{y} + cy;
  auto clamp = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
  return {std::min(x, clamp(r)), std::min(y, clamp(bo)), std::max(x, clamp(r)), std::max(y, clamp(bo))};
}

TvnRect AsRect(const RectL& r) { return {double(r.left), double(r.top), double(r.right), double(r.bottom)}; }
bool IsZero(const TvnRect& r) { return r == TvnRect{}; }

// One byte of a ternary raster operation: bit (p << 2 | s << 1 | d) of
// the operation's code gives each result bit.
uint8_t Rop3(uint8_t code, uint8_t p, uint8_t s, uint8_t d) {
  uint8_t r = 0;
  for (int k = 0; k < 8; ++k)
    if ((code >> k) & 1) r |= static_cast<uint8_t>((k & 4 ? p : ~p) & (k & 2 ? s : ~s) & (k & 1 ? d : ~d));
  return r;
}

// Draws `src` onto `dst` at (0, 0) with a raster operation; both 24-bit.
// The pattern is the solid colour `brush` (0x00BBGGRR).
void DrawWithRop(Bitmap& dst, const Bitmap& src, uint32_t rop, TColor brush) {
  const uint8_t code = static_cast<uint8_t>((rop >> 16) & 0xFF);
  const int w = std::min(dst.Width(), src.Width()), h = std::min(dst.Height(), src.Height());
  const uint8_t pattern[3] = {static_cast<uint8_t>(brush >> 16), static_cast<uint8_t>(brush >> 8), static_cast<uint8_t>(brush)};
  for (int y = 0; y < h; ++y) {
    const auto s = src.Row(y);
    const auto d = dst.MutableRow(y);
    if (code == 0xCC) {
      std::memcpy(d.data(), s.data(), size_t(w) * 3);
      continue;
    }
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) d[size_t(x) * 3 + c] = Rop3(code, pattern[c], s[size_t(x) * 3 + c], d[size_t(x) * 3 + c]);
  }
}

Bitmap To24(const Bitmap& b) { return b.Format() == PixelFormat::pf24bit ? b : b.ConvertTo(PixelFormat::pf24bit); }

Bitmap White24(int w, int h) {
  Bitmap b(w, h, PixelFormat::pf24bit);
  std::fill(b.MutableBits(), b.MutableBits() + b.Stride() * size_t(h), uint8_t{0xFF});
  return b;
}

// Streams from this size on are digested beside their decoding.
constexpr size_t kParallelDigestBytes = size_t{1} << 20;

bool IsPatternRop(uint32_t rop) { return rop != BLACKNESS && rop != WHITENESS; }

}  // namespace

std::string TvnMetafileProcessor::BuildBitmapStream(const DibData& dib) {
  RecordBuilder b;
  b.U8('B');
  b.U8('M');
  b.U32(static_cast<uint32_t>(dib.info.size() + dib.bits.size() + 14));
  b.U16(0);
  b.U16(0);
  b.U32(static_cast<uint32_t>(dib.info.size() + 14));
  b.Bytes(dib.info);
  b.Bytes(dib.bits);
  return b.bytes();
}

std::optional<Bitmap> TvnMetafileProcessor::DecodeBitmap(const Record& rec, const std::string& stream) {
  try {
    return vn::platform::DecodeBmp(vn::platform::AsBytes(stream), {.Report = &FDiagnostics});
  } catch (const vn::Exception& e) {
    Report(rec, e.what());
    return std::nullopt;
  }
}

std::unique_ptr<TvnImageItem> TvnMetafileProcessor::NewImageItem() const {
  auto item = std::make_unique<TvnImageItem>();
  item->Settings.Assign(FEngine->FImageSettings);
  if (!item->Settings.Autosize) item->Settings.Stretch = true;
  if (FPaint) item->BlendMode = FPaint->blendMode;
  return item;
}

TvnImageItem* TvnMetafileProcessor::FindPreviousImage(const TvnRect& r) const {
  const TvnItemList& list = *FEngine->FCurrentDocumentItemList;
  if (list.empty() || list.back()->Kind() != TvnItemKind::Image) return nullptr;
  auto& item = static_cast<TvnImageItem&>(*list.back());
  if (item.X == r.Left && item.Y == r.Top && item.Width == double(vn::Round(r.Right - r.Left)) &&
      item.Height == double(vn::Round(r.Bottom - r.Top)))
    return &item;
  return nullptr;
}

const Bitmap* TvnMetafileProcessor::ItemBitmap(const TvnImageItem& item) const {
  const auto& resources = FEngine->FImageResourceList;
  if (item.IndexNo < 0 || size_t(item.IndexNo) >= resources.size()) return nullptr;
  const auto* graphic = dynamic_cast<const TvnBitmapGraphic*>(resources[size_t(item.IndexNo)].Graphic.get());
  return graphic ? &graphic->Bitmap() : nullptr;
}

void TvnMetafileProcessor::ReplaceItemBitmap(TvnImageItem& item, Bitmap bitmap) {
  auto& resources = FEngine->FImageResourceList;
  auto& entry = resources[size_t(item.IndexNo)];
  // A resource other items show as well (equal pictures found it by its
  // digest, or it was handed out for sharing) keeps its picture: the item
  // takes a resource of its own.
  if (entry.Reused || entry.Shared) {
    resources.push_back({std::make_unique<TvnBitmapGraphic>(std::move(bitmap)), nullptr, std::nullopt});
    item.IndexNo = static_cast<int32_t>(resources.size()) - 1;
  } else {
    entry.Graphic = std::make_unique<TvnBitmapGraphic>(std::move(bitmap));
    entry.Hash.reset();  // the digest was the old picture's
  }
}

void TvnMetafileProcessor::DoBlt(const Record& rec) {
  const uint32_t type = rec.type;
  auto b = EmrBlt::Decode(rec.Payload(), type);
  if (!b) return Report(rec, "damaged bitmap record");
  if (type == EMR_BITBLT && b->rop == SRCAND) {
    FSRand = true;
    return;
  }
  const RectL bounds = ExclusiveBounds(b->bounds, b->xDest, b->yDest, b->cxDest, b->cyDest);
  if (b->dib.empty()) return DoBlitWithoutBitmap(rec, b->rop, bounds, b->xDest, b->yDest, b->cxDest, b->cyDest);
  if (type != EMR_BITBLT && !FProcessImage) return;
  auto item = NewImageItem();
  TvnPoint xy = TransformPoint(b->xDest, b->yDest);
  const TvnRect br = TransformRect(bounds.left, bounds.top, bounds.right, bounds.bottom);
  double w = br.Right - br.Left, h = br.Bottom - br.Top;
  if (type == EMR_STRETCHBLT) {
    const TvnPoint e = TransformExtent(b->cxDest, b->cyDest);
    w = e.X, h = e.Y;
  }
  TvnRect display{xy.X, xy.Y, xy.X + std::abs(w), xy.Y + std::abs(h)};
  if (type == EMR_STRETCHBLT || FIsClipRect) FClipRect = AsRect(bounds);
  if (!IsZero(FClipRect)) {
    item->Settings.Center = FClipRect.Left != xy.X || FClipRect.Top != xy.Y;
    if (br.Left == FClipRect.Left && br.Top == FClipRect.Top) xy = {FClipRect.Left, FClipRect.Top};
    if (type == EMR_MASKBLT || type == EMR_STRETCHBLT) {
      w = FClipRect.Right - FClipRect.Left;
      h = FClipRect.Bottom - FClipRect.Top;
    }
    if (type == EMR_STRETCHBLT) {
      if (int64_t{b->cxSrc} * b->cxDest < 0) w = -w;
      if (int64_t{b->cySrc} * b->cyDest < 0) h = -h;
    } else {
      FClipRect = {};
    }
  } else if (type == EMR_STRETCHBLT) {
    item->Settings.Stretch = true;
  } else {
    const TvnPoint size = TransformPoint(b->cxDest, b->cyDest);
    if (size.X != w || size.Y != h) item->Settings.Stretch = true;
    if (type == EMR_MASKBLT) xy = {br.Left, br.Top};
  }
  PlaceBitmap(rec, std::move(item), {xy.X, xy.Y, xy.X + w, xy.Y + h}, display, b->dib, b->rop);
  FIsClipRect = false;
}

void TvnMetafileProcessor::DoAlphaBlt(const Record& rec) {
  if (!FProcessImage) return;
  auto b = EmrBlt::Decode(rec.Payload(), rec.type);
  if (!b) return Report(rec, "damaged bitmap record");
  if (b->dib.empty()) return;
  auto decoded = vn::platform::DecodeDib(b->dib, true, &FDiagnostics);
  if (!decoded || decoded->Empty()) return Report(rec, "bitmap damaged or too large");
  const Bitmap pixels = decoded->Format() == PixelFormat::pf32bit ? std::move(*decoded) : decoded->ConvertTo(PixelFormat::pf32bit);
  // The picture keeps its transparency: straight alpha in a 32-bit bitmap.
  Bitmap bitmap(pixels.Width(), pixels.Height(), PixelFormat::pf32bit);
  bitmap.SetHasAlpha(true);
  const uint32_t blend = b->rop;  // ALPHABLEND: BLENDFUNCTION; TRANSPARENTBLT: the transparent colour
  const bool premultiplied = (blend >> 24) & 1;  // AC_SRC_ALPHA
  const uint32_t constant = (blend >> 16) & 0xFF;
  for (int y = 0; y < pixels.Height(); ++y) {
    const uint8_t* in = pixels.Row(y).data();
    uint8_t* out = bitmap.MutableRow(y).data();
    for (int x = 0; x < pixels.Width(); ++x, in += 4, out += 4) {
      uint32_t a = 255;
      if (rec.type == EMR_ALPHABLEND) {
        a = premultiplied ? in[3] : 255;
        for (int c = 0; c < 3; ++c) out[c] = premultiplied && a ? uint8_t(std::min<uint32_t>(255, in[c] * 255u / a)) : in[c];
        a = a * constant / 255;
      } else {
        std::memcpy(out, in, 3);
        const TColor color = TColor(in[2]) | TColor(in[1]) << 8 | TColor(in[0]) << 16;
        if (color == (blend & 0xFFFFFF)) a = 0;
      }
      out[3] = static_cast<uint8_t>(a);
    }
  }
  auto item = NewImageItem();
  const TvnPoint xy = TransformPoint(b->xDest, b->yDest), size = TransformExtent(b->cxDest, b->cyDest);
  const TvnRect place{xy.X, xy.Y, xy.X + size.X, xy.Y + size.Y};
  Locate(*item, place, place);
  item->Settings.Stretch = true;
  auto& resources = FEngine->FImageResourceList;
  resources.push_back({std::make_unique<TvnBitmapGraphic>(std::move(bitmap)), nullptr, std::nullopt});
  item->IndexNo = static_cast<int32_t>(resources.size()) - 1;
  FEngine->FImageItem = item.get();
  AppendItem(std::move(item));
}

void TvnMetafileProcessor::DoStretchDIBits(const Record& rec) {
  auto b = EmrStretchDIBits::Decode(rec.Payload());
  if (!b) return Report(rec, "damaged bitmap record");
  const RectL bounds = ExclusiveBounds(b->bounds, b->xDest, b->yDest, b->cxDest, b->cyDest);
  if (b->dib.empty()) {
    if (!FProcessText && !FProcessImage && !FProcessShape) return;
    return DoBlitWithoutBitmap(rec, b->rop, bounds, b->xDest, b->yDest, b->cxDest, b->cyDest);
  }
  if (!FProcessImage) return;
  auto item = NewImageItem();
  TvnPoint xy = TransformPoint(b->xDest, b->yDest);
  const TvnRect br = TransformRect(bounds.left, bounds.top, bounds.right, bounds.bottom);
  TvnPoint size{double(b->cxDest), double(b->cyDest)};
  if (FStretchMode != 4 && !FIsTransApplied) size = TransformPoint(b->cxDest, b->cyDest);
  double w = size.X, h = size.Y;
  const TvnRect display{xy.X, xy.Y, xy.X + w, xy.Y + h};
  FClipRect = AsRect(bounds);
  if (!IsZero(FClipRect)) {
    item->Settings.Center = FClipRect.Left != xy.X || FClipRect.Top != xy.Y;
    if (br.Left == FClipRect.Left && br.Top == FClipRect.Top) xy = {FClipRect.Left, FClipRect.Top};
    if (b->cxSrc != b->cxDest || int64_t{b->cxSrc} - b->xSrc == int64_t{b->cxDest} - b->xDest)
      w = (FClipRect.Right - FClipRect.Left) * FSx;
    if (b->cySrc != b->cyDest || int64_t{b->cySrc} - b->ySrc == int64_t{b->cyDest} - b->yDest)
      h = (FClipRect.Bottom - FClipRect.Top) * FSy;
  } else {
    item->Settings.Stretch = true;
  }
  const TvnRect place{xy.X, xy.Y, xy.X + w, xy.Y + h};
  const auto info = vn::platform::ReadDibInfo(b->dib.info);
  if (info && info->compression == BI_JPEG && b->rop == SRCCOPY)
    PlaceJpeg(rec, *item, place, display, b->dib);
  else
    PlaceBitmap(rec, std::move(item), place, display, b->dib, b->rop);
  FIsClipRect = false;
}

void TvnMetafileProcessor::Locate(TvnImageItem& item, const TvnRect& place, const TvnRect& display) const {
  item.X = place.Left + FStartX;
  item.Y = place.Top + FStartY;
  item.Width = place.Right - place.Left;
  item.Height = place.Bottom - place.Top;
  item.DisplayRect = {display.Left + FStartX, display.Top + FStartY, display.Right + FStartX, display.Bottom + FStartY};
}

void TvnMetafileProcessor::PlaceJpeg(const Record& rec, const TvnImageItem& placed, const TvnRect& place, const TvnRect& display,
                                     const DibData& dib) {
  // JPEG data the raster road would not draw are skipped here too, before
  // the engine, which passes them through undecoded, could fail the
  // document on them.
  const auto info = vn::platform::ReadJpegBitsInfo(dib.bits);
  if (!info) return Report(rec, "JPEG data that do not decode are skipped");
  auto item = std::make_unique<TvnImageStream>();
  item->Settings.Assign(placed.Settings);
  item->BlendMode = placed.BlendMode;
  Locate(*item, place, display);
  item->Stream.WriteString(dib.bits);
  item->Stream.SetPosition(0);
  item->ImageWidth = info->Width;
  item->ImageHeight = info->Height;
  item->IndexNo = FEngine->AddStreamResource(&item->Stream);
  FEngine->FImageStream = item.get();
  AppendItem(std::move(item));
}

void TvnMetafileProcessor::PlaceBitmap(const Record& rec, std::unique_ptr<TvnImageItem> item, const TvnRect& place,
                                       const TvnRect& display, const DibData& dib, uint32_t rop) {
  Locate(*item, place, display);
  const std::string stream = BuildBitmapStream(dib);
  // Equal bitmaps drawn with the same operation share one resource: the
  // digest of the stream followed by the operation. A large stream is
  // digested on a second thread while it is decoded here; the digest is the
  // same either way.
  TvnHashValue hash;
  auto digest = [&stream, &hash, rop, &md5 = FEngine->FMD5ImageHash] {
    md5.Initilize();
    for (size_t done = 0; done < stream.size();) {
      const uint32_t piece = static_cast<uint32_t>(std::min<size_t>(stream.size() - done, size_t{1} << 30));
      md5.Update(stream.data() + done, piece, true);
      done += piece;
    }
    md5.Update(&rop, sizeof rop, true);
    md5.Finalize(hash.HashValue);
  };
  std::thread digester;
  if (stream.size() >= kParallelDigestBytes) {
    try {
      digester = std::thread(digest);
    } catch (const std::system_error&) {
      // No thread to be had: digested below, in turn.
    }
  }
  struct JoinAtExit {
    std::thread& worker;
    ~JoinAtExit() {
      if (worker.joinable()) worker.join();
    }
  } joinDigester{digester};
  auto decoded = DecodeBitmap(rec, stream);
  if (!decoded) return;
  if (digester.joinable()) {
    digester.join();
  } else {
    digest();
  }
  Bitmap source = decoded->Format() == PixelFormat::pf24bit ? std::move(*decoded) : To24(*decoded);
  auto& resources = FEngine->FImageResourceList;
  if (TvnImageItem* previous = FindPreviousImage({item->X, item->Y, item->X + item->Width, item->Y + item->Height})) {
    if (const Bitmap* picture = ItemBitmap(*previous)) {
      // A blit onto the image just drawn at the same place combines with it.
      Bitmap combined = To24(*picture);
      DrawWithRop(combined, source, rop, FCurrentBrush.Color);
      ReplaceItemBitmap(*previous, std::move(combined));
      return;
    }
  }
  Bitmap drawn;
  if (rop != SRCCOPY) {
    drawn = White24(source.Width(), source.Height());
    DrawWithRop(drawn, source, rop, FCurrentBrush.Color);
  } else {
    drawn = std::move(source);
  }
  const int32_t found = FEngine->FindResourceByHash(hash);
  if (found >= 0) {
    item->IndexNo = found;
  } else {
    resources.push_back({std::make_unique<TvnBitmapGraphic>(std::move(drawn)), nullptr, hash});
    item->IndexNo = static_cast<int32_t>(resources.size()) - 1;
  }
  FEngine->FImageItem = item.get();
  AppendItem(std::move(item));
}

void TvnMetafileProcessor::DoSetDIBitsToDevice(const Record& rec) {
  auto b = EmrSetDIBitsToDevice::Decode(rec.Payload());
  if (!b) return Report(rec, "damaged bitmap record");
  const RectL bounds = ExclusiveBounds(b->bounds, b->xDest, b->yDest, b->cxSrc, b->cySrc);
  if (b->dib.empty()) {
    if (!FProcessText && !FProcessImage && !FProcessShape) return;
    return DoBlitWithoutBitmap(rec, 0, bounds, b->xDest, b->yDest, b->cxSrc, b->cySrc);
  }
  if (!FProcessImage) return;
  // The record carries only its scan lines: the header's height is made
  // theirs so the bits decode as one band.
  DibData band = b->dib;
  ByteReader header(band.info);
  if (header.U32LE() == 12 && band.info.size() >= 12) {
    // A core header holds its height in 16 bits at offset 6 (rows go up).
    if (b->cScans > 0 && b->cScans <= 0xFFFF) {
      const uint16_t rows = static_cast<uint16_t>(b->cScans);
      std::memcpy(band.info.data() + 6, &rows, 2);
    }
  } else if (band.info.size() >= 12 && b->cScans > 0 && b->cScans <= INT32_MAX) {
    ByteReader r(band.info);
    r.Seek(8);
    const int32_t height = r.I32LE();
    const int32_t rows = static_cast<int32_t>(b->cScans);
    const int32_t patched = height < 0 ? -rows : rows;
    std::memcpy(band.info.data() + 8, &patched, 4);
  }
  auto decoded = DecodeBitmap(rec, BuildBitmapStream(band));
  if (!decoded) return;
  Bitmap rows = To24(*decoded);
  auto& resources = FEngine->FImageResourceList;
  if (b->startScan == 0) {
    const TvnRect br = TransformRect(bounds.left, bounds.top, bounds.right, bounds.bottom);
    auto item = NewImageItem();
    Locate(*item, br, br);
    resources.push_back({std::make_unique<TvnBitmapGraphic>(std::move(rows)), nullptr, std::nullopt});
    item->IndexNo = static_cast<int32_t>(resources.size()) - 1;
    FEngine->FImageItem = item.get();
    AppendItem(std::move(item));
    return;
  }
  // A further band goes below the rows of the image drawn last.
  TvnItemList& list = *FEngine->FCurrentDocumentItemList;
  if (list.empty() || list.back()->Kind() != TvnItemKind::Image) return Report(rec, "scan lines without an image before them");
  auto& last = static_cast<TvnImageItem&>(*list.back());
  const Bitmap* old = ItemBitmap(last);
  if (!old) return;
  const uint64_t height = uint64_t(old->Height()) + uint64_t(rows.Height());
  if (height * uint64_t(rows.Width()) > vn::platform::kMaxImagePixels || height > INT32_MAX) return Report(rec, "scan lines make the image too large");
  Bitmap joined = White24(rows.Width(), static_cast<int>(height));
  const Bitmap top = To24(*old);
  const size_t copy = size_t(std::min(top.Width(), rows.Width())) * 3;
  for (int y = 0; y < top.Height(); ++y) std::memcpy(joined.MutableRow(y).data(), top.Row(y).data(), copy);
  for (int y = 0; y < rows.Height(); ++y)
    std::memcpy(joined.MutableRow(top.Height() + y).data(), rows.Row(y).data(), size_t(rows.Width()) * 3);
  ReplaceItemBitmap(last, std::move(joined));
  last.Height = static_cast<double>(height);
}

void TvnMetafileProcessor::DoBlitWithoutBitmap(const Record& rec, uint32_t rop, const RectL& bounds, int32_t xDest,
                                               int32_t yDest, int32_t cxDest, int32_t cyDest) {
  if (rec.type == EMR_BITBLT) {
    static const uint32_t kFills[] = {0x42, 0x1100A6, 0x330008, 0x440328, 0x550009, 0x5A0049, 0x660046,
                                      0xBB0226, 0xC000CA, 0xCC0020, 0xEE0086, 0xF00021, 0xFB0A09, 0xFF0062};
    if (!FProcessShape || std::find(std::begin(kFills), std::end(kFills), rop) == std::end(kFills)) return;
    auto shape = NewShape(TvnShapeType::stRectangle);
    shape->Pen.Style = TPenStyle::psClear;
    // Black and white fills do not depend on the brush.
    if (rop == BLACKNESS || rop == WHITENESS) *shape->Brush = TBrush{rop == BLACKNESS ? clBlack : clWhite, TBrushStyle::bsSolid};
    const bool pattern = FCurrentBrush.Pattern && IsPatternRop(rop);
    if (FBKMode == TRANSPARENT && pattern) shape->Brush->Color = FTextColor;
    const int64_t right = int64_t{xDest} + cxDest, bottom = int64_t{yDest} + cyDest;
    shape->SetPoints({Place({xDest, yDest}), Place({static_cast<int32_t>(std::clamp<int64_t>(right, INT32_MIN, INT32_MAX)),
                                                    static_cast<int32_t>(std::clamp<int64_t>(bottom, INT32_MIN, INT32_MAX))})});
    const TvnPoints corners = shape->GetPoints();
    AppendItem(std::move(shape));
    if (pattern) PatternFill(rec, corners[0], corners[1]);
    return;
  }
  FStretchBltRect = rec.type == EMR_STRETCHBLT ? AsRect(bounds) : TransformRect(bounds.left, bounds.top, bounds.right, bounds.bottom);
  if (FProcessText && !FPTextList->empty()) {
    FJustProcessedStretchBltShape = true;
    if (FJustProcessedTextItem > 0) --FJustProcessedTextItem;
  } else if (FProcessShape) {
    FJustProcessedStretchBltShape = true;
  }
  FlushBlitShape();
}

void TvnMetafileProcessor::FlushBlitShape() {
  if (FJustProcessedTextItem > 0) --FJustProcessedTextItem;
  if (!FJustProcessedStretchBltShape || !FProcessShape) return;
  const TvnPoint p1{FStretchBltRect.Left, FStretchBltRect.Top}, p2{FStretchBltRect.Right, FStretchBltRect.Bottom};
  std::unique_ptr<TvnShapeItem> shape;
  if (p1.X != p2.X && p1.Y != p2.Y) {
    shape = NewShape(TvnShapeType::stRectangle);
    if (FBKMode == OPAQUE)
      shape->Pen.Color = FBKColor;
    else
      shape->Pen.Style = TPenStyle::psClear;
    if (FROP2 == 13) shape->Pen.Color = shape->Brush->Color;  // R2_COPYPEN
  } else {
    shape = NewShape(TvnShapeType::stLine);
    shape->Pen.Color = FCurrentBrush.Color;
  }
  shape->SetPoints({{p1.X * FSx + FStartX, p1.Y * FSy + FStartY}, {p2.X * FSx + FStartX, p2.Y * FSy + FStartY}});
  AppendItem(std::move(shape));
  FJustProcessedStretchBltShape = false;
}

void TvnMetafileProcessor::PatternFill(const Record& rec, const TvnPoint& a, const TvnPoint& b) {
  const Bitmap& pattern = *FCurrentBrush.Pattern;
  const double left = std::min(a.X, b.X), top = std::min(a.Y, b.Y), right = std::max(a.X, b.X), bottom = std::max(a.Y, b.Y);
  TvnClipStep step;
  step.Mode = RGN_AND;
  step.Rects.push_back(TRect{vn::RoundToInt(left), vn::RoundToInt(top), vn::RoundToInt(right), vn::RoundToInt(bottom)});
  AppendClip(step);
  const int pw = pattern.Width(), ph = pattern.Height();
  if (pw > 0 && ph > 0) {
    const double columns = std::ceil((right - left) / pw), rows = std::ceil((bottom - top) / ph);
    const double left_over = double(kMaxPatternTiles - FPatternTiles);
    if (!(columns <= left_over && rows <= left_over && columns * rows <= left_over)) {
      Report(rec, "pattern fill needs too many tiles; the rectangle is filled with the brush colour");
    } else {
      const int32_t index = FEngine->AddGraphicResource(std::make_unique<TvnBitmapGraphic>(pattern));
      // Tiles are counted, not stepped to: far from the origin adding a
      // tile's size may leave a coordinate as it is.
      for (int32_t row = 0; row < static_cast<int32_t>(rows); ++row)
        for (int32_t column = 0; column < static_cast<int32_t>(columns); ++column) {
          const double x = left + double(column) * pw, y = top + double(row) * ph;
          auto tile = NewImageItem();
          tile->IndexNo = index;
          tile->X = x, tile->Y = y, tile->Width = pw, tile->Height = ph;
          tile->DisplayRect = {x, y, x + pw, y + ph};
          tile->Settings.Stretch = true;
          if (FBKMode == TRANSPARENT) tile->Settings.Transparent = true;
          AppendItem(std::move(tile));
          ++FPatternTiles;
        }
    }
  }
  // The tiles' clip ends; the metafile's own clip is set again.
  RestoreClip(FClipSteps);
}

}  // namespace vn::exporter
