// TvnMetafileProcessor: replays an enhanced metafile (a Windows metafile is
// converted first) into items of an export engine's current page or band.
// It keeps its own model of a device context (objects, modes, mapping,
// world transform, saved states, current position) and turns each drawing
// record into engine items: shapes, paths, clips, text and images.
//
// Records are read through the platform EMF library, whose decoders check
// every count and offset against the record; a record that does not decode,
// or whose bitmap cannot be decoded, is dropped and reported in
// Diagnostics(), and the replay goes on. A STRETCHDIBITS record whose bitmap
// holds JPEG data becomes the engine's JPEG pass-through item at the place
// the decoded bitmap would get, so the photograph is never re-compressed.
//
// Ownership: the processor borrows the engine; items it appends and image
// resources it adds belong to the engine from then on. One processor plays
// one metafile (the engine makes a new one per metafile).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "export/bitmap_graphic.h"
#include "export/document_engine.h"
#include "platform/emf/emf_reader.h"
#include "platform/emf/paint_comment.h"
#include "platform/fonts/gdi_font.h"
#include "platform/images/bitmap.h"

namespace vn::exporter {

enum class TvnEMFAlignments { TA_NOUPDATECP, TA_UPDATECP, TA_LEFT, TA_RIGHT, TA_CENTER, TA_TOP, TA_BOTTOM, TA_BASELINE, TA_RTLREADING, TA_MASK };
using TvnEMFAlignment = vn::EnumSet<TvnEMFAlignments>;

enum class TvnGDIOBJType { goPen, goBrush, goFont, goPalette, goNone };

// The font of a metafile: the engine font plus the escapement (tenths of a
// degree) and the logical height as the metafile gave it.
struct TvnFont : TFont {
  int32_t FRotateFont = 0;
  int32_t FActualHieght = 0;
};

// A brush of a metafile: the engine brush plus the pattern bitmap of a
// pattern brush (shared, never changed).
struct TvnMetaBrush : TBrush {
  std::shared_ptr<const vn::platform::Bitmap> Pattern;
};

struct TvnPalette {
  uint16_t Version = 0x300;
  uint16_t NumEntries = 0;
  uint32_t FirstEntry = 0;
};

// What a pen of a fractional recording needs beyond TPen: its width and
// dashes in logical units, its joins and caps.
struct TvnPenGeometry {
  double Width = 0;  // 0: a cosmetic pen
  std::vector<uint32_t> Dashes;  // user-style dashes
  TvnPenJoinStyle Join = TvnPenJoinStyle::pjsMiter;
  TvnPenCapStyle Cap = TvnPenCapStyle::pcsFlat;
};

struct TvnGDIOBJ {
  explicit TvnGDIOBJ(TvnGDIOBJType type) : FGDIOBJType(type) {}
  TvnGDIOBJType FGDIOBJType;
  TPen FPen;
  TvnMetaBrush FBrush;
  TvnFont FFont;
  TvnPalette FPalette;
  TvnPenJoinStyle FPenJoinStyle = TvnPenJoinStyle::pjsNone;
  TvnPenCapStyle FPenCapStyle = TvnPenCapStyle::pcsNone;
  TvnPenGeometry FPenGeometry;
};

// A clip set since the page's clip was last restored, kept so that a
// restored device context can set its clip again.
struct TvnClipStep {
  std::vector<TRect> Rects;
  uint32_t Mode = 0;
  // A clip path: the items from its BEGINPATH to its SELECTCLIPPATH, set
  // again as they are (Rects is then empty).
  std::vector<std::shared_ptr<const TvnDocumentItem>> Path;
};
// Shared, so saving a device context does not copy region data.
using TvnClipSteps = std::vector<std::shared_ptr<const TvnClipStep>>;

struct TvnMetaState {
  TvnFont FFont;
  int32_t FSymbolCharsetFontIdx = 1;  // whether FFont is symbol-only, as in the player
  TvnMetaBrush FBrush;
  TPen FPen;
  TColor FCurrentTextColor = clBlack;
  int32_t FBKMode = 0;
  uint32_t FMapMode = 0;
  vn::platform::emf::XForm FXForm;
  vn::platform::emf::SizeL FWinExtent{1, 1}, FViewExtent{1, 1};
  vn::platform::emf::PointL FWinOrg, FViewOrg;
  TvnEMFAlignment FTextAlign;
  TvnClipSteps FClipSteps;
  TvnPenGeometry FPenGeometry;
  std::optional<vn::platform::emf::PaintComment> FPaint;
  int32_t Key = 0;  // the number of states held when it was saved
};

class TvnMetafileProcessor {
 public:
  explicit TvnMetafileProcessor(TvnCustomDocumentEngine& ADocumentEngine);
  TvnMetafileProcessor(const TvnMetafileProcessor&) = delete;
  TvnMetafileProcessor& operator=(const TvnMetafileProcessor&) = delete;

