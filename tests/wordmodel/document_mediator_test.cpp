#include "wordmodel/document_mediator.h"

#include <gtest/gtest.h>

#include "wordmodel/paragraph.h"
#include "wordmodel/style_resolver.h"
#include "wordmodel/word_document_info.h"

namespace vn::wordmodel::document_mediator_test {
namespace {

TEST(DocumentMediator, NewMediatorIsEmpty) {
  vn::framework::TvnBaseDocumentHandler document;
  TvnDocumentMediator mediator(&document);
  EXPECT_EQ(mediator.GetDocument(), &document);
  ASSERT_NE(mediator.GetWordStyles(), nullptr);
  EXPECT_EQ(mediator.GetWordStyles()->GetCount(), 0);
  EXPECT_EQ(mediator.GetWordStyles()->GetStylePropertyUpdater()->GetWordStyles(), mediator.GetWordStyles());
  EXPECT_TRUE(mediator.GetResourceCollection()->GetEnumerator().empty());
  EXPECT_TRUE(mediator.GetConcreteNumbers().empty());
  EXPECT_TRUE(mediator.GetAbstractNumbers().empty());
  EXPECT_TRUE(mediator.GetMajorFontGroup().empty());
  EXPECT_TRUE(mediator.GetMinorFontGroup().empty());
  EXPECT_TRUE(mediator.GetFontPool().empty());
  EXPECT_TRUE(mediator.GetGDIFontPool().empty());
  EXPECT_EQ(mediator.GetDefaultTabStop(), 0);
  EXPECT_FALSE(mediator.GetEvenOddHeaders());
  EXPECT_EQ(mediator.Fields.GetCount(), 0);
  EXPECT_EQ(mediator.MergeFields.GetCount(), 0);
}

TEST(DocumentMediator, CloneCopiesStylesListsAndThemeFonts) {
  TvnDocumentMediator mediator(nullptr);
  mediator.GetWordStyles()->Add(std::make_unique<TvnStyle>(u"Normal"));
  mediator.GetMajorFontGroup()[u"latin"] = {u"Cambria", u"latin"};
  auto definition = std::make_shared<TvnNumber>(7);
  definition->AddNumberingLevel(0, std::make_unique<TvnNumberLevel>());
  definition->SetLinkedStyle(mediator.GetWordStyles()->Find(u"Normal"));
  mediator.GetAbstractNumbers().emplace(7, definition);
  auto list = std::make_shared<TvnNumber>(3);
  list->SetDependentID(7);
  mediator.GetConcreteNumbers().emplace(3, list);
  mediator.SetDefaultTabStop(48);
  vn::framework::TvnBaseDocumentHandler other;
  auto copy = mediator.Clone(&other);
  EXPECT_EQ(copy->GetDocument(), &other);
  ASSERT_NE(copy->GetWordStyles()->Find(u"Normal"), nullptr);
  EXPECT_NE(copy->GetWordStyles()->Find(u"Normal"), mediator.GetWordStyles()->Find(u"Normal"));
  EXPECT_EQ(copy->GetMajorFontGroup().at(u"latin").Typeface, u"Cambria");
  EXPECT_EQ(copy->GetDefaultTabStop(), 0);
  // Lists are copied, keep their levels and link the copied table's style.
  TvnNumber* copiedList = copy->FindNumber(3);
  TvnNumber* copiedDefinition = copy->FindAbstractNumber(7);
  ASSERT_NE(copiedList, nullptr);
  ASSERT_NE(copiedDefinition, nullptr);
  EXPECT_NE(copiedList, list.get());
  EXPECT_EQ(copiedList->GetDependentID(), 7);
  EXPECT_EQ(copiedDefinition->GetNumberingLevel(0), definition->GetNumberingLevel(0));
  EXPECT_EQ(copiedDefinition->GetLinkedStyle(), copy->GetWordStyles()->Find(u"Normal"));
  EXPECT_EQ(copy->FindNumber(7), nullptr);
  EXPECT_EQ(copy->FindStyle(u""), nullptr);
}

TEST(DOMCollection, KeepsOrderAndDoesNotOwn) {
  TvnParagraph a, b, c;
  TvnDOMCollection list;
  list.Insert(&a);
  list.Insert(&c);
  list.InsertAt(1, &b);
  EXPECT_EQ(list.GetEnumerator(), (std::vector<TvnDocItem*>{&a, &b, &c}));
  list.Remove(&a);
  list.RemoveAt(1);
  EXPECT_EQ(list.GetEnumerator(), (std::vector<TvnDocItem*>{&b}));
  list.Remove(&a);
  EXPECT_EQ(list.GetCount(), 1);
  EXPECT_THROW(list.RemoveAt(1), vn::EListError);
  EXPECT_THROW(list.InsertAt(3, &a), vn::EListError);
}

TEST(WordDocumentInfo, CopyCarriesBaseAndExtendedProperties) {
  TvnWordDocumentInfo source;
  source.SetAuthor(u"author");
  source.SetCategory(u"reports");
  source.SetCreated(u"2024-02-03T04:05:06Z");
  source.SetLastModifiedBy(u"editor");
  std::unique_ptr<vn::framework::TvnDocumentInfo> copy = source.Clone();
  auto* word = dynamic_cast<TvnWordDocumentInfo*>(copy.get());
  ASSERT_NE(word, nullptr);
  EXPECT_EQ(word->GetAuthor(), u"author");
  EXPECT_EQ(word->GetCategory(), u"reports");
  EXPECT_EQ(word->GetCreated(), u"2024-02-03T04:05:06Z");
  EXPECT_EQ(word->GetLastModifiedBy(), u"editor");
  word->SetCategory(u"changed");
  EXPECT_EQ(source.GetCategory(), u"reports");

  // Into plain information only the base properties go.
  vn::framework::TvnDocumentInfo plain;
  source.Assign(&source, &plain);
  EXPECT_EQ(plain.GetAuthor(), u"author");
}

}  // namespace
}  // namespace vn::wordmodel::document_mediator_test
