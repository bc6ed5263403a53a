#include "pdfdocument/pdf_content_extractor.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <limits>

#include "fonts/font_engine.h"
#include "pdfdocument/cmap.h"
#include "pdfdocument/glyph_names.h"
#include "pdfdocument/pd_8bit_font.h"
#include "pdfdocument/pd_cid_font.h"
#include "pdfdocument/pd_content_stream.h"
#include "pdfdocument/pd_form.h"
#include "pdfdocument/pd_font.h"
#include "platform/fonts/font_catalog.h"
#include "platform/fonts/font_faces.h"
#include "runtime/numbers.h"
#include "runtime/strings.h"

namespace vn::pdfdoc {

namespace fw = vn::framework;
namespace wm = vn::wordmodel;

namespace {

// The substitute box of a character without a measurable outline.
constexpr double kSubstituteWidth = 3.6;
constexpr double kSubstituteHeight = 7.0;
// Font programs are asked for outlines at this size (pixels at 72 dpi per
// em), then scaled back to a size of 1.
constexpr int kOutlineSize = 1000;
// Curve segments are sampled at this many steps for the bounds.
constexpr int kCurveSteps = 8;

void AppendUtf16(std::u16string& AText, char32_t AChar) {
  if (AChar >= 0x10000 && AChar <= 0x10FFFF) {
    AText.push_back(static_cast<char16_t>(0xD800 + ((AChar - 0x10000) >> 10)));
    AText.push_back(static_cast<char16_t>(0xDC00 + ((AChar - 0x10000) & 0x3FF)));
  } else {
    AText.push_back(static_cast<char16_t>(AChar));
  }
}

void EraseFirst(std::string& AText, std::string_view APart) {
  if (const size_t at = AText.find(APart); at != std::string::npos) AText.erase(at, APart.size());
}

bool IsEmbeddedType1Kind(TvnPDFontType AType) {
  return AType == TvnPDFontType::Type1 || AType == TvnPDFontType::Type1C || AType == TvnPDFontType::Type1COT;
}

// Appends the points of a cubic curve after its start point.
void AddCubic(TvnPDFContentExtractor::GlyphPoints& APoints, double AX0, double AY0, double AX1, double AY1, double AX2,
              double AY2, double AX3, double AY3, double AScale) {
  for (int i = 1; i <= kCurveSteps; ++i) {
    const double t = static_cast<double>(i) / kCurveSteps;
    const double u = 1 - t;
    const double x = u * u * u * AX0 + 3 * u * u * t * AX1 + 3 * u * t * t * AX2 + t * t * t * AX3;
    const double y = u * u * u * AY0 + 3 * u * u * t * AY1 + 3 * u * t * t * AY2 + t * t * t * AY3;
    APoints.push_back({x * AScale, y * AScale});
  }
}

// The points of an outline a font program hands out (pixels at
// kOutlineSize, y down), at a size of 1 and y up. Composite glyph
// components come with the transform that places them.
TvnPDFContentExtractor::GlyphPoints PointsOfRecords(const vn::fonts::TvnRecList& ARecords) {
  TvnPDFContentExtractor::GlyphPoints points;
  const double scale = 1.0 / kOutlineSize;
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
  auto add = [&](double x, double y) {
    // The component transform works in the font program's units, y down.
    const double tx = a * x + c * y + e;
    const double ty = b * x + d * y + f;
    points.push_back({tx * scale, -ty * scale});
  };
  for (const vn::fonts::Instructions& r : ARecords) {
    switch (r.Name) {
      case vn::fonts::TvnStepKind::moveto:
        add(r.pt2.X, r.pt2.Y);
        break;
      case vn::fonts::TvnStepKind::lineto:
        add(r.prev.X, r.prev.Y);
        add(r.pt2.X, r.pt2.Y);
        break;
      case vn::fonts::TvnStepKind::curveto: {
        const auto& p = r.pt3;
        auto map = [&](const vn::fonts::TvnPointF& q, double& x, double& y) {
          x = a * q.X + c * q.Y + e;
          y = b * q.X + d * q.Y + f;
        };
        double x0, y0, x1, y1, x2, y2, x3, y3;
        map(p[0], x0, y0);
        map(p[1], x1, y1);
        map(p[2], x2, y2);
        map(p[3], x3, y3);
        points.push_back({x0 * scale, -y0 * scale});
        AddCubic(points, x0, -y0, x1, -y1, x2, -y2, x3, -y3, scale);
        break;
      }
      case vn::fonts::TvnStepKind::transformmatrix:
        a = r.pt3[0].X;
        b = r.pt3[0].Y;
        c = r.pt3[1].X;
        d = r.pt3[1].Y;
        e = r.pt3[2].X;
        f = r.pt3[2].Y;
        break;
      case vn::fonts::TvnStepKind::addshape:
        // The next component starts untransformed unless a transform
        // comes with it.
        a = d = 1;
        b = c = e = f = 0;
        break;
      default:
        break;
    }
  }
  return points;
}

// FreeType's outline walk, collecting points at a size of 1.
struct OutlineWalk {
  TvnPDFContentExtractor::GlyphPoints* Points;
  double Scale;
  double X = 0;
  double Y = 0;
};

int WalkMoveTo(const FT_Vector* to, void* user) {
  auto* w = static_cast<OutlineWalk*>(user);
  w->X = static_cast<double>(to->x);
  w->Y = static_cast<double>(to->y);
  w->Points->push_back({w->X * w->Scale, w->Y * w->Scale});
  return 0;
}

int WalkLineTo(const FT_Vector* to, void* user) { return WalkMoveTo(to, user); }

int WalkConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
  auto* w = static_cast<OutlineWalk*>(user);
  const double cx = static_cast<double>(control->x), cy = static_cast<double>(control->y);
  const double x3 = static_cast<double>(to->x), y3 = static_cast<double>(to->y);
  AddCubic(*w->Points, w->X, w->Y, w->X + 2.0 / 3 * (cx - w->X), w->Y + 2.0 / 3 * (cy - w->Y),
           x3 + 2.0 / 3 * (cx - x3), y3 + 2.0 / 3 * (cy - y3), x3, y3, w->Scale);
  w->X = x3;
  w->Y = y3;
  return 0;
}

int WalkCubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
  auto* w = static_cast<OutlineWalk*>(user);
  const double x3 = static_cast<double>(to->x), y3 = static_cast<double>(to->y);
  AddCubic(*w->Points, w->X, w->Y, static_cast<double>(c1->x), static_cast<double>(c1->y),
           static_cast<double>(c2->x), static_cast<double>(c2->y), x3, y3, w->Scale);
  w->X = x3;
  w->Y = y3;
  return 0;
}

}  // namespace

