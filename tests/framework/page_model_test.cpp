#include <gtest/gtest.h>

#include <functional>
#include <typeinfo>

#include "framework/base_document.h"
#include "framework/page_model.h"
#include "runtime/exceptions.h"

namespace vn::framework::page_model_test {
namespace {

// Counts live instances, so tests see exactly when elements are freed.
class CountedItem : public TvnDocItem {
 public:
  static inline int live = 0;
  CountedItem() { ++live; }
  ~CountedItem() override { --live; }
};

// A class with data of its own that does not override Clone.
class MarkerItem : public TvnDocItem {};

// A composite class that does not override Clone.
class GroupItem : public TvnCompositeDocItem {};

std::unique_ptr<TvnDocItem> ItemAt(int32_t x, int32_t y, int32_t w = 1, int32_t h = 1) {
  auto item = std::make_unique<TvnDocItem>();
  item->SetBoundingRect(TRect{x, y, x + w, y + h});
  return item;
}

TEST(DocItem, SettersKeepPositionSizeAndRectangleInStep) {
  TvnDocItem item;
  item.SetX(5);
  item.SetY(7);
  item.SetHeight(3);
  item.SetWidth(10);
  EXPECT_EQ(item.GetBoundingRect(), (TRect{5, 7, 15, 10}));

  item.SetBoundingRect(TRect{1, 2, 11, 22});
  EXPECT_EQ(item.GetX(), 1);
  EXPECT_EQ(item.GetY(), 2);
  EXPECT_EQ(item.GetWidth(), 10);
  EXPECT_EQ(item.GetHeight(), 20);

  item.ShiftByOffset(-4, 6);
  EXPECT_EQ(item.GetBoundingRect(), (TRect{-3, 8, 7, 28}));

  // Coordinates near the limits wrap as 32-bit values instead of overflowing.
  item.SetBoundingRect(TRect{INT32_MAX, 0, INT32_MIN, 0});
  EXPECT_EQ(item.GetWidth(), 1);
  item.ShiftByOffset(1, 0);
  EXPECT_EQ(item.GetX(), INT32_MIN);
}

TEST(DocItem, CloneIsAPlainCopyWithoutLinksTagOrPageNumber) {
  TvnDocItem neighbour;
  TvnCompositeDocItem parent;
  TvnDocItem item;
  item.SetBoundingRect(TRect{3, 4, 13, 24});
  item.SetMeasurementUnit(TvnMeasurementUnit::muTwips);
  item.SetDirty(true);
  item.SetMarkForDelete(true);
  item.SetAdditionalInfo(42);
  item.SetPrevElement(&neighbour);
  item.SetNextElement(&neighbour);
  item.SetAssociatedItem(&neighbour);
  item.SetParent(&parent);
  item.SetPageNumber(9);
  item.SetTag(std::make_unique<TvnDocItem>());

  std::unique_ptr<TvnDocItem> copy = item.Clone();
  ASSERT_NE(copy, nullptr);
  const TvnDocItem& copied = *copy;
  EXPECT_EQ(typeid(copied), typeid(TvnDocItem));
  EXPECT_EQ(copy->GetBoundingRect(), (TRect{3, 4, 13, 24}));
  EXPECT_EQ(copy->GetMeasurementUnit(), TvnMeasurementUnit::muTwips);
  EXPECT_TRUE(copy->GetDirty());
  EXPECT_TRUE(copy->GetMarkForDelete());
  EXPECT_EQ(copy->GetAdditionalInfo(), 42);
  EXPECT_EQ(copy->GetPrevElement(), nullptr);
  EXPECT_EQ(copy->GetNextElement(), nullptr);
  EXPECT_EQ(copy->GetAssociatedItem(), nullptr);
  EXPECT_EQ(copy->GetParent(), nullptr);
  EXPECT_EQ(copy->GetTag(), nullptr);
  EXPECT_EQ(copy->GetPageNumber(), 0);
}

TEST(DocItem, TagIsFreedWithItsElementAndWhenReplaced) {
  CountedItem::live = 0;
  {
    TvnDocItem item;
    item.SetTag(std::make_unique<CountedItem>());
    EXPECT_EQ(CountedItem::live, 1);
    item.SetTag(std::make_unique<CountedItem>());
    EXPECT_EQ(CountedItem::live, 1);
  }
  EXPECT_EQ(CountedItem::live, 0);
}

TEST(Composite, AssignFillsAFreshCompositeWithOneClonePerChildInOrder) {
  TvnCompositeDocItem source;
  source.SetBoundingRect(TRect{1, 1, 5, 5});
  source.Add(ItemAt(10, 20, 3, 4))->SetAdditionalInfo(7);
  source.Add(std::make_unique<MarkerItem>());
  auto* nested = static_cast<TvnCompositeDocItem*>(source.Add(std::make_unique<GroupItem>()));
  nested->Add(ItemAt(30, 40));
  nested->Add(ItemAt(50, 60));
  source.Add(nullptr);

  TvnCompositeDocItem dest;
  source.Assign(&source, &dest);

  EXPECT_EQ(dest.GetBoundingRect(), (TRect{1, 1, 5, 5}));
  ASSERT_EQ(dest.GetCount(), 4);
  // Every child is a new object.
  for (int32_t i = 0; i < 3; ++i) EXPECT_NE(dest.GetItem(i), source.GetItem(i)) << i;
  EXPECT_EQ(dest.GetItem(0)->GetBoundingRect(), (TRect{10, 20, 13, 24}));
  EXPECT_EQ(dest.GetItem(0)->GetAdditionalInfo(), 7);
  // A class that does not override Clone contributes a plain element.
  const TvnDocItem& plainCopy = *dest.GetItem(1);
  EXPECT_EQ(typeid(plainCopy), typeid(TvnDocItem));
  // A nested composite comes with copies of its own children (a composite
  // class that does not override Clone still gives a composite).
  auto* nested_copy = dynamic_cast<TvnCompositeDocItem*>(dest.GetItem(2));
  ASSERT_NE(nested_copy, nullptr);
  ASSERT_EQ(nested_copy->GetCount(), 2);
  EXPECT_EQ(nested_copy->GetItem(1)->GetX(), 50);
  EXPECT_NE(nested_copy->GetItem(1), nested->GetItem(1));
  EXPECT_EQ(dest.GetItem(3), nullptr);
  // The clones' Parent is not set.
  EXPECT_EQ(dest.GetItem(0)->GetParent(), nullptr);

  // The copies are independent of the source.
  nested_copy->GetItem(0)->SetX(99);
  EXPECT_EQ(nested->GetItem(0)->GetX(), 30);
}

TEST(Composite, CloneKeepsTheChildren) {
  TvnCompositeDocItem source;
  source.Add(ItemAt(1, 2));
  source.Add(ItemAt(3, 4));
  std::unique_ptr<TvnDocItem> copy = source.Clone();
  auto* composite = dynamic_cast<TvnCompositeDocItem*>(copy.get());
  ASSERT_NE(composite, nullptr);
  ASSERT_EQ(composite->GetCount(), 2);
  EXPECT_EQ(composite->GetItem(1)->GetY(), 4);
}

TEST(Composite, AssignReplacesAndFreesTheDestinationsChildren) {
  CountedItem::live = 0;
  TvnCompositeDocItem source;
  source.Add(ItemAt(1, 1));
  TvnCompositeDocItem dest;
  dest.Add(std::make_unique<CountedItem>());
  dest.Add(std::make_unique<CountedItem>());
  ASSERT_EQ(CountedItem::live, 2);

  source.Assign(&source, &dest);
  EXPECT_EQ(CountedItem::live, 0);
  ASSERT_EQ(dest.GetCount(), 1);
  EXPECT_EQ(dest.GetItem(0)->GetX(), 1);
}

TEST(Composite, AssignIntoItselfOrItsChildKeepsTheContent) {
  TvnCompositeDocItem composite;
  composite.Add(ItemAt(1, 1));
  auto* child = static_cast<TvnCompositeDocItem*>(composite.Add(std::make_unique<TvnCompositeDocItem>()));
  child->Add(ItemAt(2, 2));

  composite.Assign(&composite, &composite);
  ASSERT_EQ(composite.GetCount(), 2);
  EXPECT_EQ(composite.GetItem(0)->GetX(), 1);
  child = static_cast<TvnCompositeDocItem*>(composite.GetItem(1));
  ASSERT_EQ(child->GetCount(), 1);

  // The child takes copies of the composite's children as they were,
  // including a copy of the child itself.
  composite.Assign(&composite, child);
  ASSERT_EQ(child->GetCount(), 2);
  auto* inner = dynamic_cast<TvnCompositeDocItem*>(child->GetItem(1));
  ASSERT_NE(inner, nullptr);
  ASSERT_EQ(inner->GetCount(), 1);
  EXPECT_EQ(inner->GetItem(0)->GetX(), 2);
}

TEST(Composite, DetachingHandsTheChildrenBackWithoutFreeingThem) {
  CountedItem::live = 0;
  TvnCompositeDocItem composite;
  TvnDocItem* first = composite.Add(std::make_unique<CountedItem>());
  std::unique_ptr<TvnDocItem> taken = composite.RemoveAt(0);
  EXPECT_EQ(taken.get(), first);
  EXPECT_EQ(composite.GetCount(), 0);
  EXPECT_EQ(CountedItem::live, 1);

  TvnDocItem* a = composite.Add(std::make_unique<CountedItem>());
  TvnDocItem* b = composite.Add(std::make_unique<CountedItem>());
  EXPECT_EQ(composite.Remove(first), nullptr);  // not a child (any more)
  std::unique_ptr<TvnDocItem> removed = composite.Remove(b);
  EXPECT_EQ(removed.get(), b);
  EXPECT_EQ(composite.GetIndexOf(b), -1);
  EXPECT_EQ(composite.GetIndexOf(a), 0);

  TvnCompositeDocItem::TvnItemList all = composite.Clear();
  EXPECT_EQ(composite.GetCount(), 0);
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].get(), a);
  EXPECT_EQ(CountedItem::live, 3);

