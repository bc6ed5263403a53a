// Test helpers of the PDF engine's interactive content (form fields,
// annotations, actions, signatures): the independent reader's view of a
// file (pypdf, tests/fixtures/pdfwriter/interactive_oracle.py); the
// throw-away signing certificates are support/test_certificates.h's.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "pdf_test_support.h"
#include "support/paths.h"
#include "support/prerequisites.h"
#include "support/test_certificates.h"

namespace vn::pdfwriter::testing {

inline bool HavePypdf() { return vn::test_support::HaveFile("/usr/lib/python3/dist-packages/pypdf"); }

// The oracle's lines for the bytes (empty when it fails: the output holds
// its error then).
inline std::string InteractiveContent(const std::string& bytes, const std::string& name) {
  const auto path = SaveTemp(bytes, name + ".pdf");
  const std::filesystem::path oracle = std::filesystem::path(VN_FIXTURES_DIR) / "pdfwriter" / "interactive_oracle.py";
  std::string out;
  const int rc = Run("/usr/bin/python3 '" + oracle.string() + "' '" + path.string() + "'", &out);
  if (rc != 0) ADD_FAILURE() << "interactive_oracle.py failed: " << out;
  return out;
}

// The lines of a text that start with Prefix.
inline std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (line.compare(0, prefix.size(), prefix) == 0) lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

// The one line that starts with Prefix ("" and a failure when there is
// not exactly one).
inline std::string LineStartingWith(const std::string& text, const std::string& prefix) {
  const auto lines = LinesStartingWith(text, prefix);
  if (lines.size() != 1) {
    ADD_FAILURE() << lines.size() << " lines start with \"" << prefix << "\" in:\n" << text;
    return {};
  }
  return lines.front();
}

using vn::test_support::TestCertificate;

}  // namespace vn::pdfwriter::testing
