#include "pdfdocument/pd_resource.h"

#include <array>

#include "pdfdocument/color_spaces.h"
#include "pdfdocument/pd_font.h"
#include "pdfdocument/pd_form.h"
#include "pdfdocument/pd_pattern.h"
#include "pdfdocument/pd_state.h"
#include "pdfdocument/pd_xobject.h"
#include "pdfdocument/pdf_document_handler.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDBaseObject;
using vn::pdf::TvnPDDictionary;

namespace {

// Per kind of resource, in the order of TvnPDResourceType: the key of its
// sub-dictionary and the tag of the names GetResourceName makes.
struct ResourceKind {
  const char* Key;
  const char* Tag;
};
constexpr std::array<ResourceKind, 8> kResourceKinds{{{"ExtGState", "GS"},
                                                      {"ColorSpace", "CS"},
                                                      {"Pattern", "Ptrn"},
                                                      {"Shading", "Shd"},
                                                      {"XObject", "Xbj"},
                                                      {"Font", "Fnt"},
                                                      {"ProcSet", "ProS"},
                                                      {"Properties", "Prop"}}};

template <typename T>
T* ItemAt(const std::vector<std::unique_ptr<T>>* AList, int AIndex) {
  if (!AList || AIndex < 0 || static_cast<size_t>(AIndex) >= AList->size()) return nullptr;
  return (*AList)[static_cast<size_t>(AIndex)].get();
}

template <typename T>
int ListCount(const std::vector<std::unique_ptr<T>>* AList) {
  return AList ? static_cast<int>(AList->size()) : 0;
}

template <typename T>
int AppendItem(std::vector<std::unique_ptr<T>>& AList, std::unique_ptr<T> AItem) {
  AList.push_back(std::move(AItem));
  return static_cast<int>(AList.size() - 1);
}

}  // namespace

TvnPDResource::TvnPDResource(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                             TvnPDBaseObject* ABaseObject)
    : TvnPDElement(ABaseObject, AParentDoc, AParentElement) {}

TvnPDResource::~TvnPDResource() = default;

TvnPDDictionary* TvnPDResource::SubDict(const char* AKey) const {
  TvnPDDictionary* dict = Dict();
  if (!dict) return nullptr;
  TvnPDBaseObject* sub = dict->LookUp(AKey);
  return sub ? sub->AsDict() : nullptr;
}

void TvnPDResource::LoadFonts() {
  if (FFontList) return;
  TvnPDDictionary* fonts = SubDict("Font");
  if (!fonts) return;
  FOwnFontList = std::make_unique<TvnPDFontList>();
  FFontList = FOwnFontList.get();
  FCanFreeFont = true;
  const std::string cmap_path = CMapPath();
  for (int64_t i = 0; i < fonts->GetLength(); ++i) {
    if (auto font = TvnPDFont::MakeFont(FParentDoc, this, fonts->GetKey(i), fonts->GetValue(i), cmap_path))
      FFontList->push_back(std::move(font));
  }
}

std::string TvnPDResource::CMapPath() const {
  // The handler's folder when the document has one.
  const auto* handler = dynamic_cast<const TvnPDFDocumentHandler*>(FParentDoc);
  return handler && !handler->CMapPath().empty() ? handler->CMapPath() : std::string(TvnPDCMap::kDefaultCMapPath);
}

TvnPDFont* TvnPDResource::FontOfObject(TvnPDBaseObject* AFontDict) {
  if (!AFontDict || !AFontDict->AsDict()) return nullptr;
  LoadFonts();
  if (FFontList)
    for (const auto& font : *FFontList)
      if (font && font->BaseObject() == AFontDict) return font.get();
  for (const auto& font : FObjectFonts)
    if (font->BaseObject() == AFontDict) return font.get();
  std::unique_ptr<TvnPDFont> font = TvnPDFont::MakeFont(FParentDoc, this, std::string(), AFontDict, CMapPath());
  if (!font) return nullptr;
  FObjectFonts.push_back(std::move(font));
  return FObjectFonts.back().get();
}