  // Plays an enhanced or Windows metafile with its top-left at
  // (AStartX, AStartY) engine pixels. EEmfError when the bytes are neither.
  void Execute(const TMetafile& AMetafile, double AStartX, double AStartY);
  // Plays an opened enhanced metafile.
  void Execute(const vn::platform::emf::EmfFile& AMetafile, double AStartX, double AStartY);

  bool CombineCharsToSentence() const { return FCombineCharsToSentence; }
  void SetCombineCharsToSentence(bool value) { FCombineCharsToSentence = value; }
  // Records dropped or only partly played, with the reason.
  const vn::Diagnostics& Diagnostics() const { return FDiagnostics; }

  // The coordinate transform, logical units to engine pixels (without the
  // start offset).
  TvnPoint TransformPoint(double X, double Y) const;
  TvnPoint TransformExtent(double X, double Y) const;
  TvnRect TransformRect(double L, double T, double R, double B) const;

 private:
  using Record = vn::platform::emf::Record;
  static constexpr size_t kMaxSavedStates = 10000;
  static constexpr size_t kMaxClipSteps = 256;
  // Clip rectangles a metafile may make (clips are set again after each
  // restore, so a small file could otherwise make a great many).
  static constexpr int64_t kMaxClipRects = int64_t{1} << 22;
  // Pattern tiles per metafile; a fill that would need more gets none.
  static constexpr int32_t kMaxPatternTiles = 20000;

  void PlayRecord(const Record& rec);
  void Report(const Record& rec, const char* message);

  // State and objects.
  TvnPoint ApplyWorldTransform(double X, double Y) const;
  TvnPoint Place(const vn::platform::emf::PointL& p) const;
  bool IsIsotropic() const { return FMapMode == 7 || FMapMode == 8; }
  void UpdateMappingFactors();
  double ScaleLogicalWidth(double W) const;
  void SaveState();
  // False when no state was restored.
  bool RestoreState(int32_t N);
  void SelectStockObject(uint32_t N);
  static TColor CheckColor(uint32_t C);
  static TvnEMFAlignment ConvertTextAlign(uint32_t F);
  static int32_t LogicalHeightToPoints(double H);
  void SizeFont(TvnFont& font, int32_t H, bool initial) const;
  TvnGDIOBJ& StoreObject(uint32_t index, TvnGDIOBJType type);
  void SelectObject(uint32_t index);
  void DeleteObject(uint32_t index);
  bool IsSymbolOnlyFace(const String& face);
  vn::platform::TextSize MeasureText(const TFont& font, const String& text) const;
  // The characters of glyph indices of the font; nothing when the font
  // draws with a stand-in face.
  std::optional<String> GlyphsToText(const TFont& font, const std::u16string& glyphs);

  // Items.
  bool FillAlternate() const { return FPolyFillMode == 1 || FPolyFillMode == 0; }
  std::unique_ptr<TvnShapeItem> NewShape(TvnShapeType type) const;
  void AppendItem(std::unique_ptr<TvnDocumentItem> item);
  void AppendClip(const TvnClipStep& step);
  void AppendRestoreClip();
  // Sets a clip (a region that replaces the clip restores the page's first).
  void SelectClip(std::shared_ptr<const TvnClipStep> step);
  // Back to the page's clip, then the given clips again.
  void RestoreClip(TvnClipSteps steps);
  TRect OffsetRect(const vn::platform::emf::RectL& r) const;

  // Record families.
  void DoPoly(const Record& rec, bool is16);
  void DoPolyPoly(const Record& rec, bool is16);
  void DoPolyDraw(const Record& rec);
  void DoBoxShape(const Record& rec);
  void DoFillRgn(const Record& rec);
  void DoPath(const Record& rec);
  // Keeps a selected clip path with the clips in force.
  void KeepClipPath(const TvnPathItem& select);
  // The exact pen of a stroke of a fractional recording, engine pixels.
  TvnExactPen ExactPen() const;
  void DoExtSelectClipRgn(const Record& rec);
  void DoText(const Record& rec);
  void AlignTextPosition(TvnTextItem& item, double W);
  void DoCreateFont(const Record& rec);
  void DoCreatePen(const Record& rec, bool extended);
  void DoCreateBrush(const Record& rec);
  void DoCreateDibBrush(const Record& rec);
  void DoPalette(const Record& rec);

