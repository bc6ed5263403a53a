// The image formats in the format registry: which class serves which
// extension, which formats are offered for saving, and loading through the
// document manager after start-up.
#include <gtest/gtest.h>

#include "framework/vnDocumentManager.h"
#include "framework/vnqDocumentFramework.h"
#include "imaging/vnImageFormats.h"
#include "runtime/streams.h"

namespace vn::framework {
namespace {

String Fixture(const char* name) { return FromUtf8(std::string(VN_FIXTURES_DIR) + "/imaging/" + name); }

TEST(ImageFormatsRegistry, EveryExtensionFindsItsClass) {
  TvnKELMFramework registry;
  RegisterImageFormats(registry);
  const struct {
    const char16_t* path;
    TvnDocumentClass expected;
  } cases[] = {
      {u"a.tiff", DocumentClassOf<TvnTIFFHandler>()},     {u"a.TIF", DocumentClassOf<TvnTIFFHandler>()},
      {u"a.wmf", DocumentClassOf<TvnMetaFileHandler>()},  {u"a.Emf", DocumentClassOf<TvnMetaFileHandler>()},
      {u"a.jpg", DocumentClassOf<TvnJPEGHandler>()},      {u"a.jpe", DocumentClassOf<TvnJPEGHandler>()},
      {u"a.JPEG", DocumentClassOf<TvnJPEGHandler>()},     {u"a.png", DocumentClassOf<TvnPNGHandler>()},
      {u"a.bmp", DocumentClassOf<TvnBitmapHandler>()},    {u"a.ico", DocumentClassOf<TvnImageHandler>()},
      {u"a.gif", DocumentClassOf<TvnImageHandler>()},     {u"a.cur", DocumentClassOf<TvnImageHandler>()},
      {u"a.pdf", nullptr},
  };
  for (const auto& c : cases) EXPECT_EQ(registry.LookupDocument(c.path), c.expected) << ToUtf8(c.path);
}

TEST(ImageFormatsRegistry, ReadOnlyFormatsAreOfferedForOpeningOnly) {
  TvnKELMFramework registry;
  RegisterImageFormats(registry);
  const String open = registry.GetOpenDialogFilterString();
  const String save = registry.GetSaveDialogFilterString();
  EXPECT_NE(open.find(u"GIF |*.gif|"), String::npos);
  EXPECT_NE(open.find(u"Cursor|*.cur|"), String::npos);
  for (const char16_t* readOnly : {u".gif", u".ico", u".cur"}) EXPECT_EQ(save.find(readOnly), String::npos);
  EXPECT_NE(save.find(u"*.wmf;*.emf;*.jpg;"), String::npos);
  EXPECT_NE(save.find(u"Bitmap|*.bmp|"), String::npos);
}

TEST(ImageFormatsRegistry, StartUpRegistersThemForTheDocumentManager) {
  InitializeLibrary();
  TvnDocumentManager manager;
  std::unique_ptr<TvnBaseDocument> png = manager.LoadDocument(Fixture("quad.png"));
  ASSERT_NE(dynamic_cast<TvnPNGHandler*>(png.get()), nullptr);
  EXPECT_EQ(png->GetPageCount(), 1);
  std::unique_ptr<TvnBaseDocument> tiff =
      manager.LoadDocument(new TStringStream(ReadFileBytes(ToUtf8(Fixture("three.tif")))), true);
  ASSERT_NE(dynamic_cast<TvnTIFFHandler*>(tiff.get()), nullptr);
  EXPECT_EQ(tiff->GetPageCount(), 3);
  FinalizeLibrary();
}

}  // namespace
}  // namespace vn::framework
