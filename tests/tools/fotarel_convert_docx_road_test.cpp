// End to end: Word documents (DOCX and DOTX) converted by the fotarel-convert
// program into PDF and PNG: the real-world documents of the corpus checked
// with qpdf, pdfinfo and pdftotext against the corpus's manifest and the
// documents' own text, and damaged packages refused without output.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "docx/package.h"
#include "ooxml/xml_document.h"
#include "platform/images/image_codecs.h"
#include "runtime/strings.h"
#include "support/paths.h"
#include "support/prerequisites.h"
#include "tools/road_test_support.h"

namespace fotarel_convert_docx_road_test {

namespace fs = std::filesystem;

using vn::road_test::CommandResult;
using vn::road_test::InOrderShare;
using vn::road_test::RunCommand;

std::string FileBytes(const fs::path& APath) {
  std::ifstream in(APath, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string WithoutWhitespace(const std::string& AText) {
  std::string out;
  for (char c : AText)
    if (c != ' ' && c != '\n' && c != '\r' && c != '\t' && c != '\f') out += c;
  return out;
}

// One Word document of the corpus as its manifest describes it.
struct CorpusDocument {
  std::string Name;  // below the corpus folder, e.g. docx/poi_sample.docx
  int Pages = 0;     // LibreOffice's page count; 0 when damaged
};

// The manifest's DOCX and DOTX entries: those LibreOffice converts, with its
// page count, and (ADamaged) those it marks damaged. Encrypted ones are in
// neither list.
std::vector<CorpusDocument> ManifestDocuments(bool ADamaged) {
  std::vector<CorpusDocument> documents;
  std::ifstream in(fs::path(VN_CORPUS_DIR) / "MANIFEST.tsv");
  const std::regex pages(R"(LibreOffice pages=(\d+))");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("docx/", 0) != 0) continue;
    const std::string name = line.substr(0, line.find('\t'));
    std::smatch m;
    if (ADamaged && line.find("damaged") != std::string::npos) {
      documents.push_back({name, 0});
    } else if (!ADamaged && std::regex_search(line, m, pages)) {
      documents.push_back({name, std::stoi(m[1])});
    }
  }
  return documents;
}

// The words of the document's body in document order, read from its main
// document part: the text of every run, paragraphs apart, leaving out what
// is not drawn in the flow of the body (text boxes, deleted text, the
// fallback copies of alternate content, phonetic guides over their base
// text).
std::vector<std::string> BodyWords(const fs::path& APath) {
  vn::docx::TvnDOCXPackage package(APath, vn::docx::TvnFileMode::tfOpened);
  std::unique_ptr<vn::TMemoryStream> main = package.GetMainDocumentStream();
  if (main == nullptr) return {};
  vn::ooxml::TXmlVerySimple xml;
  xml.LoadFromStream(*main);
  std::u16string text;
  auto walk = [&](auto& self, const vn::ooxml::TXmlNode* ANode) -> void {
    const std::u16string& name = ANode->NodeName();
    if (name == u"w:txbxContent" || name == u"mc:Fallback" || name == u"w:del" || name == u"w:rt") return;
    if (name == u"w:t") text += ANode->Text;
    if (name == u"w:p") text += u' ';
    for (const vn::ooxml::TXmlNode* child : ANode->ChildNodes)
      if (child->NodeType == vn::ooxml::TXmlNodeType::ntText && name == u"w:t")
        text += child->Text;
      else
        self(self, child);
  };
  if (xml.DocumentElement() != nullptr) walk(walk, xml.DocumentElement());
  std::vector<std::string> words;
  std::istringstream s(vn::ToUtf8(text));
  for (std::string w; s >> w;) words.push_back(w);
  return words;
}

// Documents whose page count or text differs from LibreOffice's for a
// known reason of the reader or the layout, with that reason; they are
// still converted and checked with qpdf.
const std::map<std::string, std::string> kKnownDifferences = {
    {"docx/poi_drawing.docx",
     "its paragraph styles ask for automatic spacing before and after (w:beforeAutospacing, "
     "w:afterAutospacing), which the layout does not apply: 17 pages instead of 20"},
};

class DocxRoad : public vn::road_test::RoadTest {
 protected:
  DocxRoad() : RoadTest("vn_docx_road_", {"qpdf", "pdfinfo", "pdftotext", "pdftoppm"}) {}

  static bool HaveCorpus() { return fs::exists(fs::path(VN_CORPUS_DIR) / "MANIFEST.tsv"); }
  static std::string Fixture() { return "'" + (fs::path(VN_FIXTURES_DIR) / "docx" / "road_document.docx").string() + "'"; }
  // The text of page APage, without whitespace.
  static std::string PageText(const fs::path& APdf, int APage) {
    const std::string page = std::to_string(APage);
    return WithoutWhitespace(
        RunCommand("pdftotext -layout -enc UTF-8 -f " + page + " -l " + page + " '" + APdf.string() + "' -").Out);
  }

