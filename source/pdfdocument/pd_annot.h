// The annotations of a page: typed wrappers over the annotation dictionaries
// of the page's /Annots, one class per subtype, made by MakeAnnot from the
// dictionary's /Subtype (a widget is the form field the catalog collected
// for it).
//
// Every wrapper works in one of two modes. A loaded annotation wraps its
// dictionary: getters read the dictionary (most of them once, keeping what
// they read) and setters write both the dictionary and the kept value. A new
// annotation (made without a dictionary) only keeps values; the page turns
// them into a dictionary when it inserts the annotation.
//
// Coordinates: every position an annotation hands out or takes (Rect, the
// line's end points, vertices, quadrilaterals) is in the document handler's
// measurement unit, measured from the top-left corner of the page as shown
// (its crop box, else its media box), y growing downwards. Reading and
// writing use the same convention, so a value set reads back unchanged in
// any unit. A rectangle keeps the order of the PDF array: Left and Right
// from elements 0 and 2, Top from element 1 (the lower edge, so the larger
// top-down y) and Bottom from element 3.
//
// Text is read as PDF text strings (UTF-16BE, UTF-8 or PDFDocEncoding) and
// written as literal strings when it is printable ASCII, otherwise as
// UTF-16BE hex strings, so no text passes through an 8-bit code page.
//
// Ownership: a wrapper never owns its dictionary (the document does). The
// page owns the wrappers MakeAnnot makes for it; widget wrappers are form
// fields and belong to the catalog's field list. Each wrapper owns the
// objects it makes (rectangle, date, appearance, font, file reference).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/value_types.h"
#include "pdf/objects.h"
#include "pdfdocument/color_spaces.h"
#include "pdfdocument/pd_action.h"
#include "pdfdocument/pd_date.h"
#include "pdfdocument/pd_destination.h"
#include "pdfdocument/pd_file_reference.h"
#include "pdfdocument/pd_rect.h"
#include "runtime/containers.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace vn::pdfdoc {

class TvnPDAppearanceStream;
class TvnPDExportDevice;
class TvnPDFDocumentHandler;
class TvnPDPage;
class TvnFont;

enum class TvnPDAnnotType {
  annotText,
  annotLink,
  annotFreeText,
  annotLine,
  annotSquare,
  annotCircle,
  annotPolygon,
  annotPolyLine,
  annotHighlight,
  annotUnderline,
  annotSquiggly,
  annotStrikeOut,
  annotStamp,
  annotCaret,
  annotInk,
  annotPopup,
  annotFileAttachment,
  annotSound,
  annotMovie,
  annotWidget,
  annotScreen,
  annotPrinterMark,
  annotTrapNet,
  annotWatermark,
  annot3D
};

// Bit k of the /F integer (counted from 0) is flag k.
enum class TvnPDAnnotFlag {
  afInvisible,
  afHidden,
  afPrint,
  afNoZoom,
  afNoRotate,
  afNoView,
  afReadOnly,
  afLocked,
  afToggleNoView,
  afLockedContents
};
using TvnPDAnnotFlags = vn::EnumSet<TvnPDAnnotFlag>;

