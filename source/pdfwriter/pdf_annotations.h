// The annotations a caller places on the pages of the extended PDF engine
// (TvnExPDFEngine::AddAnnotItem): text notes, free text, links, lines,
// squares, circles, polygons, polylines, stamps, text markup (highlight,
// underline, squiggly, strike-out), carets, ink and file attachments; the
// actions an annotation runs (go to a page of this or another file, open a
// URI, a named navigation, launch a file, JavaScript), the open and close
// actions of a page, and the document's event scripts. The engine writes
// them when the document ends (pdf_annotations.cpp).
//
// Coordinates (rectangles and points) are in the engine's measurement unit,
// relative to the content band of the page the annotation is added to, like
// every drawing call. Texts are Unicode and written as text strings.
//
// Ownership: the engine owns an annotation or page action from the call
// that hands it over; an annotation owns its border and action, a page
// action its two actions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "export/engine_types.h"
#include "framework/writer_routines.h"
#include "pdfwriter/pdf_settings.h"

namespace vn::pdfwriter {

using vn::framework::TvnRect;
class TvnExPDFEngine;

enum class TvnAnnotBrushStyle { absSolid, absDashed, absBeveled, absInset, absUnderline };

// The border of an annotation (/BS): width in points and style.
class TvnAnnotBrush {
 public:
  int32_t Width() const { return FWidth; }
  // Values of 0 or less leave the width as it is.
  void SetWidth(int32_t value) {
    if (value > 0) FWidth = value;
  }
  TvnAnnotBrushStyle Style = TvnAnnotBrushStyle::absSolid;

 private:
  int32_t FWidth = 1;
};

enum class TvnAnnotActionType { aaGoTo, aaURI, aaNamed, aaGoToR, aaLaunch, aaJavaScript };
// How a destination shows its page: /XYZ (left, top, zoom), /Fit, /FitH
// (top), /FitV (left), /FitR (left, bottom, right, top).
enum class TvnDestinationFit { dfXYZ, dfFit, dfFitH, dfFitV, dfFitR };

class TvnAnnotAction {
 public:
  virtual ~TvnAnnotAction() = default;
  TvnAnnotActionType SubType() const { return FSubType; }

 protected:
  explicit TvnAnnotAction(TvnAnnotActionType type) : FSubType(type) {}

 private:
  TvnAnnotActionType FSubType;
};

// A page of this document. Left, Top, Right and Bottom are in the engine's
// measurement unit from the page's top-left corner; Zoom is a factor (0:
// the viewer keeps its zoom).
class TvnGoToAction : public TvnAnnotAction {
 public:
  TvnGoToAction() : TvnAnnotAction(TvnAnnotActionType::aaGoTo) {}
  int32_t PageNumber = 1;
  TvnDestinationFit FitType = TvnDestinationFit::dfFit;
  double Left = 0, Top = 0, Right = 0, Bottom = 0, Zoom = 0;

 private:
  friend class TvnExPDFEngine;
  // Left, Top, Right and Bottom as engine pixels, set when the action is
  // handed to the engine.
  double FPixels[4] = {0, 0, 0, 0};
};

// A page of another PDF file: its 1-based page number, and coordinates in
// that page's own points (bottom-up), as the file gives them.
class TvnGoToRAction : public TvnAnnotAction {
 public:
  TvnGoToRAction() : TvnAnnotAction(TvnAnnotActionType::aaGoToR) {}
  String FileName;
  int32_t PageNumber = 1;
  TvnDestinationFit FitType = TvnDestinationFit::dfFit;
  double Left = 0, Top = 0, Right = 0, Bottom = 0, Zoom = 0;
  bool NewWindow = false;
};

class TvnURIAction : public TvnAnnotAction {
 public:
  TvnURIAction() : TvnAnnotAction(TvnAnnotActionType::aaURI) {}
  String URI;
};

enum class TvnNamedActionType { naNextPage, naPrevPage, naFirstPage, naLastPage };

class TvnNamedAction : public TvnAnnotAction {
 public:
  TvnNamedAction() : TvnAnnotAction(TvnAnnotActionType::aaNamed) {}
  TvnNamedActionType Name = TvnNamedActionType::naNextPage;
};

class TvnLaunchAction : public TvnAnnotAction {
 public:
  TvnLaunchAction() : TvnAnnotAction(TvnAnnotActionType::aaLaunch) {}
  String FileName;
  bool NewWindow = false;
};

class TvnJavaScriptAction : public TvnAnnotAction {
 public:
  TvnJavaScriptAction() : TvnAnnotAction(TvnAnnotActionType::aaJavaScript) {}
  String Script;
};

enum class TvnPDFAnnotKind {
  Plain, Text, FreeText, Link, Line, Square, Circle, Polygon, PolyLine, Stamp, Markup, Caret, Ink, FileAttachment
};

class TvnPDFAnnot {
 public:
  // An annotation of no kind of its own: only its rectangle, border and
  // action are written (as a /Link).
  TvnPDFAnnot() : TvnPDFAnnot(TvnPDFAnnotKind::Plain) {}
  virtual ~TvnPDFAnnot() = default;
  TvnPDFAnnotKind Kind() const { return FKind; }

