// What the export engine takes from the writers' helper routines, named once
// for the engine's namespace: the rectangle of doubles, the screen
// resolution its pixels are measured in, its four exception classes, the
// MD5 digest of image resources, the component base and the wide-string
// list of text lines.
#pragma once

#include "framework/base_classes.h"
#include "framework/crypt.h"
#include "framework/writer_routines.h"

namespace vn::exporter {

using vn::framework::EFileCreateError;
using vn::framework::EInvalidEngineState;
using vn::framework::EInvalidPageNumber;
using vn::framework::EUnsupportedGraphics;
using vn::MD5Digest;
using vn::framework::ScreenPixelsPerInch;
using vn::framework::ScreenPixelsPerPoint;
using vn::framework::TvnBaseComponent;
using vn::framework::TvnMD5;
using vn::framework::TvnRect;
using vn::framework::TWideStrings;

}  // namespace vn::exporter
