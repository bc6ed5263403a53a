// The RTF document's content conversion: tab positions from the paragraph's
// stops (and a default when there are none), line breaks that keep words
// apart, table cells in twips with right edges in pixels, pictures redrawn
// over their whole box, and pictures that cannot be read left out while
// their paragraph keeps its text.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/images/image_codecs.h"
#include "rtf/rtf_document.h"
#include "wordmodel/images.h"
#include "wordmodel/layout_tags.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/text_item.h"

namespace rtf_content_conversion_test {

namespace fw = vn::framework;
namespace pf = vn::platform;
using namespace vn::wordmodel;
using vn::String;
using vn::rtf::TvnRTFDocument;
using vn::rtf::writer::TvnRTFParagraphDestination;
using vn::rtf::writer::TvnRTFTextItem;

const vn::rtf::writer::TvnRTFParagraphDestinations kBody{TvnRTFParagraphDestination::pdPage};

std::vector<double> TabPositions(vn::rtf::writer::TvnRTFParagraph& AParagraph) {
  std::vector<double> tabs;
  for (const auto& item : AParagraph.Paragraph().DocItems())
    if (const auto* text = dynamic_cast<const TvnRTFTextItem*>(item.get()); text && text->TabPos > 0)
      tabs.push_back(text->TabPos);
  return tabs;
}

// The texts of the paragraph's runs, one after the other.
std::string RunText(vn::rtf::writer::TvnRTFParagraph& AParagraph) {
  std::string text;
  for (const auto& item : AParagraph.Paragraph().DocItems())
    if (const auto* run = dynamic_cast<const TvnRTFTextItem*>(item.get())) text += vn::ToUtf8(run->Text);
  return text;
}

std::unique_ptr<TvnTextElement> Element(const String& AText, TvnBreakType ABreak) {
  auto e = std::make_unique<TvnTextElement>();
  e->SetText(AText);
  e->SetTextBreak(ABreak);  // no font: the default font is used
  return e;
}

TEST(RTFContentConversion, FormatterTabsTakeTheStopsInOrderThenTheDefault) {
  TvnRTFDocument doc;
  TvnFormatterParagraph paragraph;
  TvnFormatterTab first, second, left;
  first.SetPosition(36);
  second.SetPosition(72);
  // A stop left of the margin (text set into the margin) would write no tab.
  left.SetPosition(-18);
  paragraph.GetTabs() = {&first, &second, &left};
  std::vector<std::unique_ptr<TvnTextElement>> elements;
  for (const String text : {u"a", u"b", u"c", u"d"}) elements.push_back(Element(text, TvnBreakType::btTab));
  for (const auto& e : elements) paragraph.GetDocItems().push_back(e.get());
  auto rtf = doc.ConvertFormatterParagraph(paragraph, kBody);
  // 36 points are 48 pixels, 720 twips; a fourth tab has no stop.
  EXPECT_EQ(TabPositions(*rtf), (std::vector<double>{720, 1440, 1, 1}));
  EXPECT_NE(rtf->Encode().find("\\tx720\\tab "), std::string::npos);
}

TEST(RTFContentConversion, FormatterLineBreaksKeepWordsApart) {
  TvnRTFDocument doc;
  TvnFormatterParagraph paragraph;
  auto line1 = Element(u"end", TvnBreakType::btLine);
  auto line2 = Element(u"next", TvnBreakType::btNone);
  paragraph.GetDocItems() = {line1.get(), line2.get()};
  EXPECT_EQ(RunText(*doc.ConvertFormatterParagraph(paragraph, kBody)), "end next");
}

std::unique_ptr<TvnRun> RunOf(std::vector<std::unique_ptr<TvnDocItem>> AItems) {
  auto run = std::make_unique<TvnRun>();
  for (auto& item : AItems) run->Add(std::move(item));
  return run;
}

TEST(RTFContentConversion, WordTabsCountAcrossRunsAndLineBreaksKeepWordsApart) {
  TvnRTFDocument doc;
  struct Case {
    const char* What;
    std::vector<int32_t> Stops;  // pixels
    std::vector<double> Expected;
  };
  const Case cases[] = {{"two stops", {48, 96}, {720, 1440}}, {"no stops", {}, {1, 1}}};
  for (const bool laidOut : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.What);
      SCOPED_TRACE(laidOut ? "marked by the layout" : "tab breaks");
      TvnParagraph paragraph;
      auto props = std::make_shared<TvnParagraphProperties>();
      for (const int32_t stop : c.Stops) {
        auto tab = std::make_shared<TvnTab>();
        tab->SetPosition(stop);
        props->GetTabs().push_back(tab);
      }
      paragraph.SetFinalParagraphProperties(props);
      for (const String text : {u"one", u"two"}) {
        std::vector<std::unique_ptr<TvnDocItem>> items;
        // Laying a paragraph out takes its tab breaks out of the runs and
        // marks the text after each instead.
        auto item = std::make_unique<TvnTextitem>(text, nullptr);
        if (laidOut)
          TextItemTagOf(*item)->SetIsTabbed(true);
        else
          items.push_back(std::make_unique<TvnBreak>(TvnBreakType::btTab));
        items.push_back(std::move(item));
        items.push_back(std::make_unique<TvnBreak>(TvnBreakType::btLine));
        paragraph.AddTextRun(RunOf(std::move(items)));
      }
      auto rtf = doc.ConvertWordParagraph(paragraph, kBody);
      EXPECT_EQ(TabPositions(*rtf), c.Expected);
      EXPECT_EQ(RunText(*rtf), "one two ");
    }
  }
}

