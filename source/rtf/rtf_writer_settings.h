// The RTF writer's settings: page, paragraph, border, image, frame and
// text-effect settings, page bands, and the enumerations of the conversion.
// These are the writer's own classes, apart from the export engine's and the
// Word model's classes of the same names. Lengths are screen pixels; page
// settings and paragraph formatting keep them multiplied by a native factor
// and answer them divided by it again.
//
// Assign copies from an object of the same class; any other source raises
// EConvertError "Cannot assign a <source class> to a <target class>".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/canvas/canvas.h"

namespace vn::rtf::writer {

enum class TvnLineSpacing { lsExact, lsAtLeast, lsSingle, lsMultiple };
// Note the order: right comes before centre. Convert from same-named
// enumerations by name.
enum class TvnHAlignment { haLeft, haRight, haCenter, haJustify, haGeneral };
enum class TvnVAlignment { vaTop, vaCenter, vaBottom };
enum class TvnOutputImageFormat { ifBMP, ifJPEG, ifGIF, ifPNG, ifMetafile, ifCCITT3, ifCCITT4 };
enum class TvnRTFEncodingType { etFlowing, etPositionalAccuracy, etText };
enum class TvnTextRenderMode { trmFill, trmStroke, trmFillStroke };
enum class TvnTextRise { trNormal, trSuperscript, trSubscript };
enum class TvnCapabilityKind { ckText, ckImage, ckShape, ckHeader, ckFooter, ckWatermark, ckStamp, ckImageStretch, ckImageFrame, ckInputRes };
using TvnCapabilities = uint32_t;  // bit (1 << ordinal) per TvnCapabilityKind
enum class TvnItemsToRenderKind { irText, irImage, irShape };
using TvnItemsToRender = uint32_t;  // bit (1 << ordinal) per TvnItemsToRenderKind
// What follows a list number: "\levelfollow" 0, 1, 2.
enum class TvnListSpace { lsTab, lsSpace, lsNothing };
enum class TvnPaperSize {
  Letter, LetterSmall, Tabloid, Ledger, Legal, Statement, Executive, A3, A4, A4Small, A5, B4, B5, Folio, Quarto,
  ps10X14, ps11X17, Note, Env10, Env11, Env12, Env14, CSheet, DSheet, ESheet, EnvDL, EnvC5, EnvC3, EnvC4, EnvC6,
  EnvC65, EnvB4, EnvB5, EnvB6, EnvItaly, EnvMonarch, EnvPersonal, FanfoldUS, FanfoldStdGerman, ISOB4, Custom
};
enum class TPrinterOrientation { poPortrait, poLandscape };
enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

// One column of a column section (pixels).
struct TvnColumnSection {
  double RightSpace = 0;
  double ColumnWidth = 0;
};

// Left, top, right, bottom in pixels.
struct TvnRect {
  double Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const TvnRect&) const = default;
};

// Width and height in inches of a paper size; 0 x 0 for Custom.
struct PaperInches {
  double Width;
  double Height;
};
PaperInches PaperSizeInches(TvnPaperSize ASize);

// The root of the settings classes: Assign by class, with the cannot-assign
// error for any other source.
class TvnWriterPersistent {
 public:
  virtual ~TvnWriterPersistent() = default;
  virtual const char* ClassName() const = 0;
  virtual void Assign(const TvnWriterPersistent& Source);
};

class TvnPageSettings : public TvnWriterPersistent {
 public:
  // A4 portrait, native factor 1, bin 0, margins and header and footer 0.
  TvnPageSettings();
  const char* ClassName() const override { return "TvnPageSettings"; }
  // Paper size, width, height, footer and header heights, margins, bin and
  // orientation; not the native factor.
  void Assign(const TvnWriterPersistent& Source) override;

