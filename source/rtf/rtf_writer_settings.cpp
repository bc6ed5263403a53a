#include "rtf/rtf_writer_settings.h"

#include <array>
#include <utility>

#include "rtf/rtf_writer_utils.h"
#include "runtime/exceptions.h"

namespace vn::rtf::writer {

namespace {

// Width x height in inches, in the order of TvnPaperSize.
constexpr std::array<PaperInches, 41> kPaperInches = {{
    {8.5, 11},           // Letter
    {8.5, 11},           // LetterSmall
    {11, 17},            // Tabloid
    {17, 11},            // Ledger
    {8.5, 14},           // Legal
    {5.5, 8.5},          // Statement
    {7.25, 10.5},        // Executive
    {11.6929, 16.5354},  // A3
    {8.2677, 11.6929},   // A4
    {8.2677, 11.6929},   // A4Small
    {5.8267, 8.2677},    // A5
    {9.8425, 13.8976},   // B4
    {6.9291, 9.8425},    // B5
    {8.5, 13},           // Folio
    {8.4645, 10.8267},   // Quarto
    {10, 14},            // ps10X14
    {11, 17},            // ps11X17
    {8.5, 11},           // Note
    {4.125, 9.5},        // Env10
    {4.5, 10.375},       // Env11
    {4.75, 11},          // Env12
    {5, 11.5},           // Env14
    {17, 22},            // CSheet
    {22, 34},            // DSheet
    {34, 44},            // ESheet
    {4.3307, 8.6614},    // EnvDL
    {6.3779, 9.0157},    // EnvC5
    {12.7559, 18.0314},  // EnvC3
    {9.0157, 12.7559},   // EnvC4
    {4.4881, 6.3779},    // EnvC6
    {4.4881, 9.0157},    // EnvC65
    {9.8425, 13.8976},   // EnvB4
    {6.9291, 9.8425},    // EnvB5
    {6.9291, 4.9212},    // EnvB6
    {4.3307, 9.0551},    // EnvItaly
    {3.875, 7.5},        // EnvMonarch
    {3.625, 6.5},        // EnvPersonal
    {14.875, 11},        // FanfoldUS
    {8.5, 12},           // FanfoldStdGerman
    {9.8425, 13.8976},   // ISOB4
    {0, 0},              // Custom
}};

}  // namespace

PaperInches PaperSizeInches(TvnPaperSize ASize) { return kPaperInches.at(static_cast<size_t>(ASize)); }

void TvnWriterPersistent::Assign(const TvnWriterPersistent& Source) {
  throw EConvertError(std::string("Cannot assign a ") + Source.ClassName() + " to a " + ClassName());
}

TvnPageSettings::TvnPageSettings() { SetPaperSize(TvnPaperSize::A4); }

void TvnPageSettings::SetPaperSize(TvnPaperSize AValue) {
  FPaperSize = AValue;
  if (AValue == TvnPaperSize::Custom) return;
  const PaperInches inches = PaperSizeInches(AValue);
  FWidth = inches.Width * 72 * PixelsPerPoint;
  FHeight = inches.Height * 72 * PixelsPerPoint;
  if (FOrientation == TPrinterOrientation::poLandscape) std::swap(FWidth, FHeight);
}

void TvnPageSettings::SetOrientation(TPrinterOrientation AValue) {
  if (AValue != FOrientation) std::swap(FWidth, FHeight);
  FOrientation = AValue;
}

void TvnPageSettings::Assign(const TvnWriterPersistent& Source) {
  const auto* source = dynamic_cast<const TvnPageSettings*>(&Source);
  if (source == nullptr) return TvnWriterPersistent::Assign(Source);
  // Lengths go through the properties: each side keeps them times its own
  // native factor, which is not copied.
  FPaperSize = source->FPaperSize;
  FOrientation = source->FOrientation;
  SetWidth(source->Width());
  SetHeight(source->Height());
  SetFooterHeight(source->FooterHeight());
  SetHeaderHeight(source->HeaderHeight());
  SetLeftMargin(source->LeftMargin());
  SetRightMargin(source->RightMargin());
  SetTopMargin(source->TopMargin());
  SetBottomMargin(source->BottomMargin());
  FBinNumber = source->FBinNumber;
}

void TvnBorder::Assign(const TvnWriterPersistent& Source) {
  const auto* source = dynamic_cast<const TvnBorder*>(&Source);
  if (source == nullptr) return TvnWriterPersistent::Assign(Source);
  DrawBottom = source->DrawBottom;
  DrawLeft = source->DrawLeft;
  DrawTop = source->DrawTop;
  DrawRight = source->DrawRight;
  Width = source->Width;
  Color = source->Color;
  Style = source->Style;
}

void TvnParaBorder::Assign(const TvnWriterPersistent& Source) {
  TvnBorder::Assign(Source);
  if (const auto* source = dynamic_cast<const TvnParaBorder*>(&Source)) SpaceFromText = source->SpaceFromText;
}

TvnTextFormatting::TvnTextFormatting() : FBorder(std::make_unique<TvnParaBorder>()) {}

void TvnTextFormatting::Assign(const TvnWriterPersistent& Source) {
  const auto* source = dynamic_cast<const TvnTextFormatting*>(&Source);
  if (source == nullptr) return TvnWriterPersistent::Assign(Source);
  SetBeforeSpace(source->BeforeSpace());
  SetFirstLineIndent(source->FirstLineIndent());
  SetLeftIndent(source->LeftIndent());
  SetRightIndent(source->RightIndent());
  SetLineSpacing(source->LineSpacing());
  FAfterSpace = source->FAfterSpace;
  FAlignment = source->FAlignment;
  FBorder->Assign(*source->FBorder);
  FUseLineSpacing = source->FUseLineSpacing;
  FLineSpacingOption = source->FLineSpacingOption;
}

TvnImageSettings::TvnImageSettings() : SourceDPI(ScreenPixelsPerInch) {}

void TvnImageSettings::Assign(const TvnWriterPersistent& Source) {
  const auto* source = dynamic_cast<const TvnImageSettings*>(&Source);
  if (source == nullptr) return TvnWriterPersistent::Assign(Source);
  Center = source->Center;
  Autosize = source->Autosize;
  Stretch = source->Stretch;
  Transparent = source->Transparent;
  KeepAspectRatio = source->KeepAspectRatio;
  Inclination = source->Inclination;
  IsFrame = source->IsFrame;
  OutputImageFormat = source->OutputImageFormat;
  ImagePixelFormat = source->ImagePixelFormat;
  JPEGQuality = source->JPEGQuality;
  SourceDPI = source->SourceDPI;
  BehindText = source->BehindText;
}

void TvnFrame::Assign(const TvnWriterPersistent& Source) {
  const auto* source = dynamic_cast<const TvnFrame*>(&Source);
  if (source == nullptr) return TvnWriterPersistent::Assign(Source);
  IsLeft = source->IsLeft;
  IsRight = source->IsRight;
  IsTop = source->IsTop;
  IsBottom = source->IsBottom;
  InternalMargin = source->InternalMargin;
}

void TvnTextEffects::Assign(const TvnWriterPersistent& Source) {
  const auto* source = dynamic_cast<const TvnTextEffects*>(&Source);
  if (source == nullptr) return TvnWriterPersistent::Assign(Source);
  TextRenderMode = source->TextRenderMode;
  TextRise = source->TextRise;
}

}  // namespace vn::rtf::writer
