// The installed fonts of the machine, as the document code asks the window
// system for them: the list of face names, exact "is this face installed"
// tests, matching a requested face name and style to a font file, and a
// fallback face for characters the requested font lacks.
//
// Faces come from fontconfig; the catalog is read once and kept for the life
// of the process (fonts installed later are not seen). Matching goes through
// a fixed alias table first (Arial -> Liberation Sans, Times New Roman ->
// Liberation Serif, Courier New -> Liberation Mono, Arial Unicode MS ->
// DejaVu Sans, unknown names -> Liberation Sans) and never through the
// machine's own fontconfig substitution rules, so results are the same on
// every machine with the project's fonts installed. All functions are safe
// to call from several threads.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/strings.h"

namespace vn::platform {

// A font that cannot be opened or read (missing or damaged file, no usable
// face at all).
VN_DECLARE_EXCEPTION(EFontError, Exception);

// GDI-like weights.
constexpr int kFontWeightNormal = 400;
constexpr int kFontWeightBold = 700;

// One face of a font file on disk.
struct FontFaceRef {
  std::filesystem::path File;
  int Index = 0;        // face index inside a collection (0 for a plain font)
  String Family;        // the face's first family name
  String Style;         // e.g. "Bold Italic"
  int Weight = kFontWeightNormal;  // 100..900
  bool Italic = false;  // italic or oblique design
  bool TrueTypeOutlines = true;  // glyf outlines (false: CFF)

  bool operator==(const FontFaceRef& other) const { return File == other.File && Index == other.Index; }
};

// The result of matching a requested face name and style.
struct FontMatch {
  FontFaceRef Face;
  String RequestedName;
  bool Substituted = false;     // the face is not the requested name (alias or default)
  bool SimulateBold = false;    // bold asked, the family has no bold face
  bool SimulateItalic = false;  // italic asked, the family has no italic face
};

// The family that stands in for a name nobody has: Liberation Sans.
String DefaultFontFamily();

// Every installed family name, sorted (ASCII case-insensitive), once each.
// A face with several family names (e.g. a typographic and a legacy family)
// appears under each.
const std::vector<String>& InstalledFontFamilies();

// Whether a family of exactly this name is installed (ASCII case-insensitive,
// blanks significant; no aliases).
bool IsFontFamilyInstalled(StringView family);

// The installed faces of a family (exact name, ASCII case-insensitive), in a
// fixed order; empty when it is not installed.
std::vector<FontFaceRef> FamilyFaces(StringView family);

// The names of the fixed alias table (Arial, Helvetica, Times New Roman,
// Times, Courier New, Courier, Arial Unicode MS), in table order.
std::vector<String> AliasedFontNames();

// The family the catalog uses for a requested face name: the alias table
// first, then the name itself when installed, else the default family.
String ResolveFontFamily(StringView face_name);

// Matches a face name and style to the face that draws it. Throws EFontError
// only when not even the default family is installed.
FontMatch MatchFont(StringView face_name, bool bold, bool italic);

// Whether the face maps the character (fontconfig's coverage of the face).
bool FaceCoversChar(const FontFaceRef& face, char32_t ch);

// A face that covers the character, for text the requested face lacks: the
// requested face itself when it covers it; else, among installed faces that
// do, the one closest in weight and slant, preferring the Noto Sans
// families, then DejaVu, then the rest by name. nullopt when no face covers
// it.
std::optional<FontFaceRef> FindFallbackFace(const FontFaceRef& requested, char32_t ch);

// A face for a whole text (the system's font linking for a string): the
// requested face when it covers every character; else the installed face,
// ranked as in FindFallbackFace, that covers all of them, or failing that
// the most of them. Blanks and control characters need no coverage. nullopt
// when no face covers any character the requested face lacks. With
// `truetype_only` only faces with TrueType (glyf) outlines are taken.
std::optional<FontFaceRef> FindFaceForText(const FontFaceRef& requested, std::u32string_view text,
                                           bool truetype_only = false);

}  // namespace vn::platform
