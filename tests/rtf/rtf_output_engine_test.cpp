// The RTF document's writing half: which pages Assign collects and how
// (positioned text through the formatter on copies, Word paragraphs and
// tables in section copies, nothing twice), the page sizes and margins Save
// writes, and its outputs (a stream, a file handed to the opener, the
// errors of a missing stream or range).
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "rtf/rtf_document.h"
#include "runtime/exceptions.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/section.h"
#include "wordmodel/table.h"
#include "wordmodel/text_item.h"

namespace rtf_output_engine_test {

namespace fw = vn::framework;
using namespace vn::wordmodel;
using vn::String;
using vn::rtf::TvnRTFDocument;

// A page of another document: its elements and a US Letter size in pixels.
class FakePage : public fw::TvnBasePage {
 public:
  std::vector<fw::TvnDocItem*> GetPageElements() override { return Elements; }
  fw::TvnPageSize GetPageSize() override { return {1056, 816}; }
  std::vector<fw::TvnDocItem*> Elements;
};

class FakeDocument : public fw::TvnBaseDocument {
 public:
  int32_t GetPageCount() override { return static_cast<int32_t>(Pages.size()); }
  fw::TvnPage* GetPage(int32_t Index) override {
    return Index >= 1 && Index <= GetPageCount() ? Pages[static_cast<size_t>(Index - 1)].get() : nullptr;
  }
  void AddPage(std::vector<fw::TvnDocItem*> AElements) {
    auto page = std::make_unique<FakePage>();
    page->Elements = std::move(AElements);
    Pages.push_back(std::move(page));
  }
  // The items the pages list.
  TvnTextElement* Text(const String& AText, double AX, double ABaseline) {
    auto e = std::make_unique<TvnTextElement>();
    e->SetText(AText);
    auto font = std::make_unique<fw::TvnFont>();
    font->SetName(u"Arial");
    font->SetSize(10);
    e->SetFont(std::move(font));
    const double width = 6 * static_cast<double>(AText.size());
    e->SetBoundingRect(std::make_shared<TvnRectF>(AX, ABaseline, width, 12));
    for (size_t i = 0; i < AText.size(); ++i) {
      Boxes.push_back(std::make_unique<TvnRectF>(AX + 6 * static_cast<double>(i), ABaseline - 12, 6, 12));
      e->GetCharBoundingRect().push_back(Boxes.back().get());
    }
    Items.push_back(std::move(e));
    return static_cast<TvnTextElement*>(Items.back().get());
  }
  TvnParagraph* Paragraph(const String& AText, TvnSection* ASection) {
    auto p = std::make_unique<TvnParagraph>();
    auto run = std::make_unique<TvnRun>();
    run->Add(std::make_unique<TvnTextitem>(AText, run->GetFinalRunProperties()));
    p->AddTextRun(std::move(run));
    if (ASection) p->SetSection(ASection);
    Items.push_back(std::move(p));
    return static_cast<TvnParagraph*>(Items.back().get());
  }
  TvnTable* Table(const String& ACellText) {
    auto table = std::make_unique<TvnTable>();
    auto row = std::make_unique<TvnTableRow>();
    auto cell = std::make_unique<TvnTableCell>(96);
    auto p = std::make_unique<TvnParagraph>();
    auto run = std::make_unique<TvnRun>();
    run->Add(std::make_unique<TvnTextitem>(ACellText, run->GetFinalRunProperties()));
    p->AddTextRun(std::move(run));
    cell->InsertItem(std::move(p));
    row->InsertCell(std::move(cell));
    table->InsertRow(std::move(row));
    Items.push_back(std::move(table));
    return static_cast<TvnTable*>(Items.back().get());
  }
  std::vector<std::unique_ptr<fw::TvnPage>> Pages;
  std::vector<std::unique_ptr<TvnRectF>> Boxes;
  std::vector<std::unique_ptr<fw::TvnDocItem>> Items;
};

// The whole RTF text Save writes to a stream.
std::string SaveToText(TvnRTFDocument& ADoc) {
  vn::TStringStream out;
  ADoc.SetUserStream(&out);
  ADoc.SetIsOutputToStream(true);
  EXPECT_TRUE(ADoc.Save());
  return out.DataString();
}

size_t Count(const std::string& AText, const std::string& AWhat) {
  size_t n = 0;
  for (size_t at = AText.find(AWhat); at != std::string::npos; at = AText.find(AWhat, at + 1)) ++n;
  return n;
}

TEST(RTFOutputAssign, PositionedTextIsAnalysedOnCopiesAndTheSourceMayGoFirst) {
  TvnRTFDocument doc;
  auto source = std::make_unique<FakeDocument>();
  for (const String word : {u"Alpha", u"Bravo", u"Charlie"}) source->AddPage({source->Text(word, 96, 120)});
  const auto* bravo = static_cast<const TvnTextElement*>(static_cast<FakePage*>(source->Pages[1].get())->Elements.front());
  doc.Assign(source.get(), u"2");
  // The source's element is as it was: same text, font and rectangle.
  EXPECT_EQ(bravo->GetText(), u"Bravo");
  EXPECT_EQ(bravo->GetFont()->GetSize(), 10);
  EXPECT_DOUBLE_EQ(bravo->GetBoundingRect()->GetX(), 96);
  EXPECT_DOUBLE_EQ(bravo->GetBoundingRect()->GetWidth(), 30);
  source.reset();
  const std::string rtf = SaveToText(doc);
  EXPECT_EQ(Count(rtf, "Bravo"), 1u);
  EXPECT_EQ(rtf.find("Alpha"), std::string::npos);
  EXPECT_EQ(rtf.find("Charlie"), std::string::npos);
  // A US Letter page of 612 x 792 points with the fixed one-inch margins.
  EXPECT_NE(rtf.find("\\pgwsxn12240\\pghsxn15840\\marglsxn1440"), std::string::npos);
}

TEST(RTFOutputAssign, PagesOfNoKnownKindAndBadRanges) {
  TvnRTFDocument doc;
  FakeDocument source;
  auto path = std::make_unique<TvnFormatterPathElements>();
  // A page led by a vector element gives nothing, even with text after it;
  // a page of single blanks gives its page no text.
  source.AddPage({path.get(), source.Text(u"Hidden", 96, 120)});
  source.AddPage({source.Text(u" ", 96, 120), source.Text(u"", 96, 140)});
  source.AddPage({});
  EXPECT_THROW(doc.Assign(&source, u"4"), vn::ExInvalidPageError);
  EXPECT_TRUE(doc.GetFormattedData()->GetCollection().empty());
  doc.Assign(&source, u"");
  const std::string rtf = SaveToText(doc);
  EXPECT_EQ(rtf.find("Hidden"), std::string::npos);
  EXPECT_TRUE(rtf.starts_with("{\\rtf1"));
  EXPECT_TRUE(rtf.ends_with("}"));
}

TEST(RTFOutputAssign, WordPagesAreCopiedSectionBySectionAndNothingTwice) {
  TvnRTFDocument doc;
  auto source = std::make_unique<FakeDocument>();
  TvnSection first, second;
  first.SetPageWidth(816);
  first.SetPageHeight(1056);
  second.SetPageWidth(1056);
  second.SetPageHeight(816);
  TvnParagraph* one = source->Paragraph(u"One", &first);
  TvnParagraph* broken = source->Paragraph(u"Broken", &second);
  // Page 2 begins with the paragraph broken over the two pages, then a
  // table and a paragraph of the second section.
  source->AddPage({one, broken});
  source->AddPage({broken, source->Table(u"Cell"), source->Paragraph(u"Three", &second)});
  doc.Assign(source.get(), u"");
  source.reset();

  const auto& sections = doc.GetFormattedData()->GetCollection();
  ASSERT_EQ(sections.size(), 3u);
  std::vector<int32_t> counts, widths;
  for (const fw::TvnDocItem* item : sections) {
    const auto* section = dynamic_cast<const TvnSection*>(item);
    ASSERT_TRUE(section);
    counts.push_back(section->GetCount());
    widths.push_back(section->GetPageWidth());
  }
  EXPECT_EQ(counts, (std::vector<int32_t>{1, 1, 2}));
  EXPECT_EQ(widths, (std::vector<int32_t>{816, 1056, 1056}));

  const std::string rtf = SaveToText(doc);
  EXPECT_EQ(Count(rtf, "Broken"), 1u);
  EXPECT_LT(rtf.find("One"), rtf.find("Broken"));
  EXPECT_LT(rtf.find("Broken"), rtf.find("Cell"));
  EXPECT_LT(rtf.find("Cell"), rtf.find("Three"));
  EXPECT_NE(rtf.find("\\cellx1440"), std::string::npos);
  // The landscape section's page: 1056 x 816 pixels.
  EXPECT_NE(rtf.find("\\pgwsxn15840\\pghsxn12240"), std::string::npos);
}

TEST(RTFOutputSave, MergedInputsAndASecondSave) {
  TvnRTFDocument doc;
  FakeDocument a, b;
  a.AddPage({a.Paragraph(u"FromA", nullptr)});
  b.AddPage({b.Text(u"FromB", 96, 120)});
  doc.Assign(&a, u"");
  doc.Assign(&b, u"");
  const std::string once = SaveToText(doc);
  EXPECT_LT(once.find("FromA"), once.find("FromB"));
  EXPECT_EQ(SaveToText(doc), once);
}

TEST(RTFOutputSave, Outputs) {
  FakeDocument source;
  source.AddPage({source.Paragraph(u"Saved", nullptr)});
  {
    SCOPED_TRACE("stream output without a stream");
    TvnRTFDocument doc;
    doc.SetIsOutputToStream(true);
    EXPECT_THROW(doc.Save(), vn::ExInvalidStream);
  }
  {
    SCOPED_TRACE("the host's stream");
    TvnRTFDocument doc;
    doc.Assign(&source, u"");
    vn::TStringStream out;
    doc.OnNeedOutputStream = [&out](fw::TObject*, fw::TvnNeedOutputStreamEventArgs& AArgs) {
      AArgs.SetOutputStream(&out);
    };
    EXPECT_TRUE(doc.Save());
    EXPECT_NE(out.DataString().find("Saved"), std::string::npos);
  }
  {
    SCOPED_TRACE("a file, opened afterwards when asked");
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "opened.rtf";
    TvnRTFDocument doc;
    doc.Assign(&source, u"");
    doc.SetOutputFileName(vn::FromUtf8(file.string()));
    doc.SetOpenAfterCreate(true);
    std::vector<String> opened;
    doc.ShellOpen = [&opened](const String& AName) { opened.push_back(AName); };
    EXPECT_TRUE(doc.Save());
    EXPECT_EQ(opened, std::vector<String>{vn::FromUtf8(file.string())});
    EXPECT_NE(vn::ReadFileBytes(file).find("Saved"), std::string::npos);
    // Stream output opens nothing.
    opened.clear();
    SaveToText(doc);
    EXPECT_TRUE(opened.empty());
  }
}

TEST(RTFOutputEngine, OpenParagraphInterface) {
  TvnRTFDocument doc;
  vn::TStringStream out;
  doc.SetUserStream(&out);
  doc.SetIsOutputToStream(true);
  vn::rtf::writer::TvnTextFormatting formatting;
  formatting.SetBeforeSpace(12);
  doc.SetTextFormatting(formatting);
  doc.BeginDoc();
  doc.BeginPage();
  doc.BeginPara("NoSuchStyle");
  ASSERT_TRUE(doc.CurrentParagraph());
  EXPECT_DOUBLE_EQ(doc.CurrentParagraph()->Paragraph().Y, 12);
  EXPECT_DOUBLE_EQ(doc.CurrentParagraph()->Paragraph().Settings().BeforeSpace(), 12);
  doc.EndPara();
  EXPECT_FALSE(doc.CurrentParagraph());
  ASSERT_EQ(doc.DocArea().Sections().size(), 1u);
  EXPECT_EQ(doc.DocArea().Sections().front()->Body().size(), 1u);
  doc.EndDoc();
  EXPECT_TRUE(out.DataString().ends_with("}"));
}

}  // namespace rtf_output_engine_test