// Indents and spaces a paragraph leaves unset are none; a hanging indent
// places the first line to the left of the others, as the layout does.
TEST(RTFContentConversion, WordParagraphsWriteUnsetLengthsAsNone) {
  TvnRTFDocument doc;
  struct Case {
    const char* What;
    int32_t Left, Hanging;
    const char* Expected;
  };
  const Case cases[] = {
      {"nothing set", kUnsetValue, kUnsetValue, "\\fi0\\li0\\ri0\\sa0\\sb0"},
      {"a hanging indent", 48, 24, "\\fi-360\\li720\\ri0\\sa0\\sb0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    TvnParagraph paragraph;
    auto props = std::make_shared<TvnParagraphProperties>();
    props->SetLeftIndent(c.Left);
    props->SetHanging(c.Hanging);
    paragraph.SetFinalParagraphProperties(props);
    std::vector<std::unique_ptr<TvnDocItem>> items;
    items.push_back(std::make_unique<TvnTextitem>(u"text", nullptr));
    paragraph.AddTextRun(RunOf(std::move(items)));
    const std::string rtf = doc.ConvertWordParagraph(paragraph, kBody)->Encode();
    EXPECT_NE(rtf.find(c.Expected), std::string::npos) << rtf;
    EXPECT_EQ(rtf.find("\\sl2147483647"), std::string::npos) << rtf;
  }
}

TEST(RTFContentConversion, FormatterTableCellsInTwipsWithRunningRightEdges) {
  TvnRTFDocument doc;
  TvnFormatterTable table;
  std::vector<std::unique_ptr<TvnFormatterTableRow>> rows;
  std::vector<std::unique_ptr<TvnFormatterTableCell>> cells;
  for (int r = 0; r < 2; ++r) {
    rows.push_back(std::make_unique<TvnFormatterTableRow>());
    for (int c = 0; c < 3; ++c) {
      cells.push_back(std::make_unique<TvnFormatterTableCell>());
      cells.back()->SetWidth(72);
      rows.back()->GetCells().push_back(cells.back().get());
    }
    table.GetRows().push_back(rows.back().get());
  }
  auto rtf = doc.ConvertFormatterTable(table);
  ASSERT_EQ(rtf->RowCount(), 2);
  for (int r = 0; r < 2; ++r) {
    std::vector<double> widths, rights;
    for (const auto& cell : rtf->Row(r)) {
      widths.push_back(cell->Width);
      rights.push_back(cell->Right);
    }
    EXPECT_EQ(widths, (std::vector<double>{1440, 1440, 1440}));
    EXPECT_EQ(rights, (std::vector<double>{96, 192, 288}));
  }
}

TEST(RTFContentConversion, PicturesAreStretchedOverTheirWholeBox) {
  pf::Bitmap red(10, 10, pf::PixelFormat::pf24bit);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) red.SetPixel(x, y, {0, 0, 255, 255});
  vn::TStringStream png(pf::EncodePng(red));
  const pf::Picture picture = TvnRTFDocument::LoadImageAsBitmap(&png, 50, 100);
  ASSERT_TRUE(picture.Bitmap);
  EXPECT_EQ(picture.Bitmap->Width(), 100);
  EXPECT_EQ(picture.Bitmap->Height(), 50);
  // The rightmost columns are drawn too.
  EXPECT_EQ(picture.Bitmap->Pixel(99, 25), (pf::BGRA{0, 0, 255, 255}));
  EXPECT_TRUE(TvnRTFDocument::LoadImageAsBitmap(nullptr, 50, 100).Empty());
  pf::Picture empty;
  EXPECT_FALSE(TvnRTFDocument::ResizeBitmap(empty, 10, 10));
}

TEST(RTFContentConversion, AnUnreadablePictureIsLeftOutAndTheTextKept) {
  TvnRTFDocument doc;
  TvnParagraph paragraph;
  std::vector<std::unique_ptr<TvnDocItem>> items;
  items.push_back(std::make_unique<TvnTextitem>(u"Kept", nullptr));
  paragraph.AddTextRun(RunOf(std::move(items)));
  auto image = std::make_unique<TvnWordImage>(std::make_shared<vn::TStringStream>(std::string("not a picture")));
  image->SetBoundingRect({0, 0, 100, 50});
  paragraph.Add(std::move(image));
  auto rtf = doc.ConvertWordParagraph(paragraph, kBody);
  EXPECT_EQ(rtf->Paragraph().DocItems().size(), 1u);
  EXPECT_NE(rtf->Encode().find("Kept"), std::string::npos);
}

}  // namespace rtf_content_conversion_test