TvnPDFContentExtractor::TvnPDFContentExtractor() {
  FUseDrawChar = true;
  // Composite fonts are decoded through their CMaps, whatever the length
  // of their codes.
  FCIDToGIDNeeded = true;
}

TvnPDFContentExtractor::~TvnPDFContentExtractor() = default;

vn::String TvnPDFContentExtractor::CleanFontName(const std::string& AName) {
  std::string name = AName;
  if (const size_t plus = name.find('+'); plus != std::string::npos) name.erase(0, plus + 1);
  std::erase(name, ',');
  std::erase(name, '-');
  for (std::string_view part : {"PS", "MT", "Bold", "Italic"}) EraseFirst(name, part);
  return vn::FromUtf8(name);
}

bool TvnPDFContentExtractor::CheckPageSlice(vn::pdf::TvnObject*, double, double, int, bool, bool, double, double,
                                            double, double) {
  return true;
}

void TvnPDFContentExtractor::StartPage(int, TvnPDState& AState) {
  FPageHeight = std::fabs(AState.PageHeight());
  FSingleString = true;
  FShown.clear();
  FShownNext = 0;
}

void TvnPDFContentExtractor::EndPage() { CloseElement(); }

bool TvnPDFContentExtractor::BeginType3Char(TvnPDState&, double, double, double, double, uint16_t,
                                            const TvnUnicodes&, int) {
  return false;
}

