// The interactive form fields of a PDF file, collected once by a depth-first
// walk of the AcroForm's Fields tree. Each node inherits from its ancestors
// the default appearance, the fonts of the nearest default resources, the
// default value and the annotation flags, and takes its fully qualified name
// from the partial names on its path; every node with a field type becomes a
// field, with a font made from its default appearance. What one node sets is
// seen by its descendants only, never by its later siblings.
//
// Damage: a node met a second time on its path or elsewhere in the tree (a
// /Kids cycle or a shared kid) is not walked again, and nodes nested deeper
// than kMaxDepth are skipped.
//
// Ownership: the collection owns the fields it makes; the page's widget
// annotations and GetAcroFormField hand out borrowed pointers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "pdfdocument/pd_form_field.h"

namespace vn::pdfdoc {

class TvnPDAcroForm {
 public:
  static constexpr int kMaxDepth = 64;

  // Over the AcroForm dictionary (borrowed; may be null: no fields).
  TvnPDAcroForm(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                vn::pdf::TvnPDDictionary* AAcroFormDict);
  ~TvnPDAcroForm();

  // The fields in walk order (collected on first use).
  const std::vector<TvnPDFormField*>& Fields();
  // The field whose dictionary is AFormFieldObj or, for a widget, its
  // /Parent; null when none is.
  TvnPDFormField* GetAcroFormField(const vn::pdf::TvnPDBaseObject* AFormFieldObj);
  // The field of that fully qualified name, or null.
  TvnPDFormField* FieldByName(StringView AName);

  // The font a default appearance names: the resource's BaseFont (without
  // a subset tag, cut before "," or "-") when the font dictionary holds it,
  // else the resource name; bold and italic from the name; the size of the
  // Tf operand rounded (0, automatic, gives 8).
  static std::unique_ptr<TvnFont> FontOfDA(const std::string& ADA, const vn::pdf::TvnPDDictionary* AFontDict);

 private:
  void ProcessAcroFormField();
  void ProcessField(TvnPDFormField* AParent, vn::pdf::TvnPDBaseObject* ANode, TvnFormFieldVals AFieldRec,
                    int ADepth);

  TvnPDFDocumentHandler* FHandler;
  vn::pdf::TvnPDElement* FParentElement;
  vn::pdf::TvnPDDictionary* FAcroFormDict;
  bool FCollected = false;
  std::vector<TvnPDFormField*> FFormFieldList;
  std::vector<std::unique_ptr<TvnPDFormField>> FFormObjectRef;
  std::unordered_set<const void*> FVisited;
};

}  // namespace vn::pdfdoc
