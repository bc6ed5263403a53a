// Settings objects of the export engine and of its items: page settings with
// the paper table, frame, image settings, text formatting, text effects,
// line-art settings, borders, table settings, e-mail settings, preferences,
// document information, and the shared settings component that several
// engines link to.
//
// Lengths are stored in engine pixels and read in the owner's measurement
// unit: a length property reads as stored / NativeFactor and is stored as
// value × NativeFactor. Objects are values: Assign copies another object's
// values (never its parent) and nobody keeps a caller's object.
//
// A page settings, preferences or document-information object owned by a
// TvnDocSettings passes each change on to every linked engine whose own value
// still equals the shared (old) value, so an engine that was set on its own
// stops following the shared component for that value.
#pragma once

#include <memory>
#include <vector>

#include "export/engine_types.h"
#include "runtime/datetime.h"
#include "runtime/string_list.h"

namespace vn::exporter {

class TvnCustomDocumentEngine;
class TvnDocSettings;

class TvnPageSettings {
 public:
  explicit TvnPageSettings(TvnDocSettings* parent = nullptr);
  void Assign(const TvnPageSettings& source);

  TvnPaperSize PaperSize() const { return FPaperSize; }
  void SetPaperSize(TvnPaperSize value);
  TPrinterOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TPrinterOrientation value);
  // Width and Height change only while PaperSize is Custom.
  double Width() const { return FWidth / FNativeFactor; }
  void SetWidth(double value);
  double Height() const { return FHeight / FNativeFactor; }
  void SetHeight(double value);
  double LeftMargin() const { return FLeftMargin / FNativeFactor; }
  void SetLeftMargin(double value) { SetLength(&TvnPageSettings::FLeftMargin, value); }
  double RightMargin() const { return FRightMargin / FNativeFactor; }
  void SetRightMargin(double value) { SetLength(&TvnPageSettings::FRightMargin, value); }
  double TopMargin() const { return FTopMargin / FNativeFactor; }
  void SetTopMargin(double value) { SetLength(&TvnPageSettings::FTopMargin, value); }
  double BottomMargin() const { return FBottomMargin / FNativeFactor; }
  void SetBottomMargin(double value) { SetLength(&TvnPageSettings::FBottomMargin, value); }
  double HeaderHeight() const { return FHeaderHeight / FNativeFactor; }
  void SetHeaderHeight(double value) { SetLength(&TvnPageSettings::FHeaderHeight, value); }
  double FooterHeight() const { return FFooterHeight / FNativeFactor; }
  void SetFooterHeight(double value) { SetLength(&TvnPageSettings::FFooterHeight, value); }
  int32_t BinNumber() const { return FBinNumber; }
  void SetBinNumber(int32_t value) { FBinNumber = value; }
  double NativeFactor() const { return FNativeFactor; }
  void SetNativeFactor(double value) { FNativeFactor = value; }
  TvnDocSettings* Parent() const { return FParent; }

  // Stored values, in engine pixels.
  double NativeWidth() const { return FWidth; }
  double NativeHeight() const { return FHeight; }

 private:
  void SetLength(double TvnPageSettings::*field, double value);
  std::vector<TvnPageSettings*> LinkedPages() const;

  double FFooterHeight = 0, FWidth = 0, FBottomMargin = 0, FTopMargin = 0, FHeight = 0, FRightMargin = 0,
         FLeftMargin = 0, FHeaderHeight = 0;
  TvnPaperSize FPaperSize = TvnPaperSize::A4;
  TPrinterOrientation FOrientation = TPrinterOrientation::poPortrait;
  int32_t FBinNumber = 0;
  TvnDocSettings* FParent = nullptr;
  double FNativeFactor = 1.0;
};

// Width and height of a paper size in inches (Custom: 0 × 0).
TvnPoint PaperSizeInches(TvnPaperSize size);

class TvnFrame {
 public:
  explicit TvnFrame(TvnCustomDocumentEngine* parent = nullptr) : FParent(parent) {}
  void Assign(const TvnFrame& source);

  bool IsLeft = true, IsRight = true, IsTop = true, IsBottom = true;
  // In the engine's measurement unit when the parent is an engine.
  TvnRect InternalMargin() const;
  void SetInternalMargin(const TvnRect& value);
  const TvnRect& NativeInternalMargin() const { return FInternalMargin; }
  TvnCustomDocumentEngine* Parent() const { return FParent; }

 private:
  TvnCustomDocumentEngine* FParent;
  TvnRect FInternalMargin;
};

class TvnImageSettings {
 public:
  explicit TvnImageSettings(TvnCustomDocumentEngine* parent = nullptr);
  void Assign(const TvnImageSettings& source);

  bool Center = false, Autosize = false, Stretch = false, Transparent = false, KeepAspectRatio = false;
  int32_t Inclination = 0;
  bool IsFrame = false;
  TPixelFormat ImagePixelFormat = TPixelFormat::pf24bit;
  int32_t JPEGQuality = 100;
  int32_t SourceDPI;
  TvnRenderingOpacity Opacity = 100;

