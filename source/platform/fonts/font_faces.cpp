#include "platform/fonts/font_faces.h"

#include <map>
#include <string>
#include <utility>

#include "platform/fonts/font_catalog.h"

namespace vn::platform {
namespace {

std::recursive_mutex& Mutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

struct Library {
  FT_Library Handle = nullptr;
  std::map<std::pair<std::string, int>, FT_Face> Faces;
  Library() {
    if (FT_Init_FreeType(&Handle) != 0) Handle = nullptr;
  }
  ~Library() {
    for (auto& [key, face] : Faces) FT_Done_Face(face);
    if (Handle) FT_Done_FreeType(Handle);
  }
};

Library& TheLibrary() {
  static Library library;
  return library;
}

}  // namespace

std::unique_lock<std::recursive_mutex> LockFreeType() { return std::unique_lock<std::recursive_mutex>(Mutex()); }

FT_Library FreeTypeLibrary() {
  FT_Library handle = TheLibrary().Handle;
  if (!handle) throw EFontError("Cannot initialise the font library");
  return handle;
}

FaceLease AcquireFace(const std::filesystem::path& file, int index) {
  FaceLease lease{LockFreeType(), nullptr};
  Library& library = TheLibrary();
  auto key = std::make_pair(file.string(), index);
  auto it = library.Faces.find(key);
  if (it != library.Faces.end()) {
    lease.Face = it->second;
    return lease;
  }
  FT_Face face = nullptr;
  if (index < 0 || FT_New_Face(FreeTypeLibrary(), key.first.c_str(), index, &face) != 0 || !face) {
    throw EFontError("Cannot open font file " + key.first + " (face " + std::to_string(index) + ")");
  }
  if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
    FT_Done_Face(face);
    throw EFontError("Font file " + key.first + " holds no scalable face");
  }
  library.Faces.emplace(key, face);
  lease.Face = face;
  return lease;
}

}  // namespace vn::platform
