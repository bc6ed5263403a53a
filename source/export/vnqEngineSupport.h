// What the export engine takes from the writers' helper routines: the
// rectangle of four doubles, the screen resolution the engine's pixels are
// measured in, the engine's four exception classes and the MD5 digest of
// image resources. Kept in this one header so the engine code names them in
// one way only.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/system.h"
#include "runtime/exceptions.h"

namespace vn::exporter {

// Left, Top, Right, Bottom as doubles.
struct TvnRect {
  double Left = 0;
  double Top = 0;
  double Right = 0;
  double Bottom = 0;
  bool operator==(const TvnRect&) const = default;
};

// The engine's pixels are pixels of the fixed reference screen.
inline int ScreenPixelsPerInch() { return vn::platform::kScreenPixelsPerInch; }
inline double ScreenPixelsPerPoint() { return vn::platform::kScreenPixelsPerInch / 72.0; }

VN_DECLARE_EXCEPTION(EInvalidPageNumber, Exception);
VN_DECLARE_EXCEPTION(EFileCreateError, Exception);
VN_DECLARE_EXCEPTION(EUnsupportedGraphics, Exception);
VN_DECLARE_EXCEPTION(EInvalidEngineState, Exception);

using TvnDigest = std::array<uint8_t, 16>;

// The MD5 digest of a byte string.
TvnDigest DigestMD5(std::string_view bytes);

}  // namespace vn::exporter
