// Pieces of PDF syntax shared by the PDF engine's writers (internal to the
// library).
#pragma once

#include <string>

#include "pdfwriter/pdf_engine.h"

namespace vn::pdfwriter {

inline constexpr char kCRLF[] = "\r\n";
inline constexpr double kPi = 3.14159265358979323846;

// A number as content streams and dictionaries write it.
inline std::string Num(double x) { return TvnCustomPDFEngine::FormatNumber(x); }

}  // namespace vn::pdfwriter
