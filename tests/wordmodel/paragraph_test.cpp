#include "wordmodel/paragraph.h"

#include <gtest/gtest.h>

#include "framework/canvas.h"
#include "support/trace_canvas.h"
#include "wordmodel/section.h"
#include "wordmodel/text_box.h"
#include "wordmodel/text_item.h"

namespace vn::wordmodel::paragraph_test {
namespace {

// A short description of a paragraph's children: "run(A,B)" for a run
// holding text items A and B, "box" for a text box, "break" for a break.
std::string Describe(const TvnCompositeDocItem& AParent) {
  std::string text;
  for (const auto& child : AParent.GetItems()) {
    if (!text.empty()) text += " ";
    if (auto* run = dynamic_cast<const TvnRun*>(child.get())) {
      text += "run(";
      std::string inner;
      for (const auto& item : run->GetItems()) {
        if (!inner.empty()) inner += ",";
        if (auto* textItem = dynamic_cast<const TvnTextitem*>(item.get())) {
          inner += vn::ToUtf8(textItem->GetText());
        } else if (dynamic_cast<const TvnBreak*>(item.get())) {
          inner += "break";
        } else if (dynamic_cast<const TvnTextBox*>(item.get())) {
          inner += "box";
        } else {
          inner += "?";
        }
      }
      text += inner + ")";
    } else if (dynamic_cast<const TvnTextBox*>(child.get())) {
      text += "box";
    } else if (dynamic_cast<const TvnParagraph*>(child.get())) {
      text += "paragraph";
    } else {
      text += "?";
    }
  }
  return text;
}

// Builds a run from a pattern: a letter is a text item, "#" a text box.
std::unique_ptr<TvnRun> RunOf(const std::string& APattern) {
  auto run = std::make_unique<TvnRun>();
  for (char c : APattern) {
    if (c == '#') {
      run->Add(std::make_unique<TvnTextBox>());
    } else {
      run->Add(std::make_unique<TvnTextitem>(vn::FromAscii(std::string(1, c)), run->GetFinalRunProperties()));
    }
  }
  return run;
}

TEST(Paragraph, AddSplitsRunsHoldingTextBoxes) {
  const struct {
    const char* run;
    const char* children;
  } cases[] = {
      {"A#B", "run(A) box run(B)"},
      {"#", "box"},
      {"AB#", "run(A,B) box"},
      {"#AB", "box run(A,B)"},
      {"A##B", "run(A) box box run(B)"},
      {"AB", "run(A,B)"},  // no text box: the run is added as it is
  };
  for (const auto& c : cases) {
    TvnParagraph paragraph;
    std::unique_ptr<TvnRun> run = RunOf(c.run);
    EXPECT_EQ(run->GetContainsTextBox(), std::string(c.run).find('#') != std::string::npos);
    const TvnRun* added = run.get();
    std::unique_ptr<TvnDocItem> left = paragraph.Add(std::move(run));
    EXPECT_EQ(Describe(paragraph), c.children) << c.run;
    if (left) {
      // The emptied run comes back; the fresh runs are others.
      EXPECT_EQ(left.get(), added);
      EXPECT_EQ(static_cast<TvnRun&>(*left).GetCount(), 0);
    } else {
      EXPECT_EQ(paragraph.GetItem(0), added);
    }
  }
}

TEST(Paragraph, AddMovesTheChildrenOfAnAddedParagraph) {
  TvnParagraph paragraph;
  paragraph.Add(RunOf("A"));
  auto other = std::make_unique<TvnParagraph>();
  other->Add(RunOf("B"));
  other->Add(std::make_unique<TvnTextBox>());
  std::unique_ptr<TvnDocItem> emptied = paragraph.Add(std::move(other));
  EXPECT_EQ(Describe(paragraph), "run(A) run(B) box");
  ASSERT_NE(emptied, nullptr);
  EXPECT_EQ(static_cast<TvnParagraph&>(*emptied).GetCount(), 0);
  EXPECT_EQ(paragraph.Add(nullptr), nullptr);
  EXPECT_EQ(paragraph.GetCount(), 3);
}

TEST(Paragraph, CloneKeepsEveryChildKindAndIsIndependent) {
  TvnParagraph source;
  std::unique_ptr<TvnRun> run = RunOf("A");
  run->Add(std::make_unique<TvnBreak>(TvnBreakType::btPage));
  run->GetRunProperties()->SetFontSize(12);
  source.Add(std::move(run));
  source.GetParagraphProperties()->SetSpaceAfter(10);
  source.SetFinalParagraphProperties(std::make_shared<TvnParagraphProperties>());
  source.GetFinalParagraphProperties()->SetSpaceAfter(20);
  source.SetPageNumber(3);
  TvnSection section;
  source.SetSection(&section);

  std::unique_ptr<TvnDocItem> item = source.Clone();
  auto& copy = dynamic_cast<TvnParagraph&>(*item);
  EXPECT_EQ(Describe(copy), "run(A,break)");
  const auto& copiedRun = dynamic_cast<const TvnRun&>(*copy.GetItem(0));
  EXPECT_EQ(dynamic_cast<const TvnBreak&>(*copiedRun.GetItem(1)).GetBreakType(), TvnBreakType::btPage);
  EXPECT_TRUE(copy.GetContainsSection());
  EXPECT_EQ(copy.GetSection(), nullptr);  // the section is not copied
  EXPECT_EQ(copy.GetPageNumber(), 3);
  EXPECT_EQ(copy.GetParagraphProperties()->GetSpaceAfter(), 10);
  EXPECT_EQ(copy.GetFinalParagraphProperties()->GetSpaceAfter(), 20);

  copy.GetParagraphProperties()->SetSpaceAfter(0);
  copiedRun.GetRunProperties()->SetFontSize(30);
  const auto& sourceRun = dynamic_cast<const TvnRun&>(*source.GetItem(0));
  EXPECT_EQ(source.GetParagraphProperties()->GetSpaceAfter(), 10);
  EXPECT_EQ(sourceRun.GetRunProperties()->GetFontSize(), 12);
  EXPECT_NE(copiedRun.GetItem(0), sourceRun.GetItem(0));
}

TEST(Paragraph, CopiesOfSharedFinalAndOwnPropertiesStayShared) {
  // A run never resolved, and a paragraph whose final properties are its
  // own (as the DOC reader leaves them).
  TvnRun run;
  ASSERT_EQ(run.GetFinalRunProperties(), run.GetRunProperties());
  std::unique_ptr<TvnRun> runCopy = CloneAs(run);
  EXPECT_NE(runCopy->GetRunProperties(), run.GetRunProperties());
  EXPECT_EQ(runCopy->GetFinalRunProperties(), runCopy->GetRunProperties());

  TvnParagraph paragraph;
  paragraph.SetFinalParagraphProperties(paragraph.GetParagraphProperties());
  std::unique_ptr<TvnParagraph> paragraphCopy = CloneAs(paragraph);
  EXPECT_EQ(paragraphCopy->GetFinalParagraphProperties(), paragraphCopy->GetParagraphProperties());
  EXPECT_NE(paragraphCopy->GetParagraphProperties(), paragraph.GetParagraphProperties());

  // Resolved runs get separate copies of both.
  run.SetFinalRunProperties(std::make_shared<TvnRunProperties>());
  run.GetFinalRunProperties()->SetFontSize(9);
  runCopy = CloneAs(run);
  EXPECT_NE(runCopy->GetFinalRunProperties(), runCopy->GetRunProperties());
  EXPECT_EQ(runCopy->GetFinalRunProperties()->GetFontSize(), 9);
}

TEST(Paragraph, TagIsCopiedAndBelongsToTheCopy) {
  TvnParagraph withTag;
  auto tag = std::make_unique<TvnDocItem>();
  tag->SetAssociatedItem(&withTag);
  tag->SetX(5);
  withTag.SetTag(std::move(tag));
  std::unique_ptr<TvnParagraph> copy = CloneAs(withTag);
  ASSERT_NE(copy->GetTag(), nullptr);
  EXPECT_NE(copy->GetTag(), withTag.GetTag());
  EXPECT_EQ(copy->GetTag()->GetAssociatedItem(), copy.get());
  EXPECT_EQ(copy->GetTag()->GetX(), 5);

  TvnParagraph withoutTag;
  EXPECT_EQ(CloneAs(withoutTag)->GetTag(), nullptr);
}

TEST(Paragraph, SectionSetterMarksTheSectionEnd) {
  TvnParagraph paragraph;
  paragraph.SetSection(nullptr);
  EXPECT_FALSE(paragraph.GetContainsSection());
  TvnSection section;
  paragraph.SetSection(&section);
  EXPECT_TRUE(paragraph.GetContainsSection());
}

TEST(Paragraph, DrawsItsRunsInOrder) {
  TvnParagraph paragraph;
  for (const char* word : {"one", "two"}) {
    auto run = std::make_unique<TvnRun>();
    run->Add(std::make_unique<TvnTextitem>(vn::FromAscii(word), run->GetFinalRunProperties()));
    run->Add(std::make_unique<TvnBreak>(TvnBreakType::btLine));  // draws nothing
    paragraph.Add(std::move(run));
  }
  vn::platform::testing::TraceCanvas trace({"TextOut"});
  vn::framework::TvnVCLCanvas canvas(&trace);
  paragraph.Draw(&canvas);
  EXPECT_EQ(trace.Calls(), (std::vector<std::string>{"TextOut 0,0 \"one\"", "TextOut 0,0 \"two\""}));
}

}  // namespace
}  // namespace vn::wordmodel::paragraph_test