// /BS /S names "S", "D", "B", "I", "U".
enum class TvnAnnotBorderStyle { absSolid, absDashed, absBeveled, absInset, absUnderline };
// /LE names "Square", "Circle", "Diamond", "OpenArrow", "ClosedArrow",
// "None", "Butt", "ROpenArrow", "RClosedArrow", "Slash".
enum class TvnLineStyle {
  laSquare,
  laCircle,
  laDiamond,
  laOpenArrow,
  laClosedArrow,
  laNone,
  laButt,
  laROpenArrow,
  laRClosedArrow,
  laSlash
};
enum class TvnPolygonIntent { itPolygonCloud, itPolygonDimension };
enum class TvnPolyLineIntent { itPolyLineDimension, itNone };
enum class TvnCaretSymbol { csParagraph, csNone };
enum class TvnFileAttachmentIcon { faGraph, faPaperclip, faPushPin, faTag };
enum class TvnMoviePlayMode { mmOnce, mmOpen, mmRepeat, mmPalindrome };
enum class TvnLinkHighlightType { lhInvert, lhOutline, lhPush, lhNone };
enum class TvnFreeTextAllign { ftLeftJustified, ftCentered, ftRightJustified };
enum class TvnFreeTextIntent { ftCallout, ftTypeWriter, ftNone };
enum class TvnSoundAnnotIcon { siSpeaker, siMic };
enum class TvnSoundEncoding { seRaw, seSigned, semuLaw, seALaw };
enum class TvnRubberStampIcon {
  riApproved,
  riExperimental,
  riNotApproved,
  riAsIs,
  riExpired,
  riNotForPublicRelease,
  riConfidential,
  riFinal,
  riSold,
  riDepartmental,
  riForComment,
  riTopSecret,
  riDraft,
  riForPublicRelease
};
enum class TvnMarkUpType { maHighlight, maUnderline, maSquiggly, maStrikeOut };

struct TvnDiamension {
  double Width = 0.0;
  double Height = 0.0;
};

// The /Subtype name of a type ("Text", "Link", ..., "3D").
const char* AnnotTypeName(TvnPDAnnotType AType);
const char* LineStyleName(TvnLineStyle AStyle);

// The frame annotation coordinates are measured in: the top-left corner of
// the page's shown box (crop box, else media box, else US Letter) in points
// of the file, and the unit the handler measures in (points without a
// handler). The page is taken unrotated.
struct TvnAnnotFrame {
  double Left = 0.0;
  double Top = 792.0;
  vn::framework::TvnMeasurementUnit Unit = vn::framework::TvnMeasurementUnit::muPoints;

  // A position of the file (points) <-> the unit, from the corner, y down.
  double XFromPDF(double AX) const;
  double YFromPDF(double AY) const;
  double XToPDF(double AX) const;
  double YToPDF(double AY) const;
  // A length.
  double ToUnit(double APoints) const;
  double FromUnit(double AValue) const;
};

// The frame of the page (null: US Letter) in the handler's unit.
TvnAnnotFrame AnnotFrameOf(TvnPDPage* APage, const TvnPDFDocumentHandler* AHandler);

