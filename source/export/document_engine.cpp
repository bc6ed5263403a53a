#include "export/document_engine.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "platform/system.h"
#include "runtime/comma_text.h"
#include "runtime/numbers.h"

namespace vn::exporter {

namespace {

std::mutex g_seam_mutex;
TvnMetafilePlayer g_player;
TvnPageCanvasFactory g_canvas_factory;

TvnMetafilePlayer CurrentPlayer() {
  std::lock_guard<std::mutex> lock(g_seam_mutex);
  return g_player;
}

TvnPageCanvasFactory CurrentCanvasFactory() {
  std::lock_guard<std::mutex> lock(g_seam_mutex);
  return g_canvas_factory;
}

const char kFileCreateMessage[] =
    "File could not be created!\r\n\r\nPossible cause: It could be in use by some other application";

// One page selection entry: a page number, a range, or nothing for an
// entry holding other characters than digits and "-" (and for an empty
// entry). EConvertError for digits and hyphens that are neither.
struct PageSelection {
  int32_t Low = 0, High = -1;
};

std::optional<PageSelection> ParseSelectionEntry(const String& entry) {
  if (entry.empty()) return std::nullopt;
  for (char16_t c : entry)
    if (!((c >= u'0' && c <= u'9') || c == u'-')) return std::nullopt;
  const size_t dash = entry.find(u'-');
  if (dash == String::npos) {
    const int32_t page = vn::StrToInt(entry);
    return PageSelection{page, page};
  }
  return PageSelection{vn::StrToInt(entry.substr(0, dash)), vn::StrToInt(entry.substr(dash + 1))};
}

String ExtensionOf(const String& name) {
  const size_t dot = name.find_last_of(u'.');
  const size_t slash = name.find_last_of(u'/');
  if (dot == String::npos || (slash != String::npos && dot < slash)) return {};
  return name.substr(dot);
}

}  // namespace

void SetMetafilePlayer(TvnMetafilePlayer player) {
  std::lock_guard<std::mutex> lock(g_seam_mutex);
  g_player = std::move(player);
}

void SetPageCanvasFactory(TvnPageCanvasFactory factory) {
  std::lock_guard<std::mutex> lock(g_seam_mutex);
  g_canvas_factory = std::move(factory);
}

double GetPixelsPerUnit(TvnUnitType unit) {
  switch (unit) {
    case TvnUnitType::muPixels: return 1;
    case TvnUnitType::muInches: return ScreenPixelsPerPoint * 72;
    case TvnUnitType::muMM: return ScreenPixelsPerPoint * 2.83464;
    case TvnUnitType::muPoints: return ScreenPixelsPerPoint;
    case TvnUnitType::muTwips: return ScreenPixelsPerPoint * 0.05;
  }
  return 1;
}

// ---- construction

TvnCustomDocumentEngine::TvnCustomDocumentEngine(TvnBaseComponent* AOwner)
    : TvnBaseComponent(AOwner), FPreferences(NewPreferences()) {
  ScreenPixelsPerInch = vn::platform::kScreenPixelsPerInch;
  ScreenPixelsPerPoint = ScreenPixelsPerInch / 72.0;
  FInputXRes = ScreenPixelsPerInch;
  FInputYRes = ScreenPixelsPerInch;
  FImageSettings.SourceDPI = ScreenPixelsPerInch;
  SetMeasurementUnit(TvnUnitType::muInches);
}

TvnCustomDocumentEngine::~TvnCustomDocumentEngine() {
  if (FSettings) FSettings->RemoveEngine(this);
}

// ---- properties

void TvnCustomDocumentEngine::SetFileName(const String& value) {
  if (FIsDocumentStarted) return;
  const String ext = ExtensionOf(value);
  if (!ext.empty() && vn::UpperCase(ext) == u"." + vn::UpperCase(FFileExtension))
    FFileName = value.substr(0, value.size() - ext.size());
  else
    FFileName = value;
}

void TvnCustomDocumentEngine::SetPagesToRender(const String& value) {
  for (const String& entry : vn::SplitCommaText(value)) ParseSelectionEntry(entry);  // throws EConvertError
  FPagesToRender = value;
}

void TvnCustomDocumentEngine::SetMeasurementUnit(TvnUnitType value) {
  FMeasurementUnit = value;
  FNativeConversionFactor = GetPixelsPerUnit(value);
  FPage.SetNativeFactor(FNativeConversionFactor);
  FTextFormatting.SetNativeFactor(FNativeConversionFactor);
  FTableSettings.SetNativeFactor(FNativeConversionFactor);
}

void TvnCustomDocumentEngine::SetReferencePoint(TvnReferencePoint value) {
  FReferencePoint = value;
  SetBandType(FBandType);
}

void TvnCustomDocumentEngine::SetSettings(TvnDocSettings* value) {
  if (FSettings) FSettings->RemoveEngine(this);
  FSettings = value;
  if (FSettings) FSettings->AddEngine(this);
}

void TvnCustomDocumentEngine::SetUserStream(vn::TStream* value) {
  if (!FIsDocumentStarted) FUserStream = value;
}

// ---- conversion and bands

double TvnCustomDocumentEngine::ConvertX(double value) const {
  double result = value * FNativeConversionFactor;
  if (FNativeConversionFactor == 1 && FInputXRes != 0) result = result * ScreenPixelsPerInch / FInputXRes;
  return result;
}

double TvnCustomDocumentEngine::ConvertY(double value) const {
  double result = value * FNativeConversionFactor;
  if (FNativeConversionFactor == 1 && FInputYRes != 0) result = result * ScreenPixelsPerInch / FInputYRes;
  return result;
}

TvnRect TvnCustomDocumentEngine::ConvertRect(const TvnRect& r) const {
  return {ConvertX(r.Left), ConvertY(r.Top), ConvertX(r.Right), ConvertY(r.Bottom)};
}

bool TvnCustomDocumentEngine::IsInBand(double x, double y) const {
  return FBandRect.Left <= x && x < FBandRect.Right && FBandRect.Top <= y && y < FBandRect.Bottom;
}

void TvnCustomDocumentEngine::ConvertPoints(TvnPoints& points, size_t count) const {
  count = std::min(count, points.size());
  for (size_t i = 0; i < count; ++i) {
    points[i].X = ConvertX(points[i].X) + FBandRect.Left;
    points[i].Y = ConvertY(points[i].Y) + FBandRect.Top;
  }
}

void TvnCustomDocumentEngine::SetBandType(TvnBandType band_type) {
  FBandType = band_type;
  const TvnPageItem* page = WorkingPage();
  if (!FIsDocumentStarted || !page) return;
  const TvnPageSettings& s = page->Settings;
  switch (FReferencePoint) {
    case TvnReferencePoint::rpPage:
      FBandRect = {0, 0, s.Width(), s.Height()};
      return;
    case TvnReferencePoint::rpMargin:
      FBandRect = {s.LeftMargin(), s.TopMargin(), s.Width() - s.RightMargin(), s.Height() - s.BottomMargin()};
      return;
    case TvnReferencePoint::rpBand: break;
  }
  const double kx = static_cast<double>(FInputXRes) / ScreenPixelsPerInch;
  const double ky = static_cast<double>(FInputYRes) / ScreenPixelsPerInch;
  FBandRect.Left = s.LeftMargin() * kx;
  FBandRect.Right = (s.Width() - s.RightMargin()) * kx;
  double top = 0, bottom = 0;
  switch (band_type) {
    case TvnBandType::btContent:
      top = s.TopMargin() + s.HeaderHeight();
      bottom = s.Height() - s.FooterHeight() - s.BottomMargin();
      break;
    case TvnBandType::btHeader:
      top = s.TopMargin();
      bottom = s.TopMargin() + s.HeaderHeight();
      break;
    case TvnBandType::btFooter:
      top = s.Height() - s.FooterHeight() - s.BottomMargin();
      bottom = s.Height() - s.BottomMargin();
      break;
    case TvnBandType::btWatermark:
    case TvnBandType::btStamp:
      top = s.TopMargin();
      bottom = s.Height() - s.BottomMargin();
      break;
  }
  FBandRect.Top = top * ky;
  FBandRect.Bottom = bottom * ky;
}

TvnPageItem* TvnCustomDocumentEngine::WorkingPage() const { return GetPageItem(FCurrentPage - 1); }

TvnPageItem* TvnCustomDocumentEngine::GetPageItem(int32_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= FPages.size()) return nullptr;
  return FPages[static_cast<size_t>(index)].get();
}

