#include "wordmodel/section.h"

#include <gtest/gtest.h>

#include "framework/canvas.h"
#include "support/trace_canvas.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/table.h"
#include "wordmodel/vector_graphics.h"

namespace vn::wordmodel::section_test {
namespace {

std::unique_ptr<TvnBorder> BorderOfWidth(int32_t AWidth) { return std::make_unique<TvnBorder>(AWidth); }

TEST(Section, NewSectionIsALetterPageWithOneInchMargins) {
  TvnSection section;
  EXPECT_EQ(section.GetPageWidth(), 816);
  EXPECT_EQ(section.GetPageHeight(), 1056);
  const TvnPageMargins& margins = *section.GetPageMargin();
  EXPECT_EQ((TRect{margins.GetLeft(), margins.GetTop(), margins.GetRight(), margins.GetBottom()}),
            (TRect{96, 96, 96, 96}));
  EXPECT_EQ(margins.GetHeader(), 0);
  EXPECT_EQ(margins.GetFooter(), 0);
  EXPECT_EQ(margins.GetGutter(), 0);
  EXPECT_EQ(section.GetSpaceBetweenColumns(), -1);
  EXPECT_EQ(section.GetColumnsCount(), 0);
  EXPECT_TRUE(section.GetEqualWidthColumns());
  EXPECT_EQ(section.GetSectionType(), TvnSectionType::stNextPage);
  EXPECT_EQ(section.GetOrientation(), TvnOrientation::oPortrait);
  EXPECT_FALSE(section.GetIsTitlePage());
  EXPECT_FALSE(section.GetIsEvenOddHeaders());
  EXPECT_EQ(section.GetPageBorder(), nullptr);
  const TvnHeaderFooterElement* elements[] = {section.GetFirstPageHeader(), section.GetEvenPageHeader(),
                                               section.GetDefaultPageHeader(), section.GetFirstPageFooter(),
                                               section.GetEvenPageFooter(), section.GetDefaultPageFooter()};
  for (const TvnHeaderFooterElement* element : elements) {
    ASSERT_NE(element, nullptr);
    EXPECT_TRUE(element->GetElements().empty());
    EXPECT_EQ(element->GetLayoutedElements(), nullptr);
  }
}

TEST(Section, CloneIsASectionIndependentOfItsSource) {
  auto source = std::make_unique<TvnSection>();
  source->SetPageWidth(1000);
  source->SetOrientation(TvnOrientation::oLandscape);
  source->SetSectionType(TvnSectionType::stContinuous);
  source->SetIsTitlePage(true);
  source->GetPageMargin()->SetLeft(10);
  source->GetPageMargin()->SetHeader(30);
  source->GetPageMargin()->SetFooter(40);
  source->GetPageMargin()->SetGutter(5);
  for (int32_t width : {200, 300}) {
    auto column = std::make_unique<TvnWordColumn>();
    column->SetWidth(width);
    column->SetSpace(width / 10);
    source->GetColumns().push_back(std::move(column));
  }
  auto border = std::make_unique<TvnPageBorder>();
  border->SetLeft(BorderOfWidth(3));
  border->SetZOrder(TvnPageBorderZOrder::pbzFront);
  source->SetPageBorder(std::move(border));
  source->GetDefaultPageHeader()->GetElements().push_back(std::make_unique<TvnParagraph>());

  // Reached through the composite's virtual Clone, as a composite copy does.
  const TvnCompositeDocItem& asComposite = *source;
  std::unique_ptr<TvnDocItem> item = asComposite.Clone();
  auto* copy = dynamic_cast<TvnSection*>(item.get());
  ASSERT_NE(copy, nullptr);

  EXPECT_EQ(copy->GetPageWidth(), 1000);
  EXPECT_EQ(copy->GetOrientation(), TvnOrientation::oLandscape);
  EXPECT_EQ(copy->GetSectionType(), TvnSectionType::stContinuous);
  EXPECT_TRUE(copy->GetIsTitlePage());
  EXPECT_NE(copy->GetPageMargin(), source->GetPageMargin());
  EXPECT_EQ(copy->GetPageMargin()->GetLeft(), 10);
  EXPECT_EQ(copy->GetPageMargin()->GetHeader(), 30);
  EXPECT_EQ(copy->GetPageMargin()->GetFooter(), 40);
  EXPECT_EQ(copy->GetPageMargin()->GetGutter(), 5);
  ASSERT_EQ(copy->GetColumns().size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_NE(copy->GetColumns()[i].get(), source->GetColumns()[i].get());
    EXPECT_EQ(copy->GetColumns()[i]->GetWidth(), source->GetColumns()[i]->GetWidth());
    EXPECT_EQ(copy->GetColumns()[i]->GetSpace(), source->GetColumns()[i]->GetSpace());
  }
  EXPECT_NE(copy->GetDefaultPageHeader(), source->GetDefaultPageHeader());
  EXPECT_NE(copy->GetFirstPageFooter(), source->GetFirstPageFooter());
  ASSERT_EQ(copy->GetDefaultPageHeader()->GetElements().size(), 1u);
  EXPECT_NE(copy->GetDefaultPageHeader()->GetElements()[0].get(),
            source->GetDefaultPageHeader()->GetElements()[0].get());

  // Changing the copy leaves the source; freeing the source leaves the copy.
  copy->GetPageMargin()->SetLeft(99);
  copy->GetColumns()[0]->SetWidth(1);
  EXPECT_EQ(source->GetPageMargin()->GetLeft(), 10);
  EXPECT_EQ(source->GetColumns()[0]->GetWidth(), 200);
  const TvnPageBorder* sourceBorder = source->GetPageBorder();
  EXPECT_NE(copy->GetPageBorder(), sourceBorder);
  source.reset();
  ASSERT_NE(copy->GetPageBorder()->GetLeft(), nullptr);
  EXPECT_EQ(copy->GetPageBorder()->GetLeft()->GetBorderWidth(), 3);
  EXPECT_EQ(copy->GetPageBorder()->GetZOrder(), TvnPageBorderZOrder::pbzFront);
}

TEST(Section, CopiedParagraphChildrenBelongToTheCopy) {
  TvnSection source;
  source.Add(std::make_unique<TvnParagraph>());
  auto table = std::make_unique<TvnTable>(2, 3, 20);
  table->SetX(7);
  source.Add(std::move(table));

  std::unique_ptr<TvnSection> copy = CloneAs(source);
  ASSERT_EQ(copy->GetCount(), 2);
  auto* paragraph = dynamic_cast<TvnParagraph*>(copy->GetItem(0));
  ASSERT_NE(paragraph, nullptr);
  EXPECT_EQ(paragraph->GetSection(), copy.get());
  EXPECT_TRUE(paragraph->GetContainsSection());
  auto* copiedTable = dynamic_cast<TvnTable*>(copy->GetItem(1));
  ASSERT_NE(copiedTable, nullptr);
  EXPECT_EQ(copiedTable->GetX(), 7);
  EXPECT_EQ(copiedTable->GetRows().size(), 2u);
  // The source's own paragraph is untouched.
  EXPECT_EQ(dynamic_cast<TvnParagraph*>(source.GetItem(0))->GetSection(), nullptr);
}

TEST(Section, PageBorderCopiesOnlyTheSidesItHas) {
  TvnPageBorder source;
  source.SetBottom(BorderOfWidth(2));
  source.SetPageBorderDisplay(TvnPageBorderDisplay::pbdNotFirstPage);
  source.SetPageBorderOffsetFrom(TvnPageBorderOffsetFrom::pbofText);
  source.SetTopRightCustomImageID(12);
  std::unique_ptr<TvnPageBorder> copy = source.Clone();
  EXPECT_EQ(copy->GetTop(), nullptr);
  EXPECT_EQ(copy->GetLeft(), nullptr);
  ASSERT_NE(copy->GetBottom(), nullptr);
  EXPECT_NE(copy->GetBottom(), source.GetBottom());
  EXPECT_EQ(copy->GetBottom()->GetBorderWidth(), 2);
  EXPECT_EQ(copy->GetPageBorderDisplay(), TvnPageBorderDisplay::pbdNotFirstPage);
  EXPECT_EQ(copy->GetPageBorderOffsetFrom(), TvnPageBorderOffsetFrom::pbofText);
  EXPECT_EQ(copy->GetTopRightCustomImageID(), 12);

  // A side the source lacks leaves the destination's side alone.
  TvnPageBorder dest;
  dest.SetTop(BorderOfWidth(5));
  source.Assign(&source, &dest);
  ASSERT_NE(dest.GetTop(), nullptr);
  EXPECT_EQ(dest.GetTop()->GetBorderWidth(), 5);
}

TEST(Section, HeaderCloneKeepsItsClassAndCopiesBothLists) {
  struct Case {
    const char* name;
    std::unique_ptr<TvnHeaderFooterElement> element;
  };
  Case cases[] = {{"header", std::make_unique<TvnHeader>()}, {"footer", std::make_unique<TvnFooter>()}};
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    TvnHeaderFooterElement& source = *c.element;
    source.GetElements().push_back(std::make_unique<TvnParagraph>());
    source.SetStartY(40);

    // Never laid out: the copy gets an empty laid-out list.
    std::unique_ptr<TvnDocItem> first = source.Clone();
    const TvnDocItem& firstCopy = *first;
    EXPECT_EQ(typeid(firstCopy), typeid(source));
    auto& neverLaidOut = dynamic_cast<TvnHeaderFooterElement&>(*first);
    ASSERT_NE(neverLaidOut.GetLayoutedElements(), nullptr);
    EXPECT_TRUE(neverLaidOut.GetLayoutedElements()->empty());
    EXPECT_EQ(neverLaidOut.GetElements().size(), 1u);
    EXPECT_EQ(neverLaidOut.GetStartY(), 0);

    auto layouted = std::make_unique<TvnItemList>();
    layouted->push_back(std::make_unique<TvnLine>(0, 5, 50, 5));
    source.SetLayoutedElements(std::move(layouted));
    std::unique_ptr<TvnDocItem> second = source.Clone();
    auto& laidOut = dynamic_cast<TvnHeaderFooterElement&>(*second);
    ASSERT_EQ(laidOut.GetLayoutedElements()->size(), 1u);
    EXPECT_NE((*laidOut.GetLayoutedElements())[0].get(), (*source.GetLayoutedElements())[0].get());
    EXPECT_NE(dynamic_cast<TvnLine*>((*laidOut.GetLayoutedElements())[0].get()), nullptr);
  }
}

TEST(Section, HeaderDrawsItsLaidOutItems) {
  TvnHeader header;
  header.GetElements().push_back(std::make_unique<TvnLine>(0, 0, 9, 9));  // source content: not drawn
  auto layouted = std::make_unique<TvnItemList>();
  layouted->push_back(std::make_unique<TvnLine>(1, 2, 30, 2));
  layouted->push_back(std::make_unique<TvnLine>(1, 4, 30, 4));
  header.SetLayoutedElements(std::move(layouted));

  vn::platform::testing::TraceCanvas trace({"MoveTo", "LineTo"});
  vn::framework::TvnVCLCanvas canvas(&trace);
  header.Draw(&canvas);
  EXPECT_EQ(trace.Calls(), (std::vector<std::string>{"MoveTo 1,2", "LineTo 30,2", "MoveTo 1,4", "LineTo 30,4"}));
}

TEST(Section, PageMarginsCopyTheirDistancesOnlyBetweenPageMargins) {
  TvnPageMargins source;
  source.SetLeft(10);
  source.SetBottom(20);
  source.SetHeader(30);
  std::unique_ptr<TvnPageMargins> copy = CloneAs(source);
  EXPECT_EQ(copy->GetLeft(), 10);
  EXPECT_EQ(copy->GetBottom(), 20);
  EXPECT_EQ(copy->GetHeader(), 30);

  // A plain margin takes the four sides of page margins.
  TvnMargin plain;
  source.Assign(&source, &plain);
  EXPECT_EQ(plain.GetLeft(), 10);
  const std::unique_ptr<TvnMargin> plainCopy = plain.Clone();
  const TvnMargin& plainRef = *plainCopy;
  EXPECT_EQ(typeid(plainRef), typeid(TvnMargin));
}

}  // namespace
}  // namespace vn::wordmodel::section_test
