#include "pdfwriter/extended_pdf_engine.h"

#include "platform/system.h"

namespace vn::pdfwriter {

namespace {

void SetScreenResolution() {
  vn::framework::ScreenPixelsPerInch = vn::platform::kScreenPixelsPerInch;
  vn::framework::ScreenPixelsPerPoint = vn::framework::ScreenPixelsPerInch / 72.0;
}

}  // namespace

TvnExPDFEngine::TvnExPDFEngine(TvnBaseComponent* AOwner) : TvnCustomPDFEngine(AOwner) { SetScreenResolution(); }

std::string TvnExPDFEngine::WriteCatalog() {
  std::string text = TvnCustomPDFEngine::WriteCatalog();
  SetScreenResolution();
  return text;
}

}  // namespace vn::pdfwriter