TvnBandItem* TvnCustomDocumentEngine::BandOf(TvnBandType type) const {
  switch (type) {
    case TvnBandType::btHeader: return FHeaderItem.get();
    case TvnBandType::btFooter: return FFooterItem.get();
    case TvnBandType::btWatermark: return FWatermarkItem.get();
    case TvnBandType::btStamp: return FStampItem.get();
    case TvnBandType::btContent: break;
  }
  return nullptr;
}

void TvnCustomDocumentEngine::MakeCurrent(TvnBandItem& band) {
  FCurrentDocumentItemList = &band.DocumentItems;
  FCurrentTextItemList = &band.TextItems;
  FCurrentOffsetY = band.OffsetY;
}

void TvnCustomDocumentEngine::BeginBand(TvnBandType type) {
  if (!FIsDocumentStarted) return;
  SetBandType(type);
  MakeCurrent(*BandOf(type));
}

void TvnCustomDocumentEngine::EndBand(TvnBandType type) {
  if (!FIsDocumentStarted) return;
  BandOf(type)->OffsetY = FCurrentOffsetY;
  SetBandType(TvnBandType::btContent);
  if (TvnPageItem* page = WorkingPage()) MakeCurrent(*page);
}

void TvnCustomDocumentEngine::ClearBand(TvnBandType type) {
  if (!FIsDocumentStarted) return;  // the bands exist only while a document is started
  TvnBandItem* band = BandOf(type);
  band->DocumentItems.clear();
  band->TextItems.clear();
  band->OffsetY = 0;
}