  TvnRect Rect;
  // The border (nullptr: none written); the action (nullptr: none).
  std::unique_ptr<TvnAnnotBrush> Brush;
  std::unique_ptr<TvnAnnotAction> Action;
  TColor BackgroundColor = 0xFFFFFF;
  // Written as the annotation's colour, /C.
  TColor BorderColor = 0x000000;
  String Contents;
  // The author, /T.
  String Title;
  String Subject;

  // Set when the annotation is added: its page (1-based) and object number.
  int32_t PageNo() const { return FPageNo; }
  int32_t ObjectNumber() const { return FObjNo; }

 protected:
  explicit TvnPDFAnnot(TvnPDFAnnotKind kind) : FKind(kind) {}

 private:
  friend class TvnExPDFEngine;
  TvnPDFAnnotKind FKind;
  int32_t FPageNo = 0;
  int32_t FObjNo = 0;
};

enum class TvnTextAnnotIcon { taiComment, taiKey, taiNote, taiHelp, taiNewParagraph, taiParagraph, taiInsert };

class TvnPDFTextAnnot : public TvnPDFAnnot {
 public:
  TvnPDFTextAnnot() : TvnPDFAnnot(TvnPDFAnnotKind::Text) {}
  TvnTextAnnotIcon Icon = TvnTextAnnotIcon::taiNote;
  bool Open = false;
};

enum class TvnFreeTextAlignment { ftaLeft, ftaRight, ftaCenter };

class TvnPDFFreeTextAnnot : public TvnPDFAnnot {
 public:
  TvnPDFFreeTextAnnot() : TvnPDFAnnot(TvnPDFAnnotKind::FreeText) {}
  TFont Font;
  TvnFreeTextAlignment TextAlignment = TvnFreeTextAlignment::ftaLeft;
  TColor TextColor = 0x000000;
};

enum class TvnLinkHighlightMode { lhmNone, lhmInvert, lhmOutline, lhmPush };

class TvnPDFLinkAnnot : public TvnPDFAnnot {
 public:
  TvnPDFLinkAnnot() : TvnPDFAnnot(TvnPDFAnnotKind::Link) {}
  TvnLinkHighlightMode HighlightMode = TvnLinkHighlightMode::lhmInvert;
  int32_t BorderWidth = 0;
};

enum class TvnLineEnding { leNone, leButt, leSquare, leCircle, leDiamond, leOpenArrow, leClosedArrow, leROpenArrow, leRClosedArrow };
enum class TvnAnnotLineStyle { alsSolid, alsDashed, alsBeveled, alsInset, alsUnderline };
enum class TvnBorderEffect { beNone, beCloudy };

// The border and interior of the shape annotations.
struct TvnAnnotShapeStyle {
  int32_t LineWidth = 1;
  TvnAnnotLineStyle LineStyle = TvnAnnotLineStyle::alsSolid;
  // The dash array's numbers, blank-separated ("3 2"); used when dashed.
  std::string DashPattern = "3";
  // The interior colour (/IC); kNoInteriorColor: none.
  TColor InteriorColor = 0x1FFFFFFF;
};
constexpr TColor kNoInteriorColor = 0x1FFFFFFF;

class TvnPDFLineAnnot : public TvnPDFAnnot {
 public:
  TvnPDFLineAnnot() : TvnPDFAnnot(TvnPDFAnnotKind::Line) {}
  vn::exporter::TvnPoint StartPoint, EndPoint;
  TvnLineEnding StartEnding = TvnLineEnding::leNone, EndEnding = TvnLineEnding::leNone;
  TvnAnnotShapeStyle Style;
};

// A square or a circle: which one is the kind.
class TvnPDFSquareAnnot : public TvnPDFAnnot {
 public:
  TvnPDFSquareAnnot() : TvnPDFAnnot(TvnPDFAnnotKind::Square) {}
  TvnAnnotShapeStyle Style;
  TvnBorderEffect BorderEffect = TvnBorderEffect::beNone;
  // 0, 1 or 2 (cloudy borders).
  int32_t EffectIntensity = 0;
  // Left, top, right and bottom distances of the drawn shape inside Rect,
  // in points (/RD).
  double RectDifferences[4] = {0, 0, 0, 0};

