// A form XObject: a content stream with its own bounding box, matrix and
// resources, each read from the stream's dictionary on first use and kept.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "pdfdocument/pd_matrix.h"
#include "pdfdocument/pd_rect.h"
#include "pdfdocument/pd_resource.h"
#include "pdfdocument/pd_xobject.h"

namespace vn::pdfdoc {

class TvnPDForm : public TvnPDXObject {
 public:
  TvnPDForm(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AResourceElement,
            vn::pdf::TvnPDBaseObject* ABaseObject, std::string ATagName = std::string());
  ~TvnPDForm() override;

  // /BBox bound to its array; null when absent or not an array.
  TvnPDRect* BBox();
  // /FormType when an integer; -1 otherwise.
  int32_t FormType();
  // /Matrix from its array; null when absent or not an array.
  TvnPDMatrix* Matrix();
  // /Resources wrapped with this form as parent; null when absent.
  TvnPDResource* Resources();

 private:
  std::unique_ptr<TvnPDRect> FBBox;
  std::unique_ptr<TvnPDMatrix> FMatrix;
  std::unique_ptr<TvnPDResource> FResources;
  int32_t FFormType = -1;
  bool FBBoxRead = false;
  bool FMatrixRead = false;
  bool FResourcesRead = false;
};

}  // namespace vn::pdfdoc
