#include "pdfdocument/cmap_parser.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>

#include "runtime/exceptions.h"
#include "runtime/streams.h"

namespace vn::pdfdoc {

using vn::pdf::Ref;
using vn::pdf::TvnStream;

namespace {

bool IsCMapWhite(int c) { return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32; }

bool IsCMapDelimiter(int c) {
  switch (c) {
    case '%':
    case '(':
    case ')':
    case '/':
    case '<':
    case '>':
    case '[':
    case ']':
    case '{':
    case '}':
      return true;
    default:
      return false;
  }
}

void AppendToToken(std::string& AToken, int c) {
  if (AToken.size() < TvnPSTokenizer::kMaxTokenLength) AToken.push_back(static_cast<char>(c));
}

int CMapHexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool IsCMapHexToken(const std::string& AToken) { return AToken.find('<') != std::string::npos; }

// The digits of a hexadecimal token ("<" and ">" removed); nullopt when one
// is not a hexadecimal digit or there are none.
std::optional<std::string> CMapHexDigitsOf(const std::string& AToken) {
  std::string digits;
  for (char c : AToken) {
    if (c == '<' || c == '>') continue;
    if (CMapHexDigit(c) < 0) return std::nullopt;
    digits.push_back(c);
  }
  if (digits.empty()) return std::nullopt;
  return digits;
}

std::optional<int64_t> CMapDecimalOf(const std::string& AToken) {
  size_t i = 0;
  bool negative = false;
  if (i < AToken.size() && (AToken[i] == '-' || AToken[i] == '+')) negative = AToken[i++] == '-';
  if (i == AToken.size() || AToken.size() - i > 10) return std::nullopt;
  int64_t v = 0;
  for (; i < AToken.size(); ++i) {
    if (AToken[i] < '0' || AToken[i] > '9') return std::nullopt;
    v = v * 10 + (AToken[i] - '0');
  }
  v = negative ? -v : v;
  if (v < INT32_MIN || v > INT32_MAX) return std::nullopt;
  return v;
}

// A source code: hexadecimal of up to eight digits (the whole code, however
// many bytes it has) or decimal.
std::optional<int32_t> ParseCMapCode(const std::string& AToken, int* ABytes = nullptr) {
  if (!IsCMapHexToken(AToken)) {
    const auto v = CMapDecimalOf(AToken);
    if (!v || *v < 0) return std::nullopt;
    return static_cast<int32_t>(*v);
  }
  const auto digits = CMapHexDigitsOf(AToken);
  if (!digits || digits->size() > 8) return std::nullopt;
  uint32_t v = 0;
  for (char c : *digits) v = v * 16 + static_cast<uint32_t>(CMapHexDigit(c));
  if (ABytes) *ABytes = static_cast<int>((digits->size() + 1) / 2);
  return static_cast<int32_t>(v);
}

struct CMapValue {
  int32_t Code = 0;
  std::u16string Text;
};

// A destination: decimal (a CID), or hexadecimal UTF-16 text kept whole
// (groups of four digits; a shorter token is one unit), whose first
// character (a surrogate pair joined) is the code.
std::optional<CMapValue> ParseCMapValue(const std::string& AToken) {
  CMapValue out;
  if (!IsCMapHexToken(AToken)) {
    const auto v = CMapDecimalOf(AToken);
    if (!v) return std::nullopt;
    out.Code = static_cast<int32_t>(*v);
    return out;
  }
  const auto digits = CMapHexDigitsOf(AToken);
  if (!digits) return std::nullopt;
  for (size_t i = 0; i < digits->size(); i += 4) {
    uint32_t unit = 0;
    for (size_t j = i; j < i + 4 && j < digits->size(); ++j) unit = unit * 16 + static_cast<uint32_t>(CMapHexDigit((*digits)[j]));
    out.Text.push_back(static_cast<char16_t>(unit));
  }
  const char16_t first = out.Text[0];
  if (first >= 0xD800 && first <= 0xDBFF && out.Text.size() > 1 && out.Text[1] >= 0xDC00 && out.Text[1] <= 0xDFFF)
    out.Code = 0x10000 + ((first - 0xD800) << 10) + (out.Text[1] - 0xDC00);
  else
    out.Code = first;
  return out;
}

std::string WithoutCMapParentheses(const std::string& AText) {
  std::string out;
  for (char c : AText)
    if (c != '(' && c != ')') out.push_back(c);
  return out;
}

}  // namespace

// ---- Tokenizer ---------------------------------------------------------------

bool TvnPSTokenizer::Fill() {
  if (!FStream) return false;
  FBufferIndex += static_cast<int64_t>(FCount);
  FCount = FStream->Read(FBuffer, kBufferSize);
  FCurrentIndex = 0;
  return FCount > 0;
}

int TvnPSTokenizer::PeekByte() {
  if (FCurrentIndex >= FCount && !Fill()) return -1;
  return FBuffer[FCurrentIndex];
}

int TvnPSTokenizer::NextByte() {
  const int c = PeekByte();
  if (c >= 0) ++FCurrentIndex;
  return c;
}

bool TvnPSTokenizer::GetNextToken(std::string& AToken) {
  AToken.clear();
  int c;
  for (;;) {
    c = NextByte();
    if (c < 0) return false;
    if (IsCMapWhite(c)) continue;
    if (c != '%') break;
    while ((c = NextByte()) >= 0 && c != 10 && c != 13) {
    }
    if (c < 0) return false;
  }
  AppendToToken(AToken, c);
  if (c == '(') {
    int prev = c;
    while ((c = NextByte()) >= 0) {
      AppendToToken(AToken, c);
      if (c == ')' && prev != '\\') break;
      prev = c;
    }
  } else if (c == '[' || c == ']') {
    // A bracket is a token of its own.
  } else if (c == '<') {
    while ((c = NextByte()) >= 0) {
      if (IsCMapWhite(c)) continue;
      AppendToToken(AToken, c);
      if (c == '>') break;
    }
  } else {
    while ((c = PeekByte()) >= 0 && !IsCMapWhite(c) && !IsCMapDelimiter(c)) AppendToToken(AToken, NextByte());
  }
  return true;
}

// ---- Parser --------------------------------------------------------------------

TvnPDCMapParser::TvnPDCMapParser(TvnStream* AStream, const std::string& AUseCMapFolder, int ADepth) {
  TvnPSTokenizer tokens(AStream);
  std::string token, previous;
  while (tokens.GetNextToken(token) && token != "endcmap") {
    if (token == "/Registry" || token == "/Ordering" || token == "/Supplement") {
      std::string value;
      if (!tokens.GetNextToken(value)) break;
      (token == "/Registry" ? FRegistry : token == "/Ordering" ? FOrdering : FSupplement) = value;
    } else if (token == "/WMode") {
      std::string value;
      if (!tokens.GetNextToken(value)) break;
      if (const auto v = CMapDecimalOf(value)) FWMode = static_cast<int>(*v);
    } else if (token == "begincidrange" || token == "beginbfrange") {
      ReadRangeBlock(tokens);
    } else if (token == "begincidchar" || token == "beginbfchar") {
      ReadCharBlock(tokens);
    } else if (token == "begincodespacerange") {
      ReadCodeSpaceBlock(tokens);
    } else if (token == "usecmap" && previous.size() > 1 && previous[0] == '/') {
      UseCMap(previous.substr(1), AUseCMapFolder, ADepth);
    }
    previous = token;
  }
  FRegistry = WithoutCMapParentheses(FRegistry);
  FOrdering = WithoutCMapParentheses(FOrdering);
  for (size_t i = 0; i < FCodeList.size(); ++i) FLastCode[FCodeList[i].FCID] = i;
}

void TvnPDCMapParser::ReadRangeBlock(TvnPSTokenizer& ATokens) {
  std::string first, last, value;
  for (;;) {
    if (!ATokens.GetNextToken(first) || first == "endcidrange" || first == "endbfrange") return;
    if (!ATokens.GetNextToken(last) || !ATokens.GetNextToken(value)) return;
    const auto start = ParseCMapCode(first);
    const auto end = ParseCMapCode(last);
    if (value == "[") {
      std::string element;
      int32_t code = start.value_or(0);
      while (ATokens.GetNextToken(element) && element != "]") {
        const auto v = ParseCMapValue(element);
        if (start && end && v && code <= *end) FCIDList.push_back({code, code, v->Code, v->Text});
        if (code == INT32_MAX) break;
        ++code;
      }
      continue;
    }
    const auto v = ParseCMapValue(value);
    if (start && end && v && *start <= *end) FCIDList.push_back({*start, *end, v->Code, v->Text});
  }
}

void TvnPDCMapParser::ReadCharBlock(TvnPSTokenizer& ATokens) {
  std::string source, value;
  for (;;) {
    if (!ATokens.GetNextToken(source) || source == "endcidchar" || source == "endbfchar") return;
    if (!ATokens.GetNextToken(value)) return;
    const auto code = ParseCMapCode(source);
    const auto v = ParseCMapValue(value);
    if (code && v) FCodeList.push_back({*code, v->Code, v->Text});
  }
}

void TvnPDCMapParser::ReadCodeSpaceBlock(TvnPSTokenizer& ATokens) {
  std::string low, high;
  for (;;) {
    if (!ATokens.GetNextToken(low) || low == "endcodespacerange") return;
    if (!ATokens.GetNextToken(high)) return;
    int low_bytes = 0, high_bytes = 0;
    const auto l = ParseCMapCode(low, &low_bytes);
    const auto h = ParseCMapCode(high, &high_bytes);
    if (l && h && IsCMapHexToken(low) && low_bytes == high_bytes && low_bytes >= 1 && low_bytes <= 4)
      FCodeSpace.push_back({static_cast<uint32_t>(*l), static_cast<uint32_t>(*h), low_bytes});
  }
}

void TvnPDCMapParser::UseCMap(const std::string& AName, const std::string& AFolder, int ADepth) {
  if (AFolder.empty() || ADepth >= kMaxUseCMapDepth || !IsSafeCMapFileName(AName)) return;
  Ref<TvnStream> stream = OpenCMapResource(AFolder, AName);
  if (!stream) return;
  TvnPDCMapParser used(stream.get(), AFolder, ADepth + 1);
  // The included maps go first, so that this CMap's own entries, read
  // later, win in the lookups.
  FCIDList.insert(FCIDList.begin(), used.FCIDList.begin(), used.FCIDList.end());
  FCodeList.insert(FCodeList.begin(), used.FCodeList.begin(), used.FCodeList.end());
  FCodeSpace.insert(FCodeSpace.end(), used.FCodeSpace.begin(), used.FCodeSpace.end());
  if (FRegistry.empty()) FRegistry = used.FRegistry;
  if (FOrdering.empty()) FOrdering = used.FOrdering;
  if (FSupplement.empty()) FSupplement = used.FSupplement;
}

int32_t TvnPDCMapParser::LookupRange(int64_t ACode) const {
  for (auto it = FCIDList.rbegin(); it != FCIDList.rend(); ++it)
    if (it->FCIDStart <= ACode && ACode <= it->FCIDEnd)
      return static_cast<int32_t>(static_cast<int64_t>(it->FCode) + ACode - it->FCIDStart);
  return -1;
}

int32_t TvnPDCMapParser::Lookup(int64_t ACode) const {
  if (ACode >= INT32_MIN && ACode <= INT32_MAX) {
    const auto it = FLastCode.find(static_cast<int32_t>(ACode));
    if (it != FLastCode.end()) return FCodeList[it->second].FCode;
  }
  return LookupRange(ACode);
}

std::u16string TvnPDCMapParser::LookupText(int64_t ACode) const {
  if (ACode >= INT32_MIN && ACode <= INT32_MAX) {
    const auto it = FLastCode.find(static_cast<int32_t>(ACode));
    if (it != FLastCode.end()) return FCodeList[it->second].FText;
  }
  for (auto it = FCIDList.rbegin(); it != FCIDList.rend(); ++it) {
    if (it->FCIDStart <= ACode && ACode <= it->FCIDEnd) {
      std::u16string text = it->FText;
      if (!text.empty()) text.back() = static_cast<char16_t>(text.back() + (ACode - it->FCIDStart));
      return text;
    }
  }
  return std::u16string();
}

int TvnPDCMapParser::CodeLength(const uint8_t* ABytes, size_t ACount) const {
  for (int n = 1; n <= 4 && static_cast<size_t>(n) <= ACount; ++n) {
    for (const TvnCodeSpaceRange& r : FCodeSpace) {
      if (r.FBytes != n) continue;
      bool inside = true;
      for (int i = 0; i < n && inside; ++i) {
        const int shift = 8 * (n - 1 - i);
        const uint32_t lo = (r.FLow >> shift) & 0xFF, hi = (r.FHigh >> shift) & 0xFF;
        inside = ABytes[i] >= lo && ABytes[i] <= hi;
      }
      if (inside) return n;
    }
  }
  return 0;
}

bool IsSafeCMapFileName(const std::string& AName) {
  if (AName.empty() || AName == "." || AName.find("..") != std::string::npos) return false;
  for (char c : AName)
    if (c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 0x20) return false;
  return true;
}

Ref<TvnStream> ReadCMapFile(const std::string& APath) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(APath, ec)) return nullptr;
  try {
    auto file = std::make_shared<vn::TFileStream>(APath, vn::FileMode::fmOpenRead);
    return vn::pdf::MakeRef<vn::pdf::TvnFileStream>(std::move(file), 0, 0, false);
  } catch (const vn::Exception&) {
    return nullptr;
  }
}

namespace {

// The folders of the installed CMap data: one per character collection
// under the data's root, read once.
const std::vector<std::string>& InstalledCMapFolders() {
  static const std::vector<std::string> kFolders = [] {
    std::vector<std::string> folders;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/share/poppler/cMap", ec)) {
      std::error_code kind;
      if (entry.is_directory(kind)) folders.push_back(entry.path().string() + "/");
    }
    std::sort(folders.begin(), folders.end());
    return folders;
  }();
  return kFolders;
}

}  // namespace

Ref<TvnStream> OpenCMapResource(const std::string& AFolder, const std::string& AName) {
  if (!IsSafeCMapFileName(AName)) return nullptr;
  if (Ref<TvnStream> stream = ReadCMapFile(AFolder + AName)) return stream;
  if (AFolder != kDefaultCMapFolder) return nullptr;
  for (const std::string& folder : InstalledCMapFolders())
    if (Ref<TvnStream> stream = ReadCMapFile(folder + AName)) return stream;
  return nullptr;
}

}  // namespace vn::pdfdoc
