// TvnCustomPDFEngine: the PDF format engine of the export engine. The
// engine core renders each finished page through the hooks overridden here:
// StartPage opens the page's content stream, the shape, path and clip hooks
// append content operators to it, EndPage writes the page object, the
// (deflated) content stream and its length; EndDocument writes the catalog,
// the page tree, the shared resources, the procedure sets, the tiling
// patterns, the document information, the cross-reference table and the
// trailer. The file is written front to back in one pass with CRLF line ends.
//
// Object numbers: 1 catalog, 2 page tree, 3 information, 4 procedure sets,
// 5 resources; every other object takes the next number. Numbers are always
// written in fixed notation with four decimals and "." (never in exponent
// form, never through the locale).
//
// Ownership: the engine owns its settings objects and every table of the
// document being written; the output file belongs to the engine core, which
// lets it appear only when the document ends well; the caller's user stream
// is only borrowed.
//
// Text items become text objects in embedded TrueType fonts (pdf_text.cpp,
// with the font mapper, the PDF fonts and the subsetter), written with the
// document's fonts at its end. The document features are written through
// the protected hooks below: encryption (pdf_security.cpp), outlines and
// thumbnails (pdf_outlines.cpp), attached files (pdf_attachments.cpp), the
// XMP metadata and the PDF/A output intent (pdf_metadata.cpp).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "export/plain_sheet_engine.h"
#include "pdfwriter/font_mapper.h"
#include "pdfwriter/pdf_images.h"
#include "pdfwriter/pdf_settings.h"
#include "runtime/string_list.h"

namespace vn::pdfwriter {

using vn::exporter::TBrush;
using vn::exporter::TBrushStyle;
using vn::exporter::TGraphic;
using vn::exporter::TPen;
using vn::exporter::TvnPoint;
using vn::exporter::TvnPoints;
using vn::framework::TvnBaseComponent;
using vn::framework::TvnRect;

enum class TvnPathStatus { psPathBegins, psPathEnds, psNoPath };

// The "no colour" value of a background colour.
constexpr TColor kNoBackgroundColor = 0x1FFFFFFF;

class TvnPDFFont;
struct TvnPDFDocumentFeatures;

// One run of a text item, gathered from the analyzer's runs: consecutive
// runs in one font and of one kind are joined so that they are written as
// one text object.
struct TvnRunStore {
  String RunText;
  TFont Font;  // the item's font with the run's font name
  TvnGlyphInfoList GlyphInfoList;
  TvnRunInfo RunInfo;
  std::vector<uint16_t> LogClust;
  int32_t Angle = 0;
};

class TvnCustomPDFEngine : public vn::exporter::TvnCustomPlainSheetEngine {
 public:
  explicit TvnCustomPDFEngine(TvnBaseComponent* AOwner = nullptr);
  ~TvnCustomPDFEngine() override;

  // ---- settings
  TvnCompression& Compression() { return *FCompression; }
  // Takes the object over (null leaves the current one).
  void SetCompression(std::unique_ptr<TvnCompression> value);
  TvnPDFPreferences& Preferences() { return static_cast<TvnPDFPreferences&>(TvnCustomDocumentEngine::Preferences()); }
  TvnViewerPreferences& ViewerPreferences() { return *FViewerPreferences; }
  void SetViewerPreferences(std::unique_ptr<TvnViewerPreferences> value);
  TvnPDFEncryptionSettings& Encryption() { return *FEncryption; }
  void SetEncryption(std::unique_ptr<TvnPDFEncryptionSettings> value);
  TvnDigitalSignature& DigitalSignature() { return FDigitalSignature; }
  TvnPDFFontEncoding FontEncoding() const { return FFontEncoding; }
  void SetFontEncoding(TvnPDFFontEncoding value) { FFontEncoding = value; }
  const vn::TStringList& FontEmbedExcludeList() const { return FFontEmbedExcludeList; }
  // Copies the list.
  void SetFontEmbedExcludeList(const vn::TStringList& value) { FFontEmbedExcludeList = value; }
  // The rectangle and page of the signature field.
  void SetSignatureRect(const TvnRect& Rect, int32_t PageNumber);
  const TvnRect& SignatureRect() const { return FRect; }
  int32_t SignaturePageNumber() const { return FSigPageNumber; }

