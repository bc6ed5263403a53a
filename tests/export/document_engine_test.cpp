// The export engine's document lifecycle, bands, render loop, page
// selection, output file, image resources and errors, seen through a format
// engine that logs every hook call.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/system.h"
#include "recording_engine.h"

namespace vn::exporter::document_engine_test {
namespace {

using testing::RecordingEngine;
using testing::TestGraphic;

// A pixel engine on an A4 page with a 50-pixel header and footer.
void SetUpPixels(RecordingEngine& e) {
  e.SetMeasurementUnit(TvnUnitType::muPixels);
  e.Page().SetHeaderHeight(50);
  e.Page().SetFooterHeight(50);
}

// The log lines without positions.
std::vector<std::string> Words(const std::vector<std::string>& log) {
  std::vector<std::string> out;
  for (const std::string& line : log) out.push_back(line.substr(0, line.find(" @")));
  return out;
}

std::filesystem::path TempDir() {
  auto dir = std::filesystem::temp_directory_path() /
             ("vn_export_" + std::to_string(::getpid()) + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

void DrawAllBands(RecordingEngine& e, const std::string& content) {
  e.TextOut(10, 10, vn::FromUtf8(content));
}

TEST(DocumentEngine, BandsRenderInOrderOnEveryPage) {
  RecordingEngine e;
  SetUpPixels(e);
  e.BeginDoc();
  e.BeginHeader();
  e.TextOut(10, 10, u"H");
  e.EndHeader();
  e.BeginFooter();
  e.TextOut(10, 10, u"F");
  e.EndFooter();
  e.BeginWaterMark();
  e.TextOut(10, 10, u"W");
  e.EndWaterMark();
  e.BeginStamp();
  e.TextOut(10, 10, u"S");
  e.EndStamp();
  DrawAllBands(e, "C1");
  e.NewPage();
  DrawAllBands(e, "C2");
  e.EndDoc();
  const std::vector<std::string> expected = {
      "StartDocument",
      "StartPage 1", "header Text H", "watermark Text W", "content Text C1", "footer Text F", "stamp Text S", "EndPage 1",
      "StartPage 2", "header Text H", "watermark Text W", "content Text C2", "footer Text F", "stamp Text S", "EndPage 2",
      "EndDocument"};
  EXPECT_EQ(Words(e.Log), expected);
  // Positions are relative to each band's rectangle.
  EXPECT_EQ(e.Log[2], "header Text H @10,10");
  EXPECT_EQ(e.Log[4], "content Text C1 @10,60");
}

TEST(DocumentEngine, BandCapabilityLimitsTheBandToPageOne) {
  RecordingEngine e;
  SetUpPixels(e);
  e.FCapabilities.Include(TvnCapabilityKind::ckHeader);
  e.BeginDoc();
  e.BeginHeader();
  e.TextOut(1, 1, u"H");
  e.EndHeader();
  e.NewPage();
  e.EndDoc();
  EXPECT_EQ(Words(e.Log), (std::vector<std::string>{"StartDocument", "StartPage 1", "header Text H", "EndPage 1", "StartPage 2",
                                                    "EndPage 2", "EndDocument"}));
}

TEST(DocumentEngine, PagesToRenderSelectsPages) {
  struct Case {
    const char16_t* selection;
    std::vector<int> pages;
  };
  const Case cases[] = {
      {u"2,4-5", {2, 4, 5}}, {u"a,3", {3}}, {u"", {1, 2, 3, 4, 5}}, {u"5 1", {1, 5}}, {u"\"2\",x-y", {2}}, {u"2,,4", {2, 4}},
      {u"9", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(vn::ToUtf8(c.selection));
    RecordingEngine e;
    SetUpPixels(e);
    e.SetPagesToRender(c.selection);
    std::vector<int> begun, ended;
    e.OnBeforeBeginPage = [&](TvnCustomDocumentEngine& s) { begun.push_back(s.CurrentPage()); };
    e.OnAfterEndPage = [&](TvnCustomDocumentEngine& s) { ended.push_back(s.CurrentPage()); };
    e.BeginDoc();
    for (int page = 1; page <= 5; ++page) {
      if (page > 1) e.NewPage();
      e.TextOut(1, 1, vn::IntToStr(page));
    }
    e.EndDoc();
    EXPECT_EQ(begun, c.pages);
    EXPECT_EQ(ended, c.pages);
    std::vector<std::string> texts;
    for (const std::string& line : Words(e.Log))
      if (line.rfind("content Text ", 0) == 0) texts.push_back(line.substr(13));
    std::vector<std::string> expected;
    for (int p : c.pages) expected.push_back(std::to_string(p));
    EXPECT_EQ(texts, expected);
  }
}

TEST(DocumentEngine, MalformedPageSelectionIsRefusedWhenSet) {
  for (const char16_t* bad : {u"5-", u"1-2-3", u"-3", u"2,99999999999"}) {
    RecordingEngine e;
    e.SetPagesToRender(u"2");
    EXPECT_THROW(e.SetPagesToRender(bad), vn::EConvertError) << vn::ToUtf8(bad);
    EXPECT_EQ(e.PagesToRender(), u"2");
  }
}

TEST(DocumentEngine, FileNameDropsTheEnginesExtension) {
  struct Case {
    const char16_t* given;
    const char16_t* stored;
  };
  const Case cases[] = {
      {u"/x/report.PDF", u"/x/report"}, {u"out.pdf", u"out"}, {u"out", u"out"}, {u"out.txt", u"out.txt"},
      {u"/a.pdf/out", u"/a.pdf/out"},   {u"out.pdf.pdf", u"out.pdf"},
  };
  for (const Case& c : cases) {
    RecordingEngine e;
    e.SetFileName(c.given);
    EXPECT_EQ(e.FileName(), c.stored) << vn::ToUtf8(c.given);
  }
}

TEST(DocumentEngine, OutputFileIsFileNamePlusExtension) {
  const auto dir = TempDir();
  RecordingEngine e;
  e.CreateFile = true;
  e.SetFileName(vn::FromUtf8((dir / "report.PDF").string()));
  e.BeginDoc();
  e.SetFileName(u"ignored while started");
  EXPECT_EQ(e.FileName(), vn::FromUtf8((dir / "report").string()));
  e.EndDoc();
  EXPECT_EQ(vn::ReadFileBytes(dir / "report.pdf"), "%out");
  EXPECT_EQ(e.EngineStatus(), TvnEngineStatus::esFinished);
  std::filesystem::remove_all(dir);
}

TEST(DocumentEngine, UnwritableFolderRaisesFileCreateError) {
  const auto dir = TempDir();
  vn::WriteFileBytes(dir / "plain", "not a folder");
  RecordingEngine e;
  e.CreateFile = true;
  e.SetFileName(vn::FromUtf8((dir / "plain" / "out").string()));
  bool after_begin = false, handler = false;
  e.OnAfterBeginDoc = [&](TvnCustomDocumentEngine&) { after_begin = true; };
  e.OnErrorMessage = [&](TvnCustomDocumentEngine&, const vn::Exception&) { handler = true; };
  try {
    e.BeginDoc();
    FAIL() << "no exception";
  } catch (const EFileCreateError& error) {
    EXPECT_EQ(vn::ToUtf8(error.Message()),
              "File could not be created!\r\n\r\nPossible cause: It could be in use by some other application");
  }
  EXPECT_FALSE(after_begin);
  EXPECT_FALSE(handler);
  EXPECT_EQ(e.EngineStatus(), TvnEngineStatus::esError);
  EXPECT_FALSE(e.IsDocumentStarted());
  e.TextOut(1, 1, u"x");  // nothing: no document
  e.EndDoc();
  EXPECT_EQ(e.Log, std::vector<std::string>{"StartDocument"});
  std::filesystem::remove_all(dir);
}

TEST(DocumentEngine, FailureWhileWritingLeavesNoOutputAndKeepsAnEarlierOne) {
  const auto dir = TempDir();
  for (bool after_each_page : {false, true}) {
    for (bool earlier : {false, true}) {
      std::filesystem::remove(dir / "out.pdf");
      if (earlier) vn::WriteFileBytes(dir / "out.pdf", "earlier");
      RecordingEngine e;
      e.CreateFile = true;
      e.FailAtPage = 1;
      e.Preferences().SetProcessAfterEachPage(after_each_page);
      e.SetFileName(vn::FromUtf8((dir / "out").string()));
      e.BeginDoc();
      if (after_each_page)
        EXPECT_THROW(e.NewPage(), vn::EWriteError);
      else
        EXPECT_THROW(e.EndDoc(), vn::EWriteError);
      EXPECT_EQ(std::filesystem::exists(dir / "out.pdf"), earlier);
      if (earlier) EXPECT_EQ(vn::ReadFileBytes(dir / "out.pdf"), "earlier");
      EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), earlier ? 1 : 0);
      EXPECT_EQ(e.EngineStatus(), TvnEngineStatus::esError);
      EXPECT_FALSE(e.IsDocumentStarted());
      e.EndDoc();  // nothing left to end
      EXPECT_EQ(e.Log.back(), "EndPage 1");
    }
  }
  std::filesystem::remove_all(dir);
}

TEST(DocumentEngine, EqualGraphicsAreStoredOnce) {
  RecordingEngine e;
  e.FCapabilities.Include(TvnCapabilityKind::ckImageReusable);
  e.BeginDoc();
  TestGraphic a("AAAA", 2, 2), same("AAAA", 2, 2), other("BBBB", 2, 2);
  const int32_t first = e.AddImageAsResource(a);
  EXPECT_EQ(e.AddImageAsResource(same), first);
  EXPECT_NE(e.AddImageAsResource(other), first);
  // Without reuse every graphic gets its own entry, and the preference follows.
  const int32_t x = e.AddImageResource(a, false);
  const int32_t y = e.AddImageResource(a, false);
  EXPECT_NE(x, y);
  EXPECT_NE(x, first);
  EXPECT_FALSE(e.Preferences().UseImagesAsResources());
  // The engine holds copies: the caller's graphic may go.
  EXPECT_NE(e.GetImageResource(first).Graphic, &a);
  EXPECT_EQ(static_cast<const TestGraphic*>(e.GetImageResource(first).Graphic)->Bytes, "AAAA");
  e.EndDoc();
}

TEST(DocumentEngine, ReuseNeedsTheFormatsCapability) {
  RecordingEngine e;
  e.BeginDoc();
  TestGraphic a("AAAA", 2, 2);
  EXPECT_NE(e.AddImageAsResource(a), e.AddImageAsResource(a));
  e.EndDoc();
}

TEST(DocumentEngine, EqualImageStreamsShareOneEntryUntilThePageIsWritten) {
  RecordingEngine e;
  SetUpPixels(e);
  e.FCapabilities.Include(TvnCapabilityKind::ckImageReusable);
  e.Preferences().SetProcessAfterEachPage(true);
  e.BeginDoc();
  vn::TStringStream jpeg("\xFF\xD8 jpeg data"), copy("\xFF\xD8 jpeg data");
  e.DrawJPEGDirect({0, 0, 10, 10}, 8, 8, jpeg);
  e.DrawJPEGDirect({20, 0, 30, 10}, 8, 8, copy);
  const TvnImageResource held = e.GetImageResource(0);
  EXPECT_NE(held.Stream, nullptr);
  e.NewPage();
  // Stream entries end with their page; graphics stay for the document.
  EXPECT_EQ(e.GetImageResource(0).Stream, nullptr);
  e.DrawJPEGDirect({0, 0, 10, 10}, 8, 8, jpeg);
  e.EndDoc();
  EXPECT_EQ(Words(e.Log), (std::vector<std::string>{"StartDocument", "StartPage 1", "content ImageStream #0 12 bytes",
                                                    "content ImageStream #0 12 bytes", "EndPage 1", "StartPage 2",
                                                    "content ImageStream #1 12 bytes", "EndPage 2", "EndDocument"}));
}

TEST(DocumentEngine, GraphicThatCannotBeCopiedIsReported) {
  RecordingEngine e;
  e.BeginDoc();
  TestGraphic broken("x", 1, 1);
  broken.Refuse = true;
  try {
    e.DrawImage(TvnRect{0, 0, 1, 1}, broken);
    FAIL() << "no exception";
  } catch (const EUnsupportedGraphics& error) {
    EXPECT_EQ(vn::ToUtf8(error.Message()), "Unknown Graphics format");
  }
  std::string reported;
  e.OnErrorMessage = [&](TvnCustomDocumentEngine&, const vn::Exception& ex) { reported = ex.what(); };
  EXPECT_EQ(e.AddImageAsResource(broken), -1);
  EXPECT_EQ(reported, "Unknown Graphics format");
  e.EndDoc();
  for (const std::string& line : e.Log) EXPECT_EQ(line.find("Image"), std::string::npos);
}

TEST(DocumentEngine, ImagesArePlacedIntoTheirRectangle) {
  struct Case {
    bool keep_aspect, center, stretch;
    const char* expected;
  };
  const Case cases[] = {
      {true, false, false, "content Image #0 0,50 100x50"},
      {true, true, false, "content Image #0 0,75 100x50"},
      {false, false, true, "content Image #0 0,50 100x100"},
      {false, false, false, "content Image #0 0,50 100x100"},  // too large: cut to the rectangle
  };
  for (const Case& c : cases) {
    RecordingEngine e;
    SetUpPixels(e);
    e.ImageSettings().KeepAspectRatio = c.keep_aspect;
    e.ImageSettings().Center = c.center;
    e.ImageSettings().Stretch = c.stretch;
    e.BeginDoc();
    TestGraphic picture("p", 200, 100);
    e.DrawImage(TvnRect{0, 0, 100, 100}, picture);
    e.EndDoc();
    ASSERT_EQ(e.Log.size(), 5u);
    EXPECT_EQ(e.Log[2], c.expected);
  }
}

TEST(DocumentEngine, SmallImageKeepsItsSizeAndBadIndexMakesNothing) {
  RecordingEngine e;
  SetUpPixels(e);
  e.BeginDoc();
  TestGraphic picture("p", 20, 10);
  const int32_t index = e.AddImageAsResource(picture);
  e.DrawImage(TvnRect{0, 0, 100, 100}, index);
  e.DrawImage(TvnRect{0, 0, 100, 100}, index + 1);
  e.DrawImage(TvnRect{0, 0, 100, 100}, -1);
  e.DrawImage(5, 5, picture);
  e.EndDoc();
  EXPECT_EQ(Words(e.Log), (std::vector<std::string>{"StartDocument", "StartPage 1", "content Image #0 0,50 20x10",
                                                    "content Image #1 5,55 20x10", "EndPage 1", "EndDocument"}));
}

TEST(DocumentEngine, ShapesBecomeDrawCalls) {
  RecordingEngine e;
  e.SetMeasurementUnit(TvnUnitType::muInches);
  e.BeginDoc();
  e.Line(0, 0, 1, 1);
  e.Rectangle(0, 0, 1, 0.5, true);
  e.Rectangle(0, 0, 1, 0.5, false);
  e.RoundRect(0, 0, 1, 1, 0.5, 0.25, false);
  e.Ellipse(0, 0, 1, 1, true);
  e.Polygon({{0, 0}, {1, 0}, {1, 1}}, true);
  e.PolyLine({{0, 0}, {1, 0}});
  e.Arc(0, 0, 1, 1, 0, 0, 1, 1);
  e.Pie(0, 0, 1, 1, 0, 0, 1, 1, true);
  e.Chord(0, 0, 1, 1, 0, 0, 1, 1, true);
  e.PolyBezier({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  e.EndDoc();
  EXPECT_EQ(Words(e.Log), (std::vector<std::string>{
                              "StartDocument", "StartPage 1", "content Line 0,0 96,96", "content Rectangle 0,0 96,48 filled",
                              "content Rectangle 0,0 96,48", "content RoundRect corner 48,24", "content Ellipse",
                              "content Polygon 3", "content PolyLine 2", "content Arc", "content Pie", "content Chord",
                              "content PolyBezier 4", "EndPage 1", "EndDocument"}));
}

TEST(DocumentEngine, TextOutsideTheBandMakesNoItemButShapesDo) {
  RecordingEngine e;
  SetUpPixels(e);
  e.BeginDoc();
  e.TextOut(10, 5000, u"below");
  e.Line(10, 5000, 20, 5000);
  e.TextRect({0, 0, 10, 10}, 1, 1, u"clipped");
  e.EndDoc();
  EXPECT_EQ(Words(e.Log), (std::vector<std::string>{"StartDocument", "StartPage 1", "content Line 10,5050 20,5050",
                                                    "content Text clipped", "EndPage 1", "EndDocument"}));
}

TEST(DocumentEngine, DrawingNeedsAStartedDocumentAndItsKind) {
  RecordingEngine e;
  SetUpPixels(e);
  e.TextOut(1, 1, u"before");
  e.Line(0, 0, 1, 1);
  e.BeginDoc();
  e.SetItemsToRender({TvnItemsToRenderKind::irShape});
  e.TextOut(1, 1, u"no text kind");
  e.Line(0, 0, 1, 1);
  e.EndDoc();
  e.Line(0, 0, 1, 1);
  EXPECT_EQ(Words(e.Log), (std::vector<std::string>{"StartDocument", "StartPage 1", "content Line 0,50 1,51", "EndPage 1",
                                                    "EndDocument"}));
}

TEST(DocumentEngine, TextRotationKeepsTheSignOfTheAngle) {
  struct Case {
    int32_t given, kept;
  };
  for (const Case& c : {Case{-30, -30}, Case{725, 5}, Case{370, 10}, Case{-400, -40}}) {
    RecordingEngine e;
    SetUpPixels(e);
    e.BeginDoc();
    e.SetTextRotation(c.given);
    e.TextOut(1, 1, u"t");
    TvnPageItem* page = e.GetPageItem(0);
    ASSERT_EQ(page->DocumentItems.size(), 1u);
    EXPECT_EQ(static_cast<TvnTextItem&>(*page->DocumentItems[0]).RotationAngle, c.kept);
    e.EndDoc();
  }
}

TEST(DocumentEngine, UnitsConvertToEnginePixels) {
  struct Case {
    TvnUnitType unit;
    int32_t input_res;
    double value, pixels;
  };
  const Case cases[] = {
      {TvnUnitType::muPixels, 96, 96, 96},   {TvnUnitType::muPixels, 120, 120, 96}, {TvnUnitType::muPixels, 72, 72, 96},
      {TvnUnitType::muInches, 120, 1, 96},   {TvnUnitType::muPoints, 96, 72, 96},   {TvnUnitType::muMM, 96, 25.4, 95.9997},
      {TvnUnitType::muTwips, 96, 1440, 96},
  };
  for (const Case& c : cases) {
    RecordingEngine e;
    e.SetMeasurementUnit(c.unit);
    e.SetInputXRes(c.input_res);
    e.SetInputYRes(c.input_res);
    EXPECT_NEAR(e.ConvertX(c.value), c.pixels, 1e-3);
    EXPECT_NEAR(e.ConvertY(c.value), c.pixels, 1e-3);
  }
}

TEST(DocumentEngine, BandRectangleFollowsTheReferencePoint) {
  struct Case {
    TvnReferencePoint point;
    TvnBandType band;
    int32_t input_res;
    TvnRect rect;
  };
  // A 200 x 100 page, margins 10, header and footer 20.
  const Case cases[] = {
      {TvnReferencePoint::rpPage, TvnBandType::btContent, 96, {0, 0, 200, 100}},
      {TvnReferencePoint::rpMargin, TvnBandType::btHeader, 96, {10, 10, 190, 90}},
      {TvnReferencePoint::rpBand, TvnBandType::btContent, 96, {10, 30, 190, 70}},
      {TvnReferencePoint::rpBand, TvnBandType::btHeader, 96, {10, 10, 190, 30}},
      {TvnReferencePoint::rpBand, TvnBandType::btFooter, 96, {10, 70, 190, 90}},
      {TvnReferencePoint::rpBand, TvnBandType::btStamp, 96, {10, 10, 190, 90}},
      {TvnReferencePoint::rpBand, TvnBandType::btContent, 192, {20, 60, 380, 140}},
  };
  for (const Case& c : cases) {
    RecordingEngine e;
    e.SetMeasurementUnit(TvnUnitType::muPixels);
    e.SetInputXRes(c.input_res);
    e.SetInputYRes(c.input_res);
    TvnPageSettings& p = e.Page();
    p.SetPaperSize(TvnPaperSize::Custom);
    p.SetWidth(200);
    p.SetHeight(100);
    p.SetLeftMargin(10);
    p.SetRightMargin(10);
    p.SetTopMargin(10);
    p.SetBottomMargin(10);
    p.SetHeaderHeight(20);
    p.SetFooterHeight(20);
    e.SetReferencePoint(c.point);
    e.BeginDoc();
    switch (c.band) {
      case TvnBandType::btHeader: e.BeginHeader(); break;
      case TvnBandType::btFooter: e.BeginFooter(); break;
      case TvnBandType::btStamp: e.BeginStamp(); break;
      default: break;
    }
    EXPECT_EQ(e.FBandRect, c.rect) << static_cast<int>(c.point) << " " << static_cast<int>(c.band) << " " << c.input_res;
    e.EndDoc();
  }
}

TEST(DocumentEngine, SecondBeginDocAndLoneEndDocDoNothing) {
  RecordingEngine e;
  e.EndDoc();
  EXPECT_TRUE(e.Log.empty());
  e.BeginDoc();
  e.BeginDoc();
  EXPECT_EQ(e.PageCount(), 1);
  e.EndDoc();
  EXPECT_EQ(e.Log, (std::vector<std::string>{"StartDocument", "StartPage 1", "EndPage 1", "EndDocument"}));
}

TEST(DocumentEngine, CancelledSetupStartsNothing) {
  RecordingEngine e;
  e.Preferences().SetShowSetupDialog(true);
  e.SetupResult = 2;
  bool after = false;
  e.OnAfterBeginDoc = [&](TvnCustomDocumentEngine&) { after = true; };
  e.BeginDoc();
  EXPECT_EQ(e.EngineStatus(), TvnEngineStatus::esCancelled);
  EXPECT_FALSE(after);
  e.NewPage();
  e.TextOut(1, 1, u"x");
  e.EndDoc();
  EXPECT_TRUE(e.Log.empty());
  EXPECT_EQ(e.PageCount(), 0);
}

TEST(DocumentEngine, SetupDialogDecidesWhenLinked) {
  struct Dialog : TvnBaseDlg {
    TvnCustomDocumentEngine* seen = nullptr;
    int ShowModal() override {
      seen = Engine;
      return 2;
    }
  } dialog;
  RecordingEngine e;
  e.Preferences().SetShowSetupDialog(true);
  e.SetSetupDialog(&dialog);
  e.BeginDoc();
  EXPECT_EQ(dialog.seen, &e);
  EXPECT_EQ(dialog.Engine, nullptr);
  EXPECT_EQ(e.EngineStatus(), TvnEngineStatus::esCancelled);
}

TEST(DocumentEngine, RestoreEngineStateAndItsErrors) {
  RecordingEngine e;
  e.BeginDoc();
  e.Font().Size = 20;
  const int32_t saved = e.SaveEngineState();
  EXPECT_EQ(saved, 1);  // 0 is the state BeginDoc saved
  e.Font().Size = 30;
  e.RestoreEngineState(-1);
  EXPECT_EQ(e.Font().Size, 20);
  e.Font().Size = 31;
  e.RestoreEngineState(-1);  // the state stays in the list
  EXPECT_EQ(e.Font().Size, 20);
  try {
    e.RestoreEngineState(2);
    FAIL() << "no exception";
  } catch (const EInvalidEngineState& error) {
    EXPECT_EQ(vn::ToUtf8(error.Message()), "Not a valid Engine State identifier");
  }
  // After clearing, even index 0 is gone: ending the document reports it,
  // once the document is released.
  e.ClearEngineStates();
  EXPECT_THROW(e.EndDoc(), EInvalidEngineState);
  EXPECT_FALSE(e.IsDocumentStarted());
  EXPECT_EQ(e.Log.back(), "EndDocument");
  EXPECT_EQ(e.EngineStatus(), TvnEngineStatus::esFinished);
  e.BeginDoc();  // the engine is usable again
  EXPECT_TRUE(e.IsDocumentStarted());
  e.EndDoc();
}

TEST(DocumentEngine, ErrorHandlerLetsTheDocumentEndNormally) {
  RecordingEngine e;
  std::vector<std::string> reported;
  e.OnErrorMessage = [&](TvnCustomDocumentEngine&, const vn::Exception& ex) { reported.push_back(ex.what()); };
  e.BeginDoc();
  e.SetWorkingPage(2);
  e.ClearEngineStates();
  e.EndDoc();
  EXPECT_EQ(reported, (std::vector<std::string>{"Invalid Page Number", "Not a valid Engine State identifier"}));
  EXPECT_EQ(e.EngineStatus(), TvnEngineStatus::esFinished);
}

TEST(DocumentEngine, SetWorkingPageAddsToAnEarlierPage) {
  RecordingEngine e;
  SetUpPixels(e);
  e.BeginDoc();
  e.TextOut(1, 1, u"a");
  e.NewPage();
  e.TextOut(1, 1, u"b");
  EXPECT_THROW(e.SetWorkingPage(0), EInvalidPageNumber);
  EXPECT_THROW(e.SetWorkingPage(3), EInvalidPageNumber);
  EXPECT_EQ(e.CurrentPage(), 2);
  e.SetWorkingPage(1);
  e.TextOut(1, 1, u"a2");
  e.EndDoc();
  EXPECT_EQ(Words(e.Log), (std::vector<std::string>{"StartDocument", "StartPage 1", "content Text a", "content Text a2",
                                                    "EndPage 1", "StartPage 2", "content Text b", "EndPage 2", "EndDocument"}));
}

TEST(DocumentEngine, ProcessAfterEachPageRendersAtNewPage) {
  RecordingEngine e;
  SetUpPixels(e);
  e.Preferences().SetProcessAfterEachPage(true);
  e.BeginDoc();
  e.TextOut(1, 1, u"a");
  e.NewPage();
  EXPECT_EQ(Words(e.Log), (std::vector<std::string>{"StartDocument", "StartPage 1", "content Text a", "EndPage 1"}));
  EXPECT_EQ(e.GetPageItem(0), nullptr);
  e.SetWorkingPage(1);  // nothing: page 1 is gone
  EXPECT_EQ(e.CurrentPage(), 2);
  e.EndDoc();
  EXPECT_EQ(e.Log.size(), 7u);
}

TEST(DocumentEngine, AbortCreationEndsTheDocumentWithoutAnOutput) {
  const auto dir = TempDir();
  std::vector<std::string> opened;
  vn::platform::SetAssociatedProgramOpener([&](const std::string& target) {
    opened.push_back(target);
    return true;
  });
  RecordingEngine e;
  e.CreateFile = true;
  e.Preferences().SetOpenAfterCreate(true);
  e.SetFileName(vn::FromUtf8((dir / "out").string()));
  vn::WriteFileBytes(dir / "out.pdf", "earlier");
  e.BeginDoc();
  e.SetAbortCreation(true);
  e.NewPage();
  EXPECT_FALSE(e.IsDocumentStarted());
  EXPECT_FALSE(e.AbortCreation());
  EXPECT_FALSE(e.Preferences().OpenAfterCreate());
  // The document was written to its end, but an earlier file of its name stays.
  EXPECT_EQ(vn::ReadFileBytes(dir / "out.pdf"), "earlier");
  EXPECT_EQ(e.Log.back(), "EndDocument");
  EXPECT_TRUE(opened.empty());

  // Without aborting the first output is opened.
  RecordingEngine f;
  f.CreateFile = true;
  f.Preferences().SetOpenAfterCreate(true);
  f.SetFileName(vn::FromUtf8((dir / "kept").string()));
  f.BeginDoc();
  f.EndDoc();
  EXPECT_EQ(opened, std::vector<std::string>{(dir / "kept.pdf").string()});
  vn::platform::SetAssociatedProgramOpener(nullptr);
  std::filesystem::remove_all(dir);
}

TEST(DocumentEngine, EmailStepAttachesTheOutputFiles) {
  const auto dir = TempDir();
  RecordingEngine e;
  e.CreateFile = true;
  e.Preferences().SetEmailAfterCreate(true);
  e.SetFileName(vn::FromUtf8((dir / "mail").string()));
  e.BeginDoc();
  e.EndDoc();
  EXPECT_EQ(e.Log.back(), "PrepareEmail " + (dir / "mail.pdf").string());
  // The attachments are cleared with the document; nothing is sent.
  EXPECT_EQ(e.EMailSettings().Attachments.Count(), 0);
  std::filesystem::remove_all(dir);
}

TEST(DocumentEngine, PageBorderIsDrawnBeforeTheItems) {
  RecordingEngine e;
  e.SetMeasurementUnit(TvnUnitType::muPixels);
  e.Page().SetPaperSize(TvnPaperSize::Custom);
  e.Page().SetWidth(200);
  e.Page().SetHeight(100);
  e.Page().SetLeftMargin(10);
  e.Page().SetTopMargin(10);
  e.Page().SetRightMargin(10);
  e.Page().SetBottomMargin(10);
  e.PageBorder().DrawLeft = true;
  e.PageBorder().DrawBottom = true;
  e.BeginDoc();
  e.TextOut(0, 0, u"t");
  e.EndDoc();
  EXPECT_EQ(e.Log, (std::vector<std::string>{"StartDocument", "StartPage 1", "content Line 10,10 10,90",
                                             "content Line 10,90 190,90", "content Text t @10,10", "EndPage 1",
                                             "EndDocument"}));
}

TEST(DocumentEngine, ShapeItemsWithoutEnoughPointsDrawNothing) {
  RecordingEngine e;
  e.BeginDoc();
  for (TvnShapeType type : {TvnShapeType::stLine, TvnShapeType::stRoundRect, TvnShapeType::stArc, TvnShapeType::stPolygon}) {
    auto shape = std::make_unique<TvnShapeItem>(false, type);
    shape->SetPoints({{1, 1}});
    e.AddItem(std::move(shape));
  }
  auto empty_poly = std::make_unique<TvnPolyShapeItem>();
  e.AddItem(std::move(empty_poly));
  e.EndDoc();
  EXPECT_EQ(Words(e.Log), (std::vector<std::string>{"StartDocument", "StartPage 1", "content Polygon 1", "EndPage 1",
                                                    "EndDocument"}));
}

// ---- the metafile player and page canvas seams

struct FakeCanvas : TMetafileCanvas {
  explicit FakeCanvas(std::string name) : tag(std::move(name)) {}
  vn::platform::Canvas* Surface() override { return nullptr; }
  std::unique_ptr<TMetafile> EndRecording() override {
    auto mf = std::make_unique<TMetafile>();
    mf->Bytes = tag + drawn;
    return mf;
  }
  void StretchDraw(const TRect& dest, const TMetafile& metafile) override {
    drawn += " +" + metafile.Bytes + "@" + std::to_string(dest.Left) + "," + std::to_string(dest.Right);
  }
  std::string tag, drawn;
};

class PlayerSeams : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMetafilePlayer([this](TvnCustomDocumentEngine& /*engine*/, const TMetafile& mf, double x, double y) {
      played.push_back(mf.Bytes + " at " + testing::Num(x) + "," + testing::Num(y));
    });
  }
  void TearDown() override {
    SetMetafilePlayer(nullptr);
    SetPageCanvasFactory(nullptr);
  }
  std::vector<std::string> played;
};

TEST_F(PlayerSeams, PlayMetafileStartsAtTheBandOrigin) {
  RecordingEngine e;
  SetUpPixels(e);
  e.BeginDoc();
  TMetafile mf;
  mf.Bytes = "emf";
  e.PlayMetafile(mf);
  e.PlayMetafile(5, 6, mf);
  e.BeginHeader();
  e.PlayMetafile(mf);
  e.EndHeader();
  e.EndDoc();
  e.PlayMetafile(mf);  // no document: nothing
  EXPECT_EQ(played, (std::vector<std::string>{"emf at 0,50", "emf at 5,56", "emf at 0,0"}));
}

TEST_F(PlayerSeams, EachPageCanvasIsReplayedOnce) {
  int pages = 0;
  SetPageCanvasFactory([&](int32_t w, int32_t h) {
    ++pages;
    return std::make_unique<FakeCanvas>("page" + std::to_string(pages) + " " + std::to_string(w) + "x" + std::to_string(h));
  });
  RecordingEngine e;
  SetUpPixels(e);
  e.BeginDoc();
  TMetafile mf;
  mf.Bytes = "pic";
  e.PlayMetafile(TvnRect{1, 2, 3, 4}, mf);  // drawn on the page canvas
  e.NewPage();
  EXPECT_EQ(played, std::vector<std::string>{"page1 794x1123 +pic@1,3 at 0,50"});
  e.EndDoc();
  EXPECT_EQ(played.size(), 2u);
  EXPECT_EQ(played[1], "page2 794x1123 at 0,50");
  EXPECT_EQ(e.Canvas(), nullptr);
}

TEST_F(PlayerSeams, OtherInputResolutionIsRescaledFirstWithoutTheCapability) {
  SetPageCanvasFactory([](int32_t /*w*/, int32_t /*h*/) { return std::make_unique<FakeCanvas>("copy"); });
  RecordingEngine e;
  e.SetMeasurementUnit(TvnUnitType::muPixels);
  e.SetInputXRes(192);
  e.SetInputYRes(192);
  e.BeginDoc();
  TMetafile mf;
  mf.Bytes = "m";
  played.clear();
  e.PlayMetafile(mf);
  ASSERT_EQ(played.size(), 1u);
  EXPECT_EQ(played[0].substr(0, 9), "copy +m@0");
  e.FCapabilities.Include(TvnCapabilityKind::ckInputRes);
  played.clear();
  e.PlayMetafile(mf);
  EXPECT_EQ(played, std::vector<std::string>{"m at 0,0"});
  e.EndDoc();
}

// ---- items are freed once their page is written

int g_live = 0, g_freed = 0;

template <typename T>
struct Tracked : T {
  template <typename... A>
  explicit Tracked(A&&... args) : T(std::forward<A>(args)...) {
    ++g_live;
  }
  ~Tracked() override {
    --g_live;
    ++g_freed;
  }
};

struct OtherItem : TvnDocumentItem {
  OtherItem() : TvnDocumentItem(TvnItemKind::Other) {}
};

int AddOneOfEachKind(RecordingEngine& e) {
  auto text = std::make_unique<Tracked<TvnTextItem>>();
  text->Lines.Add(u"t");
  e.AddItem(std::move(text));
  auto box = std::make_unique<Tracked<TvnTextBoxItem>>();
  box->Frame.IsTop = box->Frame.IsRight = box->Frame.IsBottom = false;
  box->BoxWidth = 4;
  e.AddItem(std::move(box));
  e.AddItem(std::make_unique<Tracked<TvnImageItem>>());
  e.AddItem(std::make_unique<Tracked<TvnImageStream>>());
  auto ellipse = std::make_unique<Tracked<TvnShapeItem>>(true, TvnShapeType::stEllipse);
  ellipse->SetPoints({{0, 0}, {1, 1}});
  e.AddItem(std::move(ellipse));
  auto poly = std::make_unique<Tracked<TvnPolyShapeItem>>();
  poly->Shapes.push_back(std::make_unique<Tracked<TvnShapeItem>>(false, TvnShapeType::stPolygon));
  e.AddItem(std::move(poly));
  auto table = std::make_unique<Tracked<TvnTableItem>>(2, &e);
  table->RowCount = 0;
  table->RowItemsList.emplace_back();
  table->RowItemsList[0].push_back(std::make_unique<Tracked<TvnTextItem>>());
  e.AddItem(std::move(table));
  e.AddItem(std::make_unique<Tracked<TvnParagraphItem>>());
  e.AddItem(std::make_unique<Tracked<TvnClipItem>>());
  e.AddItem(std::make_unique<Tracked<TvnPathItem>>());
  e.AddItem(std::make_unique<Tracked<TvnPolyPolygonItem>>());
  e.AddItem(std::make_unique<Tracked<TvnEOFItem>>());
  e.AddItem(std::make_unique<Tracked<TvnPolyDrawItem>>());
  e.AddItem(std::make_unique<Tracked<OtherItem>>());
  return 16;  // 14 items, a nested shape and a cell
}

TEST(DocumentEngine, ItemsOfEveryKindAreFreedOnceTheirPageIsWritten) {
  g_live = g_freed = 0;
  {
    RecordingEngine e;
    SetUpPixels(e);
    e.Preferences().SetProcessAfterEachPage(true);
    e.BeginDoc();
    const int page_items = AddOneOfEachKind(e);
    e.BeginHeader();
    const int band_items = AddOneOfEachKind(e);
    e.EndHeader();
    EXPECT_EQ(g_live, page_items + band_items);
    e.NewPage();
    // Page 1 is written: its items are gone, the header's stay for page 2.
    EXPECT_EQ(g_live, band_items);
    EXPECT_EQ(g_freed, page_items);
    std::vector<std::string> expected_page1 = {"StartDocument", "StartPage 1"};
    for (const std::string band : {"header", "content"})
      for (const char* line : {" Text t", " Rectangle 0,0 4,0 filled", " Line 0,0 0,0", " Image #0 0,0 0x0",
                               " ImageStream #0 0 bytes", " Ellipse", " PolyShape 1 closed", " Table", " Paragraph", " Clip",
                               " Path", " PolyPolygon", " EOF", " PolyDraw", " Other"})
        expected_page1.push_back(band + line);
    expected_page1.push_back("EndPage 1");
    EXPECT_EQ(Words(e.Log), expected_page1);
    e.EndDoc();
    EXPECT_EQ(g_live, 0);
    EXPECT_EQ(g_freed, page_items + band_items);
  }
  // Items handed over without a document are freed at once.
  RecordingEngine idle;
  EXPECT_EQ(idle.AddItem(std::make_unique<Tracked<TvnTextItem>>()), nullptr);
  EXPECT_EQ(g_live, 0);
}

TEST(DocumentEngine, DestroyingAStartedEngineFreesEverything) {
  g_live = 0;
  {
    RecordingEngine e;
    e.BeginDoc();
    AddOneOfEachKind(e);
    e.NewPage();
    AddOneOfEachKind(e);
  }
  EXPECT_EQ(g_live, 0);
}

}  // namespace
}  // namespace vn::exporter::document_engine_test
