#include "rtf/rtf_code_pages.h"

#include <iconv.h>

#include <string>

#include "runtime/codepages.h"

namespace vn::rtf {

namespace {

// The converter name of a code page.
std::string ConverterName(int32_t ACodePage) {
  switch (ACodePage) {
    case 10000: return "MACINTOSH";
    case 1361: return "JOHAB";
    default: return "CP" + std::to_string(ACodePage);
  }
}

void* const kNoConverter = nullptr;

}  // namespace

int32_t CodePageOfCharset(int32_t ACharset) {
  switch (ACharset) {
    case 0: return 1252;      // ANSI
    case 2: return 1252;      // symbol fonts keep their byte values
    case 77: return 10000;    // Mac Roman
    case 128: return 932;     // Shift JIS
    case 129: return 949;     // Hangul
    case 130: return 1361;    // Johab
    case 134: return 936;     // GB 2312
    case 136: return 950;     // Big5
    case 161: return 1253;    // Greek
    case 162: return 1254;    // Turkish
    case 163: return 1258;    // Vietnamese
    case 177: return 1255;    // Hebrew
    case 178: return 1256;    // Arabic
    case 186: return 1257;    // Baltic
    case 204: return 1251;    // Cyrillic
    case 222: return 874;     // Thai
    case 238: return 1250;    // Eastern European
    case 254: return 437;     // PC 437
    case 255: return 850;     // OEM
    default: return 0;
  }
}

RtfCodePageDecoder::~RtfCodePageDecoder() {
  for (auto& [code_page, converter] : FConverters)
    if (converter != kNoConverter) iconv_close(static_cast<iconv_t>(converter));
}

void RtfCodePageDecoder::Decode(int32_t ACodePage, std::string_view ABytes, String& AOut) {
  if (ABytes.empty()) return;
  if (ACodePage == 1252 || ACodePage <= 0) {
    AOut += vn::DecodeCp1252(ABytes);
    return;
  }
  auto found = FConverters.find(ACodePage);
  if (found == FConverters.end()) {
    iconv_t opened = iconv_open("UTF-16LE", ConverterName(ACodePage).c_str());
    void* converter = opened == reinterpret_cast<iconv_t>(-1) ? kNoConverter : static_cast<void*>(opened);
    found = FConverters.emplace(ACodePage, converter).first;
  }
  if (found->second == kNoConverter) {
    AOut += vn::DecodeCp1252(ABytes);
    return;
  }
  auto converter = static_cast<iconv_t>(found->second);
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  std::string input(ABytes);
  char* in = input.data();
  size_t in_left = input.size();
  std::string output(input.size() * 4 + 8, '\0');
  while (in_left > 0) {
    char* out = output.data();
    size_t out_left = output.size();
    const size_t done = iconv(converter, &in, &in_left, &out, &out_left);
    const size_t produced = output.size() - out_left;
    for (size_t i = 0; i + 1 < produced; i += 2)
      AOut.push_back(static_cast<char16_t>(static_cast<unsigned char>(output[i]) |
                                           (static_cast<unsigned char>(output[i + 1]) << 8)));
    if (done != static_cast<size_t>(-1)) break;
    // A byte that starts no character, or a character cut off at the end:
    // one replacement character, and on after that byte.
    AOut.push_back(u'\uFFFD');
    ++in;
    --in_left;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
  }
}

}  // namespace vn::rtf
