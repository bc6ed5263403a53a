#include "viewer/base_viewer.h"

#include <gtest/gtest.h>

#include "framework/writer_routines.h"
#include "stub_viewer.h"

namespace vn::viewer::base_viewer_test {
namespace {

using framework::TRect;
using Viewer = test::StubViewer<TvnBaseDocumentViewer>;

TEST(TransferPointRect, PointsToPagePixels) {
  struct Case {
    TRect in;
    int32_t screen, zoom, dpix, dpiy;
    TRect out;
  };
  const Case cases[] = {
      {{0, 0, 72, 36}, 96, 100, 96, 96, {0, 0, 96, 48}},
      {{72, 36, 0, 0}, 96, 100, 96, 96, {0, 0, 96, 48}},     // sides put in order
      {{-72, 0, 0, -36}, 96, 100, 96, 96, {0, 0, 96, 48}},   // absolute values first
      {{0, 0, 72, 36}, 96, 200, 96, 96, {0, 0, 192, 96}},    // zoom
      {{0, 0, 72, 36}, 96, 100, 192, 48, {0, 0, 192, 24}},   // rendering resolution per axis
      {{0, 0, 72, 36}, 120, 100, 96, 96, {0, 0, 96, 48}},    // screen resolution cancels out
      {{1, 3, 10, 20}, 96, 150, 96, 96, {2, 6, 20, 40}},     // 1 pt -> 1 px (1.33), then 1.5
      {{0, 0, 72, 36}, 0, 100, 96, 96, {0, 0, 0, 0}},        // no screen resolution: nothing
  };
  for (const Case& c : cases) {
    const TRect r = TransferPointRect(c.in, c.screen, c.zoom, c.dpix, c.dpiy);
    EXPECT_EQ(r, c.out) << c.in.Left << "," << c.in.Top << "," << c.in.Right << "," << c.in.Bottom << " at "
                        << c.screen << " dpi, zoom " << c.zoom << " -> " << r.Left << "," << r.Top << ","
                        << r.Right << "," << r.Bottom;
  }
}

TEST(ViewerPlugin, TransfersThroughItsViewersZoomAndPreferences) {
  const int32_t savedPpi = framework::ScreenPixelsPerInch;
  framework::ScreenPixelsPerInch = 96;
  Viewer viewer;
  TvnqViewerPlugin plugin(nullptr, &viewer);
  // A viewer without zoom settings or preferences counts as 100 % at 96 dpi.
  EXPECT_EQ(plugin.GetTransferedRect({0, 0, 72, 36}), (TRect{0, 0, 96, 48}));

  framework::TvnZoom zoom(&viewer);
  framework::TvnViewerPreferences preferences;
  viewer.UseSettings(&zoom, &preferences);
  viewer.FPercent = 50;
  preferences.GetRendering()->SetDPIY(192);
  EXPECT_EQ(plugin.GetTransferedRect({0, 0, 72, 36}), (TRect{0, 0, 48, 48}));
  framework::ScreenPixelsPerInch = savedPpi;
}

TEST(BaseViewer, ReportsPageOneOfOne) {
  Viewer viewer;
  framework::IvnDocumentViewer& asInterface = viewer;
  EXPECT_EQ(asInterface.GetPageNumber(), 1);
  EXPECT_EQ(asInterface.GetPageCount(), 1);
  viewer.SetPageNumber(5);  // stored, but the base still answers 1
  EXPECT_EQ(asInterface.GetPageNumber(), 1);
  EXPECT_EQ(viewer.GetZoomPercentForZoomMode(framework::TvnZoomMode::zmFitPage), 100);
  EXPECT_TRUE(viewer.GetZoomSteps().empty());
}

TEST(BaseViewer, FieldMappingKeepsOneLinkPerName) {
  Viewer viewer;
  TDataSource source;
  viewer.SetFieldDataSource(&source);
  TvnFieldDataLink* name = viewer.FieldMapping(u"Name");
  EXPECT_EQ(viewer.FieldMapping(u"Name"), name);
  EXPECT_NE(viewer.FieldMapping(u"City"), name);
  EXPECT_EQ(name->GetDataSource(), &source);
  EXPECT_TRUE(name->GetValueMappings().empty());
  EXPECT_TRUE(name->GetVisualControl());
}

class Page : public TvnBaseNavigationPanePage {
 public:
  using TvnBaseNavigationPanePage::TvnBaseNavigationPanePage;
  void Activate() override {}
};

TEST(NavigationPanePage, NewPageIsCaptionedDefaultAndOwnedByThePane) {
  auto* pane = new QWidget;
  auto* page = new Page(pane, nullptr, nullptr);
  EXPECT_EQ(page->GetCaption(), u"Default");
  EXPECT_FALSE(page->isEmpty());
  page->SetisEmpty(true);
  EXPECT_TRUE(page->isEmpty());
  EXPECT_EQ(page->parentWidget(), pane);
  delete pane;  // frees the page
}

// A data set of named fields, some read-only, that records Edit calls.
class FakeField : public TField {
 public:
  FakeField(String AName, bool ACanModify) : FName(std::move(AName)), FCanModify(ACanModify) {}
  String GetFieldName() const override { return FName; }
  bool GetCanModify() const override { return FCanModify; }
  QVariant GetValue() const override { return {}; }
  void SetValue(const QVariant&) override {}

