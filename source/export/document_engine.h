// TvnCustomDocumentEngine: the device-independent export engine. A caller
// sets the engine up, calls BeginDoc, makes drawing calls page after page
// (NewPage opens each further page) and calls EndDoc. Drawing calls draw
// nothing: each becomes an item of the working page or of the open band
// (header, footer, watermark, stamp). When a page is finished the engine
// renders it through protected virtual hooks that a format engine overrides,
// band by band (header, watermark, content, footer, stamp), and frees its
// items.
//
// Ownership: the engine owns its drawing objects and settings for its whole
// life, and between BeginDoc and the end of the document the pages, bands,
// items, saved states and image resources. Items handed to AddItem belong to
// the engine from the call on (freed at once when there is nowhere to put
// them). Object-valued properties are copied in (Assign); the engine never
// keeps a caller's object, except the caller's UserStream and the linked
// settings component, setup dialog and e-mail adapter, which it only refers
// to.
//
// Each page also has a recording canvas (when a page canvas factory is
// installed); what is drawn on it is replayed through the metafile player
// into items of the page when the page is closed. The player and the canvas
// come from other modules and are installed with SetMetafilePlayer and
// SetPageCanvasFactory.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "export/engine_items.h"

namespace vn::exporter {

enum class TvnBandType { btContent, btHeader, btFooter, btWatermark, btStamp };
enum class TvnEngineStatus { esNone, esStarted, esFinished, esCancelled, esError };
enum class TvnReferencePoint { rpPage, rpMargin, rpBand };
enum class TvnCapabilityKind {
  ckText, ckImage, ckShape, ckHeader, ckFooter, ckWatermark, ckStamp, ckImageStretch, ckImageFrame, ckInputRes, ckImageReusable
};
using TvnCapabilities = vn::EnumSet<TvnCapabilityKind>;
enum class TvnItemsToRenderKind { irText, irImage, irShape };
using TvnItemsToRender = vn::EnumSet<TvnItemsToRenderKind>;

class TvnCustomDocumentEngine;
class TvnEmailAdapter;

using TvnNotifyEvent = std::function<void(TvnCustomDocumentEngine& sender)>;
using TvnErrorMessageEvent = std::function<void(TvnCustomDocumentEngine& sender, const vn::Exception& exception)>;
using TvnOnCalcVariablesEvent = std::function<void(TvnCustomDocumentEngine& sender, const String& variable, String& value)>;
using TvnEmailEvent =
    std::function<void(TvnCustomDocumentEngine& sender, TvnEmailSettings& settings, bool& proceed, bool& cancel_email)>;
using TvnEmailErrorEvent = std::function<void(TvnCustomDocumentEngine& sender, const String& message)>;

// The base of an engine's setup dialog: any modal form; the engine sets
// Engine while the dialog is shown. A modal result of 2 cancels BeginDoc.
class TvnBaseDlg {
 public:
  virtual ~TvnBaseDlg() = default;
  virtual int ShowModal() = 0;
  TvnCustomDocumentEngine* Engine = nullptr;
};

// Plays `metafile` into items of the engine's current lists, starting at
// (x, y) in engine pixels.
using TvnMetafilePlayer = std::function<void(TvnCustomDocumentEngine& engine, const TMetafile& metafile, double x, double y)>;
// Makes the recording canvas of a page of the given size in pixels.
using TvnPageCanvasFactory = std::function<std::unique_ptr<TMetafileCanvas>(int32_t width, int32_t height)>;
// Process-wide; installed at library start-up (empty: nothing is played, no
// page canvas exists).
void SetMetafilePlayer(TvnMetafilePlayer player);
void SetPageCanvasFactory(TvnPageCanvasFactory factory);

// Engine pixels per measurement unit.
double GetPixelsPerUnit(TvnUnitType unit);

// A resource of the image resource list: an engine-owned graphic or a
// stream that belongs to an image-stream item.
struct TvnImageResource {
  const TGraphic* Graphic = nullptr;
  vn::TStream* Stream = nullptr;
};

class TvnCustomDocumentEngine : public TvnBaseComponent {
 public:
  explicit TvnCustomDocumentEngine(TvnBaseComponent* AOwner = nullptr);
  virtual ~TvnCustomDocumentEngine();

