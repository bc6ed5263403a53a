#include "viewer/scrolling_panel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QMoveEvent>

#include "stub_viewer.h"

namespace vn::viewer::scrolling_panel_test {
namespace {

using Panel = test::StubViewer<TvnScrollingPanel>;

TEST(SmoothSteps, SplitsAMoveIntoStepsAndARemainder) {
  struct Case {
    int32_t increment, divisions;
    TSmoothSteps steps;
  };
  const Case cases[] = {
      {8, 4, {4, 2, 0}},     // a line of 8 pixels: four steps of 2
      {80, 12, {12, 6, 8}},  // a page of 80: twelve steps of 6, then 8
      {7, 4, {4, 1, 3}},
      {3, 4, {4, 0, 3}},     // shorter than the steps: only the remainder moves
      {80, 0, {1, 80, 0}},   // no divisions: one step
  };
  for (const Case& c : cases)
    EXPECT_EQ(SmoothSteps(c.increment, c.divisions), c.steps) << c.increment << " in " << c.divisions;
}

// Records the vertical offsets a child of the client area goes through.
class MoveRecorder : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* Event) override {
    if (Event->type() == QEvent::Move) ys.push_back(static_cast<QMoveEvent*>(Event)->pos().y());
    return false;
  }
  std::vector<int> ys;
};

void SendVScroll(TvnScrollingPanel& panel, int32_t code, int32_t pos = 0) {
  TMessage message{WM_VSCROLL, PackScrollWParam(code, pos), 0, 0};
  panel.Perform(message);
}

class ScrollingPanel : public ::testing::Test {
 protected:
  void SetUp() override {
    panel.resize(200, 100);
    child = new QWidget(panel.ClientArea());
    child->setGeometry(0, 0, 50, 50);
  }
  Panel panel;
  QWidget* child = nullptr;
};

TEST_F(ScrollingPanel, PositionsAreClampedToTheScrollableRange) {
  TControlScrollBar* bar = panel.GetVertScrollBar();
  bar->SetRange(-20);
  EXPECT_EQ(bar->GetRange(), 0);
  bar->SetPosition(10);
  EXPECT_EQ(bar->GetPosition(), 0);

  bar->SetRange(500);
  EXPECT_TRUE(bar->IsScrollBarVisible());
  EXPECT_EQ(bar->GetCalcRange(), 500 - panel.ClientHeight());
  struct Case {
    int32_t set, expected;
  };
  for (const Case c : {Case{-5, 0}, Case{30, 30}, Case{100000, 500 - panel.ClientHeight()}}) {
    bar->SetPosition(c.set);
    EXPECT_EQ(bar->GetPosition(), c.expected) << c.set;
    EXPECT_EQ(bar->GetBar()->value(), c.expected) << c.set;
    EXPECT_EQ(child->y(), -c.expected) << c.set;  // the content moved with it
  }

  // Content that fits: nothing to scroll, and the bar hides.
  bar->SetRange(panel.ClientHeight());
  EXPECT_EQ(bar->GetCalcRange(), 0);
  EXPECT_EQ(bar->GetPosition(), 0);
  EXPECT_FALSE(bar->IsScrollBarVisible());
  EXPECT_EQ(child->y(), 0);
}

TEST_F(ScrollingPanel, ScrollCodesMoveTheVerticalBar) {
  TControlScrollBar* bar = panel.GetVertScrollBar();
  bar->SetRange(1000);
  const int32_t page = panel.ClientHeight();
  struct Case {
    int32_t code, expected;
  };
  const Case cases[] = {{SB_LINEDOWN, 8},          {SB_PAGEDOWN, 8 + page}, {SB_LINEUP, page},
                        {SB_PAGEUP, 0},            {SB_BOTTOM, 1000 - page}, {SB_TOP, 0},
                        {SB_THUMBPOSITION, 0}};
  for (const Case& c : cases) {
    SendVScroll(panel, c.code, 0);
    EXPECT_EQ(bar->GetPosition(), c.expected) << "code " << c.code;
  }
  // The scroll event sees the new position and may change it.
  panel.OnVScroll = [](QObject*, int32_t code, int32_t& pos) {
    if (code == SB_LINEDOWN) pos = 100;
  };
  SendVScroll(panel, SB_LINEDOWN);
  EXPECT_EQ(bar->GetPosition(), 100);
}

