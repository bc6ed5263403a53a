#include "wordmodel/resources.h"

#include <gtest/gtest.h>

namespace vn::wordmodel::resources_test {
namespace {

TEST(Resources, ResourcesMadeInTurnGetConsecutiveIdentifiers) {
  TvnImageResource first(u"a");
  TvnResource second(u"b");
  EXPECT_GT(first.GetResourceId(), 0);
  EXPECT_EQ(second.GetResourceId(), first.GetResourceId() + 1);
}

TEST(Resources, SettingDataChoosesWhereItLies) {
  TvnImageResource resource(u"pic");
  resource.SetResourceStream(std::make_shared<vn::TStringStream>("bytes"));
  EXPECT_EQ(resource.GetResourceLocation(), TvnResourceLoc::rlStream);
  resource.SetResourceFile(u"pic.png");
  EXPECT_EQ(resource.GetResourceLocation(), TvnResourceLoc::rlFile);
  EXPECT_EQ(resource.GetResourceFile(), u"pic.png");
}

TEST(Resources, CollectionRefusesDuplicateNamesAndIdentifiers) {
  TvnResourceCollection collection;
  auto first = std::make_unique<TvnImageResource>(u"rId1");
  TvnResource* kept = first.get();
  EXPECT_TRUE(collection.AddResource(std::move(first)));
  EXPECT_FALSE(collection.AddResource(std::make_unique<TvnImageResource>(u"rId1")));
  EXPECT_FALSE(collection.AddResource(nullptr));
  EXPECT_EQ(collection.GetEnumerator(), (std::vector<TvnResource*>{kept}));
  EXPECT_EQ(collection.GetResource(u"rId1"), kept);
  EXPECT_EQ(collection.GetResource(kept->GetResourceId()), kept);

  // Unnamed resources are found by identifier only.
  auto unnamed = std::make_unique<TvnResource>();
  const int32_t id = unnamed->GetResourceId();
  EXPECT_TRUE(collection.AddResource(std::move(unnamed)));
  EXPECT_TRUE(collection.ContainsResource(id));
  EXPECT_FALSE(collection.ContainsResource(u""));
  EXPECT_EQ(collection.GetResource(u"missing"), nullptr);
  EXPECT_EQ(collection.GetResource(-5), nullptr);
}

TEST(Resources, RemovedAndClearedResourcesGoBackToTheCaller) {
  TvnResourceCollection collection;
  collection.AddResource(std::make_unique<TvnResource>(u"one"));
  collection.AddResource(std::make_unique<TvnResource>(u"two"));
  std::unique_ptr<TvnResource> one = collection.RemoveResource(u"one");
  ASSERT_NE(one, nullptr);
  EXPECT_FALSE(collection.ContainsResource(u"one"));
  EXPECT_FALSE(collection.ContainsResource(one->GetResourceId()));
  EXPECT_EQ(collection.RemoveResource(u"one"), nullptr);

  TvnResourceList rest = collection.Clear();
  ASSERT_EQ(rest.size(), 1u);
  EXPECT_EQ(rest[0]->GetResourceName(), u"two");
  EXPECT_TRUE(collection.GetEnumerator().empty());
  EXPECT_FALSE(collection.ContainsResource(u"two"));
}

}  // namespace
}  // namespace vn::wordmodel::resources_test