void TvnPDResource::LoadColorSpaces() {
  if (FColorSpaceList) return;
  FColorSpaceList = std::make_unique<std::vector<std::unique_ptr<TvnPDColorSpace>>>();
  // A /ColorSpace that is not a dictionary counts as absent: the names it
  // cannot hold are simply not found.
  TvnPDDictionary* spaces = SubDict("ColorSpace");
  if (!spaces) return;
  for (int64_t i = 0; i < spaces->GetLength(); ++i) {
    if (auto space = TvnPDColorSpace::MakeColorSpace(spaces->GetValue(i), spaces->GetKey(i)))
      FColorSpaceList->push_back(std::move(space));
  }
}

void TvnPDResource::LoadGStates() {
  if (FGStateList) return;
  TvnPDDictionary* states = SubDict("ExtGState");
  if (!states) return;
  FGStateList = std::make_unique<std::vector<std::unique_ptr<TvnPDGState>>>();
  for (int64_t i = 0; i < states->GetLength(); ++i)
    FGStateList->push_back(std::make_unique<TvnPDGState>(FParentDoc, this, states->GetValue(i), states->GetKey(i)));
}

void TvnPDResource::LoadPatterns() {
  if (FPatternList) return;
  TvnPDDictionary* patterns = SubDict("Pattern");
  if (!patterns) return;
  FPatternList = std::make_unique<std::vector<std::unique_ptr<TvnPDPattern>>>();
  for (int64_t i = 0; i < patterns->GetLength(); ++i) {
    if (auto pattern = TvnPDPattern::MakePattern(FParentDoc, this, patterns->GetKey(i), patterns->GetValue(i)))
      FPatternList->push_back(std::move(pattern));
  }
}

void TvnPDResource::LoadXObjects() {
  if (FXObjectList) return;
  FXObjectList = std::make_unique<std::vector<std::unique_ptr<TvnPDXObject>>>();
  TvnPDDictionary* xobjects = SubDict("XObject");
  if (!xobjects) return;
  // Entries that are neither images nor forms stay as empty places, so the
  // list keeps the dictionary's order and length.
  for (int64_t i = 0; i < xobjects->GetLength(); ++i)
    FXObjectList->push_back(TvnPDXObject::MakeXObject(FParentDoc, this, xobjects->GetValue(i), xobjects->GetKey(i)));
}

TvnPDFont* TvnPDResource::LookUpFont(const std::string& AName) {
  LoadFonts();
  if (!FFontList) return nullptr;
  for (const auto& font : *FFontList)
    if (font && font->Tag() == AName) return font.get();
  return nullptr;
}

TvnPDColorSpace* TvnPDResource::LookUpColorSpace(const std::string& AName) {
  LoadColorSpaces();
  for (const auto& space : *FColorSpaceList)
    if (space && space->IsName(AName)) return space.get();
  return nullptr;
}

TvnPDGState* TvnPDResource::LookUpGState(const std::string& AName) {
  LoadGStates();
  if (!FGStateList) return nullptr;
  for (const auto& state : *FGStateList)
    if (state && state->Tag() == AName) return state.get();
  return nullptr;
}

TvnPDPattern* TvnPDResource::LookUpPattern(const std::string& AName) {
  LoadPatterns();
  if (!FPatternList) return nullptr;
  for (const auto& pattern : *FPatternList)
    if (pattern && pattern->Tag() == AName) return pattern.get();
  return nullptr;
}

TvnPDXObject* TvnPDResource::LookUpXObject(const std::string& AName) {
  LoadXObjects();
  for (const auto& xobject : *FXObjectList)
    if (xobject && xobject->IsName(AName)) return xobject.get();
  return nullptr;
}

int TvnPDResource::FontCount() {
  LoadFonts();
  return ListCount(FFontList);
}

int TvnPDResource::ColorSpaceCount() {
  LoadColorSpaces();
  return ListCount(FColorSpaceList.get());
}

int TvnPDResource::GStateCount() {
  LoadGStates();
  return ListCount(FGStateList.get());
}

int TvnPDResource::XObjectCount() {
  LoadXObjects();
  return ListCount(FXObjectList.get());
}

TvnPDFont* TvnPDResource::GetFont(int AIndex) {
  LoadFonts();
  return ItemAt(FFontList, AIndex);
}

TvnPDColorSpace* TvnPDResource::GetColorSpace(int AIndex) {
  LoadColorSpaces();
  return ItemAt(FColorSpaceList.get(), AIndex);
}

TvnPDGState* TvnPDResource::GetGState(int AIndex) {
  LoadGStates();
  return ItemAt(FGStateList.get(), AIndex);
}

