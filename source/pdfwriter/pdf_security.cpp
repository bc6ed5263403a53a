// The standard security handler of the writer and the engine's encryption
// hooks: the stream and string ciphers, the encryption dictionary and the
// trailer's /ID and /Encrypt entries.
#include "pdfwriter/pdf_security.h"

#include <algorithm>

#include "pdfwriter/pdf_doc_features_impl.h"
#include "pdfwriter/pdf_engine.h"
#include "pdfwriter/pdf_syntax_impl.h"
#include "runtime/rc4.h"

namespace vn::pdfwriter {

const std::array<uint8_t, 32> kPDFPasswordPadding = {0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E,
                                                     0x56, 0xFF, 0xFA, 0x01, 0x08, 0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68,
                                                     0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};

namespace {

using Key32 = TvnPDFEncryption::Key32;

// The first 32 bytes of the password, then the padding string's first
// 32 - length bytes.
Key32 SecurityPadPassword(std::string_view password) {
  Key32 pad{};
  const size_t n = std::min<size_t>(password.size(), 32);
  std::copy_n(reinterpret_cast<const uint8_t*>(password.data()), n, pad.begin());
  std::copy_n(kPDFPasswordPadding.begin(), 32 - n, pad.begin() + static_cast<std::ptrdiff_t>(n));
  return pad;
}

std::string_view SecurityBytes(const uint8_t* data, size_t size) { return {reinterpret_cast<const char*>(data), size}; }

// RC4 of data in place under key.
void SecurityRC4(std::string_view key, uint8_t* data, size_t size) {
  vn::RC4Cipher cipher(key);
  cipher.Crypt(data, data, size);
}

// The digest replaced 50 times by the MD5 of its first n bytes (revision 3).
void SecurityRehash(vn::MD5Digest& digest, size_t n) {
  for (int i = 0; i < 50; ++i) digest = vn::MD5Of(SecurityBytes(digest.data(), n));
}

// The 20 rounds of revision 3: round i encrypts with the key XORed with i.
void SecurityTwentyRounds(const uint8_t* key, size_t n, uint8_t* data, size_t size) {
  std::string round_key(n, '\0');
  for (int i = 0; i < 20; ++i) {
    for (size_t k = 0; k < n; ++k) round_key[k] = static_cast<char>(key[k] ^ static_cast<uint8_t>(i));
    SecurityRC4(round_key, data, size);
  }
}

}  // namespace

vn::MD5Digest MakeFileID(std::string_view a, std::string_view b) {
  vn::MD5Context context;
  vn::MD5Init(context);
  vn::MD5Update(context, a.data(), a.size());
  vn::MD5Update(context, b.data(), b.size());
  return vn::MD5Final(context);
}

TvnPDFEncryption::TvnPDFEncryption(std::string_view file_name, const TvnPDFEncryptionSettings& settings,
                                   std::string_view creation_time)
    : FLevel(settings.Level()), FUserPermissions(settings.UserPermissions()), FFileID(MakeFileID(file_name, creation_time)) {
  const std::string owner = settings.OwnerPassword().empty() ? settings.UserPassword() : settings.OwnerPassword();
  FOwnerPad = SecurityPadPassword(owner);
  FUserPad = SecurityPadPassword(settings.UserPassword());
  const size_t n = KeyLength();
  const bool r3 = Revision() == 3;

  // The owner value (algorithm 3).
  vn::MD5Digest owner_digest = vn::MD5Of(SecurityBytes(FOwnerPad.data(), FOwnerPad.size()));
  if (r3) SecurityRehash(owner_digest, n);
  FOwnerKey = FUserPad;
  if (r3)
    SecurityTwentyRounds(owner_digest.data(), n, FOwnerKey.data(), FOwnerKey.size());
  else
    SecurityRC4(SecurityBytes(owner_digest.data(), n), FOwnerKey.data(), FOwnerKey.size());

  // The document key (algorithm 2).
  const int32_t p = PermissionValue();
  const auto pu = static_cast<uint32_t>(p);
  const uint8_t p_bytes[4] = {static_cast<uint8_t>(pu), static_cast<uint8_t>(pu >> 8), static_cast<uint8_t>(pu >> 16),
                              static_cast<uint8_t>(pu >> 24)};
  vn::MD5Context context;
  vn::MD5Init(context);
  vn::MD5Update(context, FUserPad.data(), FUserPad.size());
  vn::MD5Update(context, FOwnerKey.data(), FOwnerKey.size());
  vn::MD5Update(context, p_bytes, sizeof p_bytes);
  vn::MD5Update(context, FFileID.data(), FFileID.size());
  FFileKey = vn::MD5Final(context);
  if (r3) SecurityRehash(FFileKey, n);

  // The user value (algorithms 4 and 5).
  FUserKey.fill(0);
  if (r3) {
    vn::MD5Init(context);
    vn::MD5Update(context, kPDFPasswordPadding.data(), kPDFPasswordPadding.size());
    vn::MD5Update(context, FFileID.data(), FFileID.size());
    const vn::MD5Digest digest = vn::MD5Final(context);
    std::copy(digest.begin(), digest.end(), FUserKey.begin());
    SecurityTwentyRounds(FFileKey.data(), n, FUserKey.data(), 16);
  } else {
    FUserKey = kPDFPasswordPadding;
    SecurityRC4(FileKey(), FUserKey.data(), FUserKey.size());
  }
}

int32_t TvnPDFEncryption::PermissionValueOf(TvnUserPermissions permissions, TvnPDFEncryptionLevel level) {
  using P = TvnUserPermissionsType;
  const bool r3 = level == TvnPDFEncryptionLevel::e128bit;
  uint32_t value = r3 ? 0xFFFFF0C0u : 0xFFFFFFC0u;
  if (permissions.Contains(P::AllowPrint)) value |= 0x4;
  if (permissions.Contains(P::AllowModify)) value |= 0x8;
  if (permissions.Contains(P::AllowCopy)) value |= 0x10;
  if (permissions.Contains(P::AllowAnnotation)) value |= 0x20;
  if (r3) {
    if (permissions.Contains(P::AllowFormFill)) value |= 0x100;
    if (permissions.Contains(P::AllowAccessibility)) value |= 0x200;
    if (permissions.Contains(P::AllowDocAssembly)) value |= 0x400;
    if (permissions.Contains(P::AllowHighResPrint) && permissions.Contains(P::AllowPrint)) value |= 0x800;
  }
  return static_cast<int32_t>(value);
}

std::string TvnPDFEncryption::ObjectKey(int32_t obj_no, int32_t generation) const {
  const auto n = static_cast<uint32_t>(obj_no);
  const auto g = static_cast<uint32_t>(generation);
  const uint8_t tail[5] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16),
                           static_cast<uint8_t>(g), static_cast<uint8_t>(g >> 8)};
  vn::MD5Context context;
  vn::MD5Init(context);
  vn::MD5Update(context, FFileKey.data(), KeyLength());
  vn::MD5Update(context, tail, sizeof tail);
  const vn::MD5Digest digest = vn::MD5Final(context);
  return std::string(SecurityBytes(digest.data(), std::min<size_t>(KeyLength() + 5, 16)));
}

