// The standard security handler: password checks against the O and U
// entries of an Encrypt dictionary (revisions 2 to 4), the file key, per-
// object keys, and the decryption (RC4 or AES-128) and encryption of
// strings and streams. Everything is packaged as a filter stage,
// TvnCryptStream, whose decoder TvnDecrypt is the read side and whose
// encoder TvnEncrypt the write side. MD5 and RC4 are the runtime's one
// implementation; AES comes from TvnqAESCrypt.
//
// Byte values carried by TvnEncryptionSettings (O, U, the file identifier,
// the file key) are the bytes of the PDF strings, already decoded; they
// never carry string delimiters or hex text.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/exceptions.h"
#include "pdf/filter_stream.h"
#include "runtime/containers.h"

namespace vn::pdf {

class TvnPDDictionary;

enum class TvnPDFEncryptionLevel { elRC4_40Bit, elRC4_128Bit, elAES_128Bit };
enum class TvnUserPermissionsType {
  AllowCopy,
  AllowModify,
  AllowPrint,
  AllowAnnotation,
  AllowFormFill,
  AllowAccessibility,
  AllowDocAssembly,
  AllowHighResPrint
};
using TvnUserPermissions = vn::EnumSet<TvnUserPermissionsType>;
enum class TvnCryptAlgorithm { cryptRC4, cryptAES };

// Every permission.
TvnUserPermissions AllUserPermissions();

// An Encrypt dictionary this handler cannot read: another security handler,
// or a revision or algorithm outside revisions 2 to 4 with RC4 or AES-128.
class ExUnsupportedEncryption : public EBrisquel {
 public:
  static constexpr const char* kMessage = "Unsupported encryption";
  ExUnsupportedEncryption() : EBrisquel(kMessage) {}
};

// The encryption settings of a document, between the base document and the
// security handler. On opening, OwnerPassword and UserPassword hold the O
// and U bytes, Permission holds P, FileID the first element of the
// trailer's ID; a successful CheckPassword replaces them as described
// there. For saving they hold what the user chose.
struct TvnEncryptionSettings {
  bool IsOwner = true;
  bool Enabled = false;
  TvnPDFEncryptionLevel Level = TvnPDFEncryptionLevel::elRC4_128Bit;
  std::string OwnerPassword;
  std::string UserPassword;
  TvnUserPermissions UserPermissions;
  std::string FileID;
  int32_t Permission = 0;
  TvnCryptAlgorithm Algorithm = TvnCryptAlgorithm::cryptRC4;
  bool EncryptMetadata = true;
  // The Encrypt dictionary's R and the key length in bytes (5 to 16); 0
  // takes them from Level (revision 2 with 5 bytes for 40-bit RC4,
  // otherwise revision 3 or 4 with 16 bytes).
  int Revision = 0;
  int KeyLength = 0;
  // The file key once a password check has succeeded: stages made with it
  // decrypt without repeating the check.
  std::string FileKey;
};

// Reads the Standard security handler's entries (Filter, V, R, Length, O,
// U, P, EncryptMetadata and the crypt filter named by StmF) into settings,
// with `file_id` the bytes of the trailer's first ID element. The level
// comes from R, V and the crypt filter's method, the key length from Length
// (of the crypt filter for V4). ExUnsupportedEncryption for anything else.
TvnEncryptionSettings ReadStandardEncryption(const TvnPDDictionary& encrypt, std::string_view file_id);

// The handler's key material for one document.
class TvnStandardSecurity {
 public:
  explicit TvnStandardSecurity(const TvnEncryptionSettings& settings);

  int Revision() const { return revision_; }
  size_t KeyLength() const { return key_length_; }
  TvnCryptAlgorithm Algorithm() const { return algorithm_; }
  bool HasKey() const { return !file_key_.empty(); }
  const std::string& FileKey() const { return file_key_; }
  void SetFileKey(std::string key) { file_key_ = std::move(key); }

  // The file key for `padded` (a padded password) when it is the user
  // password; empty otherwise.
  std::string UserKey(std::string_view padded_password) const;
  // The padded user password recovered from O with `password` as owner
  // password (check it with UserKey).
  std::string UserFromOwner(std::string_view password) const;
  // The per-object key (RC4 key or AES key) for the present file key.
  std::string ObjectKey(int64_t obj_number, int64_t gen_number) const;
  // Decrypts a string's or stream's bytes with the present file key.
  std::string Decrypt(std::string_view data, int64_t obj_number, int64_t gen_number) const;

  // The 32-byte padded form of a password.
  static std::string PadPassword(std::string_view password);

