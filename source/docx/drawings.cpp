// The drawings of WordprocessingML: pictures and text boxes with their
// placement (inline or anchored), wrapping and, for pictures, the image
// bytes from the package.
#include <algorithm>
#include <limits>
#include <utility>

#include "docx/docx_helper.h"
#include "runtime/exceptions.h"
#include "wordmodel/resources.h"
#include "wordmodel/shape_properties.h"

namespace vn::docx {

using wordmodel::TvnAutoFit;
using wordmodel::TvnBodyProperties;
using wordmodel::TvnHRelativePosition;
using wordmodel::TvnImageResource;
using wordmodel::TvnLineProperties;
using wordmodel::TvnShapeProperties;
using wordmodel::TvnVRelativePosition;
using wordmodel::TvnWrapSquare;
using wordmodel::TvnWrapThrough;
using wordmodel::TvnWrapTight;
using wordmodel::TvnWrapTopAndBottom;

namespace {

const TXmlNode* DrawingChild(const TXmlNode* AElement, StringView AName) {
  TXmlNode* found = nullptr;
  if (AElement != nullptr) AElement->FindChild(AName, found);
  return found;
}

const TXmlNode* FirstBelow(const TXmlNode* AElement, StringView AName) {
  TXmlNodeRefs found;
  TvnDOCXHelperFunctions::GetNodes(AElement, {AName}, found);
  return found.empty() ? nullptr : found.front();
}

// An EMU length attribute in pixels; AOther when it is missing.
int32_t EmuAttribute(const TXmlNode* AElement, StringView AName, int32_t AOther) {
  const String value = AElement->GetAttribute(AName);
  return value.empty() ? AOther : EmuToPixels(ReadInteger64(value));
}

int32_t ClampToInt32(int64_t AValue) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(AValue, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// A colour of "a:srgbClr" below a fill element. Preset colour names
// ("a:prstClr") are not read: they are names, not digits.
void ReadSolidFill(const TXmlNode* ASolidFill, vn::framework::TvnRGBColor& AColor) {
  const TXmlNode* rgb = DrawingChild(ASolidFill, u"a:srgbClr");
  if (rgb != nullptr && !rgb->GetAttribute(u"val").empty()) AColor = ParseHexColor(rgb->GetAttribute(u"val"));
}

template <typename TStep>
void GuardedDrawingStep(vn::Diagnostics* AWarnings, const char* AWhat, TStep&& AStep) {
  try {
    AStep();
  } catch (const vn::Exception& error) {
    vn::ReportTo(AWarnings, {.message = std::string(AWhat) + ": " + error.what()});
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Placement

template <typename TItem>
void TvnDOCXHelperFunctions::ReadPlacement(const TXmlNode* ADrawing, TItem& AItem) {
  const auto read_extent = [&](const TXmlNode* AParent) {
    GuardedDrawingStep(FWarnings, "drawing extent", [&] {
      const TXmlNode* extent = DrawingChild(AParent, u"wp:extent");
      if (extent == nullptr) return;
      AItem.SetWidth(EmuAttribute(extent, u"cx", AItem.GetWidth()));
      AItem.SetHeight(EmuAttribute(extent, u"cy", AItem.GetHeight()));
    });
  };
  const TXmlNode* anchor = DrawingChild(ADrawing, u"wp:anchor");
  if (anchor != nullptr) {
    read_extent(anchor);
    ReadAnchor(anchor, AItem);
    return;
  }
  const TXmlNode* inline_element = DrawingChild(ADrawing, u"wp:inline");
  if (inline_element == nullptr) return;
  AItem.SetIsInLine(true);
  AItem.SetEffectRectangle(ReadEffectExtent(DrawingChild(inline_element, u"wp:effectExtent")));
  read_extent(inline_element);
}

template <typename TItem>
void TvnDOCXHelperFunctions::ReadAnchor(const TXmlNode* AAnchor, TItem& AItem) {
  const bool behind = ParseOnOff(AAnchor->GetAttribute(u"behindDoc"), false);
  AItem.SetDistL(EmuAttribute(AAnchor, u"distL", AItem.GetDistL()));
  AItem.SetDistR(EmuAttribute(AAnchor, u"distR", AItem.GetDistR()));
  AItem.SetDistT(EmuAttribute(AAnchor, u"distT", AItem.GetDistT()));
  AItem.SetDistB(EmuAttribute(AAnchor, u"distB", AItem.GetDistB()));
  const String z_order = AAnchor->GetAttribute(u"relativeHeight");
  if (!z_order.empty()) AItem.SetZOrder(ClampToInt32(ReadInteger64(z_order)));
  AItem.SetIsInLine(false);
  AItem.SetBehindDoc(behind);

  // The last wrapping element present in this order decides; each reader
  // answers nothing for another kind, and "wp:wrapNone" is no wrapping.
  std::unique_ptr<TvnGraphicsWrap> wrap;
  bool wrapped = false;
  for (StringView kind :
       {u"wp:wrapNone", u"wp:wrapThrough", u"wp:wrapTopAndBottom", u"wp:wrapSquare", u"wp:wrapTight"}) {
    const TXmlNode* element = DrawingChild(AAnchor, kind);
    if (element == nullptr) continue;
    wrapped = true;
    wrap = ReadWrapThrough(element);
    if (!wrap) wrap = ReadWrapTopAndBottom(element);
    if (!wrap) wrap = ReadWrapSquare(element);
    if (!wrap) wrap = ReadWrapTight(element);
  }
  if (wrapped) AItem.SetWrap(std::move(wrap));

  GuardedDrawingStep(FWarnings, "horizontal position", [&] {
    const TXmlNode* position = DrawingChild(AAnchor, u"wp:positionH");
    if (position == nullptr) return;
    const String from = position->GetAttribute(u"relativeFrom");
    if (from.size() > 2) {
      switch (from[0]) {
        case u'c':
          AItem.SetHRelativePosition(from[1] == u'h' ? TvnHRelativePosition::hrpCharacter
                                                     : TvnHRelativePosition::hrpColumn);
          break;
        case u'm': AItem.SetHRelativePosition(TvnHRelativePosition::hrpMargin); break;
        case u'l': AItem.SetHRelativePosition(TvnHRelativePosition::hrpLeftMargin); break;
        case u'r': AItem.SetHRelativePosition(TvnHRelativePosition::hrpRightMargin); break;
        case u'p': AItem.SetHRelativePosition(TvnHRelativePosition::hrpPage); break;
        case u'i': AItem.SetHRelativePosition(TvnHRelativePosition::hrpInsideMargin); break;
        case u'o': AItem.SetHRelativePosition(TvnHRelativePosition::hrpOutsideMargin); break;
        default: break;
      }
    }
    const TXmlNode* offset = DrawingChild(position, u"wp:posOffset");
    if (offset != nullptr) AItem.SetPositionX(EmuToPixels(ReadInteger64(vn::Trim(offset->Text))));
    const TXmlNode* align = DrawingChild(position, u"wp:align");
    AItem.SetHAlignment(align != nullptr ? ReadDrawingHAlignment(vn::Trim(align->Text))
                                         : TvnDrawingHAlignment::dhaNoAlignment);
  });
  GuardedDrawingStep(FWarnings, "vertical position", [&] {
    const TXmlNode* position = DrawingChild(AAnchor, u"wp:positionV");
    if (position == nullptr) return;
    const String from = position->GetAttribute(u"relativeFrom");
    if (from.size() > 3) {
      switch (from[0]) {
        case u'p':
          AItem.SetVRelativePosition(from[2] == u'g' ? TvnVRelativePosition::vrpPage
                                                     : TvnVRelativePosition::vrpParagraph);
          break;
        case u'b': AItem.SetVRelativePosition(TvnVRelativePosition::vrpBottomMargin); break;
        case u'i': AItem.SetVRelativePosition(TvnVRelativePosition::vrpInsideMargin); break;
        case u'l': AItem.SetVRelativePosition(TvnVRelativePosition::vrpLine); break;
        case u'm': AItem.SetVRelativePosition(TvnVRelativePosition::vrpMargin); break;
        case u'o': AItem.SetVRelativePosition(TvnVRelativePosition::vrpOutsideMargin); break;
        case u't': AItem.SetVRelativePosition(TvnVRelativePosition::vrpTopMargin); break;
        default: break;
      }
    }
    const TXmlNode* offset = DrawingChild(position, u"wp:posOffset");
    if (offset != nullptr) AItem.SetPositionY(EmuToPixels(ReadInteger64(vn::Trim(offset->Text))));
    const TXmlNode* align = DrawingChild(position, u"wp:align");
    AItem.SetVAlignment(align != nullptr ? ReadDrawingVAlignment(vn::Trim(align->Text))
                                         : TvnDrawingVAlignment::dvaNoAlignment);
  });
}

// ---------------------------------------------------------------------------
// Pictures

std::unique_ptr<TvnWordImage> TvnDOCXHelperFunctions::GetImageRun(const TXmlNode* ADrawingElement,
                                                                  TvnDOCXPackage* Apackage,
                                                                  const TvnDocXPackagePart* APart,
                                                                  TvnResourceCollection* ARC) {
  if (ADrawingElement == nullptr || ADrawingElement->Name != u"w:drawing") return nullptr;
  auto image = std::make_unique<TvnWordImage>(ARC);
  ReadPlacement(ADrawingElement, *image);
  if (DrawingChild(ADrawingElement, u"wp:anchor") == nullptr) {
    const TXmlNode* effect = FirstBelow(ADrawingElement, u"wp:effectExtent");
    if (effect != nullptr) GuardedDrawingStep(FWarnings, "effect extent", [&] {
        image->SetEffectRectangle(ReadEffectExtent(effect));
      });
  }
  GuardedDrawingStep(FWarnings, "picture data", [&] {
    const TXmlNode* blip = FirstBelow(FirstBelow(ADrawingElement, u"pic:blipFill"), u"a:blip");
    if (blip == nullptr || ARC == nullptr) return;
    String id = blip->GetAttribute(u"r:embed");
    if (id.empty()) id = blip->GetAttribute(u"r:link");
    if (id.empty()) return;
    // Ids are local to their part: a header's rId1 is not the body's.
    const String key = APart != nullptr ? APart->URI() + u"," + id : id;
    if (!ARC->ContainsResource(key)) {
      auto resource = std::make_unique<TvnImageResource>(key);
      std::unique_ptr<vn::TMemoryStream> bytes =
          Apackage != nullptr ? Apackage->GetResourceStream(id, APart) : nullptr;
      if (bytes && bytes->Size() > 0) {
        resource->SetResourceStream(std::shared_ptr<vn::TStream>(std::move(bytes)));
      } else {
        Warn("picture \"" + vn::ToUtf8(key) + "\" names no picture data in the package");
      }
      ARC->AddResource(std::move(resource));
    }
    image->SetResourceName(key);
  });
  return image;
}

// ---------------------------------------------------------------------------
// Text boxes

std::unique_ptr<TvnTextBox> TvnDOCXHelperFunctions::GetTextBox(const TXmlNode* ADrawingElement,
                                                               TvnDocumentMediator* AMediator,
                                                               TvnDOCXPackage* Apackage, TvnResourceCollection* ARC,
                                                               const TvnDocXPackagePart* APart, TvnTable* ATbl,
                                                               TvnTableRow* ACurrentRow, TvnTableCell* ACurrentCell) {
  if (ADrawingElement == nullptr || ADrawingElement->Name != u"w:drawing") return nullptr;
  auto box = std::make_unique<TvnTextBox>();
  ReadPlacement(ADrawingElement, *box);
  GuardedDrawingStep(FWarnings, "text box shape", [&] {
    const TXmlNode* shape = FirstBelow(ADrawingElement, u"wps:spPr");
    if (shape != nullptr) box->SetShapeProperties(ReadShapeProperties(shape));
  });
  GuardedDrawingStep(FWarnings, "text box insets", [&] {
    const TXmlNode* body = FirstBelow(ADrawingElement, u"wps:bodyPr");
    if (body != nullptr) box->SetBodyProperties(ReadBodyProperties(body));
  });
  GuardedDrawingStep(FWarnings, "text box content", [&] {
    const TXmlNode* content = DrawingChild(FirstBelow(ADrawingElement, u"wps:txbx"), u"w:txbxContent");
    if (content == nullptr) return;
    for (const TXmlNode* child : content->ChildNodes) {
      if (child->NodeType != ooxml::TXmlNodeType::ntElement) continue;
      auto item = GetParsedDocItem(child, AMediator, Apackage, ARC, APart, ATbl, ACurrentRow, ACurrentCell);
      if (item) box->Add(std::move(item));
    }
  });
  return box;
}

std::unique_ptr<TvnShapeProperties> TvnDOCXHelperFunctions::ReadShapeProperties(const TXmlNode* ASpPr) {
  auto props = std::make_unique<TvnShapeProperties>();
  const TXmlNode* xfrm = DrawingChild(ASpPr, u"a:xfrm");
  if (const TXmlNode* off = DrawingChild(xfrm, u"a:off")) {
    props->SetOffsetX(EmuAttribute(off, u"x", props->GetOffsetX()));
    props->SetOffsetY(EmuAttribute(off, u"y", props->GetOffsetY()));
  }
  if (const TXmlNode* ext = DrawingChild(xfrm, u"a:ext")) {
    props->SetExtentX(EmuAttribute(ext, u"cx", props->GetExtentX()));
    props->SetExtentY(EmuAttribute(ext, u"cy", props->GetExtentY()));
  }
  vn::framework::TvnRGBColor fill = props->GetSolidFill();
  ReadSolidFill(DrawingChild(ASpPr, u"a:solidFill"), fill);
  props->SetSolidFill(fill);
  if (const TXmlNode* ln = DrawingChild(ASpPr, u"a:ln")) {
    auto line = std::make_unique<TvnLineProperties>();
    line->SetWidth(EmuAttribute(ln, u"w", line->GetWidth()));
    vn::framework::TvnRGBColor color = line->GetSolidFill();
    ReadSolidFill(DrawingChild(ln, u"a:solidFill"), color);
    line->SetSolidFill(color);
    props->SetLineProperties(std::move(line));
  }
  return props;
}

std::unique_ptr<TvnBodyProperties> TvnDOCXHelperFunctions::ReadBodyProperties(const TXmlNode* ABodyPr) {
  auto props = std::make_unique<TvnBodyProperties>();
  props->SetLeftInset(EmuAttribute(ABodyPr, u"lIns", props->GetLeftInset()));
  props->SetTopInset(EmuAttribute(ABodyPr, u"tIns", props->GetTopInset()));
  props->SetRightInset(EmuAttribute(ABodyPr, u"rIns", props->GetRightInset()));
  props->SetBottomInset(EmuAttribute(ABodyPr, u"bIns", props->GetBottomInset()));
  for (const TXmlNode* child : ABodyPr->ChildNodes) {
    if (child->Name == u"a:noAutofit") props->SetAutoFit(TvnAutoFit::afNoAutoFit);
    if (child->Name == u"a:normAutofit") props->SetAutoFit(TvnAutoFit::afNormalAutoFit);
    if (child->Name == u"a:spAutoFit") props->SetAutoFit(TvnAutoFit::afShapeAutoFit);
  }
  return props;
}

// ---------------------------------------------------------------------------
// Wrapping and small readers

std::unique_ptr<TvnGraphicsWrap> TvnDOCXHelperFunctions::ReadWrapSquare(const TXmlNode* AElement) {
  if (AElement == nullptr || AElement->Name != u"wp:wrapSquare") return nullptr;
  auto wrap = std::make_unique<TvnWrapSquare>();
  wrap->SetEffectExtentRectangle(ReadEffectExtent(DrawingChild(AElement, u"wp:effectExtent")));
  wrap->SetWrapText(ReadWrapText(AElement->GetAttribute(u"wrapText")));
  wrap->SetDistB(EmuAttribute(AElement, u"distB", wrap->GetDistB()));
  wrap->SetDistL(EmuAttribute(AElement, u"distL", wrap->GetDistL()));
  wrap->SetDistR(EmuAttribute(AElement, u"distR", wrap->GetDistR()));
  wrap->SetDistT(EmuAttribute(AElement, u"distT", wrap->GetDistT()));
  return wrap;
}

std::unique_ptr<TvnGraphicsWrap> TvnDOCXHelperFunctions::ReadWrapTopAndBottom(const TXmlNode* AElement) {
  if (AElement == nullptr || AElement->Name != u"wp:wrapTopAndBottom") return nullptr;
  auto wrap = std::make_unique<TvnWrapTopAndBottom>();
  wrap->SetEffectExtentRectangle(ReadEffectExtent(DrawingChild(AElement, u"wp:effectExtent")));
  wrap->SetDistB(EmuAttribute(AElement, u"distB", wrap->GetDistB()));
  wrap->SetDistT(EmuAttribute(AElement, u"distT", wrap->GetDistT()));
  return wrap;
}

std::unique_ptr<TvnGraphicsWrap> TvnDOCXHelperFunctions::ReadWrapThrough(const TXmlNode* AElement) {
  if (AElement == nullptr || AElement->Name != u"wp:wrapThrough") return nullptr;
  auto wrap = std::make_unique<TvnWrapThrough>();
  wrap->GetPoints() = ReadWrapPolygon(DrawingChild(AElement, u"wp:wrapPolygon"));
  wrap->SetWrapText(ReadWrapText(AElement->GetAttribute(u"wrapText")));
  wrap->SetDistL(EmuAttribute(AElement, u"distL", wrap->GetDistL()));
  wrap->SetDistR(EmuAttribute(AElement, u"distR", wrap->GetDistR()));
  return wrap;
}

std::unique_ptr<TvnGraphicsWrap> TvnDOCXHelperFunctions::ReadWrapTight(const TXmlNode* AElement) {
  if (AElement == nullptr || AElement->Name != u"wp:wrapTight") return nullptr;
  auto wrap = std::make_unique<TvnWrapTight>();
  wrap->GetPoints() = ReadWrapPolygon(DrawingChild(AElement, u"wp:wrapPolygon"));
  wrap->SetWrapText(ReadWrapText(AElement->GetAttribute(u"wrapText")));
  wrap->SetDistL(EmuAttribute(AElement, u"distL", wrap->GetDistL()));
  wrap->SetDistR(EmuAttribute(AElement, u"distR", wrap->GetDistR()));
  return wrap;
}

std::vector<TvnPoint> TvnDOCXHelperFunctions::ReadWrapPolygon(const TXmlNode* AElement) {
  std::vector<TvnPoint> points;
  if (AElement == nullptr || AElement->Name != u"wp:wrapPolygon") return points;
  GuardedDrawingStep(FWarnings, "wrap polygon", [&] {
    const TXmlNode* start = DrawingChild(AElement, u"wp:start");
    if (start != nullptr) points.push_back(ReadWrapPoint(start));
    for (const TXmlNode* line : GetElements(AElement, u"wp:lineTo")) points.push_back(ReadWrapPoint(line));
  });
  return points;
}

TvnPoint TvnDOCXHelperFunctions::ReadWrapPoint(const TXmlNode* AElement) {
  if (AElement == nullptr) return TvnPoint();
  return TvnPoint(EmuAttribute(AElement, u"x", 0), EmuAttribute(AElement, u"y", 0));
}

TRect TvnDOCXHelperFunctions::ReadEffectExtent(const TXmlNode* AElement) {
  if (AElement == nullptr || AElement->Name != u"wp:effectExtent") return TRect{};
  const auto side = [&](StringView AName) {
    const String value = AElement->GetAttribute(AName);
    return value.empty() ? 0 : EmuToPixels(ReadInteger64(value));
  };
  // In pixels, as every other length of the model: the layout offsets an
  // inline drawing by the left side and keeps the sides clear of text, so
  // sides left in EMU pushed a picture thousands of pixels off the page.
  return TRect{side(u"l"), side(u"t"), side(u"r"), side(u"b")};
}

TvnDrawingHAlignment TvnDOCXHelperFunctions::ReadDrawingHAlignment(StringView AValue) {
  if (AValue == u"right") return TvnDrawingHAlignment::dhaRight;
  if (AValue == u"center") return TvnDrawingHAlignment::dhaCenter;
  if (AValue == u"inside") return TvnDrawingHAlignment::dhaInside;
  if (AValue == u"outside") return TvnDrawingHAlignment::dhaOutside;
  return TvnDrawingHAlignment::dhaLeft;
}

TvnDrawingVAlignment TvnDOCXHelperFunctions::ReadDrawingVAlignment(StringView AValue) {
  if (AValue == u"bottom") return TvnDrawingVAlignment::dvaBottom;
  if (AValue == u"center") return TvnDrawingVAlignment::dvaCenter;
  if (AValue == u"inside") return TvnDrawingVAlignment::dvaInside;
  if (AValue == u"outside") return TvnDrawingVAlignment::dvaOutside;
  return TvnDrawingVAlignment::dvaTop;
}

TvnWrapText TvnDOCXHelperFunctions::ReadWrapText(StringView AValue) {
  if (AValue == u"largest") return TvnWrapText::wtLargest;
  if (AValue == u"left") return TvnWrapText::wtLeft;
  if (AValue == u"right") return TvnWrapText::wtRight;
  return TvnWrapText::wtBothSides;
}

}  // namespace vn::docx
