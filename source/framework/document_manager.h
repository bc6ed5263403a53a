// The document manager: loads a document through the format registry. The
// caller owns what it returns. The module also holds the process-wide counter
// from which the Word model's resources take their identifiers.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/format_registry.h"

namespace vn::framework {

class TvnDocumentManager : public TObject {
 public:
  explicit TvnDocumentManager(TObject* AOwner = nullptr) : FOwner(AOwner) {}

  // The document of the class registered for the file's extension, loaded
  // with an empty password; nil when no class is registered. Exceptions of
  // the load pass through (the half-made document is freed).
  std::unique_ptr<TvnBaseDocument> LoadDocument(const String& FileName);
  // The document of the class PredictFormat finds for the stream, loaded
  // from the stream's position before the prediction; nil (the stream stays
  // the caller's) when no class is registered. With FreeStream the document
  // owns the stream from the load on.
  std::unique_ptr<TvnBaseDocument> LoadDocument(vn::TStream* Stream, bool FreeStream);

  TObject* GetOwner() const { return FOwner; }

 private:
  TObject* FOwner;  // not owned
};

// The next identifier of the process-wide resource counter: the first call
// after start-up gives 1.
int32_t NextResourceID();

}  // namespace vn::framework
