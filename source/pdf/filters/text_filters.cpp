#include "pdf/filters/text_filters.h"

#include <algorithm>

#include "runtime/hex.h"

namespace vn::pdf::filters {

namespace {

bool IsPdfWhite(int c) { return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32; }

}  // namespace

int ByteSourceReader::GetNonWhite() {
  int c;
  do c = Get();
  while (c >= 0 && IsPdfWhite(c));
  return c;
}

// ASCIIHex -------------------------------------------------------------------

void AsciiHexDecoder::DoReset() {
  in_.Rewind();
  eof_ = false;
}

size_t AsciiHexDecoder::DoRead(uint8_t* buffer, size_t count) {
  size_t done = 0;
  while (done < count && !eof_) {
    int c1 = in_.GetNonWhite();
    if (c1 < 0 || c1 == '>') {
      eof_ = true;
      break;
    }
    int c2 = in_.GetNonWhite();
    if (c2 < 0 || c2 == '>') {
      eof_ = true;
      c2 = '0';
    }
    int hi = HexDigitValue(static_cast<char32_t>(c1));
    int lo = HexDigitValue(static_cast<char32_t>(c2));
    int value = (hi < 0 ? 0 : hi << 4) | (lo < 0 ? 0 : lo);
    buffer[done++] = static_cast<uint8_t>(value);
  }
  return done;
}

// ASCII85 --------------------------------------------------------------------

void Ascii85Decoder::DoReset() {
  in_.Rewind();
  group_length_ = group_pos_ = 0;
  eof_ = false;
}

bool Ascii85Decoder::DecodeGroup() {
  int c = in_.GetNonWhite();
  if (c < 0 || c == '~') return false;
  group_pos_ = 0;
  if (c == 'z') {
    group_[0] = group_[1] = group_[2] = group_[3] = 0;
    group_length_ = 4;
    return true;
  }
  uint32_t digits[5];
  digits[0] = static_cast<uint32_t>(c - 33);
  unsigned k = 1;
  while (k < 5) {
    c = in_.GetNonWhite();
    if (c < 0 || c == '~') break;
    digits[k++] = static_cast<uint32_t>(c - 33);
  }
  if (k == 1) return false;
  for (unsigned i = k; i < 5; ++i) digits[i] = 'u' - 33;
  uint32_t value = 0;
  for (unsigned i = 0; i < 5; ++i) value = value * 85 + digits[i];  // modulo 2^32
  for (int i = 0; i < 4; ++i) group_[i] = static_cast<uint8_t>(value >> (24 - 8 * i));
  group_length_ = k - 1;
  if (k < 5) eof_ = true;
  return true;
}

size_t Ascii85Decoder::DoRead(uint8_t* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    if (group_pos_ < group_length_) {
      buffer[done++] = group_[group_pos_++];
      continue;
    }
    if (eof_ || !DecodeGroup()) {
      eof_ = true;
      group_length_ = group_pos_ = 0;
      break;
    }
  }
  return done;
}

// RunLength ------------------------------------------------------------------

void RunLengthDecoder::DoReset() {
  in_.Rewind();
  run_length_ = run_pos_ = 0;
  eof_ = false;
}

size_t RunLengthDecoder::DoRead(uint8_t* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    if (run_pos_ < run_length_) {
      buffer[done++] = run_[run_pos_++];
      continue;
    }
    if (eof_) break;
    run_pos_ = run_length_ = 0;
    int length = in_.Get();
    if (length < 0 || length == 128) {
      eof_ = true;
      break;
    }
    if (length < 128) {
      for (int i = 0; i <= length; ++i) {
        int c = in_.Get();
        if (c < 0) {
          eof_ = true;
          break;
        }
        run_[run_length_++] = static_cast<uint8_t>(c);
      }
    } else {
      int c = in_.Get();
      if (c < 0) {
        eof_ = true;
        break;
      }
      run_length_ = static_cast<unsigned>(257 - length);
      for (unsigned i = 0; i < run_length_; ++i) run_[i] = static_cast<uint8_t>(c);
    }
  }
  return done;
}

// Encoders -------------------------------------------------------------------

std::string AsciiHexEncode(std::span<const uint8_t> data) {
  std::string out;
  out.reserve(data.size() * 2 + data.size() / 64 + 1);
  for (size_t i = 0; i < data.size(); ++i) {
    out.push_back(HexDigit(data[i] >> 4));
    out.push_back(HexDigit(data[i]));
    if ((i + 1) % 64 == 0) out.push_back('\r');
  }
  out.push_back('>');
  return out;
}

std::string Ascii85Encode(std::span<const uint8_t> data) {
  std::string out;
  out.reserve(data.size() / 4 * 5 + 7);
  size_t i = 0;
  for (; i < data.size(); i += 4) {
    size_t n = std::min<size_t>(4, data.size() - i);
    uint32_t value = 0;
    for (size_t k = 0; k < 4; ++k) value = (value << 8) | (k < n ? data[i + k] : 0);
    if (n == 4 && value == 0) {
      out.push_back('z');
      continue;
    }
    char chars[5];
    for (int k = 4; k >= 0; --k) {
      chars[k] = static_cast<char>('!' + value % 85);
      value /= 85;
    }
    out.append(chars, n + 1);
  }
  out += "~>";
  return out;
}

std::string RunLengthEncode(std::span<const uint8_t> data) {
  std::string out;
  size_t i = 0;
  while (i < data.size()) {
    size_t run = 1;
    while (i + run < data.size() && run < 128 && data[i + run] == data[i]) ++run;
    if (run >= 2) {
      out.push_back(static_cast<char>(257 - run));
      out.push_back(static_cast<char>(data[i]));
      i += run;
      continue;
    }
    // Literal run: up to the next pair of equal bytes.
    size_t start = i;
    while (i < data.size() && i - start < 128 && !(i + 1 < data.size() && data[i + 1] == data[i])) ++i;
    if (i == start) ++i;
    out.push_back(static_cast<char>(i - start - 1));
    out.append(reinterpret_cast<const char*>(data.data() + start), i - start);
  }
  out.push_back(static_cast<char>(128));
  return out;
}

}  // namespace vn::pdf::filters
