#include "rtf/rtf_writer_picture.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "pdf/pdf_corpus.h"
#include "platform/canvas/cairo_canvas.h"
#include "platform/canvas/metafile_player.h"
#include "platform/emf/emf_reader.h"
#include "platform/emf/wmf_converter.h"
#include "platform/images/image_codecs.h"
#include "rtf/rtf_writer_paragraph.h"
#include "support/prerequisites.h"

namespace vn::rtf::rtf_writer_picture_test {

using platform::Bitmap;
using platform::BGRA;
using platform::PixelFormat;
using writer::TvnOutputImageFormat;
using writer::TvnRTFHeader;
using writer::TvnRTFPicture;

// A 24-bit bitmap whose every pixel differs from its neighbours, so that a
// shifted, flipped or recoloured copy shows.
Bitmap Pattern(int AWidth, int AHeight, uint32_t ASeed = 1) {
  Bitmap bitmap(AWidth, AHeight, PixelFormat::pf24bit);
  uint32_t state = ASeed;
  for (int y = 0; y < AHeight; ++y)
    for (int x = 0; x < AWidth; ++x) {
      state = state * 1103515245u + 12345u;
      bitmap.SetPixel(x, y, BGRA{static_cast<uint8_t>(state >> 8), static_cast<uint8_t>(state >> 16),
                                 static_cast<uint8_t>(x * 255 / AWidth), 255});
    }
  return bitmap;
}

void ExpectSamePixels(const Bitmap& AActual, const Bitmap& AExpected) {
  ASSERT_EQ(AActual.Width(), AExpected.Width());
  ASSERT_EQ(AActual.Height(), AExpected.Height());
  int differing = 0;
  for (int y = 0; y < AExpected.Height(); ++y)
    for (int x = 0; x < AExpected.Width(); ++x) {
      const BGRA a = AActual.Pixel(x, y), e = AExpected.Pixel(x, y);
      if (a.R != e.R || a.G != e.G || a.B != e.B) ++differing;
    }
  EXPECT_EQ(differing, 0);
}

std::string BytesOfHex(std::string_view AHex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < AHex.size(); i += 2) bytes += static_cast<char>(std::stoi(std::string(AHex.substr(i, 2)), nullptr, 16));
  return bytes;
}

// The picture-type word and the data of a picture's data text: the text up
// to the first blank, and the bytes after it.
struct PictureData {
  std::string Words;
  std::string Bytes;
};

PictureData SplitHexData(const std::string& AText) {
  const size_t blank = AText.find(' ');
  std::string hex;
  for (const char c : AText.substr(blank + 1))
    if (c != '\r' && c != '\n') hex += c;
  return {AText.substr(0, blank), BytesOfHex(hex)};
}

std::filesystem::path WriteFile(const std::string& AName, const std::string& ABytes) {
  const auto path = std::filesystem::temp_directory_path() / AName;
  std::ofstream(path, std::ios::binary) << ABytes;
  return path;
}

// The chunks of a PNG file as (type, data, stored CRC).
struct PngChunk {
  std::string Type;
  std::string Data;
  uint32_t Crc;
};

uint32_t BigEndianAt(const std::string& ABytes, size_t AAt) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<uint8_t>(ABytes.at(AAt + i));
  return value;
}

std::vector<PngChunk> PngChunks(const std::string& APng) {
  std::vector<PngChunk> chunks;
  for (size_t at = 8; at + 12 <= APng.size();) {
    const uint32_t length = BigEndianAt(APng, at);
    chunks.push_back({APng.substr(at + 4, 4), APng.substr(at + 8, length), BigEndianAt(APng, at + 8 + length)});
    at += 12 + length;
  }
  return chunks;
}

std::string EncodePngBytes(const Bitmap& ABitmap, std::optional<platform::Color> ATransparent) {
  writer::TvnExtMemStream stream;
  writer::EncodePNG(ABitmap, ATransparent, stream);
  return std::string(stream.View());
}