TEST_F(ScrollingPanel, BarWidgetActionsBecomeScrollMessages) {
  TControlScrollBar* bar = panel.GetVertScrollBar();
  bar->SetRange(1000);
  bar->GetBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(bar->GetPosition(), 8);
  EXPECT_EQ(bar->GetBar()->value(), 8);
  bar->GetBar()->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(bar->GetPosition(), bar->GetCalcRange());
  EXPECT_EQ(bar->GetBar()->value(), bar->GetCalcRange());
}

TEST_F(ScrollingPanel, ThumbMessagesOverTallContentUseTheFullTrackPosition) {
  TControlScrollBar* bar = panel.GetVertScrollBar();
  bar->SetRange(200000);
  bar->SetTracking(true);
  {
    const QSignalBlocker block(bar->GetBar());
    bar->GetBar()->setSliderPosition(70000);
  }
  // The message's 16-bit field holds 70000 mod 65536 = 4464.
  SendVScroll(panel, SB_THUMBTRACK, 70000);
  EXPECT_EQ(bar->GetTrackingPos(), 70000);
  EXPECT_EQ(bar->GetPosition(), 70000);
  bar->SetPosition(0);
  {
    const QSignalBlocker block(bar->GetBar());
    bar->GetBar()->setSliderPosition(70000);
  }
  SendVScroll(panel, SB_THUMBPOSITION, 70000);
  EXPECT_EQ(bar->GetPosition(), 70000);

  // Short content: the message's own position counts.
  bar->SetRange(1000);
  SendVScroll(panel, SB_THUMBPOSITION, 300);
  EXPECT_EQ(bar->GetPosition(), 300);
}

TEST_F(ScrollingPanel, SmoothMovesGoInSteps) {
  // A client height of 89 makes the page step 80 and the smooth line step 8.
  panel.resize(200, 89 + panel.SystemScrollBarExtent());
  panel.show();
  TControlScrollBar* bar = panel.GetVertScrollBar();
  panel.GetHorzScrollBar()->SetRange(1000);  // the horizontal bar shows
  bar->SetSmooth(true);
  bar->SetRange(2000);
  ASSERT_EQ(panel.ClientHeight(), 89);
  ASSERT_EQ(bar->GetPageIncrement(), 80);
  ASSERT_EQ(bar->GetIncrement(), 8);

  MoveRecorder recorder;
  child->installEventFilter(&recorder);
  SendVScroll(panel, SB_LINEDOWN);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(bar->GetPosition(), 8);
  EXPECT_EQ(recorder.ys, (std::vector<int>{-2, -4, -6, -8}));

  recorder.ys.clear();
  SendVScroll(panel, SB_PAGEDOWN);
  EXPECT_EQ(bar->GetPosition(), 88);
  std::vector<int> expected;
  for (int i = 1; i <= 12; ++i) expected.push_back(-8 - 6 * i);
  expected.push_back(-88);
  EXPECT_EQ(recorder.ys, expected);
}

