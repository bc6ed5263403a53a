#include "wordmodel/text_item.h"

#include <gtest/gtest.h>

#include "framework/canvas.h"
#include "platform/canvas/metafile_player.h"
#include "support/trace_canvas.h"

namespace vn::wordmodel::text_item_test {
namespace {

namespace pf = vn::platform;

// A trace canvas that also keeps every font it was given, for the flags the
// trace lines leave out.
class FontTraceCanvas : public pf::testing::TraceCanvas {
 public:
  using TraceCanvas::TraceCanvas;
  void SetFont(const pf::Font& font) override {
    fonts.push_back(font);
    TraceCanvas::SetFont(font);
  }
  std::vector<pf::Font> fonts;
};

std::shared_ptr<TvnRunProperties> RunWithFont(int32_t ASize, TvnFontStyles AStyles = {}) {
  auto properties = std::make_shared<TvnRunProperties>();
  auto font = std::make_shared<TvnFont>();
  font->SetName(u"Arial");
  font->SetSize(ASize);
  font->SetStyle(AStyles);
  properties->SetFont(font);
  return properties;
}

TEST(TextItem, RaisedAndLoweredTextIsSmallerAndShifted) {
  // Sizes in points become em heights on the 96-dpi canvas: 10 pt is 13
  // pixels, 7 pt (10 / 1.5 rounded) is 9.
  const struct {
    TvnTextAlignment alignment;
    int32_t gap;
    const char* font;
    const char* text;
  } cases[] = {
      {TvnTextAlignment::taBaseline, 1, "SetFont Arial -13 400", "TextOut 20,30 \"x2\""},
      {TvnTextAlignment::taSuperscript, 1, "SetFont Arial -9 400", "TextOut 21,30 \"x2\""},
      {TvnTextAlignment::taSubscript, 1, "SetFont Arial -9 400", "TextOut 21,30 \"x2\""},
      {TvnTextAlignment::taSuperscript, 4, "SetFont Arial -9 400", "TextOut 24,30 \"x2\""},
  };
  for (const auto& c : cases) {
    auto properties = RunWithFont(10);
    properties->SetTextAlignment(c.alignment);
    TvnTextitem item(u"x2", properties);
    item.SetBoundingRect({20, 30, 40, 45});
    item.SetPixelGapForSuperscriptAndSubscript(c.gap);

    pf::testing::TraceCanvas trace({"SetFont", "TextOut"});
    vn::framework::TvnVCLCanvas canvas(&trace);
    item.Draw(&canvas);
    EXPECT_EQ(trace.Calls(), (std::vector<std::string>{c.font, c.text})) << int(c.alignment);
    // The run's font is back at its size, and the canvas keeps nothing of
    // the item.
    EXPECT_EQ(properties->GetFont()->GetSize(), 10);
    EXPECT_EQ(canvas.GetFont(), nullptr);
    EXPECT_EQ(canvas.GetPen(), nullptr);
    EXPECT_EQ(canvas.GetBrush(), nullptr);
  }
}

// The same through a recorded metafile, played back.
TEST(TextItem, RecordedSuperscriptPlaysBackSmallerAndShifted) {
  auto properties = RunWithFont(10);
  properties->SetTextAlignment(TvnTextAlignment::taSuperscript);
  TvnTextitem item(u"x2", properties);
  item.SetBoundingRect({20, 30, 40, 45});

  vn::framework::TvnVCLCanvas recorder(100, 50);
  item.Draw(&recorder);
  const vn::platform::emf::EmfFile metafile(recorder.FinishMetaFile());
  pf::testing::TraceCanvas trace({"SetFont", "TextOut"});
  pf::PlayMetafile(metafile, trace, {0, 0, 100, 50});
  // The text, and the font selected for it (the player selects its own
  // default font around the recording).
  const std::vector<std::string>& calls = trace.Calls();
  const auto text = std::find_if(calls.begin(), calls.end(), [](const std::string& c) { return c.starts_with("TextOut"); });
  ASSERT_NE(text, calls.end());
  EXPECT_TRUE(text->starts_with("TextOut 21,30 \"x2\"")) << *text;
  ASSERT_NE(text, calls.begin());
  EXPECT_EQ(*(text - 1), "SetFont Arial -9 400");
}

TEST(TextItem, DrawsInTheTextColourWithTheHighlightBehind) {
  auto properties = RunWithFont(12);
  properties->GetBrush()->SetColor({255, 0, 0});
  TvnTextitem item(u"hi", properties);

  pf::testing::TraceCanvas plain({"SetTextColor", "SetBkMode", "SetBkColor"});
  vn::framework::TvnVCLCanvas plainCanvas(&plain);
  item.Draw(&plainCanvas);
  EXPECT_EQ(plain.Calls(), (std::vector<std::string>{"SetTextColor #FF0000", "SetBkMode Transparent"}));

  properties->SetHighLightColor({255, 255, 0});
  pf::testing::TraceCanvas highlighted({"SetTextColor", "SetBkMode", "SetBkColor"});
  vn::framework::TvnVCLCanvas highlightedCanvas(&highlighted);
  item.Draw(&highlightedCanvas);
  EXPECT_EQ(highlighted.Calls(),
            (std::vector<std::string>{"SetTextColor #FF0000", "SetBkColor #FFFF00", "SetBkMode Opaque"}));
}

TEST(TextItem, UnderlineIsDrawnByTheFontOrAsALine) {
  for (bool asLine : {false, true}) {
    SCOPED_TRACE(asLine);
    auto properties = RunWithFont(10, {TvnFontStyle::fsUnderline});
    TvnTextitem item(u"under", properties);
    item.SetBoundingRect({5, 5, 60, 20});
    item.SetDrawUnderlineAsALine(asLine);
    auto line = std::make_unique<TvnLine>(5, 19, 60, 19);
    line->SetWidth(1);
    line->GetPen()->SetColor({0, 0, 255});
    item.SetUnderline(std::move(line));

    FontTraceCanvas trace({"TextOut", "SetPen", "MoveTo", "LineTo"});
    vn::framework::TvnVCLCanvas canvas(&trace);
    item.Draw(&canvas);
    ASSERT_EQ(trace.fonts.size(), 1u);
    EXPECT_EQ(trace.fonts[0].underline, !asLine);
    if (asLine) {
      EXPECT_EQ(trace.Calls(), (std::vector<std::string>{"TextOut 5,5 \"under\"", "SetPen Solid 1 #0000FF",
                                                         "MoveTo 5,19", "LineTo 60,19"}));
    } else {
      EXPECT_EQ(trace.Calls(), (std::vector<std::string>{"TextOut 5,5 \"under\""}));
    }
    // The run's font keeps its underline.
    EXPECT_TRUE(properties->GetFont()->GetStyle().Contains(TvnFontStyle::fsUnderline));
  }
}

TEST(TextItem, RunWithoutFontIsGivenArialTen) {
  auto properties = std::make_shared<TvnRunProperties>();
  TvnTextitem item(u"a", properties);
  pf::testing::TraceCanvas trace({"SetFont"});
  vn::framework::TvnVCLCanvas canvas(&trace);
  item.Draw(&canvas);
  EXPECT_EQ(trace.Calls(), (std::vector<std::string>{"SetFont Arial -13 400"}));
  ASSERT_NE(properties->GetFont(), nullptr);
  EXPECT_EQ(properties->GetFont()->GetSize(), 10);

  // Nothing to draw on, or nothing to draw with: no failure.
  item.Draw(nullptr);
  TvnTextitem bare;
  bare.Draw(&canvas);
}

TEST(TextItem, CloneHasItsOwnPropertiesUnderlineAndTag) {
  auto properties = RunWithFont(11);
  TvnTextitem source(u"text", properties);
  source.SetActualString(u"TEXT");
  source.SetNeedRecalculation(false);
  source.SetPreserveSpaces(true);
  source.SetBaseLineOffset(2);
  source.SetPixelGapForSuperscriptAndSubscript(3);
  source.SetPageNumber(4);
  source.SetBoundingRect({1, 2, 3, 4});
  source.SetUnderline(std::make_unique<TvnLine>(0, 9, 9, 9));

  std::unique_ptr<TvnTextitem> copy = CloneAs(source);
  EXPECT_EQ(copy->GetText(), u"text");
  EXPECT_EQ(copy->GetActualString(), u"TEXT");
  EXPECT_FALSE(copy->GetNeedRecalculation());
  EXPECT_TRUE(copy->GetPreserveSpaces());
  EXPECT_EQ(copy->GetBaseLineOffset(), 2);
  EXPECT_EQ(copy->GetPixelGapForSuperscriptAndSubscript(), 3);
  EXPECT_EQ(copy->GetPageNumber(), 4);
  EXPECT_EQ(copy->GetBoundingRect(), (TRect{1, 2, 3, 4}));
  EXPECT_EQ(copy->GetTag(), nullptr);
  ASSERT_NE(copy->GetRunProperties(), nullptr);
  EXPECT_NE(copy->GetRunProperties(), properties);
  ASSERT_NE(copy->GetUnderline(), nullptr);
  EXPECT_NE(copy->GetUnderline(), source.GetUnderline());
  EXPECT_EQ(copy->GetUnderline()->GetEndX(), 9);

  copy->GetRunProperties()->GetFont()->SetSize(40);
  EXPECT_EQ(properties->GetFont()->GetSize(), 11);
}

}  // namespace
}  // namespace vn::wordmodel::text_item_test