void TvnCustomDocumentEngine::BeginHeader() { BeginBand(TvnBandType::btHeader); }
void TvnCustomDocumentEngine::EndHeader() { EndBand(TvnBandType::btHeader); }
void TvnCustomDocumentEngine::ClearHeader() { ClearBand(TvnBandType::btHeader); }
void TvnCustomDocumentEngine::BeginFooter() { BeginBand(TvnBandType::btFooter); }
void TvnCustomDocumentEngine::EndFooter() { EndBand(TvnBandType::btFooter); }
void TvnCustomDocumentEngine::ClearFooter() { ClearBand(TvnBandType::btFooter); }
void TvnCustomDocumentEngine::BeginWaterMark() { BeginBand(TvnBandType::btWatermark); }
void TvnCustomDocumentEngine::EndWaterMark() { EndBand(TvnBandType::btWatermark); }
void TvnCustomDocumentEngine::ClearWaterMark() { ClearBand(TvnBandType::btWatermark); }
void TvnCustomDocumentEngine::BeginStamp() { BeginBand(TvnBandType::btStamp); }
void TvnCustomDocumentEngine::EndStamp() { EndBand(TvnBandType::btStamp); }
void TvnCustomDocumentEngine::ClearStamp() { ClearBand(TvnBandType::btStamp); }

TvnDocumentItem* TvnCustomDocumentEngine::AddItem(std::unique_ptr<TvnDocumentItem> item) {
  if (!item || !FCurrentDocumentItemList) return nullptr;
  TvnDocumentItem* raw = item.get();
  const bool sorted_text = FSortTextItems && item->Kind() == TvnItemKind::Text;
  (sorted_text ? *FCurrentTextItemList : *FCurrentDocumentItemList).push_back(std::move(item));
  return raw;
}

// ---- engine states

int32_t TvnCustomDocumentEngine::SaveEngineState() {
  if (!FIsDocumentStarted) return -1;
  auto state = std::make_unique<TvnEngineState>();
  state->Font = FFont;
  state->Brush = FBrush;
  state->Pen = FPen;
  state->ImageSettings.Assign(FImageSettings);
  state->TextFormatting.Assign(FTextFormatting);
  state->TableSettings.Assign(FTableSettings);
  state->TextEffects.Assign(FTextEffects);
  state->Page.Assign(FPage);
  FEngineStateList.push_back(std::move(state));
  return static_cast<int32_t>(FEngineStateList.size()) - 1;
}

void TvnCustomDocumentEngine::RestoreEngineState(int32_t index) {
  if (!FIsDocumentStarted) return;
  const int32_t count = static_cast<int32_t>(FEngineStateList.size());
  if (index == -1) index = count - 1;
  if (index < 0 || index >= count) {
    ReportError<EInvalidEngineState>("Not a valid Engine State identifier");
    return;
  }
  const TvnEngineState& state = *FEngineStateList[static_cast<size_t>(index)];
  FFont = state.Font;
  FPen = state.Pen;
  FBrush = state.Brush;
  FImageSettings.Assign(state.ImageSettings);
  FTextFormatting.Assign(state.TextFormatting);
  FTableSettings.Assign(state.TableSettings);
  FPage.Assign(state.Page);
  FTextEffects.Assign(state.TextEffects);
}

