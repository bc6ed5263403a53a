// Image documents: loading every read format, TIFF frames as pages, page
// sizes, drawing at quarter turns, copying pages in and saving them in each
// written format, checked with the platform's readers and outside tools.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "imaging/image_formats.h"
#include "platform/canvas/cairo_canvas.h"
#include "platform/canvas/emf_recorder.h"
#include "platform/canvas/metafile_player.h"
#include "platform/emf/emf_reader.h"
#include "platform/emf/wmf_converter.h"
#include "platform/images/image_codecs.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace vn::framework::image_formats_test {
namespace {

namespace pf = vn::platform;
namespace emf = vn::platform::emf;
namespace fs = std::filesystem;

constexpr uint32_t kRed = 0xFFFF0000, kLime = 0xFF00FF00, kBlue = 0xFF0000FF, kYellow = 0xFFFFFF00,
                   kWhite = 0xFFFFFFFF;

String Fixture(const char* name) { return FromUtf8(std::string(VN_FIXTURES_DIR) + "/imaging/" + name); }

std::span<const std::byte> Bytes(const std::string& s) { return std::as_bytes(std::span<const char>(s.data(), s.size())); }

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "vn_image_docs_XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() { fs::remove_all(path_); }
  fs::path operator/(const char* name) const { return path_ / name; }
  size_t FileCount() const { return static_cast<size_t>(std::distance(fs::directory_iterator(path_), {})); }

 private:
  fs::path path_;
};

std::string RunTool(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  return out;
}

// The colours at the centres of the four quarters of a canvas: top-left,
// top-right, bottom-left, bottom-right.
std::vector<uint32_t> Quarters(pf::CairoCanvas& c) {
  const int w = c.Width(), h = c.Height();
  return {c.PixelAt(w / 4, h / 4), c.PixelAt(3 * w / 4, h / 4), c.PixelAt(w / 4, 3 * h / 4),
          c.PixelAt(3 * w / 4, 3 * h / 4)};
}

std::unique_ptr<TvnImageHandler> Load(const char* name) {
  auto doc = std::make_unique<TvnImageHandler>();
  doc->LoadFromFile(Fixture(name), u"");
  return doc;
}

TEST(ImageDocuments, EveryReadFormatOpensAsPages) {
  const struct {
    const char* file;
    int32_t pages, width, height;
  } cases[] = {
      {"quad.png", 1, 200, 100}, {"photo.jpg", 1, 64, 32}, {"small.gif", 1, 5, 3},  {"small.ico", 1, 16, 16},
      {"small.cur", 1, 16, 16},  {"small.bmp", 1, 6, 4},   {"three.tif", 3, 8, 4},
      // Metafiles another program wrote (the fixtures of the metafile library),
      // as large as their frames.
      {"../platform/emf/libreoffice_shapes.emf", 1, 189, 139},
      {"../platform/emf/libreoffice_shapes.wmf", 1, 187, 137},
  };
  for (const auto& c : cases) {
    auto doc = Load(c.file);
    EXPECT_TRUE(doc->GetIsLoaded()) << c.file;
    EXPECT_EQ(doc->GetPageCount(), c.pages) << c.file;
    auto* page = dynamic_cast<TvnImagePage*>(doc->GetPage(1));
    ASSERT_NE(page, nullptr) << c.file;
    EXPECT_EQ(page->GetWidth(), c.width) << c.file;
    EXPECT_EQ(page->GetHeight(), c.height) << c.file;
    EXPECT_EQ(doc->GetPage(0), nullptr);
    EXPECT_EQ(doc->GetPage(c.pages + 1), nullptr);
  }
}

TEST(ImageDocuments, TiffFramesArePagesOfTheirOwnSize) {
  auto doc = Load("three.tif");
  ASSERT_EQ(doc->GetPageCount(), 3);
  const struct {
    int32_t number, width, height;
    uint32_t colour;
  } frames[] = {{1, 8, 4, kRed}, {2, 6, 6, kLime}, {3, 4, 10, kBlue}};
  for (const auto& f : frames) {
    auto* page = dynamic_cast<TvnImagePage*>(doc->GetPage(f.number));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->GetPageNumber(), f.number);
    EXPECT_EQ(page->GetWidth(), f.width);
    EXPECT_EQ(page->GetHeight(), f.height);
    pf::CairoCanvas canvas(f.width, f.height);
    page->Draw(&canvas, f.width, f.height, 96, 96, 0);
    EXPECT_EQ(canvas.PixelAt(f.width / 2, f.height / 2), f.colour) << f.number;
  }
}