  // Document lifecycle.
  virtual void BeginDoc();
  virtual void EndDoc();
  virtual void NewPage();
  // Makes an earlier page the working page again (not with ProcessAfterEachPage).
  virtual void SetWorkingPage(int32_t PageNo);

  // Text.
  virtual void TextOut(double X, double Y, const String& Text);
  virtual void TextRect(const TvnRect& Rect, double X, double Y, const String& Text);
  virtual void SetTextRotation(int32_t Angle);
  virtual void SetTextAlignment(TvnHAlignment Alignment);

  // Images.
  virtual void DrawJPEGDirect(const TvnRect& ARect, int32_t AImagePixelWidth, int32_t AImagePixelHeight, vn::TStream& AStream);
  virtual void DrawImageStream(const TvnRect& ImageRect, const TGraphic& AGraphic);
  virtual void DrawImage(double X, double Y, const TGraphic& AGraphic);
  virtual void DrawImage(const TvnRect& ImageRect, const TGraphic& AGraphic);
  virtual void DrawImage(const TvnRect& ImageRect, int32_t Index);
  virtual int32_t AddImageAsResource(const TGraphic& AGraphic);
  virtual int32_t AddImageResource(const TGraphic& AGraphic, bool Reusable);

  // Shapes.
  virtual void Line(double X1, double Y1, double X2, double Y2);
  virtual void Rectangle(double X1, double Y1, double X2, double Y2, bool IsFill);
  virtual void RoundRect(double X1, double Y1, double X2, double Y2, double X3, double Y3, bool IsFill);
  virtual void Ellipse(double X1, double Y1, double X2, double Y2, bool IsFill);
  virtual void Polygon(const TvnPoints& Points, bool IsFill);
  virtual void PolyLine(const TvnPoints& Points);
  virtual void Arc(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4, double Y4);
  virtual void Pie(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4, double Y4, bool IsFill);
  virtual void Chord(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4, double Y4, bool IsFill);
  virtual void PolyBezier(const TvnPoints& Points);

  // Metafiles: the records become items of the current page or band.
  virtual void PlayMetafile(const TMetafile& Metafile);
  virtual void PlayMetafile(const TvnRect& DestRect, const TMetafile& Metafile);
  virtual void PlayMetafile(double X, double Y, const TMetafile& Metafile);

  // Bands: what is drawn between Begin and End is drawn on every page.
  virtual void BeginHeader();
  virtual void EndHeader();
  virtual void ClearHeader();
  virtual void BeginFooter();
  virtual void EndFooter();
  virtual void ClearFooter();
  virtual void BeginWaterMark();
  virtual void EndWaterMark();
  virtual void ClearWaterMark();
  virtual void BeginStamp();
  virtual void EndStamp();
  virtual void ClearStamp();

  // Saved drawing states.
  virtual int32_t SaveEngineState();
  virtual void RestoreEngineState(int32_t Index);
  virtual void ClearEngineStates();

  // Properties.
  const String& FileName() const { return FFileName; }
  // Stored without an extension equal to "." + FileExtension; ignored while
  // a document is started.
  void SetFileName(const String& value);
  const String& FileExtension() const { return FFileExtension; }
  void SetFileExtension(const String& value) { FFileExtension = value; }
  const String& FileDescription() const { return FDescription; }
  void SetFileDescription(const String& value) { FDescription = value; }
  int32_t InputXRes() const { return FInputXRes; }
  void SetInputXRes(int32_t value) { FInputXRes = value; }
  int32_t InputYRes() const { return FInputYRes; }
  void SetInputYRes(int32_t value) { FInputYRes = value; }
  TvnItemsToRender ItemsToRender() const { return FItemsToRender; }
  void SetItemsToRender(TvnItemsToRender value) { FItemsToRender = value; }
  const String& PagesToRender() const { return FPagesToRender; }
  // Comma text of page numbers and ranges ("2,4-5"); EConvertError for an
  // entry of digits and hyphens that is neither (the old value stays).
  void SetPagesToRender(const String& value);
  TvnUnitType MeasurementUnit() const { return FMeasurementUnit; }
  void SetMeasurementUnit(TvnUnitType value);
  TvnReferencePoint ReferencePoint() const { return FReferencePoint; }
  void SetReferencePoint(TvnReferencePoint value);
  TvnBaseDlg* SetupDialog() const { return FSetupDialog; }
  void SetSetupDialog(TvnBaseDlg* value) { FSetupDialog = value; }
  TvnDocSettings* Settings() const { return FSettings; }
  void SetSettings(TvnDocSettings* value);
  bool AutoPaginate() const { return FIsAutoPaginate; }
  void SetAutoPaginate(bool value) { FIsAutoPaginate = value; }
  TvnEmailAdapter* EmailAdapter() const { return FEmailAdapter; }
  void SetEmailAdapter(TvnEmailAdapter* value) { FEmailAdapter = value; }
  TvnEmailSettings& EMailSettings() { return FEmailSettings; }
  void SetEMailSettings(const TvnEmailSettings& value) { FEmailSettings.Assign(value); }

