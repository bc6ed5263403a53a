#include "framework/base_classes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "runtime/exceptions.h"

namespace vn::framework::base_classes_test {
namespace {

std::vector<uint8_t> BytesOf(const TvnExtMemStream& s) { return s.Bytes(); }

TEST(ExtMemStream, WritesAreBigEndian) {
  const struct {
    const char* what;
    void (*write)(TvnExtMemStream&);
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"ULong", [](TvnExtMemStream& s) { s.WriteULong(0x01020304); }, {1, 2, 3, 4}},
      {"ULong 13", [](TvnExtMemStream& s) { s.WriteULong(13); }, {0, 0, 0, 0x0D}},
      {"Long -2", [](TvnExtMemStream& s) { s.WriteLong(-2); }, {0xFF, 0xFF, 0xFF, 0xFE}},
      {"UShort 255", [](TvnExtMemStream& s) { s.WriteUShort(255); }, {0, 0xFF}},
      {"Short -32768", [](TvnExtMemStream& s) { s.WriteShort(-32768); }, {0x80, 0}},
      {"Byte", [](TvnExtMemStream& s) { s.WriteByte(0xAB); }, {0xAB}},
      {"String", [](TvnExtMemStream& s) { s.WriteString(std::string("gl\0f", 4)); }, {'g', 'l', 0, 'f'}},
      {"ByteArray", [](TvnExtMemStream& s) { s.WriteByteArray(std::vector<uint8_t>{9, 8, 7}); }, {9, 8, 7}},
      {"UShortArray",
       [](TvnExtMemStream& s) { s.WriteUShortArray(std::vector<uint16_t>{0x0102, 0xA0B0}); },
       {1, 2, 0xA0, 0xB0}},
      {"ULongArray",
       [](TvnExtMemStream& s) { s.WriteULongArray(std::vector<uint32_t>{0x0A0B0C0D, 1}); },
       {0x0A, 0x0B, 0x0C, 0x0D, 0, 0, 0, 1}},
  };
  for (const auto& c : cases) {
    TvnExtMemStream s;
    c.write(s);
    EXPECT_EQ(BytesOf(s), c.bytes) << c.what;
  }
}

TEST(ExtMemStream, ReadsAreBigEndian) {
  TvnExtMemStream s;
  s.WriteByteArray(std::vector<uint8_t>{0x01, 0x02, 0x03, 0x04, 0xFF, 0xFE, 0x80, 0x00, 0xAB, 'h', 'e', 'a', 'd'});
  s.SetPosition(0);
  EXPECT_EQ(s.ReadLong(), 0x01020304);
  s.SetPosition(0);
  EXPECT_EQ(s.ReadULong(), 0x01020304u);
  EXPECT_EQ(s.ReadShort(), -2);
  s.SetPosition(4);
  EXPECT_EQ(s.ReadUShort(), 0xFFFE);
  EXPECT_EQ(s.ReadUShort(), 0x8000);
  EXPECT_EQ(s.ReadByte(), 0xAB);
  EXPECT_EQ(s.ReadString(4), "head");
  EXPECT_EQ(s.ReadString(0), "");
  EXPECT_EQ(s.ReadString(-3), "");
  s.SetPosition(0);
  s.WriteULong(0xFFFFFFFF);
  s.SetPosition(0);
  EXPECT_EQ(s.ReadLong(), -1);
}

TEST(ExtMemStream, ReadingPastTheEndRaises) {
  TvnExtMemStream s;
  s.WriteByteArray(std::vector<uint8_t>{1, 2, 3});
  s.SetPosition(0);
  EXPECT_THROW(s.ReadULong(), EReadError);
  EXPECT_EQ(s.Position(), 0);  // nothing consumed
  s.SetPosition(2);
  EXPECT_THROW(s.ReadUShort(), EReadError);
  EXPECT_EQ(s.Position(), 2);
  s.SetPosition(1);
  EXPECT_THROW(s.ReadString(3), EReadError);
  EXPECT_EQ(s.Position(), 1);
  EXPECT_THROW(s.ReadString(INT32_MAX), EReadError);  // refused before allocating
  s.SetPosition(3);
  EXPECT_THROW(s.ReadByte(), EReadError);
}

TEST(ExtMemStream, SkipBytesIsClamped) {
  TvnExtMemStream s;
  s.WriteByteArray(std::vector<uint8_t>(10, 0));
  const struct {
    int64_t from, skip, to;
  } cases[] = {{4, -10, 0}, {4, 3, 7}, {4, 100, 10}, {4, -4, 0}, {0, INT64_MAX, 10}, {10, INT64_MIN, 0}, {4, 0, 4}};
  for (const auto& c : cases) {
    s.SetPosition(c.from);
    EXPECT_EQ(s.SkipBytes(c.skip), 0);
    EXPECT_EQ(s.Position(), c.to) << c.from << " + " << c.skip;
  }
}

TEST(ExtMemStream, PadTo4Bytes) {
  for (int size = 0; size <= 8; ++size) {
    TvnExtMemStream s;
    s.WriteByteArray(std::vector<uint8_t>(static_cast<size_t>(size), 0xEE));
    s.SetPosition(0);  // padding always goes at the end
    s.PadTo4Bytes();
    const int expected_pad = (4 - size % 4) % 4;
    EXPECT_EQ(s.PadSize(), expected_pad) << size;
    EXPECT_EQ(s.Size(), size + expected_pad) << size;
    EXPECT_EQ(s.Position(), s.Size());
    for (int64_t i = size; i < s.Size(); ++i) EXPECT_EQ(s.Bytes()[static_cast<size_t>(i)], 0);
  }
}

TEST(WideStrings, SetTextStrSplitsLines) {
  const struct {
    const char16_t* text;
    std::vector<String> lines;
  } cases[] = {
      {u"a\r\nb\nc", {u"a", u"b", u"c"}},
      {u"a\r\n", {u"a"}},
      {u"a\rb", {u"a", u"b"}},
      {u"a\n\nb", {u"a", u"", u"b"}},
      {u"a\n\r\nb", {u"a", u"", u"b"}},
      {u"\r\n", {u""}},
      {u"", {}},
      {u"a\r", {u"a"}},
  };
  for (const auto& c : cases) {
    TWideStrings list;
    list.Add(u"old");
    list.SetTextStr(c.text);
    ASSERT_EQ(list.Count(), static_cast<int32_t>(c.lines.size())) << ToUtf8(c.text);
    for (int32_t i = 0; i < list.Count(); ++i) EXPECT_EQ(list.GetString(i), c.lines[static_cast<size_t>(i)]);
  }
}

TEST(WideStrings, EditingKeepsOutOfRangeIndexesHarmless) {
  TWideStrings list;
  EXPECT_EQ(list.Add(u"a"), 0);
  EXPECT_EQ(list.Add(u"b"), 1);
  list.Insert(0, u"x");
  list.Insert(5, u"y");   // ignored
  list.Insert(-1, u"y");  // ignored
  list.Insert(3, u"z");   // at Count: appends
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.GetString(0), u"x");
  EXPECT_EQ(list.GetString(1), u"a");
  EXPECT_EQ(list.GetString(3), u"z");
  EXPECT_EQ(list.GetString(4), u"");
  EXPECT_EQ(list.GetString(-1), u"");