 private:
  String FName;
  bool FCanModify;
};

class FakeDataSet : public TDataSet {
 public:
  bool GetActive() const override { return active; }
  TField* FindField(const String& FieldName) override {
    for (auto& f : fields)
      if (f.GetFieldName() == FieldName) return &f;
    return nullptr;
  }
  bool IsEditing() const override { return editing; }
  void Edit() override { editing = true; }
  bool active = true;
  bool editing = false;
  std::vector<FakeField> fields{{u"Name", true}, {u"Id", false}};
};

TEST(FieldDataLink, BindsEditsAndNotifies) {
  FakeDataSet data;
  TDataSource source;
  source.SetDataSet(&data);
  TvnFieldDataLink link(&source);
  std::vector<std::string> events;
  link.OnDataChange = [&](TObject*) { events.push_back("data"); };
  link.OnEditingChange = [&](TObject*) { events.push_back("editing"); };
  link.OnUpdateData = [&](TObject*) { events.push_back("update"); };

  link.SetDataFieldName(u"Name");
  ASSERT_EQ(link.GetField(), &data.fields[0]);
  EXPECT_EQ(events, std::vector<std::string>{"data"});  // bound: record refreshed
  link.Edit();
  EXPECT_TRUE(data.editing);
  link.EditingChanged();  // as the data set tells its links
  EXPECT_TRUE(link.GetEditing());
  EXPECT_EQ(events.back(), "editing");
  EXPECT_TRUE(link.Edit());

  link.Modified();
  link.UpdateData();
  link.UpdateData();  // nothing modified any more
  EXPECT_EQ(std::count(events.begin(), events.end(), "update"), 1);

  // A field that cannot be modified keeps the data set out of edit mode.
  data.editing = false;
  link.SetDataFieldName(u"Id");
  EXPECT_FALSE(link.Edit());
  EXPECT_FALSE(data.editing);

  // An inactive data set unbinds the field.
  data.active = false;
  link.ActiveChanged();
  EXPECT_EQ(link.GetField(), nullptr);
}

TEST(FieldDataLink, ValueMappingsKeyVariantsOfAnyType) {
  TvnFieldDataLink link;
  auto& map = link.GetValueMappings();
  map[QVariant(1)] = QVariant(QStringLiteral("one"));
  map[QVariant(QStringLiteral("1"))] = QVariant(true);
  map[QVariant(1)] = QVariant(QStringLiteral("uno"));
  ASSERT_EQ(map.size(), 2u);
  EXPECT_EQ(map[QVariant(1)].toString(), QStringLiteral("uno"));
}

}  // namespace
}  // namespace vn::viewer::base_viewer_test
