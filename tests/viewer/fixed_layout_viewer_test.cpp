#include "viewer/fixed_layout_viewer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWheelEvent>
#include <cmath>

#include "library/library.h"
#include "runtime/streams.h"
#include "sized_document.h"
#include "support/paths.h"
#include "viewer/viewer_classes.h"
#include "viewer/viewer_messages.h"
#include "viewer/viewer_registration.h"

namespace vn::viewer::fixed_layout_viewer_test {
namespace {

using framework::TvnRotationAngle;
using framework::TvnZoomMode;
using test::A4Pages;
using test::ShownViewer;
using test::SizedDocument;
using test::SizedFile;

double Inches(double Pixels) { return Pixels / 96.0; }

// The thickness of a scroll bar.
int32_t BarExtent() { return TvnFixedLayoutDocumentViewer().SystemScrollBarExtent(); }

// One page whose fit percentages in a viewer of Width by Height (border 6)
// are FitWidth and FitHeight: a page wider at fit width than at fit height
// is taller than the viewer there, so its width fits beside the vertical bar.
std::string PageFitting(double FitWidth, double FitHeight, int Width = 900, int Height = 600) {
  const double Room = Width - 12 - (FitWidth > FitHeight ? BarExtent() : 0);
  return std::to_string(Inches(Room / (FitWidth / 100))) + " " +
         std::to_string(Inches((Height - 12) / (FitHeight / 100))) + "\n";
}

TEST(FixedLayoutViewer, ZoomStepsStopAtTheModesOnTheWay) {
  // Actual size 100, fit width 135.4, fit page 87.2.
  auto Viewer = ShownViewer(SizedFile("steps", PageFitting(135.4, 87.2)), 900, 600);
  ASSERT_NEAR(Viewer->GetZoomPercentForZoomMode(TvnZoomMode::zmFitWidth), 135.4, 1e-5);
  ASSERT_NEAR(Viewer->GetZoomPercentForZoomMode(TvnZoomMode::zmFitPage), 87.2, 1e-5);
  struct Row {
    double From;
    bool In;
    double To;
    TvnZoomMode Mode;
  };
  const Row Rows[] = {
      {100, true, 135.4, TvnZoomMode::zmFitWidth}, {135.4, true, 150, TvnZoomMode::zmCustom},
      {100, false, 87.2, TvnZoomMode::zmFitPage},  {87.2, false, 75, TvnZoomMode::zmCustom},
      {3200, true, 3200, TvnZoomMode::zmCustom},   {0.25, false, 0.25, TvnZoomMode::zmCustom},
      {1, false, 0.25, TvnZoomMode::zmCustom},     {150, false, 135.4, TvnZoomMode::zmFitWidth},
      {60, true, 75, TvnZoomMode::zmCustom},       {75, true, 87.2, TvnZoomMode::zmFitPage},
  };
  for (const Row& R : Rows) {
    Viewer->SetZoomValue(R.From);
    if (R.In)
      Viewer->ZoomIn(1);
    else
      Viewer->ZoomOut(1);
    EXPECT_NEAR(Viewer->GetZoomValue(), R.To, 1e-9) << R.From << (R.In ? " in" : " out");
    EXPECT_EQ(Viewer->GetZoomType(), R.Mode) << R.From << (R.In ? " in" : " out");
  }
}

TEST(FixedLayoutViewer, ManyZoomStepsEndAtTheLimits) {
  // Any count of steps ends at the largest zoom the pages allow (a one-inch
  // page reaches 3200, an A4 page stops where it is 32767 pixels tall) or
  // at 0.25, and takes no longer than the table.
  struct Row {
    std::string Pages;
    bool In;
    double End;
  };
  const Row Rows[] = {{"1 1\n", true, 3200}, {A4Pages(3), true, 2919.06}, {A4Pages(3), false, 0.25}};
  for (const Row& R : Rows) {
    auto Viewer = ShownViewer(SizedFile("limits", R.Pages), 900, 600);
    if (R.In)
      Viewer->ZoomIn(INT32_MAX);
    else
      Viewer->ZoomOut(INT32_MAX);
    EXPECT_DOUBLE_EQ(Viewer->GetZoomValue(), R.End);
    const int32_t Windows = Viewer->GetPageManager()->GetCachedPages().Count();
    EXPECT_GE(Windows, 1);
  }
}

TEST(FixedLayoutViewer, ZoomToARectangle) {
  // The viewer's width over the rectangle's, rounded, times 100 to zoom in
  // and times 10 to zoom out; the rectangle's top-left page point goes to
  // the top of the view.
  auto Viewer = ShownViewer(SizedFile("rect", A4Pages(3)), 900, 600);
  struct Row {
    bool In;
    framework::TRect Rect;
    double Zoom;
  };
  const Row Rows[] = {
      {true, {100, 200, 400, 300}, 300},  {true, {0, 50, 0, 60}, 3200},   // no width: as 1 pixel, then the limit
      {false, {0, 100, 225, 200}, 40},    {false, {0, 10, 2000, 20}, 0.25},
  };
  for (const Row& R : Rows) {
    Viewer->SetZoomValue(100);
    if (R.In)
      Viewer->ZoomIn(R.Rect);
    else
      Viewer->ZoomOut(R.Rect);
    const double Zoom = std::min(R.Zoom, 32767 * 100 / 1122.52);
    EXPECT_NEAR(Viewer->GetZoomValue(), Zoom, 0.01) << R.Rect.Right;
    EXPECT_EQ(Viewer->GetVScrollPos(),
              std::clamp(Viewer->GetScrollPosFromPageIndex(Viewer->GetPageNumber()) +
                             Viewer->GetTransformedPoint(QPoint(R.Rect.Left, R.Rect.Top), 1).y() - 6,
                         0, Viewer->GetVertScrollBar()->GetCalcRange()))
        << R.Rect.Right;
  }
}

TEST(FixedLayoutViewer, ZoomStepsOfTheTableAndTheModes) {
  struct Row {
    int Width, Height;
    std::string Pages;
    size_t Count;
    std::vector<double> Among;
  };
  const Row Rows[] = {
      // Fit width 200, fit height and page 50: all among the table.
      {900, 300, PageFitting(200, 50, 900, 300), 14, {1, 50, 200, 3200}},
      // Fit width 135.4, fit height and fit page 75: 135 joins the table.
      {900, 600, PageFitting(135.4, 75), 15, {75, 100, 135, 150}},
  };
  for (const Row& R : Rows) {
    auto Viewer = ShownViewer(SizedFile("table", R.Pages), R.Width, R.Height);
    const std::vector<double> Steps = Viewer->GetZoomSteps();
    EXPECT_EQ(Steps.size(), R.Count);
    EXPECT_TRUE(std::is_sorted(Steps.begin(), Steps.end()));
    for (double V : R.Among) EXPECT_NE(std::find(Steps.begin(), Steps.end(), V), Steps.end()) << V;
  }
  // Three A4 pages at 100 %: the last step is the page's limit, not 3200.
  auto Viewer = ShownViewer(SizedFile("tablea4", A4Pages(3)), 900, 600);
  const std::vector<double> Steps = Viewer->GetZoomSteps();
  EXPECT_NEAR(Steps.back(), 32767 * 100 / 1122.52, 0.01);
  EXPECT_EQ(std::find(Steps.begin(), Steps.end(), 3200.0), Steps.end());
}

TEST(FixedLayoutViewer, RotationCycles) {
  using A = TvnRotationAngle;
  struct Row {
    A From, Clockwise, CounterClockwise;
  };
  const Row Rows[] = {
      {A::ra0, A::raCW90, A::raACW90},         {A::raCW90, A::raCW180, A::ra0},
      {A::raCW180, A::raCW270, A::raCW90},     {A::raCW270, A::ra0, A::raCW180},
      {A::raACW90, A::ra0, A::raACW180},       {A::raACW180, A::raACW90, A::raACW270},
      {A::raACW270, A::raACW180, A::ra0},
  };
  TvnFixedLayoutDocumentViewer Viewer;
  for (const Row& R : Rows) {
    Viewer.Rotate(R.From);
    Viewer.RotateClockwise();
    EXPECT_EQ(Viewer.GetRotationAngle(), R.Clockwise) << static_cast<int>(R.From);
    Viewer.Rotate(R.From);
    Viewer.RotateCounterClockwise();
    EXPECT_EQ(Viewer.GetRotationAngle(), R.CounterClockwise) << static_cast<int>(R.From);
  }
  // On a shown document four clockwise turns come back to the start, and
  // the pages are drawn turned on the way.
  auto Shown = ShownViewer(SizedFile("turns", "4 3\n"), 900, 600);
  auto* Document = static_cast<SizedDocument*>(Shown->GetDocument());
  const int32_t Degrees[] = {90, 180, 270, 0};
  for (int32_t D : Degrees) {
    Shown->RotateClockwise();
    TvnViewerPage* Window = Shown->GetPageManager()->FindPageWindow(1);
    ASSERT_NE(Window, nullptr);
    Window->Draw();
    EXPECT_EQ(Document->Page(1)->LastRotation, D);
    const bool Across = D == 90 || D == 270;
    EXPECT_EQ(Window->width() > Window->height(), !Across) << D;
  }
  EXPECT_EQ(Shown->GetRotationAngle(), TvnRotationAngle::ra0);
}

// Sends a wheel turn to a widget at a point of it.
void Wheel(QWidget* Target, QPoint At, int32_t Delta, Qt::KeyboardModifiers Modifiers) {
  QWheelEvent Event(QPointF(At), QPointF(Target->mapToGlobal(At)), QPoint(), QPoint(0, Delta), Qt::NoButton,
                    Modifiers, Qt::NoScrollPhase, false);
  QApplication::sendEvent(Target, &Event);
}

// The page point under a point of the viewer's client area, on the page
// whose window holds it.
QPoint PagePointUnder(TvnFixedLayoutDocumentViewer& Viewer, QPoint InClient, int32_t& Page) {
  for (TvnViewerPage* Window : Viewer.GetPageManager()->GetCachedPages().Pages()) {
    if (!Window->geometry().contains(InClient)) continue;
    Page = Window->GetConnectedPage();
    return Viewer.WindowToPagePoint(InClient - Window->pos(), Page);
  }
  Page = 0;
  return {};
}

TEST(FixedLayoutViewer, CtrlWheelZoomKeepsThePointUnderThePointer) {
  auto Viewer = ShownViewer(SizedFile("wheel", A4Pages(3)), 900, 600);
  Viewer->SetZoomValue(150);
  Viewer->GoToPage(2, 300, 0);
  Viewer->SetHScrollPos(100);
  const QPoint Pointer(520, 310);
  int32_t PageBefore = 0;
  const QPoint Before = PagePointUnder(*Viewer, Pointer, PageBefore);
  ASSERT_EQ(PageBefore, 2);
  TvnViewerPage* Window = Viewer->GetPageManager()->FindPageWindow(2);
  ASSERT_NE(Window, nullptr);
  struct Row {
    int32_t Delta;
    double Zoom;
  };
  const Row Rows[] = {{120, 200}, {120, 400}, {-120, 200}, {-120, 150}};
  for (const Row& R : Rows) {
    Window = Viewer->GetPageManager()->FindPageWindow(PageBefore);
    ASSERT_NE(Window, nullptr);
    Wheel(Window, Pointer - Window->pos(), R.Delta, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(Viewer->GetZoomValue(), R.Zoom);
    int32_t PageAfter = 0;
    const QPoint After = PagePointUnder(*Viewer, Pointer, PageAfter);
    EXPECT_EQ(PageAfter, PageBefore) << R.Zoom;
    // Within a screen pixel at the new zoom.
    EXPECT_LE(std::abs(After.x() - Before.x()), 1) << R.Zoom;
    EXPECT_LE(std::abs(After.y() - Before.y()), 1) << R.Zoom;
  }
  // Without Ctrl the wheel scrolls by its delta.
  const int32_t Position = Viewer->GetVScrollPos();
  Wheel(Viewer->GetPageManager()->FindPageWindow(2), QPoint(10, 10), -120, Qt::NoModifier);
  EXPECT_EQ(Viewer->GetVScrollPos(), Position + 120);
  EXPECT_DOUBLE_EQ(Viewer->GetZoomValue(), 150);
}

TEST(FixedLayoutViewer, Paging) {
  auto Viewer = ShownViewer(SizedFile("paging", A4Pages(4)), 900, 600);
  std::vector<int32_t> Changes;
  Viewer->SetOnPageChanged([&](framework::TObject*, framework::TvnPageChangedEventArgs& Args) {
    EXPECT_EQ(Args.GetPageCount(), 4);
    Changes.push_back(Args.GetPageNumber());
  });
  struct Row {
    void (TvnFixedLayoutDocumentViewer::*Move)();
    int32_t Page;
    bool First, Last;
  };
  const Row Rows[] = {
      {&TvnFixedLayoutDocumentViewer::NextPage, 2, false, false},
      {&TvnFixedLayoutDocumentViewer::LastPage, 4, false, true},
      {&TvnFixedLayoutDocumentViewer::NextPage, 4, false, true},
      {&TvnFixedLayoutDocumentViewer::PreviousPage, 3, false, false},
      {&TvnFixedLayoutDocumentViewer::FirstPage, 1, true, false},
      {&TvnFixedLayoutDocumentViewer::PreviousPage, 1, true, false},
  };
  for (const Row& R : Rows) {
    (Viewer.get()->*R.Move)();
    EXPECT_EQ(Viewer->GetPageNumber(), R.Page);
    EXPECT_EQ(Viewer->IsFirst(), R.First);
    EXPECT_EQ(Viewer->IsLast(), R.Last);
  }
  // One event per change of page, none for a move that stays.
  EXPECT_EQ(Changes, (std::vector<int32_t>{2, 4, 3, 1}));
  // Scrolling until less of page 1 remains than the rest of the window
  // below it makes page 2 current, once.
  Changes.clear();
  Viewer->SetVScrollPos(832);
  EXPECT_TRUE(Changes.empty());
  Viewer->SetVScrollPos(833);
  Viewer->SetVScrollPos(840);
  EXPECT_EQ(Changes, (std::vector<int32_t>{2}));
  EXPECT_EQ(Viewer->GetScrollHintText(), u"Page: 1");  // the bar's thumb has not been dragged
}

TEST(FixedLayoutViewer, ScrollBarMovesAnnounceTheScrollAndMoveThePages) {
  auto Viewer = ShownViewer(SizedFile("bars", A4Pages(3)), 900, 600);
  TMessage Message{WM_VSCROLL, PackScrollWParam(SB_THUMBTRACK, 2000), 0, 0};
  Viewer->Perform(Message);
  EXPECT_EQ(Viewer->GetVScrollPos(), 2000);
  EXPECT_EQ(Viewer->GetPageNumber(), 3);
  TvnViewerPage* Window = Viewer->GetPageManager()->FindPageWindow(3);
  ASSERT_NE(Window, nullptr);
  EXPECT_EQ(Window->y(), 2264 - 2000);
  EXPECT_EQ(Viewer->GetScrollHintText(), u"Page: 3");  // the page at the dragged thumb
}

// A wrong password every time: the handler is asked three times (the
// allowed attempts), then the load fails and nothing is shown.
TEST(FixedLayoutViewer, PasswordRequestsStopAfterTheAllowedAttempts) {
  const String File = SizedFile("locked", "password right\n" + A4Pages(2));
  struct Row {
    bool Handler;
    std::vector<std::string> Answers;
    int32_t Asked;
    bool Loads;
  };
  const Row Rows[] = {
      {false, {}, 0, false},
      {true, {"wrong"}, 3, false},
      {true, {"wrong", "right"}, 2, true},
      {true, {"wrong", "wrong", "right"}, 3, true},
  };
  for (const Row& R : Rows) {
    TvnFixedLayoutDocumentViewer Viewer;
    int32_t Asked = 0;
    if (R.Handler)
      Viewer.SetOnNeedPassword([&](framework::TObject*, framework::TvnNeedPasswordEventArgs& Args) {
        const size_t I = std::min(static_cast<size_t>(Asked), R.Answers.size() - 1);
        ++Asked;
        Args.SetPassword(vn::FromUtf8(R.Answers[I]));
      });
    if (R.Loads) {
      Viewer.LoadFromFile(File);
    } else {
      EXPECT_THROW(Viewer.LoadFromFile(File), vn::ExPasswordRequired);
    }
    EXPECT_EQ(Asked, R.Asked);
    EXPECT_EQ(Viewer.IsDocumentActive(), R.Loads);
    EXPECT_EQ(Viewer.GetPageCount(), R.Loads ? 2 : 1);
  }
}

TEST(FixedLayoutViewer, EncryptedPdfAsksThroughTheViewerFromFilesAndStreams) {
  const std::filesystem::path Pdf = std::filesystem::path(VN_CORPUS_DIR) / "pdf" / "pdfjs_bug1782186.pdf";
  if (!std::filesystem::exists(Pdf)) GTEST_SKIP() << "no " << Pdf;
  vn::InitializeLibrary();
  for (const bool FromStream : {false, true}) {
    for (const bool Right : {false, true}) {
      TvnFixedLayoutDocumentViewer Viewer;
      Viewer.resize(600, 400);
      int32_t Asked = 0;
      Viewer.SetOnNeedPassword([&](framework::TObject*, framework::TvnNeedPasswordEventArgs& Args) {
        ++Asked;
        Args.SetPassword(Right ? u"Hello" : u"nope");
      });
      vn::TFileStream Stream(Pdf, vn::FileMode::fmOpenRead);
      auto Load = [&] {
        if (FromStream)
          Viewer.LoadFromStream(&Stream);
        else
          Viewer.LoadFromFile(vn::FromUtf8(Pdf.string()));
      };
      if (Right) {
        Load();
        EXPECT_TRUE(Viewer.IsDocumentActive());
        EXPECT_EQ(Asked, 1);
        EXPECT_EQ(Viewer.GetPageCount(), 1);
      } else {
        EXPECT_THROW(Load(), vn::ExPasswordRequired);
        EXPECT_EQ(Asked, 3) << (FromStream ? "stream" : "file");
        EXPECT_FALSE(Viewer.IsDocumentActive());
      }
    }
  }
}

// A plug-in that records the notifications its receiver gets.
class RecordingPlugin : public TvnqViewerPlugin {
 public:
  inline static int32_t Alive = 0;
  inline static std::vector<uint32_t>* Log = nullptr;
  RecordingPlugin(TvnBaseDocument* ADocument, TvnBaseDocumentViewer* AViewer)
      : TvnqViewerPlugin(ADocument, AViewer), FReceiver(std::make_unique<Receiver>()) {
    ++Alive;
    SetHandle(FReceiver.get());
  }
  ~RecordingPlugin() override { --Alive; }

 private:
  struct Receiver : QObject {
    bool event(QEvent* Event) override {
      if (Event->type() != TvnWindowMessageEvent::EventType()) return QObject::event(Event);
      if (Log != nullptr) Log->push_back(static_cast<TvnWindowMessageEvent*>(Event)->Message.Msg);
      return true;
    }
  };
  std::unique_ptr<Receiver> FReceiver;
};

TEST(FixedLayoutViewer, PluginsAreMadePerDocumentAndHearTheViewer) {
  const String File = SizedFile("plugged", A4Pages(3));
  framework::DocumentFramework()->RegisterViewerPlugin(framework::DocumentClassOf<SizedDocument>(),
                                                       ViewerPluginClassOf<RecordingPlugin>());
  std::vector<uint32_t> Log;
  RecordingPlugin::Log = &Log;
  {
    auto Viewer = ShownViewer(File, 900, 600);
    ASSERT_EQ(Viewer->GetPlugins().size(), 1u);
    EXPECT_EQ(RecordingPlugin::Alive, 1);
    QApplication::processEvents();
    auto Count = [&](uint32_t Msg) { return std::count(Log.begin(), Log.end(), Msg); };
    EXPECT_EQ(Count(VWM_PAGECREATED), 3);
    EXPECT_GE(Count(VWM_PAGEBOUNDSCHANGED), 3);
    Log.clear();
    Viewer->SetZoomValue(200);
    Viewer->CloseDocument();
    TMessage Changed{VWM_ANNOTSCHANGED, 0, 0, 0};
    Viewer->Perform(Changed);
    EXPECT_TRUE(Log.empty());  // posted, not sent
    QApplication::processEvents();
    EXPECT_EQ(Count(VWM_LAYOUTCHANGED), 1);
    EXPECT_EQ(Count(VWM_DOCUMENTCLOSING), 1);
    EXPECT_EQ(Count(VWM_ANNOTSCHANGED), 1);
    // Page-window input reaches the plug-ins: a press with its point, a
    // released Tab as VWM_TABKEY after the key itself.
    Log.clear();
    TvnViewerPage* Window = Viewer->GetPageManager()->FindPageWindow(Viewer->GetPageNumber());
    ASSERT_NE(Window, nullptr);
    QTest::mousePress(Window, Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
    QTest::mouseRelease(Window, Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
    QTest::keyRelease(Window, Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_EQ(Count(WM_LBUTTONDOWN), 1);
    EXPECT_EQ(Count(WM_KEYUP), 1);
    EXPECT_EQ(Count(VWM_TABKEY), 1);
    // A later load frees the document and the plug-ins it replaces.
    Viewer->LoadFromFile(File);
    EXPECT_EQ(RecordingPlugin::Alive, 1);
    EXPECT_EQ(SizedDocument::Alive, 1);
    // A file of an unregistered extension keeps the document shown.
    Viewer->LoadFromFile(u"/nowhere/file.unknownext");
    EXPECT_TRUE(Viewer->IsDocumentActive());
    EXPECT_EQ(Viewer->GetPageCount(), 3);
  }
  QApplication::processEvents();
  EXPECT_EQ(RecordingPlugin::Alive, 0);
  EXPECT_EQ(SizedDocument::Alive, 0);
  RecordingPlugin::Log = nullptr;
}

TEST(FixedLayoutViewer, HandDraggingScrollsWithTheClosedHand) {
  auto Viewer = ShownViewer(SizedFile("hand", A4Pages(3)), 900, 600);
  Viewer->SetZoomValue(150);
  Viewer->GoToPage(2, 0, 0);
  TvnViewerPage* Window = Viewer->GetPageManager()->FindPageWindow(2);
  ASSERT_NE(Window, nullptr);
  const int32_t Start = Viewer->GetVScrollPos();
  QTest::mousePress(Window, Qt::LeftButton, Qt::NoModifier, QPoint(300, 300));
  EXPECT_EQ(Window->cursor().shape(), Qt::ClosedHandCursor);
  // Drag upwards in steps: the view follows the hand, downwards in the
  // document.
  for (int32_t Y = 290; Y >= 200; Y -= 10) {
    QMouseEvent Move(QEvent::MouseMove, QPointF(300, Y), QPointF(Window->mapToGlobal(QPoint(300, Y))), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Window, &Move);
  }
  EXPECT_GT(Viewer->GetVScrollPos(), Start);
  QTest::mouseRelease(Window, Qt::LeftButton, Qt::NoModifier, QPoint(300, 200));
  EXPECT_EQ(Window->cursor().shape(), Qt::OpenHandCursor);
}

TEST(FixedLayoutViewer, PageWindowsRenderOnceUntilTheirBoundsChange) {
  auto Viewer = ShownViewer(SizedFile("render", "4 3\n"), 900, 600);
  auto* Document = static_cast<SizedDocument*>(Viewer->GetDocument());
  TvnViewerPage* Window = Viewer->GetPageManager()->FindPageWindow(1);
  ASSERT_NE(Window, nullptr);
  Window->Draw();
  Window->Draw();
  EXPECT_EQ(Document->Page(1)->Draws, 1);
  EXPECT_EQ(Document->Page(1)->LastSize, Window->size());
  // The picture shows the page: grey, with its black corner square.
  const QImage& Picture = Window->GetBitmap();
  ASSERT_EQ(Picture.size(), Window->size());
  EXPECT_EQ(QColor(Picture.pixel(2, 2)), QColor(Qt::black));
  EXPECT_EQ(QColor(Picture.pixel(Picture.width() - 3, Picture.height() - 3)), QColor(0xC0, 0xC0, 0xC0));
  Viewer->SetZoomValue(50);
  Window = Viewer->GetPageManager()->FindPageWindow(1);
  Window->Draw();
  EXPECT_EQ(Document->Page(1)->Draws, 2);
  EXPECT_EQ(Document->Page(1)->LastSize, QSize(192, 144));
}

TEST(FixedLayoutViewer, DeepZoomRendersOnlyAroundTheView) {
  // At 800 % an A4 page is 6350 by 8980 pixels: its window keeps a picture
  // of the part in view and one view around it, not of the whole page.
  auto Viewer = ShownViewer(SizedFile("deep", A4Pages(1)), 900, 600);
  Viewer->SetZoomValue(800);
  Viewer->GoToPage(1, 100, 0);
  Viewer->SetHScrollPos(1300);
  Viewer->GetPageManager()->ScrollViewer(Viewer->GetVScrollPos(), 2);
  TvnViewerPage* Window = Viewer->GetPageManager()->FindPageWindow(1);
  ASSERT_NE(Window, nullptr);
  Window->Draw();
  const QImage& Picture = Window->GetBitmap();
  ASSERT_FALSE(Picture.isNull());
  EXPECT_LE(Picture.width(), 3 * Viewer->ClientWidth());
  EXPECT_LE(Picture.height(), 3 * Viewer->ClientHeight());
  // The picture holds the page where it lies: the black quarter ends at a
  // quarter of the page's width, grey follows.
  const QPoint View = Window->mapFrom(Viewer->ClientArea(), QPoint(0, 0));
  const int32_t Quarter = Window->width() / 4;
  ASSERT_LT(View.x(), Quarter);
  const QPoint Origin = View - QPoint(Viewer->ClientWidth(), Viewer->ClientHeight());
  const int32_t Y = View.y() + 10 - std::max(Origin.y(), 0);
  auto At = [&](int32_t X) { return QColor(Picture.pixel(X - std::max(Origin.x(), 0), Y)); };
  EXPECT_EQ(At(Quarter - 3), QColor(Qt::black));
  EXPECT_EQ(At(Quarter + 3), QColor(0xC0, 0xC0, 0xC0));
  // Scrolling far away renders the new part.
  Viewer->SetHScrollPos(0);
  Window->Draw();
  EXPECT_EQ(QColor(Window->GetBitmap().pixel(2, Y)), QColor(Qt::black));
}

TEST(ViewerRegistration, RegistersTheViewerOnceForItsExtensions) {
  vn::InitializeLibrary();
  InitializeViewers();
  EXPECT_NO_THROW(InitializeViewers());
  framework::TvnKELMFramework* Registry = framework::DocumentFramework();
  const framework::TvnViewerClass Viewer = ViewerClassOf<TvnFixedLayoutDocumentViewer>();
  for (const char16_t* Extension : FixedLayoutViewerExtensions) {
    if (String(Extension) == u"*") continue;
    EXPECT_EQ(Registry->LookupViewerController(String(u"x") + Extension), Viewer) << vn::ToUtf8(Extension);
  }
  // A document class without a viewer of its own gets the "*" viewer.
  EXPECT_EQ(Registry->LookupViewerController(u"x.rtf"), Viewer);
  std::unique_ptr<TvnBaseDocumentViewer> Made(ViewerClassOf<TvnFixedLayoutDocumentViewer>()->Create(nullptr));
  EXPECT_NE(dynamic_cast<TvnFixedLayoutDocumentViewer*>(Made.get()), nullptr);
}

}  // namespace
}  // namespace vn::viewer::fixed_layout_viewer_test