TEST(RtfWriterPicture, PngChunksAndCrcs) {
  const std::string png = EncodePngBytes(Pattern(2, 2), std::nullopt);
  ASSERT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  const std::vector<PngChunk> chunks = PngChunks(png);
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[0].Type, "IHDR");
  EXPECT_EQ(chunks[0].Data, std::string("\0\0\0\x02\0\0\0\x02\x08\x02\0\0\0", 13));
  EXPECT_EQ(chunks[1].Type, "IDAT");
  EXPECT_EQ(chunks[2].Type, "IEND");
  EXPECT_TRUE(chunks[2].Data.empty());
  for (const PngChunk& chunk : chunks) {
    const std::string typeAndData = chunk.Type + chunk.Data;
    EXPECT_EQ(chunk.Crc, crc32(0, reinterpret_cast<const Bytef*>(typeAndData.data()), static_cast<uInt>(typeAndData.size())))
        << chunk.Type;
  }
  // A transparent colour adds tRNS before the image data; none is written
  // unless asked for.
  const std::vector<PngChunk> withWhite = PngChunks(EncodePngBytes(Pattern(2, 2), platform::RGBColor(255, 255, 255)));
  ASSERT_EQ(withWhite.size(), 4u);
  EXPECT_EQ(withWhite[1].Type, "tRNS");
  EXPECT_EQ(withWhite[1].Data, std::string("\0\xFF\0\xFF\0\xFF", 6));
  EXPECT_EQ(PngChunks(EncodePngBytes(Pattern(2, 2), platform::RGBColor(1, 2, 3)))[1].Data,
            std::string("\0\x01\0\x02\0\x03", 6));
  EXPECT_THROW(EncodePngBytes(Bitmap(), std::nullopt), platform::EImageEncodeError);
}

TEST(RtfWriterPicture, PngPassesPngcheckAndDecodesToTheSourcePixels) {
  // Noise compresses badly: several IDAT chunks of 10240 bytes and a shorter last one.
  const Bitmap source = Pattern(160, 90, 7);
  const std::string png = EncodePngBytes(source, std::nullopt);
  const std::vector<PngChunk> chunks = PngChunks(png);
  size_t idat = 0;
  for (const PngChunk& chunk : chunks)
    if (chunk.Type == "IDAT") {
      ++idat;
      if (&chunk != &chunks[chunks.size() - 2]) EXPECT_EQ(chunk.Data.size(), 10240u);
    }
  EXPECT_GT(idat, 1u);
  ExpectSamePixels(platform::DecodePng(platform::AsBytes(png)), source);
  if (!test_support::HaveTool("pngcheck")) GTEST_SKIP() << "pngcheck is not installed";
  for (const auto& [name, bytes] : {std::pair{"noise.png", png}, {"white_transparent.png",
                                     EncodePngBytes(Pattern(2, 2), platform::RGBColor(255, 255, 255))}}) {
    std::string out;
    EXPECT_EQ(pdf::testing::RunProgram({"pngcheck", "-v", WriteFile(name, bytes).string()}, &out), 0) << out;
  }
}

// A picture of the bitmap, encoded in AFormat; answers the picture's data text.
std::string PictureDataOf(const platform::Picture& APicture, TvnOutputImageFormat AFormat, bool ABinary = false) {
  TvnRTFHeader header;
  TvnRTFPicture picture(APicture, &header);
  picture.Settings().OutputImageFormat = AFormat;
  picture.GraphicDataInBinary = ABinary;
  return picture.EncodePictureData();
}

TEST(RtfWriterPicture, PngPictureHoldsTheSourcePixelsInHexOrBinary) {
  const Bitmap source = Pattern(12, 7);
  const PictureData hex = SplitHexData(PictureDataOf(platform::PictureOf(source), TvnOutputImageFormat::ifPNG));
  EXPECT_EQ(hex.Words, "\\pngblip");
  ExpectSamePixels(platform::DecodePng(platform::AsBytes(hex.Bytes)), source);
  // No tRNS: white stays opaque unless the settings ask for transparency.
  for (const PngChunk& chunk : PngChunks(hex.Bytes)) EXPECT_NE(chunk.Type, "tRNS");

  const std::string binary = PictureDataOf(platform::PictureOf(source), TvnOutputImageFormat::ifPNG, true);
  const std::string head = "\\pngblip\\bin" + std::to_string(hex.Bytes.size()) + " ";
  EXPECT_EQ(binary, head + hex.Bytes);  // the raw file, nothing after it
}

