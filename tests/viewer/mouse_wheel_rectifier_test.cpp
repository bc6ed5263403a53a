#include "viewer/mouse_wheel_rectifier.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "stub_viewer.h"
#include "viewer/scrolling_panel.h"

namespace vn::viewer::mouse_wheel_rectifier_test {
namespace {

// A panel that scrolls by the wheel as the viewer does: the vertical
// position goes down by the wheel delta.
class WheelPanel : public test::StubViewer<TvnScrollingPanel> {
 protected:
  void wheelEvent(QWheelEvent* Event) override {
    GetVertScrollBar()->SetPosition(GetVertScrollBar()->GetPosition() - Event->angleDelta().y());
    Event->accept();
  }
};

// A focusable widget that counts the wheel events it receives.
class FocusTarget : public QWidget {
 public:
  FocusTarget() { setFocusPolicy(Qt::StrongFocus); }
  int wheels = 0;

 protected:
  void wheelEvent(QWheelEvent* Event) override {
    ++wheels;
    Event->accept();
  }
};

// A window with the panel (a child widget inside its client area) above a
// widget that has the keyboard focus.
class WheelRouting : public ::testing::Test {
 protected:
  void SetUp() override {
    // A viewer made by an earlier test leaves its hook installed.
    RemoveMouseWheelHook();
    auto* layout = new QVBoxLayout(&window);
    panel = new WheelPanel;
    panel->setMinimumSize(200, 150);
    layout->addWidget(panel);
    plain = new QLabel(QStringLiteral("no wheel here"));
    plain->setMinimumSize(200, 40);
    layout->addWidget(plain);
    focus = new FocusTarget;
    focus->setMinimumSize(200, 40);
    layout->addWidget(focus);
    window.move(0, 0);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QApplication::setActiveWindow(&window);
    focus->setFocus();
    panel->GetVertScrollBar()->SetRange(2000);
    panel->GetVertScrollBar()->SetPosition(500);
    page = new QWidget(panel->ClientArea());
    page->setGeometry(10, 10, 100, 100);
    page->show();
  }
  void TearDown() override { RemoveMouseWheelHook(); }

  // A wheel turn as the window system hands it to the focused widget, with
  // the pointer at Global.
  bool TurnWheelAt(QPoint global, int delta) {
    QWheelEvent event(focus->mapFromGlobal(QPointF(global)), QPointF(global), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    return QApplication::sendEvent(focus, &event);
  }

  QWidget window;
  WheelPanel* panel = nullptr;
  QLabel* plain = nullptr;
  FocusTarget* focus = nullptr;
  QWidget* page = nullptr;
};

TEST_F(WheelRouting, WheelOverAChildScrollsThePanelUnderThePointer) {
  ASSERT_TRUE(focus->hasFocus());
  const QPoint overPage = page->mapToGlobal(QPoint(50, 50));
  ASSERT_EQ(QApplication::widgetAt(overPage), page);

  // Without the hook the focused widget gets the turn.
  TurnWheelAt(overPage, -120);
  EXPECT_EQ(focus->wheels, 1);
  EXPECT_EQ(panel->GetVertScrollBar()->GetPosition(), 500);

  InstallMouseWheelHook();
  TurnWheelAt(overPage, -120);  // one notch towards the user: down 120
  EXPECT_EQ(panel->GetVertScrollBar()->GetPosition(), 620);
  TurnWheelAt(overPage, 240);
  EXPECT_EQ(panel->GetVertScrollBar()->GetPosition(), 380);
  EXPECT_EQ(focus->wheels, 1);
}

TEST_F(WheelRouting, WheelOverAControlThatIgnoresItReachesTheFocusedWidget) {
  InstallMouseWheelHook();
  TurnWheelAt(plain->mapToGlobal(QPoint(5, 5)), -120);
  EXPECT_EQ(focus->wheels, 1);
  EXPECT_EQ(panel->GetVertScrollBar()->GetPosition(), 500);
}

TEST_F(WheelRouting, InstallingAgainReplacesTheHookAndRemovingTwiceIsHarmless) {
  InstallMouseWheelHook();
  InstallMouseWheelHook();
  const QPoint overPage = page->mapToGlobal(QPoint(50, 50));
  TurnWheelAt(overPage, -120);
  EXPECT_EQ(panel->GetVertScrollBar()->GetPosition(), 620);  // handled once, not twice
  RemoveMouseWheelHook();
  EXPECT_FALSE(MouseWheelHookInstalled());
  RemoveMouseWheelHook();
  TurnWheelAt(overPage, -120);
  EXPECT_EQ(focus->wheels, 1);
}

}  // namespace
}  // namespace vn::viewer::mouse_wheel_rectifier_test
