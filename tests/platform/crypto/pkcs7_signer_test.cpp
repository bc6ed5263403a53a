// The PKCS#12 certificate and PKCS#7 signing stand-in over OpenSSL: reading
// certificates (and refusing what cannot be used), the messages checked by
// the openssl command, and signing a PDF's byte ranges in place.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "platform/crypto/pkcs7_signer.h"
#include "runtime/streams.h"
#include "support/prerequisites.h"
#include "support/test_certificates.h"

namespace vn::platform::pkcs7_signer_test {
namespace {

using vn::test_support::TestCertificate;

std::filesystem::path Scratch(const std::string& name, const std::string& bytes) {
  const auto path = std::filesystem::temp_directory_path() / ("pkcs7_" + name);
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

int Command(const std::string& command, std::string* output = nullptr) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  const int status = pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

TEST(Pkcs7Signer, ReadsTheCertificateWithItsKey) {
  const auto p12 = TestCertificate();
  if (p12.empty()) return;
  const auto certificate = TvnSigningCertificate::FromPKCS12File(p12, "secret");
  EXPECT_EQ(certificate->SubjectName(), "Fotarel Test Signer");
}

TEST(Pkcs7Signer, RefusesWhatCannotSign) {
  const auto p12 = TestCertificate();
  if (p12.empty()) return;
  auto message_of = [](const std::function<void()>& f) -> std::string {
    try {
      f();
    } catch (const ESigningError& e) {
      return e.what();
    }
    return "no error";
  };
  EXPECT_NE(message_of([&] { TvnSigningCertificate::FromPKCS12File(p12, "wrong"); }).find("the password is wrong"), std::string::npos);
  EXPECT_NE(message_of([&] { TvnSigningCertificate::FromPKCS12File("/nonexistent.p12", ""); }).find("cannot be opened"),
            std::string::npos);
  EXPECT_NE(message_of([&] { TvnSigningCertificate::FromPKCS12(std::string(100, 'x'), ""); }).find("not PKCS#12"),
            std::string::npos);
}

TEST(Pkcs7Signer, EmbeddedAndDetachedMessagesVerify) {
  const auto p12 = TestCertificate();
  if (p12.empty() || !vn::test_support::HaveTool("openssl")) return;
  const auto certificate = TvnSigningCertificate::FromPKCS12File(p12, "secret");
  const std::string content = "The signed content\x00\x01\xFF" + std::string(100, 'z');
  const std::string digest = Sha1Digest(content);
  ASSERT_EQ(digest.size(), 20u);
  EXPECT_EQ(HexOfBytes(Sha1Digest("abc")), "A9993E364706816ABA3E25717850C26C9CD0D89D");

  // Embedded: the message carries the digest, and verifies.
  const auto embedded = Scratch("embedded.p7", certificate->SignPKCS7(digest, false));
  const auto extracted = std::filesystem::temp_directory_path() / "pkcs7_extracted.bin";
  std::string out;
  ASSERT_EQ(Command("openssl smime -verify -noverify -binary -inform DER -in '" + embedded.string() + "' -out '" +
                    extracted.string() + "'",
                    &out),
            0)
      << out;
  EXPECT_TRUE(vn::ReadFileBytes(extracted) == digest);
  EXPECT_EQ(Command("openssl pkcs7 -inform DER -print -noout -in '" + embedded.string() + "'", &out), 0);
  EXPECT_NE(out.find("sha1"), std::string::npos) << out;
  EXPECT_NE(out.find("Fotarel Test Signer"), std::string::npos);

  // Detached: the content is brought by the verifier.
  const auto detached = Scratch("detached.p7", certificate->SignPKCS7(content, true));
  const auto data = Scratch("content.bin", content);
  EXPECT_EQ(Command("openssl smime -verify -noverify -binary -inform DER -in '" + detached.string() + "' -content '" +
                    data.string() + "' -out /dev/null",
                    &out),
            0)
      << out;
  const auto other = Scratch("other.bin", content + "!");
  EXPECT_NE(Command("openssl smime -verify -noverify -binary -inform DER -in '" + detached.string() + "' -content '" +
                    other.string() + "' -out /dev/null",
                    &out),
            0);
}

TEST(Pkcs7Signer, FillsThePdfSignatureRoomOrRefusesWhenItDoesNotFit) {
  const auto p12 = TestCertificate();
  if (p12.empty()) return;
  const auto certificate = TvnSigningCertificate::FromPKCS12File(p12, "secret");
  const size_t length = PDFSignatureLength(*certificate, TvnPDFSignatureKind::pkAdbePKCS7SHA1);
  EXPECT_GT(length, 500u);
  const std::string head = "%PDF-1.4 prefix bytes /Contents<";
  const std::string tail = ">/ByteRange [...] the rest of the file %%EOF";
  for (size_t room : {2 * length, 2 * length - 2}) {
    SCOPED_TRACE(room);
    vn::TMemoryStream stream;
    stream.WriteString("ahead of the file");
    const int64_t base = stream.Position();
    const std::string file = head + std::string(room, '0') + tail;
    stream.WriteString(file);
    const int64_t a = static_cast<int64_t>(head.size()) - 1;
    const int64_t b = a + static_cast<int64_t>(room) + 2;
    if (room < 2 * length) {
      EXPECT_THROW(FillPDFSignature(stream, base, a, b, *certificate, TvnPDFSignatureKind::pkAdbePKCS7SHA1), ESigningError);
      stream.SetPosition(base);
      EXPECT_EQ(stream.ReadAll(), file);  // nothing written
      continue;
    }
    FillPDFSignature(stream, base, a, b, *certificate, TvnPDFSignatureKind::pkAdbePKCS7SHA1);
    EXPECT_EQ(stream.Position(), stream.Size());
    stream.SetPosition(base);
    const std::string signed_file = stream.ReadAll();
    EXPECT_EQ(signed_file.substr(0, static_cast<size_t>(a) + 1), head);
    EXPECT_EQ(signed_file.substr(static_cast<size_t>(b) - 1), tail);
    const std::string hex = signed_file.substr(static_cast<size_t>(a) + 1, room);
    EXPECT_EQ(hex.substr(0, 2), "30");  // a DER sequence
    if (!vn::test_support::HaveTool("openssl")) continue;
    const auto message = Scratch("pdf.p7", FromHex(hex));
    const auto extracted = std::filesystem::temp_directory_path() / "pkcs7_pdf_digest.bin";
    std::string out;
    ASSERT_EQ(Command("openssl smime -verify -noverify -binary -inform DER -in '" + message.string() + "' -out '" + extracted.string() +
                      "'",
                      &out),
              0)
        << out;
    EXPECT_TRUE(vn::ReadFileBytes(extracted) == Sha1Digest(head.substr(0, head.size() - 1) + tail.substr(1)));
  }
}

}  // namespace
}  // namespace vn::platform::pkcs7_signer_test
