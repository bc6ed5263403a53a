// Metafiles written by other programs play, and ours open in another
// program's reader.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/canvas/cairo_canvas.h"
#include "platform/canvas/emf_recorder.h"
#include "platform/canvas/metafile_player.h"
#include "platform/emf/wmf_converter.h"
#include "support/paths.h"
#include "support/pixels.h"
#include "support/prerequisites.h"

namespace vn::platform::emf_reader_files_test {
namespace {

namespace fs = std::filesystem;
using namespace emf;

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::span<const std::byte> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::byte*>(s.data()), s.size()};
}

// The EMF of a file: converted when it is a WMF.
std::string AsEmf(const std::string& bytes, Diagnostics* diags = nullptr) {
  if (IsWmf(Bytes(bytes))) return ConvertWmfToEmf(Bytes(bytes), diags);
  return bytes;
}

bool Near(uint32_t argb, uint32_t want, int tolerance) {
  for (int shift : {0, 8, 16})
    if (std::abs(int((argb >> shift) & 0xFF) - int((want >> shift) & 0xFF)) > tolerance) return false;
  return true;
}

// Pixels of a colour within a box of the canvas.
int CountNear(CairoCanvas& c, Rect box, uint32_t want, int tolerance = 40) {
  int n = 0;
  for (int y = box.top; y < box.bottom; ++y)
    for (int x = box.left; x < box.right; ++x) n += Near(c.PixelAt(x, y), want, tolerance);
  return n;
}

// The drawing made with another program's metafile writer (see the
// fixtures' README): a red framed rectangle top left, a blue ellipse top
// right, a green dashed line and black text below, in a 189 x 139 frame.
class OtherWritersFiles : public ::testing::TestWithParam<const char*> {};

TEST_P(OtherWritersFiles, PlayWithoutErrorAndShowTheDrawing) {
  Diagnostics diags;
  const std::string bytes = ReadFile(fs::path(VN_FIXTURES_DIR) / "platform/emf" / GetParam());
  ASSERT_FALSE(bytes.empty());
  EmfFile emf(AsEmf(bytes, &diags), &diags);
  const RectL frame = emf.FramePixels();
  EXPECT_NEAR(frame.right - frame.left, 188, 3);
  EXPECT_NEAR(frame.bottom - frame.top, 138, 3);
  CairoCanvas canvas(189, 139);
  PlayMetafile(emf, canvas, {0, 0, 189, 139}, 0, &diags);
  EXPECT_TRUE(diags.Empty()) << diags.Summary();
  EXPECT_GT(CountNear(canvas, {10, 10, 70, 50}, 0xFFFF0000), 1500) << "red rectangle";
  EXPECT_GT(CountNear(canvas, {0, 0, 5, 65}, 0xFF000000, 80), 40) << "its black frame";
  EXPECT_GT(CountNear(canvas, {105, 20, 160, 60}, 0xFF0000FF), 1500) << "blue ellipse";
  const int green = CountNear(canvas, {0, 85, 189, 100}, 0xFF00A000, 60);
  EXPECT_GT(green, 300) << "green dashes";
  EXPECT_LT(green, 189 * 4) << "with gaps";
  EXPECT_GT(CountNear(canvas, {5, 105, 120, 135}, 0xFF000000, 100), 100) << "text";
}

INSTANTIATE_TEST_SUITE_P(LibreOffice, OtherWritersFiles,
                         ::testing::Values("libreoffice_shapes.emf", "libreoffice_shapes.wmf"));

