// The small pieces of PDF syntax every part of the PDF engine writes: the
// line end, the text of numbers, and screen pixels as points.
#pragma once

#include <cstdio>
#include <string>

#include "pdfwriter/pdf_engine.h"
#include "runtime/strings.h"

namespace vn::pdfwriter {

inline constexpr char kCRLF[] = "\r\n";
inline constexpr double kPi = 3.14159265358979323846;
// The producer named in the document information and the XMP metadata.
inline constexpr char kPDFProducer[] = "Pelmora Vireo4.0.0.516";

using vn::framework::PixelsToPoints;
using vn::framework::PointsToPixels;

// A number as the engine writes it into content streams and dictionaries.
inline std::string Num(double x) { return TvnCustomPDFEngine::FormatNumber(x); }

// A URI's bytes: printable ASCII as it stands, every other byte of its
// UTF-8 form percent-encoded (links of text and link annotations).
inline std::string UriBytes(StringView text) {
  std::string out;
  for (unsigned char b : vn::ToUtf8(text)) {
    if (b >= 0x21 && b <= 0x7E) {
      out += static_cast<char>(b);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", b);
      out += hex;
    }
  }
  return out;
}

}  // namespace vn::pdfwriter
