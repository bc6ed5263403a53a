// The decode chain built from stream dictionaries: single names and arrays,
// short names and keys, parameters per stage, unusable entries, ownership of
// the chain, the stage types and the Flate encoder.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/exceptions.h"
#include "pdf/filter_manager.h"
#include "pdf/filter_streams.h"
#include "pdf/filters/dct.h"
#include "pdf/filters/text_filters.h"
#include "runtime/exceptions.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace vn::pdf::filter_manager_test {
namespace {

Ref<TvnStream> Raw(const std::string& bytes) {
  auto mem = std::make_shared<vn::TMemoryStream>(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  return Ref<TvnStream>::Adopt(new TvnMemoryStream(mem, 0, static_cast<int64_t>(bytes.size()), true));
}

// An unlimited window over an empty memory stream, to write into.
Ref<TvnStream> Sink() {
  return Ref<TvnStream>::Adopt(new TvnMemoryStream(std::make_shared<vn::TMemoryStream>(), 0, 0, false));
}

std::string ReadAll(TvnStream* s) {
  std::string out;
  s->Read(out, std::numeric_limits<size_t>::max());
  return out;
}

std::string Deflate(const std::string& data) {
  uLongf size = compressBound(data.size());
  std::string out(size, '\0');
  compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()), data.size());
  out.resize(size);
  return out;
}

std::string Hex(const std::string& data) {
  return filters::AsciiHexEncode({reinterpret_cast<const uint8_t*>(data.data()), data.size()});
}

std::unique_ptr<TvnPDBaseObject> Name(const char* n) { return std::make_unique<TvnPDName>(n); }
std::unique_ptr<TvnPDBaseObject> Int(int64_t v) { return std::make_unique<TvnPDInteger>(v); }

std::unique_ptr<TvnPDBaseObject> Array(std::vector<std::unique_ptr<TvnPDBaseObject>> items) {
  auto a = std::make_unique<TvnPDArray>();
  for (auto& i : items) a->Add(std::move(i));
  return a;
}

template <typename... T>
std::unique_ptr<TvnPDBaseObject> Arr(T... items) {
  std::vector<std::unique_ptr<TvnPDBaseObject>> v;
  (v.push_back(std::move(items)), ...);
  return Array(std::move(v));
}

std::unique_ptr<TvnPDDictionary> PredictorParms(int predictor, int columns) {
  auto d = std::make_unique<TvnPDDictionary>();
  d->Add("Predictor", Int(predictor));
  d->Add("Columns", Int(columns));
  return d;
}

// Rows of four bytes, each tagged Up, so the predicted data differ from the raw.
const std::string kRows = std::string("\x02\x01\x02\x03\x04\x02\x01\x01\x01\x01", 10);
const std::string kPredicted = std::string("\x01\x02\x03\x04\x02\x03\x04\x05", 8);

