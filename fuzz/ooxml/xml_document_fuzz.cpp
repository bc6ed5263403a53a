// Fuzz target for the XML parser and writer.
// Contract: any bytes in (read in chunks of 128 to 1151 bytes, chosen by the
// first byte, so that every construct meets a chunk's end somewhere); the
// parse ends with a tree or EXmlError, nothing else; the tree then writes
// (indented or compact), and what it writes reads back; no crash, leak or
// hang. Indented output grows with the square of the nesting depth, so only
// a quarter of the small inputs are written indented, to keep the target fast.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ooxml/xml_document.h"
#include "runtime/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int buffer_size = 128 + (data[0] << 2);
  vn::ooxml::TXmlVerySimple document;
  if (data[0] & 1) document.Options.Include(vn::ooxml::TXmlOption::doParseProcessingInstr);
  if ((data[0] & 6) || size > 2048) document.Options.Include(vn::ooxml::TXmlOption::doCompact);
  vn::TStringStream input(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  try {
    document.LoadFromStream(input, buffer_size);
  } catch (const vn::ooxml::EXmlError&) {
    return 0;
  }
  vn::TStringStream output;
  document.SaveToStream(output);
  vn::ooxml::TXmlVerySimple again;
  output.SetPosition(0);
  try {
    again.LoadFromStream(output, buffer_size);
  } catch (const vn::ooxml::EXmlError&) {
  }
  return 0;
}
