// The picture, shape and text-box handlers of the dispatcher, and the
// document information group.
//
// A picture's data are the hexadecimal text of its group (or the bytes of
// its "\bin" word); they are decoded when the group ends, so a picture
// without data ends with its group and takes no text after it. Its format
// is left for the model's image to recognise from the bytes.
#include <algorithm>
#include <cctype>
#include <utility>

#include "framework/document_routines.h"
#include "rtf/rtf_tag_handler.h"
#include "runtime/datetime.h"
#include "runtime/numbers.h"
#include "wordmodel/drawing_placement.h"
#include "wordmodel/images.h"
#include "wordmodel/text_box.h"

namespace vn::rtf {

namespace {

using vn::wordmodel::TvnDrawingHAlignment;
using vn::wordmodel::TvnDrawingVAlignment;
using vn::wordmodel::TvnGraphicsWrap;
using vn::wordmodel::TvnHRelativePosition;
using vn::wordmodel::TvnVRelativePosition;
using vn::wordmodel::TvnWordImage;
using vn::wordmodel::TvnWrapText;

int32_t RtfPictureTwipsToPixels(int32_t ATwips) { return vn::RoundToInt(ATwips / 15.0); }

int RtfHexDigit(char AChar) {
  if (AChar >= '0' && AChar <= '9') return AChar - '0';
  if (AChar >= 'a' && AChar <= 'f') return AChar - 'a' + 10;
  if (AChar >= 'A' && AChar <= 'F') return AChar - 'A' + 10;
  return -1;
}

// Hexadecimal picture text to bytes: white space is skipped, a pair that
// is not hexadecimal gives 0, an odd last digit is dropped.
std::vector<uint8_t> DecodeRtfPictureHex(std::string_view AText) {
  std::vector<uint8_t> bytes;
  bytes.reserve(AText.size() / 2);
  int high = -2;
  for (char c : AText) {
    if (std::isspace(static_cast<unsigned char>(c))) continue;
    if (high == -2) {
      high = RtfHexDigit(c);
      continue;
    }
    const int low = RtfHexDigit(c);
    bytes.push_back(high < 0 || low < 0 ? uint8_t{0} : static_cast<uint8_t>(high * 16 + low));
    high = -2;
  }
  return bytes;
}

std::optional<int32_t> RtfPropertyNumber(const std::string& AValue) {
  return vn::TryStrToInt(vn::Trim(vn::FromUtf8(AValue)));
}

}  // namespace

// A picture or shape being read: its placement, and for a shape the picture
// read inside it.
struct TvnRTFTagHandler::PendingImage {
  bool Floating = false;
  int32_t X = 0;
  int32_t Y = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  TvnHRelativePosition HRelative = TvnHRelativePosition::hrpColumn;
  TvnVRelativePosition VRelative = TvnVRelativePosition::vrpParagraph;
  TvnDrawingHAlignment HAlignment = TvnDrawingHAlignment::dhaNoAlignment;
  TvnDrawingVAlignment VAlignment = TvnDrawingVAlignment::dvaNoAlignment;
  bool BehindDoc = false;
  std::optional<int32_t> PositionX;
  std::optional<int32_t> PositionY;
  std::unique_ptr<TvnGraphicsWrap> Wrap;
  TvnWrapText WrapSide = TvnWrapText::wtBothSides;
  std::unique_ptr<TvnWordImage> Picture;
  std::unique_ptr<vn::wordmodel::TvnTextBox> TextBox;

