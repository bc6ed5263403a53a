// Differential tests of our inflater against zlib's deflate: every level and
// strategy over several kinds of data, stored blocks between compressed
// ones, odd read and input sizes, and the damaged and hostile cases.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "runtime/inflate.h"

namespace vn::codec::inflate_test {
namespace {

std::string Compress(const std::string& data, int level, int strategy, int window_bits = 15) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, window_bits, 8, strategy), Z_OK);
  std::string out(deflateBound(&z, data.size()) + 64, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// Several deflate calls, switching level and strategy between pieces, so
// stored blocks follow compressed ones at arbitrary bit positions.
std::string CompressMixed(const std::vector<std::string>& pieces, const std::vector<std::pair<int, int>>& params,
                          int flush) {
  z_stream z{};
  EXPECT_EQ(deflateInit(&z, 6), Z_OK);
  std::string out;
  std::vector<unsigned char> chunk(1 << 16);
  for (size_t i = 0; i < pieces.size(); ++i) {
    auto [level, strategy] = params[i % params.size()];
    // deflateParams may need output room to flush what it holds.
    int rc;
    do {
      z.next_out = chunk.data();
      z.avail_out = static_cast<uInt>(chunk.size());
      rc = deflateParams(&z, level, strategy);
      out.append(reinterpret_cast<char*>(chunk.data()), chunk.size() - z.avail_out);
    } while (rc == Z_BUF_ERROR);
    EXPECT_EQ(rc, Z_OK);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(pieces[i].data()));
    z.avail_in = static_cast<uInt>(pieces[i].size());
    int f = i + 1 == pieces.size() ? Z_FINISH : flush;
    do {
      z.next_out = chunk.data();
      z.avail_out = static_cast<uInt>(chunk.size());
      rc = deflate(&z, f);
      out.append(reinterpret_cast<char*>(chunk.data()), chunk.size() - z.avail_out);
    } while (z.avail_out == 0 || (f == Z_FINISH && rc != Z_STREAM_END));
  }
  deflateEnd(&z);
  return out;
}

std::string Inflate(const std::string& compressed, size_t read_size = 16384) {
  SpanSource source(compressed);
  Inflater inflater(source);
  std::string out;
  std::vector<uint8_t> buf(read_size);
  for (;;) {
    size_t n = inflater.Read(buf.data(), buf.size());
    if (n == 0) break;
    out.append(reinterpret_cast<char*>(buf.data()), n);
  }
  return out;
}

// A source handing out at most one byte per call, to cross every input
// boundary.
class TrickleSource final : public ByteSource {
 public:
  explicit TrickleSource(const std::string& data) : data_(data) {}
  size_t ReadSome(uint8_t* buffer, size_t count) override {
    if (pos_ == data_.size() || count == 0) return 0;
    buffer[0] = static_cast<uint8_t>(data_[pos_++]);
    return 1;
  }
  void Rewind() override { pos_ = 0; }

 private:
  const std::string& data_;
  size_t pos_ = 0;
};

// Writes deflate bits: header fields least significant bit first, Huffman
// codes most significant bit first.
class BitWriter {
 public:
  void Bits(uint32_t value, unsigned n) {
    for (unsigned i = 0; i < n; ++i) Put((value >> i) & 1);
  }
  void Code(uint32_t code, unsigned n) {
    for (unsigned i = n; i > 0; --i) Put((code >> (i - 1)) & 1);
  }
  std::string Finish() { return out_ + (count_ ? std::string(1, static_cast<char>(acc_)) : ""); }

 private:
  void Put(unsigned bit) {
    acc_ |= bit << count_;
    if (++count_ == 8) {
      out_.push_back(static_cast<char>(acc_));
      acc_ = count_ = 0;
    }
  }
  std::string out_;
  unsigned acc_ = 0, count_ = 0;
};

enum class Kind { kRandom, kText, kRuns, kSmallAlphabet };

std::string MakeData(Kind kind, size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  std::string s(size, '\0');
  switch (kind) {
    case Kind::kRandom:
      for (auto& c : s) c = static_cast<char>(rng());
      break;
    case Kind::kText: {
      static const char* words[] = {"stream ", "endobj\n", "0 0 612 792 re ", "BT /F1 12 Tf ", "(Hello) Tj ", "ET\n", "q 1 0 0 1 "};
      s.clear();
      while (s.size() < size) s += words[rng() % 7];
      s.resize(size);
      break;
    }
    case Kind::kRuns:
      for (size_t i = 0; i < size;) {
        size_t run = 1 + rng() % 300;
        char c = static_cast<char>(rng() % 4);
        for (size_t k = 0; k < run && i < size; ++k) s[i++] = c;
      }
      break;
    case Kind::kSmallAlphabet:
      for (auto& c : s) c = static_cast<char>('a' + rng() % 3);
      break;
  }
  return s;
}

