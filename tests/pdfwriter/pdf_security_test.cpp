// The writer's standard security handler: the permission values, keys and
// the encryption dictionary; encrypted documents at 40 and 128 bits opened
// by qpdf and pdftoppm with the user password (and refused with a wrong
// one), with the permissions qpdf reports.
#include <regex>

#include "pdf_test_support.h"
#include "pdfwriter/pdf_security.h"
#include "support/prerequisites.h"

namespace vn::pdfwriter::testing::pdf_security_test {
namespace {

using P = TvnUserPermissionsType;

TvnPDFEncryptionSettings Settings(TvnPDFEncryptionLevel level, const std::string& user, const std::string& owner,
                                  TvnUserPermissions permissions) {
  TvnPDFEncryptionSettings s;
  s.SetEnabled(true);
  s.SetLevel(level);
  s.SetUserPassword(user);
  s.SetOwnerPassword(owner);
  s.SetUserPermissions(permissions);
  return s;
}

const TvnUserPermissions kAll = TvnPDFEncryptionSettings().UserPermissions();

TEST(PdfSecurity, PermissionValues) {
  const auto r2 = TvnPDFEncryptionLevel::e40bit;
  const auto r3 = TvnPDFEncryptionLevel::e128bit;
  EXPECT_EQ(TvnPDFEncryption::PermissionValueOf(kAll, r2), -4);
  EXPECT_EQ(TvnPDFEncryption::PermissionValueOf(kAll, r3), -4);
  EXPECT_EQ(TvnPDFEncryption::PermissionValueOf({}, r2), -64);
  EXPECT_EQ(TvnPDFEncryption::PermissionValueOf({}, r3), -3904);
  // 0xFFFFF0C0 | 4 | 0x10
  EXPECT_EQ(TvnPDFEncryption::PermissionValueOf({P::AllowPrint, P::AllowCopy}, r3), -3884);
  // High-resolution printing only with printing.
  EXPECT_EQ(TvnPDFEncryption::PermissionValueOf({P::AllowHighResPrint}, r3), -3904);
  EXPECT_EQ(TvnPDFEncryption::PermissionValueOf({P::AllowHighResPrint, P::AllowPrint}, r3), -3904 + 4 + 0x800);
  // Revision 2 knows only the first four.
  EXPECT_EQ(TvnPDFEncryption::PermissionValueOf({P::AllowFormFill, P::AllowDocAssembly}, r2), -64);
}

TEST(PdfSecurity, KeysAndDictionary) {
  const TvnPDFEncryption r2("out.pdf", Settings(TvnPDFEncryptionLevel::e40bit, "", "", {}), "D:20240305143015+01'00'");
  EXPECT_EQ(r2.Revision(), 2);
  EXPECT_EQ(r2.FileKey().size(), 5u);
  EXPECT_EQ(r2.ObjectKey(7, 0).size(), 10u);
  EXPECT_TRUE(std::regex_match(r2.DictionaryText(),
                               std::regex("/V 1/R 2/P -64/Filter/Standard/O <[0-9A-F]{64}>/U <[0-9A-F]{64}>\r\n")));

  const TvnPDFEncryption r3("out.pdf", Settings(TvnPDFEncryptionLevel::e128bit, "u", "o", kAll), "D:20240305143015+01'00'");
  EXPECT_EQ(r3.Revision(), 3);
  EXPECT_EQ(r3.FileKey().size(), 16u);
  EXPECT_EQ(r3.ObjectKey(7, 0).size(), 16u);
  EXPECT_NE(r3.ObjectKey(7, 0), r3.ObjectKey(8, 0));
  EXPECT_TRUE(std::regex_match(r3.DictionaryText(),
                               std::regex("/V 2/R 3/P -4/Length 128/Filter/Standard/O <[0-9A-F]{64}>/U <[0-9A-F]{32}0{32}>\r\n")));
  // The identifier comes from the file name and the creation time only.
  EXPECT_EQ(r3.FileID(), r2.FileID());
  EXPECT_EQ(r3.FileID(), MakeFileID("out.pdf", "D:20240305143015+01'00'"));
  EXPECT_NE(r3.FileID(), MakeFileID("out.pdf", "D:20240305143016+01'00'"));

  // An empty owner password is the user password.
  const TvnPDFEncryption same("x", Settings(TvnPDFEncryptionLevel::e128bit, "u", "u", kAll), "t");
  const TvnPDFEncryption empty("x", Settings(TvnPDFEncryptionLevel::e128bit, "u", "", kAll), "t");
  EXPECT_EQ(same.OwnerKey(), empty.OwnerKey());
  EXPECT_EQ(same.UserKey(), empty.UserKey());

  // Strings keep their length.
  const std::string text = r3.EncryptString("0123456789", 3, 0);
  EXPECT_EQ(text.size(), 10u);
  EXPECT_NE(text, "0123456789");
  EXPECT_EQ(r3.EncryptString(text, 3, 0), "0123456789");
}

// A page with a red square and a line of text, written encrypted.
std::string EncryptedDocument(TestEngine& engine, TvnPDFEncryptionLevel level, TvnUserPermissions permissions) {
  PinClock();
  engine.Encryption().SetEnabled(true);
  engine.Encryption().SetLevel(level);
  engine.Encryption().SetUserPassword("user");
  engine.Encryption().SetOwnerPassword("owner");
  engine.Encryption().SetUserPermissions(permissions);
  engine.CheckPassword = "user";
  engine.Preferences().EmbedTrueTypeFonts = TvnTTFontEmbedding::etfSubset;
  engine.DocInfo().SetTitle(u"Secret title");
  engine.BeginDoc();
  engine.Brush().Color = 0x0000FF;  // red (BGR)
  engine.Pen().Color = 0x0000FF;
  engine.Rectangle(20, 20, 80, 80, true);
  engine.Font().Name = u"Arial";
  engine.Font().Size = 12;
  engine.TextOut(20, 120, u"Encrypted text");
  engine.EndDoc();
  return engine.Bytes();
}

// qpdf's report of the encryption, opened with the password.
std::string ShowEncryption(const std::string& pdf, const std::string& name, const std::string& password, int* rc) {
  const auto path = SaveTemp(pdf, name);
  std::string out;
  *rc = testing::Run("qpdf --show-encryption '--password=" + password + "' '" + path.string() + "'", &out);
  return out;
}

struct LevelCase {
  TvnPDFEncryptionLevel level;
  TvnUserPermissions permissions;
  const char* name;
  std::vector<std::string> report;  // lines qpdf --show-encryption prints
};

TEST(PdfSecurity, EncryptedOutputOpensWithTheUserPasswordOnly) {
  const LevelCase cases[] = {
      {TvnPDFEncryptionLevel::e40bit,
       {P::AllowPrint, P::AllowModify},
       "rc4-40",
       {"R = 2", "P = -52", "User password = user", "print low resolution: allowed", "print high resolution: allowed",
        "modify other: allowed", "extract for any purpose: not allowed", "modify annotations: not allowed"}},
      {TvnPDFEncryptionLevel::e128bit,
       {P::AllowPrint, P::AllowCopy, P::AllowAccessibility},
       "rc4-128",
       {"R = 3", "P = -3372", "User password = user", "extract for accessibility: allowed",
        "extract for any purpose: allowed", "print low resolution: allowed", "print high resolution: not allowed",
        "modify document assembly: not allowed", "modify forms: not allowed", "modify annotations: not allowed",
        "modify other: not allowed"}},
  };
  for (const LevelCase& c : cases) {
    SCOPED_TRACE(c.name);
    TestEngine engine;
    const std::string pdf = EncryptedDocument(engine, c.level, c.permissions);
    // The trailer names the dictionary and carries the identifier; no text
    // string is readable in the file.
    EXPECT_TRUE(std::regex_search(pdf, std::regex(R"(/ID \[<[0-9A-F]{32}><[0-9A-F]{32}>\]/Info 3 0 R/Size \d+/Encrypt \d+ 0 R)")));
    EXPECT_EQ(pdf.find(vn::framework::AnsiToHexText(std::string("\0S\0e\0c", 6))), std::string::npos);
    if (!vn::test_support::HaveTool("qpdf")) continue;
    int rc = 0;
    const std::string report = ShowEncryption(pdf, std::string(c.name) + ".pdf", "user", &rc);
    EXPECT_EQ(rc, 0) << report;
    for (const std::string& line : c.report) EXPECT_NE(report.find(line + "\n"), std::string::npos) << line << "\n" << report;
    EXPECT_NE(report.find("Supplied password is user password"), std::string::npos) << report;
    // The owner password opens it too, as the owner's.
    EXPECT_NE(ShowEncryption(pdf, std::string(c.name) + ".pdf", "owner", &rc).find("Supplied password is owner password"),
              std::string::npos);
    // A wrong password is refused.
    EXPECT_NE(ShowEncryption(pdf, std::string(c.name) + ".pdf", "guess", &rc).find("Incorrect password supplied"),
              std::string::npos);
    std::string wrong;
    EXPECT_EQ(testing::Run("qpdf --check --password=guess '" + SaveTemp(pdf, std::string(c.name) + "-wrong.pdf").string() + "'",
                           &wrong),
              2);
    EXPECT_NE(wrong.find("invalid password"), std::string::npos) << wrong;

    if (!vn::test_support::HaveTool("pdftoppm") || !vn::test_support::HaveTool("pdftotext")) continue;
    const auto path = SaveTemp(pdf, std::string(c.name) + "-render.pdf");
    const auto prefix = TempFile(std::string(c.name) + "-render");
    std::string out;
    ASSERT_EQ(testing::Run("pdftoppm -upw user -r 96 -aa no -aaVector no -singlefile '" + path.string() + "' '" + prefix.string() + "'",
                  &out),
              0)
        << out;
    std::ifstream ppm(prefix.string() + ".ppm", std::ios::binary);
    std::string magic;
    int width = 0, height = 0, maxval = 0;
    ppm >> magic >> width >> height >> maxval;
    ppm.get();
    std::vector<char> rgb(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    ppm.read(rgb.data(), static_cast<std::streamsize>(rgb.size()));
    const size_t at = (static_cast<size_t>(50) * static_cast<size_t>(width) + 50) * 3;
    EXPECT_EQ(std::string(rgb.data() + at, 3), std::string("\xFF\x00\x00", 3));
    EXPECT_NE(testing::Run("pdftoppm -upw guess -r 10 -singlefile '" + path.string() + "' '" + prefix.string() + "-wrong'", &out), 0);
    testing::Run("pdftotext -upw user '" + path.string() + "' -", &out);
    EXPECT_NE(out.find("Encrypted text"), std::string::npos) << out;
  }
}

TEST(PdfSecurity, EmptyUserPasswordOpensWithoutOne) {
  PinClock();
  TestEngine engine;
  engine.Encryption().SetEnabled(true);
  engine.Encryption().SetOwnerPassword("owner");
  engine.BeginDoc();
  engine.EndDoc();
  const std::string pdf = engine.Bytes();
  EXPECT_NE(pdf.find("/V 2/R 3/P -4/Length 128/Filter/Standard/O <"), std::string::npos);
  EXPECT_EQ(QpdfProblems(pdf, "no-user-password.pdf"), "");
}

TEST(PdfSecurity, WithoutEncryptionNothingChanges) {
  PinClock();
  TestEngine engine;
  engine.DocInfo().SetTitle(u"T");
  engine.BeginDoc();
  engine.EndDoc();
  const std::string pdf = engine.Bytes();
  EXPECT_EQ(pdf.find("/Encrypt"), std::string::npos);
  EXPECT_EQ(pdf.find("/ID"), std::string::npos);
  EXPECT_NE(ObjectOf(pdf, 3).find("/Title <FEFF0054>"), std::string::npos);
}

}  // namespace
}  // namespace vn::pdfwriter::testing::pdf_security_test