class TvnPDAnnot : public vn::pdf::TvnPDElement {
 public:
  // A new annotation: no dictionary, a rectangle of four -1 values (unset),
  // border width 1, colour DeviceRGB 0 0 0.
  TvnPDAnnot();
  // A loaded annotation over its dictionary (borrowed). No rectangle is
  // read yet; the border width reads from the dictionary.
  TvnPDAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
             vn::pdf::TvnPDBaseObject* ABaseObject);
  ~TvnPDAnnot() override;
  TvnPDAnnot(const TvnPDAnnot&) = delete;
  TvnPDAnnot& operator=(const TvnPDAnnot&) = delete;

  // The wrapper of an annotation dictionary, chosen by /Subtype (a missing
  // /Subtype counts as "Widget"). A widget is the form field the catalog
  // collected for the dictionary or its /Parent, its parent element set to
  // AParentElement; it belongs to the catalog and AOwned stays empty (null
  // when the catalog has no such field). Every other known subtype gives a
  // new object of its class, handed to the caller in AOwned. Null for no
  // dictionary, a /Subtype that is not a name, and the subtypes without a
  // class (PrinterMark, TrapNet, Watermark, 3D and unknown names).
  static TvnPDAnnot* MakeAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                               vn::pdf::TvnPDBaseObject* ABaseObject, std::unique_ptr<TvnPDAnnot>& AOwned);

  void SetBaseObject(vn::pdf::TvnPDBaseObject* ABaseObject) { FBaseObject = ABaseObject; }
  void SetParentDoc(TvnPDFDocumentHandler* AParentDoc);
  void SetParentElement(vn::pdf::TvnPDElement* AParentElement) { FParentElement = AParentElement; }
  void RemoveOCMD() {}
  // Writes /Parent as a reference to the parent element's object (nothing
  // when the parent element has no indirect object).
  void Update() override;

  TvnPDFDocumentHandler* Handler() const { return FHandler; }
  vn::pdf::TvnPDDictionary* Dict() const { return FBaseObject ? FBaseObject->AsDict() : nullptr; }

  // The rectangle (owned by the annotation), in the convention above. A
  // loaded annotation reads /Rect (or, without one, the /Rect of the last
  // kid on this page) whenever no complete rectangle is kept; null when it
  // has none. The returned rectangle is not bound to the array: change the
  // dictionary with SetRect. A new annotation's rectangle is set through
  // its setters (or SetRect) and starts as four -1 values.
  TvnPDRect* Rect();
  // Keeps the rectangle (same convention) and, for a loaded annotation,
  // writes /Rect (normalised so that x0 <= x1 and y0 <= y1).
  void SetRect(double ALeft, double ATop, double ARight, double ABottom);
  // Each value of Rect rounded to the nearest integer, halves to even; four
  // zeros when there is no rectangle.
  struct TvnBounds {
    int64_t Left = 0;
    int64_t Top = 0;
    int64_t Right = 0;
    int64_t Bottom = 0;
  };
  TvnBounds GetBounds();

  // /Contents and /NM: the text, read once while empty.
  String Contents();
  void SetContents(StringView Value);
  String Name();
  void SetName(StringView Value);
  // /T, read once while empty.
  String Author();
  // /Title, read once while empty; vn::ExBadPDFAnnotation "Bad Annotation
  // object" when /Title is present but not a string. The setter writes /T
  // (the key annotations name their author or title with) and keeps the
  // text.
  String Title();
  void SetTitle(StringView Value);
  // /M as a date, made once; null when missing or not a string.
  TvnPDDate* Date();
  // /C, read on every call when it is an array: DeviceRGB from its first
  // three numbers (a missing or non-number entry keeps the kept value).
  // The setter writes the first three components as reals.
  TvnPDColorValue Color();
  void SetColor(const TvnPDColorValue& Value);
  // /F bits 0 to 9 when /F is an integer; the setter writes the bits.
  TvnPDAnnotFlags Flags();
  void SetFlags(TvnPDAnnotFlags Value);
  // /BS /S and /BS /W (a real or integer); the kept value otherwise. The
  // setters write into /BS, making it when missing.
  TvnAnnotBorderStyle BorderStyle();
  void SetBorderStyle(TvnAnnotBorderStyle Value);
  double BorderWidth();
  void SetBorderWidth(double Value);
  // /Subtype when it names a type; the kept value otherwise. The setter
  // keeps the value only.
  TvnPDAnnotType AnnotType();
  void SetAnnotType(TvnPDAnnotType Value) { FAnnotType = Value; }
  // /A as an action, made once; null without one.
  TvnPDAction* Actions();
  void SetActions(std::unique_ptr<TvnPDAction> Value) { FActions = std::move(Value); }
  TvnPDAction* AdditionalAction() const { return nullptr; }
  // The page of /P (found in the page tree), else the parent element when
  // it is a page; null otherwise. Kept once found.
  TvnPDPage* Page();
  // The page's number; 1 without a page.
  int32_t PageNumber();
  // The normal appearance over this annotation's dictionary (/AP /N with
  // /AS), made once; null for a new annotation.
  TvnPDAppearanceStream* NormalAP();
  double Opacity() const { return FOpacity; }
  void SetOpacity(double Value) { FOpacity = Value; }
  bool PDFCord() const { return FPDFCord; }
  void SetPDFCord(bool Value) { FPDFCord = Value; }

  // /Type is /Annot and /Rect an array.
  bool IsValid() const;
  // The dictionary holds /IRT.
  bool IsReply() const;
  // The annotation /IRT refers to, made by MakeAnnot with this annotation
  // as parent element: a new object in AOwned on every call, or a borrowed
  // widget. Null without /IRT.
  TvnPDAnnot* GetInReplyToAnnot(std::unique_ptr<TvnPDAnnot>& AOwned);

  // Whether a page display draws the annotation: not hidden, not
  // invisible (a subtype without a class that reader knows), and, when
  // printing, printable.
  bool IsShown(bool APrinting);
  // Draws the normal appearance alone into OutDev at hDPI x vDPI: the
  // device gets a page of the appearance's BBox (StartPage, the form,
  // EndPage). Nothing, and no device call, without a form appearance.
  void Display(TvnPDExportDevice* OutDev, double hDPI, double vDPI);

 protected:
  // The frame of the annotation's page (US Letter without one).
  TvnAnnotFrame Frame();

  // Dictionary helpers shared by the subtypes.
  // The string entry's text; empty when missing or not a string.
  String TextEntry(const char* AKey) const;
  // Writes the text under the key (an existing string is replaced).
  void SetTextEntry(const char* AKey, StringView AValue);
  // Reads an array of numbers as DeviceRGB into AColor (entries that are
  // not numbers keep their value); false when the entry is not an array.
  bool ReadColor(const char* AKey, TvnPDColorValue& AColor, bool ARealsOnly = false) const;
  void WriteColor(const char* AKey, const TvnPDColorValue& AColor, bool AAddWhenMissing = true);
  // The /BS or /BE dictionary, made (direct) when AMake and missing.
  vn::pdf::TvnPDDictionary* SubDict(const char* AKey, bool AMake);
  // Writes the number as a real under the key of the dictionary.
  static void SetReal(vn::pdf::TvnPDDictionary* ADict, const char* AKey, double AValue);
  static void SetRealAt(vn::pdf::TvnPDArray* AArray, int64_t AIndex, double AValue);
  void SetNameEntry(const char* AKey, const std::string& AValue);
  std::string NameEntry(const char* AKey) const;

  TvnPDFDocumentHandler* FHandler = nullptr;
  String FAuthor;
  TvnPDColorValue FColor;
  std::unique_ptr<TvnPDDate> FDate;
  bool FDateRead = false;
  TvnPDAnnotFlags FFlags;
  std::unique_ptr<TvnPDRect> FRect;
  TvnPDAnnotType FAnnotType = TvnPDAnnotType::annotText;
  std::unique_ptr<TvnPDAction> FActions;
  bool FActionsRead = false;
  String FTitle;
  String FContents;
  String FName;
  TvnPDPage* FPage = nullptr;
  bool FPageRead = false;
  double FBorderWidth = 0.0;
  TvnAnnotBorderStyle FBorderStyle = TvnAnnotBorderStyle::absSolid;
  double FOpacity = 1.0;
  bool FPDFCord = false;
  std::unique_ptr<TvnPDAppearanceStream> FNormalAP;
};

