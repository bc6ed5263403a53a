#include "wordmodel/images.h"

#include <gtest/gtest.h>

#include "platform/canvas/emf_recorder.h"
#include "platform/images/image_codecs.h"
#include "support/trace_canvas.h"

namespace vn::wordmodel::images_test {
namespace {

namespace pf = vn::platform;

pf::Bitmap TwoColours() {
  pf::Bitmap bitmap(2, 1, pf::PixelFormat::pf24bit);
  bitmap.SetPixel(0, 0, {0, 0, 255, 255});
  bitmap.SetPixel(1, 0, {255, 0, 0, 255});
  return bitmap;
}

std::string EmfBytes() {
  pf::EmfRecorderCanvas recorder(40, 20);
  recorder.Rectangle({2, 3, 30, 15});
  return recorder.Finish();
}

// The calls a picture makes on a trace canvas when drawn at (10, 10) in a
// 40 by 20 box.
std::vector<std::string> DrawnCalls(TvnWordImage& AImage) {
  AImage.SetBoundingRect({10, 10, 50, 30});
  pf::testing::TraceCanvas trace({"Rectangle", "DrawBitmap", "DrawJpeg"});
  vn::framework::TvnVCLCanvas canvas(&trace);
  AImage.Draw(&canvas);
  return trace.Calls();
}

struct PictureCase {
  const char* name;
  std::string bytes;
  std::string call;  // the start of the expected drawing call
};

std::vector<PictureCase> Pictures() {
  const std::string jpeg = pf::EncodeJpeg(TwoColours());
  return {
      {"EMF", EmfBytes(), "Rectangle "},
      {"PNG", pf::EncodePng(TwoColours()), "DrawBitmap 10,10 50,30 2x1"},
      {"JPEG", jpeg, "DrawJpeg 10,10 50,30 2x1 " + std::to_string(jpeg.size()) + " bytes"},
  };
}

TEST(WordImage, DrawsPicturesHeldInAStreamOrInTheResourceCollection) {
  for (const PictureCase& c : Pictures()) {
    SCOPED_TRACE(c.name);
    TvnWordImage fromStream(std::make_shared<vn::TStringStream>(c.bytes));
    std::vector<std::string> calls = DrawnCalls(fromStream);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(calls[0].starts_with(c.call)) << calls[0];

    TvnResourceCollection collection;
    auto resource = std::make_unique<TvnImageResource>(u"rId7");
    resource->SetResourceStream(std::make_shared<vn::TStringStream>(c.bytes));
    resource->SetImageFormat(TvnImageFormat::ifPNG);
    collection.AddResource(std::move(resource));
    TvnWordImage fromResource(&collection);
    fromResource.SetResourceName(u"rId7");
    calls = DrawnCalls(fromResource);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(calls[0].starts_with(c.call)) << calls[0];
    EXPECT_EQ(fromResource.GetImageFormat(), TvnImageFormat::ifPNG);  // taken from the resource
  }
}

TEST(WordImage, ImageWithoutDataDrawsNothing) {
  TvnResourceCollection collection;
  TvnWordImage noResource(&collection);
  EXPECT_EQ(noResource.GetImageStream(), nullptr);
  EXPECT_TRUE(DrawnCalls(noResource).empty());
  TvnWordImage noStream(std::shared_ptr<vn::TStream>{});
  EXPECT_TRUE(DrawnCalls(noStream).empty());
  noStream.Draw(nullptr);
}

// Data that no picture reader takes leave the box empty instead of failing
// the page: ten bytes of a damaged metafile, a cut PNG, nothing at all.
TEST(WordImage, DataNoReaderTakesDrawsNothing) {
  const std::string png = pf::EncodePng(TwoColours());
  for (const std::string& bytes : {std::string("\x01\x00\x09\x00\x00\x03\x00\x00\x00\x00", 10),
                                   png.substr(0, png.size() / 2), std::string()}) {
    TvnWordImage image(std::make_shared<vn::TStringStream>(bytes));
    EXPECT_TRUE(DrawnCalls(image).empty()) << bytes.size() << " bytes";
  }
}

TEST(DocImage, ResourceNameAndIdentifierMustBeInTheCollection) {
  TvnResourceCollection collection;
  auto resource = std::make_unique<TvnImageResource>(u"known");
  const int32_t id = resource->GetResourceId();
  collection.AddResource(std::move(resource));

  TvnDocImage image(&collection);
  EXPECT_EQ(image.GetResourceId(), -1);
  image.SetResourceName(u"unknown");
  EXPECT_EQ(image.GetResourceName(), u"");
  image.SetResourceName(u"known");
  EXPECT_EQ(image.GetResourceName(), u"known");
  image.SetResourceId(id + 1000);
  EXPECT_EQ(image.GetResourceId(), -1);
  image.SetResourceId(id);
  EXPECT_EQ(image.GetResourceId(), id);

  // Without a collection nothing is stored.
  TvnDocImage streamImage(std::make_shared<vn::TStringStream>("x"));
  streamImage.SetResourceName(u"known");
  EXPECT_EQ(streamImage.GetResourceName(), u"");
}

TEST(DocImage, ResourceInAFileGivesItsFileNameAndNoStream) {
  TvnResourceCollection collection;
  auto resource = std::make_unique<TvnImageResource>(u"linked");
  resource->SetResourceFile(u"/pictures/logo.png");
  resource->SetImageFormat(TvnImageFormat::ifGIF);
  const int32_t id = resource->GetResourceId();
  collection.AddResource(std::move(resource));

  // Found by identifier when the name is not set.
  TvnDocImage image(&collection);
  image.SetResourceId(id);
  EXPECT_EQ(image.GetImageStream(), nullptr);
  EXPECT_EQ(image.GetFileName(), u"/pictures/logo.png");
  EXPECT_EQ(image.GetImageFormat(), TvnImageFormat::ifGIF);

  TvnDocImage fileImage(String(u"/a/b.jpg"));
  EXPECT_TRUE(fileImage.GetIsFromFile());
  EXPECT_EQ(fileImage.GetFileName(), u"/a/b.jpg");
  EXPECT_EQ(fileImage.GetImageStream(), nullptr);
}

TEST(WordImage, CloneKeepsDataAndEveryPlacementProperty) {
  auto stream = std::make_shared<vn::TStringStream>(pf::EncodePng(TwoColours()));
  stream->SetPosition(5);
  TvnWordImage source(stream);
  source.SetBoundingRect({300, 400, 340, 420});  // where the layout put it
  source.SetSize({40, 20});
  source.SetKeepAspectRatio(true);
  source.SetRotationAngle(90);
  source.SetZOrder(3);
  source.SetIsInLine(true);
  source.SetBehindDoc(true);
  source.SetHRelativePosition(TvnHRelativePosition::hrpPage);
  source.SetVAlignment(TvnDrawingVAlignment::dvaBottom);
  source.SetDistL(4);
  source.SetEffectRectangle({1, 2, 3, 4});
  auto wrap = std::make_unique<TvnWrapSquare>();
  wrap->SetDistR(6);
  source.SetWrap(std::move(wrap));
  source.GetRegion()->AddRectangle({300, 400, 340, 420});
  source.SetPositionX(12);  // the reader's offset
  source.SetX(300);

  std::unique_ptr<TvnWordImage> copy = CloneAs(source);
  EXPECT_EQ(copy->GetBoundingRect(), (TRect{300, 400, 340, 420}));
  EXPECT_EQ(copy->GetPositionX(), 12);
  EXPECT_EQ(copy->GetSize().cx, 40);
  EXPECT_TRUE(copy->GetKeepAspectRatio());
  EXPECT_EQ(copy->GetRotationAngle(), 90);
  EXPECT_EQ(copy->GetZOrder(), 3);
  EXPECT_TRUE(copy->GetIsInLine());
  EXPECT_TRUE(copy->GetBehindDoc());
  EXPECT_EQ(copy->GetHRelativePosition(), TvnHRelativePosition::hrpPage);
  EXPECT_EQ(copy->GetVAlignment(), TvnDrawingVAlignment::dvaBottom);
  EXPECT_EQ(copy->GetDistL(), 4);
  EXPECT_EQ(copy->GetEffectRectangle(), (TRect{1, 2, 3, 4}));
  ASSERT_NE(dynamic_cast<TvnWrapSquare*>(copy->GetWrap()), nullptr);
  EXPECT_NE(copy->GetWrap(), source.GetWrap());
  EXPECT_EQ(copy->GetWrap()->GetDistR(), 6);
  ASSERT_EQ(copy->GetRegion()->GetPathItems().size(), 1u);
  EXPECT_NE(copy->GetRegion(), source.GetRegion());

  // The copy's bytes are its own; the source's stream keeps its position.
  EXPECT_EQ(stream->Position(), 5);
  ASSERT_NE(copy->GetImageStream(), nullptr);
  EXPECT_NE(copy->GetImageStream(), stream.get());
  stream->SetSize(0);
  EXPECT_EQ(DrawnCalls(*copy), (std::vector<std::string>{"DrawBitmap 10,10 50,30 2x1"}));
}

TEST(WordImage, CloneOfAResourceImageRefersToTheSameResource) {
  TvnResourceCollection collection;
  auto resource = std::make_unique<TvnImageResource>(u"rId2");
  resource->SetResourceStream(std::make_shared<vn::TStringStream>(EmfBytes()));
  collection.AddResource(std::move(resource));
  TvnWordImage source(&collection);
  source.SetResourceName(u"rId2");

  std::unique_ptr<TvnWordImage> copy = CloneAs(source);
  EXPECT_TRUE(copy->GetIsFromResource());
  EXPECT_EQ(copy->GetResourceCollection(), &collection);
  EXPECT_EQ(copy->GetResourceName(), u"rId2");
  EXPECT_EQ(copy->GetImageStream(), source.GetImageStream());

  // A plain image item copies into an image item too.
  TvnDocImage plain(&collection);
  plain.SetResourceName(u"rId2");
  std::unique_ptr<TvnDocImage> plainCopy = CloneAs(plain);
  EXPECT_EQ(plainCopy->GetResourceName(), u"rId2");
}

}  // namespace
}  // namespace vn::wordmodel::images_test
