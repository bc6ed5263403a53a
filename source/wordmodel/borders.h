// Border lines: one line (TvnBorder) and the border of a paragraph
// (TvnParaBorder), whose sides it owns.
#pragma once

#include <cstdint>
#include <memory>

#include "wordmodel/word_types.h"

namespace vn::wordmodel {

class TvnBorder : public TObject {
 public:
  // Black, everything else zero or empty.
  TvnBorder() = default;
  explicit TvnBorder(int32_t ABorderWidth) : FborderWidth(ABorderWidth) {}

  // Copies colour, custom image ID, frame flag, shadow, space, pen style and
  // width.
  void Assign(const TvnBorder* ASource, TvnBorder* ADest) const;
  std::unique_ptr<TvnBorder> Clone() const;
  // Whether width, colour, frame flag, pen style, shadow and space are equal
  // (the custom image ID does not count).
  bool DoesBorderHaveSameProperties(const TvnBorder* AnotherBorder) const;

  const String& GetCustomImageID() const { return FcustomImageID; }
  void SetCustomImageID(const String& Value) { FcustomImageID = Value; }
  TvnRGBColor GetColor() const { return FColor; }
  void SetColor(TvnRGBColor Value) { FColor = Value; }
  bool GetShadow() const { return Fshadow; }
  void SetShadow(bool Value) { Fshadow = Value; }
  // Distance from the text.
  int32_t GetSpace() const { return Fspace; }
  void SetSpace(int32_t Value) { Fspace = Value; }
  bool GetIsFrame() const { return FisFrame; }
  void SetIsFrame(bool Value) { FisFrame = Value; }
  // 0 means no line.
  int32_t GetBorderWidth() const { return FborderWidth; }
  void SetBorderWidth(int32_t Value) { FborderWidth = Value; }
  TvnDashStyle GetPenStyle() const { return FPenStyle; }
  void SetPenStyle(TvnDashStyle Value) { FPenStyle = Value; }

 private:
  String FcustomImageID;
  TvnRGBColor FColor;
  bool Fshadow = false;
  int32_t Fspace = 0;
  bool FisFrame = false;
  int32_t FborderWidth = 0;
  TvnDashStyle FPenStyle = TvnDashStyle::dsSolid;
};

// The four sides of a box border, owned; a side that is missing is null.
class BorderSides : public TObject {
 public:
  // Bottom, left, right and top, in that order: each side ASource has
  // replaces this one's with a copy.
  void AssignSides(const BorderSides& ASource);

  TvnBorder* GetLeft() const { return FLeft.get(); }
  void SetLeft(std::unique_ptr<TvnBorder> Value) { FLeft = std::move(Value); }
  TvnBorder* GetRight() const { return FRight.get(); }
  void SetRight(std::unique_ptr<TvnBorder> Value) { FRight = std::move(Value); }
  TvnBorder* GetTop() const { return FTop.get(); }
  void SetTop(std::unique_ptr<TvnBorder> Value) { FTop = std::move(Value); }
  TvnBorder* GetBottom() const { return FBottom.get(); }
  void SetBottom(std::unique_ptr<TvnBorder> Value) { FBottom = std::move(Value); }

 private:
  std::unique_ptr<TvnBorder> FLeft;
  std::unique_ptr<TvnBorder> FRight;
  std::unique_ptr<TvnBorder> FTop;
  std::unique_ptr<TvnBorder> FBottom;
};

// The border of a paragraph. Between is the line drawn between consecutive
// paragraphs whose borders agree.
class TvnParaBorder : public BorderSides {
 public:
  // Copies the sides the source has; Bar and Between are not copied.
  void Assign(const TvnParaBorder* ASource, TvnParaBorder* ADest) const;
  std::unique_ptr<TvnParaBorder> Clone() const;
  // False for a null border; otherwise whether bottom, left, right and top
  // agree: both absent, or both present with equal lines. Bar and Between
  // do not count.
  bool DoesBorderHaveSameProperties(const TvnParaBorder* AnotherBorder) const;

  TvnBorder* GetBar() const { return FBar.get(); }
  void SetBar(std::unique_ptr<TvnBorder> Value) { FBar = std::move(Value); }
  TvnBorder* GetBetween() const { return FBetween.get(); }
  void SetBetween(std::unique_ptr<TvnBorder> Value) { FBetween = std::move(Value); }

 private:
  std::unique_ptr<TvnBorder> FBar;
  std::unique_ptr<TvnBorder> FBetween;
};

}  // namespace vn::wordmodel
