// The patterns of a page's resources: a tiling pattern (a content stream
// repeated over a cell grid) or a shading pattern. The colour of an
// uncoloured tiling pattern is set by the content stream that selects it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "pdf/objects.h"
#include "pdfdocument/color_spaces.h"
#include "pdfdocument/pd_matrix.h"
#include "pdfdocument/pd_rect.h"
#include "pdfdocument/pd_resource.h"

namespace vn::pdfdoc {

class TvnPDContentStream;

enum class TvnPatternType { ptTiling, ptShading };

class TvnPDPattern : public vn::pdf::TvnPDElement {
 public:
  // A tiling pattern when /PatternType (of the stream's dictionary, or of
  // the dictionary itself) is 1, a shading pattern otherwise; null without
  // an object.
  static std::unique_ptr<TvnPDPattern> MakePattern(vn::pdf::TvnPDDocumentIntf* AParentDoc,
                                                   vn::pdf::TvnPDElement* AParentElement, const std::string& ATag,
                                                   vn::pdf::TvnPDBaseObject* ABaseObject);
  ~TvnPDPattern() override;

  virtual TvnPatternType GetPatternType() const = 0;

  const std::string& Tag() const { return FTag; }
  void SetTag(const std::string& AValue) { FTag = AValue; }
  const TvnColorComp& FillColor() const { return FFillColor; }
  void SetFillColor(const TvnColorComp& AValue) { FFillColor = AValue; }
  const TvnColorComp& StrokeColor() const { return FStrokeColor; }
  void SetStrokeColor(const TvnColorComp& AValue) { FStrokeColor = AValue; }
  bool IsInnerPattern() const { return FIsInnerPattern; }
  void SetIsInnerPattern(bool AValue) { FIsInnerPattern = AValue; }

  // /Resources of the pattern stream with the pattern as parent, made once;
  // null when absent or when the pattern is not a stream.
  TvnPDResource* Resources();

  // The pattern's content stream with the pattern as parent element, made
  // once and owned by the pattern; marked as a pattern stream at every
  // call. Defined with the content-stream interpreter, which keeps the
  // stream in ContentSlot().
  TvnPDContentStream* GetContent();
  // Where GetContent keeps the content stream it made (owned).
  std::unique_ptr<vn::pdf::TvnObject>& ContentSlot() { return FContent; }

 protected:
  TvnPDPattern(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
               vn::pdf::TvnPDBaseObject* ABaseObject, std::string ATag);
  // The pattern's dictionary: the stream's, or the object itself.
  vn::pdf::TvnPDDictionary* PatternDict() const;

 private:
  std::string FTag;
  std::unique_ptr<vn::pdf::TvnObject> FContent;
  TvnColorComp FFillColor{};
  TvnColorComp FStrokeColor{};
  std::unique_ptr<TvnPDResource> FResources;
  bool FResourcesRead = false;
  bool FIsInnerPattern = false;
};

class TvnPDTilingPattern : public TvnPDPattern {
 public:
  TvnPDTilingPattern(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                     vn::pdf::TvnPDBaseObject* ABaseObject, std::string ATag);
  TvnPatternType GetPatternType() const override { return TvnPatternType::ptTiling; }

  // /BBox bound to its array, kept; null without an array.
  TvnPDRect* GetBBox();
  // /XStep and /YStep, kept; -1 when absent or not a number.
  double GetCellXSpacing();
  double GetCellYSpacing();
  // /Matrix, kept; the identity when absent or not an array of numbers.
  TvnPDMatrix& GetMatrix();
  // /PaintType: 1 coloured, 2 uncoloured; 1 when it is not an integer.
  int GetPaintType() const;

 private:
  std::unique_ptr<TvnPDRect> FBBox;
  bool FBBoxRead = false;
  double FCellXSpacing = -1.0;
  double FCellYSpacing = -1.0;
  std::unique_ptr<TvnPDMatrix> FMatrix;
};

class TvnPDShaddingPattern : public TvnPDPattern {
 public:
  TvnPDShaddingPattern(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                       vn::pdf::TvnPDBaseObject* ABaseObject, std::string ATag);
  TvnPatternType GetPatternType() const override { return TvnPatternType::ptShading; }
};

}  // namespace vn::pdfdoc
