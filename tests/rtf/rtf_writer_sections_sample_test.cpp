// A whole file written by the writer's encoders: two page sections, the
// first with a 2 x 2 table, two pictures (the metafile wrapper and PNG) and
// a text box, the second landscape. It must match its fixture byte for byte
// and read back through the project's RTF reader with all of them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/emf/wmf_converter.h"
#include "platform/images/image_codecs.h"
#include "rtf/rtf_writer_paragraph.h"
#include "rtf/rtf_writer_sections.h"
#include "rtf/rtf_writer_table.h"
#include "rtf_test_support.h"
#include "support/paths.h"
#include "wordmodel/images.h"
#include "wordmodel/section.h"
#include "wordmodel/text_box.h"

namespace vn::rtf::rtf_writer_sections_sample_test {

using namespace writer;

// Four coloured quadrants: red, green / blue, yellow.
platform::Bitmap Quadrants(int AWidth, int AHeight) {
  platform::Bitmap bitmap(AWidth, AHeight, platform::PixelFormat::pf24bit);
  for (int y = 0; y < AHeight; ++y)
    for (int x = 0; x < AWidth; ++x) {
      const bool right = x >= AWidth / 2, bottom = y >= AHeight / 2;
      const uint8_t r = (!right && !bottom) || (right && bottom) ? 220 : 0;
      const uint8_t g = (right && !bottom) || (right && bottom) ? 180 : 0;
      const uint8_t b = !right && bottom ? 200 : 0;
      bitmap.SetPixel(x, y, platform::BGRA{b, g, r, 255});
    }
  return bitmap;
}

struct Sample {
  TvnRTFHeader Header;
  int32_t Font = 0;
  int32_t Black = 0;
  int32_t Blue = 0;

  Sample() {
    WriterFont serif;
    serif.Name = u"Liberation Serif";
    serif.Charset = 0;
    serif.Size = 12;
    Font = Header.AddFontInfoToFontTable(serif);
    Black = Header.AddColorInfoToColorTable(platform::RGBColor(0, 0, 0));
    Blue = Header.AddColorInfoToColorTable(platform::RGBColor(0, 0, 160));
  }

  std::unique_ptr<TvnRTFParagraph> Paragraph(const char16_t* AText, TvnRTFParagraphDestination ADestination,
                                             int32_t AColor = 0) {
    auto paragraph = std::make_unique<TvnRTFParagraph>(&Header, -1, TvnRTFParagraphDestinations{ADestination});
    auto& settings = paragraph->Paragraph().Settings();
    settings.SetUseLineSpacing(false);
    settings.SetAfterSpace(120);
    paragraph->Paragraph().InsertTextItem(AText, Font, AColor == 0 ? Black : AColor, {}, 24, 0, 0, 0,
                                          TvnTextRise::trNormal);
    return paragraph;
  }

