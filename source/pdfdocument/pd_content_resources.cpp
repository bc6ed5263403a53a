// The operators of the content interpreter that look names up in the
// resources: fonts, colour spaces, patterns, ExtGStates, XObjects, and the
// images drawn inline.
#include <algorithm>

#include "pdf/filter_manager.h"
#include "pdf/streams.h"
#include "pdfdocument/pd_content_stream.h"
#include "pdfdocument/pd_font.h"
#include "pdfdocument/pd_form.h"
#include "pdfdocument/pd_image.h"
#include "pdfdocument/pd_pattern.h"
#include "pdfdocument/pd_resource.h"
#include "pdfdocument/pd_xobject.h"
#include "pdfdocument/pdf_numbers_impl.h"

namespace vn::pdfdoc {

TvnPDColorSpace* TvnPDContentStream::LookUpColorSpace(const std::string& AName) {
  return FPageResource ? FPageResource->LookUpColorSpace(AName) : nullptr;
}

TvnPDFont* TvnPDContentStream::LookUpFont(const std::string& AName) {
  return FPageResource ? FPageResource->LookUpFont(AName) : nullptr;
}

TvnPDPattern* TvnPDContentStream::SelectPattern(const std::string& AName, const TvnColorComp* AColor) {
  TvnPDPattern* pattern = FPageResource ? FPageResource->LookUpPattern(AName) : nullptr;
  if (!pattern) return nullptr;
  if (AColor) pattern->SetFillColor(*AColor);
  pattern->SetIsInnerPattern(FIsPatternStream);
  return pattern;
}

void TvnPDContentStream::OpShade(TvnArgs AArgs) {
  vn::pdf::TvnPDDictionary* resources = FPageResource ? FPageResource->Dict() : nullptr;
  vn::pdf::TvnPDBaseObject* shadings = resources ? resources->LookUp("Shading") : nullptr;
  vn::pdf::TvnPDBaseObject* shading =
      shadings && shadings->IsDict() ? shadings->AsDict()->LookUp(AArgs[0]->AsName()->GetValue()) : nullptr;
  if (shading) FExportDev->DrawShading(*FState, shading);
}

void TvnPDContentStream::OpGState(TvnArgs AArgs) {
  TvnPDGState* gstate = FPageResource ? FPageResource->LookUpGState(AArgs[0]->AsName()->GetValue()) : nullptr;
  if (!gstate) return;
  if (const double alpha = gstate->StrokeAlpha(); alpha != -1) FState->StrokeOpacity = alpha;
  FExportDev->UpdateStrokeOpacity(*FState);
  if (const double alpha = gstate->NonStrokeAlpha(); alpha != -1) FState->FillOpacity = alpha;
  FExportDev->UpdateFillOpacity(*FState);
  vn::pdf::TvnPDDictionary* dict = gstate->Dict();
  if (!dict) return;
  // Line width, cap, join, miter limit and dash set as their operators
  // set them; entries of the wrong type are passed over.
  const auto number = [&](const char* AKey, double& AValue) { return PdfNumber(dict->LookUp(AKey), AValue); };
  double line = 0;
  // A font and size, set as Tf sets them.
  if (const vn::pdf::TvnPDBaseObject* entry = dict->LookUp("Font"); entry && entry->AsArray()) {
    const vn::pdf::TvnPDArray* pair = entry->AsArray();
    double size = 0;
    TvnPDFont* font = pair->GetLength() == 2 && PdfNumber(pair->Get(1), size) && FPageResource
                          ? FPageResource->FontOfObject(pair->Get(0))
                          : nullptr;
    if (font) {
      FState->Font = font;
      FState->FontSize = size;
      FFontChanged = true;
    }
  }
  if (number("LW", line)) {
    FState->LineWidth = line;
    FExportDev->UpdateLineWidth(*FState);
  }
  if (number("LC", line)) {
    FState->LineCap = static_cast<int>(std::clamp(line, -1.0, 3.0));
    FExportDev->UpdateLineCap(*FState);
  }
  if (number("LJ", line)) {
    FState->LineJoin = static_cast<int>(std::clamp(line, -1.0, 3.0));
    FExportDev->UpdateLineJoin(*FState);
  }
  if (number("ML", line)) {
    FState->MiterLimit = line;
    FExportDev->UpdateMiterLimit(*FState);
  }
  const vn::pdf::TvnPDBaseObject* dash_entry = dict->LookUp("D");
  const vn::pdf::TvnPDArray* d = dash_entry ? dash_entry->AsArray() : nullptr;
  double phase = 0;
  if (d && d->GetLength() == 2 && d->Get(0) && d->Get(0)->AsArray() && PdfNumber(d->Get(1), phase)) {
    const vn::pdf::TvnPDArray* lengths = d->Get(0)->AsArray();
    TvnDashArray dash;
    bool usable = true;
    for (int64_t i = 0; i < std::min<int64_t>(lengths->GetLength(), 1024) && usable; ++i) {
      usable = PdfNumber(lengths->Get(i), line);
      if (usable) dash.push_back(static_cast<float>(line));
    }
    if (usable) {
      FState->SetLineDash(dash, static_cast<int>(dash.size()), phase);
      FExportDev->UpdateLineDash(*FState);
    }
  }
  // A blend mode is a name or an array of names, the first known one used.
  if (vn::pdf::TvnPDBaseObject* bm = dict->LookUp("BM")) {
    if (bm->IsName()) {
      FState->BlendMode = BlendModeOfName(bm->AsName()->GetValue());
    } else if (auto* list = bm->AsArray()) {
      FState->BlendMode = TvnBlendMode::Normal;
      for (int i = 0; i < list->GetLength(); ++i)
        if (vn::pdf::TvnPDBaseObject* name = list->Get(i); name && name->IsName()) {
          const std::string value = name->AsName()->GetValue();
          FState->BlendMode = BlendModeOfName(value);
          if (FState->BlendMode != TvnBlendMode::Normal || value == "Normal" || value == "Compatible") break;
        }
    }
    FExportDev->UpdateBlendMode(*FState);
  }
  // A soft mask is drawn in the space of the CTM in force now.
  if (vn::pdf::TvnPDBaseObject* mask = dict->LookUp("SMask")) {
    if (auto* mask_dict = mask->AsDict()) {
      auto soft = std::make_shared<TvnSoftMask>();
      soft->Dict = mask_dict;
      soft->Doc = FParentDoc;
      soft->Resources = FPageResource;
      const TvnPDMatrix& ctm = FState->CTM();
      const double values[6] = {ctm.M11(), ctm.M12(), ctm.M21(), ctm.M22(), ctm.Dx(), ctm.Dy()};
      std::copy(values, values + 6, soft->CTM);
      FState->SoftMask = std::move(soft);
    } else {
      FState->SoftMask.reset();
    }
  }
}

void TvnPDContentStream::OpXObject(TvnArgs AArgs) {
  TvnPDXObject* xobject = FPageResource ? FPageResource->LookUpXObject(AArgs[0]->AsName()->GetValue()) : nullptr;
  if (!xobject) return;
  if (xobject->SubType() == TvnXObjectType::xtImage)
    FExportDev->DrawImage(*FState, static_cast<TvnPDImage*>(xobject));
  else if (xobject->SubType() == TvnXObjectType::xtForm)
    FExportDev->DrawFormXObject(*FState, static_cast<TvnPDForm*>(xobject));
}

void TvnPDContentStream::DrawInlineImage(std::unique_ptr<vn::pdf::TvnPDDictionary> ADict, int64_t AStart,
                                         int64_t ALength) {
  auto window = vn::pdf::MakeRef<vn::pdf::TvnMemoryStream>(FData, AStart, ALength, true);
  std::unique_ptr<vn::pdf::TvnPDStream> data = vn::pdf::TvnPDFilterManager::GetFilter(ADict.get(), std::move(window));
  if (!data) return;
  // Colour-space names of an inline image are those of the resources the
  // content runs with.
  TvnPDImage image(FParentDoc, FPageResource, data.get());
  image.SetIsInlineImage(true);
  FExportDev->DrawImage(*FState, &image);
}

TvnPDResource* TvnPDContentStream::Type3Resources(TvnPDFont& AFont) {
  vn::pdf::TvnPDDictionary* dict = AFont.GetResourcesDict();
  // Glyph procedures without resources of their own use the page's.
  if (!dict) return FPageResource;
  for (const auto& [key, resource] : FType3Resources)
    if (key == dict) return resource.get();
  FType3Resources.emplace_back(dict, std::make_unique<TvnPDResource>(FParentDoc, &AFont, dict));
  return FType3Resources.back().second.get();
}

TvnPDContentStream* TvnPDPattern::GetContent() {
  std::unique_ptr<vn::pdf::TvnObject>& slot = ContentSlot();
  if (!slot) slot = std::make_unique<TvnPDContentStream>(ParentDoc(), this, BaseObject());
  auto* content = static_cast<TvnPDContentStream*>(slot.get());
  content->SetIsPatternStream(true);
  return content;
}

}  // namespace vn::pdfdoc
