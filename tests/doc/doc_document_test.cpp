// The DOC document type: a LibreOffice-made document with a portrait and a
// landscape section and the same header on every page, loaded from a file
// and from a stream, its pages drawn; and the files it refuses.
#include "doc/doc_document.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "doc/compound_file.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"
#include "support/paths.h"
#include "support/trace_canvas.h"

namespace vn::doc::doc_document_test {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using vn::framework::TvnMeasurementUnit;

fs::path SectionsFixture() { return fs::path(VN_FIXTURES_DIR) / "doc" / "sections.doc"; }

std::string Bytes(const fs::path& APath) {
  std::ifstream in(APath, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

// The text the page writes, in drawing order.
std::string DrawnText(TvnqDOCDocument& ADocument, int32_t APage) {
  vn::platform::testing::TraceCanvas trace({"TextOut"});
  auto* page = dynamic_cast<TvnqDOCPage*>(ADocument.GetPage(APage));
  page->Draw(&trace, 816, 1056, 96, 96, 0);
  std::string text;
  for (const std::string& call : trace.Calls()) {
    const size_t open = call.find('"');
    text += call.substr(open + 1, call.rfind('"') - open - 1);
  }
  return text;
}

TEST(DOCDocument, PagesOfEachSectionWithTheirSizeAndHeader) {
  TvnqDOCDocument document;
  EXPECT_EQ(document.GetPageCount(), 0);
  document.LoadFromFile(vn::FromUtf8(SectionsFixture().string()), u"");
  EXPECT_TRUE(document.GetIsLoaded());
  EXPECT_EQ(document.GetSections().size(), 2u);
  const int32_t count = document.GetPageCount();
  ASSERT_GE(count, 3);
  document.SetMeasurementUnit(TvnMeasurementUnit::muPoints);
  for (int32_t n = 1; n <= count; ++n) {
    SCOPED_TRACE("page " + std::to_string(n));
    const std::string text = DrawnText(document, n);
    EXPECT_THAT(text, HasSubstr("Running head"));
    const vn::framework::TvnPageSize size = document.GetPage(n)->GetPageSize();
    const bool landscape = text.find("Landscape paragraph") != std::string::npos;
    EXPECT_NEAR(size.Width, landscape ? 792 : 612, 1.0);
    EXPECT_NEAR(size.Height, landscape ? 612 : 792, 1.0);
    EXPECT_FALSE(document.GetPage(n)->GetPageElements().empty());
  }
  EXPECT_THAT(DrawnText(document, 1), HasSubstr("Portrait paragraph 1 "));
  EXPECT_THAT(DrawnText(document, count), HasSubstr("Landscape paragraph 5."));
  for (const int32_t outside : {0, count + 1})
    EXPECT_THROW(document.GetPage(outside), vn::EArgumentOutOfRangeException) << outside;
}

TEST(DOCDocument, StreamsAndTemplatesLoadAlike) {
  TvnqDOCDocument from_file;
  from_file.LoadFromFile(vn::FromUtf8(SectionsFixture().string()), u"");
  // A template is the same format under another name.
  const fs::path dot = fs::temp_directory_path() / "sections.dot";
  std::ofstream(dot, std::ios::binary) << Bytes(SectionsFixture());
  TvnqDOCDocument from_template;
  from_template.LoadFromFile(vn::FromUtf8(dot.string()), u"");
  vn::TStringStream stream(Bytes(SectionsFixture()));
  TvnqDOCDocument from_stream;
  from_stream.LoadFromStream(&stream, u"", false);
  EXPECT_EQ(from_template.GetPageCount(), from_file.GetPageCount());
  EXPECT_EQ(from_stream.GetPageCount(), from_file.GetPageCount());
  EXPECT_EQ(DrawnText(from_stream, 2), DrawnText(from_file, 2));
  // A second load replaces the first.
  from_stream.LoadFromFile(vn::FromUtf8(SectionsFixture().string()), u"");
  EXPECT_EQ(from_stream.GetPageCount(), from_file.GetPageCount());
}

TEST(DOCDocument, FilesThatAreNotWordDocumentsAreRefused) {
  const fs::path dir = fs::temp_directory_path();
  TvnqDOCDocument document;
  try {
    document.LoadFromFile(vn::FromUtf8((dir / "missing.doc").string()), u"");
    ADD_FAILURE() << "a missing file loaded";
  } catch (const vn::ExFileNotFound& e) {
    EXPECT_STREQ(e.what(), "File Not Found");
  }
  EXPECT_EQ(document.GetPageCount(), 0);
  // A loaded document, then a file that is RTF under a DOC name: refused,
  // and the earlier pages are gone rather than shown as the new file's.
  document.LoadFromFile(vn::FromUtf8(SectionsFixture().string()), u"");
  ASSERT_GT(document.GetPageCount(), 0);
  const fs::path rtf = dir / "really_rtf.doc";
  std::ofstream(rtf, std::ios::binary) << "{\\rtf1\\ansi Hello}";
  EXPECT_THROW(document.LoadFromFile(vn::FromUtf8(rtf.string()), u""), EDOCFormatError);
  EXPECT_EQ(document.GetPageCount(), 0);
  EXPECT_FALSE(document.GetIsLoaded());
}

TEST(DOCDocument, OlderAndEncryptedCorpusFilesAreRefused) {
  const fs::path corpus = fs::path(VN_CORPUS_DIR) / "doc";
  if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus";
  for (const char* name : {"poi_Word6.doc", "poi_Word95.doc", "poi_PasswordProtected.doc",
                           "poi_password_password_cryptoapi.doc", "poi_password_tika_binaryrc4.doc"}) {
    SCOPED_TRACE(name);
    if (!fs::exists(corpus / name)) continue;
    TvnqDOCDocument document;
    EXPECT_THROW(document.LoadFromFile(vn::FromUtf8((corpus / name).string()), u""), EDOCFormatError);
    EXPECT_EQ(document.GetPageCount(), 0);
  }
}

}  // namespace vn::doc::doc_document_test
