#include "platform/fonts/font_catalog.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>

#include "platform/fonts/font_faces.h"

namespace vn::platform {
namespace {

// Names that documents ask for, mapped to the families the project installs.
struct Alias {
  const char* Name;
  const char* Family;
};
constexpr Alias kAliases[] = {
    {"Arial", "Liberation Sans"},
    {"Helvetica", "Liberation Sans"},
    {"Times New Roman", "Liberation Serif"},
    {"Times", "Liberation Serif"},
    {"Courier New", "Liberation Mono"},
    {"Courier", "Liberation Mono"},
    {"Arial Unicode MS", "DejaVu Sans"},
};
constexpr const char* kDefaultFamilies[] = {"Liberation Sans", "DejaVu Sans"};

struct Entry {
  FontFaceRef Ref;
  std::vector<String> Families;
  int Width = 100;  // fontconfig width, 100 = normal
  FcCharSet* Charset = nullptr;
};

struct Catalog {
  std::vector<Entry> Entries;
  std::vector<String> Families;
  ~Catalog() {
    for (auto& e : Entries)
      if (e.Charset) FcCharSetDestroy(e.Charset);
  }
};

String FcString(FcPattern* p, const char* object, int n) {
  FcChar8* value = nullptr;
  if (FcPatternGetString(p, object, n, &value) != FcResultMatch || !value) return {};
  return FromUtf8(reinterpret_cast<const char*>(value));
}

bool LessNoCase(const String& a, const String& b) {
  int c = CompareText(a, b);
  return c != 0 ? c < 0 : a < b;
}

std::unique_ptr<Catalog> LoadCatalog() {
  auto catalog = std::make_unique<Catalog>();
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (!config) return catalog;
  FcPattern* pattern = FcPatternCreate();
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_STYLE, FC_FILE, FC_INDEX, FC_WEIGHT, FC_SLANT, FC_WIDTH,
                                          FC_CHARSET, FC_FONTFORMAT, FC_VARIABLE, FC_OUTLINE, nullptr);
  FcFontSet* set = FcFontList(config, pattern, objects);
  if (set) {
    for (int i = 0; i < set->nfont; ++i) {
      FcPattern* p = set->fonts[i];
      String format = FcString(p, FC_FONTFORMAT, 0);
      if (format != u"TrueType" && format != u"CFF") continue;  // sfnt fonts only
      FcBool variable = FcFalse;
      if (FcPatternGetBool(p, FC_VARIABLE, 0, &variable) == FcResultMatch && variable) continue;
      FcChar8* file = nullptr;
      if (FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch || !file) continue;
      Entry e;
      e.Ref.File = reinterpret_cast<const char*>(file);
      e.Ref.TrueTypeOutlines = format == u"TrueType";
      FcPatternGetInteger(p, FC_INDEX, 0, &e.Ref.Index);
      for (int n = 0;; ++n) {
        String family = FcString(p, FC_FAMILY, n);
        if (family.empty()) break;
        if (std::find(e.Families.begin(), e.Families.end(), family) == e.Families.end()) e.Families.push_back(family);
      }
      if (e.Families.empty()) continue;
      e.Ref.Family = e.Families.front();
      e.Ref.Style = FcString(p, FC_STYLE, 0);
      double weight = FC_WEIGHT_REGULAR;
      FcPatternGetDouble(p, FC_WEIGHT, 0, &weight);
      e.Ref.Weight = static_cast<int>(FcWeightToOpenTypeDouble(weight) + 0.5);
      int slant = FC_SLANT_ROMAN;
      FcPatternGetInteger(p, FC_SLANT, 0, &slant);
      e.Ref.Italic = slant != FC_SLANT_ROMAN;
      double width = FC_WIDTH_NORMAL;
      FcPatternGetDouble(p, FC_WIDTH, 0, &width);
      e.Width = static_cast<int>(width + 0.5);
      FcCharSet* charset = nullptr;
      if (FcPatternGetCharSet(p, FC_CHARSET, 0, &charset) == FcResultMatch && charset)
        e.Charset = FcCharSetCopy(charset);
      catalog->Entries.push_back(std::move(e));
    }
    FcFontSetDestroy(set);
  }
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  FcConfigDestroy(config);

  // A fixed order whatever order the directories were scanned in.
  std::sort(catalog->Entries.begin(), catalog->Entries.end(), [](const Entry& a, const Entry& b) {
    return std::tie(a.Ref.File, a.Ref.Index) < std::tie(b.Ref.File, b.Ref.Index);
  });
  for (const Entry& e : catalog->Entries)
    for (const String& f : e.Families) catalog->Families.push_back(f);
  std::sort(catalog->Families.begin(), catalog->Families.end(), LessNoCase);
  catalog->Families.erase(std::unique(catalog->Families.begin(), catalog->Families.end(),
                                      [](const String& a, const String& b) { return SameText(a, b); }),
                          catalog->Families.end());
  return catalog;
}

const Catalog& TheCatalog() {
  static std::once_flag once;
  static std::unique_ptr<Catalog> catalog;
  std::call_once(once, [] { catalog = LoadCatalog(); });
  return *catalog;
}

bool HasFamily(const Entry& e, StringView family) {
  return std::any_of(e.Families.begin(), e.Families.end(), [&](const String& f) { return SameText(f, family); });
}

// How far a face is from the asked style: slant first, then width, then weight.
int StyleDistance(const Entry& e, int weight, bool italic) {
  return (e.Ref.Italic != italic ? 100000 : 0) + std::abs(e.Width - 100) * 100 + std::abs(e.Ref.Weight - weight);
}

const Entry* BestInFamily(const Catalog& c, StringView family, int weight, bool italic) {
  const Entry* best = nullptr;
  int best_distance = 0;
  for (const Entry& e : c.Entries) {  // sorted by file and index: ties go to the first
    if (!HasFamily(e, family)) continue;
    int d = StyleDistance(e, weight, italic);
    if (!best || d < best_distance) {
      best = &e;
      best_distance = d;
    }
  }
  return best;
}

const Entry* FindEntry(const Catalog& c, const FontFaceRef& face) {
  for (const Entry& e : c.Entries)
    if (e.Ref == face) return &e;
  return nullptr;
}

// Preference among fallback families: the Noto Sans families, DejaVu Sans,
// other Noto and DejaVu families, then the rest.
int FamilyRank(const String& family) {
  if (StartsText(u"Noto Sans", family) && !StartsText(u"Noto Sans Mono", family)) return 0;
  if (SameText(family, u"DejaVu Sans")) return 1;
  if (StartsText(u"Noto", family)) return 2;
  if (StartsText(u"DejaVu", family)) return 3;
  return 4;
}

}  // namespace