  TvnOutputImageFormat OutputImageFormat() const { return FOutputImageFormat; }
  // ExInvalidImageFormat "Invalid Image Format" when the parent engine does
  // not support the format; the value stays.
  void SetOutputImageFormat(TvnOutputImageFormat value);
  TvnCustomDocumentEngine* Parent() const { return FParent; }

 private:
  TvnCustomDocumentEngine* FParent;
  TvnOutputImageFormat FOutputImageFormat = TvnOutputImageFormat::ifJPEG;
};

class TvnBorder {
 public:
  virtual ~TvnBorder() = default;
  void Assign(const TvnBorder& source);
  bool DrawBottom = false, DrawLeft = false, DrawTop = false, DrawRight = false;
  int32_t Width = 1;
  TColor Color = clBlack;
  TPenStyle Style = TPenStyle::psSolid;
};

class TvnParaBorder : public TvnBorder {
 public:
  void Assign(const TvnParaBorder& source);
  int32_t SpaceFromText = 0;
};

class TvnTextFormatting {
 public:
  void Assign(const TvnTextFormatting& source);

  double BeforeSpace() const { return FBeforeSpace / FNativeFactor; }
  void SetBeforeSpace(double v) { FBeforeSpace = v * FNativeFactor; }
  double LeftIndent() const { return FLeftIndent / FNativeFactor; }
  void SetLeftIndent(double v) { FLeftIndent = v * FNativeFactor; }
  double RightIndent() const { return FRightIndent / FNativeFactor; }
  void SetRightIndent(double v) { FRightIndent = v * FNativeFactor; }
  double FirstLineIndent() const { return FFirstLineIndent / FNativeFactor; }
  void SetFirstLineIndent(double v) { FFirstLineIndent = v * FNativeFactor; }
  double NativeFactor() const { return FNativeFactor; }
  void SetNativeFactor(double v) { FNativeFactor = v; }

  double LineSpacing = 1.0;
  TvnHAlignment Alignment = TvnHAlignment::haLeft;
  TvnParaBorder Border;

 private:
  double FBeforeSpace = 0, FLeftIndent = 0, FRightIndent = 0, FFirstLineIndent = 0;
  double FNativeFactor = 1.0;
};

struct TvnTextEffects {
  void Assign(const TvnTextEffects& source) { *this = source; }
  TvnTextRenderMode TextRenderMode = TvnTextRenderMode::trmFill;
  TvnTextRise TextRise = TvnTextRise::trNormal;
  TvnRenderingOpacity Opacity = 100;
};

struct TvnLineArtSettings {
  void Assign(const TvnLineArtSettings& source) { Opacity = source.Opacity; }
  TvnRenderingOpacity Opacity = 100;
};

class TvnTableSettings {
 public:
  void Assign(const TvnTableSettings& source);

  double ColumnWidth() const { return FColumnWidth / FNativeFactor; }
  void SetColumnWidth(double v) { FColumnWidth = v * FNativeFactor; }
  double RowHeight() const { return FRowHeight / FNativeFactor; }
  void SetRowHeight(double v) { FRowHeight = v * FNativeFactor; }
  double TitleHeight() const { return FTitleHeight / FNativeFactor; }
  void SetTitleHeight(double v) { FTitleHeight = v * FNativeFactor; }
  TvnRect InternalMargin() const;
  void SetInternalMargin(const TvnRect& v);
  double NativeFactor() const { return FNativeFactor; }
  void SetNativeFactor(double v) { FNativeFactor = v; }
  double NativeColumnWidth() const { return FColumnWidth; }

  bool AutoAdjustColumnWidth = false;
  bool EnableTitle = false;

 private:
  double FColumnWidth = 0, FRowHeight = 0, FTitleHeight = 0;
  TvnRect FInternalMargin;
  double FNativeFactor = 1.0;
};

class TvnEmailSettings {
 public:
  void Assign(const TvnEmailSettings& source) { *this = source; }
  std::unique_ptr<TvnEmailSettings> Clone() const { return std::make_unique<TvnEmailSettings>(*this); }

  String Host, UserID, Password;
  vn::TStringList Attachments, Body;
  vn::TDateTime Date = 0;
  String FromAddress, FromName, ReplyTo, Subject;
  vn::TStringList RecipientList;
  String ReceiptRecipient;
  vn::TStringList CCList, BCCList;
  bool AuthenticationRequired = false;
  int32_t Port = 25;
};

// The MD5 digest of one image resource.
struct TvnHashValue {
  MD5Digest HashValue{};
};

// One outline entry.
struct TvnTOCItem {
  String Title;
  int32_t PageNumber = 0;
  int32_t ParentNode = -1;
  double X = 0, Y = 0;
  std::string URL;
};

// What the engine does around the document.
class TvnPreferences {
 public:
  explicit TvnPreferences(TvnDocSettings* parent = nullptr) : FParent(parent) {}
  virtual ~TvnPreferences() = default;
  // Copies the seven flags (not the parent).
  void Assign(const TvnPreferences& source);

