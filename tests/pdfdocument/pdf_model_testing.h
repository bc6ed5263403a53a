// Shared by the tests of the PDF document model: opening PDF bytes through
// the document handler, saving to a file, and the page boxes and rotations
// as pdfinfo prints them, so that the model can be compared with it.
#pragma once

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/pdf_corpus.h"
#include "pdfdocument/pd_page.h"
#include "pdfdocument/pdf_document_handler.h"
#include "runtime/streams.h"

namespace vn::pdfdoc::model_testing {

// A handler holding the PDF given as bytes.
inline std::unique_ptr<TvnPDFDocumentHandler> OpenPdfBytes(const std::string& pdf, const std::string& password = {}) {
  auto handler = std::make_unique<TvnPDFDocumentHandler>();
  handler->SetPassword(password);
  handler->LoadDocument(new vn::TMemoryStream(std::vector<uint8_t>(pdf.begin(), pdf.end())), true);
  return handler;
}

// A path in the test's private temporary folder.
inline std::filesystem::path TempPdf(const std::string& name) { return std::filesystem::temp_directory_path() / name; }

// What pdfinfo prints of a page: its rotation and its media and crop boxes
// (x1 y1 x2 y2, lower-left first; the crop box clipped to the media box).
struct PageBoxes {
  int rot = 0;
  std::array<double, 4> media{};
  std::array<double, 4> crop{};
};

inline bool SameBoxes(const PageBoxes& a, const PageBoxes& b) {
  if (a.rot != b.rot) return false;
  for (size_t i = 0; i < 4; ++i)
    if (std::fabs(a.media[i] - b.media[i]) > 0.011 || std::fabs(a.crop[i] - b.crop[i]) > 0.011) return false;
  return true;
}

inline std::string BoxesText(const PageBoxes& p) {
  std::ostringstream out;
  out << "rot " << p.rot << " media";
  for (double v : p.media) out << ' ' << v;
  out << " crop";
  for (double v : p.crop) out << ' ' << v;
  return out.str();
}

// The pages pdfinfo prints boxes for, by number, from one run over pages
// 1 .. last; empty when pdfinfo fails, which `opened` then tells.
inline std::map<int, PageBoxes> PdfinfoBoxes(const std::filesystem::path& file, int last,
                                             const std::string& password = {}, bool* opened = nullptr) {
  std::string out;
  std::vector<std::string> args = {"pdfinfo", "-f", "1", "-l", std::to_string(last), "-box"};
  if (!password.empty()) args.insert(args.end(), {"-upw", password});
  args.push_back(file.string());
  const int status = vn::pdf::testing::RunProgram(args, &out);
  if (opened) *opened = status == 0;
  std::map<int, PageBoxes> pages;
  std::map<int, int> rotations;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    int page = 0;
    int rot = 0;
    std::array<double, 4> box{};
    char kind[16] = {};
    if (std::sscanf(line.c_str(), "Page %d rot: %d", &page, &rot) == 2) {
      rotations[page] = rot;
    } else if (std::sscanf(line.c_str(), "Page %d %15[A-Za-z]: %lf %lf %lf %lf", &page, kind, &box[0], &box[1], &box[2],
                           &box[3]) == 6) {
      if (std::string(kind) == "MediaBox") pages[page].media = box;
      if (std::string(kind) == "CropBox") pages[page].crop = box;
    }
  }
  for (auto& [page, boxes] : pages) boxes.rot = rotations[page];
  return pages;
}

// A rectangle with its corners ordered; US Letter for none.
inline std::array<double, 4> Ordered(const TvnPDRect* r) {
  if (!r) return {0, 0, TvnPDPage::kDefaultWidth, TvnPDPage::kDefaultHeight};
  return {std::min(r->Left(), r->Right()), std::min(r->Top(), r->Bottom()), std::max(r->Left(), r->Right()),
          std::max(r->Top(), r->Bottom())};
}

// The model's pages in pdfinfo's terms.
inline std::map<int, PageBoxes> ModelBoxes(TvnPDFDocumentHandler& handler) {
  std::map<int, PageBoxes> pages;
  for (int32_t i = 1; i <= handler.GetPageCount(); ++i) {
    TvnPDPage* page = handler.GetPage(i);
    PageBoxes p;
    p.rot = page->NormalizedRotate();
    p.media = Ordered(page->Mediabox());
    TvnPDRect* crop = page->Cropbox();
    p.crop = crop ? Ordered(crop) : p.media;
    p.crop = {std::max(p.crop[0], p.media[0]), std::max(p.crop[1], p.media[1]), std::min(p.crop[2], p.media[2]),
              std::min(p.crop[3], p.media[3])};
    pages[i] = p;
  }
  return pages;
}

}  // namespace vn::pdfdoc::model_testing
