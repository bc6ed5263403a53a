// The objects a metafile selects without creating them (EMR_SELECTOBJECT
// and EMR_FILLRGN name them with the high bit set): the window system's
// stock brushes, pens, fonts and palette. Both metafile interpreters, the
// player onto canvases and the export engine's processor, read them here.
#pragma once

#include <cstdint>

#include "platform/emf/emf_records.h"

namespace vn::platform::emf {

struct StockObjectInfo {
  enum class Kind : uint8_t { None, Brush, Pen, Font, Palette };
  Kind kind = Kind::None;
  bool empty = false;   // NULL_BRUSH and NULL_PEN: paint nothing
  uint32_t color = 0;   // of a brush or pen, 0x00BBGGRR
};

// The stock object of an index (the high bit taken off); Kind::None for an
// index that names none.
constexpr StockObjectInfo StockObject(uint32_t index) {
  using K = StockObjectInfo::Kind;
  switch (index) {
    case WHITE_BRUSH: return {K::Brush, false, 0xFFFFFF};
    case LTGRAY_BRUSH: return {K::Brush, false, 0xC0C0C0};
    case GRAY_BRUSH: return {K::Brush, false, 0x808080};
    case DKGRAY_BRUSH: return {K::Brush, false, 0x404040};
    case BLACK_BRUSH: return {K::Brush, false, 0x000000};
    case NULL_BRUSH: return {K::Brush, true, 0xFFFFFF};
    case WHITE_PEN: return {K::Pen, false, 0xFFFFFF};
    case BLACK_PEN: return {K::Pen, false, 0x000000};
    case NULL_PEN: return {K::Pen, true, 0x000000};
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case ANSI_VAR_FONT:
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
    case SYSTEM_FIXED_FONT:
    case DEFAULT_GUI_FONT: return {K::Font};
    case DEFAULT_PALETTE: return {K::Palette};
    case DC_BRUSH: return {K::Brush, false, 0xFFFFFF};  // the default colour of the DC brush
    case DC_PEN: return {K::Pen, false, 0x000000};
    default: return {};
  }
}

}  // namespace vn::platform::emf
