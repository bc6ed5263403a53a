#include "pdf/streams.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>

#include "pdf/exceptions.h"
#include "pdf/filter_stream.h"
#include "runtime/streams.h"

namespace vn::pdf::streams_test {
namespace {

// 1000 bytes whose values do not repeat with the 256-byte buffer size.
std::string SampleBytes() {
  std::string s;
  for (int i = 0; i < 1000; ++i) s.push_back(static_cast<char>(i % 251));
  return s;
}

std::string ReadAll(TvnStream& s) {
  std::string out;
  for (int c = s.GetChar(); c >= 0; c = s.GetChar()) out.push_back(static_cast<char>(c));
  return out;
}

class TempFile {
 public:
  explicit TempFile(const std::string& bytes) {
    path_ = std::filesystem::temp_directory_path() /
            ("vn_pdf_streams_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++) + ".bin");
    WriteFileBytes(path_, bytes);
  }
  ~TempFile() { std::filesystem::remove(path_); }
  const std::filesystem::path& path() const { return path_; }

 private:
  static inline int counter_ = 0;
  std::filesystem::path path_;
};

// The two window forms over stored data, made over the same bytes.
struct WindowKind {
  const char* name;
  // Holds whatever keeps the platform stream alive; makes windows over it.
  std::function<std::shared_ptr<vn::TStream>(const std::string& bytes, std::unique_ptr<TempFile>& file)> platform;
  std::function<Ref<TvnBaseStream>(std::shared_ptr<vn::TStream>, int64_t, int64_t, bool)> window;
};

const WindowKind kKinds[] = {
    {"file",
     [](const std::string& bytes, std::unique_ptr<TempFile>& file) -> std::shared_ptr<vn::TStream> {
       file = std::make_unique<TempFile>(bytes);
       return std::make_shared<TFileStream>(file->path(), FileMode::fmOpenRead);
     },
     [](std::shared_ptr<vn::TStream> s, int64_t start, int64_t len, bool limited) -> Ref<TvnBaseStream> {
       return MakeRef<TvnFileStream>(std::move(s), start, len, limited);
     }},
    {"memory",
     [](const std::string& bytes, std::unique_ptr<TempFile>&) -> std::shared_ptr<vn::TStream> {
       return std::make_shared<TMemoryStream>(std::vector<uint8_t>(bytes.begin(), bytes.end()));
     },
     [](std::shared_ptr<vn::TStream> s, int64_t start, int64_t len, bool limited) -> Ref<TvnBaseStream> {
       return MakeRef<TvnMemoryStream>(std::move(s), start, len, limited);
     }},
};

class WindowTest : public ::testing::TestWithParam<WindowKind> {
 protected:
  void SetUp() override { platform_ = GetParam().platform(bytes_, file_); }
  Ref<TvnBaseStream> Window(int64_t start, int64_t len, bool limited) {
    return GetParam().window(platform_, start, len, limited);
  }
  const std::string bytes_ = SampleBytes();
  std::unique_ptr<TempFile> file_;
  std::shared_ptr<vn::TStream> platform_;
};

TEST_P(WindowTest, LimitedWindowYieldsExactlyItsBytes) {
  struct Case {
    int64_t start, length;
    bool limited;
    size_t expect_size;
  } cases[] = {{100, 10, true, 10},  {0, 256, true, 256},  {250, 300, true, 300}, {995, 10, true, 5},
               {1000, 10, true, 0},  {2000, 10, true, 0},  {100, 0, false, 900},  {0, 5, false, 1000},
               {100, 0, true, 0}};
  for (const auto& c : cases) {
    auto w = Window(c.start, c.length, c.limited);
    std::string got = ReadAll(*w);
    EXPECT_EQ(got, bytes_.substr(std::min<size_t>(c.start, bytes_.size()), c.expect_size)) << c.start << "+" << c.length;
    EXPECT_EQ(w->GetChar(), -1);
    EXPECT_EQ(w->LookChar(), -1);
  }
}

TEST_P(WindowTest, WindowsOverOnePlatformStreamInterleave) {
  auto a = Window(0, 600, true);
  auto b = Window(500, 0, false);
  std::string got_a, got_b;
  for (int i = 0; i < 600; ++i) {
    got_a.push_back(static_cast<char>(a->GetChar()));
    if (i % 3 == 0) {
      int c = b->LookChar();
      EXPECT_EQ(c, b->GetChar());
      got_b.push_back(static_cast<char>(c));
    }
  }
  EXPECT_EQ(got_a, bytes_.substr(0, 600));
  EXPECT_EQ(got_b, bytes_.substr(500, 200));
  EXPECT_EQ(a->GetPosition(), 600);
  EXPECT_EQ(b->GetPosition(), 700);
  EXPECT_EQ(a->GetChar(), -1);
}

TEST_P(WindowTest, LookCharDoesNotConsume) {
  auto w = Window(10, 3, true);
  EXPECT_EQ(w->LookChar(), 10);
  EXPECT_EQ(w->LookChar(), 10);
  EXPECT_EQ(w->GetChar(), 10);
  EXPECT_EQ(w->GetPosition(), 11);
  EXPECT_EQ(w->GetChar(), 11);
  EXPECT_EQ(w->GetChar(), 12);
  EXPECT_EQ(w->LookChar(), -1);
}

TEST_P(WindowTest, SeekingAndPositions) {
  auto w = Window(0, 0, false);
  EXPECT_EQ(w->GetSize(), 1000);
  w->SetPosition(300, SeekOrigin::soBeginning);
  EXPECT_EQ(w->GetPosition(), 300);
  EXPECT_EQ(w->GetChar(), 300 % 251);
  w->SetPosition(10, SeekOrigin::soCurrent);
  EXPECT_EQ(w->GetPosition(), 311);
  EXPECT_EQ(w->GetChar(), 311 % 251);
  w->SetPosition(-2, SeekOrigin::soEnd);
  EXPECT_EQ(ReadAll(*w), bytes_.substr(998));
  w->SetPosition(-50, SeekOrigin::soBeginning);  // clamped to the start
  EXPECT_EQ(w->GetPosition(), 0);
  w->SetPosition(5000, SeekOrigin::soBeginning);  // past the end: nothing to read
  EXPECT_EQ(w->GetChar(), -1);
}

TEST_P(WindowTest, ResetCloseAndMoveStart) {
  auto w = Window(200, 50, true);
  for (int i = 0; i < 20; ++i) w->GetChar();
  w->Reset();
  EXPECT_EQ(w->GetPosition(), 200);
  EXPECT_EQ(ReadAll(*w), bytes_.substr(200, 50));
  platform_->Seek(7, SeekOrigin::soBeginning);
  w->Close();
  EXPECT_EQ(platform_->Position(), 200);  // Close after Reset goes back to the start

  w->MoveStart(10);
  EXPECT_EQ(w->GetStart(), 210);
  EXPECT_EQ(w->GetChar(), 210 % 251);
}

TEST_P(WindowTest, ReadFormsStopAtTheEnd) {
  auto w = Window(990, 100, true);
  std::string buffer = "old";
  EXPECT_EQ(w->Read(buffer, 4), 4u);
  EXPECT_EQ(buffer, bytes_.substr(990, 4));
  EXPECT_EQ(w->Read(buffer, 100), 6u);
  EXPECT_EQ(buffer, bytes_.substr(994, 6));
  uint8_t raw[8];
  EXPECT_EQ(w->Read(raw, 8), 0u);
}

TEST_P(WindowTest, SubStreamSharesThePlatformStreamAndOutlivesItsParent) {
  Ref<TvnStream> sub;
  {
    auto w = Window(0, 0, false);
    sub = w->MakeSubStream(400, 4, true);
  }
  platform_.reset();  // the sub-window keeps the platform stream alive
  ASSERT_TRUE(sub);
  EXPECT_EQ(sub->RefCount(), 1);
  EXPECT_EQ(ReadAll(*sub), bytes_.substr(400, 4));
  EXPECT_EQ(sub->GetType(), TvnStreamType::stFile);
  EXPECT_EQ(sub->GetBaseStream(), sub.get());
}

TEST_P(WindowTest, CopyFromRunsToTheEndOfTheSource) {
  auto source = Window(0, 300, true);
  auto mem = std::make_shared<TMemoryStream>();
  TvnMemoryStream dest(mem, 0, 0, false);
  EXPECT_EQ(dest.CopyFrom(*source, 5), 300u);
  EXPECT_EQ(mem->View(), bytes_.substr(0, 300));
}

INSTANTIATE_TEST_SUITE_P(Forms, WindowTest, ::testing::ValuesIn(kKinds),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(TvnFileStream, WriteOnlyWindowReportsThePlatformPosition) {
  TMemoryStream out;
  auto w = MakeRef<TvnFileStream>(&out, 0, 0, false);
  EXPECT_EQ(w->Write("%PDF-1.7\r\n"), 10u);
  EXPECT_EQ(w->Write(uint8_t{'x'}), 1u);
  EXPECT_EQ(w->GetPosition(), out.Position());
  EXPECT_EQ(w->GetPosition(), 11);
  EXPECT_EQ(out.View(), "%PDF-1.7\r\nx");
}

TEST(TvnFileStream, NullPlatformStreamIsRefused) {
  EXPECT_THROW(TvnFileStream(static_cast<vn::TStream*>(nullptr), 0, 0, false), ExInvalidStream);
  EXPECT_THROW(TvnMemoryStream(static_cast<vn::TStream*>(nullptr), 0, 0, false, false), ExInvalidStream);
}

TEST(TvnMemoryStream, OwnedBufferIsFreedWithTheLastWindow) {
  auto* mem = new TMemoryStream(std::vector<uint8_t>{'a', 'b', 'c'});
  Ref<TvnStream> sub;
  {
    auto w = MakeRef<TvnMemoryStream>(mem, 0, 0, false, true);
    sub = w->MakeSubStream(1, 1, true);
  }
  EXPECT_EQ(ReadAll(*sub), "b");  // LeakSanitizer checks that the buffer goes with `sub`
}

TEST(TvnEmbededStream, CountsDownItsLength) {
  TMemoryStream mem(std::vector<uint8_t>{'a', 'b', 'c', 'd', 'e'});
  auto base = MakeRef<TvnMemoryStream>(&mem, 0, 0, false, false);
  base->GetChar();
  TvnEmbededStream e(base.get(), 3, true);
  EXPECT_EQ(e.GetType(), TvnStreamType::stWeird);
  std::string got;
  for (int expect_size : {3, 2, 1}) {
    EXPECT_EQ(e.GetSize(), expect_size);
    got.push_back(static_cast<char>(e.GetChar()));
  }
  EXPECT_EQ(e.GetSize(), 0);
  EXPECT_EQ(got, "bcd");
  EXPECT_EQ(e.GetChar(), -1);
  EXPECT_EQ(e.LookChar(), -1);
  EXPECT_EQ(base->GetChar(), 'e');  // the stream beneath was not read further

  base->SetPosition(0, SeekOrigin::soBeginning);
  TvnEmbededStream unlimited(base.get(), 2, false);
  EXPECT_EQ(ReadAll(unlimited), "abcde");
  EXPECT_FALSE(unlimited.MakeSubStream(0, 1, true));

  base->SetPosition(1, SeekOrigin::soBeginning);
  TvnEmbededStream bulk(base.get(), 3, true);
  uint8_t buf[8];
  EXPECT_EQ(bulk.Read(buf, 8), 3u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 3), "bcd");
}

TEST(TvnStream, ReadLine) {
  struct Case {
    const char* data;
    std::vector<std::string> lines;
  } cases[] = {
      {"ab\ncd", {"ab", "cd"}},
      {"ab\r\ncd", {"ab", "", "cd"}},  // the LF after CR is left for the next call
      {"a\rb\n", {"a\rb"}},
      {"", {}},
      {"abcdef", {"abcd", "ef"}},  // at most `count` bytes a call
  };
  for (const auto& c : cases) {
    std::string data = c.data;
    TMemoryStream mem(std::vector<uint8_t>(data.begin(), data.end()));
    TvnMemoryStream s(&mem, 0, 0, false, false);
    std::vector<std::string> lines;
    uint8_t buf[4];
    while (s.LookChar() >= 0) {
      size_t n = s.ReadLine(buf, sizeof buf);
      lines.emplace_back(reinterpret_cast<char*>(buf), n);
    }
    EXPECT_EQ(lines, c.lines) << c.data;
    EXPECT_EQ(s.ReadLine(buf, sizeof buf), 0u);
  }
}

// A decode stage for the tests: upper-cases the bytes beneath.
class UpperDecode : public TvnDecode {
 public:
  explicit UpperDecode(TvnStream* beneath) : beneath_(beneath) {}
  int LookChar() override { return Upper(beneath_->LookChar()); }
  int GetChar() override { return Upper(beneath_->GetChar()); }
  void Reset() override { beneath_->Reset(); }

