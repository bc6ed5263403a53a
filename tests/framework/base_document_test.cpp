#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/base_document.h"
#include "framework/document_routines.h"
#include "framework/page_model.h"
#include "runtime/exceptions.h"

namespace vn::framework::base_document_test {
namespace {

class FakePage : public TvnBasePage {
 public:
  explicit FakePage(double height) : height_(height) {}
  TvnPageSize GetPageSize() override { return {height_, 100}; }
  double height_;
};

// A document of pages whose only content is their height; Assign copies the
// selected pages of another fake document and raises the page-copy events.
class FakeDocument : public TvnBaseDocument {
 public:
  explicit FakeDocument(int32_t page_count = 0) {
    for (int32_t i = 1; i <= page_count; ++i) pages_.push_back(std::make_unique<FakePage>(i * 10));
  }
  int32_t GetPageCount() override { return static_cast<int32_t>(pages_.size()); }
  TvnPage* GetPage(int32_t Index) override {
    return Index >= 1 && Index <= GetPageCount() ? pages_[static_cast<size_t>(Index) - 1].get() : nullptr;
  }
  void Assign(TvnBaseDocument* SourceDocument, const String& PageRange) override {
    for (int32_t number : ParsePageRange(PageRange, SourceDocument->GetPageCount())) {
      DoBeginAssignPage(number);
      pages_.push_back(std::make_unique<FakePage>(SourceDocument->GetPage(number)->GetPageSize().Height));
      DoEndAssignPage(number, GetPageCount());
    }
  }
  std::vector<std::unique_ptr<FakePage>> pages_;
};

// A stream that counts its live instances.
class CountedStream : public vn::TMemoryStream {
 public:
  static inline int live = 0;
  CountedStream() { ++live; }
  ~CountedStream() override { --live; }
};

TEST(OutputTarget, TheFileNameHandlerWinsOverTheStreamHandler) {
  struct Case {
    bool file_handler;
    bool stream_handler;
    bool file_asked;
    bool stream_asked;
    const char16_t* path;
    bool stream_output;
  } cases[] = {
      {false, false, false, false, u"", false},
      {true, false, true, false, u"out/a.pdf", false},
      {false, true, false, true, u"", true},
      {true, true, true, false, u"out/a.pdf", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.file_handler) + std::to_string(c.stream_handler));
    FakeDocument document;
    vn::TMemoryStream target;
    bool file_asked = false;
    bool stream_asked = false;
    if (c.file_handler) {
      document.OnNeedOutputFileName = [&](TObject* Sender, TvnNeedOutputFileNameEventArgs& args) {
        file_asked = true;
        EXPECT_EQ(Sender, &document);
        EXPECT_EQ(args.GetOutputItem(), TvnOutputItem::oiPage);
        EXPECT_EQ(args.GetPageNumber(), 2);
        EXPECT_EQ(args.GetPageCount(), 5);
        args.SetFileName(u"out/a.pdf");
      };
    }
    if (c.stream_handler) {
      document.OnNeedOutputStream = [&](TObject* Sender, TvnNeedOutputStreamEventArgs& args) {
        stream_asked = true;
        EXPECT_EQ(Sender, &document);
        EXPECT_EQ(args.GetOutputItem(), TvnOutputItem::oiPage);
        EXPECT_EQ(args.GetPageNumber(), 2);
        EXPECT_EQ(args.GetPageCount(), 5);
        EXPECT_EQ(args.GetExtension(), u"");
        args.SetOutputStream(&target);
      };
    }
    document.RequestOutputTarget(TvnOutputItem::oiPage, 2, 5);
    EXPECT_EQ(file_asked, c.file_asked);
    EXPECT_EQ(stream_asked, c.stream_asked);
    EXPECT_EQ(document.OutFilePath, c.path);
    EXPECT_EQ(document.StreamOutput, c.stream_output);
    EXPECT_EQ(document.OutStream, c.stream_asked ? &target : nullptr);
  }
}

TEST(OutputTarget, StreamOutputStaysOnForLaterRequests) {
  FakeDocument document;
  vn::TMemoryStream first, second;
  vn::TStream* next = &first;
  document.OnNeedOutputStream = [&](TObject*, TvnNeedOutputStreamEventArgs& args) { args.SetOutputStream(next); };
  document.RequestOutputTarget(TvnOutputItem::oiPage, 1, 2);
  EXPECT_TRUE(document.StreamOutput);
  EXPECT_EQ(document.OutStream, &first);
  next = &second;
  document.RequestOutputTarget(TvnOutputItem::oiPage, 2, 2);
  EXPECT_TRUE(document.StreamOutput);
  EXPECT_EQ(document.OutStream, &second);

  // A file-name handler assigned later gives the path but leaves the stream
  // flag as it was.
  document.OnNeedOutputFileName = [](TObject*, TvnNeedOutputFileNameEventArgs& args) { args.SetFileName(u"x"); };
  document.RequestOutputTarget(TvnOutputItem::oiDocument, 1, 2);
  EXPECT_EQ(document.OutFilePath, u"x");
  EXPECT_TRUE(document.StreamOutput);
}

TEST(DocumentEvents, AssignRaisesBeginAndEndAroundEachCopiedPage) {
  FakeDocument source(4);
  FakeDocument target(1);
  std::vector<std::string> log;
  target.BeginAssignPage = [&](TObject* Sender, TvnBeginCopyPageEventArgs& args) {
    EXPECT_EQ(Sender, &target);
    log.push_back("begin " + std::to_string(args.GetInputPageNumber()));
  };
  target.EndAssignPage = [&](TObject* /*Sender*/, TvnEndCopyPageEventArgs& args) {
    log.push_back("end " + std::to_string(args.GetInputPageNumber()) + "->" +
                  std::to_string(args.GetOutputPageNumber()));
  };

  target.Assign(&source, u"3,1");
  EXPECT_EQ(log, (std::vector<std::string>{"begin 3", "end 3->2", "begin 1", "end 1->3"}));
  ASSERT_EQ(target.GetPageCount(), 3);
  EXPECT_EQ(target.GetPage(2)->GetPageSize().Height, 30);

  // A bad range raises before any page is copied.
  log.clear();
  EXPECT_THROW(target.Assign(&source, u"2-9"), ExInvalidPageError);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(target.GetPageCount(), 3);

  // The events need no handler.
  FakeDocument quiet;
  quiet.Assign(&source, u"");
  EXPECT_EQ(quiet.GetPageCount(), 4);
}

TEST(BaseDocument, WhatTheBaseAnswers) {
  TvnBaseDocument document;
  EXPECT_EQ(document.GetMeasurementUnit(), TvnMeasurementUnit::muPixels);
  document.SetMeasurementUnit(TvnMeasurementUnit::muPoints);
  EXPECT_EQ(document.GetMeasurementUnit(), TvnMeasurementUnit::muPoints);
  EXPECT_TRUE(TvnBaseDocument::GetEngineCapabilities().Empty());
  EXPECT_EQ(document.GetPageCount(), 0);
  EXPECT_EQ(document.GetPage(1), nullptr);
  EXPECT_FALSE(document.Save());
  EXPECT_FALSE(document.SaveToFile(u"never.pdf"));
  vn::TMemoryStream out;
  EXPECT_FALSE(document.SaveToStream(&out));
  EXPECT_EQ(out.Size(), 0);
  EXPECT_FALSE(document.GetIsLoaded());
  EXPECT_EQ(document.GetDocumentInfo(), nullptr);
  EXPECT_EQ(document.GetEncoderParams(), nullptr);
  EXPECT_THROW(document.LoadFromFile(u"a.pdf", u""), vn::EAbstractError);
  FakeDocument source(1);
  EXPECT_THROW(document.Assign(&source, u""), vn::EAbstractError);
}

TEST(BaseDocument, AStreamHandedOverWithFreeStreamIsFreedWithTheDocument) {
  CountedStream::live = 0;
  {
    FakeDocument document;
    document.LoadFromStream(new CountedStream, u"", true);
    EXPECT_TRUE(document.GetFreeStream());
    EXPECT_NE(document.GetStream(), nullptr);
    // A second load replaces and frees the first stream.
    document.LoadFromStream(new CountedStream, u"", true);
    EXPECT_EQ(CountedStream::live, 1);
  }
  EXPECT_EQ(CountedStream::live, 0);

  CountedStream kept;
  {
    FakeDocument document;
    document.LoadFromStream(&kept, u"", false);
    EXPECT_EQ(document.GetStream(), &kept);
    EXPECT_FALSE(document.GetFreeStream());
  }
  EXPECT_EQ(CountedStream::live, 1);
}

TEST(EventArguments, PasswordRequestCountsItsAttempts) {
  TvnNeedPasswordEventArgs args;
  EXPECT_EQ(args.GetAttemptCount(), 0);
  EXPECT_EQ(args.GetOperation(), TvnDocumentOperation::doOpen);
  EXPECT_FALSE(args.GetCancel());
  EXPECT_FALSE(args.GetForceFullPermission());
  EXPECT_EQ(args.GetPassword(), u"");
  args.IncAttemptCount();
  args.IncAttemptCount();
  EXPECT_EQ(args.GetAttemptCount(), 2);

}

TEST(Settings, DefaultsOfViewerPreferencesAndEncoderParams) {
  TvnViewerPreferences preferences;
  EXPECT_TRUE(preferences.GetPassword()->GetShowDialog());
  EXPECT_EQ(preferences.GetPassword()->GetAllowedAttempts(), 3);
  EXPECT_FALSE(preferences.GetPassword()->GetForceFullPermission());
  EXPECT_EQ(preferences.GetRendering()->GetDPIX(), 96);
  EXPECT_EQ(preferences.GetRendering()->GetDPIY(), 96);
  EXPECT_EQ(preferences.GetAllowedOperations(),
            (TvnViewerOperations{TvnViewerOperation::voFormFilling, TvnViewerOperation::voCommenting}));

  TvnImageEncoderParams image;
  EXPECT_EQ(image.GetResolution()->GetDPIX(), 96);
  EXPECT_EQ(image.GetResolution()->GetDPIY(), 96);
  TvnTIFFEncoderParams tiff;
  EXPECT_EQ(tiff.GetResolution()->GetDPIX(), 96);
  EXPECT_EQ(tiff.GetResolution()->GetDPIY(), 96);
  EXPECT_FALSE(tiff.GetMultiPageTIFF());

  TvnPageDestination destination;
  EXPECT_EQ(destination.GetPageNumber(), 0);
}

// A viewer that records what the zoom settings ask of it; the rest of the
// interface does nothing.
class FakeViewer : public IvnDocumentViewer {
 public:
  void CloseDocument() override {}
  void FirstPage() override {}
  int32_t GetPageNumber() override { return 1; }
  int32_t GetPageCount() override { return 1; }
  TvnZoomMode GetStdZoomType() override { return TvnZoomMode::zmCustom; }
  TvnZoom* GetZoom() override { return nullptr; }
  void GotoHScrollPos(int32_t) override {}
  void GoToPage(int32_t, int32_t, int32_t) override {}
  void GotoVScrollPos(int32_t) override {}
  void LastPage() override {}
  void LoadFromDocumentObject(TvnBaseDocumentHandler*) override {}
  void LoadFromFile(const String&) override {}
  void LoadFromStream(vn::TStream*) override {}
  bool SaveToFile(const String&) override { return false; }
  bool SaveToStream(vn::TStream*) override { return false; }
  void NextPage() override {}
  void PreviousPage() override {}
  void Rotate(TvnRotationAngle) override {}
  void RotateCounterClockwise() override {}
  void RotateClockwise() override {}
  void ScrollHBy(int32_t) override {}
  void ScrollVBy(int32_t) override {}
  void SetActive(bool) override {}
  void SetPageNumber(int32_t) override {}
  void SetOnPageChanged(TvnPageChangedEvent) override {}
  void SetOnDocumentClosed(TvnDocumentClosedEvent) override {}
  void SetOnDocumentClosing(TvnDocumentClosingEvent) override {}
  void SetOnDocumentLoaded(TvnDocumentLoadedEvent) override {}
  void SetOnDocumentLoading(TvnDocumentLoadingEvent) override {}
  void SetZoom(TvnZoom*) override {}
  void ZoomIn(int32_t) override {}
  void ZoomIn(const TRect&) override {}
  void ZoomOut(int32_t) override {}
  void ZoomOut(const TRect&) override {}
  int32_t GetZoomPercent() override { return percent; }
  void ZoomTo(int32_t APercent) override { calls.push_back("percent " + std::to_string(APercent)); }
  void ZoomTo(TvnZoomMode AZoomMode) override {
    calls.push_back("mode " + std::to_string(static_cast<int>(AZoomMode)));
  }
  int32_t percent = 75;
  std::vector<std::string> calls;
};

TEST(Settings, ZoomAloneAndWithAViewer) {
  TvnZoom zoom;
  EXPECT_EQ(zoom.GetZoomMode(), TvnZoomMode::zmFitWidth);
  EXPECT_EQ(zoom.GetPercent(), 100);
  EXPECT_FALSE(zoom.IsPercentStored());
  zoom.SetPercent(150);
  EXPECT_EQ(zoom.GetZoomMode(), TvnZoomMode::zmCustom);
  EXPECT_EQ(zoom.GetPercent(), 150);
  EXPECT_TRUE(zoom.IsPercentStored());

  FakeViewer viewer;
  TvnZoom driven(&viewer);
  EXPECT_EQ(driven.GetPercent(), 75);  // asked from the viewer
  driven.SetPercent(200);
  driven.SetZoomMode(TvnZoomMode::zmFitPage);
  EXPECT_EQ(viewer.calls, (std::vector<std::string>{"percent 200", "mode 1"}));
  EXPECT_EQ(driven.GetZoomMode(), TvnZoomMode::zmFitPage);
  EXPECT_EQ(driven.GetPercent(), 75);
}

TEST(Settings, DocumentInfoAssignAndClone) {
  TvnDocumentInfo info;
  info.SetAuthor(u"A");
  info.SetTitle(u"T");
  info.SetCreator(u"C");
  info.SetSubject(u"S");
  info.SetKeyWords(u"K");
  info.SetComments(u"M");
  std::unique_ptr<TvnDocumentInfo> copy = info.Clone();
  info.SetAuthor(u"changed");
  EXPECT_EQ(copy->GetAuthor(), u"A");
  EXPECT_EQ(copy->GetTitle(), u"T");
  EXPECT_EQ(copy->GetCreator(), u"C");
  EXPECT_EQ(copy->GetSubject(), u"S");
  EXPECT_EQ(copy->GetKeyWords(), u"K");
  EXPECT_EQ(copy->GetComments(), u"M");

  FakeDocument document;
  document.SetDocumentInfo(std::move(copy));
  EXPECT_EQ(document.GetDocumentInfo()->GetTitle(), u"T");
}

}  // namespace
}  // namespace vn::framework::base_document_test
