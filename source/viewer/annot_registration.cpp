#include "viewer/annot_registration.h"

#include "framework/format_registry.h"
#include "pdfdocument/pdf_document.h"
#include "viewer/annot_pane_page.h"
#include "viewer/annot_viewer_plugin.h"
#include "viewer/viewer_classes.h"

namespace vn::viewer {

void RegisterAnnotationViews(vn::framework::TvnKELMFramework& ARegistry) {
  const vn::framework::TvnDocumentClass pdf = vn::framework::DocumentClassOf<vn::pdfdoc::TvnqPDFDocument>();
  ARegistry.RegisterViewerPlugin(pdf, ViewerPluginClassOf<TvnqPDFAnotViewerPlugin>());
  ARegistry.RegisterNavPanePage(pdf, NavPanePageClassOf<TvnqPDFAnnotViewerPanePage>());
  ARegistry.RegisterViewerPlugin(pdf, ViewerPluginClassOf<TvnqPDFAnnotPanePageViewerPlugin>());
}

}  // namespace vn::viewer
