// Settings and items of the export engine: paper table and orientation,
// lengths in the measurement unit, settings shared by several engines,
// preferences, outline entries and the item constructors.
#include <gtest/gtest.h>

#include "recording_engine.h"
#include "runtime/exceptions.h"

namespace vn::exporter::engine_settings_test {
namespace {

using testing::RecordingEngine;

// Page settings read in inches.
TvnPageSettings InchPage() {
  TvnPageSettings page;
  page.SetNativeFactor(GetPixelsPerUnit(TvnUnitType::muInches));
  return page;
}

TEST(PageSettings, NewPageIsA4Portrait) {
  TvnPageSettings page = InchPage();
  EXPECT_EQ(page.PaperSize(), TvnPaperSize::A4);
  EXPECT_EQ(page.Orientation(), TPrinterOrientation::poPortrait);
  EXPECT_NEAR(page.Width(), 8.2677, 1e-9);
  EXPECT_NEAR(page.Height(), 11.6929, 1e-9);
  EXPECT_EQ(page.LeftMargin(), 0);
}

TEST(PageSettings, PaperTableKeepsItsOddEntries) {
  struct Case {
    TvnPaperSize size;
    double w, h;
  };
  for (const Case& c : {Case{TvnPaperSize::ps11X17, 10, 17}, Case{TvnPaperSize::EnvC4, 9.1057, 12.7559},
                        Case{TvnPaperSize::EnvB6, 6.9291, 4.9212}, Case{TvnPaperSize::Ledger, 17, 11},
                        Case{TvnPaperSize::FanfoldUS, 14.875, 11}, Case{TvnPaperSize::Letter, 8.5, 11}}) {
    TvnPageSettings page = InchPage();
    page.SetPaperSize(c.size);
    EXPECT_NEAR(page.Width(), c.w, 1e-9);
    EXPECT_NEAR(page.Height(), c.h, 1e-9);
  }
}

TEST(PageSettings, OrientationSwapsWidthAndHeight) {
  TvnPageSettings page = InchPage();
  page.SetOrientation(TPrinterOrientation::poLandscape);
  page.SetPaperSize(TvnPaperSize::Letter);
  EXPECT_NEAR(page.Width(), 11, 1e-9);
  EXPECT_NEAR(page.Height(), 8.5, 1e-9);
  page.SetOrientation(TPrinterOrientation::poPortrait);
  EXPECT_NEAR(page.Width(), 8.5, 1e-9);
  page.SetOrientation(TPrinterOrientation::poPortrait);  // same value: nothing
  EXPECT_NEAR(page.Width(), 8.5, 1e-9);
  EXPECT_NEAR(page.Height(), 11, 1e-9);
}

TEST(PageSettings, WidthAndHeightChangeOnlyForCustomPaper) {
  TvnPageSettings page = InchPage();
  page.SetWidth(3);
  EXPECT_NEAR(page.Width(), 8.2677, 1e-9);
  page.SetPaperSize(TvnPaperSize::Custom);
  EXPECT_NEAR(page.Width(), 8.2677, 1e-9);  // Custom keeps the size
  page.SetWidth(3);
  page.SetHeight(4);
  EXPECT_NEAR(page.Width(), 3, 1e-9);
  EXPECT_NEAR(page.NativeWidth(), 288, 1e-9);
  EXPECT_NEAR(page.Height(), 4, 1e-9);
}

TEST(PageSettings, AssignCopiesValuesButNotTheFactor) {
  TvnPageSettings source = InchPage();
  source.SetLeftMargin(1);
  source.SetBinNumber(3);
  TvnPageSettings copy;
  copy.Assign(source);
  EXPECT_EQ(copy.NativeFactor(), 1.0);
  EXPECT_NEAR(copy.LeftMargin(), 96, 1e-9);  // read in pixels
  EXPECT_EQ(copy.BinNumber(), 3);
}

TEST(SharedSettings, PageValuesFollowOnlyWhileEqual) {
  TvnDocSettings shared;
  RecordingEngine a, b;
  a.SetSettings(&shared);
  b.SetSettings(&shared);
  EXPECT_EQ(a.MeasurementUnit(), TvnUnitType::muPixels);  // pushed on linking
  b.Page().SetLeftMargin(7);
  shared.Page().SetLeftMargin(20);
  EXPECT_EQ(a.Page().LeftMargin(), 20);
  EXPECT_EQ(b.Page().LeftMargin(), 7);
  shared.Page().SetPaperSize(TvnPaperSize::Letter);
  EXPECT_EQ(a.Page().PaperSize(), TvnPaperSize::Letter);
  EXPECT_NEAR(a.Page().Width(), 8.5 * 96, 1e-9);
  shared.Page().SetOrientation(TPrinterOrientation::poLandscape);
  EXPECT_NEAR(b.Page().Width(), 11 * 96, 1e-9);
  shared.SetMeasurementUnit(TvnUnitType::muInches);
  EXPECT_EQ(a.MeasurementUnit(), TvnUnitType::muInches);
  EXPECT_NEAR(shared.Page().LeftMargin(), 20.0 / 96, 1e-9);
  shared.SetBackgroundColor(0x123456);
  EXPECT_EQ(b.BackgroundColor(), 0x123456u);
}

TEST(SharedSettings, PreferencesFollowOnlyWhileEqual) {
  TvnDocSettings shared;
  RecordingEngine a, b;
  shared.Preferences().SetOpenAfterCreate(true);
  a.SetSettings(&shared);
  b.SetSettings(&shared);
  EXPECT_TRUE(a.Preferences().OpenAfterCreate());
  b.Preferences().SetOpenAfterCreate(false);
  shared.Preferences().SetOpenAfterCreate(false);
  EXPECT_FALSE(a.Preferences().OpenAfterCreate());
  EXPECT_FALSE(b.Preferences().OpenAfterCreate());
  // b's own False now equals the shared value, so b follows again.
  shared.Preferences().SetOpenAfterCreate(true);
  EXPECT_TRUE(a.Preferences().OpenAfterCreate());
  EXPECT_TRUE(b.Preferences().OpenAfterCreate());
  // CalculateVariables is not passed on.
  shared.Preferences().SetCalculateVariables(false);
  EXPECT_TRUE(a.Preferences().CalculateVariables());
  // Document information follows the same rule.
  b.DocInfo().SetAuthor(u"own");
  shared.DocInfo().SetAuthor(u"shared");
  EXPECT_EQ(a.DocInfo().Author(), u"shared");
  EXPECT_EQ(b.DocInfo().Author(), u"own");
}

TEST(SharedSettings, LinksEndWithEitherSide) {
  RecordingEngine kept;
  {
    TvnDocSettings shared;
    kept.SetSettings(&shared);
    {
      RecordingEngine gone;
      gone.SetSettings(&shared);
      EXPECT_EQ(shared.EngineList().size(), 2u);
    }
    EXPECT_EQ(shared.EngineList().size(), 1u);
    TvnDocSettings other;
    kept.SetSettings(&other);
    EXPECT_TRUE(shared.EngineList().empty());
    kept.SetSettings(&shared);
  }
  EXPECT_EQ(kept.Settings(), nullptr);
}

TEST(Preferences, Defaults) {
  TvnPreferences p;
  EXPECT_TRUE(p.OpenAfterCreate());
  EXPECT_TRUE(p.ShowSetupDialog());
  EXPECT_TRUE(p.CalculateVariables());
  EXPECT_TRUE(p.UseImagesAsResources());
  EXPECT_FALSE(p.ProcessAfterEachPage());
  EXPECT_FALSE(p.OutputToUserStream());
  EXPECT_FALSE(p.EmailAfterCreate());
  EXPECT_TRUE(TvnPlainSheetPreferences().ActiveHyperLinks);
  RecordingEngine e;
  EXPECT_TRUE(e.Preferences().ActiveHyperLinks);  // the plain-sheet kind
}

TEST(EngineProperties, SettersCopyAndScale) {
  RecordingEngine e;  // inches
  {
    TvnTextFormatting given;  // read in pixels
    given.SetLeftIndent(1);
    given.SetFirstLineIndent(0.5);
    given.LineSpacing = 2;
    e.SetTextFormatting(given);
  }
  EXPECT_NEAR(e.TextFormatting().LeftIndent(), 1, 1e-12);
  EXPECT_NEAR(e.TextFormatting().FirstLineIndent(), 0.5, 1e-12);
  EXPECT_EQ(e.TextFormatting().LineSpacing, 2);
  {
    TvnTableSettings given;
    given.SetColumnWidth(2);
    given.SetInternalMargin({1, 1, 1, 1});
    given.EnableTitle = true;
    e.SetTableSettings(given);
  }
  EXPECT_NEAR(e.TableSettings().ColumnWidth(), 2, 1e-12);
  EXPECT_NEAR(e.TableSettings().NativeColumnWidth(), 192, 1e-12);
  EXPECT_NEAR(e.TableSettings().InternalMargin().Left, 1, 1e-12);
  EXPECT_TRUE(e.TableSettings().EnableTitle);
  {
    TvnBorder border;
    border.DrawTop = true;
    border.Width = 3;
    e.SetPageBorder(border);
  }
  EXPECT_TRUE(e.PageBorder().DrawTop);
  EXPECT_EQ(e.PageBorder().Width, 3);
  // The engine's frame margin is read in the measurement unit.
  e.Frame().SetInternalMargin({1, 0, 0.5, 0});
  EXPECT_NEAR(e.Frame().NativeInternalMargin().Left, 96, 1e-12);
  EXPECT_NEAR(e.Frame().InternalMargin().Right, 0.5, 1e-12);
}

TEST(ImageSettings, FormatRefusedByTheEngineKeepsTheOldValue) {
  RecordingEngine e;
  try {
    e.ImageSettings().SetOutputImageFormat(TvnOutputImageFormat::ifGIF);
    FAIL() << "no exception";
  } catch (const vn::ExInvalidImageFormat& error) {
    EXPECT_EQ(vn::ToUtf8(error.Message()), "Invalid Image Format");
  }
  EXPECT_EQ(e.ImageSettings().OutputImageFormat(), TvnOutputImageFormat::ifJPEG);
  e.ImageSettings().SetOutputImageFormat(TvnOutputImageFormat::ifPNG);
  EXPECT_EQ(e.ImageSettings().OutputImageFormat(), TvnOutputImageFormat::ifPNG);
  // Without an engine nothing is asked.
  TvnImageSettings free_standing;
  free_standing.SetOutputImageFormat(TvnOutputImageFormat::ifGIF);
  EXPECT_EQ(free_standing.OutputImageFormat(), TvnOutputImageFormat::ifGIF);
  EXPECT_EQ(free_standing.SourceDPI, 96);
}

TEST(Outline, EntriesNeedAValidParentAndPage) {
  RecordingEngine e;
  EXPECT_EQ(e.AddTOCItem(u"x", -1, 1, 0), -1);  // no document
  e.BeginDoc();
  EXPECT_EQ(e.AddTOCItem(u"x", 0, 1, 0), -1);  // no entry 0 yet
  EXPECT_EQ(e.AddTOCItem(u"top", -1, 1, 12.5), 0);
  EXPECT_EQ(e.AddTOCItem(u"x", -1, 0, 0), -1);
  EXPECT_EQ(e.AddTOCItem(u"x", -1, 2, 0), -1);  // beyond PageCount
  EXPECT_EQ(e.AddTOCItem(u"x", -2, 1, 0), -1);
  EXPECT_EQ(e.AddTOCItem(u"link", 0, std::string("https://example.org")), 1);
  EXPECT_EQ(e.AddTOCItem(u"x", 2, std::string("u")), -1);
  ASSERT_EQ(e.TOCItems().size(), 2u);
  EXPECT_EQ(e.TOCItems()[0].Y, 12.5);
  EXPECT_EQ(e.TOCItems()[1].ParentNode, 0);
  e.BeginDoc();  // a second BeginDoc starts a new, empty outline
  EXPECT_TRUE(e.TOCItems().empty());
  EXPECT_TRUE(e.IsDocumentStarted());
  e.EndDoc();
  EXPECT_TRUE(e.TOCItems().empty());
}

TEST(Items, ImageItemNormalisesItsRectangle) {
  TvnImageItem item(TvnRect{30, 40, 10, 15});
  EXPECT_EQ(item.X, 10);
  EXPECT_EQ(item.Y, 15);
  EXPECT_EQ(item.Width, 20);
  EXPECT_EQ(item.Height, 25);
  EXPECT_EQ(item.DisplayRect, (TvnRect{10, 15, 30, 40}));
  TvnImageStream stream(TvnRect{5, 5, 0, 0});
  EXPECT_EQ(stream.Width, 5);
  EXPECT_EQ(stream.Stream.Size(), 0);
}

TEST(Items, ConstructorsAndSetters) {
  EXPECT_FALSE(TvnShapeItem(false, TvnShapeType::stLine).Brush.has_value());
  EXPECT_TRUE(TvnShapeItem(true, TvnShapeType::stRectangle).Brush.has_value());

  TvnTableItem table(3, nullptr);
  EXPECT_EQ(table.RowCount, -1);
  EXPECT_NE(table.GetColumn(2), nullptr);
  EXPECT_EQ(table.GetColumn(3), nullptr);
  EXPECT_EQ(table.CalculateRowHeight(), 0);
  table.Settings.EnableTitle = true;
  table.Settings.SetTitleHeight(10);
  table.RowHeights = {5, 7};
  table.RowCount = 1;
  EXPECT_EQ(table.CalculateRowHeight(), 22);
  table.Settings.SetColumnWidth(40);
  EXPECT_EQ(table.GetColumnsList()[1]->Width(), 40);

  TvnTextItem text;
  text.SetIsClipRect(true);
  text.SetClipRect({1, 2, 3, 4});
  text.SetIsClipRect(false);
  EXPECT_EQ(text.ClipRect(), TvnRect{});

  TvnPolyPolygonItem poly;
  poly.NoPoly = 2;
  poly.SetNoPoints();
  ASSERT_EQ(poly.NoPoints.size(), 3u);
  poly.NoPoints[0] = 5;
  poly.SetPoints();
  EXPECT_EQ(poly.Points.size(), 5u);

  TvnClipItem clip;
  clip.SetRects(2);
  EXPECT_EQ(clip.NoRects(), 2);
  clip.ClipRects[1] = {1, 2, 3, 4};
  EXPECT_EQ(clip.GetRects(1), (TRect{1, 2, 3, 4}));
  EXPECT_EQ(clip.GetRects(2), TRect{});  // outside: nothing, never a crash
  EXPECT_EQ(table.GetRowItems(1), nullptr);
}

TEST(Items, EmailSettingsCloneHoldsEveryValue) {
  TvnEmailSettings s;
  s.Host = u"h";
  s.ReceiptRecipient = u"r";
  s.Port = 587;
  s.RecipientList.Add(u"a@b");
  s.AuthenticationRequired = true;
  std::unique_ptr<TvnEmailSettings> c = s.Clone();
  EXPECT_EQ(c->Host, u"h");
  EXPECT_EQ(c->ReceiptRecipient, u"r");
  EXPECT_EQ(c->Port, 587);
  EXPECT_EQ(c->RecipientList.Count(), 1);
  EXPECT_TRUE(c->AuthenticationRequired);
  EXPECT_EQ(TvnEmailSettings().Port, 25);
}

}  // namespace
}  // namespace vn::exporter::engine_settings_test