void TvnCustomDocumentEngine::ClearEngineStates() {
  if (FIsDocumentStarted) FEngineStateList.clear();
}

// ---- document lifecycle

void TvnCustomDocumentEngine::BeginDoc() {
  FNoSorting = false;
  if (FIsDocumentStarted) return;
  if (OnBeforeBeginDoc) OnBeforeBeginDoc(*this);
  int result = 1;
  if (FPreferences->ShowSetupDialog()) {
    if (FSetupDialog) {
      FSetupDialog->Engine = this;
      result = FSetupDialog->ShowModal();
      FSetupDialog->Engine = nullptr;
    } else {
      result = static_cast<uint16_t>(ExecuteSetupDialog());
    }
  }
  if (result == 2) {
    FEngineStatus = TvnEngineStatus::esCancelled;
    return;
  }
  FIsDocumentStarted = true;
  FPages.clear();
  FHeaderItem = std::make_unique<TvnBandItem>();
  FFooterItem = std::make_unique<TvnBandItem>();
  FWatermarkItem = std::make_unique<TvnBandItem>();
  FStampItem = std::make_unique<TvnBandItem>();
  FImageResourceList.clear();
  FEngineStateList.clear();
  FDefaultState = SaveEngineState();
  FEngineFileNames.clear();
  FCurrentPage = 0;
  FPageCount = 0;
  FRowsOnPage.clear();
  try {
    NewPage();
    StartDocument();
  } catch (...) {
    if (FIsDocumentStarted) AbandonDocument();
    throw;
  }
  FEngineStatus = TvnEngineStatus::esStarted;
  if (OnAfterBeginDoc) OnAfterBeginDoc(*this);
}

void TvnCustomDocumentEngine::NewPageCanvas(const TvnPageSettings& settings) {
  FCanvas.reset();
  if (TvnPageCanvasFactory factory = CurrentCanvasFactory())
    FCanvas = factory(vn::RoundToInt(settings.Width()), vn::RoundToInt(settings.Height()));
}

void TvnCustomDocumentEngine::ReplayPageCanvas() {
  if (!FCanvas) return;
  std::unique_ptr<TMetafile> recorded = FCanvas->EndRecording();
  FCanvas.reset();
  if (recorded) RenderMetafile(*recorded, 0, 0);
}

void TvnCustomDocumentEngine::NewPage() {
  if (!FIsDocumentStarted) return;
  if (FAbortCreation) {
    FPreferences->SetOpenAfterCreate(false);
    EndDoc();
    FAbortCreation = false;
    return;
  }
  if (TvnPageItem* page = WorkingPage()) {
    page->OffsetY = FCurrentOffsetY;
    if (!FPreferences->ProcessAfterEachPage()) {
      ReplayPageCanvas();
    } else {
      try {
        RenderPage();
      } catch (...) {
        AbandonDocument();
        throw;
      }
    }
  }
  ++FPageCount;
  FCurrentPage = FPageCount;
  auto page = std::make_unique<TvnPageItem>(this);
  page->Settings.Assign(FPage);
  MakeCurrent(*page);
  NewPageCanvas(page->Settings);
  FPages.push_back(std::move(page));
  SetBandType(TvnBandType::btContent);
}

void TvnCustomDocumentEngine::SetWorkingPage(int32_t page_no) {
  if (!FIsDocumentStarted || FPreferences->ProcessAfterEachPage()) return;
  if (page_no < 1 || page_no > FPageCount) {
    ReportError<EInvalidPageNumber>("Invalid Page Number");
    return;
  }
  if (TvnPageItem* page = WorkingPage()) {
    page->OffsetY = FCurrentOffsetY;
    ReplayPageCanvas();
    NewPageCanvas(page->Settings);
  }
  FCurrentPage = page_no;
  if (TvnPageItem* page = WorkingPage()) MakeCurrent(*page);
}

void TvnCustomDocumentEngine::EndDoc() {
  if (!FIsDocumentStarted || FPages.size() < static_cast<size_t>(FCurrentPage)) return;
  try {
    if (!FPreferences->ProcessAfterEachPage()) {
      ReplayPageCanvas();
      for (int32_t i = 1; i <= static_cast<int32_t>(FPages.size()); ++i) {
        FCurrentPage = i;
        RenderPage();
      }
    } else {
      RenderPage();
    }
    if (OnBeforeEndDoc) OnBeforeEndDoc(*this);
    FPages.clear();
    EndDocument();
    // An aborted document is written to its end but never appears.
    if (!FAbortCreation) CommitOutputFiles();
    if (OnAfterEndDoc) OnAfterEndDoc(*this);
  } catch (...) {
    // A document that fails while it is written leaves no output behind.
    AbandonDocument();
    throw;
  }
  if (FPreferences->OpenAfterCreate() && !FEngineFileNames.empty())
    vn::platform::OpenWithAssociatedProgram(FEngineFileNames.front().string());
  if (FPreferences->EmailAfterCreate()) PrepareEmail();  // no sender is ever called
  FEngineStatus = TvnEngineStatus::esFinished;
  FinishDocument();
}