TEST(FilterChain, Cases) {
  struct Case {
    const char* name;
    std::function<void(TvnPDDictionary&)> fill;
    std::string raw;
    std::string expected;
  } cases[] = {
      {"no filter", [](TvnPDDictionary&) {}, "plain", "plain"},
      {"hex then flate",
       [](TvnPDDictionary& d) { d.Add("Filter", Arr(Name("ASCIIHexDecode"), Name("FlateDecode"))); },
       Hex(Deflate("Hello chain")), "Hello chain"},
      {"short names and keys of inline images",
       [](TvnPDDictionary& d) {
         d.Add("F", Arr(Name("AHx"), Name("Fl")));
         d.Add("DP", Arr(std::make_unique<TvnPDNull>(), PredictorParms(12, 4)));
       },
       Hex(Deflate(kRows)), kPredicted},
      {"predictor parameters on the flate stage",
       [](TvnPDDictionary& d) {
         d.Add("Filter", Name("FlateDecode"));
         d.Add("DecodeParms", PredictorParms(12, 4));
       },
       Deflate(kRows), kPredicted},
      {"one name with parameters in an array: no predictor",
       [](TvnPDDictionary& d) {
         d.Add("Filter", Name("FlateDecode"));
         d.Add("DecodeParms", Arr(PredictorParms(12, 4)));
       },
       Deflate(kRows), kRows},
      {"one-filter array with one dictionary: the dictionary applies",
       [](TvnPDDictionary& d) {
         d.Add("Filter", Arr(Name("FlateDecode")));
         d.Add("DecodeParms", PredictorParms(12, 4));
       },
       Deflate(kRows), kPredicted},
      {"longer array with one dictionary: no parameters",
       [](TvnPDDictionary& d) {
         d.Add("Filter", Arr(Name("AHx"), Name("FlateDecode")));
         d.Add("DecodeParms", PredictorParms(12, 4));
       },
       Hex(Deflate(kRows)), kRows},
      {"an empty first dictionary keeps the later stage's parameters",
       [](TvnPDDictionary& d) {
         d.Add("Filter", Arr(Name("ASCIIHexDecode"), Name("FlateDecode")));
         d.Add("DecodeParms", Arr(std::make_unique<TvnPDDictionary>(), PredictorParms(12, 4)));
       },
       Hex(Deflate(kRows)), kPredicted},
      {"wrong case yields nothing", [](TvnPDDictionary& d) { d.Add("Filter", Name("flatedecode")); }, Deflate("x"),
       ""},
      {"non-name element yields nothing",
       [](TvnPDDictionary& d) { d.Add("Filter", Arr(Name("FlateDecode"), Int(5))); }, Deflate("x"), ""},
      {"Filter of another kind yields nothing", [](TvnPDDictionary& d) { d.Add("Filter", Int(3)); }, "abc", ""},
      {"parameters without a filter give the raw data",
       [](TvnPDDictionary& d) { d.Add("DecodeParms", PredictorParms(12, 4)); }, "raw", "raw"},
      {"empty parameter array gives the raw data", [](TvnPDDictionary& d) { d.Add("DecodeParms", Arr()); }, "raw",
       "raw"},
      {"Identity crypt filter passes the data",
       [](TvnPDDictionary& d) { d.Add("Filter", Arr(Name("Crypt"), Name("AHx"))); }, "414243>", "ABC"},
      {"named crypt filter yields nothing",
       [](TvnPDDictionary& d) {
         d.Add("Filter", Name("Crypt"));
         auto p = std::make_unique<TvnPDDictionary>();
         p->Add("Name", Name("StdCF"));
         d.Add("DecodeParms", std::move(p));
       },
       "data", ""},
      {"JPX passes nothing decoded", [](TvnPDDictionary& d) { d.Add("Filter", Name("JPXDecode")); }, "jp2", ""},
      {"LZW with EarlyChange", [](TvnPDDictionary& d) { d.Add("Filter", Name("LZW")); },
       std::string("\x80\x10\x60\x20", 4), "A"},
      {"RunLength and ASCII85",
       [](TvnPDDictionary& d) { d.Add("Filter", Arr(Name("A85"), Name("RL"))); }, "!($WOJ,~>", "ABB"},
  };
  for (const auto& c : cases) {
    TvnPDDictionary dict;
    c.fill(dict);
    auto result = TvnPDFilterManager::GetFilter(&dict, Raw(c.raw));
    ASSERT_TRUE(result) << c.name;
    ASSERT_TRUE(result->GetDict()) << c.name;
    EXPECT_EQ(result->GetDict()->GetDict(), dict.GetDict()) << c.name << ": shares the dictionary";
    EXPECT_EQ(result->GetObjNumber(), kDirectObjNumber);
    EXPECT_EQ(ReadAll(result->GetStream()), c.expected) << c.name;
    result->GetStream()->Reset();
    EXPECT_EQ(ReadAll(result->GetStream()), c.expected) << c.name << " after Reset";
  }
}

TEST(FilterChain, MissingDictionaryOrStream) {
  TvnPDDictionary dict;
  EXPECT_THROW(TvnPDFilterManager::GetFilter(nullptr, Raw("x")), pdf::ExInvalidObject);
  EXPECT_THROW(TvnPDFilterManager::GetFilter(&dict, nullptr), pdf::ExInvalidStream);
}

TEST(FilterChain, FreeingTheResultFreesEveryStage) {
  TvnPDDictionary dict;
  dict.Add("Filter", Arr(Name("AHx"), Name("AHx"), Name("Fl"), Int(1)));
  Ref<TvnStream> raw = Raw(Hex(Hex(Deflate("deep"))));
  TvnStream* raw_ptr = raw.get();
  raw_ptr->IncRef();  // our own look at the count
  auto result = TvnPDFilterManager::GetFilter(&dict, std::move(raw));
  EXPECT_EQ(raw_ptr->RefCount(), 2);
  EXPECT_EQ(result->GetStream()->GetBaseStream(), raw_ptr);
  EXPECT_EQ(result->GetStream()->GetUndecodedStream(), raw_ptr);
  result.reset();
  EXPECT_EQ(raw_ptr->RefCount(), 1);
  raw_ptr->DecRef();
}

