// Fuzz target for the text stream reader.
// Contract: any bytes in, read as UTF-8, UTF-16 (either order) or the ANSI
// code page, with or without byte-order-mark detection, in chunks of 128 to
// 1151 bytes (all chosen by the first two bytes), line by line and through
// the parser's look-ahead reads; the reader yields no more code units than
// there are bytes and always reaches the end; no crash, leak or hang.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ooxml/text_stream_reader.h"
#include "runtime/streams.h"

using vn::ooxml::TEncoding;
using vn::ooxml::TExtractTextOption;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const TEncoding* encodings[] = {TEncoding::UTF8(), TEncoding::Unicode(), TEncoding::BigEndianUnicode(),
                                  TEncoding::Default()};
  const TEncoding* encoding = encodings[data[0] & 3];
  const bool detect = data[0] & 4;
  const int buffer_size = 128 + (data[1] << 2);
  const size_t length = size - 2;
  vn::TStringStream input(std::string(reinterpret_cast<const char*>(data) + 2, length));
  vn::ooxml::TvnStreamReaderHelper reader(&input, encoding, detect, buffer_size);
  size_t units = 0;
  for (size_t step = 0; !reader.EndOfStream(); ++step) {
    if (step > length) std::abort();  // every step consumes at least one unit
    switch (step % 4) {
      case 0: units += reader.ReadLine().size() + 1; break;
      case 1: units += reader.ReadText(u"-->", {TExtractTextOption::etoStopString, TExtractTextOption::etoDeleteStopChar}).size() + 1; break;
      case 2: units += reader.ReadText(u"<>", {TExtractTextOption::etoDeleteStopChar}).size() + 1; break;
      case 3:
        if (!reader.IsUppercaseText(u"<!")) reader.IncCharPos(1);
        ++units;
        break;
    }
  }
  if (units > length + 2) std::abort();
  return 0;
}