 private:
  int revision_;
  size_t key_length_;
  TvnCryptAlgorithm algorithm_;
  bool encrypt_metadata_;
  std::string o_;  // 32 bytes
  std::string u_;  // 32 bytes
  std::array<uint8_t, 4> p_;
  std::string file_id_;
  std::string file_key_;
};

// The read side: checks passwords, and decrypts one string or stream.
class TvnDecrypt : public TvnDecode {
 public:
  // Over the encrypted data of a stream (not owned).
  TvnDecrypt(TvnStream* stream, int64_t gen_number, int64_t obj_number, const TvnEncryptionSettings& settings);
  // Over the encrypted bytes of a string.
  TvnDecrypt(std::string data, int64_t gen_number, int64_t obj_number, const TvnEncryptionSettings& settings);

  // Tries `password` as owner password, then as user password. On success
  // derives the file key and fills `settings`: Enabled, Level, Revision,
  // KeyLength, FileKey and IsOwner; for the owner, OwnerPassword is the
  // password, UserPassword the padded user password recovered from O and
  // every permission is granted; for a user, UserPassword is the password,
  // OwnerPassword a new random one (so restrictions survive a later save)
  // and the permissions come from P. False leaves `settings` untouched.
  bool CheckPassword(TvnEncryptionSettings* settings, std::string_view password) override;

  // Decrypts the whole data at once (after a successful check, or when the
  // settings carried the file key); GetChar and LookChar then deliver it.
  void Reset() override;
  int LookChar() override;
  int GetChar() override;

  std::string DecryptString(std::string_view data, int64_t gen_number, int64_t obj_number) const;
  bool HasKey() const { return security_.HasKey(); }
  const TvnStandardSecurity& Security() const { return security_; }

 private:
  TvnStandardSecurity security_;
  TvnPDFEncryptionLevel level_;
  int32_t permission_;
  TvnStream* stream_ = nullptr;
  std::string string_;
  int64_t obj_number_;
  int64_t gen_number_;
  std::string buffer_;
  size_t pos_ = 0;
};

// The write side: computes O, U, P and the file identifier from the
// settings chosen for saving, and encrypts one string or stream.
class TvnEncrypt : public TvnEncode {
 public:
  TvnEncrypt(TvnStream* stream, int64_t gen_number, int64_t obj_number, const TvnEncryptionSettings& settings,
             std::string_view creation_date);
  TvnEncrypt(std::string data, int64_t gen_number, int64_t obj_number, const TvnEncryptionSettings& settings,
             std::string_view creation_date);

  // Reads `count` bytes from the stream given at creation, encrypts them
  // and writes them to `out`; returns `count`. Failures raise.
  size_t Write(TvnStream& out, size_t count) override;
  // Encrypts `buffer`, rewinds the stream given at creation and writes the
  // result there; returns the bytes written.
  size_t Write(std::string_view buffer) override;

  // Encrypts bytes with this object's key (RC4, or AES with a fresh IV).
  std::string EncryptBytes(std::string_view data) const;

  const std::string& FileID() const { return file_id_; }
  const std::string& OwnerKey() const { return owner_key_; }
  const std::string& UserKey() const { return user_key_; }
  int32_t PermissionValue() const { return permission_; }
  const std::string& FileKey() const { return file_key_; }

  // A fixed file identifier instead of a fresh one (for byte-exact output);
  // recomputes the keys.
  void SetFileID(std::string_view id);

 private:
  void ComputeKeys();

  TvnEncryptionSettings settings_;
  TvnStream* stream_ = nullptr;
  std::string string_;
  int64_t obj_number_;
  int64_t gen_number_;
  int revision_;
  size_t key_length_;
  std::string file_id_;
  std::string owner_key_;
  std::string user_key_;
  int32_t permission_ = 0;
  std::string file_key_;
};

// The crypt stage of a string or stream: decryption when reading,
// encryption when saving.
class TvnCryptStream : public TvnFilterStream {
 public:
  // Over a stream's data (owned when `owned`).
  TvnCryptStream(TvnStream* stream, bool owned, int64_t gen_number, int64_t obj_number,
                 const TvnEncryptionSettings& settings, std::string_view creation_date = {});
  // Over a string's bytes.
  TvnCryptStream(std::string data, int64_t gen_number, int64_t obj_number, const TvnEncryptionSettings& settings,
                 std::string_view creation_date = {});
  TvnStreamType GetType() override { return TvnStreamType::stCrypt; }
  TvnDecrypt* GetDecrypt() const { return static_cast<TvnDecrypt*>(Decoder()); }
  TvnEncrypt* GetEncrypt() const { return static_cast<TvnEncrypt*>(Encoder()); }
};

}  // namespace vn::pdf
