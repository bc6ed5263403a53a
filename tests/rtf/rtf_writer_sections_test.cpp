#include "rtf/rtf_writer_sections.h"

#include <gtest/gtest.h>

#include <string>

#include "rtf/rtf_writer_paragraph.h"

namespace vn::rtf::rtf_writer_sections_test {

using writer::TvnPaperSize;
using writer::TvnRTFDocArea;
using writer::TvnRTFSection;
using writer::TvnRTFTextbox;
using writer::TvnSectionType;

// A body element with a fixed text.
class Marker : public writer::TvnRTFElement {
 public:
  explicit Marker(std::string AText) : FText(std::move(AText)) {}
  std::string Encode() override { return FText; }

 private:
  std::string FText;
};

void LetterWithInchMargins(writer::TvnPageSettings& ASettings) {
  ASettings.SetPaperSize(TvnPaperSize::Letter);
  ASettings.SetLeftMargin(96);
  ASettings.SetRightMargin(96);
  ASettings.SetTopMargin(96);
  ASettings.SetBottomMargin(96);
}

TEST(RtfWriterSections, DocumentAreaWithAPageSection) {
  TvnRTFDocArea area;
  LetterWithInchMargins(area.DocSettings());
  TvnRTFSection& section = area.CreateSection(TvnSectionType::stPage);
  LetterWithInchMargins(section.PageSettings());
  section.Body().push_back(std::make_unique<Marker>("<body>"));
  EXPECT_EQ(area.Encode(),
            "\r\n\\paperw12240\\paperh15840\\margl1440\\margr1440\\margt1440\\margb1440\\headery0\\footery0"
            "\\nouicompat\\lnbrkrule"
            "\\paperw12240\\paperh15840\r\n \\sectd{\\dntblnsbdb\\pgwsxn12240\\pghsxn15840\\marglsxn1440"
            "\\margrsxn1440\\margtsxn1440\\margbsxn1440\\headery0\\footery0\\sectdefaultcl\r\n<body>\\sect\r\n}");
}

TEST(RtfWriterSections, SectionStarts) {
  TvnRTFSection none(TvnSectionType::stNone);
  none.Body().push_back(std::make_unique<Marker>("<body>"));
  EXPECT_EQ(none.Encode(), "\\sectd\\sbknone\\cols1{<body>\\sect\r\n}");

  TvnRTFSection columns(2, 48, {{32, 300}, {0, 300}});
  columns.PageSettings().SetLeftMargin(96);
  columns.PageSettings().SetRightMargin(48);
  EXPECT_EQ(columns.SectionType(), TvnSectionType::stColumn);
  EXPECT_EQ(columns.Encode(),
            "\\sectd\\sbknone{\\cols2\\colno1\\colsr480\\colw4500\\marglsxn1440\\margrsxn720"
            "\\colno2\\colsr0\\colw4500\\marglsxn1440\\margrsxn720\\sect\r\n}");

  TvnRTFSection landscape(TvnSectionType::stPage);
  landscape.PageSettings().SetPaperSize(TvnPaperSize::Letter);
  landscape.PageSettings().SetOrientation(writer::TPrinterOrientation::poLandscape);
  landscape.PageSettings().SetBinNumber(3);
  landscape.PageSettings().SetHeaderHeight(48);
  landscape.PageSettings().SetFooterHeight(32);
  EXPECT_EQ(landscape.Encode(),
            "\r\n \\sectd{\\lndscpsxn\\dntblnsbdb\\pgwsxn15840\\pghsxn12240\\marglsxn0\\margrsxn0\\margtsxn0"
            "\\margbsxn0\\binfsxn3\\binsxn3\\headery720\\footery480\\sectdefaultcl\r\n\\sect\r\n}");
}

TEST(RtfWriterSections, HeaderAndFooterLists) {
  TvnRTFSection section(TvnSectionType::stNone);
  EXPECT_EQ(section.HeaderElements(), nullptr);
  writer::TvnRTFElements& header = section.CreateHeader();
  EXPECT_EQ(&section.CreateHeader(), &header);
  EXPECT_EQ(section.Encode(), "\\sectd\\sbknone\\cols1{\\sect\r\n}");  // an empty list writes no group
  header.push_back(std::make_unique<Marker>("<h>"));
  section.CreateFooter().push_back(std::make_unique<Marker>("<f>"));
  section.Body().push_back(std::make_unique<Marker>("<body>"));
  EXPECT_EQ(section.Encode(), "\\sectd\\sbknone\\cols1{{\\header<h>}\r\n<body>{\\footer<f>}\r\n\\sect\r\n}");
}

TEST(RtfWriterSections, TextBoxText) {
  TvnRTFTextbox box(false);
  box.Rect = {10, 20, 110, 70};
  const std::string properties =
      "{\\sp{\\sn shapeType}{\\sv 202}}\r\n{\\sp{\\sn posh}{\\sv 1}}\r\n{\\sp{\\sn anchorText}{\\sv 0}}\r\n"
      "{\\sp{\\sn lineType}{\\sv 0}}\r\n{\\sp{\\sn lineStyle}{\\sv 0}}\r\n{\\sp{\\sn lineDashing}{\\sv 0}}\r\n"
      "{\\sp{\\sn lineColor}{\\sv 536870911}}\r\n";
  EXPECT_EQ(box.Encode(),
            "\r\n{\\shp{\\*\\shpinst\\shpleft150\\shptop300\\shpright1650\\shpbottom1050\\shpfhdr0"
            "{\\sp{\\sn dxTextLeft}{\\sv 0}}{\\sp{\\sn dyTextTop}{\\sv 0}}{\\sp{\\sn dxTextRight}{\\sv 0}}"
            "{\\sp{\\sn dyTextBottom}{\\sv 0}}\\shpbxcolumn\\shpbxignore\\shpbxpage\\shpbypage\\shpwr3\\shpwrk0"
            "\\shpfblwtxt0" +
                properties +
                "{\\shptxt \\ltrpar \\pard\\plain}{\\shprslt{\\*\\do\\dobxpage\\dobypage\\dptxbx\\dpx150\\dpy300"
                "\\dpxsize1500\\dpysize750{\\dptxbxtext}}}}}");

  struct Case {
    writer::TvnHAlignment H;
    writer::TvnVAlignment V;
    platform::PenStyle Style;
    std::string Words;
  };
  const Case cases[] = {
      {writer::TvnHAlignment::haRight, writer::TvnVAlignment::vaBottom, platform::PenStyle::Dash, "3 2 1"},
      {writer::TvnHAlignment::haCenter, writer::TvnVAlignment::vaCenter, platform::PenStyle::Dot, "2 1 2"},
      {writer::TvnHAlignment::haJustify, writer::TvnVAlignment::vaTop, platform::PenStyle::DashDot, "1 0 3"},
      {writer::TvnHAlignment::haGeneral, writer::TvnVAlignment::vaTop, platform::PenStyle::DashDotDot, "1 0 0"},
  };
  for (const Case& c : cases) {
    TvnRTFTextbox aligned(true);
    aligned.HAlignment = c.H;
    aligned.VAlignment = c.V;
    aligned.Pen.style = c.Style;
    aligned.Pen.color = platform::RGBColor(255, 0, 0);
    const std::string text = aligned.Encode();
    auto value = [&text](const std::string& AName) {
      const std::string key = "{\\sp{\\sn " + AName + "}{\\sv ";
      const size_t at = text.find(key) + key.size();
      return text.substr(at, text.find('}', at) - at);
    };
    EXPECT_EQ(value("posh") + " " + value("anchorText") + " " + value("lineDashing"), c.Words);
    EXPECT_EQ(value("lineColor"), "255");
    EXPECT_NE(text.find("\\shpfhdr1"), std::string::npos);
    EXPECT_EQ(text.find("\\shpfhdr0"), std::string::npos);
  }
}

TEST(RtfWriterSections, TextBoxWritesItsParagraphsTwice) {
  writer::TvnRTFHeader header;
  TvnRTFTextbox box(false);
  auto paragraph = std::make_unique<writer::TvnRTFParagraph>(
      &header, -1, writer::TvnRTFParagraphDestinations{writer::TvnRTFParagraphDestination::pdPage});
  paragraph->Paragraph().Settings().SetUseLineSpacing(false);
  paragraph->Paragraph().InsertTextItem(u"boxed", 0, 1, {}, 24, 0, 0, 0, writer::TvnTextRise::trNormal);
  const std::string text = paragraph->Encode();
  EXPECT_EQ(box.InsertElement(std::move(paragraph)), 0);
  EXPECT_EQ(box.InsertElement(std::make_unique<Marker>("<not a paragraph>")), 1);
  const std::string boxText = box.Encode();
  EXPECT_NE(boxText.find("{\\shptxt \\ltrpar \\pard\\plain" + text + "}"), std::string::npos);
  EXPECT_NE(boxText.find("{\\dptxbxtext" + text + "}}}}}"), std::string::npos);
  EXPECT_EQ(boxText.find("<not a paragraph>"), std::string::npos);
}

}  // namespace vn::rtf::rtf_writer_sections_test