TEST(Inflater, MatchesZlibAtEveryLevelAndStrategy) {
  const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
  const Kind kinds[] = {Kind::kRandom, Kind::kText, Kind::kRuns, Kind::kSmallAlphabet};
  const size_t sizes[] = {0, 1, 257, 70000};
  uint32_t seed = 1;
  for (int level = 0; level <= 9; ++level)
    for (int strategy : strategies)
      for (Kind kind : kinds)
        for (size_t size : sizes) {
          std::string data = MakeData(kind, size, seed++);
          std::string z = Compress(data, level, strategy);
          ASSERT_EQ(Inflate(z), data) << "level " << level << " strategy " << strategy << " kind "
                                      << static_cast<int>(kind) << " size " << size;
        }
}

TEST(Inflater, StoredBlocksAfterCompressedBlocks) {
  // Level 0 pieces become stored blocks right behind Huffman blocks; with
  // Z_NO_FLUSH the boundaries fall at any bit, with Z_SYNC_FLUSH and
  // Z_FULL_FLUSH empty stored blocks are added as well.
  const std::vector<std::pair<int, int>> params = {{6, Z_DEFAULT_STRATEGY}, {0, Z_DEFAULT_STRATEGY},
                                                   {1, Z_FIXED},            {0, Z_DEFAULT_STRATEGY},
                                                   {9, Z_HUFFMAN_ONLY},     {0, Z_DEFAULT_STRATEGY}};
  for (int flush : {Z_NO_FLUSH, Z_SYNC_FLUSH, Z_FULL_FLUSH, Z_BLOCK}) {
    for (uint32_t seed = 1; seed <= 4; ++seed) {
      std::vector<std::string> pieces;
      std::string all;
      for (int i = 0; i < 12; ++i) {
        pieces.push_back(MakeData(static_cast<Kind>((seed + i) % 4), 100 + (seed * 7919 + i * 3571) % 40000, seed * 100 + i));
        all += pieces.back();
      }
      std::string z = CompressMixed(pieces, params, flush);
      ASSERT_EQ(Inflate(z), all) << "flush " << flush << " seed " << seed;
      ASSERT_EQ(Inflate(z, 7), all) << "flush " << flush << " seed " << seed << " small reads";
      TrickleSource trickle(z);
      Inflater one_byte_input(trickle);
      ASSERT_EQ(one_byte_input.ReadAll(), all) << "flush " << flush << " seed " << seed << " one-byte input";
    }
  }
}

TEST(Inflater, StoredBlockRightAfterAHuffmanBlockEndingMidByte) {
  // Fixed block "ab" (3 + 8 + 8 + 7 = 26 bits, so it ends inside a byte),
  // then a stored block "STORED" starting at the next byte boundary, then a
  // final fixed block "z". Every bit the bit reader read ahead must still be
  // there for the stored block.
  BitWriter w;
  w.Bits(0, 1);
  w.Bits(1, 2);
  w.Code(0x30 + 'a', 8);
  w.Code(0x30 + 'b', 8);
  w.Code(0, 7);
  w.Bits(0, 1);  // not final
  w.Bits(0, 2);  // stored
  std::string bits = w.Finish();
  std::string stored = "STORED";
  std::string block = bits + std::string{6, 0, static_cast<char>(~6), static_cast<char>(0xFF)} + stored;
  BitWriter tail;
  tail.Bits(1, 1);
  tail.Bits(1, 2);
  tail.Code(0x30 + 'z', 8);
  tail.Code(0, 7);
  std::string z = std::string("\x78\x9C") + block + tail.Finish();
  EXPECT_EQ(Inflate(z), "abSTOREDz");
  EXPECT_EQ(Inflate(z, 1), "abSTOREDz");
}

TEST(Inflater, LongOutputSlidesTheWindow) {
  // Far more output than the window, with matches reaching back 32 KB.
  std::string block = MakeData(Kind::kRandom, 32768, 99);
  std::string data;
  for (int i = 0; i < 40; ++i) data += block;
  data += MakeData(Kind::kText, 100000, 5);
  EXPECT_EQ(Inflate(Compress(data, 9, Z_DEFAULT_STRATEGY)), data);
  EXPECT_EQ(Inflate(Compress(data, 1, Z_DEFAULT_STRATEGY), 1000), data);
}

TEST(Inflater, ResetDecodesAgain) {
  std::string data = MakeData(Kind::kText, 50000, 3);
  std::string z = Compress(data, 6, Z_DEFAULT_STRATEGY);
  SpanSource source(z);
  Inflater inflater(source);
  uint8_t head[100];
  ASSERT_EQ(inflater.Read(head, sizeof head), sizeof head);
  inflater.Reset();
  EXPECT_EQ(inflater.ReadAll(), data);
  inflater.Reset();
  EXPECT_EQ(inflater.ReadAll(), data);
}