void TvnPDFContentExtractor::BeginStringOp(TvnPDState&) {
  // Every text-showing operator shows one string (a TJ array with its
  // pieces is one): each starts an element of its own, so that text on
  // different lines never shares an element.
  SetNewTJ(true);
}

void TvnPDFContentExtractor::BeginString(TvnPDState& AState, const std::string& AStr) {
  FSingleString = false;
  FShown.clear();
  FShownNext = 0;
  if (!AState.Font) return;
  // The same walk over the codes as the interpreter's, so that each
  // DrawChar finds its code here.
  std::u16string codes(AStr.size(), u'\0');
  for (size_t i = 0; i < AStr.size(); ++i) codes[i] = static_cast<uint8_t>(AStr[i]);
  for (size_t pos = 0; pos < codes.size();) {
    int processed = 1;
    uint32_t code = 0;
    std::string name;
    double dx = 0, dy = 0, ox = 0, oy = 0;
    AState.Font->GetNextChar(codes, pos, processed, code, name, dx, dy, ox, oy);
    const size_t used = processed > 0 ? std::min(static_cast<size_t>(processed), codes.size() - pos) : 1;
    ShownCode shown;
    for (size_t k = 0; k < used; ++k) shown.Code = shown.Code * 256 + codes[pos + k];
    shown.Bytes = static_cast<int>(used);
    shown.Name = std::move(name);
    FShown.push_back(std::move(shown));
    pos += used;
  }
}

void TvnPDFContentExtractor::EndString(TvnPDState&) { FSingleString = true; }

namespace {

// The Latin ligatures of the presentation forms (U+FB00 .. U+FB06) as their
// letters, as text readers give them; other text unchanged.
std::u16string WithoutLigatures(std::u16string AText) {
  static constexpr const char16_t* kLetters[] = {u"ff", u"fi", u"fl", u"ffi", u"ffl", u"st", u"st"};
  if (AText.size() == 1 && AText[0] >= 0xFB00 && AText[0] <= 0xFB06) return kLetters[AText[0] - 0xFB00];
  return AText;
}

}  // namespace

void TvnPDFContentExtractor::DrawFormXObject(TvnPDState& AState, TvnPDForm* AForm) {
  if (!AForm || !AForm->XObjectStream()) return;
  // The form runs on a copy of the state with its matrix applied; the
  // content stream limits how deep forms nest.
  std::unique_ptr<TvnPDState> copy = AState.Copy();
  if (TvnPDMatrix* matrix = AForm->Matrix()) copy->ConcatCTM(*matrix);
  TvnPDContentStream content(AForm->ParentDoc(), AForm, AForm->XObjectStream());
  content.SetIsNestedCall(true);
  content.DispalyObject(this, copy.get(), AForm->Resources());
}

std::u16string TvnPDFContentExtractor::UnicodeOf(TvnPDFont& AFont, const ShownCode& AShown,
                                                 uint16_t ADeviceCode) const {
  return WithoutLigatures(MappedUnicode(AFont, AShown, ADeviceCode));
}

