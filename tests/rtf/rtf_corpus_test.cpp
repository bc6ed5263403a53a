// Real files from other producers: each loads, and its text, runs, fonts
// and colours are what the file holds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "rtf/rtf_document_handler.h"
#include "wordmodel/images.h"
#include "rtf_test_support.h"
#include "support/paths.h"

namespace rtf_corpus_test {

namespace fs = std::filesystem;

fs::path CorpusRtfDir() {
  const char* env = std::getenv("VN_CORPUS_DIR");
  return fs::path(env ? env : VN_CORPUS_DIR) / "rtf";
}

std::string ReadCorpusFile(const std::string& AName) {
  std::ifstream in(CorpusRtfDir() / AName, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

TEST(RtfCorpus, EveryFileLoads) {
  ASSERT_TRUE(fs::is_directory(CorpusRtfDir())) << CorpusRtfDir();
  int files = 0;
  for (const auto& entry : fs::directory_iterator(CorpusRtfDir())) {
    if (entry.path().extension() != ".rtf") continue;
    ++files;
    vn::rtf::TvnRTFDocumentHandler handler(nullptr);
    ASSERT_NO_THROW(handler.LoadDocument(vn::FromUtf8(entry.path().string()))) << entry.path();
    EXPECT_TRUE(handler.GetIsLoaded());
    EXPECT_GE(handler.GetBody().Sections.size(), 1u) << entry.path();
  }
  EXPECT_GT(files, 0);
}

struct CorpusCase {
  const char* file;
  bool format;
  const char* dump;
};

TEST(RtfCorpus, TextAndFormattingAreWhatTheFileHolds) {
  const CorpusCase cases[] = {
      {"pandoc_accent.rtf", false,
       " le café où on ne fume pas \n"},
      {"pandoc_unicode.rtf", false,
       "“hi”‘hi’αä\n"},
      {"rtfjs_colors.rtf", true,
       "\n"
       "{Courier New 8}Normal Line 1\n"
       "{Courier New 8}Normal Line 2\n"
       "{Courier New 8 00ff00}Colored Line\n"
       "{Courier New 8 hl:ff0000}Highlighted Line\n"
       "{Courier New 8 ffffff hl:0000ff}Colored & Highlighted Line\n"},
      {"rtfjs_pile-of-poo.rtf", false,
       "Iñtërnâtiônàlizætiøn☃💩\n"},
      {"rtfjs_superscript-subscript.rtf", true,
       "{Helvetica 12}Normal{sup Helvetica 12}super{sub Helvetica 12}sub{Helvetica 12} and normal once again.\n"},
      {"tika_testRTF-ms932.rtf", false,
       "Hello\n"
       "こんにちは\n"
       "Test\n"
       "テスト\n"
       "\n"
       "\n"},
      {"tika_testRTFBoldItalic.rtf", true,
       "{b Times New Roman 11}bold\n"
       "{b Times New Roman 11}bold {b i Times New Roman 11}italic\n"
       "{b i Times New Roman 11}italic {b Times New Roman 11}bold\n"
       "{i Times New Roman 11}italic\n"
       "{b Times New Roman 11}bold then {b i Times New Roman 11}italic then{i Times New Roman 11} not bold\n"
       "{i Times New Roman 11}italic then {b i Times New Roman 11}bold then{b Times New Roman 11} not italic\n"
       "\n"},
      {"tika_testRTFControls.rtf", false,
       "Thiswordhasanem—dash\n"
       "Thiswordhasanen–dash\n"
       "Thiswordhasanon‑breakinghyphen\n"
       "Thiswordhasanonbreaking space\n"
       "Thiswordhasanoptionalhyphen\n"
       "\n"
       "‘Single quoted text’\n"
       "“Double quoted text”\n"
       "“Double quoted text again”\n"},
      {"tika_testRTFHexEscapeInsideWord.rtf", false,
       "GOVERNO DO ESTADO DO ESPÍRITO SANTO\n"},
      {"tika_testRTFInvalidUnicode.rtf", false,
       "Unpaired hi � here Unpaired lo � here Mismatched pair �� here \n"},
      {"tika_testRTFNewlines.rtf", false,
       "one\n"
       "\n"
       "two\n"
       "\n"
       "\n"
       "three\n"
       "\n"
       "\n"
       "\n"
       "four\n"},
      {"tika_testRTFUnicodeGothic.rtf", false,
       "𐌲𐌿𐍄𐌹𐍃𐌺\n"},
      {"tika_testRTFUnicodeUCNControlWordCharacterDoubling.rtf", false,
       "0 年 abc 念\n"},
      {"tika_testRTFWindowsCodepage1250.rtf", false,
       "zażółć gęślą jaźń\n"
       "ZAŻÓŁĆ GĘŚLĄ JAŹŃ\n"
       "\n"},
  };
  for (const CorpusCase& c : cases)
    EXPECT_EQ(rtf_test_support::DumpRtf(ReadCorpusFile(c.file), c.format), c.dump) << c.file;
}

// Lines of longer files: Japanese, Czech and Gothic text in their fonts, and
// the section breaks.
TEST(RtfCorpus, LongerFilesKeepTheirScriptsAndSections) {
  {
    const auto handler = rtf_test_support::Dispatch(ReadCorpusFile("tika_testRTFVarious.rtf"));
    const std::string dump = rtf_test_support::DumpBody(*handler, true);
    EXPECT_NE(dump.find("{MS Mincho 11}ゾルゲと尾崎、淡々と最期\n{MS Gothic 11}（ＧＨＱ）\n"), std::string::npos);
    EXPECT_NE(dump.find("{Arial 10}𐌲𐌿𐍄𐌹𐍃𐌺\n"), std::string::npos);
    EXPECT_NE(dump.find("{b Times New Roman 11}Bold{Times New Roman 11} {i Times New Roman 11}italic"), std::string::npos);
    EXPECT_NE(dump.find("{u Times New Roman 11 0000ff}This is a hyperlink\n"), std::string::npos);
    EXPECT_EQ(handler->Sections().size(), 3u);
  }
  {
    const std::string dump = rtf_test_support::DumpRtf(ReadCorpusFile("tika_testRTFJapanese.rtf"));
    EXPECT_EQ(dump.substr(0, dump.find('\n')), "ゾルゲと尾崎、淡々と最期　");
    EXPECT_NE(dump.find("ジャーナリスト尾崎秀実（ほつみ）の処刑記録が見つかった。"), std::string::npos);
  }
  {
    const std::string dump = rtf_test_support::DumpRtf(ReadCorpusFile("tika_testRTFWord2010CzechCharacters.rtf"));
    EXPECT_EQ(dump.substr(0, dump.find('\n')), "Článek týdne");
    EXPECT_NE(dump.find("Předpokládá se, že původními vlastníky knihovny"), std::string::npos);
  }
}

// Tables, nested tables and a damaged nesting level, by their structure.
TEST(RtfCorpus, TablesKeepTheirRowsCellsAndNesting) {
  const std::pair<const char*, const char*> cases[] = {
      {"pandoc_table_simple.rtf", "[(A ;B ;C ;D )|(E ;F ;G ;H )]"},
      {"pandoc_table_nested.rtf",
       "[([(Level two before/[(Deep A;Deep B)|(Deep C;Deep D)]/Level two after)]/Outer after)]/Outside table"},
      {"pandoc_table_nested_malformed_itap.rtf",
       "[([(Parent before/Parent after)]/Outer cell;[([([([(Child at skipped level)])])])])]"},
      {"tika_testRTFTableCellSeparation.rtf", "[(a;b)|(c;d)|(ä;ë)|(ö;ü)]/"},
  };
  for (const auto& [file, dump] : cases)
    EXPECT_EQ(rtf_test_support::DumpStructure(*rtf_test_support::Dispatch(ReadCorpusFile(file))), dump) << file;
  const std::string sample = rtf_test_support::DumpStructure(*rtf_test_support::Dispatch(ReadCorpusFile("rtfjs_sample.rtf")));
  EXPECT_NE(sample.find("/And now comes a fun table://[(Cell 1;Cell 2/More in cell 2;Cell 3)|(Next row;Next row ;Next row)]//"),
            std::string::npos);
}

TEST(RtfCorpus, ParagraphsKeepTheirAlignment) {
  using vn::wordmodel::TvnHAlignment;
  const auto handler = rtf_test_support::Dispatch(ReadCorpusFile("rtfjs_paragraph-properties.rtf"));
  std::vector<TvnHAlignment> alignments;
  for (const auto* element : handler->Elements())
    if (const auto* paragraph = dynamic_cast<const vn::wordmodel::TvnParagraph*>(element))
      alignments.push_back(paragraph->GetParagraphProperties()->GetHAlignment());
  EXPECT_EQ(alignments, (std::vector<TvnHAlignment>{TvnHAlignment::haLeft, TvnHAlignment::haCenter,
                                                    TvnHAlignment::haLeft, TvnHAlignment::haRight,
                                                    TvnHAlignment::haLeft}));
}

// The first bytes of every picture of the body, as hexadecimal text.
std::vector<std::string> PictureHeads(const vn::rtf::TvnRTFTagHandler& AHandler) {
  std::vector<std::string> heads;
  for (const auto* element : AHandler.Elements()) {
    const auto* paragraph = dynamic_cast<const vn::wordmodel::TvnParagraph*>(element);
    if (paragraph == nullptr) continue;
    // Pictures are items of the paragraph itself, where the layout places them.
    for (const auto& child : paragraph->GetItems()) {
      auto* image = dynamic_cast<vn::wordmodel::TvnWordImage*>(child.get());
      if (image == nullptr) continue;
      vn::TStream* stream = image->GetImageStream();
      uint8_t bytes[4] = {};
      stream->SetPosition(0);
      const int64_t read = stream->Read(bytes, 4);
      std::string head;
      for (int64_t i = 0; i < read; ++i) head += rtf_test_support::HexColor({bytes[i], 0, 0}).substr(0, 2);
      heads.push_back(head);
    }
  }
  return heads;
}

TEST(RtfCorpus, PicturesCarryTheirData) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"rtfjs_simplepng.rtf", {"89504e47"}},
      {"tika_testRTFRegularImages.rtf", {"ffd8ffe0", "ffd8ffe0"}},
      // Data after "\\bin" are the picture's bytes.
      {"pandoc_image.rtf", {"ffd8ffe0"}},
      // Pictures linked to files outside bring no data.
      {"rtfjs_import-image.rtf", {}},
  };
  for (const auto& [file, heads] : cases)
    EXPECT_EQ(PictureHeads(*rtf_test_support::Dispatch(ReadCorpusFile(file))), heads) << file;
}

}  // namespace rtf_corpus_test
