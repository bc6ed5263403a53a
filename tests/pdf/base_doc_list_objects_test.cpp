// Lists every object of a PDF file: set VN_PDF_LIST to the file (and
// VN_PDF_PASSWORD to its password) and run this program. Prints how the
// file opened, the trailer, then one line per object number of the
// cross-reference table: its kind and, for streams, the decoded length.
// Without VN_PDF_LIST the test is skipped.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "pdf/base_doc.h"
#include "pdf/exceptions.h"

namespace vn::pdf::base_doc_list_objects_test {
namespace {

TEST(PdfListObjects, ListsEveryObjectOfTheNamedFile) {
  const char* path = std::getenv("VN_PDF_LIST");
  if (!path) GTEST_SKIP() << "set VN_PDF_LIST to a PDF file";
  const char* password = std::getenv("VN_PDF_PASSWORD");
  TvnPDBaseDoc doc;
  try {
    doc.LoadDocument(std::filesystem::path(path), password ? password : "");
  } catch (const vn::EBrisquel& e) {
    std::printf("not opened: %s\n", e.what());
    return;
  }
  TvnPDXRef* xref = doc.GetReader()->GetXRef();
  std::printf("opened%s; trailer %s\n", xref->Rebuilt() ? " (table rebuilt)" : "",
              doc.GetTrailer()->GetText().c_str());
  try {
    doc.GetDocRoot();
  } catch (const vn::EBrisquel& e) {
    std::printf("catalog: %s\n", e.what());
  }
  for (int64_t n = 0; n < xref->GetSize(); ++n) {
    const TvnPDXRefEntry* e = xref->GetEntry(n);
    if (!e || e->GetEntryType() == TvnPDXRefEntrytype::xeFree) continue;
    TvnPDBaseObject* obj = doc.GetObject(n);
    if (!obj) {
      std::printf("%lld: not fetched\n", static_cast<long long>(n));
      continue;
    }
    std::string line = obj->GetTypeName();
    if (TvnPDStream* s = obj->AsStream()) {
      s->Reset();
      std::string data;
      s->GetStream()->Read(data, size_t{1} << 30);
      line += " " + s->GetDict()->GetText() + " decoded " + std::to_string(data.size()) + " bytes";
    } else if (!obj->IsCommand()) {
      line += " " + obj->GetText().substr(0, 200);
    }
    std::printf("%lld %lld: %s\n", static_cast<long long>(n), static_cast<long long>(obj->GetGenNumber()),
                line.c_str());
  }
}

}  // namespace
}  // namespace vn::pdf::base_doc_list_objects_test
