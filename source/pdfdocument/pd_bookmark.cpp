#include "pdfdocument/pd_bookmark.h"

#include <algorithm>
#include <string>

#include "pdfdocument/pd_catalog.h"
#include "pdfdocument/pd_page.h"
#include "pdfdocument/pd_text_impl.h"
#include "pdfdocument/pdf_document_handler.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDBaseObject;
using vn::pdf::TvnPDDictionary;

namespace {

// An indirect reference to the object.
std::unique_ptr<vn::pdf::TvnPDIndirectRef> OutlineRef(const TvnPDBaseObject* AObject) {
  return std::make_unique<vn::pdf::TvnPDIndirectRef>(AObject->GetObjNumber(), AObject->GetGenNumber());
}

int64_t OutlineCountOf(const TvnPDDictionary* ADict) {
  const TvnPDBaseObject* count = ADict->LookUp("Count");
  return count && count->IsInteger() ? count->AsInteger()->GetValue() : 0;
}

// The items shown when ADict is open: each child and the visible items of
// every open child. A repeated item ends the chain.
int64_t VisibleDescendants(const TvnPDDictionary* ADict) {
  int64_t visible = 0;
  std::unordered_set<int64_t> seen;
  for (TvnPDBaseObject* child = ADict->LookUp("First"); child && child->IsDict(); child = child->AsDict()->LookUp("Next")) {
    if (child->GetObjNumber() > 0 && !seen.insert(child->GetObjNumber()).second) break;
    visible += 1 + std::max<int64_t>(0, OutlineCountOf(child->AsDict()));
  }
  return visible;
}

}  // namespace

TvnPDFBookmark::TvnPDFBookmark() = default;

TvnPDFBookmark::TvnPDFBookmark(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                               TvnPDBaseObject* ABaseObject)
    : TvnPDElement(ABaseObject, AParentDoc, AParentElement),
      FHandler(AParentDoc),
      FParent(dynamic_cast<TvnPDFBookmark*>(AParentElement)) {
  FLevel = FParent ? FParent->FLevel + 1 : 0;
}

TvnPDFBookmark::~TvnPDFBookmark() = default;

TvnPDFBookmark* TvnPDFBookmark::AppendChild(TvnPDBaseObject* AChildDict) {
  if (!AChildDict || !AChildDict->IsDict() || FLevel >= kMaxLevel || AChildDict == FBaseObject) return nullptr;
  if (AChildDict->GetObjNumber() > 0 && !FChildObjects.insert(AChildDict->GetObjNumber()).second) return nullptr;
  auto child = std::make_unique<TvnPDFBookmark>(FHandler, this, AChildDict);
  child->FIndex = static_cast<int>(FBookmarkList.size());
  FBookmarkList.push_back(std::move(child));
  return FBookmarkList.back().get();
}

TvnPDFBookmark* TvnPDFBookmark::FirstChild() {
  if (!FBookmarkList.empty()) return FBookmarkList.front().get();
  return Dict() ? AppendChild(Dict()->LookUp("First")) : nullptr;
}

TvnPDFBookmark* TvnPDFBookmark::Next() {
  if (!FParent || FParent->FBookmarkList.empty()) return nullptr;
  auto& siblings = FParent->FBookmarkList;
  if (static_cast<size_t>(FIndex) + 1 < siblings.size()) return siblings[static_cast<size_t>(FIndex) + 1].get();
  return Dict() ? FParent->AppendChild(Dict()->LookUp("Next")) : nullptr;
}

TvnPDFBookmark* TvnPDFBookmark::Prev() {
  if (!FParent || FIndex <= 0 || static_cast<size_t>(FIndex) > FParent->FBookmarkList.size()) return nullptr;
  return FParent->FBookmarkList[static_cast<size_t>(FIndex) - 1].get();
}

TvnPDFBookmark* TvnPDFBookmark::LastChild() {
  TvnPDFBookmark* item = FirstChild();
  while (item)
    if (TvnPDFBookmark* next = item->Next())
      item = next;
    else
      break;
  return item;
}

TvnPDFBookmark* TvnPDFBookmark::GetChild(int AIndex) {
  if (AIndex < 0 || !FirstChild()) return nullptr;
  while (FBookmarkList.size() <= static_cast<size_t>(AIndex))
    if (!FBookmarkList.back()->Next()) return nullptr;
  return FBookmarkList[static_cast<size_t>(AIndex)].get();
}

