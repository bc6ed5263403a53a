#include "pdfdocument/pd_page_tree.h"

#include "pdfdocument/pd_page.h"
#include "pdfdocument/pdf_document_handler.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDBaseObject;
using vn::pdf::TvnPDDictionary;

namespace {

// The attributes a page inherits from the nodes above it.
constexpr const char* kInheritedKeys[] = {"MediaBox", "CropBox", "Rotate", "Resources"};

enum class KidKind { kSkip, kNode, kPage };

// A /Kids element's kind by its /Type; a dictionary without /Type is a node
// when it has /Kids and a page otherwise, as files from careless producers
// need.
KidKind KindOfKid(const TvnPDDictionary& AKid) {
  if (AKid.IsDict("Pages")) return KidKind::kNode;
  if (AKid.IsDict("Page")) return KidKind::kPage;
  if (AKid.LookUp("Type")) return KidKind::kSkip;
  return AKid.LookUp("Kids") ? KidKind::kNode : KidKind::kPage;
}

}  // namespace

TvnPDPageTree::TvnPDPageTree(TvnPDFDocumentHandler* AParentDoc, TvnPDBaseObject* APagesDict,
                             vn::pdf::TvnPDElement* AParentElement)
    : TvnPDElement(APagesDict, AParentDoc, AParentElement),
      FHandler(AParentDoc),
      FInheritedProp(std::make_unique<TvnPDInheritedProperty>(AParentDoc, nullptr, APagesDict)) {}

TvnPDPageTree::~TvnPDPageTree() = default;

void TvnPDPageTree::CollectPages() {
  if (FCollected) return;
  FCollected = true;
  TvnPDDictionary* root = FBaseObject ? FBaseObject->AsDict() : nullptr;
  if (!root) return;
  if (root->GetObjNumber() > 0) FVisited.insert(root->GetObjNumber());
  Walk(root, FInheritedProp.get(), 0);
}

void TvnPDPageTree::Walk(TvnPDDictionary* ANode, TvnPDInheritedProperty* AProp, int ADepth) {
  TvnPDBaseObject* kids_obj = ANode->LookUp("Kids");
  vn::pdf::TvnPDArray* kids = kids_obj ? kids_obj->AsArray() : nullptr;
  if (!kids) return;
  for (int64_t i = 0; i < kids->GetLength(); ++i) {
    TvnPDBaseObject* raw = kids->GetRefObj(i);
    const int64_t number = raw && raw->IsIndirectRef() ? raw->GetObjNumber() : 0;
    TvnPDBaseObject* kid = kids->Get(i);
    TvnPDDictionary* dict = kid ? kid->AsDict() : nullptr;
    if (!dict) continue;
    const KidKind kind = KindOfKid(*dict);
    if (number > 0 && !FVisited.insert(number).second) {
      // A node reached again would walk its pages again, or without end
      // when it leads back up; a page listed again is shown again, as long
      // as the root's /Count promises that many pages.
      if (kind != KidKind::kPage || !RepeatAllowed()) continue;
    }
    switch (kind) {
      case KidKind::kNode:
        // A node too deep, or one without /Kids, gives no pages; its
        // siblings still do.
        if (ADepth + 1 < kMaxTreeDepth) {
          FNodeProps.push_back(std::make_unique<TvnPDInheritedProperty>(FHandler, AProp, dict));
          Walk(dict, FNodeProps.back().get(), ADepth + 1);
        }
        break;
      case KidKind::kPage:
        AddPage(dict, AProp);
        break;
      case KidKind::kSkip:
        break;
    }
  }
}

bool TvnPDPageTree::RepeatAllowed() const {
  const TvnPDDictionary* root = FBaseObject ? FBaseObject->AsDict() : nullptr;
  const TvnPDBaseObject* count = root ? root->LookUp("Count") : nullptr;
  const int64_t promised = count && count->IsInteger() ? count->AsInteger()->GetValue() : 0;
  const int64_t size = static_cast<int64_t>(FPageList.size());
  return size < promised && size < kMaxRepeatedPages;
}