  CommandResult Convert(const std::string& AArguments) {
    return RunCommand("cd '" + FDir.string() + "' && '" FOTAREL_CONVERT "' " + AArguments);
  }
  static std::string Corpus(const std::string& AName) { return "'" + (fs::path(VN_CORPUS_DIR) / AName).string() + "'"; }
  static int PdfPages(const fs::path& APdf) {
    const CommandResult r = RunCommand("pdfinfo '" + APdf.string() + "'");
    std::smatch m;
    const std::regex pages(R"(Pages:\s+(\d+))");
    return std::regex_search(r.Out, m, pages) ? std::stoi(m[1]) : -1;
  }
};

// Every document the manifest does not mark damaged or encrypted converts
// in one run: each PDF passes qpdf's check, has about LibreOffice's page
// count (within one page up to 10 pages, within 10% above that) and gives
// the body's words in their order.
TEST_F(DocxRoad, CorpusDocumentsConvertToPdf) {
  if (!HaveCorpus()) GTEST_SKIP() << "no corpus";
  const std::vector<CorpusDocument> documents = ManifestDocuments(false);
  ASSERT_GT(documents.size(), 40u);
  std::string inputs;
  for (const CorpusDocument& d : documents) inputs += " " + Corpus(d.Name);
  const CommandResult run = Convert("--out out" + inputs);
  EXPECT_EQ(run.Status, 0) << run.Out;
  for (const CorpusDocument& d : documents) {
    SCOPED_TRACE(d.Name);
    const fs::path pdf = FDir / "out" / (fs::path(d.Name).stem().string() + ".pdf");
    ASSERT_TRUE(fs::exists(pdf));
    const CommandResult check = RunCommand("qpdf --check '" + pdf.string() + "'");
    EXPECT_EQ(check.Status, 0) << check.Out;
    if (kKnownDifferences.count(d.Name) != 0) continue;
    const int pages = PdfPages(pdf);
    if (d.Pages <= 10)
      EXPECT_LE(std::abs(pages - d.Pages), 1) << pages << " pages, LibreOffice " << d.Pages;
    else
      EXPECT_TRUE(pages >= d.Pages && pages <= d.Pages * 11 / 10) << pages << " pages, LibreOffice " << d.Pages;
    const std::string text = WithoutWhitespace(RunCommand("pdftotext -layout -enc UTF-8 '" + pdf.string() + "' -").Out);
    EXPECT_GE(InOrderShare(BodyWords(fs::path(VN_CORPUS_DIR) / d.Name), text), 0.9);
  }
}

// Pages drawn as pictures: one PNG a page, each of its page's shape (the
// second section is landscape), with ink on it.
TEST_F(DocxRoad, DocumentsConvertToPngPages) {
  const CommandResult run = Convert("--to .png --out out " + Fixture());
  ASSERT_EQ(run.Status, 0) << run.Out;
  EXPECT_FALSE(fs::exists(FDir / "out" / "road_document_3.png"));
  for (int page = 1; page <= 2; ++page) {
    const fs::path png = FDir / "out" / ("road_document_" + std::to_string(page) + ".png");
    ASSERT_TRUE(fs::exists(png)) << png;
    const std::string bytes = FileBytes(png);
    const vn::platform::Bitmap bitmap =
        vn::platform::DecodePng(std::as_bytes(std::span<const char>(bytes.data(), bytes.size())));
    EXPECT_EQ(bitmap.Height() > bitmap.Width(), page == 1) << png;
    int dark = 0;
    for (int y = 0; y < bitmap.Height(); ++y)
      for (int x = 0; x < bitmap.Width(); ++x) {
        const auto p = bitmap.Pixel(x, y);
        dark += std::min({p.R, p.G, p.B}) < 160 ? 1 : 0;
      }
    EXPECT_GT(dark, 100) << png;
  }
}

// A document with two sections (A4 portrait with a header showing PAGE and
// NUMPAGES, then landscape with an empty header), text in four scripts,
// lists, a styled table with merged cells, pictures inline and anchored and
// a text box: every part of it reaches the PDF, in reading order.
TEST_F(DocxRoad, FeaturesOfAWordDocumentReachThePdf) {
  const CommandResult run = Convert("--out out " + Fixture());
  ASSERT_EQ(run.Status, 0) << run.Out;
  const fs::path pdf = FDir / "out" / "road_document.pdf";
  const CommandResult check = RunCommand("qpdf --check '" + pdf.string() + "'");
  EXPECT_EQ(check.Status, 0) << check.Out;
  const CommandResult info = RunCommand("pdfinfo -f 1 -l 3 '" + pdf.string() + "'");
  EXPECT_NE(info.Out.find("Pages:           2"), std::string::npos) << info.Out;
  EXPECT_TRUE(std::regex_search(info.Out, std::regex(R"(Page +1 size: +595\.\d* x 842)"))) << info.Out;
  EXPECT_TRUE(std::regex_search(info.Out, std::regex(R"(Page +2 size: +842\.\d* x 595)"))) << info.Out;

  const std::string first = PageText(pdf, 1);
  const char* const inOrder[] = {"Roadheaderpage1of2", "RoaddocumentinLatinletters", "Приветизкириллицы",
                                 "你好世界", "1.Firstnumbered", "2.Secondnumbered", "3.Thirdnumbered",
                                 "-Bulletone", "-Bullettwo", "Spanstwocolumns", "Tallcell", "CellA2", "CellB2",
                                 "Inlinepicture:", "Anchoredpicturebesidethistext", "Paragraphholdingatextbox",
                                 "Textinabox", "Endoftheportraitsection"};
  size_t at = 0;
  for (const char* text : inOrder) {
    const size_t pos = first.find(text, at);
    EXPECT_NE(pos, std::string::npos) << text << " after " << first.substr(0, at);
    if (pos != std::string::npos) at = pos;
  }
  // The Arabic line reads from right to left, each word whole: letters that
  // join sit together, so the PDF holds its two words and no more, and read
  // back they come in their order.
  EXPECT_NE(first.find("مرحبابالعالم"), std::string::npos) << first;
  // The Chinese line (11 pt, drawn at the whole pixel size of 11.25 pt, in
  // a face the text's font falls back to) is laid out with the ideographs'
  // own advances of an em each, so its glyphs do not overlap.
  const std::string boxes = RunCommand("pdftotext -bbox -enc UTF-8 -f 1 -l 1 '" + pdf.string() + "' -").Out;
  std::smatch word;
  ASSERT_TRUE(std::regex_search(boxes, word, std::regex(R"re(xMin="([\d.]+)"[^>]*xMax="([\d.]+)"[^>]*>你好世界<)re")))
      << boxes;
  EXPECT_NEAR(std::stod(word[2]) - std::stod(word[1]), 4 * 11.25, 1.0);
  const std::regex arabicWord("<word[^>]*>[^<]*(\\xD8|\\xD9)[^<]*</word>");
  EXPECT_EQ(std::distance(std::sregex_iterator(boxes.begin(), boxes.end(), arabicWord), std::sregex_iterator()), 2)
      << boxes;
  const std::string second = PageText(pdf, 2);
  EXPECT_NE(second.find("Landscapesectiontext"), std::string::npos) << second;
  EXPECT_EQ(second.find("Roadheader"), std::string::npos) << second;

  // The blue inline and the red anchored picture are drawn.
  RunCommand("pdftoppm -r 24 -f 1 -l 1 -singlefile '" + pdf.string() + "' '" + (FDir / "page1").string() + "'");
  const std::string ppm = FileBytes(FDir / "page1.ppm");
  int blue = 0, red = 0;
  const size_t start = ppm.find("255\n");
  for (size_t i = start + 4; start != std::string::npos && i + 2 < ppm.size(); i += 3) {
    const auto r = static_cast<unsigned char>(ppm[i]), g = static_cast<unsigned char>(ppm[i + 1]),
               b = static_cast<unsigned char>(ppm[i + 2]);
    blue += b > 200 && r < 60 && g < 60 ? 1 : 0;
    red += r > 200 && g < 60 && b < 60 ? 1 : 0;
  }
  EXPECT_GT(blue, 4);
  EXPECT_GT(red, 4);
}

// Damaged packages, the manifest's and made ones (a zip cut short, a
// package without its main document part, a main document that is not
// well-formed XML), fail with the error that names the damage and leave no
// output; a good document converted in the same run is still written.
TEST_F(DocxRoad, DamagedDocumentsFailWithoutOutput) {
  for (const char* tool : {"zip", "unzip", "truncate"})
    if (!vn::test_support::HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
  const std::string good = FileBytes(fs::path(VN_FIXTURES_DIR) / "docx" / "road_document.docx");
  fs::create_directories(FDir / "in");
  std::ofstream(FDir / "in" / "cut.docx", std::ios::binary) << good.substr(0, good.size() * 2 / 3);
  // The same package with its main document part renamed, and with the
  // part's end tags cut off.
  RunCommand("cd '" + FDir.string() + "' && mkdir x && cd x && unzip -q " + Fixture() +
             " && mv word/document.xml word/moved.xml && zip -qr ../in/nomain.docx . && mv word/moved.xml "
             "word/document.xml && truncate -s 3000 word/document.xml && zip -qr ../in/badxml.docx .");
  struct Damaged {
    std::string Input;
    std::string Message;
  };
  std::vector<Damaged> damaged = {{"in/cut.docx", ""},
                                  {"in/nomain.docx", "The package holds no main document"},
                                  {"in/badxml.docx", ""}};
  if (HaveCorpus())
    for (const CorpusDocument& d : ManifestDocuments(true)) damaged.push_back({Corpus(d.Name), ""});
  for (const Damaged& d : damaged) {
    SCOPED_TRACE(d.Input);
    const CommandResult r = Convert("--out out " + d.Input);
    EXPECT_EQ(r.Status, 1) << r.Out;
    EXPECT_NE(r.Out.find("fotarel-convert: "), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find(d.Message), std::string::npos) << r.Out;
    EXPECT_FALSE(fs::exists(FDir / "out") && !fs::is_empty(FDir / "out")) << r.Out;
  }
}

}  // namespace fotarel_convert_docx_road_test