// Every metafile of the corpus (real files from many writers, some damaged
// on purpose) enumerates, plays onto pixels and onto a new recording whose
// records read back without damage. Damaged files give diagnostics or the
// "not a metafile" exception, never a crash.
TEST(MetafileCorpus, EveryFilePlays) {
  const char* env = std::getenv("VN_CORPUS_DIR");
  const fs::path dir = fs::path(env ? env : VN_CORPUS_DIR) / "emf";
  if (!fs::is_directory(dir)) GTEST_SKIP() << "no corpus at " << dir;
  int played = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    const std::string bytes = ReadFile(entry.path());
    std::string emfBytes;
    try {
      emfBytes = AsEmf(bytes);
      Diagnostics damage;
      EmfFile emf(emfBytes, &damage);
      CairoCanvas canvas(300, 220);
      PlayMetafile(emf, canvas, {0, 0, 300, 220}, 0, &damage);
      EmfRecorderCanvas again(300, 220);
      PlayMetafile(emf, again, {0, 0, 300, 220}, 0, &damage);
      Diagnostics copyDamage;
      EmfFile copy(again.Finish(), &copyDamage);
      EXPECT_TRUE(copyDamage.Empty()) << copyDamage.Summary();
      // Not blank: some pixels differ from the white page (except in damaged
      // files, the EMF+-only file and the one of white polygons on white).
      if (damage.Empty() && name.find("empty-polygon") == std::string::npos) {
        EXPECT_GT(300 * 220 - CountNear(canvas, {0, 0, 300, 220}, 0xFFFFFFFF, 8), 20);
      }
      ++played;
    } catch (const EEmfError& e) {
      EXPECT_NE(name.find("bad_corrupted"), std::string::npos) << e.what();
    }
  }
  EXPECT_GT(played, 30);
}

// Our recording opens in another program's EMF reader (soffice, a heavy
// oracle: runs only with VN_HEAVY_ORACLES=1).
TEST(MetafileInterop, RecordingOpensInAnotherReader) {
  if (!vn::test_support::HaveHeavyTool("soffice")) GTEST_SKIP() << "soffice runs only with VN_HEAVY_ORACLES=1";
  EmfRecorderCanvas rec(200, 150);
  Pen frame;
  frame.width = 2;
  rec.SetPen(frame);
  Brush green;
  green.color = RGBColor(0, 160, 0);
  rec.SetBrush(green);
  rec.Rectangle({10, 10, 90, 90});
  Brush blue;
  blue.color = RGBColor(0, 0, 255);
  rec.SetBrush(blue);
  rec.Ellipse({110, 10, 190, 90});
  rec.DrawBitmap({10, 100, 190, 140}, testing::FilledBitmap(8, 8, 0xFFFF00FF));
  const fs::path dir = fs::temp_directory_path() / ("vn_emf_interop_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "page.emf", std::ios::binary) << rec.Finish();
  const std::string cmd = "cd '" + dir.string() +
                          "' && HOME='" + dir.string() + "' timeout 120 soffice --headless --convert-to png page.emf >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  cairo_surface_t* png = cairo_image_surface_create_from_png((dir / "page.png").c_str());
  ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
  // The page the reader makes holds our picture somewhere: count colours.
  const int w = cairo_image_surface_get_width(png), h = cairo_image_surface_get_height(png);
  const int stride = cairo_image_surface_get_stride(png);
  const unsigned char* data = cairo_image_surface_get_data(png);
  int greenPx = 0, bluePx = 0, magentaPx = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const unsigned char* p = data + size_t(y) * stride + size_t(x) * 4;
      const uint32_t c = 0xFF000000u | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
      greenPx += Near(c, 0xFF00A000, 30);
      bluePx += Near(c, 0xFF0000FF, 30);
      magentaPx += Near(c, 0xFFFF00FF, 30);
    }
  cairo_surface_destroy(png);
  fs::remove_all(dir);
  // The shapes keep their proportions: the ellipse covers pi/4 of the
  // square's area, the bitmap band a bit more than the square.
  EXPECT_GT(greenPx, 1000);
  EXPECT_NEAR(double(bluePx) / greenPx, 3.14159 / 4 * 80 * 80 / (78 * 78), 0.15);
  EXPECT_NEAR(double(magentaPx) / greenPx, 180.0 * 40 / (78 * 78), 0.3);
}

}  // namespace
}  // namespace vn::platform::emf_reader_files_test
