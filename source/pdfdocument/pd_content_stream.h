// The content interpreter: TvnPDContents runs a page's /Contents (one
// stream or an array of streams) as one stream; TvnPDContentStream runs one
// content stream, keeping the graphics state and turning every operator into
// state changes and calls of the output device.
//
// Damage is tolerated: an unknown operator, a wrong operand count or kind,
// or a failure inside one operator skips that operator; a stream whose data
// cannot be read ends that stream, and the page goes on with the next one.
// Forms, patterns and glyph procedures run nested content; a stream that is
// already running further up, nesting deeper than kMaxNesting, or more than
// kMaxNestedRuns nested runs under one outermost run, is not run.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "pdf/objects.h"
#include "pdf/parser.h"
#include "runtime/streams.h"
#include "pdfdocument/color_spaces.h"
#include "pdfdocument/pd_export_device.h"
#include "pdfdocument/pd_rect.h"
#include "pdfdocument/pd_state.h"

namespace vn::pdfdoc {

class TvnPDResource;
class TvnPDFont;
class TvnPDPattern;
class TvnPDColorSpace;
class TvnPDContentStream;

enum class TvnClip { clipNone, clipNormal, clipEO };

// The operands of one operator, oldest first (borrowed from the stack).
using TvnArgs = std::span<vn::pdf::TvnPDBaseObject* const>;
using TvnOperationFunc = void (TvnPDContentStream::*)(TvnArgs AArgs);

// One row of the operator table. NumArgs n >= 0: exactly n operands are
// used; -n: at most n. ArgChk holds one kind code per operand position
// ('0' boolean, '1' integer, '2' number, '3' string, '4' name, '5' array,
// '6' dictionary or name, '7' number or name, '8' anything); a shorter text
// repeats its last code.
struct TvnOperator {
  const char* Op;
  int NumArgs;
  const char* ArgChk;
  TvnOperationFunc Operation;
};

class TvnPDContentStream : public vn::pdf::TvnPDElement {
 public:
  // The operand stack holds the most recent operands up to this many.
  static constexpr int kMaxArgs = 32;
  // Nested runs (forms, patterns, glyph procedures) deeper than this are
  // not started.
  static constexpr int kMaxNesting = 28;
  // Nested runs under one outermost run beyond this many are not started.
  static constexpr int64_t kMaxNestedRuns = 20000;
  // Decoded content beyond this many bytes is not read.
  static constexpr int64_t kMaxContentBytes = int64_t{256} << 20;

  TvnPDContentStream(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                     vn::pdf::TvnPDBaseObject* ABaseObject);
  ~TvnPDContentStream() override;
  TvnPDContentStream(const TvnPDContentStream&) = delete;
  TvnPDContentStream& operator=(const TvnPDContentStream&) = delete;

  std::unique_ptr<TvnPDContentStream> Clone() const;

  // Runs the stream as (part of) a page on the state it holds (made from
  // the resolution, rotation and crop box when it has none), looking names
  // up in APageResource. Never raises: a failure ends this stream.
  void Display(TvnPDExportDevice* AExportDev, double AhDPI, double AvDPI, int APageNum, int ARotate,
               TvnPDRect* ABox, TvnPDRect* ACropBox, TvnPDResource* APageResource);
  // Runs the stream as a nested object (a form's content, a glyph
  // procedure, a pattern cell) on a state it does not own.
  void DispalyObject(TvnPDExportDevice* AExportDev, TvnPDState* aState, TvnPDResource* AResources);

  TvnPDState* GetCurrentState() const { return FState; }
  TvnPDState* State() const { return FState; }
  // Gives the stream its starting state (owned unless IsNestedCall).
  void SetState(std::unique_ptr<TvnPDState> AState);
  void SaveState();
  void RestoreState();

  bool IsNestedCall() const { return FIsNestedCall; }
  void SetIsNestedCall(bool AValue) { FIsNestedCall = AValue; }
  bool IsPatternStream() const { return FIsPatternStream; }
  void SetIsPatternStream(bool AValue) { FIsPatternStream = AValue; }
  bool FontChanged() const { return FFontChanged; }

  // Operands left at the end of the last run, oldest first; a page moves
  // them to its next stream.
  std::vector<std::unique_ptr<vn::pdf::TvnPDBaseObject>> TakeArgs();
  void PushArgs(std::vector<std::unique_ptr<vn::pdf::TvnPDBaseObject>> AArgs);
  void SetFontChanged(bool AValue) { FFontChanged = AValue; }
  // Takes over the path the previous stream of a page left unfinished: the
  // clipping W or W* asked for it and a move-to not yet followed by a
  // segment (the path itself is in the state). The next run keeps them, so
  // a path split between two streams of a page still clips.
  void ContinuePathOf(const TvnPDContentStream& APrevious);
  // Hands the state this stream owns (with its open saves) to the caller.
  std::unique_ptr<TvnPDState> ReleaseState();