  // Children still in a composite are freed with it.
  {
    TvnCompositeDocItem owner;
    owner.Add(std::move(taken));
    owner.Add(std::move(all[0]));
  }
  EXPECT_EQ(CountedItem::live, 1);
}

TEST(Composite, InsertKeepsOrderAndBadIndexesRaise) {
  TvnCompositeDocItem composite;
  composite.Add(ItemAt(1, 0));
  composite.Add(ItemAt(3, 0));
  composite.Insert(1, ItemAt(2, 0));
  composite.Insert(3, ItemAt(4, 0));
  composite.Insert(0, ItemAt(0, 0));
  ASSERT_EQ(composite.GetCount(), 5);
  for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(composite.GetItem(i)->GetX(), i);

  const std::function<void()> bad[] = {
      [&] { composite.GetItem(-1); },
      [&] { composite.GetItem(5); },
      [&] { composite.Insert(6, ItemAt(0, 0)); },
      [&] { composite.Insert(-1, ItemAt(0, 0)); },
      [&] { (void)composite.RemoveAt(5); },
  };
  for (const auto& call : bad) EXPECT_THROW(call(), vn::EListError);
  try {
    composite.GetItem(7);
  } catch (const vn::EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (7)");
  }
  EXPECT_EQ(composite.GetCount(), 5);
}