TEST(FilterChain, OverlongChainsYieldNothing) {
  // Identity crypt filters pass the data; the stage after the limit ends it.
  for (int crypts : {TvnPDFilterManager::kMaxFilters - 1, TvnPDFilterManager::kMaxFilters}) {
    TvnPDDictionary dict;
    auto filters = std::make_unique<TvnPDArray>();
    for (int i = 0; i < crypts; ++i) filters->Add(Name("Crypt"));
    filters->Add(Name("AHx"));
    dict.Add("Filter", std::move(filters));
    EXPECT_EQ(ReadAll(TvnPDFilterManager::GetFilter(&dict, Raw("41>"))->GetStream()),
              crypts < TvnPDFilterManager::kMaxFilters ? "A" : "");
  }
}

TEST(FilterStreams, TypesLookAheadAndRawChars) {
  struct Case {
    Ref<TvnStream> stage;
    TvnStreamType type;
  };
  Case cases[] = {
      {Ref<TvnStream>::Adopt(new TvnFlateStream(Raw("").Release(), true)), TvnStreamType::stFlate},
      {Ref<TvnStream>::Adopt(new TvnLZWStream(Raw("").Release(), true)), TvnStreamType::stLZW},
      {Ref<TvnStream>::Adopt(new TvnASCIIHexStream(Raw("").Release(), true)), TvnStreamType::stASCIIHex},
      {Ref<TvnStream>::Adopt(new TvnASCII85Stream(Raw("").Release(), true)), TvnStreamType::stASCII85},
      {Ref<TvnStream>::Adopt(new TvnRunLengthStream(Raw("").Release(), true)), TvnStreamType::stRunLength},
      {Ref<TvnStream>::Adopt(new TvnJPXStream(Raw("").Release(), true)), TvnStreamType::stJPX},
      {Ref<TvnStream>::Adopt(new TvnCCITTStream(Raw("").Release(), true)), TvnStreamType::stCCITTFax},
      {Ref<TvnStream>::Adopt(new TvnDCTStream(Raw("").Release(), true)), TvnStreamType::stDCT},
  };
  for (auto& c : cases) {
    EXPECT_EQ(c.stage->GetType(), c.type);
    EXPECT_EQ(c.stage->GetChar(), -1);
    EXPECT_EQ(c.stage->GetSize(), 0);
  }

  // LookChar twice, then GetChar; ReadRawChar gives the bytes before the
  // predictor.
  Ref<TvnStream> flate = Ref<TvnStream>::Adopt(new TvnFlateStream(Raw(Deflate(kRows)).Release(), true, 12, 4));
  EXPECT_EQ(flate->LookChar(), 1);
  EXPECT_EQ(flate->LookChar(), 1);
  EXPECT_EQ(flate->GetChar(), 1);
  EXPECT_EQ(flate->GetChar(), 2);
  flate->Reset();
  EXPECT_EQ(flate->ReadRawChar(), 2);  // the first row's tag
  EXPECT_EQ(flate->ReadRawChar(), 1);
}

// Group 4 rows of 16 pixels with the given BlackIs1 entry.
std::unique_ptr<TvnPDDictionary> CcittParms(std::unique_ptr<TvnPDBaseObject> black_is_1) {
  auto d = std::make_unique<TvnPDDictionary>();
  d->Add("K", Int(-1));
  d->Add("Columns", Int(16));
  d->Add("BlackIs1", std::move(black_is_1));
  return d;
}

