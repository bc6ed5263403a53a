// Text showing of the content interpreter: Tj, TJ, ' and ", the walk over a
// string's character codes with the current font, glyph advances and the
// glyph procedures of Type 3 fonts.
#include <cmath>
#include <string>

#include "pdfdocument/pd_content_stream.h"
#include "pdfdocument/pd_8bit_font.h"
#include "pdfdocument/pd_font.h"
#include "runtime/exceptions.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDBaseObject;

namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The bytes of a hex string's digit text; an odd last digit is followed by
// 0. False when a character is not a hex digit.
bool HexDigitsToBytes(const std::string& ADigits, std::string& ABytes) {
  ABytes.clear();
  ABytes.reserve(ADigits.size() / 2 + 1);
  for (size_t i = 0; i < ADigits.size(); i += 2) {
    const int hi = HexDigitValue(ADigits[i]);
    const int lo = i + 1 < ADigits.size() ? HexDigitValue(ADigits[i + 1]) : 0;
    if (hi < 0 || lo < 0) return false;
    ABytes.push_back(static_cast<char>(hi * 16 + lo));
  }
  return true;
}

bool IsType3(const TvnPDFont& AFont) { return AFont.FontType() == TvnPDFontType::Type3; }

// The font matrix's a times 1000: glyph units per text-space unit times
// 1000; 1000 without a usable matrix.
double GlyphUnits(const TvnPDFont& AFont) {
  const TvnPDFontMatrix* fm = AFont.FontMatrix();
  const double g = fm ? (*fm)[0] * 1000.0 : 1000.0;
  return std::isfinite(g) && g != 0.0 ? g : 1000.0;
}

}  // namespace

bool TvnPDContentStream::BeginTextOperator() {
  if (!FState->Font) return false;
  if (FFontChanged) {
    FFontChanged = false;
    FExportDev->UpdateFont(*FState);
  }
  return true;
}

void TvnPDContentStream::OpShowText(TvnArgs AArgs) {
  if (!BeginTextOperator()) return;
  FExportDev->BeginStringOp(*FState);
  FExportDev->SetNewTJ(true);
  ShowString(*AArgs[0]->AsString());
  FExportDev->EndStringOp(*FState);
}

void TvnPDContentStream::OpNextLineShow(TvnArgs AArgs) {
  if (!BeginTextOperator()) return;
  FState->TextMoveTo(FState->LineX, FState->LineY - FState->Leading);
  FExportDev->UpdateTextPos(*FState);
  FExportDev->BeginStringOp(*FState);
  ShowString(*AArgs[0]->AsString());
  FExportDev->EndStringOp(*FState);
}

void TvnPDContentStream::OpSpacingNextLineShow(TvnArgs AArgs) {
  if (!BeginTextOperator()) return;
  auto number = [](const TvnPDBaseObject* o) {
    return o->AsInteger() ? static_cast<double>(o->AsInteger()->GetValue()) : o->AsReal()->GetValue();
  };
  FState->WordSpace = number(AArgs[0]);
  FState->CharSpace = number(AArgs[1]);
  FState->TextMoveTo(FState->LineX, FState->LineY - FState->Leading);
  FExportDev->UpdateWordSpace(*FState);
  FExportDev->UpdateCharSpace(*FState);
  FExportDev->UpdateTextPos(*FState);
  FExportDev->BeginStringOp(*FState);
  ShowString(*AArgs[2]->AsString());
  FExportDev->EndStringOp(*FState);
}

void TvnPDContentStream::OpShowArray(TvnArgs AArgs) {
  if (!BeginTextOperator()) return;
  TvnPDFont& font = *FState->Font;
  const auto* array = AArgs[0]->AsArray();
  FExportDev->BeginStringOp(*FState);
  const bool vertical = font.WritingMode() == TvnWritingMode::wmVertical;
  const bool type3 = IsType3(font);
  SaveState();
  try {
    if (type3) Type3GlyphMatrices();
    const double fs = std::fabs(FState->FontSize);
    for (int64_t i = 0; i < array->GetLength(); ++i) {
      const TvnPDBaseObject* element = array->Get(i);
      if (!element) continue;
      if (element->IsNumber()) {
        const double n = element->AsInteger() ? static_cast<double>(element->AsInteger()->GetValue())
                                              : element->AsReal()->GetValue();
        if (vertical) {
          FState->TextShift(0, -fs * n / 1000.0);
        } else {
          // The shift is scaled horizontally like the glyphs around it.
          FState->TextShift(-fs * n / 1000.0 * FState->HorizScaling, 0);
          if (type3) {
            // The same shift in glyph space, where the CTM now is.
            LLDx = -n / GlyphUnits(font) * FState->HorizScaling;
            ConcatAndReport(TvnPDMatrix(1, 0, 0, 1, LLDx, 0));
          }
        }
        FExportDev->UpdateTextShift(*FState, n);
      } else if (const auto* str = element->AsString()) {
        FIsCapitalTJ = true;
        ShowString(*str);
      }
    }
  } catch (...) {
    FIsCapitalTJ = false;
    RestoreState();
    throw;
  }
  FIsCapitalTJ = false;
  RestoreState();
  FExportDev->EndStringOp(*FState);
}

