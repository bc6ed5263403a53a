// The document properties of a Word 97-2003 document: title, subject,
// author, keywords, comments, last author, revision and the three dates from
// the summary information stream, and category, company, language and
// version from the document summary information stream, read into a
// TvnWordDocumentInfo.
//
// Each stream's first property set is found through the offset its header
// gives. Byte strings are decoded in the code page the set names (its
// property 1): Windows-1252 when it names none, UTF-8, UTF-16 and the other
// Windows code pages the C library converts; one it cannot convert keeps
// each byte as the character of that code. UTF-16 strings are read too.
// Nothing is read outside its stream or its property set's declared size: a
// set larger than its stream gives no properties (and a damaged summary
// information stops the reading of the document summary information too),
// a value whose offset or length does not fit is skipped.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "runtime/diagnostics.h"
#include "runtime/strings.h"
#include "wordmodel/word_document_info.h"

namespace vn::doc {

// The properties of the two streams (either may be empty).
std::unique_ptr<vn::wordmodel::TvnWordDocumentInfo> ReadDocumentProperties(
    std::span<const uint8_t> ASummaryInformation, std::span<const uint8_t> ADocumentSummaryInformation,
    Diagnostics* ADiagnostics = nullptr);

// A file time (100-nanosecond intervals since 1601-01-01 00:00 UTC) as
// "YYYY-MM-DDTHH:MM:SSZ", whole seconds; empty past the year 9999.
String FileTimeToText(uint64_t AFileTime);

}  // namespace vn::doc