std::string JpegFixture() {
  std::ifstream in(std::filesystem::path(VN_FIXTURES_DIR) / "pdf" / "dct" / "baseline-420.jpg", std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string DecodeJpeg(const std::string& jpeg, int color_transform) {
  codec::SpanSource source(jpeg);
  return filters::DctDecoder(source, color_transform).ReadAll();
}

TEST(FilterChain, ImageStagesTakeTheirParameters) {
  // Two Group 4 rows of 16 pixels: white 4, black 8, white 4.
  const std::string g4("\x36\x2F\x80", 3);
  const std::string jpeg = JpegFixture();
  struct Case {
    const char* name;
    std::function<void(TvnPDDictionary&)> fill;
    std::string raw;
    std::string expected;
  } cases[] = {
      {"CCITT parameters",
       [](TvnPDDictionary& d) {
         d.Add("Filter", Name("CCF"));
         d.Add("DecodeParms", CcittParms(std::make_unique<TvnPDBoolean>(true)));
       },
       g4, std::string("\x0F\xF0\x0F\xF0", 4)},
      {"a flag given as a number keeps its default",
       [](TvnPDDictionary& d) {
         d.Add("Filter", Name("CCITTFaxDecode"));
         d.Add("DecodeParms", CcittParms(Int(1)));
       },
       g4, std::string("\xF0\x0F\xF0\x0F", 4)},
      {"DCT without parameters", [](TvnPDDictionary& d) { d.Add("Filter", Name("DCTDecode")); }, jpeg,
       DecodeJpeg(jpeg, -1)},
      {"ColorTransform of the second stage",
       [](TvnPDDictionary& d) {
         d.Add("Filter", Arr(Name("FlateDecode"), Name("DCT")));
         auto parms = std::make_unique<TvnPDDictionary>();
         parms->Add("ColorTransform", Int(0));
         d.Add("DecodeParms", Arr(std::make_unique<TvnPDNull>(), std::move(parms)));
       },
       Deflate(jpeg), DecodeJpeg(jpeg, 0)},
  };
  for (const auto& c : cases) {
    TvnPDDictionary dict;
    c.fill(dict);
    auto result = TvnPDFilterManager::GetFilter(&dict, Raw(c.raw));
    EXPECT_TRUE(ReadAll(result->GetStream()) == c.expected) << c.name;
  }
  EXPECT_NE(DecodeJpeg(jpeg, 0), DecodeJpeg(jpeg, -1));
}

TEST(FilterStreams, DctStageGivesTheStoredJpeg) {
  const std::string jpeg = JpegFixture();
  Ref<TvnStream> raw = Raw(jpeg);
  TvnDCTStream dct(raw.get(), false);
  EXPECT_EQ(dct.Stream(), raw.get());
  EXPECT_GT(ReadAll(&dct).size(), 0u);
  dct.Stream()->Reset();
  EXPECT_TRUE(ReadAll(dct.Stream()) == jpeg);
}

TEST(FilterStreams, MissingStreamBeneathRaises) {
  TvnFlateStream flate(nullptr, false);
  EXPECT_THROW(flate.GetChar(), vn::ExInvalidStream);
  EXPECT_THROW(flate.Reset(), vn::ExInvalidStream);
}

TEST(FilterStreams, DecodedSizeIsCapped) {
  Ref<TvnStream> raw = Raw(Deflate(std::string(1 << 20, 'z')));
  TvnFlateStream flate(raw.Release(), true);
  flate.SetMaxOutput(1000);
  EXPECT_EQ(ReadAll(&flate).size(), 1000u);
}

TEST(FilterStreams, FlateEncoderRoundTrip) {
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "q 1 0 0 1 " + std::to_string(i) + " 0 cm Q\n";
  // Write(out, count): the whole stream beneath, compressed, into `out`.
  TvnFlateStream encoder(Raw(text).Release(), true);
  Ref<TvnStream> out = Sink();
  size_t size = encoder.Write(*out, 0);
  out->Reset();
  std::string compressed = ReadAll(out.get());
  EXPECT_EQ(size, compressed.size());
  EXPECT_EQ(static_cast<uint8_t>(compressed[0]), 0x78);
  EXPECT_EQ(static_cast<uint8_t>(compressed[1]), 0x01);  // zlib's fastest level
  TvnFlateStream decoder(Raw(compressed).Release(), true);
  EXPECT_TRUE(ReadAll(&decoder) == text);
  // Write(buffer): compressed bytes go to the stream beneath.
  Ref<TvnStream> sink = Sink();
  TvnFlateStream writer(sink.get(), false);
  size_t written = writer.Write(std::string_view("abcabcabc"));
  sink->Reset();
  std::string z = ReadAll(sink.get());
  EXPECT_EQ(written, z.size());
  TvnFlateStream check(Raw(z).Release(), true);
  EXPECT_EQ(ReadAll(&check), "abcabcabc");
}

// --- streams of the corpus, decoded as qpdf decodes them ----------------------

std::string FromHex(std::string_view hex) {
  auto nibble = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
  std::string out(hex.size() / 2, '\0');
  for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char>(nibble(hex[2 * i]) << 4 | nibble(hex[2 * i + 1]));
  return out;
}

std::vector<std::string> Split(const std::string& text, char sep) {
  std::vector<std::string> parts;
  std::stringstream in(text);
  std::string part;
  while (std::getline(in, part, sep)) parts.push_back(part);
  return parts;
}

// "k=v;k=v" or "null".
std::unique_ptr<TvnPDBaseObject> ParmsObject(const std::string& text) {
  if (text == "null") return std::make_unique<TvnPDNull>();
  auto d = std::make_unique<TvnPDDictionary>();
  for (const auto& item : Split(text, ';')) {
    auto eq = item.find('=');
    d->Add(item.substr(0, eq), Int(std::stoll(item.substr(eq + 1))));
  }
  return d;
}

TEST(FilterChainCorpus, StreamsDecodeAsQpdfDecodesThem) {
  const std::filesystem::path dir = std::filesystem::path(VN_CORPUS_DIR) / "pdf";
  if (!std::filesystem::exists(dir)) GTEST_SKIP() << "no corpus";
  if (!vn::test_support::HaveTool("qpdf") || !vn::test_support::HaveTool("python3")) GTEST_SKIP() << "qpdf or python3 missing";
  const std::string script = std::string(VN_FIXTURES_DIR) + "/pdf/filters/stream_info.py";
  int checked = 0;
  std::vector<std::string> names;
  std::string command = "python3 '" + script + "'";
  for (const char* name : {"qpdf_png-filters.pdf", "qpdf_tiff-predictor.pdf", "pdfjs_asciihexdecode.pdf",
                           "pdfjs_multiple-filters-length-zero.pdf", "qpdf_stream-data.pdf", "pdfjs_tracemonkey.pdf",
                           "qpdf_image-streams-small.pdf", "pdfjs_freeculture.pdf", "pdfjs_bug864847.pdf",
                           "pdfjs_XiaoBiaoSong.pdf", "pdfjs_issue17333.pdf", "pdfjs_issue19326.pdf",
                           "pdfjs_cmykjpeg.pdf", "pdfjs_issue9713.pdf"}) {
    if (!std::filesystem::exists(dir / name)) continue;
    names.push_back(name);
    command += " '" + (dir / name).string() + "'";
  }
  // One interpreter reads every file: "FILE <path>", then its streams.
  std::map<std::string, std::string> info;
  if (FILE* p = popen(command.c_str(), "r")) {
    std::string all;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) all.append(buf, n);
    pclose(p);
    std::string* section = nullptr;
    for (const auto& line : Split(all, '\n')) {
      if (line.rfind("FILE ", 0) == 0) section = &info[std::filesystem::path(line.substr(5)).filename().string()];
      else if (section) *section += line + "\n";
    }
  }
  for (const std::string& name : names) {
    const auto path = dir / name;
    const std::string& out = info[name];
    vn::TMemoryStream file;
    file.LoadFromFile(path);
    for (const auto& line : Split(out, '\n')) {
      std::istringstream ls(line);
      std::string tag, filters, parms, hex;
      size_t start = 0, length = 0;
      ls >> tag >> start >> length >> filters >> parms >> hex;
      if (tag != "STREAM" || start + length > static_cast<size_t>(file.GetSize())) continue;
      TvnPDDictionary dict;
      auto colon = filters.find(':');
      auto filter_names = Split(filters.substr(colon + 1), ',');
      if (filters.substr(0, colon) == "name") {
        dict.Add("Filter", Name(filter_names[0].c_str()));
      } else {
        auto a = std::make_unique<TvnPDArray>();
        for (const auto& n : filter_names) a->Add(Name(n.c_str()));
        dict.Add("Filter", std::move(a));
      }
      if (parms != "-") {
        auto items = Split(parms, '|');
        if (items.size() == 1 && parms.find('|') == std::string::npos) {
          dict.Add("DecodeParms", ParmsObject(items[0]));
        } else {
          auto a = std::make_unique<TvnPDArray>();
          for (const auto& item : items) a->Add(ParmsObject(item));
          dict.Add("DecodeParms", std::move(a));
        }
      }
      std::string raw(reinterpret_cast<const char*>(file.Memory()) + start, length);
      auto result = TvnPDFilterManager::GetFilter(&dict, Raw(raw));
      std::string expected = hex == "-" ? std::string() : FromHex(hex);
      EXPECT_TRUE(ReadAll(result->GetStream()) == expected) << name << " stream at " << start << " " << filters;
      ++checked;
    }
  }
  EXPECT_GT(checked, 10);
}

}  // namespace
}  // namespace vn::pdf::filter_manager_test
