#include "pdfdocument/pd_catalog.h"

#include <vector>

#include "pdf/base_doc.h"
#include "pdfdocument/pd_acro_form.h"
#include "pdfdocument/pd_bookmark.h"
#include "pdfdocument/pd_page_tree.h"
#include "pdfdocument/pd_text_impl.h"
#include "pdfdocument/pd_viewer_pref.h"
#include "pdfdocument/pdf_document_handler.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDBaseObject;
using vn::pdf::TvnPDDictionary;

namespace {

constexpr const char* kLayoutNames[] = {
    "", "SinglePage", "OneColumn", "TwoColumnLeft", "TwoColumnRight", "TwoPageLeft", "TwoPageRight"};
constexpr const char* kPageModeNames[] = {"",           "UseNone", "UseThumbs",     "UseOutlines",
                                          "FullScreen", "UseOC",   "UseAttachments"};

// The index of the name in the table (from 1), 0 when it is not there.
template <size_t N>
size_t CatalogNameIndex(const TvnPDBaseObject* AName, const char* const (&ATable)[N]) {
  if (!AName || !AName->IsName()) return 0;
  for (size_t i = 1; i < N; ++i)
    if (AName->AsName()->GetValue() == ATable[i]) return i;
  return 0;
}

}  // namespace

TvnPDCatalog::TvnPDCatalog(TvnPDFDocumentHandler* AParentDoc, TvnPDDictionary* ACatalogDict)
    : TvnPDElement(ACatalogDict, AParentDoc, nullptr), FHandler(AParentDoc) {}

TvnPDCatalog::~TvnPDCatalog() = default;

TvnPDPageTree* TvnPDCatalog::PageTree() {
  if (!FPageTree)
    FPageTree = std::make_unique<TvnPDPageTree>(FHandler, Dict() ? Dict()->LookUp("Pages") : nullptr, this);
  return FPageTree.get();
}

TvnPDDictionary* TvnPDCatalog::AcroFormField() {
  if (!FAcroFormLookedUp && Dict()) {
    FAcroFormLookedUp = true;
    TvnPDBaseObject* form = Dict()->LookUp("AcroForm");
    FAcroFormFields = form ? form->AsDict() : nullptr;
  }
  return FAcroFormFields;
}

TvnPDAcroForm* TvnPDCatalog::AcroForm() {
  if (!FAcroForm) FAcroForm = std::make_unique<TvnPDAcroForm>(FHandler, this, AcroFormField());
  return FAcroForm.get();
}

TvnPDAnnot* TvnPDCatalog::GetAcroFormField(TvnPDBaseObject* AFormFieldObj) {
  return AcroForm()->GetAcroFormField(AFormFieldObj);
}

TvnPDBaseObject* TvnPDCatalog::GetNamesDict() {
  if (!Dict()) return nullptr;
  if (TvnPDBaseObject* dests = Dict()->LookUp("Dests")) return dests;
  TvnPDBaseObject* names = Dict()->LookUp("Names");
  return names && names->IsDict() ? names->AsDict()->LookUp("Dests") : nullptr;
}

void TvnPDCatalog::KeepNamedDestination(std::string AName, TvnPDBaseObject* AValue) {
  if (AValue && AValue->IsDict()) AValue = AValue->AsDict()->LookUp("D");
  if (!AValue || !AValue->IsArray() || FNamedDestinations.size() >= kMaxNamedDestinations) return;
  // A name given twice keeps its first destination.
  FNamedDestinations.emplace(std::move(AName), AValue->AsArray());
}

void TvnPDCatalog::CollectNameTree(TvnPDDictionary* ANode, int ADepth, std::unordered_set<int64_t>& AVisited) {
  if (!ANode || ADepth > kMaxNameTreeDepth) return;
  if (ANode->GetObjNumber() > 0 && !AVisited.insert(ANode->GetObjNumber()).second) return;
  if (TvnPDBaseObject* names = ANode->LookUp("Names"); names && names->IsArray()) {
    vn::pdf::TvnPDArray* pairs = names->AsArray();
    for (int64_t i = 0; i + 1 < pairs->GetLength(); i += 2) {
      const TvnPDBaseObject* key = pairs->Get(i);
      if (key && key->IsString()) KeepNamedDestination(PdfStringBytes(key), pairs->Get(i + 1));
    }
  }
  if (TvnPDBaseObject* kids = ANode->LookUp("Kids"); kids && kids->IsArray()) {
    for (int64_t i = 0; i < kids->AsArray()->GetLength(); ++i) {
      TvnPDBaseObject* kid = kids->AsArray()->Get(i);
      if (kid && kid->IsDict()) CollectNameTree(kid->AsDict(), ADepth + 1, AVisited);
    }
  }
}

vn::pdf::TvnPDArray* TvnPDCatalog::NamedDestination(std::string_view AName) {
  if (!FNamedDestinationsCollected && Dict()) {
    FNamedDestinationsCollected = true;
    if (TvnPDBaseObject* dests = Dict()->LookUp("Dests"); dests && dests->IsDict()) {
      TvnPDDictionary* table = dests->AsDict();
      for (int64_t i = 0; i < table->GetLength(); ++i) KeepNamedDestination(table->GetKey(i), table->GetValue(i));
    }
    TvnPDBaseObject* names = Dict()->LookUp("Names");
    TvnPDBaseObject* tree = names && names->IsDict() ? names->AsDict()->LookUp("Dests") : nullptr;
    std::unordered_set<int64_t> visited;
    if (tree && tree->IsDict()) CollectNameTree(tree->AsDict(), 0, visited);
  }
  const auto found = FNamedDestinations.find(std::string(AName));
  return found == FNamedDestinations.end() ? nullptr : found->second;
}