bool TvnPDFBookmark::IsSame(const TvnPDFBookmark* ABookmark) const {
  return ABookmark && FBaseObject && ABookmark->FBaseObject &&
         FBaseObject->GetObjNumber() == ABookmark->FBaseObject->GetObjNumber() &&
         FBaseObject->GetGenNumber() == ABookmark->FBaseObject->GetGenNumber();
}

String TvnPDFBookmark::Title() {
  if (!FTitleRead && Dict()) {
    const TvnPDBaseObject* title = Dict()->LookUp("Title");
    if (title && title->IsString()) {
      FTitleRead = true;
      FTitle = PdfTextOf(title);
    }
  }
  return FTitle;
}

void TvnPDFBookmark::SetTitle(StringView Value) {
  if (!Dict()) return;
  Dict()->Add("Title", MakePdfText(Value));
  FTitle = String(Value);
  FTitleRead = true;
}

TvnPDOutlineFlag TvnPDFBookmark::Flags() {
  const TvnPDBaseObject* flags = Dict() ? Dict()->LookUp("F") : nullptr;
  if (!flags) {
    FOutlineFlags = {};
  } else if (flags->IsInteger()) {
    const int64_t bits = flags->AsInteger()->GetValue();
    FOutlineFlags = {(bits & 1) != 0, (bits & 2) != 0};
  }
  return FOutlineFlags;
}

void TvnPDFBookmark::SetFlags(TvnPDOutlineFlag Value) {
  if (!Dict()) return;
  Dict()->Add("F", std::make_unique<vn::pdf::TvnPDInteger>((Value.Italic ? 1 : 0) + (Value.Bold ? 2 : 0)));
  FOutlineFlags = Value;
}

int64_t TvnPDFBookmark::Count() {
  const TvnPDBaseObject* count = Dict() ? Dict()->LookUp("Count") : nullptr;
  if (count && count->IsInteger()) FCount = count->AsInteger()->GetValue();
  return FCount;
}

bool TvnPDFBookmark::GetColor(TvnPDColorValue& AColor) {
  const TvnPDBaseObject* color = Dict() ? Dict()->LookUp("C") : nullptr;
  const bool found = color && color->IsArray();
  if (found) {
    FColor.Kind = TvnColorSpaceMode::csDeviceRGB;
    FColor.Components.clear();
    const vn::pdf::TvnPDArray* values = color->AsArray();
    for (int64_t i = 0; i < values->GetLength() && i < kMaxColorComps; ++i) {
      const TvnPDBaseObject* v = values->Get(i);
      if (v && v->IsReal()) FColor.Components.push_back(v->AsReal()->GetValue());
      if (v && v->IsInteger()) FColor.Components.push_back(static_cast<double>(v->AsInteger()->GetValue()));
    }
  }
  AColor = FColor;
  return found;
}

void TvnPDFBookmark::SetColor(const TvnPDColorValue& AColor) {
  if (!Dict()) return;
  auto values = std::make_unique<vn::pdf::TvnPDArray>(Dict()->GetParentDoc());
  for (size_t i = 0; i < 3; ++i)
    values->Add(std::make_unique<vn::pdf::TvnPDReal>(i < AColor.Components.size() ? AColor.Components[i] : 0.0));
  Dict()->Add("C", std::move(values));
  FColor = AColor;
}

TvnPDAction* TvnPDFBookmark::Action() {
  if (!FAction && Dict())
    if (TvnPDBaseObject* action = Dict()->LookUp("A"); action && action->IsDict())
      FAction = std::make_unique<TvnPDAction>(FHandler, this, action);
  return FAction.get();
}

void TvnPDFBookmark::RemoveAction() {
  if (!Dict()) return;
  // The wrapper goes first: it refers to the dictionary being removed.
  FAction.reset();
  Dict()->Remove("A");
}

TvnqPDFDestination* TvnPDFBookmark::Destination() {
  if (FDestinationRead || !Dict()) return FDestination.get();
  FDestinationRead = true;
  TvnPDBaseObject* dest = Dict()->LookUp("Dest");
  if (!dest) dest = Dict()->LookUp("D");
  if (dest && (dest->IsString() || dest->IsName())) {
    TvnPDCatalog* catalog = FHandler ? FHandler->Catalog() : nullptr;
    const std::string name = dest->IsName() ? dest->AsName()->GetValue() : PdfStringBytes(dest);
    dest = catalog ? catalog->NamedDestination(name) : nullptr;
  }
  if (dest && dest->IsArray()) FDestination = std::make_unique<TvnqPDFDestination>(FHandler, this, dest);
  return FDestination.get();
}