  // ---- the object writer
  int32_t NewObjectNumber() { return ++FLastObjNo; }
  static std::string ObjectHeader(int32_t n);
  static std::string ObjectRef(int32_t n);
  // Records the offset (from the start of the document in the output) of
  // object n.
  void AddXRef(int64_t Offset, int32_t n);
  // Writes object n at the end of the output; a body holding a CRLF is
  // wrapped in "<<" CRLF ... ">>". Without Complete the "endobj" line is
  // left out (a stream follows).
  void WriteObject(const std::string& Body, int32_t n, bool Complete);
  // Writes object n as a stream: its dictionary body (always wrapped in
  // "<<" ">>"), then the data
  // (deflated when compression is on, then encrypted with n's key). Returns
  // the number of stream bytes written.
  int64_t WriteStreamObject(int32_t n, const std::string& Dictionary, std::string_view Data);
  // "/Filter/FlateDecode" when compression is on, else empty.
  std::string FlateFilterEntry() const;
  static std::string FormatXRefEntry(int64_t Offset, int32_t Generation, const char* Kind);
  // Fixed notation, four decimals, "." — for every magnitude (no exponent).
  static std::string FormatNumber(double x);
  // Appends the source, deflated at the given level when enabled, to the
  // destination; returns the number of bytes appended.
  static int64_t CompressStream(std::string_view Source, std::string& Destination, TvnCompressionLevel Level, bool Enabled);
  // Upper-case hex digits of FE FF and the text's UTF-16BE code units,
  // passed through the string encryption of object n.
  std::string EncodeTextString(const String& Text, int32_t n, int32_t Generation);

  int32_t LastObjNo() const { return FLastObjNo; }
  const std::string& CreationTime() const { return FCreationTime; }
  // "D:yyyymmddhhnnss" and the zone "+hh'mm'" / "-hh'mm'" of `offset_minutes`
  // east of UTC.
  static std::string FormatPDFDate(vn::TDateTime Local, int OffsetMinutes);

  // ---- document features
  // Outline entries (the plain-sheet engine's table of contents), written
  // as the document's outline when it ends: a page target at Top (in the
  // measurement unit) of page PageNumber, or an address. Top-level entries
  // are open, deeper ones closed. -1 when refused (pdf_outlines.cpp).
  int32_t AddTOCItem(const String& Title, int32_t ParentNode, int32_t PageNumber, double Top) override;
  int32_t AddTOCItem(const String& Title, int32_t ParentNode, const std::string& URL) override;
  // A thumbnail of page PageNumber (1-based) from a picture (kept as an
  // image resource) or from an image resource, in the output format (BMP:
  // deflated RGB rows, or JPEG), pixel format and JPEG quality of the image
  // settings; pages asking for equal thumbnails of one resource share one
  // image object. Only while a document is started; other output formats
  // are ignored (pdf_outlines.cpp).
  void AddThumbnailImage(const TGraphic& Graphic, int32_t PageNumber);
  void AddThumbnailImage(int32_t ImageIndex, int32_t PageNumber);
  // Embeds the file FolderPath/FileName when the document ends (nothing
  // when either is empty). Files may be attached before or during the
  // document; EndDoc forgets them. A file missing when the document ends
  // fails it (pdf_attachments.cpp).
  virtual void AttachFile(const String& FolderPath, const String& FileName);
  void EndDoc() override;

 protected:
  // ---- engine core hooks
  // Refuses settings whose writer is not built yet (signature) or that no
  // document may combine (PDF/A and encryption) with ENotSupportedException
  // before anything is written, then starts the file.
  void StartDocument() override;
  void EndDocument() override;
  void StartPage() override;
  void EndPage() override;
  bool IsImageFormatSupported(vn::exporter::TvnOutputImageFormat Format, String& Message) override;
  int ExecuteSetupDialog() override { return 1; }
  std::unique_ptr<vn::exporter::TvnPreferences> NewPreferences() const override {
    return std::make_unique<TvnPDFPreferences>();
  }

  // Shape, path and clip hooks.
  void DrawLine(double X1, double Y1, double X2, double Y2, const TPen& Pen) override;
  void DrawRectangle(double X1, double Y1, double X2, double Y2, const TPen& Pen, const TBrush* Brush) override;
  void DrawRoundRect(double X1, double Y1, double X2, double Y2, double X3, double Y3, const TPen& Pen,
                     const TBrush* Brush) override;
  void DrawEllipse(double X1, double Y1, double X2, double Y2, const TPen& Pen, const TBrush* Brush) override;
  void DrawPolygon(const TvnPoints& Points, int32_t NoPoints, const TBrush* Brush, const TPen& Pen, bool Closed) override;
  void DrawPolyShape(vn::exporter::TvnPolyShapeItem& Item, bool Closed) override;
  void DrawArc(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4, double Y4,
               const TPen& Pen) override;
  void DrawPie(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4, double Y4, const TPen& Pen,
               const TBrush* Brush) override;
  void DrawChord(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4, double Y4, const TPen& Pen,
                 const TBrush* Brush) override;
  void DrawPolyBezier(const TvnPoints& Points, int32_t NoPoints, const TPen& Pen) override;
  void RenderPathItem(vn::exporter::TvnPathItem& Item) override;
  void RenderClipItem(vn::exporter::TvnClipItem& Item) override;
  void RenderPolyPolygonItem(vn::exporter::TvnPolyPolygonItem& Item) override;
  void RenderPolyDrawItem(vn::exporter::TvnPolyDrawItem& Item) override;
  void RenderEOFItem(vn::exporter::TvnEOFItem& Item) override;

