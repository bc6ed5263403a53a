// Fuzz target over content streams: the input is the content of a page,
// run through the interpreter with the resources of a small fixed document
// (a simple font, a Type 3 font whose glyphs show text, a form that draws
// itself, a tiling pattern filled with itself, an image, colour spaces and
// ExtGStates) into a device that runs forms and patterns nested. The first
// byte chooses the device's text flags.
// Contract: nothing crashes, hangs, raises or reads out of bounds.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "pdf/base_doc.h"
#include "pdf/objects.h"
#include "pdf/streams.h"
#include "pdfdocument/pd_content_stream.h"
#include "pdfdocument/pd_form.h"
#include "pdfdocument/pd_pattern.h"
#include "pdfdocument/pd_resource.h"
#include "runtime/streams.h"

using namespace vn::pdf;
using namespace vn::pdfdoc;

namespace {

std::string StreamBody(const std::string& AEntries, const std::string& AData) {
  return "<< " + AEntries + " /Length " + std::to_string(AData.size()) + " >>\nstream\n" + AData + "\nendstream";
}

std::string FixedDocument() {
  const std::map<int, std::string> objects = {
      {1, "<< /Type /Catalog /Pages 2 0 R >>"},
      {2, "<< /Type /Pages /Kids [] /Count 0 >>"},
      {3, "<< /Font << /F1 4 0 R /T3 5 0 R >> /XObject << /Fm 7 0 R /Im 8 0 R >> /Pattern << /P 9 0 R >> "
          "/ColorSpace << /CS0 [/Indexed /DeviceRGB 1 <FF000000FF00>] /CS1 [/Pattern /DeviceRGB] >> "
          "/ExtGState << /GS << /CA 0.5 /ca 0.5 >> >> >>"},
      {4, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /FirstChar 32 /LastChar 126 >>"},
      {5, "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] /FontMatrix [0.001 0 0 0.001 0 0] "
          "/CharProcs << /a 6 0 R >> /Encoding << /Differences [32 /a 65 /a /a] >> /FirstChar 32 /LastChar 66 "
          "/Widths [500] /Resources 3 0 R >>"},
      {6, StreamBody("", "500 0 d0 0 0 m 500 0 l S BT /T3 1 Tf (A B) Tj [(A) 100 (B)] TJ ET")},
      {7, StreamBody("/Type /XObject /Subtype /Form /BBox [0 0 10 10] /Resources 3 0 R", "0 0 m 5 5 l S /Fm Do")},
      {8, StreamBody("/Type /XObject /Subtype /Image /Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray",
                     "ab")},
      {9, StreamBody("/Type /Pattern /PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 4 4] /XStep 4 /YStep 4 "
                     "/Resources 3 0 R",
                     "/Pattern cs /P scn 0 0 4 4 re f")},
  };
  std::string pdf = "%PDF-1.4\n";
  std::map<int, size_t> offsets;
  for (const auto& [number, body] : objects) {
    offsets[number] = pdf.size();
    pdf += std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
  }
  const size_t xref = pdf.size();
  pdf += "xref\n0 10\n0000000000 65535 f \n";
  for (int n = 1; n < 10; ++n) {
    std::string offset = std::to_string(offsets[n]);
    pdf += std::string(10 - offset.size(), '0') + offset + " 00000 n \n";
  }
  pdf += "trailer\n<< /Size 10 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

// Runs forms and the fill patterns nested, as a drawing device does.
class NestingDevice : public TvnPDExportDevice {
 public:
  explicit NestingDevice(uint8_t AFlags) {
    FUseDrawChar = (AFlags & 1) != 0;
    FCIDToGIDNeeded = (AFlags & 2) != 0;
    FInterpretType3Chars = (AFlags & 4) != 0;
  }
  void DrawFormXObject(TvnPDState& AState, TvnPDForm* AForm) override {
    TvnPDContentStream content(AForm->ParentDoc(), AForm, AForm->BaseObject());
    std::unique_ptr<TvnPDState> copy = AState.Copy();
    content.DispalyObject(this, copy.get(), AForm->Resources());
  }
  void Fill(TvnPDState& AState) override {
    if (TvnPDPattern* pattern = AState.FillPattern) {
      std::unique_ptr<TvnPDState> copy = AState.Copy();
      copy->ClearPath();
      pattern->GetContent()->DispalyObject(this, copy.get(), pattern->Resources());
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string document = FixedDocument();
  auto file = std::make_shared<vn::TMemoryStream>();
  file->WriteBuffer(document.data(), static_cast<int64_t>(document.size()));
  TvnPDBaseDoc doc;
  doc.LoadDocument(file.get(), "");
  TvnPDResource resources(&doc, nullptr, doc.GetObject(3));

  const uint8_t flags = size ? data[0] : 0;
  auto mem = std::make_shared<vn::TMemoryStream>();
  if (size > 1) mem->WriteBuffer(data + 1, static_cast<int64_t>(size - 1));
  TvnPDStream content(MakeRef<TvnMemoryStream>(mem, 0, 0, false), std::make_unique<TvnPDDictionary>());
  TvnPDArray contents;
  contents.Add(content.Clone());
  contents.Add(content.Clone());
  TvnPDContents page(&doc, nullptr, &contents);
  NestingDevice device(flags);
  TvnPDRect crop(0, 0, 200, 100);
  page.Display(&device, 72, 72, 1, (flags >> 3) % 4 * 90, &crop, &crop, &resources);
  return 0;
}
