#include "pdf/jbig2/text_region.h"

#include <algorithm>

#include "pdf/jbig2/decoding_impl.h"
#include "pdf/jbig2/exceptions.h"
#include "pdf/jbig2/generic_refinement_region.h"
#include "pdf/jbig2/symbol_dictionary.h"

namespace vn::pdf::jbig2 {

using detail::Fail;
using detail::Need;

namespace {

// The work charged for one symbol instance beside its pixels.
constexpr int64_t kInstanceWork = 128;

int64_t ReadFixed(TvnIOStream& stream, int bits) {
  const int64_t value = stream.ReadBits(bits);
  if (value < 0) Fail("text region data end early");
  return value;
}

// The refinement of `reference` (T.88 6.4.11 with the generic refinement
// procedure), over `decoder` and `contexts`.
std::unique_ptr<TvnImageBitmap> Refine(const TvnTextRegionParams& p, TvnArithmeticDecoder* decoder, TvnCX& contexts,
                                       const TvnImageBitmap& reference, int64_t rdw, int64_t rdh, int64_t rdx,
                                       int64_t rdy) {
  const int64_t width = reference.GetWidth() + rdw;
  const int64_t height = reference.GetHeight() + rdh;
  if (width < 0 || height < 0) Fail("refined symbol of negative size");
  TvnGenericRefinementRegion refinement;
  // floor(RDW / 2) + RDX and floor(RDH / 2) + RDY: the shifts round down.
  refinement.SetParameters(&contexts, decoder, p.rAtX, p.rAtY, false, (rdh >> 1) + rdy, (rdw >> 1) + rdx, &reference,
                           height, width, p.rTemplate);
  return refinement.TakeRegionBitmap();
}

}  // namespace

int SymbolCodeLength(int64_t count) {
  int length = 0;
  while (length < 62 && (int64_t{1} << length) < count) ++length;
  return length;
}

std::vector<std::unique_ptr<TvnHuffmanTable>> ReferredUserTables(const TvnSegmentHeader& header) {
  std::vector<std::unique_ptr<TvnHuffmanTable>> tables;
  for (TvnSegmentHeader* segment : header.ReferredSegments()) {
    if (segment->SegmentType() != 53) continue;
    auto* table = dynamic_cast<TvnTable*>(segment->GetSegmentData());
    if (!table) continue;
    tables.push_back(std::make_unique<TvnEncodedTable>(*table));
  }
  return tables;
}

std::unique_ptr<TvnImageBitmap> DecodeTextRegion(const TvnTextRegionParams& p, TvnIOStream& stream,
                                                 TvnArithmeticDecoder* decoder, TvnTextRegionContexts* cx,
                                                 TvnCX& refinementContexts) {
  auto region = std::make_unique<TvnImageBitmap>(p.width, p.height);
  if (p.defaultPixel) region->SetByteArray(0xFF);
  if (!p.symbols) Fail("text region without symbols");
  if (!p.huffman && (!decoder || !cx)) Fail("text region without a decoder");
  if (p.huffman && (!p.fs || !p.ds || !p.dt || (p.refine && (!p.rdw || !p.rdh || !p.rdx || !p.rdy || !p.rsize))))
    Fail("text region Huffman table missing");
  const std::vector<const TvnImageBitmap*>& symbols = *p.symbols;
  std::unique_ptr<TvnArithmeticIntegerDecoder> ints;
  if (!p.huffman) ints = std::make_unique<TvnArithmeticIntegerDecoder>(decoder);
  auto integer = [&](const TvnHuffmanTable* table, TvnCX* context) -> int64_t {
    return p.huffman ? table->Decode(stream) : ints->Decode(context);
  };
  const int64_t strips = int64_t{1} << p.logStrips;
  try {
    // The decoded DT values are multiplied by SBSTRIPS (T.88 6.4.6).
    int64_t strip_t = -Need(integer(p.dt, p.huffman ? nullptr : &cx->iadt), "text region DT out of band") * strips;
    int64_t first_s = 0;
    int64_t instances = 0;
    while (instances < p.instances) {
      strip_t += Need(integer(p.dt, p.huffman ? nullptr : &cx->iadt), "text region DT out of band") * strips;
      bool first = true;
      int64_t cur_s = 0;
      for (;;) {
        detail::CheckNotExhausted(decoder, "text region data exhausted");
        if (first) {
          first_s += Need(integer(p.fs, p.huffman ? nullptr : &cx->iafs), "text region DFS out of band");
          cur_s = first_s;
          first = false;
        } else {
          const int64_t ids = integer(p.ds, p.huffman ? nullptr : &cx->iads);
          if (ids == kOutOfBand) break;
          cur_s += ids + p.dsOffset;
        }
        // T.88 6.4.5: the strips hold SBNUMINSTANCES instances in all.
        if (instances >= p.instances) Fail("more symbol instances than the region declares");
        int64_t cur_t = 0;
        if (strips > 1) cur_t = p.huffman ? ReadFixed(stream, p.logStrips) : Need(ints->Decode(&cx->iait), "CURT");
        const int64_t t = strip_t + cur_t;
        int64_t id;
        if (!p.huffman) id = ints->DecodeIAID(cx->iaid, p.symCodeLen);
        else if (p.symbolIds) id = Need(p.symbolIds->Decode(stream), "symbol ID out of band");
        else id = ReadFixed(stream, p.symCodeLen);
        if (id < 0 || id >= static_cast<int64_t>(symbols.size()) || !symbols[static_cast<size_t>(id)])
          Fail("symbol ID out of range");
        int64_t ri = 0;
        if (p.refine) ri = p.huffman ? ReadFixed(stream, 1) : Need(ints->Decode(&cx->iari), "RI out of band");
        const TvnImageBitmap* symbol = symbols[static_cast<size_t>(id)];
        std::unique_ptr<TvnImageBitmap> refined;
        if (ri != 0) {
          const int64_t rdw = Need(integer(p.rdw, p.huffman ? nullptr : &cx->iardw), "RDW out of band");
          const int64_t rdh = Need(integer(p.rdh, p.huffman ? nullptr : &cx->iardh), "RDH out of band");
          const int64_t rdx = Need(integer(p.rdx, p.huffman ? nullptr : &cx->iardx), "RDX out of band");
          const int64_t rdy = Need(integer(p.rdy, p.huffman ? nullptr : &cx->iardy), "RDY out of band");
          if (p.huffman) {
            // The refinement's arithmetic data: BMSIZE bytes from the next
            // byte boundary, with a decoder of their own.
            const int64_t size = Need(p.rsize->Decode(stream), "BMSIZE out of band");
            stream.SkipBits();
            if (size < 0) Fail("negative BMSIZE");
            auto window = stream.SubWindow(stream.GetStreamPos(), size);
            TvnArithmeticDecoder own(window.get());
            refined = Refine(p, &own, refinementContexts, *symbol, rdw, rdh, rdx, rdy);
            stream.SkipBytes(size);
          } else {
            refined = Refine(p, decoder, refinementContexts, *symbol, rdw, rdh, rdx, rdy);
          }
          symbol = refined.get();
        }
        const int64_t wi = symbol->GetWidth();
        const int64_t hi = symbol->GetHeight();
        TvnWorkBudget::Charge(kInstanceWork + wi * hi / 4);
        // T.88 6.4.5 3 c vi to xi: the reference corner moves S before and
        // after the symbol is placed.
        const bool right = p.refCorner == kTopRight || p.refCorner == kBottomRight;
        const bool bottom = p.refCorner == kBottomLeft || p.refCorner == kBottomRight;
        if (!p.transposed && right) cur_s += wi - 1;
        else if (p.transposed && bottom) cur_s += hi - 1;
        int64_t x = p.transposed ? t : cur_s;
        int64_t y = p.transposed ? cur_s : t;
        if (right) x -= wi - 1;
        if (bottom) y -= hi - 1;
        region->Blit(*symbol, x, y, p.op);
        if (!p.transposed && !right) cur_s += wi - 1;
        else if (p.transposed && !bottom) cur_s += hi - 1;
        ++instances;
      }
    }
  } catch (const TvnJBIG2Exception&) {
    // Damaged or exhausted data: the instances placed so far stay. A spent
    // work budget ends the whole decoding.
    if (TvnWorkBudget::Spent()) throw;
  }
  return region;
}

void TvnTextRegion::Init(TvnSegmentHeader* header, std::unique_ptr<TvnIOStream> stream) {
  header_ = header;
  stream_ = std::move(stream);
  region_info_ = std::make_unique<TvnRegionSegmentInformation>(stream_.get());
  region_info_->ParseHeader();
  const int64_t flags = stream_->ReadInt16();
  if (flags < 0) Fail("text region header is truncated");
  TvnTextRegionParams& p = params_;
  p.huffman = flags & 1;
  p.refine = (flags >> 1) & 1;
  p.logStrips = static_cast<int>((flags >> 2) & 3);
  p.refCorner = static_cast<int>((flags >> 4) & 3);
  p.transposed = (flags >> 6) & 1;
  p.op = CombinationOperatorFromCode(static_cast<int>((flags >> 7) & 3));
  p.defaultPixel = static_cast<int>((flags >> 9) & 1);
  const int ds = static_cast<int>((flags >> 10) & 0x1F);
  p.dsOffset = ds >= 16 ? ds - 32 : ds;
  p.rTemplate = static_cast<int>((flags >> 15) & 1);
  if (p.huffman) {
    const int64_t huff = stream_->ReadInt16();
    if (huff < 0) Fail("text region header is truncated");
    for (int i = 0; i < 7; ++i) huffman_selection_[i] = static_cast<int>((huff >> (2 * i)) & 3);
    huffman_selection_[7] = static_cast<int>((huff >> 14) & 1);
  }
  if (!p.refine) {
    p.rTemplate = 0;
    for (int i = 3; i < 8; ++i) huffman_selection_[i] = 0;
  }
  if (p.refine && p.rTemplate == 0) {
    for (int i = 0; i < 2; ++i) {
      const int x = stream_->ReadByte();
      const int y = stream_->ReadByte();
      if (y < 0) Fail("text region header is truncated");
      p.rAtX[i] = static_cast<int8_t>(x);
      p.rAtY[i] = static_cast<int8_t>(y);
    }
  }
  p.instances = stream_->ReadInt32();
  if (p.instances < 0) Fail("text region header is truncated");
  p.width = region_info_->GetBitmapWidth();
  p.height = region_info_->GetBitmapHeight();
}

std::unique_ptr<TvnHuffmanTable> TvnTextRegion::ReadSymbolIdTable(int64_t count) {
  TvnIOStream& s = *stream_;
  std::vector<TvnCode> run_codes;
  for (int i = 0; i < 35; ++i) run_codes.emplace_back(static_cast<int>(ReadFixed(s, 4)), 0, i, false);
  TvnFixedSizeTable run_table(run_codes);
  std::vector<TvnCode> lines;
  lines.reserve(static_cast<size_t>(count));
  while (static_cast<int64_t>(lines.size()) < count) {
    const int64_t code = Need(run_table.Decode(s), "symbol ID run code out of band");
    int64_t repeat = 1;
    int length = static_cast<int>(code);
    if (code == 32) {
      if (lines.empty()) Fail("symbol ID table repeats nothing");
      length = lines.back().PrefixLength();
      repeat = 3 + ReadFixed(s, 2);
    } else if (code == 33) {
      length = 0;
      repeat = 3 + ReadFixed(s, 3);
    } else if (code == 34) {
      length = 0;
      repeat = 11 + ReadFixed(s, 7);
    }
    for (int64_t i = 0; i < repeat && static_cast<int64_t>(lines.size()) < count; ++i)
      lines.emplace_back(length, 0, static_cast<int64_t>(lines.size()), false);
  }
  s.SkipBits();
  return std::make_unique<TvnFixedSizeTable>(std::move(lines));
}

TvnImageBitmap* TvnTextRegion::GetRegionBitmap() {
  if (!decoded_) {
    decoded_ = true;
    Decode();
  }
  if (!bitmap_) Fail("text region could not be decoded");
  return bitmap_.get();
}

void TvnTextRegion::Decode() {
  TvnReferenceDepthGuard guard;
  TvnTextRegionParams p = params_;
  // The symbols: the exported symbols of the dictionaries referred to.
  std::vector<const TvnImageBitmap*> symbols;
  for (TvnSegmentHeader* segment : header_->ReferredSegments()) {
    if (segment->SegmentType() != 0) continue;
    auto* dictionary = dynamic_cast<TvnIDictionary*>(segment->GetSegmentData());
    const std::vector<TvnImageBitmap*>* exported = dictionary ? dictionary->GetDictionary() : nullptr;
    if (exported) symbols.insert(symbols.end(), exported->begin(), exported->end());
  }
  p.symbols = &symbols;
  std::unique_ptr<TvnHuffmanTable> symbol_ids;
  std::vector<std::unique_ptr<TvnHuffmanTable>> user_tables;
  if (p.huffman) {
    if (static_cast<int64_t>(symbols.size()) > kMaxSymbols) Fail("too many symbols");
    symbol_ids = ReadSymbolIdTable(static_cast<int64_t>(symbols.size()));
    p.symbolIds = symbol_ids.get();
    user_tables = ReferredUserTables(*header_);
    size_t next_user = 0;
    auto user = [&]() -> const TvnHuffmanTable* {
      if (next_user >= user_tables.size()) Fail("text region user table missing");
      return user_tables[next_user++].get();
    };
    auto pick = [&](int selection, std::initializer_list<int> standard) -> const TvnHuffmanTable* {
      const int user_code = selection == 1 && standard.size() == 1 ? 1 : 3;
      if (selection == user_code) return user();
      if (selection >= static_cast<int>(standard.size())) Fail("text region Huffman selection not allowed");
      return &TvnStandardTables::GetTable(standard.begin()[selection]);
    };
    const int* sel = huffman_selection_;
    p.fs = pick(sel[0], {6, 7});
    p.ds = pick(sel[1], {8, 9, 10});
    p.dt = pick(sel[2], {11, 12, 13});
    if (p.refine) {
      p.rdw = pick(sel[3], {14, 15});
      p.rdh = pick(sel[4], {14, 15});
      p.rdx = pick(sel[5], {14, 15});
      p.rdy = pick(sel[6], {14, 15});
      p.rsize = pick(sel[7], {1});
    }
  } else {
    p.symCodeLen = SymbolCodeLength(static_cast<int64_t>(symbols.size()));
    if (p.symCodeLen > kMaxSymbolCodeLength) Fail("too many symbols");
  }
  TvnCX refinement_contexts(8192, 1);
  if (p.huffman) {
    bitmap_ = DecodeTextRegion(p, *stream_, nullptr, nullptr, refinement_contexts);
  } else {
    TvnArithmeticDecoder decoder(stream_.get());
    TvnTextRegionContexts contexts(p.symCodeLen);
    bitmap_ = DecodeTextRegion(p, *stream_, &decoder, &contexts, refinement_contexts);
  }
}

}  // namespace vn::pdf::jbig2
