// Start-up of the whole library: the formats register in the start-up order,
// the registry serves them to the dialogs and the document manager, and a
// second start-up changes nothing.
#include "library/library.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>

#include "../export/recording_engine.h"
#include "doc/doc_document.h"
#include "docx/docx_document.h"
#include "framework/document_manager.h"
#include "framework/format_registry.h"
#include "imaging/image_formats.h"
#include "pdfdocument/pdf_document.h"
#include "platform/canvas/emf_recorder.h"
#include "rtf/rtf_document.h"
#include "rtf/text_document.h"
#include "runtime/streams.h"
#include "support/paths.h"

namespace vn::library_test {
namespace {

using namespace vn::framework;

String Fixture(const char* name) { return FromUtf8(std::string(VN_FIXTURES_DIR) + "/imaging/" + name); }

// The start-up order of every format the library will have; a format that
// is not built yet has no class and must be absent from the table.
struct Expected {
  const char16_t* Extension;
  TvnDocumentClass Class;
};
std::vector<Expected> StartUpOrder() {
  return {
      {u".txt", DocumentClassOf<rtf::TvnTextDocument>()},
      {u".pdf", DocumentClassOf<pdfdoc::TvnqPDFDocument>()},
      {u".docx", DocumentClassOf<docx::TvnqDOCXDocument>()},
      {u".dotx", DocumentClassOf<docx::TvnqDOCXDocument>()},
      {u".tiff", DocumentClassOf<TvnTIFFHandler>()},
      {u".tif", DocumentClassOf<TvnTIFFHandler>()},
      {u".wmf", DocumentClassOf<TvnMetaFileHandler>()},
      {u".emf", DocumentClassOf<TvnMetaFileHandler>()},
      {u".jpg", DocumentClassOf<TvnJPEGHandler>()},
      {u".jpe", DocumentClassOf<TvnJPEGHandler>()},
      {u".jpeg", DocumentClassOf<TvnJPEGHandler>()},
      {u".png", DocumentClassOf<TvnPNGHandler>()},
      {u".bmp", DocumentClassOf<TvnBitmapHandler>()},
      {u".ico", DocumentClassOf<TvnImageHandler>()},
      {u".gif", DocumentClassOf<TvnImageHandler>()},
      {u".cur", DocumentClassOf<TvnImageHandler>()},
      {u".rtf", DocumentClassOf<rtf::TvnRTFDocument>()},
      {u".doc", DocumentClassOf<doc::TvnqDOCDocument>()},
      {u".dot", DocumentClassOf<doc::TvnqDOCDocument>()},
  };
}

class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override { InitializeLibrary(); }
  void TearDown() override { FinalizeLibrary(); }
};

TEST_F(LibraryTest, FormatsRegisterInStartUpOrder) {
  std::vector<Expected> built;
  for (const Expected& e : StartUpOrder())
    if (e.Class != nullptr) built.push_back(e);
  const std::span<const FormatRegistration> table = FormatRegistrations();
  ASSERT_EQ(table.size(), built.size());
  String allExtensions;
  for (size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(String(table[i].Extension), built[i].Extension) << i;
    EXPECT_EQ(table[i].DocumentClass(), built[i].Class) << ToUtf8(built[i].Extension);
    allExtensions += u"*" + String(built[i].Extension) + u";";
  }

  // The registry holds them in that order: the open filter lists them so.
  TvnKELMFramework* registry = DocumentFramework();
  ASSERT_NE(registry, nullptr);
  EXPECT_EQ(registry->GetOpenDialogFilterString().rfind(u"All Supported Documents |" + allExtensions + u"|", 0), 0u);
  for (const Expected& e : StartUpOrder())
    EXPECT_EQ(registry->LookupDocument(u"a" + String(e.Extension)), e.Class) << ToUtf8(e.Extension);
  EXPECT_EQ(registry->LookupDocument(u"a.PDF"), DocumentClassOf<pdfdoc::TvnqPDFDocument>());
}

TEST_F(LibraryTest, ReadOnlyFormatsAreOfferedForOpeningOnly) {
  const String open = DocumentFramework()->GetOpenDialogFilterString();
  const String save = DocumentFramework()->GetSaveDialogFilterString();
  EXPECT_NE(open.find(u"GIF |*.gif|"), String::npos);
  EXPECT_NE(open.find(u"Cursor|*.cur|"), String::npos);
  for (const char16_t* readOnly : {u".gif", u".ico", u".cur"}) EXPECT_EQ(save.find(readOnly), String::npos);
  EXPECT_NE(save.find(u"Portable Document Format|*.pdf|"), String::npos);
  EXPECT_NE(save.find(u"*.wmf;*.emf;*.jpg;"), String::npos);
  EXPECT_NE(save.find(u"Bitmap|*.bmp|"), String::npos);
}

TEST_F(LibraryTest, TheDocumentManagerLoadsRegisteredFormats) {
  TvnDocumentManager manager;
  std::unique_ptr<TvnBaseDocument> png = manager.LoadDocument(Fixture("quad.png"));
  ASSERT_NE(dynamic_cast<TvnPNGHandler*>(png.get()), nullptr);
  EXPECT_EQ(png->GetPageCount(), 1);
  std::unique_ptr<TvnBaseDocument> tiff =
      manager.LoadDocument(new TStringStream(ReadFileBytes(ToUtf8(Fixture("three.tif")))), true);
  ASSERT_NE(dynamic_cast<TvnTIFFHandler*>(tiff.get()), nullptr);
  EXPECT_EQ(tiff->GetPageCount(), 3);
}

// A metafile whose frame, w x h pixels, is one filled rectangle.
exporter::TMetafile FilledFrame(int32_t w, int32_t h) {
  platform::EmfRecorderCanvas recorder(w, h);
  recorder.Rectangle({0, 0, w, h});
  return {recorder.Finish(), w, h};
}

// The corners of the rectangles an engine rendered, rounded to 1/1000.
std::vector<std::string> Rectangles(const std::vector<std::string>& log) {
  std::vector<std::string> found;
  static const std::regex rectangle(R"(Rectangle ([-\d.e]+),([-\d.e]+) ([-\d.e]+),([-\d.e]+))");
  for (const std::string& line : log) {
    std::smatch m;
    if (!std::regex_search(line, m, rectangle)) continue;
    std::string corners;
    for (int i = 1; i <= 4; ++i)
      corners += (i > 1 ? " " : "") + exporter::testing::Num(std::round(std::stod(m[i]) * 1000) / 1000);
    found.push_back(corners);
  }
  return found;
}

// The engine's page canvas is installed: what is drawn on it, and a
// metafile played into a rectangle, become items of the page.
TEST_F(LibraryTest, ThePageCanvasRecordsDrawingAndMetafilesPlayedIntoARectangle) {
  exporter::testing::RecordingEngine engine;
  engine.SetMeasurementUnit(exporter::TvnUnitType::muPixels);
  engine.BeginDoc();
  engine.PlayMetafile(TvnRect{10, 20, 30, 40}, FilledFrame(100, 100));
  ASSERT_NE(engine.Canvas(), nullptr);
  engine.Canvas()->Surface()->Rectangle({50, 60, 70, 80});
  engine.NewPage();
  engine.EndDoc();
  EXPECT_EQ(Rectangles(engine.Log), (std::vector<std::string>{"10 20 30 40", "50 60 70 80"}));
}

// An engine that cannot take input resolutions itself gets a metafile of
// another input resolution fitted onto its page first: metafiles of one
// picture at two sizes come out alike.
TEST_F(LibraryTest, AMetafileOfAnotherInputResolutionIsFittedToThePage) {
  std::vector<std::vector<std::string>> results;
  for (const int32_t scale : {1, 2}) {
    exporter::testing::RecordingEngine engine;
    engine.SetMeasurementUnit(exporter::TvnUnitType::muPixels);
    engine.Page().SetPaperSize(exporter::TvnPaperSize::Custom);
    engine.Page().SetWidth(200);
    engine.Page().SetHeight(100);
    engine.SetInputXRes(192);
    engine.SetInputYRes(192);
    engine.BeginDoc();
    engine.PlayMetafile(FilledFrame(400 * scale, 200 * scale));
    engine.EndDoc();
    results.push_back(Rectangles(engine.Log));
  }
  ASSERT_EQ(results[0].size(), 1u);
  EXPECT_EQ(results[0], results[1]);
}

TEST(Library, StartsOnceAndFinalizes) {
  EXPECT_EQ(DocumentFramework(), nullptr);
  InitializeLibrary();
  TvnKELMFramework* first = DocumentFramework();
  ASSERT_NE(first, nullptr);
  const String filter = first->GetOpenDialogFilterString();
  InitializeLibrary();
  EXPECT_EQ(DocumentFramework(), first);
  EXPECT_EQ(first->GetOpenDialogFilterString(), filter);
  FinalizeLibrary();
  EXPECT_EQ(DocumentFramework(), nullptr);
}

}  // namespace
}  // namespace vn::library_test
