// AES-128 in CBC mode as PDF encryption uses it: the first 16 bytes of the
// data are the initialisation vector, the plaintext carries PKCS#5 padding.
// Backed by OpenSSL's EVP interface.
#pragma once

#include <string>
#include <string_view>

namespace vn::pdf {

enum class TvnqAESCipherMode { cmPDF };

class TvnqAESCrypt {
 public:
  // Decrypts IV + ciphertext under a 16-byte key and removes the padding
  // (as many bytes as the last byte's value, when that is 1 to 16). Data
  // shorter than 16 bytes decrypt to nothing; a trailing partial block is
  // dropped.
  static std::string DecryptBytes(std::string_view key, std::string_view data);
  // Encrypts with PKCS#5 padding under a 16-byte key and the 16-byte `iv`,
  // and returns IV + ciphertext.
  static std::string EncryptBytes(std::string_view key, std::string_view iv, std::string_view data);
};

}  // namespace vn::pdf