TvnPDFBookmark* TvnPDCatalog::BookmarkRoot() {
  if (!FBookmarkRoot && Dict()) {
    TvnPDBaseObject* outlines = Dict()->LookUp("Outlines");
    if (!outlines || !outlines->IsDict()) {
      auto dict = std::make_unique<TvnPDDictionary>(FHandler->BaseDoc());
      dict->Add("Type", std::make_unique<vn::pdf::TvnPDName>("Outlines"));
      outlines = FHandler->AddNewObject(std::move(dict));
      Dict()->Add("Outlines", std::make_unique<vn::pdf::TvnPDIndirectRef>(outlines->GetObjNumber(), 0));
    }
    FBookmarkRoot = std::make_unique<TvnPDFBookmark>(FHandler, this, outlines);
  }
  return FBookmarkRoot.get();
}

TvnPDLayoutMode TvnPDCatalog::PageLayout() {
  if (FPageLayout == TvnPDLayoutMode::lmNone && Dict())
    FPageLayout = static_cast<TvnPDLayoutMode>(CatalogNameIndex(Dict()->LookUp("PageLayout"), kLayoutNames));
  return FPageLayout;
}

void TvnPDCatalog::SetPageLayout(TvnPDLayoutMode Value) {
  if (!Dict()) return;
  FPageLayout = Value;
  // No name stands for "none": the entry goes rather than take an empty name.
  if (Value == TvnPDLayoutMode::lmNone)
    Dict()->Remove("PageLayout");
  else
    Dict()->Add("PageLayout", std::make_unique<vn::pdf::TvnPDName>(kLayoutNames[static_cast<size_t>(Value)]));
}

TvnPDPageMode TvnPDCatalog::PageMode() {
  if (FPageMode == TvnPDPageMode::pmNone && Dict())
    FPageMode = static_cast<TvnPDPageMode>(CatalogNameIndex(Dict()->LookUp("PageMode"), kPageModeNames));
  return FPageMode;
}

void TvnPDCatalog::SetPageMode(TvnPDPageMode Value) {
  if (!Dict()) return;
  FPageMode = Value;
  if (Value == TvnPDPageMode::pmNone)
    Dict()->Remove("PageMode");
  else
    Dict()->Add("PageMode", std::make_unique<vn::pdf::TvnPDName>(kPageModeNames[static_cast<size_t>(Value)]));
}

TvnPDViewerPref* TvnPDCatalog::ViewerPref() {
  if (!FViewerPref) {
    TvnPDBaseObject* prefs = Dict() ? Dict()->LookUp("ViewerPreferences") : nullptr;
    if ((!prefs || !prefs->IsDict()) && Dict()) {
      Dict()->Add("ViewerPreferences", std::make_unique<TvnPDDictionary>(FHandler->BaseDoc()));
      prefs = Dict()->LookUp("ViewerPreferences");
    }
    FViewerPref = std::make_unique<TvnPDViewerPref>(FHandler, this, prefs);
  }
  return FViewerPref.get();
}

vn::TStream* TvnPDCatalog::Metadata() {
  if (!FMetadata && Dict()) {
    TvnPDBaseObject* meta = Dict()->LookUp("Metadata");
    if (meta && meta->IsStream()) {
      vn::pdf::TvnPDStream* stream = meta->AsStream();
      std::vector<uint8_t> bytes;
      stream->Reset();
      uint8_t buffer[16384];
      while (static_cast<int64_t>(bytes.size()) < kMaxMetadataSize) {
        const size_t n = stream->Read(buffer, sizeof buffer);
        if (n == 0) break;
        bytes.insert(bytes.end(), buffer, buffer + n);
      }
      if (static_cast<int64_t>(bytes.size()) > kMaxMetadataSize) bytes.resize(static_cast<size_t>(kMaxMetadataSize));
      FMetadata = std::make_unique<vn::TMemoryStream>(std::move(bytes));
    }
  }
  return FMetadata.get();
}

void TvnPDCatalog::SetXMPMetadata(std::string_view AMetadata) {
  if (!Dict()) return;
  auto dict = std::make_unique<TvnPDDictionary>(FHandler->BaseDoc());
  dict->Add("Type", std::make_unique<vn::pdf::TvnPDName>("Metadata"));
  dict->Add("Subtype", std::make_unique<vn::pdf::TvnPDName>("XML"));
  vn::pdf::TvnPDStream* stream = FHandler->AddNewStream(std::move(dict), AMetadata);
  Dict()->Add("Metadata", std::make_unique<vn::pdf::TvnPDIndirectRef>(stream->GetObjNumber(), 0));
  FMetadata.reset();
}

void TvnPDCatalog::RemoveXFA() {
  if (TvnPDDictionary* form = AcroFormField()) form->Remove("XFA");
}

void TvnPDCatalog::Update() {
  if (FPageTree) FPageTree->Update();
  if (FViewerPref) FViewerPref->Update();
}

}  // namespace vn::pdfdoc