class TvnPDTextAnnot : public TvnPDAnnot {
 public:
  // New: closed, type annotText.
  TvnPDTextAnnot();
  TvnPDTextAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                 vn::pdf::TvnPDBaseObject* ABaseObject);
  // /Open (a boolean), /State and /StateModel (strings); vn::Exception "Bad
  // Annotation object" when present with another type.
  bool Open();
  void SetOpen(bool Value);
  String State();
  void SetState(StringView Value);
  String StateModel();
  void SetStateModel(StringView Value);

 private:
  bool FOpen = false;
  String FState;
  String FStateModel;
};

class TvnPDLinkAnnot : public TvnPDAnnot {
 public:
  // New: lhInvert, type annotLink.
  TvnPDLinkAnnot();
  TvnPDLinkAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                 vn::pdf::TvnPDBaseObject* ABaseObject);
  ~TvnPDLinkAnnot() override;
  // /H: "N", "I", "O", "P".
  TvnLinkHighlightType HighLightType();
  void SetHighLightType(TvnLinkHighlightType Value);
  // The action set by SetAction (the base's Actions reads /A).
  TvnPDAction* Action() const { return FAction.get(); }
  void SetAction(std::unique_ptr<TvnPDAction> Value) { FAction = std::move(Value); }
  // /Dest when it is an array, made once; null otherwise.
  TvnqPDFDestination* Destination();

 private:
  TvnLinkHighlightType FHighLightType = TvnLinkHighlightType::lhInvert;
  std::unique_ptr<TvnPDAction> FAction;
  std::unique_ptr<TvnqPDFDestination> FDestination;
  bool FDestinationRead = false;
};