  bool ProcessAfterEachPage() const { return FProcessAfterEachPage; }
  void SetProcessAfterEachPage(bool v) { SetFlag(&TvnPreferences::FProcessAfterEachPage, v); }
  bool OutputToUserStream() const { return FOutputToUserStream; }
  void SetOutputToUserStream(bool v) { SetFlag(&TvnPreferences::FOutputToUserStream, v); }
  bool OpenAfterCreate() const { return FOpenAfterCreate; }
  void SetOpenAfterCreate(bool v) { SetFlag(&TvnPreferences::FOpenAfterCreate, v); }
  bool EmailAfterCreate() const { return FEmailAfterCreate; }
  void SetEmailAfterCreate(bool v) { SetFlag(&TvnPreferences::FEmailAfterCreate, v); }
  bool ShowSetupDialog() const { return FShowSetupDialog; }
  void SetShowSetupDialog(bool v) { SetFlag(&TvnPreferences::FShowSetupDialog, v); }
  // Not passed on to linked engines.
  bool CalculateVariables() const { return FCalculateVariables; }
  void SetCalculateVariables(bool v) { FCalculateVariables = v; }
  bool UseImagesAsResources() const { return FUseImagesAsResources; }
  void SetUseImagesAsResources(bool v) { SetFlag(&TvnPreferences::FUseImagesAsResources, v); }
  TvnDocSettings* Parent() const { return FParent; }

 private:
  void SetFlag(bool TvnPreferences::*field, bool value);

  TvnDocSettings* FParent;
  bool FProcessAfterEachPage = false;
  bool FOutputToUserStream = false;
  bool FOpenAfterCreate = true;
  bool FEmailAfterCreate = false;
  bool FShowSetupDialog = true;
  bool FCalculateVariables = true;
  bool FUseImagesAsResources = true;
};

class TvnPlainSheetPreferences : public TvnPreferences {
 public:
  using TvnPreferences::TvnPreferences;
  bool ActiveHyperLinks = true;
};

// The document's author, title and so on.
class TvnDocInfo {
 public:
  explicit TvnDocInfo(TvnDocSettings* parent = nullptr) : FParent(parent) {}
  void Assign(const TvnDocInfo& source);

  const String& Author() const { return FAuthor; }
  void SetAuthor(const String& v) { SetText(&TvnDocInfo::FAuthor, v); }
  const String& Subject() const { return FSubject; }
  void SetSubject(const String& v) { SetText(&TvnDocInfo::FSubject, v); }
  const String& Creator() const { return FCreator; }
  void SetCreator(const String& v) { SetText(&TvnDocInfo::FCreator, v); }
  const String& Title() const { return FTitle; }
  void SetTitle(const String& v) { SetText(&TvnDocInfo::FTitle, v); }
  const String& Keywords() const { return FKeywords; }
  void SetKeywords(const String& v) { SetText(&TvnDocInfo::FKeywords, v); }

 private:
  void SetText(String TvnDocInfo::*field, const String& value);

  TvnDocSettings* FParent;
  String FCreator, FTitle, FKeywords, FAuthor, FSubject;
};

// Settings shared by several engines. Engines link and unlink themselves
// through their Settings property; the component forgets linked engines'
// links when it is destroyed.
class TvnDocSettings : public TvnBaseComponent {
 public:
  explicit TvnDocSettings(TvnBaseComponent* AOwner = nullptr);
  ~TvnDocSettings();
  TvnDocSettings(const TvnDocSettings&) = delete;
  TvnDocSettings& operator=(const TvnDocSettings&) = delete;

  const std::vector<TvnCustomDocumentEngine*>& EngineList() const { return FEngineList; }
  // Appends the engine and pushes the shared values into it.
  void AddEngine(TvnCustomDocumentEngine* engine);
  void RemoveEngine(TvnCustomDocumentEngine* engine);

  TColor BackgroundColor() const { return FBackgroundColor; }
  void SetBackgroundColor(TColor value);
  TvnBackgroundDisplayType BackgroundImageDisplayType() const { return FBackgroundDisplayType; }
  void SetBackgroundImageDisplayType(TvnBackgroundDisplayType value);
  const TPicture& BackgroundImage() const { return FBackgroundImage; }
  void SetBackgroundImage(const TPicture& value);
  TvnUnitType MeasurementUnit() const { return FMeasurementUnit; }
  void SetMeasurementUnit(TvnUnitType value);
  double NativeConversionFactor() const { return FNativeConversionFactor; }

  TvnDocInfo& DocInfo() { return FDocInfo; }
  TvnPreferences& Preferences() { return FPreferences; }
  TvnPageSettings& Page() { return FPage; }

 private:
  std::vector<TvnCustomDocumentEngine*> FEngineList;
  TColor FBackgroundColor = clWhite;
  TvnBackgroundDisplayType FBackgroundDisplayType = TvnBackgroundDisplayType::dtCenter;
  TvnDocInfo FDocInfo{this};
  TvnPreferences FPreferences{this};
  TPicture FBackgroundImage;
  TvnPageSettings FPage{this};
  TvnUnitType FMeasurementUnit = TvnUnitType::muPixels;
  double FNativeConversionFactor = 0;
};

}  // namespace vn::exporter
