// Exceptions of the font-program readers. TvnKPNException roots their own
// tree; its EArgumentNilException, EArgumentOutOfRangeException and
// EStreamError are different types from the runtime's classes of the same
// names, so a caller can tell a font reader's failure from any other.
#pragma once

#include "runtime/exceptions.h"

namespace vn::fonts {

class TvnKPNException : public vn::Exception {
 public:
  using vn::Exception::Exception;
  // Left 0 by every raise in this library.
  int ErrorCode = 0;
};

VN_DECLARE_EXCEPTION(EArgumentNilException, TvnKPNException);
VN_DECLARE_EXCEPTION(EArgumentOutOfRangeException, TvnKPNException);
VN_DECLARE_EXCEPTION(EStreamError, TvnKPNException);

}  // namespace vn::fonts
