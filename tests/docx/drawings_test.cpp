// Pictures and text boxes: placement, wrapping, shape and body properties,
// and picture bytes from the package (the fixtures' media files).
#include <gtest/gtest.h>

#include "docx/docx_helper.h"
#include "docx_test_support.h"
#include "runtime/diagnostics.h"
#include "wordmodel/document_mediator.h"
#include "wordmodel/shape_properties.h"

namespace drawings_test {

using namespace vn::docx;
using namespace vn::docx::testing;
using vn::wordmodel::TvnHRelativePosition;
using vn::wordmodel::TvnVRelativePosition;

std::string Anchor(const std::string& AAttributes, const std::string& AInner) {
  return "<w:drawing><wp:anchor " + AAttributes + "><wp:extent cx=\"914400\" cy=\"457200\"/>" + AInner +
         "</wp:anchor></w:drawing>";
}

class DocxDrawings : public ::testing::Test {
 protected:
  std::unique_ptr<TvnWordImage> Picture(const std::string& AXml, TvnDOCXPackage* APackage = nullptr,
                                        const TvnDocXPackagePart* APart = nullptr) {
    Snippet xml(AXml);
    return helper_.GetImageRun(xml.Root(), APackage, APart, mediator_.GetResourceCollection());
  }
  std::unique_ptr<TvnTextBox> Box(const std::string& AXml) {
    Snippet xml(AXml);
    return helper_.GetTextBox(xml.Root(), &mediator_, nullptr, mediator_.GetResourceCollection(), nullptr, nullptr,
                              nullptr, nullptr);
  }

  vn::Diagnostics warnings_;
  vn::wordmodel::TvnDocumentMediator mediator_{nullptr};
  TvnDOCXHelperFunctions helper_{&warnings_};
};

TEST_F(DocxDrawings, AnInlinePictureIsSizedInPixels) {
  auto image = Picture(
      "<w:drawing><wp:inline><wp:extent cx=\"914400\" cy=\"914400\"/>"
      "<wp:effectExtent l=\"19050\" t=\"0\" r=\"0\" b=\"9525\"/></wp:inline></w:drawing>");
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->GetWidth(), 96);
  EXPECT_EQ(image->GetHeight(), 96);
  EXPECT_TRUE(image->GetIsInLine());
  EXPECT_EQ(image->GetWrap(), nullptr);
  EXPECT_EQ(image->GetEffectRectangle(), (TRect{2, 0, 0, 1}));  // in pixels, like every length
  EXPECT_EQ(Picture("<w:pict/>"), nullptr);
}

TEST_F(DocxDrawings, AnchoredPlacement) {
  auto image = Picture(Anchor(
      "behindDoc=\"1\" distT=\"9525\" distB=\"19050\" distL=\"95250\" distR=\"0\" relativeHeight=\"251658240\"",
      "<wp:positionH relativeFrom=\"page\"><wp:posOffset>914400</wp:posOffset></wp:positionH>"
      "<wp:positionV relativeFrom=\"paragraph\"><wp:align>bottom</wp:align></wp:positionV>"));
  EXPECT_FALSE(image->GetIsInLine());
  EXPECT_TRUE(image->GetBehindDoc());
  EXPECT_EQ(image->GetWidth(), 96);
  EXPECT_EQ(image->GetHeight(), 48);
  EXPECT_EQ(image->GetDistT(), 1);
  EXPECT_EQ(image->GetDistB(), 2);
  EXPECT_EQ(image->GetDistL(), 10);
  EXPECT_EQ(image->GetZOrder(), 251658240);
  EXPECT_EQ(image->GetHRelativePosition(), TvnHRelativePosition::hrpPage);
  EXPECT_EQ(image->GetPositionX(), 96);
  EXPECT_EQ(image->GetHAlignment(), TvnDrawingHAlignment::dhaNoAlignment);
  EXPECT_EQ(image->GetVRelativePosition(), TvnVRelativePosition::vrpParagraph);
  EXPECT_EQ(image->GetVAlignment(), TvnDrawingVAlignment::dvaBottom);
}