  TMetafileCanvas* Canvas() const { return FCanvas.get(); }
  vn::TStream* UserStream() const { return FUserStream; }
  void SetUserStream(vn::TStream* value);
  int32_t CurrentPage() const { return FCurrentPage; }
  int32_t PageCount() const { return FPageCount; }
  bool AbortCreation() const { return FAbortCreation; }
  void SetAbortCreation(bool value) { FAbortCreation = value; }
  TvnEngineStatus EngineStatus() const { return FEngineStatus; }
  bool IsDocumentStarted() const { return FIsDocumentStarted; }
  TvnCapabilities Capabilities() const { return FCapabilities; }

  // The drawing state; setters copy the given object.
  TFont& Font() { return FFont; }
  void SetFont(const TFont& value) { FFont = value; }
  TPen& Pen() { return FPen; }
  void SetPen(const TPen& value) { FPen = value; }
  TBrush& Brush() { return FBrush; }
  void SetBrush(const TBrush& value) { FBrush = value; }
  TvnImageSettings& ImageSettings() { return FImageSettings; }
  void SetImageSettings(const TvnImageSettings& value) { FImageSettings.Assign(value); }
  TvnPageSettings& Page() { return FPage; }
  void SetPage(const TvnPageSettings& value) { FPage.Assign(value); }
  TvnBorder& PageBorder() { return FPageBorder; }
  void SetPageBorder(const TvnBorder& value) { FPageBorder.Assign(value); }
  TvnDocInfo& DocInfo() { return FDocInfo; }
  void SetDocInfo(const TvnDocInfo& value) { FDocInfo.Assign(value); }
  TvnPreferences& Preferences() { return *FPreferences; }
  void SetPreferences(const TvnPreferences& value) { FPreferences->Assign(value); }
  TvnFrame& Frame() { return FFrame; }
  void SetFrame(const TvnFrame& value) { FFrame.Assign(value); }
  TvnTextFormatting& TextFormatting() { return FTextFormatting; }
  TvnTableSettings& TableSettings() { return FTableSettings; }
  TvnTextEffects& TextEffects() { return FTextEffects; }
  void SetTextEffects(const TvnTextEffects& value) { FTextEffects.Assign(value); }
  TvnLineArtSettings& LineArtSettings() { return FLineArtSettings; }
  void SetLineArtSettings(const TvnLineArtSettings& value) { FLineArtSettings.Assign(value); }
  TColor BackgroundColor() const { return FBackgroundColor; }
  void SetBackgroundColor(TColor value) { FBackgroundColor = value; }
  TvnBackgroundDisplayType BackgroundImageDisplayType() const { return FBackgroundDisplayType; }
  void SetBackgroundImageDisplayType(TvnBackgroundDisplayType value) { FBackgroundDisplayType = value; }
  const TPicture& BackgroundImage() const { return FBackgroundImage; }
  void SetBackgroundImage(const TPicture& value) { FBackgroundImage.Assign(value); }
  TBiDiMode BiDiMode() const { return FBiDiMode; }
  void SetBiDiMode(TBiDiMode value) { FBiDiMode = value; }
  double NativeConversionFactor() const { return FNativeConversionFactor; }

