// Pictures, floating shapes and text boxes of Word 97-2003 files: the
// picture records read into picture files, and a small built document whose
// picture and drawn-object characters become inline pictures, a floating
// picture and a text box, with the cases that make nothing and damaged
// drawing data read without harm.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "doc/doc_package.h"
#include "doc/main_document_parser.h"
#include "doc/shapes.h"
#include "doc/style_parser.h"
#include "wordmodel/images.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/text_box.h"
#include "wordmodel/text_item.h"
#include "word_document_builder.h"

namespace vn::doc::shapes_test {

using vn::doc::testing::WordDocumentBuilder;
using namespace std::string_literals;
namespace wm = vn::wordmodel;

std::string W16(uint16_t v) { return WordDocumentBuilder::Le16(v); }
std::string W32(uint32_t v) { return WordDocumentBuilder::Le32(v); }

// An Office Art record; a container has version 15.
std::string Rec(uint16_t type, uint16_t instance, const std::string& data) {
  return W16(static_cast<uint16_t>(instance << 4)) + W16(type) + W32(static_cast<uint32_t>(data.size())) + data;
}
std::string Container(uint16_t type, const std::string& children, uint16_t instance = 0) {
  return W16(static_cast<uint16_t>((instance << 4) | 0xF)) + W16(type) + W32(static_cast<uint32_t>(children.size())) +
         children;
}
// A blip-store entry: its picture of `size` bytes at `delay` of the
// WordDocument stream, or embedded after it.
std::string Fbse(uint32_t delay, uint32_t size, const std::string& embedded = "") {
  return Rec(0xF007, 5, "\x05\x05"s + std::string(16, 'u') + W16(0) + W32(size) + W32(1) + W32(delay) +
                            std::string(4, '\0') + embedded);
}
std::string Property(uint16_t id, uint32_t value) { return W16(id) + W32(value); }
// The options record: the property table, then the complex data.
std::string Options(const std::vector<std::string>& properties, const std::string& complex = "") {
  std::string table;
  for (const auto& p : properties) table += p;
  return Rec(0xF00B, static_cast<uint16_t>(properties.size()), table + complex);
}
std::string Shape(uint32_t id, const std::string& options = "") {
  return Container(0xF004, Rec(0xF00A, 1, W32(id) + W32(0x0A00)) + options);
}

const std::string kJpeg = "\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00\xFF\xD9"s;
const std::string kPng = "\x89PNG\r\n\x1A\n\x00\x00\x00\x0DIHDR"s + std::string(17, '\0');
// The header record of an enhanced metafile, then its end record.
std::string Emf() {
  std::string header = W32(1) + W32(88) + W32(0) + W32(0) + W32(99) + W32(99) + W32(0) + W32(0) + W32(2540) +
                       W32(2540) + " EMF" + W32(0x10000) + W32(108) + W32(2) + W16(0) + W16(0) + W32(0) + W32(0) +
                       W32(0) + W32(96) + W32(96) + W32(25) + W32(25);
  return header + W32(14) + W32(20) + W32(0) + W32(16) + W32(20);
}
// The bytes as one stored deflate block in the zlib wrapper.
std::string Deflated(const std::string& ABytes) {
  const auto n = static_cast<uint16_t>(ABytes.size());
  return "\x78\x01\x01"s + W16(n) + W16(static_cast<uint16_t>(~n)) + ABytes + W32(0);
}
// A metafile header: the inflated size, bounds, size, stored size and
// compression.
std::string MetafileHeader(size_t AInflated, size_t AStored, bool ACompressed) {
  return W32(static_cast<uint32_t>(AInflated)) + std::string(16, '\0') + W32(0) + W32(0) +
         W32(static_cast<uint32_t>(AStored)) + std::string(1, ACompressed ? '\0' : '\xFE') + "\xFE";
}

std::vector<uint8_t> Blip(const std::string& ARecord, int64_t AAvailable = -1) {
  const std::vector<uint8_t> bytes(ARecord.begin(), ARecord.end());
  return ReadBlipRecord(bytes, 0, AAvailable < 0 ? static_cast<int64_t>(bytes.size()) : AAvailable);
}
std::string Text(const std::vector<uint8_t>& ABytes) { return std::string(ABytes.begin(), ABytes.end()); }

TEST(DocPictureRecords, EachKindGivesItsPictureFile) {
  const std::string emf = Emf();
  const std::string dib = W32(40) + W32(1) + W32(1) + W16(1) + W16(24) + W32(0) + W32(4) + std::string(16, '\0') +
                          "\x00\x00\xFF\x00"s;
  struct Case {
    const char* what;
    std::string record;
    std::string expected;  // empty: no picture
  };
  const std::vector<Case> cases = {
      {"JPEG with one identifier", Rec(0xF01D, 0x46A, std::string(17, 'i') + kJpeg), kJpeg},
      {"JPEG with two identifiers", Rec(0xF01D, 0x46B, std::string(33, 'i') + kJpeg), kJpeg},
      {"PNG", Rec(0xF01E, 0x6E0, std::string(17, 'i') + kPng), kPng},
      {"compressed metafile is inflated",
       Rec(0xF01A, 0x3D4, std::string(16, 'i') + MetafileHeader(emf.size(), Deflated(emf).size(), true) + Deflated(emf)),
       emf},
      {"uncompressed metafile", Rec(0xF01A, 0x3D5, std::string(32, 'i') + MetafileHeader(emf.size(), emf.size(), false) + emf),
       emf},
      {"bitmap gets its file header", Rec(0xF01F, 0x7A8, std::string(17, 'i') + dib),
       "BM"s + W32(static_cast<uint32_t>(14 + dib.size())) + W32(0) + W32(54) + dib},
      {"not a picture record", Rec(0xF018, 0x46A, std::string(17, 'i') + kJpeg), ""},
      {"bytes no decoder knows", Rec(0xF01D, 0x46A, std::string(17, 'i') + "not a picture"), ""},
      {"record shorter than its identifiers", Rec(0xF01D, 0x46A, std::string(10, 'i')), ""},
      {"metafile inflating to nothing", Rec(0xF01A, 0x3D4, std::string(16, 'i') + MetafileHeader(0, 4, true) + "junk"),
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Text(Blip(c.record)), c.expected);
  }
  // The record's length and the bytes available bound the picture.
  const std::string cut = Rec(0xF01D, 0x46A, std::string(17, 'i') + kJpeg);
  EXPECT_EQ(Text(Blip(cut, 8 + 17 + 4)), kJpeg.substr(0, 4));
  EXPECT_EQ(Text(Blip(cut.substr(0, 8 + 17 + 6))), kJpeg.substr(0, 6));
}

// A document of one paragraph: two picture characters over one picture of
// the Data stream, and four drawn-object characters: a floating picture, a
// text box, a text box whose shape has no options, and one with no anchor.
struct DrawingDocument {
  static constexpr uint32_t kTotal = 7 + 8;