class TvnPDFreeTextAnnot : public TvnPDAnnot {
 public:
  TvnPDFreeTextAnnot();
  TvnPDFreeTextAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                     vn::pdf::TvnPDBaseObject* ABaseObject);
  ~TvnPDFreeTextAnnot() override;
  // A font description owned by the annotation (not read from the file).
  TvnFont* Font();
  // /IT: "FreeTextCallout", "FreeTextTypeWriter"; ftNone removes /IT.
  TvnFreeTextIntent Intent();
  void SetIntent(TvnFreeTextIntent Value);
  // /Q: 0 left, 1 centred, 2 right.
  TvnFreeTextAllign TextAllign();
  void SetTextAllign(TvnFreeTextAllign Value);

 private:
  std::unique_ptr<TvnFont> FFont;
  TvnFreeTextIntent FIntent = TvnFreeTextIntent::ftNone;
  TvnFreeTextAllign FTextAllign = TvnFreeTextAllign::ftLeftJustified;
};

class TvnPDLineAnnot : public TvnPDAnnot {
 public:
  // New: solid border, no line endings, interior colour 1 1 1.
  TvnPDLineAnnot();
  TvnPDLineAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                 vn::pdf::TvnPDBaseObject* ABaseObject);
  // The end points of /L in the annotation convention (handler unit, from
  // the page's top-left); the setters change the existing /L entries.
  double X1();
  double Y1();
  double X2();
  double Y2();
  void SetX1(double Value);
  void SetY1(double Value);
  void SetX2(double Value);
  void SetY2(double Value);
  // /LE [beginning ending]; a line without /LE gets [style None] or [None
  // style].
  TvnLineStyle LineBeginningStyle();
  void SetLineBeginningStyle(TvnLineStyle Value);
  TvnLineStyle LineEndingStyle();
  void SetLineEndingStyle(TvnLineStyle Value);
  // /IC like Color.
  TvnPDColorValue InteriorColor();
  void SetInteriorColor(const TvnPDColorValue& Value);
  // /LL when it is a number; the setter writes /LL.
  double LeaderLines();
  void SetLeaderLines(double Value);
  bool TransparantInterior() const { return FTransparantInterior; }
  void SetTransparantInterior(bool Value) { FTransparantInterior = Value; }

 private:
  double Coordinate(int AIndex);
  void SetCoordinate(int AIndex, double Value);

  double FCoords[4] = {0, 0, 0, 0};
  TvnLineStyle FLineStyles[2] = {TvnLineStyle::laNone, TvnLineStyle::laNone};
  TvnPDColorValue FInteriorColor;
  double FLeaderLines = 0.0;
  bool FTransparantInterior = false;
};

// Square and circle share their properties.
class TvnPDShapeAnnot : public TvnPDAnnot {
 public:
  // /IC like Color.
  TvnPDColorValue InteriorColor();
  void SetInteriorColor(const TvnPDColorValue& Value);
  // /BE /I (a number); the setter writes it, making /BE when missing.
  double Intensity();
  void SetIntensity(double Value);
  // /BE /S is "C"; the setter writes "C" or "S".
  bool IsCloudy();
  void SetIsCloudy(bool Value);
  bool TransparantInterior() const { return FTransparantInterior; }
  void SetTransparantInterior(bool Value) { FTransparantInterior = Value; }

 protected:
  TvnPDShapeAnnot(TvnPDAnnotType AType);
  TvnPDShapeAnnot(TvnPDAnnotType AType, TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                  vn::pdf::TvnPDBaseObject* ABaseObject);

  TvnPDColorValue FInteriorColor;
  double FIntensity = 0.0;
  bool FIsCloudy = false;
  bool FTransparantInterior = false;
};