void TvnCustomDocumentEngine::CommitOutputFiles() {
  try {
    for (const auto& file : FOutputFiles) file->Commit();
  } catch (const vn::Exception&) {
    throw EFileCreateError(kFileCreateMessage);
  }
}

void TvnCustomDocumentEngine::AbandonDocument() {
  FEngineStatus = TvnEngineStatus::esError;
  try {
    FinishDocument();
  } catch (const vn::Exception&) {
    // The failure being reported is the one that matters.
  }
}

void TvnCustomDocumentEngine::FinishDocument() {
  // Every step runs even when restoring the default state reports an error;
  // the error leaves once the document is released.
  std::exception_ptr restore_error;
  try {
    RestoreEngineState(FDefaultState);
  } catch (...) {
    restore_error = std::current_exception();
  }
  FHeaderItem.reset();
  FFooterItem.reset();
  FWatermarkItem.reset();
  FStampItem.reset();
  FCurrentDocumentItemList = nullptr;
  FCurrentTextItemList = nullptr;
  FCanvas.reset();
  FImageResourceList.clear();
  // Files not committed by now (a failed or aborted document) go.
  FOutputFiles.clear();
  FEngineFileNames.clear();
  FEmailSettings.Attachments.Clear();
  FEngineStateList.clear();
  FPages.clear();
  FCurrentPage = 0;
  FPageCount = 0;
  FTextRotationAngle = 0;
  FTextAlignment = TvnHAlignment::haLeft;
  FIsDocumentStarted = false;
  FTextItem = nullptr;
  FImageItem = nullptr;
  FImageStream = nullptr;
  FShapeItem = nullptr;
  FParagraphItem.reset();
  FParaItem.clear();
  FTableItem.reset();
  if (restore_error) std::rethrow_exception(restore_error);
}

vn::TStream* TvnCustomDocumentEngine::CreateOutputFile(const std::filesystem::path& file_name) {
  try {
    FOutputFiles.push_back(std::make_unique<vn::OutputFile>(file_name));
    FEngineFileNames.push_back(file_name);
    return FOutputFiles.back().get();
  } catch (const vn::Exception&) {
  }
  AbandonDocument();
  throw EFileCreateError(kFileCreateMessage);
}

void TvnCustomDocumentEngine::PrepareEmail() {
  for (const auto& name : FEngineFileNames) FEmailSettings.Attachments.Add(vn::FromUtf8(name.string()));
}

// ---- rendering

bool TvnCustomDocumentEngine::IsPageToRender(int32_t page_no) const {
  if (FPagesToRender.empty()) return true;
  for (const String& entry : vn::SplitCommaText(FPagesToRender)) {
    const std::optional<PageSelection> selection = ParseSelectionEntry(entry);
    if (selection && selection->Low <= page_no && page_no <= selection->High) return true;
  }
  return false;
}