TEST(ImageDocuments, PageSizeIsThePixelSizeReadAt96DpiInTheDocumentsUnit) {
  auto doc = Load("quad.png");
  doc->SetMeasurementUnit(TvnMeasurementUnit::muPoints);
  TvnPageSize size = doc->GetPage(1)->GetPageSize();
  EXPECT_DOUBLE_EQ(size.Width, 150);
  EXPECT_DOUBLE_EQ(size.Height, 75);
  doc->SetMeasurementUnit(TvnMeasurementUnit::muPixels);
  size = doc->GetPage(1)->GetPageSize();
  EXPECT_DOUBLE_EQ(size.Width, 200);
  EXPECT_DOUBLE_EQ(size.Height, 100);
}

TEST(ImageDocuments, TurnedPagesPutEveryQuarterWhereItBelongs) {
  // quad.png: red top-left, lime top-right, blue bottom-left, yellow bottom-right.
  const struct {
    int32_t rotation;
    bool quarterTurn;
    std::vector<uint32_t> quarters;
  } cases[] = {
      {0, false, {kRed, kLime, kBlue, kYellow}},   {90, true, {kBlue, kRed, kYellow, kLime}},
      {180, false, {kYellow, kBlue, kLime, kRed}}, {270, true, {kLime, kYellow, kRed, kBlue}},
      {-90, true, {kLime, kYellow, kRed, kBlue}},  {-180, false, {kYellow, kBlue, kLime, kRed}},
      {-270, true, {kBlue, kRed, kYellow, kLime}}, {45, false, {kWhite, kWhite, kWhite, kWhite}},
  };
  // The same picture as a bitmap page and as a metafile page (quad.png
  // saved as an enhanced metafile into a stream, then read back).
  std::vector<std::unique_ptr<TvnImageHandler>> docs;
  docs.push_back(Load("quad.png"));
  TStringStream emfStream;
  TvnMetaFileHandler emfOut;
  emfOut.Assign(docs[0].get(), u"");
  emfOut.OnNeedOutputStream = [&](TObject*, TvnNeedOutputStreamEventArgs& args) { args.SetOutputStream(&emfStream); };
  ASSERT_TRUE(emfOut.Save());
  docs.push_back(std::make_unique<TvnMetaFileHandler>());
  docs[1]->LoadFromStream(&emfStream, u"", false);
  ASSERT_NE(dynamic_cast<TMetafilePage*>(docs[1]->GetPage(1)), nullptr);

  for (const auto& doc : docs) {
    auto* page = static_cast<TvnBasePage*>(doc->GetPage(1));
    for (const auto& c : cases) {
      const int w = c.quarterTurn ? 100 : 200, h = c.quarterTurn ? 200 : 100;
      pf::CairoCanvas canvas(w, h, 0xFF000000);
      page->Draw(&canvas, w, h, 96, 96, c.rotation);
      EXPECT_EQ(Quarters(canvas), c.quarters) << c.rotation;
      // The turned picture fills the target: its corners are painted too.
      EXPECT_NE(canvas.PixelAt(0, 0), 0xFF000000u) << c.rotation;
      EXPECT_NE(canvas.PixelAt(w - 1, h - 1), 0xFF000000u) << c.rotation;
    }
  }
}

TEST(ImageDocuments, DamagedPictureRaisesTheImageExceptionWithTheDecodersMessage) {
  std::string decoderMessage;
  try {
    pf::DecodeImage(Bytes(ReadFileBytes(ToUtf8(Fixture("damaged.png")))));
  } catch (const pf::EImageDecodeError& e) {
    decoderMessage = e.what();
  }
  ASSERT_FALSE(decoderMessage.empty());
  TvnPNGHandler doc;
  try {
    doc.LoadFromFile(Fixture("damaged.png"), u"");
    FAIL() << "no exception";
  } catch (const EImageExceptions& e) {
    EXPECT_NE(dynamic_cast<const ExInvalidImageFormat*>(&e), nullptr);
    EXPECT_EQ(std::string(e.what()), decoderMessage);
  }
  EXPECT_FALSE(doc.GetIsLoaded());

  auto* stream = new TStringStream(std::string("GIF89a"));
  EXPECT_THROW(doc.LoadFromStream(stream, u"", true), ExInvalidImageFormat);  // the document frees it

  TvnImageHandler missing;
  try {
    missing.LoadFromFile(u"/nonexistent/picture.png", u"");
    FAIL() << "no exception";
  } catch (const vn::Exception& e) {
    EXPECT_EQ(std::string(e.what()), "File Not found");
  }
}

