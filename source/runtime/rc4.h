// The one RC4 stream cipher of the library, with a key of 1 to 256 bytes.
// RC4Cipher, keyed once, continues its key stream across calls (Restart
// returns to the start); RC4Cipher::Apply crypts one message. The key
// schedule and the key-stream generator are also given on their own, for
// callers that keep the permutation themselves.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vn {

// Fills s with the permutation keyed by key (1 to 256 bytes, unchecked).
void RC4Schedule(std::span<uint8_t, 256> s, std::span<const uint8_t> key);
// XORs length bytes of input with the key stream from (s, i, j) into output,
// advancing them. input and output may be the same buffer.
void RC4Generate(std::span<uint8_t, 256> s, uint8_t& i, uint8_t& j, const uint8_t* input, uint8_t* output,
                 size_t length);

class RC4Cipher {
 public:
  static constexpr size_t kMinKeyLength = 1;
  static constexpr size_t kMaxKeyLength = 256;

  // EArgumentOutOfRangeException for a key length outside 1 to 256.
  explicit RC4Cipher(std::span<const uint8_t> key);
  explicit RC4Cipher(std::string_view key);

  // Encrypts or decrypts `length` bytes, continuing the key stream of the
  // previous calls. `input` and `output` may be the same buffer.
  void Crypt(const uint8_t* input, uint8_t* output, size_t length);
  void Crypt(std::span<uint8_t> data) { Crypt(data.data(), data.data(), data.size()); }
  // Back to the start of the key stream.
  void Restart();

  // One whole message under a key (same exception as the constructor).
  static std::string Apply(std::string_view key, std::string_view data);

 private:
  std::array<uint8_t, 256> keyed_{};  // the permutation right after keying
  std::array<uint8_t, 256> s_{};
  uint8_t i_ = 0;
  uint8_t j_ = 0;
};

}  // namespace vn
