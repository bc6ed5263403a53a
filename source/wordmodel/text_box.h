// A text box: paragraphs and tables (its children) in a shape placed inline
// or floating like a picture. The layout fills its laid-out content, which
// the box owns and draws.
#pragma once

#include <cstdint>
#include <memory>

#include "wordmodel/drawing_placement.h"
#include "wordmodel/shape_properties.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

class TvnTextBox : public TvnCompositeDocItem, public DrawingPlacement {
 public:
  TvnTextBox();
  ~TvnTextBox() override;

  // A text box copied as Assign describes: a copy never shares anything
  // with its source.
  std::unique_ptr<TvnDocItem> Clone() const override;
  // Between text boxes: the composite copy (children replaced by clones),
  // rotation, z-order, every placement property, copies of the shape and
  // body properties and clones of the laid-out content.
  void Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const override;
  // Draws the laid-out content in order.
  void Draw(TvnBaseCanvas* ACanvas) override;

  int32_t GetRotationAngle() const { return FRotationAngle; }
  void SetRotationAngle(int32_t Value) { FRotationAngle = Value; }
  int32_t GetZOrder() const { return FzOrder; }
  void SetZOrder(int32_t Value) { FzOrder = Value; }
  // Null until a reader sets them.
  TvnShapeProperties* GetShapeProperties() const { return FShapeProperties.get(); }
  void SetShapeProperties(std::unique_ptr<TvnShapeProperties> Value) { FShapeProperties = std::move(Value); }
  TvnBodyProperties* GetBodyProperties() const { return FBodyProperties.get(); }
  void SetBodyProperties(std::unique_ptr<TvnBodyProperties> Value) { FBodyProperties = std::move(Value); }
  TvnItemList& GetLayoutedDocItems() { return FLayoutedDocItems; }
  const TvnItemList& GetLayoutedDocItems() const { return FLayoutedDocItems; }

 protected:
  TvnDocItem& PlacedItem() override { return *this; }

 private:
  int32_t FRotationAngle = 0;
  int32_t FzOrder = 0;
  std::unique_ptr<TvnShapeProperties> FShapeProperties;
  std::unique_ptr<TvnBodyProperties> FBodyProperties;
  TvnItemList FLayoutedDocItems;
};

}  // namespace vn::wordmodel