std::u16string TvnPDFContentExtractor::MappedUnicode(TvnPDFont& AFont, const ShownCode& AShown,
                                                     uint16_t ADeviceCode) const {
  // The font's own ToUnicode map comes first: subsetting producers give
  // code 32 to whatever character came 32nd (a digit, a letter), and
  // reading it as a space would lose that character. Unmapped, code 32 is
  // the space.
  if (const TvnPDCMapParser* to_unicode = AFont.GetToUnicode()) {
    std::u16string text = to_unicode->LookupText(AShown.Code);
    if (!text.empty()) return text;
  }
  if (AShown.Bytes == 1 && AShown.Code == 32) return u" ";
  if (auto* simple = dynamic_cast<TvnPD8bitFont*>(&AFont); simple && AShown.Code >= 0 && AShown.Code < 256) {
    const std::string_view glyph = simple->Encoding()[static_cast<size_t>(AShown.Code)];
    const bool dingbats = AFont.name().find("ZapfDingbats") != std::string::npos;
    if (const uint32_t u = GlyphNameToUnicode(glyph, dingbats); u != 0) {
      std::u16string text;
      AppendUtf16(text, static_cast<char32_t>(u));
      return text;
    }
  }
  if (auto* composite = dynamic_cast<TvnPDCIDFont*>(&AFont); composite && composite->CMap()) {
    if (const TvnPDCMapParser* ucs = composite->CMap()->UCSParser()) {
      std::u16string codes;
      if (AShown.Bytes == 1) {
        codes.push_back(static_cast<char16_t>(AShown.Code));
      } else {
        for (int k = AShown.Bytes - 1; k >= 0; --k)
          codes.push_back(static_cast<char16_t>((AShown.Code >> (8 * k)) & 0xFF));
      }
      int processed = 0;
      const uint16_t cid = composite->CMap()->GetCID(codes, 0, processed, true);
      std::u16string text = ucs->LookupText(cid);
      if (!text.empty()) return text;
    }
  }
  // Without any map the code stands for itself; a code that would be a
  // control character (glyphs named "g18" of a subset, codes below 32) is
  // no text, and written out it would put NULs and the like into text and
  // RTF files: it becomes the replacement character.
  if (ADeviceCode < 0x20 || ADeviceCode == 0x7F) return u"\uFFFD";
  return std::u16string(1, static_cast<char16_t>(ADeviceCode));
}

const TvnPDFContentExtractor::GlyphPoints* TvnPDFContentExtractor::EmbeddedOutline(TvnPDFont& AFont,
                                                                                  uint16_t ADeviceCode,
                                                                                  const std::string& AName) {
  vn::fonts::TvnFontEngine* engine = AFont.GetFontProgram();
  if (!engine) return nullptr;
  const auto key = std::make_tuple(static_cast<const TvnPDFont*>(&AFont), uint32_t{ADeviceCode}, AName);
  if (const auto it = FOutlines.find(key); it != FOutlines.end()) return it->second.empty() ? nullptr : &it->second;
  // The character codes of a TrueType program are read through the cmap
  // the font's encoding points to.
  using vn::fonts::EncodingType;
  const TvnPDFontType type = AFont.FontType();
  if (type == TvnPDFontType::TrueType || type == TvnPDFontType::TrueTypeOT) {
    const std::string& enc = AFont.EncodingName();
    if (AFont.IsSymbolic())
      engine->SetEncoding(EncodingType::None);
    else if (enc == "WinAnsiEncoding" || (enc == "CustomEncoding" && AFont.BaseEncoding() == "WinAnsiEncoding"))
      engine->SetEncoding(EncodingType::Unicode_1_0);
    else
      engine->SetEncoding(EncodingType::Macintosh_Roman);
  } else if (!AFont.IsCIDFont()) {
    engine->SetEncoding(AFont.EncodingName() == "MacRomanEncoding" ? EncodingType::Macintosh_Roman
                                                                   : EncodingType::None);
  }
  GlyphPoints points;
  auto take = [&points](const vn::fonts::TvnRecList* ARecords) {
    if (ARecords) points = PointsOfRecords(*ARecords);
  };
  std::u16string one(1, static_cast<char16_t>(ADeviceCode));
  if (IsEmbeddedType1Kind(type)) {
    if (!AName.empty())
      engine->DecomposeOutlineGlyph(vn::FromUtf8(AName), kOutlineSize, 72, take, vn::fonts::TGlyphType::GlyphName);
    else
      engine->DecomposeOutlineGlyph(one, kOutlineSize, 72, take, vn::fonts::TGlyphType::CharCode);
  } else if (AFont.IsCIDFont()) {
    engine->DecomposeOutlineGlyph(one, kOutlineSize, 72, take, vn::fonts::TGlyphType::GlyphIndex);
  } else {
    if (!engine->isCharcodeAvailable(ADeviceCode)) one[0] = static_cast<char16_t>(ADeviceCode + 0xF000);
    engine->DecomposeOutlineGlyph(one, kOutlineSize, 72, take, vn::fonts::TGlyphType::CharCode);
  }
  auto& kept = FOutlines[key];
  kept = std::move(points);
  return kept.empty() ? nullptr : &kept;
}