void TvnPDContentStream::ShowString(const vn::pdf::TvnPDString& AString) {
  TvnPDFont& font = *FState->Font;
  if (!AString.IsHexString()) {
    ShowBytes(AString.GetString(), 1);
    return;
  }
  std::string bytes;
  if (!HexDigitsToBytes(AString.GetString(), bytes)) throw vn::Exception("Invalid hexadecimal string");
  if (font.IsCIDFont()) {
    // The font's code ranges cut the codes; without the mapping to glyphs
    // the device takes two-byte codes.
    ShowBytes(bytes, 2);
    return;
  }
  for (char c : bytes) ShowBytes(std::string(1, c), 1);
}

void TvnPDContentStream::GlyphAdvance(bool AWordSpace, double ADx, double ADy, double& AAdvX, double& AAdvY) {
  const double fs = FState->FontSize;
  const double spacing = FState->CharSpace + (AWordSpace ? FState->WordSpace : 0.0);
  if (FState->Font->WritingMode() == TvnWritingMode::wmVertical) {
    // The vertical advance is negative (downwards); spacing adds to it.
    FState->CurCharW = ADy * fs;
    AAdvX = 0;
    AAdvY = ADy * fs + spacing;
  } else {
    FState->CurCharW = ADx * fs;
    AAdvX = (ADx * fs + spacing) * FState->HorizScaling;
    AAdvY = 0;
  }
}

void TvnPDContentStream::ShowBytes(const std::string& ABytes, int ARawCodeBytes) {
  TvnPDFont& font = *FState->Font;
  const bool draw_char = FExportDev->UseDrawChar();
  if (draw_char) FExportDev->BeginString(*FState, ABytes);
  if (IsType3(font) && FExportDev->InterpretType3Chars()) {
    ShowType3(ABytes);
  } else if (draw_char) {
    std::u16string codes(ABytes.size(), u'\0');
    for (size_t i = 0; i < ABytes.size(); ++i) codes[i] = static_cast<uint8_t>(ABytes[i]);
    const bool raw_codes = !FExportDev->CIDToGIDNeeded() && font.IsCIDFont();
    // A Type 3 width is in glyph space: the font matrix (a thousandth
    // without one) brings it to text space like the other fonts' widths.
    const bool type3 = IsType3(font);
    const TvnPDFontMatrix glyph_to_text =
        type3 && font.FontMatrix() ? *font.FontMatrix() : TvnPDFontMatrix{0.001, 0, 0, 0.001, 0, 0};
    for (size_t pos = 0; pos < codes.size();) {
      uint32_t code = 0;
      std::string name;
      double dx = 0, dy = 0, origin_x = 0, origin_y = 0;
      size_t used = 1;
      int processed = 1;
      font.GetNextChar(codes, pos, processed, code, name, dx, dy, origin_x, origin_y);
      if (raw_codes) {
        // The codes as shown, with the advances of the font's widths.
        used = std::min(codes.size() - pos, static_cast<size_t>(ARawCodeBytes));
        code = 0;
        name.clear();
        for (size_t k = 0; k < used; ++k) code = code * 256 + codes[pos + k];
      } else {
        used = processed > 0 ? std::min(static_cast<size_t>(processed), codes.size() - pos) : 1;
        // A simple font without a Unicode value for the code draws the byte;
        // a composite font's glyph 0 is a glyph like any other.
        if (code == 0 && name.empty() && !font.IsCIDFont()) code = codes[pos];
        if (type3) {
          const double gx = dx, gy = dy;
          dx = gx * glyph_to_text[0] + gy * glyph_to_text[2];
          dy = gx * glyph_to_text[1] + gy * glyph_to_text[3];
        }
      }
      if (!std::isfinite(dx)) dx = 0;
      if (!std::isfinite(dy)) dy = 0;
      // Word spacing belongs to the single-byte code 32 only.
      const bool word_space = used == 1 && codes[pos] == 32;
      double adv_x = 0, adv_y = 0;
      GlyphAdvance(word_space, dx, dy, adv_x, adv_y);
      // A glyph of vertical writing hangs from the text position by its
      // position vector.
      const double fs = FState->FontSize;
      FExportDev->DrawChar(*FState, FState->CurX - origin_x * fs, FState->CurY - origin_y * fs, adv_x, adv_y,
                           static_cast<uint16_t>(code), name);
      FState->Shift(adv_x, adv_y);
      pos += used;
    }
  } else {
    FExportDev->RawTextOut(*FState, FState->CurX, FState->CurY, ABytes);
  }
  if (draw_char) FExportDev->EndString(*FState);
  FIsCapitalTJ = false;
}

void TvnPDContentStream::ConcatAndReport(const TvnPDMatrix& AMatrix) {
  FState->ConcatCTM(AMatrix);
  FExportDev->UpdateCTM(*FState, AMatrix);
}

