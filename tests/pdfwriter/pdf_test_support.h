// Test helpers of the PDF engine tests: an engine that writes into memory
// with a pinned clock, pixel units and a small custom page; reading objects
// and streams back from the bytes; running qpdf and pdftoppm when present.
#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "pdfwriter/extended_pdf_engine.h"
#include "runtime/datetime.h"
#include "support/prerequisites.h"

namespace vn::pdfwriter::testing {

using vn::exporter::TBrush;
using vn::exporter::TBrushStyle;
using vn::exporter::TPen;
using vn::exporter::TPenStyle;

// 2024-03-05 14:30:15 at UTC+01:00.
inline void PinClock(int offset_minutes = 60) {
  vn::SetClock([] { return vn::EncodeDateTime(2024, 3, 5, 14, 30, 15, 0); },
               [offset_minutes](vn::TDateTime) { return offset_minutes; });
}

class TestEngine : public TvnPDFEngine {
 public:
  explicit TestEngine(int width = 200, int height = 200) {
    Preferences().SetShowSetupDialog(false);
    Preferences().SetOpenAfterCreate(false);
    Preferences().SetOutputToUserStream(true);
    SetUserStream(&Output);
    SetMeasurementUnit(vn::exporter::TvnUnitType::muPixels);
    Page().SetPaperSize(vn::exporter::TvnPaperSize::Custom);
    Page().SetWidth(width);
    Page().SetHeight(height);
  }

  // Whatever document the engine wrote into memory passes qpdf --check
  // (opened with CheckPassword when it is encrypted).
  ~TestEngine() override;

  // The bytes written so far.
  std::string Bytes() const { return std::string(Output.Bytes().begin(), Output.Bytes().end()); }

  using TvnCustomDocumentEngine::AddItem;
  using TvnCustomPDFEngine::FormatNumber;
  using TvnCustomPDFEngine::WriteObject;
  using TvnCustomPDFEngine::WriteStreamObject;

  vn::TMemoryStream Output;
  std::string CheckPassword;
};

// The stream data of object n ("" when the object has no stream).
inline std::string StreamOf(const std::string& pdf, int n) {
  const std::string head = "\n" + std::to_string(n) + " 0 obj\r\n";
  size_t at = pdf.find(head);
  if (at == std::string::npos) return {};
  const size_t end_obj = pdf.find("endobj", at);
  const size_t start = pdf.find("stream\r\n", at);
  if (start == std::string::npos || start > end_obj) return {};
  const size_t data = start + 8;
  const size_t stop = pdf.find("\r\nendstream", data);
  return pdf.substr(data, stop - data);
}

// The body of object n between its header line and "endobj".
inline std::string ObjectOf(const std::string& pdf, int n) {
  const std::string head = "\n" + std::to_string(n) + " 0 obj\r\n";
  size_t at = pdf.find(head);
  if (at == std::string::npos) return {};
  at += head.size();
  return pdf.substr(at, pdf.find("endobj", at) - at);
}

inline std::string Inflate(const std::string& data) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return "<inflate failed>";
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  std::string out;
  int rc = Z_OK;
  while (rc == Z_OK) {
    char buffer[16384];
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    rc = inflate(&z, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - z.avail_out);
  }
  inflateEnd(&z);
  return rc == Z_STREAM_END ? out : "<inflate failed>";
}

// The content streams of the page objects, in page order (decompressed).
inline std::vector<std::string> PageContents(const std::string& pdf) {
  std::vector<std::string> contents;
  static const std::regex page(R"((\d+) 0 obj\r\n<<\r\n/Type/Page/[^\r]*?/Contents (\d+) 0 R)");
  for (auto it = std::sregex_iterator(pdf.begin(), pdf.end(), page); it != std::sregex_iterator(); ++it) {
    const int n = std::stoi((*it)[2]);
    std::string data = StreamOf(pdf, n);
    const std::string dict = ObjectOf(pdf, n);
    if (dict.find("FlateDecode") != std::string::npos) data = Inflate(data);
    contents.push_back(data);
  }
  return contents;
}

// Whether q and Q balance and never go below zero.
inline bool Balanced(const std::string& content) {
  int depth = 0;
  static const std::regex token(R"([^\s]+)");
  for (auto it = std::sregex_iterator(content.begin(), content.end(), token); it != std::sregex_iterator(); ++it) {
    const std::string t = it->str();
    if (t == "q") ++depth;
    if (t == "Q" && --depth < 0) return false;
  }
  return depth == 0;
}

// Runs a command; its exit status, and its output in `output`.
inline int Run(const std::string& command, std::string* output = nullptr) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  const int status = pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A folder of this test program's files, removed when the program ends.
struct TempFolder {
  std::filesystem::path path = std::filesystem::temp_directory_path() / ("vn_pdfwriter_" + std::to_string(::getpid()));
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

inline std::filesystem::path TempFile(const std::string& name) {
  static TempFolder folder;
  std::filesystem::create_directories(folder.path);
  return folder.path / name;
}

inline std::filesystem::path SaveTemp(const std::string& bytes, const std::string& name) {
  const auto path = TempFile(name);
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

// qpdf --check on the bytes (with the password of an encrypted file): the
// tool's output when it finds anything (warnings included), empty when
// clean or when qpdf is missing.
inline std::string QpdfProblems(const std::string& bytes, const std::string& name, const std::string& password = "") {
  if (!vn::test_support::HaveTool("qpdf")) return {};
  const auto path = SaveTemp(bytes, name);
  std::string out;
  const int rc = Run("qpdf --check '--password=" + password + "' '" + path.string() + "'", &out);
  if (rc == 0 && out.find("WARNING") == std::string::npos && out.find("No syntax or stream encoding errors") != std::string::npos)
    return {};
  return out.empty() ? "qpdf exit " + std::to_string(rc) : out;
}

struct Raster {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  // 0xRRGGBB of a pixel.
  uint32_t At(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * width + x) * 3;
    return (uint32_t{rgb[i]} << 16) | (uint32_t{rgb[i + 1]} << 8) | rgb[i + 2];
  }
};

// Page 1 rendered by pdftoppm at 96 dpi without anti-aliasing (one pixel
// per engine pixel); nullopt when pdftoppm is missing or fails.
inline std::optional<Raster> Render(const std::string& bytes, const std::string& name) {
  if (!vn::test_support::HaveTool("pdftoppm")) return std::nullopt;
  const auto pdf = SaveTemp(bytes, name + ".pdf");
  const auto prefix = TempFile(name);
  if (Run("pdftoppm -r 96 -aa no -aaVector no -f 1 -l 1 -singlefile '" + pdf.string() + "' '" + prefix.string() + "'") != 0)
    return std::nullopt;
  std::ifstream in(prefix.string() + ".ppm", std::ios::binary);
  std::string magic;
  int maxval = 0;
  Raster r;
  in >> magic >> r.width >> r.height >> maxval;
  in.get();
  if (magic != "P6" || maxval != 255) return std::nullopt;
  r.rgb.resize(static_cast<size_t>(r.width) * r.height * 3);
  in.read(reinterpret_cast<char*>(r.rgb.data()), static_cast<std::streamsize>(r.rgb.size()));
  return r;
}

inline TestEngine::~TestEngine() {
  const std::string bytes = Bytes();
  const size_t start = bytes.find("%PDF-");
  if (start != std::string::npos && bytes.size() >= 5 && bytes.compare(bytes.size() - 5, 5, "%%EOF") == 0)
    EXPECT_EQ(QpdfProblems(bytes.substr(start), "written.pdf", CheckPassword), "");
}

}  // namespace vn::pdfwriter::testing