void TvnPDPageTree::AddPage(TvnPDDictionary* APageDict, TvnPDInheritedProperty* AParentProp) {
  FNodeProps.push_back(std::make_unique<TvnPDInheritedProperty>(FHandler, AParentProp, APageDict));
  auto page = std::make_unique<TvnPDPage>(FHandler, this, APageDict);
  page->SetPageNum(static_cast<int32_t>(FPageList.size() + 1));
  page->SetInheritedProperty(FNodeProps.back().get());
  FPageList.push_back(std::move(page));
}

TvnPDPage* TvnPDPageTree::GetPage(int32_t Index) {
  CollectPages();
  if (Index < 1 || static_cast<size_t>(Index) > FPageList.size()) return nullptr;
  return FPageList[static_cast<size_t>(Index - 1)].get();
}

int32_t TvnPDPageTree::Count() {
  CollectPages();
  return static_cast<int32_t>(FPageList.size());
}

TvnPDBaseObject* TvnPDPageTree::GetPageBaseObject(int32_t PageNumber) {
  TvnPDPage* page = GetPage(PageNumber);
  return page ? page->BaseObject() : nullptr;
}

TvnPDPage* TvnPDPageTree::GetPageByIndRef(const TvnPDBaseObject* APageRef) {
  CollectPages();
  if (!APageRef || APageRef->GetObjNumber() <= 0) return nullptr;
  for (const auto& page : FPageList)
    if (page->BaseObject()->GetObjNumber() == APageRef->GetObjNumber()) return page.get();
  return nullptr;
}

void TvnPDPageTree::RequestPages(int32_t StartPages, int32_t NumOfPages) {
  for (int32_t i = 0; i < NumOfPages; ++i) GetPage(StartPages + i);
}

void TvnPDPageTree::FlattenPage(TvnPDPage& APage, TvnPDDictionary& ARoot) {
  TvnPDDictionary* dict = APage.Dict();
  TvnPDInheritedProperty* prop = APage.InheritedProperty();
  // What the page inherits from a node between it and the root is copied
  // into the page, as that node leaves the tree.
  for (const char* key : kInheritedKeys) {
    if (dict->LookupRefObj(key) || !prop->Parent()) continue;
    TvnPDInheritedProperty* holder = prop->Parent()->Holder(key);
    if (holder && holder != FInheritedProp.get()) dict->Add(key, holder->Dict()->LookupRefObj(key)->Clone());
  }
  if (ARoot.GetObjNumber() > 0)
    dict->Add("Parent", std::make_unique<vn::pdf::TvnPDIndirectRef>(ARoot.GetObjNumber(), ARoot.GetGenNumber()));
  dict->SetIsChanged(true);
  prop->SetParent(FInheritedProp.get());
}

void TvnPDPageTree::Update() {
  CollectPages();
  for (const auto& page : FPageList) page->Update();
  FIsChanged = true;
  TvnPDDictionary* root = FBaseObject ? FBaseObject->AsDict() : nullptr;
  if (!root || !root->IsDict("Pages")) return;
  // A page written directly inside a node's /Kids becomes an object of its
  // own, so the flat /Kids can refer to it; a page listed more than once
  // gets a copy of its own for every further place, so that each page
  // object has one parent. Copies are made before any page takes in its
  // inherited attributes, which may differ between the places.
  std::unordered_set<int64_t> listed;
  for (const auto& page : FPageList) {
    const int64_t number = page->BaseObject()->GetObjNumber();
    if (number <= 0 || !listed.insert(number).second)
      page->Rebind(FHandler->AddNewObject(page->BaseObject()->Clone()));
  }
  auto kids = std::make_unique<vn::pdf::TvnPDArray>(root->GetParentDoc());
  for (const auto& page : FPageList) {
    FlattenPage(*page, *root);
    kids->Add(std::make_unique<vn::pdf::TvnPDIndirectRef>(page->BaseObject()->GetObjNumber(),
                                                          page->BaseObject()->GetGenNumber()));
  }
  root->Add("Kids", std::move(kids));
  root->Add("Count", std::make_unique<vn::pdf::TvnPDInteger>(static_cast<int64_t>(FPageList.size())));
}

}  // namespace vn::pdfdoc
