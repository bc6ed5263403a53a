#include "pdfdocument/vnLibrary.h"

#include "export/vnqMetafileProcessor.h"
#include "framework/vnqDocumentFramework.h"
#include "pdfdocument/vnqPDFDocument.h"

namespace vn {

void InitializeLibrary() {
  // The engine plays page metafiles through the metafile processor.
  vn::exporter::InstallMetafileProcessor();
  vn::framework::SetPDFDocumentRegistration(&vn::pdfdoc::RegisterPDFDocument);
  vn::framework::InitializeLibrary();
}

void FinalizeLibrary() { vn::framework::FinalizeLibrary(); }

}  // namespace vn
