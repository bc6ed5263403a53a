#include "pdf/writer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "pdf/base_doc.h"
#include "pdf/exceptions.h"
#include "pdf/text.h"
#include "pdf_file_builder.h"
#include "runtime/datetime.h"
#include "runtime/exceptions.h"
#include "support/paths.h"

namespace vn::pdf::writer_test {
namespace {

using testing::PdfFileBuilder;
namespace fs = std::filesystem;

struct Loaded {
  std::shared_ptr<vn::TMemoryStream> file;
  std::unique_ptr<TvnPDBaseDoc> doc = std::make_unique<TvnPDBaseDoc>();
};

Loaded LoadBytes(const std::string& bytes, const std::string& password = "") {
  Loaded l;
  l.file = std::make_shared<vn::TMemoryStream>();
  l.file->WriteString(bytes);
  l.file->SetPosition(0);
  l.doc->LoadDocument(l.file.get(), password);
  return l;
}

Loaded Load(const PdfFileBuilder& b, const std::string& password = "") { return LoadBytes(b.Data(), password); }

std::string Save(TvnPDBaseDoc& doc) {
  vn::TMemoryStream out;
  doc.SaveDocument(&out);
  return std::string(out.View());
}

std::string Content(size_t n) {
  std::string s = "0 0 m 100 100 l S\n";
  s.resize(n, ' ');
  return s;
}

// Catalog, page tree, page with a content stream of 100 bytes without a
// filter, and strings in direct containers at several depths.
PdfFileBuilder ThreePages() {
  PdfFileBuilder b;
  b.Obj(1, "<</Type/Catalog/Pages 2 0 R/Names<</T(direct in direct)/H<48656C6C6F>>>>>");
  b.Obj(2, "<</Type/Pages/Kids[3 0 R]/Count 1>>");
  b.Obj(3, "<</Type/Page/Parent 2 0 R/MediaBox[0 0 200 200]/Contents 4 0 R"
           "/Annots[<</S(in a dictionary in an array)>>(lit\\)paren)<414243>]>>");
  b.Obj(4, "<</Length 100>>stream\n" + Content(100) + "\nendstream");
  b.ClassicTable("/Size 5/Root 1 0 R");
  return b;
}

// The bytes a string object stands for.
std::string Bytes(const TvnPDBaseObject* o) {
  if (!o || !o->IsString()) return "<not a string>";
  return o->AsString()->IsHexString() ? HexDigitsToBytes(o->AsString()->GetValue()) : o->AsString()->GetValue();
}

std::string StreamData(TvnPDBaseObject* o) {
  if (!o || !o->IsStream()) return "<not a stream>";
  TvnPDStream* s = o->AsStream();
  s->Reset();
  std::string data;
  s->GetStream()->Read(data, size_t{1} << 20);
  return data;
}

int64_t StartXref(const std::string& file) {
  const size_t at = file.rfind("startxref");
  return std::stoll(file.substr(at + 9));
}

TEST(PdfWriter, FullSaveNumbersDepthFirstAndWritesTheClassicTable) {
  Loaded l = Load(ThreePages());
  const std::string out = Save(*l.doc);
  EXPECT_EQ(out.rfind("%PDF-1.7\r\n", 0), 0u);
  // The catalog is numbered first, the page tree second, the page third;
  // the content stream fourth, the new Info dictionary fifth.
  const size_t xref = static_cast<size_t>(StartXref(out));
  ASSERT_EQ(out.compare(xref, 6, "xref\r\n"), 0);
  EXPECT_EQ(out.compare(xref + 6, 5, "0 6\r\n"), 0);
  EXPECT_EQ(out.compare(xref + 11, 20, "0000000000 65535 f\r\n"), 0);
  for (int n = 1; n <= 5; ++n) {
    const std::string line = out.substr(xref + 11 + 20 * n, 20);
    EXPECT_EQ(line.substr(10, 10), " 00000 n\r\n") << n;
    const size_t offset = std::stoul(line.substr(0, 10));
    EXPECT_EQ(out.compare(offset, 0, ""), 0);
    EXPECT_EQ(out.substr(offset, std::to_string(n).size() + 8), std::to_string(n) + " 0 obj\r\n") << n;
  }
  EXPECT_NE(out.find("1 0 obj\r\n<</Type /Catalog /Pages 2 0 R "), std::string::npos);
  EXPECT_NE(out.find("/Kids [ 3 0 R ]"), std::string::npos);
  EXPECT_NE(out.find("/Parent 2 0 R"), std::string::npos);
  EXPECT_NE(out.find("trailer\r\n<</Size 6 /Root 1 0 R /Info 5 0 R >>\r\nstartxref\r\n"), std::string::npos);
  EXPECT_EQ(out.substr(out.size() - 5), "%%EOF");
  // Children come out before their parents.
  EXPECT_LT(out.find("4 0 obj"), out.find("3 0 obj"));
  EXPECT_LT(out.find("3 0 obj"), out.find("1 0 obj"));
}

TEST(PdfWriter, SavingTwiceWritesTheSameFileAndLeavesTheObjectsAlone) {
  Loaded l = Load(ThreePages());
  TvnPDBaseObject* page = l.doc->GetObject(3);
  const std::string first = Save(*l.doc);
  const std::string second = Save(*l.doc);
  EXPECT_EQ(first, second);
  EXPECT_EQ(page->GetObjNumber(), 3);
  EXPECT_FALSE(page->IsWritten());
  EXPECT_EQ(l.doc->GetObject(3), page);
  Loaded again = LoadBytes(second);
  EXPECT_EQ(Bytes(again.doc->GetDocRoot()->LookUp("Names")->AsDict()->LookUp("T")), "direct in direct");
}

TEST(PdfWriter, StreamsAreWrittenByTheirKind) {
  const std::string jpeg = "\xFF\xD8\xFF\xE0 not really a jpeg \xFF\xD9";
  PdfFileBuilder b;
  b.Obj(1, "<</Type/Catalog/Pages 2 0 R/Metadata 5 0 R/Extra[6 0 R 7 0 R 8 0 R]>>");
  b.Obj(2, "<</Type/Pages/Kids[3 0 R]/Count 1>>");
  b.Obj(3, "<</Type/Page/Parent 2 0 R/Contents 4 0 R>>");
  b.Obj(4, "<</Length 100>>stream\n" + Content(100) + "\nendstream");
  b.Obj(5, "<</Type/Metadata/Subtype/XML/Length 11>>stream\n<x>meta</x>\nendstream");
  b.Obj(6, "<</Filter/DCTDecode/DecodeParms<</ColorTransform 0>>/Length " + std::to_string(jpeg.size()) +
               ">>stream\n" + jpeg + "\nendstream");
  b.Obj(7, "<</Filter/ASCIIHexDecode>>stream\n414243>\nendstream");  // no Length at all
  b.Obj(8, "<</Length 9 0 R>>stream\nabc\nendstream");
  b.Obj(9, "3");
  b.Obj(10, "<</Filter/ASCIIHexDecode/DecodeParms<</Unused 1>>/Length 7>>stream\n78797A>\nendstream");
  b.ClassicTable("/Size 11/Root 1 0 R");
  Loaded l = Load(b);
  // An edited stream whose filter this layer decodes is compressed afresh.
  l.doc->GetObject(10)->AsStream()->GetDict()->Add("Edited", std::make_unique<TvnPDBoolean>(true));
  l.doc->GetDocRoot()->GetDict()->Add("Edited", std::make_unique<TvnPDIndirectRef>(10, 0));
  // A new stream made in memory, without Length.
  auto fresh = std::make_unique<TvnPDStream>(l.doc.get());
  fresh->Write(std::string_view("new data"));
  fresh->SetObjNumber(20);
  fresh->SetGenNumber(0);
  l.doc->AddToCollection(std::move(fresh));
  l.doc->GetDocRoot()->GetDict()->Add("Fresh", std::make_unique<TvnPDIndirectRef>(20, 0));

  const std::string out = Save(*l.doc);
  Loaded saved = LoadBytes(out);
  TvnPDDictionary* root = saved.doc->GetDocRoot();
  struct Case {
    const char* what;
    TvnPDBaseObject* stream;
    std::string data;
    const char* filter;  // expected Filter name, "" for none
  };
  TvnPDArray* extra = root->LookUp("Extra")->AsArray();
  TvnPDDictionary* page = root->LookUp("Pages")->AsDict()->LookUp("Kids")->AsArray()->Get(0)->AsDict();
  const Case cases[] = {
      {"unfiltered content", page->LookUp("Contents"), Content(100), "FlateDecode"},
      {"metadata", root->LookUp("Metadata"), "<x>meta</x>", ""},
      {"DCT image", extra->Get(0), "", "DCTDecode"},
      {"filtered stream without Length", extra->Get(1), "ABC", "ASCIIHexDecode"},
      {"indirect Length", extra->Get(2), "abc", "FlateDecode"},
      {"new stream without Length", root->LookUp("Fresh"), "new data", "FlateDecode"},
      {"edited stream", root->LookUp("Edited"), "xyz", "FlateDecode"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NE(c.stream, nullptr);
    ASSERT_TRUE(c.stream->IsStream());
    TvnPDDictionary* d = c.stream->AsStream()->GetDict();
    const TvnPDBaseObject* filter = d->LookUp("Filter");
    if (*c.filter) {
      ASSERT_NE(filter, nullptr);
      EXPECT_TRUE(filter->IsName(c.filter));
    } else {
      EXPECT_EQ(filter, nullptr);
    }
    ASSERT_NE(d->LookupRefObj("Length"), nullptr);
    EXPECT_TRUE(d->LookupRefObj("Length")->IsInteger());
    if (!c.data.empty()) EXPECT_EQ(StreamData(c.stream), c.data);
  }
  // The DCT bytes and their parameters pass through as they were.
  EXPECT_NE(out.find(jpeg), std::string::npos);
  EXPECT_NE(out.find("/DecodeParms <</ColorTransform 0 >>"), std::string::npos);
  EXPECT_NE(out.find("<x>meta</x>"), std::string::npos);
  EXPECT_EQ(out.find("/Unused"), std::string::npos);
}

TEST(PdfWriter, AReferenceToAMissingObjectBecomesNull) {
  PdfFileBuilder b;
  b.Obj(1, "<</Type/Catalog/Pages 2 0 R/Gone 77 0 R/List[77 0 R 2 0 R]>>");
  b.Obj(2, "<</Type/Pages/Kids[]/Count 0>>");
  b.ClassicTable("/Size 3/Root 1 0 R");
  Loaded l = Load(b);
  const std::string out = Save(*l.doc);
  EXPECT_NE(out.find("/Gone null /List [ null 2 0 R ]"), std::string::npos) << out;
}

TEST(PdfWriter, ALongChainOfReferencesIsWrittenWithoutDeepRecursion) {
  PdfFileBuilder b;
  b.Obj(1, "<</Type/Catalog/Pages 2 0 R/First 3 0 R>>");
  b.Obj(2, "<</Type/Pages/Kids[]/Count 0>>");
  constexpr int kChain = 20000;
  for (int n = 3; n < 3 + kChain; ++n)
    b.Obj(n, "<</Next " + std::to_string(n + 1) + " 0 R/V " + std::to_string(n) + ">>");
  b.Obj(3 + kChain, "<</V 0>>");
  b.ClassicTable("/Size " + std::to_string(4 + kChain) + "/Root 1 0 R");
  Loaded l = Load(b);
  const std::string out = Save(*l.doc);
  Loaded saved = LoadBytes(out);
  TvnPDBaseObject* item = saved.doc->GetDocRoot()->LookUp("First");
  int count = 0;
  while (item && item->IsDict()) {
    ++count;
    item = item->AsDict()->LookUp("Next");
  }
  EXPECT_EQ(count, kChain + 1);
}

struct EncryptionCase {
  const char* what;
  TvnPDFEncryptionLevel level;
  const char* expect;  // text in the Encrypt dictionary
};

class PdfWriterEncryption : public ::testing::TestWithParam<EncryptionCase> {};

TEST_P(PdfWriterEncryption, StringsAndStreamsReadBackWithTheUserPassword) {
  Loaded l = Load(ThreePages());
  auto settings = std::make_unique<TvnEncryptionSettings>();
  settings->Enabled = true;
  settings->Level = GetParam().level;
  settings->UserPassword = "user";
  settings->OwnerPassword = "owner";
  settings->UserPermissions = AllUserPermissions();
  l.doc->SetUserEncryptionSettings(std::move(settings));
  l.doc->GetDocInfo()->Add("Title", std::make_unique<TvnPDString>("A title"));
  const std::string out = Save(*l.doc);
  EXPECT_NE(out.find(GetParam().expect), std::string::npos);
  EXPECT_EQ(out.find("direct in direct"), std::string::npos);
  // The identifier is written in the clear, as the Encrypt dictionary's
  // file ID that the keys were made with.
  std::string id, second;
  l.doc->GetDocID(id, second);
  EXPECT_NE(out.find("/ID [ <" + BytesToHexText(id) + "> <" + BytesToHexText(id) + "> ]"), std::string::npos);

  for (const char* password : {"user", "owner"}) {
    SCOPED_TRACE(password);
    Loaded saved = LoadBytes(out, password);
    ASSERT_TRUE(saved.doc->GetIsEncrypted());
    TvnPDDictionary* root = saved.doc->GetDocRoot();
    TvnPDDictionary* names = root->LookUp("Names")->AsDict();
    EXPECT_EQ(Bytes(names->LookUp("T")), "direct in direct");
    EXPECT_EQ(Bytes(names->LookUp("H")), "Hello");
    TvnPDDictionary* page = root->LookUp("Pages")->AsDict()->LookUp("Kids")->AsArray()->Get(0)->AsDict();
    TvnPDArray* annots = page->LookUp("Annots")->AsArray();
    EXPECT_EQ(Bytes(annots->Get(0)->AsDict()->LookUp("S")), "in a dictionary in an array");
    EXPECT_EQ(Bytes(annots->Get(1)), "lit)paren");
    EXPECT_EQ(Bytes(annots->Get(2)), "ABC");
    EXPECT_EQ(StreamData(page->LookUp("Contents")), Content(100));
    EXPECT_EQ(Bytes(saved.doc->GetDocInfo()->LookUp("Title")), "A title");
  }
  EXPECT_THROW(LoadBytes(out, "wrong"), ExInvalidPassword);
}

INSTANTIATE_TEST_SUITE_P(
    Levels, PdfWriterEncryption,
    ::testing::Values(EncryptionCase{"RC4 40", TvnPDFEncryptionLevel::elRC4_40Bit, "/V 1 /R 2 /Length 40 "},
                      EncryptionCase{"RC4 128", TvnPDFEncryptionLevel::elRC4_128Bit, "/V 2 /R 3 /Length 128 "},
                      EncryptionCase{"AES 128", TvnPDFEncryptionLevel::elAES_128Bit,
                                     "/V 4 /R 4 /Length 128 /CF <</StdCF <</CFM /AESV2 "}),
    [](const ::testing::TestParamInfo<EncryptionCase>& param_info) {
      std::string name = param_info.param.what;
      for (char& c : name)
        if (c == ' ') c = '_';
      return name;
    });

TEST(PdfWriter, EncryptedInputIsSavedEncryptedAgainWithTheSamePassword) {
  Loaded plain = Load(ThreePages());
  auto settings = std::make_unique<TvnEncryptionSettings>();
  settings->Enabled = true;
  settings->Level = TvnPDFEncryptionLevel::elAES_128Bit;
  settings->UserPassword = "user";
  settings->OwnerPassword = "owner";
  plain.doc->SetUserEncryptionSettings(std::move(settings));
  const std::string encrypted = Save(*plain.doc);

  Loaded l = LoadBytes(encrypted, "user");
  const std::string again = Save(*l.doc);
  Loaded saved = LoadBytes(again, "user");
  EXPECT_TRUE(saved.doc->GetIsEncrypted());
  EXPECT_EQ(saved.doc->GetEncryptSettings()->Algorithm, TvnCryptAlgorithm::cryptAES);
  EXPECT_EQ(Bytes(saved.doc->GetDocRoot()->LookUp("Names")->AsDict()->LookUp("T")), "direct in direct");
  EXPECT_THROW(LoadBytes(again, "nope"), ExInvalidPassword);
}

TEST(PdfWriter, IncrementalSaveAppendsOnlyWhatChanged) {
  const PdfFileBuilder b = ThreePages();
  Loaded l = Load(b);
  l.doc->SetSaveOptions("%PDF-1.7\r\n", true, false, false, false, false, false, false, false);
  TvnPDDictionary* page = l.doc->GetObject(3)->AsDict();
  page->Add("Rotate", std::make_unique<TvnPDInteger>(90));
  const std::string out = Save(*l.doc);
  ASSERT_EQ(out.compare(0, b.Data().size(), b.Data()), 0);
  const std::string update = out.substr(b.Data().size());
  EXPECT_EQ(update.rfind("\r\n", 0), 0u);
  // The page under its own number and the new Info dictionary; nothing else.
  EXPECT_NE(update.find("3 0 obj\r\n"), std::string::npos);
  EXPECT_NE(update.find("5 0 obj\r\n<</Producer (Vintrope Brisquel v 4.0) >>"), std::string::npos);
  EXPECT_EQ(update.find("1 0 obj"), std::string::npos);
  EXPECT_EQ(update.find("4 0 obj"), std::string::npos);
  EXPECT_NE(update.find("xref\r\n3 1\r\n"), std::string::npos);
  EXPECT_NE(update.find("5 1\r\n"), std::string::npos);
  EXPECT_NE(update.find("/Size 6 /Prev " + std::to_string(StartXref(b.Data())) + " /Root 1 0 R /Info 5 0 R"),
            std::string::npos);

  Loaded saved = LoadBytes(out);
  TvnPDBaseObject* rotate = saved.doc->GetObject(3)->AsDict()->LookUp("Rotate");
  ASSERT_NE(rotate, nullptr);
  EXPECT_EQ(rotate->AsInteger()->GetValue(), 90);
  EXPECT_EQ(StreamData(saved.doc->GetObject(4)), Content(100));
}

TEST(PdfWriter, IncrementalSaveCannotEncryptAPlainFile) {
  Loaded l = Load(ThreePages());
  l.doc->SetSaveOptions("%PDF-1.7\r\n", true, false, false, false, false, false, false, false);
  auto settings = std::make_unique<TvnEncryptionSettings>();
  settings->Enabled = true;
  settings->UserPassword = "u";
  l.doc->SetUserEncryptionSettings(std::move(settings));
  vn::TMemoryStream out;
  EXPECT_THROW(l.doc->SaveDocument(&out), ExIncrementalEncryption);
  EXPECT_EQ(out.GetSize(), 0);
}

TEST(PdfWriter, RefusalsLeaveNoOutputBehind) {
  const fs::path dir = fs::temp_directory_path() / ("vn_writer_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  Loaded l = Load(ThreePages());
  EXPECT_THROW(l.doc->SaveDocument(static_cast<vn::TStream*>(nullptr)), ExInvalidStream);
  EXPECT_THROW(l.doc->SaveDocument(fs::path()), ExInvalidFileName);
  try {
    l.doc->SaveDocument(dir / "no" / "such" / "folder.pdf");
    ADD_FAILURE() << "no exception";
  } catch (const ExFileCreateError& e) {
    EXPECT_EQ(std::string(e.what()).rfind(ExFileCreateError::kPrefix, 0), 0u);
  }

  // A trailer whose Root is not a catalog: nothing is written at all.
  PdfFileBuilder b;
  b.Obj(1, "<</Type/Catalog>>");
  b.ClassicTable("/Size 2/Root 1 0 R");
  Loaded bad = Load(b);
  const fs::path target = dir / "bad.pdf";
  EXPECT_THROW(bad.doc->SaveDocument(target), ExNoPageTreeObj);
  EXPECT_FALSE(fs::exists(target));
  EXPECT_TRUE(fs::is_empty(dir));

  l.doc->SaveDocument(target);
  EXPECT_TRUE(fs::exists(target));
  EXPECT_EQ(vn::ReadFileBytes(target), Save(*l.doc));
  fs::remove_all(dir);
}

// A small new document with a fixed clock and file identifier, encrypted
// with RC4 128 (whose output has no random part), compared byte for byte
// with tests/fixtures/pdf/writer_golden.pdf. Set VN_UPDATE_GOLDEN=1 to
// write the file anew.
TEST(PdfWriter, GoldenFileOfASmallDocument) {
  vn::SetClock([] { return vn::EncodeDateTime(2024, 5, 17, 9, 30, 15, 0); }, [](vn::TDateTime) { return 120; });
  Loaded l = Load(ThreePages());
  const vn::DateParts now = vn::DecodeDateTime(vn::Now());
  TvnPDDateRec date;
  date.Year = static_cast<uint16_t>(now.year);
  date.Month = static_cast<uint16_t>(now.month);
  date.Day = static_cast<uint16_t>(now.day);
  date.Hour = static_cast<uint16_t>(now.hour);
  date.Minute = static_cast<uint16_t>(now.minute);
  date.Second = static_cast<uint16_t>(now.second);
  date.HasTimeZone = true;
  date.TimeZoneMinutes = 120;
  TvnPDDictionary* info = l.doc->GetDocInfo();
  info->Add("CreationDate", std::make_unique<TvnPDString>(BuildPDDate(date)));
  info->Add("Title", std::make_unique<TvnPDString>("Golden"));
  auto settings = std::make_unique<TvnEncryptionSettings>();
  settings->Enabled = true;
  settings->Level = TvnPDFEncryptionLevel::elRC4_128Bit;
  settings->UserPassword = "user";
  settings->OwnerPassword = "owner";
  settings->UserPermissions = AllUserPermissions();
  l.doc->SetUserEncryptionSettings(std::move(settings));
  l.doc->GetWriter()->SetFixedFileID(std::string("0123456789ABCDEF"));
  const std::string out = Save(*l.doc);
  vn::ResetClock();

  const fs::path golden = fs::path(VN_FIXTURES_DIR) / "pdf" / "writer_golden.pdf";
  if (std::getenv("VN_UPDATE_GOLDEN")) vn::WriteFileBytes(golden, out);
  ASSERT_TRUE(fs::exists(golden));
  EXPECT_TRUE(vn::ReadFileBytes(golden) == out) << "differs from " << golden;
  EXPECT_NE(out.find("/ID [ <30313233343536373839414243444546> <30313233343536373839414243444546> ]"),
            std::string::npos);
}

}  // namespace
}  // namespace vn::pdf::writer_test

namespace vn::pdf::writer_test {
namespace {

// A document whose signature field holds the placeholder a filled
// signature field leaves: a V dictionary with the key Vintrope and a name
// of 3500 blanks.
Loaded WithSignaturePlaceholder(const std::string& reason, bool encrypted) {
  Loaded l = Load(ThreePages());
  const int64_t num = l.doc->GetLoadedLastObjectNumber() + 1;
  auto placeholder = std::make_unique<TvnPDDictionary>(num, 0, l.doc.get());
  auto blanks = std::make_unique<TvnPDName>("");
  blanks->SetName(std::string(3500, ' '));
  placeholder->Add("Vintrope", std::move(blanks));
  l.doc->AddToCollection(std::move(placeholder));
  auto field = std::make_unique<TvnPDDictionary>(l.doc.get());
  field->Add("FT", std::make_unique<TvnPDName>("Sig"));
  field->Add("T", std::make_unique<TvnPDString>("Signature1"));
  field->Add("V", std::make_unique<TvnPDIndirectRef>(num, 0));
  auto fields = std::make_unique<TvnPDArray>(l.doc.get());
  fields->Add(std::move(field));
  auto form = std::make_unique<TvnPDDictionary>(l.doc.get());
  form->Add("Fields", std::move(fields));
  l.doc->GetDocRoot()->Add("AcroForm", std::move(form));
  TvnSignature* sig = l.doc->GetSignature();
  sig->Filter = "Adobe.PPKLite";
  sig->Subfilter = "adbe.pkcs7.detached";
  sig->Author = "A. Signer";
  sig->Reason = reason;
  sig->DateTime = vn::EncodeDateTime(2024, 5, 17, 9, 30, 15, 0);
  l.doc->SetSignDoc(true);
  if (encrypted) {
    auto settings = std::make_unique<TvnEncryptionSettings>();
    settings->Enabled = true;
    settings->UserPassword = "user";
    settings->OwnerPassword = "owner";
    l.doc->SetUserEncryptionSettings(std::move(settings));
  }
  return l;
}

TEST(PdfWriterSignature, ThePlaceholderBecomesTheSignatureDictionary) {
  for (bool encrypted : {false, true}) {
    SCOPED_TRACE(encrypted ? "encrypted" : "plain");
    Loaded l = WithSignaturePlaceholder("Approved (final)", encrypted);
    const std::string out = Save(*l.doc);
    const int64_t b = l.doc->GetWriter()->GetSignatureContentsStart();
    const int64_t e = l.doc->GetWriter()->GetSignatureContentsEnd();
    ASSERT_GT(b, 0);
    EXPECT_EQ(e, b + 3002);
    EXPECT_EQ(out.compare(static_cast<size_t>(b) - 9, 10, "/Contents<"), 0);
    EXPECT_EQ(out[static_cast<size_t>(e) - 1], '>');
    EXPECT_EQ(out.compare(static_cast<size_t>(e), 12, "/ByteRange ["), 0);

    Loaded saved = LoadBytes(out, encrypted ? "user" : "");
    TvnPDDictionary* field = saved.doc->GetDocRoot()->LookUp("AcroForm")->AsDict()->LookUp("Fields")->AsArray()->Get(0)->AsDict();
    TvnPDDictionary* v = field->LookUp("V")->AsDict();
    EXPECT_TRUE(v->GetDict()->Isof("Sig"));
    EXPECT_EQ(v->LookupRefObj("Vintrope"), nullptr);
    EXPECT_EQ(Bytes(v->LookUp("Reason")), "Approved (final)");
    EXPECT_EQ(Bytes(v->LookUp("Name")), "A. Signer");
    TvnPDArray* range = v->LookUp("ByteRange")->AsArray();
    ASSERT_EQ(range->GetLength(), 4);
    const int64_t expected[4] = {0, b, e, static_cast<int64_t>(out.size()) - e};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(range->Get(i)->AsInteger()->GetValue(), expected[i]) << i;
  }
}

TEST(PdfWriterSignature, ASignatureTooLargeForItsPlaceholderIsRefused) {
  Loaded l = WithSignaturePlaceholder(std::string(600, 'x'), false);
  vn::TMemoryStream out;
  EXPECT_THROW(l.doc->SaveDocument(&out), ExSignatureSpace);
}

}  // namespace
}  // namespace vn::pdf::writer_test