 protected:
  explicit TvnPDFSquareAnnot(TvnPDFAnnotKind kind) : TvnPDFAnnot(kind) {}
};

class TvnPDFCircleAnnot : public TvnPDFSquareAnnot {
 public:
  TvnPDFCircleAnnot() : TvnPDFSquareAnnot(TvnPDFAnnotKind::Circle) {}
};

// A polygon or a polyline: which one is the kind.
class TvnPDFPolygonAnnot : public TvnPDFAnnot {
 public:
  TvnPDFPolygonAnnot() : TvnPDFAnnot(TvnPDFAnnotKind::Polygon) {}
  vn::exporter::TvnPoints Vertices;
  TvnAnnotShapeStyle Style;
  TvnBorderEffect BorderEffect = TvnBorderEffect::beNone;
  int32_t EffectIntensity = 0;

 protected:
  explicit TvnPDFPolygonAnnot(TvnPDFAnnotKind kind) : TvnPDFAnnot(kind) {}
};

class TvnPDFPolyLineAnnot : public TvnPDFPolygonAnnot {
 public:
  TvnPDFPolyLineAnnot() : TvnPDFPolygonAnnot(TvnPDFAnnotKind::PolyLine) {}
  TvnLineEnding StartEnding = TvnLineEnding::leNone, EndEnding = TvnLineEnding::leNone;
};

enum class TvnStampName {
  snApproved, snExperimental, snNotApproved, snAsIs, snExpired, snNotForPublicRelease, snConfidential, snFinal, snSold,
  snDepartmental, snForComment, snTopSecret, snDraft, snForPublicRelease
};

class TvnPDFStampAnnot : public TvnPDFAnnot {
 public:
  TvnPDFStampAnnot() : TvnPDFAnnot(TvnPDFAnnotKind::Stamp) {}
  TvnStampName StampName = TvnStampName::snDraft;
};

enum class TvnMarkupType { mtHighlight, mtUnderline, mtSquiggly, mtStrikeOut };

// QuadPoints: four points per marked area, in the order the standard
// gives (x1 y1 x2 y2 x3 y3 x4 y4: upper left, upper right, lower left,
// lower right as readers take them).
class TvnPDFMarkupAnnot : public TvnPDFAnnot {
 public:
  TvnPDFMarkupAnnot() : TvnPDFAnnot(TvnPDFAnnotKind::Markup) {}
  TvnMarkupType MarkupType = TvnMarkupType::mtHighlight;
  vn::exporter::TvnPoints QuadPoints;
};

enum class TvnCaretSymbol { csParagraph, csNone };

class TvnPDFCaretAnnot : public TvnPDFAnnot {
 public:
  TvnPDFCaretAnnot() : TvnPDFAnnot(TvnPDFAnnotKind::Caret) {}
  TvnCaretSymbol Symbol = TvnCaretSymbol::csNone;
  double RectDifferences[4] = {0, 0, 0, 0};
};

// One stroke of points (more strokes: more entries).
class TvnPDFInkAnnot : public TvnPDFAnnot {
 public:
  TvnPDFInkAnnot() : TvnPDFAnnot(TvnPDFAnnotKind::Ink) {}
  std::vector<vn::exporter::TvnPoints> InkList;
};

enum class TvnAttachmentIcon { aiGraph, aiPushPin, aiPaperclip, aiTag };

// The file is read when the annotation is added (AddAnnotItem raises
// EFOpenError when it cannot be) and embedded whole.
class TvnPDFFileAttachmentAnnot : public TvnPDFAnnot {
 public:
  TvnPDFFileAttachmentAnnot() : TvnPDFAnnot(TvnPDFAnnotKind::FileAttachment) {}
  TvnAttachmentIcon AttachmentIcon = TvnAttachmentIcon::aiPushPin;
  // The path of the file to embed.
  String FileName;

 private:
  friend class TvnExPDFEngine;
  std::string FData;
};

// The actions run when a page opens and closes (either may be nullptr).
class TvnPageEventAction {
 public:
  int32_t PageNo = -1;
  std::unique_ptr<TvnAnnotAction> OpenAction;
  std::unique_ptr<TvnAnnotAction> CloseAction;
};

// The document's event scripts (JavaScript; empty: none).
class TvnDocEventJSAction {
 public:
  String BeforeClose, BeforeSave, AfterSave, BeforePrint, AfterPrint;
  bool Empty() const {
    return BeforeClose.empty() && BeforeSave.empty() && AfterSave.empty() && BeforePrint.empty() && AfterPrint.empty();
  }
};

}  // namespace vn::pdfwriter
