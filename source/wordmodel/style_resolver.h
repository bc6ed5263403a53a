// The style resolver: merges the layers of formatting (document defaults,
// default styles, table styles with their conditional regions, paragraph
// and character styles, list levels and what a reader found on the element
// itself) into the final properties of each paragraph and run, which the
// layout reads.
//
// Merging never edits a style: every layer is copied property by property
// into a fresh target, and a property is copied only when the layer sets it
// (2147483647 for an unset number, an empty text, a missing object). Bold,
// italic, underline, strike-out, text colour, font size and alignment follow
// the explicitly-set marks, so a layer that says nothing about them does not
// turn them off.
//
// The list-numbering step and the runs that show a field's result belong to
// their own modules; the resolver reaches them through ResolverHooks, which
// it owns. The default hooks number paragraphs with the resolver's list
// counters and resolve the result runs of fields; a subclass may replace
// either step.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "wordmodel/numbering.h"
#include "wordmodel/paragraph_properties.h"
#include "wordmodel/run_properties.h"
#include "wordmodel/style.h"
#include "wordmodel/table_properties.h"
#include "wordmodel/table_style.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

class TvnDocumentMediator;
class TvnParagraph;
class TvnRun;
class TvnTable;
class TvnTableCell;
class TvnTableRow;
class TvnStylePropertyUpdater;

// What the resolver needs of the list-numbering and field modules.
class ResolverHooks {
 public:
  struct NumberingResult {
    // The list level's resolved paragraph properties; null when none.
    std::shared_ptr<TvnParagraphProperties> LevelProperties;
    // A label run was inserted as the paragraph's first child.
    bool LabelInserted = false;
  };

  virtual ~ResolverHooks();
  // Decides whether APara is in a list (the mediator's lists; nothing
  // without a mediator); when it is, advances the resolver's list counters,
  // inserts the label run as APara's first child and answers the level's
  // properties: its paragraph style's resolved properties, then its own.
  // The label's formatting merges the document defaults, AMerged's run
  // properties (the layers merged so far), the paragraph's own run
  // properties and the level's. A concrete list whose abstract definition
  // is missing raises EListError.
  virtual NumberingResult NumberParagraph(TvnStylePropertyUpdater& AUpdater, TvnParagraph& APara,
                                          TvnDocumentMediator* AMediator, const TvnParagraphProperties& AMerged);
  // The runs that show AChild's result when AChild is a field; none for
  // any other child.
  virtual std::vector<TvnRun*> FieldResultRuns(TvnDocItem& AChild);
};

class TvnStylePropertyUpdater : public TObject {
 public:
  // AWordStyles is the table that owns this resolver (borrowed).
  explicit TvnStylePropertyUpdater(TvnWordStyles* AWordStyles);
  ~TvnStylePropertyUpdater() override;
  TvnStylePropertyUpdater(const TvnStylePropertyUpdater&) = delete;
  TvnStylePropertyUpdater& operator=(const TvnStylePropertyUpdater&) = delete;

  // The resolved copy of a style (built on first use and cached on the
  // style), found by identifier, or by display name when the identifier is
  // empty; null when there is no such style. The copy has no name, no
  // BasedOn and no type of its own.
  TvnStyle* ConstructStyles(const String& AStyleID, const String& AStyleName);
  // The same for a table style; null for an empty identifier or a style
  // whose cached copy is not a table style; EListError "Item not found"
  // when the style is absent.
  TvnTableStyle* ConstructTableStyle(const String& AStyleID);
  // Merges the BasedOn chain of AbasedOnStyle, root first, into AStyle. A
  // chain that comes back to a style already merged ends there.
  void UpdateStyles(TvnStyle* AStyle, const TvnStyle* AbasedOnStyle) const;
  // Merges one style's own layers into AStyle.
  void CopyStyleProp(TvnStyle* AStyle, const TvnStyle* AfromStyle) const;

  // Merge one layer into a target; a null argument does nothing.
  void UpdateParaProp(TvnParagraphProperties* AparaProp, const TvnParagraphProperties* AfromParaProp) const;
  void UpdateRunProp(TvnRunProperties* ARunProp, const TvnRunProperties* AfromRunProp) const;
  void UpdateTableProp(TvnTableProperties* ATarget, const TvnTableProperties* AFrom) const;
  void UpdateTableRowProp(TvnTableRowProperties* ATarget, const TvnTableRowProperties* AFrom) const;
  void UpdateTableCellProp(TvnTableCellProperties* ATarget, const TvnTableCellProperties* AFrom) const;
  void UpdateTableStyle(TvnTableStyle* ATarget, const TvnTableStyle* AFrom) const;

  // Applies one conditional region of ATblStyle to App (and, while the
  // cell's properties are not yet merged, to AcellProp). The region applies
  // when the table's look turns it on, the style has it, and the row or the
  // cell belongs to it. Answers whether it applied; an error counts as not.
  bool UpdateParaPropFromTable(TvnTableRegions ARegion, TvnParagraphProperties* App, TvnBorderTable*,
                               const TvnTableStyle* ATblStyle, TvnTableCellProperties* AcellProp,
                               const TvnTableCell* ACell, const TvnTableRowProperties* ArowProp,
                               const TvnTable* ATbl) const;
  // Resolves one run: document defaults, the default character style (for
  // a run without style), the paragraph's character formatting App, the
  // run's character style and its own properties; then its font from the
  // mediator's pool. The result becomes the run's final properties; null
  // for a null run.
  std::shared_ptr<TvnRunProperties> ApplyPropertiesToRun(TvnDocumentMediator* AMediator,
                                                         const TvnParagraphProperties* App, TvnRun* ARun);
  // Resolves one paragraph and its runs; the cell, row and table are null
  // outside tables. An error stops it silently, keeping what was done.
  void ApplyStyleHierarchy(TvnParagraph* APara, TvnDocumentMediator* AMediator, TvnTableCell* ACurrentCell,
                           TvnTableRow* ACurrentRow, TvnTable* ATbl);

  TvnWordStyles* GetWordStyles() const { return FWordStyles; }
  // The counters of every list, advanced as paragraphs are resolved.
  TvnNumberStateManager& GetStateManager() { return FStateManager; }
  ResolverHooks& GetHooks() const { return *FHooks; }
  // Null restores the default hooks.
  void SetHooks(std::unique_ptr<ResolverHooks> Value);

 private:
  struct ParagraphContext;

  void UpdateStylesVisited(TvnStyle* AStyle, const TvnStyle* AbasedOnStyle,
                           std::set<const TvnStyle*>& AVisited) const;
  void MergeDefaultStyleLayer(ParagraphContext& AContext) const;
  void MergeTableLayer(ParagraphContext& AContext, TvnTableCell* ACell, TvnTableRow* ARow, TvnTable* ATbl);
  void MergeParagraphStyleLayer(ParagraphContext& AContext);
  void MergeOwnLayers(ParagraphContext& AContext, const TvnParagraphProperties* ALevel) const;
  void ResolveChildren(ParagraphContext& AContext, TvnDocumentMediator* AMediator, bool ASkipFirst);
  void FinishParagraph(ParagraphContext& AContext, TvnDocumentMediator* AMediator) const;
  void ShareRunPropertiesWithText(TvnParagraph& APara, bool ASkipFirst) const;

  TvnWordStyles* FWordStyles;
  TvnNumberStateManager FStateManager;
  std::unique_ptr<ResolverHooks> FHooks;
};

}  // namespace vn::wordmodel
