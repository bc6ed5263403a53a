// The two binary readers of the font layer: the big-endian cursor over a
// byte array (never throws, -1 past the end) and the little-endian stream
// reader (its own exception classes and messages).
#include <gtest/gtest.h>

#include "fonts/binary_reader.h"
#include "fonts/byte_array_reader.h"
#include "fonts/exceptions.h"

namespace vn::fonts::binary_readers_test {
namespace {

TEST(ByteArrayReader, ReadsPastTheEndAsMinusOne) {
  TvnByteArrayReader r(TvnByteArray{7, 8, 9});
  EXPECT_EQ(r.Read(), 7);
  EXPECT_EQ(r.Read(), 8);
  EXPECT_EQ(r.Read(), 9);
  EXPECT_EQ(r.Read(), -1);
  EXPECT_EQ(r.Read(), -1);
  EXPECT_EQ(r.GetFilePointer(), 3);
  EXPECT_EQ(r.ReadByte(), 255);
  EXPECT_EQ(r.ReadUnsignedShort(), -1);
  r.Seek(-4);
  EXPECT_EQ(r.Read(), -1);
  r.Seek(2);
  EXPECT_TRUE(r.HasRemaining());
  EXPECT_EQ(r.ReadUnsignedShort(), -1);
}

TEST(ByteArrayReader, BigEndianValues) {
  TvnByteArrayReader r(TvnByteArray{1, 2, 1, 2, 3, 0xFF, 0xFE, 0x80, 0, 0, 1, 4, 5});
  EXPECT_EQ(r.ReadUnsignedShort(), 258);
  EXPECT_EQ(r.ReadOffset(3), 66051);
  EXPECT_EQ(r.ReadShort(), -2);
  EXPECT_EQ(r.ReadInt(), static_cast<int32_t>(0x80000001));
  EXPECT_EQ(r.ReadBytes(1000), (TvnByteArray{4, 5}));
  EXPECT_EQ(r.ReadBytes(5), TvnByteArray{});
  r.Seek(11);
  EXPECT_EQ(r.SkipBytes(10), 2);
  EXPECT_FALSE(r.HasRemaining());
}

TEST(ByteArrayReader, Lines) {
  const std::string text = "ab\r\ncd\re\nf";
  TvnByteArrayReader r(TvnByteArray(text.begin(), text.end()));
  for (const char* line : {"ab", "cd", "e", "f", "", ""}) EXPECT_EQ(r.ReadLine(), line);
  TvnByteArrayReader latin(TvnByteArray{'a', 0xE9, 0x80});
  EXPECT_EQ(latin.GetString(), u"a\u00e9\u20ac");
}

std::unique_ptr<TStream> Bytes(std::initializer_list<uint8_t> b) {
  return std::make_unique<TMemoryStream>(std::vector<uint8_t>(b));
}

TEST(BinaryReader, PackedIntegers) {
  struct Case {
    std::initializer_list<uint8_t> bytes;
    int32_t value;
  } cases[] = {
      {{0x00}, 0}, {{0x7F}, 127}, {{0x80, 0x01}, 128}, {{0xFF, 0xFF, 0xFF, 0xFF, 0x07}, 0x7FFFFFFF}, {{}, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(TvnBinaryReader(Bytes(c.bytes)).ReadPackedInt(), c.value);
  TvnBinaryReader bad(Bytes({0x80, 0x80, 0x80, 0x80, 0x80, 0x01}));
  try {
    bad.ReadPackedInt();
    FAIL();
  } catch (const EStreamError& e) {
    EXPECT_STREQ(e.what(), "Invalid 7 bit integer stream encoding");
  }
}

TEST(BinaryReader, Strings) {
  EXPECT_EQ(TvnBinaryReader(Bytes({3, 'a', 0xC3, 0xA9})).ReadString(), u"a\u00e9");
  EXPECT_EQ(TvnBinaryReader(Bytes({4, 'a', 0, 'b', 0}), TvnTextEncoding::Unicode).ReadString(), u"ab");
  EXPECT_EQ(TvnBinaryReader(Bytes({2, 0xE9, 0x80}), TvnTextEncoding::ANSI).ReadString(), u"\u00e9\u20ac");
  struct Case {
    std::initializer_list<uint8_t> bytes;
    const char* message;
  } failures[] = {
      {{0xFF, 0xFF, 0xFF, 0xFF, 0x0F}, "Invalid string length"},
      {{5, 'a', 'b'}, "Attempt to read past end of stream"},
      {{0xFF, 0xFF, 0xFF, 0xFF, 0x07}, "Attempt to read past end of stream"},
  };
  for (const Case& c : failures) {
    try {
      TvnBinaryReader(Bytes(c.bytes)).ReadString();
      ADD_FAILURE() << c.message;
    } catch (const EStreamError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST(BinaryReader, Characters) {
  TvnBinaryReader r(Bytes({'a', 0xF0, 0x9F, 0x98, 0x80, 0xC3, 'z'}));
  EXPECT_EQ(r.PeekChar(), 'a');
  EXPECT_EQ(r.Read(), 'a');
  EXPECT_EQ(r.ReadChars(2), u"\U0001F600");  // a pair of surrogates
  EXPECT_EQ(r.Read(), 0xFFFD);                // a lead byte without its continuation
  EXPECT_EQ(r.ReadChar(), u'z');
  EXPECT_EQ(r.Read(), -1);
  EXPECT_EQ(r.PeekChar(), -1);
  try {
    r.ReadChar();
    FAIL();
  } catch (const EStreamError& e) {
    EXPECT_STREQ(e.what(), "Attempt to read past end of stream");
  }
  TvnBinaryReader be(Bytes({0, 'x', 0xD8}), TvnTextEncoding::BigEndianUnicode);
  EXPECT_EQ(be.Read(), 'x');
  EXPECT_EQ(be.Read(), -1);
}

TEST(BinaryReader, LittleEndianNumbers) {
  TvnBinaryReader r(Bytes({1, 0xFE, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0, 0, 0xC0, 0x3F, 9, 8, 7}));
  EXPECT_TRUE(r.ReadBoolean());
  EXPECT_EQ(r.ReadShortInt(), -2);
  EXPECT_EQ(r.ReadWord(), 0x1234);
  EXPECT_EQ(r.ReadInteger(), 0x12345678);
  EXPECT_EQ(r.ReadSingle(), 1.5f);
  // Three bytes left: a cardinal reads nothing, a byte reads one.
  EXPECT_EQ(r.ReadCardinal(), 0u);
  EXPECT_EQ(r.ReadByte(), 9);
  EXPECT_THROW(r.ReadInteger(), vn::EReadError);
  TvnBinaryReader end(Bytes({}));
  EXPECT_EQ(end.ReadByte(), 0);
  EXPECT_EQ(end.ReadUInt32(), 0u);
}

TEST(BinaryReader, ArgumentChecks) {
  EXPECT_THROW(TvnBinaryReader(static_cast<TStream*>(nullptr)), EArgumentNilException);
  TvnBinaryReader r(Bytes({1, 2, 3, 4}));
  std::vector<uint8_t> buffer(4);
  struct Case {
    int index, count;
    const char* message;
  } cases[] = {
      {-1, 1, "Argument, Index, must be >= 0"},
      {0, -1, "Argument, Count, must be >= 0"},
      {3, 2, "Offset and length are invalid for the given array"},
      {5, 0, "Offset and length are invalid for the given array"},
  };
  for (const Case& c : cases) {
    try {
      r.Read(buffer, c.index, c.count);
      ADD_FAILURE() << c.message;
    } catch (const EArgumentOutOfRangeException& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
  EXPECT_EQ(r.Read(buffer, 1, 3), 3);
  EXPECT_EQ(buffer, (std::vector<uint8_t>{0, 1, 2, 3}));
  EXPECT_EQ(r.ReadBytes(100), std::vector<uint8_t>{4});
  EXPECT_THROW(r.ReadChars(-1), EArgumentOutOfRangeException);
}

}  // namespace
}  // namespace vn::fonts::binary_readers_test
