// The JBIG2 decoder's own exception. Decoding failures inside one region or
// dictionary are raised as TvnJBIG2Exception and contained by whoever asked
// for the bitmap; header damage is raised as a plain vn::Exception with the
// message kSegmentError.
#pragma once

#include <string>

#include "runtime/exceptions.h"

namespace vn::pdf::jbig2 {

VN_DECLARE_EXCEPTION(TvnJBIG2Exception, vn::Exception);

// The message of every failure while a segment header is read.
inline constexpr const char* kSegmentError = "segment rendring error";

}  // namespace vn::pdf::jbig2
