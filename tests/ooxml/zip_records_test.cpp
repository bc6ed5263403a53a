// The zip records: the end-record search (comments of every length, forged
// records inside a comment, short and foreign streams), type detection,
// the extra field, and damaged headers.
#include "ooxml/zip_records.h"

#include <gtest/gtest.h>

#include <random>

#include "ooxml/zip_archive.h"
#include "ooxml/zip_exceptions.h"
#include "zip_test_support.h"

namespace vn::ooxml::zip_records_test {
namespace {

using testing::PutLE;
using testing::ZipBuilder;
using testing::ZipEntry;

std::string EndRecord(uint16_t entries, uint32_t size, uint32_t offset, uint16_t comment_length, uint16_t disk = 0) {
  std::string s;
  PutLE(s, kEndOfCentralDirSignature, 4);
  PutLE(s, disk, 2);
  PutLE(s, disk, 2);
  PutLE(s, entries, 2);
  PutLE(s, entries, 2);
  PutLE(s, size, 4);
  PutLE(s, offset, 4);
  PutLE(s, comment_length, 2);
  return s;
}

ZipBuilder TwoMembers() {
  ZipBuilder b;
  b.entries.push_back(ZipEntry{.name = "a.txt", .data = "alpha"});
  b.entries.push_back(ZipEntry{.name = "word/b.xml", .data = std::string(3000, 'b'), .method = 8});
  return b;
}

TEST(EndRecordSearch, CommentsOfEveryLength) {
  for (size_t comment : {0u, 1u, 489u, 490u, 491u, 500u, 1000u, 40000u, 65535u}) {
    ZipBuilder b = TwoMembers();
    b.comment = std::string(comment, 'c');
    const std::string zip = b.Build();
    TStringStream s(zip);
    EXPECT_EQ(LocateDirectoryFooter(s), static_cast<int64_t>(zip.size() - 22 - comment)) << comment;
    EXPECT_EQ(s.Position(), static_cast<int64_t>(zip.size() - 22 - comment));
  }
}

TEST(EndRecordSearch, ForgedRecordsInsideTheComment) {
  const std::string plain = TwoMembers().Build();
  // The real record's fields, to forge a copy that agrees with the archive.
  const std::string real = plain.substr(plain.size() - 22, 20);
  struct Case {
    const char* name;
    std::string comment;
    bool forged_wins;
  } cases[] = {
      {"copy of the real record, comment to the end", "x" + real + std::string("\x00\x00", 2), true},
      {"directory offset into garbage", "x" + EndRecord(2, 100, 3, 0), false},
      {"directory past the record", "x" + EndRecord(2, 100, 0x7FFFFFFF, 0), false},
      {"comment longer than the bytes after it", "x" + EndRecord(0, 0, 0, 200) + "tail", false},
      {"empty archive whose directory would follow", "x" + EndRecord(0, 0, 0x10000, 0), false},
  };
  for (const Case& c : cases) {
    ZipBuilder b = TwoMembers();
    b.comment = c.comment;
    const std::string zip = b.Build();
    TStringStream s(zip);
    const int64_t real_at = static_cast<int64_t>(zip.size() - 22 - c.comment.size());
    EXPECT_EQ(LocateDirectoryFooter(s), c.forged_wins ? real_at + 23 : real_at) << c.name;
  }
}

TEST(EndRecordSearch, StreamsWithoutARecord) {
  std::mt19937 rng(3);
  std::string noise(200000, '\0');
  for (auto& c : noise) c = static_cast<char>(rng());
  for (const std::string& bytes : {std::string(), std::string("PK\x05\x06", 4), std::string(21, 'x'), noise}) {
    TStringStream s(bytes);
    s.Seek(static_cast<int64_t>(bytes.size() / 2), SeekOrigin::soBeginning);
    EXPECT_EQ(LocateDirectoryFooter(s), -1) << bytes.size();
    EXPECT_EQ(s.Position(), static_cast<int64_t>(bytes.size() / 2)) << bytes.size();
  }
}

TEST(ArchiveTypes, DetectedFromContent) {
  const std::string zip = TwoMembers().Build();
  std::string spanned_record = zip;
  spanned_record[spanned_record.size() - 22 + 4] = 1;  // "this disk" 1
  ZipBuilder stub = TwoMembers();
  stub.prefix = "MZ" + std::string(500, '\x90');
  ZipBuilder elf = TwoMembers();
  elf.prefix = std::string("\x7F" "ELF", 4) + std::string(300, '\0');
  ZipBuilder not_exe = TwoMembers();
  not_exe.prefix = "#!/bin/sh\n";
  struct Case {
    const char* name;
    std::string bytes;
    TAbArchiveType zip_type, sfx_type, stream_type;
  } cases[] = {
      {"zip", zip, TAbArchiveType::atZip, TAbArchiveType::atUnknown, TAbArchiveType::atZip},
      {"spanned marker", std::string("PK\x07\x08", 4) + "anything", TAbArchiveType::atSpannedZip,
       TAbArchiveType::atUnknown, TAbArchiveType::atSpannedZip},
      {"record of disk 1", spanned_record, TAbArchiveType::atSpannedZip, TAbArchiveType::atUnknown,
       TAbArchiveType::atSpannedZip},
      {"MZ stub", stub.Build(), TAbArchiveType::atZip, TAbArchiveType::atSelfExtZip, TAbArchiveType::atSelfExtZip},
      {"ELF stub", elf.Build(), TAbArchiveType::atZip, TAbArchiveType::atSelfExtZip, TAbArchiveType::atSelfExtZip},
      {"script prefix", not_exe.Build(), TAbArchiveType::atZip, TAbArchiveType::atUnknown, TAbArchiveType::atZip},
      {"MZ without archive", "MZ" + std::string(100, 'x'), TAbArchiveType::atUnknown, TAbArchiveType::atUnknown,
       TAbArchiveType::atUnknown},
      {"empty", "", TAbArchiveType::atUnknown, TAbArchiveType::atUnknown, TAbArchiveType::atUnknown},
  };
  for (const Case& c : cases) {
    TStringStream s(c.bytes);
    s.Seek(1, SeekOrigin::soBeginning);
    EXPECT_EQ(DetectZipArchiveType(s), c.zip_type) << c.name;
    EXPECT_EQ(DetectSelfExtractingType(s), c.sfx_type) << c.name;
    EXPECT_EQ(DetectStreamArchiveType(s), c.stream_type) << c.name;
    EXPECT_EQ(s.Position(), 1) << c.name;
  }
}

TEST(ArchiveTypes, DetectedForFiles) {
  testing::TempDir dir;
  const std::string zip = TwoMembers().Build();
  testing::WriteFile(dir / "a.docx", zip);
  testing::WriteFile(dir / "b.zip", "not an archive");
  testing::WriteFile(dir / "c.tar", "not checked");
  testing::WriteFile(dir / "d.ZIP", zip);
  testing::WriteFile(dir / "e.zip", "");
  auto type = [&dir](const char* name) {
    return DetectFileArchiveType(FromUtf8((dir / name).string()), TAbArchiveType::atUnknown);
  };
  EXPECT_EQ(type("a.docx"), TAbArchiveType::atZip);
  EXPECT_EQ(type("b.zip"), TAbArchiveType::atUnknown);
  EXPECT_EQ(type("c.tar"), TAbArchiveType::atTar);
  EXPECT_EQ(type("d.ZIP"), TAbArchiveType::atZip);
  EXPECT_EQ(type("e.zip"), TAbArchiveType::atZip);  // empty: by the extension only
  EXPECT_EQ(type("missing.exe"), TAbArchiveType::atSelfExtZip);
  EXPECT_EQ(type("missing.gz"), TAbArchiveType::atGzip);
}

TEST(ExtraField, SubfieldsAreFoundChangedAndClamped) {
  TAbExtraField f;
  f.SetBuffer(testing::Subfield(0x0001, std::string(16, '\x01')) + testing::Subfield(0x7075, "\x01" "abcdXY") +
              std::string("\x4E\x55\x10\x00" "short", 9));
  EXPECT_EQ(f.Count(), 3);
  EXPECT_EQ(f.Get(0x7075), "\x01" "abcdXY");
  // The last subfield claims 16 bytes but 5 remain: its size is lowered.
  EXPECT_EQ(f.Get(0x554E), "short");
  EXPECT_EQ(static_cast<uint8_t>(f.Buffer()[f.Buffer().size() - 7]), 5);
  EXPECT_FALSE(f.Has(0x9999));
  std::unique_ptr<TMemoryStream> stream;
  ASSERT_TRUE(f.GetStream(0x0001, stream));
  EXPECT_EQ(stream->Size(), 16);
  EXPECT_EQ(stream->Position(), 0);

  f.Put(0x7075, "\x02" "wxyzZZ");  // same size: in place
  EXPECT_EQ(f.Buffer().substr(20, 11), testing::Subfield(0x7075, "\x02" "wxyzZZ"));
  f.Put(0x0001, "longer data");  // new size: moved to the end
  EXPECT_EQ(f.Buffer().substr(f.Buffer().size() - 15), testing::Subfield(0x0001, "longer data"));
  f.Delete(0x554E);
  EXPECT_EQ(f.Count(), 2);
  TAbExtraField g;
  g.CloneFrom(f, 0x7075);
  EXPECT_EQ(g.Get(0x7075), "\x02" "wxyzZZ");
  g.CloneFrom(TAbExtraField(), 0x7075);
  EXPECT_EQ(g.Count(), 0);
  // Fewer than 4 bytes left hold no subfield.
  g.SetBuffer("\x01\x00\x00");
  EXPECT_EQ(g.Count(), 0);
}

TEST(ZipRecords, Zip64EndRecordReplacesEscapedValues) {
  ZipBuilder b = TwoMembers();
  b.zip64_end = true;
  const std::string zip = b.Build();
  TStringStream s(zip);
  const int64_t at = LocateDirectoryFooter(s);
  ASSERT_GT(at, 0);
  TAbZipDirectoryFileFooter footer;
  footer.LoadFromStream(s);
  EXPECT_TRUE(footer.IsZip64());
  s.Seek(at - 20 - 56, SeekOrigin::soBeginning);
  footer.LoadZip64FromStream(s);
  EXPECT_EQ(footer.FTotalEntries, 2u);
  EXPECT_EQ(footer.FEntriesOnDisk, 2u);
  EXPECT_EQ(footer.FDirectoryOffset, static_cast<uint64_t>(5 + 30 + 5 + 30 + 10 + testing::DeflateRaw(std::string(3000, 'b')).size()));
  EXPECT_FALSE(footer.IsZip64());
  s.Seek(0, SeekOrigin::soBeginning);
  EXPECT_THROW(footer.LoadZip64FromStream(s), EAbZipInvalid);

  // Escaped values without a Zip64 locator: no usable end record.
  std::string no_locator = zip;
  no_locator[static_cast<size_t>(at) - 20] = 'X';
  TStringStream broken(no_locator);
  EXPECT_EQ(LocateDirectoryFooter(broken), -1);
  TAbZipArchive archive(broken, u"");
  EXPECT_THROW(archive.Load(), EAbZipInvalid);
  EXPECT_EQ(archive.Status(), TAbArchiveStatus::asInvalid);
}

TEST(ZipRecords, DamagedHeaders) {
  const std::string zip = TwoMembers().Build();
  TAbZipLocalFileHeader local;
  TStringStream good(zip);
  local.LoadFromStream(good);
  EXPECT_EQ(local.FFileName, "a.txt");
  EXPECT_EQ(good.Position(), 35);

  TAbZipDirectoryFileHeader central;
  TStringStream wrong(zip);
  EXPECT_THROW(central.LoadFromStream(wrong), EAbZipInvalid);  // a local header is not a central one
  for (size_t cut : {10u, 30u, 33u}) {
    TStringStream cut_stream(zip.substr(0, cut));
    EXPECT_THROW(TAbZipLocalFileHeader().LoadFromStream(cut_stream), EReadError) << cut;
  }
  TAbZipDirectoryFileFooter footer;
  TStringStream no_end(zip.substr(0, 10));
  EXPECT_THROW(footer.LoadFromStream(no_end), EReadError);
}

}  // namespace
}  // namespace vn::ooxml::zip_records_test
