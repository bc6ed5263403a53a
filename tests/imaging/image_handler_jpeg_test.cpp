// JPEG pages read only their header when loaded: drawn unturned they hand
// their bytes on untouched, and the pixels are decoded only for what needs
// them (turning, bitmaps for other formats). A JPEG whose header reads but
// whose pixels cannot be decoded (its quantisation tables removed) shows
// where decoding happens.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "imaging/image_formats.h"
#include "platform/canvas/emf_recorder.h"
#include "platform/images/image_codecs.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"
#include "support/paths.h"

namespace vn::framework::image_handler_jpeg_test {
namespace {

namespace pf = vn::platform;

std::string Photo() { return ReadFileBytes(std::string(VN_FIXTURES_DIR) + "/imaging/photo.jpg"); }

// The JPEG without its DQT segments: every header field is still there.
std::string WithoutQuantisationTables(const std::string& jpeg) {
  std::string out = jpeg.substr(0, 2);
  size_t at = 2;
  while (at + 4 <= jpeg.size()) {
    const auto marker = static_cast<uint8_t>(jpeg[at + 1]);
    const size_t length = size_t(uint8_t(jpeg[at + 2])) << 8 | uint8_t(jpeg[at + 3]);
    if (marker == 0xDA) break;  // start of scan: the rest is kept as it is
    if (marker != 0xDB) out += jpeg.substr(at, 2 + length);
    at += 2 + length;
  }
  return out + jpeg.substr(at);
}

std::unique_ptr<TvnImageHandler> LoadBytes(const std::string& bytes) {
  auto doc = std::make_unique<TvnImageHandler>();
  auto stream = std::make_unique<vn::TMemoryStream>();
  stream->WriteString(bytes);
  doc->LoadFromStream(stream.release(), u"", true);
  return doc;
}

std::string Record(TvnImagePage& page, int32_t rotation) {
  pf::EmfRecorderCanvas recorder(page.GetWidth(), page.GetHeight());
  page.Draw(&recorder, page.GetWidth(), page.GetHeight(), 96, 96, rotation);
  return recorder.Finish();
}

TEST(JpegPages, UndecodablePixelsPassThroughUntilPixelsAreNeeded) {
  const std::string damaged = WithoutQuantisationTables(Photo());
  ASSERT_LT(damaged.size(), Photo().size());
  ASSERT_THROW(pf::DecodeJpeg(pf::AsBytes(damaged)), pf::EImageDecodeError);

  auto doc = LoadBytes(damaged);
  ASSERT_EQ(doc->GetPageCount(), 1);
  auto* page = static_cast<TvnImagePage*>(doc->GetPage(1));
  EXPECT_EQ(page->GetWidth(), 64);
  EXPECT_EQ(page->GetHeight(), 32);
  EXPECT_NE(Record(*page, 0).find(damaged), std::string::npos);

  EXPECT_THROW(Record(*page, 90), ExInvalidImageFormat);
  EXPECT_THROW(page->GetBitmap(), ExInvalidImageFormat);
}

TEST(JpegPages, DecodedOnDemandAndStillRecordedAsJpeg) {
  const std::string photo = Photo();
  auto doc = LoadBytes(photo);
  auto* page = static_cast<TvnImagePage*>(doc->GetPage(1));
  const pf::Bitmap expected = pf::DecodeJpeg(pf::AsBytes(photo));
  const pf::Bitmap bitmap = page->GetBitmap();
  ASSERT_EQ(bitmap.Width(), expected.Width());
  ASSERT_EQ(bitmap.Height(), expected.Height());
  EXPECT_EQ(bitmap.Format(), expected.Format());
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) ASSERT_EQ(bitmap.Pixel(x, y), expected.Pixel(x, y)) << x << "," << y;
  EXPECT_DOUBLE_EQ(bitmap.DpiX(), expected.DpiX());

  // Turned, the recording holds pixels; unturned, after decoding, the bytes.
  EXPECT_EQ(Record(*page, 90).find(photo), std::string::npos);
  EXPECT_NE(Record(*page, 0).find(photo), std::string::npos);
}

TEST(JpegPages, DamagedHeadersAndOversizedPicturesFailAtLoading) {
  const std::string photo = Photo();
  EXPECT_THROW(LoadBytes(photo.substr(0, 40)), ExInvalidImageFormat);

  auto doc = std::make_unique<TvnImageHandler>();
  doc->SetDecodeLimits({64 * 32 - 1});
  auto stream = std::make_unique<vn::TMemoryStream>();
  stream->WriteString(photo);
  EXPECT_THROW(doc->LoadFromStream(stream.release(), u"", true), ExInvalidImageFormat);
}

}  // namespace
}  // namespace vn::framework::image_handler_jpeg_test
