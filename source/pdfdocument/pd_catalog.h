// The document catalog of an opened PDF file: the page tree, the AcroForm
// dictionary, the named destinations, page layout and page mode, the viewer
// preferences and the XMP metadata. Members are made on first use and kept
// until the catalog is freed with its document.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "pdf/objects.h"
#include "runtime/streams.h"

namespace vn::pdfdoc {

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

  TvnPDCatalog(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDDictionary* ACatalogDict);
  ~TvnPDCatalog() override;

  // The page tree over /Pages, made once.
  TvnPDPageTree* PageTree();
  // The /AcroForm dictionary (borrowed), looked up once; null without one.
  vn::pdf::TvnPDDictionary* AcroFormField();
  // /Dests of the catalog, else /Dests of its /Names dictionary; null when
  // neither is there.
  vn::pdf::TvnPDBaseObject* GetNamesDict();

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
  TvnPDFDocumentHandler* FHandler;
  std::unique_ptr<TvnPDPageTree> FPageTree;
  TvnPDLayoutMode FPageLayout = TvnPDLayoutMode::lmNone;
  TvnPDPageMode FPageMode = TvnPDPageMode::pmNone;
  std::unique_ptr<vn::TMemoryStream> FMetadata;
  std::unique_ptr<TvnPDViewerPref> FViewerPref;
  vn::pdf::TvnPDDictionary* FAcroFormFields = nullptr;
  bool FAcroFormLookedUp = false;
};

}  // namespace vn::pdfdoc
