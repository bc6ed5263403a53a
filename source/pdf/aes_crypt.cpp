#include "pdf/aes_crypt.h"

#include <openssl/evp.h>

#include <memory>

namespace vn::pdf {

namespace {

struct CtxFree {
  void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};

// One CBC pass without padding over whole blocks; empty on any failure.
std::string Cbc(bool encrypt, std::string_view key, std::string_view iv, std::string_view data) {
  if (key.size() != 16 || iv.size() != 16 || data.size() % 16 != 0) return {};
  std::unique_ptr<EVP_CIPHER_CTX, CtxFree> ctx(EVP_CIPHER_CTX_new());
  if (!ctx) return {};
  const auto* k = reinterpret_cast<const unsigned char*>(key.data());
  const auto* v = reinterpret_cast<const unsigned char*>(iv.data());
  if (EVP_CipherInit_ex(ctx.get(), EVP_aes_128_cbc(), nullptr, k, v, encrypt ? 1 : 0) != 1) return {};
  EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
  std::string out(data.size() + 16, '\0');
  int n1 = 0, n2 = 0;
  auto* o = reinterpret_cast<unsigned char*>(out.data());
  if (EVP_CipherUpdate(ctx.get(), o, &n1, reinterpret_cast<const unsigned char*>(data.data()),
                       static_cast<int>(data.size())) != 1 ||
      EVP_CipherFinal_ex(ctx.get(), o + n1, &n2) != 1)
    return {};
  out.resize(static_cast<size_t>(n1 + n2));
  return out;
}

}  // namespace

std::string TvnqAESCrypt::DecryptBytes(std::string_view key, std::string_view data) {
  if (data.size() < 16) return {};
  std::string_view iv = data.substr(0, 16);
  std::string_view body = data.substr(16);
  body = body.substr(0, body.size() - body.size() % 16);
  std::string plain = Cbc(false, key, iv, body);
  if (!plain.empty()) {
    unsigned pad = static_cast<unsigned char>(plain.back());
    if (pad >= 1 && pad <= 16 && pad <= plain.size()) plain.resize(plain.size() - pad);
  }
  return plain;
}

std::string TvnqAESCrypt::EncryptBytes(std::string_view key, std::string_view iv, std::string_view data) {
  std::string padded(data);
  size_t pad = 16 - data.size() % 16;
  padded.append(pad, static_cast<char>(pad));
  std::string cipher = Cbc(true, key, iv, padded);
  if (cipher.empty()) return {};
  return std::string(iv) + cipher;
}

}  // namespace vn::pdf
