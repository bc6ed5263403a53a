// The standard security handler: key derivation and password checks for
// revisions 2 to 4, permissions, per-object keys with RC4 and AES-128, the
// save side, and the encrypted files of the corpus, read through qpdf's
// view of them (no PDF parser involved): user, owner and wrong passwords,
// permissions against qpdf's, and stream data decrypted as qpdf does.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/aes_crypt.h"
#include "pdf/crypt_stream.h"
#include "pdf/objects.h"
#include "pdf/parser.h"
#include "runtime/streams.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace vn::pdf::crypt_stream_test {
namespace {

using P = TvnUserPermissionsType;

std::string FromHex(std::string_view hex) {
  auto nibble = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
  std::string out(hex.size() / 2, '\0');
  for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char>(nibble(hex[2 * i]) << 4 | nibble(hex[2 * i + 1]));
  return out;
}

Ref<TvnStream> Raw(const std::string& bytes) {
  auto mem = std::make_shared<vn::TMemoryStream>(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  return Ref<TvnStream>::Adopt(new TvnMemoryStream(mem, 0, static_cast<int64_t>(bytes.size()), true));
}

std::string ReadAll(TvnStream& s) {
  std::string out;
  s.Read(out, std::numeric_limits<size_t>::max());
  return out;
}

// The settings a reader gets from the Encrypt dictionary TvnEncrypt made.
TvnEncryptionSettings OpenSettings(const TvnEncrypt& e, TvnPDFEncryptionLevel level, bool encrypt_metadata = true) {
  TvnEncryptionSettings open;
  open.Level = level;
  open.OwnerPassword = e.OwnerKey();
  open.UserPassword = e.UserKey();
  open.Permission = e.PermissionValue();
  open.FileID = e.FileID();
  open.EncryptMetadata = encrypt_metadata;
  return open;
}

// Settings for saving, and the settings a reader gets from what TvnEncrypt
// computed.
struct Saved {
  TvnEncryptionSettings open;
  std::string file_key;
};

Saved Save(TvnPDFEncryptionLevel level, std::string user, std::string owner, TvnUserPermissions perms,
           bool encrypt_metadata = true) {
  TvnEncryptionSettings s;
  s.Level = level;
  s.UserPassword = user;
  s.OwnerPassword = owner;
  s.UserPermissions = perms;
  s.EncryptMetadata = encrypt_metadata;
  TvnEncrypt e(std::string(), 0, 1, s, "D:20260101000000");
  Saved out;
  out.open = OpenSettings(e, level, encrypt_metadata);
  out.file_key = e.FileKey();
  return out;
}

TEST(SecurityHandler, PaddingAndTheRevision2KeyOfTheStandard) {
  EXPECT_EQ(TvnStandardSecurity::PadPassword("").size(), 32u);
  EXPECT_EQ(static_cast<uint8_t>(TvnStandardSecurity::PadPassword("")[0]), 0x28);
  EXPECT_EQ(TvnStandardSecurity::PadPassword("ab").substr(0, 3), std::string("ab\x28", 3));
  EXPECT_EQ(TvnStandardSecurity::PadPassword(std::string(40, 'x')), std::string(32, 'x'));
}

TEST(SecurityHandler, SavedSettingsOpenWithEachPassword) {
  const TvnUserPermissions restricted{P::AllowPrint, P::AllowAccessibility};
  struct Case {
    TvnPDFEncryptionLevel level;
    int revision;
    size_t key_length;
  } cases[] = {{TvnPDFEncryptionLevel::elRC4_40Bit, 2, 5},
               {TvnPDFEncryptionLevel::elRC4_128Bit, 3, 16},
               {TvnPDFEncryptionLevel::elAES_128Bit, 4, 16}};
  for (const auto& c : cases) {
    for (bool metadata : {true, false}) {
      Saved saved = Save(c.level, "user pw", "owner pw", restricted, metadata);
      TvnDecrypt d(std::string(), 0, 0, saved.open);
      EXPECT_EQ(d.Security().Revision(), c.revision);
      EXPECT_EQ(d.Security().KeyLength(), c.key_length);

      TvnEncryptionSettings as_owner;
      ASSERT_TRUE(d.CheckPassword(&as_owner, "owner pw"));
      EXPECT_TRUE(as_owner.IsOwner);
      EXPECT_TRUE(as_owner.Enabled);
      EXPECT_EQ(as_owner.UserPermissions, AllUserPermissions());
      EXPECT_EQ(as_owner.OwnerPassword, "owner pw");
      EXPECT_EQ(as_owner.UserPassword, TvnStandardSecurity::PadPassword("user pw"));
      EXPECT_EQ(as_owner.FileKey, saved.file_key);

      TvnEncryptionSettings as_user;
      ASSERT_TRUE(d.CheckPassword(&as_user, "user pw"));
      EXPECT_FALSE(as_user.IsOwner);
      EXPECT_EQ(as_user.UserPassword, "user pw");
      EXPECT_EQ(as_user.FileKey, saved.file_key);
      // Bits 9 to 12 count from revision 3 on, whatever the algorithm.
      TvnUserPermissions expected = c.revision == 2 ? restricted | TvnUserPermissions{P::AllowFormFill,
                                                                                      P::AllowDocAssembly,
                                                                                      P::AllowHighResPrint}
                                                    : restricted;
      EXPECT_EQ(as_user.UserPermissions, expected) << c.revision;
      // The invented owner password: eight letters, then 15 to 24 digits.
      const std::string& o = as_user.OwnerPassword;
      EXPECT_EQ(o.substr(0, 8), "Brisquel");
      EXPECT_GE(o.size(), 8u + 15u);
      EXPECT_LE(o.size(), 8u + 24u);
      EXPECT_EQ(o.find_first_not_of("0123456789", 8), std::string::npos);

      TvnEncryptionSettings untouched;
      untouched.OwnerPassword = "keep";
      EXPECT_FALSE(d.CheckPassword(&untouched, "wrong"));
      EXPECT_EQ(untouched.OwnerPassword, "keep");
      EXPECT_FALSE(untouched.Enabled);
    }
  }
}

TEST(SecurityHandler, OwnerPasswordDefaultsToTheUserPassword) {
  Saved saved = Save(TvnPDFEncryptionLevel::elRC4_128Bit, "only", "", {});
  TvnDecrypt d(std::string(), 0, 0, saved.open);
  TvnEncryptionSettings s;
  ASSERT_TRUE(d.CheckPassword(&s, "only"));
  EXPECT_TRUE(s.IsOwner);
}

TEST(SecurityHandler, IdentifiersOfAnyLength) {
  // Identifiers of 20 or 32 bytes (binary or hex-looking) and empty ones
  // take part in the keys as they are.
  for (std::string id : {std::string(20, '\x07'), std::string("0123456789abcdef0123456789abcdef"), std::string()}) {
    TvnEncryptionSettings s;
    s.Level = TvnPDFEncryptionLevel::elRC4_128Bit;
    s.UserPassword = "u";
    TvnEncrypt e(std::string(), 0, 1, s, "");
    e.SetFileID(id);
    TvnEncryptionSettings open = OpenSettings(e, s.Level);
    TvnDecrypt d(std::string(), 0, 0, open);
    EXPECT_TRUE(d.CheckPassword(nullptr, "u")) << id.size();
    open.FileID = id + "!";
    TvnDecrypt other(std::string(), 0, 0, open);
    EXPECT_FALSE(other.CheckPassword(nullptr, "u")) << id.size();
  }
}

TEST(SecurityHandler, StringsAndStreamsRoundTrip) {
  const std::string text = "Secret page content, long enough for a few AES blocks.";
  for (auto level : {TvnPDFEncryptionLevel::elRC4_40Bit, TvnPDFEncryptionLevel::elRC4_128Bit,
                     TvnPDFEncryptionLevel::elAES_128Bit}) {
    TvnEncryptionSettings s;
    s.Level = level;
    s.UserPassword = "pw";
    TvnEncrypt encrypt(std::string(), 0, 7, s, "");
    std::string cipher = encrypt.EncryptBytes(text);
    EXPECT_NE(cipher, text);
    if (level == TvnPDFEncryptionLevel::elAES_128Bit) {
      EXPECT_EQ(cipher.size(), 16 + 64u);  // IV plus padded blocks
      EXPECT_NE(encrypt.EncryptBytes(text), cipher) << "a fresh IV each time";
    } else {
      EXPECT_EQ(cipher.size(), text.size());
    }

    TvnEncryptionSettings open = OpenSettings(encrypt, level);
    // A string stage checks the password, then decrypts.
    TvnCryptStream string_stage(cipher, 0, 7, open);
    string_stage.Reset();
    EXPECT_EQ(string_stage.GetChar(), -1) << "nothing before a password check";
    TvnEncryptionSettings filled;
    ASSERT_TRUE(string_stage.CheckPassword(&filled, "pw"));
    string_stage.Reset();
    EXPECT_EQ(ReadAll(string_stage), text);
    // A stream stage made with the file key decrypts without a check; the
    // wrong object number gives other bytes.
    TvnCryptStream stream_stage(Raw(cipher).Release(), true, 0, 7, filled);
    stream_stage.Reset();
    EXPECT_EQ(ReadAll(stream_stage), text);
    TvnCryptStream other(Raw(cipher).Release(), true, 0, 8, filled);
    other.Reset();
    EXPECT_NE(ReadAll(other), text);
  }
}

TEST(SecurityHandler, PermissionValueOfTheSaveSide) {
  struct Case {
    TvnPDFEncryptionLevel level;
    TvnUserPermissions perms;
    uint32_t expected;
  } cases[] = {
      {TvnPDFEncryptionLevel::elRC4_40Bit, {}, 0xFFFFFFC0u},
      {TvnPDFEncryptionLevel::elRC4_40Bit, AllUserPermissions(), 0xFFFFFFFCu},
      {TvnPDFEncryptionLevel::elRC4_128Bit, {}, 0xFFFFF0C0u},
      {TvnPDFEncryptionLevel::elRC4_128Bit, AllUserPermissions(), 0xFFFFFFFCu},
      // High-resolution printing needs printing.
      {TvnPDFEncryptionLevel::elRC4_128Bit, {P::AllowHighResPrint}, 0xFFFFF0C0u},
      {TvnPDFEncryptionLevel::elRC4_128Bit, {P::AllowPrint, P::AllowFormFill}, 0xFFFFF1C4u},
  };
  for (const auto& c : cases) {
    TvnEncryptionSettings s;
    s.Level = c.level;
    s.UserPermissions = c.perms;
    TvnEncrypt e(std::string(), 0, 1, s, "");
    EXPECT_EQ(static_cast<uint32_t>(e.PermissionValue()), c.expected);
    EXPECT_EQ(e.OwnerKey().size(), 32u);
    EXPECT_EQ(e.UserKey().size(), 32u);
    EXPECT_EQ(e.FileID().size(), 16u);
  }
}

TEST(SecurityHandler, AesMatchesTheCbcTestVector) {
  // SP 800-38A F.2.1, first block.
  std::string key = FromHex("2b7e151628aed2a6abf7158809cf4f3c");
  std::string iv = FromHex("000102030405060708090a0b0c0d0e0f");
  std::string plain = FromHex("6bc1bee22e409f96e93d7e117393172a");
  std::string out = TvnqAESCrypt::EncryptBytes(key, iv, plain);
  ASSERT_EQ(out.size(), 48u);
  EXPECT_EQ(out.substr(16, 16), FromHex("7649abac8119b246cee98e9b12e9197d"));
  EXPECT_EQ(TvnqAESCrypt::DecryptBytes(key, out), plain);
  EXPECT_EQ(TvnqAESCrypt::DecryptBytes(key, out.substr(0, 15)), "");
  EXPECT_EQ(TvnqAESCrypt::DecryptBytes(key, out.substr(0, 16)), "");
  // A trailing partial block is dropped.
  EXPECT_EQ(TvnqAESCrypt::DecryptBytes(key, out + "xyz"), plain);
}

TEST(SecurityHandler, UnsupportedHandlers) {
  auto dict = [](const char* filter, int v, int r) {
    auto d = std::make_unique<TvnPDDictionary>();
    d->Add("Filter", std::make_unique<TvnPDName>(filter));
    d->Add("V", std::make_unique<TvnPDInteger>(v));
    d->Add("R", std::make_unique<TvnPDInteger>(r));
    return d;
  };
  EXPECT_THROW(ReadStandardEncryption(*dict("Standard", 5, 6), ""), ExUnsupportedEncryption);
  EXPECT_THROW(ReadStandardEncryption(*dict("Standard", 5, 5), ""), ExUnsupportedEncryption);
  EXPECT_THROW(ReadStandardEncryption(*dict("PubSec", 4, 4), ""), ExUnsupportedEncryption);
  EXPECT_THROW(ReadStandardEncryption(*dict("Standard", 4, 4), ""), ExUnsupportedEncryption) << "V4 without CF";
  EXPECT_NO_THROW(ReadStandardEncryption(*dict("Standard", 1, 2), ""));
}

// Version 4 with streams left in the clear (StmF Identity) takes its method
// from the filter strings use.
TEST(SecurityHandler, IdentityStreamFilterUsesTheStringFilter) {
  auto parse = [](const std::string& text) {
    auto mem = std::make_shared<vn::TMemoryStream>();
    mem->WriteString(text);
    TvnPDParser parser(nullptr, std::make_unique<TvnPDLexer>(MakeRef<TvnMemoryStream>(mem, 0, 0, false)), false);
    auto obj = parser.GetObject();
    return std::unique_ptr<TvnPDDictionary>(obj.release()->AsDict());
  };
  const std::string cf = "/Filter/Standard/V 4/R 4/CF<</StdCF<</CFM/AESV2/Length 16>>/RC<</CFM/V2/Length 16>>>>";
  struct Case {
    std::string entries;
    TvnPDFEncryptionLevel level;
  } cases[] = {
      {"/StmF/Identity/StrF/StdCF", TvnPDFEncryptionLevel::elAES_128Bit},
      {"/StmF/StdCF/StrF/Identity", TvnPDFEncryptionLevel::elAES_128Bit},
      {"/StmF/Identity/StrF/RC", TvnPDFEncryptionLevel::elRC4_128Bit},
      {"/StmF/Identity/StrF/Identity", TvnPDFEncryptionLevel::elRC4_128Bit},
  };
  for (const Case& c : cases) {
    auto d = parse("<<" + cf + c.entries + ">>");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(ReadStandardEncryption(*d, "").Level, c.level) << c.entries;
  }
  EXPECT_THROW(ReadStandardEncryption(*parse("<<" + cf + "/StmF/Identity/StrF/None>>"), ""), ExUnsupportedEncryption);
}

bool HaveTools();

std::string Hex(std::string_view bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) out += {digits[c >> 4], digits[c & 15]};
  return out;
}

std::string RunCommand(const std::string& cmd) {
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

// A one-page PDF whose content stream and Title string are encrypted by
// TvnEncrypt, with its Encrypt dictionary and ID; qpdf must open it with
// either password and give back the plain data.
TEST(SecurityHandler, SavedFilesDecryptWithQpdf) {
  if (!HaveTools()) GTEST_SKIP() << "qpdf missing";
  const std::string content = "BT /F1 24 Tf 72 700 Td (Encrypted by us) Tj ET";
  const std::string title = "A secret title";
  struct Case {
    TvnPDFEncryptionLevel level;
    const char* dict;
  } cases[] = {
      {TvnPDFEncryptionLevel::elRC4_40Bit, "/V 1 /R 2 /Length 40"},
      {TvnPDFEncryptionLevel::elRC4_128Bit, "/V 2 /R 3 /Length 128"},
      {TvnPDFEncryptionLevel::elAES_128Bit,
       "/V 4 /R 4 /Length 128 /CF << /StdCF << /CFM /AESV2 /Length 16 /AuthEvent /DocOpen >> >> /StmF /StdCF /StrF "
       "/StdCF"},
  };
  for (const auto& c : cases) {
    TvnEncryptionSettings s;
    s.Level = c.level;
    s.UserPassword = "reader";
    s.OwnerPassword = "author";
    s.UserPermissions = {P::AllowPrint, P::AllowCopy};
    TvnEncrypt stream_enc(std::string(), 0, 4, s, "D:20260101");
    TvnEncrypt string_enc(std::string(), 0, 6, s, "D:20260101");
    string_enc.SetFileID(stream_enc.FileID());
    const std::string data = stream_enc.EncryptBytes(content);

    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>",
        "<< /Length " + std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream",
        "<< /Filter /Standard " + std::string(c.dict) + " /O <" + Hex(stream_enc.OwnerKey()) + "> /U <" +
            Hex(stream_enc.UserKey()) + "> /P " + std::to_string(stream_enc.PermissionValue()) + " >>",
        "<< /Title <" + Hex(string_enc.EncryptBytes(title)) + "> >>",
    };
    std::string pdf = "%PDF-1.6\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
      offsets.push_back(pdf.size());
      pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t off : offsets) {
      char line[32];
      std::snprintf(line, sizeof line, "%010zu 00000 n \n", off);
      pdf += line;
    }
    std::string id = Hex(stream_enc.FileID());
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
           " /Root 1 0 R /Info 6 0 R /Encrypt 5 0 R /ID [<" + id + "> <" + id + ">] >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    auto path = std::filesystem::temp_directory_path() / ("vn_saved_" + std::to_string(int(c.level)) + ".pdf");
    vn::TMemoryStream file(std::vector<uint8_t>(pdf.begin(), pdf.end()));
    file.SaveToFile(path);

    for (const char* password : {"reader", "author"}) {
      SCOPED_TRACE(std::string(c.dict) + " password " + password);
      std::string q = "qpdf --password=" + std::string(password) + " ";
      EXPECT_EQ(RunCommand(q + "--show-object=4 --raw-stream-data " + path.string()), content);
      EXPECT_NE(RunCommand(q + "--show-object=6 " + path.string()).find("(A secret title)"), std::string::npos);
      std::string check = RunCommand(q + "--check " + path.string() + " 2>&1");
      EXPECT_NE(check.find("No syntax or stream encoding errors"), std::string::npos) << check;
      std::string enc = RunCommand(q + "--show-encryption " + path.string());
      EXPECT_NE(enc.find(std::string("Supplied password is ") + (password[0] == 'a' ? "owner" : "user")),
                std::string::npos)
          << enc;
    }
    EXPECT_NE(RunCommand("qpdf --password=nope --check " + path.string() + " 2>&1").find("invalid password"),
              std::string::npos);
    std::filesystem::remove(path);
  }
}