bool TvnPDFBookmark::SetDestination(std::unique_ptr<TvnqPDFDestination> ADestination) {
  TvnPDPage* page = ADestination ? ADestination->Page() : nullptr;
  if (!Dict() || !page || !page->BaseObject() || page->BaseObject()->GetObjNumber() <= 0) return false;
  auto array = std::make_unique<vn::pdf::TvnPDArray>(Dict()->GetParentDoc());
  array->Add(OutlineRef(page->BaseObject()));
  const TvnPageDisplayOptions option = ADestination->DisplayOptions();
  array->Add(std::make_unique<vn::pdf::TvnPDName>(option == TvnPageDisplayOptions::None
                                                      ? std::string_view("Fit")
                                                      : NameOfDisplayOption(option)));
  const TvnPDRect* r = ADestination->Rect();
  std::vector<double> operands;
  switch (option) {
    case TvnPageDisplayOptions::FitZoom:
      operands = {r->Left(), r->Top(), r->Right()};
      break;
    case TvnPageDisplayOptions::FitHeight:
    case TvnPageDisplayOptions::FitBoundingBoxHeight:
      operands = {r->Top()};
      break;
    case TvnPageDisplayOptions::FitWidth:
    case TvnPageDisplayOptions::FitBoundingBoxWidth:
      operands = {r->Left()};
      break;
    case TvnPageDisplayOptions::FitRect:
      operands = {r->Left(), r->Top(), r->Right(), r->Bottom()};
      break;
    default:
      break;
  }
  for (double v : operands) array->Add(std::make_unique<vn::pdf::TvnPDReal>(v));
  Dict()->Add("Dest", std::move(array));
  RemoveAction();
  FDestination = std::move(ADestination);
  FDestinationRead = true;
  return true;
}

void TvnPDFBookmark::Reindex() {
  for (size_t i = 0; i < FBookmarkList.size(); ++i) FBookmarkList[i]->FIndex = static_cast<int>(i);
}

void TvnPDFBookmark::SetLevel(int ALevel) {
  FLevel = ALevel;
  for (auto& child : FBookmarkList) child->SetLevel(ALevel + 1);
}

void TvnPDFBookmark::Recount() {
  for (TvnPDFBookmark* item = this; item; item = item->FParent) {
    TvnPDDictionary* dict = item->Dict();
    if (!dict) return;
    const int64_t visible = VisibleDescendants(dict);
    // The root is always open; an item keeps whether it is open or closed.
    const bool closed = item->FParent && OutlineCountOf(dict) < 0;
    if (visible == 0)
      dict->Remove("Count");
    else
      dict->Add("Count", std::make_unique<vn::pdf::TvnPDInteger>(closed ? -visible : visible));
    item->FCount = closed ? -visible : visible;
  }
}

TvnPDFBookmark* TvnPDFBookmark::InsertChild(size_t APosition, std::unique_ptr<TvnPDFBookmark> AChild) {
  AChild->FParent = this;
  AChild->FParentElement = this;
  AChild->SetLevel(FLevel + 1);
  FChildObjects.insert(AChild->Dict()->GetObjNumber());
  TvnPDFBookmark* raw = AChild.get();
  FBookmarkList.insert(FBookmarkList.begin() + static_cast<std::ptrdiff_t>(APosition), std::move(AChild));
  Reindex();
  raw->Dict()->Add("Parent", OutlineRef(FBaseObject));
  Recount();
  return raw;
}

bool TvnPDFBookmark::CanLink(const TvnPDFBookmark* AItem) const {
  if (!FParent || !IsIndirect() || !FParent->IsIndirect() || !AItem || !AItem->IsIndirect()) return false;
  // An item already among the siblings (all of them read first) or above
  // them would make a cycle.
  FParent->LastChild();
  const int64_t number = AItem->Dict()->GetObjNumber();
  if (FParent->FChildObjects.count(number)) return false;
  for (const TvnPDFBookmark* up = FParent; up; up = up->FParent)
    if (up->FBaseObject && up->FBaseObject->GetObjNumber() == number) return false;
  return true;
}

TvnPDFBookmark* TvnPDFBookmark::AddNext(std::unique_ptr<TvnPDFBookmark> NewNext) {
  if (!CanLink(NewNext.get())) return nullptr;
  TvnPDDictionary* added = NewNext->Dict();
  if (TvnPDFBookmark* next = Next()) {
    next->Dict()->Add("Prev", OutlineRef(added));
    added->Add("Next", OutlineRef(next->Dict()));
  } else {
    added->Remove("Next");
    FParent->Dict()->Add("Last", OutlineRef(added));
  }
  Dict()->Add("Next", OutlineRef(added));
  added->Add("Prev", OutlineRef(Dict()));
  return FParent->InsertChild(static_cast<size_t>(FIndex) + 1, std::move(NewNext));
}

