// The resources of a page, form, pattern or Type 3 font: a /Resources
// dictionary wrapped for lookups by name. Each kind (fonts, colour spaces,
// ExtGStates, patterns, XObjects) is read into a list of its own on first
// use; the lists own what they hold and callers borrow from them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pdf/objects.h"

namespace vn::pdfdoc {

class TvnPDFont;
class TvnPDColorSpace;
class TvnPDGState;
class TvnPDPattern;
class TvnPDXObject;

// The kinds of resource, in the order of a resource dictionary's entries.
enum class TvnPDResourceType {
  resExtGState,
  resColorSpace,
  resPattern,
  resShading,
  resXObject,
  resFont,
  resProcSet,
  resProperties
};

using TvnPDFontList = std::vector<std::unique_ptr<TvnPDFont>>;

class TvnPDResource : public vn::pdf::TvnPDElement {
 public:
  // Resource names made by GetResourceName start with this.
  static constexpr const char* kResourceNamePrefix = "R";

  // ABaseObject: the /Resources dictionary (anything else makes resources
  // in which every lookup finds nothing).
  TvnPDResource(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                vn::pdf::TvnPDBaseObject* ABaseObject);
  // Frees the lists, the font list only when it is the resource's own.
  ~TvnPDResource() override;
  TvnPDResource(const TvnPDResource&) = delete;
  TvnPDResource& operator=(const TvnPDResource&) = delete;

  // The resource of that name (exact, case-sensitive), borrowed; null when
  // there is none. A /ColorSpace, /Font, ... entry that is not a dictionary
  // counts as absent.
  TvnPDFont* LookUpFont(const std::string& AName);
  TvnPDColorSpace* LookUpColorSpace(const std::string& AName);
  TvnPDGState* LookUpGState(const std::string& AName);
  TvnPDPattern* LookUpPattern(const std::string& AName);
  // Passes over entries that are not images or forms.
  TvnPDXObject* LookUpXObject(const std::string& AName);

  // The list's length after loading it. An XObject entry that is neither an
  // image nor a form is counted and answered as null by GetXObject.
  int FontCount();
  int ColorSpaceCount();
  int GStateCount();
  int XObjectCount();
  // The item, borrowed; null outside the list.
  TvnPDFont* GetFont(int AIndex);
  TvnPDColorSpace* GetColorSpace(int AIndex);
  TvnPDGState* GetGState(int AIndex);
  TvnPDXObject* GetXObject(int AIndex);
  // The font list, null when it is empty (or was never loaded).
  TvnPDFontList* FontList();

  // The first font whose base font name (TvnPDFont::name) equals the name;
  // null when the resources wrap no dictionary or none matches.
  TvnPDFont* GetFontByName(const std::string& APostScriptName);

  // The font of the font dictionary AFontDict, as an ExtGState's /Font entry
  // names it: the listed font over that same object, else one made for it
  // and kept with these resources; null when it is no font.
  TvnPDFont* FontOfObject(vn::pdf::TvnPDBaseObject* AFontDict);

  // Append to the list (loading it first) and return the index. AddXObject
  // answers the index of an XObject already listed over the same PDF object
  // and drops the one given.
  int AddFont(std::unique_ptr<TvnPDFont> AFont);
  int AddColorSpace(std::unique_ptr<TvnPDColorSpace> ASpace);
  int AddExtGState(std::unique_ptr<TvnPDGState> AGState);
  int AddXObject(std::unique_ptr<TvnPDXObject> AXObject);

  // Uses AFontList (borrowed; it must outlive these resources or be
  // replaced) as the font list; the resources then never free it.
  void SetFontResource(TvnPDFontList* AFontList);

  // A name for a new resource of the kind: the prefix, a tag by kind ("GS",
  // "CS", "Ptrn", "Shd", "Xbj", "Fnt", "ProS", "Prop") and a number. Names
  // are made from a counter, so the same resources give the same names in
  // every run; a name already used by the kind's sub-dictionary, by a
  // listed resource or by an earlier call is never given.
  std::string GetResourceName(TvnPDResourceType AResourceType);

  // Updates every loaded font and colour space, then drops both lists so
  // they are read again from the dictionary on next use.
  void Update() override;

  vn::pdf::TvnPDDictionary* Dict() const { return FBaseObject ? FBaseObject->AsDict() : nullptr; }

 private:
  vn::pdf::TvnPDDictionary* SubDict(const char* AKey) const;
  void LoadFonts();
  void LoadColorSpaces();
  void LoadGStates();
  void LoadPatterns();
  void LoadXObjects();
  bool NameTaken(TvnPDResourceType AResourceType, const std::string& AName);
  // The folder composite fonts read their predefined CMaps from.
  std::string CMapPath() const;

  std::unique_ptr<TvnPDFontList> FOwnFontList;
  TvnPDFontList* FFontList = nullptr;
  // Fonts made for /Font entries of ExtGStates, kept while the resources
  // live (the state may hold them past an Update).
  TvnPDFontList FObjectFonts;
  std::unique_ptr<std::vector<std::unique_ptr<TvnPDXObject>>> FXObjectList;
  std::unique_ptr<std::vector<std::unique_ptr<TvnPDColorSpace>>> FColorSpaceList;
  std::unique_ptr<std::vector<std::unique_ptr<TvnPDGState>>> FGStateList;
  std::unique_ptr<std::vector<std::unique_ptr<TvnPDPattern>>> FPatternList;
  bool FCanFreeFont = true;
  uint32_t FNameCounter = 0;
};

// The resources an element's names are looked up in: the element itself
// when it is resources, a form's or a pattern's own resources; null for
// anything else (a page's resources are the page's to give).
TvnPDResource* ResourcesOf(vn::pdf::TvnPDElement* AElement);

}  // namespace vn::pdfdoc