String DefaultFontFamily() {
  for (const char* name : kDefaultFamilies)
    if (IsFontFamilyInstalled(FromAscii(name))) return FromAscii(name);
  const Catalog& c = TheCatalog();
  return c.Families.empty() ? FromAscii(kDefaultFamilies[0]) : c.Families.front();
}

const std::vector<String>& InstalledFontFamilies() { return TheCatalog().Families; }

bool IsFontFamilyInstalled(StringView family) {
  const auto& families = TheCatalog().Families;
  return std::any_of(families.begin(), families.end(), [&](const String& f) { return SameText(f, family); });
}

std::vector<String> AliasedFontNames() {
  std::vector<String> names;
  for (const Alias& alias : kAliases) names.push_back(FromAscii(alias.Name));
  return names;
}

std::vector<FontFaceRef> FamilyFaces(StringView family) {
  std::vector<FontFaceRef> faces;
  for (const Entry& e : TheCatalog().Entries)
    if (HasFamily(e, family)) faces.push_back(e.Ref);
  return faces;
}

String ResolveFontFamily(StringView face_name) {
  String name = Trim(face_name);
  for (const Alias& alias : kAliases) {
    if (SameText(name, FromAscii(alias.Name))) {
      String family = FromAscii(alias.Family);
      return IsFontFamilyInstalled(family) ? family : DefaultFontFamily();
    }
  }
  if (!name.empty()) {
    for (const String& f : TheCatalog().Families)
      if (SameText(f, name)) return f;
  }
  return DefaultFontFamily();
}

FontMatch MatchFont(StringView face_name, bool bold, bool italic) {
  const Catalog& c = TheCatalog();
  FontMatch match;
  match.RequestedName = String(face_name);
  String family = ResolveFontFamily(face_name);
  int weight = bold ? kFontWeightBold : kFontWeightNormal;
  const Entry* e = BestInFamily(c, family, weight, italic);
  if (!e) throw EFontError("No font is installed");
  match.Face = e->Ref;
  match.Substituted = !HasFamily(*e, Trim(face_name));
  match.SimulateBold = bold && e->Ref.Weight < 600;
  match.SimulateItalic = italic && !e->Ref.Italic;
  return match;
}

bool FaceCoversChar(const FontFaceRef& face, char32_t ch) {
  if (const Entry* e = FindEntry(TheCatalog(), face)) return e->Charset && FcCharSetHasChar(e->Charset, ch);
  try {
    FaceLease lease = AcquireFace(face.File, face.Index);
    return FT_Get_Char_Index(lease.Face, ch) != 0;
  } catch (const EFontError&) {
    return false;
  }
}

std::optional<FontFaceRef> FindFallbackFace(const FontFaceRef& requested, char32_t ch) {
  return FindFaceForText(requested, std::u32string_view(&ch, 1));
}

std::optional<FontFaceRef> FindFaceForText(const FontFaceRef& requested, std::u32string_view text, bool truetype_only) {
  const bool requested_fits = !truetype_only || requested.TrueTypeOutlines;
  std::u32string needed;
  for (char32_t ch : text)
    if (ch > 0x20 && !(ch >= 0x7F && ch <= 0xA0) && (!requested_fits || !FaceCoversChar(requested, ch))) needed.push_back(ch);
  if (needed.empty()) return requested_fits ? std::optional<FontFaceRef>(requested) : std::nullopt;
  const Catalog& c = TheCatalog();
  const Entry* best = nullptr;
  // Most characters covered first, then family preference, name and style.
  std::tuple<int, int, String, int> best_key;
  for (const Entry& e : c.Entries) {
    if (!e.Charset || (truetype_only && !e.Ref.TrueTypeOutlines)) continue;
    int missing = 0;
    for (char32_t ch : needed) missing += FcCharSetHasChar(e.Charset, ch) ? 0 : 1;
    if (missing == static_cast<int>(needed.size())) continue;
    auto key = std::make_tuple(missing, FamilyRank(e.Ref.Family), LowerCase(e.Ref.Family),
                               StyleDistance(e, requested.Weight, requested.Italic));
    if (!best || key < best_key) {
      best = &e;
      best_key = std::move(key);
    }
  }
  if (!best) return std::nullopt;
  return best->Ref;
}

}  // namespace vn::platform