// Fills an output document from quad.png, writing into `dir` with one file
// name per output request (recorded as kind:page/count).
struct Output {
  std::vector<std::string> requests;
  std::vector<fs::path> files;
};

Output SaveQuad(TvnImageHandler& out, const TempDir& dir, const char* extension, const String& range = u"") {
  Output result;
  auto source = Load("quad.png");
  out.Assign(source.get(), range);
  out.OnNeedOutputFileName = [&](TObject*, TvnNeedOutputFileNameEventArgs& args) {
    const char* kinds[] = {"element", "page", "document"};
    result.requests.push_back(std::string(kinds[int(args.GetOutputItem())]) + ":" +
                              std::to_string(args.GetPageNumber()) + "/" + std::to_string(args.GetPageCount()));
    const fs::path path = dir / ("out" + std::to_string(result.files.size() + 1) + extension).c_str();
    result.files.push_back(path);
    args.SetFileName(FromUtf8(path.string()));
  };
  EXPECT_TRUE(out.Save());
  return result;
}

TEST(ImageDocuments, OutputRequestsFollowThePageCount) {
  TempDir dir;
  TvnJPEGHandler one;
  EXPECT_EQ(SaveQuad(one, dir, ".jpg").requests, std::vector<std::string>{"document:1/1"});
  TvnJPEGHandler three;
  EXPECT_EQ(SaveQuad(three, dir, ".jpg", u"1,1,1").requests,
            (std::vector<std::string>{"page:1/3", "page:2/3", "page:3/3"}));
  TvnTIFFHandler single;
  EXPECT_EQ(SaveQuad(single, dir, ".tif").requests, std::vector<std::string>{"page:1/1"});
  TvnTIFFEncoderParams multi;
  multi.SetMultiPageTIFF(true);
  TvnTIFFHandler multiDoc;
  multiDoc.SetEncoderParams(&multi);
  EXPECT_EQ(SaveQuad(multiDoc, dir, ".tif", u"1,1,1").requests, std::vector<std::string>{"document:1/3"});
}

TEST(ImageDocuments, SavedFilesOpenInOtherTools) {
  TempDir dir;
  TvnTIFFEncoderParams multi;
  multi.SetMultiPageTIFF(true);
  TvnTIFFHandler tiff;
  tiff.SetEncoderParams(&multi);
  const fs::path tiffFile = SaveQuad(tiff, dir, ".tif", u"1-1,1,1").files.at(0);
  TvnJPEGHandler jpeg;
  const fs::path jpegFile = SaveQuad(jpeg, dir, ".jpg").files.at(0);
  TvnBitmapHandler bmp;
  const fs::path bmpFile = SaveQuad(bmp, dir, ".bmp").files.at(0);
  TvnPNGHandler png;
  const fs::path pngFile = SaveQuad(png, dir, ".png").files.at(0);

  // Our own readers first: every output reopens as a document.
  for (const fs::path& f : {tiffFile, jpegFile, bmpFile, pngFile}) {
    TvnImageHandler back;
    back.LoadFromFile(FromUtf8(f.string()), u"");
    EXPECT_EQ(back.GetPageCount(), f == tiffFile ? 3 : 1) << f;
    pf::CairoCanvas canvas(200, 100);
    static_cast<TvnBasePage*>(back.GetPage(1))->Draw(&canvas, 200, 100, 96, 96, 0);
    const std::vector<uint32_t> q = Quarters(canvas);
    if (f == jpegFile) continue;  // lossy
    EXPECT_EQ(q, (std::vector<uint32_t>{kRed, kLime, kBlue, kYellow})) << f;
  }
  if (vn::test_support::HaveTool("tiffinfo")) {
    const std::string info = RunTool("tiffinfo " + tiffFile.string() + " 2>&1");
    size_t dirs = 0;
    for (size_t at = info.find("TIFF Directory"); at != std::string::npos; at = info.find("TIFF Directory", at + 1))
      ++dirs;
    EXPECT_EQ(dirs, 3u) << info;
    EXPECT_NE(info.find("Image Width: 200 Image Length: 100"), std::string::npos) << info;
  }
  if (vn::test_support::HaveTool("djpeg")) {
    const std::string pnm = RunTool("djpeg -pnm " + jpegFile.string() + " 2>/dev/null | head -c 20");
    EXPECT_EQ(pnm.rfind("P6\n200 100\n", 0), 0u) << pnm;
  }
  if (vn::test_support::HaveTool("identify")) {
    const std::string info = RunTool("identify " + bmpFile.string() + " 2>&1");
    EXPECT_NE(info.find(" BMP"), std::string::npos) << info;
    EXPECT_NE(info.find(" 200x100 "), std::string::npos) << info;
  }
  if (vn::test_support::HaveTool("pngcheck")) {
    EXPECT_NE(RunTool("pngcheck " + pngFile.string() + " 2>&1").find("OK"), std::string::npos);
  }
}

