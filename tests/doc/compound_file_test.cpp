// The compound-file root on files built in memory: the mini stream, both
// sector sizes, a directory in sectors apart, a FAT beyond the header's 109
// DIFAT entries, and damage (cycles, numbers out of range, huge sizes,
// truncation, loops in the directory tree) read without crash or hang.
#include "doc/compound_file.h"

#include <gtest/gtest.h>

#include "doc/binary_reader.h"
#include "compound_file_builder.h"

namespace compound_file_test {

using vn::Diagnostics;
using vn::doc::EDOCFormatError;
using vn::doc::TvnBinaryReader;
using vn::doc::TvnOLESSRoot;
using vn::doc::testing::CompoundFileBuilder;

// Bytes 0, 1, 2 ... (mod 251) with a tag in front, so a misplaced sector shows.
std::string Pattern(char tag, size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>(i % 251);
  if (size) s[0] = tag;
  return s;
}

std::string Bytes(vn::TMemoryStream& stream) { return std::string(stream.View()); }

struct Read {
  TvnOLESSRoot root;
  Diagnostics diagnostics;
};

std::unique_ptr<Read> ReadFile(const std::string& file) {
  auto read = std::make_unique<Read>();
  TvnBinaryReader reader(std::span(reinterpret_cast<const uint8_t*>(file.data()), file.size()));
  read->root.CreateDocumentpart(reader, &read->diagnostics);
  return read;
}

// A document's streams: WordDocument in regular sectors, the others small
// enough for the mini stream.
CompoundFileBuilder DocumentStreams(uint32_t sector_size) {
  CompoundFileBuilder b(sector_size);
  b.Stream(u"WordDocument", Pattern('W', 9000))
      .Stream(u"1Table", Pattern('T', 300))
      .Stream(u"Data", Pattern('D', 5000))
      .Stream(u"\u0005SummaryInformation", Pattern('S', 200))
      .Stream(u"\u0005DocumentSummaryInformation", Pattern('M', 100));
  return b;
}

TEST(DocCompoundFile, ReadsStreamsOfBothSectorSizesThroughTheMiniStream) {
  for (uint32_t sector_size : {512u, 4096u}) {
    SCOPED_TRACE(sector_size);
    CompoundFileBuilder b = DocumentStreams(sector_size);
    auto read = ReadFile(b.Build());
    TvnOLESSRoot& root = read->root;
    EXPECT_EQ(root.SectorSize(), sector_size);
    EXPECT_EQ(Bytes(root.FWordDocumentStream), Pattern('W', 9000));
    EXPECT_EQ(Bytes(root.F1TableStream), Pattern('T', 300));
    EXPECT_EQ(Bytes(root.FDataStream), Pattern('D', 5000));
    EXPECT_EQ(Bytes(root.FSummaryInformationStream), Pattern('S', 200));
    EXPECT_EQ(Bytes(root.FDocumentSummaryInformationStream), Pattern('M', 100));
    EXPECT_EQ(root.F0TableStream.Size(), 0);
    // A stream in regular sectors is placed by its file offset, one in the
    // mini stream by its offset there.
    EXPECT_EQ(root.FWordDocumentStreamOffset, int64_t{b.StartSector(u"WordDocument") + 1} * sector_size);
    EXPECT_EQ(root.FSummaryInformationStreamOffset, int64_t{b.StartSector(u"\u0005SummaryInformation")} * 64);
    EXPECT_EQ(root.FWordDocumentStreamStartSector, b.StartSector(u"WordDocument"));
    root.SelectTableStream(true);
    EXPECT_EQ(Bytes(root.FTableStream), Pattern('T', 300));
    EXPECT_EQ(root.FTableStreamOffset, int64_t{b.StartSector(u"1Table")} * 64);
    EXPECT_TRUE(read->diagnostics.Empty()) << read->diagnostics.Summary();
  }
}

TEST(DocCompoundFile, ListsEveryStreamWithItsPathAndTakesNamedStreamsFromTheRootOnly) {
  CompoundFileBuilder b;
  b.Stream(u"WordDocument", Pattern('W', 5000))
      .Stream(u"WordDocument", Pattern('E', 4500), u"ObjectPool")
      .Stream(u"1table", Pattern('t', 100))
      .Stream(u"Empty", "");
  auto read = ReadFile(b.Build());
  std::vector<std::pair<std::string, int64_t>> listed;
  for (const auto& e : read->root.Streams()) listed.emplace_back(vn::ToUtf8(e.FPath), e.FLength);
  std::sort(listed.begin(), listed.end());
  const std::vector<std::pair<std::string, int64_t>> expected = {
      {"1table", 100}, {"Empty", 0}, {"ObjectPool/WordDocument", 4500}, {"WordDocument", 5000}};
  EXPECT_EQ(listed, expected);
  EXPECT_EQ(Bytes(read->root.FWordDocumentStream), Pattern('W', 5000));
  // Names compare exactly: "1table" is not the table stream.
  EXPECT_EQ(read->root.F1TableStream.Size(), 0);
}

TEST(DocCompoundFile, FindsStreamsInASecondDirectorySectorApartFromTheFirst) {
  CompoundFileBuilder b = DocumentStreams(512);
  b.Stream(u"Extra1", Pattern('1', 10)).Stream(u"Extra2", Pattern('2', 10)).DirectoryApart();
  const std::string file = b.Build();
  // The 1Table entry (the third) sits in the first directory sector, so
  // move the check to an entry of the second: the last stream.
  ASSERT_GT(b.EntryIndex(u"Extra2"), 3u);
  ASSERT_NE(b.EntryOffset(4), b.EntryOffset(3) + 128);  // the sectors are apart
  auto read = ReadFile(file);
  EXPECT_EQ(read->root.Streams().size(), 7u);
  EXPECT_EQ(Bytes(read->root.FDocumentSummaryInformationStream), Pattern('M', 100));
  EXPECT_EQ(Bytes(read->root.F1TableStream), Pattern('T', 300));
}

TEST(DocCompoundFile, FollowsTheDifatBeyondTheHeadersEntriesToFatSectorsInAnyOrder) {
  // 14000 free sectors push the data past what the first 109 FAT sectors
  // describe; the FAT sectors are listed from the last to the first.
  CompoundFileBuilder b;
  b.Stream(u"WordDocument", Pattern('W', 20000)).LeadingFreeSectors(14000).ReverseFatOrder();
  auto read = ReadFile(b.Build());
  ASSERT_GT(b.StartSector(u"WordDocument"), 109u * 128);
  EXPECT_GT(read->root.FFat.size(), 109u * 128);
  EXPECT_EQ(Bytes(read->root.FWordDocumentStream), Pattern('W', 20000));
  EXPECT_TRUE(read->diagnostics.Empty()) << read->diagnostics.Summary();
}

// A patch applied to a built file, and what reading it must give.
struct DamageCase {
  const char* name;
  std::function<void(CompoundFileBuilder&, std::string&)> patch;
  size_t word_document_size;  // bytes of WordDocument that survive
  const char* diagnostic;     // part of the report
};

TEST(DocCompoundFile, DamagedChainsEndCleanlyWithTheBytesTheyHave) {
  using B = CompoundFileBuilder;
  const DamageCase cases[] = {
      {"FAT cycle back to the first sector",
       [](B& b, std::string& f) {
         const uint32_t s = b.StartSector(u"WordDocument");
         B::Put32(f, b.FatEntryOffset(s + 1), s);
       },
       1024, "runs in a circle"},
      {"sector number past the end",
       [](B& b, std::string& f) { B::Put32(f, b.FatEntryOffset(b.StartSector(u"WordDocument")), 0x00FFFFF0); },
       512, "out of range"},
      {"chain ends early at FREESECT",
       [](B& b, std::string& f) { B::Put32(f, b.FatEntryOffset(b.StartSector(u"WordDocument") + 2), B::kFree); },
       1536, "ends after 1536"},
      {"huge declared size",
       [](B& b, std::string& f) { B::Put32(f, b.EntryOffset(b.EntryIndex(u"WordDocument")) + 120, 0xFFFFFFF0); },
       9216, "ends after 9216"},
      {"truncated inside the stream, the FAT cut off",
       [](B& b, std::string& f) { f.resize(b.SectorOffset(b.StartSector(u"WordDocument")) + 700); },
       512, "FAT sector outside the file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CompoundFileBuilder b;
    b.Stream(u"1Table", Pattern('T', 300)).Stream(u"WordDocument", Pattern('W', 9000));
    std::string file = b.Build();
    c.patch(b, file);
    auto read = ReadFile(file);
    const std::string word = Bytes(read->root.FWordDocumentStream);
    EXPECT_EQ(word.size(), c.word_document_size);
    EXPECT_EQ(word.substr(0, 512), Pattern('W', 9000).substr(0, 512));
    EXPECT_NE(read->diagnostics.Summary().find(c.diagnostic), std::string::npos) << read->diagnostics.Summary();
  }
}

TEST(DocCompoundFile, DamagedMiniFatDifatAndDirectoryTreeEndCleanly) {
  using B = CompoundFileBuilder;
  const DamageCase cases[] = {
      {"mini FAT cycle",
       [](B& b, std::string& f) {
         // The mini FAT is the first sector after the directory.
         const uint32_t s = b.StartSector(u"1Table");
         B::Put32(f, b.SectorOffset(1) + (s + 1) * 4, s);
       },
       9000, "runs in a circle"},
      {"directory tree loops back to an entry met before",
       [](B& b, std::string& f) {
         B::Put32(f, b.EntryOffset(b.EntryIndex(u"WordDocument")) + 72, static_cast<uint32_t>(b.EntryIndex(u"1Table")));
       },
       9000, "directory tree runs in a circle"},
      {"sibling number out of range",
       [](B& b, std::string& f) { B::Put32(f, b.EntryOffset(b.EntryIndex(u"WordDocument")) + 68, 5000); },
       9000, "out of range"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CompoundFileBuilder b;
    b.Stream(u"1Table", Pattern('T', 300)).Stream(u"WordDocument", Pattern('W', 9000));
    std::string file = b.Build();
    c.patch(b, file);
    auto read = ReadFile(file);
    EXPECT_EQ(Bytes(read->root.FWordDocumentStream).size(), c.word_document_size);
    EXPECT_LE(read->root.F1TableStream.Size(), 300);
    EXPECT_NE(read->diagnostics.Summary().find(c.diagnostic), std::string::npos) << read->diagnostics.Summary();
  }
}

TEST(DocCompoundFile, ADifatChainThatLoopsEnds) {
  CompoundFileBuilder b;
  b.Stream(u"WordDocument", Pattern('W', 9000)).LeadingFreeSectors(300).MinFatSectors(120);
  std::string file = b.Build();
  // The header counts 300 FAT sectors; the one DIFAT sector lists a FAT
  // sector 127 times and names itself as the next.
  CompoundFileBuilder::Put32(file, 44, 300);
  const uint32_t difat = static_cast<uint32_t>(file[68] & 0xFF) | static_cast<uint32_t>(file[69] & 0xFF) << 8;
  const size_t at = b.SectorOffset(difat);
  const uint32_t first_fat = static_cast<uint32_t>(file[76] & 0xFF) | static_cast<uint32_t>(file[77] & 0xFF) << 8;
  for (size_t i = 0; i < 127; ++i) CompoundFileBuilder::Put32(file, at + i * 4, first_fat);
  CompoundFileBuilder::Put32(file, at + 508, difat);
  auto read = ReadFile(file);
  EXPECT_EQ(Bytes(read->root.FWordDocumentStream), Pattern('W', 9000));
  EXPECT_NE(read->diagnostics.Summary().find("DIFAT chain runs in a circle"), std::string::npos)
      << read->diagnostics.Summary();
}

TEST(DocCompoundFile, FindsATableStreamOutsideTheDirectoryTreeByScanning) {
  CompoundFileBuilder b;
  b.Stream(u"WordDocument", Pattern('W', 5000)).Stream(u"0Table", Pattern('Z', 4200));
  std::string file = b.Build();
  // Unlink the table stream: the WordDocument entry loses its right sibling.
  CompoundFileBuilder::Put32(file, b.EntryOffset(b.EntryIndex(u"WordDocument")) + 72, CompoundFileBuilder::kNoStream);
  auto read = ReadFile(file);
  EXPECT_EQ(read->root.Streams().size(), 1u);
  EXPECT_EQ(Bytes(read->root.F0TableStream), Pattern('Z', 4200));
  read->root.SelectTableStream(true);  // the flag names 1Table, the file has only 0Table
  EXPECT_EQ(Bytes(read->root.FTableStream), Pattern('Z', 4200));
}

TEST(DocCompoundFile, RefusesWhatIsNotACompoundFile) {
  const std::string good = DocumentStreams(512).Build();
  std::string bad_shift = good;
  CompoundFileBuilder::Put16(bad_shift, 30, 10);
  std::string bad_mini = good;
  CompoundFileBuilder::Put16(bad_mini, 32, 7);
  const struct {
    std::string file;
    const char* message;
  } cases[] = {
      {"", "The file is not a compound file"},
      {"{\\rtf1 not a compound file}" + std::string(600, ' '), "The file is not a compound file"},
      {good.substr(0, 300), "The file is not a compound file"},
      {bad_shift, "The compound file's sector size is not supported"},
      {bad_mini, "The compound file's mini sector size is not supported"},
  };
  for (const auto& c : cases) {
    try {
      ReadFile(c.file);
      ADD_FAILURE() << "no error for " << c.message;
    } catch (const EDOCFormatError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

}  // namespace compound_file_test