TEST(Composite, ShiftElementsMovesOnlyDirectChildren) {
  for (bool include_current : {false, true}) {
    TvnCompositeDocItem composite;
    composite.SetBoundingRect(TRect{10, 10, 20, 20});
    composite.Add(ItemAt(1, 1));
    auto* nested = static_cast<TvnCompositeDocItem*>(composite.Add(std::make_unique<TvnCompositeDocItem>()));
    nested->SetBoundingRect(TRect{5, 5, 6, 6});
    nested->Add(ItemAt(7, 7));

    composite.ShiftElementsByOffset(3, 4, include_current);

    const TRect own = include_current ? TRect{3, 4, 13, 14} : TRect{10, 10, 20, 20};
    EXPECT_EQ(composite.GetBoundingRect(), own) << include_current;
    EXPECT_EQ(composite.GetItem(0)->GetBoundingRect(), (TRect{4, 5, 5, 6}));
    EXPECT_EQ(nested->GetBoundingRect(), (TRect{8, 9, 9, 10}));
    EXPECT_EQ(nested->GetItem(0)->GetBoundingRect(), (TRect{7, 7, 8, 8}));
  }
}

TEST(Page, PageNumberIsApartFromTheElementPageNumber) {
  TvnBasePage page;
  page.SetPageNumber(3);
  static_cast<TvnDocItem&>(page).SetPageNumber(8);
  EXPECT_EQ(page.GetPageNumber(), 3);
  EXPECT_EQ(static_cast<TvnDocItem&>(page).GetPageNumber(), 8);
}

