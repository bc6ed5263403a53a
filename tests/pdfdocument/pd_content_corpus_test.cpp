// Every page of every corpus PDF runs through the interpreter (forms run
// nested, as a drawing device runs them) without a crash or a hang, and the
// text it shows on the first pages agrees with pdftotext where the fonts
// allow.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "pdf/base_doc.h"
#include "pdf/pdf_corpus.h"
#include "pdfdocument/font_test_doc.h"
#include "pdfdocument/pd_content_stream.h"
#include "pdfdocument/pd_font.h"
#include "pdfdocument/pd_form.h"
#include "pdfdocument/pd_resource.h"
#include "runtime/strings.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace vn::pdfdoc::pd_content_corpus_test {

using vn::pdf::TvnPDBaseObject;
using vn::pdf::TvnPDDictionary;

std::vector<std::pair<std::string, std::string>> CorpusFiles() {
  std::vector<std::pair<std::string, std::string>> out;
  std::ifstream manifest(std::string(VN_CORPUS_DIR) + "/MANIFEST.tsv");
  std::string line;
  while (std::getline(manifest, line)) {
    std::vector<std::string> fields;
    std::stringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
    if (fields.size() > 5 && fields[0].starts_with("pdf/") && fields[0].ends_with(".pdf"))
      out.emplace_back(fields[0], fields[5]);
  }
  return out;
}

TvnPDDictionary* DictOf(TvnPDBaseObject* AObject) { return AObject ? AObject->AsDict() : nullptr; }

// A page with what it inherits.
struct PageInfo {
  TvnPDDictionary* Page = nullptr;
  TvnPDDictionary* Resources = nullptr;
  TvnPDBaseObject* Box = nullptr;
  int Rotate = 0;
};

void CollectPages(TvnPDDictionary* ANode, PageInfo AInherited, std::set<const void*>& ASeen,
                  std::vector<PageInfo>& APages, int ADepth) {
  if (!ANode || ADepth > 64 || !ASeen.insert(ANode).second || APages.size() > 2000) return;
  if (TvnPDDictionary* r = DictOf(ANode->LookUp("Resources"))) AInherited.Resources = r;
  if (TvnPDBaseObject* box = ANode->LookUp("CropBox"); box && box->AsArray()) AInherited.Box = box;
  else if (TvnPDBaseObject* media = ANode->LookUp("MediaBox"); media && media->AsArray() && !AInherited.Box)
    AInherited.Box = media;
  if (TvnPDBaseObject* rotate = ANode->LookUp("Rotate"); rotate && rotate->AsInteger())
    AInherited.Rotate = static_cast<int>(rotate->AsInteger()->GetValue() % 360);
  TvnPDBaseObject* kids = ANode->LookUp("Kids");
  if (kids && kids->AsArray()) {
    for (int64_t i = 0; i < kids->AsArray()->GetLength(); ++i)
      CollectPages(DictOf(kids->AsArray()->Get(i)), AInherited, ASeen, APages, ADepth + 1);
    return;
  }
  AInherited.Page = ANode;
  APages.push_back(AInherited);
}

// Collects the shown text (through ToUnicode where the font has it) and
// runs forms nested.
class TextDevice : public TvnPDExportDevice {
 public:
  TextDevice() { FUseDrawChar = true; }
  std::u16string Text;
  int Glyphs = 0;
  int Forms = 0;

  void BeginString(TvnPDState& AState, const std::string& ABytes) override {
    if (AState.Font) font_test_doc::AppendShownText(*AState.Font, ABytes, Text);
  }
  void DrawChar(TvnPDState&, double, double, double, double, uint16_t, const std::string&) override { ++Glyphs; }
  void DrawFormXObject(TvnPDState& AState, TvnPDForm* AForm) override {
    ++Forms;
    TvnPDContentStream content(AForm->ParentDoc(), AForm, AForm->BaseObject());
    std::unique_ptr<TvnPDState> copy = AState.Copy();
    if (TvnPDMatrix* m = AForm->Matrix()) copy->ConcatCTM(*m);
    content.DispalyObject(this, copy.get(), AForm->Resources());
  }
};

std::unique_ptr<TvnPDRect> BoxOf(TvnPDBaseObject* ABox) {
  const auto* array = ABox ? ABox->AsArray() : nullptr;
  if (!array || array->GetLength() < 4) return nullptr;
  double v[4];
  for (int i = 0; i < 4; ++i) {
    const TvnPDBaseObject* e = array->Get(i);
    if (!e || !e->IsNumber()) return nullptr;
    v[i] = e->AsInteger() ? static_cast<double>(e->AsInteger()->GetValue()) : e->AsReal()->GetValue();
  }
  return std::make_unique<TvnPDRect>(v[0], v[1], v[2], v[3]);
}

// The text of the first pages is compared (every page is run).
constexpr size_t kComparedPages = 10;