TvnPDFBookmark* TvnPDFBookmark::AddPrev(std::unique_ptr<TvnPDFBookmark> NewPrev) {
  if (!CanLink(NewPrev.get())) return nullptr;
  TvnPDDictionary* added = NewPrev->Dict();
  if (TvnPDFBookmark* prev = Prev()) {
    prev->Dict()->Add("Next", OutlineRef(added));
    added->Add("Prev", OutlineRef(prev->Dict()));
  } else {
    added->Remove("Prev");
    FParent->Dict()->Add("First", OutlineRef(added));
  }
  Dict()->Add("Prev", OutlineRef(added));
  added->Add("Next", OutlineRef(Dict()));
  return FParent->InsertChild(static_cast<size_t>(FIndex), std::move(NewPrev));
}

std::unique_ptr<TvnPDFBookmark> TvnPDFBookmark::RemoveChildAt(int AIndex) {
  TvnPDFBookmark* child = GetChild(AIndex);
  if (!child || !Dict() || !child->Dict()) return nullptr;
  TvnPDFBookmark* next = child->Next();
  TvnPDFBookmark* prev = child->Prev();
  TvnPDDictionary* dict = Dict();
  if (prev && next) {
    prev->Dict()->Add("Next", OutlineRef(next->Dict()));
    next->Dict()->Add("Prev", OutlineRef(prev->Dict()));
  } else if (prev) {
    prev->Dict()->Remove("Next");
    dict->Add("Last", OutlineRef(prev->Dict()));
  } else if (next) {
    next->Dict()->Remove("Prev");
    dict->Add("First", OutlineRef(next->Dict()));
  } else {
    dict->Remove("First");
    dict->Remove("Last");
  }
  TvnPDDictionary* removed = child->Dict();
  removed->Remove("Next");
  removed->Remove("Prev");
  removed->Remove("Parent");
  FChildObjects.erase(removed->GetObjNumber());
  std::unique_ptr<TvnPDFBookmark> taken = std::move(FBookmarkList[static_cast<size_t>(AIndex)]);
  FBookmarkList.erase(FBookmarkList.begin() + AIndex);
  Reindex();
  Recount();
  taken->FParent = nullptr;
  taken->FParentElement = nullptr;
  taken->FIndex = 0;
  taken->SetLevel(0);
  return taken;
}

bool TvnPDFBookmark::DeleteChild(int AIndex) { return RemoveChildAt(AIndex) != nullptr; }

bool TvnPDFBookmark::DeleteNext() { return FParent && Next() && FParent->RemoveChildAt(FIndex + 1); }

bool TvnPDFBookmark::DeletePrev() { return FParent && Prev() && FParent->RemoveChildAt(FIndex - 1); }

std::unique_ptr<TvnPDFBookmark> TvnPDFBookmark::UnLink() {
  if (FParent) return FParent->RemoveChildAt(FIndex);
  if (Dict()) {
    Dict()->Remove("Next");
    Dict()->Remove("Prev");
  }
  return nullptr;
}

TvnPDFBookmark* TvnPDFBookmark::Search(TvnPDFBookmark* AStart, StringView AName, TvnOutlineTraversalDepth AMaxDepth,
                                       int ABase) {
  const String wanted = vn::WideLowerCase(AName);
  for (TvnPDFBookmark* item = AStart; item; item = item->Next()) {
    if (vn::WideLowerCase(item->Title()) == wanted) return item;
    TvnPDFBookmark* child = AMaxDepth == TvnOutlineTraversalDepth::otdSiblingsOnly ? nullptr : item->FirstChild();
    if (child && AMaxDepth == TvnOutlineTraversalDepth::otdChildrenOnly && child->FLevel > ABase + 1) child = nullptr;
    if (child)
      if (TvnPDFBookmark* found = Search(child, AName, AMaxDepth, ABase)) return found;
  }
  return nullptr;
}

TvnPDFBookmark* TvnPDFBookmark::GetByTitle(StringView Name, TvnOutlineTaversalType TraversalType,
                                           TvnOutlineTraversalDepth MaxDepth) {
  FTitleFound = false;
  if (TraversalType != TvnOutlineTaversalType::ottDepthFirst) return nullptr;
  TvnPDFBookmark* found = Search(this, Name, MaxDepth, FLevel);
  FTitleFound = found != nullptr;
  return found;
}

}  // namespace vn::pdfdoc
