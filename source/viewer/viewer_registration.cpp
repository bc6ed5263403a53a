#include "viewer/viewer_registration.h"

#include "framework/format_registry.h"
#include "pdfdocument/pdf_document.h"
#include "runtime/exceptions.h"
#include "viewer/annot_registration.h"
#include "viewer/fixed_layout_viewer.h"
#include "viewer/pdf_bookmark_page.h"
#include "viewer/pdf_form_filling_plugin.h"
#include "viewer/viewer_classes.h"

namespace vn::viewer {

const char16_t* const FixedLayoutViewerExtensions[19] = {
    u".pdf",  u".bmp", u".ico", u".wmf", u".emf",  u".jpg", u".xps", u".jpe", u".jpeg", u".tiff",
    u".tif",  u".fax", u".scr", u".pbm", u".gif",  u".cur", u".png", u".docx", u"*"};

void InitializeViewers() {
  vn::framework::TvnKELMFramework* Registry = vn::framework::DocumentFramework();
  if (Registry == nullptr) return;
  const TvnViewerClassInfo* Viewer = ViewerClassOf<TvnFixedLayoutDocumentViewer>();
  // The first extension doubles as the mark of a registry already served:
  // only this start-up registers a viewer for it.
  try {
    Registry->RegisterViewer(FixedLayoutViewerExtensions[0], Viewer);
  } catch (const vn::EListError&) {
    return;
  }
  for (size_t I = 1; I < std::size(FixedLayoutViewerExtensions); ++I)
    Registry->RegisterViewer(FixedLayoutViewerExtensions[I], Viewer);
  // The plug-ins and navigation-pane pages of the document classes, once
  // per registry.
  RegisterAnnotationViews(*Registry);
  const auto PDF = vn::framework::DocumentClassOf<vn::pdfdoc::TvnqPDFDocument>();
  Registry->RegisterViewerPlugin(PDF, ViewerPluginClassOf<TvnFormFillingViewerPlugin>());
  Registry->RegisterNavPanePage(PDF, NavPanePageClassOf<TvnPDFBookMarkPage>());
}

}  // namespace vn::viewer
