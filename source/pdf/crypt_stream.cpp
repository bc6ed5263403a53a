#include "pdf/crypt_stream.h"

#include <openssl/rand.h>

#include <algorithm>
#include <cstdio>
#include <limits>

#include "pdf/aes_crypt.h"
#include "pdf/objects.h"
#include "pdf/text.h"
#include "runtime/datetime.h"
#include "runtime/md5.h"
#include "runtime/rc4.h"

namespace vn::pdf {

namespace {

// The padding string of the standard security handler.
constexpr uint8_t kPadding[32] = {0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E,
                                  0x56, 0xFF, 0xFA, 0x01, 0x08, 0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68,
                                  0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};
const std::string_view kPaddingView(reinterpret_cast<const char*>(kPadding), 32);

class Md5 {
 public:
  Md5() { MD5Init(ctx_); }
  Md5& Add(std::string_view bytes) {
    MD5Update(ctx_, bytes.data(), bytes.size());
    return *this;
  }
  std::string Digest() {
    auto d = MD5Final(ctx_);
    return std::string(reinterpret_cast<const char*>(d.data()), d.size());
  }

 private:
  MD5Context ctx_;
};

std::string Md5Of(std::string_view bytes) { return Md5().Add(bytes).Digest(); }

std::string Rc4(std::string_view key, std::string_view data) { return RC4Cipher::Apply(key, data); }

std::string XorKey(std::string_view key, int i) {
  std::string k(key);
  for (auto& c : k) c = static_cast<char>(static_cast<uint8_t>(c) ^ i);
  return k;
}

// 32 bytes: the value's first 32 bytes, zero-filled.
std::string Fixed32(std::string_view value) {
  std::string v(value.substr(0, 32));
  v.resize(32, '\0');
  return v;
}

std::string LittleEndian32(int32_t value) {
  uint32_t v = static_cast<uint32_t>(value);
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

std::string RandomBytes(size_t n) {
  std::string out(n, '\0');
  if (RAND_bytes(reinterpret_cast<unsigned char*>(out.data()), static_cast<int>(n)) != 1)
    throw vn::ExvnException("Random number generator failed");
  return out;
}

int DefaultRevision(TvnPDFEncryptionLevel level) {
  switch (level) {
    case TvnPDFEncryptionLevel::elRC4_40Bit:
      return 2;
    case TvnPDFEncryptionLevel::elRC4_128Bit:
      return 3;
    case TvnPDFEncryptionLevel::elAES_128Bit:
      return 4;
  }
  return 3;
}

int RevisionOf(const TvnEncryptionSettings& s) { return s.Revision > 0 ? s.Revision : DefaultRevision(s.Level); }

size_t KeyLengthOf(const TvnEncryptionSettings& s, int revision) {
  if (revision == 2) return 5;
  if (s.KeyLength > 0) return static_cast<size_t>(std::clamp(s.KeyLength, 5, 16));
  return s.Level == TvnPDFEncryptionLevel::elRC4_40Bit ? 5 : 16;
}

// Eight letters, the local date and time as fourteen digits, and a random
// number: an owner password nobody knows, so that the restrictions of a
// document opened with its user password survive a later save.
std::string NewOwnerPassword() {
  DateParts t = DecodeDateTime(Now());
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  std::string r = RandomBytes(4);
  uint32_t value = (uint32_t(uint8_t(r[0])) << 24 | uint32_t(uint8_t(r[1])) << 16 | uint32_t(uint8_t(r[2])) << 8 |
                    uint32_t(uint8_t(r[3]))) %
                   2147483647u;
  return "Brisquel" + std::string(stamp) + std::to_string(value);
}

TvnUserPermissions PermissionsFromP(int32_t p, int revision) {
  auto bit = [p](int n) { return (static_cast<uint32_t>(p) >> (n - 1)) & 1; };
  TvnUserPermissions perms = AllUserPermissions();
  using T = TvnUserPermissionsType;
  if (!bit(3)) perms.Exclude(T::AllowPrint);
  if (!bit(4)) perms.Exclude(T::AllowModify);
  if (!bit(5)) perms.Exclude(T::AllowCopy);
  if (!bit(6)) perms.Exclude(T::AllowAnnotation);
  if (revision >= 3) {
    if (!bit(9)) perms.Exclude(T::AllowFormFill);
    if (!bit(10)) perms.Exclude(T::AllowAccessibility);
    if (!bit(11)) perms.Exclude(T::AllowDocAssembly);
    if (!bit(12)) perms.Exclude(T::AllowHighResPrint);
  }
  return perms;
}

// The bytes of a PDF string object.
std::string StringBytes(const TvnPDBaseObject* obj) {
  if (!obj || !obj->IsString()) return {};
  const TvnPDString* s = obj->AsString();
  return s->IsHexString() ? HexStringBytes(s->GetValue()) : s->GetValue();
}

int64_t IntEntry(const TvnPDDictionary* d, std::string_view key, int64_t fallback) {
  const TvnPDBaseObject* v = d ? d->LookUp(key) : nullptr;
  return v && v->IsInteger() ? v->AsInteger()->GetValue() : fallback;
}

}  // namespace

TvnUserPermissions AllUserPermissions() {
  using T = TvnUserPermissionsType;
  return {T::AllowCopy,          T::AllowModify,      T::AllowPrint,       T::AllowAnnotation,
          T::AllowFormFill,      T::AllowAccessibility, T::AllowDocAssembly, T::AllowHighResPrint};
}

TvnEncryptionSettings ReadStandardEncryption(const TvnPDDictionary& encrypt, std::string_view file_id) {
  const TvnPDBaseObject* filter = encrypt.LookUp("Filter");
  if (!filter || !filter->IsName("Standard")) throw ExUnsupportedEncryption();
  const int64_t v = IntEntry(&encrypt, "V", 0);
  const int64_t r = IntEntry(&encrypt, "R", 0);
  if (r < 2 || r > 4 || v < 0 || v > 4 || v == 3) throw ExUnsupportedEncryption();

  TvnEncryptionSettings s;
  s.Revision = static_cast<int>(r);
  s.OwnerPassword = StringBytes(encrypt.LookUp("O"));
  s.UserPassword = StringBytes(encrypt.LookUp("U"));
  s.Permission = static_cast<int32_t>(static_cast<uint32_t>(IntEntry(&encrypt, "P", 0)));
  s.FileID = std::string(file_id);
  const TvnPDBaseObject* meta = encrypt.LookUp("EncryptMetadata");
  s.EncryptMetadata = !(meta && meta->IsBoolean() && !meta->AsBoolean()->GetValue());

  int64_t bits = IntEntry(&encrypt, "Length", 40);
  bool aes = false;
  if (v == 4) {
    // The crypt filter streams use names the method and its key length;
    // when streams stay in the clear (Identity), the one strings use.
    const TvnPDBaseObject* stmf = encrypt.LookUp("StmF");
    if (stmf && stmf->IsName("Identity")) stmf = encrypt.LookUp("StrF");
    const bool identity = stmf && stmf->IsName("Identity");  // nothing encrypted at all
    if (!identity) {
      const TvnPDBaseObject* cf = encrypt.LookUp("CF");
      const TvnPDBaseObject* entry = nullptr;
      if (stmf && stmf->IsName() && cf && cf->IsDict()) entry = cf->AsDict()->LookUp(stmf->AsName()->GetValue());
      if (!entry || !entry->IsDict()) throw ExUnsupportedEncryption();
      const TvnPDBaseObject* cfm = entry->AsDict()->LookUp("CFM");
      if (cfm && cfm->IsName("AESV2"))
        aes = true;
      else if (!cfm || !cfm->IsName("V2"))
        throw ExUnsupportedEncryption();
      int64_t length = IntEntry(entry->AsDict(), "Length", aes ? 16 : bits / 8);
      bits = length <= 16 ? length * 8 : length;  // bytes as the standard says, or bits as some writers put it
      if (aes) bits = 128;
    }
  } else if (v < 2) {
    bits = 40;
  }
  if (bits < 40 || bits > 128) throw ExUnsupportedEncryption();
  s.KeyLength = r == 2 ? 5 : static_cast<int>(bits / 8);
  s.Algorithm = aes ? TvnCryptAlgorithm::cryptAES : TvnCryptAlgorithm::cryptRC4;
  s.Level = aes ? TvnPDFEncryptionLevel::elAES_128Bit
                : (r == 2 ? TvnPDFEncryptionLevel::elRC4_40Bit : TvnPDFEncryptionLevel::elRC4_128Bit);
  s.Enabled = true;
  return s;
}

// TvnStandardSecurity ---------------------------------------------------------

TvnStandardSecurity::TvnStandardSecurity(const TvnEncryptionSettings& s)
    : revision_(RevisionOf(s)),
      key_length_(KeyLengthOf(s, revision_)),
      algorithm_(s.Level == TvnPDFEncryptionLevel::elAES_128Bit ? TvnCryptAlgorithm::cryptAES
                                                                 : TvnCryptAlgorithm::cryptRC4),
      encrypt_metadata_(s.EncryptMetadata),
      o_(Fixed32(s.OwnerPassword)),
      u_(Fixed32(s.UserPassword)),
      file_id_(s.FileID),
      file_key_(s.FileKey) {
  std::string p = LittleEndian32(s.Permission);
  std::copy(p.begin(), p.end(), p_.begin());
}

std::string TvnStandardSecurity::PadPassword(std::string_view password) {
  std::string out(password.substr(0, 32));
  out.append(kPaddingView.substr(0, 32 - out.size()));
  return out;
}

std::string TvnStandardSecurity::UserKey(std::string_view padded) const {
  Md5 md5;
  md5.Add(padded).Add(o_).Add(std::string_view(reinterpret_cast<const char*>(p_.data()), 4)).Add(file_id_);
  if (revision_ >= 4 && !encrypt_metadata_) md5.Add("\xFF\xFF\xFF\xFF");
  std::string digest = md5.Digest();
  if (revision_ >= 3)
    for (int i = 0; i < 50; ++i) digest = Md5Of(std::string_view(digest).substr(0, key_length_));
  std::string key = digest.substr(0, key_length_);
  if (revision_ == 2) return Rc4(key, u_) == kPaddingView ? key : std::string();
  std::string expected = Md5().Add(kPaddingView).Add(file_id_).Digest();
  std::string x = u_;
  for (int i = 19; i >= 0; --i) x = Rc4(XorKey(key, i), x);
  return x.compare(0, 16, expected) == 0 ? key : std::string();
}

std::string TvnStandardSecurity::UserFromOwner(std::string_view password) const {
  std::string digest = Md5Of(PadPassword(password));
  if (revision_ >= 3)
    for (int i = 0; i < 50; ++i) digest = Md5Of(digest);
  std::string key = digest.substr(0, key_length_);
  if (revision_ == 2) return Rc4(key, o_);
  std::string x = o_;
  for (int i = 19; i >= 0; --i) x = Rc4(XorKey(key, i), x);
  return x;
}

std::string TvnStandardSecurity::ObjectKey(int64_t obj_number, int64_t gen_number) const {
  const char tail[5] = {static_cast<char>(obj_number), static_cast<char>(obj_number >> 8),
                        static_cast<char>(obj_number >> 16), static_cast<char>(gen_number),
                        static_cast<char>(gen_number >> 8)};
  Md5 md5;
  md5.Add(file_key_).Add(std::string_view(tail, 5));
  if (algorithm_ == TvnCryptAlgorithm::cryptAES) md5.Add("sAlT");
  std::string digest = md5.Digest();
  if (algorithm_ == TvnCryptAlgorithm::cryptAES) return digest;
  return digest.substr(0, std::min<size_t>(file_key_.size() + 5, 16));
}

std::string TvnStandardSecurity::Decrypt(std::string_view data, int64_t obj_number, int64_t gen_number) const {
  if (!HasKey()) return {};
  std::string key = ObjectKey(obj_number, gen_number);
  if (algorithm_ == TvnCryptAlgorithm::cryptAES) return TvnqAESCrypt::DecryptBytes(key, data);
  return Rc4(key, data);
}

// TvnDecrypt ------------------------------------------------------------------

TvnDecrypt::TvnDecrypt(TvnStream* stream, int64_t gen_number, int64_t obj_number,
                       const TvnEncryptionSettings& settings)
    : security_(settings),
      level_(settings.Level),
      permission_(settings.Permission),
      stream_(stream),
      obj_number_(obj_number),
      gen_number_(gen_number) {}

TvnDecrypt::TvnDecrypt(std::string data, int64_t gen_number, int64_t obj_number,
                       const TvnEncryptionSettings& settings)
    : security_(settings),
      level_(settings.Level),
      permission_(settings.Permission),
      string_(std::move(data)),
      obj_number_(obj_number),
      gen_number_(gen_number) {}

bool TvnDecrypt::CheckPassword(TvnEncryptionSettings* settings, std::string_view password) {
  std::string user_padded = security_.UserFromOwner(password);
  std::string key = security_.UserKey(user_padded);
  const bool owner = !key.empty();
  if (!owner) key = security_.UserKey(TvnStandardSecurity::PadPassword(password));
  if (key.empty()) return false;
  security_.SetFileKey(key);
  if (settings) {
    settings->Enabled = true;
    settings->Level = level_;
    settings->Revision = security_.Revision();
    settings->KeyLength = static_cast<int>(security_.KeyLength());
    settings->FileKey = key;
    settings->IsOwner = owner;
    if (owner) {
      settings->OwnerPassword = std::string(password);
      settings->UserPassword = user_padded;
      settings->UserPermissions = AllUserPermissions();
    } else {
      settings->UserPassword = std::string(password);
      settings->OwnerPassword = NewOwnerPassword();
      settings->UserPermissions = PermissionsFromP(permission_, security_.Revision());
    }
  }
  return true;
}

void TvnDecrypt::Reset() {
  buffer_.clear();
  pos_ = 0;
  std::string data;
  if (stream_) {
    stream_->Reset();
    stream_->Read(data, std::numeric_limits<size_t>::max());
  } else {
    data = string_;
  }
  buffer_ = security_.Decrypt(data, obj_number_, gen_number_);
}

int TvnDecrypt::LookChar() { return pos_ < buffer_.size() ? static_cast<uint8_t>(buffer_[pos_]) : -1; }

int TvnDecrypt::GetChar() { return pos_ < buffer_.size() ? static_cast<uint8_t>(buffer_[pos_++]) : -1; }

std::string TvnDecrypt::DecryptString(std::string_view data, int64_t gen_number, int64_t obj_number) const {
  return security_.Decrypt(data, obj_number, gen_number);
}

// TvnEncrypt ------------------------------------------------------------------

TvnEncrypt::TvnEncrypt(TvnStream* stream, int64_t gen_number, int64_t obj_number,
                       const TvnEncryptionSettings& settings, std::string_view creation_date)
    : TvnEncrypt(std::string(), gen_number, obj_number, settings, creation_date) {
  stream_ = stream;
}

TvnEncrypt::TvnEncrypt(std::string data, int64_t gen_number, int64_t obj_number,
                       const TvnEncryptionSettings& settings, std::string_view creation_date)
    : settings_(settings),
      string_(std::move(data)),
      obj_number_(obj_number),
      gen_number_(gen_number),
      revision_(RevisionOf(settings)),
      key_length_(KeyLengthOf(settings, revision_)) {
  // A fresh identifier for every save: the same passwords and date must not
  // give two documents the same keys.
  file_id_ = Md5().Add("Output1.pdf").Add(creation_date).Add(RandomBytes(16)).Digest();
  ComputeKeys();
}

void TvnEncrypt::SetFileID(std::string_view id) {
  file_id_ = std::string(id);
  ComputeKeys();
}

void TvnEncrypt::ComputeKeys() {
  const std::string& owner = settings_.OwnerPassword.empty() ? settings_.UserPassword : settings_.OwnerPassword;
  const std::string owner_pad = TvnStandardSecurity::PadPassword(owner);
  const std::string user_pad = TvnStandardSecurity::PadPassword(settings_.UserPassword);
  const size_t n = key_length_;

  std::string digest = Md5Of(owner_pad);
  if (revision_ >= 3)
    for (int i = 0; i < 50; ++i) digest = Md5Of(digest);
  std::string okey = digest.substr(0, n);
  if (revision_ == 2) {
    owner_key_ = Rc4(okey, user_pad);
  } else {
    owner_key_ = user_pad;
    for (int i = 0; i <= 19; ++i) owner_key_ = Rc4(XorKey(okey, i), owner_key_);
  }

  using T = TvnUserPermissionsType;
  const TvnUserPermissions& perms = settings_.UserPermissions;
  uint32_t p = revision_ == 2 ? 0xFFFFFFC0u : 0xFFFFF0C0u;
  if (perms.Contains(T::AllowPrint)) p |= 1u << 2;
  if (perms.Contains(T::AllowModify)) p |= 1u << 3;
  if (perms.Contains(T::AllowCopy)) p |= 1u << 4;
  if (perms.Contains(T::AllowAnnotation)) p |= 1u << 5;
  if (revision_ >= 3) {
    if (perms.Contains(T::AllowFormFill)) p |= 1u << 8;
    if (perms.Contains(T::AllowAccessibility)) p |= 1u << 9;
    if (perms.Contains(T::AllowDocAssembly)) p |= 1u << 10;
    if (perms.Contains(T::AllowHighResPrint) && perms.Contains(T::AllowPrint)) p |= 1u << 11;
  }
  permission_ = static_cast<int32_t>(p);

  Md5 md5;
  md5.Add(user_pad).Add(owner_key_).Add(LittleEndian32(permission_)).Add(file_id_);
  if (revision_ >= 4 && !settings_.EncryptMetadata) md5.Add("\xFF\xFF\xFF\xFF");
  digest = md5.Digest();
  if (revision_ >= 3)
    for (int i = 0; i < 50; ++i) digest = Md5Of(std::string_view(digest).substr(0, n));
  file_key_ = digest.substr(0, n);

  if (revision_ == 2) {
    user_key_ = Rc4(file_key_, kPaddingView);
  } else {
    std::string x = Md5().Add(kPaddingView).Add(file_id_).Digest();
    for (int i = 0; i <= 19; ++i) x = Rc4(XorKey(file_key_, i), x);
    user_key_ = x + std::string(16, '\0');
  }
}

std::string TvnEncrypt::EncryptBytes(std::string_view data) const {
  TvnEncryptionSettings s = settings_;
  s.Revision = revision_;
  s.KeyLength = static_cast<int>(key_length_);
  s.FileKey = file_key_;
  TvnStandardSecurity security(s);
  std::string key = security.ObjectKey(obj_number_, gen_number_);
  if (security.Algorithm() == TvnCryptAlgorithm::cryptAES) return TvnqAESCrypt::EncryptBytes(key, RandomBytes(16), data);
  return Rc4(key, data);
}

size_t TvnEncrypt::Write(TvnStream& out, size_t count) {
  if (!stream_) throw vn::ExInvalidStream("Invalid Stream");
  std::string data;
  stream_->Read(data, count);
  return out.Write(EncryptBytes(data));
}

size_t TvnEncrypt::Write(std::string_view buffer) {
  std::string encrypted = EncryptBytes(buffer);
  if (!stream_) {
    string_ = encrypted;
    return encrypted.size();
  }
  stream_->Reset();
  return stream_->Write(encrypted);
}

// TvnCryptStream --------------------------------------------------------------

TvnCryptStream::TvnCryptStream(TvnStream* stream, bool owned, int64_t gen_number, int64_t obj_number,
                               const TvnEncryptionSettings& settings, std::string_view creation_date)
    : TvnFilterStream(stream, owned, std::make_unique<TvnDecrypt>(stream, gen_number, obj_number, settings),
                      std::make_unique<TvnEncrypt>(stream, gen_number, obj_number, settings, creation_date)) {}

TvnCryptStream::TvnCryptStream(std::string data, int64_t gen_number, int64_t obj_number,
                               const TvnEncryptionSettings& settings, std::string_view creation_date)
    : TvnFilterStream(nullptr, false, std::make_unique<TvnDecrypt>(data, gen_number, obj_number, settings),
                      std::make_unique<TvnEncrypt>(data, gen_number, obj_number, settings, creation_date)) {}

}  // namespace vn::pdf
