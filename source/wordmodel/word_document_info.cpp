#include "wordmodel/word_document_info.h"

namespace vn::wordmodel {

void TvnWordDocumentInfo::Assign(const TvnDocumentInfo* ASource, TvnDocumentInfo* ADest) const {
  TvnDocumentInfo::Assign(ASource, ADest);
  const auto* source = dynamic_cast<const TvnWordDocumentInfo*>(ASource);
  auto* dest = dynamic_cast<TvnWordDocumentInfo*>(ADest);
  if (source == nullptr || dest == nullptr || source == dest) return;
  dest->SetLanguage(source->GetLanguage());
  dest->SetVersion(source->GetVersion());
  dest->SetModified(source->GetModified());
  dest->SetRevision(source->GetRevision());
  dest->SetCreated(source->GetCreated());
  dest->SetContentStatus(source->GetContentStatus());
  dest->SetLastPrinted(source->GetLastPrinted());
  dest->SetIdentifier(source->GetIdentifier());
  dest->SetCategory(source->GetCategory());
  dest->SetLastModifiedBy(source->GetLastModifiedBy());
}

std::unique_ptr<vn::framework::TvnDocumentInfo> TvnWordDocumentInfo::Clone() const {
  auto copy = std::make_unique<TvnWordDocumentInfo>();
  Assign(this, copy.get());
  return copy;
}

}  // namespace vn::wordmodel