TEST(ImageDocuments, MetafileOutputsCarryDecodedPixelsAndRenderAgain) {
  for (const char* extension : {".emf", ".wmf"}) {
    TempDir dir;
    TvnMetaFileHandler doc;
    const fs::path file = SaveQuad(doc, dir, extension).files.at(0);
    const std::string bytes = ReadFileBytes(file);
    std::string emfBytes = bytes;
    if (std::string(extension) == ".wmf") {
      ASSERT_TRUE(emf::IsWmf(Bytes(bytes)));
      ASSERT_FALSE(emf::EmfFile::IsEmf(Bytes(bytes)));
      vn::Diagnostics damage;
      emfBytes = emf::ConvertWmfToEmf(Bytes(bytes), &damage);
      EXPECT_TRUE(damage.Empty()) << damage.Summary();
    }
    vn::Diagnostics damage;
    emf::EmfFile emfFile(emfBytes, &damage);
    EXPECT_TRUE(damage.Empty()) << extension;
    const emf::RectL frame = emfFile.FramePixels();
    EXPECT_EQ(frame.right - frame.left, 200) << extension;
    EXPECT_EQ(frame.bottom - frame.top, 100) << extension;
    pf::CairoCanvas canvas(200, 100, 0xFF000000);
    pf::DrawPageMetafile(emfFile, canvas, 200, 100, 0);
    EXPECT_EQ(Quarters(canvas), (std::vector<uint32_t>{kRed, kLime, kBlue, kYellow})) << extension;

    // Another program draws it the same way.
    // LibreOffice is a heavy oracle, not installed by ./test.sh: this runs
    // only where a developer asks for it (VN_HEAVY_ORACLES=1).
    if (vn::test_support::HaveHeavyTool("soffice")) {
      const fs::path profile = dir / "profile";
      RunTool("cd " + (dir / "").string() + " && timeout 180 soffice -env:UserInstallation=file://" + profile.string() +
              " --headless --convert-to png " + file.filename().string() + " >/dev/null 2>&1");
      fs::path rendered = file;
      rendered.replace_extension(".png");
      ASSERT_TRUE(fs::exists(rendered)) << extension;
      const pf::Bitmap page = pf::DecodePng(Bytes(ReadFileBytes(rendered)));
      // The picture is placed somewhere on a white sheet: find its box.
      int left = page.Width(), top = page.Height(), right = -1, bottom = -1;
      for (int y = 0; y < page.Height(); ++y)
        for (int x = 0; x < page.Width(); ++x)
          if (page.Pixel(x, y) != pf::BGRA{255, 255, 255, 255})
            left = std::min(left, x), top = std::min(top, y), right = std::max(right, x), bottom = std::max(bottom, y);
      EXPECT_EQ(right - left + 1, 200) << extension;
      EXPECT_EQ(bottom - top + 1, 100) << extension;
      const pf::BGRA topRight = page.Pixel(right - 10, top + 10), bottomLeft = page.Pixel(left + 10, bottom - 10);
      EXPECT_EQ(topRight, (pf::BGRA{0, 255, 0, 255})) << extension;
      EXPECT_EQ(bottomLeft, (pf::BGRA{255, 0, 0, 255})) << extension;
    }

    // The file reopens as a metafile document.
    TvnMetaFileHandler back;
    back.LoadFromFile(FromUtf8(file.string()), u"");
    EXPECT_NE(dynamic_cast<TMetafilePage*>(back.GetPage(1)), nullptr);
    EXPECT_EQ(back.GetPage(1)->GetWidth(), 200);
  }
}

// The bitmap compressions of the STRETCHDIBITS records of a metafile.
std::vector<uint32_t> BitmapCompressions(const std::string& bytes) {
  std::vector<uint32_t> result;
  emf::EmfFile file(bytes);
  for (const emf::Record& rec : file.Records())
    if (rec.type == emf::EMR_STRETCHDIBITS)
      if (auto r = emf::EmrStretchDIBits::Decode(rec.Payload()))
        if (auto info = pf::ReadDibInfo(r->dib.info)) result.push_back(info->compression);
  return result;
}

