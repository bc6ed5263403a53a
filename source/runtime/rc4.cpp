#include "runtime/rc4.h"

#include <utility>

#include "runtime/exceptions.h"

namespace vn {

void RC4Schedule(std::span<uint8_t, 256> s, std::span<const uint8_t> key) {
  for (int i = 0; i < 256; ++i) s[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  uint8_t j = 0;
  for (size_t i = 0; i < 256; ++i) {
    j = static_cast<uint8_t>(j + s[i] + key[i % key.size()]);
    std::swap(s[i], s[j]);
  }
}

void RC4Generate(std::span<uint8_t, 256> s, uint8_t& i, uint8_t& j, const uint8_t* input, uint8_t* output,
                 size_t length) {
  for (size_t n = 0; n < length; ++n) {
    i = static_cast<uint8_t>(i + 1);
    j = static_cast<uint8_t>(j + s[i]);
    std::swap(s[i], s[j]);
    output[n] = static_cast<uint8_t>(input[n] ^ s[static_cast<uint8_t>(s[i] + s[j])]);
  }
}

RC4Cipher::RC4Cipher(std::span<const uint8_t> key) {
  if (key.size() < kMinKeyLength || key.size() > kMaxKeyLength)
    throw EArgumentOutOfRangeException("RC4 key length must be 1 to 256 bytes");
  RC4Schedule(keyed_, key);
  Restart();
}

RC4Cipher::RC4Cipher(std::string_view key)
    : RC4Cipher(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(key.data()), key.size())) {}

void RC4Cipher::Crypt(const uint8_t* input, uint8_t* output, size_t length) {
  RC4Generate(s_, i_, j_, input, output, length);
}

void RC4Cipher::Restart() {
  s_ = keyed_;
  i_ = 0;
  j_ = 0;
}

std::string RC4Cipher::Apply(std::string_view key, std::string_view data) {
  RC4Cipher cipher(key);
  std::string out(data);
  cipher.Crypt(std::span<uint8_t>(reinterpret_cast<uint8_t*>(out.data()), out.size()));
  return out;
}

}  // namespace vn
