// Four-sided margins (paragraphs, cells, tables) and the page margins of a
// section, which add the header, footer and gutter distances. Pixels.
#pragma once

#include <cstdint>
#include <memory>

#include "wordmodel/word_types.h"

namespace vn::wordmodel {

class TvnMargin : public TObject {
 public:
  // Copies left, right, top and bottom; TvnPageMargins also copies its
  // distances when both objects are page margins.
  virtual void Assign(const TvnMargin* ASource, TvnMargin* ADest) const;
  // A new object of this class with this one assigned into it.
  virtual std::unique_ptr<TvnMargin> Clone() const;

  int32_t GetLeft() const { return FLeft; }
  void SetLeft(int32_t Value) { FLeft = Value; }
  int32_t GetTop() const { return FTop; }
  void SetTop(int32_t Value) { FTop = Value; }
  int32_t GetRight() const { return FRight; }
  void SetRight(int32_t Value) { FRight = Value; }
  int32_t GetBottom() const { return FBottom; }
  void SetBottom(int32_t Value) { FBottom = Value; }

 private:
  int32_t FRight = 0;
  int32_t FBottom = 0;
  int32_t FTop = 0;
  int32_t FLeft = 0;
};

class TvnPageMargins : public TvnMargin {
 public:
  void Assign(const TvnMargin* ASource, TvnMargin* ADest) const override;
  std::unique_ptr<TvnMargin> Clone() const override;

  // Distance from the page top to the header.
  int32_t GetHeader() const { return FHeader; }
  void SetHeader(int32_t Value) { FHeader = Value; }
  // Distance from the page bottom to the footer.
  int32_t GetFooter() const { return FFooter; }
  void SetFooter(int32_t Value) { FFooter = Value; }
  int32_t GetGutter() const { return FGutter; }
  void SetGutter(int32_t Value) { FGutter = Value; }

 private:
  int32_t FHeader = 0;
  int32_t FFooter = 0;
  int32_t FGutter = 0;
};

}  // namespace vn::wordmodel