TEST(ImageDocuments, JpegPageIsRecordedWithItsJpegBytes) {
  auto doc = Load("photo.jpg");
  auto* page = static_cast<TvnBasePage*>(doc->GetPage(1));
  pf::EmfRecorderCanvas recorder(64, 32);
  page->Draw(&recorder, 64, 32, 96, 96, 0);
  const std::string recording = recorder.Finish();
  EXPECT_EQ(BitmapCompressions(recording), std::vector<uint32_t>{emf::BI_JPEG});
  EXPECT_NE(recording.find(ReadFileBytes(ToUtf8(Fixture("photo.jpg")))), std::string::npos);

  // A metafile written for users from the same picture holds decoded pixels.
  TempDir dir;
  TvnMetaFileHandler out;
  out.Assign(doc.get(), u"");
  out.OnNeedOutputFileName = [&](TObject*, TvnNeedOutputFileNameEventArgs& args) {
    args.SetFileName(FromUtf8((dir / "photo.emf").string()));
  };
  ASSERT_TRUE(out.Save());
  EXPECT_EQ(BitmapCompressions(ReadFileBytes(dir / "photo.emf")), std::vector<uint32_t>{emf::BI_RGB});
}

TEST(ImageDocuments, AssignSizesBitmapsByTheResolutionOfEachAxis) {
  // A page of 612 x 792 points (816 x 1056 pixels at 96 dpi).
  pf::Bitmap letter(816, 1056, pf::PixelFormat::pf24bit);
  const struct {
    int32_t dpiX, dpiY, width, height;
  } cases[] = {{96, 96, 816, 1056}, {150, 150, 1275, 1650}, {144, 72, 1224, 792}};
  for (const auto& c : cases) {
    TvnImageHandler source;
    source.LoadFromStream(new TStringStream(pf::EncodePng(letter)), u"", true);
    TvnImageEncoderParams params;
    params.GetResolution()->SetDPIX(c.dpiX);
    params.GetResolution()->SetDPIY(c.dpiY);
    TvnPNGHandler out;
    out.SetEncoderParams(&params);
    std::vector<std::string> events;
    out.BeginAssignPage = [&](TObject*, TvnBeginCopyPageEventArgs& a) {
      events.push_back("begin " + std::to_string(a.GetInputPageNumber()));
    };
    out.EndAssignPage = [&](TObject*, TvnEndCopyPageEventArgs& a) {
      events.push_back("end " + std::to_string(a.GetInputPageNumber()) + "->" +
                       std::to_string(a.GetOutputPageNumber()));
    };
    out.Assign(&source, u"");
    ASSERT_EQ(out.GetPageCount(), 1);
    EXPECT_EQ(out.GetPage(1)->GetWidth(), c.width) << c.dpiX << "x" << c.dpiY;
    EXPECT_EQ(out.GetPage(1)->GetHeight(), c.height) << c.dpiX << "x" << c.dpiY;
    EXPECT_EQ(events, (std::vector<std::string>{"begin 1", "end 1->1"}));
  }
}

TEST(ImageDocuments, FailedSaveLeavesNoFileAndFormatsWithoutWriterDoNotAdvertiseSaving) {
  // 40000 pixels do not fit the 16-bit coordinates of a Windows metafile.
  pf::Bitmap wide(40000, 1, pf::PixelFormat::pf24bit);
  TvnMetaFileHandler doc;
  doc.LoadFromStream(new TStringStream(pf::EncodePng(wide)), u"", true);
  TempDir dir;
  doc.OnNeedOutputFileName = [&](TObject*, TvnNeedOutputFileNameEventArgs& args) {
    args.SetFileName(FromUtf8((dir / "wide.wmf").string()));
  };
  EXPECT_THROW(doc.Save(), ExInvalidImageFormat);
  EXPECT_EQ(dir.FileCount(), 0u);

  // An empty output document has nothing to write.
  TvnPNGHandler empty;
  empty.OnNeedOutputFileName = doc.OnNeedOutputFileName;
  EXPECT_THROW(empty.Save(), ExInvalidPageError);
  EXPECT_EQ(dir.FileCount(), 0u);

  EXPECT_FALSE(TvnImageHandler::GetEngineCapabilities().Contains(TvnEngineCapability::ecSave));
  EXPECT_TRUE(TvnPNGHandler::GetEngineCapabilities().Contains(TvnEngineCapability::ecSave));
  EXPECT_TRUE(TvnMetaFileHandler::GetEngineCapabilities().Contains(TvnEngineCapability::ecSave));
}

}  // namespace
}  // namespace vn::framework::image_formats_test