  // Bitmap records.
  void DoBlt(const Record& rec);
  void DoStretchDIBits(const Record& rec);
  // ALPHABLEND and TRANSPARENTBLT: a stretched picture with transparency.
  void DoAlphaBlt(const Record& rec);
  void DoSetDIBitsToDevice(const Record& rec);
  void DoBlitWithoutBitmap(const Record& rec, uint32_t rop, const vn::platform::emf::RectL& bounds, int32_t xDest, int32_t yDest,
                           int32_t cxDest, int32_t cyDest);
  void FlushBlitShape();
  void PatternFill(const Record& rec, const TvnPoint& a, const TvnPoint& b);
  std::unique_ptr<TvnImageItem> NewImageItem() const;
  // Sets the item's place (start offset added) and display rectangle.
  void Locate(TvnImageItem& item, const TvnRect& place, const TvnRect& display) const;
  void PlaceBitmap(const Record& rec, std::unique_ptr<TvnImageItem> item, const TvnRect& place, const TvnRect& display,
                   const vn::platform::emf::DibData& dib, uint32_t rop);
  void PlaceJpeg(const Record& rec, const TvnImageItem& placed, const TvnRect& place, const TvnRect& display,
                 const vn::platform::emf::DibData& dib);
  // The image item the current list ends with, when it lies at the
  // rectangle; nullptr otherwise.
  TvnImageItem* FindPreviousImage(const TvnRect& r) const;
  // The bitmap an image item shows; nullptr when it shows none.
  const vn::platform::Bitmap* ItemBitmap(const TvnImageItem& item) const;
  // Makes the item show `bitmap` instead, leaving other items that show
  // the same resource as they were.
  void ReplaceItemBitmap(TvnImageItem& item, vn::platform::Bitmap bitmap);
  // The BMP file of a record's bitmap, and its decoding (nothing, reported,
  // when it does not decode).
  static std::string BuildBitmapStream(const vn::platform::emf::DibData& dib);
  std::optional<vn::platform::Bitmap> DecodeBitmap(const Record& rec, const std::string& stream);

  TvnCustomDocumentEngine* FEngine;
  vn::Diagnostics FDiagnostics;
  double FStartX = 0, FStartY = 0;
  double FSx = 1, FSy = 1;  // screen pixels per input pixel
  bool FIsRestoredDC = false;
  uint32_t FROP2 = 0, FStretchMode = 0, FICMMode = 0, FPolyFillMode = 0;
  TColor FBKColor = clWhite;
  uint32_t FMapMode = 0;
  float FMiterLimit = 10.0f;
  TvnFont FCurrentFont;
  TvnMetaBrush FCurrentBrush;
  TPen FCurrentPen;
  TvnPenGeometry FCurrentPenGeometry;
  // The project's paint comment in force (a recording in fractional units).
  std::optional<vn::platform::emf::PaintComment> FPaint;
  TvnPalette FCurrentPalette;
  TvnEMFAlignment FTextAlignment{TvnEMFAlignments::TA_LEFT};
  TColor FTextColor = clBlack;
  vn::platform::emf::PointL FCurrentPathPoint;
  double FUpdatePathX = 0;
  bool FSRand = false;
  uint8_t FBKMode = 2;
  TvnRect FStretchBltRect;
  int32_t FJustProcessedTextItem = 0;
  TvnRect FClipRect;
  bool FJustProcessedStretchBltShape = false;
  // -1 while the selected font is symbol-only (wide text keeps the low
  // byte of each character), 1 otherwise. The device's default font, in
  // use before any font is selected and after a stock font is, is none.
  int32_t FSymbolCharsetFontIdx = 1;
  int32_t FCurrentRecord = 0;
  std::vector<std::unique_ptr<TvnGDIOBJ>> FGDIOBJList;
  TvnGDIOBJ* FGDIOBJ = nullptr;
  bool FProcessText = false, FProcessImage = false, FProcessShape = false;
  bool FIsClipRect = false, FIsIntersectClipRect = false;
  TvnItemList* FPTextList = nullptr;
  bool FIsWindowsExt = false, FIsTransApplied = false;
  int32_t FWidth = 0, FHeight = 0;
  vn::platform::emf::XForm FXForm;
  std::vector<std::unique_ptr<TvnMetaState>> FMetaState;
  vn::platform::emf::PointL FViewPortOrigin;
  vn::platform::emf::SizeL FViewPortExtent{1, 1};
  vn::platform::emf::PointL FWindowOrigin;
  vn::platform::emf::SizeL FWindowExtent{1, 1};
  double FMapMXmul = 1.0, FMapMYmul = 1.0;
  bool IsBackgrondTransprent = false;
  bool FCombineCharsToSentence = false;
  TvnClipSteps FClipSteps;
  // Where the items of the path being defined start in the item list.
  std::optional<size_t> FPathStart;
  int64_t FClipRectsLeft = kMaxClipRects;
  int32_t FPatternTiles = 0;
  std::map<String, bool> FSymbolFaces;
  std::map<std::string, std::map<uint32_t, char32_t>> FGlyphMaps;  // per face file and index
};

// Installs the processor as the engine's metafile player (SetMetafilePlayer):
// every metafile an engine plays is replayed by a new TvnMetafileProcessor.
void InstallMetafileProcessor();

}  // namespace vn::exporter
