// The zip layer's inflater: zlib round trips at every level and strategy,
// Deflate64 (hand-made codes and a member made by 7z), the error messages of
// damaged streams, and the run options (test only, partial size, progress,
// log, checksum choice, source position after the data).
#include "ooxml/zip_inflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "ooxml/zip_exceptions.h"
#include "zip_test_support.h"

namespace vn::ooxml::zip_inflate_test {
namespace {

using testing::BitWriter;
using testing::DeflateRaw;
using testing::TempDir;

std::string MakeData(int kind, size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  std::string s;
  s.reserve(size);
  static const char* words[] = {"<w:p>", "<w:r><w:t>", "document ", "</w:t></w:r>", "relationship ", "\r\n"};
  while (s.size() < size) {
    switch (kind) {
      case 0: s.push_back(static_cast<char>(rng())); break;
      case 1: s += words[rng() % 6]; break;
      default: s.append(1 + rng() % 300, static_cast<char>(rng() % 4)); break;
    }
  }
  s.resize(size);
  return s;
}

struct Result {
  std::string output;
  uint32_t checksum = 0;
  TAbDeflateHelper helper;
};

Result InflateAll(const std::string& compressed, int options = 0x0F, const std::string& after = "") {
  TStringStream source(compressed + after);
  TStringStream dest;
  Result r;
  r.helper.SetOptions(options);
  r.checksum = Inflate(source, dest, &r.helper);
  r.output = dest.DataString();
  return r;
}

// Plain deflate cannot decode the stream into `data`.
bool PlainDeflateFails(const std::string& compressed, const std::string& data) {
  try {
    return InflateAll(compressed).output != data;
  } catch (const EAbInflateError&) {
    return true;
  }
}

// The message of the inflate error a stream raises, or "" when it inflates.
std::string ErrorOf(const std::string& compressed, int options = 0x0F) {
  try {
    InflateAll(compressed, options);
  } catch (const EAbInflateError& e) {
    const std::string m = e.what();
    const std::string prefix = "inflate error, possibly a corrupted compressed stream. (Internal cause: ";
    EXPECT_EQ(m.rfind(prefix, 0), 0u) << m;
    return m.substr(prefix.size(), m.size() - prefix.size() - 1);
  }
  return "";
}

TEST(ZipInflate, MatchesZlibAtEveryLevelAndStrategy) {
  const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
  uint32_t seed = 1;
  for (int level = 0; level <= 9; ++level)
    for (int strategy : strategies)
      for (int kind = 0; kind < 3; ++kind)
        for (size_t size : {size_t{0}, size_t{1}, size_t{3000}, size_t{150000}}) {
          const std::string data = MakeData(kind, size, seed++);
          const std::string z = DeflateRaw(data, level, strategy);
          Result r = InflateAll(z, 0x0F, "trailing bytes");
          ASSERT_EQ(r.output, data) << level << " " << strategy << " " << kind << " " << size;
          EXPECT_EQ(r.checksum, testing::ZlibCrc(data));
          EXPECT_EQ(r.helper.NormalSize, static_cast<int64_t>(size));
          EXPECT_EQ(r.helper.CompressedSize, static_cast<int64_t>(z.size()));
        }
}

TEST(ZipInflate, AdlerChecksumAndTestOnlyRuns) {
  const std::string data = MakeData(1, 100000, 5);
  const std::string z = DeflateRaw(data, 6);
  Result adler = InflateAll(z, 0x0F | kAdler32Option);
  EXPECT_EQ(adler.checksum, adler32(1, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
  Result test = InflateAll(z, 0x0F | kTestOnlyOption);
  EXPECT_EQ(test.output, "");
  EXPECT_EQ(test.checksum, testing::ZlibCrc(data));
  EXPECT_EQ(test.helper.NormalSize, 100000);
  EXPECT_EQ(test.helper.CompressedSize, static_cast<int64_t>(z.size()));
  // Without a helper the defaults apply.
  TStringStream source(z), dest;
  EXPECT_EQ(Inflate(source, dest, nullptr), testing::ZlibCrc(data));
  EXPECT_EQ(dest.DataString(), data);
}

TEST(ZipInflate, SourceStandsRightAfterTheFinalBlock) {
  const std::string data = MakeData(1, 5000, 9);
  for (int level : {0, 1, 9}) {
    const std::string z = DeflateRaw(data, level);
    TStringStream source("HEAD" + z + "NEXT RECORD");
    source.Seek(4, SeekOrigin::soBeginning);
    TStringStream dest;
    Inflate(source, dest, nullptr);
    EXPECT_EQ(source.Position(), static_cast<int64_t>(4 + z.size())) << level;
    EXPECT_EQ(source.ReadAll(), "NEXT RECORD");
  }
}

TEST(ZipInflate, Deflate64LengthsAndDistances) {
  // A stored block of 40000 bytes, then fixed codes: length symbol 285 with
  // 16 extra bits (3 + 1000) at distance symbol 30 (32769 + 123), and
  // length 285 with extra 0 (3) at distance 1.
  const std::string history = MakeData(0, 40000, 3);
  BitWriter w;
  w.Bits(0, 1).Bits(0, 2).Align().Bits(40000, 16).Bits(0xFFFF & ~40000, 16).Bytes(history);
  w.Bits(1, 1).Bits(1, 2);
  w.Fixed(285).Bits(1000, 16).Code(30, 5).Bits(123, 14);
  w.Fixed(285).Bits(0, 16).Code(0, 5);
  w.Fixed(256);
  std::string expected = history;
  for (size_t i = 0; i < 1003; ++i) expected.push_back(expected[expected.size() - (32769 + 123)]);
  expected.append(3, expected.back());
  Result r = InflateAll(w.Finish(), 0x0F | kDeflate64Option);
  EXPECT_EQ(r.output, expected);
  EXPECT_EQ(r.checksum, testing::ZlibCrc(expected));
  // In plain deflate the same bits mean length 258 without extra bits.
  EXPECT_TRUE(PlainDeflateFails(w.Finish(), expected));
}

TEST(ZipInflate, Deflate64AllowsThirtyTwoDistanceCodes) {
  // A dynamic block with HDIST 31 holding only literals: 'a' and end of
  // block of length 1, every other length 0.
  BitWriter w;
  w.Bits(1, 1).Bits(2, 2).Bits(0, 5).Bits(30, 5).Bits(14, 4);
  // Code-length code lengths in their storage order; symbols 18 and 1 get
  // length 1 (codes 1 and 0).
  const unsigned order_lengths[18] = {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  for (unsigned l : order_lengths) w.Bits(l, 3);
  auto zeros = [&w](unsigned n) { w.Code(1, 1).Bits(n - 11, 7); };
  zeros(97);         // 0..96
  w.Code(0, 1);      // 'a': length 1
  zeros(138);        // 98..235
  zeros(20);         // 236..255
  w.Code(0, 1);      // 256: length 1
  zeros(31);         // the 31 distance codes
  w.Code(0, 1).Code(0, 1).Code(0, 1).Code(1, 1);  // "aaa", end of block
  EXPECT_EQ(InflateAll(w.Finish(), 0x0F | kDeflate64Option).output, "aaa");
  EXPECT_EQ(ErrorOf(w.Finish()), "count of distance codes in dynamic block is greater than 30 [InflateDynamicBlock]");
}

TEST(ZipInflate, Deflate64MemberMadeBy7zMatches7zExtraction) {
  VN_REQUIRE_TOOL("7z");
  TempDir dir;
  // Repeats 50000 bytes apart, beyond the plain deflate window, with long
  // runs, so the member needs Deflate64's distances and lengths.
  const std::string block = MakeData(0, 50000, 11);
  std::string data = MakeData(1, 20000, 12);
  for (int i = 0; i < 6; ++i) data += block + MakeData(2, 70000 + i, 13 + i);
  testing::WriteFile(dir / "member.bin", data);
  const std::string archive = (dir / "d64.zip").string();
  ASSERT_EQ(testing::RunTool("cd " + testing::Quote(dir.path().string()) + " && 7z a -tzip -mm=Deflate64 -mx=9 " +
                             testing::Quote(archive) + " member.bin"),
            0);
  std::string extracted;
  ASSERT_EQ(testing::RunTool("7z x -so " + testing::Quote(archive), &extracted), 0);
  ASSERT_EQ(extracted, data);

  const std::string zip = testing::ReadFile(archive);
  ASSERT_GE(zip.size(), 30u);
  auto le16 = [&zip](size_t at) { return static_cast<uint8_t>(zip[at]) | static_cast<uint8_t>(zip[at + 1]) << 8; };
  ASSERT_EQ(le16(8), 9) << "7z did not write a Deflate64 member";
  const std::string member = zip.substr(30 + le16(26) + le16(28));
  Result r = InflateAll(member, 0x0F | kDeflate64Option);
  EXPECT_EQ(r.output, extracted);
  EXPECT_EQ(r.checksum, testing::ZlibCrc(extracted));
  EXPECT_TRUE(PlainDeflateFails(member, extracted)) << "the member should need Deflate64";
}

TEST(ZipInflate, DamagedStreamsRaiseTheirMessages) {
  auto fixed = [](std::initializer_list<unsigned> symbols, unsigned distance_symbol) {
    BitWriter w;
    w.Bits(1, 1).Bits(1, 2).Fixed('a');
    for (unsigned s : symbols) w.Fixed(s);
    w.Code(distance_symbol, 5).Fixed(256).Bytes("padding!");
    return w.Finish();
  };
  // Code-length codes with only symbols 16 and 1 (lengths 1): a repeat
  // comes first.
  BitWriter repeat_first;
  repeat_first.Bits(1, 1).Bits(2, 2).Bits(0, 5).Bits(0, 5).Bits(14, 4);
  for (unsigned l : {1u, 0u, 0u, 0u, 0u, 0u, 0u, 0u, 0u, 0u, 0u, 0u, 0u, 0u, 0u, 0u, 0u, 1u}) repeat_first.Bits(l, 3);
  repeat_first.Code(1, 1).Bits(0, 2).Bytes("padding!");
  // Only code-length symbol 18 has a code ("0"): the bit 1 matches none.
  BitWriter unreached;
  unreached.Bits(1, 1).Bits(2, 2).Bits(0, 5).Bits(0, 5).Bits(0, 4);
  unreached.Bits(0, 3).Bits(0, 3).Bits(1, 3).Bits(0, 3).Code(1, 1).Bytes("padding!");

  const std::string good = DeflateRaw(MakeData(1, 3000, 1), 9);
  struct Case {
    const char* name;
    std::string stream;
    const char* message;
  } cases[] = {
      {"block type 3", BitWriter().Bits(1, 1).Bits(3, 2).Bytes("padding!").Finish(),
       "starting new block, but invalid block type [Inflate]"},
      {"stored length complement", BitWriter().Bits(1, 1).Bits(0, 2).Align().Bits(5, 16).Bits(0, 16).Bytes("hello").Finish(),
       "invalid stored block (length and NOT length do not match) [InflateStoredBlock]"},
      {"HLIT 287", BitWriter().Bits(1, 1).Bits(2, 2).Bits(30, 5).Bits(0, 5).Bits(0, 4).Bytes("padding!").Finish(),
       "count of literal codes in dynamic block is greater than 286 [InflateDynamicBlock]"},
      {"HDIST 31", BitWriter().Bits(1, 1).Bits(2, 2).Bits(0, 5).Bits(30, 5).Bits(0, 4).Bytes("padding!").Finish(),
       "count of distance codes in dynamic block is greater than 30 [InflateDynamicBlock]"},
      {"unreached code-length code", unreached.Finish(), "decoded a symbol not between 0 and 18 {ReadLitDistCodeLengths}"},
      {"repeat before any length", repeat_first.Finish(), "decoded a code length out of range {ReadLitDistCodeLengths}"},
      {"length symbol 286", fixed({286}, 0), "decoded an invalid length symbol: greater than 285 [DecodeData]"},
      {"distance symbol 30", fixed({257}, 30), "decoded an invalid distance symbol: greater than 29 [DecodeData]"},
      {"distance before the data", fixed({257}, 1),
       "decoded a distance reaching before the start of the data [DecodeData]"},
      {"cut in a block header", BitWriter().Bits(0, 1).Bits(0, 2).Align().Bits(0, 16).Bits(0xFFFF, 16).Finish(),
       "no more compressed data in stream [TAbDfInBitStream.ReadBits]"},
      {"cut in stored data", BitWriter().Bits(1, 1).Bits(0, 2).Align().Bits(9, 16).Bits(0xFFF6, 16).Bytes("abc").Finish(),
       "no more compressed data in stream [TAbDfInBitStream.ReadBuffer]"},
      {"cut in coded data", good.substr(0, good.size() / 2),
       "no more compressed data in stream [TAbDfInBitStream.DiscardBits]"},
      {"empty", "", "no more compressed data in stream [TAbDfInBitStream.ReadBits]"},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorOf(c.stream), c.message) << c.name;
  // Edge cases that are fine: an empty stored final block, and a block of
  // literals whose distance code set is empty.
  Result empty = InflateAll(BitWriter().Bits(1, 1).Bits(0, 2).Align().Bits(0, 16).Bits(0xFFFF, 16).Finish());
  EXPECT_EQ(empty.output, "");
  EXPECT_EQ(empty.checksum, 0u);
  EXPECT_EQ(InflateAll(fixed({257}, 0)).output, "aaaa");
}

TEST(ZipInflate, TruncatedAndFlippedStreamsFailCleanly) {
  const std::string data = MakeData(1, 20000, 21) + MakeData(0, 3000, 22);
  for (int options : {0x0F, 0x0F | kDeflate64Option}) {
    const std::string z = DeflateRaw(data, 6);
    for (size_t cut = 0; cut < z.size(); cut += 1 + cut / 8) EXPECT_NE(ErrorOf(z.substr(0, cut), options), "") << cut;
    std::mt19937 rng(options);
    for (int i = 0; i < 300; ++i) {
      std::string damaged = z;
      damaged[rng() % damaged.size()] ^= static_cast<char>(1 << (rng() % 8));
      try {
        InflateAll(damaged, options);
      } catch (const EAbInflateError&) {
      }
    }
  }
}

TEST(ZipInflate, PartialSizeStopsQuietly) {
  const std::string data = MakeData(1, 200000, 31);
  for (int64_t part : {int64_t{1}, int64_t{70000}, int64_t{199999}}) {
    TStringStream source(DeflateRaw(data)), dest;
    TAbDeflateHelper helper;
    helper.PartialSize = part;
    EXPECT_EQ(Inflate(source, dest, &helper), 0u);
    EXPECT_EQ(dest.DataString(), data.substr(0, static_cast<size_t>(part)));
    EXPECT_EQ(helper.NormalSize, part);
  }
}

TEST(ZipInflate, ProgressReportsAndAbortEndsQuietly) {
  const std::string data = MakeData(0, 300000, 41);
  const std::string z = DeflateRaw(data, 1);
  std::vector<int> steps;
  {
    TStringStream source(z), dest;
    TAbDeflateHelper helper;
    helper.StreamSize = -1;  // the source's size
    helper.OnProgressStep = [&steps](int percent) { steps.push_back(percent); };
    EXPECT_EQ(Inflate(source, dest, &helper), testing::ZlibCrc(data));
  }
  ASSERT_GE(steps.size(), 3u);
  EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
  EXPECT_EQ(steps.back(), 100);

  TStringStream source(z), dest;
  TAbDeflateHelper helper;
  helper.StreamSize = static_cast<int64_t>(z.size());
  helper.OnProgressStep = [](int percent) {
    if (percent >= 50) throw EAbAbortProgress("Process aborted by user");
  };
  EXPECT_EQ(Inflate(source, dest, &helper), 0u);
  EXPECT_LT(dest.DataString().size(), data.size());
  EXPECT_EQ(dest.DataString(), data.substr(0, dest.DataString().size()));
}

TEST(ZipInflate, LogFileRecordsTheRunAndItsFailure) {
  TempDir dir;
  TStringStream source(BitWriter().Bits(1, 1).Bits(3, 2).Finish()), dest;
  TAbDeflateHelper helper;
  helper.LogFile = FromUtf8((dir / "inflate.log").string());
  EXPECT_THROW(Inflate(source, dest, &helper), EAbInflateError);
  EXPECT_EQ(testing::ReadFile(dir / "inflate.log"),
            "INFLATING STREAM...\r\nNeed to recompile the app with UseLogging turned on\r\n"
            "Internal exception raised: starting new block, but invalid block type [Inflate]\r\n");
}

}  // namespace
}  // namespace vn::ooxml::zip_inflate_test
