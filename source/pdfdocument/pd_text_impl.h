// Text values of the document model's dictionaries: PDF text strings read
// as UTF-16 text and UTF-16 text written as PDF text strings, so that no
// text passes through an 8-bit code page on its way in or out.
#pragma once

#include <memory>
#include <string>

#include "pdf/objects.h"
#include "runtime/strings.h"

namespace vn::pdfdoc {

// The bytes a string object stands for: a hex string's digits decoded, a
// literal string's bytes as they are; empty for anything else.
std::string PdfStringBytes(const vn::pdf::TvnPDBaseObject* AObj);
// The text of a PDF text string (UTF-16BE after FE FF, UTF-8 after the
// UTF-8 mark, PDFDocEncoding otherwise); empty for anything but a string.
String PdfTextOf(const vn::pdf::TvnPDBaseObject* AObj);
// A string object holding the text: a literal string when every character
// is printable ASCII, otherwise a hex string of "FEFF" and UTF-16BE digits.
std::unique_ptr<vn::pdf::TvnPDString> MakePdfText(StringView AText);

}  // namespace vn::pdfdoc
