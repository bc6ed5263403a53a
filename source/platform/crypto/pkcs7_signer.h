// The stand-in for the system's certificate store and message signing
// (CryptoAPI's PFXImportCertStore, CryptHashData and CryptSignMessage), over
// OpenSSL 3: a signing certificate with its private key read from a PKCS#12
// (PFX) file, SHA-1 digests, and PKCS#7 signed-data messages made with that
// certificate (the certificate, and the chain the file holds, included).
//
// Signing a PDF file in place: a file whose signature dictionary holds
// "/Contents<" followed by hex digit room and ">" gets the PKCS#7 message of
// its two byte ranges (everything but that hex string) written into the room
// (FillPDFSignature). A message longer than its room is an error, never a
// cut signature.
//
// Ownership: a TvnSigningCertificate owns its OpenSSL key, certificate and
// chain; it is neither copied nor shared.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/exceptions.h"
#include "runtime/streams.h"

namespace vn::platform {

// A certificate that cannot be read or used, a message that cannot be made,
// a signature that does not fit its room. The message says which.
VN_DECLARE_EXCEPTION(ESigningError, vn::Exception);

// The digest the signer applies to the signed content inside the message.
enum class TvnSignDigest { sdSHA1, sdSHA256 };

class TvnSigningCertificate {
 public:
  // The first certificate of the PKCS#12 data that has its private key.
  // ESigningError "Cannot read the signing certificate <name>: <reason>"
  // when the file is missing, is not PKCS#12, does not open with the
  // password (UTF-8), or holds no certificate with a private key.
  static std::unique_ptr<TvnSigningCertificate> FromPKCS12File(const std::filesystem::path& File, const std::string& Password);
  static std::unique_ptr<TvnSigningCertificate> FromPKCS12(std::string_view Bytes, const std::string& Password,
                                                           const std::string& Name = "PKCS#12 data");
  ~TvnSigningCertificate();
  TvnSigningCertificate(const TvnSigningCertificate&) = delete;
  TvnSigningCertificate& operator=(const TvnSigningCertificate&) = delete;

  // The certificate's common name (its whole subject when it has none).
  std::string SubjectName() const;

  // A PKCS#7 signed-data message (DER) over Content, signed with the
  // certificate's key and Digest, the certificate and its chain included,
  // no signed attributes. Detached: the content is left out of the message
  // (the verifier brings it); otherwise the message carries it.
  // ESigningError when OpenSSL cannot make it.
  std::string SignPKCS7(std::string_view Content, bool Detached, TvnSignDigest Digest = TvnSignDigest::sdSHA1) const;

 private:
  struct Impl;
  explicit TvnSigningCertificate(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// The 20-byte SHA-1 digest.
std::string Sha1Digest(std::string_view Bytes);
// Two upper-case hex digits per byte.
std::string HexOfBytes(std::string_view Bytes);

// The sub-filters of PDF signatures this signer makes.
enum class TvnPDFSignatureKind {
  pkAdbePKCS7SHA1,     // adbe.pkcs7.sha1: the SHA-1 digest of the ranges signed as the message's content
  pkAdbePKCS7Detached  // adbe.pkcs7.detached: the ranges signed as detached content
};

// Signs the PDF file in Stream whose bytes start at Base: ContentsStart is
// the offset (from Base) of the "<" that opens the signature's hex string,
// ContentsEnd the offset just after its ">", the file ends at the stream's
// end. The signed ranges are [0, ContentsStart) and [ContentsEnd, end); the
// message's hex digits are written from ContentsStart + 1, the rest of the
// room keeps what it held (zero digits). ESigningError "The signature
// (<n> hex digits) does not fit the <m> reserved for it" when the message is
// longer than the room; nothing is written then. The stream's position is
// left at its end.
void FillPDFSignature(vn::TStream& Stream, int64_t Base, int64_t ContentsStart, int64_t ContentsEnd,
                      const TvnSigningCertificate& Certificate, TvnPDFSignatureKind Kind);

// The length in bytes of the message the certificate makes for a PDF
// signature of that kind (for reserving its room before the file exists).
size_t PDFSignatureLength(const TvnSigningCertificate& Certificate, TvnPDFSignatureKind Kind);

}  // namespace vn::platform
