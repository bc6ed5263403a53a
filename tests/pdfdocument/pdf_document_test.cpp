// The ".pdf" document type on its own: pages copied from a source document
// (order, numbering, events, sizes), the kept metafiles, saving to a stream
// and a file, and what it refuses.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "export/metafile_processor.h"
#include "framework/format_registry.h"
#include "pdfdocument/pdf_document.h"
#include "platform/canvas/canvas.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

namespace vn::pdfdoc::pdf_document_test {
namespace {

namespace fw = vn::framework;
namespace fs = std::filesystem;

// A page that records how it was asked to draw and draws a rectangle, or
// fails when told to.
class FakePage : public TvnBasePage {
 public:
  FakePage(TvnPageSize ASize, int AId) : Size(ASize), Id(AId) {}
  TvnPageSize GetPageSize() override { return Size; }
  void Draw(vn::platform::Canvas* ACanvas, int32_t AWidth, int32_t AHeight, int32_t AxDPI, int32_t AyDPI,
            int32_t ARotation) override {
    if (Fail) throw vn::Exception("page cannot draw");
    Calls.push_back({AWidth, AHeight, AxDPI, AyDPI, ARotation});
    vn::platform::Brush B;
    B.color = 0x0000FF;
    ACanvas->SetBrush(B);
    ACanvas->Rectangle({0, 0, AWidth / 2, AHeight / 2});
  }
  struct Call {
    int32_t W, H, XDpi, YDpi, Rotation;
  };
  TvnPageSize Size;
  int Id;
  bool Fail = false;
  std::vector<Call> Calls;
};

class FakeDocument : public TvnBaseDocument {
 public:
  explicit FakeDocument(std::vector<TvnPageSize> Sizes) {
    for (size_t I = 0; I < Sizes.size(); ++I) Pages.push_back(std::make_unique<FakePage>(Sizes[I], int(I) + 1));
  }
  int32_t GetPageCount() override { return static_cast<int32_t>(Pages.size()); }
  TvnPage* GetPage(int32_t Index) override {
    return Index >= 1 && Index <= GetPageCount() ? Pages[Index - 1].get() : nullptr;
  }
  std::vector<std::unique_ptr<FakePage>> Pages;
};

struct Events {
  std::vector<int32_t> Begins;
  std::vector<std::pair<int32_t, int32_t>> Ends;
  void Attach(TvnqPDFDocument& D) {
    D.BeginAssignPage = [this](fw::TObject*, fw::TvnBeginCopyPageEventArgs& A) {
      Begins.push_back(A.GetInputPageNumber());
    };
    D.EndAssignPage = [this](fw::TObject*, fw::TvnEndCopyPageEventArgs& A) {
      Ends.push_back({A.GetInputPageNumber(), A.GetOutputPageNumber()});
    };
  }
};

TEST(PDFDocument, PagesFollowTheRangeAndAccumulateOverAssigns) {
  FakeDocument First({{100, 200}, {110, 210}, {120, 220}});
  FakeDocument Second({{10, 20}, {11, 21}});
  TvnqPDFDocument D;
  Events E;
  E.Attach(D);
  D.Assign(&First, u"3,1-2");
  D.Assign(&Second, u"");
  EXPECT_EQ(D.GetPageCount(), 5);
  EXPECT_EQ(E.Begins, (std::vector<int32_t>{3, 1, 2, 1, 2}));
  EXPECT_EQ(E.Ends, (std::vector<std::pair<int32_t, int32_t>>{{3, 1}, {1, 2}, {2, 3}, {1, 4}, {2, 5}}));
  // Output page 1 holds input page 3.
  EXPECT_EQ(D.GetPage(1)->GetPageSize().Width, 220);
  EXPECT_EQ(D.GetPage(5)->GetPageSize().Height, 11);
  EXPECT_EQ(D.GetPage(6), nullptr);
  EXPECT_EQ(D.GetPage(0), nullptr);
}

TEST(PDFDocument, PageDrawnAtItsRoundedPixelSizeAndKeptInPoints) {
  FakeDocument Source({{1122.5, 793.7}});
  TvnqPDFDocument D;
  D.Assign(&Source, u"");
  ASSERT_EQ(Source.Pages[0]->Calls.size(), 1u);
  const FakePage::Call& C = Source.Pages[0]->Calls[0];
  EXPECT_EQ(C.W, 794);
  EXPECT_EQ(C.H, 1122);  // halves to even
  EXPECT_EQ(C.XDpi, 96);
  EXPECT_EQ(C.YDpi, 96);
  EXPECT_EQ(C.Rotation, 0);
  auto* Page = static_cast<TvnqPDFPage*>(D.GetPage(1));
  EXPECT_DOUBLE_EQ(Page->GetSizeInPoints().Width, 595.275);
  EXPECT_DOUBLE_EQ(Page->GetSizeInPoints().Height, 841.875);
  EXPECT_DOUBLE_EQ(Page->GetPageSize().Width, 793.7);
  EXPECT_DOUBLE_EQ(Page->GetPageSize().Height, 1122.5);
  D.SetMeasurementUnit(TvnMeasurementUnit::muPoints);
  EXPECT_DOUBLE_EQ(Page->GetPageSize().Width, 595.275);
  const auto Metafile = Page->GetMetafile();
  ASSERT_TRUE(Metafile);
  EXPECT_EQ(Metafile->Width, 794);
  EXPECT_EQ(Metafile->Height, 1122);
  EXPECT_GT(Metafile->Bytes.size(), 88u);  // a header and records
}

TEST(PDFDocument, BadRangesAndFailingPagesLeaveTheCopiedPages) {
  FakeDocument Source({{10, 10}, {10, 10}, {10, 10}});
  TvnqPDFDocument D;
  Events E;
  E.Attach(D);
  EXPECT_THROW(D.Assign(&Source, u"4"), vn::ExInvalidPageError);
  EXPECT_EQ(D.GetPageCount(), 0);
  EXPECT_TRUE(E.Begins.empty());

  Source.Pages[1]->Fail = true;
  EXPECT_THROW(D.Assign(&Source, u""), vn::Exception);
  EXPECT_EQ(D.GetPageCount(), 1);
  EXPECT_EQ(E.Begins, (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(E.Ends.size(), 1u);
}

TEST(PDFDocument, PageSizesAMetafileCannotHoldAreRefused) {
  const TvnPageSize Sizes[] = {{0, 10}, {10, 0.4}, {-5, 10}, {10, 1e12}, {std::numeric_limits<double>::infinity(), 5}};
  for (const TvnPageSize& S : Sizes) {
    FakeDocument Source({S});
    TvnqPDFDocument D;
    try {
      D.Assign(&Source, u"");
      ADD_FAILURE() << S.Width << " x " << S.Height << " accepted";
    } catch (const vn::ExInvalidPageError& E) {
      EXPECT_STREQ(E.what(), "Invalid page size");
    }
    EXPECT_EQ(D.GetPageCount(), 0);
    EXPECT_TRUE(Source.Pages[0]->Calls.empty());
  }
}

TEST(PDFDocument, LargeMetafilesAreSpooledAndComeBackWhole) {
  // A page that draws many shapes records well over the spool threshold.
  class BusyPage : public FakePage {
   public:
    using FakePage::FakePage;
    void Draw(vn::platform::Canvas* C, int32_t W, int32_t H, int32_t, int32_t, int32_t) override {
      for (int I = 0; I < 6000; ++I) C->Rectangle({I % W, I % H, I % W + 3, I % H + 3});
    }
  };
  FakeDocument Source({});
  Source.Pages.push_back(std::make_unique<BusyPage>(TvnPageSize{300, 300}, 1));
  Source.Pages.push_back(std::make_unique<FakePage>(TvnPageSize{30, 30}, 2));
  TvnqPDFDocument D;
  D.Assign(&Source, u"1,1,2");
  const auto Big1 = static_cast<TvnqPDFPage*>(D.GetPage(1))->GetMetafile();
  const auto Big2 = static_cast<TvnqPDFPage*>(D.GetPage(2))->GetMetafile();
  const auto Small = static_cast<TvnqPDFPage*>(D.GetPage(3))->GetMetafile();
  ASSERT_TRUE(Big1 && Big2 && Small);
  EXPECT_GT(Big1->Bytes.size(), TvnqPDFDocument::SpoolThreshold);
  EXPECT_EQ(Big1->Bytes, Big2->Bytes);
  EXPECT_EQ(Big1->Width, 300);
  EXPECT_EQ(Big1->Bytes.substr(0, 4), std::string("\x01\0\0\0", 4));
  EXPECT_LT(Small->Bytes.size(), TvnqPDFDocument::SpoolThreshold);
}

class PDFSave : public ::testing::Test {
 protected:
  void SetUp() override { vn::exporter::InstallMetafileProcessor(); }
};

TEST_F(PDFSave, WritesOnePagePerDocumentPageToTheRequestedStream) {
  FakeDocument Source({{40, 80}, {120, 60}});
  TvnqPDFDocument D;
  D.Assign(&Source, u"");
  vn::TMemoryStream Out;
  int Requests = 0;
  D.OnNeedOutputStream = [&](fw::TObject*, fw::TvnNeedOutputStreamEventArgs& A) {
    ++Requests;
    EXPECT_EQ(A.GetOutputItem(), fw::TvnOutputItem::oiDocument);
    EXPECT_EQ(A.GetPageNumber(), 1);
    EXPECT_EQ(A.GetPageCount(), 2);
    A.SetOutputStream(&Out);
  };
  EXPECT_TRUE(D.Save());
  EXPECT_EQ(Requests, 1);
  const std::string Pdf(reinterpret_cast<const char*>(Out.Memory()), static_cast<size_t>(Out.Size()));
  EXPECT_EQ(Pdf.rfind("%PDF-", 0), 0u);
  EXPECT_NE(Pdf.find("/Count 2"), std::string::npos);
  // 80 x 40 and 60 x 120 pixels are 60 x 30 and 45 x 90 points.
  EXPECT_NE(Pdf.find("/MediaBox [0 0 60.0000 30.0000]"), std::string::npos) << Pdf.substr(0, 2000);
  EXPECT_NE(Pdf.find("/MediaBox [0 0 45.0000 90.0000]"), std::string::npos);
  // The document keeps its pages: a second save writes them again.
  vn::TMemoryStream Again;
  D.OnNeedOutputStream = [&](fw::TObject*, fw::TvnNeedOutputStreamEventArgs& A) { A.SetOutputStream(&Again); };
  EXPECT_TRUE(D.Save());
  EXPECT_EQ(D.GetPageCount(), 2);
  EXPECT_GT(Again.Size(), 0);
}

TEST_F(PDFSave, WithoutPagesNothingIsWritten) {
  const fs::path Name = fs::temp_directory_path() / ("vn_empty_" + std::to_string(::getpid()) + ".pdf");
  TvnqPDFDocument D;
  int Requests = 0;
  D.OnNeedOutputFileName = [&](fw::TObject*, fw::TvnNeedOutputFileNameEventArgs& A) {
    ++Requests;
    A.SetFileName(vn::FromUtf8(Name.string()));
  };
  // Nothing written is no success.
  EXPECT_FALSE(D.Save());
  EXPECT_EQ(Requests, 1);
  EXPECT_FALSE(fs::exists(Name));
}

// A page that fails while the file is written (here a kept metafile that is
// not one) leaves no partial file behind, and an earlier output as it was.
TEST_F(PDFSave, APageThatFailsLeavesNoPartialFile) {
  for (const bool Existed : {false, true}) {
    const fs::path Name = fs::temp_directory_path() / ("vn_failed_" + std::to_string(::getpid()) + ".pdf");
    if (Existed) vn::WriteFileBytes(Name, "old output");
    FakeDocument Source({{40, 80}, {120, 60}, {50, 50}});
    TvnqPDFDocument D;
    D.Assign(&Source, u"");
    auto Broken = std::make_unique<TMetafile>();
    Broken->Bytes.assign(4096, '\x7f');
    Broken->Width = Broken->Height = 50;
    static_cast<TvnqPDFPage*>(D.GetPage(3))->SetMetafile(std::move(Broken));
    D.OnNeedOutputFileName = [&](fw::TObject*, fw::TvnNeedOutputFileNameEventArgs& A) {
      A.SetFileName(vn::FromUtf8(Name.string()));
    };
    EXPECT_ANY_THROW(D.Save()) << "existed " << Existed;
    EXPECT_EQ(fs::exists(Name), Existed);
    if (Existed) EXPECT_EQ(vn::ReadFileBytes(Name), "old output");
    fs::remove(Name);
  }
}

TEST(PDFDocument, CapabilitiesAndFilesThatDoNotOpen) {
  fw::TvnDocumentClass Class = fw::DocumentClassOf<TvnqPDFDocument>();
  EXPECT_EQ(Class->EngineCapabilities, (TvnEngineCapabilities{TvnEngineCapability::ecOpen, TvnEngineCapability::ecSave}));
  EXPECT_EQ(Class->DocumentType, TvnDocumentType::dtFixed);

  auto D = Class->Create();
  try {
    D->LoadFromFile(u"whatever.pdf", u"");
    ADD_FAILURE() << "opened";
  } catch (const vn::ExFileNotFound& E) {
    EXPECT_STREQ(E.what(), "File Not Found");
  }
  EXPECT_FALSE(D->GetIsLoaded());
  EXPECT_ANY_THROW(D->LoadFromStream(new vn::TMemoryStream, u"", true));
  EXPECT_FALSE(D->GetIsLoaded());
  EXPECT_EQ(D->GetPageCount(), 0);
}

}  // namespace
}  // namespace vn::pdfdoc::pdf_document_test
