#include "rtf/rtf_writer_settings.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "runtime/exceptions.h"

namespace vn::rtf::rtf_writer_settings_test {

using writer::TPrinterOrientation;
using writer::TvnPageSettings;
using writer::TvnPaperSize;

TEST(RtfWriterPageSettings, PaperTableInScreenPixels) {
  struct Case {
    TvnPaperSize size;
    double width, height;  // inches
  };
  const Case cases[] = {
      {TvnPaperSize::Letter, 8.5, 11},          {TvnPaperSize::LetterSmall, 8.5, 11},
      {TvnPaperSize::Tabloid, 11, 17},          {TvnPaperSize::Ledger, 17, 11},
      {TvnPaperSize::Legal, 8.5, 14},           {TvnPaperSize::Statement, 5.5, 8.5},
      {TvnPaperSize::Executive, 7.25, 10.5},    {TvnPaperSize::A3, 11.6929, 16.5354},
      {TvnPaperSize::A4, 8.2677, 11.6929},      {TvnPaperSize::A4Small, 8.2677, 11.6929},
      {TvnPaperSize::A5, 5.8267, 8.2677},       {TvnPaperSize::B4, 9.8425, 13.8976},
      {TvnPaperSize::B5, 6.9291, 9.8425},       {TvnPaperSize::Folio, 8.5, 13},
      {TvnPaperSize::Quarto, 8.4645, 10.8267},  {TvnPaperSize::ps10X14, 10, 14},
      {TvnPaperSize::ps11X17, 11, 17},          {TvnPaperSize::Note, 8.5, 11},
      {TvnPaperSize::Env10, 4.125, 9.5},        {TvnPaperSize::Env11, 4.5, 10.375},
      {TvnPaperSize::Env12, 4.75, 11},          {TvnPaperSize::Env14, 5, 11.5},
      {TvnPaperSize::CSheet, 17, 22},           {TvnPaperSize::DSheet, 22, 34},
      {TvnPaperSize::ESheet, 34, 44},           {TvnPaperSize::EnvDL, 4.3307, 8.6614},
      {TvnPaperSize::EnvC5, 6.3779, 9.0157},    {TvnPaperSize::EnvC3, 12.7559, 18.0314},
      {TvnPaperSize::EnvC4, 9.0157, 12.7559},   {TvnPaperSize::EnvC6, 4.4881, 6.3779},
      {TvnPaperSize::EnvC65, 4.4881, 9.0157},   {TvnPaperSize::EnvB4, 9.8425, 13.8976},
      {TvnPaperSize::EnvB5, 6.9291, 9.8425},    {TvnPaperSize::EnvB6, 6.9291, 4.9212},
      {TvnPaperSize::EnvItaly, 4.3307, 9.0551}, {TvnPaperSize::EnvMonarch, 3.875, 7.5},
      {TvnPaperSize::EnvPersonal, 3.625, 6.5},  {TvnPaperSize::FanfoldUS, 14.875, 11},
      {TvnPaperSize::FanfoldStdGerman, 8.5, 12}, {TvnPaperSize::ISOB4, 9.8425, 13.8976},
  };
  static_assert(std::size(cases) == 40, "every size but Custom");
  for (const Case& c : cases) {
    TvnPageSettings settings;
    settings.SetNativeFactor(2);  // the paper size is not scaled by the factor
    settings.SetPaperSize(c.size);
    EXPECT_NEAR(settings.Width(), c.width * 96 / 2, 1e-9) << static_cast<int>(c.size);
    EXPECT_NEAR(settings.Height(), c.height * 96 / 2, 1e-9) << static_cast<int>(c.size);
  }
}

TEST(RtfWriterPageSettings, DefaultsOrientationAndCustom) {
  TvnPageSettings settings;
  EXPECT_EQ(settings.PaperSize(), TvnPaperSize::A4);
  EXPECT_EQ(settings.Orientation(), TPrinterOrientation::poPortrait);
  EXPECT_NEAR(settings.Width(), 793.7, 0.05);
  EXPECT_NEAR(settings.Height(), 1122.5, 0.05);
  EXPECT_EQ(settings.LeftMargin() + settings.TopMargin() + settings.HeaderHeight() + settings.FooterHeight(), 0);

  settings.SetOrientation(TPrinterOrientation::poLandscape);
  EXPECT_NEAR(settings.Width(), 1122.5, 0.05);
  settings.SetOrientation(TPrinterOrientation::poLandscape);  // no change: no second swap
  EXPECT_NEAR(settings.Width(), 1122.5, 0.05);
  settings.SetPaperSize(TvnPaperSize::Letter);  // in landscape the table's sides change places
  EXPECT_DOUBLE_EQ(settings.Width(), 11 * 96);
  EXPECT_DOUBLE_EQ(settings.Height(), 8.5 * 96);
  settings.SetPaperSize(TvnPaperSize::Custom);
  EXPECT_DOUBLE_EQ(settings.Width(), 11 * 96);
  EXPECT_EQ(settings.PaperSize(), TvnPaperSize::Custom);
}

TEST(RtfWriterPageSettings, LengthsAreKeptTimesTheNativeFactor) {
  TvnPageSettings settings;
  settings.SetNativeFactor(2);
  settings.SetLeftMargin(10);
  settings.SetBinNumber(3);
  EXPECT_DOUBLE_EQ(settings.LeftMargin(), 10);
  settings.SetNativeFactor(1);
  EXPECT_DOUBLE_EQ(settings.LeftMargin(), 20);  // stored as 20
  EXPECT_EQ(settings.BinNumber(), 3);

  writer::TvnTextFormatting formatting;
  formatting.SetConversionFactor(4);
  formatting.SetFirstLineIndent(5);
  formatting.SetAfterSpace(7);
  formatting.SetConversionFactor(1);
  EXPECT_DOUBLE_EQ(formatting.FirstLineIndent(), 20);
  EXPECT_DOUBLE_EQ(formatting.AfterSpace(), 7);  // the after-space takes no factor
}

TEST(RtfWriterSettingsAssign, CopiesWhatEachClassCopies) {
  TvnPageSettings page;
  page.SetNativeFactor(3);
  page.SetOrientation(TPrinterOrientation::poLandscape);
  page.SetPaperSize(TvnPaperSize::Legal);
  page.SetLeftMargin(1);
  page.SetRightMargin(2);
  page.SetTopMargin(3);
  page.SetBottomMargin(4);
  page.SetHeaderHeight(5);
  page.SetFooterHeight(6);
  page.SetBinNumber(7);
  TvnPageSettings pageCopy;
  pageCopy.Assign(page);
  EXPECT_EQ(pageCopy.PaperSize(), TvnPaperSize::Legal);
  EXPECT_EQ(pageCopy.Orientation(), TPrinterOrientation::poLandscape);
  EXPECT_DOUBLE_EQ(pageCopy.Width(), 14 * 96 / 3.0);
  EXPECT_DOUBLE_EQ(pageCopy.Height(), page.Height());
  EXPECT_EQ(pageCopy.LeftMargin() + pageCopy.RightMargin() + pageCopy.TopMargin() + pageCopy.BottomMargin(), 10);
  EXPECT_DOUBLE_EQ(pageCopy.HeaderHeight(), 5);
  EXPECT_DOUBLE_EQ(pageCopy.FooterHeight(), 6);
  EXPECT_EQ(pageCopy.BinNumber(), 7);
  EXPECT_EQ(pageCopy.NativeFactor(), 1);  // not the native factor

  writer::TvnTextFormatting formatting;
  formatting.SetConversionFactor(2);
  formatting.SetBeforeSpace(1);
  formatting.SetLeftIndent(2);
  formatting.SetRightIndent(3);
  formatting.SetFirstLineIndent(4);
  formatting.SetLineSpacing(5);
  formatting.SetAfterSpace(6);
  formatting.SetAlignment(writer::TvnHAlignment::haCenter);
  formatting.SetUseLineSpacing(false);
  formatting.SetLineSpacingOption(writer::TvnLineSpacing::lsMultiple);
  formatting.Border().DrawTop = true;
  formatting.Border().SpaceFromText = 9;
  writer::TvnTextFormatting formattingCopy;
  formattingCopy.Assign(formatting);
  EXPECT_EQ(formattingCopy.NativeFactor(), 1);
  EXPECT_EQ(formattingCopy.BeforeSpace() + formattingCopy.LeftIndent() + formattingCopy.RightIndent() +
                formattingCopy.FirstLineIndent() + formattingCopy.LineSpacing(),
            15);
  EXPECT_EQ(formattingCopy.AfterSpace(), 6);
  EXPECT_EQ(formattingCopy.Alignment(), writer::TvnHAlignment::haCenter);
  EXPECT_FALSE(formattingCopy.UseLineSpacing());
  EXPECT_EQ(formattingCopy.LineSpacingOption(), writer::TvnLineSpacing::lsMultiple);
  EXPECT_TRUE(formattingCopy.Border().DrawTop);
  EXPECT_EQ(formattingCopy.Border().SpaceFromText, 9);
  EXPECT_NE(&formattingCopy.Border(), &formatting.Border());  // assigned into its own border

  writer::TvnImageSettings image;
  EXPECT_EQ(image.SourceDPI, 96);
  EXPECT_EQ(image.JPEGQuality, 100);
  EXPECT_EQ(image.ImagePixelFormat, writer::TPixelFormat::pf24bit);
  image.OutputImageFormat = writer::TvnOutputImageFormat::ifPNG;
  image.Inclination = 30;
  image.BehindText = image.Stretch = image.IsFrame = true;
  image.JPEGQuality = 40;
  writer::TvnImageSettings imageCopy;
  imageCopy.Assign(image);
  EXPECT_EQ(imageCopy.OutputImageFormat, writer::TvnOutputImageFormat::ifPNG);
  EXPECT_EQ(imageCopy.Inclination, 30);
  EXPECT_TRUE(imageCopy.BehindText && imageCopy.Stretch && imageCopy.IsFrame);
  EXPECT_EQ(imageCopy.JPEGQuality, 40);

  writer::TvnFrame frame;
  frame.IsLeft = false;
  frame.InternalMargin = {1, 2, 3, 4};
  writer::TvnFrame frameCopy;
  frameCopy.Assign(frame);
  EXPECT_FALSE(frameCopy.IsLeft);
  EXPECT_TRUE(frameCopy.IsRight);
  EXPECT_EQ(frameCopy.InternalMargin, (writer::TvnRect{1, 2, 3, 4}));

  writer::TvnTextEffects effects;
  effects.TextRise = writer::TvnTextRise::trSubscript;
  effects.TextRenderMode = writer::TvnTextRenderMode::trmStroke;
  writer::TvnTextEffects effectsCopy;
  effectsCopy.Assign(effects);
  EXPECT_EQ(effectsCopy.TextRise, writer::TvnTextRise::trSubscript);
  EXPECT_EQ(effectsCopy.TextRenderMode, writer::TvnTextRenderMode::trmStroke);

  // A plain border into a paragraph border copies the border's fields only.
  writer::TvnBorder border;
  border.Width = 3;
  border.Color = 0xFF;
  border.Style = platform::PenStyle::Dot;
  writer::TvnParaBorder paraBorder;
  paraBorder.SpaceFromText = 4;
  paraBorder.Assign(border);
  EXPECT_EQ(paraBorder.Width, 3);
  EXPECT_EQ(paraBorder.Color, 0xFFu);
  EXPECT_EQ(paraBorder.Style, platform::PenStyle::Dot);
  EXPECT_EQ(paraBorder.SpaceFromText, 4);
}

TEST(RtfWriterSettingsAssign, AnotherClassCannotBeAssigned) {
  struct Case {
    std::function<std::unique_ptr<writer::TvnWriterPersistent>()> target, source;
    const char* message;
  };
  const Case cases[] = {
      {[] { return std::make_unique<TvnPageSettings>(); }, [] { return std::make_unique<writer::TvnFrame>(); },
       "Cannot assign a TvnFrame to a TvnPageSettings"},
      {[] { return std::make_unique<writer::TvnParaBorder>(); },
       [] { return std::make_unique<writer::TvnTextEffects>(); }, "Cannot assign a TvnTextEffects to a TvnParaBorder"},
      {[] { return std::make_unique<writer::TvnImageSettings>(); },
       [] { return std::make_unique<writer::TvnTextFormatting>(); },
       "Cannot assign a TvnTextFormatting to a TvnImageSettings"},
  };
  for (const Case& c : cases) {
    try {
      c.target()->Assign(*c.source());
      ADD_FAILURE() << c.message;
    } catch (const EConvertError& error) {
      EXPECT_STREQ(error.what(), c.message);
    }
  }
}

}  // namespace vn::rtf::rtf_writer_settings_test