  list.PutString(4, u"w");   // at Count: appends
  list.PutString(9, u"q");   // ignored
  list.PutString(0, u"X");
  list.Delete(7);            // ignored
  list.Delete(1);
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.GetString(0), u"X");
  EXPECT_EQ(list.GetString(1), u"b");
  EXPECT_EQ(list.GetString(3), u"w");

  EXPECT_EQ(list.IndexOf(u"b"), 1);
  EXPECT_EQ(list.IndexOf(u"x"), -1);
  EXPECT_EQ(list.IndexOfIgnoreCase(u"x"), 0);
  list.Add(u"\u00C9t\u00E9");
  EXPECT_EQ(list.IndexOfIgnoreCase(u"\u00E9T\u00C9"), 4);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(WideStrings, LoadsUtf16LittleEndianFromTheCurrentPosition) {
  // "xx" skipped, then "a\r\nb" and a stray odd byte.
  const std::string bytes = std::string("xx") + std::string("a\0\r\0\n\0b\0\x01", 9);
  vn::TStringStream stream(bytes);
  stream.SetPosition(2);
  TWideStrings list;
  list.LoadFromStream(stream);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.GetString(0), u"a");
  EXPECT_EQ(list.GetString(1), u"b");

  const auto path = std::filesystem::temp_directory_path() / ("vn_widestrings_" + std::to_string(getpid()) + ".txt");
  vn::WriteFileBytes(path, std::string("\xAC\x20\n\0z\0", 6));
  list.LoadFromFile(path);
  std::filesystem::remove(path);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.GetString(0), u"\u20AC");
  EXPECT_EQ(list.GetString(1), u"z");
  EXPECT_THROW(list.LoadFromFile(path), EFOpenError);
}

TEST(BaseComponent, AboutAndVersionIgnoreWrites) {
  TvnBaseComponent owner;
  TvnBaseComponent child(&owner);
  EXPECT_EQ(child.Owner(), &owner);
  const String about = child.About();
  child.SetAbout(u"changed");
  child.SetVersion(u"9.9");
  EXPECT_EQ(child.About(), about);
  EXPECT_EQ(child.Version(), u"");
}

}  // namespace
}  // namespace vn::framework::base_classes_test