  // ---- the file's dictionaries (virtual: the extended engine adds entries)
  virtual std::string WriteCatalog();
  virtual std::string WritePageObject();
  virtual std::string WriteTrailer();

  // ---- text (pdf_text.cpp)
  // Writes a text item: its first line, mapped to installed TrueType fonts,
  // split into runs, each written as one text object with its underline,
  // strike-out and background; web and e-mail addresses in it become link
  // annotations.
  void RenderTextItem(vn::exporter::TvnTextItem& Item) override;
  // The analyzer's callback: gathers the runs of the item being written.
  void AddScriptRun(const String& AText, int32_t ARunIndex, int32_t ARunCount, TvnGlyphInfoList&& AGlyphInfoList,
                    const TvnRunInfo& AGlyphDetail, const std::vector<uint16_t>& ALogClust);
  // The PDF font of a run: found by font, size, kind and direction, or
  // made.
  TvnPDFFont& GetRunPDFFont(const TvnRunStore& Run, bool IdentityH);
  // The width of a run at the item's size, pixels.
  double RunWidth(const TvnRunStore& Run);
  void WriteRun(TvnRunStore& Run, int32_t Angle, double CharSpacing, bool FirstRun);
  // Link annotations for the web and e-mail addresses and file paths of a
  // line whose text starts at (X, Y) (engine pixels), one line high.
  void WriteLinks(const String& Line, double X, double Y, double Height);
  TvnMapFont& MapFont();
  // The "/Font <<...>>" entry of the resources (with its CRLF) and the font
  // objects written at the end of the document.
  virtual std::string GetFontResources();
  virtual void WriteFonts();

  // ---- hooks of the document features
  // Encryption (pdf_security.cpp): the dictionary object, and the stream and
  // string ciphers with the key of object n (identity without encryption).
  virtual void WriteEncryptDictionary();
  virtual void EncryptObjectStream(std::string& Data, int32_t n, int32_t Generation);
  virtual std::string EncryptObjectStrings(const std::string& Text, int32_t n, int32_t Generation);
  // Images: the image entries inside "/XObject <<" ... " >>" of the
  // resources, and the background picture written as an image object
  // (its object number, or -1 when not written).
  virtual std::string GetImageResources();
  virtual int32_t WriteBackgroundImage(const TGraphic& Picture);
  // Image items and kept (JPEG) image streams as image objects and their
  // placement (pdf_images.cpp).
  void RenderImageItem(vn::exporter::TvnImageItem& Item) override;
  void RenderImageStream(vn::exporter::TvnImageStream& Item) override;
  // The content text that places the image object named Name for the item.
  std::string WriteImagePlacement(const std::string& Name, vn::exporter::TvnImageItem& Item);
  // The CCITT data of a picture (ifCCITT3: Group 3, otherwise Group 4); none
  // here, the extended engine codes them.
  virtual std::unique_ptr<vn::TMemoryStream> EncodeCCITT(const vn::platform::Bitmap& /*Bitmap*/,
                                                         vn::exporter::TvnOutputImageFormat /*Format*/) {
    return nullptr;
  }
  // Objects written at the start of a page before its content (signature
  // widget) and objects after the catalog (thumbnails, outlines:
  // pdf_outlines.cpp).
  virtual void WritePageStartObjects() {}
  // Whether the engine writes signed documents (the extended engine).
  virtual bool CanSign() const { return false; }
  virtual void WriteOutlinesAndThumbnails();
  // PDF/A: whether the ICC-based colour space CS0 exists for colour
  // operators, and writing it (its object number, -1 when none;
  // pdf_metadata.cpp).
  virtual bool HasOutputColourSpace() const { return true; }
  virtual int32_t WriteOutputColourSpace();

