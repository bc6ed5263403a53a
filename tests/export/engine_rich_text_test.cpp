// DrawRichText and ExportRichText of the export engine over rich text of
// known pages: which pages are drawn, where, on which engine pages, with
// which background; and what happens without a document or a loader.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "export/document_engine.h"
#include "export/rich_text.h"
#include "recording_engine.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"
#include "support/trace_canvas.h"

namespace vn::exporter::engine_rich_text_test {
namespace {

using testing::RecordingEngine;

// Rich text of pages with the given character ranges; each page's picture
// is its number, and every layout is remembered.
struct KnownRichText : TvnRichText {
  std::vector<std::pair<int32_t, int32_t>> Ranges;
  int32_t Length = 0;
  std::vector<std::string> Layouts;
  int32_t TextLength() override { return Length; }
  std::vector<TvnRichTextPage> LayOut(int32_t AWidth, int32_t AHeight) override {
    Layouts.push_back(std::to_string(AWidth) + "x" + std::to_string(AHeight));
    std::vector<TvnRichTextPage> pages;
    for (size_t i = 0; i < Ranges.size(); ++i) {
      TvnRichTextPage page;
      page.StartPos = Ranges[i].first;
      page.EndPos = Ranges[i].second;
      page.Picture.Bytes = "p" + std::to_string(i + 1);
      pages.push_back(std::move(page));
    }
    return pages;
  }
};

// One log for every page canvas: the calls on its surface and the pictures
// drawn into it, each line after the engine page it was drawn on.
struct SharedLog {
  std::vector<std::string> Lines;
};

struct TracingPageCanvas : TMetafileCanvas {
  TracingPageCanvas(SharedLog& ALog, int APage) : Log(ALog), Page(APage) {}
  vn::platform::Canvas* Surface() override { return &Trace; }
  std::unique_ptr<TMetafile> EndRecording() override {
    Flush();
    return nullptr;
  }
  void StretchDraw(const TRect& ADest, const TMetafile& AMetafile) override {
    Flush();  // the surface's calls so far come first
    Log.Lines.push_back(std::to_string(Page) + " draw " + AMetafile.Bytes + " " + std::to_string(ADest.Left) + "," +
                        std::to_string(ADest.Top) + " " + std::to_string(ADest.Right) + "," +
                        std::to_string(ADest.Bottom));
  }
  void Flush() {
    for (; Flushed < Trace.Calls().size(); ++Flushed) Log.Lines.push_back(std::to_string(Page) + " " + Trace.Calls()[Flushed]);
  }
  SharedLog& Log;
  int Page;
  size_t Flushed = 0;
  vn::platform::testing::TraceCanvas Trace{"Rectangle", "SetBrush"};
};

class EngineRichText : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPageCanvasFactory([this](int32_t, int32_t) { return std::make_unique<TracingPageCanvas>(FLog, ++FPages); });
    FEngine.SetMeasurementUnit(TvnUnitType::muPixels);
    FText.Length = 30;
    FText.Ranges = {{0, 10}, {10, 20}, {20, 30}};
  }
  void TearDown() override {
    SetPageCanvasFactory(nullptr);
    SetRichTextLoader(nullptr);
  }
  // Draws the known text and ends the document; answers the log.
  std::vector<std::string> Draw(int32_t AStart, int32_t AEnd, TColor ABackground) {
    FEngine.BeginDoc();
    FEngine.DrawRichText(FText, 10, 20, 110, 70, AStart, AEnd, ABackground);
    FEngine.EndDoc();
    return FLog.Lines;
  }

  SharedLog FLog;
  int FPages = 0;
  KnownRichText FText;
  RecordingEngine FEngine;
};

TEST_F(EngineRichText, PagesThatHoldTheRangeAreDrawnOnePerEnginePage) {
  struct Case {
    int32_t start, end;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {0, -1, {"1 draw p1 10,20 110,70", "2 draw p2 10,20 110,70", "3 draw p3 10,20 110,70"}},
      {12, 15, {"1 draw p2 10,20 110,70"}},
      {9, 11, {"1 draw p1 10,20 110,70", "2 draw p2 10,20 110,70"}},
      {25, 500, {"1 draw p3 10,20 110,70"}},
      {-5, 10, {"1 draw p1 10,20 110,70"}},
      // An empty range draws nothing.
      {10, 10, {}},
      {20, 5, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.start) + " to " + std::to_string(c.end));
    FLog.Lines.clear();
    FPages = 0;
    EXPECT_EQ(Draw(c.start, c.end, 0xFFFFFF), c.lines);
  }
  // The layout is asked for the rectangle's size in pixels.
  EXPECT_EQ(FText.Layouts.front(), "100x50");
}

TEST_F(EngineRichText, ABackgroundOtherThanWhiteFillsTheRectangleOnEveryPage) {
  EXPECT_EQ(Draw(0, 20, 0x0000FF), (std::vector<std::string>{"1 SetBrush Solid #FF0000", "1 Rectangle 10,20 110,70",
                                                              "1 draw p1 10,20 110,70", "2 SetBrush Solid #FF0000",
                                                              "2 Rectangle 10,20 110,70", "2 draw p2 10,20 110,70"}));
}

TEST_F(EngineRichText, NothingIsDrawnWithoutAStartedDocument) {
  FEngine.DrawRichText(FText, 10, 20, 110, 70, 0, -1, 0xFFFFFF);
  vn::TMemoryStream stream;
  stream.WriteString("{\\rtf1 x}");
  FEngine.ExportRichText(stream, 10, 20, 110, 70, 0, -1, 0xFFFFFF);
  EXPECT_TRUE(FText.Layouts.empty());
  EXPECT_EQ(FPages, 0);
}

TEST_F(EngineRichText, ExportRichTextReadsTheStreamFromItsStartThroughTheLoader) {
  std::string seen;
  SetRichTextLoader([&](vn::TStream& AStream) -> std::unique_ptr<TvnRichText> {
    seen.resize(static_cast<size_t>(AStream.Size() - AStream.Position()));
    AStream.ReadBuffer(seen.data(), static_cast<int64_t>(seen.size()));
    auto text = std::make_unique<KnownRichText>();
    text->Length = 5;
    text->Ranges = {{0, 5}};
    return text;
  });
  vn::TMemoryStream stream;
  stream.WriteString("{\\rtf1 hello}");
  FEngine.BeginDoc();
  FEngine.ExportRichText(stream, 0, 0, 50, 50, 0, -1, 0xFFFFFF);
  FEngine.EndDoc();
  EXPECT_EQ(seen, "{\\rtf1 hello}");
  EXPECT_EQ(FLog.Lines, (std::vector<std::string>{"1 draw p1 0,0 50,50"}));
}

TEST_F(EngineRichText, WithoutALoaderRichTextIsNotSupported) {
  vn::TMemoryStream stream;
  stream.WriteString("{\\rtf1 x}");
  FEngine.BeginDoc();
  try {
    FEngine.ExportRichText(stream, 0, 0, 50, 50, 0, -1, 0xFFFFFF);
    ADD_FAILURE() << "no error";
  } catch (const vn::ENotSupportedException& e) {
    EXPECT_STREQ(e.what(), "Rich text is not supported");
  }
  FEngine.EndDoc();
}

}  // namespace
}  // namespace vn::exporter::engine_rich_text_test
