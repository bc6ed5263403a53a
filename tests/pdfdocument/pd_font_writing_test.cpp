// Simple fonts made for writing: the dictionaries CreateFontDict adds to a
// document, saved, checked by qpdf, listed by pdffonts and read back.
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "pdf/pdf_corpus.h"
#include "pdf/pdf_file_builder.h"
#include "pdfdocument/font_description.h"
#include "pdfdocument/font_test_doc.h"
#include "pdfdocument/pd_8bit_font.h"
#include "pdfdocument/pd_page.h"
#include "pdfdocument/pd_resource.h"
#include "pdfdocument/pdf_document_handler.h"
#include "runtime/exceptions.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace vn::pdfdoc::pd_font_writing_test {

using font_test_doc::Decode;
using font_test_doc::PdffontsType;

std::unique_ptr<TvnPDFDocumentHandler> OnePageDocument() {
  vn::pdf::testing::PdfFileBuilder builder("%PDF-1.4\n");
  builder.Obj(1, "<< /Type /Catalog /Pages 2 0 R >>");
  builder.Obj(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  builder.Obj(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 80] >>");
  builder.ClassicTable("/Size 4 /Root 1 0 R");
  const std::string& pdf = builder.Data();
  auto handler = std::make_unique<TvnPDFDocumentHandler>();
  handler->LoadDocument(new vn::TMemoryStream(std::vector<uint8_t>(pdf.begin(), pdf.end())), true);
  return handler;
}

std::string TrueTypeProgramPath() { return std::string(VN_FIXTURES_DIR) + "/fonts/truetype_subset.ttf"; }

std::string FileBytes(const std::string& APath) {
  std::ifstream file(APath, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

std::string StreamBytes(vn::TStream& AStream) {
  AStream.Seek(0, vn::SeekOrigin::soBeginning);
  std::string bytes(static_cast<size_t>(AStream.Size()), '\0');
  AStream.Read(bytes.data(), AStream.Size());
  return bytes;
}

struct PdffontsLine {
  std::string Name, Type, Emb, Sub;
};

// The first font pdffonts lists, cut by the columns of its dashed line
// (a name may hold spaces).
PdffontsLine FirstPdffontsLine(const std::filesystem::path& AFile) {
  std::string out;
  vn::pdf::testing::RunTool("pdffonts " + AFile.string(), &out);
  std::stringstream lines(out);
  std::string header, dashes, line;
  if (!std::getline(lines, header) || !std::getline(lines, dashes) || !std::getline(lines, line)) return {};
  std::vector<std::string> cells;
  for (size_t at = 0; at < dashes.size();) {
    const size_t end = std::min(dashes.find(' ', at), dashes.size());
    std::string cell = at < line.size() ? line.substr(at, end - at) : std::string();
    cell.erase(cell.find_last_not_of(' ') + 1);
    cells.push_back(cell);
    at = end + 1;
  }
  if (cells.size() < 5) return {};
  return {cells[0], cells[1], cells[3], cells[4]};
}

enum class ProgramFrom { None, Stream, File };

struct WriteCase {
  const char* What;
  const char* Name;
  TvnFontEncoding Encoding;
  ProgramFrom Program;
  // Expected of the saved file.
  const char* PdffontsName;
  const char* PdffontsTypeName;
  const char* Embedded;
  const char* WrittenEncoding;
  // Read back: the name the font takes and the advance of "W".
  const char* ReadName;
  double AdvanceOfW;
};

const WriteCase kWriteCases[] = {
    {"standard font", "Helvetica", TvnFontEncoding::feWinAnsiEncoding, ProgramFrom::None, "Helvetica", "Type 1", "no",
     "WinAnsiEncoding", "Arial", 0.944},
    {"standard font, MacRoman", "Times-Bold", TvnFontEncoding::feMacRomanEncoding, ProgramFrom::None, "Times-Bold",
     "Type 1", "no", "MacRomanEncoding", "TimesNewRoman,Bold", 1.0},
    // A name with a space is written as a name object all the same.
    {"TrueType program from a stream", "Fixture Sans", TvnFontEncoding::feWinAnsiEncoding, ProgramFrom::Stream,
     "Fixture Sans", "TrueType", "yes", "WinAnsiEncoding", "Fixture Sans", 0},
    {"TrueType program from a file", "FixtureSans", TvnFontEncoding::feStandardEncoding, ProgramFrom::File,
     "FixtureSans", "TrueType", "yes", "StandardEncoding", "FixtureSans", 0},
};

TEST(PD8bitFontWriting, SavedFontDictionariesAreValidAndReadBack) {
  if (!vn::test_support::HaveTool("qpdf")) GTEST_SKIP() << "qpdf missing";
  if (!vn::test_support::HaveTool("pdffonts")) GTEST_SKIP() << "pdffonts missing";
  const std::string program = FileBytes(TrueTypeProgramPath());
  ASSERT_FALSE(program.empty());
  for (const WriteCase& c : kWriteCases) {
    SCOPED_TRACE(c.What);
    auto handler = OnePageDocument();
    TvnFont description(c.Name, 12, {}, "clBlack");
    description.SetEncoding(c.Encoding);
    if (c.Program == ProgramFrom::Stream) {
      vn::TMemoryStream bytes(std::vector<uint8_t>(program.begin(), program.end()));
      description.SetStream(bytes);
    } else if (c.Program == ProgramFrom::File) {
      description.SetFileName(TrueTypeProgramPath());
    }
    TvnPD8bitFont font(handler.get(), nullptr, description);
    EXPECT_EQ(font.BaseObject(), nullptr);
    font.CreateFontDict();
    ASSERT_NE(font.BaseObject(), nullptr);
    // A font that has its dictionary makes no second one.
    const int64_t last = handler->LastObjectNumber();
    font.CreateFontDict();
    EXPECT_EQ(handler->LastObjectNumber(), last);

    TvnPDPage* page = handler->GetPage(1);
    page->AddResource(TvnPDResourceType::resFont, "F1", font.BaseObject());
    page->AddNewContentStream("BT /F1 20 Tf 10 30 Td (Wave) Tj ET");
    const auto file = std::filesystem::temp_directory_path() / "written_font.pdf";
    handler->SaveDocument(file);
    EXPECT_EQ(vn::pdf::testing::RunTool("qpdf --check " + file.string()), 0);
    const PdffontsLine listed = FirstPdffontsLine(file);
    EXPECT_EQ(listed.Name, c.PdffontsName);
    EXPECT_EQ(listed.Type, c.PdffontsTypeName);
    EXPECT_EQ(listed.Emb, c.Embedded);
    EXPECT_EQ(listed.Sub, "no");

    TvnPDFDocumentHandler reread;
    reread.LoadDocument(file);
    TvnPDResource* resource = reread.GetPage(1)->Resource();
    ASSERT_NE(resource, nullptr);
    TvnPDFont* back = resource->LookUpFont("F1");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->name(), c.ReadName);
    EXPECT_EQ(PdffontsType(back->FontType()), c.PdffontsTypeName);
    vn::pdf::TvnPDBaseObject* encoding = back->BaseObject()->AsDict()->LookUp("Encoding");
    ASSERT_NE(encoding, nullptr);
    EXPECT_TRUE(encoding->IsName(c.WrittenEncoding));
    if (c.Program == ProgramFrom::None) {
      EXPECT_EQ(back->EmbeddingType(), TvnPDFFontEmbeddingType::etNone);
      EXPECT_NEAR(Decode(*back, u"W").Dx, c.AdvanceOfW, 1e-9);
    } else {
      EXPECT_EQ(back->EmbeddingType(), TvnPDFFontEmbeddingType::etFull);
      vn::TStream* embedded = back->GetEmbeddedFontStream();
      ASSERT_NE(embedded, nullptr);
      EXPECT_TRUE(StreamBytes(*embedded) == program);
      EXPECT_NE(back->GetFontProgram(), nullptr);
      vn::pdf::TvnPDBaseObject* descriptor = back->BaseObject()->AsDict()->LookUp("FontDescriptor");
      ASSERT_TRUE(descriptor && descriptor->AsDict());
      vn::pdf::TvnPDBaseObject* program_file = descriptor->AsDict()->LookUp("FontFile2");
      ASSERT_TRUE(program_file && program_file->AsStream());
      vn::pdf::TvnPDBaseObject* length1 = program_file->AsStream()->GetDict()->LookUp("Length1");
      ASSERT_NE(length1, nullptr);
      EXPECT_EQ(length1->AsInteger()->GetValue(), static_cast<int64_t>(program.size()));
    }
  }
}

TEST(PD8bitFontWriting, MissingProgramFileRaisesTheOpenError) {
  auto handler = OnePageDocument();
  TvnFont description("Fixture", 12, {}, "clBlack");
  description.SetFileName((std::filesystem::temp_directory_path() / "no_such_font.ttf").string());
  EXPECT_THROW(TvnPD8bitFont(handler.get(), nullptr, description), vn::EFOpenError);
}

TEST(PD8bitFontWriting, FontReadFromADocumentEmbedsNothing) {
  auto loaded = font_test_doc::LoadFont({{1, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"}});
  auto* font = dynamic_cast<TvnPD8bitFont*>(loaded.Font.get());
  ASSERT_NE(font, nullptr);
  vn::pdf::TvnPDDictionary descriptor;
  vn::TMemoryStream program(std::vector<uint8_t>{1, 2, 3});
  font->EmbedFontFile(descriptor, program);
  EXPECT_EQ(descriptor.LookUp("FontFile2"), nullptr);
  EXPECT_EQ(font->GetEmbeddedFontStream(), nullptr);
  // Nor does it make dictionaries: it has one.
  vn::pdf::TvnPDBaseObject* dict = font->BaseObject();
  font->CreateFontDict();
  EXPECT_EQ(font->BaseObject(), dict);
}

}  // namespace vn::pdfdoc::pd_font_writing_test