TvnPDXObject* TvnPDResource::GetXObject(int AIndex) {
  LoadXObjects();
  return ItemAt(FXObjectList.get(), AIndex);
}

TvnPDFontList* TvnPDResource::FontList() {
  LoadFonts();
  return FFontList && !FFontList->empty() ? FFontList : nullptr;
}

TvnPDFont* TvnPDResource::GetFontByName(const std::string& APostScriptName) {
  if (!Dict()) return nullptr;
  LoadFonts();
  if (!FFontList) return nullptr;
  for (const auto& font : *FFontList)
    if (font && font->name() == APostScriptName) return font.get();
  return nullptr;
}

int TvnPDResource::AddFont(std::unique_ptr<TvnPDFont> AFont) {
  LoadFonts();
  if (!FFontList) {
    FOwnFontList = std::make_unique<TvnPDFontList>();
    FFontList = FOwnFontList.get();
    FCanFreeFont = true;
  }
  return AppendItem(*FFontList, std::move(AFont));
}

int TvnPDResource::AddColorSpace(std::unique_ptr<TvnPDColorSpace> ASpace) {
  LoadColorSpaces();
  return AppendItem(*FColorSpaceList, std::move(ASpace));
}

int TvnPDResource::AddExtGState(std::unique_ptr<TvnPDGState> AGState) {
  LoadGStates();
  if (!FGStateList) FGStateList = std::make_unique<std::vector<std::unique_ptr<TvnPDGState>>>();
  return AppendItem(*FGStateList, std::move(AGState));
}

int TvnPDResource::AddXObject(std::unique_ptr<TvnPDXObject> AXObject) {
  LoadXObjects();
  if (AXObject && AXObject->BaseObject()) {
    for (size_t i = 0; i < FXObjectList->size(); ++i) {
      const auto& listed = (*FXObjectList)[i];
      if (listed && listed->BaseObject() == AXObject->BaseObject()) return static_cast<int>(i);
    }
  }
  return AppendItem(*FXObjectList, std::move(AXObject));
}

void TvnPDResource::SetFontResource(TvnPDFontList* AFontList) {
  FOwnFontList.reset();
  FFontList = AFontList;
  FCanFreeFont = false;
}

bool TvnPDResource::NameTaken(TvnPDResourceType AResourceType, const std::string& AName) {
  const auto kind = static_cast<size_t>(AResourceType);
  if (TvnPDDictionary* sub = SubDict(kResourceKinds[kind].Key); sub && sub->LookupRefObj(AName)) return true;
  switch (AResourceType) {
    case TvnPDResourceType::resFont:
      return LookUpFont(AName) != nullptr;
    case TvnPDResourceType::resColorSpace:
      return LookUpColorSpace(AName) != nullptr;
    case TvnPDResourceType::resExtGState:
      return LookUpGState(AName) != nullptr;
    case TvnPDResourceType::resPattern:
      return LookUpPattern(AName) != nullptr;
    case TvnPDResourceType::resXObject:
      return LookUpXObject(AName) != nullptr;
    default:
      return false;
  }
}

std::string TvnPDResource::GetResourceName(TvnPDResourceType AResourceType) {
  const auto kind = static_cast<size_t>(AResourceType);
  const std::string stem = std::string(kResourceNamePrefix) + kResourceKinds[kind].Tag;
  // Only finitely many names can be taken, so the counter soon reaches a
  // free one.
  for (;;) {
    std::string name = stem + std::to_string(++FNameCounter);
    if (!NameTaken(AResourceType, name)) return name;
  }
}

void TvnPDResource::Update() {
  if (FFontList)
    for (const auto& font : *FFontList)
      if (font) font->Update();
  if (FColorSpaceList)
    for (const auto& space : *FColorSpaceList)
      if (space) space->Update();
  FOwnFontList.reset();
  FFontList = nullptr;
  FCanFreeFont = true;
  FColorSpaceList.reset();
}

TvnPDResource* ResourcesOf(vn::pdf::TvnPDElement* AElement) {
  if (auto* resources = dynamic_cast<TvnPDResource*>(AElement)) return resources;
  if (auto* form = dynamic_cast<TvnPDForm*>(AElement)) return form->Resources();
  if (auto* pattern = dynamic_cast<TvnPDPattern*>(AElement)) return pattern->Resources();
  return nullptr;
}

}  // namespace vn::pdfdoc
