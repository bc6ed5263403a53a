// The standard security handler of the PDF writer (ISO 32000-1, 7.6.3),
// writing side only: revision 2 with a 40-bit RC4 key or revision 3 with a
// 128-bit RC4 key, the owner and user passwords, the user permissions.
// TvnPDFEncryption computes the file identifier, the owner (/O) and user
// (/U) values, the permission value (/P) and the document key once, then
// encrypts every stream and string of the document with the key of the
// object that holds it. There is no AES and no decryption here.
//
// The engine (pdf_security.cpp) makes one TvnPDFEncryption per document
// when Encryption().Enabled() is set, passes each stream and string
// through it, writes the encryption dictionary near the end and names it
// in the trailer with /Encrypt and the file identifier as /ID.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pdfwriter/pdf_settings.h"
#include "runtime/md5.h"

namespace vn::pdfwriter {

// The 32-byte padding string of the standard security handler.
extern const std::array<uint8_t, 32> kPDFPasswordPadding;

// The 16-byte file identifier: the MD5 digest of A's bytes followed by B's.
vn::MD5Digest MakeFileID(std::string_view A, std::string_view B);

class TvnPDFEncryption {
 public:
  using Key32 = std::array<uint8_t, 32>;

  // Copies the passwords (cut to 32 bytes; the owner password falls back to
  // the user password when empty), the level and the permissions from the
  // settings; the file identifier is MakeFileID(FileName, CreationTime);
  // then the owner value, the document key and the user value.
  TvnPDFEncryption(std::string_view FileName, const TvnPDFEncryptionSettings& Settings, std::string_view CreationTime);

  TvnPDFEncryptionLevel Level() const { return FLevel; }
  // 2 for e40bit, 3 for e128bit.
  int32_t Revision() const { return FLevel == TvnPDFEncryptionLevel::e40bit ? 2 : 3; }
  // The key length n in bytes: 5 or 16.
  size_t KeyLength() const { return FLevel == TvnPDFEncryptionLevel::e40bit ? 5 : 16; }
  const vn::MD5Digest& FileID() const { return FFileID; }
  const Key32& OwnerKey() const { return FOwnerKey; }
  const Key32& UserKey() const { return FUserKey; }
  // The document key's n bytes.
  std::string_view FileKey() const { return {reinterpret_cast<const char*>(FFileKey.data()), KeyLength()}; }
  TvnUserPermissions UserPermissions() const { return FUserPermissions; }
  // /P of these permissions at this level.
  int32_t PermissionValue() const { return PermissionValueOf(FUserPermissions, FLevel); }
  static int32_t PermissionValueOf(TvnUserPermissions Permissions, TvnPDFEncryptionLevel Level);

  // The RC4 key of object ObjNo, generation Generation: the first n + 5
  // bytes (at most 16) of MD5(document key, the number's three low bytes,
  // the generation's two low bytes, low bytes first).
  std::string ObjectKey(int32_t ObjNo, int32_t Generation) const;
  // Encrypts Data in place with the object's key (the length stays).
  void EncryptStream(std::string& Data, int32_t ObjNo, int32_t Generation) const;
  std::string EncryptString(std::string_view Text, int32_t ObjNo, int32_t Generation) const;

  // The encryption dictionary's entries: "/V 1/R 2" or "/V 2/R 3", "/P "
  // value, "/Length 128" (128-bit only), "/Filter/Standard", "/O <...>",
  // "/U <...>" (upper-case hex), then CRLF.
  std::string DictionaryText() const;

 private:
  TvnPDFEncryptionLevel FLevel;
  TvnUserPermissions FUserPermissions;
  vn::MD5Digest FFileID{};
  Key32 FOwnerPad{}, FUserPad{};
  Key32 FOwnerKey{}, FUserKey{};
  vn::MD5Digest FFileKey{};
};

}  // namespace vn::pdfwriter
