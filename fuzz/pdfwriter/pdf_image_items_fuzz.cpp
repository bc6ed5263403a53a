// Fuzz target of the PDF engine's image objects. Contract: any input; its
// first four bytes choose the road (a kept stream handed to DrawJPEGDirect,
// or a graphic drawn as an image item), the output format, the placement
// flags and the box, and the rest are the picture's file bytes (anything:
// JPEG, PNG, BMP, damaged or not). The document then ends with a complete
// file ending in "%%EOF", or EndDoc throws one of the library's exceptions
// (a picture that cannot be read). Nothing else: no crash, overrun, hang or
// unbounded allocation.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "pdfwriter/extended_pdf_engine.h"

namespace {

using namespace vn::exporter;

class ImageItemsEngine : public vn::pdfwriter::TvnPDFEngine {
 public:
  ImageItemsEngine() {
    Preferences().SetShowSetupDialog(false);
    Preferences().SetOpenAfterCreate(false);
    Preferences().SetOutputToUserStream(true);
    SetUserStream(&Output);
    SetMeasurementUnit(TvnUnitType::muPixels);
    Page().SetPaperSize(TvnPaperSize::Custom);
    Page().SetWidth(300);
    Page().SetHeight(200);
  }
  vn::TMemoryStream Output;
};

// A picture given as file bytes with a claimed size (which need not match).
class BytesGraphic : public TGraphic {
 public:
  BytesGraphic(std::string bytes = "", int32_t w = 0, int32_t h = 0) : bytes_(std::move(bytes)), w_(w), h_(h) {}
  std::unique_ptr<TGraphic> NewEmpty() const override { return std::make_unique<BytesGraphic>(); }
  void Assign(const TGraphic& source) override { *this = dynamic_cast<const BytesGraphic&>(source); }
  void SaveToStream(vn::TStream& stream) const override { stream.WriteString(bytes_); }
  int32_t Width() const override { return w_; }
  int32_t Height() const override { return h_; }

 private:
  std::string bytes_;
  int32_t w_, h_;
};

constexpr TvnOutputImageFormat kFormats[] = {TvnOutputImageFormat::ifBMP, TvnOutputImageFormat::ifJPEG,
                                             TvnOutputImageFormat::ifCCITT3, TvnOutputImageFormat::ifCCITT4};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const uint8_t mode = data[0];
  const double w = static_cast<int8_t>(data[1]), h = static_cast<int8_t>(data[2]);
  const uint8_t claimed = data[3];
  const std::string bytes(reinterpret_cast<const char*>(data + 4), size - 4);
  ImageItemsEngine engine;
  engine.ImageSettings().SetOutputImageFormat(kFormats[(mode >> 1) & 3]);
  engine.ImageSettings().Stretch = mode & 8;
  engine.ImageSettings().Center = mode & 16;
  engine.ImageSettings().Autosize = mode & 32;
  engine.ImageSettings().Transparent = mode & 64;
  engine.ImageSettings().Inclination = mode & 128 ? 30 : 0;
  try {
    engine.BeginDoc();
    const TvnRect rect{10, 10, 10 + w, 10 + h};
    if (mode & 1) {
      vn::TMemoryStream stream;
      stream.WriteString(bytes);
      engine.DrawJPEGDirect(rect, claimed, claimed, stream);
      engine.DrawJPEGDirect(rect, claimed, claimed, stream);  // the same bytes again
    } else {
      const BytesGraphic graphic(bytes, claimed % 64, claimed / 4);
      engine.DrawImage(rect, graphic);
      engine.NewPage();
      engine.DrawImage(rect, graphic);
    }
    engine.EndDoc();
  } catch (const vn::Exception&) {
    return 0;
  }
  const std::string_view out = engine.Output.View();
  if (out.size() < 6 || out.substr(out.size() - 7).find("%%EOF") == std::string_view::npos) std::abort();
  return 0;
}
