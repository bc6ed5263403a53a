#include <algorithm>

#include "pdf/text.h"
#include "pdfdocument/pd_text_impl.h"

namespace vn::pdfdoc {

std::string PdfStringBytes(const vn::pdf::TvnPDBaseObject* AObj) {
  const vn::pdf::TvnPDString* s = AObj ? AObj->AsString() : nullptr;
  if (!s) return {};
  return s->IsHexString() ? vn::pdf::HexStringBytes(s->GetValue()) : s->GetValue();
}

String PdfTextOf(const vn::pdf::TvnPDBaseObject* AObj) {
  if (!AObj || !AObj->IsString()) return {};
  return vn::pdf::PDTextStringToWide(PdfStringBytes(AObj));
}

std::unique_ptr<vn::pdf::TvnPDString> MakePdfText(StringView AText) {
  const bool plain = std::all_of(AText.begin(), AText.end(), [](char16_t c) { return c >= 0x20 && c < 0x7F; });
  if (plain) {
    std::string bytes;
    for (char16_t c : AText) bytes += static_cast<char>(c);
    return std::make_unique<vn::pdf::TvnPDString>(std::move(bytes));
  }
  return vn::pdf::TvnPDString::CreateForHex(AText);
}

}  // namespace vn::pdfdoc
