// FreeType faces of font files, opened once and kept for the life of the
// process. FreeType is not thread-safe per face or per library, so every use
// of a face happens while holding the lease's lock (one process-wide
// recursive mutex).
//
// The faces here are for measuring. A caller that draws with cairo creates
// its own face from the file and face index (for instance
// cairo_ft_font_face_create_for_pattern with FC_FILE and FC_INDEX), because
// cairo changes the size and transform of the faces it is given. For the same
// reason the measuring code sets size and transform before each use.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <filesystem>
#include <mutex>

namespace vn::platform {

// A face with the process-wide FreeType lock held; the face stays valid after
// the lease ends (faces are never closed), but must only be used under a
// lease.
struct FaceLease {
  std::unique_lock<std::recursive_mutex> Lock;
  FT_Face Face = nullptr;
};

// The face `index` of a font file. Throws EFontError (font_catalog.h) with
// "Cannot open font file <path> (face <index>)" when the file is missing,
// damaged or has no such face.
FaceLease AcquireFace(const std::filesystem::path& file, int index);

// The process-wide lock and library, for code that works with FreeType
// directly (e.g. opening font bytes from memory).
std::unique_lock<std::recursive_mutex> LockFreeType();
FT_Library FreeTypeLibrary();  // call with the lock held

}  // namespace vn::platform