  void PlaceOn(vn::wordmodel::DrawingPlacement& APlacement, bool AInline) const {
    APlacement.SetHRelativePosition(HRelative);
    APlacement.SetVRelativePosition(VRelative);
    APlacement.SetHAlignment(HAlignment);
    APlacement.SetVAlignment(VAlignment);
    APlacement.SetIsInLine(AInline);
    APlacement.SetBehindDoc(BehindDoc);
    if (PositionX) APlacement.SetPositionX(*PositionX);
    if (PositionY) APlacement.SetPositionY(*PositionY);
    if (Wrap) APlacement.SetWrap(Wrap->Clone());
  }
};

TvnRTFTagHandler::TvnRTFTagHandler(TvnDocumentMediator* AMediator) : FMediator(AMediator) {
  // The state outside every group, then the groups of the document.
  FStack.emplace_back();
  FStack.back().Props = std::make_shared<TvnRunProperties>();
}

TvnRTFTagHandler::~TvnRTFTagHandler() = default;

void TvnRTFTagHandler::BeginShape(bool AFloating) {
  // A shape inside a shape is read as part of the outer one.
  if (FShape) return;
  FShape = std::make_unique<PendingImage>();
  FShape->Floating = AFloating;
}

void TvnRTFTagHandler::BeginPicture() {
  FPictureBinary.clear();
  // A picture inside a shape takes the shape's placement; a stand-alone one
  // has its own.
  if (!FShape) FImage = std::make_unique<PendingImage>();
}

void TvnRTFTagHandler::HandlePictureText(std::string_view ABytes) {
  // More than a picture can hold is not kept.
  if (FPictureBytes.size() + ABytes.size() <= kMaxRtfPictureText) FPictureBytes.append(ABytes);
}

void TvnRTFTagHandler::FinishPicture(GroupState&) {
  PendingImage* placement = FImage ? FImage.get() : FShape.get();
  if (placement == nullptr) return;
  std::vector<uint8_t> bytes;
  if (!FPictureBinary.empty())
    bytes.assign(FPictureBinary.begin(), FPictureBinary.end());
  else
    bytes = DecodeRtfPictureHex(FPictureBytes);
  FPictureBytes.clear();
  FPictureBinary.clear();
  auto image = std::make_unique<TvnWordImage>(std::make_shared<vn::TMemoryStream>(std::move(bytes)));
  const double right = placement->X + static_cast<double>(int64_t{placement->Width} * FScaleX) / 100.0;
  const double bottom = placement->Y + static_cast<double>(int64_t{placement->Height} * FScaleY) / 100.0;
  image->SetBoundingRect({placement->X, placement->Y, vn::RoundToInt(std::clamp(right, -2e9, 2e9)),
                          vn::RoundToInt(std::clamp(bottom, -2e9, 2e9))});
  if (FImage) {
    FImage->PlaceOn(*image, true);
    FImage.reset();
    AppendDrawing(std::move(image));
    return;
  }
  FShape->PlaceOn(*image, !FShape->Floating);
  FShape->Picture = std::move(image);
}

void TvnRTFTagHandler::FinishShape() {
  if (!FShape) return;
  std::unique_ptr<PendingImage> shape = std::move(FShape);
  if (shape->TextBox) AppendDrawing(std::move(shape->TextBox));
  if (shape->Picture) {
    // A picture without data is no picture.
    vn::TStream* data = shape->Picture->GetImageStream();
    if (data == nullptr || data->Size() == 0) return;
    AppendDrawing(std::move(shape->Picture));
  }
}

void TvnRTFTagHandler::FinishTextBox() {
  vn::wordmodel::TvnItemList collected = EndCollecting();
  auto box = std::make_unique<vn::wordmodel::TvnTextBox>();
  for (auto& item : collected) box->Add(std::move(item));
  if (FShape) {
    box->SetBoundingRect({FShape->X, FShape->Y, FShape->X + FShape->Width, FShape->Y + FShape->Height});
    FShape->PlaceOn(*box, false);
    FShape->TextBox = std::move(box);
    return;
  }
  // A text box outside a shape stands where it was read.
  box->SetIsInLine(true);
  AppendDrawing(std::move(box));
}

void TvnRTFTagHandler::DoPictureSize(const TvnRTFElement& AElement) {
  PendingImage* target = FImage ? FImage.get() : FShape.get();
  const std::optional<int32_t> value = AElement.Parameter();
  if (target == nullptr || !value) return;
  const std::string& name = AElement.RTFString;
  if (name == "\\picscalex" || name == "\\picscaley") {
    if (*value <= 0) return;
    (name == "\\picscalex" ? FScaleX : FScaleY) = std::min(*value, 10000);
  } else if (name == "\\picwgoal" || name == "\\pichgoal") {
    if (*value < 0) return;
    (name == "\\picwgoal" ? target->Width : target->Height) = RtfPictureTwipsToPixels(*value);
  }
}

void TvnRTFTagHandler::DoShapePlacement(const TvnRTFElement& AElement) {
  const std::optional<int32_t> value = AElement.Parameter();
  if (!FShape || !value) return;
  const int32_t pixels = RtfPictureTwipsToPixels(*value);
  const std::string& name = AElement.RTFString;
  if (name == "\\shpleft")
    FShape->X = pixels;
  else if (name == "\\shptop")
    FShape->Y = pixels;
  else if (name == "\\shpright")
    FShape->Width = std::max(pixels - FShape->X, 0);
  else
    FShape->Height = std::max(pixels - FShape->Y, 0);
}

void TvnRTFTagHandler::DoShapeWrap(const TvnRTFElement& AElement) {
  if (!FShape) return;
  const int32_t value = AElement.Parameter().value_or(0);
  const std::string& name = AElement.RTFString;
  if (name == "\\shpwr") {
    switch (value) {
      case 1: FShape->Wrap = std::make_unique<vn::wordmodel::TvnWrapTopAndBottom>(); break;
      case 2: FShape->Wrap = std::make_unique<vn::wordmodel::TvnWrapSquare>(); break;
      case 3: FShape->Wrap.reset(); break;
      case 4: FShape->Wrap = std::make_unique<vn::wordmodel::TvnWrapTight>(); break;
      case 5: FShape->Wrap = std::make_unique<vn::wordmodel::TvnWrapThrough>(); break;
      default: return;
    }
  } else if (name == "\\shpwrk") {
    static constexpr TvnWrapText kSides[] = {TvnWrapText::wtBothSides, TvnWrapText::wtLeft, TvnWrapText::wtRight,
                                             TvnWrapText::wtLargest};
    if (value < 0 || value > 3) return;
    FShape->WrapSide = kSides[value];
  } else {
    FShape->BehindDoc = value == 1;
    if (FShape->Wrap) FShape->Wrap->SetBehindDoc(FShape->BehindDoc);
    return;
  }
  if (FShape->Wrap) FShape->Wrap->SetWrapText(FShape->WrapSide);
}

void TvnRTFTagHandler::DoShapeProperty(const std::string& AName, const std::string& AValue) {
  if (!FShape) return;
  const std::optional<int32_t> number = RtfPropertyNumber(AValue);
  if (!number) return;
  const int32_t n = *number;
  if (AName == "fBehindDocument" || AName == "fPseudoInline") {
    FShape->BehindDoc = n == 1;
  } else if (AName == "posh") {
    static constexpr TvnDrawingHAlignment kAlign[] = {TvnDrawingHAlignment::dhaLeft, TvnDrawingHAlignment::dhaCenter,
                                                      TvnDrawingHAlignment::dhaRight, TvnDrawingHAlignment::dhaInside,
                                                      TvnDrawingHAlignment::dhaOutside};
    if (n >= 1 && n <= 5) FShape->HAlignment = kAlign[n - 1];
  } else if (AName == "posv") {
    static constexpr TvnDrawingVAlignment kAlign[] = {TvnDrawingVAlignment::dvaTop, TvnDrawingVAlignment::dvaCenter,
                                                      TvnDrawingVAlignment::dvaBottom, TvnDrawingVAlignment::dvaInside,
                                                      TvnDrawingVAlignment::dvaOutside};
    if (n >= 1 && n <= 5) FShape->VAlignment = kAlign[n - 1];
  } else if (AName == "posrelh") {
    static constexpr TvnHRelativePosition kRel[] = {
        TvnHRelativePosition::hrpMargin,      TvnHRelativePosition::hrpPage,
        TvnHRelativePosition::hrpColumn,      TvnHRelativePosition::hrpCharacter,
        TvnHRelativePosition::hrpLeftMargin,  TvnHRelativePosition::hrpRightMargin,
        TvnHRelativePosition::hrpInsideMargin, TvnHRelativePosition::hrpOutsideMargin};
    if (n >= 0 && n <= 7) FShape->HRelative = kRel[n];
  } else if (AName == "posrelv") {
    static constexpr TvnVRelativePosition kRel[] = {
        TvnVRelativePosition::vrpMargin,       TvnVRelativePosition::vrpPage,
        TvnVRelativePosition::vrpParagraph,    TvnVRelativePosition::vrpLine,
        TvnVRelativePosition::vrpTopMargin,    TvnVRelativePosition::vrpBottomMargin,
        TvnVRelativePosition::vrpInsideMargin, TvnVRelativePosition::vrpOutsideMargin};
    if (n >= 0 && n <= 7) FShape->VRelative = kRel[n];
  } else if (AName == "pctHorizPos") {
    FShape->PositionX = n;
  } else if (AName == "pctVertPos") {
    FShape->PositionY = n;
  }
}

// --- Document information ----------------------------------------------------

void TvnRTFTagHandler::DoDatePart(const TvnRTFElement& AElement) {
  const std::optional<int32_t> value = AElement.Parameter();
  if (!value) return;
  const std::string& name = AElement.RTFString;
  if (name == "\\yr")
    FYear = *value;
  else if (name == "\\mo")
    FMonth = *value;
  else if (name == "\\dy")
    FDay = *value;
  else if (name == "\\hr")
    FHour = *value;
  else
    FMin = *value;
}

String RtfDateText(int32_t AYear, int32_t AMonth, int32_t ADay, int32_t AHour, int32_t AMinute) {
  const std::optional<vn::TDateTime> date = vn::TryEncodeDate(AYear, AMonth, ADay);
  const std::optional<vn::TDateTime> time = vn::TryEncodeTime(AHour, AMinute, 0, 0);
  if (!date || !time) return {};
  return vn::framework::DateTimeToISOText(*date + *time);
}

void TvnRTFTagHandler::DecodeInfoBytes() {
  String decoded;
  FDecoder.Decode(FCodePage, FInfoBytes, decoded);
  FInfoText += decoded;
  FInfoBytes.clear();
}

void TvnRTFTagHandler::StoreInfoText(const std::string& AKey, const std::string& AText) {
  if (AKey == "\\sn") {
    FShapePropertyName = AText;
    return;
  }
  if (AKey == "\\sv") {
    DoShapeProperty(FShapePropertyName, AText);
    return;
  }
  if (!FDocumentInfo) return;
  String rest;
  FDecoder.Decode(FCodePage, AText, rest);
  const String text = FInfoText + rest;
  if (AKey == "\\title")
    FDocumentInfo->SetTitle(text);
  else if (AKey == "\\subject")
    FDocumentInfo->SetSubject(text);
  else if (AKey == "\\author")
    FDocumentInfo->SetAuthor(text);
  else if (AKey == "\\keywords")
    FDocumentInfo->SetKeyWords(text);
  else if (AKey == "\\doccomm")
    FDocumentInfo->SetComments(text);
  else if (AKey == "\\operator")
    FDocumentInfo->SetLastModifiedBy(text);
  else if (AKey == "\\company")
    FDocumentInfo->SetCreator(text);
  else if (AKey == "\\category")
    FDocumentInfo->SetCategory(text);
}

}  // namespace vn::rtf
