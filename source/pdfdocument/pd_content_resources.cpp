// The operators of the content interpreter that look names up in the
// resources: fonts, colour spaces, patterns, ExtGStates, XObjects, and the
// images drawn inline.
#include "pdfdocument/pd_content_stream.h"

namespace vn::pdfdoc {

TvnPDColorSpace* TvnPDContentStream::LookUpColorSpace(const std::string&) { return nullptr; }
TvnPDFont* TvnPDContentStream::LookUpFont(const std::string&) { return nullptr; }
TvnPDPattern* TvnPDContentStream::SelectPattern(const std::string&, const TvnColorComp*) { return nullptr; }
void TvnPDContentStream::DrawInlineImage(std::unique_ptr<vn::pdf::TvnPDDictionary>, int64_t, int64_t) {}
TvnPDResource* TvnPDContentStream::Type3Resources(TvnPDFont&) { return FPageResource; }
void TvnPDContentStream::OpGState(TvnArgs) {}
void TvnPDContentStream::OpXObject(TvnArgs) {}

}  // namespace vn::pdfdoc