  explicit DrawingDocument(const std::string& AOfficeArtOverride = "", bool AWithTail = true) {
    WordDocumentBuilder b;
    b.Text(u"\x01\x01\x08\x08\x08\x08\r"s + u"Inside\r\r"s).Stories({0, 0, 0, 0, 8});
    const std::string special = W16(0x0855) + "\x01";
    b.CharacterRun(b.Fc(0), b.Fc(2), special + W16(0x6A03) + W32(0)).CharacterRun(b.Fc(2), b.Fc(6), special);
    b.CharacterRun(b.Fc(6), b.Fc(kTotal), "");
    // The Data stream: a picture descriptor (1440 x 720 twips at 50% and
    // 100%), an empty shape container, then the blip-store entry holding
    // the picture.
    const std::string blip = Rec(0xF01D, 0x46A, std::string(17, 'i') + kJpeg);
    std::string tail = Container(0xF004, "") + Fbse(0, static_cast<uint32_t>(blip.size()), blip);
    std::string picf = W16(100) + std::string(20, '\0') + W16(1440) + W16(720) + W16(500) + W16(1000) +
                       std::string(32, '\0');
    picf = W32(static_cast<uint32_t>(4 + 2 + picf.size() + tail.size())) + W16(68) + picf;
    b.Data(picf + tail);
    // The anchors at positions 2, 3 and 4: a page-relative picture left of
    // the page behind the text with square wrapping, two text boxes.
    const auto spa = [](uint32_t lid, int32_t left, uint16_t flags) {
      return W32(lid) + W32(static_cast<uint32_t>(left)) + W32(300) + W32(1440) + W32(1740) + W16(flags) + W32(0);
    };
    const uint16_t page_square = (1 << 1) | (1 << 3) | (2 << 5) | (2 << 9);
    b.TableData(474, W32(2) + W32(3) + W32(4) + W32(kTotal) + spa(1025, -720, page_square | 0x4000) +
                         spa(1026, 150, 0) + spa(1027, 150, 0));
    b.TableData(602, W32(0) + W32(7) + W32(8) + W32(0) + W32(0) + W16(0) + W32(0) + W32(1026) + W32(0) + W32(0) +
                         W32(0) + W16(0) + W32(0) + W32(1027) + W32(0));
    // The blip store: an entry holding nothing first, then the picture in
    // the WordDocument stream.
    const uint32_t at = AWithTail ? b.WordTail(blip).WordTailOffset() : 0;
    const std::string art =
        Container(0xF000, Rec(0xF006, 0, std::string(16, '\0')) +
                              Container(0xF001, Fbse(0xFFFFFFFF, 0) + Fbse(at, static_cast<uint32_t>(blip.size())), 2)) +
        "\x00"s +
        Container(0xF002, Rec(0xF008, 0, std::string(8, '\0')) +
                              Container(0xF003, Shape(1024) +
                                                    Shape(1025, Options({Property(260, 2), Property(911, 2)})) +
                                                    Shape(1026, Options({Property(385, 0x0000FF), Property(459, 12700),
                                                                         Property(0x8000 | 896, 6), Property(129, 91440),
                                                                         Property(911, 0), Property(913, 0)},
                                                                        "B\0o\0\0\0"s)) +
                                                    Shape(1027)));
    b.TableData(554, AOfficeArtOverride.empty() ? art : AOfficeArtOverride);
    input = std::make_unique<vn::TStringStream>(b.Build());
    package = std::make_unique<TvnDOCPackage>(input.get(), u"");
    parser = std::make_unique<TvnDOCParser>(package.get(), &mediator);
    wm::FillMediatorFromReader(*parser, mediator);
    main = static_cast<TvnDOCMainDocumentParser*>(parser->GetDocumentParser());
    main->Initialize();
    main->Sections();
    items = main->GetEnumerator();
  }