  std::string Encode() {
    TvnRTFDocArea area;
    area.DocSettings().SetPaperSize(TvnPaperSize::Letter);
    area.DocSettings().SetLeftMargin(96);
    area.DocSettings().SetRightMargin(96);
    area.DocSettings().SetTopMargin(96);
    area.DocSettings().SetBottomMargin(96);
    TvnRTFSection& first = area.CreateSection(TvnSectionType::stPage);
    first.SetPageSettings(area.DocSettings());
    auto& body = first.Body();
    body.push_back(Paragraph(u"Section one: a table, two pictures and a text box.", TvnRTFParagraphDestination::pdPage));

    auto table = std::make_unique<TvnRTFTableItem>(&Header);
    const char16_t* cells[2][2] = {{u"A1", u"B1"}, {u"A2", u"B2"}};
    for (int r = 0; r < 2; ++r) {
      table->InsertRow(-1);
      for (int c = 0; c < 2; ++c) {
        TvnRTFCell& cell = table->InsertCell(r, 2880);
        cell.Right = 192.0 * (c + 1);
        cell.InsertElement(Paragraph(cells[r][c], TvnRTFParagraphDestination::pdTable));
      }
    }
    body.push_back(std::move(table));

    auto pictures = Paragraph(u"Pictures:", TvnRTFParagraphDestination::pdPage);
    pictures->Paragraph().InsertImageItem(platform::PictureOf(Quadrants(64, 48)), false, {192, 0, 288, 72});
    TvnRTFPicture& png =
        pictures->Paragraph().InsertImageItem(platform::PictureOf(Quadrants(32, 24)), false, {320, 0, 416, 72});
    png.Settings().OutputImageFormat = TvnOutputImageFormat::ifPNG;
    body.push_back(std::move(pictures));
    for (int i = 0; i < 4; ++i) body.push_back(Paragraph(u"", TvnRTFParagraphDestination::pdPage));

    auto box = std::make_unique<TvnRTFTextbox>(false);
    box->Rect = {96, 600, 480, 680};
    box->Pen.color = platform::RGBColor(0, 0, 160);
    box->InsertElement(Paragraph(u"Text in a box.", TvnRTFParagraphDestination::pdPage, Blue));
    body.push_back(std::move(box));
    body.push_back(Paragraph(u"End of section one.", TvnRTFParagraphDestination::pdPage));

    TvnRTFSection& second = area.CreateSection(TvnSectionType::stPage);
    second.SetPageSettings(area.DocSettings());
    second.PageSettings().SetOrientation(TPrinterOrientation::poLandscape);
    second.Body().push_back(Paragraph(u"Section two, landscape.", TvnRTFParagraphDestination::pdPage));

    // The body registers its colours while it is written: the header last.
    const std::string text = area.Encode();
    return Header.Encode() + text + "}";
  }
};

std::string SampleDocument() { return Sample().Encode(); }

TEST(RtfWriterSectionsSample, MatchesItsFixtureByteForByte) {
  const std::string sample = SampleDocument();
  EXPECT_EQ(sample, SampleDocument());
  if (const char* out = std::getenv("VN_WRITE_RTF_WRITER_BODY_SAMPLE")) std::ofstream(out, std::ios::binary) << sample;
  std::ifstream fixture(std::filesystem::path(VN_FIXTURES_DIR) / "rtf" / "writer_body_sample.rtf", std::ios::binary);
  ASSERT_TRUE(fixture.good());
  std::stringstream expected;
  expected << fixture.rdbuf();
  EXPECT_EQ(sample, expected.str());
}

// The pictures and text boxes anywhere among the items, in order.
void Collect(const wordmodel::TvnItemList& AItems, std::vector<wordmodel::TvnWordImage*>& AImages,
             std::vector<wordmodel::TvnTextBox*>& ABoxes) {
  for (const auto& item : AItems) {
    if (auto* image = dynamic_cast<wordmodel::TvnWordImage*>(item.get())) AImages.push_back(image);
    if (auto* box = dynamic_cast<wordmodel::TvnTextBox*>(item.get())) ABoxes.push_back(box);
    if (auto* composite = dynamic_cast<framework::TvnCompositeDocItem*>(item.get()))
      Collect(composite->GetItems(), AImages, ABoxes);
  }
}

std::string StreamBytes(TStream& AStream) {
  std::string bytes(static_cast<size_t>(AStream.Size()), '\0');
  AStream.SetPosition(0);
  AStream.Read(bytes.data(), static_cast<int64_t>(bytes.size()));
  return bytes;
}

TEST(RtfWriterSectionsSample, ReadsBackThroughTheReader) {
  const auto handler = rtf_test_support::Dispatch(SampleDocument());
  // The blanks of " \\sectd{" and of the row ends are text to the reader.
  EXPECT_EQ(rtf_test_support::DumpStructure(*handler),
            " Section one: a table, two pictures and a text box./[(A1;B1)|( A2;B2)]/ Pictures://///"
            "End of section one./ Section two, landscape.");

  const auto sections = handler->Sections();
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_EQ(sections[0]->GetPageWidth(), 816);
  EXPECT_EQ(sections[0]->GetPageHeight(), 1056);
  EXPECT_EQ(sections[1]->GetPageWidth(), 1056);
  EXPECT_EQ(sections[1]->GetPageHeight(), 816);

  std::vector<wordmodel::TvnWordImage*> images;
  std::vector<wordmodel::TvnTextBox*> boxes;
  for (auto* element : handler->Elements())
    if (auto* composite = dynamic_cast<framework::TvnCompositeDocItem*>(element))
      Collect(composite->GetItems(), images, boxes);
  ASSERT_EQ(images.size(), 2u);
  const std::string wmf = StreamBytes(*images[0]->GetImageStream());
  EXPECT_TRUE(platform::emf::IsWmf(platform::AsBytes(wmf)));
  const platform::Bitmap png = platform::DecodePng(platform::AsBytes(StreamBytes(*images[1]->GetImageStream())));
  const platform::Bitmap source = Quadrants(32, 24);
  ASSERT_EQ(png.Width(), source.Width());
  for (int y = 0; y < source.Height(); ++y)
    for (int x = 0; x < source.Width(); ++x) ASSERT_EQ(png.Pixel(x, y), source.Pixel(x, y)) << x << "," << y;

  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(rtf_test_support::DumpItems(boxes[0]->GetItems()), "Text in a box.");
}

}  // namespace vn::rtf::rtf_writer_sections_sample_test