class TvnPDSquareAnnot : public TvnPDShapeAnnot {
 public:
  TvnPDSquareAnnot();
  TvnPDSquareAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                   vn::pdf::TvnPDBaseObject* ABaseObject);
};

class TvnPDCircleAnnot : public TvnPDShapeAnnot {
 public:
  TvnPDCircleAnnot();
  TvnPDCircleAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                   vn::pdf::TvnPDBaseObject* ABaseObject);
};

// Polygon and polyline share their vertices and line endings.
class TvnPDPolyAnnot : public TvnPDShapeAnnot {
 public:
  // The numbers of /Vertices in the annotation convention, x and y
  // alternating, as comma-separated text; SetVertices writes the numbers
  // into the existing entries of /Vertices (no entries are added).
  std::string GetVertices();
  void SetVertices(const std::string& AVertices);
  TvnLineStyle LineBeginningStyle();
  void SetLineBeginningStyle(TvnLineStyle Value);
  TvnLineStyle LineEndingStyle();
  void SetLineEndingStyle(TvnLineStyle Value);

 protected:
  using TvnPDShapeAnnot::TvnPDShapeAnnot;

  std::string FVertices;
  TvnLineStyle FLineStyles[2] = {TvnLineStyle::laNone, TvnLineStyle::laNone};
};

class TvnPDPolygonAnnot : public TvnPDPolyAnnot {
 public:
  TvnPDPolygonAnnot();
  TvnPDPolygonAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                    vn::pdf::TvnPDBaseObject* ABaseObject);
  TvnPolygonIntent Intent() const { return TvnPolygonIntent::itPolygonCloud; }
  void SetIntent(TvnPolygonIntent) {}
};

class TvnPDPolyLineAnnot : public TvnPDPolyAnnot {
 public:
  TvnPDPolyLineAnnot();
  TvnPDPolyLineAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                     vn::pdf::TvnPDBaseObject* ABaseObject);
  TvnPolyLineIntent Intent() const { return TvnPolyLineIntent::itPolyLineDimension; }
  void SetIntent(TvnPolyLineIntent) {}
};

class TvnPDMarkUpAnnot : public TvnPDAnnot {
 public:
  // New: of type annotHighlight, annotUnderline, annotSquiggly or
  // annotStrikeOut.
  explicit TvnPDMarkUpAnnot(TvnMarkUpType AMarkupType);
  TvnPDMarkUpAnnot(TvnPDAnnotType AType, TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                   vn::pdf::TvnPDBaseObject* ABaseObject);
  // /QuadPoints in the annotation convention as comma-separated text (the
  // kept text when set); SetQuadPoints writes the first eight existing
  // entries.
  std::string GetQuadPoints();
  void SetQuadPoints(double AFX1, double AFY1, double AFX2, double AFY2, double AFX3, double AFY3, double AFX4,
                     double AFY4);

 private:
  std::string FQuadPoints;
};

class TvnPDHighlightAnnot : public TvnPDMarkUpAnnot {
 public:
  TvnPDHighlightAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                      vn::pdf::TvnPDBaseObject* ABaseObject)
      : TvnPDMarkUpAnnot(TvnPDAnnotType::annotHighlight, AParentDoc, AParentElement, ABaseObject) {}
};
class TvnPDUnderlineAnnot : public TvnPDMarkUpAnnot {
 public:
  TvnPDUnderlineAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                      vn::pdf::TvnPDBaseObject* ABaseObject)
      : TvnPDMarkUpAnnot(TvnPDAnnotType::annotUnderline, AParentDoc, AParentElement, ABaseObject) {}
};
class TvnPDSquigglyAnnot : public TvnPDMarkUpAnnot {
 public:
  TvnPDSquigglyAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                     vn::pdf::TvnPDBaseObject* ABaseObject)
      : TvnPDMarkUpAnnot(TvnPDAnnotType::annotSquiggly, AParentDoc, AParentElement, ABaseObject) {}
};
class TvnPDStrikeOutAnnot : public TvnPDMarkUpAnnot {
 public:
  TvnPDStrikeOutAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                      vn::pdf::TvnPDBaseObject* ABaseObject)
      : TvnPDMarkUpAnnot(TvnPDAnnotType::annotStrikeOut, AParentDoc, AParentElement, ABaseObject) {}
};

