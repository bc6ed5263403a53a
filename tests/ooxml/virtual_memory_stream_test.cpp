// The virtual memory stream against a plain byte string: data larger than
// its memory budget go through the swap file and read back equal; the swap
// file appears only when a page has to leave memory and goes with the
// stream; a swap folder that takes no file loses nothing.
#include "ooxml/virtual_memory_stream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "ooxml/zip_exceptions.h"
#include "zip_test_support.h"

namespace vn::ooxml {
namespace virtual_memory_stream_test {

using testing::TempDir;

constexpr int64_t kPage = TAbVirtualMemoryStream::kPageSize;

int SwapFilesIn(const std::filesystem::path& folder) {
  int n = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.path().filename().string().rfind("VMS", 0) == 0) ++n;
  return n;
}

std::string ReadAllFrom(TStream& s, int64_t at, int64_t count) {
  std::string out(static_cast<size_t>(count), '\0');
  s.Seek(at, SeekOrigin::soBeginning);
  out.resize(static_cast<size_t>(std::max<int64_t>(s.Read(out.data(), count), 0)));
  return out;
}

// Random writes, seeks and reads against a model string, under memory
// budgets from one page up.
TEST(VirtualMemoryStreamTest, MatchesAByteStringUnderEveryBudget) {
  for (int64_t budget : {int64_t{1}, 3 * kPage, 16 * kPage}) {
    TempDir dir;
    std::mt19937 rng(static_cast<uint32_t>(budget));
    TAbVirtualMemoryStream vms;
    vms.SetSwapFileDirectory(FromUtf8(dir.path().string()));
    vms.SetMaxMemToUse(budget);
    std::string model;
    for (int step = 0; step < 400; ++step) {
      const int64_t at = static_cast<int64_t>(rng() % (40 * kPage));
      const int64_t count = static_cast<int64_t>(rng() % (3 * kPage));
      if (rng() % 3 != 0) {
        std::string bytes(static_cast<size_t>(count), '\0');
        for (char& c : bytes) c = static_cast<char>(rng());
        vms.Seek(at, SeekOrigin::soBeginning);
        ASSERT_EQ(vms.Write(bytes.data(), count), count);
        if (model.size() < static_cast<size_t>(at + count)) model.resize(static_cast<size_t>(at + count), '\0');
        model.replace(static_cast<size_t>(at), bytes.size(), bytes);
      } else {
        const std::string expected =
            static_cast<size_t>(at) < model.size() ? model.substr(static_cast<size_t>(at), static_cast<size_t>(count))
                                                   : std::string();
        ASSERT_EQ(ReadAllFrom(vms, at, count), expected) << "budget " << budget << " step " << step;
      }
      ASSERT_EQ(vms.Size(), static_cast<int64_t>(model.size()));
      ASSERT_LE(vms.PagesInMemory(), std::max<int64_t>(1, budget / kPage));
    }
    EXPECT_EQ(ReadAllFrom(vms, 0, vms.Size()), model) << "budget " << budget;
    EXPECT_EQ(SwapFilesIn(dir.path()), 1) << "budget " << budget;
  }
}

TEST(VirtualMemoryStreamTest, SwapFileAppearsOnlyPastTheBudgetAndGoesWithTheStream) {
  TempDir dir;
  const std::string block(static_cast<size_t>(kPage), 'x');
  {
    TAbVirtualMemoryStream vms;
    vms.SetSwapFileDirectory(FromUtf8(dir.path().string()));
    for (int i = 0; i < TAbVirtualMemoryStream::kMaxPages; ++i) vms.WriteString(block);
    EXPECT_EQ(vms.Size(), 8 * 1024 * 1024);
    EXPECT_EQ(SwapFilesIn(dir.path()), 0);
    EXPECT_TRUE(vms.SwapFileName().empty());
    vms.WriteString("y");  // 8 MiB and one byte
    EXPECT_EQ(SwapFilesIn(dir.path()), 1);
    EXPECT_EQ(vms.PagesInMemory(), TAbVirtualMemoryStream::kMaxPages);
    // Exactly the least recently used page, the first one, went out.
    EXPECT_EQ(std::filesystem::file_size(ToUtf8(vms.SwapFileName())), static_cast<uintmax_t>(kPage));
    EXPECT_EQ(ReadAllFrom(vms, 0, 3), "xxx");
    EXPECT_EQ(ReadAllFrom(vms, vms.Size() - 2, 2), "xy");
  }
  EXPECT_EQ(SwapFilesIn(dir.path()), 0);
}

TEST(VirtualMemoryStreamTest, SwapFolderThatDoesNotExistFallsBackToTheTemporaryFolder) {
  TAbVirtualMemoryStream vms;
  vms.SetSwapFileDirectory(u"/nonexistent/folder");
  vms.SetMaxMemToUse(kPage);
  vms.WriteString(std::string(3 * static_cast<size_t>(kPage), 'a'));
  ASSERT_FALSE(vms.SwapFileName().empty());
  EXPECT_EQ(std::filesystem::path(ToUtf8(vms.SwapFileName())).parent_path(), std::filesystem::temp_directory_path());
  EXPECT_EQ(ReadAllFrom(vms, 0, vms.Size()), std::string(3 * static_cast<size_t>(kPage), 'a'));
}

// A page whose way out fails stays in memory: nothing written is lost.
TEST(VirtualMemoryStreamTest, FailedSwapFileLosesNothing) {
  TempDir dir;
  TAbVirtualMemoryStream vms;
  vms.SetSwapFileDirectory(u"/proc");  // an existing folder that takes no file
  vms.SetMaxMemToUse(2 * kPage);
  const std::string first = testing::Text(2 * static_cast<size_t>(kPage), 7);
  vms.WriteString(first);
  EXPECT_THROW(vms.WriteString("more"), EAbVMSErrorOpenSwap);
  EXPECT_EQ(vms.PagesInMemory(), 2);
  vms.SetSwapFileDirectory(FromUtf8(dir.path().string()));
  vms.Seek(0, SeekOrigin::soEnd);
  vms.WriteString("more");
  EXPECT_EQ(ReadAllFrom(vms, 0, vms.Size()), first + "more");
}

TEST(VirtualMemoryStreamTest, EdgeCases) {
  TAbVirtualMemoryStream vms;
  // Pages never written read as zeros.
  vms.Seek(3 * kPage + 10, SeekOrigin::soBeginning);
  vms.WriteString("end");
  EXPECT_EQ(ReadAllFrom(vms, kPage - 2, 4), std::string(4, '\0'));
  // The page holding the new end keeps its bytes beyond it.
  vms.Seek(0, SeekOrigin::soBeginning);
  vms.WriteString("abcdef");
  vms.SetSize(2);
  EXPECT_EQ(vms.Position(), 2);
  EXPECT_EQ(ReadAllFrom(vms, 0, 10), "ab");
  vms.SetSize(6);
  EXPECT_EQ(ReadAllFrom(vms, 0, 10), "abcdef");
  vms.SetSize(0);
  EXPECT_EQ(vms.PagesInMemory(), 1);
  char c;
  EXPECT_EQ(vms.Read(&c, 1), 0);

  struct Budget {
    int64_t set, reads;
  } const budgets[] = {{0, kPage}, {1, kPage}, {10000, 12288}, {int64_t{1} << 40, 8 * 1024 * 1024}};
  for (const Budget& b : budgets) {
    vms.SetMaxMemToUse(b.set);
    EXPECT_EQ(vms.MaxMemToUse(), b.reads) << b.set;
  }

  try {
    vms.Seek(0, static_cast<SeekOrigin>(7));
    FAIL() << "no exception";
  } catch (const EAbVMSInvalidOrigin& e) {
    EXPECT_EQ(ToUtf8(e.Message()), "VMS: invalid origin 7, should be 0, 1, 2");
  }
  vms.Seek(-5, SeekOrigin::soBeginning);
  EXPECT_EQ(vms.Read(&c, 1), 0);
  EXPECT_THROW(vms.Write("x", 1), EWriteError);
}

}  // namespace virtual_memory_stream_test
}  // namespace vn::ooxml