TEST(Page, OperationsAPageClassDoesNotOfferRaiseAbstractError) {
  TvnBasePage page;
  TvnDocItem item;
  const std::function<void()> calls[] = {
      [&] { page.Add(&item); },
      [&] { page.GetPageElements(); },
      [&] { page.GetPageSize(); },
      [&] { page.Draw(nullptr, 10, 10, 96, 96, 0); },
  };
  for (const auto& call : calls) {
    try {
      call();
      ADD_FAILURE() << "no exception";
    } catch (const vn::EAbstractError& e) {
      EXPECT_STREQ(e.what(), "Abstract Error");
    }
  }
  // The element's Draw stays available and does nothing.
  page.Draw(static_cast<TvnBaseCanvas*>(nullptr));
}

TEST(Attributes, DefaultsAndAssignCopyOnlyFromTheirOwnKind) {
  TvnPen pen;
  EXPECT_EQ(pen.GetColor(), (TvnRGBColor{0, 0, 0}));
  EXPECT_EQ(pen.GetStyle(), TvnPenStyle::psSolid);
  EXPECT_EQ(pen.GetWidth(), 0);
  TvnBrush brush;
  EXPECT_EQ(brush.GetColor(), (TvnRGBColor{0, 0, 0}));
  EXPECT_EQ(brush.GetStyle(), TvnBrushStyle::bsSolid);
  TvnFont font;
  EXPECT_EQ(font.GetFontIndex(), 0);
  EXPECT_EQ(font.GetCharacterSet(), 0);
  EXPECT_TRUE(font.GetFontFamily().Empty());
  EXPECT_EQ(font.GetFontPitch(), 0);
  EXPECT_EQ(font.GetName(), u"");
  EXPECT_EQ(font.GetSize(), 8);
  EXPECT_TRUE(font.GetStyle().Empty());

  TvnPen red;
  red.SetColor({255, 0, 0});
  red.SetStyle(TvnPenStyle::psDash);
  red.SetWidth(3);
  pen.Assign(&red);
  EXPECT_EQ(pen.GetColor(), (TvnRGBColor{255, 0, 0}));
  EXPECT_EQ(pen.GetStyle(), TvnPenStyle::psDash);
  EXPECT_EQ(pen.GetWidth(), 3);

  TvnBrush hatched;
  hatched.SetColor({0, 0, 255});
  hatched.SetStyle(TvnBrushStyle::bsCross);
  brush.Assign(&hatched);
  EXPECT_EQ(brush.GetColor(), (TvnRGBColor{0, 0, 255}));
  EXPECT_EQ(brush.GetStyle(), TvnBrushStyle::bsCross);
  brush.Assign(&pen);
  EXPECT_EQ(brush.GetStyle(), TvnBrushStyle::bsCross);

  TvnFont arial;
  arial.SetFontIndex(5);
  arial.SetCharacterSet(238);
  arial.SetFontFamily({TvnFontFamily::ffSwiss});
  arial.SetFontPitch(2);
  arial.SetName(u"Arial");
  arial.SetSize(12);
  arial.SetStyle({TvnFontStyle::fsBold, TvnFontStyle::fsItalic});
  font.Assign(&pen);  // another kind: nothing changes
  EXPECT_EQ(font.GetSize(), 8);
  EXPECT_EQ(font.GetName(), u"");
  font.Assign(&arial);
  EXPECT_EQ(font.GetFontIndex(), 0);  // not copied
  EXPECT_EQ(font.GetCharacterSet(), 238);
  EXPECT_EQ(font.GetFontFamily(), (TvnFontFamilies{TvnFontFamily::ffSwiss}));
  EXPECT_EQ(font.GetFontPitch(), 2);
  EXPECT_EQ(font.GetName(), u"Arial");
  EXPECT_EQ(font.GetSize(), 12);
  EXPECT_EQ(font.GetStyle(), (TvnFontStyles{TvnFontStyle::fsBold, TvnFontStyle::fsItalic}));

  TvnPoint point(1.5, -2.25);
  EXPECT_EQ(point.GetX(), 1.5);
  EXPECT_EQ(point.GetY(), -2.25);
}

}  // namespace
}  // namespace vn::framework::page_model_test
