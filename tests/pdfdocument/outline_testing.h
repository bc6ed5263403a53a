// Shared by the outline tests: the outline of a file as an independent
// reader prints it (outline_oracle.py beside the fixtures, run once per
// file), and the model's outline in the same lines, so the two compare as
// text.
#pragma once

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/pdf_corpus.h"
#include "pdf/text.h"
#include "pdfdocument/pd_action.h"
#include "pdfdocument/pd_bookmark.h"
#include "pdfdocument/pd_page.h"
#include "runtime/strings.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace vn::pdfdoc::outline_testing {

constexpr const char* kPython = "/usr/bin/python3";

// Whether the reader the oracle uses is installed.
inline bool HaveOracle() { return vn::test_support::HaveFile("/usr/lib/python3/dist-packages/pypdf"); }

inline std::string HexOf(std::string_view bytes) {
  const std::string hex = vn::pdf::BytesToHexText(bytes);
  std::string lower;
  for (char c : hex) lower += static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
  return lower.empty() ? "-" : lower;
}

// The oracle's lines for the file, split by kind: "I" items, "N" named
// destinations, "L" link checks. Empty when it failed.
struct OracleOutline {
  bool ran = false;
  std::vector<std::string> items, names, links;
};

inline OracleOutline RunOracle(const std::filesystem::path& file) {
  OracleOutline result;
  std::string out;
  const std::string script = (std::filesystem::path(VN_FIXTURES_DIR) / "pdfdocument" / "outline_oracle.py").string();
  result.ran = vn::pdf::testing::RunTool(std::string(kPython) + " " + vn::pdf::testing::Quote(script) + " " +
                                             vn::pdf::testing::Quote(file.string()),
                                         &out) == 0;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("I ", 0) == 0) result.items.push_back(line);
    if (line.rfind("N ", 0) == 0) result.names.push_back(line);
    if (line.rfind("L ", 0) == 0) result.links.push_back(line);
  }
  return result;
}

// The page an item leads to, from 0; -1 for none.
inline int TargetPage(TvnPDFBookmark& item) {
  TvnqPDFDestination* dest = item.Destination();
  if (!dest && item.Action() && item.Action()->ActionType() == TvnPDActionType::actionGoTo)
    dest = item.Action()->Destination();
  TvnPDPage* page = dest ? dest->Page() : nullptr;
  return page ? page->PageNum() - 1 : -1;
}

// The model's items in the oracle's "I level page title" lines, depth first.
inline void ModelItems(TvnPDFBookmark& parent, std::vector<std::string>& out) {
  for (TvnPDFBookmark* item = parent.FirstChild(); item; item = item->Next()) {
    out.push_back("I " + std::to_string(item->Level()) + " " + std::to_string(TargetPage(*item)) + " " +
                  HexOf(vn::ToUtf8(item->Title())));
    ModelItems(*item, out);
  }
}

}  // namespace vn::pdfdoc::outline_testing
