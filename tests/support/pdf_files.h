// Small PDF files built from their objects, for tests that hand a PDF to an
// outside reader (pdftoppm, pdftotext, pdfimages) or to our own.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace vn::test_support {

// A PDF whose objects 1..n are `objects` in order (object 1 the catalog),
// with a cross-reference table and a trailer naming object 1 as the root.
inline std::string PdfOfObjects(const std::vector<std::string>& objects) {
  std::string pdf = "%PDF-1.4\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t offset : offsets) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
    pdf += line;
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

}  // namespace vn::test_support
