// Fuzz target of the PDF engine's page content. Contract: any input, read
// as a sequence of drawing calls and page items (shapes with any numbers,
// NaN and infinities included, paths, region and path clips, poly items
// whose counts disagree with their points, new pages), gives a complete
// file ending in "%%EOF" whose graphics states balance; nothing worse than
// the library's exceptions leaves the engine.
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "pdfwriter/extended_pdf_engine.h"

namespace {

using namespace vn::exporter;

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool More() const { return pos_ < size_; }
  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  double Number() {
    // Mostly page-sized values, sometimes any double.
    const uint8_t kind = Byte();
    if (kind < 200) return static_cast<double>(static_cast<int8_t>(Byte())) * 2 + 100;
    double value = 0;
    uint8_t bytes[8];
    for (uint8_t& b : bytes) b = Byte();
    std::memcpy(&value, bytes, sizeof value);
    return value;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

class FuzzEngine : public vn::pdfwriter::TvnPDFEngine {
 public:
  FuzzEngine() {
    Preferences().SetShowSetupDialog(false);
    Preferences().SetOpenAfterCreate(false);
    Preferences().SetOutputToUserStream(true);
    SetUserStream(&Output);
    SetMeasurementUnit(TvnUnitType::muPixels);
    Compression().Enabled = false;
  }
  using TvnCustomDocumentEngine::AddItem;
  vn::TMemoryStream Output;
};

void Step(FuzzEngine& e, Reader& r) {
  switch (r.Byte() % 16) {
    case 0: e.Line(r.Number(), r.Number(), r.Number(), r.Number()); break;
    case 1: e.Rectangle(r.Number(), r.Number(), r.Number(), r.Number(), r.Byte() & 1); break;
    case 2: e.Ellipse(r.Number(), r.Number(), r.Number(), r.Number(), r.Byte() & 1); break;
    case 3: e.RoundRect(r.Number(), r.Number(), r.Number(), r.Number(), r.Number(), r.Number(), r.Byte() & 1); break;
    case 4: e.Arc(r.Number(), r.Number(), r.Number(), r.Number(), r.Number(), r.Number(), r.Number(), r.Number()); break;
    case 5: e.Pie(r.Number(), r.Number(), r.Number(), r.Number(), r.Number(), r.Number(), r.Number(), r.Number(), r.Byte() & 1); break;
    case 6: {
      TvnPoints points(r.Byte() % 9);
      for (auto& p : points) p = {r.Number(), r.Number()};
      const uint8_t kind = r.Byte() % 3;
      if (kind == 0) e.Polygon(points, r.Byte() & 1);
      else if (kind == 1) e.PolyLine(points);
      else e.PolyBezier(points);
      break;
    }
    case 7: {
      auto item = std::make_unique<TvnPathItem>();
      item->PathOperation = static_cast<TvnPathOperation>(r.Byte() % 8);
      item->Mode = r.Byte() % 6;
      item->FillAlternate = r.Byte() & 1;
      if (r.Byte() & 1) item->Pen = e.Pen();
      if (r.Byte() & 1) item->Brush = e.Brush();
      e.AddItem(std::move(item));
      break;
    }
    case 8: {
      auto item = std::make_unique<TvnClipItem>();
      item->Restore = r.Byte() % 4 == 0;
      item->Mode = r.Byte() % 6;
      item->SetRects(r.Byte() % 4);
      for (auto& rect : item->ClipRects)
        rect = {static_cast<int8_t>(r.Byte()) * 2, static_cast<int8_t>(r.Byte()) * 2, r.Byte(), r.Byte()};
      e.AddItem(std::move(item));
      break;
    }
    case 9: {
      auto item = std::make_unique<TvnEOFItem>();
      item->Status = r.Byte() & 1;
      e.AddItem(std::move(item));
      break;
    }
    case 10: {
      auto item = std::make_unique<TvnPolyPolygonItem>();
      item->NoPoly = r.Byte() % 4;
      item->SetNoPoints();
      for (auto& n : item->NoPoints) n = static_cast<int8_t>(r.Byte()) % 6;
      item->Points.resize(r.Byte() % 12);
      for (auto& p : item->Points) p = {r.Number(), r.Number()};
      item->Brush.Style = static_cast<TBrushStyle>(r.Byte() % 8);
      e.AddItem(std::move(item));
      break;
    }
    case 11: {
      auto item = std::make_unique<TvnPolyDrawItem>();
      item->NoPoints = r.Byte() % 10;
      item->SetPoints();
      for (size_t i = 0; i < item->Points.size(); ++i) {
        item->Points[i] = {r.Number(), r.Number()};
        item->Operations[i] = r.Byte() % 8;
      }
      e.AddItem(std::move(item));
      break;
    }
    case 12:
      e.Pen().Style = static_cast<TPenStyle>(r.Byte() % 7);
      e.Pen().Width = static_cast<int8_t>(r.Byte());
      break;
    case 13: e.Brush().Style = static_cast<TBrushStyle>(r.Byte() % 8); break;
    case 14: e.LineArtSettings().Opacity = static_cast<int8_t>(r.Byte()); break;
    case 15: e.NewPage(); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vn::SetClock([] { return 45000.5; }, [](vn::TDateTime) { return 0; });
  Reader reader(data, size);
  FuzzEngine engine;
  try {
    engine.BeginDoc();
    for (int steps = 0; reader.More() && steps < 400; ++steps) Step(engine, reader);
    engine.EndDoc();
  } catch (const vn::Exception&) {
    return 0;
  }
  const std::string pdf(engine.Output.Bytes().begin(), engine.Output.Bytes().end());
  if (pdf.size() < 5 || pdf.compare(pdf.size() - 5, 5, "%%EOF") != 0) std::abort();
  // Every q has its Q (no dictionary holds a lone q or Q token).
  long depth = 0;
  for (size_t i = 0; i < pdf.size(); ++i) {
    const char c = pdf[i];
    if (c != 'q' && c != 'Q') continue;
    const bool alone = (i == 0 || std::isspace(static_cast<unsigned char>(pdf[i - 1]))) &&
                       (i + 1 == pdf.size() || std::isspace(static_cast<unsigned char>(pdf[i + 1])));
    if (!alone) continue;
    depth += c == 'q' ? 1 : -1;
    if (depth < 0) std::abort();
  }
  if (depth != 0) std::abort();
  return 0;
}
