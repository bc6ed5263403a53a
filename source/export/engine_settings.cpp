#include "export/engine_settings.h"

#include <array>

#include "export/document_engine.h"
#include "runtime/exceptions.h"

namespace vn::exporter {

namespace {

// Width × height in inches, in the order of TvnPaperSize.
constexpr std::array<TvnPoint, 41> kPaperInches = {{
    {8.5, 11},        {8.5, 11},        {11, 17},         {17, 11},         {8.5, 14},        {5.5, 8.5},
    {7.25, 10.5},     {11.6929, 16.5354}, {8.2677, 11.6929}, {8.2677, 11.6929}, {5.8267, 8.2677}, {9.8425, 13.8976},
    {6.9291, 9.8425}, {8.5, 13},        {8.4645, 10.8267}, {10, 14},         {10, 17},         {8.5, 11},
    {4.125, 9.5},     {4.5, 10.375},    {4.75, 11},       {5, 11.5},        {17, 22},         {22, 34},
    {34, 44},         {4.3307, 8.6614}, {6.3779, 9.0157}, {12.7559, 18.0314}, {9.1057, 12.7559}, {4.4881, 6.3779},
    {4.4881, 9.0157}, {9.8425, 13.8976}, {6.9291, 9.8425}, {6.9291, 4.9212}, {4.3307, 9.0551}, {3.875, 7.5},
    {3.625, 6.5},     {14.875, 11},     {8.5, 12},        {9.8425, 13.8976}, {0, 0},
}};

}  // namespace

TvnPoint PaperSizeInches(TvnPaperSize size) { return kPaperInches.at(static_cast<size_t>(size)); }

// ---- TvnPageSettings

TvnPageSettings::TvnPageSettings(TvnDocSettings* parent) : FParent(parent) { SetPaperSize(TvnPaperSize::A4); }

void TvnPageSettings::Assign(const TvnPageSettings& source) {
  FFooterHeight = source.FFooterHeight;
  FWidth = source.FWidth;
  FBottomMargin = source.FBottomMargin;
  FTopMargin = source.FTopMargin;
  FHeight = source.FHeight;
  FRightMargin = source.FRightMargin;
  FLeftMargin = source.FLeftMargin;
  FHeaderHeight = source.FHeaderHeight;
  FPaperSize = source.FPaperSize;
  FOrientation = source.FOrientation;
  FBinNumber = source.FBinNumber;
}

std::vector<TvnPageSettings*> TvnPageSettings::LinkedPages() const {
  std::vector<TvnPageSettings*> pages;
  if (FParent)
    for (TvnCustomDocumentEngine* engine : FParent->EngineList()) pages.push_back(&engine->Page());
  return pages;
}

void TvnPageSettings::SetLength(double TvnPageSettings::*field, double value) {
  for (TvnPageSettings* page : LinkedPages())
    if (page->*field == this->*field) page->*field = value * FNativeFactor;
  this->*field = value * FNativeFactor;
}

void TvnPageSettings::SetWidth(double value) {
  if (FPaperSize != TvnPaperSize::Custom) return;
  for (TvnPageSettings* page : LinkedPages())
    if (page->FPaperSize == TvnPaperSize::Custom && page->FWidth == FWidth) page->FWidth = value * FNativeFactor;
  FWidth = value * FNativeFactor;
}

void TvnPageSettings::SetHeight(double value) {
  if (FPaperSize != TvnPaperSize::Custom) return;
  for (TvnPageSettings* page : LinkedPages())
    if (page->FPaperSize == TvnPaperSize::Custom && page->FHeight == FHeight) page->FHeight = value * FNativeFactor;
  FHeight = value * FNativeFactor;
}

void TvnPageSettings::SetPaperSize(TvnPaperSize value) {
  for (TvnPageSettings* page : LinkedPages())
    if (page->FPaperSize == FPaperSize) page->SetPaperSize(value);
  FPaperSize = value;
  if (value == TvnPaperSize::Custom) return;
  const TvnPoint inches = PaperSizeInches(value);
  const double width = inches.X * 72 * ScreenPixelsPerPoint;
  const double height = inches.Y * 72 * ScreenPixelsPerPoint;
  const bool landscape = FOrientation == TPrinterOrientation::poLandscape;
  FWidth = landscape ? height : width;
  FHeight = landscape ? width : height;
}

void TvnPageSettings::SetOrientation(TPrinterOrientation value) {
  if (value == FOrientation) return;
  for (TvnPageSettings* page : LinkedPages())
    if (page->FOrientation == FOrientation) page->SetOrientation(value);
  std::swap(FWidth, FHeight);
  FOrientation = value;
}

// ---- TvnFrame

void TvnFrame::Assign(const TvnFrame& source) {
  IsLeft = source.IsLeft;
  IsRight = source.IsRight;
  IsTop = source.IsTop;
  IsBottom = source.IsBottom;
  FInternalMargin = source.FInternalMargin;
}

TvnRect TvnFrame::InternalMargin() const {
  if (!FParent) return FInternalMargin;
  const double f = FParent->NativeConversionFactor();
  return {FInternalMargin.Left / f, FInternalMargin.Top / f, FInternalMargin.Right / f, FInternalMargin.Bottom / f};
}

void TvnFrame::SetInternalMargin(const TvnRect& value) {
  if (!FParent) {
    FInternalMargin = value;
    return;
  }
  const double f = FParent->NativeConversionFactor();
  FInternalMargin = {value.Left * f, value.Top * f, value.Right * f, value.Bottom * f};
}

// ---- TvnImageSettings

TvnImageSettings::TvnImageSettings(TvnCustomDocumentEngine* parent) : SourceDPI(ScreenPixelsPerInch), FParent(parent) {}

void TvnImageSettings::Assign(const TvnImageSettings& source) {
  Center = source.Center;
  Autosize = source.Autosize;
  Stretch = source.Stretch;
  Transparent = source.Transparent;
  KeepAspectRatio = source.KeepAspectRatio;
  Inclination = source.Inclination;
  SetOutputImageFormat(source.FOutputImageFormat);
  ImagePixelFormat = source.ImagePixelFormat;
  JPEGQuality = source.JPEGQuality;
  SourceDPI = source.SourceDPI;
  IsFrame = source.IsFrame;
  Opacity = source.Opacity;
}

void TvnImageSettings::SetOutputImageFormat(TvnOutputImageFormat value) {
  String message;
  if (FParent && !FParent->IsImageFormatSupported(value, message))
    throw vn::ExInvalidImageFormat("Invalid Image Format");
  FOutputImageFormat = value;
}

// ---- borders, text formatting, table settings

void TvnBorder::Assign(const TvnBorder& source) {
  DrawBottom = source.DrawBottom;
  DrawLeft = source.DrawLeft;
  DrawTop = source.DrawTop;
  DrawRight = source.DrawRight;
  Width = source.Width;
  Color = source.Color;
  Style = source.Style;
}

void TvnParaBorder::Assign(const TvnParaBorder& source) {
  SpaceFromText = source.SpaceFromText;
  TvnBorder::Assign(source);
}

void TvnTextFormatting::Assign(const TvnTextFormatting& source) {
  FBeforeSpace = source.FBeforeSpace;
  FLeftIndent = source.FLeftIndent;
  FRightIndent = source.FRightIndent;
  FFirstLineIndent = source.FFirstLineIndent;
  LineSpacing = source.LineSpacing;
  Alignment = source.Alignment;
  Border.Assign(source.Border);
}

void TvnTableSettings::Assign(const TvnTableSettings& source) {
  FColumnWidth = source.FColumnWidth;
  FRowHeight = source.FRowHeight;
  FInternalMargin = source.FInternalMargin;
  AutoAdjustColumnWidth = source.AutoAdjustColumnWidth;
  EnableTitle = source.EnableTitle;
  FTitleHeight = source.FTitleHeight;
}

TvnRect TvnTableSettings::InternalMargin() const {
  const double k = 1 / FNativeFactor;
  return {FInternalMargin.Left * k, FInternalMargin.Top * k, FInternalMargin.Right * k, FInternalMargin.Bottom * k};
}

void TvnTableSettings::SetInternalMargin(const TvnRect& v) {
  FInternalMargin = {v.Left * FNativeFactor, v.Top * FNativeFactor, v.Right * FNativeFactor, v.Bottom * FNativeFactor};
}

// ---- TvnPreferences, TvnDocInfo

void TvnPreferences::Assign(const TvnPreferences& source) {
  FProcessAfterEachPage = source.FProcessAfterEachPage;
  FOutputToUserStream = source.FOutputToUserStream;
  FOpenAfterCreate = source.FOpenAfterCreate;
  FEmailAfterCreate = source.FEmailAfterCreate;
  FShowSetupDialog = source.FShowSetupDialog;
  FCalculateVariables = source.FCalculateVariables;
  FUseImagesAsResources = source.FUseImagesAsResources;
}

void TvnPreferences::SetFlag(bool TvnPreferences::*field, bool value) {
  if (FParent)
    for (TvnCustomDocumentEngine* engine : FParent->EngineList()) {
      TvnPreferences& own = engine->Preferences();
      if (own.*field == this->*field) own.*field = value;
    }
  this->*field = value;
}

void TvnDocInfo::Assign(const TvnDocInfo& source) {
  FAuthor = source.FAuthor;
  FCreator = source.FCreator;
  FKeywords = source.FKeywords;
  FSubject = source.FSubject;
  FTitle = source.FTitle;
}

void TvnDocInfo::SetText(String TvnDocInfo::*field, const String& value) {
  if (FParent)
    for (TvnCustomDocumentEngine* engine : FParent->EngineList()) {
      TvnDocInfo& own = engine->DocInfo();
      if (own.*field == this->*field) own.*field = value;
    }
  this->*field = value;
}

// ---- TvnDocSettings

TvnDocSettings::TvnDocSettings(TvnBaseComponent* AOwner) : TvnBaseComponent(AOwner) {}

TvnDocSettings::~TvnDocSettings() {
  for (TvnCustomDocumentEngine* engine : FEngineList) engine->FSettings = nullptr;
}

void TvnDocSettings::AddEngine(TvnCustomDocumentEngine* engine) {
  if (!engine) return;
  FEngineList.push_back(engine);
  engine->SetBackgroundColor(FBackgroundColor);
  engine->SetBackgroundImage(FBackgroundImage);
  engine->SetBackgroundImageDisplayType(FBackgroundDisplayType);
  engine->SetDocInfo(FDocInfo);
  engine->SetPage(FPage);
  engine->SetPreferences(FPreferences);
  engine->SetMeasurementUnit(FMeasurementUnit);
}

void TvnDocSettings::RemoveEngine(TvnCustomDocumentEngine* engine) {
  std::erase(FEngineList, engine);
}

void TvnDocSettings::SetBackgroundColor(TColor value) {
  for (TvnCustomDocumentEngine* engine : FEngineList)
    if (engine->BackgroundColor() == FBackgroundColor) engine->SetBackgroundColor(value);
  FBackgroundColor = value;
}

void TvnDocSettings::SetBackgroundImageDisplayType(TvnBackgroundDisplayType value) {
  for (TvnCustomDocumentEngine* engine : FEngineList)
    if (engine->BackgroundImageDisplayType() == FBackgroundDisplayType) engine->SetBackgroundImageDisplayType(value);
  FBackgroundDisplayType = value;
}

void TvnDocSettings::SetBackgroundImage(const TPicture& value) {
  for (TvnCustomDocumentEngine* engine : FEngineList) engine->SetBackgroundImage(value);
  FBackgroundImage.Assign(value);
}

void TvnDocSettings::SetMeasurementUnit(TvnUnitType value) {
  for (TvnCustomDocumentEngine* engine : FEngineList)
    if (engine->MeasurementUnit() == FMeasurementUnit) engine->SetMeasurementUnit(value);
  FMeasurementUnit = value;
  FNativeConversionFactor = GetPixelsPerUnit(value);
  FPage.SetNativeFactor(FNativeConversionFactor);
}

}  // namespace vn::exporter