struct FileRun {
  bool Opened = false;
  int Pages = 0;
  int Glyphs = 0;
  std::u16string Text;
};

FileRun RunFile(const std::string& AFile, const std::string& APassword) {
  FileRun run;
  vn::pdf::TvnPDBaseDoc doc;
  try {
    doc.LoadDocument(std::filesystem::path(VN_CORPUS_DIR) / AFile, APassword);
  } catch (const vn::Exception&) {
    return run;
  }
  TvnPDDictionary* root = nullptr;
  try {
    root = doc.GetDocRoot();
  } catch (const vn::Exception&) {
  }
  if (!root) return run;
  run.Opened = true;
  std::vector<PageInfo> pages;
  std::set<const void*> seen;
  CollectPages(DictOf(root->LookUp("Pages")), PageInfo{}, seen, pages, 0);
  for (size_t i = 0; i < pages.size(); ++i) {
    const PageInfo& page = pages[i];
    TvnPDResource resources(&doc, nullptr, page.Resources);
    TvnPDContents contents(&doc, nullptr, page.Page->LookUp("Contents"));
    std::unique_ptr<TvnPDRect> box = BoxOf(page.Box);
    TextDevice device;
    contents.Display(&device, 72, 72, static_cast<int>(i) + 1, page.Rotate, box.get(), box.get(), &resources);
    if (i < kComparedPages) run.Text += device.Text;
    run.Glyphs += device.Glyphs;
    ++run.Pages;
  }
  return run;
}

// The characters of a text without white space and control characters,
// sorted: pdftotext orders text by its place on the page, the interpreter by
// drawing order.
std::u16string SortedCharacters(const std::u16string& AText) {
  std::u16string out;
  for (char16_t c : AText)
    if (c > 0x20 && c != 0xA0 && c != 0xFEFF && c != 0xFFFF) out.push_back(c);
  std::sort(out.begin(), out.end());
  return out;
}

// Characters both sorted texts hold, over the larger count.
double Agreement(const std::u16string& A, const std::u16string& B) {
  if (A.empty() && B.empty()) return 1.0;
  size_t common = 0;
  for (size_t i = 0, j = 0; i < A.size() && j < B.size();) {
    if (A[i] == B[j]) {
      ++common;
      ++i;
      ++j;
    } else if (A[i] < B[j]) {
      ++i;
    } else {
      ++j;
    }
  }
  return static_cast<double>(common) / static_cast<double>(std::max(A.size(), B.size()));
}

// pdftotext's text of the first pages, started without a shell and stopped
// after 5 seconds.
bool Pdftotext(const std::string& AFile, const std::string& APassword, std::string& AText) {
  std::vector<std::string> args = {"timeout", "5", "pdftotext", "-q", "-enc", "UTF-8",
                                   "-l",      std::to_string(kComparedPages)};
  if (!APassword.empty()) args.insert(args.end(), {"-upw", APassword});
  args.push_back((std::filesystem::path(VN_CORPUS_DIR) / AFile).string());
  args.push_back("-");
  return vn::pdf::testing::RunProgram(args, &AText) == 0;
}

TEST(PDContentCorpus, EveryPageRunsAndShowsTheTextPdftotextFinds) {
  const auto files = CorpusFiles();
  if (files.empty()) GTEST_SKIP() << "the corpus is not there";
  const bool compare = vn::test_support::HaveTool("pdftotext");
  int opened = 0, pages = 0, compared = 0, close = 0, exact = 0;
  int64_t glyphs = 0;
  double sum = 0;
  for (const auto& [file, password] : files) {
    SCOPED_TRACE(file);
    const auto start = std::chrono::steady_clock::now();
    const FileRun run = RunFile(file, password);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    if (!run.Opened) continue;
    ++opened;
    pages += run.Pages;
    glyphs += run.Glyphs;
    std::string theirs;
    if (!compare || !Pdftotext(file, password, theirs)) continue;
    const std::u16string expected = SortedCharacters(vn::FromUtf8(theirs));
    const std::u16string ours = SortedCharacters(run.Text);
    if (expected.empty() && ours.empty()) continue;
    ++compared;
    const double agreement = Agreement(expected, ours);
    sum += agreement;
    if (agreement >= 0.9) ++close;
    if (expected == ours) ++exact;
  }
  std::printf("content corpus: %zu files, %d opened, %d pages, %lld glyphs; text against pdftotext: %d files with text, "
              "%d exact, %d at 90%% or more, mean agreement %.3f\n",
              files.size(), opened, pages, static_cast<long long>(glyphs), compared, exact, close,
              compared ? sum / compared : 0.0);
  EXPECT_GT(opened, 100);
  if (compare) {
    EXPECT_GT(compared, 50);
    EXPECT_GT(sum / std::max(compared, 1), 0.7);
  }
}

}  // namespace vn::pdfdoc::pd_content_corpus_test