// --- the corpus, through qpdf ------------------------------------------------

struct Info {
  std::map<std::string, std::string> values;
  struct Stream {
    int64_t obj, gen;
    size_t start, length;
    std::string plain;
  };
  std::vector<Stream> streams;
};

bool HaveTools() { return vn::test_support::HaveTool("qpdf") && vn::test_support::HaveTool("python3"); }

// What encrypt_info.py prints of each file, by path; one interpreter reads
// them all.
std::map<std::string, Info> ReadInfos(const std::vector<std::pair<std::filesystem::path, std::string>>& files) {
  std::string cmd = "python3 '" + std::string(VN_FIXTURES_DIR) + "/pdf/filters/encrypt_info.py'";
  for (const auto& [file, password] : files) cmd += " '" + file.string() + "' '" + password + "'";
  std::map<std::string, Info> infos;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return infos;
  std::string out;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  std::istringstream lines(out);
  std::string line;
  Info* info = nullptr;
  while (std::getline(lines, line)) {
    std::istringstream ls(line);
    std::string key;
    ls >> key;
    if (key == "FILE") {
      info = &infos[line.substr(5)];
    } else if (!info) {
      continue;
    } else if (key == "STREAM") {
      Info::Stream s;
      std::string hex;
      ls >> s.obj >> s.gen >> s.start >> s.length >> hex;
      s.plain = FromHex(hex);
      info->streams.push_back(s);
    } else {
      std::string rest;
      std::getline(ls, rest);
      info->values[key] = rest.empty() ? rest : rest.substr(1);
    }
  }
  return infos;
}

