// Attached files: listed by pdfdetach and extracted byte for byte (plain
// and encrypted), the name tree in key order, the full-path form of the
// extended engine, and the documents that refuse attachments.
#include <filesystem>
#include <regex>

#include "pdf_test_support.h"
#include "runtime/exceptions.h"
#include "support/prerequisites.h"

namespace vn::pdfwriter::testing::pdf_attachments_test {
namespace {

namespace fs = std::filesystem;

// A folder of files to attach.
fs::path Folder(const std::string& name) {
  const fs::path folder = TempFile("attach-" + name);
  fs::create_directories(folder);
  return folder;
}

void WriteFile(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string BinaryBytes() {
  std::string bytes;
  for (int i = 0; i < 3000; ++i) bytes += static_cast<char>((i * 7) & 0xFF);
  return bytes;
}

// Attaches three files (an XML text, binary data, a name beyond ASCII) to a
// one-page document.
std::string WriteWithAttachments(TestEngine& engine, const fs::path& folder) {
  PinClock();
  WriteFile(folder / "invoice.xml", "<?xml version=\"1.0\"?><a>\xC3\xA9 &amp; more</a>\n");
  WriteFile(folder / "data.bin", BinaryBytes());
  WriteFile(folder / "r\xC3\xA9sum\xC3\xA9.txt", "line one\r\nline two\r\n");
  engine.AttachFile(vn::FromUtf8((folder / "invoice.xml").string()), u"invoice.xml");  // before the document
  engine.BeginDoc();
  engine.AttachFile(vn::FromUtf8((folder / "data.bin").string()), u"data.bin");
  engine.AttachFile(vn::FromUtf8(folder.string()), u"r\u00e9sum\u00e9.txt");  // a folder
  engine.EndDoc();
  return engine.Bytes();
}

void ExpectListedAndExtracted(const std::string& pdf, const std::string& name, const fs::path& folder,
                              const std::string& password) {
  if (!vn::test_support::HaveTool("pdfdetach")) return;
  const auto path = SaveTemp(pdf, name + ".pdf");
  const std::string pw = password.empty() ? "" : "-upw '" + password + "' ";
  std::string out;
  ASSERT_EQ(testing::Run("pdfdetach -enc UTF-8 " + pw + "-list '" + path.string() + "'", &out), 0) << out;
  EXPECT_EQ(out, "3 embedded files\n1: invoice.xml\n2: data.bin\n3: r\xC3\xA9sum\xC3\xA9.txt\n");
  const fs::path saved = TempFile(name + "-saved");
  fs::create_directories(saved);
  ASSERT_EQ(testing::Run("pdfdetach -enc UTF-8 " + pw + "-saveall -o '" + saved.string() + "' '" + path.string() + "'", &out), 0)
      << out;
  for (const char* file : {"invoice.xml", "data.bin", "r\xC3\xA9sum\xC3\xA9.txt"}) {
    EXPECT_TRUE(fs::exists(saved / file)) << file;
    EXPECT_EQ(ReadFile(saved / file), ReadFile(folder / file)) << file;
  }
}

TEST(PdfAttachments, ListedAndExtractedByteIdentical) {
  TestEngine engine;
  const fs::path folder = Folder("plain");
  const std::string pdf = WriteWithAttachments(engine, folder);
  // The /Filespec dictionaries, their streams as they are, the catalog's
  // entries.
  EXPECT_TRUE(std::regex_search(ObjectOf(pdf, 1), std::regex(R"( /Names \d+ 0 R/AF \[\d+ 0 R \d+ 0 R \d+ 0 R\])")));
  EXPECT_TRUE(std::regex_search(pdf, std::regex(R"(/Type /EmbeddedFile/Subtype /text#2Fxml/Length \d+/Params <</ModDate <[0-9A-F]+>/Size \d+>>)")));
  EXPECT_NE(pdf.find(BinaryBytes()), std::string::npos);
  EXPECT_NE(pdf.find("/AFRelationship/Alternative/UF <FEFF007200E900730075006D00E9002E007400780074>"), std::string::npos);
  ExpectListedAndExtracted(pdf, "attached", folder, "");
}

TEST(PdfAttachments, EncryptedDocumentKeepsThemReadable) {
  TestEngine engine;
  engine.Encryption().SetEnabled(true);
  engine.Encryption().SetLevel(TvnPDFEncryptionLevel::e40bit);
  engine.Encryption().SetUserPassword("pw");
  engine.CheckPassword = "pw";
  const fs::path folder = Folder("encrypted");
  const std::string pdf = WriteWithAttachments(engine, folder);
  EXPECT_EQ(pdf.find(BinaryBytes()), std::string::npos);
  ExpectListedAndExtracted(pdf, "attached-encrypted", folder, "pw");
}

// Name trees are in key order: Untitled Object1, Untitled Object10,
// Untitled Object2 ...
TEST(PdfAttachments, KeysInByteOrder) {
  PinClock();
  TestEngine engine;
  const fs::path folder = Folder("ten");
  engine.BeginDoc();
  for (int i = 1; i <= 10; ++i) {
    const std::string name = "f" + std::to_string(i) + ".txt";
    WriteFile(folder / name, name);
    engine.TvnCustomPDFEngine::AttachFile(vn::FromUtf8(folder.string()), vn::FromUtf8(name));
  }
  engine.EndDoc();
  const std::string pdf = engine.Bytes();
  std::vector<std::string> keys;
  static const std::regex key(R"(<(556E7469746C6564204F626A656374[0-9A-F]+)> \d+ 0 R)");
  for (auto it = std::sregex_iterator(pdf.begin(), pdf.end(), key); it != std::sregex_iterator(); ++it) {
    const std::string hex = (*it)[1];
    std::string text;
    for (size_t i = 0; i < hex.size(); i += 2) text += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    keys.push_back(text.substr(15));
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"1", "10", "2", "3", "4", "5", "6", "7", "8", "9"}));
  if (!vn::test_support::HaveTool("pdfdetach")) return;
  std::string out;
  testing::Run("pdfdetach -list '" + SaveTemp(pdf, "ten.pdf").string() + "'", &out);
  EXPECT_NE(out.find("10 embedded files\n1: f1.txt\n2: f10.txt\n3: f2.txt\n"), std::string::npos) << out;
}

// The full path's last part is the name; the name elsewhere in the path
// stays.
TEST(PdfAttachments, FullPathGivesItsFolder) {
  PinClock();
  TestEngine engine;
  const fs::path folder = Folder("report") / "report";
  fs::create_directories(folder);
  WriteFile(folder / "report", "the report");
  engine.BeginDoc();
  engine.AttachFile(vn::FromUtf8((folder / "report").string()), u"report");
  engine.EndDoc();
  EXPECT_NE(engine.Bytes().find("stream\r\nthe report\r\nendstream"), std::string::npos);
}

TEST(PdfAttachments, MissingFileFailsTheDocument) {
  PinClock();
  TestEngine engine;
  engine.BeginDoc();
  engine.AttachFile(u"/nonexistent/folder/gone.txt", u"gone.txt");
  try {
    engine.EndDoc();
    ADD_FAILURE() << "written";
  } catch (const vn::ExFileNotFound& e) {
    EXPECT_STREQ(e.what(), "Attached file not found: /nonexistent/folder/gone.txt");
  }
  EXPECT_FALSE(engine.IsDocumentStarted());
  // The next document starts without it.
  engine.Output.SetSize(0);
  engine.Output.SetPosition(0);
  engine.BeginDoc();
  engine.EndDoc();
  EXPECT_EQ(engine.Bytes().find("/EmbeddedFiles"), std::string::npos);
}

TEST(PdfAttachments, PdfA1bAnd2bRefuseThem) {
  const fs::path folder = Folder("pdfa");
  WriteFile(folder / "a.txt", "a");
  for (auto version : {TvnPDFSubVersion::sPDFA_VER1B, TvnPDFSubVersion::sPDFA_VER2B}) {
    PinClock();
    TestEngine engine;
    engine.Preferences().Version = version;
    engine.BeginDoc();
    engine.AttachFile(vn::FromUtf8((folder / "a.txt").string()), u"a.txt");
    EXPECT_THROW(engine.EndDoc(), vn::ENotSupportedException);
  }
}

TEST(PdfAttachments, EndDocForgetsThem) {
  PinClock();
  TestEngine engine;
  const fs::path folder = Folder("forget");
  WriteFile(folder / "a.txt", "a");
  engine.BeginDoc();
  engine.AttachFile(vn::FromUtf8((folder / "a.txt").string()), u"a.txt");
  engine.EndDoc();
  EXPECT_NE(engine.Bytes().find("/EmbeddedFiles"), std::string::npos);
  engine.Output.SetSize(0);
  engine.Output.SetPosition(0);
  engine.BeginDoc();
  engine.EndDoc();
  EXPECT_EQ(engine.Bytes().find("/EmbeddedFiles"), std::string::npos);
}

}  // namespace
}  // namespace vn::pdfwriter::testing::pdf_attachments_test
