// The DOC reader's byte reader: unsigned little-endian values, 8-bit texts,
// seeking, and reads outside the buffer that give zeros.
#include "doc/binary_reader.h"

#include <gtest/gtest.h>

namespace binary_reader_test {

using vn::doc::TvnBinaryReader;
using vn::doc::TvnSeekOrigin;

const std::vector<uint8_t> kBytes = {0x01, 0x02, 0xFF, 0xFF, 'A', 0, 'b', 0, 0xE9, 0x00, 0x10, 0x20};

TEST(DocBinaryReader, ReadsUnsignedLittleEndianValues) {
  const struct {
    int64_t at, size;
    uint64_t value;
  } cases[] = {
      {0, 1, 0x01}, {0, 2, 0x0201}, {2, 2, 65535}, {0, 4, 0xFFFF0201}, {10, 2, 0x2010},
      {0, 8, 0x00620041FFFF0201ull}, {11, 2, 0x20},  // the byte past the end reads as 0
  };
  for (const auto& c : cases) {
    TvnBinaryReader r(kBytes);
    r.Seek(TvnSeekOrigin::soBegin, c.at);
    EXPECT_EQ(r.GetDecimalValue(c.size), c.value) << c.at << " " << c.size;
    EXPECT_EQ(r.Position(), c.at + c.size);
  }
}

TEST(DocBinaryReader, TextsDropZeroBytes) {
  TvnBinaryReader r(kBytes);
  r.Seek(TvnSeekOrigin::soBegin, 4);
  EXPECT_EQ(r.GetStringValue(6), u"Ab\u00e9");  // a UTF-16 name below 256 reads as its text
  EXPECT_EQ(r.Position(), 10);
  EXPECT_FALSE(r.PastEnd());
  EXPECT_EQ(r.GetStringValue(100), u"\u0010\u0020");
  EXPECT_TRUE(r.PastEnd());
  EXPECT_EQ(r.Position(), 110);
}

TEST(DocBinaryReader, SeeksAndReadsZerosOutsideTheBuffer) {
  TvnBinaryReader r(kBytes);
  r.Seek(TvnSeekOrigin::soBegin, 4);
  r.Seek(TvnSeekOrigin::soCurrent, -3);
  EXPECT_EQ(r.Position(), 1);
  r.Seek(TvnSeekOrigin::soEnd, 100);
  EXPECT_EQ(r.Position(), 1);
  r.Seek(TvnSeekOrigin::soCurrent, -4);
  EXPECT_EQ(r.GetDecimalValue(4), 0x01u << 24);  // three bytes before the start, then 0x01
  EXPECT_TRUE(r.PastEnd());
  std::vector<uint8_t> buffer(4, 0xAA);
  r.Seek(TvnSeekOrigin::soBegin, 10);
  r.CopyBytes(buffer);
  EXPECT_EQ(buffer, (std::vector<uint8_t>{0x10, 0x20, 0, 0}));
  EXPECT_EQ(r.Position(), 14);
  r.Seek(TvnSeekOrigin::soBegin, INT64_MAX - 2);
  EXPECT_EQ(r.GetDecimalValue(8), 0u);
  r.Seek(TvnSeekOrigin::soCurrent, INT64_MAX);
  EXPECT_EQ(r.Position(), INT64_MAX);
  EXPECT_EQ(r.GetStringValue(4), u"");
}

}  // namespace binary_reader_test
