// The document catalog of an opened PDF file: the page tree, the outline
// root, the AcroForm dictionary, the named destinations, page layout and
// page mode, the viewer preferences and the XMP metadata. Members are made on first use and kept
// until the catalog is freed with its document.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "pdf/objects.h"
#include "runtime/streams.h"

namespace vn::pdfdoc {

class TvnPDAcroForm;
class TvnPDAnnot;
class TvnPDFBookmark;
class TvnPDFDocumentHandler;
class TvnPDPageTree;
class TvnPDViewerPref;

enum class TvnPDLayoutMode {
  lmNone,
  lmSinglePage,
  lmOneColumn,
  lmTwoColumnLeft,
  lmTwoColumnRight,
  lmTwoPageLeft,
  lmTwoPageRight
};

enum class TvnPDPageMode {
  pmNone,
  pmUseNone,
  pmUseThumbs,
  pmUseBookmarks,
  pmFullScreen,
  pmOCVisible,
  pmAttachmentsVisible
};

class TvnPDCatalog : public vn::pdf::TvnPDElement {
 public:
  // Metadata copied into memory at most.
  static constexpr int64_t kMaxMetadataSize = int64_t{16} << 20;
  // Name-tree nodes nested deeper than this are not walked, and no more
  // than this many named destinations are collected.
  static constexpr int kMaxNameTreeDepth = 64;
  static constexpr size_t kMaxNamedDestinations = size_t{1} << 20;

  TvnPDCatalog(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDDictionary* ACatalogDict);
  ~TvnPDCatalog() override;

  // The page tree over /Pages, made once.
  TvnPDPageTree* PageTree();
  // The /AcroForm dictionary (borrowed), looked up once; null without one.
  vn::pdf::TvnPDDictionary* AcroFormField();
  // The form's fields, collected from /AcroForm once.
  TvnPDAcroForm* AcroForm();
  // The form field, collected from /AcroForm, whose dictionary is
  // AFormFieldObj or the /Parent of AFormFieldObj: a widget annotation
  // owned by the catalog. Null when no field matches (and until the field
  // collection exists).
  TvnPDAnnot* GetAcroFormField(vn::pdf::TvnPDBaseObject* AFormFieldObj);
  // /Dests of the catalog, else /Dests of its /Names dictionary; null when
  // neither is there.
  vn::pdf::TvnPDBaseObject* GetNamesDict();
  // The explicit destination (an array, borrowed) named by the bytes: looked
  // up among the keys of the /Dests dictionary and in the whole name tree
  // under /Names /Dests (every kid, at any depth, and the names of the root
  // itself); a value may be the array or a dictionary whose /D is one. Null
  // when the name is not there. The names are collected once.
  vn::pdf::TvnPDArray* NamedDestination(std::string_view AName);
  // The outline root over /Outlines, made once; a catalog without one gets
  // an empty outline dictionary as a new indirect object first.
  TvnPDFBookmark* BookmarkRoot();

  // Read by name and kept once known (an unknown name reads lmNone/pmNone
  // and is read again next time). The setters write the name; lmNone and
  // pmNone, which have no name, remove the entry.
  TvnPDLayoutMode PageLayout();
  void SetPageLayout(TvnPDLayoutMode Value);
  TvnPDPageMode PageMode();
  void SetPageMode(TvnPDPageMode Value);

  // The viewer preferences; a catalog without /ViewerPreferences gets an
  // empty dictionary there first.
  TvnPDViewerPref* ViewerPref();
  // The decoded data of /Metadata copied into memory once (kept by the
  // catalog); null without /Metadata.
  vn::TStream* Metadata();
  // Stores the text as a new /Metadata stream (/Type /Metadata /Subtype
  // /XML) and refers to it from the catalog.
  void SetXMPMetadata(std::string_view AMetadata);
  // Removes /XFA from the AcroForm dictionary.
  void RemoveXFA();
  // Brings the page tree and the viewer preferences into the objects.
  void Update() override;

  vn::pdf::TvnPDDictionary* Dict() const { return FBaseObject ? FBaseObject->AsDict() : nullptr; }

 private:
  void CollectNameTree(vn::pdf::TvnPDDictionary* ANode, int ADepth, std::unordered_set<int64_t>& AVisited);
  void KeepNamedDestination(std::string AName, vn::pdf::TvnPDBaseObject* AValue);

  TvnPDFDocumentHandler* FHandler;
  std::unique_ptr<TvnPDPageTree> FPageTree;
  std::unique_ptr<TvnPDFBookmark> FBookmarkRoot;
  std::unordered_map<std::string, vn::pdf::TvnPDArray*> FNamedDestinations;
  bool FNamedDestinationsCollected = false;
  TvnPDLayoutMode FPageLayout = TvnPDLayoutMode::lmNone;
  TvnPDPageMode FPageMode = TvnPDPageMode::pmNone;
  std::unique_ptr<vn::TMemoryStream> FMetadata;
  std::unique_ptr<TvnPDViewerPref> FViewerPref;
  std::unique_ptr<TvnPDAcroForm> FAcroForm;
  vn::pdf::TvnPDDictionary* FAcroFormFields = nullptr;
  bool FAcroFormLookedUp = false;
};

}  // namespace vn::pdfdoc