  // ---- the document features' parts of the file structure
  // Refuses what no document may combine (PDF/A and encryption) before
  // anything is written.
  void CheckDocumentFeatures();
  // At the start of a document, once its creation date is known: the
  // encryption object and the file identifier.
  void StartDocumentFeatures();
  void ReleaseDocumentFeatures();
  // Writes the objects the catalog names (attached files, XMP metadata, the
  // ICC profile) and returns the catalog's entries for them and for the
  // outline root.
  std::string CatalogFeatureEntries();
  // Writes object n as a stream of Data as it is (never compressed: XMP
  // metadata, ICC profiles, attached files), encrypted with n's key; the
  // dictionary is written as by WriteObject.
  void WritePlainStream(int32_t n, const std::string& Dictionary, std::string Data);
  // The attached files' objects and the catalog's " /Names" and "/AF"
  // entries for them, or "" (pdf_attachments.cpp).
  std::string WriteAttachments();
  // "/Thumb " and the reference of the current page's thumbnail, or "".
  std::string ThumbnailEntry();
  // The trailer's "/ID [<...><...>]" (encrypted or PDF/A output) and
  // "/Encrypt n 0 R" (encrypted output), or "".
  std::string TrailerIDEntry() const;
  std::string TrailerEncryptEntry() const;
  // The font embedding of the document: PDF/A embeds every font (as a
  // subset unless the whole font is asked for), whatever the exclude list.
  TvnTTFontEmbedding FontEmbedding();
  bool IsFontEmbedExcluded(const String& FontName) const;
  // Whether opacity below 1 may be written (not in PDF/A-1, which has no
  // transparency: shapes are drawn opaque there).
  bool AllowsTransparency() const;

  // ---- page content helpers
  // Input resolution / screen resolution (1 without an input resolution).
  double ResolutionFactorX() const;
  double ResolutionFactorY() const;
  // Engine pixels to points on the current page (y flipped).
  double ConvX(double x) const;
  double ConvY(double y) const;
  double ConvW(double w) const;
  double ConvH(double h) const;
  std::string FormatPoint(double x, double y) const { return FormatNumber(ConvX(x)) + " " + FormatNumber(ConvY(y)); }
  // Colour operators: rgb " RG" / rgb " rg" (through CS0 for PDF/A).
  std::string GetCSForStroke(TColor Color) const;
  std::string GetCSForFill(TColor Color) const;
  // The dash, join and cap text of a pen (no width, no colour).
  std::string LineStyleText(const TPen& Pen) const;
  // The pen a stroke along Path (content text) is written with, and its
  // Width (content units): a line wider than the page many times over is
  // narrowed, and dashes that would mostly fall off the page are drawn
  // solid; both would cost a reader time without showing (damaged input).
  TPen StrokePen(const TPen& Pen, double& Width, std::string_view Path) const;
  // Whether dashes of this period (content units) along Path would mostly
  // fall off the page.
  bool DashesMostlyHidden(double Period, double Width, std::string_view Path) const;
  // Line style, width, " w ", stroking colour, " " of a stroke along Path.
  std::string PenText(const TPen& Pen, std::string_view Path) const;
  // "/GSn gs" CRLF for an opacity below 100 (the state is made once per
  // opacity value), else empty.
  std::string OpacityPrefix(int32_t Opacity);
  // The graphics state of an opacity from 0 to 1 (in hundredths), none when opaque.
  std::string AlphaPrefix(double Opacity);
  // "/GSn gs" CRLF for a blend mode of a fractional recording (1 to 15, the
  // paint comment's order; the state is made once per mode), else empty
  // (Normal, or a document that allows no transparency).
  std::string BlendPrefix(uint8_t Mode);
  // The line state of the exact pen of a fractional recording, its colour
  // last: lengths written in Unit per pen unit, measured against the page
  // in Content per pen unit along Path (content text).
  std::string ExactPenText(const vn::exporter::TvnExactPen& Pen, TColor Color, double Unit, double Content,
                           std::string_view Path) const;
  // The state of a stroke with an exact pen along Path; a pen the
  // recording's transform stretches draws under a matrix, and Path is
  // rewritten in the pen's units.
  std::string ExactStroke(const vn::exporter::TvnExactPen& Pen, TColor Color, std::string& Path) const;
  // The pattern name of a hatch style, registered with an object number on
  // its first use in the document; empty for other styles.
  std::string GetPatternName(TBrushStyle Style);
  // "/CSP cs " rgb " /" pattern " scn": a hatch brush as the fill colour.
  std::string HatchFillColour(const TBrush& Brush);
  // The fill of a path by a brush (solid or hatch), with its fill operator.
  std::string BrushFill(const TBrush* Brush, const std::string& Path, bool& Hatched);
  // Arc path from the start point to the end point of a box (no pen).
  std::string GetArcPath(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4, double Y4) const;
  // The content of an image item's frame and fill (used by image placement).
  void WriteItemFrame(vn::exporter::TvnImageItem& Item, std::string& Text);
  // Appends to the page's content stream.
  void WriteContent(std::string_view Text) { FContentStream.append(Text); }
  // A shape's text in a graphics state of its own.
  void WriteShape(const std::string& Text);
  // A closed figure: the opacity prefix, the brush fill of Path, then the
  // outline with PenText (none when empty); nothing when neither paints.
  void PaintFigure(const std::string& Path, const std::string& PenText, const TBrush* Brush);
  // Pops every graphics state opened by clips.
  void CloseClips();
  void WritePageBackground();
  void WritePatterns();