TEST_F(DocxDrawings, RelativeFromNamesTheReference) {
  struct HCase {
    const char* from;
    TvnHRelativePosition expected;
  };
  const HCase horizontal[] = {
      {"page", TvnHRelativePosition::hrpPage},
      {"column", TvnHRelativePosition::hrpColumn},
      {"character", TvnHRelativePosition::hrpCharacter},
      {"margin", TvnHRelativePosition::hrpMargin},
      {"leftMargin", TvnHRelativePosition::hrpLeftMargin},
      {"rightMargin", TvnHRelativePosition::hrpRightMargin},
      {"insideMargin", TvnHRelativePosition::hrpInsideMargin},
      {"outsideMargin", TvnHRelativePosition::hrpOutsideMargin},
  };
  for (const HCase& c : horizontal) {
    auto image = Picture(Anchor("", std::string("<wp:positionH relativeFrom=\"") + c.from +
                                        "\"><wp:align>center</wp:align></wp:positionH>"));
    EXPECT_EQ(image->GetHRelativePosition(), c.expected) << c.from;
    EXPECT_EQ(image->GetHAlignment(), TvnDrawingHAlignment::dhaCenter) << c.from;
  }
  struct VCase {
    const char* from;
    TvnVRelativePosition expected;
  };
  const VCase vertical[] = {
      {"page", TvnVRelativePosition::vrpPage},
      {"paragraph", TvnVRelativePosition::vrpParagraph},
      {"line", TvnVRelativePosition::vrpLine},
      {"margin", TvnVRelativePosition::vrpMargin},
      {"topMargin", TvnVRelativePosition::vrpTopMargin},
      {"bottomMargin", TvnVRelativePosition::vrpBottomMargin},
      {"insideMargin", TvnVRelativePosition::vrpInsideMargin},
      {"outsideMargin", TvnVRelativePosition::vrpOutsideMargin},
  };
  for (const VCase& c : vertical) {
    auto image = Picture(Anchor("", std::string("<wp:positionV relativeFrom=\"") + c.from +
                                        "\"><wp:posOffset>-9525</wp:posOffset></wp:positionV>"));
    EXPECT_EQ(image->GetVRelativePosition(), c.expected) << c.from;
    EXPECT_EQ(image->GetPositionY(), -1) << c.from;
  }
}

TEST_F(DocxDrawings, TheLastWrappingElementInOrderDecides) {
  using vn::wordmodel::TvnWrapSquare;
  using vn::wordmodel::TvnWrapTight;
  using vn::wordmodel::TvnWrapTopAndBottom;
  auto square = Picture(Anchor("", "<wp:wrapSquare wrapText=\"largest\" distL=\"9525\"><wp:effectExtent l=\"28575\"/>"
                                   "</wp:wrapSquare>"));
  auto* wrap = dynamic_cast<TvnWrapSquare*>(square->GetWrap());
  ASSERT_NE(wrap, nullptr);
  EXPECT_EQ(wrap->GetWrapText(), TvnWrapText::wtLargest);
  EXPECT_EQ(wrap->GetDistL(), 1);
  EXPECT_EQ(wrap->GetEffectExtentRectangle().Left, 3);

  auto tight = Picture(Anchor("", "<wp:wrapNone/><wp:wrapTight wrapText=\"left\"><wp:wrapPolygon>"
                                  "<wp:start x=\"0\" y=\"0\"/><wp:lineTo x=\"952500\" y=\"0\"/>"
                                  "<wp:lineTo x=\"952500\" y=\"95250\"/></wp:wrapPolygon></wp:wrapTight>"));
  auto* polygon = dynamic_cast<TvnWrapTight*>(tight->GetWrap());
  ASSERT_NE(polygon, nullptr);
  EXPECT_EQ(polygon->GetWrapText(), TvnWrapText::wtLeft);
  ASSERT_EQ(polygon->GetPoints().size(), 3u);
  EXPECT_EQ(polygon->GetPoints()[2].GetX(), 100);
  EXPECT_EQ(polygon->GetPoints()[2].GetY(), 10);

  EXPECT_EQ(Picture(Anchor("", "<wp:wrapTopAndBottom/><wp:wrapNone/>"))->GetWrap() != nullptr, true);
  EXPECT_NE(dynamic_cast<TvnWrapTopAndBottom*>(Picture(Anchor("", "<wp:wrapTopAndBottom distT=\"9525\"/>"))->GetWrap()),
            nullptr);
  EXPECT_EQ(Picture(Anchor("", "<wp:wrapNone/>"))->GetWrap(), nullptr);
}

TEST_F(DocxDrawings, ABadNumberInAGuardedStepEndsThatStepOnly) {
  auto image = Picture(Anchor("", "<wp:positionH relativeFrom=\"page\"><wp:posOffset>far</wp:posOffset>"
                                  "</wp:positionH><wp:positionV relativeFrom=\"page\"><wp:posOffset>9525"
                                  "</wp:posOffset></wp:positionV>"));
  EXPECT_EQ(image->GetHRelativePosition(), TvnHRelativePosition::hrpPage);
  EXPECT_EQ(image->GetPositionX(), 0);
  EXPECT_EQ(image->GetPositionY(), 1);
  EXPECT_EQ(warnings_.Count(), 1u);
  // An anchor's distance is no guarded step: the error passes out ...
  EXPECT_THROW(Picture(Anchor("distL=\"x\"", "")), vn::EConvertError);
  // ... to the builder, which tries the next alternate-content choice.
  Snippet xml("<mc:AlternateContent><mc:Choice>" + Anchor("distL=\"x\"", "") +
              "</mc:Choice><mc:Fallback><w:r><w:t>fallback</w:t></w:r></mc:Fallback></mc:AlternateContent>");
  auto item = helper_.GetParsedDocItem(xml.Root(), &mediator_, nullptr, mediator_.GetResourceCollection(), nullptr,
                                       nullptr, nullptr, nullptr);
  EXPECT_NE(dynamic_cast<TvnRun*>(item.get()), nullptr);
}

