#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "pdf/exceptions.h"
#include "pdf/filter_streams.h"
#include "pdf/xref.h"
#include "pdf_file_builder.h"

namespace vn::pdf::xref_test {
namespace {

using testing::PdfFileBuilder;
using testing::XRefRow;

std::unique_ptr<TvnPDXRef> Table(const std::string& bytes, vn::Diagnostics* diagnostics = nullptr) {
  auto mem = std::make_shared<vn::TMemoryStream>();
  mem->WriteString(bytes);
  auto xref = std::make_unique<TvnPDXRef>(nullptr, MakeRef<TvnMemoryStream>(mem, 0, 0, false), diagnostics);
  xref->GenerateTable();
  return xref;
}

std::string TextOf(TvnPDXRef& xref, int64_t num) {
  auto obj = xref.Fetch(num);
  return obj->IsError() ? "error" : obj->GetText();
}

std::string Minimal() {
  PdfFileBuilder b;
  b.Obj(1, "<</Type/Catalog/Pages 2 0 R>>");
  b.Obj(2, "<</Type/Pages/Kids[]/Count 0>>");
  b.ClassicTable("/Size 3/Root 1 0 R");
  return b.Data();
}

TEST(PdfXRef, StartxrefIsTheLastOneNearestTheEnd) {
  const std::string base = Minimal();
  const int64_t offset = Table(base)->GetStartXref();
  struct Case {
    std::string name, bytes;
  } cases[] = {
      {"second window", base + "%" + std::string(1500, 'x') + "\n"},
      {"whole file", base + "%" + std::string(2 << 20, 'x') + "\n"},
      {"upper case", base.substr(0, base.rfind("startxref")) + "STARTXREF\n" + std::to_string(offset) + "\n%%EOF"},
      {"two in the last window", base + "startxref\n999999\n%%EOF\n" + "startxref\n" + std::to_string(offset) + "\n%%EOF\n"},
      {"number on the same line", base.substr(0, base.rfind("startxref")) + "startxref " + std::to_string(offset) + " %%EOF"},
  };
  for (const Case& c : cases) EXPECT_EQ(Table(c.bytes)->GetStartXref(), offset) << c.name;
}

TEST(PdfXRef, FilesThatCannotBeOpened) {
  EXPECT_THROW(Table(""), ExInvalidPDFFile);
  for (const std::string bytes : {"%PDF-1.4\nstartxref\r\n0\r\n%%EOF", "%PDF-1.4\nno keyword", "%PDF-1.4\nstartxref\n%%EOF",
                                  "\x25\x50\x44\x46\x2d"}) {
    try {
      Table(bytes);
      ADD_FAILURE() << bytes;
    } catch (const ExStartXrefNotFound& e) {
      EXPECT_STREQ(e.what(), "startxref not found");
    }
  }
  // A table without a trailer in a file without objects.
  try {
    Table("%PDF-1.4\nxref\n0 1\n0000000000 65535 f \nstartxref\n9\n%%EOF");
    ADD_FAILURE();
  } catch (const ExImproperCrossRefTableOrStream& e) {
    EXPECT_STREQ(e.what(), "Improper Cross reference Table or Stream");
  }
}

TEST(PdfXRef, NewerSectionsWin) {
  PdfFileBuilder b;
  b.Obj(1, "<</Type/Catalog/Pages 2 0 R>>");
  b.Obj(2, "<<>>");
  b.Obj(5, "(old)");
  const int64_t first = b.ClassicTable("/Size 6/Root 1 0 R");
  const int64_t five = b.Obj(5, "(new)");
  const int64_t second = b.Size();
  b.Raw("xref\n0 1\n" + PdfFileBuilder::Line(0, 65535, 'f') + "5 1\n" + PdfFileBuilder::Line(five, 0, 'n') +
        "trailer\n<</Size 6/Root 1 0 R/Prev " + std::to_string(first) + ">>\nstartxref\n" + std::to_string(second) +
        "\n%%EOF\n");
  auto xref = Table(b.Data());
  EXPECT_EQ(TextOf(*xref, 5), "(new)");
  EXPECT_EQ(TextOf(*xref, 1), "<</Type /Catalog /Pages 2 0 R >>");
  EXPECT_EQ(xref->GetTrailorDict()->LookUp("Prev")->GetText(), std::to_string(first));
  EXPECT_FALSE(xref->Rebuilt());
}

// A table whose trailer names the table itself, as its Prev or as the
// XRefStm of a hybrid file, is read once.
TEST(PdfXRef, SectionsNamingThemselvesEnd) {
  for (const std::string key : {"Prev", "XRefStm"}) {
    PdfFileBuilder b;
    b.Obj(1, "<</Type/Catalog/Pages 1 0 R>>");
    const int64_t at = b.Size();
    b.Raw("xref\n0 2\n" + PdfFileBuilder::Line(0, 65535, 'f') + PdfFileBuilder::Line(b.OffsetOf(1), 0, 'n') +
          "trailer\n<</Size 2/Root 1 0 R/" + key + " " + std::to_string(at) + ">>\nstartxref\n" +
          std::to_string(at) + "\n%%EOF\n");
    auto xref = Table(b.Data());
    EXPECT_FALSE(xref->Rebuilt()) << key;
    EXPECT_NE(TextOf(*xref, 1), "error") << key;
  }
}

TEST(PdfXRef, TableStartingAtOneIsReadEitherWay) {
  PdfFileBuilder b;
  const int64_t o1 = b.Obj(1, "(one)");
  const int64_t o2 = b.Obj(2, "(two)");
  // A sound table whose only subsection starts at 1.
  {
    PdfFileBuilder sound = b;
    const int64_t at = sound.Size();
    sound.Raw("xref\n1 2\n" + PdfFileBuilder::Line(o1, 0, 'n') + PdfFileBuilder::Line(o2, 0, 'n') +
              "trailer\n<</Size 3/Root 1 0 R>>\nstartxref\n" + std::to_string(at) + "\n%%EOF\n");
    auto xref = Table(sound.Data());
    EXPECT_EQ(TextOf(*xref, 1), "(one)");
    EXPECT_EQ(TextOf(*xref, 2), "(two)");
  }
  // A broken one that says 1 but lists object 0 first.
  {
    PdfFileBuilder shifted = b;
    const int64_t at = shifted.Size();
    shifted.Raw("xref\n1 3\n" + PdfFileBuilder::Line(0, 65535, 'f') + PdfFileBuilder::Line(o1, 0, 'n') +
                PdfFileBuilder::Line(o2, 0, 'n') + "trailer\n<</Size 3/Root 1 0 R>>\nstartxref\n" +
                std::to_string(at) + "\n%%EOF\n");
    auto xref = Table(shifted.Data());
    EXPECT_EQ(TextOf(*xref, 1), "(one)");
    EXPECT_EQ(TextOf(*xref, 2), "(two)");
  }
}

TEST(PdfXRef, StreamSectionsWithIndex) {
  PdfFileBuilder b;
  const int64_t o1 = b.Obj(1, "<</Type/Catalog/Pages 2 0 R>>");
  const int64_t o2 = b.Obj(2, "(two)");
  const int64_t o10 = b.Obj(10, "(ten)");
  const int64_t o11 = b.Obj(11, "(eleven)");
  b.XRefStream(12, {{0, 0, 255}, {1, o1, 0}, {1, o2, 0}, {1, o10, 0}, {1, o11, 0}}, "0 3 10 2", "/Size 12/Root 1 0 R");
  auto xref = Table(b.Data());
  EXPECT_TRUE(xref->IsEntryFree(0));
  EXPECT_EQ(TextOf(*xref, 2), "(two)");
  EXPECT_EQ(TextOf(*xref, 10), "(ten)");
  EXPECT_EQ(TextOf(*xref, 11), "(eleven)");
  EXPECT_EQ(xref->GetEntry(5), nullptr);
  EXPECT_EQ(xref->GetLastObjectNumber(), 11);
  EXPECT_FALSE(xref->Rebuilt());
}

// Objects 4, 5, 6 in object stream 3, listed only by the stream section of
// a hybrid file.
std::string HybridFile() {
  PdfFileBuilder b;
  b.Obj(1, "<</Type/Catalog/Pages 2 0 R>>");
  b.Obj(2, "<</Type/Pages/Kids[]/Count 0>>");
  const std::string objs = "(four)         (five)         [6 6]";
  const std::string header = "4 0 5 15 6 30 ";
  b.Obj(3, "<</Type/ObjStm/N 3/First " + std::to_string(header.size()) + "/Length " +
               std::to_string(header.size() + objs.size()) + ">>stream\n" + header + objs + "\nendstream");
  const int64_t stm = b.Obj(7, "<</Type/XRef/W[1 2 1]/Index[4 3]/Size 8/Length 12>>stream\n" +
                                   std::string("\x02\x00\x03\x00\x02\x00\x03\x01\x02\x00\x03\x02", 12) +
                                   "\nendstream");
  const int64_t at = b.Size();
  std::string table = "xref\n0 4\n" + PdfFileBuilder::Line(0, 65535, 'f');
  for (int n = 1; n <= 3; ++n) table += PdfFileBuilder::Line(b.OffsetOf(n), 0, 'n');
  b.Raw(table + "trailer\n<</Size 8/Root 1 0 R/XRefStm " + std::to_string(stm) + ">>\nstartxref\n" +
        std::to_string(at) + "\n%%EOF\n");
  return b.Data();
}

TEST(PdfXRef, HybridFileGivesObjectsFromTheObjectStream) {
  auto xref = Table(HybridFile());
  EXPECT_EQ(TextOf(*xref, 4), "(four)");
  EXPECT_EQ(TextOf(*xref, 5), "(five)");
  EXPECT_EQ(TextOf(*xref, 6), "[ 6 6 ]");
  auto five = xref->Fetch(5);
  EXPECT_EQ(five->GetObjNumber(), 5);
  EXPECT_EQ(five->GetGenNumber(), 0);
}

TEST(PdfXRef, ObjectStreamLookups) {
  auto xref = Table(HybridFile());
  TvnObjectStream objstm(*xref, 3);
  ASSERT_EQ(objstm.GetCount(), 3);
  EXPECT_EQ(objstm.GetObject(1, 5)->GetText(), "(five)");
  EXPECT_TRUE(objstm.GetObject(1, 9)->IsError());
  EXPECT_EQ(objstm.GetObject(0, 6)->GetText(), "[ 6 6 ]");  // found by its number
  EXPECT_TRUE(objstm.GetObject(7, 4)->GetText() == "(four)");
}

TEST(PdfXRef, WrongHeadersAndMissingObjects) {
  PdfFileBuilder b;
  b.Obj(1, "<</Type/Catalog/Pages 1 0 R>>");
  b.Obj(2, "(two)");
  std::string bytes = b.Data();
  auto at = static_cast<int64_t>(bytes.size());
  // Entry 3 points at object 2's header; object 3 exists nowhere.
  bytes += "xref\n0 4\n" + PdfFileBuilder::Line(0, 65535, 'f') + PdfFileBuilder::Line(b.OffsetOf(1), 0, 'n') +
           PdfFileBuilder::Line(b.OffsetOf(2), 0, 'n') + PdfFileBuilder::Line(b.OffsetOf(2), 0, 'n') +
           "trailer\n<</Size 4/Root 1 0 R>>\nstartxref\n" + std::to_string(at) + "\n%%EOF\n";
  auto xref = Table(bytes);
  EXPECT_EQ(TextOf(*xref, 3), "error");
  EXPECT_EQ(TextOf(*xref, 99), "error");
  EXPECT_EQ(TextOf(*xref, -1), "error");
  EXPECT_TRUE(xref->Fetch(0)->IsError());
}

TEST(PdfXRef, WrongOffsetsAreFoundByTheirHeaders) {
  PdfFileBuilder b;
  b.Obj(1, "<</Type/Catalog/Pages 2 0 R>>");
  b.Obj(2, "(two)");
  const int64_t at = b.Size();
  b.Raw("xref\n0 3\n" + PdfFileBuilder::Line(0, 65535, 'f') + PdfFileBuilder::Line(3, 0, 'n') +
        PdfFileBuilder::Line(4, 0, 'n') + "trailer\n<</Size 3/Root 1 0 R>>\nstartxref\n" + std::to_string(at) +
        "\n%%EOF\n");
  auto xref = Table(b.Data());
  EXPECT_EQ(TextOf(*xref, 2), "(two)");
}

TEST(PdfXRef, BrokenTablesAreRebuiltFromTheObjects) {
  PdfFileBuilder b;
  b.Obj(1, "<</Type/Catalog/Pages 2 0 R>>");
  b.Obj(2, "(two)");
  const std::string objects = b.Data();
  struct Case {
    std::string name, tail;
  } cases[] = {
      {"no startxref", "trailer\n<</Root 1 0 R/Size 3>>\n"},
      {"startxref past the end", "trailer\n<</Root 1 0 R>>\nstartxref\n99999\n%%EOF"},
      {"table without xref keyword", "0 3\n0000000000 65535 f \ntrailer <</Root 1 0 R>>\nstartxref\n" +
                                         std::to_string(objects.size()) + "\n%%EOF"},
      {"no trailer at all", "startxref\n5\n%%EOF"},
  };
  for (const Case& c : cases) {
    auto xref = Table(objects + c.tail);
    EXPECT_TRUE(xref->Rebuilt()) << c.name;
    EXPECT_EQ(TextOf(*xref, 2), "(two)") << c.name;
    ASSERT_NE(xref->GetTrailorDict(), nullptr) << c.name;
    EXPECT_EQ(xref->GetTrailorDict()->LookupRefObj("Root")->GetText(), "1 0 R") << c.name;
  }
}

// Each repair of the reader is reported, with the section's offset or the
// object's number, while the repaired file reads as before.
TEST(PdfXRef, RepairsAreReported) {
  PdfFileBuilder b;
  b.Obj(1, "<</Type/Catalog/Pages 2 0 R>>");
  b.Obj(2, "(two)");
  const std::string objects = b.Data();
  const int64_t end = static_cast<int64_t>(objects.size());
  auto table = [&](const std::string& rows, const std::string& trailer = "/Size 3/Root 1 0 R") {
    return objects + "xref\n0 3\n" + PdfFileBuilder::Line(0, 65535, 'f') + rows + "trailer\n<<" + trailer +
           ">>\nstartxref\n" + std::to_string(end) + "\n%%EOF\n";
  };
  const std::string one = PdfFileBuilder::Line(b.OffsetOf(1), 0, 'n');
  const std::string two = PdfFileBuilder::Line(b.OffsetOf(2), 0, 'n');
  PdfFileBuilder streams;
  streams.Obj(1, "<</Type/Catalog/Pages 1 0 R>>");
  streams.Obj(2, "<</Length 99>>stream\nabc\nendstream");
  streams.Obj(3, std::string(300, '[') + std::string(300, ']'));
  streams.ClassicTable("/Size 4/Root 1 0 R");
  struct Case {
    const char* name;
    std::string bytes;
    int64_t fetch;          // an object fetched after opening
    const char* report;     // a part of one report
    uint64_t offset;        // where, when the report gives a place
    int64_t object;         // which object, when it names one
  } cases[] = {
      {"startxref past the end", objects + "trailer\n<</Root 1 0 R>>\nstartxref\n99999\n%%EOF", 2,
       "lies outside the file", Diagnostic::kNoOffset, Diagnostic::kNoObject},
      {"table without xref keyword", objects + "0 3\ntrailer <</Root 1 0 R>>\nstartxref\n" + std::to_string(end) + "\n%%EOF", 2,
       "no cross-reference stream where one should start", uint64_t(end), Diagnostic::kNoObject},
      {"broken table", objects + "xref\n0 3\nthis is no table\ntrailer <</Root 1 0 R>>\nstartxref\n" + std::to_string(end) + "\n%%EOF", 2,
       "rebuilt from the objects in the file", Diagnostic::kNoOffset, Diagnostic::kNoObject},
      {"Prev naming its own table", table(one + two, "/Size 3/Root 1 0 R/Prev " + std::to_string(end)), 2,
       "Prev chain of cross-reference sections loops", uint64_t(end), Diagnostic::kNoObject},
      {"entry pointing elsewhere", table(one + PdfFileBuilder::Line(3, 0, 'n')), 2,
       "away from its cross-reference entry", Diagnostic::kNoOffset, 2},
      {"entry of an object that is nowhere", table(one + two).replace(b.OffsetOf(2), 5, "9 0 o"), 2,
       "an object cannot be read", Diagnostic::kNoOffset, 2},
      {"stream of a wrong Length", streams.Data(), 2, "Length is wrong", Diagnostic::kNoOffset, 2},
      {"arrays nested too deep", streams.Data(), 3, "nested too deep", Diagnostic::kNoOffset, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    vn::Diagnostics d;
    auto xref = Table(c.bytes, &d);
    xref->Fetch(c.fetch);
    const auto& kept = d.Kept();
    auto it = std::find_if(kept.begin(), kept.end(),
                           [&](const Diagnostic& r) { return r.message.find(c.report) != std::string::npos; });
    ASSERT_NE(it, kept.end()) << d.Summary();
    if (c.offset != Diagnostic::kNoOffset) EXPECT_EQ(it->offset, c.offset);
    EXPECT_EQ(it->object, c.object);
  }
  // A sound file reports nothing.
  vn::Diagnostics d;
  auto xref = Table(table(one + two), &d);
  EXPECT_EQ(TextOf(*xref, 2), "(two)");
  EXPECT_TRUE(d.Empty()) << d.Summary();
}

TEST(PdfXRef, SelfReferencesEndQuietly) {
  PdfFileBuilder b;
  b.Obj(1, "<</Type/Catalog/Pages 2 0 R>>");
  // An object stream that claims to hold itself, and a stream whose
  // Length refers to its own object.
  b.Obj(2, "<</Type/ObjStm/N 1/First 4/Length 9>>stream\n2 0 (x)\nendstream");
  b.Obj(4, "<</Length 4 0 R>>stream\nabc\nendstream");
  const int64_t o1 = b.OffsetOf(1), o2 = b.OffsetOf(2), o4 = b.OffsetOf(4);
  b.XRefStream(5, {{0, 0, 255}, {1, o1, 0}, {1, o2, 0}, {2, 2, 0}, {1, o4, 0}}, "", "/Size 5/Root 1 0 R");
  auto xref = Table(b.Data());
  EXPECT_TRUE(xref->Fetch(3)->IsError());
  auto four = xref->Fetch(4);
  ASSERT_TRUE(four->IsStream());
}

// A few kilobytes of compressed header claiming 200000 objects (all at
// offset 0) are not all parsed: a stream holds no more objects than the
// table has entries, or 65536 at least.
TEST(PdfXRef, ObjectStreamCountsAreCapped) {
  const int64_t n = 200000;
  std::string header;
  for (int64_t k = 0; k < n; ++k) header += "3 0 ";
  const std::string data = FlateCompress(header);
  PdfFileBuilder b;
  b.Obj(1, "<</Type/Catalog/Pages 1 0 R>>");
  b.Obj(2, "<</Type/ObjStm/N " + std::to_string(n) + "/First " + std::to_string(header.size()) +
               "/Filter/FlateDecode/Length " + std::to_string(data.size()) + ">>stream\n" + data + "\nendstream");
  b.XRefStream(4, {{0, 0, 255}, {1, b.OffsetOf(1), 0}, {1, b.OffsetOf(2), 0}, {2, 2, 0}}, "", "/Size 4/Root 1 0 R");
  auto xref = Table(b.Data());
  TvnObjectStream objstm(*xref, 2);
  EXPECT_EQ(objstm.GetCount(), 65536);
}

TEST(PdfXRef, EntryCountsAreCappedByTheFileSize) {
  PdfFileBuilder b;
  b.Obj(1, "<</Type/Catalog/Pages 1 0 R>>");
  const int64_t at = b.Size();
  b.Raw("xref\n0 2000000000\n" + PdfFileBuilder::Line(0, 65535, 'f') + "trailer\n<</Root 1 0 R>>\nstartxref\n" +
        std::to_string(at) + "\n%%EOF\n");
  auto xref = Table(b.Data());
  EXPECT_LT(xref->GetSize(), 1 << 20);
  EXPECT_NE(TextOf(*xref, 1), "error");
}

}  // namespace
}  // namespace vn::pdf::xref_test
