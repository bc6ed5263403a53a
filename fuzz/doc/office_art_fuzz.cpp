// Fuzz target for the drawing data of Word 97-2003 files: the input is read
// as the table stream holding the Office Art data, the shape anchors and the
// text boxes (each table over the whole input), as the WordDocument stream
// the blip store points into, and as the Data stream holding an inline
// picture at offset 0; then every anchor is asked for its floating picture
// or text box.
// Contract: any bytes in; reading finishes; every stored picture is empty
// or a file whose first bytes a picture decoder knows; anchors and their
// positions pair up; a picture made has its data in the collection; no
// crash, leak or hang.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "doc/binary_reader.h"
#include "doc/file_information_block.h"
#include "doc/shapes.h"
#include "platform/emf/emf_reader.h"
#include "platform/emf/wmf_converter.h"
#include "platform/images/image_codecs.h"
#include "wordmodel/resources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  vn::doc::TvnBinaryReader none(std::span<const uint8_t>{});
  vn::doc::TvnFIBBase fib(none);
  const auto length = static_cast<uint32_t>(size);
  fib.FlcbDggInfo = fib.FlcbPlcSpaMom = fib.FlcbPlcftxbxTxt = length;
  fib.FccpText = length;
  fib.FccpTxbx = 0xFFFF;
  vn::doc::TvnDocShapes shapes;
  shapes.ReadShapeAnchors(bytes, fib, fib.TotalCharacterCount());
  shapes.ReadTextBoxes(bytes, fib);
  shapes.ReadOfficeArt(bytes, bytes, fib);

  for (const auto& picture : shapes.BinaryImages()) {
    if (!picture) std::abort();
    const auto file = std::as_bytes(std::span<const uint8_t>(*picture));
    if (!picture->empty() && vn::platform::DetectImageFormat(file) == vn::platform::ImageFormat::Unknown &&
        !vn::platform::emf::EmfFile::IsEmf(file) && !vn::platform::emf::IsWmf(file))
      std::abort();
  }
  const auto& anchors = shapes.PlcfSpa();
  if (anchors.FCP.size() != anchors.FSpa.size()) std::abort();

  vn::wordmodel::TvnResourceCollection collection;
  if (auto image = shapes.InlinePicture(bytes, 0, &collection); image && image->GetImageStream() == nullptr) std::abort();
  for (const int64_t position : anchors.FCP) {
    if (auto image = shapes.FloatingPicture(position, &collection); image && image->GetImageStream() == nullptr)
      std::abort();
    const vn::doc::TvnFTXBXS* range = nullptr;
    if (shapes.FloatingTextBox(position, &range) && range == nullptr) std::abort();
  }
  return 0;
}
