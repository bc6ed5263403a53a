// Settings objects of the PDF engine: viewer preferences, page transitions,
// encryption settings, image and thumbnail reuse, compression levels.
#include "pdf_test_support.h"

namespace vn::pdfwriter::testing::pdf_settings_test {
namespace {

using vn::exporter::TvnImageItem;
using vn::exporter::TvnOutputImageFormat;

TEST(PdfSettings, ViewerPreferencesText) {
  TvnViewerPreferences defaults;
  EXPECT_EQ(defaults.ViewerPreferencesText(), "/PageMode/UseNone/PageLayout/OneColumn/ViewerPreferences << >>");

  TvnViewerPreferences full;
  full.PageMode = TvnPageMode::pmFullScreen;
  full.NonFullScreenPageMode = TvnNonFullScreenPageMode::nfspmUseThumbs;
  full.CenterWindow = true;
  EXPECT_EQ(full.ViewerPreferencesText(),
            "/PageMode/FullScreen/PageLayout/OneColumn/ViewerPreferences <</CenterWindow true/NonFullScreenPageMode/UseThumbs >>");

  TvnViewerPreferences all;
  all.PageMode = TvnPageMode::pmUseOutlines;
  all.PageLayout = TvnPageLayout::plTwoColumnRight;
  all.NonFullScreenPageMode = TvnNonFullScreenPageMode::nfspmUseOutlines;  // ignored: not full screen
  all.HideToolBar = all.HideMenuBar = all.HideWindowUI = all.FitWindow = all.CenterWindow = true;
  EXPECT_EQ(all.ViewerPreferencesText(),
            "/PageMode/UseOutlines/PageLayout/TwoColumnRight/ViewerPreferences <</CenterWindow true/FitWindow true"
            "/HideWindowUI true/HideMenubar true/HideToolbar true >>");

  // The page layout argument is not used; the object's is.
  std::string text;
  defaults.GetViewerPreferences(TvnPageMode::pmUseThumbs, TvnPageLayout::plSinglePage, text,
                                TvnNonFullScreenPageMode::nfspmUseNone, false, false, false, false, false);
  EXPECT_EQ(text, "/PageMode/UseThumbs/PageLayout/OneColumn/ViewerPreferences << >>");
}

TEST(PdfSettings, TransitionText) {
  struct Case {
    int duration;
    TvnTransitionEffect effect;
    const char* text;
  } cases[] = {
      {1, TvnTransitionEffect::teNone, "/Dur 1/Trans <</Type/Trans/D 1/S/R >>"},
      {5, TvnTransitionEffect::teWipeRightToLeft, "/Dur 5/Trans <</Type/Trans/D 5/S/Wipe/Di 180 >>"},
      {2, TvnTransitionEffect::teSplitVerticalOutward, "/Dur 2/Trans <</Type/Trans/D 2/S/Split/Dm/V/M/O >>"},
      {3, TvnTransitionEffect::teBlindsHorizontal, "/Dur 3/Trans <</Type/Trans/D 3/S/Blinds/Dm/H >>"},
      {4, TvnTransitionEffect::teBoxInward, "/Dur 4/Trans <</Type/Trans/D 4/S/Box/M/I >>"},
      {1, TvnTransitionEffect::teDissolve, "/Dur 1/Trans <</Type/Trans/D 1/S/Dissolve >>"},
      {1, TvnTransitionEffect::teGlitterTopLeftToBottomRight, "/Dur 1/Trans <</Type/Trans/D 1/S/Glitter/Di 315 >>"},
  };
  for (const Case& c : cases) {
    std::string text;
    TvnViewerPreferences::GetTransitionEffectAndDuration(c.duration, c.effect, text);
    EXPECT_EQ(text, c.text);
  }
}

TEST(PdfSettings, PresentationModeReachesEveryPage) {
  PinClock();
  TestEngine engine;
  auto presentation = std::make_unique<TvnPresentationMode>();
  presentation->Duration = 5;
  presentation->TransitionEffect = TvnTransitionEffect::teWipeRightToLeft;
  engine.ViewerPreferences().SetPresentationMode(std::move(presentation));
  engine.BeginDoc();
  engine.NewPage();
  engine.EndDoc();
  const std::string pdf = engine.Bytes();
  size_t count = 0;
  for (size_t at = pdf.find("/Dur 5/Trans <</Type/Trans/D 5/S/Wipe/Di 180 >>"); at != std::string::npos;
       at = pdf.find("/Dur 5/Trans", at + 1))
    ++count;
  EXPECT_EQ(count, 2u);
}

TEST(PdfSettings, EncryptionSettingsBelongToTheOwner) {
  TvnPDFEncryptionSettings owner;
  EXPECT_FALSE(owner.Enabled());
  EXPECT_EQ(owner.Level(), TvnPDFEncryptionLevel::e128bit);
  EXPECT_TRUE(owner.UserPermissions().Contains(TvnUserPermissionsType::AllowHighResPrint));
  owner.SetOwnerPassword("secret");
  owner.SetEnabled(true);
  EXPECT_EQ(owner.OwnerPassword(), "secret");

  TvnPDFEncryptionSettings user(false);
  try {
    user.SetUserPassword("x");
    FAIL() << "no exception";
  } catch (const EPDFEncryptionSettings& e) {
    EXPECT_STREQ(e.what(), "User cannot change encryption settings");
  }
  EXPECT_THROW(user.SetEnabled(true), EPDFEncryptionSettings);
  EXPECT_EQ(user.OwnerPassword(), "");
}

TEST(PdfSettings, SettingsObjectsAreTakenOver) {
  TestEngine engine;
  auto compression = std::make_unique<TvnCompression>();
  compression->Level = TvnCompressionLevel::cFastest;
  TvnCompression* raw = compression.get();
  engine.SetCompression(std::move(compression));
  EXPECT_EQ(&engine.Compression(), raw);
  engine.SetCompression(nullptr);
  EXPECT_EQ(&engine.Compression(), raw);
  EXPECT_EQ(engine.Compression().ZLibLevel(), 0);
}

TEST(PdfSettings, ImageObjectReuse) {
  TvnPDFImageSettings stored;
  stored.SetOutputImageFormat(TvnOutputImageFormat::ifJPEG);
  stored.JPEGQuality = 80;
  stored.ImageWidth = 100;
  stored.ImageHeight = 50;
  const auto item_with = [](auto change) {
    TvnImageItem item(vn::framework::TvnRect{0, 0, 100, 50});
    item.Settings.SetOutputImageFormat(TvnOutputImageFormat::ifJPEG);
    item.Settings.JPEGQuality = 80;
    change(item);
    return item;
  };
  EXPECT_TRUE(stored.IsEqual(item_with([](TvnImageItem&) {}), 100, 50));
  EXPECT_FALSE(stored.IsEqual(item_with([](TvnImageItem& i) { i.Settings.JPEGQuality = 90; }), 100, 50));
  EXPECT_FALSE(stored.IsEqual(item_with([](TvnImageItem& i) { i.Settings.Autosize = true; }), 100, 50));
  EXPECT_FALSE(stored.IsEqual(item_with([](TvnImageItem& i) { i.Width = 99; }), 100, 50));
  // Stretch differs: one matching dimension of the resource is enough.
  EXPECT_TRUE(stored.IsEqual(item_with([](TvnImageItem& i) { i.Settings.Stretch = true; }), 100, 7));
  EXPECT_FALSE(stored.IsEqual(item_with([](TvnImageItem& i) { i.Settings.Stretch = true; }), 7, 7));
  // Center differs: the resource must have the stored size.
  EXPECT_FALSE(stored.IsEqual(item_with([](TvnImageItem& i) { i.Settings.Center = true; }), 120, 50));
  EXPECT_TRUE(stored.IsEqual(item_with([](TvnImageItem& i) { i.Settings.Center = true; }), 100, 50));

  TvnPDFImageSettings bitmap;
  bitmap.SetOutputImageFormat(TvnOutputImageFormat::ifBMP);
  bitmap.ImageWidth = 100;
  bitmap.ImageHeight = 50;
  EXPECT_TRUE(bitmap.IsEqual(item_with([](TvnImageItem& i) {
                               i.Settings.SetOutputImageFormat(TvnOutputImageFormat::ifBMP);
                               i.Settings.JPEGQuality = 10;
                             }),
                             100, 50));
}

TEST(PdfSettings, ThumbnailEquality) {
  TvnPDFThumbnailItem a, b;
  EXPECT_TRUE(a.IsEqual(b));
  b.JPEGQuality = 50;
  EXPECT_TRUE(a.IsEqual(b));  // bitmaps: quality plays no part
  a.OutputImageFormat = b.OutputImageFormat = TvnOutputImageFormat::ifJPEG;
  EXPECT_FALSE(a.IsEqual(b));
  b.JPEGQuality = 100;
  b.ImagePixelFormat = vn::exporter::TPixelFormat::pf8bit;
  EXPECT_FALSE(a.IsEqual(b));
}

TEST(PdfSettings, CompressionLevelsGiveValidZlibData) {
  std::string plain;
  for (int i = 0; i < 500; ++i) plain += "0.0000 0.0000 m 10.0000 10.0000 l S\r\n";
  size_t sizes[3];
  int i = 0;
  for (TvnCompressionLevel level : {TvnCompressionLevel::cFastest, TvnCompressionLevel::cNormal, TvnCompressionLevel::cMaxCompress}) {
    std::string out = "x";
    const int64_t n = TvnCustomPDFEngine::CompressStream(plain, out, level, true);
    EXPECT_EQ(static_cast<size_t>(n), out.size() - 1);
    EXPECT_TRUE(Inflate(out.substr(1)) == plain);
    sizes[i++] = out.size() - 1;
  }
  EXPECT_GT(sizes[0], plain.size());  // stored blocks
  EXPECT_LT(sizes[1], plain.size() / 4);
  EXPECT_LE(sizes[2], sizes[1]);
  std::string copy;
  EXPECT_EQ(TvnCustomPDFEngine::CompressStream(plain, copy, TvnCompressionLevel::cMaxCompress, false),
            static_cast<int64_t>(plain.size()));
  EXPECT_EQ(copy, plain);
}

TEST(PdfSettings, ImageFormatsOfTheEngine) {
  class Probe : public TestEngine {
   public:
    using TvnCustomPDFEngine::IsImageFormatSupported;
  } engine;
  for (auto format : {TvnOutputImageFormat::ifBMP, TvnOutputImageFormat::ifJPEG, TvnOutputImageFormat::ifCCITT3,
                      TvnOutputImageFormat::ifCCITT4}) {
    String message;
    EXPECT_TRUE(engine.IsImageFormatSupported(format, message));
  }
  String message;
  EXPECT_FALSE(engine.IsImageFormatSupported(TvnOutputImageFormat::ifPNG, message));
  EXPECT_EQ(message, u"The PDF Engine does not support image format");
}

}  // namespace
}  // namespace vn::pdfwriter::testing::pdf_settings_test