  // Events (raised only when assigned).
  TvnNotifyEvent OnBeforeBeginDoc, OnAfterBeginDoc, OnBeforeEndDoc, OnAfterEndDoc;
  TvnNotifyEvent OnBeforeBeginPage, OnAfterBeginPage, OnBeforeEndPage, OnAfterEndPage;
  // When assigned, engine errors are handed to it instead of being thrown
  // (never the failure to create the output file).
  TvnErrorMessageEvent OnErrorMessage;
  TvnOnCalcVariablesEvent OnCalcVariables;
  // Declared for the e-mail step; the engine sends nothing and never raises them.
  TvnEmailEvent OnEmail;
  TvnEmailErrorEvent OnEmailError;

 protected:
  // Hooks of a format engine; the base does nothing unless said.
  virtual void StartPage() {}
  virtual void EndPage() {}
  virtual void StartDocument() {}
  virtual void EndDocument() {}
  virtual void RenderTextItem(TvnTextItem& /*Item*/) {}
  // Draws the frame's sides and fills the box.
  virtual void RenderTextBoxItem(TvnTextBoxItem& Item);
  virtual void RenderParagraphItem(TvnParagraphItem& /*Item*/) {}
  virtual void RenderImageItem(TvnImageItem& /*Item*/) {}
  virtual void RenderImageStream(TvnImageStream& /*Item*/) {}
  virtual void RenderTableItem(TvnTableItem& /*Item*/) {}
  virtual void RenderOtherItem(TvnDocumentItem& /*Item*/) {}
  virtual void RenderClipItem(TvnClipItem& /*Item*/) {}
  virtual void RenderPathItem(TvnPathItem& /*Item*/) {}
  virtual void RenderPolyPolygonItem(TvnPolyPolygonItem& /*Item*/) {}
  virtual void RenderEOFItem(TvnEOFItem& /*Item*/) {}
  virtual void RenderPolyDrawItem(TvnPolyDrawItem& /*Item*/) {}
  // Shape hooks; Brush is nullptr for an unfilled shape. The base engine
  // produces no shape output.
  virtual void DrawLine(double /*X1*/, double /*Y1*/, double /*X2*/, double /*Y2*/, const TPen& /*Pen*/) {}
  virtual void DrawRectangle(double /*X1*/, double /*Y1*/, double /*X2*/, double /*Y2*/, const TPen& /*Pen*/,
                             const TBrush* /*Brush*/) {}
  virtual void DrawRoundRect(double /*X1*/, double /*Y1*/, double /*X2*/, double /*Y2*/, double /*X3*/, double /*Y3*/,
                             const TPen& /*Pen*/, const TBrush* /*Brush*/) {}
  virtual void DrawEllipse(double /*X1*/, double /*Y1*/, double /*X2*/, double /*Y2*/, const TPen& /*Pen*/,
                           const TBrush* /*Brush*/) {}
  virtual void DrawPolygon(const TvnPoints& /*Points*/, int32_t /*NoPoints*/, const TBrush* /*Brush*/,
                           const TPen& /*Pen*/, bool /*Closed*/) {}
  virtual void DrawPolyShape(TvnPolyShapeItem& /*Item*/, bool /*Closed*/) {}
  virtual void DrawArc(double /*X1*/, double /*Y1*/, double /*X2*/, double /*Y2*/, double /*X3*/, double /*Y3*/,
                       double /*X4*/, double /*Y4*/, const TPen& /*Pen*/) {}
  virtual void DrawPie(double /*X1*/, double /*Y1*/, double /*X2*/, double /*Y2*/, double /*X3*/, double /*Y3*/,
                       double /*X4*/, double /*Y4*/, const TPen& /*Pen*/, const TBrush* /*Brush*/) {}
  virtual void DrawChord(double /*X1*/, double /*Y1*/, double /*X2*/, double /*Y2*/, double /*X3*/, double /*Y3*/,
                         double /*X4*/, double /*Y4*/, const TPen& /*Pen*/, const TBrush* /*Brush*/) {}
  virtual void DrawPolyBezier(const TvnPoints& /*Points*/, int32_t /*NoPoints*/, const TPen& /*Pen*/) {}
  // Draws the sides of PageBorder around the working page's margins.
  virtual void RenderPageBorder();
  virtual void RenderTextItems(TvnItemList& List);
  // Plays a metafile into the current lists, starting at (X, Y) plus the
  // band origin.
  virtual void RenderMetafile(const TMetafile& Metafile, double X, double Y);
  // Stable order by ascending Y, unless sorting is off.
  virtual void SortTextItems(TvnItemList& List);
  virtual bool IsImageFormatSupported(TvnOutputImageFormat /*Format*/, String& /*Message*/) { return true; }
  // The modal result of the built-in setup step: 1 (OK).
  virtual int ExecuteSetupDialog() { return 1; }
  // The preferences object of this engine class (a derived class's
  // constructor installs its own kind with InstallPreferences).
  virtual std::unique_ptr<TvnPreferences> NewPreferences() const { return std::make_unique<TvnPreferences>(); }
  // Appends the output files to EMailSettings.Attachments.
  virtual void PrepareEmail();