void TvnPDFEncryption::EncryptStream(std::string& data, int32_t obj_no, int32_t generation) const {
  if (data.empty()) return;
  SecurityRC4(ObjectKey(obj_no, generation), reinterpret_cast<uint8_t*>(data.data()), data.size());
}

std::string TvnPDFEncryption::EncryptString(std::string_view text, int32_t obj_no, int32_t generation) const {
  std::string data(text);
  EncryptStream(data, obj_no, generation);
  return data;
}

std::string TvnPDFEncryption::DictionaryText() const {
  const bool r3 = Revision() == 3;
  std::string text = r3 ? "/V 2/R 3" : "/V 1/R 2";
  text += "/P " + std::to_string(PermissionValue());
  if (r3) text += "/Length 128";
  text += "/Filter/Standard";
  text += "/O <" + vn::framework::AnsiToHexText(SecurityBytes(FOwnerKey.data(), FOwnerKey.size())) + ">";
  text += "/U <" + vn::framework::AnsiToHexText(SecurityBytes(FUserKey.data(), FUserKey.size())) + ">";
  return text + kCRLF;
}

// ---- the engine's hooks

void TvnCustomPDFEngine::EncryptObjectStream(std::string& data, int32_t n, int32_t generation) {
  if (FFeatures->Encryption) FFeatures->Encryption->EncryptStream(data, n, generation);
}

std::string TvnCustomPDFEngine::EncryptObjectStrings(const std::string& text, int32_t n, int32_t generation) {
  if (!FFeatures->Encryption) return text;
  return FFeatures->Encryption->EncryptString(text, n, generation);
}

void TvnCustomPDFEngine::WriteEncryptDictionary() {
  if (!FFeatures->Encryption) return;
  FFeatures->EncryptionObjNo = NewObjectNumber();
  WriteObject(FFeatures->Encryption->DictionaryText(), FFeatures->EncryptionObjNo, true);
}

std::string TvnCustomPDFEngine::TrailerIDEntry() const {
  if (!FFeatures->FileID) return {};
  const std::string id =
      "<" + vn::framework::AnsiToHexText(std::string_view(reinterpret_cast<const char*>(FFeatures->FileID->data()), 16)) + ">";
  return "/ID [" + id + id + "]";
}

std::string TvnCustomPDFEngine::TrailerEncryptEntry() const {
  if (!FFeatures->Encryption || FFeatures->EncryptionObjNo <= 0) return {};
  return "/Encrypt " + ObjectRef(FFeatures->EncryptionObjNo);
}

}  // namespace vn::pdfwriter