  std::unique_ptr<vn::TStringStream> input;
  std::unique_ptr<TvnDOCPackage> package;
  wm::TvnDocumentMediator mediator{nullptr};
  std::unique_ptr<TvnDOCParser> parser;
  TvnDOCMainDocumentParser* main = nullptr;
  std::vector<wm::TvnDocItem*> items;
};

std::string ParagraphText(const wm::TvnCompositeDocItem& AItem) {
  std::string text;
  for (const auto& child : AItem.GetItems()) {
    if (auto* t = dynamic_cast<const wm::TvnTextitem*>(child.get())) text += vn::ToUtf8(t->GetText());
    if (auto* c = dynamic_cast<const wm::TvnCompositeDocItem*>(child.get())) text += ParagraphText(*c);
  }
  return text;
}

std::string StreamText(vn::TStream* AStream) {
  if (AStream == nullptr) return "";
  std::string bytes(static_cast<size_t>(AStream->GetSize()), '\0');
  AStream->SetPosition(0);
  AStream->Read(bytes.data(), static_cast<int64_t>(bytes.size()));
  return bytes;
}

TEST(DocShapes, PictureAndDrawnObjectCharactersBecomeModelItems) {
  DrawingDocument doc;
  ASSERT_EQ(doc.items.size(), 1u);
  auto* para = dynamic_cast<wm::TvnParagraph*>(doc.items[0]);
  ASSERT_NE(para, nullptr);
  std::vector<wm::TvnWordImage*> images;
  std::vector<wm::TvnTextBox*> boxes;
  for (const auto& item : para->GetItems()) {
    if (auto* i = dynamic_cast<wm::TvnWordImage*>(item.get())) images.push_back(i);
    if (auto* t = dynamic_cast<wm::TvnTextBox*>(item.get())) boxes.push_back(t);
  }
  ASSERT_EQ(images.size(), 3u);
  ASSERT_EQ(boxes.size(), 1u);

  // Inline pictures: sized by goal and scale, sharing the resource of
  // their Data offset, which holds exactly the JPEG file.
  for (wm::TvnWordImage* inline_image : {images[0], images[1]}) {
    EXPECT_TRUE(inline_image->GetIsInLine());
    EXPECT_EQ(inline_image->GetWidth(), 48);
    EXPECT_EQ(inline_image->GetHeight(), 48);
    EXPECT_EQ(inline_image->GetResourceName(), u"0");
    EXPECT_EQ(StreamText(inline_image->GetImageStream()), kJpeg);
  }
  // The floating picture: the blip store's second entry (the first holds
  // nothing but keeps its number), placed by its anchor.
  wm::TvnWordImage& floating = *images[2];
  EXPECT_FALSE(floating.GetIsInLine());
  EXPECT_EQ(StreamText(floating.GetImageStream()), kJpeg);
  EXPECT_EQ(floating.GetBoundingRect(), (vn::framework::TRect{-48, 20, 96, 116}));
  EXPECT_EQ(floating.GetPositionX(), -48);
  EXPECT_TRUE(floating.GetBehindDoc());
  EXPECT_EQ(floating.GetHAlignment(), wm::TvnDrawingHAlignment::dhaCenter);
  EXPECT_EQ(floating.GetHRelativePosition(), wm::TvnHRelativePosition::hrpPage);
  EXPECT_EQ(floating.GetVRelativePosition(), wm::TvnVRelativePosition::vrpPage);
  ASSERT_NE(dynamic_cast<wm::TvnWrapSquare*>(floating.GetWrap()), nullptr);
  EXPECT_EQ(floating.GetWrap()->GetWrapText(), wm::TvnWrapText::wtRight);
  EXPECT_EQ(doc.mediator.GetResourceCollection()->GetEnumerator().size(), 2u);

  // The text box: its story range as paragraphs, its shape's colours and
  // insets; a margin-relative position counts from the margin.
  wm::TvnTextBox& box = *boxes[0];
  EXPECT_FALSE(box.GetIsInLine());
  EXPECT_EQ(box.GetVRelativePosition(), wm::TvnVRelativePosition::vrpMargin);
  EXPECT_EQ(box.GetHRelativePosition(), wm::TvnHRelativePosition::hrpMargin);
  EXPECT_EQ(box.GetWrap(), nullptr);
  // Position 0 is absolute: the anchor's offset counts, no alignment.
  EXPECT_EQ(box.GetHAlignment(), wm::TvnDrawingHAlignment::dhaNoAlignment);
  EXPECT_EQ(box.GetVAlignment(), wm::TvnDrawingVAlignment::dvaNoAlignment);
  ASSERT_EQ(box.GetItems().size(), 1u);
  EXPECT_EQ(ParagraphText(box), "Inside");
  ASSERT_NE(box.GetShapeProperties(), nullptr);
  EXPECT_EQ(box.GetShapeProperties()->GetSolidFill(), (vn::framework::TvnRGBColor{255, 0, 0}));
  EXPECT_EQ(box.GetShapeProperties()->GetLineProperties()->GetWidth(), 1);
  EXPECT_EQ(box.GetBodyProperties()->GetLeftInset(), 10);
  EXPECT_EQ(box.GetBodyProperties()->GetTopInset(), 10);
  EXPECT_EQ(doc.main->Shapes().ShapesProperties().at(1026).FShapeName, u"Bo");
}

TEST(DocShapes, BlipStoreNumbersCountEmptyEntriesAndOutOfRangePicturesShowNothing) {
  DrawingDocument doc;
  const TvnDocShapes& shapes = doc.main->Shapes();
  ASSERT_EQ(shapes.BinaryImages().size(), 2u);
  EXPECT_TRUE(shapes.BinaryImages()[0]->empty());
  EXPECT_EQ(Text(*shapes.BinaryImages()[1]), kJpeg);
  // The picture number beyond the store and the one of the empty entry.
  const std::string art =
      Container(0xF000, Container(0xF001, Fbse(0xFFFFFFFF, 0), 1)) + "\x00"s +
      Container(0xF002, Container(0xF003, Shape(1025, Options({Property(260, 9)})) +
                                              Shape(1026, Options({Property(260, 1)}))));
  DrawingDocument odd(art);
  EXPECT_FALSE(odd.main->Shapes().ShapesProperties().at(1025).IsImage());
  auto* para = dynamic_cast<wm::TvnParagraph*>(odd.items[0]);
  ASSERT_NE(para, nullptr);
  size_t floating = 0;
  for (const auto& item : para->GetItems())
    if (auto* i = dynamic_cast<wm::TvnWordImage*>(item.get()); i != nullptr && !i->GetIsInLine()) ++floating;
  EXPECT_EQ(floating, 0u);
}

TEST(DocShapes, DamagedDrawingDataIsReadWithoutHarm) {
  const std::string shape = Shape(1025, Options({Property(260, 1)}));
  std::string deep = shape;
  for (int i = 0; i < 200; ++i) deep = Container(0xF003, deep);
  const std::string blip_past_end = Container(0xF001, Fbse(0x7FFFFFF0, 0xFFFFFFF0), 1);
  struct Case {
    const char* what;
    std::string art;
  };
  const std::vector<Case> cases = {
      {"container longer than its stream", W16(0xF) + W16(0xF000) + W32(0xFFFFFFF0) + blip_past_end},
      {"child longer than its container",
       Container(0xF000, W16(0xF) + W16(0xF001) + W32(0x7FFFFFFF) + Fbse(0, 10)) + "\x00"s + Container(0xF002, "")},
      {"option count beyond the record", Container(0xF000, Rec(0xF00B, 4000, Property(260, 1)))},
      {"groups nested 200 deep", Container(0xF000, "") + "\x00"s + Container(0xF002, deep)},
      {"no drawing-group container first", Container(0xF002, shape)},
      {"a complex property longer than the record",
       Container(0xF000, "") + "\x00"s +
           Container(0xF002, Container(0xF003, Shape(1025, Options({Property(0x8000 | 896, 0xFFFFFFFF)}, "A\0"s))))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DrawingDocument doc(c.art);
    ASSERT_EQ(doc.items.size(), 1u);
  }
}

}  // namespace vn::doc::shapes_test
