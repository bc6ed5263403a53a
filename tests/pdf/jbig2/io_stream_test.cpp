// The JBIG2 bit reader: bit fields across bytes, the end of a window, windows
// over class-library streams.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/jbig2/io_stream.h"
#include "runtime/streams.h"
#include "test_support.h"

namespace vn::pdf::jbig2::io_stream_test {
namespace {

using testing::Bytes;

TEST(Jbig2IOStream, ReadsBitFieldsAcrossBytes) {
  const auto data = Bytes({0b10110110, 0b01011100, 0xFF, 0xFF, 0xFF, 0xFF});
  TvnIOStream s(data, INT64_MAX, 0);
  EXPECT_EQ(s.ReadBits(3), 0b101);
  // Eight bits at bit offset 3: the last five of one byte, the first three of the next.
  EXPECT_EQ(s.ReadBits(8), 0b10110010);
  EXPECT_EQ(s.GetBitOffset(), 3);
  s.SkipBits();
  EXPECT_EQ(s.GetStreamPos(), 2);
  // 0xFFFFFFFF inside the window is a value, not the end.
  EXPECT_EQ(s.ReadInt32(), 4294967295);
  EXPECT_EQ(s.ReadInt32(), -1);
  EXPECT_TRUE(s.Exhausted());
}

TEST(Jbig2IOStream, EndOfWindow) {
  const auto data = Bytes({0x12, 0x34, 0x56, 0x78, 0x9A});
  TvnIOStream whole(data, INT64_MAX, 0);
  auto window = whole.SubWindow(1, 3);  // 34 56 78
  EXPECT_EQ(window->ReadInt16(), 0x3456);
  EXPECT_EQ(window->ReadInt16(), -1) << "an integer that does not fit whole";
  EXPECT_EQ(window->GetStreamPos(), 3);
  EXPECT_EQ(window->ReadBit(), -1);
  EXPECT_EQ(window->ReadBits(4), -1);

  // A field that starts inside and runs past the end gets 0 bits.
  auto tail = whole.SubWindow(4, 1);  // 9A
  EXPECT_EQ(tail->ReadBits(4), 0x9);
  EXPECT_FALSE(tail->Exhausted());
  EXPECT_EQ(tail->ReadBits(12), 0xA00);
  EXPECT_TRUE(tail->Exhausted());

  // Positions are clamped to the window.
  TvnIOStream s(data, 5, 0);
  s.Seek(0, 99);
  EXPECT_EQ(s.GetStreamPos(), 5);
  s.Seek(2, 2);
  EXPECT_EQ(s.GetStreamPos(), 3);
  s.Seek(1, -10);
  EXPECT_EQ(s.GetStreamPos(), 0);
  s.Seek(1, INT64_MAX);
  EXPECT_EQ(s.GetStreamPos(), 5);
}

TEST(Jbig2IOStream, WindowOverAClassLibraryStream) {
  TStringStream source(std::string("\x01\x02\x03\x04\x05", 5));
  TvnIOStream s(source, 3, 1);
  EXPECT_EQ(s.Read(), 2);
  EXPECT_EQ(s.Read(), 3);
  EXPECT_EQ(s.Read(), 4);
  EXPECT_EQ(s.Read(), -1);
  auto window = s.SubWindow(1, 1);
  EXPECT_EQ(window->Read(), 3);
}

}  // namespace
}  // namespace vn::pdf::jbig2::io_stream_test
