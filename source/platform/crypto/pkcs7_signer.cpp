#include "platform/crypto/pkcs7_signer.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/pkcs7.h>
#include <openssl/provider.h>
#include <openssl/x509.h>

#include <fstream>
#include <iterator>
#include <vector>

namespace vn::platform {

namespace {

// The reason OpenSSL gives for the last failure (its queue emptied), or the
// fallback.
std::string OpenSSLReason(const char* fallback) {
  const unsigned long code = ERR_peek_last_error();
  std::string reason;
  if (code != 0) {
    if (const char* text = ERR_reason_error_string(code)) reason = text;
  }
  ERR_clear_error();
  return reason.empty() ? fallback : reason;
}

struct BioFree {
  void operator()(BIO* b) const { BIO_free(b); }
};
struct PKCS7Free {
  void operator()(PKCS7* p) const { PKCS7_free(p); }
};
struct PKCS12Free {
  void operator()(PKCS12* p) const { PKCS12_free(p); }
};

}  // namespace

struct TvnSigningCertificate::Impl {
  EVP_PKEY* key = nullptr;
  X509* certificate = nullptr;
  STACK_OF(X509)* chain = nullptr;
  ~Impl() {
    EVP_PKEY_free(key);
    X509_free(certificate);
    sk_X509_pop_free(chain, X509_free);
  }
};

TvnSigningCertificate::TvnSigningCertificate(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
TvnSigningCertificate::~TvnSigningCertificate() = default;

std::unique_ptr<TvnSigningCertificate> TvnSigningCertificate::FromPKCS12File(const std::filesystem::path& file,
                                                                             const std::string& password) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw ESigningError("Cannot read the signing certificate " + file.string() + ": the file cannot be opened");
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return FromPKCS12(bytes, password, file.string());
}

std::unique_ptr<TvnSigningCertificate> TvnSigningCertificate::FromPKCS12(std::string_view bytes, const std::string& password,
                                                                         const std::string& name) {
  const std::string prefix = "Cannot read the signing certificate " + name + ": ";
  ERR_clear_error();
  auto parse = [&](std::unique_ptr<Impl>& impl) -> bool {
    std::unique_ptr<BIO, BioFree> bio(BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size())));
    if (!bio) return false;
    std::unique_ptr<PKCS12, PKCS12Free> p12(d2i_PKCS12_bio(bio.get(), nullptr));
    if (!p12) throw ESigningError(prefix + "not PKCS#12 data");
    if (!PKCS12_verify_mac(p12.get(), password.c_str(), static_cast<int>(password.size())) &&
        !(password.empty() && PKCS12_verify_mac(p12.get(), nullptr, 0)))
      throw ESigningError(prefix + "the password is wrong");
    impl = std::make_unique<Impl>();
    return PKCS12_parse(p12.get(), password.c_str(), &impl->key, &impl->certificate, &impl->chain) == 1;
  };
  std::unique_ptr<Impl> impl;
  if (!parse(impl)) {
    // Files made by older tools encrypt with RC2 or 3DES, which OpenSSL 3
    // keeps in its legacy provider.
    ERR_clear_error();
    OSSL_PROVIDER_load(nullptr, "legacy");
    OSSL_PROVIDER_load(nullptr, "default");
    if (!parse(impl)) throw ESigningError(prefix + OpenSSLReason("the file cannot be decrypted"));
  }
  if (!impl->key || !impl->certificate) throw ESigningError(prefix + "it holds no certificate with a private key");
  if (X509_check_private_key(impl->certificate, impl->key) != 1)
    throw ESigningError(prefix + "the private key does not belong to the certificate");
  ERR_clear_error();
  return std::unique_ptr<TvnSigningCertificate>(new TvnSigningCertificate(std::move(impl)));
}

std::string TvnSigningCertificate::SubjectName() const {
  X509_NAME* subject = X509_get_subject_name(impl_->certificate);
  char text[256] = {};
  if (X509_NAME_get_text_by_NID(subject, NID_commonName, text, sizeof text) > 0) return text;
  char* whole = X509_NAME_oneline(subject, nullptr, 0);
  std::string result = whole ? whole : "";
  OPENSSL_free(whole);
  return result;
}