class TvnPDRubberStampAnnot : public TvnPDAnnot {
 public:
  TvnPDRubberStampAnnot();
  TvnPDRubberStampAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                        vn::pdf::TvnPDBaseObject* ABaseObject);
  // /Name when it names a stamp icon; riDraft (the default of the format)
  // otherwise. The setter writes /Name.
  TvnRubberStampIcon IconName();
  void SetIconName(TvnRubberStampIcon Value);

 private:
  TvnRubberStampIcon FIconName = TvnRubberStampIcon::riDraft;
};

class TvnPDCaretAnnot : public TvnPDAnnot {
 public:
  TvnPDCaretAnnot();
  TvnPDCaretAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                  vn::pdf::TvnPDBaseObject* ABaseObject);
  // /Sy: "P" or "None".
  TvnCaretSymbol CaretSymbol();
  void SetCaretSymbol(TvnCaretSymbol Value);

 private:
  TvnCaretSymbol FCaretSymbol = TvnCaretSymbol::csNone;
};

class TvnPDInkAnnot : public TvnPDAnnot {
 public:
  TvnPDInkAnnot();
  TvnPDInkAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                vn::pdf::TvnPDBaseObject* ABaseObject);
  // The strokes of /InkList in the annotation convention, each x and y
  // alternating; the setter keeps the strokes (and writes /InkList when
  // there is a dictionary).
  std::vector<std::vector<double>> InkList();
  void SetInkList(const std::vector<std::vector<double>>& Value);

 private:
  std::vector<std::vector<double>> FInkList;
};

class TvnPDPopUpAnnot : public TvnPDAnnot {
 public:
  TvnPDPopUpAnnot();
  TvnPDPopUpAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                  vn::pdf::TvnPDBaseObject* ABaseObject);
  // /Open (a boolean); the setter writes it.
  bool IsOpen();
  void SetIsOpen(bool Value);
  // The annotation of /Parent, made by MakeAnnot once (the popup owns a
  // new one); null without /Parent.
  TvnPDAnnot* Parent();

 private:
  bool FIsOpen = false;
  std::unique_ptr<TvnPDAnnot> FOwnedParent;
  TvnPDAnnot* FParent = nullptr;
  bool FParentRead = false;
};

class TvnPDFileAttachmentAnnot : public TvnPDAnnot {
 public:
  // New: push-pin icon, an empty file reference, icon colour 1 0 0.
  TvnPDFileAttachmentAnnot();
  TvnPDFileAttachmentAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                           vn::pdf::TvnPDBaseObject* ABaseObject);
  ~TvnPDFileAttachmentAnnot() override;
  // The file name of /FS (a string or a file specification dictionary).
  String FileName();
  void SetFileName(StringView Value);
  // /C read like Color; the setter changes the existing entries only.
  TvnPDColorValue IconColor();
  void SetIconColor(const TvnPDColorValue& Value);
  // /Subj, read once while empty; the setter writes it.
  String Subject();
  void SetSubject(StringView Value);
  String AttachmentName() const { return FAttachmentName; }
  void SetAttachmentName(StringView Value) { FAttachmentName = String(Value); }
  // /Name: "Graph", "PushPin", "PaperClip", "Tag".
  TvnFileAttachmentIcon AttachmentIcon();
  void SetAttachmentIcon(TvnFileAttachmentIcon Value);
  // Writes /T and keeps the text (the getter is the base's Author).
  void SetAuthor(StringView Value);
  // Writes the embedded file's decoded bytes into AStream from position 0;
  // nothing without an embedded file.
  void SaveToStream(vn::TStream& AStream);
  TvnPDFileSpec* FileSpec();

 private:
  std::unique_ptr<TvnPDFileSpec> FFileSpec;
  bool FFileSpecRead = false;
  TvnPDColorValue FIconColor;
  String FSubject;
  String FAttachmentName;
  TvnFileAttachmentIcon FAttachmentIcon = TvnFileAttachmentIcon::faPushPin;
};

