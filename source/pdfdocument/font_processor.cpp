// The FreeType font processor: faces from files, bytes or installed fonts,
// names and metrics, glyph outlines and pair kerning.
#include "pdfdocument/font_processor.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H
#include FT_OUTLINE_H
#include FT_TYPE1_TABLES_H

#include <cmath>

#include "platform/fonts/font_catalog.h"
#include "runtime/numbers.h"

namespace vn::pdfdoc {

struct TvnFontProcessor::Impl {
  FT_Library Library = nullptr;
  FT_Face Face = nullptr;
};

namespace {

// The outline walk's sink: records in font units scaled by Scale, y
// negated so that it points down.
struct OutlineSink {
  TvnOutlineRecords* Records;
  double Scale;
  void Point(const FT_Vector* p) {
    Records->push_back(static_cast<double>(p->x) * Scale);
    Records->push_back(-static_cast<double>(p->y) * Scale);
  }
};

int SinkMove(const FT_Vector* to, void* user) {
  auto* sink = static_cast<OutlineSink*>(user);
  sink->Records->push_back(kOutlineMove);
  sink->Point(to);
  return 0;
}

int SinkLine(const FT_Vector* to, void* user) {
  auto* sink = static_cast<OutlineSink*>(user);
  sink->Records->push_back(kOutlineLine);
  sink->Point(to);
  return 0;
}

int SinkConic(const FT_Vector* control, const FT_Vector* to, void* user) {
  auto* sink = static_cast<OutlineSink*>(user);
  sink->Records->push_back(kOutlineConic);
  sink->Point(control);
  sink->Point(to);
  return 0;
}

int SinkCubic(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void* user) {
  auto* sink = static_cast<OutlineSink*>(user);
  sink->Records->push_back(kOutlineCubic);
  sink->Point(control1);
  sink->Point(control2);
  sink->Point(to);
  return 0;
}

// Adds ADx to every x and ADy to every y of the records.
void ShiftRecords(TvnOutlineRecords& ARecords, double ADx, double ADy) {
  for (size_t i = 0; i < ARecords.size();) {
    const int kind = static_cast<int>(ARecords[i]);
    const size_t points = kind == 4 ? 3 : kind == 3 ? 2 : 1;
    for (size_t p = 0; p < points && i + 2 + 2 * p < ARecords.size(); ++p) {
      ARecords[i + 1 + 2 * p] += ADx;
      ARecords[i + 2 + 2 * p] += ADy;
    }
    i += 1 + 2 * points;
  }
}

// Loads a glyph unscaled (font units, no hinting, no bitmaps).
constexpr FT_Int32 kLoadFlags = FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP | FT_LOAD_NO_HINTING;

}  // namespace

uint8_t TvnFontProcessor::InitFreeType() {
  FImpl = std::make_unique<Impl>();
  if (FT_Init_FreeType(&FImpl->Library) != 0) {
    FImpl->Library = nullptr;
    return kFontProcessorNoFreeType;
  }
  return kFontProcessorOk;
}

TvnFontProcessor::TvnFontProcessor(const std::filesystem::path& AFileName, uint8_t& AError, uint32_t AVertRes,
                                   uint32_t AHorzRes, uint32_t AFontSize, int AFaceIndex)
    : FFontFileName(AFileName), FFaceIndex(AFaceIndex), FHorzRes(AHorzRes), FVertRes(AVertRes),
      FFontSize(AFontSize) {
  AError = InitFreeType();
  if (AError == kFontProcessorOk) AError = OpenFace();
}

TvnFontProcessor::TvnFontProcessor(std::span<const uint8_t> AFontBytes, uint8_t& AError, uint32_t AVertRes,
                                   uint32_t AHorzRes, uint32_t AFontSize)
    : FFontStreamArray(AFontBytes.begin(), AFontBytes.end()), FHorzRes(AHorzRes), FVertRes(AVertRes),
      FFontSize(AFontSize) {
  AError = InitFreeType();
}

TvnFontProcessor::TvnFontProcessor(StringView AFaceName, bool ABold, bool AItalic, uint32_t AFontSize,
                                   uint8_t& AError)
    : FFontSize(AFontSize) {
  AError = InitFreeType();
  if (AError != kFontProcessorOk) return;
  try {
    const vn::platform::FontMatch match = vn::platform::MatchFont(AFaceName, ABold, AItalic);
    FFontFileName = match.Face.File;
    FFaceIndex = match.Face.Index;
  } catch (const vn::platform::EFontError&) {
    FFaceTried = true;
    FFaceError = kFontProcessorNoFontData;
    AError = kFontProcessorNoFontData;
    return;
  }
  AError = OpenFace();
}

TvnFontProcessor::~TvnFontProcessor() {
  if (!FImpl) return;
  if (FImpl->Face) FT_Done_Face(FImpl->Face);
  if (FImpl->Library) FT_Done_FreeType(FImpl->Library);
}

uint8_t TvnFontProcessor::OpenFace() {
  if (FFaceTried) return FFaceError;
  FFaceTried = true;
  FFaceError = kFontProcessorCannotOpen;
  if (!FImpl || !FImpl->Library) return FFaceError = kFontProcessorNoFreeType;
  FT_Face face = nullptr;
  FT_Error error = 0;
  if (!FFontStreamArray.empty())
    error = FT_New_Memory_Face(FImpl->Library, FFontStreamArray.data(), static_cast<FT_Long>(FFontStreamArray.size()),
                               0, &face);
  else if (!FFontFileName.empty())
    error = FT_New_Face(FImpl->Library, FFontFileName.string().c_str(), FFaceIndex, &face);
  else
    error = 1;
  if (error != 0 || !face) return FFaceError;
  FImpl->Face = face;
  FFaceError = kFontProcessorOk;
  ReadFaceInfo();
  return FFaceError;
}

void TvnFontProcessor::ReadFaceInfo() {
  FT_Face face = FImpl->Face;
  if (const char* ps = FT_Get_Postscript_Name(face)) FpsName = ps;
  if (face->style_name) FstyleName = face->style_name;
  if (face->family_name) FFamilyName = face->family_name;
  FFaceCount = static_cast<int>(face->num_faces);
  FCharMapCount = face->num_charmaps;
  FGlyphCount = static_cast<int>(face->num_glyphs);
  const double s = FT_IS_SCALABLE(face) && face->units_per_EM > 0 ? face->units_per_EM / 1000.0 : 1.0;
  FunitsPerEm = s;
  if (FT_IS_SCALABLE(face)) {
    FAscent = static_cast<double>(vn::Round(face->ascender / s));
    FDescent = static_cast<double>(vn::Round(face->descender / s));
    FLeading = face->height;
    FMaxWidth = static_cast<int>(vn::Round(face->max_advance_width / s));
    FunderscorePosition = face->underline_position / 64.0;
    FunderscoreSize = face->underline_thickness / 64.0;
    FBBox = {static_cast<double>(vn::Round(static_cast<double>(face->bbox.xMin) / s)),
             static_cast<double>(vn::Round(static_cast<double>(face->bbox.yMin) / s)),
             static_cast<double>(vn::Round(static_cast<double>(face->bbox.xMax) / s)),
             static_cast<double>(vn::Round(static_cast<double>(face->bbox.yMax) / s))};
  }
  if (face->charmap) FEncodingType = face->charmap->encoding;
  // Control boxes of "H" and "1" give the cap height and the stem width.
  auto cbox_of = [&](uint32_t code, FT_BBox& box) {
    const FT_UInt index = FT_Get_Char_Index(face, code);
    if (index == 0 || FT_Load_Glyph(face, index, kLoadFlags) != 0) return false;
    if (face->glyph->format != FT_GLYPH_FORMAT_OUTLINE || face->glyph->outline.n_points == 0) return false;
    FT_Outline_Get_CBox(&face->glyph->outline, &box);
    return true;
  };
  FT_BBox box{};
  FCapHeight = cbox_of('H', box) ? static_cast<double>(vn::Round(static_cast<double>(box.yMax - box.yMin) / s)) : 0;
  FStemV = cbox_of('1', box) ? static_cast<double>(vn::Round(static_cast<double>(box.xMax - box.xMin) / s))
                             : static_cast<double>(vn::Round(0.15 * FBBox.Right));
  FFlag = 0;
  if (FT_IS_FIXED_WIDTH(face)) FFlag |= 1;
  FFlag |= 2 | 32;
  PS_FontInfoRec info{};
  if (FT_Get_PS_Font_Info(face, &info) == 0) FItalicAngle = static_cast<int>(info.italic_angle);
  if (FItalicAngle > 0) FFlag |= 64;
  PS_PrivateRec priv{};
  if (FT_Get_PS_Font_Private(face, &priv) == 0 && priv.force_bold) FFlag |= 1 << 18;
  FGlyphWidths.assign(static_cast<size_t>(FLastCharCode + 1), 0.0);
  double sum = 0;
  int counted = 0;
  for (int code = FFirstCharCode; code <= FLastCharCode; ++code) {
    const FT_UInt index = FT_Get_Char_Index(face, static_cast<FT_ULong>(code));
    if (index == 0 || FT_Load_Glyph(face, index, kLoadFlags) != 0) continue;
    const double width = static_cast<double>(vn::Round(static_cast<double>(face->glyph->advance.x) / s));
    FGlyphWidths[static_cast<size_t>(code)] = width;
    sum += width;
    ++counted;
  }
  FAvgWidth = counted > 0 ? sum / counted : 0;
}

void TvnFontProcessor::ResetKerning() {
  FPreviousGlyphIndex = 0;
  FKerningValue = 0;
}

uint32_t TvnFontProcessor::LookUpCode(uint32_t ACode) {
  FT_Face face = FImpl->Face;
  if (!face->charmap) FT_Select_Charmap(face, FT_ENCODING_UNICODE);
  for (int i = 0; i < face->num_charmaps; ++i) {
    FT_CharMap map = face->charmaps[i];
    if (FEncodingType != kEncodingAny && static_cast<uint32_t>(map->encoding) != FEncodingType) continue;
    if (FT_Set_Charmap(face, map) != 0) continue;
    if (const FT_UInt index = FT_Get_Char_Index(face, ACode); index != 0) return index;
  }
  return 0;
}

uint8_t TvnFontProcessor::DecomposeOutlineGlyph(uint32_t ACode, uint32_t AGlyphIndex, TvnGlyphLookup AKind,
                                                double AFontSize, const std::string& AGlyphName,
                                                TvnGlyphOutline& AGlyph) {
  AGlyph = TvnGlyphOutline{};
  if (const uint8_t error = OpenFace(); error != kFontProcessorOk) return error;
  FT_Face face = FImpl->Face;
  uint32_t index = 0;
  switch (AKind) {
    case TvnGlyphLookup::glGlyphName:
      index = FT_Get_Name_Index(face, AGlyphName.c_str());
      break;
    case TvnGlyphLookup::glGlyphIndex:
      index = AGlyphIndex;
      break;
    case TvnGlyphLookup::glCharCode:
      index = LookUpCode(ACode);
      break;
  }
  if (AKind != TvnGlyphLookup::glGlyphIndex && index == 0) return kFontProcessorNoGlyph;
  if (index >= static_cast<uint32_t>(face->num_glyphs)) return kFontProcessorNoGlyph;
  const double scale = face->units_per_EM > 0 ? AFontSize / face->units_per_EM : AFontSize / 1000.0;
  if (FUseKerning && FPreviousGlyphIndex != 0 && index != 0 && FT_HAS_KERNING(face)) {
    FT_Vector kern{};
    if (FT_Get_Kerning(face, FPreviousGlyphIndex, index, FT_KERNING_UNSCALED, &kern) == 0)
      FKerningValue += static_cast<double>(kern.x) * scale;
  }
  FPreviousGlyphIndex = index;
  if (const FT_Error error = FT_Load_Glyph(face, index, kLoadFlags); error != 0)
    return static_cast<uint8_t>(error & 0xFF);
  if (face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return kFontProcessorNoOutline;
  AGlyph.GlyphIndex = index;
  AGlyph.AdvanceX = static_cast<double>(face->glyph->advance.x) * scale;
  AGlyph.AdvanceY = static_cast<double>(face->glyph->advance.y) * scale;
  OutlineSink sink{&AGlyph.Records, scale};
  FT_Outline_Funcs funcs{};
  funcs.move_to = SinkMove;
  funcs.line_to = SinkLine;
  funcs.conic_to = SinkConic;
  funcs.cubic_to = SinkCubic;
  if (const FT_Error error = FT_Outline_Decompose(&face->glyph->outline, &funcs, &sink); error != 0) {
    AGlyph.Records.clear();
    return static_cast<uint8_t>(error & 0xFF);
  }
  if (FKerningValue != 0) ShiftRecords(AGlyph.Records, FKerningValue, 0);
  return kFontProcessorOk;
}

uint8_t TvnFontProcessor::DecomposeOutlineGlyph(uint32_t ACodeOrIndex, const std::string& AGlyphName,
                                                TvnGlyphLookup AKind, double AFontSize, bool AUseKerning,
                                                double& APenX, double APenY,
                                                const std::function<void(const TvnOutlineRecords&)>& ACallback) {
  FUseKerning = AUseKerning;
  TvnGlyphOutline glyph;
  const uint8_t error = DecomposeOutlineGlyph(ACodeOrIndex, ACodeOrIndex, AKind, AFontSize, AGlyphName, glyph);
  if (error != kFontProcessorOk) return error;
  ShiftRecords(glyph.Records, APenX, APenY);
  if (ACallback) ACallback(glyph.Records);
  APenX += glyph.AdvanceX;
  return kFontProcessorOk;
}

double TvnFontProcessor::DecomposeText(std::u32string_view AText, double AFontSize, bool AUseKerning,
                                       const std::function<void(const TvnOutlineRecords&, size_t)>& ACallback) {
  ResetKerning();
  double pen_x = 0;
  for (size_t i = 0; i < AText.size(); ++i) {
    DecomposeOutlineGlyph(static_cast<uint32_t>(AText[i]), std::string(), TvnGlyphLookup::glCharCode, AFontSize,
                          AUseKerning, pen_x, 0, [&](const TvnOutlineRecords& ARecords) {
                            if (ACallback) ACallback(ARecords, i);
                          });
  }
  return pen_x + FKerningValue;
}

double TvnFontProcessor::GetTextWidth(std::u32string_view AText) {
  double width = 0;
  for (char32_t c : AText) {
    TvnGlyphOutline glyph;
    if (DecomposeOutlineGlyph(static_cast<uint32_t>(c), 0, TvnGlyphLookup::glCharCode, FFontSize, std::string(),
                              glyph) == kFontProcessorOk)
      width += glyph.AdvanceX;
  }
  return width;
}

double TvnFontProcessor::GetTextHeight(std::u32string_view AText) {
  if (AText.empty() || OpenFace() != kFontProcessorOk) return 0;
  FT_Face face = FImpl->Face;
  const uint32_t index = LookUpCode(static_cast<uint32_t>(AText.front()));
  if (index == 0 || FT_Load_Glyph(face, index, kLoadFlags) != 0) return 0;
  const double scale = face->units_per_EM > 0 ? static_cast<double>(FFontSize) / face->units_per_EM : 0;
  return static_cast<double>(face->glyph->metrics.height) * scale;
}

}  // namespace vn::pdfdoc