std::string TvnSigningCertificate::SignPKCS7(std::string_view content, bool detached, TvnSignDigest digest) const {
  ERR_clear_error();
  const int flags = PKCS7_BINARY | PKCS7_NOATTR | PKCS7_PARTIAL | (detached ? PKCS7_DETACHED : 0);
  std::unique_ptr<PKCS7, PKCS7Free> p7(PKCS7_sign(nullptr, nullptr, nullptr, nullptr, flags));
  if (!p7) throw ESigningError("Cannot make the signature: " + OpenSSLReason("PKCS#7 message"));
  const EVP_MD* md = digest == TvnSignDigest::sdSHA1 ? EVP_sha1() : EVP_sha256();
  if (!PKCS7_sign_add_signer(p7.get(), impl_->certificate, impl_->key, md, flags))
    throw ESigningError("Cannot make the signature: " + OpenSSLReason("the key cannot sign"));
  for (int i = 0; impl_->chain && i < sk_X509_num(impl_->chain); ++i) {
    X509* extra = sk_X509_value(impl_->chain, i);
    if (X509_cmp(extra, impl_->certificate) != 0) PKCS7_add_certificate(p7.get(), extra);
  }
  if (detached) PKCS7_set_detached(p7.get(), 1);
  std::unique_ptr<BIO, BioFree> data(BIO_new_mem_buf(content.data(), static_cast<int>(content.size())));
  if (!data || !PKCS7_final(p7.get(), data.get(), flags))
    throw ESigningError("Cannot make the signature: " + OpenSSLReason("signing failed"));
  unsigned char* der = nullptr;
  const int length = i2d_PKCS7(p7.get(), &der);
  if (length <= 0) throw ESigningError("Cannot make the signature: " + OpenSSLReason("encoding failed"));
  std::string result(reinterpret_cast<const char*>(der), static_cast<size_t>(length));
  OPENSSL_free(der);
  return result;
}

std::string Sha1Digest(std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (!EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha1(), nullptr))
    throw ESigningError("Cannot make the signature: " + OpenSSLReason("SHA-1 failed"));
  return std::string(reinterpret_cast<const char*>(digest), length);
}

std::string HexOfBytes(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  return hex;
}

namespace {

std::string PDFSignatureOf(std::string_view signed_bytes, const TvnSigningCertificate& certificate, TvnPDFSignatureKind kind) {
  if (kind == TvnPDFSignatureKind::pkAdbePKCS7SHA1) return certificate.SignPKCS7(Sha1Digest(signed_bytes), false);
  return certificate.SignPKCS7(signed_bytes, true);
}

}  // namespace

size_t PDFSignatureLength(const TvnSigningCertificate& certificate, TvnPDFSignatureKind kind) {
  // The length depends on the key, the certificates and the kind, not on
  // the bytes signed (no signing time or other attributes are included).
  return PDFSignatureOf(std::string(64, 'x'), certificate, kind).size();
}

void FillPDFSignature(vn::TStream& stream, int64_t base, int64_t contents_start, int64_t contents_end,
                      const TvnSigningCertificate& certificate, TvnPDFSignatureKind kind) {
  const int64_t end = stream.Size() - base;
  if (contents_start < 0 || contents_end < contents_start + 2 || contents_end > end)
    throw ESigningError("The signature's byte ranges lie outside the file");
  std::string signed_bytes(static_cast<size_t>(contents_start + (end - contents_end)), '\0');
  stream.SetPosition(base);
  stream.ReadBuffer(signed_bytes.data(), contents_start);
  stream.SetPosition(base + contents_end);
  stream.ReadBuffer(signed_bytes.data() + contents_start, end - contents_end);
  const std::string hex = HexOfBytes(PDFSignatureOf(signed_bytes, certificate, kind));
  const int64_t room = contents_end - contents_start - 2;
  if (static_cast<int64_t>(hex.size()) > room)
    throw ESigningError("The signature (" + std::to_string(hex.size()) + " hex digits) does not fit the " +
                        std::to_string(room) + " reserved for it");
  stream.SetPosition(base + contents_start + 1);
  stream.WriteString(hex);
  stream.Seek(0, vn::SeekOrigin::soEnd);
}

}  // namespace vn::platform
