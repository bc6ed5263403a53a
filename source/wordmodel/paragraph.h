// Paragraphs, runs and breaks. A paragraph holds runs, fields, pictures and
// text boxes; a run holds text items, breaks and text boxes that share one
// set of character formatting. Each carries its own properties (what the
// reader found on it) and the final properties the style resolver computes,
// which are what the layout reads.
#pragma once

#include <cstdint>
#include <memory>

#include "wordmodel/paragraph_properties.h"
#include "wordmodel/run_properties.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

class TvnSection;

class TvnParagraph : public TvnCompositeDocItem {
 public:
  TvnParagraph();
  ~TvnParagraph() override;

  // A paragraph copied as Assign describes.
  std::unique_ptr<TvnDocItem> Clone() const override;
  // Between paragraphs: the composite copy (children replaced by clones);
  // ContainsSection; PageNumber; a copy of the tag associated with the
  // destination; copies of the own and of the final properties (each when
  // the source has them; one copy when the source's final properties are
  // its own). Section is not copied.
  void Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const override;
  // Draws the children in order.
  void Draw(TvnBaseCanvas* ACanvas) override;

  // Adds an item in one of three ways:
  // - a run flagged ContainsTextBox is split: its children move out in
  //   order, consecutive non-text-box children into fresh runs (default
  //   properties) and each text box directly into the paragraph, so that
  //   text, box and text keep their order; empty fresh runs are not added;
  // - a paragraph gives up its children, which move to the end of this one;
  // - anything else is appended.
  // Returns the emptied run or paragraph of the first two cases (the caller
  // may keep or drop it), null otherwise. Null is ignored.
  std::unique_ptr<TvnDocItem> Add(std::unique_ptr<TvnDocItem> AItem);
  // Appends a run as it is.
  void AddTextRun(std::unique_ptr<TvnDocItem> ARun);

  // The resolved properties the layout uses; null until resolved.
  const std::shared_ptr<TvnParagraphProperties>& GetFinalParagraphProperties() const {
    return FFinalParagraphProperties;
  }
  void SetFinalParagraphProperties(std::shared_ptr<TvnParagraphProperties> Value) {
    FFinalParagraphProperties = std::move(Value);
  }
  const std::shared_ptr<TvnParagraphProperties>& GetParagraphProperties() const { return FParagraphProperties; }
  void SetParagraphProperties(std::shared_ptr<TvnParagraphProperties> Value) {
    FParagraphProperties = std::move(Value);
  }
  // The paragraph ends a section.
  bool GetContainsSection() const { return FContainsSection; }
  void SetContainsSection(bool Value) { FContainsSection = Value; }
  // The section the paragraph ends (borrowed); setting one also sets
  // ContainsSection.
  TvnSection* GetSection() const { return FSection; }
  void SetSection(TvnSection* Value);

 private:
  std::shared_ptr<TvnParagraphProperties> FFinalParagraphProperties;
  std::shared_ptr<TvnParagraphProperties> FParagraphProperties;
  bool FContainsSection = false;
  TvnSection* FSection = nullptr;
};

class TvnRun : public TvnCompositeDocItem {
 public:
  // New own properties, used as the final properties too.
  TvnRun();
  ~TvnRun() override;

  // A run copied as Assign describes.
  std::unique_ptr<TvnDocItem> Clone() const override;
  // Between runs: the composite copy (children replaced by clones);
  // baseLineOffset; ContainsTextBox; PageNumber; a copy of the tag
  // associated with the destination; a copy of the own properties (when the
  // source has them) and of the final properties (one copy when the
  // source's final properties are its own).
  void Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const override;
  // Draws the children in order.
  void Draw(TvnBaseCanvas* ACanvas) override;

  // Appends an item, noting when it is a text box; null is ignored.
  void Add(std::unique_ptr<TvnDocItem> AItem);

  const std::shared_ptr<TvnRunProperties>& GetRunProperties() const { return FRunProperties; }
  void SetRunProperties(std::shared_ptr<TvnRunProperties> Value) { FRunProperties = std::move(Value); }
  // Vertical offset the layout applies.
  int32_t GetBaseLineOffset() const { return FbaseLineOffset; }
  void SetBaseLineOffset(int32_t Value) { FbaseLineOffset = Value; }
  bool GetContainsTextBox() const { return FContainsTextBox; }
  const std::shared_ptr<TvnRunProperties>& GetFinalRunProperties() const { return FFinalRunProperties; }
  void SetFinalRunProperties(std::shared_ptr<TvnRunProperties> Value) { FFinalRunProperties = std::move(Value); }

 private:
  std::shared_ptr<TvnRunProperties> FRunProperties;
  int32_t FbaseLineOffset = 0;
  bool FContainsTextBox = false;
  std::shared_ptr<TvnRunProperties> FFinalRunProperties;
};

// A break of a line, column or page (or a tab) inside a run. It draws
// nothing.
class TvnBreak : public TvnDocItem {
 public:
  explicit TvnBreak(TvnBreakType ABreakType = TvnBreakType::btNone) : FBreakType(ABreakType) {}

  // A break of the same type and state.
  std::unique_ptr<TvnDocItem> Clone() const override;

  TvnBreakType GetBreakType() const { return FBreakType; }
  void SetBreakType(TvnBreakType Value) { FBreakType = Value; }
  // Set by the layout once a page break has taken effect.
  bool GetBreakApplied() const { return FBreakApplied; }
  void SetBreakApplied(bool Value) { FBreakApplied = Value; }

 private:
  TvnBreakType FBreakType;
  bool FBreakApplied = false;
};

}  // namespace vn::wordmodel