TEST_F(DocxDrawings, TextBoxesHoldTheirParagraphsAndShape) {
  auto box = Box(Anchor("", "<a:graphic><a:graphicData><wps:wsp><wps:spPr><a:xfrm><a:off x=\"9525\" y=\"19050\"/>"
                            "<a:ext cx=\"914400\" cy=\"457200\"/></a:xfrm><a:solidFill><a:srgbClr val=\"00FF00\"/>"
                            "</a:solidFill><a:ln w=\"12700\"><a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill>"
                            "</a:ln></wps:spPr><wps:txbx><w:txbxContent><w:p><w:r><w:t>one</w:t></w:r></w:p>"
                            "<w:p><w:r><w:t>two</w:t></w:r></w:p></w:txbxContent></wps:txbx>"
                            "<wps:bodyPr lIns=\"91440\" tIns=\"45720\"><a:normAutofit/></wps:bodyPr>"
                            "</wps:wsp></a:graphicData></a:graphic>"));
  ASSERT_NE(box, nullptr);
  ASSERT_EQ(box->GetCount(), 2);
  auto* first = dynamic_cast<TvnParagraph*>(box->GetItem(0));
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first->GetFinalParagraphProperties(), nullptr);  // resolved like a body paragraph
  const auto* shape = box->GetShapeProperties();
  ASSERT_NE(shape, nullptr);
  EXPECT_EQ(shape->GetOffsetX(), 1);
  EXPECT_EQ(shape->GetOffsetY(), 2);
  EXPECT_EQ(shape->GetExtentX(), 96);
  EXPECT_EQ(shape->GetExtentY(), 48);
  EXPECT_EQ(shape->GetSolidFill(), (vn::framework::TvnRGBColor{0, 255, 0}));
  ASSERT_NE(shape->GetLineProperties(), nullptr);
  EXPECT_EQ(shape->GetLineProperties()->GetWidth(), 1);
  EXPECT_EQ(shape->GetLineProperties()->GetSolidFill(), (vn::framework::TvnRGBColor{255, 0, 0}));
  ASSERT_NE(box->GetBodyProperties(), nullptr);
  EXPECT_EQ(box->GetBodyProperties()->GetLeftInset(), 10);
  EXPECT_EQ(box->GetBodyProperties()->GetTopInset(), 5);
  EXPECT_EQ(box->GetBodyProperties()->GetAutoFit(), vn::wordmodel::TvnAutoFit::afNormalAutoFit);
  EXPECT_EQ(box->GetWidth(), 96);
}

TEST_F(DocxDrawings, PicturesTakeTheirBytesFromThePackageOncePerId) {
  const std::string blip =
      "<w:drawing><wp:inline><wp:extent cx=\"9525\" cy=\"9525\"/><a:graphic><a:graphicData><pic:pic>"
      "<pic:blipFill><a:blip r:embed=\"rId5\"/></pic:blipFill></pic:pic></a:graphicData></a:graphic></wp:inline>"
      "</w:drawing>";
  vn::TStringStream bytes(StoredZip(
      {{"_rels/.rels", Relationships(Relationship("rId1", "officeDocument", "word/document.xml"))},
       {"word/_rels/document.xml.rels", Relationships(Relationship("rId5", "image", "media/a.png") +
                                                      Relationship("rId6", "image", "media/none.png"))},
       {"word/document.xml", "<w:document/>"},
       {"word/media/a.png", "PNGDATA"}}));
  TvnDOCXPackage package(bytes, TvnFileMode::tfOpened);
  auto first = Picture(blip, &package);
  auto second = Picture(blip, &package);
  EXPECT_EQ(first->GetResourceName(), u"rId5");
  EXPECT_EQ(second->GetResourceName(), u"rId5");
  EXPECT_EQ(mediator_.GetResourceCollection()->GetEnumerator().size(), 1u);
  EXPECT_EQ(StreamBytes(first->GetImageStream()), "PNGDATA");

  std::string dangling = blip;
  dangling.replace(dangling.find("rId5"), 4, "rId6");
  auto missing = Picture(dangling, &package);
  EXPECT_EQ(missing->GetImageStream(), nullptr);
  EXPECT_NE(warnings_.Summary().find("names no picture data"), std::string::npos);
}

