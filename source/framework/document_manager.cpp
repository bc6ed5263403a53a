#include "framework/document_manager.h"

#include <atomic>

namespace vn::framework {

namespace {
std::atomic<int32_t> GResourceCounter{0};
}  // namespace

int32_t NextResourceID() { return ++GResourceCounter; }

std::unique_ptr<TvnBaseDocument> TvnDocumentManager::LoadDocument(const String& FileName) {
  TvnKELMFramework* Registry = DocumentFramework();
  TvnDocumentClass Class = Registry ? Registry->LookupDocument(FileName) : nullptr;
  if (Class == nullptr) return nullptr;
  std::unique_ptr<TvnBaseDocument> Document = Class->Create();
  Document->LoadFromFile(FileName, u"");
  return Document;
}

std::unique_ptr<TvnBaseDocument> TvnDocumentManager::LoadDocument(vn::TStream* Stream, bool FreeStream) {
  TvnKELMFramework* Registry = DocumentFramework();
  if (Registry == nullptr || Stream == nullptr) return nullptr;
  // The prediction reads the leading bytes; the document reads from where
  // the caller left the stream.
  const int64_t Start = Stream->Position();
  TvnDocumentClass Class = Registry->LookupDocument(Stream);
  Stream->Seek(Start, vn::SeekOrigin::soBeginning);
  if (Class == nullptr) return nullptr;
  std::unique_ptr<TvnBaseDocument> Document = Class->Create();
  Document->LoadFromStream(Stream, u"", FreeStream);
  return Document;
}

}  // namespace vn::framework