  TvnPaperSize PaperSize() const { return FPaperSize; }
  // Sets the width and height from the paper table (in pixels of the screen,
  // the native factor not applied), swapped in landscape; Custom keeps them.
  void SetPaperSize(TvnPaperSize AValue);
  TPrinterOrientation Orientation() const { return FOrientation; }
  // A change swaps width and height.
  void SetOrientation(TPrinterOrientation AValue);
  double Width() const { return FWidth / FNativeFactor; }
  void SetWidth(double AValue) { FWidth = AValue * FNativeFactor; }
  double Height() const { return FHeight / FNativeFactor; }
  void SetHeight(double AValue) { FHeight = AValue * FNativeFactor; }
  double LeftMargin() const { return FLeftMargin / FNativeFactor; }
  void SetLeftMargin(double AValue) { FLeftMargin = AValue * FNativeFactor; }
  double RightMargin() const { return FRightMargin / FNativeFactor; }
  void SetRightMargin(double AValue) { FRightMargin = AValue * FNativeFactor; }
  double TopMargin() const { return FTopMargin / FNativeFactor; }
  void SetTopMargin(double AValue) { FTopMargin = AValue * FNativeFactor; }
  double BottomMargin() const { return FBottomMargin / FNativeFactor; }
  void SetBottomMargin(double AValue) { FBottomMargin = AValue * FNativeFactor; }
  double HeaderHeight() const { return FHeaderHeight / FNativeFactor; }
  void SetHeaderHeight(double AValue) { FHeaderHeight = AValue * FNativeFactor; }
  double FooterHeight() const { return FFooterHeight / FNativeFactor; }
  void SetFooterHeight(double AValue) { FFooterHeight = AValue * FNativeFactor; }
  int32_t BinNumber() const { return FBinNumber; }
  void SetBinNumber(int32_t AValue) { FBinNumber = AValue; }
  double NativeFactor() const { return FNativeFactor; }
  void SetNativeFactor(double AValue) { FNativeFactor = AValue; }

 private:
  double FFooterHeight = 0, FWidth = 0, FBottomMargin = 0, FTopMargin = 0, FHeight = 0, FRightMargin = 0,
         FLeftMargin = 0, FHeaderHeight = 0;
  TvnPaperSize FPaperSize = TvnPaperSize::A4;
  TPrinterOrientation FOrientation = TPrinterOrientation::poPortrait;
  int32_t FBinNumber = 0;
  double FNativeFactor = 1;
};

class TvnBorder : public TvnWriterPersistent {
 public:
  const char* ClassName() const override { return "TvnBorder"; }
  // The four side flags, width, colour and style.
  void Assign(const TvnWriterPersistent& Source) override;

  bool DrawBottom = false, DrawLeft = false, DrawTop = false, DrawRight = false;
  int32_t Width = 1;
  platform::Color Color = 0;
  platform::PenStyle Style = platform::PenStyle::Solid;
};

class TvnParaBorder : public TvnBorder {
 public:
  const char* ClassName() const override { return "TvnParaBorder"; }
  // The border's fields and the space from text.
  void Assign(const TvnWriterPersistent& Source) override;

  int32_t SpaceFromText = 0;
};

class TvnTextFormatting : public TvnWriterPersistent {
 public:
  // Line spacing 0.1 exact and in use, native factor 1, left aligned.
  TvnTextFormatting();
  const char* ClassName() const override { return "TvnTextFormatting"; }
  // Every field but the native factor, the after-space included.
  void Assign(const TvnWriterPersistent& Source) override;