void TvnCustomDocumentEngine::RenderPage() {
  TvnPageItem* page = WorkingPage();
  if (!page) return;
  if (IsPageToRender(FCurrentPage)) {
    if (OnBeforeBeginPage) OnBeforeBeginPage(*this);
    if (FPreferences->ProcessAfterEachPage()) ReplayPageCanvas();
    FBandType = TvnBandType::btContent;
    StartPage();
    if (OnAfterBeginPage) OnAfterBeginPage(*this);
    RenderPageBorder();
    if (FSortTextItems && FCurrentPage == 1) {
      SortTextItems(FHeaderItem->TextItems);
      SortTextItems(FFooterItem->TextItems);
    }
    const bool first = FCurrentPage == 1;
    auto band_allowed = [&](TvnCapabilityKind kind) { return first || !FCapabilities.Contains(kind); };
    if (band_allowed(TvnCapabilityKind::ckHeader)) {
      FBandType = TvnBandType::btHeader;
      RenderItems(FHeaderItem->DocumentItems);
      RenderTextItems(FHeaderItem->TextItems);
    }
    if (band_allowed(TvnCapabilityKind::ckWatermark)) {
      FBandType = TvnBandType::btWatermark;
      SortTextItems(FWatermarkItem->TextItems);
      RenderItems(FWatermarkItem->DocumentItems);
      RenderTextItems(FWatermarkItem->TextItems);
    }
    FBandType = TvnBandType::btContent;
    SortTextItems(page->TextItems);
    RenderItems(page->DocumentItems);
    RenderTextItems(page->TextItems);
    if (band_allowed(TvnCapabilityKind::ckFooter)) {
      FBandType = TvnBandType::btFooter;
      RenderItems(FFooterItem->DocumentItems);
      RenderTextItems(FFooterItem->TextItems);
    }
    if (band_allowed(TvnCapabilityKind::ckStamp)) {
      FBandType = TvnBandType::btStamp;
      SortTextItems(FStampItem->TextItems);
      RenderItems(FStampItem->DocumentItems);
      RenderTextItems(FStampItem->TextItems);
    }
    FBandType = TvnBandType::btContent;
    if (OnBeforeEndPage) OnBeforeEndPage(*this);
    EndPage();
    if (OnAfterEndPage) OnAfterEndPage(*this);
  } else if (FPreferences->ProcessAfterEachPage()) {
    FCanvas.reset();  // the page's drawing is dropped
  }
  if (FCurrentDocumentItemList == &page->DocumentItems) {
    FCurrentDocumentItemList = nullptr;
    FCurrentTextItemList = nullptr;
  }
  page->TextItems.clear();
  ReleaseStreamResources();
  page->DocumentItems.clear();
  FPages[static_cast<size_t>(FCurrentPage - 1)].reset();
  if (FPreferences->ProcessAfterEachPage()) ReleasePageGraphics();
}

void TvnCustomDocumentEngine::RenderItems(TvnItemList& list) {
  for (auto& holder : list) {
    TvnDocumentItem& item = *holder;
    switch (item.Kind()) {
      case TvnItemKind::TextBox: RenderTextBoxItem(static_cast<TvnTextBoxItem&>(item)); break;
      case TvnItemKind::Text: RenderTextItem(static_cast<TvnTextItem&>(item)); break;
      case TvnItemKind::ImageStream: RenderImageStream(static_cast<TvnImageStream&>(item)); break;
      case TvnItemKind::Image: RenderImageItem(static_cast<TvnImageItem&>(item)); break;
      case TvnItemKind::Shape: {
        auto& shape = static_cast<TvnShapeItem&>(item);
        FPenJoin = shape.PenJoinStyle;
        FPenCap = shape.PenCapStyle;
        FRenderingLineArt = &shape.LineArtSettings;
        try {
          RenderShapeItem(shape);
        } catch (...) {
          FRenderingLineArt = nullptr;
          throw;
        }
        FRenderingLineArt = nullptr;
        break;
      }
      case TvnItemKind::PolyShape: RenderPolyShapeItem(static_cast<TvnPolyShapeItem&>(item)); break;
      case TvnItemKind::Table: RenderTableItem(static_cast<TvnTableItem&>(item)); break;
      case TvnItemKind::Paragraph: RenderParagraphItem(static_cast<TvnParagraphItem&>(item)); break;
      case TvnItemKind::Clip: RenderClipItem(static_cast<TvnClipItem&>(item)); break;
      case TvnItemKind::Path: RenderPathItem(static_cast<TvnPathItem&>(item)); break;
      case TvnItemKind::PolyPolygon: RenderPolyPolygonItem(static_cast<TvnPolyPolygonItem&>(item)); break;
      case TvnItemKind::EndOfFile: RenderEOFItem(static_cast<TvnEOFItem&>(item)); break;
      case TvnItemKind::PolyDraw: RenderPolyDrawItem(static_cast<TvnPolyDrawItem&>(item)); break;
      case TvnItemKind::Other: RenderOtherItem(item); break;
    }
  }
}

