// Windows metafiles (the 16-bit format, plain or with the placeable
// header) converted into enhanced metafiles.
//
// Each WMF record becomes the EMF record of the same drawing call, with the
// WMF object table (lowest free slot first) carried over to EMF handles. The
// picture's frame comes from the placeable header (bounding box and units
// per inch), else from the window the metafile sets, else from the extent of
// its drawing. Damaged records are skipped and reported; a record whose size
// does not fit the file ends the conversion (what came before is kept).
#pragma once

#include <span>
#include <string>
#include <vector>

#include "platform/emf/emf_reader.h"

namespace vn::platform::emf {

// True when the bytes start like a WMF (placeable or plain).
bool IsWmf(std::span<const std::byte> data);

// Converts a WMF; throws EEmfError "Not a Windows metafile" when the header
// is not one. Damage found on the way is reported to `diagnostics`.
std::string ConvertWmfToEmf(std::span<const std::byte> wmf, Diagnostics* diagnostics = nullptr);

}  // namespace vn::platform::emf
