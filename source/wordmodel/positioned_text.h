// Positioned text and the structure rebuilt from it: the PDF text extractor
// fills these holders from a fixed-layout page, and the layout analysers and
// the RTF and plain-text writers group them into lines, columns, tables and
// paragraphs. The Word layout does not use them. Coordinates and sizes are
// doubles in the units of the page they came from.
//
// Ownership: the item lists of every holder only refer to their items,
// which stay with whoever made them. A holder owns its font, its page and
// table margins, and a rectangle created with it (a text element's and a
// line element's); rectangles handed to other holders are shared. The
// BoundingRect of a holder is its own rectangle of doubles; it hides the
// element's integer rectangle.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "runtime/streams.h"
#include "wordmodel/margins.h"
#include "wordmodel/section.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

// A rectangle of doubles.
class TvnRectF : public TObject {
 public:
  TvnRectF(double AX, double AY, double AWidth, double AHeight)
      : FX(AX), FY(AY), FHeight(AHeight), FWidth(AWidth) {}

  double GetX() const { return FX; }
  void SetX(double Value) { FX = Value; }
  double GetY() const { return FY; }
  void SetY(double Value) { FY = Value; }
  double GetWidth() const { return FWidth; }
  void SetWidth(double Value) { FWidth = Value; }
  double GetHeight() const { return FHeight; }
  void SetHeight(double Value) { FHeight = Value; }
  double GetLeft() const { return FX; }
  double GetTop() const { return FY; }
  double GetRight() const { return FX + FWidth; }
  double GetBottom() const { return FY + FHeight; }

 private:
  double FX;
  double FY;
  double FHeight;
  double FWidth;
};

using TvnDocItemRefs = std::vector<TvnDocItem*>;

// A piece of text found on a page.
class TvnTextElement : public TvnDocItem {
 public:
  const String& GetText() const { return FText; }
  void SetText(const String& Value) { FText = Value; }
  // Owned; null until set.
  TvnFont* GetFont() const { return FFont.get(); }
  void SetFont(std::unique_ptr<TvnFont> Value) { FFont = std::move(Value); }
  // Null until set.
  const std::shared_ptr<TvnRectF>& GetBoundingRect() const { return FBoundingRect; }
  void SetBoundingRect(std::shared_ptr<TvnRectF> Value) { FBoundingRect = std::move(Value); }
  // One rectangle per character, kept by their maker.
  std::vector<TvnRectF*>& GetCharBoundingRect() { return FCharBoundingRect; }
  const std::vector<TvnRectF*>& GetCharBoundingRect() const { return FCharBoundingRect; }
  TvnTextAlignment GetTextAlignment() const { return FTextAlignment; }
  void SetTextAlignment(TvnTextAlignment Value) { FTextAlignment = Value; }
  // The break that follows the text.
  TvnBreakType GetTextBreak() const { return FTextBreak; }
  void SetTextBreak(TvnBreakType Value) { FTextBreak = Value; }
  TvnRGBColor GetColor() const { return FColor; }
  void SetColor(TvnRGBColor Value) { FColor = Value; }

 private:
  String FText;
  std::unique_ptr<TvnFont> FFont;
  std::shared_ptr<TvnRectF> FBoundingRect;
  std::vector<TvnRectF*> FCharBoundingRect;
  TvnTextAlignment FTextAlignment = TvnTextAlignment::taBaseline;
  TvnBreakType FTextBreak = TvnBreakType::btNone;
  TvnRGBColor FColor;
};

// A line of text elements, with its left edge, centre and right edge.
class TvnLineElement : public TObject {
 public:
  TvnDocItemRefs& GetDocItems() { return FDocItems; }
  const TvnDocItemRefs& GetDocItems() const { return FDocItems; }
  // Created as (0, 0, 0, 0).
  const std::shared_ptr<TvnRectF>& GetBoundingRect() const { return FBoundingRect; }
  void SetBoundingRect(std::shared_ptr<TvnRectF> Value) { FBoundingRect = std::move(Value); }
  double GetLeft() const { return FLeft; }
  void SetLeft(double Value) { FLeft = Value; }
  double GetCenter() const { return FCenter; }
  void SetCenter(double Value) { FCenter = Value; }
  double GetRight() const { return FRight; }
  void SetRight(double Value) { FRight = Value; }