TEST(Inflater, HeaderAndTrailerCases) {
  std::string data = "Hello, hello, hello, hello PDF world";
  std::string z = Compress(data, 6, Z_DEFAULT_STRATEGY);
  std::string raw = Compress(data, 6, Z_DEFAULT_STRATEGY, -15);
  struct Case {
    const char* name;
    std::string input;
    std::string expected;
  } cases[] = {
      {"valid", z, data},
      {"wrong Adler-32", z.substr(0, z.size() - 1) + char(z.back() ^ 0x55), data},
      {"no Adler-32", z.substr(0, z.size() - 4), data},
      {"trailing bytes", z + "garbage after the stream", data},
      {"raw deflate without header", raw, ""},
      {"bad check value", std::string{z[0], char(z[1] ^ 1)} + z.substr(2), ""},
      {"preset dictionary", "\x78\xBB" + z.substr(2), ""},
      {"method not deflate", "\x77\x9C" + z.substr(2), ""},
      {"empty", "", ""},
      {"one byte", "\x78", ""},
  };
  // The "\x78\xBB" header is a valid check value with FDICT set; "\x77\x9C" is
  // not a multiple of 31 either way.
  ASSERT_EQ((0x78 * 256 + 0xBB) % 31, 0);
  for (const auto& c : cases) EXPECT_EQ(Inflate(c.input), c.expected) << c.name;
}

TEST(Inflater, LastSymbolsDecodeWithoutTrailer) {
  // Only the deflate bits, cut right after the final block: the last codes
  // are shorter than the longest code of their table and must still decode.
  for (int level : {1, 6, 9}) {
    std::string data = MakeData(Kind::kText, 3000, level);
    std::string raw = Compress(data, level, Z_DEFAULT_STRATEGY, -15);
    std::string z = std::string("\x78\x9C") + raw;
    EXPECT_EQ(Inflate(z), data) << level;
  }
}

TEST(Inflater, DamagedDataEndQuietly) {
  std::string data = MakeData(Kind::kText, 20000, 11);
  std::string z = Compress(data, 6, Z_DEFAULT_STRATEGY);
  // Truncated: a prefix of the data, never more.
  for (size_t cut : {size_t{2}, size_t{3}, z.size() / 2, z.size() - 5}) {
    std::string out = Inflate(z.substr(0, cut));
    EXPECT_LE(out.size(), data.size());
    EXPECT_EQ(out, data.substr(0, out.size())) << cut;
  }
  // Block type 3 right after the header.
  EXPECT_EQ(Inflate(std::string("\x78\x9C\x07", 3)), "");
  // Hand-made fixed blocks: 'a' then a copy of 3 at distance 1 is "aaaa";
  // at distance 2 it reaches before the data and ends the output after "a".
  auto fixed_block = [](unsigned distance_symbol) {
    BitWriter w;
    w.Bits(1, 1);                        // final
    w.Bits(1, 2);                        // fixed codes
    w.Code(0x30 + 'a', 8);               // literal 'a'
    w.Code(1, 7);                        // length symbol 257: 3
    w.Code(distance_symbol, 5);          // distance 1 or 2
    w.Code(0, 7);                        // end of block
    return std::string("\x78\x9C") + w.Finish();
  };
  EXPECT_EQ(Inflate(fixed_block(0)), "aaaa");
  EXPECT_EQ(Inflate(fixed_block(1)), "a");
  // Every flipped byte gives some prefix-or-garbage output but never a crash.
  for (size_t i = 2; i < z.size(); i += 37) {
    std::string damaged = z;
    damaged[i] = static_cast<char>(damaged[i] ^ 0xA5);
    std::string out = Inflate(damaged);
    EXPECT_LE(out.size(), kDefaultMaxDecodedBytes);
  }
}

TEST(Inflater, OutputIsCapped) {
  // 10 MB of zeros compress to about 10 KB.
  std::string zeros(10 << 20, '\0');
  std::string z = Compress(zeros, 9, Z_DEFAULT_STRATEGY);
  SpanSource source(z);
  Inflater inflater(source);
  inflater.SetMaxOutput(1 << 20);
  EXPECT_EQ(inflater.ReadAll().size(), size_t{1} << 20);
  uint8_t b;
  EXPECT_EQ(inflater.Read(&b, 1), 0u);
}

TEST(HuffmanTable, RefusesOverSubscribedLengths) {
  const uint8_t over[] = {1, 1, 1};
  const uint8_t incomplete[] = {1, 2};
  const uint8_t none[] = {0, 0, 0};
  HuffmanTable t;
  EXPECT_FALSE(t.Build(over, 3, 9));
  EXPECT_TRUE(t.Build(incomplete, 2, 9));
  EXPECT_TRUE(t.Build(none, 3, 9));
}

}  // namespace
}  // namespace vn::codec::inflate_test