TEST(RtfWriterPicture, JpegFileGoesAsItIs) {
  const std::string jpeg = platform::EncodeJpeg(Pattern(33, 21), 80);
  const platform::Picture picture = platform::DecodePicture(jpeg);
  const PictureData hex = SplitHexData(PictureDataOf(picture, TvnOutputImageFormat::ifJPEG));
  EXPECT_EQ(hex.Words, "\\jpegblip");
  EXPECT_EQ(hex.Bytes, jpeg);
  EXPECT_EQ(PictureDataOf(picture, TvnOutputImageFormat::ifJPEG, true),
            "\\jpegblip\\bin" + std::to_string(jpeg.size()) + " " + jpeg);
  // A bitmap is compressed; one pixel high, it is made two pixels high.
  const PictureData row = SplitHexData(PictureDataOf(platform::PictureOf(Pattern(1, 1)), TvnOutputImageFormat::ifJPEG));
  const platform::JpegInfo info = platform::ReadJpegInfo(platform::AsBytes(row.Bytes));
  EXPECT_EQ(info.Width, 1);
  EXPECT_EQ(info.Height, 2);
}

// The Windows metafile of a default picture: its records before the bitmap
// and the bitmap's bytes, de-hexed.
std::string WmfOf(const Bitmap& ASource, bool ABinary = false, TvnOutputImageFormat AFormat = TvnOutputImageFormat::ifBMP) {
  const std::string text = PictureDataOf(platform::PictureOf(ASource), AFormat, ABinary);
  const std::string head = "\\wmetafile8\\picbmp\\picbpp4 ";
  EXPECT_EQ(text.substr(0, head.size()), head);
  return SplitHexData(text).Bytes;
}

uint32_t LittleEndianAt(const std::string& ABytes, size_t AAt, int ACount) {
  uint32_t value = 0;
  for (int i = ACount - 1; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(ABytes.at(AAt + static_cast<size_t>(i)));
  return value;
}

TEST(RtfWriterPicture, MetafileWrapperSizesAndPlayback) {
  const Bitmap source = Pattern(30, 17);
  const std::string wmf = WmfOf(source);
  ASSERT_EQ(wmf.size() % 2, 0u);
  EXPECT_EQ(LittleEndianAt(wmf, 6, 4) * 2, wmf.size());  // total size in words
  // The stretch-bitmap record is the largest; its size field says so.
  const size_t record = 18 + 10 + 10 + 10 + 10 + 8;
  EXPECT_EQ(LittleEndianAt(wmf, 12, 4), LittleEndianAt(wmf, record, 4));
  EXPECT_EQ(LittleEndianAt(wmf, record + 4, 2), 0x0F43u);
  EXPECT_EQ(record + LittleEndianAt(wmf, record, 4) * 2 + 6, wmf.size());
  EXPECT_EQ(wmf.substr(wmf.size() - 6), std::string("\x03\0\0\0\0\0", 6));

  // The project's own converter and player draw the bitmap back.
  const platform::emf::EmfFile emf(platform::emf::ConvertWmfToEmf(platform::AsBytes(wmf)));
  platform::CairoCanvas canvas(source.Width(), source.Height());
  platform::PlayMetafile(emf, canvas, {0, 0, source.Width(), source.Height()});
  ExpectSamePixels(canvas.Pixels(), source);

  // Raw bytes are never asked of the wrapper: it stays hexadecimal, with its records.
  for (const TvnOutputImageFormat format : {TvnOutputImageFormat::ifBMP, TvnOutputImageFormat::ifGIF,
                                            TvnOutputImageFormat::ifCCITT3, TvnOutputImageFormat::ifCCITT4})
    EXPECT_EQ(WmfOf(source, true, format), wmf) << static_cast<int>(format);
}

TEST(RtfWriterPicture, MetafileWrapperIsAcceptedByWmf2svg) {
  if (!test_support::HaveTool("wmf2svg")) GTEST_SKIP() << "wmf2svg (libwmf-bin) is not installed";
  const auto wmf = WriteFile("wrapper.wmf", WmfOf(Pattern(30, 17)));
  const auto svg = std::filesystem::temp_directory_path() / "wrapper.svg";
  std::string out;
  ASSERT_EQ(pdf::testing::RunProgram({"wmf2svg", "-o", svg.string(), wmf.string()}, &out), 0) << out;
  std::ifstream file(svg);
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("<image"), std::string::npos) << text.substr(0, 400);
}

