#include "pdf/jbig2/symbol_dictionary.h"

#include <algorithm>

#include "pdf/jbig2/decoding_impl.h"
#include "pdf/jbig2/exceptions.h"
#include "pdf/jbig2/generic_refinement_region.h"
#include "pdf/jbig2/generic_region.h"
#include "pdf/jbig2/mmr_decompressor.h"
#include "pdf/jbig2/text_region.h"

namespace vn::pdf::jbig2 {

using detail::Fail;
using detail::Need;

namespace {

constexpr int64_t kSymbolWork = 128;

}  // namespace

void TvnSymbolDictionary::Init(TvnSegmentHeader* header, std::unique_ptr<TvnIOStream> stream) {
  header_ = header;
  stream_ = std::move(stream);
  TvnIOStream& s = *stream_;
  const int64_t flags = s.ReadInt16();
  if (flags < 0) Fail("symbol dictionary header is truncated");
  huffman_ = flags & 1;
  refagg_ = (flags >> 1) & 1;
  huff_dh_ = static_cast<int>((flags >> 2) & 3);
  huff_dw_ = static_cast<int>((flags >> 4) & 3);
  huff_bmsize_ = static_cast<int>((flags >> 6) & 1);
  huff_agginst_ = static_cast<int>((flags >> 7) & 1);
  context_used_ = (flags >> 8) & 1;
  context_retained_ = (flags >> 9) & 1;
  template_ = static_cast<int>((flags >> 10) & 3);
  r_template_ = static_cast<int>((flags >> 12) & 1);
  auto byte = [&] {
    const int b = s.ReadByte();
    if (b < 0) Fail("symbol dictionary header is truncated");
    return static_cast<int8_t>(b);
  };
  if (!huffman_) {
    const int pairs = template_ == 0 ? 4 : 1;
    for (int i = 0; i < pairs; ++i) {
      at_x_.push_back(byte());
      at_y_.push_back(byte());
    }
  }
  if (refagg_ && r_template_ == 0) {
    for (int i = 0; i < 2; ++i) {
      r_at_x_[i] = byte();
      r_at_y_[i] = byte();
    }
  }
  num_export_ = s.ReadInt32();
  num_new_ = s.ReadInt32();
  if (num_export_ < 0 || num_new_ < 0) Fail("symbol dictionary header is truncated");
  // T.88 7.4.2.1.1: settings that do not apply are 0.
  if (huffman_) {
    template_ = 0;
    if (!refagg_) context_used_ = context_retained_ = false;
  } else {
    huff_bmsize_ = huff_dw_ = huff_dh_ = 0;
    if (!refagg_) huff_agginst_ = 0;
  }
}

const std::vector<TvnImageBitmap*>* TvnSymbolDictionary::GetDictionary() {
  if (failed_) Fail("symbol dictionary could not be decoded");
  if (!decoded_) {
    failed_ = true;
    Decode();
    failed_ = false;
    decoded_ = true;
  }
  return &export_;
}

void TvnSymbolDictionary::InheritContexts() {
  const auto& referred = header_->ReferredSegments();
  for (auto it = referred.rbegin(); it != referred.rend(); ++it) {
    if ((*it)->SegmentType() != 0) continue;
    auto* last = dynamic_cast<TvnSymbolDictionary*>((*it)->GetSegmentData());
    if (!last) return;
    last->GetDictionary();
    if (const TvnCX* gb = last->RetainedGenericContexts()) gb_cx_ = std::make_unique<TvnCX>(*gb);
    if (const TvnCX* gr = last->RetainedRefinementContexts()) gr_cx_ = std::make_unique<TvnCX>(*gr);
    return;
  }
}

void TvnSymbolDictionary::Decode() {
  TvnReferenceDepthGuard guard;
  TvnIOStream& s = *stream_;
  // Imported symbols: the exports of the dictionaries referred to, in order.
  std::vector<const TvnImageBitmap*> symbols;  // SDINSYMS, then the new ones
  std::vector<TvnImageBitmap*> imported;
  for (TvnSegmentHeader* segment : header_->ReferredSegments()) {
    if (segment->SegmentType() != 0) continue;
    auto* dictionary = dynamic_cast<TvnIDictionary*>(segment->GetSegmentData());
    const std::vector<TvnImageBitmap*>* exported = dictionary ? dictionary->GetDictionary() : nullptr;
    if (exported) imported.insert(imported.end(), exported->begin(), exported->end());
  }
  const int64_t num_in = static_cast<int64_t>(imported.size());
  if (num_in > kMaxSymbols || num_new_ > kMaxSymbols - num_in) Fail("too many symbols");
  symbols.assign(imported.begin(), imported.end());
  if (context_used_) InheritContexts();
  if (!gb_cx_) gb_cx_ = std::make_unique<TvnCX>(65536, 1);
  if (!gr_cx_) gr_cx_ = std::make_unique<TvnCX>(8192, 1);

  int sym_code_len = 0;
  if (refagg_) {
    sym_code_len = SymbolCodeLength(num_in + num_new_);
    if (huffman_) sym_code_len = std::max(sym_code_len, 1);
  }

  // Huffman tables: DH, DW, BMSIZE and AGGINST in this order take the user
  // tables referred to.
  std::vector<std::unique_ptr<TvnHuffmanTable>> user_tables;
  const TvnHuffmanTable *dh = nullptr, *dw = nullptr, *bmsize = nullptr, *agginst = nullptr;
  if (huffman_) {
    user_tables = ReferredUserTables(*header_);
    size_t next_user = 0;
    auto user = [&]() -> const TvnHuffmanTable* {
      if (next_user >= user_tables.size()) Fail("symbol dictionary user table missing");
      return user_tables[next_user++].get();
    };
    if (huff_dh_ == 2 || huff_dw_ == 2) Fail("symbol dictionary Huffman selection not allowed");
    dh = huff_dh_ == 3 ? user() : &TvnStandardTables::GetTable(huff_dh_ == 0 ? 4 : 5);
    dw = huff_dw_ == 3 ? user() : &TvnStandardTables::GetTable(huff_dw_ == 0 ? 2 : 3);
    bmsize = huff_bmsize_ ? user() : &TvnStandardTables::GetTable(1);
    agginst = huff_agginst_ ? user() : &TvnStandardTables::GetTable(1);
  }

  std::unique_ptr<TvnArithmeticDecoder> decoder;
  std::unique_ptr<TvnArithmeticIntegerDecoder> ints;
  TvnCX iadh(512, 1), iadw(512, 1), iaex(512, 1), iaai(512, 1);
  if (!huffman_) {
    decoder = std::make_unique<TvnArithmeticDecoder>(stream_.get());
    ints = std::make_unique<TvnArithmeticIntegerDecoder>(decoder.get());
  }
  std::unique_ptr<TvnTextRegionContexts> text_cx;
  if (refagg_) text_cx = std::make_unique<TvnTextRegionContexts>(huffman_ ? 0 : sym_code_len);
  auto integer = [&](const TvnHuffmanTable* table, TvnCX& context) -> int64_t {
    return huffman_ ? table->Decode(s) : ints->Decode(&context);
  };

  // A refinement or aggregate symbol (T.88 6.5.8.2).
  auto refine_aggregate = [&](int64_t width, int64_t height) -> std::unique_ptr<TvnImageBitmap> {
    const int64_t instances =
        Need(huffman_ ? agginst->Decode(s) : ints->Decode(&iaai), "REFAGGNINST out of band");
    if (instances > 1) {
      TvnTextRegionParams p;
      p.huffman = huffman_;
      p.refine = true;
      p.width = width;
      p.height = height;
      p.instances = instances;
      p.symbols = &symbols;
      p.symCodeLen = sym_code_len;
      p.refCorner = kTopLeft;
      p.fs = &TvnStandardTables::GetTable(6);
      p.ds = &TvnStandardTables::GetTable(8);
      p.dt = &TvnStandardTables::GetTable(11);
      p.rdw = p.rdh = p.rdx = p.rdy = &TvnStandardTables::GetTable(15);
      p.rsize = &TvnStandardTables::GetTable(1);
      p.rTemplate = r_template_;
      std::copy(r_at_x_, r_at_x_ + 2, p.rAtX);
      std::copy(r_at_y_, r_at_y_ + 2, p.rAtY);
      return DecodeTextRegion(p, s, decoder.get(), text_cx.get(), *gr_cx_);
    }
    if (instances < 1) return std::make_unique<TvnImageBitmap>(width, height);
    int64_t id, rdx, rdy;
    const TvnHuffmanTable& b15 = TvnStandardTables::GetTable(15);
    if (huffman_) {
      id = s.ReadBits(sym_code_len);
      if (id < 0) Fail("symbol dictionary data end early");
      rdx = Need(b15.Decode(s), "RDX out of band");
      rdy = Need(b15.Decode(s), "RDY out of band");
    } else {
      id = ints->DecodeIAID(text_cx->iaid, sym_code_len);
      rdx = Need(ints->Decode(&text_cx->iardx), "RDX out of band");
      rdy = Need(ints->Decode(&text_cx->iardy), "RDY out of band");
    }
    if (id < 0 || id >= static_cast<int64_t>(symbols.size())) Fail("symbol ID out of range");
    TvnGenericRefinementRegion refinement;
    std::unique_ptr<TvnIOStream> window;
    std::unique_ptr<TvnArithmeticDecoder> own;
    int64_t size = 0;
    TvnArithmeticDecoder* used = decoder.get();
    if (huffman_) {
      size = Need(TvnStandardTables::GetTable(1).Decode(s), "BMSIZE out of band");
      s.SkipBits();
      window = s.SubWindow(s.GetStreamPos(), size);
      own = std::make_unique<TvnArithmeticDecoder>(window.get());
      used = own.get();
    }
    refinement.SetParameters(gr_cx_.get(), used, r_at_x_, r_at_y_, false, rdy, rdx,
                             symbols[static_cast<size_t>(id)], height, width, r_template_);
    auto bitmap = refinement.TakeRegionBitmap();
    if (huffman_) s.SkipBytes(size);
    return bitmap;
  };

  new_symbols_.clear();
  std::vector<int64_t> widths;  // of a Huffman height class's symbols
  TvnGenericRegion generic(stream_.get());
  int64_t height = 0;
  while (static_cast<int64_t>(new_symbols_.size()) < num_new_) {
    detail::CheckNotExhausted(decoder.get(), "symbol dictionary data exhausted");
    // A height class may hold no symbol: each one is work of its own.
    TvnWorkBudget::Charge(kSymbolWork);
    height += Need(integer(dh, iadh), "HCDH out of band");
    if (height < 0 || height > kMaxBitmapPixels) Fail("symbol height out of range");
    int64_t width = 0;
    int64_t total_width = 0;
    const size_t first = new_symbols_.size();
    widths.clear();
    for (;;) {
      detail::CheckNotExhausted(decoder.get(), "symbol dictionary data exhausted");
      const int64_t dw_value = integer(dw, iadw);
      if (dw_value == kOutOfBand) break;
      if (static_cast<int64_t>(new_symbols_.size()) >= num_new_) Fail("more symbols than the dictionary declares");
      width += dw_value;
      total_width += width;
      if (width < 0 || width > kMaxBitmapPixels || total_width > kMaxBitmapPixels) Fail("symbol width out of range");
      TvnWorkBudget::Charge(kSymbolWork);
      std::unique_ptr<TvnImageBitmap> symbol;
      if (!huffman_ && !refagg_) {
        generic.SetParameters(false, template_, decoder.get(), gb_cx_.get(), height, width, at_x_, at_y_, false);
        symbol = generic.TakeRegionBitmap();
      } else if (refagg_) {
        symbol = refine_aggregate(width, height);
      } else {
        widths.push_back(width);
      }
      if (symbol) symbols.push_back(symbol.get());
      new_symbols_.push_back(std::move(symbol));
    }
    if (huffman_ && !refagg_) {
      // The height class's collective bitmap, cut into its symbols.
      const int64_t size = Need(bmsize->Decode(s), "BMSIZE out of band");
      s.SkipBits();
      if (size < 0) Fail("negative BMSIZE");
      TvnImageBitmap collective(total_width, height);
      TvnWorkBudget::Charge(total_width * height / 8);
      if (size == 0) {
        const int stride = collective.GetRowStride();
        for (int y = 0; y < collective.GetHeight(); ++y) {
          for (int b = 0; b < stride; ++b) {
            const int value = s.ReadByte();
            if (value < 0) Fail("symbol dictionary data end early");
            collective.SetByte(collective.GetByteIndex(8 * b, y), static_cast<uint8_t>(value));
          }
        }
      } else {
        auto window = s.SubWindow(s.GetStreamPos(), size);
        if (collective.GetWidth() > 0 && collective.GetHeight() > 0) {
          TvnMMRDecompressor mmr(collective.GetWidth(), collective.GetHeight(), window.get());
          try {
            mmr.Uncompress(collective);
          } catch (const TvnJBIG2Exception&) {
            throw;
          } catch (const vn::Exception&) {
            // Damaged MMR data: the rows decoded before the damage stay.
          }
        }
        s.SkipBytes(size);
      }
      int64_t x = 0;
      for (size_t i = 0; i < widths.size(); ++i) {
        auto symbol = std::make_unique<TvnImageBitmap>(
            collective.GetRegionOfInterest(x, 0, x + widths[i], collective.GetHeight()));
        x += widths[i];
        symbols.push_back(symbol.get());
        new_symbols_[first + i] = std::move(symbol);
      }
    }
  }

  // Export flags (T.88 6.5.10): runs alternately not exported and exported.
  const int64_t total = num_in + num_new_;
  std::vector<bool> exported(static_cast<size_t>(total), false);
  bool flag = false;
  int64_t runs = 0;
  for (int64_t index = 0; index < total;) {
    detail::CheckNotExhausted(decoder.get(), "symbol dictionary data exhausted");
    // Runs of no symbols after the first say nothing: more runs than
    // symbols are damage.
    if (++runs > total + 1) Fail("too many export runs");
    TvnWorkBudget::Charge(kSymbolWork);
    const int64_t run =
        Need(huffman_ ? TvnStandardTables::GetTable(1).Decode(s) : ints->Decode(&iaex), "export run out of band");
    if (run < 0 || run > total - index) Fail("export run out of range");
    std::fill(exported.begin() + index, exported.begin() + index + run, flag);
    index += run;
    flag = !flag;
  }
  export_.clear();
  for (int64_t i = 0; i < total; ++i) {
    if (!exported[static_cast<size_t>(i)]) continue;
    TvnImageBitmap* symbol = i < num_in ? imported[static_cast<size_t>(i)] : new_symbols_[static_cast<size_t>(i - num_in)].get();
    if (symbol) export_.push_back(symbol);
  }
  if (!context_retained_) {
    gb_cx_.reset();
    gr_cx_.reset();
  }
}

}  // namespace vn::pdf::jbig2
