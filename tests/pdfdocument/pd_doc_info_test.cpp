// Document information, dates, viewer preferences, file references and
// the catalog's own entries: read from small files, written, saved and read
// back by pdfinfo and qpdf.
#include "pdfdocument/pd_doc_info.h"

#include <gtest/gtest.h>

#include "pdf/exceptions.h"
#include "pdfdocument/pd_catalog.h"
#include "pdfdocument/pd_date.h"
#include "pdfdocument/pd_file_reference.h"
#include "pdfdocument/pd_viewer_pref.h"
#include "pdfdocument/pdf_model_testing.h"
#include "runtime/exceptions.h"
#include "support/paths.h"
#include "support/pdf_files.h"
#include "support/prerequisites.h"

namespace vn::pdfdoc::pd_doc_info_test {

using vn::pdfdoc::model_testing::OpenPdfBytes;
using vn::pdfdoc::model_testing::TempPdf;
using vn::test_support::PdfOfObjects;

// A one-page PDF whose trailer names object 4, `info`, as its Info.
std::string WithInfo(const std::string& catalog_extra, const std::string& info) {
  std::string pdf = PdfOfObjects({"<< /Type /Catalog /Pages 2 0 R " + catalog_extra + " >>",
                                  "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                  "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] >>", info});
  pdf.replace(pdf.rfind("/Root 1 0 R"), 11, "/Root 1 0 R /Info 4 0 R");
  return pdf;
}

TEST(PDDate, PiecesByPosition) {
  struct Case {
    const char* text;
    uint16_t y, mo, d, h, mi, s;
    const char* back;
  };
  const Case cases[] = {
      {"D:2023", 2023, 1, 1, 0, 0, 0, "D:20230101000000"},
      {"D:20231231235959Z", 2023, 12, 31, 23, 59, 59, "D:20231231235959"},
      {"D:202312312359Z", 2023, 12, 31, 23, 59, 0, "D:20231231235900"},  // no seconds before the zone
      {"D:20231231235959+05'30'", 2023, 12, 31, 23, 59, 59, "D:20231231235959"},
      {"D:2023123123-05'00'", 2023, 12, 31, 23, 0, 0, "D:20231231230000"},  // zone where minutes would be
      {"D:20230101000000", 2023, 1, 1, 0, 0, 0, "D:20230101000000"},
      {"D:2023010125", 2023, 1, 1, 0, 0, 0, "D:20230101000000"},  // hour 25
      {"D:2023010123", 2023, 1, 1, 23, 0, 0, "D:20230101230000"},
      {"D:20231300", 2023, 1, 1, 0, 0, 0, "D:20230101000000"},  // month 13, day 00
      {"D:20230101006060", 2023, 1, 1, 0, 0, 0, "D:20230101000000"},
      {"D:2023AB01", 2023, 1, 1, 0, 0, 0, "D:20230101000000"},  // a piece that is no number
      {"2023-01-01", 0, 0, 0, 0, 0, 0, "D:00000000000"},        // no "D:": nothing is read
      // A "-" and a later "Z": the zone starts at the first mark, so nothing
      // after the hour is a time (combining the two positions would read
      // "45" as seconds).
      {"D:2023010212-045Z", 2023, 1, 2, 12, 0, 0, "D:20230102120000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const TvnPDDate date(c.text);
    EXPECT_EQ(date.Year(), c.y);
    EXPECT_EQ(date.Month(), c.mo);
    EXPECT_EQ(date.Day(), c.d);
    EXPECT_EQ(date.Hour(), c.h);
    EXPECT_EQ(date.Minutes(), c.mi);
    EXPECT_EQ(date.Seconds(), c.s);
    EXPECT_EQ(date.ToString(), c.back);
  }
}

TEST(PDDocInfo, ReadsTextStringsAndDates) {
  auto handler =
      OpenPdfBytes(WithInfo("",
                            "<< /Title <FEFF00C400DF> /Author (Plain) /CreationDate (D:20230305140709+01'00') "
                            "/Keywords <616263> /Producer (Someone) /Subject 12 >>"));
  TvnPDDocInfo* info = handler->DocInfo();
  EXPECT_EQ(info->Title(), u"\u00C4\u00DF");
  EXPECT_EQ(info->Author(), u"Plain");
  EXPECT_EQ(info->Keyword(), u"abc");
  EXPECT_EQ(info->CreateDate(), u"5/3/2023/ 14:7:9");
  EXPECT_EQ(info->ModeDate(), u"");
  EXPECT_EQ(info->Subject(), u"");                   // not a string
  EXPECT_EQ(info->Producer(), u"Vintrope Pelmora");  // stamped on load
  String value = u"kept";
  info->GetInfo("Keyword", value);
  EXPECT_EQ(value, u"kept");
  info->GetInfo("Keywords", value);
  EXPECT_EQ(value, u"abc");
}

TEST(PDDocInfo, SetSavedAndReadBackByPdfinfo) {
  if (!vn::test_support::HaveTool("pdfinfo")) GTEST_SKIP() << "pdfinfo missing";
  if (!vn::test_support::HaveTool("qpdf")) GTEST_SKIP() << "qpdf missing";
  // A file without Info gets one.
  auto handler =
      OpenPdfBytes(PdfOfObjects({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                 "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] >>"}));
  TvnPDDocInfo* info = handler->DocInfo();
  info->SetTitle(u"\u00DCberblick \u2013 \u6771\u4EAC");
  info->SetAuthor(u"Ann (\\) Lee");
  info->SetDocInfo("Subject", u"\u0394 subject");
  info->SetDocInfo("Keywords", u"one, two");
  info->SetCreator(u"tests");
  info->SetCreateDate(u"D:20240102030405Z");
  EXPECT_EQ(info->Title(), u"\u00DCberblick \u2013 \u6771\u4EAC");  // a set value reads back at once
  const auto file = TempPdf("info.pdf");
  handler->SaveDocument(file);
  EXPECT_EQ(vn::pdf::testing::RunTool("qpdf --check " + file.string()), 0);

  std::string out;
  ASSERT_EQ(vn::pdf::testing::RunTool("pdfinfo -isodates -enc UTF-8 " + file.string(), &out), 0);
  for (const char* line :
       {"Title:           \u00DCberblick \u2013 \u6771\u4EAC\n", "Author:          Ann (\\) Lee\n",
        "Subject:         \u0394 subject\n", "Keywords:        one, two\n", "Creator:         tests\n",
        "Producer:        Vintrope Pelmora\n", "CreationDate:    2024-01-02T03:04:05Z\n"}) {
    EXPECT_NE(out.find(line), std::string::npos) << line << " not in\n" << out;
  }
  TvnPDFDocumentHandler saved;
  saved.LoadDocument(file);
  EXPECT_EQ(saved.DocInfo()->Title(), u"\u00DCberblick \u2013 \u6771\u4EAC");
  EXPECT_EQ(saved.DocInfo()->CreateDate(), u"2/1/2024/ 3:4:5");
}

TEST(PDViewerPref, ReadOnceWrittenThrough) {
  auto handler = OpenPdfBytes(WithInfo("/ViewerPreferences << /FitWindow true /HideToolbar 1 >>", "<< >>"));
  TvnPDViewerPref* prefs = handler->Catalog()->ViewerPref();
  EXPECT_FALSE(prefs->CenterWindow());
  EXPECT_TRUE(prefs->FitWindow());
  EXPECT_FALSE(prefs->HideToolBar());  // not a boolean
  prefs->SetCenterWindow(true);
  prefs->SetFitWindow(false);
  EXPECT_TRUE(prefs->CenterWindow());
  auto* dict = handler->Catalog()->Dict()->LookUp("ViewerPreferences")->AsDict();
  EXPECT_TRUE(dict->LookUp("CenterWindow")->AsBoolean()->GetValue());
  EXPECT_FALSE(dict->LookUp("FitWindow")->AsBoolean()->GetValue());

  auto bare = OpenPdfBytes(WithInfo("", "<< >>"));
  EXPECT_FALSE(bare->Catalog()->ViewerPref()->DisplayDocTitle());
  EXPECT_TRUE(bare->Catalog()->Dict()->LookUp("ViewerPreferences")->IsDict());
}

TEST(PDCatalog, LayoutModeAndMetadata) {
  if (!vn::test_support::HaveTool("qpdf")) GTEST_SKIP() << "qpdf missing";
  auto handler = OpenPdfBytes(WithInfo("/PageLayout /OneColumn /PageMode /Bogus", "<< >>"));
  TvnPDCatalog* catalog = handler->Catalog();
  EXPECT_EQ(catalog->PageLayout(), TvnPDLayoutMode::lmOneColumn);
  EXPECT_EQ(catalog->PageMode(), TvnPDPageMode::pmNone);
  catalog->SetPageMode(TvnPDPageMode::pmUseBookmarks);
  EXPECT_TRUE(catalog->Dict()->LookUp("PageMode")->IsName("UseOutlines"));
  EXPECT_EQ(catalog->Metadata(), nullptr);

  const int64_t last = handler->LastObjectNumber();
  const std::string xmp = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"/>";
  catalog->SetXMPMetadata(xmp);
  EXPECT_EQ(handler->LastObjectNumber(), last + 1);
  ASSERT_NE(catalog->Metadata(), nullptr);
  EXPECT_EQ(catalog->Metadata()->GetSize(), static_cast<int64_t>(xmp.size()));

  const auto file = TempPdf("catalog.pdf");
  handler->SaveDocument(file);
  EXPECT_EQ(vn::pdf::testing::RunTool("qpdf --check " + file.string()), 0);
  TvnPDFDocumentHandler saved;
  saved.LoadDocument(file);
  EXPECT_EQ(saved.Catalog()->PageMode(), TvnPDPageMode::pmUseBookmarks);
  vn::TStream* meta = saved.Catalog()->Metadata();
  ASSERT_NE(meta, nullptr);
  std::string back(static_cast<size_t>(meta->GetSize()), '\0');
  meta->SetPosition(0);
  meta->ReadBuffer(back.data(), meta->GetSize());
  EXPECT_EQ(back, xmp);
}

TEST(PDFileSpec, StringOrDictionary) {
  auto handler = OpenPdfBytes(
      WithInfo("",
               "<< /A (plain.txt) /B << /Type /Filespec /F <FEFF00E9002E0074> /Desc (About) /V true /FS /URL "
               "/EF << /F 5 0 R >> >> >>"));
  // Object 5 is not in the file: a missing embedded stream reads as none.
  auto* info = handler->DocInfo()->InfoDict();
  TvnPDFileSpec plain(info->LookUp("A"));
  EXPECT_EQ(plain.FileName(), u"plain.txt");
  EXPECT_FALSE(plain.IsEmbedded());
  EXPECT_EQ(plain.EmbeddedFileStream(), nullptr);

  TvnPDFileSpec full(info->LookUp("B"));
  EXPECT_EQ(full.FileName(), u"\u00E9.t");
  EXPECT_EQ(full.Description(), u"About");
  EXPECT_TRUE(full.IsVolatile());
  EXPECT_TRUE(full.IsEmbedded());
  EXPECT_EQ(full.FileSystem(), TvnPDFileSystem::fsURL);
  full.SetFileName(u"\u00FC.pdf");
  full.SetFileSystem(TvnPDFileSystem::fsNone);
  EXPECT_EQ(full.FileName(), u"\u00FC.pdf");
  EXPECT_EQ(full.FileSystem(), TvnPDFileSystem::fsNone);
}

TEST(PDFDocumentHandler, LoadAndSaveErrors) {
  TvnPDFDocumentHandler handler;
  EXPECT_EQ(handler.GetPageCount(), 0);
  EXPECT_EQ(handler.GetPage(1), nullptr);
  try {
    handler.LoadDocument(TempPdf("missing.pdf"));
    FAIL();
  } catch (const vn::ExFileNotFound& e) {
    EXPECT_STREQ(e.what(), "File Not Found");
  }
  const std::filesystem::path locked = std::filesystem::path(VN_CORPUS_DIR) / "pdf/pdfjs_bug1782186.pdf";
  if (std::filesystem::exists(locked)) {
    try {
      handler.LoadDocument(locked);
      FAIL();
    } catch (const vn::ExPasswordRequired& e) {
      EXPECT_STREQ(e.what(), "Encrypted PDF: Password required for loading");
    }
    EXPECT_FALSE(handler.IsLoaded());
    EXPECT_EQ(handler.GetPageCount(), 0);
    handler.SetPassword("Hello");
    handler.LoadDocument(locked);
    EXPECT_TRUE(handler.IsEncrypted());
    EXPECT_EQ(handler.GetPageCount(), 1);
  }
  auto open = OpenPdfBytes(WithInfo("", "<< >>"));
  EXPECT_THROW(open->SaveDocument(std::filesystem::path()), vn::pdf::ExInvalidFileName);
  try {
    open->SaveDocument(TempPdf("no-such-folder") / "out.pdf");
    FAIL();
  } catch (const vn::ExFileCreateError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Error occured when creating the File", 0), 0u) << e.what();
  }
}

}  // namespace vn::pdfdoc::pd_doc_info_test
