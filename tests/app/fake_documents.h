// Documents for the GUI tests, registered under test extensions:
// TLockedReader asks for the password "secret" the way the PDF document
// does (one request object for every attempt; a request that comes back
// with Cancel ends the load, the document not loaded); TRecordingWriter
// copies the page numbers and writes them into one output file;
// TPhantomWriter names its output but never writes it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "framework/document_routines.h"
#include "framework/format_registry.h"
#include "runtime/streams.h"

namespace fotarel::testing {

using namespace vn::framework;

class TLockedReader : public TvnBaseDocument {
 public:
  static TvnEngineCapabilities GetEngineCapabilities() { return {TvnEngineCapability::ecOpen}; }
  void LoadFromFile(const vn::String& /*FileName*/, const vn::String& /*Password*/) override {
    TvnNeedPasswordEventArgs Request;
    for (;;) {
      if (!OnNeedPassword) return;
      Request.IncAttemptCount();
      OnNeedPassword(this, Request);
      LastAttemptCount = Request.GetAttemptCount();
      LastCancel = Request.GetCancel();
      if (Request.GetCancel()) return;
      if (Request.GetPassword() == u"secret") break;
    }
    FIsLoaded = true;
  }
  void LoadFromStream(vn::TStream*, const vn::String&, bool) override {}
  int32_t GetPageCount() override { return 1; }

  static inline int32_t LastAttemptCount = 0;
  static inline bool LastCancel = false;
};

class TRecordingWriter : public TvnBaseDocument {
 public:
  static TvnEngineCapabilities GetEngineCapabilities() { return {TvnEngineCapability::ecSave}; }
  void Assign(TvnBaseDocument* Source, const vn::String& PageRange) override {
    for (int32_t Page : ParsePageRange(PageRange, Source->GetPageCount())) {
      DoBeginAssignPage(Page);
      FPages.push_back(Page);
      DoEndAssignPage(Page, GetPageCount());
    }
  }
  int32_t GetPageCount() override { return static_cast<int32_t>(FPages.size()); }
  bool Save() override {
    RequestOutputTarget(TvnOutputItem::oiDocument, 1, GetPageCount());
    vn::WriteFileBytes(std::filesystem::path(vn::ToUtf8(OutFilePath)), "pages " + std::to_string(FPages.size()));
    return true;
  }

 private:
  std::vector<int32_t> FPages;
};

// A writer that asks for its output file and reports success without
// writing it.
class TPhantomWriter : public TRecordingWriter {
 public:
  bool Save() override {
    RequestOutputTarget(TvnOutputItem::oiDocument, 1, GetPageCount());
    return true;
  }
};

inline void RegisterFakeDocuments() {
  TvnKELMFramework& Registry = *DocumentFramework();
  Registry.RegisterDocument(DocumentClassOf<TLockedReader>(), u".lock", u"Locked input");
  Registry.RegisterDocument(DocumentClassOf<TRecordingWriter>(), u".rec", u"Recorded output");
  Registry.RegisterDocument(DocumentClassOf<TPhantomWriter>(), u".nil", u"Unwritten output");
}

}  // namespace fotarel::testing
