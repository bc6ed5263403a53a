// What one loaded Word document shares across its elements: the style table
// (with the resolver), the images, the list definitions, the theme fonts,
// the font pools, the default tab stop, the even/odd-headers switch and the
// lists of fields. A DOCX, DOC or RTF document makes one mediator in its
// constructor; its reader fills it and the layout reads it.
//
// Ownership: the mediator owns the style table, the image collection and
// the fonts of both pools. List definitions are held shared, so that the
// layout may keep them beyond the mediator. The field collections borrow
// fields that their paragraphs own. The mediator is the table numbering
// looks lists and styles up in.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "framework/page_model.h"
#include "wordmodel/numbering.h"
#include "wordmodel/resources.h"
#include "wordmodel/run_properties.h"
#include "wordmodel/style.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

using vn::framework::TvnBaseDocumentHandler;

// List definitions by identifier. A repeated identifier keeps the first
// definition (emplace), so a malformed file does not stop the load.
using TvnNumberMap = std::map<int32_t, std::shared_ptr<TvnNumber>>;

// A theme font: the family name and the script it serves ("latin" ...).
struct TvnThemeFont {
  String Typeface;
  String Script;
};
// Theme fonts by script name.
using TvnThemeFontGroup = std::map<String, TvnThemeFont>;

// An ordered list of elements that it does not own.
class TvnDOMCollection : public TObject {
 public:
  // Appends.
  void Insert(TvnDocItem* AItem) { FItemList.push_back(AItem); }
  // Inserts before AIndex (0 <= AIndex <= Count); EListError otherwise.
  void InsertAt(int32_t AIndex, TvnDocItem* AItem);
  // The first entry of AItem leaves the list; nothing when absent.
  void Remove(const TvnDocItem* AItem);
  // EListError for an index outside the list.
  void RemoveAt(int32_t AIndex);
  int32_t GetCount() const { return static_cast<int32_t>(FItemList.size()); }
  const std::vector<TvnDocItem*>& GetEnumerator() const { return FItemList; }

 private:
  std::vector<TvnDocItem*> FItemList;
};

class TvnDocumentMediator : public TObject, public NumberingTables {
 public:
  // ADocument is the handler that owns the mediator (borrowed).
  explicit TvnDocumentMediator(TvnBaseDocumentHandler* ADocument);
  ~TvnDocumentMediator() override;
  TvnDocumentMediator(const TvnDocumentMediator&) = delete;
  TvnDocumentMediator& operator=(const TvnDocumentMediator&) = delete;

  // A mediator for ADocument with a copy of the style table (styles and
  // document defaults), a copy of every list definition under the same
  // identifier (sharing its level objects, linking the copied table's
  // style of the same identifier) and the same theme fonts. Images, fonts,
  // fields and settings are not copied.
  std::unique_ptr<TvnDocumentMediator> Clone(TvnBaseDocumentHandler* ADocument) const;

  TvnBaseDocumentHandler* GetDocument() const { return FDocument; }
  TvnWordStyles* GetWordStyles() const { return FWordStyles.get(); }
  void SetWordStyles(std::unique_ptr<TvnWordStyles> Value);
  // Readers copy it into every section.
  bool GetEvenOddHeaders() const { return FEvenOddHeaders; }
  void SetEvenOddHeaders(bool Value) { FEvenOddHeaders = Value; }
  TvnResourceCollection* GetResourceCollection() const { return FResourceCollection.get(); }
  // A second pool handed to every resolved run.
  TvnFontPool& GetGDIFontPool() { return FGDIFontPool; }
  // Distance between default tab stops, pixels.
  int32_t GetDefaultTabStop() const { return FDefaultTabStop; }
  void SetDefaultTabStop(int32_t Value) { FDefaultTabStop = Value; }
  // The lists paragraphs name by NumberID.
  TvnNumberMap& GetConcreteNumbers() { return FConcreteNumbers; }
  const TvnNumberMap& GetConcreteNumbers() const { return FConcreteNumbers; }
  // The theme's body fonts.
  TvnThemeFontGroup& GetMinorFontGroup() { return FMinorFontGroup; }
  const TvnThemeFontGroup& GetMinorFontGroup() const { return FMinorFontGroup; }
  // Fonts shared by resolved runs, keyed by font name and size.
  TvnFontPool& GetFontPool() { return FFontPool; }
  // The theme's heading fonts.
  TvnThemeFontGroup& GetMajorFontGroup() { return FMajorFontGroup; }
  const TvnThemeFontGroup& GetMajorFontGroup() const { return FMajorFontGroup; }
  TvnNumberMap& GetAbstractNumbers() { return FAbstractNumbers; }
  const TvnNumberMap& GetAbstractNumbers() const { return FAbstractNumbers; }

  // The concrete list, the abstract definition and the style (from the
  // style table) of an identifier; null when absent.
  TvnNumber* FindNumber(int32_t ANumberID) const override;
  TvnNumber* FindAbstractNumber(int32_t ANumberID) const override;
  TvnStyle* FindStyle(const String& AStyleID) const override;

  // Every field the reader made, and the merge-related ones.
  TvnDOMCollection Fields;
  TvnDOMCollection MergeFields;

 private:
  TvnBaseDocumentHandler* FDocument;
  std::unique_ptr<TvnWordStyles> FWordStyles;
  bool FEvenOddHeaders = false;
  std::unique_ptr<TvnResourceCollection> FResourceCollection;
  TvnFontPool FGDIFontPool;
  int32_t FDefaultTabStop = 0;
  TvnNumberMap FConcreteNumbers;
  TvnThemeFontGroup FMinorFontGroup;
  TvnFontPool FFontPool;
  TvnThemeFontGroup FMajorFontGroup;
  TvnNumberMap FAbstractNumbers;
};

}  // namespace vn::wordmodel
