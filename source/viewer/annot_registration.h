// Registers the annotation plug-in, the comments pane page and its
// companion plug-in for PDF documents.
#pragma once

namespace vn::framework {
class TvnKELMFramework;
}

namespace vn::viewer {

void RegisterAnnotationViews(vn::framework::TvnKELMFramework& ARegistry);

}  // namespace vn::viewer
