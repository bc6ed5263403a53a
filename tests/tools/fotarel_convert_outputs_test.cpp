// Outputs appear whole: a conversion killed while it writes a 40-page PDF or
// TIFF leaves nothing under the output's name, and a run that fails keeps
// an earlier output of that name as it was.
//
// The kill lands while the output is being written, by construction: the
// converting process runs under a file-size limit well below the output's
// size, and the signal the limit raises in the middle of a write is turned
// into SIGKILL. The output is the only file the conversion writes, so the
// limit can only be crossed there.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "framework/document_converter.h"
#include "library/library.h"
#include "platform/images/image_codecs.h"
#include "runtime/streams.h"

namespace fotarel_convert_outputs_test {

namespace fs = std::filesystem;
using namespace vn::framework;

namespace {

constexpr rlim_t kSizeLimit = 256 * 1024;
constexpr int kPages = 40;

// 40 pages of noise, which no compression makes small: every output of it
// is more than three times the size limit.
std::string NoisyTiff() {
  std::mt19937 random(7);
  std::vector<vn::platform::Bitmap> pages;
  for (int p = 0; p < kPages; ++p) {
    vn::platform::Bitmap page(100, 100, vn::platform::PixelFormat::pf24bit);
    for (int y = 0; y < page.Height(); ++y)
      for (uint8_t& byte : page.MutableRow(y)) byte = static_cast<uint8_t>(random());
    pages.push_back(std::move(page));
  }
  return vn::platform::EncodeTiff(pages);
}

class OutputsAppearWhole : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    vn::InitializeLibrary();
    Dir = fs::temp_directory_path() / ("vn_outputs_" + std::to_string(::getpid()));
    fs::remove_all(Dir);
    fs::create_directories(Dir / "out");
    vn::WriteFileBytes(Dir / "pages.tif", NoisyTiff());
    Target = Dir / "out" / (std::string("pages") + GetParam());
  }
  void TearDown() override {
    vn::FinalizeLibrary();
    fs::remove_all(Dir);
  }

  // The conversion the driver makes of one input.
  void Convert() {
    TvnDocumentConverter Converter;
    TvnTIFFEncoderParams Tiff;
    Tiff.SetMultiPageTIFF(true);
    const bool ToTiff = std::string(GetParam()) == ".tif";
    Converter.ConvertToFile(vn::FromUtf8((Dir / "pages.tif").string()), vn::FromUtf8(GetParam()),
                            vn::FromUtf8((Dir / "out").string()), u"", u"", ToTiff ? &Tiff : nullptr);
  }

  // Runs the conversion in a child process under the size limit; the
  // child dies by SIGKILL in the write that crosses it.
  void ConvertUntilKilled() {
    const pid_t Child = ::fork();
    ASSERT_GE(Child, 0);
    if (Child == 0) {
      ::signal(SIGXFSZ, [](int) { ::kill(::getpid(), SIGKILL); });
      const rlimit Limit{kSizeLimit, kSizeLimit};
      ::setrlimit(RLIMIT_FSIZE, &Limit);
      try {
        Convert();
      } catch (...) {
      }
      ::_exit(0);
    }
    int Status = 0;
    ASSERT_EQ(::waitpid(Child, &Status, 0), Child);
    ASSERT_TRUE(WIFSIGNALED(Status)) << "the conversion ended by itself: " << Status;
    EXPECT_EQ(WTERMSIG(Status), SIGKILL);
  }

  // The driver run under the size limit with the signal ignored: the write
  // that crosses it fails, and so does the run.
  int DriverFailingToWrite() {
    const pid_t Child = ::fork();
    if (Child == 0) {
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit Limit{kSizeLimit, kSizeLimit};
      ::setrlimit(RLIMIT_FSIZE, &Limit);
      const int Quiet = ::open("/dev/null", O_WRONLY);
      ::dup2(Quiet, STDOUT_FILENO);
      ::dup2(Quiet, STDERR_FILENO);
      const std::string Out = (Dir / "out").string(), In = (Dir / "pages.tif").string();
      ::execl(FOTAREL_CONVERT, FOTAREL_CONVERT, "--to", GetParam(), "--out", Out.c_str(), In.c_str(),
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    int Status = 0;
    ::waitpid(Child, &Status, 0);
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  }

  // Compared without printing a megabyte of output when it fails.
  bool HoldsEarlierOutput() const { return fs::exists(Target) && vn::ReadFileBytes(Target) == "earlier output"; }

  std::vector<std::string> InOut() const {
    std::vector<std::string> Names;
    for (const auto& E : fs::directory_iterator(Dir / "out")) Names.push_back(E.path().filename().string());
    std::sort(Names.begin(), Names.end());
    return Names;
  }

  fs::path Dir, Target;
};

using Names = std::vector<std::string>;

TEST_P(OutputsAppearWhole, AFinishedConversionWritesAll40PagesPastTheLimit) {
  Convert();
  ASSERT_TRUE(fs::exists(Target));
  EXPECT_GT(fs::file_size(Target), 3 * kSizeLimit);
  const std::string Bytes = vn::ReadFileBytes(Target);
  if (std::string(GetParam()) == ".pdf")
    EXPECT_NE(Bytes.find("/Count 40"), std::string::npos);
  else
    EXPECT_EQ(vn::platform::TiffReader(vn::platform::AsBytes(Bytes)).FrameCount(), kPages);
}

TEST_P(OutputsAppearWhole, AConversionKilledWhileWritingLeavesNoFile) {
  ConvertUntilKilled();
  EXPECT_EQ(InOut(), Names{});
}

TEST_P(OutputsAppearWhole, AnEarlierOutputSurvivesAKilledAndAFailedRun) {
  vn::WriteFileBytes(Target, "earlier output");
  ConvertUntilKilled();
  EXPECT_EQ(InOut(), Names{Target.filename().string()});
  EXPECT_TRUE(HoldsEarlierOutput());

  EXPECT_EQ(DriverFailingToWrite(), 1);
  EXPECT_EQ(InOut(), Names{Target.filename().string()});
  EXPECT_TRUE(HoldsEarlierOutput());
}

INSTANTIATE_TEST_SUITE_P(Formats, OutputsAppearWhole, ::testing::Values(".pdf", ".tif"),
                         [](const auto& Info) { return std::string(Info.param + 1); });

}  // namespace

}  // namespace fotarel_convert_outputs_test
