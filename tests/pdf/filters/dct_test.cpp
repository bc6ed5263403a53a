// JPEG decoding: the fixtures made by cjpeg and ImageMagick (baseline,
// progressive, restart intervals, each chroma subsampling, grey, RGB and
// Adobe CMYK) decode within a small tolerance of libjpeg's accurate integer
// decoding with plain upsampling; the colour-transform rules; frames that
// are not decoded; damaged and hostile data.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "libjpeg_oracle.h"
#include "pdf/filters/dct.h"
#include "support/paths.h"

namespace vn::pdf::filters::dct_test {
namespace {

namespace fs = std::filesystem;
using codec::SpanSource;
using testing::Compare;
using testing::Difference;
using testing::Image;
using testing::Libjpeg;

const fs::path kFixtures = fs::path(VN_FIXTURES_DIR) / "pdf" / "dct";

std::string Fixture(const std::string& name) {
  std::ifstream in(kFixtures / name, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  EXPECT_FALSE(s.str().empty()) << name;
  return s.str();
}

std::string Decode(const std::string& jpeg, int color_transform = -1) {
  SpanSource source(jpeg);
  DctDecoder decoder(source, color_transform);
  return decoder.ReadAll();
}

// The inverse DCT differs from libjpeg's in its rounding; a sample may be
// a few steps off, the image as a whole hardly at all.
constexpr int kMaxDifference = 4;
constexpr double kMeanDifference = 0.3;

void ExpectClose(const std::string& actual, const Image& expected) {
  ASSERT_EQ(actual.size(), expected.pixels.size());
  const Difference d = Compare(actual, expected.pixels);
  EXPECT_LE(d.max, kMaxDifference);
  EXPECT_LE(d.mean, kMeanDifference);
}

TEST(DctDecoder, FixturesDecodeLikeLibjpeg) {
  const char* fixtures[] = {
      "baseline-420.jpg",    "baseline-422.jpg",    "baseline-440.jpg",        "baseline-444.jpg",
      "baseline-q100.jpg",   "optimized-420.jpg",   "progressive-420.jpg",     "progressive-444.jpg",
      "non-interleaved.jpg", "restart.jpg",         "restart-progressive.jpg", "gray.jpg",
      "gray-progressive.jpg", "rgb.jpg",            "cmyk-ycck.jpg",
  };
  for (const char* name : fixtures) {
    SCOPED_TRACE(name);
    const std::string jpeg = Fixture(name);
    const std::optional<Image> expected = Libjpeg(jpeg);
    ASSERT_TRUE(expected);
    ExpectClose(Decode(jpeg), *expected);
  }
}

// A CMYK picture coded by libjpeg as CMYK, which marks it with an Adobe
// segment whose transform flag is 0.
std::string CmykJpeg(int width, int height) {
  std::string pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, '\0');
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<char>((i * 7 + (i / 97) * 13) & 0xFF);
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 4;
  info.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&info);
  jpeg_set_colorspace(&info, JCS_CMYK);
  jpeg_set_quality(&info, 90, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(&pixels[info.next_scanline * static_cast<size_t>(width) * 4]);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  std::string jpeg(reinterpret_cast<const char*>(out), size);
  jpeg_destroy_compress(&info);
  std::free(out);
  return jpeg;
}

// The offset of the first marker segment with this code before the scan
// data (its 0xFF byte); npos when there is none.
size_t Segment(const std::string& jpeg, uint8_t code) {
  for (size_t i = 2; i + 4 <= jpeg.size();) {
    const uint8_t marker = static_cast<uint8_t>(jpeg[i + 1]);
    if (marker == code) return i;
    if (marker == 0xDA) break;
    i += 2 + ((static_cast<uint8_t>(jpeg[i + 2]) << 8) | static_cast<uint8_t>(jpeg[i + 3]));
  }
  return std::string::npos;
}

std::string WithoutSegment(std::string jpeg, uint8_t code) {
  const size_t at = Segment(jpeg, code);
  const size_t length = (static_cast<uint8_t>(jpeg[at + 2]) << 8) | static_cast<uint8_t>(jpeg[at + 3]);
  return jpeg.erase(at, 2 + length);
}

// A segment put right after the start-of-image marker.
std::string WithSegment(const std::string& jpeg, uint8_t code, const std::string& contents) {
  const size_t length = contents.size() + 2;
  std::string segment = {'\xFF', static_cast<char>(code), static_cast<char>(length >> 8), static_cast<char>(length & 0xFF)};
  return jpeg.substr(0, 2) + segment + contents + jpeg.substr(2);
}

std::string Adobe(int transform) { return std::string("Adobe\0\x64\0\0\0\0", 11) + static_cast<char>(transform); }

TEST(DctDecoder, ColourTransformChoice) {
  const std::string ycc = Fixture("baseline-420.jpg");
  const std::string rgb_ids = WithoutSegment(Fixture("rgb.jpg"), 0xEE);
  const std::string cmyk = CmykJpeg(45, 21);
  struct Case {
    const char* name;
    std::string jpeg;
    int parameter;
    std::optional<Image> expected;
  };
  const Case cases[] = {
      {"JFIF without a parameter: RGB", ycc, -1, Libjpeg(ycc, JCS_RGB)},
      {"parameter 0: samples as coded", ycc, 0, Libjpeg(ycc, JCS_YCbCr)},
      {"'R', 'G', 'B' identifiers without JFIF: as coded", rgb_ids, -1, Libjpeg(rgb_ids, JCS_RGB, JCS_RGB)},
      {"parameter 1 transforms 'R', 'G', 'B' data", rgb_ids, 1, Libjpeg(rgb_ids, JCS_RGB, JCS_YCbCr)},
      {"Adobe flag 1 wins over parameter 0", WithSegment(ycc, 0xEE, Adobe(1)), 0, Libjpeg(ycc, JCS_RGB)},
      {"Adobe flag 0 wins over parameter 1", WithSegment(ycc, 0xEE, Adobe(0)), 1, Libjpeg(ycc, JCS_YCbCr)},
      {"other APP14 segments are skipped", WithSegment(ycc, 0xEE, "Photoshop 3.0 extra"), 0,
       Libjpeg(ycc, JCS_YCbCr)},
      {"a short APP14 segment is skipped", WithSegment(ycc, 0xEE, "Adobe"), -1, Libjpeg(ycc, JCS_RGB)},
      {"four components, Adobe flag 0: as coded", cmyk, -1, Libjpeg(cmyk, JCS_CMYK)},
      {"four components, Adobe flag 2: YCCK to CMYK", Fixture("cmyk-ycck.jpg"), 0,
       Libjpeg(Fixture("cmyk-ycck.jpg"), JCS_CMYK)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(c.expected);
    ExpectClose(Decode(c.jpeg, c.parameter), *c.expected);
  }
}

// YCbCr (and YCCK) to RGB (and CMYK) in 16.16 fixed point, pixel by pixel.
std::string Transformed(const std::string& ycc, int components) {
  std::string out = ycc;
  for (size_t i = 0; i + 2 < out.size(); i += static_cast<size_t>(components)) {
    const int y = static_cast<uint8_t>(ycc[i]), cb = static_cast<uint8_t>(ycc[i + 1]) - 128,
              cr = static_cast<uint8_t>(ycc[i + 2]) - 128;
    const int rgb[3] = {(y * 65536 + 91881 * cr + 32768) >> 16, (y * 65536 - 22553 * cb - 46802 * cr + 32768) >> 16,
                        (y * 65536 + 116130 * cb + 32768) >> 16};
    for (int c = 0; c < 3; ++c) {
      const int v = std::clamp(rgb[c], 0, 255);
      out[i + static_cast<size_t>(c)] = static_cast<char>(components == 4 ? 255 - v : v);
    }
  }
  return out;
}

TEST(DctDecoder, ColourTransformIsExact) {
  for (const char* name : {"baseline-444.jpg", "baseline-420.jpg", "progressive-420.jpg"}) {
    SCOPED_TRACE(name);
    const std::string jpeg = Fixture(name);
    EXPECT_TRUE(Decode(jpeg, 1) == Transformed(Decode(jpeg, 0), 3));
  }
  // YCCK: the Adobe flag decides, so flag 0 gives the coded samples.
  const std::string ycck = Fixture("cmyk-ycck.jpg");
  const size_t adobe = ycck.find("Adobe");
  std::string coded = ycck;
  coded[adobe + 11] = 0;
  EXPECT_TRUE(Decode(ycck) == Transformed(Decode(coded), 4));
}

// A copy with one byte at `offset` from the segment `code` replaced.
std::string Patched(std::string jpeg, uint8_t code, size_t offset, uint8_t value) {
  const size_t at = Segment(jpeg, code);
  EXPECT_NE(at, std::string::npos);
  jpeg[at + offset] = static_cast<char>(value);
  return jpeg;
}

TEST(DctDecoder, DataWithoutSamples) {
  const std::string base = Fixture("baseline-420.jpg");
  const std::string s444 = Fixture("baseline-444.jpg");
  const std::string s422 = Fixture("baseline-422.jpg");
  // Offsets in the frame segment: 4 precision, 5 height, 7 width, 9 count,
  // then 3 bytes a component (identifier, sampling, table).
  const size_t dht = Segment(base, 0xC4);
  std::string oversubscribed = base;
  oversubscribed[dht + 5] = 3;  // three codes of length 1
  oversubscribed[dht + 7] = static_cast<char>(oversubscribed[dht + 7] - 3);
  const size_t sof = Segment(base, 0xC0);
  const std::string frame = base.substr(sof, 2 + ((static_cast<uint8_t>(base[sof + 2]) << 8) | static_cast<uint8_t>(base[sof + 3])));
  std::string huge_progressive = Fixture("progressive-420.jpg");
  huge_progressive = Patched(Patched(Patched(Patched(huge_progressive, 0xC2, 5, 0xFF), 0xC2, 6, 0xFF), 0xC2, 7, 0xFF),
                             0xC2, 8, 0xFF);
  struct Case {
    const char* name;
    std::string jpeg;
  } cases[] = {
      {"lossless frame (SOF3)", Patched(base, 0xC0, 1, 0xC3)},
      {"hierarchical frame (SOF5)", Patched(base, 0xC0, 1, 0xC5)},
      {"arithmetic coding (SOF9)", Fixture("arithmetic.jpg")},
      {"12-bit samples", Patched(base, 0xC0, 4, 12)},
      {"height 0 (defined by a DNL marker)", Patched(Patched(base, 0xC0, 5, 0), 0xC0, 6, 0)},
      {"five components", Patched(base, 0xC0, 9, 5)},
      {"sampling factor 0", Patched(s444, 0xC0, 11, 0x10)},
      {"sampling factor 5", Patched(s444, 0xC0, 11, 0x51)},
      {"sampling factors 3 and 2", Patched(Patched(s422, 0xC0, 11, 0x31), 0xC0, 14, 0x21)},
      {"quantisation table 4", Patched(base, 0xC0, 12, 4)},
      {"Huffman table 4 in a scan", Patched(base, 0xDA, 6, 0x40)},
      {"scan of an unknown component", Patched(base, 0xDA, 5, 9)},
      {"oversubscribed Huffman codes", oversubscribed},
      {"a second frame header", base.substr(0, sof) + frame + base.substr(sof)},
      {"progressive image beyond the output cap", huge_progressive},
      {"end of image before a scan", base.substr(0, 2) + "\xFF\xD9"},
      {"headers cut short", base.substr(0, 300)},
      {"no data", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Decode(c.jpeg).size(), 0u);
  }
}

// Offsets of the restart markers in the entropy-coded data.
std::vector<size_t> RestartMarkers(const std::string& jpeg) {
  std::vector<size_t> at;
  for (size_t i = Segment(jpeg, 0xDA); i + 1 < jpeg.size(); ++i)
    if (static_cast<uint8_t>(jpeg[i]) == 0xFF && (static_cast<uint8_t>(jpeg[i + 1]) & 0xF8) == 0xD0) at.push_back(i);
  return at;
}

TEST(DctDecoder, RestartMarkerOutOfSequenceEndsTheImageBeforeItsMcuRow) {
  // One restart interval per MCU; 101 pixels make seven MCUs of 16 a row.
  std::string jpeg = Fixture("restart.jpg");
  const std::vector<size_t> markers = RestartMarkers(jpeg);
  ASSERT_GT(markers.size(), 20u);
  EXPECT_EQ(Decode(jpeg).size(), 101u * 67 * 3);
  // The marker before MCU 10 (in the second MCU row) names another number.
  jpeg[markers[9] + 1] = static_cast<char>(0xD0 + (9 + 3) % 8);
  const std::string rows = Decode(jpeg);
  EXPECT_EQ(rows.size(), 101u * 16 * 3);
  EXPECT_EQ(rows, Decode(Fixture("restart.jpg")).substr(0, rows.size()));
}

TEST(DctDecoder, CutData) {
  // A sequential image ends after its last whole MCU row.
  const std::string base = Fixture("baseline-420.jpg");
  const std::string whole = Decode(base);
  const std::string cut = Decode(base.substr(0, base.size() * 2 / 3));
  const size_t mcu_row = 101 * 16 * 3;
  EXPECT_GT(cut.size(), 0u);
  EXPECT_LT(cut.size(), whole.size());
  EXPECT_EQ(cut.size() % mcu_row, 0u);
  EXPECT_EQ(cut, whole.substr(0, cut.size()));
  // A progressive image cut in its last scan keeps its size and what the
  // earlier scans gave.
  const std::string progressive = Fixture("progressive-420.jpg");
  const size_t last_scan = progressive.rfind("\xFF\xDA");
  const std::string refined = Decode(progressive);
  const std::string partial = Decode(progressive.substr(0, last_scan + 40));
  ASSERT_EQ(partial.size(), refined.size());
  EXPECT_NE(partial, refined);
  EXPECT_LT(Compare(partial, refined).mean, 3.0);
}

TEST(DctDecoder, AFailingScanLeavesTheNextMarkerToTheScansAfterIt) {
  const std::string jpeg = Fixture("progressive-420.jpg");
  const size_t scan = jpeg.find("\xFF\xDA", jpeg.find("\xFF\xDA") + 2);  // the second scan
  ASSERT_NE(scan, std::string::npos);
  const size_t data = scan + 2 + ((static_cast<uint8_t>(jpeg[scan + 2]) << 8) | static_cast<uint8_t>(jpeg[scan + 3]));
  size_t next = data;
  while (!(static_cast<uint8_t>(jpeg[next]) == 0xFF && jpeg[next + 1] != 0 && (static_cast<uint8_t>(jpeg[next + 1]) & 0xF8) != 0xD0))
    ++next;
  // The scan without its data fails at once; the later scans count as if it
  // were not there.
  const std::string emptied = jpeg.substr(0, data) + jpeg.substr(next);
  const std::string removed = jpeg.substr(0, scan) + jpeg.substr(next);
  EXPECT_EQ(Decode(emptied), Decode(removed));
  EXPECT_NE(Decode(removed), Decode(jpeg));
}

TEST(DctDecoder, GreyImageIgnoresItsSamplingFactors) {
  const std::string gray = Fixture("gray.jpg");
  EXPECT_EQ(Decode(Patched(gray, 0xC0, 11, 0x22)), Decode(gray));
}

TEST(DctDecoder, ResetDecodesAgain) {
  const std::string jpeg = Fixture("progressive-420.jpg");
  SpanSource source(jpeg);
  DctDecoder decoder(source);
  uint8_t some[1000];
  ASSERT_EQ(decoder.Read(some, sizeof some), sizeof some);
  decoder.Reset();
  EXPECT_EQ(decoder.ReadAll(), Decode(jpeg));
}

}  // namespace
}  // namespace vn::pdf::filters::dct_test
