// The first link of the layout analysis that rebuilds flowing text from a
// fixed-layout page: TvnLineAnalyzer turns the positioned text elements of
// one page into text lines. It files the elements by baseline, cuts lines
// at gaps wider than two blanks, folds super- and subscripts into the line
// they belong to, inserts the blanks a page only shows as gaps between
// characters, and joins pieces of one visual line.
//
// Ownership: the analyzer works on copies of the page's text elements and
// owns them and the lines it makes; the output collection lists the lines
// (borrowed) for as long as the analyzer lives. The page and its elements
// are never changed. The data collections stay the caller's.
#pragma once

#include <memory>
#include <vector>

#include "wordmodel/formatter_results.h"
#include "wordmodel/margins.h"
#include "wordmodel/positioned_text.h"

namespace vn::rtf::analyzer {

// A baseline key with the page items filed under it (not owned).
class TvnDictionary : public wordmodel::TObject {
 public:
  double GetKey() const { return FKey; }
  void SetKey(double Value) { FKey = Value; }
  wordmodel::TvnDocItemRefs& GetValue() { return FValue; }
  const wordmodel::TvnDocItemRefs& GetValue() const { return FValue; }

 private:
  double FKey = 0;
  wordmodel::TvnDocItemRefs FValue;
};

using TvnDictionaryList = std::vector<std::unique_ptr<TvnDictionary>>;

// The common base of the analyzers of the chain.
class TvnAnalyzer : public wordmodel::TObject {
 public:
  // Both collections are borrowed and must outlive the analyzer.
  TvnAnalyzer(wordmodel::TvnDataCollection* AUnFormattedData, wordmodel::TvnDataCollection* AFormattedData)
      : FUnFormattedData(AUnFormattedData), FFormattedData(AFormattedData) {}

  virtual void Analyze(wordmodel::TvnPageMargins* APageMargin, double APageWidth, double APageHight,
                       wordmodel::TObject* AAdditionalInfo) = 0;

  wordmodel::TvnDataCollection* GetUnformattedData() const { return FUnFormattedData; }
  wordmodel::TvnDataCollection* GetFormattedData() const { return FFormattedData; }

  // Key lists: keys compare for exact equality.
  // Appends a new entry with AKey and returns it.
  static TvnDictionary* AddKey(TvnDictionaryList& AList, double AKey);
  // Files AItem under the first entry of AKey; nothing when there is none.
  static void AddToKey(TvnDictionaryList& AList, wordmodel::TvnDocItem* AItem, double AKey);
  static bool HasKey(const TvnDictionaryList& AList, double AKey);
  // -1 when no entry has AKey.
  static int32_t IndexOfKey(const TvnDictionaryList& AList, double AKey);

 protected:
  wordmodel::TvnDataCollection* FUnFormattedData;
  wordmodel::TvnDataCollection* FFormattedData;
};

class TvnLineAnalyzer : public TvnAnalyzer {
 public:
  using TvnAnalyzer::TvnAnalyzer;
  ~TvnLineAnalyzer() override;

  // Reads the first item of the input collection as the page (nothing
  // happens when it is not a TvnPageData), builds the lines of its text
  // elements (other items are left out) and appends them, top to bottom,
  // to the output collection. The four arguments are not used.
  void Analyze(wordmodel::TvnPageMargins* APageMargin, double APageWidth, double APageHight,
               wordmodel::TObject* AAdditionalInfo) override;

 private:
  std::vector<std::unique_ptr<wordmodel::TvnRectF>> FCharRects;
  std::vector<std::unique_ptr<wordmodel::TvnTextElement>> FElements;
  std::vector<std::unique_ptr<wordmodel::TvnFormatterLine>> FLines;
};

}  // namespace vn::rtf::analyzer
