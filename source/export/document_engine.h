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
#include "export/font_measure.h"
#include "runtime/output_file.h"
#include "runtime/string_list.h"

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
class TvnRichText;

using TvnNotifyEvent = std::function<void(TvnCustomDocumentEngine& sender)>;
using TvnErrorMessageEvent = std::function<void(TvnCustomDocumentEngine& sender, const vn::Exception& exception)>;
using TvnOnCalcVariablesEvent = std::function<void(TvnCustomDocumentEngine& sender, const String& variable, String& value)>;
using TvnEmailEvent =
    std::function<void(TvnCustomDocumentEngine& sender, TvnEmailSettings& settings, bool& proceed, bool& cancel_email)>;
using TvnEmailErrorEvent = std::function<void(TvnCustomDocumentEngine& sender, const String& message)>;
// Raised for every table cell the table renderer draws (Row -1: the title
// row); the handler may change the cell's drawing objects and alignment.
using TvnOnCellDrawEvent = std::function<void(TvnCustomDocumentEngine& sender, int32_t row, int32_t column, TPen& pen,
                                              TBrush& brush, TFont& font, TvnFrame& frame, TvnHAlignment& align)>;

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

  // Text. Positions are in the measurement unit; a text whose top-left
  // falls outside the current band makes nothing.
  virtual void TextOut(double X, double Y, const String& Text);
  // With WrapAtMargin the text is wrapped to the band: its first line at
  // (X, Y), each further line at the band's left edge below the one before.
  virtual void TextOut(double X, double Y, const String& Text, bool WrapAtMargin);
  // Appends text to the open paragraph and answers the height still free
  // below the paragraph's text in its band (measurement unit); -1 when the
  // text overflows a band the paragraph cannot continue from (a band other
  // than the page content, or AutoPaginate off): the lines that do not fit
  // are dropped. 0 without an open paragraph.
  virtual double TextOut(const String& Text);
  // The text of a cell of the open table's last row.
  virtual void TextOut(int32_t ColumnNo, const String& Text);
  // TextOut clipped to Rect.
  virtual void TextRect(const TvnRect& Rect, double X, double Y, const String& Text);
  // The text wrapped into a box (document variables replaced), drawn with
  // the frame's sides and the brush.
  virtual void TextBox(const TvnRect& TextRect, const String& Text, TvnHAlignment HAlignment, TvnVAlignment VAlignment);
  // Runs of text side by side, styled by the tags <B> <I> <U> <S> and their
  // closing tags; "//" is a slash, "/<" and "/>" are the brackets.
  virtual void HTMLTextOut(double X, double Y, const String& HTMLText);
  // One character below the other (above the other when not TopDown),
  // along the text rotation.
  virtual void TextOutV(double X, double Y, const String& Text, bool TopDown);
  virtual void SetTextRotation(int32_t Angle);
  virtual void SetTextAlignment(TvnHAlignment Alignment);
  // Width and height of a text in the current font, in the measurement unit.
  double TextWidth(const String& Text) const;
  double TextHeight(const String& Text) const;

  // Paragraphs: text added between BeginPara and EndPara is wrapped to the
  // band and continued on new pages when it overflows (AutoPaginate).
  virtual void BeginPara();
  virtual void EndPara();
  // Tables: cells added row by row; EndTable splits the rows over pages.
  // BeginTable answers the table's columns (each as wide as the table
  // settings' ColumnWidth), to be set up by the caller until EndTable;
  // nullptr when no table can start there.
  virtual std::vector<std::unique_ptr<TvnColumn>>* BeginTable(double X, double Y, int32_t NoColumns);
  // A new row of the given height (the table settings' RowHeight without
  // one); answers the height left below it in the band, measurement unit.
  virtual double NewRow(double Height);
  virtual double NewRow();
  virtual void EndTable();

  // Images.
  virtual void DrawJPEGDirect(const TvnRect& ARect, int32_t AImagePixelWidth, int32_t AImagePixelHeight, vn::TStream& AStream);
  virtual void DrawImageStream(const TvnRect& ImageRect, const TGraphic& AGraphic);
  virtual void DrawImage(double X, double Y, const TGraphic& AGraphic);
  virtual void DrawImage(const TvnRect& ImageRect, const TGraphic& AGraphic);
  virtual void DrawImage(const TvnRect& ImageRect, int32_t Index);
  // The picture of a cell of the open table's last row.
  virtual void DrawImage(int32_t ColumnNo, double Width, double Height, const TGraphic& AGraphic);
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

  // Rich text: the text from character StartPos up to EndPos (-1: to the
  // end) laid out into the rectangle and continued in the same rectangle
  // of new pages (NewPage) until it is drawn. A laid-out page is drawn whole
  // when it holds any of those characters. A BackgroundColor other than
  // white ($FFFFFF) fills the rectangle first on each page. Nothing without
  // a started document and a page canvas.
  virtual void DrawRichText(TvnRichText& RichEdit, double ALeft, double ATop, double ARight, double ABottom,
                            int32_t StartPos, int32_t EndPos, TColor BackgroundColor);
  // DrawRichText of the RTF in a file, or in a stream read from position 0;
  // the RTF reader's errors pass to the caller, and ENotSupportedException
  // "Rich text is not supported" when no rich-text loader is installed.
  // Nothing without a started document.
  virtual void ExportRichText(const String& FilePath, double ALeft, double ATop, double ARight, double ABottom,
                              int32_t StartPos, int32_t EndPos, TColor BackgroundColor);
  virtual void ExportRichText(vn::TStream& FileStream, double ALeft, double ATop, double ARight, double ABottom,
                              int32_t StartPos, int32_t EndPos, TColor BackgroundColor);
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
  TvnOnCellDrawEvent OnCellDraw;
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
  // Fills the box, draws the frame's sides over it and the lines inside.
  virtual void RenderTextBoxItem(TvnTextBoxItem& Item);
  // Draws the paragraph's lines, indented and aligned.
  virtual void RenderParagraphItem(TvnParagraphItem& Item);
  virtual void RenderImageItem(TvnImageItem& /*Item*/) {}
  virtual void RenderImageStream(TvnImageStream& /*Item*/) {}
  // Draws the item's title row (when it has one) and rows, cell by cell.
  virtual void RenderTableItem(TvnTableItem& Item);
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
  // The text with the document variables (date, time, document
  // information, then the caller's through OnCalcVariables) replaced, and
  // first the page variables when asked; unchanged when CalculateVariables
  // is off.
  virtual String ReplaceVariables(const String& Text, bool WithPageVariables);
  // The text with <%Pg#%> and <%PgCnt%> replaced by the page being rendered
  // and the number of pages.
  virtual String ReplacePageVariables(const String& Text);
  // A line holding right-to-left script in the order its characters are
  // written from left to right.
  virtual String ReorderBiDiText(const String& Text);

  // Text measured in a font, pixels. GetTextSize leaves out one final CR LF
  // and gives an empty text the height of a blank and width 1;
  // GetWideTextSize measures the text as it stands.
  TSize GetTextSize(const String& Text, const TFont& Font) const;
  TSize GetWideTextSize(const String& Text, const TFont& Font) const;
  // Word wrapping into lines appended to Lines, the first (when the list
  // holds at most one line) FirstWidth wide and the others Width, pixels.
  // Lines break after a blank, and at CR, LF or CR LF, which end their line
  // as CR LF; a word wider than Width is cut, at least one character to a
  // line. With AutoWidth the list becomes the one line Text. Answers the
  // rounded width, or with AutoWidth the width the text needs. WrapText
  // measures like GetTextSize (and starts an empty list with an empty line),
  // WrapTextW like GetWideTextSize.
  int32_t WrapText(const String& Text, vn::TStringList& Lines, const TFont& Font, bool AutoWidth, double FirstWidth,
                   double Width) const;
  int32_t WrapTextW(const String& Text, TWideStrings& Lines, const TFont& Font, bool AutoWidth, double FirstWidth,
                    double Width) const;
  // Draws the lines of Item into the box at its position through
  // RenderTextItem: as many lines as the box's height holds, aligned.
  void RenderTextLines(const TvnTextItem& Item, TvnHAlignment HAlign, const TvnRect& Margin, double BoxHeight, double BoxWidth,
                       TvnVAlignment VAlign);
  // The next link-like word (web or e-mail address, file path) of Text from
  // the 1-based position Pos on (0: the whole text); Pos becomes its
  // position. Empty, with Pos unchanged, when there is none.
  String FindNextLink(const String& Text, int32_t& Pos) const;
  // Per table ended in this document: the page it starts on, the number of
  // its rows on each page it spans, then 0.
  const std::vector<std::vector<int32_t>>& RowsOnPage() const { return FRowsOnPage; }

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
  // Creates an output file for the format engine to write and adds its
  // name to FEngineFileNames. The engine keeps the file: it appears under
  // its name (replacing an earlier file) only when the document ends well,
  // and is discarded when the document fails or its creation is aborted,
  // so no partial output is left and an earlier file stays. The stream
  // lives until the document is finished. EFileCreateError when it cannot
  // be created, after the document has been ended and released.
  vn::TStream* CreateOutputFile(const std::filesystem::path& FileName);
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
    // Found again by its digest: more than one item shows it.
    bool Reused = false;
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
  // The first resource of the kind with an equal digest, which one more
  // item then shows; -1 when none. Graphics find graphics and kept streams
  // find kept streams: equal bytes drawn both ways are two resources, as
  // an item of either kind is drawn from a resource of its own kind.
  int32_t FindResourceByHash(const std::optional<TvnHashValue>& hash, bool stream = false);
  void AddShape(TvnShapeType type, TvnPoints points, size_t band_points, bool is_fill);
  // A text item at (X, Y), pixels, with the current text state.
  void AddTextItem(double X, double Y, const String& Text);
  // Paragraphs and tables.
  std::unique_ptr<TvnParagraphItem> NewParagraphItem(double Y) const;
  double ParagraphLineHeight(const TvnParagraphItem& Item) const;
  double ParagraphFreeHeight(const TvnParagraphItem& Item) const;
  double PrintableHeight() const;
  // The column's title wrapped into the column, all variables replaced.
  TWideStrings TitleLines(const TvnTableItem& Table, int32_t Column);
  double TableTitleHeight(TvnTableItem& Table);
  // Adds the rows FirstRow .. FirstRow + RowCount - 1 of a table ending here
  // to the working page as a table item of their own.
  void AddTablePart(TvnTableItem& Table, int32_t FirstRow, int32_t RowCount, double Y, bool WithTitle);
  void DrawTableCell(TvnTableItem& Table, int32_t Row, int32_t Column, double X, double Y, double Width, double Height,
                     const TvnDocumentItem* Content);
  void FinishDocument();
  void AbandonDocument();
  // Gives every output file its name; EFileCreateError when one cannot
  // have it.
  void CommitOutputFiles();

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
  std::vector<std::unique_ptr<vn::OutputFile>> FOutputFiles;
  TvnEmailAdapter* FEmailAdapter = nullptr;
  TvnEmailSettings FEmailSettings;
  bool FNoSorting = false;
  bool FIsDocumentStarted = false;
  bool FSortTextItems = false;
  std::vector<ResourceEntry> FImageResourceList;
  bool FIsAutoPaginate = true;
  TvnMD5 FMD5ImageHash;
  TBiDiMode FBiDiMode = TBiDiMode::bdLeftToRight;
  // The paragraph being built, and its continuations for later pages.
  std::unique_ptr<TvnParagraphItem> FParagraphItem;
  std::vector<std::unique_ptr<TvnParagraphItem>> FParaItem;
  // The table being built.
  std::unique_ptr<TvnTableItem> FTableItem;
  std::vector<std::vector<int32_t>> FRowsOnPage;
};

}  // namespace vn::exporter