 private:
  static int Upper(int c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }
  TvnStream* beneath_;
};

class UpperStream : public TvnFilterStream {
 public:
  UpperStream(TvnStream* beneath, bool owned)
      : TvnFilterStream(beneath, owned, std::make_unique<UpperDecode>(beneath)) {}
  TvnStreamType GetType() override { return TvnStreamType::stASCIIHex; }
};

TEST(TvnFilterStream, ChainForwardsToTheBottomAndFreesWhatItOwns) {
  TMemoryStream mem(std::vector<uint8_t>{'a', 'b', 'c'});
  Ref<TvnStream> bottom = MakeRef<TvnMemoryStream>(&mem, 0, 0, false, false);
  bottom->IncRef();  // the first stage takes this reference over
  auto* first = new UpperStream(bottom.get(), true);
  auto top = MakeRef<UpperStream>(first, true);
  EXPECT_EQ(bottom->RefCount(), 2);
  EXPECT_EQ(top->GetBaseStream(), bottom.get());
  EXPECT_EQ(top->GetUndecodedStream(), bottom.get());
  EXPECT_EQ(top->GetTStream(), &mem);
  EXPECT_EQ(top->GetNextStream(), first);
  EXPECT_EQ(ReadAll(*top), "ABC");
  EXPECT_EQ(top->GetPosition(), 3);
  EXPECT_EQ(top->GetSize(), 0);
  top->Reset();
  EXPECT_EQ(top->GetChar(), 'A');
  EXPECT_EQ(top->Write("zz"), 0u);  // no encoder
  top.reset();                       // frees both stages
  EXPECT_EQ(bottom->RefCount(), 1);
}

TEST(TvnEOFStream, IsAlwaysAtItsEnd) {
  TMemoryStream mem(std::vector<uint8_t>{'a', 'b'});
  auto beneath = MakeRef<TvnMemoryStream>(&mem, 0, 0, false, false);
  beneath->GetChar();
  {
    TvnEOFStream eof(beneath.get());
    EXPECT_EQ(eof.GetChar(), -1);
    EXPECT_EQ(eof.LookChar(), -1);
    EXPECT_EQ(eof.GetSize(), 0);
    uint8_t buf[4];
    EXPECT_EQ(eof.Read(buf, 4), 0u);
    EXPECT_EQ(eof.Write(reinterpret_cast<const uint8_t*>("ab"), 2), 0u);
    EXPECT_EQ(eof.GetType(), TvnStreamType::stWeird);
    eof.Reset();  // resets the stream it was made over
    EXPECT_EQ(beneath->GetPosition(), 0);
  }
  EXPECT_EQ(beneath->RefCount(), 1);  // not owned by the EOF stream
}

TEST(Ref, CountsHolders) {
  TMemoryStream mem;
  Ref<TvnStream> a = MakeRef<TvnMemoryStream>(&mem, 0, 0, false, false);
  EXPECT_EQ(a->RefCount(), 1);
  Ref<TvnStream> b = a;
  EXPECT_EQ(a->RefCount(), 2);
  Ref<TvnStream> c = std::move(b);
  EXPECT_FALSE(b);
  EXPECT_EQ(a->RefCount(), 2);
  c.reset();
  EXPECT_EQ(a->RefCount(), 1);
  EXPECT_EQ(a->IncRef(), 2);
  EXPECT_EQ(a->DecRef(), 1);
}

}  // namespace
}  // namespace vn::pdf::streams_test
