#include "runtime/streams.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "runtime/byte_reader.h"
#include "runtime/datetime.h"
#include "runtime/numbers.h"
#include "runtime/exceptions.h"

namespace vn::streams_test {
namespace {

TEST(MemoryStream, ReadWriteSeek) {
  TMemoryStream s;
  s.WriteString("hello");
  EXPECT_EQ(s.Size(), 5);
  s.Seek(8, SeekOrigin::soBeginning);
  s.WriteString("!");
  EXPECT_EQ(s.View(), std::string_view("hello\0\0\0!", 9));
  s.SetPosition(1);
  char buf[4];
  EXPECT_EQ(s.Read(buf, 4), 4);
  EXPECT_EQ(std::string(buf, 4), "ello");
  s.Seek(-1, SeekOrigin::soEnd);
  EXPECT_EQ(s.Read(buf, 4), 1);
  EXPECT_THROW(s.ReadBuffer(buf, 1), EReadError);
}

TEST(MemoryStreams, NegativeSizeEmptiesAndKeepsThePositionInside) {
  TMemoryStream memory;
  memory.WriteString("abc");
  TStringStream text("abc");
  text.Seek(0, SeekOrigin::soEnd);
  for (TStream* s : std::initializer_list<TStream*>{&memory, &text}) {
    s->SetSize(-5);
    char c = 0;
    EXPECT_EQ(s->Read(&c, 1), 0);
    EXPECT_EQ(s->Size(), 0);
    EXPECT_EQ(s->Position(), 0);
  }
}

TEST(FileStream, CreateReadAndErrors) {
  auto path = std::filesystem::temp_directory_path() / "vn_stream_test.bin";
  WriteFileBytes(path, "abc");
  EXPECT_EQ(ReadFileBytes(path), "abc");
  {
    TFileStream f(path, FileMode::fmOpenReadWrite);
    f.Seek(0, SeekOrigin::soEnd);
    f.WriteString("d");
    EXPECT_EQ(f.Size(), 4);
  }
  EXPECT_EQ(ReadFileBytes(path), "abcd");
  std::filesystem::remove(path);
  EXPECT_THROW(TFileStream(path, FileMode::fmOpenRead), EFOpenError);
  EXPECT_THROW(TFileStream("/nonexistent-dir/x", FileMode::fmCreate), EFCreateError);
}

TEST(ByteReader, StickyFailureAndSubranges) {
  const uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05};
  ByteReader r(bytes, sizeof bytes);
  EXPECT_EQ(r.U16BE(), 0x0102);
  EXPECT_EQ(r.U16LE(), 0x0403);
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.U32LE(), 0u);  // only one byte left
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.remaining(), 0u);

  ByteReader whole(bytes, sizeof bytes);
  EXPECT_EQ(whole.Sub(1, 2).U16BE(), 0x0203);
  EXPECT_FALSE(whole.Sub(4, 2).ok());
  EXPECT_FALSE(whole.Sub(SIZE_MAX, 2).ok());
  EXPECT_FALSE(whole.SubChecked(0, std::optional<size_t>()).ok());
  EXPECT_TRUE(whole.ok());
}

TEST(DateTime, EncodeDecodeFormat) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
  TDateTime t = EncodeDateTime(2024, 2, 29, 13, 5, 9, 0);
  DateParts p = DecodeDateTime(t);
  EXPECT_EQ(p.year, 2024);
  EXPECT_EQ(p.month, 2);
  EXPECT_EQ(p.day, 29);
  EXPECT_EQ(p.hour, 13);
  EXPECT_EQ(p.second, 9);
  EXPECT_EQ(p.day_of_week, 5);  // Thursday
  EXPECT_EQ(FormatDateTime(u"yyyy-mm-dd'T'hh:nn:ss", t), u"2024-02-29T13:05:09");
  EXPECT_EQ(FormatDateTime(u"d mmm yy h:nn am/pm", t), u"29 Feb 24 1:05 PM");
  EXPECT_EQ(FormatDateTime(u"dddd", t), u"Thursday");
  EXPECT_FALSE(TryEncodeDate(2023, 2, 29).has_value());
  SetClock([] { return 45000.5; }, [](TDateTime) { return 60; });
  EXPECT_EQ(Now(), 45000.5);
  EXPECT_EQ(LocalUtcOffsetMinutes(0), 60);
  ResetClock();
}

}  // namespace
}  // namespace vn::streams_test