class TvnPDSoundAnnot : public TvnPDAnnot {
 public:
  TvnPDSoundAnnot();
  TvnPDSoundAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                  vn::pdf::TvnPDBaseObject* ABaseObject);
  // The /Sound stream (borrowed) and its /R, /C, /B and /E; /Name for the
  // icon. Kept values without a dictionary; the setters keep values only.
  vn::pdf::TvnPDStream* SoundStream();
  TvnSoundAnnotIcon IconName();
  double SampleRate();
  int32_t NoOfSoundChannels();
  int32_t NoOfBitsPerSample();
  TvnSoundEncoding SoundEncoding();
  void SetIconName(TvnSoundAnnotIcon Value) { FIconName = Value; }
  void SetSampleRate(double Value) { FSampleRate = Value; }
  void SetNoOfSoundChannels(int32_t Value) { FChannels = Value; }
  void SetNoOfBitsPerSample(int32_t Value) { FBitsPerSample = Value; }
  void SetSoundEncoding(TvnSoundEncoding Value) { FEncoding = Value; }

 private:
  vn::pdf::TvnPDDictionary* SoundDict() const;

  TvnSoundAnnotIcon FIconName = TvnSoundAnnotIcon::siSpeaker;
  double FSampleRate = 0.0;
  int32_t FChannels = 0;
  int32_t FBitsPerSample = 0;
  TvnSoundEncoding FEncoding = TvnSoundEncoding::seRaw;
};

class TvnPDMovieAnnot : public TvnPDAnnot {
 public:
  TvnPDMovieAnnot();
  TvnPDMovieAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                  vn::pdf::TvnPDBaseObject* ABaseObject);
  // Kept values only (the movie dictionary is not read).
  String MovieTitle() const { return FMovieTitle; }
  void SetMovieTitle(StringView Value) { FMovieTitle = String(Value); }
  String FileName() const { return FFileName; }
  void SetFileName(StringView Value) { FFileName = String(Value); }
  TvnDiamension Aspect() const { return FAspect; }
  void SetAspect(TvnDiamension Value) { FAspect = Value; }
  int32_t Rotate() const { return FRotate; }
  void SetRotate(int32_t Value) { FRotate = Value; }
  bool HasPoster() const { return FHasPoster; }
  void SetHasPoster(bool Value) { FHasPoster = Value; }
  double Rate() const { return FRate; }
  void SetRate(double Value) { FRate = Value; }
  double Volume() const { return FVolume; }
  void SetVolume(double Value) { FVolume = Value; }
  bool ShowControls() const { return FShowControls; }
  void SetShowControls(bool Value) { FShowControls = Value; }
  TvnMoviePlayMode PlayMode() const { return FPlayMode; }
  void SetPlayMode(TvnMoviePlayMode Value) { FPlayMode = Value; }
  bool Synchronous() const { return FSynchronous; }
  void SetSynchronous(bool Value) { FSynchronous = Value; }
  double XPos() const { return FXPos; }
  void SetXPos(double Value) { FXPos = Value; }
  double YPos() const { return FYPos; }
  void SetYPos(double Value) { FYPos = Value; }

 private:
  String FMovieTitle;
  String FFileName;
  TvnDiamension FAspect;
  int32_t FRotate = 0;
  bool FHasPoster = false;
  double FRate = 0.0;
  double FVolume = 0.0;
  bool FShowControls = false;
  TvnMoviePlayMode FPlayMode = TvnMoviePlayMode::mmOnce;
  bool FSynchronous = false;
  double FXPos = 0.0;
  double FYPos = 0.0;
};

class TvnPDScreenAnnot : public TvnPDAnnot {
 public:
  TvnPDScreenAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                   vn::pdf::TvnPDBaseObject* ABaseObject);
};

}  // namespace vn::pdfdoc