  // Conversion of caller lengths in the measurement unit to engine pixels.
  double ConvertX(double Value) const;
  double ConvertY(double Value) const;
  TvnRect ConvertRect(const TvnRect& Rect) const;
  bool IsInBand(double X, double Y) const;
  // Converts the first Count points to engine pixels plus the band origin.
  void ConvertPoints(TvnPoints& Points, size_t Count) const;
  // Appends to the current lists; returns the item, or nullptr when no
  // document is started (the item is then freed).
  TvnDocumentItem* AddItem(std::unique_ptr<TvnDocumentItem> Item);
  void SetBandType(TvnBandType BandType);
  // The page record of a 0-based index; nullptr once rendered or outside.
  TvnPageItem* GetPageItem(int32_t Index) const;
  // Nothing (both null) when Index is outside the list or its entry is empty.
  TvnImageResource GetImageResource(int32_t Index) const;
  int32_t AddGraphicResource(std::unique_ptr<TGraphic> Graphic);
  int32_t AddStreamResource(vn::TStream* Stream);
  // Creates (replaces) the output file; the format engine owns the stream
  // and adds the name to FEngineFileNames. EFileCreateError when it cannot
  // be created, after the document has been ended and released.
  std::unique_ptr<vn::TStream> CreateOutputFile(const std::filesystem::path& FileName);
  bool IsPageToRender(int32_t PageNo) const;
  // Makes the image item of the DrawImage operations; Rect in pixels.
  void PlaceImage(const TvnRect& Rect, int32_t Index);
  // Reports an engine error: to OnErrorMessage when assigned, else thrown.
  template <typename E>
  void ReportError(const char* message) {
    E error(message);
    if (OnErrorMessage)
      OnErrorMessage(*this, error);
    else
      throw error;
  }
  // Installs the preferences object of a derived engine class.
  void InstallPreferences(std::unique_ptr<TvnPreferences> preferences) { FPreferences = std::move(preferences); }
  // The line-art settings of the shape item being rendered (those in force
  // when it was drawn); outside a shape item the engine's own.
  const TvnLineArtSettings& RenderingLineArt() const { return FRenderingLineArt ? *FRenderingLineArt : FLineArtSettings; }

  TvnCapabilities FCapabilities{TvnCapabilityKind::ckText, TvnCapabilityKind::ckImage, TvnCapabilityKind::ckShape};
  TvnBandType FBandType = TvnBandType::btContent;
  TvnRect FBandRect;
  TvnPenJoinStyle FPenJoin = TvnPenJoinStyle::pjsNone;
  TvnPenCapStyle FPenCap = TvnPenCapStyle::pcsNone;
  // Full names of the output files the format engine created, in order.
  std::vector<std::filesystem::path> FEngineFileNames;
  // The item of each kind made last (not owned).
  TvnTextItem* FTextItem = nullptr;
  TvnImageItem* FImageItem = nullptr;
  TvnImageStream* FImageStream = nullptr;
  TvnShapeItem* FShapeItem = nullptr;

 private:
  const TvnLineArtSettings* FRenderingLineArt = nullptr;
  friend class TvnMetafileProcessor;
  friend class TvnImageSettings;
  friend class TvnDocSettings;

  struct ResourceEntry {
    std::unique_ptr<TGraphic> Graphic;
    vn::TStream* Stream = nullptr;
    std::optional<TvnHashValue> Hash;  // empty: never matches
    // Its index was handed to a caller, who may draw it on any later page.
    // Entries the engine adds for one page's items (a played metafile's
    // bitmaps) are not, and go when that page is written.
    bool Shared = false;
  };