 private:
  TvnDocItemRefs FDocItems;
  std::shared_ptr<TvnRectF> FBoundingRect = std::make_shared<TvnRectF>(0, 0, 0, 0);
  double FLeft = 0;
  double FCenter = 0;
  double FRight = 0;
};

// A ruling line.
class TvnGraphicLine : public TObject {
 public:
  TvnGraphicLine(double AStartX, double AStartY, double AEndX, double AEndY)
      : FStartX(AStartX), FstartY(AStartY), FEndX(AEndX), FendY(AEndY) {}

  double GetStartX() const { return FStartX; }
  void SetStartX(double Value) { FStartX = Value; }
  double GetstartY() const { return FstartY; }
  void SetstartY(double Value) { FstartY = Value; }
  double GetEndX() const { return FEndX; }
  void SetEndX(double Value) { FEndX = Value; }
  double GetendY() const { return FendY; }
  void SetendY(double Value) { FendY = Value; }

 private:
  double FStartX;
  double FstartY;
  double FEndX;
  double FendY;
};

// A vector element of a page, white unless filled otherwise.
class TvnFormatterPathElements : public TvnDocItem {
 public:
  TvnRGBColor GetFillColor() const { return FFillColor; }
  void SetFillColor(TvnRGBColor Value) { FFillColor = Value; }
  const std::shared_ptr<TvnRectF>& GetBoundingRect() const { return FBoundingRect; }
  void SetBoundingRect(std::shared_ptr<TvnRectF> Value) { FBoundingRect = std::move(Value); }

 private:
  TvnRGBColor FFillColor{255, 255, 255};
  std::shared_ptr<TvnRectF> FBoundingRect;
};

// An image of a page; the stream stays with its maker.
class TvnFormatterImageElement : public TvnDocItem {
 public:
  const std::shared_ptr<TvnRectF>& GetBoundingRect() const { return FBoundingRect; }
  void SetBoundingRect(std::shared_ptr<TvnRectF> Value) { FBoundingRect = std::move(Value); }
  vn::TStream* GetImage() const { return FImage; }
  void SetImage(vn::TStream* Value) { FImage = Value; }

 private:
  std::shared_ptr<TvnRectF> FBoundingRect;
  vn::TStream* FImage = nullptr;
};

// A page of the analyser.
class TvnPageData : public TvnDocItem {
 public:
  TvnDocItemRefs& GetDocItems() { return FDocItems; }
  const TvnDocItemRefs& GetDocItems() const { return FDocItems; }
  double GetPageHeight() const { return FPageHeight; }
  void SetPageHeight(double Value) { FPageHeight = Value; }
  double GetPageWidth() const { return FPageWidth; }
  void SetPageWidth(double Value) { FPageWidth = Value; }
  // Owned, created with all margins 0.
  TvnPageMargins* GetPageMargin() const { return FPageMargin.get(); }
  const std::shared_ptr<TvnRectF>& GetBoundingRect() const { return FBoundingRect; }
  void SetBoundingRect(std::shared_ptr<TvnRectF> Value) { FBoundingRect = std::move(Value); }

 private:
  TvnDocItemRefs FDocItems;
  double FPageHeight = 0;
  double FPageWidth = 0;
  std::unique_ptr<TvnPageMargins> FPageMargin = std::make_unique<TvnPageMargins>();
  std::shared_ptr<TvnRectF> FBoundingRect;
};

// A collection of page elements.
class TvnDataCollection : public TObject {
 public:
  TvnDocItemRefs& GetCollection() { return FCollection; }
  const TvnDocItemRefs& GetCollection() const { return FCollection; }

 private:
  TvnDocItemRefs FCollection;
};

}  // namespace vn::wordmodel
