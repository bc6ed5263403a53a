// The small pieces of PDF syntax every part of the PDF engine writes: the
// line end, the text of numbers, and screen pixels as points.
#pragma once

#include <string>

#include "pdfwriter/pdf_engine.h"

namespace vn::pdfwriter {

inline constexpr char kCRLF[] = "\r\n";
inline constexpr double kPi = 3.14159265358979323846;
// The producer named in the document information and the XMP metadata.
inline constexpr char kPDFProducer[] = "Pelmora Vireo4.0.0.516";

using vn::framework::PixelsToPoints;
using vn::framework::PointsToPixels;

// A number as the engine writes it into content streams and dictionaries.
inline std::string Num(double x) { return TvnCustomPDFEngine::FormatNumber(x); }

}  // namespace vn::pdfwriter