TEST(RtfWriterPicture, EnhancedMetafileWithoutTrailingRecord) {
  const Bitmap source = Pattern(20, 10);
  const PictureData emf = SplitHexData(PictureDataOf(platform::PictureOf(source), TvnOutputImageFormat::ifMetafile));
  EXPECT_EQ(emf.Words, "\\emfblip");
  const platform::emf::EmfFile file(emf.Bytes);
  // The file ends with its own end-of-file record (type 14), nothing after it.
  EXPECT_EQ(LittleEndianAt(emf.Bytes, emf.Bytes.size() - 20, 4), 14u);
  platform::CairoCanvas canvas(source.Width(), source.Height());
  platform::PlayMetafile(file, canvas, {0, 0, source.Width(), source.Height()});
  ExpectSamePixels(canvas.Pixels(), source);
}

TEST(RtfWriterPicture, ShapeText) {
  TvnRTFHeader header;
  TvnRTFPicture picture(platform::PictureOf(Pattern(4, 2)), &header);
  picture.DisplayRect = {0, 0, 100, 50};
  const std::string text = picture.Encode();
  const std::string head =
      "{\\shp{\\*\\shpinst\\shpleft0\\shptop0\\shpright1500\\shpbottom750\\shpfhdr0\\shpbxcolumn\\shpbxignore"
      "\\shpbypara\\shpbyignore\\shpwr3\\shpwrk0\\shpfblwtxt0\\shpz0{\\sp{\\sn shapeType}{\\sv 75}}"
      "{\\sp{\\sn fFlipH}{\\sv 0}}{\\sp{\\sn fFlipV}{\\sv 0}}{\\sp{\\sn pib}{\\sv{\\pict\\picw1500\\pich750"
      "\\picwgoal1500\\pichgoal750\\wmetafile8\\picbmp\\picbpp4 010009000003";
  EXPECT_EQ(text.substr(0, head.size()), head);
  const std::string tail =
      "030000000000}}}{\\sp{\\sn pibFlags}{\\sv 2}}{\\sp{\\sn fRecolorFillAsPicture}{\\sv 0}}"
      "{\\sp{\\sn fUseShapeAnchor}{\\sv 0}}{\\sp{\\sn fLine}{\\sv 0}}{\\sp{\\sn fBehindDocument}{\\sv 0}}"
      "{\\sp{\\sn fLayoutInCell}{\\sv 1}}}}";
  ASSERT_GT(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  picture.Settings().BehindText = true;
  const std::string behind = picture.Encode();
  EXPECT_NE(behind.find("\\shpfblwtxt1\\shpz0"), std::string::npos);
  EXPECT_NE(behind.find("{\\sp{\\sn fBehindDocument}{\\sv 1}}"), std::string::npos);
}

TEST(RtfWriterPicture, PictureThatCannotBeEncodedLeavesOnlyItselfOut) {
  TvnRTFHeader header;
  TvnRTFPicture empty(platform::Picture{}, &header);
  for (const TvnOutputImageFormat format : {TvnOutputImageFormat::ifBMP, TvnOutputImageFormat::ifJPEG,
                                            TvnOutputImageFormat::ifPNG, TvnOutputImageFormat::ifMetafile}) {
    empty.Settings().OutputImageFormat = format;
    EXPECT_THROW(empty.Encode(), platform::EImageEncodeError) << static_cast<int>(format);
  }
  writer::TvnRTFParagraph paragraph(&header, -1, {writer::TvnRTFParagraphDestination::pdPage});
  paragraph.Paragraph().InsertTextItem(u"before", 0, 1, {}, 24, 0, 0, 0, writer::TvnTextRise::trNormal);
  paragraph.Paragraph().InsertImageItem(platform::Picture{}, true, {0, 0, 10, 10});
  paragraph.Paragraph().InsertTextItem(u"after", 0, 1, {}, 24, 0, 0, 0, writer::TvnTextRise::trNormal);
  const std::string text = paragraph.Encode();
  EXPECT_NE(text.find("before"), std::string::npos);
  EXPECT_NE(text.find("after\\par}"), std::string::npos);
  EXPECT_EQ(text.find("\\shp"), std::string::npos);
}

}  // namespace vn::rtf::rtf_writer_picture_test
