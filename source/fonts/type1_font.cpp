#include "fonts/type1_font.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "fonts/standard_names.h"
#include "fonts/type1_program_impl.h"
#include "runtime/codepages.h"

namespace vn::fonts {
namespace {

using type1::Scanner;
using type1::Token;

// FontInfo and font-dictionary keys kept as text, with the key they are kept under.
constexpr std::pair<std::string_view, const char*> kInfoKeys[] = {
    {"version", "version"},
    {"Notice", "Notice"},
    {"Copyright", "copyright"},
    {"FullName", "FullName"},
    {"FamilyName", "FamilyName"},
    {"Weight", "Weight"},
    {"ItalicAngle", "ItalicAngle"},
    {"isFixedPitch", "FixedPitch"},
    {"UnderlinePosition", "UnderlinePosition"},
    {"UnderlineThickness", "UnderlineThicknessVal"},
    {"PaintType", "PaintType"},
    {"FontType", "FontType"},
    {"UniqueID", "UniqueID"},
    {"StrokeWidth", "StrokeWidth"},
};

constexpr std::string_view kPrivateKeys[] = {
    "UniqueID",  "BlueValues", "OtherBlues",    "FamilyBlues", "FamilyOtherBlues", "BlueScale", "BlueShift",
    "BlueFuzz",  "StdHW",      "StdVW",         "StemSnapH",   "StemSnapV",        "LanguageGroup",
    "password",  "lenIV",      "MinFeature",    "RndStemUp",   "ForceBold",
};

bool FirstLineMarksType1(std::span<const uint8_t> data) {
  const auto end = std::find_if(data.begin(), data.end(), [](uint8_t c) { return c == '\r' || c == '\n'; });
  const std::string_view line(reinterpret_cast<const char*>(data.data()), static_cast<size_t>(end - data.begin()));
  return line.find("%!PS-AdobeFont") != std::string_view::npos || line.find("%!FontType") != std::string_view::npos;
}

std::optional<int64_t> Integer(const Token& t) {
  if (t.kind != Token::Number || t.number != std::trunc(t.number) || std::fabs(t.number) > 1e9) return std::nullopt;
  return static_cast<int64_t>(t.number);
}

// The number texts of an array or procedure whose opening token was just read.
std::vector<std::string> NumberList(Scanner& s) {
  std::vector<std::string> numbers;
  for (Token t = s.Next(); t.kind != Token::End && t.kind != Token::CloseArray && t.kind != Token::CloseProc;
       t = s.Next()) {
    if (t.kind == Token::Number) numbers.emplace_back(t.text);
  }
  return numbers;
}

// A value as the dictionaries keep it: string contents, names, numbers and
// words as written; number lists joined by spaces.
std::optional<std::string> ValueText(Scanner& s, const Token& t) {
  switch (t.kind) {
    case Token::String:
      return type1::Unescape(t.text);
    case Token::Name:
    case Token::Number:
    case Token::Word:
      return std::string(t.text);
    case Token::OpenArray:
    case Token::OpenProc: {
      std::string joined;
      for (const std::string& n : NumberList(s)) joined += (joined.empty() ? "" : " ") + n;
      return joined;
    }
    default:
      return std::nullopt;
  }
}

String Text(const std::string& bytes) { return AnsiToString(bytes); }

}  // namespace

void TvnType1pfbHandler::Clear() {
  FFontinfo.clear();
  FFontdictt.clear();
  FFontdict.clear();
  FEncodings.clear();
  FHasEncodingArray = false;
  FPrivatedict.clear();
  Fsubr.clear();
  FCharStringsDict.Clear();
  FFontMatrix = kDefaultFontMatrix;
}

bool TvnType1pfbHandler::Check(TStream& AStream) {
  Clear();
  const int64_t size = AStream.Size();
  if (size <= 0 || size > kMaxProgramBytes) return false;
  AStream.Seek(0, SeekOrigin::soBeginning);
  TvnByteArray data(static_cast<size_t>(size));
  data.resize(static_cast<size_t>(std::max<int64_t>(AStream.Read(data.data(), size), 0)));
  const std::span<const uint8_t> all(data);
  if (all.empty() || (!type1::IsPfb(all) && !FirstLineMarksType1(all))) return false;

  TvnByteArray cipher;
  size_t eexec_end = std::string_view::npos;
  if (type1::IsPfb(all)) {
    // The binary segments are the encrypted part, byte for byte.
    type1::PfbParts parts = type1::UnwrapPfb(all);
    ReadClearText(parts.clear_text, eexec_end);
    cipher = type1::EexecCiphertext(parts.binary);
  } else {
    ReadClearText(all, eexec_end);
    if (eexec_end == std::string_view::npos) return false;
    // The encrypted part starts after the white space that follows eexec (its
    // first byte is never white space).
    auto white = [](uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (eexec_end < all.size() && white(all[eexec_end])) ++eexec_end;
    cipher = type1::EexecCiphertext(all.subspan(eexec_end));
  }
  const TvnByteArray plain = type1::Decrypt(cipher, type1::kEexecKey);
  // The first four plain bytes are random.
  if (plain.size() > 4) ReadPrivatePart(std::span<const uint8_t>(plain).subspan(4));
  return !FCharStringsDict.empty();
}

void TvnType1pfbHandler::ReadClearText(std::span<const uint8_t> text, size_t& eexec_end) {
  Scanner s(text);
  for (Token t = s.Next(); t.kind != Token::End; t = s.Next()) {
    if (t.IsWord("eexec")) {
      eexec_end = s.position();
      return;
    }
    if (t.kind != Token::Name) continue;
    const size_t after_key = s.position();
    const Token v = s.Next();
    if (t.text == "FontName" && v.kind == Token::Name) {
      FFontinfo.emplace("FontName", std::string("/").append(v.text));
    } else if (t.text == "FontMatrix" || t.text == "FontBBox") {
      if (v.kind != Token::OpenArray && v.kind != Token::OpenProc) {
        s.Seek(after_key);
        continue;
      }
      std::vector<std::string> numbers = NumberList(s);
      if (t.text == "FontMatrix") {
        // Entries that do not convert keep their default; a matrix that
        // cannot map glyph space (not finite, not invertible) is not taken.
        TvnFontMatrix m = kDefaultFontMatrix;
        for (size_t i = 0; i < std::min<size_t>(numbers.size(), 6); ++i)
          if (auto n = type1::ParseNumber(numbers[i])) m[i] = *n;
        const double det = m[0] * m[3] - m[1] * m[2];
        if (std::isfinite(det) && det != 0 && std::isfinite(m[4]) && std::isfinite(m[5])) FFontMatrix = m;
      }
      FFontdictt[std::string(t.text)] = std::move(numbers);
    } else if (t.text == "Encoding") {
      if (v.kind == Token::Word) {
        FFontdict["Encoding"] = std::string(v.text);
      } else if (v.kind == Token::Number) {
        FHasEncodingArray = true;
        ReadEncodingArray(s);
      } else {
        s.Seek(after_key);
      }
    } else {
      const auto key = std::find_if(std::begin(kInfoKeys), std::end(kInfoKeys),
                                    [&](const auto& k) { return k.first == t.text; });
      std::optional<std::string> value;
      if (key != std::end(kInfoKeys) && (value = ValueText(s, v))) {
        if (t.text == "Notice")
          FFontinfo[key->second] = *value;
        else
          FFontinfo.emplace(key->second, *value);
      } else {
        s.Seek(after_key);
      }
    }
  }
}

// "dup <code> /<name> put" entries up to the def that ends the array; a code
// met twice keeps its first name.
void TvnType1pfbHandler::ReadEncodingArray(Scanner& s) {
  int depth = 0;
  for (;;) {
    const size_t before = s.position();
    const Token t = s.Next();
    switch (t.kind) {
      case Token::End:
        return;
      case Token::OpenArray:
      case Token::OpenProc:
        ++depth;
        continue;
      case Token::CloseArray:
      case Token::CloseProc:
        depth = std::max(depth - 1, 0);
        continue;
      default:
        break;
    }
    if (t.IsWord("eexec")) {
      s.Seek(before);
      return;
    }
    if (depth > 0) continue;
    if (t.IsWord("def")) return;
    if (!t.IsWord("dup")) continue;
    const size_t after_dup = s.position();
    const Token code = s.Next(), name = s.Next(), put = s.Next();
    const auto c = Integer(code);
    if (c && name.kind == Token::Name && put.IsWord("put")) {
      if (*c >= 0 && *c < 256) FEncodings.emplace(static_cast<int32_t>(*c), std::string(name.text));
    } else {
      s.Seek(after_dup);
    }
  }
}

void TvnType1pfbHandler::ReadPrivatePart(std::span<const uint8_t> plain) {
  enum class Section { Other, Subrs, CharStringsHeader, CharStrings } section = Section::Other;
  int len_iv = 4;
  auto charstring = [&](std::span<const uint8_t> bytes) {
    return len_iv >= 0 ? type1::Decrypt(bytes, type1::kCharstringKey) : TvnByteArray(bytes.begin(), bytes.end());
  };
  Scanner s(plain);
  for (Token t = s.Next(); t.kind != Token::End; t = s.Next()) {
    if (section == Section::CharStrings) {
      // /<name> <count> RD <binary> ND ... end
      if (t.IsWord("end")) {
        section = Section::Other;
      } else if (t.kind == Token::Name) {
        const size_t mark = s.position();
        const Token count = s.Next(), rd = s.Next();
        if (count.kind != Token::Number || rd.kind != Token::Word) {
          s.Seek(mark);
          continue;
        }
        const auto bytes = s.Binary(count.number);
        if (!bytes) return;  // cut off
        FCharStringsDict.Insert(std::string(t.text), TvnBytes(charstring(*bytes)));
      }
      continue;
    }
    if (t.IsWord("closefile")) return;
    if (section == Section::Subrs && t.IsWord("dup")) {
      // dup <index> <count> RD <binary> NP
      const size_t mark = s.position();
      const Token index = s.Next(), count = s.Next(), rd = s.Next();
      const auto i = Integer(index);
      if (!i || count.kind != Token::Number || rd.kind != Token::Word) {
        s.Seek(mark);
        continue;
      }
      const auto bytes = s.Binary(count.number);
      if (!bytes) return;
      if (*i >= 0 && *i < kMaxSubrs) {
        if (static_cast<size_t>(*i) >= Fsubr.size()) Fsubr.resize(static_cast<size_t>(*i) + 1);
        Fsubr[static_cast<size_t>(*i)] = charstring(*bytes);
      }
      continue;
    }
    if (section == Section::CharStringsHeader && t.IsWord("begin")) {
      section = Section::CharStrings;
      continue;
    }
    if (t.kind != Token::Name) continue;
    if (t.text == "Subrs") {
      section = Section::Subrs;
    } else if (t.text == "CharStrings") {
      section = Section::CharStringsHeader;
    } else if (std::find(std::begin(kPrivateKeys), std::end(kPrivateKeys), t.text) != std::end(kPrivateKeys)) {
      const size_t mark = s.position();
      const Token v = s.Next();
      const auto value = ValueText(s, v);
      if (!value || v.kind == Token::Name) {
        s.Seek(mark);
        continue;
      }
      if (t.text == "lenIV") {
        if (auto n = Integer(v)) len_iv = static_cast<int>(*n);
      }
      FPrivatedict.emplace(std::string(t.text), *value);
    }
  }
}

std::string TvnType1pfbHandler::GetGlyphName(int32_t GlyphId) const {
  if (FHasEncodingArray) {
    const auto it = FEncodings.find(GlyphId);
    return it != FEncodings.end() ? it->second : std::string();
  }
  if (FFontdict.count("Encoding") && GlyphId >= 0 && GlyphId < 256) return std::string(StandardGlyphName(GlyphId));
  return {};
}

std::unique_ptr<TvnRecList> TvnType1pfbHandler::GetOutlineForGlyphName(std::string_view AGlyphName, float AFontsize,
                                                                       int Adpi, EncodingType) {
  if (AGlyphName.empty()) return nullptr;
  std::vector<float> coords;
  std::vector<TvnStepKind> commands;
  TvnType1Glyphs interpreter;
  interpreter.GetTwoArrLists(coords, commands, AGlyphName, FCharStringsDict, &Fsubr, false, &FPrivatedict);
  const float pixel_size = static_cast<float>(Adpi) * AFontsize / 72.0f;
  return TvnType1Glyphs().GetGraphicsPath(AGlyphName, pixel_size, coords, commands, FFontMatrix);
}

std::unique_ptr<TvnRecList> TvnType1pfbHandler::GetOutlineForCharCode(int32_t ACharCode, float AFontsize, int Adpi,
                                                                      EncodingType AEncoding) {
  const std::string name = GetGlyphName(ACharCode);
  return name.empty() ? nullptr : GetOutlineForGlyphName(name, AFontsize, Adpi, AEncoding);
}

std::unique_ptr<TvnRecList> TvnType1pfbHandler::GetOutlineForGlyphID(int32_t AGlyphId, float AFontsize, int Adpi,
                                                                     EncodingType AEncoding) {
  return GetOutlineForCharCode(AGlyphId, AFontsize, Adpi, AEncoding);
}

bool TvnType1pfbHandler::IsCharCodeAvailable(int32_t ACharCode, EncodingType) {
  const std::string name = GetGlyphName(ACharCode);
  return !name.empty() && FCharStringsDict.Contains(name);
}

void TvnType1pfbHandler::Close() { Fsubr.clear(); }

String TvnType1pfbHandler::Info(const char* key, const char* fallback) const {
  const auto it = FFontinfo.find(key);
  return it != FFontinfo.end() ? Text(it->second) : FromAscii(fallback);
}

String TvnType1pfbHandler::FontFullNameVa() const { return Info("FullName", "Key not found!"); }
String TvnType1pfbHandler::FontTypeVa() const { return Info("FontType", "Key not Found"); }
String TvnType1pfbHandler::FontVersionVa() const { return Info("version", "Key not Found"); }
String TvnType1pfbHandler::FontWeightVa() const { return Info("Weight", "Key not Found"); }
String TvnType1pfbHandler::FontisFixedVa() const { return Info("FixedPitch", "Key not Found"); }
String TvnType1pfbHandler::FontItalicAngleVa() const { return Info("ItalicAngle", "key not found"); }
String TvnType1pfbHandler::FontUnderlinePositionVa() const { return Info("UnderlinePosition", "Key not Found"); }
String TvnType1pfbHandler::GetUnderLineThickness() const { return Info("UnderlineThicknessVal", "Key not Found"); }
String TvnType1pfbHandler::FontPaintTypeVa() const { return Info("PaintType", "Key not Found"); }
String TvnType1pfbHandler::FontUniqueIDVa() const { return Info("UniqueID", "Key not Found"); }

String TvnType1pfbHandler::FontEncodingTypeVa() const {
  const auto it = FFontdict.find("Encoding");
  return it != FFontdict.end() ? Text(it->second) : FromAscii("Key not Found");
}

String TvnType1pfbHandler::FontBBoxVa() const {
  const auto it = FFontdictt.find("FontBBox");
  std::string joined;
  if (it != FFontdictt.end())
    for (const std::string& n : it->second) joined += (joined.empty() ? "" : ", ") + n;
  return Text(joined);
}

String TvnType1pfbHandler::FontnameVa() const {
  if (const auto it = FFontinfo.find("FontName"); it != FFontinfo.end()) return Text(it->second);
  const auto full = FFontinfo.find("FullName");
  return FromAscii("/") + (full != FFontinfo.end() ? Text(full->second) : String());
}

String TvnType1pfbHandler::Fontascender() const {
  const auto it = FFontdictt.find("FontBBox");
  return it != FFontdictt.end() && it->second.size() > 3 ? Text(it->second[3]) : FromAscii(" ");
}

String TvnType1pfbHandler::Fontdescender() const {
  const auto it = FFontdictt.find("FontBBox");
  return it != FFontdictt.end() && it->second.size() > 1 ? Text(it->second[1]) : FromAscii(" ");
}

}  // namespace vn::fonts