  bool CanDraw(TvnCapabilityKind capability, TvnItemsToRenderKind kind) const;
  TvnBandItem* BandOf(TvnBandType type) const;
  void BeginBand(TvnBandType type);
  void EndBand(TvnBandType type);
  void ClearBand(TvnBandType type);
  void MakeCurrent(TvnBandItem& band);
  TvnPageItem* WorkingPage() const;
  void ReplayPageCanvas();
  void NewPageCanvas(const TvnPageSettings& settings);
  void RenderPage();
  void RenderItems(TvnItemList& List);
  void RenderShapeItem(TvnShapeItem& Item);
  void RenderPolyShapeItem(TvnPolyShapeItem& Item);
  void ReleaseStreamResources();
  // With ProcessAfterEachPage: frees the graphics of the entries only the
  // page just written used (not shared, not drawn by a band); their slots
  // stay so later indices keep their meaning.
  void ReleasePageGraphics();
  // The digest of a stream's content from its start, when equal images are
  // to be stored once; the stream's position is kept.
  std::optional<TvnHashValue> DigestFor(vn::TStream& stream);
  int32_t FindResourceByHash(const std::optional<TvnHashValue>& hash) const;
  void AddShape(TvnShapeType type, TvnPoints points, size_t band_points, bool is_fill);
  void FinishDocument();
  void AbandonDocument();
  void DeleteOutputFiles();

  std::vector<std::unique_ptr<TvnPageItem>> FPages;
  int32_t FTextRotationAngle = 0;
  TvnHAlignment FTextAlignment = TvnHAlignment::haLeft;
  int32_t FCurrentPage = 0;
  int32_t FPageCount = 0;
  int32_t FDefaultState = -1;
  double FNativeConversionFactor = 1;
  std::unique_ptr<TvnBandItem> FHeaderItem, FFooterItem, FWatermarkItem, FStampItem;
  std::vector<std::unique_ptr<TvnEngineState>> FEngineStateList;
  TvnItemList* FCurrentDocumentItemList = nullptr;
  TvnItemList* FCurrentTextItemList = nullptr;
  double FCurrentOffsetY = 0;
  TFont FFont;
  TBrush FBrush;
  TvnTextEffects FTextEffects;
  TvnLineArtSettings FLineArtSettings;
  TPen FPen;
  TvnFrame FFrame{this};
  std::unique_ptr<TMetafileCanvas> FCanvas;
  TvnImageSettings FImageSettings{this};
  TvnTextFormatting FTextFormatting;
  TvnTableSettings FTableSettings;
  std::unique_ptr<TvnPreferences> FPreferences;
  String FFileName;
  TvnUnitType FMeasurementUnit = TvnUnitType::muInches;
  vn::TStream* FUserStream = nullptr;
  String FDescription;
  String FFileExtension;
  TvnDocInfo FDocInfo;
  TvnPageSettings FPage;
  TvnBorder FPageBorder;
  TFont FDefaultFont;
  TColor FBackgroundColor = clWhite;
  TvnBackgroundDisplayType FBackgroundDisplayType = TvnBackgroundDisplayType::dtCenter;
  TPicture FBackgroundImage;
  TvnItemsToRender FItemsToRender{TvnItemsToRenderKind::irText, TvnItemsToRenderKind::irImage, TvnItemsToRenderKind::irShape};
  String FPagesToRender;
  TvnDocSettings* FSettings = nullptr;
  TvnEngineStatus FEngineStatus = TvnEngineStatus::esNone;
  TvnBaseDlg* FSetupDialog = nullptr;
  TvnReferencePoint FReferencePoint = TvnReferencePoint::rpBand;
  int32_t FInputXRes = 0;
  int32_t FInputYRes = 0;
  bool FAbortCreation = false;
  TvnEmailAdapter* FEmailAdapter = nullptr;
  TvnEmailSettings FEmailSettings;
  bool FNoSorting = false;
  bool FIsDocumentStarted = false;
  bool FSortTextItems = false;
  std::vector<ResourceEntry> FImageResourceList;
  bool FIsAutoPaginate = true;
  TvnMD5 FMD5ImageHash;
  TBiDiMode FBiDiMode = TBiDiMode::bdLeftToRight;
};

}  // namespace vn::exporter