// The fixture files: the bytes a picture holds are the media file's.
class DocxFixturePictures : public DocxDrawings {
 protected:
  // The first item of the given kind built from the part's XML.
  template <typename TItem>
  TItem* FirstBuilt(TvnDOCXPackage& APackage, vn::TStream& APartXml, const TvnDocXPackagePart* APart) {
    xml_ = std::make_unique<vn::ooxml::TXmlVerySimple>();
    xml_->LoadFromStream(APartXml);
    TXmlNodeRefs paragraphs;
    TvnDOCXHelperFunctions::GetNodes(xml_->DocumentElement(), {u"w:p"}, paragraphs);
    for (const TXmlNode* p : paragraphs) {
      items_.push_back(helper_.GetParsedDocItem(p, &mediator_, &APackage, mediator_.GetResourceCollection(), APart,
                                                nullptr, nullptr, nullptr));
      for (const auto& child : dynamic_cast<TvnParagraph*>(items_.back().get())->GetItems()) {
        if (auto* found = dynamic_cast<TItem*>(child.get())) return found;
      }
    }
    return nullptr;
  }

  std::unique_ptr<vn::ooxml::TXmlVerySimple> xml_;
  std::vector<std::unique_ptr<vn::framework::TvnDocItem>> items_;
};

TEST_F(DocxFixturePictures, BodyAndHeaderPicturesHoldTheirOwnMediaBytes) {
  TvnDOCXPackage package(DocxFixture("python_docx_pictures.docx"), TvnFileMode::tfOpened, &warnings_);
  auto body_xml = package.GetMainDocumentStream();
  auto* body_picture = FirstBuilt<TvnWordImage>(package, *body_xml, nullptr);
  ASSERT_NE(body_picture, nullptr);
  EXPECT_EQ(body_picture->GetWidth(), 96);
  EXPECT_EQ(StreamBytes(body_picture->GetImageStream()), ReadBytes(DocxFixture("body_picture.png")));

  // The header's picture Id is rId1, which in the body names the custom XML
  // part: only the header's own relationships give the right bytes.
  auto header = package.GetPackagePart(u"rId9");
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->URI(), u"word/header1.xml");
  auto header_xml = package.GetPartStream(*header);
  auto* header_picture = FirstBuilt<TvnWordImage>(package, *header_xml, header.get());
  ASSERT_NE(header_picture, nullptr);
  EXPECT_EQ(header_picture->GetResourceName(), u"word/header1.xml,rId1");
  EXPECT_EQ(StreamBytes(header_picture->GetImageStream()), ReadBytes(DocxFixture("header_picture.png")));
  EXPECT_TRUE(warnings_.Empty()) << warnings_.Summary();
}

TEST_F(DocxFixturePictures, LibreOfficeWritesAPictureAndAnAnchoredTextBox) {
  TvnDOCXPackage package(DocxFixture("libreoffice_writer.docx"), TvnFileMode::tfOpened, &warnings_);
  auto body_xml = package.GetMainDocumentStream();
  auto* picture = FirstBuilt<TvnWordImage>(package, *body_xml, nullptr);
  ASSERT_NE(picture, nullptr);
  EXPECT_TRUE(picture->GetIsInLine());
  EXPECT_EQ(StreamBytes(picture->GetImageStream()), ReadBytes(DocxFixture("body_picture.png")));

  body_xml->SetPosition(0);
  auto* box = FirstBuilt<TvnTextBox>(package, *body_xml, nullptr);
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(box->GetIsInLine());
  EXPECT_EQ(box->GetWidth(), 192);
  EXPECT_EQ(box->GetHeight(), 96);
  EXPECT_EQ(box->GetHRelativePosition(), TvnHRelativePosition::hrpColumn);
  EXPECT_EQ(box->GetHAlignment(), TvnDrawingHAlignment::dhaCenter);
  EXPECT_EQ(box->GetVRelativePosition(), TvnVRelativePosition::vrpLine);
  EXPECT_NE(dynamic_cast<vn::wordmodel::TvnWrapSquare*>(box->GetWrap()), nullptr);
  ASSERT_EQ(box->GetCount(), 1);
  ASSERT_NE(box->GetBodyProperties(), nullptr);
  EXPECT_EQ(box->GetBodyProperties()->GetLeftInset(), 6);
  EXPECT_TRUE(warnings_.Empty()) << warnings_.Summary();
}

}  // namespace drawings_test
