#include "export/vnqEngineSupport.h"

#include <openssl/evp.h>

namespace vn::exporter {

TvnDigest DigestMD5(std::string_view bytes) {
  TvnDigest digest{};
  unsigned int length = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_md5(), nullptr);
  return digest;
}

}  // namespace vn::exporter
