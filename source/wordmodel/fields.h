// Fields: paragraph children whose visible text is computed (page number,
// page count, dates, document properties, mail-merge values). A field owns
// its parsed code, the runs of its current result and a field nested in its
// code; the document whose information it shows is borrowed. The layout
// draws a field through its result runs.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/page_model.h"
#include "wordmodel/field_code.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/text_item.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

using vn::framework::TvnBaseDocumentHandler;

// The runs that show a field's current text.
using TvnFieldResult = std::vector<std::unique_ptr<TvnRun>>;

// The stored dates of a Word document's information, each the text the
// document gives (YYYY-MM-DDTHH:MM:SS). The Word document information
// provides them; date fields read them through this view.
class WordDocumentDates {
 public:
  virtual ~WordDocumentDates() = default;
  virtual const String& GetCreated() const = 0;
  virtual const String& GetLastPrinted() const = 0;
  virtual const String& GetModified() const = 0;
};

class TvnField : public TvnDocItem {
 public:
  explicit TvnField(TvnBaseDocumentHandler* ADocument = nullptr);
  ~TvnField() override;

  // A field of the same kind: the element data, a copy of the code, a copy
  // of the inner field, the flags, the document and clones of the result
  // runs (when the source has a result).
  std::unique_ptr<TvnDocItem> Clone() const override;
  void Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const override;

  // Shows ANewValue: the first text item of the first result run takes it
  // and that run, holding only that item, becomes the only result run (one
  // is made when the field has none). A field that is not merge-related
  // then applies its switches. A merge-related one is marked executed and,
  // inside a paragraph, its result runs take its place there: the field
  // leaves the parent and is returned to the caller, who owns it from then
  // on. Null otherwise.
  std::unique_ptr<TvnDocItem> Update(const String& ANewValue);
  // The general switches ("\*") change the first text item of every result
  // run: FirstCap upper-cases its first character, Caps the first letter
  // of every word, Upper and Lower the whole text; others change nothing.
  void ApplySwitchProperties();
  // Refreshes the text from the document: DATE and TIME show the clock's
  // now, CREATEDATE, PRINTDATE and SAVEDATE the document's stored date
  // (when it has one that reads as a date), each in the date-time picture;
  // AUTHOR shows the author, or the creator when the author is empty;
  // SUBJECT, KEYWORDS and TITLE their property. Nothing without a document,
  // nor (except DATE and TIME) without its information, nor for any other
  // field.
  void UpdateFieldForViewer();

  // Null until a reader supplies the result.
  TvnFieldResult* GetResult() const { return FResult.get(); }
  void SetResult(std::unique_ptr<TvnFieldResult> Value) { FResult = std::move(Value); }
  TvnFieldCode* GetFieldCode() const { return FFieldCode.get(); }
  void SetFieldCode(std::unique_ptr<TvnFieldCode> Value);
  TvnField* GetInnerField() const { return FInnerField.get(); }
  void SetInnerField(std::unique_ptr<TvnField> Value) { FInnerField = std::move(Value); }
  TvnBaseDocumentHandler* GetDocument() const { return FDocument; }
  void SetDocument(TvnBaseDocumentHandler* Value) { FDocument = Value; }
  bool GetIsApplySwitchPropertiesComplete() const { return FIsApplySwitchPropertiesComplete; }
  bool GetIsSimpleField() const { return FIsSimpleField; }
  void SetIsSimpleField(bool Value) { FIsSimpleField = Value; }
  bool GetIsExecuted() const { return FIsExecuted; }
  void SetIsExecuted(bool Value) { FIsExecuted = Value; }

 protected:
  // A new field of this one's class, for Clone.
  virtual std::unique_ptr<TvnField> NewOfSameKind() const;

 private:
  std::unique_ptr<TvnFieldResult> FResult;
  std::unique_ptr<TvnFieldCode> FFieldCode;
  std::unique_ptr<TvnField> FInnerField;
  bool FIsApplySwitchPropertiesComplete = false;
  bool FIsSimpleField = false;
  bool FIsExecuted = false;
  TvnBaseDocumentHandler* FDocument = nullptr;
};

class TvnMergeField : public TvnField {
 public:
  using TvnField::TvnField;
  void Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const override;

  // The text of the "\f" and "\b" switches.
  const String& GetTextAfter() const { return FTextAfter; }
  void SetTextAfter(const String& Value) { FTextAfter = Value; }
  const String& GetTextBefore() const { return FTextBefore; }
  void SetTextBefore(const String& Value) { FTextBefore = Value; }
  // The merge-field name of the code.
  String GetIdentifier() const;

 protected:
  std::unique_ptr<TvnField> NewOfSameKind() const override;

 private:
  String FTextAfter;
  String FTextBefore;
};

class TvnDateField : public TvnField {
 public:
  using TvnField::TvnField;

 protected:
  std::unique_ptr<TvnField> NewOfSameKind() const override;
};

class TvnMergeRecField : public TvnField {
 public:
  using TvnField::TvnField;

 protected:
  std::unique_ptr<TvnField> NewOfSameKind() const override;
};

class TvnMergeSeqField : public TvnField {
 public:
  using TvnField::TvnField;

 protected:
  std::unique_ptr<TvnField> NewOfSameKind() const override;
};

// A field whose text the layout writes page by page into a text item it
// lays out (borrowed; a copy of the field has none).
class TvnPageField : public TvnField {
 public:
  using TvnField::TvnField;
  TvnTextitem* GetTextItem() const { return FTextItem; }
  void SetTextItem(TvnTextitem* Value) { FTextItem = Value; }

 protected:
  std::unique_ptr<TvnField> NewOfSameKind() const override;

 private:
  TvnTextitem* FTextItem = nullptr;
};

// The page count. Readers make this class; the layout sets its text item
// through either name.
class TvnNumPages : public TvnField {
 public:
  using TvnField::TvnField;
  TvnTextitem* GetTextItem() const { return FTextItem; }
  void SetTextItem(TvnTextitem* Value) { FTextItem = Value; }

 protected:
  std::unique_ptr<TvnField> NewOfSameKind() const override;

 private:
  TvnTextitem* FTextItem = nullptr;
};

class TvnNumPagesField : public TvnNumPages {
 public:
  using TvnNumPages::TvnNumPages;

 protected:
  std::unique_ptr<TvnField> NewOfSameKind() const override;
};

class TvnWordHelperFunctions {
 public:
  // The field of the kind AFieldCode's instruction names (MERGEFIELD,
  // DATE, MERGEREC, MERGESEQ, PAGE, NUMPAGES; a plain field otherwise),
  // made for ADocument, owning AFieldCode and AResult. With
  // ASkipFormFields the form fields FORMCHECKBOX, FORMDROPDOWN and FORMTEXT
  // give null. A merge-record or merge-sequence field marks its code
  // merge-related; a merge field takes TextAfter and TextBefore from the
  // "\f" and "\b" switches.
  static std::unique_ptr<TvnField> GetField(TvnBaseDocumentHandler* ADocument,
                                            std::unique_ptr<TvnFieldCode> AFieldCode, bool ASkipFormFields,
                                            std::unique_ptr<TvnFieldResult> AResult);
};

}  // namespace vn::wordmodel
