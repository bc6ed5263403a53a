// The shape of a text box: its outline, fill, offsets and extents, and the
// insets between its edge and its text with the autofit rule.
#pragma once

#include <cstdint>
#include <memory>

#include "wordmodel/word_types.h"

namespace vn::wordmodel {

enum class TvnAutoFit : uint8_t { afNoAutoFit, afNormalAutoFit, afShapeAutoFit };

// The outline of a shape: black, width 0 when new.
class TvnLineProperties : public TObject {
 public:
  void Assign(const TvnLineProperties* ASource, TvnLineProperties* ADest) const;
  std::unique_ptr<TvnLineProperties> Clone() const;

  TvnRGBColor GetSolidFill() const { return FSolidFill; }
  void SetSolidFill(TvnRGBColor Value) { FSolidFill = Value; }
  int32_t GetWidth() const { return FWidth; }
  void SetWidth(int32_t Value) { FWidth = Value; }

 private:
  TvnRGBColor FSolidFill;
  int32_t FWidth = 0;
};

// White fill, no outline, zero offsets and extents when new.
class TvnShapeProperties : public TObject {
 public:
  TvnShapeProperties();
  ~TvnShapeProperties() override;

  // Copies every field; the outline is copied as a new object.
  void Assign(const TvnShapeProperties* ASource, TvnShapeProperties* ADest) const;
  std::unique_ptr<TvnShapeProperties> Clone() const;

  int32_t GetOffsetX() const { return FOffsetX; }
  void SetOffsetX(int32_t Value) { FOffsetX = Value; }
  int32_t GetOffsetY() const { return FOffsetY; }
  void SetOffsetY(int32_t Value) { FOffsetY = Value; }
  int32_t GetExtentX() const { return FExtentX; }
  void SetExtentX(int32_t Value) { FExtentX = Value; }
  int32_t GetExtentY() const { return FExtentY; }
  void SetExtentY(int32_t Value) { FExtentY = Value; }
  TvnRGBColor GetSolidFill() const { return FSolidFill; }
  void SetSolidFill(TvnRGBColor Value) { FSolidFill = Value; }
  // Null: no outline.
  TvnLineProperties* GetLineProperties() const { return FLineProperties.get(); }
  void SetLineProperties(std::unique_ptr<TvnLineProperties> Value) { FLineProperties = std::move(Value); }

 private:
  int32_t FOffsetX = 0;
  int32_t FOffsetY = 0;
  int32_t FExtentX = 0;
  int32_t FExtentY = 0;
  TvnRGBColor FSolidFill{255, 255, 255};
  std::unique_ptr<TvnLineProperties> FLineProperties;
};

// The margins between a text box's edge and its text, and how the box
// follows its content.
class TvnBodyProperties : public TObject {
 public:
  void Assign(const TvnBodyProperties* ASource, TvnBodyProperties* ADest) const;
  std::unique_ptr<TvnBodyProperties> Clone() const;

  int32_t GetLeftInset() const { return FLeftInset; }
  void SetLeftInset(int32_t Value) { FLeftInset = Value; }
  int32_t GetRightInset() const { return FRightInset; }
  void SetRightInset(int32_t Value) { FRightInset = Value; }
  int32_t GetTopInset() const { return FTopInset; }
  void SetTopInset(int32_t Value) { FTopInset = Value; }
  int32_t GetBottomInset() const { return FBottomInset; }
  void SetBottomInset(int32_t Value) { FBottomInset = Value; }
  TvnAutoFit GetAutoFit() const { return FAutoFit; }
  void SetAutoFit(TvnAutoFit Value) { FAutoFit = Value; }

 private:
  int32_t FLeftInset = 0;
  int32_t FRightInset = 0;
  int32_t FTopInset = 0;
  int32_t FBottomInset = 0;
  TvnAutoFit FAutoFit = TvnAutoFit::afNoAutoFit;
};

}  // namespace vn::wordmodel
