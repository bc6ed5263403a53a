// Test helpers for the CFF readers: the bare CFF data of an OpenType font,
// and a builder of small CFF fonts whose tables a test spells out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/byte_reader.h"
#include "type1_test_fonts.h"

namespace vn::fonts::testing {

// The bare CFF data of an OpenType font (its "CFF " table); "" without one.
inline std::string CffTable(const std::string& otf) {
  ByteReader r(otf);
  r.Skip(4);
  const uint16_t tables = r.U16BE();
  r.Skip(6);
  for (uint16_t i = 0; i < tables && r.ok(); ++i) {
    const std::string tag = r.String(4);
    r.Skip(4);
    const uint32_t offset = r.U32BE(), length = r.U32BE();
    if (tag == "CFF " && offset <= otf.size() && length <= otf.size() - offset) return otf.substr(offset, length);
  }
  return {};
}

// An INDEX of the given objects (offset size 4).
inline std::string CffIndex(const std::vector<std::string>& objects) {
  std::string out;
  out += static_cast<char>(objects.size() >> 8);
  out += static_cast<char>(objects.size() & 0xFF);
  if (objects.empty()) return out;
  out += '\x04';
  uint32_t offset = 1;
  auto put = [&](uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out += static_cast<char>((v >> s) & 0xFF);
  };
  put(offset);
  for (const std::string& o : objects) put(offset += static_cast<uint32_t>(o.size()));
  for (const std::string& o : objects) out += o;
  return out;
}

// A DICT integer operand in its five-byte form, so that a DICT's size does
// not depend on the offsets it holds.
inline std::string CffInt(int32_t v) {
  std::string out = "\x1d";
  for (int s = 24; s >= 0; s -= 8) out += static_cast<char>((static_cast<uint32_t>(v) >> s) & 0xFF);
  return out;
}

// A DICT operator: one byte, or 12 and a second byte for keys from 1200.
inline std::string CffOp(int key) {
  return key >= 1200 ? std::string{'\x0c', static_cast<char>(key - 1200)} : std::string(1, static_cast<char>(key));
}

// A Type 2 charstring from its text form ("100 0 rmoveto endchar").
inline std::string Type2(const std::string& text) {
  const Bytes b = Assemble(text, true);
  return std::string(b.begin(), b.end());
}

// A plain CFF font: glyph 0 is .notdef, the others follow the charset. An
// empty `charset` selects the predefined charset charset_id, an empty
// `encoding` the predefined encoding encoding_id; otherwise they are the
// tables' bytes. top_extra and private_extra are DICT bytes added in front.
struct CffBuilder {
  std::string name = "TestFont";
  std::vector<std::string> strings;
  std::vector<std::string> global_subrs;
  std::vector<std::string> local_subrs;
  std::vector<std::string> charstrings = {Type2("endchar")};
  std::string charset;
  int charset_id = 0;
  std::string encoding;
  int encoding_id = 0;
  std::string top_extra;
  std::string private_extra;
  int header_size = 4;

  std::string Build() const {
    // Five-byte operands keep the DICTs' sizes independent of the offsets
    // they hold, so a first layout with zeros gives every position.
    auto private_dict = [&](int32_t size) {
      return private_extra + (local_subrs.empty() ? std::string() : CffInt(size) + CffOp(19));
    };
    auto top_dict = [&](int32_t charset_at, int32_t encoding_at, int32_t charstrings_at, int32_t private_at) {
      return top_extra + CffInt(charset.empty() ? charset_id : charset_at) + CffOp(15) +
             CffInt(encoding.empty() ? encoding_id : encoding_at) + CffOp(16) + CffInt(charstrings_at) + CffOp(17) +
             CffInt(static_cast<int32_t>(private_dict(0).size())) + CffInt(private_at) + CffOp(18);
    };
    const std::string header = std::string("\x01\x00", 2) + static_cast<char>(header_size) + '\x04' +
                               std::string(static_cast<size_t>(header_size - 4), '\0');
    const std::string head = header + CffIndex({name});
    const std::string tail = CffIndex(strings) + CffIndex(global_subrs);
    const auto charset_at = static_cast<int32_t>(head.size() + CffIndex({top_dict(0, 0, 0, 0)}).size() + tail.size());
    const auto encoding_at = charset_at + static_cast<int32_t>(charset.size());
    const auto charstrings_at = encoding_at + static_cast<int32_t>(encoding.size());
    const std::string charstrings_index = CffIndex(charstrings);
    const auto private_at = charstrings_at + static_cast<int32_t>(charstrings_index.size());
    const std::string priv = private_dict(static_cast<int32_t>(private_dict(0).size()));
    return head + CffIndex({top_dict(charset_at, encoding_at, charstrings_at, private_at)}) + tail + charset +
           encoding + charstrings_index + priv + (local_subrs.empty() ? std::string() : CffIndex(local_subrs));
  }
};

}  // namespace vn::fonts::testing
