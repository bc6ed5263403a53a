// Contract: any Encrypt-dictionary values in (O, U, P, identifier, level,
// revision, key length) and any data, the security handler answers the
// password check and decrypts without crashing, reading out of bounds or
// raising anything but the framework's exceptions.
#include <cstddef>
#include <cstdint>
#include <string>

#include "pdf/crypt_stream.h"
#include "runtime/byte_reader.h"

using namespace vn::pdf;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vn::ByteReader r(data, size);
  TvnEncryptionSettings s;
  uint8_t mode = r.U8();
  s.Level = static_cast<TvnPDFEncryptionLevel>(mode % 3);
  s.Revision = (mode >> 2) & 7;
  s.KeyLength = r.U8() % 20;
  s.EncryptMetadata = (mode & 0x80) != 0;
  s.Permission = r.I32LE();
  s.OwnerPassword = r.String(std::min<size_t>(r.U8() % 48, r.remaining()));
  s.UserPassword = r.String(std::min<size_t>(r.U8() % 48, r.remaining()));
  s.FileID = r.String(std::min<size_t>(r.U8() % 40, r.remaining()));
  std::string password = r.String(std::min<size_t>(r.U8() % 40, r.remaining()));
  std::string payload = r.String(r.remaining());
  TvnCryptStream stage(payload, 0, 5, s);
  TvnEncryptionSettings filled;
  stage.CheckPassword(&filled, password);
  // Decrypt with a key whether or not the password was right.
  if (filled.FileKey.empty()) filled = s, filled.FileKey = password.substr(0, 16);
  TvnCryptStream keyed(payload, 0, 5, filled);
  keyed.Reset();
  while (keyed.GetChar() >= 0) {
  }
  return 0;
}
