// Test helpers for the CFF readers: the bare CFF data of an OpenType font,
// and a builder of small CFF fonts whose tables a test spells out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/byte_reader.h"

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

}  // namespace vn::fonts::testing
