// Fuzz target for the writer helpers that take outside text and bytes: hex
// texts, PDF literal escaping, justification, the wide-string list's UTF-16
// loading and line splitting, and big-endian reads from the memory stream
// (lengths and offsets taken from the data itself).
//
// Contract: any input; no crash, hang, leak or undefined behaviour. Reads
// past the end of the stream raise EReadError, which is the only exception
// expected here.
#include <cstddef>
#include <cstdint>
#include <string>

#include "framework/base_classes.h"
#include "framework/writer_routines.h"
#include "runtime/exceptions.h"
#include "runtime/md5.h"
#include "runtime/rc4.h"
#include "runtime/streams.h"

using namespace vn::framework;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  // The bytes as UTF-16LE text (an odd last byte dropped), at most 4096 units.
  vn::String text;
  for (size_t i = 0; i + 1 < size && text.size() < 4096; i += 2)
    text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));

  uint8_t value = 0;
  HexStrToByte(text, value);
  (void)IsHexText(text);
  (void)EscapePDFLiteral(text);
  (void)ReverseText(text);
  (void)FindExtensionEnd(text);
  (void)ReplaceTextIgnoreCase(text, text.substr(0, 2), u"xy");
  (void)PosFrom(text.substr(0, 1), text, size % 7);
  const double target = size > 0 ? data[0] * 8.0 : 0;
  (void)JustifyTextToWidth(text, [](vn::StringView s) { return static_cast<int32_t>(s.size() * 7); }, target);
  (void)AnsiToHexText(bytes);
  (void)StripTrailingCRLF(bytes);
  (void)vn::MD5Of(std::string_view(bytes));

  {
    vn::TStringStream stream(bytes);
    stream.SetPosition(size % 3);
    TWideStrings lines;
    lines.LoadFromStream(stream);
    for (int32_t i = 0; i < lines.Count(); ++i) (void)lines.IndexOfIgnoreCase(lines.GetString(i));
  }

  // A small program over the stream's own bytes: each opcode reads a value.
  TvnExtMemStream stream;
  stream.WriteByteArray(std::span<const uint8_t>(data, size));
  stream.SetPosition(0);
  try {
    for (int step = 0; step < 1000; ++step) {
      switch (stream.ReadByte() % 8) {
        case 0: (void)stream.ReadShort(); break;
        case 1: (void)stream.ReadUShort(); break;
        case 2: (void)stream.ReadLong(); break;
        case 3: (void)stream.ReadULong(); break;
        case 4: (void)stream.ReadString(stream.ReadLong()); break;
        case 5: stream.SkipBytes(stream.ReadShort()); break;
        case 6: stream.PadTo4Bytes(); stream.SetPosition(stream.ReadByte()); break;
        default: stream.WriteUShort(stream.ReadUShort()); break;
      }
    }
  } catch (const vn::EReadError&) {
  }

  if (size > 0) {
    vn::RC4Cipher cipher(std::span<const uint8_t>(data, std::min<size_t>(size, 256)));
    std::string copy = bytes;
    cipher.Crypt(std::span<uint8_t>(reinterpret_cast<uint8_t*>(copy.data()), copy.size()));
  }
  return 0;
}