  // The operator table, sorted by operator text.
  static std::span<const TvnOperator> OperatorTable();

 private:
  void RunContent();
  void Push(std::unique_ptr<vn::pdf::TvnPDBaseObject> AObject);
  void ClearArgs();
  void Execute(const std::string& AOp);
  void InlineImage();
  void EndPath();
  // Painting operators share this: nothing without a current point.
  void Paint(bool AClose, int AFill, bool AStroke);
  void SetColor(TvnArgs AArgs, bool AFill);
  void SetDeviceColor(TvnArgs AArgs, bool AFill, std::unique_ptr<TvnPDColorSpace> ASpace);
  void SelectColorSpace(TvnArgs AArgs, bool AFill);
  void CurrentPoint(double& AX, double& AY) const;
  // Resource lookups (pd_content_resources.cpp); null without resources.
  TvnPDColorSpace* LookUpColorSpace(const std::string& AName);
  TvnPDFont* LookUpFont(const std::string& AName);
  // The pattern of the name, given the colour of an uncoloured pattern.
  TvnPDPattern* SelectPattern(const std::string& AName, const TvnColorComp* AColor);
  // Draws an inline image whose data are ALength bytes at AStart of the
  // content.
  void DrawInlineImage(std::unique_ptr<vn::pdf::TvnPDDictionary> ADict, int64_t AStart, int64_t ALength);
  // The resources a Type 3 font's glyph procedures use.
  TvnPDResource* Type3Resources(TvnPDFont& AFont);
  // The glyph procedure of a Type 3 font for a code, or null.
  vn::pdf::TvnPDStream* Type3GlyphProc(TvnPDFont& AFont, uint32_t ACode);

  // Handlers, one per operator row.
  void OpFillStroke(TvnArgs);          // B
  void OpCloseFillStroke(TvnArgs);     // b
  void OpEOFillStroke(TvnArgs);        // B*
  void OpCloseEOFillStroke(TvnArgs);   // b*
  void OpNothing(TvnArgs);
  void OpGlyphShape(TvnArgs);           // d1
  static bool IsColorOperator(TvnOperationFunc AOperation);
  void OpBeginImage(TvnArgs);          // BI
  void OpBeginText(TvnArgs);           // BT
  void OpBeginCompat(TvnArgs);         // BX
  void OpEndCompat(TvnArgs);           // EX
  void OpCurveTo(TvnArgs);             // c
  void OpConcat(TvnArgs);              // cm
  void OpFillColorSpace(TvnArgs);      // cs
  void OpStrokeColorSpace(TvnArgs);    // CS
  void OpSetDash(TvnArgs);             // d
  void OpXObject(TvnArgs);             // Do
  void OpShade(TvnArgs);               // sh
  void OpEndText(TvnArgs);             // ET
  void OpFill(TvnArgs);                // f F
  void OpEOFill(TvnArgs);              // f*
  void OpFillGray(TvnArgs);            // g
  void OpStrokeGray(TvnArgs);          // G
  void OpGState(TvnArgs);              // gs
  void OpClosePath(TvnArgs);           // h
  void OpFlatness(TvnArgs);            // i
  void OpLineJoin(TvnArgs);            // j
  void OpLineCap(TvnArgs);             // J
  void OpFillCMYK(TvnArgs);            // k
  void OpStrokeCMYK(TvnArgs);          // K
  void OpLineTo(TvnArgs);              // l
  void OpMoveTo(TvnArgs);              // m
  void OpMiterLimit(TvnArgs);          // M
  void OpEndPath(TvnArgs);             // n
  void OpSave(TvnArgs);                // q
  void OpRestore(TvnArgs);             // Q
  void OpRectangle(TvnArgs);           // re
  void OpFillRGB(TvnArgs);             // rg
  void OpStrokeRGB(TvnArgs);           // RG
  void OpCloseStroke(TvnArgs);         // s
  void OpStroke(TvnArgs);              // S
  void OpFillColor(TvnArgs);           // sc
  void OpStrokeColor(TvnArgs);         // SC
  void OpFillColorN(TvnArgs);          // scn
  void OpStrokeColorN(TvnArgs);        // SCN
  void OpNextLine(TvnArgs);            // T*
  void OpCharSpace(TvnArgs);           // Tc
  void OpTextMove(TvnArgs);            // Td
  void OpTextMoveLeading(TvnArgs);     // TD
  void OpSetFont(TvnArgs);             // Tf
  void OpLeading(TvnArgs);             // TL
  void OpTextMatrix(TvnArgs);          // Tm
  void OpRender(TvnArgs);              // Tr
  void OpRise(TvnArgs);                // Ts
  void OpWordSpace(TvnArgs);           // Tw
  void OpHorizScaling(TvnArgs);        // Tz
  void OpCurveToV(TvnArgs);            // v
  void OpLineWidth(TvnArgs);           // w
  void OpClip(TvnArgs);                // W
  void OpEOClip(TvnArgs);              // W*
  void OpCurveToY(TvnArgs);            // y
  // Text showing (pd_text_show.cpp).
  void OpShowText(TvnArgs);            // Tj
  void OpShowArray(TvnArgs);           // TJ
  void OpNextLineShow(TvnArgs);        // '
  void OpSpacingNextLineShow(TvnArgs); // "

