// Fuzz target over the document model: a file is opened through the
// document handler; every page's boxes, rotation, size, resources and a
// slice box are read, with the document information, the catalog's entries
// and the viewer preferences; a content stream is added to the first page
// and the document saved (which writes the page tree flat).
// Contract: opening either succeeds or raises one of the library's
// exceptions (vn::Exception), and so do the reads and the save; nothing
// crashes, hangs or raises anything else.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pdfdocument/pd_catalog.h"
#include "pdfdocument/pd_doc_info.h"
#include "pdfdocument/pd_page.h"
#include "pdfdocument/pd_viewer_pref.h"
#include "pdfdocument/pdf_document_handler.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

using namespace vn::pdfdoc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TvnPDFDocumentHandler handler;
  try {
    handler.LoadDocument(new vn::TMemoryStream(std::vector<uint8_t>(data, data + size)), true);
  } catch (const vn::Exception&) {
    return 0;
  }
  for (int32_t i = 1; i <= handler.GetPageCount(); ++i) {
    TvnPDPage* page = handler.GetPage(i);
    try {
      page->Mediabox();
      page->Cropbox();
      page->Bleedbox();
      page->TrimBox();
      page->GetPageSize();
      TvnPDRect box;
      bool crop = false;
      page->MakeBox(96, 96, page->DisplayRotation(90), false, true, 5, 5, 50, 50, box, crop);
    } catch (const vn::Exception&) {
    }
    if (TvnPDResource* res = page->Resource()) res->FontCount();
    page->ContentsObject();
  }
  TvnPDDocInfo* info = handler.DocInfo();
  info->Title();
  info->Author();
  info->CreateDate();
  info->ModeDate();
  TvnPDCatalog* catalog = handler.Catalog();
  catalog->PageLayout();
  catalog->PageMode();
  catalog->GetNamesDict();
  catalog->Metadata();
  catalog->ViewerPref()->FitWindow();
  try {
    if (TvnPDPage* first = handler.GetPage(1)) first->AddNewContentStream("0 0 m 10 10 l S");
    vn::TMemoryStream out;
    handler.SaveDocument(&out);
  } catch (const vn::Exception&) {
  }
  return 0;
}
