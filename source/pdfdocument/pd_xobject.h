// An external object of a page's resources: an image or a form, made by
// MakeXObject from the stream's /Subtype. The resource name it was listed
// under is its tag.
#pragma once

#include <memory>
#include <string>

#include "pdf/objects.h"

namespace vn::pdfdoc {

enum class TvnXObjectType { xtImage, xtForm, xtPostScript };

class TvnPDXObject : public vn::pdf::TvnPDElement {
 public:
  // An image for /Subtype /Image, a form for /Subtype /Form (read from the
  // stream's dictionary, or from the object itself when it is a
  // dictionary); null for any other subtype (PostScript XObjects among
  // them), a subtype that is not a name, or no object. AResourceElement
  // becomes the parent element.
  static std::unique_ptr<TvnPDXObject> MakeXObject(vn::pdf::TvnPDDocumentIntf* AParentDoc,
                                                   vn::pdf::TvnPDElement* AResourceElement,
                                                   vn::pdf::TvnPDBaseObject* AXObjectDict,
                                                   const std::string& ATagName);

  TvnXObjectType SubType() const { return FSubType; }
  const std::string& TagName() const { return FTagName; }
  void SetTagName(const std::string& AValue) { FTagName = AValue; }
  bool IsName(const std::string& ATagName) const { return FTagName == ATagName; }
  bool IsImage() const { return FSubType == TvnXObjectType::xtImage; }
  bool IsForm() const { return FSubType == TvnXObjectType::xtForm; }
  bool IsPostScript() const { return FSubType == TvnXObjectType::xtPostScript; }

  // The XObject's dictionary: the stream's, or the object itself when it is
  // a dictionary; null otherwise.
  vn::pdf::TvnPDDictionary* XObjectDict() const;
  // The stream object, or null when the XObject is not a stream.
  vn::pdf::TvnPDStream* XObjectStream() const { return FBaseObject ? FBaseObject->AsStream() : nullptr; }

 protected:
  TvnPDXObject(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
               vn::pdf::TvnPDBaseObject* ABaseObject, TvnXObjectType ASubType, std::string ATagName)
      : TvnPDElement(ABaseObject, AParentDoc, AParentElement), FSubType(ASubType), FTagName(std::move(ATagName)) {}

  TvnXObjectType FSubType;
  std::string FTagName;
};

}  // namespace vn::pdfdoc