  // Whether the document being written is PDF/A (taken when it starts).
  bool IsPDFA() const { return FIsPDFA; }
  const TvnPageInfo* CurrentPageInfo() const;

  // ---- file state
  // The caller's user stream or the output file the engine core keeps.
  vn::TStream* FOutputStream = nullptr;
  int64_t FOutputStart = 0;
  int32_t FLastObjNo = 0;
  std::vector<int64_t> FXRefTable;  // offset by object number, -1 when not written
  std::string FCreationTime;
  std::vector<std::optional<TvnPageInfo>> FPageList;
  std::string FContentStream;
  std::string FImageStream;
  std::vector<std::pair<int64_t, int32_t>> FImageXRefList;  // offset in FImageStream, object number
  std::vector<std::pair<std::string, int32_t>> FPattern;    // name, object number
  std::vector<TvnPDGState> FPDGStateList;
  std::map<int32_t, size_t> FPDGStateByOpacity;
  std::map<uint8_t, size_t> FPDGStateByBlend;
  int32_t FContentsObjNo = 0, FLengthObjNo = 0;
  std::string FAnnots;
  double FPixelToPointMultiplier = 0.75;
  int32_t FBGImageObj = -1;
  TvnPDFImageTable FImageSettings;  // the image objects of the document
  int32_t FColourSpaceObject = -1;
  bool FIsPDFA = false;
  // The state of the document features (pdf_doc_features_impl.h).
  std::unique_ptr<TvnPDFDocumentFeatures> FFeatures;
  // Fonts of the document in order of first use; font i is "/F" i.
  std::vector<std::unique_ptr<TvnPDFFont>> FFontTable;
  double FBackgroundImageLeft = 0, FBackgroundImageTop = 0, FBackgroundImageWidth = 0, FBackgroundImageHeight = 0;

  // ---- page content state
  bool FIsClipState = false;
  int32_t FClipDepth = 0;  // graphics states opened by clips (0 or 1)
  TvnPathStatus FPathStatus = TvnPathStatus::psNoPath;
  bool FIsPathClosed = false;
  bool FFirstPoint = true;
  TvnPoint FInitialPos;
  std::optional<TvnPoint> FCurrentPoint;  // the path's current point, engine pixels
  std::string FPath;
  bool FIsClipPath = false;

  // ---- text state, live while one text item is written
  vn::exporter::TvnTextItem* FCurrentTextObj = nullptr;
  double FRunTextX = 0, FRunTextY = 0;
  TFont FRunFont;
  double FRunFontSize = 0;  // points, the exact em size of FRunFont
  int32_t FRunAscent = 0;   // the ascent of FRunFont at 1000 points, points
  String FRunLine;          // the line being written
  std::vector<TvnRunStore> FRunStoreList;
  std::optional<TvnRunStore> FRunStore;

 private:
  void WriteRaw(std::string_view bytes);
  int64_t OutputOffset();
  void ResetPageState();
  // Inside a path bracket: starts a new figure at p (move) unless the
  // figure continues from the current point.
  void PathMoveOrContinue(const TvnPoint& p, bool NewFigure);
  std::string ResourcesText();
  std::string InfoText();
  void WriteXRefAndTrailer();
  void ReleaseDocument();

  std::unique_ptr<TvnMapFont> FMapFont;
  std::unique_ptr<TvnCompression> FCompression = std::make_unique<TvnCompression>();
  std::unique_ptr<TvnViewerPreferences> FViewerPreferences = std::make_unique<TvnViewerPreferences>();
  std::unique_ptr<TvnPDFEncryptionSettings> FEncryption = std::make_unique<TvnPDFEncryptionSettings>();
  TvnDigitalSignature FDigitalSignature;
  TvnPDFFontEncoding FFontEncoding = TvnPDFFontEncoding::feWinAnsiEncoding;
  vn::TStringList FFontEmbedExcludeList;
  TvnRect FRect;
  int32_t FSigPageNumber = 0;
};

}  // namespace vn::pdfwriter