void TvnCustomDocumentEngine::RenderShapeItem(TvnShapeItem& item) {
  const TvnPoints& p = item.GetPoints();
  const TBrush* brush = item.Brush ? &*item.Brush : nullptr;
  // A shape without the points its type needs draws nothing.
  auto needs = [&](size_t n) { return p.size() >= n; };
  switch (item.ShapeType) {
    case TvnShapeType::stLine:
      if (needs(2)) DrawLine(p[0].X, p[0].Y, p[1].X, p[1].Y, item.Pen);
      break;
    case TvnShapeType::stRectangle:
      if (needs(2)) DrawRectangle(p[0].X, p[0].Y, p[1].X, p[1].Y, item.Pen, brush);
      break;
    case TvnShapeType::stRoundRect:
      if (needs(3)) DrawRoundRect(p[0].X, p[0].Y, p[1].X, p[1].Y, p[2].X, p[2].Y, item.Pen, brush);
      break;
    case TvnShapeType::stEllipse:
      if (needs(2)) DrawEllipse(p[0].X, p[0].Y, p[1].X, p[1].Y, item.Pen, brush);
      break;
    case TvnShapeType::stPolygon:
    case TvnShapeType::stPolyLine:
      if (needs(1)) DrawPolygon(p, item.NoPoints(), brush, item.Pen, item.ShapeType == TvnShapeType::stPolygon);
      break;
    case TvnShapeType::stArc:
      if (needs(4)) DrawArc(p[0].X, p[0].Y, p[1].X, p[1].Y, p[2].X, p[2].Y, p[3].X, p[3].Y, item.Pen);
      break;
    case TvnShapeType::stChord:
      if (needs(4)) DrawChord(p[0].X, p[0].Y, p[1].X, p[1].Y, p[2].X, p[2].Y, p[3].X, p[3].Y, item.Pen, brush);
      break;
    case TvnShapeType::stPie:
      if (needs(4)) DrawPie(p[0].X, p[0].Y, p[1].X, p[1].Y, p[2].X, p[2].Y, p[3].X, p[3].Y, item.Pen, brush);
      break;
    case TvnShapeType::stPolyBezier:
      if (needs(1)) DrawPolyBezier(p, item.NoPoints(), item.Pen);
      break;
  }
}

void TvnCustomDocumentEngine::RenderPolyShapeItem(TvnPolyShapeItem& item) {
  if (item.Shapes.empty() || !item.Shapes.front()) return;
  const TvnShapeType type = item.Shapes.front()->ShapeType;
  if (type == TvnShapeType::stPolygon)
    DrawPolyShape(item, true);
  else if (type == TvnShapeType::stPolyLine)
    DrawPolyShape(item, false);
}

void TvnCustomDocumentEngine::RenderTextItems(TvnItemList& list) {
  for (auto& item : list)
    if (item->Kind() == TvnItemKind::Text || item->Kind() == TvnItemKind::TextBox)
      RenderTextItem(static_cast<TvnTextItem&>(*item));
}

void TvnCustomDocumentEngine::SortTextItems(TvnItemList& list) {
  if (FNoSorting) return;
  auto y_of = [](const TvnDocumentItem& item) {
    return item.Kind() == TvnItemKind::Text || item.Kind() == TvnItemKind::TextBox ? static_cast<const TvnTextItem&>(item).Y : 0.0;
  };
  // Insertion sort: each item moves before the earlier items whose Y is
  // greater than its own; equal Y keep their order.
  for (size_t i = 1; i < list.size(); ++i) {
    const double y = y_of(*list[i]);
    size_t j = i;
    while (j > 0 && y_of(*list[j - 1]) > y) --j;
    if (j != i) std::rotate(list.begin() + static_cast<std::ptrdiff_t>(j), list.begin() + static_cast<std::ptrdiff_t>(i),
                            list.begin() + static_cast<std::ptrdiff_t>(i) + 1);
  }
}

void TvnCustomDocumentEngine::RenderPageBorder() {
  const TvnBorder& b = FPageBorder;
  if (!(b.DrawLeft || b.DrawRight || b.DrawTop || b.DrawBottom)) return;
  const TvnPageItem* page = WorkingPage();
  if (!page) return;
  const TvnPageSettings& s = page->Settings;
  TPen pen;
  pen.Width = b.Width;
  pen.Color = b.Color;
  pen.Style = b.Style;
  const double left = s.LeftMargin(), top = s.TopMargin();
  const double right = s.Width() - s.RightMargin(), bottom = s.Height() - s.BottomMargin();
  if (b.DrawLeft) DrawLine(left, top, left, bottom, pen);
  if (b.DrawRight) DrawLine(right, top, right, bottom, pen);
  if (b.DrawTop) DrawLine(left, top, right, top, pen);
  if (b.DrawBottom) DrawLine(left, bottom, right, bottom, pen);
}