  // Text showing helpers (pd_text_show.cpp).
  bool BeginTextOperator();
  void ShowString(const vn::pdf::TvnPDString& AString);
  // One showing step: the string's bytes glyph by glyph, through the
  // glyph procedures or as one text. Without the CID-to-glyph mapping a
  // composite font's codes are ARawCodeBytes bytes each.
  void ShowBytes(const std::string& ABytes, int ARawCodeBytes);
  void ShowType3(const std::string& ABytes);
  // Concatenates text matrix, text position, font matrix and font size
  // onto the CTM: glyph space of a Type 3 font.
  void Type3GlyphMatrices();
  void ConcatAndReport(const TvnPDMatrix& AMatrix);
  // The advance of a glyph from its (ADx, ADy) at font size 1, with the
  // spacing; AWordSpace for a one-byte code 32.
  void GlyphAdvance(bool AWordSpace, double ADx, double ADy, double& AAdvX, double& AAdvY);

  double LLDx = 0.0;
  bool FIsCapitalTJ = false;
  TvnPDExportDevice* FExportDev = nullptr;
  TvnPDState* FState = nullptr;
  double FhDPI = 72.0;
  double FvDPI = 72.0;
  int FRotate = 0;
  TvnPDRect* FBox = nullptr;
  TvnPDRect* FCropBox = nullptr;
  int FPageNum = 0;
  std::unique_ptr<TvnPDMatrix> FBaseMatrix;
  std::unique_ptr<vn::pdf::TvnPDParser> FParser;
  uint32_t FUpdateLevel = 0;
  TvnPDResource* FPageResource = nullptr;
  TvnClip FClip = TvnClip::clipNone;
  int FIgnoreUndef = 0;
  bool FIsNestedCall = false;
  bool FIsPatternStream = false;
  // Set by d1: the colour operators of the glyph procedure are ignored.
  bool FShapeOnly = false;
  std::vector<std::unique_ptr<vn::pdf::TvnPDBaseObject>> FArgs;
  bool FFontChanged = false;
  bool FOwnsState = false;
  // Saves made by this run and not yet restored.
  int FSaveCount = 0;
  // A move-to not yet followed by a segment, and its point.
  bool FPendingMove = false;
  double FMoveX = 0.0;
  double FMoveY = 0.0;
  // Set by ContinuePathOf: the next run starts with FClip and the pending
  // move as they are.
  bool FContinuePath = false;
  std::shared_ptr<vn::TMemoryStream> FData;
  // Resources of Type 3 fonts (by their /Resources dictionary), made on
  // first use.
  std::vector<std::pair<const vn::pdf::TvnPDBaseObject*, std::unique_ptr<TvnPDResource>>> FType3Resources;
};

class TvnPDContents : public vn::pdf::TvnPDElement {
 public:
  TvnPDContents(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                vn::pdf::TvnPDBaseObject* ABaseObject);
  ~TvnPDContents() override;

  // The array's length for an array, otherwise 1.
  int StreamCount() const;
  // The stream at an index, or null; elements that are not streams are
  // skipped, so the list may be shorter than StreamCount.
  TvnPDContentStream* GetStream(int AIndex);

  // Runs every stream in order as one stream (operands and state carry
  // over), clipped to the crop box, between StartPage and EndPage. With
  // RenderAnnots, the page this contents belongs to (its parent element)
  // then draws its annotations (TvnPDPage::RenderAnnots, Printing picking
  // the printable ones) on the device's state as it was before the
  // content: clips and saves the content left open do not reach them.
  void Display(TvnPDExportDevice* ExportDev, double hDPI, double vDPI, int PageNum, int Rotate, TvnPDRect* Box,
               TvnPDRect* CropBox, TvnPDResource* APageResource, bool RenderAnnots = false, bool Printing = false);

 private:
  void BuildList();

  bool FListBuilt = false;
  std::vector<std::unique_ptr<TvnPDContentStream>> FContentStrmList;
};

}  // namespace vn::pdfdoc