void TvnPDContentStream::Type3GlyphMatrices() {
  const TvnPDMatrix& tm = FState->TextMatrix();
  ConcatAndReport(TvnPDMatrix(tm.M11(), tm.M12(), tm.M21(), tm.M22(), tm.Dx(), tm.Dy()));
  ConcatAndReport(TvnPDMatrix(1, 0, 0, 1, FState->CurX, FState->CurY));
  if (const TvnPDFontMatrix* fm = FState->Font->FontMatrix())
    ConcatAndReport(TvnPDMatrix((*fm)[0], (*fm)[1], (*fm)[2], (*fm)[3], (*fm)[4], (*fm)[5]));
  else
    ConcatAndReport(TvnPDMatrix());
  const double fs = FState->FontSize;
  ConcatAndReport(TvnPDMatrix(fs, 0, 0, fs, 0, 0));
}

void TvnPDContentStream::ShowType3(const std::string& ABytes) {
  TvnPDFont& font = *FState->Font;
  const bool inside_tj = FIsCapitalTJ;
  SaveState();
  if (!inside_tj) Type3GlyphMatrices();
  const double g = GlyphUnits(font);
  // Text-space units per glyph unit, to move the text position.
  const double to_text = g / 1000.0 * FState->FontSize;
  double total = 0;
  for (char byte : ABytes) {
    const uint32_t code = static_cast<uint8_t>(byte);
    // A code without a procedure draws nothing but still advances by its
    // width and the spacings (a space between glyphs, typically).
    if (vn::pdf::TvnPDStream* proc = Type3GlyphProc(font, code)) {
      SaveState();
      if (!FExportDev->BeginType3Char(*FState, FState->CurX, FState->CurY, 0, 0, static_cast<uint16_t>(code), {}, 1)) {
        TvnPDContentStream glyph(FParentDoc, FParentElement, proc);
        glyph.SetIsNestedCall(true);
        std::unique_ptr<TvnPDState> copy = FState->Copy();
        glyph.DispalyObject(FExportDev, copy.get(), Type3Resources(font));
      }
      FExportDev->EndType3Char(*FState);
      RestoreState();
    }
    const std::u16string one(1, static_cast<char16_t>(code));
    int processed = 1;
    uint32_t decoded = 0;
    std::string name;
    double dx = 0, dy = 0, ox = 0, oy = 0;
    font.GetNextChar(one, 0, processed, decoded, name, dx, dy, ox, oy);
    if (!std::isfinite(dx)) dx = 0;
    FState->CurCharW = dx;
    // The spacings are in text space: brought to glyph units like the width.
    const double spacing = FState->CharSpace + (code == 32 ? FState->WordSpace : 0.0);
    dx = (dx + (to_text != 0 && std::isfinite(spacing) ? spacing / to_text : 0.0)) * FState->HorizScaling;
    total += dx;
    FState->Shift(dx * to_text, 0);
    ConcatAndReport(TvnPDMatrix(1, 0, 0, 1, dx, 0));
  }
  RestoreState();
  // Inside TJ the CTM is TJ's glyph space again: move it past the string.
  // Outside TJ the restored CTM is the page's and stays where it is.
  if (inside_tj) ConcatAndReport(TvnPDMatrix(1, 0, 0, 1, total, 0));
  FIsCapitalTJ = false;
}

vn::pdf::TvnPDStream* TvnPDContentStream::Type3GlyphProc(TvnPDFont& AFont, uint32_t ACode) {
  // The font's own encoding (its base encoding with the differences
  // applied) names the procedure; a bare /Differences walk is the fallback.
  if (auto* simple = dynamic_cast<TvnPD8bitFont*>(&AFont))
    if (vn::pdf::TvnPDStream* proc = simple->GetCharProc(ACode)) return proc;
  auto* dict = AFont.BaseObject() ? AFont.BaseObject()->AsDict() : nullptr;
  if (!dict) return nullptr;
  auto* encoding = dict->LookUp("Encoding");
  auto* enc_dict = encoding ? encoding->AsDict() : nullptr;
  auto* diffs_obj = enc_dict ? enc_dict->LookUp("Differences") : nullptr;
  auto* diffs = diffs_obj ? diffs_obj->AsArray() : nullptr;
  auto* procs_obj = dict->LookUp("CharProcs");
  auto* procs = procs_obj ? procs_obj->AsDict() : nullptr;
  if (!diffs || !procs) return nullptr;
  int64_t next = -1;
  const std::string* name = nullptr;
  for (int64_t i = 0; i < diffs->GetLength() && !name; ++i) {
    const TvnPDBaseObject* e = diffs->Get(i);
    if (!e) continue;
    if (const auto* n = e->AsInteger()) {
      next = n->GetValue();
    } else if (const auto* glyph = e->AsName()) {
      if (next == static_cast<int64_t>(ACode)) name = &glyph->GetValue();
      if (next >= 0) ++next;
    }
  }
  if (!name) return nullptr;
  TvnPDBaseObject* proc = procs->LookUp(*name);
  return proc ? proc->AsStream() : nullptr;
}

}  // namespace vn::pdfdoc