std::unique_ptr<TvnPDDictionary> EncryptDict(const Info& info) {
  const auto& v = info.values;
  auto dict = std::make_unique<TvnPDDictionary>();
  TvnPDDictionary& d = *dict;
  d.Add("Filter", std::make_unique<TvnPDName>("Standard"));
  for (const char* key : {"V", "R", "Length", "P"})
    if (v.count(key)) d.Add(key, std::make_unique<TvnPDInteger>(std::stoll(v.at(key))));
  d.Add("O", std::make_unique<TvnPDString>(FromHex(v.at("O"))));
  d.Add("U", std::make_unique<TvnPDString>(v.at("U"), true));  // as a hex string
  if (v.at("EncryptMetadata") == "0") d.Add("EncryptMetadata", std::make_unique<TvnPDBoolean>(false));
  if (v.count("StmF")) {
    d.Add("StmF", std::make_unique<TvnPDName>(v.at("StmF")));
    auto filter = std::make_unique<TvnPDDictionary>();
    filter->Add("CFM", std::make_unique<TvnPDName>(v.at("CFM")));
    if (v.count("CFLength")) filter->Add("Length", std::make_unique<TvnPDInteger>(std::stoll(v.at("CFLength"))));
    auto cf = std::make_unique<TvnPDDictionary>();
    cf->Add(v.at("StmF"), std::move(filter));
    d.Add("CF", std::move(cf));
  }
  return dict;
}