const TvnPDFContentExtractor::GlyphPoints* TvnPDFContentExtractor::InstalledOutline(TvnPDFont& AFont, char32_t AChar) {
  const auto key = std::make_tuple(static_cast<const TvnPDFont*>(&AFont), static_cast<uint32_t>(AChar),
                                   std::string("\x01installed"));
  if (const auto it = FOutlines.find(key); it != FOutlines.end()) return it->second.empty() ? nullptr : &it->second;
  GlyphPoints points;
  try {
    const std::string& source = AFont.EmbeddedFontName().empty() ? AFont.OrginalName() : AFont.EmbeddedFontName();
    std::string name = source;
    for (char c : std::string(" ,+-")) std::erase(name, c);
    EraseFirst(name, "PS");
    EraseFirst(name, "MT");
    const bool bold = AFont.IsBold() || name.find("Bold") != std::string::npos;
    const bool italic = AFont.IsItalic() || name.find("Italic") != std::string::npos;
    EraseFirst(name, "Bold");
    EraseFirst(name, "Italic");
    const vn::platform::FontMatch match =
        vn::platform::MatchFont(vn::FromUtf8(name.empty() ? std::string("Arial Unicode MS") : name), bold, italic);
    vn::platform::FontFaceRef face = match.Face;
    if (!vn::platform::FaceCoversChar(face, AChar)) {
      if (auto fallback = vn::platform::FindFallbackFace(face, AChar)) face = *fallback;
    }
    vn::platform::FaceLease lease = vn::platform::AcquireFace(face.File, face.Index);
    const FT_UInt glyph = FT_Get_Char_Index(lease.Face, AChar);
    if (glyph != 0 && lease.Face->units_per_EM > 0 &&
        FT_Load_Glyph(lease.Face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0 &&
        lease.Face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
      OutlineWalk walk{&points, 1.0 / lease.Face->units_per_EM};
      FT_Outline_Funcs funcs{};
      funcs.move_to = WalkMoveTo;
      funcs.line_to = WalkLineTo;
      funcs.conic_to = WalkConicTo;
      funcs.cubic_to = WalkCubicTo;
      FT_Outline_Decompose(&lease.Face->glyph->outline, &funcs, &walk);
    }
  } catch (const vn::platform::EFontError&) {
    points.clear();
  }
  auto& kept = FOutlines[key];
  kept = std::move(points);
  return kept.empty() ? nullptr : &kept;
}

const TvnPDFContentExtractor::GlyphPoints* TvnPDFContentExtractor::Outline(TvnPDFont& AFont, uint16_t ADeviceCode,
                                                                           const std::string& AName,
                                                                           const std::u16string& AText) {
  if (AFont.FontType() == TvnPDFontType::Type3) return nullptr;
  if (AFont.GetEmbeddedFontStream() != nullptr) return EmbeddedOutline(AFont, ADeviceCode, AName);
  if (AText.empty()) return nullptr;
  char32_t ch = AText[0];
  if (ch >= 0xD800 && ch < 0xDC00 && AText.size() > 1) ch = 0x10000 + ((ch - 0xD800) << 10) + (AText[1] - 0xDC00);
  return InstalledOutline(AFont, ch);
}

wm::TvnRectF* TvnPDFContentExtractor::NewRect(double AX, double AY, double AWidth, double AHeight) {
  FTextItems->CharRects.push_back(std::make_unique<wm::TvnRectF>(AX, AY, AWidth, AHeight));
  return FTextItems->CharRects.back().get();
}

std::unique_ptr<fw::TvnFont> TvnPDFContentExtractor::MakeFont(const TvnPDState& AState) const {
  auto font = std::make_unique<fw::TvnFont>();
  TvnPDFont& pdf_font = *AState.Font;
  const std::string& name = pdf_font.OrginalName().empty() ? pdf_font.name() : pdf_font.OrginalName();
  font->SetName(CleanFontName(name));
  const double size = AState.GetTransformedFontSize();
  font->SetSize(std::isfinite(size) ? static_cast<int32_t>(std::clamp(vn::Round(size), int64_t{0}, int64_t{32767}))
                                    : 0);
  fw::TvnFontStyles style;
  if (pdf_font.IsBold() || name.find("Bold") != std::string::npos) style.Include(fw::TvnFontStyle::fsBold);
  if (pdf_font.IsItalic() || name.find("Italic") != std::string::npos) style.Include(fw::TvnFontStyle::fsItalic);
  font->SetStyle(style);
  return font;
}

void TvnPDFContentExtractor::DrawChar(TvnPDState& AState, double AX, double AY, double ADx, double ADy,
                                      uint16_t ACode, const std::string& ACharName) {
  if (!FTextItems || !AState.Font) return;
  TvnPDFont& font = *AState.Font;
  ShownCode shown;
  if (FShownNext < FShown.size()) {
    shown = FShown[FShownNext++];
  } else {
    shown.Code = ACode;
    shown.Name = ACharName;
  }
  const std::u16string text = UnicodeOf(font, shown, ACode);

  // Text space to device space: the text matrix, the CTM, then the flip.
  const TvnPDMatrix& tm = AState.TextMatrix();
  const TvnPDMatrix& ctm = AState.CTM();
  auto to_device = [&](double x, double y, double& dx, double& dy) {
    double ux = 0, uy = 0;
    tm.Transform(x, y, ux, uy);
    ctm.Transform(ux, uy, dx, dy);
    dy = FPageHeight - dy;
  };
  double origin_x = 0, origin_y = 0;
  to_device(AX, AY + AState.Rise, origin_x, origin_y);

  double left = 0, top = 0, right = 0, bottom = 0;
  bool measured = false;
  if (static_cast<int>(AState.Render) != 3) {
    if (const GlyphPoints* points = Outline(font, ACode, shown.Name.empty() ? ACharName : shown.Name, text)) {
      const double fs = AState.FontSize;
      const double th = AState.HorizScaling;
      left = top = std::numeric_limits<double>::max();
      right = bottom = std::numeric_limits<double>::lowest();
      for (const GlyphPoint& p : *points) {
        double dx = 0, dy = 0;
        to_device(AX + p.X * fs * th, AY + AState.Rise + p.Y * fs, dx, dy);
        left = std::min(left, dx);
        right = std::max(right, dx);
        top = std::min(top, dy);
        bottom = std::max(bottom, dy);
      }
      measured = std::isfinite(left) && std::isfinite(right) && std::isfinite(top) && std::isfinite(bottom) &&
                 right - left > 0 && bottom - top > 0;
    }
  }

  // One rectangle per UTF-16 unit of the text, as the consumers of the
  // elements pair them: the box of a character whose text has several units
  // (a ligature's letters) is shared out in equal parts from left to right.
  auto add_rects = [this](std::vector<wm::TvnRectF*>& ARects, double ALeft, double ATop, double AWidth,
                          double AHeight, size_t AUnits) {
    const double part = AWidth / static_cast<double>(AUnits);
    for (size_t i = 0; i < AUnits; ++i)
      ARects.push_back(NewRect(ALeft + part * static_cast<double>(i), ATop, part, AHeight));
  };
  const size_t units = std::max<size_t>(text.size(), 1);
  // A character that is not measured (invisible text, a Type 3 glyph, a
  // font without outlines) still stands where the text position puts it:
  // its box runs from its origin over its advance (3.6 when it has none),
  // 7 high above the baseline. Boxes strung one after the other instead
  // would put an invisible text layer (the words of a scanned page) all on
  // one line, without the gaps between its words.
  double advance_x = 0, advance_y = 0;
  to_device(AX + ADx, AY + ADy + AState.Rise, advance_x, advance_y);
  const bool placed = std::isfinite(origin_x) && std::isfinite(origin_y);
  const double substitute_width = placed && std::isfinite(advance_x) && std::fabs(advance_x - origin_x) > 0
                                      ? std::fabs(advance_x - origin_x)
                                      : kSubstituteWidth * static_cast<double>(units);
  const double substitute_left = std::isfinite(advance_x) ? std::min(origin_x, advance_x) : origin_x;
  // The box of a measured character on a horizontal line spans its advance
  // as well as its ink: the gaps between the boxes of one word are then
  // those the font's metrics and the kerning leave (about none), and only
  // the displacements between words stand out. With ink alone, the side
  // bearings of narrow letters (i, l, ".") or wide advances (monospaced
  // text, a font's own widths around a substitute's glyphs) would open
  // gaps inside words.
  // Text running down or up the page (turned text, vertical writing) gets
  // the same along its direction, for the readers that turn such a page.
  if (measured && placed && std::isfinite(advance_x) && std::isfinite(advance_y)) {
    if (std::fabs(advance_y - origin_y) <= 0.01 * std::fabs(advance_x - origin_x)) {
      left = std::min(left, std::min(origin_x, advance_x));
      right = std::max(right, std::max(origin_x, advance_x));
    } else if (std::fabs(advance_x - origin_x) <= 0.01 * std::fabs(advance_y - origin_y)) {
      top = std::min(top, std::min(origin_y, advance_y));
      bottom = std::max(bottom, std::max(origin_y, advance_y));
    }
  }

  auto& elements = FTextItems->Elements;
  if (NewTJ() || elements.empty()) {
    SetNewTJ(false);
    CloseElement();
    auto element = std::make_unique<wm::TvnTextElement>();
    element->SetText(text);
    element->SetFont(MakeFont(AState));
    double x = 0, y = 0;
    if (measured || placed) {
      x = origin_x;
      y = origin_y;
    } else if (!elements.empty()) {
      const wm::TvnRectF& previous = *elements.back()->GetBoundingRect();
      x = previous.GetX() + previous.GetWidth();
      y = previous.GetY();
    }
    element->SetBoundingRect(std::make_shared<wm::TvnRectF>(x, y, 0, 0));
    if (measured)
      add_rects(element->GetCharBoundingRect(), left, top, right - left, bottom - top, units);
    else if (placed)
      add_rects(element->GetCharBoundingRect(), substitute_left, origin_y - kSubstituteHeight, substitute_width,
                kSubstituteHeight, units);
    else
      add_rects(element->GetCharBoundingRect(), x, y - kSubstituteHeight, kSubstituteWidth * static_cast<double>(units),
                kSubstituteHeight, units);
    elements.push_back(std::move(element));
  } else {
    wm::TvnTextElement& element = *elements.back();
    element.SetText(element.GetText() + text);
    element.SetFont(MakeFont(AState));
    std::vector<wm::TvnRectF*>& rects = element.GetCharBoundingRect();
    if (measured) {
      add_rects(rects, left, top, right - left, bottom - top, units);
    } else if (placed) {
      add_rects(rects, substitute_left, origin_y - kSubstituteHeight, substitute_width, kSubstituteHeight, units);
    } else if (!rects.empty()) {
      const wm::TvnRectF previous = *rects.back();
      add_rects(rects, previous.GetRight(), previous.GetY(), kSubstituteWidth * static_cast<double>(units),
                previous.GetHeight(), units);
    } else {
      add_rects(rects, element.GetBoundingRect()->GetX(), element.GetBoundingRect()->GetY() - kSubstituteHeight,
                kSubstituteWidth * static_cast<double>(units), kSubstituteHeight, units);
    }
  }
  FSingleString = true;
}

void TvnPDFContentExtractor::CloseElement() {
  if (!FTextItems || FTextItems->Elements.empty()) return;
  wm::TvnTextElement& element = *FTextItems->Elements.back();
  const std::vector<wm::TvnRectF*>& rects = element.GetCharBoundingRect();
  if (rects.empty()) return;
  wm::TvnRectF& box = *element.GetBoundingRect();
  box.SetWidth(rects.back()->GetRight() - box.GetX());
  double height = 0;
  for (const wm::TvnRectF* r : rects) height = std::max(height, r->GetHeight());
  box.SetHeight(height);
}

std::vector<fw::TvnDocItem*> TvnPDFContentExtractor::GetPageElements() {
  CloseElement();
  std::vector<fw::TvnDocItem*> list;
  if (!FTextItems) return list;
  list.reserve(FTextItems->Elements.size());
  for (const auto& element : FTextItems->Elements) list.push_back(element.get());
  return list;
}

}  // namespace vn::pdfdoc
