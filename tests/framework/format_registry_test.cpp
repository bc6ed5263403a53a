// The format registry: recognition by leading bytes, lookups by extension,
// filter texts, viewer lookups and the document manager.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "framework/document_manager.h"
#include "framework/format_registry.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"
#include "support/paths.h"

namespace format_registry_test {

using namespace vn::framework;
using vn::String;

namespace {

vn::TMemoryStream Bytes(std::string_view Text) {
  return vn::TMemoryStream(std::vector<uint8_t>(Text.begin(), Text.end()));
}

// A zip package of stored, empty members, as another producer writes it:
// version 20, flags as given (bit 3: sizes after the data), no fast-path
// header.
std::string MakeZip(const std::vector<std::string>& Names, uint16_t Flags = 0, bool WithCentralDirectory = true) {
  auto U16 = [](std::string& S, uint16_t V) { S.push_back(char(V & 0xFF)), S.push_back(char(V >> 8)); };
  auto U32 = [&](std::string& S, uint32_t V) { U16(S, uint16_t(V & 0xFFFF)), U16(S, uint16_t(V >> 16)); };
  std::string Out, Cd;
  for (const std::string& Name : Names) {
    const uint32_t Offset = uint32_t(Out.size());
    U32(Out, 0x04034b50), U16(Out, 20), U16(Out, Flags), U16(Out, 0), U32(Out, 0), U32(Out, 0), U32(Out, 0),
        U32(Out, 0), U16(Out, uint16_t(Name.size())), U16(Out, 0);
    Out += Name;
    if (Flags & 8) U32(Out, 0x08074b50), U32(Out, 0), U32(Out, 0), U32(Out, 0);
    U32(Cd, 0x02014b50), U16(Cd, 20), U16(Cd, 20), U16(Cd, Flags), U16(Cd, 0), U32(Cd, 0), U32(Cd, 0), U32(Cd, 0),
        U32(Cd, 0), U16(Cd, uint16_t(Name.size())), U16(Cd, 0), U16(Cd, 0), U16(Cd, 0), U16(Cd, 0), U32(Cd, 0),
        U32(Cd, Offset);
    Cd += Name;
  }
  if (!WithCentralDirectory) return Out;
  const uint32_t CdOffset = uint32_t(Out.size());
  Out += Cd;
  U32(Out, 0x06054b50), U16(Out, 0), U16(Out, 0), U16(Out, uint16_t(Names.size())), U16(Out, uint16_t(Names.size())),
      U32(Out, uint32_t(Cd.size())), U32(Out, CdOffset), U16(Out, 0);
  return Out;
}

const std::vector<std::string> kDocxParts = {"[Content_Types].xml", "_rels/.rels", "word/document.xml"};

struct PredictCase {
  const char* Name;
  std::string Head;
  const char16_t* Expected;
  int64_t PositionAfter;  // -1: not checked
};

TEST(PredictFormat, SignaturesShortAndEmptyStreams) {
  using namespace std::string_literals;
  const PredictCase Cases[] = {
      {"jpeg", "\xFF\xD8\xFF\xE0\0\x10JFIF\0\x01"s, u".jpg", 3},
      {"jpeg with a bad third byte", "\xFF\xD8\xFE\xE0\0\x10JFIF\0\x01"s, u"", 3},
      {"jpeg cut after two bytes", "\xFF\xD8"s, u"", -1},
      {"bmp", "BM\x36\0\0\0\0\0\0\0\x36\0"s, u".bmp", 12},
      {"compound file", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0\0\0"s, u".doc", 12},
      {"pdf", "%PDF-1.7\r\n%\xE2"s, u".pdf", 12},
      {"rtf", "{\\rtf1\\ansi\\de"s, u".rtf", 12},
      {"docx fast path", "PK\x03\x04\x14\0\x06\0\x08\0\0\0"s, u".docx", 12},
      {"other zip", "PK\x03\x04\x14\0\x08\0\x08\0\0\0"s, u".zip", 12},
      {"png", "\x89PNG\r\n\x1A\n\0\0\0\x0D"s, u".png", 12},
      {"tiff I 1", "I 1\0\x08\0\0\0\0\0\0\0"s, u".tiff", 12},
      {"tiff II", "II*\0\x08\0\0\0\0\0\0\0"s, u".tiff", 12},
      {"emf", "\x01\0\0\0\x6C\0\0\0\0\0\0\0"s, u".emf", 12},
      {"wmf", "\xD7\xCD\xC6\x9A\0\0\0\0\0\0\0\0"s, u".wmf", 12},
      {"ico", "\0\0\x01\0\x01\0\x10\x10\0\0\0\0"s, u".ico", 12},
      {"cur", "\0\0\x02\0\x01\0\x10\x10\0\0\0\0"s, u".cur", 12},
      {"jpeg 2000", "\0\0\0\x0C\x6AP  \r\n\x87\n"s, u".jpx", 12},
      // Not recognised.
      {"big-endian tiff", "MM\0*\0\0\0\x08\0\0\0\0"s, u"", 12},
      {"gif", "GIF89a\x01\0\x01\0\0\0"s, u"", 12},
      {"plain text", "Hello, world"s, u"", 12},
      // Short streams: only the bytes held are compared.
      {"one byte", "B"s, u"", -1},
      {"three bytes of a pdf", "%PD"s, u"", -1},
      {"three bytes of an emf", "\x01\0\0"s, u"", -1},
      {"bmp of two bytes", "BM"s, u".bmp", -1},
      {"png of seven bytes", "\x89PNG\r\n\x1A"s, u"", -1},
      {"jpeg 2000 of nine bytes", "\0\0\0\x0C\x6AP  \r"s, u"", -1},
      {"jpeg 2000 of eleven bytes", "\0\0\0\x0C\x6AP  \r\n\x87"s, u".jpx", -1},
      {"empty", ""s, u"", -1},
  };
  for (const PredictCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    vn::TMemoryStream S = Bytes(C.Head);
    EXPECT_EQ(PredictFormat(&S), String(C.Expected));
    if (C.PositionAfter >= 0) {
      EXPECT_EQ(S.Position(), C.PositionAfter);
    }
  }
  EXPECT_EQ(PredictFormat(nullptr), u"");
}

TEST(PredictFormat, ZipPackagesAreLookedInto) {
  struct {
    const char* Name;
    std::string Zip;
    const char16_t* Expected;
  } Cases[] = {
      {"word package", MakeZip(kDocxParts), u".docx"},
      {"sizes after the data", MakeZip(kDocxParts, 8), u".docx"},
      {"local headers only", MakeZip(kDocxParts, 0, false), u".docx"},
      {"no main part", MakeZip({"[Content_Types].xml", "xl/workbook.xml"}), u".zip"},
      {"no content types", MakeZip({"word/document.xml"}), u".zip"},
      {"plain zip", MakeZip({"a.txt", "b.txt"}), u".zip"},
      {"local headers only, sizes after the data", MakeZip(kDocxParts, 8, false), u".zip"},
  };
  for (auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    vn::TMemoryStream S = Bytes(C.Zip);
    EXPECT_EQ(PredictFormat(&S), String(C.Expected));
    EXPECT_EQ(S.Position(), 12);
  }
  // Damaged directories: counts and offsets that point past the end.
  std::string Zip = MakeZip(kDocxParts);
  for (size_t Cut = 4; Cut < Zip.size(); Cut += 7) {
    vn::TMemoryStream S = Bytes(std::string_view(Zip).substr(0, Cut));
    String Result = PredictFormat(&S);
    EXPECT_TRUE(Result == u".zip" || Result == u".docx" || Result == u"") << Cut;
  }
  std::string BadOffset = Zip;
  BadOffset[BadOffset.size() - 6] = '\xFF';  // central directory offset past the end
  vn::TMemoryStream S = Bytes(BadOffset);
  EXPECT_EQ(PredictFormat(&S), u".docx");  // found through the local headers
}

TEST(PredictFormat, CorpusWordPackagesAreDocx) {
  const std::filesystem::path Dir = std::filesystem::path(VN_CORPUS_DIR) / "docx";
  if (!std::filesystem::is_directory(Dir)) GTEST_SKIP() << "no corpus";
  int Packages = 0;
  for (const auto& Entry : std::filesystem::directory_iterator(Dir)) {
    if (Entry.path().extension() != ".docx") continue;
    vn::TMemoryStream S;
    S.LoadFromFile(Entry.path());
    if (S.Size() < 2 || S.Bytes()[0] != 'P') continue;  // a few are compound files under a .docx name
    ++Packages;
    EXPECT_EQ(PredictFormat(&S), u".docx") << Entry.path();
  }
  EXPECT_GT(Packages, 0);
}

// Document classes for registrations.
class TOpenOnly : public TvnBaseDocument {
 public:
  static TvnEngineCapabilities GetEngineCapabilities() { return {TvnEngineCapability::ecOpen}; }
};
class TOpenSave : public TvnBaseDocument {
 public:
  static TvnEngineCapabilities GetEngineCapabilities() {
    return {TvnEngineCapability::ecOpen, TvnEngineCapability::ecSave};
  }
  static TvnDocumentType GetDocumentType() { return TvnDocumentType::dtImage; }
};
class TLoadsOrThrows : public TvnBaseDocument {
 public:
  static TvnEngineCapabilities GetEngineCapabilities() { return {TvnEngineCapability::ecOpen}; }
  void LoadFromFile(const String& FileName, const String&) override {
    if (FileName.find(u"bad") != String::npos) throw vn::EReadError("damaged");
    FFileName = FileName;
  }
  void LoadFromStream(vn::TStream* Stream, const String&, bool FreeStream) override {
    SetSourceStream(Stream, FreeStream);
    uint8_t First = 0;
    Stream->Read(&First, 1);
    if (First != '%') throw vn::EReadError("damaged");
  }
};

TEST(Registry, ClassEntries) {
  TvnDocumentClass A = DocumentClassOf<TOpenSave>();
  EXPECT_EQ(A, DocumentClassOf<TOpenSave>());
  EXPECT_NE(A, DocumentClassOf<TOpenOnly>());
  EXPECT_EQ(A->ClassName, u"TOpenSave");
  EXPECT_EQ(A->DocumentType, TvnDocumentType::dtImage);
  EXPECT_EQ(DocumentClassOf<TOpenOnly>()->DocumentType, TvnDocumentType::dtFixed);
  std::unique_ptr<TvnBaseDocument> Doc = A->Create();
  EXPECT_TRUE(A->IsClassOf(Doc.get()));
  EXPECT_FALSE(DocumentClassOf<TvnBaseDocument>()->IsClassOf(Doc.get()));
}

TEST(Registry, LookupIgnoresCaseOfTheExtension) {
  TvnKELMFramework R;
  R.RegisterDocument(DocumentClassOf<TOpenSave>(), u".PDF", u"Portable Document Format");
  for (const char16_t* Path : {u"/in/a.PDF", u"/in/a.Pdf", u"a.pdf", u"/in.x/a.b.pdf", u"c:\\in\\a.pdf"})
    EXPECT_EQ(R.LookupDocument(String(Path)), DocumentClassOf<TOpenSave>()) << vn::ToUtf8(Path);
  for (const char16_t* Path : {u"/in/pdf", u"/in.pdf/readme", u"a.pdf.txt", u""})
    EXPECT_EQ(R.LookupDocument(String(Path)), nullptr) << vn::ToUtf8(Path);
}

TEST(Registry, StreamLookupGoesThroughThePrediction) {
  TvnKELMFramework R;
  R.RegisterDocument(DocumentClassOf<TOpenSave>(), u".pdf", u"Portable Document Format");
  vn::TMemoryStream Pdf = Bytes("%PDF-1.4\n");
  vn::TMemoryStream Zip = Bytes("PK\x03\x04\x14\x00\x08\x00\x08\x00\x00\x00");
  vn::TMemoryStream Empty;
  EXPECT_EQ(R.LookupDocument(&Pdf), DocumentClassOf<TOpenSave>());
  EXPECT_EQ(R.LookupDocument(&Zip), nullptr);
  EXPECT_EQ(R.LookupDocument(&Empty), nullptr);
}

TEST(Registry, LaterRegistrationReplacesEarlierOne) {
  TvnKELMFramework R;
  R.RegisterDocument(DocumentClassOf<TOpenOnly>(), u".x", u"First");
  R.RegisterDocument(DocumentClassOf<TOpenSave>(), u".X", u"Second");
  EXPECT_EQ(R.LookupDocument(u"a.x"), DocumentClassOf<TOpenSave>());
  EXPECT_EQ(R.GetOpenDialogFilterString(), u"All Supported Documents |*.x;*.X;|First|*.x|Second|*.X|");
}

TEST(Registry, OpenAndSaveFilters) {
  TvnKELMFramework R;
  R.RegisterDocument(DocumentClassOf<TOpenSave>(), u".pdf", u"Portable Document Format");
  R.RegisterDocument(DocumentClassOf<TOpenOnly>(), u".bmp", u"Bitmap");
  EXPECT_EQ(R.GetOpenDialogFilterString(),
            u"All Supported Documents |*.pdf;*.bmp;|Portable Document Format|*.pdf|Bitmap|*.bmp|");
  // Save patterns carry their "*" like the open ones.
  EXPECT_EQ(R.GetSaveDialogFilterString(), u"All Supported Documents |*.pdf;|Portable Document Format|*.pdf|");
  TvnKELMFramework Empty;
  EXPECT_EQ(Empty.GetOpenDialogFilterString(), u"All Supported Documents ||");
}

TEST(Registry, ViewersPluginsAndNavigationPages) {
  TvnComponentClassInfo PdfViewer{}, AnyViewer{}, PluginA{}, PluginB{}, Common{}, Page{};
  TvnKELMFramework R;
  R.RegisterDocument(DocumentClassOf<TOpenSave>(), u".pdf", u"PDF");
  R.RegisterDocument(DocumentClassOf<TOpenOnly>(), u".bmp", u"Bitmap");
  R.RegisterViewer(u".pdf", &PdfViewer);
  R.RegisterViewer(u"*", &AnyViewer);
  EXPECT_THROW(R.RegisterViewer(u".pdf", &AnyViewer), vn::EListError);

  EXPECT_EQ(R.LookupViewerController(u"a.PDF"), &PdfViewer);
  EXPECT_EQ(R.LookupViewerController(u"a.bmp"), &AnyViewer);
  EXPECT_EQ(R.LookupViewerController(u"a.gif"), nullptr);
  vn::TMemoryStream Pdf = Bytes("%PDF-1.4\n"), Bmp = Bytes("BM\0\0"), Text = Bytes("hello");
  EXPECT_EQ(R.LookupViewerController(&Pdf), &PdfViewer);
  EXPECT_EQ(R.LookupViewerController(&Bmp), &AnyViewer);
  EXPECT_EQ(R.LookupViewerController(&Text), nullptr);

  R.RegisterViewerPlugin(DocumentClassOf<TvnBaseDocument>(), &Common);
  R.RegisterViewerPlugin(DocumentClassOf<TOpenSave>(), &PluginA);
  R.RegisterViewerPlugin(DocumentClassOf<TOpenSave>(), &PluginB);
  R.RegisterViewerPlugin(DocumentClassOf<TOpenSave>(), &PluginA);
  R.RegisterNavPanePage(DocumentClassOf<TOpenSave>(), &Page);
  TOpenSave Saver;
  TOpenOnly Opener;
  using V = std::vector<const TvnComponentClassInfo*>;
  EXPECT_EQ(R.LookpViewerPlugins(&Saver), (V{&PluginA, &PluginB, &PluginA, &Common}));
  EXPECT_EQ(R.LookpViewerPlugins(&Opener), (V{&Common}));
  EXPECT_EQ(R.LookupNavPanepage(&Saver), (V{&Page}));
  EXPECT_EQ(R.LookupNavPanepage(&Opener), V{});
  EXPECT_EQ(R.ClassOf(&Saver), DocumentClassOf<TOpenSave>());
}

class DocumentManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TvnKELMFramework& R = CreateDocumentFramework();
    R.RegisterDocument(DocumentClassOf<TLoadsOrThrows>(), u".fake", u"Fake");
    R.RegisterDocument(DocumentClassOf<TLoadsOrThrows>(), u".pdf", u"Fake PDF");
  }
  void TearDown() override { FreeDocumentFramework(); }
};

TEST_F(DocumentManagerTest, LoadsThroughTheRegistry) {
  TvnDocumentManager M;
  std::unique_ptr<TvnBaseDocument> Doc = M.LoadDocument(u"/x/a.FAKE");
  ASSERT_NE(Doc, nullptr);
  EXPECT_TRUE(DocumentClassOf<TLoadsOrThrows>()->IsClassOf(Doc.get()));
  EXPECT_EQ(Doc->GetFileName(), u"/x/a.FAKE");
  EXPECT_EQ(M.LoadDocument(u"/x/a.unknown"), nullptr);
  EXPECT_THROW(M.LoadDocument(u"/x/bad.fake"), vn::EReadError);
}

TEST_F(DocumentManagerTest, LoadsStreamsFromTheirStart) {
  TvnDocumentManager M;
  vn::TMemoryStream Pdf = Bytes("%PDF-1.4\n");
  std::unique_ptr<TvnBaseDocument> Doc = M.LoadDocument(&Pdf, false);
  ASSERT_NE(Doc, nullptr);
  EXPECT_EQ(Doc->GetStream(), &Pdf);
  vn::TMemoryStream Text = Bytes("hello");
  EXPECT_EQ(M.LoadDocument(&Text, false), nullptr);
  // A stream handed over is freed with the document also when the load
  // fails (the sanitizers see a leak otherwise).
  auto* Owned = new vn::TMemoryStream(std::vector<uint8_t>{'%', 'P', 'D', 'F'});
  Owned->Seek(1, vn::SeekOrigin::soBeginning);  // the load starts where the caller left the stream
  EXPECT_THROW(M.LoadDocument(Owned, true), vn::EReadError);
}

TEST(SingleRegistry, MadeOnceAndFreed) {
  EXPECT_EQ(DocumentFramework(), nullptr);
  TvnKELMFramework* First = &CreateDocumentFramework();
  EXPECT_EQ(DocumentFramework(), First);
  EXPECT_EQ(&CreateDocumentFramework(), First);
  FreeDocumentFramework();
  EXPECT_EQ(DocumentFramework(), nullptr);
}

TEST(ResourceIDs, CountUpFromOne) {
  int32_t First = NextResourceID();
  EXPECT_GE(First, 1);
  EXPECT_EQ(NextResourceID(), First + 1);
}

}  // namespace

}  // namespace format_registry_test