TEST_F(ScrollingPanel, ThumbTrackingShowsThePageTipUntilTheThumbIsReleased) {
  panel.show();
  TControlScrollBar* bar = panel.GetVertScrollBar();
  bar->SetRange(1000);
  SendVScroll(panel, SB_THUMBTRACK, 40);
  EXPECT_EQ(bar->GetPosition(), 0);  // tracking off: the content stays
  ASSERT_TRUE(panel.GetScrollToolTipShowing());
  QLabel* tip = panel.GetScrollToolTip();
  EXPECT_TRUE(tip->isVisible());
  EXPECT_EQ(tip->text(), QStringLiteral("Page: 40"));
  EXPECT_EQ(tip->geometry().right() + 1, panel.mapToGlobal(QPoint(panel.ClientWidth(), 0)).x());

  SendVScroll(panel, SB_THUMBPOSITION, 40);
  EXPECT_EQ(bar->GetPosition(), 40);
  EXPECT_FALSE(panel.GetScrollToolTipShowing());
  EXPECT_FALSE(tip->isVisible());

  // The tip's timer message, posted, hides it as well.
  SendVScroll(panel, SB_THUMBTRACK, 50);
  ASSERT_TRUE(panel.GetScrollToolTipShowing());
  QCoreApplication::postEvent(&panel, new TvnWindowMessageEvent({WM_TIMER, 1, 0, 0}));
  QCoreApplication::sendPostedEvents(&panel);
  EXPECT_FALSE(panel.GetScrollToolTipShowing());
}

TEST_F(ScrollingPanel, BarSettings) {
  TControlScrollBar* bar = panel.GetVertScrollBar();
  bar->SetRange(1000);
  bar->SetSize(20);
  EXPECT_EQ(bar->GetBar()->width(), 20);
  bar->SetSize(0);  // the system thickness, read back as 0
  EXPECT_EQ(bar->GetSize(), 0);
  EXPECT_EQ(bar->GetBar()->width(), panel.SystemScrollBarExtent());

  bar->SetIncrement(0);
  EXPECT_EQ(bar->GetIncrement(), 1);
  bar->SetColor(Qt::red);
  EXPECT_FALSE(bar->GetParentColor());

  // A hidden bar ignores its messages and scrolls nothing.
  bar->SetVisible(false);
  EXPECT_EQ(bar->GetScrollPos(), 0);
  SendVScroll(panel, SB_LINEDOWN);
  EXPECT_EQ(bar->GetPosition(), 0);

  // Assigning another bar copies visibility, range, position and increment.
  Panel other;
  other.resize(200, 100);
  other.GetVertScrollBar()->SetRange(700);
  other.GetVertScrollBar()->SetPosition(33);
  other.GetVertScrollBar()->SetIncrement(5);
  panel.SetVertScrollBar(*other.GetVertScrollBar());
  EXPECT_TRUE(bar->GetVisible());
  EXPECT_EQ(bar->GetRange(), 700);
  EXPECT_EQ(bar->GetPosition(), 33);
  EXPECT_EQ(bar->GetIncrement(), 5);
}

TEST_F(ScrollingPanel, AutoScrollRangesFollowTheChildren) {
  panel.SetAutoScroll(true);
  child->setGeometry(0, 0, 300, 400);
  panel.CalcAutoRange();
  EXPECT_EQ(panel.GetVertScrollBar()->GetRange(), 400);
  EXPECT_EQ(panel.GetHorzScrollBar()->GetRange(), 300);
  // Setting a range by hand ends automatic ranges.
  panel.GetVertScrollBar()->SetRange(50);
  EXPECT_FALSE(panel.GetAutoScroll());
  panel.SetAutoScroll(true);
  panel.SetAutoScroll(false);
  EXPECT_EQ(panel.GetVertScrollBar()->GetRange(), 0);
}

TEST_F(ScrollingPanel, ScrollInViewBringsAChildIntoTheClientArea) {
  TControlScrollBar* bar = panel.GetVertScrollBar();
  bar->SetRange(1000);
  auto* far = new QWidget(panel.ClientArea());
  far->setGeometry(0, 500, 20, 30);
  panel.ScrollInView(far);
  EXPECT_EQ(bar->GetPosition(), 530 - panel.ClientHeight());
  EXPECT_EQ(far->y() + far->height(), panel.ClientHeight());
  panel.ScrollInView(child);
  EXPECT_EQ(bar->GetPosition(), 0);
}

}  // namespace
}  // namespace vn::viewer::scrolling_panel_test