TvnUserPermissions PermissionsFromQpdf(const std::string& caps) {
  TvnUserPermissions perms;
  const std::pair<const char*, P> map[] = {
      {"printlow=1", P::AllowPrint},          {"printhigh=1", P::AllowHighResPrint},
      {"modifyother=1", P::AllowModify},      {"extract=1", P::AllowCopy},
      {"modifyannotations=1", P::AllowAnnotation}, {"modifyforms=1", P::AllowFormFill},
      {"accessibility=1", P::AllowAccessibility},  {"modifyassembly=1", P::AllowDocAssembly}};
  for (auto [text, perm] : map)
    if (caps.find(text) != std::string::npos) perms.Include(perm);
  return perms;
}

TEST(SecurityHandlerCorpus, EncryptedFiles) {
  const std::filesystem::path dir = std::filesystem::path(VN_CORPUS_DIR) / "pdf";
  if (!std::filesystem::exists(dir)) GTEST_SKIP() << "no corpus";
  if (!HaveTools()) GTEST_SKIP() << "qpdf or python3 missing";
  struct Case {
    const char* file;
    const char* user;
    const char* owner;  // empty: unknown
    TvnPDFEncryptionLevel level;
    int revision;
    size_t key_length;
  } cases[] = {
      {"qpdf_enc-R2_V1_U-view_O-master.pdf", "view", "master", TvnPDFEncryptionLevel::elRC4_40Bit, 2, 5},
      {"qpdf_enc-R3_V2_U-view_O-master.pdf", "view", "master", TvnPDFEncryptionLevel::elRC4_128Bit, 3, 16},
      {"qpdf_c-r2.pdf", "user1", "owner1", TvnPDFEncryptionLevel::elRC4_40Bit, 2, 5},
      {"qpdf_c-r3.pdf", "user2", "owner2", TvnPDFEncryptionLevel::elRC4_128Bit, 3, 16},
      {"qpdf_c-r4.pdf", "user2", "owner2", TvnPDFEncryptionLevel::elAES_128Bit, 4, 16},
      {"qpdf_job-json-encrypt-128.pdf", "u", "o", TvnPDFEncryptionLevel::elAES_128Bit, 4, 16},
      {"qpdf_encrypted-40-bit-R3.pdf", "623", "", TvnPDFEncryptionLevel::elRC4_128Bit, 3, 5},
      {"qpdf_enc-long-password.pdf", "asdf asdf asdf asdf asdf asdf qw", "", TvnPDFEncryptionLevel::elRC4_128Bit, 3,
       16},
      {"qpdf_V4.pdf", "", "", TvnPDFEncryptionLevel::elRC4_128Bit, 4, 16},
      {"qpdf_V4-aes.pdf", "", "", TvnPDFEncryptionLevel::elAES_128Bit, 4, 16},
      {"qpdf_V4-aes-clearmeta.pdf", "", "", TvnPDFEncryptionLevel::elAES_128Bit, 4, 16},
      {"pdfjs_issue9972-1.pdf", "", "", TvnPDFEncryptionLevel::elAES_128Bit, 4, 16},
      {"pdfjs_bug900822.pdf", "", "", TvnPDFEncryptionLevel::elRC4_40Bit, 2, 5},
      {"pdfjs_issue17215.pdf", "", "", TvnPDFEncryptionLevel::elRC4_128Bit, 3, 16},
      {"qpdf_short-O-U.pdf", "19723102477", "", TvnPDFEncryptionLevel::elAES_128Bit, 4, 16},
  };
  std::vector<std::pair<std::filesystem::path, std::string>> files;
  for (const auto& c : cases)
    if (std::filesystem::exists(dir / c.file)) files.emplace_back(dir / c.file, c.user);
  std::map<std::string, Info> infos = ReadInfos(files);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const auto path = dir / c.file;
    if (!std::filesystem::exists(path)) continue;
    Info& info = infos[path.string()];
    ASSERT_TRUE(info.values.count("O")) << "qpdf gave no Encrypt dictionary";
    TvnEncryptionSettings doc = ReadStandardEncryption(*EncryptDict(info), FromHex(info.values.at("ID")));
    EXPECT_EQ(doc.Level, c.level);
    EXPECT_EQ(doc.Revision, c.revision);
    EXPECT_EQ(static_cast<size_t>(doc.KeyLength), c.key_length);
    EXPECT_EQ(doc.EncryptMetadata, info.values.at("EncryptMetadata") == "1");

    TvnCryptStream probe(std::string(), 0, 0, doc);
    TvnEncryptionSettings user;
    ASSERT_TRUE(probe.CheckPassword(&user, c.user));
    if (c.owner[0] != '\0') {
      EXPECT_FALSE(user.IsOwner);
      // Permissions as qpdf reports them (revision 2 keeps the bits it has
      // no meaning for).
      if (c.revision >= 3) {
        EXPECT_EQ(user.UserPermissions, PermissionsFromQpdf(info.values.at("CAPS")));
      }
      TvnEncryptionSettings owner;
      ASSERT_TRUE(probe.CheckPassword(&owner, c.owner));
      EXPECT_TRUE(owner.IsOwner);
      EXPECT_EQ(owner.UserPermissions, AllUserPermissions());
      EXPECT_EQ(owner.UserPassword, TvnStandardSecurity::PadPassword(c.user));
      EXPECT_EQ(owner.FileKey, user.FileKey);
    }
    TvnEncryptionSettings wrong;
    EXPECT_FALSE(probe.CheckPassword(&wrong, "x" + std::string(c.user)));
    if (std::string(c.user).size() == 32) {
      EXPECT_FALSE(probe.CheckPassword(&wrong, std::string(c.user, 31)));
    }

    // Stream data decrypted as qpdf decrypts them.
    vn::TMemoryStream file;
    file.LoadFromFile(path);
    ASSERT_FALSE(info.streams.empty());
    for (const auto& s : info.streams) {
      std::string raw(reinterpret_cast<const char*>(file.Memory()) + s.start, s.length);
      TvnCryptStream stage(Raw(raw).Release(), true, s.gen, s.obj, user);
      stage.Reset();
      EXPECT_TRUE(ReadAll(stage) == s.plain) << "object " << s.obj;
    }
  }
}

TEST(SecurityHandlerCorpus, Aes256FilesAreUnsupported) {
  const std::filesystem::path dir = std::filesystem::path(VN_CORPUS_DIR) / "pdf";
  if (!std::filesystem::exists(dir)) GTEST_SKIP() << "no corpus";
  if (!HaveTools()) GTEST_SKIP() << "qpdf or python3 missing";
  const std::pair<const char*, const char*> aes256[] = {{"pdfjs_issue6010_1.pdf", "abc"}, {"pdfjs_issue7665.pdf", ""}};
  std::vector<std::pair<std::filesystem::path, std::string>> files;
  for (auto [file, password] : aes256)
    if (std::filesystem::exists(dir / file)) files.emplace_back(dir / file, password);
  std::map<std::string, Info> infos = ReadInfos(files);
  for (auto [file, password] : aes256) {
    if (!std::filesystem::exists(dir / file)) continue;
    Info& info = infos[(dir / file).string()];
    ASSERT_EQ(info.values["R"], "6") << file;
    EXPECT_THROW(ReadStandardEncryption(*EncryptDict(info), FromHex(info.values.at("ID"))), ExUnsupportedEncryption)
        << file;
  }
}

}  // namespace
}  // namespace vn::pdf::crypt_stream_test
