// Annotations and actions of the extended PDF engine: placing them on the
// current page, and writing the annotation dictionaries, their actions and
// embedded files, the pages' open and close actions and the document's
// event scripts.
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "pdfwriter/extended_pdf_engine.h"
#include "pdfwriter/pdf_syntax_impl.h"
#include "runtime/datetime.h"

namespace vn::pdfwriter {

namespace annot_detail {
namespace {

std::string Colour(TColor color) { return "[" + vn::ToUtf8(vn::framework::ColorToPDFRGBText(color)) + "]"; }

const char* BorderStyleName(TvnAnnotBrushStyle style) {
  switch (style) {
    case TvnAnnotBrushStyle::absSolid: return "/S";
    case TvnAnnotBrushStyle::absDashed: return "/D";
    case TvnAnnotBrushStyle::absBeveled: return "/B";
    case TvnAnnotBrushStyle::absInset: return "/I";
    case TvnAnnotBrushStyle::absUnderline: return "/U";
  }
  return "/S";
}

const char* LineEndingName(TvnLineEnding ending) {
  static const char* const kNames[] = {"/None",    "/Butt",      "/Square",      "/Circle",     "/Diamond",
                                       "/OpenArrow", "/ClosedArrow", "/ROpenArrow", "/RClosedArrow"};
  return kNames[static_cast<size_t>(ending)];
}

const char* FitName(TvnDestinationFit fit) {
  static const char* const kNames[] = {"/XYZ", "/Fit", "/FitH", "/FitV", "/FitR"};
  return kNames[static_cast<size_t>(fit)];
}

const char* NamedActionName(TvnNamedActionType name) {
  static const char* const kNames[] = {"/NextPage", "/PrevPage", "/FirstPage", "/LastPage"};
  return kNames[static_cast<size_t>(name)];
}

const char* TextIconName(TvnTextAnnotIcon icon) {
  static const char* const kNames[] = {"/Comment", "/Key", "/Note", "/Help", "/NewParagraph", "/Paragraph", "/Insert"};
  return kNames[static_cast<size_t>(icon)];
}

const char* StampNameText(TvnStampName name) {
  static const char* const kNames[] = {"/Approved",     "/Experimental",        "/NotApproved", "/AsIs",
                                       "/Expired",      "/NotForPublicRelease", "/Confidential", "/Final",
                                       "/Sold",         "/Departmental",        "/ForComment",  "/TopSecret",
                                       "/Draft",        "/ForPublicRelease"};
  return kNames[static_cast<size_t>(name)];
}

const char* MarkupName(TvnMarkupType type) {
  static const char* const kNames[] = {"/Highlight", "/Underline", "/Squiggly", "/StrikeOut"};
  return kNames[static_cast<size_t>(type)];
}

const char* AttachmentIconName(TvnAttachmentIcon icon) {
  static const char* const kNames[] = {"/Graph", "/PushPin", "/Paperclip", "/Tag"};
  return kNames[static_cast<size_t>(icon)];
}

bool IsScriptOrLaunch(const TvnAnnotAction* action) {
  return action &&
         (action->SubType() == TvnAnnotActionType::aaJavaScript || action->SubType() == TvnAnnotActionType::aaLaunch);
}

}  // namespace
}  // namespace annot_detail


// ---- placing

bool TvnExPDFEngine::PlaceRect(TvnRect& rect) {
  using namespace annot_detail;
  const vn::exporter::TvnBandType previous = FBandType;
  SetBandType(vn::exporter::TvnBandType::btContent);
  TvnRect placed = ConvertRect(rect);
  placed.Left += FBandRect.Left;
  placed.Right += FBandRect.Left;
  placed.Top += FBandRect.Top;
  placed.Bottom += FBandRect.Top;
  const bool inside = IsInBand(placed.Left, placed.Top);
  SetBandType(previous);
  if (inside) {
    // Corners in any order become left-top and right-bottom.
    rect = {std::min(placed.Left, placed.Right), std::min(placed.Top, placed.Bottom), std::max(placed.Left, placed.Right),
            std::max(placed.Top, placed.Bottom)};
  }
  return inside;
}

void TvnExPDFEngine::PlacePoints(vn::exporter::TvnPoints& points) const {
  using namespace annot_detail;
  // The band is the content band while an item is being placed.
  for (auto& p : points) {
    p.X = ConvertX(p.X) + FBandRect.Left;
    p.Y = ConvertY(p.Y) + FBandRect.Top;
  }
}

double TvnExPDFEngine::PageX(double x) const { return x * FPixelToPointMultiplier; }

double TvnExPDFEngine::PageY(int32_t page, double y) const {
  using namespace annot_detail;
  double height = 0;
  if (page >= 1 && static_cast<size_t>(page) <= FPageList.size() && FPageList[static_cast<size_t>(page - 1)])
    height = FPageList[static_cast<size_t>(page - 1)]->Height;
  return height - y * FPixelToPointMultiplier;
}

std::string TvnExPDFEngine::PageRectText(int32_t page, const TvnRect& r) const {
  using namespace annot_detail;
  return "[" + Num(PageX(r.Left)) + " " + Num(PageY(page, r.Bottom)) + " " + Num(PageX(r.Right)) + " " + Num(PageY(page, r.Top)) +
         "]";
}

std::string TvnExPDFEngine::PageRef(int32_t page) const {
  using namespace annot_detail;
  if (page < 1 || static_cast<size_t>(page) > FPageList.size() || !FPageList[static_cast<size_t>(page - 1)]) return {};
  return ObjectRef(FPageList[static_cast<size_t>(page - 1)]->ObjNo);
}

std::string TvnExPDFEngine::CurrentDateText() const {
  using namespace annot_detail;
  const vn::TDateTime now = vn::Now();
  return FormatPDFDate(now, vn::LocalUtcOffsetMinutes(now));
}

void TvnExPDFEngine::PlaceAction(TvnAnnotAction* action) const {
  if (!action || action->SubType() != TvnAnnotActionType::aaGoTo) return;
  auto& go = static_cast<TvnGoToAction&>(*action);
  go.FPixels[0] = ConvertX(go.Left);
  go.FPixels[1] = ConvertY(go.Top);
  go.FPixels[2] = ConvertX(go.Right);
  go.FPixels[3] = ConvertY(go.Bottom);
}

// ---- adding

bool TvnExPDFEngine::AddAnnotItem(std::unique_ptr<TvnPDFAnnot> annot) {
  using namespace annot_detail;
  if (!annot || !IsDocumentStarted()) return false;
  if (IsPDFA() && IsScriptOrLaunch(annot->Action.get()))
    throw vn::ENotSupportedException("JavaScript and launch actions are not allowed in PDF/A");
  if (!PlaceRect(annot->Rect)) return false;
  const vn::exporter::TvnBandType previous = FBandType;
  SetBandType(vn::exporter::TvnBandType::btContent);
  switch (annot->Kind()) {
    case TvnPDFAnnotKind::Line: {
      auto& line = static_cast<TvnPDFLineAnnot&>(*annot);
      vn::exporter::TvnPoints points{line.StartPoint, line.EndPoint};
      PlacePoints(points);
      line.StartPoint = points[0];
      line.EndPoint = points[1];
      break;
    }
    case TvnPDFAnnotKind::Polygon:
    case TvnPDFAnnotKind::PolyLine: PlacePoints(static_cast<TvnPDFPolygonAnnot&>(*annot).Vertices); break;
    case TvnPDFAnnotKind::Markup: PlacePoints(static_cast<TvnPDFMarkupAnnot&>(*annot).QuadPoints); break;
    case TvnPDFAnnotKind::Ink:
      for (auto& stroke : static_cast<TvnPDFInkAnnot&>(*annot).InkList) PlacePoints(stroke);
      break;
    default: break;
  }
  SetBandType(previous);
  PlaceAction(annot->Action.get());
  if (annot->Kind() == TvnPDFAnnotKind::FileAttachment) {
    auto& attachment = static_cast<TvnPDFFileAttachmentAnnot&>(*annot);
    attachment.FData = vn::ReadFileBytes(std::filesystem::path(vn::ToUtf8(attachment.FileName)));
  }
  annot->FPageNo = CurrentPage();
  annot->FObjNo = NewObjectNumber();
  FAnnotList.push_back(std::move(annot));
  return true;
}

// ---- actions

std::string TvnExPDFEngine::DestinationText(const TvnGoToAction& go) const {
  using namespace annot_detail;
  const std::string page = PageRef(go.PageNumber);
  if (page.empty()) return {};
  const double left = PageX(go.FPixels[0]), top = PageY(go.PageNumber, go.FPixels[1]);
  const double right = PageX(go.FPixels[2]), bottom = PageY(go.PageNumber, go.FPixels[3]);
  std::string text = "[" + page + " " + FitName(go.FitType);
  switch (go.FitType) {
    case TvnDestinationFit::dfXYZ: text += " " + Num(left) + " " + Num(top) + " " + Num(go.Zoom); break;
    case TvnDestinationFit::dfFit: break;
    case TvnDestinationFit::dfFitH: text += " " + Num(top); break;
    case TvnDestinationFit::dfFitV: text += " " + Num(left); break;
    case TvnDestinationFit::dfFitR: text += " " + Num(left) + " " + Num(bottom) + " " + Num(right) + " " + Num(top); break;
  }
  return text + "]";
}

std::string TvnExPDFEngine::ActionText(const TvnAnnotAction& action, int32_t n) {
  using namespace annot_detail;
  auto file_spec = [&](const String& name) {
    return "<</Type/Filespec/F <" + vn::framework::AnsiToHexText(EncryptObjectStrings(vn::ToUtf8(name), n, 0)) + ">/UF " +
           TextString(name, n) + ">>";
  };
  std::string text = "<</Type/Action";
  switch (action.SubType()) {
    case TvnAnnotActionType::aaGoTo: {
      const std::string destination = DestinationText(static_cast<const TvnGoToAction&>(action));
      if (destination.empty()) return {};
      text += "/S/GoTo/D " + destination;
      break;
    }
    case TvnAnnotActionType::aaGoToR: {
      const auto& go = static_cast<const TvnGoToRAction&>(action);
      // A remote destination names its page by its 0-based number.
      text += "/S/GoToR/F " + file_spec(go.FileName) + "/D [" + std::to_string(std::max(go.PageNumber, 1) - 1) + " " +
              FitName(go.FitType);
      switch (go.FitType) {
        case TvnDestinationFit::dfXYZ: text += " " + Num(go.Left) + " " + Num(go.Top) + " " + Num(go.Zoom); break;
        case TvnDestinationFit::dfFit: break;
        case TvnDestinationFit::dfFitH: text += " " + Num(go.Top); break;
        case TvnDestinationFit::dfFitV: text += " " + Num(go.Left); break;
        case TvnDestinationFit::dfFitR:
          text += " " + Num(go.Left) + " " + Num(go.Bottom) + " " + Num(go.Right) + " " + Num(go.Top);
          break;
      }
      text += std::string("]/NewWindow ") + (go.NewWindow ? "true" : "false");
      break;
    }
    case TvnAnnotActionType::aaURI:
      text += "/S/URI/URI <" +
              vn::framework::AnsiToHexText(EncryptObjectStrings(UriBytes(static_cast<const TvnURIAction&>(action).URI), n, 0)) +
              ">";
      break;
    case TvnAnnotActionType::aaNamed:
      text += std::string("/S/Named/N") + NamedActionName(static_cast<const TvnNamedAction&>(action).Name);
      break;
    case TvnAnnotActionType::aaLaunch: {
      const auto& launch = static_cast<const TvnLaunchAction&>(action);
      text += "/S/Launch/F " + file_spec(launch.FileName) + "/NewWindow " + (launch.NewWindow ? "true" : "false");
      break;
    }
    case TvnAnnotActionType::aaJavaScript:
      // The whole text string (its byte order mark too) is encrypted.
      text += "/S/JavaScript/JS " + TextString(static_cast<const TvnJavaScriptAction&>(action).Script, n);
      break;
  }
  return text + ">>";
}

// ---- writing

int32_t TvnExPDFEngine::WriteEmbeddedFile(const std::string& data) {
  using namespace annot_detail;
  const int32_t n = NewObjectNumber(), length_obj = NewObjectNumber();
  const vn::TDateTime now = vn::Now();
  const std::string date = FormatPDFDate(now, vn::LocalUtcOffsetMinutes(now));
  const int64_t length = WriteStreamObject(
      n,
      "/Type/EmbeddedFile/Params <</Size " + std::to_string(data.size()) + "/ModDate <" +
          vn::framework::AnsiToHexText(EncryptObjectStrings(date, n, 0)) + ">>>/Length " + ObjectRef(length_obj) +
          FlateFilterEntry() + kCRLF,
      data);
  WriteObject(std::to_string(length), length_obj, true);
  return n;
}

std::string TvnExPDFEngine::AnnotationText(TvnPDFAnnot& annot) {
  using namespace annot_detail;
  const int32_t n = annot.FObjNo;
  const int32_t page = annot.FPageNo;
  auto point = [&](const vn::exporter::TvnPoint& p) { return Num(PageX(p.X)) + " " + Num(PageY(page, p.Y)); };
  auto points = [&](const vn::exporter::TvnPoints& list) {
    std::string text;
    for (const auto& p : list) text += (text.empty() ? "" : " ") + point(p);
    return text;
  };
  auto shape_border = [&](const TvnAnnotShapeStyle& style) {
    std::string text = "/BS <</Type/Border/W " + std::to_string(std::max(style.LineWidth, 0)) + "/S " +
                       BorderStyleName(static_cast<TvnAnnotBrushStyle>(style.LineStyle));
    if (style.LineStyle == TvnAnnotLineStyle::alsDashed) text += "/D [" + style.DashPattern + "]";
    text += ">>";
    if (style.InteriorColor != kNoInteriorColor) text += "/IC " + Colour(style.InteriorColor);
    return text;
  };
  auto effect = [&](TvnBorderEffect e, int32_t intensity) -> std::string {
    if (e == TvnBorderEffect::beNone) return {};
    return "/BE <</S/C/I " + std::to_string(std::clamp(intensity, 0, 2)) + ">>";
  };
  auto differences = [&](const double (&d)[4]) {
    return "/RD [" + Num(d[0]) + " " + Num(d[1]) + " " + Num(d[2]) + " " + Num(d[3]) + "]";
  };

  std::string subtype, entries;
  bool markup = true;  // a markup annotation: author, subject, date
  bool own_border = false;
  switch (annot.Kind()) {
    case TvnPDFAnnotKind::Plain:
    case TvnPDFAnnotKind::Link: {
      subtype = "/Link";
      markup = false;
      if (annot.Kind() == TvnPDFAnnotKind::Link) {
        const auto& link = static_cast<TvnPDFLinkAnnot&>(annot);
        static const char* const kModes[] = {"/N", "/I", "/O", "/P"};
        entries += std::string("/H") + kModes[static_cast<size_t>(link.HighlightMode)] + "/Border [0 0 " +
                   std::to_string(std::max(link.BorderWidth, 0)) + "]";
      }
      break;
    }
    case TvnPDFAnnotKind::Text: {
      const auto& text = static_cast<TvnPDFTextAnnot&>(annot);
      subtype = "/Text";
      entries += std::string("/Name") + TextIconName(text.Icon) + "/Open " + (text.Open ? "true" : "false");
      break;
    }
    case TvnPDFAnnotKind::FreeText: {
      auto& free = static_cast<TvnPDFFreeTextAnnot&>(annot);
      subtype = "/FreeText";
      const int32_t size = free.Font.Size > 0 ? free.Font.Size : 10;
      const std::string colour = vn::ToUtf8(vn::framework::ColorToPDFRGBText(free.TextColor));
      static const char* const kAlign[] = {"left", "right", "center"};
      const int q = free.TextAlignment == TvnFreeTextAlignment::ftaLeft ? 0 : free.TextAlignment == TvnFreeTextAlignment::ftaCenter ? 1 : 2;
      entries += "/DA <" + vn::framework::AnsiToHexText(EncryptObjectStrings("/Helv " + std::to_string(size) + " Tf " + colour + " rg", n, 0)) +
                 ">/Q " + std::to_string(q) + "/DS " +
                 TextString(u"font: " + free.Font.Name + u" " + vn::FromAscii(std::to_string(size)) + u"pt; text-align:" +
                                vn::FromAscii(kAlign[static_cast<size_t>(free.TextAlignment)]) + u"; color:#" +
                                vn::framework::ColorToHexRGB(free.TextColor),
                            n);
      // The text is drawn by an appearance of its own, so that every reader
      // shows it alike.
      const double w = (annot.Rect.Right - annot.Rect.Left) * FPixelToPointMultiplier;
      const double h = (annot.Rect.Bottom - annot.Rect.Top) * FPixelToPointMultiplier;
      TFont font = free.Font;
      font.Size = size;
      font.Color = free.TextColor;
      const int32_t index = FieldFontIndex(font, {annot.Contents});
      entries += "/AP <</N " + ObjectRef(FreeTextAppearance(annot.Contents, font, index, q, w, h)) + ">>";
      break;
    }
    case TvnPDFAnnotKind::Line: {
      const auto& line = static_cast<TvnPDFLineAnnot&>(annot);
      subtype = "/Line";
      own_border = true;
      entries += "/L [" + point(line.StartPoint) + " " + point(line.EndPoint) + "]" + shape_border(line.Style) + "/LE [" +
                 LineEndingName(line.StartEnding) + " " + LineEndingName(line.EndEnding) + "]";
      break;
    }
    case TvnPDFAnnotKind::Square:
    case TvnPDFAnnotKind::Circle: {
      const auto& shape = static_cast<TvnPDFSquareAnnot&>(annot);
      subtype = annot.Kind() == TvnPDFAnnotKind::Square ? "/Square" : "/Circle";
      own_border = true;
      entries += shape_border(shape.Style) + effect(shape.BorderEffect, shape.EffectIntensity) + differences(shape.RectDifferences);
      break;
    }
    case TvnPDFAnnotKind::Polygon:
    case TvnPDFAnnotKind::PolyLine: {
      const auto& poly = static_cast<TvnPDFPolygonAnnot&>(annot);
      own_border = true;
      if (annot.Kind() == TvnPDFAnnotKind::Polygon) {
        subtype = "/Polygon";
        entries += "/Vertices [" + points(poly.Vertices) + "]" + shape_border(poly.Style) + effect(poly.BorderEffect, poly.EffectIntensity);
      } else {
        const auto& polyline = static_cast<TvnPDFPolyLineAnnot&>(annot);
        subtype = "/PolyLine";
        entries += "/Vertices [" + points(poly.Vertices) + "]" + shape_border(poly.Style) + "/LE [" +
                   LineEndingName(polyline.StartEnding) + " " + LineEndingName(polyline.EndEnding) + "]";
      }
      break;
    }
    case TvnPDFAnnotKind::Stamp:
      subtype = "/Stamp";
      entries += std::string("/Name") + StampNameText(static_cast<TvnPDFStampAnnot&>(annot).StampName);
      break;
    case TvnPDFAnnotKind::Markup: {
      const auto& mark = static_cast<TvnPDFMarkupAnnot&>(annot);
      subtype = MarkupName(mark.MarkupType);
      entries += "/QuadPoints [" + points(mark.QuadPoints) + "]";
      break;
    }
    case TvnPDFAnnotKind::Caret: {
      const auto& caret = static_cast<TvnPDFCaretAnnot&>(annot);
      subtype = "/Caret";
      entries += std::string("/Sy") + (caret.Symbol == TvnCaretSymbol::csParagraph ? "/P" : "/None") + differences(caret.RectDifferences);
      break;
    }
    case TvnPDFAnnotKind::Ink: {
      subtype = "/Ink";
      entries += "/InkList [";
      for (const auto& stroke : static_cast<TvnPDFInkAnnot&>(annot).InkList) entries += "[" + points(stroke) + "]";
      entries += "]";
      break;
    }
    case TvnPDFAnnotKind::FileAttachment: {
      auto& attachment = static_cast<TvnPDFFileAttachmentAnnot&>(annot);
      subtype = "/FileAttachment";
      const int32_t file = WriteEmbeddedFile(attachment.FData);
      const std::filesystem::path path(vn::ToUtf8(attachment.FileName));
      const String name = vn::FromUtf8(path.filename().string());
      entries += std::string("/Name") + AttachmentIconName(attachment.AttachmentIcon) + "/FS <</Type/Filespec/F <" +
                 vn::framework::AnsiToHexText(EncryptObjectStrings(vn::ToUtf8(name), n, 0)) + ">/UF " + TextString(name, n) +
                 "/EF <</F " + ObjectRef(file) + ">>>>";
      break;
    }
  }

  std::string text = "/Type/Annot/Subtype" + subtype + "/Rect " + PageRectText(page, annot.Rect) + "/P " + PageRef(page) + "/F 4";
  text += "/C " + Colour(annot.BorderColor);
  if (!annot.Contents.empty()) text += "/Contents " + TextString(annot.Contents, n);
  if (markup) {
    if (!annot.Title.empty()) text += "/T " + TextString(annot.Title, n);
    if (!annot.Subject.empty()) text += "/Subj " + TextString(annot.Subject, n);
    text += "/M <" + vn::framework::AnsiToHexText(EncryptObjectStrings(CurrentDateText(), n, 0)) + ">";
  }
  text += entries;
  if (annot.Brush && !own_border)
    text += "/BS <</Type/Border/W " + std::to_string(annot.Brush->Width()) + "/S " + BorderStyleName(annot.Brush->Style) + ">>";
  if (annot.Action) {
    const std::string action = ActionText(*annot.Action, n);
    if (!action.empty()) text += "/A " + action;
  }
  return text + kCRLF;
}

void TvnExPDFEngine::WriteAnnotations() {
  using namespace annot_detail;
  for (const auto& annot : FAnnotList) {
    // An annotation of a page that was not written (PagesToRender) goes
    // with it.
    if (PageRef(annot->FPageNo).empty()) continue;
    const std::string text = AnnotationText(*annot);
    WriteObject(text, annot->FObjNo, true);
  }
}

void TvnExPDFEngine::WriteDocEventScripts() {
  using namespace annot_detail;
  if (IsPDFA()) throw vn::ENotSupportedException("JavaScript and launch actions are not allowed in PDF/A");
  FDocEventJS = NewObjectNumber();
  const std::pair<const char*, const String*> events[] = {{"/WP", &FDocEventJSAction.BeforePrint},
                                                          {"/DP", &FDocEventJSAction.AfterPrint},
                                                          {"/WS", &FDocEventJSAction.BeforeSave},
                                                          {"/DS", &FDocEventJSAction.AfterSave},
                                                          {"/WC", &FDocEventJSAction.BeforeClose}};
  std::string text;
  for (const auto& [key, script] : events)
    if (!script->empty()) text += std::string(key) + " <</Type/Action/S/JavaScript/JS " + TextString(*script, FDocEventJS) + ">>" + kCRLF;
  WriteObject(text, FDocEventJS, true);
}

}  // namespace vn::pdfwriter