  double BeforeSpace() const { return FBeforeSpace / FNativeFactor; }
  void SetBeforeSpace(double AValue) { FBeforeSpace = AValue * FNativeFactor; }
  double LeftIndent() const { return FLeftIndent / FNativeFactor; }
  void SetLeftIndent(double AValue) { FLeftIndent = AValue * FNativeFactor; }
  double RightIndent() const { return FRightIndent / FNativeFactor; }
  void SetRightIndent(double AValue) { FRightIndent = AValue * FNativeFactor; }
  double FirstLineIndent() const { return FFirstLineIndent / FNativeFactor; }
  void SetFirstLineIndent(double AValue) { FFirstLineIndent = AValue * FNativeFactor; }
  double LineSpacing() const { return FLineSpacing / FNativeFactor; }
  void SetLineSpacing(double AValue) { FLineSpacing = AValue * FNativeFactor; }
  // Kept as given, without the native factor.
  double AfterSpace() const { return FAfterSpace; }
  void SetAfterSpace(double AValue) { FAfterSpace = AValue; }
  bool UseLineSpacing() const { return FUseLineSpacing; }
  void SetUseLineSpacing(bool AValue) { FUseLineSpacing = AValue; }
  TvnHAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TvnHAlignment AValue) { FAlignment = AValue; }
  TvnLineSpacing LineSpacingOption() const { return FLineSpacingOption; }
  void SetLineSpacingOption(TvnLineSpacing AValue) { FLineSpacingOption = AValue; }
  const TvnParaBorder& Border() const { return *FBorder; }
  TvnParaBorder& Border() { return *FBorder; }
  // Assigns into the owned border.
  void SetBorder(const TvnParaBorder& AValue) { FBorder->Assign(AValue); }
  double NativeFactor() const { return FNativeFactor; }
  void SetConversionFactor(double ANativeFactor) { FNativeFactor = ANativeFactor; }

 private:
  double FBeforeSpace = 0, FAfterSpace = 0, FLeftIndent = 0, FRightIndent = 0, FFirstLineIndent = 0, FLineSpacing = 0.1;
  TvnHAlignment FAlignment = TvnHAlignment::haLeft;
  std::unique_ptr<TvnParaBorder> FBorder;
  double FNativeFactor = 1;
  bool FUseLineSpacing = true;
  TvnLineSpacing FLineSpacingOption = TvnLineSpacing::lsExact;
};

class TvnImageSettings : public TvnWriterPersistent {
 public:
  // Source resolution the screen's, JPEG quality 100, 24 bits, bitmap output.
  TvnImageSettings();
  const char* ClassName() const override { return "TvnImageSettings"; }
  // Every field.
  void Assign(const TvnWriterPersistent& Source) override;

  bool Center = false, Autosize = false, Stretch = false, Transparent = false, KeepAspectRatio = false;
  int32_t Inclination = 0;
  bool IsFrame = false;
  TvnOutputImageFormat OutputImageFormat = TvnOutputImageFormat::ifBMP;
  TPixelFormat ImagePixelFormat = TPixelFormat::pf24bit;
  int32_t JPEGQuality = 100;  // 1 to 100
  int32_t SourceDPI = 0;
  bool BehindText = false;
};

class TvnFrame : public TvnWriterPersistent {
 public:
  const char* ClassName() const override { return "TvnFrame"; }
  // The four flags and the internal margins.
  void Assign(const TvnWriterPersistent& Source) override;

  bool IsLeft = true, IsRight = true, IsTop = true, IsBottom = true;
  TvnRect InternalMargin;
};

class TvnTextEffects : public TvnWriterPersistent {
 public:
  const char* ClassName() const override { return "TvnTextEffects"; }
  void Assign(const TvnWriterPersistent& Source) override;

  TvnTextRenderMode TextRenderMode = TvnTextRenderMode::trmFill;
  TvnTextRise TextRise = TvnTextRise::trNormal;
};

// A band of a page: lists of items it does not own (borrowed from the
// page's source; the band never frees them), and its vertical offset.
class TvnBandItem {
 public:
  virtual ~TvnBandItem() = default;
  std::vector<void*> DocumentItems;
  std::vector<void*> TextItems;
  double OffsetY = 0;
};

// A page band with page settings of its own.
class TvnPageItem : public TvnBandItem {
 public:
  TvnPageSettings& Settings() { return FSettings; }
  const TvnPageSettings& Settings() const { return FSettings; }

 private:
  TvnPageSettings FSettings;
};

// The writer's section settings: none of its own.
class TvnSection {};

}  // namespace vn::rtf::writer