void TvnCustomDocumentEngine::RenderMetafile(const TMetafile& metafile, double x, double y) {
  TvnMetafilePlayer player = CurrentPlayer();
  if (!player) return;
  const bool rescale = !FCapabilities.Contains(TvnCapabilityKind::ckInputRes) &&
                       (FInputXRes != ScreenPixelsPerInch || FInputYRes != ScreenPixelsPerInch);
  if (rescale) {
    if (TvnPageCanvasFactory factory = CurrentCanvasFactory()) {
      const int32_t w = vn::RoundToInt(ConvertX(FPage.Width()));
      const int32_t h = vn::RoundToInt(ConvertY(FPage.Height()));
      if (std::unique_ptr<TMetafileCanvas> canvas = factory(w, h)) {
        canvas->StretchDraw(TRect{0, 0, w, h}, metafile);
        if (std::unique_ptr<TMetafile> copy = canvas->EndRecording()) {
          player(*this, *copy, x + FBandRect.Left, y + FBandRect.Top);
          return;
        }
      }
    }
  }
  player(*this, metafile, x + FBandRect.Left, y + FBandRect.Top);
}

// ---- image resources

std::optional<TvnHashValue> TvnCustomDocumentEngine::DigestFor(vn::TStream& stream) {
  if (!FCapabilities.Contains(TvnCapabilityKind::ckImageReusable) || !FPreferences->UseImagesAsResources()) return std::nullopt;
  const int64_t position = stream.Position();
  TvnHashValue hash;
  FMD5ImageHash.GetHash(stream, hash.HashValue);
  stream.SetPosition(position);
  return hash;
}

int32_t TvnCustomDocumentEngine::FindResourceByHash(const std::optional<TvnHashValue>& hash, bool stream) {
  if (!hash) return -1;
  for (size_t i = 0; i < FImageResourceList.size(); ++i) {
    ResourceEntry& entry = FImageResourceList[i];
    if ((stream ? entry.Stream != nullptr : entry.Graphic != nullptr) && entry.Hash &&
        entry.Hash->HashValue == hash->HashValue) {
      entry.Reused = true;
      return static_cast<int32_t>(i);
    }
  }
  return -1;
}

int32_t TvnCustomDocumentEngine::AddGraphicResource(std::unique_ptr<TGraphic> graphic) {
  if (!graphic) return -1;
  std::optional<TvnHashValue> hash;
  if (FCapabilities.Contains(TvnCapabilityKind::ckImageReusable) && FPreferences->UseImagesAsResources()) {
    vn::TMemoryStream saved;
    graphic->SaveToStream(saved);
    hash = DigestFor(saved);
  }
  const int32_t found = FindResourceByHash(hash);
  if (found >= 0) return found;  // the new graphic is freed here
  FImageResourceList.push_back({std::move(graphic), nullptr, hash, true});
  return static_cast<int32_t>(FImageResourceList.size()) - 1;
}

int32_t TvnCustomDocumentEngine::AddStreamResource(vn::TStream* stream) {
  if (!stream) return -1;
  const std::optional<TvnHashValue> hash = DigestFor(*stream);
  const int32_t found = FindResourceByHash(hash, true);
  if (found >= 0) return found;
  FImageResourceList.push_back({nullptr, stream, hash, true});
  return static_cast<int32_t>(FImageResourceList.size()) - 1;
}

void TvnCustomDocumentEngine::ReleaseStreamResources() {
  for (ResourceEntry& entry : FImageResourceList)
    if (entry.Stream) {
      entry.Stream = nullptr;
      entry.Hash.reset();
    }
}

void TvnCustomDocumentEngine::ReleasePageGraphics() {
  std::vector<bool> used(FImageResourceList.size(), false);
  for (const TvnBandItem* band : {FHeaderItem.get(), FFooterItem.get(), FWatermarkItem.get(), FStampItem.get()}) {
    if (!band) continue;
    for (const auto& holder : band->DocumentItems)
      if (const auto* image = dynamic_cast<const TvnImageItem*>(holder.get()))
        if (image->IndexNo >= 0 && static_cast<size_t>(image->IndexNo) < used.size()) used[size_t(image->IndexNo)] = true;
  }
  for (size_t i = 0; i < FImageResourceList.size(); ++i) {
    ResourceEntry& entry = FImageResourceList[i];
    if (!entry.Shared && !used[i]) entry.Graphic.reset();
  }
}

TvnImageResource TvnCustomDocumentEngine::GetImageResource(int32_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= FImageResourceList.size()) return {};
  const ResourceEntry& entry = FImageResourceList[static_cast<size_t>(index)];
  return {entry.Graphic.get(), entry.Stream};
}

}  // namespace vn::exporter
