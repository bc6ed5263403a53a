// Every JBIG2 image of the corpus's PDF files, read through the document
// and its JBIG2Decode filter (symbol dictionaries with Huffman and
// arithmetic coding, text regions, halftones, composition operators,
// refinement, striped pages of unknown height, globals), equals the pixels
// poppler's pdfimages writes for it; and the JBIG2 decompression bomb is
// refused within the size caps at once. pdfimages runs once per file that
// holds a JBIG2 image. Skipped without the corpus or pdfimages.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "pdf/base_doc.h"
#include "pdf/filter_streams.h"
#include "../pdf_corpus.h"
#include "../png_oracle.h"
#include "support/paths.h"
#include "test_support.h"

namespace vn::pdf::jbig2::jbig2_decoder_corpus_test {
namespace {

namespace fs = std::filesystem;
using pdf::testing::CorpusFile;
using pdf::testing::ReadManifest;
using pdf::testing::RunProgram;

bool HasJbig2Filter(const TvnPDDictionary* dict) {
  const TvnPDBaseObject* filter = dict->LookUp("Filter");
  if (!filter) return false;
  if (filter->IsName()) return filter->IsName("JBIG2Decode");
  if (!filter->IsArray()) return false;
  for (int64_t i = 0; i < filter->AsArray()->GetLength(); ++i)
    if (filter->AsArray()->Get(i) && filter->AsArray()->Get(i)->IsName("JBIG2Decode")) return true;
  return false;
}

struct Jbig2Object {
  int64_t number;
  TvnPDStream* stream;
  bool image;  // an image XObject (else another stream, such as page content)
};

std::vector<Jbig2Object> Jbig2Objects(TvnPDBaseDoc& doc) {
  std::vector<Jbig2Object> found;
  for (int64_t i = 1; i < doc.GetReader()->GetXRef()->GetSize(); ++i) {
    TvnPDBaseObject* object = nullptr;
    try {
      object = doc.GetObject(i);
    } catch (const vn::Exception&) {
      continue;
    }
    if (!object || !object->IsStream() || !object->AsStream()->GetDict()) continue;
    const TvnPDDictionary* dict = object->AsStream()->GetDict();
    if (!HasJbig2Filter(dict)) continue;
    const TvnPDBaseObject* subtype = dict->LookUp("Subtype");
    found.push_back({i, object->AsStream(), subtype && subtype->IsName("Image")});
  }
  return found;
}

std::string ReadAll(TvnStream* s) {
  s->Reset();
  std::string out;
  s->Read(out, size_t{1} << 30);
  return out;
}

// The bits past the width at the end of each row carry nothing: 1 here.
std::string MaskPadding(std::string rows, int64_t width, int64_t height) {
  const size_t stride = static_cast<size_t>((width + 7) / 8);
  if (width % 8 == 0) return rows;
  const auto pad = static_cast<uint8_t>(0xFF >> (width % 8));
  for (int64_t y = 0; y < height && (static_cast<size_t>(y) + 1) * stride <= rows.size(); ++y)
    rows[static_cast<size_t>(y) * stride + stride - 1] |= static_cast<char>(pad);
  return rows;
}

// Files on which poppler's own decoder is wrong: pdfimages 22.12 adds 21
// stray pixels under one symbol of this Huffman-coded text region, where
// jbig2dec and every other encoding of the same picture in the corpus
// (generic, MMR, TPGDON, arithmetic symbols) agree with this decoder. Their
// images are compared with jbig2dec instead.
bool PopplerIsWrong(const std::string& path) {
  return fs::path(path).filename() == "pdfjs_bitmap-symbol-symhuff-texthuff.pdf";
}

int64_t IntEntry(const TvnPDDictionary* dict, const char* key) {
  const TvnPDBaseObject* v = dict->LookUp(key);
  return v && v->IsInteger() ? v->AsInteger()->GetValue() : 0;
}

TEST(Jbig2DecoderCorpus, EveryJbig2ImageEqualsPdfimages) {
  const fs::path corpus = VN_CORPUS_DIR;
  if (!fs::exists(corpus / "pdf")) GTEST_SKIP() << "corpus missing";
  if (RunProgram({"pdfimages", "-v"}) != 0) {
    if (std::getenv("CI")) FAIL() << "pdfimages missing";
    GTEST_SKIP() << "pdfimages missing";
  }
  const fs::path out_dir = fs::temp_directory_path() / "jbig2-corpus-images";
  int compared = 0, files = 0;
  for (const CorpusFile& file : ReadManifest(corpus)) {
    if (file.Damaged() || file.Unsupported()) continue;
    TvnPDBaseDoc doc;
    try {
      doc.LoadDocument(fs::path(file.path), file.password);
    } catch (const vn::Exception&) {
      continue;
    }
    std::vector<Jbig2Object> images;
    for (const Jbig2Object& object : Jbig2Objects(doc))
      if (object.image) images.push_back(object);
    if (images.empty()) continue;
    SCOPED_TRACE(file.path);
    ++files;
    fs::remove_all(out_dir);
    fs::create_directories(out_dir);
    std::vector<std::string> args = {"pdfimages", "-png"};
    if (!file.password.empty()) args.insert(args.end(), {"-upw", file.password});
    args.push_back(file.path);
    args.push_back((out_dir / "i").string());
    ASSERT_EQ(RunProgram(args), 0);
    std::vector<pdf::testing::Png> written;
    for (const auto& entry : fs::directory_iterator(out_dir))
      if (auto png = pdf::testing::ReadPng(entry.path())) written.push_back(*png);
    for (const Jbig2Object& image : images) {
      SCOPED_TRACE("object " + std::to_string(image.number));
      const TvnPDDictionary* dict = image.stream->GetDict();
      const int64_t width = IntEntry(dict, "Width"), height = IntEntry(dict, "Height");
      const TvnPDBaseObject* mask = dict->LookUp("ImageMask");
      const bool stencil = mask && mask->IsBoolean() && mask->AsBoolean()->GetValue();
      ASSERT_EQ(image.stream->GetStream()->GetType(), TvnStreamType::stJBIG2);
      std::string decoded = ReadAll(image.stream->GetStream());
      const size_t stride = static_cast<size_t>((width + 7) / 8);
      ASSERT_GE(decoded.size(), stride * static_cast<size_t>(height)) << "fewer rows than the image has";
      decoded = MaskPadding(decoded.substr(0, stride * static_cast<size_t>(height)), width, height);
      int black = 0;
      for (char c : decoded) black += 8 - __builtin_popcount(static_cast<uint8_t>(c));
      EXPECT_GT(black, 0) << "a blank image";
      // pdfimages writes stencil masks with painted pixels black.
      bool matched = false;
      if (PopplerIsWrong(file.path)) {
        const std::string data = ReadAll(static_cast<TvnJBIG2Stream*>(image.stream->GetStream())->Stream());
        const auto reference = jbig2::testing::Jbig2dec(data);
        ASSERT_TRUE(reference);
        ASSERT_EQ(reference->width, width);
        ASSERT_EQ(reference->height, height);
        std::string expected(stride * static_cast<size_t>(height), '\xFF');
        for (int y = 0; y < height; ++y)
          for (int x = 0; x < width; ++x)
            if (reference->At(x, y)) expected[static_cast<size_t>(y) * stride + static_cast<size_t>(x / 8)] &= static_cast<char>(~(0x80 >> (x % 8)));
        matched = decoded == expected;
      }
      for (const pdf::testing::Png& png : written) {
        if (matched || png.width != width || png.height != height || png.bit_depth != 1) continue;
        std::string expected = png.rows;
        if (stencil)
          for (char& c : expected) c = static_cast<char>(~c);
        matched |= decoded == MaskPadding(expected, width, height);
      }
      EXPECT_TRUE(matched) << "no image pdfimages wrote has these pixels";
      compared += matched ? 1 : 0;
    }
  }
  std::printf("JBIG2 images equal to pdfimages: %d in %d files\n", compared, files);
  EXPECT_GE(compared, 12);
}

TEST(Jbig2DecoderCorpus, DecompressionBombIsRefusedQuickly) {
  const fs::path file = fs::path(VN_CORPUS_DIR) / "pdf" / "pdfjs_bomb_giant.pdf";
  if (!fs::exists(file)) GTEST_SKIP() << "corpus missing";
  TvnPDBaseDoc doc;
  doc.LoadDocument(file, "");
  const auto start = std::chrono::steady_clock::now();
  int streams = 0;
  for (const Jbig2Object& object : Jbig2Objects(doc)) {
    // Pages of 100000 x 100000 pixels, far over the cap: no data.
    EXPECT_EQ(ReadAll(object.stream->GetStream()).size(), 0u) << "object " << object.number;
    ++streams;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("bomb: %d JBIG2 streams refused in %.3f s\n", streams, seconds);
  EXPECT_EQ(streams, 3);
  EXPECT_LT(seconds, 2.0);
}

}  // namespace
}  // namespace vn::pdf::jbig2::jbig2_decoder_corpus_test
